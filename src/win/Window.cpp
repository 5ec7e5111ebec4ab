#include "win/Window.h"

#include "win/Error.h"
#include "win/Text.h"

#include <algorithm>
#include <stdexcept>

namespace win {

std::wstring WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

TWindow::~TWindow() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

TWindow* TWindow::FromHandle(HWND hwnd) noexcept {
  return reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void TWindow::RegisterClass(const wchar_t* className, UINT style, HCURSOR cursor,
                            HBRUSH background, HICON icon, HICON smallIcon) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, className, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.lpszClassName = className;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("Cannot register a window class");
}

HWND TWindow::CreateWindowObject(DWORD exStyle, const wchar_t* className, const wchar_t* caption,
                                 DWORD style, int x, int y, int width, int height, HWND parent,
                                 HMENU menuOrId) {
  HWND hwnd = CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent,
                              menuOrId, GetModuleHandleW(nullptr), this);
  if (!hwnd) throw std::runtime_error("Cannot create a window");
  return hwnd;
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }

LRESULT CALLBACK TWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  TWindow* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = FromHandle(hwnd);
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);

  LRESULT result = 0;
  if (!Guarded([&] { result = self->HandleMessage(msg, wp, lp); }))
    result = DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->OnFinalMessage();
  }
  return result;
}

void ShowApplicationError(const std::wstring& message) noexcept {
  std::wstring text = message;
  if (text.empty() || text.back() != L'.') text += L'.';
  HWND owner = GetActiveWindow();
  MessageBoxW(owner, text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

std::wstring CurrentExceptionMessage() {
  try {
    throw;
  } catch (const TError& e) {
    return e.Message();
  } catch (const std::exception& e) {
    std::wstring text;
    if (!TryFromUtf8(e.what(), text)) text = FromAnsi(e.what());
    return text;
  } catch (...) {
    return L"An unexpected error occurred";
  }
}

}  // namespace win
