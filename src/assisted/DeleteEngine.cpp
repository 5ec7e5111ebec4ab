#include "assisted/DeleteEngine.h"

#include "assisted/ProtectedPlaces.h"
#include "assisted/RecycleBin.h"
#include "inventory/Registry.h"
#include "backup/RegFile.h"
#include "win/Error.h"
#include "win/FileSystemTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

enum class TKind { Folder, Registry, Value, Unknown };

TKind KindOf(const std::wstring& kind) {
  auto is = [&](const wchar_t* name) {
    return CompareStringOrdinal(kind.c_str(), static_cast<int>(kind.size()), name, -1, TRUE) ==
           CSTR_EQUAL;
  };
  if (is(kKindFolder) || is(kKindShortcut) || is(kKindFile)) return TKind::Folder;
  if (is(kKindRegistry)) return TKind::Registry;
  if (is(kKindValue)) return TKind::Value;
  return TKind::Unknown;
}

// How long notes of what went for good may wait before the manifest is rewritten: a run of
// thousands of rows rewrites it about once a second, not once a row.
constexpr ULONGLONG kNoteInterval = 1000;
// How many of what stayed a failed row's reason names.
constexpr size_t kStayedNamed = 5;

std::wstring StayedText(const win::TStayedItem& item) {
  switch (item.Why) {
    case win::TStayedItem::InUse: return item.Path + L" is in use";
    case win::TStayedItem::Link: return item.Path + L" is a link";
    case win::TStayedItem::Changed: return item.Path + L" changed while it was being deleted";
    case win::TStayedItem::Missing: return item.Path + L" cannot be found";
    case win::TStayedItem::Refused: break;
  }
  std::wstring why = win::SystemErrorText(item.Error);
  return item.Path + L" cannot be deleted" + (why.empty() ? L"" : L": " + why);
}

// "C:\App\held.dat is in use." when the row's own path stayed alone, else "2 items stayed: ...".
std::wstring StayedReason(const win::TTreeDeletion& deletion) {
  const std::vector<win::TStayedItem>& stayed = deletion.Stayed;
  if (stayed.size() == 1 && stayed[0].Path == deletion.Path) return StayedText(stayed[0]) + L".";
  std::wstring text =
      std::to_wstring(stayed.size()) + (stayed.size() == 1 ? L" item" : L" items") + L" stayed: ";
  for (size_t i = 0; i < stayed.size() && i < kStayedNamed; ++i)
    text += (i ? L"; " : L"") + StayedText(stayed[i]);
  if (stayed.size() > kStayedNamed)
    text += L"; and " + std::to_wstring(stayed.size() - kStayedNamed) + L" more";
  return text + L".";
}

}  // namespace

// What one run keeps between its rows.
struct TDeleteEngine::TRun {
  TRecycleBinMoves Bin;
  std::vector<std::wstring> Deleted;    // gone for good, not yet in the manifest
  std::vector<std::wstring> TakenAway;  // handed to the bin; where each went is told at the end
  ULONGLONG NotedAt = GetTickCount64();
};

bool TDeleteEngine::DeleteFolderTree(const std::wstring& folder) {
  return !IsProtectedPath(folder) && win::DeleteFileSystemTree(folder).Gone;
}

bool TDeleteEngine::DeleteRegistryKey(HKEY root, const std::wstring& path) {
  if (IsProtectedKey(root, path)) return false;
  TRegistry registry;
  registry.SetRootKey(root);
  // From the root, whichever way the path is spelled.
  return registry.DeleteKey(path.empty() || path[0] != L'\\' ? L"\\" + path : path);
}

TBackup* TDeleteEngine::Recording() {
  if (!Backup && NoBackupReason.empty() && BeginBackup) {
    try {
      Backup = &BeginBackup();
    } catch (const win::TError& e) {
      NoBackupReason = e.Message();
    }
  }
  return NoBackupReason.empty() ? Backup : nullptr;
}

void TDeleteEngine::Note(const std::wstring& kind, const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  TBackup* backup = Recording();
  if (!backup) return;
  try {
    backup->NoteFiles(kind, paths);
  } catch (const win::TError&) {
    // The paths are gone either way; a manifest that cannot be rewritten loses only the notes.
  }
}

bool TDeleteEngine::RemovePath(const std::wstring& path, TRun& run, std::wstring& reason) {
  if (IsProtectedPath(path)) return false;
  win::TTakeAway toBin;
  if (UseRecycleBin)
    toBin = [&run](const std::wstring& folder, const std::vector<std::wstring>& names) {
      return run.Bin.Move(folder, names);
    };
  const win::TTreeDeletion deletion = win::DeleteFileSystemTree(path, toBin);
  for (const win::TWentItem& went : deletion.Went)
    (went.Way == win::TWentItem::TakenAway ? run.TakenAway : run.Deleted).push_back(went.Path);
  if (!deletion.Gone) reason = StayedReason(deletion);
  return deletion.Gone;
}

bool TDeleteEngine::SavedFirst(const std::function<void(TBackup&)>& save, std::wstring& reason) {
  TBackup* backup = Recording();
  if (!NoBackupReason.empty()) {
    reason = NoBackupReason;
    return false;
  }
  if (backup) {
    try {
      save(*backup);
    } catch (const win::TError& e) {
      // Without its backup it stays.
      reason = e.Message();
      return false;
    }
  }
  return true;
}

