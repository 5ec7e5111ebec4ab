#include "app/WinSettings.h"

#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using testing_support::TTestKey;

namespace {

struct TFakeWindow : TSettingsWindow {
  RECT bounds{10, 20, 810, 620};
  int state = 0;
  bool appMinimised = false;
  std::vector<RECT> applied;
  RECT NormalBounds() const override { return bounds; }
  void SetNormalBounds(const RECT& b) override {
    bounds = b;
    applied.push_back(b);
  }
  int WindowState() const override { return state; }
  void SetWindowState(int s) override { state = s; }
  bool ApplicationMinimised() const override { return appMinimised; }
};

struct TFakeList : TSettingsList {
  std::vector<int> widths{150, 70, 90, 70, 270};
  int style = 0;
  int ColumnCount() const override { return static_cast<int>(widths.size()); }
  int ColumnWidth(int c) const override { return widths[static_cast<size_t>(c)]; }
  void SetColumnWidth(int c, int w) override { widths[static_cast<size_t>(c)] = w; }
  int ViewStyle() const override { return style; }
  void SetViewStyle(int s) override { style = s; }
  int sortColumn = 0;
  bool sortDescending = false;
  int sorts = 0;  // how often an order was applied
  int SortColumn() const override { return sortColumn; }
  bool SortDescending() const override { return sortDescending; }
  void SetSort(int column, bool descending) override {
    sortColumn = column;
    sortDescending = descending;
    ++sorts;
  }
};

class WinSettingsTest : public ::testing::Test {
protected:
  WinSettingsTest() : settings(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\") {
    settings.SetForm(&window);
    settings.SetListView(&list);
  }
  void Store(const std::wstring& name, const std::wstring& value) {
    key.SetString(L"Desktop", name, value);
  }
  std::wstring Stored(const std::wstring& name) {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Desktop")) return L"<no key>";
    return reg.ValueExists(name) ? reg.ReadString(name) : L"<missing>";
  }

