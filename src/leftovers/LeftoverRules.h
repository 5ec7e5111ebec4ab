// How sure the leftover finder is that a find belonged to the program: the rules with their weights
// and sentences, name matching, and the levels the summed score falls in. No file system or
// registry access: the finder gathers the evidence, these rules weigh it.
#pragma once

#include "leftovers/LeftoverFinder.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class TLeftoverRule {
  // For.
  IsInstallFolder,
  EntryPointsInto,
  ShortcutPointsInto,
  RunValuePointsInto,
  AppPathPointsInto,
  FileTypeOpensFrom,
  ComServerIn,
  ExtensionNamesFileType,
  OpenWithNamesFileType,
  OpenWithNamesMissingType,
  ExactNameUnderPublisher,
  ExactName,
  PublisherFolderOnlyProgram,
  NearName,
  PartialName,
  DeepPlace,
  // Against.
  GenericName,
  OtherProgramUses,
  OtherProgramNamed,
  PublisherStillInstalled,
  HoldsDocuments,
};

struct TLeftoverRuleRow {
  TLeftoverRule Rule;
  const wchar_t* Name;  // as the help and README list it
  int Weight;           // added to the score; negative against
  // The evidence as the user reads it; a detail (another program's name) follows after a colon.
  const wchar_t* Sentence;
};

// Every rule, strongest for first, then those against.
std::span<const TLeftoverRuleRow> LeftoverRuleTable();
const TLeftoverRuleRow& LeftoverRuleRow(TLeftoverRule rule);

// One piece of evidence: a rule that applies, with its detail when the sentence takes one.
struct TLeftoverEvidence {
  TLeftoverRule Rule;
  std::wstring Detail;
};

// "Very sure" from 90, "Sure" from 50, "Unsure" from 20, "Unlikely" below.
TLeftoverLevel LevelOfScore(int score);

// Fills the find's score, level and sentences (strongest first, each rule once) from the evidence.
void WeighLeftover(TLeftover& find, const std::vector<TLeftoverEvidence>& evidence);

// A name as names are compared: lower case, letters and digits only, without a version (the
// program's own version text, and trailing words such as "2.1", "v3", "x64" or "(64-bit)") and,
// for a publisher, without a company form ("Inc.", "Ltd", "GmbH", "Corporation").
std::wstring NormalName(std::wstring_view name, std::wstring_view version = {});
std::wstring NormalPublisher(std::wstring_view publisher);

enum class TNameMatch { None, Partial, Near, Exact };

// How a place's name (normalised) matches a program's (normalised). Exact: equal. Near: one or two
// letters apart (one for short names). Partial: one holds the other, the shorter at least four
// letters long. Names shorter than three letters match only exactly.
TNameMatch MatchName(std::wstring_view place, std::wstring_view program);

// A word many programs use for a folder or key of their own (data, settings, config, ...).
bool IsGenericName(std::wstring_view normalName);
