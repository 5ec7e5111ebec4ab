#include "help/Banner.h"

#include "dialogs/WelcomeIds.h"
#include "win/Gdi.h"
#include "win/Window.h"

#include "resource.h"

namespace {

constexpr int kIconSize = 32;  // at 96 DPI
constexpr int kMargin = 12;

}  // namespace

void TBanner::Attach(HWND band, bool centred, bool withIcon) {
  band_ = band;
  centred_ = centred;
  const bool large = win::Scale(band, 100) > 100;  // drawn smaller rather than blown up
  picture_.Reset(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(large ? IDB_BANNER_2X : IDB_BANNER),
                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(band, WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfWeight = FW_BOLD;
  font.lfHeight = font.lfHeight * 3 / 2;
  font_.Reset(CreateFontIndirectW(&font));
  if (withIcon) {
    const int size = win::Scale(band, kIconSize);
    icon_.Reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                              MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                                              size, size, 0)));
  }
}

bool TBanner::Draw(const DRAWITEMSTRUCT& item) const {
  if (item.hwndItem != band_) return false;
  const RECT& r = item.rcItem;
  HDC dc = item.hDC;
  if (picture_) {
    BITMAP info{};
    GetObjectW(picture_.Get(), sizeof info, &info);
    win::UniqueHdc memory(CreateCompatibleDC(dc));
    win::SelectGuard select(memory.Get(), picture_.Get());
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.Get(), 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
  } else {
    FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
  }
  const int margin = win::Scale(band_, kMargin);
  RECT text = r;
  text.left += margin;
  text.right -= margin;
  if (icon_) {
    const int size = win::Scale(band_, kIconSize);
    const int top = r.top + (r.bottom - r.top - size) / 2;
    DrawIconEx(dc, r.right - margin - size, top, icon_.Get(), size, size, 0, nullptr, DI_NORMAL);
    text.right -= size + margin;
  }
  std::wstring caption = win::WindowText(band_);
  win::SelectGuard select(dc, font_.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            (centred_ ? DT_CENTER : DT_LEFT) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX |
                DT_END_ELLIPSIS);
  return true;
}
