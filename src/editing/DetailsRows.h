// The rows of the program details page, read from an entry's Uninstall key without any window:
// what each row says, whether its value is a link, and where it stands on the page.
#pragma once

#include <string>
#include <vector>

class TUninstListItem;

enum class TDetailLink { None, Open, Run };

struct TDetailRow {
  std::wstring Caption;
  std::wstring Value;  // as stored
  TDetailLink Link = TDetailLink::None;
  bool IsExpandString = false;
  int Top = 0;  // pixels from the top of the page at 96 DPI

  // What a click opens or runs: the value, with its variables expanded when it is an expand
  // string.
  std::wstring Target() const;
};

// Distance between rows, and the height of a gap between groups.
constexpr int kDetailRowHeight = 20;

// An InstallDate text as the page shows it: eight digits that form a valid date in year, month,
// day order become mm/dd/yyyy; anything else stays as read.
std::wstring InstallDateText(const std::wstring& stored);

// The rows for the entry's key, in page order; none when the key cannot be opened. The size and
// usage rows come from the entry's list row, on the NT family only.
std::vector<TDetailRow> ReadDetailRows(const TUninstListItem& entry);
