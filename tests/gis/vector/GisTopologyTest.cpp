// The topology object: the automatic tolerance, shape repair against the
// even-odd region, the point operations, dispatch refusals, mapped shapes.
#include <gtest/gtest.h>

#include <cstring>

#include "gis/core/GisResource.h"
#include "tests/gis/vector/TopologyTestSupport.h"

using namespace topotest;

namespace {

constexpr double Sqrt05 = 0.70710678118654752440;

// ---- tolerance -----------------------------------------------------------------------------

TEST(TopologyTolerance, FollowsTheOperandsAndTheirPlace) {
  struct TCase {
    const char* Name;
    TPlacement At;
    double Size;
    double Expected; // T after one polygon combination
  };
  const TCase cases[] = {
      {"1000 units at the origin", {0, 0, 0}, 1000, 2 * 1000 / (1e14 * Sqrt05)},
      {"1000 units at UTM", {0, 5e5, 5e6}, 1000, 2 * (5e6 + 1000) / (1e14 * Sqrt05)},
      {"1 unit far south-east", {0, 1e7, -1e7}, 1, 2 * (1e7 + 1) / (1e14 * Sqrt05)},
  };
  for (const TCase& c : cases) {
    const auto a = Polygon(c.At.Apply(std::vector<TRing>{Square(0, 0, c.Size)}));
    const auto b = Polygon(c.At.Apply(std::vector<TRing>{Square(c.Size / 4, 0, c.Size / 2)}));
    TGIS_Topology t;
    ASSERT_NE(t.Combine(a.get(), b.get(), false, gisTopologyUnion), nullptr) << c.Name;
    EXPECT_NEAR(t.Tolerance(), c.Expected, 1e-6 * c.Expected) << c.Name;
    EXPECT_NEAR(t.SnapRadius(), t.Tolerance() / 2 * Sqrt05, 1e-20) << c.Name;
    EXPECT_NEAR(t.MergeRadius(), 0.9 * t.SnapRadius(), 1e-20) << c.Name;
  }
}

TEST(TopologyTolerance, LargeToleranceIsCappedByTheHeight) {
  const auto a = Polygon({{{0, 0}, {0, 10}, {1000, 10}, {1000, 0}}});
  const auto b = Polygon({{{500, 0}, {500, 10}, {1500, 10}, {1500, 0}}});
  TGIS_Topology t;
  t.SetTolerance(1e6);
  ASSERT_NE(t.Combine(a.get(), b.get(), false, gisTopologyIntersection), nullptr);
  EXPECT_DOUBLE_EQ(t.Tolerance(), 0.49 * 10);
  t.SetTolerance(-3);
  EXPECT_EQ(t.Tolerance(), 0);
}

// Flat operands (zero height) must not drive the tolerance to 0: identical
// level lines intersect to themselves on every call of a reused object.
TEST(TopologyTolerance, FlatOperandsKeepATolerance) {
  const auto a = Line({{{0, 0}, {10, 0}}});
  const auto b = Line({{{0, 0}, {10, 0}}});
  TGIS_Topology t;
  for (int call = 0; call < 4; ++call) {
    const auto r = t.Combine(a.get(), b.get(), false, gisTopologyIntersection);
    ASSERT_NE(r, nullptr) << "call " << call;
    EXPECT_NEAR(LengthOf(r.get()), 10, 1e-12);
    EXPECT_GT(t.Tolerance(), 0);
  }
  std::vector<std::unique_ptr<TGIS_Shape>> lines;
  for (int i = 0; i < 4; ++i)
    lines.push_back(Line({{{0, 0}, {10, 0}}}));
  std::vector<TGIS_Shape*> list;
  for (auto& l : lines)
    list.push_back(l.get());
  const auto u = t.UnionShapes(list);
  ASSERT_NE(u, nullptr);
  EXPECT_NEAR(LengthOf(u.get()), 10, 1e-12);
}

// At projected coordinates a point computed on an edge lies within the
// tolerance of it: a T-junction there gives no spike or sliver.
TEST(TopologyTolerance, ProjectedTJunctionsJoin) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(0.05, 0.95);
  int failures = 0;
  for (int i = 0; i < 200; ++i) {
    const TGIS_Point p{5e5 + 137.25, 5e6 + 911.5}, q{5e5 + 1137.25, 5e6 + 1711.5};
    const double f = u(rng);
    // A vertex of B computed on A's diagonal side.
    const TGIS_Point m{p.X + f * (q.X - p.X), p.Y + f * (q.Y - p.Y)};
    const auto a = Polygon({{p, {p.X, q.Y}, q}});
    const auto b = Polygon({{p, m, {q.X, p.Y}}});
    TGIS_Topology t;
    const auto r = t.Combine(a.get(), b.get(), false, gisTopologyUnion);
    if (r == nullptr || PartsOf(*r).size() != 1) ++failures;
  }
  EXPECT_EQ(failures, 0);
}

