// TfAudit: the audit report window. The user edits the report's header, picks a format, and
// prints the report or saves it to a text file; the window then closes.
#pragma once

#include "uninstall/AuditReport.h"
#include "uninstall/DialogHeader.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <functional>
#include <string>

class TfAudit : public win::TDialog {
public:
  TfAudit(const TProgramList& programs, bool detailedOffered);

  // Asked when printing fails, after the error box: the main window stays open and comes to the
  // front.
  std::function<void()> OnPrintFailed;
  // The file the report was last saved to.
  const std::wstring& SavedFile() const noexcept { return savedFile_; }

  // Saves the report and closes. A file that cannot be written throws win::TError naming it (the
  // window's guard shows it) and the window stays open.
  void SaveReport(const std::wstring& name);
  // Prints the report and closes, also after a failure, which is shown in the error box.
  void PrintReport(bool askForPrinter);

protected:
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  TReportFormat Format() const;
  // The header as the user left it.
  void TakeEditedHeader();
  void buSaveFileClick();
  void buPrintClick();
  // The save dialog's check of the name that will really be written.
  static bool MayWriteReport(HWND dialog, const std::wstring& name);

  TAuditReport report_;
  bool detailedOffered_;
  std::wstring savedFile_;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
};

extern TfAudit* fAudit;
