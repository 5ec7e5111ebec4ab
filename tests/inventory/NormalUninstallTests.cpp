#include "inventory/NormalUninstall.h"

#include "inventory/IconCache.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "support/TestMachine.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class ScanTest : public ::testing::Test {
protected:
  ScanTest() : scanner({key.Source()}) { scanner.SetListView(&list); }
  ~ScanTest() override { TUtils::SetPlatformFamily(TPlatformFamily::Detect); }

  std::vector<std::wstring> Captions() const {
    std::vector<std::wstring> captions;
    for (size_t i = 0; i < list.Count(); ++i) captions.push_back(list.Row(i).Caption);
    return captions;
  }
  const TProgramRow* Find(const std::wstring& caption) const {
    for (size_t i = 0; i < list.Count(); ++i)
      if (list.Row(i).Caption == caption) return &list.Row(i);
    return nullptr;
  }

  win::ComInit com;
  TTestKey key;
  TTempDir dir;
  TProgramList list;
  TNormalUninstall scanner;
};

TEST_F(ScanTest, ListsEntriesThatNameAProgramAndACommandInCaptionOrder) {
  key.AddProgram(L"{B}", L"beta", L"b.exe");
  key.AddProgram(L"A", L"Alpha", L"a.exe");
  key.AddProgram(L"Dup1", L"Twin", L"t1.exe");
  key.AddProgram(L"Dup2", L"Twin", L"t2.exe");
  key.SetDword(L"Uninstall\\Num", L"DisplayName", 5);
  key.SetString(L"Uninstall\\Num", L"UninstallString", L"n.exe");
  key.AddProgram(L"EmptyName", L"", L"e.exe");
  key.AddProgram(L"EmptyCommand", L"Empty Command", L"");
  key.SetString(L"Uninstall\\NoName", L"UninstallString", L"update.exe");
  key.SetString(L"Uninstall\\NoCommand", L"DisplayName", L"No Command");
  key.SetString(L"Uninstall\\NumCommand", L"DisplayName", L"Number Command");
  key.SetDword(L"Uninstall\\NumCommand", L"UninstallString", 1);
  key.SetString(L"Uninstall\\LowerCase", L"displayname", L"lower case names");
  key.SetString(L"Uninstall\\LowerCase", L"uninstallstring", L"l.exe");
  scanner.Scan();

  EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"Alpha", L"beta", L"lower case names",
                                                   L"Twin", L"Twin", L"Unknown"}));
  const TProgramRow* alpha = Find(L"Alpha");
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha->Entry->RegistryKey(), key.Path() + L"\\Uninstall\\A");
  EXPECT_EQ(alpha->Entry->RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(alpha->Entry->UninstallCommand(), L"a.exe");
  EXPECT_EQ(&alpha->Entry->ListItem(), alpha);
}

