// TfMain: the main window. Its toolbar, menus, side bar, splitter, program list and status line,
// its start-up steps, and the commands started from it.
#pragma once

#include "app/CommandIds.h"
#include "app/CommandLine.h"
#include "app/ProgramListView.h"
#include "app/Startup.h"
#include "app/WinSettings.h"
#include "inventory/IconCache.h"
#include "inventory/NormalUninstall.h"
#include "inventory/ProgramList.h"
#include "inventory/Utils.h"
#include "leftovers/ProgramFacts.h"
#include "win/UniqueHandle.h"
#include "win/Window.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

class TFolderSizer;
class TSideBar;
class TUPClickSplitter;
class TXPMenu;

using win::kApplicationTitle;
extern const wchar_t kMainCaption[];

// What a dropped shortcut file proposes as a new program entry.
struct TNewProgramRequest {
  std::wstring KeyName;
  std::wstring DisplayName;
  std::wstring UninstallCommand;
  std::wstring DisplayIcon;
};
TNewProgramRequest ProgramFromShortcut(const TShortcutInfo& shortcut);

class TfMain : public win::TWindow, private TSettingsWindow {
public:
  // Designed at 96 DPI.
  static constexpr int kSideBarWidth = 210;
  static constexpr int kSplitterWidth = 7;
  // The least room the list keeps when the window is made small, at 96 DPI.
  static constexpr int kMinListWidth = 240;
  static constexpr int kMinListHeight = 150;
  // The drop-down menus of the menu bar, by position.
  enum TMenuPosition : int { mpFile, mpUninstall, mpView, mpReports, mpTools, mpHelp };
  // The end of both "not found" messages.
  static constexpr wchar_t kNotFoundSuffix[] = L") was not found";

  TfMain(TWinSettings& settings, TCommandLine commandLine,
         std::vector<TUninstallSource> sources = TUninstallSource::All());
  ~TfMain() override;

  // Makes the window and runs its creation steps; throws what made creation fail, and then no
  // window is left. Afterwards Terminated() tells whether a switch has done its work and the
  // program ends with ExitCode() without showing the window.
  void Create();
  bool Terminated() const noexcept { return terminated_; }
  int ExitCode() const noexcept { return exitCode_; }
  // Shows the window as start-up does (the first activation follows).
  void Show(int showCommand);
  // What the message loop asks before dispatching: the menu shortcut keys and moving between the
  // controls with Tab. True when the message has been handled.
  bool PreTranslateMessage(MSG& msg);

  // The commands, as the controls start them.
  void tbUninstallClick();
  void tbAssistedClick();
  void tbDeleteClick();
  void tbDetailsClick();
  void Editprogramdetails1Click();
  // Opens the new program dialog, empty or filled from a dropped shortcut.
  void NewProgram1Click(const TNewProgramRequest* request = nullptr);
  void AuditReport1Click();
  void Uninstalllog1Click();
  void Restore1Click();
  // Leftovers of the selected program, of a program removed earlier, and the window showing them.
  void FindLeftovers1Click();
  void FindRemovedLeftovers1Click();
  void ShowLeftovers(const TProgramFacts& program);
  // The leftovers window over the owner; whether anything was removed.
  bool ShowLeftoversOver(HWND owner, const TProgramFacts& program);
  void tbHelpClick();
  void tbUpdateClick();
  void Welcomebox1Click();
  void About1Click();
  void Exit1Click();
  void Refresh1Click();
  void spbuFindClick();
  void ChangeViewStyle(int style);
  // View > Check Boxes: shows or hides the rows' check boxes.
  void CheckBoxes1Click();
  // View > Show: the kinds of programs the list hides; kept in the window settings.
  void ChangeNarrowing(const TListNarrowing& narrowing);
  void Options1Click();

  // For the program's own use and its tests.
  TProgramList& Programs() noexcept { return programs_; }
  TProgramListView& lvPrograms() noexcept { return list_; }
  HWND Toolbar() const noexcept { return toolbar_; }
  HWND StatusBar() const noexcept { return status_; }
  HWND FindEdit() const noexcept;
  // The filter box above the list.
  HWND FilterEdit() const noexcept { return filter_; }
  TSideBar& SideBar() noexcept { return *sideBar_; }
  TUPClickSplitter& Splitter() noexcept { return *splitter_; }
  HMENU MainMenu() const noexcept { return menu_; }
  HMENU PopupMenu() const noexcept { return popup_.Get(); }
  TXPMenu& XPMenu() noexcept { return *xpMenu_; }
  std::wstring StatusText() const;

