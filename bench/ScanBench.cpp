// Measures the inventory scan against the registry reads it cannot avoid, on whatever the
// machine's Uninstall key holds (scripts/bench fills it with generated entries first).
//
//   baseline  enumerate the Uninstall subkeys and read DisplayName, UninstallString, DisplayIcon
//             and the usage record of each, with plain registry calls
//   scan      TNormalUninstall::Scan into the program list (icons left for first use)
//   screen    the scan plus the icons of the first screenful of rows
//   icons     one shell icon query per entry, the cost the scan avoids by resolving lazily
//
// Prints per-entry and total times and the ratios to the baseline of the same run.
#include "inventory/NormalUninstall.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/UniqueHandle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
  auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void ReadValue(HKEY key, const wchar_t* name, std::vector<BYTE>& buffer) {
  DWORD size = static_cast<DWORD>(buffer.size()), type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &size) == ERROR_MORE_DATA) {
    buffer.resize(size);
    RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &size);
  }
}

// The registry work any scan must do, written as directly as the API allows.
size_t Baseline() {
  win::UniqueHKey root;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, root.Put()) != ERROR_SUCCESS)
    return 0;
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(root.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, len);
  }
  std::vector<BYTE> buffer(1024);
  const std::wstring cache = std::wstring(kArpCacheKey) + L"\\";
  for (const auto& n : names) {
    win::UniqueHKey key;
    if (RegOpenKeyExW(root.Get(), n.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) continue;
    ReadValue(key.Get(), L"DisplayName", buffer);
    ReadValue(key.Get(), L"UninstallString", buffer);
    ReadValue(key.Get(), L"DisplayIcon", buffer);
    win::UniqueHKey usage;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (cache + n).c_str(), 0, KEY_READ, usage.Put()) ==
        ERROR_SUCCESS)
      ReadValue(usage.Get(), L"SlowInfoCache", buffer);
  }
  return names.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  win::ComInit com;
  int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  const size_t kScreenRows = 40;

  TProgramList list;
  TNormalUninstall scanner;
  scanner.SetListView(&list);
  size_t keys = Baseline();  // warms the registry and the file cache alike for both sides
  scanner.Scan();
  size_t rows = list.Count();
  if (keys == 0) {
    fwprintf(stderr, L"The Uninstall key holds no entries.\n");
    return 1;
  }

  std::vector<double> baseline, scan, screen;
  for (int i = 0; i < runs; ++i) {
    baseline.push_back(Seconds([] { Baseline(); }));
    scan.push_back(Seconds([&] { scanner.Scan(); }));
    screen.push_back(Seconds([&] {
      TNormalUninstall fresh;  // an empty icon cache, as at start-up
      fresh.SetListView(&list);
      fresh.Scan();
      for (size_t r = 0; r < std::min(kScreenRows, list.Count()); ++r) list.Row(r).ImageIndex();
    }));
  }
  scanner.SetListView(&list);
  scanner.Scan();

  // What resolving every icon at scan time would add: one uncached shell query per entry.
  std::vector<std::wstring> files;
  for (size_t r = 0; r < list.Count(); ++r) {
    const auto& command = list.Row(r).Entry->ExecutableCommand();
    files.push_back(TNormalUninstall::IconFileFromSource(Unquote(command)));
  }
  double icons = Seconds([&] {
    for (const auto& f : files) TUtils::GetSmallIconIndex(f);
  });

  double b = Median(baseline), s = Median(scan), sc = Median(screen);
  auto line = [&](const wchar_t* what, double total, size_t n) {
    wprintf(L"  %-10ls %9.3f s total %9.1f us/entry   %6.2fx baseline\n", what, total,
            total * 1e6 / static_cast<double>(n), total / b);
  };
  wprintf(L"%zu Uninstall subkeys, %zu listed; median of %d runs\n", keys, rows, runs);
  line(L"baseline", b, keys);
  line(L"scan", s, keys);
  line(L"screen", sc, keys);
  line(L"icons", icons, keys);
  wprintf(L"  scan overhead beyond the registry reads: %+.1f%%\n", (s / b - 1) * 100);
  return 0;
}
