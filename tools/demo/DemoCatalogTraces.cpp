// Fernhollow Inkpad: an installed program with every kind of trace the leftover finder looks for,
// and an uninstaller that removes only its entry and its main executable. Around it the
// bystanders its leftovers' removal must keep: the publisher's other program sharing its
// publisher folder, key and Common Files folder; a program of a similar name; the user's own
// documents folder named after it; and its installer in Downloads.
#include "demo/DemoCatalog.h"

#include "common/ToolFiles.h"

#include <objbase.h>
#include <shlobj.h>

namespace demo {
namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kAppPathsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const wchar_t kProgId[] = L"Fernhollow.Inkpad.Note";
const wchar_t kShellClass[] = L"{3F2A9C41-7D5E-4B18-A6C2-1E90B47D5F63}";

// A folder of the user's, or empty when Wine links it out to the host's home folder: the demo
// writes nothing there.
std::wstring OwnFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring text;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) text = path;
  CoTaskMemFree(path);
  const DWORD attributes = GetFileAttributesW(text.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return {};
  return text;
}

void AddText(DemoProgram& program, const std::wstring& folder, const std::wstring& name,
             const std::wstring& text) {
  if (!folder.empty())
    program.files.push_back({DemoFile::Kind::Text, tools::JoinPath(folder, name), {}, text});
}

DemoProgram Inkpad(const MachinePaths& paths) {
  ProgramBuilder inkpad(paths, L"Fernhollow Inkpad_is1", L"Fernhollow", L"Inkpad",
                        {L'I', RGB(40, 96, 160)});
  const std::wstring exe = inkpad.In(L"inkpad.exe"), uninstaller = inkpad.In(L"unins000.exe");
  inkpad
      .Shape(L"every trace the leftover finder looks for, and an uninstaller that removes only "
             L"its entry and inkpad.exe: install folder, publisher\\program folders in Roaming, "
             L"Local and ProgramData, Start-menu folder, desktop shortcut, HKCU and HKLM "
             L"Software\\Fernhollow\\Inkpad, App Paths, ProgID with .inknote and a .txt "
             L"OpenWithProgids value, a COM class, a Run value")
      .Name(L"Inkpad 3.2")
      .Details(L"Fernhollow", L"3.2.0", 18400, L"20261102", L"https://fernhollow.example")
      .ProgramExe(L"inkpad.exe")
      .ProgramExe(L"inkshell.dll")
      .UninstallerExe(uninstaller)
      .Command(Quoted(uninstaller) + L" " + inkpad.UninstallArgs(L"/only inkpad.exe"))
      .Icon(exe + L",0")
      .StartMenu(L"Inkpad", exe)
      .DesktopLink(false, L"Inkpad", exe)
      .VendorKeys()
      .Key(HKEY_LOCAL_MACHINE, kAppPathsKey + std::wstring(L"inkpad.exe"),
           {TextValue(L"", exe), TextValue(L"Path", inkpad.Dir())})
      .Key(HKEY_CURRENT_USER, L"Software\\Classes\\" + std::wstring(kProgId),
           {TextValue(L"", L"Inkpad Note")})
      .Key(HKEY_CURRENT_USER, L"Software\\Classes\\" + std::wstring(kProgId) + L"\\DefaultIcon",
           {TextValue(L"", exe + L",1")})
      .Key(HKEY_CURRENT_USER,
           L"Software\\Classes\\" + std::wstring(kProgId) + L"\\shell\\open\\command",
           {TextValue(L"", Quoted(exe) + L" \"%1\"")})
      .Key(HKEY_CURRENT_USER, L"Software\\Classes\\.inknote", {TextValue(L"", kProgId)})
      .Key(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + std::wstring(kShellClass),
           {TextValue(L"", L"Inkpad Shell Extension")})
      .Key(HKEY_CURRENT_USER,
           L"Software\\Classes\\CLSID\\" + std::wstring(kShellClass) + L"\\InprocServer32",
           {TextValue(L"", inkpad.In(L"inkshell.dll")), TextValue(L"ThreadingModel", L"Apartment")})
      .SharedValues(HKEY_CURRENT_USER, L"Software\\Classes\\.txt\\OpenWithProgids",
                    {TextValue(kProgId, L"")})
      .SharedValues(HKEY_CURRENT_USER, kRunKey, {TextValue(L"Inkpad", Quoted(exe) + L" /tray")});
  DemoProgram program = inkpad.Build();
  for (const std::wstring& base :
       {OwnFolder(FOLDERID_RoamingAppData), OwnFolder(FOLDERID_LocalAppData),
        OwnFolder(FOLDERID_ProgramData)})
    AddText(program, base, L"Fernhollow\\Inkpad\\inkpad.ini", L"[Editor]\r\nFont=Consolas\r\n");
  // The user's own: a documents folder named after the program, and its installer.
  AddText(program, OwnFolder(FOLDERID_Documents), L"Inkpad\\Shopping list.inknote",
          L"bread, ink, paper\r\n");
  AddText(program, OwnFolder(FOLDERID_Downloads), L"InkpadSetup-3.2.0.exe", L"MZ installer\r\n");
  return program;
}

