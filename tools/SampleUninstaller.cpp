// sampleuninst.exe: the uninstaller the demo machine's programs run. It removes its program's
// Uninstall key and folder like a real one and, by its arguments, misbehaves in the ways real
// uninstallers do.
//
//   sampleuninst.exe [/key NAME] [/root HKLM|HKCU] [/view 32|64] [/uninstallkey PATH]
//                    [/arpcachekey PATH] [/dir FOLDER] [/log FILE] [/leave-files] [/keep-key]
//                    [/leave-key | /cancel] [/exit N] [/detach] [/delay MS] [/fail-second-step]
//                    [/only FILE]
//                    [-fFILE]
//
//   /key NAME            Uninstall subkey to remove with all its subkeys, and the usage record
//                        key (ARPCache) of the same name.
//   /root, /view         where the keys live: HKLM (default) or HKCU; the 32- or 64-bit view.
//   /uninstallkey PATH   parent of NAME; default
//   Software\Microsoft\Windows\CurrentVersion\Uninstall. /arpcachekey PATH    parent of the usage
//   record key; default "App Management\ARPCache" beside
//                        the Uninstall key (so tests can keep both in a subtree of their own).
//   /dir FOLDER          program folder to delete (%VARIABLES% expanded). Without it no file is
//                        touched. A copy of this program inside the folder moves itself out first.
//                        Drive roots, top-level folders and the Windows folder are refused.
//   /leave-files         keep the folder's "Settings" subfolder and write "uninstall.log" into the
//                        folder: the leftovers of an uninstaller that keeps user data.
//   /only FILE           delete only FILE of the program folder (its main executable, say) and
//                        leave the rest: a sloppy uninstaller whose leftovers are everywhere.
//   /keep-key            delete the files but forget the key: exit 0 with the entry still listed.
//   /leave-key, /cancel  touch nothing, as if the user cancelled; exit 1602.
//   /exit N              exit with N instead of the code the run gives.
//   /detach              return at once with 0; a copy started from %TEMP% does the work once
//                        this process has ended and /delay MS more (default 1000) have passed.
//   /fail-second-step    try to start the helper "uninst-step2.exe" of the program folder, which
//                        does not exist; exit with the error (2) and touch nothing.
//   /log FILE            append one UTF-8 line per step to FILE.
//   -fFILE               InstallShield style, the path glued to the letter, quotes optional:
//                        read options from FILE. Other glued options (-cFILE ...) are ignored.
//   /after PID TIME      internal: the helper waits for process PID created at TIME to end.
//
// Without /key and /dir on the command line, options are read from "<exe name>.dat" beside the
// executable when it exists. Option files hold options in command-line syntax; the command line
// wins over them. Unknown arguments (/S, --uninstall ...) are logged and ignored. Run without any
// option it does nothing and exits 0.

#include "uninst/UninstallOptions.h"
#include "uninst/UninstallSteps.h"

#include "common/ToolFiles.h"

#include <windows.h>

namespace {

constexpr DWORD kUserCancelled = 1602;  // ERROR_INSTALL_USEREXIT, what msiexec returns

DWORD Run(const uninst::Options& opts) {
  const uninst::Steps steps(opts);
  steps.Log(L"start: " + std::wstring(GetCommandLineW()));
  if (!opts.optionsFile.empty()) steps.Log(L"options from " + opts.optionsFile);
  for (const std::wstring& arg : opts.ignored) steps.Log(L"ignored argument " + arg);

  const auto finish = [&](DWORD code) {
    if (opts.hasExitCode) code = opts.exitCode;
    steps.Log(L"exit " + std::to_wstring(code));
    return code;
  };

  if (opts.cancel) {
    steps.Log(L"cancelled by the user");
    return finish(kUserCancelled);
  }
  if (opts.failSecondStep) {
    steps.Log(L"first step done");
    return finish(steps.StartSecondStep());
  }
  if (opts.detach && opts.afterPid == 0) {
    uninst::Options helper = opts;
    helper.detach = false;
    helper.hasExitCode = false;
    if (!steps.StartHelper(helper)) return finish(ERROR_INSTALL_FAILURE);
    return finish(ERROR_SUCCESS);
  }
  if (opts.afterPid != 0) steps.WaitForParent();

  if (!opts.keepKey) steps.RemoveKeys();
  steps.RemoveFiles();
  if (opts.afterPid != 0) steps.ScheduleSelfDelete();
  return finish(ERROR_SUCCESS);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const uninst::Options opts = uninst::ReadOptions(GetCommandLineW(), tools::ModulePath());
  return static_cast<int>(Run(opts));
}
