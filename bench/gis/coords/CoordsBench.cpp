// Geodetic -> geocentric conversion and a three-parameter datum shift of 1M
// points with the kernel's coordinate code, and the same work on the same
// points through PROJ's C API; the end of the report prints kernel / PROJ per
// conversion. items_per_second is points per second.
#include "bench/support/RatioReporter.h"
#include "gis/coords/GisDatums.h"
#include "gis/core/GisKernel.h"

#include <benchmark/benchmark.h>
#include <proj.h>

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kPoints = 1'000'000;
constexpr double kDeg = std::numbers::pi / 180;

// A deterministic spread of points over a box (degrees), heights -500..2500 m.
std::vector<TGIS_Point3D> MakePoints(double west, double east, double south, double north) {
  std::vector<TGIS_Point3D> points(kPoints);
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  };
  for (TGIS_Point3D& p : points) {
    p.X = (west + (east - west) * next()) * kDeg;
    p.Y = (south + (north - south) * next()) * kDeg;
    p.Z = -500 + 3000 * next();
  }
  return points;
}

void StartKernel() {
  GisKernelInit();
  GisBuildDatumTables();
}

// PROJ over arrays of our points: x, y, z strided through the records.
class ProjOperation {
public:
  explicit ProjOperation(const std::string& definition) {
    ctx_ = proj_context_create();
    pj_ = proj_create(ctx_, definition.c_str());
    if (!pj_) throw std::runtime_error("PROJ refused " + definition);
  }
  ~ProjOperation() {
    proj_destroy(pj_);
    proj_context_destroy(ctx_);
  }
  void Forward(std::vector<TGIS_Point3D>& points) {
    const size_t stride = sizeof(TGIS_Point3D);
    proj_trans_generic(pj_, PJ_FWD, &points[0].X, stride, points.size(), &points[0].Y, stride,
                       points.size(), &points[0].Z, stride, points.size(), nullptr, 0, 0);
  }

private:
  PJ_CONTEXT* ctx_ = nullptr;
  PJ* pj_ = nullptr;
};

std::string Number(long double v) {
  // The shortest text that reads back as the same double.
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(v));
  return std::string(buffer, r.ptr);
}

void BM_GeodeticToGeocentric_Kernel(benchmark::State& state) {
  StartKernel();
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  const std::vector<TGIS_Point3D> source = MakePoints(-180, 180, -90, 90);
  std::vector<TGIS_Point3D> work(source.size());
  for (auto _ : state) {
    for (size_t i = 0; i < source.size(); ++i)
      we.GeodeticToGeocentric(source[i], work[i]);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

// Times PROJ on a fresh copy of the points in every iteration (the copy is not
// timed: the operation transforms in place).
void RunProj(benchmark::State& state, ProjOperation& op, const std::vector<TGIS_Point3D>& source) {
  std::vector<TGIS_Point3D> work;
  for (auto _ : state) {
    state.PauseTiming();
    work = source;
    state.ResumeTiming();
    op.Forward(work);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_GeodeticToGeocentric_Proj(benchmark::State& state) {
  ProjOperation op("+proj=cart +ellps=WGS84");
  const std::vector<TGIS_Point3D> source = MakePoints(-180, 180, -90, 90);
  RunProj(state, op, source);
}

// EUR-M (European 1950, International 1924 ellipsoid) to WGS 84 over its
// validity box: the Molodensky route.
void BM_ThreeParameterShift_Kernel(benchmark::State& state) {
  StartKernel();
  const TGIS_Datum& d = *GisDatumList().FindDatum("EUR-M");
  const std::vector<TGIS_Point3D> source = MakePoints(5, 33, 30, 80);
  std::vector<TGIS_Point3D> work(source.size());
  for (auto _ : state) {
    for (size_t i = 0; i < source.size(); ++i)
      d.ToWGS84(source[i], work[i]);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

std::string EurMolodensky() {
  StartKernel();
  const TGIS_Datum& d = *GisDatumList().FindDatum("EUR-M");
  const TGIS_Ellipsoid& in = d.GetEllipsoid();
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  return "+proj=molodensky +a=" + Number(in.SemiMajorAxis) + " +rf=" + Number(1 / in.Flattening) +
         " +da=" + Number(we.SemiMajorAxis - in.SemiMajorAxis) +
         " +df=" + Number(we.Flattening - in.Flattening) + " +dx=" + Number(d.DeltaX) +
         " +dy=" + Number(d.DeltaY) + " +dz=" + Number(d.DeltaZ);
}

void BM_ThreeParameterShift_ProjMolodensky(benchmark::State& state) {
  ProjOperation op(EurMolodensky());
  const std::vector<TGIS_Point3D> source = MakePoints(5, 33, 30, 80);
  RunProj(state, op, source);
}

// The same shift the way PROJ does it by default: geocentric, translate, back.
void BM_ThreeParameterShift_ProjGeocentric(benchmark::State& state) {
  ProjOperation op("+proj=pipeline +step +proj=cart +ellps=intl +step +proj=helmert +x=-87 "
                   "+y=-98 +z=-121 +step +inv +proj=cart +ellps=WGS84");
  const std::vector<TGIS_Point3D> source = MakePoints(5, 33, 30, 80);
  RunProj(state, op, source);
}

} // namespace

BENCHMARK(BM_GeodeticToGeocentric_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeodeticToGeocentric_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThreeParameterShift_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThreeParameterShift_ProjMolodensky)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThreeParameterShift_ProjGeocentric)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return RunBenchmarksWithRatios(
      argc, argv,
      {{"geodetic to geocentric", "BM_GeodeticToGeocentric_Kernel",
        "BM_GeodeticToGeocentric_Proj"},
       {"three-parameter shift, PROJ Molodensky", "BM_ThreeParameterShift_Kernel",
        "BM_ThreeParameterShift_ProjMolodensky"},
       {"three-parameter shift, PROJ geocentric", "BM_ThreeParameterShift_Kernel",
        "BM_ThreeParameterShift_ProjGeocentric"}},
      "kernel / PROJ");
}
