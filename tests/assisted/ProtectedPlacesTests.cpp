#include "assisted/ProtectedPlaces.h"

#include "assisted/DeleteItem.h"
#include "support/TestMachine.h"
#include "win/RegistryTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TList = std::vector<std::wstring>;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towupper(c));
  return text;
}

// Places as Windows documents them, with %VARIABLES% for the machine's own folders.
TList Expanded(const TList& places) {
  TList paths;
  for (const std::wstring& place : places) {
    std::wstring path = win::ExpandEnvironment(place);
    EXPECT_EQ(path.find(L'%'), std::wstring::npos) << win::ToUtf8(place);
    paths.push_back(path);
  }
  return paths;
}

// Every way of writing one folder that the system resolves to it.
TList Spellings(const std::wstring& path) {
  std::wstring slashes = path;
  for (wchar_t& c : slashes)
    if (c == L'\\') c = L'/';
  size_t last = path.find_last_of(L'\\');
  TList variants = {path,
                    Lower(path),
                    Upper(path),
                    path + L"\\",
                    path + L"\\\\",
                    path + L"\\.",
                    path + L".",
                    slashes,
                    L"\\\\?\\" + path,
                    L"\\\\?\\" + path + L"\\",
                    // Down into a neighbour and back up, from the drive and from the place.
                    path.substr(0, 2) + L"\\Vendor\\.." + path.substr(2),
                    path + L"\\Vendor\\.."};
  // Up through the parent and down again, where there is a parent.
  if (last != std::wstring::npos && last > 2)
    variants.push_back(path.substr(0, last) + L"\\..\\" +
                       path.substr(path.find_last_of(L'\\', last - 1) + 1));
  wchar_t shortName[MAX_PATH];
  DWORD n = GetShortPathNameW(path.c_str(), shortName, MAX_PATH);
  if (n && n < MAX_PATH && Lower(shortName) != Lower(path)) variants.push_back(shortName);
  return variants;
}

void ExpectProtectedInEverySpelling(const TList& places) {
  for (const std::wstring& place : places)
    for (const std::wstring& spelling : Spellings(place))
      EXPECT_TRUE(IsProtectedPath(spelling)) << spelling;
}

void ExpectDeletable(const TList& places) {
  for (const std::wstring& place : places) {
    EXPECT_FALSE(IsProtectedPath(place)) << place;
    EXPECT_FALSE(IsProtectedPath(Lower(place) + L"\\")) << place;
  }
}

// Does a short name exist anywhere for the test to try?
bool HasShortName(const std::wstring& path) {
  wchar_t shortName[MAX_PATH];
  DWORD n = GetShortPathNameW(path.c_str(), shortName, MAX_PATH);
  return n && n < MAX_PATH && Lower(shortName) != Lower(path);
}

TEST(ProtectedPathTest, DriveAndShareRootsAndPathsThatNameNoPlaceAreProtected) {
  for (const wchar_t* path :
       {L"C:", L"c:", L"C:\\", L"c:/", L"C:\\\\", L"C:\\.", L"C:\\Windows\\..", L"C:\\Vendor\\..\\",
        L"\\\\?\\C:\\", L"\\\\?\\c:", L"D:\\", L"Z:\\", L"Z:", L"\\\\server\\share",
        L"\\\\server\\share\\", L"//server/share", L"\\\\SERVER\\Share\\Folder\\..",
        L"\\\\?\\UNC\\server\\share", L"\\\\server",
        // No single place: empty, relative, drive-relative, wildcards, devices.
        L"", L"Vendor\\Tool", L"\\Vendor", L"C:Vendor", L"C:\\Program Files\\*",
        L"C:\\Progra?? Files", L"\\\\.\\PhysicalDrive0", L"\\\\.\\C:", L"\\\\?\\GLOBALROOT\\Device"})
    EXPECT_TRUE(IsProtectedPath(path)) << path;

  ExpectDeletable({L"C:\\Vendor", L"D:\\Games\\Tool", L"\\\\server\\share\\Vendor",
                   L"\\\\?\\UNC\\server\\share\\Vendor", L"\\\\?\\C:\\Vendor"});
}

