// The restore window: the backed-up actions it lists, bringing one back, and the way there from
// the main window's File menu after a program was deleted from the list.
#include "uninstall/Restore.h"

#include "UninstallTestSupport.h"
#include "app/CommandIds.h"
#include "app/MainWindowTestSupport.h"
#include "assisted/ProtectedPlaces.h"
#include "dialogs/DeleteIds.h"
#include "dialogs/RestoreIds.h"
#include "inventory/Registry.h"
#include "uninstall/Logging.h"
#include "win/RegistryTree.h"
#include "win/Text.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <functional>
#include <regex>
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

const char kTimestamp[] = "\r\n[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";

// The window opened on the backups beside a log, worked by a script from a second thread.
INT_PTR ShowRestore(const std::wstring& log, const std::function<void(HWND)>& script,
                    bool* restored = nullptr) {
  TfRestore dialog(log, IsProtectedKey);
  INT_PTR result;
  {
    TDialogDriver driver([&] {
      if (HWND hwnd = WaitForDialog(L"Restore")) script(hwnd);
    });
    result = dialog.ShowModal(nullptr);
  }
  if (restored) *restored = dialog.Restored();
  return result;
}

TEST(RestoreWindow, SaysWhyNothingIsListedWhenTheBackupsFolderCannotBeRead) {
  TTempDir dir;
  const std::wstring log = dir.Path() + L"ULog.txt";
  for (bool fileInItsPlace : {false, true}) {
    if (fileInItsPlace) dir.MakeFile(L"Backups", "");
    std::wstring details;
    bool restoreEnabled = true;
    int rows = -1;
    bool restored = true;
    EXPECT_EQ(ShowRestore(log,
                          [&](HWND hwnd) {
                            details = ControlText(GetDlgItem(hwnd, IDC_RES_DETAILS));
                            restoreEnabled = IsWindowEnabled(GetDlgItem(hwnd, IDC_RES_RESTORE));
                            rows = Rows(GetDlgItem(hwnd, IDC_RES_LIST));
                            PostClick(GetDlgItem(hwnd, IDCANCEL));
                          },
                          &restored),
              IDCANCEL);
    EXPECT_FALSE(restored);
    EXPECT_EQ(rows, 0);
    EXPECT_FALSE(restoreEnabled);
    EXPECT_EQ(details,
              fileInItsPlace
                  ? L"The backup folder " + dir.Path() +
                        L"Backups\\ cannot be read: a file of that name is in its place."
                  : L"There is nothing to restore: no registry key has been deleted and backed up "
                    L"yet.");
  }
}