// ---- repair --------------------------------------------------------------------------------

struct TFixCase {
  const char* Name;
  std::vector<TRing> Rings;
  std::size_t Parts;
};

TEST(TopologyFix, AgreesWithTheEvenOddRegion) {
  const TFixCase cases[] = {
      {"figure eight", {{{0, 0}, {0, 2}, {2, 0}, {2, 2}}}, 2},
      {"bow-tie pair", {{{0, 0}, {2, 2}, {2, 0}, {0, 2}}, {{5, 0}, {7, 2}, {7, 0}, {5, 2}}}, 4},
      // Two pieces touching at two corners, the overlap left out.
      {"overlapping rings", {Square(0, 0, 2), Square(1, 1, 2)}, 2},
      {"spike", {{{0, 0}, {0, 2}, {1, 2}, {1, 5}, {1, 2}, {2, 2}, {2, 0}}}, 1},
      {"nested, both clockwise", {Square(0, 0, 10), Square(3, 3, 2)}, 2},
      {"nested, both counter-clockwise",
       {Reversed(Square(0, 0, 10)), Reversed(Square(3, 3, 2))},
       2},
      {"island in a hole", {Square(0, 0, 10), Square(2, 2, 6), Square(4, 4, 2)}, 3},
  };
  std::vector<std::string> requests;
  for (const TFixCase& c : cases) {
    const auto shape = Polygon(c.Rings);
    TGIS_Topology t;
    bool changed = false;
    const auto fixed = t.FixShapeEx(shape.get(), true, changed);
    ASSERT_NE(fixed, nullptr) << c.Name;
    EXPECT_TRUE(fixed->IsFixed()) << c.Name;
    EXPECT_EQ(PartsOf(*fixed).size(), c.Parts) << c.Name;
    // Every hole follows its outer ring: the first ring is an outer one.
    EXPECT_LT(StoredRingArea(PartsOf(*fixed)[0]), 0) << c.Name;
    requests.push_back("evenodd " + RingsHex(c.Rings) + " " + Hex(fixed.get()));
  }
  const auto answers = AskGeos(requests);
  ASSERT_EQ(answers.size(), requests.size()) << "the GEOS oracle did not answer";
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const auto v = Numbers(answers[i]);
    ASSERT_EQ(v.size(), 3u) << cases[i].Name << ": " << answers[i];
    EXPECT_LE(v[1], 1e-9 * v[0]) << cases[i].Name;
    EXPECT_EQ(v[2], 1) << cases[i].Name << " is not valid";
  }
}

