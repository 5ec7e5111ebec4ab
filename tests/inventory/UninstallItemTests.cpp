#include "inventory/UninstallItem.h"

#include "inventory/ProgramList.h"
#include "inventory/Utils.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

bool Exists(const std::wstring& command) { return TUninstListItem::UninstallerExists(command); }

// Sets an environment variable of this process for the lifetime of the object.
class TScopedVariable {
public:
  TScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
    SetEnvironmentVariableW(name_, value.c_str());
  }
  ~TScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }
  TScopedVariable(const TScopedVariable&) = delete;
  TScopedVariable& operator=(const TScopedVariable&) = delete;

private:
  const wchar_t* name_;
};

std::vector<std::wstring> Captions(const TProgramList& list) {
  std::vector<std::wstring> captions;
  for (size_t i = 0; i < list.Count(); ++i) captions.push_back(list.Row(i).Caption);
  return captions;
}

// ---- Quoted sections ----------------------------------------------------------------------------

TEST(QuotedSection, IsTheTextInsideTheLeadingQuotesWithDoubledQuotesMadeSingle) {
  EXPECT_EQ(LeadingQuotedSection(L"\"C:\\Program Files\\App\\un.exe\" /S /log=x"),
            L"C:\\Program Files\\App\\un.exe");
  EXPECT_EQ(LeadingQuotedSection(L"\"say \"\"hi\"\" now\" rest"), L"say \"hi\" now");
  EXPECT_EQ(LeadingQuotedSection(L"\"\"\"\""), L"\"");
  // Without a closing quote: everything after the opening quote except the final character.
  EXPECT_EQ(LeadingQuotedSection(L"\"C:\\App\\un.exe /S"), L"C:\\App\\un.exe /");
  EXPECT_EQ(LeadingQuotedSection(L"\"ab"), L"a");
  // Sections of no characters are empty.
  EXPECT_EQ(LeadingQuotedSection(L"\"\"abc"), L"");
  EXPECT_EQ(LeadingQuotedSection(L"\"\""), L"");
  EXPECT_EQ(LeadingQuotedSection(L"\""), L"");
  EXPECT_EQ(LeadingQuotedSection(L""), L"");
  // Quotes that do not open the text do not count.
  EXPECT_EQ(LeadingQuotedSection(L"C:\\App\\un.exe \"quoted\""), L"");
  EXPECT_EQ(LeadingQuotedSection(L" \"C:\\App\\un.exe\""), L"");
}

TEST(QuotedSection, UnquotingDropsArgumentsOrLeavesTheTextAsItIs) {
  EXPECT_EQ(Unquote(L"\"C:\\My App\\un.exe\" /x \"C:\\data\""), L"C:\\My App\\un.exe");
  EXPECT_EQ(Unquote(L"C:\\App\\un.exe /x"), L"C:\\App\\un.exe /x");
  EXPECT_EQ(Unquote(L"\"\"abc"), L"\"\"abc");
  EXPECT_EQ(Unquote(L"\""), L"\"");
  EXPECT_EQ(Unquote(L""), L"");
}

// ---- Whether the uninstaller is present ---------------------------------------------------------

class UninstallerExistsTest : public ::testing::Test {
protected:
  TTempDir dir;
};

TEST_F(UninstallerExistsTest, AnEmptyCommandOrTheNameOfAnExistingFileIsPresent) {
  std::wstring spaced = dir.MakeFile(L"My App\\Un Install.exe");
  std::wstring noExe = dir.MakeFile(L"App\\uninstall.dat");
  std::wstring folder = dir.MakeFolder(L"Tool.exe");

  EXPECT_TRUE(Exists(L""));
  EXPECT_TRUE(Exists(spaced));  // spaces and no quotes
  EXPECT_TRUE(Exists(noExe));   // any existing file, whatever its extension
  EXPECT_FALSE(Exists(folder)) << "a folder is not a file";
  EXPECT_FALSE(Exists(folder + L" /S"));
  EXPECT_FALSE(Exists(dir.Path() + L"My App\\Missing.exe"));
}

