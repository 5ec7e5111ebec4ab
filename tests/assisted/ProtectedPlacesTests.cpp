#include "assisted/ProtectedPlaces.h"

#include "assisted/DeleteItem.h"
#include "support/TestMachine.h"
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

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
  return n && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
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

TEST(ProtectedPathTest, SystemAndProgramFoldersAreProtectedAndTheirChildrenAreNot) {
  ASSERT_TRUE(HasShortName(L"C:\\Program Files"))
      << "no short names on this file system: the short spelling would go untried";
  ExpectProtectedInEverySpelling(
      {L"C:\\windows", L"C:\\windows\\system32", L"C:\\windows\\syswow64", L"C:\\windows\\Fonts",
       L"C:\\Program Files", L"C:\\Program Files (x86)", L"C:\\Program Files\\Common Files",
       L"C:\\Program Files (x86)\\Common Files", L"C:\\ProgramData", L"C:\\users"});

  ExpectDeletable({L"C:\\Program Files\\Vendor", L"C:\\Program Files\\Vendor\\Tool",
                   L"C:\\PROGRA~1\\Vendor", L"C:\\Program Files (x86)\\Vendor",
                   L"C:\\Program Files\\Common Files\\Vendor",
                   L"C:\\Program Files (x86)\\Common Files\\Vendor", L"C:\\ProgramData\\Vendor",
                   L"C:\\windows\\vendor.ini", L"C:\\windows\\system32\\vendor.dll",
                   L"C:\\Program Files\\Vendor\\..\\Other"});
}

