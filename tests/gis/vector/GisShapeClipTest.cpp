// Clipped copies of the four shape classes and the window clipper.
#include <gtest/gtest.h>

#include "ShapeTestSupport.h"
#include "gis/vector/GisShapeClip.h"
#include "gis/viewer/GisViewer.h"

namespace {
const TGIS_Extent WINDOW{0, 0, 10, 10};

bool SameParts(const TParts& a, const TParts& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k].size() != b[k].size()) return false;
    for (std::size_t i = 0; i < a[k].size(); ++i)
      if (!GisIsSamePoint(a[k][i], b[k][i])) return false;
  }
  return true;
}
} // namespace

TEST(GisShapeClip, AZigZagPartGivesMoreThanTwoPointsPerVertex) {
  // Each segment leaves and re-enters around a corner: three points each.
  const std::vector<TGIS_Point> zigzag{{-1, -2}, {20, 30}, {-2, -1}, {21, 29}, {-1, -3}, {22, 30}};
  const auto buffer = GisClipPart(WINDOW, zigzag);
  EXPECT_EQ(buffer.size(), 15u) << "2n + 2 would be 14";
  for (const TGIS_Point& p : buffer)
    EXPECT_TRUE(p.X >= 0 && p.X <= 10 && p.Y >= 0 && p.Y <= 10) << p.X << " " << p.Y;
  // Both shape classes take the whole buffer.
  auto line = MakeShape(gisShapeTypeArc, {zigzag});
  auto clipped = line->CreateClippedCopy(WINDOW, false);
  ASSERT_NE(clipped, nullptr);
  EXPECT_GT(clipped->GetLength(), 0);
  std::vector<TGIS_Point> ring = zigzag;
  ring.push_back(zigzag.front());
  auto polygon = MakeShape(gisShapeTypePolygon, {ring});
  auto clippedRing = polygon->CreateClippedCopy(WINDOW, false);
  if (clippedRing != nullptr) {
    EXPECT_EQ(clippedRing->GetPartSize(0), int(GisClipPart(WINDOW, ring).size()) + 1);
  }
}

TEST(GisShapeClip, LinesKeepTheirInsidePieces) {
  struct Row {
    const char* name;
    TParts line, expected;
  } rows[] = {
      {"inside: unchanged", {{{1, 1}, {5, 5}, {5, 5}}}, {{{1, 1}, {5, 5}, {5, 5}}}},
      {"leaves and comes back: two parts",
       {{{2, 5}, {15, 5}, {15, 8}, {5, 8}}},
       {{{2, 5}, {10, 5}}, {{10, 8}, {5, 8}}}},
      {"crosses", {{{-5, 5}, {15, 5}}}, {{{0, 5}, {10, 5}}}},
      {"two parts, one outside", {{{1, 1}, {2, 2}}, {{20, 20}, {30, 30}}}, {{{1, 1}, {2, 2}}}},
      {"along the border", {{{0, -5}, {0, 15}}}, {}},
      {"on the top border, wholly inside: unchanged", {{{2, 10}, {8, 10}}}, {{{2, 10}, {8, 10}}}},
      {"along the top border, beyond it", {{{2, 10}, {18, 10}}}, {}},
      {"outside", {{{20, 20}, {30, 30}}}, {}},
  };
  for (const Row& row : rows) {
    auto line = MakeShape(gisShapeTypeArc, row.line);
    line->SetUid(7);
    auto clipped = line->CreateClippedCopy(WINDOW, false);
    if (row.expected.empty()) {
      EXPECT_EQ(clipped, nullptr) << row.name;
      continue;
    }
    ASSERT_NE(clipped, nullptr) << row.name;
    EXPECT_TRUE(SameParts(PartsOf(*clipped), row.expected)) << row.name;
    TGIS_Extent box{1e9, 1e9, -1e9, -1e9};
    for (const auto& part : row.expected)
      for (const TGIS_Point& p : part)
        box = {std::min(box.XMin, p.X), std::min(box.YMin, p.Y), std::max(box.XMax, p.X),
               std::max(box.YMax, p.Y)};
    EXPECT_TRUE(GisIsSameExtent(clipped->GetExtentRaw(), box)) << row.name;
    EXPECT_EQ(clipped->Uid(), 7);
    EXPECT_EQ(clipped->LockLevel(), 0);
    EXPECT_EQ(clipped->ShapeType(), gisShapeTypeArc);
  }
}

TEST(GisShapeClip, PolygonsFollowTheWindow) {
  const std::vector<TGIS_Point> acrossCorner{{5, 5}, {5, 15}, {15, 15}, {15, 5}, {5, 5}};
  auto corner = MakeShape(gisShapeTypePolygon, {acrossCorner});
  auto c = corner->CreateClippedCopy(WINDOW, false);
  ASSERT_NE(c, nullptr);
  EXPECT_DOUBLE_EQ(c->GetArea(), 25);
  const TParts parts = PartsOf(*c);
  const auto& ring = parts[0];
  bool throughCorner = false;
  for (const TGIS_Point& p : ring)
    throughCorner = throughCorner || GisIsSamePoint(p, {10, 10});
  EXPECT_TRUE(throughCorner);
  EXPECT_TRUE(GisIsSamePoint(ring.front(), ring.back())) << "the ring stays closed";

  // Wholly inside: the rings come back as they were.
  const TParts holed{{{1, 1}, {1, 9}, {9, 9}, {9, 1}, {1, 1}},
                     {{3, 3}, {6, 3}, {6, 6}, {3, 6}, {3, 3}}};
  auto inside = MakeShape(gisShapeTypePolygon, holed)->CreateClippedCopy(WINDOW, true);
  ASSERT_NE(inside, nullptr);
  EXPECT_TRUE(SameParts(PartsOf(*inside), holed));
  EXPECT_EQ(inside->LockLevel(), 4) << "a drawing copy stays at level 4";

  // Outside, or a window inside a hole: nothing.
  auto far = MakeShape(gisShapeTypePolygon, {{{20, 20}, {20, 30}, {30, 30}, {20, 20}}});
  EXPECT_EQ(far->CreateClippedCopy(WINDOW, false), nullptr);
  const TParts ringAroundWindow{{{-10, -10}, {-10, 20}, {20, 20}, {20, -10}, {-10, -10}},
                                {{-5, -5}, {15, -5}, {15, 15}, {-5, 15}, {-5, -5}}};
  EXPECT_EQ(MakeShape(gisShapeTypePolygon, ringAroundWindow)->CreateClippedCopy(WINDOW, false),
            nullptr);
}

