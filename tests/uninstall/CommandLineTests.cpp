// purgalot.exe run for real with its uninstall switches, on programs installed in the test
// machine's own Uninstall key, as a user or a script runs it.
#include "UninstallTestSupport.h"
#include "dialogs/UninstallIds.h"
#include "support/PrintedPdf.h"
#include "inventory/NormalUninstall.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <regex>

using namespace testing_support;

namespace {

// The program runs from a folder of the test's own, so that the log it writes beside itself
// stays out of the folder the build delivers.
std::wstring CopyOfProgram(TTempDir& dir) {
  std::wstring copy = dir.MakeFolder(L"Purgalot") + L"\\purgalot.exe";
  CopyFileW((TestBinFolder() + L"..\\dist\\purgalot.exe").c_str(), copy.c_str(), FALSE);
  return copy;
}

// A program in one of the places Windows lists installed programs (the machine's Uninstall key
// in either registry view, or the user's) whose uninstaller (a copy of the sample uninstaller in
// its folder) reads its options from a file beside it, or, like many, takes them only as the
// arguments after its quoted path.
enum class TOptionsIn { File, Arguments };
struct TPlace {
  HKEY Root = HKEY_LOCAL_MACHINE;
  REGSAM View = 0;
};
class TMachineProgram {
public:
  TMachineProgram(TTempDir& dir, const std::wstring& name, const std::wstring& options,
                  TOptionsIn in = TOptionsIn::File, TPlace place = {},
                  const std::wstring& subkey = {})
      : subkey_(L"PurgalotE2E_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                (subkey.empty() ? name : subkey)),
        place_(place) {
    const std::wstring tag = place.Root == HKEY_CURRENT_USER ? L"user"
                             : place.View == KEY_WOW64_32KEY ? L"32"
                                                             : L"64";
    std::wstring folder = dir.MakeFolder(L"E2E\\" + subkey_ + L"\\" + tag);
    std::wstring uninstaller = folder + L"\\uninst.exe";
    CopyFileW((TestBinFolder() + L"sampleuninst.exe").c_str(), uninstaller.c_str(), FALSE);
    std::wstring all = L"/key \"" + subkey_ + L"\" /dir \"" + folder + L"\" " + options;
    if (place.Root == HKEY_CURRENT_USER) all += L" /root HKCU";
    if (place.View == KEY_WOW64_32KEY) all += L" /view 32";
    if (in == TOptionsIn::File)
      dir.MakeFile(L"E2E\\" + subkey_ + L"\\" + tag + L"\\uninst.dat", win::ToUtf8(all));
    TRegistry reg(place_.View);
    reg.SetRootKey(place_.Root);
    reg.OpenKey(L"\\" + Key(), true);
    reg.WriteString(L"DisplayName", name);
    reg.WriteString(L"UninstallString",
                    L"\"" + uninstaller + L"\" " + (in == TOptionsIn::File ? L"/S" : all));
  }
  ~TMachineProgram() {
    TRegistry reg(place_.View);
    reg.SetRootKey(place_.Root);
    reg.DeleteKey(L"\\" + Key());
  }
  std::wstring Key() const { return std::wstring(kUninstallKey) + L"\\" + subkey_; }
  bool Installed() const {
    TRegistry reg(place_.View);
    reg.SetRootKey(place_.Root);
    return reg.KeyExists(L"\\" + Key());
  }

private:
  std::wstring subkey_;
  TPlace place_;
};

const TPlace kMachine32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};
const TPlace kUser{HKEY_CURRENT_USER, 0};

// Starts a copy of purgalot.exe with parameters; the process handle.
win::UniqueHandleObj Start(const std::wstring& program, const std::wstring& parameters) {
  std::wstring line = L"\"" + program + L"\" " + parameters;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION pi{};
  EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &pi));
  CloseHandle(pi.hThread);
  return win::UniqueHandleObj(pi.hProcess);
}

DWORD ExitCodeAfter(const win::UniqueHandleObj& process, DWORD milliseconds = 60000) {
  if (WaitForSingleObject(process.Get(), milliseconds) != WAIT_OBJECT_0) return 0xDEADBEEF;
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  return code;
}

struct TWindowSearch {
  DWORD Pid;
  const wchar_t* Caption;
  HWND Found = nullptr;
};

