// The splash window: its fade, its look, and outside the NT family no fade at all.
#include "help/Splash.h"

#include "inventory/Utils.h"
#include "support/GuiDriver.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class SplashTest : public ::testing::Test {
protected:
  SplashTest() {
    SplashSettings.StepMilliseconds = 0;
    SplashSettings.OnStep = [this](HWND hwnd, BYTE) {
      BYTE alpha = 0;
      DWORD flags = 0;
      GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags);
      seen.push_back((flags & LWA_ALPHA) ? alpha : -1);
    };
  }
  ~SplashTest() override {
    SplashSettings = TSplashSettings();
    TUtils::SetPlatformFamily(TPlatformFamily::Detect);
  }
  static BYTE Alpha(HWND hwnd) {
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags));
    EXPECT_TRUE(flags & LWA_ALPHA);
    return alpha;
  }

  std::vector<int> seen;  // the alpha the window had after each step
};

TEST_F(SplashTest, FadesInOverFiftyTwoAlphaValuesAndEndsOpaqueCentredOnTheDesktop) {
  TfSplash splash;
  splash.Show(nullptr);
  std::vector<int> expected;
  for (int a = 0; a <= 255; a += 5) expected.push_back(a);
  ASSERT_EQ(expected.size(), 52u);
  EXPECT_EQ(seen, expected);
  HWND hwnd = splash.Handle();
  EXPECT_EQ(Alpha(hwnd), 255);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0u);
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.right - r.left, 480);  // the picture's size at 96 DPI
  EXPECT_EQ(r.bottom - r.top, 300);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_LE(std::abs((r.left + r.right) - (monitor.rcWork.left + monitor.rcWork.right)), 1);
  EXPECT_LE(std::abs((r.top + r.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom)), 1);
  // The picture is drawn: its blue, not an empty window.
  PumpMessages();
  TCapture capture(hwnd);
  COLORREF pixel = capture.At(20, 20);
  EXPECT_GT(GetBValue(pixel), GetRValue(pixel) + 40);
}

TEST_F(SplashTest, OutsideTheNtFamilyShowsOpaqueAtOnce) {
  TUtils::SetPlatformFamily(TPlatformFamily::Win9x);
  TfSplash splash;
  splash.Show(nullptr);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(Alpha(splash.Handle()), 255);
  EXPECT_TRUE(IsWindowVisible(splash.Handle()));
}

TEST_F(SplashTest, AQuitDuringTheFadeIsLeftForTheMainLoop) {
  SplashSettings.StepMilliseconds = 1;  // each step waits with messages
  PostQuitMessage(3);
  {
    TfSplash splash;
    splash.Show(nullptr);
  }
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(WaitWithMessages, KeepsTheQueueFlowingForTheWholeTime) {
  // A message posted before the wait is handled during it, and the wait still lasts its time.
  static int handled = 0;
  handled = 0;
  HWND hwnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                              nullptr);
  ASSERT_NE(hwnd, nullptr);
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC,
                    reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                      if (m == WM_APP) ++handled;
                      return DefWindowProcW(h, m, w, l);
                    }));
  PostMessageW(hwnd, WM_APP, 0, 0);
  const DWORD start = GetTickCount();
  WaitWithMessages(60);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(handled, 1);
  EXPECT_GE(elapsed, 50u);  // the tick count moves in steps of up to 16 ms
  DestroyWindow(hwnd);
}

}  // namespace
