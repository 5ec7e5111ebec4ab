#include "inventory/UninstallItem.h"

#include "inventory/ProgramList.h"
#include "inventory/Registry.h"
#include "inventory/Utils.h"
#include "win/Text.h"

#include <unordered_map>
#include <vector>

std::wstring LeadingQuotedSection(std::wstring_view s) {
  if (s.empty() || s[0] != L'"') return {};
  std::wstring section;
  size_t i = 1;
  for (; i < s.size(); ++i) {
    if (s[i] == L'"') {
      if (i + 1 < s.size() && s[i + 1] == L'"') {
        section += L'"';
        ++i;
        continue;
      }
      return section;
    }
    section += s[i];
  }
  // No closing quote: everything after the opening quote except the final character.
  if (s.size() < 2) return {};
  return std::wstring(s.substr(1, s.size() - 2));
}

std::wstring Unquote(std::wstring_view text) {
  std::wstring section = LeadingQuotedSection(text);
  return section.empty() ? std::wstring(text) : section;
}

namespace {

// The answers of the file probes of one pass over many rows, by path in lower case; null
// outside such a pass.
std::unordered_map<std::wstring, bool>* g_probes = nullptr;

bool IsFile(const std::wstring& path) {
  if (!g_probes) return TUtils::FileExists(path);
  std::wstring key = win::ToLower(path);
  auto found = g_probes->find(key);
  if (found != g_probes->end()) return found->second;
  bool exists = TUtils::FileExists(path);
  g_probes->emplace(std::move(key), exists);
  return exists;
}

struct TFolders {
  std::wstring System;
  std::wstring Windows;
};

const TFolders& Folders() {
  static const TFolders folders = [] {
    wchar_t buffer[MAX_PATH + 1] = {};
    TFolders f;
    UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
    f.System = win::WithTrailingBackslash(n && n <= MAX_PATH ? buffer : L"");
    n = GetWindowsDirectoryW(buffer, MAX_PATH);
    f.Windows = win::WithTrailingBackslash(n && n <= MAX_PATH ? buffer : L"");
    return f;
  }();
  return folders;
}

// A file on another machine counts as present without being looked at: an unreachable server
// would stall the scan for many seconds per entry.
bool Present(const std::wstring& path) {
  return TUtils::IsNetworkPath(path) || IsFile(path);
}

bool InSystemOrWindowsFolder(const wchar_t* file) {
  return IsFile(Folders().System + file) ||
         IsFile(Folders().Windows + file);
}

// The path an argument starting at `start` names: up to the third character after the last "."
// of its stretch [start, end). Empty when the stretch holds no ".".
std::wstring ArgumentPath(const std::wstring& r, size_t start, size_t end) {
  size_t dot = r.rfind(L'.', end == 0 ? 0 : end - 1);
  if (dot == std::wstring::npos || dot < start || dot >= end) return {};
  return r.substr(start, std::min(dot + 4, r.size()) - start);
}

// A command that starts with a drive letter: the executable up to its first ".exe" and the
// full paths given as option values after it must all be present.
bool DrivePathCommandExists(const std::wstring& s) {
  std::wstring lower = win::ToLower(s);
  size_t e = lower.find(L".exe");
  if (e == std::wstring::npos) return false;
  // A second drive path starting before the first ".exe" means the command is no plain path.
  if (s.size() >= 5) {
    size_t d = s.substr(3, s.size() - 4).find(L":\\");
    if (d != std::wstring::npos && d + 3 < e) return false;
  }
  // The executable lies on the command's own drive, which the caller found to be local.
  std::wstring x = s.substr(0, e + 4);
  bool result = IsFile(x);

  std::wstring r;
  for (wchar_t c : s.substr(e + 4))
    if (c != L'"') r += c;
  std::vector<size_t> colons;  // positions of each ":\" in r
  for (size_t p = r.find(L":\\"); p != std::wstring::npos; p = r.find(L":\\", p + 2))
    colons.push_back(p);
  if (colons.empty()) return result;

  auto driveOf = [](size_t colon) { return colon == 0 ? 0 : colon - 1; };
  std::wstring first;
  if (colons.size() == 1) {
    first = ArgumentPath(r, driveOf(colons[0]), r.size());
    return result && !first.empty() && Present(first);
  }
  // The first argument's stretch ends two characters before the next drive letter, leaving out
  // the option letter glued to it.
  size_t nextDrive = driveOf(colons[1]);
  size_t firstEnd = nextDrive >= 1 ? nextDrive - 1 : 0;
  first = ArgumentPath(r, driveOf(colons[0]), std::max(firstEnd, colons[0]));
  result = result && !first.empty() && Present(first);
  if (colons.size() == 2) {
    std::wstring second = ArgumentPath(r, nextDrive, r.size());
    result = result && !second.empty() && Present(second);
  }
  return result;
}

bool FoundOnSearchPath(const std::wstring& s) {
  std::wstring word = s.substr(0, s.find(L' '));
  if (word.empty()) return false;
  // A search answer is kept under a key no path can have.
  std::wstring key = L"?" + win::ToLower(word);
  if (g_probes) {
    auto known = g_probes->find(key);
    if (known != g_probes->end()) return known->second;
  }
  wchar_t found[MAX_PATH + 1] = {};
  DWORD n = SearchPathW(nullptr, word.c_str(), L".exe", MAX_PATH, found, nullptr);
  bool result = n > 0 && n <= MAX_PATH && IsFile(found);
  if (g_probes) g_probes->emplace(std::move(key), result);
  return result;
}

}  // namespace

