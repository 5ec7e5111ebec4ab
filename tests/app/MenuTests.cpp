// The main window's menus as the user meets them: drawn flat on the screen, opened and used with
// the mouse and the keyboard, their items still starting their commands.
#include "MainWindowTestSupport.h"
#include "app/Main.h"

#include "support/GuiDriver.h"
#include "widgets/XPMenu.h"
#include "win/Gdi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace testing_support;
using namespace main_window_testing;

namespace {

// Tells another thread when this thread's menu loop starts, opens a menu and ends.
class TMenuLoopWatch {
public:
  TMenuLoopWatch() {
    self_ = this;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Watch, nullptr, GetCurrentThreadId());
    drawHook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, WatchDrawn, nullptr, GetCurrentThreadId());
  }
  ~TMenuLoopWatch() {
    UnhookWindowsHookEx(drawHook_);
    UnhookWindowsHookEx(hook_);
    self_ = nullptr;
  }
  TMenuLoopWatch(const TMenuLoopWatch&) = delete;
  TMenuLoopWatch& operator=(const TMenuLoopWatch&) = delete;

  // Each waits up to 30 seconds for the next such event.
  bool WaitEntered() { return Wait(entered_); }
  bool WaitOpened(HMENU menu) { return Wait(opened_) && opened == menu; }
  bool WaitExited() { return Wait(exited_); }
  // Until an item of a menu has been drawn on the screen, 5 seconds at most.
  bool WaitDrawn() { return WaitForSingleObject(drawn_.Get(), 5000) == WAIT_OBJECT_0; }
  std::atomic<HMENU> opened{nullptr};
  std::atomic<bool> inLoop{false};

private:
  static bool Wait(const win::UniqueHandleObj& event) {
    return WaitForSingleObject(event.Get(), 30000) == WAIT_OBJECT_0;
  }
  static LRESULT CALLBACK Watch(int code, WPARAM wp, LPARAM lp) {
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && self_) {
      if (call.message == WM_ENTERMENULOOP) {
        self_->inLoop = true;
        SetEvent(self_->entered_.Get());
      } else if (call.message == WM_INITMENUPOPUP) {
        self_->opened = reinterpret_cast<HMENU>(call.wParam);
        SetEvent(self_->opened_.Get());
      } else if (call.message == WM_EXITMENULOOP) {
        self_->inLoop = false;
        SetEvent(self_->exited_.Get());
      }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  static LRESULT CALLBACK WatchDrawn(int code, WPARAM wp, LPARAM lp) {
    const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lp);
    if (code == HC_ACTION && self_ && call.message == WM_DRAWITEM)
      SetEvent(self_->drawn_.Get());
    return CallNextHookEx(nullptr, code, wp, lp);
  }

  static inline TMenuLoopWatch* self_ = nullptr;
  HHOOK hook_ = nullptr;
  HHOOK drawHook_ = nullptr;
  win::UniqueHandleObj drawn_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  win::UniqueHandleObj entered_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  win::UniqueHandleObj opened_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  win::UniqueHandleObj exited_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