TEST_F(UninstallerExistsTest, AQuotedCommandIsJudgedByTheQuotedPathAlone) {
  std::wstring exe = dir.MakeFile(L"Program Files\\App\\un.exe");
  std::wstring missing = dir.Path() + L"Program Files\\App\\gone.exe";

  EXPECT_TRUE(Exists(L"\"" + exe + L"\""));
  EXPECT_TRUE(Exists(L"\"" + exe + L"\" /S"));
  EXPECT_TRUE(Exists(L"\"" + exe + L"\" /pC:\\missing\\script.ini /lC:\\missing\\lib.dll"));
  EXPECT_FALSE(Exists(L"\"" + missing + L"\""));
  EXPECT_FALSE(Exists(L"\"" + missing + L"\" /S"));
  // An unclosed quote loses the command's final character.
  EXPECT_TRUE(Exists(L"\"" + exe + L" "));
  EXPECT_FALSE(Exists(L"\"" + exe));
}

TEST_F(UninstallerExistsTest, ACommandOpeningWithTwoQuotesIsLookedUpOnTheSearchPathAsWritten) {
  std::wstring exe = dir.MakeFile(L"App\\un.exe");

  // Neither unquoted, nor a drive path, nor a rundll32 command: the first word, quotes and all,
  // is searched for and never found.
  EXPECT_FALSE(Exists(L"\"\"notepad"));
  EXPECT_FALSE(Exists(L"\"\"" + exe));
  EXPECT_FALSE(Exists(L"\"\"rundll32.exe shell32.dll,Control_RunDLL"));
}

TEST_F(UninstallerExistsTest, RundllCommandsArePresentWithoutLookingAtTheLibrary) {
  EXPECT_TRUE(Exists(L"rundll32.exe C:\\missing\\setup.dll,Uninstall"));
  EXPECT_TRUE(Exists(L"RUNDLL32.EXE \"C:\\missing\\setup.dll\",Uninstall /q"));
  EXPECT_TRUE(Exists(L"RunDll32 missing.dll,Entry"));
  EXPECT_TRUE(Exists(L"rundll32"));
  // Even where the first word alone names no file.
  EXPECT_TRUE(Exists(L"RunDll32.exe\"C:\\missing\\setup.dll\",Uninstall"));
  EXPECT_TRUE(Exists(L"rundll32.exe\tadvpack.dll,LaunchINFSection C:\\missing\\app.inf"));
  // Named by its full path it is a drive-letter command whose argument path must exist.
  EXPECT_FALSE(Exists(L"C:\\windows\\system32\\rundll32.exe C:\\missing\\setup.dll,Uninstall"));
}

TEST_F(UninstallerExistsTest, MsiexecIsPresentWhateverTheProductCode) {
  EXPECT_TRUE(Exists(L"msiexec.exe /x{12345678-1234-1234-1234-123456789012}"));
  EXPECT_TRUE(Exists(L"MsiExec.exe /I{00000000-0000-0000-0000-000000000000} /qn"));
  EXPECT_TRUE(Exists(L"MSIEXEC.EXE /x C:\\missing\\package.msi"));
  EXPECT_TRUE(Exists(L"MsiExec.exe/X{12345678-1234-1234-1234-123456789012}"));
  // Without ".exe" the first word is looked up on the search path, which holds msiexec.exe.
  EXPECT_TRUE(Exists(L"msiexec /x{12345678-1234-1234-1234-123456789012}"));
  EXPECT_TRUE(Exists(L"MsiExec /x C:\\missing\\package.msi"));
  EXPECT_FALSE(Exists(L"msiexec/x{12345678-1234-1234-1234-123456789012}"));
}

