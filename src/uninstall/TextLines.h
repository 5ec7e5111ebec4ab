// TTextLines: the content of a memo as one string whose lines are separated by CR LF, with where
// each line starts, so that a large text is indexed in one pass and never copied line by line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TTextLines {
public:
  TTextLines() = default;
  explicit TTextLines(std::wstring text) { Assign(std::move(text)); }

  // Takes text whose lines are separated by CR LF. Empty text has no lines; a text ending in a
  // line break ends with an empty line.
  void Assign(std::wstring text);
  void Clear() { Assign({}); }

  const std::wstring& Text() const noexcept { return text_; }
  size_t Count() const noexcept { return starts_.size(); }
  size_t Start(size_t line) const noexcept { return starts_[line]; }
  // A line without its line break.
  std::wstring_view Line(size_t line) const noexcept;
  // The line that holds the character at offset (the last line for the end of the text).
  size_t LineOf(size_t offset) const noexcept;
  std::vector<std::wstring> Lines() const;

private:
  std::wstring text_;
  std::vector<size_t> starts_;
};
