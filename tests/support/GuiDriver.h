// Helpers for driving this process's own windows in GUI tests: answering the message boxes a
// command opens, and letting posted messages run.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

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
  bool Seen() const noexcept { return seen_; }
  const std::wstring& Title() const noexcept { return title_; }
  const std::wstring& Text() const noexcept { return text_; }
  // The icon style the box shows (MB_ICONERROR, MB_ICONINFORMATION...), from its picture.
  bool HasIcon() const noexcept { return hasIcon_; }

private:
  void Watch();

  int answer_;
  std::atomic<bool> stop_{false};
  bool seen_ = false;
  bool hasIcon_ = false;
  std::wstring title_, text_;
  std::thread thread_;
};

// A visible dialog of this process with the caption, waited for (up to 30 seconds); null if none.
HWND WaitForDialog(const std::wstring& caption);
// A visible dialog or message box that the window owns, waited for the same way: told apart from
// a dialog of the same caption.
HWND WaitForDialogOwnedBy(HWND owner);
// A control's text, asked with a sent message (answered even while its thread waits).
std::wstring ControlText(HWND control);
// A click that waits in the queue like real input, so it may open a modal window.
void PostClick(HWND button);

// Dispatches what is waiting in this thread's queue.
void PumpMessages();

// Sends a click (down and up) at a point of a window's client area.
void Click(HWND hwnd, int x, int y);
// Sends a key press (down and up) to a window.
void PressKey(HWND hwnd, WPARAM key);

}  // namespace testing_support
