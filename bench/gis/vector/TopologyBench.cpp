// The topology engine beside GEOS's C API, on the same seeded data.
//
// Overlay: layer A is a jittered grid of 12-40-vertex stars (20% with a
// hole) at (5e5, 5e6); layer B the same shifted half a cell and rotated 7
// degrees; the pairs are the bounding-box overlaps, one list for both
// engines. Per pair: intersection and union; then the union of all of A.
// Relate: one prepared polygon (5,000 vertices, 20 holes) against candidates
// (60% points, 20% 10-vertex lines, 20% 8-vertex polygons) with "T", "**F"
// and "T*F**F***"; GEOS answers through prepared intersects / covers.
// Conversion to GEOS is not timed. Prints the ratios, the summed areas, the
// relate mismatches against GEOS's matrix (endpoint rule), the prepared
// vertex count before and after, and the peak resident memory.
//
// SK_TOPOLOGY_BENCH_SMOKE=1 shrinks the data (CI runs it so, untimed).
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "bench/support/RatioReporter.h"
#include "gis/vector/GisShapeArc.h"
#include "gis/vector/GisShapePoint.h"
#include "gis/vector/GisShapePolygon.h"
#include "gis/vector/GisTopology.h"

namespace {

using TRing = std::vector<TGIS_Point>;

bool Smoke() {
  const char* v = std::getenv("SK_TOPOLOGY_BENCH_SMOKE");
  return v != nullptr && v[0] == '1';
}

TRing StarRing(std::mt19937& rng, TGIS_Point c, int n, double r0, double r1, bool clockwise) {
  std::uniform_real_distribution<double> radius(r0, r1);
  TRing ring;
  for (int i = 0; i < n; ++i) {
    const double a = (clockwise ? -2 : 2) * 3.14159265358979 * i / n;
    const double r = radius(rng);
    ring.push_back({c.X + r * std::cos(a), c.Y + r * std::sin(a)});
  }
  return ring;
}

struct TItem {
  std::vector<TRing> Rings;
  TGIS_ShapeType Type;
  std::unique_ptr<TGIS_Shape> Shape;
  GEOSGeometry* Geos = nullptr;
  TGIS_Extent Box{};
};

struct TWorld {
  GEOSContextHandle_t Ctx = nullptr;
  std::vector<TItem> A, B;
  std::vector<std::pair<int, int>> Pairs;
  TItem Prepared;
  std::vector<TItem> Candidates;
  const GEOSPreparedGeometry* GeosPrepared = nullptr;
  int VerticesBefore = -1;
};

GEOSCoordSequence* Sequence(GEOSContextHandle_t ctx, const TRing& r, bool close) {
  const unsigned n = static_cast<unsigned>(r.size() + (close ? 1 : 0));
  GEOSCoordSequence* s = GEOSCoordSeq_create_r(ctx, n, 2);
  for (unsigned i = 0; i < n; ++i) {
    const TGIS_Point& p = r[i % r.size()];
    GEOSCoordSeq_setXY_r(ctx, s, i, p.X, p.Y);
  }
  return s;
}

void Build(GEOSContextHandle_t ctx, TItem& item) {
  switch (item.Type) {
  case gisShapeTypePoint: {
    item.Shape = std::make_unique<TGIS_ShapePoint>();
    item.Shape->AddPoint(item.Rings[0][0]);
    item.Geos = GEOSGeom_createPointFromXY_r(ctx, item.Rings[0][0].X, item.Rings[0][0].Y);
    break;
  }
  case gisShapeTypeArc: {
    item.Shape = std::make_unique<TGIS_ShapeArc>();
    item.Shape->AddPart();
    for (const TGIS_Point& p : item.Rings[0]) item.Shape->AddPoint(p);
    item.Geos = GEOSGeom_createLineString_r(ctx, Sequence(ctx, item.Rings[0], false));
    break;
  }
  default: {
    auto poly = std::make_unique<TGIS_ShapePolygon>();
    for (const TRing& r : item.Rings) {
      poly->AddPart();
      for (const TGIS_Point& p : r) poly->AddRingPoint(p);
    }
    item.Shape = std::move(poly);
    GEOSGeometry* shell = GEOSGeom_createLinearRing_r(ctx, Sequence(ctx, item.Rings[0], true));
    std::vector<GEOSGeometry*> holes;
    for (std::size_t i = 1; i < item.Rings.size(); ++i)
      holes.push_back(GEOSGeom_createLinearRing_r(ctx, Sequence(ctx, item.Rings[i], true)));
    item.Geos = GEOSGeom_createPolygon_r(ctx, shell, holes.data(),
                                         static_cast<unsigned>(holes.size()));
    break;
  }
  }
  item.Box = item.Shape->GetExtent();
}

std::vector<TItem> Layer(GEOSContextHandle_t ctx, unsigned seed, int n, double shift,
                         double angle) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> jitter(-10, 10);
  std::uniform_int_distribution<int> vertices(12, 40);
  std::uniform_real_distribution<double> chance(0, 1);
  const double centre = n * 50.0;
  const double c = std::cos(angle), s = std::sin(angle);
  std::vector<TItem> items;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const double x = i * 100.0 + shift + jitter(rng) - centre;
      const double y = j * 100.0 + shift + jitter(rng) - centre;
      const TGIS_Point at{5e5 + centre + x * c - y * s, 5e6 + centre + x * s + y * c};
      TItem item;
      item.Type = gisShapeTypePolygon;
      item.Rings.push_back(StarRing(rng, at, vertices(rng), 45, 70, true));
      if (chance(rng) < 0.2) item.Rings.push_back(StarRing(rng, at, 8, 8, 15, false));
      Build(ctx, item);
      items.push_back(std::move(item));
    }
  }
  return items;
}

