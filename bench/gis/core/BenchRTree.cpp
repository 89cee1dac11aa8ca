// R-tree index: bulk insert and window queries at 100k and 1M boxes, each
// beside a plain list scanned linearly in the same program.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "gis/core/GisKernel.h"
#include "gis/core/GisRTree.h"

namespace {

std::string PidText() {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long>(getpid()));
  return std::string(buf, r.ptr);
}

struct Item {
  TGIS_Extent extent;
  int32_t uid;
};

// Boxes of up to 0.1% of the side in a 1e6 x 1e6 world.
const std::vector<Item>& Boxes(int64_t n) {
  static std::map<int64_t, std::vector<Item>> cache;
  auto& v = cache[n];
  if (v.empty()) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> pos(0, 1e6), size(0, 1e3);
    v.reserve(static_cast<size_t>(n));
    for (int64_t k = 0; k < n; ++k) {
      double x = pos(rng), y = pos(rng);
      v.push_back({GisExtent(x, y, x + size(rng), y + size(rng)), static_cast<int32_t>(k)});
    }
  }
  return v;
}

std::vector<TGIS_Extent> Windows() {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> pos(0, 1e6 - 1e4);
  std::vector<TGIS_Extent> w;
  for (int k = 0; k < 256; ++k) {
    double x = pos(rng), y = pos(rng);
    w.push_back(GisExtent(x, y, x + 1e4, y + 1e4)); // 0.01% of the world
  }
  return w;
}

std::string TempIndex() {
  return "/tmp/bench_rtree_" + PidText() + ".rtx";
}

void BM_RTreeInsertMemory(benchmark::State& state) {
  GisKernelInit();
  const auto& boxes = Boxes(state.range(0));
  for (auto _ : state) {
    TGIS_RTree tree("");
    for (const Item& b : boxes)
      tree.Insert(b.extent, b.uid);
    benchmark::DoNotOptimize(tree.EntryCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RTreeInsertFile(benchmark::State& state) {
  GisKernelInit();
  const auto& boxes = Boxes(state.range(0));
  std::string path = TempIndex();
  for (auto _ : state) {
    std::remove(path.c_str());
    TGIS_RTree tree(path);
    for (const Item& b : boxes)
      tree.Insert(b.extent, b.uid);
    tree.Commit(true);
  }
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LinearListInsert(benchmark::State& state) {
  const auto& boxes = Boxes(state.range(0));
  for (auto _ : state) {
    std::vector<Item> list;
    for (const Item& b : boxes)
      list.push_back(b);
    benchmark::DoNotOptimize(list.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same boxes in the order a layer file often holds them: row by row of a
// coarse grid, so that neighbours arrive together.
std::vector<Item> RowOrder(const std::vector<Item>& boxes) {
  std::vector<Item> sorted = boxes;
  auto key = [](const Item& b) {
    long row = static_cast<long>(b.extent.YMin / 1e4);
    return std::pair<long, double>(row, row % 2 ? -b.extent.XMin : b.extent.XMin);
  };
  std::sort(sorted.begin(), sorted.end(),
            [&](const Item& a, const Item& b) { return key(a) < key(b); });
  return sorted;
}

TGIS_RTree& BuiltTree(int64_t n, bool rowOrder) {
  static std::map<std::pair<int64_t, bool>, std::unique_ptr<TGIS_RTree>> trees;
  auto& t = trees[{n, rowOrder}];
  if (!t) {
    t = std::make_unique<TGIS_RTree>("");
    for (const Item& b : rowOrder ? RowOrder(Boxes(n)) : Boxes(n))
      t->Insert(b.extent, b.uid);
  }
  return *t;
}

// Window queries; the second argument 1 builds the tree from row-ordered
// input, 0 from random order.
void BM_RTreeWindowQuery(benchmark::State& state) {
  GisKernelInit();
  TGIS_RTree& tree = BuiltTree(state.range(0), state.range(1) != 0);
  auto windows = Windows();
  size_t k = 0, found = 0;
  for (auto _ : state) {
    const TGIS_Extent& w = windows[k++ % windows.size()];
    for (int32_t r = tree.FindFirst(w, -1); r != -1; r = tree.FindNext())
      ++found;
  }
  state.counters["found/query"] =
      static_cast<double>(found) / static_cast<double>(state.iterations());
}

void BM_LinearScanWindowQuery(benchmark::State& state) {
  const auto& boxes = Boxes(state.range(0));
  auto windows = Windows();
  size_t k = 0, found = 0;
  for (auto _ : state) {
    const TGIS_Extent& w = windows[k++ % windows.size()];
    for (const Item& b : boxes)
      if (GisIsExtentIntersecting(b.extent, w)) ++found;
  }
  state.counters["found/query"] =
      static_cast<double>(found) / static_cast<double>(state.iterations());
}

} // namespace

BENCHMARK(BM_RTreeInsertMemory)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_RTreeInsertFile)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_LinearListInsert)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RTreeWindowQuery)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LinearScanWindowQuery)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
