// Placing 20 000 label rectangles on a 7680 x 4320 map with the labels area
// (a grid of reserved rectangles) beside a plain uniform grid of the accepted
// rectangles (64 x 64 map-unit cells, each holding the rectangles that
// overlap it), beside the plain list it replaces, whose look-ups grow with
// every label placed, and beside the floor of only storing the rectangles.
// Prints µs per Allocate through the items rate.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench/support/RatioReporter.h"
#include "gis/viewer/GisLabelsArea.h"
#include "platform/rtl/Ticks.h"

namespace {

constexpr int kLabels = 20000;

/// Label-sized rectangles (40 x 12 map units, zoom 1) spread over the map.
const std::vector<TGIS_Extent>& Labels() {
  static const std::vector<TGIS_Extent> all = [] {
    TRandomGenerator random(20261210);
    std::vector<TGIS_Extent> out;
    out.reserve(kLabels);
    for (int i = 0; i < kLabels; ++i) {
      const double x = random.Next() * 7640, y = random.Next() * 4300;
      const double w = 20 + random.Next() * 40, h = 8 + random.Next() * 8;
      out.push_back({x, y, x + w, y + h});
    }
    return out;
  }();
  return all;
}

bool Apart(const TGIS_Extent& r, const TGIS_Extent& e) {
  return r.XMin > e.XMax || r.XMax < e.XMin || r.YMin > e.YMax || r.YMax < e.YMin;
}

void BM_LabelsAreaAllocate(benchmark::State& state) {
  int accepted = 0;
  for (auto _ : state) {
    TGIS_LabelsArea area(nullptr);
    accepted = 0;
    for (const TGIS_Extent& e : Labels())
      accepted += area.Allocate(e);
    benchmark::DoNotOptimize(accepted);
  }
  state.counters["accepted"] = accepted;
  state.SetItemsProcessed(state.iterations() * kLabels);
}
BENCHMARK(BM_LabelsAreaAllocate)->Unit(benchmark::kMillisecond);

/// The same rule over a plain list, scanned in insertion order.
void BM_PlainListAllocate(benchmark::State& state) {
  int accepted = 0;
  for (auto _ : state) {
    std::vector<TGIS_Extent> list;
    accepted = 0;
    for (const TGIS_Extent& e : Labels()) {
      bool free = true;
      for (const TGIS_Extent& r : list)
        if (!Apart(r, e)) {
          free = false;
          break;
        }
      if (free) list.push_back(e);
      accepted += free;
    }
    benchmark::DoNotOptimize(accepted);
  }
  state.counters["accepted"] = accepted;
  state.SetItemsProcessed(state.iterations() * kLabels);
}
BENCHMARK(BM_PlainListAllocate)->Unit(benchmark::kMillisecond);

/// The same rule over a plain uniform grid: a rectangle is tested against the
/// accepted ones listed in the cells it overlaps, and listed in each of them
/// when it is free.
void BM_UniformGridAllocate(benchmark::State& state) {
  constexpr double kCell = 64;
  constexpr int kColumns = int(7680 / kCell) + 2, kRows = int(4320 / kCell) + 2;
  int accepted = 0;
  auto cellOf = [](double v, int count) {
    return std::clamp(int(v / kCell), 0, count - 1);
  };
  for (auto _ : state) {
    std::vector<std::vector<TGIS_Extent>> cells(std::size_t(kColumns) * kRows);
    accepted = 0;
    for (const TGIS_Extent& e : Labels()) {
      const int x0 = cellOf(e.XMin, kColumns), x1 = cellOf(e.XMax, kColumns);
      const int y0 = cellOf(e.YMin, kRows), y1 = cellOf(e.YMax, kRows);
      bool free = true;
      for (int y = y0; y <= y1 && free; ++y)
        for (int x = x0; x <= x1 && free; ++x)
          for (const TGIS_Extent& r : cells[std::size_t(y) * kColumns + std::size_t(x)])
            if (!Apart(r, e)) {
              free = false;
              break;
            }
      if (free)
        for (int y = y0; y <= y1; ++y)
          for (int x = x0; x <= x1; ++x)
            cells[std::size_t(y) * kColumns + std::size_t(x)].push_back(e);
      accepted += free;
    }
    benchmark::DoNotOptimize(accepted);
  }
  state.counters["accepted"] = accepted;
  state.SetItemsProcessed(state.iterations() * kLabels);
}
BENCHMARK(BM_UniformGridAllocate)->Unit(benchmark::kMillisecond);

/// The floor: storing every rectangle without any look-up.
void BM_StoreOnly(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<TGIS_Extent> list;
    list.reserve(kLabels);
    for (const TGIS_Extent& e : Labels())
      list.push_back(e);
    benchmark::DoNotOptimize(list.data());
  }
  state.SetItemsProcessed(state.iterations() * kLabels);
}
BENCHMARK(BM_StoreOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  return RunBenchmarksWithRatios(
      argc, argv,
      {{"labels area / plain uniform grid", "BM_LabelsAreaAllocate", "BM_UniformGridAllocate"},
       {"labels area / plain list", "BM_LabelsAreaAllocate", "BM_PlainListAllocate"},
       {"labels area / storing only", "BM_LabelsAreaAllocate", "BM_StoreOnly"}});
}
