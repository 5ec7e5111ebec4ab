// TfUninstall: the uninstall wizard. It runs one program's own uninstaller, keeps itself painted
// and its progress bar moving while the uninstaller runs, judges the outcome by whether the
// program's registry key is gone, logs it, and offers to clean up an entry that stayed.
#pragma once

#include "uninstall/DialogHeader.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include "backup/BackupStore.h"

#include <atomic>
#include <optional>
#include <string>

class TUninstListItem;

class TfUninstall : public win::TDialog {
public:
  enum TPage { tsBefore = 0, tsUninstall = 1, tsAfter = 2 };

  TfUninstall(TUninstListItem& entry, std::wstring logPath);

  // Asked by the progress thread.
  bool IsFinished() const noexcept { return finished_; }
  TPage Page() const noexcept { return page_; }
  // Whether the wizard was closed with "Find Leftovers...": offered once the program is gone
  // from the list, by its uninstaller or by Clean-Up.
  bool LeftoversWanted() const noexcept { return leftoversWanted_; }

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void FormCreate();
  void buUninstallClick();
  void ShowPage(TPage page);
  void tsBeforeShow();
  void tsUninstallShow();
  void tsAfterShow();
  void OnCleanUp();
  void OfferLeftovers(const wchar_t* finished);

  TUninstListItem& entry_;
  std::wstring logPath_;
  std::atomic<bool> finished_{false};
  TPage page_ = tsBefore;
  bool cleanUpOffered_ = false;
  bool leftoversWanted_ = false;
  // The entry's key as it was before the uninstaller ran; kept only when the uninstaller removed it.
  std::optional<TBackup> entryBackup_;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
};

// The wizard while it is open; the main window sets it around showing the wizard.
extern TfUninstall* fUninstall;
