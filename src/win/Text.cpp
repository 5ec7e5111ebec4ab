#include "win/Text.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace win {

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

bool TryFromUtf8(std::string_view bytes, std::wstring& out) {
  if (bytes.empty()) {
    out.clear();
    return true;
  }
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                              static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return false;
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                      text.data(), n);
  out = std::move(text);
  return true;
}

std::wstring FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::wstring ToLower(std::wstring_view text) {
  std::wstring out(text);
  if (!out.empty()) CharLowerBuffW(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && ToLower(a) == ToLower(b);
}

std::wstring Trim(std::wstring_view text) {
  size_t first = 0, last = text.size();
  while (first < last && text[first] <= L' ') ++first;
  while (last > first && text[last - 1] <= L' ') --last;
  return std::wstring(text.substr(first, last - first));
}

std::wstring SingleLine(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out)
    if (c < L' ' || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029) c = L' ';
  return out;
}

std::wstring WithTrailingBackslash(std::wstring text) {
  if (text.empty() || text.back() != L'\\') text += L'\\';
  return text;
}

std::wstring ShortDate(int year, int month, int day) {
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > 31) return {};
  SYSTEMTIME when{};
  when.wYear = static_cast<WORD>(year);
  when.wMonth = static_cast<WORD>(month);
  when.wDay = static_cast<WORD>(day);
  wchar_t text[80] = {};
  if (!GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, 80,
                       nullptr))
    return {};
  return text;
}

std::wstring ShownRecordedDate(const std::wstring& recorded) {
  int year = 0, month = 0, day = 0, end = 0;
  if (swscanf(recorded.c_str(), L"%4d-%2d-%2d%n", &year, &month, &day, &end) != 3 ||
      static_cast<size_t>(end) != recorded.size() || recorded.size() != 10)
    return recorded;
  std::wstring shown = ShortDate(year, month, day);
  return shown.empty() ? recorded : shown;
}

std::wstring ExpandEnvironment(const std::wstring& text) {
  DWORD n = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (n == 0) return text;
  std::vector<wchar_t> buf(n);
  DWORD written = ExpandEnvironmentStringsW(text.c_str(), buf.data(), n);
  if (written == 0 || written > n) return text;
  return std::wstring(buf.data());
}

}  // namespace win
