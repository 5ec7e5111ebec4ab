// The assisted uninstall without its window: what it proposes from the chosen files, what it
// lists, deletes and logs, on folders and keys each test makes.
#include "assisted/AssistedUninstall.h"

#include "../uninstall/UninstallTestSupport.h"
#include "assisted/ProtectedPlaces.h"
#include "support/TestMachine.h"
#include "win/RegistryTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>

using namespace testing_support;

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct TShownRow {
  std::wstring Kind, Path, Status;
  bool Checked;
  bool operator==(const TShownRow&) const = default;
};

void PrintTo(const TShownRow& row, std::ostream* out) {
  *out << win::ToUtf8(row.Kind) << " " << win::ToUtf8(row.Path) << " " << win::ToUtf8(row.Status)
       << (row.Checked ? " [x]" : " [ ]");
}

std::vector<TShownRow> Shown(const TDeleteRows& rows) {
  std::vector<TShownRow> shown;
  for (const TDeleteRow& row : rows) shown.push_back({row.Kind, row.Path(), row.Status(), row.Checked});
  return shown;
}

// A machine of its own in a temporary folder: a program files folder and the two Start-menu
// programs folders, pointed at by the wizard.
class AssistedUninstallTest : public ::testing::Test {
protected:
  AssistedUninstallTest()
      : programFiles(dir.MakeFolder(L"Program Files") + L"\\"),
        userPrograms(dir.MakeFolder(L"User Programs") + L"\\"),
        commonPrograms(dir.MakeFolder(L"Common Programs") + L"\\"),
        log(dir.Path() + L"ULog.txt"),
        wizard(rootTree, startTree, regTree, extTree, log) {
    wizard.ProgramFilesDir = programFiles;
    wizard.UserProgramsDir = userPrograms;
    wizard.CommonProgramsDir = commonPrograms;
  }

  // Pages 0 to 5 as "&Next >" walks them.
  void WalkToConfirmation() {
    wizard.PageShown(TAssistedUninstall::tsDesktopIcons);
    wizard.CollectSelectedFiles();
    for (int page = TAssistedUninstall::tsRootFolder; page <= TAssistedUninstall::tsConfirmation; ++page)
      wizard.PageShown(static_cast<TAssistedUninstall::TPage>(page));
  }

  // The node of a key, opened down to it: in the extensions page's tree for a key of
  // HKEY_CLASSES_ROOT, else in the registry page's.
  TCheckNode& KeyNode(const std::wstring& path, HKEY root = HKEY_CURRENT_USER) {
    TTreeRegCtrl& tree = root == HKEY_CLASSES_ROOT ? wizard.Extensions : wizard.RegEntries;
    tree.LocateRoot(root, path);
    std::vector<TCheckNode*> todo{tree.ComputerNode()};
    while (!todo.empty()) {
      TCheckNode* node = todo.back();
      todo.pop_back();
      auto* key = node->RecordAs<TKeyNodeData>();
      if (key && key->RootKey == root && _wcsicmp(key->Path.c_str(), path.c_str()) == 0)
        return *node;
      for (size_t i = 0; i < node->ChildCount(); ++i) todo.push_back(&node->Child(i));
    }
    throw std::runtime_error("no node for " + win::ToUtf8(path));
  }

  TTempDir dir;
  std::wstring programFiles, userPrograms, commonPrograms, log;
  TCheckTree rootTree, startTree, regTree, extTree;
  TAssistedUninstall wizard;
};