  // Install folders and measured sizes, found after the list is shown (MainFacts.cpp).
  static constexpr UINT kFolderSizesMessage = WM_APP + 1;
  TFolderSizer* FolderSizer() noexcept { return sizer_.get(); }
  // On unless turned off before the window is shown (the benchmark compares both).
  void SetFolderSizing(bool on) noexcept { folderSizing_ = on; }
  void StartFolderSizes();
  void TakeFolderSizes();
  // Runs the selected entry's modify or repair command and scans again.
  void ModifyOrRepairClick(bool repair);
  // The header's menu: every column with a tick; an optional column's item shows or hides it. At
  // a screen point, or below the header for (-1, -1).
  void HeaderMenu(int x, int y);
  HMENU ColumnMenu() const noexcept { return columnMenu_.Get(); }
  // Shows or hides the optional column at that place of the column menus.
  void ToggleColumn(int place);

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  void FormCreate();
  void FormActivate();
  void FormDestroy();
  void CreateMenus();
  void ActivateMenuPainter();
  void SetMenuImages();
  void CreateToolbar();
  void SetToolbarImages();
  void CreateControls();
  void CreateFilterBox();
  void SetFilterFont();
  // The strip above the list that holds the filter box, and the box placed in it.
  int FilterStripHeight() const;
  void PlaceFilterBox(int left, int top, int width, int height);
  void FilterChanged();
  void FocusFilter();
  void OnShowCommand(int id);
  // The View > Show items' marks, from the list's narrowing.
  void CheckShowItems();
  // Applies the Options window's log file, Recycle Bin and list choices from the settings.
  void ApplySettings();
  void Layout();
  SIZE MinimumSize() const;
  void OnActivate(WPARAM wp);
  void OnCommand(int id);
  LRESULT OnNotify(NMHDR& header);
  void OnContextMenu(int x, int y);
  void OnHelp(const HELPINFO& info);
  void popmenuActionPopup();
  void View1Click();
  void EnableModifyAndRepair(HMENU menu);
  // A menu of every column (the header's, and View's "Columns"), ticked as the list shows them.
  HMENU MakeColumnMenu();
  void UpdateColumnMenu(HMENU menu);

  void OnDropFiles(HDROP drop);
  void lvProgramsChange();
  void lvProgramsSelectItem(bool selected);
  void lvProgramsClick();
  bool paQuickCanResize(int& newWidth);
  // After a failed printout: the program goes on with its main window.
  void PrintFailed();
  // Shows an information box under the application title.
  void Inform(const wchar_t* text);
  // The selected program's entry, or null after telling the user to select one.
  TUninstListItem* SelectedEntry(const wchar_t* message);
  // The uninstall wizard for one program.
  void UninstallOne(TUninstListItem& entry);
  // The bulk window for several programs, in list order.
  void UninstallMany(const std::vector<TProgramRow*>& rows);

  // TSettingsWindow
  RECT NormalBounds() const override;
  void SetNormalBounds(const RECT& bounds) override;
  int WindowState() const override;
  void SetWindowState(int state) override;
  bool ApplicationMinimised() const override;

  TWinSettings& settings_;
  TCommandLine commandLine_;
  TProgramList programs_;
  TIconResolver icons_;
  TProgramListView list_;
  std::unique_ptr<TNormalUninstall> scanner_;
  std::unique_ptr<TFolderSizer> sizer_;
  bool folderSizing_ = true;
  std::vector<TUninstallSource> sources_;
  std::unique_ptr<TSideBar> sideBar_;
  std::unique_ptr<TUPClickSplitter> splitter_;
  HWND toolbar_ = nullptr;
  HWND status_ = nullptr;
  HWND filterLabel_ = nullptr;
  HWND filter_ = nullptr;
  win::UniqueHFont filterFont_;
  HMENU menu_ = nullptr;  // the window owns it and destroys it with itself
  win::UniqueHMenu popup_;
  win::UniqueHMenu columnMenu_;
  win::UniqueHAccel accelerators_;
  HWND focus_ = nullptr;  // the control that had the keyboard when the window was deactivated
  win::UniqueHImageList toolbarImages_;
  win::UniqueHImageList stateImages_;
  win::UniqueHImageList checkBoxImages_;
  win::UniqueHImageList foldImages_;
  // Draws the menu bar and the popup menu; declared after them, so it lets go of them first.
  std::unique_ptr<TXPMenu> xpMenu_;
  win::UniqueHIcon sideIcons_[3];
  bool uninstallOnActivate_ = false;
  bool terminated_ = false;
  int exitCode_ = 0;
  // Only a window that start-up went on with saves the settings: an unattended run leaves the
  // user's stored place, state and columns as they were.
  bool saveOnDestroy_ = false;
  std::exception_ptr createError_;
  int pendingShowState_ = -1;  // a stored state applied when the window is first shown
};

// The one main window of the program.
extern TfMain* fMain;
