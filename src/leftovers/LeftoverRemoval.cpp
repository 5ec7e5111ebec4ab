#include "leftovers/LeftoverRemoval.h"

#include "backup/BackupStore.h"
#include "uninstall/Logging.h"
#include "uninstall/UninstallLogic.h"
#include "win/Text.h"

namespace {

const wchar_t kRemovingLeftovers[] = L"Removing leftovers of ";
const wchar_t kRemovedOk[] = L"Leftovers removed OK.";
const wchar_t kNotAllRemoved[] = L"Not every leftover could be removed.";
const wchar_t kNoLongerHolds[] =
    L" was left alone: since the search it has gone or become another program's.";

bool IsShortcutFile(const std::wstring& path) {
  return path.size() > 4 && win::EqualsNoCase(path.substr(path.size() - 4), L".lnk");
}

TDeleteRow RowOf(const TLeftover& find) {
  const std::wstring shown = find.Location();
  TDeleteRow row;
  switch (find.Kind) {
    case TLeftoverKind::Folder: row = MakeDeleteRow(kKindFolder, nullptr, find.Path); break;
    case TLeftoverKind::File:
      row = MakeDeleteRow(IsShortcutFile(find.Path) ? kKindShortcut : kKindFile, nullptr,
                          find.Path);
      break;
    case TLeftoverKind::Key: row = MakeDeleteRow(kKindRegistry, find.Root, find.Path); break;
    case TLeftoverKind::Value:
      // Shown in its key as the registry editor shows a value.
      row = MakeValueRow(find.Root, find.Path, find.ValueName,
                         shown + L" \"" + (find.ValueName.empty() ? L"(Default)" : find.ValueName) +
                             L"\"");
      break;
  }
  if (find.Kind != TLeftoverKind::Value) row.SubItems[0] = shown;
  row.Checked = row.Checked && find.Ticked();
  return row;
}

}  // namespace

TDeleteRows LeftoverRows(const std::vector<TLeftover>& finds) {
  TDeleteRows rows;
  rows.reserve(finds.size());
  for (const TLeftover& find : finds) rows.push_back(RowOf(find));
  return rows;
}

TLeftoverRemoval::TLeftoverRemoval(TProgramFacts program, std::vector<TLeftover> finds,
                                   std::wstring logFileName)
    : Rows(LeftoverRows(finds)),
      program_(std::move(program)),
      finds_(std::move(finds)),
      logFileName_(std::move(logFileName)) {}

bool TLeftoverRemoval::Remove(TDeleteEngine engine) {
  ulog::AppendTimestamp(logFileName_);
  ulog::AppendLine(logFileName_, kRemovingLeftovers + program_.Name);
  if (!Others) Others = ReadOtherPrograms(program_.Root, program_.View, program_.EntryKey);
  // The finds were weighed at the search; what changed since (the folder became another
  // program's install folder, the value was rewritten) must not be deleted on the old evidence.
  engine.CheckBeforeDeleting = [this](size_t index) -> std::wstring {
    if (index >= finds_.size() || TLeftoverFinder::StillHolds(finds_[index], *Others)) return {};
    return Rows[index].Path() + kNoLongerHolds;
  };
  std::optional<TBackup> backup;
  engine.BeginBackup = [&]() -> TBackup& {
    return backup.emplace(BackupRootBeside(logFileName_), kLeftoversBackupAction,
                          win::SingleLine(program_.Name));
  };
  engine.UseRecycleBin = UseRecycleBin;
  const bool allDeleted = engine.DeleteCheckedItems(Rows);
  for (const TDeleteRow& row : Rows)
    if (row.Checked) ulog::AppendLine(logFileName_, row.Kind + L"....." + row.Path() + L"....." + row.Status());
  ulog::AppendLine(logFileName_, allDeleted ? kRemovedOk : kNotAllRemoved);
  if (backup) {
    AppendBackupLine(logFileName_, backup->Folder());
  } else if (!engine.NoBackupReason.empty()) {
    ulog::AppendLine(logFileName_, kBackupFailedLine + engine.NoBackupReason);
  }
  return allDeleted;
}
