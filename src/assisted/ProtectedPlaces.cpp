#include "assisted/ProtectedPlaces.h"

#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

// Which folders are protected, and why. Two kinds of rule:
// a place is protected itself with every ancestor (deleting C:\Users\bob\AppData would take
// Local AppData with it), while what lies inside it stays deletable unless listed itself; a
// subtree is protected with everything inside it as well.
//
// Places:
// - Drive roots and network share roots: deleting one empties a whole volume or share.
// - Program Files (both), Common Files (both), ProgramData: every installed program lives below
//   them; a program's own folder inside them stays deletable, the shared parent never is.
// - The users folder and every profile folder in it: all of a user's data at once.
// - The shell's known folders of the current user (Desktop, Documents, Downloads, Pictures, Music,
//   Videos, OneDrive, Start Menu, Programs, Startup, AppData, Local AppData, the per-user
//   Programs folder, Quick Launch, ...) and of all users (the Public ones, the common Start
//   Menu, ...): they hold what many programs and the user put there, and the shell expects them
//   to exist. Where the shell does not know one (older systems, Wine), its documented default
//   place counts. The same folders in every other profile are protected too, and so are the
//   OneDrive folders the OneDrive client names in its variables.
// - The temporary folder itself: programs and the system expect it to exist.
// - The program's own folder and the files beside it: the uninstall log and help live there.
//
// Subtrees (no single program owns anything inside them):
// - The Windows folder with everything in it (System32 with its drivers and registry hives,
//   SysWOW64, WinSxS, fonts, ...): the system itself. A file an old installer put there is
//   shared with the system and other programs, and stays.
// - The platform's own program folders in both Program Files folders (Internet Explorer, Windows
//   Defender, Windows Mail, Windows NT, WindowsApps, ...) and in both Common Files folders
//   (Microsoft Shared, System, ...): Windows installs and services them, no uninstaller does.
//
// Paths are compared resolved (full path, long names, no \\?\ prefix, no trailing backslash,
// backslashes only) and without regard to letter case, so no other spelling gets around a rule.
// A path that is not absolute (relative, drive-relative) or holds wildcards could name anything:
// it is refused as well.

