// The console report of a benchmark program plus, at the end, the ratios it
// exists to show: for each pair, our run's CPU time per iteration over the
// baseline's (a reference library, or the floor of the standard library) in
// the same run. CPU time, since the programs are single-threaded and wall
// time follows whatever else the machine runs. A ratio above 1 is how many
// times slower ours is. With repetitions (--benchmark_repetitions=N) each
// side counts with the median of its runs.
//
//   int main(int argc, char** argv) {
//     return RunBenchmarksWithRatios(argc, argv, {{"float to text", "BM_FloatToStr",
//                                                  "BM_FloatToChars"}});
//   }
#pragma once

#include "platform/rtl/Format.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

/// One line of the ratio table: full benchmark names (with their arguments,
/// "BM_Add/10000"), ours first.
struct TBenchRatio {
  std::string Label;
  std::string Ours;
  std::string Baseline;
};

class TRatioReporter : public ::benchmark::ConsoleReporter {
public:
  explicit TRatioReporter(std::vector<TBenchRatio> ratios, std::string heading = "ours / baseline")
      : ConsoleReporter(OO_Tabular), ratios_(std::move(ratios)), heading_(std::move(heading)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        perIteration_[r.benchmark_name()].push_back(r.cpu_accumulated_time / double(r.iterations));
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const TBenchRatio& ratio : ratios_) {
      auto ours = perIteration_.find(ratio.Ours), base = perIteration_.find(ratio.Baseline);
      if (ours == perIteration_.end() || base == perIteration_.end()) continue;
      const double baseTime = Median(base->second);
      if (baseTime <= 0) continue;
      const std::string line =
          Format("%s, %s: %.2f\n", {heading_, ratio.Label, Median(ours->second) / baseTime});
      std::fputs(line.c_str(), stdout);
    }
  }

private:
  /// The middle value (the mean of the two middle ones for an even count).
  static double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  }

  std::vector<TBenchRatio> ratios_;
  std::string heading_;
  std::map<std::string, std::vector<double>> perIteration_;
};

/// Runs the benchmarks the command line selects and prints the ratios.
inline int RunBenchmarksWithRatios(int argc, char** argv, std::vector<TBenchRatio> ratios,
                                   std::string heading = "ours / baseline") {
  ::benchmark::Initialize(&argc, argv);
  TRatioReporter reporter(std::move(ratios), std::move(heading));
  ::benchmark::RunSpecifiedBenchmarks(&reporter);
  ::benchmark::Shutdown();
  return 0;
}

/// Ratio rows added from the files of a program with several benchmark files
/// (each adds its own rows from a static initializer); returns true so that
/// `const bool ratios = AddBenchRatio(...) && ...;` reads as a registration.
inline std::vector<TBenchRatio>& RegisteredBenchRatios() {
  static std::vector<TBenchRatio> rows;
  return rows;
}

inline bool AddBenchRatio(const std::string& label, const std::string& ours,
                          const std::string& baseline) {
  RegisteredBenchRatios().push_back({label, ours, baseline});
  return true;
}

/// Runs the benchmarks the command line selects and prints the registered ratios.
inline int RunBenchmarksWithRatios(int argc, char** argv) {
  return RunBenchmarksWithRatios(argc, argv, RegisteredBenchRatios());
}
