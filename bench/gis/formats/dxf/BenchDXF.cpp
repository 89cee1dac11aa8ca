// Reading an ASCII DXF drawing beside GDAL's OGR C API on the same file: ours
// opens without a viewer and walks the shapes summing vertices, coordinates
// and the drawing-layer names' lengths; GDAL does the same through
// GDALOpenEx, OGR_L_GetNextFeature and OGR_G_GetPoint. The drawing (about
// 100 MB, seeded) holds 200k LWPOLYLINEs of 20 vertices, 200k LINEs, 50k
// TEXTs, 20k CIRCLEs and 1k INSERTs of 10-entity blocks. The coordinate sums
// of the LINEs and LWPOLYLINEs (drawing layer "lines") must agree to 1e-9.
//
// SK_DXF_BENCH_SMOKE=1 shrinks the drawing to 1% (CI runs it so).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include <gdal/gdal.h>
#include <gdal/ogr_api.h>

#include "bench/support/RatioReporter.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerDXF.h"
#include "platform/rtl/Strings.h"

namespace {

struct TDxfBenchData {
  std::string Path;
  double Bytes = 0;
};

int Scaled(int n) {
  const char* smoke = std::getenv("SK_DXF_BENCH_SMOKE");
  return smoke != nullptr && *smoke == '1' ? std::max(1, n / 100) : n;
}

void MakeDrawing(const std::string& path) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> d(-1e5, 1e5), small(-50, 50);
  std::string out;
  auto g = [&](const char* code, const std::string& value) {
    out += code;
    out += '\n';
    out += value;
    out += '\n';
  };
  // Millimetre coordinates keep the drawing near 100 MB.
  auto n = [&](const char* code, double v) { g(code, GisFloatToStr(std::round(v * 1000) / 1000)); };
  FILE* f = std::fopen(path.c_str(), "wb");
  auto flush = [&] {
    std::fwrite(out.data(), 1, out.size(), f);
    out.clear();
  };
  g("  0", "SECTION"), g("  2", "HEADER"), g("  9", "$ACADVER"), g("  1", "AC1015");
  g("  0", "ENDSEC");
  g("  0", "SECTION"), g("  2", "BLOCKS");
  for (int b = 0; b < 10; ++b) {
    g("  0", "BLOCK"), g("  8", "blocks"), g("  2", "B" + IntToStr(b)), g(" 70", "0");
    n(" 10", 0), n(" 20", 0), n(" 30", 0), g("  3", "B" + IntToStr(b));
    for (int e = 0; e < 10; ++e) {
      g("  0", "LINE"), g("  8", "blocks");
      n(" 10", small(rng)), n(" 20", small(rng)), n(" 30", 0);
      n(" 11", small(rng)), n(" 21", small(rng)), n(" 31", 0);
    }
    g("  0", "ENDBLK"), g("  8", "blocks");
  }
  g("  0", "ENDSEC");
  g("  0", "SECTION"), g("  2", "ENTITIES");
  for (int i = 0; i < Scaled(200000); ++i) {
    g("  0", "LWPOLYLINE"), g("  5", IntToStr(i + 100)), g("  8", "lines"), g(" 90", "20"),
        g(" 70", "0");
    const double x = d(rng), y = d(rng);
    for (int k = 0; k < 20; ++k)
      n(" 10", x + k), n(" 20", y + small(rng));
    if (i % 64 == 0) flush();
  }
  for (int i = 0; i < Scaled(200000); ++i) {
    g("  0", "LINE"), g("  8", "lines");
    n(" 10", d(rng)), n(" 20", d(rng)), n(" 30", 0), n(" 11", d(rng)), n(" 21", d(rng)),
        n(" 31", 0);
    if (i % 64 == 0) flush();
  }
  for (int i = 0; i < Scaled(50000); ++i) {
    g("  0", "TEXT"), g("  8", "texts"), n(" 10", d(rng)), n(" 20", d(rng)), n(" 30", 0);
    n(" 40", 2.5), g("  1", "label " + IntToStr(i));
  }
  for (int i = 0; i < Scaled(20000); ++i) {
    g("  0", "CIRCLE"), g("  8", "circles"), n(" 10", d(rng)), n(" 20", d(rng)), n(" 30", 0);
    n(" 40", 1 + std::fabs(small(rng)));
  }
  for (int i = 0; i < Scaled(1000); ++i) {
    g("  0", "INSERT"), g("  8", "blocks"), g("  2", "B" + IntToStr(i % 10));
    n(" 10", d(rng)), n(" 20", d(rng)), n(" 30", 0), n(" 50", double(i % 360));
  }
  g("  0", "ENDSEC"), g("  0", "EOF");
  flush();
  std::fclose(f);
}

