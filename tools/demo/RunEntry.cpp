#include "demo/RunEntry.h"

#include "common/ToolFiles.h"
#include "common/ToolRegistry.h"
#include "demo/DemoProgram.h"
#include "win/UniqueHandle.h"

namespace demo {
namespace {

bool ReadCommand(HKEY root, const std::wstring& key, REGSAM view, std::wstring& command) {
  const win::UniqueHKey entry =
      tools::OpenKey(root, tools::JoinPath(kUninstallKey, key), KEY_READ, view);
  if (!entry) return false;
  // Without RRF_NOEXPAND an expand string is expanded and passes as REG_SZ.
  const DWORD flags = RRF_RT_REG_SZ;
  DWORD bytes = 0;
  if (RegGetValueW(entry.Get(), nullptr, L"UninstallString", flags, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS)
    return false;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(entry.Get(), nullptr, L"UninstallString", flags, nullptr, text.data(), &bytes) !=
      ERROR_SUCCESS)
    return false;
  text.resize(wcsnlen(text.c_str(), text.size()));
  command = text;
  return true;
}

}  // namespace

RunResult RunUninstallString(const std::wstring& key, bool wait) {
  RunResult result;
  if (!ReadCommand(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY, result.command) &&
      !ReadCommand(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, result.command) &&
      !ReadCommand(HKEY_CURRENT_USER, key, 0, result.command)) {
    result.error = ERROR_FILE_NOT_FOUND;
    return result;
  }
  return RunCommandLine(result.command, wait);
}

RunResult RunCommandLine(const std::wstring& command, bool wait) {
  RunResult result;
  result.command = command;
  std::wstring commandLine = command;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi)) {
    result.error = GetLastError();
    return result;
  }
  win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
  result.started = true;
  if (wait) {
    WaitForSingleObject(process.Get(), INFINITE);
    GetExitCodeProcess(process.Get(), &result.exitCode);
  }
  return result;
}

}  // namespace demo
