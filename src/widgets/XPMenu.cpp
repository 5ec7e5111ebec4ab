// The painter's life: taking menus over and giving them back, the owner's messages, measuring.
// Drawing is in XPMenuDraw.cpp.
#include "widgets/XPMenu.h"

#include "win/Gdi.h"
#include "win/Subclass.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <utility>

namespace {

constexpr UINT_PTR kSubclassId = 0x58504D;  // "XPM"

}  // namespace

TXPMenu::TXPMenu(HWND owner) : owner_(owner) {}

TXPMenu::~TXPMenu() {
  // Menus that die with their window need nothing back; any other must not keep items that
  // point at records about to go.
  for (const auto& [menu, bar] : menus_)
    if (IsMenu(menu)) TakeOver(menu, bar, false);
  items_.clear();
  if (subclassed_ && IsWindow(owner_)) win::RemoveSubclass(owner_, SubclassProc, kSubclassId);
}

void TXPMenu::Attach(HMENU menu, bool bar) {
  if (!menu) return;
  for (const auto& m : menus_)
    if (m.first == menu) return;
  menus_.emplace_back(menu, bar);
  if (active_) {
    TakeOver(menu, bar, true);
    if (bar) Remeasure();
  }
}

void TXPMenu::Exclude(HMENU menu, UINT command) {
  Restyle([&] { excludedItems_.emplace(menu, command); });
}

void TXPMenu::Exclude(HMENU menu) {
  Restyle([&] { excludedMenus_.insert(menu); });
}

void TXPMenu::SetPicture(UINT command, win::UniqueHBitmap picture) {
  // Pop-up menus are measured as they open; the bar, whose items carry no pictures, is not.
  pictures_[command] = std::move(picture);
}

HBITMAP TXPMenu::PictureOf(UINT command) const {
  auto it = pictures_.find(command);
  return it == pictures_.end() ? nullptr : it->second.Get();
}

// Changes what the painter takes over: an active painter gives everything back first and then
// takes over again.
void TXPMenu::Restyle(const std::function<void()>& change) {
  const bool was = active_;
  if (was) SetActive(false);
  change();
  if (was) SetActive(true);
}

void TXPMenu::SetActive(bool active) {
  if (active == active_) return;
  if (active && !subclassed_ && owner_)
    subclassed_ =
        win::SetSubclass(owner_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  active_ = active;
  for (const auto& [menu, bar] : menus_) TakeOver(menu, bar, active);
  if (!active) items_.clear();
  colors_.reset();
  Remeasure();
}

void TXPMenu::SetStyle(const TXPMenuStyle& style) {
  style_ = style;
  Recolor();
}

// The colours are derived again before the next item is drawn, and the bar shows them at once.
void TXPMenu::Recolor() {
  colors_.reset();
  if (active_) Remeasure();
}

void TXPMenu::SetFont(std::optional<LOGFONTW> font) {
  font_ = font;
  hfont_.Reset();
  if (active_) Remeasure();
}

void TXPMenu::SetIconWidth(int width) {
  iconWidth_ = std::max(0, width);
  if (active_) Remeasure();
}

void TXPMenu::SetOverrideOwnerDraw(bool override) {
  if (override == overrideOwnerDraw_) return;
  Restyle([&] { overrideOwnerDraw_ = override; });
}

void TXPMenu::SetDrawMenuBar(bool draw) { drawMenuBar_ = draw; }

void TXPMenu::SetXPControls(const TXPControls& controls) {
  Restyle([&] { controls_ = controls; });
}

void TXPMenu::SetXPContainers(const TXPContainers& containers) {
  Restyle([&] { containers_ = containers; });
}

void TXPMenu::SetColorDepth(int bitsPerPixel) {
  colorDepth_ = bitsPerPixel;
  Recolor();
}

void TXPMenu::SetHighContrast(std::optional<bool> on) {
  highContrast_ = on;
  Recolor();
}

void TXPMenu::SetSystemColors(std::optional<TSystemColors> colors) {
  systemColors_ = std::move(colors);
  Recolor();
}

int TXPMenu::ColorDepth() const {
  if (colorDepth_ > 0) return colorDepth_;
  win::WindowDc screen(nullptr);
  return GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES);
}

