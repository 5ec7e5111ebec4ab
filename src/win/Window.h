// TWindow: the base of every window the program makes. The window procedure finds the object
// through GWLP_USERDATA, routes each message to HandleMessage and sends any exception that escapes
// a handler to the application's error box, so no exception ever reaches Windows.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// The title of the application's message boxes.
inline constexpr wchar_t kApplicationTitle[] = L"Tarvenholt Purgalot!";

class TWindow {
public:
  TWindow() = default;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  virtual ~TWindow();

  HWND Handle() const noexcept { return hwnd_; }

  // The object behind a window made by this class, or null.
  static TWindow* FromHandle(HWND hwnd) noexcept;

protected:
  // Registers a window class (once per class name) whose procedure routes to TWindow objects.
  static void RegisterClass(const wchar_t* className, UINT style, HCURSOR cursor, HBRUSH background,
                            HICON icon = nullptr, HICON smallIcon = nullptr);
  HWND CreateWindowObject(DWORD exStyle, const wchar_t* className, const wchar_t* caption,
                          DWORD style, int x, int y, int width, int height, HWND parent,
                          HMENU menuOrId);

  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }
  // Called after WM_NCDESTROY; the handle is already gone.
  virtual void OnFinalMessage() {}

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  HWND hwnd_ = nullptr;
};

// The whole text of a window or control.
std::wstring WindowText(HWND hwnd);

// Runs a handler and shows the application's error box for whatever it throws. Returns whether
// the handler completed.
template <class F>
bool Guarded(F&& handler) noexcept;

// Shows the application's error box: the message (with a full stop added when it lacks one) under
// the application title, owned by the active window.
void ShowApplicationError(const std::wstring& message) noexcept;
// The message of the exception being handled (call inside a catch block).
std::wstring CurrentExceptionMessage();

template <class F>
bool Guarded(F&& handler) noexcept {
  try {
    handler();
    return true;
  } catch (...) {
    try {
      ShowApplicationError(CurrentExceptionMessage());
    } catch (...) {
    }
    return false;
  }
}

}  // namespace win
