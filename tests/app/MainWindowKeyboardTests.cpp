// The main window's keyboard focus, sizes, layout and pictures, driven as a user drives them.
#include "MainWindowTestSupport.h"
#include "app/Main.h"

#include "app/SideBar.h"
#include "dialogs/AuditIds.h"
#include "dialogs/DeleteIds.h"
#include "dialogs/UninstallIds.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "support/GuiDriver.h"
#include "support/PrintedPdf.h"
#include "support/TestMachine.h"
#include "widgets/SideBarHeader.h"
#include "widgets/SideBarLabel.h"
#include "widgets/UPClickSplitter.h"
#include "win/Gdi.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <memory>

using namespace testing_support;
using namespace main_window_testing;

namespace {

// Other test programs share the display, and a window of theirs may take the foreground at any
// moment. The main window then gets it back, as when the user switches back to the program.
HWND FocusOnceActive(TfMain& w) {
  if (GetActiveWindow() != w.Handle()) SetActiveWindow(w.Handle());
  return GetFocus();
}

// A key as the keyboard delivers it: to the window with the focus, through the program's message
// loop, with Shift held on request. (Handed to the loop at once: a window of another program that
// took the foreground meanwhile would leave the key without a focus.)
void PressOnFocus(TfMain& w, WPARAM key, bool shift = false) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(state);
  for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    const LPARAM repeat = message == WM_KEYDOWN ? 1 : LPARAM(0xC0000001);
    MSG msg{FocusOnceActive(w), message, key, repeat, 0, {}};
    if (w.PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  PumpWithShortcuts(w);
  state[VK_SHIFT] = 0;
  SetKeyboardState(state);
}

RECT RectIn(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int WidthOf(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return r.right - r.left;
}

// Whether a dialog with the caption was still the window in front when it was hidden.
struct THideWatch {
  static inline const wchar_t* Caption = nullptr;
  static inline int Hidden = 0;  // 0 not yet, 1 in front, 2 behind another window
  static LRESULT CALLBACK Watch(int code, WPARAM wp, LPARAM lp) {
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && call.message == WM_WINDOWPOSCHANGING && Hidden == 0 &&
        (reinterpret_cast<const WINDOWPOS*>(call.lParam)->flags & SWP_HIDEWINDOW) &&
        IsWindowVisible(call.hwnd) && win::WindowText(call.hwnd) == Caption)
      Hidden = GetForegroundWindow() == call.hwnd ? 1 : 2;
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  explicit THideWatch(const wchar_t* caption) {
    Caption = caption;
    Hidden = 0;
  }
  ~THideWatch() { UnhookWindowsHookEx(hook); }
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, Watch, nullptr, GetCurrentThreadId());
};

TEST_F(MainWindowTest, TheFocusComesBackAfterMessageBoxesDialogsAndOtherWindows) {
  TfMain& w = Start();
  HWND list = w.lvPrograms().Handle();
  EXPECT_EQ(FocusOnceActive(w), list);
  Command(cmDetailsView);

  // A message box: after it the arrow keys move through the list at once.
  SetWindowTextW(w.FindEdit(), L"zzz");
  TMessageBoxWatcher box;
  Command(cmFind);
  box.Finish();
  ASSERT_TRUE(box.Seen());
  ASSERT_EQ(FocusOnceActive(w), list);
  SendMessageW(GetFocus(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(SelectedCaption(), L"Beta Player");

  // A dialog.
  std::thread user([] {
    if (HWND log = WaitForDialog(L"Uninstall Log")) PostMessageW(log, WM_COMMAND, IDCANCEL, 0);
  });
  Command(cmUninstallLog);
  user.join();
  EXPECT_EQ(FocusOnceActive(w), list);

  // A saved audit report: its window hides while the report is written, and then the main window
  // must be active again. Only a window in front when it hides hands the activation on, so an
  // attempt in which another program had taken the foreground before tells nothing.
  bool told = false;
  for (int attempt = 0; attempt < 10 && !told; ++attempt) {
    FocusOnceActive(w);
    SetFocus(list);
    THideWatch hide(L"Audit Report");
    std::atomic<bool> saved{false};
    std::thread auditor([&saved, attempt, folder = dir.Path()] {
      HWND audit = WaitForDialog(L"Audit Report");
      if (!audit) return;
      PostClick(GetDlgItem(audit, IDC_AUD_SAVE));
      saved = AnswerFileDialog(L"Save Report As",
                               folder + L"report" + std::to_wstring(attempt) + L".txt");
    });
    SendMessageW(w.Handle(), WM_COMMAND, cmAuditReport, 0);
    const HWND active = GetActiveWindow(), focus = GetFocus();  // before anything else runs
    auditor.join();
    ASSERT_TRUE(saved);
    if (THideWatch::Hidden != 1) continue;
    told = true;
    EXPECT_EQ(active, w.Handle());
    EXPECT_EQ(focus, list);
  }
  EXPECT_TRUE(told) << "the audit window was never in front when it hid";

  // Another window in front, then the program again: the find box still has the keyboard.
  SetFocus(w.FindEdit());
  HWND other = CreateWindowExW(0, L"STATIC", L"Other program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               50, 50, 200, 100, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(other);
  EXPECT_EQ(FocusOnceActive(w), w.FindEdit());
}

TEST_F(MainWindowTest, TabAndShiftTabMoveOnFromTheFindBoxWhileEnterSearches) {
  TfMain& w = Start();
  SetFocus(w.FindEdit());
  PressOnFocus(w, VK_TAB);
  EXPECT_EQ(FocusOnceActive(w), w.SideBar().FindButton());
  PressOnFocus(w, VK_TAB, true);
  EXPECT_EQ(FocusOnceActive(w), w.FindEdit());
  PressOnFocus(w, VK_TAB, true);
  EXPECT_EQ(FocusOnceActive(w), w.SideBar().DetailsLink().Handle());

  SetFocus(w.FindEdit());
  SetWindowTextW(w.FindEdit(), L"delta");
  PressOnFocus(w, VK_RETURN);
  EXPECT_EQ(SelectedCaption(), L"Delta Browser");
  EXPECT_EQ(FocusOnceActive(w), w.FindEdit());
}

TEST_F(MainWindowTest, MinimisingAndRestoringKeepTheSideBar) {
  key.SetString(L"Desktop", L"WindowState", L"1");
  TfMain& w = Start();
  ASSERT_TRUE(IsIconic(w.Handle()));
  const int designed = win::Scale(w.Handle(), TfMain::kSideBarWidth);
  const int bar = win::Scale(w.Handle(), TfMain::kSplitterWidth);
  for (int round = 0; round < 2; ++round) {
    ShowWindow(w.Handle(), SW_RESTORE);
    PumpMessages();
    EXPECT_EQ(WidthOf(w.SideBar().Handle()), designed) << round;
    EXPECT_EQ(RectIn(w.Handle(), w.lvPrograms().Handle()).left, designed + bar) << round;
    ShowWindow(w.Handle(), SW_MINIMIZE);
    PumpMessages();
  }
}

TEST_F(MainWindowTest, EscCancelsASplitterDragInTheProgramsMessageLoop) {
  TfMain& w = Start();
  HWND bar = w.Splitter().Handle();
  const int before = WidthOf(w.SideBar().Handle());
  const LPARAM start = MAKELPARAM(3, 5), moved = MAKELPARAM(static_cast<WORD>(-57), 5);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, start);
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, moved);
  ASSERT_TRUE(w.Splitter().Sizing());
  PressOnFocus(w, VK_ESCAPE);
  EXPECT_FALSE(w.Splitter().Sizing());
  SendMessageW(bar, WM_LBUTTONUP, 0, moved);
  PumpMessages();
  EXPECT_EQ(WidthOf(w.SideBar().Handle()), before);
}

// Where the main window is when it first becomes visible.
struct TFirstShown {
  static inline RECT Rect{};
  static inline bool Seen = false;
  static LRESULT CALLBACK Watch(int code, WPARAM wp, LPARAM lp) {
    const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lp);
    wchar_t className[16] = {};
    if (code == HC_ACTION && call.message == WM_WINDOWPOSCHANGED && !Seen &&
        GetClassNameW(call.hwnd, className, 16) && lstrcmpW(className, L"TfMain") == 0) {
      const auto& pos = *reinterpret_cast<const WINDOWPOS*>(call.lParam);
      if (pos.flags & SWP_SHOWWINDOW) {
        Seen = true;
        Rect = {pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};
      }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  TFirstShown() { Seen = false; }
  ~TFirstShown() { UnhookWindowsHookEx(hook); }
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, Watch, nullptr, GetCurrentThreadId());
};

TEST_F(MainWindowTest, AWindowMaximisedAtExitRestoresToItsStoredPlace) {
  TfMain& first = Start();
  SetWindowPos(first.Handle(), nullptr, 120, 90, 700, 500, SWP_NOZORDER);
  PumpMessages();
  RECT normal;
  GetWindowRect(first.Handle(), &normal);
  ShowWindow(first.Handle(), SW_MAXIMIZE);
  // The window manager answers in its own time; under load the state it reports can come late.
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(first.Handle()) != FALSE; }));
  PumpMessages();
  Close();

  TFirstShown shown;
  TfMain& second = Start();
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(second.Handle()) != FALSE; }));
  // A window manager restores a window to where it saw it in its normal state: it must see the
  // stored place before the window is maximised.
  ASSERT_TRUE(shown.Seen);
  EXPECT_TRUE(EqualRect(&shown.Rect, &normal)) << shown.Rect.left << "," << shown.Rect.top;
  ShowWindow(second.Handle(), SW_RESTORE);
  PumpMessages();
  RECT restored;
  GetWindowRect(second.Handle(), &restored);
  EXPECT_TRUE(EqualRect(&restored, &normal));
}

