#include "widgets/ValueListEditor.h"

#include "win/Gdi.h"
#include "win/Subclass.h"
#include "win/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace {

const wchar_t kGridClass[] = L"TValueListEditor";
constexpr UINT kCellFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr int kTextMargin = 3;  // at 96 DPI

bool ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }
bool ControlDown() { return GetKeyState(VK_CONTROL) < 0; }

}  // namespace

void TValueListEditor::Create(HWND parent, int x, int y, int width, int height, int id) {
  RegisterClass(kGridClass, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW), nullptr);
  CreateWindowObject(WS_EX_CLIENTEDGE, kGridClass, L"",
                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL, x, y, width, height, parent,
                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  editor_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, Handle(),
                            nullptr, nullptr, nullptr);
  win::SetSubclass(editor_, EditorProc, 1, reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(Handle(), WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
  UpdateScrollBar();
}

void TValueListEditor::SetTitles(const std::wstring& keyTitle, const std::wstring& valueTitle) {
  titles_[kKeyColumn] = keyTitle;
  titles_[kValueColumn] = valueTitle;
  Repaint();
}

void TValueListEditor::SetColumnWidths(int keyWidth, int valueWidth) {
  widths96_[kKeyColumn] = keyWidth;
  widths96_[kValueColumn] = valueWidth;
  PlaceEditor();
  Repaint();
}

void TValueListEditor::SetRow(int row, const std::wstring& key, const std::wstring& value,
                              bool readOnly) {
  rows_.at(static_cast<size_t>(row)) = TRow{key, value, readOnly};
  Repaint();
}

void TValueListEditor::SetRows(std::vector<TRow> rows) {
  if (editing_) CancelEdit();
  rows_ = std::move(rows);
  if (rows_.empty()) rows_.emplace_back();
  // The scroll bar is set once for all rows, not once a row: a long list shows at once.
  ScrollTo(0);
  SelectCell(kKeyColumn, 0);
}

int TValueListEditor::AppendRow() {
  rows_.emplace_back();
  UpdateScrollBar();
  Repaint();
  return RowCount() - 1;
}

void TValueListEditor::InsertRow(int row) {
  row = std::clamp(row, 0, RowCount());
  if (editing_) CommitEdit();
  rows_.insert(rows_.begin() + row, TRow{});
  if (row < row_) ++row_;
  UpdateScrollBar();
  Repaint();
}

void TValueListEditor::DeleteRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  if (editing_) CommitEdit();
  if (RowCount() == 1) {
    rows_.front() = TRow{};
  } else {
    rows_.erase(rows_.begin() + row);
    if (row < row_ || row_ >= RowCount()) --row_;
  }
  ScrollTo(topRow_);
  Repaint();
}

void TValueListEditor::SelectCell(int column, int row) {
  column = std::clamp(column, 0, 1);
  row = std::clamp(row, 0, RowCount() - 1);
  if (editing_) CommitEdit();
  const bool changed = column != column_ || row != row_;
  column_ = column;
  row_ = row;
  EnsureVisible(row);
  Repaint();
  if (changed && OnSelectCell) OnSelectCell(column, row);
}

std::wstring TValueListEditor::Cell(int column, int row) const {
  const TRow& r = Row(row);
  return column == kKeyColumn ? r.Key : r.Value;
}

void TValueListEditor::SetCell(int column, int row, const std::wstring& text) {
  TRow& r = rows_.at(static_cast<size_t>(row));
  (column == kKeyColumn ? r.Key : r.Value) = text;
}

// ---- in-place editing ----

void TValueListEditor::BeginEdit() {
  if (editing_) return;
  if (Row(row_).ReadOnly) {
    MessageBeep(MB_OK);
    return;
  }
  editing_ = true;
  before_ = Cell(column_, row_);
  EnsureVisible(row_);
  SetWindowTextW(editor_, before_.c_str());
  PlaceEditor();
  ShowWindow(editor_, SW_SHOW);
  SetFocus(editor_);
  SendMessageW(editor_, EM_SETSEL, 0, -1);
}

