// Reading shapefiles beside GDAL's OGR C API on the same files: a full pass
// summing every vertex and reading every field, and random access by UID,
// with and without the index file; saving is timed on its own. The files are
// made once by our writer (seeded): 1M points with a number, a float and a
// text field, and 100k polygons of about 40 vertices, a tenth with a hole.
// Equal checksums gate the comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gdal/gdal.h>
#include <gdal/ogr_api.h>
#include <sys/resource.h>

#include "bench/support/RatioReporter.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerSHP.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr int POINTS = 1000000;
constexpr int POLYGONS = 100000;

struct TData {
  std::string Folder;
  std::string Points, Polygons, PointsNoIndex;
};

void MakePoints(const std::string& path) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> d(-1e5, 1e5);
  TGIS_LayerVector source;
  source.Open();
  source.AddField("ID", gisFieldTypeNumber, 10, 0);
  source.AddField("VAL", gisFieldTypeFloat, 20, 5);
  source.AddField("NAME", gisFieldTypeString, 16, 0);
  for (int i = 0; i < POINTS; ++i) {
    TGIS_Shape* s = source.CreateShape(gisShapeTypePoint);
    s->Lock(2);
    s->AddPoint({d(rng), d(rng)});
    s->Unlock();
    s->SetField("ID", i);
    s->SetField("VAL", double(int(rng() % 100000)) / 16);
    s->SetField("NAME", "name" + IntToStr(int(rng() % 100000)));
  }
  TGIS_LayerSHP out;
  out.SetPath(path);
  out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void MakePolygons(const std::string& path) {
  std::mt19937 rng(2);
  std::uniform_real_distribution<double> d(-1e5, 1e5);
  TGIS_LayerVector source;
  source.Open();
  source.AddField("ID", gisFieldTypeNumber, 10, 0);
  source.AddField("KIND", gisFieldTypeString, 8, 0);
  for (int i = 0; i < POLYGONS; ++i) {
    TGIS_Shape* s = source.CreateShape(gisShapeTypePolygon);
    s->Lock(2);
    const double cx = d(rng), cy = d(rng), r = 50 + rng() % 50;
    const int n = 35 + int(rng() % 10);
    s->AddPart();
    for (int k = 0; k <= n; ++k) { // clockwise
      const double a = -2 * M_PI * (k % n) / n;
      s->AddPoint({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    if (i % 10 == 0) {
      s->AddPart();
      for (int k = 0; k <= 4; ++k) {
        const double a = 2 * M_PI * (k % 4) / 4;
        s->AddPoint({cx + 10 * std::cos(a), cy + 10 * std::sin(a)});
      }
    }
    s->Unlock();
    s->SetField("ID", i);
    s->SetField("KIND", i % 10 == 0 ? "holed" : "plain");
  }
  TGIS_LayerSHP out;
  out.SetPath(path);
  out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

const TData& Data() {
  static const TData data = [] {
    GisKernelInit();
    GDALAllRegister();
    TData d;
    d.Folder = (std::filesystem::temp_directory_path() / "sk-bench-formats").string();
    std::filesystem::create_directories(d.Folder);
    d.Points = d.Folder + "/points.shp";
    d.Polygons = d.Folder + "/polygons.shp";
    d.PointsNoIndex = d.Folder + "/noindex.shp";
    if (!std::filesystem::exists(d.Points)) MakePoints(d.Points);
    if (!std::filesystem::exists(d.Polygons)) MakePolygons(d.Polygons);
    for (const char* ext : {".shp", ".dbf"})
      std::filesystem::copy_file(d.Folder + "/points" + ext, d.Folder + "/noindex" + ext,
                                 std::filesystem::copy_options::overwrite_existing);
    return d;
  }();
  return data;
}

/// Open, then every vertex and every field of every shape.
double ReadOurs(const std::string& path) {
  TGIS_LayerSHP layer;
  layer.SetPath(path);
  layer.Open();
  double sum = 0;
  const int fields = layer.FieldCount();
  for (layer.MoveFirst(GisWholeWorldExtent()); !layer.Eof(); layer.MoveNext()) {
    TGIS_Shape* s = layer.GetCurrentShape();
    const int parts = s->GetNumParts();
    for (int p = 0; p < parts; ++p)
      for (int i = 0, n = s->GetPartSize(p); i < n; ++i) {
        const TGIS_Point pt = s->GetPoint(p, i);
        sum += pt.X + pt.Y;
      }
    for (int f = 0; f < fields; ++f) {
      const TGIS_FieldInfo& info = *layer.GetFieldInfo(f);
      const Variant v = s->GetField(info.NewName);
      sum += info.FieldType == gisFieldTypeString ? double(v.AsString().size()) : v.AsDouble();
    }
  }
  return sum;
}

double SumGeometry(OGRGeometryH g) {
  double sum = 0;
  const int n = OGR_G_GetGeometryCount(g);
  if (n > 0) {
    for (int i = 0; i < n; ++i)
      sum += SumGeometry(OGR_G_GetGeometryRef(g, i));
    return sum;
  }
  const int points = OGR_G_GetPointCount(g);
  for (int i = 0; i < points; ++i)
    sum += OGR_G_GetX(g, i) + OGR_G_GetY(g, i);
  return sum;
}

double ReadGdal(const std::string& path) {
  GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  if (ds == nullptr) return -1;
  OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
  OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
  const int fields = OGR_FD_GetFieldCount(defn);
  double sum = 0;
  OGR_L_ResetReading(layer);
  while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
    if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) sum += SumGeometry(g);
    for (int i = 0; i < fields; ++i) {
      if (OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, i)) == OFTString)
        sum += double(std::string(OGR_F_GetFieldAsString(f, i)).size());
      else
        sum += OGR_F_GetFieldAsDouble(f, i);
    }
    OGR_F_Destroy(f);
  }
  GDALClose(ds);
  return sum;
}

