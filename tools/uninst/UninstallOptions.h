// What the sample uninstaller was asked to do, from its command line and option files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace uninst {

inline constexpr wchar_t kDefaultUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct Options {
  std::wstring key;  // Uninstall subkey name
  std::wstring rootName = L"HKLM";
  int view = 0;  // 0, 32 or 64
  std::wstring uninstallKey = kDefaultUninstallKey;
  std::wstring arpCacheKey;  // empty: derived from uninstallKey
  std::wstring dir;          // program folder; empty: no file is touched
  std::wstring onlyFile;     // the one file of the folder deleted; empty: the whole folder
  std::wstring logFile;
  std::wstring optionsFile;  // where further options came from, for the log
  bool leaveFiles = false;
  bool keepKey = false;
  bool cancel = false;
  bool detach = false;
  bool failSecondStep = false;
  bool hasExitCode = false;
  DWORD exitCode = 0;
  DWORD delayMs = 1000;
  // Set in the helper process a detached or self-deleting run starts: the process to outlive.
  DWORD afterPid = 0;
  uint64_t afterCreated = 0;
  std::vector<std::wstring> ignored;

  HKEY Root() const;
  REGSAM ViewFlag() const;
  std::wstring ArpCacheParent() const;
  // The options as arguments again, without /detach and without the helper's own options.
  std::wstring ToArguments() const;
};

// Parses the process command line, then the option file it names (-fFILE) or, when it names
// neither /key nor /dir, "<exe name>.dat" beside the executable.
Options ReadOptions(const std::wstring& commandLine, const std::wstring& exePath);

// Parses arguments (without the program name) into opts; later arguments win.
void ApplyArguments(const std::vector<std::wstring>& args, Options& opts);
// The path glued to an InstallShield-style option letter ("-fC:\a b\x.isu", quotes optional),
// running up to the next " -<letter>"; empty when the option is absent.
std::wstring GluedOptionPath(const std::wstring& commandLine, wchar_t letter);
std::vector<std::wstring> SplitArguments(const std::wstring& text);

}  // namespace uninst