TEST(ProtectedPathTest, SharedFoldersAreProtectedAndProgramsOwnFoldersInThemAreNot) {
  ASSERT_TRUE(HasShortName(L"C:\\Program Files"))
      << "no short names on this file system: the short spelling would go untried";
  ExpectProtectedInEverySpelling(Expanded(
      {L"%SystemRoot%", L"%SystemRoot%\\System32", L"%SystemRoot%\\SysWOW64", L"%ProgramFiles%",
       L"%ProgramFiles(x86)%", L"%CommonProgramFiles%", L"%CommonProgramFiles(x86)%",
       L"%ProgramData%", L"%SystemDrive%\\Users"}));

  ExpectDeletable(Expanded(
      {L"%ProgramFiles%\\Vendor", L"%ProgramFiles%\\Vendor\\App", L"C:\\PROGRA~1\\Vendor",
       L"%ProgramFiles(x86)%\\Vendor\\App", L"%CommonProgramFiles%\\Vendor",
       L"%CommonProgramFiles(x86)%\\Vendor", L"%ProgramData%\\Vendor",
       L"%ProgramData%\\Microsoft\\Vendor", L"%ProgramFiles%\\Vendor\\..\\Other",
       // Names that only begin like the platform's folders.
       L"%ProgramFiles%\\Internet Explorer Toolbar", L"%ProgramFiles%\\Windows NT Tools"}));
}

// The Windows folder, and the platform's own program folders in both Program Files folders, are
// protected with everything in them, whatever an installer put there.
TEST(ProtectedPathTest, TheSystemsFoldersAreProtectedWithEverythingInThem) {
  const TList inside = Expanded({
      L"%SystemRoot%\\System32\\drivers",
      L"%SystemRoot%\\System32\\drivers\\etc\\hosts",
      L"%SystemRoot%\\System32\\config",
      L"%SystemRoot%\\System32\\config\\SYSTEM",
      L"%SystemRoot%\\System32\\spool\\drivers",
      L"%SystemRoot%\\System32\\vendor.dll",
      L"%SystemRoot%\\SysWOW64\\vendor.ocx",
      L"%SystemRoot%\\WinSxS",
      L"%SystemRoot%\\WinSxS\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6.0.0.0",
      L"%SystemRoot%\\Installer",
      L"%SystemRoot%\\assembly\\GAC_MSIL",
      L"%SystemRoot%\\Microsoft.NET\\Framework64",
      L"%SystemRoot%\\Fonts\\arial.ttf",
      L"%SystemRoot%\\Temp",
      L"%SystemRoot%\\vendor.ini",
  });
  ExpectProtectedInEverySpelling(inside);

  TList platform;
  for (const wchar_t* programFiles : {L"%ProgramFiles%", L"%ProgramFiles(x86)%"})
    for (const wchar_t* folder :
         {L"\\Internet Explorer", L"\\Internet Explorer\\iexplore.exe", L"\\Windows Defender",
          L"\\Windows Mail", L"\\Windows Media Player", L"\\Windows NT\\Accessories",
          L"\\Windows Photo Viewer", L"\\Windows Portable Devices", L"\\WindowsApps",
          L"\\WindowsApps\\Microsoft.WindowsCalculator_8wekyb3d8bbwe", L"\\WindowsPowerShell",
          L"\\Common Files\\Microsoft Shared", L"\\Common Files\\microsoft shared\\ink",
          L"\\Common Files\\System\\ado"})
      platform.push_back(programFiles + std::wstring(folder));
  ExpectProtectedInEverySpelling(Expanded(platform));
}

