// What the assisted uninstall proposes from the chosen files and what it writes: the uninstall
// log record and the log file the user saves.
#include "assisted/AssistedLogic.h"

#include "../uninstall/UninstallTestSupport.h"

#include <gtest/gtest.h>

#include <regex>

using namespace testing_support;

namespace {

const std::vector<TChosenFile> kDesktop = {
    {L"Foo", L"C:\\Program Files\\Foo\\foo.exe", L"C:\\users\\u\\Desktop\\Foo.lnk", true},
    {L"Notes", L"", L"C:\\users\\u\\Desktop\\Notes.txt", false},
    {L"Bar\r\nSuite", L"D:\\Apps\\Bar Suite\\bin\\bar.exe", L"C:\\users\\u\\Desktop\\Bar.lnk", true},
};

TEST(AssistedProposals, FilesFoldersAndStartMenuNamesComeFromTheCheckedRowsInOrder) {
  std::vector<std::wstring> files = CollectSelectedFiles(kDesktop);
  ASSERT_EQ(files, (std::vector<std::wstring>{L"C:\\Program Files\\Foo\\foo.exe",
                                              L"D:\\Apps\\Bar Suite\\bin\\bar.exe"}));
  EXPECT_EQ(FolderOfFile(files[0]), L"C:\\Program Files\\Foo\\");
  EXPECT_EQ(FolderOfFile(L"foo.exe"), L"");

  // Executables chosen while shortcuts stay ticked: the shortcuts' names are still looked for,
  // after the executables' folder names; a file in a drive's root gives no folder name.
  std::vector<std::wstring> names = BuildStartMenuNames(
      {L"C:\\Tools\\Tool One\\tool.exe", L"C:\\root.exe", L"C:\\Tools\\Tool One\\other.exe"},
      kDesktop);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Tool One", L"Tool One", L"Foo", L"Bar\r\nSuite"}));
}

TEST(AssistedLogRecord, NamesTheApplicationsOnePerLineAndTheOutcome) {
  TTempDir dir;
  std::wstring log = dir.Path() + L"ULog.txt";
  std::wstring names = SelectedApplicationNames(kDesktop);
  EXPECT_EQ(names, L"\r\nFoo\r\nBar  Suite");
  AppendAssistedLogStart(log, names);
  AppendAssistedLogResult(log, false);
  AppendAssistedLogStart(log, SelectedApplicationNames({}));
  AppendAssistedLogResult(log, true);
  const std::string stamp = "\r\n[0-9]{1,2}/[0-9]{1,2}/20[0-9]{2} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";
  std::string bytes = ReadBytes(log);
  EXPECT_TRUE(std::regex_match(
      bytes, std::regex(stamp + "Uninstalling \r\nFoo\r\nBar  Suite\r\n"
                                "Uninstaller did not complete the uninstall process or did not "
                                "remove program from list\\.\r\n" +
                        stamp + "Uninstalling \r\n"
                                "Uninstall OK\\. Uninstaller removed program from list\\.\r\n")))
      << bytes;
}

TEST(AssistedLogText, ListsOnlyTheCheckedRowsWithTheirShownStatus) {
  TDeleteRows rows;
  rows.push_back(MakeDeleteRow(kKindFolder, nullptr, L"C:\\Program Files\\Foo"));
  rows.push_back(MakeDeleteRow(kKindRegistry, HKEY_CURRENT_USER, L"\\Software\\Foo"));
  rows.push_back(MakeDeleteRow(kKindShortcut, nullptr, L"C:\\users\\u\\Desktop\\Foo.lnk"));
  rows[0].SubItems.insert(rows[0].SubItems.begin() + 1, kStatusOK);
  rows[1].Checked = false;
  EXPECT_EQ(AssistedLogText(L"\r\nFoo", rows),
            L"Assisted uninstall log for \r\nFoo\r\n\r\n"
            L"Folder.....C:\\Program Files\\Foo.....OK\r\n"
            L"Shortcut.....C:\\users\\u\\Desktop\\Foo.lnk.....To Delete\r\n");
}

}  // namespace
