#include "uninstall/Uninstall.h"

#include "dialogs/UninstallIds.h"
#include "images/ImageIds.h"
#include "inventory/UninstallItem.h"
#include "uninstall/MoveThread.h"
#include "uninstall/UninstallLogic.h"
#include "win/Error.h"

#include <commctrl.h>

TfUninstall* fUninstall = nullptr;

namespace {

const wchar_t kBeforeTitle[] = L"Uninstall or modify program components";
const wchar_t kUninstallingTitle[] = L"Uninstalling...";
const wchar_t kFinishedTitle[] = L"Finished";
const wchar_t kBeforeHeader[] =
    L"You are about to uninstall or modify the installed components of the following program";
const wchar_t kUninstalling[] = L"Purgalot! is now uninstalling the program...";
const wchar_t kResultHint[] = L"If the Uninstall program has completed, press the Continue button";
const wchar_t kCleanupExpl[] = L"Click this button to delete the program from the list ";
const wchar_t kRemoved[] =
    L"The Uninstall program has completed and the program name was removed from the list of "
    L"programs installed on your computer";
const wchar_t kCleanedUp[] =
    L"The program name was deleted from the list of programs installed on your computer";
const wchar_t kLeftoversHint[] =
    L"Programs often leave folders, files and registry entries behind. Click Find Leftovers to "
    L"look for them";
const wchar_t kLeft[] =
    L"The Uninstall program has completed. However, it did not remove the program name from the "
    L"list of programs installed on your computer";

const int kPageControls[3][4] = {
    {IDC_UN_BEFORE_HEADER, IDC_UN_PROGRAM_NAME, 0, 0},
    {IDC_UN_UNINSTALLING, IDC_UN_WAIT, IDC_UN_PROGRESS, IDC_UN_RESULT_HINT},
    {IDC_UN_FINISHED, 0, 0, 0}};  // the clean-up explanation shows only when offered

}  // namespace

TfUninstall::TfUninstall(TUninstListItem& entry, std::wstring logPath)
    : win::TDialog(IDD_UNINSTALL), entry_(entry), logPath_(std::move(logPath)) {}

void TfUninstall::OnInitDialog() { FormCreate(); }

void TfUninstall::FormCreate() {
  header_.Attach(Handle(), IDC_UN_BANNER, IDC_UN_TITLE, IDC_UN_PICTURE);
  boldFont_ = BoldFontOf(Item(IDC_UN_PROGRAM_NAME));
  for (int id : {IDC_UN_PROGRAM_NAME, IDC_UN_WAIT, IDC_UN_FORWARD})
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  SetItemText(IDC_UN_PROGRAM_NAME, entry_.GetName());
  SetItemText(IDC_UN_BEFORE_HEADER, kBeforeHeader);
  SetItemText(IDC_UN_UNINSTALLING, kUninstalling);
  SetItemText(IDC_UN_RESULT_HINT, kResultHint);
  SetItemText(IDC_UN_CLEANUP_EXPL, kCleanupExpl);
  SendMessageW(Item(IDC_UN_PROGRESS), PBM_SETRANGE32, 0, 100);
  SendMessageW(Item(IDC_UN_PROGRESS), PBM_SETSTEP, 5, 0);
  CenterOn(GetWindow(Handle(), GW_OWNER));
  ShowPage(tsBefore);
}

INT_PTR TfUninstall::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
      return reinterpret_cast<INT_PTR>(brush);
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfUninstall::OnCommand(int id, int) {
  if (id == IDC_UN_FORWARD) {
    if (cleanUpOffered_)
      OnCleanUp();
    else
      buUninstallClick();
  } else if (id == IDC_UN_LEFTOVERS) {
    leftoversWanted_ = true;
    End(IDOK);
  } else if (id == IDCANCEL) {
    End(IDCANCEL);
  }
}

