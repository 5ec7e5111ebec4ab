// The bulk uninstall window with real uninstallers: the sample uninstaller on entries of the
// test's own registry tree, read by the scan as the main window reads them, the window driven
// from a second thread as a user drives it.
#include "uninstall/BulkWindow.h"

#include "UninstallTestSupport.h"
#include "dialogs/BulkIds.h"
#include "inventory/NormalUninstall.h"
#include "win/Text.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <regex>

using namespace testing_support;

namespace {

const char kTimestamp[] = "\r\n[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";
const char kOkLine[] = "Uninstall OK. Uninstaller removed program from list.\r\n";
const char kFailLine[] =
    "Uninstaller did not complete the uninstall process or did not remove program from list.\r\n";
const wchar_t kProductCode[] = L"{4D2C8A61-7B3E-4F90-A1C5-9E8D7F6B5A43}";

std::wstring CellText(HWND list, int row, int column) {
  wchar_t buffer[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

// Each row as "name | quiet | status | exit code".
std::vector<std::wstring> Rows(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_BU_LIST);
  std::vector<std::wstring> rows;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i)
    rows.push_back(CellText(list, i, 0) + L" | " + CellText(list, i, 1) + L" | " +
                   CellText(list, i, 2) + L" | " + CellText(list, i, 3));
  return rows;
}

void SelectRow(HWND dialog, int row) {
  HWND list = GetDlgItem(dialog, IDC_BU_LIST);
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool RunEnded(HWND dialog) {
  return WaitUntil([dialog] { return !ControlText(GetDlgItem(dialog, IDC_BU_SUMMARY)).empty(); });
}

class BulkWindowTest : public ::testing::Test {
protected:
  std::wstring Log() const { return dir.Path() + L"ULog.txt"; }

  // The rows of the test key as the main window lists them, in its order.
  std::vector<TProgramRow*> Scan() {
    TNormalUninstall scanner({key.Source()});
    scanner.SetListView(&list);
    scanner.Scan();
    std::vector<TProgramRow*> rows;
    for (size_t i = 0; i < list.Count(); ++i) rows.push_back(&list.Row(i));
    return rows;
  }
  // Shows the window over the rows while the script works it; returns the window's result.
  INT_PTR Show(std::vector<TProgramRow*> rows, std::function<void(HWND)> script) {
    TfBulkUninstall window(std::move(rows), Log(), msiexec);
    INT_PTR result;
    {
      TDialogDriver driver([&] {
        HWND dialog = WaitForDialog(L"Bulk Uninstall");
        if (dialog) script(dialog);
      });
      result = window.ShowModal(nullptr);
    }
    return result;
  }

  TTestKey key;
  TTempDir dir;
  TProgramList list;
  std::wstring msiexec = L"msiexec.exe";
};

TEST_F(BulkWindowTest, ARunJudgesEachProgramAndEndsWithOneSummaryThatCanBeSavedAndCleanedUp) {
  // Named so that the list's order is the order below. The quiet command differs from the loud
  // one: only the quiet one removes the program.
  auto quiet = InstallSample(key, dir, L"Q", L"A Quiet Ωmega", L"/cancel");
  key.SetString(quiet.Key, L"QuietUninstallString",
                quiet.Command.substr(0, quiet.Command.size() - 8) + L" /S");
  auto loud = InstallSample(key, dir, L"L", L"B Loud", L"");
  auto failing = InstallSample(key, dir, L"F", L"C Failing", L"/fail-second-step");
  auto keeps = InstallSample(key, dir, L"K", L"D Keeps Its Key", L"/keep-key");
  // A Windows Installer entry, removed by a stand-in for msiexec that asks for a restart.
  const std::wstring msiKey = std::wstring(L"Uninstall\\") + kProductCode;
  key.AddProgram(kProductCode, L"E Installer Package",
                 std::wstring(L"MsiExec.exe /X") + kProductCode);
  key.SetDword(msiKey, L"WindowsInstaller", 1);
  msiexec = dir.Path() + L"msiexec.exe";
  CopyFileW((TestBinFolder() + L"sampleuninst.exe").c_str(), msiexec.c_str(), FALSE);
  dir.MakeFile(L"msiexec.dat", win::ToUtf8(L"/root HKCU /uninstallkey \"" + key.Path() +
                                           L"\\Uninstall\" /key \"" + kProductCode +
                                           L"\" /exit 3010"));

  std::vector<std::wstring> before, after, afterCleanUp;
  std::wstring summary, saved = dir.Path() + L"summary.txt";
  bool startDisabled = false, cleanUpOnCompleted = true, cleanUpOnKept = false;
  INT_PTR result = Show(Scan(), [&](HWND dialog) {
    before = Rows(dialog);
    PostClick(GetDlgItem(dialog, IDC_BU_START));
    ASSERT_TRUE(RunEnded(dialog));
    summary = ControlText(GetDlgItem(dialog, IDC_BU_SUMMARY));
    after = Rows(dialog);
    startDisabled = !IsWindowEnabled(GetDlgItem(dialog, IDC_BU_START));

    SelectRow(dialog, 0);
    cleanUpOnCompleted = IsWindowEnabled(GetDlgItem(dialog, IDC_BU_CLEANUP)) != FALSE;
    SelectRow(dialog, 3);
    cleanUpOnKept = IsWindowEnabled(GetDlgItem(dialog, IDC_BU_CLEANUP)) != FALSE;
    PostClick(GetDlgItem(dialog, IDC_BU_CLEANUP));
    ASSERT_TRUE(WaitUntil([&] { return !key.Exists(keeps.Key); }));
    HWND rows = GetDlgItem(dialog, IDC_BU_LIST);
    ASSERT_TRUE(WaitUntil([&] { return CellText(rows, 3, 2) != L"Left its key"; }));
    afterCleanUp = Rows(dialog);

    PostClick(GetDlgItem(dialog, IDC_BU_SAVE));
    ASSERT_TRUE(AnswerFileDialog(L"Save Summary", saved));
    ASSERT_TRUE(WaitUntil(
        [&] { return GetFileAttributesW(saved.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });

  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(before, (std::vector<std::wstring>{
                        L"A Quiet Ωmega | Yes | Waiting | ", L"B Loud |  | Waiting | ",
                        L"C Failing |  | Waiting | ", L"D Keeps Its Key |  | Waiting | ",
                        L"E Installer Package | Yes | Waiting | "}));
  EXPECT_EQ(after, (std::vector<std::wstring>{
                       L"A Quiet Ωmega | Yes | Completed | 0", L"B Loud |  | Completed | 0",
                       L"C Failing |  | Failed | 2", L"D Keeps Its Key |  | Left its key | 0",
                       L"E Installer Package | Yes | Completed, restart needed | 3010"}));
  EXPECT_EQ(summary,
            L"Finished. Completed 3, failed 2, skipped 0, restart needed 1. Restart Windows to "
            L"finish removing the programs marked so.");
  EXPECT_TRUE(startDisabled);
  EXPECT_FALSE(cleanUpOnCompleted);
  EXPECT_TRUE(cleanUpOnKept);
  EXPECT_EQ(afterCleanUp[3], L"D Keeps Its Key |  | Left its key; Entry deleted by Clean-Up | 0");
  EXPECT_FALSE(key.Exists(quiet.Key));
  EXPECT_FALSE(key.Exists(loud.Key));
  EXPECT_TRUE(key.Exists(failing.Key + L"\\Components"));
  EXPECT_FALSE(key.Exists(msiKey));

  // One record per program, as the wizard writes it, then the Clean-Up's.
  std::string log = ReadBytes(Log());
  const std::string t = kTimestamp;
  EXPECT_TRUE(std::regex_search(
      log, std::regex(t + "Uninstalling A Quiet \xCE\xA9mega\r\n" + kOkLine + t +
                      "Uninstalling B Loud\r\n" + kOkLine + t + "Uninstalling C Failing\r\n" +
                      kFailLine + t + "Uninstalling D Keeps Its Key\r\n" + kFailLine + t +
                      "Uninstalling E Installer Package\r\n" + kOkLine + t +
                      "Deleting entry D Keeps Its Key\r\nDeleted OK\\.\r\n")))
      << log;

  // The saved summary: UTF-8 without a byte-order mark, CR LF, one line per program.
  std::string text = ReadBytes(saved);
  EXPECT_TRUE(std::regex_match(
      text,
      std::regex("Tarvenholt Purgalot! bulk uninstall, [^\r\n]+\r\n"
                 "Completed 3, failed 2, skipped 0, restart needed 1\\.\r\n\r\n"
                 "1\\. A Quiet \xCE\xA9mega: Completed; exit code 0; quiet\r\n"
                 "2\\. B Loud: Completed; exit code 0\r\n"
                 "3\\. C Failing: Failed; exit code 2\r\n"
                 "4\\. D Keeps Its Key: Left its key; Entry deleted by Clean-Up; exit code 0\r\n"
                 "5\\. E Installer Package: Completed, restart needed; exit code 3010; quiet\r\n")))
      << text;
}

TEST_F(BulkWindowTest, StopAndCloseLetTheRunningUninstallerFinishAndStartNoOther) {
  auto slow = InstallSample(key, dir, L"A", L"A Slow", L"/busy 1500");
  auto next = InstallSample(key, dir, L"B", L"B Next", L"");
  std::wstring stopping, summary;
  std::vector<std::wstring> after;
  bool stopEnabledWhileRunning = false, stopEnabledAfterClick = true;
  Show(Scan(), [&](HWND dialog) {
    PostClick(GetDlgItem(dialog, IDC_BU_START));
    HWND list = GetDlgItem(dialog, IDC_BU_LIST);
    ASSERT_TRUE(WaitUntil([&] { return CellText(list, 0, 2) == L"Running"; }));
    stopEnabledWhileRunning = IsWindowEnabled(GetDlgItem(dialog, IDC_BU_STOP)) != FALSE;
    PostClick(GetDlgItem(dialog, IDC_BU_STOP));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDC_BU_STOP)); }));
    stopping = ControlText(GetDlgItem(dialog, IDC_BU_NOW));
    ASSERT_TRUE(RunEnded(dialog));
    summary = ControlText(GetDlgItem(dialog, IDC_BU_SUMMARY));
    after = Rows(dialog);
    stopEnabledAfterClick = IsWindowEnabled(GetDlgItem(dialog, IDC_BU_STOP)) != FALSE;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(stopping, L"Stopping after A Slow");
  EXPECT_EQ(summary, L"Stopped. Completed 1, failed 0, skipped 1, restart needed 0.");
  EXPECT_EQ(after, (std::vector<std::wstring>{L"A Slow |  | Completed | 0",
                                              L"B Next |  | Skipped | "}));
  EXPECT_TRUE(stopEnabledWhileRunning);
  EXPECT_FALSE(stopEnabledAfterClick);
  EXPECT_FALSE(key.Exists(slow.Key));
  EXPECT_TRUE(key.Exists(next.Key));

  // Closing while it runs: "No" keeps the window; "Yes" closes it once the uninstaller is done.
  auto slow2 = InstallSample(key, dir, L"C", L"A Slow Again", L"/busy 1500");
  std::wstring firstQuestion;
  bool stillOpenAfterNo = false, runningWhenAnswered = false;
  list.Clear();
  INT_PTR result = Show(Scan(), [&](HWND dialog) {
    PostClick(GetDlgItem(dialog, IDC_BU_START));
    HWND rows = GetDlgItem(dialog, IDC_BU_LIST);
    ASSERT_TRUE(WaitUntil([&] { return CellText(rows, 0, 2) == L"Running"; }));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    firstQuestion = AnswerMessage(dialog, IDNO);
    stillOpenAfterNo = IsWindow(dialog) && CellText(rows, 0, 2) == L"Running";
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    AnswerMessage(dialog, IDYES);
    runningWhenAnswered = key.Exists(slow2.Key);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_NE(firstQuestion.find(L"It is not stopped"), std::wstring::npos) << firstQuestion;
  EXPECT_TRUE(stillOpenAfterNo);
  EXPECT_TRUE(runningWhenAnswered);
  // The window ended only after the uninstaller had: its program is gone, the next never ran.
  EXPECT_FALSE(key.Exists(slow2.Key));
  EXPECT_TRUE(key.Exists(next.Key));
}

}  // namespace
