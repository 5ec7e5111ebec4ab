#include "app/CommandLine.h"

#include "win/UniqueHandle.h"

#include <windows.h>
#include <shellapi.h>

namespace {

struct TSwitchText {
  const wchar_t* Text;
  TSwitch Switch;
};
const TSwitchText kSwitches[] = {{L"/UNINSTALL", TSwitch::Uninstall},
                                 {L"/QU", TSwitch::QuietUninstall},
                                 {L"/RFL", TSwitch::ReportFileLong},
                                 {L"/RFS", TSwitch::ReportFileShort},
                                 {L"/RPS", TSwitch::ReportPrintShort},
                                 {L"/RPL", TSwitch::ReportPrintLong}};

}  // namespace

TCommandLine::TCommandLine(std::vector<std::wstring> parameters)
    : parameters_(std::move(parameters)) {
  if (parameters_.empty()) return;
  const std::wstring& first = parameters_.front();
  for (const auto& s : kSwitches)
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, first.c_str(), -1, s.Text, -1) ==
        CSTR_EQUAL)
      switch_ = s.Switch;
}

TCommandLine TCommandLine::FromProcess() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  win::UniqueLocalMemory memory(argv);
  std::vector<std::wstring> parameters;
  for (int i = 1; argv && i < count; ++i) parameters.emplace_back(argv[i]);
  return TCommandLine(std::move(parameters));
}

std::wstring TCommandLine::Parameter(size_t n) const {
  return n >= 1 && n <= parameters_.size() ? parameters_[n - 1] : std::wstring();
}

std::vector<std::wstring> TCommandLine::ParametersFrom(size_t n) const {
  if (n < 1 || n > parameters_.size()) return {};
  return std::vector<std::wstring>(parameters_.begin() + static_cast<std::ptrdiff_t>(n - 1),
                                   parameters_.end());
}