TEST(ProtectedPathTest, KnownFoldersOfEveryProfileAndTheirAncestorsAreProtected) {
  wchar_t tempPath[MAX_PATH];
  ASSERT_TRUE(GetTempPathW(MAX_PATH, tempPath));
  std::wstring temp = tempPath;
  temp.pop_back();

  // The known folders at their documented default places, this system's shell knowing them or
  // not.
  const std::wstring startMenu = L"%APPDATA%\\Microsoft\\Windows\\Start Menu";
  const std::wstring commonStart = L"%ProgramData%\\Microsoft\\Windows\\Start Menu";
  const std::wstring quickLaunch = L"%APPDATA%\\Microsoft\\Internet Explorer\\Quick Launch";
  ExpectProtectedInEverySpelling(Expanded({
      L"%USERPROFILE%", L"%USERPROFILE%\\Desktop", L"%USERPROFILE%\\Documents",
      L"%USERPROFILE%\\Downloads", L"%USERPROFILE%\\Pictures", L"%USERPROFILE%\\Music",
      L"%USERPROFILE%\\Videos", L"%USERPROFILE%\\Favorites", L"%USERPROFILE%\\Links",
      L"%USERPROFILE%\\Contacts", L"%USERPROFILE%\\Saved Games", L"%USERPROFILE%\\Searches",
      L"%USERPROFILE%\\3D Objects", L"%USERPROFILE%\\OneDrive",
      L"%USERPROFILE%\\OneDrive\\Documents", L"%USERPROFILE%\\OneDrive\\Pictures",
      L"%USERPROFILE%\\Pictures\\Camera Roll", L"%USERPROFILE%\\Pictures\\Screenshots",
      L"%USERPROFILE%\\Pictures\\Saved Pictures", L"%USERPROFILE%\\Music\\Playlists",
      L"%APPDATA%", L"%LOCALAPPDATA%", L"%USERPROFILE%\\AppData\\LocalLow", startMenu,
      startMenu + L"\\Programs", startMenu + L"\\Programs\\Startup",
      startMenu + L"\\Programs\\Administrative Tools", L"%APPDATA%\\Microsoft\\Windows\\SendTo",
      L"%APPDATA%\\Microsoft\\Windows\\Recent", L"%APPDATA%\\Microsoft\\Windows\\Templates",
      L"%APPDATA%\\Microsoft\\Windows\\Libraries",
      L"%APPDATA%\\Microsoft\\Windows\\AccountPictures", quickLaunch,
      quickLaunch + L"\\User Pinned", L"%LOCALAPPDATA%\\Programs",
      L"%LOCALAPPDATA%\\Programs\\Common", L"%LOCALAPPDATA%\\Microsoft\\Windows\\History",
      L"%LOCALAPPDATA%\\Microsoft\\Windows\\Burn\\Burn", temp,
      // Ancestors of protected folders: deleting them takes the folders along.
      L"%USERPROFILE%\\AppData", L"%APPDATA%\\Microsoft", L"%APPDATA%\\Microsoft\\Windows",
      L"%APPDATA%\\Microsoft\\Internet Explorer",
      // All users.
      L"%PUBLIC%", L"%PUBLIC%\\Desktop", L"%PUBLIC%\\Documents", L"%PUBLIC%\\Downloads",
      L"%PUBLIC%\\Music", L"%PUBLIC%\\Pictures", L"%PUBLIC%\\Videos", commonStart,
      commonStart + L"\\Programs", commonStart + L"\\Programs\\Startup",
      L"%ProgramData%\\Microsoft\\Windows\\Templates", L"%ProgramData%\\Microsoft"}));
  // Another user's profile, and that user's folders, though this user cannot see them.
  const std::wstring users = win::ExpandEnvironment(L"%SystemDrive%\\Users\\");
  for (const wchar_t* other :
       {L"someone", L"someone\\AppData\\Roaming", L"someone\\AppData\\Local",
        L"someone\\AppData\\Local\\Programs", L"someone\\OneDrive", L"someone\\Documents",
        L"Public\\AppData\\Local"})
    EXPECT_TRUE(IsProtectedPath(users + other)) << users + other;

  ExpectDeletable(Expanded(
      {L"%APPDATA%\\Vendor", L"%LOCALAPPDATA%\\Vendor\\App", L"%LOCALAPPDATA%\\Programs\\Vendor",
       startMenu + L"\\Programs\\Vendor", L"%USERPROFILE%\\Desktop\\App.lnk",
       L"%USERPROFILE%\\Documents\\Vendor", L"%USERPROFILE%\\OneDrive\\Vendor",
       quickLaunch + L"\\App.lnk", L"%PUBLIC%\\Desktop\\App.lnk",
       commonStart + L"\\Programs\\Vendor", L"%ProgramData%\\Vendor"}));
  ExpectDeletable({temp + L"\\setup_tmp", users + L"someone\\AppData\\Roaming\\Vendor",
                   users + L"someone\\AppData\\Local\\Programs\\Vendor"});
}

