#include "cli/CliVerbs.h"

#include "cli/CliListing.h"
#include "inventory/NormalUninstall.h"
#include "inventory/UninstallItem.h"
#include "uninstall/Logging.h"
#include "win/Error.h"
#include "win/Text.h"

#include <set>

namespace {

void Scan(TProgramList& list) {
  TNormalUninstall scanner;
  scanner.SetListView(&list);
  scanner.Scan();
}

int List(const TCliOptions& options, const TCliStreams& io) {
  TProgramList list;
  Scan(list);
  std::vector<TListRecord> records;
  {
    TFileProbeCache probes;  // entries share uninstallers: each file is looked for once
    for (const TProgramRow* row : SelectRows(list, options)) records.push_back(ListRecordOf(*row));
  }
  switch (options.Format) {
    case TCliFormat::Table: io.Out(ListAsTable(records)); break;
    case TCliFormat::Csv: io.Out(ListAsCsv(records)); break;
    case TCliFormat::Json: io.Out(ListAsJson(records)); break;
  }
  bool filtered = !options.Targets.empty() || !options.Publisher.empty() ||
                  options.Scope != TCliScope::Any;
  if (records.empty() && filtered) {
    io.Err(L"No installed program matches.");
    return kExitNoMatch;
  }
  return kExitOk;
}

std::wstring ResultLine(const TBulkTarget& target, const std::wstring& id,
                        const TBulkResult& result) {
  std::wstring line = std::wstring(OutcomeCaption(result.Outcome)) + L": " +
                      win::SingleLine(target.Name) + L" (" + id + L")";
  if (result.ExitCode)
    line += L", exit code " + std::to_wstring(*result.ExitCode);
  else if (result.Outcome == TBulkOutcome::Failed)
    line += L", the uninstaller could not be started";
  if (result.Outcome == TBulkOutcome::TimedOut)
    line += L", after " + std::to_wstring(result.ElapsedMs / 1000) + L" s";
  if (result.KeyRemains) line += L"; the entry is still listed";
  return line + L"\r\n";
}

int Uninstall(const TCliOptions& options, const TCliStreams& io) {
  TProgramList list;
  Scan(list);
  // Every target is found before anything runs: a wrong name stops the run before it starts.
  std::vector<const TProgramRow*> rows;
  std::set<const TProgramRow*> seen;
  for (const auto& target : options.Targets) {
    const TProgramRow& row = ResolveTarget(list, target);
    if (seen.insert(&row).second) rows.push_back(&row);
  }
  std::vector<TBulkTarget> targets;
  std::vector<std::wstring> ids;
  for (const TProgramRow* row : rows) {
    targets.push_back(BulkTargetOf(*row, options.Silent));
    ids.push_back(EntryId(*row->Entry));
  }
  TBulkUninstall run(std::move(targets),
                     options.LogFile.empty() ? TLogging::LogPath() : options.LogFile);
  if (options.TimeoutSeconds) run.SetTimeout(*options.TimeoutSeconds * 1000);
  run.SetEvents({nullptr, [&](size_t i, const TBulkResult& result) {
                   io.Out(ResultLine(run.Targets()[i], ids[i], result));
                 }});
  run.Run();
  TBulkSummary summary = run.Summary();
  io.Out(L"Summary: " + std::to_wstring(summary.Completed) + L" completed, " +
         std::to_wstring(summary.Failed) + L" failed, " + std::to_wstring(summary.Skipped) +
         L" skipped, " + std::to_wstring(summary.RestartNeeded) + L" restart needed.\r\n");
  return ExitCodeOf(run);
}

int Leftovers(const TCliOptions&, const TCliStreams& io) {
  io.Err(L"Finding leftovers is not available in this build.");
  return kExitError;
}

}  // namespace

TCliExit ExitCodeOf(const TBulkUninstall& run) {
  size_t failed = 0, restart = 0;
  for (const auto& result : run.Results()) {
    if (result.Outcome == TBulkOutcome::TimedOut) return kExitTimedOut;
    if (result.Outcome == TBulkOutcome::RestartNeeded) ++restart;
    else if (!Succeeded(result.Outcome)) ++failed;
  }
  if (failed && failed == run.Results().size()) return kExitFailed;
  if (failed) return kExitSomeFailed;
  return restart ? kExitRestartNeeded : kExitOk;
}

int RunCli(const std::vector<std::wstring>& args, const TCliStreams& io) {
  try {
    TCliOptions options = ParseCliArguments(args);
    switch (options.Verb) {
      case TCliVerb::Help: io.Out(CliHelpText()); return kExitOk;
      case TCliVerb::List: return List(options, io);
      case TCliVerb::Uninstall: return Uninstall(options, io);
      case TCliVerb::Leftovers: return Leftovers(options, io);
    }
  } catch (const TCliUsageError& e) {
    io.Err(e.Message());
    return kExitUsage;
  } catch (const TCliLookupError& e) {
    io.Err(e.Message());
    return e.Code();
  } catch (const win::TError& e) {
    io.Err(win::SingleLine(e.Message()));
    return kExitError;
  } catch (const std::exception& e) {
    io.Err(L"Unexpected error: " + win::SingleLine(std::wstring(e.what(), e.what() + strlen(e.what()))));
    return kExitError;
  }
  return kExitError;
}
