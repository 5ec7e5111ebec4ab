#include "uninstall/Restore.h"

#include "dialogs/RestoreIds.h"
#include "images/ImageIds.h"
#include "uninstall/UninstallLogic.h"
#include "win/Error.h"
#include "win/Gdi.h"
#include "win/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

TfRestore* fRestore = nullptr;

namespace {

const wchar_t kExplanation[] =
    L"Before Purgalot! deletes a registry key, it saves a copy in the Backups folder beside the "
    L"uninstall log. Choose an action and click Restore to put the keys it deleted back.";
const wchar_t kNothing[] =
    L"There is nothing to restore: no registry key has been deleted and backed up yet.";
const wchar_t kKeysBack[] = L"The registry keys of this action are back.";
const wchar_t kNoKeys[] = L"This action saved no registry keys.";
const wchar_t kFromRecycleBin[] =
    L"These files and folders were moved to the Recycle Bin. To take them back, open the Recycle "
    L"Bin, select them and choose Restore:";
const wchar_t kGoneForGood[] = L"These were deleted for good and cannot be brought back:";
const wchar_t kRestoreFailed[] = L"The backup could not be restored completely. ";
const wchar_t kRestoreRefused[] = L"The backup was not restored; nothing was written. ";
const wchar_t kRestoredMark[] = L" (restored)";
const wchar_t kRestoredOn[] = L"Restored: ";
const wchar_t kRestoredBefore[] = L"The keys of this action were put back on ";
const wchar_t kRestoreAgain[] =
    L" already. Restore them again? The saved values are written over what the keys hold now.";


bool Is(const TBackupItem& item, const wchar_t* kind) { return item.Kind == kind; }

// A value as the registry editor shows it in its key: "(Default)" for the default value.
std::wstring ValueText(const TBackupItem& item) {
  return item.Path + L" \"" + (item.ValueName.empty() ? L"(Default)" : item.ValueName) + L"\"";
}

std::wstring Described(const TBackupItem& item) {
  if (Is(item, kBackupValue)) return ValueText(item);
  if (Is(item, kBackupRecycled)) return item.Path + L" (in the Recycle Bin)";
  if (Is(item, kBackupDeleted)) return item.Path + L" (deleted)";
  return item.Path;
}

void AppendList(std::wstring& text, const TBackupAction& action, const wchar_t* kind,
                const wchar_t* heading) {
  std::wstring list;
  for (const TBackupItem& item : action.Items)
    if (Is(item, kind)) list += L"\r\n" + item.Path;
  if (!list.empty()) text += std::wstring(L"\r\n\r\n") + heading + list;
}

}  // namespace

TfRestore::TfRestore(std::wstring logPath, TProtectedKeyRule isProtected,
                     TProtectedValueRule valuesProtected)
    : win::TDialog(IDD_RESTORE),
      logPath_(std::move(logPath)),
      isProtected_(std::move(isProtected)),
      valuesProtected_(std::move(valuesProtected)) {}

std::wstring TfRestore::DateText(const std::wstring& time) {
  SYSTEMTIME when{};
  if (swscanf(time.c_str(), L"%4hu-%2hu-%2hu %2hu:%2hu:%2hu", &when.wYear, &when.wMonth,
              &when.wDay, &when.wHour, &when.wMinute, &when.wSecond) != 6)
    return time;
  wchar_t date[80] = {}, clock[80] = {};
  if (!GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, 80,
                       nullptr) ||
      !GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &when, nullptr, clock, 80))
    return time;
  return std::wstring(date) + L" " + clock;
}

std::wstring TfRestore::ActionText(const TBackupAction& action) {
  return action.Restored.empty() ? action.Action : action.Action + kRestoredMark;
}

std::wstring TfRestore::RemovedText(const TBackupAction& action) {
  std::wstring text;
  for (const TBackupItem& item : action.Items)
    text += (text.empty() ? L"" : L"; ") + Described(item);
  return text;
}

std::wstring TfRestore::DetailsText(const TBackupAction& action) {
  std::wstring text = action.Subject;
  for (const TBackupItem& item : action.Items) {
    const wchar_t* label = Is(item, kBackupRecycled)  ? L"Moved to the Recycle Bin: "
                           : Is(item, kBackupDeleted) ? L"Deleted for good: "
                           : Is(item, kBackupValue)   ? L"Registry value: "
                                                      : L"Registry key: ";
    text += L"\r\n" + std::wstring(label) + (Is(item, kBackupValue) ? ValueText(item) : item.Path);
  }
  if (!action.Restored.empty())
    text += L"\r\n" + std::wstring(kRestoredOn) + DateText(action.Restored);
  return text;
}