// Enough entries to be read by several threads: each row must get its own entry's values, whether
// the key is read in one walk over its values, by name (more values than the scan asks about), or
// with value names in other letters.
TEST_F(ScanTest, ThousandsOfEntriesEachGetTheirOwnValues) {
  constexpr int kEntries = 1500;
  int listed = 0;
  for (int i = 0; i < kEntries; ++i) {
    win::UniqueHKey entry;
    const std::wstring sub = key.Path() + L"\\Uninstall\\E" + std::to_wstring(i);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, entry.Put(), nullptr),
              ERROR_SUCCESS);
    const auto text = [&](const std::wstring& name, const std::wstring& value) {
      RegSetValueExW(entry.Get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    };
    const bool lower = i % 13 == 0;
    const std::wstring n = std::to_wstring(i);
    if (i % 11 != 0) {
      text(lower ? L"displayname" : L"DisplayName", L"Program " + n);
      ++listed;
    }
    text(L"UninstallString", L"u" + n + L".exe");
    text(lower ? L"publisher" : L"Publisher", L"Publisher " + n);
    text(L"InstallLocation", L"C:\\Programs\\" + n);
    if (i % 3 == 0) text(L"QuietUninstallString", L"u" + n + L".exe /S");
    const DWORD kilobytes = static_cast<DWORD>(i + 1);
    RegSetValueExW(entry.Get(), L"EstimatedSize", 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&kilobytes), sizeof kilobytes);
    if (i % 7 == 0)
      for (int extra = 0; extra < 20; ++extra) text(L"Extra" + std::to_wstring(extra), n);
  }
  scanner.Scan();

  ASSERT_EQ(list.Count(), static_cast<size_t>(listed));
  for (size_t r = 0; r < list.Count(); ++r) {
    const TProgramRow& row = list.Row(r);
    const std::wstring n = row.Caption.substr(row.Caption.find(L' ') + 1);
    ASSERT_EQ(row.Entry->RegistryKey(), key.Path() + L"\\Uninstall\\E" + n);
    EXPECT_EQ(row.UninstallCommand, L"u" + n + L".exe");
    EXPECT_EQ(row.Facts.Publisher, L"Publisher " + n);
    EXPECT_EQ(row.Facts.InstallLocation, L"C:\\Programs\\" + n);
    EXPECT_EQ(row.Facts.QuietUninstallCommand, std::stoi(n) % 3 == 0 ? L"u" + n + L".exe /S" : L"");
    EXPECT_EQ(row.SizeBytes, (std::stoll(n) + 1) * 1024);
  }
}

