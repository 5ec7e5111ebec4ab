#include "demo/DemoCatalog.h"

#include "common/ToolFiles.h"

namespace demo {
namespace {

using Programs = std::vector<DemoProgram>;

UsageRecord Used(int64_t size, FILETIME lastUsed, int32_t count, const std::wstring& path) {
  return UsageRecord{size, lastUsed, count, path};
}

// An INF whose DefaultUninstall section deletes the program's keys, as driver packages do.
std::wstring UninstallInf(const std::wstring& key, const std::wstring& vendor) {
  return L"[Version]\r\nSignature=\"$Windows NT$\"\r\nProvider=%Vendor%\r\n\r\n"
         L"[DefaultUninstall]\r\nDelReg=Product.DelReg\r\n\r\n"
         L"[Product.DelReg]\r\n"
         L"HKLM,\"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
         key +
         L"\"\r\n"
         L"HKLM,\"Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\" +
         key + L"\"\r\n\r\n[Strings]\r\nVendor=\"" + vendor + L"\"\r\n";
}

void AddBrowserAndOffice(const MachinePaths& paths, Programs& out) {
  ProgramBuilder lumen(paths, L"Lumen Browser", L"Lumen Software", L"Lumen Browser",
                       {L'L', RGB(230, 110, 30)});
  lumen.Shape(L"quoted command with arguments; icon path,0; used hours ago, count 4821")
      .Name(L"Lumen Browser 121.0")
      .Details(L"Lumen Software Foundation", L"121.0.6167.85", 402112, L"20240112",
               L"https://www.lumen-browser.example")
      .Text(L"Comments", L"Fast, private web browsing")
      .ProgramExe(L"lumen.exe")
      .UninstallerExe(lumen.In(L"uninstall.exe"))
      .UserSettings()
      .Command(Quoted(lumen.In(L"uninstall.exe")) + L" --uninstall --system-level " +
               lumen.UninstallArgs())
      .Icon(lumen.In(L"lumen.exe") + L",0")
      .Usage(Used(412 * kMB, HoursAgo(2), 4821, lumen.In(L"lumen.exe")))
      .StartMenu(L"Lumen Browser", lumen.In(L"lumen.exe"))
      .DesktopLink(true, L"Lumen Browser", lumen.In(L"lumen.exe"))
      .VendorKeys();
  out.push_back(lumen.Build());

  const std::wstring quillGuid = L"{6B1E2D40-9A7C-4F3B-8E21-5D0C7A4B9F10}";
  ProgramBuilder quill(paths, quillGuid, L"Quillpad", L"Office 2024", {L'Q', RGB(40, 90, 170)});
  const std::wstring writer = quill.In(L"quillpad.exe"), sheets = quill.In(L"quillsheet.exe");
  quill.Shape(L"MsiExec.exe /X{GUID}; .ico icon; file types .qpd .qps; used yesterday, count 11")
      .Name(L"Quillpad Office 2024")
      .Details(L"Quillpad Ltd.", L"16.0.4711.1000", 2830000, L"20231104",
               L"https://quillpad.example")
      .Command(L"MsiExec.exe /X" + quillGuid)
      .Text(L"ModifyPath", L"MsiExec.exe /I" + quillGuid)
      .Dword(L"WindowsInstaller", 1)
      .Dword(L"VersionMajor", 16)
      .Dword(L"VersionMinor", 0)
      .ProgramExe(L"quillpad.exe")
      .ProgramExe(L"quillsheet.exe")
      .IconFile(L"quillpad.ico")
      .UserSettings()
      .Icon(quill.In(L"quillpad.ico"))
      .Usage(Used(2765 * kMB, DaysAgo(1), 11, writer))
      .StartMenu(L"Quillpad Writer", writer)
      .StartMenu(L"Quillpad Sheets", sheets)
      .DesktopLink(false, L"Quillpad Writer", writer)
      .Key(HKEY_CLASSES_ROOT, L".qpd", {TextValue(L"", L"Quillpad.Document")})
      .Key(HKEY_CLASSES_ROOT, L"Quillpad.Document", {TextValue(L"", L"Quillpad Document")})
      .Key(HKEY_CLASSES_ROOT, L"Quillpad.Document\\DefaultIcon", {TextValue(L"", writer + L",0")})
      .Key(HKEY_CLASSES_ROOT, L"Quillpad.Document\\shell\\open\\command",
           {TextValue(L"", Quoted(writer) + L" \"%1\"")})
      .Key(HKEY_CLASSES_ROOT, L".qps", {TextValue(L"", L"Quillpad.Sheet")})
      .Key(HKEY_CLASSES_ROOT, L"Quillpad.Sheet", {TextValue(L"", L"Quillpad Spreadsheet")})
      .Key(HKEY_CLASSES_ROOT, L"Quillpad.Sheet\\DefaultIcon", {TextValue(L"", sheets + L",0")})
      .Key(HKEY_CLASSES_ROOT, L"Quillpad.Sheet\\shell\\open\\command",
           {TextValue(L"", Quoted(sheets) + L" \"%1\"")})
      .VendorKeys();
  out.push_back(quill.Build());

  ProgramBuilder vpn(paths, L"Harbor VPN Client", L"Harbor Networks", L"Harbor VPN",
                     {L'H', RGB(20, 140, 120)});
  vpn.Shape(
         L"unquoted command with spaces and arguments; quoted icon path without index; used "
         L"three years ago, count 3")
      .Name(L"Harbor VPN Client")
      .Details(L"Harbor Networks Inc.", L"5.8.2.1140", 46200, L"20210318",
               L"https://harbor-vpn.example")
      .ProgramExe(L"harborvpn.exe")
      .UninstallerExe(vpn.In(L"uninstall.exe"))
      .UserSettings()
      .Command(vpn.In(L"uninstall.exe") + L" " + vpn.UninstallArgs())
      .Icon(Quoted(vpn.In(L"harborvpn.exe")))
      .Usage(Used(45 * kMB, DaysAgo(3 * 365 + 20), 3, vpn.In(L"harborvpn.exe")))
      .StartMenu(L"Harbor VPN", vpn.In(L"harborvpn.exe"))
      .VendorKeys();
  out.push_back(vpn.Build());

  ProgramBuilder ink(paths, L"Cinder PDF Reader", L"Cinder", L"PDF Reader",
                     {L'C', RGB(190, 30, 40)});
  ink.Shape(L"uninstaller leaves settings and a log (/leave-files); usage record 551 bytes")
      .Name(L"Cinder PDF Reader 11")
      .Details(L"Cinder Document Systems", L"11.2.3", 310400, L"20230901")
      .ProgramExe(L"cinder.exe")
      .IconFile(L"cinder.ico")
      .UninstallerExe(ink.In(L"uninstall.exe"))
      .UserSettings()
      .Command(Quoted(ink.In(L"uninstall.exe")) + L" " + ink.UninstallArgs(L"/leave-files"))
      .Icon(ink.In(L"cinder.ico"))
      .UsageRaw(REG_BINARY, Resized(Used(303 * kMB, DaysAgo(5), 6, ink.In(L"cinder.exe")), 551))
      .StartMenu(L"Cinder PDF Reader", ink.In(L"cinder.exe"))
      .Key(HKEY_CLASSES_ROOT, L".cpdf", {TextValue(L"", L"Cinder.PDF")})
      .Key(HKEY_CLASSES_ROOT, L"Cinder.PDF", {TextValue(L"", L"PDF Document")})
      .Key(HKEY_CLASSES_ROOT, L"Cinder.PDF\\DefaultIcon", {TextValue(L"", ink.In(L"cinder.ico"))})
      .VendorKeys();
  out.push_back(ink.Build());
}

void AddMediaAndArchivers(const MachinePaths& paths, Programs& out) {
  ProgramBuilder reel(paths, L"Reelbox Media Player", L"Reelbox", L"", {L'R', RGB(200, 40, 60)});
  reel.Shape(
          L"unquoted command with spaces, no arguments (options in uninstall.dat); icon name "
          L"with two dots; used one second before local midnight, count 10")
      .Name(L"Reelbox Media Player 3.0.20")
      .Details(L"Reelbox Project", L"3.0.20", 121000, L"20240203", L"https://reelbox.example")
      .ProgramExe(L"reelbox.v3.exe")
      .UninstallerExe(reel.In(L"uninstall.exe"), reel.UninstallArgs())
      .Command(reel.In(L"uninstall.exe"))
      .Icon(reel.In(L"reelbox.v3.exe"))
      .Usage(Used(120 * kMB, LocalMidnight(12, -1), 10, reel.In(L"reelbox.v3.exe")))
      .StartMenu(L"Reelbox Media Player", reel.In(L"reelbox.v3.exe"))
      .DesktopLink(false, L"Reelbox", reel.In(L"reelbox.v3.exe"));
  out.push_back(reel.Build());

  ProgramBuilder rat(paths, L"Packrat_is1", L"Packrat", L"", {L'P', RGB(120, 60, 160)});
  rat.Shape(
         L"quoted command without arguments (options in unins000.dat); quoted icon path with "
         L",0; used at local midnight, count 2; file type .pra")
      .Name(L"Packrat Archiver 23.01 (x64)")
      .Details(L"Packrat Tools", L"23.01", 5900, L"20230620", L"https://packrat.example")
      .ProgramExe(L"packrat.exe")
      .ProgramExe(L"packratfm.exe")
      .UninstallerExe(rat.In(L"unins000.exe"), rat.UninstallArgs())
      .Command(Quoted(rat.In(L"unins000.exe")))
      .Text(L"QuietUninstallString", Quoted(rat.In(L"unins000.exe")) + L" /SILENT")
      .Text(L"Inno Setup: App Path", rat.Dir())
      .Icon(Quoted(rat.In(L"packratfm.exe")) + L",0")
      .Usage(Used(6 * kMB, LocalMidnight(40, 0), 2, rat.In(L"packratfm.exe")))
      .StartMenu(L"Packrat File Manager", rat.In(L"packratfm.exe"))
      .Key(HKEY_CLASSES_ROOT, L".pra", {TextValue(L"", L"Packrat.Archive")})
      .Key(HKEY_CLASSES_ROOT, L"Packrat.Archive", {TextValue(L"", L"Packrat Archive")})
      .Key(HKEY_CLASSES_ROOT, L"Packrat.Archive\\DefaultIcon",
           {TextValue(L"", rat.In(L"packrat.exe") + L",0")})
      .VendorKeys();
  out.push_back(rat.Build());

  ProgramBuilder wave(paths, L"Wavelet Audio Editor", L"Wavelet", L"Audio Editor",
                      {L'W', RGB(0, 150, 190)});
  wave.Shape(
          L"unquoted exe with quoted glued option paths; icon %ProgramFiles% as REG_EXPAND_SZ; "
          L"1.2 GB, count 3")
      .Name(L"Wavelet Audio Editor 3.3")
      .Details(L"Wavelet Audio", L"3.3.0", 1250000, L"20210514")
      .ProgramExe(L"wavelet.exe")
      .UninstallerExe(wave.In(L"uninst.exe"))
      .TextFile(wave.In(L"Uninst.isu"), wave.UninstallArgs())
      .TextFile(wave.In(L"_ISRES.DLL"), L"InstallShield resources")
      .Command(wave.In(L"uninst.exe") + L" -f\"" + wave.In(L"Uninst.isu") + L"\" -c\"" +
               wave.In(L"_ISRES.DLL") + L"\"")
      .Icon(L"%ProgramFiles%\\Wavelet\\Audio Editor\\wavelet.exe", REG_EXPAND_SZ)
      .Usage(Used(1229 * kMB, DaysAgo(30), 3, wave.In(L"wavelet.exe")))
      .StartMenu(L"Wavelet Audio Editor", wave.In(L"wavelet.exe"));
  out.push_back(wave.Build());
}

void AddInstallShieldStyle(const MachinePaths& paths, Programs& out) {
  ProgramBuilder sky(paths, L"{8C1F5A27-3B4D-4E6F-9A12-7D3E5B8C0F41}", L"Skylark", L"Photo Editor",
                     {L'S', RGB(240, 180, 30)});
  sky.Shape(
         L"drive path with one glued option path (-f); icon %ProgramFiles%\\...,0 unexpanded "
         L"in REG_SZ")
      .Name(L"Skylark Photo Editor 2.4")
      .Details(L"Skylark Imaging", L"2.4.1", 88000, L"20190911")
      .ProgramExe(L"skylark.exe")
      .UninstallerExe(sky.In(L"uninst.exe"))
      .TextFile(sky.In(L"Uninst.isu"), sky.UninstallArgs())
      .Command(sky.In(L"uninst.exe") + L" -f" + sky.In(L"Uninst.isu"))
      .Icon(L"%ProgramFiles%\\Skylark\\Photo Editor\\skylark.exe,0")
      .Usage(Used(88 * kMB, DaysAgo(200), 5, sky.In(L"skylark.exe")))
      .StartMenu(L"Skylark Photo Editor", sky.In(L"skylark.exe"));
  out.push_back(sky.Build());

  ProgramBuilder cad(paths, L"Tessellate CAD 9", L"Tessellate", L"CAD 9", {L'T', RGB(60, 160, 60)});
  cad.Shape(L"drive path with two glued option paths (-f -c); .ico icon; 8.5 GB, count 0")
      .Name(L"Tessellate CAD 9")
      .Details(L"Tessellate Engineering GmbH", L"9.0.2210", 8900000, L"20220105")
      .ProgramExe(L"tcad.exe")
      .IconFile(L"tcad.ico")
      .UninstallerExe(cad.In(L"uninst.exe"))
      .TextFile(cad.In(L"Uninst.isu"), cad.UninstallArgs())
      .TextFile(cad.In(L"_ISRES.DLL"), L"InstallShield resources")
      .Command(cad.In(L"uninst.exe") + L" -f" + cad.In(L"Uninst.isu") + L" -c" +
               cad.In(L"_ISRES.DLL"))
      .Icon(cad.In(L"tcad.ico"))
      .Usage(Used(8704 * kMB, DaysAgo(9), 0, cad.In(L"tcad.exe")))
      .StartMenu(L"Tessellate CAD 9", cad.In(L"tcad.exe"))
      .VendorKeys();
  out.push_back(cad.Build());

  ProgramBuilder gold(paths, L"Marigold Accounting 2021", L"Marigold", L"Accounting 2021",
                      {L'M', RGB(210, 150, 20)});
  gold.Shape(
          L"drive path with three glued option paths (-f -c -l); no DisplayIcon: icon from the "
          L"usage record path; last used ten years ago")
      .Name(L"Marigold Accounting 2021")
      .Details(L"Marigold Business Software", L"21.4", 236000, L"20140302")
      .ProgramExe(L"marigold.exe")
      .UninstallerExe(gold.In(L"uninst.exe"))
      .TextFile(gold.In(L"Uninst.isu"), gold.UninstallArgs())
      .TextFile(gold.In(L"_ISRES.DLL"), L"InstallShield resources")
      .TextFile(gold.In(L"setup.ilg"), L"InstallShield log")
      .Command(gold.In(L"uninst.exe") + L" -f" + gold.In(L"Uninst.isu") + L" -c" +
               gold.In(L"_ISRES.DLL") + L" -l" + gold.In(L"setup.ilg"))
      .Usage(Used(230 * kMB, DaysAgo(3652), 7, gold.In(L"marigold.exe")))
      .StartMenu(L"Marigold Accounting", gold.In(L"marigold.exe"));
  out.push_back(gold.Build());

  ProgramBuilder scan(paths, L"Quartzline Scanner Utility", L"Quartzline", L"Scanner",
                      {L'K', RGB(90, 90, 200)});
  scan.Shape(
          L"quoted exe with quoted glued option paths; no icon and no usage record: icon from "
          L"the command")
      .Name(L"Quartzline Scanner Utility")
      .Details(L"Quartzline Imaging Devices", L"4.1.0.12", 61000, L"20200817")
      .ProgramExe(L"qlscan.exe")
      .UninstallerExe(scan.In(L"uninst.exe"))
      .TextFile(scan.In(L"Uninst.isu"), scan.UninstallArgs())
      .TextFile(scan.In(L"_ISRES.DLL"), L"InstallShield resources")
      .Command(Quoted(scan.In(L"uninst.exe")) + L" -f" + Quoted(scan.In(L"Uninst.isu")) + L" -c" +
               Quoted(scan.In(L"_ISRES.DLL")))
      .StartMenu(L"Scanner Utility", scan.In(L"qlscan.exe"));
  out.push_back(scan.Build());
}

void AddDriversAndRuntimes(const MachinePaths& paths, Programs& out) {
  const std::wstring infFolder = tools::JoinPath(paths.windows, L"INF");

  ProgramBuilder audio(paths, L"KestrelHDAudio", L"Kestrel", L"HD Audio", {L'A', RGB(30, 30, 30)});
  audio.Shape(L"rundll32.exe setupapi.dll,InstallHinfSection (the INF deletes the key); no usage")
      .Name(L"Kestrel HD Audio Driver")
      .Details(L"Kestrel Semiconductor", L"6.0.9235.1", 25400, L"20210221")
      .ProgramExe(L"kestrelcp.exe")
      .TextFile(tools::JoinPath(infFolder, L"oem42.inf"),
                UninstallInf(L"KestrelHDAudio", L"Kestrel Semiconductor"))
      .Command(L"rundll32.exe setupapi.dll,InstallHinfSection DefaultUninstall 132 " +
               tools::JoinPath(infFolder, L"oem42.inf"))
      .Icon(audio.In(L"kestrelcp.exe") + L",0")
      .StartMenu(L"Kestrel Audio Console", audio.In(L"kestrelcp.exe"));
  out.push_back(audio.Build());

  ProgramBuilder pen(paths, L"PolarisTablet", L"Polaris", L"Tablet", {L'P', RGB(20, 100, 60)});
  pen.Shape(
         L"RunDll32 in mixed case, advpack.dll,LaunchINFSection; .ico icon; usage record 553 "
         L"bytes")
      .Name(L"Polaris Pen Tablet Driver")
      .Details(L"Polaris Input Devices", L"6.4.2-1", 48000, L"20220930")
      .ProgramExe(L"tabletpref.exe")
      .IconFile(L"tablet.ico")
      .TextFile(tools::JoinPath(infFolder, L"polaris.inf"),
                UninstallInf(L"PolarisTablet", L"Polaris Input Devices"))
      .Command(L"RunDll32 advpack.dll,LaunchINFSection " +
               tools::JoinPath(infFolder, L"polaris.inf") + L",DefaultUninstall")
      .Icon(pen.In(L"tablet.ico"))
      .UsageRaw(REG_BINARY, Resized(Used(47 * kMB, DaysAgo(3), 4, pen.In(L"tabletpref.exe")), 553));
  out.push_back(pen.Build());

  const std::wstring runtime = L"Corvid Runtime Redistributable 2022 (x64)";
  const std::wstring guidA = L"{1F4D2B77-8E3A-4C59-B7D1-3A6E9F20C845}";
  const std::wstring guidB = L"{A03E5C11-6D2F-4B8A-9E47-C15D8B3F2A96}";
  out.push_back(ProgramBuilder(paths, guidA, L"Corvid", L"Runtime", {})
                    .Shape(L"same DisplayName as " + guidB + L"; MsiExec.exe /X{GUID}; no icon")
                    .Name(runtime)
                    .Text(L"Publisher", L"Corvid Systems")
                    .Text(L"DisplayVersion", L"14.38.33130")
                    .Dword(L"EstimatedSize", 24100)
                    .Text(L"InstallDate", L"20231212")
                    .Dword(L"WindowsInstaller", 1)
                    .Command(L"MsiExec.exe /X" + guidA)
                    .Build());
  out.push_back(ProgramBuilder(paths, guidB, L"Corvid", L"Runtime", {})
                    .Shape(L"same DisplayName as " + guidA + L"; msiexec /x{GUID} without .exe")
                    .Name(runtime)
                    .Text(L"Publisher", L"Corvid Systems")
                    .Text(L"DisplayVersion", L"14.36.32532")
                    .Dword(L"EstimatedSize", 23900)
                    .Text(L"InstallDate", L"20230610")
                    .Command(L"msiexec /x" + guidB)
                    .Build());

  ProgramBuilder java(paths, L"Brewster Runtime 17", L"Brewster", L"Runtime 17",
                      {L'B', RGB(210, 90, 40)});
  java.Shape(
          L"uninstaller exits 3010 (restart required); icon path,0; 2 MB, count 11, used two years "
          L"ago")
      .Name(L"Brewster Runtime Environment 17 (64-bit)")
      .Details(L"Brewster Foundation", L"17.0.9.1", 2100, L"20211120")
      .ProgramExe(L"bin\\brewster.exe")
      .UninstallerExe(java.In(L"uninstall.exe"))
      .Command(Quoted(java.In(L"uninstall.exe")) + L" " + java.UninstallArgs(L"/exit 3010"))
      .Icon(java.In(L"bin\\brewster.exe") + L",0")
      .Usage(Used(2 * kMB + 314000, DaysAgo(2 * 365 + 41), 11, java.In(L"bin\\brewster.exe")));
  out.push_back(java.Build());
}

void AddGamesAndTools(const MachinePaths& paths, Programs& out) {
  ProgramBuilder tycoon(paths, L"Tidewater Tycoon", L"Gullwing Games", L"Tidewater Tycoon",
                        {L'T', RGB(0, 120, 170)});
  tycoon.Shape(L"uninstaller cancels (/cancel, exit 1602); 36 GB, count 2")
      .Name(L"Tidewater Tycoon")
      .Details(L"Gullwing Games", L"1.7.3", 37748736, L"20230115")
      .ProgramExe(L"tycoon.exe")
      .UninstallerExe(tycoon.In(L"uninstall.exe"))
      .UserSettings()
      .Command(Quoted(tycoon.In(L"uninstall.exe")) + L" " + tycoon.UninstallArgs(L"/cancel"))
      .Icon(tycoon.In(L"tycoon.exe"))
      .Usage(Used(36 * kGB + 512 * kMB, DaysAgo(400), 2, tycoon.In(L"tycoon.exe")))
      .StartMenu(L"Tidewater Tycoon", tycoon.In(L"tycoon.exe"))
      .DesktopLink(false, L"Tidewater Tycoon", tycoon.In(L"tycoon.exe"));
  out.push_back(tycoon.Build());

  ProgramBuilder star(paths, L"Starforge Legends", L"Starforge", L"Legends",
                      {L'F', RGB(90, 30, 130)});
  const std::wstring launcher =
      tools::JoinPath(paths.programFiles, L"Starforge\\Launcher\\uninstall.exe");
  star.Shape(L"uninstaller in another folder (the launcher's); last used all bits set")
      .Name(L"Starforge Legends")
      .Details(L"Starforge Interactive", L"2.14.0", 18400000, L"20220704")
      .ProgramExe(L"legends.exe")
      .UninstallerExe(launcher)
      .Command(Quoted(launcher) + L" --uninstall-game=legends " + star.UninstallArgs())
      .Icon(star.In(L"legends.exe") + L",0")
      .Usage(Used(17 * kGB, AllBits(0xFFFFFFFF), 25, star.In(L"legends.exe")))
      .StartMenu(L"Starforge Legends", star.In(L"legends.exe"));
  out.push_back(star.Build());

  ProgramBuilder code(paths, L"Ironbark Code", L"Ironbark", L"Code", {L'I', RGB(30, 130, 90)});
  code.Shape(L"uninstaller removes files but keeps its key (/keep-key); last used all zeros")
      .Name(L"Ironbark Code 1.86")
      .Details(L"Ironbark Labs", L"1.86.2", 356000, L"20240208", L"https://ironbark.example")
      .ProgramExe(L"ironbark.exe")
      .UninstallerExe(code.In(L"uninstall.exe"))
      .UserSettings()
      .Command(Quoted(code.In(L"uninstall.exe")) + L" " + code.UninstallArgs(L"/keep-key"))
      .Icon(code.In(L"ironbark.exe") + L",0")
      .Usage(Used(348 * kMB, FILETIME{0, 0}, 3, code.In(L"ironbark.exe")))
      .StartMenu(L"Ironbark Code", code.In(L"ironbark.exe"))
      .VendorKeys();
  out.push_back(code.Build());

  ProgramBuilder sdk(paths, L"Forgepoint SDK 3.2", L"Forgepoint", L"SDK 3.2",
                     {L'D', RGB(70, 70, 70)});
  sdk.Shape(
         L"second uninstall step cannot start (/fail-second-step); usage record is a 552-byte "
         L"REG_SZ")
      .Name(L"Forgepoint SDK 3.2")
      .Details(L"Forgepoint Developer Tools", L"3.2.0.4410", 1640000, L"20230322")
      .ProgramExe(L"fpsdk.exe")
      .UninstallerExe(sdk.In(L"uninstall.exe"))
      .Command(Quoted(sdk.In(L"uninstall.exe")) + L" " + sdk.UninstallArgs(L"/fail-second-step"))
      .Icon(sdk.In(L"fpsdk.exe") + L",0")
      .UsageRaw(REG_SZ, Used(1600 * kMB, DaysAgo(7), 9, sdk.In(L"fpsdk.exe")).Bytes());
  out.push_back(sdk.Build());

  ProgramBuilder av(paths, L"Canopy Antivirus", L"Canopy Security", L"Antivirus",
                    {L'V', RGB(40, 160, 40)});
  av.Shape(
        L"uninstaller returns at once, a helper finishes a second later (/detach); used an hour "
        L"ago, count 960")
      .Name(L"Canopy Antivirus Free 2024")
      .Details(L"Canopy Security s.r.o.", L"24.1.8821", 1180000, L"20240105",
               L"https://canopy-security.example")
      .ProgramExe(L"canopy.exe")
      .UninstallerExe(av.In(L"uninstall.exe"))
      .UserSettings()
      .Command(Quoted(av.In(L"uninstall.exe")) + L" " + av.UninstallArgs(L"/detach"))
      .Icon(av.In(L"canopy.exe") + L",0")
      .Usage(Used(1180 * kMB, HoursAgo(1), 960, av.In(L"canopy.exe")))
      .StartMenu(L"Canopy Antivirus", av.In(L"canopy.exe"))
      .VendorKeys();
  out.push_back(av.Build());

  ProgramBuilder sync(paths, L"Drizzle Cloud Sync", L"Drizzle", L"Cloud Sync",
                      {L'D', RGB(60, 140, 220)});
  sync.Shape(L"usage record with a negative size")
      .Name(L"Drizzle Cloud Sync 24.2")
      .Details(L"Drizzle Inc.", L"24.2.118", 215000, L"20240129")
      .ProgramExe(L"drizzle.exe")
      .UninstallerExe(sync.In(L"uninstall.exe"))
      .Command(Quoted(sync.In(L"uninstall.exe")) + L" " + sync.UninstallArgs(L"/S"))
      .Icon(sync.In(L"drizzle.exe") + L",0")
      .Usage(Used(-5 * kMB, DaysAgo(2), 40, sync.In(L"drizzle.exe")))
      .StartMenu(L"Drizzle", sync.In(L"drizzle.exe"));
  out.push_back(sync.Build());

  ProgramBuilder glider(paths, L"Glider Screen Capture", L"Glider", L"Screen Capture",
                        {L'G', RGB(230, 60, 120)});
  glider.View32()
      .Shape(L"in the 32-bit registry view; usage record with a negative count")
      .Name(L"Glider Screen Capture 8.1 (32-bit)")
      .Details(L"Glider Software", L"8.1.0", 33000, L"20200402")
      .ProgramExe(L"glider.exe")
      .UninstallerExe(glider.In(L"uninstall.exe"))
      .Command(Quoted(glider.In(L"uninstall.exe")) + L" " + glider.UninstallArgs())
      .Icon(glider.In(L"glider.exe") + L",0")
      .Usage(Used(33 * kMB, DaysAgo(60), -3, glider.In(L"glider.exe")));
  out.push_back(glider.Build());

  ProgramBuilder notes(paths, L"Fernleaf Notes", L"Fernleaf", L"Notes", {L'N', RGB(50, 150, 70)});
  notes
      .Shape(
          L"REG_EXPAND_SZ command %ProgramFiles%\\...\\uninstall.exe; usage path fills all 262 "
          L"units without a terminator")
      .Name(L"Fernleaf Notes 5.2")
      .Details(L"Fernleaf Software", L"5.2.7", 19000, L"20230718")
      .ProgramExe(L"fernleaf.exe")
      .UninstallerExe(notes.In(L"uninstall.exe"))
      .Command(
          L"%ProgramFiles%\\Fernleaf\\Notes\\uninstall.exe /key \"Fernleaf Notes\" /dir "
          L"\"%ProgramFiles%\\Fernleaf\\Notes\"",
          REG_EXPAND_SZ)
      .Icon(notes.In(L"fernleaf.exe"))
      .UsageRaw(REG_BINARY,
                WithoutTerminator(Used(19 * kMB, DaysAgo(14), 8, {}), notes.In(L"fernleaf.exe")))
      .StartMenu(L"Fernleaf Notes", notes.In(L"fernleaf.exe"));
  out.push_back(notes.Build());

  ProgramBuilder wise(paths, L"Mistral Weather Station", L"Mistral", L"Weather Station",
                      {L'W', RGB(100, 160, 220)});
  const std::wstring unwise = tools::JoinPath(paths.windows, L"unwise.exe");
  wise.Shape(L"bare word on the search path (unwise.exe in the Windows folder); no usage record")
      .Name(L"Mistral Weather Station 98")
      .Details(L"Mistral Shareware", L"1.0", 1400, L"20040611")
      .ProgramExe(L"weather.exe")
      .UninstallerExe(unwise)
      .Command(L"unwise.exe " + wise.UninstallArgs())
      .Icon(wise.In(L"weather.exe"));
  out.push_back(wise.Build());
}

}  // namespace

std::vector<DemoProgram> EverydayPrograms(const MachinePaths& paths) {
  Programs out;
  AddBrowserAndOffice(paths, out);
  AddMediaAndArchivers(paths, out);
  AddInstallShieldStyle(paths, out);
  AddDriversAndRuntimes(paths, out);
  AddGamesAndTools(paths, out);
  return out;
}

std::vector<DemoProgram> DemoCatalog(const MachinePaths& paths) {
  Programs all = EverydayPrograms(paths);
  for (auto* part : {&ProgramsOfOtherPlaces, &UnusualPrograms, &ProgramsWithoutSizes, &Leftovers,
                     &AssistedLeftovers, &TracedProgram, &QuietPrograms})
    for (DemoProgram& program : part(paths)) all.push_back(std::move(program));
  return all;
}

}  // namespace demo
