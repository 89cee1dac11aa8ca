// Forward then inverse projection of 1M points (--points=N for fewer) with
// the kernel's projection classes, through the base-class pointer as layers
// use them, and the same work through PROJ's C API: transverse Mercator
// (PROJ's exact algorithm and its +approx series), UTM, Lambert conformal
// conic, Mercator, Albers equal-area conic, polyconic, Robinson and Hotine
// oblique Mercator; the last four also each direction alone. Each side makes a warm-up pass, then runs five times
// (--benchmark_repetitions=N for another count); the end of the report
// prints kernel / PROJ per projection from the medians. time_per_point is
// the CPU time of the forward and the inverse of one point; each PROJ run
// reports as max_diff_m the largest difference between its forward outputs
// and ours. Build it in Release and run it on an idle machine.
#include "bench/support/RatioReporter.h"
#include "gis/coords/GisProjections.h"
#include "gis/core/GisKernel.h"

#include <benchmark/benchmark.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

int gPoints = 1'000'000;
constexpr double kDeg = std::numbers::pi / 180;

// A seeded spread of points over a box (degrees), in radians.
std::vector<TGIS_Point3D> MakePoints(double west, double east, double south, double north) {
  std::vector<TGIS_Point3D> points(gPoints);
  uint32_t state = 20240607;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  };
  for (TGIS_Point3D& p : points) {
    p.X = (west + (east - west) * next()) * kDeg;
    p.Y = (south + (north - south) * next()) * kDeg;
    p.Z = 0;
  }
  return points;
}

struct Workload {
  const char* Code;
  TGIS_ProjectionSetUp SetUp;
  const char* Proj;
  double West, East, South, North;
};

TGIS_ProjectionSetUp SetUpOf(double cmDeg, double lat0Deg, double sp1Deg, double sp2Deg, double fe,
                             double k0, int zone) {
  TGIS_ProjectionSetUp s;
  s.CentralMeridian = cmDeg * kDeg;
  s.OriginLatitude = lat0Deg * kDeg;
  s.StandardParallel1 = sp1Deg * kDeg;
  s.StandardParallel2 = sp2Deg * kDeg;
  s.FalseEasting = fe;
  s.ScaleFactor = k0;
  s.Zone = zone;
  return s;
}

const Workload kTm{"TMR",
                   SetUpOf(15, 0, 0, 0, 500000, 0.9996, 0),
                   "+proj=tmerc +lon_0=15 +k_0=0.9996 +x_0=500000 +ellps=WGS84",
                   12,
                   18,
                   0,
                   80};
const Workload kTmApprox{
    "TMR", kTm.SetUp, "+proj=tmerc +approx +lon_0=15 +k_0=0.9996 +x_0=500000 +ellps=WGS84", 12, 18,
    0,     80};
const Workload kUtm{
    "UTM", SetUpOf(0, 0, 0, 0, 0, 1, 33), "+proj=utm +zone=33 +ellps=WGS84", 12, 18, 0, 80};
const Workload kLcc{"LAM",
                    SetUpOf(0, 45, 40, 50, 0, 1, 0),
                    "+proj=lcc +lat_0=45 +lat_1=40 +lat_2=50 +ellps=WGS84",
                    -30,
                    30,
                    20,
                    70};
const Workload kMer{"MER", SetUpOf(0, 0, 0, 0, 0, 1, 0), "+proj=merc +ellps=WGS84", -180, 180, -85,
                    85};

TGIS_ProjectionSetUp WithFalseNorthing(TGIS_ProjectionSetUp s, double fn) {
  s.FalseNorthing = fn;
  return s;
}

TGIS_ProjectionSetUp WithAzimuth(TGIS_ProjectionSetUp s, double azimuthDeg) {
  s.Azimuth = azimuthDeg * kDeg;
  return s;
}

const Workload kAlb{"ALB",
                    SetUpOf(-96, 23, 29.5, 45.5, 0, 1, 0),
                    "+proj=aea +lon_0=-96 +lat_0=23 +lat_1=29.5 +lat_2=45.5 +ellps=WGS84",
                    -125,
                    -66,
                    24,
                    50};
