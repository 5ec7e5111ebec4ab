// Backups of what the program deletes: one folder per action below a "Backups" folder, named by
// the action's date and time, holding a registry editor file for each key deleted and a manifest
// of what was removed, by which action, from what, and when. Nothing here deletes a backup.
#pragma once

#include "backup/RegFile.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Kinds of what an action removed, as the manifest names them.
inline constexpr const wchar_t* kBackupRegistry = L"Registry";  // a key, saved in a .reg file
inline constexpr const wchar_t* kBackupValue = L"Value";        // one value, saved in a .reg file
inline constexpr const wchar_t* kBackupRecycled = L"Recycled";  // moved to the Recycle Bin
inline constexpr const wchar_t* kBackupDeleted = L"Deleted";    // a file or folder deleted for good

struct TBackupItem {
  std::wstring Kind;
  // A key as the registry editor names it, or a file or folder path.
  std::wstring Path;
  // For a key: the .reg file's name in the action's folder, its size in bytes and its SHA-256 in
  // lower-case hexadecimal. Manifests written before files were checked have no size and no hash.
  std::wstring File{};
  std::uint64_t Size = 0;
  std::wstring Sha256{};
  // For a value: its name (empty for the key's default value); Path is its key.
  std::wstring ValueName{};
  bool operator==(const TBackupItem&) const = default;
};

struct TBackupAction {
  std::wstring Folder;   // full path with a trailing backslash
  std::wstring Action;   // such as "Clean-Up", "Delete From List", "Assisted Uninstall"
  std::wstring Subject;  // the entry's or the applications' names
  std::wstring Time;     // local time, "yyyy-mm-dd hh:mm:ss"
  std::vector<TBackupItem> Items;
  // When the keys were last put back, in the form of Time; empty when never.
  std::wstring Restored;
  // Why the manifest is not obeyed (the first line refused, and why); empty when it is sound.
  std::wstring Damage;
};

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

  // Saves the key with everything below it before it is deleted, and records the saved file's
  // size and hash. Throws win::TError when it cannot be saved completely, or the file does not
  // read back to the same keys and values: then the key must not be deleted.
  void SaveKey(HKEY root, REGSAM view, const std::wstring& path);
  // The same for one value of the key, saved alone. A name with a control character cannot be
  // listed in the manifest and is refused.
  void SaveValue(HKEY root, REGSAM view, const std::wstring& path, const std::wstring& name);
  // Records a file or folder that was moved to the Recycle Bin or deleted for good.
  void NoteFile(const std::wstring& kind, const std::wstring& path);
  // Records several of one kind with one rewrite of the manifest.
  void NoteFiles(const std::wstring& kind, const std::vector<std::wstring>& paths);
  // Removes what this backup wrote, for an action that is given up because its backup failed:
  // the saved files, the manifest and the action's folder (only when nothing else is in it).
  void Discard() noexcept;

private:
  // Records a file just written, or removes it when the manifest cannot list it.
  void RecordSaved(TBackupItem item, const std::string& bytes);
  void WriteManifest() const;

  TBackupAction action_;
};

// The actions below `root`, newest first. A folder without a readable manifest is left out; no
// folder `root` at all means no action yet. Throws win::TError when `root` is there but cannot be
// listed (a file stands in its place, no permission).
std::vector<TBackupAction> ListBackups(const std::wstring& root);
// Reads one action's manifest; false when it has none or it is not one. A line the manifest cannot
// hold (a control character, an item that is not understood) is not obeyed: it sets Damage.
bool ReadBackup(const std::wstring& folder, TBackupAction& action);

// Whether a restore must leave a key alone; the key's path is given from its root with a leading
// backslash (empty for the root itself).
using TProtectedKeyRule = std::function<bool(HKEY root, const std::wstring& path)>;
// Whether a restore must leave the values of a key alone; without one, a saved value is written
// back only into a key the key rule allows.
using TProtectedValueRule = TProtectedKeyRule;

// An action's saved keys, every file and every line checked before anything is written.
class TRestore {
public:
  // Reads and checks each saved file: the manifest is sound, the file is the one saved (its size
  // and hash, where the manifest has them), every line parses, the file begins with the key the
  // manifest names and writes or deletes nothing outside it, no key it touches is protected, and
  // nothing would be written through a registry link. A saved value's file holds that value
  // alone, written into its key without touching the key's other values. Throws win::TError
  // naming the file and line of the first fault found.
  TRestore(const TBackupAction& action, const TProtectedKeyRule& isProtected,
           const TProtectedValueRule& valuesProtected = {});

  // Writes the keys back, file by file, in the order they were saved. Writing again what is back
  // already changes nothing. Throws win::TError naming the line of the first key or value that
  // cannot be written; what came before it is written.
  void Write() const;

private:
  std::vector<TRegFile> files_;
};

// Checks the whole action, then writes its keys back.
void RestoreRegistry(const TBackupAction& action, const TProtectedKeyRule& isProtected,
                     const TProtectedValueRule& valuesProtected = {});

// Notes in the action's manifest that its keys were put back now. Silent when the manifest cannot
// be written.
void MarkRestored(const TBackupAction& action);
