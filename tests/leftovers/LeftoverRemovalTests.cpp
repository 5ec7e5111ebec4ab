// Removing a program's leftovers end to end, on a machine made in the test prefix: a program with
// every kind of trace the finder looks for, a sloppy uninstaller, and bystanders that look alike.
// Found, removed through the assisted uninstall's engine, and brought back by Restore.
#include "leftovers/LeftoverRemoval.h"

#include "assisted/ProtectedPlaces.h"
#include "backup/BackupStore.h"
#include "support/TestMachine.h"
#include "uninstall/Logging.h"
#include "uninstall/Restore.h"
#include "win/FileSystemTree.h"
#include "win/RegistryTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

using testing_support::TTempDir;

namespace {

const std::wstring kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kAppPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring text;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) text = path;
  CoTaskMemFree(path);
  return text;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFile(const std::wstring& path) {
  SHCreateDirectoryExW(nullptr, path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  WriteFile(file.Get(), "MZ", 2, &written, nullptr);
}

void MakeShortcut(const std::wstring& link, const std::wstring& target) {
  SHCreateDirectoryExW(nullptr, link.substr(0, link.find_last_of(L'\\')).c_str(), nullptr);
  IShellLinkW* shell = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, reinterpret_cast<void**>(&shell))));
  shell->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    file->Save(link.c_str(), TRUE);
    file->Release();
  }
  shell->Release();
}

