// The program details dialog, opened from the real main window on entries of the test's own
// registry tree and read back from its controls.
#include "app/MainWindowTestSupport.h"

#include "app/CommandIds.h"
#include "dialogs/DetailsIds.h"
#include "editing/Details.h"
#include "editing/DetailsRows.h"
#include "inventory/ProgramList.h"
#include "inventory/Utils.h"
#include "uninstall/UninstallTestSupport.h"
#include "win/Gdi.h"
#include "win/Text.h"
#include "win/Window.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;
using namespace main_window_testing;

namespace {

struct TShownRow {
  std::wstring Caption;
  std::wstring Value;
  bool Link = false;
  int Top = 0;  // at 96 DPI
  bool operator==(const TShownRow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TShownRow& row) {
  return out << win::ToUtf8(row.Caption) << " [" << win::ToUtf8(row.Value) << "]"
             << (row.Link ? " link" : "") << " at " << row.Top;
}

bool Underlined(HWND label) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfUnderline != 0;
}

// Whether the whole label lies in the visible part of its page.
bool InSight(HWND label) {
  RECT rect{}, client{};
  GetWindowRect(label, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(label), reinterpret_cast<POINT*>(&rect), 2);
  GetClientRect(GetParent(label), &client);
  return rect.top >= 0 && rect.bottom <= client.bottom;
}

bool Blue(HWND label) {
  TCapture pixels(label);
  return pixels.Count(RGB(0, 0, 255), {0, 0, pixels.Width(), pixels.Height()}) > 0;
}

// What the page of an open details dialog shows, row by row. A link is underlined and blue.
std::vector<TShownRow> ShownRows(HWND dialog) {
  HWND page = GetDlgItem(dialog, IDC_DET_PAGE);
  std::vector<TShownRow> rows;
  for (int id = IDC_DET_FIRST_LABEL;; id += 2) {
    HWND caption = GetDlgItem(page, id), value = GetDlgItem(page, id + 1);
    if (!caption || !value) break;
    RECT rect{};
    GetWindowRect(caption, &rect);
    MapWindowPoints(HWND_DESKTOP, page, reinterpret_cast<POINT*>(&rect), 2);
    bool underlined = Underlined(value);
    if (InSight(value)) {
      EXPECT_EQ(underlined, Blue(value)) << win::ToUtf8(ControlText(caption));
    }
    EXPECT_FALSE(Underlined(caption));
    rows.push_back({ControlText(caption), ControlText(value), underlined,
                    MulDiv(rect.top, 96, static_cast<int>(win::WindowDpi(page)))});
  }
  return rows;
}

// What a screen reader reads of the page: the name of each part through the platform's
// accessibility interface (oleacc), in the order it walks them.
std::vector<std::wstring> AccessibleNames(HWND page) {
  std::vector<std::wstring> names;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* client = nullptr;
  if (SUCCEEDED(AccessibleObjectFromWindow(page, static_cast<DWORD>(OBJID_CLIENT),
                                           __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&client)))) {
    long count = 0, got = 0;
    client->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<size_t>(count));
    AccessibleChildren(client, 0, count, children.data(), &got);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    for (long i = 0; i < got; ++i) {
      VARIANT& child = children[static_cast<size_t>(i)];
      HWND part = nullptr;
      IAccessible* inside = nullptr;
      BSTR name = nullptr;
      // Each part is a window; what it says is the name of its client area.
      if (child.vt == VT_DISPATCH && SUCCEEDED(WindowFromAccessibleObject(
                                         reinterpret_cast<IAccessible*>(child.pdispVal), &part)) &&
          SUCCEEDED(AccessibleObjectFromWindow(part, static_cast<DWORD>(OBJID_CLIENT),
                                               __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&inside)))) {
        if (SUCCEEDED(inside->get_accName(self, &name)) && name)
          names.emplace_back(name, SysStringLen(name));
        SysFreeString(name);
        inside->Release();
      }
      VariantClear(&child);
    }
    client->Release();
  }
  CoUninitialize();
  return names;
}

