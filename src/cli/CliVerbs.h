// The console program's verbs, each one function over the machine's programs. Results go to out,
// one-line errors to err; each returns the program's exit code.
#pragma once

#include "cli/CliOptions.h"
#include "uninstall/BulkUninstall.h"

#include <functional>
#include <string>

struct TCliStreams {
  std::function<void(const std::wstring&)> Out;
  std::function<void(const std::wstring&)> Err;
};

int RunCli(const std::vector<std::wstring>& args, const TCliStreams& streams);

// What a finished bulk run exits with: timed out, all failed, some failed, restart needed, ok.
TCliExit ExitCodeOf(const TBulkUninstall& run);
