// The leftovers window on a program's real traces, and the ways to it from the main window.
#include "leftovers/LeftoversWindow.h"
#include "leftovers/LeftoversProgramDialog.h"

#include "app/MainWindowTestSupport.h"
#include "app/SideBar.h"
#include "widgets/SideBarLabel.h"
#include "backup/BackupStore.h"
#include "dialogs/LeftoversIds.h"
#include "dialogs/UninstallIds.h"
#include "uninstall/Logging.h"
#include "../uninstall/UninstallTestSupport.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[1024] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

int Rows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

int RowOf(HWND list, const std::wstring& path) {
  for (int row = 0; row < Rows(list); ++row)
    if (Cell(list, row, 1) == path) return row;
  return -1;
}

bool Ticked(HWND list, int row) {
  return (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) &
          LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void Focus(HWND list, int row) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool HasValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  win::UniqueHKey key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS &&
         RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
             ERROR_SUCCESS;
}

void SetString(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& text) {
  win::UniqueHKey key;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A program with a uniquely named trace of each kind in the test's own folders and in the real
// registry; what is left of them is removed again when the test ends.
struct TTracedProgram {
  TTempDir dir;
  std::wstring Name = L"Quillo" + std::to_wstring(GetCurrentProcessId()) +
                      std::to_wstring(GetTickCount() % 100000);
  std::wstring Install = dir.MakeFolder(L"Program Files\\" + Name);
  std::wstring Exe = dir.MakeFile(L"Program Files\\" + Name + L"\\quillo.exe");
  std::wstring Data = dir.MakeFolder(L"Local\\" + Name);           // named after it: Sure
  std::wstring Near = dir.MakeFolder(L"Local\\" + Name + L" Old");  // partly its name: not sure
  std::wstring Key = L"Software\\" + Name;
  TProgramFacts Facts;
  TLeftoverFinder Finder;

  TTracedProgram() {
    SetString(HKEY_CURRENT_USER, Key, L"Path", Install);
    SetString(HKEY_CURRENT_USER, kRun, Name, L"\"" + Exe + L"\" /tray");
    Facts = FactsFromName(Name, Install);
    Finder.Places.ProgramFolders = {dir.Path() + L"Program Files"};
    Finder.Places.DataFolders = {dir.Path() + L"Local"};
  }
  ~TTracedProgram() {
    RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str());
    win::UniqueHKey run;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, run.Put()) == ERROR_SUCCESS)
      RegDeleteValueW(run.Get(), Name.c_str());
  }
};