TEST(TopologyFix, ReportsWhetherAnythingChanged) {
  TGIS_Topology t;
  bool changed = true;
  const auto clean = Polygon({Square(0, 0, 1)});
  EXPECT_EQ(t.FixShapeEx(clean.get(), false, changed), nullptr);
  EXPECT_FALSE(changed);
  EXPECT_TRUE(clean->IsFixed());
  // Every change of the geometry clears the mark (the exchange writers trust
  // the ring order of a fixed shape).
  clean->SetPoint(0, 1, {0, 2});
  EXPECT_FALSE(clean->IsFixed());
  const auto ccw = Polygon({Reversed(Square(0, 0, 1))});
  t.FixShapeEx(ccw.get(), false, changed);
  EXPECT_TRUE(changed);
  EXPECT_LT(StoredRingArea(PartsOf(*ccw)[0]), 0) << "rewritten clockwise";
  const auto eight = Polygon({{{0, 0}, {0, 2}, {2, 0}, {2, 2}}});
  t.FixShapeEx(eight.get(), false, changed);
  EXPECT_TRUE(changed);
  EXPECT_EQ(PartsOf(*eight).size(), 2u);
  // A polygon that covers some area is never emptied, not even a sliver
  // thinner than the tolerance: it stays as it was (and is not marked fixed).
  const TRing thin{{0, 0}, {0, 1e-13}, {1000, 0}};
  const auto sliver = Polygon({thin});
  const auto same = [&](const TGIS_Shape& s) {
    const auto parts = PartsOf(s);
    return parts.size() == 1 && parts[0].size() == 4 &&
           std::equal(thin.begin(), thin.end(), parts[0].begin(), GisIsSamePoint);
  };
  EXPECT_EQ(t.FixShapeEx(sliver.get(), false, changed), nullptr);
  EXPECT_FALSE(changed);
  EXPECT_FALSE(sliver->IsFixed());
  EXPECT_TRUE(same(*sliver));
  const auto kept = t.FixShape(sliver.get(), true);
  ASSERT_NE(kept, nullptr);
  EXPECT_TRUE(same(*kept));
  // Points are not repaired.
  const auto p = Points({{1, 1}});
  EXPECT_EQ(t.FixShapeEx(p.get(), true, changed), nullptr);
  EXPECT_FALSE(changed);
}

TEST(TopologyFix, SelfCrossingLineIsCutWhereItCrosses) {
  const auto line = Line({{{0, 0}, {4, 4}, {4, 0}, {0, 4}}});
  TGIS_Topology t;
  bool changed = false;
  const auto fixed = t.FixShapeEx(line.get(), true, changed);
  ASSERT_NE(fixed, nullptr);
  EXPECT_TRUE(changed);
  EXPECT_EQ(PartsOf(*fixed).size(), 3u);
  EXPECT_NEAR(LengthOf(fixed.get()), LengthOf(line.get()), 1e-12);
}

/// A polygon record as a file layer maps it: box, counts, part starts, points.
std::vector<std::uint8_t> PolygonRecord(const TRing& ring) {
  TRing closed = Closed(ring);
  std::vector<std::uint8_t> raw(32 + 8 + 4 + 16 * closed.size());
  const auto put = [&](std::size_t at, const void* v, std::size_t n) {
    std::memcpy(raw.data() + at, v, n);
  };
  double box[4] = {1e300, 1e300, -1e300, -1e300};
  for (const TGIS_Point& p : closed) {
    box[0] = std::min(box[0], p.X);
    box[1] = std::min(box[1], p.Y);
    box[2] = std::max(box[2], p.X);
    box[3] = std::max(box[3], p.Y);
  }
  put(0, box, 32);
  const std::int32_t parts = 1, points = static_cast<std::int32_t>(closed.size()), start = 0;
  put(32, &parts, 4);
  put(36, &points, 4);
  put(40, &start, 4);
  for (std::size_t i = 0; i < closed.size(); ++i)
    put(44 + 16 * i, &closed[i], 16);
  return raw;
}

TEST(TopologyFix, MappedShapeIsRefusedInPlaceButCopiedWhenNew) {
  const auto raw = PolygonRecord(Reversed(Square(0, 0, 1)));
  TGIS_ShapePolygon mapped(nullptr, raw, true);
  ASSERT_TRUE(mapped.IsMapped());
  TGIS_Topology t;
  try {
    t.FixShape(&mapped, false);
    FAIL() << "a mapped shape was rewritten";
  } catch (const EGIS_Exception& e) {
    EXPECT_STREQ(e.what(), "0060 Shape is not ediatble");
  }
  const auto copy = t.FixShape(&mapped, true);
  ASSERT_NE(copy, nullptr);
  EXPECT_LT(StoredRingArea(PartsOf(*copy)[0]), 0);
}

// ---- dispatch and points -------------------------------------------------------------------