TEST_F(UninstallerExistsTest, ADrivePathToAnExecutableWithPlainOptionsNeedsOnlyTheExecutable) {
  std::wstring exe = dir.MakeFile(L"App\\uninst.exe");
  std::wstring upper = dir.MakeFile(L"App\\REMOVE.EXE");

  EXPECT_TRUE(Exists(exe + L" /S /LANG=1033"));
  EXPECT_TRUE(Exists(exe + L" /log=remove.log -q"));
  EXPECT_TRUE(Exists(upper + L" /S"));
  EXPECT_TRUE(Exists(exe + L"\"/S\""));
  EXPECT_FALSE(Exists(dir.Path() + L"App\\missing.exe /S"));
  EXPECT_FALSE(Exists(dir.Path() + L"Gone\\uninst.exe"));
}

TEST_F(UninstallerExistsTest, OneArgumentPathMustExistAndEndsThreeCharactersAfterItsLastDot) {
  std::wstring exe = dir.MakeFile(L"App\\uninst.exe");
  std::wstring script = dir.MakeFile(L"App\\script.ini");
  std::wstring noExtension = dir.MakeFile(L"App\\settings");

  EXPECT_TRUE(Exists(exe + L" /f" + script));
  EXPECT_TRUE(Exists(exe + L" -f \"" + script + L"\""));
  EXPECT_FALSE(Exists(exe + L" /f" + dir.Path() + L"App\\missing.ini"));
  // Words without a "." after the path play no part.
  EXPECT_TRUE(Exists(exe + L" -f " + script + L" now quietly"));
  // A "." in a later word stretches the examined text past the file name.
  EXPECT_FALSE(Exists(exe + L" -f " + script + L" log.txt"));
  // A path without any "." counts as missing, even when a file of that name exists.
  EXPECT_FALSE(Exists(exe + L" /d" + noExtension));
  // The executable must exist too.
  EXPECT_FALSE(Exists(dir.Path() + L"App\\missing.exe /f" + script));
}

TEST_F(UninstallerExistsTest, TwoArgumentPathsGluedToOptionLettersMustBothExist) {
  std::wstring exe = dir.MakeFile(L"App\\uninst.exe");
  std::wstring script = dir.MakeFile(L"App\\install.log");
  std::wstring library = dir.MakeFile(L"Lib\\support.dll");
  std::wstring missing = dir.Path() + L"Lib\\missing.dll";

  EXPECT_TRUE(Exists(exe + L" /s" + script + L"/l" + library));
  EXPECT_TRUE(Exists(exe + L" /s\"" + script + L"\" /l\"" + library + L"\""));
  EXPECT_TRUE(Exists(exe + L" -s" + script + L" -l" + library));
  EXPECT_FALSE(Exists(exe + L" /s" + script + L"/l" + missing));
  EXPECT_FALSE(Exists(exe + L" /s" + missing + L"/l" + library));
  EXPECT_FALSE(Exists(dir.Path() + L"App\\gone.exe /s" + script + L"/l" + library));
}

TEST_F(UninstallerExistsTest, WithThreeArgumentPathsOnlyTheFirstIsExamined) {
  std::wstring exe = dir.MakeFile(L"App\\uninst.exe");
  std::wstring first = dir.MakeFile(L"App\\first.ini");
  std::wstring second = dir.MakeFile(L"App\\second.dat");
  std::wstring missing = dir.Path() + L"App\\missing.dll";

  EXPECT_TRUE(Exists(exe + L" /a" + first + L" /b" + second + L" /c" + missing));
  EXPECT_TRUE(Exists(exe + L" /a" + first + L" /b" + missing + L" /c" + missing));
  EXPECT_FALSE(Exists(exe + L" /a" + missing + L" /b" + first + L" /c" + second));
}

TEST_F(UninstallerExistsTest, ADriveCommandWithoutExeOrWithAnEarlierDrivePathIsMissing) {
  std::wstring batch = dir.MakeFile(L"App\\remove.bat");
  std::wstring com = dir.MakeFile(L"App\\remove.com");
  std::wstring exe = dir.MakeFile(L"App\\uninst.exe");

  EXPECT_TRUE(Exists(batch));  // the whole command names a file
  EXPECT_TRUE(Exists(com));
  EXPECT_FALSE(Exists(batch + L" /x"));
  EXPECT_FALSE(Exists(com + L" /uninstall"));
  // The first ".exe" comes only after a second drive path.
  EXPECT_FALSE(Exists(batch + L" " + exe));
  EXPECT_FALSE(Exists(batch + L" " + exe + L" /S"));
}

