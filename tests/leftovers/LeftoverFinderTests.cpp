#include "leftovers/LeftoverFinder.h"

#include "assisted/ProtectedPlaces.h"
#include "support/TestMachine.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using testing_support::TTempDir;

std::wstring Unique() {
  static int count = 0;
  return L"T" + std::to_wstring(GetCurrentProcessId()) + L"x" +
         std::to_wstring(GetTickCount() % 100000) + L"n" + std::to_wstring(++count);
}

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path);
  win::UniqueCoTaskMemory memory(path);
  return path ? path : L"";
}

void MakeShortcut(const std::wstring& path, const std::wstring& target) {
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, link.PutVoid())));
  link->SetPath(target.c_str());
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())));
  ASSERT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE)));
}

// Keys and values the test writes in the real registry of the test prefix, each uniquely named;
// the keys it owns are deleted with everything below them, the values it owns one by one.
class TMadeRegistry {
 public:
  ~TMadeRegistry() {
    for (const TPlace& place : values_) {
      win::UniqueHKey key;
      if (RegOpenKeyExW(place.Root, place.Path.c_str(), 0, KEY_SET_VALUE | place.View, key.Put()) ==
          ERROR_SUCCESS)
        RegDeleteValueW(key.Get(), place.Name.c_str());
    }
    for (const TPlace& place : keys_) {
      win::UniqueHKey parent;
      if (RegOpenKeyExW(place.Root, place.Path.c_str(), 0, KEY_ALL_ACCESS | place.View,
                        parent.Put()) != ERROR_SUCCESS)
        continue;
      RegDeleteTreeW(parent.Get(), place.Name.c_str());
      RegDeleteKeyExW(parent.Get(), place.Name.c_str(), place.View, 0);
    }
  }
  // Writes a string value into root\path (the default value for an empty name); `owned` (a
  // prefix of path) is the unique key deleted again.
  void Set(HKEY root, const std::wstring& owned, const std::wstring& below,
           const std::wstring& name, const std::wstring& text, REGSAM view = 0) {
    Own(root, owned, view);
    std::wstring path = below.empty() ? owned : owned + L"\\" + below;
    win::UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              key.Put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.Get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  // A value of its own in a key the machine keeps (Run).
  void SetValue(HKEY root, const std::wstring& path, const std::wstring& name,
                const std::wstring& text) {
    win::UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                              nullptr),
              ERROR_SUCCESS);
    values_.push_back({root, 0, path, name});
    RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

 private:
  struct TPlace {
    HKEY Root;
    REGSAM View;
    std::wstring Path, Name;
  };
  void Own(HKEY root, const std::wstring& owned, REGSAM view) {
    size_t slash = owned.find_last_of(L'\\');
    TPlace place{root, view, owned.substr(0, slash), owned.substr(slash + 1)};
    for (const TPlace& p : keys_)
      if (p.Root == root && p.View == view && p.Path == place.Path && p.Name == place.Name) return;
    keys_.push_back(place);
  }
  std::vector<TPlace> keys_, values_;
};

// A machine in the test's own folders: two Program Files, Roaming and Local data, ProgramData,
// a Start menu and a desktop; the registry is the real one, every name in it unique to the test.
struct TMachine {
  win::ComInit com;
  TTempDir dir;
  std::wstring Tag = Unique();
  std::wstring ProgramFiles = dir.MakeFolder(L"Program Files");
  std::wstring CommonFiles = dir.MakeFolder(L"Common Files");
  std::wstring Roaming = dir.MakeFolder(L"Roaming");
  std::wstring Local = dir.MakeFolder(L"Local");
  std::wstring ProgramData = dir.MakeFolder(L"ProgramData");
  std::wstring Menu = dir.MakeFolder(L"Programs");
  std::wstring Desktop = dir.MakeFolder(L"Desktop");
  TMadeRegistry Registry;
  TLeftoverFinder Finder;

  TMachine() {
    Finder.Places.ProgramFolders = {ProgramFiles, CommonFiles};
    Finder.Places.DataFolders = {Roaming, Local, ProgramData};
    Finder.Places.StartMenus = {Menu};
    Finder.Places.Desktops = {Desktop};
  }
  std::wstring Folder(const std::wstring& relative) { return dir.MakeFolder(relative); }
  std::wstring File(const std::wstring& relative) { return dir.MakeFile(relative); }
};

