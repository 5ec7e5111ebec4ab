// TXPMenu: takes over the drawing of a window's menu bar and pop-up menus and draws them flat: a
// light background, a shaded icon column, a filled and framed selection, pictures faded at rest
// that lift with a shadow under the pointer, grayed disabled pictures, drawn check marks and radio
// dots, right-aligned shortcut texts and thin separators. Every length scales with the window's
// DPI; in high-contrast mode the system's menu colours are used as they are.
//
// The painter hooks its owner window's procedure while active and answers the owner-draw messages
// of the items it made owner-drawn; everything else passes on to the window.
#pragma once

#include "widgets/XPMenuColors.h"
#include "win/UniqueHandle.h"

#include <windows.h>

#include <bitset>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The kinds of component the painter may restyle, and the kinds of parent whose controls it may
// restyle. Only the menus are drawn by this painter; the other kinds are kept so that tool bars
// and control borders can join later.
enum TXPControl : int {
  xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcListBox, xcEdit, xcMaskEdit,
  xcMemo, xcRichEdit, xcMiscEdit, xcCheckBox, xcRadioButton, xcButton, xcBitBtn, xcSpeedButton,
  xcUpDown, xcPanel, xcGroupBox, xcTreeView, xcListView, xcProgressBar, xcHotKey, xcCount
};
enum TXPContainer : int {
  xccForm, xccFrame, xccToolbar, xccCoolbar, xccControlbar, xccPanel, xccScrollBox,
  xccGroupBox, xccTabSheet, xccPageScroller, xccNoteBook, xccPage, xccCount
};
using TXPControls = std::bitset<xcCount>;
using TXPContainers = std::bitset<xccCount>;

class TXPMenu {
public:
  explicit TXPMenu(HWND owner);
  ~TXPMenu();
  TXPMenu(const TXPMenu&) = delete;
  TXPMenu& operator=(const TXPMenu&) = delete;

  // A menu the painter serves: the window's menu bar (bar true) or a pop-up menu it tracks. A
  // menu given while the painter is active is styled at once.
  void Attach(HMENU menu, bool bar);
  // Keeps the platform's drawing for one item (by command) or a whole menu.
  void Exclude(HMENU menu, UINT command);
  void Exclude(HMENU menu);

  // One picture per command, wherever the command is offered: a 32-bit bitmap with
  // premultiplied alpha, as AlphaBlend takes it, or a bitmap without alpha whose bottom-left
  // colour is transparent.
  void SetPicture(UINT command, win::UniqueHBitmap picture);

  bool Active() const noexcept { return active_; }
  void SetActive(bool active);

  // The published properties (lengths in pixels at 96 DPI).
  const TXPMenuStyle& Style() const noexcept { return style_; }
  void SetStyle(const TXPMenuStyle& style);
  // The font of menu texts, designed at 96 DPI; none: the system's menu font.
  void SetFont(std::optional<LOGFONTW> font);
  int IconWidth() const noexcept { return iconWidth_; }
  void SetIconWidth(int width);
  int DimLevel() const noexcept { return dimLevel_; }
  void SetDimLevel(int percent) { dimLevel_ = percent; }
  int GrayLevel() const noexcept { return grayLevel_; }
  void SetGrayLevel(int brightness) { grayLevel_ = brightness; }
  bool DrawSelect() const noexcept { return drawSelect_; }
  void SetDrawSelect(bool draw) { drawSelect_ = draw; }
  bool Gradient() const noexcept { return gradient_; }
  void SetGradient(bool gradient) { gradient_ = gradient; }
  bool OverrideOwnerDraw() const noexcept { return overrideOwnerDraw_; }
  void SetOverrideOwnerDraw(bool override);
  // Pop-up menus with a flat one-pixel border instead of the platform's raised one.
  bool FlatMenu() const noexcept { return flatMenu_; }
  void SetFlatMenu(bool flat) { flatMenu_ = flat; }
  // The rest of the bar beside its items always shows the bar colour here, whatever colour the
  // platform fills it with.
  bool DrawMenuBar() const noexcept { return drawMenuBar_; }
  void SetDrawMenuBar(bool draw);
  // Items added to a served menu are styled when the menu next opens.
  bool AutoDetect() const noexcept { return autoDetect_; }
  void SetAutoDetect(bool detect) { autoDetect_ = detect; }
  bool DisableSubclassing() const noexcept { return disableSubclassing_; }
  void SetDisableSubclassing(bool disable) { disableSubclassing_ = disable; }
  const TXPControls& XPControls() const noexcept { return controls_; }
  void SetXPControls(const TXPControls& controls);
  const TXPContainers& XPContainers() const noexcept { return containers_; }
  void SetXPContainers(const TXPContainers& containers);

