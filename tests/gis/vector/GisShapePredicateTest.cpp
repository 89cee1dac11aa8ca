// Tests of shapes against other shapes: near, inside (through the relate
// engine), intersects and intersection points; and drawing into a bitmap.
#include <gtest/gtest.h>

#include "ShapeTestSupport.h"
#include "gis/core/GisDefsLists.h"
#include "platform/graphics/Bitmap.h"

namespace {
const TParts SQUARE{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}};
const TParts HOLED_ISLANDS{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}},
                           {{2, 2}, {8, 2}, {8, 8}, {2, 8}, {2, 2}},
                           {{20, 0}, {20, 10}, {30, 10}, {30, 0}, {20, 0}}};

std::vector<TGIS_Point> PointsOf(const std::unique_ptr<TGIS_PointList>& list) {
  std::vector<TGIS_Point> out;
  if (list != nullptr)
    for (int i = 0; i < list->Count(); ++i)
      out.push_back(list->Get(i));
  return out;
}
} // namespace

TEST(GisShapePredicate, IntersectsAnswersTheSameBothWays) {
  struct Row {
    const char* name;
    TGIS_ShapeType a;
    TParts pa;
    TGIS_ShapeType b;
    TParts pb;
    bool expected;
  } rows[] = {
      {"equal points", gisShapeTypePoint, {{{1, 2}}}, gisShapeTypePoint, {{{1, 2}}}, true},
      {"other points", gisShapeTypePoint, {{{1, 2}}}, gisShapeTypePoint, {{{1, 3}}}, false},
      {"point in multipoint",
       gisShapeTypePoint,
       {{{1, 2}}},
       gisShapeTypeMultiPoint,
       {{{0, 0}, {1, 2}}},
       true},
      {"point on a line",
       gisShapeTypePoint,
       {{{5, 0}}},
       gisShapeTypeArc,
       {{{0, 0}, {10, 0}}},
       true},
      {"point on a line of one added vertex",
       gisShapeTypePoint,
       {{{5, 5}}},
       gisShapeTypeArc,
       {{{5, 5}}},
       true},
      {"point beside a line of one added vertex",
       gisShapeTypePoint,
       {{{5, 6}}},
       gisShapeTypeArc,
       {{{5, 5}}},
       false},
      {"point beside a line",
       gisShapeTypePoint,
       {{{5, 5}}},
       gisShapeTypeArc,
       {{{0, 0}, {10, 0}}},
       false},
      {"multipoint touching a line",
       gisShapeTypeMultiPoint,
       {{{50, 50}, {3, 0}}},
       gisShapeTypeArc,
       {{{0, 0}, {10, 0}}},
       true},
      // The second part of the first line crosses the second line.
      {"lines crossing in a second part",
       gisShapeTypeArc,
       {{{0, 0}, {1, 0}}, {{5, -5}, {5, 5}}},
       gisShapeTypeArc,
       {{{0, 1}, {10, 1}}},
       true},
      {"lines apart",
       gisShapeTypeArc,
       {{{0, 0}, {1, 0}}, {{5, -5}, {5, 5}}},
       gisShapeTypeArc,
       {{{6, 1}, {10, 1}}},
       false},
      // Every ring counts: a hole is outside, a second island inside.
      {"point in a hole", gisShapeTypePoint, {{{5, 5}}}, gisShapeTypePolygon, HOLED_ISLANDS, false},
      {"point on a second island",
       gisShapeTypePoint,
       {{{25, 5}}},
       gisShapeTypePolygon,
       HOLED_ISLANDS,
       true},
      {"point in the outer ring",
       gisShapeTypePoint,
       {{{1, 1}}},
       gisShapeTypePolygon,
       HOLED_ISLANDS,
       true},
      {"multipoint in hole and island",
       gisShapeTypeMultiPoint,
       {{{5, 5}, {25, 5}}},
       gisShapeTypePolygon,
       HOLED_ISLANDS,
       true},
      {"multipoint in the hole only",
       gisShapeTypeMultiPoint,
       {{{5, 5}, {6, 6}}},
       gisShapeTypePolygon,
       HOLED_ISLANDS,
       false},
  };
  for (const Row& row : rows) {
    auto a = MakeShape(row.a, row.pa), b = MakeShape(row.b, row.pb);
    EXPECT_EQ(a->Intersects(b.get()), row.expected) << row.name;
    EXPECT_EQ(b->Intersects(a.get()), row.expected) << row.name << " (reversed)";
  }
  auto empty = GisCreateShapeOfType(gisShapeTypeArc, 0, nullptr);
  EXPECT_FALSE(MakeShape(gisShapeTypeArc, {{{0, 0}, {1, 1}}})->Intersects(empty.get()));
  EXPECT_FALSE(empty->Intersects(MakeShape(gisShapeTypeArc, {{{0, 0}, {1, 1}}}).get()));
}

