#include "leftovers/LeftoverRemoval.h"

#include "backup/BackupStore.h"
#include "uninstall/Logging.h"
#include "uninstall/UninstallLogic.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <algorithm>
#include <iterator>

namespace {

const wchar_t kRemovingLeftovers[] = L"Removing leftovers of ";
const wchar_t kRemovedOk[] = L"Leftovers removed OK.";
const wchar_t kNotAllRemoved[] = L"Not every leftover could be removed.";
const wchar_t kNoLongerHolds[] =
    L" was left alone: since the search it has gone or become another program's.";
const wchar_t kNativeView[] = L"\\software";
const wchar_t kWow64View[] = L"\\software\\wow6432node";

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

bool IsFileSystem(const TLeftover& find) {
  return find.Kind == TLeftoverKind::Folder || find.Kind == TLeftoverKind::File;
}

// Where a find lies, to tell whether another's removal took it along: a path, or a root and key
// with the 32-bit view folded into the native one (Wine shares some keys between the views, so
// one key can be found through both).
std::wstring PlaceOf(const TLeftover& find) {
  std::wstring place = win::ToLower(find.Path);
  if (IsFileSystem(find)) return place;
  if (place.rfind(kWow64View, 0) == 0)
    place.replace(0, std::size(kWow64View) - 1, kNativeView);
  return std::to_wstring(reinterpret_cast<ULONG_PTR>(find.Root)) + L":" + place;
}

bool IsAtOrInside(const std::wstring& place, const std::wstring& outer) {
  return place.rfind(outer, 0) == 0 &&
         (place.size() == outer.size() || place[outer.size()] == L'\\');
}

bool IsThere(const TLeftover& find) {
  if (IsFileSystem(find)) return GetFileAttributesW(find.Path.c_str()) != INVALID_FILE_ATTRIBUTES;
  win::UniqueHKey key;
  if (RegOpenKeyExW(find.Root, find.Path.substr(std::min<size_t>(1, find.Path.size())).c_str(), 0,
                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Put()) != ERROR_SUCCESS)
    return false;
  return find.Kind != TLeftoverKind::Value ||
         RegQueryValueExW(key.Get(), find.ValueName.c_str(), nullptr, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS;
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
  std::vector<std::wstring> places;
  for (const TLeftover& find : finds_) places.push_back(PlaceOf(find));
  // The finds were weighed at the search; what changed since (the folder became another
  // program's install folder) must not be deleted on the old evidence. A find an earlier row took
  // along (a shortcut in a removed folder, a key below a removed key) is gone as it should be.
  engine.CheckBeforeDeleting = [&](size_t index) -> TDeleteEngine::TRowCheck {
    if (index >= finds_.size() || TLeftoverFinder::StillHolds(finds_[index], *Others)) return {};
    for (size_t before = 0; before < index; ++before)
      if (Rows[before].Checked && Rows[before].Status() == kStatusOK &&
          IsFileSystem(finds_[before]) == IsFileSystem(finds_[index]) &&
          IsAtOrInside(places[index], places[before]) && !IsThere(finds_[index]))
        return {TDeleteEngine::TRowCheck::Gone};
    return {TDeleteEngine::TRowCheck::Stay, Rows[index].Path() + kNoLongerHolds};
  };
  std::optional<TBackup> backup;
  engine.BeginBackup = [&]() -> TBackup& {
    return backup.emplace(BackupRootBeside(logFileName_), kLeftoversBackupAction,
                          win::SingleLine(program_.Name));
  };
  engine.UseRecycleBin = UseRecycleBin;
  const bool allDeleted = engine.DeleteCheckedItems(Rows);
  for (const TDeleteRow& row : Rows)
    if (row.Checked)
      ulog::AppendLine(logFileName_, row.Kind + L"....." + row.Path() + L"....." + row.Status());
  ulog::AppendLine(logFileName_, allDeleted ? kRemovedOk : kNotAllRemoved);
  if (backup) {
    AppendBackupLine(logFileName_, backup->Folder());
  } else if (!engine.NoBackupReason.empty()) {
    ulog::AppendLine(logFileName_, kBackupFailedLine + engine.NoBackupReason);
  }
  return allDeleted;
}
