// TfOptions: the Options window. It edits a copy of the choices and hands them back on OK; the
// main window applies them, so Cancel leaves everything as it was.
#pragma once

#include "inventory/ProgramFilter.h"
#include "win/Dialog.h"

#include <string>

struct TOptions {
  TListNarrowing Narrowing;
  bool UseRecycleBin = true;
  bool SearchLeftoversAfterUninstall = true;
  bool QuietUninstallWherePossible = true;
  std::wstring LogFile;  // empty: ULog.txt beside the program
};

// What is wrong with a log file the user typed, said for the user; empty when it can be used (an
// empty path, or a full path to a file, existing or not, in an existing folder).
std::wstring LogFileProblem(const std::wstring& path);

class TfOptions : public win::TDialog {
public:
  explicit TfOptions(TOptions options);

  // In: the choices shown. Out, after IDOK: the choices made.
  TOptions Options;

  // The names of the Show choices, in the order of TShowKind.
  static const wchar_t* const kShowNames[kShowKindCount];

protected:
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void buBrowseClick();
  void buOkClick();
};
