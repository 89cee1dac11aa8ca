// The ratios the benchmarks exist to show: each benchmark file adds rows (a
// label, the measured run, the baseline run); RunBenchmarksWithRatios prints,
// after Google Benchmark's usual table, the measured run's time per
// iteration over the baseline's for every row whose two runs were run.
// Every benchmark program links this file (sk_bench).
#pragma once

#include <string>

/// Adds a ratio row; returns true so that a file can add rows from a static
/// initializer.
bool AddBenchRatio(const std::string& label, const std::string& measured,
                   const std::string& baseline);

/// Runs the benchmarks the command line selects and prints the ratios; for a
/// program's main().
void RunBenchmarksWithRatios(int argc, char** argv);
