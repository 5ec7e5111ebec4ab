// Measures the folder tree on a folder with 5,000 subfolders, beside a baseline measured in the
// same run:
//
//   baseline     enumerating the 5,000 names with FindFirstFileExW (basic information), the least
//                any view of that folder must do
//   expand       opening that folder in the real tree (controller, model and tree view in a shown
//                window) up to the first full paint
//   whole        the rest of the branch going into the control from the message loop, after the
//                first paint
//   scroll       paging through the whole opened branch once, painting each page (the expand
//                buttons of the folders come into view and are probed then)
//   look in each looking into every subfolder once, what a tree that decides every expand button
//                before it shows a branch pays on top of the baseline
//
// Prints times and ratios (best of the runs). The folders lie in a folder of the benchmark's own
// under %TEMP% and are removed again, one by one.
#include "Baseline.h"
#include "assisted/TreeShellCtrl.h"
#include "widgets/BoxTreeView.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kFolders = 5000;

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::wstring SubfolderName(int i) {
  wchar_t name[32];
  swprintf(name, 32, L"Folder %05d", i);
  return name;
}

std::vector<std::wstring> EnumerateNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  win::UniqueFind find(FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                        FindExSearchLimitToDirectories, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcscmp(found.cFileName, L".") &&
        wcscmp(found.cFileName, L".."))
      names.emplace_back(found.cFileName);
  } while (FindNextFileW(find.Get(), &found));
  return names;
}

void LookInEach(const std::wstring& folder, const std::vector<std::wstring>& names) {
  for (const std::wstring& name : names) TTreeShellCtrl::HasEntries(folder + name + L"\\");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;

  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH, temp);
  wchar_t spelled[4 * MAX_PATH];
  if (!GetLongPathNameW(temp, spelled, 4 * MAX_PATH)) wcscpy(spelled, temp);
  const std::wstring parent = win::WithTrailingBackslash(spelled) + L"PurgalotFolderBench" +
                              std::to_wstring(GetCurrentProcessId()) + L"\\";
  const std::wstring big = parent + L"Big\\";

  wprintf(L"== folder tree: a folder with %d subfolders (best of %d) ==\n", kFolders, runs);
  if (!CreateDirectoryW(parent.c_str(), nullptr) || !CreateDirectoryW(big.c_str(), nullptr)) {
    wprintf(L"  cannot make %ls\n", big.c_str());
    return 1;
  }
  int made = 0;
  while (made < kFolders && CreateDirectoryW((big + SubfolderName(made)).c_str(), nullptr)) ++made;

  std::vector<double> raw, model, expand, whole, scroll, lookInEach;
  if (made == kFolders) {
    for (int run = 0; run < runs; ++run) {
      std::vector<std::wstring> names;
      raw.push_back(Seconds([&] { names = EnumerateNames(big); }));
      if (names.size() != static_cast<size_t>(kFolders)) wprintf(L"  read %zu names\n", names.size());
      lookInEach.push_back(Seconds([&] { LookInEach(big, names); }));

      {
        TCheckTree alone;
        TTreeShellCtrl ctrl;
        ctrl.SetCheckTree(&alone);
        ctrl.SetEnable(true);
        ctrl.SetInitialLocation(parent);
        if (TCheckNode* node = ctrl.NodeOfPath(big))
          model.push_back(Seconds([&] { alone.Expand(*node); }));
      }

      HWND frame = CreateWindowExW(0, L"STATIC", L"Folder tree bench",
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 420, 640, nullptr,
                                   nullptr, nullptr, nullptr);
      {
        RECT rc{};
        GetClientRect(frame, &rc);
        TBoxTreeView view;
        view.Create(frame, 0, 0, rc.right, rc.bottom);
        TTreeShellCtrl ctrl;
        ctrl.SetCheckTreeView(&view);
        ctrl.SetEnable(true);
        ctrl.SetInitialLocation(parent);
        TCheckNode* node = ctrl.NodeOfPath(big);
        const HWND tree = view.Handle();
        if (node) {
          SendMessageW(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                       reinterpret_cast<LPARAM>(view.ItemOf(*node)));
          UpdateWindow(frame);
          Pump();
          expand.push_back(Seconds([&] {
            view.Tree().Expand(*node);
            UpdateWindow(tree);
          }));
          whole.push_back(expand.back() + Seconds([&] {
            while (view.WaitingCount() > 0) {
              MSG msg;
              if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
              DispatchMessageW(&msg);
            }
            UpdateWindow(tree);
          }));
          if (node->ChildCount() != static_cast<size_t>(kFolders))
            wprintf(L"  the tree shows %zu folders\n", node->ChildCount());
          scroll.push_back(Seconds([&] {
            for (int last = -1;;) {
              SendMessageW(tree, WM_VSCROLL, SB_PAGEDOWN, 0);
              UpdateWindow(tree);
              const int now = GetScrollPos(tree, SB_VERT);
              if (now == last) break;
              last = now;
            }
          }));
        } else {
          wprintf(L"  the folder is not in the tree\n");
        }
      }
      DestroyWindow(frame);
      Pump();
      if (expand.size() != static_cast<size_t>(run + 1)) break;
    }
  } else {
    wprintf(L"  made only %d folders\n", made);
  }

  if (!raw.empty() && !expand.empty()) {
    const double baseline = Best(raw);
    PrintBesideBaseline(L"baseline: FindFirstFileExW of the names", baseline, baseline);
    if (!model.empty())
      PrintBesideBaseline(L"expand in the model alone (no window)", Best(model), baseline);
    PrintBesideBaseline(L"expand in the tree (to the first paint)", Best(expand), baseline);
    PrintBesideBaseline(L"expand, whole branch in the control", Best(whole), baseline);
    PrintBesideBaseline(L"scroll through the opened branch", Best(scroll), baseline);
    PrintBesideBaseline(L"look into each subfolder (eager buttons)", Best(lookInEach), baseline);
  }

  // Only what this run made, one empty folder at a time.
  for (int i = 0; i < made; ++i) RemoveDirectoryW((big + SubfolderName(i)).c_str());
  RemoveDirectoryW(big.c_str());
  RemoveDirectoryW(parent.c_str());
  return 0;
}
