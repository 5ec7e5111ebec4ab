// The searches of the main window over the program list, apart from any control.
#pragma once

#include "inventory/ProgramFilter.h"
#include "inventory/ProgramList.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class TUninstListItem;

// The next row after `selected` (-1 for none) whose caption contains text, ignoring letter case;
// rows are tried once each, wrapping round, the selected row last. Nothing when no row matches,
// or when the list or the text is empty.
// The filter's form works on the shown rows, by their positions.
std::optional<int> FindNextMatch(const TProgramList& list, int selected, const std::wstring& text);
std::optional<int> FindNextMatch(const TProgramFilter& shown, int selected,
                                 const std::wstring& text);

// The first row whose whole caption equals text, ignoring letter case; -1 when none does.
int FindProgram(const TProgramList& list, const std::wstring& text);

// A list view's find request, answered as the control answers it for rows it holds itself: from
// row `start` on, wrapping round, the first row whose caption begins with text (the whole caption
// when `whole`), ignoring letter case. -1 when none does or the text is empty.
int FindCaption(const TProgramList& list, int start, const std::wstring& text, bool whole);
int FindCaption(const TProgramFilter& shown, int start, const std::wstring& text, bool whole);

// Which program an entry is, kept across a rescan that replaces every entry: the key it was read
// from, in its root and registry view. The same key name in another place is another program.
struct TEntryPlace {
  HKEY Root = nullptr;
  REGSAM View = 0;
  std::wstring KeyPath;

  static TEntryPlace Of(const TUninstListItem& entry);
};

// The row of the program read from that place (the key's letter case ignored); -1 when the list
// holds none.
int FindEntry(const TProgramList& list, const TEntryPlace& place);

// The dropped files that are shortcuts: names ending exactly in ".lnk", folders left out.
std::vector<std::wstring> ShortcutFiles(const std::vector<std::wstring>& paths);
