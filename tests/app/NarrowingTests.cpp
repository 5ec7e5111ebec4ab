// Narrowing the program list: the filter over a real scan, and the main window's filter box,
// View > Show and Options driven as a user drives them.
#include "app/Main.h"
#include "app/Options.h"
#include "dialogs/OptionsIds.h"
#include "inventory/NormalUninstall.h"
#include "inventory/ProgramFilter.h"
#include "inventory/ProgramFinder.h"
#include "support/GuiDriver.h"
#include "support/TestMachine.h"
#include "uninstall/Logging.h"
#include "win/Window.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace testing_support;

namespace {

using P = TSourceTrees;

// Seven programs, one of each kind the Show choices and the hide option tell apart.
void AddNarrowingPrograms(TSourceTrees& trees) {
  const std::wstring present = SystemExe(L"notepad.exe");
  trees.AddProgram(P::Machine, L"Alpha", L"Alpha Editor", present);
  trees.AddProgram(P::Machine32, L"Beta", L"Beta Player", present);
  trees.AddProgram(P::User, L"Delta", L"Delta Browser", present);
  trees.AddProgram(P::Machine, L"Gamma", L"Gamma Tools", L"C:\\missing\\gamma-uninst.exe");
  trees.AddProgram(P::Machine, L"Sys", L"Epsilon Runtime Component", present);
  trees.AddProgram(P::Machine, L"KB1", L"Hotfix for Alpha Editor (KB1)", present);
  trees.AddProgram(P::Machine, L"Rel", L"Zeta Security Patch", present);
  auto text = [&trees](const wchar_t* key, const wchar_t* name, const std::wstring& value) {
    trees.SetRaw(P::Machine, key, name, REG_SZ, value.c_str(),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  };
  auto one = [&trees](P::TPlace place, const wchar_t* key, const wchar_t* name) {
    DWORD value = 1;
    trees.SetRaw(place, key, name, REG_DWORD, &value, sizeof value);
  };
  text(L"Alpha", L"Publisher", L"Zephyr Soft");
  one(P::Machine, L"Alpha", L"WindowsInstaller");
  const std::wstring location = L"C:\\Apps\\ZEPHYR Media";
  trees.SetRaw(P::Machine32, L"Beta", L"InstallLocation", REG_SZ, location.c_str(),
               static_cast<DWORD>((location.size() + 1) * sizeof(wchar_t)));
  one(P::Machine, L"Sys", L"SystemComponent");
  text(L"KB1", L"ParentKeyName", L"Alpha");
  text(L"Rel", L"ReleaseType", L"Security Update");
}

std::vector<std::wstring> Shown(const TProgramFilter& filter) {
  std::vector<std::wstring> captions;
  for (size_t i = 0; i < filter.Count(); ++i) captions.push_back(filter.Row(i).Caption);
  return captions;
}

using Names = std::vector<std::wstring>;

TEST(ProgramFilter, KeepsRowsByTextInNamePublisherAndFolderAndByKind) {
  TSourceTrees trees;
  AddNarrowingPrograms(trees);
  TProgramList list;
  TNormalUninstall scanner(trees.Sources());
  scanner.SetListView(&list);
  scanner.Scan();
  ASSERT_EQ(list.Count(), 7u);
  TProgramFilter filter(list);
  filter.Refresh();
  EXPECT_FALSE(filter.Narrowed());
  EXPECT_EQ(filter.Count(), 7u);

  filter.SetText(L"zephyr");  // the publisher of one, the install folder of the other
  EXPECT_EQ(Shown(filter), (Names{L"Alpha Editor", L"Beta Player"}));
  EXPECT_TRUE(filter.Narrowed());
  filter.SetText(L"editorzephyr");  // never across the end of one text into the next
  EXPECT_EQ(filter.Count(), 0u);
  // Typed on, then taken back: what a longer text hid comes back.
  filter.SetText(L"Z");
  EXPECT_EQ(Shown(filter), (Names{L"Alpha Editor", L"Beta Player", L"Zeta Security Patch"}));
  filter.SetText(L"ZEP");
  EXPECT_EQ(filter.Count(), 2u);
  filter.SetText(L"ze");
  EXPECT_EQ(Shown(filter), (Names{L"Alpha Editor", L"Beta Player", L"Zeta Security Patch"}));
  EXPECT_EQ(filter.PositionOf(&list.Row(2)), -1);  // Delta Browser is hidden
  EXPECT_EQ(filter.PositionOf(&list.Row(6)), 2);

  filter.SetText(L"");
  struct {
    TListNarrowing Narrowing;
    Names Expected;
  } kinds[] = {
      {{TShowKind::MissingUninstaller, false}, {L"Gamma Tools"}},
      {{TShowKind::PerUser, false}, {L"Delta Browser"}},
      {{TShowKind::Bit32, false}, {L"Beta Player"}},
      {{TShowKind::WindowsInstaller, false}, {L"Alpha Editor"}},
      {{TShowKind::All, true},
       {L"Alpha Editor", L"Beta Player", L"Delta Browser", L"Gamma Tools"}},
      {{TShowKind::MissingUninstaller, true}, {L"Gamma Tools"}},
  };
  for (const auto& kind : kinds) {
    filter.SetNarrowing(kind.Narrowing);
    EXPECT_EQ(Shown(filter), kind.Expected) << static_cast<int>(kind.Narrowing.Show);
  }
  // Text and kind together; Find then searches only the shown rows, by their positions.
  filter.SetNarrowing({TShowKind::All, true});
  filter.SetText(L"a");
  EXPECT_EQ(Shown(filter),
            (Names{L"Alpha Editor", L"Beta Player", L"Delta Browser", L"Gamma Tools"}));
  EXPECT_EQ(FindNextMatch(filter, 0, L"tools"), 3);
  EXPECT_FALSE(FindNextMatch(filter, 0, L"hotfix"));
  EXPECT_EQ(FindCaption(filter, 0, L"gam", false), 3);

  // A rescan brings rows the text matches; the filter reads them when told of the change.
  trees.AddProgram(P::User, L"Notes", L"Zephyr Notes", SystemExe(L"notepad.exe"));
  scanner.Scan();
  filter.Refresh();
  filter.SetText(L"zephyr");
  EXPECT_EQ(Shown(filter), (Names{L"Alpha Editor", L"Beta Player", L"Zephyr Notes"}));
  // An install folder derived after the texts were read is searched once the filter is told,
  // typed on or not.
  filter.SetText(L"");
  filter.Prepare();
  list.Row(2).InstallFolder = L"C:\\Program Files\\Quillwort";
  filter.ForgetTexts();
  filter.SetText(L"quill");
  EXPECT_EQ(Shown(filter), (Names{L"Delta Browser"}));
}

TEST(LogFileProblem, AcceptsAFullPathInAnExistingFolderAndSaysWhatIsWrongOtherwise) {
  TTempDir dir;
  EXPECT_EQ(LogFileProblem(L""), L"");
  EXPECT_EQ(LogFileProblem(dir.Path() + L"new log.txt"), L"");
  EXPECT_EQ(LogFileProblem(dir.MakeFile(L"\u65E5\u8A8C.txt")), L"");
  EXPECT_EQ(LogFileProblem(L"ULog.txt"),
            L"Give the log file with its full path, such as C:\\Logs\\ULog.txt.");
  EXPECT_EQ(LogFileProblem(dir.Path()),
            L"\"" + dir.Path() + L"\" is a folder. Give the name of a file in it, such as " +
                dir.Path() + L"ULog.txt.");
  EXPECT_EQ(LogFileProblem(dir.Path() + L"gone\\ULog.txt"),
            L"The folder \"" + dir.Path() +
                L"gone\\\" does not exist. Choose a log file in an existing folder.");
}

// The main window over the seven programs, made and shown as start-up does.
class NarrowingWindowTest : public ::testing::Test {
protected:
  NarrowingWindowTest() { AddNarrowingPrograms(trees); }
  ~NarrowingWindowTest() override {
    main.reset();
    PumpMessages();
  }
  TfMain& Start() {
    settings = std::make_unique<TWinSettings>(L"Desktop", HKEY_CURRENT_USER,
                                              settingsKey.Path() + L"\\");
    main = std::make_unique<TfMain>(*settings, TCommandLine({}), trees.Sources());
    main->Create();
    main->Show(SW_SHOWNORMAL);
    PumpMessages();
    return *main;
  }
  void Restart() {
    DestroyWindow(main->Handle());  // saves the settings
    PumpMessages();
    main.reset();
    Start();
  }
  void Command(int id) {
    SendMessageW(main->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    PumpMessages();
  }
  // The captions of the rows the list view shows, as it asks for them.
  Names ListRows() {
    HWND list = main->lvPrograms().Handle();
    Names rows;
    for (int i = 0, n = ListView_GetItemCount(list); i < n; ++i) {
      wchar_t text[128] = {};
      ListView_GetItemText(list, i, 0, text, 128);
      rows.push_back(text);
    }
    return rows;
  }
  std::wstring SelectedCaption() {
    TProgramRow* row = main->lvPrograms().SelectedRow();
    return row ? row->Caption : L"<none>";
  }
  bool MenuChecked(int id) {
    return (GetMenuState(main->MainMenu(), static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
  }
  // Keys as the keyboard delivers them to a control, through the program's own loop. Sent to the
  // control itself: other tests' windows on the display may take the activation meanwhile.
  void Key(HWND control, WPARAM key, bool withControl = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = withControl ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(control, WM_KEYDOWN, key, 1);
    PostMessageW(control, WM_KEYUP, key, 0xC0000001);
    Pump();
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
  }
  void Type(const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(main->FilterEdit(), WM_CHAR, c, 1);
    Pump();
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (main->PreTranslateMessage(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  win::ComInit com;
  TSourceTrees trees;
  TTestKey settingsKey;
  std::unique_ptr<TWinSettings> settings;
  std::unique_ptr<TfMain> main;
};

TEST_F(NarrowingWindowTest, TheFilterBoxNarrowsAsTypedKeepsTheSelectionAndEscShowsAllAgain) {
  TfMain& w = Start();
  EXPECT_EQ(w.StatusText(), L"7 program(s) available for uninstall");
  w.lvPrograms().Select(4, false);  // Gamma Tools
  if (GetActiveWindow() != w.Handle()) SetActiveWindow(w.Handle());
  SetFocus(w.lvPrograms().Handle());
  Key(w.lvPrograms().Handle(), 'F', true);
  // Judged while the window is active: another test's window on the display may take it.
  if (GetActiveWindow() == w.Handle()) {
    EXPECT_EQ(GetFocus(), w.FilterEdit());
  }

  Type(L"TOOLS");
  EXPECT_EQ(ListRows(), (Names{L"Gamma Tools"}));
  EXPECT_EQ(w.StatusText(), L"1 of 7 programs shown");
  EXPECT_EQ(SelectedCaption(), L"Gamma Tools") << "the selection follows its program";
  Type(L"x");
  EXPECT_EQ(ListRows(), Names{});
  EXPECT_EQ(w.StatusText(), L"0 of 7 programs shown");
  EXPECT_EQ(SelectedCaption(), L"<none>") << "no command may act on a hidden program";
  Key(w.FilterEdit(), VK_BACK);
  EXPECT_EQ(win::WindowText(w.FilterEdit()), L"TOOLS");
  EXPECT_EQ(ListRows(), (Names{L"Gamma Tools"}));

  // Esc empties the box: every row again, the program still selected, the usual count.
  Key(w.FilterEdit(), VK_ESCAPE);
  EXPECT_EQ(win::WindowText(w.FilterEdit()), L"");
  EXPECT_EQ(ListRows().size(), 7u);
  EXPECT_EQ(w.StatusText(), L"7 program(s) available for uninstall");
  EXPECT_EQ(SelectedCaption(), L"Gamma Tools");
  EXPECT_TRUE(IsWindow(w.Handle())) << "Esc is no cancel command of the main window";

  // Enter goes on to the list with a row selected, ready for the keys that act on it.
  Type(L"zephyr");
  EXPECT_EQ(ListRows(), (Names{L"Alpha Editor", L"Beta Player"}));
  Key(w.FilterEdit(), VK_RETURN);
  if (GetActiveWindow() == w.Handle()) {
    EXPECT_EQ(GetFocus(), w.lvPrograms().Handle());
  }
  EXPECT_EQ(SelectedCaption(), L"Alpha Editor");
}

TEST_F(NarrowingWindowTest, EachShowChoiceIsTickedAndKeptAcrossARestart) {
  TfMain& w = Start();
  EXPECT_TRUE(MenuChecked(cmShowAll));
  EXPECT_FALSE(MenuChecked(cmHideSystemEntries));
  struct {
    int Command;
    Names Expected;
  } choices[] = {{cmShowMissingUninstaller, {L"Gamma Tools"}},
                 {cmShowPerUser, {L"Delta Browser"}},
                 {cmShow32Bit, {L"Beta Player"}},
                 {cmShowWindowsInstaller, {L"Alpha Editor"}},
                 {cmShowAll, {L"Alpha Editor", L"Beta Player", L"Delta Browser",
                              L"Epsilon Runtime Component", L"Gamma Tools",
                              L"Hotfix for Alpha Editor (KB1)", L"Zeta Security Patch"}}};
  for (const auto& choice : choices) {
    Command(choice.Command);
    EXPECT_EQ(ListRows(), choice.Expected) << choice.Command;
    for (int id = cmShowAll; id <= cmShowWindowsInstaller; ++id)
      EXPECT_EQ(MenuChecked(id), id == choice.Command) << choice.Command << " " << id;
  }
  Command(cmHideSystemEntries);
  EXPECT_TRUE(MenuChecked(cmHideSystemEntries));
  EXPECT_EQ(ListRows(), (Names{L"Alpha Editor", L"Beta Player", L"Delta Browser", L"Gamma Tools"}));
  EXPECT_EQ(w.StatusText(), L"4 of 7 programs shown");
  Command(cmShowMissingUninstaller);

  Restart();
  EXPECT_EQ(ListRows(), (Names{L"Gamma Tools"}));
  EXPECT_TRUE(MenuChecked(cmShowMissingUninstaller));
  EXPECT_TRUE(MenuChecked(cmHideSystemEntries));
  EXPECT_EQ(main->StatusText(), L"1 of 7 programs shown");
  EXPECT_EQ(SelectedCaption(), L"Gamma Tools");
}

TEST_F(NarrowingWindowTest, OptionsApplyOnOkAndCancelLeavesEverythingAsItWas) {
  TTempDir dir;
  const std::wstring logFile = dir.Path() + L"\u65E5\u8A8C.txt";
  TfMain& w = Start();
  const std::wstring besideProgram = TLogging::LogPath();
  // Makes every change the window offers, then leaves it with the button given.
  auto change = [&](int button) {
    std::wstring problem;
    std::thread user([&] {
      HWND dialog = WaitForDialog(L"Options");
      if (!dialog) return;
      SendDlgItemMessageW(dialog, IDC_OPT_SHOW, CB_SETCURSEL, 2, 0);  // per-user
      for (int box : {IDC_OPT_HIDE_SYSTEM, IDC_OPT_RECYCLE_BIN, IDC_OPT_LEFTOVERS, IDC_OPT_QUIET})
        SendDlgItemMessageW(dialog, box, BM_CLICK, 0, 0);
      if (button == IDOK) {  // a folder that is not there first: told, and the window stays
        SetDlgItemTextW(dialog, IDC_OPT_LOG_FILE, (dir.Path() + L"gone\\ULog.txt").c_str());
        PostClick(GetDlgItem(dialog, IDOK));
        HWND box = WaitForDialogOwnedBy(dialog);
        problem = box ? ControlText(GetDlgItem(box, 0xFFFF)) : L"<no message>";
        if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      SetDlgItemTextW(dialog, IDC_OPT_LOG_FILE, logFile.c_str());
      PostClick(GetDlgItem(dialog, button));
    });
    Command(cmOptions);
    user.join();
    return problem;
  };

  change(IDCANCEL);
  EXPECT_EQ(ListRows().size(), 7u);
  EXPECT_TRUE(MenuChecked(cmShowAll));
  EXPECT_TRUE(settings->UseRecycleBin());
  EXPECT_TRUE(settings->SearchLeftoversAfterUninstall());
  EXPECT_TRUE(settings->QuietUninstallWherePossible());
  EXPECT_EQ(settings->LogFile(), L"");
  EXPECT_EQ(TLogging::LogPath(), besideProgram);

  EXPECT_EQ(change(IDOK), L"The folder \"" + dir.Path() +
                              L"gone\\\" does not exist. Choose a log file in an existing folder.");
  EXPECT_EQ(ListRows(), (Names{L"Delta Browser"}));
  EXPECT_TRUE(MenuChecked(cmShowPerUser));
  EXPECT_TRUE(MenuChecked(cmHideSystemEntries));
  EXPECT_EQ(w.StatusText(), L"1 of 7 programs shown");
  EXPECT_FALSE(settings->UseRecycleBin());
  EXPECT_FALSE(settings->SearchLeftoversAfterUninstall());
  EXPECT_FALSE(settings->QuietUninstallWherePossible());
  EXPECT_EQ(TLogging::LogPath(), logFile) << "every reader and writer of the log asks here";
  // Kept at once, not only when the window closes.
  TWinSettings stored(L"Desktop", HKEY_CURRENT_USER, settingsKey.Path() + L"\\");
  stored.LoadSettings();
  EXPECT_EQ(stored.LogFile(), logFile);
  EXPECT_EQ(stored.Narrowing(), (TListNarrowing{TShowKind::PerUser, true}));
  EXPECT_FALSE(stored.UseRecycleBin());
}

}  // namespace
