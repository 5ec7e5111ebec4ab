// Text helpers shared by the whole program: UTF-16 inside, UTF-8 only where files are written.
#pragma once

#include <string>
#include <string_view>

namespace win {

std::string ToUtf8(std::wstring_view text);
// Decodes UTF-8; returns false (and leaves out untouched) when the bytes are not valid UTF-8.
bool TryFromUtf8(std::string_view bytes, std::wstring& out);
// Decodes text in the system's ANSI code page.
std::wstring FromAnsi(std::string_view bytes);

std::wstring ToLower(std::wstring_view text);
// True when text begins with prefix, compared without regard to letter case.
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
// Removes blanks and control characters (code points up to U+0020) from both ends.
std::wstring Trim(std::wstring_view text);
// The text as one line of a line-based file: CR, LF and every other control character become a
// space, so a field can never start a line of its own.
std::wstring SingleLine(std::wstring_view text);
// Adds a trailing backslash unless the text already ends in one.
std::wstring WithTrailingBackslash(std::wstring text);
// The date in the user's short date format; empty when the platform cannot format it.
std::wstring ShortDate(int year, int month, int day);
// A date recorded as YYYY-MM-DD in the user's short date format; any other text as it is.
std::wstring ShownRecordedDate(const std::wstring& recorded);
// Expands %VARIABLE% references with the process environment; the text unchanged on failure.
std::wstring ExpandEnvironment(const std::wstring& text);

}  // namespace win
