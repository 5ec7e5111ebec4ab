// The usage record Windows keeps per installed program ("SlowInfoCache" under the ARPCache key),
// built from plain fields, and the dates the demo machine gives them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

inline constexpr size_t kUsageRecordSize = 552;
inline constexpr size_t kUsagePathUnits = 262;

struct UsageRecord {
  int64_t sizeBytes = 0;
  FILETIME lastUsed{};  // UTC
  int32_t count = 0;
  std::wstring path;  // cut to 261 units plus the terminator

  // The 552 bytes: 552, 0, size, last used (low, high), count, path.
  std::vector<uint8_t> Bytes() const;
};

// The record's bytes with the whole path field filled by text and no terminator.
std::vector<uint8_t> WithoutTerminator(const UsageRecord& record, const std::wstring& text);
// The record's bytes cut or padded with zeros to size, as broken writers leave them.
std::vector<uint8_t> Resized(const UsageRecord& record, size_t size);

inline constexpr int64_t kMB = 1024LL * 1024;
inline constexpr int64_t kGB = 1024LL * kMB;

FILETIME HoursAgo(int hours);
FILETIME DaysAgo(int days);
// Local midnight days ago, plus secondsAfter (negative: just before it), as UTC.
FILETIME LocalMidnight(int daysAgo, int secondsAfter);
FILETIME AllBits(uint32_t pattern);

}  // namespace demo