const TLeftover* Found(const std::vector<TLeftover>& finds, const std::wstring& location,
                       const std::wstring& value = {}) {
  for (const TLeftover& find : finds)
    if (win::EqualsNoCase(find.Location(), location) && find.ValueName == value) return &find;
  return nullptr;
}

std::wstring Describe(const std::vector<TLeftover>& finds) {
  std::wstring text;
  for (const TLeftover& find : finds) {
    text += L"\n  " + find.Location() +
            (find.ValueName.empty() ? L"" : L" [" + find.ValueName + L"]") + L" " +
            LevelCaption(find.Level) + L" " + std::to_wstring(find.Score);
    for (const std::wstring& e : find.Evidence) text += L" | " + e;
  }
  return text;
}

TEST(LeftoverFinder, FindsEveryKindOfTraceWithItsEvidenceAndLevel) {
  TMachine m;
  const std::wstring& t = m.Tag;
  const std::wstring publisherFolder = L"Tarvtest" + t;
  TProgramFacts quill;
  quill.Name = L"Quill " + t + L" 2.1";
  quill.Version = L"2.1";
  quill.Publisher = L"Tarvtest" + t + L" Inc.";
  // A folder name no ANSI code page spells.
  const std::wstring installName =
      L"Program Files\\" + publisherFolder + L"\\Quill " + t + L" Перо 筆";
  quill.InstallFolder = m.Folder(installName);
  const std::wstring exe = m.File(installName + L"\\quill.exe");
  quill.Executables = {L"quill.exe"};

  m.Folder(L"ProgramData\\Quill" + t);
  m.Folder(L"Roaming\\" + publisherFolder + L" Inc\\Quill " + t);
  m.Folder(L"Local\\Quill" + t + L" Backup");
  m.Folder(L"Local\\Quil" + t);
  m.Folder(L"Local\\Inkpot" + t);  // not the program's
  m.Folder(L"Programs\\Quill " + t);
  MakeShortcut(m.Menu + L"\\Quill " + t + L"\\Quill.lnk", exe);
  m.Folder(L"Programs\\Tools" + t);
  MakeShortcut(m.Menu + L"\\Tools" + t + L"\\Writer.lnk", exe);
  MakeShortcut(m.Desktop + L"\\Quill.lnk", exe);
  MakeShortcut(m.Desktop + L"\\Notepad.lnk", L"C:\\windows\\notepad.exe");  // not the program's

  const std::wstring software = L"Software\\Tarvtest" + t;
  m.Registry.Set(HKEY_CURRENT_USER, software, L"Quill " + t + L" 2.1", L"Path",
                 quill.InstallFolder);
  m.Registry.Set(HKEY_LOCAL_MACHINE, L"Software\\Quill" + t, L"", L"", L"", KEY_WOW64_32KEY);
  const std::wstring appPaths =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quill" + t + L".exe";
  m.Registry.Set(HKEY_CURRENT_USER, appPaths, L"", L"", exe);
  const std::wstring progId = L"Software\\Classes\\Quill" + t + L".Document";
  m.Registry.Set(HKEY_CURRENT_USER, progId, L"shell\\open\\command", L"",
                 L"\"" + exe + L"\" \"%1\"");
  const std::wstring extension = L"Software\\Classes\\.qw" + t;
  m.Registry.Set(HKEY_CURRENT_USER, extension, L"", L"", L"Quill" + t + L".Document");
  // An extension other file types are offered for too: only its Open With value is the program's.
  const std::wstring sharedExtension = L"Software\\Classes\\.qs" + t;
  m.Registry.Set(HKEY_CURRENT_USER, sharedExtension, L"", L"", L"Quill" + t + L".Document");
  m.Registry.Set(HKEY_CURRENT_USER, sharedExtension, L"OpenWithProgids",
                 L"Quill" + t + L".Document", L"");
  m.Registry.Set(HKEY_CURRENT_USER, sharedExtension, L"OpenWithProgids", L"Inkpot" + t + L".Sheet",
                 L"");
  // Open With offering types no Classes key holds any more: one named after the program.
  const std::wstring goneTypes = L"Software\\Classes\\.qd" + t;
  m.Registry.Set(HKEY_CURRENT_USER, goneTypes, L"OpenWithProgids", L"Quill" + t + L".Legacy", L"");
  m.Registry.Set(HKEY_CURRENT_USER, goneTypes, L"OpenWithProgids", L"Inkpot" + t + L".Old", L"");
  m.Registry.Set(HKEY_CURRENT_USER, goneTypes, L"OpenWithProgids", L"Quill" + t + L".Viewer", L"");
  m.Registry.Set(HKEY_CURRENT_USER, L"Software\\Classes\\Quill" + t + L".Viewer",
                 L"shell\\open\\command", L"",
                 L"C:\\Viewers\\view.exe");  // still there, and not the program's
  const std::wstring clsid = L"Software\\Classes\\CLSID\\{" + t + L"-0000-4000-8000-000000000001}";
  m.Registry.Set(HKEY_CURRENT_USER, clsid, L"InprocServer32", L"",
                 quill.InstallFolder + L"\\quillext.dll");
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  m.Registry.SetValue(HKEY_CURRENT_USER, run, L"Quill" + t + L" Tray", L"\"" + exe + L"\" /tray");
  m.Registry.SetValue(HKEY_CURRENT_USER, run, L"Inkpot" + t, L"C:\\Inkpot" + t + L"\\ink.exe");

  std::vector<TLeftover> finds = m.Finder.Find(quill, {});

  struct TRow {
    TLeftoverKind Kind;
    std::wstring Location, Value;
    TLeftoverLevel Level;
    std::wstring Evidence;  // the strongest piece
  };
  const std::wstring hkcu = L"HKEY_CURRENT_USER\\";
  const std::vector<TRow> rows = {
      {TLeftoverKind::Folder, quill.InstallFolder, L"", TLeftoverLevel::VerySure,
       L"It is the program's install folder."},
      {TLeftoverKind::Folder, m.ProgramFiles + L"\\" + publisherFolder, L"", TLeftoverLevel::Unsure,
       L"It is named after the publisher and holds nothing but the program's traces."},
      {TLeftoverKind::Folder, m.ProgramData + L"\\Quill" + t, L"", TLeftoverLevel::Sure,
       L"It is named after the program."},
      {TLeftoverKind::Folder, m.Roaming + L"\\" + publisherFolder + L" Inc\\Quill " + t, L"",
       TLeftoverLevel::Sure,
       L"It is named after the program, inside a folder or key named after its publisher."},
      {TLeftoverKind::Folder, m.Roaming + L"\\" + publisherFolder + L" Inc", L"",
       TLeftoverLevel::Unsure,
       L"It is named after the publisher and holds nothing but the program's traces."},
      {TLeftoverKind::Folder, m.Local + L"\\Quill" + t + L" Backup", L"", TLeftoverLevel::Unlikely,
       L"Its name holds part of the program's name."},
      {TLeftoverKind::Folder, m.Local + L"\\Quil" + t, L"", TLeftoverLevel::Unsure,
       L"Its name is close to the program's name."},
      {TLeftoverKind::Folder, m.Menu + L"\\Quill " + t, L"", TLeftoverLevel::Sure,
       L"It is named after the program."},
      {TLeftoverKind::File, m.Menu + L"\\Quill " + t + L"\\Quill.lnk", L"",
       TLeftoverLevel::VerySure, L"The shortcut starts a file in the program's install folder."},
      {TLeftoverKind::File, m.Menu + L"\\Tools" + t + L"\\Writer.lnk", L"",
       TLeftoverLevel::VerySure, L"The shortcut starts a file in the program's install folder."},
      {TLeftoverKind::File, m.Desktop + L"\\Quill.lnk", L"", TLeftoverLevel::VerySure,
       L"The shortcut starts a file in the program's install folder."},
      {TLeftoverKind::Key, hkcu + software + L"\\Quill " + t + L" 2.1", L"", TLeftoverLevel::Sure,
       L"It is named after the program, inside a folder or key named after its publisher."},
      {TLeftoverKind::Key, hkcu + software, L"", TLeftoverLevel::Unsure,
       L"It is named after the publisher and holds nothing but the program's traces."},
      {TLeftoverKind::Key, L"HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Quill" + t, L"",
       TLeftoverLevel::Sure, L"It is named after the program."},
      {TLeftoverKind::Key, hkcu + appPaths, L"", TLeftoverLevel::VerySure,
       L"Its App Paths entry names a program file in the install folder."},
      {TLeftoverKind::Key, hkcu + progId, L"", TLeftoverLevel::Sure,
       L"Its file type opens or shows files with the program's install folder."},
      {TLeftoverKind::Key, hkcu + extension, L"", TLeftoverLevel::Sure,
       L"The extension opens with a file type the program registered."},
      {TLeftoverKind::Key, hkcu + clsid, L"", TLeftoverLevel::Sure,
       L"Its COM server lies in the program's install folder."},
      {TLeftoverKind::Value, hkcu + sharedExtension + L"\\OpenWithProgids",
       L"Quill" + t + L".Document", TLeftoverLevel::Sure,
       L"It offers a file type the program registered in Open With."},
      {TLeftoverKind::Value, hkcu + goneTypes + L"\\OpenWithProgids", L"Quill" + t + L".Legacy",
       TLeftoverLevel::Sure, L"It is named after the program."},
      {TLeftoverKind::Value, hkcu + run, L"Quill" + t + L" Tray", TLeftoverLevel::VerySure,
       L"Its Run value starts the program from its install folder."},
  };
  for (const TRow& row : rows) {
    const TLeftover* find = Found(finds, row.Location, row.Value);
    ASSERT_TRUE(find) << win::ToUtf8(row.Location) << win::ToUtf8(Describe(finds));
    EXPECT_EQ(find->Kind, row.Kind) << win::ToUtf8(row.Location);
    EXPECT_EQ(find->Level, row.Level) << win::ToUtf8(row.Location) << win::ToUtf8(Describe(finds));
    EXPECT_EQ(find->Evidence.at(0), row.Evidence) << win::ToUtf8(row.Location);
  }
  // Nothing else: not the other program's folder, value or Open With, not the shared extension.
  EXPECT_EQ(finds.size(), rows.size()) << win::ToUtf8(Describe(finds));
  // Grouped by kind: folders, files, keys, values.
  EXPECT_TRUE(
      std::is_sorted(finds.begin(), finds.end(),
                     [](const TLeftover& a, const TLeftover& b) { return a.Kind < b.Kind; }));
}