TEST(GisShapePredicate, RelateQuestionsGoThroughTheEngine) {
  TRecordingTopologyScope scope;
  auto line = MakeShape(gisShapeTypeArc, {{{0, 0}, {10, 0}}});
  auto polygon = MakeShape(gisShapeTypePolygon, SQUARE);
  auto mp = MakeShape(gisShapeTypeMultiPoint, {{{1, 1}, {3, 3}}});
  using C = TRecordingTopology;

  struct Row {
    const char* name;
    std::function<bool()> ask;
    TGIS_ShapeType a, b;
    const char* pattern;
  } rows[] = {
      {"line inside, mode 0", [&] { return line->IsInsideShape(polygon.get(), 0); },
       gisShapeTypeArc, gisShapeTypePolygon, "**F"},
      {"line inside, mode 1", [&] { return line->IsInsideShape(polygon.get(), 1); },
       gisShapeTypePoint, gisShapeTypePolygon, "**F"},
      {"line inside, mode 2", [&] { return line->IsInsideShape(polygon.get(), 2); },
       gisShapeTypeArc, gisShapeTypePolygon, "T"},
      {"polygon inside line, mode 2", [&] { return polygon->IsInsideShape(line.get(), 2); },
       gisShapeTypePolygon, gisShapeTypeArc, "T"},
      {"multipoint inside, mode 0", [&] { return mp->IsInsideShape(polygon.get(), 0); },
       gisShapeTypeMultiPoint, gisShapeTypePolygon, "**F"},
      {"line intersects polygon", [&] { return line->Intersects(polygon.get()); }, gisShapeTypeArc,
       gisShapeTypePolygon, "T"},
      {"polygon intersects line: the line asks", [&] { return polygon->Intersects(line.get()); },
       gisShapeTypeArc, gisShapeTypePolygon, "T"},
      {"polygon intersects polygon", [&] { return polygon->Intersects(polygon.get()); },
       gisShapeTypePolygon, gisShapeTypePolygon, "T"},
  };
  for (bool answer : {true, false}) {
    C::Answer = answer;
    for (const Row& row : rows) {
      C::Calls.clear();
      EXPECT_EQ(row.ask(), answer) << row.name;
      ASSERT_EQ(C::Calls.size(), 1u) << row.name;
      EXPECT_EQ(C::Calls[0].A, row.a) << row.name;
      EXPECT_EQ(C::Calls[0].B, row.b) << row.name;
      EXPECT_EQ(C::Calls[0].Pattern, row.pattern) << row.name;
    }
  }
  // Mode 1 relates a point at the centroid.
  C::Calls.clear();
  polygon->IsInsideShape(line.get(), 1);
  ASSERT_EQ(C::Calls.size(), 1u);
  EXPECT_TRUE(GisIsSamePoint(C::Calls[0].FirstOfA, polygon->GetCentroid()));
  // Another mode, or an empty shape, asks nothing and answers false.
  C::Calls.clear();
  EXPECT_FALSE(line->IsInsideShape(polygon.get(), 3));
  auto empty = GisCreateShapeOfType(gisShapeTypePolygon, 0, nullptr);
  EXPECT_FALSE(line->IsInsideShape(empty.get(), 0));
  EXPECT_TRUE(C::Calls.empty());
  // The centroid point of mode 1 belongs to the other's layer, in its
  // coordinates, and leaves that layer's extent alone.
  TGIS_LayerVector layer;
  layer.Open();
  TGIS_Shape* small = layer.CreateShape(gisShapeTypePolygon);
  small->AddPart();
  for (const TGIS_Point& p : {TGIS_Point{0, 0}, TGIS_Point{0, 1}, TGIS_Point{1, 1}})
    small->AddPoint(p);
  const TGIS_Extent before = layer.Extent();
  auto farLine = MakeShape(gisShapeTypeArc, {{{100, 100}, {200, 100}}});
  C::Calls.clear();
  farLine->IsInsideShape(small, 1);
  ASSERT_EQ(C::Calls.size(), 1u);
  EXPECT_TRUE(GisIsSamePoint(C::Calls[0].FirstOfA, {150, 100}));
  EXPECT_TRUE(GisIsSameExtent(layer.Extent(), before));
  C::Calls.clear();
  // The point's own test needs no engine.
  EXPECT_TRUE(MakeShape(gisShapeTypePoint, {{{1, 1}}})->IsInsideShape(polygon.get(), 0));
  EXPECT_TRUE(C::Calls.empty());
}