const Workload kPlc{"PLC",
                    WithFalseNorthing(SetUpOf(-100, 30, 0, 0, -100000, 1, 0), 400000),
                    "+proj=poly +lat_0=30 +lon_0=-100 +x_0=-100000 +y_0=400000 +ellps=WGS84",
                    -115,
                    -85,
                    15,
                    50};
// The kernel's Robinson scales the table's parallel lengths by 0.9858 and
// its distances by pi/2 on a sphere of radius a; the usual constants are
// 0.8487 and 1.3523. That is the same map on a sphere larger by
// 0.9858 / 0.8487 (pi/2 / 1.3523 agrees to 3e-5): PROJ gets that radius, so
// that max_diff_m measures how the two curves differ (a few hundred metres
// at most, the interpolations and that 3e-5), not the scale.
const Workload kRob{"ROB",
                    SetUpOf(0, 0, 0, 0, 0, 1, 0),
                    "+proj=robin +R=7408468.7812 +lon_0=0",
                    -180,
                    180,
                    -85,
                    85};
const Workload kHot{
    "HOT",
    WithAzimuth(WithFalseNorthing(SetUpOf(10, 45, 0, 0, 500000, 0.9999, 0), 200000), 30),
    "+proj=omerc +lat_0=45 +lonc=10 +alpha=30 +k_0=0.9999 +x_0=500000 +y_0=200000 +ellps=WGS84",
    0,
    20,
    38,
    52};

std::unique_ptr<TGIS_ProjectionAbstract> MakeProjection(const Workload& w) {
  GisKernelInit();
  std::unique_ptr<TGIS_ProjectionAbstract> p = GisProjectionList().FindProjection(w.Code)->Create();
  p->SetUp(w.SetUp);
  return p;
}

/// The CPU time per point of the forward and inverse, in nanoseconds.
void CountPoints(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * gPoints);
  state.counters["time_per_point"] = benchmark::Counter(
      static_cast<double>(gPoints),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void ForwardOurs(TGIS_ProjectionAbstract& p, const std::vector<TGIS_Point3D>& in,
                 std::vector<TGIS_Point3D>& out) {
  for (size_t i = 0; i < in.size(); ++i)
    p.Project(in[i], out[i]);
}

void Kernel(benchmark::State& state, const Workload& w) {
  std::unique_ptr<TGIS_ProjectionAbstract> p = MakeProjection(w);
  const std::vector<TGIS_Point3D> source = MakePoints(w.West, w.East, w.South, w.North);
  std::vector<TGIS_Point3D> map(source.size()), back(source.size());
  ForwardOurs(*p, source, map); // warm-up
  for (auto _ : state) {
    ForwardOurs(*p, source, map);
    for (size_t i = 0; i < map.size(); ++i)
      p->Unproject(map[i], back[i]);
    benchmark::DoNotOptimize(back.data());
  }
  CountPoints(state);
}

/// One direction alone: the forward of the points, or the inverse of their
/// forward outputs.
void KernelOneWay(benchmark::State& state, const Workload& w, bool forward) {
  std::unique_ptr<TGIS_ProjectionAbstract> p = MakeProjection(w);
  const std::vector<TGIS_Point3D> source = MakePoints(w.West, w.East, w.South, w.North);
  std::vector<TGIS_Point3D> map(source.size()), out(source.size());
  ForwardOurs(*p, source, map);
  const std::vector<TGIS_Point3D>& in = forward ? source : map;
  auto run = [&] {
    if (forward)
      ForwardOurs(*p, in, out);
    else
      for (size_t i = 0; i < in.size(); ++i)
        p->Unproject(in[i], out[i]);
  };
  run(); // warm-up
  for (auto _ : state) {
    run();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * gPoints);
  state.counters["time_per_point"] = benchmark::Counter(
      static_cast<double>(gPoints),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

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
  void Run(PJ_DIRECTION direction, std::vector<TGIS_Point3D>& points) {
    const size_t stride = sizeof(TGIS_Point3D);
    proj_trans_generic(pj_, direction, &points[0].X, stride, points.size(), &points[0].Y, stride,
                       points.size(), nullptr, 0, 0, nullptr, 0, 0);
  }

private:
  PJ_CONTEXT* ctx_ = nullptr;
  PJ* pj_ = nullptr;
};

/// The largest difference in metres between PROJ's forward outputs and ours.
double LargestDifference(const Workload& w, ProjOperation& op,
                         const std::vector<TGIS_Point3D>& source) {
  std::unique_ptr<TGIS_ProjectionAbstract> p = MakeProjection(w);
  std::vector<TGIS_Point3D> ours(source.size());
  ForwardOurs(*p, source, ours);
  std::vector<TGIS_Point3D> theirs = source;
  op.Run(PJ_FWD, theirs);
  double worst = 0;
  for (size_t i = 0; i < source.size(); ++i)
    worst = std::max({worst, std::abs(ours[i].X - theirs[i].X), std::abs(ours[i].Y - theirs[i].Y)});
  return worst;
}

void Proj(benchmark::State& state, const Workload& w) {
  ProjOperation op(w.Proj);
  const std::vector<TGIS_Point3D> source = MakePoints(w.West, w.East, w.South, w.North);
  state.counters["max_diff_m"] = LargestDifference(w, op, source);
  std::vector<TGIS_Point3D> work = source;
  op.Run(PJ_FWD, work); // warm-up
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.data(), source.data(), source.size() * sizeof(TGIS_Point3D));
    state.ResumeTiming();
    op.Run(PJ_FWD, work);
    op.Run(PJ_INV, work);
    benchmark::DoNotOptimize(work.data());
  }
  CountPoints(state);
}