TEST_F(MainWindowTest, AtItsSmallestTheWindowShowsToolbarListAndStatusAndScrollsTheSideBar) {
  TfMain& w = Start();
  SetWindowPos(w.Handle(), nullptr, 0, 0, 40, 40, SWP_NOMOVE | SWP_NOZORDER);
  PumpMessages();
  RECT client;
  GetClientRect(w.Handle(), &client);
  RECT button{};
  SendMessageW(w.Toolbar(), TB_GETRECT, cmUpdates, reinterpret_cast<LPARAM>(&button));
  EXPECT_LE(button.right, client.right);
  const RECT toolbar = RectIn(w.Handle(), w.Toolbar());
  const RECT status = RectIn(w.Handle(), w.StatusBar());
  const RECT list = RectIn(w.Handle(), w.lvPrograms().Handle());
  const RECT filter = RectIn(w.Handle(), w.FilterEdit());
  EXPECT_EQ(status.bottom, client.bottom);
  // The filter box sits between the toolbar and the list, whole.
  EXPECT_GT(filter.top, toolbar.bottom);
  EXPECT_LT(filter.bottom, list.top);
  EXPECT_EQ(filter.right, list.right - win::Scale(w.Handle(), 4));
  EXPECT_EQ(list.bottom, status.top);
  EXPECT_GE(list.bottom - list.top, win::Scale(w.Handle(), TfMain::kMinListHeight));
  EXPECT_EQ(list.right, client.right);
  // The side bar keeps its designed width; its panels are taller than it, so it scrolls.
  HWND side = w.SideBar().Handle();
  EXPECT_EQ(WidthOf(side), win::Scale(w.Handle(), TfMain::kSideBarWidth));
  RECT sideClient;
  GetClientRect(side, &sideClient);
  EXPECT_GT(RectIn(side, w.FindEdit()).bottom, sideClient.bottom);
  SendMessageW(side, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_GT(w.SideBar().ScrollPosition(), 0);
  const RECT find = RectIn(side, w.FindEdit());
  EXPECT_GE(find.top, 0);
  EXPECT_LE(find.bottom, sideClient.bottom);
  SendMessageW(side, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(w.SideBar().ScrollPosition(), 0);
  // Reached with the keyboard, the find box scrolls into view as well.
  SetFocus(w.SideBar().DetailsLink().Handle());
  PressOnFocus(w, VK_TAB);
  ASSERT_EQ(FocusOnceActive(w), w.FindEdit());
  EXPECT_LE(RectIn(side, w.FindEdit()).bottom, sideClient.bottom);
}

TEST_F(MainWindowTest, ResizingLeavesNoSizeGripBehindInTheStatusLine) {
  TfMain& w = Start();
  RECT r;
  GetWindowRect(w.Handle(), &r);
  for (int grow : {200, -150}) {
    SetWindowPos(w.Handle(), nullptr, 0, 0, r.right - r.left + grow, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    TCapture shown(w.StatusBar());
    InvalidateRect(w.StatusBar(), nullptr, TRUE);
    EXPECT_TRUE(shown == TCapture(w.StatusBar())) << grow;
  }
}

TEST_F(MainWindowTest, StartingAndClosingRaiseNoAccessViolation) {
  static std::atomic<int> violations{0};
  struct TWatch {
    static LONG CALLBACK Count(EXCEPTION_POINTERS* e) {
      if (e->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) ++violations;
      return EXCEPTION_CONTINUE_SEARCH;
    }
    PVOID handler = AddVectoredExceptionHandler(1, Count);
    ~TWatch() { RemoveVectoredExceptionHandler(handler); }
  } watch;
  violations = 0;
  Start();
  Close();
  EXPECT_EQ(violations.load(), 0);
}

}  // namespace
