// The uninstall wizard with real uninstallers: the project's sample uninstaller, run on entries of
// the test's own registry tree, the wizard driven from a second thread as a user drives it.
#include "uninstall/Uninstall.h"

#include "UninstallTestSupport.h"
#include "dialogs/UninstallIds.h"
#include "assisted/ProtectedPlaces.h"
#include "backup/RegFile.h"
#include "inventory/NormalUninstall.h"
#include "uninstall/Logging.h"
#include "uninstall/MoveThread.h"
#include "uninstall/UninstallLogic.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <regex>
#include <stdexcept>

using namespace testing_support;

namespace {

// One record's three parts as they reach the file.
const char kTimestamp[] = "\r\n[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";
const char kOkLine[] = "Uninstall OK. Uninstaller removed program from list.\r\n";
const char kFailLine[] =
    "Uninstaller did not complete the uninstall process or did not remove program from list.\r\n";

class WizardTest : public ::testing::Test {
protected:
  std::wstring Log() const { return dir.Path() + L"ULog.txt"; }
  // Shows the wizard for an entry while the script works it; returns the dialog's result.
  INT_PTR Show(TUninstListItem& entry, std::function<void(HWND)> script) {
    TfUninstall wizard(entry, Log());
    fUninstall = &wizard;
    INT_PTR result;
    {
      TDialogDriver driver([&] {
        HWND dialog = WaitForDialog(L"Uninstall");
        if (dialog) script(dialog);
      });
      result = wizard.ShowModal(nullptr);
    }
    fUninstall = nullptr;
    return result;
  }

