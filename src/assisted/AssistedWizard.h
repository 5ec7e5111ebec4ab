// TfAssisted: the assisted uninstall wizard's window. Six pages in one place: the applications
// (desktop shortcuts or executables), their folders, Start-menu folders, registry keys and
// extension keys in check-box trees, and the confirmation list that "Finish" deletes. What is
// proposed, listed, deleted and logged is TAssistedUninstall's; the form binds it to controls.
#pragma once

#include "assisted/AssistedUninstall.h"
#include "uninstall/DialogHeader.h"
#include "widgets/BoxTreeView.h"
#include "widgets/DesktopListView.h"
#include "widgets/ExeListView.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <atomic>
#include <string>

class TfAssisted : public win::TDialog {
public:
  using TPage = TAssistedUninstall::TPage;

  // logFileName: the uninstall log the record goes to.
  explicit TfAssisted(std::wstring logFileName);
  // Whether deleted folders and files go to the Recycle Bin (the user's setting).
  void SetUseRecycleBin(bool use) noexcept { flow_.UseRecycleBin = use; }

  // Safe to ask from another thread (as tests driving the window do).
  TPage Page() const noexcept { return page_; }
  // The current page's work is done: its tree built, its list filled, the deletion over.
  bool Idle() const noexcept { return !busy_; }

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void FormCreate();
  void MakeControls();
  void ShowPage(TPage page);
  void buNextClick();
  void buBackClick();
  void rbHasDesktopIconClick();
  void rbSelectExeClick();
  void buAddClick();
  void buDeleteClick();
  void cbSelectAllClick();
  void buSaveAsLogClick();
  void buHelpClick();
  void Close();
  void ReadFirstPage();
  // Builds the page's tree with its status bar shown; a close meanwhile stops the build.
  void BuildTree(TPage page);
  void FillList();
  void SetRowStatus(size_t index);
  bool ForDeletionNotify(const NMHDR& header, LRESULT& result);
  void FinishedState();
  // Runs the messages that are waiting, as the window's own loop would.
  void ProcessMessages();
  // Pumps and, when the window was closed meanwhile, stops what is being built.
  void PumpDuringBuild();

  TDialogHeader header_;
  win::UniqueHFont boldFont_;
  win::UniqueHBrush leftBrush_;
  TDesktopListView dlvIcons_;
  TExeListView elvFiles_;
  TBoxTreeView btvRootFolder_, btvStartMenu_, btvRegEntries_, btvExtensio_;
  TAssistedUninstall flow_;
  std::atomic<TPage> page_{TAssistedUninstall::tsDesktopIcons};
  std::atomic<bool> busy_{false};
  bool building_ = false;
  bool pumping_ = false;
  bool closing_ = false;
  bool deleting_ = false;
  bool filling_ = false;
};

// The wizard while it is open; the main window sets it around showing the wizard.
extern TfAssisted* fAssisted;
