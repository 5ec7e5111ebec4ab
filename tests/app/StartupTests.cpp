// Start-up's scan and switches run without any window, as the main window's creation runs them.
#include "app/Startup.h"

#include "support/PrintedPdf.h"
#include "uninstall/UninstallTestSupport.h"

#include <gtest/gtest.h>

#include <regex>

using namespace testing_support;

namespace {

class StartupTest : public ::testing::Test {
protected:
  StartupTest() : scanner({key.Source()}) {}
  ~StartupTest() override {
    SkipWelcome = true;
    HaltAfterPrint = true;
  }

  // Start-up's two steps, in creation's order, for a command line.
  TStartupResult Run(std::vector<std::wstring> parameters) {
    TCommandLine line(std::move(parameters));
    TStartup startup(programs, scanner, line, log);
    startup.Scan();
    return startup.TestCommandLine();
  }

  win::ComInit com;
  TTestKey key;
  TTempDir dir;
  TProgramList programs;
  TNormalUninstall scanner;
  std::wstring log = dir.Path() + L"ULog.txt";
};

const std::string kStamp =
    "\r\n[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";

TEST_F(StartupTest, QuietUninstallRunsEachStoredCommandWholeAndLogsTheOutcome) {
  // The sample uninstaller does nothing unless the options after its quoted path tell it what.
  TSampleProgram plain = InstallSample(key, dir, L"Plain", L"Plain Sample", L"");
  TSampleProgram expand = InstallSample(key, dir, L"Expand", L"Expand Sample", L"");
  const std::wstring exe = L"sampleuninst.exe\"";
  key.SetString(expand.Key, L"UninstallString",
                L"\"%PURGALOT_SAMPLE_BIN%" + expand.Command.substr(expand.Command.find(exe)),
                REG_EXPAND_SZ);
  SetEnvironmentVariableW(L"PURGALOT_SAMPLE_BIN", TestBinFolder().c_str());
  TStartupResult next = Run({L"/QU", L"plain sample", L"No Such Program", L"Expand Sample"});
  SetEnvironmentVariableW(L"PURGALOT_SAMPLE_BIN", nullptr);

  EXPECT_EQ(next.Next, TStartupNext::Exit);
  EXPECT_EQ(next.ExitCode, 0);
  EXPECT_TRUE(SkipWelcome);
  EXPECT_FALSE(key.Exists(plain.Key));
  EXPECT_FALSE(key.Exists(expand.Key));
  std::string written = ReadBytes(log);
  const std::string ok = "Uninstall OK\\. Uninstaller removed program from list\\.\r\n";
  EXPECT_TRUE(std::regex_match(written, std::regex(kStamp + "Uninstalling plain sample\r\n" + ok +
                                                   kStamp + "Uninstalling Expand Sample\r\n" + ok)))
      << written;
}

TEST_F(StartupTest, EachSwitchSaysWhatStartUpDoesNext) {
  key.AddProgram(L"A", L"Alpha Editor", L"alpha.exe");
  TStartupResult next = Run({});
  EXPECT_EQ(next.Next, TStartupNext::ShowWindow);
  EXPECT_FALSE(SkipWelcome);
  EXPECT_EQ(programs.Count(), 1u);  // scanned before the switch runs

  next = Run({L"/Uninstall", L"Alpha Editor"});
  EXPECT_EQ(next.Next, TStartupNext::UninstallOnActivate);
  EXPECT_TRUE(SkipWelcome);

  next = Run({L"/rfl", dir.Path() + L"audit"});
  EXPECT_EQ(next.Next, TStartupNext::Exit);
  EXPECT_EQ(next.ExitCode, 0);
  std::string report = ReadBytes(dir.Path() + L"audit.txt");
  EXPECT_NE(report.find("\r\nAlpha Editor\r\nUninstall Command: alpha.exe\r\n"), std::string::npos)
      << report;

  {
    TNoDefaultPrinter noPrinter;
    next = Run({L"/RPS"});
  }
  EXPECT_EQ(next.Next, TStartupNext::PrintFailed);
  // The error box adds the full stop.
  EXPECT_EQ(next.Error, L"No printer is installed, or none is set as the default printer");
  EXPECT_FALSE(HaltAfterPrint);
  EXPECT_TRUE(SkipWelcome);
}

}  // namespace
