// Measures the registry tree on a key with 10,000 subkeys (each with a subkey of its own), beside
// a baseline measured in the same run:
//
//   baseline     enumerating the 10,000 names with RegEnumKeyExW, the least any view of that key
//                must do
//   expand       opening that key in the real tree (controller, model and tree view in a shown
//                window) up to the first full paint
//   tick         a click on the opened key's box, which ticks the 10,000 keys below it
//   scroll       paging through the whole opened branch once, painting each page (the expand
//                buttons of the keys come into view and are probed then)
//   plain scroll the same paging through a plain tree view holding the same 10,000 names, with
//                the same pictures and boxes but no callbacks: what the control itself costs
//   open each    opening every subkey once to count its subkeys, what a tree that decides every
//                expand button before it shows a branch pays on top of the baseline
//
// Prints times and ratios. The key lies under HKEY_CURRENT_USER\Software\PurgalotBench and is
// removed again.
#include "Baseline.h"
#include "assisted/TreeRegCtrl.h"
#include "widgets/BoxTreeView.h"
#include "win/RegistryTree.h"
#include "win/UniqueHandle.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kKeys = 10000;
const std::wstring kBenchRoot = L"Software\\PurgalotBench";

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool MakeKeys(const std::wstring& path) {
  for (int i = 0; i < kKeys; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"\\Key %05d\\Sub", i);
    win::UniqueHKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (path + name).c_str(), 0, nullptr, 0, KEY_WRITE,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
      return false;
  }
  return true;
}

std::vector<std::wstring> EnumerateNames(const std::wstring& path) {
  std::vector<std::wstring> names;
  win::UniqueHKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
    return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

void OpenEach(const std::wstring& path, const std::vector<std::wstring>& names) {
  for (const std::wstring& name : names) {
    win::UniqueHKey key;
    DWORD subkeys = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (path + L"\\" + name).c_str(), 0, KEY_READ, key.Put()) ==
        ERROR_SUCCESS)
      RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr);
  }
}

// A shown window with the tree, built down to the parent of the big key, which is in view.
struct TTreeWindow {
  explicit TTreeWindow(const std::wstring& parentPath) : ctrl(view.Tree()) {
    frame = CreateWindowExW(0, L"STATIC", L"Tree bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                            420, 640, nullptr, nullptr, nullptr, nullptr);
    RECT rc{};
    GetClientRect(frame, &rc);
    view.Create(frame, 0, 0, rc.right, rc.bottom);
    ctrl.SetEnable(true);
    ctrl.SetInitialRoot(HKEY_CURRENT_USER);
    ctrl.SetInitialKey(parentPath);
    UpdateWindow(frame);
    Pump();
  }
  ~TTreeWindow() { DestroyWindow(frame); }

  HWND frame = nullptr;
  TBoxTreeView view;
  TTreeRegCtrl ctrl;
};

TCheckNode* Find(TCheckNode& parent, const std::wstring& caption) {
  for (size_t i = 0; i < parent.ChildCount(); ++i)
    if (parent.Child(i).Caption() == caption) return &parent.Child(i);
  return nullptr;
}

// Pages down to the end, painting each page.
void ScrollThrough(HWND tree) {
  for (int last = -1;;) {
    SendMessageW(tree, WM_VSCROLL, SB_PAGEDOWN, 0);
    UpdateWindow(tree);
    const int now = GetScrollPos(tree, SB_VERT);
    if (now == last) break;
    last = now;
  }
}

// A plain tree view with the names under one open item, with the same pictures and boxes, in a
// window of the same size.
double PlainScroll(const std::vector<std::wstring>& names, HIMAGELIST images) {
  HWND frame = CreateWindowExW(0, L"STATIC", L"Plain tree", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                               40, 420, 640, nullptr, nullptr, nullptr, nullptr);
  RECT rc{};
  GetClientRect(frame, &rc);
  HWND tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS |
                                  TVS_LINESATROOT,
                              0, 0, rc.right, rc.bottom, frame, nullptr, nullptr, nullptr);
  TreeView_SetImageList(tree, images, TVSIL_NORMAL);
  TreeView_SetImageList(tree, images, TVSIL_STATE);
  TVINSERTSTRUCTW insert{};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  insert.item.iImage = TBoxTreeView::kImageFolderClosed;
  insert.item.iSelectedImage = TBoxTreeView::kImageFolderOpen;
  insert.item.state = INDEXTOSTATEIMAGEMASK(TBoxTreeView::kImageBoxUnchecked);
  insert.item.stateMask = TVIS_STATEIMAGEMASK;
  std::wstring caption = L"Parent";
  insert.item.pszText = caption.data();
  HTREEITEM parent = TreeView_InsertItem(tree, &insert);
  insert.hParent = parent;
  for (const std::wstring& name : names) {
    caption = name;
    insert.item.pszText = caption.data();
    TreeView_InsertItem(tree, &insert);
  }
  TreeView_Expand(tree, parent, TVE_EXPAND);
  UpdateWindow(tree);
  const double seconds = Seconds([&] { ScrollThrough(tree); });
  DestroyWindow(frame);
  return seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;
  const std::wstring leaf = L"Tree" + std::to_wstring(GetCurrentProcessId());
  const std::wstring path = kBenchRoot + L"\\" + leaf;

