// The places the program never deletes, whatever the user ticked: the one decision every
// deletion row passes through.
#pragma once

#include <windows.h>

#include <string>

// Whether a folder or file path names a protected place of the file system.
bool IsProtectedPath(const std::wstring& path);
// Whether a key path (from `root`, with a leading backslash, empty for the root itself) names a
// protected key.
bool IsProtectedKey(HKEY root, const std::wstring& path);