namespace {
struct TPreparing : TGIS_RelateEngine {
  static inline std::vector<TGIS_Shape*> Prepared;
  void SetPreparedShape(TGIS_Shape* shape) override { Prepared.push_back(shape); }
  bool Relate(TGIS_Shape*, TGIS_Shape*, const std::string&) override { return true; }
};
} // namespace

TEST(GisShapePredicate, TheLayerCursorPreparesTheEngineWithItsShape) {
  GisSetTopologyFactory([] { return std::make_unique<TPreparing>(); });
  TGIS_LayerVector layer;
  layer.Open();
  TGIS_Shape* s = layer.CreateShape(gisShapeTypePoint);
  s->AddPoint({1, 1});
  auto relation = MakeShape(gisShapeTypePolygon, SQUARE);
  TPreparing::Prepared.clear();
  layer.MoveFirst(GisWholeWorldExtent(), "", true, "T", relation.get());
  EXPECT_EQ(TPreparing::Prepared, std::vector<TGIS_Shape*>{relation.get()});
  GisSetTopologyFactory(nullptr);
}

TEST(GisShapePredicate, NearTests) {
  auto mp = MakeShape(gisShapeTypeMultiPoint, {{{0, 3}, {0, 5}}});
  auto line = MakeShape(gisShapeTypeArc, {{{0, 3}, {0, 5}}});
  for (TGIS_Shape* s : {mp.get(), line.get()}) {
    EXPECT_TRUE(s->IsNear({0, 0}, 0, 5)) << "every vertex, the farthest exactly at the distance";
    EXPECT_FALSE(s->IsNear({0, 0}, 0, 4.9)) << "one vertex farther";
    EXPECT_TRUE(s->IsNear({0, 0}, 2, 3)) << "any vertex";
    EXPECT_FALSE(s->IsNear({0, 0}, 2, 2.9));
    EXPECT_TRUE(s->IsNear({0, 0}, 1, 4)) << "the centroid (0, 4)";
    EXPECT_FALSE(s->IsNear({0, 0}, 1, 3.9));
    EXPECT_THROW(s->IsNear({0, 0}, 3, 10), EAssertionFailed);
  }
  auto point = MakeShape(gisShapeTypePoint, {{{3, 4}}});
  EXPECT_TRUE(point->IsNear({0, 0}, 7, 5)) << "the mode plays no part";
  EXPECT_FALSE(point->IsNear({0, 0}, 0, 4.9));
  EXPECT_FALSE(GisCreateShapeOfType(gisShapeTypePoint, 0, nullptr)->IsNear({0, 0}, 0, 1e9));
}

