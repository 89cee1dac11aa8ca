// dBASE tables: 1M records of C(20), N(10,0), N(12,3), F(20,5), L and D.
// Writing through SetField + AppendRecord on one work shape beside the same
// bytes rendered with to_chars into a plain stream; reading every field in
// order and 100k random fields beside the same reads of the same fields
// done plainly from the file (buffered stdio in order, pread at random,
// numbers parsed with from_chars). Each benchmark times both in the same run and reports records
// per second and the ratio ours / plain.
#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "gis/core/GisFileDBF.h"
#include "gis/core/GisKernel.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/DateTime.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kRandomReads = 100000;

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::string PathOf(const char* name) {
  char pid[16];
  auto r = std::to_chars(pid, pid + sizeof pid, static_cast<long>(getpid()));
  return "/tmp/" + std::string(name) + std::string(pid, r.ptr) + ".dbf";
}

void AddFields(TGIS_LayerVector& l) {
  l.AddField("NAME", gisFieldTypeString, 20, 0);
  l.AddField("COUNT", gisFieldTypeNumber, 10, 0);
  l.AddField("AMOUNT", gisFieldTypeNumber, 12, 3);
  l.AddField("VALUE", gisFieldTypeFloat, 20, 5);
  l.AddField("OK", gisFieldTypeBoolean, 1, 0);
  l.AddField("DAY", gisFieldTypeDate, 8, 0);
  l.PrepareExportNames(10, true);
}

/// Ours: one work shape, six SetField calls and AppendRecord per record.
void WriteOurs(const std::string& path) {
  TGIS_LayerVector layer;
  layer.Open();
  AddFields(layer);
  TGIS_Shape* shape = layer.CreateShape(gisShapeTypePoint);
  const TDateTime day = EncodeDate(2024, 2, 29);
  TGIS_FileDBF dbf(path, nullptr, nullptr, true, layer);
  dbf.WriteHeader();
  dbf.WriteStructure();
  dbf.WriteHeader();
  for (int i = 0; i < kRecords; ++i) {
    shape->SetField("NAME", "name");
    shape->SetField("COUNT", i);
    shape->SetField("AMOUNT", i * 0.25);
    shape->SetField("VALUE", i * 1.5);
    shape->SetField("OK", (i & 1) != 0);
    shape->SetField("DAY", Variant::FromDate(day));
    dbf.AppendRecord(shape);
  }
  dbf.WriteHeader();
}

/// The floor: the same record text rendered with to_chars into a stream.
void WritePlain(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  std::string record(1 + 20 + 10 + 12 + 20 + 1 + 8, ' ');
  char buf[32];
  for (int i = 0; i < kRecords; ++i) {
    std::fill(record.begin(), record.end(), ' ');
    record.replace(1, 4, "name");
    auto r = std::to_chars(buf, buf + 32, i);
    record.replace(31 - (r.ptr - buf), std::size_t(r.ptr - buf), buf, std::size_t(r.ptr - buf));
    r = std::to_chars(buf, buf + 32, i * 0.25, std::chars_format::fixed, 3);
    record.replace(43 - (r.ptr - buf), std::size_t(r.ptr - buf), buf, std::size_t(r.ptr - buf));
    r = std::to_chars(buf, buf + 32, i * 1.5, std::chars_format::scientific, 13);
    record.replace(43, std::size_t(r.ptr - buf), buf, std::size_t(r.ptr - buf));
    record[63] = (i & 1) != 0 ? 'Y' : 'N';
    record.replace(64, 8, "20240229");
    out.write(record.data(), std::streamsize(record.size()));
  }
}

void BM_DbfWrite(benchmark::State& state) {
  GisKernelInit();
  const std::string ours = PathOf("dbf_ours"), plain = PathOf("dbf_plain");
  double tOurs = 0, tPlain = 0;
  for (auto _ : state) {
    auto a = Clock::now();
    WriteOurs(ours);
    auto b = Clock::now();
    WritePlain(plain);
    auto c = Clock::now();
    tOurs += Seconds(a, b);
    tPlain += Seconds(b, c);
  }
  const double n = double(state.iterations()) * kRecords;
  state.counters["ours_rec_per_s"] = n / tOurs;
  state.counters["plain_rec_per_s"] = n / tPlain;
  state.counters["ours_over_plain"] = tOurs / tPlain;
  std::remove(plain.c_str());
}