// Another program of the same publisher shares its folder, key and a Common Files folder; a
// program of a similar name has its own folder and key; the user keeps documents in a folder of
// the program's name; its installer lies in Downloads. None of them is proposed ticked.
TEST(LeftoverFinder, NeverTicksABystander) {
  TMachine m;
  const std::wstring& t = m.Tag;
  const std::wstring vendor = L"Tarvtest" + t;
  testing_support::TTestKey entry;
  const std::wstring install = m.Folder(L"Program Files\\" + vendor + L"\\Quill" + t);
  m.File(L"Program Files\\" + vendor + L"\\Quill" + t + L"\\quill.exe");
  const std::wstring shared = m.Folder(L"Common Files\\" + vendor + L"\\Shared");
  entry.SetString(L"Quill", L"DisplayName", L"Quill" + t);
  entry.SetString(L"Quill", L"Publisher", vendor);
  entry.SetString(L"Quill", L"InstallLocation", install);
  entry.SetString(L"Quill", L"DisplayIcon", shared + L"\\icons.dll,2");
  const std::wstring downloads = KnownFolder(FOLDERID_Downloads);
  const std::wstring installer = downloads + L"\\Quill" + t + L"Setup.exe";
  entry.SetString(L"Quill", L"UninstallString", L"\"" + installer + L"\" /uninstall");
  TProgramFacts quill = FactsFromEntry(entry.Root(), 0, entry.Path() + L"\\Quill");
  ASSERT_EQ(quill.InstallFolder, install);
  ASSERT_EQ(quill.OtherFolders, std::vector<std::wstring>{shared});

  const std::wstring inkpot = m.Folder(L"Program Files\\" + vendor + L"\\Inkpot" + t);
  const std::wstring vendorData = m.Folder(L"Roaming\\" + vendor);
  const std::wstring ownData = m.Folder(L"Roaming\\" + vendor + L"\\Quill" + t);
  m.Folder(L"Roaming\\" + vendor + L"\\Inkpot" + t);
  const std::wstring proFolder = m.Folder(L"ProgramData\\Quill" + t + L" Pro");
  m.Registry.Set(HKEY_CURRENT_USER, L"Software\\" + vendor, L"Quill" + t, L"", L"");
  m.Registry.Set(HKEY_CURRENT_USER, L"Software\\" + vendor, L"Inkpot" + t, L"Data", inkpot);
  m.Registry.Set(HKEY_CURRENT_USER, L"Software\\Quill" + t + L" Pro", L"", L"", L"");
  // A shortcut into the folder the other program shares.
  MakeShortcut(m.Desktop + L"\\Ink Tools.lnk",
               m.File(L"Common Files\\" + vendor + L"\\Shared\\tools.exe"));
  std::vector<TOtherProgram> others = {{L"Inkpot" + t, vendor, {inkpot, shared}},
                                       {L"Quill" + t + L" Pro", L"Pro Vendor" + t, {proFolder}}};

  // The user's own documents folder named after the program, as a program once run from there
  // would name it.
  const std::wstring documents = KnownFolder(FOLDERID_Documents) + L"\\Quill" + t;
  ASSERT_TRUE(CreateDirectoryW(documents.c_str(), nullptr));
  HANDLE file = CreateFileW(installer.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  m.Finder.Places.DataFolders.push_back(KnownFolder(FOLDERID_Documents));
  m.Finder.Places.DataFolders.push_back(downloads);

  std::vector<TLeftover> finds = m.Finder.Find(quill, others);
  // Named by the user with a folder: the documents folder, or the publisher's folder that holds
  // the other program's.
  for (const std::wstring& folder : {documents, m.ProgramFiles + L"\\" + vendor}) {
    std::vector<TLeftover> named = m.Finder.Find(FactsFromName(L"Quill" + t, folder), others);
    finds.insert(finds.end(), named.begin(), named.end());
  }
  RemoveDirectoryW(documents.c_str());
  DeleteFileW(installer.c_str());

  // The program's own traces are proposed...
  for (const std::wstring& own :
       {install, ownData, L"HKEY_CURRENT_USER\\Software\\" + vendor + L"\\Quill" + t}) {
    const TLeftover* find = Found(finds, own);
    ASSERT_TRUE(find && find->Ticked()) << win::ToUtf8(own) << win::ToUtf8(Describe(finds));
  }
  // ...the bystanders never ticked...
  for (const std::wstring& bystander : {shared, proFolder, m.Desktop + L"\\Ink Tools.lnk",
                                        L"HKEY_CURRENT_USER\\Software\\Quill" + t + L" Pro"}) {
    const TLeftover* find = Found(finds, bystander);
    EXPECT_TRUE(!find || !find->Ticked()) << win::ToUtf8(bystander) << win::ToUtf8(Describe(finds));
  }
  // ...and what holds another program's traces, the user's documents and the installer in
  // Downloads not proposed at all.
  for (const std::wstring& never : {m.ProgramFiles + L"\\" + vendor, inkpot, vendorData,
                                    L"HKEY_CURRENT_USER\\Software\\" + vendor,
                                    L"HKEY_CURRENT_USER\\Software\\" + vendor + L"\\Inkpot" + t,
                                    documents, installer, downloads})
    EXPECT_FALSE(Found(finds, never)) << win::ToUtf8(never) << win::ToUtf8(Describe(finds));
}

// A program whose name and publisher are those of the system's own folders and keys: the real
// places of this machine are searched, and none of the known folders, nothing directly inside
// the user's document folders and no protected place or key is proposed.
TEST(LeftoverFinder, NeverProposesKnownFoldersOrProtectedPlaces) {
  win::ComInit com;
  TLeftoverFinder finder;
  ASSERT_FALSE(finder.Places.ProgramFolders.empty());
  ASSERT_FALSE(finder.Places.DataFolders.empty());
  std::vector<TLeftover> finds;
  for (auto [name, publisher, folder] :
       {std::tuple{L"Windows", L"Microsoft Corporation", KnownFolder(FOLDERID_Windows)},
        std::tuple{L"Start Menu", L"Microsoft", KnownFolder(FOLDERID_StartMenu)},
        std::tuple{L"Programs", L"", KnownFolder(FOLDERID_ProgramFiles)},
        std::tuple{L"Common Files", L"Downloads", KnownFolder(FOLDERID_Downloads)}}) {
    TProgramFacts facts = FactsFromName(name, folder);
    facts.Publisher = publisher;
    facts.InstallFolder = folder;  // as a careless entry might name it
    std::vector<TLeftover> some = finder.Find(facts, {});
    finds.insert(finds.end(), some.begin(), some.end());
  }
  for (const TLeftover& find : finds) {
    if (find.Kind == TLeftoverKind::Key || find.Kind == TLeftoverKind::Value) {
      EXPECT_FALSE(find.Kind == TLeftoverKind::Key && IsProtectedKey(find.Root, find.Path))
          << win::ToUtf8(find.Location());
      continue;
    }
    EXPECT_FALSE(IsProtectedPath(find.Path)) << win::ToUtf8(find.Path);
    EXPECT_FALSE(IsKnownFolderOrAncestor(find.Path)) << win::ToUtf8(find.Path);
  }
  EXPECT_FALSE(Found(finds, KnownFolder(FOLDERID_RoamingAppData) + L"\\Microsoft"));
}

// "Tarvtest Data" by Tarvtest keeps its settings in Tarvtest\Data: a word too common to tick on
// its name alone. Its publisher's folder holds only that, but another Tarvtest program is still
// installed.
TEST(LeftoverFinder, WeighsAgainstGenericNamesAndAPublisherStillInstalled) {
  TMachine m;
  const std::wstring vendor = L"Tarvtest" + m.Tag;
  TProgramFacts facts = FactsFromName(vendor + L" Data");
  facts.Publisher = vendor;
  const std::wstring data = m.Folder(L"Roaming\\" + vendor + L"\\Data");
  const std::wstring vendorFolder = m.ProgramData + L"\\" + vendor;
  m.Folder(L"ProgramData\\" + vendor + L"\\Data");
  std::vector<TLeftover> finds =
      m.Finder.Find(facts, {{L"Inkpot" + m.Tag, vendor, {m.ProgramFiles + L"\\Inkpot"}}});

  const TLeftover* generic = Found(finds, data);
  ASSERT_TRUE(generic) << win::ToUtf8(Describe(finds));
  EXPECT_EQ(generic->Level, TLeftoverLevel::Unsure);
  EXPECT_EQ(generic->Evidence.at(1),
            L"Its name is a word many programs use for their own folders and keys.");
  const TLeftover* publisher = Found(finds, vendorFolder);
  ASSERT_TRUE(publisher) << win::ToUtf8(Describe(finds));
  EXPECT_EQ(publisher->Level, TLeftoverLevel::Unlikely);
  EXPECT_EQ(publisher->Evidence.at(0),
            L"Another program of the same publisher is still installed: Inkpot" + m.Tag + L".");
}

TEST(LeftoverFinder, AFindNoLongerHoldsOnceGoneOrAnotherProgramsOwn) {
  TMachine m;
  const std::wstring folder = m.Folder(L"ProgramData\\Quill" + m.Tag);
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring vendor = L"Tarvtest" + m.Tag;
  m.Registry.SetValue(HKEY_CURRENT_USER, run, L"Quill" + m.Tag, L"\"" + folder + L"\\q.exe\"");
  m.Registry.Set(HKEY_CURRENT_USER, L"Software\\" + vendor, L"Quill" + m.Tag, L"", L"");
  TProgramFacts quill = FactsFromName(L"Quill" + m.Tag, folder);
  quill.Publisher = vendor;
  std::vector<TLeftover> finds = m.Finder.Find(quill, {});
  const TLeftover* inFolder = Found(finds, folder);
  const TLeftover* key =
      Found(finds, L"HKEY_CURRENT_USER\\Software\\" + vendor + L"\\Quill" + m.Tag);
  const TLeftover* value = Found(finds, L"HKEY_CURRENT_USER\\" + run, L"Quill" + m.Tag);
  ASSERT_TRUE(inFolder && key && value) << win::ToUtf8(Describe(finds));
  for (const TLeftover& find : finds) EXPECT_TRUE(TLeftoverFinder::StillHolds(find, {}));

  // The folder became another program's install location, or lies in one now.
  EXPECT_FALSE(TLeftoverFinder::StillHolds(*inFolder, {{L"Inkpot", L"", {folder}}}));
  EXPECT_FALSE(TLeftoverFinder::StillHolds(*inFolder, {{L"Suite", L"", {m.ProgramData}}}));
  EXPECT_TRUE(TLeftoverFinder::StillHolds(*inFolder, {{L"Inkpot", L"", {folder + L" Pro"}}}));
  // The key became another program's own key.
  EXPECT_FALSE(TLeftoverFinder::StillHolds(*key, {{L"Quill" + m.Tag, vendor, {}}}));
  EXPECT_TRUE(TLeftoverFinder::StillHolds(*key, {{L"Quill" + m.Tag, L"Other", {}}}));
  // Gone.
  win::UniqueHKey runKey;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, run.c_str(), 0, KEY_SET_VALUE, runKey.Put()),
            ERROR_SUCCESS);
  RegDeleteValueW(runKey.Get(), (L"Quill" + m.Tag).c_str());
  EXPECT_FALSE(TLeftoverFinder::StillHolds(*value, {}));
  RemoveDirectoryW(folder.c_str());
  EXPECT_FALSE(TLeftoverFinder::StillHolds(*inFolder, {}));
}

