// Well-known binary of one million seeded shapes (400k points, 300k
// 10-vertex lines of which a third have two parts, 300k polygons of a
// 10-vertex ring and a 6-vertex hole), exported once by ExportToWKB; a sample
// of the exports is read and written back by GEOS and must come back byte for
// byte. Then, on the same buffers:
//   parse:  GisCreateShapeFromWKB beside GEOSWKBReader_read_r, and a floor
//           (header walk and a copy of the coordinates);
//   export: ExportToWKB beside GEOSWKBWriter_write_r of the same shapes.
// Counters: shapes/s, MB/s, peak RSS. SK_WKB_BENCH_SHAPES sets the count.
#include <geos_c.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "bench/support/RatioReporter.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisLayerVector.h"

namespace {

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

std::unique_ptr<TGIS_Shape> Seeded(int i, std::mt19937& rng) {
  std::uniform_real_distribution<double> pos(-1e6, 1e6), step(-500, 500);
  const double x = pos(rng), y = pos(rng);
  const int kind = i % 10;
  if (kind < 4) {
    auto s = std::make_unique<TGIS_ShapePoint>();
    s->AddPoint({x, y});
    return s;
  }
  if (kind < 7) {
    auto s = std::make_unique<TGIS_ShapeArc>();
    const int parts = kind == 6 ? 2 : 1;
    for (int part = 0; part < parts; ++part) {
      s->AddPart();
      for (int v = 0; v < 10 / parts; ++v)
        s->AddPoint({x + step(rng), y + step(rng)});
    }
    return s;
  }
  auto s = std::make_unique<TGIS_ShapePolygon>();
  auto ring = [&](int n, double r, bool reverse) {
    s->AddPart();
    for (int v = 0; v < n; ++v) {
      const double a = (reverse ? -1 : 1) * 2 * 3.141592653589793 * v / n;
      s->AddPoint({x + r * std::cos(a), y + r * std::sin(a)});
    }
  };
  ring(9, 1000, true); // closed: 10 vertices
  ring(5, 300, false); // closed: 6 vertices
  return s;
}

struct TData {
  std::vector<TBytes> Buffers;
  std::size_t Bytes = 0;
  GEOSContextHandle_t Geos = nullptr;
};

TData& Data() {
  static TData data = [] {
    TData d;
    const char* env = std::getenv("SK_WKB_BENCH_SHAPES");
    const int n = env != nullptr ? std::atoi(env) : 1000000;
    std::mt19937 rng(42);
    d.Buffers.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      Seeded(i, rng)->ExportToWKB(d.Buffers[static_cast<std::size_t>(i)]);
      d.Bytes += d.Buffers[static_cast<std::size_t>(i)].size();
    }
    d.Geos = GEOS_init_r();
    // A sample read and written back by GEOS: the same bytes.
    GEOSWKBReader* reader = GEOSWKBReader_create_r(d.Geos);
    GEOSWKBWriter* writer = GEOSWKBWriter_create_r(d.Geos);
    GEOSWKBWriter_setByteOrder_r(d.Geos, writer, GEOS_WKB_NDR);
    for (std::size_t i = 0; i < d.Buffers.size(); i += 997) {
      const TBytes& b = d.Buffers[i];
      GEOSGeometry* g = GEOSWKBReader_read_r(d.Geos, reader, b.data(), b.size());
      std::size_t size = 0;
      unsigned char* out = GEOSWKBWriter_write_r(d.Geos, writer, g, &size);
      if (size != b.size() || std::memcmp(out, b.data(), size) != 0) {
        std::fputs("GEOS writes other bytes than ExportToWKB\n", stderr);
        std::abort();
      }
      GEOSFree_r(d.Geos, out);
      GEOSGeom_destroy_r(d.Geos, g);
    }
    GEOSWKBReader_destroy_r(d.Geos, reader);
    GEOSWKBWriter_destroy_r(d.Geos, writer);
    return d;
  }();
  return data;
}

void Report(benchmark::State& state) {
  const TData& d = Data();
  const double it = double(state.iterations());
  state.counters["shapes_per_s"] =
      benchmark::Counter(double(d.Buffers.size()) * it, benchmark::Counter::kIsRate);
  state.counters["MB_per_s"] =
      benchmark::Counter(double(d.Bytes) * it / 1e6, benchmark::Counter::kIsRate);
  state.counters["peak_rss_mb"] = double(PeakRssKb()) / 1024;
}

void BM_ParseOurs(benchmark::State& state) {
  const TData& d = Data();
  for (auto _ : state)
    for (const TBytes& b : d.Buffers) {
      auto shape = GisCreateShapeFromWKB(b);
      benchmark::DoNotOptimize(shape.get());
    }
  Report(state);
}