std::vector<std::pair<int, int>> OverlappingPairs(const std::vector<TItem>& a,
                                                  const std::vector<TItem>& b) {
  std::vector<int> order(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) order[i] = static_cast<int>(i);
  std::sort(order.begin(), order.end(), [&](int x, int y) {
    return a[static_cast<std::size_t>(x)].Box.XMin < a[static_cast<std::size_t>(y)].Box.XMin;
  });
  std::vector<std::pair<int, int>> pairs;
  for (std::size_t j = 0; j < b.size(); ++j) {
    const TGIS_Extent& e = b[j].Box;
    for (int i : order) {
      const TGIS_Extent& f = a[static_cast<std::size_t>(i)].Box;
      if (f.XMin > e.XMax) break;
      if (GisIsExtentIntersecting(e, f)) pairs.emplace_back(i, static_cast<int>(j));
    }
  }
  return pairs;
}

TWorld& World() {
  static TWorld* world = [] {
    auto* w = new TWorld;
    w->Ctx = GEOS_init_r();
    const int n = Smoke() ? 32 : 100;
    w->A = Layer(w->Ctx, 1, n, 0, 0);
    w->B = Layer(w->Ctx, 2, n, 50, 7 * 3.14159265358979 / 180);
    w->Pairs = OverlappingPairs(w->A, w->B);
    if (Smoke() && w->Pairs.size() > 1000) w->Pairs.resize(1000);

    std::mt19937 rng(3);
    const TGIS_Point centre{5e5 + n * 50.0, 5e6 + n * 50.0};
    const double radius = n * 40.0;
    w->Prepared.Type = gisShapeTypePolygon;
    w->Prepared.Rings.push_back(StarRing(rng, centre, 5000, 0.7 * radius, radius, true));
    for (int h = 0; h < 20; ++h) {
      const double a = 2 * 3.14159265358979 * h / 20;
      const TGIS_Point hc{centre.X + 0.45 * radius * std::cos(a),
                          centre.Y + 0.45 * radius * std::sin(a)};
      w->Prepared.Rings.push_back(StarRing(rng, hc, 12, 0.03 * radius, 0.06 * radius, false));
    }
    Build(w->Ctx, w->Prepared);
    w->GeosPrepared = GEOSPrepare_r(w->Ctx, w->Prepared.Geos);

    const int count = Smoke() ? 10000 : 1000000;
    std::uniform_real_distribution<double> pos(-1.1 * radius, 1.1 * radius), step(-20, 20);
    for (int i = 0; i < count; ++i) {
      TItem item;
      const TGIS_Point p{centre.X + pos(rng), centre.Y + pos(rng)};
      const int kind = i % 10;
      if (kind < 6) {
        item.Type = gisShapeTypePoint;
        item.Rings.push_back({p});
      } else if (kind < 8) {
        item.Type = gisShapeTypeArc;
        TRing line{p};
        for (int k = 1; k < 10; ++k) line.push_back({line.back().X + step(rng), line.back().Y + step(rng)});
        item.Rings.push_back(line);
      } else {
        item.Type = gisShapeTypePolygon;
        item.Rings.push_back(StarRing(rng, p, 8, 5, 25, true));
      }
      Build(w->Ctx, item);
      w->Candidates.push_back(std::move(item));
    }
    return w;
  }();
  return *world;
}

