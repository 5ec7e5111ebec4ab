#include "app/Images.h"

#include "images/ImageIds.h"
#include "win/Gdi.h"

win::UniqueHIcon LoadIconResource(int id, int size) {
  return win::UniqueHIcon(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

win::UniqueHImageList CreateIconImageList(int firstId, int count, int size) {
  win::UniqueHImageList list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 0));
  for (int i = 0; i < count; ++i) {
    win::UniqueHIcon icon = LoadIconResource(firstId + i, size);
    ImageList_AddIcon(list.Get(), icon.Get());
  }
  return list;
}

win::UniqueHBitmap CreateMenuBitmap(int id, int size) {
  win::UniqueHIcon icon = LoadIconResource(id, size);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  win::UniqueHdc dc(CreateCompatibleDC(nullptr));
  win::UniqueHBitmap bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !icon) return bitmap;
  HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
  // DrawIconEx writes the icon's own alpha into the 32-bit section; menus expect it
  // premultiplied, which an icon's colour data already is once blended onto black.
  DrawIconEx(dc.Get(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL);
  SelectObject(dc.Get(), old);
  return bitmap;
}

win::UniqueHImageList CreateStateImages(HWND hwnd) {
  return CreateIconImageList(IDI_STATE_WARNING, 1, win::Scale(hwnd, 16));
}
