#include "widgets/XPMenu.h"

#include "WidgetTestSupport.h"
#include "win/Gdi.h"

#include <gtest/gtest.h>

#include <vector>

using namespace widgets_test;

namespace {

// System colours of the classic scheme: every derived colour differs from every other.
TSystemColors Classic() {
  TSystemColors colors = TSystemColors::Current();
  colors.Values[COLOR_BTNFACE] = RGB(212, 208, 200);
  colors.Values[COLOR_HIGHLIGHT] = RGB(10, 36, 106);
  colors.Values[COLOR_BTNSHADOW] = RGB(128, 128, 128);
  colors.Values[COLOR_MENUTEXT] = RGB(0, 0, 0);
  colors.Values[COLOR_INACTIVECAPTION] = RGB(122, 150, 223);
  colors.Values[COLOR_MENU] = RGB(1, 1, 1);
  colors.Values[COLOR_HIGHLIGHTTEXT] = RGB(254, 254, 254);
  colors.Values[COLOR_GRAYTEXT] = RGB(3, 200, 3);
  return colors;
}

constexpr COLORREF kRed = RGB(255, 0, 0);

// A 16-pixel picture: an opaque red square with a transparent rim of two pixels, its top row
// blue.
win::UniqueHBitmap RedSquare() {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  auto* pixels = static_cast<DWORD*>(bits);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      pixels[y * 16 + x] = (x >= 2 && x < 14 && y >= 2 && y < 14) ? 0xFFFF0000 : 0;
  for (int x = 2; x < 14; ++x) pixels[2 * 16 + x] = 0xFF0000FF;
  return bitmap;
}

// The same as a plain 24-bit bitmap on a magenta ground, as older pictures come.
win::UniqueHBitmap RedSquareOnMagenta() {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, 16, 16, 1, 24, BI_RGB, 0, 0, 0, 0, 0};  // bottom-up
  void* bits = nullptr;
  win::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  auto* rows = static_cast<BYTE*>(bits);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      BYTE* p = rows + (15 - y) * 48 + x * 3;  // B, G, R
      const bool square = x >= 2 && x < 14 && y >= 2 && y < 14;
      p[0] = square ? (y == 2 ? 255 : 0) : 255;
      p[1] = 0;
      p[2] = square ? (y == 2 ? 0 : 255) : 255;
    }
  return bitmap;
}

class XPMenuTest : public ::testing::Test {
protected:
  XPMenuTest() : form(300, 100), painter(form.Handle()) {
    popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 10, L"Open");
    AppendMenuW(popup, MF_STRING, 11, L"&Open");
    AppendMenuW(popup, MF_STRING, 12, L"Open\tCtrl+N");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    more = CreatePopupMenu();
    AppendMenuW(more, MF_STRING, 20, L"Deeper");
    AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(more), L"More");
    MENUITEMINFOW radio{};
    radio.cbSize = sizeof radio;
    radio.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    radio.fType = MFT_STRING | MFT_RADIOCHECK;
    radio.wID = 13;
    radio.dwTypeData = const_cast<wchar_t*>(L"Radio");
    InsertMenuItemW(popup, 5, TRUE, &radio);
    bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"&File");
    AppendMenuW(bar, MF_STRING, 30, L"Open");
    SetMenu(form.Handle(), bar);
    painter.SetSystemColors(Classic());
    painter.SetColorDepth(32);
    painter.SetHighContrast(false);
    painter.Attach(bar, true);
    painter.SetActive(true);
  }

  // The menu font at the form's DPI, or another, as the painter uses it by default.
  SIZE Extent(const std::wstring& text, UINT dpi = 0) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                               dpi ? dpi : win::WindowDpi(form.Handle()));
    win::UniqueHFont font(CreateFontIndirectW(&metrics.lfMenuFont));
    win::WindowDc dc(form.Handle());
    win::SelectGuard select(dc.Get(), font.Get());
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
  }

  // Draws an item off-screen at width x height and returns its pixels.
  struct TDrawing {
    int Width;
    std::vector<COLORREF> Pixels;
    COLORREF At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
  };
  TDrawing Draw(int position, UINT state, int width = 200, int height = 24) {
    win::UniqueHdc dc(CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    win::UniqueHBitmap target(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    win::SelectGuard select(dc.Get(), target.Get());
    win::FillSolid(dc.Get(), {0, 0, width, height}, RGB(0, 255, 0));
    painter.DrawItem(dc.Get(), {0, 0, width, height}, popup, position, state);
    GdiFlush();
    TDrawing drawing{width, {}};
    const auto* p = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i)
      drawing.Pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    return drawing;
  }
  bool OwnerDrawn(HMENU menu, UINT position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return (info.fType & MFT_OWNERDRAW) != 0;
  }

  TTestForm form;
  TXPMenu painter;
  HMENU bar = nullptr, popup = nullptr, more = nullptr;
};

