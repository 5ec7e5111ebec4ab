#include "leftovers/LeftoverRules.h"

#include "win/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(LeftoverRules, NamesCompareWithoutCaseSpacesPunctuationVersionOrCompanyForm) {
  struct TRow {
    const wchar_t* Name;
    const wchar_t* Version;
    const wchar_t* Normal;
  } rows[] = {
      {L"Quill Writer", L"", L"quillwriter"},
      {L"  QUILL-writer! ", L"", L"quillwriter"},
      {L"Quill Writer 2.1", L"2.1.0", L"quillwriter"},  // trailing version word
      {L"Quill Writer 2.1.0 (x64)", L"2.1.0", L"quillwriter"},
      {L"Quill Writer v3 64-bit", L"", L"quillwriter"},
      {L"Quill 2.1.0 Writer", L"2.1.0", L"quillwriter"},  // the version, wherever it stands
      {L"7-Zip", L"", L"7zip"},  // a name that starts with digits keeps them
      {L"2048", L"", L"2048"},   // a name of digits alone stays
      {L"Schreibstube Größe", L"", L"schreibstubegröße"},  // letters of any script
      {L"Редактор", L"1.0", L"редактор"},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(NormalName(row.Name, row.Version), row.Normal) << win::ToUtf8(row.Name);

  EXPECT_EQ(NormalPublisher(L"Tarvenholt Software, Inc."), L"tarvenholtsoftware");
  EXPECT_EQ(NormalPublisher(L"Quillworks GmbH"), L"quillworks");
  EXPECT_EQ(NormalPublisher(L"Corp"), L"corp");  // a company form alone is the name
}

TEST(LeftoverRules, PlaceNamesMatchExactlyNearlyOrInPart) {
  struct TRow {
    const wchar_t* Place;
    const wchar_t* Program;
    TNameMatch Match;
  } rows[] = {
      {L"quillwriter", L"quillwriter", TNameMatch::Exact},
      {L"quilwriter", L"quillwriter", TNameMatch::Near},   // one letter apart
      {L"quillwritr2", L"quillwriter", TNameMatch::Near},  // two apart, long names
      {L"qwilwritr", L"quillwriter", TNameMatch::None},    // three apart
      {L"quills", L"quill", TNameMatch::Near},             // one letter apart, short names
      {L"quillpro", L"quill", TNameMatch::Partial},
      {L"quillwriterbackup", L"quillwriter", TNameMatch::Partial},
      {L"quill", L"quillwriter", TNameMatch::Partial},
      {L"qui", L"quillwriter", TNameMatch::None},  // a part too short to tell
      {L"ab", L"ab", TNameMatch::Exact},
      {L"abc", L"ab", TNameMatch::None},  // short names only exactly
      {L"inkpot", L"quillwriter", TNameMatch::None},
      {L"", L"quillwriter", TNameMatch::None},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(MatchName(row.Place, row.Program), row.Match)
        << win::ToUtf8(row.Place) << " / " << win::ToUtf8(row.Program);
}

TEST(LeftoverRules, GenericNamesWeighAgainstAMatch) {
  for (const wchar_t* name :
       {L"data", L"settings", L"config", L"users", L"install", L"bin", L"common", L"cache"})
    EXPECT_TRUE(IsGenericName(name)) << win::ToUtf8(name);
  for (const wchar_t* name : {L"quillwriter", L"database", L"binder", L""})
    EXPECT_FALSE(IsGenericName(name)) << win::ToUtf8(name);
}

TEST(LeftoverRules, EvidenceSumsToALevelAndReadsStrongestFirst) {
  struct TRow {
    std::vector<TLeftoverEvidence> Evidence;
    int Score;
    TLeftoverLevel Level;
    std::vector<std::wstring> Sentences;
  } rows[] = {
      {{{TLeftoverRule::ExactName, {}}},
       50,
       TLeftoverLevel::Sure,
       {L"It is named after the program."}},
      // The same rule twice counts once.
      {{{TLeftoverRule::RunValuePointsInto, {}}, {TLeftoverRule::RunValuePointsInto, {}}},
       90,
       TLeftoverLevel::VerySure,
       {L"Its Run value starts the program from its install folder."}},
      {{{TLeftoverRule::NearName, {}}},
       25,
       TLeftoverLevel::Unsure,
       {L"Its name is close to the program's name."}},
      {{{TLeftoverRule::PartialName, {}}},
       15,
       TLeftoverLevel::Unlikely,
       {L"Its name holds part of the program's name."}},
      // Against outweighs an exact name; the strongest piece reads first, with its detail.
      {{{TLeftoverRule::ExactName, {}}, {TLeftoverRule::OtherProgramNamed, L"Quill Pro"}},
       -10,
       TLeftoverLevel::Unlikely,
       {L"Another installed program's name matches it as well: Quill Pro.",
        L"It is named after the program."}},
      {{{TLeftoverRule::IsInstallFolder, {}}, {TLeftoverRule::OtherProgramUses, L"Inkpot"}},
       -50,
       TLeftoverLevel::Unlikely,
       {L"Another installed program uses it: Inkpot.", L"It is the program's install folder."}},
      {{{TLeftoverRule::ExactNameUnderPublisher, {}}, {TLeftoverRule::DeepPlace, {}}},
       80,
       TLeftoverLevel::Sure,
       {L"It is named after the program, inside a folder or key named after its publisher.",
        L"It lies deeper than the shared folder's own level, where fewer programs meet."}},
      {{{TLeftoverRule::PublisherFolderOnlyProgram, {}}},
       40,
       TLeftoverLevel::Unsure,
       {L"It is named after the publisher and holds nothing but the program's traces."}},
      {{{TLeftoverRule::ShortcutPointsInto, {}}, {TLeftoverRule::HoldsDocuments, {}}},
       -110,
       TLeftoverLevel::Unlikely,
       {L"It holds documents or lies among them: deleting it could take the user's own files.",
        L"The shortcut starts a file in the program's install folder."}},
  };
  for (const TRow& row : rows) {
    TLeftover find;
    WeighLeftover(find, row.Evidence);
    EXPECT_EQ(find.Score, row.Score);
    EXPECT_EQ(find.Level, row.Level);
    EXPECT_EQ(find.Evidence, row.Sentences);
    EXPECT_EQ(find.Ticked(),
              row.Level == TLeftoverLevel::Sure || row.Level == TLeftoverLevel::VerySure);
  }
  // The boundaries of each level.
  EXPECT_EQ(LevelOfScore(90), TLeftoverLevel::VerySure);
  EXPECT_EQ(LevelOfScore(89), TLeftoverLevel::Sure);
  EXPECT_EQ(LevelOfScore(50), TLeftoverLevel::Sure);
  EXPECT_EQ(LevelOfScore(49), TLeftoverLevel::Unsure);
  EXPECT_EQ(LevelOfScore(20), TLeftoverLevel::Unsure);
  EXPECT_EQ(LevelOfScore(19), TLeftoverLevel::Unlikely);
  // Every rule has a row of its own, and every sentence reads as one.
  for (const TLeftoverRuleRow& row : LeftoverRuleTable()) {
    EXPECT_EQ(LeftoverRuleRow(row.Rule).Name, row.Name);
    EXPECT_NE(row.Weight, 0);
    EXPECT_TRUE(std::wstring(row.Sentence).size() > 10);
  }
}

}  // namespace