void TValueListEditor::CommitEdit() { EndEdit(true); }
void TValueListEditor::CancelEdit() { EndEdit(false); }

void TValueListEditor::EndEdit(bool keep) {
  if (!editing_) return;
  editing_ = false;  // first: hiding the editor takes its focus away, which commits
  SetCell(column_, row_, keep ? win::WindowText(editor_) : before_);
  const bool hadFocus = GetFocus() == editor_;
  ShowWindow(editor_, SW_HIDE);
  if (hadFocus) SetFocus(Handle());
  Repaint();
}

void TValueListEditor::PlaceEditor() {
  if (!editor_) return;
  RECT rc = CellRect(column_, row_);
  rc.right -= 1;  // the grid lines stay in sight
  rc.bottom -= 1;
  const int margin = win::Scale(Handle(), kTextMargin) - 1;
  SetWindowPos(editor_, nullptr, rc.left + margin, rc.top, rc.right - rc.left - margin,
               rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The text sits where the cell drew it.
  SendMessageW(editor_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
}

bool TValueListEditor::EditorKey(WPARAM key) {
  switch (key) {
    case VK_RETURN: CommitEdit(); return true;
    case VK_ESCAPE: CancelEdit(); return true;
    case VK_TAB: {
      const bool backwards = ShiftDown();
      CommitEdit();
      if (!Step(backwards)) LeaveGrid(backwards);
      return true;
    }
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
      CommitEdit();
      KeyDown(key);
      return true;
  }
  return false;
}

LRESULT CALLBACK TValueListEditor::EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                              DWORD_PTR self) noexcept {
  auto* grid = reinterpret_cast<TValueListEditor*>(self);
  switch (msg) {
    case WM_GETDLGCODE:  // Enter, Esc and Tab belong to the edit, not to the dialog
      return win::DefSubclass(hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN: {
      bool handled = false;
      win::Guarded([&] { handled = grid->EditorKey(wp); });
      if (handled) return 0;
      break;
    }
    case WM_CHAR:
      if (wp == L'\r' || wp == L'\x1b' || wp == L'\t') return 0;  // no beep
      break;
    case WM_KILLFOCUS:
      // Focus that moves on inside the program keeps the edit; switching to another program does
      // not end it, so the user comes back to it unfinished.
      if (grid->editing_ && wp) win::Guarded([&] { grid->CommitEdit(); });
      break;
    case WM_NCDESTROY:
      win::RemoveSubclass(hwnd, EditorProc, 1);
      break;
  }
  return win::DefSubclass(hwnd, msg, wp, lp);
}

// ---- keyboard and mouse ----

bool TValueListEditor::Step(bool backwards) {
  int cell = row_ * 2 + column_ + (backwards ? -1 : 1);
  if (cell < 0 || cell >= RowCount() * 2) return false;
  SelectCell(cell % 2, cell / 2);
  return true;
}

void TValueListEditor::LeaveGrid(bool backwards) {
  HWND parent = GetParent(Handle());
  wchar_t className[16] = {};
  GetClassNameW(parent, className, 16);
  if (std::wstring(className) == L"#32770")  // a dialog also moves its default button
    SendMessageW(parent, WM_NEXTDLGCTL, backwards, FALSE);
  else if (HWND next = GetNextDlgTabItem(parent, Handle(), backwards))
    SetFocus(next);
}

void TValueListEditor::KeyDown(WPARAM key) {
  const int page = std::max(1, VisibleRows() - 1);
  switch (key) {
    case VK_UP: SelectCell(column_, row_ - 1); break;
    case VK_DOWN: SelectCell(column_, row_ + 1); break;
    case VK_LEFT: SelectCell(kKeyColumn, row_); break;
    case VK_RIGHT: SelectCell(kValueColumn, row_); break;
    case VK_PRIOR: SelectCell(column_, row_ - page); break;
    case VK_NEXT: SelectCell(column_, row_ + page); break;
    case VK_HOME: SelectCell(kKeyColumn, ControlDown() ? 0 : row_); break;
    case VK_END: SelectCell(kValueColumn, ControlDown() ? RowCount() - 1 : row_); break;
    case VK_TAB: Step(ShiftDown()); break;
    case VK_F2: BeginEdit(); break;
    case VK_INSERT:
      InsertRow(row_);
      SelectCell(kKeyColumn, row_);
      break;
    case VK_DELETE:
      if (ControlDown()) DeleteRow(row_);
      break;
  }
}

void TValueListEditor::Char(wchar_t ch) {
  if (ch < L' ' || ControlDown()) return;
  // Keys typed quickly can arrive here after the editor opened: they belong to it.
  if (editing_) {
    SendMessageW(editor_, WM_CHAR, ch, 1);
    return;
  }
  // Typing replaces the cell's text, as in a spreadsheet.
  BeginEdit();
  if (!editing_) return;
  const wchar_t text[2] = {ch, 0};
  SetWindowTextW(editor_, text);
  SendMessageW(editor_, EM_SETSEL, 1, 1);
}

UINT TValueListEditor::DialogCode(const MSG* msg) const {
  UINT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
  // Tab moves between the cells and leaves the grid from its first and last cell.
  if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) {
    const int cell = row_ * 2 + column_ + (ShiftDown() ? -1 : 1);
    if (cell >= 0 && cell < RowCount() * 2) code |= DLGC_WANTTAB;
  }
  return code;
}

void TValueListEditor::ButtonDown(LPARAM lp, bool doubleClick) {
  const bool hadFocus = GetFocus() == Handle();
  if (editing_) CommitEdit();
  SetFocus(Handle());
  int column, row;
  const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  if (!CellAt(pt, column, row)) return;
  const bool again = hadFocus && column == column_ && row == row_;
  SelectCell(column, row);
  if (doubleClick || again) BeginEdit();
}

LRESULT TValueListEditor::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE: return DialogCode(reinterpret_cast<const MSG*>(lp));
    case WM_KEYDOWN: KeyDown(wp); return 0;
    case WM_CHAR: Char(static_cast<wchar_t>(wp)); return 0;
    case WM_LBUTTONDOWN: ButtonDown(lp, false); return 0;
    case WM_LBUTTONDBLCLK: ButtonDown(lp, true); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Repaint(); return 0;
    case WM_SIZE:
      ScrollTo(topRow_);
      PlaceEditor();
      return 0;
    case WM_VSCROLL: OnVScroll(LOWORD(wp)); return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(topRow_ - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3);
      return 0;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      MeasureFont();
      if (editor_) SendMessageW(editor_, WM_SETFONT, wp, FALSE);
      if (LOWORD(lp)) Repaint();
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
  }
  return TPaintedControl::HandleMessage(msg, wp, lp);
}

