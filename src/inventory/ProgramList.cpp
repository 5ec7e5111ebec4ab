#include "inventory/ProgramList.h"

#include "inventory/UninstallItem.h"

#include <windows.h>

#include <algorithm>
#include <unordered_map>

const std::wstring& TProgramRow::Text(TRowField field) const noexcept {
  switch (field) {
    case TRowField::Size: return Size;
    case TRowField::LastUsed: return LastUsed;
    case TRowField::Frequency: return Frequency;
    case TRowField::UninstallCommand: return UninstallCommand;
    case TRowField::Publisher: return Facts.Publisher;
    case TRowField::InstallFolder: return InstallFolder;
    case TRowField::Name: break;
  }
  return Caption;
}

int TProgramRow::StateIndex() const {
  if (!stateJudged_) {
    stateIndex_ = Entry && !TUninstListItem::UninstallerExists(Entry->ExecutableCommand())
                      ? kWarningStateImage
                      : kNoStateImage;
    stateJudged_ = true;
  }
  return stateIndex_;
}

TProgramList::TProgramList() = default;
TProgramList::~TProgramList() = default;

int TProgramList::IndexOf(const TProgramRow* row) const noexcept {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].get() == row) return static_cast<int>(i);
  return -1;
}

TProgramRow& TProgramList::Add() {
  auto row = std::make_unique<TProgramRow>();
  row->Owner = this;
  row->Entry = std::make_unique<TUninstListItem>(*row);
  rows_.push_back(std::move(row));
  Changed();
  return *rows_.back();
}

void TProgramList::Clear() {
  rows_.clear();
  Changed();
}

void TProgramList::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) {
    Sort();
    Changed();
  }
}

void TProgramList::CaptionChanged() {
  if (Updating()) return;
  Sort();
  Changed();
}

namespace {

// The sort key lstrcmpW compares by: comparing two keys bytewise orders their texts as lstrcmpW
// does, at a fraction of the cost when thousands of rows are sorted.
std::string SortKey(const std::wstring& text) {
  LCID locale = GetThreadLocale();
  // Most keys fit a small buffer: one call instead of one to measure and one to fill.
  char buffer[512];
  int n = LCMapStringW(locale, LCMAP_SORTKEY, text.c_str(), static_cast<int>(text.size()),
                       reinterpret_cast<wchar_t*>(buffer), sizeof buffer);
  if (n > 0) return std::string(buffer, static_cast<size_t>(n));
  n = LCMapStringW(locale, LCMAP_SORTKEY, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::string key(static_cast<size_t>(n), '\0');
  if (n > 0)
    LCMapStringW(locale, LCMAP_SORTKEY, text.c_str(), static_cast<int>(text.size()),
                 reinterpret_cast<wchar_t*>(key.data()), n);
  return key;
}

}  // namespace

void TProgramList::SetSortOrder(const TSortOrder& order) {
  order_ = order;
  if (Updating()) return;
  Sort();
  Changed();
}

namespace {

struct TKeyedRow {
  std::string NameKey;
  std::string TextKey;  // the sort key of the chosen text field, when it is not the name
  std::unique_ptr<TProgramRow> Row;
};

template <class T>
int Compare(const T& a, const T& b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

int CompareBy(TRowField field, const TKeyedRow& a, const TKeyedRow& b) {
  switch (field) {
    case TRowField::Name: return Compare(a.NameKey, b.NameKey);
    case TRowField::Size: return Compare(a.Row->SizeBytes, b.Row->SizeBytes);
    case TRowField::LastUsed: return Compare(a.Row->LastUsedKey, b.Row->LastUsedKey);
    case TRowField::Frequency: return Compare(a.Row->UseCount, b.Row->UseCount);
    case TRowField::UninstallCommand:
    case TRowField::Publisher:
    case TRowField::InstallFolder: return Compare(a.TextKey, b.TextKey);
  }
  return 0;
}

}  // namespace

void TProgramList::Sort() {
  // Rows that tie keep the name order, and rows with equal names the order they were added in.
  const bool byText = order_.Field == TRowField::UninstallCommand ||
                      order_.Field == TRowField::Publisher ||
                      order_.Field == TRowField::InstallFolder;
  std::vector<TKeyedRow> keyed;
  keyed.reserve(rows_.size());
  for (auto& row : rows_) {
    std::string textKey = byText ? SortKey(row->Text(order_.Field)) : std::string();
    keyed.push_back({SortKey(row->Caption), std::move(textKey), std::move(row)});
  }
  std::unordered_map<std::string, std::vector<TProgramRow*>> names;
  const TSortOrder order = order_;
  std::stable_sort(keyed.begin(), keyed.end(), [order](const TKeyedRow& a, const TKeyedRow& b) {
    int c = CompareBy(order.Field, a, b);
    if (order.Descending) c = -c;
    if (c != 0) return c < 0;
    return a.NameKey < b.NameKey;
  });
  for (size_t i = 0; i < keyed.size(); ++i) {
    // A name listed from more than one place gets each place's mark.
    keyed[i].Row->SharesName = false;
    names[keyed[i].NameKey].push_back(keyed[i].Row.get());
    rows_[i] = std::move(keyed[i].Row);
  }
  for (auto& [name, rows] : names)
    if (rows.size() > 1)
      for (TProgramRow* row : rows) row->SharesName = true;
}

void TProgramList::Changed() {
  if (!Updating() && onChanged_) onChanged_();
}
