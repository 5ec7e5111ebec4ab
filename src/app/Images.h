// The image lists, icons and menu bitmaps of the main window, made from the program's own icon
// resources at the window's DPI.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

// An image list of `count` icon resources from `firstId` on, each at size x size pixels.
win::UniqueHImageList CreateIconImageList(int firstId, int count, int size);
// One icon resource at size x size pixels.
win::UniqueHIcon LoadIconResource(int id, int size);
// A 32-bit bitmap with alpha of an icon resource, as menus show next to their items.
win::UniqueHBitmap CreateMenuBitmap(int id, int size);

// The program list's state images: the warning marker of a program whose uninstaller is missing.
win::UniqueHImageList CreateStateImages(HWND hwnd);
