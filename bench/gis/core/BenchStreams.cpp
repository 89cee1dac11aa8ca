// Line reading: the mapped and the buffered stream beside a plain buffered
// reader (C stdio) over the same file; the ratios printed are each stream's
// time over the plain reader's (the goal is at most 1.2).

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

#include "bench/support/RatioReporter.h"
#include "gis/core/GisKernel.h"
#include "gis/core/GisMappedFiles.h"

namespace {

std::string PidText() {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long>(getpid()));
  return std::string(buf, r.ptr);
}

// About 16 MB of text lines of 10 to 120 characters.
const std::string& TextFile() {
  static std::string path;
  if (path.empty()) {
    path = "/tmp/bench_lines_" + PidText() + ".txt";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> len(10, 120), ch('a', 'z');
    size_t total = 0;
    while (total < (16u << 20)) {
      std::string line(static_cast<size_t>(len(rng)), ' ');
      for (char& c : line)
        c = static_cast<char>(ch(rng));
      line += "\r\n";
      std::fwrite(line.data(), 1, line.size(), f);
      total += line.size();
    }
    std::fclose(f);
    std::atexit([] { std::remove(path.c_str()); });
  }
  return path;
}

template <typename Stream> void ReadLines(benchmark::State& state) {
  GisKernelInit();
  const std::string& path = TextFile();
  size_t bytes = 0;
  for (auto _ : state) {
    Stream s(path, false);
    size_t lines = 0;
    while (!s.Eof()) {
      bytes += s.ReadLine().size() + 2;
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_MappedStreamReadLine(benchmark::State& state) {
  ReadLines<TGIS_MappedStream>(state);
}
void BM_BufferedStreamReadLine(benchmark::State& state) {
  ReadLines<TGIS_BufferedFileStream>(state);
}

// The baseline: C stdio's buffered reader, one character at a time, with the
// same line rules (LF ends a line, CR is dropped).
void BM_PlainBufferedReader(benchmark::State& state) {
  const std::string& path = TextFile();
  size_t bytes = 0;
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    size_t lines = 0;
    std::string line;
    for (int c; (c = getc_unlocked(f)) != EOF;) {
      if (c == '\n') {
        bytes += line.size() + 2;
        line.clear();
        ++lines;
      } else if (c != '\r') {
        line.push_back(static_cast<char>(c));
      }
    }
    std::fclose(f);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

} // namespace

BENCHMARK(BM_MappedStreamReadLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BufferedStreamReadLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainBufferedReader)->Unit(benchmark::kMillisecond);

namespace {
const bool ratios = AddBenchRatio("mapped stream / C stdio, line reading",
                                  "BM_MappedStreamReadLine", "BM_PlainBufferedReader") &&
                    AddBenchRatio("buffered stream / C stdio, line reading",
                                  "BM_BufferedStreamReadLine", "BM_PlainBufferedReader");
} // namespace
