// TSideBarLabel: a command link on a side bar panel. It sits on the panel's colour, underlines
// and changes colour under the pointer, and runs OnClick on a click or on Enter or Space while it
// has the keyboard focus (it is a tab stop).
#pragma once

#include "win/PaintedControl.h"
#include "win/UniqueHandle.h"
#include "win/Window.h"

#include <windows.h>

#include <functional>
#include <string>

class TSideBarLabel : public win::TPaintedControl {
public:
  static constexpr COLORREF kDefaultHighlightColor = 0xFF0000;
  static constexpr COLORREF kDefaultNormalColor = 0x800000;
  static constexpr int kDefaultWidth = 70;  // at 96 DPI
  static constexpr int kDefaultHeight = 18;
  static constexpr int kUseDefault = -1;

  TSideBarLabel() noexcept;

  // Sizes are in pixels; kUseDefault gives 70 x 18 scaled to the parent's DPI.
  void Create(HWND parent, const std::wstring& caption, int x, int y, int width = kUseDefault,
              int height = kUseDefault, int id = 0);

  std::wstring Caption() const;
  void SetCaption(const std::wstring& caption);
  COLORREF HighlightColor() const noexcept { return highlightColor_; }
  void SetHighlightColor(COLORREF color) noexcept { highlightColor_ = color; }
  COLORREF NormalColor() const noexcept { return normalColor_; }
  void SetNormalColor(COLORREF color) noexcept { normalColor_ = color; }
  // The text colour now in use: the designed colour until the pointer first leaves the label.
  COLORREF FontColor() const noexcept { return fontColor_; }
  void SetFontColor(COLORREF color);
  // The font; its style changes with hovering. WM_SETFONT sets it too.
  const LOGFONTW& Font() const noexcept { return font_; }
  void SetFont(const LOGFONTW& font);

  std::function<void()> OnClick;

  void Render(HDC dc) const override;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool CanHover() const override;
  void HoverStarted() override;
  void HoverEnded() override;
  void Clicked() override;

private:
  void ApplyFont();
  void SetStyle(bool underlined);
  RECT FocusRect(HDC dc) const;

  COLORREF highlightColor_ = kDefaultHighlightColor;
  COLORREF normalColor_ = kDefaultNormalColor;
  COLORREF fontColor_;
  LOGFONTW font_{};
  bool customFont_ = false;
  win::UniqueHFont hfont_;
};
