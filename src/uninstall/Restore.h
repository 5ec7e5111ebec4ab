// TfRestore: the actions whose deletions were backed up, newest first, with what each removed and
// whether it was restored; restoring one checks its saved files whole, writes its keys back, logs
// the restore and names what to take back from the Recycle Bin. Backups are only read here, never
// removed.
#pragma once

#include "backup/BackupStore.h"
#include "uninstall/DialogHeader.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <string>
#include <vector>

class TfRestore : public win::TDialog {
public:
  // Results: IDOK after a restore, IDCANCEL when closed without one. The backups are those beside
  // the log, and each restore is logged there; no key `isProtected` names is ever written, nor a
  // value into a key `valuesProtected` names.
  TfRestore(std::wstring logPath, TProtectedKeyRule isProtected,
            TProtectedValueRule valuesProtected = {});

  // Whether anything may have been written back to the registry (also by a restore that failed
  // half-way), so the program list must be scanned again.
  bool Restored() const noexcept { return restored_; }

  // The action's time in the user's date and time format.
  static std::wstring DateText(const std::wstring& time);
  // The action's name, marked when it was restored.
  static std::wstring ActionText(const TBackupAction& action);
  // What the action removed, on one line.
  static std::wstring RemovedText(const TBackupAction& action);
  // What the action removed, one thing a line, and when it was restored.
  static std::wstring DetailsText(const TBackupAction& action);
  // What the user is told after the action's keys are back: which files and folders to take back
  // from the Recycle Bin, and which are gone for good.
  static std::wstring RestoredText(const TBackupAction& action);

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code) override;

private:
  void FormCreate();
  void FillList();
  void lvActionsSelect();
  void buRestoreClick();
  int SelectedIndex() const;

  std::wstring logPath_;
  TProtectedKeyRule isProtected_;
  TProtectedValueRule valuesProtected_;
  std::vector<TBackupAction> actions_;
  bool restored_ = false;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
};

extern TfRestore* fRestore;