TEST(GisShapePredicate, IntersectionPoints) {
  auto line = MakeShape(gisShapeTypeArc, {{{0, 0}, {10, 0}, {10, 10}}});
  // A point on the vertex shared by two segments is listed once for each.
  auto corner = MakeShape(gisShapeTypePoint, {{{10, 0}}});
  auto atCorner = PointsOf(line->GetIntersectionPoints(corner.get()));
  EXPECT_EQ(atCorner.size(), 2u);
  EXPECT_EQ(PointsOf(corner->GetIntersectionPoints(line.get())).size(), 2u);
  // Crossings of segments.
  auto cross = MakeShape(gisShapeTypeArc, {{{5, -5}, {5, 5}, {15, 5}}});
  auto points = PointsOf(line->GetIntersectionPoints(cross.get()));
  ASSERT_EQ(points.size(), 2u);
  EXPECT_TRUE(GisIsSamePoint(points[0], {5, 0}));
  EXPECT_TRUE(GisIsSamePoint(points[1], {10, 5}));
  // A polygon's rings are its segments.
  auto square = MakeShape(gisShapeTypePolygon, {{{2, -2}, {2, 2}, {4, 2}, {4, -2}, {2, -2}}});
  EXPECT_EQ(PointsOf(square->GetIntersectionPoints(line.get())).size(), 2u);
  // Multipoint against multipoint: one entry per equal vertex.
  auto a = MakeShape(gisShapeTypeMultiPoint, {{{1, 1}, {2, 2}}});
  auto b = MakeShape(gisShapeTypeMultiPoint, {{{2, 2}, {3, 3}, {2, 2}}});
  EXPECT_EQ(PointsOf(a->GetIntersectionPoints(b.get())).size(), 2u);
  // Nothing met: no list.
  auto far = MakeShape(gisShapeTypeArc, {{{50, 50}, {60, 60}}});
  EXPECT_EQ(line->GetIntersectionPoints(far.get()), nullptr);
  EXPECT_EQ(a->GetIntersectionPoints(far.get()), nullptr);
}

TEST(GisShapePredicate, DrawToBitmapScalesTheShapeIntoTheMargins) {
  // A 0..10 square drawn into 60 × 60 with a margin of 5: 5 pixels per unit.
  TBitmap bitmap(60, 60, pf24bit);
  bitmap.Canvas()->Brush()->SetColor(clWhite);
  bitmap.Canvas()->FillRect(TRect(0, 0, 60, 60));
  auto holed =
      MakeShape(gisShapeTypePolygon, {SQUARE[0], {{4, 4}, {6, 4}, {6, 6}, {4, 6}, {4, 4}}});
  TGIS_Point scale;
  holed->DrawToBitmap(bitmap, 5, scale);
  EXPECT_DOUBLE_EQ(scale.X, 5);
  EXPECT_DOUBLE_EQ(scale.Y, 5);
  TCanvas* c = bitmap.Canvas();
  EXPECT_EQ(c->Pixels(15, 15), TColor(0)) << "inside: black";
  EXPECT_EQ(c->Pixels(30, 30), clWhite) << "the hole stays empty";
  EXPECT_EQ(c->Pixels(5, 30), TColor(0xC0C0C0)) << "the border: grey";
  EXPECT_EQ(c->Pixels(2, 30), clWhite) << "the margin";
  // A line: grey along it, rows growing with Y.
  TBitmap lines(60, 60, pf24bit);
  lines.Canvas()->Brush()->SetColor(clWhite);
  lines.Canvas()->FillRect(TRect(0, 0, 60, 60));
  auto line = MakeShape(gisShapeTypeArc, {{{0, 0}, {10, 10}}});
  line->DrawToBitmap(lines, 5, scale);
  EXPECT_EQ(lines.Canvas()->Pixels(20, 20), TColor(0xC0C0C0));
  EXPECT_EQ(lines.Canvas()->Pixels(40, 20), clWhite);
  // No height: nothing drawn, scale (0, 0).
  auto flat = MakeShape(gisShapeTypeArc, {{{0, 5}, {10, 5}}});
  TBitmap untouched(60, 60, pf24bit);
  untouched.Canvas()->Brush()->SetColor(clWhite);
  untouched.Canvas()->FillRect(TRect(0, 0, 60, 60));
  flat->DrawToBitmap(untouched, 5, scale);
  EXPECT_TRUE(GisIsSamePoint(scale, {0, 0}));
  EXPECT_EQ(untouched.Canvas()->Pixels(30, 30), clWhite);
}
