// Small GDI guards for drawing code: a selected object, a window DC, a paint DC, an off-screen
// buffer, and scaling of 96-DPI pixel values to the window's DPI.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

namespace win {

// Selects an object into a DC and puts the previous one back when it goes out of scope.
class SelectGuard {
public:
  SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectGuard() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

// A DC from GetDC or GetDCEx, released with ReleaseDC.
class WindowDc {
public:
  explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  WindowDc(HWND hwnd, DWORD flags) noexcept : hwnd_(hwnd), dc_(GetDCEx(hwnd, nullptr, flags)) {}
  ~WindowDc() { Reset(); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC Get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void Reset() noexcept {
    if (dc_) ReleaseDC(hwnd_, dc_);
    dc_ = nullptr;
  }

private:
  HWND hwnd_;
  HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
public:
  explicit PaintDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
  ~PaintDc() { EndPaint(hwnd_, &ps_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  HDC Get() const noexcept { return dc_; }

private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// An off-screen bitmap of the given size compatible with a target DC; draw into Get(), then
// Present() copies it to the target in one blit, so the screen never shows half a drawing.
class BufferedDc {
public:
  BufferedDc(HDC target, int width, int height) noexcept
      : target_(target),
        width_(width > 0 ? width : 1),
        height_(height > 0 ? height : 1),
        dc_(CreateCompatibleDC(target)),
        bitmap_(CreateCompatibleBitmap(target, width_, height_)),
        select_(dc_.Get(), bitmap_.Get()) {}
  BufferedDc(const BufferedDc&) = delete;
  BufferedDc& operator=(const BufferedDc&) = delete;

  // Falls back to the target itself when no buffer could be made.
  HDC Get() const noexcept { return Buffered() ? dc_.Get() : target_; }
  void Present() const noexcept {
    if (Buffered()) BitBlt(target_, 0, 0, width_, height_, dc_.Get(), 0, 0, SRCCOPY);
  }

private:
  bool Buffered() const noexcept { return dc_ && bitmap_; }

  HDC target_;
  int width_;
  int height_;
  UniqueHdc dc_;
  UniqueHBitmap bitmap_;
  SelectGuard select_;  // declared last: the bitmap is deselected before it is deleted
};

// Answers WM_PAINT through an off-screen buffer: render(HDC) draws the whole client area.
template <class Render>
void PaintBuffered(HWND hwnd, Render render) {
  PaintDc paint(hwnd);
  RECT rc;
  GetClientRect(hwnd, &rc);
  BufferedDc buffer(paint.Get(), rc.right, rc.bottom);
  render(buffer.Get());
  buffer.Present();
}

// The header of a 32-bit top-down device-independent bitmap (rows from the top, as they are drawn).
inline BITMAPINFO TopDown32(int width, int height) noexcept {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

inline void FillSolid(HDC dc, const RECT& rect, COLORREF color) noexcept {
  SetDCBrushColor(dc, color);
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// The window's DPI (the system's for no window), 96 when the system cannot tell.
inline UINT WindowDpi(HWND hwnd) noexcept {
  UINT dpi = hwnd ? GetDpiForWindow(hwnd) : GetDpiForSystem();
  return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

// A length given in pixels at 96 DPI, at the given DPI.
inline int ScaleForDpi(int value, UINT dpi) noexcept {
  return MulDiv(value, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// The system's message font at the given DPI.
inline LOGFONTW MessageFontFor(UINT dpi) noexcept {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
    return metrics.lfMessageFont;
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  return font;
}

// A length designed in pixels at 96 DPI, at the window's DPI.
inline int Scale(HWND hwnd, int value) noexcept { return ScaleForDpi(value, WindowDpi(hwnd)); }

// The system's message font at the window's DPI, bold on request.
inline HFONT CreateMessageFont(HWND hwnd, bool bold = false) noexcept {
  LOGFONTW font = MessageFontFor(WindowDpi(hwnd));
  if (bold) font.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&font);
}

}  // namespace win
