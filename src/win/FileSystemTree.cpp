#include "win/FileSystemTree.h"

#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <winternl.h>

#include <algorithm>

namespace win {

namespace {

// Enough to delete through the handle, to take a read-only flag off first and, for a folder, to
// list it.
constexpr ACCESS_MASK kItemAccess =
    DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK kFolderAccess = kItemAccess | FILE_LIST_DIRECTORY;
// No leave to delete: while the walk holds a folder, no one renames it or swaps it for a link.
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool IsFolder(DWORD attributes) { return attributes & FILE_ATTRIBUTE_DIRECTORY; }
bool IsLink(DWORD attributes) { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }

struct TEntry {
  std::wstring Name;
  DWORD Attributes;  // as the listing gave them
};

}  // namespace

std::wstring LiteralPath(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\")) return path;
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
  if (path.starts_with(L"\\\\") && !path.starts_with(L"\\\\.\\"))
    return L"\\\\?\\UNC\\" + path.substr(2);
  return {};
}

namespace {

// "C:\x" for "\\?\C:\x", "\\server\share" for "\\?\UNC\server\share".
std::wstring PlainSpelling(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

// Whether a plain path names `path` as it is: a drive or share path each of whose names survives.
bool PlainPathsReach(const std::wstring& path) {
  size_t start = 0;
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
    start = 3;
  } else if (path.starts_with(L"\\\\") && !path.starts_with(L"\\\\?\\") &&
             !path.starts_with(L"\\\\.\\")) {
    size_t server = path.find(L'\\', 2);
    size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
    if (share == std::wstring::npos) return false;
    start = share + 1;
  } else {
    return false;
  }
  for (size_t end = start; start <= path.size(); start = end + 1) {
    end = std::min(path.find(L'\\', start), path.size());
    if (IsLiteralOnlyName(std::wstring_view(path).substr(start, end - start))) return false;
  }
  return true;
}

// The attributes of what the handle holds, not of what a name led to when it was listed.
bool AttributesOf(HANDLE item, DWORD& attributes) {
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(item, FileBasicInfo, &basic, sizeof basic)) return false;
  attributes = basic.FileAttributes;
  return true;
}

// The names in a held folder, read through its handle into `buffer`, one walk's for all its
// folders (records are aligned to 8 bytes).
bool ListInside(HANDLE folder, std::vector<LONGLONG>& buffer, std::vector<TEntry>& entries,
                DWORD& error) {
  const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
  for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;;
       kind = FileIdBothDirectoryInfo) {
    if (!GetFileInformationByHandleEx(folder, kind, buffer.data(), bytes)) {
      error = GetLastError();
      return error == ERROR_NO_MORE_FILES;
    }
    const BYTE* record = reinterpret_cast<const BYTE*>(buffer.data());
    for (;;) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record);
      std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") entries.push_back({std::move(name), info->FileAttributes});
      if (!info->NextEntryOffset) break;
      record += info->NextEntryOffset;
    }
  }
}

bool MarkDeleted(HANDLE item) {
  FILE_DISPOSITION_INFO dispose{TRUE};
  return SetFileInformationByHandle(item, FileDispositionInfo, &dispose, sizeof dispose);
}

bool SetAttributes(HANDLE item, DWORD attributes) {
  FILE_BASIC_INFO basic{};  // times of zero stay as they are
  attributes &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(item, FileBasicInfo, &basic, sizeof basic);
}

