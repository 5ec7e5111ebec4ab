#include "assisted/DeleteItem.h"

#include "assisted/ProtectedPlaces.h"

TDeleteRow MakeDeleteRow(const std::wstring& kind, HKEY root, const std::wstring& path) {
  TDeleteRow row;
  row.Kind = kind;
  row.Item.RootKey = CompareStringOrdinal(kind.c_str(), -1, kKindRegistry, -1, TRUE) == CSTR_EQUAL
                         ? root
                         : nullptr;
  row.Item.Path = path;
  row.Protected = row.Item.RootKey ? IsProtectedKey(root, path) : IsProtectedPath(path);
  row.Checked = !row.Protected;
  row.SubItems = {path, row.Protected ? kStatusProtected : kStatusToDelete};
  return row;
}
