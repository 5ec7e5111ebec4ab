// TProgramListView: the list view control that shows the rows of a TProgramList its filter keeps
// (TProgramFilter: positions in the control are positions among the shown rows). The control is
// virtual (it asks for each row's texts and images as it draws), so filling and sorting thousands
// of rows costs nothing on screen, and icons are resolved only for the rows being drawn. Its
// column table is the one place that says which column shows which of a row's fields.
#pragma once

#include "app/WinSettings.h"
#include "inventory/ProgramFilter.h"
#include "inventory/ProgramList.h"
#include "win/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

class TIconResolver;

struct TListColumn {
  const wchar_t* Caption;
  int Width;  // default, before the stored widths are applied
  TRowField Field;
  int Format;  // LVCFMT_LEFT, or LVCFMT_RIGHT for numbers
};

class TProgramListView : public TSettingsList {
public:
  enum TViewStyle { vsLargeIcons = 0, vsSmallIcons = 1, vsList = 2, vsDetails = 3 };

  // "Name", "Size", "Last Used On", "Frequency" and "Uninstall Command", in that order.
  static const std::vector<TListColumn>& ProgramColumns();
  // "Publisher" and "Install Folder": hidden until the user shows them, then after the others.
  static const std::vector<TListColumn>& OptionalColumns();

  explicit TProgramListView(TProgramList& programs) : programs_(programs), filter_(programs) {}

  // Makes the control as a child of parent, with the program columns.
  void Create(HWND parent, int id);
  HWND Handle() const noexcept { return hwnd_; }

  // state: the warning marker alone; boxes: the check box beside it (unchecked, checked, then
  // the same with the marker), shown while the list shows check boxes.
  void SetImageLists(HIMAGELIST large, HIMAGELIST small, HIMAGELIST state, HIMAGELIST boxes);
  // Where the rows' icons are found; without one the rows show the icons they already have.
  void SetIconResolver(TIconResolver* icons);
  // Deletes the column at a position; the others keep showing their fields.
  void DeleteColumn(int column);

  // Selection by position; -1 when nothing is selected. Of several selected rows, the focused
  // one (else the first) is the one the single-program commands act on.
  // Selection by position among the shown rows; -1 when nothing is selected.
  int Selected() const;
  void Select(int index, bool ensureVisible);
  void ClearSelection();
  TProgramRow* SelectedRow();
  // Every selected row, in list order.
  std::vector<TProgramRow*> SelectedRows();
  int SelectedCount() const;

  // Check boxes beside the rows; a row keeps its check mark while they are hidden.
  bool CheckBoxes() const override { return checkBoxes_; }
  void SetCheckBoxes(bool show) override;
  // The programs an uninstall is for: the checked rows while check boxes show and any is
  // checked, else the selected rows; in list order.
  std::vector<TProgramRow*> ChosenRows();
  // Whether a point of the control's client area lies on a row's check box.
  bool OnCheckBox(POINT point) const;
  // Selects the row where it is shown; nothing is selected when it is hidden or null.
  void SelectRow(const TProgramRow* row, bool ensureVisible);

  // The filter box got the keyboard: the rows' texts are read before the first letter.
  void PrepareFilter() { filter_.Prepare(); }
  // Install folders arrived: the filter reads the rows' texts again when next needed.
  void FilterTextsChanged() noexcept { filter_.ForgetTexts(); }
  // The rows shown, and the texts and kinds that choose them. A change keeps the selected program
  // selected while it is shown.
  const TProgramFilter& Filter() const noexcept { return filter_; }
  void SetFilterText(const std::wstring& text);
  void SetNarrowing(const TListNarrowing& narrowing);

  // Re-reads the rows from the model and repaints.
  void Reload();
  // Answers the control's requests for texts, images and found rows; returns true when the
  // notification was one of those, for this control.
  bool OnNotify(const NMHDR& header, LRESULT& result);