// Deletes what the handle holds, once the handle closes. A read-only file or folder inside what the
// user chose goes too, as in the shell; the flag comes off only right before, and back on when it
// stays.
bool DeleteThrough(HANDLE item, DWORD attributes, DWORD& error) {
  if (MarkDeleted(item)) return true;
  error = GetLastError();
  if (!(attributes & FILE_ATTRIBUTE_READONLY) || error != ERROR_ACCESS_DENIED) return false;
  if (!SetAttributes(item, attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  if (MarkDeleted(item)) return true;
  error = GetLastError();
  SetAttributes(item, attributes);
  return false;
}

// A folder being deleted, with what is still to do in it. The first frame stands above the path
// given: it has no handle and holds that path as its one entry.
struct TFrame {
  UniqueFile Folder;            // held until its contents are gone
  std::wstring Path;            // as the caller spells it
  std::wstring Literal;         // the first frame's: how to open the path given
  DWORD Attributes = 0;         // its own, from its handle
  std::vector<TEntry> Pending;  // the next at the back
  bool Offer = false;           // whole pieces of it may be taken away
  bool Whole = true;            // nothing in it stayed
  bool AllDeleted = true;       // everything in it went for good
  std::vector<TEntry> Offered;  // its whole pieces, kept for the take-away
  std::vector<TWentItem> Went;
};

// How an item is opened: to be asked what it is (and deleted through the handle), to be listed,
// or to go as soon as the handle closes. The last is for what was listed as a plain file: its
// handle need not be asked, since a link swapped in goes as a link and a folder is not opened.
enum class TOpen { Item, Folder, Doomed };

// Opens a name of the frame, inside a held folder through the folder's handle: the name is looked
// up where the walk stands, whatever happens to the path above it. The exact name, letter case too.
UniqueFile Open(const TFrame& frame, const std::wstring& name, TOpen how, DWORD& error) {
  const ACCESS_MASK access = how == TOpen::Folder ? kFolderAccess : kItemAccess;
  if (!frame.Folder) {
    DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT;
    flags |= how == TOpen::Doomed ? FILE_FLAG_DELETE_ON_CLOSE : FILE_FLAG_BACKUP_SEMANTICS;
    UniqueFile item(
        CreateFileW(frame.Literal.c_str(), access, kShare, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!item) error = GetLastError();
    return item;
  }
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(name.c_str());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &text, 0, frame.Folder.Get(), nullptr);
  IO_STATUS_BLOCK io{};
  ULONG options =
      FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT;
  if (how == TOpen::Doomed) options |= FILE_DELETE_ON_CLOSE | FILE_NON_DIRECTORY_FILE;
  HANDLE item = nullptr;
  NTSTATUS status =
      NtCreateFile(&item, access, &object, &io, nullptr, 0, kShare, FILE_OPEN, options, nullptr, 0);
  if (status < 0) {
    error = RtlNtStatusToDosError(status);
    return {};
  }
  return UniqueFile(item);
}

void Stay(TFrame& frame, TStayedItem item, TTreeDeletion& result) {
  frame.Whole = frame.AllDeleted = false;
  result.Stayed.push_back(std::move(item));
}

// What could not be opened stays, unless someone else deleted it first.
void Unopened(TFrame& frame, const std::wstring& path, DWORD error, TTreeDeletion& result) {
  const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  if (missing && frame.Folder) return;
  Stay(frame,
       {error == ERROR_SHARING_VIOLATION ? TStayedItem::InUse
        : missing                        ? TStayedItem::Missing
                                         : TStayedItem::Refused,
        path, error},
       result);
}

// The next entry of the top frame: a file or a link is dealt with, a folder becomes a frame.
void Visit(std::vector<TFrame>& stack, std::vector<LONGLONG>& listing, TTreeDeletion& result) {
  TFrame& frame = stack.back();
  TEntry entry = std::move(frame.Pending.back());
  frame.Pending.pop_back();
  const std::wstring path = frame.Path + L"\\" + entry.Name;
  const bool listedFolder = IsFolder(entry.Attributes) && !IsLink(entry.Attributes);
  const bool offer = frame.Offer && !IsLiteralOnlyName(entry.Name);
  DWORD error = 0, own = 0;
  if (!listedFolder && !IsLink(entry.Attributes) && !offer) {
    if (UniqueFile doomed = Open(frame, entry.Name, TOpen::Doomed, error)) {
      frame.Went.push_back({TWentItem::Deleted, path});
      return;
    }
    // A read-only file refuses; below, it loses the flag first.
    if (error != ERROR_ACCESS_DENIED) {
      Unopened(frame, path, error, result);
      return;
    }
  }
  UniqueFile item = Open(frame, entry.Name, listedFolder ? TOpen::Folder : TOpen::Item, error);
  if (item && !AttributesOf(item.Get(), own)) {
    error = GetLastError();
    item.Reset();
  }
  if (!item) {
    Unopened(frame, path, error, result);
    return;
  }
  if (IsLink(entry.Attributes) || IsLink(own)) {
    // Only a handle to the link itself removes the link alone; where the system opened the
    // target instead, the link stays.
    if (!IsLink(own)) {
      Stay(frame, {TStayedItem::Link, path}, result);
    } else if (DeleteThrough(item.Get(), own, error)) {
      frame.Went.push_back({TWentItem::Deleted, path});
    } else {
      Stay(frame, {TStayedItem::Refused, path, error}, result);
    }
    return;
  }
  if (IsFolder(own) != listedFolder) {
    Stay(frame, {TStayedItem::Changed, path}, result);
    return;
  }
  if (IsFolder(own)) {
    TFrame inner;
    if (!ListInside(item.Get(), listing, inner.Pending, error)) {
      Stay(frame, {TStayedItem::Refused, path, error}, result);
      return;
    }
    std::reverse(inner.Pending.begin(), inner.Pending.end());
    inner.Folder = std::move(item);
    inner.Path = path;
    inner.Attributes = own;
    inner.Offer = offer;
    stack.push_back(std::move(inner));
    return;
  }
  if (offer) {
    // Opened for deletion without a sharing violation: no one holds it. It waits for the take-away.
    frame.Offered.push_back(std::move(entry));
    return;
  }
  if (DeleteThrough(item.Get(), own, error))
    frame.Went.push_back({TWentItem::Deleted, path});
  else
    Stay(frame, {TStayedItem::Refused, path, error}, result);
}

// Offers the frame's whole pieces; what is not taken is listed again, to be deleted.
void HandOver(TFrame& frame, const TTakeAway& takeAway) {
  std::vector<std::wstring> names;
  for (const TEntry& entry : frame.Offered) names.push_back(entry.Name);
  const std::vector<bool> gone = takeAway(frame.Path, names);
  for (size_t i = 0; i < frame.Offered.size(); ++i) {
    if (i < gone.size() && gone[i]) {
      frame.Went.push_back({TWentItem::TakenAway, frame.Path + L"\\" + frame.Offered[i].Name});
      frame.AllDeleted = false;
    } else {
      frame.Pending.push_back(std::move(frame.Offered[i]));
    }
  }
  frame.Offered.clear();
  frame.Offer = false;
}

// The top frame has nothing left to do: it goes whole to its parent's offer, or it is deleted.
void Finish(std::vector<TFrame>& stack, TTreeDeletion& result) {
  TFrame done = std::move(stack.back());
  stack.pop_back();
  if (stack.empty()) {
    result.Gone = done.Whole;
    result.Went = std::move(done.Went);
    return;
  }
  TFrame& parent = stack.back();
  parent.Went.insert(parent.Went.end(), done.Went.begin(), done.Went.end());
  if (done.Offer && done.Whole) {
    done.Folder.Reset();
    parent.Offered.push_back({done.Path.substr(parent.Path.size() + 1), done.Attributes});
    return;
  }
  DWORD error = 0;
  const bool gone = DeleteThrough(done.Folder.Get(), done.Attributes, error);
  done.Folder.Reset();
  if (!gone && done.Whole) result.Stayed.push_back({TStayedItem::Refused, done.Path, error});
  if (gone && done.AllDeleted) {
    // One entry says it all.
    parent.Went.resize(parent.Went.size() - done.Went.size());
  }
  if (gone) parent.Went.push_back({TWentItem::Deleted, done.Path});
  parent.Whole = parent.Whole && gone;
  parent.AllDeleted = parent.AllDeleted && gone && done.AllDeleted;
}

}  // namespace

bool IsLiteralOnlyName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..") return true;
  if (name.back() == L'.' || name.back() == L' ') return true;
  for (wchar_t c : name)
    if (c < 0x20 || std::wstring_view(L"\"*/:<>?\\|").find(c) != std::wstring_view::npos)
      return true;
  // A device's name reaches the device in any folder: "nul", "con.txt", "com1 .log".
  std::wstring_view base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"})
    if (EqualsNoCase(base, device)) return true;
  return base.size() == 4 && (StartsWithNoCase(base, L"COM") || StartsWithNoCase(base, L"LPT")) &&
         base[3] >= L'1' && base[3] <= L'9';
}

