#include "WidgetTestSupport.h"

#include "win/Gdi.h"


namespace widgets_test {

namespace {
const wchar_t kFormClass[] = L"WidgetTestForm";

LPARAM At(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}
}  // namespace

TTestForm::TTestForm(int clientWidth, int clientHeight) {
  RegisterClass(kFormClass, 0, LoadCursorW(nullptr, IDC_ARROW),
                static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT rc{0, 0, clientWidth, clientHeight};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  AdjustWindowRect(&rc, style, FALSE);
  CreateWindowObject(WS_EX_CONTROLPARENT, kFormClass, L"Widgets test", style, 40, 40,
                     rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr);
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  UpdateWindow(Handle());
  Pump();
}

LRESULT TTestForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && lp) Commands.emplace_back(LOWORD(wp), HIWORD(wp));
  return DefaultProc(msg, wp, lp);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void MouseDown(HWND hwnd, int x, int y) { SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y)); }

void MouseMove(HWND hwnd, int x, int y, bool leftHeld) {
  SendMessageW(hwnd, WM_MOUSEMOVE, leftHeld ? MK_LBUTTON : 0, At(x, y));
}

void MouseUp(HWND hwnd, int x, int y) { SendMessageW(hwnd, WM_LBUTTONUP, 0, At(x, y)); }

bool PointerTo(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  SetCursorPos(pt.x, pt.y);
  POINT now{};
  return GetCursorPos(&now) && now.x == pt.x && now.y == pt.y;
}

RECT RectInParent(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

}  // namespace widgets_test