TEST(XPMenuColorsTest, LightenAndDarkenWorkPerChannelAndStayInRange) {
  EXPECT_EQ(Lighten(RGB(10, 36, 106), 50), RGB(133, 146, 181));  // halves round up
  EXPECT_EQ(Lighten(RGB(10, 36, 106), 0), RGB(10, 36, 106));
  EXPECT_EQ(Lighten(RGB(10, 36, 106), 100), RGB(255, 255, 255));
  EXPECT_EQ(Darken(RGB(100, 100, 100), 10), RGB(90, 92, 90));  // green keeps two more
  EXPECT_EQ(Darken(RGB(5, 250, 5), 10), RGB(0, 242, 0));
  EXPECT_EQ(Darken(RGB(200, 254, 200), 1), RGB(199, 255, 199));
}

TEST(XPMenuColorsTest, SystemColoursGiveTheHighColourColumnOnGoodScreensAndTheLowOneOnPoorOnes) {
  const TXPMenuStyle style;  // the defaults: system colours
  const TXPMenuColors high = DeriveColors(style, Classic(), IsHighColor(32), false);
  EXPECT_EQ(high.MenuColor, RGB(249, 248, 247));
  EXPECT_EQ(high.IconColumnColor, RGB(219, 216, 209));
  EXPECT_EQ(high.SelectFill, RGB(177, 185, 207));
  EXPECT_EQ(high.SelectBorder, RGB(10, 36, 106));
  EXPECT_EQ(high.MenuBar, RGB(212, 208, 200));
  EXPECT_EQ(high.Disabled, RGB(141, 141, 141));
  EXPECT_EQ(high.CheckFrame, RGB(10, 36, 106));
  EXPECT_EQ(high.Separator, RGB(160, 160, 160));
  EXPECT_EQ(high.CheckFill, RGB(206, 211, 225));
  EXPECT_EQ(high.CheckFillSelected, RGB(133, 146, 181));
  EXPECT_EQ(high.PopupBorder, RGB(122, 120, 110));
  EXPECT_EQ(high.SelectedText, RGB(0, 0, 0));
  EXPECT_EQ(high.BarSelectedText, RGB(0, 0, 0));  // the icon column is light
  EXPECT_TRUE(high.FadePictures);

  EXPECT_FALSE(IsHighColor(15));
  EXPECT_TRUE(IsHighColor(16));
  const TXPMenuColors low = DeriveColors(style, Classic(), IsHighColor(8), false);
  EXPECT_EQ(low.MenuColor, RGB(255, 255, 255));
  EXPECT_EQ(low.IconColumnColor, RGB(212, 208, 200));
  EXPECT_EQ(low.SelectFill, RGB(255, 255, 255));
  EXPECT_EQ(low.SelectBorder, RGB(10, 36, 106));
  EXPECT_EQ(low.Disabled, RGB(128, 128, 128));
  EXPECT_EQ(low.Separator, RGB(128, 128, 128));
  EXPECT_EQ(low.CheckFill, RGB(255, 255, 255));
  EXPECT_EQ(low.CheckFillSelected, RGB(255, 255, 255));
  EXPECT_EQ(low.PopupBorder, RGB(128, 128, 128));
  EXPECT_FALSE(low.FadePictures);

  // A dark scheme: the bar's selected text is lightened from the column instead.
  TSystemColors dark = Classic();
  dark.Values[COLOR_BTNFACE] = RGB(40, 40, 40);
  EXPECT_EQ(DeriveColors(style, dark, true, false).BarSelectedText, RGB(237, 237, 237));
}

