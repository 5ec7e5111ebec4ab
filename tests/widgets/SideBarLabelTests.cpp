#include "widgets/SideBarHeader.h"
#include "widgets/SideBarLabel.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace widgets_test;

namespace {

constexpr COLORREF kPanel = 0xF7D5C9;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kNavy = 0x800000;
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr int kWidth = 160;
constexpr int kHeight = 18;

class SideBarLabelTest : public ::testing::Test {
protected:
  SideBarLabelTest() : form(300, 200) {
    edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 10,
                           170, 100, 22, form.Handle(), nullptr, nullptr, nullptr);
    panel.Create(form.Handle(), 0, 0, 300, 160);
    label.Create(panel.Handle(), L"Uninstall program", 20, 40, kWidth, kHeight);
    label.OnClick = [this] { ++clicks; };
    TCapture settle(form.Handle());
  }
  void Hover() {
    PointerTo(label.Handle(), 10, 9);
    MouseMove(label.Handle(), 10, 9, false);
  }
  void Leave() {
    // Moved again until the label hears of it: the pointer is shared with other programs.
    EXPECT_TRUE(PumpUntil([this] { return PointerTo(form.Handle(), 280, 190) && !label.Hot(); }));
  }
  // The longest unbroken horizontal run of one colour: an underline spans the whole text.
  static int LongestRun(const TCapture& pixels, COLORREF color) {
    int longest = 0;
    for (int y = 0; y < pixels.Height(); ++y)
      for (int x = 0, run = 0; x < pixels.Width(); ++x) {
        run = pixels.At(x, y) == color ? run + 1 : 0;
        longest = std::max(longest, run);
      }
    return longest;
  }
  bool Dialog(HWND target, WPARAM key) {
    MSG msg{target, WM_KEYDOWN, key, 0, 0, {}};
    return IsDialogMessageW(form.Handle(), &msg);
  }

  TTestForm form;
  HWND edit = nullptr;
  TSideBarElement panel;
  TSideBarLabel label;
  int clicks = 0;
};

TEST_F(SideBarLabelTest, HoverHighlightsAndUnderlinesAndLeavingGivesNormalColour) {
  label.SetFontColor(kGreen);
  TCapture designed(label.Handle());
  EXPECT_GT(designed.Count(kGreen, {0, 0, kWidth, kHeight}), 0);
  EXPECT_EQ(designed.At(kWidth - 2, 1), kPanel);  // sits on the panel's colour

  Hover();
  EXPECT_TRUE(label.Hot());
  EXPECT_EQ(label.FontColor(), kBlue);
  TCapture hot(label.Handle());
  const RECT text = hot.Bounds(kBlue, {0, 0, kWidth, kHeight});
  EXPECT_EQ(hot.Count(kGreen, {0, 0, kWidth, kHeight}), 0);
  EXPECT_GE(LongestRun(hot, kBlue), (text.right - text.left) * 9 / 10);
  EXPECT_LE(text.left, 2);  // left-aligned
  EXPECT_NEAR((text.top + text.bottom) / 2.0, kHeight / 2.0, 3.0);

  Leave();
  EXPECT_EQ(label.FontColor(), kNavy);
  EXPECT_FALSE(label.Font().lfUnderline);
  TCapture left(label.Handle());
  EXPECT_GT(left.Count(kNavy, {0, 0, kWidth, kHeight}), 0);
  EXPECT_EQ(left.Count(kGreen, {0, 0, kWidth, kHeight}), 0);
  EXPECT_LT(LongestRun(left, kNavy), (text.right - text.left) / 4);

  Hover();
  EXPECT_EQ(label.FontColor(), kBlue);
  EXPECT_TRUE(label.Font().lfUnderline);
}

TEST_F(SideBarLabelTest, ClickRunsOnlyWhenReleasedOverTheLabel) {
  MouseDown(label.Handle(), 10, 9);
  MouseUp(label.Handle(), 10, 9);
  EXPECT_EQ(clicks, 1);
  MouseDown(label.Handle(), 10, 9);
  MouseUp(label.Handle(), 10, 40);
  EXPECT_EQ(clicks, 1);
}

TEST_F(SideBarLabelTest, IsATabStopShowingFocusAndActivatedByEnterAndSpace) {
  SetFocus(edit);
  TCapture unfocused(label.Handle());
  ASSERT_TRUE(Dialog(edit, VK_TAB));
  ASSERT_EQ(GetFocus(), label.Handle());

  TCapture focused(label.Handle());
  int changedOnLeftEdge = 0;
  for (int y = 0; y < kHeight; ++y) changedOnLeftEdge += focused.At(0, y) != unfocused.At(0, y);
  EXPECT_GT(changedOnLeftEdge, 3);

  EXPECT_TRUE(Dialog(label.Handle(), VK_RETURN));
  EXPECT_EQ(clicks, 1);
  SendMessageW(label.Handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(clicks, 2);
}

}  // namespace
