// Delete from list: the dialog, its three ways out, and what it does to the registry and the log.
#include "uninstall/Delete.h"

#include "UninstallTestSupport.h"
#include "dialogs/DeleteIds.h"
#include "assisted/ProtectedPlaces.h"
#include "backup/RegFile.h"
#include "inventory/NormalUninstall.h"
#include "uninstall/UninstallLogic.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <regex>
#include <vector>

using namespace testing_support;

namespace {

const char kTimestamp[] = "\r\n[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";

class DeleteTest : public ::testing::Test {
protected:
  std::wstring Log() const { return dir.Path() + L"ULog.txt"; }
  INT_PTR Show(TUninstListItem& entry, int button) {
    return Show(entry, [&](HWND hwnd) { PostClick(GetDlgItem(hwnd, button)); });
  }
  INT_PTR Show(TUninstListItem& entry, std::function<void(HWND)> script) {
    TfDelete dialog(entry, Log());
    TDialogDriver driver([&] {
      HWND hwnd = WaitForDialog(L"Delete From List");
      if (!hwnd) return;
      warning = ControlText(GetDlgItem(hwnd, IDC_DEL_WARNING));
      focusOnVisibleControl = IsWindowVisible(GetFocusOf(hwnd)) != FALSE;
      script(hwnd);
    });
    return dialog.ShowModal(nullptr);
  }
  std::vector<TBackupAction> Backups() const { return ListBackups(dir.Path() + L"Backups"); }
  static HWND GetFocusOf(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
  }

  TTestKey key;
  TTempDir dir;
  TProgramList list;
  std::wstring warning;
  bool focusOnVisibleControl = true;
};

TEST_F(DeleteTest, DeleteRemovesTheKeyWithItsSubkeysLogsItAndLeavesABackupThatBringsItBack) {
  key.AddProgram(L"Old", L"Old 50% Tool", L"C:\\gone\\un.exe");
  key.SetString(L"Uninstall\\Old\\Sub\\Deeper", L"v", L"1");
  key.SetBinary(L"Uninstall\\Old", L"Blob", {0, 1, 0xFE});
  key.SetString(L"Uninstall\\Old", L"Path", L"%ProgramFiles%\\Old", REG_EXPAND_SZ);
  key.SetString(L"ARPCache\\Old", L"x", L"kept");
  const std::wstring entryKey = key.Path() + L"\\Uninstall\\Old";
  const std::wstring saved = RegFileText(HKEY_CURRENT_USER, 0, entryKey);
  TUninstListItem& entry = AddEntry(list, key, L"Old", L"Old 50% Tool", L"C:\\gone\\un.exe");
  EXPECT_EQ(Show(entry, IDC_DEL_DELETE), IDYES);
  EXPECT_FALSE(key.Exists(L"Uninstall\\Old"));
  EXPECT_TRUE(key.Exists(L"ARPCache\\Old"));  // only the one key is touched
  EXPECT_FALSE(Listed(key, L"Old 50% Tool"));
  EXPECT_EQ(warning, TfDelete::WarningText(L"Old 50% Tool"));
  EXPECT_FALSE(focusOnVisibleControl);

  // One backup beside the log, named in the record's last line.
  std::vector<TBackupAction> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(backups[0].Action, L"Delete From List");
  EXPECT_EQ(backups[0].Subject, L"Old 50% Tool");
  ASSERT_EQ(backups[0].Items.size(), 1u);
  EXPECT_EQ(backups[0].Items[0].Path, L"HKEY_CURRENT_USER\\" + entryKey);
  std::string log = ReadBytes(Log());
  EXPECT_TRUE(std::regex_match(log, std::regex(std::string(kTimestamp) +
                                               "Deleting entry Old 50% Tool\r\nDeleted OK\\.\r\n" +
                                               BackupLinePattern(backups[0]))))
      << log;

  // Restored, the entry is there again as it was, value by value, and listed again.
  RestoreRegistry(backups[0], IsProtectedKey);
  EXPECT_EQ(RegFileText(HKEY_CURRENT_USER, 0, entryKey), saved);
  EXPECT_TRUE(Listed(key, L"Old 50% Tool"));
}

TEST_F(DeleteTest, AnEntryWhoseBackupCannotBeMadeIsKeptAndTheDialogSaysWhy) {
  key.AddProgram(L"Kept", L"Kept Tool", L"C:\\gone\\un.exe");
  key.SetString(L"Uninstall\\Kept\\Sub", L"v", L"1");
  dir.MakeFile(L"Backups");  // a plain file where the backups belong
  TUninstListItem& entry = AddEntry(list, key, L"Kept", L"Kept Tool", L"C:\\gone\\un.exe");
  std::wstring message;
  bool stillOpen = false;
  EXPECT_EQ(Show(entry,
                 [&](HWND hwnd) {
                   message = ClickForMessage(hwnd, IDC_DEL_DELETE);
                   // Once the box is answered, the dialog is still there to cancel.
                   stillOpen = IsWindowVisible(hwnd) != FALSE;
                   PostClick(GetDlgItem(hwnd, IDCANCEL));
                 }),
            IDCANCEL);
  const std::wstring reason = L"The backup folder " + dir.Path() +
                              L"Backups\\ cannot be made: a file of that name is in its place.";
  EXPECT_EQ(message, KeptForBackupMessage(L"Kept Tool", reason));
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(key.Exists(L"Uninstall\\Kept\\Sub"));
  std::string log = ReadBytes(Log());
  EXPECT_TRUE(std::regex_match(
      log, std::regex(std::string(kTimestamp) +
                      "Deleting entry Kept Tool\r\nFailed to delete entry\\.\r\nBackup failed: " +
                      Literal(reason) + "\r\n")))
      << log;
}

// Shuts everyone out of a key (an access list without entries) until the end of the scope; the
// handle that did it keeps the right to put the old list back.
class TLockedKey {
public:
  TLockedKey(HKEY root, const std::wstring& path) {
    if (RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL | WRITE_DAC, key_.Put()) !=
        ERROR_SUCCESS)
      return;
    DWORD size = 0;
    RegGetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    old_.resize(size);
    if (RegGetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, old_.data(), &size) !=
        ERROR_SUCCESS)
      return;
    ACL empty;
    SECURITY_DESCRIPTOR locked;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    InitializeSecurityDescriptor(&locked, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&locked, TRUE, &empty, FALSE);
    locked_ = RegSetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, &locked) == ERROR_SUCCESS;
  }
  ~TLockedKey() {
    if (locked_) RegSetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, old_.data());
  }
  bool Locked() const noexcept { return locked_; }

