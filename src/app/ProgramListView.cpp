#include "app/ProgramListView.h"

#include "inventory/IconCache.h"
#include "inventory/ProgramFinder.h"
#include "inventory/UninstallItem.h"
#include "win/Gdi.h"
#include "win/Subclass.h"
#include "win/Text.h"
#include "win/Window.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>

#include <stdexcept>

namespace {

// Posted to the list while rows wait for their icons.
const UINT kResolveIconsMessage = RegisterWindowMessageW(L"Tarvenholt.Purgalot.ResolveIcons");

// The generic program icon, shown until a row's own is found; asked without touching a file.
int PlaceholderIcon() {
  SHFILEINFOW info{};
  return SHGetFileInfoW(L"program.exe", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                        SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
             ? info.iIcon
             : -1;
}

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

const std::vector<TListColumn>& TProgramListView::OptionalColumns() {
  static const std::vector<TListColumn> columns = {
      {L"Publisher", 140, TRowField::Publisher, LVCFMT_LEFT},
      {L"Install Folder", 220, TRowField::InstallFolder, LVCFMT_LEFT}};
  return columns;
}

const wchar_t* PlaceMark(const TProgramRow& row) {
  if (!row.Entry || !row.SharesName) return L"";
  if (row.Entry->RootKey() == HKEY_CURRENT_USER) return L" (per user)";
  if (row.Entry->View() & KEY_WOW64_32KEY) return L" (32-bit)";
  return L"";
}

void TProgramListView::SetIconResolver(TIconResolver* icons) {
  icons_ = icons;
  if (icons_ && placeholderIcon_ < 0) placeholderIcon_ = PlaceholderIcon();
}

void TProgramListView::Create(HWND parent, int id) {
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_ICON |
                              LVS_OWNERDATA | LVS_SHOWSELALWAYS |
                              LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) throw std::runtime_error("Cannot create the program list");
  win::SetSubclass(hwnd_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER |
                                               LVS_EX_LABELTIP | LVS_EX_INFOTIP);
  // The state image (the warning marker) comes from the rows as well.
  ListView_SetCallbackMask(hwnd_, LVIS_STATEIMAGEMASK);
  columns_.clear();
  for (const auto& column : ProgramColumns()) InsertColumn(column);
  optionalWidths_.clear();
  for (const auto& column : OptionalColumns()) optionalWidths_.push_back(column.Width);
  RebuildOptionalColumns();
}

bool TProgramListView::ColumnShown(TRowField field) const { return ShowsField(field); }

void TProgramListView::ShowColumn(TRowField field, bool show) {
  const auto& optional = OptionalColumns();
  for (size_t i = 0; i < optional.size(); ++i)
    if (optional[i].Field == field && optionalShown_[i] != show) {
      optionalShown_[i] = show;
      RebuildOptionalColumns();
    }
}

bool TProgramListView::OptionalColumnShown(int which) const {
  return which >= 0 && static_cast<size_t>(which) < optionalShown_.size() &&
         optionalShown_[static_cast<size_t>(which)];
}

int TProgramListView::OptionalColumnWidth(int which) const {
  if (which < 0 || static_cast<size_t>(which) >= optionalWidths_.size()) return 0;
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].Field == OptionalColumns()[static_cast<size_t>(which)].Field)
      return ColumnWidth(static_cast<int>(i));
  return optionalWidths_[static_cast<size_t>(which)];
}

void TProgramListView::SetOptionalColumn(int which, bool shown, int width) {
  if (which < 0 || static_cast<size_t>(which) >= optionalWidths_.size()) return;
  optionalWidths_[static_cast<size_t>(which)] = width;
  optionalShown_[static_cast<size_t>(which)] = shown;
  if (hwnd_) RebuildOptionalColumns();
}

void TProgramListView::RebuildOptionalColumns() {
  const auto& optional = OptionalColumns();
  // The widths the user gave the columns now shown are kept for when they come back.
  for (int i = static_cast<int>(columns_.size()) - 1; i >= 1; --i) {
    const auto found = std::find_if(optional.begin(), optional.end(), [&](const TListColumn& c) {
      return c.Field == columns_[static_cast<size_t>(i)].Field;
    });
    if (found == optional.end()) break;
    optionalWidths_[static_cast<size_t>(found - optional.begin())] = ColumnWidth(i);
    ListView_DeleteColumn(hwnd_, i);
    columns_.pop_back();
  }
  for (size_t i = 0; i < optional.size(); ++i)
    if (optionalShown_[i]) {
      TListColumn column = optional[i];
      column.Width = optionalWidths_[i];
      InsertColumn(column);
    }
  if (!ShowsField(programs_.SortOrder().Field)) programs_.SetSortOrder({});
  ShowSortArrow();
}

