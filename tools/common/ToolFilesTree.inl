// Recursive delete with a keep filter; included by ToolFiles.h.
#pragma once

#include "win/UniqueHandle.h"

namespace tools {

template <class Keep>
bool DeleteTree(const std::wstring& folder, Keep keep) {
  if (keep(folder)) return true;
  bool ok = true;
  bool keptSomething = false;
  WIN32_FIND_DATAW data{};
  win::UniqueFind find(FindFirstFileW(JoinPath(folder, L"*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = JoinPath(folder, name);
      if (keep(path)) {
        keptSomething = true;
        continue;
      }
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ok = DeleteTree(path, keep) && ok;
        if (FolderExists(path)) keptSomething = true;
      } else {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
          SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ok = DeleteFileW(path.c_str()) && ok;
      }
    } while (FindNextFileW(find.Get(), &data));
  }
  find.Reset();
  if (!keptSomething) ok = RemoveDirectoryW(folder.c_str()) && ok;
  return ok;
}

}  // namespace tools