void ProjOneWay(benchmark::State& state, const Workload& w, bool forward) {
  ProjOperation op(w.Proj);
  const std::vector<TGIS_Point3D> source = MakePoints(w.West, w.East, w.South, w.North);
  std::vector<TGIS_Point3D> in = source;
  if (!forward) op.Run(PJ_FWD, in);
  std::vector<TGIS_Point3D> work = in;
  op.Run(forward ? PJ_FWD : PJ_INV, work); // warm-up
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.data(), in.data(), in.size() * sizeof(TGIS_Point3D));
    state.ResumeTiming();
    op.Run(forward ? PJ_FWD : PJ_INV, work);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * gPoints);
  state.counters["time_per_point"] = benchmark::Counter(
      static_cast<double>(gPoints),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TransverseMercator_Kernel(benchmark::State& s) {
  Kernel(s, kTm);
}
void BM_TransverseMercator_Proj(benchmark::State& s) {
  Proj(s, kTm);
}
void BM_TransverseMercator_ProjApprox(benchmark::State& s) {
  Proj(s, kTmApprox);
}
void BM_UTM_Kernel(benchmark::State& s) {
  Kernel(s, kUtm);
}
void BM_UTM_Proj(benchmark::State& s) {
  Proj(s, kUtm);
}
void BM_LambertConformalConic_Kernel(benchmark::State& s) {
  Kernel(s, kLcc);
}
void BM_LambertConformalConic_Proj(benchmark::State& s) {
  Proj(s, kLcc);
}
void BM_Mercator_Kernel(benchmark::State& s) {
  Kernel(s, kMer);
}
void BM_Mercator_Proj(benchmark::State& s) {
  Proj(s, kMer);
}

// The four projections with a goal of their own: both directions, then each
// direction alone.
#define SK_PROJECTION_BENCHMARKS(name, workload)                                                   \
  void BM_##name##_Kernel(benchmark::State& s) { Kernel(s, workload); }                            \
  void BM_##name##_Proj(benchmark::State& s) { Proj(s, workload); }                                \
  void BM_##name##_KernelForward(benchmark::State& s) { KernelOneWay(s, workload, true); }         \
  void BM_##name##_ProjForward(benchmark::State& s) { ProjOneWay(s, workload, true); }             \
  void BM_##name##_KernelInverse(benchmark::State& s) { KernelOneWay(s, workload, false); }        \
  void BM_##name##_ProjInverse(benchmark::State& s) { ProjOneWay(s, workload, false); }
SK_PROJECTION_BENCHMARKS(Albers, kAlb)
SK_PROJECTION_BENCHMARKS(Polyconic, kPlc)
SK_PROJECTION_BENCHMARKS(Robinson, kRob)
SK_PROJECTION_BENCHMARKS(Hotine, kHot)
#undef SK_PROJECTION_BENCHMARKS

} // namespace