bool SameSum(double a, double b) {
  return std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

void Gate(benchmark::State& state, const std::string& path) {
  static std::vector<std::string> checked;
  for (const auto& c : checked)
    if (c == path) return;
  const double ours = ReadOurs(path), gdal = ReadGdal(path);
  if (!SameSum(ours, gdal)) state.SkipWithError("checksums differ");
  checked.push_back(path);
}

void SetCounters(benchmark::State& state, int shapes) {
  state.counters["shapes/s"] =
      benchmark::Counter(double(shapes), benchmark::Counter::kIsIterationInvariantRate);
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  state.counters["peak RSS MB"] = double(u.ru_maxrss) / 1024;
}

void BM_ReadPoints_Ours(benchmark::State& state) {
  Gate(state, Data().Points);
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadOurs(Data().Points));
  SetCounters(state, POINTS);
}
void BM_ReadPoints_Gdal(benchmark::State& state) {
  Gate(state, Data().Points);
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadGdal(Data().Points));
  SetCounters(state, POINTS);
}
void BM_ReadPolygons_Ours(benchmark::State& state) {
  Gate(state, Data().Polygons);
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadOurs(Data().Polygons));
  SetCounters(state, POLYGONS);
}
void BM_ReadPolygons_Gdal(benchmark::State& state) {
  Gate(state, Data().Polygons);
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadGdal(Data().Polygons));
  SetCounters(state, POLYGONS);
}

constexpr int LOOKUPS = 100000;

std::vector<int> RandomUids() {
  std::mt19937 rng(5);
  std::vector<int> uids(LOOKUPS);
  for (int& u : uids)
    u = 1 + int(rng() % POINTS);
  return uids;
}

double LookupOurs(const std::string& path) {
  static const std::vector<int> uids = RandomUids();
  TGIS_LayerSHP layer;
  layer.SetPath(path);
  layer.Open();
  double sum = 0;
  for (int uid : uids) {
    const TGIS_Point p = layer.GetShape(uid)->GetPoint(0, 0);
    sum += p.X + p.Y;
  }
  return sum;
}

double LookupGdal(const std::string& path) {
  static const std::vector<int> uids = RandomUids();
  GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
  double sum = 0;
  for (int uid : uids) {
    OGRFeatureH f = OGR_L_GetFeature(layer, uid - 1);
    OGRGeometryH g = OGR_F_GetGeometryRef(f);
    sum += OGR_G_GetX(g, 0) + OGR_G_GetY(g, 0);
    OGR_F_Destroy(f);
  }
  GDALClose(ds);
  return sum;
}

void BM_GetShape_Ours(benchmark::State& state) {
  double sum = 0;
  for (auto _ : state)
    sum = LookupOurs(Data().Points);
  if (!SameSum(sum, LookupGdal(Data().Points))) state.SkipWithError("checksums differ");
  SetCounters(state, LOOKUPS);
}
void BM_GetShapeNoIndex_Ours(benchmark::State& state) {
  double sum = 0;
  for (auto _ : state)
    sum = LookupOurs(Data().PointsNoIndex);
  if (!SameSum(sum, LookupGdal(Data().Points))) state.SkipWithError("checksums differ");
  SetCounters(state, LOOKUPS);
}
void BM_GetShape_Gdal(benchmark::State& state) {
  Data();
  for (auto _ : state)
    benchmark::DoNotOptimize(LookupGdal(Data().Points));
  SetCounters(state, LOOKUPS);
}

/// Saving 1M points read from a shapefile into another (the commit's flushes included).
void BM_SavePoints_Ours(benchmark::State& state) {
  const std::string target = Data().Folder + "/saved.shp";
  for (auto _ : state) {
    TGIS_LayerSHP source;
    source.SetPath(Data().Points);
    source.Open();
    TGIS_LayerSHP out;
    out.SetPath(target);
    out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  }
  SetCounters(state, POINTS);
}

#define SK_FORMAT_BENCH(name)                                                                    \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime()

SK_FORMAT_BENCH(BM_ReadPoints_Ours);
SK_FORMAT_BENCH(BM_ReadPoints_Gdal);
SK_FORMAT_BENCH(BM_ReadPolygons_Ours);
SK_FORMAT_BENCH(BM_ReadPolygons_Gdal);
SK_FORMAT_BENCH(BM_GetShape_Ours);
SK_FORMAT_BENCH(BM_GetShapeNoIndex_Ours);
SK_FORMAT_BENCH(BM_GetShape_Gdal);
SK_FORMAT_BENCH(BM_SavePoints_Ours);

} // namespace

int main(int argc, char** argv) {
  Data();
  return RunBenchmarksWithRatios(
      argc, argv,
      {{"shapefile points, full pass", "BM_ReadPoints_Ours/iterations:1/repeats:5/real_time",
        "BM_ReadPoints_Gdal/iterations:1/repeats:5/real_time"},
       {"shapefile polygons, full pass", "BM_ReadPolygons_Ours/iterations:1/repeats:5/real_time",
        "BM_ReadPolygons_Gdal/iterations:1/repeats:5/real_time"},
       {"100k random UIDs", "BM_GetShape_Ours/iterations:1/repeats:5/real_time",
        "BM_GetShape_Gdal/iterations:1/repeats:5/real_time"},
       {"100k random UIDs without .shx",
        "BM_GetShapeNoIndex_Ours/iterations:1/repeats:5/real_time",
        "BM_GetShape_Gdal/iterations:1/repeats:5/real_time"}});
}
