#include "uninstall/DialogHeader.h"

#include "win/Gdi.h"

void TDialogHeader::Attach(HWND dialog, int bannerId, int titleId, int pictureId) {
  dialog_ = dialog;
  banner_ = GetDlgItem(dialog, bannerId);
  title_ = GetDlgItem(dialog, titleId);
  picture_ = GetDlgItem(dialog, pictureId);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(title_, WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfWeight = FW_BOLD;
  font.lfHeight = font.lfHeight * 5 / 4;
  titleFont_.Reset(CreateFontIndirectW(&font));
  SendMessageW(title_, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.Get()), TRUE);
}

void TDialogHeader::SetTitle(const std::wstring& title) { SetWindowTextW(title_, title.c_str()); }

void TDialogHeader::SetPicture(int iconId) {
  int size = win::Scale(dialog_, 48);
  win::UniqueHIcon icon(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, 0)));
  SendMessageW(picture_, STM_SETICON, reinterpret_cast<WPARAM>(icon.Get()), 0);
  icon_ = std::move(icon);  // the control does not own it
  // The control keeps the size it was laid out with; center the picture in the band.
  RECT band;
  GetWindowRect(banner_, &band);
  MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&band), 2);
  int margin = (band.bottom - band.top - size) / 2;
  SetWindowPos(picture_, nullptr, band.right - size - 2 * margin, band.top + margin, size, size,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDialogHeader::ShowPicture(bool show) { ShowWindow(picture_, show ? SW_SHOWNA : SW_HIDE); }

HBRUSH TDialogHeader::CtlColor(HDC dc, HWND control) const {
  if (control != banner_ && control != title_ && control != picture_) return nullptr;
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return GetSysColorBrush(COLOR_WINDOW);
}

win::UniqueHFont BoldFontOf(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfWeight = FW_BOLD;
  return win::UniqueHFont(CreateFontIndirectW(&font));
}
