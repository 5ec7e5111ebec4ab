#include "assisted/ProtectedPlaces.h"

#include <cwctype>

bool IsProtectedPath(const std::wstring& path) {
  // A drive root in any spelling: "C:", "C:\", "c:\\".
  if (path.size() >= 2 && std::iswalpha(path[0]) && path[1] == L':' &&
      path.find_first_not_of(L"\\/", 2) == std::wstring::npos)
    return true;
  return path.empty();
}

bool IsProtectedKey(HKEY, const std::wstring& path) {
  return path.find_first_not_of(L'\\') == std::wstring::npos;
}
