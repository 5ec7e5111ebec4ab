// TDialog: the base of every dialog made from a DIALOGEX template in the resources. The dialog
// procedure routes to HandleMessage and sends whatever a handler throws to the application's
// error box, as TWindow does for windows.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>
#include <string>

namespace win {

class TDialog {
public:
  explicit TDialog(int templateId) noexcept : templateId_(templateId) {}
  TDialog(const TDialog&) = delete;
  TDialog& operator=(const TDialog&) = delete;
  virtual ~TDialog() = default;

  // Shows the dialog modally over owner and returns the code it was ended with.
  INT_PTR ShowModal(HWND owner);
  HWND Handle() const noexcept { return hwnd_; }
  HWND Item(int id) const noexcept { return GetDlgItem(hwnd_, id); }
  void End(INT_PTR result) { EndDialog(hwnd_, result); }

  std::wstring ItemText(int id) const;
  void SetItemText(int id, const std::wstring& text) { SetDlgItemTextW(hwnd_, id, text.c_str()); }
  // Centres the dialog on a window, or on the work area of its monitor for none.
  void CenterOn(HWND other);

protected:
  // Hides the dialog before it closes and enables its owner; whether it was in sight. A common
  // dialog opened then goes over the owner (DialogOwner), which the window manager gives the
  // keyboard back when it closes: a dialog that closes right after a common dialog of its own
  // can leave no window active at all.
  bool HideWhileWorking();
  // Shows the hidden dialog again, modal as before (nothing when it is in sight).
  void ShowAgain();
  // The owner while the dialog is hidden and has one, else the dialog itself.
  HWND DialogOwner() const;

  // Return TRUE when the message was handled (for WM_INITDIALOG: whether to set the focus).
  virtual INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  virtual void OnInitDialog() {}
  virtual void OnCommand(int /*id*/, int /*code*/) {}

private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  int templateId_;
  HWND hwnd_ = nullptr;
  bool hidden_ = false;
};

// A column of a dialog's report list: its caption, its width designed at 96 DPI (0 for the one
// column that takes what the others leave, at least `least` wide) and its alignment.
struct TListColumn {
  const wchar_t* Caption;
  int Width;
  int Format = LVCFMT_LEFT;
};
void InsertListColumns(HWND list, std::initializer_list<TListColumn> columns, int least);

}  // namespace win
