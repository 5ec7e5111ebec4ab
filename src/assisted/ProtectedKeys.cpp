// The protected keys: IsProtectedKey of ProtectedPlaces.h.
#include "assisted/ProtectedPlaces.h"

#include "win/Text.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

// Which keys are protected, and why. As with folders, a key is protected with every ancestor,
// and a subtree with everything below it as well.
// - A root key itself, every key directly below HKEY_CURRENT_USER and below a user's key in
//   HKEY_USERS (Software, AppEvents, Console, ...), and a user's key itself: each is a whole area
//   of the system. HKEY_PERFORMANCE_DATA and roots the program does not know hold no program's
//   keys at all.
// - Subtrees: every hive of HKEY_LOCAL_MACHINE but SOFTWARE (SYSTEM with its control sets and
//   services, SAM, SECURITY, HARDWARE, the boot configuration, ...) and HKEY_CURRENT_CONFIG,
//   which shows a part of SYSTEM: the configuration Windows starts from, which no uninstaller
//   edits by deleting keys.
// - Subtrees: a user's Control Panel, Environment, Volatile Environment, Keyboard Layout,
//   Network, Printers and System: Windows' own settings of that user.
// - AppEvents' schemes and the default sound scheme's keys: Windows' own sounds; a program's own
//   sounds (Schemes\Apps\App) stay deletable.
// - Below Software (and its 32-bit view Wow6432Node), in the machine's and every user's:
//   Classes, Policies, Clients and each kind of client, and RegisteredApplications: lists that
//   every program adds itself to; a program's own entry in them stays deletable.
// - Subtrees: Software\Microsoft and Software\Policies\Microsoft. Windows keeps everything there
//   (its configuration, COM, .NET, cryptography, Installer's registrations, the user profiles,
//   the environment, shell folders, Run and RunOnce, ...), and no single program owns anything
//   below, except a program's own entry in two lists: Uninstall\<entry> and App Paths\<app.exe>,
//   each with what lies below it. Run and RunOnce hold each program's start-up as a value, never
//   as a key, so the keys themselves always stay.
// - In HKEY_CLASSES_ROOT, and in each Software\Classes it merges (machine, user, a user's
//   *_Classes key, their Wow6432Node views): the keys every program shares. COM's registries
//   (CLSID, Interface, TypeLib, AppID, Record, Component Categories), MIME and protocol tables,
//   Windows Installer's registrations, the shell's objects (*, AllFilesystemObjects, Directory,
//   Drive, Folder, DesktopBackground, Unknown, SystemFileAssociations, Applications) with their
//   handler lists, and the types and protocols Windows itself runs (exefile, batfile, http, ...)
//   with the verbs that open them.
// - Subtrees: the extension keys of the standard file types, which many programs open and which
//   Windows itself has handlers for (.txt, .pdf, .mp3, .jpg, .zip, .exe, ...; listed below by
//   kind), and Windows' own associations for them and for the perceived types in
//   SystemFileAssociations. A program that registered itself for such a type added a value or
//   a subkey to a shared key; the key stays.
// - Subtrees: the platform's own COM classes: a CLSID entry whose server is a system file (in a
//   protected folder, or named without a folder and so found on the system's search path). The
//   file stays, so its registration stays.
// Values: a protected key keeps its values too, except where the key is a list that holds one
// value per program and nothing else of the system: Run and RunOnce (a program's start-up
// command) and an extension's OpenWithProgids (a program's offer to open the type, a value with
// no data). Deleting such a value undoes what one program added; the key, shared by all, stays,
// and no other value of it is touched.
// An application's own extension, type and class keys stay deletable: removing them is what the
// extensions page is for. Key paths are compared without regard to letter case, leading, doubled
// and trailing backslashes.

