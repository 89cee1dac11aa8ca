// The planar tests: even-odd point in polygon and segment intersection.
#include <gtest/gtest.h>
#include <random>

#include "GeometryTestSupport.h"
#include "gis/core/GisDefsNumbers.h"

TEST(GisGeometryPlanar, PointInPolygonIsEvenOddAndHalfOpen) {
  // A 10 × 10 square with a 2 × 2 hole, and a second ring far away.
  auto polygon = ShapeOf(gisShapeTypePolygon, {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}},
                                               {{4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 4}},
                                               {{20, 0}, {20, 2}, {22, 2}, {22, 0}, {20, 0}}});
  struct Row {
    const char* name;
    TGIS_Point point;
    int part;
    bool inside;
  } rows[] = {
      {"inside", {2, 2}, -1, true},
      {"in the hole", {5, 5}, -1, false},
      {"on the bottom edge", {2, 0}, -1, true},
      {"on the top edge", {2, 10}, -1, false},
      {"on the left edge", {0, 2}, -1, true},
      {"on the right edge", {10, 2}, -1, false},
      {"second island", {21, 1}, -1, true},
      {"outside", {15, 1}, -1, false},
      {"hole ring alone", {5, 5}, 1, true},
      {"outer ring alone", {5, 5}, 0, true},
      {"ring beyond the last", {21, 1}, 3, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(GisPointInPolygon(row.point, polygon.get(), row.part), row.inside);
  }
  auto arc = ShapeOf(gisShapeTypeArc, {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}});
  EXPECT_FALSE(GisPointInPolygon({2, 2}, arc.get(), -1));
  EXPECT_FALSE(GisPointInPolygon({2, 2}, nullptr, -1));
}

TEST(GisGeometryPlanar, PointInPolygonAgreesWithGeos) {
  // Points at least 1e-9 from every edge, tested by GEOS's `contains`.
  const auto lines = TabLines(DataPath("wkb/point-in-polygon.txt"));
  ASSERT_GT(lines.size(), 10000u);
  std::unique_ptr<TGIS_Shape> polygon;
  int tested = 0;
  for (const auto& cells : lines) {
    if (cells.size() == 1) {
      polygon = GisCreateShapeFromWKT(cells[0]);
      continue;
    }
    ASSERT_EQ(cells.size(), 3u);
    const TGIS_Point p{GisStrToFloat(cells[0]), GisStrToFloat(cells[1])};
    EXPECT_EQ(GisPointInPolygon(p, polygon.get(), -1), cells[2] == "1")
        << cells[0] << " " << cells[1];
    ++tested;
  }
  EXPECT_EQ(tested, 10000);
}

namespace planar_index_test {

/// The even-odd ray test edge by edge over GetPoint: the reference the
/// indexed test must equal bit for bit.
bool EdgeByEdge(const TGIS_Point& p, const TGIS_Shape& shape, int part) {
  bool inside = false;
  for (int r = 0; r < shape.GetNumParts(); ++r) {
    if (part >= 0 && r != part) continue;
    const int n = shape.GetPartSize(r);
    for (int i = 0; i < n; ++i) {
      const TGIS_Point a = shape.GetPoint(r, i), b = shape.GetPoint(r, (i + n - 1) % n);
      if (((a.Y <= p.Y && p.Y < b.Y) || (b.Y <= p.Y && p.Y < a.Y)) &&
          a.X + (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) > p.X)
        inside = !inside;
    }
  }
  return inside;
}

} // namespace planar_index_test

