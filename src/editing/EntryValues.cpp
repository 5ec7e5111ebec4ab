#include "editing/EntryValues.h"

#include <cstdint>
#include <cstring>
#include <cwctype>

namespace {

// A name as the registry compares names: letter case ignored. Plain ASCII, as nearly every value
// name is, is folded here; an entry may hold thousands of names.
std::wstring FoldedName(const std::wstring& name) {
  std::wstring folded = name;
  bool ascii = true;
  for (wchar_t& c : folded) {
    if (c >= 0x80) {
      ascii = false;
      break;
    }
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  if (!ascii)
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(),
                  static_cast<int>(name.size()), folded.data(), static_cast<int>(folded.size()),
                  nullptr, nullptr, 0);
  return folded;
}

// The text a value is shown with and whether writing that text back gives the same bytes.
TValueRow Shown(const std::wstring& name, const TRegValue& value) {
  const std::vector<BYTE>& data = value.Data;
  if (value.IsText()) {
    std::wstring text = value.Text();
    const bool exact = data.size() == (text.size() + 1) * sizeof(wchar_t) &&
                       data[data.size() - 1] == 0 && data[data.size() - 2] == 0;
    return {name, std::move(text), !exact};
  }
  if (value.RawType == REG_DWORD && !data.empty() && data.size() <= sizeof(uint64_t)) {
    uint64_t bits = 0;
    memcpy(&bits, data.data(), data.size());
    std::wstring text;
    if (data.size() == sizeof(int32_t)) text = std::to_wstring(static_cast<int32_t>(bits));
    else if (data.size() == sizeof(int64_t)) text = std::to_wstring(static_cast<int64_t>(bits));
    else text = std::to_wstring(bits);
    return {name, std::move(text), data.size() != sizeof(int32_t)};
  }
  return {name, TEntryValues::kHidden, true};
}

}  // namespace

bool TEntryValues::Load(HKEY root, REGSAM view, const std::wstring& keyPath) {
  loaded_.clear();
  types_.clear();
  shown_.clear();
  byName_.clear();
  registry_.emplace(view);
  registry_->SetRootKey(root);
  if (!registry_->OpenKey(keyPath, false)) return false;
  for (const TNamedValue& value : registry_->ReadAllValues()) {
    byName_.emplace(FoldedName(value.Name), shown_.size());
    loaded_.push_back(value.Name);
    types_.push_back(value.Value.RawType);
    shown_.push_back(Shown(value.Name, value.Value));
  }
  return true;
}

std::optional<size_t> TEntryValues::LoadedIndex(const std::wstring& name) const {
  const auto found = byName_.find(FoldedName(name));
  if (found == byName_.end()) return std::nullopt;
  return found->second;
}

DWORD TEntryValues::LoadedType(const std::wstring& name) const {
  const std::optional<size_t> i = LoadedIndex(name);
  return i ? types_[*i] : REG_NONE;
}

std::wstring TEntryValues::ValueText(const std::wstring& name) const {
  if (!LoadedIndex(name) || !registry_) return kHidden;
  const std::optional<TRegValue> value = registry_->ReadValue(name);
  return value ? Shown(name, *value).Value : kHidden;
}

std::vector<TValueRow> TEntryValues::Rows() const {
  std::vector<TValueRow> rows(1);
  size_t r = 0;
  for (size_t i = 0; i < shown_.size(); ++i) {
    const TValueRow& shown = shown_[i];
    if (shown.Value == kHidden) continue;
    rows[r] = shown;
    if (!shown.Name.empty() || !shown.Value.empty()) ++r;
    // A row waits for the next value shown, so hidden last names leave one empty row at the end.
    if (i + 1 < shown_.size() && r == rows.size()) rows.emplace_back();
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

bool TEntryValues::Unchanged(const TValueRow& row) const {
  const std::optional<size_t> i = LoadedIndex(row.Name);
  return i && shown_[*i].Value != kHidden && shown_[*i].Value == row.Value;
}

void TEntryValues::Save(const std::vector<TValueRow>& rows,
                        const std::vector<std::wstring>& deleted) {
  // A row written back as it was shown could still change the stored bytes: only the user's
  // changes are written.
  for (const TValueRow& row : rows)
    if (!row.Name.empty() && !row.ReadOnly && !Unchanged(row)) WriteValue(row);
  if (!registry_) return;
  for (const std::wstring& name : deleted) registry_->DeleteValue(name);
}
