// The labels area: drawn texts, reserved rectangles (against a plain list
// model on random extents), the visible-extent rule, and labels along lines.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "gis/core/GisParams.h"
#include "gis/viewer/GisArcLabel.h"
#include "gis/viewer/GisLabelsArea.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

namespace {

/// The rule written plainly: the first overlapping rectangle in insertion
/// order decides.
struct TListModel {
  std::vector<TGIS_Extent> list;
  double half;
  bool Allocate(const TGIS_Extent& e) {
    for (const TGIS_Extent& r : list) {
      if (r.XMin > e.XMax || r.XMax < e.XMin || r.YMin > e.YMax || r.YMax < e.YMin) continue;
      return std::abs(r.XMin - e.XMin) <= half && std::abs(r.XMax - e.XMax) <= half &&
             std::abs(r.YMin - e.YMin) <= half && std::abs(r.YMax - e.YMax) <= half;
    }
    list.push_back(e);
    return true;
  }
};

class LabelsAreaTest : public ::testing::Test {
protected:
  void SetUp() override {
    form.AddLayer("map", {0, 0, 200, 100}, 0xFFFFFF);
    form.viewer->SetVisibleExtent({0, 0, 200, 100});
    area = form.viewer->LabelsArea();
    area->Clear();
    px = 1 / form.viewer->Zoom();
  }
  TGIS_Point M(int x, int y) { return form.viewer->ScreenToMap(TPoint(x, y)); }
  TViewerForm form{200, 100};
  TGIS_LabelsArea* area = nullptr;
  double px = 1; // one pixel in map units
};

} // namespace

TEST_F(LabelsAreaTest, ReservedRectanglesRefuseOverlapsButNotTheSameLabel) {
  const TGIS_Extent a{10, 10, 30, 20};
  EXPECT_TRUE(area->Allocate(a));
  EXPECT_TRUE(area->Allocate(a)) << "the same label placed again";
  EXPECT_TRUE(area->Allocate({10 + 0.4 * px, 10, 30 + 0.4 * px, 20})) << "within half a pixel";
  EXPECT_EQ(area->Count(), 1);
  EXPECT_FALSE(area->Allocate({10 + px, 10, 30 + px, 20})) << "shifted by one pixel";
  EXPECT_FALSE(area->Allocate({30, 20, 40, 25})) << "touching counts as overlapping";
  EXPECT_TRUE(area->Allocate({30.001, 10, 40, 20}));
  EXPECT_EQ(area->Count(), 2);
  // Rotated labels reserve the bounding box of their four corners.
  EXPECT_FALSE(area->AllocateQuad({50, 5}, {35, 15}, {45, 30}, {60, 25}));
  EXPECT_TRUE(area->AllocateQuad({50, 25}, {45, 30}, {60, 35}, {55, 40}));
  area->Clear();
  EXPECT_EQ(area->Count(), 0);
  EXPECT_TRUE(area->Allocate({10 + px, 10, 30 + px, 20}));
}

TEST_F(LabelsAreaTest, FullPaintRefusesLabelsReachingOutOfTheVisibleExtent) {
  const TGIS_Extent v = form.viewer->GetVisibleExtent();
  const TGIS_Extent out{v.XMax - 5, v.YMin + 5, v.XMax + 5, v.YMin + 10};
  const TGIS_Extent in{v.XMin + 1, v.YMin + 1, v.XMin + 5, v.YMin + 5};
  form.viewer->SetFullPaint(true);
  EXPECT_FALSE(area->Allocate(out));
  EXPECT_TRUE(area->Allocate(in));
  form.viewer->SetFullPaint(false);
  EXPECT_TRUE(area->Allocate(out));
  EXPECT_FALSE(area->Allocate({NAN, 0, 1, 1})) << "no place for a label without a position";
}

