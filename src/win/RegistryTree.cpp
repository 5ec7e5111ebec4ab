#include "win/RegistryTree.h"

#include "win/UniqueHandle.h"

#include <vector>

// Deletes the key behind a handle. The registry functions delete by name, and opening a name
// follows a link to its target; only a handle to the link itself removes the link alone.
extern "C" LONG NTAPI NtDeleteKey(HANDLE key);

namespace win {

namespace {

constexpr REGSAM kAccess = KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE;

// Opens the key itself, also where it is a link.
UniqueHKey OpenAsLink(HKEY parent, const std::wstring& name, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, kAccess | view, &key) !=
      ERROR_SUCCESS)
    return {};
  return UniqueHKey(key);
}

std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  std::wstring buffer(256, L'\0');
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG rc = RegEnumKeyExW(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      buffer.resize(buffer.size() * 2);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(buffer.data(), length);
  }
  return names;
}

// A key being deleted and those of its subkeys still to visit, the last index at the back.
struct TFrame {
  UniqueHKey Key;
  std::vector<std::wstring> Pending;
};

}  // namespace

bool DeleteRegistryTree(HKEY parent, const std::wstring& path, REGSAM view) {
  std::wstring relative = path;
  while (!relative.empty() && relative.back() == L'\\') relative.pop_back();
  if (relative.empty()) return false;

  UniqueHKey top = OpenAsLink(parent, relative, view);
  if (!top) return false;
  // A loop over an explicit stack: a deep tree costs memory, never the thread's stack.
  std::vector<TFrame> stack;
  std::vector<std::wstring> names = SubkeyNames(top.Get());
  stack.push_back({std::move(top), std::move(names)});
  for (;;) {
    TFrame& frame = stack.back();
    if (!frame.Pending.empty()) {
      std::wstring name = std::move(frame.Pending.back());
      frame.Pending.pop_back();
      UniqueHKey child = OpenAsLink(frame.Key.Get(), name, view);
      if (!child) continue;  // then the key above it stays too, and the result says so
      names = SubkeyNames(child.Get());
      stack.push_back({std::move(child), std::move(names)});
      continue;
    }
    bool deleted = NtDeleteKey(frame.Key.Get()) == 0;
    stack.pop_back();
    if (stack.empty()) return deleted;
  }
}

}  // namespace win
