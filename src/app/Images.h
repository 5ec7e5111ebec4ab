// The image lists, icons and menu bitmaps of the main window, made from the program's own icon
// resources at the window's DPI.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

// An image list of `count` icon resources from `firstId` on, each at size x size pixels.
win::UniqueHImageList CreateIconImageList(int firstId, int count, int size);
// An image list of the given icon resources, in that order, each at size x size pixels.
win::UniqueHImageList CreateIconImageList(const std::vector<int>& ids, int size);
// One icon resource at size x size pixels.
win::UniqueHIcon LoadIconResource(int id, int size);
// An icon resource at size x size pixels as a 32-bit bitmap with premultiplied alpha, as
// AlphaBlend takes it.
win::UniqueHBitmap CreateAlphaBitmap(int id, int size);

// The program list's state images: the warning marker of a program whose uninstaller is missing.
win::UniqueHImageList CreateStateImages(HWND hwnd);
// The same marker beside a check box, each image twice as wide as high: unchecked, checked, then
// unchecked and checked with the marker.
win::UniqueHImageList CreateCheckBoxStateImages(HWND hwnd);