bool TDeleteEngine::RemoveKey(HKEY root, const std::wstring& path, std::wstring& reason) {
  if (IsProtectedKey(root, path)) return false;
  return SavedFirst([&](TBackup& backup) { backup.SaveKey(root, 0, path); }, reason) &&
         DeleteRegistryKey(root, path);
}

bool TDeleteEngine::RemoveValue(const TDeleteItem& item, std::wstring& reason) {
  if (AreValuesProtected(item.RootKey, item.Path)) return false;
  return SavedFirst([&](TBackup& backup) {
           backup.SaveValue(item.RootKey, 0, item.Path, item.ValueName);
         }, reason) &&
         DeleteRegistryValue(item.RootKey, item.Path, item.ValueName, reason);
}

bool TDeleteEngine::DeleteRegistryValue(HKEY root, const std::wstring& path,
                                        const std::wstring& name, std::wstring& reason) {
  if (AreValuesProtected(root, path)) return false;
  const std::wstring shown = L"The value \"" + win::SingleLine(name) + L"\"";
  const std::wstring relative = path.substr(std::min(path.find_first_not_of(L'\\'), path.size()));
  win::UniqueHKey key;
  LONG rc = RegOpenKeyExW(root, relative.c_str(), REG_OPTION_OPEN_LINK,
                          KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, key.Put());
  // A link's values are its target's: deleting through it would reach another key.
  if (rc == ERROR_SUCCESS && IsRegistryLink(key.Get())) {
    reason = shown + L" was left alone: its key is a registry link.";
    return false;
  }
  if (rc == ERROR_SUCCESS) rc = RegDeleteValueW(key.Get(), name.c_str());
  if (rc == ERROR_SUCCESS) return true;
  const std::wstring why = win::SystemErrorText(static_cast<DWORD>(rc));
  reason = shown + L" cannot be deleted" + (why.empty() ? L"." : L": " + why);
  return false;
}

bool TDeleteEngine::DeleteCheckedItems(TDeleteRows& rows) {
  TRun run;
  auto noteDeleted = [&] {
    Note(kBackupDeleted, run.Deleted);
    run.Deleted.clear();
    run.NotedAt = GetTickCount64();
  };
  // The notes still waiting, and where the bin's share went: one look into the bin for the run.
  auto noteTheRest = [&] {
    noteDeleted();
    std::vector<std::wstring> recycled, deleted;
    const std::vector<TRecycleOutcome> outcomes = run.Bin.Outcomes(run.TakenAway);
    for (size_t i = 0; i < outcomes.size(); ++i)
      (outcomes[i] == TRecycleOutcome::Recycled ? recycled : deleted).push_back(run.TakenAway[i]);
    run.TakenAway.clear();
    Note(kBackupRecycled, recycled);
    Note(kBackupDeleted, deleted);
  };
  const size_t n = rows.size();
  try {
    for (size_t i = 0; i < n; ++i) {
      TDeleteRow& row = rows[i];
      if (!row.Checked) continue;
      if (row.SubItems.empty()) row.SubItems.push_back(row.Item.Path);
      if (ItemLabel) ItemLabel(row.Path());
      if (ProgressBar) ProgressBar(static_cast<int>(i * 100 / n));
      if (ProcessMessages) ProcessMessages();

      bool ok = false;
      std::wstring reason;
      const TKind kind = KindOf(row.Kind);
      if (kind == TKind::Unknown) continue;  // no status: the result rule counts it as not done
      // A row whose reason to go no longer holds stays untouched.
      TRowCheck check;
      if (CheckBeforeDeleting) check = CheckBeforeDeleting(i);
      if (check.Verdict == TRowCheck::Stay) reason = check.Reason;
      ok = check.Verdict == TRowCheck::Gone;
      if (check.Verdict == TRowCheck::Go && !row.Protected) {
        switch (kind) {
          case TKind::Folder: ok = RemovePath(row.Item.Path, run, reason); break;
          case TKind::Registry: ok = RemoveKey(row.Item.RootKey, row.Item.Path, reason); break;
          case TKind::Value: ok = RemoveValue(row.Item, reason); break;
          case TKind::Unknown: break;
        }
      }
      row.SubItems.insert(row.SubItems.begin() + 1, ok ? kStatusOK : kStatusFailed);
      if (RowStatusChanged) RowStatusChanged(i);
      if (!reason.empty() && RowFailed) RowFailed(i, reason);
      if (GetTickCount64() - run.NotedAt >= kNoteInterval) noteDeleted();
    }
  } catch (...) {
    noteTheRest();
    throw;
  }
  noteTheRest();

  for (const TDeleteRow& row : rows)
    if (row.Checked && row.Status() != kStatusOK) return false;
  return true;
}

void TFailureReasons::Add(bool key, const std::wstring& reason) {
  auto& reasons = key ? keys_ : files_;
  if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end())
    reasons.push_back(reason);
}

std::wstring TFailureReasons::Text(const wchar_t* keysHeading, const wchar_t* filesHeading) const {
  std::wstring text;
  for (const auto& [heading, reasons] :
       {std::pair{keysHeading, &keys_}, std::pair{filesHeading, &files_}}) {
    if (reasons->empty()) continue;
    text += (text.empty() ? L"" : L"\r\n\r\n") + std::wstring(heading);
    for (const std::wstring& reason : *reasons) text += L"\r\n\r\n" + reason;
  }
  return text;
}