const TXPMenuColors& TXPMenu::Colors() {
  if (!colors_) {
    bool contrast = false;
    if (highContrast_) {
      contrast = *highContrast_;
    } else {
      HIGHCONTRASTW hc{};
      hc.cbSize = sizeof hc;
      contrast = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
                 (hc.dwFlags & HCF_HIGHCONTRASTON);
    }
    colors_ = DeriveColors(style_, systemColors_ ? *systemColors_ : TSystemColors::Current(),
                           IsHighColor(ColorDepth()), contrast);
  }
  return *colors_;
}

void TXPMenu::SetDpi(std::optional<UINT> dpi) {
  dpi_ = dpi;
  if (active_) Remeasure();
}

UINT TXPMenu::Dpi() const { return dpi_ ? *dpi_ : win::WindowDpi(owner_); }

int TXPMenu::Scaled(int value) const { return win::ScaleForDpi(value, Dpi()); }

HFONT TXPMenu::Font() {
  const UINT dpi = Dpi();
  if (!hfont_ || fontDpi_ != dpi) {
    LOGFONTW font{};
    if (font_) {
      font = *font_;
      font.lfHeight = win::ScaleForDpi(font.lfHeight, dpi);
    } else {
      NONCLIENTMETRICSW metrics{};
      metrics.cbSize = sizeof metrics;
      if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        font = metrics.lfMenuFont;
      else
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    }
    hfont_.Reset(CreateFontIndirectW(&font));
    fontDpi_ = dpi;
  }
  return hfont_.Get();
}

bool TXPMenu::Excluded(HMENU menu, UINT command) const {
  return excludedMenus_.count(menu) || excludedItems_.count({menu, command});
}

const TXPMenu::TItem* TXPMenu::ItemOf(ULONG_PTR data) const {
  for (const auto& item : items_)
    if (reinterpret_cast<ULONG_PTR>(item.get()) == data) return item.get();
  return nullptr;
}

// Makes the items of a menu, and of the menus below it, owner-drawn by this painter, or gives
// them back their own drawing.
void TXPMenu::TakeOver(HMENU menu, bool bar, bool activate) {
  if (activate && (excludedMenus_.count(menu) || !controls_[bar ? xcMainMenu : xcPopupMenu]))
    return;
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    const TItem* ours = ItemOf(info.dwItemData);
    if (activate && !ours && !Excluded(menu, info.wID) &&
        (!(info.fType & MFT_OWNERDRAW) || overrideOwnerDraw_)) {
      auto item = std::make_unique<TItem>();
      item->Menu = menu;
      item->Bar = bar;
      item->OldData = info.dwItemData;
      item->WasOwnerDrawn = (info.fType & MFT_OWNERDRAW) != 0;
      info.fMask = MIIM_FTYPE | MIIM_DATA;
      info.fType |= MFT_OWNERDRAW;
      info.dwItemData = reinterpret_cast<ULONG_PTR>(item.get());
      items_.push_back(std::move(item));
      SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    } else if (!activate && ours) {
      info.fMask = MIIM_FTYPE | MIIM_DATA;
      if (!ours->WasOwnerDrawn) info.fType &= ~static_cast<UINT>(MFT_OWNERDRAW);
      info.dwItemData = ours->OldData;
      SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    }
    if (info.hSubMenu && !(activate && excludedMenus_.count(info.hSubMenu)))
      TakeOver(info.hSubMenu, false, activate);
  }
}

void TXPMenu::StyleAdded(HMENU menu) {
  bool served = false;
  for (const auto& m : menus_) served = served || m.first == menu;
  for (const auto& item : items_) served = served || item->Menu == menu;
  if (served) TakeOver(menu, false, true);
}

