// TfEditDetails: the values of one program entry's key in a name/value grid, to change, add and
// remove. OK writes the rows the user added or changed and then deletes the removed names; Cancel
// writes nothing.
#pragma once

#include "editing/EntryValues.h"
#include "uninstall/DialogHeader.h"
#include "widgets/ValueListEditor.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <string>
#include <vector>

class TUninstListItem;

class TfEditDetails : public win::TDialog {
public:
  // Results: IDOK after the rows were written (even when the registry refused one), IDCANCEL.
  explicit TfEditDetails(const TUninstListItem& entry);

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void FormCreate();
  void buAddClick();
  void buDelClick();
  void buOKClick();

  HKEY root_;
  REGSAM view_;
  std::wstring keyPath_;
  TEntryValues values_;
  std::vector<std::wstring> deleted_;
  TValueListEditor vleDetails_;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
};

extern TfEditDetails* fEditDetails;
