// The colours of the flat menu painter: colour values that may name a system colour, the two
// helpers that lighten and darken them, and the scheme derived from the painter's colour
// properties, the system colours and the screen's colour depth.
#pragma once

#include <windows.h>

#include <array>

// A plain RGB value (0x00BBGGRR), or kSystemColor with a COLOR_ index for a system colour.
using TColor = DWORD;
inline constexpr TColor kSystemColor = 0x80000000;
inline constexpr TColor clBtnFace = kSystemColor | COLOR_BTNFACE;
inline constexpr TColor clHighlight = kSystemColor | COLOR_HIGHLIGHT;
inline constexpr TColor clBtnShadow = kSystemColor | COLOR_BTNSHADOW;
inline constexpr TColor clMenuText = kSystemColor | COLOR_MENUTEXT;
inline constexpr TColor clInactiveCaption = kSystemColor | COLOR_INACTIVECAPTION;
inline constexpr TColor clWhite = RGB(255, 255, 255);
inline constexpr TColor clSilver = RGB(192, 192, 192);
inline constexpr TColor clBlack = RGB(0, 0, 0);

// Each channel c becomes c + round((255 - c) * percent / 100); percent is at most 100.
COLORREF Lighten(COLORREF color, int percent) noexcept;
// Red - n, green - n + 2, blue - n, each held within 0..255.
COLORREF Darken(COLORREF color, int amount) noexcept;

// The system colours a scheme is derived from; tests give their own.
struct TSystemColors {
  std::array<COLORREF, COLOR_MENUBAR + 1> Values{};

  static TSystemColors Current() noexcept;
  // RGB for a colour value: a system colour is looked up, a plain one returned as it is.
  COLORREF Resolve(TColor color) const noexcept;
};

// The colour properties the scheme depends on.
struct TXPMenuStyle {
  TColor FontColor = clMenuText;
  TColor Color = clBtnFace;
  TColor IconBackColor = clBtnFace;
  TColor MenuBarColor = clBtnFace;
  TColor SelectColor = clHighlight;
  TColor SelectBorderColor = clHighlight;
  TColor SelectFontColor = clMenuText;
  TColor DisabledColor = clInactiveCaption;
  TColor SeparatorColor = clBtnFace;
  TColor CheckedColor = clHighlight;
  bool UseSystemColors = true;
  bool UseDimColor = false;
};

// The colours items are drawn in.
struct TXPMenuColors {
  COLORREF MenuColor;        // menu background
  COLORREF IconColumnColor;
  COLORREF SelectFill;
  COLORREF SelectBorder;     // selection frame
  COLORREF FontColor;        // text
  COLORREF SelectedText;
  COLORREF MenuBar;
  COLORREF BarSelectedText;  // a selected item of the menu bar
  COLORREF Disabled;         // frames and text of disabled items
  COLORREF CheckFrame;
  COLORREF Separator;
  COLORREF CheckFill;
  COLORREF CheckFillSelected;
  COLORREF PopupBorder;
  COLORREF Tick;             // the check mark
  bool FadePictures;         // pictures at rest are faded
};

// A screen is high colour above 15 bits per pixel.
inline bool IsHighColor(int bitsPerPixel) noexcept { return bitsPerPixel > 15; }

// The scheme for the style. In high-contrast mode the system's own menu colours are used as they
// are, so that menus keep the contrast the user asked for.
TXPMenuColors DeriveColors(const TXPMenuStyle& style, const TSystemColors& system, bool highColor,
                           bool highContrast) noexcept;
