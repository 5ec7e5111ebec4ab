// The main window, created for real on the test display and driven as a user drives it.
#include "MainWindowTestSupport.h"
#include "app/Main.h"

#include "app/SideBar.h"
#include "dialogs/AuditIds.h"
#include "dialogs/BulkIds.h"
#include "dialogs/DeleteIds.h"
#include "dialogs/UninstallIds.h"
#include "inventory/ProgramFinder.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "support/GuiDriver.h"
#include "support/PrintedPdf.h"
#include "support/TestMachine.h"
#include "widgets/SideBarHeader.h"
#include "widgets/SideBarLabel.h"
#include "widgets/UPClickSplitter.h"
#include "win/Gdi.h"
#include "win/Text.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace testing_support;
using namespace main_window_testing;

namespace {

TEST_F(MainWindowTest, StartsWithTheSortedListTheFirstRowSelectedAndTheCountShown) {
  TfMain& w = Start();
  EXPECT_EQ(Text(w.Handle()), L"Tarvenholt Purgalot! 2006");
  ASSERT_EQ(w.Programs().Count(), 4u);
  EXPECT_EQ(ListView_GetItemCount(w.lvPrograms().Handle()), 4);
  EXPECT_EQ(w.Programs().Row(0).Caption, L"Alpha Editor");
  EXPECT_EQ(w.Programs().Row(3).Caption, L"Gamma Tools");
  EXPECT_EQ(SelectedCaption(), L"Alpha Editor");
  EXPECT_EQ(w.StatusText(), L"4 program(s) available for uninstall");
  EXPECT_EQ(Text(w.SideBar().ProgramNameLabel()), L"Alpha Editor");
  EXPECT_EQ(w.lvPrograms().ColumnCount(), 5);
  // Until settings are stored the list shows large icons.
  EXPECT_EQ(w.lvPrograms().ViewStyle(), TProgramListView::vsLargeIcons);
  wchar_t text[64] = {};
  LVITEMW item{};
  item.iSubItem = 4;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(w.lvPrograms().Handle(), LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, L"beta.exe");
}

TEST_F(MainWindowTest, CommandsWithoutASelectionAskForOne) {
  TfMain& w = Start();
  w.lvPrograms().ClearSelection();
  struct {
    int Command;
    const wchar_t* Message;
  } cases[] = {{cmUninstall, L"Please select a program you wish to uninstall"},
               {cmDelete, L"Please select a program you wish to uninstall"},
               {cmDetails, L"Please select a program you wish to uninstall"},
               {cmEditDetails, L"Please select a program you wish to edit details for"}};
  for (const auto& c : cases) {
    TMessageBoxWatcher box;
    Command(c.Command);
    box.Finish();
    EXPECT_TRUE(box.Seen()) << c.Command;
    EXPECT_EQ(box.Text(), c.Message);
    EXPECT_EQ(box.Title(), L"Tarvenholt Purgalot!");
  }
  // The toolbar button starts the same command.
  TMessageBoxWatcher box;
  ClickToolbarButton(cmUninstall);
  box.Finish();
  EXPECT_EQ(box.Text(), L"Please select a program you wish to uninstall");
}

TEST_F(MainWindowTest, EnterAndDoubleClickUninstallTheSelectedRowAndDoNothingWithoutOne) {
  TfMain& w = Start();
  HWND list = w.lvPrograms().Handle();
  for (bool enter : {true, false}) {
    w.lvPrograms().Select(1, false);  // Beta Player
    std::wstring program;
    std::thread user([&program] {
      HWND wizard = WaitForDialog(L"Uninstall");
      if (!wizard) return;
      program = ControlText(GetDlgItem(wizard, IDC_UN_PROGRAM_NAME));
      PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    });
    if (enter) {
      PressKey(list, VK_RETURN);
    } else {
      RECT item{};
      ListView_GetItemRect(list, 1, &item, LVIR_ICON);
      SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON,
                   MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2));
    }
    user.join();
    EXPECT_EQ(program, L"Beta Player") << (enter ? "Enter" : "double click");
  }

  w.lvPrograms().ClearSelection();
  TMessageBoxWatcher box;
  PressKey(list, VK_RETURN);
  PumpMessages();
  box.Finish();
  EXPECT_FALSE(box.Seen());
}


// A key with Ctrl held, as the keyboard delivers it to the focused window.
void PressCtrl(TfMain& w, HWND focus, WPARAM key) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_CONTROL] = 0x80;
  SetKeyboardState(state);
  PostMessageW(focus, WM_KEYDOWN, key, 1);
  PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
  PumpWithShortcuts(w);
  state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}

TEST_F(MainWindowTest, ShortcutKeysStartTheirCommandsButLeaveEditingKeysToTheFindBox) {
  TfMain& w = Start();
  w.lvPrograms().ClearSelection();
  for (WPARAM key : {WPARAM('U'), WPARAM(VK_DELETE), WPARAM('E')}) {
    TMessageBoxWatcher box;
    PressCtrl(w, w.lvPrograms().Handle(), key);
    box.Finish();
    EXPECT_TRUE(box.Seen()) << key;
  }
  // In the find box Ctrl+X cuts text instead of ending the program.
  PressCtrl(w, w.FindEdit(), 'X');
  EXPECT_TRUE(IsWindow(w.Handle()));
  // Elsewhere it is the Exit command.
  PressCtrl(w, w.lvPrograms().Handle(), 'X');
  PumpMessages();
  EXPECT_FALSE(IsWindow(w.Handle()));
  main.reset();
}

