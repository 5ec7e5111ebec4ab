#include "uninstall/TextLines.h"

#include <algorithm>

void TTextLines::Assign(std::wstring text) {
  text_ = std::move(text);
  starts_.clear();
  if (text_.empty()) return;
  starts_.push_back(0);
  for (size_t at = text_.find(L"\r\n"); at != std::wstring::npos; at = text_.find(L"\r\n", at + 2))
    starts_.push_back(at + 2);
}

std::wstring_view TTextLines::Line(size_t line) const noexcept {
  size_t end = line + 1 < starts_.size() ? starts_[line + 1] - 2 : text_.size();
  return std::wstring_view(text_).substr(starts_[line], end - starts_[line]);
}

size_t TTextLines::LineOf(size_t offset) const noexcept {
  if (starts_.empty()) return 0;
  auto next = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<size_t>(next - starts_.begin()) - 1;
}

std::vector<std::wstring> TTextLines::Lines() const {
  std::vector<std::wstring> lines;
  lines.reserve(starts_.size());
  for (size_t i = 0; i < starts_.size(); ++i) lines.emplace_back(Line(i));
  return lines;
}
