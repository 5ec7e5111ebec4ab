#include "widgets/XPMenuColors.h"

#include <algorithm>

namespace {

int Lift(int channel, int percent) noexcept {
  // Rounded half up, as the channel grows towards white.
  return channel + ((255 - channel) * percent + 50) / 100;
}

int Clamp(int channel) noexcept { return std::clamp(channel, 0, 255); }

}  // namespace

COLORREF Lighten(COLORREF color, int percent) noexcept {
  percent = std::clamp(percent, 0, 100);
  return RGB(Lift(GetRValue(color), percent), Lift(GetGValue(color), percent),
             Lift(GetBValue(color), percent));
}

COLORREF Darken(COLORREF color, int amount) noexcept {
  return RGB(Clamp(GetRValue(color) - amount), Clamp(GetGValue(color) - amount + 2),
             Clamp(GetBValue(color) - amount));
}

TSystemColors TSystemColors::Current() noexcept {
  TSystemColors colors;
  for (size_t i = 0; i < colors.Values.size(); ++i)
    colors.Values[i] = GetSysColor(static_cast<int>(i));
  return colors;
}

COLORREF TSystemColors::Resolve(TColor color) const noexcept {
  if (!(color & kSystemColor)) return color & 0xFFFFFF;
  const size_t index = color & 0xFF;
  return index < Values.size() ? Values[index] : 0;
}

TXPMenuColors DeriveColors(const TXPMenuStyle& style, const TSystemColors& system, bool highColor,
                           bool highContrast) noexcept {
  auto sys = [&system](TColor c) { return system.Resolve(c); };
  TXPMenuColors c{};
  if (highContrast) {
    const COLORREF menu = system.Values[COLOR_MENU];
    const COLORREF text = system.Values[COLOR_MENUTEXT];
    const COLORREF highlight = system.Values[COLOR_HIGHLIGHT];
    c.MenuColor = c.IconColumnColor = c.MenuBar = c.CheckFill = menu;
    c.SelectFill = c.SelectBorder = c.CheckFillSelected = highlight;
    c.FontColor = c.CheckFrame = c.PopupBorder = c.Tick = text;
    c.SelectedText = c.BarSelectedText = system.Values[COLOR_HIGHLIGHTTEXT];
    c.Disabled = c.Separator = system.Values[COLOR_GRAYTEXT];
    c.FadePictures = false;
    return c;
  }
  const COLORREF face = sys(clBtnFace), highlight = sys(clHighlight), shadow = sys(clBtnShadow);
  const COLORREF font = sys(style.FontColor);
  c.FontColor = font;
  c.Tick = clBlack;
  c.FadePictures = highColor;
  c.PopupBorder = highColor ? Darken(face, 90) : shadow;
  if (style.UseSystemColors) {
    c.MenuColor = highColor ? Lighten(face, 86) : clWhite;
    c.IconColumnColor = highColor ? Lighten(face, 16) : face;
    c.SelectFill = highColor ? Lighten(highlight, 68) : clWhite;
    c.SelectBorder = highlight;
    c.SelectedText = font;
    c.MenuBar = face;
    c.Disabled = highColor ? Lighten(shadow, 10) : shadow;
    c.CheckFrame = highlight;
    c.Separator = highColor ? Lighten(shadow, 25) : shadow;
    c.CheckFill = highColor ? Lighten(highlight, 80) : clWhite;
    c.CheckFillSelected = highColor ? Lighten(highlight, 50) : clWhite;
    // On a dark icon column the bar's selected text would vanish in the font's colour.
    const COLORREF column = c.IconColumnColor;
    const bool light = (GetRValue(column) + GetBValue(column)) / 2 > 150 || GetGValue(column) > 200;
    c.BarSelectedText = light ? font : Lighten(column, 90);
  } else {
    const COLORREF select = sys(style.SelectColor);
    c.MenuColor = sys(style.Color);
    c.IconColumnColor = sys(style.IconBackColor);
    c.SelectFill = style.UseDimColor && highColor ? Lighten(select, 18) : select;
    c.SelectBorder = sys(style.SelectBorderColor);
    c.SelectedText = sys(style.SelectFontColor);
    c.BarSelectedText = c.SelectedText;
    c.MenuBar = sys(style.MenuBarColor);
    c.Disabled = sys(style.DisabledColor);
    c.CheckFrame = sys(style.CheckedColor);
    c.Separator = sys(style.SeparatorColor);
    if (!highColor) {
      c.CheckFill = clWhite;
      c.CheckFillSelected = clSilver;
    } else if (style.UseDimColor) {
      c.CheckFill = Lighten(select, 80);
      c.CheckFillSelected = Lighten(select, 50);
    } else {
      c.CheckFill = c.CheckFillSelected = select;
    }
  }
  return c;
}
