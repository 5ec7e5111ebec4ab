#include "widgets/DesktopListView.h"

#include "inventory/Utils.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <shlobj.h>

namespace {

constexpr DWORD kListedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | 0x8 /* volume label */ |
                                    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;

}  // namespace

void TDesktopListView::Create(HWND parent, int x, int y, int width, int height, int id) {
  CreateList(parent, x, y, width, height, id, false);
  std::wstring desktop = TUtils::GetSpecialFolder(CSIDL_DESKTOPDIRECTORY);
  if (!desktop.empty()) LoadFolder(desktop);
}

void TDesktopListView::LoadFolder(const std::wstring& folder) {
  const std::wstring base = win::WithTrailingBackslash(folder);
  WIN32_FIND_DATAW found;
  win::UniqueFind find(FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &found,
                                        FindExSearchNameMatch, nullptr, 0));
  if (!find) return;
  do {
    const std::wstring name = found.cFileName;
    if (!(found.dwFileAttributes & kListedAttributes) || name == L"." || name == L"..") continue;
    TShortcutInfo shortcut;
    shortcut.FileName = base + name;
    TUtils::ReadShortcut(shortcut);
    AddRow(Caption(shortcut.FileName), GetIconIndex(shortcut.FileName), shortcut.Target,
           shortcut.FileName, false);
  } while (FindNextFileW(find.Get(), &found));
}
