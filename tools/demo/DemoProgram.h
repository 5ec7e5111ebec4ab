// One program of the demo machine: its Uninstall key and usage record exactly as written, the
// files behind them, shortcuts and other keys. Leftovers of removed programs have no key.
#pragma once

#include "demo/IconImage.h"
#include "demo/ShellExtras.h"
#include "demo/UsageRecord.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace demo {

inline constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kArpCacheKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
inline constexpr wchar_t kUsageValue[] = L"SlowInfoCache";

// Quotes a path the way installers write it in commands.
inline std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

struct RegValue {
  std::wstring name;
  DWORD type = REG_SZ;
  std::vector<uint8_t> data;
};
RegValue TextValue(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);
RegValue DwordValue(const std::wstring& name, DWORD value);
RegValue BinaryValue(const std::wstring& name, std::vector<uint8_t> data);

struct ExtraKey {  // a vendor key, a file type: replaced as a whole on every run
  HKEY root = HKEY_LOCAL_MACHINE;
  std::wstring path;
  std::vector<RegValue> values;
};

struct DemoFile {
  enum class Kind { Program, Uninstaller, Icon, Text };
  Kind kind = Kind::Text;
  std::wstring path;
  IconLook look;      // Program, Uninstaller, Icon
  std::wstring text;  // Text; for an Uninstaller, a manifest of its own (when not empty)
  DWORD attributes = 0;  // read-only, hidden, system: set once the file is written
};

// A folder link inside a program's folder. Only the Unix side can make one under Wine, so the
// demo machine lists them (--links) and tools/make-demo-links.sh makes them.
struct FolderLink {
  std::wstring link;
  std::wstring target;  // a folder of the demo machine, outside the program's folders
};

struct DemoProgram {
  std::wstring key;    // Uninstall subkey; empty for a leftover
  HKEY root = HKEY_LOCAL_MACHINE;  // HKEY_CURRENT_USER for a program installed for one user
  REGSAM view = 0;     // KEY_WOW64_32KEY for a 32-bit program
  std::wstring shape;  // what the entry is there to show, for --list
  std::vector<RegValue> values;
  std::optional<RegValue> usage;  // written as ARPCache\<key>\<name>
  std::vector<DemoFile> files;
  std::vector<Shortcut> shortcuts;
  std::vector<ExtraKey> extraKeys;
  // Values a program adds to keys others share (Run, an extension's OpenWithProgids): written
  // into the key, whose other values and subkeys stay.
  std::vector<ExtraKey> sharedValues;
  std::vector<FolderLink> links;
};

// Builds a DemoProgram that lives in <Program Files>\<vendor>\<product>, or for a per-user
// program in <user programs>\<product>.
class ProgramBuilder {
public:
  ProgramBuilder(const MachinePaths& paths, std::wstring key, std::wstring vendor,
                 std::wstring product, IconLook look);

  const std::wstring& Dir() const noexcept { return dir_; }
  std::wstring In(const std::wstring& name) const;
  const MachinePaths& Paths() const noexcept { return paths_; }
  // "/key K /dir D": the sample uninstaller's arguments for this program.
  std::wstring UninstallArgs(const std::wstring& extra = {}) const;

  ProgramBuilder& Shape(const std::wstring& text);
  ProgramBuilder& Value(RegValue value);
  ProgramBuilder& Text(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);
  ProgramBuilder& Dword(const std::wstring& name, DWORD value);
  ProgramBuilder& Name(const std::wstring& displayName);
  // Publisher, DisplayVersion, InstallLocation, EstimatedSize (KB), InstallDate (yyyymmdd) and
  // the two links, as most installers write them.
  ProgramBuilder& Details(const std::wstring& publisher, const std::wstring& version, DWORD sizeKB,
                          const std::wstring& installDate, const std::wstring& url = {});
  ProgramBuilder& Command(const std::wstring& command, DWORD type = REG_SZ);
  ProgramBuilder& Icon(const std::wstring& icon, DWORD type = REG_SZ);
  ProgramBuilder& View32();
  // Installed for the current user only: its entry under HKEY_CURRENT_USER and its files in the
  // user's own programs folder. Call it first, before anything names a file.
  ProgramBuilder& PerUser();

  ProgramBuilder& ProgramExe(const std::wstring& name);
  ProgramBuilder& UninstallerExe(const std::wstring& path,
                                 const std::wstring& optionsFileText = {});
  // An uninstaller whose manifest names NSIS's program head, as NSIS uninstallers carry it.
  ProgramBuilder& NsisUninstallerExe(const std::wstring& path);
  ProgramBuilder& IconFile(const std::wstring& name);
  ProgramBuilder& TextFile(const std::wstring& path, const std::wstring& text);
  // A "Settings" subfolder with user data, what /leave-files keeps.
  ProgramBuilder& UserSettings();

  ProgramBuilder& Usage(const UsageRecord& record);
  ProgramBuilder& UsageRaw(DWORD type, std::vector<uint8_t> bytes);

  ProgramBuilder& StartMenu(const std::wstring& linkName, const std::wstring& target,
                            const std::wstring& arguments = {});
  ProgramBuilder& DesktopLink(bool allUsers, const std::wstring& linkName,
                              const std::wstring& target);
  // HKLM\Software\<vendor>\<product> and HKCU\Software\<vendor>\<product>.
  ProgramBuilder& VendorKeys();
  ProgramBuilder& Key(HKEY root, const std::wstring& path, std::vector<RegValue> values);
  ProgramBuilder& SharedValues(HKEY root, const std::wstring& path, std::vector<RegValue> values);

  DemoProgram Build() const { return program_; }

private:
  const MachinePaths& paths_;
  std::wstring vendor_, product_, dir_;
  IconLook look_;
  DemoProgram program_;
};

struct InstallResult {
  int files = 0, shortcuts = 0, keys = 0;
  std::vector<std::wstring> failures;
};

// Replaces whatever an earlier run wrote for the program, then writes it afresh.
void InstallProgram(const DemoProgram& program, const MachinePaths& paths, InstallResult& result);

}  // namespace demo
