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

// Whether the shell may be given the path: neither it nor anything below it is a link (the
// shell's own deletion, used where no bin can take the path, would follow one into its target's
// files) and no file below it is held open without leave to delete it (the move would carry a
// file in use away from the program that holds it).
bool CanRecycle(const std::wstring& path);

enum class TRecycleOutcome {
  Recycled,  // the bin holds it now
  Deleted,   // it is gone, but no bin took it: the shell deleted it for good
  Failed     // it is still there
};

// Moves the path to the Recycle Bin without asking and without showing anything. Call it only
// for a path CanRecycle accepts.
TRecycleOutcome MoveToRecycleBin(const std::wstring& path);
