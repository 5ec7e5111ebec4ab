#include "app/ProgramListView.h"

#include <stdexcept>

namespace {

const DWORD kViewStyles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};

}  // namespace

void TProgramListView::Create(HWND parent, int id,
                              const std::vector<std::pair<std::wstring, int>>& columns) {
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_ICON |
                              LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL |
                              LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) throw std::runtime_error("Cannot create the program list");
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER |
                                               LVS_EX_LABELTIP | LVS_EX_INFOTIP);
  // The state image (the warning marker) comes from the rows as well.
  ListView_SetCallbackMask(hwnd_, LVIS_STATEIMAGEMASK);
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(columns[i].first.c_str());
    column.cx = columns[i].second;
    column.iSubItem = static_cast<int>(i);
    ListView_InsertColumn(hwnd_, static_cast<int>(i), &column);
  }
}

void TProgramListView::SetImageLists(HIMAGELIST large, HIMAGELIST small, HIMAGELIST state) {
  ListView_SetImageList(hwnd_, large, LVSIL_NORMAL);
  ListView_SetImageList(hwnd_, small, LVSIL_SMALL);
  ListView_SetImageList(hwnd_, state, LVSIL_STATE);
}

void TProgramListView::DeleteColumn(int column) { ListView_DeleteColumn(hwnd_, column); }

int TProgramListView::Selected() const {
  return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
}

void TProgramListView::Select(int index, bool ensureVisible) {
  ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (index < 0 || index >= static_cast<int>(programs_.Count())) return;
  ListView_SetItemState(hwnd_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetSelectionMark(hwnd_, index);
  if (ensureVisible) ListView_EnsureVisible(hwnd_, index, FALSE);
}

void TProgramListView::ClearSelection() {
  ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
}

TProgramRow* TProgramListView::SelectedRow() {
  int index = Selected();
  if (index < 0 || index >= static_cast<int>(programs_.Count())) return nullptr;
  return &programs_.Row(static_cast<size_t>(index));
}

void TProgramListView::Reload() {
  ListView_SetItemCountEx(hwnd_, static_cast<int>(programs_.Count()), 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

bool TProgramListView::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.hwndFrom != hwnd_) return false;
  result = 0;
  if (header.code == LVN_GETDISPINFOW)
    GetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
  return header.code == LVN_GETDISPINFOW;
}

void TProgramListView::GetDispInfo(NMLVDISPINFOW& info) {
  LVITEMW& item = info.item;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= programs_.Count()) return;
  TProgramRow& row = programs_.Row(static_cast<size_t>(item.iItem));
  if (item.mask & LVIF_TEXT) {
    const std::wstring* text = nullptr;
    if (item.iSubItem == 0)
      text = &row.Caption;
    else if (static_cast<size_t>(item.iSubItem - 1) < row.SubItems.size())
      text = &row.SubItems[static_cast<size_t>(item.iSubItem - 1)];
    if (item.cchTextMax > 0) lstrcpynW(item.pszText, text ? text->c_str() : L"", item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = row.ImageIndex();
  if (item.mask & LVIF_STATE) {
    item.state = INDEXTOSTATEIMAGEMASK(row.StateIndex + 1);
    item.stateMask |= LVIS_STATEIMAGEMASK;
  }
}

int TProgramListView::ColumnCount() const {
  return Header_GetItemCount(ListView_GetHeader(hwnd_));
}

// Column widths through the column records: the width messages work only in the details and
// list views, and the widths must survive every view.
int TProgramListView::ColumnWidth(int column) const {
  LVCOLUMNW info{};
  info.mask = LVCF_WIDTH;
  return ListView_GetColumn(hwnd_, column, &info) ? info.cx : 0;
}

void TProgramListView::SetColumnWidth(int column, int width) {
  LVCOLUMNW info{};
  info.mask = LVCF_WIDTH;
  info.cx = width;
  ListView_SetColumn(hwnd_, column, &info);
}

int TProgramListView::ViewStyle() const {
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)) & LVS_TYPEMASK;
  for (int i = 0; i < 4; ++i)
    if (kViewStyles[i] == style) return i;
  return vsLargeIcons;
}

void TProgramListView::SetViewStyle(int style) {
  if (style < 0 || style > 3) return;
  LONG_PTR current = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  SetWindowLongPtrW(hwnd_, GWL_STYLE, (current & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) |
                                          static_cast<LONG_PTR>(kViewStyles[style]));
}
