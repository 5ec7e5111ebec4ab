#include "common/ToolRegistry.h"

namespace tools {

win::UniqueHKey CreateKey(HKEY root, const std::wstring& path, REGSAM view) {
  win::UniqueHKey key;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE | view, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
    key.Reset();
  return key;
}

win::UniqueHKey OpenKey(HKEY root, const std::wstring& path, REGSAM access, REGSAM view) {
  win::UniqueHKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, access | view, key.Put()) != ERROR_SUCCESS) key.Reset();
  return key;
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  return static_cast<bool>(OpenKey(root, path, KEY_READ, view));
}

bool DeleteKeyTree(HKEY root, const std::wstring& parent, const std::wstring& name, REGSAM view) {
  if (name.empty()) return false;  // never the parent itself
  win::UniqueHKey parentKey = OpenKey(root, parent, KEY_READ | KEY_WRITE | DELETE, view);
  if (!parentKey) return true;
  const LSTATUS status = RegDeleteTreeW(parentKey.Get(), name.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::vector<std::wstring> SubKeyNames(HKEY key) {
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    const LSTATUS status = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

bool SetValue(HKEY key, const std::wstring& name, DWORD type, const void* data, size_t size) {
  return RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                        static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

bool SetString(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type) {
  return SetValue(key, name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

bool SetDword(HKEY key, const std::wstring& name, DWORD value) {
  return SetValue(key, name, REG_DWORD, &value, sizeof value);
}

HKEY ParseRoot(const std::wstring& name) {
  if (CompareStringOrdinal(name.c_str(), -1, L"HKLM", -1, TRUE) == CSTR_EQUAL ||
      CompareStringOrdinal(name.c_str(), -1, L"HKEY_LOCAL_MACHINE", -1, TRUE) == CSTR_EQUAL)
    return HKEY_LOCAL_MACHINE;
  if (CompareStringOrdinal(name.c_str(), -1, L"HKCU", -1, TRUE) == CSTR_EQUAL ||
      CompareStringOrdinal(name.c_str(), -1, L"HKEY_CURRENT_USER", -1, TRUE) == CSTR_EQUAL)
    return HKEY_CURRENT_USER;
  return nullptr;
}

}  // namespace tools
