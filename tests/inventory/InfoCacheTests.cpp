#include "inventory/SlowInfoCache.h"

#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

const std::wstring kAppPath = L"C:\\Program Files\\Example\\app.exe";

FILETIME FileTimeFromTicks(ULONGLONG ticks) {
  return {static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

// The UTC file time of a local wall-clock time, shifted by the time zone's bias in force now: the
// program turns UTC into local time the way the platform's FileTimeToLocalFileTime does, which
// applies the present daylight saving state to every date.
FILETIME FileTimeOfLocal(int year, int month, int day, int hour, int minute) {
  TIME_ZONE_INFORMATION zone{};
  DWORD state = GetTimeZoneInformation(&zone);
  LONGLONG bias = zone.Bias + (state == TIME_ZONE_ID_DAYLIGHT   ? zone.DaylightBias
                               : state == TIME_ZONE_ID_STANDARD ? zone.StandardBias
                                                                : 0);
  FILETIME local = FileTimeOf(year, month, day, hour, minute);
  ULONGLONG ticks = (static_cast<ULONGLONG>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  return FileTimeFromTicks(ticks + static_cast<ULONGLONG>(bias * 60 * 10000000));
}

FILETIME LocalNoon(int year, int month, int day) {
  return FileTimeOfLocal(year, month, day, 12, 0);
}

// An expected size text written with "," and "." in the user's own separators.
std::wstring Localized(const std::wstring& text) {
  wchar_t thousand[8] = {}, decimal[8] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand, 8);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
  std::wstring out;
  for (wchar_t c : text) out += c == L',' ? thousand : c == L'.' ? decimal : std::wstring(1, c);
  return out;
}

class InfoCacheTest : public ::testing::Test {
protected:
  InfoCacheTest() : cache(HKEY_CURRENT_USER, 0, key.Path() + L"\\ARPCache") {}

  void Store(const std::wstring& program, const std::vector<BYTE>& data, DWORD type = REG_BINARY) {
    key.SetBinary(L"ARPCache\\" + program, L"SlowInfoCache", data, type);
  }
  void ExpectNoTexts() const {
    EXPECT_EQ(cache.Size(), L"");
    EXPECT_EQ(cache.LastUsed(), L"");
    EXPECT_EQ(cache.Frequency(), L"");
    EXPECT_EQ(cache.ImagePath(), L"");
  }

  TTestKey key;
  TInfoCache cache;
};

TEST_F(InfoCacheTest, AnAcceptedRecordGivesAllFourTexts) {
  Store(L"{App}", UsageRecord(1572864, LocalNoon(2006, 3, 14), 5, kAppPath));

  ASSERT_TRUE(cache.ReadInfo(L"{App}"));
  EXPECT_EQ(cache.Size(), Localized(L"1.50 MB"));
  EXPECT_EQ(cache.LastUsed(), L"2006-03-14");
  EXPECT_EQ(cache.Frequency(), L"occasionally");
  EXPECT_EQ(cache.ImagePath(), kAppPath);
}

TEST_F(InfoCacheTest, OnlyABinaryValueOfExactly552BytesIsARecord) {
  const FILETIME used = FileTimeOf(2020, 1, 2);
  Store(L"Short", UsageRecord(1048576, used, 20, kAppPath, 551));
  Store(L"Long", UsageRecord(1048576, used, 20, kAppPath, 553));
  Store(L"Text", UsageRecord(1048576, used, 20, kAppPath), REG_SZ);
  Store(L"None", UsageRecord(1048576, used, 20, kAppPath), REG_NONE);
  key.SetBinary(L"ARPCache\\OtherName", L"SlowInfo", UsageRecord(1048576, used, 20, kAppPath));
  key.SetString(L"ARPCache\\NoValue", L"Unrelated", L"x");

  for (const wchar_t* program : {L"Short", L"Long", L"Text", L"None", L"OtherName", L"NoValue",
                                 L"NoKeyAtAll"}) {
    EXPECT_FALSE(cache.ReadInfo(program)) << program;
    ExpectNoTexts();
  }
}

TEST_F(InfoCacheTest, AFailedReadKeepsTheTextsOfTheLastGoodOne) {
  Store(L"Good", UsageRecord(1048576, LocalNoon(2011, 7, 30), 42, kAppPath));
  Store(L"Bad", UsageRecord(2097152, FileTimeOf(2012, 1, 1), 1, L"C:\\other.exe", 551));

  ASSERT_TRUE(cache.ReadInfo(L"Good"));
  EXPECT_FALSE(cache.ReadInfo(L"Bad"));
  EXPECT_FALSE(cache.ReadInfo(L"Missing"));
  EXPECT_EQ(cache.Size(), Localized(L"1.00 MB"));
  EXPECT_EQ(cache.LastUsed(), L"2011-07-30");
  EXPECT_EQ(cache.Frequency(), L"frequently");
  EXPECT_EQ(cache.ImagePath(), kAppPath);
}

TEST_F(InfoCacheTest, TheImagePathEndsAtItsFirstNulOrAtTheRecordsEnd) {
  std::vector<BYTE> afterNul = UsageRecord(1, FileTimeOf(2020, 1, 1), 0, L"C:\\a.exe");
  const wchar_t trailing[] = L"ZZZ";
  memcpy(&afterNul[28 + 9 * sizeof(wchar_t)], trailing, 3 * sizeof(wchar_t));
  Store(L"AfterNul", afterNul);
  const std::wstring full = L"C:\\" + std::wstring(255, L'p') + L".exe";  // 262 units, no NUL
  Store(L"Full", UsageRecord(1, FileTimeOf(2020, 1, 1), 0, full));
  Store(L"TooLong", UsageRecord(1, FileTimeOf(2020, 1, 1), 0, full + L"\\more\\text"));
  const std::wstring international = L"C:\\Программы\\程序\\app.exe";
  Store(L"International", UsageRecord(1, FileTimeOf(2020, 1, 1), 0, international));
  Store(L"Empty", UsageRecord(1, FileTimeOf(2020, 1, 1), 0, L""));

  ASSERT_EQ(full.size(), 262u);
  ASSERT_TRUE(cache.ReadInfo(L"AfterNul"));
  EXPECT_EQ(cache.ImagePath(), L"C:\\a.exe");
  ASSERT_TRUE(cache.ReadInfo(L"Full"));
  EXPECT_EQ(cache.ImagePath(), full);
  ASSERT_TRUE(cache.ReadInfo(L"TooLong"));
  EXPECT_EQ(cache.ImagePath(), full);
  ASSERT_TRUE(cache.ReadInfo(L"International"));
  EXPECT_EQ(cache.ImagePath(), international);
  ASSERT_TRUE(cache.ReadInfo(L"Empty"));
  EXPECT_EQ(cache.ImagePath(), L"");
}

TEST(InfoCacheFormat, SizeIsShownInBinaryMegabytesWithTwoDecimals) {
  EXPECT_EQ(TInfoCache::FormatSize(0), L"");
  EXPECT_EQ(TInfoCache::FormatSize(-1), L"");
  EXPECT_EQ(TInfoCache::FormatSize(LLONG_MIN), L"");
  EXPECT_EQ(TInfoCache::FormatSize(1048576), Localized(L"1.00 MB"));
  EXPECT_EQ(TInfoCache::FormatSize(1572864), Localized(L"1.50 MB"));
  EXPECT_EQ(TInfoCache::FormatSize(5000), Localized(L"0.00 MB"));
  EXPECT_EQ(TInfoCache::FormatSize(1), Localized(L"0.00 MB"));
  EXPECT_EQ(TInfoCache::FormatSize(10737418240), Localized(L"10,240.00 MB"));
  EXPECT_EQ(TInfoCache::FormatSize(1048576000LL * 1048576), Localized(L"1,048,576,000.00 MB"));
  EXPECT_EQ(TInfoCache::FormatSize(1048576LL * 999 + 1048576 / 4 * 3 + 1048576 / 100),
            Localized(L"999.76 MB"));
  EXPECT_EQ(TInfoCache::FormatSize(LLONG_MAX), Localized(L"8,796,093,022,208.00 MB"));
}

TEST(InfoCacheFormat, LastUsedIsTheLocalDateOrUnknown) {
  EXPECT_EQ(TInfoCache::FormatLastUsed(FILETIME{0, 0}), L"");
  EXPECT_EQ(TInfoCache::FormatLastUsed(FILETIME{0xFFFFFFFF, 0xFFFFFFFF}), L"(Unknown)");
  EXPECT_EQ(TInfoCache::FormatLastUsed(LocalNoon(2006, 3, 14)), L"2006-03-14");
  EXPECT_EQ(TInfoCache::FormatLastUsed(LocalNoon(9999, 12, 30)), L"9999-12-30");
  EXPECT_EQ(TInfoCache::FormatLastUsed(LocalNoon(1601, 1, 3)), L"1601-01-03");
  // Just after and just before local midnight: the local date counts, not the UTC date.
  EXPECT_EQ(TInfoCache::FormatLastUsed(FileTimeOfLocal(2024, 3, 14, 0, 5)), L"2024-03-14");
  EXPECT_EQ(TInfoCache::FormatLastUsed(FileTimeOfLocal(2024, 3, 13, 23, 55)), L"2024-03-13");
  EXPECT_EQ(TInfoCache::FormatLastUsed(FileTimeOfLocal(2024, 7, 1, 0, 1)), L"2024-07-01");
  // Years after 9999, and times no calendar can show.
  EXPECT_EQ(TInfoCache::FormatLastUsed(FileTimeFromTicks(0x2500000000000000)), L"(Unknown)")
      << "a day in the year 10050";
  EXPECT_EQ(TInfoCache::FormatLastUsed(FileTimeFromTicks(0x7FFFFFFFFFFFFFFF)), L"(Unknown)");
  EXPECT_EQ(TInfoCache::FormatLastUsed(FileTimeFromTicks(0x8000000000000000)), L"(Unknown)");
}

TEST(InfoCacheFormat, FrequencyFallsIntoThreeBands) {
  EXPECT_EQ(TInfoCache::FormatFrequency(0), L"rarely");
  EXPECT_EQ(TInfoCache::FormatFrequency(2), L"rarely");
  EXPECT_EQ(TInfoCache::FormatFrequency(3), L"occasionally");
  EXPECT_EQ(TInfoCache::FormatFrequency(10), L"occasionally");
  EXPECT_EQ(TInfoCache::FormatFrequency(11), L"frequently");
  EXPECT_EQ(TInfoCache::FormatFrequency(INT_MAX), L"frequently");
  EXPECT_EQ(TInfoCache::FormatFrequency(-1), L"");
  EXPECT_EQ(TInfoCache::FormatFrequency(INT_MIN), L"");
}

}  // namespace
