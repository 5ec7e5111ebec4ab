// TfNewProgram: the dialog that adds a program entry by hand, empty from the "New program..."
// command or filled from a shortcut dropped on the main window.
#pragma once

#include "editing/NewProgramEntry.h"
#include "uninstall/DialogHeader.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <string>

class TfNewProgram : public win::TDialog {
public:
  // Reads the Uninstall key's subkey names and works out KeyName once, here.
  explicit TfNewProgram(const TUninstallSource& source = TUninstallSource::Machine());

  // The subkey OK creates, whatever the registry entry field says. A caller may replace it and
  // the fields before showing the dialog; after OK the fields hold what was written.
  std::wstring KeyName;
  TNewProgramFields Fields;
  // The full path the user sees for a subkey of the Uninstall key.
  std::wstring FullPath(const std::wstring& keyName) const { return entry_.FullPath(keyName); }

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void buOKClick();
  // Both browse buttons: the chosen file's full path replaces the field's text, unquoted.
  void BrowseInto(int editId);
  void AddHint(HWND control, const wchar_t* text);

  TNewProgramEntry entry_;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
  HWND hints_ = nullptr;  // a window the dialog owns; it goes with the dialog
};

extern TfNewProgram* fNewProgram;