void SetText(HKEY root, const std::wstring& key, const std::wstring& name,
             const std::wstring& text) {
  RegSetKeyValueW(root, key.c_str(), name.empty() ? nullptr : name.c_str(), REG_SZ, text.c_str(),
                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring ReadText(HKEY root, const std::wstring& key, const std::wstring& name) {
  wchar_t text[512] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  return RegGetValueW(root, key.c_str(), name.empty() ? nullptr : name.c_str(),
                      RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, text,
                      &size) == ERROR_SUCCESS
             ? text
             : L"(missing)";
}

bool KeyExists(HKEY root, const std::wstring& key) {
  win::UniqueHKey opened;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, opened.Put()) ==
         ERROR_SUCCESS;
}

// One place of the machine: a folder or file, a key, or one value of a key.
struct TPlace {
  enum TKind { Path, Key, Value } Kind;
  HKEY Root = nullptr;
  std::wstring Where;
  std::wstring Name{};

  bool Present() const {
    switch (Kind) {
      case Path: return Exists(Where);
      case Key: return KeyExists(Root, Where);
      case Value: return ReadText(Root, Where, Name) != L"(missing)";
    }
    return false;
  }
  std::string Text() const {
    return win::ToUtf8(Where + (Kind == Value ? L" \"" + Name + L"\"" : L""));
  }
};

// The machine: "Inkwell Studio" by Quillworks with every trace, and what must survive its removal.
// Each folder, key and value it makes is removed again when the test ends, and nothing else.
class TInkwellMachine {
public:
  TInkwellMachine() {
    const std::wstring programFiles = KnownFolder(FOLDERID_ProgramFiles);
    const std::wstring common = KnownFolder(FOLDERID_ProgramFilesCommon);
    const std::wstring roaming = KnownFolder(FOLDERID_RoamingAppData);
    const std::wstring local = KnownFolder(FOLDERID_LocalAppData);
    const std::wstring data = KnownFolder(FOLDERID_ProgramData);
    const std::wstring startMenu = KnownFolder(FOLDERID_Programs);
    const std::wstring desktop = KnownFolder(FOLDERID_Desktop);
    const std::wstring documents = KnownFolder(FOLDERID_Documents);
    const std::wstring downloads = KnownFolder(FOLDERID_Downloads);
    Install = programFiles + L"\\Quillworks\\Inkwell Studio";
    MainExe = Install + L"\\inkwell.exe";
    const std::wstring sketchpad = programFiles + L"\\Quillworks\\Sketchpad";
    const std::wstring lookalike = programFiles + L"\\Inkwell Studio Viewer";

    // The program.
    MakeFile(MainExe);
    MakeFile(Install + L"\\inkshell.dll");
    MakeFile(Install + L"\\uninst.exe");
    for (const std::wstring& base : {roaming, local, data})
      MakeFile(base + L"\\Quillworks\\Inkwell Studio\\settings.ini");
    MakeShortcut(startMenu + L"\\Inkwell Studio\\Inkwell Studio.lnk", MainExe);
    MakeShortcut(desktop + L"\\Inkwell Studio.lnk", MainExe);
    SetText(HKEY_CURRENT_USER, L"Software\\Quillworks\\Inkwell Studio", L"Theme", L"Dark");
    SetText(HKEY_LOCAL_MACHINE, L"Software\\Quillworks\\Inkwell Studio", L"Path", Install);
    SetText(HKEY_LOCAL_MACHINE, kAppPaths + L"inkwell.exe", L"", MainExe);
    SetText(HKEY_CURRENT_USER, L"Software\\Classes\\Inkwell.Drawing\\shell\\open\\command", L"",
            L"\"" + MainExe + L"\" \"%1\"");
    SetText(HKEY_CURRENT_USER, L"Software\\Classes\\.inkd", L"", L"Inkwell.Drawing");
    SetText(HKEY_CURRENT_USER, L"Software\\Classes\\.svg\\OpenWithProgids", L"Inkwell.Drawing",
            L"");
    SetText(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + kClass + L"\\InprocServer32", L"",
            Install + L"\\inkshell.dll");
    SetText(HKEY_CURRENT_USER, kRun, L"Inkwell Studio", L"\"" + MainExe + L"\" /tray");
    AddEntry(kEntry, L"Inkwell Studio", Install, L"\"" + Install + L"\\uninst.exe\"");

    // The bystanders: the publisher's other program sharing its folders and key, a look-alike,
    // the user's own documents and the downloaded installer.
    MakeFile(sketchpad + L"\\sketchpad.exe");
    MakeFile(roaming + L"\\Quillworks\\Sketchpad\\brushes.ini");
    MakeFile(roaming + L"\\Quillworks\\shared.ini");
    MakeFile(common + L"\\Quillworks\\quillcore.dll");
    SetText(HKEY_CURRENT_USER, L"Software\\Quillworks\\Sketchpad", L"Brush", L"Round");
    SetText(HKEY_CURRENT_USER, L"Software\\Quillworks", L"Licence", L"Q-1");
    AddEntry(kSketchpadEntry, L"Sketchpad", sketchpad, L"\"" + sketchpad + L"\\uninst.exe\"",
             L"Quillworks");
    MakeFile(lookalike + L"\\viewer.exe");
    MakeFile(roaming + L"\\Inkwell Studio Viewer\\recent.ini");
    AddEntry(kViewerEntry, L"Inkwell Studio Viewer", lookalike,
             L"\"" + lookalike + L"\\uninst.exe\"", L"Viewerworks");
    MakeFile(documents + L"\\Inkwell Studio\\My drawing.inkd");
    MakeFile(downloads + L"\\InkwellStudioSetup.exe");
    SetText(HKEY_CURRENT_USER, kRun, L"Sketchpad", L"\"" + sketchpad + L"\\sketchpad.exe\"");

    Traces = {
        {TPlace::Path, nullptr, Install},
        {TPlace::Path, nullptr, roaming + L"\\Quillworks\\Inkwell Studio"},
        {TPlace::Path, nullptr, local + L"\\Quillworks\\Inkwell Studio"},
        {TPlace::Path, nullptr, data + L"\\Quillworks\\Inkwell Studio"},
        {TPlace::Path, nullptr, startMenu + L"\\Inkwell Studio"},
        {TPlace::Path, nullptr, desktop + L"\\Inkwell Studio.lnk"},
        {TPlace::Key, HKEY_CURRENT_USER, L"Software\\Quillworks\\Inkwell Studio"},
        {TPlace::Key, HKEY_LOCAL_MACHINE, L"Software\\Quillworks\\Inkwell Studio"},
        {TPlace::Key, HKEY_LOCAL_MACHINE, kAppPaths + L"inkwell.exe"},
        {TPlace::Key, HKEY_CURRENT_USER, L"Software\\Classes\\Inkwell.Drawing"},
        {TPlace::Key, HKEY_CURRENT_USER, L"Software\\Classes\\.inkd"},
        {TPlace::Key, HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + kClass},
        {TPlace::Value, HKEY_CURRENT_USER, L"Software\\Classes\\.svg\\OpenWithProgids",
         L"Inkwell.Drawing"},
        {TPlace::Value, HKEY_CURRENT_USER, kRun, L"Inkwell Studio"},
    };
    Bystanders = {
        {TPlace::Path, nullptr, sketchpad + L"\\sketchpad.exe"},
        {TPlace::Path, nullptr, roaming + L"\\Quillworks\\Sketchpad\\brushes.ini"},
        {TPlace::Path, nullptr, roaming + L"\\Quillworks\\shared.ini"},
        {TPlace::Path, nullptr, common + L"\\Quillworks\\quillcore.dll"},
        {TPlace::Path, nullptr, lookalike + L"\\viewer.exe"},
        {TPlace::Path, nullptr, roaming + L"\\Inkwell Studio Viewer\\recent.ini"},
        {TPlace::Path, nullptr, documents + L"\\Inkwell Studio\\My drawing.inkd"},
        {TPlace::Path, nullptr, downloads + L"\\InkwellStudioSetup.exe"},
        {TPlace::Key, HKEY_CURRENT_USER, L"Software\\Quillworks\\Sketchpad"},
        {TPlace::Value, HKEY_CURRENT_USER, L"Software\\Quillworks", L"Licence"},
        {TPlace::Value, HKEY_CURRENT_USER, kRun, L"Sketchpad"},
        {TPlace::Key, HKEY_CURRENT_USER, kUninstall + kSketchpadEntry},
        {TPlace::Key, HKEY_CURRENT_USER, kUninstall + kViewerEntry},
    };
    made_ = {programFiles + L"\\Quillworks", lookalike,
             roaming + L"\\Quillworks",      local + L"\\Quillworks",
             data + L"\\Quillworks",         common + L"\\Quillworks",
             startMenu + L"\\Inkwell Studio", desktop + L"\\Inkwell Studio.lnk",
             roaming + L"\\Inkwell Studio Viewer", documents + L"\\Inkwell Studio",
             downloads + L"\\InkwellStudioSetup.exe"};
  }

  ~TInkwellMachine() {
    for (const std::wstring& path : made_) win::DeleteFileSystemTree(path);
    const std::vector<std::wstring> userKeys = {
        L"Software\\Quillworks",          L"Software\\Classes\\Inkwell.Drawing",
        L"Software\\Classes\\.inkd",     L"Software\\Classes\\CLSID\\" + kClass,
        kUninstall + kEntry,             kUninstall + kSketchpadEntry,
        kUninstall + kViewerEntry,       kUninstall + kPenstrokeEntry};
    for (const std::wstring& key : userKeys)
      win::DeleteRegistryTree(HKEY_CURRENT_USER, key);
    win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\Quillworks");
    win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kAppPaths + L"inkwell.exe");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Classes\\.svg\\OpenWithProgids",
                       L"Inkwell.Drawing");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun.c_str(), L"Inkwell Studio");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun.c_str(), L"Sketchpad");
  }

  // What its uninstaller leaves: it removes only its entry and its main executable.
  void RunSloppyUninstaller() const {
    win::DeleteRegistryTree(HKEY_CURRENT_USER, kUninstall + kEntry);
    DeleteFileW(MainExe.c_str());
  }

  const std::wstring kEntry = L"Inkwell Studio_is1";
  const std::wstring kSketchpadEntry = L"Quillworks Sketchpad";
  const std::wstring kViewerEntry = L"Inkwell Studio Viewer";
  const std::wstring kPenstrokeEntry = L"Penstroke";
  const std::wstring kClass = L"{6D1C3A7E-2B4F-4E0A-9C11-5A7F2E8B9D40}";
  std::wstring Install, MainExe;
  std::vector<TPlace> Traces, Bystanders;