std::wstring TfRestore::RestoredText(const TBackupAction& action) {
  bool keys = false;
  for (const TBackupItem& item : action.Items)
    keys = keys || Is(item, kBackupRegistry) || Is(item, kBackupValue);
  std::wstring text = keys ? kKeysBack : kNoKeys;
  AppendList(text, action, kBackupRecycled, kFromRecycleBin);
  AppendList(text, action, kBackupDeleted, kGoneForGood);
  return text;
}

INT_PTR TfRestore::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      FormCreate();
      return FALSE;  // the focus is set already
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
        return reinterpret_cast<INT_PTR>(brush);
      break;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lp);
      if (header.idFrom == IDC_RES_LIST && header.code == LVN_ITEMCHANGED) {
        const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lp);
        if (change.uChanged & LVIF_STATE) lvActionsSelect();
      } else if (header.idFrom == IDC_RES_LIST && header.code == NM_DBLCLK) {
        const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(lp);
        if (click.iItem >= 0) buRestoreClick();  // as Enter does through the default button
      }
      break;
    }
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfRestore::OnCommand(int id, int) {
  switch (id) {
    case IDC_RES_RESTORE: buRestoreClick(); break;
    case IDCANCEL: End(restored_ ? IDOK : IDCANCEL); break;  // "Close", Escape, the close box
  }
}

void TfRestore::FormCreate() {
  header_.Attach(Handle(), IDC_RES_BANNER, IDC_RES_TITLE, IDC_RES_PICTURE);
  header_.SetPicture(IDI_WIZ_DONE);
  boldFont_ = BoldFontOf(Item(IDC_RES_RESTORE));
  SendMessageW(Item(IDC_RES_RESTORE), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  SetItemText(IDC_RES_EXPLAIN, kExplanation);

  HWND list = Item(IDC_RES_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER |
                                              LVS_EX_LABELTIP);
  win::InsertListColumns(list, {{L"Date", 136}, {L"Action", 104}, {L"Program", 128}, {L"Removed", 0}},
                         80);
  FillList();
  CenterOn(GetWindow(Handle(), GW_OWNER));
}

void TfRestore::FillList() {
  HWND list = Item(IDC_RES_LIST);
  std::wstring unreadable;
  try {
    actions_ = ListBackups(BackupRootBeside(logPath_));
  } catch (const win::TError& e) {
    actions_.clear();
    unreadable = e.Message();
  }
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < actions_.size(); ++i) {
    const TBackupAction& action = actions_[i];
    std::wstring texts[] = {DateText(action.Time), ActionText(action), action.Subject,
                            RemovedText(action)};
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = texts[0].data();
    int row = static_cast<int>(
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (int column = 1; column < 4; ++column) {
      item.iItem = row;
      item.iSubItem = column;
      item.pszText = texts[column].data();
      SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  if (actions_.empty()) {
    // Nothing to choose: the place of the details says so, and only Close is left.
    ShowWindow(Item(IDC_RES_DETAILS_LABEL), SW_HIDE);
    SetItemText(IDC_RES_DETAILS, unreadable.empty() ? kNothing : unreadable);
    EnableWindow(Item(IDC_RES_RESTORE), FALSE);
    SendMessageW(Handle(), DM_SETDEFID, IDCANCEL, 0);
    SetFocus(Item(IDCANCEL));
    return;
  }
  ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SetFocus(list);
  lvActionsSelect();
}

int TfRestore::SelectedIndex() const {
  int row = static_cast<int>(
      SendMessageW(Item(IDC_RES_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return row >= 0 && static_cast<size_t>(row) < actions_.size() ? row : -1;
}

void TfRestore::lvActionsSelect() {
  if (actions_.empty()) return;
  int row = SelectedIndex();
  SetItemText(IDC_RES_DETAILS, row < 0 ? L"" : DetailsText(actions_[static_cast<size_t>(row)]));
  EnableWindow(Item(IDC_RES_RESTORE), row >= 0);
}

void TfRestore::buRestoreClick() {
  int row = SelectedIndex();
  if (row < 0) return;
  const TBackupAction& action = actions_[static_cast<size_t>(row)];
  if (!action.Restored.empty()) {
    const std::wstring question = kRestoredBefore + DateText(action.Restored) + kRestoreAgain;
    if (MessageBoxW(Handle(), question.c_str(), win::kApplicationTitle,
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
      return;
  }
  TRestoreOutcome outcome = RestoreLogged(action, logPath_, isProtected_, valuesProtected_);
  restored_ = restored_ || outcome.Written;
  if (!outcome.Error.empty())
    throw win::TError((outcome.Written ? kRestoreFailed : kRestoreRefused) + outcome.Error);
  MessageBoxW(Handle(), RestoredText(action).c_str(), win::kApplicationTitle,
              MB_OK | MB_ICONINFORMATION);
  End(IDOK);
}
