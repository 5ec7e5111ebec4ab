// The audit report's text, byte for byte, in its three formats.
#include "uninstall/AuditReport.h"

#include "UninstallTestSupport.h"
#include "win/Error.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using namespace testing_support;

namespace {

const TDateTimeText kNow{L"6/12/2026", L"9:5:3"};
const std::string kHeader =
    " Software Audit Report for: PC-7\r\n"
    " Generated on  6/12/2026 9:5:3\r\n"
    "\r\r\n"
    " By Tarvenholt Purgalot! \r\n"
    " Tarvenholt Purgalot! lists, uninstalls and cleans up the programs on your computer.\r\n"
    "\r\r\n"
    " Computer Name: PC-7\r\n"
    " User Name: \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\r\n"
    "\r\r\n"
    " INSTALLED PROGRAMS:\r\n"
    "\r\r\n";
const std::string kMissing =
    "It seems that the uninstall program for this product (or one of its components) is missing. "
    "It is possible that you have already removed this program from your computer.\r\n";

// Two rows as the NT family fills them: one with a usage record, one whose uninstaller is gone.
struct TNtList : TProgramList {
  TNtList() {
    BeginUpdate();
    TUninstListItem& a = *Add().Entry;
    a.SetName(L"Alpha 日本");
    a.SetSize(L"1.50 MB");
    a.SetLastUsed(L"2026-03-14");
    a.SetFrequency(L"rarely");
    a.SetUninstallCommand(L"");  // an empty command counts as present
    TUninstListItem& b = *Add().Entry;
    b.SetName(L"Beta");
    b.SetSize(L"");
    b.SetLastUsed(L"");
    b.SetFrequency(L"");
    b.SetUninstallCommand(L"C:\\Nowhere\\un.exe /x");
    EndUpdate();
  }
};

// The names of the files in a folder.
std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  win::UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &data));
  if (find) do {
      if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
        names.push_back(data.cFileName);
    } while (FindNextFileW(find.Get(), &data));
  return names;
}

std::string Saved(TAuditReport& report, TReportFormat format) {
  TTempDir dir;
  std::wstring file = report.SaveReport(dir.Path() + L"report", format);
  EXPECT_EQ(file, dir.Path() + L"report.txt");
  return ReadBytes(file);
}

TEST(AuditReport, ShortFormatListsTheNamesOnly) {
  TNtList list;
  TAuditReport report(list, L"PC-7", L"Иван", kNow);
  EXPECT_EQ(Saved(report, TReportFormat::Short),
            kHeader + "\r\r\nAlpha \xE6\x97\xA5\xE6\x9C\xAC\r\nBeta\r\n");
}

TEST(AuditReport, LongFormatAddsTheCommandTheMissingNoticeAndSeparators) {
  TNtList list;
  TAuditReport report(list, L"PC-7", L"Иван", kNow);
  EXPECT_EQ(Saved(report, TReportFormat::Long),
            kHeader + "\r\r\nAlpha \xE6\x97\xA5\xE6\x9C\xAC\r\nUninstall Command: \r\n\r\r\n"
                      "Beta\r\nUninstall Command: C:\\Nowhere\\un.exe /x\r\n" +
                kMissing + "\r\r\n");
}

TEST(AuditReport, DetailedFormatAddsTheUsageColumns) {
  TNtList list;
  TAuditReport report(list, L"PC-7", L"Иван", kNow);
  EXPECT_EQ(Saved(report, TReportFormat::Detailed),
            kHeader + "\r\r\nAlpha \xE6\x97\xA5\xE6\x9C\xAC\r\nSize: 1.50 MB\r\n"
                      "Last Used On: 2026-03-14\r\nFrequency: rarely\r\nUninstall Command: \r\n\r\r\n"
                      "Beta\r\nSize: \r\nLast Used On: \r\nFrequency: \r\n"
                      "Uninstall Command: C:\\Nowhere\\un.exe /x\r\n" +
                kMissing + "\r\r\n");
}

TEST(AuditReport, AnEmptyListGivesTheHeaderAndOneSeparator) {
  TProgramList empty;
  TAuditReport report(empty, L"PC-7", L"Иван", kNow);
  EXPECT_EQ(Saved(report, TReportFormat::Long), kHeader + "\r\r\n");
}

TEST(AuditReport, OnThe9xFamilyTheCommandIsTheOnlyColumn) {
  TProgramList list;
  TUninstListItem& entry = *list.Add().Entry;
  entry.SetName(L"Old");
  entry.SetUninstallCommand(L"rundll32 x.dll");
  TAuditReport report(list, L"PC-7", L"Иван", kNow);
  EXPECT_EQ(Saved(report, TReportFormat::Long),
            kHeader + "\r\r\nOld\r\nUninstall Command: rundll32 x.dll\r\n\r\r\n");
}

TEST(AuditReport, AnEditedHeaderStaysAboveTheListWhichIsAppendedOnce) {
  TNtList list;
  TAuditReport report(list, L"PC-7", L"Иван", kNow);
  report.SetHeader(TAuditReport::LinesOf(L" My own title\r\n\r\r\n done"));
  TTempDir dir;
  std::wstring file = report.SaveReport(dir.Path() + L"a.txt", TReportFormat::Short);
  report.SaveReport(file, TReportFormat::Short);  // a second output appends nothing more
  EXPECT_EQ(ReadBytes(file), " My own title\r\n\r\r\n done\r\n\r\r\nAlpha \xE6\x97\xA5\xE6\x9C\xAC\r\nBeta\r\n");
}

