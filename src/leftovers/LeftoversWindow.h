// TfLeftovers: the leftovers window. It searches for what one program left behind on a thread of
// its own, lists the finds by kind with how sure each is, ticks only the sure ones, shows
// the evidence of the selected find in full, and removes what stays ticked after the assisted
// uninstall's question, through its engine, backups and log record. The search and the removal
// are the windowless finder's and removal unit's; this window only shows them.
#pragma once

#include "leftovers/LeftoverFinder.h"
#include "leftovers/LeftoverRemoval.h"
#include "uninstall/DialogHeader.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class TfLeftovers : public win::TDialog {
public:
  // Results: IDOK after a removal, IDCANCEL when closed without one. Removals are logged in the
  // log file and backed up beside it.
  TfLeftovers(TProgramFacts program, std::wstring logPath);
  ~TfLeftovers() override;

  // Where the search looks (the machine's own places unless set before the window is shown).
  TLeftoverFinder Finder;
  // Folders and files go to the Recycle Bin rather than being deleted for good.
  bool UseRecycleBin = false;

  // What the search found, in list order; empty until it is over.
  const std::vector<TLeftover>& Finds() const noexcept;
  bool Removed() const noexcept { return removed_; }

  // A kind as the "Kind" column shows it ("Folder", "File", "Registry key", "Registry value").
  static const wchar_t* KindCaption(TLeftoverKind kind);
  // The evidence of a find, one sentence a line, under its level and score.
  static std::wstring EvidenceText(const TLeftover& find);

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code) override;

private:
  struct TSearch;

  void FormCreate();
  void StartSearch();
  void SearchDone();
  void FillList();
  void lvFindsSelect();
  void lvFindsChanged(const NMLISTVIEW& change);
  void buRemoveClick();
  void SetRowStatus(size_t index);
  bool AnyTicked() const;
  int SelectedIndex() const;

  TProgramFacts program_;
  std::wstring logPath_;
  std::shared_ptr<TSearch> search_;
  // The finds once the search is over; row i of the list is its Rows[i].
  std::optional<TLeftoverRemoval> removal_;
  bool filling_ = false;
  bool removed_ = false;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
};

// The window while it is open; the main window sets it around showing the window.
extern TfLeftovers* fLeftovers;
