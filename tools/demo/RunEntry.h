// Runs an entry's UninstallString the way an uninstall manager does: expanded when it is an
// expand string, handed to CreateProcessW as the whole command line.
#pragma once

#include <windows.h>

#include <string>

namespace demo {

struct RunResult {
  bool started = false;
  DWORD error = 0;     // why it did not start
  DWORD exitCode = 0;  // when started and waited for
  std::wstring command;
};

// Looks the key up in the 64-bit view, then the 32-bit one.
RunResult RunUninstallString(const std::wstring& key, bool wait);
// Runs a command line as it is, so scripts see the full exit code (Wine passes only its low
// byte to the shell).
RunResult RunCommandLine(const std::wstring& command, bool wait);

}  // namespace demo
