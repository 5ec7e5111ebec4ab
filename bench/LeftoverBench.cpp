// Measures the leftover finder on a machine with 300 installed programs and 20,000 folders spread
// over the places it searches, beside a baseline measured in the same run:
//
//   baseline   the same places read directly with the API, nothing decided: the names in each
//              shared folder, the Start menus three levels deep and the desktops, the target of
//              every shortcut there (one shell link object), the subkeys of each Software key,
//              the Run values, the default value of each App Paths entry, the servers of each COM
//              class, the open command and icon of each file type and each extension's Open With
//              list
//   find       TLeftoverFinder::Find for one of the 300 programs, with the other 299 (read before,
//              not timed) weighed against every find
//
// Every program has an Uninstall entry under HKEY_CURRENT_USER, its install folder and a data
// folder under its publisher's, a folder in the Roaming data, a Start-menu folder with a shortcut
// and its own Software key; one in ten also has a Run value, an App Paths entry, a file type and a
// COM class. Everything is uniquely named and removed again, one by one.
#include "Baseline.h"
#include "leftovers/LeftoverFinder.h"
#include "leftovers/ProgramFacts.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kPrograms = 300;
constexpr int kPublishers = 30;
constexpr int kFolders = 20000;
constexpr int kSearched = 7;

const wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kCurrentVersion[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\";

// A pronounceable name of its own for each number: no two are near each other.
std::wstring Word(int i, int syllables) {
  static const wchar_t* const kSyllables[] = {L"ka", L"lo", L"mi", L"ne", L"ru",
                                              L"sa", L"ti", L"vo", L"xe", L"zu"};
  std::wstring word;
  for (int s = 0; s < syllables; ++s, i /= 10) word += kSyllables[i % 10];
  word[0] = static_cast<wchar_t>(towupper(word[0]));
  return word;
}

struct TBenchMachine {
  std::wstring Root, Tag;
  TSearchPlaces Places;
  std::vector<std::wstring> Made;  // folders and files, removed in reverse
  std::vector<std::pair<HKEY, std::wstring>> Keys;
  std::vector<std::pair<std::wstring, std::wstring>> RunValues;  // HKCU Run key, value name
  int Folders = 0;

  std::wstring Program(int i) const { return Word(i, 3) + L" " + Word(i * 37 % 1000, 3); }
  std::wstring Publisher(int i) const {
    return L"Bench Vendor " + Word(i % kPublishers, 2) + L" " + Tag;
  }

  bool Folder(const std::wstring& path) {
    if (!CreateDirectoryW(path.c_str(), nullptr)) return false;
    Made.push_back(path);
    ++Folders;
    return true;
  }
  void File(const std::wstring& path) {
    win::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (file) Made.push_back(path);
  }
  void Shortcut(const std::wstring& path, const std::wstring& target) {
    win::ComPtr<IShellLinkW> link;
    win::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())))
      return;
    link->SetPath(target.c_str());
    if (SUCCEEDED(file->Save(path.c_str(), TRUE))) Made.push_back(path);
  }
  void Value(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text,
             bool own = true) {
    win::UniqueHKey k;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(),
                        nullptr) != ERROR_SUCCESS)
      return;
    if (own &&
        std::none_of(Keys.begin(), Keys.end(), [&](const auto& p) { return p.second == key; }))
      Keys.push_back({root, key});
    RegSetValueExW(k.Get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  void Build() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH, temp);
    Tag = L"Lb" + std::to_wstring(GetCurrentProcessId());
    Root = win::WithTrailingBackslash(temp) + L"PurgalotLeftoverBench" + Tag;
    Folder(Root);
    auto place = [&](std::vector<std::wstring>& list, const wchar_t* name) {
      Folder(Root + L"\\" + name);
      list.push_back(Root + L"\\" + name);
    };
    for (const wchar_t* name : {L"Program Files", L"Program Files (x86)", L"Common Files"})
      place(Places.ProgramFolders, name);
    for (const wchar_t* name : {L"Roaming", L"Local", L"LocalLow", L"ProgramData"})
      place(Places.DataFolders, name);
    place(Places.StartMenus, L"Programs");
    place(Places.StartMenus, L"Common Programs");
    place(Places.Desktops, L"Desktop");
    place(Places.Desktops, L"Public Desktop");
    const std::wstring& programFiles = Places.ProgramFolders[0];
    const std::wstring& programData = Places.DataFolders[3];

    for (int p = 0; p < kPublishers; ++p) {
      std::wstring publisher = Publisher(p);
      Folder(programFiles + L"\\" + publisher);
      Folder(programData + L"\\" + publisher);
      Folder(Places.StartMenus[p % 2] + L"\\" + publisher);
    }
    for (int i = 0; i < kPrograms; ++i) {
      std::wstring name = Program(i), publisher = Publisher(i);
      std::wstring install = programFiles + L"\\" + publisher + L"\\" + name;
      Folder(install);
      File(install + L"\\app.exe");
      Folder(programData + L"\\" + publisher + L"\\" + name);
      Folder(Places.DataFolders[0] + L"\\" + name);
      std::wstring menu = Places.StartMenus[i % 2] + L"\\" + publisher + L"\\" + name;
      Folder(menu);
      Shortcut(menu + L"\\" + name + L".lnk", install + L"\\app.exe");
      if (i % 6 == 0)
        Shortcut(Places.Desktops[i % 2] + L"\\" + name + L".lnk", install + L"\\app.exe");

      std::wstring entry = kUninstall + name;
      Value(HKEY_CURRENT_USER, entry, L"DisplayName", name);
      Value(HKEY_CURRENT_USER, entry, L"Publisher", publisher);
      Value(HKEY_CURRENT_USER, entry, L"InstallLocation", install);
      Value(HKEY_CURRENT_USER, entry, L"UninstallString",
            L"\"" + install + L"\\app.exe\" /uninstall");
      Value(HKEY_CURRENT_USER, entry, L"DisplayIcon", install + L"\\app.exe,0");
      Value(HKEY_CURRENT_USER, L"Software\\" + publisher, L"", L"");
      Value(HKEY_CURRENT_USER, L"Software\\" + publisher + L"\\" + name, L"Data",
            programData + L"\\" + publisher + L"\\" + name);
      if (i % 10 == 0) {
        std::wstring word = Word(i, 3) + Tag;
        Value(HKEY_CURRENT_USER, std::wstring(kCurrentVersion) + L"Run", word,
              L"\"" + install + L"\\app.exe\" /tray", false);
        RunValues.push_back({std::wstring(kCurrentVersion) + L"Run", word});
        Value(HKEY_CURRENT_USER, std::wstring(kCurrentVersion) + L"App Paths\\" + word + L".exe",
              L"", install + L"\\app.exe");
        Value(HKEY_CURRENT_USER, L"Software\\Classes\\" + word + L".File\\shell\\open\\command",
              L"", L"\"" + install + L"\\app.exe\" \"%1\"");
        Keys.push_back({HKEY_CURRENT_USER, L"Software\\Classes\\" + word + L".File"});
        Value(HKEY_CURRENT_USER, L"Software\\Classes\\." + word, L"", word + L".File");
        wchar_t clsid[64];
        swprintf(clsid, 64, L"{6c0ffee0-%04d-4000-8000-%012lu}", i, GetCurrentProcessId());
        Value(HKEY_CURRENT_USER,
              std::wstring(L"Software\\Classes\\CLSID\\") + clsid + L"\\InprocServer32", L"",
              install + L"\\ext.dll");
        Keys.push_back({HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\CLSID\\") + clsid});
      }
    }
    // The rest of the 20,000 folders, spread over the places: many in the shared folders, fewer in
    // the Start menus, each Start-menu folder a few levels deep.
    std::vector<std::wstring> places = Places.ProgramFolders;
    places.insert(places.end(), Places.DataFolders.begin(), Places.DataFolders.end());
    for (int i = 0; Folders < kFolders && i < 2 * kFolders; ++i) {
      std::wstring name = L"Other " + Word(i, 5);
      if (i % 10 == 9) {
        std::wstring top = Places.StartMenus[i % 2] + L"\\" + name;
        Folder(top) && Folder(top + L"\\Help") && Folder(top + L"\\Help\\Samples");
      } else {
        Folder(places[i % places.size()] + L"\\" + name);
      }
    }
  }

  void Remove() {
    for (auto it = Made.rbegin(); it != Made.rend(); ++it)
      if (!DeleteFileW(it->c_str())) RemoveDirectoryW(it->c_str());
    for (const auto& [key, name] : RunValues) {
      win::UniqueHKey k;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, k.Put()) == ERROR_SUCCESS)
        RegDeleteValueW(k.Get(), name.c_str());
    }
    for (auto it = Keys.rbegin(); it != Keys.rend(); ++it)
      RegDeleteTreeW(it->first, it->second.c_str()), RegDeleteKeyW(it->first, it->second.c_str());
  }
};