TEST_F(ScanTest, EveryScanStartsFromAnEmptyList) {
  key.AddProgram(L"A", L"Alpha", L"a.exe");
  scanner.Scan();
  scanner.Scan();
  EXPECT_EQ(list.Count(), 1u);
  RegDeleteTreeW(HKEY_CURRENT_USER, (key.Path() + L"\\Uninstall").c_str());
  scanner.Scan();
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(ScanTest, AMissingUninstallKeyGivesAnEmptyList) {
  TNormalUninstall nowhere({{HKEY_CURRENT_USER, 0, key.Path() + L"\\Absent", L""}});
  nowhere.SetListView(&list);
  nowhere.Scan();
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(ScanTest, MalformedValuesNeverLoseTheEntry) {
  // A display name without its terminating NUL, a huge one, and one in non-Latin scripts.
  const wchar_t bare[] = {L'B', L'a', L'r', L'e'};
  key.SetRaw(L"Uninstall\\Bare", L"DisplayName", REG_SZ, bare, sizeof bare);
  key.SetString(L"Uninstall\\Bare", L"UninstallString", L"x.exe");
  key.AddProgram(L"Huge", std::wstring(100000, L'h'), L"x.exe");
  key.AddProgram(L"Скрипт", L"Программа 日本語 ελληνικά", L"x.exe");
  key.SetBinary(L"Uninstall\\Bin", L"DisplayName", {0x41, 0, 0x42});
  key.SetString(L"Uninstall\\Bin", L"UninstallString", L"x.exe");
  key.SetBinary(L"Uninstall\\Bin", L"DisplayIcon", {1, 2, 3});
  key.SetString(L"Uninstall\\Expand", L"DisplayName", L"%NotExpanded%", REG_EXPAND_SZ);
  key.SetString(L"Uninstall\\Expand", L"UninstallString", L"x.exe");
  scanner.Scan();

  ASSERT_EQ(list.Count(), 5u);
  EXPECT_NE(Find(L"Bare"), nullptr);
  EXPECT_NE(Find(std::wstring(100000, L'h')), nullptr);
  EXPECT_NE(Find(L"Программа 日本語 ελληνικά"), nullptr);
  EXPECT_NE(Find(L"Unknown"), nullptr);
  EXPECT_NE(Find(L"%NotExpanded%"), nullptr);
  EXPECT_EQ(Find(L"Программа 日本語 ελληνικά")->Entry->RegistryKey(),
            key.Path() + L"\\Uninstall\\Скрипт");
}

TEST_F(ScanTest, UsageColumnsComeFromTheRecordOnTheNtFamily) {
  std::wstring exe = dir.MakeFile(L"Prog\\prog.exe");
  key.AddProgram(L"Used", L"Used", L"\"" + exe + L"\" /remove");
  key.AddProgram(L"Unused", L"Unused", L"\"" + exe + L"\"");
  key.SetBinary(L"ARPCache\\Used", L"SlowInfoCache",
                UsageRecord(1572864, FileTimeOf(2025, 3, 14), 11, exe));
  key.SetBinary(L"ARPCache\\Unused", L"SlowInfoCache",
                UsageRecord(1572864, FileTimeOf(2025, 3, 14), 11, exe, 551));
  scanner.Scan();

  const TProgramRow* used = Find(L"Used");
  ASSERT_NE(used, nullptr);
  EXPECT_EQ(used->Size, TInfoCache::FormatSize(1572864));
  EXPECT_EQ(used->LastUsed, L"2025-03-14");
  EXPECT_EQ(used->Frequency, L"frequently");
  EXPECT_EQ(used->UninstallCommand, L"\"" + exe + L"\" /remove");
  EXPECT_EQ(used->StateIndex(), kNoStateImage);

  const TProgramRow* unused = Find(L"Unused");
  ASSERT_NE(unused, nullptr);
  EXPECT_EQ(unused->Size + unused->LastUsed + unused->Frequency, L"");
  EXPECT_EQ(unused->UninstallCommand, L"\"" + exe + L"\"");
}

TEST_F(ScanTest, OnWindows9xRowsCarryOnlyTheCommandAndNoUsageRecordIsRead) {
  TUtils::SetPlatformFamily(TPlatformFamily::Win9x);
  std::wstring icon = dir.MakeFile(L"image.ico", "");
  WriteIconFile(icon, RGB(200, 0, 0));
  key.AddProgram(L"Old", L"Old Program", L"missing_program_xyz.exe");
  key.SetBinary(L"ARPCache\\Old", L"SlowInfoCache",
                UsageRecord(1048576, FileTimeOf(2020, 1, 1), 1, L"X" + icon));
  scanner.Scan();

  ASSERT_EQ(list.Count(), 1u);
  TProgramRow& row = list.Row(0);
  EXPECT_EQ(row.Size + row.LastUsed + row.Frequency, L"");
  EXPECT_EQ(row.UninstallCommand, L"missing_program_xyz.exe");
  EXPECT_EQ(row.StateIndex(), kWarningStateImage);
  // The record's executable would give the icon on the NT family; here the program's own icon is
  // shown instead.
  TIconResolver icons;
  EXPECT_EQ(icons.ImageIndex(row), TUtils::GetSmallIconIndex(TUtils::ExePath()));
}

TEST_F(ScanTest, ExpandStringCommandsAreJudgedAndRunExpandedButShownAsStored) {
  std::wstring exe = dir.MakeFile(L"Expanded\\uninst.exe");
  SetEnvironmentVariableW(L"PURGALOT_TEST_DIR", dir.Path().c_str());
  key.SetString(L"Uninstall\\E", L"DisplayName", L"Expanded");
  key.SetString(L"Uninstall\\E", L"UninstallString", L"%PURGALOT_TEST_DIR%Expanded\\uninst.exe",
                REG_EXPAND_SZ);
  key.AddProgram(L"S", L"Stored", L"%PURGALOT_TEST_DIR%Expanded\\uninst.exe");
  scanner.Scan();

  const TProgramRow* expanded = Find(L"Expanded");
  ASSERT_NE(expanded, nullptr);
  EXPECT_EQ(expanded->StateIndex(), kNoStateImage);
  EXPECT_EQ(expanded->UninstallCommand, L"%PURGALOT_TEST_DIR%Expanded\\uninst.exe");
  EXPECT_EQ(expanded->Entry->ExecutableCommand(), exe);
  // A plain string is taken literally, so the same text names no file.
  EXPECT_EQ(Find(L"Stored")->StateIndex(), kWarningStateImage);
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

void SetUsage(TSourceTrees& trees, TSourceTrees::TPlace place, const std::wstring& subkey,
              const std::vector<BYTE>& record) {
  trees.SetRaw(place, subkey, L"SlowInfoCache", REG_BINARY, record.data(),
               static_cast<DWORD>(record.size()), true);
}

TEST(ScanSources, EachSourceGivesItsOwnEntriesWithItsOwnKeyAndUsageRecords) {
  TSourceTrees trees;
  using P = TSourceTrees;
  // The same key name in all three places, and one entry in each place alone.
  trees.AddProgram(P::Machine, L"Same", L"Same Program", L"same64.exe");
  trees.AddProgram(P::Machine32, L"Same", L"Same Program", L"same32.exe");
  trees.AddProgram(P::User, L"Same", L"Same Program", L"sameuser.exe");
  trees.AddProgram(P::Machine, L"Native", L"Native Only", L"n.exe");
  trees.AddProgram(P::Machine32, L"Legacy", L"Legacy 32-bit", L"l.exe");
  trees.AddProgram(P::User, L"Mine", L"Per-User Tool", L"m.exe");
  // Each view reads the usage records of its own key.
  SetUsage(trees, P::Machine, L"Same", UsageRecord(1048576, FileTimeOf(2024, 1, 2), 1, L""));
  SetUsage(trees, P::Machine32, L"Same", UsageRecord(2097152, FileTimeOf(2023, 5, 6), 5, L""));
  SetUsage(trees, P::User, L"Same", UsageRecord(3145728, FileTimeOf(2022, 7, 8), 50, L""));

  TProgramList list;
  TNormalUninstall scanner(trees.Sources());
  scanner.SetListView(&list);
  scanner.Scan();

  std::vector<std::wstring> captions;
  for (size_t i = 0; i < list.Count(); ++i) captions.push_back(list.Row(i).Caption);
  EXPECT_EQ(captions, (std::vector<std::wstring>{L"Legacy 32-bit", L"Native Only", L"Per-User Tool",
                                                 L"Same Program", L"Same Program",
                                                 L"Same Program"}));
  struct TExpected {
    const wchar_t* Command;
    P::TPlace Place;
    const wchar_t* Size;
    const wchar_t* LastUsed;
    const wchar_t* Frequency;
  };
  const TExpected expected[] = {
      {L"same64.exe", P::Machine, L"1.00 MB", L"2024-01-02", L"rarely"},
      {L"same32.exe", P::Machine32, L"2.00 MB", L"2023-05-06", L"occasionally"},
      {L"sameuser.exe", P::User, L"3.00 MB", L"2022-07-08", L"frequently"}};
  for (const TExpected& e : expected) {
    const TProgramRow* row = nullptr;
    for (size_t i = 0; i < list.Count(); ++i)
      if (list.Row(i).UninstallCommand == e.Command) row = &list.Row(i);
    ASSERT_NE(row, nullptr) << e.Command;
    const TUninstallSource& source = trees.Source(e.Place);
    EXPECT_EQ(row->Entry->RootKey(), source.Root) << e.Command;
    EXPECT_EQ(row->Entry->View(), source.View) << e.Command;
    EXPECT_EQ(row->Entry->RegistryKey(), source.UninstallKey + L"\\Same") << e.Command;
    EXPECT_EQ(row->Size, Localized(e.Size)) << e.Command;
    EXPECT_EQ(row->LastUsed, e.LastUsed) << e.Command;
    EXPECT_EQ(row->Frequency, e.Frequency) << e.Command;
  }
}

TEST(ScanSources, TheProgramScansTheMachineInBothViewsAndTheUser) {
  std::vector<TUninstallSource> all = TUninstallSource::All();
  ASSERT_EQ(all.size(), 3u);
  for (const TUninstallSource& source : all) {
    EXPECT_EQ(source.UninstallKey, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    EXPECT_EQ(source.CacheKey, kArpCacheKey);
  }
  EXPECT_EQ(all[0].Root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(all[0].View & KEY_WOW64_32KEY, 0u);
  EXPECT_EQ(all[1].Root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(all[1].View, static_cast<REGSAM>(KEY_WOW64_32KEY));
  EXPECT_EQ(all[2].Root, HKEY_CURRENT_USER);
}

TEST_F(ScanTest, WithoutAUsageSizeTheEstimatedSizeIsShownAsTheRecordWouldShowIt) {
  auto add = [this](const std::wstring& sub, const std::wstring& name) {
    key.AddProgram(sub, name, L"x.exe");
    return L"Uninstall\\" + sub;
  };
  key.SetDword(add(L"K", L"Kilobytes"), L"EstimatedSize", 2048);
  key.SetDword(add(L"Z", L"Zero"), L"EstimatedSize", 0);
  key.SetDword(add(L"H", L"Huge"), L"EstimatedSize", 0xFFFFFFFF);
  key.SetString(add(L"T", L"Text"), L"EstimatedSize", L"2048");
  const uint64_t quad = 2048;
  key.SetRaw(add(L"Q", L"Quad"), L"EstimatedSize", REG_QWORD, &quad, sizeof quad);
  key.SetBinary(add(L"S", L"Short"), L"EstimatedSize", {0x00, 0x08});
  // A record's own size wins; a record without one leaves the estimate to fill in.
  key.SetDword(add(L"R", L"Recorded"), L"EstimatedSize", 9999);
  key.SetBinary(L"ARPCache\\R", L"SlowInfoCache",
                UsageRecord(1572864, FileTimeOf(2025, 3, 14), 3, L""));
  key.SetDword(add(L"U", L"Unsized Record"), L"EstimatedSize", 3072);
  key.SetBinary(L"ARPCache\\U", L"SlowInfoCache",
                UsageRecord(-1, FileTimeOf(2025, 3, 14), 3, L""));
  scanner.Scan();

  auto size = [this](const wchar_t* caption) {
    const TProgramRow* row = Find(caption);
    return row ? row->Size : L"<not listed>";
  };
  EXPECT_EQ(size(L"Kilobytes"), Localized(L"2.00 MB"));
  EXPECT_EQ(Find(L"Kilobytes")->SizeBytes, 2048 * 1024);
  EXPECT_EQ(Find(L"Kilobytes")->LastUsed + Find(L"Kilobytes")->Frequency, L"");
  EXPECT_EQ(size(L"Zero"), L"");
  // Four terabytes less a kilobyte, without overflowing on the way.
  EXPECT_EQ(size(L"Huge"), Localized(L"4,194,304.00 MB"));
  EXPECT_EQ(Find(L"Huge")->SizeBytes, 0xFFFFFFFFLL * 1024);
  EXPECT_EQ(size(L"Text"), L"");
  EXPECT_EQ(size(L"Quad"), L"");
  EXPECT_EQ(size(L"Short"), L"");
  EXPECT_EQ(size(L"Recorded"), Localized(L"1.50 MB"));
  EXPECT_EQ(size(L"Unsized Record"), Localized(L"3.00 MB"));
  EXPECT_EQ(Find(L"Unsized Record")->LastUsed, L"2025-03-14");

  // Outside the NT family there is no size column to fill.
  TUtils::SetPlatformFamily(TPlatformFamily::Win9x);
  scanner.Scan();
  EXPECT_EQ(size(L"Kilobytes"), L"");
}

// Icons: each candidate file gets a distinct icon, so the index tells which candidate won.
class IconTest : public ScanTest {
protected:
  IconTest() {
    red = dir.MakeFile(L"Icons\\red.ico", "");
    WriteIconFile(red, RGB(220, 0, 0));
    green = dir.MakeFile(L"Icons\\green.ico", "");
    WriteIconFile(green, RGB(0, 200, 0));
    blue = dir.MakeFile(L"Icons\\blue.ico", "");
    WriteIconFile(blue, RGB(0, 0, 230));
  }
  int Shell(const std::wstring& file) { return TUtils::GetSmallIconIndex(file); }
  int Own() { return Shell(TUtils::ExePath()); }

  TIconResolver icons;
  std::wstring red, green, blue;
};

TEST_F(IconTest, CandidateFilesHaveDistinctIcons) {
  // Windows shows an .ico file as its own icon; the test machine must be set up the same way.
  std::vector<int> indexes = {Shell(red), Shell(green), Shell(blue), Own(),
                              Shell(SystemExe(L"notepad.exe"))};
  for (size_t i = 0; i < indexes.size(); ++i) {
    EXPECT_GE(indexes[i], 0);
    for (size_t j = i + 1; j < indexes.size(); ++j) EXPECT_NE(indexes[i], indexes[j]);
  }
}

TEST_F(IconTest, TheIconSourceWinsInAnyOfItsForms) {
  std::wstring exe = SystemExe(L"notepad.exe");
  EXPECT_EQ(icons.FindIconIndex(exe + L",0", green, blue), Shell(exe));
  EXPECT_EQ(icons.FindIconIndex(red, green, blue), Shell(red));
  EXPECT_EQ(icons.FindIconIndex(L"\"" + red + L"\"", green, blue), Shell(red));
  EXPECT_EQ(icons.FindIconIndex(L"\"" + red + L"\",0", green, blue), Shell(red));
  EXPECT_EQ(icons.FindIconIndex(L"  " + red + L" ", green, blue), Shell(red));
}

TEST_F(IconTest, UnusableIconSourcesFallThroughToTheNextCandidate) {
  std::wstring twoDots = dir.MakeFile(L"Icons\\app.v2.ico", "");
  WriteIconFile(twoDots, RGB(1, 2, 3));
  SetEnvironmentVariableW(L"PURGALOT_ICON_DIR", (dir.Path() + L"Icons").c_str());

  // A name with two dots is cut after the first one and names no file.
  EXPECT_EQ(icons.FindIconIndex(twoDots, green, blue), Shell(green));
  // Environment variables are not expanded.
  EXPECT_EQ(icons.FindIconIndex(L"%PURGALOT_ICON_DIR%\\red.ico", green, blue), Shell(green));
  // Upper-case ICO and unknown extensions are not icon files.
  EXPECT_EQ(icons.FindIconIndex(dir.Path() + L"Icons\\RED.ICO", green, blue), Shell(green));
  EXPECT_EQ(icons.FindIconIndex(dir.Path() + L"readme.txt", green, blue), Shell(green));
  EXPECT_EQ(icons.FindIconIndex(L"", L"", blue + L" /uninstall"), Shell(blue));
  // A file on the network is never asked about: the shell would wait for the server.
  size_t asked = icons.Cache().ShellQueries();
  EXPECT_EQ(icons.FindIconIndex(L"\\\\server\\share\\app.exe,0", green, blue), Shell(green));
  EXPECT_EQ(icons.Cache().ShellQueries(), asked);
}

TEST_F(IconTest, TheCachedImagePathIsCorrectedWhenItsColonIsNotSecond) {
  EXPECT_EQ(icons.FindIconIndex(L"", L"?" + green, blue), Shell(green));
  EXPECT_EQ(icons.FindIconIndex(L"", green, blue), Shell(green));
  // Without any colon the first character is dropped as well, here leaving no file.
  EXPECT_EQ(icons.FindIconIndex(L"", L"green.ico", blue), Shell(blue));
}

TEST_F(IconTest, WithNothingUsableTheProgramShowsItsOwnIcon) {
  EXPECT_EQ(icons.FindIconIndex(L"", L"", L"rundll32 nothing.dll,Remove"), Own());
  EXPECT_EQ(icons.FindIconIndex(L"C:\\missing\\a.ico", L"", L"C:\\missing\\b.exe"), Own());
}

TEST_F(IconTest, IconsAreResolvedOnFirstUseAndOncePerFile) {
  for (int i = 0; i < 20; ++i)
    key.AddProgram(L"P" + std::to_wstring(i), L"Program " + std::to_wstring(i), L"x.exe",
                   i % 2 ? red : L"\"" + green + L"\",0");
  scanner.Scan();
  ASSERT_EQ(list.Count(), 20u);
  EXPECT_EQ(icons.Cache().ShellQueries(), 0u);
  EXPECT_FALSE(list.Row(0).IconResolved());

  for (size_t i = 0; i < list.Count(); ++i) {
    int expected = list.Row(i).Caption.back() % 2 ? Shell(red) : Shell(green);
    EXPECT_EQ(icons.ImageIndex(list.Row(i)), expected) << list.Row(i).Caption;
    EXPECT_EQ(list.Row(i).ImageIndex(), expected);
  }
  EXPECT_EQ(icons.Cache().ShellQueries(), 2u);
}

TEST(IconFileFromSource, CutsTheIconIndexAndTrims) {
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A B\\app.exe,0"), L"C:\\A B\\app.exe");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A\\app.exe,-101"), L"C:\\A\\app.exe");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A\\ app.ico "), L"C:\\A\\app.ico");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A\\LIB.DLL,3"), L"C:\\A\\LIB.DLL");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A\\saver.SCR"), L"C:\\A\\saver.SCR");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A\\app.v2.exe"), L"C:\\A\\app.v2.");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:app.exe"), L"C:app.exe");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A\\app.Exe"), L"");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A\\icon.ICO"), L"");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L"C:\\A.exe\\noext"), L"");
  EXPECT_EQ(TIconResolver::IconFileFromSource(L""), L"");
}

}  // namespace

