#include "support/GuiDriver.h"

#include "win/Gdi.h"

#include <algorithm>
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

// Windows numbers a message box's icon 0x0014, Wine otherwise: any icon static counts.
bool HasIconControl(HWND box) {
  bool found = false;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM lp) -> BOOL {
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (lstrcmpiW(className, L"Static") == 0 &&
            (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
          *reinterpret_cast<bool*>(lp) = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
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
  TFound found;
  WaitUntil(
      [this, &found] {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&found));
        return stop_ || found.Box != nullptr;
      },
      std::chrono::seconds(20));
  if (!found.Box) return;
  title_ = TextOf(found.Box);
  text_ = TextOf(GetDlgItem(found.Box, 0xFFFF));  // a message box's text control
  hasIcon_ = HasIconControl(found.Box);
  seen_ = true;
  // The button may be the only one (OK) or one of several.
  PostMessageW(found.Box, WM_COMMAND, static_cast<WPARAM>(answer_), 0);
}

namespace {

struct TWindowSearch {
  std::wstring ClassName;
  const std::wstring* Caption = nullptr;  // null: any
  HWND Owner = nullptr;                   // null: any
  HWND Found = nullptr;
};

BOOL CALLBACK FindWindowOfProcess(HWND hwnd, LPARAM lp) {
  auto& search = *reinterpret_cast<TWindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t className[64] = {};
  GetClassNameW(hwnd, className, 64);
  if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && search.ClassName == className &&
      (!search.Caption || TextOf(hwnd) == *search.Caption) &&
      (!search.Owner || GetWindow(hwnd, GW_OWNER) == search.Owner)) {
    search.Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitFor(TWindowSearch search) {
  WaitUntil([&search] {
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.Found != nullptr;
  });
  return search.Found;
}

}  // namespace

HWND WaitForDialog(const std::wstring& caption) { return WaitFor({L"#32770", &caption}); }

HWND WaitForDialogOwnedBy(HWND owner) { return WaitFor({L"#32770", nullptr, owner}); }

HWND WaitForWindowOfClass(const std::wstring& className) { return WaitFor({className}); }

std::wstring ControlText(HWND control) {
  auto length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

void PostClick(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool EnterFileName(HWND dialog, const std::wstring& file) {
  if (!dialog) return false;
  HWND edit = GetDlgItem(dialog, 1148);  // the file name box of the common dialog
  if (!edit) edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
  if (!edit) {
    HWND combo = FindWindowExW(dialog, nullptr, L"ComboBoxEx32", nullptr);
    edit = combo ? FindWindowExW(FindWindowExW(combo, nullptr, L"ComboBox", nullptr), nullptr,
                                 L"Edit", nullptr)
                 : nullptr;
  }
  if (!edit) return false;
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  return true;
}

bool AnswerFileDialog(const std::wstring& caption, const std::wstring& file) {
  return EnterFileName(WaitForDialog(caption), file);
}

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

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(10);
  }
  return true;
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    PumpMessages();
  }
  return true;
}

TCapture::TCapture(HWND hwnd) {
  RedrawWindow(GetAncestor(hwnd, GA_ROOT), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT rc;
  GetClientRect(hwnd, &rc);
  width_ = rc.right;
  height_ = rc.bottom;
  pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  win::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueHdc memory(CreateCompatibleDC(nullptr));
  if (!bitmap || !memory) return;
  {
    win::SelectGuard select(memory.Get(), bitmap.Get());
    win::WindowDc screen(hwnd, DCX_CACHE);
    BitBlt(memory.Get(), 0, 0, width_, height_, screen.Get(), 0, 0, SRCCOPY);
  }
  GdiFlush();
  const auto* source = static_cast<const DWORD*>(bits);
  for (size_t i = 0; i < pixels_.size(); ++i) {
    const DWORD bgrx = source[i];  // 0x00RRGGBB in memory order B, G, R
    pixels_[i] = RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
  }
}

COLORREF TCapture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

int TCapture::Count(COLORREF color, RECT area) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) count += At(x, y) == color;
  return count;
}

RECT TCapture::Bounds(COLORREF color, RECT area) const {
  RECT found{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (At(x, y) == color) {
        found.left = std::min<LONG>(found.left, x);
        found.top = std::min<LONG>(found.top, y);
        found.right = std::max<LONG>(found.right, x + 1);
        found.bottom = std::max<LONG>(found.bottom, y + 1);
      }
  if (found.left >= found.right) return RECT{};
  return found;
}


}  // namespace testing_support