  wprintf(L"== registry tree: a key with %d subkeys, each with a subkey (best of %d) ==\n", kKeys,
          runs);
  DWORD disposition = 0;
  {
    win::UniqueHKey parent;
    RegCreateKeyExW(HKEY_CURRENT_USER, kBenchRoot.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                    parent.Put(), &disposition);
  }
  const bool madeRoot = disposition == REG_CREATED_NEW_KEY;
  if (!MakeKeys(path)) {
    wprintf(L"  cannot make the keys\n");
    win::DeleteRegistryTree(HKEY_CURRENT_USER, path);
    return 1;
  }

  std::vector<double> raw, model, expand, whole, tick, scroll, plain, openEach;
  for (int run = 0; run < runs; ++run) {
    std::vector<std::wstring> names;
    raw.push_back(Seconds([&] { names = EnumerateNames(path); }));
    if (names.size() != static_cast<size_t>(kKeys)) wprintf(L"  read %zu names\n", names.size());
    openEach.push_back(Seconds([&] { OpenEach(path, names); }));

    {
      TCheckTree alone;
      TTreeRegCtrl ctrl(alone);
      ctrl.SetEnable(true);
      ctrl.SetInitialRoot(HKEY_CURRENT_USER);
      ctrl.SetInitialKey(L"\\" + kBenchRoot);
      TCheckNode* node = ctrl.ComputerNode();
      for (const std::wstring& step :
           {std::wstring(L"HKEY_CURRENT_USER"), std::wstring(L"Software"),
            std::wstring(L"PurgalotBench"), leaf})
        node = node ? Find(*node, step) : nullptr;
      if (node) model.push_back(Seconds([&] { alone.Expand(*node); }));
    }

    TTreeWindow window(L"\\" + kBenchRoot);
    TCheckNode* bench = window.ctrl.ComputerNode();
    for (const wchar_t* step : {L"HKEY_CURRENT_USER", L"Software", L"PurgalotBench"})
      bench = bench ? Find(*bench, step) : nullptr;
    TCheckNode* big = bench ? Find(*bench, leaf) : nullptr;
    if (!big) {
      wprintf(L"  the key is not in the tree\n");
      break;
    }
    const HWND tree = window.view.Handle();
    SendMessageW(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                 reinterpret_cast<LPARAM>(window.view.ItemOf(*big)));
    UpdateWindow(tree);
    expand.push_back(Seconds([&] {
      window.view.Tree().Expand(*big);
      UpdateWindow(tree);
    }));
    // The rest of the branch goes into the control from the message loop.
    whole.push_back(expand.back() + Seconds([&] {
      while (window.view.WaitingCount() > 0) {
        MSG msg;
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
        DispatchMessageW(&msg);
      }
      UpdateWindow(tree);
    }));
    if (big->ChildCount() != static_cast<size_t>(kKeys))
      wprintf(L"  the tree shows %zu keys\n", big->ChildCount());

    // A click on the box of the opened key ticks all its keys.
    tick.push_back(Seconds([&] {
      window.view.Tree().Toggle(*big);
      UpdateWindow(tree);
    }));
    scroll.push_back(Seconds([&] { ScrollThrough(tree); }));
    Pump();
    plain.push_back(PlainScroll(names, window.view.Images()));
    Pump();
  }

  if (!raw.empty() && !expand.empty()) {
    const double baseline = Best(raw);
    PrintBesideBaseline(L"baseline: RegEnumKeyExW of the names", baseline, baseline);
    if (!model.empty())
      PrintBesideBaseline(L"expand in the model alone (no window)", Best(model), baseline);
    PrintBesideBaseline(L"expand in the tree (to the first paint)", Best(expand), baseline);
    PrintBesideBaseline(L"expand, whole branch in the control", Best(whole), baseline);
    PrintBesideBaseline(L"tick the opened key (all its keys)", Best(tick), baseline);
    PrintBesideBaseline(L"scroll through the opened branch", Best(scroll), baseline);
    PrintBesideBaseline(L"plain tree view, the same scroll", Best(plain), baseline);
    PrintBesideBaseline(L"open each subkey once (eager buttons)", Best(openEach), baseline);
  }

  win::DeleteRegistryTree(HKEY_CURRENT_USER, path);
  // The parent key too when this run made it and nothing else is left in it.
  if (madeRoot) RegDeleteKeyW(HKEY_CURRENT_USER, kBenchRoot.c_str());
  return 0;
}
