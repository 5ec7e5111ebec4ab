#include "editing/NewProgram.h"

#include "dialogs/NewProgramIds.h"
#include "images/ImageIds.h"
#include "win/FileDialog.h"
#include "win/Window.h"

#include <commctrl.h>

TfNewProgram* fNewProgram = nullptr;

namespace {

const wchar_t kFillAllFields[] = L"Please fill in all fields !";
const wchar_t kAlreadyExists[] = L"Registry entry already exists !";
const wchar_t kCannotCreate[] = L"We cannot create the specified registry entry !";
const wchar_t kBrowseHint[] = L"Browse for a file";
const wchar_t kBrowseIconHint[] = L"Browse for a file containing an icon";

}  // namespace

TfNewProgram::TfNewProgram(const TUninstallSource& source)
    : win::TDialog(IDD_NEW_PROGRAM), entry_(source) {
  KeyName = entry_.GeneratedName();
  Fields.Reg = entry_.FullPath(KeyName);
}

void TfNewProgram::OnInitDialog() {
  header_.Attach(Handle(), IDC_NEW_BANNER, IDC_NEW_TITLE, IDC_NEW_PICTURE);
  header_.SetPicture(IDI_CMD_NEW);
  boldFont_ = BoldFontOf(Item(IDOK));
  SendMessageW(Item(IDOK), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  SetItemText(IDC_NEW_REG, Fields.Reg);
  SetItemText(IDC_NEW_NAME, Fields.Name);
  SetItemText(IDC_NEW_UNINSTALL, Fields.Uninstall);
  SetItemText(IDC_NEW_ICON, Fields.DisplayIcon);
  hints_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  AddHint(Item(IDC_NEW_UNINSTALL_BROWSE), kBrowseHint);
  AddHint(Item(IDC_NEW_ICON_BROWSE), kBrowseIconHint);
  CenterOn(GetWindow(Handle(), GW_OWNER));
}

void TfNewProgram::AddHint(HWND control, const wchar_t* text) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(hints_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

INT_PTR TfNewProgram::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
      return reinterpret_cast<INT_PTR>(brush);
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfNewProgram::OnCommand(int id, int) {
  switch (id) {
    case IDOK: buOKClick(); break;
    case IDCANCEL: End(IDCANCEL); break;
    case IDC_NEW_UNINSTALL_BROWSE: BrowseInto(IDC_NEW_UNINSTALL); break;
    case IDC_NEW_ICON_BROWSE: BrowseInto(IDC_NEW_ICON); break;
  }
}

void TfNewProgram::buOKClick() {
  TNewProgramFields typed{win::WindowText(Item(IDC_NEW_REG)), win::WindowText(Item(IDC_NEW_NAME)),
                          win::WindowText(Item(IDC_NEW_UNINSTALL)),
                          win::WindowText(Item(IDC_NEW_ICON))};
  const wchar_t* message = nullptr;
  switch (entry_.Create(KeyName, typed)) {
    case TNewProgramResult::Created:
      Fields = std::move(typed);
      End(IDOK);
      return;
    case TNewProgramResult::MissingField: message = kFillAllFields; break;
    case TNewProgramResult::AlreadyExists: message = kAlreadyExists; break;
    case TNewProgramResult::CannotCreate: message = kCannotCreate; break;
  }
  MessageBoxW(Handle(), message, win::kApplicationTitle, MB_OK | MB_ICONINFORMATION);
}

void TfNewProgram::BrowseInto(int editId) {
  win::TFileDialogOptions options;
  options.Owner = Handle();
  options.Flags = OFN_FILEMUSTEXIST;
  if (std::optional<std::wstring> file = win::OpenFileName(options)) SetItemText(editId, *file);
}
