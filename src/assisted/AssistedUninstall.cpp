#include "assisted/AssistedUninstall.h"

#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "backup/BackupStore.h"
#include "uninstall/Logging.h"
#include "uninstall/UninstallLogic.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <shlobj.h>

#include <optional>

namespace {

// HKEY_CLASSES_ROOT is a merged view of the user's classes and the machine's: a key it shows may
// be in either place or in both, and going through the view deletes, saves and restores only one
// of them, maybe the wrong one. So each row of it becomes a row for each real place that holds the
// key, named by that place; a key in neither place keeps its row (and fails as a missing key).
void SplitMergedClasses(TDeleteRows& rows, size_t from) {
  TDeleteRows split(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(from));
  for (size_t i = from; i < rows.size(); ++i) {
    const TDeleteRow& row = rows[i];
    const size_t before = split.size();
    if (row.Item.RootKey == HKEY_CLASSES_ROOT && !row.Item.Path.empty())
      for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        const std::wstring path = L"\\Software\\Classes" + row.Item.Path;
        win::UniqueHKey key;
        if (RegOpenKeyExW(root, path.c_str() + 1, REG_OPTION_OPEN_LINK,
                          KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Put()) != ERROR_SUCCESS)
          continue;
        split.push_back(MakeDeleteRow(row.Kind, root, path));
        split.back().SubItems[0] = RegistryLocationText(root, 0, path);
      }
    if (split.size() == before) split.push_back(row);
  }
  rows = std::move(split);
}

}  // namespace

TAssistedUninstall::TAssistedUninstall(TCheckTree& rootFolder, TCheckTree& startMenu,
                                       TCheckTree& regEntries, TCheckTree& extensions,
                                       std::wstring logFileName)
    : ProgramFilesDir(TUtils::GetProgramFilesDir()),
      UserProgramsDir(win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_PROGRAMS))),
      CommonProgramsDir(win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_COMMON_PROGRAMS))),
      RegEntries(regEntries),
      Extensions(extensions),
      logFileName_(std::move(logFileName)) {
  RootFolder.SetCheckTree(&rootFolder);
  StartMenu.SetCheckTree(&startMenu);
}

void TAssistedUninstall::CollectSelectedFiles() {
  SelectedFiles = ::CollectSelectedFiles(HasDesktopIcon ? DesktopRows : ExeRows);
}

void TAssistedUninstall::PageShown(TPage page) {
  switch (page) {
    case tsDesktopIcons: tsDesktopIconsShow(); break;
    case tsRootFolder: tsRootFolderShow(); break;
    case tsStartMenuFolder: tsStartMenuFolderShow(); break;
    case tsRegistry: tsRegistryShow(); break;
    case tsExtensions: tsExtensionsShow(); break;
    case tsConfirmation: tsConfirmationShow(); break;
  }
}

void TAssistedUninstall::tsDesktopIconsShow() {
  RootFolderPending = StartMenuPending = RegistryPending = ExtensionsPending = true;
}

void TAssistedUninstall::tsRootFolderShow() {
  if (!RootFolderPending) return;
  RootFolder.SetEnable(true);
  bool found = false;
  for (const std::wstring& file : SelectedFiles) {
    std::wstring folder = FolderToTick(file);
    if (!folder.empty() && RootFolder.SelectFolder(folder)) found = true;
  }
  if (!found) RootFolder.SetInitialLocation(ProgramFilesDir);
  RootFolderPending = false;
}

void TAssistedUninstall::tsStartMenuFolderShow() {
  if (!StartMenuPending) return;
  const std::vector<std::wstring> names = BuildStartMenuNames(SelectedFiles, DesktopRows);
  StartMenu.SetEnable(true);
  if (names.empty()) {
    StartMenu.SetInitialLocation(UserProgramsDir);
    StartMenu.SetInitialLocation(CommonProgramsDir);
  }
  for (const std::wstring& name : names) {
    // A name is one folder: one with a separator in it would reach elsewhere.
    if (name.find_first_of(L"\\/") != std::wstring::npos) continue;
    for (const std::wstring* programs : {&UserProgramsDir, &CommonProgramsDir})
      if (!programs->empty()) StartMenu.SelectFolder(*programs + name + L"\\");
  }
  StartMenuPending = false;
}

void TAssistedUninstall::tsRegistryShow() {
  if (!RegistryPending) return;
  RegEntries.SetEnable(true);
  RegEntries.SetInitialRoot(HKEY_CURRENT_USER);
  RegEntries.SetInitialKey(L"\\Software");
  RegistryPending = false;
}

void TAssistedUninstall::tsExtensionsShow() {
  if (!ExtensionsPending) return;
  Extensions.SetEnable(true);
  Extensions.SetInitialRoot(HKEY_CLASSES_ROOT);
  Extensions.SetInitialKey(L"");
  ExtensionsPending = false;
}

void TAssistedUninstall::tsConfirmationShow() {
  Rows.clear();
  auto repaint = [this] {
    if (Repaint) Repaint();
  };
  RootFolder.AddCheckedToList(Rows);
  repaint();
  StartMenu.AddCheckedToList(Rows);
  repaint();
  const size_t firstKey = Rows.size();
  RegEntries.AddCheckedToList(Rows);
  repaint();
  Extensions.AddCheckedToList(Rows);
  SplitMergedClasses(Rows, firstKey);
  repaint();
  if (HasDesktopIcon)
    for (const TChosenFile& row : DesktopRows)
      if (row.Checked && !row.LinkPath.empty())
        Rows.push_back(MakeDeleteRow(kKindShortcut, nullptr, row.LinkPath));
}

std::wstring TAssistedUninstall::SelectedApplicationNames() const {
  return ::SelectedApplicationNames(HasDesktopIcon ? DesktopRows : ExeRows);
}

bool TAssistedUninstall::Finish(bool confirmed, TDeleteEngine engine) {
  finished_ = true;
  if (!confirmed) return false;
  const std::wstring names = SelectedApplicationNames();
  AppendAssistedLogStart(logFileName_, names);
  // The backup is begun when something is first recorded in it: a run that removes nothing leaves
  // none for Restore to list. One that cannot be begun stops every key row with its reason.
  std::optional<TBackup> backup;
  engine.BeginBackup = [&]() -> TBackup& {
    std::wstring subject = win::SingleLine(names);
    subject.erase(0, subject.find_first_not_of(L' '));
    return backup.emplace(BackupRootBeside(logFileName_), kAssistedBackupAction, subject);
  };
  engine.UseRecycleBin = UseRecycleBin;
  const bool allDeleted = engine.DeleteCheckedItems(Rows);
  AppendAssistedLogResult(logFileName_, allDeleted);
  if (backup) {
    AppendBackupLine(logFileName_, backup->Folder());
  } else if (!engine.NoBackupReason.empty()) {
    ulog::AppendLine(logFileName_, kBackupFailedLine + engine.NoBackupReason);
  }
  return allDeleted;
}

std::wstring TAssistedUninstall::LogText() const {
  return AssistedLogText(SelectedApplicationNames(), Rows);
}

void TAssistedUninstall::SaveLog(const std::wstring& fileName) const {
  TLogging().WriteToFile(LogText(), fileName, false);
}