TEST(RestoreWindow, RefusesAChangedBackupBringsAnotherBackAndMarksLogsAndAsksBeforeRedoingIt) {
  TTestKey key;
  TTempDir dir;
  const std::wstring log = dir.Path() + L"ULog.txt";
  const std::wstring root = dir.Path() + L"Backups";
  key.SetString(L"Vendor\\Tool", L"Path", L"C:\\Tools\\Tool");
  key.SetDword(L"Vendor\\Tool\\Settings", L"Level", 7);
  key.SetString(L"Target", L"Shared", L"kept");
  key.AddLink(L"Vendor\\Tool\\Shortcut", L"Target");
  key.AddProgram(L"Broken", L"Broken", L"b.exe");
  TBackup older(root, L"Assisted Uninstall", L"Tool");
  older.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Vendor\\Tool");
  older.NoteFile(kBackupRecycled, L"C:\\Program Files\\Tool");
  older.NoteFile(kBackupDeleted, L"C:\\Users\\Public\\Desktop\\Tool.lnk");
  TBackup newer(root, L"Delete From List", L"Broken");
  newer.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Uninstall\\Broken");
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Tool"));
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Uninstall\\Broken"));
  // The newer backup's file was changed after it was saved.
  const std::wstring damaged = newer.Folder() + L"key 1.reg";
  ASSERT_TRUE(DeleteFileW(damaged.c_str()));
  dir.MakeFile(L"Backups\\" + damaged.substr(root.size() + 1), "not a registry file");
  std::vector<TBackupAction> actions = ListBackups(root);
  ASSERT_EQ(actions.size(), 2u);

  std::vector<std::wstring> first, second;
  std::wstring failure, firstDetails, secondDetails, done;
  bool failedStaysOpen = false, restored = false;
  EXPECT_EQ(ShowRestore(log,
                        [&](HWND hwnd) {
                          HWND list = GetDlgItem(hwnd, IDC_RES_LIST);
                          if (Rows(list) != 2) return PostClick(GetDlgItem(hwnd, IDCANCEL));
                          for (int column = 0; column < 4; ++column) {
                            first.push_back(Cell(list, 0, column));
                            second.push_back(Cell(list, 1, column));
                          }
                          firstDetails = ControlText(GetDlgItem(hwnd, IDC_RES_DETAILS));
                          // The newest, selected at the start.
                          failure = ClickForMessage(hwnd, IDC_RES_RESTORE);
                          failedStaysOpen = IsWindowVisible(hwnd) != FALSE;
                          SelectRow(list, 1);
                          secondDetails = ControlText(GetDlgItem(hwnd, IDC_RES_DETAILS));
                          done = ClickForMessage(hwnd, IDC_RES_RESTORE);
                          if (IsWindow(hwnd)) PostClick(GetDlgItem(hwnd, IDCANCEL));
                        },
                        &restored),
            IDOK);
  EXPECT_TRUE(restored);

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

  // The refusal names the file and keeps the window open; nothing of it was written.
  const std::wstring refusal = L"The backup file " + damaged +
                               L" is not the one that was saved: its size or content has changed.";
  EXPECT_EQ(failure, L"The backup was not restored; nothing was written. " + refusal);
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
  ASSERT_TRUE(reg.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Vendor\\Tool\\Settings"));
  EXPECT_EQ(reg.ReadInteger(L"Level"), 7);

  // Listed as restored from then on. Restoring it again asks first: "No" leaves it, "Yes" writes
  // the same keys again, link and all.
  std::vector<TBackupAction> marked = ListBackups(root);
  ASSERT_EQ(marked.size(), 2u);
  EXPECT_EQ(marked[0].Restored, L"");
  const std::wstring firstRestore = marked[1].Restored;
  ASSERT_EQ(firstRestore.size(), 19u);
  key.SetDword(L"Vendor\\Tool\\Settings", L"Level", 8);
  std::wstring action, details, question, declined, again;
  EXPECT_EQ(ShowRestore(log, [&](HWND hwnd) {
              HWND list = GetDlgItem(hwnd, IDC_RES_LIST);
              SelectRow(list, 1);
              action = Cell(list, 1, 1);
              details = ControlText(GetDlgItem(hwnd, IDC_RES_DETAILS));
              declined = ClickForMessage(hwnd, IDC_RES_RESTORE, IDNO);
              PostClick(GetDlgItem(hwnd, IDC_RES_RESTORE));
              question = AnswerMessage(hwnd, IDYES);
              again = AnswerMessage(hwnd);
            }),
            IDOK);
  EXPECT_EQ(action, L"Assisted Uninstall (restored)");
  EXPECT_EQ(details, TfRestore::DetailsText(actions[1]) + L"\r\nRestored: " +
                         TfRestore::DateText(firstRestore));
  EXPECT_EQ(declined, question);
  EXPECT_TRUE(question.starts_with(L"The keys of this action were put back on " +
                                   TfRestore::DateText(firstRestore)))
      << win::ToUtf8(question);
  EXPECT_EQ(again, done);
  ASSERT_TRUE(reg.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Vendor\\Tool\\Settings"));
  EXPECT_EQ(reg.ReadInteger(L"Level"), 7);
  ASSERT_TRUE(reg.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Vendor\\Tool\\Shortcut"));
  EXPECT_EQ(reg.ReadString(L"Shared"), L"kept");
  // Backups are never removed by restoring them; the latest restore is the one noted.
  std::vector<TBackupAction> after = ListBackups(root);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_GE(after[1].Restored, firstRestore);

  // Each restore has its record in the log, refused or not; the one declined has none.
  const std::string broken = "Restoring Broken\r\nNot restored, nothing was written: " +
                             Literal(refusal) + "\r\n" + BackupLinePattern(actions[0]);
  const std::string tool = "Restoring Tool\r\nRestored OK\\.\r\n" + BackupLinePattern(actions[1]);
  const std::string written = ReadBytes(log);
  EXPECT_TRUE(std::regex_match(written, std::regex(kTimestamp + broken + kTimestamp + tool +
                                                   kTimestamp + tool)))
      << written;
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