TEST(ProtectedPathTest, TheProgramsOwnFolderAndTheFilesBesideItAreProtected) {
  std::wstring folder = testing_support::TestBinFolder();
  folder.pop_back();
  ExpectProtectedInEverySpelling(
      {folder, folder + L"\\ULog.txt", folder + L"\\purgalot.chm", folder + L"\\license.txt"});
  // Its ancestors too.
  size_t parent = folder.find_last_of(L'\\');
  EXPECT_TRUE(IsProtectedPath(folder.substr(0, parent))) << folder;

  ExpectDeletable({folder + L"\\Vendor\\Tool", folder.substr(0, parent) + L"\\Vendor"});
}

TEST(ProtectedPathTest, MadeRowsOfProtectedPlacesAreUncheckedAndSayProtected) {
  TDeleteRow place = MakeDeleteRow(L"Folder", nullptr, L"c:\\windows\\");
  TDeleteRow key = MakeDeleteRow(L"registry", HKEY_CLASSES_ROOT, L"\\CLSID");
  TDeleteRow folder = MakeDeleteRow(L"Folder", HKEY_CLASSES_ROOT, L"C:\\Program Files\\Vendor");
  TDeleteRow appKey = MakeDeleteRow(L"Registry", HKEY_CLASSES_ROOT, L"\\.vendordoc");

  for (const TDeleteRow* row : {&place, &key}) {
    EXPECT_TRUE(row->Protected);
    EXPECT_FALSE(row->Checked);
    EXPECT_EQ(row->SubItems, (TList{row->Item.Path, L"Protected"}));
  }
  for (const TDeleteRow* row : {&folder, &appKey}) {
    EXPECT_FALSE(row->Protected);
    EXPECT_TRUE(row->Checked);
    EXPECT_EQ(row->SubItems, (TList{row->Item.Path, L"To Delete"}));
  }
  EXPECT_EQ(key.Item.RootKey, HKEY_CLASSES_ROOT);
  EXPECT_EQ(folder.Item.RootKey, nullptr);
}

// Every way of writing one key path.
TList KeySpellings(const std::wstring& path) {
  std::wstring doubled;
  for (wchar_t c : path) {
    doubled += c;
    if (c == L'\\') doubled += c;
  }
  return {path, Lower(path), Upper(path), path + L"\\", path.substr(1), doubled, L"\\" + path};
}

struct TKeyCase {
  HKEY Root;
  std::wstring Path;
};

void ExpectProtectedKeys(const std::vector<TKeyCase>& keys) {
  for (const TKeyCase& key : keys)
    for (const std::wstring& spelling : KeySpellings(key.Path))
      EXPECT_TRUE(IsProtectedKey(key.Root, spelling)) << spelling;
}

void ExpectDeletableKeys(const std::vector<TKeyCase>& keys) {
  for (const TKeyCase& key : keys)
    for (const std::wstring& spelling : {key.Path, Lower(key.Path) + L"\\"})
      EXPECT_FALSE(IsProtectedKey(key.Root, spelling)) << spelling;
}

const wchar_t kSid[] = L"\\S-1-5-21-1000-2000-3000-1001";

