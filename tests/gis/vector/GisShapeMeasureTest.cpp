// Measures of the shape classes: lengths, areas, centroids, distances to
// parts, points along lines, sub-lines and label points.
#include <gtest/gtest.h>

#include "ShapeTestSupport.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisShapeSegments.h"

namespace {
TGIS_ShapeArc* Arc(std::unique_ptr<TGIS_Shape>& s) {
  return static_cast<TGIS_ShapeArc*>(s.get());
}

const TParts SQUARE_CW = {{{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}}};
const TParts SQUARE_CCW = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}};
} // namespace

TEST(GisShapeMeasure, DistanceToPartRefusesAPartBeyondTheLast) {
  // part = the part count used to read one part too far.
  struct Row {
    TGIS_ShapeType type;
    TParts parts;
  } rows[] = {
      {gisShapeTypePoint, {{{1, 1}}}},
      {gisShapeTypeMultiPoint, {{{1, 1}, {2, 2}}}},
      {gisShapeTypeArc, {{{0, 0}, {1, 1}}, {{5, 5}, {6, 6}}}},
      {gisShapeTypePolygon, {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}}},
  };
  for (const Row& row : rows) {
    auto s = MakeShape(row.type, row.parts);
    const int parts = s->GetNumParts();
    TGIS_Point nearest;
    EXPECT_NO_THROW(s->DistanceToPart({0, 0}, parts - 1, nearest, 0)) << int(row.type);
    for (int bad : {parts, parts + 1, -1}) {
      try {
        s->DistanceToPart({0, 0}, bad, nearest, 0);
        ADD_FAILURE() << "type " << int(row.type) << " part " << bad;
      } catch (const EAssertionFailed& e) {
        EXPECT_NE(e.Message().find("Assertion failure"), std::string::npos);
      }
    }
  }
}

TEST(GisShapeMeasure, DistancesAndNearestPoints) {
  TGIS_Point nearest;
  // Multipoint: two vertices equally near, the first is reported.
  auto mp = MakeShape(gisShapeTypeMultiPoint, {{{0, 5}, {5, 0}, {0, -5}}});
  EXPECT_DOUBLE_EQ(mp->DistanceToPart({0, 0}, 0, nearest, 0), 5);
  EXPECT_TRUE(GisIsSamePoint(nearest, {0, 5}));
  // Arc: the first of two equally near segments.
  auto arc = MakeShape(gisShapeTypeArc, {{{-1, 2}, {1, 2}, {3, 0}, {3, -2}}});
  EXPECT_DOUBLE_EQ(arc->DistanceToPart({0, 0}, 0, nearest, 0), 2);
  EXPECT_TRUE(GisIsSamePoint(nearest, {0, 2}));
  // A part of one vertex measures to that vertex.
  auto one = MakeShape(gisShapeTypeArc, {{{3, 4}}});
  EXPECT_DOUBLE_EQ(one->DistanceToPart({0, 0}, 0, nearest, 0), 5);
  // An empty part: 1.7e308 and the query point.
  auto empty = GisCreateShapeOfType(gisShapeTypeArc, 0, nullptr);
  empty->AddPart();
  EXPECT_EQ(empty->DistanceToPart({7, 8}, 0, nearest, 0), 1.7e308);
  EXPECT_TRUE(GisIsSamePoint(nearest, {7, 8}));
}

TEST(GisShapeMeasure, PolygonDistanceGivesTheInsideBonus) {
  // A 40 x 40 square around (0, 0); the query point sits 10 or 2 from an edge.
  auto square = MakeShape(gisShapeTypePolygon, {{{-20, -20}, {-20, 20}, {20, 20}, {20, -20}}});
  struct Row {
    TGIS_Point query;
    double tolerance, distance;
    bool nearestIsQuery;
  } rows[] = {
      {{10, 0}, 5, 4.5, true},  // edge 10 away: 0.9 × the tolerance
      {{18, 0}, 5, 1.8, false}, // edge 2 away: 0.9 × 2
      {{10, 0}, -1, 10, false}, // no bonus with a negative tolerance
      {{30, 0}, 5, 10, false},  // outside: the plain distance
      {{0, 0}, 0, 0, true},     // zero tolerance inside scores 0
  };
  for (const Row& row : rows) {
    TGIS_Point nearest;
    EXPECT_NEAR(square->DistanceToPart(row.query, 0, nearest, row.tolerance), row.distance, 1e-12)
        << row.query.X << " " << row.tolerance;
    EXPECT_EQ(GisIsSamePoint(nearest, row.query), row.nearestIsQuery) << row.query.X;
  }
}

