#include "demo/DemoCatalog.h"

#include "common/ToolFiles.h"

namespace demo {

// Entries that state no size, so the list measures their folders, and entries shaped as each
// kind of installer writes them. None has a usage record or an EstimatedSize unless it says so.
std::vector<DemoProgram> ProgramsWithoutSizes(const MachinePaths& paths) {
  std::vector<DemoProgram> out;

  ProgramBuilder viewer(paths, L"Driftwood Viewer", L"Driftwood", L"Photo Viewer",
                        {L'D', RGB(150, 100, 60)});
  viewer.Shape(L"no size stated; InstallLocation names a real folder, measured by the list")
      .Name(L"Driftwood Photo Viewer")
      .Text(L"Publisher", L"Driftwood Imaging")
      .Text(L"DisplayVersion", L"2.4")
      .Text(L"InstallLocation", viewer.Dir() + L"\\")
      .ProgramExe(L"viewer.exe")
      .TextFile(viewer.In(L"Codecs\\codecs.txt"), std::wstring(20000, L'c'))
      .UninstallerExe(viewer.In(L"uninstall.exe"))
      .Command(Quoted(viewer.In(L"uninstall.exe")) + L" " + viewer.UninstallArgs())
      .Icon(viewer.In(L"viewer.exe"));
  out.push_back(viewer.Build());

  // The same name from the machine and from the user's own key: the list marks which is which.
  for (bool user : {false, true}) {
    ProgramBuilder ftp(paths, L"MarlinFTP", L"Marlin", L"Marlin FTP", {L'M', RGB(0, 90, 140)});
    if (user) ftp.PerUser();
    ftp.Shape(user ? L"the same name installed for the current user as well"
                   : L"no size and no InstallLocation: the folder is the uninstaller's")
        .Name(L"Marlin FTP")
        .Text(L"Publisher", L"Marlin Software")
        .ProgramExe(L"marlin.exe")
        .UninstallerExe(ftp.In(L"uninst.exe"))
        .Command(Quoted(ftp.In(L"uninst.exe")) + L" " + ftp.UninstallArgs())
        .Icon(ftp.In(L"marlin.exe") + L",0");
    out.push_back(ftp.Build());
  }

  // Two programs of one folder: its size belongs to neither, so it is never measured.
  for (const wchar_t* part : {L"Writer", L"Sheets"}) {
    ProgramBuilder tern(paths, std::wstring(L"TernOffice") + part, L"Tern", L"Office",
                        {L'T', RGB(200, 60, 60)});
    tern.Shape(L"two entries sharing one install folder: no size is measured")
        .Name(std::wstring(L"Tern Office ") + part)
        .Text(L"Publisher", L"Tern Software")
        .Text(L"InstallLocation", tern.Dir())
        .ProgramExe(std::wstring(part) + L".exe")
        .UninstallerExe(tern.In(std::wstring(L"uninstall-") + part + L".exe"))
        .Command(Quoted(tern.In(std::wstring(L"uninstall-") + part + L".exe")) + L" " +
                 tern.UninstallArgs());
    out.push_back(tern.Build());
  }

  const std::wstring code = L"{B6E1A9C4-2F3D-4A8E-9C57-1D0E6F2A8B93}";
  ProgramBuilder msi(paths, code, L"Beacon", L"Print Server 3", {L'B', RGB(60, 60, 60)});
  msi.Shape(L"Windows Installer: product-code key, WindowsInstaller=1, MsiExec modify and repair")
      .Name(L"Beacon Print Server 3")
      .Details(L"Beacon Systems", L"3.1.4000", 52400, L"20240212")
      .Dword(L"WindowsInstaller", 1)
      .Dword(L"Language", 1033)
      .Command(L"MsiExec.exe /X" + code)
      .Text(L"ModifyPath", L"MsiExec.exe /I" + code)
      .ProgramExe(L"beacon.exe");
  out.push_back(msi.Build());

  ProgramBuilder inno(paths, L"QuokkaPaint_is1", L"Quokka", L"Quokka Paint",
                      {L'P', RGB(220, 140, 0)});
  inno.Shape(L"Inno Setup: <AppId>_is1 key, \"Inno Setup: ...\" values, unins000.exe, no size")
      .Name(L"Quokka Paint 2.1")
      .Text(L"Publisher", L"Quokka Studio")
      .Text(L"DisplayVersion", L"2.1")
      .Text(L"InstallLocation", inno.Dir() + L"\\")
      .Text(L"Inno Setup: Setup Version", L"6.2.2")
      .Text(L"Inno Setup: App Path", inno.Dir())
      .Text(L"Inno Setup: Icon Group", L"Quokka Paint")
      .Text(L"Inno Setup: User", L"user")
      .ProgramExe(L"quokka.exe")
      .UninstallerExe(inno.In(L"unins000.exe"))
      .Command(Quoted(inno.In(L"unins000.exe")) + L" " + inno.UninstallArgs())
      .Icon(inno.In(L"quokka.exe"));
  out.push_back(inno.Build());

  ProgramBuilder nsis(paths, L"Lumo Recorder", L"Lumo", L"Recorder",
                      {L'W', RGB(40, 160, 160)});
  nsis.Shape(L"NSIS: uninstall.exe whose manifest names Nullsoft, no InstallLocation, no size")
      .Name(L"Lumo Recorder 5")
      .Text(L"Publisher", L"Lumo Labs")
      .Text(L"DisplayVersion", L"5.0.3")
      .ProgramExe(L"lumo.exe")
      .NsisUninstallerExe(nsis.In(L"uninstall.exe"))
      .Command(Quoted(nsis.In(L"uninstall.exe")) + L" " + nsis.UninstallArgs())
      .Icon(nsis.In(L"lumo.exe"));
  out.push_back(nsis.Build());
  return out;
}

}  // namespace demo
