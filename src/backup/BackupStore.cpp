#include "backup/BackupStore.h"

#include "inventory/UninstallItem.h"
#include "win/Error.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <wincrypt.h>

#include <algorithm>
#include <unordered_map>

namespace {

const wchar_t kManifest[] = L"manifest.txt";
const char kManifestHeading[] = "Tarvenholt Purgalot! backup";
const wchar_t kRestoredKey[] = L"Restored";

std::wstring TwoDigits(int value) {
  return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

std::wstring DateText(const SYSTEMTIME& time) {
  return std::to_wstring(time.wYear) + L"-" + TwoDigits(time.wMonth) + L"-" + TwoDigits(time.wDay);
}

// The manifest's form of a local time, "yyyy-mm-dd hh:mm:ss".
std::wstring TimeText(const SYSTEMTIME& time) {
  return DateText(time) + L" " + TwoDigits(time.wHour) + L":" + TwoDigits(time.wMinute) + L":" +
         TwoDigits(time.wSecond);
}

std::wstring FailureText(const std::wstring& what, DWORD error) {
  std::wstring reason = win::SystemErrorText(error);
  return what + (reason.empty() ? L"." : L": " + reason + L".");
}

void WriteManifestBytes(const std::wstring& file, const std::string& bytes, bool append) {
  win::UniqueFile out(CreateFileW(file.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, 0,
                                  nullptr, append ? OPEN_EXISTING : CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!out || !WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) ||
      written != bytes.size())
    throw win::TError(FailureText(L"The backup manifest " + file + L" cannot be written",
                                  GetLastError()));
}

struct CryptProviderTraits {
  using Type = HCRYPTPROV;
  static Type Invalid() noexcept { return 0; }
  static void Close(Type h) noexcept { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
  using Type = HCRYPTHASH;
  static Type Invalid() noexcept { return 0; }
  static void Close(Type h) noexcept { CryptDestroyHash(h); }
};

// The SHA-256 of the bytes in lower-case hexadecimal.
std::wstring Sha256Text(std::string_view bytes) {
  win::UniqueHandle<CryptProviderTraits> provider;
  win::UniqueHandle<CryptHashTraits> hash;
  BYTE digest[32];
  DWORD size = sizeof digest;
  if (!CryptAcquireContextW(provider.Put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(provider.Get(), CALG_SHA_256, 0, 0, hash.Put()) ||
      !CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()), 0) ||
      !CryptGetHashParam(hash.Get(), HP_HASHVAL, digest, &size, 0) || size != sizeof digest)
    throw win::TError(FailureText(L"The checksum of a backup file cannot be computed",
                                  GetLastError()));
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text;
  for (BYTE b : digest) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

std::size_t CountOf(const TBackupAction& action, const wchar_t* kind) {
  return static_cast<std::size_t>(std::count_if(
      action.Items.begin(), action.Items.end(),
      [kind](const TBackupItem& item) { return item.Kind == kind; }));
}

bool IsSha256Text(const std::wstring& text) {
  return text.size() == 64 && text.find_first_not_of(L"0123456789abcdef") == std::wstring::npos;
}

// A manifest's "Registry=" value: the key, "|", the file's name, and for files that are checked
// "|" size "|" hash. A key's name may hold "|" itself, so the fields are taken from the right.
// Empty when the value is sound, else what is wrong with it.
std::wstring ReadKeyItem(const std::wstring& value, TBackupItem& item) {
  std::wstring rest = value;
  auto takeLast = [&rest](std::wstring& field) {
    std::size_t bar = rest.rfind(L'|');
    if (bar == std::wstring::npos) return false;
    field = rest.substr(bar + 1);
    rest.resize(bar);
    return true;
  };
  std::wstring last;
  if (!takeLast(last)) return L"the saved key's line names no file.";
  if (IsSha256Text(last)) {
    std::wstring size;
    if (!takeLast(size) || size.empty() || size.size() > 19 ||
        size.find_first_not_of(L"0123456789") != std::wstring::npos || !takeLast(item.File))
      return L"the saved key's line is not understood.";
    item.Size = std::stoull(size);
    item.Sha256 = last;
  } else {
    item.File = last;
  }
  item.Path = rest;
  if (item.File.empty() || item.File == L"." || item.File == L".." ||
      item.File.find_first_of(L"\\/:") != std::wstring::npos)
    return L"\"" + item.File + L"\" is not a file of the backup's own folder.";
  HKEY root = nullptr;
  std::wstring path;
  if (!ResolveRegistryName(item.Path, root, path)) return item.Path + L" is not a registry key.";
  if (path.empty()) return L"a whole root key is never restored.";
  return {};
}

// A manifest's "Value=" value: the value name's length, ":", the name, "|", then what a key's line
// holds. The length lets the name hold "|" and anything else a line may hold.
std::wstring ReadValueItem(const std::wstring& value, TBackupItem& item) {
  const std::size_t colon = value.find(L':');
  const std::wstring digits = value.substr(0, colon);
  if (colon == std::wstring::npos || digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of(L"0123456789") != std::wstring::npos)
    return L"the saved value's line is not understood.";
  const std::size_t length = std::stoul(digits);
  if (value.size() < colon + 1 + length + 1 || value[colon + 1 + length] != L'|')
    return L"the saved value's line is not understood.";
  item.ValueName = value.substr(colon + 1, length);
  std::wstring problem = ReadKeyItem(value.substr(colon + 1 + length + 1), item);
  // Values were saved only since files are checked.
  if (problem.empty() && item.Sha256.empty()) problem = L"the saved value's file is not checked.";
  return problem;
}

// ---- Restore's checks -------------------------------------------------------------------------

bool IsAtOrBelow(const TRegSection& section, HKEY root, const std::wstring& path) {
  return section.Root == root && win::StartsWithNoCase(section.Path, path) &&
         (section.Path.size() == path.size() || section.Path[path.size()] == L'\\');
}

bool IsBelow(const TRegSection& section, const TRegSection& above) {
  return section.Path.size() > above.Path.size() && IsAtOrBelow(section, above.Root, above.Path);
}

// What the registry holds at a key's place now, asked once per key.
class TKeyPlaces {
public:
  enum TPlace { Missing, Key, Link };

  TPlace At(HKEY root, const std::wstring& path) {
    auto [at, added] = places_.try_emplace(
        std::to_wstring(reinterpret_cast<ULONG_PTR>(root)) + L"\\" + win::ToLower(path), Missing);
    if (added) {
      win::UniqueHKey key;
      if (RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                        key.Put()) == ERROR_SUCCESS)
        at->second = IsRegistryLink(key.Get()) ? Link : Key;
    }
    return at->second;
  }

private:
  std::unordered_map<std::wstring, TPlace> places_;
};

// The file writes into the key it saved and below it, and never into a protected key.
void CheckPlaces(const TRegFile& file, const std::wstring& saved,
                 const TProtectedKeyRule& isProtected) {
  HKEY root = nullptr;
  std::wstring path;
  if (!ResolveRegistryName(saved, root, path) || path.empty())
    throw win::TError(L"The backup names no key it can restore: " + saved + L".");
  if (file.Sections.empty() || file.Sections[0].Delete || file.Sections[0].Root != root ||
      !win::EqualsNoCase(file.Sections[0].Path, path))
    throw win::TError(file.LineMessage(file.Sections.empty() ? 1 : file.Sections[0].Line,
                                       L"the file does not begin with the key it saved, " + saved +
                                           L"."));
  for (const TRegSection& section : file.Sections) {
    if (!IsAtOrBelow(section, root, path))
      throw win::TError(file.LineMessage(section.Line, section.Name + L" lies outside " + saved +
                                                           L", the key this file saved."));
    if (isProtected(section.Root, L"\\" + section.Path))
      throw win::TError(file.LineMessage(section.Line, section.Name + L" is a protected key."));
  }
}

// A saved value's file writes that one value into the key it came from, and nothing else.
void CheckValuePlace(const TRegFile& file, const TBackupItem& item,
                     const TProtectedKeyRule& valuesProtected) {
  CheckPlaces(file, item.Path, [](HKEY, const std::wstring&) { return false; });
  const TRegSection& section = file.Sections[0];
  if (file.Sections.size() != 1 || section.IsLink() || section.Values.size() != 1 ||
      section.Values[0].Delete || section.Values[0].Name != item.ValueName)
    throw win::TError(file.LineMessage(section.Line, L"the file does not hold the value \"" +
                                                         item.ValueName + L"\" alone."));
  if (valuesProtected(section.Root, L"\\" + section.Path))
    throw win::TError(file.LineMessage(section.Line, L"the values of " + section.Name +
                                                         L" are protected."));
}

// Nothing is written through a registry link: not through one that a file makes, nor through one
// that stands in the registry now at or below a saved key. A link itself is written again, or
// deleted, as a link.
void CheckLinks(const std::vector<TRegFile>& files) {
  std::vector<const TRegSection*> links;
  for (const TRegFile& file : files)
    for (const TRegSection& section : file.Sections)
      if (section.IsLink()) links.push_back(&section);
  TKeyPlaces places;
  for (const TRegFile& file : files) {
    const std::wstring& saved = file.Sections[0].Path;
    for (const TRegSection& section : file.Sections) {
      auto refuse = [&](const std::wstring& link) {
        throw win::TError(file.LineMessage(
            section.Line, section.Name + L" would be written through the registry link " + link +
                              L"."));
      };
      for (const TRegSection* link : links)
        if (IsBelow(section, *link) || (!section.Delete && !section.IsLink() &&
                                        IsAtOrBelow(section, link->Root, link->Path)))
          refuse(link->Name);
      // The keys from the saved one down to the section's own.
      for (std::size_t end = saved.size();; end = section.Path.find(L'\\', end + 1)) {
        if (end == std::wstring::npos) end = section.Path.size();
        const std::wstring key = section.Path.substr(0, end);
        const bool itself = end == section.Path.size();
        const TKeyPlaces::TPlace place = places.At(section.Root, key);
        if (place == TKeyPlaces::Missing) break;
        if (place == TKeyPlaces::Link && !(itself && (section.Delete || section.IsLink())))
          refuse(section.Name.substr(0, section.Name.find(L'\\')) + L"\\" + key);
        if (itself) break;
      }
    }
  }
}

}  // namespace

std::wstring BackupRootBeside(const std::wstring& logPath) {
  std::size_t slash = logPath.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : logPath.substr(0, slash + 1)) +
         L"Backups\\";
}

