// Sorted string lists compare lines without letter case on every Add and
// Find (code lists, symbol caches, lookups of the importers); shared
// mappings are taken by every reader that opens a file. Each runs beside a
// floor from the standard library and the system (an ASCII-only case-folding
// comparison, a sorted std::multiset, a plain registry of mmapped files);
// main prints the ratios of this program's benchmarks.
#include "bench/support/RatioReporter.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/MappedFile.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
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

// Byte-wise ASCII case folding: the floor of a case-insensitive comparison
// (it gets non-ASCII letters wrong, which AnsiCompareText must not).
int AsciiCompareText(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

struct TAsciiLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return AsciiCompareText(a, b) < 0;
  }
};

void BM_MultisetAdd(benchmark::State& state) {
  const std::vector<std::string> keys =
      sampleKeys(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    std::multiset<std::string, TAsciiLess> set;
    for (const std::string& key : keys)
      set.insert(key);
    benchmark::DoNotOptimize(set.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MultisetAdd)->Args({10000, 0})->Args({10000, 1});


// Neighbouring keys of the sample compared by `compare`.
template <typename Compare> void CompareNeighbours(benchmark::State& state, Compare compare) {
  const std::vector<std::string> keys = sampleKeys(256, state.range(0) != 0);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(compare(keys[i & 255], keys[(i + 1) & 255]));
    ++i;
  }
}

void BM_AnsiCompareText(benchmark::State& state) {
  CompareNeighbours(state, [](const std::string& a, const std::string& b) {
    return AnsiCompareText(a, b);
  });
}
BENCHMARK(BM_AnsiCompareText)->Arg(0)->Arg(1);

void BM_AsciiCompareText(benchmark::State& state) {
  CompareNeighbours(state, AsciiCompareText);
}
BENCHMARK(BM_AsciiCompareText)->Arg(0)->Arg(1);

std::string SampleViewPath() {
  const char* base = std::getenv("TMPDIR");
  return std::string(base && *base ? base : "/tmp") + "/sk-rtl-bench-view.bin";
}

void BM_SharedViewAcquireRelease(benchmark::State& state) {
  const std::string path = SampleViewPath();
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

// The same work done plainly: a registry of mapped files keyed by path under
// a mutex, each acquire checking with stat(2) that the mapping still shows
// the file at its path (device, inode, size) and counting one more user,
// each release counting one less.
struct TPlainView {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  const void* data = nullptr;
  int users = 0;
};

void BM_PlainRegistryAcquireRelease(benchmark::State& state) {
  const std::string path = SampleViewPath();
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(1 << 16, 'x');
  }
  std::mutex lock;
  std::unordered_map<std::string, TPlainView> views;
  {
    struct stat st {};
    ::stat(path.c_str(), &st);
    const int fd = open(path.c_str(), O_RDONLY);
    TPlainView& view = views[path];
    view = {st.st_dev, st.st_ino, st.st_size, mmap(nullptr, 1 << 16, PROT_READ, MAP_SHARED, fd, 0),
            1};
    close(fd);
  }
  for (auto _ : state) {
    TPlainView* view = nullptr;
    {
      std::lock_guard<std::mutex> guard(lock);
      struct stat st {};
      if (::stat(path.c_str(), &st) != 0) std::abort();
      auto it = views.find(path);
      if (it == views.end() || it->second.device != st.st_dev || it->second.inode != st.st_ino ||
          it->second.size != st.st_size)
        std::abort();
      view = &it->second;
      ++view->users;
    }
    benchmark::DoNotOptimize(view->data);
    std::lock_guard<std::mutex> guard(lock);
    --view->users;
  }
  munmap(const_cast<void*>(views[path].data), 1 << 16);
  DeleteFile(path);
}
BENCHMARK(BM_PlainRegistryAcquireRelease);

// Opening and mapping the file afresh each time, as a reader without the
// shared views would (for information: a different work, so no ratio).
void BM_OpenAndMap(benchmark::State& state) {
  const std::string path = SampleViewPath();
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(1 << 16, 'x');
  }
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    void* data = mmap(nullptr, 1 << 16, PROT_READ, MAP_SHARED, fd, 0);
    benchmark::DoNotOptimize(data);
    munmap(data, 1 << 16);
    close(fd);
  }
  DeleteFile(path);
}
BENCHMARK(BM_OpenAndMap);

} // namespace

int main(int argc, char** argv) {
  return RunBenchmarksWithRatios(
      argc, argv,
      {{"FloatToStr / to_chars", "BM_FloatToStr", "BM_FloatToChars"},
       {"Format %12.6f / to_chars fixed", "BM_FormatFixed", "BM_ToCharsFixed"},
       {"StrToFloat / from_chars", "BM_StrToFloat", "BM_FromChars"},
       {"FormatDateTime / to_chars fields", "BM_FormatDateTime", "BM_DateTimeToChars"},
       {"sorted TStringList add / multiset, ASCII", "BM_SortedStringListAdd/10000/0",
        "BM_MultisetAdd/10000/0"},
       {"sorted TStringList add / multiset, accented", "BM_SortedStringListAdd/10000/1",
        "BM_MultisetAdd/10000/1"},
       {"AnsiCompareText / ASCII folding, ASCII", "BM_AnsiCompareText/0", "BM_AsciiCompareText/0"},
       {"AnsiCompareText / ASCII folding, accented", "BM_AnsiCompareText/1",
        "BM_AsciiCompareText/1"},
       {"Format mixed (%s;%d;%.2x;%e) / to_chars of the same text", "BM_FormatMixed",
        "BM_FormatMixedToChars"},
       {"FormatFloat #,##0.00### / to_chars + grouping", "BM_FormatFloatPicture",
        "BM_FloatPictureToChars"},
       {"shared view acquire / plain registry (mutex, stat, map, count)",
        "BM_SharedViewAcquireRelease", "BM_PlainRegistryAcquireRelease"}});
}