TTreeDeletion DeleteFileSystemTree(const std::wstring& given, const TTakeAway& takeAway) {
  TTreeDeletion result;
  std::wstring path = given;
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  if (PlainPathsReach(PlainSpelling(path))) path = PlainSpelling(path);
  result.Path = path;
  TFrame above;
  above.Literal = LiteralPath(path);
  const size_t slash = path.find_last_of(L'\\');
  if (above.Literal.empty() || slash == std::wstring::npos || slash < 2) {
    result.Stayed.push_back({TStayedItem::Refused, path, ERROR_INVALID_NAME});
    return result;
  }
  const DWORD listed = GetFileAttributesW(above.Literal.c_str());
  if (listed == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    result.Stayed.push_back({missing ? TStayedItem::Missing : TStayedItem::Refused, path, error});
    return result;
  }
  above.Path = path.substr(0, slash);
  above.Pending.push_back({path.substr(slash + 1), listed});
  above.Offer = takeAway && PlainPathsReach(path);

  // A loop over an explicit stack: a deep tree costs memory, never the thread's stack.
  std::vector<TFrame> stack;
  stack.push_back(std::move(above));
  std::vector<LONGLONG> listing(8192);
  while (!stack.empty()) {
    TFrame& frame = stack.back();
    if (!frame.Pending.empty()) {
      Visit(stack, listing, result);
    } else if (!frame.Offered.empty() && (stack.size() == 1 || !frame.Whole || !frame.Offer)) {
      HandOver(frame, takeAway);
    } else {
      Finish(stack, result);
    }
  }
  return result;
}

}  // namespace win
