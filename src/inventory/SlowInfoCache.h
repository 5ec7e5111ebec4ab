// TInfoCache: reads the usage record Windows keeps for an installed program ("SlowInfoCache" under
// the ARPCache key) and turns it into the Size, Last Used On and Frequency texts of the list.
#pragma once

#include "inventory/Registry.h"

#include <windows.h>

#include <cstdint>
#include <string>

extern const wchar_t kArpCacheKey[];

class TInfoCache {
public:
  static constexpr int kRecordSize = 552;

  // Records are looked up under cacheKey (a path from root) in the given registry view.
  explicit TInfoCache(HKEY root = HKEY_LOCAL_MACHINE, REGSAM view = 0,
                      std::wstring cacheKey = kArpCacheKey);

  // True when the program's record exists, is binary and exactly kRecordSize bytes long; the four
  // texts are then set from it. They keep their values otherwise.
  bool ReadInfo(const std::wstring& keyName);
  // The same, with the program's record key opened below an already open usage-record key.
  bool ReadInfo(const TRegistry& cacheKey, const std::wstring& keyName);

  const std::wstring& Size() const noexcept { return size_; }
  const std::wstring& LastUsed() const noexcept { return lastUsed_; }
  const std::wstring& Frequency() const noexcept { return frequency_; }
  const std::wstring& ImagePath() const noexcept { return imagePath_; }
  // What the three texts stand for, for ordering rows: bytes (0 when no size is shown), a key
  // that orders by time of last use (0 none, 1 unknown, else the time), the use count (-1 none).
  int64_t SizeBytes() const noexcept { return sizeBytes_; }
  uint64_t LastUsedKey() const noexcept { return lastUsedKey_; }
  int32_t UseCount() const noexcept { return useCount_; }

  // Binary megabytes with the user's separators and two decimals, then " MB"; empty for 0 or less.
  static std::wstring FormatSize(int64_t bytes);
  // Local date as yyyy-mm-dd; empty for an all-zero time, "(Unknown)" for all bits set or a time
  // that cannot be shown.
  static std::wstring FormatLastUsed(const FILETIME& time);
  // "rarely", "occasionally", "frequently", or empty for a negative count.
  static std::wstring FormatFrequency(int32_t count);

private:
  // Reads and decodes the record of the open key, then closes it.
  bool ReadOpenKey();

  TRegistry reg_;
  std::wstring cacheKey_;
  std::wstring size_, lastUsed_, frequency_, imagePath_;
  int64_t sizeBytes_ = 0;
  uint64_t lastUsedKey_ = 0;
  int32_t useCount_ = -1;
};
