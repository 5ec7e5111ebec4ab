// Icons made in code: a rounded square in a brand colour with a letter, at 16, 32 and 48 pixels,
// 32-bit colour with alpha. Written as .ico files or stamped into executables as resources.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct IconLook {
  wchar_t letter = L'A';  // A-Z; anything else draws a plain square
  COLORREF colour = RGB(40, 110, 200);
};

// The bytes of an .ico file.
std::vector<uint8_t> MakeIconFile(const IconLook& look);
// Replaces the executable's icons with this one (group 1, the one shells show first).
bool StampExeIcon(const std::wstring& exePath, const IconLook& look);
// Gives the executable the manifest (resource 1).
bool StampExeManifest(const std::wstring& exePath, const std::string& manifest);

}  // namespace demo