TEST(LeftoverFinder, OtherProgramsCarryEveryFolderTheirEntryAndOwnKeyPointInto) {
  TMachine m;
  const std::wstring t = m.Tag;
  const std::wstring uninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const std::wstring inkpot = m.Folder(L"Program Files\\Inkpot" + t);
  const std::wstring tools = m.Folder(L"Common Files\\Ink Tools" + t);
  const std::wstring data = m.Folder(L"ProgramData\\Ink Data" + t);
  m.Registry.Set(HKEY_CURRENT_USER, uninstall + L"Inkpot" + t, L"", L"DisplayName", L"Inkpot" + t);
  m.Registry.Set(HKEY_CURRENT_USER, uninstall + L"Inkpot" + t, L"", L"Publisher", L"Ink Co" + t);
  m.Registry.Set(HKEY_CURRENT_USER, uninstall + L"Inkpot" + t, L"", L"InstallLocation",
                 inkpot + L"\\");
  m.Registry.Set(HKEY_CURRENT_USER, uninstall + L"Inkpot" + t, L"", L"ModifyPath",
                 L"\"" + tools + L"\\setup.exe\" /modify");
  m.Registry.Set(HKEY_CURRENT_USER, uninstall + L"Inkpot" + t, L"", L"UninstallString",
                 L"C:\\windows\\system32\\msiexec.exe /x {1}");
  m.Registry.Set(HKEY_CURRENT_USER, L"Software\\Ink Co" + t, L"Inkpot" + t, L"DataDir",
                 data + L"\\");
  m.Registry.Set(HKEY_LOCAL_MACHINE, uninstall + L"Quill" + t, L"", L"DisplayName", L"Quill" + t);

  auto byName = [](const std::vector<TOtherProgram>& programs, const std::wstring& name) {
    auto at = std::find_if(programs.begin(), programs.end(),
                           [&](const TOtherProgram& p) { return p.Name == name; });
    return at == programs.end() ? nullptr : &*at;
  };
  std::vector<TOtherProgram> programs =
      ReadOtherPrograms(HKEY_LOCAL_MACHINE, 0, uninstall + L"Quill" + t);
  const TOtherProgram* found = byName(programs, L"Inkpot" + t);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Publisher, L"Ink Co" + t);
  // The system's own msiexec folder is no program's folder.
  EXPECT_EQ(found->Folders, (std::vector<std::wstring>{inkpot, tools, data}));
  EXPECT_FALSE(byName(programs, L"Quill" + t));  // the program searched for is not another
  EXPECT_TRUE(byName(ReadOtherPrograms(), L"Quill" + t));
}

}  // namespace
