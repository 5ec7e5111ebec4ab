// TFileListView: the part the desktop and executable lists share. A report-style list view with a
// check box per row and the columns "Name" and "Path", showing the shell's small icons. Each row
// may carry an attached path of its own besides the one in the "Path" column.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One row as the wizard reads it: no window needed beyond this copy.
struct TFileListRow {
  std::wstring Name;      // the caption, column "Name"
  std::wstring Path;      // the first sub-item, column "Path"
  std::wstring Attached;  // the row's attached path; empty when it has none
  bool Checked = false;
  bool operator==(const TFileListRow&) const = default;
};

class TFileListView {
public:
  TFileListView() = default;
  TFileListView(const TFileListView&) = delete;
  TFileListView& operator=(const TFileListView&) = delete;
  virtual ~TFileListView() = default;

  // The control; it belongs to its parent window.
  HWND Handle() const noexcept { return hwnd_; }

  int Count() const;
  TFileListRow Row(int index) const;
  std::vector<TFileListRow> Rows() const;
  std::vector<TFileListRow> CheckedRows() const;

  // The file's index in the shell's small system image list; 0 when the shell reports none.
  static int GetIconIndex(const std::wstring& path);
  // The caption of a file's row: its name without the last four characters (the extension of
  // an .lnk or .exe), cut whatever the name is.
  static std::wstring Caption(const std::wstring& path);

protected:
  // Makes the control; multiSelect lets several rows be selected at once.
  void CreateList(HWND parent, int x, int y, int width, int height, int id, bool multiSelect);
  void AddRow(const std::wstring& caption, int icon, const std::wstring& path,
              const std::wstring& attached, bool checked);

private:
  HWND hwnd_ = nullptr;
  // Attached paths, found through each row's item data (an index here, 0 for none). Rows may
  // go away; their entries stay until the list does.
  std::vector<std::wstring> attached_{std::wstring()};
};
