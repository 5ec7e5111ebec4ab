#include "widgets/FileListView.h"

#include "inventory/Utils.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int kNameWidth = 150;  // at 96 DPI
constexpr int kPathWidth = 260;
constexpr int kUnchecked = 1;  // state image indexes of LVS_EX_CHECKBOXES
constexpr int kChecked = 2;

void InsertColumn(HWND list, int index, const wchar_t* caption, int width) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t*>(caption);
  column.cx = MulDiv(width, static_cast<int>(GetDpiForWindow(list)), 96);
  column.iSubItem = index;
  ListView_InsertColumn(list, index, &column);
}

std::wstring ItemText(HWND list, int item, int subItem) {
  std::wstring text(64, L'\0');
  for (;;) {
    LVITEMW info{};
    info.iSubItem = subItem;
    info.pszText = text.data();
    info.cchTextMax = static_cast<int>(text.size());
    auto length = static_cast<size_t>(
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)));
    // A text that filled the buffer may have been cut: ask again with more room.
    if (length + 1 < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

}  // namespace

void TFileListView::CreateList(HWND parent, int x, int y, int width, int height, int id,
                               bool multiSelect) {
  // The system image list is shared by every program: the control must never destroy it.
  DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                LVS_SHAREIMAGELISTS | (multiSelect ? 0 : LVS_SINGLESEL);
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", style, x, y, width, height, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) throw std::runtime_error("Cannot create the file list");
  SendMessageW(hwnd_, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT |
                                               LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  ListView_SetImageList(hwnd_, TUtils::GetSystemImageList(true), LVSIL_SMALL);
  InsertColumn(hwnd_, 0, L"Name", kNameWidth);
  InsertColumn(hwnd_, 1, L"Path", kPathWidth);
}

void TFileListView::AddRow(const std::wstring& caption, int icon, const std::wstring& path,
                           const std::wstring& attached, bool checked) {
  LPARAM data = 0;
  if (!attached.empty()) {
    data = static_cast<LPARAM>(attached_.size());
    attached_.push_back(attached);
  }
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = Count();
  item.pszText = const_cast<wchar_t*>(caption.c_str());
  item.iImage = icon;
  item.lParam = data;
  int index = ListView_InsertItem(hwnd_, &item);
  if (index < 0) throw std::runtime_error("Cannot add a row to the file list");
  ListView_SetItemText(hwnd_, index, 1, const_cast<wchar_t*>(path.c_str()));
  // The control gives a new row its own unchecked box whatever the insertion asked for.
  ListView_SetItemState(hwnd_, index, INDEXTOSTATEIMAGEMASK(checked ? kChecked : kUnchecked),
                        LVIS_STATEIMAGEMASK);
}

int TFileListView::Count() const { return hwnd_ ? ListView_GetItemCount(hwnd_) : 0; }

TFileListRow TFileListView::Row(int index) const {
  TFileListRow row;
  row.Name = ItemText(hwnd_, index, 0);
  row.Path = ItemText(hwnd_, index, 1);
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (ListView_GetItem(hwnd_, &item) && item.lParam > 0 &&
      static_cast<size_t>(item.lParam) < attached_.size())
    row.Attached = attached_[static_cast<size_t>(item.lParam)];
  row.Checked = ListView_GetCheckState(hwnd_, index) != 0;
  return row;
}

std::vector<TFileListRow> TFileListView::Rows() const {
  std::vector<TFileListRow> rows;
  for (int i = 0, n = Count(); i < n; ++i) rows.push_back(Row(i));
  return rows;
}

std::vector<TFileListRow> TFileListView::CheckedRows() const {
  std::vector<TFileListRow> rows;
  for (int i = 0, n = Count(); i < n; ++i)
    if (ListView_GetCheckState(hwnd_, i)) rows.push_back(Row(i));
  return rows;
}

int TFileListView::GetIconIndex(const std::wstring& path) {
  return std::max(0, TUtils::GetSmallIconIndex(path));
}

std::wstring TFileListView::Caption(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  return name.size() > 4 ? name.substr(0, name.size() - 4) : std::wstring();
}