TEST_F(UninstallerExistsTest, ACommandWithoutQuotesOrDriveIsLookedUpOnTheSearchPath) {
  EXPECT_TRUE(Exists(L"notepad"));
  EXPECT_TRUE(Exists(L"notepad.exe /x"));
  EXPECT_TRUE(Exists(L"cmd /c exit"));
  EXPECT_FALSE(Exists(L"nosuchprogram_xyz"));
  EXPECT_FALSE(Exists(L"nosuchprogram_xyz.exe /S C:\\windows\\notepad.exe"));
}

TEST_F(UninstallerExistsTest, ADeviceIsNoFile) {
  std::wstring folder = dir.MakeFolder(L"App");
  for (const std::wstring& device : std::vector<std::wstring>{
           L"CON", L"nul", L"PRN", L"Aux", L"COM1", L"lpt9", L"C:\\COM1.exe", L"NUL.txt",
           L"con:", L"NUL ", L"C:\\Windows\\aux.dll", folder + L"\\com3.exe",
           folder + L"\\LPT1", L"\\\\.\\NUL", L"\\\\.\\PhysicalDrive0", L"//./COM1"}) {
    EXPECT_FALSE(TUtils::FileExists(device)) << device;
    EXPECT_FALSE(Exists(device)) << device;
    EXPECT_FALSE(Exists(L"\"" + device + L"\" /S")) << device;
  }
  EXPECT_FALSE(Exists(L"C:\\COM1.exe /S"));
  EXPECT_FALSE(Exists(L"nul /S"));
  // Names that only begin like a device are files like any other.
  for (const wchar_t* name : {L"CONSOLE.exe", L"COM10.exe", L"nulls.exe", L"LPT.exe", L"AUX_.exe"})
    EXPECT_TRUE(Exists(dir.MakeFile(std::wstring(L"App\\") + name))) << name;
}

TEST_F(UninstallerExistsTest, ACommandOnAnotherMachineIsPresentWithoutLookingForIt) {
  // No such server exists: a look would find nothing, so only a command judged without one is
  // present.
  EXPECT_TRUE(Exists(L"\\\\nosuchserver\\share\\App\\uninst.exe"));
  EXPECT_TRUE(Exists(L"\\\\nosuchserver\\share\\App\\uninst.exe /S"));
  EXPECT_TRUE(Exists(L"\\\\nosuchserver\\share\\uninst.exe \"quoted argument\""));
  EXPECT_TRUE(Exists(L"//nosuchserver/share/uninst.exe"));
  EXPECT_TRUE(Exists(L"\"\\\\nosuchserver\\share\\My App\\uninst.exe\" /S"));
  EXPECT_TRUE(Exists(L"\\\\?\\UNC\\nosuchserver\\share\\uninst.exe"));
  EXPECT_TRUE(Exists(L"//./UNC/nosuchserver/share/uninst.exe"));
  // Local paths are still looked at.
  EXPECT_FALSE(Exists(L"\\\\?\\" + dir.Path() + L"gone.exe"));
  EXPECT_FALSE(Exists(L"\"" + dir.Path() + L"gone.exe\" \\\\nosuchserver\\share\\x.ini"));
}