  // TSettingsList: columns by position, as the settings store them.
  int ColumnCount() const override;
  int ColumnWidth(int column) const override;
  void SetColumnWidth(int column, int width) override;
  int ViewStyle() const override;
  void SetViewStyle(int style) override;
  int SortColumn() const override;
  bool SortDescending() const override;
  // Orders the rows by the field; a field no column shows leaves the name order.
  void SetSort(int column, bool descending) override;

  // The optional columns, by their field.
  bool ColumnShown(TRowField field) const;
  void ShowColumn(TRowField field, bool show);
  // TSettingsList: the optional columns by their place in OptionalColumns().
  bool OptionalColumnShown(int which) const override;
  int OptionalColumnWidth(int which) const override;
  void SetOptionalColumn(int which, bool shown, int width) override;

  // Repaints one row; the others stay as they are.
  void RedrawRow(const TProgramRow* row);
  // Orders the rows again by the present order, after the values it orders by changed.
  void Resort() { ApplySortOrder(programs_.SortOrder()); }

  // A click on a column's header: the rows ordered by it, or the other way round when they
  // already are. The selected program stays selected and in sight.
  void ColumnClick(int column);

private:
  void ApplySortOrder(const TSortOrder& order);
  // The header's arrow on the column that orders the rows, on no other.
  void ShowSortArrow();
  // The width a column needs to show its whole caption beside the sort arrow.
  static int SortedCaptionWidth(HWND header, const wchar_t* caption);
  static constexpr int kSortArrowWidth = 16;  // at 96 DPI, with its gap to the caption
  bool ShowsField(TRowField field) const;
  void GetDispInfo(NMLVDISPINFOW& info);
  int FindItem(const NMLVFINDITEMW& find) const;
  void InsertColumn(const TListColumn& column);
  void ToggleCheck(int index);
  // Checks every selected row, or unchecks them all when all are checked already.
  void ToggleSelectedChecks();
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                  DWORD_PTR data) noexcept;
  void ShowChosenRows(const TProgramRow* selected);
  // Removes the optional columns and inserts those shown, in their order, after the others.
  void RebuildOptionalColumns();
  // The Size column's index among the shown columns, or -1 when it is hidden.
  int SizeColumn() const;
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);
  // Whether the rows' icons are drawn here rather than by the control.
  bool DrawsIcons() const;
  int ShownImage(TProgramRow& row);
  void DrawIcon(HDC dc, size_t index);
  // Finds the icons of rows shown with the placeholder, a few milliseconds at a time, each row
  // redrawn with its own; asks to be called again while some are left.
  void ResolvePendingIcons();

  TProgramList& programs_;
  TProgramFilter filter_;
  const TProgramRow* hiddenSelection_ = nullptr;
  TIconResolver* icons_ = nullptr;
  // Rows painted before their icon was found (the shell's lookup of a file is slow): found after
  // the paint, so that typing and scrolling never wait for them.
  std::vector<const TProgramRow*> iconsPending_;
  int placeholderIcon_ = -1;
  HWND hwnd_ = nullptr;
  HIMAGELIST smallImages_ = nullptr;
  std::unordered_map<int, win::UniqueHIcon> smallIcons_;  // by image index, as first drawn
  HIMAGELIST stateImages_ = nullptr;
  HIMAGELIST boxImages_ = nullptr;
  bool checkBoxes_ = false;
  // By position, which is also the sub-item number each column asks for.
  std::vector<TListColumn> columns_;
  // Whether each optional column is shown, and its width while it is not.
  std::vector<bool> optionalShown_ = std::vector<bool>(OptionalColumns().size(), false);
  std::vector<int> optionalWidths_;
};

// What tells rows of the same name apart in the list: " (per user)" for the current user's
// entry, " (32-bit)" for one of the 32-bit registry view, nothing for the machine's 64-bit entry
// and for a name listed once.
const wchar_t* PlaceMark(const TProgramRow& row);
