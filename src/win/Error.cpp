#include "win/Error.h"

#include "win/Text.h"

namespace win {

TError::TError(const std::wstring& message)
    : std::runtime_error(ToUtf8(message)), message_(message) {}

}  // namespace win
