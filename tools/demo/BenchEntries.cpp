#include "demo/BenchEntries.h"

#include "common/ToolFiles.h"
#include "common/ToolRegistry.h"
#include "demo/DemoProgram.h"
#include "demo/IconImage.h"
#include "demo/UsageRecord.h"

#include <cwchar>
#include <cwctype>

namespace demo {
namespace {

constexpr int kSharedFiles = 8;
constexpr const wchar_t* kFirst[] = {L"Amber",    L"Cobalt", L"Falcon", L"Granite", L"Juniper",
                                     L"Meridian", L"Nimbus", L"Orchid", L"Pioneer", L"Quasar",
                                     L"Saffron",  L"Tundra", L"Vertex", L"Willow",  L"Zephyr"};
constexpr const wchar_t* kSecond[] = {L"Studio",   L"Backup",    L"Viewer",  L"Toolkit", L"Player",
                                      L"Manager",  L"Converter", L"Monitor", L"Suite",   L"Helper",
                                      L"Designer", L"Updater",   L"Driver"};
constexpr const wchar_t* kPublishers[] = {
    L"Amberline Software", L"Cobalt Works", L"Meridian Labs",     L"Nimbus Digital",
    L"Saffron Systems",    L"Tundra Apps",  L"Vertex Interactive"};

class Timer {
public:
  Timer() { QueryPerformanceCounter(&start_); }
  double Seconds() const {
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start_.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  }

private:
  LARGE_INTEGER start_{};
};

// Deterministic pseudo-random numbers per entry, so reruns write the same machine.
uint32_t Mix(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

uint32_t PrefixHash(const std::wstring& prefix) {
  uint32_t hash = 2166136261U;
  for (const wchar_t c : prefix) hash = (hash ^ static_cast<uint32_t>(c)) * 16777619U;
  return hash;
}

std::wstring GuidPrefix(const std::wstring& prefix) {
  wchar_t text[40];
  swprintf(text, 40, L"{%08X-BE4C-4000-8000-", PrefixHash(prefix));
  return text;
}

std::wstring EntryName(const std::wstring& prefix, int index) {
  wchar_t text[48];
  if (index % 3 == 0) {
    swprintf(text, 48, L"%ls%012d}", GuidPrefix(prefix).c_str(), index);
  } else {
    swprintf(text, 48, L"%05d", index);
    return prefix + text;
  }
  return text;
}

bool IsEntryName(const std::wstring& prefix, const std::wstring& name) {
  if (name.rfind(GuidPrefix(prefix), 0) == 0) return true;
  if (name.size() <= prefix.size() ||
      CompareStringOrdinal(name.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                           static_cast<int>(prefix.size()), TRUE) != CSTR_EQUAL)
    return false;
  for (size_t i = prefix.size(); i < name.size(); ++i)
    if (!std::iswdigit(name[i])) return false;
  return true;
}

std::wstring Numbered(const std::wstring& folder, const wchar_t* stem, int n, const wchar_t* ext) {
  return tools::JoinPath(folder, stem + std::to_wstring(n) + ext);
}

bool MakeSharedFiles(const MachinePaths& paths, const std::wstring& folder) {
  bool ok = true;
  for (int n = 0; n < kSharedFiles; ++n) {
    const IconLook look{static_cast<wchar_t>(L'A' + n * 3), RGB(40 + n * 25, 200 - n * 20, 120)};
    const std::vector<uint8_t> icon = MakeIconFile(look);
    ok = tools::WriteFileBytes(Numbered(folder, L"icon", n, L".ico"), icon.data(), icon.size()) &&
         ok;
    for (const wchar_t* stem : {L"app", L"uninst"}) {
      const std::wstring exe = Numbered(folder, stem, n, L".exe");
      ok = tools::CopyFileTo(paths.sampleUninstaller, exe) && ok;
      ok = StampExeIcon(exe, stem[0] == L'a' ? look : IconLook{L'U', RGB(118, 122, 134)}) && ok;
    }
  }
  return ok;
}

std::wstring Command(const std::wstring& folder, const std::wstring& name, uint32_t r) {
  const std::wstring uninst =
      Numbered(folder, L"uninst", static_cast<int>(r % kSharedFiles), L".exe");
  switch (r % 10) {
    case 6: {
      if (name[0] == L'{') return L"MsiExec.exe /X" + name;
      wchar_t guid[40];
      swprintf(guid, 40, L"{%08X-5A1E-4000-8000-%012u}", r, r ^ 0x5A5A5A5AU);
      return L"MsiExec.exe /X" + std::wstring(guid);
    }
    case 7: return Quoted(tools::JoinPath(folder, L"gone\\uninstall.exe")) + L" /S";
    case 8: return uninst + L" /key " + tools::QuoteArg(name);
    case 9:
      return L"rundll32.exe setupapi.dll,InstallHinfSection DefaultUninstall 132 " + folder +
             L"\\bench.inf";
    default: return Quoted(uninst) + L" /key " + tools::QuoteArg(name) + L" /S";
  }
}

// Empty when the entry has no DisplayIcon.
std::wstring Icon(const std::wstring& folder, const std::wstring& prefix, uint32_t r) {
  const int n = static_cast<int>((r >> 8) % kSharedFiles);
  const std::wstring app = Numbered(folder, L"app", n, L".exe");
  switch ((r >> 12) % 6) {
    case 0: return app + L",0";
    case 1: return Numbered(folder, L"icon", n, L".ico");
    case 2: return Quoted(app);
    case 3: return Quoted(app) + L",0";
    case 4:
      return L"%ProgramFiles%\\Purgalot Bench\\" + prefix + L"\\app" + std::to_wstring(n) + L".exe";
    default: return {};
  }
}

// Where entries are written, as a machine keeps them: the machine's programs in the native view,
// its 32-bit programs and the user's own.
struct Place {
  HKEY root;
  REGSAM view;
};
const Place kPlaces[] = {{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                         {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
                         {HKEY_CURRENT_USER, 0}};

struct PlaceKeys {
  win::UniqueHKey uninstall, arpCache;
};

bool WriteEntry(const PlaceKeys (&places)[3], const std::wstring& folder,
                const std::wstring& prefix, int index, BenchResult& result) {
  const std::wstring name = EntryName(prefix, index);
  const uint32_t r = Mix(static_cast<uint32_t>(index) * 2654435761U + PrefixHash(prefix));
  // A third in each place, mixed so that every place holds every shape of entry.
  const PlaceKeys& place = places[(r >> 24) % 3];
  const HKEY uninstall = place.uninstall.Get(), arpCache = place.arpCache.Get();
  win::UniqueHKey key = tools::CreateKey(uninstall, name);
  if (!key) return false;
  const std::wstring displayName =
      std::wstring(kFirst[r % std::size(kFirst)]) + L" " + kSecond[(r >> 4) % std::size(kSecond)] +
      L" " + std::to_wstring(index % 97 + 1) + L"." + std::to_wstring((r >> 20) % 10);
  bool ok = tools::SetString(key.Get(), L"DisplayName", displayName);
  ok = tools::SetString(key.Get(), L"UninstallString", Command(folder, name, r)) && ok;
  ok = tools::SetString(key.Get(), L"Publisher", kPublishers[(r >> 16) % std::size(kPublishers)]) &&
       ok;
  ok = tools::SetString(key.Get(), L"DisplayVersion",
                        std::to_wstring(r % 20) + L"." + std::to_wstring((r >> 5) % 10) + L"." +
                            std::to_wstring(index)) &&
       ok;
  if (const std::wstring icon = Icon(folder, prefix, r); !icon.empty())
    ok = tools::SetString(key.Get(), L"DisplayIcon", icon) && ok;
  if (index % 2 == 1) {
    const UsageRecord record{
        static_cast<int64_t>(r % 4000 + 1) * kMB, DaysAgo(static_cast<int>((r >> 3) % 2000)),
        static_cast<int32_t>((r >> 7) % 40),
        Numbered(folder, L"app", static_cast<int>((r >> 8) % kSharedFiles), L".exe")};
    win::UniqueHKey cache = tools::CreateKey(arpCache, name);
    const std::vector<uint8_t> bytes = record.Bytes();
    ok = cache &&
         tools::SetValue(cache.Get(), kUsageValue, REG_BINARY, bytes.data(), bytes.size()) && ok;
    ++result.usageRecords;
  }
  return ok;
}

std::wstring BenchFolder(const MachinePaths& paths, const std::wstring& prefix) {
  return tools::JoinPath(paths.programFiles, L"Purgalot Bench\\" + prefix);
}

// Deletes the prefix's keys under parent; they have no subkeys, so one call each.
int DeleteMatching(HKEY parent, const std::wstring& prefix, int& failures) {
  int removed = 0;
  for (const std::wstring& name : tools::SubKeyNames(parent)) {
    if (!IsEntryName(prefix, name)) continue;
    if (RegDeleteKeyW(parent, name.c_str()) == ERROR_SUCCESS ||
        RegDeleteTreeW(parent, name.c_str()) == ERROR_SUCCESS)
      ++removed;
    else
      ++failures;
  }
  return removed;
}

}  // namespace

BenchResult WriteBenchEntries(const MachinePaths& paths, const std::wstring& prefix, int count) {
  const Timer timer;
  BenchResult result = ClearBenchEntries(paths, prefix);
  result.entries = result.usageRecords = 0;
  const std::wstring folder = BenchFolder(paths, prefix);
  if (!MakeSharedFiles(paths, folder)) ++result.failures;
  PlaceKeys places[3];
  for (size_t i = 0; i < 3; ++i) {
    places[i].uninstall = tools::CreateKey(kPlaces[i].root, kUninstallKey, kPlaces[i].view);
    places[i].arpCache = tools::CreateKey(kPlaces[i].root, kArpCacheKey, kPlaces[i].view);
    if (!places[i].uninstall || !places[i].arpCache) {
      ++result.failures;
      return result;
    }
  }
  for (int index = 1; index <= count; ++index) {
    if (WriteEntry(places, folder, prefix, index, result))
      ++result.entries;
    else
      ++result.failures;
  }
  result.seconds = timer.Seconds();
  return result;
}

BenchResult ClearBenchEntries(const MachinePaths& paths, const std::wstring& prefix) {
  const Timer timer;
  BenchResult result;
  for (const Place& place : kPlaces) {
    for (const wchar_t* path : {kUninstallKey, kArpCacheKey}) {
      win::UniqueHKey parent =
          tools::OpenKey(place.root, path, KEY_READ | KEY_WRITE, place.view);
      if (!parent) continue;
      const int removed = DeleteMatching(parent.Get(), prefix, result.failures);
      if (path == kUninstallKey)
        result.entries += removed;
      else
        result.usageRecords += removed;
    }
  }
  const std::wstring folder = BenchFolder(paths, prefix);
  if (tools::FolderExists(folder) && !tools::DeleteTree(folder)) ++result.failures;
  RemoveDirectoryW(tools::FolderOf(folder).c_str());  // only when no other prefix is left
  result.seconds = timer.Seconds();
  return result;
}

}  // namespace demo