BOOL CALLBACK FindOf(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<TWindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t text[128] = {};
  GetWindowTextW(hwnd, text, 128);
  if (pid == search->Pid && IsWindowVisible(hwnd) && lstrcmpW(text, search->Caption) == 0) {
    search->Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForWindowOf(const win::UniqueHandleObj& process, const wchar_t* caption) {
  TWindowSearch search{GetProcessId(process.Get()), caption};
  WaitUntil([&search] {
    EnumWindows(FindOf, reinterpret_cast<LPARAM>(&search));
    return search.Found != nullptr;
  });
  return search.Found;
}

class CommandLineTest : public ::testing::Test {
protected:
  CommandLineTest() : program(CopyOfProgram(dir)) {}
  // The log the program wrote beside itself.
  std::string Log() { return ReadBytes(dir.Path() + L"Purgalot\\ULog.txt"); }
  win::UniqueHandleObj Start(const std::wstring& parameters) {
    return ::Start(program, parameters);
  }

  TTempDir dir;
  std::wstring program;
};

const std::string kStamp = "\r\n[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";

TEST_F(CommandLineTest, QuietUninstallRunsEachNamedProgramLogsItAndEndsWithZero) {
  TMachineProgram removes(dir, L"E2E Removes Ω", L"", TOptionsIn::Arguments);
  TMachineProgram stays(dir, L"E2E Stays", L"/cancel");
  auto process = Start(L"/qu \"e2e removes ω\" \"No Such Program\" \"E2E Stays\"");
  EXPECT_EQ(ExitCodeAfter(process), 0u);
  EXPECT_FALSE(removes.Installed());
  EXPECT_TRUE(stays.Installed());
  std::string log = Log();
  EXPECT_TRUE(std::regex_match(
      log, std::regex(kStamp + "Uninstalling e2e removes \xCF\x89\r\n"
                               "Uninstall OK\\. Uninstaller removed program from list\\.\r\n" +
                      kStamp + "Uninstalling E2E Stays\r\n"
                               "Uninstaller did not complete the uninstall process or did not "
                               "remove program from list\\.\r\n")))
      << log;
}

TEST_F(CommandLineTest, QuietUninstallTakesThe32BitAndThePerUserProgramsFromTheirOwnKeys) {
  // One key name in three places; the native program's uninstaller would remove its key too.
  TMachineProgram native(dir, L"E2E Native", L"", TOptionsIn::File, {}, L"Shared");
  TMachineProgram wow(dir, L"E2E Wow", L"", TOptionsIn::File, kMachine32, L"Shared");
  TMachineProgram user(dir, L"E2E User", L"", TOptionsIn::Arguments, kUser, L"Shared");
  ASSERT_TRUE(native.Installed() && wow.Installed() && user.Installed());
  auto process = Start(L"/QU \"E2E Wow\" \"E2E User\"");
  EXPECT_EQ(ExitCodeAfter(process), 0u);
  EXPECT_FALSE(wow.Installed());
  EXPECT_FALSE(user.Installed());
  EXPECT_TRUE(native.Installed());
  std::string log = Log();
  EXPECT_TRUE(std::regex_match(
      log, std::regex(kStamp + "Uninstalling E2E Wow\r\nUninstall OK\\. [^\r]+\r\n" + kStamp +
                      "Uninstalling E2E User\r\nUninstall OK\\. [^\r]+\r\n")))
      << log;
}

TEST_F(CommandLineTest, QuietUninstallWithoutNamesWritesNothing) {
  auto process = Start(L"/QU");
  EXPECT_EQ(ExitCodeAfter(process), 0u);
  EXPECT_EQ(Log(), "<missing>");
}

TEST_F(CommandLineTest, UninstallSwitchOpensTheWizardForTheNamedProgram) {
  TMachineProgram program(dir, L"E2E Wizard", L"");
  auto process = Start(L"/UNINSTALL \"E2E Wizard\"");
  HWND wizard = WaitForWindowOf(process, L"Uninstall");
  ASSERT_NE(wizard, nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(wizard, IDC_UN_PROGRAM_NAME)), L"E2E Wizard");
  HWND forward = GetDlgItem(wizard, IDC_UN_FORWARD);
  PostClick(forward);
  ASSERT_TRUE(WaitUninstallerEnded(forward));
  PostClick(forward);  // Continue
  ASSERT_TRUE(WaitUntil([forward] { return ControlText(forward) == L"Close"; }));
  PostClick(forward);

  HWND main = WaitForWindowOf(process, L"Tarvenholt Purgalot! 2006");
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCodeAfter(process), 0u);
  EXPECT_FALSE(program.Installed());
  EXPECT_TRUE(std::regex_match(Log(), std::regex(kStamp + "Uninstalling E2E Wizard\r\n"
                                                               "Uninstall OK\\. [^\r]+\r\n")));
}

}  // namespace