private:
  void AddEntry(const std::wstring& key, const std::wstring& name, const std::wstring& folder,
                const std::wstring& uninstaller, const std::wstring& publisher = L"Quillworks") {
    SetText(HKEY_CURRENT_USER, kUninstall + key, L"DisplayName", name);
    SetText(HKEY_CURRENT_USER, kUninstall + key, L"Publisher", publisher);
    SetText(HKEY_CURRENT_USER, kUninstall + key, L"DisplayVersion", L"2.4.1");
    SetText(HKEY_CURRENT_USER, kUninstall + key, L"InstallLocation", folder);
    SetText(HKEY_CURRENT_USER, kUninstall + key, L"UninstallString", uninstaller);
    MakeFile(folder + L"\\uninst.exe");
  }

  std::vector<std::wstring> made_;
};

std::wstring Env(const wchar_t* name) {
  std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
  return value;
}

// Folders and files go to the Recycle Bin, which under Wine is the XDG trash of $XDG_DATA_HOME:
// only one inside the test prefix is used, so nothing reaches the host's own trash.
class LeftoverRemovalTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::wstring prefix = Env(L"WINEPREFIX"), data = Env(L"XDG_DATA_HOME");
    while (!prefix.empty() && prefix.back() == L'/') prefix.pop_back();
    if (prefix.empty() || data.compare(0, prefix.size() + 1, prefix + L"/") != 0 ||
        data.find(L"/..") != std::wstring::npos)
      GTEST_FAIL() << "Refusing to use the Recycle Bin: XDG_DATA_HOME does not lie inside the "
                      "test prefix. Run the tests with scripts/test.";
  }

  // The removal of what the finder proposes for the program, after its sloppy uninstaller ran.
  TLeftoverRemoval Proposal(const TInkwellMachine& machine) const {
    const TProgramFacts facts = FactsFromEntry(HKEY_CURRENT_USER, 0, kUninstall + machine.kEntry);
    EXPECT_EQ(facts.InstallFolder, machine.Install);
    machine.RunSloppyUninstaller();
    TLeftoverRemoval removal(facts, TLeftoverFinder().Find(facts, ReadOtherPrograms()), Log());
    removal.UseRecycleBin = true;
    return removal;
  }

  win::ComInit com_;
  TTempDir logs_;
  std::wstring Log() const { return logs_.Path() + L"ULog.txt"; }
};