void BM_ParseGeos(benchmark::State& state) {
  TData& d = Data();
  GEOSWKBReader* reader = GEOSWKBReader_create_r(d.Geos);
  for (auto _ : state)
    for (const TBytes& b : d.Buffers) {
      GEOSGeometry* g = GEOSWKBReader_read_r(d.Geos, reader, b.data(), b.size());
      benchmark::DoNotOptimize(g);
      GEOSGeom_destroy_r(d.Geos, g);
    }
  GEOSWKBReader_destroy_r(d.Geos, reader);
  Report(state);
}

/// The floor: walk the headers and copy the coordinates into one buffer.
void BM_ParseFloor(benchmark::State& state) {
  const TData& d = Data();
  std::vector<double> coords(1024);
  auto u32 = [](const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  };
  for (auto _ : state)
    for (const TBytes& b : d.Buffers) {
      const std::uint8_t* p = b.data();
      const std::uint32_t type = u32(p + 1);
      std::size_t at = 5, n = 0;
      auto copy = [&](std::size_t count) {
        std::memcpy(coords.data(), p + at, count * 16);
        at += count * 16;
        n += count;
      };
      if (type == 1) {
        copy(1);
      } else if (type == 2) {
        at += 4;
        copy(u32(p + at - 4));
      } else if (type == 5) {
        const std::uint32_t parts = u32(p + at);
        at += 4;
        for (std::uint32_t i = 0; i < parts; ++i) {
          at += 9;
          copy(u32(p + at - 4));
        }
      } else {
        const std::uint32_t rings = u32(p + at);
        at += 4;
        for (std::uint32_t i = 0; i < rings; ++i) {
          at += 4;
          copy(u32(p + at - 4));
        }
      }
      benchmark::DoNotOptimize(coords.data());
      benchmark::DoNotOptimize(n);
    }
  Report(state);
}

// Export: shapes (or GEOS geometries) made from the buffers in chunks outside
// the timing, then written.
constexpr std::size_t kChunk = 20000;

void BM_ExportOurs(benchmark::State& state) {
  const TData& d = Data();
  std::vector<std::unique_ptr<TGIS_Shape>> shapes;
  for (auto _ : state)
    for (std::size_t start = 0; start < d.Buffers.size(); start += kChunk) {
      state.PauseTiming();
      shapes.clear();
      for (std::size_t i = start; i < std::min(start + kChunk, d.Buffers.size()); ++i)
        shapes.push_back(GisCreateShapeFromWKB(d.Buffers[i]));
      state.ResumeTiming();
      for (auto& s : shapes) {
        TBytes out;
        s->ExportToWKB(out);
        benchmark::DoNotOptimize(out.data());
      }
    }
  Report(state);
}

void BM_ExportGeos(benchmark::State& state) {
  TData& d = Data();
  GEOSWKBReader* reader = GEOSWKBReader_create_r(d.Geos);
  GEOSWKBWriter* writer = GEOSWKBWriter_create_r(d.Geos);
  GEOSWKBWriter_setByteOrder_r(d.Geos, writer, GEOS_WKB_NDR);
  std::vector<GEOSGeometry*> geoms;
  auto clear = [&] {
    for (GEOSGeometry* g : geoms)
      GEOSGeom_destroy_r(d.Geos, g);
    geoms.clear();
  };
  for (auto _ : state)
    for (std::size_t start = 0; start < d.Buffers.size(); start += kChunk) {
      state.PauseTiming();
      clear();
      for (std::size_t i = start; i < std::min(start + kChunk, d.Buffers.size()); ++i)
        geoms.push_back(
            GEOSWKBReader_read_r(d.Geos, reader, d.Buffers[i].data(), d.Buffers[i].size()));
      state.ResumeTiming();
      for (GEOSGeometry* g : geoms) {
        std::size_t size = 0;
        unsigned char* out = GEOSWKBWriter_write_r(d.Geos, writer, g, &size);
        benchmark::DoNotOptimize(out);
        GEOSFree_r(d.Geos, out);
      }
    }
  clear();
  GEOSWKBReader_destroy_r(d.Geos, reader);
  GEOSWKBWriter_destroy_r(d.Geos, writer);
  Report(state);
}

} // namespace

BENCHMARK(BM_ParseFloor)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ParseGeos)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ParseOurs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportGeos)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportOurs)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
  return RunBenchmarksWithRatios(
      argc, argv,
      {{"parse against GEOS", "BM_ParseOurs/iterations:3", "BM_ParseGeos/iterations:3"},
       {"parse against the floor", "BM_ParseOurs/iterations:3", "BM_ParseFloor/iterations:3"},
       {"export against GEOS", "BM_ExportOurs/iterations:3", "BM_ExportGeos/iterations:3"}});
}
