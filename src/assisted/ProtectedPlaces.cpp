#include "assisted/ProtectedPlaces.h"

#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

// Which folders are protected, and why:
// - Drive roots and network share roots: deleting one empties a whole volume or share.
// - The Windows folder, System32, SysWOW64, the fonts and resources folders: the system itself.
// - Program Files (both), Common Files (both), ProgramData: every installed program lives below
//   them; a program's own folder inside them stays deletable, the shared parent never is.
// - The users folder and every profile folder in it: all of a user's data at once.
// - The shell's known folders of the current user (Desktop, Documents, Downloads, Pictures, Music,
//   Videos, Start Menu, Programs, Startup, AppData, Local AppData, ...) and of all users (the
//   Public ones, the common Start Menu): they hold what many programs and the user put there, and
//   the shell expects them to exist. The same folders in every other profile are protected too.
// - The temporary folder itself: programs and the system expect it to exist.
// - The program's own folder and the files beside it: the uninstall log and help live there.
// Every ancestor of a protected place is protected too: deleting C:\Users\bob\AppData would take
// Local AppData with it. Children of a protected place stay deletable unless listed themselves.
//
// Paths are compared resolved (full path, long names, no \\?\ prefix, no trailing backslash,
// backslashes only) and without regard to letter case, so no other spelling gets around a rule.
// A path that is not absolute (relative, drive-relative) or holds wildcards could name anything:
// it is refused as well.