TEST_F(MainWindowTest, TheFourViewsAreChosenFromTheViewMenu) {
  TfMain& w = Start();
  HWND list = w.lvPrograms().Handle();
  const DWORD styles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  for (int i : {3, 1, 2, 0}) {
    Command(cmLargeIcons + i);
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK, static_cast<LONG_PTR>(styles[i]));
    HMENU view = GetSubMenu(w.MainMenu(), TfMain::mpView);
    SendMessageW(w.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), TfMain::mpView);
    for (int j = 0; j < 4; ++j)
      EXPECT_EQ((GetMenuState(w.MainMenu(), static_cast<UINT>(cmLargeIcons + j), MF_BYCOMMAND) &
                 MF_CHECKED) != 0,
                i == j);
  }
}

TEST_F(MainWindowTest, FindStepsThroughMatchesAndWrapsAround) {
  key.AddProgram(L"E", L"Editor Pro", L"e.exe");
  TfMain& w = Start();
  SetWindowTextW(w.FindEdit(), L"EDITOR");
  // Alpha Editor is selected, so the search begins after it and finds the other editor.
  SendMessageW(w.SideBar().FindButton(), BM_CLICK, 0, 0);
  PumpMessages();
  EXPECT_EQ(SelectedCaption(), L"Editor Pro");
  EXPECT_EQ(Text(w.SideBar().ProgramNameLabel()), L"Editor Pro");
  // Enter in the find box searches again and wraps round to the first row.
  PressKey(w.FindEdit(), VK_RETURN);
  PumpMessages();
  EXPECT_EQ(SelectedCaption(), L"Alpha Editor");

  SetWindowTextW(w.FindEdit(), L"zzz");
  TMessageBoxWatcher box;
  SendMessageW(w.SideBar().FindButton(), BM_CLICK, 0, 0);
  box.Finish();
  EXPECT_EQ(box.Text(), L"The program you are looking for (zzz) was not found");
  EXPECT_EQ(box.Title(), L"Tarvenholt Purgalot! 2006");
  EXPECT_EQ(SelectedCaption(), L"Alpha Editor");
}

TEST_F(MainWindowTest, AfterARescanTheSelectionIsItsProgramOrNothing) {
  TfMain& w = Start();
  auto remove = [this](const wchar_t* subkey) {
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, (key.Path() + L"\\Uninstall\\" + subkey).c_str()),
              ERROR_SUCCESS);
  };
  w.lvPrograms().Select(2, false);  // Delta Browser
  Command(cmRefresh);
  EXPECT_EQ(w.lvPrograms().Selected(), 2) << "a plain refresh keeps the row";
  EXPECT_EQ(SelectedCaption(), L"Delta Browser");

  // A program added before it (as "New program" does) moves it down; it stays selected.
  key.AddProgram(L"0", L"Aardvark Tools", L"aardvark.exe");
  Command(cmRefresh);
  EXPECT_EQ(w.lvPrograms().Selected(), 3);
  EXPECT_EQ(SelectedCaption(), L"Delta Browser");
  EXPECT_EQ(w.StatusText(), L"5 program(s) available for uninstall");

  // Its program gone, nothing is selected: the next command asks for a program instead of
  // acting on the neighbour that moved into its place.
  remove(L"D");
  Command(cmRefresh);
  EXPECT_EQ(w.lvPrograms().Selected(), -1);
  for (int command : {cmUninstall, cmDelete}) {
    TMessageBoxWatcher box;
    Command(command);
    box.Finish();
    EXPECT_EQ(box.Text(), L"Please select a program you wish to uninstall") << command;
  }
  EXPECT_EQ(w.Programs().Count(), 4u) << "nothing was uninstalled or deleted";

  w.lvPrograms().Select(0, false);
  for (const wchar_t* k : {L"0", L"A", L"B", L"C"}) remove(k);
  Command(cmRefresh);
  EXPECT_EQ(w.Programs().Count(), 0u);
  EXPECT_EQ(w.lvPrograms().Selected(), -1);
}

TEST_F(MainWindowTest, ThePopupMenuIsEnabledOnlyWithASelection) {
  TfMain& w = Start();
  for (bool selected : {true, false}) {
    if (!selected) w.lvPrograms().ClearSelection();
    // The menu is modal; close it from outside once it is up.
    std::atomic<bool> shown{false};
    std::thread closer([&shown, hwnd = w.Handle()] {
      shown = WaitForWindowOfClass(L"#32768") != nullptr;
      PostMessageW(hwnd, WM_CANCELMODE, 0, 0);
    });
    SendMessageW(w.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.lvPrograms().Handle()),
                 MAKELPARAM(100, 100));
    closer.join();
    EXPECT_TRUE(shown);
    // Modify and Repair follow what the entry offers (none of these offers them).
    for (int i = 0; i < GetMenuItemCount(w.PopupMenu()); ++i)
      EXPECT_EQ((GetMenuState(w.PopupMenu(), static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0,
                !selected || GetMenuItemID(w.PopupMenu(), i) == cmModify ||
                    GetMenuItemID(w.PopupMenu(), i) == cmRepair)
          << i;
  }
}

TEST_F(MainWindowTest, ClickingTheListShowsOrHidesTheProgramPanels) {
  TfMain& w = Start();
  HWND list = w.lvPrograms().Handle();
  w.lvPrograms().ClearSelection();
  NMHDR click{list, 100, static_cast<UINT>(NM_CLICK)};
  SendMessageW(w.Handle(), WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&click));
  EXPECT_FALSE(IsWindowVisible(w.SideBar().Actions().Handle()));
  EXPECT_FALSE(IsWindowVisible(w.SideBar().Info().Handle()));
  w.lvPrograms().Select(0, false);
  SendMessageW(w.Handle(), WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&click));
  EXPECT_TRUE(IsWindowVisible(w.SideBar().Actions().Handle()));
  EXPECT_TRUE(IsWindowVisible(w.SideBar().Info().Handle()));
}