TEST(TopologyPoints, TwoPointsNearAndApart) {
  // At (100, 100) the tolerance of two points is 2 x 100 / (1e14 x sqrt(1/2)).
  const double t0 = 2 * 100 / (1e14 * Sqrt05);
  struct TCase {
    double Offset; // in tolerances
    TGIS_TopologyOperation Op;
    int Expected; // points in the result, 0 for none
  };
  const TCase cases[] = {
      {0.5, gisTopologyUnion, 1},      {0.5, gisTopologyIntersection, 1},
      {0.5, gisTopologyDifference, 0}, {0.5, gisTopologySymmetricDifference, 0},
      {1.5, gisTopologyUnion, 2},      {1.5, gisTopologyIntersection, 0},
      {1.5, gisTopologyDifference, 1}, {1.5, gisTopologySymmetricDifference, 2},
  };
  for (const TCase& c : cases) {
    const auto a = Points({{100, 100}});
    const auto b = Points({{100 + c.Offset * t0, 100}});
    TGIS_Topology t;
    const auto r = t.Combine(a.get(), b.get(), false, c.Op);
    const int got = r == nullptr ? 0 : r->GetNumPoints();
    EXPECT_EQ(got, c.Expected) << c.Offset << " op " << int(c.Op);
    if (got == 1) {
      EXPECT_EQ(r->GetPoint(0, 0).X, 100);
    }
  }
}

TEST(TopologyPoints, PointsWithPolygonsAndLines) {
  const auto square = Polygon({Square(0, 0, 2)});
  const auto line = Line({{{0, 0}, {2, 0}}});
  const auto pts = Points({{1, 1}, {5, 5}, {2, 1}, {1, 0}});
  TGIS_Topology t;
  const auto in = t.Combine(pts.get(), square.get(), false, gisTopologyIntersection);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->GetNumPoints(), 3); // inside, on the right side, on the bottom side
  const auto out = t.Combine(square.get(), pts.get(), false, gisTopologyDifference);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->GetNumPoints(), 1);
  EXPECT_EQ(out->GetPoint(0, 0).X, 5);
  EXPECT_EQ(t.Combine(pts.get(), square.get(), false, gisTopologyUnion), nullptr);
  const auto onLine = t.Combine(pts.get(), line.get(), false, gisTopologyIntersection);
  ASSERT_NE(onLine, nullptr);
  EXPECT_EQ(onLine->GetNumPoints(), 1);
  EXPECT_EQ(t.Combine(line.get(), pts.get(), false, gisTopologySymmetricDifference), nullptr);
  // Multipoints with multipoints: a point in both lands once in the union.
  const auto other = Points({{1, 1}, {7, 7}});
  const auto u = t.Combine(pts.get(), other.get(), false, gisTopologyUnion);
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(u->GetNumPoints(), 5);
  const auto x = t.Combine(pts.get(), other.get(), false, gisTopologySymmetricDifference);
  EXPECT_EQ(x->GetNumPoints(), 4);
  // A multipoint minus a point, one point left: a point shape.
  const auto two = Points({{1, 1}, {3, 3}});
  const auto one = Points({{3, 3}});
  const auto left = t.Combine(two.get(), one.get(), false, gisTopologyDifference);
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(left->ShapeType(), gisShapeTypePoint);
}

// Points just outside a polygon: within T of a side they lie on it (the
// intersection takes them at their place on the side), farther they are out.
TEST(TopologyPoints, PointsNearAPolygonSideSnapOntoIt) {
  const auto square = Polygon({Square(0, 0, 10)});
  TGIS_Topology t;
  const auto probe = Points({{5, 5}, {20, 20}});
  t.Combine(probe.get(), square.get(), false, gisTopologyIntersection);
  const double tol = t.Tolerance();
  ASSERT_GT(tol, 0);
  const auto pts = Points({{5, 5}, {10 + 0.5 * tol, 5}, {10 + 1.5 * tol, 7}, {3, -0.5 * tol}});
  const auto in = t.Combine(pts.get(), square.get(), false, gisTopologyIntersection);
  ASSERT_NE(in, nullptr);
  const TRing kept = PartsOf(*in)[0];
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[0].X, 5);
  EXPECT_NEAR(kept[1].X, 10, 1e-15) << "moved onto the side";
  EXPECT_EQ(kept[1].Y, 5);
  EXPECT_NEAR(kept[2].Y, 0, 1e-15);
  const auto out = t.Combine(pts.get(), square.get(), false, gisTopologyDifference);
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(out->GetNumPoints(), 1);
  EXPECT_EQ(out->GetPoint(0, 0).Y, 7);
}