  TTestKey key;
  TFakeWindow window;
  TFakeList list;
  TWinSettings settings;
};

TEST_F(WinSettingsTest, AMissingKeyChangesNothing) {
  settings.LoadSettings();
  EXPECT_TRUE(window.applied.empty());
  EXPECT_EQ(list.widths, (std::vector<int>{150, 70, 90, 70, 270}));
  EXPECT_EQ(list.style, 0);
}

TEST_F(WinSettingsTest, SavedValuesComeBackOnTheNextLoad) {
  window.bounds = {100, 50, 1100, 750};
  window.state = 2;
  list.widths = {200, 80, 100, 75, 300};
  list.style = 3;
  settings.SaveSettings();
  EXPECT_EQ(Stored(L"Width"), L"1000");
  EXPECT_EQ(Stored(L"Height"), L"700");
  EXPECT_EQ(Stored(L"Left"), L"100");
  EXPECT_EQ(Stored(L"Top"), L"50");
  EXPECT_EQ(Stored(L"WindowState"), L"2");
  EXPECT_EQ(Stored(L"FreqLength"), L"75");
  EXPECT_EQ(Stored(L"MainViewStyle"), L"3");

  TFakeWindow fresh;
  TFakeList freshList;
  TWinSettings again(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\");
  again.SetForm(&fresh);
  again.SetListView(&freshList);
  again.LoadSettings();
  EXPECT_EQ(fresh.bounds.left, 100);
  EXPECT_EQ(fresh.bounds.top, 50);
  EXPECT_EQ(fresh.bounds.right, 1100);
  EXPECT_EQ(fresh.bounds.bottom, 750);
  EXPECT_EQ(fresh.state, 2);
  EXPECT_EQ(freshList.widths, (std::vector<int>{200, 80, 100, 75, 300}));
  EXPECT_EQ(freshList.style, 3);
}

TEST_F(WinSettingsTest, AMinimisedApplicationIsStoredAsMinimised) {
  window.state = 0;
  window.appMinimised = true;
  settings.SaveSettings();
  EXPECT_EQ(Stored(L"WindowState"), L"1");
}

TEST_F(WinSettingsTest, TwoColumnListsStoreOnlyNameAndCommandWidths) {
  list.widths = {160, 333};
  settings.SaveSettings();
  EXPECT_EQ(Stored(L"NameLength"), L"160");
  EXPECT_EQ(Stored(L"UnCommLength"), L"333");
  EXPECT_EQ(Stored(L"SizeLength"), L"<missing>");
  EXPECT_EQ(Stored(L"FreqLength"), L"<missing>");

  // The next start loads before the columns are removed: the command column gets its width.
  TFakeList five;
  settings.SetListView(&five);
  settings.LoadSettings();
  EXPECT_EQ(five.widths, (std::vector<int>{160, 70, 90, 70, 333}));
}

TEST_F(WinSettingsTest, MissingValuesTakeTheirDefaultsAndUnknownStatesAreIgnored) {
  Store(L"Width", L"640");
  Store(L"MainViewStyle", L"7");
  Store(L"WindowState", L"5");
  list.widths = {1, 2, 3, 4, 5};
  list.style = 1;
  settings.LoadSettings();
  EXPECT_EQ(window.bounds.right - window.bounds.left, 640);
  EXPECT_EQ(window.bounds.bottom - window.bounds.top, 600);  // current height kept
  EXPECT_EQ(list.widths, (std::vector<int>{150, 70, 90, 70, 270}));
  EXPECT_EQ(list.style, 1);  // 7 is no view style
  EXPECT_EQ(window.state, 0);
}

TEST_F(WinSettingsTest, TheChosenOrderIsSavedAndOnlyAKnownColumnAndDirectionComeBack) {
  list.sortColumn = 2;
  list.sortDescending = true;
  settings.SaveSettings();
  EXPECT_EQ(Stored(L"SortColumn"), L"2");
  EXPECT_EQ(Stored(L"SortOrder"), L"1");
  list.sortColumn = 0;
  list.sortDescending = false;
  settings.LoadSettings();
  EXPECT_EQ(list.sortColumn, 2);
  EXPECT_TRUE(list.sortDescending);

  // No such column, no such direction: the name order stays.
  for (auto [column, order] :
       {std::pair{L"7", L"0"}, std::pair{L"-1", L"0"}, std::pair{L"1", L"2"}}) {
    Store(L"SortColumn", column);
    Store(L"SortOrder", order);
    list.sorts = 0;
    settings.LoadSettings();
    EXPECT_EQ(list.sorts, 0) << column << " " << order;
  }
}

TEST_F(WinSettingsTest, BadValuesAreSkippedAndTheFirstIsReportedAfterTheRestApplied) {
  Store(L"Width", L"700");
  Store(L"Height", L"500");
  Store(L"Left", L"12x");
  Store(L"Top", L"30");
  key.SetDword(L"Desktop", L"NameLength", 99);
  Store(L"FreqLength", L"80");
  Store(L"MainViewStyle", L"3");
  try {
    settings.LoadSettings();
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), L"'12x' is not a valid integer value");
  }
  EXPECT_EQ(window.bounds.right - window.bounds.left, 700);
  EXPECT_EQ(window.bounds.bottom - window.bounds.top, 500);
  EXPECT_EQ(window.bounds.left, 10);  // the bad value leaves the window where it is
  EXPECT_EQ(window.bounds.top, 30);
  EXPECT_EQ(list.widths, (std::vector<int>{150, 70, 90, 80, 270}));
  EXPECT_EQ(list.style, 3);

  // Saving at exit keeps every good value the user had.
  settings.SaveSettings();
  EXPECT_EQ(Stored(L"Top"), L"30");
  EXPECT_EQ(Stored(L"FreqLength"), L"80");
  EXPECT_EQ(Stored(L"MainViewStyle"), L"3");
}