void BM_DbfRead(benchmark::State& state) {
  GisKernelInit();
  const std::string path = PathOf("dbf_ours");
  WriteOurs(path);
  double tAll = 0, tRandom = 0, tPlainAll = 0, tPlainRandom = 0;
  std::mt19937 rng(1);
  for (auto _ : state) {
    TGIS_LayerVector layer;
    TGIS_FileDBF dbf(path, nullptr, nullptr, false, layer);
    const int fields = layer.FieldCount();
    auto a = Clock::now();
    double sum = 0;
    for (std::uint32_t r = 1; r <= dbf.RecordCount(); ++r)
      for (int f = 0; f < fields; ++f) {
        const Variant v = dbf.GetField(r, f);
        if (f == 1) sum += v.AsDouble();
      }
    auto b = Clock::now();
    const std::mt19937 randomStart = rng;
    for (int k = 0; k < kRandomReads; ++k) {
      const std::uint32_t r = 1 + rng() % kRecords;
      const int f = int(rng() % fields);
      benchmark::DoNotOptimize(dbf.GetField(r, f));
    }
    auto c = Clock::now();
    // The floor: the same reads from the file: every field of every record
    // in order (one buffered read of the file, text fields trimmed, numbers
    // parsed with from_chars, the logical and the date decoded), then the
    // same random fields, each record read with pread.
    const std::size_t header = std::size_t(32 + 32 * fields + 1), length = 72;
    static constexpr std::size_t kAt[6] = {1, 21, 31, 43, 63, 64};
    static constexpr std::size_t kWidth[6] = {20, 10, 12, 20, 1, 8};
    double plainSum = 0;
    std::size_t plainText = 0;
    auto number = [](const char* p, std::size_t width) {
      const char* e = p + width;
      while (p < e && *p == ' ')
        ++p;
      double v = 0;
      std::from_chars(p, e, v);
      return v;
    };
    auto parseField = [&](const char* record, int f) {
      const char* p = record + kAt[f];
      switch (f) {
      case 0: {
        std::size_t n = kWidth[0];
        while (n > 0 && p[n - 1] == ' ')
          --n;
        const std::string text(p, n);
        plainText += text.size();
        return 0.0;
      }
      case 4:
        return *p == 'Y' || *p == 'y' || *p == 'T' || *p == 't' ? 1.0 : 0.0;
      case 5: {
        int day = 0;
        std::from_chars(p, p + 8, day);
        return double(day);
      }
      default:
        return number(p, kWidth[f]);
      }
    };
    std::mt19937 plainRng = randomStart;
    auto d = Clock::now();
    {
      std::FILE* in = std::fopen(path.c_str(), "rb");
      std::vector<char> record(length);
      std::fseek(in, long(header), SEEK_SET);
      for (std::size_t r = 0; r < std::size_t(kRecords); ++r) {
        if (std::fread(record.data(), 1, length, in) != length) break;
        for (int f = 0; f < fields; ++f) {
          const double v = parseField(record.data(), f);
          if (f == 1) plainSum += v;
        }
      }
      std::fclose(in);
    }
    auto e = Clock::now();
    {
      const int fd = ::open(path.c_str(), O_RDONLY);
      char record[72];
      for (int k = 0; k < kRandomReads; ++k) {
        const std::size_t r = plainRng() % kRecords;
        const int f = int(plainRng() % fields);
        if (::pread(fd, record, length, off_t(header + r * length)) == ssize_t(length))
          plainSum += parseField(record, f);
      }
      ::close(fd);
    }
    auto f = Clock::now();
    benchmark::DoNotOptimize(plainText);
    benchmark::DoNotOptimize(sum + plainSum);
    tAll += Seconds(a, b);
    tRandom += Seconds(b, c);
    tPlainAll += Seconds(d, e);
    tPlainRandom += Seconds(e, f);
  }
  const double it = double(state.iterations());
  state.counters["ours_rec_per_s"] = it * kRecords / tAll;
  state.counters["plain_rec_per_s"] = it * kRecords / tPlainAll;
  state.counters["all_ours_over_plain"] = tAll / tPlainAll;
  state.counters["random_ours_over_plain"] = tRandom / tPlainRandom;
  std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_DbfWrite)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DbfRead)->Unit(benchmark::kMillisecond)->Iterations(1);
