#include "demo/ShellExtras.h"

#include "common/ToolFiles.h"
#include "win/UniqueHandle.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

namespace demo {
namespace {

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE)) return {};
  return path;
}

}  // namespace

MachinePaths QueryMachinePaths() {
  MachinePaths paths;
  paths.programFiles = SpecialFolder(CSIDL_PROGRAM_FILES);
  paths.userPrograms = tools::JoinPath(SpecialFolder(CSIDL_LOCAL_APPDATA), L"Programs");
  paths.windows = SpecialFolder(CSIDL_WINDOWS);
  paths.commonPrograms = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  paths.desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  // A fresh Wine prefix links the desktop to the host's home folder: keep the demo out of it.
  const DWORD attributes = GetFileAttributesW(paths.desktop.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    paths.desktop.clear();
    paths.desktopLinkedOut = true;
  }
  paths.commonDesktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
  return paths;
}

bool CreateShortcut(const Shortcut& shortcut) {
  win::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.PutVoid())))
    return false;
  link->SetPath(shortcut.target.c_str());
  link->SetArguments(shortcut.arguments.c_str());
  link->SetWorkingDirectory(tools::FolderOf(shortcut.target).c_str());
  link->SetDescription(shortcut.description.c_str());
  win::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return false;
  tools::MakeFolders(tools::FolderOf(shortcut.link));
  return SUCCEEDED(file->Save(shortcut.link.c_str(), TRUE));
}

}  // namespace demo
