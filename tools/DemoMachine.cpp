// demomachine.exe: turns a Wine prefix (or a test machine) into a realistic PC for Purgalot.
//
//   demomachine.exe                          write the demo programs (about forty entries, their
//                                            files, usage records, shortcuts, file types, vendor
//                                            keys and leftovers); reruns replace them
//   demomachine.exe --list                   print each demo entry's key and what it shows
//   demomachine.exe --links                  print each folder link the demo machine holds, as
//                                            "LINK<tab>TARGET"; Wine cannot make them, so
//                                            tools/make-demo-links.sh makes them from the Unix side
//   demomachine.exe --verify                 read the demo machine back (values byte for byte,
//                                            files and their attributes, icons through the shell,
//                                            shortcuts, folder links); exit 1 and name each
//                                            difference when it is not intact
//   demomachine.exe --count N [--prefix P]   write N benchmark entries named P00001... and
//                                            GUID-like names (P defaults to "Bench")
//   demomachine.exe --clear-count [--prefix P]  remove the benchmark entries of prefix P
//   demomachine.exe --run KEY [--no-wait]    run the entry's UninstallString as an uninstall
//                                            manager would and print its exit code
//   demomachine.exe --exec CMD [--no-wait]   run a command line and print its full exit code
//   --uninstaller PATH                       the sampleuninst.exe to copy (default: beside this
//                                            program)
// Exit code 0 on success, 1 when something could not be written, 2 on a usage error.

#include "common/ToolFiles.h"
#include "demo/BenchEntries.h"
#include "demo/DemoCatalog.h"
#include "demo/RunEntry.h"
#include "demo/VerifyMachine.h"

#include "win/UniqueHandle.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kUsage[] =
    L"usage: demomachine.exe [--list | --links | --verify] [--count N | --clear-count] "
    L"[--prefix NAME] [--uninstaller PATH] [--run KEY | --exec CMD] [--no-wait]\n";

struct Arguments {
  bool list = false, links = false, verify = false, clearCount = false, noWait = false;
  int count = -1;
  std::wstring prefix = L"Bench";
  std::wstring uninstaller;
  std::wstring runKey;
  std::wstring execCommand;
};

bool Parse(int argc, wchar_t** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == L"--list")
      args.list = true;
    else if (arg == L"--links")
      args.links = true;
    else if (arg == L"--verify")
      args.verify = true;
    else if (arg == L"--clear-count")
      args.clearCount = true;
    else if (arg == L"--count" && hasValue)
      args.count = _wtoi(argv[++i]);
    else if (arg == L"--prefix" && hasValue)
      args.prefix = argv[++i];
    else if (arg == L"--uninstaller" && hasValue)
      args.uninstaller = argv[++i];
    else if (arg == L"--run" && hasValue)
      args.runKey = argv[++i];
    else if (arg == L"--exec" && hasValue)
      args.execCommand = argv[++i];
    else if (arg == L"--no-wait")
      args.noWait = true;
    else
      return false;
  }
  // An empty prefix would match every all-digit key name.
  return !args.prefix.empty() && (args.count == -1 || args.count > 0);
}

std::wstring Seconds(double seconds) {
  wchar_t text[32];
  swprintf(text, 32, L"%.2f s", seconds);
  return text;
}

int ListDemo(const demo::MachinePaths& paths) {
  for (const demo::DemoProgram& program : demo::DemoCatalog(paths))
    tools::Print((program.key.empty() ? L"(no key)" : program.key) + L"\t" + program.shape + L"\n");
  return 0;
}

int ListLinks(const demo::MachinePaths& paths) {
  for (const demo::DemoProgram& program : demo::DemoCatalog(paths))
    for (const demo::FolderLink& link : program.links)
      tools::Print(link.link + L"\t" + link.target + L"\n");
  return 0;
}

