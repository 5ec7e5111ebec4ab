// The shell's Recycle Bin: moving a file or folder there with the shell's own file operation (so
// the user can take it back), and reading what the bin holds through the shell's view of it.
#pragma once

#include <string>
#include <vector>

struct TRecycledItem {
  std::wstring Name;            // as the bin shows it
  std::wstring OriginalFolder;  // where it was, without a trailing backslash
};

// What the bin holds now, through the shell's Recycle Bin folder. Empty when there is no bin.
// Needs COM on the calling thread.
std::vector<TRecycledItem> RecycleBinItems();

enum class TRecycleOutcome {
  Recycled,  // the bin holds it now
  Deleted    // it is gone, but no bin took it: the shell deleted it for good
};

// One action's moves to the Recycle Bin. Whether the bin took each item or the shell deleted it
// for good is told by what the bin holds: listed once before the first move and once after the
// last, not around each move.
class TRecycleBinMoves {
public:
  // Moves the named files and folders of `folder` to the bin with one shell operation, without
  // asking or showing anything; for each, whether it is gone. The shell's own walk follows links
  // and reads plain paths: give it no link, nothing holding one, nothing in use and no name plain
  // paths cannot reach (win::DeleteFileSystemTree offers only such). Needs COM on the thread.
  std::vector<bool> Move(const std::wstring& folder, const std::vector<std::wstring>& names);
  // For each path Move made go, in the order given, where it went.
  std::vector<TRecycleOutcome> Outcomes(const std::vector<std::wstring>& paths) const;

private:
  bool listed_ = false;
  std::vector<TRecycledItem> before_;
};
