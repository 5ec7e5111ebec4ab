#include "cli/CliVerbs.h"

#include "cli/CliLeftovers.h"
#include "cli/CliListing.h"
#include "inventory/NormalUninstall.h"
#include "inventory/UninstallItem.h"
#include "uninstall/Logging.h"
#include "win/Error.h"
#include "win/Text.h"

#include <set>

namespace {

std::wstring LogPathOf(const TCliOptions& options) {
  return options.LogFile.empty() ? TLogging::LogPath() : options.LogFile;
}

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
    std::vector<const TProgramRow*> rows = SelectRows(list, options);
    for (const TProgramRow* row : rows) records.push_back(ListRecordOf(*row));
    AddMeasuredSizes(list, rows, records);
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
  // What is known of each program is read while its entry still exists.
  std::vector<TProgramFacts> facts;
  for (const TProgramRow* row : rows) {
    targets.push_back(BulkTargetOf(*row, options.Silent));
    ids.push_back(EntryId(*row->Entry));
    if (options.Leftovers != TCliRemoval::None)
      facts.push_back(FactsFromEntry(row->Entry->RootKey(), row->Entry->View(),
                                     row->Entry->RegistryKey()));
  }
  TBulkUninstall run(std::move(targets), LogPathOf(options));
  if (options.TimeoutSeconds) run.SetTimeout(*options.TimeoutSeconds * 1000);
  run.SetEvents({nullptr, [&](size_t i, const TBulkResult& result) {
                   io.Out(ResultLine(run.Targets()[i], ids[i], result));
                 }});
  run.Run();
  TBulkSummary summary = run.Summary();
  io.Out(L"Summary: " + std::to_wstring(summary.Completed) + L" completed, " +
         std::to_wstring(summary.Failed) + L" failed, " + std::to_wstring(summary.Skipped) +
         L" skipped, " + std::to_wstring(summary.RestartNeeded) + L" restart needed.\r\n");
  TCliExit code = ExitCodeOf(run);
  if (options.Leftovers == TCliRemoval::None) return code;

  bool allRemoved = true;
  const std::vector<TOtherProgram> others = ReadOtherPrograms();
  for (size_t i = 0; i < facts.size(); ++i) {
    if (!Succeeded(run.Results()[i].Outcome)) continue;
    TLeftoverRemoval removal(facts[i], TLeftoverFinder().Find(facts[i], others),
                             LogPathOf(options));
    removal.Others = others;
    TickForRemoval(removal, options.Leftovers);
    size_t taken = 0, failed = 0;
    for (const auto& row : removal.Rows) taken += row.Checked;
    if (taken && !removal.Remove()) {
      allRemoved = false;
      for (const auto& row : removal.Rows) failed += row.Checked && row.Status() != kStatusOK;
    }
    io.Out(L"Leftovers of " + win::SingleLine(facts[i].Name) + L": " +
           std::to_wstring(taken - failed) + L" removed, " + std::to_wstring(failed) +
           L" could not be removed.\r\n");
  }
  return !allRemoved && (code == kExitOk || code == kExitRestartNeeded) ? kExitFailed : code;
}

// The program the leftovers verb looks for: an entry by its id or name, or, for a program whose
// entry is already gone, the name (and folder) given.
TProgramFacts FactsOfTarget(const TCliOptions& options) {
  TProgramList list;
  Scan(list);
  const TCliTarget& target = options.Targets.front();
  const TProgramRow* row = nullptr;
  try {
    row = &ResolveTarget(list, target);
  } catch (const TCliLookupError& e) {
    if (target.ById || e.Code() != kExitNoMatch) throw;
    return FactsFromName(target.Text, options.Folder);
  }
  TProgramFacts facts =
      FactsFromEntry(row->Entry->RootKey(), row->Entry->View(), row->Entry->RegistryKey());
  if (!options.Folder.empty()) {
    facts.InstallFolder = options.Folder;
    while (facts.InstallFolder.size() > 3 && facts.InstallFolder.back() == L'\\')
      facts.InstallFolder.pop_back();
  }
  return facts;
}

int Leftovers(const TCliOptions& options, const TCliStreams& io) {
  TProgramFacts facts = FactsOfTarget(options);
  std::vector<TOtherProgram> others = ReadOtherPrograms(facts.Root, facts.View, facts.EntryKey);
  std::vector<TLeftover> finds = TLeftoverFinder().Find(facts, others);
  const auto write = [&](const TDeleteRows* removed) {
    switch (options.Format) {
      case TCliFormat::Table: io.Out(LeftoversAsTable(finds, removed)); break;
      case TCliFormat::Csv: io.Out(LeftoversAsCsv(finds, removed)); break;
      case TCliFormat::Json: io.Out(LeftoversAsJson(finds, removed)); break;
    }
  };
  if (options.Leftovers == TCliRemoval::None) {
    write(nullptr);
    return kExitOk;
  }
  TLeftoverRemoval removal(facts, finds, LogPathOf(options));
  removal.Others = others;
  TickForRemoval(removal, options.Leftovers);
  bool taken = false;
  for (const auto& row : removal.Rows) taken = taken || row.Checked;
  bool removed = !taken || removal.Remove();
  write(&removal.Rows);
  if (!removed) io.Err(L"Not every leftover could be removed; see the status of each.");
  return removed ? kExitOk : kExitFailed;
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
