// TExeListView: the executables the user names by hand. It starts empty; each file added comes
// in checked, the same file as often as it is added.
#pragma once

#include "widgets/FileListView.h"

class TExeListView : public TFileListView {
public:
  // Makes the (empty) control; several rows can be selected at once.
  void Create(HWND parent, int x, int y, int width, int height, int id = 0);

  // Adds a checked row for the file when it exists; returns whether it did.
  bool AddFile(const std::wstring& path);
  // Deletes every selected row, checked or not.
  void RemoveSelected();
};
