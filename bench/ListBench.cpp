// Measures the main window on whatever the machine's Uninstall key holds: from creation to the
// first full paint of the program list, a refresh, and a find that tests every row, each beside
// the raw registry read of the same entries in the same run; each keystroke typed into the filter
// box (the box holding the keyboard), up to the list's repaint, beside that find over every row,
// a frame's 16 ms and a repaint of the same page by the control with nothing changed. The first
// paint and a scroll through the list are measured with the folder sizing in the background and
// without it.
#include "Baseline.h"
#include "app/Main.h"
#include "inventory/ProgramFinder.h"

#include <algorithm>
#include <cstdio>
#include <vector>

static void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int wmain(int argc, wchar_t** argv) {
  win::ComInit com;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  size_t entries = RawRegistryRead();
  if (entries == 0) {
    fwprintf(stderr, L"The Uninstall key holds no entries.\n");
    return 1;
  }
  // The benchmark's own settings, so that the user's are left alone; details view, as most
  // users keep it.
  TWinSettings settings(L"PurgalotBench");
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    reg.OpenKey(L"\\" + settings.KeyPath(), true);
    reg.WriteString(L"MainViewStyle", L"3");
  }

  // Typed one letter at a time, then taken back: the first letter reads every row, the others
  // narrow what is shown, the last shows every row again.
  const std::vector<std::wstring> keystrokes = {L"c", L"co", L"cor", L"corv", L"cor", L"co", L"c",
                                                L""};
  std::vector<double> baseline, startup, refresh, find, repaint, startupUnsized, scroll,
      scrollUnsized;
  std::vector<std::vector<double>> typing(keystrokes.size());
  size_t rows = 0;
  // Pages down through the list, each page painted, as a user holding Page Down sees it.
  auto scrollThrough = [](TfMain& main) {
    HWND list = main.lvPrograms().Handle();
    const int pages = 100;
    for (int p = 0; p < pages; ++p) {
      SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
      UpdateWindow(list);
      Pump();  // the sizes that arrived meanwhile, as the message loop takes them
    }
  };
  for (int i = 0; i < runs; ++i) {
    baseline.push_back(Seconds([] { RawRegistryRead(); }));
    {
      TfMain unsized(settings, TCommandLine({}));
      unsized.SetFolderSizing(false);
      startupUnsized.push_back(Seconds([&] {
        unsized.Create();
        unsized.Show(SW_SHOWNORMAL);
      }));
      scrollUnsized.push_back(Seconds([&] { scrollThrough(unsized); }));
      DestroyWindow(unsized.Handle());
      Pump();
    }
    TfMain main(settings, TCommandLine({}));
    startup.push_back(Seconds([&] {
      main.Create();
      main.Show(SW_SHOWNORMAL);  // returns after the first full paint (UpdateWindow)
    }));
    scroll.push_back(Seconds([&] { scrollThrough(main); }));
    rows = main.Programs().Count();
    refresh.push_back(Seconds([&] {
      main.Refresh1Click();
      UpdateWindow(main.lvPrograms().Handle());
    }));
    find.push_back(Seconds([&] { FindNextMatch(main.Programs(), 0, L"no such program name"); }));
    HWND list = main.lvPrograms().Handle();
    repaint.push_back(Seconds([&] {
      InvalidateRect(list, nullptr, TRUE);
      UpdateWindow(list);
    }));
    SetFocus(main.FilterEdit());  // as Ctrl+F puts it there before the first letter
    for (size_t k = 0; k < keystrokes.size(); ++k)
      typing[k].push_back(Seconds([&] {
        SetWindowTextW(main.FilterEdit(), keystrokes[k].c_str());
        UpdateWindow(main.lvPrograms().Handle());
      }));
    DestroyWindow(main.Handle());
    Pump();
  }
  double b = Best(baseline);
  auto line = [&](const wchar_t* what, double total) {
    wprintf(L"  %-22ls %9.3f s  %8.1f us/entry  %6.2fx baseline\n", what, total,
            total * 1e6 / static_cast<double>(entries), total / b);
  };
  wprintf(L"%zu Uninstall subkeys, %zu listed; fastest of %d runs\n", entries, rows, runs);
  line(L"registry read", b);
  line(L"start-up to first paint", Best(startup));
  wprintf(L"  %-22ls %9.3f s  %6.2fx without folder sizing\n", L"  without sizing",
          Best(startupUnsized), Best(startup) / Best(startupUnsized));
  wprintf(L"  %-22ls %9.3f s  %6.2fx without folder sizing (100 pages)\n", L"scroll while sizing",
          Best(scroll), Best(scroll) / Best(scrollUnsized));
  line(L"refresh", Best(refresh));
  const double findAll = Best(find);
  wprintf(L"  %-22ls %9.3f ms over all rows\n", L"find (no match)", findAll * 1e3);
  double slowest = 0;
  for (size_t k = 0; k < keystrokes.size(); ++k) {
    slowest = std::max(slowest, Best(typing[k]));
    wprintf(L"    \"%ls\" %.3f ms\n", keystrokes[k].c_str(), Best(typing[k]) * 1e3);
  }
  const double page = Best(repaint);
  wprintf(L"  %-22ls %9.3f ms the control alone, nothing changed\n", L"repaint of a page",
          page * 1e3);
  wprintf(L"  %-22ls %9.3f ms slowest of %zu keys  %6.2fx find  %6.2fx a 16 ms frame  %6.2fx a "
          L"repaint\n",
          L"filter keystroke", slowest * 1e3, keystrokes.size(), slowest / findAll,
          slowest / 0.016, slowest / page);
  return 0;
}