TEST_F(MainWindowTest, FoldingAPanelMovesThePanelsBelowIt) {
  TfMain& w = Start();
  auto top = [](HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r.top;
  };
  TSideBarElement& actions = w.SideBar().Actions();
  int infoTop = top(w.SideBar().Info().Handle());
  int unfolded = actions.Height();
  Click(actions.SideBarHeader().Handle(), 20, 5);
  PumpMessages();
  EXPECT_FALSE(actions.State());
  EXPECT_EQ(actions.Height(), actions.HeaderHeight());
  EXPECT_EQ(top(w.SideBar().Info().Handle()), infoTop - (unfolded - actions.HeaderHeight()));
  Click(actions.SideBarHeader().Handle(), 20, 5);
  PumpMessages();
  EXPECT_EQ(actions.Height(), unfolded);
  EXPECT_EQ(top(w.SideBar().Info().Handle()), infoTop);
}

TEST_F(MainWindowTest, TheSideBarIsNeverWiderThanHalfTheWindow) {
  TfMain& w = Start();
  RECT client;
  GetClientRect(w.Handle(), &client);
  TUPClickSplitter& splitter = w.Splitter();
  RECT bar;
  GetWindowRect(splitter.Handle(), &bar);
  int barHeight = bar.bottom - bar.top;
  // Drag the bar far to the right.
  HWND hwnd = splitter.Handle();
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(3, 5));
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 5));
  SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3 + client.right, 5));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3 + client.right, 5));
  PumpMessages();
  RECT side;
  GetWindowRect(w.SideBar().Handle(), &side);
  EXPECT_EQ(side.right - side.left, client.right / 2);
  EXPECT_GT(barHeight, 0);

  // A click on the handle collapses the side bar, a second restores it.
  int handleY = barHeight / 2;
  Click(hwnd, 3, handleY);
  PumpMessages();
  GetWindowRect(w.SideBar().Handle(), &side);
  EXPECT_EQ(side.right - side.left, 0);
  Click(hwnd, 3, handleY);
  PumpMessages();
  GetWindowRect(w.SideBar().Handle(), &side);
  EXPECT_EQ(side.right - side.left, client.right / 2);
}

TEST_F(MainWindowTest, PlaceStateColumnsAndViewComeBackOnTheNextStart) {
  TfMain& first = Start();
  Command(cmDetailsView);
  first.lvPrograms().SetColumnWidth(3, 111);
  ShowWindow(first.Handle(), SW_MAXIMIZE);
  PumpMessages();
  Close();
  EXPECT_EQ(key.Exists(L"Desktop"), true);
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Desktop"));
    EXPECT_EQ(reg.ReadString(L"FreqLength"), L"111");
    EXPECT_EQ(reg.ReadString(L"WindowState"), L"2");
  }

  TfMain& second = Start();
  EXPECT_TRUE(IsZoomed(second.Handle()));
  EXPECT_EQ(second.lvPrograms().ViewStyle(), TProgramListView::vsDetails);
  EXPECT_EQ(second.lvPrograms().ColumnWidth(3), 111);
  ShowWindow(second.Handle(), SW_MINIMIZE);
  PumpMessages();
  Close();

  TfMain& third = Start();
  EXPECT_TRUE(IsIconic(third.Handle()));
}

TEST_F(MainWindowTest, ABadStoredValueIsReportedAndStartUpGoesOn) {
  key.SetString(L"Desktop", L"Width", L"640");
  key.SetString(L"Desktop", L"Left", L"left");
  TMessageBoxWatcher box;
  TfMain& w = Start();
  box.Finish();
  EXPECT_EQ(box.Text(), L"'left' is not a valid integer value.");
  EXPECT_EQ(box.Title(), L"Tarvenholt Purgalot!");
  RECT r;
  GetWindowRect(w.Handle(), &r);
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_TRUE(IsWindowVisible(w.Handle()));
  EXPECT_EQ(w.Programs().Count(), 4u);
}

TEST_F(MainWindowTest, OnWindows9xTheListHasTwoColumnsAndNoUsageLabels) {
  TUtils::SetPlatformFamily(TPlatformFamily::Win9x);
  TfMain& w = Start();
  TUtils::SetPlatformFamily(TPlatformFamily::Detect);
  EXPECT_EQ(w.lvPrograms().ColumnCount(), 2);
  EXPECT_FALSE(IsWindowVisible(w.SideBar().SizeLabel()));
}

