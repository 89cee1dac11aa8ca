// A console report that ends with the ratios a benchmark exists to show:
// the time of one run over another's (ours over the reference or floor),
// measured in the same program run.
#pragma once

#include "platform/rtl/Format.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchbase {

/// A ratio to print at the end: the time of one run over another's.
struct Ratio {
  const char* Label;
  const char* Run;
  const char* Reference;
};

/// The console report plus, at the end, each ratio as "label: 1.23".
class RatioReporter : public benchmark::ConsoleReporter {
public:
  explicit RatioReporter(std::vector<Ratio> ratios)
      : ConsoleReporter(OO_Tabular), ratios_(std::move(ratios)) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.iterations > 0)
        perIteration_[r.benchmark_name()] = r.real_accumulated_time / double(r.iterations);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const Ratio& ratio : ratios_) {
      auto run = perIteration_.find(ratio.Run), reference = perIteration_.find(ratio.Reference);
      if (run == perIteration_.end() || reference == perIteration_.end() || reference->second <= 0)
        continue;
      const std::string line = Format("%s: %.2f\n", {ratio.Label, run->second / reference->second});
      std::fputs(line.c_str(), stdout);
    }
  }

private:
  std::vector<Ratio> ratios_;
  std::map<std::string, double> perIteration_;
};

} // namespace benchbase