TEST(ProtectedPathTest, UserFoldersOfEveryProfileAndTheirAncestorsAreProtected) {
  const std::wstring profile = Environment(L"USERPROFILE");
  ASSERT_FALSE(profile.empty());
  const std::wstring roaming = profile + L"\\AppData\\Roaming";
  const std::wstring startMenu = roaming + L"\\Microsoft\\Windows\\Start Menu";
  const std::wstring commonStart = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  wchar_t tempPath[MAX_PATH];
  ASSERT_TRUE(GetTempPathW(MAX_PATH, tempPath));
  std::wstring temp = tempPath;
  temp.pop_back();

  ExpectProtectedInEverySpelling(
      {profile, profile + L"\\Desktop", profile + L"\\Documents", profile + L"\\Downloads",
       profile + L"\\Pictures", profile + L"\\Music", profile + L"\\Videos", roaming,
       profile + L"\\AppData\\Local", profile + L"\\AppData\\LocalLow", startMenu,
       startMenu + L"\\Programs", startMenu + L"\\Programs\\Startup", temp,
       // Ancestors of protected folders: deleting them takes the folders along.
       profile + L"\\AppData", roaming + L"\\Microsoft", roaming + L"\\Microsoft\\Windows",
       // All users.
       L"C:\\users\\Public", L"C:\\users\\Public\\Desktop", L"C:\\users\\Public\\Documents",
       commonStart, commonStart + L"\\Programs", commonStart + L"\\Programs\\Startup",
       L"C:\\ProgramData\\Microsoft"});
  // Another user's profile, and that user's folders, though this user cannot see them.
  for (const wchar_t* other :
       {L"C:\\users\\someone", L"C:\\users\\someone\\AppData\\Roaming",
        L"C:\\users\\someone\\AppData\\Local", L"C:\\users\\Public\\AppData\\Local"})
    EXPECT_TRUE(IsProtectedPath(other)) << other;

  ExpectDeletable({roaming + L"\\Vendor", profile + L"\\AppData\\Local\\Vendor\\Tool",
                   startMenu + L"\\Programs\\Vendor", profile + L"\\Desktop\\Tool.lnk",
                   profile + L"\\Documents\\Vendor", temp + L"\\setup_tmp",
                   L"C:\\users\\Public\\Desktop\\Tool.lnk", commonStart + L"\\Programs\\Vendor",
                   L"C:\\users\\someone\\AppData\\Roaming\\Vendor",
                   L"C:\\ProgramData\\Microsoft\\Vendor"});
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

TEST(ProtectedKeyTest, RootKeysTheirFirstLevelAndUnknownRootsAreProtected) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                    HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA, HKEY_DYN_DATA})
    for (const wchar_t* path : {L"", L"\\", L"\\\\"}) EXPECT_TRUE(IsProtectedKey(root, path));
  EXPECT_TRUE(IsProtectedKey(HKEY_PERFORMANCE_DATA, L"\\Vendor"));
  EXPECT_TRUE(IsProtectedKey(nullptr, L"\\Software\\Vendor"));
  testing_support::TTestKey own;
  win::UniqueHKey opened;
  ASSERT_EQ(RegOpenKeyExW(own.Root(), own.Path().c_str(), 0, KEY_READ, opened.Put()), ERROR_SUCCESS);
  EXPECT_TRUE(IsProtectedKey(opened.Get(), L"\\Vendor"));  // where it lies is not known

  ExpectProtectedKeys({{HKEY_LOCAL_MACHINE, L"\\SOFTWARE"}, {HKEY_LOCAL_MACHINE, L"\\SYSTEM"},
                       {HKEY_LOCAL_MACHINE, L"\\SAM\\SAM\\Domains"},
                       {HKEY_LOCAL_MACHINE, L"\\SECURITY\\Policy"},
                       {HKEY_LOCAL_MACHINE, L"\\HARDWARE\\DESCRIPTION\\System"},
                       {HKEY_CURRENT_USER, L"\\Software"}, {HKEY_CURRENT_USER, L"\\Control Panel"},
                       {HKEY_CURRENT_USER, L"\\Control Panel\\Desktop"},
                       {HKEY_CURRENT_USER, L"\\Environment"},
                       {HKEY_CURRENT_USER, L"\\AppEvents\\Schemes\\Apps\\.Default"},
                       {HKEY_USERS, L"\\.DEFAULT"}, {HKEY_USERS, kSid},
                       {HKEY_USERS, std::wstring(kSid) + L"\\Software"},
                       {HKEY_USERS, std::wstring(kSid) + L"\\Control Panel"},
                       {HKEY_CURRENT_CONFIG, L"\\Software"}, {HKEY_CURRENT_CONFIG, L"\\System"}});
  ExpectDeletableKeys({{HKEY_LOCAL_MACHINE, L"\\SOFTWARE\\Vendor"},
                       {HKEY_CURRENT_USER, L"\\Software\\Vendor\\Tool"},
                       {HKEY_CURRENT_USER, L"\\AppEvents\\Schemes\\Apps\\Vendor"},
                       {HKEY_USERS, L"\\.DEFAULT\\Software\\Vendor"},
                       {HKEY_USERS, std::wstring(kSid) + L"\\Software\\Vendor"},
                       {HKEY_CURRENT_CONFIG, L"\\Software\\Vendor"}});
}

