#include "app/ProgramListView.h"

#include "inventory/IconCache.h"
#include "inventory/ProgramFinder.h"
#include "win/Gdi.h"
#include "win/Text.h"

#include <stdexcept>

namespace {

const DWORD kViewStyles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
// LVFI_SUBSTRING, which the headers lack: the same as LVFI_PARTIAL.
constexpr UINT kFindSubstring = 0x0004;

}  // namespace

const std::vector<TListColumn>& TProgramListView::ProgramColumns() {
  static const std::vector<TListColumn> columns = {
      {L"Name", 150, TRowField::Name, LVCFMT_LEFT},
      {L"Size", 70, TRowField::Size, LVCFMT_RIGHT},
      {L"Last Used On", 90, TRowField::LastUsed, LVCFMT_LEFT},
      {L"Frequency", 70, TRowField::Frequency, LVCFMT_LEFT},
      {L"Uninstall Command", 270, TRowField::UninstallCommand, LVCFMT_LEFT}};
  return columns;
}

void TProgramListView::Create(HWND parent, int id) {
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
  columns_.clear();
  for (const auto& column : ProgramColumns()) InsertColumn(column);
  ShowSortArrow();
}

void TProgramListView::InsertColumn(const TListColumn& column) {
  LVCOLUMNW info{};
  info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
  info.pszText = const_cast<wchar_t*>(column.Caption);
  info.cx = column.Width;
  info.fmt = column.Format;
  // The sub-item a column asks for is its position.
  info.iSubItem = static_cast<int>(columns_.size());
  ListView_InsertColumn(hwnd_, info.iSubItem, &info);
  columns_.push_back(column);
}

void TProgramListView::SetImageLists(HIMAGELIST large, HIMAGELIST small, HIMAGELIST state) {
  ListView_SetImageList(hwnd_, large, LVSIL_NORMAL);
  ListView_SetImageList(hwnd_, small, LVSIL_SMALL);
  ListView_SetImageList(hwnd_, state, LVSIL_STATE);
}

// After a deletion, the list of one platform asks for the columns behind it by their new
// positions and the other by the sub-item numbers they were made with. Making those columns
// again, numbered by position, leaves both asking by position.
void TProgramListView::DeleteColumn(int column) {
  int count = static_cast<int>(columns_.size());
  if (column < 1 || column >= count) return;  // the first column holds the rows themselves
  std::vector<TListColumn> behind;
  for (int i = column + 1; i < count; ++i) {
    behind.push_back(columns_[static_cast<size_t>(i)]);
    behind.back().Width = ColumnWidth(i);  // as the settings left it
  }
  for (int i = count - 1; i >= column; --i) ListView_DeleteColumn(hwnd_, i);
  columns_.resize(static_cast<size_t>(column));
  for (const auto& c : behind) InsertColumn(c);
  // An order by a column that is gone could be neither seen nor changed back.
  if (!ShowsField(programs_.SortOrder().Field)) programs_.SetSortOrder({});
  ShowSortArrow();
}

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
  switch (header.code) {
    case LVN_GETDISPINFOW:
      GetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
      return true;
    case LVN_ODFINDITEMW:
      result = FindItem(reinterpret_cast<const NMLVFINDITEMW&>(header));
      return true;
    case LVN_COLUMNCLICK:
      ColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
      return true;
  }
  return false;
}

// Type-ahead asks for the row whose caption begins with the typed letters; unanswered, the
// control would jump to the first row.
int TProgramListView::FindItem(const NMLVFINDITEMW& find) const {
  const LVFINDINFOW& info = find.lvfi;
  if ((info.flags & (LVFI_PARAM | LVFI_NEARESTXY)) || !info.psz) return -1;
  bool whole = !(info.flags & (LVFI_PARTIAL | kFindSubstring));
  return FindCaption(programs_, find.iStart, info.psz, whole);
}

