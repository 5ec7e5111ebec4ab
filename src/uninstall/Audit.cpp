#include "uninstall/Audit.h"

#include "dialogs/AuditIds.h"
#include "images/ImageIds.h"
#include "inventory/Utils.h"
#include "uninstall/Printing.h"
#include "win/Window.h"

#include <commdlg.h>

TfAudit* fAudit = nullptr;

TfAudit::TfAudit(const TProgramList& programs, bool detailedOffered)
    : win::TDialog(IDD_AUDIT),
      report_(TAuditReport::ForThisMachine(programs)),
      detailedOffered_(detailedOffered) {}

void TfAudit::OnInitDialog() {
  header_.Attach(Handle(), IDC_AUD_BANNER, IDC_AUD_TITLE, IDC_AUD_PICTURE);
  header_.SetPicture(IDI_WIZ_REPORT);
  boldFont_ = BoldFontOf(Item(IDOK));
  for (int id : {IDOK, IDC_AUD_SAVE})
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  std::wstring text = report_.Text();
  text.resize(text.size() - 2);  // the memo shows the lines without a break after the last
  SetItemText(IDC_AUD_MEMO, text);
  CheckRadioButton(Handle(), IDC_AUD_SHORT, IDC_AUD_DETAILED, IDC_AUD_SHORT);
  // The size, last-used and frequency columns exist on the NT family only.
  ShowWindow(Item(IDC_AUD_DETAILED), detailedOffered_ ? SW_SHOWNA : SW_HIDE);
  CenterOn(GetWindow(Handle(), GW_OWNER));
}

INT_PTR TfAudit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
      return reinterpret_cast<INT_PTR>(brush);
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfAudit::OnCommand(int id, int) {
  switch (id) {
    case IDOK: buPrintClick(); break;
    case IDC_AUD_SAVE: buSaveFileClick(); break;
    case IDCANCEL: End(IDCANCEL); break;
  }
}

TReportFormat TfAudit::Format() const {
  if (IsDlgButtonChecked(Handle(), IDC_AUD_SHORT) == BST_CHECKED) return TReportFormat::Short;
  if (detailedOffered_ && IsDlgButtonChecked(Handle(), IDC_AUD_DETAILED) == BST_CHECKED)
    return TReportFormat::Detailed;
  return TReportFormat::Long;
}

void TfAudit::TakeEditedHeader() { report_.Lines() = TAuditReport::LinesOf(ItemText(IDC_AUD_MEMO)); }

void TfAudit::buSaveFileClick() {
  wchar_t file[MAX_PATH * 4] = {};
  std::wstring folder = TUtils::ExeFolder();
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Handle();
  dialog.lpstrFilter = L" Text File (*.TXT)\0*.txt\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = static_cast<DWORD>(std::size(file));
  dialog.lpstrInitialDir = folder.c_str();
  dialog.lpstrTitle = L"Save Report As";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
  if (GetSaveFileNameW(&dialog))
    SaveReport(file);
  else
    End(IDOK);  // the button closes the window all the same
}

void TfAudit::SaveReport(const std::wstring& name) {
  TakeEditedHeader();
  HideWhileWorking();
  savedFile_ = report_.SaveReport(name, Format());
  End(IDOK);
}

// A hidden window hands the activation on; the owner takes it only once it is enabled again, or
// it would be left inactive with no window of the program in front.
void TfAudit::HideWhileWorking() {
  if (!IsWindowVisible(Handle())) return;
  if (HWND owner = GetWindow(Handle(), GW_OWNER)) EnableWindow(owner, TRUE);
  ShowWindow(Handle(), SW_HIDE);
}

void TfAudit::buPrintClick() { PrintReport(true); }

void TfAudit::PrintReport(bool askForPrinter) {
  win::UniqueHdc printer;
  if (askForPrinter) {
    printer = ChoosePrinter(Handle());
    if (!printer) {
      End(IDOK);
      return;
    }
  }
  TakeEditedHeader();
  if (askForPrinter) HideWhileWorking();
  try {
    if (!printer) printer = DefaultPrinterDc();
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(IDC_AUD_MEMO), WM_GETFONT, 0, 0)),
               sizeof font, &font);
    report_.PrintReport(printer.Get(), font, Format());
  } catch (...) {
    win::ShowApplicationError(win::CurrentExceptionMessage());
    if (OnPrintFailed) OnPrintFailed();
  }
  End(IDOK);
}
