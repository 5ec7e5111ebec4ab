// What the benchmarks measure against: the registry reads any list of the installed programs must
// make, written as directly as the API allows, and a timer.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// Enumerates the Uninstall subkeys of every place programs are registered and reads DisplayName,
// UninstallString, DisplayIcon and the usage record of each (its EstimatedSize when there is no
// record); returns the number of subkeys. With facts, also the values the scan keeps beside them
// (publisher, version, install location and date, quiet and modify commands, installer and
// release marks).
size_t RawRegistryRead(bool facts = false);

double Seconds(const std::function<void()>& work);
// The fastest of the runs: on a shared machine other work only ever adds time, so the fastest run
// is the truest figure of each side.
double Best(const std::vector<double>& values);
