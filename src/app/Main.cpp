// Start-up of purgalot.exe: for now one window showing the program list.
#include "inventory/NormalUninstall.h"
#include "inventory/ProgramList.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/UniqueHandle.h"

#include "resource.h"

#include <windows.h>
#include <commctrl.h>

namespace {

const wchar_t kTitle[] = L"Tarvenholt Purgalot!";
const wchar_t kClassName[] = L"TfMain";

struct TMainWindow {
  HWND list = nullptr;
  TProgramList programs;
  TNormalUninstall scanner;
};

void AddColumn(HWND list, int index, const wchar_t* caption, int width) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t*>(caption);
  column.cx = width;
  column.iSubItem = index;
  ListView_InsertColumn(list, index, &column);
}

void OnGetDispInfo(TMainWindow& w, NMLVDISPINFOW& info) {
  LVITEMW& item = info.item;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= w.programs.Count()) return;
  TProgramRow& row = w.programs.Row(static_cast<size_t>(item.iItem));
  if (item.mask & LVIF_TEXT) {
    const std::wstring* text = nullptr;
    if (item.iSubItem == 0)
      text = &row.Caption;
    else if (static_cast<size_t>(item.iSubItem - 1) < row.SubItems.size())
      text = &row.SubItems[static_cast<size_t>(item.iSubItem - 1)];
    if (text && item.cchTextMax > 0) lstrcpynW(item.pszText, text->c_str(), item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = row.ImageIndex();
  if (item.mask & LVIF_STATE) {
    item.state = INDEXTOSTATEIMAGEMASK(row.StateIndex + 1);
    item.stateMask = LVIS_STATEIMAGEMASK;
  }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  auto* w = reinterpret_cast<TMainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(
                                                reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_SIZE:
      if (w && w->list) MoveWindow(w->list, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (w && hdr->hwndFrom == w->list && hdr->code == LVN_GETDISPINFOW)
        OnGetDispInfo(*w, *reinterpret_cast<NMLVDISPINFOW*>(lp));
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  win::ComInit com;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);

  TMainWindow w;
  HWND hwnd = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 1000, 640, nullptr, nullptr, instance, &w);
  w.list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS |
                               LVS_SINGLESEL | LVS_SHAREIMAGELISTS,
                           0, 0, 0, 0, hwnd, nullptr, instance, nullptr);
  ListView_SetExtendedListViewStyle(w.list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  ListView_SetImageList(w.list, TUtils::GetSystemImageList(true), LVSIL_SMALL);
  AddColumn(w.list, 0, L"Name", 260);
  if (TUtils::IsNTPlatform()) {
    AddColumn(w.list, 1, L"Size", 90);
    AddColumn(w.list, 2, L"Last Used On", 100);
    AddColumn(w.list, 3, L"Frequency", 90);
    AddColumn(w.list, 4, L"Uninstall Command", 400);
  } else {
    AddColumn(w.list, 1, L"Uninstall Command", 400);
  }
  w.programs.SetOnChanged([&w] {
    ListView_SetItemCountEx(w.list, static_cast<int>(w.programs.Count()), 0);
    InvalidateRect(w.list, nullptr, TRUE);
  });
  w.scanner.SetListView(&w.programs);
  w.scanner.Scan();
  RECT rc;
  GetClientRect(hwnd, &rc);
  MoveWindow(w.list, 0, 0, rc.right, rc.bottom, FALSE);
  ShowWindow(hwnd, show);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