TEST(LeftoversWindow, TicksOnlyTheSureFindsSpaceTogglesAndRemoveDeletesAndLogsTheTickedOnes) {
  TTracedProgram program;
  const std::wstring log = program.dir.Path() + L"ULog.txt";
  TfLeftovers dialog(program.Facts, log);
  dialog.Finder = program.Finder;

  std::vector<std::wstring> kinds, paths, levels, whys, statuses;
  std::vector<bool> ticks;
  std::wstring title, evidence, question;
  bool removeEnabledWithNone = true, removeEnabledAfter = true;
  INT_PTR result;
  {
    TDialogDriver driver([&] {
      HWND hwnd = WaitForDialog(L"Leftovers");
      if (!hwnd) return;
      HWND list = GetDlgItem(hwnd, IDC_LO_LIST);
      title = ControlText(GetDlgItem(hwnd, IDC_LO_TITLE));
      if (!WaitUntil([list] { return Rows(list) > 0; }))
        return PostClick(GetDlgItem(hwnd, IDCANCEL));
      for (int row = 0; row < Rows(list); ++row) {
        paths.push_back(Cell(list, row, 1));
        levels.push_back(Cell(list, row, 2));
        whys.push_back(Cell(list, row, 3));
        ticks.push_back(Ticked(list, row));
        kinds.push_back(Cell(list, row, 0));
      }
      // The evidence of the selected find, in full.
      Focus(list, RowOf(list, L"HKEY_CURRENT_USER\\" + std::wstring(kRun) + L" \"" +
                                  program.Name + L"\""));
      evidence = ControlText(GetDlgItem(hwnd, IDC_LO_EVIDENCE));
      // Space clears every tick: Remove has nothing to do. Then it ticks the near-named folder
      // and the install folder again; the folder named after the program stays clear.
      for (int row = 0; row < Rows(list); ++row)
        if (Ticked(list, row)) {
          Focus(list, row);
          PressKey(list, VK_SPACE);
        }
      removeEnabledWithNone = IsWindowEnabled(GetDlgItem(hwnd, IDC_LO_REMOVE)) != FALSE;
      const std::wstring runValue =
          L"HKEY_CURRENT_USER\\" + std::wstring(kRun) + L" \"" + program.Name + L"\"";
      for (const std::wstring& path : {program.Near, program.Install, runValue}) {
        Focus(list, RowOf(list, path));
        PressKey(list, VK_SPACE);
      }
      PostClick(GetDlgItem(hwnd, IDC_LO_REMOVE));
      question = AnswerMessage(hwnd, IDYES);
      WaitUntil([&] { return !Cell(list, RowOf(list, program.Install), 4).empty(); });
      for (int row = 0; row < Rows(list); ++row) statuses.push_back(Cell(list, row, 4));
      removeEnabledAfter = IsWindowEnabled(GetDlgItem(hwnd, IDC_LO_REMOVE)) != FALSE;
      PostClick(GetDlgItem(hwnd, IDCANCEL));
    });
    result = dialog.ShowModal(nullptr);
  }
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(title, L"Leftovers of " + program.Name);

  // Every find listed under its kind, with its level in words and its strongest evidence; ticked
  // exactly when "Sure" or "Very sure".
  const std::vector<TLeftover>& finds = dialog.Finds();
  ASSERT_EQ(paths.size(), finds.size());
  ASSERT_GE(finds.size(), 5u);
  for (size_t i = 0; i < finds.size(); ++i) {
    EXPECT_EQ(levels[i], LevelCaption(finds[i].Level)) << win::ToUtf8(paths[i]);
    EXPECT_EQ(whys[i], finds[i].Evidence.at(0)) << win::ToUtf8(paths[i]);
    EXPECT_EQ(ticks[i], levels[i] == L"Sure" || levels[i] == L"Very sure") << win::ToUtf8(paths[i]);
    EXPECT_EQ(kinds[i], TfLeftovers::KindCaption(finds[i].Kind)) << win::ToUtf8(paths[i]);
  }
  auto levelOf = [&](const std::wstring& path) {
    for (size_t i = 0; i < paths.size(); ++i)
      if (paths[i] == path) return levels[i];
    return std::wstring(L"<not listed>");
  };
  EXPECT_EQ(levelOf(program.Install), L"Very sure");
  EXPECT_EQ(levelOf(program.Data), L"Sure");
  EXPECT_NE(levelOf(program.Near), L"Sure");
  EXPECT_NE(levelOf(program.Near), L"<not listed>");
  EXPECT_EQ(levelOf(L"HKEY_CURRENT_USER\\" + program.Key), L"Sure");
  // Ordered by kind: the folders, the key, the value.
  EXPECT_EQ(kinds, (std::vector<std::wstring>{L"Folder", L"Folder", L"Folder", L"Registry key",
                                               L"Registry value"}));
  EXPECT_TRUE(evidence.starts_with(L"HKEY_CURRENT_USER\\" + std::wstring(kRun) + L"\r\nValue: " +
                                   program.Name + L"\r\nVery sure (score "))
      << win::ToUtf8(evidence);
  EXPECT_NE(evidence.find(L"\r\nIts Run value starts the program from its install folder."),
            std::wstring::npos)
      << win::ToUtf8(evidence);

  // Only what was ticked by Space went; the Run value alone, not its key.
  EXPECT_FALSE(removeEnabledWithNone);
  EXPECT_FALSE(removeEnabledAfter);
  EXPECT_EQ(question, L"The items you have selected will be deleted.\rAre you sure ?");
  EXPECT_FALSE(Exists(program.Install));
  EXPECT_FALSE(Exists(program.Near));
  EXPECT_TRUE(Exists(program.Data));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, kRun, program.Name));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, program.Key, L"Path"));
  for (size_t i = 0; i < paths.size(); ++i) {
    const bool removed = paths[i] == program.Install || paths[i] == program.Near ||
                         paths[i].ends_with(L"\"" + program.Name + L"\"");
    EXPECT_EQ(statuses.at(i), removed ? L"OK" : L"") << win::ToUtf8(paths[i]);
  }
  // The log names the program and each removed row; the value was saved for Restore.
  const std::string written = ReadBytes(log);
  EXPECT_NE(written.find("Removing leftovers of " + win::ToUtf8(program.Name)), std::string::npos)
      << written;
  for (const std::wstring& path : {program.Install, program.Near})
    EXPECT_NE(written.find(win::ToUtf8(path) + ".....OK"), std::string::npos) << written;
  const std::vector<TBackupAction> backups = ListBackups(program.dir.Path() + L"Backups");
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(backups[0].Subject, program.Name);
}