TEST(GisGeometryPlanar, LargePolygonsAnswerFromTheirIndexAsEdgeByEdge) {
  // A spiky 3000-vertex star with three holes at projected coordinates.
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> radius(700, 1000), unit(0, 1);
  const TGIS_Point c{5e5, 5e6};
  TParts parts(1);
  for (int i = 0; i < 3000; ++i) {
    const double a = -2 * 3.14159265358979 * i / 3000, r = radius(rng);
    parts[0].push_back({c.X + r * std::cos(a), c.Y + r * std::sin(a)});
  }
  parts[0].push_back(parts[0].front());
  for (int h = 0; h < 3; ++h) {
    const TGIS_Point hc{c.X + 300 * std::cos(2.1 * h), c.Y + 300 * std::sin(2.1 * h)};
    parts.push_back({{hc.X - 50, hc.Y - 50}, {hc.X + 50, hc.Y - 50}, {hc.X + 50, hc.Y + 50},
                     {hc.X - 50, hc.Y + 50}, {hc.X - 50, hc.Y - 50}});
  }
  auto polygon = ShapeOf(gisShapeTypePolygon, parts);
  ASSERT_EQ(GisPointTestIndex(*polygon), nullptr) << "no index before the first test";
  // Random points, every vertex, edge midpoints and points level with
  // vertices (the half-open cases), for the whole polygon and single rings.
  std::vector<TGIS_Point> points;
  for (int i = 0; i < 4000; ++i)
    points.push_back({c.X + 2200 * (unit(rng) - 0.5), c.Y + 2200 * (unit(rng) - 0.5)});
  for (const auto& ring : parts) {
    for (std::size_t i = 0; i + 1 < ring.size(); i += 5) {
      points.push_back(ring[i]);
      points.push_back({(ring[i].X + ring[i + 1].X) / 2, (ring[i].Y + ring[i + 1].Y) / 2});
      points.push_back({ring[i].X - 0.5, ring[i].Y});
      points.push_back({ring[i].X + 1e-9, ring[i].Y});
    }
  }
  int mismatches = 0, inside = 0;
  for (const TGIS_Point& p : points) {
    for (int part : {-1, 0, 2}) {
      const bool expected = planar_index_test::EdgeByEdge(p, *polygon, part);
      if (GisPointInPolygon(p, polygon.get(), part) != expected) ++mismatches;
      if (part < 0 && expected) ++inside;
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(inside, 1000) << "the table tests both answers";
  EXPECT_NE(GisPointTestIndex(*polygon), nullptr);
  EXPECT_FALSE(GisPointInPolygon(c, polygon.get(), 4)) << "a ring beyond the last";

  // A changed geometry drops the index: moving the first vertex far out
  // puts a point beyond the old outline inside.
  const TGIS_Point far{c.X + 5000, c.Y - 0.01};
  EXPECT_FALSE(GisPointInPolygon(far, polygon.get(), -1));
  polygon->SetPoint(0, 0, {c.X + 6000, c.Y});
  EXPECT_EQ(GisPointTestIndex(*polygon), nullptr);
  for (int k = 0; k < 3; ++k)
    EXPECT_TRUE(GisPointInPolygon(far, polygon.get(), -1)) << k;
  EXPECT_NE(GisPointTestIndex(*polygon), nullptr);
  EXPECT_EQ(planar_index_test::EdgeByEdge(far, *polygon, -1), true);
}

TEST(GisGeometryPlanar, SegmentsMeetWithTheirEnds) {
  struct Row {
    const char* name;
    TGIS_Segment p, q;
    bool meet;
    TGIS_Point at;
  } rows[] = {
      {"crossing", {{0, 0}, {4, 4}}, {{0, 4}, {4, 0}}, true, {2, 2}},
      {"touching at ends", {{0, 0}, {2, 2}}, {{2, 2}, {5, 0}}, true, {2, 2}},
      {"T junction", {{0, 0}, {4, 0}}, {{2, 0}, {2, 3}}, true, {2, 0}},
      {"apart", {{0, 0}, {1, 1}}, {{3, 0}, {0, 3.5}}, false, {}},
      {"collinear overlap", {{0, 0}, {4, 0}}, {{2, 0}, {6, 0}}, false, {}},
      {"parallel", {{0, 0}, {4, 0}}, {{0, 1}, {4, 1}}, false, {}},
      {"degenerate", {{1, 1}, {1, 1}}, {{0, 0}, {2, 2}}, false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(GisSegmentsCross(row.p, row.q), row.meet);
    TGIS_Point at{-7, -7};
    EXPECT_EQ(GisSegmentsIntersection(row.p, row.q, at), row.meet);
    if (row.meet) {
      EXPECT_EQ(at.X, row.at.X);
      EXPECT_EQ(at.Y, row.at.Y);
    } else {
      EXPECT_EQ(at.X, -7);
    }
  }
}

TEST(GisGeometryPlanar, SegmentsCrossAgreesWithExactArithmetic) {
  // Integer segments: the exact answer from 64-bit integers (r = a / d and
  // s = b / d within [0, 1] by signs and sizes).
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> coord(-20, 20);
  int meetings = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t p1x = coord(rng), p1y = coord(rng), p2x = coord(rng), p2y = coord(rng);
    const std::int64_t q1x = coord(rng), q1y = coord(rng), q2x = coord(rng), q2y = coord(rng);
    const std::int64_t d = (p2x - p1x) * (q2y - q1y) - (p2y - p1y) * (q2x - q1x);
    const std::int64_t a = (p1y - q1y) * (q2x - q1x) - (p1x - q1x) * (q2y - q1y);
    const std::int64_t b = (p1y - q1y) * (p2x - p1x) - (p1x - q1x) * (p2y - p1y);
    auto within = [d](std::int64_t n) { return d > 0 ? n >= 0 && n <= d : n <= 0 && n >= d; };
    const bool exact = d != 0 && within(a) && within(b);
    meetings += exact;
    const TGIS_Segment p{{double(p1x), double(p1y)}, {double(p2x), double(p2y)}};
    const TGIS_Segment q{{double(q1x), double(q1y)}, {double(q2x), double(q2y)}};
    ASSERT_EQ(GisSegmentsCross(p, q), exact) << i;
  }
  EXPECT_GT(meetings, 1000);
}
