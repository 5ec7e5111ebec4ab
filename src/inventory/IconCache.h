// TIconCache: system image list indexes by icon file, so the shell is asked once per file.
// TIconResolver: the icon a program row shows, found from the row's icon sources.
#pragma once

#include <string>
#include <unordered_map>

struct TIconSources;
struct TProgramRow;

class TIconCache {
public:
  // The file's index in the system image lists, or -1 when the shell knows no icon for it.
  int IndexFor(const std::wstring& file);
  // Forgets the files that had no icon, which may exist by now.
  void ForgetMisses();
  size_t ShellQueries() const noexcept { return shellQueries_; }

private:
  std::unordered_map<std::wstring, int> indexes_;  // keyed by the lower-case path
  size_t shellQueries_ = 0;
};

// Owned by whoever shows the rows: rows only carry their sources and the index once found.
class TIconResolver {
public:
  // The row's icon, found on first use and kept in the row.
  int ImageIndex(TProgramRow& row);

  // The first candidate with an icon: the icon source, the usage record's image path (corrected),
  // the command, and last the running program's own executable (whose result stands, even -1).
  int FindIconIndex(const std::wstring& iconSource, const std::wstring& imagePath,
                    const std::wstring& command);
  int FindIconIndex(const TIconSources& sources);
  // The icon of the file an icon source names, or -1. A file on the network is never asked
  // about: an unreachable server would stall the list for seconds.
  int IconIndexForSource(const std::wstring& text);
  // The path inside an icon source with its icon index (",0") cut off; empty when the name has
  // no icon file extension.
  static std::wstring IconFileFromSource(const std::wstring& text);

  // Called before the list is scanned again.
  void ForgetMisses() { cache_.ForgetMisses(); }
  const TIconCache& Cache() const noexcept { return cache_; }

private:
  TIconCache cache_;
};