// The platform keeps each menu's measured size until an item changes: the bar's items are set
// again, and the window's frame is laid out anew for the bar's new height. What the items leave
// of the menus the platform fills with the menu's background: the painter's colours, so that the
// bar reads as one band and no drop-down menu shows a rim of another colour.
void TXPMenu::Remeasure() {
  hfont_.Reset();
  win::UniqueHBrush bar(active_ ? CreateSolidBrush(Colors().MenuBar) : nullptr);
  win::UniqueHBrush popup(active_ ? CreateSolidBrush(Colors().MenuColor) : nullptr);
  auto setBackground = [](HMENU menu, HBRUSH brush, DWORD scope) {
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND | scope;
    info.hbrBack = brush;
    SetMenuInfo(menu, &info);
  };
  for (const auto& [menu, isBar] : menus_) {
    if (!IsMenu(menu) || excludedMenus_.count(menu)) continue;
    if (!isBar) {
      setBackground(menu, popup.Get(), MIM_APPLYTOSUBMENUS);
      continue;
    }
    setBackground(menu, bar.Get(), 0);
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
      if (HMENU sub = GetSubMenu(menu, i)) setBackground(sub, popup.Get(), MIM_APPLYTOSUBMENUS);
      MENUITEMINFOW item{};
      item.cbSize = sizeof item;
      item.fMask = MIIM_FTYPE;
      if (GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
    }
  }
  // The old brushes go once no menu uses them.
  barBrush_ = std::move(bar);
  popupBrush_ = std::move(popup);
  if (owner_ && IsWindow(owner_)) {
    SetWindowPos(owner_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::DrawMenuBar(owner_);
  }
}

std::optional<TXPMenu::TItemInfo> TXPMenu::Info(HMENU menu, int position) const {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE | MIIM_STRING;
  if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return std::nullopt;
  std::wstring text(info.cch + 1, L'\0');
  info.dwTypeData = text.data();
  info.cch = static_cast<UINT>(text.size());
  if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return std::nullopt;
  text.resize(std::min<size_t>(info.cch, text.size()));
  TItemInfo item;
  item.Menu = menu;
  item.Position = position;
  item.Id = info.wID;
  item.Separator = (info.fType & MFT_SEPARATOR) != 0 || text == L"-";
  item.Radio = (info.fType & MFT_RADIOCHECK) != 0;
  item.RightToLeft = (info.fType & MFT_RIGHTORDER) != 0;
  item.HasSubMenu = info.hSubMenu != nullptr;
  item.Default = (info.fState & MFS_DEFAULT) != 0;
  for (const auto& [m, bar] : menus_)
    if (m == menu) item.Bar = bar;
  if (!item.Separator) {
    const size_t tab = text.find(L'\t');
    item.Caption = text.substr(0, tab);
    if (tab != std::wstring::npos) item.Shortcut = text.substr(tab + 1);
  }
  item.Picture = item.Separator || item.HasSubMenu ? nullptr : PictureOf(item.Id);
  return item;
}

SIZE TXPMenu::MeasureItem(HMENU menu, int position) {
  const auto item = Info(menu, position);
  if (!item) return {0, 0};
  if (item->Separator) {
    // Only the width needs the font: a separator is as high at any size of text.
    return {Scaled(5) + Scaled(iconWidth_), Scaled(4)};
  }
  win::WindowDc screen(owner_);
  win::SelectGuard select(screen.Get(), Font());
  auto extent = [&screen](const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(screen.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
  };
  std::wstring text = item->Caption;
  // "WWW" keeps the shortcut clear of the longest caption.
  if (!item->Shortcut.empty()) text += item->Shortcut + L"WWW";
  int width = extent(text).cx + Scaled(5);
  if (item->Caption.find(L'&') != std::wstring::npos) width -= extent(L"&").cx;
  if (item->Bar)
    width += Scaled(kBarShadowWidth);
  else if (item->HasSubMenu)
    width += Scaled(6);
  SIZE picture{};
  if (item->Picture) {
    BITMAP bm{};
    if (GetObjectW(item->Picture, sizeof bm, &bm)) picture = {bm.bmWidth, std::abs(bm.bmHeight)};
  }
  width += item->Bar ? picture.cx : std::max<int>(picture.cx, Scaled(iconWidth_));
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen.Get(), &metrics);
  // The text's height and three quarters of it again; the picture with three pixels round it.
  const int textHeight = metrics.tmHeight;
  const int height = std::max(textHeight + static_cast<int>(std::lround(textHeight * 0.75)),
                              static_cast<int>(picture.cy) + Scaled(6));
  return {width, height};
}

bool TXPMenu::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_MEASUREITEM: {
      auto& m = *reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      const TItem* item = m.CtlType == ODT_MENU && active_ ? ItemOf(m.itemData) : nullptr;
      if (!item) return false;
      const int position = PositionOf(item);
      if (position < 0) return false;
      const SIZE size = MeasureItem(item->Menu, position);
      // The platform proposes only a default: a separator must not grow to a text line.
      m.itemWidth = static_cast<UINT>(size.cx);
      m.itemHeight = static_cast<UINT>(size.cy);
      result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      const auto& d = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      const TItem* item = d.CtlType == ODT_MENU && active_ ? ItemOf(d.itemData) : nullptr;
      if (!item) return false;
      const int position = PositionOf(item);
      if (position < 0) return false;
      DrawItem(d.hDC, d.rcItem, item->Menu, position, d.itemState);
      if (flatMenu_ && !item->Bar) FlattenPopup(WindowFromDC(d.hDC), item->Menu);
      result = TRUE;
      return true;
    }
    case WM_MENUCHAR: {
      // The platform may not look for access keys in owner-drawn items: the painter does.
      HMENU menu = reinterpret_cast<HMENU>(lp);
      if (!active_) return false;
      const wchar_t key = static_cast<wchar_t>(std::towupper(LOWORD(wp)));
      for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        MENUITEMINFOW data{};
        data.cbSize = sizeof data;
        data.fMask = MIIM_DATA;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &data) || !ItemOf(data.dwItemData))
          continue;
        const auto info = Info(menu, i);
        if (!info) continue;
        const std::wstring& c = info->Caption;
        for (size_t p = c.find(L'&'); p != std::wstring::npos && p + 1 < c.size();
             p = c.find(L'&', p + 2)) {
          if (c[p + 1] == L'&') continue;
          if (static_cast<wchar_t>(std::towupper(c[p + 1])) == key) {
            result = MAKELRESULT(i, MNC_EXECUTE);
            return true;
          }
          break;
        }
      }
      return false;
    }
    case WM_NCMOUSEMOVE:
      // The platform does not light up the bar's items under the pointer: the painter does.
      if (active_) {
        const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        HMENU bar = BarMenu();
        SetHotItem(wp == HTMENU && bar ? MenuItemFromPoint(owner_, bar, at) : -1);
        if (hotItem_ >= 0) {
          TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, owner_, 0};
          TrackMouseEvent(&track);
        }
      }
      return false;
    case WM_NCMOUSELEAVE:
    case WM_MOUSEMOVE:
    case WM_ENTERMENULOOP:
      if (hotItem_ >= 0) SetHotItem(-1);
      return false;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      // New system colours, a new menu font or high contrast switched on or off.
      Recolor();
      return false;
  }
  return false;
}