namespace {

// A known folder; where the shell does not know it, its documented default: `Default` below the
// known folder `Base`.
struct TKnownFolder {
  const KNOWNFOLDERID* Id;
  const KNOWNFOLDERID* Base = nullptr;
  const wchar_t* Default = nullptr;
};

// Known folders of the current user; those inside the user's profile are also protected inside
// every other profile.
const TKnownFolder kUserFolders[] = {
    {&FOLDERID_Profile},
    {&FOLDERID_Desktop},
    {&FOLDERID_Documents},
    {&FOLDERID_Downloads},
    {&FOLDERID_Pictures},
    {&FOLDERID_Music},
    {&FOLDERID_Videos},
    {&FOLDERID_Favorites},
    {&FOLDERID_Links},
    {&FOLDERID_Contacts},
    {&FOLDERID_SavedGames},
    {&FOLDERID_SavedSearches, &FOLDERID_Profile, L"Searches"},
    {&FOLDERID_Objects3D, &FOLDERID_Profile, L"3D Objects"},
    {&FOLDERID_SkyDrive, &FOLDERID_Profile, L"OneDrive"},
    {&FOLDERID_SkyDriveDocuments, &FOLDERID_Profile, L"OneDrive\\Documents"},
    {&FOLDERID_SkyDrivePictures, &FOLDERID_Profile, L"OneDrive\\Pictures"},
    {&FOLDERID_SkyDriveCameraRoll, &FOLDERID_Profile, L"OneDrive\\Pictures\\Camera Roll"},
    {&FOLDERID_SkyDriveMusic, &FOLDERID_Profile, L"OneDrive\\Music"},
    {&FOLDERID_CameraRoll, &FOLDERID_Profile, L"Pictures\\Camera Roll"},
    {&FOLDERID_Screenshots, &FOLDERID_Profile, L"Pictures\\Screenshots"},
    {&FOLDERID_SavedPictures, &FOLDERID_Profile, L"Pictures\\Saved Pictures"},
    {&FOLDERID_Playlists, &FOLDERID_Profile, L"Music\\Playlists"},
    {&FOLDERID_RoamingAppData},
    {&FOLDERID_LocalAppData},
    {&FOLDERID_LocalAppDataLow},
    {&FOLDERID_StartMenu},
    {&FOLDERID_Programs},
    {&FOLDERID_Startup},
    {&FOLDERID_AdminTools},
    {&FOLDERID_Templates},
    {&FOLDERID_SendTo},
    {&FOLDERID_Recent},
    {&FOLDERID_Cookies},
    {&FOLDERID_History},
    {&FOLDERID_InternetCache},
    {&FOLDERID_NetHood},
    {&FOLDERID_PrintHood},
    {&FOLDERID_CDBurning},
    {&FOLDERID_Libraries, &FOLDERID_RoamingAppData, L"Microsoft\\Windows\\Libraries"},
    {&FOLDERID_AccountPictures, &FOLDERID_RoamingAppData, L"Microsoft\\Windows\\AccountPictures"},
    {&FOLDERID_QuickLaunch, &FOLDERID_RoamingAppData,
     L"Microsoft\\Internet Explorer\\Quick Launch"},
    {&FOLDERID_UserPinned, &FOLDERID_RoamingAppData,
     L"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned"},
    {&FOLDERID_ImplicitAppShortcuts, &FOLDERID_RoamingAppData,
     L"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\ImplicitAppShortcuts"},
    {&FOLDERID_UserProgramFiles, &FOLDERID_LocalAppData, L"Programs"},
    {&FOLDERID_UserProgramFilesCommon, &FOLDERID_LocalAppData, L"Programs\\Common"},
    {&FOLDERID_Ringtones, &FOLDERID_LocalAppData, L"Microsoft\\Windows\\Ringtones"},
    {&FOLDERID_GameTasks, &FOLDERID_LocalAppData, L"Microsoft\\Windows\\GameExplorer"},
    {&FOLDERID_ApplicationShortcuts, &FOLDERID_LocalAppData,
     L"Microsoft\\Windows\\Application Shortcuts"},
    {&FOLDERID_RoamingTiles, &FOLDERID_LocalAppData, L"Microsoft\\Windows\\RoamingTiles"},
    {&FOLDERID_RoamedTileImages, &FOLDERID_LocalAppData, L"Microsoft\\Windows\\RoamedTileImages"},
};

// Folders shared by all users.
const TKnownFolder kCommonFolders[] = {
    {&FOLDERID_ProgramFiles},
    {&FOLDERID_ProgramFilesX86},
    {&FOLDERID_ProgramFilesX64},
    {&FOLDERID_ProgramFilesCommon},
    {&FOLDERID_ProgramFilesCommonX86},
    {&FOLDERID_ProgramFilesCommonX64},
    {&FOLDERID_ProgramData},
    {&FOLDERID_UserProfiles},
    {&FOLDERID_Public},
    {&FOLDERID_PublicDesktop},
    {&FOLDERID_PublicDocuments},
    {&FOLDERID_PublicDownloads},
    {&FOLDERID_PublicPictures},
    {&FOLDERID_PublicMusic},
    {&FOLDERID_PublicVideos},
    {&FOLDERID_PublicLibraries},
    {&FOLDERID_PublicUserTiles, &FOLDERID_Public, L"AccountPictures"},
    {&FOLDERID_CommonStartMenu},
    {&FOLDERID_CommonPrograms},
    {&FOLDERID_CommonStartup},
    {&FOLDERID_CommonTemplates},
    {&FOLDERID_CommonAdminTools},
    {&FOLDERID_CommonOEMLinks},
    {&FOLDERID_PublicRingtones, &FOLDERID_ProgramData, L"Microsoft\\Windows\\Ringtones"},
    {&FOLDERID_PublicGameTasks, &FOLDERID_ProgramData, L"Microsoft\\Windows\\GameExplorer"},
    {&FOLDERID_DeviceMetadataStore, &FOLDERID_ProgramData,
     L"Microsoft\\Windows\\DeviceMetadataStore"},
};

// The system's own folders: protected with all they hold.
const KNOWNFOLDERID* const kSystemFolders[] = {
    &FOLDERID_Windows, &FOLDERID_System, &FOLDERID_SystemX86, &FOLDERID_Fonts,
    &FOLDERID_ResourceDir,
};

// The variables the OneDrive client sets to its folders (personal, work or school).
const wchar_t* const kOneDriveVariables[] = {L"%OneDrive%", L"%OneDriveConsumer%",
                                             L"%OneDriveCommercial%"};

// The platform's own folders in each Program Files folder.
const wchar_t* const kPlatformProgramFolders[] = {
    L"Internet Explorer",       L"Windows Defender",
    L"Windows Defender Advanced Threat Protection", L"Windows Security",
    L"Windows Mail",            L"Windows Media Player",
    L"Windows Multimedia Platform", L"Windows NT",
    L"Windows Photo Viewer",    L"Windows Portable Devices",
    L"Windows Sidebar",         L"Windows Journal",
    L"WindowsApps",             L"ModifiableWindowsApps",
    L"WindowsPowerShell",       L"Microsoft.NET",
    L"Reference Assemblies",    L"MSBuild",
    L"Uninstall Information",
};

// The platform's own folders in each Common Files folder.
const wchar_t* const kPlatformCommonFolders[] = {
    L"Microsoft Shared", L"System", L"Services", L"SpeechEngines",
};

const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// Resolves every spelling of a path to one form: full, long names, backslashes only, no trailing
// backslash, lower case ("c:" for a drive root, "\\server\share" for a share). Empty when the
// path does not name one absolute place.
std::wstring CanonicalPath(const std::wstring& path) {
  std::wstring p = path;
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  if (win::StartsWithNoCase(p, L"\\\\?\\UNC\\") || win::StartsWithNoCase(p, L"\\??\\UNC\\"))
    p = L"\\\\" + p.substr(8);
  else if (p.rfind(L"\\\\?\\", 0) == 0 || p.rfind(L"\\??\\", 0) == 0)
    p = p.substr(4);
  if (p.find_first_of(L"*?\"<>|") != std::wstring::npos) return {};
  bool unc = p.size() > 2 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'.' && p[2] != L'?';
  bool drive = p.size() >= 3 && IsDriveLetter(p[0]) && p[1] == L':' && p[2] == L'\\';
  if (!unc && !drive) return {};

  DWORD n = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
  if (!n) return {};
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(p.c_str(), n, full.data(), nullptr);
  full.resize(n);

  // Short names resolved along the longest part of the path that exists. The system builds
  // every short name with a tilde, so a path without one needs no look-up (each costs a walk of
  // the folders on the way). No network round trips for a share: short names are a local disk's
  // matter.
  if (size_t tilde = full.rfind(L'~'); !unc && tilde != std::wstring::npos) {
    size_t cut = full.find(L'\\', tilde);
    if (cut == std::wstring::npos) cut = full.size();
    std::wstring head = full.substr(0, cut), tail = full.substr(cut);
    for (;;) {
      DWORD m = GetLongPathNameW(head.c_str(), nullptr, 0);
      if (m) {
        std::wstring longer(m, L'\0');
        m = GetLongPathNameW(head.c_str(), longer.data(), m);
        if (m && m < longer.size()) {
          longer.resize(m);
          full = longer + tail;
        }
        break;
      }
      size_t slash = head.find_last_of(L'\\');
      if (slash == std::wstring::npos || slash <= 2) break;
      tail = head.substr(slash) + tail;
      head.resize(slash);
    }
  }

  // Win32 drops trailing dots and blanks of every name, so "Windows." is the Windows folder.
  std::wstring out;
  size_t start = unc ? 2 : 0;
  out = full.substr(0, start);
  while (start <= full.size()) {
    size_t end = full.find(L'\\', start);
    if (end == std::wstring::npos) end = full.size();
    std::wstring name = full.substr(start, end - start);
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    if (!name.empty()) {
      if (out.size() > (unc ? 2u : 0u)) out += L'\\';
      out += name;
    }
    start = end + 1;
  }
  return win::ToLower(out);
}

std::wstring ParentOf(const std::wstring& canonical) {
  size_t slash = canonical.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash < 2) return {};
  return canonical.substr(0, slash);
}

