// Drawing one menu item: composed in an off-screen bitmap and copied to the menu in one blit, so
// that menus never flicker. Pictures are mixed into the bitmap's pixels directly: faded, grayed or
// lifted over a shadow, their alpha channel saying what is transparent.
#include "widgets/XPMenu.h"

#include "win/Gdi.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

void Frame(HDC dc, const RECT& r, COLORREF color) {
  SetDCBrushColor(dc, color);
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A shape drawn with the DC's pen and brush in the given frame and fill colours.
template <class Shape>
void Outlined(HDC dc, COLORREF frame, COLORREF fill, Shape shape) {
  win::SelectGuard pen(dc, GetStockObject(DC_PEN));
  win::SelectGuard brush(dc, GetStockObject(DC_BRUSH));
  SetDCPenColor(dc, frame);
  SetDCBrushColor(dc, fill);
  shape();
}

COLORREF Grayed(COLORREF color, int level) {
  const int gray =
      std::min(240, (GetRValue(color) + GetGValue(color) + GetBValue(color)) / 3 + level);
  return Lighten(RGB(gray, gray, gray), 40);
}

// The picture's pixels as premultiplied 0xAARRGGBB, row by row from the top. A picture without
// an alpha channel takes its bottom-left colour as transparent.
struct TPixels {
  int Width = 0, Height = 0;
  std::vector<DWORD> Argb;
};

TPixels ReadPicture(HBITMAP picture) {
  TPixels p;
  BITMAP bm{};
  if (!GetObjectW(picture, sizeof bm, &bm)) return p;
  p.Width = bm.bmWidth;
  p.Height = std::abs(bm.bmHeight);
  p.Argb.resize(static_cast<size_t>(p.Width) * static_cast<size_t>(p.Height));
  BITMAPINFO info = win::TopDown32(p.Width, p.Height);
  win::WindowDc screen(nullptr);
  if (!GetDIBits(screen.Get(), picture, 0, static_cast<UINT>(p.Height), p.Argb.data(), &info,
                 DIB_RGB_COLORS))
    return {};
  const bool alpha = std::any_of(p.Argb.begin(), p.Argb.end(), [](DWORD v) { return v >> 24; });
  if (!alpha && !p.Argb.empty()) {
    const DWORD clear = p.Argb[static_cast<size_t>(p.Height - 1) * p.Width] & 0xFFFFFF;
    for (DWORD& v : p.Argb) v = (v & 0xFFFFFF) == clear ? 0 : (v | 0xFF000000);
  }
  return p;
}

// Blends a colour of the given coverage onto a pixel of the buffer (0x00RRGGBB).
void Blend(DWORD& target, COLORREF color, DWORD alpha) {
  auto mix = [alpha](DWORD over, DWORD under) {
    return (over * alpha + under * (255 - alpha) + 127) / 255;
  };
  const DWORD r = mix(GetRValue(color), (target >> 16) & 0xFF);
  const DWORD g = mix(GetGValue(color), (target >> 8) & 0xFF);
  const DWORD b = mix(GetBValue(color), target & 0xFF);
  target = (r << 16) | (g << 8) | b;
}

}  // namespace

