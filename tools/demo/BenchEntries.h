// Thousands of Uninstall entries for benchmarks, a third each in the machine's two registry views
// and the user's own key, written fast: a few dozen shared files, then
// registry writes only. Names are <prefix><5 digits> or GUID-like ones derived from the prefix,
// so a later run can find and remove them without a list.
#pragma once

#include "demo/ShellExtras.h"

#include <string>

namespace demo {

struct BenchResult {
  int entries = 0;
  int usageRecords = 0;
  int failures = 0;
  double seconds = 0;
};

BenchResult WriteBenchEntries(const MachinePaths& paths, const std::wstring& prefix, int count);
// Removes the entries, their usage records and their shared files.
BenchResult ClearBenchEntries(const MachinePaths& paths, const std::wstring& prefix);

}  // namespace demo