// The publisher's other program: it shares the publisher's folder in Roaming, the publisher's
// key and a Common Files folder.
DemoProgram Slate(const MachinePaths& paths) {
  ProgramBuilder slate(paths, L"Fernhollow Slate", L"Fernhollow", L"Slate",
                       {L'S', RGB(40, 140, 110)});
  const std::wstring uninstaller = slate.In(L"unins000.exe");
  slate.Shape(L"bystander of Inkpad: same publisher, sharing its folder, key and Common Files")
      .Name(L"Slate 1.4")
      .Details(L"Fernhollow", L"1.4.2", 22100, L"20260911")
      .ProgramExe(L"slate.exe")
      .UninstallerExe(uninstaller)
      .Command(Quoted(uninstaller) + L" " + slate.UninstallArgs())
      .Key(HKEY_CURRENT_USER, L"Software\\Fernhollow\\Slate", {DwordValue(L"Brush", 3)})
      .SharedValues(HKEY_CURRENT_USER, L"Software\\Fernhollow",
                    {TextValue(L"Licence", L"FH-2291-7730")});
  DemoProgram program = slate.Build();
  const std::wstring roaming = OwnFolder(FOLDERID_RoamingAppData);
  AddText(program, roaming, L"Fernhollow\\account.ini", L"[Account]\r\nUser=demo\r\n");
  AddText(program, roaming, L"Fernhollow\\Slate\\brushes.ini", L"[Brushes]\r\nRound=3\r\n");
  AddText(program, OwnFolder(FOLDERID_ProgramFilesCommon), L"Fernhollow\\fhcore.dll",
          L"Fernhollow shared runtime\r\n");
  return program;
}

// A program whose name starts with Inkpad's, by another publisher.
DemoProgram InkpadViewer(const MachinePaths& paths) {
  ProgramBuilder viewer(paths, L"Inkpad Viewer", L"Inkpad Viewer", L"", {L'V', RGB(120, 70, 150)});
  const std::wstring uninstaller = viewer.In(L"uninstall.exe");
  viewer.Shape(L"bystander of Inkpad: a similar name, another publisher")
      .Name(L"Inkpad Viewer")
      .Details(L"Quietpine Tools", L"0.9", 2300, L"20260420")
      .ProgramExe(L"inkview.exe")
      .UninstallerExe(uninstaller)
      .Command(Quoted(uninstaller) + L" " + viewer.UninstallArgs());
  DemoProgram program = viewer.Build();
  AddText(program, OwnFolder(FOLDERID_RoamingAppData), L"Inkpad Viewer\\recent.ini",
          L"[Recent]\r\n");
  return program;
}

}  // namespace

std::vector<DemoProgram> TracedProgram(const MachinePaths& paths) {
  return {Inkpad(paths), Slate(paths), InkpadViewer(paths)};
}

}  // namespace demo
