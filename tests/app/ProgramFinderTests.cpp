#include "app/CommandLine.h"
#include "inventory/ProgramFinder.h"
#include "inventory/NormalUninstall.h"
#include "inventory/UninstallItem.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <cwctype>

using namespace testing_support;

namespace {

// A list of rows with these captions (sorted as the program list sorts them).
struct TListOf : TProgramList {
  TListOf(std::initializer_list<const wchar_t*> captions) {
    BeginUpdate();
    for (const wchar_t* c : captions) Add().Entry->SetName(c);
    EndUpdate();
  }
};

TEST(FindNextMatch, BeginsAfterTheSelectedRowAndTestsItLast) {
  TListOf list({L"Alpha", L"Beta", L"Gamma", L"Delta"});  // Alpha Beta Delta Gamma
  EXPECT_EQ(FindNextMatch(list, 0, L"a"), 1);            // Beta, not Alpha itself
  EXPECT_EQ(FindNextMatch(list, 3, L"ALPHA"), 0);        // wraps round
  EXPECT_EQ(FindNextMatch(list, 2, L"delta"), 2);        // only the selected row matches
  EXPECT_EQ(FindNextMatch(list, -1, L"alpha"), 0);       // no selection: the first row last
  EXPECT_EQ(FindNextMatch(list, -1, L"eta"), 1);
  EXPECT_FALSE(FindNextMatch(list, 3, L"zeta"));
  EXPECT_FALSE(FindNextMatch(list, 0, L""));
  TProgramList empty;
  EXPECT_FALSE(FindNextMatch(empty, -1, L"a"));
  TListOf one({L"Only One"});
  EXPECT_EQ(FindNextMatch(one, 0, L"one"), 0);
  TListOf scripts({L"Программа ОФИС", L"Ελληνικά Εργαλεία"});
  // Greek sorts before Cyrillic.
  EXPECT_EQ(FindNextMatch(scripts, -1, L"офис"), 1);
  EXPECT_EQ(FindNextMatch(scripts, 1, L"εργαλεία"), 0);
}

TEST(FindProgram, MatchesWholeCaptionsIgnoringCaseFromTheFirstRow) {
  TListOf list({L"Twin", L"Twin", L"Twin Peaks", L"Other"});
  EXPECT_EQ(FindProgram(list, L"twin"), 1);  // Other sorts first
  EXPECT_EQ(FindProgram(list, L"TWIN PEAKS"), 3);
  EXPECT_EQ(FindProgram(list, L"Twi"), -1);
  EXPECT_EQ(FindProgram(list, L""), -1);
}

TEST(FindCaption, BeginsAtTheStartRowWrapsRoundAndMatchesTheBeginningIgnoringCase) {
  TListOf list({L"Alpha", L"beta", L"Beta Two", L"Delta"});
  EXPECT_EQ(FindCaption(list, 2, L"BE", false), 2);   // the start row itself first
  EXPECT_EQ(FindCaption(list, 3, L"be", false), 1);   // wraps round
  EXPECT_EQ(FindCaption(list, 0, L"eta", false), -1);  // the beginning, not anywhere
  EXPECT_EQ(FindCaption(list, 2, L"BETA", true), 1);  // a whole caption
  EXPECT_EQ(FindCaption(list, 9, L"d", false), 3);    // past the end: from the first row
  EXPECT_EQ(FindCaption(list, 0, L"", false), -1);
}

// A rescan replaces every entry; the selected program is found again by the key it was read
// from, and only in its own place: the same key name in the other registry view is another one.
TEST(FindEntry, FindsTheProgramByItsKeyInItsOwnPlaceAndNothingOnceItIsGone) {
  TSourceTrees trees;
  using P = TSourceTrees;
  trees.AddProgram(P::Machine, L"Same", L"Same Name", L"native.exe");
  trees.AddProgram(P::Machine32, L"Same", L"Same Name", L"wow.exe");
  trees.AddProgram(P::User, L"Same", L"Another", L"user.exe");
  TProgramList list;
  TNormalUninstall scanner(trees.Sources());
  scanner.SetListView(&list);
  scanner.Scan();
  auto rowOf = [&list](const wchar_t* command) {
    for (size_t i = 0; i < list.Count(); ++i)
      if (list.Row(i).UninstallCommand == command) return static_cast<int>(i);
    return -1;
  };
  ASSERT_EQ(list.Count(), 3u);
  TEntryPlace place = TEntryPlace::Of(*list.Row(static_cast<size_t>(rowOf(L"wow.exe"))).Entry);

  scanner.Scan();
  EXPECT_EQ(FindEntry(list, place), rowOf(L"wow.exe"));
  for (wchar_t& c : place.KeyPath) c = static_cast<wchar_t>(towupper(c));
  EXPECT_EQ(FindEntry(list, place), rowOf(L"wow.exe")) << "key names ignore letter case";

  const TUninstallSource& wow = trees.Source(P::Machine32);
  ASSERT_EQ(RegDeleteKeyExW(wow.Root, (wow.UninstallKey + L"\\Same").c_str(), wow.View, 0),
            ERROR_SUCCESS);
  scanner.Scan();
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(FindEntry(list, place), -1);
}

TEST(ShortcutFiles, KeepsExactLnkFilesAndDropsFolders) {
  TTempDir dir;
  std::wstring a = dir.MakeFile(L"a.lnk"), b = dir.MakeFile(L"b.LNK"), c = dir.MakeFile(L"c.txt");
  std::wstring folder = dir.MakeFolder(L"d.lnk");
  EXPECT_EQ(ShortcutFiles({c, a, b, folder, L"C:\\missing.lnk"}),
            (std::vector<std::wstring>{a, L"C:\\missing.lnk"}));
}

TEST(CommandLine, RecognisesTheSwitchesInParameterOneInAnyCase) {
  EXPECT_EQ(TCommandLine({L"/uninstall", L"x"}).Switch(), TSwitch::Uninstall);
  EXPECT_EQ(TCommandLine({L"/Qu"}).Switch(), TSwitch::QuietUninstall);
  EXPECT_EQ(TCommandLine({L"/rfl"}).Switch(), TSwitch::ReportFileLong);
  EXPECT_EQ(TCommandLine({L"/RFS"}).Switch(), TSwitch::ReportFileShort);
  EXPECT_EQ(TCommandLine({L"/rps"}).Switch(), TSwitch::ReportPrintShort);
  EXPECT_EQ(TCommandLine({L"/RPL"}).Switch(), TSwitch::ReportPrintLong);
  EXPECT_EQ(TCommandLine({L"x", L"/QU"}).Switch(), TSwitch::None);
  EXPECT_EQ(TCommandLine({L"/QUX"}).Switch(), TSwitch::None);
  EXPECT_EQ(TCommandLine({}).Switch(), TSwitch::None);
  TCommandLine line({L"/QU", L"A", L"B"});
  EXPECT_EQ(line.Parameter(3), L"B");
  EXPECT_EQ(line.Parameter(4), L"");
  EXPECT_EQ(line.Count(), 3u);
}

}  // namespace
