// The texts of a bulk uninstall's summary: the one line that counts the outcomes, and the whole
// summary the bulk window saves. Windowless.
#pragma once

#include "uninstall/BulkUninstall.h"

#include <windows.h>

#include <string>
#include <vector>

// "Completed 3, failed 1, skipped 0, restart needed 1."
std::wstring BulkCountsLine(const TBulkSummary& summary);

// One program's status as the window and the saved summary show it: the outcome, or what
// Clean-Up did after it.
std::wstring BulkStatusText(const TBulkResult& result, bool cleanedUp);

// The whole summary, lines ending in CR LF: a heading with the time, the counts, and one line per
// program in the order run (name, status, exit code, and whether its quiet command ran).
std::wstring BulkReportText(const std::vector<TBulkTarget>& targets,
                            const std::vector<TBulkResult>& results, const TBulkSummary& summary,
                            const std::vector<bool>& cleanedUp, const SYSTEMTIME& when);