class DetailsTest : public MainWindowTest {
protected:
  // Opens the details of the program shown at the list's position and runs the script on the
  // dialog before it is closed with Close.
  void WithDetails(int position, const std::function<void(HWND)>& script) {
    main->lvPrograms().Select(position, false);
    bool shown = false;
    std::thread user([&] {
      HWND dialog = WaitForDialog(L"Program Details");
      shown = dialog != nullptr;
      if (!dialog) return;
      script(dialog);
      PostClick(GetDlgItem(dialog, IDOK));
    });
    Command(cmDetails);
    user.join();
    EXPECT_TRUE(shown);
  }
  std::vector<TShownRow> RowsOf(int position) {
    std::vector<TShownRow> rows;
    WithDetails(position, [&](HWND dialog) { rows = ShownRows(dialog); });
    return rows;
  }
  // The list position of the program with the caption, and its row.
  int PositionOf(const std::wstring& caption) {
    int count = ListView_GetItemCount(main->lvPrograms().Handle());
    for (int i = 0; i < count; ++i) {
      main->lvPrograms().Select(i, false);
      if (SelectedCaption() == caption) return i;
    }
    return -1;
  }
};

// An entry that names every value the page knows, with a usage record.
void AddRichEntry(TTestKey& key) {
  const std::wstring sub = L"Uninstall\\R";
  key.AddProgram(L"R", L"Rich Suite", L"C:\\Rich\\uninstall.exe /x");
  key.SetString(sub, L"InstallDate", L"20061205");
  key.SetString(sub, L"Publisher", L"Rich Software Ltd.");
  key.SetString(sub, L"DisplayVersion", L"4.2.1");
  key.SetString(sub, L"Contact", L"Jane Roe");
  key.SetString(sub, L"HelpTelephone", L"+44 20 7946 0000");
  key.SetString(sub, L"URLInfoAbout", L"http://rich.example/");
  key.SetString(sub, L"HelpLink", L"http://rich.example/help");
  key.SetString(sub, L"Readme", L"%ProgramFiles%\\Rich\\readme.txt", REG_EXPAND_SZ);
  key.SetString(sub, L"URLUpdateInfo", L"http://rich.example/updates");
  key.SetString(sub, L"Comments", L"Office tools");
  key.SetString(sub, L"ModifyPath", L"C:\\Rich\\setup.exe /modify");
  key.SetString(sub, L"DisplayIcon", L"C:\\Rich\\rich.exe,0");
  key.SetDword(sub, L"Language", 1033);
  key.SetString(sub, L"InstallSource", L"D:\\");
  key.SetString(sub, L"InstallLocation", L"C:\\Rich");
  key.SetDword(sub, L"WindowsInstaller", 1);
  key.SetBinary(L"ARPCache\\R", L"SlowInfoCache",
                UsageRecord(1572864, FileTimeOf(2025, 3, 14), 11, L"C:\\Rich\\rich.exe"));
}

TEST_F(DetailsTest, AScreenReaderReadsEveryCaptionValueAndLinkInOrder) {
  AddRichEntry(key);
  Start();
  int position = PositionOf(L"Rich Suite");
  ASSERT_GE(position, 0);
  std::vector<std::wstring> read, shown;
  WithDetails(position, [&](HWND dialog) {
    read = AccessibleNames(GetDlgItem(dialog, IDC_DET_PAGE));
    for (const TShownRow& row : ShownRows(dialog)) {
      shown.push_back(row.Caption);
      shown.push_back(row.Value);
    }
  });
  ASSERT_GT(shown.size(), 20u);
  EXPECT_EQ(read, shown);
}