void TfUninstall::buUninstallClick() {
  if (page_ == tsAfter) {
    End(IDOK);
    return;
  }
  ShowPage(static_cast<TPage>(page_ + 1));
}

void TfUninstall::ShowPage(TPage page) {
  page_ = page;
  for (int p = 0; p < 3; ++p)
    for (int id : kPageControls[p])
      if (id) ShowWindow(Item(id), p == page ? SW_SHOWNA : SW_HIDE);
  for (int id : {IDC_UN_CLEANUP_EXPL, IDC_UN_LEFTOVERS_HINT, IDC_UN_LEFTOVERS})
    ShowWindow(Item(id), SW_HIDE);
  switch (page) {
    case tsBefore: tsBeforeShow(); break;
    case tsUninstall: tsUninstallShow(); break;
    case tsAfter: tsAfterShow(); break;
  }
}

void TfUninstall::tsBeforeShow() {
  header_.SetTitle(kBeforeTitle);
  header_.SetPicture(IDI_WIZ_UNINSTALL);
}

void TfUninstall::tsUninstallShow() {
  header_.ShowPicture(false);
  header_.SetTitle(kUninstallingTitle);
  EnableWindow(Item(IDC_UN_FORWARD), FALSE);
  SetItemText(IDC_UN_FORWARD, L"Continue");
  UpdateWindow(Handle());
  {
    TMoveThread mover(Item(IDC_UN_PROGRESS), [this] { return IsFinished(); });
    entryBackup_ = SaveEntryBeforeUninstall(entry_, logPath_);
    // Blocks until the uninstaller ends; only painting and sent messages are served meanwhile, so
    // clicks wait in the queue until it is over.
    entry_.RunUninstaller();
    finished_ = true;
    mover.WaitFor();
  }
  ShowWindow(Item(IDC_UN_PROGRESS), SW_HIDE);
  ShowWindow(Item(IDC_UN_WAIT), SW_HIDE);
  EnableWindow(Item(IDC_UN_FORWARD), TRUE);
  SetFocus(Item(IDC_UN_FORWARD));
}

void TfUninstall::tsAfterShow() {
  header_.SetTitle(kFinishedTitle);
  header_.ShowPicture(true);
  if (JudgeUninstall(entry_, logPath_)) {
    OfferLeftovers(kRemoved);
  } else {
    // The entry is still there: Clean-Up saves it again when it goes.
    if (entryBackup_) entryBackup_->Discard();
    entryBackup_.reset();
    cleanUpOffered_ = true;
    SetItemText(IDC_UN_FINISHED, kLeft);
    ShowWindow(Item(IDC_UN_CLEANUP_EXPL), SW_SHOWNA);
    header_.SetPicture(IDI_WIZ_FAILED);
    SetItemText(IDC_UN_FORWARD, L"Clean-Up");
  }
}

void TfUninstall::OnCleanUp() {
  TEntryDeletion result = DeleteEntryLogged(entry_, logPath_, kCleanUpAction);
  // A key that could not be saved stays; the result page stays too, with Clean-Up on offer.
  if (!result.BackupError.empty())
    throw win::TError(KeptForBackupMessage(entry_.GetName(), result.BackupError));
  cleanUpOffered_ = false;
  OfferLeftovers(kCleanedUp);
}

// The program is gone from the list: the page says so and offers to look for what it left.
void TfUninstall::OfferLeftovers(const wchar_t* finished) {
  header_.SetPicture(IDI_WIZ_DONE);
  SetItemText(IDC_UN_FORWARD, L"Close");
  SetItemText(IDC_UN_FINISHED, finished);
  SetItemText(IDC_UN_LEFTOVERS_HINT, kLeftoversHint);
  ShowWindow(Item(IDC_UN_CLEANUP_EXPL), SW_HIDE);
  for (int id : {IDC_UN_LEFTOVERS_HINT, IDC_UN_LEFTOVERS}) ShowWindow(Item(id), SW_SHOWNA);
}
