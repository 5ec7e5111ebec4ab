// TProgramFilter: the rows of a TProgramList the user has chosen to see, as an index over the
// list. The main window's list view shows the rows through it; the list itself keeps every row.
#pragma once

#include "inventory/ProgramList.h"

#include <string>
#include <vector>

// Which rows View > Show keeps.
enum class TShowKind : int { All, MissingUninstaller, PerUser, Bit32, WindowsInstaller };
constexpr int kShowKindCount = 5;

// The kinds of rows the list hides; the default hides none.
struct TListNarrowing {
  TShowKind Show = TShowKind::All;
  // System components (SystemComponent = 1) and updates of other programs.
  bool HideSystemEntries = false;
  bool operator==(const TListNarrowing&) const = default;
};

// The text in lower case as the user's locale has it: what "ignoring letter case" compares.
std::wstring CaseFolded(const std::wstring& text);

// Whether the row is of a kind the narrowing keeps.
bool KeepsRow(const TListNarrowing& narrowing, const TProgramRow& row);

class TProgramFilter {
public:
  explicit TProgramFilter(const TProgramList& programs) : programs_(programs) {}

  // Rows whose name, publisher or install location contains text, ignoring letter case; every
  // row for an empty text.
  void SetText(const std::wstring& text);
  const std::wstring& Text() const noexcept { return text_; }
  void SetNarrowing(const TListNarrowing& narrowing);
  const TListNarrowing& Narrowing() const noexcept { return narrowing_; }
  // Whether a text or a Show choice is in force (rows may be hidden).
  bool Narrowed() const noexcept { return !text_.empty() || narrowing_ != TListNarrowing{}; }

  // The list's rows were changed or reordered: the shown rows are chosen again.
  void Refresh();
  // Reads every row's texts ahead of the first letter typed (when the box gets the keyboard),
  // so that the letter only searches them.
  void Prepare();
  // A row's searched texts changed (an install folder arrived): read again when next needed.
  void ForgetTexts() noexcept { haystacks_.clear(); }

  // The shown rows, in the list's order.
  size_t Count() const noexcept { return shown_.size(); }
  const TProgramRow& Row(size_t position) const { return programs_.Row(shown_[position]); }
  // The list position of the row shown at a position.
  size_t RowIndex(size_t position) const { return shown_[position]; }
  // Where a row is shown; -1 when it is hidden or not in the list.
  int PositionOf(const TProgramRow* row) const;

private:
  void Choose(bool withinShown);

  const TProgramList& programs_;
  std::wstring text_;
  std::wstring foldedText_;
  TListNarrowing narrowing_;
  // Per list position: the name, publisher and location, in lower case, as one text.
  std::vector<std::wstring> haystacks_;
  std::vector<size_t> shown_;
};
