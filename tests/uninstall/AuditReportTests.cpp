// The audit report's text, byte for byte, in its three formats.
#include "uninstall/AuditReport.h"

#include "UninstallTestSupport.h"

#include <gtest/gtest.h>

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
  report.Lines() = TAuditReport::LinesOf(L" My own title\r\n\r\r\n done");
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

}  // namespace
