// Line reading: the mapped and the buffered stream (each line into one
// string the loop reuses) beside what C code uses
// over the same file, getline(3) and fgets(3) (each line with its CR
// dropped); the ratios printed are each stream's time over getline's (the
// goal is at most 1.2), on a 16 MB and a 256 MB file.

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>

#include "bench/support/RatioReporter.h"
#include "gis/core/GisKernel.h"
#include "gis/core/GisMappedFiles.h"
#include "platform/rtl/Strings.h"

namespace {

std::string PidText() {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long>(getpid()));
  return std::string(buf, r.ptr);
}

// About `megabytes` MB of text lines of 10 to 120 characters.
const std::string& TextFile(int megabytes) {
  static std::string paths[2];
  std::string& path = paths[megabytes > 16 ? 1 : 0];
  if (path.empty()) {
    path = "/tmp/bench_lines_" + PidText() + "_" + IntToStr(megabytes) + ".txt";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> len(10, 120), ch('a', 'z');
    size_t total = 0;
    while (total < (size_t(megabytes) << 20)) {
      std::string line(static_cast<size_t>(len(rng)), ' ');
      for (char& c : line)
        c = static_cast<char>(ch(rng));
      line += "\r\n";
      std::fwrite(line.data(), 1, line.size(), f);
      total += line.size();
    }
    std::fclose(f);
    static bool removal = false;
    if (!removal)
      std::atexit([] {
        for (const std::string& p : paths)
          if (!p.empty()) std::remove(p.c_str());
      });
    removal = true;
  }
  return path;
}

template <typename Stream> void ReadLines(benchmark::State& state) {
  GisKernelInit();
  const std::string& path = TextFile(int(state.range(0)));
  size_t bytes = 0;
  for (auto _ : state) {
    Stream s(path, false);
    size_t lines = 0;
    std::string line; // one buffer for every line, as getline's
    while (!s.Eof()) {
      s.ReadLine(line);
      bytes += line.size() + 2;
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

// The length of a line read with its end: LF and a CR before it dropped.
size_t LineLength(const char* line, size_t length) {
  if (length > 0 && line[length - 1] == '\n') --length;
  if (length > 0 && line[length - 1] == '\r') --length;
  return length;
}

// The baseline: getline(3) into one growing buffer, the trailing CR dropped
// (LF ends a line).
void BM_GetlineReadLine(benchmark::State& state) {
  const std::string& path = TextFile(int(state.range(0)));
  size_t bytes = 0;
  char* buffer = nullptr;
  size_t capacity = 0;
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    size_t lines = 0;
    for (ssize_t n; (n = getline(&buffer, &capacity, f)) > 0;) {
      bytes += LineLength(buffer, size_t(n)) + 2;
      ++lines;
      benchmark::DoNotOptimize(buffer);
    }
    std::fclose(f);
    benchmark::DoNotOptimize(lines);
  }
  std::free(buffer);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

// fgets(3) into a buffer longer than any line of the file.
void BM_FgetsReadLine(benchmark::State& state) {
  const std::string& path = TextFile(int(state.range(0)));
  size_t bytes = 0;
  char buffer[4096];
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    size_t lines = 0;
    while (std::fgets(buffer, sizeof buffer, f) != nullptr) {
      bytes += LineLength(buffer, std::strlen(buffer)) + 2;
      ++lines;
      benchmark::DoNotOptimize(buffer);
    }
    std::fclose(f);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

} // namespace

BENCHMARK(BM_MappedStreamReadLine)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BufferedStreamReadLine)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetlineReadLine)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FgetsReadLine)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);

namespace {
const bool ratios =
    AddBenchRatio("mapped stream / getline, line reading 16 MB (goal <= 1.2)",
                  "BM_MappedStreamReadLine/16", "BM_GetlineReadLine/16") &&
    AddBenchRatio("buffered stream / getline, line reading 16 MB (goal <= 1.2)",
                  "BM_BufferedStreamReadLine/16", "BM_GetlineReadLine/16") &&
    AddBenchRatio("mapped stream / getline, line reading 256 MB (goal <= 1.2)",
                  "BM_MappedStreamReadLine/256", "BM_GetlineReadLine/256") &&
    AddBenchRatio("buffered stream / getline, line reading 256 MB (goal <= 1.2)",
                  "BM_BufferedStreamReadLine/256", "BM_GetlineReadLine/256") &&
    AddBenchRatio("mapped stream / fgets, line reading 16 MB", "BM_MappedStreamReadLine/16",
                  "BM_FgetsReadLine/16") &&
    AddBenchRatio("buffered stream / fgets, line reading 16 MB", "BM_BufferedStreamReadLine/16",
                  "BM_FgetsReadLine/16");
} // namespace