TEST(XPMenuColorsTest, OwnColoursAreUsedAsGivenAndHighContrastUsesTheSystemsMenuColours) {
  TXPMenuStyle style;
  style.UseSystemColors = false;
  style.Color = RGB(250, 240, 230);
  style.IconBackColor = RGB(200, 210, 220);
  style.MenuBarColor = RGB(230, 230, 230);
  style.SelectColor = RGB(100, 150, 200);
  style.SelectBorderColor = RGB(0, 0, 128);
  style.SelectFontColor = RGB(128, 0, 0);
  style.SeparatorColor = RGB(90, 90, 90);
  style.CheckedColor = RGB(0, 128, 0);
  TXPMenuColors own = DeriveColors(style, Classic(), true, false);
  EXPECT_EQ(own.MenuColor, RGB(250, 240, 230));
  EXPECT_EQ(own.IconColumnColor, RGB(200, 210, 220));
  EXPECT_EQ(own.MenuBar, RGB(230, 230, 230));
  EXPECT_EQ(own.SelectFill, RGB(100, 150, 200));
  EXPECT_EQ(own.SelectBorder, RGB(0, 0, 128));
  EXPECT_EQ(own.SelectedText, RGB(128, 0, 0));
  EXPECT_EQ(own.Disabled, RGB(122, 150, 223));  // clInactiveCaption, resolved
  EXPECT_EQ(own.Separator, RGB(90, 90, 90));
  EXPECT_EQ(own.CheckFrame, RGB(0, 128, 0));
  EXPECT_EQ(own.CheckFill, RGB(100, 150, 200));
  EXPECT_EQ(own.CheckFillSelected, RGB(100, 150, 200));
  style.UseDimColor = true;
  own = DeriveColors(style, Classic(), true, false);
  EXPECT_EQ(own.SelectFill, RGB(128, 169, 210));
  EXPECT_EQ(own.CheckFill, RGB(224, 234, 244));
  EXPECT_EQ(own.CheckFillSelected, RGB(178, 203, 228));
  own = DeriveColors(style, Classic(), false, false);
  EXPECT_EQ(own.SelectFill, RGB(100, 150, 200));
  EXPECT_EQ(own.CheckFill, RGB(255, 255, 255));
  EXPECT_EQ(own.CheckFillSelected, RGB(192, 192, 192));

  TSystemColors black = Classic();
  black.Values[COLOR_MENUTEXT] = RGB(255, 255, 0);
  const TXPMenuColors contrast = DeriveColors(style, black, true, true);
  EXPECT_EQ(contrast.MenuColor, RGB(1, 1, 1));
  EXPECT_EQ(contrast.IconColumnColor, RGB(1, 1, 1));
  EXPECT_EQ(contrast.FontColor, RGB(255, 255, 0));
  EXPECT_EQ(contrast.SelectFill, RGB(10, 36, 106));
  EXPECT_EQ(contrast.SelectedText, RGB(254, 254, 254));
  EXPECT_EQ(contrast.Disabled, RGB(3, 200, 3));
  EXPECT_EQ(contrast.Tick, contrast.FontColor);  // readable on the menu's own background
  EXPECT_FALSE(contrast.FadePictures);
}

