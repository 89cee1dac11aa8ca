// Spatial queries of the vector layer: 1M seeded points and 200k 10-vertex
// arcs in a 1e6 x 1e6 square, built under Lock(3) in an offscreen viewer with
// the R-tree switched on. Times SetIndexed(true), then windows of 1e-6, 1e-4
// and 1e-2 of the area three ways: the R-tree (FindFirst/FindNext), the
// linear cursor (MoveFirst), and a brute-force loop over a plain vector of
// the shapes' extents that applies the cursor's rule itself: the cursor's
// filter meets paint extents, which the layer style's pens (lines) and
// markers (points) widen, with the window widened by a ten-billionth of its
// size; the oracle takes the two margins from the style once per window and
// widens each extent by its kind's margin. Counts must agree; reports microseconds per query, the ratios to
// brute force and the peak resident memory.
#include <benchmark/benchmark.h>

#include <algorithm>

#include <QApplication>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>
#include <sys/resource.h>
#include <vector>

#include "gis/core/GisKernel.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeDraw.h"
#include "gis/viewer/GisViewer.h"

namespace {

using Clock = std::chrono::steady_clock;
double Micro(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

constexpr int kPoints = 1000000, kArcs = 200000;
// Linear scans walk all 1.2M shapes per window: fewer windows keep the run short.
constexpr int kWindows = 1000, kLinearWindows = 10;

struct TWorld {
  TGIS_Viewer* Viewer = nullptr;
  TGIS_LayerVector* Layer = nullptr;
  std::vector<TGIS_Extent> Boxes; // bare extents
  std::vector<bool> IsPoint;
  double IndexSeconds = 0;
};

TWorld& World() {
  static TWorld world = [] {
    GisKernelInit();
    TWorld w;
    w.Viewer = new TGIS_Viewer(nullptr);
    w.Viewer->SetUseRTree(true);
    w.Layer = new TGIS_LayerVector();
    w.Viewer->Add(w.Layer);
    w.Layer->SetIndexed(false);
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> pos(0, 1e6), step(-50, 50);
    w.Boxes.reserve(kPoints + kArcs);
    w.IsPoint.reserve(kPoints + kArcs);
    for (int i = 0; i < kPoints + kArcs; ++i) {
      TGIS_Shape* s = w.Layer->CreateShape(i < kPoints ? gisShapeTypePoint : gisShapeTypeArc);
      s->Lock(3);
      s->AddPart();
      double x = pos(rng), y = pos(rng);
      s->AddPoint({x, y});
      for (int k = 1; i >= kPoints && k < 10; ++k)
        s->AddPoint({x += step(rng), y += step(rng)});
      s->Unlock();
    }
    w.Layer->SetExtent({0, 0, 1e6, 1e6});
    // The viewer's zoom stays as it is: the paint extents hold for every query.
    for (int uid = 1; uid <= kPoints + kArcs; ++uid) {
      TGIS_Shape* shape = w.Layer->GetShape(uid);
      w.Boxes.push_back(shape->GetExtent());
      w.IsPoint.push_back(shape->ShapeType() == gisShapeTypePoint);
    }
    const auto a = Clock::now();
    w.Layer->SetIndexed(true);
    w.IndexSeconds = Micro(a, Clock::now()) / 1e6;
    return w;
  }();
  return world;
}

std::vector<TGIS_Extent> Windows(double fraction, int n) {
  std::mt19937 rng(7);
  const double side = 1e6 * std::sqrt(fraction);
  std::uniform_real_distribution<double> pos(0, 1e6 - side);
  std::vector<TGIS_Extent> out;
  for (int i = 0; i < n; ++i) {
    const double x = pos(rng), y = pos(rng);
    out.push_back({x, y, x + side, y + side});
  }
  return out;
}

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void BM_Queries(benchmark::State& state) {
  TWorld& w = World();
  const double fraction = std::pow(10.0, -double(state.range(0)));
  const auto windows = Windows(fraction, kWindows);
  double tTree = 0, tLinear = 0, tBrute = 0;
  long mismatches = 0, found = 0;
  for (auto _ : state) {
    for (int i = 0; i < kWindows; ++i) {
      const TGIS_Extent& e = windows[std::size_t(i)];
      auto a = Clock::now();
      long tree = 0;
      for (TGIS_Shape* s = w.Layer->FindFirst(e); s != nullptr; s = w.Layer->FindNext())
        ++tree;
      auto b = Clock::now();
      long brute = 0;
      const double grow = std::max(e.XMax - e.XMin, e.YMax - e.YMin) / 1e10;
      const TGIS_Extent search{e.XMin - grow, e.YMin - grow, e.XMax + grow, e.YMax + grow};
      TGIS_ParamsSectionVector& style = w.Layer->GetParamsSection();
      const TGIS_Point lineMargin = GisPaintMargins(style, *w.Viewer);
      const TGIS_Point pointMargin = GisMarkerPaintMargins(style, *w.Viewer, true);
      for (std::size_t k = 0; k < w.Boxes.size(); ++k) {
        const TGIS_Extent& box = w.Boxes[k];
        const TGIS_Point& m = w.IsPoint[k] ? pointMargin : lineMargin;
        const TGIS_Extent painted{box.XMin - m.X, box.YMin - m.Y, box.XMax + m.X, box.YMax + m.Y};
        brute += GisIsExtentIntersecting(painted, search) ? 1 : 0;
      }
      auto c = Clock::now();
      tTree += Micro(a, b);
      tBrute += Micro(b, c);
      mismatches += tree != brute;
      found += tree;
      if (i >= kLinearWindows) continue;
      long linear = 0;
      auto d = Clock::now();
      for (w.Layer->MoveFirst(e); !w.Layer->Eof(); w.Layer->MoveNext())
        ++linear;
      tLinear += Micro(d, Clock::now());
      mismatches += linear != brute;
    }
  }
  const double it = double(state.iterations());
  state.counters["index_build_s"] = w.IndexSeconds;
  state.counters["rtree_us"] = tTree / (it * kWindows);
  state.counters["linear_us"] = tLinear / (it * kLinearWindows);
  state.counters["brute_us"] = tBrute / (it * kWindows);
  state.counters["rtree_over_brute"] = (tTree / kWindows) / (tBrute / kWindows);
  state.counters["linear_over_brute"] = (tLinear / kLinearWindows) / (tBrute / kWindows);
  state.counters["found_per_query"] = double(found) / (it * kWindows);
  state.counters["mismatches"] = double(mismatches);
  state.counters["peak_rss_mb"] = double(PeakRssKb()) / 1024;
}

} // namespace

BENCHMARK(BM_Queries)->Arg(6)->Arg(4)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::benchmark::Initialize(&argc, argv);
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
