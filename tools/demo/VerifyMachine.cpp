#include "demo/VerifyMachine.h"

#include "common/ToolFiles.h"
#include "common/ToolRegistry.h"
#include "win/UniqueHandle.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>

namespace demo {
namespace {

using Problems = std::vector<std::wstring>;

uint64_t TimeAt(const std::vector<uint8_t>& record) {
  uint64_t ticks = 0;
  std::memcpy(&ticks, record.data() + 16, sizeof ticks);
  return ticks;
}

// Usage dates are written relative to now, so a record from an earlier run may carry other
// times; within two days of today's value counts as the same. Fixed patterns must match exactly.
bool SameValue(const RegValue& expected, DWORD type, const std::vector<uint8_t>& data) {
  if (type != expected.type || data.size() != expected.data.size()) return false;
  if (expected.name != kUsageValue || data.size() < 24) return data == expected.data;
  const uint64_t want = TimeAt(expected.data), got = TimeAt(data);
  const uint64_t twoDays = 2ULL * 86400 * 10'000'000;
  const bool fixed = want == 0 || want == ~0ULL;
  if (fixed ? got != want : (got > want ? got - want : want - got) > twoDays) return false;
  return std::equal(data.begin(), data.begin() + 16, expected.data.begin()) &&
         std::equal(data.begin() + 24, data.end(), expected.data.begin() + 24);
}

void CheckValues(HKEY root, const std::wstring& path, REGSAM view,
                 const std::vector<RegValue>& values, Problems& problems) {
  const win::UniqueHKey key = tools::OpenKey(root, path, KEY_READ, view);
  if (!key) {
    problems.push_back(L"key missing: " + path);
    return;
  }
  for (const RegValue& value : values) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.Get(), value.name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      problems.push_back(L"value missing: " + path + L" " + value.name);
      continue;
    }
    std::vector<uint8_t> data(size);
    RegQueryValueExW(key.Get(), value.name.c_str(), nullptr, &type, data.data(), &size);
    if (!SameValue(value, type, data))
      problems.push_back(L"value differs: " + path + L" " + value.name);
  }
}

bool ShellLoadsIcon(const std::wstring& path) {
  win::UniqueHIcon large, small;
  const UINT count = ExtractIconExW(path.c_str(), 0, large.Put(), small.Put(), 1);
  return count != 0 && count != UINT_MAX && large && small;
}

bool FileLoadsAsIcon(const std::wstring& path) {
  win::UniqueHIcon icon(
      static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE)));
  return static_cast<bool>(icon);
}

void CheckFile(const DemoFile& file, Problems& problems) {
  if (!tools::FileExists(file.path)) {
    problems.push_back(L"file missing: " + file.path);
    return;
  }
  const bool hasIcon = file.kind != DemoFile::Kind::Text;
  if (hasIcon && !ShellLoadsIcon(file.path))
    problems.push_back(L"the shell finds no icon in " + file.path);
  if (file.kind == DemoFile::Kind::Icon && !FileLoadsAsIcon(file.path))
    problems.push_back(L"LoadImage cannot load " + file.path);
  if ((GetFileAttributesW(file.path.c_str()) & file.attributes) != file.attributes)
    problems.push_back(L"attributes differ: " + file.path);
}

bool IsUnder(const std::wstring& path, const std::wstring& folder) {
  return path.size() > folder.size() && path[folder.size()] == L'\\' &&
         CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                              static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

// The link must show as a link, and the target's files must be reachable through it: only then
// does a deletion that survives the target prove that links are not followed.
void CheckLink(const FolderLink& link, const std::vector<DemoFile>& files, Problems& problems) {
  constexpr DWORD kLinkedFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  const DWORD attributes = GetFileAttributesW(link.link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kLinkedFolder) != kLinkedFolder) {
    problems.push_back(L"no folder link (tools/make-demo-links.sh makes it): " + link.link);
    return;
  }
  for (const DemoFile& file : files)
    if (IsUnder(file.path, link.target) &&
        !tools::FileExists(link.link + file.path.substr(link.target.size())))
      problems.push_back(L"link " + link.link + L" does not lead to " + file.path);
}

// The target as the link's item id list names it. Wine's GetPath answers from the link's ANSI
// path and loses characters outside the code page; the id list keeps the Unicode names.
std::wstring ShortcutTarget(IShellLinkW& link) {
  wchar_t path[MAX_PATH] = {};
  PIDLIST_ABSOLUTE pidl = nullptr;
  const HRESULT listed = link.GetIDList(&pidl);
  win::UniqueCoTaskMemory pidlMemory(pidl);
  if (SUCCEEDED(listed) && pidl && SHGetPathFromIDListW(pidl, path)) return path;
  if (FAILED(link.GetPath(path, MAX_PATH, nullptr, 0))) return {};
  return path;
}

void CheckShortcut(const Shortcut& shortcut, Problems& problems) {
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.PutVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) ||
      FAILED(file->Load(shortcut.link.c_str(), STGM_READ))) {
    problems.push_back(L"shortcut unreadable: " + shortcut.link);
    return;
  }
  const std::wstring target = ShortcutTarget(*link.Get());
  if (CompareStringOrdinal(target.c_str(), -1, shortcut.target.c_str(), -1, TRUE) != CSTR_EQUAL)
    problems.push_back(L"shortcut " + shortcut.link + L" leads to " + target);
}

}  // namespace

std::vector<std::wstring> VerifyProgram(const DemoProgram& program) {
  Problems problems;
  if (!program.key.empty()) {
    CheckValues(program.root, tools::JoinPath(kUninstallKey, program.key), program.view,
                program.values, problems);
    if (program.usage)
      CheckValues(program.root, tools::JoinPath(kArpCacheKey, program.key), program.view,
                  {*program.usage}, problems);
  }
  for (const DemoFile& file : program.files) CheckFile(file, problems);
  for (const Shortcut& shortcut : program.shortcuts) CheckShortcut(shortcut, problems);
  for (const std::vector<ExtraKey>* keys : {&program.extraKeys, &program.sharedValues})
    for (const ExtraKey& extra : *keys)
      CheckValues(extra.root, extra.path, 0, extra.values, problems);
  for (const FolderLink& link : program.links) CheckLink(link, program.files, problems);
  return problems;
}

}  // namespace demo
