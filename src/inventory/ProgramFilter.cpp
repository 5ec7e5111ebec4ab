#include "inventory/ProgramFilter.h"

#include "inventory/UninstallItem.h"

#include <windows.h>

#include <algorithm>

namespace {

// Lower case as CaseFolded has it; a text of plain ASCII, as most program names are, without a
// call into the platform, so that the first letter typed reads thousands of rows in time. The
// typed text is folded the same way, so both sides always agree.
std::wstring FilterFolded(std::wstring text) {
  if (!std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; }))
    return CaseFolded(text);
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

// The texts the filter searches, joined by a character no typed text holds, so that no match
// runs from one text into the next.
std::wstring Haystack(const TProgramRow& row) {
  // The derived install folder arrives after the scan; until then the stored location stands in.
  return FilterFolded(row.Caption + L'\n' + row.Facts.Publisher + L'\n' +
                      row.Facts.InstallLocation + L'\n' + row.InstallFolder);
}

}  // namespace

std::wstring CaseFolded(const std::wstring& text) {
  if (text.empty()) return text;
  int n = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING, text.c_str(),
                       static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING, text.c_str(),
               static_cast<int>(text.size()), out.data(), n);
  return out;
}

bool KeepsRow(const TListNarrowing& narrowing, const TProgramRow& row) {
  if (narrowing.HideSystemEntries && (row.Facts.SystemComponent || row.Facts.Update))
    return false;
  const TUninstListItem* entry = row.Entry.get();
  switch (narrowing.Show) {
    case TShowKind::All: return true;
    case TShowKind::MissingUninstaller: return row.StateIndex() == kWarningStateImage;
    case TShowKind::PerUser: return entry && entry->RootKey() == HKEY_CURRENT_USER;
    case TShowKind::Bit32: return entry && (entry->View() & KEY_WOW64_32KEY) != 0;
    case TShowKind::WindowsInstaller: return row.Facts.WindowsInstaller;
  }
  return true;
}

void TProgramFilter::SetText(const std::wstring& text) {
  std::wstring folded = FilterFolded(text);
  // A longer text shows no row the shorter one hid: typing on searches only what is shown.
  bool within = !foldedText_.empty() && folded.find(foldedText_) != std::wstring::npos &&
                haystacks_.size() == programs_.Count();
  text_ = text;
  foldedText_ = std::move(folded);
  Choose(within);
}

void TProgramFilter::SetNarrowing(const TListNarrowing& narrowing) {
  narrowing_ = narrowing;
  Choose(false);
}

void TProgramFilter::Refresh() {
  haystacks_.clear();
  Choose(false);
}

int TProgramFilter::PositionOf(const TProgramRow* row) const {
  if (!row) return -1;
  for (size_t i = 0; i < shown_.size(); ++i)
    if (&programs_.Row(shown_[i]) == row) return static_cast<int>(i);
  return -1;
}

void TProgramFilter::Prepare() {
  const size_t count = programs_.Count();
  if (haystacks_.size() == count) return;
  haystacks_.clear();
  haystacks_.reserve(count);
  for (size_t i = 0; i < count; ++i) haystacks_.push_back(Haystack(programs_.Row(i)));
}

void TProgramFilter::Choose(bool withinShown) {
  const size_t count = programs_.Count();
  if (!foldedText_.empty()) Prepare();
  std::vector<size_t> candidates;
  if (withinShown) {
    candidates.swap(shown_);
  } else {
    candidates.resize(count);
    for (size_t i = 0; i < count; ++i) candidates[i] = i;
  }
  shown_.clear();
  shown_.reserve(candidates.size());
  for (size_t i : candidates) {
    if (!foldedText_.empty() && haystacks_[i].find(foldedText_) == std::wstring::npos) continue;
    if (!KeepsRow(narrowing_, programs_.Row(i))) continue;
    shown_.push_back(i);
  }
}