BENCHMARK(BM_TransverseMercator_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransverseMercator_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransverseMercator_ProjApprox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UTM_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UTM_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LambertConformalConic_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LambertConformalConic_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mercator_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mercator_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Albers_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Albers_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Albers_KernelForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Albers_ProjForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Albers_KernelInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Albers_ProjInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Polyconic_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Polyconic_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Polyconic_KernelForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Polyconic_ProjForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Polyconic_KernelInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Polyconic_ProjInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Robinson_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Robinson_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Robinson_KernelForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Robinson_ProjForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Robinson_KernelInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Robinson_ProjInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hotine_Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hotine_Proj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hotine_KernelForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hotine_ProjForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hotine_KernelInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hotine_ProjInverse)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  // --points=N (ours, taken out before the benchmark library reads the rest);
  // five repetitions unless the command line says otherwise.
  std::vector<char*> args = {argv[0]};
  bool repetitions = false;
  for (int i = 1; i < argc; ++i) {
    constexpr std::string_view kFlag = "--points=";
    const std::string_view arg = argv[i];
    if (arg.starts_with(kFlag))
      gPoints = std::max(1, StrToIntDef(arg.substr(kFlag.size()), gPoints));
    else
      args.push_back(argv[i]);
    repetitions = repetitions || arg.starts_with("--benchmark_repetitions=");
  }
  static char kFiveRuns[] = "--benchmark_repetitions=5";
  if (!repetitions) args.push_back(kFiveRuns);
  int count = static_cast<int>(args.size());
  return RunBenchmarksWithRatios(
      count, args.data(),
      {{"transverse Mercator, PROJ exact", "BM_TransverseMercator_Kernel",
        "BM_TransverseMercator_Proj"},
       {"transverse Mercator, PROJ +approx", "BM_TransverseMercator_Kernel",
        "BM_TransverseMercator_ProjApprox"},
       {"UTM", "BM_UTM_Kernel", "BM_UTM_Proj"},
       {"Lambert conformal conic", "BM_LambertConformalConic_Kernel",
        "BM_LambertConformalConic_Proj"},
       {"Mercator", "BM_Mercator_Kernel", "BM_Mercator_Proj"},
       {"Albers equal-area conic", "BM_Albers_Kernel", "BM_Albers_Proj"},
       {"Albers equal-area conic, forward", "BM_Albers_KernelForward", "BM_Albers_ProjForward"},
       {"Albers equal-area conic, inverse", "BM_Albers_KernelInverse", "BM_Albers_ProjInverse"},
       {"polyconic", "BM_Polyconic_Kernel", "BM_Polyconic_Proj"},
       {"polyconic, forward", "BM_Polyconic_KernelForward", "BM_Polyconic_ProjForward"},
       {"polyconic, inverse", "BM_Polyconic_KernelInverse", "BM_Polyconic_ProjInverse"},
       {"Robinson", "BM_Robinson_Kernel", "BM_Robinson_Proj"},
       {"Robinson, forward", "BM_Robinson_KernelForward", "BM_Robinson_ProjForward"},
       {"Robinson, inverse", "BM_Robinson_KernelInverse", "BM_Robinson_ProjInverse"},
       {"Hotine oblique Mercator", "BM_Hotine_Kernel", "BM_Hotine_Proj"},
       {"Hotine oblique Mercator, forward", "BM_Hotine_KernelForward", "BM_Hotine_ProjForward"},
       {"Hotine oblique Mercator, inverse", "BM_Hotine_KernelInverse", "BM_Hotine_ProjInverse"}},
      "kernel / PROJ");
}