TEST(AuditReport, FileNamesGetExactlyOneTxtExtension) {
  EXPECT_EQ(TAuditReport::ReportFileName(L""), L"Report.txt");
  EXPECT_EQ(TAuditReport::ReportFileName(L"audit"), L"audit.txt");
  EXPECT_EQ(TAuditReport::ReportFileName(L"audit.txt"), L"audit.txt");
  EXPECT_EQ(TAuditReport::ReportFileName(L"report.TXT"), L"report.TXT.txt");
  EXPECT_EQ(TAuditReport::ReportFileName(L"C:\\my.folder\\audit"), L"C:\\my.folder\\audit.txt");
  EXPECT_EQ(TAuditReport::ReportFileName(L"audit.log"), L"audit.log.txt");
}

TEST(AuditReport, AFileAlreadyThereIsReplaced) {
  TTempDir dir;
  std::wstring file = dir.MakeFile(L"old.txt", std::string(5000, 'x'));
  TProgramList empty;
  TAuditReport report(empty, L"PC-7", L"Иван", kNow);
  report.SaveReport(file, TReportFormat::Short);
  EXPECT_EQ(ReadBytes(file), kHeader + "\r\r\n");
}

TEST(AuditReport, LineBreaksInAFieldCannotForgeLines) {
  TProgramList list;
  TUninstListItem& entry = *list.Add().Entry;
  entry.SetName(L"Evil\r\nUninstall Command: format c:");
  entry.SetSize(L"1\n2");
  entry.SetLastUsed(L"\x1b[2J");
  entry.SetFrequency(L"often\r");
  entry.SetUninstallCommand(L"un.exe\r\n\r");
  TAuditReport report(list, L"PC\r\n-7", L"Иван\n", kNow);
  std::string text = Saved(report, TReportFormat::Detailed);
  EXPECT_EQ(text.rfind(" Software Audit Report for: PC  -7\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("\r\n User Name: \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \r\n"), std::string::npos);
  const std::string programs = " INSTALLED PROGRAMS:\r\n\r\r\n";
  ASSERT_NE(text.find(programs), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.find(programs) + programs.size()),
            "\r\r\nEvil  Uninstall Command: format c:\r\nSize: 1 2\r\nLast Used On:  [2J\r\n"
            "Frequency: often \r\nUninstall Command: un.exe   \r\n" +
                kMissing + "\r\r\n");
}

// Stands in for WriteFile on a disk with 64 KB left, taking at most 4 KB per call.
std::atomic<size_t> gRoomLeft{0};
BOOL WINAPI WriteToSmallDisk(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                             LPOVERLAPPED overlapped) {
  DWORD part = static_cast<DWORD>(std::min<size_t>({size, 4096, gRoomLeft.load()}));
  gRoomLeft -= part;
  return WriteFile(file, data, part, written, overlapped);
}

TEST(AuditReport, AShortWriteFailsAndLeavesTheEarlierReportAsItWas) {
  TTempDir dir;
  std::wstring file = dir.MakeFile(L"report.txt", "the report of last week");
  std::wstring big(1500 * 1024, L'x');
  gRoomLeft = 64 * 1024;
  try {
    WriteWholeFile(file, big, WriteToSmallDisk);
    ADD_FAILURE() << "a write that stopped at 64 KB of 1.5 MB succeeded";
  } catch (const win::TError& e) {
    EXPECT_NE(e.Message().find(L"\"" + file + L"\""), std::wstring::npos) << e.what();
  }
  EXPECT_EQ(ReadBytes(file), "the report of last week");
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::wstring>{L"report.txt"});  // nothing half written

  // The same writer with room enough writes the whole text, however many calls it takes.
  gRoomLeft = 1 << 30;
  WriteWholeFile(file, L"short\r\n", WriteToSmallDisk);
  EXPECT_EQ(ReadBytes(file), "short\r\n");
}

TEST(AuditReport, AReportThatCannotBeWrittenThrowsNamingTheFileAndLosesNothing) {
  TTempDir dir;
  TProgramList empty;
  TAuditReport report(empty, L"PC-7", L"Иван", kNow);
  dir.MakeFolder(L"taken.txt");
  std::wstring readOnly = dir.MakeFile(L"locked.txt", "kept");
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  struct TWritableAgain {
    std::wstring path;
    ~TWritableAgain() { SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); }
  } writableAgain{readOnly};

  for (const std::wstring& name : {dir.Path() + L"missing\\report", dir.Path() + L"taken",
                                  dir.Path() + L"locked"}) {
    try {
      report.SaveReport(name, TReportFormat::Short);
      ADD_FAILURE() << "saved as " << win::ToUtf8(name);
    } catch (const win::TError& e) {
      EXPECT_NE(e.Message().find(L"\"" + name + L".txt\""), std::wstring::npos) << e.what();
    }
  }
  EXPECT_EQ(ReadBytes(readOnly), "kept");
  EXPECT_NE(GetFileAttributesW((dir.Path() + L"taken.txt").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  std::vector<std::wstring> files = FilesIn(dir.Path());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::wstring>{L"locked.txt", L"taken.txt"}));
}

}  // namespace
