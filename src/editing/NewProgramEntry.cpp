#include "editing/NewProgramEntry.h"

namespace {

const wchar_t kNamePrefix[] = L"NewProgram";

bool SameName(const std::wstring& a, const std::wstring& b) {
  // Registry key names compare like this: ordinal, letter case ignored.
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring RootName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
  if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
  if (root == HKEY_USERS) return L"HKEY_USERS";
  if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
  return L"HKEY_CURRENT_CONFIG";
}

}  // namespace

TNewProgramEntry::TNewProgramEntry(const TUninstallSource& source) : source_(source) {
  TRegistry registry(source_.View);
  registry.SetRootKey(source_.Root);
  std::vector<std::wstring> names;
  if (registry.OpenKeyReadOnly(L"\\" + source_.UninstallKey)) names = registry.GetKeyNames();
  generated_ = FirstFreeName(names);
}

std::wstring TNewProgramEntry::FirstFreeName(const std::vector<std::wstring>& taken) {
  for (size_t number = 1;; ++number) {
    std::wstring name = kNamePrefix + std::to_wstring(number);
    bool used = false;
    for (const auto& t : taken) used = used || SameName(t, name);
    if (!used) return name;
  }
}

std::wstring TNewProgramEntry::FullPath(const std::wstring& keyName) const {
  return RootName(source_.Root) + L"\\" + source_.UninstallKey + L"\\" + keyName;
}

TNewProgramResult TNewProgramEntry::Create(const std::wstring& keyName,
                                           const TNewProgramFields& fields) {
  if (fields.Reg.empty() || fields.Name.empty() || fields.Uninstall.empty())
    return TNewProgramResult::MissingField;
  TRegistry registry(source_.View);
  registry.SetRootKey(source_.Root);
  const std::wstring path = L"\\" + source_.UninstallKey + L"\\" + keyName;
  if (registry.KeyExists(path)) return TNewProgramResult::AlreadyExists;
  try {
    registry.CreateKey(path);
  } catch (const ERegistryException&) {
    return TNewProgramResult::CannotCreate;
  }
  try {
    if (!registry.OpenKey(path, false)) throw ERegistryException(L"Failed to open key " + path);
    registry.WriteString(L"DisplayName", fields.Name);
    if (!fields.DisplayIcon.empty()) registry.WriteString(L"DisplayIcon", fields.DisplayIcon);
    registry.WriteString(L"UninstallString", fields.Uninstall);
  } catch (...) {
    // A half-written entry would block the next try as "already exists": the key is ours.
    registry.CloseKey();
    registry.DeleteKey(path);
    throw;
  }
  return TNewProgramResult::Created;
}
