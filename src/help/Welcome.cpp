#include "help/Welcome.h"

#include "dialogs/WelcomeIds.h"
#include "win/Window.h"

TfWelcome* fWelcome = nullptr;

TfWelcome::TfWelcome(TWelcomeSetting setting)
    : win::TDialog(IDD_WELCOME), setting_(std::move(setting)) {
  // Told once here; start-up and the check box go on as if nothing were stored.
  win::Guarded([this] { showAtStartup_ = setting_.Read(); });
  checked_ = showAtStartup_;
}

TfWelcome::~TfWelcome() {
  if (fWelcome == this) fWelcome = nullptr;
}

INT_PTR TfWelcome::Offer(HWND owner, const std::function<void()>& openAssisted) {
  INT_PTR result = ShowModal(owner);
  if (result == IDOK && manual_ && openAssisted) openAssisted();
  return result;
}

void TfWelcome::OnInitDialog() {
  banner_.Attach(Item(IDC_WEL_TOP), false, true);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfWeight = FW_BOLD;
  font.lfHeight = font.lfHeight * 5 / 4;
  headingFont_.Reset(CreateFontIndirectW(&font));
  SendMessageW(Item(IDC_WEL_HEADING), WM_SETFONT, reinterpret_cast<WPARAM>(headingFont_.Get()), TRUE);
  CheckRadioButton(Handle(), IDC_WEL_NORMAL, IDC_WEL_MANUAL,
                   manual_ ? IDC_WEL_MANUAL : IDC_WEL_NORMAL);
  CheckDlgButton(Handle(), IDC_WEL_SHOW, checked_ ? BST_CHECKED : BST_UNCHECKED);
  CenterOn(GetWindow(Handle(), GW_OWNER));
}

INT_PTR TfWelcome::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_DRAWITEM:
      return banner_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_CLOSE:
      // The title bar's close button is no "Continue": nothing opens after it.
      Close(IDCANCEL);
      return TRUE;
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfWelcome::OnCommand(int id, int code) {
  switch (id) {
    case IDC_WEL_SHOW:
      if (code == BN_CLICKED) cbShowAtStartupClick();
      break;
    case IDOK:
    case IDCANCEL:  // Esc: "Continue" is the cancel button too
      Close(IDOK);
      break;
  }
}

void TfWelcome::cbShowAtStartupClick() {
  checked_ = IsDlgButtonChecked(Handle(), IDC_WEL_SHOW) == BST_CHECKED;
  setting_.Write(checked_);
}

void TfWelcome::Close(INT_PTR result) {
  manual_ = IsDlgButtonChecked(Handle(), IDC_WEL_MANUAL) == BST_CHECKED;
  End(result);
}
