// The main window, created for real on the test display and driven as a user drives it.
#include "app/Main.h"

#include "app/SideBar.h"
#include "dialogs/DeleteIds.h"
#include "dialogs/UninstallIds.h"
#include "inventory/UninstallItem.h"
#include "support/GuiDriver.h"
#include "support/PrintedPdf.h"
#include "support/TestMachine.h"
#include "widgets/SideBarHeader.h"
#include "widgets/UPClickSplitter.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>

using namespace testing_support;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
  MainWindowTest() {
    key.AddProgram(L"A", L"Alpha Editor", L"alpha.exe");
    key.AddProgram(L"B", L"Beta Player", L"beta.exe");
    key.AddProgram(L"C", L"Gamma Tools", L"gamma.exe");
    key.AddProgram(L"D", L"Delta Browser", L"delta.exe");
  }
  ~MainWindowTest() override {
    main.reset();
    PumpMessages();
  }

  // Creates and shows the main window as start-up does.
  TfMain& Start(std::vector<std::wstring> parameters = {}) {
    settings = std::make_unique<TWinSettings>(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\");
    main = std::make_unique<TfMain>(*settings, TCommandLine(std::move(parameters)),
                                    std::vector<TUninstallSource>{key.Source()});
    main->Create();
    if (!main->Terminated()) main->Show(SW_SHOWNORMAL);
    PumpMessages();
    return *main;
  }
  void Close() {
    DestroyWindow(main->Handle());
    PumpMessages();
    main.reset();
  }
  std::wstring SelectedCaption() {
    TProgramRow* row = main->lvPrograms().SelectedRow();
    return row ? row->Caption : L"<none>";
  }
  void Command(int id) {
    SendMessageW(main->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    PumpMessages();
  }
  std::wstring Text(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
  }
  void ClickToolbarButton(int id) {
    RECT r{};
    SendMessageW(main->Toolbar(), TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&r));
    Click(main->Toolbar(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PumpMessages();
  }

  win::ComInit com;
  TTestKey key;
  TTempDir dir;
  std::unique_ptr<TWinSettings> settings;
  std::unique_ptr<TfMain> main;
};

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

TEST_F(MainWindowTest, EnterAndDoubleClickWithoutASelectionDoNothing) {
  TfMain& w = Start();
  w.lvPrograms().ClearSelection();
  TMessageBoxWatcher box;
  PressKey(w.lvPrograms().Handle(), VK_RETURN);
  PumpMessages();
  box.Finish();
  EXPECT_FALSE(box.Seen());
}

// Runs the message loop as the program does, menu shortcut keys included.
void PumpWithShortcuts(TfMain& w) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (w.PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
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
    SendMessageW(w.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(w.MainMenu(), 2)),
                 2);
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

TEST_F(MainWindowTest, RefreshKeepsThePositionOfTheSelection) {
  TfMain& w = Start();
  w.lvPrograms().Select(1, false);  // Beta Player
  RegDeleteKeyW(HKEY_CURRENT_USER, (key.Path() + L"\\Uninstall\\B").c_str());
  Command(cmRefresh);
  EXPECT_EQ(w.Programs().Count(), 3u);
  EXPECT_EQ(SelectedCaption(), L"Delta Browser");  // moved into position 1
  EXPECT_EQ(w.StatusText(), L"3 program(s) available for uninstall");

  w.lvPrograms().Select(2, false);  // the last row
  RegDeleteKeyW(HKEY_CURRENT_USER, (key.Path() + L"\\Uninstall\\C").c_str());
  Command(cmRefresh);
  EXPECT_EQ(SelectedCaption(), L"Alpha Editor");

  for (const wchar_t* k : {L"A", L"D"})
    RegDeleteKeyW(HKEY_CURRENT_USER, (key.Path() + L"\\Uninstall\\" + k).c_str());
  Command(cmRefresh);
  EXPECT_EQ(w.Programs().Count(), 0u);
  EXPECT_EQ(w.lvPrograms().Selected(), -1);
}

TEST_F(MainWindowTest, ThePopupMenuIsEnabledOnlyWithASelection) {
  TfMain& w = Start();
  for (bool selected : {true, false}) {
    if (!selected) w.lvPrograms().ClearSelection();
    // The menu is modal; close it from outside once it is up.
    std::thread closer([hwnd = w.Handle()] {
      for (int i = 0; i < 200 && !FindWindowW(L"#32768", nullptr); ++i) Sleep(10);
      PostMessageW(hwnd, WM_CANCELMODE, 0, 0);
    });
    SendMessageW(w.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.lvPrograms().Handle()),
                 MAKELPARAM(100, 100));
    closer.join();
    for (int i = 0; i < GetMenuItemCount(w.PopupMenu()); ++i)
      EXPECT_EQ((GetMenuState(w.PopupMenu(), static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0,
                !selected)
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

// A drop of files from the shell, as Explorer sends it.
HGLOBAL MakeDrop(const std::vector<std::wstring>& files) {
  std::wstring list;
  for (const auto& f : files) list += f + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

void MakeShortcut(const std::wstring& path, const std::wstring& target, const std::wstring& icon) {
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, link.PutVoid())));
  link->SetPath(target.c_str());
  if (!icon.empty()) link->SetIconLocation(icon.c_str(), 0);
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())));
  ASSERT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE)));
}

TEST_F(MainWindowTest, DroppedShortcutsProposeNewProgramEntries) {
  TfMain& w = Start();
  std::wstring target = dir.MakeFile(L"App\\app.exe");
  std::wstring icon = dir.MakeFile(L"App\\app.ico");
  MakeShortcut(dir.Path() + L"My App.lnk", target, L"");
  MakeShortcut(dir.Path() + L"Другое.lnk", target, icon);
  MakeShortcut(dir.Path() + L"Upper.LNK", target, L"");
  std::wstring text = dir.MakeFile(L"notes.txt");
  std::wstring folder = dir.MakeFolder(L"Folder.lnk");

  SendMessageW(w.Handle(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(MakeDrop({text, dir.Path() + L"My App.lnk", folder,
                                                  dir.Path() + L"Upper.LNK",
                                                  dir.Path() + L"Другое.lnk"})),
               0);
  const auto& dropped = w.DroppedPrograms();
  ASSERT_EQ(dropped.size(), 2u);
  EXPECT_EQ(dropped[0].KeyName, L"My App");
  EXPECT_EQ(dropped[0].DisplayName, L"My App");
  EXPECT_EQ(dropped[0].RegistryPath,
            L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My App");
  EXPECT_EQ(dropped[0].UninstallCommand, target);
  EXPECT_EQ(dropped[0].DisplayIcon, target);  // no icon of its own: the target
  EXPECT_EQ(dropped[1].KeyName, L"Другое");
  EXPECT_EQ(dropped[1].DisplayIcon, icon);
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
  wchar_t text[64] = {};
  LVITEMW item{};
  item.iSubItem = 1;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(w.lvPrograms().Handle(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, L"alpha.exe");
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
  for (int i = 0; i < 50 && !box.Seen(); ++i) {
    PumpMessages();
    Sleep(10);
  }
  box.Finish();
  EXPECT_EQ(box.Text(), L"There program you are looking for (No Such Program) was not found");
  EXPECT_TRUE(IsWindowVisible(w.Handle()));
  EXPECT_TRUE(SkipWelcome);
}

}  // namespace