private:
  win::UniqueHKey key_;
  std::vector<BYTE> old_;
  bool locked_ = false;
};

TEST_F(DeleteTest, AnEntryWithASubkeyThatCannotBeReadIsKeptAndLeavesNoBackup) {
  key.AddProgram(L"Locked", L"Locked Tool", L"C:\\gone\\un.exe");
  key.SetString(L"Uninstall\\Locked\\Secret", L"v", L"1");
  TUninstListItem& entry = AddEntry(list, key, L"Locked", L"Locked Tool", L"C:\\gone\\un.exe");
  const std::wstring secret = key.Path() + L"\\Uninstall\\Locked\\Secret";
  std::wstring message;
  {
    TLockedKey lock(HKEY_CURRENT_USER, secret);
    ASSERT_TRUE(lock.Locked());
    win::UniqueHKey probe;
    ASSERT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, secret.c_str(), 0, KEY_READ, probe.Put()),
              ERROR_SUCCESS);
    EXPECT_EQ(Show(entry,
                   [&](HWND hwnd) {
                     message = ClickForMessage(hwnd, IDC_DEL_DELETE);
                     PostClick(GetDlgItem(hwnd, IDCANCEL));
                   }),
              IDCANCEL);
  }
  EXPECT_TRUE(message.starts_with(KeptForBackupMessage(L"Locked Tool", L""))) << message;
  EXPECT_NE(message.find(L"Secret"), std::wstring::npos) << message;
  EXPECT_TRUE(key.Exists(L"Uninstall\\Locked\\Secret"));
  EXPECT_TRUE(Backups().empty());
  std::string log = ReadBytes(Log());
  EXPECT_TRUE(std::regex_match(
      log, std::regex(std::string(kTimestamp) +
                      "Deleting entry Locked Tool\r\nFailed to delete entry\\.\r\n"
                      "Backup failed: [^\r\n]*Secret[^\r\n]*\r\n")))
      << log;
}

TEST_F(DeleteTest, DeleteTakesTheEntryFromItsOwnRootAndViewOnly) {
  TSourceTrees trees;
  using P = TSourceTrees;
  for (auto [place, name] : {std::pair{P::Machine, L"Tool 64"}, std::pair{P::Machine32, L"Tool 32"},
                             std::pair{P::User, L"Tool User"}})
    trees.AddProgram(place, L"Tool", name, L"C:\\gone\\un.exe");
  TNormalUninstall scanner(trees.Sources());
  scanner.SetListView(&list);
  scanner.Scan();
  ASSERT_EQ(list.Count(), 3u);
  // In name order: "Tool 32", "Tool 64", "Tool User".
  EXPECT_EQ(Show(*list.Row(2).Entry, IDC_DEL_DELETE), IDYES);
  EXPECT_FALSE(trees.Exists(P::User, L"Tool"));
  EXPECT_TRUE(trees.Exists(P::Machine, L"Tool"));
  EXPECT_TRUE(trees.Exists(P::Machine32, L"Tool"));
  EXPECT_EQ(Show(*list.Row(0).Entry, IDC_DEL_DELETE), IDYES);
  EXPECT_FALSE(trees.Exists(P::Machine32, L"Tool"));
  EXPECT_TRUE(trees.Exists(P::Machine, L"Tool"));
  std::vector<TBackupAction> backups = Backups();  // newest first
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_TRUE(std::regex_match(
      ReadBytes(Log()),
      std::regex(std::string(kTimestamp) + "Deleting entry Tool User\r\nDeleted OK\\.\r\n" +
                 BackupLinePattern(backups[1]) + kTimestamp +
                 "Deleting entry Tool 32\r\nDeleted OK\\.\r\n" + BackupLinePattern(backups[0]))));
  // The 32-bit entry comes back in its own view.
  RestoreRegistry(backups[0], IsProtectedKey);
  EXPECT_TRUE(trees.Exists(P::Machine32, L"Tool"));
  EXPECT_FALSE(trees.Exists(P::User, L"Tool"));
}