TEST(RemovedProgramDialog, OffersTheUninstallEntriesSavedWithTheBackupsAndReadsThemBack) {
  TTestKey key;
  TTempDir dir;
  const std::wstring root = dir.Path() + L"Backups";
  key.AddProgram(L"Gone", L"Gone Editor Ω", L"gone.exe");
  key.SetString(L"Uninstall\\Gone", L"Publisher", L"Gone Works");
  key.SetString(L"Vendor", L"Path", L"C:\\Vendor");
  TBackup entry(root, L"Clean-Up", L"Gone Editor Ω");
  entry.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Uninstall\\Gone");
  TBackup other(root, L"Leftovers", L"Vendor Tool");  // no entry in it
  other.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Vendor");

  const auto entries = TfRemovedProgram::SavedEntries(root);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].Caption.starts_with(L"Gone Editor Ω (Clean-Up, "))
      << win::ToUtf8(entries[0].Caption);
  const TProgramFacts facts = FactsFromSavedEntry(entries[0].RegFile);
  EXPECT_EQ(facts.Name, L"Gone Editor Ω");
  EXPECT_EQ(facts.Publisher, L"Gone Works");
  // A Backups folder that cannot be read offers nothing.
  EXPECT_TRUE(TfRemovedProgram::SavedEntries(dir.MakeFile(L"NotAFolder")).empty());
}

using main_window_testing::MainWindowTest;

// The title of the leftovers window a command opens; the window is closed again.
std::wstring LeftoversTitleAfter(const std::function<void()>& command,
                                 const std::function<void()>& before = {}) {
  std::wstring title;
  TDialogDriver driver([&] {
    if (before) before();
    HWND hwnd = WaitForDialog(L"Leftovers");
    if (!hwnd) return;
    title = ControlText(GetDlgItem(hwnd, IDC_LO_TITLE));
    PostClick(GetDlgItem(hwnd, IDCANCEL));
  });
  command();
  return title;
}

