#include "leftovers/ProgramFacts.h"

#include "assisted/ProtectedPlaces.h"
#include "backup/RegFile.h"
#include "inventory/Registry.h"
#include "inventory/UninstallItem.h"
#include "win/FileSystemTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <algorithm>

namespace {

// The path without trailing backslashes (a drive root keeps its own: "C:\").
std::wstring WithoutTrailingBackslash(std::wstring path) {
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

std::wstring FolderOf(const std::wstring& file) {
  size_t slash = file.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  return WithoutTrailingBackslash(file.substr(0, slash + 1));
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A folder that belongs to one program: not a drive root, a system or shared folder, a protected
// place or a known user folder.
bool IsOwnFolder(const std::wstring& folder) {
  if (folder.size() < 3 || (folder[1] != L':' && !win::StartsWithNoCase(folder, L"\\\\")))
    return false;
  return !IsProtectedPath(folder) && !IsKnownFolderOrAncestor(folder);
}

void AddFolder(std::vector<std::wstring>& folders, const std::wstring& folder) {
  if (folder.empty()) return;
  for (const std::wstring& f : folders)
    if (win::EqualsNoCase(f, folder)) return;
  folders.push_back(folder);
}

struct TEntryValues {
  std::wstring Name, Publisher, Version, InstallLocation, Uninstall, Icon;
};

TProgramFacts FactsFromValues(const TEntryValues& values) {
  TProgramFacts facts;
  facts.Name = win::Trim(values.Name);
  facts.Publisher = win::Trim(values.Publisher);
  facts.Version = win::Trim(values.Version);
  facts.InstallLocation = WithoutTrailingBackslash(win::ExpandEnvironment(win::Trim(
      Unquote(win::Trim(values.InstallLocation)))));
  facts.InstallFolder = DeriveInstallFolder(values.InstallLocation, values.Uninstall, values.Icon);
  for (const std::wstring& command : {values.Icon, values.Uninstall}) {
    std::wstring folder = FolderOf(CommandFile(command));
    if (!folder.empty() && IsOwnFolder(folder) && !IsPathAtOrInside(folder, facts.InstallFolder))
      AddFolder(facts.OtherFolders, folder);
  }
  if (!facts.InstallFolder.empty()) {
    WIN32_FIND_DATAW data;
    win::UniqueFind find(
        FindFirstFileW(win::LiteralPath(facts.InstallFolder + L"\\*.exe").c_str(), &data));
    if (find) {
      do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          facts.Executables.push_back(data.cFileName);
      } while (FindNextFileW(find.Get(), &data));
    }
  }
  return facts;
}

}  // namespace

bool IsPathAtOrInside(const std::wstring& path, const std::wstring& folder) {
  return !folder.empty() && path.size() >= folder.size() && win::StartsWithNoCase(path, folder) &&
         (path.size() == folder.size() || path[folder.size()] == L'\\');
}

std::wstring CommandFile(const std::wstring& command) {
  std::wstring text = win::Trim(command);
  if (text.empty()) return {};
  std::wstring file = LeadingQuotedSection(text);
  if (file.empty()) {
    // Unquoted: the earliest program or icon file name that ends a word, so that a folder with
    // blanks in its name ("C:\Program Files\App\app.dll,0") stays whole.
    std::wstring lower = win::ToLower(text);
    size_t end = std::wstring::npos;
    for (std::wstring_view extension : {L".exe", L".dll", L".ico", L".ocx", L".cpl", L".com",
                                        L".bat", L".cmd", L".msi", L".scr", L".ax"})
      for (size_t at = lower.find(extension); at != std::wstring::npos && at < end;
           at = lower.find(extension, at + 1)) {
        size_t after = at + extension.size();
        if (after == lower.size() || lower[after] == L' ' || lower[after] == L',') {
          end = after;
          break;
        }
      }
    file = end != std::wstring::npos ? text.substr(0, end) : text.substr(0, text.find(L' '));
    // "icon.png,0": the index after the file.
    if (size_t comma = file.rfind(L','); end == std::wstring::npos && comma != std::wstring::npos)
      file.erase(comma);
  }
  return win::ExpandEnvironment(win::Trim(file));
}

std::wstring DeriveInstallFolder(const std::wstring& installLocation,
                                 const std::wstring& uninstallCommand,
                                 const std::wstring& displayIcon) {
  std::wstring location =
      WithoutTrailingBackslash(win::ExpandEnvironment(win::Trim(Unquote(win::Trim(installLocation)))));
  if (!location.empty() && IsOwnFolder(location) && IsFolder(location)) return location;
  for (const std::wstring& command : {uninstallCommand, displayIcon}) {
    std::wstring folder = FolderOf(CommandFile(command));
    if (!folder.empty() && IsOwnFolder(folder) && IsFolder(folder)) return folder;
  }
  return {};
}

TProgramFacts FactsFromEntry(HKEY root, REGSAM view, const std::wstring& keyPath) {
  TEntryValues values;
  TRegistry reg(view);
  reg.SetRootKey(root);
  if (reg.OpenKeyReadOnly(L"\\" + keyPath)) {
    auto text = [&reg](const wchar_t* name) {
      std::optional<TRegValue> value = reg.ReadValue(name);
      return value && (value->RawType == REG_SZ || value->RawType == REG_EXPAND_SZ) ? value->Text()
                                                                                : std::wstring();
    };
    values = {text(L"DisplayName"),     text(L"Publisher"),       text(L"DisplayVersion"),
              text(L"InstallLocation"), text(L"UninstallString"), text(L"DisplayIcon")};
  }
  TProgramFacts facts = FactsFromValues(values);
  facts.Root = root;
  facts.View = view;
  facts.EntryKey = keyPath;
  return facts;
}

TProgramFacts FactsFromSavedEntry(const std::wstring& regFile) {
  TRegFile file;
  try {
    file = ParseRegFile(ReadFileBytes(regFile), regFile);
  } catch (const std::exception&) {
    return {};
  }
  for (const TRegSection& section : file.Sections) {
    if (section.Delete) continue;
    TEntryValues values;
    auto text = [&section](const wchar_t* name) {
      for (const TRegFileValue& v : section.Values)
        if (win::EqualsNoCase(v.Name, name) && (v.Type == REG_SZ || v.Type == REG_EXPAND_SZ)) {
          std::wstring s(reinterpret_cast<const wchar_t*>(v.Data.data()), v.Data.size() / 2);
          return s.substr(0, s.find(L'\0'));
        }
      return std::wstring();
    };
    values = {text(L"DisplayName"),     text(L"Publisher"),       text(L"DisplayVersion"),
              text(L"InstallLocation"), text(L"UninstallString"), text(L"DisplayIcon")};
    if (values.Name.empty()) continue;
    TProgramFacts facts = FactsFromValues(values);
    facts.Root = section.Root;
    facts.EntryKey = section.Path;
    // The file spells the machine's 32-bit view out; the facts name the entry as it was read.
    const std::wstring wow = L"Software\\WOW6432Node\\";
    if (section.Root == HKEY_LOCAL_MACHINE && win::StartsWithNoCase(section.Path, wow)) {
      facts.View = KEY_WOW64_32KEY;
      facts.EntryKey = L"Software\\" + section.Path.substr(wow.size());
    }
    return facts;
  }
  return {};
}

TProgramFacts FactsFromName(const std::wstring& name, const std::wstring& folder) {
  TEntryValues values;
  values.Name = name;
  values.InstallLocation = folder;
  TProgramFacts facts = FactsFromValues(values);
  // A folder the user names is taken as given, only never a protected or known folder.
  if (facts.InstallFolder.empty() && !facts.InstallLocation.empty() &&
      IsOwnFolder(facts.InstallLocation))
    facts.InstallFolder = facts.InstallLocation;
  return facts;
}
