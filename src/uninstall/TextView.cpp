#include "uninstall/TextView.h"

#include "win/Clipboard.h"
#include "win/Gdi.h"
#include "win/UniqueHandle.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace {

const wchar_t kViewClass[] = L"TTextView";

bool KeyDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

void TTextView::CreateInPlaceOf(HWND placeholder) {
  RegisterClass(kViewClass, 0, LoadCursorW(nullptr, IDC_IBEAM), nullptr);
  HWND parent = GetParent(placeholder);
  RECT rect;
  GetWindowRect(placeholder, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  int id = GetDlgCtrlID(placeholder);
  HWND before = GetWindow(placeholder, GW_HWNDPREV);  // the tab order is the windows' order
  DestroyWindow(placeholder);
  CreateWindowObject(WS_EX_CLIENTEDGE, kViewClass, L"",
                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, rect.left,
                     rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  SetWindowPos(Handle(), before ? before : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  margin_ = win::Scale(Handle(), 2);
  ApplyFont(reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)));
}

void TTextView::SetText(const TTextLines* text) {
  text_ = text;
  TextChanged();
}

void TTextView::TextChanged() {
  top_ = 0;
  x_ = 0;
  anchor_ = caret_ = 0;
  widest_ = 0;
  if (LineCount() && Handle()) {
    // The line with the most characters gives the first width; wider ones are found as drawn.
    size_t longest = 0;
    for (size_t i = 1; i < LineCount(); ++i)
      if (text_->Line(i).size() > text_->Line(longest).size()) longest = i;
    win::WindowDc dc(Handle());
    win::SelectGuard font(dc.Get(), font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    widest_ = LineWidth(dc.Get(), text_->Line(longest));
  }
  UpdateScrollBars();
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TTextView::ApplyFont(HFONT font) {
  font_ = font;
  win::WindowDc dc(Handle());
  win::SelectGuard select(dc.Get(), font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.Get(), &metrics);
  lineHeight_ = std::max<int>(1, metrics.tmHeight);
  tabWidth_ = std::max<int>(1, 8 * metrics.tmAveCharWidth);  // as an edit control's stops
  TextChanged();
}

std::vector<int> TTextView::CharPositions(HDC dc, std::wstring_view line, int limit) const {
  constexpr size_t kPiece = 4096;
  std::vector<int> x{0};
  x.reserve(std::min(line.size(), kPiece) + 1);
  std::vector<int> widths;  // of the first 1, 2, ... characters of a piece
  for (size_t start = 0; start < line.size() && x.back() < limit; start += kPiece) {
    std::wstring_view piece = line.substr(start, kPiece);
    widths.resize(piece.size());
    SIZE size{};
    GetTextExtentExPointW(dc, piece.data(), static_cast<int>(piece.size()), 0, nullptr,
                          widths.data(), &size);
    int before = 0;
    for (size_t i = 0; i < piece.size(); ++i) {
      int advance = widths[i] - before;
      before = widths[i];
      x.push_back(piece[i] == L'\t' ? (x.back() / tabWidth_ + 1) * tabWidth_ : x.back() + advance);
    }
  }
  return x;
}

int TTextView::LineWidth(HDC dc, std::wstring_view line) {
  SIZE size{};
  if (!line.empty()) GetTextExtentPoint32W(dc, line.data(), static_cast<int>(line.size()), &size);
  return size.cx;
}

int TTextView::PageLines() const {
  RECT client;
  GetClientRect(Handle(), &client);
  return std::max(1, static_cast<int>(client.bottom) / lineHeight_);
}

void TTextView::UpdateScrollBars() {
  if (!Handle()) return;
  RECT client;
  GetClientRect(Handle(), &client);
  int page = PageLines();
  size_t lastTop = LineCount() > static_cast<size_t>(page) ? LineCount() - page : 0;
  top_ = std::min(top_, lastTop);
  int contentWidth = widest_ + 2 * margin_;
  x_ = std::clamp(x_, 0, std::max(0, contentWidth - static_cast<int>(client.right)));

  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;  // the bar stays, as a memo's does
  info.nMax = static_cast<int>(std::max<size_t>(LineCount(), 1) - 1);
  info.nPage = static_cast<UINT>(page);
  info.nPos = static_cast<int>(top_);
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
  SCROLLINFO across{};
  across.cbSize = sizeof across;
  across.fMask = SIF_ALL;
  across.nMax = std::max(0, contentWidth - 1);
  across.nPage = static_cast<UINT>(std::max(1L, client.right));
  across.nPos = x_;
  SetScrollInfo(Handle(), SB_HORZ, &across, TRUE);
}

void TTextView::ScrollTo(long long top, long long x) {
  size_t lastTop = LineCount() > static_cast<size_t>(PageLines()) ? LineCount() - PageLines() : 0;
  size_t newTop =
      static_cast<size_t>(std::clamp<long long>(top, 0, static_cast<long long>(lastTop)));
  RECT client;
  GetClientRect(Handle(), &client);
  long long maxX = std::max<long long>(0, widest_ + 2 * margin_ - client.right);
  int newX = static_cast<int>(std::clamp<long long>(x, 0, maxX));
  if (newTop == top_ && newX == x_) return;
  top_ = newTop;
  x_ = newX;
  UpdateScrollBars();
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TTextView::OnScroll(int bar, int request) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(Handle(), bar, &info);
  long long page = bar == SB_VERT ? PageLines() : std::max<long long>(1, info.nPage);
  long long step = bar == SB_VERT ? 1 : std::max(1, tabWidth_ / 8);
  long long pos = bar == SB_VERT ? static_cast<long long>(top_) : x_;
  switch (request) {
    case SB_LINEUP: pos -= step; break;
    case SB_LINEDOWN: pos += step; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = info.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = info.nMax; break;
    default: return;
  }
  if (bar == SB_VERT)
    ScrollTo(pos, x_);
  else
    ScrollTo(static_cast<long long>(top_), pos);
}

void TTextView::OnKeyDown(WPARAM key) {
  const bool control = KeyDown(VK_CONTROL);
  switch (key) {
    case VK_UP: OnScroll(SB_VERT, SB_LINEUP); break;
    case VK_DOWN: OnScroll(SB_VERT, SB_LINEDOWN); break;
    case VK_PRIOR: OnScroll(SB_VERT, SB_PAGEUP); break;
    case VK_NEXT: OnScroll(SB_VERT, SB_PAGEDOWN); break;
    case VK_LEFT: OnScroll(SB_HORZ, SB_LINEUP); break;
    case VK_RIGHT: OnScroll(SB_HORZ, SB_LINEDOWN); break;
    case VK_HOME: ScrollTo(control ? 0 : static_cast<long long>(top_), 0); break;
    case VK_END:
      ScrollTo(control ? static_cast<long long>(LineCount()) : static_cast<long long>(top_),
               control ? 0 : widest_);
      break;
    case 'A':
      if (control) Select(0, Length());
      break;
    case 'C':
    case VK_INSERT:
      if (control) Copy();
      break;
  }
}

void TTextView::OnMouseWheel(int delta) {
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  if (lines == WHEEL_PAGESCROLL) lines = static_cast<UINT>(PageLines());
  wheel_ += delta;
  long long steps = wheel_ / WHEEL_DELTA;
  wheel_ %= WHEEL_DELTA;
  ScrollTo(static_cast<long long>(top_) - steps * static_cast<long long>(lines), x_);
}

size_t TTextView::HitTest(POINT point) {
  if (!LineCount()) return 0;
  long long line = static_cast<long long>(top_) + (point.y < 0 ? -1 : point.y / lineHeight_);
  line = std::clamp<long long>(line, 0, static_cast<long long>(LineCount()) - 1);
  std::wstring_view text = text_->Line(static_cast<size_t>(line));
  win::WindowDc dc(Handle());
  win::SelectGuard font(dc.Get(), font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  int wanted = point.x - margin_ + x_;
  std::vector<int> x = CharPositions(dc.Get(), text, wanted);
  // The first boundary past the wanted point, or the one before it when that is nearer.
  size_t i = static_cast<size_t>(std::upper_bound(x.begin(), x.end(), wanted) - x.begin());
  if (i == x.size() || (i > 0 && wanted - x[i - 1] < x[i] - wanted)) --i;
  return text_->Start(static_cast<size_t>(line)) + i;
}

void TTextView::Select(size_t anchor, size_t caret) {
  anchor_ = std::min(anchor, Length());
  caret_ = std::min(caret, Length());
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TTextView::Copy() {
  size_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
  if (from == to) return;
  win::CopyTextToClipboard(Handle(), std::wstring_view(text_->Text()).substr(from, to - from));
}

LRESULT TTextView::PosFromChar(size_t offset) {
  if (offset > Length()) return -1;
  size_t line = text_ ? text_->LineOf(offset) : 0;
  int x = margin_ - x_;
  if (text_ && text_->Count()) {
    std::wstring_view text = text_->Line(line);
    size_t column = std::min(offset - text_->Start(line), text.size());
    win::WindowDc dc(Handle());
    win::SelectGuard font(dc.Get(), font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    x += CharPositions(dc.Get(), text.substr(0, column)).back();
  }
  long long y = (static_cast<long long>(line) - static_cast<long long>(top_)) * lineHeight_;
  // Coordinates come in 16 bits each; points far out of sight are put at the nearest limit.
  auto word = [](long long v) {
    return static_cast<WORD>(static_cast<short>(std::clamp<long long>(v, -32768, 32767)));
  };
  return MAKELRESULT(word(x), word(y));
}

void TTextView::Paint(HDC dc, const RECT& client) {
  win::FillSolid(dc, client, GetSysColor(COLOR_WINDOW));
  win::SelectGuard font(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, OPAQUE);
  for (size_t line = top_; line < LineCount(); ++line) {
    int y = static_cast<int>(line - top_) * lineHeight_;
    if (y >= client.bottom) break;
    PaintLine(dc, line, y, client.right);
  }
  if (GetFocus() == Handle()) {  // a dotted frame: the view has no caret to show the focus
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    DrawFocusRect(dc, &client);
  }
}

void TTextView::PaintLine(HDC dc, size_t line, int y, int width) {
  std::wstring_view text = text_->Line(line);
  const int origin = margin_ - x_;
  std::vector<int> x = CharPositions(dc, text, width - origin);
  const size_t measured = x.size() - 1;
  widest_ = std::max(widest_, measured == text.size() ? x.back() : LineWidth(dc, text));
  // Only the characters in sight are drawn: a line may be far wider than the view.
  size_t first = static_cast<size_t>(std::upper_bound(x.begin(), x.end(), -origin) - x.begin());
  first = first > 0 ? first - 1 : 0;
  size_t last =
      static_cast<size_t>(std::lower_bound(x.begin(), x.end(), width - origin) - x.begin());
  last = std::min(last, measured);

  size_t start = text_->Start(line);
  size_t selFrom = std::min(anchor_, caret_), selTo = std::max(anchor_, caret_);
  const bool focused = GetFocus() == Handle();
  const COLORREF selBack = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
  const COLORREF selText = GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);

  // Draws characters [from, to) of the line, tabs as blanks, each where CharPositions puts it.
  std::wstring shown;
  std::vector<int> advances;
  auto draw = [&](size_t from, size_t to, bool selected) {
    if (from >= to) return;
    shown.assign(text.substr(from, to - from));
    std::replace(shown.begin(), shown.end(), L'\t', L' ');
    advances.resize(to - from);
    for (size_t i = from; i < to; ++i) advances[i - from] = x[i + 1] - x[i];
    SetBkColor(dc, selected ? selBack : GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, selected ? selText : GetSysColor(COLOR_WINDOWTEXT));
    RECT cell{origin + x[from], y, origin + x[to], y + lineHeight_};
    ExtTextOutW(dc, origin + x[from], y, ETO_OPAQUE, &cell, shown.data(),
                static_cast<UINT>(shown.size()), advances.data());
  };
  size_t a = std::clamp(selFrom, start + first, start + last) - start;
  size_t b = std::clamp(selTo, start + first, start + last) - start;
  draw(first, a, false);
  draw(a, b, true);
  draw(b, last, false);
  // A selected line break shows as a selected blank after the line.
  if (measured == text.size() && selFrom <= start + text.size() && selTo > start + text.size()) {
    RECT mark{origin + x.back(), y, origin + x.back() + std::max(1, tabWidth_ / 8),
              y + lineHeight_};
    win::FillSolid(dc, mark, selBack);
  }
}

LRESULT TTextView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      int widest = widest_;
      win::PaintBuffered(Handle(), [&](HDC dc) {
        RECT client;
        GetClientRect(Handle(), &client);
        Paint(dc, client);
      });
      if (widest_ != widest) UpdateScrollBars();  // a wider line came in sight
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      UpdateScrollBars();
      InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_SETFONT: ApplyFont(reinterpret_cast<HFONT>(wp)); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(Length());
    case WM_GETTEXT: {
      if (wp == 0) return 0;
      size_t n = std::min(Length(), static_cast<size_t>(wp) - 1);
      auto* buffer = reinterpret_cast<wchar_t*>(lp);
      if (n) std::memcpy(buffer, text_->Text().data(), n * sizeof(wchar_t));
      buffer[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case WM_SETTEXT: return FALSE;  // the text comes from SetText
    case WM_GETOBJECT:
      // Screen readers read it as the edit control it behaves as: the platform's proxy for an
      // edit control works through the messages above.
      if (static_cast<LONG>(lp) == OBJID_CLIENT) {
        win::ComPtr<IAccessible> proxy;
        if (SUCCEEDED(CreateStdAccessibleProxyW(Handle(), L"Edit", OBJID_CLIENT,
                                                __uuidof(IAccessible), proxy.PutVoid())) &&
            proxy)
          return LresultFromObject(__uuidof(IAccessible), wp, proxy.Get());
      }
      break;
    case WM_COPY: Copy(); return 0;
    case EM_GETLINECOUNT: return static_cast<LRESULT>(std::max<size_t>(LineCount(), 1));
    case EM_GETFIRSTVISIBLELINE: return static_cast<LRESULT>(top_);
    case EM_GETSEL: {
      DWORD from = static_cast<DWORD>(std::min(anchor_, caret_));
      DWORD to = static_cast<DWORD>(std::max(anchor_, caret_));
      if (wp) *reinterpret_cast<DWORD*>(wp) = from;
      if (lp) *reinterpret_cast<DWORD*>(lp) = to;
      return MAKELRESULT(std::min<DWORD>(from, 0xFFFF), std::min<DWORD>(to, 0xFFFF));
    }
    case EM_SETSEL: {  // -1 as the start removes the selection, as the end selects to the end
      auto from = static_cast<int>(wp), to = static_cast<int>(lp);
      if (from < 0)
        Select(caret_, caret_);
      else
        Select(static_cast<size_t>(from), to < 0 ? Length() : static_cast<size_t>(to));
      return 0;
    }
    case EM_POSFROMCHAR: return PosFromChar(static_cast<size_t>(wp));
    case WM_GETDLGCODE:
      // Arrows scroll, and letters are no mnemonics of the dialog's buttons while reading.
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_VSCROLL: OnScroll(SB_VERT, LOWORD(wp)); return 0;
    case WM_HSCROLL: OnScroll(SB_HORZ, LOWORD(wp)); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wp)); return 0;
    case WM_KEYDOWN: OnKeyDown(wp); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(Handle(), nullptr, FALSE);  // the selection's colour changes
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(Handle());
      size_t at = HitTest({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      Select((wp & MK_SHIFT) ? anchor_ : at, at);
      selecting_ = true;
      SetCapture(Handle());
      return 0;
    }
    case WM_MOUSEMOVE:
      if (selecting_) {
        POINT point{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT client;
        GetClientRect(Handle(), &client);
        // Dragging past an edge scrolls that way.
        if (point.y < 0) OnScroll(SB_VERT, SB_LINEUP);
        if (point.y >= client.bottom) OnScroll(SB_VERT, SB_LINEDOWN);
        Select(anchor_, HitTest(point));
      }
      return 0;
    case WM_LBUTTONUP:
      if (selecting_) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED: selecting_ = false; return 0;
  }
  return DefaultProc(msg, wp, lp);
}
