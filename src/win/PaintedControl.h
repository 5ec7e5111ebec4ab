// TPaintedControl: the base of the controls that draw themselves. It paints the whole client area
// through an off-screen buffer (so nothing flickers), tracks the pointer entering and leaving, and
// turns a press and a release over the control into one click; a release elsewhere is no click.
#pragma once

#include "win/Window.h"

#include <windows.h>

namespace win {

class TPaintedControl : public TWindow {
public:
  // Draws the whole client area; used for painting and for WM_PRINTCLIENT.
  virtual void Render(HDC dc) const = 0;

  // The pointer is over the control.
  bool Hot() const noexcept { return hot_; }
  // The left button went down on the control and has not been released yet.
  bool Pressed() const noexcept { return pressed_; }

protected:
  // Derived controls handle their own messages first and pass the rest on.
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  // Invalidates the control without erasing; the next paint draws it whole.
  void Repaint() noexcept;

  // Whether the pointer may make the control hot now (a disabled link stays cold).
  virtual bool CanHover() const { return true; }
  virtual void HoverStarted() {}
  virtual void HoverEnded() {}
  virtual void Clicked() {}

private:
  void PointerMoved();
  void PointerLeft();
  void ButtonUp(LPARAM lp);

  bool hot_ = false;
  bool pressed_ = false;
};

}  // namespace win
