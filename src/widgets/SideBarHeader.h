// The side bar's collapsible panels: TSideBarElement, a light-blue panel that holds the owner's
// controls, and TSideBarHeader, the clickable strip across its top that folds the panel to the
// strip's height and unfolds it again.
#pragma once

#include "win/PaintedControl.h"
#include "win/UniqueHandle.h"
#include "win/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

class TSideBarElement;

class TSideBarHeader : public win::TPaintedControl {
public:
  static constexpr COLORREF kDefaultColor = 0xCC5B26;
  static constexpr int kDefaultHeight = 24;  // at 96 DPI; the folded height of the panel

  explicit TSideBarHeader(TSideBarElement* owner = nullptr) noexcept : owner_(owner) {}

  void Create(HWND parent, int x, int y, int width, int height);

  const std::wstring& Text() const noexcept { return text_; }
  // Stores the caption and draws it at once in white.
  void SetText(const std::wstring& text);
  HIMAGELIST ImageList() const noexcept { return imageList_; }
  void SetImageList(HIMAGELIST list);
  bool GradientHeader() const noexcept { return gradient_; }
  void SetGradientHeader(bool value);
  COLORREF Color() const noexcept { return color_; }
  void SetColor(COLORREF color);

  // Raised on a click, before the panel folds or unfolds.
  std::function<void()> OnClick;

  // Draws the whole strip, the caption in its resting colour.
  void Render(HDC dc) const override;
  // Draws the whole strip with the caption in the given colour.
  void Render(HDC dc, COLORREF captionColor) const;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void HoverStarted() override;
  void HoverEnded() override;
  void Clicked() override;

private:
  int Scale(int value) const noexcept;
  void UpdateFont();
  void DrawNow(COLORREF captionColor);
  COLORREF RestingCaptionColor() const noexcept;
  void DrawGradient(HDC dc, int width, int height) const;
  void DrawCorners(HDC dc, int width) const;
  void DrawCaption(HDC dc, int height, COLORREF color) const;

  TSideBarElement* owner_;
  std::wstring text_;
  HIMAGELIST imageList_ = nullptr;
  bool gradient_ = false;
  COLORREF color_ = kDefaultColor;
  COLORREF captionColor_ = RGB(255, 255, 255);  // the caption colour now on screen
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  win::UniqueHFont font_;
};

class TSideBarElement : public win::TWindow {
public:
  static constexpr COLORREF kDefaultColor = 0xF7D5C9;
  static constexpr COLORREF kDefaultHeaderFontOn = 0xC0C0C0;
  static constexpr COLORREF kDefaultHeaderFontOff = 0xFFFFFF;
  static constexpr int kDefaultWidth = 200;  // at 96 DPI
  static constexpr int kDefaultHeight = 100;
  static constexpr int kUseDefault = -1;

  TSideBarElement() noexcept : header_(this) {}

  // Sizes are in pixels; kUseDefault gives 200 x 100 scaled to the parent's DPI.
  void Create(HWND parent, int x, int y, int width = kUseDefault, int height = kUseDefault,
              int id = 0);

  TSideBarHeader& SideBarHeader() noexcept { return header_; }
  int Height() const noexcept;
  // The panel's height when folded.
  int HeaderHeight() const noexcept;

  HIMAGELIST ImageList() const noexcept { return header_.ImageList(); }
  void SetImageList(HIMAGELIST list) { header_.SetImageList(list); }
  const std::wstring& HeaderCaption() const noexcept { return header_.Text(); }
  void SetHeaderCaption(const std::wstring& text) { header_.SetText(text); }
  bool GradientHeader() const noexcept { return header_.GradientHeader(); }
  void SetGradientHeader(bool value) { header_.SetGradientHeader(value); }

  // True unfolded, false folded; setting it folds or unfolds at once.
  bool State() const noexcept { return state_; }
  void SetState(bool unfolded);
  int SavedHeight() const noexcept { return savedHeight_; }
  void SetSavedHeight(int height) noexcept { savedHeight_ = height; }

  // Colours take effect at the next drawing.
  COLORREF SuportColor() const noexcept { return suportColor_; }
  void SetSuportColor(COLORREF color) noexcept { suportColor_ = color; }
  COLORREF HeaderFontOn() const noexcept { return headerFontOn_; }
  void SetHeaderFontOn(COLORREF color) noexcept { headerFontOn_ = color; }
  COLORREF HeaderFontOff() const noexcept { return headerFontOff_; }
  void SetHeaderFontOff(COLORREF color) noexcept { headerFontOff_ = color; }
  COLORREF Color() const noexcept { return color_; }
  void SetColor(COLORREF color);

  // Raised whenever the panel's height changes (folding included), so that the owner can
  // restack the panels below it.
  std::function<void(TSideBarElement&)> OnHeightChanged;

  void Render(HDC dc) const;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void SetHeight(int height);
  void OnSize(int width, int height);
  LRESULT OnCtlColor(HDC dc);

  TSideBarHeader header_;
  bool state_ = true;
  int savedHeight_ = 0;
  int lastHeight_ = -1;
  COLORREF suportColor_ = 0;
  COLORREF headerFontOn_ = kDefaultHeaderFontOn;
  COLORREF headerFontOff_ = kDefaultHeaderFontOff;
  COLORREF color_ = kDefaultColor;
  win::UniqueHBrush brush_;  // the panel colour, for children that ask for their background
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
};