TEST(TopologyDispatch, MissingOperands) {
  const auto a = Polygon({Square(0, 0, 1)});
  TGIS_Topology t;
  EXPECT_EQ(t.Combine(nullptr, nullptr, false, gisTopologyUnion), nullptr);
  EXPECT_NE(t.Combine(nullptr, a.get(), false, gisTopologyUnion), nullptr);
  EXPECT_EQ(t.Combine(nullptr, a.get(), false, gisTopologyDifference), nullptr);
  EXPECT_NE(t.Combine(a.get(), nullptr, false, gisTopologyDifference), nullptr);
  EXPECT_EQ(t.Combine(a.get(), nullptr, false, gisTopologyIntersection), nullptr);
}

TEST(TopologyDispatch, FixRepairsThePolygonOperandsInPlace) {
  auto a = Polygon({{{0, 0}, {0, 2}, {2, 0}, {2, 2}}});
  const auto b = Polygon({Square(0, 0, 2)});
  TGIS_Topology t;
  const auto r = t.Combine(a.get(), b.get(), true, gisTopologyIntersection);
  EXPECT_EQ(PartsOf(*a).size(), 2u);
  EXPECT_NEAR(AreaOf(r.get()), 2, 1e-12);
}

// Small polygons far from the origin, where the tolerance grows with the
// coordinates: their overlays keep their area, repair keeps them, and a
// real sliver still goes.
TEST(TopologyTolerance, SmallPolygonsFarFromTheOriginSurvive) {
  struct TCase {
    const char* Name;
    TGIS_Point At;
    double Side;
  } cases[] = {
      {"0.1 mm at UTM", {500000, 5000000}, 1e-4},
      {"1e-6 degrees near the pole", {179, 89}, 1e-6},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const double d = c.Side;
    auto a = Polygon({Square(c.At.X, c.At.Y, d)});
    auto b = Polygon({Square(c.At.X + d / 2, c.At.Y + d / 2, d)});
    TGIS_Topology t;
    const auto u = t.Combine(a.get(), b.get(), false, gisTopologyUnion);
    const auto i = t.Combine(a.get(), b.get(), false, gisTopologyIntersection);
    ASSERT_NE(u, nullptr);
    ASSERT_NE(i, nullptr);
    EXPECT_NEAR(AreaOf(u.get()), 1.75 * d * d, 1e-4 * d * d);
    EXPECT_NEAR(AreaOf(i.get()), 0.25 * d * d, 1e-4 * d * d);
    // Repair in place (as the editor's end of editing does) keeps it, and
    // so does a repaired copy.
    auto ccw = Polygon({Reversed(Square(c.At.X, c.At.Y, d))});
    t.FixShape(ccw.get(), false);
    EXPECT_FALSE(ccw->IsEmpty());
    EXPECT_NEAR(AreaOf(ccw.get()), d * d, 1e-4 * d * d);
    const auto copy = t.FixShape(a.get(), true);
    ASSERT_NE(copy, nullptr);
    EXPECT_NEAR(AreaOf(copy.get()), d * d, 1e-4 * d * d);
    // Real slivers still go: two squares a few tenths of the tolerance apart
    // differ by nothing.
    auto shifted = Polygon({Square(c.At.X + 0.4 * t.Tolerance(), c.At.Y, d)});
    EXPECT_EQ(t.Combine(a.get(), shifted.get(), false, gisTopologySymmetricDifference), nullptr);
  }
}

// Shapes and layers relate through this engine without any set-up.
TEST(TopologyRegistration, ShapesRelateThroughTheEngine) {
  const auto a = Polygon({Square(0, 0, 2)}), b = Polygon({Square(1, 1, 2)});
  EXPECT_TRUE(a->Relate(b.get(), "212101212"));
  EXPECT_FALSE(a->Relate(b.get(), "**F"));
  EXPECT_NE(dynamic_cast<TGIS_Topology*>(GisCreateTopology().get()), nullptr);
}

} // namespace
