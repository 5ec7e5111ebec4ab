// TValueListEditor: a two-column grid of names and values under a title row. Both cells of a row
// are edited in place: F2, typing, a double click or a click on the current cell opens the editor;
// Enter commits the edit and Esc cancels it. The arrows move the current cell, Tab and Shift+Tab
// move from cell to cell and leave the grid at its ends. Insert adds a row above the current one
// and Ctrl+Delete removes the current row. The grid always holds at least one row: removing the
// last one leaves it empty. A read-only row is drawn greyed and never opens the editor; it can
// still be removed.
#pragma once

#include "win/PaintedControl.h"
#include "win/UniqueHandle.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TValueListEditor : public win::TPaintedControl {
public:
  enum TColumn { kKeyColumn = 0, kValueColumn = 1 };
  static constexpr int kDefaultKeyWidth = 150;  // at 96 DPI
  static constexpr int kDefaultValueWidth = 293;
  static constexpr int kDefaultRowHeight = 18;

  struct TRow {
    std::wstring Key;
    std::wstring Value;
    bool ReadOnly = false;
    bool operator==(const TRow&) const = default;
  };

  // Sizes are in pixels; the grid takes the parent's font.
  void Create(HWND parent, int x, int y, int width, int height, int id = 0);

  void SetTitles(const std::wstring& keyTitle, const std::wstring& valueTitle);
  // Column widths in pixels at 96 DPI.
  void SetColumnWidths(int keyWidth, int valueWidth);

  int RowCount() const noexcept { return static_cast<int>(rows_.size()); }
  const TRow& Row(int row) const { return rows_.at(static_cast<size_t>(row)); }
  const std::vector<TRow>& Rows() const noexcept { return rows_; }
  void SetRow(int row, const std::wstring& key, const std::wstring& value, bool readOnly = false);
  // Replaces every row at once (none leaves one empty row); the first cell becomes current.
  void SetRows(std::vector<TRow> rows);
  // Adds an empty row at the end; returns its index.
  int AppendRow();
  // Adds an empty row before the given one.
  void InsertRow(int row);
  // Removes a row; the sole row is emptied instead.
  void DeleteRow(int row);

  int CurrentColumn() const noexcept { return column_; }
  int CurrentRow() const noexcept { return row_; }
  void SelectCell(int column, int row);

  // An in-place edit is open; its edit box, or null.
  bool Editing() const noexcept { return editing_; }
  HWND Editor() const noexcept { return editor_; }
  // Opens the editor on the current cell, its text selected; not on a read-only row.
  void BeginEdit();
  void CommitEdit();
  void CancelEdit();

  // The cell that a point of the client area lies in; false for the title row and outside.
  bool CellAt(POINT pt, int& column, int& row) const;
  RECT CellRect(int column, int row) const;

  // Runs when the current cell changes, with its column and row.
  std::function<void(int column, int row)> OnSelectCell;

  void Render(HDC dc) const override;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  static LRESULT CALLBACK EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self) noexcept;
  bool EditorKey(WPARAM key);
  void KeyDown(WPARAM key);
  void Char(wchar_t ch);
  UINT DialogCode(const MSG* msg) const;
  void ButtonDown(LPARAM lp, bool doubleClick);
  // Moves one cell along the reading order; false when there is no cell that way.
  bool Step(bool backwards);
  void LeaveGrid(bool backwards);
  void EndEdit(bool keep);
  void SetCell(int column, int row, const std::wstring& text);
  std::wstring Cell(int column, int row) const;
  int HeaderHeight() const noexcept { return rowHeight_; }
  int VisibleRows() const;
  void ScrollTo(int topRow);
  void EnsureVisible(int row);
  void UpdateScrollBar();
  void PlaceEditor();
  void OnVScroll(int code);
  void MeasureFont();

  std::vector<TRow> rows_{TRow{}};
  std::wstring titles_[2] = {L"Key", L"Value"};
  int widths96_[2] = {kDefaultKeyWidth, kDefaultValueWidth};
  int column_ = kKeyColumn, row_ = 0, topRow_ = 0;
  int rowHeight_ = kDefaultRowHeight;
  HFONT font_ = nullptr;  // owned by whoever set it
  HWND editor_ = nullptr;
  bool editing_ = false;
  std::wstring before_;  // the cell's text when the edit began
};
