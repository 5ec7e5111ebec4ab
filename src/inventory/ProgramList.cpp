#include "inventory/ProgramList.h"

#include "inventory/UninstallItem.h"

#include <windows.h>

#include <algorithm>

int TProgramRow::ImageIndex() {
  if (!iconResolved_) {
    imageIndex_ = Owner ? Owner->ResolveIcon(iconSources_) : -1;
    iconResolved_ = true;
  }
  return imageIndex_;
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

void TProgramList::Sort() {
  // Ascending by caption under the platform's string comparison; rows with equal captions keep
  // the order in which they were added.
  std::stable_sort(rows_.begin(), rows_.end(), [](const auto& a, const auto& b) {
    return lstrcmpW(a->Caption.c_str(), b->Caption.c_str()) < 0;
  });
}

void TProgramList::Changed() {
  if (!Updating() && onChanged_) onChanged_();
}
