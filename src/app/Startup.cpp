#include "app/Startup.h"

#include "uninstall/AuditReport.h"
#include "uninstall/Printing.h"
#include "uninstall/UninstallLogic.h"
#include "win/Error.h"
#include "win/Window.h"

bool SkipWelcome = true;
bool HaltAfterPrint = true;

namespace {

constexpr int kReportNotWritten = 1;

TStartupResult Next(TStartupNext next, int exitCode = 0) { return {next, exitCode, {}}; }

}  // namespace

TStartup::TStartup(TProgramList& programs, TNormalUninstall& scanner,
                   const TCommandLine& commandLine, std::wstring logPath)
    : programs_(programs),
      scanner_(scanner),
      commandLine_(commandLine),
      logPath_(std::move(logPath)) {}

void TStartup::Scan() {
  scanner_.SetListView(&programs_);
  scanner_.Scan();
}

TStartupResult TStartup::TestCommandLine() {
  SkipWelcome = false;
  switch (commandLine_.Switch()) {
    case TSwitch::Uninstall:
      SkipWelcome = true;
      return Next(TStartupNext::UninstallOnActivate);
    case TSwitch::QuietUninstall: return QuietUninstall();
    case TSwitch::ReportFileLong: return ReportToFile(true);
    case TSwitch::ReportFileShort: return ReportToFile(false);
    case TSwitch::ReportPrintShort: return PrintReportUnattended(false);
    case TSwitch::ReportPrintLong: return PrintReportUnattended(true);
    case TSwitch::None: break;
  }
  return Next(TStartupNext::ShowWindow);
}

TStartupResult TStartup::QuietUninstall() {
  SkipWelcome = true;
  ::QuietUninstall(programs_, commandLine_.ParametersFrom(2), logPath_);
  return Next(TStartupNext::Exit, 0);
}

TStartupResult TStartup::ReportToFile(bool longFormat) {
  SkipWelcome = true;
  TAuditReport report = TAuditReport::ForThisMachine(programs_);
  try {
    report.SaveReport(commandLine_.Parameter(2),
                      longFormat ? TReportFormat::Long : TReportFormat::Short);
  } catch (const win::TError&) {
    // A script can tell from the exit code alone; there is nobody to read a message.
    return Next(TStartupNext::Exit, kReportNotWritten);
  }
  return Next(TStartupNext::Exit, 0);
}

TStartupResult TStartup::PrintReportUnattended(bool longFormat) {
  SkipWelcome = true;
  TAuditReport report = TAuditReport::ForThisMachine(programs_);
  try {
    win::UniqueHdc printer = DefaultPrinterDc();
    report.PrintReport(printer.Get(), TAuditReport::MemoFont(),
                       longFormat ? TReportFormat::Long : TReportFormat::Short);
  } catch (...) {
    HaltAfterPrint = false;
    return {TStartupNext::PrintFailed, 0, win::CurrentExceptionMessage()};
  }
  if (HaltAfterPrint) return Next(TStartupNext::Exit, 0);
  return Next(TStartupNext::ShowWindow);
}