bool IsRootShaped(const std::wstring& canonical) {
  if (canonical.size() == 2 && canonical[1] == L':') return true;
  if (canonical.rfind(L"\\\\", 0) != 0) return false;
  // \\server or \\server\share
  size_t first = canonical.find(L'\\', 2);
  return first == std::wstring::npos || canonical.find(L'\\', first + 1) == std::wstring::npos;
}

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  win::UniqueCoTaskMemory memory;
  PWSTR path = nullptr;
  HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
  memory.Reset(path);
  return SUCCEEDED(hr) && path ? std::wstring(path) : std::wstring();
}

std::wstring Expanded(const std::wstring& text) { return win::ExpandEnvironment(text); }

std::wstring ReadString(HKEY key, const wchar_t* name) {
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  return Expanded(buffer);
}

// The profile folders the machine lists, and the folders that hold profiles.
void ReadProfileList(std::vector<std::wstring>& profiles, std::vector<std::wstring>& parents) {
  win::UniqueHKey list;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ, list.Put()) != ERROR_SUCCESS)
    return;
  parents.push_back(ReadString(list.Get(), L"ProfilesDirectory"));
  profiles.push_back(ReadString(list.Get(), L"Default"));
  profiles.push_back(ReadString(list.Get(), L"Public"));
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(list.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    win::UniqueHKey sid;
    if (RegOpenKeyExW(list.Get(), name, 0, KEY_READ, sid.Put()) == ERROR_SUCCESS)
      profiles.push_back(ReadString(sid.Get(), L"ProfileImagePath"));
  }
}

