// R-tree index: bulk insert and window queries at 100k and 1M boxes, in
// random and in sorted insertion order, from memory and from a file, each
// beside a plain list scanned linearly and beside SQLite's R*Tree module in
// the same program. The ratios printed at the end: the linear scan's time
// per query over the index's (the goal is at least 50 at 1M boxes), and the
// index's over SQLite's.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <charconv>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include <sqlite3.h>

#include "bench/support/RatioReporter.h"
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

// The same boxes sorted by their lower left corner: the order of a file
// written from a sorted table, the hardest for an index built one by one.
std::vector<Item> SortedOrder(const std::vector<Item>& boxes) {
  std::vector<Item> sorted = boxes;
  std::sort(sorted.begin(), sorted.end(), [](const Item& a, const Item& b) {
    return std::pair(a.extent.XMin, a.extent.YMin) < std::pair(b.extent.XMin, b.extent.YMin);
  });
  return sorted;
}

std::vector<Item> InOrder(int64_t n, bool sorted) {
  return sorted ? SortedOrder(Boxes(n)) : Boxes(n);
}

TGIS_RTree& BuiltTree(int64_t n, bool sorted) {
  static std::map<std::pair<int64_t, bool>, std::unique_ptr<TGIS_RTree>> trees;
  auto& t = trees[{n, sorted}];
  if (!t) {
    t = std::make_unique<TGIS_RTree>("");
    for (const Item& b : InOrder(n, sorted))
      t->Insert(b.extent, b.uid);
  }
  return *t;
}

// An index file built once per run and order, reopened for the queries.
TGIS_RTree& FileTree(int64_t n, bool sorted) {
  static std::map<std::pair<int64_t, bool>, std::unique_ptr<TGIS_RTree>> trees;
  auto& t = trees[{n, sorted}];
  if (!t) {
    const std::string path = "/tmp/bench_rtree_" + PidText() + (sorted ? "_s" : "_r") + ".rtx";
    std::remove(path.c_str());
    {
      TGIS_RTree build(path);
      for (const Item& b : InOrder(n, sorted))
        build.Insert(b.extent, b.uid);
      build.Commit(true);
    }
    t = std::make_unique<TGIS_RTree>(path);
    static std::vector<std::string> files;
    files.push_back(path);
    if (files.size() == 1)
      std::atexit([] {
        for (const std::string& f : files)
          std::remove(f.c_str());
      });
  }
  return *t;
}

void RunWindowQueries(benchmark::State& state, TGIS_RTree& tree) {
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

// Window queries; the second argument 1 builds the tree from sorted input,
// 0 from random order.
void BM_RTreeWindowQuery(benchmark::State& state) {
  GisKernelInit();
  RunWindowQueries(state, BuiltTree(state.range(0), state.range(1) != 0));
}

void BM_RTreeFileWindowQuery(benchmark::State& state) {
  GisKernelInit();
  RunWindowQueries(state, FileTree(state.range(0), state.range(1) != 0));
}

// SQLite's R*Tree module in an in-memory database, filled in the same order
// in one transaction.
sqlite3* SqliteTree(int64_t n, bool sorted) {
  static std::map<std::pair<int64_t, bool>, sqlite3*> dbs;
  sqlite3*& db = dbs[{n, sorted}];
  if (!db) {
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE VIRTUAL TABLE idx USING rtree(id, minx, maxx, miny, maxy);"
                     "BEGIN;", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO idx VALUES (?, ?, ?, ?, ?)", -1, &insert, nullptr);
    for (const Item& b : InOrder(n, sorted)) {
      sqlite3_bind_int(insert, 1, b.uid);
      sqlite3_bind_double(insert, 2, b.extent.XMin);
      sqlite3_bind_double(insert, 3, b.extent.XMax);
      sqlite3_bind_double(insert, 4, b.extent.YMin);
      sqlite3_bind_double(insert, 5, b.extent.YMax);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
  }
  return db;
}

void BM_SqliteRTreeWindowQuery(benchmark::State& state) {
  sqlite3* db = SqliteTree(state.range(0), state.range(1) != 0);
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT id FROM idx WHERE maxx >= ? AND minx <= ? AND maxy >= ? AND miny <= ?",
                     -1, &query, nullptr);
  auto windows = Windows();
  size_t k = 0, found = 0;
  for (auto _ : state) {
    const TGIS_Extent& w = windows[k++ % windows.size()];
    sqlite3_bind_double(query, 1, w.XMin);
    sqlite3_bind_double(query, 2, w.XMax);
    sqlite3_bind_double(query, 3, w.YMin);
    sqlite3_bind_double(query, 4, w.YMax);
    while (sqlite3_step(query) == SQLITE_ROW)
      ++found;
    sqlite3_reset(query);
  }
  sqlite3_finalize(query);
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
BENCHMARK(BM_RTreeFileWindowQuery)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteRTreeWindowQuery)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LinearScanWindowQuery)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

namespace {
const bool ratios =
    AddBenchRatio("linear scan / index in memory, 1M random",
                  "BM_LinearScanWindowQuery/1000000", "BM_RTreeWindowQuery/1000000/0") &&
    AddBenchRatio("linear scan / index in memory, 1M sorted",
                  "BM_LinearScanWindowQuery/1000000", "BM_RTreeWindowQuery/1000000/1") &&
    AddBenchRatio("linear scan / index file, 1M random", "BM_LinearScanWindowQuery/1000000",
                  "BM_RTreeFileWindowQuery/1000000/0") &&
    AddBenchRatio("linear scan / index file, 1M sorted", "BM_LinearScanWindowQuery/1000000",
                  "BM_RTreeFileWindowQuery/1000000/1") &&
    AddBenchRatio("index in memory / SQLite R*Tree, 1M random", "BM_RTreeWindowQuery/1000000/0",
                  "BM_SqliteRTreeWindowQuery/1000000/0") &&
    AddBenchRatio("index in memory / SQLite R*Tree, 1M sorted", "BM_RTreeWindowQuery/1000000/1",
                  "BM_SqliteRTreeWindowQuery/1000000/1") &&
    AddBenchRatio("index file / SQLite R*Tree, 1M random", "BM_RTreeFileWindowQuery/1000000/0",
                  "BM_SqliteRTreeWindowQuery/1000000/0") &&
    AddBenchRatio("index file / SQLite R*Tree, 1M sorted", "BM_RTreeFileWindowQuery/1000000/1",
                  "BM_SqliteRTreeWindowQuery/1000000/1");
} // namespace