TEST_F(AssistedUninstallTest, ShortcutsProposeTheirFolderOnceStartMenuFoldersAndThemselves) {
  std::wstring foo = dir.MakeFolder(L"Program Files\\Foo");
  std::wstring fooExe = dir.MakeFile(L"Program Files\\Foo\\foo.exe");
  std::wstring fooHelp = dir.MakeFile(L"Program Files\\Foo\\help.exe");
  dir.MakeFolder(L"Program Files\\Other");
  std::wstring userFoo = dir.MakeFolder(L"User Programs\\Foo");
  std::wstring commonHelp = dir.MakeFolder(L"Common Programs\\Foo Help");
  std::wstring lnk1 = dir.MakeFile(L"Desktop\\Foo.lnk"), lnk2 = dir.MakeFile(L"Desktop\\Foo Help.lnk");
  std::wstring notes = dir.MakeFile(L"Desktop\\Notes.txt");
  wizard.DesktopRows = {{L"Foo", fooExe, lnk1, true},
                        {L"Notes", L"", notes, false},
                        {L"Foo Help", fooHelp, lnk2, true}};
  WalkToConfirmation();

  EXPECT_EQ(wizard.SelectedFiles, (std::vector<std::wstring>{fooExe, fooHelp}));
  EXPECT_EQ(Shown(wizard.Rows),
            (std::vector<TShownRow>{{L"Folder", foo, L"To Delete", true},
                                    {L"Folder", commonHelp, L"To Delete", true},
                                    {L"Folder", userFoo, L"To Delete", true},
                                    {L"Shortcut", lnk1, L"To Delete", true},
                                    {L"Shortcut", lnk2, L"To Delete", true}}));
  EXPECT_FALSE(wizard.RootFolderPending || wizard.StartMenuPending || wizard.RegistryPending ||
               wizard.ExtensionsPending);

  ASSERT_TRUE(wizard.Finish(true, TDeleteEngine()));
  for (const std::wstring& gone : {foo, userFoo, commonHelp, lnk1, lnk2}) EXPECT_FALSE(Exists(gone));
  EXPECT_TRUE(Exists(programFiles + L"Other") && Exists(notes));
  EXPECT_EQ(wizard.LogText(), L"Assisted uninstall log for \r\nFoo\r\nFoo Help\r\n\r\n"
                              L"Folder....." + foo + L".....OK\r\n"
                              L"Folder....." + commonHelp + L".....OK\r\n"
                              L"Folder....." + userFoo + L".....OK\r\n"
                              L"Shortcut....." + lnk1 + L".....OK\r\n"
                              L"Shortcut....." + lnk2 + L".....OK\r\n");
}

TEST_F(AssistedUninstallTest, ExecutablesChosenWhileShortcutsStayTickedListNoShortcuts) {
  std::wstring prog = dir.MakeFolder(L"Program Files\\Vendor\\Prog");
  std::wstring progExe = dir.MakeFile(L"Program Files\\Vendor\\Prog\\prog.exe");
  std::wstring userTool = dir.MakeFolder(L"User Programs\\Tool");
  std::wstring commonProg = dir.MakeFolder(L"Common Programs\\Prog");
  std::wstring lnk = dir.MakeFile(L"Desktop\\Tool.lnk");
  std::wstring toolExe = dir.MakeFile(L"Tools\\tool.exe");
  wizard.DesktopRows = {{L"Tool", toolExe, lnk, true}};
  wizard.ExeRows = {{L"prog", progExe, L"", true}};
  wizard.HasDesktopIcon = false;
  WalkToConfirmation();

  EXPECT_EQ(wizard.SelectedFiles, std::vector<std::wstring>{progExe});
  EXPECT_EQ(Shown(wizard.Rows), (std::vector<TShownRow>{{L"Folder", prog, L"To Delete", true},
                                                        {L"Folder", commonProg, L"To Delete", true},
                                                        {L"Folder", userTool, L"To Delete", true}}));
  EXPECT_EQ(wizard.SelectedApplicationNames(), L"\r\nprog");
  ASSERT_TRUE(wizard.Finish(true, TDeleteEngine()));
  EXPECT_TRUE(Exists(lnk) && Exists(toolExe));
  EXPECT_FALSE(Exists(prog) || Exists(userTool) || Exists(commonProg));
}

TEST_F(AssistedUninstallTest, NothingChosenOpensTheDefaultFoldersAndProposesNothing) {
  dir.MakeFolder(L"Program Files\\Foo");
  WalkToConfirmation();
  EXPECT_TRUE(wizard.Rows.empty());
  EXPECT_EQ(wizard.RootFolder.InitialLocation(), programFiles);
  // Both Start-menu folders opened, the common one last.
  EXPECT_EQ(wizard.StartMenu.InitialLocation(), commonPrograms);
  EXPECT_TRUE(wizard.RootFolder.NodeOfPath(programFiles + L"Foo\\"));
  EXPECT_TRUE(wizard.StartMenu.NodeOfPath(userPrograms));
}