std::wstring RegistryLocationText(HKEY root, REGSAM view, const std::wstring& keyPath) {
  const wchar_t* rootName = L"HKEY_LOCAL_MACHINE";
  if (root == HKEY_CURRENT_USER) rootName = L"HKEY_CURRENT_USER";
  else if (root == HKEY_USERS) rootName = L"HKEY_USERS";
  else if (root == HKEY_CLASSES_ROOT) rootName = L"HKEY_CLASSES_ROOT";
  else if (root == HKEY_CURRENT_CONFIG) rootName = L"HKEY_CURRENT_CONFIG";
  std::wstring path = keyPath;
  path.erase(0, path.find_first_not_of(L'\\'));
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  // Only the machine's software is kept apart per view; the user's is shared by both.
  const std::wstring software = L"Software";
  if (root == HKEY_LOCAL_MACHINE && (view & KEY_WOW64_32KEY) &&
      win::StartsWithNoCase(path, software) &&
      (path.size() == software.size() || path[software.size()] == L'\\') &&
      !win::StartsWithNoCase(path, software + L"\\WOW6432Node"))
    path.insert(software.size(), L"\\WOW6432Node");
  return path.empty() ? std::wstring(rootName) : std::wstring(rootName) + L"\\" + path;
}

TFileProbeCache::TFileProbeCache() : outer_(g_probes) { g_probes = &answers_; }

TFileProbeCache::~TFileProbeCache() { g_probes = outer_; }

TUninstListItem::TUninstListItem(TProgramRow& row) noexcept : row_(&row) {}

void TUninstListItem::SetName(const std::wstring& name) {
  row_->Caption = name;
  if (row_->Owner) row_->Owner->CaptionChanged();
}

const std::wstring& TUninstListItem::GetName() const noexcept { return row_->Caption; }

void TUninstListItem::SetSize(const std::wstring& text, int64_t bytes) {
  row_->Size = text;
  row_->SizeBytes = bytes;
}

void TUninstListItem::SetLastUsed(const std::wstring& text, uint64_t key) {
  row_->LastUsed = text;
  row_->LastUsedKey = key;
}

void TUninstListItem::SetFrequency(const std::wstring& text, int32_t count) {
  row_->Frequency = text;
  row_->UseCount = count;
}

void TUninstListItem::SetUninstallCommand(const std::wstring& command, bool isExpandString) {
  uninstallCommand_ = command;
  commandIsExpandString_ = isExpandString;
  row_->JudgeStateLater();
  row_->UninstallCommand = command;
}

void TUninstListItem::SetIconIndex(int index) { row_->SetImageIndex(index); }

void TUninstListItem::SetRegistryKey(const std::wstring& keyPath, HKEY root, REGSAM view) {
  registryKey_ = keyPath;
  rootKey_ = root;
  view_ = view;
}

std::wstring TUninstListItem::RegistryLocation() const {
  return RegistryLocationText(rootKey_, view_, registryKey_);
}

std::wstring TUninstListItem::ExecutableCommand() const {
  return commandIsExpandString_ ? win::ExpandEnvironment(uninstallCommand_) : uninstallCommand_;
}

bool TUninstListItem::UninstallerExists(const std::wstring& s) {
  if (s.empty()) return true;
  // A command run from another machine is never probed, nor looked for on the search path.
  if (TUtils::IsNetworkPath(s)) return true;
  // No file name holds a double quote, so a quoted command never names a file as a whole.
  if (s.find(L'"') == std::wstring::npos && IsFile(s)) return true;
  std::wstring quoted = LeadingQuotedSection(s);
  if (!quoted.empty()) return Present(quoted);
  if (win::StartsWithNoCase(s, L"rundll32")) return InSystemOrWindowsFolder(L"rundll32.exe");
  if (win::StartsWithNoCase(s, L"msiexec.exe")) return InSystemOrWindowsFolder(L"msiexec.exe");
  if (s.find(L":\\") == 1) return DrivePathCommandExists(s);
  return FoundOnSearchPath(s);
}

int TUninstListItem::RunUninstaller() const {
  return TUtils::RunAndWait(ExecutableCommand(), SW_SHOWNORMAL);
}

bool TUninstListItem::DeleteEntry() const {
  TRegistry reg(view_);
  reg.SetRootKey(rootKey_);
  return reg.DeleteKey(L"\\" + registryKey_);
}