const TDxfBenchData& Data() {
  static const TDxfBenchData data = [] {
    GisKernelInit();
    GDALAllRegister();
    TDxfBenchData d;
    const auto folder = std::filesystem::temp_directory_path() / "sk-bench-dxf";
    std::filesystem::create_directories(folder);
    d.Path = (folder / (Scaled(100) == 1 ? "smoke-mm.dxf" : "drawing-mm.dxf")).string();
    if (!std::filesystem::exists(d.Path)) MakeDrawing(d.Path);
    d.Bytes = double(std::filesystem::file_size(d.Path));
    return d;
  }();
  return data;
}

struct TSums {
  double All = 0;   // every coordinate and every layer name's length
  double Lines = 0; // the coordinates of the "lines" drawing layer
};

TSums ReadOurs(const std::string& path) {
  TGIS_LayerDXF layer;
  layer.SetPath(path);
  layer.Open();
  TSums sums;
  for (layer.MoveFirst(GisWholeWorldExtent()); !layer.Eof(); layer.MoveNext()) {
    TGIS_Shape* s = layer.GetCurrentShape();
    const std::string name = s->GetField("DXF_LAYER").AsString();
    const bool lines = name == "lines";
    double sum = double(name.size());
    for (int p = 0; p < s->GetNumParts(); ++p)
      for (int i = 0; i < s->GetPartSize(p); ++i) {
        const TGIS_Point pt = s->GetPoint(p, i);
        sum += pt.X + pt.Y;
        if (lines) sums.Lines += pt.X + pt.Y;
      }
    sums.All += sum;
  }
  return sums;
}

double SumOgr(OGRGeometryH g) {
  double sum = 0;
  const int n = OGR_G_GetGeometryCount(g);
  for (int i = 0; i < n; ++i)
    sum += SumOgr(OGR_G_GetGeometryRef(g, i));
  const int points = n > 0 ? 0 : OGR_G_GetPointCount(g);
  for (int i = 0; i < points; ++i) {
    double x = 0, y = 0, z = 0;
    OGR_G_GetPoint(g, i, &x, &y, &z);
    sum += x + y;
  }
  return sum;
}

TSums ReadGdal(const std::string& path) {
  TSums sums;
  GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  if (ds == nullptr) return sums;
  OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
  const int field = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer), "Layer");
  OGR_L_ResetReading(layer);
  while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
    const std::string name = field >= 0 ? OGR_F_GetFieldAsString(f, field) : "";
    double sum = double(name.size());
    if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
      const double c = SumOgr(g);
      sum += c;
      if (name == "lines") sums.Lines += c;
    }
    sums.All += sum;
    OGR_F_Destroy(f);
  }
  GDALClose(ds);
  return sums;
}

void Gate(benchmark::State& state) {
  static int checked = 0; // 1 agreed, -1 differed
  if (checked == 0) {
    const TSums ours = ReadOurs(Data().Path), gdal = ReadGdal(Data().Path);
    checked = std::fabs(ours.Lines - gdal.Lines) <=
                      1e-9 * std::max(std::fabs(ours.Lines), std::fabs(gdal.Lines))
                  ? 1
                  : -1;
    if (checked < 0)
      std::fprintf(stderr, "line sums differ: ours %.17g, GDAL %.17g\n", ours.Lines, gdal.Lines);
  }
  if (checked < 0) state.SkipWithError("checksums differ");
}

void SetDxfCounters(benchmark::State& state) {
  state.counters["MB/s"] = benchmark::Counter(Data().Bytes / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ReadDxf_Ours(benchmark::State& state) {
  Gate(state);
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadOurs(Data().Path).All);
  SetDxfCounters(state);
}

void BM_ReadDxf_Gdal(benchmark::State& state) {
  Gate(state);
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadGdal(Data().Path).All);
  SetDxfCounters(state);
}

BENCHMARK(BM_ReadDxf_Ours)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_ReadDxf_Gdal)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
  Data();
  return RunBenchmarksWithRatios(argc, argv,
                                 {{"DXF drawing, open and full pass",
                                   "BM_ReadDxf_Ours/iterations:1/repeats:5/real_time",
                                   "BM_ReadDxf_Gdal/iterations:1/repeats:5/real_time"}});
}
