#include "app/Images.h"

#include "images/ImageIds.h"
#include "win/Gdi.h"

namespace {

// The icon's pixels as 0xAARRGGBB, not premultiplied, row by row from the top. An icon without
// an alpha channel takes its transparency from its mask.
std::vector<DWORD> IconPixels(HICON icon, int size) {
  std::vector<DWORD> pixels(static_cast<size_t>(size) * static_cast<size_t>(size), 0);
  ICONINFO parts{};
  if (!GetIconInfo(icon, &parts)) return pixels;
  win::UniqueHBitmap color(parts.hbmColor), mask(parts.hbmMask);
  win::WindowDc screen(nullptr);
  BITMAPINFO info = win::TopDown32(size, size);
  if (!color || !GetDIBits(screen.Get(), color.Get(), 0, static_cast<UINT>(size), pixels.data(),
                           &info, DIB_RGB_COLORS))
    return std::vector<DWORD>(pixels.size(), 0);
  bool hasAlpha = false;
  for (DWORD p : pixels) hasAlpha = hasAlpha || (p >> 24) != 0;
  if (hasAlpha || !mask) return pixels;
  std::vector<DWORD> transparent(pixels.size(), 0);
  info = win::TopDown32(size, size);
  GetDIBits(screen.Get(), mask.Get(), 0, static_cast<UINT>(size), transparent.data(), &info,
            DIB_RGB_COLORS);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = (transparent[i] & 0xFFFFFF) ? 0 : (pixels[i] | 0xFF000000);
  return pixels;
}

DWORD Premultiplied(DWORD pixel) {
  const DWORD alpha = pixel >> 24;
  auto channel = [alpha](DWORD value) { return (value * alpha + 127) / 255; };
  return (alpha << 24) | (channel((pixel >> 16) & 0xFF) << 16) |
         (channel((pixel >> 8) & 0xFF) << 8) | channel(pixel & 0xFF);
}

}  // namespace

win::UniqueHIcon LoadIconResource(int id, int size) {
  return win::UniqueHIcon(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

win::UniqueHImageList CreateIconImageList(const std::vector<int>& ids, int size) {
  win::UniqueHImageList list(
      ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(ids.size()), 0));
  for (int id : ids) {
    win::UniqueHIcon icon = LoadIconResource(id, size);
    ImageList_AddIcon(list.Get(), icon.Get());
  }
  return list;
}

win::UniqueHImageList CreateIconImageList(int firstId, int count, int size) {
  std::vector<int> ids;
  for (int i = 0; i < count; ++i) ids.push_back(firstId + i);
  return CreateIconImageList(ids, size);
}

win::UniqueHBitmap CreateAlphaBitmap(int id, int size) {
  BITMAPINFO info = win::TopDown32(size, size);
  void* bits = nullptr;
  // A new section is all zeros: transparent.
  win::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueHIcon icon = LoadIconResource(id, size);
  if (!bitmap || !icon) return bitmap;
  const std::vector<DWORD> pixels = IconPixels(icon.Get(), size);
  auto* target = static_cast<DWORD*>(bits);
  for (size_t i = 0; i < pixels.size(); ++i) target[i] = Premultiplied(pixels[i]);
  GdiFlush();
  return bitmap;
}

win::UniqueHImageList CreateStateImages(HWND hwnd) {
  return CreateIconImageList(IDI_STATE_WARNING, 1, win::Scale(hwnd, 16));
}

win::UniqueHImageList CreateCheckBoxStateImages(HWND hwnd) {
  const int size = win::Scale(hwnd, 16);
  const int box = win::Scale(hwnd, 13);
  win::UniqueHImageList list(ImageList_Create(2 * size, size, ILC_COLOR32, 4, 0));
  win::UniqueHIcon warningIcon = LoadIconResource(IDI_STATE_WARNING, size);
  const std::vector<DWORD> warning = IconPixels(warningIcon.Get(), size);
  win::UniqueHdc dc(CreateCompatibleDC(nullptr));
  for (int image = 0; image < 4; ++image) {
    BITMAPINFO info = win::TopDown32(2 * size, size);
    void* bits = nullptr;
    win::UniqueHBitmap bitmap(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !dc) break;
    RECT frame{(size - box) / 2, (size - box) / 2, (size - box) / 2 + box, (size - box) / 2 + box};
    {
      win::SelectGuard select(dc.Get(), bitmap.Get());
      DrawFrameControl(dc.Get(), &frame, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | ((image & 1) ? DFCS_CHECKED : 0));
    }
    GdiFlush();
    // GDI leaves the alpha channel clear: the box is opaque, the marker keeps its own alpha.
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < 2 * size; ++x) {
        DWORD& p = pixels[y * 2 * size + x];
        if (x < size)
          p = (x >= frame.left && x < frame.right && y >= frame.top && y < frame.bottom)
                  ? (p | 0xFF000000)
                  : 0;
        else
          p = (image & 2) ? Premultiplied(warning[static_cast<size_t>(y * size + x - size)]) : 0;
      }
    ImageList_Add(list.Get(), bitmap.Get(), nullptr);
  }
  return list;
}
