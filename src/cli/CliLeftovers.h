// The console program's view of leftovers: each find as one record, written as a table, CSV or
// JSON, and which finds a removal level takes. Windowless.
#pragma once

#include "cli/CliOptions.h"
#include "leftovers/LeftoverFinder.h"
#include "leftovers/LeftoverRemoval.h"

#include <optional>
#include <string>
#include <vector>

// Whether --remove (or uninstall --leftovers) at this level takes the find: "sure" takes the
// finds that come ticked, "very-sure" only the very sure ones; none takes nothing.
bool TakenAt(TCliRemoval level, const TLeftover& find);

// Ticks the rows of the finds the level takes and unticks the others (a protected row stays
// unticked whatever its find says).
void TickForRemoval(TLeftoverRemoval& removal, TCliRemoval level);

// The finds, with each row's outcome when they were removed (rows of a removal, in the same order).
std::wstring LeftoversAsTable(const std::vector<TLeftover>& finds, const TDeleteRows* removed,
                              size_t width = 80);
std::wstring LeftoversAsCsv(const std::vector<TLeftover>& finds, const TDeleteRows* removed);
std::wstring LeftoversAsJson(const std::vector<TLeftover>& finds, const TDeleteRows* removed);
