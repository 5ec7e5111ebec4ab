// Measures the assisted uninstall wizard on a machine with 300 desktop shortcuts and a program
// files folder of 2,000 folders, beside baselines measured in the same run:
//
//   page 0     the wizard opened until its first page is shown with the desktop list filled;
//              baseline: reading the 300 shortcuts with the shell, the least any such list does
//   page 1     "Next >" with one shortcut ticked until the folder tree is built with the
//              shortcut's folder found and ticked among the 2,000; baseline: listing the 2,000
//              names with FindFirstFileExW
//   finish     "Finish" answered Yes on 1,000 rows (250 program folders, 500 Start-menu folders,
//              250 shortcuts) until every row has its status; baseline: deleting a set of the same
//              shape with DeleteFileW and RemoveDirectoryW (each made afresh for every run)
//
// Everything it makes is uniquely named (the desktop's and the Start menu's entries too) and
// removed again, one by one.
#include "Baseline.h"
#include "assisted/AssistedWizard.h"
#include "backup/BackupStore.h"
#include "dialogs/AssistedIds.h"
#include "inventory/Utils.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kShortcuts = 300;
constexpr int kTicked = 250;  // 250 folders + 2 x 250 Start-menu folders + 250 shortcuts
constexpr int kFolders = 2000;

using TClock = std::chrono::steady_clock;

std::wstring Numbered(const wchar_t* prefix, int i) {
  wchar_t text[64];
  swprintf(text, 64, L"%ls%04d", prefix, i);
  return text;
}

struct TMachine {
  std::wstring Root, ProgramFiles, Desktop, UserPrograms, CommonPrograms, Tag;

  std::wstring Caption(int i) const { return Numbered((Tag + L" ").c_str(), i); }
  std::wstring Folder(int i) const { return ProgramFiles + Numbered(L"App ", i) + L"\\"; }
  std::wstring Link(int i) const { return Desktop + Caption(i) + L".lnk"; }

  bool MakeShortcut(int i) const {
    win::ComPtr<IShellLinkW> link;
    win::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.PutVoid())))
      return false;
    link->SetPath((Folder(i) + L"app.exe").c_str());
    return SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) &&
           SUCCEEDED(file->Save(Link(i).c_str(), TRUE));
  }
  static bool MakeFile(const std::wstring& path) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
  }
  // The pieces "Finish" deletes: the ticked programs' files, their Start-menu folders, their links.
  bool MakeTickedPieces() const {
    for (int i = 0; i < kTicked; ++i) {
      CreateDirectoryW(Folder(i).c_str(), nullptr);
      if (!MakeFile(Folder(i) + L"app.exe")) return false;
      for (const std::wstring* programs : {&UserPrograms, &CommonPrograms}) {
        std::wstring menu = *programs + Caption(i);
        if (!CreateDirectoryW(menu.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
          return false;
        if (!MakeFile(menu + L"\\" + Caption(i) + L".lnk")) return false;
      }
      if (!MakeShortcut(i)) return false;
    }
    return true;
  }
  bool Make() {
    CreateDirectoryW(Root.c_str(), nullptr);
    CreateDirectoryW(ProgramFiles.c_str(), nullptr);
    for (int i = 0; i < kFolders; ++i)
      if (!CreateDirectoryW(Folder(i).c_str(), nullptr)) return false;
    for (int i = 0; i < kShortcuts; ++i) {
      if (!MakeFile(Folder(i) + L"app.exe") || !MakeShortcut(i)) return false;
    }
    return true;
  }
  void Remove() const {
    for (int i = 0; i < kShortcuts; ++i) {
      DeleteFileW(Link(i).c_str());
      for (const std::wstring* programs : {&UserPrograms, &CommonPrograms}) {
        std::wstring menu = *programs + Caption(i);
        DeleteFileW((menu + L"\\" + Caption(i) + L".lnk").c_str());
        RemoveDirectoryW(menu.c_str());
      }
    }
    for (int i = 0; i < kFolders; ++i) {
      DeleteFileW((Folder(i) + L"app.exe").c_str());
      RemoveDirectoryW(Folder(i).c_str());
    }
    RemoveDirectoryW(ProgramFiles.c_str());
    // The backups "Finish" made beside the log: it deletes no key, so each holds its manifest.
    for (const TBackupAction& action : ListBackups(Root + L"Backups\\")) {
      DeleteFileW((action.Folder + L"manifest.txt").c_str());
      RemoveDirectoryW(action.Folder.c_str());
    }
    RemoveDirectoryW((Root + L"Backups").c_str());
    DeleteFileW((Root + L"ULog.txt").c_str());
    RemoveDirectoryW(Root.c_str());
  }
};

// Runs the script from inside the wizard's own modal loop, as soon as it first waits.
std::function<void(HWND)> gScript;
double gOpenedAt = 0;
TClock::time_point gStart;

double Since(TClock::time_point start) {
  return std::chrono::duration<double>(TClock::now() - start).count();
}

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  gOpenedAt = Since(gStart);
  auto script = std::move(gScript);
  if (fAssisted && script) script(fAssisted->Handle());
}

