// TBulkUninstall: runs the uninstallers of several programs one after another, never two at once
// (installers lock each other out), and judges each as the uninstall wizard does. Windowless: the
// bulk window runs it on a worker thread and follows it through its events; the console program
// runs it on its own thread.
#pragma once

#include "inventory/ProgramList.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Windows Installer's exit codes that the judgement knows.
inline constexpr int kMsiRestartRequired = 3010;  // ERROR_SUCCESS_REBOOT_REQUIRED
inline constexpr int kMsiRestartStarted = 1641;   // ERROR_SUCCESS_REBOOT_INITIATED
inline constexpr int kMsiUnknownProduct = 1605;   // ERROR_UNKNOWN_PRODUCT

// The product code of a Windows Installer entry ("{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"): its key
// name when that is one, else the code in its msiexec command. Empty for other entries: an entry
// counts as a Windows Installer one when it says WindowsInstaller = 1 or its command runs msiexec.
std::wstring WindowsInstallerProductCode(const TProgramRow& row);
// "msiexec.exe /x {code} /qn /norestart", the program given in place of msiexec.exe when one is.
std::wstring WindowsInstallerQuietCommand(const std::wstring& productCode,
                                          const std::wstring& msiexec = L"msiexec.exe");
// The command that removes the program without asking: its QuietUninstallString (expanded), else
// for a Windows Installer entry the quiet msiexec command; empty when it has none.
std::wstring QuietCommandOf(const TProgramRow& row, const std::wstring& msiexec = L"msiexec.exe");

// One program of a bulk run, copied from its row so that the run needs no list while it works.
struct TBulkTarget {
  std::wstring Name;
  std::wstring Command;  // the command line run, expanded
  bool Quiet = false;    // Command is the quiet one: it runs without a window of its own
  // Exit codes are Windows Installer's: 3010 and 1641 ask for a restart, 1605 means not installed.
  bool WindowsInstaller = false;
  // The entry whose key tells whether the program went.
  HKEY Root = HKEY_LOCAL_MACHINE;
  REGSAM View = 0;
  std::wstring KeyPath;
};

// The target for a row: its quiet command when quietWherePossible and it has one, else its own
// uninstall command.
TBulkTarget BulkTargetOf(const TProgramRow& row, bool quietWherePossible,
                         const std::wstring& msiexec = L"msiexec.exe");

enum class TBulkOutcome {
  Waiting,        // not run yet
  Running,
  Completed,      // the entry's key is gone
  RestartNeeded,  // completed; Windows Installer asks for a restart
  NotInstalled,   // Windows Installer knows no such product (1605)
  LeftKey,        // the uninstaller ended well but the entry stayed: Clean-Up is offered
  Failed,         // it could not be started, or ended with an error and the entry stayed
  TimedOut,       // still running when the time ran out: left running, never killed
  Skipped         // not run: the run was stopped before its turn
};

// "Completed", "Restart needed", "Not installed", "Left its key", "Failed", ...
const wchar_t* OutcomeCaption(TBulkOutcome outcome);
// Completed or RestartNeeded.
bool Succeeded(TBulkOutcome outcome);

struct TBulkResult {
  TBulkOutcome Outcome = TBulkOutcome::Waiting;
  // The uninstaller's exit code; none while it has not ended (also when it timed out or could not
  // be started).
  std::optional<DWORD> ExitCode;
  // Whether the entry's key was still there when the uninstaller had ended: Clean-Up is offered.
  bool KeyRemains = false;
  DWORD ElapsedMs = 0;
};

// How many ended each way; a restart needed counts also as completed.
struct TBulkSummary {
  size_t Completed = 0;
  size_t Failed = 0;  // NotInstalled, LeftKey, Failed and TimedOut
  size_t Skipped = 0;
  size_t RestartNeeded = 0;
};

// The log line of an uninstaller that was still running when the time ran out.
inline const wchar_t kStillRunningLine[] = L"Uninstaller still running after the time allowed; left running.";

class TBulkUninstall {
public:
  // Called on the thread that runs: before an uninstaller starts, and after it has been judged.
  struct TEvents {
    std::function<void(size_t index)> Started;
    std::function<void(size_t index, const TBulkResult& result)> Finished;
  };

  TBulkUninstall(std::vector<TBulkTarget> targets, std::wstring logPath);

  // Each uninstaller may run this long; one still running then ends the run. None: wait as long
  // as it runs.
  void SetTimeout(std::optional<DWORD> ms) { timeoutMs_ = ms; }
  void SetEvents(TEvents events) { events_ = std::move(events); }

  // Runs the targets in order, each to its end, logging each as the wizard does ("Uninstalling
  // <name>" and the outcome). Returns when all have run, or when the run stopped.
  void Run();
  // From any thread: the uninstaller that runs now is waited for and judged; the rest are skipped.
  void StopAfterCurrent() noexcept { stop_ = true; }
  bool StopRequested() const noexcept { return stop_; }

  const std::vector<TBulkTarget>& Targets() const noexcept { return targets_; }
  // Safe to read once Run has returned (during the run, read each result in its Finished event).
  const std::vector<TBulkResult>& Results() const noexcept { return results_; }
  TBulkSummary Summary() const;

private:
  TBulkResult RunOne(const TBulkTarget& target);

  std::vector<TBulkTarget> targets_;
  std::vector<TBulkResult> results_;
  std::wstring logPath_;
  std::optional<DWORD> timeoutMs_;
  TEvents events_;
  std::atomic<bool> stop_{false};
};
