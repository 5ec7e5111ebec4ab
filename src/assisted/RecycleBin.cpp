#include "assisted/RecycleBin.h"

#include "win/UniqueHandle.h"

#include <shellapi.h>
#include <shlobj.h>

namespace {

bool IsLink(DWORD attributes) { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }

std::wstring StrRetText(STRRET& value, PCUITEMID_CHILD item) {
  switch (value.uType) {
    case STRRET_WSTR: {
      win::UniqueCoTaskMemory owner(value.pOleStr);
      return value.pOleStr ? std::wstring(value.pOleStr) : std::wstring();
    }
    case STRRET_CSTR:
    case STRRET_OFFSET: {
      const char* text = value.uType == STRRET_CSTR
                             ? value.cStr
                             : reinterpret_cast<const char*>(item) + value.uOffset;
      int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
      if (size <= 1) return {};
      std::wstring wide(static_cast<size_t>(size - 1), L'\0');
      MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
      return wide;
    }
    default: return {};
  }
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// How many items in the bin came from `folder` under `name`. The bin may show a name without its
// extension (a shortcut's always), so that form counts too.
size_t CountInBin(const std::wstring& folder, const std::wstring& name) {
  std::wstring bare = name.substr(0, name.rfind(L'.'));
  size_t count = 0;
  for (const TRecycledItem& item : RecycleBinItems())
    if (SameName(item.OriginalFolder, folder) &&
        (SameName(item.Name, name) || (!bare.empty() && SameName(item.Name, bare))))
      ++count;
  return count;
}

// Every file below the folder may be deleted now, and nothing below it is a link.
bool MovableContents(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  win::UniqueFind find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                        FindExSearchNameMatch, nullptr, 0));
  if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = folder + L"\\" + name;
    if (IsLink(data.dwFileAttributes)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!MovableContents(path)) return false;
    } else {
      // Asking for the right to delete fails while someone holds the file without sharing it.
      win::UniqueFile probe(CreateFileW(path.c_str(), DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
      if (!probe) return false;
    }
  } while (FindNextFileW(find.Get(), &data));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace

std::vector<TRecycledItem> RecycleBinItems() {
  std::vector<TRecycledItem> items;
  // Wine's bin folder crashes the process when asked for its items while there is no bin; asking
  // how much it holds fails cleanly then.
  SHQUERYRBINFO size{};
  size.cbSize = sizeof size;
  if (FAILED(SHQueryRecycleBinW(nullptr, &size))) return items;
  win::ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(reinterpret_cast<IShellFolder**>(desktop.PutVoid())))) return items;
  PIDLIST_ABSOLUTE location = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &location))) return items;
  win::UniqueCoTaskMemory ownLocation(location);
  win::ComPtr<IShellFolder2> bin;
  if (FAILED(desktop->BindToObject(location, nullptr, IID_IShellFolder2, bin.PutVoid())))
    return items;
  win::ComPtr<IEnumIDList> entries;
  if (bin->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                       reinterpret_cast<IEnumIDList**>(entries.PutVoid())) != S_OK ||
      !entries)
    return items;
  PITEMID_CHILD child = nullptr;
  while (entries->Next(1, &child, nullptr) == S_OK) {
    win::UniqueCoTaskMemory ownChild(child);
    TRecycledItem item;
    STRRET text;
    if (SUCCEEDED(bin->GetDisplayNameOf(child, SHGDN_INFOLDER, &text)))
      item.Name = StrRetText(text, child);
    // The bin's second column is where the item came from.
    SHELLDETAILS details{};
    if (SUCCEEDED(bin->GetDetailsOf(child, 1, &details)))
      item.OriginalFolder = StrRetText(details.str, child);
    while (!item.OriginalFolder.empty() && item.OriginalFolder.back() == L'\\')
      item.OriginalFolder.pop_back();
    items.push_back(std::move(item));
  }
  return items;
}

bool CanRecycle(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || IsLink(attributes)) return false;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return MovableContents(path);
  win::UniqueFile probe(CreateFileW(path.c_str(), DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return static_cast<bool>(probe);
}

TRecycleOutcome MoveToRecycleBin(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  size_t before = CountInBin(folder, name);

  // The shell takes a list of names, each ended by a NUL, the list by one more.
  std::wstring from = path + L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationW(&operation);

  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return TRecycleOutcome::Failed;
  // Where no bin can take it, the shell deletes it for good without saying so.
  return CountInBin(folder, name) > before ? TRecycleOutcome::Recycled : TRecycleOutcome::Deleted;
}