TEST_F(XPMenuTest, ItemsMeasureTheirCaptionShortcutPictureAndColumn) {
  const SIZE open = Extent(L"Open");
  TEXTMETRICW metrics{};
  {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0,
                               win::WindowDpi(form.Handle()));
    win::UniqueHFont font(CreateFontIndirectW(&ncm.lfMenuFont));
    win::WindowDc dc(form.Handle());
    win::SelectGuard select(dc.Get(), font.Get());
    GetTextMetricsW(dc.Get(), &metrics);
  }
  const int lineHeight = metrics.tmHeight + (metrics.tmHeight * 3 + 2) / 4;

  const SIZE plain = painter.MeasureItem(popup, 0);
  EXPECT_EQ(plain.cx, open.cx + 5 + 24);  // the icon column, at least
  EXPECT_EQ(plain.cy, lineHeight);
  EXPECT_EQ(painter.MeasureItem(popup, 1).cx, plain.cx);  // "&" takes no room
  // The shortcut and "WWW" of room before it.
  EXPECT_NEAR(painter.MeasureItem(popup, 2).cx - plain.cx, Extent(L"Ctrl+NWWW").cx, 1);
  EXPECT_EQ(painter.MeasureItem(popup, 3).cy, 4);
  EXPECT_EQ(painter.MeasureItem(popup, 4).cx, Extent(L"More").cx + 5 + 6 + 24);  // the arrow
  // On the bar: no icon column, the room for the selection's shadow.
  EXPECT_EQ(painter.MeasureItem(bar, 1).cx, open.cx + 5 + 7);

  // A picture wider and higher than the column widens and heightens the item.
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  painter.SetPicture(10, win::UniqueHBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS,
                                                             &bits, nullptr, 0)));
  EXPECT_EQ(painter.MeasureItem(popup, 0).cx, open.cx + 5 + 32);
  EXPECT_EQ(painter.MeasureItem(popup, 0).cy, std::max(lineHeight, 32 + 6));
  painter.SetIconWidth(40);
  EXPECT_EQ(painter.MeasureItem(popup, 1).cx, open.cx + 5 + 40);

  // On a screen of 144 DPI the font, the column and the gaps grow by half.
  painter.SetIconWidth(24);
  painter.SetDpi(144);
  EXPECT_EQ(painter.MeasureItem(popup, 1).cx, Extent(L"Open", 144).cx + 8 + 36);
  EXPECT_GT(Extent(L"Open", 144).cx, open.cx * 5 / 4);
  EXPECT_EQ(painter.MeasureItem(popup, 3).cy, 6);
  painter.SetDpi(std::nullopt);

  // A separator stays thin whatever the font.
  LOGFONTW big{};
  big.lfHeight = -40;
  wcscpy(big.lfFaceName, L"Tahoma");
  painter.SetFont(big);
  EXPECT_GT(painter.MeasureItem(popup, 1).cy, lineHeight * 2);
  EXPECT_EQ(painter.MeasureItem(popup, 3).cy, 4);
}

TEST_F(XPMenuTest, PicturesAreFadedAtRestLiftedWhenSelectedAndGrayedWhenDisabled) {
  painter.SetPicture(10, RedSquare());
  // The 16-pixel picture lies in the 24-pixel column at (3, 4): its red square from (5, 6).
  const TDrawing rest = Draw(0, 0);
  EXPECT_EQ(rest.At(1, 1), RGB(219, 216, 209));    // icon column
  EXPECT_EQ(rest.At(4, 5), RGB(219, 216, 209));    // through the picture's transparent rim
  EXPECT_EQ(rest.At(190, 2), RGB(249, 248, 247));  // menu background
  EXPECT_EQ(rest.At(10, 11), RGB(255, 77, 77));    // faded by 30 %
  EXPECT_EQ(rest.At(10, 6), RGB(77, 77, 255));     // the top row on top

  const TDrawing selected = Draw(0, ODS_SELECTED);
  EXPECT_EQ(selected.At(190, 0), RGB(249, 248, 247));  // one pixel kept at top and bottom
  EXPECT_EQ(selected.At(190, 1), RGB(10, 36, 106));    // the frame
  EXPECT_EQ(selected.At(190, 22), RGB(10, 36, 106));
  EXPECT_EQ(selected.At(0, 12), RGB(10, 36, 106));
  EXPECT_EQ(selected.At(190, 12), RGB(177, 185, 207));  // the fill
  EXPECT_EQ(selected.At(2, 12), RGB(177, 185, 207));    // over the icon column too
  EXPECT_EQ(selected.At(4, 5), RGB(0, 0, 255));         // lifted a pixel up and left, unfaded
  EXPECT_EQ(selected.At(4, 6), kRed);
  EXPECT_EQ(selected.At(17, 18), RGB(127, 137, 157));   // its shadow, two pixels down and right

  const TDrawing grayed = Draw(0, ODS_GRAYED);
  EXPECT_EQ(grayed.At(10, 11), RGB(159, 159, 159));
  EXPECT_EQ(grayed.At(4, 5), RGB(219, 216, 209));
  const TDrawing paler = Draw(0, ODS_GRAYED | ODS_SELECTED);
  EXPECT_EQ(paler.At(190, 12), RGB(239, 241, 245));  // the paler selection
  EXPECT_EQ(paler.At(190, 1), RGB(157, 167, 195));
  EXPECT_EQ(paler.At(10, 11), RGB(159, 159, 159));  // grayed, not lifted

  // A picture without an alpha channel: its bottom-left colour is transparent.
  painter.SetPicture(10, RedSquareOnMagenta());
  const TDrawing plain = Draw(0, 0);
  EXPECT_EQ(plain.At(4, 5), RGB(219, 216, 209));
  EXPECT_EQ(plain.At(10, 11), RGB(255, 77, 77));
  EXPECT_EQ(plain.At(10, 6), RGB(77, 77, 255));
  painter.SetPicture(10, RedSquare());

  // A poor screen shows pictures as they are.
  painter.SetColorDepth(8);
  const TDrawing low = Draw(0, 0);
  EXPECT_EQ(low.At(10, 11), kRed);
  EXPECT_EQ(low.At(190, 2), RGB(255, 255, 255));
  EXPECT_EQ(low.At(1, 1), RGB(212, 208, 200));
}

