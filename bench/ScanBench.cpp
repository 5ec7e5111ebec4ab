// Measures the inventory scan against the registry reads it cannot avoid, on whatever the
// machine's Uninstall keys hold (scripts/bench fills them with generated entries first).
//
//   baseline  enumerate the Uninstall subkeys of the machine (both views) and the user and read
//             DisplayName, UninstallString, DisplayIcon and the usage record of each (or its
//             EstimatedSize), with plain registry calls
//   facts     the baseline plus the ten further values the scan keeps of each entry (publisher,
//             version, ... the installer and release marks), read the same plain way
//   scan      TNormalUninstall::Scan into the program list (icons left for first use)
//   screen    the scan plus the icons of the first screenful of rows, from an empty icon cache
//   icons     one shell icon query per entry, the cost the scan avoids by resolving lazily
//
// Prints per-entry and total times (the fastest of the runs) and the ratios to the baseline of the
// same run.
#include "Baseline.h"
#include "inventory/IconCache.h"
#include "inventory/NormalUninstall.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/UniqueHandle.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  win::ComInit com;
  int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  const size_t kScreenRows = 40;

  TProgramList list;
  TNormalUninstall scanner;
  scanner.SetListView(&list);
  size_t keys = RawRegistryRead();  // warms the registry and the file cache alike for both sides
  scanner.Scan();
  size_t rows = list.Count();
  if (keys == 0) {
    fwprintf(stderr, L"The Uninstall key holds no entries.\n");
    return 1;
  }

  std::vector<double> baseline, facts, scan, screen;
  for (int i = 0; i < runs; ++i) {
    baseline.push_back(Seconds([] { RawRegistryRead(); }));
    facts.push_back(Seconds([] { RawRegistryRead({L"DisplayName", L"UninstallString", L"DisplayIcon", L"Publisher", L"DisplayVersion", L"InstallLocation", L"InstallDate", L"QuietUninstallString", L"ModifyPath", L"WindowsInstaller", L"SystemComponent", L"ReleaseType", L"ParentKeyName"}); }));
    scan.push_back(Seconds([&] { scanner.Scan(); }));
    screen.push_back(Seconds([&] {
      TIconResolver icons;  // an empty icon cache, as at start-up
      scanner.Scan();
      for (size_t r = 0; r < std::min(kScreenRows, list.Count()); ++r)
        icons.ImageIndex(list.Row(r));
    }));
  }
  scanner.SetListView(&list);
  scanner.Scan();

  // What resolving every icon at scan time would add: one uncached shell query per entry.
  std::vector<std::wstring> files;
  for (size_t r = 0; r < list.Count(); ++r) {
    const auto& command = list.Row(r).Entry->ExecutableCommand();
    files.push_back(TIconResolver::IconFileFromSource(Unquote(command)));
  }
  double icons = Seconds([&] {
    for (const auto& f : files) TUtils::GetSmallIconIndex(f);
  });

  double b = Best(baseline), s = Best(scan), sc = Best(screen);
  auto line = [&](const wchar_t* what, double total, size_t n) {
    wprintf(L"  %-10ls %9.3f s total %9.1f us/entry   %6.2fx baseline\n", what, total,
            total * 1e6 / static_cast<double>(n), total / b);
  };
  wprintf(L"%zu Uninstall subkeys, %zu listed; fastest of %d runs\n", keys, rows, runs);
  line(L"baseline", b, keys);
  line(L"facts", Best(facts), keys);
  line(L"scan", s, keys);
  line(L"screen", sc, keys);
  line(L"icons", icons, keys);
  wprintf(L"  scan overhead beyond the registry reads: %+.1f%%\n", (s / b - 1) * 100);
  wprintf(L"  the facts' share of the scan: %.1f%%\n", (Best(facts) - b) / s * 100);
  return 0;
}