TEST_F(DetailsTest, ARichEntryShowsEveryRowInOrderWithItsLinksAndGaps) {
  AddRichEntry(key);
  Start();
  int position = PositionOf(L"Rich Suite");
  ASSERT_GE(position, 0);
  const TProgramRow& listed = *main->lvPrograms().SelectedRow();
  ASSERT_FALSE(listed.Size.empty());
  ASSERT_FALSE(listed.Frequency.empty());
  // The list keeps the date as reports record it; the page shows dates as the user writes them.
  ASSERT_EQ(listed.LastUsed, L"2025-03-14");
  ASSERT_NE(UserDate(2025, 3, 14), L"");

  std::vector<TShownRow> expected = {
      {L"Program Name:", L"Rich Suite", false, 20},
      {L"Size:", listed.Size, false, 40},
      {L"Used:", listed.Frequency, false, 60},
      {L"Last Used:", UserDate(2025, 3, 14), false, 80},
      {L"Install Date:", UserDate(2006, 12, 5), false, 100},
      // a gap
      {L"Publisher:", L"Rich Software Ltd.", false, 140},
      {L"Version:", L"4.2.1", false, 160},
      {L"Contact:", L"Jane Roe", false, 180},
      {L"Contact Phone:", L"+44 20 7946 0000", false, 200},
      {L"About:", L"http://rich.example/", true, 220},
      {L"Support Information:", L"http://rich.example/help", true, 240},
      {L"Readme:", L"%ProgramFiles%\\Rich\\readme.txt", true, 260},  // shown as stored
      {L"Product Updates:", L"http://rich.example/updates", true, 280},
      {L"Comments:", L"Office tools", false, 300},
      // a gap
      {L"Uninstall Command:", L"C:\\Rich\\uninstall.exe /x", true, 340},
      {L"Modify Command:", L"C:\\Rich\\setup.exe /modify", true, 360},
      {L"Display Icon:", L"C:\\Rich\\rich.exe,0", false, 380},
      {L"Language:", L"1033", false, 400},
      {L"Source:", L"D:\\", true, 420},
      {L"Location:", L"C:\\Rich", true, 440},
      {L"Install Program:", L"Windows Installer", false, 460},
  };
  bool scrolls = false;
  std::vector<TShownRow> rows;
  WithDetails(position, [&](HWND dialog) {
    rows = ShownRows(dialog);
    // More rows than the page holds: it scrolls.
    HWND page = GetDlgItem(dialog, IDC_DET_PAGE);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    GetScrollInfo(page, SB_VERT, &info);
    scrolls = (GetWindowLongW(page, GWL_STYLE) & WS_VSCROLL) != 0 &&
              info.nMax + 1 > static_cast<int>(info.nPage);
    HWND location = GetDlgItem(page, IDC_DET_FIRST_LABEL + 2 * 19 + 1);
    EXPECT_FALSE(InSight(location));
    SendMessageW(page, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_TRUE(InSight(location));
    EXPECT_TRUE(Blue(location));
  });
  EXPECT_EQ(rows, expected);
  EXPECT_TRUE(scrolls);

  // On the 9x family there are no usage rows, whatever the list holds; the rest moves up.
  TUtils::SetPlatformFamily(TPlatformFamily::Win9x);
  struct TRestore {
    ~TRestore() { TUtils::SetPlatformFamily(TPlatformFamily::Detect); }
  } restore;
  rows = RowsOf(position);
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows.size(), expected.size() - 3);
  EXPECT_EQ(rows[1], (TShownRow{L"Install Date:", UserDate(2006, 12, 5), false, 40}));
  EXPECT_EQ(rows[2], (TShownRow{L"Publisher:", L"Rich Software Ltd.", false, 80}));
}