TEST_F(UninstallerExistsTest, NamesInAnyScriptAreJudgedLikeOthers) {
  std::wstring cyrillic = dir.MakeFile(L"Программа\\удалить.exe");
  std::wstring cjk = dir.MakeFile(L"程序 文件\\卸载.exe");
  std::wstring data = dir.MakeFile(L"数据\\設定.ini");

  EXPECT_TRUE(Exists(cyrillic));
  EXPECT_TRUE(Exists(cyrillic + L" /S"));
  EXPECT_TRUE(Exists(L"\"" + cjk + L"\" /S"));
  EXPECT_TRUE(Exists(cyrillic + L" /f" + data));
  EXPECT_TRUE(Exists(cyrillic + L" /f\"" + data + L"\" /l" + data));
  EXPECT_FALSE(Exists(cyrillic + L" /f" + dir.Path() + L"数据\\缺少.ini"));
  EXPECT_FALSE(Exists(L"\"" + dir.Path() + L"程序 文件\\缺少.exe\" /S"));
  EXPECT_FALSE(Exists(dir.Path() + L"Программа\\нет.exe"));
}

TEST_F(UninstallerExistsTest, VeryLongCommandsAreJudgedWithoutFailing) {
  const std::wstring filler(40000, L'y');
  std::wstring exe = dir.MakeFile(L"App\\uninst.exe");

  EXPECT_TRUE(Exists(exe + L" /x" + filler));
  EXPECT_TRUE(Exists(L"\"" + exe + L"\" " + filler));
  EXPECT_TRUE(Exists(L"rundll32.exe " + filler));
  EXPECT_FALSE(Exists(filler));
  EXPECT_FALSE(Exists(L"\"" + filler + L"\""));
  EXPECT_FALSE(Exists(L"C:\\" + filler + L".exe"));
  EXPECT_FALSE(Exists(exe + L" /p" + dir.Path() + filler + L".dll"));
  EXPECT_FALSE(Exists(L"notepad" + filler));
}

// ---- The program entry and its row --------------------------------------------------------------

class ProgramEntryTest : public ::testing::Test {
protected:
  TTempDir dir;
  TProgramList list;
};

TEST_F(ProgramEntryTest, OnNtTheRowShowsSizeLastUseFrequencyAndCommand) {
  std::wstring exe = dir.MakeFile(L"App\\uninst.exe");
  TProgramRow& row = list.Add();
  TUninstListItem& entry = *row.Entry;
  entry.SetName(L"Example App");
  entry.SetSize(L"1.50 MB");
  entry.SetLastUsed(L"2006-03-14");
  entry.SetFrequency(L"occasionally");
  entry.SetUninstallCommand(exe + L" /S");
  entry.SetIconIndex(7);
  entry.SetRegistryKey(L"Software\\Example\\Uninstall\\App");

  EXPECT_EQ(&entry.ListItem(), &row);
  EXPECT_EQ(row.Caption, L"Example App");
  EXPECT_EQ(entry.GetName(), L"Example App");
  EXPECT_EQ(row.Size, L"1.50 MB");
  EXPECT_EQ(row.LastUsed, L"2006-03-14");
  EXPECT_EQ(row.Frequency, L"occasionally");
  EXPECT_EQ(row.UninstallCommand, exe + L" /S");
  EXPECT_EQ(entry.UninstallCommand(), exe + L" /S");
  EXPECT_EQ(row.StateIndex(), kNoStateImage);
  EXPECT_EQ(row.ImageIndex(), 7);
  EXPECT_EQ(entry.RegistryKey(), L"Software\\Example\\Uninstall\\App");
  EXPECT_EQ(entry.RootKey(), HKEY_LOCAL_MACHINE);
}

TEST_F(ProgramEntryTest, On9xTheRowShowsOnlyTheCommandAndMarksAMissingUninstaller) {
  TProgramRow& row = list.Add();
  row.Entry->SetName(L"Old App");
  row.Entry->SetUninstallCommand(dir.Path() + L"Gone\\uninst.exe /S");

  EXPECT_EQ(row.Size + row.LastUsed + row.Frequency, L"");
  EXPECT_EQ(row.UninstallCommand, dir.Path() + L"Gone\\uninst.exe /S");
  EXPECT_EQ(row.StateIndex(), kWarningStateImage);
}

