// Number text is on every writer's hot path (one value per field and record).
// Each conversion runs beside the standard library's locale-free conversion
// of the same values (std::to_chars, std::from_chars): the floor any
// formatter can reach; the mixed format and the float picture beside the
// same text put together with std::to_chars. The ratios are printed at the end (main in
// ListsBench.cpp).
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstring>
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

// The same text put together with std::to_chars: the fields in order, the
// exponent written as the formatter writes it (E, sign, three digits).
std::string MixedToChars(const std::string& name, int count, unsigned hex, double value) {
  char buffer[64];
  std::string text = name;
  text.push_back(';');
  auto r = std::to_chars(buffer, buffer + sizeof buffer, count);
  text.append(buffer, r.ptr);
  text.push_back(';');
  r = std::to_chars(buffer, buffer + sizeof buffer, hex, 16);
  if (r.ptr - buffer < 2) text.push_back('0');
  for (const char* c = buffer; c != r.ptr; ++c)
    text.push_back(*c >= 'a' ? char(*c - 'a' + 'A') : *c);
  text.push_back(';');
  r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  const char* start = buffer;
  const char* stop = r.ptr;
  const char* e = std::find(start, stop, 'e');
  text.append(start, e);
  text.push_back('E');
  text.push_back(e[1]);
  const std::size_t digits = std::size_t(stop - e - 2);
  if (digits < 3) text.append(3 - digits, '0');
  text.append(e + 2, stop);
  return text;
}

void BM_FormatMixedToChars(benchmark::State& state) {
  const std::string name = "ROADS";
  if (MixedToChars(name, 42, 255, 1.5) != Format("%s;%d;%.2x;%e", {name, 42, 255, 1.5}))
    return state.SkipWithError("the floor's text differs from Format's");
  for (auto _ : state)
    benchmark::DoNotOptimize(MixedToChars(name, 42, 255, 1.5));
}
BENCHMARK(BM_FormatMixedToChars);

// The picture "#,##0.00###" put together with std::to_chars: the value's
// 18 significant digits rounded half up to five decimals (as the formatter
// rounds), trailing zeros dropped down to two, the integer digits grouped by
// three.
std::string FloatPictureToChars(double value, char decimal, char thousands) {
  char buffer[40];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 17);
  const char* p = buffer;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[24];
  int count = 0;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), r.ptr, exponent);
  // digits[0..count) times 10^(exponent + 1 - count); keep those down to 1e-5
  int integerDigits = exponent + 1;
  int keep = integerDigits + 5;
  if (keep < count) {
    const bool up = keep >= 0 && digits[keep] >= '5';
    count = std::max(keep, 0);
    int at = count - 1;
    for (; up && at >= 0 && digits[at] == '9'; --at)
      digits[at] = '0';
    if (up && at >= 0) {
      ++digits[at];
    } else if (up) { // carried past the first digit
      std::memmove(digits + 1, digits, std::size_t(count));
      digits[0] = '1';
      ++count, ++integerDigits, ++keep;
    }
  }
  // the digit of 10^k (k >= -5)
  auto digitAt = [&](int k) {
    const int index = integerDigits - 1 - k;
    return index >= 0 && index < count ? digits[index] : '0';
  };
  std::string text;
  const bool nonZero = std::any_of(digits, digits + count, [](char c) { return c != '0'; });
  if (negative && nonZero) text.push_back('-');
  for (int k = std::max(integerDigits - 1, 0); k >= 0; --k) {
    text.push_back(digitAt(k));
    if (k > 0 && k % 3 == 0) text.push_back(thousands);
  }
  text.push_back(decimal);
  int last = -5;
  while (last < -2 && digitAt(last) == '0')
    ++last;
  for (int k = -1; k >= last; --k)
    text.push_back(digitAt(k));
  return text;
}

void BM_FloatPictureToChars(benchmark::State& state) {
  const std::vector<double> values = sampleValues();
  const char decimal = FormatSettings().DecimalSeparator;
  const char thousands = FormatSettings().ThousandSeparator;
  for (const double v : values)
    if (FloatPictureToChars(v, decimal, thousands) != FormatFloat("#,##0.00###", v))
      return state.SkipWithError("the floor's text differs from FormatFloat's");
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(FloatPictureToChars(values[i++ & 255], decimal, thousands));
}
BENCHMARK(BM_FloatPictureToChars);

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
