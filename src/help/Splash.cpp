#include "help/Splash.h"

#include "dialogs/WelcomeIds.h"
#include "inventory/Utils.h"
#include "win/Gdi.h"

TSplashSettings SplashSettings;

namespace {

const wchar_t kClassName[] = L"TfSplash";
// The picture is drawn for 96 DPI and for twice that.
constexpr int kWidth = 480;
constexpr int kHeight = 300;

}  // namespace

void WaitWithMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  // Nothing sets it: the wait ends by time, or early for each message.
  win::UniqueHandleObj never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  DWORD elapsed = 0;
  while (elapsed < milliseconds) {
    HANDLE handles[] = {never.Get()};
    DWORD rc = MsgWaitForMultipleObjects(never ? 1 : 0, handles, FALSE, milliseconds - elapsed,
                                         QS_ALLINPUT);
    if (rc == WAIT_OBJECT_0 + (never ? 1 : 0)) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // The quit is the main loop's to see: it is posted again and the wait ends.
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));
          return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    } else if (rc == WAIT_FAILED) {
      break;
    }
    elapsed = GetTickCount() - start;
  }
}

std::vector<BYTE> TfSplash::FadeSteps() {
  std::vector<BYTE> steps;
  for (int alpha = 0; alpha <= 255; alpha += 5) steps.push_back(static_cast<BYTE>(alpha));
  return steps;
}

TfSplash::TfSplash() {
  RegisterClass(kClassName, 0, LoadCursorW(nullptr, IDC_APPSTARTING),
                reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

TfSplash::~TfSplash() {
  if (Handle()) DestroyWindow(Handle());
}

void TfSplash::Show(HWND owner) {
  const int scale = win::Scale(nullptr, 100);
  size_ = {kWidth * scale / 100, kHeight * scale / 100};
  picture_.Reset(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr),
                 MAKEINTRESOURCEW(scale > 100 ? IDB_SPLASH_2X : IDB_SPLASH), IMAGE_BITMAP, 0, 0,
                 LR_CREATEDIBSECTION)));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  // Fully transparent from the start: the fade begins from nothing.
  CreateWindowObject(WS_EX_LAYERED | WS_EX_TOOLWINDOW, kClassName, L"Tarvenholt Purgalot!",
                     WS_POPUP, area.left + (area.right - area.left - size_.cx) / 2,
                     area.top + (area.bottom - area.top - size_.cy) / 2, size_.cx, size_.cy,
                     owner, nullptr);
  const bool fade = TUtils::IsNTPlatform();
  SetLayeredWindowAttributes(Handle(), 0, fade ? 0 : 255, LWA_ALPHA);
  ShowWindow(Handle(), SW_SHOW);
  UpdateWindow(Handle());
  if (fade) FadeIn();
}

void TfSplash::FadeIn() {
  for (BYTE alpha : FadeSteps()) {
    SetLayeredWindowAttributes(Handle(), 0, alpha, LWA_ALPHA);
    if (SplashSettings.OnStep) SplashSettings.OnStep(Handle(), alpha);
    WaitWithMessages(SplashSettings.StepMilliseconds);
  }
}

LRESULT TfSplash::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      return HTCLIENT;
  }
  return DefaultProc(msg, wp, lp);
}

void TfSplash::Paint() {
  win::PaintDc paint(Handle());
  RECT client;
  GetClientRect(Handle(), &client);
  if (!picture_) {
    FillRect(paint.Get(), &client, GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  BITMAP info{};
  GetObjectW(picture_.Get(), sizeof info, &info);
  win::UniqueHdc memory(CreateCompatibleDC(paint.Get()));
  win::SelectGuard select(memory.Get(), picture_.Get());
  SetStretchBltMode(paint.Get(), HALFTONE);
  SetBrushOrgEx(paint.Get(), 0, 0, nullptr);
  StretchBlt(paint.Get(), 0, 0, client.right, client.bottom, memory.Get(), 0, 0, info.bmWidth,
             info.bmHeight, SRCCOPY);
}
