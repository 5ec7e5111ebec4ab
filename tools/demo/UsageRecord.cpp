#include "demo/UsageRecord.h"

#include <algorithm>
#include <cstring>

namespace demo {
namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;

template <class T>
void Put(std::vector<uint8_t>& bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

FILETIME FromTicks(uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

uint64_t Ticks(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME SecondsAgo(int64_t seconds) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return FromTicks(Ticks(now) - static_cast<uint64_t>(seconds * kTicksPerSecond));
}

}  // namespace

std::vector<uint8_t> UsageRecord::Bytes() const {
  std::vector<uint8_t> bytes(kUsageRecordSize, 0);
  Put<uint32_t>(bytes, 0, static_cast<uint32_t>(kUsageRecordSize));
  Put<uint32_t>(bytes, 4, 0);
  Put<int64_t>(bytes, 8, sizeBytes);
  Put<uint32_t>(bytes, 16, lastUsed.dwLowDateTime);
  Put<uint32_t>(bytes, 20, lastUsed.dwHighDateTime);
  Put<int32_t>(bytes, 24, count);
  const size_t units = std::min(path.size(), kUsagePathUnits - 1);
  std::memcpy(bytes.data() + 28, path.data(), units * sizeof(wchar_t));
  return bytes;
}

std::vector<uint8_t> WithoutTerminator(const UsageRecord& record, const std::wstring& text) {
  std::vector<uint8_t> bytes = record.Bytes();
  std::wstring field = text;
  field.resize(kUsagePathUnits, L' ');
  std::memcpy(bytes.data() + 28, field.data(), kUsagePathUnits * sizeof(wchar_t));
  return bytes;
}

std::vector<uint8_t> Resized(const UsageRecord& record, size_t size) {
  std::vector<uint8_t> bytes = record.Bytes();
  bytes.resize(size);
  return bytes;
}

FILETIME HoursAgo(int hours) { return SecondsAgo(static_cast<int64_t>(hours) * 3600); }
FILETIME DaysAgo(int days) { return SecondsAgo(static_cast<int64_t>(days) * 86400); }

FILETIME LocalMidnight(int daysAgo, int secondsAfter) {
  FILETIME nowUtc{}, nowLocal{};
  GetSystemTimeAsFileTime(&nowUtc);
  SYSTEMTIME utc{}, local{};
  FileTimeToSystemTime(&nowUtc, &utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  SystemTimeToFileTime(&local, &nowLocal);
  // Midnight of today in local time, then back by whole days.
  const uint64_t day = 86400ULL * kTicksPerSecond;
  const uint64_t midnight = Ticks(nowLocal) / day * day - static_cast<uint64_t>(daysAgo) * day;
  const FILETIME localTime = FromTicks(
      midnight + static_cast<uint64_t>(static_cast<int64_t>(secondsAfter) * kTicksPerSecond));
  SYSTEMTIME localSystem{}, utcSystem{};
  FileTimeToSystemTime(&localTime, &localSystem);
  TzSpecificLocalTimeToSystemTime(nullptr, &localSystem, &utcSystem);
  FILETIME result{};
  SystemTimeToFileTime(&utcSystem, &result);
  return result;
}

FILETIME AllBits(uint32_t pattern) { return FILETIME{pattern, pattern}; }

}  // namespace demo
