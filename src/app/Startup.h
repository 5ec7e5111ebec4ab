// TStartup: the part of start-up that needs no window. The main window's creation calls it twice,
// in this order: Scan fills the program list, and later TestCommandLine runs the switch named by
// parameter 1 and says what start-up does next. Each switch's work is in TestCommandLine.
#pragma once

#include "app/CommandLine.h"
#include "inventory/NormalUninstall.h"
#include "inventory/ProgramList.h"

#include <string>

// Set by every recognised switch; the welcome box is offered only while it is false.
extern bool SkipWelcome;
// Cleared when an unattended printout fails, so that the program goes on with its main window.
extern bool HaltAfterPrint;

enum class TStartupNext {
  ShowWindow,           // no switch: show the main window and offer the welcome box
  UninstallOnActivate,  // "/UNINSTALL": show it; its first activation opens the uninstall wizard
  PrintFailed,          // "/RPL", "/RPS" could not print: report Error and go on with the window
  Exit,                 // the switch has done its work: end with ExitCode, no window shown
};

struct TStartupResult {
  TStartupNext Next = TStartupNext::ShowWindow;
  int ExitCode = 0;
  std::wstring Error;  // why the printout failed
};

class TStartup {
public:
  // logPath: where "/QU" records its outcomes (ULog.txt beside the program).
  TStartup(TProgramList& programs, TNormalUninstall& scanner, const TCommandLine& commandLine,
           std::wstring logPath);

  // Binds the scanner to the program list and fills it from the registry.
  void Scan();
  // SkipWelcome := false, then the switch of parameter 1, if any, runs on the scanned list.
  TStartupResult TestCommandLine();

private:
  TStartupResult QuietUninstall();
  // "/RFL", "/RFS": the report written to the file of parameter 2. A report that cannot be
  // written ends the program with exit code 1 and nothing else to show for it.
  TStartupResult ReportToFile(bool longFormat);
  // "/RPL", "/RPS": the report printed on the default printer.
  TStartupResult PrintReportUnattended(bool longFormat);

  TProgramList& programs_;
  TNormalUninstall& scanner_;
  const TCommandLine& commandLine_;
  std::wstring logPath_;
};
