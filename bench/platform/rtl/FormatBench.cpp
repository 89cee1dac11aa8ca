// Number text is on every writer's hot path (one value per field and record).
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<double> sampleValues() {
  std::vector<double> values;
  double v = 0.000123456789;
  for (int i = 0; i < 256; ++i) {
    values.push_back(i % 2 ? v : -v);
    v *= 1.37;
  }
  return values;
}

void BM_FloatToStr(benchmark::State& state) {
  const std::vector<double> values = sampleValues();
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(FloatToStr(values[i++ & 255]));
}
BENCHMARK(BM_FloatToStr);

void BM_FormatFixed(benchmark::State& state) {
  const std::vector<double> values = sampleValues();
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(Format("%12.6f", {values[i++ & 255]}));
}
BENCHMARK(BM_FormatFixed);

void BM_FormatMixed(benchmark::State& state) {
  const std::string name = "ROADS";
  for (auto _ : state)
    benchmark::DoNotOptimize(Format("%s;%d;%.2x;%e", {name, 42, 255, 1.5}));
}
BENCHMARK(BM_FormatMixed);

void BM_FormatFloatPicture(benchmark::State& state) {
  const std::vector<double> values = sampleValues();
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(FormatFloat("#,##0.00###", values[i++ & 255]));
}
BENCHMARK(BM_FormatFloatPicture);

void BM_StrToFloat(benchmark::State& state) {
  std::vector<std::string> texts;
  for (const double v : sampleValues())
    texts.push_back(FloatToStr(v));
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(StrToFloat(texts[i++ & 255]));
}
BENCHMARK(BM_StrToFloat);

void BM_FormatDateTime(benchmark::State& state) {
  const TDateTime t = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 500);
  for (auto _ : state)
    benchmark::DoNotOptimize(FormatDateTime("yyyymmdd hh:nn:ss.zzz", t));
}
BENCHMARK(BM_FormatDateTime);

} // namespace
