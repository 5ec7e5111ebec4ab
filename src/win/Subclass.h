// Window subclassing with the calling convention of the common controls' SetWindowSubclass, kept
// in the thread's own memory. The common controls look their chain up in a window property on
// every message, and under Wine every property lookup is a round trip to the server: a list whose
// parent is subclassed that way pays several per cell it paints.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace win {

// Puts proc in front of the window's procedure; the same proc and id again only change the data.
// Only on the thread that owns the window. The chain lives until WM_NCDESTROY has been handled.
bool SetSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);

// Takes the proc out; it is not called again, even for a message already being handled.
bool RemoveSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);

// From inside a proc: the next proc of the chain, at the end the window's own procedure.
LRESULT DefSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace win
