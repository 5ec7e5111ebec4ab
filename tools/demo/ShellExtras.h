// Where things go on this machine, and shell shortcuts.
#pragma once

#include <string>

namespace demo {

struct MachinePaths {
  std::wstring programFiles;       // C:\Program Files
  std::wstring userPrograms;       // the user's own programs: <local application data>\Programs
  std::wstring windows;            // C:\windows
  std::wstring commonPrograms;     // all users' Start-menu programs
  std::wstring desktop;            // the user's desktop; empty when it leads out of the machine
  bool desktopLinkedOut = false;   // Wine links the user's desktop to the Unix home folder
  std::wstring commonDesktop;      // all users' desktop
  std::wstring sampleUninstaller;  // the sampleuninst.exe every program copies
};

// Asks the shell for the folders; sampleUninstaller is left empty.
MachinePaths QueryMachinePaths();

struct Shortcut {
  std::wstring link;  // full path of the .lnk
  std::wstring target;
  std::wstring arguments;
  std::wstring description;
};

// Writes a .lnk through IShellLinkW (COM must be initialised); the target need not exist.
bool CreateShortcut(const Shortcut& shortcut);

}  // namespace demo
