#include "leftovers/LeftoverRules.h"

#include "win/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

// The rules, one row each. A find's score is the sum of the weights of the rules that apply; the
// level follows from the score (LevelOfScore), and only "Sure" and "Very sure" come ticked.
//
// For, strongly (each alone makes a find ticked):
// - Being the install folder, or a folder the program's entry points into.
// - A shortcut, Run value, App Paths entry, file type or COM class whose file lies in the install
//   folder: only the program (or its installer) writes such a pointer.
// - The exact name under a folder or key named after the publisher.
// For, alone enough to tick: the exact name in a shared place; an extension or an Open With value
//   naming a file type found above.
// For, weakly (never enough alone): a publisher folder that holds only the program's traces, an
//   Open With value offering a file type that is gone, a near or partial name match, a place
//   deeper than the shared folder's own level.
// Against: a generic name, a place another installed program uses or is named like, the
//   publisher's folder while another program of that publisher is installed, and documents kept
//   in the folder. Each outweighs a name match; the last two outweigh everything.
namespace {

constexpr TLeftoverRuleRow kRules[] = {
    {TLeftoverRule::IsInstallFolder, L"Install folder", 100,
     L"It is the program's install folder."},
    {TLeftoverRule::ShortcutPointsInto, L"Shortcut into the install folder", 90,
     L"The shortcut starts a file in the program's install folder."},
    {TLeftoverRule::RunValuePointsInto, L"Run value into the install folder", 90,
     L"Its Run value starts the program from its install folder."},
    {TLeftoverRule::AppPathPointsInto, L"App Paths entry into the install folder", 90,
     L"Its App Paths entry names a program file in the install folder."},
    {TLeftoverRule::EntryPointsInto, L"Named by the program's entry", 80,
     L"The program's uninstall entry points into it."},
    {TLeftoverRule::FileTypeOpensFrom, L"File type opened from the install folder", 80,
     L"Its file type opens or shows files with the program's install folder."},
    {TLeftoverRule::ComServerIn, L"COM server in the install folder", 80,
     L"Its COM server lies in the program's install folder."},
    {TLeftoverRule::ExactNameUnderPublisher, L"Exact name under the publisher", 70,
     L"It is named after the program, inside a folder or key named after its publisher."},
    {TLeftoverRule::ExtensionNamesFileType, L"Extension of the program's file type", 60,
     L"The extension opens with a file type the program registered."},
    {TLeftoverRule::OpenWithNamesFileType, L"Open With of the program's file type", 60,
     L"It offers a file type the program registered in Open With."},
    {TLeftoverRule::ExactName, L"Exact name", 50, L"It is named after the program."},
    {TLeftoverRule::OpenWithNamesMissingType, L"Open With of a file type that is gone", 30,
     L"It offers a file type that no longer exists."},
    {TLeftoverRule::PublisherFolderOnlyProgram, L"Publisher's folder with only the program", 40,
     L"It is named after the publisher and holds nothing but the program's traces."},
    {TLeftoverRule::NearName, L"Near name", 25, L"Its name is close to the program's name."},
    {TLeftoverRule::PartialName, L"Partial name", 15,
     L"Its name holds part of the program's name."},
    {TLeftoverRule::DeepPlace, L"Deeper place", 10,
     L"It lies deeper than the shared folder's own level, where fewer programs meet."},
    {TLeftoverRule::GenericName, L"Generic name", -60,
     L"Its name is a word many programs use for their own folders and keys."},
    {TLeftoverRule::OtherProgramNamed, L"Another program's name", -60,
     L"Another installed program's name matches it as well"},
    {TLeftoverRule::PublisherStillInstalled, L"Publisher still installed", -80,
     L"Another program of the same publisher is still installed"},
    {TLeftoverRule::OtherProgramUses, L"Used by another program", -150,
     L"Another installed program uses it"},
    {TLeftoverRule::HoldsDocuments, L"Documents kept in it", -200,
     L"It holds documents or lies among them: deleting it could take the user's own files."},
};

// Trailing words that tell a version or an edition's build, not the program.
bool IsVersionWord(std::wstring_view word) {
  std::wstring w = win::ToLower(word);
  while (!w.empty() && (w.front() == L'(' || w.front() == L'[')) w.erase(0, 1);
  while (!w.empty() && (w.back() == L')' || w.back() == L']')) w.pop_back();
  if (w.empty()) return true;
  for (const wchar_t* edition : {L"x64", L"x86", L"64-bit", L"32-bit", L"64bit", L"32bit", L"amd64",
                                 L"win64", L"win32", L"version"})
    if (w == edition) return true;
  if (w[0] == L'v' || w[0] == L'r') w.erase(0, 1);
  bool digit = false;
  for (wchar_t c : w) {
    if (c >= L'0' && c <= L'9')
      digit = true;
    else if (c != L'.' && c != L'-' && c != L'_')
      return false;
  }
  return digit;
}

std::vector<std::wstring> Words(std::wstring_view text) {
  std::vector<std::wstring> words;
  std::wstring word;
  for (wchar_t c : text) {
    if (c == L' ' || c == L'\t') {
      if (!word.empty()) words.push_back(std::exchange(word, {}));
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::wstring LettersAndDigits(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : win::ToLower(text))
    if (IsCharAlphaNumericW(c)) out += c;
  return out;
}

size_t Distance(std::wstring_view a, std::wstring_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::span<const TLeftoverRuleRow> LeftoverRuleTable() { return kRules; }

const TLeftoverRuleRow& LeftoverRuleRow(TLeftoverRule rule) {
  for (const TLeftoverRuleRow& row : kRules)
    if (row.Rule == rule) return row;
  return kRules[0];
}

TLeftoverLevel LevelOfScore(int score) {
  if (score >= 90) return TLeftoverLevel::VerySure;
  if (score >= 50) return TLeftoverLevel::Sure;
  if (score >= 20) return TLeftoverLevel::Unsure;
  return TLeftoverLevel::Unlikely;
}

void WeighLeftover(TLeftover& find, const std::vector<TLeftoverEvidence>& evidence) {
  std::vector<TLeftoverEvidence> rules;
  for (const TLeftoverEvidence& e : evidence)
    if (std::none_of(rules.begin(), rules.end(), [&](const auto& r) { return r.Rule == e.Rule; }))
      rules.push_back(e);
  std::stable_sort(rules.begin(), rules.end(), [](const auto& a, const auto& b) {
    return std::abs(LeftoverRuleRow(a.Rule).Weight) > std::abs(LeftoverRuleRow(b.Rule).Weight);
  });
  find.Score = 0;
  find.Evidence.clear();
  for (const TLeftoverEvidence& e : rules) {
    const TLeftoverRuleRow& row = LeftoverRuleRow(e.Rule);
    find.Score += row.Weight;
    std::wstring sentence = row.Sentence;
    if (sentence.back() != L'.') sentence += e.Detail.empty() ? L"." : L": " + e.Detail + L".";
    find.Evidence.push_back(sentence);
  }
  find.Level = LevelOfScore(find.Score);
}

std::wstring NormalName(std::wstring_view name, std::wstring_view version) {
  std::wstring text(name);
  std::wstring v = win::Trim(version);
  if (v.size() >= 2)
    if (size_t at = win::ToLower(text).find(win::ToLower(v)); at != std::wstring::npos && at > 0)
      text.erase(at, v.size());
  std::vector<std::wstring> words = Words(text);
  while (words.size() > 1 && IsVersionWord(words.back())) words.pop_back();
  std::wstring joined;
  for (const std::wstring& word : words) joined += word;
  return LettersAndDigits(joined);
}

std::wstring NormalPublisher(std::wstring_view publisher) {
  std::vector<std::wstring> words = Words(publisher);
  auto isCompanyForm = [](const std::wstring& word) {
    std::wstring w = LettersAndDigits(word);
    for (const wchar_t* form : {L"inc", L"ltd", L"llc", L"gmbh", L"ag", L"co", L"corp",
                                L"corporation", L"company", L"limited", L"sa", L"bv", L"srl"})
      if (w == form) return true;
    return false;
  };
  while (words.size() > 1 && isCompanyForm(words.back())) words.pop_back();
  std::wstring joined;
  for (const std::wstring& word : words) joined += word;
  return LettersAndDigits(joined);
}

TNameMatch MatchName(std::wstring_view place, std::wstring_view program) {
  if (place.empty() || program.empty()) return TNameMatch::None;
  if (place == program) return TNameMatch::Exact;
  size_t shorter = std::min(place.size(), program.size());
  if (shorter < 3) return TNameMatch::None;
  size_t allowed = shorter >= 8 ? 2 : shorter >= 5 ? 1 : 0;
  if (allowed && Distance(place, program) <= allowed) return TNameMatch::Near;
  if (shorter >= 4 && (place.find(program) != std::wstring_view::npos ||
                       program.find(place) != std::wstring_view::npos))
    return TNameMatch::Partial;
  return TNameMatch::None;
}

bool IsGenericName(std::wstring_view normalName) {
  static const wchar_t* const kGeneric[] = {
      L"data",    L"settings",  L"config",      L"configuration", L"users",    L"user",
      L"install", L"installer", L"setup",       L"bin",           L"lib",      L"common",
      L"shared",  L"temp",      L"tmp",         L"cache",         L"logs",     L"log",
      L"app",     L"apps",      L"application", L"programs",      L"program",  L"plugins",
      L"tools",   L"files",     L"update",      L"updates",       L"backup",   L"default",
      L"local",   L"system",    L"microsoft",   L"windows",       L"software",
  };
  for (const wchar_t* word : kGeneric)
    if (normalName == word) return true;
  return false;
}
