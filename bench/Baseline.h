// What the benchmarks measure against: the registry reads any list of the installed programs must
// make, written as directly as the API allows, and a timer.
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <vector>

// Enumerates the Uninstall subkeys of every place programs are registered and reads DisplayName,
// UninstallString, DisplayIcon and the usage record of each (its EstimatedSize when there is no
// record); returns the number of subkeys.
size_t RawRegistryRead();
// The same walk, reading the values named (and the size as above).
size_t RawRegistryRead(std::initializer_list<const wchar_t*> values);

double Seconds(const std::function<void()>& work);
// The fastest of the runs: on a shared machine other work only ever adds time, so the fastest run
// is the truest figure of each side.
double Best(const std::vector<double>& values);
// One figure beside its baseline, as a line of the benchmark's table, written at once.
void PrintBesideBaseline(const wchar_t* what, double seconds, double baseline);
