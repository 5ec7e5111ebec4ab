#include "support/TestMachine.h"

#include "win/RegistryTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"


#include <atomic>
#include <fstream>
#include <stdexcept>

// The native name of a key ("\REGISTRY\USER\..."), which a registry link must hold.
extern "C" LONG NTAPI NtQueryKey(HANDLE key, int informationClass, void* information,
                                 ULONG length, ULONG* resultLength);

namespace testing_support {

namespace {

constexpr int kKeyNameInformation = 3;

std::atomic<int> g_counter{0};

std::wstring UniqueName() {
  return std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount64()) + L"_" +
         std::to_wstring(++g_counter);
}

win::UniqueHKey CreateKey(HKEY root, const std::wstring& path) {
  win::UniqueHKey key;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create test key");
  return key;
}

// Removes a folder of drive C: (a test's own) with everything in it, deepest first, by paths of any
// length; a link to a folder is removed as a link, never entered. Not the shell's deletion: below a
// path longer than MAX_PATH, Wine's deletes what the current folder holds instead.
void RemoveTree(const std::wstring& folder) {
  std::wstring root = folder;
  while (!root.empty() && root.back() == L'\\') root.pop_back();
  if (!win::StartsWithNoCase(root, L"C:\\") || root.size() < 4) return;
  auto full = [](const std::wstring& path) { return L"\\\\?\\" + path; };
  std::vector<std::wstring> pending{root}, folders;
  while (!pending.empty()) {
    const std::wstring current = pending.back();
    pending.pop_back();
    folders.push_back(current);
    WIN32_FIND_DATAW found{};
    win::UniqueFind find(FindFirstFileW(full(current + L"\\*").c_str(), &found));
    if (!find) continue;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = current + L"\\" + name;
      const DWORD attributes = found.dwFileAttributes;
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        pending.push_back(path);
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(full(path).c_str());
      } else {
        SetFileAttributesW(full(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full(path).c_str());
      }
    } while (FindNextFileW(find.Get(), &found));
  }
  for (auto it = folders.rbegin(); it != folders.rend(); ++it)
    RemoveDirectoryW(full(*it).c_str());
}

}  // namespace

TTestKey::TTestKey() : path_(L"Software\\PurgalotTests\\" + UniqueName()) {
  CreateKey(HKEY_CURRENT_USER, path_);
}

TTestKey::~TTestKey() { win::DeleteRegistryTree(HKEY_CURRENT_USER, path_); }

TUninstallSource TTestKey::Source() const {
  return {HKEY_CURRENT_USER, 0, path_ + L"\\Uninstall", path_ + L"\\ARPCache"};
}

void TTestKey::SetRaw(const std::wstring& sub, const std::wstring& name, DWORD type,
                      const void* data, DWORD size) {
  auto key = CreateKey(HKEY_CURRENT_USER, sub.empty() ? path_ : path_ + L"\\" + sub);
  if (RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot write test value");
}

void TTestKey::SetString(const std::wstring& sub, const std::wstring& name,
                         const std::wstring& value, DWORD type) {
  SetRaw(sub, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void TTestKey::SetDword(const std::wstring& sub, const std::wstring& name, DWORD value) {
  SetRaw(sub, name, REG_DWORD, &value, sizeof value);
}

void TTestKey::SetBinary(const std::wstring& sub, const std::wstring& name,
                         const std::vector<BYTE>& data, DWORD type) {
  SetRaw(sub, name, type, data.data(), static_cast<DWORD>(data.size()));
}

bool TTestKey::Exists(const std::wstring& sub) const {
  win::UniqueHKey key;
  return RegOpenKeyExW(HKEY_CURRENT_USER, (path_ + L"\\" + sub).c_str(), 0, KEY_READ, key.Put()) ==
         ERROR_SUCCESS;
}

void TTestKey::AddLink(const std::wstring& sub, const std::wstring& target) {
  auto self = CreateKey(HKEY_CURRENT_USER, path_);
  std::vector<BYTE> buffer(4096);
  ULONG size = 0;
  if (NtQueryKey(self.Get(), kKeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                 &size) != 0)
    throw std::runtime_error("cannot read the test key's native name");
  ULONG nameBytes;
  memcpy(&nameBytes, buffer.data(), sizeof nameBytes);
  std::wstring native(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof nameBytes),
                      nameBytes / sizeof(wchar_t));
  if (!target.empty()) native += L"\\" + target;

  win::UniqueHKey link;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, (path_ + L"\\" + sub).c_str(), 0, nullptr,
                      REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, link.Put(),
                      nullptr) != ERROR_SUCCESS ||
      RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK,
                     reinterpret_cast<const BYTE*>(native.data()),
                     static_cast<DWORD>(native.size() * sizeof(wchar_t))) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create test link");
}

void TTestKey::AddProgram(const std::wstring& subkey, const std::wstring& displayName,
                          const std::wstring& command, const std::wstring& icon) {
  std::wstring sub = L"Uninstall\\" + subkey;
  SetString(sub, L"DisplayName", displayName);
  SetString(sub, L"UninstallString", command);
  if (!icon.empty()) SetString(sub, L"DisplayIcon", icon);
}

TSourceTrees::TSourceTrees() : machinePath_(L"Software\\PurgalotTests\\" + UniqueName()) {
  const std::wstring uninstall = machinePath_ + L"\\Uninstall";
  const std::wstring cache = machinePath_ + L"\\ARPCache";
  sources_ = {{HKEY_LOCAL_MACHINE, 0, uninstall, cache},
              {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, uninstall, cache},
              user_.Source()};
}

