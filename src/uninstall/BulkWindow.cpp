#include "uninstall/BulkWindow.h"

#include "dialogs/BulkIds.h"
#include "images/ImageIds.h"
#include "inventory/UninstallItem.h"
#include "uninstall/AuditReport.h"
#include "uninstall/BulkReport.h"
#include "uninstall/UninstallLogic.h"
#include "win/Error.h"
#include "win/FileDialog.h"
#include "win/Gdi.h"
#include "win/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

TfBulkUninstall* fBulkUninstall = nullptr;

namespace {

// Posted by the worker: an uninstaller started (wParam its index), one was judged, the run ended.
constexpr UINT kStartedMessage = WM_APP + 1;
constexpr UINT kFinishedMessage = WM_APP + 2;
constexpr UINT kEndedMessage = WM_APP + 3;
constexpr UINT_PTR kClockTimer = 1;

const wchar_t kTitle[] = L"Uninstall several programs";
const wchar_t kFinishedTitle[] = L"Finished";
const wchar_t kStoppedTitle[] = L"Stopped";
const wchar_t kExplanation[] =
    L"These programs are uninstalled one after another, in this order. A program without a quiet "
    L"uninstaller opens its own window: answer its questions there.";
const wchar_t kReady[] = L"Press Start to uninstall them.";
const wchar_t kUninstalling[] = L"Uninstalling ";
const wchar_t kStopping[] = L"Stopping after ";
const wchar_t kClosing[] = L"The window closes when this uninstaller has finished: ";
const wchar_t kElapsed[] = L"Elapsed: ";
const wchar_t kFinishedRun[] = L"Finished. ";
const wchar_t kStoppedRun[] = L"Stopped. ";
const wchar_t kRestartHint[] = L" Restart Windows to finish removing the programs marked so.";
const wchar_t kCloseWhileRunning[] =
    L"An uninstaller is still running. It is not stopped: the window closes once it has "
    L"finished, and no other program is uninstalled.\n\nClose the window then?";
const wchar_t kYes[] = L"Yes";
const wchar_t kWaiting[] = L"Waiting";
const wchar_t kSaveTitle[] = L"Save Summary";

enum TColumnIndex { ciName, ciQuiet, ciStatus, ciExitCode };

std::wstring ClockText(DWORD ms) {
  const DWORD seconds = ms / 1000;
  std::wstring secs = std::to_wstring(seconds % 60);
  return std::to_wstring(seconds / 60) + L":" + (secs.size() < 2 ? L"0" : L"") + secs;
}

}  // namespace

TfBulkUninstall::TfBulkUninstall(std::vector<TProgramRow*> rows, std::wstring logPath,
                                 std::wstring msiexec)
    : win::TDialog(IDD_BULK),
      rows_(std::move(rows)),
      logPath_(std::move(logPath)),
      msiexec_(std::move(msiexec)),
      results_(rows_.size()),
      cleanedUp_(rows_.size(), false) {}

// The window ends only once its run has; should it be destroyed on another way out, the running
// uninstaller is still waited for, never left to a worker without its window.
TfBulkUninstall::~TfBulkUninstall() {
  if (!worker_.joinable()) return;
  runner_->StopAfterCurrent();
  worker_.join();
}

INT_PTR TfBulkUninstall::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
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
      if (header.idFrom == IDC_BU_LIST && header.code == LVN_ITEMCHANGED) UpdateButtons();
      break;
    }
    case WM_TIMER:
      if (wp == kClockTimer) ShowElapsed();
      return TRUE;
    case kStartedMessage:
      OnStarted(static_cast<size_t>(wp));
      return TRUE;
    case kFinishedMessage:
      ShowResult(static_cast<size_t>(wp));
      return TRUE;
    case kEndedMessage:
      OnRunEnded();
      return TRUE;
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfBulkUninstall::OnCommand(int id, int) {
  switch (id) {
    case IDC_BU_START: buStartClick(); break;
    case IDC_BU_STOP: buStopClick(); break;
    case IDC_BU_CLEANUP: buCleanUpClick(); break;
    case IDC_BU_LEFTOVERS: buLeftoversClick(); break;
    case IDC_BU_SAVE: buSaveClick(); break;
    case IDCANCEL: buCloseClick(); break;  // "Close", Escape, the close box
  }
}

