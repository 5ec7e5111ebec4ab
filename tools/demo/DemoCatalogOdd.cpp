#include "demo/DemoCatalog.h"

#include "common/ToolFiles.h"

#include <cstring>

namespace demo {
namespace {

using Programs = std::vector<DemoProgram>;

UsageRecord Used(int64_t size, FILETIME lastUsed, int32_t count, const std::wstring& path) {
  return UsageRecord{size, lastUsed, count, path};
}

// A plain program with its exe, uninstaller and a quoted command, to vary below.
ProgramBuilder Plain(const MachinePaths& paths, const std::wstring& key, const std::wstring& vendor,
                     const std::wstring& product, IconLook look, const std::wstring& exe) {
  ProgramBuilder b(paths, key, vendor, product, look);
  b.ProgramExe(exe).UninstallerExe(b.In(L"uninstall.exe"));
  return b;
}

void AddOddValues(const MachinePaths& paths, Programs& out) {
  ProgramBuilder dword = Plain(paths, L"{5E0B7C3A-2D4F-4A1B-8C6E-9F3D1A7B2E54}", L"Pebble",
                               L"Disk Helper", {L'P', RGB(128, 128, 128)}, L"diskhelper.exe");
  out.push_back(dword.Shape(L"DisplayName is a REG_DWORD")
                    .Dword(L"DisplayName", 1)
                    .Details(L"Pebble Utilities", L"1.0.3", 3100, L"20190104")
                    .Command(Quoted(dword.In(L"uninstall.exe")) + L" " + dword.UninstallArgs())
                    .Icon(dword.In(L"diskhelper.exe") + L",0")
                    .Build());

  ProgramBuilder empty = Plain(paths, L"PebbleTray", L"Pebble", L"Tray", {L'T', RGB(150, 150, 150)},
                               L"pebbletray.exe");
  out.push_back(empty.Shape(L"empty DisplayName")
                    .Name(L"")
                    .Details(L"Pebble Utilities", L"0.9", 800, L"20190104")
                    .Command(Quoted(empty.In(L"uninstall.exe")) + L" " + empty.UninstallArgs())
                    .Build());

  out.push_back(ProgramBuilder(paths, L"KB5034441", L"Quillpad", L"Office 2024", {})
                    .Shape(L"no DisplayName: an update of Quillpad Office")
                    .Text(L"ParentKeyName", L"{6B1E2D40-9A7C-4F3B-8E21-5D0C7A4B9F10}")
                    .Text(L"ParentDisplayName", L"Quillpad Office 2024")
                    .Text(L"ReleaseType", L"Update")
                    .Text(L"Publisher", L"Quillpad Ltd.")
                    .Command(L"MsiExec.exe /package {6B1E2D40-9A7C-4F3B-8E21-5D0C7A4B9F10} "
                             L"/uninstall {7A4C9E21-0B3D-4F58-A6E2-D91C3B5F8A07}")
                    .Build());

  // What "Hide system components and updates" hides: a listed update and a system component.
  out.push_back(ProgramBuilder(paths, L"KB5034442", L"Quillpad", L"Office 2024", {})
                    .Shape(L"listed update: ParentKeyName, ReleaseType Security Update")
                    .Name(L"Security Update for Quillpad Office 2024 (KB5034442)")
                    .Text(L"ParentKeyName", L"{6B1E2D40-9A7C-4F3B-8E21-5D0C7A4B9F10}")
                    .Text(L"ParentDisplayName", L"Quillpad Office 2024")
                    .Text(L"ReleaseType", L"Security Update")
                    .Text(L"Publisher", L"Quillpad Ltd.")
                    .Command(L"MsiExec.exe /package {6B1E2D40-9A7C-4F3B-8E21-5D0C7A4B9F10} "
                             L"/uninstall {3C8E1F64-5A2B-4D97-B0E3-7F1A6C2D9B58}")
                    .Build());
  const std::wstring healthGuid = L"{9D2A6E31-4B7C-4E85-A1F0-6C3B8D5E2F47}";
  out.push_back(ProgramBuilder(paths, healthGuid, L"Corvid", L"Update Health", {})
                    .Shape(L"system component: SystemComponent 1, Windows Installer")
                    .Name(L"Corvid Update Health Tools")
                    .Text(L"Publisher", L"Corvid Systems")
                    .Text(L"DisplayVersion", L"3.74.0.0")
                    .Dword(L"EstimatedSize", 1020)
                    .Dword(L"SystemComponent", 1)
                    .Dword(L"WindowsInstaller", 1)
                    .Command(L"MsiExec.exe /X" + healthGuid)
                    .Build());

  ProgramBuilder fonts(paths, L"Gazette Fonts", L"Gazette", L"Fonts", {L'G', RGB(60, 60, 60)});
  out.push_back(fonts.Shape(L"no UninstallString")
                    .Name(L"Gazette Fonts Pack 2.0")
                    .Details(L"Gazette Type Foundry", L"2.0", 9800, L"20180809")
                    .TextFile(fonts.In(L"readme.txt"), L"Gazette Fonts Pack 2.0\r\n")
                    .Build());

  ProgramBuilder lattice = Plain(paths, L"Lattice Network Monitor", L"Lattice", L"Network Monitor",
                                 {L'L', RGB(0, 100, 100)}, L"lattice.exe");
  out.push_back(lattice.Shape(L"empty UninstallString")
                    .Name(L"Lattice Network Monitor 1.2")
                    .Details(L"Lattice Systems", L"1.2.0", 7400, L"20200125")
                    .Command(L"")
                    .Icon(lattice.In(L"lattice.exe") + L",0")
                    .Usage(Used(7 * kMB, DaysAgo(90), 1, lattice.In(L"lattice.exe")))
                    .Build());

  ProgramBuilder ember = Plain(paths, L"Ember Tray Helper", L"Ember", L"Tray Helper",
                               {L'E', RGB(220, 80, 20)}, L"embertray.exe");
  const std::wstring command = ember.In(L"uninstall.exe");
  std::vector<uint8_t> binary(command.size() * sizeof(wchar_t));
  std::memcpy(binary.data(), command.data(), binary.size());
  out.push_back(ember.Shape(L"UninstallString is REG_BINARY")
                    .Name(L"Ember Tray Helper")
                    .Details(L"Ember Labs", L"2.2.1", 1900, L"20210909")
                    .Value(BinaryValue(L"UninstallString", binary))
                    .Icon(ember.In(L"embertray.exe") + L",0")
                    .Build());
}

void AddScripts(const MachinePaths& paths, Programs& out) {
  ProgramBuilder cyr = Plain(paths, L"Словарь Пчёлка", L"Пчёлка Софт", L"Словарь",
                             {L'S', RGB(200, 160, 0)}, L"slovar.exe");
  out.push_back(cyr.Shape(L"Cyrillic name, key, publisher and folder")
                    .Name(L"Словарь Пчёлка 3.1")
                    .Details(L"ООО «Пчёлка Софт»", L"3.1.0", 18400, L"20220411")
                    .Command(Quoted(cyr.In(L"uninstall.exe")) + L" " + cyr.UninstallArgs())
                    .Icon(cyr.In(L"slovar.exe") + L",0")
                    .Usage(Used(18 * kMB, DaysAgo(21), 2, cyr.In(L"slovar.exe")))
                    .StartMenu(L"Словарь Пчёлка", cyr.In(L"slovar.exe"))
                    .VendorKeys()
                    .Build());

  ProgramBuilder greek(paths, L"AsteriCalendar", L"Αστέρι", L"Ημερολόγιο", {L'A', RGB(0, 90, 180)});
  greek.ProgramExe(L"imerologio.exe")
      .IconFile(L"αστέρι.ico")
      .UninstallerExe(greek.In(L"uninstall.exe"));
  out.push_back(greek.Shape(L"Greek name and folder; .ico named in Greek")
                    .Name(L"Ημερολόγιο Αστέρι 2.0")
                    .Details(L"Αστέρι Λογισμικό", L"2.0.4", 12800, L"20230227")
                    .Command(Quoted(greek.In(L"uninstall.exe")) + L" " + greek.UninstallArgs())
                    .Icon(greek.In(L"αστέρι.ico"))
                    .Usage(Used(12 * kMB, DaysAgo(4), 17, greek.In(L"imerologio.exe")))
                    .StartMenu(L"Ημερολόγιο", greek.In(L"imerologio.exe"))
                    .Build());

  ProgramBuilder jp = Plain(paths, L"さくら写真ビューア", L"さくらソフト", L"写真ビューア",
                            {L'S', RGB(230, 120, 160)}, L"さくら.exe");
  out.push_back(jp.Shape(L"Japanese name, key, folder and exe")
                    .Name(L"さくら写真ビューア 5")
                    .Details(L"さくらソフト株式会社", L"5.0.1", 56000, L"20231010")
                    .Command(Quoted(jp.In(L"uninstall.exe")) + L" " + jp.UninstallArgs())
                    .Icon(Quoted(jp.In(L"さくら.exe")) + L",0")
                    .Usage(Used(55 * kMB, HoursAgo(30), 44, jp.In(L"さくら.exe")))
                    .StartMenu(L"さくら写真ビューア", jp.In(L"さくら.exe"))
                    .DesktopLink(false, L"さくら写真ビューア", jp.In(L"さくら.exe"))
                    .Build());

  ProgramBuilder ar =
      Plain(paths, L"AnNajmaReader", L"النجمة", L"القارئ", {L'N', RGB(0, 130, 80)}, L"najma.exe");
  out.push_back(ar.Shape(L"Arabic name and folder (right-to-left text)")
                    .Name(L"قارئ النجمة 2.0")
                    .Details(L"برمجيات النجمة", L"2.0", 9100, L"20221130")
                    .Command(Quoted(ar.In(L"uninstall.exe")) + L" " + ar.UninstallArgs())
                    .Icon(ar.In(L"najma.exe") + L",0")
                    .Usage(Used(9 * kMB, DaysAgo(100), 0, ar.In(L"najma.exe")))
                    .Build());

  ProgramBuilder battery = Plain(paths, L"Voltmeter Battery Monitor", L"Voltmeter",
                                 L"Battery Monitor", {L'B', RGB(40, 180, 90)}, L"battery.exe");
  out.push_back(battery.Shape(L"\"%\" in the name")
                    .Name(L"Battery 100% Monitor")
                    .Details(L"Voltmeter Apps", L"4.4", 2600, L"20230505")
                    .Command(Quoted(battery.In(L"uninstall.exe")) + L" " + battery.UninstallArgs())
                    .Icon(battery.In(L"battery.exe") + L",0")
                    .Usage(Used(3 * kMB, DaysAgo(1), 150, battery.In(L"battery.exe")))
                    .Build());

  ProgramBuilder av = Plain(paths, L"Sound & Vision Studio", L"Sound & Vision", L"Studio 7",
                            {L'V', RGB(160, 40, 160)}, L"svstudio.exe");
  out.push_back(av.Shape(L"\"&\" in the name, key, publisher and folder")
                    .Name(L"Sound & Vision Studio 7")
                    .Details(L"Sound & Vision Labs", L"7.0.2", 640000, L"20221003")
                    .Command(Quoted(av.In(L"uninstall.exe")) + L" " + av.UninstallArgs())
                    .Icon(av.In(L"svstudio.exe") + L",0")
                    .Usage(Used(625 * kMB, DaysAgo(15), 12, av.In(L"svstudio.exe")))
                    .StartMenu(L"Sound & Vision Studio", av.In(L"svstudio.exe"))
                    .Build());
}

void AddMissingFiles(const MachinePaths& paths, Programs& out) {
  ProgramBuilder radio(paths, L"Brightwave Radio", L"Brightwave", L"Radio",
                       {L'R', RGB(250, 150, 0)});
  out.push_back(radio
                    .Shape(L"missing uninstaller in an existing folder; DisplayIcon names a "
                           L"missing .ico, the usage record path exists")
                    .Name(L"Brightwave Internet Radio 2.2")
                    .Details(L"Brightwave Media", L"2.2.5", 8800, L"20170822")
                    .ProgramExe(L"brightwave.exe")
                    .Command(Quoted(radio.In(L"uninstall.exe")) + L" /S")
                    .Icon(radio.In(L"radio.ico"))
                    .Usage(Used(9 * kMB, DaysAgo(700), 23, radio.In(L"brightwave.exe")))
                    .Build());

  ProgramBuilder vellum(paths, L"Vellum Reader", L"Vellum", L"Reader", {});
  out.push_back(vellum.Shape(L"missing uninstaller, unquoted with spaces, folder gone")
                    .Name(L"Vellum eBook Reader 1.9")
                    .Details(L"Vellum Books", L"1.9.0", 14000, L"20160412")
                    .Command(vellum.In(L"Uninstall Vellum Reader.exe"))
                    .Icon(vellum.In(L"vellum.exe") + L",0")
                    .Build());

  out.push_back(ProgramBuilder(paths, L"LynxChat", L"Lynx", L"Chat", {})
                    .Shape(L"missing uninstaller named by a bare word not on the search path")
                    .Name(L"Lynx Chat 4")
                    .Text(L"Publisher", L"Lynx Messaging")
                    .Text(L"DisplayVersion", L"4.0.12")
                    .Command(L"lynxsetup.exe /remove LynxChat")
                    .Build());

  ProgramBuilder sextant(paths, L"Sextant Route Planner", L"Sextant", L"Route Planner", {});
  out.push_back(sextant.Shape(L"missing InstallShield-style uninstaller with a glued option path")
                    .Name(L"Sextant Route Planner 2001")
                    .Details(L"Sextant Cartography", L"8.0", 120000, L"20010915")
                    .Command(sextant.In(L"uninst.exe") + L" -f" + sextant.In(L"Uninst.isu"))
                    .Build());
}

}  // namespace

std::vector<DemoProgram> UnusualPrograms(const MachinePaths& paths) {
  Programs out;
  AddOddValues(paths, out);
  AddScripts(paths, out);
  AddMissingFiles(paths, out);
  return out;
}

std::vector<DemoProgram> Leftovers(const MachinePaths& paths) {
  Programs out;
  ProgramBuilder racer(paths, L"", L"Driftwood Games", L"Tidepool Racer", {L'R', RGB(0, 160, 160)});
  out.push_back(racer
                    .Shape(L"leftover: program folder, Start-menu folder and desktop shortcut of "
                           L"a removed game")
                    .ProgramExe(L"tidepool.exe")
                    .UserSettings()
                    .TextFile(racer.In(L"saves\\slot1.sav"), L"lap times")
                    .StartMenu(L"Tidepool Racer", racer.In(L"tidepool.exe"))
                    .DesktopLink(false, L"Tidepool Racer", racer.In(L"tidepool.exe"))
                    .Key(HKEY_CURRENT_USER, L"Software\\Driftwood Games\\Tidepool Racer",
                         {DwordValue(L"BestLap", 83210)})
                    .Build());

  ProgramBuilder orbit(paths, L"", L"Orbital Sync", L"", {});
  out.push_back(
      orbit
          .Shape(L"leftover: orphan HKLM\\Software\\Orbital Sync key and a desktop "
                 L"shortcut to the missing exe")
          .Key(HKEY_LOCAL_MACHINE, L"Software\\Orbital Sync",
               {TextValue(L"InstallDir", orbit.Dir()), TextValue(L"Version", L"3.0")})
          .Key(HKEY_LOCAL_MACHINE, L"Software\\Orbital Sync\\Accounts", {DwordValue(L"Count", 2)})
          .DesktopLink(true, L"Orbital Sync", orbit.In(L"orbitalsync.exe"))
          .Build());
  return out;
}

}  // namespace demo
