// TProgramListView: the list view control that shows a TProgramList. The control is virtual (it
// asks for each row's texts and images as it draws), so filling and sorting thousands of rows
// costs nothing on screen, and icons are resolved only for the rows being drawn.
#pragma once

#include "app/WinSettings.h"
#include "inventory/ProgramList.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

class TProgramListView : public TSettingsList {
public:
  enum TViewStyle { vsLargeIcons = 0, vsSmallIcons = 1, vsList = 2, vsDetails = 3 };

  TProgramListView(TProgramList& programs) noexcept : programs_(programs) {}

  // Makes the control as a child of parent, with the given columns (caption, width).
  void Create(HWND parent, int id, const std::vector<std::pair<std::wstring, int>>& columns);
  HWND Handle() const noexcept { return hwnd_; }

  void SetImageLists(HIMAGELIST large, HIMAGELIST small, HIMAGELIST state);
  void DeleteColumn(int column);

  // Selection by position; -1 when nothing is selected.
  int Selected() const;
  void Select(int index, bool ensureVisible);
  void ClearSelection();
  TProgramRow* SelectedRow();

  // Re-reads the row count from the model and repaints.
  void Reload();
  // Answers LVN_GETDISPINFO; returns true when the notification was for this control.
  bool OnNotify(const NMHDR& header, LRESULT& result);

  // TSettingsList
  int ColumnCount() const override;
  int ColumnWidth(int column) const override;
  void SetColumnWidth(int column, int width) override;
  int ViewStyle() const override;
  void SetViewStyle(int style) override;

private:
  void GetDispInfo(NMLVDISPINFOW& info);

  TProgramList& programs_;
  HWND hwnd_ = nullptr;
};