namespace {

TEST(ProgramListOrder, MatchesThePlatformStringComparison) {
  // Case, accents, punctuation that the platform weighs lightly, digits, other scripts.
  std::vector<std::wstring> names = {
      L"apple",   L"Apple",     L"APPLE",    L"äpple",      L"Äpple",   L"apple2",  L"apple10",
      L"co-op",   L"coop",      L"co op",    L"co'op",      L"Zebra",   L"zebra",   L"Ω mega",
      L"Ωmega",   L"Омега",     L"омега",    L"日本語",     L"中文",     L"",        L" leading",
      L"_under",  L"#hash",     L"1 first",  L"10 tenth",   L"2 second", L"Ümlaut",  L"Umlaut",
      L"résumé",  L"resume",    L"Resume",   L"straße",     L"strasse",  L"ﬁle",     L"file",
      L"Twin",    L"Twin",      L"twin",     L"a-b-c",      L"abc",     L"a b c",   L"%percent",
      L"&and",    L"(paren)",   L"[bracket]", L"~tilde",    L"Øre",     L"Ore",     L"Ōre"};
  TProgramList list;
  list.BeginUpdate();
  for (const auto& name : names) list.Add().Entry->SetName(name);
  list.EndUpdate();

  std::vector<std::wstring> expected = names;
  std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
    return lstrcmpW(a.c_str(), b.c_str()) < 0;
  });
  ASSERT_EQ(list.Count(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(list.Row(i).Caption, expected[i]) << i;
}

TEST(ProgramListOrder, AChosenColumnOrdersByWhatItShowsAndHoldsThroughEveryRefill) {
  struct TFill {
    const wchar_t* Name;
    int64_t Bytes;
    uint64_t Used;
    int32_t Count;
    const wchar_t* Command;
  };
  // Sizes whose texts would order otherwise ("10.00 MB" before "9.00 MB"), and ties.
  const TFill fills[] = {{L"Delta", 9 * 1048576LL, 300, 11, L"b.exe"},
                         {L"alpha", 10 * 1048576LL, 100, 2, L"C.exe"},
                         {L"Charlie", 0, 0, -1, L"a.exe"},
                         {L"bravo", 10 * 1048576LL, 200, 40, L"\"q\" /x"},
                         {L"Echo", 1048576, 1, 3, L"b.exe"}};
  TProgramList list;
  auto fill = [&] {
    list.Clear();
    list.BeginUpdate();
    for (const TFill& f : fills) {
      TUninstListItem& entry = *list.Add().Entry;
      entry.SetName(f.Name);
      entry.SetSize(TInfoCache::FormatSize(f.Bytes), f.Bytes);
      entry.SetLastUsed(f.Used ? L"x" : L"", f.Used);
      entry.SetFrequency(TInfoCache::FormatFrequency(f.Count), f.Count);
      entry.SetUninstallCommand(f.Command);
    }
    list.EndUpdate();
  };
  auto names = [&list] {
    std::wstring out;
    for (size_t i = 0; i < list.Count(); ++i) out += (i ? L" " : L"") + list.Row(i).Caption;
    return out;
  };
  fill();
  EXPECT_EQ(names(), L"alpha bravo Charlie Delta Echo");

  using F = TRowField;
  const std::pair<TSortOrder, const wchar_t*> orders[] = {
      {{F::Name, true}, L"Echo Delta Charlie bravo alpha"},
      {{F::Size, false}, L"Charlie Echo Delta alpha bravo"},
      {{F::Size, true}, L"alpha bravo Delta Echo Charlie"},
      {{F::LastUsed, false}, L"Charlie Echo alpha bravo Delta"},
      {{F::LastUsed, true}, L"Delta bravo alpha Echo Charlie"},
      {{F::Frequency, false}, L"Charlie alpha Echo Delta bravo"},
      {{F::Frequency, true}, L"bravo Delta Echo alpha Charlie"},
      {{F::UninstallCommand, false}, L"bravo Charlie Delta Echo alpha"},
      {{F::UninstallCommand, true}, L"alpha Delta Echo Charlie bravo"}};
  for (const auto& [order, expected] : orders) {
    list.SetSortOrder(order);
    EXPECT_EQ(names(), expected) << static_cast<int>(order.Field) << order.Descending;
    // A rescan fills the list again: the chosen order holds.
    fill();
    EXPECT_EQ(names(), expected) << static_cast<int>(order.Field) << order.Descending;
  }
  list.SetSortOrder({});
  EXPECT_EQ(names(), L"alpha bravo Charlie Delta Echo");
}

TEST(ProgramListOrder, ACaptionSetOutsideAnUpdateReordersAtOnce) {
  TProgramList list;
  int changes = 0;
  list.SetOnChanged([&changes] { ++changes; });
  list.Add().Entry->SetName(L"Banana");
  list.Add().Entry->SetName(L"Apple");
  EXPECT_EQ(list.Row(0).Caption, L"Apple");
  list.Row(0).Entry->SetName(L"Cherry");
  EXPECT_EQ(list.Row(0).Caption, L"Banana");
  EXPECT_EQ(list.Row(1).Caption, L"Cherry");
  EXPECT_GT(changes, 0);

  changes = 0;
  list.BeginUpdate();
  list.Add().Entry->SetName(L"Aardvark");
  EXPECT_EQ(changes, 0);  // no notification while updates are suspended
  EXPECT_EQ(list.Row(2).Caption, L"Aardvark");
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list.Row(0).Caption, L"Aardvark");
}

}  // namespace