TEST_F(WinSettingsTest, TheRecycleBinIsUsedUnlessTurnedOffAndABadValueKeepsItOn) {
  settings.LoadSettings();  // no key yet
  EXPECT_TRUE(settings.UseRecycleBin());
  settings.SetUseRecycleBin(false);
  settings.SaveSettings();
  EXPECT_EQ(Stored(L"UseRecycleBin"), L"0");
  TWinSettings again(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\");
  again.LoadSettings();
  EXPECT_FALSE(again.UseRecycleBin());

  Store(L"UseRecycleBin", L"off");
  Store(L"MainViewStyle", L"3");
  int reports = 0;
  try {
    again.LoadSettings();
  } catch (const ERegistryException& e) {
    ++reports;
    EXPECT_EQ(e.Message(), L"'off' is not a valid integer value");
  }
  EXPECT_EQ(reports, 1);
  EXPECT_TRUE(again.UseRecycleBin());
  Store(L"UseRecycleBin", L"1");
  settings.LoadSettings();
  EXPECT_TRUE(settings.UseRecycleBin());
  EXPECT_EQ(list.style, 3);
}

TEST_F(WinSettingsTest, ListAndOptionsChoicesComeBackAndBadOnesKeepTheirDefaults) {
  settings.LoadSettings();  // no key yet: every kind shown, both uninstall choices on, no log file
  EXPECT_EQ(settings.Narrowing(), TListNarrowing{});
  EXPECT_TRUE(settings.SearchLeftoversAfterUninstall());
  EXPECT_TRUE(settings.QuietUninstallWherePossible());
  EXPECT_EQ(settings.LogFile(), L"");
  settings.SetNarrowing({TShowKind::WindowsInstaller, true});
  settings.SetSearchLeftoversAfterUninstall(false);
  settings.SetQuietUninstallWherePossible(false);
  settings.SetLogFile(L"D:\\Logs\\\u65E5\u8A8C.txt");
  settings.SaveSettings();
  // Text values, as every other setting is kept.
  EXPECT_EQ(Stored(L"ShowPrograms"), L"4");
  EXPECT_EQ(Stored(L"HideSystemEntries"), L"1");
  EXPECT_EQ(Stored(L"SearchLeftoversAfterUninstall"), L"0");
  EXPECT_EQ(Stored(L"QuietUninstallWherePossible"), L"0");
  TWinSettings again(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\");
  again.LoadSettings();
  EXPECT_EQ(again.Narrowing(), (TListNarrowing{TShowKind::WindowsInstaller, true}));
  EXPECT_FALSE(again.SearchLeftoversAfterUninstall());
  EXPECT_FALSE(again.QuietUninstallWherePossible());
  EXPECT_EQ(again.LogFile(), L"D:\\Logs\\\u65E5\u8A8C.txt");

  // A kind this program does not know shows everything; a bad value is told once, after the rest.
  Store(L"ShowPrograms", L"5");
  Store(L"HideSystemEntries", L"yes");
  key.SetDword(L"Desktop", L"LogFile", 7);
  Store(L"QuietUninstallWherePossible", L"1");
  int reports = 0;
  try {
    again.LoadSettings();
  } catch (const ERegistryException& e) {
    ++reports;
    EXPECT_EQ(e.Message(), L"'yes' is not a valid integer value");
  }
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(again.Narrowing(), TListNarrowing{});
  EXPECT_TRUE(again.QuietUninstallWherePossible());
  EXPECT_EQ(again.LogFile(), L"");
}

TEST_F(WinSettingsTest, NarrowStoredColumnsAreWidenedSoNoneIsLostFromSight) {
  Store(L"NameLength", L"-40");
  Store(L"SizeLength", L"0");
  Store(L"LastUsedLength", L"19");
  Store(L"FreqLength", L"20");
  Store(L"UnCommLength", L"21");
  settings.LoadSettings();
  EXPECT_EQ(list.widths, (std::vector<int>{20, 20, 20, 20, 21}));
}

TEST(SettingInteger, AcceptsSignedDecimalsOnly) {
  EXPECT_EQ(ParseSettingInteger(L"0"), 0);
  EXPECT_EQ(ParseSettingInteger(L"-42"), -42);
  EXPECT_EQ(ParseSettingInteger(L"+7"), 7);
  EXPECT_EQ(ParseSettingInteger(L"2147483647"), 2147483647);
  EXPECT_EQ(ParseSettingInteger(L"-2147483648"), -2147483647 - 1);
  for (const wchar_t* bad : {L"", L"-", L"1.5", L" 1", L"1 ", L"0x10", L"2147483648", L"١٢"})
    EXPECT_THROW(ParseSettingInteger(bad), ERegistryException) << bad;
}

}  // namespace
