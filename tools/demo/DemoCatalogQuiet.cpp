// Trial and bundled software of the kind a new laptop comes with, each with a quiet uninstall
// command beside its normal one: what the bulk uninstall removes in one go.
#include "demo/DemoCatalog.h"

namespace demo {
namespace {

// A program whose normal command runs its uninstaller and whose quiet command runs it with /S.
DemoProgram QuietProgram(const MachinePaths& paths, const std::wstring& key,
                         const std::wstring& vendor, const std::wstring& product,
                         const std::wstring& name, IconLook look, const std::wstring& shape,
                         const std::wstring& quietExtra = {}) {
  ProgramBuilder builder(paths, key, vendor, product, look);
  const std::wstring uninstaller = builder.In(L"uninstall.exe");
  builder.Shape(shape)
      .Name(name)
      .Details(vendor, L"2.1.0", 18400, L"20250602")
      .ProgramExe(L"app.exe")
      .UninstallerExe(uninstaller)
      .Command(Quoted(uninstaller) + L" " + builder.UninstallArgs())
      .Text(L"QuietUninstallString",
            Quoted(uninstaller) + L" /S " + builder.UninstallArgs(quietExtra))
      .Icon(builder.In(L"app.exe") + L",0");
  return builder.Build();
}

}  // namespace

std::vector<DemoProgram> QuietPrograms(const MachinePaths& paths) {
  std::vector<DemoProgram> out;
  out.push_back(QuietProgram(paths, L"BrightlineToolbar", L"Brightline Media", L"Toolbar",
                             L"Brightline Search Toolbar 3", {L'B', RGB(240, 170, 20)},
                             L"QuietUninstallString with /S: removed without a window"));
  out.push_back(QuietProgram(paths, L"PebblePhotoTrial", L"Pebble Imaging", L"Photo Trial",
                             L"Pebble Photo Trial 2.1", {L'P', RGB(90, 160, 210)},
                             L"QuietUninstallString; a slow uninstaller (3 s) that leaves settings",
                             L"/leave-files /busy 3000"));
  out.push_back(QuietProgram(paths, L"NorthwindLauncher", L"Northwind Games", L"Launcher",
                             L"Northwind Game Launcher", {L'N', RGB(120, 60, 160)},
                             L"QuietUninstallString that exits 0 but leaves its key",
                             L"/keep-key"));
  out.push_back(QuietProgram(paths, L"SprocketDriverHelper", L"Sprocket Devices", L"Helper",
                             L"Sprocket Driver Helper", {L'S', RGB(60, 60, 60)},
                             L"QuietUninstallString whose uninstaller fails (exit 2)",
                             L"/fail-second-step"));
  return out;
}

}  // namespace demo