namespace {

// Known folders of the current user; those inside the user's profile are also protected inside
// every other profile.
const KNOWNFOLDERID* const kUserFolders[] = {
    &FOLDERID_Profile,        &FOLDERID_Desktop,        &FOLDERID_Documents,
    &FOLDERID_Downloads,      &FOLDERID_Pictures,       &FOLDERID_Music,
    &FOLDERID_Videos,         &FOLDERID_StartMenu,      &FOLDERID_Programs,
    &FOLDERID_Startup,        &FOLDERID_RoamingAppData, &FOLDERID_LocalAppData,
    &FOLDERID_LocalAppDataLow, &FOLDERID_Favorites,     &FOLDERID_Templates,
    &FOLDERID_SendTo,         &FOLDERID_Recent,         &FOLDERID_Cookies,
    &FOLDERID_History,        &FOLDERID_InternetCache,  &FOLDERID_NetHood,
    &FOLDERID_PrintHood,      &FOLDERID_Links,          &FOLDERID_SavedGames,
    &FOLDERID_Contacts,       &FOLDERID_AdminTools,
    &FOLDERID_CDBurning,      &FOLDERID_UserProgramFiles, &FOLDERID_UserProgramFilesCommon,
};

// Folders shared by all users and the system's own.
const KNOWNFOLDERID* const kCommonFolders[] = {
    &FOLDERID_Windows,          &FOLDERID_System,           &FOLDERID_SystemX86,
    &FOLDERID_Fonts,            &FOLDERID_ResourceDir,      &FOLDERID_ProgramFiles,
    &FOLDERID_ProgramFilesX86,  &FOLDERID_ProgramFilesX64,  &FOLDERID_ProgramFilesCommon,
    &FOLDERID_ProgramFilesCommonX86, &FOLDERID_ProgramFilesCommonX64, &FOLDERID_ProgramData,
    &FOLDERID_UserProfiles,     &FOLDERID_Public,           &FOLDERID_PublicDesktop,
    &FOLDERID_PublicDocuments,  &FOLDERID_PublicDownloads,  &FOLDERID_PublicPictures,
    &FOLDERID_PublicMusic,      &FOLDERID_PublicVideos,     &FOLDERID_CommonStartMenu,
    &FOLDERID_CommonPrograms,   &FOLDERID_CommonStartup,    &FOLDERID_CommonTemplates,
    &FOLDERID_CommonAdminTools,
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
  // Folders that hold user profiles: each child is a profile, whoever's it is.
  std::unordered_set<std::wstring> ProfileHolders;
  // The protected folders inside a profile, from the profile on ("\\appdata\\roaming"), with
  // their ancestors inside it.
  std::unordered_set<std::wstring> InsideProfile;
  // The program's own folder: the files beside it are protected.
  std::wstring OwnFolder;

  void Add(const std::wstring& canonical) {
    for (std::wstring p = canonical; !p.empty() && Places.insert(p).second; p = ParentOf(p)) {
    }
  }
};

TProtectedFolders BuildProtectedFolders() {
  TProtectedFolders result;
  auto add = [&](const std::wstring& path) {
    if (std::wstring c = CanonicalPath(path); !c.empty()) result.Add(c);
  };

  for (const KNOWNFOLDERID* id : kCommonFolders) add(KnownFolder(*id));
  wchar_t buffer[MAX_PATH + 1];
  if (UINT n = GetWindowsDirectoryW(buffer, MAX_PATH); n && n < MAX_PATH) add(buffer);
  if (UINT n = GetSystemWindowsDirectoryW(buffer, MAX_PATH); n && n < MAX_PATH) add(buffer);
  if (UINT n = GetSystemDirectoryW(buffer, MAX_PATH); n && n < MAX_PATH) add(buffer);
  if (UINT n = GetSystemWow64DirectoryW(buffer, MAX_PATH); n && n < MAX_PATH) add(buffer);
  if (DWORD n = GetTempPathW(MAX_PATH, buffer); n && n < MAX_PATH) add(buffer);
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
  for (const KNOWNFOLDERID* id : kUserFolders) {
    std::wstring c = CanonicalPath(KnownFolder(*id));
    if (c.empty()) continue;
    result.Add(c);
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
  // The user folders inside any profile, also one that was never listed.
  for (const std::wstring& holder : folders.ProfileHolders) {
    if (canonical.size() <= holder.size() + 1 || canonical.rfind(holder + L"\\", 0) != 0) continue;
    size_t slash = canonical.find(L'\\', holder.size() + 1);
    if (slash != std::wstring::npos && folders.InsideProfile.count(canonical.substr(slash)))
      return true;
  }
  return false;
}

// Which keys are protected, and why:
// - A root key itself, and every key directly below HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
//   HKEY_CURRENT_CONFIG and below a user's key in HKEY_USERS (SOFTWARE, SYSTEM, Software,
//   Control Panel, Environment, ...), and a user's key itself: each is a whole area of the system.
//   HKEY_PERFORMANCE_DATA and roots the program does not know hold no program's keys at all.
// - The hives no program owns: HKLM\SAM, SECURITY, HARDWARE and the boot configuration.
// - HKLM\SYSTEM's keys, the control sets with their first level (Services, Control, Enum, ...) and
//   the keys of Control: the configuration Windows starts from. A service's own key stays
//   deletable.
// - Below Software (and its 32-bit mirror Wow6432Node): Microsoft, Classes, Policies, Clients,
//   RegisteredApplications, the parts of Microsoft that Windows itself keeps (Windows, Windows NT,
//   their CurrentVersion and every key directly below it: Uninstall, App Paths, Run, RunOnce,
//   Explorer, Shell Extensions, ...; COM, .NET, cryptography, Internet Explorer, ...) and the
//   lists inside them that every program adds itself to (shell folders, approved shell
//   extensions, installed components). A program's own entry in such a list (Uninstall\App,
//   App Paths\app.exe) stays deletable.
// - Control Panel's and AppEvents' keys of a user: Windows' own settings.
// - In HKEY_CLASSES_ROOT, and in each Software\Classes it merges (machine, user, a user's
//   *_Classes key, their Wow6432Node mirrors): the keys every program shares. COM's registries
//   (CLSID, Interface, TypeLib, AppID, Record, Component Categories), MIME and protocol tables,
//   Windows Installer's registrations, the shell's objects (*, AllFilesystemObjects, Directory,
//   Drive, Folder, DesktopBackground, Unknown, SystemFileAssociations, Applications) with their
//   handler lists, and the file types and protocols that Windows itself runs or shows: programs
//   and scripts (.exe, .bat, .cmd, .com, .msi, .ps1, .vbs, .js, .reg, .scr, .cpl, .pif, ...),
//   system files (.dll, .sys, .inf, .ini), shortcuts (.lnk, .url), text and web pages (.txt,
//   .htm, .html, .xml), pictures the shell previews (.bmp, .gif, .ico, .jpg, .jpeg, .png),
//   archives (.zip, .cab), help (.chm, .hlp), and http, https, ftp, file and mailto, each with its
//   type key and the verbs that open it. An application's own extension and type keys stay
//   deletable: removing them is what the extensions page is for.
// Every ancestor of a protected key is protected. Key paths are compared without regard to letter
// case, leading, doubled and trailing backslashes.

namespace {

enum class TKeyScope { Machine, User, Classes, Config, Untouchable };

using TNames = std::vector<std::wstring>;

const wchar_t* const kSoftwareKeys[] = {
    L"microsoft",
    L"classes",
    L"policies",
    L"policies\\microsoft",
    L"policies\\microsoft\\windows",
    L"wow6432node",
    L"clients",
    L"clients\\mail",
    L"clients\\startmenuinternet",
    L"clients\\media",
    L"clients\\news",
    L"clients\\contacts",
    L"clients\\calendar",
    L"registeredapplications",
    L"microsoft\\windows\\currentversion\\explorer\\shell folders",
    L"microsoft\\windows\\currentversion\\explorer\\user shell folders",
    L"microsoft\\windows\\currentversion\\explorer\\fileexts",
    L"microsoft\\windows\\currentversion\\explorer\\desktop\\namespace",
    L"microsoft\\windows\\currentversion\\explorer\\mycomputer\\namespace",
    L"microsoft\\windows\\currentversion\\explorer\\advanced",
    L"microsoft\\windows\\currentversion\\explorer\\browser helper objects",
    L"microsoft\\windows\\currentversion\\explorer\\shellexecutehooks",
    L"microsoft\\windows\\currentversion\\explorer\\shelliconoverlayidentifiers",
    L"microsoft\\windows\\currentversion\\policies\\explorer",
    L"microsoft\\windows\\currentversion\\policies\\system",
    L"microsoft\\windows\\currentversion\\shell extensions\\approved",
    L"microsoft\\windows\\currentversion\\shell extensions\\blocked",
    L"microsoft\\windows nt\\currentversion\\winlogon",
    L"microsoft\\active setup\\installed components",
    L"microsoft\\.netframework",
    L"microsoft\\net framework setup",
    L"microsoft\\cryptography",
    L"microsoft\\ole",
    L"microsoft\\rpc",
    L"microsoft\\com3",
    L"microsoft\\fusion",
    L"microsoft\\internet explorer",
    L"microsoft\\wbem",
    L"microsoft\\ctf",
    L"microsoft\\command processor",
    L"microsoft\\windows script host",
    L"microsoft\\windows defender",
    L"microsoft\\security center",
    L"microsoft\\windows search",
};

// Keys below Software whose every direct child is Windows' own.
const wchar_t* const kSoftwareHolders[] = {
    L"microsoft\\windows",
    L"microsoft\\windows nt",
    L"microsoft\\windows\\currentversion",
    L"microsoft\\windows nt\\currentversion",
};

const wchar_t* const kClassesKeys[] = {
    L"clsid", L"interface", L"typelib", L"appid", L"record", L"component categories",
    L"mime\\database\\content type", L"mime\\database\\codepage", L"mime\\database\\charset",
    L"mime\\database\\rfc1766", L"protocols\\handler", L"protocols\\filter",
    L"installer\\products", L"installer\\features", L"installer\\components",
    L"installer\\upgradecodes", L"installer\\patches", L"installer\\dependencies",
    L"*\\shellex\\contextmenuhandlers", L"*\\shellex\\propertysheethandlers", L"*\\openwithlist",
    L"*\\shell", L"allfilesystemobjects\\shellex\\contextmenuhandlers",
    L"allfilesystemobjects\\shell", L"directory\\shell\\open",
    L"directory\\shellex\\contextmenuhandlers", L"directory\\shellex\\dragdrophandlers",
    L"directory\\shellex\\propertysheethandlers", L"directory\\shellex\\copyhookhandlers",
    L"directory\\background\\shell", L"directory\\background\\shellex\\contextmenuhandlers",
    L"drive\\shell", L"drive\\shellex\\contextmenuhandlers",
    L"drive\\shellex\\propertysheethandlers", L"folder\\shell\\open\\command",
    L"folder\\shell\\explore\\command", L"folder\\shellex\\contextmenuhandlers",
    L"desktopbackground\\shell", L"desktopbackground\\shellex\\contextmenuhandlers",
    L"unknown\\shell", L"systemfileassociations", L"applications", L"local settings",
    L"wow6432node",
};

// File types and protocols Windows itself runs or shows: each extension key and its type key.
const wchar_t* const kSharedTypes[] = {
    L".exe",  L"exefile",  L".lnk",  L"lnkfile",  L".txt",  L"txtfile",  L".bat",  L"batfile",
    L".cmd",  L"cmdfile",  L".com",  L"comfile",  L".dll",  L"dllfile",  L".sys",  L"sysfile",
    L".msi",  L"msi.package", L".msp", L"msi.patch", L".reg", L"regfile", L".ini", L"inifile",
    L".inf",  L"inffile",  L".url",  L"internetshortcut", L".scr", L"scrfile", L".cpl", L"cplfile",
    L".pif",  L"piffile",  L".vbs",  L"vbsfile",  L".js",   L"jsfile",   L".wsf",  L"wsffile",
    L".ps1",  L"microsoft.powershellscript.1", L".msc", L"mscfile", L".htm", L".html",
    L"htmlfile", L".xml", L"xmlfile", L".ico", L"icofile", L".bmp", L"paint.picture", L".gif",
    L"giffile", L".jpg",  L".jpeg",  L"jpegfile", L".png",  L"pngfile",  L".zip",
    L"compressedfolder",  L".cab",   L"cabfolder", L".chm", L"chm.file", L".hlp",  L"hlpfile",
    L"http",  L"https",    L"ftp",   L"file",     L"mailto",
};

// The verbs and parts of a shared type that make it open.
const wchar_t* const kTypeParts[] = {
    L"\\shell\\open\\command", L"\\shell\\runas\\command", L"\\shell\\edit\\command",
    L"\\shell\\print\\command", L"\\defaulticon", L"\\shellex",
};

std::wstring Joined(const TNames& names, size_t from, size_t to) {
  std::wstring text;
  for (size_t i = from; i < to; ++i) {
    if (i > from) text += L'\\';
    text += names[i];
  }
  return text;
}

// A set of key paths with all their ancestors.
std::unordered_set<std::wstring> WithAncestors(const std::vector<std::wstring>& keys) {
  std::unordered_set<std::wstring> set;
  auto add = [&](std::wstring key) {
    for (;;) {
      if (!set.insert(key).second) return;
      size_t slash = key.find_last_of(L'\\');
      if (slash == std::wstring::npos) return;
      key.resize(slash);
    }
  };
  for (const std::wstring& key : keys) add(key);
  return set;
}

template <size_t N>
std::vector<std::wstring> ListOf(const wchar_t* const (&items)[N]) {
  return std::vector<std::wstring>(items, items + N);
}

const std::unordered_set<std::wstring>& SoftwareKeys() {
  static const auto set = WithAncestors(ListOf(kSoftwareKeys));
  return set;
}

const std::unordered_set<std::wstring>& SoftwareHolders() {
  static const std::unordered_set<std::wstring> set(std::begin(kSoftwareHolders),
                                                    std::end(kSoftwareHolders));
  return set;
}

const std::unordered_set<std::wstring>& ClassesKeys() {
  static const auto set = [] {
    std::vector<std::wstring> keys = ListOf(kClassesKeys);
    for (const wchar_t* type : kSharedTypes)
      for (const wchar_t* part : kTypeParts) keys.push_back(std::wstring(type) + part);
    return WithAncestors(keys);
  }();
  return set;
}

TNames KeyNames(const std::wstring& path) {
  TNames names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) names.push_back(win::ToLower(path.substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

TKeyScope ScopeOf(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return TKeyScope::Machine;
  if (root == HKEY_CURRENT_USER) return TKeyScope::User;
  if (root == HKEY_CLASSES_ROOT) return TKeyScope::Classes;
  if (root == HKEY_CURRENT_CONFIG) return TKeyScope::Config;
  return TKeyScope::Untouchable;
}

bool IsEndingWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// `names` from `first` on, as a path below HKEY_CLASSES_ROOT (or a Software\Classes it merges).
bool IsProtectedClass(const TNames& names, size_t first) {
  if (first >= names.size()) return true;
  const auto& keys = ClassesKeys();
  if (keys.count(Joined(names, first, names.size()))) return true;
  // The 32-bit view repeats the shared keys.
  return names[first] == L"wow6432node" && names.size() > first + 1 &&
         keys.count(Joined(names, first + 1, names.size()));
}

// `names` below Software, from `first` on.
bool IsProtectedSoftware(const TNames& names, size_t first) {
  if (first >= names.size()) return true;
  if (names[first] == L"wow6432node") {
    if (names.size() == first + 1) return true;
    ++first;
  }
  if (names[first] == L"classes") return IsProtectedClass(names, first + 1);
  std::wstring key = Joined(names, first, names.size());
  if (SoftwareKeys().count(key)) return true;
  return names.size() > first + 1 && SoftwareHolders().count(Joined(names, first, names.size() - 1));
}

bool IsProtectedMachineKey(const TNames& names) {
  if (names.size() <= 1) return true;
  const std::wstring& top = names[0];
  if (top == L"software") return IsProtectedSoftware(names, 1);
  if (top == L"sam" || top == L"security" || top == L"hardware" || top == L"bcd00000000")
    return true;
  if (top == L"system") {
    if (names.size() == 2) return true;
    bool controlSet = names[1] == L"currentcontrolset" || names[1].rfind(L"controlset", 0) == 0;
    return controlSet && (names.size() == 3 || (names.size() == 4 && names[2] == L"control"));
  }
  return false;
}

// `names` from `first` on, below a user's own key.
bool IsProtectedUserKey(const TNames& names, size_t first) {
  size_t depth = names.size() - std::min(first, names.size());
  if (depth <= 1) return true;
  const std::wstring& top = names[first];
  if (top == L"software") return IsProtectedSoftware(names, first + 1);
  if (top == L"control panel" || top == L"appevents")
    return depth == 2 || (top == L"appevents" && depth <= 4 && names[first + 1] == L"schemes" &&
                          names[first + 2] == L"apps" &&
                          (depth == 3 || names[first + 3] == L".default"));
  return false;
}

}  // namespace

bool IsProtectedKey(HKEY root, const std::wstring& path) {
  TNames names = KeyNames(path);
  if (root == HKEY_USERS) {
    // HKEY_USERS\<user> is that user's HKEY_CURRENT_USER, <user>_Classes its classes.
    if (names.empty()) return true;
    if (IsEndingWith(names[0], L"_classes")) return IsProtectedClass(names, 1);
    return names.size() == 1 || IsProtectedUserKey(names, 1);
  }
  switch (ScopeOf(root)) {
    case TKeyScope::Machine: return IsProtectedMachineKey(names);
    case TKeyScope::User: return IsProtectedUserKey(names, 0);
    case TKeyScope::Classes: return IsProtectedClass(names, 0);
    case TKeyScope::Config: return names.size() <= 1;
    case TKeyScope::Untouchable: return true;
  }
  return true;
}
