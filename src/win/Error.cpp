#include "win/Error.h"

#include "win/Text.h"

namespace win {

TError::TError(const std::wstring& message)
    : std::runtime_error(ToUtf8(message)), message_(message) {}

std::wstring SystemErrorText(DWORD error) {
  wchar_t buffer[512] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, buffer, 512, nullptr);
  std::wstring text(buffer, length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.' ||
                           text.back() == L' '))
    text.pop_back();
  return text;
}

}  // namespace win
