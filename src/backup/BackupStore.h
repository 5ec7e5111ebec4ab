// Backups of what the program deletes: one folder per action below a "Backups" folder, named by
// the action's date and time, holding a registry editor file for each key deleted and a manifest
// of what was removed, by which action, from what, and when. Nothing here deletes a backup.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Kinds of what an action removed, as the manifest names them.
inline constexpr const wchar_t* kBackupRegistry = L"Registry";  // a key, saved in a .reg file
inline constexpr const wchar_t* kBackupRecycled = L"Recycled";  // moved to the Recycle Bin
inline constexpr const wchar_t* kBackupDeleted = L"Deleted";    // a file or folder deleted for good

struct TBackupItem {
  std::wstring Kind;
  // A key as the registry editor names it, or a file or folder path.
  std::wstring Path;
  // For a key: the .reg file's name in the action's folder.
  std::wstring File;
  bool operator==(const TBackupItem&) const = default;
};

struct TBackupAction {
  std::wstring Folder;   // full path with a trailing backslash
  std::wstring Action;   // such as "Clean-Up", "Delete From List", "Assisted Uninstall"
  std::wstring Subject;  // the entry's or the applications' names
  std::wstring Time;     // local time, "yyyy-mm-dd hh:mm:ss"
  std::vector<TBackupItem> Items;
};

// The Backups folder beside the uninstall log, with a trailing backslash.
std::wstring DefaultBackupRoot();
// The Backups folder beside a log file, with a trailing backslash.
std::wstring BackupRootBeside(const std::wstring& logPath);

// One action being recorded. The manifest is rewritten after every item, so it always tells what
// was saved so far.
class TBackup {
public:
  // Creates the action's folder below `root` (made when missing) and its manifest. Throws
  // win::TError when either cannot be made.
  TBackup(const std::wstring& root, const std::wstring& action, const std::wstring& subject);

  const TBackupAction& Action() const noexcept { return action_; }
  const std::wstring& Folder() const noexcept { return action_.Folder; }

  // Saves the key with everything below it before it is deleted. Throws win::TError when it
  // cannot be saved completely: then the key must not be deleted.
  void SaveKey(HKEY root, REGSAM view, const std::wstring& path);
  // Records a file or folder that was moved to the Recycle Bin or deleted for good.
  void NoteFile(const std::wstring& kind, const std::wstring& path);
  // Records several of one kind with one rewrite of the manifest.
  void NoteFiles(const std::wstring& kind, const std::vector<std::wstring>& paths);
  // Removes what this backup wrote, for an action that is given up because its backup failed:
  // the saved files, the manifest and the action's folder (only when nothing else is in it).
  void Discard() noexcept;

private:
  void WriteManifest() const;

  TBackupAction action_;
};

// The actions below `root`, newest first. A folder without a readable manifest is left out.
std::vector<TBackupAction> ListBackups(const std::wstring& root);
// Reads one action's manifest; false when it has none or it is not one.
bool ReadBackup(const std::wstring& folder, TBackupAction& action);
// Imports the action's saved keys again, in the order they were saved. Throws win::TError naming
// the first file that cannot be imported; the keys before it are back.
void RestoreRegistry(const TBackupAction& action);
