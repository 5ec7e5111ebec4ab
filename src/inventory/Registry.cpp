#include "inventory/Registry.h"

#include "win/RegistryTree.h"
#include "win/Text.h"

#include <algorithm>

namespace {

const wchar_t kInvalidType[] = L"Invalid data type for '%s'";
const wchar_t kGetDataFailed[] = L"Failed to get data for '%s'";
const wchar_t kSetDataFailed[] = L"Failed to set data for '%s'";
const wchar_t kCreateKeyFailed[] = L"Failed to create key %s";

std::wstring Fill(const wchar_t* pattern, const std::wstring& name) {
  std::wstring text = pattern;
  text.replace(text.find(L"%s"), 2, name);
  return text;
}

[[noreturn]] void Raise(const wchar_t* pattern, const std::wstring& name) {
  throw ERegistryException(Fill(pattern, name));
}

}  // namespace

TRegDataType TRegValue::DataType() const noexcept {
  switch (RawType) {
    case REG_SZ: return TRegDataType::String;
    case REG_EXPAND_SZ: return TRegDataType::ExpandString;
    case REG_DWORD: return TRegDataType::Integer;
    case REG_BINARY: return TRegDataType::Binary;
    default: return TRegDataType::Unknown;
  }
}

std::wstring TRegValue::Text() const {
  size_t units = Data.size() / sizeof(wchar_t);
  std::wstring text(units, L'\0');
  if (units) memcpy(text.data(), Data.data(), units * sizeof(wchar_t));
  size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return text;
}

TRegistry::TRegistry(REGSAM view) noexcept : view_(view) {}

void TRegistry::SetRootKey(HKEY root) noexcept {
  CloseKey();
  root_ = root;
}

HKEY TRegistry::BaseFor(const std::wstring& path, std::wstring& relative) const {
  if (!path.empty() && path[0] == L'\\') {
    relative = path.substr(1);
    return root_;
  }
  relative = path;
  return current_ ? current_.Get() : root_;
}

bool TRegistry::Open(const std::wstring& path, REGSAM access, bool canCreate) {
  std::wstring relative;
  HKEY base = BaseFor(path, relative);
  bool fromCurrent = current_ && base == current_.Get();
  win::UniqueHKey key;
  LONG rc;
  if (canCreate)
    rc = RegCreateKeyExW(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access | view_,
                         nullptr, key.Put(), nullptr);
  else
    rc = RegOpenKeyExW(base, relative.c_str(), 0, access | view_, key.Put());
  if (rc != ERROR_SUCCESS) return false;
  std::wstring newPath = fromCurrent && !currentPath_.empty() ? currentPath_ + L"\\" + relative
                                                              : relative;
  current_ = std::move(key);
  currentPath_ = std::move(newPath);
  return true;
}

bool TRegistry::OpenKey(const std::wstring& path, bool canCreate) {
  return Open(path, KEY_ALL_ACCESS, canCreate);
}

bool TRegistry::OpenKeyReadOnly(const std::wstring& path) { return Open(path, KEY_READ, false); }

bool TRegistry::OpenSubKeyReadOnly(const TRegistry& parent, const std::wstring& name) {
  if (!parent.current_) return false;
  win::UniqueHKey key;
  // The parent's handle is in its view already; named again, the 32-bit view makes Wine look for
  // a redirected twin of every key opened, with further calls to its server.
  if (RegOpenKeyExW(parent.current_.Get(), name.c_str(), 0, KEY_READ, key.Put()) !=
      ERROR_SUCCESS)
    return false;
  root_ = parent.root_;
  current_ = std::move(key);
  currentPath_ = parent.currentPath_ + L"\\" + name;
  return true;
}

void TRegistry::CloseKey() noexcept {
  current_.Reset();
  currentPath_.clear();
}

