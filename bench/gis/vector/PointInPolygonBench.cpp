// GisPointInPolygon on one large polygon beside GEOS's prepared `contains`,
// on the same seeded points.
//
// The polygon is a spiky star of 5,821 stored vertices (the closing one
// included) at projected coordinates; the points are spread uniformly over
// its box. Both sides are warm: our edge index is made by the warm-up tests,
// GEOS's locator by the first prepared test. GEOS's point geometries are
// made outside the timed loop. After the runs, the answers of both are
// compared (points within 1e-6 of an edge are left out: GEOS's contains is
// false on the boundary, ours half-open).
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "bench/support/RatioReporter.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisShapePolygon.h"

namespace {

constexpr int StoredVertices = 5821;
constexpr int PointCount = 1 << 16;

struct TPipWorld {
  GEOSContextHandle_t Ctx = nullptr;
  std::unique_ptr<TGIS_ShapePolygon> Shape;
  GEOSGeometry* Polygon = nullptr;
  const GEOSPreparedGeometry* Prepared = nullptr;
  std::vector<TGIS_Point> Points;
  std::vector<GEOSGeometry*> GeosPoints;
};

TPipWorld& PipWorld() {
  static TPipWorld* world = [] {
    auto* w = new TPipWorld;
    w->Ctx = GEOS_init_r();
    std::mt19937 rng(5821);
    std::uniform_real_distribution<double> radius(2800, 4000);
    const TGIS_Point c{5e5, 5e6};
    std::vector<TGIS_Point> ring;
    for (int i = 0; i + 1 < StoredVertices; ++i) {
      const double a = -2 * 3.14159265358979 * i / (StoredVertices - 1);
      const double r = radius(rng);
      ring.push_back({c.X + r * std::cos(a), c.Y + r * std::sin(a)});
    }
    ring.push_back(ring.front());
    w->Shape = std::make_unique<TGIS_ShapePolygon>();
    w->Shape->AddPart();
    for (const TGIS_Point& p : ring)
      w->Shape->AddPoint(p);
    GEOSCoordSequence* seq = GEOSCoordSeq_create_r(w->Ctx, static_cast<unsigned>(ring.size()), 2);
    for (unsigned i = 0; i < ring.size(); ++i)
      GEOSCoordSeq_setXY_r(w->Ctx, seq, i, ring[i].X, ring[i].Y);
    w->Polygon =
        GEOSGeom_createPolygon_r(w->Ctx, GEOSGeom_createLinearRing_r(w->Ctx, seq), nullptr, 0);
    w->Prepared = GEOSPrepare_r(w->Ctx, w->Polygon);
    std::uniform_real_distribution<double> pos(-4000, 4000);
    for (int i = 0; i < PointCount; ++i) {
      const TGIS_Point p{c.X + pos(rng), c.Y + pos(rng)};
      w->Points.push_back(p);
      w->GeosPoints.push_back(GEOSGeom_createPointFromXY_r(w->Ctx, p.X, p.Y));
    }
    return w;
  }();
  return *world;
}

void BM_OurPointInPolygon(benchmark::State& state) {
  TPipWorld& w = PipWorld();
  for (int i = 0; i < 2; ++i)
    benchmark::DoNotOptimize(GisPointInPolygon(w.Points[0], w.Shape.get(), -1));
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(GisPointInPolygon(w.Points[k++ % PointCount], w.Shape.get(), -1));
  }
}

void BM_GeosPreparedContains(benchmark::State& state) {
  TPipWorld& w = PipWorld();
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        GEOSPreparedContains_r(w.Ctx, w.Prepared, w.GeosPoints[k++ % PointCount]));
  }
}

BENCHMARK(BM_OurPointInPolygon);
BENCHMARK(BM_GeosPreparedContains);

/// Prints the disagreements off the boundary; false when there are any.
bool PrintPipChecks() {
  TPipWorld& w = PipWorld();
  int compared = 0, mismatches = 0;
  for (int i = 0; i < PointCount; ++i) {
    double d = 0;
    GEOSDistance_r(w.Ctx, w.GeosPoints[static_cast<std::size_t>(i)],
                   GEOSGetExteriorRing_r(w.Ctx, w.Polygon), &d);
    if (d < 1e-6) continue;
    ++compared;
    const bool geos =
        GEOSPreparedContains_r(w.Ctx, w.Prepared, w.GeosPoints[static_cast<std::size_t>(i)]) == 1;
    if (geos != GisPointInPolygon(w.Points[static_cast<std::size_t>(i)], w.Shape.get(), -1))
      ++mismatches;
  }
  std::fputs(Format("point in polygon, %d points off the boundary: %d disagree with GEOS\n",
                    {compared, mismatches})
                 .c_str(),
             stdout);
  return mismatches == 0;
}

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter(
      {{"point in a 5,821-vertex polygon", "BM_OurPointInPolygon", "BM_GeosPreparedContains"}},
      "ours / GEOS prepared");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool agree = PrintPipChecks();
  benchmark::Shutdown();
  return agree ? 0 : 1;
}