TEST(ProtectedKeyTest, RootKeysTheirFirstLevelAndTheSystemsHivesAreProtected) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                    HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA, HKEY_DYN_DATA})
    for (const wchar_t* path : {L"", L"\\", L"\\\\"}) EXPECT_TRUE(IsProtectedKey(root, path));
  EXPECT_TRUE(IsProtectedKey(HKEY_PERFORMANCE_DATA, L"\\Vendor"));
  EXPECT_TRUE(IsProtectedKey(nullptr, L"\\Software\\Vendor"));
  testing_support::TTestKey own;
  win::UniqueHKey opened;
  ASSERT_EQ(RegOpenKeyExW(own.Root(), own.Path().c_str(), 0, KEY_READ, opened.Put()), ERROR_SUCCESS);
  EXPECT_TRUE(IsProtectedKey(opened.Get(), L"\\Vendor"));  // where it lies is not known

  const std::wstring sid = kSid;
  ExpectProtectedKeys({
      {HKEY_LOCAL_MACHINE, L"\\SOFTWARE"},
      {HKEY_LOCAL_MACHINE, L"\\SYSTEM"},
      // The configuration Windows starts from, a service's own key included.
      {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"},
      {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters"},
      {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Services\\VendorSvc"},
      {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\ControlSet001\\Services\\VendorSvc\\Parameters"},
      {HKEY_LOCAL_MACHINE,
       L"\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}"},
      {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Enum\\PCI"},
      {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\MountedDevices"},
      {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\Select"},
      {HKEY_LOCAL_MACHINE, L"\\SAM\\SAM\\Domains"},
      {HKEY_LOCAL_MACHINE, L"\\SECURITY\\Policy"},
      {HKEY_LOCAL_MACHINE, L"\\HARDWARE\\DESCRIPTION\\System"},
      {HKEY_LOCAL_MACHINE, L"\\BCD00000000\\Objects"},
      {HKEY_LOCAL_MACHINE, L"\\COMPONENTS"},
      // A part of SYSTEM seen from another root.
      {HKEY_CURRENT_CONFIG, L"\\Software\\Fonts"},
      {HKEY_CURRENT_CONFIG, L"\\System\\CurrentControlSet\\Control"},
      // A user's settings of Windows itself.
      {HKEY_CURRENT_USER, L"\\Software"},
      {HKEY_CURRENT_USER, L"\\Environment"},
      {HKEY_CURRENT_USER, L"\\Control Panel\\Desktop\\WindowMetrics"},
      {HKEY_CURRENT_USER, L"\\Control Panel\\International"},
      {HKEY_CURRENT_USER, L"\\Keyboard Layout\\Preload"},
      {HKEY_CURRENT_USER, L"\\Volatile Environment"},
      {HKEY_CURRENT_USER, L"\\AppEvents\\Schemes\\Apps\\.Default"},
      {HKEY_USERS, L"\\.DEFAULT"},
      {HKEY_USERS, L"\\.DEFAULT\\Control Panel\\Desktop"},
      {HKEY_USERS, kSid},
      {HKEY_USERS, sid + L"\\Software"},
      {HKEY_USERS, sid + L"\\Environment"},
      {HKEY_USERS, sid + L"\\Control Panel\\Mouse"},
  });
  ExpectDeletableKeys({{HKEY_LOCAL_MACHINE, L"\\SOFTWARE\\Vendor"},
                       {HKEY_CURRENT_USER, L"\\Software\\Vendor\\App"},
                       {HKEY_CURRENT_USER, L"\\AppEvents\\Schemes\\Apps\\Vendor"},
                       {HKEY_USERS, L"\\.DEFAULT\\Software\\Vendor"},
                       {HKEY_USERS, sid + L"\\Software\\Vendor"}});
}

TEST(ProtectedKeyTest, SoftwareMicrosoftIsProtectedInEveryViewButAProgramsOwnEntries) {
  const std::wstring windows = L"\\Microsoft\\Windows\\CurrentVersion";
  const std::wstring nt = L"\\Microsoft\\Windows NT\\CurrentVersion";
  const TList shared = {
      L"\\Microsoft", L"\\Classes", L"\\Policies", L"\\Policies\\Microsoft",
      L"\\Policies\\Microsoft\\Windows\\WindowsUpdate", L"\\Clients",
      L"\\Clients\\StartMenuInternet", L"\\RegisteredApplications", L"\\Wow6432Node",
      windows, windows + L"\\Uninstall", windows + L"\\App Paths", windows + L"\\Run",
      windows + L"\\RunOnce", windows + L"\\Explorer\\Shell Folders",
      windows + L"\\Explorer\\User Shell Folders", windows + L"\\Explorer\\FileExts\\.txt",
      windows + L"\\Shell Extensions\\Approved", windows + L"\\Policies\\System",
      windows + L"\\Installer\\UserData",
      windows + L"\\Installer\\UserData\\S-1-5-18\\Products\\0123456789ABCDEF0123456789ABCDEF",
      nt + L"\\ProfileList", nt + L"\\ProfileList\\S-1-5-18",
      nt + L"\\ProfileList\\S-1-5-21-1000-2000-3000-1001", nt + L"\\Winlogon",
      nt + L"\\Fonts", L"\\Microsoft\\Cryptography\\Defaults",
      L"\\Microsoft\\.NETFramework\\v4.0.30319", L"\\Microsoft\\Internet Explorer\\Main",
      L"\\Microsoft\\Active Setup\\Installed Components",
      L"\\Microsoft\\Windows Defender\\Exclusions"};
  const TList own = {L"\\Vendor", L"\\Vendor\\App", windows + L"\\Uninstall\\VendorApp",
                     windows + L"\\Uninstall\\{12345678-ABCD-1234-ABCD-1234567890AB}",
                     windows + L"\\Uninstall\\VendorApp\\Details", windows + L"\\App Paths\\app.exe",
                     L"\\Clients\\StartMenuInternet\\VendorBrowser", L"\\Policies\\Vendor"};
  std::vector<TKeyCase> protectedKeys, deletableKeys;
  for (const auto& [root, software] :
       std::vector<std::pair<HKEY, std::wstring>>{{HKEY_LOCAL_MACHINE, L"\\SOFTWARE"},
                                                  {HKEY_LOCAL_MACHINE, L"\\SOFTWARE\\Wow6432Node"},
                                                  {HKEY_CURRENT_USER, L"\\Software"},
                                                  {HKEY_CURRENT_USER, L"\\Software\\Wow6432Node"},
                                                  {HKEY_USERS, kSid + std::wstring(L"\\Software")}}) {
    for (const std::wstring& key : shared) protectedKeys.push_back({root, software + key});
    for (const std::wstring& key : own) deletableKeys.push_back({root, software + key});
  }
  ExpectProtectedKeys(protectedKeys);
  ExpectDeletableKeys(deletableKeys);
}

// A class key of this test's own below HKEY_CURRENT_USER\Software\Classes\CLSID, removed again.
class TClassKey {
public:
  TClassKey(const wchar_t* clsid, const wchar_t* server, const std::wstring& file, DWORD type)
      : path_(std::wstring(L"Software\\Classes\\CLSID\\") + clsid) {
    win::UniqueHKey key;
    const std::wstring serverKey = path_ + L"\\" + server;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, serverKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.Get(), nullptr, 0, type, reinterpret_cast<const BYTE*>(file.c_str()),
                   static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
  }
  ~TClassKey() { win::DeleteRegistryTree(HKEY_CURRENT_USER, path_); }
  TClassKey(const TClassKey&) = delete;
  TClassKey& operator=(const TClassKey&) = delete;
  // From HKEY_CURRENT_USER, with a leading backslash.
  std::wstring Path() const { return L"\\" + path_; }

private:
  std::wstring path_;
};

TEST(ProtectedKeyTest, TheSystemsOwnClassesAreProtectedAndAVendorsAreNot) {
  // This system's own shell classes: This PC, the Recycle Bin, the shell link.
  for (const wchar_t* clsid : {L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}",
                               L"{645FF040-5081-101B-9F08-00AA002F954E}",
                               L"{00021401-0000-0000-C000-000000000046}"}) {
    const std::wstring key = L"\\CLSID\\" + std::wstring(clsid);
    win::UniqueHKey opened;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, key.substr(1).c_str(), 0, KEY_READ, opened.Put()),
              ERROR_SUCCESS) << win::ToUtf8(key);
    ExpectProtectedKeys({{HKEY_CLASSES_ROOT, key}, {HKEY_CLASSES_ROOT, key + L"\\InprocServer32"}});
  }

  const TClassKey system(L"{5A1B7C3E-0F3D-4E0B-9C55-7D2B1E6A0001}", L"InprocServer32",
                         L"%SystemRoot%\\System32\\vendorshell.dll", REG_EXPAND_SZ);
  const TClassKey onSearchPath(L"{5A1B7C3E-0F3D-4E0B-9C55-7D2B1E6A0002}", L"InprocServer32",
                               L"vendorcom.dll", REG_SZ);
  const TClassKey vendorServer(L"{5A1B7C3E-0F3D-4E0B-9C55-7D2B1E6A0003}", L"LocalServer32",
                               win::ExpandEnvironment(L"\"%ProgramFiles%\\Vendor\\app.exe\" /automation"),
                               REG_SZ);
  const TClassKey vendorLibrary(L"{5A1B7C3E-0F3D-4E0B-9C55-7D2B1E6A0004}", L"InprocServer32",
                                win::ExpandEnvironment(L"%ProgramFiles%\\Vendor\\App\\vendor.dll"),
                                REG_SZ);
  ExpectProtectedKeys({{HKEY_CURRENT_USER, system.Path()},
                       {HKEY_CURRENT_USER, system.Path() + L"\\InprocServer32"},
                       {HKEY_CURRENT_USER, onSearchPath.Path()}});
  ExpectDeletableKeys({{HKEY_CURRENT_USER, vendorServer.Path()},
                       {HKEY_CURRENT_USER, vendorServer.Path() + L"\\LocalServer32"},
                       {HKEY_CURRENT_USER, vendorLibrary.Path()}});
}

TEST(ProtectedKeyTest, SharedClassKeysAreProtectedInEveryViewAndAnApplicationsOwnAreNot) {
  const TList shared = {
      L"\\CLSID", L"\\Interface", L"\\TypeLib", L"\\AppID", L"\\Component Categories",
      L"\\MIME\\Database\\Content Type", L"\\Protocols\\Handler", L"\\Installer\\Products", L"\\*",
      L"\\*\\shellex\\ContextMenuHandlers", L"\\AllFilesystemObjects", L"\\Directory",
      L"\\Directory\\Background", L"\\Directory\\shellex\\ContextMenuHandlers", L"\\Drive",
      L"\\Folder\\shell\\open\\command", L"\\exefile\\shell\\open\\command", L"\\lnkfile",
      L"\\batfile\\shell\\open\\command", L"\\Msi.Package", L"\\regfile", L"\\htmlfile",
      L"\\http", L"\\https\\shell\\open\\command", L"\\mailto", L"\\SystemFileAssociations",
      L"\\Applications", L"\\Unknown", L"\\Wow6432Node", L"\\Wow6432Node\\CLSID",
      // The standard file types, with all below them.
      L"\\.exe", L"\\.lnk", L"\\.txt", L"\\.bat", L"\\.dll", L"\\.msi", L"\\.reg", L"\\.url",
      L"\\.html", L"\\.xml", L"\\.pdf", L"\\.pdf\\OpenWithProgids", L"\\.rtf", L"\\.docx",
      L"\\.xlsx", L"\\.csv", L"\\.mp3", L"\\.mp3\\OpenWithList", L"\\.wav", L"\\.wma",
      L"\\.flac", L"\\.mp4", L"\\.avi", L"\\.mkv", L"\\.jpg", L"\\.jpeg", L"\\.png", L"\\.gif",
      L"\\.bmp", L"\\.tif", L"\\.ico", L"\\.zip", L"\\.zip\\ShellNew", L"\\.cab", L"\\.iso",
      L"\\.ttf", L"\\.chm", L"\\Wow6432Node\\.txt",
      L"\\SystemFileAssociations\\.mp3", L"\\SystemFileAssociations\\image\\shell"};
  const TList own = {L"\\CLSID\\{12345678-ABCD-1234-ABCD-1234567890AB}",
                     L"\\TypeLib\\{12345678-ABCD-1234-ABCD-1234567890AB}",
                     L"\\Wow6432Node\\CLSID\\{12345678-ABCD-1234-ABCD-1234567890AB}",
                     L"\\.vendorext", L"\\.vendorext\\OpenWithProgids", L"\\Vendor.Document",
                     L"\\Vendor.Document.1\\shell\\open\\command", L"\\exefile\\shell\\VendorVerb",
                     L"\\*\\shellex\\ContextMenuHandlers\\VendorMenu",
                     L"\\Directory\\shellex\\ContextMenuHandlers\\VendorMenu",
                     L"\\Applications\\vendor.exe", L"\\SystemFileAssociations\\.vendorext",
                     L"\\Installer\\Products\\0123456789ABCDEF0123456789ABCDEF"};
  std::vector<TKeyCase> protectedKeys, deletableKeys;
  for (const auto& [root, classes] :
       std::vector<std::pair<HKEY, std::wstring>>{
           {HKEY_CLASSES_ROOT, L""}, {HKEY_LOCAL_MACHINE, L"\\SOFTWARE\\Classes"},
           {HKEY_LOCAL_MACHINE, L"\\SOFTWARE\\Wow6432Node\\Classes"},
           {HKEY_CURRENT_USER, L"\\Software\\Classes"},
           {HKEY_USERS, kSid + std::wstring(L"\\Software\\Classes")},
           {HKEY_USERS, kSid + std::wstring(L"_Classes")}}) {
    if (!classes.empty()) protectedKeys.push_back({root, classes});
    for (const std::wstring& key : shared) protectedKeys.push_back({root, classes + key});
    for (const std::wstring& key : own) deletableKeys.push_back({root, classes + key});
  }
  ExpectProtectedKeys(protectedKeys);
  ExpectDeletableKeys(deletableKeys);
}

}  // namespace
