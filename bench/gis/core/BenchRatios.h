// The ratios the kernel benchmarks exist to show: each benchmark file adds
// rows (a label, the measured run, the baseline run); the program's report
// prints, after the usual table, the measured run's time per iteration over
// the baseline's for every row whose two runs were run.
#pragma once

#include <string>

/// Adds a ratio row; returns true so that a file can add rows from a static
/// initializer.
bool AddBenchRatio(const std::string& label, const std::string& measured,
                   const std::string& baseline);