namespace {

// The report's header as this machine writes it (the date and time as a pattern).
std::string HeaderPattern() {
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  GetComputerNameW(computer, &size);
  wchar_t user[200] = {};
  DWORD userSize = 200;
  GetUserNameW(user, &userSize);
  auto quoted = [](const std::wstring& text) {
    return std::regex_replace(win::ToUtf8(text), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
  };
  return " Software Audit Report for: " + quoted(computer) +
         "\r\n Generated on  [0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n"
         "\r\r\n By Tarvenholt Purgalot! \r\n [^\r]+\r\n\r\r\n Computer Name: " +
         quoted(computer) + "\r\n User Name: " + quoted(user) +
         "\r\n\r\r\n INSTALLED PROGRAMS:\r\n\r\r\n\r\r\n";
}

win::UniqueHandleObj StartIn(const std::wstring& program, const std::wstring& parameters,
                             const std::wstring& folder) {
  std::wstring line = L"\"" + program + L"\" " + parameters;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION pi{};
  EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.c_str(), &startup, &pi));
  CloseHandle(pi.hThread);
  return win::UniqueHandleObj(pi.hProcess);
}

TEST_F(CommandLineTest, ReportSwitchesWriteTheLongOrShortReportAndEnd) {
  TMachineProgram installed(dir, L"E2E Report Ω", L"");
  const std::string line = "\r\nE2E Report \xCE\xA9\r\n";  // the name on a line of its own
  auto longRun = Start(L"/rfl \"" + dir.Path() + L"audit\"");
  EXPECT_EQ(ExitCodeAfter(longRun), 0u);
  std::string longReport = ReadBytes(dir.Path() + L"audit.txt");
  // The machine may list other programs too; ours appears in its place in the list.
  std::regex header(std::string("^").append(HeaderPattern()));
  EXPECT_TRUE(std::regex_search(longReport, header));
  std::string block = line;
  block.append("Uninstall Command: \"[^\r]+uninst\\.exe\" /S\r\n\r\r\n");
  EXPECT_TRUE(std::regex_search(longReport, std::regex(block))) << longReport;

  // Without a name: Report.txt in the current folder.
  std::wstring folder = dir.MakeFolder(L"Here");
  auto shortRun = StartIn(program, L"/RFS", folder);
  EXPECT_EQ(ExitCodeAfter(shortRun), 0u);
  std::string shortReport = ReadBytes(folder + L"\\Report.txt");
  EXPECT_TRUE(std::regex_search(shortReport, header));
  EXPECT_NE(shortReport.find(line), std::string::npos) << shortReport;
  EXPECT_EQ(shortReport.find("Uninstall Command:"), std::string::npos);
}

TEST_F(CommandLineTest, TheReportListsTheProgramsOfEveryPlaceInNameOrder) {
  // Registered in the reverse of the order the places are read in.
  TMachineProgram first(dir, L"E2E Order 1", L"", TOptionsIn::File, kUser);
  TMachineProgram second(dir, L"E2E Order 2", L"", TOptionsIn::File, kMachine32);
  TMachineProgram third(dir, L"E2E Order 3", L"");
  EXPECT_EQ(ExitCodeAfter(Start(L"/RFL \"" + dir.Path() + L"audit\"")), 0u);
  std::string report = ReadBytes(dir.Path() + L"audit.txt");
  size_t one = report.find("\r\nE2E Order 1\r\n"), two = report.find("\r\nE2E Order 2\r\n"),
         three = report.find("\r\nE2E Order 3\r\n");
  ASSERT_NE(one, std::string::npos) << report;
  ASSERT_NE(two, std::string::npos) << report;
  ASSERT_NE(three, std::string::npos) << report;
  EXPECT_LT(one, two);
  EXPECT_LT(two, three);
}

TEST_F(CommandLineTest, AReportThatCannotBeWrittenEndsWithExitCodeOneAndWritesNothing) {
  std::wstring missing = dir.Path() + L"Missing";
  EXPECT_EQ(ExitCodeAfter(Start(L"/RFL \"" + missing + L"\\audit\"")), 1u);
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
  // A folder already holds the report's name.
  std::wstring folder = dir.MakeFolder(L"audit.txt");
  EXPECT_EQ(ExitCodeAfter(Start(L"/RFS \"" + dir.Path() + L"audit\"")), 1u);
  DWORD attributes = GetFileAttributesW(folder.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(Log(), "<missing>");
}

TEST_F(CommandLineTest, PrintSwitchPrintsTheReportAndEnds) {
  TMachineProgram installed(dir, L"E2E Printed", L"");
  TPrinterOutput output;
  ASSERT_TRUE(output.Ready());
  auto run = Start(L"/RPL");
  EXPECT_EQ(ExitCodeAfter(run), 0u);
  std::string pdf = output.Next();
  ASSERT_FALSE(pdf.empty());
  std::string text = RunOnHost({"pdftotext", "-layout", pdf, "-"});
  for (const char* expected : {"Software Audit Report for:", "INSTALLED PROGRAMS:", "E2E Printed",
                               "Uninstall Command:"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

}  // namespace