TEST_F(DeleteTest, AKeyAlreadyGoneIsLoggedAsAFailedDeletionWithNothingToBackUp) {
  TUninstListItem& entry = AddEntry(list, key, L"Vanished", L"Vanished", L"x.exe");
  EXPECT_EQ(Show(entry, IDC_DEL_DELETE), IDYES);
  EXPECT_TRUE(std::regex_match(
      ReadBytes(Log()),
      std::regex(std::string(kTimestamp) + "Deleting entry Vanished\r\nFailed to delete entry\\.\r\n")));
  EXPECT_TRUE(Backups().empty());
}

TEST_F(DeleteTest, TryToUninstallAndCancelTouchNothing) {
  key.AddProgram(L"Keep", L"Keep", L"k.exe");
  TUninstListItem& entry = AddEntry(list, key, L"Keep", L"Keep", L"k.exe");
  EXPECT_EQ(Show(entry, IDC_DEL_UNINSTALL), IDOK);
  EXPECT_EQ(Show(entry, IDCANCEL), IDCANCEL);
  EXPECT_TRUE(key.Exists(L"Uninstall\\Keep"));
  EXPECT_EQ(ReadBytes(Log()), "<missing>");
}

TEST(DeleteWarning, CutsAVeryLongNameShortAndKeepsTheWarning) {
  std::wstring name(300000, L'N');
  name[126] = L'\xD83D';  // a character of two code units across the cut is left out whole
  name[127] = L'\xDE00';
  std::wstring text = TfDelete::WarningText(name);
  EXPECT_EQ(text.substr(0, text.find(L"\r\n")),
            L"Are you sure you want to delete " + std::wstring(126, L'N') +
                L"\u2026 from the list of programs installed on your computer ?");
  EXPECT_EQ(text.substr(text.find(L"\r\n")), TfDelete::WarningText(L"x").substr(
                                                 TfDelete::WarningText(L"x").find(L"\r\n")));
  // Names up to the limit are shown whole.
  std::wstring limit(128, L'L');
  EXPECT_NE(TfDelete::WarningText(limit).find(limit + L" from the list"), std::wstring::npos);
}

TEST(DeleteWarning, AsksAboutTheProgramAboveTheFixedWarning) {
  std::wstring text = TfDelete::WarningText(L"100% Кофе %s");
  EXPECT_EQ(text.substr(0, text.find(L"\r\n\r\n")),
            L"Are you sure you want to delete 100% Кофе %s from the list of programs installed "
            L"on your computer ?");
  EXPECT_NE(text.find(L"\r\n\r\nWARNING : You should only delete the entries for programs that "
                      L"you \r\nknow for sure"),
            std::wstring::npos);
  EXPECT_TRUE(text.ends_with(L"\r\nTo check if the program is really gone, please try to "
                             L"uninstall it first."));
}

TEST_F(DeleteTest, DeleteRemovesLinksInTheEntryAndLeavesWhatTheyPointTo) {
  key.AddProgram(L"Linked", L"Linked", L"C:\\gone\\un.exe");
  key.AddProgram(L"Neighbour", L"Neighbour", L"C:\\gone\\un.exe");
  key.SetString(L"Elsewhere", L"v", L"kept");
  key.AddLink(L"Uninstall\\Linked\\Out", L"Elsewhere");
  key.AddLink(L"Uninstall\\Linked\\Self", L"Uninstall\\Linked");
  key.AddLink(L"Uninstall\\Linked\\Parent", L"Uninstall");
  TUninstListItem& entry = AddEntry(list, key, L"Linked", L"Linked", L"C:\\gone\\un.exe");

  EXPECT_EQ(Show(entry, IDC_DEL_DELETE), IDYES);
  EXPECT_FALSE(key.Exists(L"Uninstall\\Linked"));
  EXPECT_TRUE(key.Exists(L"Uninstall\\Neighbour"));
  EXPECT_TRUE(key.Exists(L"Elsewhere"));
  std::vector<TBackupAction> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      ReadBytes(Log()), std::regex(std::string(kTimestamp) +
                                   "Deleting entry Linked\r\nDeleted OK\\.\r\n" +
                                   BackupLinePattern(backups[0]))));
}

}  // namespace
