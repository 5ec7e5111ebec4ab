#include "uninstall/Delete.h"

#include "dialogs/DeleteIds.h"
#include "images/ImageIds.h"
#include "inventory/UninstallItem.h"
#include "uninstall/UninstallLogic.h"
#include "win/Error.h"

TfDelete* fDelete = nullptr;

namespace {

const wchar_t kQuestion[] =
    L"Are you sure you want to delete %s from the list of programs installed on your computer ?"
    L"\r\n";
const wchar_t* const kWarning[] = {
    L"WARNING : You should only delete the entries for programs that you ",
    L"know for sure that are no longer on your computer. If the program is still ",
    L"on your computer and you delete it from the list, you may not be able to ",
    L"uninstall it later.",
    L"",
    L"Note: If the program has a question mark near its name in the list, it ",
    L"does not mean for sure that the program is no longer on your computer. ",
    L"To check if the program is really gone, please try to uninstall it first."};

// Longer names are cut short in the question: the warning below it stays in sight, and the text
// box, which wraps a paragraph in time that grows with the square of its length, opens at once.
constexpr size_t kLongestShownName = 128;

std::wstring ShownName(const std::wstring& name) {
  if (name.size() <= kLongestShownName) return name;
  size_t cut = kLongestShownName - 1;
  if (IS_HIGH_SURROGATE(name[cut - 1])) --cut;  // never half a character
  return name.substr(0, cut) + L"\u2026";
}

}  // namespace

TfDelete::TfDelete(TUninstListItem& entry, std::wstring logPath)
    : win::TDialog(IDD_DELETE), entry_(entry), logPath_(std::move(logPath)) {}

std::wstring TfDelete::WarningText(const std::wstring& displayName) {
  // The name goes in as it is: a "%" in it is no format.
  std::wstring text = kQuestion;
  text.replace(text.find(L"%s"), 2, ShownName(displayName));
  for (const wchar_t* line : kWarning) text += std::wstring(L"\r\n") + line;
  return text;
}

void TfDelete::OnInitDialog() {
  header_.Attach(Handle(), IDC_DEL_BANNER, IDC_DEL_TITLE, IDC_DEL_PICTURE);
  header_.SetPicture(IDI_WIZ_DELETE);
  boldFont_ = BoldFontOf(Item(IDC_DEL_DELETE));
  for (int id : {IDC_DEL_DELETE, IDC_DEL_UNINSTALL})
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  SetItemText(IDC_DEL_WARNING, WarningText(entry_.GetName()));
  CenterOn(GetWindow(Handle(), GW_OWNER));
  // No visible control starts with the focus, so no text is selected in the warning.
  SetFocus(Item(IDC_DEL_HIDDEN));
}

INT_PTR TfDelete::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    OnInitDialog();
    return FALSE;  // the focus is set already
  }
  if (msg == WM_CTLCOLORSTATIC) {
    auto control = reinterpret_cast<HWND>(lp);
    if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), control))
      return reinterpret_cast<INT_PTR>(brush);
    if (control == Item(IDC_DEL_WARNING)) {  // read-only, on the dialog's own colour
      SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfDelete::OnCommand(int id, int) {
  switch (id) {
    case IDC_DEL_DELETE: buDeleteClick(); break;
    case IDC_DEL_UNINSTALL: End(IDOK); break;
    case IDCANCEL: End(IDCANCEL); break;
  }
}

void TfDelete::buDeleteClick() {
  TEntryDeletion result = DeleteEntryLogged(entry_, logPath_, kDeleteFromListAction);
  // A key that could not be saved stays, and the dialog stays open with it: the user may free
  // the backup's place and try again, or cancel.
  if (!result.BackupError.empty())
    throw win::TError(KeptForBackupMessage(entry_.GetName(), result.BackupError));
  End(IDYES);
}
