#include "support/PrintedPdf.h"

#include "support/GuiDriver.h"

#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace testing_support {

namespace {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

fs::path FromUnix(const std::string& unixPath) {
  using TDosName = WCHAR*(CDECL*)(const char*);
  static const auto dosName = reinterpret_cast<TDosName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!dosName) {
    ADD_FAILURE() << "not running under Wine: no wine_get_dos_file_name";
    return {};
  }
  WCHAR* name = dosName(unixPath.c_str());
  if (!name) {
    ADD_FAILURE() << "Wine has no name for " << unixPath;
    return {};
  }
  fs::path path(name);
  HeapFree(GetProcessHeap(), 0, name);
  return path;
}

std::string RunOnHost(const std::vector<std::string>& argv) {
  static int runs = 0;
  std::string dir = "/tmp/purgalot-host-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(++runs);
  fs::create_directories(FromUnix(dir));
  std::string command;
  for (const std::string& arg : argv) command += ShellQuoted(arg) + " ";
  std::ofstream(FromUnix(dir + "/run.sh"), std::ios::binary)
      << command << ">" << dir << "/out.tmp 2>&1\nmv " << dir << "/out.tmp " << dir << "/out\n";

  std::wstring script;
  EXPECT_TRUE(win::TryFromUtf8(dir + "/run.sh", script));
  std::wstring line = L"cmd.exe /c start /unix /bin/sh " + script;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &process));
  win::UniqueHandleObj processHandle(process.hProcess), threadHandle(process.hThread);

  fs::path out = FromUnix(dir + "/out");
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(out); }, std::chrono::seconds(60)))
      << argv[0] << " did not finish";
  std::string text = ReadAll(out);
  std::error_code ignored;
  fs::remove_all(FromUnix(dir), ignored);
  return text;
}

TPrinterOutput::TPrinterOutput() {
  const char* folder = std::getenv("PURGALOT_PRINT_OUT");
  if (!folder) {
    ADD_FAILURE() << "PURGALOT_PRINT_OUT is not set: run the tests through scripts/test, which "
                     "starts the PDF printer";
    return;
  }
  folder_ = folder;
  before_ = Pdfs();
}

std::set<std::string> TPrinterOutput::Pdfs() const {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(FromUnix(folder_)))
    if (entry.path().extension() == L".pdf") names.insert(entry.path().filename().string());
  return names;
}

std::string TPrinterOutput::Next() {
  std::string found;
  bool complete = WaitUntil([&] {
    for (const std::string& name : Pdfs())
      if (!before_.count(name)) found = folder_ + "/" + name;
    if (found.empty()) return false;
    // Ghostscript writes the trailer last.
    std::string bytes = ReadAll(FromUnix(found));
    return bytes.size() > 16 && bytes.find("%%EOF", bytes.size() - 16) != std::string::npos;
  }, std::chrono::seconds(60));
  EXPECT_TRUE(complete) << "no PDF appeared in " << folder_;
  if (!complete) return {};
  before_.insert(found.substr(folder_.size() + 1));
  return found;
}

namespace {
const wchar_t kWindowsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
}

TNoDefaultPrinter::TNoDefaultPrinter() {
  RegOpenKeyExW(HKEY_CURRENT_USER, kWindowsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key_.Put());
  wchar_t value[512] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (key_ && RegQueryValueExW(key_.Get(), L"Device", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
    device_ = value;
  if (key_) RegDeleteValueW(key_.Get(), L"Device");
}

TNoDefaultPrinter::~TNoDefaultPrinter() {
  if (key_ && !device_.empty())
    RegSetValueExW(key_.Get(), L"Device", 0, REG_SZ, reinterpret_cast<const BYTE*>(device_.c_str()),
                   static_cast<DWORD>((device_.size() + 1) * sizeof(wchar_t)));
}

}  // namespace testing_support
