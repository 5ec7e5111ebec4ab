// The programs of the demo machine. Every entry stands for a shape real machines hold; its shape
// text says which, and --list prints them.
#pragma once

#include "demo/DemoProgram.h"

#include <vector>

namespace demo {

// Browsers, office, media, archivers, drivers, runtimes, games and tools.
std::vector<DemoProgram> EverydayPrograms(const MachinePaths& paths);
// Broken and unusual entries: odd value types, missing files, names in other scripts.
std::vector<DemoProgram> UnusualPrograms(const MachinePaths& paths);
// Programs of the 32-bit registry view and programs installed for the current user only.
std::vector<DemoProgram> ProgramsOfOtherPlaces(const MachinePaths& paths);
// Entries that state no size (their folders are measured) and entries shaped by each installer.
std::vector<DemoProgram> ProgramsWithoutSizes(const MachinePaths& paths);
// What removed programs left behind: folders, Start-menu folders, vendor keys, dead shortcuts.
std::vector<DemoProgram> Leftovers(const MachinePaths& paths);
// Removed programs whose every leftover the assisted uninstall can find and remove.
std::vector<DemoProgram> AssistedLeftovers(const MachinePaths& paths);
// A program with every kind of trace the leftover finder looks for and a sloppy uninstaller, with
// the bystanders that must survive its leftovers' removal.
std::vector<DemoProgram> TracedProgram(const MachinePaths& paths);
// Trial and bundled programs with quiet uninstall commands, for the bulk uninstall.
std::vector<DemoProgram> QuietPrograms(const MachinePaths& paths);

std::vector<DemoProgram> DemoCatalog(const MachinePaths& paths);

}  // namespace demo