TEST_F(LabelsAreaTest, GridAgreesWithThePlainListOnRandomExtents) {
  form.viewer->SetFullPaint(false); // rectangles anywhere on the map
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> pos(-50, 250), small(0, 12), large(0, 400);
  for (int round = 0; round < 3; ++round) {
    area->Clear();
    TListModel model{{}, 0.5 * px};
    int accepted = 0;
    for (int i = 0; i < 3000; ++i) {
      const double x = pos(rng), y = pos(rng);
      // Mostly label-sized rectangles, some wide ones, some repeats.
      const double w = i % 50 == 0 ? large(rng) : small(rng),
                   h = i % 50 == 0 ? large(rng) : small(rng);
      TGIS_Extent e{x, y, x + w, y + h};
      if (i % 7 == 0 && !model.list.empty()) e = model.list[rng() % model.list.size()];
      const bool expected = model.Allocate(e);
      ASSERT_EQ(area->Allocate(e), expected) << "round " << round << " extent " << i;
      accepted += expected;
    }
    EXPECT_EQ(area->Count(), int(model.list.size()));
    EXPECT_GT(accepted, 100);
  }
}

TEST_F(LabelsAreaTest, DrawnTextsIgnoreLetterCase) {
  area->AddText("Main Street");
  area->AddText("Ärztegasse");
  EXPECT_TRUE(area->IsTextDrawn("MAIN STREET"));
  EXPECT_TRUE(area->IsTextDrawn("ärztegasse"));
  EXPECT_FALSE(area->IsTextDrawn("Main"));
  area->Clear();
  EXPECT_FALSE(area->IsTextDrawn("Main Street"));
}

TEST_F(LabelsAreaTest, MeasureTextWrapsOnlyForJustifiedAlignments) {
  TGIS_GDI& gdi = *form.viewer->WindowGDI();
  gdi.Font()->SetName("Liberation Sans");
  gdi.Font()->SetSize(10);
  const std::string text = "one two three four";
  const TPoint single = area->MeasureText(gdi, text, 0, TPoint(40, 200));
  const TPoint other = area->MeasureText(gdi, text, 9, TPoint(40, 200));
  const TPoint wrapped = area->MeasureText(gdi, text, 1, TPoint(40, 200));
  EXPECT_EQ(single, other) << "unknown alignments are a single line";
  EXPECT_GT(single.x, 40);
  EXPECT_LE(wrapped.x, 40);
  EXPECT_GT(wrapped.y, 2 * single.y);
}

// ---- labels along lines --------------------------------------------------------------

TEST_F(LabelsAreaTest, ArcLabelFindsAStraightStretchAndReadsLeftToRight) {
  TGIS_ArcLabelRequest r;
  r.textWidth = 40;
  r.textHeight = 12;
  r.lineOffset = 2;
  for (const bool backwards : {false, true}) {
    area->Clear();
    std::vector<TPoint> line = {{20, 60}, {60, 60}, {100, 60}, {140, 60}, {180, 60}};
    if (backwards) std::reverse(line.begin(), line.end());
    TGIS_ArcLabelPlace place;
    ASSERT_TRUE(GisFindArcLabelPlace(*form.viewer, line, r, place)) << backwards;
    EXPECT_EQ(place.swapped, backwards);
    EXPECT_LT(place.start.x, place.end.x) << "the text runs left to right";
    EXPECT_NEAR(place.angle, 0, 1e-12);
    EXPECT_EQ(place.textEnd.x - place.textStart.x, 40);
    EXPECT_EQ(place.deviation, 0);
    // Beside the line on the left of its direction: above when drawn left
    // to right, below when drawn right to left; the text box reaches th
    // further away from the line.
    EXPECT_EQ(place.textStart.y, backwards ? 62 : 58);
    EXPECT_EQ(place.oppositeStart.y, backwards ? 74 : 46);
    EXPECT_EQ(place.topLeft.y, backwards ? 62 : 46);
    EXPECT_EQ(area->Count(), 1) << "the quadrilateral is reserved";
  }
  // Centred on the line.
  r.middleCenter = true;
  area->Clear();
  TGIS_ArcLabelPlace place;
  ASSERT_TRUE(GisFindArcLabelPlace(*form.viewer, {{20, 60}, {180, 60}}, r, place));
  EXPECT_EQ(place.textStart.y, 66);
  EXPECT_EQ(place.oppositeStart.y, 54);
}

