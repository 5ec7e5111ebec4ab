#include "assisted/DeleteItem.h"

#include "assisted/ProtectedPlaces.h"

TDeleteRow MakeDeleteRow(const std::wstring& kind, HKEY root, const std::wstring& path) {
  TDeleteRow row;
  row.Kind = kind;
  bool key = CompareStringOrdinal(kind.c_str(), -1, kKindRegistry, -1, TRUE) == CSTR_EQUAL;
  row.Item.RootKey = key ? root : nullptr;
  row.Item.Path = path;
  row.Protected = key ? IsProtectedKey(root, path) : IsProtectedPath(path);
  row.Checked = !row.Protected;
  row.SubItems = {path, row.Protected ? kStatusProtected : kStatusToDelete};
  return row;
}

TDeleteRow MakeValueRow(HKEY root, const std::wstring& path, const std::wstring& valueName,
                        const std::wstring& shown) {
  TDeleteRow row;
  row.Kind = kKindValue;
  row.Item = {root, path, valueName};
  row.Protected = AreValuesProtected(root, path);
  row.Checked = !row.Protected;
  row.SubItems = {shown, row.Protected ? kStatusProtected : kStatusToDelete};
  return row;
}