  // What the screen is taken to be; tests set their own. Colour depth 0 and no high-contrast
  // value ask the system; no system colours take the current ones.
  void SetColorDepth(int bitsPerPixel);
  void SetHighContrast(std::optional<bool> on);
  void SetSystemColors(std::optional<TSystemColors> colors);
  // The DPI menus are measured and drawn for; none: the owner window's.
  void SetDpi(std::optional<UINT> dpi);
  // The scheme items are drawn in now.
  const TXPMenuColors& Colors();

  // The size of an item (by position) as the painter measures it at the owner's DPI: what the
  // platform's proposal is raised to.
  SIZE MeasureItem(HMENU menu, int position);
  // Draws an item (by position) into the rectangle of a DC, state as ODS_* flags. The bar's item
  // under the pointer is drawn lit.
  void DrawItem(HDC dc, const RECT& rect, HMENU menu, int position, UINT state);

private:
  // The room a bar item keeps at its right for the shadow of its selection, at 96 DPI.
  static constexpr int kBarShadowWidth = 7;

  // What an owner-drawn item carries as its data.
  struct TItem {
    HMENU Menu = nullptr;
    bool Bar = false;
    ULONG_PTR OldData = 0;
    bool WasOwnerDrawn = false;
  };
  // An item as it is now: read from its menu each time, so renamed items show their new text.
  struct TItemInfo {
    HMENU Menu = nullptr;
    int Position = 0;
    UINT Id = 0;
    std::wstring Caption;
    std::wstring Shortcut;
    HBITMAP Picture = nullptr;
    bool Separator = false;
    bool Bar = false;
    bool Radio = false;
    bool RightToLeft = false;
    bool HasSubMenu = false;
    bool Default = false;
  };
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self) noexcept;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  void TakeOver(HMENU menu, bool bar, bool activate);
  void StyleAdded(HMENU menu);
  void Restyle(const std::function<void()>& change);
  void Remeasure();
  void Recolor();
  bool Excluded(HMENU menu, UINT command) const;
  const TItem* ItemOf(ULONG_PTR data) const;
  int PositionOf(const TItem* item) const;
  HMENU BarMenu() const;
  void FlattenPopup(HWND popup, HMENU menu);
  void SetHotItem(int position);
  void RedrawBarItem(int position);
  std::optional<TItemInfo> Info(HMENU menu, int position) const;
  HBITMAP PictureOf(UINT command) const;
  UINT Dpi() const;
  int Scaled(int value) const;
  HFONT Font();
  int ColorDepth() const;
  void DrawBackground(HDC dc, const RECT& r, const TItemInfo& item);
  void DrawSelection(HDC dc, const RECT& r, const TItemInfo& item, UINT state);
  void DrawCheck(HDC dc, const RECT& area, const TItemInfo& item, UINT state, bool hasPicture);
  void DrawPicture(void* bits, SIZE buffer, POINT at, HBITMAP picture, const TItemInfo& item,
                   UINT state);
  void DrawText(HDC dc, RECT r, const TItemInfo& item, UINT state);
  void FillBarRest(HDC dc, const RECT& last);

  HWND owner_;
  bool active_ = false;
  bool subclassed_ = false;
  std::vector<std::pair<HMENU, bool>> menus_;  // (menu, is the bar)
  std::vector<std::unique_ptr<TItem>> items_;  // what owner-drawn items carry as their data
  std::set<std::pair<HMENU, UINT>> excludedItems_;
  std::set<HMENU> excludedMenus_;
  std::map<UINT, win::UniqueHBitmap> pictures_;

  TXPMenuStyle style_;
  std::optional<LOGFONTW> font_;
  int iconWidth_ = 24;
  int dimLevel_ = 30;
  int grayLevel_ = 10;
  bool drawSelect_ = true;
  bool gradient_ = false;
  bool overrideOwnerDraw_ = false;
  bool flatMenu_ = false;
  bool drawMenuBar_ = false;
  bool autoDetect_ = false;
  bool disableSubclassing_ = false;
  TXPControls controls_ = TXPControls().set();
  TXPContainers containers_ = TXPContainers().set();

  int colorDepth_ = 0;
  std::optional<bool> highContrast_;
  std::optional<TSystemColors> systemColors_;
  std::optional<UINT> dpi_;
  std::optional<TXPMenuColors> colors_;  // none: derived again before the next item is drawn
  win::UniqueHFont hfont_;
  UINT fontDpi_ = 0;
  int hotItem_ = -1;  // the bar's item under the pointer
  win::UniqueHBrush barBrush_;
  win::UniqueHBrush popupBrush_;
};
