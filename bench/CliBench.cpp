// Measures the console program's work against what it cannot avoid, on whatever the machine's
// Uninstall keys hold (scripts/bench fills them with generated entries first).
//
//   baseline  enumerate the Uninstall subkeys of every place programs are registered and read,
//             with plain registry calls, the values "list --format json" writes: DisplayName,
//             UninstallString, DisplayVersion, Publisher, InstallDate, InstallLocation,
//             QuietUninstallString and the size (usage record, else EstimatedSize)
//   list      "list --format json" run in this process, its output kept in memory
//
//   script    50 quick uninstallers (the sample uninstaller) started one after another, each
//             waited for: what a script that runs the same commands does
//   bulk      the same 50 through the bulk runner, judged and logged as the wizard does
//   control   the same 50 started and waited for as the bulk runner does, nothing judged or
//             logged: how far two runs of the same processes differ
//
// Prints the fastest of the runs and the ratio of each to its baseline.
#include "Baseline.h"
#include "cli/CliVerbs.h"
#include "inventory/NormalUninstall.h"
#include "inventory/Utils.h"
#include "uninstall/BulkUninstall.h"
#include "uninstall/UninstallLogic.h"
#include "win/UniqueHandle.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// The values "list --format json" writes; the size is read as the scan reads it.
size_t RawListRead() {
  return RawRegistryRead({L"DisplayName", L"UninstallString", L"DisplayVersion", L"Publisher",
                          L"InstallDate", L"InstallLocation", L"QuietUninstallString"});
}

// 50 entries under a key of the benchmark's own, each removed by the sample uninstaller.
const wchar_t kBulkKey[] = L"Software\\PurgalotBench\\CliBulk";
constexpr int kBulkCount = 50;

std::wstring BulkCommand(int i) {
  return L"\"" + TUtils::ExeFolder() + L"sampleuninst.exe\" /root HKCU /uninstallkey \"" +
         std::wstring(kBulkKey) + L"\" /key E" + std::to_wstring(i) + L" /delay 0";
}

void MakeBulkEntries() {
  for (int i = 0; i < kBulkCount; ++i) {
    win::UniqueHKey key;
    std::wstring path = std::wstring(kBulkKey) + L"\\E" + std::to_wstring(i);
    RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key.Put(), nullptr);
    std::wstring name = L"Bench " + std::to_wstring(i);
    RegSetValueExW(key.Get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
  }
}

std::vector<TBulkTarget> BulkTargets() {
  std::vector<TBulkTarget> targets;
  for (int i = 0; i < kBulkCount; ++i)
    targets.push_back({L"Bench " + std::to_wstring(i), BulkCommand(i), true, false,
                       HKEY_CURRENT_USER, 0, std::wstring(kBulkKey) + L"\\E" + std::to_wstring(i)});
  return targets;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  // The uninstallers started inherit a working folder the prefix can reach.
  SetCurrentDirectoryW(TUtils::ExeFolder().c_str());
  size_t keys = RawListRead();  // warms the registry and the file cache alike for both sides
  std::wstring json;
  TCliStreams streams{[&json](const std::wstring& text) { json += text; },
                      [](const std::wstring&) {}};
  const std::vector<std::wstring> listJson = {L"list", L"--format", L"json"};
  // The first run in a process, as the console program makes it.
  double first = Seconds([&] { RunCli(listJson, streams); });

  TProgramList programs;
  TNormalUninstall scanner;
  scanner.SetListView(&programs);
  std::vector<double> baseline, scan, list;
  for (int i = 0; i < runs; ++i) {
    baseline.push_back(Seconds([] { RawListRead(); }));
    scan.push_back(Seconds([&] { scanner.Scan(); }));
    list.push_back(Seconds([&] {
      json.clear();
      RunCli(listJson, streams);
    }));
  }
  double b = Best(baseline), sc = Best(scan), l = Best(list);
  wprintf(L"%zu Uninstall subkeys, %zu bytes of JSON; fastest of %d runs\n", keys, json.size(), runs);
  wprintf(L"  %-26ls %9.3f s\n", L"raw read of the values", b);
  wprintf(L"  %-26ls %9.3f s   %6.2fx raw read\n", L"first list in the process", first, first / b);
  wprintf(L"  %-26ls %9.3f s   %6.2fx raw read\n", L"the scan alone", sc, sc / b);
  wprintf(L"  %-26ls %9.3f s   %6.2fx raw read\n", L"list --format json", l, l / b);

  const std::wstring log = TUtils::ExeFolder() + L"clibench-ULog.txt";
  // The sides in rounds, each round in another order: the processes of one side's run may still
  // be winding down when the next starts. At least ten rounds: 50 process starts vary more than
  // the bookkeeping costs, as the control shows.
  std::vector<double> script, bulk, control;
  const std::function<void()> sides[] = {
      [&] {
        script.push_back(Seconds([] {
          for (int e = 0; e < kBulkCount; ++e) TUtils::RunAndWait(BulkCommand(e), SW_HIDE);
        }));
      },
      [&] {
        bulk.push_back(Seconds([&] {
          TBulkUninstall run(BulkTargets(), log);
          run.Run();
        }));
      },
      [&] {
        control.push_back(Seconds([] {
          for (int e = 0; e < kBulkCount; ++e) {
            win::UniqueHandleObj process = TUtils::StartProcess(BulkCommand(e), SW_HIDE);
            WaitForSingleObject(process.Get(), INFINITE);
          }
        }));
      }};
  const int rounds = std::max(runs, 10);
  for (int round = 0; round < rounds; ++round)
    for (int side = 0; side < 3; ++side) {
      MakeBulkEntries();
      sides[(round + side) % 3]();
    }
  // The judging and logging alone, each entry already gone.
  double judged = Seconds([&] {
    for (const TBulkTarget& target : BulkTargets())
      JudgeUninstall(target.Name, target.Root, target.View, target.KeyPath, log);
  });
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\PurgalotBench");
  DeleteFileW(log.c_str());
  double s = Best(script), u = Best(bulk);
  wprintf(L"  %-26ls %9.3f s\n", L"50 uninstallers in turn", s);
  wprintf(L"  %-26ls %9.3f s   %6.2fx in turn\n", L"bulk run of the same 50", u, u / s);
  wprintf(L"  %-26ls %9.3f s   %6.2fx in turn\n", L"judging and logging 50", judged, judged / s);
  wprintf(L"  %-26ls %9.3f s   %6.2fx in turn\n", L"control, no bookkeeping",
          Best(control), Best(control) / s);
  return 0;
}
