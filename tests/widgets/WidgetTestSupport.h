// A real top-level window on the display for the widgets to live in, the mouse messages a user's
// pointer would produce, and the pixels the screen shows.
#pragma once

#include "support/GuiDriver.h"
#include "win/Window.h"

#include <windows.h>

#include <functional>
#include <vector>

namespace widgets_test {

// Shown, activated, with a white client area of the given size at 96 DPI.
class TTestForm : public win::TWindow {
public:
  TTestForm(int clientWidth, int clientHeight);

  // WM_COMMAND messages that reached the form: (control id, notification code).
  std::vector<std::pair<int, int>> Commands;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// Dispatches whatever is waiting in this thread's queue.
void Pump();
// Pumps until the condition holds or the time is up; returns the condition.
using testing_support::PumpUntil;

// Mouse messages at client coordinates of the window (which may lie outside it during a drag).
void MouseDown(HWND hwnd, int x, int y);
void MouseMove(HWND hwnd, int x, int y, bool leftHeld = true);
void MouseUp(HWND hwnd, int x, int y);
// Puts the real pointer over a client point of the window, as a hovering user would. False when
// the pointer is not there (another program on the display may hold it for a moment).
bool PointerTo(HWND hwnd, int x, int y);

// Where a window lies in its parent's client area.
RECT RectInParent(HWND hwnd);

// The pixels a window shows.
using testing_support::TCapture;

}  // namespace widgets_test