// A flat pop-up: the platform's raised border becomes one line in the pop-up border colour, with
// the menu's own colour inside it. The platform paints its border before the items, so painting
// it over after each item keeps it flat.
void TXPMenu::FlattenPopup(HWND popup, HMENU menu) {
  RECT frame, first, last;
  const int count = GetMenuItemCount(menu);
  if (!popup || count <= 0 || !GetWindowRect(popup, &frame) ||
      !GetMenuItemRect(nullptr, menu, 0, &first) ||
      !GetMenuItemRect(nullptr, menu, static_cast<UINT>(count - 1), &last))
    return;
  RECT items{first.left, first.top, last.right, last.bottom};
  OffsetRect(&items, -frame.left, -frame.top);
  OffsetRect(&frame, -frame.left, -frame.top);
  win::WindowDc dc(popup, DCX_WINDOW | DCX_CACHE);
  const TXPMenuColors& c = Colors();
  win::FillSolid(dc.Get(), {frame.left, frame.top, frame.right, items.top}, c.MenuColor);
  win::FillSolid(dc.Get(), {frame.left, items.bottom, frame.right, frame.bottom}, c.MenuColor);
  win::FillSolid(dc.Get(), {frame.left, items.top, items.left, items.bottom}, c.MenuColor);
  win::FillSolid(dc.Get(), {items.right, items.top, frame.right, items.bottom}, c.MenuColor);
  SetDCBrushColor(dc.Get(), c.PopupBorder);
  FrameRect(dc.Get(), &frame, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

HMENU TXPMenu::BarMenu() const {
  for (const auto& [menu, bar] : menus_)
    if (bar && !excludedMenus_.count(menu)) return menu;
  return nullptr;
}

void TXPMenu::SetHotItem(int position) {
  if (position == hotItem_) return;
  const int old = std::exchange(hotItem_, position);
  RedrawBarItem(old);
  RedrawBarItem(position);
}

// Draws one item of the bar again where it is, without the platform's repainting of the whole
// bar, which would flash its own colour first.
void TXPMenu::RedrawBarItem(int position) {
  HMENU bar = BarMenu();
  RECT item, frame;
  if (position < 0 || !bar || !GetMenuItemRect(owner_, bar, static_cast<UINT>(position), &item) ||
      !GetWindowRect(owner_, &frame))
    return;
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA | MIIM_STATE;
  if (!GetMenuItemInfoW(bar, static_cast<UINT>(position), TRUE, &info) || !ItemOf(info.dwItemData))
    return;
  UINT state = 0;
  if (info.fState & MFS_DISABLED) state |= ODS_GRAYED;
  if (info.fState & MFS_HILITE) state |= ODS_SELECTED;
  OffsetRect(&item, -frame.left, -frame.top);
  win::WindowDc dc(owner_, DCX_WINDOW | DCX_CACHE);
  DrawItem(dc.Get(), item, bar, position, state);
}

int TXPMenu::PositionOf(const TItem* item) const {
  for (int i = 0, n = GetMenuItemCount(item->Menu); i < n; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    if (GetMenuItemInfoW(item->Menu, static_cast<UINT>(i), TRUE, &info) &&
        info.dwItemData == reinterpret_cast<ULONG_PTR>(item))
      return i;
  }
  return -1;
}

LRESULT CALLBACK TXPMenu::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR self) noexcept {
  auto* painter = reinterpret_cast<TXPMenu*>(self);
  if (msg == WM_NCDESTROY) {
    win::RemoveSubclass(hwnd, SubclassProc, kSubclassId);
    painter->subclassed_ = false;
    return win::DefSubclass(hwnd, msg, wp, lp);
  }
  LRESULT result = 0;
  try {
    if (painter->OnMessage(msg, wp, lp, result)) return result;
    if (msg == WM_INITMENUPOPUP && painter->active_ && painter->autoDetect_) {
      // Items the window adds as the menu opens are drawn like the others.
      result = win::DefSubclass(hwnd, msg, wp, lp);
      painter->StyleAdded(reinterpret_cast<HMENU>(wp));
      return result;
    }
    if (msg == WM_DPICHANGED) {
      // The window lays itself out for the new DPI first; the bar is then measured again.
      result = win::DefSubclass(hwnd, msg, wp, lp);
      if (painter->active_) painter->Remeasure();
      return result;
    }
  } catch (...) {
    // Drawing fails quietly: the platform then shows what it has.
  }
  return win::DefSubclass(hwnd, msg, wp, lp);
}