TEST_F(MainWindowTest, TryToUninstallFromTheDeleteDialogOpensTheWizardForTheSameProgram) {
  TfMain& w = Start();
  w.lvPrograms().Select(2, false);  // Delta Browser
  std::wstring wizardProgram;
  bool deleteShown = false;
  std::thread user([&] {
    HWND remove = WaitForDialog(L"Delete From List");
    deleteShown = remove != nullptr;
    if (remove) PostMessageW(GetDlgItem(remove, IDC_DEL_UNINSTALL), BM_CLICK, 0, 0);
    HWND wizard = WaitForDialog(L"Uninstall");
    if (!wizard) return;
    wchar_t name[128] = {};
    SendMessageW(GetDlgItem(wizard, IDC_UN_PROGRAM_NAME), WM_GETTEXT, 128, reinterpret_cast<LPARAM>(name));
    wizardProgram = name;
    PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
  });
  Command(cmDelete);
  user.join();
  EXPECT_TRUE(deleteShown);
  EXPECT_EQ(wizardProgram, L"Delta Browser");
  EXPECT_EQ(w.Programs().Count(), 4u);  // nothing was removed; the list was scanned again
  EXPECT_EQ(SelectedCaption(), L"Delta Browser");
}

TEST_F(MainWindowTest, AFailedUnattendedPrintoutIsReportedAndTheProgramGoesOn) {
  TNoDefaultPrinter noPrinter;
  TMessageBoxWatcher box;
  TfMain& w = Start({L"/RPS"});
  box.Finish();
  EXPECT_EQ(box.Text(), L"No printer is installed, or none is set as the default printer.");
  EXPECT_EQ(box.Title(), L"Tarvenholt Purgalot!");
  EXPECT_FALSE(w.Terminated());
  EXPECT_FALSE(HaltAfterPrint);
  EXPECT_TRUE(IsWindowVisible(w.Handle()));
  EXPECT_TRUE(SkipWelcome);
  HaltAfterPrint = true;
}

TEST_F(MainWindowTest, UninstallSwitchWithAnUnknownNameSaysSo) {
  TMessageBoxWatcher box;
  TfMain& w = Start({L"/uninstall", L"No Such Program"});
  EXPECT_TRUE(PumpUntil([&box] { return box.Seen(); }));
  box.Finish();
  EXPECT_EQ(box.Text(), L"There program you are looking for (No Such Program) was not found");
  EXPECT_TRUE(IsWindowVisible(w.Handle()));
  EXPECT_TRUE(SkipWelcome);
}
}  // namespace

// Rows and columns, type-ahead, and start-up's way out of creation.
namespace {

struct TColumnShown {
  std::wstring Caption;
  std::wstring Text;  // of the row asked about
  int Format;
};

// What each column shows for a row, asked as the control asks when it draws the column: by the
// sub-item number the column itself reports.
std::vector<TColumnShown> ColumnsOf(HWND list, int row) {
  std::vector<TColumnShown> shown;
  for (int i = 0, n = Header_GetItemCount(ListView_GetHeader(list)); i < n; ++i) {
    wchar_t caption[64] = {}, text[256] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_SUBITEM | LVCF_FMT;
    column.pszText = caption;
    column.cchTextMax = 64;
    ListView_GetColumn(list, i, &column);
    LVITEMW item{};
    item.iSubItem = column.iSubItem;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    shown.push_back({caption, text, column.fmt & LVCFMT_JUSTIFYMASK});
  }
  return shown;
}

TEST_F(MainWindowTest, EachColumnShowsItsOwnFieldInBothLayoutsAndSizesAlignRight) {
  key.SetBinary(L"ARPCache\\B", L"SlowInfoCache",
                UsageRecord(1572864, FileTimeOf(2025, 3, 14), 11, L"C:\\beta.exe"));
  const std::wstring size = TInfoCache::FormatSize(1572864);
  std::vector<TColumnShown> nt = {{L"Name", L"Beta Player", LVCFMT_LEFT},
                                  {L"Size", size, LVCFMT_RIGHT},
                                  {L"Last Used On", UserDate(2025, 3, 14), LVCFMT_LEFT},
                                  {L"Frequency", L"frequently", LVCFMT_LEFT},
                                  {L"Uninstall Command", L"beta.exe", LVCFMT_LEFT}};
  std::vector<TColumnShown> win9x = {nt[0], nt[4]};
  for (auto [family, expected] : {std::pair{TPlatformFamily::NT, nt},
                                  std::pair{TPlatformFamily::Win9x, win9x}}) {
    TUtils::SetPlatformFamily(family);
    TfMain& w = Start();
    TUtils::SetPlatformFamily(TPlatformFamily::Detect);
    auto shown = ColumnsOf(w.lvPrograms().Handle(), 1);
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < shown.size(); ++i) {
      EXPECT_EQ(shown[i].Caption, expected[i].Caption) << i;
      EXPECT_EQ(shown[i].Text, expected[i].Text) << expected[i].Caption;
      EXPECT_EQ(shown[i].Format, expected[i].Format) << expected[i].Caption;
    }
    Close();
  }
}

// The captions in the order the list shows them, read from the control.
std::vector<std::wstring> ShownNames(HWND list) {
  std::vector<std::wstring> names;
  for (int i = 0, n = ListView_GetItemCount(list); i < n; ++i) {
    wchar_t text[128] = {};
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    names.push_back(text);
  }
  return names;
}