void TXPMenu::DrawItem(HDC dc, const RECT& rect, HMENU menu, int position, UINT state) {
  const auto item = Info(menu, position);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (!item || w <= 0 || h <= 0) return;
  BITMAPINFO info = win::TopDown32(w, h);
  void* bits = nullptr;
  win::UniqueHBitmap buffer(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueHdc memory(CreateCompatibleDC(dc));
  if (!buffer || !memory || !bits) return;
  HDC m = memory.Get();
  win::SelectGuard select(m, buffer.Get());
  win::SelectGuard font(m, Font());

  if (item->Bar && position == hotItem_) state |= ODS_HOTLIGHT;
  const RECT r{0, 0, w, h};
  const TXPMenuColors& c = Colors();
  const bool selected = (state & ODS_SELECTED) != 0;
  const bool disabled = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
  const bool hot = item->Bar && (state & ODS_HOTLIGHT) && !disabled && !selected;
  DrawBackground(m, r, *item);
  if ((selected && drawSelect_) || hot) DrawSelection(m, r, *item, state);

  // The icon column, the check area in it, and the text area right of it.
  const int column = item->Bar ? 0 : Scaled(iconWidth_);
  SIZE picture{};
  if (item->Picture) {
    BITMAP bm{};
    if (GetObjectW(item->Picture, sizeof bm, &bm)) picture = {bm.bmWidth, std::abs(bm.bmHeight)};
  }
  const bool wide = picture.cx > column;
  int textLeft = item->Bar ? Scaled(4) : column;
  if (item->Bar && picture.cx) textLeft = Scaled(1) + picture.cx + Scaled(4);
  if (!item->Bar && wide) textLeft = Scaled(2) + picture.cx + Scaled(4);
  if (state & ODS_CHECKED) {
    RECT check;
    if (picture.cx) {
      const int right = wide ? Scaled(2) + picture.cx + Scaled(3) : column;
      check = {Scaled(1), Scaled(2), right - Scaled(3), h - Scaled(2)};
    } else {
      const int side = Scaled(10);
      check.left = (column - side) / 2;
      check.top = (h - side) / 2 - (item->Bar ? 1 : 0);
      check.right = check.left + side;
      check.bottom = check.top + side;
    }
    DrawCheck(m, check, *item, state, picture.cx > 0);
  }
  // Right to left, the shapes drawn so far are mirrored as a whole; pictures and texts, which
  // keep their own orientation, are then placed mirrored. (A mirrored DC leaves a column
  // unpainted under Wine.)
  const bool rtl = item->RightToLeft;
  auto place = [rtl, w](RECT a) {
    return rtl ? RECT{w - a.right, a.top, w - a.left, a.bottom} : a;
  };
  if (rtl) {
    GdiFlush();
    auto* pixels = static_cast<DWORD*>(bits);
    for (size_t y = 0; y < static_cast<size_t>(h); ++y)
      std::reverse(pixels + y * static_cast<size_t>(w), pixels + (y + 1) * static_cast<size_t>(w));
  }
  if (picture.cx) {
    // Centred in the column, a pixel left of the middle: the shadow of a lifted picture falls to
    // the right. Upright, it is centred on the item, which is what the eye checks.
    POINT at{item->Bar ? Scaled(1) : wide ? Scaled(2) : (column - picture.cx) / 2 - 1,
             (h - picture.cy) / 2};
    if (rtl) at.x = w - at.x - picture.cx;
    GdiFlush();
    DrawPicture(bits, {w, h}, at, item->Picture, *item, state);
  }
  if (item->Separator) {
    const int thickness = std::max(1, Scaled(1));
    const int y = (h - thickness + 1) / 2;
    win::FillSolid(m, place({textLeft + Scaled(7), y, w, y + thickness}), c.Separator);
  } else {
    DrawText(m, place({textLeft, 0, w, h}), *item, state);
  }
  GdiFlush();
  BitBlt(dc, rect.left, rect.top, w, h, m, 0, 0, SRCCOPY);
  if (item->Bar && position == GetMenuItemCount(menu) - 1) FillBarRest(dc, rect);
}

// The platform fills the bar beside its items in its own menu colour: the last item carries the
// bar colour on to the bar's end, so that the bar reads as one band.
void TXPMenu::FillBarRest(HDC dc, const RECT& last) {
  MENUBARINFO bar{};
  bar.cbSize = sizeof bar;
  RECT frame;
  if (!owner_ || !GetMenuBarInfo(owner_, OBJID_MENU, 0, &bar) || !GetWindowRect(owner_, &frame))
    return;
  // The DC is the window's; above the items the platform leaves a line of its own colour too.
  const RECT whole{bar.rcBar.left - frame.left, bar.rcBar.top - frame.top,
                   bar.rcBar.right - frame.left, bar.rcBar.bottom - frame.top};
  const COLORREF color = Colors().MenuBar;
  if (whole.right > last.right)
    win::FillSolid(dc, {last.right, last.top, whole.right, last.bottom}, color);
  if (last.top > whole.top)
    win::FillSolid(dc, {whole.left, whole.top, whole.right, last.top}, color);
}

void TXPMenu::DrawBackground(HDC dc, const RECT& r, const TItemInfo& item) {
  const TXPMenuColors& c = Colors();
  if (item.Bar) {
    win::FillSolid(dc, r, c.MenuBar);
    return;
  }
  const int column = Scaled(iconWidth_);
  if (gradient_ && IsHighColor(ColorDepth())) {
    // Lighter column by column: fast across the icon column, slowly after it.
    int k = 1;
    for (int x = 0; x < r.right; ++x) {
      win::FillSolid(dc, {x, 0, x + 1, r.bottom}, Lighten(c.IconColumnColor, k));
      k = std::min(96, k + (x < column + Scaled(5) ? 3 : 1));
    }
    return;
  }
  win::FillSolid(dc, r, c.MenuColor);
  win::FillSolid(dc, {0, 0, std::min<int>(column, r.right), r.bottom}, c.IconColumnColor);
}

void TXPMenu::DrawSelection(HDC dc, const RECT& r, const TItemInfo& item, UINT state) {
  const TXPMenuColors& c = Colors();
  const bool disabled = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
  if (item.Bar) {
    const int shadow = Scaled(kBarShadowWidth);
    const RECT body{0, 0, std::max(0, static_cast<int>(r.right) - shadow), r.bottom};
    win::FillSolid(dc, body, c.SelectFill);
    if (state & ODS_SELECTED) {
      // A tab that opens into the menu below: no line at the bottom, a soft shadow at the right.
      const int line = std::max(1, Scaled(1));
      win::FillSolid(dc, {body.left, body.top, body.left + line, body.bottom}, c.SelectBorder);
      win::FillSolid(dc, {body.left, body.top, body.right, body.top + line}, c.SelectBorder);
      win::FillSolid(dc, {body.right - line, body.top, body.right, body.bottom}, c.SelectBorder);
      if (item.RightToLeft || !IsHighColor(ColorDepth())) {
        win::FillSolid(dc, {body.right, Scaled(2), body.right + Scaled(2), r.bottom},
                       Darken(c.MenuBar, 60));
      } else {
        const int darken[] = {10, 30, 60, 100}, width[] = {7, 5, 3, 2}, top[] = {0, 3, 5, 6};
        for (int i = 0; i < 4; ++i)
          win::FillSolid(dc, {body.right, Scaled(top[i]), body.right + Scaled(width[i]), r.bottom},
                         Darken(c.MenuBar, darken[i]));
      }
    } else {
      Frame(dc, body, c.SelectBorder);  // under the pointer
    }
    return;
  }
  const RECT area{0, 1, r.right - (flatMenu_ ? 1 : 0), r.bottom - 1};
  win::FillSolid(dc, area, disabled ? Lighten(c.SelectFill, 80) : c.SelectFill);
  Frame(dc, area, disabled ? Lighten(c.SelectBorder, 60) : c.SelectBorder);
}

void TXPMenu::DrawCheck(HDC dc, const RECT& a, const TItemInfo& item, UINT state,
                        bool hasPicture) {
  const TXPMenuColors& c = Colors();
  const bool disabled = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
  const COLORREF frame = disabled ? c.Disabled : c.SelectBorder;
  const COLORREF fill = (state & ODS_SELECTED) ? c.CheckFillSelected : c.CheckFill;
  if (item.Radio) {
    if (hasPicture) {
      const int corner = Scaled(6);
      Outlined(dc, frame, fill,
               [&] { RoundRect(dc, a.left, a.top, a.right, a.bottom, corner, corner); });
      return;
    }
    Outlined(dc, frame, fill, [&] { Ellipse(dc, a.left, a.top, a.right, a.bottom); });
    const int inset = Scaled(2);
    Outlined(dc, frame, frame, [&] {
      Ellipse(dc, a.left + inset, a.top + inset, a.right - inset, a.bottom - inset);
    });
    return;
  }
  if (hasPicture) {
    Outlined(dc, frame, fill, [&] { Rectangle(dc, a.left, a.top, a.right, a.bottom); });
    return;
  }
  if (!disabled) win::FillSolid(dc, a, fill);
  Frame(dc, a, disabled ? c.Disabled : c.CheckFrame);
  // The tick: three strokes down and two up, in a 10-unit square.
  const COLORREF tick = disabled ? c.Disabled : c.Tick;
  const int side = a.right - a.left;
  auto at = [&](int u) { return u * side / 10; };
  auto segment = [&](int x1, int y1, int x2, int y2) {
    // One-pixel steps along the diagonal, so the tick stays crisp at every size.
    const int steps = std::max(std::abs(at(x2) - at(x1)), 1);
    for (int s = 0; s <= steps; ++s) {
      const int x = a.left + at(x1) + (at(x2) - at(x1)) * s / steps;
      const int y = a.top + at(y1) + (at(y2) - at(y1)) * s / steps;
      const int dot = std::max(1, side / 10);
      win::FillSolid(dc, {x, y, x + dot, y + dot}, tick);
    }
  };
  segment(2, 4, 4, 6);
  segment(2, 5, 4, 7);
  segment(2, 6, 4, 8);
  segment(4, 6, 8, 2);
  segment(4, 7, 8, 3);
}

void TXPMenu::DrawPicture(void* bits, SIZE buffer, POINT at, HBITMAP picture,
                          const TItemInfo& item, UINT state) {
  const TPixels p = ReadPicture(picture);
  if (p.Argb.empty()) return;
  const TXPMenuColors& c = Colors();
  const bool disabled = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
  const bool checked = (state & ODS_CHECKED) != 0;
  const bool lifted = !disabled && !checked && ((state & ODS_SELECTED) || (state & ODS_HOTLIGHT));
  const bool faded = !disabled && !checked && !lifted && c.FadePictures;
  auto* target = static_cast<DWORD*>(bits);
  auto put = [&](int x, int y, COLORREF color, DWORD alpha) {
    if (x < 0 || y < 0 || x >= buffer.cx || y >= buffer.cy || alpha == 0) return;
    Blend(target[static_cast<size_t>(y) * buffer.cx + x], color, alpha);
  };
  if (lifted) {
    // The shadow of every pixel that shows, then the picture lifted off it.
    const COLORREF shadow = Darken(c.SelectFill, 50);
    for (int y = 0; y < p.Height; ++y)
      for (int x = 0; x < p.Width; ++x)
        put(at.x + x + 2, at.y + y + 2, shadow, p.Argb[y * p.Width + x] >> 24);
    at.x -= 1;
    at.y -= item.Bar ? 2 : 1;
  }
  // Consecutive pixels are often alike: the last conversion is reused.
  DWORD lastIn = 0xFFFFFFFF;
  COLORREF lastOut = 0;
  for (int y = 0; y < p.Height; ++y) {
    for (int x = 0; x < p.Width; ++x) {
      const DWORD pixel = p.Argb[y * p.Width + x];
      const DWORD alpha = pixel >> 24;
      if (alpha == 0) continue;
      if (pixel != lastIn) {
        // Premultiplied in the bitmap: the colour itself first.
        auto plain = [alpha](DWORD v) {
          return std::min<DWORD>(255, (v * 255 + alpha / 2) / alpha);
        };
        COLORREF color =
            RGB(plain((pixel >> 16) & 0xFF), plain((pixel >> 8) & 0xFF), plain(pixel & 0xFF));
        if (disabled)
          color = Grayed(color, grayLevel_);
        else if (faded)
          color = Lighten(color, dimLevel_);
        lastIn = pixel;
        lastOut = color;
      }
      put(at.x + x, at.y + y, lastOut, alpha);
    }
  }
}

void TXPMenu::DrawText(HDC dc, RECT r, const TItemInfo& item, UINT state) {
  const TXPMenuColors& c = Colors();
  const bool selected = (state & ODS_SELECTED) != 0;
  const bool disabled = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
  const bool rtl = item.RightToLeft;
  COLORREF color = c.FontColor;
  if (selected) color = item.Bar ? c.BarSelectedText : c.SelectedText;
  if (disabled) color = c.Disabled;
  SetTextColor(dc, color);
  SetBkMode(dc, TRANSPARENT);
  SIZE letter{};
  GetTextExtentPoint32W(dc, L"W", 1, &letter);
  const UINT prefix = (state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
  const UINT reading = rtl ? DT_RTLREADING : 0;
  const int top = (r.bottom - letter.cy) / 2;
  RECT line{r.left, top, r.right, top + letter.cy};
  if (item.Bar) {
    // Centred over the selection, clear of the shadow at its side.
    const int shadow = Scaled(kBarShadowWidth);
    if (rtl) {
      line.left += shadow;
      if (!item.Picture) line.right = r.right + Scaled(4);
    } else {
      line.right -= shadow;
      if (!item.Picture) line.left = 0;
    }
    ::DrawTextW(dc, item.Caption.c_str(), -1, &line,
                DT_SINGLELINE | DT_CENTER | DT_NOCLIP | prefix | reading);
    return;
  }
  // The caption starts after a small gap and a blank; the shortcut ends 10 pixels from the
  // far edge, with a blank after it.
  const int gap = Scaled(3), margin = Scaled(10);
  if (rtl)
    line.right -= gap;
  else
    line.left += gap;
  const std::wstring caption = L" " + item.Caption;
  const UINT format = DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP | (rtl ? DT_RIGHT : DT_LEFT) |
                      prefix | reading;
  if (item.Default && !disabled) {
    // A soft halo round the default item's caption, darker than what lies under it.
    const COLORREF under = GetPixel(dc, rtl ? line.right - gap : line.left + gap,
                                    (line.top + line.bottom) / 2);
    const int amounts[] = {30, 40, 60};
    const POINT offsets[] = {{1, 1}, {1, 0}, {0, 1}};
    for (int i = 0; i < 3; ++i) {
      RECT copy = line;
      OffsetRect(&copy, offsets[i].x, offsets[i].y);
      SetTextColor(dc, Darken(under, amounts[i]));
      ::DrawTextW(dc, caption.c_str(), -1, &copy, format);
    }
    SetTextColor(dc, color);
  }
  ::DrawTextW(dc, caption.c_str(), -1, &line, format);
  if (!item.Shortcut.empty()) {
    const std::wstring shortcut = item.Shortcut + L" ";
    RECT right = line;
    if (rtl)
      right.left = margin;
    else
      right.right = r.right - margin;
    ::DrawTextW(dc, shortcut.c_str(), -1, &right,
                DT_SINGLELINE | DT_NOCLIP | (rtl ? DT_LEFT : DT_RIGHT) | reading);
  }
}