bool TRegistry::CreateKey(const std::wstring& path) {
  std::wstring relative;
  HKEY base = BaseFor(path, relative);
  win::UniqueHKey key;
  if (RegCreateKeyExW(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS | view_, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
    Raise(kCreateKeyFailed, path);
  return true;
}

bool TRegistry::KeyExists(const std::wstring& path) const {
  std::wstring relative;
  HKEY base = BaseFor(path, relative);
  win::UniqueHKey key;
  return RegOpenKeyExW(base, relative.c_str(), 0, KEY_READ | view_, key.Put()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::wstring& path) {
  std::wstring relative;
  HKEY base = BaseFor(path, relative);
  return win::DeleteRegistryTree(base, relative, view_);
}

std::vector<std::wstring> TRegistry::GetKeyNames() const {
  std::vector<std::wstring> names;
  if (!current_) return names;
  DWORD count = 0, maxLen = 0;
  if (RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, &count, &maxLen, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  names.reserve(count);
  std::wstring buffer(std::max<DWORD>(maxLen, 255) + 1, L'\0');
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(buffer.size());
    LONG rc = RegEnumKeyExW(current_.Get(), i, buffer.data(), &len, nullptr, nullptr, nullptr,
                            nullptr);
    if (rc == ERROR_MORE_DATA) {  // a key added since the size was asked
      buffer.resize(buffer.size() * 2);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(buffer.data(), len);
  }
  return names;
}

std::vector<std::wstring> TRegistry::GetValueNames() const {
  std::vector<std::wstring> names;
  if (!current_) return names;
  DWORD count = 0, maxLen = 0;
  if (RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &maxLen, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::wstring buffer(std::max<DWORD>(maxLen, 255) + 1, L'\0');
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(buffer.size());
    LONG rc = RegEnumValueW(current_.Get(), i, buffer.data(), &len, nullptr, nullptr, nullptr,
                            nullptr);
    if (rc == ERROR_MORE_DATA) {
      buffer.resize(buffer.size() * 2);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(buffer.data(), len);
  }
  return names;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info) const {
  info = {};
  if (!current_) return false;
  return RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, &info.NumSubKeys,
                          &info.MaxSubKeyLen, nullptr, &info.NumValues, &info.MaxValueLen,
                          &info.MaxDataLen, nullptr, &info.FileTime) == ERROR_SUCCESS;
}

std::optional<TRegValue> TRegistry::ReadValue(const std::wstring& name) const {
  if (!current_) return std::nullopt;
  TRegValue value;
  // Most values fit the first buffer, so one round trip usually answers type, size and data.
  value.Data.resize(1024);
  for (;;) {
    DWORD size = static_cast<DWORD>(value.Data.size());
    LONG rc = RegQueryValueExW(current_.Get(), name.c_str(), nullptr, &value.RawType,
                               value.Data.data(), &size);
    if (rc == ERROR_MORE_DATA) {
      value.Data.resize(size);
      continue;
    }
    if (rc != ERROR_SUCCESS) return std::nullopt;
    value.Data.resize(size);
    return value;
  }
}

std::vector<std::optional<TRegValue>> TRegistry::ReadValues(
    const std::vector<const wchar_t*>& names) const {
  std::vector<std::optional<TRegValue>> values(names.size());
  if (!current_) return values;
  auto byName = [&] {
    for (size_t i = 0; i < names.size(); ++i) values[i] = ReadValue(names[i]);
    return std::move(values);
  };
  DWORD count = 0, maxName = 0, maxData = 0;
  if (RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS ||
      count > names.size())
    return byName();
  std::wstring name(maxName + 1, L'\0');
  std::vector<BYTE> data(std::max<DWORD>(maxData, 1));
  for (DWORD index = 0; index < count; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    LONG rc = RegEnumValueW(current_.Get(), index, name.data(), &nameLength, nullptr, &type,
                            data.data(), &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;  // values deleted since the count was taken
    // A value written since has outgrown the sizes taken: the names answer for a changing key.
    if (rc != ERROR_SUCCESS) return byName();
    for (size_t i = 0; i < names.size(); ++i) {
      if (values[i] || CompareStringOrdinal(name.data(), static_cast<int>(nameLength), names[i], -1,
                                            TRUE) != CSTR_EQUAL)
        continue;
      values[i] = TRegValue{type, std::vector<BYTE>(data.begin(), data.begin() + size)};
      break;
    }
  }
  return values;
}

std::vector<TNamedValue> TRegistry::ReadAllValues() const {
  std::vector<TNamedValue> values;
  DWORD count = 0, maxName = 0, maxData = 0;
  if (!current_ || RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, &count, &maxName, &maxData, nullptr,
                                    nullptr) != ERROR_SUCCESS)
    return values;
  values.reserve(count);
  std::wstring name(std::max<DWORD>(maxName, 255) + 1, L'\0');
  std::vector<BYTE> data(std::max<DWORD>(maxData, 1));
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    LONG rc = RegEnumValueW(current_.Get(), index, name.data(), &nameLength, nullptr, &type,
                            data.data(), &size);
    // A value written since the sizes were taken: the same index again with more room.
    if (rc == ERROR_MORE_DATA && size > data.size()) {
      data.resize(size);
      continue;
    }
    if (rc == ERROR_MORE_DATA && name.size() < 32768) {
      name.resize(32768);  // the longest name a value can have, and its terminator
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    values.push_back({std::wstring(name.data(), nameLength),
                      TRegValue{type, std::vector<BYTE>(data.begin(), data.begin() + size)}});
    ++index;
  }
  return values;
}

bool TRegistry::ValueExists(const std::wstring& name) const {
  return current_ && RegQueryValueExW(current_.Get(), name.c_str(), nullptr, nullptr, nullptr,
                                      nullptr) == ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const std::wstring& name) const {
  DWORD type = REG_NONE;
  if (!current_ || RegQueryValueExW(current_.Get(), name.c_str(), nullptr, &type, nullptr,
                                    nullptr) != ERROR_SUCCESS)
    return TRegDataType::Unknown;
  return TRegValue{type, {}}.DataType();
}

int TRegistry::GetDataSize(const std::wstring& name) const {
  DWORD size = 0;
  if (!current_ || RegQueryValueExW(current_.Get(), name.c_str(), nullptr, nullptr, nullptr,
                                    &size) != ERROR_SUCCESS)
    return -1;
  return static_cast<int>(size);
}

std::wstring TRegistry::ReadString(const std::wstring& name) const {
  auto value = ReadValue(name);
  if (!value || value->Data.empty()) return {};
  if (!value->IsText()) Raise(kInvalidType, name);
  return value->Text();
}

int TRegistry::ReadInteger(const std::wstring& name) const {
  auto value = ReadValue(name);
  if (!value) Raise(kGetDataFailed, name);
  if (value->RawType != REG_DWORD) Raise(kInvalidType, name);
  if (value->Data.size() < sizeof(DWORD)) Raise(kGetDataFailed, name);
  int result;
  memcpy(&result, value->Data.data(), sizeof result);
  return result;
}

int TRegistry::ReadBinaryData(const std::wstring& name, void* buffer, int bufferSize) const {
  auto value = ReadValue(name);
  if (!value) return 0;
  auto type = value->DataType();
  int size = static_cast<int>(value->Data.size());
  if ((type != TRegDataType::Binary && type != TRegDataType::Unknown) || size > bufferSize)
    Raise(kInvalidType, name);
  if (size) memcpy(buffer, value->Data.data(), static_cast<size_t>(size));
  return size;
}

void TRegistry::WriteData(const std::wstring& name, DWORD type, const void* data, DWORD size) {
  if (!current_ || RegSetValueExW(current_.Get(), name.c_str(), 0, type,
                                  static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
    Raise(kSetDataFailed, name);
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& text) {
  WriteData(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void TRegistry::WriteExpandString(const std::wstring& name, const std::wstring& text) {
  WriteData(name, REG_EXPAND_SZ, text.c_str(),
            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void TRegistry::WriteInteger(const std::wstring& name, int value) {
  WriteData(name, REG_DWORD, &value, sizeof value);
}

void TRegistry::WriteBinaryData(const std::wstring& name, const void* data, int size) {
  WriteData(name, REG_BINARY, data, static_cast<DWORD>(size));
}

bool TRegistry::DeleteValue(const std::wstring& name) {
  return current_ && RegDeleteValueW(current_.Get(), name.c_str()) == ERROR_SUCCESS;
}
