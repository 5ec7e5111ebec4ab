// The restore window: the backed-up actions it lists, bringing one back, and the way there from
// the main window's File menu after a program was deleted from the list.
#include "uninstall/Restore.h"

#include "UninstallTestSupport.h"
#include "app/CommandIds.h"
#include "app/MainWindowTestSupport.h"
#include "dialogs/DeleteIds.h"
#include "dialogs/RestoreIds.h"
#include "inventory/Registry.h"
#include "uninstall/Logging.h"
#include "win/RegistryTree.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <set>
#include <thread>

using namespace testing_support;

namespace {

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[1024] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

int Rows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

void SelectRow(HWND list, int row) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

TEST(RestoreWindow, ListsTheActionsNewestFirstSaysWhyOneFailsAndBringsAnotherBack) {
  TTestKey key;
  TTempDir dir;
  const std::wstring root = dir.Path() + L"Backups";

  // No backups: the window says so and offers only Close.
  {
    TfRestore dialog(root);
    std::wstring details;
    bool restoreEnabled = true;
    int rows = -1;
    INT_PTR result;
    {
      TDialogDriver driver([&] {
        HWND hwnd = WaitForDialog(L"Restore");
        if (!hwnd) return;
        details = ControlText(GetDlgItem(hwnd, IDC_RES_DETAILS));
        restoreEnabled = IsWindowEnabled(GetDlgItem(hwnd, IDC_RES_RESTORE)) != FALSE;
        rows = Rows(GetDlgItem(hwnd, IDC_RES_LIST));
        PostClick(GetDlgItem(hwnd, IDCANCEL));
      });
      result = dialog.ShowModal(nullptr);
    }
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(dialog.Restored());
    EXPECT_EQ(rows, 0);
    EXPECT_FALSE(restoreEnabled);
    EXPECT_EQ(details,
              L"There is nothing to restore: no registry key has been deleted and backed up yet.");
  }

  key.SetString(L"Vendor\\Tool", L"Path", L"C:\\Tools\\Tool");
  key.SetDword(L"Vendor\\Tool\\Settings", L"Level", 7);
  key.AddProgram(L"Broken", L"Broken", L"b.exe");
  TBackup older(root, L"Assisted Uninstall", L"Tool");
  older.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Vendor\\Tool");
  older.NoteFile(kBackupRecycled, L"C:\\Program Files\\Tool");
  older.NoteFile(kBackupDeleted, L"C:\\Users\\Public\\Desktop\\Tool.lnk");
  TBackup newer(root, L"Delete From List", L"Broken");
  newer.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Uninstall\\Broken");
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Tool"));
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Uninstall\\Broken"));
  // The newer backup's file is damaged.
  const std::wstring damaged = newer.Folder() + L"key 1.reg";
  ASSERT_TRUE(DeleteFileW(damaged.c_str()));
  dir.MakeFile(L"Backups\\" + damaged.substr(root.size() + 1), "not a registry file");
  std::vector<TBackupAction> actions = ListBackups(root);
  ASSERT_EQ(actions.size(), 2u);

  TfRestore dialog(root);
  std::vector<std::wstring> first, second;
  std::wstring failure, firstDetails, secondDetails, done;
  bool failedStaysOpen = false;
  INT_PTR result;
  {
    TDialogDriver driver([&] {
      HWND hwnd = WaitForDialog(L"Restore");
      if (!hwnd) return;
      HWND list = GetDlgItem(hwnd, IDC_RES_LIST);
      if (Rows(list) != 2) return PostClick(GetDlgItem(hwnd, IDCANCEL));
      for (int column = 0; column < 4; ++column) {
        first.push_back(Cell(list, 0, column));
        second.push_back(Cell(list, 1, column));
      }
      firstDetails = ControlText(GetDlgItem(hwnd, IDC_RES_DETAILS));
      failure = ClickForMessage(hwnd, IDC_RES_RESTORE);  // the newest, selected at the start
      failedStaysOpen = IsWindowVisible(hwnd) != FALSE;
      SelectRow(list, 1);
      secondDetails = ControlText(GetDlgItem(hwnd, IDC_RES_DETAILS));
      done = ClickForMessage(hwnd, IDC_RES_RESTORE);
      if (IsWindow(hwnd)) PostClick(GetDlgItem(hwnd, IDCANCEL));
    });
    result = dialog.ShowModal(nullptr);
  }
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(dialog.Restored());

  EXPECT_EQ(first, (std::vector<std::wstring>{TfRestore::DateText(actions[0].Time),
                                               L"Delete From List", L"Broken",
                                               L"HKEY_CURRENT_USER\\" + key.Path() +
                                                   L"\\Uninstall\\Broken"}));
  EXPECT_EQ(second, (std::vector<std::wstring>{
                        TfRestore::DateText(actions[1].Time), L"Assisted Uninstall", L"Tool",
                        L"HKEY_CURRENT_USER\\" + key.Path() +
                            L"\\Vendor\\Tool; C:\\Program Files\\Tool (in the Recycle Bin); "
                            L"C:\\Users\\Public\\Desktop\\Tool.lnk (deleted)"}));
  EXPECT_NE(TfRestore::DateText(actions[0].Time), actions[0].Time);  // shown the user's way
  EXPECT_EQ(firstDetails, L"Broken\r\nRegistry key: HKEY_CURRENT_USER\\" + key.Path() +
                              L"\\Uninstall\\Broken");
  EXPECT_EQ(secondDetails, TfRestore::DetailsText(actions[1]));

  // The failure names the file and keeps the window open; nothing of it was written.
  EXPECT_TRUE(failure.starts_with(L"The backup could not be restored completely. ")) << failure;
  EXPECT_NE(failure.find(damaged), std::wstring::npos) << failure;
  EXPECT_TRUE(failedStaysOpen);
  EXPECT_FALSE(key.Exists(L"Uninstall\\Broken"));

  // The older one brings its key back and names what to take from the Recycle Bin.
  EXPECT_EQ(done,
            L"The registry keys of this action are back.\r\n\r\nThese files and folders were moved "
            L"to the Recycle Bin. To take them back, open the Recycle Bin, select them and choose "
            L"Restore:\r\nC:\\Program Files\\Tool\r\n\r\nThese were deleted for good and cannot be "
            L"brought back:\r\nC:\\Users\\Public\\Desktop\\Tool.lnk");
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.OpenKeyReadOnly(key.Path() + L"\\Vendor\\Tool\\Settings"));
  EXPECT_EQ(reg.ReadInteger(L"Level"), 7);
  // Backups are never removed by restoring them.
  EXPECT_EQ(ListBackups(root).size(), 2u);
}


