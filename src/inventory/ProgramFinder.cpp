#include "inventory/ProgramFinder.h"

#include "inventory/UninstallItem.h"

#include <windows.h>

#include <algorithm>

namespace {

// Both searches run over the whole list or over the rows a filter shows, by position.
template <class TRows>
std::optional<int> FindNextMatchIn(const TRows& list, int selected, const std::wstring& text) {
  int n = static_cast<int>(list.Count());
  if (n == 0 || text.empty()) return std::nullopt;
  int start = selected < 0 ? 0 : selected;
  std::wstring wanted = CaseFolded(text);
  for (int step = 1; step <= n; ++step) {
    int index = (start + step) % n;
    if (CaseFolded(list.Row(static_cast<size_t>(index)).Caption).find(wanted) != std::wstring::npos)
      return index;
  }
  return std::nullopt;
}

template <class TRows>
int FindCaptionIn(const TRows& list, int start, const std::wstring& text, bool whole) {
  int n = static_cast<int>(list.Count());
  if (n == 0 || text.empty()) return -1;
  if (start < 0 || start >= n) start = 0;
  for (int step = 0; step < n; ++step) {
    int index = (start + step) % n;
    const std::wstring& caption = list.Row(static_cast<size_t>(index)).Caption;
    size_t length = whole ? caption.size() : std::min(caption.size(), text.size());
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, caption.c_str(),
                       static_cast<int>(length), text.c_str(),
                       static_cast<int>(text.size())) == CSTR_EQUAL)
      return index;
  }
  return -1;
}

}  // namespace

std::optional<int> FindNextMatch(const TProgramList& list, int selected, const std::wstring& text) {
  return FindNextMatchIn(list, selected, text);
}

std::optional<int> FindNextMatch(const TProgramFilter& shown, int selected,
                                 const std::wstring& text) {
  return FindNextMatchIn(shown, selected, text);
}

int FindProgram(const TProgramList& list, const std::wstring& text) {
  return FindCaption(list, 0, text, true);
}

int FindCaption(const TProgramList& list, int start, const std::wstring& text, bool whole) {
  return FindCaptionIn(list, start, text, whole);
}

int FindCaption(const TProgramFilter& shown, int start, const std::wstring& text, bool whole) {
  return FindCaptionIn(shown, start, text, whole);
}

TEntryPlace TEntryPlace::Of(const TUninstListItem& entry) {
  return {entry.RootKey(), entry.View(), entry.RegistryKey()};
}

int FindEntry(const TProgramList& list, const TEntryPlace& place) {
  for (size_t i = 0; i < list.Count(); ++i) {
    const TUninstListItem* entry = list.Row(i).Entry.get();
    if (entry && entry->RootKey() == place.Root && entry->View() == place.View &&
        CompareStringOrdinal(entry->RegistryKey().c_str(),
                             static_cast<int>(entry->RegistryKey().size()), place.KeyPath.c_str(),
                             static_cast<int>(place.KeyPath.size()), TRUE) == CSTR_EQUAL)
      return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::wstring> ShortcutFiles(const std::vector<std::wstring>& paths) {
  std::vector<std::wstring> shortcuts;
  for (const auto& path : paths) {
    if (path.size() < 4 || path.compare(path.size() - 4, 4, L".lnk") != 0) continue;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    shortcuts.push_back(path);
  }
  return shortcuts;
}
