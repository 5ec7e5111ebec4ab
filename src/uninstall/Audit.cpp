#include "uninstall/Audit.h"

#include "dialogs/AuditIds.h"
#include "images/ImageIds.h"
#include "inventory/Utils.h"
#include "uninstall/Printing.h"
#include "win/FileDialog.h"
#include "win/Window.h"

TfAudit* fAudit = nullptr;

namespace {

const wchar_t kSaveTitle[] = L"Save Report As";
const wchar_t kReplaceQuestion[] = L" already exists.\r\nDo you want to replace it?";

}  // namespace

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
  if (msg == WM_INITDIALOG) {
    TDialog::HandleMessage(msg, wp, lp);
    // The dialog manager would select the whole header, and the first key would replace it.
    HWND memo = Item(IDC_AUD_MEMO);
    SetFocus(memo);
    SendMessageW(memo, EM_SETSEL, 0, 0);
    return FALSE;  // the focus is set
  }
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

void TfAudit::TakeEditedHeader() {
  report_.SetHeader(TAuditReport::LinesOf(ItemText(IDC_AUD_MEMO)));
}

// The dialog's own overwrite check would look at the name as typed, while ".txt" may still be
// added to it: ask about the file that will be written.
bool TfAudit::MayWriteReport(HWND dialog, const std::wstring& name) {
  std::wstring file = TAuditReport::ReportFileName(name);
  DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return true;
  std::wstring question = file + kReplaceQuestion;
  return MessageBoxW(dialog, question.c_str(), kSaveTitle,
                     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void TfAudit::buSaveFileClick() {
  win::TFileDialogOptions options;
  options.Filter = L" Text File (*.TXT)\0*.txt\0";
  options.InitialFolder = TUtils::ExeFolder();
  options.Title = kSaveTitle;
  options.DefaultExtension = L"txt";
  options.Accept = MayWriteReport;
  // The window closes whatever the choice: it goes first, and the dialog comes over its owner.
  HideWhileWorking();
  options.Owner = DialogOwner();
  if (std::optional<std::wstring> file = win::SaveFileName(options))
    SaveReport(*file);
  else
    End(IDOK);  // the button closes the window all the same
}

void TfAudit::SaveReport(const std::wstring& name) {
  TakeEditedHeader();
  HideWhileWorking();
  try {
    savedFile_ = report_.SaveReport(name, Format());
  } catch (...) {
    // After a failure the window comes back, modal again, with the error box over it.
    ShowAgain();
    throw;
  }
  End(IDOK);
}

void TfAudit::buPrintClick() { PrintReport(true); }

void TfAudit::PrintReport(bool askForPrinter) {
  // Every way out closes the window; a failure, choosing the printer included, first shows the
  // error box and brings the main window up.
  try {
    TakeEditedHeader();
    // The window closes whatever the choice: it goes first, and the dialog comes over its owner.
    if (askForPrinter) HideWhileWorking();
    win::UniqueHdc printer = askForPrinter ? ChoosePrinter(DialogOwner()) : DefaultPrinterDc();
    if (printer) {
      report_.PrintReport(printer.Get(), PrintFontOf(Item(IDC_AUD_MEMO)), Format());
    }
  } catch (...) {
    win::ShowApplicationError(win::CurrentExceptionMessage());
    if (OnPrintFailed) OnPrintFailed();
  }
  End(IDOK);
}
