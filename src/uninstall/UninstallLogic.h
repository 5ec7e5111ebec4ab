// The decisions behind the uninstall dialogs and the "/QU" switch, without any window: running an
// entry's uninstaller, judging the outcome by its registry key, cleaning up, and the log records.
#pragma once

#include "backup/BackupStore.h"
#include "inventory/ProgramList.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class TUninstListItem;

// True when the key no longer exists under the root (in the given registry view).
bool ProgramRemoved(const std::wstring& keyPath, HKEY root = HKEY_LOCAL_MACHINE, REGSAM view = 0);
// True when the key exists, opens for reading and holds a value of that name.
bool EntryStillRegistered(const std::wstring& valueName, const std::wstring& keyPath,
                          HKEY root = HKEY_LOCAL_MACHINE, REGSAM view = 0);

// Logs "Uninstalling <name>" under a new timestamp, then judges whether the entry's key is gone
// and logs the outcome. Returns true when the program was removed.
bool JudgeUninstall(const TUninstListItem& entry, const std::wstring& logPath);
// The same for the entry at root\keyPath, by the name given.
bool JudgeUninstall(const std::wstring& name, HKEY root, REGSAM view, const std::wstring& keyPath,
                    const std::wstring& logPath);

// The actions that delete an entry, as their backups name them.
inline const wchar_t kCleanUpAction[] = L"Clean-Up";
inline const wchar_t kDeleteFromListAction[] = L"Delete From List";
inline const wchar_t kUninstallAction[] = L"Uninstall";

// Saves the entry's key in a backup of the "Uninstall" action beside the log before its
// uninstaller runs, so that what the entry said outlives the uninstall: its leftovers can be
// looked for later, and Restore can bring the entry back. None when the key cannot be saved; the
// uninstall goes on without it.
std::optional<TBackup> SaveEntryBeforeUninstall(const TUninstListItem& entry,
                                                const std::wstring& logPath);

// The log line after a deletion's result line: where the deleted key was saved, or why it was not.
inline const wchar_t kBackupLine[] = L"Backup: ";
inline const wchar_t kBackupFailedLine[] = L"Backup failed: ";
// Appends the "Backup: " line for the action's folder, named without its trailing backslash.
void AppendBackupLine(const std::wstring& logPath, std::wstring folder);

// What deleting an entry came to.
struct TEntryDeletion {
  bool Deleted = false;
  // The folder of the action's backup (with a trailing backslash) when one was made.
  std::wstring BackupFolder;
  // Why the key could not be saved; then it was not deleted either.
  std::wstring BackupError;
};

// Logs "Deleting entry <name>" under a new timestamp, saves the entry's key in a backup of the
// action in the Backups folder beside the log, and only when that worked deletes the key with all
// its subkeys. Logs whether the key went, then one line naming the backup's folder or why no
// backup could be made. A key that is already gone has nothing to save: its deletion fails.
TEntryDeletion DeleteEntryLogged(const TUninstListItem& entry, const std::wstring& logPath,
                                 const std::wstring& action);
// What the dialogs tell the user when an entry was kept because its backup failed.
std::wstring KeptForBackupMessage(const std::wstring& name, const std::wstring& backupError);

// The record of a restore: "Restoring <subject>", one of the outcomes, then the backup's line.
inline const wchar_t kRestoring[] = L"Restoring ";
inline const wchar_t kRestoredOk[] = L"Restored OK.";
inline const wchar_t kNotRestored[] = L"Not restored, nothing was written: ";
inline const wchar_t kRestoredInPart[] = L"Not restored completely: ";

// What putting an action's keys back came to.
struct TRestoreOutcome {
  // Whether anything may have been written (also by a restore that failed half-way).
  bool Written = false;
  // Why the restore was refused or broke off; empty when every key is back.
  std::wstring Error;
};

// Logs "Restoring <subject>" under a new timestamp, checks every saved file of the action and only
// then writes its keys back, and notes the restore in the action's manifest. Logs the outcome and
// the backup's folder.
TRestoreOutcome RestoreLogged(const TBackupAction& action, const std::wstring& logPath,
                              const TProtectedKeyRule& isProtected,
                              const TProtectedValueRule& valuesProtected = {});

// "/QU": runs the uninstaller of each named program, one after another, waits for it and logs the
// outcome. Names that match no row are skipped without a record.
void QuietUninstall(const TProgramList& programs, const std::vector<std::wstring>& names,
                    const std::wstring& logPath);