// While check boxes show, Space ticks the selected rows; the control itself would narrow the
// selection to the focused row, and look for a row whose name begins with a space.
LRESULT CALLBACK TProgramListView::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                            DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<TProgramListView*>(data);
  if (self->checkBoxes_ && !(GetKeyState(VK_CONTROL) & 0x8000)) {
    if (msg == WM_KEYDOWN && wp == VK_SPACE) {
      self->ToggleSelectedChecks();
      return 0;
    }
    if (msg == WM_CHAR && wp == L' ') return 0;
  }
  if (msg == kResolveIconsMessage) {
    win::Guarded([self] { self->ResolvePendingIcons(); });
    return 0;
  }
  return win::DefSubclass(hwnd, msg, wp, lp);
}

void TProgramListView::ResolvePendingIcons() {
  constexpr auto kSlice = std::chrono::milliseconds(8);
  const auto start = std::chrono::steady_clock::now();
  size_t done = 0;
  while (done < iconsPending_.size() && std::chrono::steady_clock::now() - start < kSlice) {
    // A row pointer is only compared until the list says it is one of its rows: rows may have
    // been read again since it was painted.
    const int index = programs_.IndexOf(iconsPending_[done++]);
    if (index < 0) continue;
    TProgramRow& row = programs_.Row(static_cast<size_t>(index));
    if (row.IconResolved()) continue;
    icons_->ImageIndex(row);
    RedrawRow(&row);
  }
  iconsPending_.erase(iconsPending_.begin(), iconsPending_.begin() + static_cast<ptrdiff_t>(done));
  if (!iconsPending_.empty()) PostMessageW(hwnd_, kResolveIconsMessage, 0, 0);
}
void TProgramListView::RedrawRow(const TProgramRow* row) {
  // Where the filter shows it, if it does.
  if (const int index = filter_.PositionOf(row); index >= 0)
    ListView_RedrawItems(hwnd_, index, index);
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

void TProgramListView::SetImageLists(HIMAGELIST large, HIMAGELIST small, HIMAGELIST state,
                                     HIMAGELIST boxes) {
  smallImages_ = small;
  smallIcons_.clear();
  stateImages_ = state;
  boxImages_ = boxes;
  ListView_SetImageList(hwnd_, large, LVSIL_NORMAL);
  ListView_SetImageList(hwnd_, small, LVSIL_SMALL);
  ListView_SetImageList(hwnd_, checkBoxes_ ? boxes : state, LVSIL_STATE);
}

// The control's own check boxes keep their marks in the control, which a virtual list cannot:
// the boxes are state images of ours, the marks the rows' own.
void TProgramListView::SetCheckBoxes(bool show) {
  checkBoxes_ = show;
  if (!hwnd_) return;
  ListView_SetImageList(hwnd_, show ? boxImages_ : stateImages_, LVSIL_STATE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

std::vector<TProgramRow*> TProgramListView::ChosenRows() {
  // Only what is shown: a checked row the filter hides is not chosen.
  std::vector<TProgramRow*> checked;
  if (checkBoxes_)
    for (size_t i = 0; i < filter_.Count(); ++i)
      if (TProgramRow& row = programs_.Row(filter_.RowIndex(i)); row.Checked)
        checked.push_back(&row);
  return checked.empty() ? SelectedRows() : checked;
}

void TProgramListView::ToggleCheck(int index) {
  if (index < 0 || static_cast<size_t>(index) >= filter_.Count()) return;
  TProgramRow& row = programs_.Row(filter_.RowIndex(static_cast<size_t>(index)));
  row.Checked = !row.Checked;
  ListView_RedrawItems(hwnd_, index, index);
}

void TProgramListView::ToggleSelectedChecks() {
  std::vector<TProgramRow*> rows = SelectedRows();
  bool all = !rows.empty();
  for (const TProgramRow* row : rows) all = all && row->Checked;
  for (TProgramRow* row : rows) row->Checked = !all;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

bool TProgramListView::OnCheckBox(POINT point) const {
  if (!checkBoxes_) return false;
  LVHITTESTINFO hit{};
  hit.pt = point;
  return ListView_HitTest(hwnd_, &hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0;
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
  const int focused = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
  if (focused >= 0 && (ListView_GetItemState(hwnd_, focused, LVIS_SELECTED) & LVIS_SELECTED))
    return focused;
  return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
}

int TProgramListView::SelectedCount() const {
  return static_cast<int>(ListView_GetSelectedCount(hwnd_));
}

std::vector<TProgramRow*> TProgramListView::SelectedRows() {
  std::vector<TProgramRow*> rows;
  const int count = static_cast<int>(filter_.Count());
  for (int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); i >= 0 && i < count;
       i = ListView_GetNextItem(hwnd_, i, LVNI_SELECTED))
    rows.push_back(&programs_.Row(filter_.RowIndex(static_cast<size_t>(i))));
  return rows;
}

void TProgramListView::Select(int index, bool ensureVisible) {
  ClearSelection();
  if (index < 0 || index >= static_cast<int>(filter_.Count())) return;
  ListView_SetItemState(hwnd_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetSelectionMark(hwnd_, index);
  if (ensureVisible) ListView_EnsureVisible(hwnd_, index, FALSE);
}

// Only the rows that are selected or focused: the form for every row sets each row in turn and
// asks each for its state, which judges every row's uninstaller.
void TProgramListView::ClearSelection() {
  for (UINT which : {LVNI_SELECTED, LVNI_FOCUSED}) {
    int item = ListView_GetNextItem(hwnd_, -1, which);
    if (item >= 0) ListView_SetItemState(hwnd_, item, 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

TProgramRow* TProgramListView::SelectedRow() {
  int index = Selected();
  if (index < 0 || index >= static_cast<int>(filter_.Count())) return nullptr;
  return &programs_.Row(filter_.RowIndex(static_cast<size_t>(index)));
}

void TProgramListView::SelectRow(const TProgramRow* row, bool ensureVisible) {
  Select(filter_.PositionOf(row), ensureVisible);
}

void TProgramListView::SetFilterText(const std::wstring& text) {
  const TProgramRow* selected = SelectedRow();
  filter_.SetText(text);
  ShowChosenRows(selected);
}

void TProgramListView::SetNarrowing(const TListNarrowing& narrowing) {
  const TProgramRow* selected = hwnd_ ? SelectedRow() : nullptr;
  filter_.SetNarrowing(narrowing);
  if (hwnd_) ShowChosenRows(selected);
}

// The control selects by position: the old positions are let go before the count changes. A
// program hidden while selected is selected again when it comes back (a typing slip taken back),
// unless another row was selected meanwhile.
void TProgramListView::ShowChosenRows(const TProgramRow* selected) {
  const TProgramRow* wanted = selected ? selected : hiddenSelection_;
  ClearSelection();
  ListView_SetItemCountEx(hwnd_, static_cast<int>(filter_.Count()), 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
  SelectRow(wanted, true);
  hiddenSelection_ = wanted && Selected() < 0 ? wanted : nullptr;
}

void TProgramListView::Reload() {
  hiddenSelection_ = nullptr;  // the rows may be new ones
  iconsPending_.clear();
  filter_.Refresh();
  ListView_SetItemCountEx(hwnd_, static_cast<int>(filter_.Count()), 0);
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
    case NM_CLICK: {
      // The window hears of the click as well: not handled here.
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
      if (OnCheckBox(click.ptAction)) ToggleCheck(click.iItem);
      return false;
    }
    case NM_CUSTOMDRAW:
      result = CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
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
  return FindCaption(filter_, find.iStart, info.psz, whole);
}

void TProgramListView::GetDispInfo(NMLVDISPINFOW& info) {
  LVITEMW& item = info.item;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= filter_.Count()) return;
  TProgramRow& row = programs_.Row(filter_.RowIndex(static_cast<size_t>(item.iItem)));
  if (item.mask & LVIF_TEXT) {
    std::wstring text;
    if (item.iSubItem >= 0 && static_cast<size_t>(item.iSubItem) < columns_.size()) {
      const TRowField field = columns_[static_cast<size_t>(item.iSubItem)].Field;
      // The row keeps the date as reports record it; the list shows it as the user writes dates.
      text = field == TRowField::LastUsed ? win::ShownRecordedDate(row.LastUsed) : row.Text(field);
    }
    // The same program in two places: the mark tells them apart, to the eye and to a reader.
    if (item.iSubItem == 0) text += PlaceMark(row);
    if (item.cchTextMax > 0) lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = DrawsIcons() ? I_IMAGENONE : ShownImage(row);
  if (item.mask & LVIF_STATE) {
    // Boxes: unchecked, checked, then both again with the warning marker.
    const int warning = row.StateIndex() == kWarningStateImage ? 1 : 0;
    const int image = checkBoxes_ ? 1 + (row.Checked ? 1 : 0) + 2 * warning : row.StateIndex() + 1;
    item.state = INDEXTOSTATEIMAGEMASK(image);
    item.stateMask |= LVIS_STATEIMAGEMASK;
  }
}

// A measured size is drawn in a lighter shade than one the entry states (a selected row keeps
// its highlight text). Only the rows with one ask for each cell: every cell the control reports
// on costs Wine's control about as much as drawing it. The details view's icons are drawn after
// each row (see DrawsIcons).
LRESULT TProgramListView::CustomDraw(NMLVCUSTOMDRAW& draw) {
  const size_t index = draw.nmcd.dwItemSpec;  // counts the rows the filter shows
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return SizeColumn() >= 0 || DrawsIcons() ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT: {
      LRESULT result = DrawsIcons() ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
      if (SizeColumn() >= 0 && index < filter_.Count() &&
          programs_.Row(filter_.RowIndex(index)).SizeMeasured &&
          !ListView_GetItemState(hwnd_, static_cast<int>(index), LVIS_SELECTED))
        result |= CDRF_NOTIFYSUBITEMDRAW;
      return result;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      draw.clrText = draw.iSubItem == SizeColumn() ? GetSysColor(COLOR_GRAYTEXT) : CLR_DEFAULT;
      return CDRF_DODEFAULT;
    case CDDS_ITEMPOSTPAINT:
      if (DrawsIcons() && index < filter_.Count()) DrawIcon(draw.nmcd.hdc, index);
      return CDRF_DODEFAULT;
  }
  return CDRF_DODEFAULT;
}

// Wine's control draws each icon through the image list, which asks the display for its
// devices twice per row, a round trip to the server each time; an icon drawn by itself asks
// nothing. The control keeps the icon's room, as it does for a row without an image.
bool TProgramListView::DrawsIcons() const {
  return smallImages_ && ViewStyle() == vsDetails;
}

// The row's icon, or the placeholder while its own is being found after the paint.
int TProgramListView::ShownImage(TProgramRow& row) {
  if (!icons_ || row.IconResolved()) return row.ImageIndex();
  if (iconsPending_.empty()) PostMessageW(hwnd_, kResolveIconsMessage, 0, 0);
  iconsPending_.push_back(&row);
  return placeholderIcon_;
}

void TProgramListView::DrawIcon(HDC dc, size_t index) {
  const int image = ShownImage(programs_.Row(filter_.RowIndex(index)));
  RECT place{};
  if (image < 0 || !ListView_GetItemRect(hwnd_, static_cast<int>(index), &place, LVIR_ICON)) return;
  auto found = smallIcons_.find(image);
  if (found == smallIcons_.end())
    found = smallIcons_.emplace(image, win::UniqueHIcon(ImageList_GetIcon(smallImages_, image,
                                                                          ILD_NORMAL))).first;
  int width = 0, height = 0;
  if (!found->second || !ImageList_GetIconSize(smallImages_, &width, &height)) return;
  DrawIconEx(dc, place.left + (place.right - place.left - width) / 2,
             place.top + (place.bottom - place.top - height) / 2, found->second.Get(), width,
             height, 0, nullptr, DI_NORMAL);
}

int TProgramListView::SizeColumn() const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].Field == TRowField::Size) return static_cast<int>(i);
  return -1;
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
  if (column < 0 || column > static_cast<int>(TRowField::InstallFolder)) return;
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
  if (selected) SelectRow(selected, true);
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