TEST_F(DetailsTest, DatesAndIntegersAreShownByTheirTypeAndNumbersAreNeverLinks) {
  // Dates as read unless eight digits form a real date; integers in decimal, 0 left out.
  key.AddProgram(L"E1", L"Edge One", L"one.exe");
  key.SetString(L"Uninstall\\E1", L"InstallDate", L"2006-12-05");
  key.SetDword(L"Uninstall\\E1", L"URLInfoAbout", 7);
  key.SetDword(L"Uninstall\\E1", L"Language", 0);
  key.SetDword(L"Uninstall\\E1", L"Contact", 0xFFFFFFFF);
  key.SetString(L"Uninstall\\E1", L"WindowsInstaller", L"1");
  key.AddProgram(L"E2", L"Edge Two", L"two.exe");
  key.SetString(L"Uninstall\\E2", L"InstallDate", L"20061305");
  key.SetBinary(L"Uninstall\\E2", L"Comments", {'h', 0, 'i', 0, 0, 0});
  key.SetString(L"Uninstall\\E2", L"Publisher", L"");
  key.SetDword(L"Uninstall\\E2", L"WindowsInstaller", 0);
  key.SetString(L"Uninstall\\E2", L"Readme", L"20061305");
  key.AddProgram(L"E3", L"Edge Three", L"three.exe");
  key.SetString(L"Uninstall\\E3", L"InstallDate", L"20070229");
  key.SetDword(L"Uninstall\\E3", L"Language", 1033);
  key.AddProgram(L"E4", L"Edge Four", L"four.exe");
  key.SetDword(L"Uninstall\\E4", L"InstallDate", 20080229);
  Start();

  // Rows that fit: no scroll bar at all.
  bool barShown = true;
  WithDetails(PositionOf(L"Edge One"), [&](HWND dialog) {
    barShown = (GetWindowLongW(GetDlgItem(dialog, IDC_DET_PAGE), GWL_STYLE) & WS_VSCROLL) != 0;
  });
  EXPECT_FALSE(barShown);
  EXPECT_EQ(RowsOf(PositionOf(L"Edge One")),
            (std::vector<TShownRow>{{L"Program Name:", L"Edge One", false, 20},
                                    {L"Install Date:", L"2006-12-05", false, 40},
                                    {L"Contact:", L"4294967295", false, 80},
                                    {L"About:", L"7", false, 100},
                                    {L"Uninstall Command:", L"one.exe", true, 140},
                                    {L"Install Program:", L"Windows Installer", false, 160}}));
  EXPECT_EQ(RowsOf(PositionOf(L"Edge Two")),
            (std::vector<TShownRow>{{L"Program Name:", L"Edge Two", false, 20},
                                    {L"Install Date:", L"20061305", false, 40},
                                    {L"Readme:", L"20061305", true, 80},
                                    {L"Uninstall Command:", L"two.exe", true, 120}}));
  EXPECT_EQ(RowsOf(PositionOf(L"Edge Three")),
            (std::vector<TShownRow>{{L"Program Name:", L"Edge Three", false, 20},
                                    {L"Install Date:", L"20070229", false, 40},
                                    {L"Uninstall Command:", L"three.exe", true, 100},
                                    {L"Language:", L"1033", false, 120}}));
  // An InstallDate stored as a number is no text: no row, but the gap stays.
  EXPECT_EQ(RowsOf(PositionOf(L"Edge Four")),
            (std::vector<TShownRow>{{L"Program Name:", L"Edge Four", false, 20},
                                    {L"Uninstall Command:", L"four.exe", true, 80}}));

  EXPECT_EQ(InstallDateText(L"20080229"), UserDate(2008, 2, 29));
  for (auto [stored, shown] : {std::pair{L"2006125", L"2006125"}, {L"00001205", L"00001205"},
                               {L"20060005", L"20060005"}, {L"20060400", L"20060400"},
                               {L"20060431", L"20060431"}, {L"+2006120", L"+2006120"}, {L"", L""}})
    EXPECT_EQ(InstallDateText(stored), shown) << win::ToUtf8(stored);
}

// The row of the page with the caption: its value label, or null.
HWND ValueLabel(HWND dialog, const std::wstring& caption) {
  HWND page = GetDlgItem(dialog, IDC_DET_PAGE);
  for (int id = IDC_DET_FIRST_LABEL; HWND label = GetDlgItem(page, id); id += 2)
    if (ControlText(label) == caption) return GetDlgItem(page, id + 1);
  return nullptr;
}