TEST_F(ProgramEntryTest, AnExpandStringIsJudgedAndRunExpandedButKeptAsStored) {
  dir.MakeFile(L"App\\x.exe");
  std::wstring folder = dir.Path() + L"App";
  TScopedVariable variable(L"PURGALOT_TEMPDIR_VAR", folder);
  const std::wstring stored = L"%PURGALOT_TEMPDIR_VAR%\\x.exe";

  TProgramRow& expanded = list.Add();
  expanded.Entry->SetName(L"Expanded");
  expanded.Entry->SetUninstallCommand(stored, true);
  EXPECT_EQ(expanded.StateIndex(), kNoStateImage);
  EXPECT_EQ(expanded.Entry->UninstallCommand(), stored);
  EXPECT_EQ(expanded.Entry->ExecutableCommand(), folder + L"\\x.exe");
  EXPECT_EQ(expanded.UninstallCommand, stored);

  TProgramRow& plain = list.Add();
  plain.Entry->SetName(L"Plain");
  plain.Entry->SetUninstallCommand(stored, false);
  EXPECT_EQ(plain.StateIndex(), kWarningStateImage);
  EXPECT_EQ(plain.Entry->ExecutableCommand(), stored);

  TProgramRow& missing = list.Add();
  missing.Entry->SetName(L"Missing");
  missing.Entry->SetUninstallCommand(L"%PURGALOT_TEMPDIR_VAR%\\gone.exe", true);
  EXPECT_EQ(missing.StateIndex(), kWarningStateImage);
}

TEST_F(ProgramEntryTest, RunUninstallerReturnsTheExitCodeOrMinusOne) {
  TScopedVariable variable(L"PURGALOT_SHELL", L"cmd.exe");
  TProgramRow& row = list.Add();
  row.Entry->SetUninstallCommand(L"cmd.exe /c exit 3");
  EXPECT_EQ(row.Entry->RunUninstaller(), 3);

  TProgramRow& expanded = list.Add();
  expanded.Entry->SetUninstallCommand(L"%PURGALOT_SHELL% /c exit 4", true);
  EXPECT_EQ(expanded.Entry->RunUninstaller(), 4);

  TProgramRow& unexpanded = list.Add();
  unexpanded.Entry->SetUninstallCommand(L"%PURGALOT_SHELL% /c exit 4", false);
  EXPECT_EQ(unexpanded.Entry->RunUninstaller(), -1);

  TProgramRow& missing = list.Add();
  missing.Entry->SetUninstallCommand(dir.Path() + L"Gone\\uninst.exe /S");
  EXPECT_EQ(missing.Entry->RunUninstaller(), -1);
}

TEST_F(ProgramEntryTest, DeleteEntryRemovesTheKeyWithItsSubkeysOnce) {
  TTestKey key;
  key.SetString(L"Uninstall\\App", L"DisplayName", L"App");
  key.SetString(L"Uninstall\\App\\Child\\Grandchild", L"v", L"1");
  key.SetDword(L"Uninstall\\App\\Other", L"n", 1);
  key.SetString(L"Uninstall\\Neighbour", L"DisplayName", L"Neighbour");
  TProgramRow& row = list.Add();
  row.Entry->SetRegistryKey(key.Path() + L"\\Uninstall\\App", HKEY_CURRENT_USER);

  EXPECT_TRUE(row.Entry->DeleteEntry());
  EXPECT_FALSE(key.Exists(L"Uninstall\\App"));
  EXPECT_TRUE(key.Exists(L"Uninstall\\Neighbour"));
  EXPECT_FALSE(row.Entry->DeleteEntry()) << "the key is already gone";
  EXPECT_EQ(list.Count(), 1u) << "the list itself is left alone";

  TProgramRow& keyless = list.Add();
  keyless.Entry->SetRegistryKey(L"", HKEY_CURRENT_USER);
  EXPECT_FALSE(keyless.Entry->DeleteEntry()) << "an entry without a key never deletes the root";
  EXPECT_TRUE(key.Exists(L"Uninstall\\Neighbour"));
}

// ---- The list of rows ---------------------------------------------------------------------------