TBackup::TBackup(const std::wstring& root, const std::wstring& action, const std::wstring& subject) {
  std::wstring base = win::WithTrailingBackslash(root);
  if (!CreateDirectoryW(base.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw win::TError(FailureText(L"The backup folder " + base + L" cannot be made",
                                  GetLastError()));
  DWORD attributes = GetFileAttributesW(base.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw win::TError(L"The backup folder " + base + L" cannot be made: a file of that name is "
                      L"in its place.");
  SYSTEMTIME now;
  GetLocalTime(&now);
  action_.Time = TimeText(now);
  // File names hold no colons; two actions in one second get numbered folders.
  std::wstring name = DateText(now) + L" " + TwoDigits(now.wHour) + L"." + TwoDigits(now.wMinute) +
                      L"." + TwoDigits(now.wSecond);
  for (int n = 1;; ++n) {
    std::wstring folder = base + name + (n > 1 ? L" (" + std::to_wstring(n) + L")" : L"") + L"\\";
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
      action_.Folder = folder;
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS || n > 999)
      throw win::TError(FailureText(L"The backup folder " + folder + L" cannot be made",
                                    GetLastError()));
  }
  action_.Action = action;
  action_.Subject = subject;
  WriteManifest();
}

void TBackup::SaveKey(HKEY root, REGSAM view, const std::wstring& path) {
  const std::wstring file =
      L"key " + std::to_wstring(CountOf(action_, kBackupRegistry) + 1) + L".reg";
  std::string bytes = ExportRegistryKey(root, view, path, action_.Folder + file);
  RecordSaved({kBackupRegistry, RegistryLocationText(root, view, path), file}, bytes);
}

void TBackup::SaveValue(HKEY root, REGSAM view, const std::wstring& path,
                        const std::wstring& name) {
  const std::wstring key = RegistryLocationText(root, view, path);
  if (win::SingleLine(name) != name)
    throw win::TError(L"The registry value \"" + win::SingleLine(name) + L"\" of " + key +
                      L" cannot be backed up: its name holds a control character.");
  const std::wstring file =
      L"value " + std::to_wstring(CountOf(action_, kBackupValue) + 1) + L".reg";
  std::string bytes = ExportRegistryValue(root, view, path, name, action_.Folder + file);
  RecordSaved({kBackupValue, key, file, 0, {}, name}, bytes);
}

void TBackup::RecordSaved(TBackupItem item, const std::string& bytes) {
  item.Size = bytes.size();
  item.Sha256 = Sha256Text(bytes);
  const std::wstring file = item.File;
  try {
    action_.Items.push_back(std::move(item));
    WriteManifest();
  } catch (const win::TError&) {
    // A file the manifest does not list could never be restored.
    if (!action_.Items.empty() && action_.Items.back().File == file) action_.Items.pop_back();
    DeleteFileW((action_.Folder + file).c_str());
    throw;
  }
}

void TBackup::NoteFile(const std::wstring& kind, const std::wstring& path) {
  action_.Items.push_back({kind, path, {}});
  WriteManifest();
}

void TBackup::NoteFiles(const std::wstring& kind, const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  for (const std::wstring& path : paths) action_.Items.push_back({kind, path, {}});
  WriteManifest();
}

void TBackup::Discard() noexcept {
  if (action_.Folder.empty()) return;
  for (const TBackupItem& item : action_.Items)
    if (!item.File.empty()) DeleteFileW((action_.Folder + item.File).c_str());
  DeleteFileW((action_.Folder + kManifest).c_str());
  RemoveDirectoryW(action_.Folder.c_str());
  action_.Items.clear();
}

void TBackup::WriteManifest() const {
  std::wstring text = L"Action=" + win::SingleLine(action_.Action) + L"\r\nSubject=" +
                      win::SingleLine(action_.Subject) + L"\r\nTime=" + action_.Time + L"\r\n";
  for (const TBackupItem& item : action_.Items) {
    text += item.Kind + L"=";
    if (item.Kind == kBackupValue)
      text += std::to_wstring(item.ValueName.size()) + L":" + item.ValueName + L"|";
    text += win::SingleLine(item.Path);
    if (!item.File.empty())
      text += L"|" + item.File + L"|" + std::to_wstring(item.Size) + L"|" + item.Sha256;
    text += L"\r\n";
  }
  WriteManifestBytes(action_.Folder + kManifest,
                     kManifestHeading + std::string("\r\n") + win::ToUtf8(text), false);
}

bool ReadBackup(const std::wstring& folder, TBackupAction& action) {
  const std::wstring manifest = folder + kManifest;
  std::string bytes;
  std::wstring text;
  try {
    bytes = ReadFileBytes(manifest);
  } catch (const win::TError&) {
    return false;
  }
  if (!win::TryFromUtf8(bytes, text)) return false;
  action = {};
  action.Folder = folder;
  bool heading = false;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 2;
    ++number;
    if (!heading) {
      if (win::ToUtf8(line) != kManifestHeading) return false;
      heading = true;
      continue;
    }
    std::wstring problem;
    std::size_t equals = line.find(L'=');
    std::wstring key = line.substr(0, equals), value;
    if (equals != std::wstring::npos) value = line.substr(equals + 1);
    if (win::SingleLine(line) != line) {
      problem = L"the line holds a control character.";
    } else if (line.empty()) {
      continue;
    } else if (equals == std::wstring::npos) {
      problem = L"the line is not understood.";
    } else if (key == L"Action") {
      action.Action = value;
    } else if (key == L"Subject") {
      action.Subject = value;
    } else if (key == L"Time") {
      action.Time = value;
    } else if (key == kRestoredKey) {
      action.Restored = value;
    } else if (key == kBackupRegistry || key == kBackupValue) {
      TBackupItem item{key, {}, {}};
      problem = key == kBackupValue ? ReadValueItem(value, item) : ReadKeyItem(value, item);
      if (problem.empty()) action.Items.push_back(std::move(item));
    } else if (key == kBackupRecycled || key == kBackupDeleted) {
      action.Items.push_back({key, value, {}});
    }
    // Other lines are left for versions that know them.
    if (!problem.empty() && action.Damage.empty())
      action.Damage = L"Line " + std::to_wstring(number) + L" of " + manifest + L": " + problem;
  }
  return heading;
}

std::vector<TBackupAction> ListBackups(const std::wstring& root) {
  std::wstring base = win::WithTrailingBackslash(root);
  std::vector<TBackupAction> actions;
  // Asked without the trailing backslash, a file in the folder's place answers as a file.
  DWORD attributes = GetFileAttributesW(base.substr(0, base.size() - 1).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return actions;
    throw win::TError(FailureText(L"The backup folder " + base + L" cannot be read", error));
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw win::TError(L"The backup folder " + base + L" cannot be read: a file of that name is in "
                      L"its place.");
  WIN32_FIND_DATAW found;
  win::UniqueFind find(FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &found,
                                        FindExSearchLimitToDirectories, nullptr, 0));
  if (!find)
    throw win::TError(FailureText(L"The backup folder " + base + L" cannot be read",
                                  GetLastError()));
  do {
    std::wstring name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..")
      continue;
    TBackupAction action;
    if (ReadBackup(base + name + L"\\", action)) actions.push_back(std::move(action));
  } while (FindNextFileW(find.Get(), &found));
  // Newest first; folders of one second keep the order they were made in, the later first.
  std::sort(actions.begin(), actions.end(), [](const TBackupAction& a, const TBackupAction& b) {
    if (a.Time != b.Time) return a.Time > b.Time;
    if (a.Folder.size() != b.Folder.size()) return a.Folder.size() > b.Folder.size();
    return a.Folder > b.Folder;
  });
  return actions;
}

TRestore::TRestore(const TBackupAction& action, const TProtectedKeyRule& isProtected,
                   const TProtectedValueRule& valuesProtected) {
  if (!action.Damage.empty()) throw win::TError(action.Damage);
  for (const TBackupItem& item : action.Items) {
    const bool value = item.Kind == kBackupValue;
    if (item.Kind != kBackupRegistry && !value) continue;
    const std::wstring path = action.Folder + item.File;
    std::string bytes = ReadFileBytes(path);
    if (!item.Sha256.empty() && (bytes.size() != item.Size || Sha256Text(bytes) != item.Sha256))
      throw win::TError(L"The backup file " + path + L" is not the one that was saved: its size "
                        L"or content has changed.");
    files_.push_back(ParseRegFile(bytes, path));
    if (value)
      CheckValuePlace(files_.back(), item, valuesProtected ? valuesProtected : isProtected);
    else
      CheckPlaces(files_.back(), item.Path, isProtected);
  }
  CheckLinks(files_);
}

void TRestore::Write() const {
  for (const TRegFile& file : files_) WriteRegFile(file);
}

void RestoreRegistry(const TBackupAction& action, const TProtectedKeyRule& isProtected,
                     const TProtectedValueRule& valuesProtected) {
  TRestore(action, isProtected, valuesProtected).Write();
}

void MarkRestored(const TBackupAction& action) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  try {
    WriteManifestBytes(action.Folder + kManifest,
                       win::ToUtf8(std::wstring(kRestoredKey) + L"=" + TimeText(now) + L"\r\n"),
                       true);
  } catch (const win::TError&) {
    // The keys are back either way; the list only cannot say so.
  }
}