// HDF_SORTUP, HDF_SORTDOWN or 0: the arrow a column's header shows.
int SortArrow(HWND list, int column) {
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  Header_GetItem(ListView_GetHeader(list), column, &item);
  return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

// The width of a column's caption in the header's font, at the test's 96 DPI.
int CaptionExtent(HWND list, int column) {
  HWND header = ListView_GetHeader(list);
  wchar_t caption[64]{};
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = caption;
  item.cchTextMax = 64;
  Header_GetItem(header, column, &item);
  HDC dc = GetDC(header);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(header, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, caption, lstrlenW(caption), &size);
  SelectObject(dc, old);
  ReleaseDC(header, dc);
  return size.cx;
}

void ClickHeader(HWND list, int column) {
  HWND header = ListView_GetHeader(list);
  RECT r{};
  Header_GetItemRect(header, column, &r);
  Click(header, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PumpMessages();
}

TEST_F(MainWindowTest, AHeaderClickSortsByItsColumnAndTheChosenOrderComesBackOnTheNextStart) {
  // Sizes that order otherwise as texts, dates, counts and commands, each in an order of its own.
  key.SetDword(L"Uninstall\\A", L"EstimatedSize", 10240);
  key.SetDword(L"Uninstall\\B", L"EstimatedSize", 9216);
  key.SetDword(L"Uninstall\\D", L"EstimatedSize", 1024);
  // Records without a size: the estimate shows.
  key.SetBinary(L"ARPCache\\B", L"SlowInfoCache",
                UsageRecord(-1, FileTimeOf(2025, 3, 14), 40, L""));
  key.SetBinary(L"ARPCache\\C", L"SlowInfoCache",
                UsageRecord(-1, FileTimeOf(2023, 6, 1), 1, L""));
  key.SetBinary(L"ARPCache\\D", L"SlowInfoCache",
                UsageRecord(-1, FileTimeOf(2020, 1, 1), 5, L""));
  key.SetString(L"Uninstall\\A", L"UninstallString", L"zz.exe");
  using V = std::vector<std::wstring>;
  const std::wstring a = L"Alpha Editor", b = L"Beta Player", d = L"Delta Browser",
                     g = L"Gamma Tools";
  const V ascending[] = {{a, b, d, g}, {g, d, b, a}, {a, d, g, b}, {a, g, d, b}, {b, d, g, a}};

  TfMain& w = Start();
  Command(cmDetailsView);
  HWND list = w.lvPrograms().Handle();
  EXPECT_EQ(ShownNames(list), ascending[0]);
  EXPECT_EQ(SortArrow(list, 0), HDF_SORTUP);
  w.lvPrograms().Select(1, false);  // Beta Player

  for (int column : {0, 1, 2, 4, 3}) {
    V up = ascending[column];
    V down(up.rbegin(), up.rend());
    // The first click on the column that already orders the rows reverses them.
    ClickHeader(list, column);
    EXPECT_EQ(ShownNames(list), column == 0 ? down : up) << column;
    if (column == 1) {
      // Find goes through the rows in the order shown: after Gamma Tools comes Delta Browser.
      w.lvPrograms().Select(0, false);
      SetWindowTextW(w.FindEdit(), L"e");
      SendMessageW(w.SideBar().FindButton(), BM_CLICK, 0, 0);
      PumpMessages();
      EXPECT_EQ(SelectedCaption(), d);
      w.lvPrograms().Select(2, false);
      ASSERT_EQ(SelectedCaption(), b);
    }
    ClickHeader(list, column);
    EXPECT_EQ(ShownNames(list), column == 0 ? up : down) << column;
    const int arrow = column == 0 ? HDF_SORTUP : HDF_SORTDOWN;
    for (int other = 0; other < 5; ++other)
      EXPECT_EQ(SortArrow(list, other), other == column ? arrow : 0) << column << " " << other;
    // The arrow never cuts the caption ("Last Used On" was too narrow for both).
    EXPECT_GE(ListView_GetColumnWidth(list, column), CaptionExtent(list, column) + 3 * 6 + 16)
        << column;
    // The selection stays with its program.
    EXPECT_EQ(SelectedCaption(), b) << column;
  }
  const V byFrequencyDown = {b, d, g, a};
  ASSERT_EQ(ShownNames(list), byFrequencyDown);

  Command(cmRefresh);
  EXPECT_EQ(ShownNames(list), byFrequencyDown);
  Close();

  TfMain& again = Start();
  EXPECT_EQ(ShownNames(again.lvPrograms().Handle()), byFrequencyDown);
  EXPECT_EQ(SortArrow(again.lvPrograms().Handle(), 3), HDF_SORTDOWN);
  EXPECT_EQ(SortArrow(again.lvPrograms().Handle(), 0), 0);
}

TEST_F(MainWindowTest, TheWarningMarkerShowsOnTheRowsWhoseUninstallerIsMissing) {
  key.AddProgram(L"N", L"Notepad", L"notepad.exe");  // found on the search path
  TfMain& w = Start();
  HWND list = w.lvPrograms().Handle();
  ASSERT_EQ(ShownNames(list)[4], L"Notepad");
  for (int i = 0; i < 5; ++i) {
    UINT state = ListView_GetItemState(list, i, LVIS_STATEIMAGEMASK);
    EXPECT_EQ(state, i == 4 ? 0u : INDEXTOSTATEIMAGEMASK(kWarningStateImage + 1)) << i;
  }
}

// Letters typed into the focused list, through the program's own message loop.
void Type(TfMain& w, const char* letters) {
  HWND list = w.lvPrograms().Handle();
  SetFocus(list);
  for (const char* c = letters; *c; ++c) {
    PostMessageW(list, WM_KEYDOWN, static_cast<WPARAM>(*c), 1);
    PostMessageW(list, WM_KEYUP, static_cast<WPARAM>(*c), 0xC0000001);
  }
  PumpWithShortcuts(w);
}

TEST_F(MainWindowTest, TypingSelectsTheNextProgramBeginningWithTheLetters) {
  TfMain& w = Start();
  w.lvPrograms().Select(3, false);  // Gamma Tools, the last row
  // Searching from the row after the focused one wraps round to the second row, whatever case.
  Type(w, "BE");
  EXPECT_EQ(SelectedCaption(), L"Beta Player");
  EXPECT_EQ(Text(w.SideBar().ProgramNameLabel()), L"Beta Player");
}

LRESULT CALLBACK RefuseToBeMade(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return msg == WM_NCCREATE ? FALSE : DefWindowProcW(hwnd, msg, wp, lp);
}

// For its life, this program's list controls cannot be made: a class of the program's own
// shadows the system's list view class.
class TNoListControls {
public:
  TNoListControls() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RefuseToBeMade;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = WC_LISTVIEWW;
    registered_ = RegisterClassW(&wc) != 0;
  }
  ~TNoListControls() {
    if (registered_) UnregisterClassW(WC_LISTVIEWW, GetModuleHandleW(nullptr));
  }
  bool Registered() const { return registered_; }

private:
  bool registered_ = false;
};

TEST_F(MainWindowTest, ACreationThatFailsShowsTheErrorOnceAndLeavesNoWindow) {
  settings = std::make_unique<TWinSettings>(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\");
  main = std::make_unique<TfMain>(*settings, TCommandLine({}),
                                  std::vector<TUninstallSource>{key.Source()});
  bool created;
  TMessageBoxWatcher box;
  {
    TNoListControls noLists;
    ASSERT_TRUE(noLists.Registered());
    // As the program's entry runs it: an error box and the end, for whatever creation throws.
    created = win::Guarded([this] { main->Create(); });
  }
  box.Finish();
  EXPECT_FALSE(created);
  EXPECT_EQ(box.Text(), L"Cannot create the program list.");
  EXPECT_EQ(main->Handle(), nullptr);
  // Other test programs may show main windows of their own meanwhile: only this process counts.
  struct TFound {
    HWND Window = nullptr;
  } found;
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        DWORD process = 0;
        GetWindowThreadProcessId(hwnd, &process);
        wchar_t name[32] = {};
        GetClassNameW(hwnd, name, 32);
        if (process != GetCurrentProcessId() || std::wstring(name) != L"TfMain") return TRUE;
        reinterpret_cast<TFound*>(lp)->Window = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(found.Window, nullptr);
  EXPECT_FALSE(key.Exists(L"Desktop"));
}

TEST_F(MainWindowTest, UnattendedRunsLeaveTheStoredSettingsAlone) {
  const std::pair<const wchar_t*, const wchar_t*> stored[] = {
      {L"Width", L"700"},         {L"Height", L"500"},         {L"Left", L"40"},
      {L"Top", L"30"},            {L"WindowState", L"2"},      {L"NameLength", L"222"},
      {L"SizeLength", L"33"},     {L"LastUsedLength", L"44"},  {L"FreqLength", L"55"},
      {L"UnCommLength", L"333"},  {L"MainViewStyle", L"3"}};
  for (auto [name, value] : stored) key.SetString(L"Desktop", name, value);
  TfMain& w = Start({L"/RFS", dir.Path() + L"report"});
  EXPECT_TRUE(w.Terminated());
  EXPECT_EQ(w.ExitCode(), 0);
  Close();
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Desktop"));
    EXPECT_EQ(reg.GetValueNames().size(), std::size(stored));
    for (auto [name, value] : stored) EXPECT_EQ(reg.ReadString(name), value) << name;
  }

  // A first run that ends inside creation makes no settings key at all.
  RegDeleteTreeW(HKEY_CURRENT_USER, (key.Path() + L"\\Desktop").c_str());
  ASSERT_FALSE(key.Exists(L"Desktop"));
  EXPECT_TRUE(Start({L"/QU"}).Terminated());
  Close();
  EXPECT_FALSE(key.Exists(L"Desktop"));
}

// The header of a 32-bit bitmap image of the size given, followed by 64 bytes of pixels.
std::string BitmapHeader(LONG width, LONG height) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  return std::string(reinterpret_cast<const char*>(&header), sizeof header) + std::string(64, 'x');
}

