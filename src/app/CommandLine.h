// TCommandLine: the program's parameters and the switch in the first of them. What each switch
// does is TStartup's (Startup.h).
#pragma once

#include <string>
#include <vector>

enum class TSwitch { None, Uninstall, QuietUninstall, ReportFileLong, ReportFileShort,
                     ReportPrintShort, ReportPrintLong };

// The switches that do their work and end the program without showing any window.
inline bool IsUnattended(TSwitch command) noexcept {
  return command == TSwitch::QuietUninstall || command == TSwitch::ReportFileLong ||
         command == TSwitch::ReportFileShort || command == TSwitch::ReportPrintShort ||
         command == TSwitch::ReportPrintLong;
}

class TCommandLine {
public:
  // Parameters without the program's own name.
  explicit TCommandLine(std::vector<std::wstring> parameters);
  static TCommandLine FromProcess();

  // The switch named by parameter 1, in any letter case; None for anything else.
  TSwitch Switch() const noexcept { return switch_; }
  // Parameter n, counted from 1; empty when absent.
  std::wstring Parameter(size_t n) const;
  // Parameters n to the last ("/QU" names its programs so).
  std::vector<std::wstring> ParametersFrom(size_t n) const;
  size_t Count() const noexcept { return parameters_.size(); }

private:
  std::vector<std::wstring> parameters_;
  TSwitch switch_ = TSwitch::None;
};
