#include "widgets/UPClickSplitter.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace widgets_test;

namespace {

constexpr int kFormWidth = 600;
constexpr int kFormHeight = 400;
constexpr int kHandleY = 200;  // middle of the handle, which spans 160..240 on a 400-high bar
constexpr int kOffHandleY = 50;

HWND Child(HWND parent, int x, int y, int width, int height, DWORD style = SS_BLACKRECT) {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                         parent, nullptr, nullptr, nullptr);
}

// A key message for a window, handled as a message loop with dialog keyboard handling does.
void TypeThroughDialogLoop(HWND form, HWND target, UINT msg, WPARAM key) {
  MSG typed{target, msg, key, 1, 0, {}};
  if (IsDialogMessageW(form, &typed)) return;
  TranslateMessage(&typed);
  DispatchMessageW(&typed);
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return "no error";
}

// A side panel 200 wide at the left, the bar right of it, and an edit box that has the focus.
class LeftSplitterTest : public ::testing::Test {
protected:
  LeftSplitterTest() : form(kFormWidth, kFormHeight) {
    side = Child(form.Handle(), 0, 0, 200, kFormHeight);
    splitter.Create(form.Handle(), TAlign::alLeft, 200, 0, 7, kFormHeight);
    edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 300, 10, 100, 22,
                           form.Handle(), nullptr, nullptr, nullptr);
    splitter.OnMoved = [this](TUPClickSplitter&) { moved.push_back(SideWidth()); };
    SetFocus(edit);
    TCapture settle(form.Handle());
  }
  HWND Bar() { return splitter.Handle(); }
  int SideWidth() { return RectInParent(side).right - RectInParent(side).left; }
  int BarLeft() { return RectInParent(Bar()).left; }
  // Press at a height of the bar, move across by dx, release there.
  void Drag(int y, int dx) {
    MouseDown(Bar(), 3, y);
    MouseMove(Bar(), 3 + dx, y);
    MouseUp(Bar(), 3 + dx, y);
  }
  void ClickHandle() { Drag(kHandleY, 0); }
  // The top arrow's first row: "..#." points left, ".#.." right.
  bool ArrowPointsLeft() {
    TCapture pixels(Bar());
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    const int top = kHandleY - 40 + 4;
    EXPECT_NE(pixels.At(2 + 1, top) == ink, pixels.At(2 + 2, top) == ink);
    return pixels.At(2 + 2, top) == ink;
  }

  TTestForm form;
  HWND side = nullptr;
  HWND edit = nullptr;
  TUPClickSplitter splitter;
  std::vector<int> moved;
};

TEST_F(LeftSplitterTest, HandleClickCollapsesThenRestoresAndTurnsTheArrows) {
  EXPECT_TRUE(ArrowPointsLeft());
  ClickHandle();
  EXPECT_EQ(SideWidth(), 0);
  EXPECT_EQ(BarLeft(), 0);
  EXPECT_EQ(splitter.LastSize(), 0);
  EXPECT_EQ(splitter.SavedSize(), 200);
  EXPECT_EQ(splitter.ArrowDirection(), TArrowDirection::adRight);
  EXPECT_FALSE(ArrowPointsLeft());
  // The owner hears of the new size after it is applied, and again when sizing ends.
  EXPECT_EQ(moved, (std::vector<int>{0, 0}));

  ClickHandle();
  EXPECT_EQ(SideWidth(), 200);
  EXPECT_EQ(BarLeft(), 200);
  EXPECT_EQ(splitter.ArrowDirection(), TArrowDirection::adLeft);
  EXPECT_TRUE(ArrowPointsLeft());
}

TEST_F(LeftSplitterTest, CollapseAfterADragRestoresTheDraggedSize) {
  Drag(kOffHandleY, -50);
  EXPECT_EQ(SideWidth(), 150);
  EXPECT_EQ(BarLeft(), 150);
  ClickHandle();
  EXPECT_EQ(SideWidth(), 0);
  ClickHandle();
  EXPECT_EQ(SideWidth(), 150);

  // A drag that starts on the handle and ends away from it only resizes.
  Drag(kHandleY, -30);
  EXPECT_EQ(SideWidth(), 120);
  EXPECT_EQ(splitter.ArrowDirection(), TArrowDirection::adLeft);
}

