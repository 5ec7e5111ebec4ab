// Measures the uninstall log window on large logs and the delete dialog on very long program
// names, from creation to the first full paint, each beside a baseline measured in the same run.
//
//   log window   baseline: reading the same file and decoding it to UTF-16 with plain API calls,
//                the least any viewer of that file must do
//   long line    a log that is one line without a break, at two lengths; linear handling costs
//                about 4x for 4x the length, quadratic handling 16x
//   long name    the delete dialog with a program name of two lengths; baseline: the same dialog
//                with a short name
//
// Prints times and ratios; the files it makes go into a folder of its own under %TEMP%, which it
// removes again.
#include "Baseline.h"
#include "inventory/ProgramList.h"
#include "inventory/UninstallItem.h"
#include "uninstall/Delete.h"
#include "uninstall/Log.h"
#include "win/UniqueHandle.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

const UINT kShowAndEnd = WM_APP + 1;

// A dialog that, once created, shows and paints itself completely and then closes.
template <class Form>
class TTimed : public Form {
public:
  using Form::Form;

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    INT_PTR result = Form::HandleMessage(msg, wp, lp);
    if (msg == WM_INITDIALOG) PostMessageW(this->Handle(), kShowAndEnd, 0, 0);
    if (msg == kShowAndEnd) {
      ShowWindow(this->Handle(), SW_SHOWNA);
      UpdateWindow(this->Handle());
      this->End(IDCANCEL);
    }
    return result;
  }
};

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  win::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file &&
         WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// Records as the program writes them, up to about the given size; with an older record in the
// ANSI code page on request, which makes every line be decoded on its own.
std::string Records(size_t bytes, bool ansiLine = false) {
  std::string log =
      "Tarvenholt Purgalot! Uninstall Log \r\nContains information about programs you have "
      "uninstalled from your computer\r\n\r\n";
  if (ansiLine) log += "\r\n1/1/2001 8:0:0\r\nUninstalling Caf\xE9 Viewer\r\nDeleted OK.\r\n";
  for (size_t i = 0; log.size() < bytes; ++i) {
    log += "\r\n6/12/2026 9:" + std::to_string(i % 60) + ":" + std::to_string(i % 59) + "\r\n";
    if (i % 3)
      log += "Uninstalling Example Program " + std::to_string(i) +
             "\r\nUninstall OK. Uninstaller removed program from list.\r\n";
    else
      log += "Deleting entry Old Toolbar " + std::to_string(i) + "\r\nDeleted OK.\r\n";
  }
  return log;
}

// What any viewer must do: read the file and decode its bytes.
void ReadAndDecode(const std::wstring& path) {
  win::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  GetFileSizeEx(file.Get(), &size);
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(read), nullptr, 0);
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(read), text.data(), n);
}

double Best(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(Seconds(work));
  return *std::min_element(times.begin(), times.end());
}

double ShowLog(int runs, const std::wstring& path) {
  return Best(runs, [&] { TTimed<TfLog>(path).ShowModal(nullptr); });
}

double ShowDelete(int runs, const std::wstring& name, const std::wstring& logPath) {
  TProgramList list;
  TProgramRow& row = list.Add();
  row.Entry->SetName(name);
  row.Entry->SetUninstallCommand(L"C:\\gone\\uninst.exe");
  return Best(runs, [&] { TTimed<TfDelete>(*row.Entry, logPath).ShowModal(nullptr); });
}

void Line(const wchar_t* what, double seconds, double baseline) {
  wprintf(L"  %-40ls %9.3f s  %8.1fx baseline\n", what, seconds, seconds / baseline);
  fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring dir =
      std::wstring(temp) + L"PurgalotLogBench" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  if (!CreateDirectoryW(dir.c_str(), nullptr)) {
    fwprintf(stderr, L"Cannot create %ls\n", dir.c_str());
    return 1;
  }
  std::vector<std::wstring> made;
  auto make = [&](const wchar_t* name, const std::string& bytes) {
    std::wstring path = dir + name;
    if (!WriteFileBytes(path, bytes)) fwprintf(stderr, L"Cannot write %ls\n", path.c_str());
    made.push_back(path);
    return path;
  };

  wprintf(L"Log window, creation to first paint; best of %d runs\n", runs);
  struct TLogCase {
    size_t Megabytes;
    bool Ansi;
  };
  for (TLogCase c : {TLogCase{12, false}, TLogCase{50, false}, TLogCase{50, true}}) {
    std::wstring what =
        std::to_wstring(c.Megabytes) + L" MB log" + (c.Ansi ? L", ANSI line" : L"");
    std::wstring path = make((L"log" + std::to_wstring(made.size()) + L".txt").c_str(),
                             Records(c.Megabytes << 20, c.Ansi));
    double baseline = Best(runs, [&] { ReadAndDecode(path); });
    Line((what + L" (read and decode)").c_str(), baseline, baseline);
    Line(what.c_str(), ShowLog(runs, path), baseline);
  }

  double lineTimes[2] = {};
  for (int i = 0; i < 2; ++i) {
    size_t kilobytes = i ? 256 : 64;
    std::string line(kilobytes << 10, 'x');
    for (size_t c = 7; c < line.size(); c += 8) line[c] = ' ';  // words of seven letters
    std::wstring path = make((L"line" + std::to_wstring(kilobytes) + L".txt").c_str(), line);
    double baseline = Best(runs, [&] { ReadAndDecode(path); });
    lineTimes[i] = ShowLog(runs, path);
    Line((std::to_wstring(kilobytes) + L" KB single line").c_str(), lineTimes[i], baseline);
  }
  wprintf(L"  %-40ls %9.1fx (4x = linear, 16x = quadratic)\n", L"256 KB line / 64 KB line",
          lineTimes[1] / lineTimes[0]);

  wprintf(L"Delete dialog, creation to first paint; best of %d runs\n", runs);
  std::wstring logPath = dir + L"ULog.txt";
  double shortName = ShowDelete(runs, L"Example Viewer 2.1", logPath);
  Line(L"short name (baseline)", shortName, shortName);
  double nameTimes[2] = {};
  for (int i = 0; i < 2; ++i) {
    size_t kilobytes = i ? 256 : 64;
    std::wstring name(kilobytes << 10, L'N');
    for (size_t c = 9; c < name.size(); c += 10) name[c] = L' ';
    nameTimes[i] = ShowDelete(runs, name, logPath);
    Line((std::to_wstring(kilobytes) + L" K character name").c_str(), nameTimes[i], shortName);
  }
  wprintf(L"  %-40ls %9.1fx (4x = linear, 16x = quadratic)\n", L"256 K name / 64 K name",
          nameTimes[1] / nameTimes[0]);

  for (const auto& path : made) DeleteFileW(path.c_str());
  RemoveDirectoryW(dir.c_str());
  return 0;
}
