// TfRemovedProgram: names a program that was removed earlier, so its leftovers can be looked for:
// an entry saved with the backups (by an uninstall, Clean-Up or Delete From List), or a name the
// user types with, when known, the folder it was installed to.
#pragma once

#include "leftovers/ProgramFacts.h"
#include "win/Dialog.h"

#include <string>
#include <vector>

class TfRemovedProgram : public win::TDialog {
public:
  // An Uninstall entry saved in a backup.
  struct TSavedEntry {
    std::wstring Caption;  // "<name> (<action>, <date>)"
    std::wstring RegFile;  // the saved key's registry editor file
  };
  // The entries saved in the backups below `backupRoot`, newest first; none when the folder cannot
  // be read.
  static std::vector<TSavedEntry> SavedEntries(const std::wstring& backupRoot);

  // Result IDOK with the program's facts, IDCANCEL otherwise.
  explicit TfRemovedProgram(std::wstring backupRoot);
  TProgramFacts Facts;

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code) override;

private:
  void FormCreate();
  void cbSavedChange();
  void buBrowseClick();
  void buFindClick();

  std::wstring backupRoot_;
  std::vector<TSavedEntry> saved_;
};
