// Deleting a registry key with everything below it, the one way every part of the program
// deletes keys.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// Deletes the key `path` below `parent` and everything under it, deepest first, each key's
// subkeys from the last index down. A registry link is deleted as a link: it is never descended
// through, so the key it points to, anywhere in the registry, stays as it is. That holds for the
// key named by `path` too. `view` is 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY. Returns whether the
// key itself was deleted; an empty path never names `parent`.
bool DeleteRegistryTree(HKEY parent, const std::wstring& path, REGSAM view = 0);

}  // namespace win