TEST_F(LeftoverRemovalTest, TickedFindsTakeEveryTraceKeepEveryBystanderAndRestoreBringsThemBack) {
  TInkwellMachine machine;
  TLeftoverRemoval removal = Proposal(machine);

  EXPECT_TRUE(removal.Remove());

  for (const TPlace& trace : machine.Traces) EXPECT_FALSE(trace.Present()) << trace.Text();
  for (const TPlace& bystander : machine.Bystanders)
    EXPECT_TRUE(bystander.Present()) << bystander.Text();
  // The log names the program and every row with its outcome.
  std::wstring log;
  ASSERT_TRUE(TLogging::ReadText(Log(), log));
  EXPECT_NE(log.find(L"Removing leftovers of Inkwell Studio"), std::wstring::npos);
  for (const TDeleteRow& row : removal.Rows) {
    if (!row.Checked) continue;
    EXPECT_NE(log.find(row.Kind + L"....." + row.Path() + L".....OK"), std::wstring::npos)
        << win::ToUtf8(row.Path());
  }

  // Restore writes every key and value back; every folder and file is in the Recycle Bin, and
  // the Restore window names each to take back from there.
  const std::vector<TBackupAction> actions = ListBackups(BackupRootBeside(Log()));
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0].Action, kLeftoversBackupAction);
  RestoreRegistry(actions[0], IsProtectedKey, AreValuesProtected);
  std::vector<std::wstring> recycled;
  for (const TBackupItem& item : actions[0].Items)
    if (item.Kind == kBackupRecycled) recycled.push_back(item.Path);
  for (const TPlace& trace : machine.Traces) {
    if (trace.Kind == TPlace::Path)
      EXPECT_NE(std::find(recycled.begin(), recycled.end(), trace.Where), recycled.end())
          << trace.Text();
    else
      EXPECT_TRUE(trace.Present()) << trace.Text();
  }
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kRun, L"Inkwell Studio"),
            L"\"" + machine.MainExe + L"\" /tray");
}

TEST_F(LeftoverRemovalTest, AFolderThatBecameAnotherProgramsInstallFolderSinceTheSearchStays) {
  TInkwellMachine machine;
  TLeftoverRemoval removal = Proposal(machine);
  const auto install =
      std::find_if(removal.Rows.begin(), removal.Rows.end(),
                   [&](const TDeleteRow& row) { return row.Item.Path == machine.Install; });
  ASSERT_NE(install, removal.Rows.end());
  ASSERT_TRUE(install->Checked);
  // Meanwhile another program is installed into that very folder.
  SetText(HKEY_CURRENT_USER, kUninstall + machine.kPenstrokeEntry, L"DisplayName", L"Penstroke");
  SetText(HKEY_CURRENT_USER, kUninstall + machine.kPenstrokeEntry, L"InstallLocation",
          machine.Install);

  EXPECT_FALSE(removal.Remove());

  EXPECT_EQ(install->Status(), kStatusFailed);
  EXPECT_TRUE(Exists(machine.Install + L"\\inkshell.dll"));
  // The rest of the proposal still goes.
  EXPECT_FALSE(machine.Traces[1].Present()) << machine.Traces[1].Text();
}

}  // namespace