// Answers the "Finish" question with Yes when it is up.
HWND gWizard = nullptr;
void CALLBACK AnswerYes(HWND, UINT, UINT_PTR id, DWORD) {
  struct TSearch {
    HWND Owner, Found = nullptr;
  } search{gWizard};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto& s = *reinterpret_cast<TSearch*>(lp);
        if (GetWindow(hwnd, GW_OWNER) == s.Owner && IsWindowVisible(hwnd)) s.Found = hwnd;
        return !s.Found;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.Found) return;
  KillTimer(nullptr, id);
  PostMessageW(search.Found, WM_COMMAND, IDYES, 0);
}

double RunWizard(const std::wstring& log, std::function<void(HWND)> script) {
  gScript = std::move(script);
  gStart = TClock::now();
  SetTimer(nullptr, 0, 0, RunScript);
  TfAssisted wizard(log);
  fAssisted = &wizard;
  wizard.ShowModal(nullptr);
  fAssisted = nullptr;
  return gOpenedAt;
}

void Click(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Ticks the desktop rows of the first `count` shortcuts; how many it found.
int Tick(HWND dialog, const TMachine& machine, int count) {
  HWND list = GetDlgItem(dialog, IDC_AS_ICONS);
  int ticked = 0;
  for (int i = 0; i < count; ++i) {
    std::wstring caption = machine.Caption(i);
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = caption.c_str();
    int row = ListView_FindItem(list, -1, &find);
    if (row < 0) continue;
    ListView_SetCheckState(list, row, TRUE);
    ++ticked;
  }
  return ticked;
}

bool FolderTicked(HWND tree, const std::wstring& caption) {
  std::vector<HTREEITEM> todo{TreeView_GetRoot(tree)};
  while (!todo.empty()) {
    HTREEITEM item = todo.back();
    todo.pop_back();
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
      wchar_t text[256] = {};
      TVITEMW data{};
      data.mask = TVIF_TEXT | TVIF_STATE;
      data.stateMask = TVIS_STATEIMAGEMASK;
      data.hItem = item;
      data.pszText = text;
      data.cchTextMax = 256;
      TreeView_GetItem(tree, &data);
      if (caption == text)
        return static_cast<int>(data.state >> 12) == TBoxTreeView::StateIndex(TCheckMark::Checked);
      if (HTREEITEM child = TreeView_GetChild(tree, item)) todo.push_back(child);
    }
  }
  return false;
}

void Line(const wchar_t* what, double seconds, double baseline) {
  wprintf(L"  %-46ls %9.3f s  %8.2fx baseline\n", what, seconds, seconds / baseline);
  fflush(stdout);
}

