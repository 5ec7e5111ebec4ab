#include "demo/DemoCatalog.h"

#include "common/ToolFiles.h"

namespace demo {

// Most desktop programs on a 64-bit machine are 32-bit ones, registered in the 32-bit view, and
// more and more install for one user only. None of these has a usage record: Windows stopped
// writing them, so their size is the one the installer estimated.
std::vector<DemoProgram> ProgramsOfOtherPlaces(const MachinePaths& paths) {
  std::vector<DemoProgram> out;

  ProgramBuilder chat(paths, L"ParleyChat", L"Parley Technologies", L"Parley",
                      {L'P', RGB(90, 60, 200)});
  chat.PerUser()
      .Shape(L"installed for the current user only (HKCU, files in the user's Programs folder)")
      .Name(L"Parley Chat")
      .Details(L"Parley Technologies Inc.", L"4.36.140", 312000, L"20240905",
               L"https://parley.example")
      .ProgramExe(L"Parley.exe")
      .UninstallerExe(chat.In(L"Update.exe"))
      .Command(Quoted(chat.In(L"Update.exe")) + L" --uninstall " + chat.UninstallArgs())
      .Text(L"QuietUninstallString",
            Quoted(chat.In(L"Update.exe")) + L" --uninstall -s " + chat.UninstallArgs())
      .Icon(chat.In(L"Parley.exe"))
      .Dword(L"NoModify", 1)
      .Dword(L"NoRepair", 1);
  out.push_back(chat.Build());

  ProgramBuilder code(paths, L"{7A3F1C2E-5B4D-4E8A-9C1F-2D6E8B0A4C37}_is1", L"Sketchbook",
                      L"Sketchbook Code", {L'S', RGB(0, 120, 215)});
  code.PerUser()
      .Shape(L"per-user Inno Setup entry: unins000.exe, EstimatedSize only")
      .Name(L"Sketchbook Code (User)")
      .Details(L"Sketchbook Labs", L"1.92.2", 389120, L"20241012",
               L"https://code.sketchbook.example")
      .ProgramExe(L"Code.exe")
      .UninstallerExe(code.In(L"unins000.exe"))
      .Command(Quoted(code.In(L"unins000.exe")) + L" " + code.UninstallArgs())
      .Icon(code.In(L"Code.exe"))
      .Text(L"Inno Setup: User", L"user");
  out.push_back(code.Build());

  ProgramBuilder books(paths, L"Tallyho Accounting 2019", L"Tallyho", L"Accounting 2019",
                       {L'T', RGB(20, 140, 110)});
  books.View32()
      .Shape(L"in the 32-bit registry view; EstimatedSize without a usage record")
      .Name(L"Tallyho Accounting 2019")
      .Details(L"Tallyho Software Ltd.", L"19.4.2", 148000, L"20190611")
      .ProgramExe(L"tallyho.exe")
      .UninstallerExe(books.In(L"uninstall.exe"))
      .Command(Quoted(books.In(L"uninstall.exe")) + L" " + books.UninstallArgs())
      .Icon(books.In(L"tallyho.exe") + L",0")
      .StartMenu(L"Tallyho Accounting", books.In(L"tallyho.exe"));
  out.push_back(books.Build());

  const std::wstring runtime = L"{3C9B1E7A-40D2-4F6B-A815-7E2C0D9F4B61}";
  ProgramBuilder x86(paths, runtime, L"Corvid", L"Runtime x86", {});
  x86.View32()
      .Shape(L"32-bit MSI runtime beside its x64 twins; MsiExec.exe /X{GUID}")
      .Name(L"Corvid Runtime Redistributable 2022 (x86)")
      .Text(L"Publisher", L"Corvid Corporation")
      .Text(L"DisplayVersion", L"14.38.33130")
      .Dword(L"EstimatedSize", 20480)
      .Dword(L"WindowsInstaller", 1)
      .Command(L"MsiExec.exe /X" + runtime);
  out.push_back(x86.Build());
  return out;
}

}  // namespace demo
