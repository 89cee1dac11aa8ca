// Sorted string lists compare lines without letter case on every Add and
// Find (code lists, symbol caches, lookups of the importers); shared
// mappings are taken by every reader that opens a file.
#include "platform/rtl/Files.h"
#include "platform/rtl/MappedFile.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> sampleKeys(int count, bool accented) {
  std::vector<std::string> keys;
  unsigned seed = 12345;
  for (int i = 0; i < count; ++i) {
    std::string key = accented ? "Stra\xC3\x9F"
                                 "e "
                               : "Road ";
    for (int k = 0; k < 8; ++k) {
      seed = seed * 1103515245u + 12345u;
      key.push_back(
          static_cast<char>((seed >> 16) % 2 ? 'A' + (seed >> 8) % 26 : 'a' + (seed >> 8) % 26));
    }
    keys.push_back(key);
  }
  return keys;
}

void BM_SortedStringListAdd(benchmark::State& state) {
  const std::vector<std::string> keys =
      sampleKeys(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    TStringList list;
    list.SetSorted(true);
    for (const std::string& key : keys)
      list.Add(key);
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortedStringListAdd)->Args({10000, 0})->Args({10000, 1});

void BM_AnsiCompareText(benchmark::State& state) {
  const std::vector<std::string> keys = sampleKeys(256, state.range(0) != 0);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(AnsiCompareText(keys[i & 255], keys[(i + 1) & 255]));
    ++i;
  }
}
BENCHMARK(BM_AnsiCompareText)->Arg(0)->Arg(1);

void BM_SharedViewAcquireRelease(benchmark::State& state) {
  const char* base = std::getenv("TMPDIR");
  const std::string path = std::string(base && *base ? base : "/tmp") + "/sk-rtl-bench-view.bin";
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(1 << 16, 'x');
  }
  TMappedFile keep(path); // the view exists: each acquire finds it
  for (auto _ : state) {
    TMappedFile file(path);
    benchmark::DoNotOptimize(file.Data());
  }
  DeleteFile(path);
}
BENCHMARK(BM_SharedViewAcquireRelease);

} // namespace