struct TProtectedFolders {
  // Protected places and all their ancestors.
  std::unordered_set<std::wstring> Places;
  // Folders protected with everything inside them.
  std::unordered_set<std::wstring> Subtrees;
  // The known folders and their ancestors, of this user and of all users.
  std::unordered_set<std::wstring> Known;
  // Folders that hold user profiles: each child is a profile, whoever's it is.
  std::unordered_set<std::wstring> ProfileHolders;
  // The known folders inside a profile, from the profile on ("\\appdata\\roaming"), with their
  // ancestors inside it.
  std::unordered_set<std::wstring> InsideProfile;
  // The program's own folder: the files beside it are protected.
  std::wstring OwnFolder;

  void Add(const std::wstring& canonical) {
    for (std::wstring p = canonical; !p.empty() && Places.insert(p).second; p = ParentOf(p)) {
    }
  }
  void AddKnown(const std::wstring& canonical) {
    Add(canonical);
    for (std::wstring p = canonical; !p.empty() && Known.insert(p).second; p = ParentOf(p)) {
    }
  }
  void AddSubtree(const std::wstring& canonical) {
    Add(canonical);
    Subtrees.insert(canonical);
  }
  // Whether the path is one of the known folders inside a profile, any profile, or holds one.
  bool IsInsideProfileKnown(const std::wstring& canonical) const {
    for (const std::wstring& holder : ProfileHolders) {
      if (canonical.size() <= holder.size() + 1 || canonical.rfind(holder + L"\\", 0) != 0)
        continue;
      size_t slash = canonical.find(L'\\', holder.size() + 1);
      if (slash != std::wstring::npos && InsideProfile.count(canonical.substr(slash))) return true;
    }
    return false;
  }
};

std::wstring KnownFolderPath(const TKnownFolder& folder) {
  std::wstring path = KnownFolder(*folder.Id);
  if (path.empty() && folder.Base)
    if (std::wstring base = KnownFolder(*folder.Base); !base.empty())
      path = win::WithTrailingBackslash(base) + folder.Default;
  return path;
}

