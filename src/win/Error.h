// TError: the exception type the Win32 layer knows. Whatever escapes a message handler is shown in
// the application's error box; an error of this type carries the exact text the user sees, so no
// round trip through a narrow what() string loses characters of a name in another script.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace win {

class TError : public std::runtime_error {
public:
  explicit TError(const std::wstring& message);
  const std::wstring& Message() const noexcept { return message_; }

private:
  std::wstring message_;
};

// The system's text for an error code, without its line break and closing full stop; empty when
// the system has none.
std::wstring SystemErrorText(DWORD error);

}  // namespace win
