// Contours: building (thinning, dropped rings), the point tests and the
// snap of a point onto a line, writing back into shapes.
#include <gtest/gtest.h>

#include "tests/gis/vector/TopologyTestSupport.h"

using namespace topotest;

namespace {

TEST(TopologyContour, VerticesCloserThanTheToleranceGo) {
  // One ring of vertices all within 0.9 t of each other, one clean square.
  const auto shape = Polygon({{{0, 0}, {0.1, 0}, {0.1, 0.1}, {0, 0.1}}, Square(5, 5, 2)});
  const auto c = T_Contour::CreateFromPolygon(*shape, 1, false);
  ASSERT_EQ(c->Parts.size(), 1u);
  EXPECT_EQ(c->VertexCount(), 4);
  EXPECT_LT(c->Parts[0].Area, 0) << "a clockwise ring keeps a negative doubled area";
  EXPECT_DOUBLE_EQ(c->Parts[0].Area, -8);
  const auto tiny = Polygon({{{0, 0}, {0.1, 0}, {0.1, 0.1}, {0, 0.1}}});
  EXPECT_TRUE(T_Contour::CreateFromPolygon(*tiny, 1, false)->IsEmpty());
  // Lines keep their last vertex; a chain left with one vertex goes.
  const auto line = Line({{{0, 0}, {0.5, 0}, {3, 0}}, {{9, 9}, {9.1, 9}}});
  const auto l = T_Contour::CreateFromLine(*line, 1);
  ASSERT_EQ(l->Parts.size(), 1u);
  EXPECT_EQ(l->Parts[0].Points.size(), 2u);
}

TEST(TopologyContour, PointTestsAreHalfOpen) {
  const auto shape = Polygon({Square(0, 0, 2), Reversed(Square(0.5, 0.5, 1))});
  const auto c = T_Contour::CreateFromPolygon(*shape, 1e-9, false);
  struct TCase {
    TGIS_Point P;
    bool Inside, OnBoundary;
  };
  const TCase cases[] = {
      {{0.25, 0.25}, true, false}, {{1, 1}, false, false},  {{1, 0}, true, true},
      {{1, 2}, false, true},       {{3, 1}, false, false},  {{0.5, 1}, false, true},
      {{1.25, 0.5}, false, true}, // on the bottom edge of the hole: in the hole
  };
  for (const TCase& t : cases) {
    EXPECT_EQ(c->PointInContour(t.P), t.Inside) << t.P.X << " " << t.P.Y;
    EXPECT_EQ(c->PointOnBoundary(t.P), t.OnBoundary) << t.P.X << " " << t.P.Y;
  }
  EXPECT_TRUE(c->PointInContour({1, 1}, 0)) << "the outer ring alone";
}

TEST(TopologyContour, SnapVertexMovesOntoTheNearestEdge) {
  const auto line = Line({{{0, 0}, {10, 0}}});
  const auto c = T_Contour::CreateFromLine(*line, 1e-9);
  TGIS_Point w{};
  EXPECT_TRUE(c->SnapVertex({4, 0.5}, w, 1));
  EXPECT_EQ(w.X, 4);
  EXPECT_EQ(w.Y, 0);
  w = {4, 0.5};
  EXPECT_FALSE(c->SnapVertex({4, 0.5}, w, 0.4));
  EXPECT_EQ(w.Y, 0.5) << "left where it was";
  EXPECT_TRUE(c->SnapVertex({10, 0}, w, 0.4));
  EXPECT_EQ(w.X, 10);
}

TEST(TopologyContour, WriteToShapeRingsAndFixedFlag) {
  const auto shape = Polygon({Square(0, 0, 2), Reversed(Square(0.5, 0.5, 1))});
  const auto c = T_Contour::CreateFromPolygon(*shape, 1e-9, false);
  TGIS_ShapePolygon out;
  c->WriteToShape(out);
  EXPECT_TRUE(out.IsFixed());
  const auto parts = PartsOf(out);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].size(), 5u) << "rings are stored closed";
  EXPECT_NEAR(AreaOf(&out), 3, 1e-12);
  // A contour without vertices leaves the shape alone.
  T_Contour empty;
  empty.WriteToShape(out);
  EXPECT_EQ(PartsOf(out).size(), 2u);
}

} // namespace
