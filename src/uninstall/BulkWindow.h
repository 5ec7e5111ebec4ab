// TfBulkUninstall: the bulk uninstall window. It lists the chosen programs in order, runs their
// uninstallers one after another on a worker thread (TBulkUninstall) while it stays responsive,
// shows the one running and its time, stops after it when asked, and ends with one summary:
// outcomes and exit codes, Clean-Up for an entry that stayed, the leftovers of the completed
// programs, and the summary saved as a text file.
#pragma once

#include "inventory/ProgramList.h"
#include "uninstall/BulkUninstall.h"
#include "uninstall/DialogHeader.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TfBulkUninstall : public win::TDialog {
public:
  // The rows stay in the list while the window is open. msiexec: the program that removes
  // Windows Installer entries (tests give a stand-in).
  TfBulkUninstall(std::vector<TProgramRow*> rows, std::wstring logPath,
                  std::wstring msiexec = L"msiexec.exe");
  ~TfBulkUninstall() override;

  // "Find Leftovers": given the completed programs together. Without it the button stays
  // disabled.
  std::function<void(HWND owner, const std::vector<TProgramRow*>& completed)> OnFindLeftovers;

  // Whether any uninstaller ran (the list must be read again).
  bool Ran() const noexcept { return started_; }
  bool Running() const noexcept { return worker_.joinable(); }

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code) override;

private:
  void FormCreate();
  void FillList();
  void SetRowText(size_t index, int column, const std::wstring& text);
  void ShowResult(size_t index);
  void buStartClick();
  void buStopClick();
  void buCloseClick();
  void buCleanUpClick();
  void buLeftoversClick();
  void buSaveClick();
  void OnStarted(size_t index);
  void OnRunEnded();
  void ShowElapsed();
  void UpdateButtons();
  int SelectedIndex() const;
  std::vector<TProgramRow*> CompletedRows() const;

  std::vector<TProgramRow*> rows_;
  std::wstring logPath_;
  std::wstring msiexec_;
  std::unique_ptr<TBulkUninstall> runner_;
  std::thread worker_;
  // Each result as the worker handed it over, read by the window's thread.
  mutable std::mutex mutex_;
  std::vector<TBulkResult> results_;
  std::vector<bool> cleanedUp_;
  bool started_ = false;
  bool ended_ = false;
  bool closeWhenEnded_ = false;
  size_t current_ = 0;
  DWORD currentStart_ = 0;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
};

// The window while it is open; the main window sets it around showing the window.
extern TfBulkUninstall* fBulkUninstall;
