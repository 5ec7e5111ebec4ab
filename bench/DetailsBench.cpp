// Measures Edit Program Details on entries with many values, from creation to the first full
// paint, and its OK with nothing changed, each beside a baseline measured in the same run: reading the key's values with plain API
// calls, the least any editor of them must do. The aim is the whole window in under 0.5 s at
// 10,000 values.
//
// The entries are keys of its own under HKEY_CURRENT_USER, which it removes again.
#include "Baseline.h"
#include "editing/EditDetails.h"
#include "editing/EntryValues.h"
#include "inventory/ProgramList.h"
#include "inventory/UninstallItem.h"
#include "win/UniqueHandle.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

const UINT kShowAndEnd = WM_APP + 1;

// The dialog that, once created, shows and paints itself completely and then closes.
class TTimedEditDetails : public TfEditDetails {
public:
  using TfEditDetails::TfEditDetails;

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    INT_PTR result = TfEditDetails::HandleMessage(msg, wp, lp);
    if (msg == WM_INITDIALOG) PostMessageW(Handle(), kShowAndEnd, 0, 0);
    if (msg == kShowAndEnd) {
      ShowWindow(Handle(), SW_SHOWNA);
      UpdateWindow(Handle());
      End(IDCANCEL);
    }
    return result;
  }
};

bool MakeEntry(const std::wstring& path, int values) {
  HKEY raw = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                      nullptr) != ERROR_SUCCESS)
    return false;
  win::UniqueHKey key(raw);
  for (int i = 0; i < values; ++i) {
    const std::wstring name = L"Value" + std::to_wstring(i);
    const std::wstring text = L"C:\\Program Files\\Example\\file" + std::to_wstring(i) + L".dll";
    if (RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
      return false;
  }
  return true;
}

// What any editor of the values must do: list them with their data.
size_t ReadValues(const std::wstring& path) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
    return 0;
  win::UniqueHKey key(raw);
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(65536);
  size_t count = 0;
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueW(key.Get(), i, name.data(), &nameSize, nullptr, &type, data.data(),
                      &dataSize) != ERROR_SUCCESS)
      break;
    ++count;
  }
  return count;
}

double BestOf(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(Seconds(work));
  return Best(times);
}

void Line(const std::wstring& what, double seconds, double baseline) {
  wprintf(L"  %-40ls %9.3f s  %8.1fx baseline\n", what.c_str(), seconds, seconds / baseline);
  fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;

  const std::wstring root = L"Software\\PurgalotDetailsBench" + std::to_wstring(GetCurrentProcessId());
  wprintf(L"Edit Program Details, creation to first paint; best of %d runs (aim: under 0.5 s)\n",
          runs);
  int status = 0;
  for (int values : {1000, 10000}) {
    const std::wstring path = root + L"\\" + std::to_wstring(values);
    if (!MakeEntry(path, values)) {
      fwprintf(stderr, L"Cannot write HKCU\\%ls\n", path.c_str());
      status = 1;
      break;
    }
    TProgramList list;
    TProgramRow& row = list.Add();
    row.Entry->SetName(L"Many Values");
    row.Entry->SetRegistryKey(path, HKEY_CURRENT_USER);
    const std::wstring what = std::to_wstring(values) + L" values";
    const double baseline = BestOf(runs, [&] { ReadValues(path); });
    Line(what + L" (read the values)", baseline, baseline);
    Line(what, BestOf(runs, [&] { TTimedEditDetails(*row.Entry).ShowModal(nullptr); }), baseline);
    // What OK does when nothing was changed: every row is compared with the value it came from.
    TEntryValues entry;
    entry.Load(HKEY_CURRENT_USER, 0, path);
    const std::vector<TValueRow> rows = entry.Rows();
    Line(what + L", OK unchanged", BestOf(runs, [&] { entry.Save(rows, {}); }), baseline);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
  return status;
}