TEST(GisShapeMeasure, AreasCentroidsAndLengths) {
  struct Row {
    const char* name;
    TParts rings;
    double area, length, firstRing;
    TGIS_Point centroid;
  } rows[] = {
      {"clockwise unit square", SQUARE_CW, 1, 4, 4, {0.5, 0.5}},
      {"anticlockwise unit square", SQUARE_CCW, 1, 4, 4, {0.5, 0.5}},
      {"opposite hole subtracts",
       {{{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}}, {{1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}}},
       15,
       20,
       16,
       {(16 * 2 - 1.5) / 15, (16 * 2 - 1.5) / 15}},
      {"same-direction hole adds",
       {{{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}}, {{1, 1}, {1, 2}, {2, 2}, {2, 1}, {1, 1}}},
       17,
       20,
       16,
       {(16 * 2 + 1.5) / 17, (16 * 2 + 1.5) / 17}},
      {"zero area: centre of the extent",
       {{{0, 0}, {4, 2}, {0, 0}}},
       0,
       2 * std::sqrt(20.0),
       2 * std::sqrt(20.0),
       {2, 1}},
  };
  for (const Row& row : rows) {
    auto p = MakeShape(gisShapeTypePolygon, row.rings);
    EXPECT_NEAR(p->GetArea(), row.area, 1e-12) << row.name;
    EXPECT_NEAR(p->GetLength(), row.length, 1e-12) << row.name;
    EXPECT_NEAR(p->GetCentroid().X, row.centroid.X, 1e-12) << row.name;
    EXPECT_NEAR(p->GetCentroid().Y, row.centroid.Y, 1e-12) << row.name;
    EXPECT_NEAR(p->GetPartLength(0), row.firstRing, 1e-12) << row.name;
    EXPECT_EQ(p->GetPartLength(p->GetNumParts()), 0) << row.name;
  }
  // Lines: lengths per part and over all parts; no area.
  auto line = MakeShape(gisShapeTypeArc, {{{0, 0}, {3, 4}}, {{10, 0}, {10, 2}, {12, 2}}});
  EXPECT_DOUBLE_EQ(line->GetLength(), 9);
  EXPECT_DOUBLE_EQ(line->GetPartLength(1), 4);
  EXPECT_EQ(line->GetPartLength(-1), 0);
  EXPECT_EQ(line->GetPartLength(2), 0);
  EXPECT_EQ(line->GetArea(), 0);
  // The centroid lies half way along: here on the first part.
  EXPECT_TRUE(GisIsSamePoint(line->GetCentroid(), {2.7, 3.6}));
  EXPECT_TRUE(
      GisIsSamePoint(MakeShape(gisShapeTypeArc, {{{0, 0}, {10, 0}}})->GetCentroid(), {5, 0}));
  // Point-like shapes.
  EXPECT_TRUE(GisIsSamePoint(MakeShape(gisShapeTypePoint, {{{3, 4}}})->GetCentroid(), {3, 4}));
  EXPECT_TRUE(GisIsSamePoint(
      MakeShape(gisShapeTypeMultiPoint, {{{0, 0}, {4, 2}, {1, 8}}})->GetCentroid(), {2, 4}));
}

TEST(GisShapeMeasure, PointsAlongLines) {
  auto line = MakeShape(gisShapeTypeArc, {{{0, 0}, {10, 0}}, {{0, 0}, {0, 10}}});
  struct Row {
    int part;
    double offset, distance;
    TGIS_Point expected;
  } rows[] = {
      {-1, 0, 5, {5, 0}},  {-1, 2, 5, {5, -2}},   // offsets to the right
      {-1, 2, 15, {2, 5}}, {-1, -2, 15, {-2, 5}}, // the second part
      {-1, 0, -3, {0, 0}}, {-1, 0, 25, {0, 10}},  // clamped to the line
      {1, 0, 5, {0, 5}},   {0, 0, 15, {10, 0}},   // one part alone
      {2, 0, 5, {0, 0}},                          // no such part
  };
  for (const Row& row : rows) {
    TGIS_Point p{99, 99};
    Arc(line)->GetPointOnLine(row.part, p, row.offset, row.distance);
    EXPECT_NEAR(p.X, row.expected.X, 1e-12) << row.part << " " << row.distance;
    EXPECT_NEAR(p.Y, row.expected.Y, 1e-12) << row.part << " " << row.distance;
  }
  TGIS_Point p{99, 99};
  static_cast<TGIS_ShapeArc*>(GisCreateShapeOfType(gisShapeTypeArc, 0, nullptr).get())
      ->GetPointOnLine(-1, p, 0, 1);
  EXPECT_TRUE(GisIsSamePoint(p, {0, 0})) << "no segment";
}

TEST(GisShapeMeasure, SubLines) {
  auto line = MakeShape(gisShapeTypeArc, {{{0, 0}, {10, 0}, {10, 10}}, {{20, 0}, {30, 0}}});
  struct Row {
    int part;
    double from, to;
    TParts expected;
  } rows[] = {
      {-1, 2, 8, {{{2, 0}, {8, 0}}}},                          // one segment
      {-1, 5, 15, {{{5, 0}, {10, 0}, {10, 5}}}},               // across a vertex
      {-1, 15, 25, {{{10, 5}, {10, 10}}, {{20, 0}, {25, 0}}}}, // across parts
      {-1, -5, 3, {{{0, 0}, {3, 0}}}},                         // clamped start
      {-1, 28, 99, {{{28, 0}, {30, 0}}}},                      // clamped end
      {1, 2, 4, {{{22, 0}, {24, 0}}}},                         // one part alone
      {-1, 8, 2, {}},                                          // from > to
      {3, 0, 5, {}},                                           // no such part
  };
  for (const Row& row : rows) {
    auto sub = Arc(line)->GetSubLine(row.part, row.from, row.to);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->Layer(), nullptr);
    EXPECT_EQ(sub->LockLevel(), 0);
    const TParts got = PartsOf(*sub);
    ASSERT_EQ(got.size(), row.expected.size()) << row.from << ".." << row.to;
    for (std::size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k].size(), row.expected[k].size()) << row.from << ".." << row.to;
      for (std::size_t i = 0; i < got[k].size(); ++i)
        EXPECT_TRUE(GisIsSamePoint(got[k][i], row.expected[k][i]))
            << row.from << ".." << row.to << " part " << k << " vertex " << i;
    }
  }
}

