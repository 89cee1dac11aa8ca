// Reading GML 2 beside GDAL's OGR C API on the same file: a deterministic
// document of 200k LineString features of 20 points with 5 properties (about
// 100 MB; SK_GML_BENCH_FEATURES sets another count, CI's smoke run takes 1%).
// Both sides open the file and walk every feature summing the vertices'
// coordinates, the vertex count and one field; GDAL's warm-up open writes
// its .gfs first, so both sides run warm. Equal checksums gate the ratio.
#include <benchmark/benchmark.h>

#include <gdal/gdal.h>
#include <gdal/ogr_api.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "bench/support/RatioReporter.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerGML.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

int Features() {
  const char* n = std::getenv("SK_GML_BENCH_FEATURES");
  Integer v = 0;
  return n != nullptr && TryStrToInt(n, v) && v > 0 ? int(v) : 200000;
}

struct TSums {
  double Coordinates = 0;
  long long Vertices = 0;
  double Field = 0;
};

bool Same(const TSums& a, const TSums& b) {
  return a.Vertices == b.Vertices &&
         std::fabs(a.Coordinates - b.Coordinates) <= 1e-9 * std::fabs(b.Coordinates) &&
         std::fabs(a.Field - b.Field) <= 1e-9 * std::fabs(b.Field);
}

/// The document, written once per run into a temporary folder.
const std::string& Path() {
  static const std::string path = [] {
    const char* base = std::getenv("TMPDIR");
    const std::string folder = std::string(base && *base ? base : "/tmp") + "/sk-bench-gml";
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/lines.gml";
    std::filesystem::remove(folder + "/lines.gfs"); // GDAL's description of an older file
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> d(-10000000, 10000000);
    std::string text =
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<ogr:FeatureCollection "
        "xmlns:ogr=\"http://ogr.maptools.org/\" xmlns:gml=\"http://www.opengis.net/gml\">\n";
    const int n = Features();
    for (int i = 0; i < n; ++i) {
      text += "  <gml:featureMember>\n    <ogr:lines fid=\"lines." + IntToStr(i) +
              "\">\n      <ogr:geometryProperty><gml:LineString><gml:coordinates>";
      for (int k = 0; k < 20; ++k)
        text += (k ? " " : "") + GisFloatToStr(d(rng) / 1000.0) + "," +
                GisFloatToStr(d(rng) / 1000.0);
      text += "</gml:coordinates></gml:LineString></ogr:geometryProperty>\n      <ogr:id>" +
              IntToStr(i) + "</ogr:id>\n      <ogr:name>road " + IntToStr(i % 977) +
              "</ogr:name>\n      <ogr:kind>k" + IntToStr(i % 7) +
              "</ogr:kind>\n      <ogr:len>" + GisFloatToStr(d(rng) / 100.0) +
              "</ogr:len>\n      <ogr:note>n</ogr:note>\n    </ogr:lines>\n  </gml:featureMember>\n";
      if (text.size() > (1u << 20)) {
        std::fwrite(text.data(), 1, text.size(), f);
        text.clear();
      }
    }
    text += "</ogr:FeatureCollection>\n";
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return file;
  }();
  return path;
}

TSums ReadOurs() {
  TGIS_LayerGML layer;
  layer.SetPath(Path());
  layer.Open();
  TSums s;
  layer.MoveFirst(GisWholeWorldExtent());
  while (!layer.Eof()) {
    TGIS_Shape* shape = layer.GetCurrentShape();
    shape->Lock(2);
    for (int p = 0; p < shape->GetNumParts(); ++p)
      for (int i = 0; i < shape->GetPartSize(p); ++i) {
        const TGIS_Point pt = shape->GetPoint(p, i);
        s.Coordinates += pt.X + pt.Y;
        ++s.Vertices;
      }
    shape->Unlock();
    s.Field += GisStrToFloat(shape->GetField("len").AsString());
    layer.MoveNext();
  }
  return s;
}

void SumGeometry(OGRGeometryH g, TSums& s) {
  const int parts = OGR_G_GetGeometryCount(g);
  if (parts > 0) {
    for (int i = 0; i < parts; ++i)
      SumGeometry(OGR_G_GetGeometryRef(g, i), s);
    return;
  }
  for (int i = 0; i < OGR_G_GetPointCount(g); ++i) {
    double x = 0, y = 0, z = 0;
    OGR_G_GetPoint(g, i, &x, &y, &z);
    s.Coordinates += x + y;
    ++s.Vertices;
  }
}

TSums ReadGdal() {
  GDALDatasetH ds = GDALOpenEx(Path().c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
  const int len = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer), "len");
  TSums s;
  OGR_L_ResetReading(layer);
  while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
    if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) SumGeometry(g, s);
    s.Field += OGR_F_GetFieldAsDouble(f, len);
    OGR_F_Destroy(f);
  }
  GDALClose(ds);
  return s;
}

void Counters(benchmark::State& state) {
  const double mb = double(std::filesystem::file_size(Path())) / 1e6;
  state.counters["MB/s"] = benchmark::Counter(mb, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ReadGml_Ours(benchmark::State& state) {
  static const bool same = Same(ReadOurs(), ReadGdal());
  if (!same) state.SkipWithError("checksums differ");
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadOurs().Coordinates);
  Counters(state);
}

void BM_ReadGml_Gdal(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadGdal().Coordinates);
  Counters(state);
}

BENCHMARK(BM_ReadGml_Ours)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_ReadGml_Gdal)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
  GisKernelInit();
  GDALAllRegister();
  ReadGdal(); // the warm-up open writes GDAL's .gfs
  return RunBenchmarksWithRatios(argc, argv,
                                 {{"GML 2 lines, full pass",
                                   "BM_ReadGml_Ours/iterations:1/repeats:5/real_time",
                                   "BM_ReadGml_Gdal/iterations:1/repeats:5/real_time"}});
}
