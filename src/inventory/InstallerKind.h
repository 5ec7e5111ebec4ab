// Which installer made an Uninstall entry, and the modify and repair commands the entry offers.
// Read from one entry on demand (the details, the Uninstall menu), never during the scan.
#pragma once

#include <windows.h>

#include <string>

enum class TInstallerKind { Other, WindowsInstaller, InnoSetup, Nsis };

// "Windows Installer", "Inno Setup", "NSIS" or "Other".
const wchar_t* InstallerKindText(TInstallerKind kind);

struct TInstallerFacts {
  TInstallerKind Kind = TInstallerKind::Other;
  // A Windows Installer entry's product code, with its braces: its key name when that is a GUID.
  std::wstring ProductCode;
  // The commands the entry offers; empty when it offers none or forbids them (NoModify,
  // NoRepair).
  std::wstring ModifyCommand;
  std::wstring RepairCommand;
};

// A GUID in braces, as Windows Installer names product codes: {8-4-4-4-12 hex digits}.
bool IsProductCode(const std::wstring& text);

// The installer kind, in this order: WindowsInstaller = 1; a value named "Inno Setup: ..." or an
// uninstaller named unins000.exe (any three digits); an uninstaller whose manifest names NSIS
// ("Nullsoft"). Modify is ModifyPath, or for Windows Installer "MsiExec.exe /I{code}"; repair
// is "MsiExec.exe /f{code}" for Windows Installer entries with a product code. A missing key gives
// Other with no commands.
TInstallerFacts ReadInstallerFacts(HKEY root, REGSAM view, const std::wstring& keyPath);
