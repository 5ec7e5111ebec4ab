// TProgramFacts: what is known about an installed (or once installed) program, read from its
// Uninstall entry, from that entry's saved key, or typed by the user. The leftover finder looks
// for traces by these facts; the program list shows the install folder derived here.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TProgramFacts {
  std::wstring Name;  // the display name
  std::wstring Publisher;
  std::wstring Version;
  // InstallLocation as stored (expanded), whether or not it exists.
  std::wstring InstallLocation;
  // The folder the program was installed to, without a trailing backslash; empty when none could
  // be told (see DeriveInstallFolder).
  std::wstring InstallFolder;
  // Further folders of the program: those of DisplayIcon and of the uninstaller, when they are
  // neither shared nor system folders. Without trailing backslashes.
  std::vector<std::wstring> OtherFolders;
  // The names (no folder) of the executables found in the install folder.
  std::vector<std::wstring> Executables;
  // The entry the facts were read from: root, registry view (0 or KEY_WOW64_32KEY) and the key
  // path from the root without a leading backslash. Empty key for facts typed by the user.
  HKEY Root = nullptr;
  REGSAM View = 0;
  std::wstring EntryKey;
};

// Whether `path` is `folder` or lies inside it, without regard to letter case; both spelled
// without trailing backslashes.
bool IsPathAtOrInside(const std::wstring& path, const std::wstring& folder);

// The executable file an uninstall (or icon) command names: the leading quoted section, else the
// text up to the first program or icon file name (.exe, .dll, .ico, ...) that ends a word, else
// up to the first space; an icon index (",0") is dropped. Environment variables are expanded. Empty when the text is empty.
std::wstring CommandFile(const std::wstring& command);

// The install folder from an entry's values, tried in order: InstallLocation when it names an
// existing folder; the uninstaller's folder; DisplayIcon's folder. A candidate that is a drive
// root, a shared or system folder (Windows, System32, Program Files, Common Files, ProgramData),
// a protected place or a known user folder is passed over. Empty when none is left.
std::wstring DeriveInstallFolder(const std::wstring& installLocation,
                                 const std::wstring& uninstallCommand,
                                 const std::wstring& displayIcon);

// The facts of the entry at root\keyPath (view 0 or KEY_WOW64_32KEY); a missing key gives facts
// with only the place filled in.
TProgramFacts FactsFromEntry(HKEY root, REGSAM view, const std::wstring& keyPath);
// The facts of an entry saved as a registry editor file (a Clean-Up or uninstall backup); empty
// facts when the file holds no entry.
TProgramFacts FactsFromSavedEntry(const std::wstring& regFile);
// The facts of a program the user names, with the folder it was installed to when known.
TProgramFacts FactsFromName(const std::wstring& name, const std::wstring& folder = {});