void TProgramListView::GetDispInfo(NMLVDISPINFOW& info) {
  LVITEMW& item = info.item;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= programs_.Count()) return;
  TProgramRow& row = programs_.Row(static_cast<size_t>(item.iItem));
  if (item.mask & LVIF_TEXT) {
    std::wstring text;
    if (item.iSubItem >= 0 && static_cast<size_t>(item.iSubItem) < columns_.size()) {
      const TRowField field = columns_[static_cast<size_t>(item.iSubItem)].Field;
      // The row keeps the date as reports record it; the list shows it as the user writes dates.
      text = field == TRowField::LastUsed ? win::ShownRecordedDate(row.LastUsed) : row.Text(field);
    }
    if (item.cchTextMax > 0) lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = icons_ ? icons_->ImageIndex(row) : row.ImageIndex();
  if (item.mask & LVIF_STATE) {
    item.state = INDEXTOSTATEIMAGEMASK(row.StateIndex() + 1);
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

bool TProgramListView::ShowsField(TRowField field) const {
  for (const auto& column : columns_)
    if (column.Field == field) return true;
  return false;
}

int TProgramListView::SortColumn() const { return static_cast<int>(programs_.SortOrder().Field); }

bool TProgramListView::SortDescending() const { return programs_.SortOrder().Descending; }

void TProgramListView::SetSort(int column, bool descending) {
  if (column < 0 || column > static_cast<int>(TRowField::UninstallCommand)) return;
  TSortOrder order{static_cast<TRowField>(column), descending};
  if (hwnd_ && !ShowsField(order.Field)) order = {};
  ApplySortOrder(order);
}

void TProgramListView::ColumnClick(int column) {
  if (column < 0 || static_cast<size_t>(column) >= columns_.size()) return;
  TSortOrder order{columns_[static_cast<size_t>(column)].Field, false};
  const TSortOrder& current = programs_.SortOrder();
  if (current.Field == order.Field) order.Descending = !current.Descending;
  ApplySortOrder(order);
}

void TProgramListView::ApplySortOrder(const TSortOrder& order) {
  // The control selects by position: the selection follows its program to its new place.
  const TProgramRow* selected = hwnd_ ? SelectedRow() : nullptr;
  programs_.SetSortOrder(order);
  if (selected) Select(programs_.IndexOf(selected), true);
  ShowSortArrow();
}

void TProgramListView::ShowSortArrow() {
  if (!hwnd_) return;
  HWND header = ListView_GetHeader(hwnd_);
  const TSortOrder& order = programs_.SortOrder();
  for (size_t i = 0; i < columns_.size(); ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!Header_GetItem(header, static_cast<int>(i), &item)) continue;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    const bool sorted = columns_[i].Field == order.Field;
    if (sorted) item.fmt |= order.Descending ? HDF_SORTDOWN : HDF_SORTUP;
    Header_SetItem(header, static_cast<int>(i), &item);
    // The arrow takes its room from the caption: a column too narrow for both grows.
    if (sorted) {
      const int needed = SortedCaptionWidth(header, columns_[i].Caption);
      if (ColumnWidth(static_cast<int>(i)) < needed) SetColumnWidth(static_cast<int>(i), needed);
    }
  }
}

int TProgramListView::SortedCaptionWidth(HWND header, const wchar_t* caption) {
  // The caption between the header's margins, then the arrow with a margin of its own.
  const int margin = static_cast<int>(SendMessageW(header, HDM_GETBITMAPMARGIN, 0, 0));
  win::WindowDc dc(header);
  win::SelectGuard font(dc.Get(),
                        reinterpret_cast<HGDIOBJ>(SendMessageW(header, WM_GETFONT, 0, 0)));
  SIZE text{};
  GetTextExtentPoint32W(dc.Get(), caption, static_cast<int>(wcslen(caption)), &text);
  return text.cx + 3 * margin + win::Scale(header, kSortArrowWidth);
}