// A key as the keyboard queues it for the window with the focus; with Alt held it is a system key.
void PostKey(HWND hwnd, WPARAM key, bool alt = false) {
  const LPARAM down = 1 | (alt ? LPARAM(KF_ALTDOWN) << 16 : 0);
  PostMessageW(hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
  PostMessageW(hwnd, alt ? WM_SYSKEYUP : WM_KEYUP, key, down | LPARAM(0xC0000000));
}

// Alt pressed and released alone: the menu bar takes the keyboard.
void PostAlt(HWND hwnd) {
  PostMessageW(hwnd, WM_SYSKEYDOWN, VK_MENU, 1 | LPARAM(KF_ALTDOWN) << 16);
  PostMessageW(hwnd, WM_SYSKEYUP, VK_MENU, 1 | LPARAM(0xC0000000));
}

POINT Middle(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A press of the left button on an item of the menu bar, at a point of the screen.
void PostBarClick(HWND window, const RECT& item) {
  PostMessageW(window, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(item.left + 4, item.top + 4));
}

// A click of the left button on an open menu, at a point of the screen: the menu's own loop
// reads the point from the message.
void PostMenuClick(HWND menuWindow, POINT at) {
  const LPARAM where = MAKELPARAM(at.x, at.y);
  PostMessageW(menuWindow, WM_MOUSEMOVE, 0, where);
  PostMessageW(menuWindow, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageW(menuWindow, WM_LBUTTONUP, 0, where);
}

// A pixel of the screen as a window shows it, at a point of the screen.
COLORREF ScreenPixel(HWND hwnd, POINT at) {
  RECT frame;
  GetWindowRect(hwnd, &frame);
  win::WindowDc dc(hwnd, DCX_WINDOW | DCX_CACHE);
  return GetPixel(dc.Get(), at.x - frame.left, at.y - frame.top);
}

// Whether the point shows the colour once the menus have drawn what they were drawing.
bool Shows(TMenuLoopWatch& loop, HWND hwnd, POINT at, COLORREF color) {
  while (ScreenPixel(hwnd, at) != color)
    if (!loop.WaitDrawn()) return false;
  return true;
}

class MenuTest : public MainWindowTest {
protected:
  // Runs the program's loop until the condition holds (30 seconds at most).
  bool RunUntil(const std::function<bool()>& condition) {
    const ULONGLONG end = GetTickCount64() + 30000;
    while (!condition()) {
      if (GetTickCount64() > end) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      if (main) PumpWithShortcuts(*main);
    }
    return true;
  }
  LONG_PTR ViewStyle() {
    return GetWindowLongPtrW(main->lvPrograms().Handle(), GWL_STYLE) & LVS_TYPEMASK;
  }
  bool OwnerDrawn(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
    return (info.fType & MFT_OWNERDRAW) != 0;
  }
};

TEST_F(MenuTest, EveryMenuIsDrawnFlatOnTheScreenLitUnderThePointerAndUpdatesKeepsItsPicture) {
  TfMain& w = Start();
  HMENU bar = w.MainMenu();
  std::vector<HMENU> menus{bar, w.PopupMenu()};
  for (int i = 0; i < GetMenuItemCount(bar); ++i) menus.push_back(GetSubMenu(bar, i));
  for (HMENU menu : menus)
    for (int i = 0; i < GetMenuItemCount(menu); ++i) EXPECT_TRUE(OwnerDrawn(menu, i)) << i;

  // Renamed at start-up, drawn with its picture in the icon column.
  HMENU help = GetSubMenu(bar, TfMain::mpHelp);
  int updates = -1;
  for (int i = 0; i < GetMenuItemCount(help); ++i)
    if (GetMenuItemID(help, i) == cmUpdates) updates = i;
  ASSERT_GE(updates, 0);
  wchar_t text[32] = {};
  GetMenuStringW(help, static_cast<UINT>(updates), text, 32, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Updates");
  TXPMenu& painter = w.XPMenu();
  const TXPMenuColors colors = painter.Colors();
  const SIZE size = painter.MeasureItem(help, updates);
  {
    win::UniqueHdc dc(CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    win::UniqueHBitmap target(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    win::SelectGuard select(dc.Get(), target.Get());
    painter.DrawItem(dc.Get(), {0, 0, size.cx, size.cy}, help, updates, 0);
    GdiFlush();
    int picture = 0;
    const int column = win::Scale(w.Handle(), painter.IconWidth());
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < column; ++x) {
        const DWORD p = static_cast<const DWORD*>(bits)[y * size.cx + x];
        picture += RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) != colors.IconColumnColor;
      }
    const int side = win::Scale(w.Handle(), 16);
    EXPECT_GT(picture, side * side / 3);
  }

  // The pointer over the bar lights up the item under it, and leaving puts it out.
  RECT viewItem{};
  ASSERT_TRUE(GetMenuItemRect(w.Handle(), bar, TfMain::mpView, &viewItem));
  const POINT view = Middle(viewItem);
  SendMessageW(w.Handle(), WM_NCMOUSEMOVE, HTMENU, MAKELPARAM(view.x, view.y));
  EXPECT_EQ(ScreenPixel(w.Handle(), {viewItem.left + 2, view.y}), colors.SelectFill);
  SendMessageW(w.Handle(), WM_NCMOUSELEAVE, 0, 0);
  EXPECT_EQ(ScreenPixel(w.Handle(), {viewItem.left + 2, view.y}), colors.MenuBar);

  // The File menu opened on the screen: its items, its thin separator, and the bar's item
  // selected, all in the painter's colours.
  HMENU file = GetSubMenu(bar, TfMain::mpFile);
  RECT barItem{};
  ASSERT_TRUE(GetMenuItemRect(w.Handle(), bar, TfMain::mpFile, &barItem));
  TMenuLoopWatch loop;
  MENUBARINFO whole{};
  whole.cbSize = sizeof whole;
  ASSERT_TRUE(GetMenuBarInfo(w.Handle(), OBJID_MENU, 0, &whole));
  std::atomic<bool> opened{false}, separatorThin{false}, columnShown{false}, backgroundShown{false},
      barShown{false}, barRestShown{false};
  std::thread user([&] {
    opened = loop.WaitOpened(file);
    HWND popup = WaitForWindowOfClass(L"#32768");
    RECT exit{}, separator{};
    if (opened && popup && GetMenuItemRect(nullptr, file, GetMenuItemCount(file) - 1, &exit) &&
        GetMenuItemRect(nullptr, file, 2, &separator)) {
      separatorThin = separator.bottom - separator.top == win::Scale(w.Handle(), 4);
      const POINT middle = Middle(exit);
      columnShown = Shows(loop, popup, {exit.left + 1, middle.y}, colors.IconColumnColor);
      backgroundShown = Shows(loop, popup, {exit.right - 2, middle.y}, colors.MenuColor);
      barShown = Shows(loop, w.Handle(), {barItem.left + 2, Middle(barItem).y}, colors.SelectFill);
      // Beside its items the bar is one band, whatever colour the platform gives it.
      barRestShown =
          Shows(loop, w.Handle(), {whole.rcBar.right - 3, Middle(barItem).y}, colors.MenuBar);
    }
    PostKey(w.Handle(), VK_ESCAPE);
    PostKey(w.Handle(), VK_ESCAPE);
  });
  PostBarClick(w.Handle(), barItem);
  const bool closed = RunUntil([&] { return opened && !loop.inLoop; });
  user.join();
  EXPECT_TRUE(opened);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(separatorThin);
  EXPECT_TRUE(columnShown);
  EXPECT_TRUE(backgroundShown);
  EXPECT_TRUE(barShown);
  EXPECT_TRUE(barRestShown);
}

TEST_F(MenuTest, FlatPopupMenusHaveAOnePixelBorderInThePopupBorderColour) {
  TfMain& w = Start();
  w.XPMenu().SetFlatMenu(true);
  const TXPMenuColors colors = w.XPMenu().Colors();
  TMenuLoopWatch loop;
  std::atomic<bool> opened{false}, border{false}, inside{false};
  std::thread user([&] {
    HWND popup = loop.WaitOpened(w.PopupMenu()) ? WaitForWindowOfClass(L"#32768") : nullptr;
    RECT frame{};
    if (popup && GetWindowRect(popup, &frame)) {
      opened = true;
      border = Shows(loop, popup, {frame.left, frame.top + 5}, colors.PopupBorder) &&
               Shows(loop, popup, {frame.right - 1, frame.bottom - 5}, colors.PopupBorder);
      inside = Shows(loop, popup, {frame.left + 1, frame.top + 5}, colors.MenuColor) &&
               Shows(loop, popup, {frame.right - 2, frame.bottom - 5}, colors.MenuColor);
    }
    PostKey(w.Handle(), VK_ESCAPE);
  });
  PostMessageW(w.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.lvPrograms().Handle()),
               MAKELPARAM(-1, -1));
  EXPECT_TRUE(RunUntil([&] { return opened && !loop.inLoop; }));
  user.join();
  EXPECT_TRUE(border);
  EXPECT_TRUE(inside);
}

TEST_F(MenuTest, ClickingItemsOfTheMenuBarAndOfThePopupMenuRunsTheirCommands) {
  TfMain& w = Start();
  Command(cmDetailsView);
  HMENU view = GetSubMenu(w.MainMenu(), TfMain::mpView);
  RECT barItem{};
  ASSERT_TRUE(GetMenuItemRect(w.Handle(), w.MainMenu(), TfMain::mpView, &barItem));
  {
    TMenuLoopWatch loop;
    std::thread user([&] {
      HWND popup = loop.WaitOpened(view) ? WaitForWindowOfClass(L"#32768") : nullptr;
      RECT small{};
      if (popup && GetMenuItemRect(nullptr, view, 1, &small)) PostMenuClick(popup, Middle(small));
    });
    PostBarClick(w.Handle(), barItem);
    EXPECT_TRUE(RunUntil([&] { return ViewStyle() == LVS_SMALLICON; }));
    user.join();
  }

  // The list's popup menu, for the selected program.
  {
    TMenuLoopWatch loop;
    std::atomic<bool> details{false};
    std::thread user([&] {
      HWND popup = loop.WaitOpened(w.PopupMenu()) ? WaitForWindowOfClass(L"#32768") : nullptr;
      RECT item{};
      if (!popup || !GetMenuItemRect(nullptr, w.PopupMenu(), 4, &item)) return;
      PostMenuClick(popup, Middle(item));
      if (HWND dialog = WaitForDialog(L"Program Details")) {
        details = true;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      }
    });
    PostMessageW(w.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.lvPrograms().Handle()),
                 MAKELPARAM(-1, -1));
    EXPECT_TRUE(RunUntil([&] { return details.load(); }));
    user.join();
  }
}

TEST_F(MenuTest, AltArrowsEnterAccessKeysAndEscWorkTheMenusFromTheKeyboard) {
  TfMain& w = Start();
  Command(cmDetailsView);
  HWND list = w.lvPrograms().Handle();
  SetFocus(list);
  HMENU bar = w.MainMenu();

  // Alt, two steps right to View, down into it and down to its third item.
  {
    TMenuLoopWatch loop;
    std::atomic<bool> steps{false};
    std::thread user([&] {
      if (!loop.WaitEntered()) return;
      PostKey(list, VK_RIGHT);
      PostKey(list, VK_RIGHT);
      PostKey(list, VK_DOWN);
      if (!loop.WaitOpened(GetSubMenu(bar, TfMain::mpView))) return;
      PostKey(list, VK_DOWN);
      PostKey(list, VK_DOWN);
      PostKey(list, VK_RETURN);
      steps = loop.WaitExited();
    });
    PostAlt(list);
    EXPECT_TRUE(RunUntil([&] { return ViewStyle() == LVS_LIST; }));
    user.join();
    EXPECT_TRUE(steps);
  }

  // Alt+V opens View; Esc closes it and Esc again leaves the bar, with nothing chosen.
  {
    TMenuLoopWatch loop;
    std::atomic<bool> left{false};
    std::thread user([&] {
      if (!loop.WaitOpened(GetSubMenu(bar, TfMain::mpView))) return;
      PostKey(list, VK_ESCAPE);
      PostKey(list, VK_ESCAPE);
      left = loop.WaitExited();
    });
    PostKey(list, 'V', true);
    EXPECT_TRUE(RunUntil([&] { return left.load(); }));
    user.join();
    EXPECT_EQ(ViewStyle(), LVS_LIST);
    // The focus is back on the list, unless another test program's window took the foreground
    // meanwhile: then this window has no focus at all until it is active again.
    RunUntil([&] { return GetFocus() == list || GetActiveWindow() != w.Handle(); });
    if (GetActiveWindow() == w.Handle()) {
      EXPECT_EQ(GetFocus(), list);
    }
  }

  // Each view has its access key: Alt+V, M is "Small Icons".
  {
    TMenuLoopWatch loop;
    std::thread user([&] {
      if (loop.WaitOpened(GetSubMenu(bar, TfMain::mpView))) PostKey(list, 'M');
    });
    PostKey(list, 'V', true);
    EXPECT_TRUE(RunUntil([&] { return ViewStyle() == LVS_SMALLICON; }));
    user.join();
  }

  // Alt+U and the access key D: the delete dialog for the selected program.
  {
    TMenuLoopWatch loop;
    std::atomic<bool> asked{false};
    std::thread user([&] {
      if (!loop.WaitOpened(GetSubMenu(bar, TfMain::mpUninstall))) return;
      PostKey(list, 'D');
      if (HWND dialog = WaitForDialog(L"Delete From List")) {
        asked = true;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      }
    });
    PostKey(list, 'U', true);
    EXPECT_TRUE(RunUntil([&] { return asked.load(); }));
    user.join();
  }

  // Alt+F and X: Exit.
  {
    TMenuLoopWatch loop;
    std::thread user([&] {
      if (loop.WaitOpened(GetSubMenu(bar, TfMain::mpFile))) PostKey(list, 'X');
    });
    const HWND window = w.Handle();
    PostKey(list, 'F', true);
    EXPECT_TRUE(RunUntil([&] { return !IsWindow(window); }));
    user.join();
    main.reset();
  }
}

}  // namespace