int VerifyDemo(const demo::MachinePaths& paths) {
  const win::ComInit com;
  int broken = 0;
  for (const demo::DemoProgram& program : demo::DemoCatalog(paths)) {
    const std::vector<std::wstring> problems = demo::VerifyProgram(program);
    if (!problems.empty()) ++broken;
    for (const std::wstring& problem : problems)
      tools::Print((program.key.empty() ? L"(leftover)" : program.key) + L": " + problem + L"\n");
  }
  tools::Print(broken ? std::to_wstring(broken) + L" programs differ from the demo machine.\n"
                      : L"Demo machine intact.\n");
  return broken ? 1 : 0;
}

int WriteDemo(const demo::MachinePaths& paths) {
  const win::ComInit com;
  const std::vector<demo::DemoProgram> catalog = demo::DemoCatalog(paths);
  demo::InstallResult result;
  int entries = 0, usage = 0;
  for (const demo::DemoProgram& program : catalog) {
    demo::InstallProgram(program, paths, result);
    if (!program.key.empty()) ++entries;
    if (program.usage) ++usage;
  }
  tools::Print(L"Demo machine: " + std::to_wstring(entries) + L" Uninstall entries (" +
               std::to_wstring(usage) + L" usage records), " +
               std::to_wstring(catalog.size() - static_cast<size_t>(entries)) +
               L" leftovers; wrote " + std::to_wstring(result.files) + L" files, " +
               std::to_wstring(result.shortcuts) + L" shortcuts, " + std::to_wstring(result.keys) +
               L" keys.\n");
  if (paths.desktopLinkedOut)
    tools::Print(
        L"The user's desktop links out of this machine (Wine's default); its shortcuts "
        L"were left out.\n");
  for (const std::wstring& failure : result.failures)
    tools::PrintError(L"could not write " + failure + L"\n");
  return result.failures.empty() ? 0 : 1;
}

int ReportRun(const demo::RunResult& run, const std::wstring& what, bool wait) {
  if (!run.started) {
    tools::PrintError(L"could not run " + (run.command.empty() ? what : run.command) + L": error " +
                      std::to_wstring(run.error) + L"\n");
    return 1;
  }
  tools::Print(L"ran " + run.command + L"\n");
  if (wait) tools::Print(L"exit " + std::to_wstring(run.exitCode) + L"\n");
  return 0;
}

int Report(const wchar_t* verb, const std::wstring& prefix, const demo::BenchResult& result) {
  tools::Print(std::wstring(verb) + L" " + std::to_wstring(result.entries) + L" entries and " +
               std::to_wstring(result.usageRecords) + L" usage records of prefix \"" + prefix +
               L"\" in " + Seconds(result.seconds) + L".\n");
  if (result.failures) tools::PrintError(std::to_wstring(result.failures) + L" failures\n");
  return result.failures ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Arguments args;
  if (!Parse(argc, argv, args)) {
    tools::PrintError(kUsage);
    return 2;
  }
  demo::MachinePaths paths = demo::QueryMachinePaths();
  paths.sampleUninstaller = args.uninstaller.empty()
                                ? tools::JoinPath(tools::ModuleFolder(), L"sampleuninst.exe")
                                : args.uninstaller;
  if (args.list) return ListDemo(paths);
  if (args.links) return ListLinks(paths);
  if (args.verify) return VerifyDemo(paths);
  if (!args.runKey.empty())
    return ReportRun(demo::RunUninstallString(args.runKey, !args.noWait), args.runKey,
                     !args.noWait);
  if (!args.execCommand.empty())
    return ReportRun(demo::RunCommandLine(args.execCommand, !args.noWait), args.execCommand,
                     !args.noWait);
  if (args.clearCount)
    return Report(L"Removed", args.prefix, demo::ClearBenchEntries(paths, args.prefix));
  if (!tools::FileExists(paths.sampleUninstaller)) {
    tools::PrintError(L"sample uninstaller not found: " + paths.sampleUninstaller + L"\n");
    return 1;
  }
  if (args.count > 0)
    return Report(L"Wrote", args.prefix, demo::WriteBenchEntries(paths, args.prefix, args.count));
  return WriteDemo(paths);
}
