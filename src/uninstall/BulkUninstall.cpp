#include "uninstall/BulkUninstall.h"

#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "uninstall/Logging.h"
#include "uninstall/UninstallLogic.h"
#include "win/Text.h"

#include <cwctype>

namespace {

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits.
bool IsProductCode(std::wstring_view text) {
  if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
  for (size_t i = 1; i < 37; ++i) {
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != L'-' : !std::iswxdigit(text[i])) return false;
  }
  return true;
}

std::wstring KeyName(const std::wstring& keyPath) {
  size_t slash = keyPath.find_last_of(L'\\');
  return slash == std::wstring::npos ? keyPath : keyPath.substr(slash + 1);
}

bool RunsMsiexec(const std::wstring& command) {
  std::wstring file = win::ToLower(Unquote(command));
  size_t at = file.find(L"msiexec");
  return at != std::wstring::npos && (at == 0 || file[at - 1] == L'\\');
}

}  // namespace

std::wstring WindowsInstallerProductCode(const TProgramRow& row) {
  if (!row.Entry) return {};
  const std::wstring command = row.Entry->ExecutableCommand();
  if (!row.Facts.WindowsInstaller && !RunsMsiexec(command)) return {};
  std::wstring keyName = KeyName(row.Entry->RegistryKey());
  if (IsProductCode(keyName)) return keyName;
  for (size_t at = command.find(L'{'); at != std::wstring::npos; at = command.find(L'{', at + 1))
    if (IsProductCode(std::wstring_view(command).substr(at, 38))) return command.substr(at, 38);
  return {};
}

std::wstring WindowsInstallerQuietCommand(const std::wstring& productCode,
                                          const std::wstring& msiexec) {
  std::wstring program = msiexec.find(L' ') == std::wstring::npos ? msiexec
                                                                   : L"\"" + msiexec + L"\"";
  return program + L" /x " + productCode + L" /qn /norestart";
}

std::wstring QuietCommandOf(const TProgramRow& row, const std::wstring& msiexec) {
  if (!row.Facts.QuietUninstallCommand.empty())
    return win::ExpandEnvironment(row.Facts.QuietUninstallCommand);
  std::wstring code = WindowsInstallerProductCode(row);
  return code.empty() ? std::wstring() : WindowsInstallerQuietCommand(code, msiexec);
}

TBulkTarget BulkTargetOf(const TProgramRow& row, bool quietWherePossible,
                         const std::wstring& msiexec) {
  TBulkTarget target;
  target.Name = row.Entry->GetName();
  target.Root = row.Entry->RootKey();
  target.View = row.Entry->View();
  target.KeyPath = row.Entry->RegistryKey();
  target.WindowsInstaller = !WindowsInstallerProductCode(row).empty();
  if (quietWherePossible) target.Command = QuietCommandOf(row, msiexec);
  target.Quiet = !target.Command.empty();
  if (!target.Quiet) target.Command = row.Entry->ExecutableCommand();
  // A quiet command of the entry's own need not be Windows Installer's, whatever the entry is.
  if (target.Quiet && !row.Facts.QuietUninstallCommand.empty())
    target.WindowsInstaller = RunsMsiexec(target.Command);
  return target;
}

const wchar_t* OutcomeCaption(TBulkOutcome outcome) {
  switch (outcome) {
    case TBulkOutcome::Waiting: return L"Waiting";
    case TBulkOutcome::Running: return L"Running";
    case TBulkOutcome::Completed: return L"Completed";
    case TBulkOutcome::RestartNeeded: return L"Completed, restart needed";
    case TBulkOutcome::NotInstalled: return L"Not installed";
    case TBulkOutcome::LeftKey: return L"Left its key";
    case TBulkOutcome::Failed: return L"Failed";
    case TBulkOutcome::TimedOut: return L"Timed out, still running";
    case TBulkOutcome::Skipped: return L"Skipped";
  }
  return L"";
}

bool Succeeded(TBulkOutcome outcome) {
  return outcome == TBulkOutcome::Completed || outcome == TBulkOutcome::RestartNeeded;
}

TBulkUninstall::TBulkUninstall(std::vector<TBulkTarget> targets, std::wstring logPath)
    : targets_(std::move(targets)), results_(targets_.size()), logPath_(std::move(logPath)) {}

void TBulkUninstall::Run() {
  for (size_t i = 0; i < targets_.size(); ++i) {
    if (stop_) {
      results_[i].Outcome = TBulkOutcome::Skipped;
      if (events_.Finished) events_.Finished(i, results_[i]);
      continue;
    }
    results_[i].Outcome = TBulkOutcome::Running;
    if (events_.Started) events_.Started(i);
    results_[i] = RunOne(targets_[i]);
    // No other uninstaller may start beside one that is still running.
    if (results_[i].Outcome == TBulkOutcome::TimedOut) stop_ = true;
    if (events_.Finished) events_.Finished(i, results_[i]);
  }
}

TBulkResult TBulkUninstall::RunOne(const TBulkTarget& target) {
  TBulkResult result;
  const ULONGLONG start = GetTickCount64();
  win::UniqueHandleObj process =
      TUtils::StartProcess(target.Command, target.Quiet ? SW_HIDE : SW_SHOWNORMAL);
  if (process) {
    DWORD wait = WaitForSingleObject(process.Get(), timeoutMs_ ? *timeoutMs_ : INFINITE);
    result.ElapsedMs = static_cast<DWORD>(GetTickCount64() - start);
    if (wait == WAIT_TIMEOUT) {
      // Judged now, the entry would still be there only because the uninstaller is not done.
      ulog::AppendTimestamp(logPath_);
      ulog::AppendLine(logPath_, ulog::kUninstalling + target.Name);
      ulog::AppendLine(logPath_, kStillRunningLine);
      result.Outcome = TBulkOutcome::TimedOut;
      return result;
    }
    DWORD code = 0;
    if (GetExitCodeProcess(process.Get(), &code)) result.ExitCode = code;
  }
  bool removed = JudgeUninstall(target.Name, target.Root, target.View, target.KeyPath, logPath_);
  result.KeyRemains = !removed;
  const int code = result.ExitCode ? static_cast<int>(*result.ExitCode) : -1;
  if (target.WindowsInstaller && (code == kMsiRestartRequired || code == kMsiRestartStarted))
    result.Outcome = TBulkOutcome::RestartNeeded;
  else if (removed)
    result.Outcome = TBulkOutcome::Completed;
  else if (target.WindowsInstaller && code == kMsiUnknownProduct)
    result.Outcome = TBulkOutcome::NotInstalled;
  else if (code == 0)
    result.Outcome = TBulkOutcome::LeftKey;
  else
    result.Outcome = TBulkOutcome::Failed;
  return result;
}

TBulkSummary TBulkUninstall::Summary() const {
  TBulkSummary summary;
  for (const auto& result : results_) {
    switch (result.Outcome) {
      case TBulkOutcome::RestartNeeded: ++summary.RestartNeeded; [[fallthrough]];
      case TBulkOutcome::Completed: ++summary.Completed; break;
      case TBulkOutcome::Skipped:
      case TBulkOutcome::Waiting: ++summary.Skipped; break;
      case TBulkOutcome::Running:
      case TBulkOutcome::NotInstalled:
      case TBulkOutcome::LeftKey:
      case TBulkOutcome::Failed:
      case TBulkOutcome::TimedOut: ++summary.Failed; break;
    }
  }
  return summary;
}