// How many pixels of the area the control draws in other than its background, drawn for the
// purpose (other windows on the display cannot cover it).
int InkedPixels(HWND control, const RECT& area) {
  RECT client;
  GetClientRect(control, &client);
  BITMAPINFO info = win::TopDown32(client.right, client.bottom);
  void* bits = nullptr;
  win::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueHdc memory(CreateCompatibleDC(nullptr));
  const COLORREF background = ListView_GetBkColor(control);
  {
    // What the control leaves unpainted counts as background.
    win::SelectGuard select(memory.Get(), bitmap.Get());
    win::UniqueHBrush fill(CreateSolidBrush(background));
    FillRect(memory.Get(), &client, fill.Get());
    PrintWindow(control, memory.Get(), PW_CLIENTONLY);
  }
  GdiFlush();
  const auto* pixels = static_cast<const DWORD*>(bits);
  int inked = 0;
  for (LONG y = std::max(0L, area.top); y < std::min(client.bottom, area.bottom); ++y)
    for (LONG x = std::max(0L, area.left); x < std::min(client.right, area.right); ++x) {
      const DWORD p = pixels[y * client.right + x];
      inked += RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) != background;
    }
  return inked;
}

// What a font draws for a text in black on white, pixel by pixel.
std::vector<DWORD> Drawn(HFONT font, const std::wstring& text) {
  constexpr int kSide = 48;
  BITMAPINFO info = win::TopDown32(kSide, kSide);
  void* bits = nullptr;
  win::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueHdc memory(CreateCompatibleDC(nullptr));
  {
    win::SelectGuard selectBitmap(memory.Get(), bitmap.Get());
    win::SelectGuard selectFont(memory.Get(), font);
    const RECT all{0, 0, kSide, kSide};
    FillRect(memory.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    TextOutW(memory.Get(), 4, 4, text.c_str(), static_cast<int>(text.size()));
  }
  GdiFlush();
  const auto* pixels = static_cast<const DWORD*>(bits);
  return std::vector<DWORD>(pixels, pixels + kSide * kSide);
}

// Names come in every script. A letter the UI font lacks comes from a font linked to it, and one
// that no font has shows as the font's empty box. Right-to-left text is shaped with the UI font's
// own letters only, so Arabic and Hebrew must be in that font itself.
TEST_F(MainWindowTest, TheListSideBarAndDialogFontsDrawLettersOfEveryScript) {
  TfMain& w = Start();
  LOGFONTW dialog{};
  dialog.lfHeight = -11;
  lstrcpynW(dialog.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
  win::UniqueHFont dialogFont(CreateFontIndirectW(&dialog));
  win::UniqueHFont boldFont(win::CreateMessageFont(w.Handle(), true));  // the side bar's name
  const std::pair<const char*, HFONT> fonts[] = {
      {"list", reinterpret_cast<HFONT>(SendMessageW(w.lvPrograms().Handle(), WM_GETFONT, 0, 0))},
      {"bold", boldFont.Get()},
      {"dialog", dialogFont.Get()}};
  const std::pair<const char*, const wchar_t*> scripts[] = {
      {"Arabic", L"\u0642\u0627\u0631\u0626"},
      {"Hebrew", L"\u05E9\u05DC\u05D5\u05DD"},
      {"Chinese", L"\u5199\u771F"},
      {"Japanese", L"\u3055\u304F\u30E9"},
      {"Korean", L"\uD55C\uAD6D"},
      {"Cyrillic", L"\u0416\u044C"},
      {"Greek", L"\u03A9\u03BB"},
  };
  for (const auto& [fontName, font] : fonts) {
    ASSERT_NE(font, nullptr) << fontName;
    const std::vector<DWORD> box = Drawn(font, L"\u0378");  // no font has this code point
    const std::vector<DWORD> blank = Drawn(font, L" ");
    for (const auto& [script, letters] : scripts)
      for (const wchar_t* letter = letters; *letter; ++letter) {
        const std::vector<DWORD> drawn = Drawn(font, std::wstring(1, *letter));
        EXPECT_TRUE(drawn != box && drawn != blank)
            << fontName << " font, " << script << " letter U+" << std::hex
            << static_cast<unsigned>(*letter) << std::dec;
      }
  }
}

// The shell trusts an icon file's own counts and sizes: a directory naming more images than the
// file holds made it read past the end while the list painted, and not one row was drawn. Such an
// icon gives the picture of a program without one, and every row paints, its icon too, in every
// view.
TEST_F(MainWindowTest, AnIconFileThatDoesNotHoldTogetherGetsTheGenericPictureAndTheListPaints) {
  const std::pair<const wchar_t*, std::string> broken[] = {
      {L"many.ico", IconFileBytes(16, 40, "", 65535)},
      {L"huge.ico", IconFileBytes(0, 0xFFFFFFF0, std::string(40, 'x'))},
      {L"vast.ico", IconFileBytes(255, 40 + 64, BitmapHeader(65535, 131070))},
      {L"flat.ico", IconFileBytes(16, 40 + 64, BitmapHeader(0, 0))},
      {L"cut.ico", IconFileBytes(16, 40 + 64, BitmapHeader(16, 32))},  // 16 x 16 needs 1,128
  };
  for (const auto& [name, bytes] : broken)
    key.AddProgram(name, std::wstring(L"Icon ") + name, L"broken.exe", dir.MakeFile(name, bytes));
  const std::wstring good = dir.Path() + L"good.ico";
  WriteIconFile(good, RGB(0, 160, 0));
  key.AddProgram(L"Good", L"Icon good.ico", L"good.exe", good);
  TfMain& w = Start();
  HWND list = w.lvPrograms().Handle();
  auto image = [&](const std::wstring& caption) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = FindProgram(w.Programs(), caption);
    return ListView_GetItem(list, &item) ? item.iImage : -2;
  };
  const int generic = image(L"Alpha Editor");  // no icon of its own
  for (const auto& [name, bytes] : broken)
    EXPECT_EQ(image(std::wstring(L"Icon ") + name), generic) << win::ToUtf8(name);
  EXPECT_NE(image(L"Icon good.ico"), generic) << "a sound icon file shows its own picture";

  for (int view : {TProgramListView::vsDetails, TProgramListView::vsLargeIcons,
                   TProgramListView::vsSmallIcons, TProgramListView::vsList}) {
    w.ChangeViewStyle(view);
    PumpMessages();
    for (int row = 0; row < static_cast<int>(w.Programs().Count()); ++row) {
      RECT label{}, icon{};
      ASSERT_TRUE(ListView_GetItemRect(list, row, &label, LVIR_LABEL));
      ASSERT_TRUE(ListView_GetItemRect(list, row, &icon, LVIR_ICON));
      EXPECT_GT(InkedPixels(list, label), 20) << "view " << view << ", row " << row;
      EXPECT_GT(InkedPixels(list, icon), 20) << "icon, view " << view << ", row " << row;
    }
  }
}

// Choosing several programs: the extended selection, the View menu's check boxes, and
// "Uninstall" with more than one chosen opening the bulk window.

std::vector<std::wstring> BulkNames(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_BU_LIST);
  std::vector<std::wstring> names;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t buffer[128] = {};
    LVITEMW item{};
    item.pszText = buffer;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    names.push_back(buffer);
  }
  return names;
}