TEST_F(LeftSplitterTest, DragStopsAtMinSizeAndAtTheLargestAllowedSize) {
  TCapture before(form.Handle());
  MouseDown(Bar(), 3, kOffHandleY);
  MouseMove(Bar(), 3 - 190, kOffHandleY);
  // The inverted outline stands at the limit, over the side panel, not under the pointer.
  TCapture during(form.Handle());
  for (int x : {30, 36}) EXPECT_EQ(during.At(x, kOffHandleY), before.At(x, kOffHandleY) ^ 0xFFFFFF);
  for (int x : {13, 29, 37}) EXPECT_EQ(during.At(x, kOffHandleY), before.At(x, kOffHandleY));
  MouseUp(Bar(), 3 - 190, kOffHandleY);
  EXPECT_EQ(SideWidth(), 30);

  Drag(kOffHandleY, 1000);
  EXPECT_EQ(SideWidth(), kFormWidth - 30 - 7);
  splitter.SetOtherAlignedExtent(100);
  Drag(kOffHandleY, -400);
  Drag(kOffHandleY, 1000);
  EXPECT_EQ(SideWidth(), kFormWidth - 30 - 7 - 100);
}

TEST_F(LeftSplitterTest, EscCancelsTheDragWhileOtherKeysReachTheFocusedControl) {
  TCapture before(form.Handle());
  MouseDown(Bar(), 3, kOffHandleY);
  MouseMove(Bar(), 3 - 50, kOffHandleY);
  EXPECT_NE(TCapture(form.Handle()).At(153, kOffHandleY), before.At(153, kOffHandleY));
  // Typed as the keyboard delivers it, to the focus (the bar took it for the drag), through a
  // message loop with dialog keyboard handling.
  HWND keyboard = GetFocus();
  EXPECT_EQ(keyboard, Bar());
  TypeThroughDialogLoop(form.Handle(), keyboard, WM_CHAR, L'x');
  TypeThroughDialogLoop(form.Handle(), keyboard, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_FALSE(splitter.Sizing());
  // The edit box has the keyboard back (unless another program on the display took it).
  if (GetActiveWindow() == form.Handle()) {
    EXPECT_EQ(GetFocus(), edit);
  }
  EXPECT_EQ(GetWindowTextLengthW(edit), 1);
  EXPECT_EQ(TCapture(form.Handle()).At(153, kOffHandleY), before.At(153, kOffHandleY));

  const size_t movedBefore = moved.size();
  MouseUp(Bar(), 3 - 50, kOffHandleY);
  EXPECT_EQ(SideWidth(), 200);
  EXPECT_EQ(splitter.LastSize(), -1);
  EXPECT_EQ(moved.size(), movedBefore);
}

TEST_F(LeftSplitterTest, WithoutHandleNothingIsDrawnAndClicksNeverCollapse) {
  splitter.SetColor(RGB(10, 20, 30));
  splitter.SetHandled(false);
  EXPECT_EQ(TCapture(Bar()).Count(RGB(10, 20, 30), {0, 0, 7, kFormHeight}), 7 * kFormHeight);
  for (int click = 0; click < 2; ++click) {
    ClickHandle();
    EXPECT_EQ(SideWidth(), 200);
    EXPECT_NE(splitter.LastSize(), 0);
  }
}

TEST_F(LeftSplitterTest, OnCanResizeMayRefuseOrChangeTheSize) {
  splitter.OnCanResize = [](TUPClickSplitter&, int& size) {
    if (size < 120) return false;
    size = size / 10 * 10;
    return true;
  };
  Drag(kOffHandleY, -55);
  EXPECT_EQ(SideWidth(), 140);
  Drag(kOffHandleY, -100);
  EXPECT_EQ(SideWidth(), 140);
}

TEST_F(LeftSplitterTest, CursorIsAnArrowOverTheHandleAndSizingElsewhere) {
  MouseMove(Bar(), 3, kHandleY, false);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  MouseMove(Bar(), 3, kOffHandleY, false);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
}

TEST(UPClickSplitterTest, RefusedValuesRaiseTheirMessagesAndAreNotApplied) {
  TTestForm form(300, 300);
  TUPClickSplitter left;
  left.Create(form.Handle(), TAlign::alLeft, 100, 0, 7, 300);
  EXPECT_EQ(ErrorOf([&] { left.SetAlign(TAlign::alNone); }),
            "Value not allowed for TUPClickSplitter component.");
  EXPECT_EQ(ErrorOf([&] { left.SetAlign(TAlign::alClient); }),
            "Value not allowed for TUPClickSplitter component.");
  EXPECT_EQ(left.Align(), TAlign::alLeft);
  EXPECT_EQ(ErrorOf([&] { left.SetWidth(6); }),
            "Min. width for a handled TUPClickSplitter component is 7");
  EXPECT_EQ(left.Width(), 7);
  left.SetHandled(false);
  left.SetWidth(3);
  left.SetHandled(true);
  EXPECT_EQ(left.Width(), 7);

  TUPClickSplitter top;
  EXPECT_EQ(ErrorOf([&] { top.Create(form.Handle(), TAlign::alTop, 0, 100, 300, 4); }),
            "Min. height for a handled TUPClickSplitter component is 7");
  top.Create(form.Handle(), TAlign::alTop, 0, 100, 300, 7);
  EXPECT_EQ(ErrorOf([&] { top.SetHeight(5); }),
            "Min. height for a handled TUPClickSplitter component is 7");
  top.SetWidth(2);  // the length of a horizontal bar is free
  EXPECT_EQ(top.Width(), 2);
}

TEST(UPClickSplitterTest, RightBarGrowsItsControlLeftward) {
  TTestForm form(kFormWidth, kFormHeight);
  HWND panel = Child(form.Handle(), 400, 0, 200, kFormHeight);
  TUPClickSplitter bar;
  bar.Create(form.Handle(), TAlign::alRight, 393, 0, 7, kFormHeight);
  EXPECT_EQ(bar.ArrowDirection(), TArrowDirection::adRight);
  MouseDown(bar.Handle(), 3, kOffHandleY);
  MouseMove(bar.Handle(), 3 - 50, kOffHandleY);
  MouseUp(bar.Handle(), 3 - 50, kOffHandleY);
  EXPECT_EQ(RectInParent(panel).left, 350);
  EXPECT_EQ(RectInParent(panel).right, kFormWidth);
  EXPECT_EQ(RectInParent(bar.Handle()).left, 343);
}

TEST(UPClickSplitterTest, BottomBarCollapsesItsControlDownward) {
  TTestForm form(kFormWidth, kFormHeight);
  HWND panel = Child(form.Handle(), 0, 300, kFormWidth, 100);
  TUPClickSplitter bar;
  bar.Create(form.Handle(), TAlign::alBottom, 0, 293, kFormWidth, 7);
  EXPECT_EQ(bar.ArrowDirection(), TArrowDirection::adDown);
  MouseDown(bar.Handle(), 10, 3);
  MouseMove(bar.Handle(), 10, 3 - 40);
  MouseUp(bar.Handle(), 10, 3 - 40);
  EXPECT_EQ(RectInParent(panel).top, 260);
  EXPECT_EQ(RectInParent(bar.Handle()).top, 253);

  MouseMove(bar.Handle(), kFormWidth / 2, 3, false);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  MouseDown(bar.Handle(), kFormWidth / 2, 3);
  MouseUp(bar.Handle(), kFormWidth / 2, 3);
  EXPECT_EQ(RectInParent(panel).top, kFormHeight);
  EXPECT_EQ(RectInParent(panel).bottom, kFormHeight);
  EXPECT_EQ(RectInParent(bar.Handle()).top, kFormHeight - 7);
  EXPECT_EQ(bar.ArrowDirection(), TArrowDirection::adUp);
}

TEST(UPClickSplitterTest, FindsACollapsedNeighbourAndSkipsHiddenOrDisabledOnes) {
  TTestForm form(kFormWidth, kFormHeight);
  // Both also lie under the point just left of the bar, and come first in creation order.
  HWND hidden = Child(form.Handle(), -20, 0, 70, kFormHeight);
  ShowWindow(hidden, SW_HIDE);
  HWND disabled = Child(form.Handle(), -20, 0, 70, kFormHeight);
  EnableWindow(disabled, FALSE);
  HWND collapsed = Child(form.Handle(), 0, 0, 0, kFormHeight);
  TUPClickSplitter bar;
  bar.Create(form.Handle(), TAlign::alLeft, 0, 0, 7, kFormHeight);
  EXPECT_EQ(bar.ControlledWindow(), collapsed);
  MouseDown(bar.Handle(), 3, kOffHandleY);
  MouseMove(bar.Handle(), 3 + 100, kOffHandleY);
  MouseUp(bar.Handle(), 3 + 100, kOffHandleY);
  EXPECT_EQ(RectInParent(collapsed).right, 100);
  EXPECT_EQ(RectInParent(hidden).right, 50);
  EXPECT_EQ(RectInParent(disabled).right, 50);
}

}  // namespace