// Deletes a set of the same shape as the 1,000 rows, made under `root`, with the plain calls.
double PlainDeletion(const std::wstring& root) {
  CreateDirectoryW(root.c_str(), nullptr);
  std::vector<std::wstring> folders, files;
  for (int i = 0; i < 3 * kTicked; ++i) {
    std::wstring folder = Numbered((root + L"F").c_str(), i);
    CreateDirectoryW(folder.c_str(), nullptr);
    TMachine::MakeFile(folder + L"\\item.dat");
    folders.push_back(folder);
  }
  for (int i = 0; i < kTicked; ++i) {
    files.push_back(Numbered((root + L"L").c_str(), i) + L".lnk");
    TMachine::MakeFile(files.back());
  }
  double seconds = Seconds([&] {
    for (const std::wstring& folder : folders) {
      DeleteFileW((folder + L"\\item.dat").c_str());
      RemoveDirectoryW(folder.c_str());
    }
    for (const std::wstring& file : files) DeleteFileW(file.c_str());
  });
  RemoveDirectoryW(root.c_str());
  return seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES |
                                                     ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;

  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH, temp);
  wchar_t spelled[4 * MAX_PATH];
  if (!GetLongPathNameW(temp, spelled, 4 * MAX_PATH)) wcscpy(spelled, temp);
  TMachine machine;
  machine.Tag = L"PurgalotAssistedBench" + std::to_wstring(GetCurrentProcessId());
  machine.Root = win::WithTrailingBackslash(spelled) + machine.Tag + L"\\";
  machine.ProgramFiles = machine.Root + L"Program Files\\";
  machine.Desktop = win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_DESKTOPDIRECTORY));
  machine.UserPrograms = win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_PROGRAMS));
  machine.CommonPrograms = win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_COMMON_PROGRAMS));
  const std::wstring log = machine.Root + L"ULog.txt";

  wprintf(L"== assisted uninstall: %d desktop shortcuts, %d program folders (best of %d) ==\n",
          kShortcuts, kFolders, runs);
  if (!machine.Make()) {
    wprintf(L"  cannot make the machine under %ls\n", machine.Root.c_str());
    machine.Remove();
    return 1;
  }

  std::vector<double> readLinks, listNames, page0, page1, finish, plain;
  for (int run = 0; run < runs; ++run) {
    readLinks.push_back(Seconds([&] {
      for (int i = 0; i < kShortcuts; ++i) {
        TShortcutInfo info;
        info.FileName = machine.Link(i);
        TUtils::ReadShortcut(info);
      }
    }));
    listNames.push_back(Seconds([&] {
      WIN32_FIND_DATAW found;
      win::UniqueFind find(FindFirstFileExW((machine.ProgramFiles + L"*").c_str(), FindExInfoBasic,
                                            &found, FindExSearchLimitToDirectories, nullptr,
                                            FIND_FIRST_EX_LARGE_FETCH));
      size_t names = 0;
      if (find)
        while (FindNextFileW(find.Get(), &found)) ++names;
      if (names < static_cast<size_t>(kFolders)) wprintf(L"  listed %zu names\n", names);
    }));

    bool found = false;
    double opened = RunWizard(log, [&](HWND dialog) {
      if (Tick(dialog, machine, 1) != 1) wprintf(L"  the shortcut is not listed\n");
      page1.push_back(Seconds([&] { Click(dialog, IDC_AS_NEXT); }));
      found = FolderTicked(GetDlgItem(dialog, IDC_AS_ROOT_FOLDER), Numbered(L"App ", 0));
      Click(dialog, IDCANCEL);
    });
    page0.push_back(opened);
    if (!found) wprintf(L"  page 1 did not tick the shortcut's folder\n");
  }

  // "Finish" deletes what it lists: each run on pieces made for it, beside a plain deletion of a
  // set of the same shape made for it.
  for (int run = 0; run < runs; ++run) {
    if (!machine.MakeTickedPieces()) {
      wprintf(L"  cannot make the pieces to delete\n");
      break;
    }
    RunWizard(log, [&](HWND dialog) {
      gWizard = dialog;
      if (Tick(dialog, machine, kTicked) != kTicked) wprintf(L"  not every shortcut is listed\n");
      for (int page = 1; page <= 5; ++page) Click(dialog, IDC_AS_NEXT);
      HWND list = GetDlgItem(dialog, IDC_AS_FOR_DELETION);
      const int rows = ListView_GetItemCount(list);
      if (rows != 4 * kTicked) wprintf(L"  the list holds %d rows\n", rows);
      SetTimer(nullptr, 0, 5, AnswerYes);
      finish.push_back(Seconds([&] { Click(dialog, IDC_AS_NEXT); }));
      int ok = 0;
      for (int i = 0; i < rows; ++i) {
        wchar_t status[32] = {};
        ListView_GetItemText(list, i, 2, status, 32);
        ok += wcscmp(status, L"OK") == 0;
      }
      if (ok != rows) wprintf(L"  %d of %d rows OK\n", ok, rows);
      Click(dialog, IDCANCEL);
    });
    plain.push_back(PlainDeletion(machine.Root + L"Plain\\"));
  }

  Line(L"baseline: read the 300 shortcuts", Best(readLinks), Best(readLinks));
  Line(L"page 0 shown (desktop list filled)", Best(page0), Best(readLinks));
  Line(L"baseline: list the 2,000 program folders", Best(listNames), Best(listNames));
  Line(L"page 1 shown with its folder found", Best(page1), Best(listNames));
  if (!finish.empty()) {
    Line(L"baseline: delete 1,000 items with plain calls", Best(plain), Best(plain));
    Line(L"\"Finish\" on 1,000 rows (question answered)", Best(finish), Best(plain));
  }

  machine.Remove();
  CoUninitialize();
  return 0;
}