void TfBulkUninstall::FormCreate() {
  header_.Attach(Handle(), IDC_BU_BANNER, IDC_BU_TITLE, IDC_BU_PICTURE);
  header_.SetTitle(kTitle);
  header_.SetPicture(IDI_WIZ_UNINSTALL);
  boldFont_ = BoldFontOf(Item(IDC_BU_NOW));
  SendMessageW(Item(IDC_BU_NOW), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  SetItemText(IDC_BU_EXPLAIN, kExplanation);
  SetItemText(IDC_BU_NOW, kReady);
  CheckDlgButton(Handle(), IDC_BU_QUIET, BST_CHECKED);

  HWND list = Item(IDC_BU_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER |
                                              LVS_EX_LABELTIP);
  win::InsertListColumns(list, {{L"Name", 0}, {L"Quiet", 50}, {L"Status", 150},
                                {L"Exit Code", 70, LVCFMT_RIGHT}}, 80);
  FillList();
  ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  UpdateButtons();
  CenterOn(GetWindow(Handle(), GW_OWNER));
  SetFocus(Item(IDC_BU_START));
}

void TfBulkUninstall::FillList() {
  HWND list = Item(IDC_BU_LIST);
  for (size_t i = 0; i < rows_.size(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(rows_[i]->Caption.c_str());
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SetRowText(i, ciQuiet, QuietCommandOf(*rows_[i], msiexec_).empty() ? L"" : kYes);
    SetRowText(i, ciStatus, kWaiting);
  }
}

void TfBulkUninstall::SetRowText(size_t index, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(Item(IDC_BU_LIST), LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
}

void TfBulkUninstall::ShowResult(size_t index) {
  TBulkResult result;
  {
    std::lock_guard lock(mutex_);
    result = results_[index];
  }
  SetRowText(index, ciStatus, BulkStatusText(result, cleanedUp_[index]));
  SetRowText(index, ciExitCode, result.ExitCode ? std::to_wstring(*result.ExitCode) : L"");
}

void TfBulkUninstall::buStartClick() {
  if (started_ || rows_.empty()) return;
  const bool quiet = IsDlgButtonChecked(Handle(), IDC_BU_QUIET) == BST_CHECKED;
  std::vector<TBulkTarget> targets;
  for (const TProgramRow* row : rows_) targets.push_back(BulkTargetOf(*row, quiet, msiexec_));
  runner_ = std::make_unique<TBulkUninstall>(std::move(targets), logPath_);
  // The worker only posts: the window's thread shows everything.
  const HWND window = Handle();
  TBulkUninstall::TEvents events;
  events.Started = [window](size_t index) { PostMessageW(window, kStartedMessage, index, 0); };
  events.Finished = [this, window](size_t index, const TBulkResult& result) {
    {
      std::lock_guard lock(mutex_);
      results_[index] = result;
    }
    PostMessageW(window, kFinishedMessage, index, 0);
  };
  runner_->SetEvents(std::move(events));
  started_ = true;
  currentStart_ = GetTickCount();
  SetTimer(Handle(), kClockTimer, 500, nullptr);
  worker_ = std::thread([this, window] {
    runner_->Run();
    PostMessageW(window, kEndedMessage, 0, 0);
  });
  EnableWindow(Item(IDC_BU_QUIET), FALSE);
  UpdateButtons();
  SendMessageW(Handle(), DM_SETDEFID, IDC_BU_STOP, 0);
  SetFocus(Item(IDC_BU_STOP));
}

void TfBulkUninstall::OnStarted(size_t index) {
  current_ = index;
  currentStart_ = GetTickCount();
  SetRowText(index, ciStatus, OutcomeCaption(TBulkOutcome::Running));
  ListView_EnsureVisible(Item(IDC_BU_LIST), static_cast<int>(index), FALSE);
  const std::wstring& name = rows_[index]->Caption;
  const std::wstring position =
      L" (" + std::to_wstring(index + 1) + L" of " + std::to_wstring(rows_.size()) + L")";
  if (closeWhenEnded_)
    SetItemText(IDC_BU_NOW, kClosing + name);
  else if (runner_->StopRequested())
    SetItemText(IDC_BU_NOW, kStopping + name);
  else
    SetItemText(IDC_BU_NOW, kUninstalling + name + position + L"...");
  ShowElapsed();
}

void TfBulkUninstall::ShowElapsed() {
  if (ended_ || !started_) return;
  SetItemText(IDC_BU_ELAPSED, kElapsed + ClockText(GetTickCount() - currentStart_));
}

void TfBulkUninstall::OnRunEnded() {
  if (worker_.joinable()) worker_.join();
  KillTimer(Handle(), kClockTimer);
  ended_ = true;
  // The run is over: every result is final, the skipped ones too.
  {
    std::lock_guard lock(mutex_);
    results_ = runner_->Results();
  }
  for (size_t i = 0; i < rows_.size(); ++i) ShowResult(i);
  if (closeWhenEnded_) {
    End(IDOK);
    return;
  }
  const TBulkSummary summary = runner_->Summary();
  std::wstring text = (runner_->StopRequested() ? kStoppedRun : kFinishedRun) +
                      BulkCountsLine(summary);
  if (summary.RestartNeeded > 0) text += kRestartHint;
  SetItemText(IDC_BU_NOW, L"");
  SetItemText(IDC_BU_ELAPSED, L"");
  SetItemText(IDC_BU_SUMMARY, text);
  header_.SetTitle(runner_->StopRequested() ? kStoppedTitle : kFinishedTitle);
  header_.SetPicture(summary.Completed == rows_.size() ? IDI_WIZ_DONE : IDI_WIZ_FAILED);
  UpdateButtons();
  SendMessageW(Handle(), DM_SETDEFID, IDCANCEL, 0);
  SetFocus(Item(IDC_BU_LIST));
}

void TfBulkUninstall::buStopClick() {
  if (!Running()) return;
  runner_->StopAfterCurrent();
  SetItemText(IDC_BU_NOW, kStopping + rows_[current_]->Caption);
  UpdateButtons();
  SetFocus(Item(IDCANCEL));
}

void TfBulkUninstall::buCloseClick() {
  if (!Running()) {
    End(started_ ? IDOK : IDCANCEL);
    return;
  }
  if (closeWhenEnded_) return;  // asked already
  if (MessageBoxW(Handle(), kCloseWhileRunning, win::kApplicationTitle,
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  if (!Running()) {  // it ended while the question was open
    End(IDOK);
    return;
  }
  closeWhenEnded_ = true;
  runner_->StopAfterCurrent();
  SetItemText(IDC_BU_NOW, kClosing + rows_[current_]->Caption);
  UpdateButtons();
}

int TfBulkUninstall::SelectedIndex() const {
  const int row = ListView_GetNextItem(Item(IDC_BU_LIST), -1, LVNI_SELECTED);
  return row >= 0 && static_cast<size_t>(row) < rows_.size() ? row : -1;
}

std::vector<TProgramRow*> TfBulkUninstall::CompletedRows() const {
  std::vector<TProgramRow*> completed;
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < rows_.size(); ++i)
    if (Succeeded(results_[i].Outcome)) completed.push_back(rows_[i]);
  return completed;
}

void TfBulkUninstall::UpdateButtons() {
  const bool running = Running();
  const int selected = SelectedIndex();
  bool cleanUp = false;
  if (ended_ && selected >= 0) {
    std::lock_guard lock(mutex_);
    cleanUp = results_[static_cast<size_t>(selected)].KeyRemains &&
              !cleanedUp_[static_cast<size_t>(selected)];
  }
  EnableWindow(Item(IDC_BU_START), !started_);
  EnableWindow(Item(IDC_BU_STOP), running && !runner_->StopRequested());
  EnableWindow(Item(IDC_BU_CLEANUP), cleanUp);
  EnableWindow(Item(IDC_BU_LEFTOVERS), ended_ && OnFindLeftovers && !CompletedRows().empty());
  EnableWindow(Item(IDC_BU_SAVE), ended_);
}

// As the uninstall wizard's Clean-Up: the entry is saved in a backup, then deleted, and logged.
void TfBulkUninstall::buCleanUpClick() {
  const int selected = SelectedIndex();
  if (!ended_ || selected < 0) return;
  const auto index = static_cast<size_t>(selected);
  TUninstListItem& entry = *rows_[index]->Entry;
  TEntryDeletion result = DeleteEntryLogged(entry, logPath_, kCleanUpAction);
  if (!result.BackupError.empty())
    throw win::TError(KeptForBackupMessage(entry.GetName(), result.BackupError));
  cleanedUp_[index] = result.Deleted;
  ShowResult(index);
  UpdateButtons();
  SetFocus(Item(IDC_BU_LIST));
}

void TfBulkUninstall::buLeftoversClick() {
  if (ended_ && OnFindLeftovers) OnFindLeftovers(Handle(), CompletedRows());
}

void TfBulkUninstall::buSaveClick() {
  if (!ended_) return;
  win::TFileDialogOptions options;
  options.Owner = Handle();
  options.Filter = L"Text File (*.txt)\0*.txt\0";
  options.Title = kSaveTitle;
  options.DefaultExtension = L"txt";
  options.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  const std::optional<std::wstring> file = win::SaveFileName(options);
  if (!file) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::vector<TBulkResult> results;
  {
    std::lock_guard lock(mutex_);
    results = results_;
  }
  WriteWholeFile(*file, BulkReportText(runner_->Targets(), results, runner_->Summary(),
                                       cleanedUp_, now));
}