namespace {

using TNames = std::vector<std::wstring>;

// Keys below Software that every program adds itself to.
const wchar_t* const kSoftwareKeys[] = {
    L"classes",
    L"policies",
    L"wow6432node",
    L"clients",
    L"clients\\mail",
    L"clients\\startmenuinternet",
    L"clients\\media",
    L"clients\\news",
    L"clients\\contacts",
    L"clients\\calendar",
    L"registeredapplications",
};

// The lists below Software\Microsoft whose entries belong each to one program, each three keys
// deep.
const wchar_t* const kProgramLists[] = {
    L"windows\\currentversion\\uninstall",
    L"windows\\currentversion\\app paths",
};

// Below a user's key: Windows' own settings.
const wchar_t* const kUserSettings[] = {
    L"control panel", L"environment", L"volatile environment", L"keyboard layout",
    L"network",       L"printers",    L"system",
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

// The standard file types, by kind: extensions Windows itself has handlers for.
const wchar_t* const kStandardExtensions[] = {
    // Programs, scripts and installers.
    L".exe", L".com", L".bat", L".cmd", L".msi", L".msp", L".msu", L".ps1", L".psm1", L".psd1",
    L".vbs", L".vbe", L".js", L".jse", L".wsf", L".wsh", L".hta", L".scr", L".cpl", L".pif",
    L".msc", L".reg", L".appx", L".msix", L".appref-ms", L".application",
    // System files.
    L".dll", L".sys", L".drv", L".ocx", L".inf", L".ini", L".cat", L".manifest", L".theme",
    L".themepack", L".deskthemepack", L".library-ms", L".search-ms", L".searchconnector-ms",
    L".cer", L".crt", L".der", L".p7b", L".pfx", L".sst", L".stl",
    // Shortcuts.
    L".lnk", L".url", L".website",
    // Text, documents and web pages.
    L".txt", L".log", L".csv", L".rtf", L".wri", L".pdf", L".xps", L".oxps", L".doc", L".docx",
    L".xls", L".xlsx", L".ppt", L".pptx", L".odt", L".ods", L".odp", L".xml", L".xsl", L".json",
    L".htm", L".html", L".xht", L".xhtml", L".mht", L".mhtml", L".css", L".eml", L".vcf", L".ics",
    L".contact", L".chm", L".hlp",
    // Fonts.
    L".ttf", L".ttc", L".otf", L".fon", L".fnt",
    // Pictures.
    L".bmp", L".dib", L".gif", L".ico", L".cur", L".ani", L".jpg", L".jpeg", L".jpe", L".jfif",
    L".png", L".tif", L".tiff", L".wdp", L".jxr", L".heic", L".heif", L".webp", L".avif", L".svg",
    L".emf", L".wmf", L".raw", L".dng",
    // Sound.
    L".mp3", L".wav", L".wma", L".mid", L".midi", L".rmi", L".aac", L".adts", L".m4a", L".flac",
    L".aif", L".aiff", L".aifc", L".au", L".snd", L".cda", L".ac3", L".ogg", L".opus", L".m3u",
    L".wpl", L".asx",
    // Video.
    L".mp4", L".m4v", L".mov", L".avi", L".wmv", L".wm", L".asf", L".mpg", L".mpeg", L".mpe",
    L".m1v", L".m2v", L".mp2", L".mpa", L".mkv", L".3gp", L".3g2", L".3gp2", L".3gpp", L".ts",
    L".m2ts", L".mts", L".webm", L".vob", L".dvr-ms", L".wtv",
    // Archives and disk images.
    L".zip", L".cab", L".iso", L".img", L".vhd", L".vhdx",
};

// Perceived types: SystemFileAssociations holds Windows' own verbs for each.
const wchar_t* const kPerceivedTypes[] = {
    L"audio", L"video", L"image", L"text", L"compressed", L"document", L"system", L"application",
};

// Types and protocols Windows itself runs or shows.
const wchar_t* const kSharedTypes[] = {
    L"exefile",  L"lnkfile",  L"txtfile",  L"batfile",  L"cmdfile",  L"comfile",  L"dllfile",
    L"sysfile",  L"msi.package", L"msi.patch", L"regfile", L"inifile", L"inffile",
    L"internetshortcut", L"scrfile", L"cplfile", L"piffile", L"vbsfile", L"jsfile", L"wsffile",
    L"microsoft.powershellscript.1", L"mscfile", L"htmlfile", L"xmlfile", L"icofile",
    L"paint.picture", L"giffile", L"jpegfile", L"pngfile", L"compressedfolder", L"cabfolder",
    L"chm.file", L"hlpfile", L"http", L"https", L"ftp", L"file", L"mailto",
};

// The verbs and parts of a shared type that make it open.
const wchar_t* const kTypeParts[] = {
    L"\\shell\\open\\command", L"\\shell\\runas\\command", L"\\shell\\edit\\command",
    L"\\shell\\print\\command", L"\\defaulticon", L"\\shellex",
};

// The servers of a COM class.
const wchar_t* const kClassServers[] = {L"InprocServer32", L"LocalServer32"};

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
std::unordered_set<std::wstring> SetOf(const wchar_t* const (&items)[N]) {
  return std::unordered_set<std::wstring>(items, items + N);
}

const std::unordered_set<std::wstring>& SoftwareKeys() {
  static const auto set = SetOf(kSoftwareKeys);
  return set;
}

const std::unordered_set<std::wstring>& ClassesKeys() {
  static const auto set = [] {
    std::vector<std::wstring> keys(std::begin(kClassesKeys), std::end(kClassesKeys));
    for (const wchar_t* type : kSharedTypes)
      for (const wchar_t* part : kTypeParts) keys.push_back(std::wstring(type) + part);
    return WithAncestors(keys);
  }();
  return set;
}

bool IsStandardExtension(const std::wstring& name) {
  static const auto set = SetOf(kStandardExtensions);
  return set.count(name) > 0;
}

bool IsPerceivedType(const std::wstring& name) {
  static const auto set = SetOf(kPerceivedTypes);
  return set.count(name) > 0;
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

bool IsEndingWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A key path below a root, split into names: where a rule needs to read the key itself.
struct TKeyPath {
  HKEY Root;
  TNames Names;
};

// The file a server value names: the quoted part, or the unquoted text up to the first blank
// after a name with an extension; empty when there is no value.
std::wstring ServerFile(HKEY root, const std::wstring& key) {
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  // An expandable value comes expanded: %SystemRoot%\system32\shell32.dll is the usual one.
  if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS)
    return {};
  std::wstring text = win::Trim(buffer);
  if (!text.empty() && text[0] == L'"') return text.substr(1, text.find(L'"', 1) - 1);
  for (size_t blank = text.find(L' '); blank != std::wstring::npos;
       blank = text.find(L' ', blank + 1)) {
    size_t dot = text.find_last_of(L".\\", blank);
    if (dot != std::wstring::npos && text[dot] == L'.' && blank - dot >= 2 && blank - dot <= 4)
      return text.substr(0, blank);
  }
  return text;
}

// `CLSID\{class}` at names[0..end): whether its server is a file of the system.
bool IsPlatformClass(const TKeyPath& key, size_t end) {
  const std::wstring path = Joined(key.Names, 0, end);
  for (const wchar_t* server : kClassServers) {
    std::wstring file = ServerFile(key.Root, path + L"\\" + server);
    if (file.empty()) continue;
    return file.find_first_of(L"\\/") == std::wstring::npos || IsProtectedPath(file);
  }
  return false;
}

// Moves `first` past a Wow6432Node key: the 32-bit view repeats the keys of the native one below
// it. False when the key is the view's key itself.
bool PastWow64View(const TNames& names, size_t& first) {
  if (names[first] != L"wow6432node") return true;
  return ++first < names.size();
}

// The names from `first` on, as a path below HKEY_CLASSES_ROOT (or a Software\Classes it merges).
bool IsProtectedClass(const TKeyPath& key, size_t first) {
  const TNames& names = key.Names;
  if (first >= names.size() || !PastWow64View(names, first)) return true;
  const std::wstring& top = names[first];
  if (ClassesKeys().count(Joined(names, first, names.size())) || IsStandardExtension(top))
    return true;
  if (names.size() > first + 1) {
    const std::wstring& second = names[first + 1];
    if (top == L"systemfileassociations" && (IsStandardExtension(second) || IsPerceivedType(second)))
      return true;
    if (top == L"clsid") return IsPlatformClass(key, first + 2);
  }
  return false;
}

// Below Software\Microsoft, from `first` on: a program's own entry in one of the lists.
bool IsProgramsOwnEntry(const TNames& names, size_t first) {
  static const auto lists = SetOf(kProgramLists);
  return names.size() > first + 3 && lists.count(Joined(names, first, first + 3));
}

// The names below Software, from `first` on.
bool IsProtectedSoftware(const TKeyPath& key, size_t first) {
  const TNames& names = key.Names;
  if (first >= names.size() || !PastWow64View(names, first)) return true;
  const std::wstring& top = names[first];
  if (top == L"classes") return IsProtectedClass(key, first + 1);
  if (top == L"microsoft") return !IsProgramsOwnEntry(names, first + 1);
  if (top == L"policies" && names.size() > first + 1 && names[first + 1] == L"microsoft")
    return true;
  return SoftwareKeys().count(Joined(names, first, names.size())) > 0;
}

bool IsProtectedMachineKey(const TKeyPath& key) {
  if (key.Names.size() <= 1 || key.Names[0] != L"software") return true;
  return IsProtectedSoftware(key, 1);
}

// The names from `first` on, below a user's own key.
bool IsProtectedUserKey(const TKeyPath& key, size_t first) {
  const TNames& names = key.Names;
  size_t depth = names.size() - std::min(first, names.size());
  if (depth <= 1) return true;
  const std::wstring& top = names[first];
  if (top == L"software") return IsProtectedSoftware(key, first + 1);
  static const auto settings = SetOf(kUserSettings);
  if (settings.count(top)) return true;
  if (top == L"appevents")
    return depth == 2 || (depth <= 4 && names[first + 1] == L"schemes" &&
                          names[first + 2] == L"apps" &&
                          (depth == 3 || names[first + 3] == L".default"));
  return false;
}

// The keys below Software\Microsoft that list one start-up value per program.
const wchar_t* const kStartupLists[] = {
    L"windows\\currentversion\\run",
    L"windows\\currentversion\\runonce",
};

// The names from `first` on, below HKEY_CLASSES_ROOT or a Software\Classes: .ext\OpenWithProgids.
bool IsOpenWithList(const TNames& names, size_t first) {
  if (first < names.size() && names[first] == L"wow6432node") ++first;
  return names.size() == first + 2 && names[first].size() > 1 && names[first][0] == L'.' &&
         names[first + 1] == L"openwithprogids";
}

// The names from `first` on, below Software.
bool IsSoftwareValueList(const TNames& names, size_t first) {
  if (first < names.size() && names[first] == L"wow6432node") ++first;
  if (first >= names.size()) return false;
  if (names[first] == L"classes") return IsOpenWithList(names, first + 1);
  static const auto lists = SetOf(kStartupLists);
  return names[first] == L"microsoft" && lists.count(Joined(names, first + 1, names.size())) > 0;
}

bool IsValueList(HKEY root, const TNames& names) {
  if (root == HKEY_CLASSES_ROOT) return IsOpenWithList(names, 0);
  size_t first = 0;
  if (root == HKEY_USERS) {
    if (names.empty()) return false;
    if (IsEndingWith(names[0], L"_classes")) return IsOpenWithList(names, 1);
    first = 1;
  } else if (root != HKEY_LOCAL_MACHINE && root != HKEY_CURRENT_USER) {
    return false;
  }
  return names.size() > first && names[first] == L"software" &&
         IsSoftwareValueList(names, first + 1);
}

}  // namespace

bool AreValuesProtected(HKEY root, const std::wstring& path) {
  return IsProtectedKey(root, path) && !IsValueList(root, KeyNames(path));
}

bool IsProtectedKey(HKEY root, const std::wstring& path) {
  const TKeyPath key{root, KeyNames(path)};
  const TNames& names = key.Names;
  if (root == HKEY_USERS) {
    // HKEY_USERS\<user> is that user's HKEY_CURRENT_USER, <user>_Classes its classes.
    if (names.empty()) return true;
    if (IsEndingWith(names[0], L"_classes")) return IsProtectedClass(key, 1);
    return names.size() == 1 || IsProtectedUserKey(key, 1);
  }
  if (root == HKEY_LOCAL_MACHINE) return IsProtectedMachineKey(key);
  if (root == HKEY_CURRENT_USER) return IsProtectedUserKey(key, 0);
  if (root == HKEY_CLASSES_ROOT) return IsProtectedClass(key, 0);
  return true;
}
