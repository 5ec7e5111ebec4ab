#include "help/HelpKeywords.h"

const std::vector<THelpKeyword>& HelpKeywords() {
  static const std::vector<THelpKeyword> keywords = {
      {L"Uninstall", L"Uninstall"},
      {L"Bulk Uninstall", L"Bulk uninstall"},
      {L"Delete From List", L"Delete from list"},
      {L"Program Details", L"Program details"},
      {L"Edit Program Details", L"Edit program details"},
      {L"New Program", L"New program"},
      {L"Audit Report", L"Audit report"},
      {L"Uninstall Log", L"Uninstall log"},
      {L"Assisted Uninstall", L"Assisted uninstall"},
      {L"Welcome", L"Welcome box"},
      {L"About", L"About"},
      {L"Options", L"Options"},
      {L"Leftovers", L"Leftovers"},
  };
  return keywords;
}

std::wstring HelpKeywordFor(const std::wstring& caption) {
  for (const auto& k : HelpKeywords())
    if (caption == k.Caption) return k.Keyword;
  return {};
}
