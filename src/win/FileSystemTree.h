// Deleting a file or a folder with everything below it, the one way the program deletes what the
// user chose in the file system.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace win {

// Something that went: a file, a link or a folder with everything that was in it.
struct TWentItem {
  enum TWay { Deleted, TakenAway };
  TWay Way;
  std::wstring Path;
  bool operator==(const TWentItem&) const = default;
};

// Something that stayed for a reason of its own (a folder that stays only because something in
// it did is not one of them).
struct TStayedItem {
  enum TWhy {
    InUse,    // someone holds it open without leave to delete it
    Link,     // a link this system will not remove as a link
    Changed,  // it turned into something else between the listing and the opening
    Missing,  // the path given is not there
    Refused   // the system said no; Error says why
  };
  TWhy Why;
  std::wstring Path;
  DWORD Error = 0;
  bool operator==(const TStayedItem&) const = default;
};

struct TTreeDeletion {
  std::wstring Path;  // the path given, spelled as the items below are
  bool Gone = false;  // the path itself is gone (deleted, or taken away)
  // The largest pieces that went, each one way; a folder's own entry follows its pieces' entries.
  std::vector<TWentItem> Went;
  std::vector<TStayedItem> Stayed;
};

// Offered whole files and folders of one folder, by name, none of them a link or holding one,
// nothing in them held open, every name below them one plain paths reach; returns for each
// whether it is gone now. What it leaves is deleted.
using TTakeAway = std::function<std::vector<bool>(const std::wstring& folder,
                                                  const std::vector<std::wstring>& names)>;

// Whether plain Win32 paths cannot name the file as it is: they drop a trailing dot or blank (a
// plain path to "Photos." reaches "Photos"), read "*" and "?" as wildcards and ":" as a stream,
// and take a device's name ("nul", "con.txt") for the device.
bool IsLiteralOnlyName(std::wstring_view name);

// The path as the system takes it literally (\\?\C:\..., \\?\UNC\server\...): no trailing dot or
// blank dropped, no name completed. Empty for what is not a full drive or share path.
std::wstring LiteralPath(const std::wstring& path);

// Deletes the file or folder `path` (a full path) with everything below it, deepest first, and
// says what went and what stayed, spelled as `path` is (without a \\?\ that a plain path does
// not need). Every name is taken literally. A link (junction or symbolic link) is removed as a
// link and never descended, so its target keeps every file; a folder is entered only through a
// handle that says it is a folder and not a link, held without leave to rename or delete it until
// its contents are gone. Read-only files and folders go too. With a `takeAway`, the largest whole
// pieces that plain paths can name are offered to it first.
// Walks with an explicit stack: a deep tree costs memory, never the thread's stack.
TTreeDeletion DeleteFileSystemTree(const std::wstring& path, const TTakeAway& takeAway = nullptr);

}  // namespace win
