// The drawing every shape shares: paint extents, drawable copies, markers and
// the selection frame, vertex marks and numbers, flashing and charts.
#include <gtest/gtest.h>

#include "DrawTestSupport.h"
#include "ShapeTestSupport.h"
#include "platform/rtl/Ticks.h"

namespace {

/// A horizontal line at y = 50 from x0 to x1 (map units = pixels).
TGIS_Shape* Line(TDrawViewer& d, double x0, double x1) {
  return d.Add(gisShapeTypeArc, {{{x0, 50}, {x1, 50}}});
}

} // namespace

TEST(GisShapeDraw, DrawableCopiesClipOnlyWhatReachesTooFar) {
  TDrawViewer d(200, 100);
  struct Row {
    const char* what;
    int kind;
    double x0, x1;
    bool copy;      // a clipped copy rather than the shape itself
    double copyMax; // its right end
  };
  // Kind 0 judges the shape's size on screen; kinds 1 and 2 the window
  // (one inch = 96 pixels here).
  const Row rows[] = {
      {"15999 pixels wide: the shape itself, though it reaches past 16000", 0, 100, 16099, false, 0},
      {"16000 pixels wide: clipped at +16000", 0, 100, 16100, true, 16000},
      {"16000 pixels wide but inside the ±16000 window: itself", 0, -8000, 8000, false, 0},
      {"inside the window and its inch", 1, 10, 290, false, 0},
      {"beyond the inch", 1, 10, 400, true, 296},
      {"inside the window", 2, 10, 190, false, 0},
      {"beyond the window", 2, 10, 250, true, 200},
  };
  for (const Row& r : rows) {
    TGIS_Shape* s = Line(d, r.x0, r.x1);
    TGIS_DrawableCopy c = s->GetDrawableCopy(r.kind);
    ASSERT_TRUE(bool(c)) << r.what;
    EXPECT_EQ(c.IsCopy(), r.copy) << r.what;
    if (r.copy) {
      EXPECT_NE(c.Get(), s) << r.what;
      EXPECT_DOUBLE_EQ(c->GetExtent().XMax, r.copyMax) << r.what;
      EXPECT_DOUBLE_EQ(c->GetExtent().XMin, r.x0) << r.what;
      EXPECT_EQ(c->Uid(), s->Uid()) << r.what;
      EXPECT_EQ(c->LockLevel(), 4) << r.what << ": a drawing copy keeps viewer coordinates";
    } else {
      EXPECT_EQ(c.Get(), s) << r.what;
    }
    s->FreeDrawableCopy(c);
    EXPECT_FALSE(bool(c)) << r.what;
    s->Delete();
  }
  // Nothing of the shape on screen: no copy at all.
  TGIS_Shape* far = Line(d, 1000, 2000);
  EXPECT_FALSE(bool(far->GetDrawableCopy(2)));
  EXPECT_FALSE(bool(far->GetDrawableCopy(1)));
  EXPECT_TRUE(bool(far->GetDrawableCopy(0))) << "kind 0 only guards against huge coordinates";
}

TEST(GisShapeDraw, PaintExtentsWidenForPensAndLabels) {
  TDrawViewer d(200, 100);
  TGIS_Shape* s = Line(d, 20, 80); // extent (20, 50, 80, 50)
  struct Row {
    const char* what;
    std::function<void(TGIS_ParamsSectionVector&)> style;
    double zoom;
    double mx, my; // the widening in pixels
  };
  const Row rows[] = {
      {"defaults: the 4-pixel minimum", [](TGIS_ParamsSectionVector&) {}, 1, 4, 4},
      {"line width 200 twips: (600 div 4 + 1) twips = 10 px",
       [](TGIS_ParamsSectionVector& p) { p.GetLine().SetWidth(200); }, 1, 10, 10},
      {"line width -10 (pixels): -30 div 4 + 1 = -6 twips, that is 6 px",
       [](TGIS_ParamsSectionVector& p) { p.GetLine().SetWidth(-10); }, 1, 6, 6},
      {"the widest of line outline and area outline: -60 div 4 + 1 → 14 px",
       [](TGIS_ParamsSectionVector& p) {
         p.GetLine().SetOutlineWidth(-8);
         p.GetArea().SetOutlineWidth(-20);
       },
       1, 14, 14},
      {"a label value adds its box: 1 + 1500 + 1 twips = 100 px",
       [](TGIS_ParamsSectionVector& p) { p.GetLabel().SetValue("x"); }, 1, 104, 104},
      {"an invisible label counts as well; height apart from width",
       [](TGIS_ParamsSectionVector& p) {
         p.GetLabel().SetField("NAME");
         p.GetLabel().SetVisible(false);
         p.GetLabel().SetHeight(-30);
       },
       1, 104, 32},
      {"zoom 2 halves the map margins", [](TGIS_ParamsSectionVector&) {}, 2, 4, 4},
  };
  for (const Row& r : rows) {
    d.ResetStyle();
    r.style(d.Style());
    d.viewer->SetZoom(r.zoom);
    const TGIS_Extent e = s->GetPaintExtentEx();
    EXPECT_DOUBLE_EQ(e.XMin, 20 - r.mx / r.zoom) << r.what;
    EXPECT_DOUBLE_EQ(e.XMax, 80 + r.mx / r.zoom) << r.what;
    EXPECT_DOUBLE_EQ(e.YMin, 50 - r.my / r.zoom) << r.what;
    EXPECT_DOUBLE_EQ(e.YMax, 50 + r.my / r.zoom) << r.what;
    EXPECT_TRUE(GisIsSameExtent(s->GetPaintExtent(), e)) << r.what << ": outside painting";
  }
  d.ResetStyle();
  d.viewer->SetZoom(1);

  // A render size in a width neither overflows nor shrinks the margin.
  d.Style().GetLine().SetWidth(GIS_RENDER_SIZE);
  EXPECT_LT(s->GetPaintExtentEx().XMin, -1e6);
  d.ResetStyle();

  // While the viewer paints in full the extent is the bare one.
  TGIS_Extent painted{0, 0, 0, 0};
  d.viewer->SetFullPaint(true);
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { painted = s->GetPaintExtent(); });
  EXPECT_TRUE(GisIsSameExtent(painted, {20, 50, 80, 50}));
  d.viewer->SetFullPaint(false);
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { painted = s->GetPaintExtent(); });
  EXPECT_TRUE(GisIsSameExtent(painted, {16, 46, 84, 54}));

  // An empty shape's extent stays empty.
  TGIS_Shape* empty = d.layer->CreateShape(gisShapeTypeArc);
  EXPECT_TRUE(GisIsEmptyExtent(empty->GetPaintExtentEx()));
}
