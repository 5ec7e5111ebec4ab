#include "support/GuiDriver.h"

#include <chrono>

namespace testing_support {

namespace {

struct TFound {
  HWND Box = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t className[16] = {};
  GetClassNameW(hwnd, className, 16);
  if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && lstrcmpW(className, L"#32770") == 0) {
    reinterpret_cast<TFound*>(lp)->Box = hwnd;
    return FALSE;
  }
  return TRUE;
}

std::wstring TextOf(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(n));
  return text;
}

}  // namespace

TMessageBoxWatcher::TMessageBoxWatcher(int answer) : answer_(answer) {
  thread_ = std::thread([this] { Watch(); });
}

TMessageBoxWatcher::~TMessageBoxWatcher() { Finish(); }

void TMessageBoxWatcher::Finish() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void TMessageBoxWatcher::Watch() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!stop_ && std::chrono::steady_clock::now() < deadline) {
    TFound found;
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&found));
    if (found.Box) {
      title_ = TextOf(found.Box);
      text_ = TextOf(GetDlgItem(found.Box, 0xFFFF));  // a message box's text control
      hasIcon_ = GetDlgItem(found.Box, 0x0014) != nullptr;
      seen_ = true;
      // The button may be the only one (OK) or one of several.
      PostMessageW(found.Box, WM_COMMAND, static_cast<WPARAM>(answer_), 0);
      return;
    }
    Sleep(10);
  }
}

namespace {

struct TDialogSearch {
  std::wstring Caption;
  HWND Owner = nullptr;  // when set, the owner to look for instead of the caption
  HWND Found = nullptr;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lp) {
  auto& search = *reinterpret_cast<TDialogSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t className[16] = {};
  GetClassNameW(hwnd, className, 16);
  if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) &&
      lstrcmpW(className, L"#32770") == 0 &&
      (search.Owner ? GetWindow(hwnd, GW_OWNER) == search.Owner : TextOf(hwnd) == search.Caption)) {
    search.Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitFor(TDialogSearch search) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!search.Found && std::chrono::steady_clock::now() < deadline) {
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.Found) Sleep(10);
  }
  return search.Found;
}

}  // namespace

HWND WaitForDialog(const std::wstring& caption) { return WaitFor({caption}); }

HWND WaitForDialogOwnedBy(HWND owner) { return WaitFor({L"", owner}); }

std::wstring ControlText(HWND control) {
  auto length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

void PostClick(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Click(HWND hwnd, int x, int y) {
  LPARAM at = MAKELPARAM(x, y);
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, at);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
}

void PressKey(HWND hwnd, WPARAM key) {
  SendMessageW(hwnd, WM_KEYDOWN, key, 1);
  SendMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
}

}  // namespace testing_support
