#include "bench/support/BenchRatios.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <vector>

#include "platform/rtl/Format.h"

namespace {

struct TRatioRow {
  std::string label, measured, baseline;
};

std::vector<TRatioRow>& RatioRows() {
  static std::vector<TRatioRow> rows;
  return rows;
}

class TRatioReporter : public ::benchmark::ConsoleReporter {
public:
  TRatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.iterations > 0 && r.run_type == Run::RT_Iteration)
        perIteration_[r.benchmark_name()] = r.real_accumulated_time / double(r.iterations);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const TRatioRow& row : RatioRows()) {
      auto measured = perIteration_.find(row.measured), baseline = perIteration_.find(row.baseline);
      if (measured == perIteration_.end() || baseline == perIteration_.end() ||
          baseline->second <= 0)
        continue;
      const std::string line =
          Format("%s: %.2f\n", {row.label, measured->second / baseline->second});
      std::fputs(line.c_str(), stdout);
    }
  }

private:
  std::map<std::string, double> perIteration_;
};

} // namespace

bool AddBenchRatio(const std::string& label, const std::string& measured,
                   const std::string& baseline) {
  RatioRows().push_back({label, measured, baseline});
  return true;
}

void RunBenchmarksWithRatios(int argc, char** argv) {
  ::benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  ::benchmark::RunSpecifiedBenchmarks(&reporter);
  ::benchmark::Shutdown();
}
