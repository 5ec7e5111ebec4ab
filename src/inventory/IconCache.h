// TIconCache: system image list indexes by icon file, so the shell is asked once per file.
#pragma once

#include <string>
#include <unordered_map>

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