// Runs Uninstall and returns the programs the bulk window lists; closes whatever window opened
// unused (the wizard lists nothing).
std::vector<std::wstring> NamesOfBulkUninstall(TfMain& main) {
  std::vector<std::wstring> names;
  std::thread driver([&] {
    HWND dialog = WaitForDialogOwnedBy(main.Handle());
    if (!dialog) return;
    if (ControlText(dialog) == L"Bulk Uninstall") names = BulkNames(dialog);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  SendMessageW(main.Handle(), WM_COMMAND, MAKEWPARAM(cmUninstall, 0), 0);
  driver.join();
  return names;
}

// A click on a row, with Ctrl held when `add`.
void ClickRow(HWND list, int row, bool add, int x = -1) {
  RECT r{};
  ListView_GetItemRect(list, row, &r, LVIR_BOUNDS);
  const LPARAM at =
      MAKELPARAM(x >= 0 ? r.left + x : (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  const WPARAM keys = add ? MK_CONTROL : 0;
  SendMessageW(list, WM_MOUSEMOVE, keys, at);
  SendMessageW(list, WM_LBUTTONDOWN, keys | MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, keys, at);
}

bool Checked(TfMain& main, const std::wstring& caption) {
  for (size_t i = 0; i < main.Programs().Count(); ++i)
    if (main.Programs().Row(i).Caption == caption) return main.Programs().Row(i).Checked;
  return false;
}

TEST_F(MainWindowTest, SeveralChosenProgramsGoToTheBulkWindowInListOrderAndCheckBoxesAreKept) {
  TfMain& w = Start();
  Command(cmDetailsView);
  HWND list = w.lvPrograms().Handle();
  // Alpha Editor, Beta Player, Delta Browser, Gamma Tools. Delta is clicked last: the commands
  // for one program act on it.
  ClickRow(list, 2, false);
  ClickRow(list, 0, true);
  ClickRow(list, 2, true);  // off again
  ClickRow(list, 2, true);
  PumpMessages();
  EXPECT_EQ(SelectedCaption(), L"Delta Browser");
  EXPECT_EQ(NamesOfBulkUninstall(w),
            (std::vector<std::wstring>{L"Alpha Editor", L"Delta Browser"}));

  // Check boxes: Space ticks the selected rows, a click on a box ticks its row alone; ticked rows
  // win over the selection.
  Command(cmCheckBoxes);
  HMENU view = GetSubMenu(w.MainMenu(), TfMain::mpView);
  EXPECT_TRUE(GetMenuState(view, cmCheckBoxes, MF_BYCOMMAND) & MF_CHECKED);
  PressKey(list, VK_SPACE);
  ClickRow(list, 3, false, 8);
  PumpMessages();
  EXPECT_EQ(SelectedCaption(), L"Gamma Tools");
  EXPECT_EQ(NamesOfBulkUninstall(w), (std::vector<std::wstring>{L"Alpha Editor", L"Delta Browser",
                                                                 L"Gamma Tools"}));
  ClickRow(list, 0, false, 8);  // the box again: unticked
  PumpMessages();
  EXPECT_FALSE(Checked(w, L"Alpha Editor"));

  // The marks follow their programs through a rescan; the setting outlives the window.
  Command(cmRefresh);
  EXPECT_TRUE(Checked(w, L"Delta Browser") && Checked(w, L"Gamma Tools"));
  EXPECT_FALSE(Checked(w, L"Beta Player"));
  Close();
  TfMain& again = Start();
  EXPECT_TRUE(again.lvPrograms().CheckBoxes());
  Command(cmCheckBoxes);
  EXPECT_FALSE(again.lvPrograms().CheckBoxes());
  // Hidden boxes: the selection counts again, one program opens no bulk window.
  EXPECT_EQ(again.lvPrograms().ChosenRows().size(), 1u);
}

}  // namespace
