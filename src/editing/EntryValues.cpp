#include "editing/EntryValues.h"

#include <cstring>
#include <cwctype>

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool TEntryValues::Load(HKEY root, REGSAM view, const std::wstring& keyPath) {
  loaded_.clear();
  types_.clear();
  registry_.emplace(view);
  registry_->SetRootKey(root);
  if (!registry_->OpenKey(keyPath, false)) return false;
  loaded_ = registry_->GetValueNames();
  for (const std::wstring& name : loaded_) {
    const std::optional<TRegValue> value = registry_->ReadValue(name);
    types_.push_back(value ? value->RawType : REG_NONE);
  }
  return true;
}

DWORD TEntryValues::LoadedType(const std::wstring& name) const {
  for (size_t i = 0; i < loaded_.size(); ++i)
    if (SameName(loaded_[i], name)) return types_[i];
  return REG_NONE;
}

std::wstring TEntryValues::ValueText(const std::wstring& name) const {
  bool isLoaded = false;
  for (const std::wstring& loaded : loaded_) isLoaded = isLoaded || SameName(loaded, name);
  if (!isLoaded || !registry_) return kHidden;
  const std::optional<TRegValue> value = registry_->ReadValue(name);
  if (!value) return kHidden;
  if (value->IsText()) return value->Text();
  if (value->RawType == REG_DWORD && value->Data.size() >= sizeof(int)) {
    int number = 0;
    memcpy(&number, value->Data.data(), sizeof number);
    return std::to_wstring(number);
  }
  return kHidden;
}

std::vector<TValueRow> TEntryValues::Rows() const {
  std::vector<TValueRow> rows(1);
  size_t r = 0;
  for (size_t i = 0; i < loaded_.size(); ++i) {
    const std::wstring& name = loaded_[i];
    const std::wstring text = ValueText(name);
    if (text == kHidden) continue;
    rows[r] = TValueRow{name, text};
    if (!name.empty() || !text.empty()) ++r;
    // A row waits for the next value shown, so hidden last names leave one empty row at the end.
    if (i + 1 < loaded_.size() && r == rows.size()) rows.emplace_back();
  }
  return rows;
}

bool TEntryValues::ParseInteger(const std::wstring& text, int& value) {
  size_t i = 0;
  while (i < text.size() && iswspace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  unsigned base = 10;
  if (text.compare(i, 2, L"0x") == 0 || text.compare(i, 2, L"0X") == 0) {
    base = 16;
    i += 2;
  } else if (i < text.size() && text[i] == L'$') {
    base = 16;
    ++i;
  }
  if (i == text.size()) return false;
  unsigned long long number = 0;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    unsigned digit;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (base == 16 && c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (base == 16 && c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    else return false;
    number = number * base + digit;
    if (number > 0xFFFFFFFFull) return false;
  }
  if (negative && number > 0x80000000ull) return false;
  const unsigned bits = static_cast<unsigned>(negative ? 0 - number : number);
  value = static_cast<int>(bits);
  return true;
}

void TEntryValues::WriteValue(const TValueRow& row) {
  if (!registry_) return;
  switch (LoadedType(row.Name)) {
    case REG_DWORD: {
      int number = 0;
      if (ParseInteger(row.Value, number)) registry_->WriteInteger(row.Name, number);
      break;
    }
    case REG_EXPAND_SZ:  // a plain string would no longer expand its variables
      registry_->WriteExpandString(row.Name, row.Value);
      break;
    default: registry_->WriteString(row.Name, row.Value);
  }
}

void TEntryValues::Save(const std::vector<TValueRow>& rows,
                        const std::vector<std::wstring>& deleted) {
  for (const TValueRow& row : rows)
    if (!row.Name.empty()) WriteValue(row);
  if (!registry_) return;
  for (const std::wstring& name : deleted) registry_->DeleteValue(name);
}
