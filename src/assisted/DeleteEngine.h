// TDeleteEngine: deletes the checked rows of the assisted uninstall's confirmation list, in list
// order, and writes each one's outcome into it. Windowless: the wizard binds its progress bar,
// its item label, its message pump and its list view through the callbacks, all optional.
#pragma once

#include "assisted/DeleteItem.h"
#include "backup/BackupStore.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Why rows ended "Failed", each reason once, keys apart from files and folders: what a window
// tells the user after a run of the engine.
class TFailureReasons {
public:
  void Add(bool key, const std::wstring& reason);
  // The reasons under their headings, the keys' first; empty when no row failed.
  std::wstring Text(const wchar_t* keysHeading, const wchar_t* filesHeading) const;

private:
  std::vector<std::wstring> keys_, files_;
};

class TDeleteEngine {
public:
  // The progress, 0 to 100, before each checked row: its index × 100 div the number of rows.
  std::function<void(int)> ProgressBar;
  // The path of the row about to be deleted.
  std::function<void(const std::wstring&)> ItemLabel;
  // Lets the window process its pending messages, once before each checked row.
  std::function<void()> ProcessMessages;
  // Row `index` got its status ("OK" or "Failed"), so its list line can be redrawn.
  std::function<void(size_t index)> RowStatusChanged;
  // Row `index` failed for a reason the user should read: a key that could not be saved, or what
  // stayed of a folder or file and why.
  std::function<void(size_t index, const std::wstring& reason)> RowFailed;

  // What a check says of a row just before it is deleted: Go deletes it; Gone means it went
  // already with an earlier row (a folder that held it), so it ends "OK" untouched; Stay ends it
  // "Failed" untouched, and Reason says why.
  struct TRowCheck {
    enum TVerdict { Go, Gone, Stay } Verdict = Go;
    std::wstring Reason{};
  };
  // Asked just before each checked row is deleted; none lets every row go.
  std::function<TRowCheck(size_t index)> CheckBeforeDeleting;

  // Where each key and value is saved before it is deleted, and each file or folder that goes is
  // noted.
  // Not owned; none means nothing is saved, unless BeginBackup makes one.
  TBackup* Backup = nullptr;
  // Makes the backup the first time something is to be recorded in it, so that a run which
  // removes nothing leaves no backup behind. Throws win::TError when it cannot be begun.
  std::function<TBackup&()> BeginBackup;
  // Why the backup could not be begun, set by the caller or when BeginBackup threw: then no key
  // is deleted, each key row fails with this reason.
  std::wstring NoBackupReason;
  // Folders and files go to the Recycle Bin when it can take them; when it cannot, or with this
  // off, they are deleted for good.
  bool UseRecycleBin = false;

  // Deletes every checked row in list order; true when each checked row ended "OK" (also when
  // none is checked). A protected place is never touched: its row ends "Failed". A folder that
  // cannot go whole loses what can go; its row ends "Failed" and RowFailed says what stayed.
  bool DeleteCheckedItems(TDeleteRows& rows);

  // Deletes the folder or file with everything below it; see win::DeleteFileSystemTree. A
  // protected place is left alone. Whether it is gone.
  static bool DeleteFolderTree(const std::wstring& folder);
  // Deletes the key with all its subkeys; a registry link is removed as a link. False when the
  // key is protected, missing or could not be deleted whole.
  static bool DeleteRegistryKey(HKEY root, const std::wstring& path);
  // Deletes one value of the key, never the key: false when the key's values are protected, the
  // key is a registry link, or the value is missing or could not be deleted; `reason` says why.
  static bool DeleteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name,
                                  std::wstring& reason);

private:
  struct TRun;
  bool RemovePath(const std::wstring& path, TRun& run, std::wstring& reason);
  bool RemoveKey(HKEY root, const std::wstring& path, std::wstring& reason);
  bool RemoveValue(const TDeleteItem& item, std::wstring& reason);
  // Whether a key or value may go: the backup can be begun and has saved it. `save` saves it.
  bool SavedFirst(const std::function<void(TBackup&)>& save, std::wstring& reason);
  // The backup to record in, begun on first use; none when there is none or it cannot be begun.
  TBackup* Recording();
  void Note(const std::wstring& kind, const std::vector<std::wstring>& paths);
};
