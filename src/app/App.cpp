// The program's entry: the settings object, COM, the main window, the welcome box and the message
// loop, in the order start-up relies on.
#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/WinSettings.h"
#include "help/SPHTMLHelp.h"
#include "help/Splash.h"
#include "help/Welcome.h"
#include "win/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // The settings exist before any window does and outlive them all.
  TWinSettings settings(L"Purgalot!\\Desktop");
  win::ComInit com;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                     ICC_LINK_CLASS | ICC_COOL_CLASSES};
  InitCommonControlsEx(&controls);
  TCommandLine commandLine = TCommandLine::FromProcess();
  // The help engine is there before any window; without it a warning shows (not in an unattended
  // run, which nobody watches) and the program goes on without help.
  THtmlHelpModule help(THtmlHelpModule::DefaultLoader, IsUnattended(commandLine.Switch()));
  HtmlHelpModule = &help;
  SplashSettings.Show = true;

  TfMain main(settings, std::move(commandLine));
  // A creation that fails has shown its error box and left no window behind.
  if (!win::Guarded([&main] { main.Create(); })) return 1;
  if (main.Terminated()) return main.ExitCode();
  main.Show(showCommand);
  // Made once and kept for the run: the menu's "Welcome box" shows it again.
  TfWelcome welcome;
  fWelcome = &welcome;
  if (!SkipWelcome && welcome.ShowAtStartup())
    welcome.Offer(main.Handle(), [&main] { main.tbAssistedClick(); });

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (main.PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