TEST_F(MainWindowTest, FindLeftoversOpensTheWindowForTheSelectedProgramOrOneNamedAsRemoved) {
  TfMain& w = Start();
  // In the Uninstall menu after "Assisted Uninstall...", and in the popup after "Uninstall...".
  HMENU uninstall = GetSubMenu(w.MainMenu(), TfMain::mpUninstall);
  EXPECT_EQ(GetMenuItemID(uninstall, 2), static_cast<UINT>(cmFindLeftovers));
  EXPECT_EQ(GetMenuItemID(w.PopupMenu(), 1), static_cast<UINT>(cmFindLeftovers));

  w.lvPrograms().Select(3, false);
  ASSERT_EQ(SelectedCaption(), L"Gamma Tools");
  EXPECT_EQ(LeftoversTitleAfter([&] { Command(cmFindLeftovers); }), L"Leftovers of Gamma Tools");
  // The side bar's link does the same.
  w.lvPrograms().Select(1, false);
  EXPECT_EQ(LeftoversTitleAfter([&] {
              SendMessageW(w.SideBar().LeftoversLink().Handle(), WM_KEYDOWN, VK_RETURN, 1);
              PumpMessages();
            }),
            L"Leftovers of Beta Player");

  // File, "Find leftovers of a removed program...": a typed name.
  const std::wstring typed = L"Long Gone Ω Editor";
  auto typeName = [&] {
    HWND named = WaitForDialog(L"Find Leftovers of a Removed Program");
    if (!named) return;
    SendMessageW(GetDlgItem(named, IDC_RP_NAME), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(typed.c_str()));
    PostClick(GetDlgItem(named, IDOK));
  };
  EXPECT_EQ(LeftoversTitleAfter([&] { Command(cmFindRemovedLeftovers); }, typeName),
            L"Leftovers of " + typed);
}

TEST_F(MainWindowTest, AfterAnUninstallTheWizardOffersLeftoversOfTheEntryReadBeforeItsUninstaller) {
  TNewBackups backups(BackupRootBeside(TLogging::LogPath()));
  // A sloppy uninstaller: it removes its entry and its main program file, and leaves its folder.
  auto program = InstallSample(key, dir, L"Sloppy", L"Sloppy Sample Writer", L"/only program.exe");
  key.SetString(program.Key, L"InstallLocation", program.Folder);
  dir.MakeFile(L"Programs\\Sloppy\\settings.ini");
  TfMain& w = Start();
  for (size_t i = 0; i < w.Programs().Count(); ++i)
    if (w.Programs().Row(i).Caption == L"Sloppy Sample Writer")
      w.lvPrograms().Select(static_cast<int>(i), false);
  ASSERT_EQ(SelectedCaption(), L"Sloppy Sample Writer");

  std::wstring title, installRow;
  {
    TDialogDriver driver([&] {
      HWND wizard = WaitForDialog(L"Uninstall");
      if (!wizard) return;
      HWND forward = GetDlgItem(wizard, IDC_UN_FORWARD);
      PostClick(forward);  // "Uninstall"
      if (!WaitUninstallerEnded(forward)) return;
      PostClick(forward);  // "Continue"
      HWND offer = GetDlgItem(wizard, IDC_UN_LEFTOVERS);
      if (!WaitUntil([offer] { return IsWindowVisible(offer) != FALSE; }))
        return PostClick(GetDlgItem(wizard, IDCANCEL));
      PostClick(offer);
      HWND window = WaitForDialog(L"Leftovers");
      if (!window) return;
      title = ControlText(GetDlgItem(window, IDC_LO_TITLE));
      HWND list = GetDlgItem(window, IDC_LO_LIST);
      WaitUntil([list] { return Rows(list) > 0; });
      const int row = RowOf(list, program.Folder);
      if (row >= 0) installRow = Cell(list, row, 2) + (Ticked(list, row) ? L", ticked" : L"");
      PostClick(GetDlgItem(window, IDCANCEL));
    });
    Command(cmUninstall);
  }
  EXPECT_FALSE(key.Exists(program.Key));
  EXPECT_EQ(title, L"Leftovers of Sloppy Sample Writer");
  // Its install folder was known only from the entry the uninstaller removed.
  EXPECT_EQ(installRow, L"Very sure, ticked");
  // The entry was saved before the uninstaller ran, for Restore and for a later search.
  const std::vector<TBackupAction> saved = backups.New();
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].Action, L"Uninstall");
  EXPECT_EQ(saved[0].Subject, L"Sloppy Sample Writer");
}

}  // namespace
