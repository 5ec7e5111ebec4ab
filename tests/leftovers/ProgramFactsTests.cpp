#include "leftovers/ProgramFacts.h"

#include "backup/RegFile.h"
#include "support/TestMachine.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using testing_support::TTempDir;

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  SHGetKnownFolderPath(id, 0, nullptr, &path);
  win::UniqueCoTaskMemory memory(path);
  return path ? path : L"";
}

TEST(ProgramFacts, CommandFileNamesTheFileACommandRuns) {
  const std::wstring windows = win::ExpandEnvironment(L"%SystemRoot%");
  struct TRow {
    std::wstring Command, File;
  } rows[] = {
      {L"\"C:\\Program Files\\Quill\\unins000.exe\" /SILENT",
       L"C:\\Program Files\\Quill\\unins000.exe"},
      {L"C:\\Program Files\\Quill\\unins000.exe /SILENT",
       L"C:\\Program Files\\Quill\\unins000.exe"},
      // Blanks in the folder, an icon file and an index.
      {L"C:\\Program Files\\Quill\\quill.dll,0", L"C:\\Program Files\\Quill\\quill.dll"},
      {L"C:\\Program Files\\Quill\\Quill Icon.ico", L"C:\\Program Files\\Quill\\Quill Icon.ico"},
      {L"\"C:\\Program Files\\Quill\\quill.exe\",-101", L"C:\\Program Files\\Quill\\quill.exe"},
      {L"C:\\Quill\\picture.png,3", L"C:\\Quill\\picture.png"},
      // The program that runs, not the file it is given.
      {L"rundll32.exe C:\\Quill\\setup.dll,Remove", L"rundll32.exe"},
      {L"C:\\Quill.exec\\run.exe -x", L"C:\\Quill.exec\\run.exe"},
      {L"%SystemRoot%\\notepad.exe", windows + L"\\notepad.exe"},
      {L"  ", L""},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(CommandFile(row.Command), row.File) << win::ToUtf8(row.Command);
}

TEST(ProgramFacts, InstallFolderComesFromLocationThenUninstallerThenIconAndIsNeverShared) {
  TTempDir dir;
  const std::wstring location = dir.MakeFolder(L"Quill App");
  const std::wstring uninstaller = dir.MakeFolder(L"Quill Uninstall");
  const std::wstring icons = dir.MakeFolder(L"Quill Icons");
  const std::wstring missing = dir.Path() + L"Gone";
  const std::wstring msiexec =
      win::ExpandEnvironment(L"%SystemRoot%\\system32\\msiexec.exe /x {1}");
  const std::wstring documents = KnownFolder(FOLDERID_Documents);
  const std::wstring programFiles = KnownFolder(FOLDERID_ProgramFiles);
  struct TRow {
    std::wstring Location, Uninstall, Icon, Folder;
  } rows[] = {
      {L"\"" + location + L"\\\"", uninstaller + L"\\unins.exe", icons + L"\\q.ico", location},
      {missing, L"\"" + uninstaller + L"\\unins.exe\" /S", icons + L"\\q.ico", uninstaller},
      {L"", msiexec, icons + L"\\q.ico,0", icons},
      {L"", L"\"" + missing + L"\\unins.exe\"", icons + L"\\q.ico", icons},
      // Roots, shared, system and known folders are passed over.
      {L"C:\\", programFiles + L"\\unins.exe", documents + L"\\q.ico", L""},
      {programFiles, msiexec, win::ExpandEnvironment(L"%SystemRoot%\\q.ico"), L""},
      {L"", L"", L"", L""},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(DeriveInstallFolder(row.Location, row.Uninstall, row.Icon), row.Folder)
        << win::ToUtf8(row.Location) << " | " << win::ToUtf8(row.Uninstall);
}

TEST(ProgramFacts, AnEntryGivesItsFoldersAndExecutablesAndSurvivesAsASavedFile) {
  TTempDir dir;
  testing_support::TTestKey key;
  const std::wstring install = dir.MakeFolder(L"Quill");
  dir.MakeFile(L"Quill\\quill.exe");
  dir.MakeFile(L"Quill\\Quill Helper.EXE");
  dir.MakeFile(L"Quill\\readme.txt");
  dir.MakeFolder(L"Quill\\tools.exe");  // a folder, not an executable
  const std::wstring data = dir.MakeFolder(L"Quill Shared");
  key.SetString(L"Quill", L"DisplayName", L"  Quill Writer ");
  key.SetString(L"Quill", L"Publisher", L"Tarvtest");
  key.SetString(L"Quill", L"DisplayVersion", L"2.1");
  key.SetString(L"Quill", L"InstallLocation", install + L"\\");
  key.SetString(L"Quill", L"UninstallString", L"\"" + install + L"\\quill.exe\" /uninstall");
  key.SetString(L"Quill", L"DisplayIcon", data + L"\\icons.dll,1");

  TProgramFacts facts = FactsFromEntry(key.Root(), 0, key.Path() + L"\\Quill");
  EXPECT_EQ(facts.Name, L"Quill Writer");
  EXPECT_EQ(facts.Publisher, L"Tarvtest");
  EXPECT_EQ(facts.Version, L"2.1");
  EXPECT_EQ(facts.InstallFolder, install);
  EXPECT_EQ(facts.OtherFolders, std::vector<std::wstring>{data});
  std::vector<std::wstring> executables = facts.Executables;
  std::sort(executables.begin(), executables.end());
  EXPECT_EQ(executables, (std::vector<std::wstring>{L"Quill Helper.EXE", L"quill.exe"}));
  EXPECT_EQ(facts.EntryKey, key.Path() + L"\\Quill");

  // The same facts from the entry as a backup saved it.
  const std::wstring saved = dir.Path() + L"entry.reg";
  ExportRegistryKey(key.Root(), 0, L"\\" + key.Path() + L"\\Quill", saved);
  TProgramFacts fromFile = FactsFromSavedEntry(saved);
  EXPECT_EQ(fromFile.Name, facts.Name);
  EXPECT_EQ(fromFile.InstallFolder, facts.InstallFolder);
  EXPECT_EQ(fromFile.OtherFolders, facts.OtherFolders);
  EXPECT_EQ(fromFile.Root, HKEY_CURRENT_USER);
  EXPECT_TRUE(FactsFromSavedEntry(dir.Path() + L"missing.reg").Name.empty());

  // A 32-bit entry of the machine, whose file spells its view out, names its entry as it is read.
  testing_support::TSourceTrees trees;
  const auto& machine32 = trees.Source(testing_support::TSourceTrees::Machine32);
  trees.AddProgram(testing_support::TSourceTrees::Machine32, L"Quill32", L"Quill 32",
                   L"\"" + install + L"\\quill.exe\"");
  const std::wstring saved32 = dir.Path() + L"entry32.reg";
  ExportRegistryKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY,
                    L"\\" + machine32.UninstallKey + L"\\Quill32", saved32);
  TProgramFacts from32 = FactsFromSavedEntry(saved32);
  EXPECT_EQ(from32.Name, L"Quill 32");
  EXPECT_EQ(from32.InstallFolder, install);
  EXPECT_EQ(from32.View, static_cast<REGSAM>(KEY_WOW64_32KEY));
  EXPECT_EQ(from32.EntryKey, machine32.UninstallKey + L"\\Quill32");
}

}  // namespace
