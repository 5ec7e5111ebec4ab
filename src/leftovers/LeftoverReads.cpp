#include "leftovers/LeftoverReads.h"

#include "leftovers/ProgramFacts.h"
#include "win/FileSystemTree.h"
#include "win/Text.h"

#include <shlobj.h>

#include <algorithm>

namespace {

// The folders a user keeps documents in: nothing directly inside them is ever a candidate, and
// deeper down a find counts as among the user's documents.
const std::vector<std::wstring>& DocumentFolders() {
  static const std::vector<std::wstring> folders = [] {
    std::vector<std::wstring> list;
    for (const KNOWNFOLDERID* id :
         {&FOLDERID_Desktop, &FOLDERID_Documents, &FOLDERID_Downloads, &FOLDERID_Pictures,
          &FOLDERID_Music, &FOLDERID_Videos, &FOLDERID_PublicDesktop, &FOLDERID_PublicDocuments,
          &FOLDERID_PublicDownloads, &FOLDERID_PublicPictures, &FOLDERID_PublicMusic,
          &FOLDERID_PublicVideos})
      if (std::wstring path = leftovers::KnownFolder(*id); !path.empty()) list.push_back(path);
    return list;
  }();
  return folders;
}

}  // namespace

namespace leftovers {

const wchar_t kCurrentVersion[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
const wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Software under each root and view: where programs keep Software\<Publisher>\<Program>.
const std::vector<TKeyPlace>& SoftwareKeys() {
  static const std::vector<TKeyPlace> keys = {{HKEY_CURRENT_USER, L"Software"},
                                              {HKEY_LOCAL_MACHINE, L"Software"},
                                              {HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node"}};
  return keys;
}

// A key below CurrentVersion under each root and view.
std::vector<TKeyPlace> CurrentVersionKeys(const std::wstring& name) {
  std::wstring path = std::wstring(kCurrentVersion) + L"\\" + name;
  return {{HKEY_CURRENT_USER, path},
          {HKEY_LOCAL_MACHINE, path},
          {HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node" + path.substr(8)}};
}

// File types are read at their real places, per user and per machine, never through the merged
// HKEY_CLASSES_ROOT.
const std::vector<TKeyPlace>& ClassesKeys() {
  static const std::vector<TKeyPlace> keys = {{HKEY_CURRENT_USER, L"Software\\Classes"},
                                              {HKEY_LOCAL_MACHINE, L"Software\\Classes"}};
  return keys;
}

std::vector<TKeyPlace> ClsidKeys() {
  return {{HKEY_CURRENT_USER, L"Software\\Classes\\CLSID"},
          {HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID"},
          {HKEY_LOCAL_MACHINE, L"Software\\Classes\\WOW6432Node\\CLSID"}};
}

std::wstring Lower(std::wstring_view text) { return win::ToLower(text); }

std::wstring WithoutTrailingBackslash(std::wstring path) {
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring ParentFolder(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring LeafName(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool IsFullPath(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') ||
         win::StartsWithNoCase(path, L"\\\\");
}

win::UniqueHKey OpenKey(HKEY root, const std::wstring& path, REGSAM view) {
  win::UniqueHKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Put()) != ERROR_SUCCESS)
    key.Reset();
  return key;
}

std::vector<std::wstring> SubKeyNames(HKEY key) {
  std::vector<std::wstring> names;
  if (!key) return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    LSTATUS status = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;  // longer than any key name may be: not ours
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::wstring> ValueNames(HKEY key) {
  std::vector<std::wstring> names;
  if (!key) return names;
  std::vector<wchar_t> name(16384);
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

// The string values of a key, name and text, in one pass.
std::vector<std::pair<std::wstring, std::wstring>> StringValues(HKEY key) {
  std::vector<std::pair<std::wstring, std::wstring>> values;
  if (!key) return values;
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(4096);
  for (DWORD i = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()),
          type = 0;
    LSTATUS status =
        RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA && size > data.size()) {
      data.resize(size);
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    ++i;
    if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    values.emplace_back(std::wstring(name.data(), nameLength), text.substr(0, text.find(L'\0')));
  }
  return values;
}

// A string value of key\sub (the default value for an empty name); nothing when absent.
std::optional<std::wstring> StringValue(HKEY key, const std::wstring& sub, const wchar_t* name) {
  std::vector<wchar_t> buffer(1024);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    LSTATUS status = RegGetValueW(key, sub.empty() ? nullptr : sub.c_str(), name,
                                  RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                                  buffer.data(), &size);
    if (status == ERROR_SUCCESS) return std::wstring(buffer.data());
    if (status != ERROR_MORE_DATA) return std::nullopt;
    buffer.resize(size / sizeof(wchar_t) + 1);
  }
  return std::nullopt;
}

// The names in a folder, in one listing; nothing for a folder that is not there.
std::vector<TListed> ListFolder(const std::wstring& folder) {
  std::vector<TListed> listed;
  WIN32_FIND_DATAW data;
  win::UniqueFind find(FindFirstFileExW(win::LiteralPath(folder + L"\\*").c_str(), FindExInfoBasic,
                                        &data, FindExSearchNameMatch, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return listed;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    listed.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                      (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(find.Get(), &data));
  return listed;
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(win::LiteralPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool EndsWithNoCase(const std::wstring& text, std::wstring_view ending) {
  return text.size() >= ending.size() &&
         win::EqualsNoCase(std::wstring_view(text).substr(text.size() - ending.size()), ending);
}

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
  win::UniqueCoTaskMemory memory(path);
  return SUCCEEDED(hr) && path ? WithoutTrailingBackslash(path) : std::wstring();
}

bool IsDocumentFolder(const std::wstring& folder) {
  const auto& folders = DocumentFolders();
  return std::any_of(folders.begin(), folders.end(),
                     [&](const std::wstring& f) { return win::EqualsNoCase(f, folder); });
}

bool LiesAmongDocuments(const std::wstring& path) {
  const auto& folders = DocumentFolders();
  return std::any_of(folders.begin(), folders.end(),
                     [&](const std::wstring& f) { return IsPathAtOrInside(path, f); });
}

// Files people make themselves, which no installer puts in a program's folders.
bool IsDocumentFile(const std::wstring& name) {
  for (const wchar_t* ending : {L".doc", L".docx", L".xls", L".xlsx", L".ppt", L".pptx", L".odt",
                                L".ods", L".odp", L".rtf", L".psd", L".jpg", L".jpeg", L".heic"})
    if (EndsWithNoCase(name, ending)) return true;
  return false;
}

}  // namespace leftovers