const char* const Patterns[] = {"T", "**F", "T*F**F***"};
// GEOS wants all nine positions.
const char* const FullPatterns[] = {"T********", "**F******", "T*F**F***"};

// ---- overlay ---------------------------------------------------------------------------------

/// One pair per iteration, cycling through the pair list.
void OurPairs(benchmark::State& state, TGIS_TopologyOperation op) {
  TWorld& w = World();
  TGIS_Topology t;
  std::size_t k = 0;
  for (auto _ : state) {
    const auto& [i, j] = w.Pairs[k++ % w.Pairs.size()];
    auto r = t.Combine(w.A[static_cast<std::size_t>(i)].Shape.get(),
                       w.B[static_cast<std::size_t>(j)].Shape.get(), false, op);
    benchmark::DoNotOptimize(r);
  }
}

using TGeosOverlay = GEOSGeometry* (*)(GEOSContextHandle_t, const GEOSGeometry*,
                                       const GEOSGeometry*);

void GeosPairs(benchmark::State& state, TGeosOverlay op) {
  TWorld& w = World();
  std::size_t k = 0;
  for (auto _ : state) {
    const auto& [i, j] = w.Pairs[k++ % w.Pairs.size()];
    GEOSGeometry* r =
        op(w.Ctx, w.A[static_cast<std::size_t>(i)].Geos, w.B[static_cast<std::size_t>(j)].Geos);
    benchmark::DoNotOptimize(r);
    GEOSGeom_destroy_r(w.Ctx, r);
  }
}

void BM_OurIntersection(benchmark::State& state) {
  OurPairs(state, gisTopologyIntersection);
}
void BM_GeosIntersection(benchmark::State& state) {
  GeosPairs(state, GEOSIntersection_r);
}
void BM_OurUnion(benchmark::State& state) {
  OurPairs(state, gisTopologyUnion);
}
void BM_GeosUnion(benchmark::State& state) {
  GeosPairs(state, GEOSUnion_r);
}

void BM_OurUnionShapes(benchmark::State& state) {
  TWorld& w = World();
  std::vector<TGIS_Shape*> list;
  for (TItem& item : w.A) list.push_back(item.Shape.get());
  for (auto _ : state) {
    TGIS_Topology t;
    auto r = t.UnionShapes(list);
    benchmark::DoNotOptimize(r);
  }
}

void BM_GeosUnaryUnion(benchmark::State& state) {
  TWorld& w = World();
  std::vector<GEOSGeometry*> clones;
  for (TItem& item : w.A) clones.push_back(GEOSGeom_clone_r(w.Ctx, item.Geos));
  GEOSGeometry* all = GEOSGeom_createCollection_r(w.Ctx, GEOS_MULTIPOLYGON, clones.data(),
                                                  static_cast<unsigned>(clones.size()));
  for (auto _ : state) {
    GEOSGeometry* r = GEOSUnaryUnion_r(w.Ctx, all);
    benchmark::DoNotOptimize(r);
    GEOSGeom_destroy_r(w.Ctx, r);
  }
  GEOSGeom_destroy_r(w.Ctx, all);
}

// ---- relate ----------------------------------------------------------------------------------

void BM_OurPreparedRelate(benchmark::State& state) {
  TWorld& w = World();
  TGIS_Topology t;
  t.SetPreparedShape(w.Prepared.Shape.get());
  t.Relate(w.Candidates[0].Shape.get(), w.Prepared.Shape.get(), "T");
  if (w.VerticesBefore < 0) w.VerticesBefore = t.PreparedVertexCount();
  std::size_t k = 0;
  for (auto _ : state) {
    TItem& c = w.Candidates[k % w.Candidates.size()];
    benchmark::DoNotOptimize(t.Relate(c.Shape.get(), w.Prepared.Shape.get(), Patterns[k % 3]));
    ++k;
  }
}

void BM_GeosPreparedRelate(benchmark::State& state) {
  TWorld& w = World();
  std::size_t k = 0;
  for (auto _ : state) {
    TItem& c = w.Candidates[k % w.Candidates.size()];
    const char r = k % 3 == 0 ? GEOSPreparedIntersects_r(w.Ctx, w.GeosPrepared, c.Geos)
                              : GEOSPreparedCovers_r(w.Ctx, w.GeosPrepared, c.Geos);
    benchmark::DoNotOptimize(r);
    ++k;
  }
}

BENCHMARK(BM_OurIntersection);
BENCHMARK(BM_GeosIntersection);
BENCHMARK(BM_OurUnion);
BENCHMARK(BM_GeosUnion);
BENCHMARK(BM_OurUnionShapes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosUnaryUnion)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurPreparedRelate);
BENCHMARK(BM_GeosPreparedRelate);

