#include "widgets/ExeListView.h"

#include "inventory/Utils.h"

#include <commctrl.h>

void TExeListView::Create(HWND parent, int x, int y, int width, int height, int id) {
  CreateList(parent, x, y, width, height, id, true);
}

bool TExeListView::AddFile(const std::wstring& path) {
  if (!TUtils::FileExists(path)) return false;
  AddRow(Caption(path), GetIconIndex(path), path, std::wstring(), true);
  return true;
}

void TExeListView::RemoveSelected() {
  // From the end, so the positions still to visit do not move.
  for (int i = Count() - 1; i >= 0; --i)
    if (ListView_GetItemState(Handle(), i, LVIS_SELECTED) & LVIS_SELECTED)
      ListView_DeleteItem(Handle(), i);
}
