// The decisions behind the uninstall dialogs and the "/QU" switch, without any window: running an
// entry's uninstaller, judging the outcome by its registry key, cleaning up, and the log records.
#pragma once

#include "inventory/ProgramList.h"

#include <windows.h>

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

// Logs "Deleting entry <name>" under a new timestamp, deletes the entry's key with all its
// subkeys and logs whether that worked. Returns the deletion's success.
bool DeleteEntryLogged(const TUninstListItem& entry, const std::wstring& logPath);

// "/QU": runs the uninstaller of each named program, one after another, waits for it and logs the
// outcome. Names that match no row are skipped without a record.
void QuietUninstall(const TProgramList& programs, const std::vector<std::wstring>& names,
                    const std::wstring& logPath);
