// TDialogHeader: the white band across the top of the uninstall dialogs, with a bold title and a
// picture at its right.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

#include <string>

class TDialogHeader {
public:
  void Attach(HWND dialog, int bannerId, int titleId, int pictureId);
  void SetTitle(const std::wstring& title);
  // Shows the picture of an icon resource at 48 pixels (scaled to the DPI).
  void SetPicture(int iconId);
  void ShowPicture(bool show);
  // Answers WM_CTLCOLORSTATIC for the header's controls; null for any other control.
  HBRUSH CtlColor(HDC dc, HWND control) const;

private:
  HWND dialog_ = nullptr;
  HWND banner_ = nullptr, title_ = nullptr, picture_ = nullptr;
  win::UniqueHFont titleFont_;
  win::UniqueHIcon icon_;
};

// A bold copy of a control's font, for labels that stand out.
win::UniqueHFont BoldFontOf(HWND control);