TEST(GisShapeMeasure, WalksReachTheEndOfEveryPartWhateverTheRounding) {
  // Part by part the lengths sum to 20.5; segment by segment, as the walk
  // goes, to 20.499999999999996. Distances at or beyond the end used to stop
  // short of it: no point ((0, 0)) and no sub-line.
  auto line = MakeShape(gisShapeTypeArc,
                        {{{9.3, 0}, {4.2, 0}, {9.2, 0}}, {{1, 0}, {6.3, 0}, {7.2, 0}, {3, 0}}});
  const double length = line->GetLength();
  for (double d : {length, 1e9}) {
    TGIS_Point p;
    Arc(line)->GetPointOnLine(-1, p, 0, d);
    EXPECT_NEAR(p.X, 3, 1e-12) << d;
    EXPECT_EQ(p.Y, 0) << d;
    auto sub = Arc(line)->GetSubLine(-1, d, 1e9);
    const TParts got = PartsOf(*sub);
    ASSERT_EQ(got.size(), 1u) << d;
    ASSERT_EQ(got[0].size(), 2u) << d;
    EXPECT_NEAR(got[0][0].X, 3, 1e-12) << d;
    EXPECT_NEAR(got[0][1].X, 3, 1e-12) << d;
  }
  // The whole line as a sub-line ends at the last vertex too.
  auto whole = Arc(line)->GetSubLine(-1, 0, 1e9);
  EXPECT_NEAR(whole->GetLastPoint().X, 3, 1e-12);
  EXPECT_NEAR(whole->GetLength(), length, 1e-12);
}

TEST(GisShapeMeasure, LabelPointsLieInside) {
  struct Row {
    const char* name;
    TParts rings;
  } rows[] = {
      // The centroid of a U falls in the notch.
      {"U", {{{0, 0}, {0, 10}, {2, 10}, {2, 2}, {8, 2}, {8, 10}, {10, 10}, {10, 0}, {0, 0}}}},
      // A comb: teeth hang down from a thin back.
      {"comb",
       {{{0, 10},
         {10, 10},
         {10, 0},
         {9, 0},
         {9, 9},
         {7, 9},
         {7, 0},
         {6, 0},
         {6, 9},
         {4, 9},
         {4, 0},
         {3, 0},
         {3, 9},
         {1, 9},
         {1, 0},
         {0, 0},
         {0, 10}}}},
      // A big hole around the centroid.
      {"holed",
       {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, {{1, 1}, {9, 1}, {9, 9}, {1, 9}, {1, 1}}}},
      {"convex", SQUARE_CW},
  };
  for (const Row& row : rows) {
    auto p = MakeShape(gisShapeTypePolygon, row.rings);
    const TGIS_Point label = p->GetLabelPoint();
    EXPECT_TRUE(GisPointInPolygon(label, p.get(), -1))
        << row.name << " " << label.X << " " << label.Y;
  }
  // Outer rings turning both ways: the area is the absolute signed sum, and
  // the centroids cancel, but the label point still falls inside.
  const TParts bothWays[] = {
      {{{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}}, {{10, 0}, {14, 0}, {14, 4}, {10, 4}, {10, 0}}},
      {{{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}}, {{10, 0}, {15, 0}, {15, 4}, {10, 4}, {10, 0}}},
      {{{0, 0}, {0, 1}, {9, 1}, {9, 0}, {0, 0}}, {{4, 3}, {5, 3}, {5, 12}, {4, 12}, {4, 3}}},
  };
  for (const TParts& rings : bothWays) {
    auto p = MakeShape(gisShapeTypePolygon, rings);
    const TGIS_Point label = p->GetLabelPoint();
    EXPECT_TRUE(GisPointInPolygon(label, p.get(), -1)) << label.X << " " << label.Y;
  }
  EXPECT_DOUBLE_EQ(MakeShape(gisShapeTypePolygon, bothWays[1])->GetArea(), 4);
  const auto u = MakeShape(gisShapeTypePolygon, rows[0].rings);
  EXPECT_FALSE(GisPointInPolygon(u->GetCentroid(), u.get(), -1))
      << "the U's centroid lies in its notch";
  EXPECT_TRUE(
      GisIsSamePoint(MakeShape(gisShapeTypePolygon, SQUARE_CW)->GetLabelPoint(), {0.5, 0.5}));
}
