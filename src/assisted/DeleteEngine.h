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
  // Row `index` failed for a reason the user should read (a key that could not be saved).
  std::function<void(size_t index, const std::wstring& reason)> RowFailed;

  // Where each key is saved before it is deleted, and each file or folder that goes is noted.
  // Not owned; none means nothing is saved.
  TBackup* Backup = nullptr;
  // Set when the backup could not even be begun: then no key is deleted, each key row fails with
  // this reason.
  std::wstring NoBackupReason;
  // Folders and files go to the Recycle Bin when it can take them; when it cannot, or with this
  // off, they are deleted for good.
  bool UseRecycleBin = false;

  // Deletes every checked row in list order; true when each checked row ended "OK" (also when
  // none is checked). A protected place is never touched: its row ends "Failed".
  bool DeleteCheckedItems(TDeleteRows& rows) const;

  // Deletes everything inside the folder, then the folder. A link (junction or symbolic link) is
  // removed itself and never descended, so its target keeps every file. Files that cannot be
  // deleted (in use, no permission) stay, and so does their folder; read-only ones go. A protected place is left alone.
  static void DeleteFolderTree(const std::wstring& folder);
  // Deletes the key with all its subkeys; a registry link is removed as a link. False when the
  // key is protected, missing or could not be deleted whole.
  static bool DeleteRegistryKey(HKEY root, const std::wstring& path);

private:
  static bool DeletePath(const std::wstring& path);
  bool RemovePath(const std::wstring& path) const;
  bool RemoveKey(HKEY root, const std::wstring& path, std::wstring& reason) const;
  void Note(const std::wstring& kind, const std::wstring& path) const;
};
