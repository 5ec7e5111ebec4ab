// TBanner: the band across the top of the welcome and about windows: the banner picture stretched
// over an owner-drawn static, its text in bold white, and the product icon at its right.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

class TBanner {
public:
  // The band is the control; its text is what the band shows.
  void Attach(HWND band, bool centred, bool withIcon);
  // Answers WM_DRAWITEM for the band; false for any other control.
  bool Draw(const DRAWITEMSTRUCT& item) const;

private:
  HWND band_ = nullptr;
  bool centred_ = false;
  win::UniqueHBitmap picture_;
  win::UniqueHFont font_;
  win::UniqueHIcon icon_;
};
