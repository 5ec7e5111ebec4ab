#include "win/Dialog.h"

#include "win/Window.h"

namespace win {

INT_PTR TDialog::ShowModal(HWND owner) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, Proc,
                         reinterpret_cast<LPARAM>(this));
}

std::wstring TDialog::ItemText(int id) const { return WindowText(Item(id)); }

void TDialog::CenterOn(HWND other) {
  RECT area, self;
  if (other && IsWindowVisible(other) && !IsIconic(other)) {
    GetWindowRect(other, &area);
  } else {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &info);
    area = info.rcWork;
  }
  GetWindowRect(hwnd_, &self);
  int width = self.right - self.left, height = self.bottom - self.top;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR TDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK TDialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  TDialog* self;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<TDialog*>(lp);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
  } else {
    self = reinterpret_cast<TDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  if (!Guarded([&] { result = self->HandleMessage(msg, wp, lp); })) result = FALSE;
  if (msg == WM_NCDESTROY) self->hwnd_ = nullptr;
  return result;
}

}  // namespace win
