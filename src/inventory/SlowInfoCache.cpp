#include "inventory/SlowInfoCache.h"

#include <cstdio>
#include <cstring>

const wchar_t kArpCacheKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";

namespace {

const wchar_t kValueName[] = L"SlowInfoCache";
const wchar_t kUnknown[] = L"(Unknown)";

template <class T>
T ReadAt(const BYTE* record, size_t offset) {
  T value;
  memcpy(&value, record + offset, sizeof value);
  return value;
}

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t buffer[8] = {};
  return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 8) ? buffer : fallback;
}

}  // namespace

TInfoCache::TInfoCache(HKEY root, REGSAM view, std::wstring cacheKey)
    : reg_(view), cacheKey_(std::move(cacheKey)) {
  reg_.SetRootKey(root);
}

bool TInfoCache::ReadInfo(const std::wstring& keyName) {
  // Read access is all a record needs; asking for more would hide every record from a user
  // without administrator rights.
  if (!reg_.OpenKeyReadOnly(L"\\" + cacheKey_ + L"\\" + keyName)) {
    reg_.CloseKey();
    return false;
  }
  return ReadOpenKey();
}

bool TInfoCache::ReadInfo(const TRegistry& cacheKey, const std::wstring& keyName) {
  if (!reg_.OpenSubKeyReadOnly(cacheKey, keyName)) return false;
  return ReadOpenKey();
}

bool TInfoCache::ReadOpenKey() {
  auto value = reg_.ReadValue(kValueName);
  reg_.CloseKey();
  if (!value || value->Data.size() != kRecordSize || value->RawType != REG_BINARY) return false;

  const BYTE* record = value->Data.data();
  const int64_t bytes = ReadAt<int64_t>(record, 8);
  const FILETIME time = ReadAt<FILETIME>(record, 16);
  const int32_t count = ReadAt<int32_t>(record, 24);
  size_ = FormatSize(bytes);
  lastUsed_ = FormatLastUsed(time);
  frequency_ = FormatFrequency(count);
  sizeBytes_ = bytes > 0 ? bytes : 0;
  if (lastUsed_.empty())
    lastUsedKey_ = 0;
  else if (lastUsed_ == kUnknown)
    lastUsedKey_ = 1;
  else
    lastUsedKey_ = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  useCount_ = count < 0 ? -1 : count;
  // The path runs to its first NUL unit, and never past the record's end.
  constexpr size_t kPathUnits = (kRecordSize - 28) / sizeof(wchar_t);
  std::wstring path(kPathUnits, L'\0');
  memcpy(path.data(), record + 28, kPathUnits * sizeof(wchar_t));
  path.resize(wcsnlen(path.c_str(), kPathUnits));
  imagePath_ = std::move(path);
  return true;
}

std::wstring TInfoCache::FormatSize(int64_t bytes) {
  if (bytes <= 0) return {};
  char number[64];
  snprintf(number, sizeof number, "%.2f", static_cast<double>(bytes) / 1048576.0);
  std::wstring plain(number, number + strlen(number));

  std::wstring decimal = LocaleText(LOCALE_SDECIMAL, L".");
  std::wstring thousand = LocaleText(LOCALE_STHOUSAND, L",");
  NUMBERFMTW format{};
  format.NumDigits = 2;
  format.LeadingZero = 1;
  format.Grouping = 3;
  format.lpDecimalSep = decimal.data();
  format.lpThousandSep = thousand.data();
  format.NegativeOrder = 1;
  wchar_t out[80] = {};
  if (!GetNumberFormatW(LOCALE_USER_DEFAULT, 0, plain.c_str(), &format, out, 80)) return plain + L" MB";
  return std::wstring(out) + L" MB";
}

std::wstring TInfoCache::FormatLastUsed(const FILETIME& time) {
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0) return {};
  if (time.dwLowDateTime == 0xFFFFFFFF && time.dwHighDateTime == 0xFFFFFFFF) return kUnknown;
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &st)) return kUnknown;
  if (st.wYear < 1 || st.wYear > 9999) return kUnknown;
  wchar_t text[16];
  swprintf(text, 16, L"%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
  return text;
}

std::wstring TInfoCache::FormatFrequency(int32_t count) {
  if (count < 0) return {};
  if (count <= 2) return L"rarely";
  if (count <= 10) return L"occasionally";
  return L"frequently";
}