// ---- checks printed after the runs -----------------------------------------------------------

double OurArea(const TGIS_Shape* s) {
  if (s == nullptr) return 0;
  double sum = 0;
  for (int part = 0; part < s->GetNumParts(); ++part) {
    const int n = s->GetPartSize(part);
    const TGIS_Point o = s->GetPoint(part, 0);
    for (int i = 1; i + 1 < n; ++i) {
      const TGIS_Point p = s->GetPoint(part, i), q = s->GetPoint(part, i + 1);
      sum -= ((p.X - o.X) * (q.Y - o.Y) - (p.Y - o.Y) * (q.X - o.X)) / 2;
    }
  }
  return sum;
}

/// Prints the checks; false when the engines disagree.
bool PrintChecks() {
  TWorld& w = World();
  TGIS_Topology t;
  double ours = 0, theirs = 0;
  for (const auto& [i, j] : w.Pairs) {
    auto r = t.Combine(w.A[static_cast<std::size_t>(i)].Shape.get(),
                       w.B[static_cast<std::size_t>(j)].Shape.get(), false, gisTopologyIntersection);
    ours += OurArea(r.get());
    GEOSGeometry* g = GEOSIntersection_r(w.Ctx, w.A[static_cast<std::size_t>(i)].Geos,
                                         w.B[static_cast<std::size_t>(j)].Geos);
    double a = 0;
    GEOSArea_r(w.Ctx, g, &a);
    theirs += a;
    GEOSGeom_destroy_r(w.Ctx, g);
  }
  std::fputs(Format("pairs: %d; summed intersection areas: ours %.6f, GEOS %.6f, relative "
                    "difference %.3e\n",
                    {static_cast<int>(w.Pairs.size()), ours, theirs,
                     std::fabs(ours - theirs) / std::max(theirs, 1e-300)})
                 .c_str(),
             stdout);

  TGIS_Topology prepared;
  prepared.SetPreparedShape(w.Prepared.Shape.get());
  int mismatches = 0, listed = 0;
  const std::size_t checked = std::min<std::size_t>(w.Candidates.size(), Smoke() ? 10000 : 200000);
  for (std::size_t k = 0; k < checked; ++k) {
    TItem& c = w.Candidates[k];
    char* matrix = GEOSRelateBoundaryNodeRule_r(w.Ctx, c.Geos, w.Prepared.Geos,
                                                GEOSRELATE_BNR_ENDPOINT);
    for (int pi = 0; pi < 3; ++pi) {
      const char* p = Patterns[pi];
      const bool geos = GEOSRelatePatternMatch_r(w.Ctx, matrix, FullPatterns[pi]) == 1;
      const bool our = prepared.Relate(c.Shape.get(), w.Prepared.Shape.get(), p);
      if (w.VerticesBefore < 0) w.VerticesBefore = prepared.PreparedVertexCount();
      if (geos != our) {
        ++mismatches;
        if (listed++ < 10)
          std::fputs(Format("  mismatch: candidate %d pattern %s GEOS %s ours %d\n",
                            {static_cast<int>(k), p, matrix, our ? 1 : 0})
                         .c_str(),
                     stdout);
      }
    }
    GEOSFree_r(w.Ctx, matrix);
  }
  std::fputs(Format("relate mismatches against GEOS (%d candidates x 3 patterns): %d\n",
                    {static_cast<int>(checked), mismatches})
                 .c_str(),
             stdout);
  std::fputs(Format("prepared vertex count: before %d, after %d\n",
                    {w.VerticesBefore, prepared.PreparedVertexCount()})
                 .c_str(),
             stdout);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fputs(Format("peak resident memory: %d MB\n", {static_cast<int>(usage.ru_maxrss / 1024)})
                 .c_str(),
             stdout);
  return mismatches == 0 && std::fabs(ours - theirs) <= 1e-9 * theirs &&
         w.VerticesBefore == prepared.PreparedVertexCount();
}

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter({{"pair intersection", "BM_OurIntersection", "BM_GeosIntersection"},
                           {"pair union", "BM_OurUnion", "BM_GeosUnion"},
                           {"union of layer A", "BM_OurUnionShapes/iterations:1",
                            "BM_GeosUnaryUnion/iterations:1"},
                           {"prepared relate", "BM_OurPreparedRelate", "BM_GeosPreparedRelate"}},
                          "ours / GEOS");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool agree = PrintChecks();
  benchmark::Shutdown();
  return agree ? 0 : 1;
}