// A shortcut to a folder would tick the folder's parent, a file in a drive's root the whole drive,
// and a file in a protected or known folder that folder: none of them stands for one application.
TEST_F(AssistedUninstallTest, AFolderOrAFileInARootOrAKnownFolderTicksNothingOnTheFolderPage) {
  std::wstring projects = dir.MakeFolder(L"Program Files\\Data\\Projects");
  dir.MakeFolder(L"Program Files\\Data\\Other");
  const std::wstring desktop = win::WithTrailingBackslash(win::ExpandEnvironment(L"%USERPROFILE%")) +
                               L"Desktop\\";
  std::vector<std::wstring> links;
  wizard.DesktopRows.clear();
  for (const std::wstring& target :
       {projects, win::ExpandEnvironment(L"%SystemDrive%\\tool.exe"), desktop + L"notes.exe",
        win::ExpandEnvironment(L"%SystemRoot%\\System32\\notepad.exe")}) {
    links.push_back(dir.MakeFile(L"Desktop\\" + std::to_wstring(links.size()) + L".lnk"));
    wizard.DesktopRows.push_back({L"", target, links.back(), true});
  }
  WalkToConfirmation();

  std::vector<TShownRow> shortcuts;
  for (const std::wstring& link : links) shortcuts.push_back({L"Shortcut", link, L"To Delete", true});
  EXPECT_EQ(Shown(wizard.Rows), shortcuts);
  EXPECT_EQ(wizard.RootFolder.InitialLocation(), programFiles);
  EXPECT_TRUE(wizard.RootFolder.NodeOfPath(programFiles + L"Data\\"));
}

TEST_F(AssistedUninstallTest, TreesKeepMarksUntilTheFirstPageAndTheListIsRebuiltOnEveryVisit) {
  std::wstring a = dir.MakeFolder(L"Program Files\\A");
  std::wstring aExe = dir.MakeFile(L"Program Files\\A\\a.exe");
  std::wstring b = dir.MakeFolder(L"Program Files\\B");
  wizard.HasDesktopIcon = false;
  wizard.ExeRows = {{L"a", aExe, L"", true}};
  WalkToConfirmation();
  ASSERT_EQ(wizard.Rows.size(), 1u);

  // Unticked in the list and given a status: back to page 4 and forward rebuilds it.
  wizard.Rows[0].Checked = false;
  wizard.Rows[0].SubItems.insert(wizard.Rows[0].SubItems.begin() + 1, L"Failed");
  // A tick the user adds on page 1 stays while moving between pages 1 and 5.
  rootTree.Toggle(*wizard.RootFolder.NodeOfPath(b + L"\\"));
  for (int page : {4, 3, 2, 1, 2, 3, 4, 5}) wizard.PageShown(static_cast<TAssistedUninstall::TPage>(page));
  EXPECT_EQ(Shown(wizard.Rows), (std::vector<TShownRow>{{L"Folder", a, L"To Delete", true},
                                                        {L"Folder", b, L"To Delete", true}}));

  // Back on page 0 every tree is built afresh from the choice made there.
  wizard.ExeRows[0].Checked = false;
  WalkToConfirmation();
  EXPECT_TRUE(wizard.Rows.empty());
  EXPECT_TRUE(Exists(a) && Exists(b));
}

TEST_F(AssistedUninstallTest, NoAtFinishDeletesAndLogsNothing) {
  std::wstring foo = dir.MakeFolder(L"Program Files\\Foo");
  std::wstring fooExe = dir.MakeFile(L"Program Files\\Foo\\foo.exe");
  std::wstring lnk = dir.MakeFile(L"Desktop\\Foo.lnk");
  wizard.DesktopRows = {{L"Foo", fooExe, lnk, true}};
  WalkToConfirmation();
  ASSERT_EQ(wizard.Rows.size(), 2u);
  EXPECT_FALSE(wizard.Finish(false, TDeleteEngine()));
  EXPECT_TRUE(wizard.Finished());
  EXPECT_TRUE(Exists(fooExe) && Exists(lnk));
  EXPECT_FALSE(Exists(log));
  EXPECT_EQ(wizard.Rows[0].Status(), L"To Delete");
}

