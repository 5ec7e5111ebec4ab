// The index keyword F1 looks up in each window of the program, by the window's caption.
#pragma once

#include <string>
#include <vector>

struct THelpKeyword {
  const wchar_t* Caption;  // the window's caption
  const wchar_t* Keyword;  // an entry of the help file's index
};

const std::vector<THelpKeyword>& HelpKeywords();
// The keyword for a window of that caption; empty for a window that has none.
std::wstring HelpKeywordFor(const std::wstring& caption);
