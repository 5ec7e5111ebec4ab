#include "Baseline.h"

#include "inventory/NormalUninstall.h"
#include "inventory/SlowInfoCache.h"
#include "win/UniqueHandle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

void ReadValue(HKEY key, const wchar_t* name, std::vector<BYTE>& buffer) {
  DWORD size = static_cast<DWORD>(buffer.size()), type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &size) == ERROR_MORE_DATA) {
    buffer.resize(size);
    RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &size);
  }
}

}  // namespace

size_t RawRegistryRead() {
  return RawRegistryRead({L"DisplayName", L"UninstallString", L"DisplayIcon"});
}

size_t RawRegistryRead(std::initializer_list<const wchar_t*> values) {
  size_t count = 0;
  std::vector<BYTE> buffer(1024);
  for (const TUninstallSource& source : TUninstallSource::All()) {
    win::UniqueHKey root;
    if (RegOpenKeyExW(source.Root, source.UninstallKey.c_str(), 0, KEY_READ | source.View,
                      root.Put()) != ERROR_SUCCESS)
      continue;
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD len = 256;
      if (RegEnumKeyExW(root.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      names.emplace_back(name, len);
    }
    win::UniqueHKey cache;
    RegOpenKeyExW(source.Root, source.CacheKey.c_str(), 0, KEY_READ | source.View, cache.Put());
    for (const auto& n : names) {
      win::UniqueHKey key;
      if (RegOpenKeyExW(root.Get(), n.c_str(), 0, KEY_READ | source.View, key.Put()) !=
          ERROR_SUCCESS)
        continue;
      for (const wchar_t* value : values) ReadValue(key.Get(), value, buffer);
      // The size comes from the usage record, or from the installer's estimate without one.
      win::UniqueHKey usage;
      if (cache && RegOpenKeyExW(cache.Get(), n.c_str(), 0, KEY_READ | source.View,
                                 usage.Put()) == ERROR_SUCCESS)
        ReadValue(usage.Get(), L"SlowInfoCache", buffer);
      else
        ReadValue(key.Get(), L"EstimatedSize", buffer);
    }
    count += names.size();
  }
  return count;
}

double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Best(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void PrintBesideBaseline(const wchar_t* what, double seconds, double baseline) {
  wprintf(L"  %-40ls %9.3f s  %8.2fx baseline\n", what, seconds, seconds / baseline);
  fflush(stdout);
}
