// The uninstall log's file format and the writer's reading of older files.
#include "uninstall/Logging.h"

#include "UninstallTestSupport.h"
#include "uninstall/UninstallLogic.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <regex>

using namespace testing_support;

namespace {

const char kStamp[] = "\r\n[0-9]{1,2}/[0-9]{1,2}/20[0-9]{2} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";

TEST(LogFile, TheFirstRecordCreatesTheFileWithoutHeaderInUtf8) {
  TTempDir dir;
  std::wstring log = dir.Path() + L"ULog.txt";
  ulog::AppendTimestamp(log);
  ulog::AppendLine(log, L"Uninstalling Текст 日本 100%");
  ulog::AppendLine(log, ulog::kUninstallOk);
  std::string bytes = ReadBytes(log);
  EXPECT_TRUE(std::regex_match(
      bytes, std::regex(std::string(kStamp) +
                        "Uninstalling \xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82 \xE6\x97\xA5\xE6\x9C\xAC "
                        "100%\r\n"
                        "Uninstall OK\\. Uninstaller removed program from list\\.\r\n")))
      << bytes;
  EXPECT_NE(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0);  // no byte-order mark
}

TEST(LogFile, ANameCannotAddLinesToItsRecord) {
  TTestKey key;
  TTempDir dir;
  std::wstring log = dir.Path() + L"ULog.txt";
  TProgramList list;
  const std::wstring forged =
      L"Evil\r\nUninstall Command: C:\\x.exe\nDeleted OK.\r\x01\t\x7F\u0085\u2028end";
  TUninstListItem& entry = AddEntry(list, key, L"Gone", forged, L"C:\\x.exe");
  DeleteEntryLogged(entry, log, kDeleteFromListAction);
  JudgeUninstall(entry, log);
  const std::string name = "Evil  Uninstall Command: C:\\\\x\\.exe Deleted OK\\.      end";
  std::string bytes = ReadBytes(log);
  EXPECT_TRUE(std::regex_match(
      bytes, std::regex(std::string(kStamp) + "Deleting entry " + name +
                        "\r\nFailed to delete entry\\.\r\n" + kStamp + "Uninstalling " + name +
                        "\r\nUninstall OK\\. Uninstaller removed program from list\\.\r\n")))
      << bytes;
}

TEST(LogFile, WritingWithoutAppendReplacesTheContent) {
  TTempDir dir;
  std::wstring log = dir.Path() + L"ULog.txt";
  TLogging writer;
  writer.WriteToFile(L"one\r\n", log, true);
  writer.WriteToFile(L"two\r\n", log, false);
  EXPECT_EQ(ReadBytes(log), "two\r\n");
  // A folder that does not exist: nothing is written and nothing is thrown.
  writer.WriteToFile(L"x", dir.Path() + L"missing\\ULog.txt", true);
}

enum class TEncoding { Utf16Le, Utf16Be, Utf8 };

std::string Encoded(const std::wstring& text, TEncoding encoding) {
  if (encoding == TEncoding::Utf8) return win::ToUtf8(text);
  std::string bytes;
  for (wchar_t c : text) {
    char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
    bytes += encoding == TEncoding::Utf16Be ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// A log that an editor saved with a byte-order mark keeps its encoding when records are added,
// and reads back whole.
TEST(LogFile, RecordsAreAppendedInTheEncodingOfTheFile) {
  struct TCase {
    const char* Name;
    std::string Mark;
    TEncoding Encoding;
  };
  const TCase cases[] = {
      {"UTF-16 LE", "\xFF\xFE", TEncoding::Utf16Le},
      {"UTF-16 BE", "\xFE\xFF", TEncoding::Utf16Be},
      {"UTF-8 with mark", "\xEF\xBB\xBF", TEncoding::Utf8},
      {"UTF-8", "", TEncoding::Utf8},
  };
  const std::wstring old = L"Tarvenholt Purgalot! Uninstall Log \r\nКофе\r\n";
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    std::wstring log = dir.MakeFile(L"ULog.txt", c.Mark + Encoded(old, c.Encoding));
    ulog::AppendTimestamp(log);
    ulog::AppendLine(log, L"Deleting entry 日本 Café");
    ulog::AppendLine(log, ulog::kDeletedOk);

    TTextLines memo;
    TLogging(&memo).ShowLog(log);
    ASSERT_EQ(memo.Count(), 6u);
    const std::wstring stamp(memo.Line(3));
    EXPECT_EQ(memo.Text(), L"Tarvenholt Purgalot! Uninstall Log \r\nКофе\r\n\r\n" + stamp +
                               L"\r\nDeleting entry 日本 Café\r\nDeleted OK.");
    const std::wstring added =
        L"\r\n" + stamp + L"\r\nDeleting entry 日本 Café\r\nDeleted OK.\r\n";
    EXPECT_EQ(ReadBytes(log), c.Mark + Encoded(old + added, c.Encoding));
  }
}

TEST(LogFile, ClearingShowsTheHeaderLinesAndRemovesTheFile) {
  TTempDir dir;
  std::wstring log = dir.MakeFile(L"ULog.txt", "old\r\n");
  TTextLines memo(L"old");
  TLogging writer(&memo);
  writer.ClearLog(log);
  EXPECT_EQ(memo.Text(),
            L"Tarvenholt Purgalot! Uninstall Log \r\n"
            L"Contains information about programs you have uninstalled from your computer");
  EXPECT_EQ(ReadBytes(log), "<missing>");
  writer.WriteToFile(TLogging::kHeader, log, true);
  EXPECT_EQ(ReadBytes(log),
            "Tarvenholt Purgalot! Uninstall Log \r\nContains information about programs you have "
            "uninstalled from your computer\r\n\r\n");
}

TEST(LogFile, ReadsUtf8AndFallsBackToTheAnsiCodePageLineByLine) {
  TTempDir dir;
  std::wstring log = dir.MakeFile(L"ULog.txt",
                                  "\r\n6/12/2026 9:5:3\r\nUninstalling Caf\xE9 Pro\n"
                                  "Uninstalling \xD0\x9A\xD0\xBE\r\nlast");
  TTextLines memo(L"kept");
  TLogging(&memo).ShowLog(log);
  EXPECT_EQ(memo.Lines(), (std::vector<std::wstring>{L"", L"6/12/2026 9:5:3",
                                                     L"Uninstalling Café Pro", L"Uninstalling Ко",
                                                     L"last"}));
  TLogging(&memo).ShowLog(dir.Path() + L"none.txt");
  EXPECT_EQ(memo.Count(), 5u);  // a missing file leaves the memo alone
}

TEST(QuietUninstall, RunsEachNamedProgramAndLogsItsOutcome) {
  TTestKey key;
  TTempDir dir;
  std::wstring log = dir.Path() + L"ULog.txt";
  // The options after a quoted program are not passed: the uninstallers read theirs from a file.
  auto good = InstallSampleCopy(key, dir, L"Q1", L"Quiet One", L"");
  auto stays = InstallSampleCopy(key, dir, L"Q2", L"Quiet Two", L"/cancel");
  TProgramList list;
  AddEntry(list, key, L"Q1", L"Quiet One", good.Command);
  AddEntry(list, key, L"Q2", L"Quiet Two", stays.Command);

  QuietUninstall(list, {L"quiet one", L"Nobody", L"Quiet Two", L"Quiet Two"}, log);
  EXPECT_FALSE(key.Exists(good.Key));
  EXPECT_TRUE(key.Exists(stays.Key));
  const std::string stamp = "\r\n[0-9/]+ [0-9:]+\r\n";
  EXPECT_TRUE(std::regex_match(
      ReadBytes(log),
      std::regex(stamp + "Uninstalling quiet one\r\nUninstall OK\\. [^\r]+\r\n" + stamp +
                 "Uninstalling Quiet Two\r\nUninstaller did not complete [^\r]+\r\n" + stamp +
                 "Uninstalling Quiet Two\r\nUninstaller did not complete [^\r]+\r\n")))
      << ReadBytes(log);

  QuietUninstall(list, {}, dir.Path() + L"none.txt");
  EXPECT_EQ(ReadBytes(dir.Path() + L"none.txt"), "<missing>");
}

}  // namespace
