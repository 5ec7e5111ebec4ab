// The bulk runner on real entries that run the sample uninstaller: quiet and loud commands, Windows
// Installer entries through a stand-in msiexec, failures, a key left behind, a timeout, a stop.
#include "uninstall/BulkUninstall.h"

#include "UninstallTestSupport.h"
#include "inventory/NormalUninstall.h"
#include "uninstall/Logging.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

class BulkUninstallTest : public ::testing::Test {
protected:
  std::wstring LogPath() const { return dir.Path() + L"ULog.txt"; }
  std::string LogText() const { return ReadBytes(LogPath()); }

  // The rows of the test key, scanned as the main window scans them, picked by name in order.
  std::vector<TBulkTarget> Targets(const std::vector<std::wstring>& names, bool quiet,
                                   const std::wstring& msiexec = L"msiexec.exe") {
    list = std::make_unique<TProgramList>();
    TNormalUninstall scanner({key.Source()});
    scanner.SetListView(list.get());
    scanner.Scan();
    std::vector<TBulkTarget> targets;
    for (const auto& name : names)
      for (size_t i = 0; i < list->Count(); ++i)
        if (list->Row(i).Caption == name) targets.push_back(BulkTargetOf(list->Row(i), quiet, msiexec));
    EXPECT_EQ(targets.size(), names.size());
    return targets;
  }

  // A copy of the sample uninstaller named msiexec.exe, told by the file beside it what to do.
  std::wstring StandInMsiexec(const std::wstring& folder, const std::wstring& options) {
    std::wstring exe = dir.MakeFolder(folder) + L"\\msiexec.exe";
    CopyFileW((TestBinFolder() + L"sampleuninst.exe").c_str(), exe.c_str(), FALSE);
    dir.MakeFile(folder + L"\\msiexec.dat",
                 win::ToUtf8(L"/root HKCU /uninstallkey \"" + key.Path() + L"\\Uninstall\" /log \"" +
                             dir.Path() + folder + L".log\" " + options));
    return exe;
  }

  TTestKey key;
  TTempDir dir;
  std::unique_ptr<TProgramList> list;
};

TEST_F(BulkUninstallTest, RunsOneAfterAnotherQuietWherePossibleAndJudgesEachByItsKey) {
  auto quiet = InstallSample(key, dir, L"Quiet", L"Quiet \"Tool\", Ünïcode 工具", L"/delay 0");
  // Run loud, this command would fail: only the quiet one removes the program.
  key.SetString(quiet.Key, L"UninstallString", L"\"C:\\nowhere\\missing.exe\"");
  key.SetString(quiet.Key, L"QuietUninstallString", quiet.Command);
  InstallSample(key, dir, L"Loud", L"Loud", L"/delay 0");
  InstallSample(key, dir, L"Stays", L"Stays", L"/delay 0 /keep-key");
  InstallSample(key, dir, L"Breaks", L"Breaks", L"/delay 0 /fail-second-step");
  key.AddProgram(L"Gone", L"Gone", L"\"C:\\nowhere\\uninst.exe\"");

  TBulkUninstall run(Targets({L"Quiet \"Tool\", Ünïcode 工具", L"Loud", L"Stays", L"Breaks", L"Gone"}, true),
                     LogPath());
  std::wstring events;
  run.SetEvents({[&](size_t i) { events += L"s" + std::to_wstring(i); },
                 [&](size_t i, const TBulkResult&) { events += L"f" + std::to_wstring(i); }});
  run.Run();

  EXPECT_EQ(events, L"s0f0s1f1s2f2s3f3s4f4");
  const auto& targets = run.Targets();
  EXPECT_TRUE(targets[0].Quiet);
  EXPECT_FALSE(targets[1].Quiet);
  const auto& r = run.Results();
  EXPECT_EQ(r[0].Outcome, TBulkOutcome::Completed);
  EXPECT_EQ(r[0].ExitCode, 0u);
  EXPECT_EQ(r[1].Outcome, TBulkOutcome::Completed);
  EXPECT_EQ(r[2].Outcome, TBulkOutcome::LeftKey);
  EXPECT_TRUE(r[2].KeyRemains);
  EXPECT_EQ(r[3].Outcome, TBulkOutcome::Failed);
  EXPECT_EQ(r[3].ExitCode, 2u);
  EXPECT_TRUE(r[3].KeyRemains);
  EXPECT_EQ(r[4].Outcome, TBulkOutcome::Failed);
  EXPECT_FALSE(r[4].ExitCode.has_value());  // never started
  EXPECT_FALSE(key.Exists(L"Uninstall\\Quiet"));
  EXPECT_TRUE(key.Exists(L"Uninstall\\Stays"));

  TBulkSummary summary = run.Summary();
  EXPECT_EQ(summary.Completed, 2u);
  EXPECT_EQ(summary.Failed, 3u);
  EXPECT_EQ(summary.Skipped, 0u);
  // The wizard's records, one per program, in the order run.
  std::string log = LogText();
  std::string ok = win::ToUtf8(ulog::kUninstallOk), failed = win::ToUtf8(ulog::kUninstallFailed);
  size_t first = log.find(win::ToUtf8(L"Uninstalling Quiet \"Tool\", Ünïcode 工具\r\n" + std::wstring(ulog::kUninstallOk)));
  size_t stays = log.find("Uninstalling Stays\r\n" + failed);
  size_t gone = log.find("Uninstalling Gone\r\n" + failed);
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_LT(first, log.find("Uninstalling Loud\r\n" + ok));
  EXPECT_LT(stays, gone);
  EXPECT_NE(gone, std::string::npos) << log;
}

