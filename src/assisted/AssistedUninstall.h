// TAssistedUninstall: what the assisted uninstall wizard does, without its window. It keeps the
// files that stand for the chosen applications, builds each selection tree the first time its
// page is shown after the first page was left, lists what is ticked for confirmation, and deletes
// and logs on "Finish". The form hands it its four trees; tests hand it plain ones.
#pragma once

#include "assisted/AssistedLogic.h"
#include "assisted/DeleteEngine.h"
#include "assisted/TreeRegCtrl.h"
#include "assisted/TreeShellCtrl.h"

#include <functional>
#include <string>
#include <vector>

// The name its backups carry.
inline constexpr const wchar_t* kAssistedBackupAction = L"Assisted Uninstall";
// The question asked before the ticked rows are deleted (by the wizard and the leftovers window).
inline constexpr const wchar_t* kConfirmDeletion =
    L"The items you have selected will be deleted.\rAre you sure ?";

class TAssistedUninstall {
public:
  enum TPage : int {
    tsDesktopIcons = 0,
    tsRootFolder = 1,
    tsStartMenuFolder = 2,
    tsRegistry = 3,
    tsExtensions = 4,
    tsConfirmation = 5,
  };
  static constexpr int kPageCount = 6;

  TAssistedUninstall(TCheckTree& rootFolder, TCheckTree& startMenu, TCheckTree& regEntries,
                     TCheckTree& extensions, std::wstring logFileName);
  TAssistedUninstall(const TAssistedUninstall&) = delete;
  TAssistedUninstall& operator=(const TAssistedUninstall&) = delete;

  // Page 0's two lists as they stand, and which of them names the applications.
  bool HasDesktopIcon = true;
  std::vector<TChosenFile> DesktopRows;
  std::vector<TChosenFile> ExeRows;

  // Where page 1 opens when no chosen folder is found, and the two Start-menu programs folders,
  // each with a trailing backslash; taken from the machine, set otherwise by tests.
  std::wstring ProgramFilesDir;
  std::wstring UserProgramsDir;
  std::wstring CommonProgramsDir;

  // The paths that stand for the chosen applications; filled when page 0 is left forwards.
  std::vector<std::wstring> SelectedFiles;
  bool RootFolderPending = true;
  bool StartMenuPending = true;
  bool RegistryPending = true;
  bool ExtensionsPending = true;

  // The confirmation list.
  TDeleteRows Rows;

  TTreeShellCtrl RootFolder;
  TTreeShellCtrl StartMenu;
  TTreeRegCtrl RegEntries;
  TTreeRegCtrl Extensions;

  // Lets the window repaint between the steps of the confirmation list.
  std::function<void()> Repaint;

  const std::wstring& LogFileName() const noexcept { return logFileName_; }

  // Page 0 left with "&Next >": the "Path" of each checked row of the chosen list.
  void CollectSelectedFiles();
  // What each page does when shown (a tree built only while its flag is set; a step that throws
  // leaves the flag set).
  void PageShown(TPage page);
  void tsDesktopIconsShow();
  void tsRootFolderShow();
  void tsStartMenuFolderShow();
  void tsRegistryShow();
  void tsExtensionsShow();
  void tsConfirmationShow();

  // "\r\n" + caption for each checked row of the chosen list.
  std::wstring SelectedApplicationNames() const;
  // The answer to the "Finish" question. Yes appends the timestamp and "Uninstalling " lines,
  // runs the engine on the rows and appends the result line; No touches nothing. Either way the
  // wizard is finished. Whether every checked row ended "OK" (false after No).
  // Keys are saved and files noted in a backup beside the log, made when the first of them is
  // recorded (a key that cannot be saved stays); the record ends with a line naming the backup
  // folder, or why it could not be made, and with neither when nothing was recorded.
  bool Finish(bool confirmed, TDeleteEngine engine);
  // Folders and files go to the Recycle Bin rather than being deleted for good.
  bool UseRecycleBin = false;
  bool Finished() const noexcept { return finished_; }
  // The text "Save as log..." writes.
  std::wstring LogText() const;
  // Writes that text to the file, replacing its content.
  void SaveLog(const std::wstring& fileName) const;

private:
  std::wstring logFileName_;
  bool finished_ = false;
};
