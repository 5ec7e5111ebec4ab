// TfLog: the uninstall log window, where the user views, edits, clears and prints the log file.
#pragma once

#include "uninstall/DialogHeader.h"
#include "uninstall/Logging.h"
#include "uninstall/TextLines.h"
#include "uninstall/TextView.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <optional>
#include <string>

class TfLog : public win::TDialog {
public:
  // Results: IDOK from "&Print..." (printed or not), IDCANCEL otherwise.
  explicit TfLog(std::wstring logPath = TLogging::LogPath());

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code) override;

private:
  void FormCreate();
  void FormClose();
  void buEditClick();
  void buClearClick();
  void buPrintClick();
  // Shows the memo's text in mLog.
  void ShowMemo();
  // mLog's font, sized for the system DPI as printing expects.
  LOGFONTW MemoFont() const;

  std::wstring path_;
  TTextLines memo_;  // what mLog shows
  TTextView log_;    // mLog
  std::optional<TLogging> logging_;
  TDialogHeader header_;
  win::UniqueHFont boldFont_;
};
