#include "win/PaintedControl.h"

#include "win/Gdi.h"

#include <utility>

namespace win {

void TPaintedControl::Repaint() noexcept {
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TPaintedControl::PointerMoved() {
  if (hot_ || !CanHover()) return;
  hot_ = true;
  // Windows tells a window only once that the pointer left it, and only when asked each time.
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
  TrackMouseEvent(&track);
  HoverStarted();
}

void TPaintedControl::PointerLeft() {
  hot_ = false;
  HoverEnded();
}

void TPaintedControl::ButtonUp(LPARAM lp) {
  if (!std::exchange(pressed_, false)) return;
  ReleaseCapture();
  RECT rc;
  GetClientRect(Handle(), &rc);
  const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  if (PtInRect(&rc, pt)) Clicked();
}

LRESULT TPaintedControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      PaintBuffered(Handle(), [this](HDC dc) { Render(dc); });
      return 0;
    case WM_PRINTCLIENT:
      Render(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_ERASEBKGND:  // the paint covers everything
      return 1;
    case WM_MOUSEMOVE:
      PointerMoved();
      return 0;
    case WM_MOUSELEAVE:
      PointerLeft();
      return 0;
    case WM_LBUTTONDOWN:
      pressed_ = true;
      SetCapture(Handle());
      return 0;
    case WM_LBUTTONUP:
      ButtonUp(lp);
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = false;
      return 0;
  }
  return DefaultProc(msg, wp, lp);
}

}  // namespace win