TEST(ProgramListOrder, RowsAreSortedByCaptionOnceTheUpdateEnds) {
  TProgramList list;
  list.BeginUpdate();
  for (const wchar_t* name : {L"cherry", L"Banana", L"Program 9", L"Zebra", L"Émile", L"apple",
                              L"Program 10", L"éclair", L"7-Zip", L"eagle"})
    list.Add().Entry->SetName(name);
  EXPECT_EQ(list.Row(0).Caption, L"cherry") << "no sorting while the update lasts";
  list.EndUpdate();

  EXPECT_EQ(Captions(list),
            (std::vector<std::wstring>{L"7-Zip", L"apple", L"Banana", L"cherry", L"eagle",
                                       L"éclair", L"Émile", L"Program 10", L"Program 9",
                                       L"Zebra"}));
}

TEST(ProgramListOrder, RowsWithEqualCaptionsKeepTheOrderTheyWereAddedIn) {
  // Enough rows that a sort which does not keep the order of equal rows shows it.
  const wchar_t* names[] = {L"Twin", L"Alpha", L"Zulu"};
  auto command = [](int i) { return L"u" + std::to_wstring(i) + L".exe"; };
  TProgramList list;
  list.BeginUpdate();
  for (int i = 0; i < 40; ++i) {
    TProgramRow& row = list.Add();
    row.Entry->SetName(names[i % 3]);
    row.Entry->SetUninstallCommand(command(i));
  }
  list.EndUpdate();

  std::vector<std::wstring> expected, commands;
  for (int name : {1, 0, 2})  // Alpha, Twin, Zulu, each in the order added
    for (int i = name; i < 40; i += 3) expected.push_back(command(i));
  for (size_t i = 0; i < list.Count(); ++i)
    commands.push_back(list.Row(i).Entry->UninstallCommand());
  EXPECT_EQ(commands, expected);
}

TEST(ProgramListOrder, RowsOwnTheirEntriesAndAreFoundAfterSorting) {
  TProgramList list;
  int changes = 0;
  list.SetOnChanged([&changes] { ++changes; });
  TProgramRow& last = list.Add();
  last.Entry->SetName(L"Zulu");
  TProgramRow& first = list.Add();
  first.Entry->SetName(L"Alpha");  // sorts at once outside an update
  TProgramRow& middle = list.Add();
  middle.Entry->SetName(L"Mike");

  EXPECT_EQ(Captions(list), (std::vector<std::wstring>{L"Alpha", L"Mike", L"Zulu"}));
  EXPECT_EQ(list.IndexOf(&first), 0);
  EXPECT_EQ(list.IndexOf(&middle), 1);
  EXPECT_EQ(list.IndexOf(&last), 2);
  for (size_t i = 0; i < list.Count(); ++i) EXPECT_EQ(&list.Row(i).Entry->ListItem(), &list.Row(i));
  TProgramRow stranger;
  EXPECT_EQ(list.IndexOf(&stranger), -1);
  EXPECT_GT(changes, 0);

  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
}

}  // namespace

namespace {

TEST(RegistryLocation, NamesTheRootAndThe32BitViewsFolderAsTheRegistryEditorShowsThem) {
  const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{App}";
  EXPECT_EQ(RegistryLocationText(HKEY_LOCAL_MACHINE, 0, key), L"HKEY_LOCAL_MACHINE\\" + key);
  EXPECT_EQ(RegistryLocationText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key),
            L"HKEY_LOCAL_MACHINE\\" + key);
  EXPECT_EQ(RegistryLocationText(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key),
            L"HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\"
            L"Uninstall\\{App}");
  // The user's software is one key for both views.
  EXPECT_EQ(RegistryLocationText(HKEY_CURRENT_USER, 0, key), L"HKEY_CURRENT_USER\\" + key);
  EXPECT_EQ(RegistryLocationText(HKEY_CURRENT_USER, KEY_WOW64_32KEY, key),
            L"HKEY_CURRENT_USER\\" + key);
  EXPECT_EQ(RegistryLocationText(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"SOFTWARE\\X"),
            L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\X");
}

}  // namespace