TEST_F(XPMenuTest, CheckMarksRadioDotsAndSeparatorsAreDrawnInTheSchemesColours) {
  // The check box: 10 pixels square in the middle of the 24-pixel column, from (7, 7).
  const TDrawing checked = Draw(1, ODS_CHECKED);
  EXPECT_EQ(checked.At(7, 12), RGB(10, 36, 106));    // frame
  EXPECT_EQ(checked.At(16, 12), RGB(10, 36, 106));
  EXPECT_EQ(checked.At(14, 14), RGB(206, 211, 225));  // fill
  EXPECT_EQ(checked.At(10, 13), RGB(0, 0, 0));        // the tick
  EXPECT_EQ(checked.At(6, 12), RGB(219, 216, 209));   // the column round it
  EXPECT_EQ(Draw(1, ODS_CHECKED | ODS_SELECTED).At(14, 14), RGB(133, 146, 181));
  const TDrawing disabled = Draw(1, ODS_CHECKED | ODS_GRAYED);
  EXPECT_EQ(disabled.At(7, 12), RGB(141, 141, 141));
  EXPECT_EQ(disabled.At(10, 13), RGB(141, 141, 141));

  // At 144 DPI: a 36-pixel column, a 15-pixel box from (10, 10) in a 36-pixel item.
  painter.SetDpi(144);
  const TDrawing scaled = Draw(1, ODS_CHECKED, 300, 36);
  painter.SetDpi(std::nullopt);
  EXPECT_EQ(scaled.At(10, 18), RGB(10, 36, 106));
  EXPECT_EQ(scaled.At(9, 18), RGB(219, 216, 209));
  EXPECT_EQ(scaled.At(24, 18), RGB(10, 36, 106));
  EXPECT_EQ(scaled.At(20, 20), RGB(206, 211, 225));
  EXPECT_EQ(scaled.At(35, 2), RGB(219, 216, 209));
  EXPECT_EQ(scaled.At(36, 2), RGB(249, 248, 247));

  const TDrawing radio = Draw(5, ODS_CHECKED);
  EXPECT_EQ(radio.At(12, 12), RGB(10, 36, 106));    // the dot
  EXPECT_EQ(radio.At(12, 8), RGB(206, 211, 225));   // between the dot and the ring
  EXPECT_EQ(radio.At(7, 7), RGB(219, 216, 209));    // outside the ring

  // Right to left: the column and the check box at the right.
  MENUITEMINFOW mirrored{};
  mirrored.cbSize = sizeof mirrored;
  mirrored.fMask = MIIM_FTYPE;
  GetMenuItemInfoW(popup, 1, TRUE, &mirrored);
  mirrored.fType |= MFT_RIGHTORDER;
  SetMenuItemInfoW(popup, 1, TRUE, &mirrored);
  const TDrawing rtl = Draw(1, ODS_CHECKED);
  EXPECT_EQ(rtl.At(199 - 7, 12), RGB(10, 36, 106));
  EXPECT_EQ(rtl.At(199 - 16, 12), RGB(10, 36, 106));
  EXPECT_EQ(rtl.At(199 - 14, 14), RGB(206, 211, 225));
  EXPECT_EQ(rtl.At(199, 1), RGB(219, 216, 209));
  EXPECT_EQ(rtl.At(1, 1), RGB(249, 248, 247));

  const TDrawing separator = Draw(3, 0, 200, 4);
  EXPECT_EQ(separator.At(100, 2), RGB(160, 160, 160));
  EXPECT_EQ(separator.At(100, 1), RGB(249, 248, 247));
  EXPECT_EQ(separator.At(30, 2), RGB(249, 248, 247));  // starts 7 pixels into the text area
  EXPECT_EQ(separator.At(2, 2), RGB(219, 216, 209));

  // A colour set anew shows on the next item drawn.
  TXPMenuStyle own = painter.Style();
  own.UseSystemColors = false;
  own.Color = RGB(250, 240, 230);
  painter.SetStyle(own);
  EXPECT_EQ(Draw(0, 0).At(190, 2), RGB(250, 240, 230));
  // In high contrast the system's menu colour is used as it is.
  painter.SetHighContrast(true);
  EXPECT_EQ(Draw(0, 0).At(190, 2), RGB(1, 1, 1));
}

