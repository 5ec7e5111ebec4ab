// Helpers for driving this process's own windows in GUI tests: answering the message boxes a
// command opens, and letting posted messages run.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// Watches from a second thread for the next message box of this process, records its title and
// text and closes it with the given button. Create it before the action that may open a box;
// Finish() (or the destructor) stops watching once the action has returned.
class TMessageBoxWatcher {
public:
  explicit TMessageBoxWatcher(int answer = IDOK);
  ~TMessageBoxWatcher();
  TMessageBoxWatcher(const TMessageBoxWatcher&) = delete;
  TMessageBoxWatcher& operator=(const TMessageBoxWatcher&) = delete;

  void Finish();
  // Safe to ask while watching; once it is true, the title and text below are there to read.
  bool Seen() const noexcept { return seen_; }
  const std::wstring& Title() const noexcept { return title_; }
  const std::wstring& Text() const noexcept { return text_; }
  // Whether the box shows an icon.
  bool HasIcon() const noexcept { return hasIcon_; }

private:
  void Watch();

  int answer_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> seen_{false};  // set last, after the fields below
  std::atomic<bool> hasIcon_{false};
  std::wstring title_, text_;
  std::thread thread_;
};

// A visible dialog of this process with the caption, waited for (up to 30 seconds); null if none.
HWND WaitForDialog(const std::wstring& caption);
// A visible dialog or message box that the window owns, waited for the same way: told apart from
// a dialog of the same caption.
HWND WaitForDialogOwnedBy(HWND owner);
// A visible top-level window of this process of the window class (a menu is "#32768"), waited
// for (up to 30 seconds); null if none came.
HWND WaitForWindowOfClass(const std::wstring& className);
// A control's text, asked with a sent message (answered even while its thread waits).
std::wstring ControlText(HWND control);
// A click that waits in the queue like real input, so it may open a modal window.
void PostClick(HWND button);
// Types the file name into a common file dialog and confirms it; false without a dialog or a name
// box.
bool EnterFileName(HWND dialog, const std::wstring& file);
// Waits for a common file dialog with the caption, then enters the file name as above. False when
// no such dialog came.
bool AnswerFileDialog(const std::wstring& caption, const std::wstring& file);

// Dispatches what is waiting in this thread's queue.
void PumpMessages();

// Sends a click (down and up) at a point of a window's client area.
void Click(HWND hwnd, int x, int y);
// Sends a key press (down and up) to a window.
void PressKey(HWND hwnd, WPARAM key);

// Waits for a state that another thread or process brings about (a window appearing, a control
// changing): such a change sends this thread nothing to wait on, so the condition is asked every
// 10 ms. False when it does not hold within the time. The one polling wait of the tests.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Pumps this thread's queue until the condition holds or the time is up; returns the condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// The pixels of a window's client area as the screen shows them now, after pending paints.
class TCapture {
public:
  explicit TCapture(HWND hwnd);
  COLORREF At(int x, int y) const;
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  // How many pixels in the rectangle have exactly this colour.
  int Count(COLORREF color, RECT area) const;
  // The smallest rectangle holding every pixel of the colour (empty when there is none).
  RECT Bounds(COLORREF color, RECT area) const;
  bool operator==(const TCapture& other) const = default;

private:
  int width_ = 0;
  int height_ = 0;
  std::vector<COLORREF> pixels_;
};

}  // namespace testing_support