TProtectedFolders BuildProtectedFolders() {
  TProtectedFolders result;
  auto add = [&](const std::wstring& path) {
    if (std::wstring c = CanonicalPath(path); !c.empty()) result.Add(c);
  };

  // The system's folders, with all they hold.
  std::vector<std::wstring> system;
  for (const KNOWNFOLDERID* id : kSystemFolders) system.push_back(KnownFolder(*id));
  wchar_t buffer[MAX_PATH + 1];
  if (UINT n = GetWindowsDirectoryW(buffer, MAX_PATH); n && n < MAX_PATH) system.push_back(buffer);
  if (UINT n = GetSystemWindowsDirectoryW(buffer, MAX_PATH); n && n < MAX_PATH)
    system.push_back(buffer);
  if (UINT n = GetSystemDirectoryW(buffer, MAX_PATH); n && n < MAX_PATH) system.push_back(buffer);
  if (UINT n = GetSystemWow64DirectoryW(buffer, MAX_PATH); n && n < MAX_PATH)
    system.push_back(buffer);
  for (const std::wstring& folder : system)
    if (std::wstring c = CanonicalPath(folder); !c.empty()) result.AddSubtree(c);

  // The folders shared by all users, and the platform's program folders in them.
  for (const TKnownFolder& folder : kCommonFolders)
    if (std::wstring c = CanonicalPath(KnownFolderPath(folder)); !c.empty()) result.AddKnown(c);
  auto addPlatform = [&](std::initializer_list<const KNOWNFOLDERID*> parents,
                         const auto& names) {
    for (const KNOWNFOLDERID* id : parents)
      if (std::wstring c = CanonicalPath(KnownFolder(*id)); !c.empty())
        for (const wchar_t* name : names) result.AddSubtree(c + L"\\" + win::ToLower(name));
  };
  addPlatform({&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFilesX64},
              kPlatformProgramFolders);
  addPlatform({&FOLDERID_ProgramFilesCommon, &FOLDERID_ProgramFilesCommonX86,
               &FOLDERID_ProgramFilesCommonX64},
              kPlatformCommonFolders);
  if (UINT n = GetTempPathW(MAX_PATH, buffer); n && n < MAX_PATH) add(buffer);
  std::wstring programData = Expanded(L"%ProgramData%");
  if (programData.find(L'%') == std::wstring::npos) add(programData);

  // The profiles: those the machine lists (they may lie anywhere) and the folders that hold them.
  std::vector<std::wstring> profiles, holders;
  ReadProfileList(profiles, holders);
  std::wstring profile = CanonicalPath(KnownFolder(FOLDERID_Profile));
  holders.push_back(KnownFolder(FOLDERID_UserProfiles));
  for (const std::wstring& holder : holders)
    if (std::wstring c = CanonicalPath(holder); !c.empty()) result.ProfileHolders.insert(c);
  if (!profile.empty()) {
    result.ProfileHolders.insert(ParentOf(profile));
    profiles.push_back(profile);
  }
  for (const std::wstring& holder : result.ProfileHolders) result.Add(holder);

  // The user's folders, and the same folders inside every other profile.
  std::vector<std::wstring> userFolders;
  for (const TKnownFolder& folder : kUserFolders) userFolders.push_back(KnownFolderPath(folder));
  for (const wchar_t* variable : kOneDriveVariables)
    if (std::wstring path = Expanded(variable); path.find(L'%') == std::wstring::npos)
      userFolders.push_back(path);
  for (const std::wstring& folder : userFolders) {
    std::wstring c = CanonicalPath(folder);
    if (c.empty()) continue;
    result.AddKnown(c);
    if (profile.empty() || c.size() <= profile.size() || c.rfind(profile + L"\\", 0) != 0) continue;
    for (std::wstring inside = c.substr(profile.size());
         !inside.empty() && result.InsideProfile.insert(inside).second;
         inside.resize(inside.find_last_of(L'\\'))) {
    }
  }
  for (const std::wstring& p : profiles) {
    std::wstring c = CanonicalPath(p);
    if (c.empty()) continue;
    result.Add(c);
    for (const std::wstring& inside : result.InsideProfile) result.Add(c + inside);
  }

  // The program's own folder and the files beside it.
  std::wstring exe(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (n == 0) {
      exe.clear();
      break;
    }
    if (n < exe.size()) {
      exe.resize(n);
      break;
    }
    exe.resize(exe.size() * 2);
  }
  if (std::wstring c = CanonicalPath(exe); !c.empty()) {
    result.OwnFolder = ParentOf(c);
    result.Add(result.OwnFolder);
  }
  return result;
}

// Built once: the known folders do not change while the program runs.
const TProtectedFolders& ProtectedFolders() {
  static const TProtectedFolders folders = BuildProtectedFolders();
  return folders;
}

}  // namespace

bool IsProtectedPath(const std::wstring& path) {
  // "C:" alone is the current folder of drive C; as a row's path it can only mean the drive.
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':' &&
      std::all_of(path.begin() + 2, path.end(), IsSlash))
    return true;
  std::wstring canonical = CanonicalPath(path);
  if (canonical.empty() || IsRootShaped(canonical)) return true;
  const TProtectedFolders& folders = ProtectedFolders();
  std::wstring parent = ParentOf(canonical);
  if (folders.Places.count(canonical) ||
      (!folders.OwnFolder.empty() && parent == folders.OwnFolder) ||
      folders.ProfileHolders.count(parent))
    return true;
  for (std::wstring p = canonical; !p.empty(); p = ParentOf(p))
    if (folders.Subtrees.count(p)) return true;
  // The user folders inside any profile, also one that was never listed.
  return folders.IsInsideProfileKnown(canonical);
}

bool IsKnownFolderOrAncestor(const std::wstring& path) {
  std::wstring canonical = CanonicalPath(path);
  if (canonical.empty()) return false;
  const TProtectedFolders& folders = ProtectedFolders();
  return folders.Known.count(canonical) || folders.IsInsideProfileKnown(canonical);
}
