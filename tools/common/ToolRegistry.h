// Registry helpers for the tools: keys are opened in an explicit view and handed back owned.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace tools {

// view: 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
win::UniqueHKey CreateKey(HKEY root, const std::wstring& path, REGSAM view = 0);
win::UniqueHKey OpenKey(HKEY root, const std::wstring& path, REGSAM access, REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
// Deletes parent\name with everything below it; true when it is gone afterwards.
bool DeleteKeyTree(HKEY root, const std::wstring& parent, const std::wstring& name,
                   REGSAM view = 0);
std::vector<std::wstring> SubKeyNames(HKEY key);

bool SetValue(HKEY key, const std::wstring& name, DWORD type, const void* data, size_t size);
bool SetString(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);
bool SetDword(HKEY key, const std::wstring& name, DWORD value);

// "HKLM" / "HKCU" (and the long forms) to the predefined key; nullptr when unknown.
HKEY ParseRoot(const std::wstring& name);

}  // namespace tools