// ---- geometry and scrolling ----

void TValueListEditor::MeasureFont() {
  TEXTMETRICW metrics{};
  {
    win::WindowDc dc(Handle());
    win::SelectGuard select(dc.Get(), font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    GetTextMetricsW(dc.Get(), &metrics);
  }
  rowHeight_ = std::max(win::Scale(Handle(), kDefaultRowHeight),
                        static_cast<int>(metrics.tmHeight + win::Scale(Handle(), 4)));
  ScrollTo(topRow_);
  PlaceEditor();
}

RECT TValueListEditor::CellRect(int column, int row) const {
  const int keyWidth = win::Scale(Handle(), widths96_[kKeyColumn]);
  const int valueWidth = win::Scale(Handle(), widths96_[kValueColumn]);
  const int top = HeaderHeight() + (row - topRow_) * rowHeight_;
  const int left = column == kKeyColumn ? 0 : keyWidth;
  return RECT{left, top, left + (column == kKeyColumn ? keyWidth : valueWidth), top + rowHeight_};
}

bool TValueListEditor::CellAt(POINT pt, int& column, int& row) const {
  if (pt.y < HeaderHeight() || pt.x < 0) return false;
  row = topRow_ + (pt.y - HeaderHeight()) / rowHeight_;
  if (row >= RowCount()) return false;
  for (column = kKeyColumn; column <= kValueColumn; ++column) {
    const RECT rc = CellRect(column, row);
    if (pt.x < rc.right) return true;
  }
  return false;
}

int TValueListEditor::VisibleRows() const {
  RECT rc{};
  GetClientRect(Handle(), &rc);
  return std::max(1, static_cast<int>((rc.bottom - HeaderHeight()) / rowHeight_));
}

void TValueListEditor::ScrollTo(int topRow) {
  topRow_ = std::clamp(topRow, 0, std::max(0, RowCount() - VisibleRows()));
  UpdateScrollBar();
  if (editing_) PlaceEditor();
  Repaint();
}

void TValueListEditor::EnsureVisible(int row) {
  if (row < topRow_) ScrollTo(row);
  else if (row >= topRow_ + VisibleRows()) ScrollTo(row - VisibleRows() + 1);
}

void TValueListEditor::UpdateScrollBar() {
  if (!Handle()) return;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMax = RowCount() - 1;
  info.nPage = static_cast<UINT>(VisibleRows());
  info.nPos = topRow_;
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}

void TValueListEditor::OnVScroll(int code) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(Handle(), SB_VERT, &info);
  switch (code) {
    case SB_LINEUP: ScrollTo(topRow_ - 1); break;
    case SB_LINEDOWN: ScrollTo(topRow_ + 1); break;
    case SB_PAGEUP: ScrollTo(topRow_ - VisibleRows()); break;
    case SB_PAGEDOWN: ScrollTo(topRow_ + VisibleRows()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollTo(info.nTrackPos); break;
    case SB_TOP: ScrollTo(0); break;
    case SB_BOTTOM: ScrollTo(RowCount()); break;
  }
}

// ---- painting ----

void TValueListEditor::Render(HDC dc) const {
  RECT client;
  GetClientRect(Handle(), &client);
  win::FillSolid(dc, client, GetSysColor(COLOR_WINDOW));
  win::SelectGuard select(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const int margin = win::Scale(Handle(), kTextMargin);
  const bool focused = GetFocus() == Handle();
  const COLORREF lines = GetSysColor(COLOR_BTNFACE);

  auto text = [&](const std::wstring& s, RECT rc) {
    rc.left += margin;
    rc.right -= margin;
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &rc, kCellFormat);
  };
  for (int column = kKeyColumn; column <= kValueColumn; ++column) {
    RECT rc = CellRect(column, topRow_);
    OffsetRect(&rc, 0, -rowHeight_);
    win::FillSolid(dc, rc, GetSysColor(COLOR_BTNFACE));
    DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    text(titles_[column], rc);
  }
  const int last = std::min(RowCount(), topRow_ + VisibleRows() + 1);
  for (int row = topRow_; row < last; ++row)
    for (int column = kKeyColumn; column <= kValueColumn; ++column) {
      const RECT rc = CellRect(column, row);
      RECT inner{rc.left, rc.top, rc.right - 1, rc.bottom - 1};
      const bool current = column == column_ && row == row_;
      COLORREF ink = GetSysColor(Row(row).ReadOnly ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
      if (current && focused) {
        win::FillSolid(dc, inner, GetSysColor(COLOR_HIGHLIGHT));
        ink = GetSysColor(COLOR_HIGHLIGHTTEXT);
      } else if (current) {
        win::FillSolid(dc, inner, GetSysColor(COLOR_BTNFACE));
      }
      win::FillSolid(dc, RECT{rc.right - 1, rc.top, rc.right, rc.bottom}, lines);
      win::FillSolid(dc, RECT{rc.left, rc.bottom - 1, rc.right, rc.bottom}, lines);
      SetTextColor(dc, ink);
      text(Cell(column, row), rc);
    }
}
