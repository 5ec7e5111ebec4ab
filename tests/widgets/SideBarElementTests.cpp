#include "widgets/SideBarHeader.h"

#include "WidgetTestSupport.h"
#include "win/Gdi.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace widgets_test;

namespace {

constexpr COLORREF kPanel = 0xF7D5C9;
constexpr COLORREF kHeader = 0xCC5B26;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr int kWidth = 200;
constexpr int kHeight = 150;

// Two 16 x 16 pictures of one colour each: red while unfolded, green while folded.
win::UniqueHImageList FoldPictures() {
  win::UniqueHImageList list(ImageList_Create(16, 16, ILC_COLOR24, 2, 0));
  win::WindowDc screen(nullptr);
  for (COLORREF color : {kRed, kGreen}) {
    win::UniqueHBitmap picture(CreateCompatibleBitmap(screen.Get(), 16, 16));
    win::UniqueHdc dc(CreateCompatibleDC(screen.Get()));
    {
      win::SelectGuard select(dc.Get(), picture.Get());
      win::FillSolid(dc.Get(), {0, 0, 16, 16}, color);
    }
    ImageList_Add(list.Get(), picture.Get(), nullptr);
  }
  return list;
}

class SideBarElementTest : public ::testing::Test {
protected:
  SideBarElementTest() : form(300, 400) {
    element.Create(form.Handle(), 20, 20, kWidth, kHeight);
    element.OnHeightChanged = [this](TSideBarElement& e) { heights.push_back(e.Height()); };
    TCapture settle(form.Handle());
  }
  HWND Header() { return element.SideBarHeader().Handle(); }
  void ClickHeader(int x = 100, int y = 12) {
    MouseDown(Header(), x, y);
    MouseUp(Header(), x, y);
  }
  static RECT CaptionArea() { return {0, 0, kWidth - 30, 24}; }

  TTestForm form;
  TSideBarElement element;
  std::vector<int> heights;
};

TEST_F(SideBarElementTest, UnfoldingGivesBackTheHeightItWasFoldedAt) {
  element.SetState(false);
  EXPECT_EQ(element.Height(), 24);
  EXPECT_EQ(element.SavedHeight(), kHeight);
  element.SetState(false);  // a repeat must not remember the folded height
  SetWindowPos(element.Handle(), nullptr, 0, 0, kWidth, 90, SWP_NOMOVE | SWP_NOZORDER);

  element.SetState(true);
  EXPECT_TRUE(element.State());
  EXPECT_EQ(element.Height(), kHeight);
  EXPECT_EQ(heights, (std::vector<int>{24, 90, kHeight}));
}

TEST_F(SideBarElementTest, UnfoldingANeverFoldedPanelKeepsItsHeight) {
  element.SetState(true);
  EXPECT_EQ(element.Height(), kHeight);
  EXPECT_EQ(element.SavedHeight(), 0);
  EXPECT_TRUE(heights.empty());
}

TEST_F(SideBarElementTest, HeaderClickRaisesItsEventBeforeFoldingAndToggles) {
  std::vector<std::pair<bool, int>> seen;
  element.SideBarHeader().OnClick = [&] { seen.emplace_back(element.State(), element.Height()); };
  ClickHeader();
  EXPECT_FALSE(element.State());
  EXPECT_EQ(element.Height(), 24);
  ClickHeader();
  EXPECT_TRUE(element.State());
  EXPECT_EQ(element.Height(), kHeight);
  EXPECT_EQ(seen, (std::vector<std::pair<bool, int>>{{true, kHeight}, {false, 24}}));

  // Pressed on the header but released outside it: no click.
  MouseDown(Header(), 100, 12);
  MouseUp(Header(), 100, 40);
  EXPECT_TRUE(element.State());
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(SideBarElementTest, FoldPictureFollowsTheStateAndIsOptional) {
  const int x = kWidth - 23 + 8, y = 3 + 8;
  ClickHeader();  // no image list: folds all the same, and no picture is drawn
  EXPECT_FALSE(element.State());
  EXPECT_EQ(TCapture(Header()).At(x, y), kHeader);
  ClickHeader();

  win::UniqueHImageList pictures = FoldPictures();
  element.SetImageList(pictures.Get());
  TCapture unfolded(Header());
  EXPECT_EQ(unfolded.At(kWidth - 23, 3), kRed);
  EXPECT_EQ(unfolded.At(kWidth - 23 + 15, 3 + 15), kRed);
  EXPECT_EQ(unfolded.At(kWidth - 24, 3), kHeader);
  ClickHeader();
  EXPECT_EQ(TCapture(Header()).At(x, y), kGreen);
}

TEST_F(SideBarElementTest, PaintsPanelFrameHeaderRoundedCornersAndCaption) {
  element.SetSuportColor(kGreen);
  element.SetHeaderCaption(L"Actions");
  InvalidateRect(Header(), nullptr, FALSE);
  TCapture pixels(element.Handle());

  for (POINT corner : {POINT{0, 0}, {0, 1}, {1, 0}, {kWidth - 2, 0}, {kWidth - 1, 0}, {kWidth - 1, 1}})
    EXPECT_EQ(pixels.At(corner.x, corner.y), kGreen) << corner.x << "," << corner.y;
  for (POINT inside : {POINT{1, 1}, {2, 0}, {kWidth - 3, 0}, {kWidth - 2, 1}, {kWidth - 20, 12}})
    EXPECT_EQ(pixels.At(inside.x, inside.y), kHeader) << inside.x << "," << inside.y;
  for (POINT edge : {POINT{0, 60}, {kWidth - 1, 60}, {100, kHeight - 1}})
    EXPECT_EQ(pixels.At(edge.x, edge.y), kWhite) << edge.x << "," << edge.y;
  EXPECT_EQ(pixels.At(1, 60), kPanel);
  EXPECT_EQ(pixels.At(100, kHeight - 2), kPanel);

  // Caption in white, from x = 10, centred in the 24-pixel strip.
  const RECT ink = pixels.Bounds(kWhite, CaptionArea());
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.left, 12);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 12.0, 2.0);
}

