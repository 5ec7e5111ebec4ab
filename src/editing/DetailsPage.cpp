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
  CreateWindowObject(WS_EX_CONTROLPARENT, kPageClass, L"",
                     WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPCHILDREN, place.left,
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
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      switch (wp) {
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
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
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
