#include "editing/DetailsPage.h"

#include "editing/DetailsRows.h"
#include "win/Gdi.h"

#include <algorithm>

namespace {

const wchar_t kPageClass[] = L"PurgalotDetailsPage";
constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr int kWheelLines = 3;

}  // namespace

void TDetailsPage::Create(HWND dialog, const RECT& place, int id) {
  RegisterClass(kPageClass, 0, LoadCursorW(nullptr, IDC_ARROW), GetSysColorBrush(COLOR_WINDOW));
  CreateWindowObject(0, kPageClass, L"",
                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN, place.left,
                     place.top, place.right - place.left, place.bottom - place.top, dialog,
                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void TDetailsPage::SetContentHeight(int height) {
  contentHeight_ = height;
  UpdateScrollBar();
}

LRESULT TDetailsPage::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wp);
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      SetTextColor(dc, IsLink(reinterpret_cast<HWND>(lp)) ? kLinkColor
                                                          : GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_SETCURSOR:
      if (IsLink(reinterpret_cast<HWND>(wp))) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wp) == STN_CLICKED && IsLink(reinterpret_cast<HWND>(lp)) && OnLinkClick)
        OnLinkClick(reinterpret_cast<HWND>(lp));
      return 0;
    case WM_SIZE: UpdateScrollBar(); return 0;
    case WM_VSCROLL: Scroll(LOWORD(wp)); return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(position_ - GET_WHEEL_DELTA_WPARAM(wp) * Line() * kWheelLines / WHEEL_DELTA);
      return 0;
    case WM_GETDLGCODE: {
      // Tab stays here while there is another link in its direction; Enter opens the current one
      // rather than pressing the dialog's default button.
      LRESULT code = DLGC_WANTARROWS;
      const auto* key = reinterpret_cast<const MSG*>(lp);
      if (key && key->message == WM_KEYDOWN) {
        if (key->wParam == VK_TAB && NeighbourLink(GetKeyState(VK_SHIFT) < 0) >= 0)
          code |= DLGC_WANTTAB;
        if (key->wParam == VK_RETURN && focused_ >= 0) code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_SETFOCUS:
      // Entered with Shift+Tab, the last link is the current one; otherwise the first.
      if (!links_.empty())
        FocusLink(GetKeyState(VK_TAB) < 0 && GetKeyState(VK_SHIFT) < 0
                      ? static_cast<int>(links_.size()) - 1
                      : 0);
      return 0;
    case WM_KILLFOCUS: InvalidateRect(Handle(), nullptr, TRUE); return 0;
    case WM_PAINT: Paint(); return 0;
    case WM_KEYDOWN:
      switch (wp) {
        case VK_TAB: FocusLink(NeighbourLink(GetKeyState(VK_SHIFT) < 0)); return 0;
        case VK_RETURN:
        case VK_SPACE:
          if (focused_ >= 0 && OnLinkClick) OnLinkClick(links_[static_cast<size_t>(focused_)]);
          return 0;
        case VK_UP: Scroll(SB_LINEUP); return 0;
        case VK_DOWN: Scroll(SB_LINEDOWN); return 0;
        case VK_PRIOR: Scroll(SB_PAGEUP); return 0;
        case VK_NEXT: Scroll(SB_PAGEDOWN); return 0;
        case VK_HOME: Scroll(SB_TOP); return 0;
        case VK_END: Scroll(SB_BOTTOM); return 0;
      }
      break;
    case WM_LBUTTONDOWN: SetFocus(Handle()); return 0;
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

int TDetailsPage::NeighbourLink(bool backwards) const {
  int next = focused_ + (backwards ? -1 : 1);
  return next >= 0 && next < static_cast<int>(links_.size()) ? next : -1;
}

void TDetailsPage::FocusLink(int index) {
  if (index < 0) return;
  InvalidateRect(Handle(), nullptr, TRUE);  // where the focus rectangle was
  focused_ = index;
  RECT r = FocusRect();
  if (r.top < 0)
    ScrollTo(position_ + r.top);
  else if (r.bottom > PageHeight())
    ScrollTo(position_ + r.bottom - PageHeight());
  InvalidateRect(Handle(), nullptr, TRUE);
}

RECT TDetailsPage::FocusRect() const {
  RECT r{};
  if (focused_ < 0) return r;
  HWND link = links_[static_cast<size_t>(focused_)];
  GetWindowRect(link, &r);
  MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&r), 2);
  // The label itself covers its own rectangle (the page clips its children).
  InflateRect(&r, 2, 1);
  return r;
}

void TDetailsPage::Paint() {
  win::PaintDc dc(Handle());
  if (focused_ >= 0 && GetFocus() == Handle()) {
    RECT r = FocusRect();
    DrawFocusRect(dc.Get(), &r);
  }
}

bool TDetailsPage::IsLink(HWND control) const {
  return std::find(links_.begin(), links_.end(), control) != links_.end();
}

int TDetailsPage::Line() const { return win::Scale(Handle(), kDetailRowHeight); }

int TDetailsPage::PageHeight() const {
  RECT client{};
  GetClientRect(Handle(), &client);
  return client.bottom;
}

void TDetailsPage::UpdateScrollBar() {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE;  // the bar shows only while the rows do not fit
  info.nMax = std::max(contentHeight_ - 1, 0);
  info.nPage = static_cast<UINT>(PageHeight());
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
  ScrollTo(position_);
}

void TDetailsPage::Scroll(int request) {
  const int page = PageHeight();
  switch (request) {
    case SB_LINEUP: ScrollTo(position_ - Line()); break;
    case SB_LINEDOWN: ScrollTo(position_ + Line()); break;
    case SB_PAGEUP: ScrollTo(position_ - page); break;
    case SB_PAGEDOWN: ScrollTo(position_ + page); break;
    case SB_TOP: ScrollTo(0); break;
    case SB_BOTTOM: ScrollTo(contentHeight_); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      GetScrollInfo(Handle(), SB_VERT, &info);
      ScrollTo(info.nTrackPos);
      break;
    }
  }
}

void TDetailsPage::ScrollTo(int position) {
  position = std::clamp(position, 0, std::max(contentHeight_ - PageHeight(), 0));
  if (position == position_) return;
  // The labels move with the page.
  ScrollWindowEx(Handle(), 0, position_ - position, nullptr, nullptr, nullptr, nullptr,
                 SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
  position_ = position;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  info.nPos = position_;
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}