TSourceTrees::~TSourceTrees() {
  for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY)})
    win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, machinePath_, view);
}

void TSourceTrees::SetRaw(TPlace place, const std::wstring& subkey, const std::wstring& name,
                          DWORD type, const void* data, DWORD size, bool cache) {
  const TUninstallSource& source = sources_[place];
  const std::wstring path = (cache ? source.CacheKey : source.UninstallKey) + L"\\" + subkey;
  win::UniqueHKey key;
  if (RegCreateKeyExW(source.Root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | source.View,
                      nullptr, key.Put(), nullptr) != ERROR_SUCCESS ||
      RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
          ERROR_SUCCESS)
    throw std::runtime_error("cannot write test value");
}

void TSourceTrees::AddProgram(TPlace place, const std::wstring& subkey,
                              const std::wstring& displayName, const std::wstring& command) {
  for (auto [name, text] : {std::pair{L"DisplayName", &displayName},
                            std::pair{L"UninstallString", &command}})
    SetRaw(place, subkey, name, REG_SZ, text->c_str(),
           static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
}

bool TSourceTrees::Exists(TPlace place, const std::wstring& subkey) const {
  const TUninstallSource& source = sources_[place];
  win::UniqueHKey key;
  return RegOpenKeyExW(source.Root, (source.UninstallKey + L"\\" + subkey).c_str(), 0,
                       KEY_READ | source.View, key.Put()) == ERROR_SUCCESS;
}

TTempDir::TTempDir() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH, temp);
  path_ = win::WithTrailingBackslash(temp) + L"purgalot_test_" + UniqueName() + L"\\";
  CreateDirectoryW(path_.c_str(), nullptr);
}

TTempDir::~TTempDir() { RemoveTree(path_); }

std::wstring TTempDir::MakeFolder(const std::wstring& relative) {
  std::wstring full = path_;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t slash = relative.find(L'\\', start);
    full = path_ + relative.substr(0, slash);
    CreateDirectoryW(full.c_str(), nullptr);
    if (slash == std::wstring::npos) break;
    start = slash + 1;
  }
  return full;
}

std::wstring TTempDir::MakeFile(const std::wstring& relative, const std::string& content) {
  size_t slash = relative.rfind(L'\\');
  if (slash != std::wstring::npos) MakeFolder(relative.substr(0, slash));
  std::wstring full = path_ + relative;
  win::UniqueFile file(CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw std::runtime_error("cannot create test file");
  DWORD written = 0;
  WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  return full;
}

std::vector<BYTE> UsageRecord(int64_t size, FILETIME lastUsed, int32_t count,
                              const std::wstring& path, size_t length) {
  std::vector<BYTE> record(std::max<size_t>(length, 552), 0);
  int32_t header = 552;
  memcpy(&record[0], &header, 4);
  memcpy(&record[8], &size, 8);
  memcpy(&record[16], &lastUsed, 8);
  memcpy(&record[24], &count, 4);
  size_t units = std::min<size_t>(path.size(), 262);
  memcpy(&record[28], path.data(), units * sizeof(wchar_t));
  record.resize(length);
  return record;
}

FILETIME FileTimeOf(int year, int month, int day, int hour, int minute) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

std::wstring UserDate(int year, int month, int day) {
  SYSTEMTIME when{};
  when.wYear = static_cast<WORD>(year);
  when.wMonth = static_cast<WORD>(month);
  when.wDay = static_cast<WORD>(day);
  wchar_t text[80] = {};
  GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, 80, nullptr);
  return text;
}

std::wstring SystemExe(const wchar_t* name) {
  wchar_t folder[MAX_PATH + 1];
  GetSystemDirectoryW(folder, MAX_PATH);
  return win::WithTrailingBackslash(folder) + name;
}

std::wstring TestBinFolder() {
  wchar_t path[MAX_PATH + 1];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

}  // namespace testing_support

namespace testing_support {

std::string IconFileBytes(BYTE side, DWORD imageSize, const std::string& image, WORD count) {
  std::string file(6 + 16, '\0');
  file[2] = 1;  // an icon, not a cursor
  memcpy(&file[4], &count, 2);
  file[6] = static_cast<char>(side);
  file[7] = static_cast<char>(side);
  file[10] = 1;   // planes
  file[12] = 32;  // bits
  const DWORD offset = 6 + 16;
  memcpy(&file[14], &imageSize, 4);
  memcpy(&file[18], &offset, 4);
  return file + image;
}

void WriteIconFile(const std::wstring& path, COLORREF colour) {
  const int n = 16;
  std::vector<BYTE> image;
  auto put = [&image](const void* p, size_t size) {
    image.insert(image.end(), static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + size);
  };
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = n;
  header.biHeight = 2 * n;  // colour rows, then mask rows
  header.biPlanes = 1;
  header.biBitCount = 32;
  put(&header, sizeof header);
  for (int i = 0; i < n * n; ++i) {
    BYTE pixel[4] = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0xFF};
    put(pixel, 4);
  }
  std::vector<BYTE> mask(static_cast<size_t>(n) * 4, 0);  // rows padded to 32 bits
  put(mask.data(), mask.size());

  const std::string file = IconFileBytes(
      static_cast<BYTE>(n), static_cast<DWORD>(image.size()), std::string(image.begin(), image.end()));

  win::UniqueFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) throw std::runtime_error("cannot create icon file");
  DWORD written = 0;
  WriteFile(out.Get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
}

}  // namespace testing_support