  TTestKey key;
  TTempDir dir;
  TProgramList list;
  std::wstring title, finished, forward, hint;
  bool cleanupShown = false;
};

// Through the first two pages; records what the result page shows.
void RunToResult(HWND dialog, std::wstring& finished, std::wstring& forward, bool& cleanupShown) {
  HWND button = GetDlgItem(dialog, IDC_UN_FORWARD);
  PostClick(button);  // "&Uninstall"
  ASSERT_TRUE(WaitUninstallerEnded(button));
  PostClick(button);  // "Continue"
  HWND result = GetDlgItem(dialog, IDC_UN_FINISHED);
  ASSERT_TRUE(WaitUntil([result] { return !ControlText(result).empty(); }));
  finished = ControlText(result);
  forward = ControlText(button);
  cleanupShown = IsWindowVisible(GetDlgItem(dialog, IDC_UN_CLEANUP_EXPL)) != FALSE;
}

TEST_F(WizardTest, AnUninstallerThatRemovesItsKeySucceeds) {
  auto program = InstallSample(key, dir, L"Good", L"Good Program 1.0", L"");
  TUninstListItem& entry = AddEntry(list, key, L"Good", L"Good Program 1.0", program.Command);
  INT_PTR result = Show(entry, [&](HWND dialog) {
    title = ControlText(GetDlgItem(dialog, IDC_UN_TITLE));
    RunToResult(dialog, finished, forward, cleanupShown);
    PostClick(GetDlgItem(dialog, IDC_UN_FORWARD));  // "Close"
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(title, L"Uninstall or modify program components");
  EXPECT_EQ(forward, L"Close");
  EXPECT_EQ(finished,
            L"The Uninstall program has completed and the program name was removed from the list "
            L"of programs installed on your computer");
  EXPECT_FALSE(cleanupShown);
  EXPECT_FALSE(key.Exists(program.Key));
  EXPECT_EQ(GetFileAttributesW(program.Folder.c_str()), INVALID_FILE_ATTRIBUTES);
  std::string log = ReadBytes(Log());
  EXPECT_TRUE(std::regex_match(log, std::regex(std::string(kTimestamp) +
                                               "Uninstalling Good Program 1\\.0\r\n" + kOkLine)))
      << log;
}

TEST_F(WizardTest, AKeyLeftBehindIsCleanedUpWithASecondRecordAndABackupThatBringsItBack) {
  auto program = InstallSample(key, dir, L"Stays", L"Stays 100% Ω", L"/cancel");
  const std::wstring entryKey = key.Path() + L"\\" + program.Key;
  const std::wstring saved = RegFileText(HKEY_CURRENT_USER, 0, entryKey);
  TUninstListItem& entry = AddEntry(list, key, L"Stays", L"Stays 100% Ω", program.Command);
  std::wstring cleanedUp;
  bool leftoversOffered = false;
  INT_PTR result = Show(entry, [&](HWND dialog) {
    RunToResult(dialog, finished, forward, cleanupShown);
    HWND button = GetDlgItem(dialog, IDC_UN_FORWARD);
    PostClick(button);  // "Clean-Up"
    // The page then offers to look for the program's leftovers.
    ASSERT_TRUE(WaitUntil([button] { return ControlText(button) == L"Close"; }));
    cleanedUp = ControlText(GetDlgItem(dialog, IDC_UN_FINISHED));
    leftoversOffered = IsWindowVisible(GetDlgItem(dialog, IDC_UN_LEFTOVERS)) != FALSE;
    PostClick(button);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(leftoversOffered);
  EXPECT_EQ(cleanedUp,
            L"The program name was deleted from the list of programs installed on your computer");
  EXPECT_EQ(forward, L"Clean-Up");
  EXPECT_TRUE(cleanupShown);
  EXPECT_EQ(finished,
            L"The Uninstall program has completed. However, it did not remove the program name "
            L"from the list of programs installed on your computer");
  EXPECT_FALSE(key.Exists(program.Key));  // the key and its subkeys
  EXPECT_FALSE(Listed(key, L"Stays 100% Ω"));

  std::vector<TBackupAction> backups = ListBackups(dir.Path() + L"Backups");
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(backups[0].Action, L"Clean-Up");
  EXPECT_EQ(backups[0].Subject, L"Stays 100% Ω");
  std::string log = ReadBytes(Log());
  EXPECT_TRUE(std::regex_match(
      log, std::regex(std::string(kTimestamp) + "Uninstalling Stays 100% \xCE\xA9\r\n" + kFailLine +
                      kTimestamp + "Deleting entry Stays 100% \xCE\xA9\r\nDeleted OK\\.\r\n" +
                      BackupLinePattern(backups[0]))))
      << log;

  RestoreRegistry(backups[0], IsProtectedKey);
  EXPECT_EQ(RegFileText(HKEY_CURRENT_USER, 0, entryKey), saved);
  EXPECT_TRUE(Listed(key, L"Stays 100% Ω"));
}

TEST_F(WizardTest, ACleanUpWhoseBackupCannotBeMadeKeepsTheKeyAndSaysWhy) {
  auto program = InstallSample(key, dir, L"Stays", L"Stays", L"/cancel");
  TUninstListItem& entry = AddEntry(list, key, L"Stays", L"Stays", program.Command);
  dir.MakeFile(L"Backups");  // a plain file where the backups belong
  std::wstring message, afterBox;
  INT_PTR result = Show(entry, [&](HWND dialog) {
    RunToResult(dialog, finished, forward, cleanupShown);
    message = ClickForMessage(dialog, IDC_UN_FORWARD);  // "Clean-Up"
    afterBox = ControlText(GetDlgItem(dialog, IDC_UN_FORWARD));  // still on the result page
    PostClick(GetDlgItem(dialog, IDCANCEL));
  });
  EXPECT_EQ(result, IDCANCEL);
  const std::wstring reason = L"The backup folder " + dir.Path() +
                              L"Backups\\ cannot be made: a file of that name is in its place.";
  EXPECT_EQ(message, KeptForBackupMessage(L"Stays", reason));
  EXPECT_EQ(afterBox, L"Clean-Up");
  EXPECT_TRUE(key.Exists(program.Key + L"\\Components"));
  std::string log = ReadBytes(Log());
  EXPECT_TRUE(std::regex_match(
      log, std::regex(std::string(kTimestamp) + "Uninstalling Stays\r\n" + kFailLine + kTimestamp +
                      "Deleting entry Stays\r\nFailed to delete entry\\.\r\nBackup failed: " +
                      Literal(reason) + "\r\n")))
      << log;
}

// The sample uninstaller's command for a program whose key lies in one of the trees.
std::wstring SampleCommand(const TUninstallSource& source, const std::wstring& subkey,
                           const std::wstring& options) {
  return L"\"" + TestBinFolder() + L"sampleuninst.exe\" /root " +
         (source.Root == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM") +
         (source.View == KEY_WOW64_32KEY ? L" /view 32" : L"") + L" /uninstallkey \"" +
         source.UninstallKey + L"\" /arpcachekey \"" + source.CacheKey + L"\" /key \"" + subkey +
         L"\" " + options;
}

TEST_F(WizardTest, TheRunIsJudgedAndCleanedUpInTheEntrysOwnRootAndView) {
  // One key name in all three places: only the entry's own key may count or go.
  TSourceTrees trees;
  using P = TSourceTrees;
  trees.AddProgram(P::Machine, L"Same", L"Same 64", L"\"C:\\Program Files\\Same\\un.exe\"");
  trees.AddProgram(P::Machine32, L"Same", L"Same 32",
                   SampleCommand(trees.Source(P::Machine32), L"Same", L""));
  trees.AddProgram(P::User, L"Same", L"Same User",
                   SampleCommand(trees.Source(P::User), L"Same", L"/cancel"));
  TNormalUninstall scanner(trees.Sources());
  scanner.SetListView(&list);
  scanner.Scan();
  auto entry = [this](const std::wstring& name) -> TUninstListItem& {
    for (size_t i = 0; i < list.Count(); ++i)
      if (list.Row(i).Caption == name) return *list.Row(i).Entry;
    throw std::runtime_error("not listed");
  };

  // The 32-bit program's uninstaller removes its key: a success, though the same name stays in
  // the native view.
  Show(entry(L"Same 32"), [&](HWND dialog) {
    RunToResult(dialog, finished, forward, cleanupShown);
    PostClick(GetDlgItem(dialog, IDC_UN_FORWARD));
  });
  EXPECT_EQ(forward, L"Close");
  EXPECT_FALSE(trees.Exists(P::Machine32, L"Same"));
  EXPECT_TRUE(trees.Exists(P::Machine, L"Same"));
  EXPECT_TRUE(trees.Exists(P::User, L"Same"));

  // The user's program is cancelled, judged by its own key, and cleaned up there alone.
  Show(entry(L"Same User"), [&](HWND dialog) {
    RunToResult(dialog, finished, forward, cleanupShown);
    HWND button = GetDlgItem(dialog, IDC_UN_FORWARD);
    PostClick(button);  // "Clean-Up"
    ASSERT_TRUE(WaitUntil([button] { return ControlText(button) == L"Close"; }));
    PostClick(button);
  });
  EXPECT_EQ(forward, L"Clean-Up");
  EXPECT_FALSE(trees.Exists(P::User, L"Same"));
  EXPECT_TRUE(trees.Exists(P::Machine, L"Same"));
  // The 32-bit entry was saved before its uninstaller ran, from its own view; the user's entry
  // only by its Clean-Up, the copy made before its run being given up when its key stayed.
  std::vector<TBackupAction> backups = ListBackups(dir.Path() + L"Backups");
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_EQ(backups[1].Action, L"Uninstall");
  EXPECT_EQ(backups[1].Subject, L"Same 32");
  ASSERT_EQ(backups[1].Items.size(), 1u);
  EXPECT_EQ(backups[1].Items[0].Path, L"HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\" +
                                          trees.Source(P::Machine32).UninstallKey.substr(9) +
                                          L"\\Same");
  EXPECT_EQ(backups[0].Action, L"Clean-Up");
  std::string log = ReadBytes(Log());
  EXPECT_TRUE(std::regex_match(
      log, std::regex(std::string(kTimestamp) + "Uninstalling Same 32\r\n" + kOkLine + kTimestamp +
                      "Uninstalling Same User\r\n" + kFailLine + kTimestamp +
                      "Deleting entry Same User\r\nDeleted OK\\.\r\n" +
                      BackupLinePattern(backups[0]))))
      << log;
}

TEST_F(WizardTest, AMissingUninstallerShowsNoErrorAndOffersCleanUp) {
  key.AddProgram(L"Gone", L"Gone", L"\"C:\\Program Files\\Nowhere\\uninst.exe\" /S");
  TUninstListItem& entry = AddEntry(list, key, L"Gone", L"Gone", L"\"C:\\Program Files\\Nowhere\\uninst.exe\" /S");
  INT_PTR result = Show(entry, [&](HWND dialog) {
    RunToResult(dialog, finished, forward, cleanupShown);
    PostClick(GetDlgItem(dialog, IDCANCEL));  // the result page's Cancel: no clean-up
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(forward, L"Clean-Up");
  EXPECT_TRUE(key.Exists(L"Uninstall\\Gone"));
  EXPECT_TRUE(std::regex_match(ReadBytes(Log()),
                               std::regex(std::string(kTimestamp) + "Uninstalling Gone\r\n" + kFailLine)));
}

TEST_F(WizardTest, AnUninstallerThatReturnsEarlyIsJudgedWhenContinueIsPressed) {
  auto program = InstallSample(key, dir, L"Later", L"Later", L"/detach /delay 300");
  TUninstListItem& entry = AddEntry(list, key, L"Later", L"Later", program.Command);
  Show(entry, [&](HWND dialog) {
    HWND button = GetDlgItem(dialog, IDC_UN_FORWARD);
    PostClick(button);
    ASSERT_TRUE(WaitUninstallerEnded(button));
    // The uninstaller has returned; its child removes the key a moment later.
    ASSERT_TRUE(WaitUntil([&] { return !key.Exists(program.Key); }));
    PostClick(button);
    ASSERT_TRUE(WaitUntil([button] { return ControlText(button) != L"Continue"; }));
    forward = ControlText(button);
    PostClick(button);
  });
  EXPECT_EQ(forward, L"Close");
  EXPECT_NE(ReadBytes(Log()).find(kOkLine), std::string::npos);
}

TEST_F(WizardTest, CancelOnTheFirstPageRunsNothingAndLogsNothing) {
  auto program = InstallSample(key, dir, L"Kept", L"Kept", L"");
  TUninstListItem& entry = AddEntry(list, key, L"Kept", L"Kept", program.Command);
  INT_PTR result = Show(entry, [&](HWND dialog) {
    // Escape, pressed while the forward button has the focus.
    PostMessageW(GetDlgItem(dialog, IDC_UN_FORWARD), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(key.Exists(program.Key));
  EXPECT_EQ(ReadBytes(Log()), "<missing>");
}

TEST_F(WizardTest, CancelAfterTheRunJudgesNothingAndLogsNothing) {
  auto program = InstallSample(key, dir, L"Ran", L"Ran", L"");
  TUninstListItem& entry = AddEntry(list, key, L"Ran", L"Ran", program.Command);
  INT_PTR result = Show(entry, [&](HWND dialog) {
    HWND button = GetDlgItem(dialog, IDC_UN_FORWARD);
    PostClick(button);
    ASSERT_TRUE(WaitUninstallerEnded(button));
    hint = ControlText(GetDlgItem(dialog, IDC_UN_RESULT_HINT));
    title = ControlText(GetDlgItem(dialog, IDC_UN_TITLE));
    PostMessageW(dialog, WM_CLOSE, 0, 0);  // the title bar's close button
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(title, L"Uninstalling...");
  EXPECT_EQ(hint, L"If the Uninstall program has completed, press the Continue button");
  EXPECT_FALSE(key.Exists(program.Key));  // the uninstaller did its work
  EXPECT_EQ(ReadBytes(Log()), "<missing>");
}

// Serves the steps the thread sends to this thread's bar until the condition holds.
template <class F>
bool ServeStepsUntil(F condition) {
  return WaitUntil([&] {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return condition();
  });
}

win::UniqueHwnd ProgressBar() {
  win::UniqueHwnd bar(CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_POPUP, 0, 0, 100, 10, nullptr,
                                      nullptr, nullptr, nullptr));
  SendMessageW(bar.Get(), PBM_SETSTEP, 5, 0);
  return bar;
}

TEST(MoveThread, StepsTheBarUntilTheFlagIsSetAndAtMostOnceMore) {
  win::UniqueHwnd bar = ProgressBar();
  std::atomic<bool> finished{false};
  TMoveThread mover(bar.Get(), [&] { return finished.load(); });
  ASSERT_TRUE(ServeStepsUntil([&] { return mover.Steps() >= 3; }));
  // The steps reach the bar: 5 each, from 0.
  EXPECT_EQ(SendMessageW(bar.Get(), PBM_GETPOS, 0, 0) % 5, 0);
  EXPECT_GT(SendMessageW(bar.Get(), PBM_GETPOS, 0, 0), 0);
  int stepsAtFlag = mover.Steps();
  finished = true;
  mover.WaitFor();
  EXPECT_LE(mover.Steps(), stepsAtFlag + 1);
}

TEST(MoveThread, AnErrorBeforeTheFlagIsSetStopsTheThread) {
  win::UniqueHwnd bar = ProgressBar();
  // The flag is never set; as a safety net the thread ends by itself after 100 steps (3.5 s).
  std::atomic<int> asked{0};
  try {
    TMoveThread mover(bar.Get(), [&] { return ++asked >= 100; });
    ASSERT_TRUE(ServeStepsUntil([&] { return mover.Steps() >= 1; }));
    throw std::runtime_error("the uninstaller could not be started");
  } catch (const std::runtime_error&) {
  }
  EXPECT_LT(asked.load(), 10);
}

}  // namespace
