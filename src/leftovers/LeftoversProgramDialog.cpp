#include "leftovers/LeftoversProgramDialog.h"

#include "backup/BackupStore.h"
#include "dialogs/LeftoversIds.h"
#include "uninstall/Restore.h"
#include "win/Error.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"
#include "win/Window.h"

#include <shlobj.h>

namespace {

const wchar_t kExplanation[] =
    L"Choose the program's entry saved when it was uninstalled, or type its name and, when you "
    L"know it, the folder it was installed to.";
const wchar_t kNoSavedEntry[] = L"(None: I type the name)";
const wchar_t kNameMissing[] =
    L"Please type the name of the program whose leftovers you want to find.";
const wchar_t kEntryUnreadable[] = L"The saved entry could not be read: ";
const wchar_t kBrowseTitle[] = L"The folder the program was installed to:";

bool IsUninstallEntry(const TBackupItem& item) {
  return item.Kind == kBackupRegistry && !item.File.empty() &&
         win::ToLower(item.Path).find(L"\\uninstall\\") != std::wstring::npos;
}

}  // namespace

std::vector<TfRemovedProgram::TSavedEntry> TfRemovedProgram::SavedEntries(
    const std::wstring& backupRoot) {
  std::vector<TSavedEntry> entries;
  std::vector<TBackupAction> actions;
  try {
    actions = ListBackups(backupRoot);
  } catch (const win::TError&) {
    return entries;
  }
  for (const TBackupAction& action : actions)
    for (const TBackupItem& item : action.Items)
      if (IsUninstallEntry(item)) {
        entries.push_back({action.Subject + L" (" + action.Action + L", " +
                               TfRestore::DateText(action.Time) + L")",
                           action.Folder + item.File});
        break;
      }
  return entries;
}

TfRemovedProgram::TfRemovedProgram(std::wstring backupRoot)
    : win::TDialog(IDD_REMOVED_PROGRAM), backupRoot_(std::move(backupRoot)) {}

INT_PTR TfRemovedProgram::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    FormCreate();
    return FALSE;  // the focus is set already
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfRemovedProgram::OnCommand(int id, int code) {
  switch (id) {
    case IDC_RP_SAVED:
      if (code == CBN_SELCHANGE) cbSavedChange();
      break;
    case IDC_RP_BROWSE: buBrowseClick(); break;
    case IDOK: buFindClick(); break;
    case IDCANCEL: End(IDCANCEL); break;
  }
}

void TfRemovedProgram::FormCreate() {
  SetItemText(IDC_RP_EXPLAIN, kExplanation);
  saved_ = SavedEntries(backupRoot_);
  HWND combo = Item(IDC_RP_SAVED);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kNoSavedEntry));
  for (const TSavedEntry& entry : saved_)
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.Caption.c_str()));
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  SendMessageW(Item(IDC_RP_NAME), EM_LIMITTEXT, 260, 0);
  CenterOn(GetWindow(Handle(), GW_OWNER));
  SetFocus(saved_.empty() ? Item(IDC_RP_NAME) : combo);
}

// A saved entry says what the program was; the fields show it and are not typed into meanwhile.
void TfRemovedProgram::cbSavedChange() {
  const auto index = SendMessageW(Item(IDC_RP_SAVED), CB_GETCURSEL, 0, 0);
  const bool typed = index <= 0 || static_cast<size_t>(index) > saved_.size();
  Facts = typed ? TProgramFacts{}
                : FactsFromSavedEntry(saved_[static_cast<size_t>(index) - 1].RegFile);
  SetItemText(IDC_RP_NAME, Facts.Name);
  SetItemText(IDC_RP_FOLDER, Facts.InstallFolder);
  for (int id : {IDC_RP_NAME, IDC_RP_FOLDER})
    SendMessageW(Item(id), EM_SETREADONLY, typed ? FALSE : TRUE, 0);
  EnableWindow(Item(IDC_RP_BROWSE), typed);
  if (!typed && Facts.Name.empty())
    throw win::TError(kEntryUnreadable + saved_[static_cast<size_t>(index) - 1].RegFile);
}

void TfRemovedProgram::buBrowseClick() {
  wchar_t chosen[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = Handle();
  info.pszDisplayName = chosen;
  info.lpszTitle = kBrowseTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE folder = SHBrowseForFolderW(&info);
  if (!folder) return;
  if (SHGetPathFromIDListW(folder, chosen)) SetItemText(IDC_RP_FOLDER, chosen);
  CoTaskMemFree(folder);
}

void TfRemovedProgram::buFindClick() {
  const auto index = SendMessageW(Item(IDC_RP_SAVED), CB_GETCURSEL, 0, 0);
  if (index <= 0 || Facts.Name.empty()) {
    const std::wstring name = win::Trim(ItemText(IDC_RP_NAME));
    if (name.empty()) {
      MessageBoxW(Handle(), kNameMissing, win::kApplicationTitle, MB_OK | MB_ICONINFORMATION);
      SetFocus(Item(IDC_RP_NAME));
      return;
    }
    Facts = FactsFromName(name, win::Trim(ItemText(IDC_RP_FOLDER)));
  }
  End(IDOK);
}
