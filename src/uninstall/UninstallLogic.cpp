#include "uninstall/UninstallLogic.h"

#include "backup/BackupStore.h"
#include "inventory/ProgramFinder.h"
#include "inventory/Registry.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "uninstall/Logging.h"
#include "win/Error.h"

bool ProgramRemoved(const std::wstring& keyPath, HKEY root, REGSAM view) {
  TRegistry reg(view);
  reg.SetRootKey(root);
  return !reg.KeyExists(L"\\" + keyPath);
}

bool EntryStillRegistered(const std::wstring& valueName, const std::wstring& keyPath, HKEY root,
                          REGSAM view) {
  TRegistry reg(view);
  reg.SetRootKey(root);
  return reg.OpenKeyReadOnly(L"\\" + keyPath) && reg.ValueExists(valueName);
}

bool JudgeUninstall(const TUninstListItem& entry, const std::wstring& logPath) {
  return JudgeUninstall(entry.GetName(), entry.RootKey(), entry.View(), entry.RegistryKey(),
                        logPath);
}

bool JudgeUninstall(const std::wstring& name, HKEY root, REGSAM view, const std::wstring& keyPath,
                    const std::wstring& logPath) {
  const bool removed = ProgramRemoved(keyPath, root, view);
  ulog::AppendRecord(logPath, {ulog::kUninstalling + name,
                               removed ? ulog::kUninstallOk : ulog::kUninstallFailed});
  return removed;
}

void AppendBackupLine(const std::wstring& logPath, std::wstring folder) {
  if (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
  ulog::AppendLine(logPath, kBackupLine + folder);
}

TEntryDeletion DeleteEntryLogged(const TUninstListItem& entry, const std::wstring& logPath,
                                 const std::wstring& action) {
  ulog::AppendTimestamp(logPath);
  ulog::AppendLine(logPath, ulog::kDeletingEntry + entry.GetName());
  TEntryDeletion result;
  if (!ProgramRemoved(entry.RegistryKey(), entry.RootKey(), entry.View())) {
    try {
      TBackup backup(BackupRootBeside(logPath), action, entry.GetName());
      try {
        backup.SaveKey(entry.RootKey(), entry.View(), entry.RegistryKey());
      } catch (...) {
        backup.Discard();  // an action without its key would offer nothing to restore
        throw;
      }
      result.BackupFolder = backup.Folder();
    } catch (const win::TError& e) {
      result.BackupError = e.Message();
    }
  }
  if (result.BackupError.empty()) result.Deleted = entry.DeleteEntry();
  ulog::AppendLine(logPath, result.Deleted ? ulog::kDeletedOk : ulog::kDeleteFailed);
  if (!result.BackupFolder.empty()) {
    AppendBackupLine(logPath, result.BackupFolder);
  } else if (!result.BackupError.empty()) {
    ulog::AppendLine(logPath, kBackupFailedLine + result.BackupError);
  }
  return result;
}

std::optional<TBackup> SaveEntryBeforeUninstall(const TUninstListItem& entry,
                                                const std::wstring& logPath) {
  if (ProgramRemoved(entry.RegistryKey(), entry.RootKey(), entry.View())) return std::nullopt;
  try {
    TBackup backup(BackupRootBeside(logPath), kUninstallAction, entry.GetName());
    try {
      backup.SaveKey(entry.RootKey(), entry.View(), entry.RegistryKey());
    } catch (...) {
      backup.Discard();
      throw;
    }
    return backup;
  } catch (const win::TError&) {
    return std::nullopt;
  }
}

TRestoreOutcome RestoreLogged(const TBackupAction& action, const std::wstring& logPath,
                              const TProtectedKeyRule& isProtected,
                              const TProtectedValueRule& valuesProtected) {
  ulog::AppendTimestamp(logPath);
  ulog::AppendLine(logPath, kRestoring + action.Subject);
  TRestoreOutcome outcome;
  try {
    TRestore restore(action, isProtected, valuesProtected);
    outcome.Written = true;
    restore.Write();
    MarkRestored(action);
  } catch (const win::TError& e) {
    outcome.Error = e.Message();
  }
  ulog::AppendLine(logPath, outcome.Error.empty() ? std::wstring(kRestoredOk)
                            : (outcome.Written ? kRestoredInPart : kNotRestored) +
                                  outcome.Error);
  AppendBackupLine(logPath, action.Folder);
  return outcome;
}

std::wstring KeptForBackupMessage(const std::wstring& name, const std::wstring& backupError) {
  return L"\"" + name + L"\" was not deleted from the list, because its registry key could not be "
         L"backed up first. " + backupError;
}

void QuietUninstall(const TProgramList& programs, const std::vector<std::wstring>& names,
                    const std::wstring& logPath) {
  for (const auto& name : names) {
    int index = FindProgram(programs, name);
    if (index < 0) continue;
    const TUninstListItem& entry = *programs.Row(static_cast<size_t>(index)).Entry;
    // Whole, as the wizard runs it: a quoted program without its arguments may be the installer
    // rather than the uninstaller.
    entry.RunUninstaller();
    ulog::AppendTimestamp(logPath);
    ulog::AppendLine(logPath, ulog::kUninstalling + name);
    bool still = EntryStillRegistered(L"DisplayName", entry.RegistryKey(), entry.RootKey(),
                                      entry.View());
    ulog::AppendLine(logPath, still ? ulog::kUninstallFailed : ulog::kUninstallOk);
  }
}
