// Line and polygon measures, points along lines, sub-lines and clipped
// copies against the tables that tests/oracles/shapes_oracle.py computes
// with shapely (GEOS) from seeded random shapes.
#include <gtest/gtest.h>

#include "platform/rtl/Strings.h"
#include "ShapeTestSupport.h"
#include "gis/core/GisDefsLists.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisShapeSegments.h"
#include "gis/vector/GisTopology.h"

namespace {
/// Every vertex of the shape lies in the window (up to rounding).
bool AllInside(const TGIS_Shape& s, const TGIS_Extent& w) {
  const double e = 1e-9;
  for (const auto& part : PartsOf(s))
    for (const TGIS_Point& p : part)
      if (p.X < w.XMin - e || p.X > w.XMax + e || p.Y < w.YMin - e || p.Y > w.YMax + e)
        return false;
  return true;
}

double LengthOf(const TGIS_Shape* s) {
  return s == nullptr ? 0 : s->GetLength();
}
} // namespace

TEST(GisShapeOracle, LinesMeasureWalkAndClipAsGeos) {
  const auto rows = OracleTable("lines.txt");
  ASSERT_EQ(rows.size(), 400u);
  int clippedToNothing = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    TOracleRow row = rows[k];
    SCOPED_TRACE("row " + IntToStr(k + 1));
    auto line = MakeShape(gisShapeTypeArc, row.NextParts());
    auto* arc = static_cast<TGIS_ShapeArc*>(line.get());
    const TGIS_Point q = row.NextPoint();
    EXPECT_TRUE(Close(arc->GetLength(), row.Next()));
    EXPECT_TRUE(Close(arc->Distance(q, 0), row.Next()));
    const double d = row.Next();
    TGIS_Point at;
    arc->GetPointOnLine(-1, at, 0, d);
    const TGIS_Point expectedAt = row.NextPoint();
    EXPECT_TRUE(Close(at.X, expectedAt.X) && Close(at.Y, expectedAt.Y));
    const double from = row.Next(), to = row.Next();
    auto sub = arc->GetSubLine(-1, from, to);
    EXPECT_TRUE(Close(sub->GetLength(), row.Next()));
    const TGIS_Point s0 = row.NextPoint(), s1 = row.NextPoint();
    EXPECT_TRUE(Close(sub->GetFirstPoint().X, s0.X) && Close(sub->GetFirstPoint().Y, s0.Y));
    EXPECT_TRUE(Close(sub->GetLastPoint().X, s1.X) && Close(sub->GetLastPoint().Y, s1.Y));
    const TGIS_Extent w = row.NextExtent();
    auto clipped = arc->CreateClippedCopy(w, false);
    EXPECT_TRUE(Close(LengthOf(clipped.get()), row.Next()));
    if (clipped == nullptr) {
      ++clippedToNothing;
      continue;
    }
    EXPECT_TRUE(AllInside(*clipped, w));
    EXPECT_EQ(clipped->Uid(), arc->Uid());
  }
  // The table holds both outcomes.
  EXPECT_GT(clippedToNothing, 0);
  EXPECT_LT(clippedToNothing, 400);
}

TEST(GisShapeOracle, MultiPartLinesMeasureAndClipAsGeos) {
  const auto rows = OracleTable("multilines.txt");
  ASSERT_EQ(rows.size(), 300u);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    TOracleRow row = rows[k];
    SCOPED_TRACE("row " + IntToStr(k + 1));
    auto line = MakeShape(gisShapeTypeArc, row.NextParts());
    EXPECT_TRUE(Close(line->GetLength(), row.Next()));
    const TGIS_Extent w = row.NextExtent();
    auto clipped = line->CreateClippedCopy(w, true);
    EXPECT_TRUE(Close(LengthOf(clipped.get()), row.Next()));
    if (clipped != nullptr) {
      EXPECT_TRUE(AllInside(*clipped, w));
    }
  }
}