TEST_F(AssistedUninstallTest, AFailedRowShowsInTheSavedLogAndTheUninstallLog) {
  TTestKey key;
  key.SetString(L"Vendor\\Tool", L"Version", L"1");
  std::wstring foo = dir.MakeFolder(L"Program Files\\Foo");
  std::wstring fooExe = dir.MakeFile(L"Program Files\\Foo\\foo.exe");
  wizard.HasDesktopIcon = false;
  wizard.ExeRows = {{L"Foo", fooExe, L"", true}, {L"Bar", L"C:\\nowhere\\bar.exe", L"", false}};
  WalkToConfirmation();
  const std::wstring vendor = L"\\" + key.Path() + L"\\Vendor";
  regTree.Toggle(KeyNode(vendor));
  wizard.PageShown(TAssistedUninstall::tsConfirmation);
  // The opened key's subkeys come ticked with it, and are listed before it.
  ASSERT_EQ(Shown(wizard.Rows),
            (std::vector<TShownRow>{{L"Folder", foo, L"To Delete", true},
                                    {L"Registry", vendor + L"\\Tool", L"To Delete", true},
                                    {L"Registry", vendor, L"To Delete", true}}));
  // The key goes before "Finish" reaches it: its row fails, the folder is still deleted.
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, (key.Path() + L"\\Vendor").c_str()), ERROR_SUCCESS);
  EXPECT_FALSE(wizard.Finish(true, TDeleteEngine()));
  EXPECT_FALSE(Exists(foo));

  std::wstring saved = dir.Path() + L"saved.txt";
  wizard.SaveLog(saved);
  wizard.SaveLog(saved);  // replaced, not appended
  EXPECT_EQ(ReadBytes(saved), "Assisted uninstall log for \r\nFoo\r\n\r\n"
                              "Folder....." + win::ToUtf8(foo) + ".....OK\r\n"
                              "Registry....." + win::ToUtf8(vendor) + "\\Tool.....Failed\r\n"
                              "Registry....." + win::ToUtf8(vendor) + ".....Failed\r\n");
  const std::string stamp = "\r\n[0-9]{1,2}/[0-9]{1,2}/20[0-9]{2} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n";
  std::string bytes = ReadBytes(log);
  EXPECT_TRUE(std::regex_match(bytes, std::regex(stamp + "Uninstalling \r\nFoo\r\n"
                                                         "Uninstaller did not complete the uninstall "
                                                         "process or did not remove program from "
                                                         "list\\.\r\n"
                                                         "Backup: [^\r\n]*\\\\Backups\\\\[^\r\n]+\r\n")))
      << bytes;
}

TEST_F(AssistedUninstallTest, ABackupIsMadeOnlyWhenThereIsSomethingToRecordInIt) {
  const std::wstring backups = dir.Path() + L"Backups\\";
  auto endsWith = [](const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
  };
  // Nothing removed: no backup for Restore to list, and the record says nothing of one.
  wizard.Rows = {MakeDeleteRow(kKindFolder, nullptr, dir.Path() + L"Gone")};
  EXPECT_FALSE(wizard.Finish(true, TDeleteEngine()));
  EXPECT_TRUE(ListBackups(backups).empty());
  EXPECT_EQ(ReadBytes(log).find("Backup"), std::string::npos) << ReadBytes(log);

  // A file where the Backups folder goes: the backup cannot be begun. The key stays and its row
  // says why, the folder still goes, and the record ends with why.
  const std::wstring blocker = dir.MakeFile(L"Backups");
  TTestKey key;
  key.SetString(L"Tool", L"Version", L"1");
  const std::wstring foo = dir.MakeFolder(L"Program Files\\Foo");
  const TDeleteRow keyRow =
      MakeDeleteRow(kKindRegistry, HKEY_CURRENT_USER, L"\\" + key.Path() + L"\\Tool");
  wizard.Rows = {MakeDeleteRow(kKindFolder, nullptr, foo), keyRow};
  TDeleteEngine engine;
  std::vector<std::wstring> reasons;
  engine.RowFailed = [&](size_t i, const std::wstring& reason) {
    reasons.push_back(std::to_wstring(i) + L" " + reason);
  };
  EXPECT_FALSE(wizard.Finish(true, engine));
  EXPECT_EQ(wizard.Rows[0].Status(), L"OK");
  EXPECT_EQ(wizard.Rows[1].Status(), L"Failed");
  EXPECT_FALSE(Exists(foo));
  EXPECT_TRUE(key.Exists(L"Tool"));
  ASSERT_EQ(reasons.size(), 1u);
  EXPECT_EQ(reasons[0].rfind(L"1 The backup folder " + backups, 0), 0u) << win::ToUtf8(reasons[0]);
  EXPECT_TRUE(
      endsWith(ReadBytes(log), "Backup failed: " + win::ToUtf8(reasons[0].substr(2)) + "\r\n"))
      << ReadBytes(log);

  // Once it can be made, the key row makes it and the record names it.
  ASSERT_TRUE(DeleteFileW(blocker.c_str()));
  wizard.Rows = {keyRow};
  EXPECT_TRUE(wizard.Finish(true, TDeleteEngine()));
  EXPECT_FALSE(key.Exists(L"Tool"));
  std::vector<TBackupAction> actions = ListBackups(backups);
  ASSERT_EQ(actions.size(), 1u);
  ASSERT_EQ(actions[0].Items.size(), 1u);
  EXPECT_EQ(actions[0].Items[0].Kind, kBackupRegistry);
  std::wstring folder = actions[0].Folder;
  folder.pop_back();
  EXPECT_TRUE(endsWith(ReadBytes(log), "Backup: " + win::ToUtf8(folder) + "\r\n"))
      << ReadBytes(log);
}