// --- The baseline: the same places read directly.

size_t ListFolder(const std::wstring& folder,
                  const std::function<void(const WIN32_FIND_DATAW&)>& each) {
  WIN32_FIND_DATAW data;
  win::UniqueFind find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                        FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  size_t count = 0;
  if (!find) return 0;
  do {
    if (!wcscmp(data.cFileName, L".") || !wcscmp(data.cFileName, L"..")) continue;
    ++count;
    each(data);
  } while (FindNextFileW(find.Get(), &data));
  return count;
}

std::vector<std::wstring> SubKeys(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> names;
  win::UniqueHKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return names;
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

size_t ReadDefault(HKEY root, const std::wstring& path) {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  return RegGetValueW(root, path.c_str(), nullptr,
                      RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, buffer,
                      &size) == ERROR_SUCCESS;
}

size_t RawRead(const TSearchPlaces& places) {
  size_t count = 0;
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
  link->QueryInterface(IID_IPersistFile, file.PutVoid());
  auto shortcut = [&](const std::wstring& path) {
    wchar_t target[MAX_PATH + 1];
    if (SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
        SUCCEEDED(link->GetPath(target, MAX_PATH + 1, nullptr, SLGP_UNCPRIORITY)))
      ++count;
  };
  for (const auto* list : {&places.ProgramFolders, &places.DataFolders})
    for (const std::wstring& place : *list) count += ListFolder(place, [](const auto&) {});
  for (const std::wstring& menu : places.StartMenus) {
    std::vector<std::pair<std::wstring, int>> stack = {{menu, 0}};
    while (!stack.empty()) {
      auto [folder, depth] = stack.back();
      stack.pop_back();
      count += ListFolder(folder, [&, folder = folder, depth = depth](const WIN32_FIND_DATAW& d) {
        std::wstring path = folder + L"\\" + d.cFileName;
        if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          shortcut(path);
        else if (depth + 1 < 3)
          stack.push_back({path, depth + 1});
      });
    }
  }
  for (const std::wstring& desktop : places.Desktops)
    count += ListFolder(
        desktop, [&](const WIN32_FIND_DATAW& d) { shortcut(desktop + L"\\" + d.cFileName); });

  for (auto [root, path] :
       {std::pair{HKEY_CURRENT_USER, L"Software"}, std::pair{HKEY_LOCAL_MACHINE, L"Software"},
        std::pair{HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node"}}) {
    count += SubKeys(root, path).size();
    std::wstring currentVersion = std::wstring(path) + L"\\Microsoft\\Windows\\CurrentVersion\\";
    for (const wchar_t* run : {L"Run", L"RunOnce"}) {
      win::UniqueHKey key;
      if (RegOpenKeyExW(root, (currentVersion + run).c_str(), 0, KEY_READ, key.Put()) !=
          ERROR_SUCCESS)
        continue;
      wchar_t name[256];
      BYTE data[2048];
      for (DWORD i = 0;; ++i, ++count) {
        DWORD length = 256, size = sizeof data;
        if (RegEnumValueW(key.Get(), i, name, &length, nullptr, nullptr, data, &size) !=
            ERROR_SUCCESS)
          break;
      }
    }
    for (const std::wstring& app : SubKeys(root, currentVersion + L"App Paths"))
      count += ReadDefault(root, currentVersion + L"App Paths\\" + app);
  }
  for (auto [root, path] :
       {std::pair{HKEY_CURRENT_USER, L"Software\\Classes\\CLSID"},
        std::pair{HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID"},
        std::pair{HKEY_LOCAL_MACHINE, L"Software\\Classes\\WOW6432Node\\CLSID"}})
    for (const std::wstring& clsid : SubKeys(root, path))
      count += ReadDefault(root, std::wstring(path) + L"\\" + clsid + L"\\InprocServer32") +
               ReadDefault(root, std::wstring(path) + L"\\" + clsid + L"\\LocalServer32");
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (const std::wstring& type : SubKeys(root, L"Software\\Classes"))
      if (!type.empty() && type[0] == L'.') {
        win::UniqueHKey openWith;
        if (RegOpenKeyExW(root, (L"Software\\Classes\\" + type + L"\\OpenWithProgids").c_str(), 0,
                          KEY_READ, openWith.Put()) == ERROR_SUCCESS)
          ++count;
      } else if (!type.empty() && type[0] != L'{')
        count += ReadDefault(root, L"Software\\Classes\\" + type + L"\\shell\\open\\command") +
                 ReadDefault(root, L"Software\\Classes\\" + type + L"\\DefaultIcon");
  return count;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;
  win::ComInit com;
  wprintf(L"== leftover finder: %d programs, %d folders (best of %d) ==\n", kPrograms, kFolders,
          runs);
  TBenchMachine machine;
  double built = Seconds([&] { machine.Build(); });
  wprintf(L"  machine made in %.1f s: %d folders, %zu keys\n", built, machine.Folders,
          machine.Keys.size());

  const std::wstring entry = kUninstall + machine.Program(kSearched);
  TProgramFacts facts = FactsFromEntry(HKEY_CURRENT_USER, 0, entry);
  std::vector<TOtherProgram> others;
  double readOthers = Seconds([&] { others = ReadOtherPrograms(HKEY_CURRENT_USER, 0, entry); });
  TLeftoverFinder finder;
  finder.Places = machine.Places;

  std::vector<double> raw, find;
  size_t rawCount = 0, found = 0, ticked = 0;
  for (int run = 0; run < runs; ++run) {
    raw.push_back(Seconds([&] { rawCount = RawRead(machine.Places); }));
    find.push_back(Seconds([&] {
      std::vector<TLeftover> finds = finder.Find(facts, others);
      found = finds.size();
      ticked = static_cast<size_t>(
          std::count_if(finds.begin(), finds.end(), [](const TLeftover& f) { return f.Ticked(); }));
    }));
  }
  wprintf(L"  other programs read: %zu in %.3f s (not timed below)\n", others.size(), readOthers);
  wprintf(L"  %-40ls %9.3f s  (%zu names and values)\n", L"baseline: the same places read raw",
          Best(raw), rawCount);
  PrintBesideBaseline(L"find: one program's leftovers", Best(find), Best(raw));
  wprintf(L"  finds: %zu, ticked: %zu\n", found, ticked);
  machine.Remove();
  return 0;
}