TEST(ProtectedKeyTest, SharedSoftwareKeysAreProtectedAndProgramsOwnEntriesAreNot) {
  const std::wstring windows = L"\\Microsoft\\Windows\\CurrentVersion";
  const TList shared = {L"\\Microsoft", L"\\Classes", L"\\Policies", L"\\Wow6432Node",
                        L"\\Policies\\Microsoft", L"\\Clients", L"\\Clients\\StartMenuInternet",
                        L"\\RegisteredApplications", L"\\Microsoft\\Windows",
                        L"\\Microsoft\\Windows NT", windows, L"\\Microsoft\\Windows NT\\CurrentVersion",
                        L"\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                        windows + L"\\Uninstall", windows + L"\\App Paths", windows + L"\\Run",
                        windows + L"\\RunOnce", windows + L"\\Explorer",
                        windows + L"\\Shell Extensions", windows + L"\\Shell Extensions\\Approved",
                        windows + L"\\Explorer\\Shell Folders",
                        windows + L"\\Explorer\\User Shell Folders", windows + L"\\Policies\\System",
                        L"\\Microsoft\\Active Setup\\Installed Components",
                        L"\\Microsoft\\Cryptography", L"\\Microsoft\\.NETFramework"};
  const TList own = {L"\\Vendor", L"\\Vendor\\Tool", windows + L"\\Uninstall\\Tool",
                     windows + L"\\Uninstall\\{12345678-ABCD-1234-ABCD-1234567890AB}",
                     windows + L"\\App Paths\\tool.exe", windows + L"\\Explorer\\FileExts\\.tool",
                     windows + L"\\Shell Extensions\\Approved\\Vendor",
                     L"\\Microsoft\\Office", L"\\Microsoft\\Active Setup\\Installed Components\\{1}",
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

TEST(ProtectedKeyTest, TheSystemsConfigurationIsProtectedAndAServicesOwnKeyIsNot) {
  ExpectProtectedKeys({{HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Services"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Control"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Enum"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\ControlSet001\\Services"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\ControlSet001\\Control\\Session Manager"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Control\\Class"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\Select"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\MountedDevices"}});
  ExpectDeletableKeys({{HKEY_LOCAL_MACHINE, L"\\SYSTEM\\CurrentControlSet\\Services\\VendorSvc"},
                       {HKEY_LOCAL_MACHINE, L"\\SYSTEM\\ControlSet001\\Services\\VendorSvc\\Parameters"}});
}

TEST(ProtectedKeyTest, SharedClassKeysAreProtectedInEveryViewAndAnApplicationsOwnAreNot) {
  const TList shared = {L"\\CLSID", L"\\Interface", L"\\TypeLib", L"\\AppID", L"\\Record",
                        L"\\Component Categories", L"\\MIME\\Database\\Content Type",
                        L"\\Protocols\\Handler", L"\\Installer\\Products", L"\\*",
                        L"\\*\\shellex\\ContextMenuHandlers", L"\\AllFilesystemObjects",
                        L"\\Directory", L"\\Directory\\shell", L"\\Directory\\Background",
                        L"\\Directory\\shellex\\ContextMenuHandlers", L"\\Drive", L"\\Folder",
                        L"\\Folder\\shell\\open\\command", L"\\exefile", L"\\exefile\\shell\\open",
                        L"\\exefile\\shell\\open\\command", L"\\.exe", L"\\lnkfile", L"\\.lnk",
                        L"\\txtfile", L"\\.txt", L"\\batfile\\shell\\open\\command", L"\\.bat",
                        L"\\.dll", L"\\.msi", L"\\Msi.Package", L"\\.reg", L"\\regfile",
                        L"\\.url", L"\\InternetShortcut", L"\\.html", L"\\htmlfile", L"\\.zip",
                        L"\\http", L"\\https\\shell\\open\\command", L"\\mailto",
                        L"\\SystemFileAssociations", L"\\Applications", L"\\Unknown",
                        L"\\Wow6432Node", L"\\Wow6432Node\\CLSID", L"\\Wow6432Node\\Interface"};
  const TList own = {L"\\CLSID\\{12345678-ABCD-1234-ABCD-1234567890AB}",
                     L"\\TypeLib\\{12345678-ABCD-1234-ABCD-1234567890AB}",
                     L"\\Wow6432Node\\CLSID\\{12345678-ABCD-1234-ABCD-1234567890AB}",
                     L"\\.vendordoc", L"\\Vendor.Document", L"\\Vendor.Document.1\\shell\\open",
                     L"\\exefile\\shell\\VendorVerb",
                     L"\\*\\shellex\\ContextMenuHandlers\\VendorMenu",
                     L"\\Directory\\shellex\\ContextMenuHandlers\\VendorMenu",
                     L"\\Applications\\vendor.exe", L"\\SystemFileAssociations\\.vendordoc",
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