using main_window_testing::MainWindowTest;

// A key as the keyboard queues it for the window with the focus; with Alt held it is a system key.
void PostKey(HWND hwnd, WPARAM key, bool alt = false) {
  const LPARAM down = 1 | (alt ? LPARAM(KF_ALTDOWN) << 16 : 0);
  PostMessageW(hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
  PostMessageW(hwnd, alt ? WM_SYSKEYUP : WM_KEYUP, key, down | LPARAM(0xC0000000));
}

bool Lists(TfMain& w, const std::wstring& name) {
  for (size_t i = 0; i < w.Programs().Count(); ++i)
    if (w.Programs().Row(i).Caption == name) return true;
  return false;
}

TEST_F(MainWindowTest, RestoreInTheFileMenuBringsADeletedProgramBackIntoTheList) {
  TNewBackups backups(BackupRootBeside(TLogging::LogPath()));
  TfMain& w = Start();
  ASSERT_EQ(w.Programs().Count(), 4u);

  // "Restore..." stands before "Exit", set apart by a separator.
  HMENU file = GetSubMenu(w.MainMenu(), TfMain::mpFile);
  const int count = GetMenuItemCount(file);
  ASSERT_GE(count, 3);
  EXPECT_EQ(GetMenuItemID(file, count - 1), static_cast<UINT>(cmExit));
  EXPECT_EQ(GetMenuItemID(file, count - 3), static_cast<UINT>(cmRestore));
  MENUITEMINFOW separator{};
  separator.cbSize = sizeof separator;
  separator.fMask = MIIM_FTYPE;
  GetMenuItemInfoW(file, static_cast<UINT>(count - 2), TRUE, &separator);
  EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
  wchar_t caption[64] = {};
  GetMenuStringW(file, cmRestore, caption, 64, MF_BYCOMMAND);
  EXPECT_STREQ(caption, L"&Restore...");

  // Delta Browser is deleted from the list.
  w.lvPrograms().Select(2, false);
  ASSERT_EQ(SelectedCaption(), L"Delta Browser");
  {
    TDialogDriver driver([&] {
      if (HWND remove = WaitForDialog(L"Delete From List"))
        PostClick(GetDlgItem(remove, IDC_DEL_DELETE));
    });
    Command(cmDelete);
  }
  ASSERT_EQ(w.Programs().Count(), 3u);
  ASSERT_FALSE(Lists(w, L"Delta Browser"));
  ASSERT_EQ(backups.New().size(), 1u);

  // File, Restore..., the newest action, Restore.
  std::wstring action, program, message;
  HWND focus = w.lvPrograms().Handle();
  std::thread user([&] {
    // The File menu is open: its access key R chooses "Restore...".
    if (!WaitForWindowOfClass(L"#32768")) return;
    PostKey(focus, 'R');
    HWND dialog = WaitForDialog(L"Restore");
    if (!dialog) return;
    HWND list = GetDlgItem(dialog, IDC_RES_LIST);
    action = Cell(list, 0, 1);
    program = Cell(list, 0, 2);
    message = ClickForMessage(dialog, IDC_RES_RESTORE);
  });
  SetFocus(focus);
  PostKey(focus, 'F', true);
  const ULONGLONG end = GetTickCount64() + 30000;
  while (w.Programs().Count() != 4 && GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    main_window_testing::PumpWithShortcuts(w);
  }
  user.join();
  EXPECT_EQ(action, L"Delete From List");
  EXPECT_EQ(program, L"Delta Browser");
  EXPECT_EQ(message, L"The registry keys of this action are back.");
  EXPECT_EQ(w.Programs().Count(), 4u);
  EXPECT_TRUE(Lists(w, L"Delta Browser"));
  EXPECT_TRUE(key.Exists(L"Uninstall\\D"));
}

}  // namespace
