// The reads the leftover finder makes of the registry and the file system, each in as few calls
// as the API allows (under Wine every call is a round trip to the server), and the places it
// reads. Internal to the finder.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace leftovers {

extern const wchar_t kCurrentVersion[];  // Software\Microsoft\Windows\CurrentVersion
extern const wchar_t kUninstall[];       // its Uninstall key

struct TKeyPlace {
  HKEY Root;
  std::wstring Path;  // from the root, no leading backslash
};

// Software under each root and view: where programs keep Software\<Publisher>\<Program>.
const std::vector<TKeyPlace>& SoftwareKeys();
// A key below CurrentVersion under each root and view.
std::vector<TKeyPlace> CurrentVersionKeys(const std::wstring& name);
// Software\Classes per user and per machine, each at its real place.
const std::vector<TKeyPlace>& ClassesKeys();
// The COM classes of each Classes key and of the machine's 32-bit view.
std::vector<TKeyPlace> ClsidKeys();

std::wstring Lower(std::wstring_view text);
// Backslashes only, without trailing ones (a drive root keeps its own).
std::wstring WithoutTrailingBackslash(std::wstring path);
std::wstring ParentFolder(const std::wstring& path);
std::wstring LeafName(const std::wstring& path);
// A drive or share path.
bool IsFullPath(const std::wstring& path);
bool EndsWithNoCase(const std::wstring& text, std::wstring_view ending);

// The key opened for reading; no key when it cannot be opened.
win::UniqueHKey OpenKey(HKEY root, const std::wstring& path, REGSAM view = 0);
std::vector<std::wstring> SubKeyNames(HKEY key);
std::vector<std::wstring> ValueNames(HKEY key);
// The string values of a key, name and text, in one pass.
std::vector<std::pair<std::wstring, std::wstring>> StringValues(HKEY key);
// A string value of key\sub (the default value for a null name), unexpanded; nothing when absent.
std::optional<std::wstring> StringValue(HKEY key, const std::wstring& sub, const wchar_t* name);

struct TListed {
  std::wstring Name;
  bool Folder;
  bool Link;
};

// The names in a folder, in one listing; nothing for a folder that is not there.
std::vector<TListed> ListFolder(const std::wstring& folder);
bool PathExists(const std::wstring& path);
// A known folder's path without a trailing backslash; empty when the shell knows none.
std::wstring KnownFolder(const KNOWNFOLDERID& id);

// Whether the folder is one the user keeps documents in (Desktop, Documents, Downloads, Pictures,
// Music, Videos, the user's or the public one): nothing directly inside is ever a candidate.
bool IsDocumentFolder(const std::wstring& folder);
// Whether the path is such a folder or lies inside one.
bool LiesAmongDocuments(const std::wstring& path);
// A file people make themselves, which no installer puts in a program's folders.
bool IsDocumentFile(const std::wstring& name);

}  // namespace leftovers