TEST_F(AssistedUninstallTest, AStepThatFailsIsBuiltAgainOnTheNextVisit) {
  // Enough folders for the tree to pump while it reads them.
  for (int i = 0; i < 300; ++i) dir.MakeFolder(L"Program Files\\P" + std::to_wstring(i));
  std::wstring lastExe = dir.MakeFile(L"Program Files\\P299\\p.exe");
  wizard.HasDesktopIcon = false;
  wizard.ExeRows = {{L"p", lastExe, L"", true}};
  wizard.CollectSelectedFiles();
  wizard.RootFolder.ProcessMessages = [] { throw std::runtime_error("closed"); };
  EXPECT_THROW(wizard.PageShown(TAssistedUninstall::tsRootFolder), std::runtime_error);
  EXPECT_TRUE(wizard.RootFolderPending);

  wizard.RootFolder.ProcessMessages = nullptr;
  wizard.PageShown(TAssistedUninstall::tsRootFolder);
  EXPECT_FALSE(wizard.RootFolderPending);
  TCheckNode* found = wizard.RootFolder.NodeOfPath(programFiles + L"P299\\");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Mark(), TCheckMark::Checked);
}

// HKEY_CLASSES_ROOT merges the user's classes with the machine's (Wine shows the machine's alone):
// a key ticked there is listed, deleted and saved at each real place that holds it, and restored
// to each.
TEST_F(AssistedUninstallTest, AClassTickedInTheMergedViewGoesFromEachRealPlaceAndComesBackThere) {
  const std::wstring extension = L".purgalot" + std::to_wstring(GetCurrentProcessId());
  const std::wstring classes = L"Software\\Classes\\" + extension;
  struct TClassKeys {
    std::wstring Path;
    ~TClassKeys() {
      for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) win::DeleteRegistryTree(root, Path);
    }
  } cleanUp{classes};
  auto valueAt = [&](HKEY root) {
    TRegistry reg;
    reg.SetRootKey(root);
    return reg.OpenKeyReadOnly(L"\\" + classes) ? reg.ReadString(L"") : L"<missing>";
  };
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    win::UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(root, classes.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.Put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring owner = root == HKEY_CURRENT_USER ? L"user" : L"machine";
    ASSERT_EQ(RegSetValueExW(key.Get(), nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(owner.c_str()),
                             static_cast<DWORD>((owner.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
  WalkToConfirmation();
  extTree.Toggle(KeyNode(L"\\" + extension, HKEY_CLASSES_ROOT));
  wizard.PageShown(TAssistedUninstall::tsConfirmation);
  EXPECT_EQ(Shown(wizard.Rows),
            (std::vector<TShownRow>{
                {L"Registry", L"HKEY_CURRENT_USER\\" + classes, L"To Delete", true},
                {L"Registry", L"HKEY_LOCAL_MACHINE\\" + classes, L"To Delete", true}}));

  EXPECT_TRUE(wizard.Finish(true, TDeleteEngine()));
  EXPECT_EQ(valueAt(HKEY_CURRENT_USER), L"<missing>");
  EXPECT_EQ(valueAt(HKEY_LOCAL_MACHINE), L"<missing>");
  std::vector<TBackupAction> backups = ListBackups(BackupRootBeside(log));
  ASSERT_EQ(backups.size(), 1u);
  RestoreRegistry(backups[0], IsProtectedKey);
  EXPECT_EQ(valueAt(HKEY_CURRENT_USER), L"user");
  EXPECT_EQ(valueAt(HKEY_LOCAL_MACHINE), L"machine");
}

}  // namespace
