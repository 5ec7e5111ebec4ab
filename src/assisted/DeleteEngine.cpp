#include "assisted/DeleteEngine.h"

#include "assisted/ProtectedPlaces.h"
#include "assisted/RecycleBin.h"
#include "inventory/Registry.h"
#include "win/Error.h"
#include "win/UniqueHandle.h"

#include <vector>

namespace {

enum class TKind { Folder, Registry, Unknown };

TKind KindOf(const std::wstring& kind) {
  auto is = [&](const wchar_t* name) {
    return CompareStringOrdinal(kind.c_str(), static_cast<int>(kind.size()), name, -1, TRUE) ==
           CSTR_EQUAL;
  };
  if (is(kKindFolder) || is(kKindShortcut)) return TKind::Folder;
  if (is(kKindRegistry)) return TKind::Registry;
  return TKind::Unknown;
}

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsLink(DWORD attributes) { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }

// A read-only file or folder inside what the user chose to delete goes too, as it does when the
// user deletes a folder in the shell; the flag only comes off right before the deletion.
bool DeleteFileOrReadOnly(const std::wstring& path, DWORD attributes) {
  if (DeleteFileW(path.c_str())) return true;
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  if (!SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  if (DeleteFileW(path.c_str())) return true;
  DWORD error = GetLastError();
  SetFileAttributesW(path.c_str(), attributes);  // still there: as it was
  SetLastError(error);
  return false;
}

void RemoveFolder(const std::wstring& path, DWORD attributes) {
  if (RemoveDirectoryW(path.c_str())) return;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) &&
      !RemoveDirectoryW(path.c_str()))
    SetFileAttributesW(path.c_str(), attributes);
}

// The walk below a folder that is known not to be protected (no protected place lies inside an
// unprotected one) and not to be a link.
void DeleteContents(const std::wstring& folder) {
  // The names first, so the listing is closed before anything below it is touched.
  struct TEntry {
    std::wstring Name;
    DWORD Attributes;
  };
  std::vector<TEntry> entries;
  WIN32_FIND_DATAW data;
  win::UniqueFind find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                        FindExSearchNameMatch, nullptr, 0));
  if (find) {
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") entries.push_back({std::move(name), data.dwFileAttributes});
    } while (FindNextFileW(find.Get(), &data));
    find.Reset();
  }
  for (const TEntry& entry : entries) {
    std::wstring path = folder + L"\\" + entry.Name;
    if (!(entry.Attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteFileOrReadOnly(path, entry.Attributes);
    } else if (IsLink(entry.Attributes)) {
      RemoveDirectoryW(path.c_str());  // the link alone; its target is someone else's
    } else {
      DeleteContents(path);
      RemoveFolder(path, entry.Attributes);
    }
  }
}

}  // namespace

void TDeleteEngine::DeleteFolderTree(const std::wstring& folder) {
  if (IsProtectedPath(folder)) return;
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (!IsFolder(attributes)) return;
  if (IsLink(attributes)) {
    RemoveDirectoryW(folder.c_str());
    return;
  }
  DeleteContents(folder);
  RemoveFolder(folder, attributes);
}

bool TDeleteEngine::DeleteRegistryKey(HKEY root, const std::wstring& path) {
  if (IsProtectedKey(root, path)) return false;
  TRegistry registry;
  registry.SetRootKey(root);
  // From the root, whichever way the path is spelled.
  return registry.DeleteKey(path.empty() || path[0] != L'\\' ? L"\\" + path : path);
}

bool TDeleteEngine::DeletePath(const std::wstring& path) {
  if (IsProtectedPath(path)) return false;
  if (IsFolder(GetFileAttributesW(path.c_str()))) {
    DeleteFolderTree(path);
    RemoveDirectoryW(path.c_str());
    return !IsFolder(GetFileAttributesW(path.c_str()));
  }
  return DeleteFileOrReadOnly(path, GetFileAttributesW(path.c_str()));
}

void TDeleteEngine::Note(const std::wstring& kind, const std::wstring& path) const {
  if (!Backup) return;
  try {
    Backup->NoteFile(kind, path);
  } catch (const win::TError&) {
    // The path is gone either way; a manifest that cannot be rewritten loses only the note.
  }
}

bool TDeleteEngine::RemovePath(const std::wstring& path) const {
  if (IsProtectedPath(path)) return false;
  if (UseRecycleBin && CanRecycle(path)) {
    switch (MoveToRecycleBin(path)) {
      case TRecycleOutcome::Recycled: Note(kBackupRecycled, path); return true;
      case TRecycleOutcome::Deleted: Note(kBackupDeleted, path); return true;
      case TRecycleOutcome::Failed: break;  // deleted as without a bin
    }
  }
  if (!DeletePath(path)) return false;
  Note(kBackupDeleted, path);
  return true;
}

bool TDeleteEngine::RemoveKey(HKEY root, const std::wstring& path, std::wstring& reason) const {
  if (IsProtectedKey(root, path)) return false;
  if (!NoBackupReason.empty()) {
    reason = NoBackupReason;
    return false;
  }
  if (Backup) {
    try {
      Backup->SaveKey(root, 0, path);
    } catch (const win::TError& e) {
      // Without its backup the key stays.
      reason = e.Message();
      return false;
    }
  }
  return DeleteRegistryKey(root, path);
}

bool TDeleteEngine::DeleteCheckedItems(TDeleteRows& rows) const {
  const size_t n = rows.size();
  for (size_t i = 0; i < n; ++i) {
    TDeleteRow& row = rows[i];
    if (!row.Checked) continue;
    if (row.SubItems.empty()) row.SubItems.push_back(row.Item.Path);
    if (ItemLabel) ItemLabel(row.Path());
    if (ProgressBar) ProgressBar(static_cast<int>(i * 100 / n));
    if (ProcessMessages) ProcessMessages();

    bool ok = false;
    std::wstring reason;
    switch (KindOf(row.Kind)) {
      case TKind::Folder: ok = !row.Protected && RemovePath(row.Item.Path); break;
      case TKind::Registry:
        ok = !row.Protected && RemoveKey(row.Item.RootKey, row.Item.Path, reason);
        break;
      case TKind::Unknown: continue;  // no status: the result rule counts it as not done
    }
    row.SubItems.insert(row.SubItems.begin() + 1, ok ? kStatusOK : kStatusFailed);
    if (RowStatusChanged) RowStatusChanged(i);
    if (!reason.empty() && RowFailed) RowFailed(i, reason);
  }

  for (const TDeleteRow& row : rows)
    if (row.Checked && row.Status() != kStatusOK) return false;
  return true;
}