TEST_F(BulkUninstallTest, WindowsInstallerEntriesRunMsiexecQuietlyAndReadItsExitCodes) {
  const std::wstring restartCode = L"{11111111-2222-3333-4444-555555555555}";
  const std::wstring orphanCode = L"{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
  key.AddProgram(restartCode, L"Needs Restart", L"MsiExec.exe /X" + restartCode);
  key.SetDword(L"Uninstall\\" + restartCode, L"WindowsInstaller", 1);
  // No WindowsInstaller value and a key that is no product code: the command names the product.
  key.AddProgram(L"Orphan", L"Orphan", L"MsiExec.exe /I" + orphanCode);
  // Not Windows Installer: its 3010 is just an error.
  InstallSample(key, dir, L"Plain", L"Plain", L"/delay 0 /keep-key /exit 3010");

  std::wstring restartMsi = StandInMsiexec(L"msi1", L"/key " + restartCode + L" /exit 3010");
  auto restart = Targets({L"Needs Restart"}, true, restartMsi);
  std::wstring orphanMsi = StandInMsiexec(L"msi2", L"/key Orphan /cancel /exit 1605");
  auto others = Targets({L"Orphan", L"Plain"}, true, orphanMsi);
  restart.insert(restart.end(), others.begin(), others.end());
  TBulkUninstall run(restart, LogPath());
  run.Run();

  const auto& r = run.Results();
  EXPECT_EQ(r[0].Outcome, TBulkOutcome::RestartNeeded);
  EXPECT_EQ(r[0].ExitCode, 3010u);
  EXPECT_FALSE(key.Exists(L"Uninstall\\" + restartCode));
  EXPECT_EQ(r[1].Outcome, TBulkOutcome::NotInstalled);
  EXPECT_TRUE(r[1].KeyRemains);
  EXPECT_EQ(r[2].Outcome, TBulkOutcome::Failed);
  EXPECT_EQ(r[2].ExitCode, 3010u);
  // msiexec was asked to remove the product without a window and without restarting.
  EXPECT_NE(ReadBytes(dir.Path() + L"msi1.log").find(win::ToUtf8(L"/x " + restartCode + L" /qn /norestart")),
            std::string::npos);
  EXPECT_NE(ReadBytes(dir.Path() + L"msi2.log").find(win::ToUtf8(L"/x " + orphanCode + L" /qn /norestart")),
            std::string::npos);
  TBulkSummary summary = run.Summary();
  EXPECT_EQ(summary.Completed, 1u);
  EXPECT_EQ(summary.RestartNeeded, 1u);
  EXPECT_EQ(summary.Failed, 2u);
}

TEST_F(BulkUninstallTest, ATimedOutUninstallerIsLeftRunningAndEndsTheRun) {
  InstallSample(key, dir, L"Slow", L"Slow", L"/delay 0 /busy 2000");
  InstallSample(key, dir, L"Next", L"Next", L"/delay 0");
  TBulkUninstall run(Targets({L"Slow", L"Next"}, true), LogPath());
  run.SetTimeout(300);
  run.Run();

  EXPECT_EQ(run.Results()[0].Outcome, TBulkOutcome::TimedOut);
  EXPECT_FALSE(run.Results()[0].ExitCode.has_value());
  EXPECT_EQ(run.Results()[1].Outcome, TBulkOutcome::Skipped);
  EXPECT_TRUE(run.StopRequested());
  EXPECT_NE(LogText().find("Uninstalling Slow\r\n" + win::ToUtf8(kStillRunningLine)),
            std::string::npos);
  // Not killed: it finishes its work after the run has given up on it.
  EXPECT_TRUE(WaitUntil([&] { return !key.Exists(L"Uninstall\\Slow"); }));
  EXPECT_TRUE(key.Exists(L"Uninstall\\Next"));
}

TEST_F(BulkUninstallTest, StopAfterThisOneLetsTheCurrentUninstallerFinishAndSkipsTheRest) {
  InstallSample(key, dir, L"First", L"First", L"/delay 0 /busy 300");
  InstallSample(key, dir, L"Second", L"Second", L"/delay 0");
  TBulkUninstall run(Targets({L"First", L"Second"}, false), LogPath());
  run.SetEvents({[&](size_t) { run.StopAfterCurrent(); }, nullptr});
  run.Run();

  EXPECT_EQ(run.Results()[0].Outcome, TBulkOutcome::Completed);
  EXPECT_EQ(run.Results()[1].Outcome, TBulkOutcome::Skipped);
  EXPECT_TRUE(key.Exists(L"Uninstall\\Second"));
  EXPECT_EQ(LogText().find("Second"), std::string::npos);
}

}  // namespace
