// Delete from list: the dialog, its three ways out, and what it does to the registry and the log.
#include "uninstall/Delete.h"

#include "UninstallTestSupport.h"
#include "dialogs/DeleteIds.h"
#include "inventory/NormalUninstall.h"

#include <gtest/gtest.h>

#include <regex>

using namespace testing_support;

namespace {

const char kTimestamp[] = "\r\n[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";

class DeleteTest : public ::testing::Test {
protected:
  std::wstring Log() const { return dir.Path() + L"ULog.txt"; }
  INT_PTR Show(TUninstListItem& entry, int button) {
    TfDelete dialog(entry, Log());
    TDialogDriver driver([&] {
      HWND hwnd = WaitForDialog(L"Delete From List");
      if (!hwnd) return;
      warning = ControlText(GetDlgItem(hwnd, IDC_DEL_WARNING));
      focusOnVisibleControl = IsWindowVisible(GetFocusOf(hwnd)) != FALSE;
      PostClick(GetDlgItem(hwnd, button));
    });
    return dialog.ShowModal(nullptr);
  }
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

TEST_F(DeleteTest, DeleteRemovesTheKeyWithItsSubkeysAndLogsIt) {
  key.AddProgram(L"Old", L"Old 50% Tool", L"C:\\gone\\un.exe");
  key.SetString(L"Uninstall\\Old\\Sub\\Deeper", L"v", L"1");
  key.SetString(L"ARPCache\\Old", L"x", L"kept");
  TUninstListItem& entry = AddEntry(list, key, L"Old", L"Old 50% Tool", L"C:\\gone\\un.exe");
  EXPECT_EQ(Show(entry, IDC_DEL_DELETE), IDYES);
  EXPECT_FALSE(key.Exists(L"Uninstall\\Old"));
  EXPECT_TRUE(key.Exists(L"ARPCache\\Old"));  // only the one key is touched
  EXPECT_TRUE(std::regex_match(
      ReadBytes(Log()),
      std::regex(std::string(kTimestamp) + "Deleting entry Old 50% Tool\r\nDeleted OK\\.\r\n")));
  EXPECT_EQ(warning, TfDelete::WarningText(L"Old 50% Tool"));
  EXPECT_FALSE(focusOnVisibleControl);
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
  EXPECT_TRUE(std::regex_match(
      ReadBytes(Log()),
      std::regex(std::string(kTimestamp) + "Deleting entry Tool User\r\nDeleted OK\\.\r\n" +
                 kTimestamp + "Deleting entry Tool 32\r\nDeleted OK\\.\r\n")));
}

TEST_F(DeleteTest, AKeyAlreadyGoneIsLoggedAsAFailedDeletion) {
  TUninstListItem& entry = AddEntry(list, key, L"Vanished", L"Vanished", L"x.exe");
  EXPECT_EQ(Show(entry, IDC_DEL_DELETE), IDYES);
  EXPECT_TRUE(std::regex_match(
      ReadBytes(Log()),
      std::regex(std::string(kTimestamp) + "Deleting entry Vanished\r\nFailed to delete entry\\.\r\n")));
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
  EXPECT_TRUE(std::regex_match(
      ReadBytes(Log()),
      std::regex(std::string(kTimestamp) + "Deleting entry Linked\r\nDeleted OK\\.\r\n")));
}

}  // namespace
