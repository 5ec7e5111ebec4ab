// TfDelete: removes a stale entry from the list of installed programs after a warning, or sends
// the user to the uninstall wizard instead.
#pragma once

#include "uninstall/DialogHeader.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <string>

class TUninstListItem;

class TfDelete : public win::TDialog {
public:
  // Results: IDYES after a deletion was attempted, IDOK for "Try To Uninstall", IDCANCEL.
  TfDelete(TUninstListItem& entry, std::wstring logPath);

  // The text of the warning, the question about this entry first; a name of more than 128
  // characters is shown as its first 127 and an ellipsis.
  static std::wstring WarningText(const std::wstring& displayName);

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void buDeleteClick();

  TUninstListItem& entry_;
  std::wstring logPath_;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
};

extern TfDelete* fDelete;