TEST_F(LabelsAreaTest, ArcLabelRefusesShortBentAndTakenLines) {
  TGIS_ArcLabelRequest r;
  r.textWidth = 60;
  r.textHeight = 12;
  TGIS_ArcLabelPlace place;
  EXPECT_FALSE(GisFindArcLabelPlace(*form.viewer, {{10, 10}, {50, 10}}, r, place)) << "too short";
  EXPECT_FALSE(GisFindArcLabelPlace(*form.viewer, {{10, 10}}, r, place));
  // A zig-zag deviating more than th div 6 = 2 pixels from every chord.
  std::vector<TPoint> zigzag;
  for (int i = 0; i <= 20; ++i)
    zigzag.push_back(TPoint(10 + 9 * i, i % 2 == 0 ? 50 : 56));
  EXPECT_FALSE(GisFindArcLabelPlace(*form.viewer, zigzag, r, place)) << "too bent";
  // Within th div 6 it is straight enough.
  for (std::size_t i = 0; i < zigzag.size(); ++i)
    zigzag[i].y = i % 2 == 0 ? 50 : 52;
  EXPECT_TRUE(GisFindArcLabelPlace(*form.viewer, zigzag, r, place));
  EXPECT_GT(place.deviation, 0);
  // The place is taken: a second label on a line just beside it is refused,
  // unless the style doesn't use the allocator.
  std::vector<TPoint> beside = {{12, 53}, {192, 53}};
  EXPECT_FALSE(GisFindArcLabelPlace(*form.viewer, beside, r, place));
  r.useAllocator = false;
  EXPECT_TRUE(GisFindArcLabelPlace(*form.viewer, beside, r, place));
}

TEST_F(LabelsAreaTest, ArcLabelScreenLineDropsPointsCloserThanFourPixels) {
  std::vector<TGIS_Point> map;
  for (int i = 0; i <= 10; ++i)
    map.push_back(form.viewer->ScreenToMap(TPoint(10 + 3 * i, 20)));
  const std::vector<TPoint> line = GisArcLabelScreenLine(*form.viewer, map.data(), int(map.size()));
  ASSERT_GE(line.size(), 2u);
  EXPECT_EQ(line.front(), TPoint(10, 20));
  for (std::size_t i = 1; i < line.size(); ++i)
    EXPECT_GT(line[i].x - line[i - 1].x, 4);
  EXPECT_EQ(line.size(), 6u); // 10, 16, 22, 28, 34, 40
}

TEST_F(LabelsAreaTest, ArcLabelInTheSectionStyleIsDrawnBesideTheLine) {
  TGIS_ParamsSectionVector section;
  TGIS_ParamsLabel& label = section.GetLabel();
  label.Font().Name = "Liberation Sans";
  label.Font().Size = 12;
  label.Font().Color = 0x0000FF;
  label.SetColor(0x0000FF); // no halo
  section.GetLine().SetWidth(-6);
  section.GetLine().SetOutlineWidth(0);
  TGIS_GDI& gdi = *form.viewer->GetGDI();
  const TGIS_ArcLabelRequest r = GisPrepareArcLabel(*form.viewer, gdi, section, 0, "Road");
  EXPECT_EQ(r.lineOffset, 3) << "half the line's width";
  EXPECT_GT(r.textWidth, 20);
  EXPECT_GT(r.textHeight, 10);
  EXPECT_TRUE(r.useAllocator);
  EXPECT_FALSE(r.middleCenter);
  EXPECT_EQ(gdi.Brush()->GetStyle(), GIS_BRUSH_CLEAR);

  const std::vector<TGIS_Point> road = {M(10, 70), M(190, 70)};
  const std::vector<TGIS_Point> stub = {M(10, 70), M(20, 70)};
  EXPECT_FALSE(GisDrawArcLabelPoints(*form.viewer, section, 0, road.data(), 2, ""));
  EXPECT_FALSE(GisDrawArcLabelPoints(*form.viewer, section, 0, stub.data(), 2, "Road"));
  ASSERT_TRUE(GisDrawArcLabelPoints(*form.viewer, section, 0, road.data(), 2, "Road"));
  int above = 0, below = 0;
  for (int y = 40; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      if (form.Pixel(x, y) == 0x0000FF) ++(y < 70 ? above : below);
  EXPECT_GT(above, 20) << "the text sits above a line drawn left to right";
  EXPECT_EQ(below, 0);
}
