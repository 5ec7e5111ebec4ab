// The clipboard, as the program uses it: text put on it in one call.
#pragma once

#include <windows.h>

#include <string_view>

namespace win {

// Replaces the clipboard's contents with the text; false when the clipboard could not be had.
bool CopyTextToClipboard(HWND owner, std::wstring_view text);

}  // namespace win
