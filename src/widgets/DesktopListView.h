// TDesktopListView: what lies on the user's own desktop, one row per entry, each shortcut with its
// target in the "Path" column and the entry's own full path attached, so that ticking a shortcut
// names the program it starts and the shortcut itself can be deleted.
#pragma once

#include "widgets/FileListView.h"

class TDesktopListView : public TFileListView {
public:
  // Makes the control and fills it from the desktop folder.
  void Create(HWND parent, int x, int y, int width, int height, int id = 0);

  // Adds a row for each entry of the folder (a trailing backslash is optional), unchecked.
  // Entries carrying none of the read-only, hidden, system, volume, folder and archive bits are
  // passed over; so are "." and "..". A folder that cannot be read adds nothing.
  void LoadFolder(const std::wstring& folder);
};