TEST_F(XPMenuTest, ExcludedItemsAndMenusKeepThePlatformsDrawingAndDeactivationGivesEveryItemBack) {
  // An item with data of its own: the painter keeps it while the item is drawn flat.
  painter.SetActive(false);
  MENUITEMINFOW own{};
  own.cbSize = sizeof own;
  own.fMask = MIIM_DATA;
  own.dwItemData = 1234;
  SetMenuItemInfoW(more, 0, TRUE, &own);
  painter.SetActive(true);
  painter.Exclude(popup, 11);
  EXPECT_TRUE(OwnerDrawn(popup, 0));
  EXPECT_FALSE(OwnerDrawn(popup, 1));
  EXPECT_TRUE(OwnerDrawn(popup, 2));
  EXPECT_TRUE(OwnerDrawn(bar, 0));
  EXPECT_TRUE(OwnerDrawn(more, 0));

  painter.Exclude(more);
  EXPECT_FALSE(OwnerDrawn(more, 0));
  EXPECT_TRUE(OwnerDrawn(popup, 4));  // the item that opens it is the parent's

  // Items added later are taken over as their menu opens, when the painter looks out for them.
  AppendMenuW(popup, MF_STRING, 14, L"Later");
  const UINT later = static_cast<UINT>(GetMenuItemCount(popup) - 1);
  SendMessageW(form.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
  EXPECT_FALSE(OwnerDrawn(popup, later));
  painter.SetAutoDetect(true);
  SendMessageW(form.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
  EXPECT_TRUE(OwnerDrawn(popup, later));

  painter.SetActive(false);
  for (HMENU menu : {bar, popup, more})
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
      EXPECT_FALSE(OwnerDrawn(menu, static_cast<UINT>(i))) << i;
  own.dwItemData = 0;
  GetMenuItemInfoW(more, 0, TRUE, &own);
  EXPECT_EQ(own.dwItemData, 1234u);
}

TEST_F(XPMenuTest, AccessKeysOfOwnerDrawnItemsAreFound) {
  auto menuChar = [this](wchar_t key, HMENU menu) {
    return SendMessageW(form.Handle(), WM_MENUCHAR, MAKEWPARAM(key, MF_POPUP),
                        reinterpret_cast<LPARAM>(menu));
  };
  EXPECT_EQ(menuChar(L'o', popup), MAKELRESULT(1, MNC_EXECUTE));
  EXPECT_EQ(menuChar(L'F', bar), MAKELRESULT(0, MNC_EXECUTE));
  EXPECT_NE(HIWORD(menuChar(L'z', popup)), MNC_EXECUTE);
}

}  // namespace