TEST(GisShapeClip, ClippedPolygonsHoldOnlyRingsThatBoundAnArea) {
  // Rings passing a corner or running along an edge of the window leave runs
  // along its border (one or two distinct vertices, or no area): those are
  // no rings to other readers.
  const TParts parts{{{2, 2}, {2, 8}, {8, 8}, {8, 2}, {2, 2}},
                     {{-5, 8}, {2, 15}, {-5, 15}, {-5, 8}},
                     {{-1, 11}, {11, 11}, {11, 12}, {-1, 12}, {-1, 11}},
                     {{10, 2}, {10, 8}, {15, 5}, {10, 2}},
                     {{-5, -5}, {15, -5}, {15, 0}, {-5, 0}, {-5, -5}}};
  auto c = MakeShape(gisShapeTypePolygon, parts)->CreateClippedCopy(WINDOW, false);
  ASSERT_NE(c, nullptr);
  const TParts rings = PartsOf(*c);
  ASSERT_EQ(rings.size(), 1u);
  EXPECT_DOUBLE_EQ(c->GetArea(), 36);
  // Nothing but such runs: no copy at all.
  const TParts outside{parts[1], parts[2], parts[3]};
  EXPECT_EQ(MakeShape(gisShapeTypePolygon, outside)->CreateClippedCopy(WINDOW, false), nullptr);
}

TEST(GisShapeClip, PointsAndMultipoints) {
  auto in = MakeShape(gisShapeTypePoint, {{{5, 5}}});
  auto copy = in->CreateClippedCopy(WINDOW, false);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(GisIsSamePoint(copy->GetPoint(0, 0), {5, 5}));
  EXPECT_EQ(MakeShape(gisShapeTypePoint, {{{11, 5}}})->CreateClippedCopy(WINDOW, false), nullptr);

  auto partly = MakeShape(gisShapeTypeMultiPoint, {{{1, 1}, {20, 20}, {10, 10}, {-1, 5}}});
  auto some = partly->CreateClippedCopy(WINDOW, false);
  ASSERT_NE(some, nullptr);
  EXPECT_TRUE(SameParts(PartsOf(*some), {{{1, 1}, {10, 10}}}));
  auto whole =
      MakeShape(gisShapeTypeMultiPoint, {{{1, 1}, {2, 2}}})->CreateClippedCopy(WINDOW, true);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->GetNumPoints(), 2);
  EXPECT_EQ(
      MakeShape(gisShapeTypeMultiPoint, {{{20, 20}, {30, 30}}})->CreateClippedCopy(WINDOW, false),
      nullptr);
}

TEST(GisShapeClip, CopiesOfLayerShapesTakeTheLayerAndKeepItsExtent) {
  TGIS_LayerVector layer;
  layer.Open();
  TGIS_Shape* s = layer.CreateShape(gisShapeTypeArc);
  s->AddPart();
  s->AddPoint({-5, 5});
  s->AddPoint({15, 5});
  const TGIS_Extent before = layer.Extent();
  auto clipped = s->CreateClippedCopy(WINDOW, false);
  ASSERT_NE(clipped, nullptr);
  EXPECT_EQ(clipped->Layer(), &layer);
  EXPECT_EQ(clipped->Uid(), s->Uid());
  EXPECT_TRUE(GisIsSameExtent(layer.Extent(), before));
  EXPECT_EQ(layer.ShapeCount(), 1);
}

TEST(GisShapeClip, CopiesStoreTheViewersCoordinatesAsTheirOwn) {
  // Kept as it is: a clipped copy reads the vertices in the viewer's
  // coordinates and stores them unconverted, which is right while layer and
  // viewer share their coordinate system (as in the application). A
  // kilometre layer in a metre viewer shows it: the copy holds metres.
  TGIS_Viewer viewer(nullptr);
  auto* layer = new TGIS_LayerVector();
  layer->Units().SetType(gisUnitsKilometer);
  viewer.Add(layer);
  TGIS_Shape* s = layer->CreateShape(gisShapeTypeArc);
  s->Lock(2);
  s->AddPart();
  s->AddPoint({2, 3});
  s->AddPoint({4, 5});
  s->Unlock();
  ASSERT_TRUE(GisIsSamePoint(s->GetPoint(0, 0), {2000, 3000}));
  for (const TGIS_Extent& window : {TGIS_Extent{0, 0, 1e4, 1e4}, TGIS_Extent{3000, 0, 1e4, 1e4}}) {
    auto copy = s->GetClipped(window);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Layer(), layer);
    copy->Lock(2);
    EXPECT_TRUE(GisIsSamePoint(copy->GetLastPoint(), {4000, 5000})) << "metres stored as raw";
    copy->Unlock();
    EXPECT_TRUE(GisIsSamePoint(copy->GetLastPoint(), {4e6, 5e6})) << "and converted once more";
  }
}
