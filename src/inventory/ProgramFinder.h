// The searches of the main window over the program list, apart from any control.
#pragma once

#include "inventory/ProgramList.h"

#include <optional>
#include <string>
#include <vector>

// The next row after `selected` (-1 for none) whose caption contains text, ignoring letter case;
// rows are tried once each, wrapping round, the selected row last. Nothing when no row matches,
// or when the list or the text is empty.
std::optional<int> FindNextMatch(const TProgramList& list, int selected, const std::wstring& text);

// The first row whose whole caption equals text, ignoring letter case; -1 when none does.
int FindProgram(const TProgramList& list, const std::wstring& text);

// A list view's find request, answered as the control answers it for rows it holds itself: from
// row `start` on, wrapping round, the first row whose caption begins with text (the whole caption
// when `whole`), ignoring letter case. -1 when none does or the text is empty.
int FindCaption(const TProgramList& list, int start, const std::wstring& text, bool whole);

// The row to select after a refresh: the remembered position when it still exists, else the
// first row, else none (-1).
int PositionAfterRefresh(int remembered, size_t count);

// The dropped files that are shortcuts: names ending exactly in ".lnk", folders left out.
std::vector<std::wstring> ShortcutFiles(const std::vector<std::wstring>& paths);
