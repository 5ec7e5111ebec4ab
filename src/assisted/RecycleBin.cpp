#include "assisted/RecycleBin.h"

#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <shellapi.h>
#include <shlobj.h>

#include <map>

namespace {

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

// An item of the bin by where it came from, in one letter case.
std::wstring BinKey(const std::wstring& folder, const std::wstring& name) {
  return win::ToLower(folder) + L'|' + win::ToLower(name);
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

std::vector<bool> TRecycleBinMoves::Move(const std::wstring& folder,
                                         const std::vector<std::wstring>& names) {
  if (!listed_) {
    before_ = RecycleBinItems();
    listed_ = true;
  }
  // The shell takes a list of names, each ended by a NUL, the list by one more; it cannot take a
  // path of MAX_PATH or more.
  std::vector<bool> gone(names.size(), false);
  std::wstring from;
  for (const std::wstring& name : names) {
    std::wstring path = folder + L"\\" + name;
    if (path.size() < MAX_PATH) from += path + L'\0';
  }
  if (from.empty()) return gone;
  from += L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationW(&operation);

  for (size_t i = 0; i < names.size(); ++i) {
    std::wstring path = folder + L"\\" + names[i];
    gone[i] = path.size() < MAX_PATH &&
              GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
              GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  return gone;
}

std::vector<TRecycleOutcome> TRecycleBinMoves::Outcomes(
    const std::vector<std::wstring>& paths) const {
  std::vector<TRecycleOutcome> outcomes(paths.size(), TRecycleOutcome::Deleted);
  if (!listed_ || paths.empty()) return outcomes;
  // What came into the bin during the action, by where it came from.
  std::map<std::wstring, int> added;
  for (const TRecycledItem& item : RecycleBinItems())
    ++added[BinKey(item.OriginalFolder, item.Name)];
  for (const TRecycledItem& item : before_) --added[BinKey(item.OriginalFolder, item.Name)];
  for (size_t i = 0; i < paths.size(); ++i) {
    const size_t slash = paths[i].find_last_of(L'\\');
    const std::wstring folder = paths[i].substr(0, slash), name = paths[i].substr(slash + 1);
    // The bin may show a name without its extension (a shortcut's always).
    const size_t dot = name.rfind(L'.');
    for (const std::wstring& shown :
         {name, dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot)}) {
      auto found = added.find(BinKey(folder, shown));
      if (found != added.end() && found->second > 0) {
        --found->second;
        outcomes[i] = TRecycleOutcome::Recycled;
        break;
      }
    }
  }
  return outcomes;
}