TEST_F(SideBarElementTest, CaptionChangesColourUnderThePointer) {
  element.SetHeaderFontOn(kRed);
  element.SetHeaderFontOff(kYellow);
  element.SetHeaderCaption(L"Find");
  // A caption set at run time shows in white at once, in HeaderFontOff from the next repaint.
  EXPECT_GT(TCapture(Header()).Count(kWhite, CaptionArea()), 0);
  InvalidateRect(Header(), nullptr, FALSE);
  EXPECT_EQ(TCapture(Header()).Count(kWhite, CaptionArea()), 0);
  EXPECT_GT(TCapture(Header()).Count(kYellow, CaptionArea()), 0);

  PointerTo(Header(), 100, 12);
  MouseMove(Header(), 100, 12, false);
  TCapture hovered(Header());
  EXPECT_GT(hovered.Count(kRed, CaptionArea()), 0);
  EXPECT_EQ(hovered.Count(kYellow, CaptionArea()), 0);

  EXPECT_TRUE(PumpUntil([&] {
    return PointerTo(form.Handle(), 280, 380) && TCapture(Header()).Count(kRed, CaptionArea()) == 0;
  }));
  EXPECT_GT(TCapture(Header()).Count(kYellow, CaptionArea()), 0);
}

TEST_F(SideBarElementTest, GradientRunsFromNearWhiteToPaleBlue) {
  EXPECT_EQ(TCapture(Header()).At(3, 20), kHeader);
  element.SetGradientHeader(true);
  EXPECT_TRUE(element.SideBarHeader().GradientHeader());
  TCapture pixels(Header());
  const COLORREF left = pixels.At(3, 20), right = pixels.At(kWidth - 3, 20);
  EXPECT_GE(GetRValue(left), 250);
  EXPECT_GE(GetBValue(left), 250);
  EXPECT_NEAR(GetRValue(right), 201, 4);
  EXPECT_NEAR(GetGValue(right), 213, 4);
  EXPECT_NEAR(GetBValue(right), 247, 4);
}

TEST_F(SideBarElementTest, ControlsOnThePanelUseItsColourAndReportToTheOwner) {
  HWND text = CreateWindowExW(0, L"STATIC", L"Size:", WS_CHILD | WS_VISIBLE, 10, 40, 120, 20,
                              element.Handle(), nullptr, nullptr, nullptr);
  HWND button = CreateWindowExW(0, L"BUTTON", L"Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 70,
                                60, 24, element.Handle(), reinterpret_cast<HMENU>(42), nullptr,
                                nullptr);
  EXPECT_EQ(TCapture(text).At(115, 10), kPanel);
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(form.Commands, (std::vector<std::pair<int, int>>{{42, BN_CLICKED}}));
}

}  // namespace