TEST(GisShapeOracle, PolygonsMeasureAndClipAsGeos) {
  const auto rows = OracleTable("polygons.txt");
  ASSERT_GT(rows.size(), 300u);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    TOracleRow row = rows[k];
    SCOPED_TRACE("row " + IntToStr(k + 1));
    auto polygon = MakeShape(gisShapeTypePolygon, row.NextParts());
    EXPECT_TRUE(Close(polygon->GetArea(), row.Next()));
    const TGIS_Point c = polygon->GetCentroid();
    const TGIS_Point expected = row.NextPoint();
    EXPECT_NEAR(c.X, expected.X, 1e-9);
    EXPECT_NEAR(c.Y, expected.Y, 1e-9);
    const TGIS_Extent w = row.NextExtent();
    auto clipped = polygon->CreateClippedCopy(w, false);
    const double area = row.Next();
    if (area == 0) {
      EXPECT_EQ(clipped, nullptr);
    } else if (clipped == nullptr) {
      ADD_FAILURE() << "no clipped copy where GEOS keeps " << area;
    } else {
      EXPECT_TRUE(Close(clipped->GetArea(), area)) << clipped->GetArea() << " vs " << area;
      EXPECT_TRUE(AllInside(*clipped, w));
    }
    const TGIS_Point q = row.NextPoint();
    TGIS_Point nearest;
    EXPECT_TRUE(Close(polygon->DistanceToPart(q, 0, nearest, -1), row.Next()));
    EXPECT_TRUE(Close(GisPointDistance(nearest, q), polygon->DistanceToPart(q, 0, nearest, -1)));
    // The label point lies inside, whatever the centroid does.
    EXPECT_TRUE(GisPointInPolygon(polygon->GetLabelPoint(), polygon.get(), -1));
  }
}

TEST(GisShapeOracle, IntersectsAsGeosOnIntegerLinesAndPoints) {
  TRecordingTopologyScope relate; // never asked: no line meets a polygon here
  const auto rows = OracleTable("crossings.txt");
  ASSERT_EQ(rows.size(), 500u);
  int meeting = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    TOracleRow row = rows[k];
    SCOPED_TRACE("row " + IntToStr(k + 1));
    auto a = MakeShape(gisShapeTypeArc, row.NextParts());
    auto b = MakeShape(gisShapeTypeArc, row.NextParts());
    const bool linesMeet = row.Next() != 0;
    EXPECT_EQ(a->Intersects(b.get()), linesMeet);
    EXPECT_EQ(b->Intersects(a.get()), linesMeet);
    meeting += linesMeet ? 1 : 0;
    auto polygon = MakeShape(gisShapeTypePolygon, row.NextParts());
    auto q = MakeShape(gisShapeTypePoint, {{row.NextPoint()}});
    const bool inside = row.Next() != 0;
    EXPECT_EQ(polygon->Intersects(q.get()), inside);
    EXPECT_EQ(q->Intersects(polygon.get()), inside);
    auto p = MakeShape(gisShapeTypePoint, {{row.NextPoint()}});
    const bool onLine = row.Next() != 0;
    EXPECT_EQ(a->Intersects(p.get()), onLine);
    EXPECT_EQ(p->Intersects(a.get()), onLine);
  }
  EXPECT_GT(meeting, 50);
  EXPECT_LT(meeting, 450);
  EXPECT_TRUE(TRecordingTopology::Calls.empty());
}

TEST(GisShapeOracle, InsideAndIntersectsAnswerThroughTheTopologyEngineAsGeos) {
  GisSetTopologyFactory(nullptr); // the topology engine itself
  const auto rows = OracleTable("relations.txt");
  ASSERT_EQ(rows.size(), 400u);
  int inside = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    TOracleRow row = rows[k];
    SCOPED_TRACE("row " + IntToStr(k + 1));
    auto p = MakeShape(gisShapeTypePolygon, row.NextParts());
    auto q = MakeShape(gisShapeTypePolygon, row.NextParts());
    auto line = MakeShape(gisShapeTypeArc, row.NextParts());
    const TParts points = row.NextParts();
    auto multi = MakeShape(gisShapeTypeMultiPoint, points);
    const bool lineIn = row.Next() != 0, lineMeets = row.Next() != 0;
    const bool polygonIn = row.Next() != 0, polygonMeets = row.Next() != 0;
    const bool pointsIn = row.Next() != 0, middleIn = row.Next() != 0;
    EXPECT_EQ(line->IsInsideShape(p.get(), 0), lineIn);
    EXPECT_EQ(line->IsInsideShape(p.get(), 2), lineMeets);
    EXPECT_EQ(line->IsInsideShape(p.get(), 1), middleIn);
    EXPECT_EQ(line->Intersects(p.get()), lineMeets);
    EXPECT_EQ(p->Intersects(line.get()), lineMeets);
    EXPECT_EQ(q->IsInsideShape(p.get(), 0), polygonIn);
    EXPECT_EQ(q->IsInsideShape(p.get(), 2), polygonMeets);
    EXPECT_EQ(q->Intersects(p.get()), polygonMeets);
    EXPECT_EQ(p->Intersects(q.get()), polygonMeets);
    EXPECT_EQ(multi->IsInsideShape(p.get(), 0), pointsIn);
    inside += lineIn ? 1 : 0;
  }
  EXPECT_GT(inside, 20);
}
