#include "win/Dialog.h"

#include "win/Gdi.h"
#include "win/Window.h"

#include "resource.h"

#include <commctrl.h>

#include <algorithm>

namespace win {

namespace {

// The program's icon in the title bar and in the task switcher, as its main window has it.
void ShowProgramIcon(HWND dialog) {
  const UINT dpi = WindowDpi(dialog);
  for (const auto& [which, metric] :
       {std::pair{ICON_SMALL, SM_CXSMICON}, std::pair{ICON_BIG, SM_CXICON}}) {
    const int size = GetSystemMetricsForDpi(metric, dpi);
    if (auto* icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                                   MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                                   IMAGE_ICON, size, size, LR_SHARED)))
      SendMessageW(dialog, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
}

}  // namespace

INT_PTR TDialog::ShowModal(HWND owner) {
  const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                                         owner, Proc, reinterpret_cast<LPARAM>(this));
  // The window manager may still be busy with a common dialog that closed just before: when that
  // left no window of this thread active, the owner takes the keyboard back, unless another
  // program has it.
  if (owner && !GetActiveWindow() && IsWindowVisible(owner) && IsWindowEnabled(owner)) {
    HWND front = GetForegroundWindow();
    if (!front || front == GetDesktopWindow() ||
        GetWindowThreadProcessId(front, nullptr) == GetCurrentThreadId())
      SetForegroundWindow(owner);
  }
  return result;
}

// A hidden window hands the activation on; the owner takes it only once it is enabled again, or
// it would be left inactive with no window of the program in front.
bool TDialog::HideWhileWorking() {
  if (!IsWindowVisible(hwnd_)) return false;
  if (HWND owner = GetWindow(hwnd_, GW_OWNER)) EnableWindow(owner, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  hidden_ = true;
  return true;
}

void TDialog::ShowAgain() {
  if (!hidden_) return;
  hidden_ = false;
  if (HWND owner = GetWindow(hwnd_, GW_OWNER)) EnableWindow(owner, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

HWND TDialog::DialogOwner() const {
  HWND owner = hidden_ ? GetWindow(hwnd_, GW_OWNER) : nullptr;
  return owner ? owner : hwnd_;
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
    ShowProgramIcon(hwnd);
  } else {
    self = reinterpret_cast<TDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  if (!Guarded([&] { result = self->HandleMessage(msg, wp, lp); })) result = FALSE;
  if (msg == WM_NCDESTROY) self->hwnd_ = nullptr;
  return result;
}

void InsertListColumns(HWND list, std::initializer_list<TListColumn> columns, int least) {
  RECT client;
  GetClientRect(list, &client);
  int rest = client.right - GetSystemMetrics(SM_CXVSCROLL);
  for (const TListColumn& c : columns) rest -= c.Width ? Scale(list, c.Width) : 0;
  int index = 0;
  for (const TListColumn& c : columns) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = c.Format;
    column.pszText = const_cast<wchar_t*>(c.Caption);
    column.cx = c.Width ? Scale(list, c.Width) : std::max(rest, least);
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++),
                 reinterpret_cast<LPARAM>(&column));
  }
}

}  // namespace win
