#include "WidgetTestSupport.h"

#include "win/Gdi.h"

#include <algorithm>

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

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Pump();
  }
  return true;
}

void MouseDown(HWND hwnd, int x, int y) { SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y)); }

void MouseMove(HWND hwnd, int x, int y, bool leftHeld) {
  SendMessageW(hwnd, WM_MOUSEMOVE, leftHeld ? MK_LBUTTON : 0, At(x, y));
}

void MouseUp(HWND hwnd, int x, int y) { SendMessageW(hwnd, WM_LBUTTONUP, 0, At(x, y)); }

void PointerTo(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  SetCursorPos(pt.x, pt.y);
}

RECT RectInParent(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

TCapture::TCapture(HWND hwnd) {
  RedrawWindow(GetAncestor(hwnd, GA_ROOT), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT rc;
  GetClientRect(hwnd, &rc);
  width_ = rc.right;
  height_ = rc.bottom;
  pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  win::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueHdc memory(CreateCompatibleDC(nullptr));
  if (!bitmap || !memory) return;
  {
    win::SelectGuard select(memory.Get(), bitmap.Get());
    win::WindowDc screen(hwnd, DCX_CACHE);
    BitBlt(memory.Get(), 0, 0, width_, height_, screen.Get(), 0, 0, SRCCOPY);
  }
  GdiFlush();
  const auto* source = static_cast<const DWORD*>(bits);
  for (size_t i = 0; i < pixels_.size(); ++i) {
    const DWORD bgrx = source[i];  // 0x00RRGGBB in memory order B, G, R
    pixels_[i] = RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
  }
}

COLORREF TCapture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

int TCapture::Count(COLORREF color, RECT area) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) count += At(x, y) == color;
  return count;
}

RECT TCapture::Bounds(COLORREF color, RECT area) const {
  RECT found{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (At(x, y) == color) {
        found.left = std::min<LONG>(found.left, x);
        found.top = std::min<LONG>(found.top, y);
        found.right = std::max<LONG>(found.right, x + 1);
        found.bottom = std::max<LONG>(found.bottom, y + 1);
      }
  if (found.left >= found.right) return RECT{};
  return found;
}

}  // namespace widgets_test
