// An action's backup folder: what it saved, how it is listed, and bringing its keys back.
#include "backup/BackupStore.h"

#include "../uninstall/UninstallTestSupport.h"
#include "win/Error.h"
#include "win/RegistryTree.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(BackupStore, AnActionsKeysAreListedNewestFirstAndRestoredExactly) {
  TTestKey key;
  TTempDir dir;
  key.SetString(L"Vendor\\Tool", L"Path", L"C:\\Tools\\Tool");
  key.SetDword(L"Vendor\\Tool\\Settings", L"Level", 7);
  key.SetString(L"Uninstall\\Tool", L"DisplayName", L"Tool | 名前");
  const std::wstring root = dir.Path() + L"Backups";

  TBackup first(root, L"Assisted Uninstall", L"Tool\r\nOther");
  first.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Vendor\\Tool");
  first.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Uninstall\\Tool");
  first.NoteFile(kBackupRecycled, L"C:\\Program Files\\Tool");
  TBackup second(root, L"Delete From List", L"Tool | 名前");
  EXPECT_NE(first.Folder(), second.Folder());
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Tool"));
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Uninstall\\Tool"));

  std::vector<TBackupAction> actions = ListBackups(root);
  ASSERT_EQ(actions.size(), 2u);
  EXPECT_EQ(actions[0].Action, L"Delete From List");
  EXPECT_EQ(actions[0].Subject, L"Tool | 名前");
  EXPECT_TRUE(actions[0].Items.empty());
  const TBackupAction& saved = actions[1];
  EXPECT_EQ(saved.Folder, first.Folder());
  EXPECT_EQ(saved.Subject, L"Tool  Other");
  EXPECT_EQ(saved.Time.size(), 19u);
  EXPECT_EQ(saved.Items, (std::vector<TBackupItem>{
                             {kBackupRegistry, L"HKEY_CURRENT_USER\\" + key.Path() + L"\\Vendor\\Tool",
                              L"key 1.reg"},
                             {kBackupRegistry,
                              L"HKEY_CURRENT_USER\\" + key.Path() + L"\\Uninstall\\Tool", L"key 2.reg"},
                             {kBackupRecycled, L"C:\\Program Files\\Tool", L""}}));

  RestoreRegistry(saved);
  EXPECT_TRUE(key.Exists(L"Vendor\\Tool\\Settings"));
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.OpenKeyReadOnly(key.Path() + L"\\Uninstall\\Tool"));
  EXPECT_EQ(reg.ReadString(L"DisplayName"), L"Tool | 名前");
}

TEST(BackupStore, AKeyThatCannotBeSavedIsReportedAndNotRecorded) {
  TTestKey key;
  TTempDir dir;
  TBackup backup(dir.Path() + L"Backups", L"Clean-Up", L"Gone");
  EXPECT_THROW(backup.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Missing"), win::TError);
  TBackupAction read;
  ASSERT_TRUE(ReadBackup(backup.Folder(), read));
  EXPECT_TRUE(read.Items.empty());
  // A folder that is not a backup is not listed; a backup folder that cannot be made is an error.
  dir.MakeFile(L"Backups\\stray\\manifest.txt", "something else\r\n");
  EXPECT_EQ(ListBackups(dir.Path() + L"Backups").size(), 1u);
  std::wstring file = dir.MakeFile(L"plain file");
  EXPECT_THROW(TBackup(file, L"Clean-Up", L"x"), win::TError);
}

}  // namespace