TEST_F(DetailsTest, TheUninstallCommandRunsExpandedAndWholeAndTheListIsScannedAfterClosing) {
  // A command far longer than any fixed buffer, stored as an expand string that names the
  // uninstaller through a variable.
  std::wstring log = dir.Path() + L"uninst.log";
  std::wstring padding;
  for (int i = 1000; i < 1100; ++i) padding += L" /pad" + std::to_wstring(i);
  TSampleProgram sample =
      InstallSample(key, dir, L"S", L"Sample App", L"/log \"" + log + L"\"" + padding);
  std::wstring bin = TestBinFolder();
  ASSERT_EQ(sample.Command.compare(1, bin.size(), bin), 0);
  SetEnvironmentVariableW(L"PURGALOT_DETAILS_BIN", bin.substr(0, bin.size() - 1).c_str());
  std::wstring stored = L"\"%PURGALOT_DETAILS_BIN%\\" + sample.Command.substr(1 + bin.size());
  key.SetString(sample.Key, L"UninstallString", stored, REG_EXPAND_SZ);
  ASSERT_GT(stored.size(), 1000u);
  Start();
  const size_t listed = main->Programs().Count();
  ASSERT_GE(PositionOf(L"Sample App"), 0);

  // Closed without running anything: no rescan, so a program removed meanwhile stays listed.
  RegDeleteKeyW(HKEY_CURRENT_USER, (key.Path() + L"\\Uninstall\\A").c_str());
  WithDetails(PositionOf(L"Sample App"), [](HWND) {});
  EXPECT_EQ(main->Programs().Count(), listed);

  std::wstring shown;
  bool ended = false;
  WithDetails(PositionOf(L"Sample App"), [&](HWND dialog) {
    HWND command = ValueLabel(dialog, L"Uninstall Command:");
    if (!command) return;
    shown = ControlText(command);
    PostMessageW(command, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(command, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    ended = WaitUntil([&] { return ReadBytes(log).find("exit 0") != std::string::npos; });
  });
  ASSERT_TRUE(ended);
  EXPECT_EQ(shown, stored);  // shown as stored, run expanded
  std::string steps = ReadBytes(log);
  EXPECT_NE(steps.find(win::ToUtf8(L"start: " + sample.Command)), std::string::npos) << steps;
  EXPECT_EQ(steps.find("start: "), steps.rfind("start: ")) << "one click, one run";
  EXPECT_NE(steps.find("ignored argument /pad1099"), std::string::npos) << steps;
  EXPECT_FALSE(key.Exists(sample.Key));

  // Scanned again once the dialog closed: both removed programs are gone.
  EXPECT_EQ(main->Programs().Count(), listed - 2);
  EXPECT_EQ(PositionOf(L"Sample App"), -1);
}

// The thread's keyboard focus, seen from another thread.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

TEST_F(DetailsTest, TabStepsThroughTheLinksAndEnterOpensTheCurrentOne) {
  std::wstring log = dir.Path() + L"uninst.log";
  TSampleProgram sample = InstallSample(key, dir, L"S", L"Sample App", L"/log \"" + log + L"\"");
  key.SetString(sample.Key, L"InstallLocation", dir.Path());  // a second link, after the command
  Start();
  bool leftAfterTwoTabs = false, ended = false;
  WithDetails(PositionOf(L"Sample App"), [&](HWND dialog) {
    HWND page = GetDlgItem(dialog, IDC_DET_PAGE), close = GetDlgItem(dialog, IDOK);
    auto post = [](HWND to, WPARAM key) {
      PostMessageW(to, WM_KEYDOWN, key, 1);
      PostMessageW(to, WM_KEYUP, key, 0xC0000001);
    };
    SetForegroundWindow(dialog);
    // On the page, at its first link. The first Tab stays (the location link is ahead), the
    // second moves on; had the first moved on, the second would come back to the page.
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(page), TRUE);
    post(page, VK_TAB);
    post(page, VK_TAB);
    leftAfterTwoTabs = WaitUntil([&] { return FocusOf(dialog) == close; });
    // Back on the page, at its first link again: Enter runs the uninstall command.
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(page), TRUE);
    post(page, VK_RETURN);
    ended = WaitUntil([&] { return ReadBytes(log).find("exit 0") != std::string::npos; });
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Enter on a link must not close the dialog";
  });
  EXPECT_TRUE(leftAfterTwoTabs);
  ASSERT_TRUE(ended) << "Enter did not open the uninstall command";
  EXPECT_FALSE(key.Exists(sample.Key));
}

}  // namespace
