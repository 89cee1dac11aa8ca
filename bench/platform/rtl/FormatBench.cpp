// Number text is on every writer's hot path (one value per field and record).
// Each conversion runs beside the standard library's locale-free conversion
// of the same values (std::to_chars, std::from_chars): the floor any
// formatter can reach. The ratios are printed at the end (main in
// ListsBench.cpp).
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"

#include <benchmark/benchmark.h>

#include <charconv>
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

void BM_FloatToChars(benchmark::State& state) {
  const std::vector<double> values = sampleValues();
  std::size_t i = 0;
  char buffer[32];
  for (auto _ : state) {
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, values[i++ & 255]);
    benchmark::DoNotOptimize(std::string(buffer, r.ptr));
  }
}
BENCHMARK(BM_FloatToChars);

void BM_FormatFixed(benchmark::State& state) {
  const std::vector<double> values = sampleValues();
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(Format("%12.6f", {values[i++ & 255]}));
}
BENCHMARK(BM_FormatFixed);

void BM_ToCharsFixed(benchmark::State& state) {
  const std::vector<double> values = sampleValues();
  std::size_t i = 0;
  char buffer[32];
  for (auto _ : state) {
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, values[i++ & 255],
                                 std::chars_format::fixed, 6);
    std::string text(buffer, r.ptr);
    if (text.size() < 12) text.insert(0, 12 - text.size(), ' ');
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ToCharsFixed);

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

void BM_FromChars(benchmark::State& state) {
  std::vector<std::string> texts;
  for (const double v : sampleValues())
    texts.push_back(FloatToStr(v));
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& text = texts[i++ & 255];
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_FromChars);

void BM_FormatDateTime(benchmark::State& state) {
  const TDateTime t = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 500);
  for (auto _ : state)
    benchmark::DoNotOptimize(FormatDateTime("yyyymmdd hh:nn:ss.zzz", t));
}
BENCHMARK(BM_FormatDateTime);

// The same text put together from the fields with std::to_chars.
void BM_DateTimeToChars(benchmark::State& state) {
  const TDateTime t = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 500);
  for (auto _ : state) {
    Word year, month, day, hour, minute, second, ms;
    DecodeDate(t, year, month, day);
    DecodeTime(t, hour, minute, second, ms);
    char buffer[32];
    char* p = buffer;
    auto put = [&p](unsigned v, int width) {
      char digits[8];
      const auto r = std::to_chars(digits, digits + sizeof digits, v);
      for (int pad = width - int(r.ptr - digits); pad > 0; --pad)
        *p++ = '0';
      for (const char* d = digits; d != r.ptr; ++d)
        *p++ = *d;
    };
    put(year, 4), put(month, 2), put(day, 2), *p++ = ' ';
    put(hour, 2), *p++ = ':', put(minute, 2), *p++ = ':', put(second, 2), *p++ = '.', put(ms, 3);
    benchmark::DoNotOptimize(std::string(buffer, p));
  }
}
BENCHMARK(BM_DateTimeToChars);

} // namespace
