// The drawing every shape shares: paint extents, drawable copies, markers and
// the selection frame, vertex marks and numbers, flashing and charts.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/Strings.h"
#include "DrawTestSupport.h"
#include "ShapeTestSupport.h"
#include "platform/rtl/ScopeGuard.h"
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
      {"15999 pixels wide: the shape itself, though it reaches past 16000", 0, 100, 16099, false,
       0},
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

TEST(GisShapeDraw, PointPaintExtentsWidenByTheMarker) {
  TDrawViewer d(200, 100);
  TGIS_Shape* point = d.Add(gisShapeTypePoint, {{{50, 50}}});
  TGIS_Shape* multi = d.Add(gisShapeTypeMultiPoint, {{{40, 40}, {60, 60}}});
  struct Row {
    const char* what;
    std::function<void(TGIS_ParamsSectionVector&)> style;
    double pointX, pointY; // the point's widening in pixels
    double multiX;         // the multipoint's, beside its vertices
  };
  // Marker 100 twips: s = 3 × 100 twips = 20 px, m = 20 div 4 + 1 = 6.
  const Row rows[] = {
      {"defaults", [](TGIS_ParamsSectionVector&) {}, 6, 6, 6},
      {"outline 2 px: o = 6 px more",
       [](TGIS_ParamsSectionVector& p) { p.GetMarker().SetOutlineWidth(-2); }, 12, 12, 12},
      {"a render size counts as 1000 px for a point: 3000 div 4 + 1 = 751",
       [](TGIS_ParamsSectionVector& p) { p.GetMarker().SetSize(GIS_RENDER_SIZE); }, 751, 751,
       3 * 268435455.0 / 4 + 1},
      {"a label text: m + (px(1 + 1500 + m twips) + s / 2 + o + 1)",
       [](TGIS_ParamsSectionVector& p) { p.GetLabel().SetValue("label"); }, 6 + 100 + 11,
       6 + 100 + 11, 6 + 100 + 11},
  };
  for (const Row& r : rows) {
    d.ResetStyle();
    r.style(d.Style());
    const TGIS_Extent e = point->GetPaintExtentEx();
    EXPECT_DOUBLE_EQ(e.XMin, 50 - r.pointX) << r.what;
    EXPECT_DOUBLE_EQ(e.XMax, 50 + r.pointX) << r.what;
    EXPECT_DOUBLE_EQ(e.YMax, 50 + r.pointY) << r.what;
    EXPECT_NEAR(multi->GetPaintExtentEx().XMin, 40 - r.multiX, 1) << r.what;
  }
  d.ResetStyle();
}

TEST(GisShapeDraw, MarkersOfEveryStyleAndSize) {
  TDrawViewer d(100, 100);
  TGIS_Shape* s = d.Add(gisShapeTypePoint, {{{50, 50}}});
  // Box and circle cover [-h, h) like a GDI rectangle; the polygon styles
  // reach their vertices at ±h with the one-pixel pen. A 1-pixel marker has
  // h = 0: every vertex at the centre, nothing drawn. Probes keep a pixel
  // away from slanted edges.
  struct Probe {
    int dx, dy;
    bool ink;
  };
  struct Row {
    TGIS_MarkerStyle style;
    bool rectangular;
    std::vector<Probe> probes8; // at size 8 (h 4, q 2, e 1)
  };
  const Row rows[] = {
      {gisMarkerStyleBox, true, {{-4, -4, true}, {3, 3, true}, {4, 0, false}}},
      {gisMarkerStyleCircle, true, {{-4, -4, false}, {0, -4, true}, {0, 0, true}}},
      {gisMarkerStyleCross, false, {{-3, -3, false}, {-4, 0, true}, {0, 4, true}, {3, 3, false}}},
      {gisMarkerStyleDiagCross,
       false,
       {{-4, -4, false}, {-3, -3, true}, {0, -4, false}, {0, 0, true}}},
      {gisMarkerStyleTriangleUp, false, {{-3, -3, false}, {0, -3, true}, {-3, 3, true}}},
      {gisMarkerStyleTriangleDown, false, {{-3, 3, false}, {0, 2, true}, {-3, -3, true}}},
      {gisMarkerStyleTriangleLeft, false, {{-3, -3, false}, {-3, 0, true}, {3, -3, true}}},
      {gisMarkerStyleTriangleRight, false, {{3, -3, false}, {2, 0, true}, {-3, -3, true}}},
  };
  for (const Row& r : rows)
    for (const int size : {1, 2, 7, 8}) {
      d.Style().GetMarker().SetStyle(r.style);
      d.RenderWith([&](TGIS_Viewer&, TGIS_GDI& gdi) {
        gdi.PrepareBrush(kRed, nullptr, GIS_BRUSH_SOLID);
        gdi.PrepareOutlinePen(kRed, GIS_PEN_SOLID, false, 1, GIS_BRUSH_SOLID, nullptr);
        s->DrawMarker(size, TPoint(50, 50), false);
      });
      const std::string what =
          "style " + IntToStr(int(r.style)) + " size " + IntToStr(size);
      const int h = size / 2;
      if (h == 0) {
        EXPECT_EQ(d.Count(kRed), 0) << what;
        continue;
      }
      const int far = r.rectangular ? h : h + 1;
      EXPECT_EQ(d.InkBox(kRed), TRect(50 - h, 50 - h, 50 + far, 50 + far)) << what;
      if (size == 8) {
        for (const Probe& p : r.probes8)
          EXPECT_EQ(d.Pixel(50 + p.dx, 50 + p.dy) == kRed, p.ink)
              << what << " at " << p.dx << ", " << p.dy;
      }
    }
  // Size 0 draws nothing, not even the frame of a selected shape.
  s->SetIsSelected(true);
  HRGN selection = nullptr;
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI& gdi) {
    s->DrawMarker(0, TPoint(50, 50), false);
    selection = gdi.SelectionRegion();
  });
  EXPECT_EQ(selection, nullptr);
  EXPECT_EQ(d.Count(kWhite), 100 * 100);
}

TEST(GisShapeDraw, SelectionFrameIsDottedAndJoinsTheSelectionRegion) {
  TDrawViewer d(100, 100);
  TGIS_Shape* s = d.Add(gisShapeTypePoint, {{{50, 50}}});
  s->SetIsSelected(true);
  struct Row {
    const char* what;
    TColor selection;
    COLORREF frame;
  };
  const Row rows[] = {{"white selection colour: a red frame", 0xFFFFFF, kRed},
                      {"another colour frames in it", 0x00FF00, kLime}};
  for (const Row& r : rows) {
    d.viewer->SetSelectionColor(r.selection);
    // Size 8 and the selection width of 100 twips (7 px): r = 4 + 3.
    std::vector<COLORREF> top;
    TRect region;
    d.RenderWith([&](TGIS_Viewer&, TGIS_GDI& gdi) {
      gdi.PrepareBrush(kBlue, nullptr, GIS_BRUSH_SOLID);
      gdi.PrepareOutlinePen(kBlue, GIS_PEN_SOLID, false, 1, GIS_BRUSH_SOLID, nullptr);
      s->DrawMarker(8, TPoint(50, 50), false);
      for (int x = 43; x < 57; ++x)
        top.push_back(GetPixel(gdi.GetHandle(), x, 43));
      region = gdi.GetRgnBox(gdi.SelectionRegion());
    });
    int frame = 0, gaps = 0;
    for (const COLORREF c : top) {
      frame += c == r.frame;
      gaps += c != r.frame;
    }
    EXPECT_GE(frame, 5) << r.what;
    EXPECT_GE(gaps, 5) << r.what << ": dotted";
    EXPECT_EQ(region, TRect(44, 44, 57, 57)) << r.what << ": the frame less its left and top";
  }
  // selectedOnly draws the frame alone.
  int marker = -1;
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI& gdi) {
    gdi.PrepareBrush(kBlue, nullptr, GIS_BRUSH_SOLID);
    s->DrawMarker(8, TPoint(50, 50), true);
    marker = GetPixel(gdi.GetHandle(), 50, 50) == kBlue;
  });
  EXPECT_EQ(marker, 0);
}

namespace {

/// Pixels of a colour in a rectangle of the rendered bitmap.
int CountIn(const TDrawViewer& d, COLORREF c, const TRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      n += d.Pixel(x, y) == c;
  return n;
}

} // namespace

TEST(GisShapeDraw, VertexSquaresKeepTheirDistanceAndTheWindow) {
  TDrawViewer d(200, 100);
  // (22, 50) is 2 pixels from (20, 50): closer than two squares, skipped;
  // (300, 50) lies outside the window.
  TGIS_Shape* s = d.Add(gisShapeTypeArc, {{{20, 50}, {22, 50}, {40, 50}, {300, 50}}});
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { s->DrawVertices(); });
  // A square is Rectangle (p − 3, p + 3): a black frame around 4 × 4 yellow.
  EXPECT_EQ(d.Pixel(20, 50), kYellow);
  EXPECT_EQ(d.Pixel(17, 50), kNearBlack);
  EXPECT_EQ(d.Pixel(24, 50), kWhite) << "no square for the close vertex";
  EXPECT_EQ(d.Pixel(40, 50), kYellow);
  EXPECT_EQ(d.Count(kYellow), 2 * 16);
  // Hidden shapes get none.
  s->SetIsHidden(true);
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { s->DrawVertices(); });
  EXPECT_EQ(d.Count(kYellow), 0);
}

TEST(GisShapeDraw, VertexLabelsColourTheEditedPartAndNumberTheVertices) {
  TDrawViewer d(200, 100);
  TGIS_Shape* points = d.Add(gisShapeTypeMultiPoint, {{{20, 50}, {22, 50}, {60, 50}, {70, 50}}});
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { points->DrawVertexLabels(); });
  // Part 0 is the editor's part: green squares; its current vertex 0 red.
  EXPECT_EQ(d.Pixel(20, 50), kRed);
  EXPECT_EQ(d.Pixel(60, 50), kGreen);
  EXPECT_EQ(d.Pixel(70, 50), kGreen);
  EXPECT_EQ(d.Pixel(25, 50), kWhite) << "vertex 1 is too close for a square";
  // Numbers go below right of their vertex, white on the square colour, at
  // least two text heights (16 pixels at 6 points) apart: 0 and 2, not 3.
  EXPECT_GT(CountIn(d, kWhite, TRect(23, 53, 32, 66)) + CountIn(d, kWhite, TRect(63, 53, 72, 66)),
            0);
  EXPECT_GT(CountIn(d, kGreen, TRect(63, 53, 72, 66)), 0) << "the number's background";
  EXPECT_EQ(CountIn(d, kGreen, TRect(74, 54, 90, 70)), 0) << "no number for vertex 3";

  // A polygon of two rings with the second one being edited.
  TGIS_Shape* rings = d.Add(gisShapeTypePolygon, {{{120, 20}, {150, 20}, {150, 80}, {120, 80}},
                                                  {{170, 20}, {190, 20}, {190, 80}}});
  const TRecordingTopologyScope noNormalising;
  d.viewer->Editor()->StartEdit(rings, 1);
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { rings->DrawVertexLabels(); });
  EXPECT_EQ(d.Pixel(150, 80), kBlue) << "another part";
  EXPECT_EQ(d.Pixel(190, 80), kGreen) << "the edited part";
  EXPECT_EQ(d.Pixel(170, 80), kRed) << "the editor's current vertex";
  // The outline under the marks: dotted yellow on near black.
  EXPECT_EQ(CountIn(d, kYellow, TRect(155, 30, 165, 70)), 0) << "nothing between the rings";
  const TRect edge(150, 30, 151, 70);
  EXPECT_GT(CountIn(d, kYellow, edge), 5);
  EXPECT_GT(CountIn(d, kNearBlack, edge), 5);
  // An edited part the shape does not have marks no current vertex.
  d.viewer->Editor()->StartEdit(rings, 5);
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { rings->DrawVertexLabels(); });
  EXPECT_EQ(d.Count(kRed), 0);
  d.viewer->Editor()->EndEdit();
}

TEST(GisShapeDraw, PartsAreThinnedToDistinctPixelsAndBelowTheCap) {
  TDrawViewer d(200, 100);
  auto line = [&](int n, double step) {
    std::vector<TGIS_Point> part;
    for (int i = 0; i < n; ++i)
      part.push_back({10 + std::fmod(i * step, 180.0), 10 + std::floor(i * step / 180) * 0.5});
    return d.Add(gisShapeTypeArc, {part});
  };
  struct Row {
    const char* what;
    TGIS_Shape* shape;
    int cap;
    double threshold;
    int expected; // -1: below the cap
  };
  const Row rows[] = {
      {"10000 vertices on distinct pixels stay", line(10000, 1.0), 0, 0, 10000},
      {"a run on one pixel keeps its first and last point",
       d.Add(gisShapeTypeArc, {{{20, 20}, {20.1, 20}, {20.2, 20}, {40, 20}, {40.2, 20}, {60, 20}}}),
       0, 0, 3},
      {"all on one pixel: first and last",
       d.Add(gisShapeTypeArc, {{{20, 20}, {20.1, 20}, {20.2, 20}}}), 0, 0, 2},
      {"a threshold of 1 pixel drops every other unit step", line(101, 1.0), 0, 1, 51},
      {"a cap of 10 thins until fewer points remain", line(100, 1.0), 10, 0, -1},
      {"a cap of 3 ends at the two ends", line(100, 1.0), 3, 0, 2},
  };
  for (const Row& r : rows) {
    GisSetMaxDrawPointsForTests(r.cap);
    std::vector<TPoint> out(std::size_t(r.shape->GetNumPoints()));
    const int n = GisDecimatePart(*d.viewer, *r.shape, 0, r.threshold, true, out.data());
    if (r.expected >= 0)
      EXPECT_EQ(n, r.expected) << r.what;
    else
      EXPECT_LT(n, r.cap) << r.what;
    EXPECT_EQ(out[0], d.viewer->MapToScreen(r.shape->GetPoint(0, 0))) << r.what;
    EXPECT_EQ(out[std::size_t(n - 1)],
              d.viewer->MapToScreen(r.shape->GetPoint(0, r.shape->GetPartSize(0) - 1)))
        << r.what;
  }
  GisSetMaxDrawPointsForTests(0);
  EXPECT_EQ(GisMaxDrawPoints(), 134217728);
  // Without the cap loop a part keeps what one pass keeps.
  GisSetMaxDrawPointsForTests(10);
  TGIS_Shape* long_ = line(100, 1.0);
  std::vector<TPoint> out(100);
  EXPECT_EQ(GisDecimatePart(*d.viewer, *long_, 0, 0, false, out.data()), 100);
  // The vertex outline of a line obeys the cap as well and still shows
  // between the squares of its 15 vertices.
  std::vector<TGIS_Point> sparse;
  for (int i = 0; i < 15; ++i)
    sparse.push_back({10.0 + 10 * i, 30});
  TGIS_Shape* outlined = d.Add(gisShapeTypeArc, {sparse});
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { outlined->DrawVertexLabels(); });
  EXPECT_GT(CountIn(d, kYellow, TRect(10, 70, 150, 71)), 10);
}

TEST(GisShapeDraw, FlashAlternatesRedAndYellowOnTheWindowOnly) {
  TDrawViewer d(200, 100);
  TGIS_Shape* s = d.Add(gisShapeTypePolygon, {{{20, 20}, {80, 20}, {80, 80}, {20, 80}}});
  d.Style().GetArea().SetColor(0x808080);
  std::vector<Cardinal> pauses;
  std::vector<COLORREF> seen;
  SetSleepForTests([&](Cardinal ms) {
    pauses.push_back(ms);
    seen.push_back(d.WindowPixel(50, 50));
  });
  auto restore = ScopeExit([] { SetSleepForTests(nullptr); });
  s->Flash(50, 60000);
  ASSERT_EQ(pauses.size(), 40u) << "at most 20 flashes of two colours";
  for (std::size_t i = 0; i < pauses.size(); ++i) {
    EXPECT_EQ(pauses[i], 10000u) << i << ": pauses last at most 10 s";
    EXPECT_EQ(seen[i], i % 2 == 0 ? kRed : kYellow) << i;
  }
  EXPECT_EQ(d.Style().GetArea().Color(), 0x808080u) << "the layer's style is untouched";
  EXPECT_FALSE(s->HasOwnParams());

  pauses.clear();
  s->Flash(3, 20);
  EXPECT_EQ(pauses, (std::vector<Cardinal>{20, 20, 20, 20, 20, 20}));

  // A locked viewer: nothing.
  pauses.clear();
  d.viewer->Lock();
  s->Flash(3, 20);
  d.viewer->Unlock();
  EXPECT_TRUE(pauses.empty());

  // Another target (here a bitmap rendering): once in red, without pauses.
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { s->Flash(50, 60000); });
  EXPECT_TRUE(pauses.empty());
  EXPECT_EQ(d.Pixel(50, 50), kRed);
  EXPECT_EQ(d.Pixel(50, 20), kYellow) << "the outline of colour set A";

  // A shape with a style of its own flashes in the same colours and keeps it.
  s->UseOwnParams(true);
  s->GetParamsSection().GetArea().SetColor(kBlue);
  d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { s->Flash(1, 0); });
  EXPECT_EQ(d.Pixel(50, 50), kRed);
  EXPECT_EQ(s->GetParamsSection().GetArea().Color(), kBlue);
  d.Render();
  EXPECT_EQ(d.Pixel(50, 50), kBlue);
}

TEST(GisShapeDraw, ChartsStandAtTheLabelPoint) {
  TDrawViewer d(200, 100);
  // A square reaching beyond the window: its own centroid is (200, 50), the
  // centroid of what shows is (150, 50).
  TGIS_Shape* s = d.Add(gisShapeTypePolygon, {{{100, 20}, {300, 20}, {300, 80}, {100, 80}}});
  d.Style().GetChart().SetValues("0:0:1:1");
  d.Style().GetChart().SetSize(-40);
  struct Row {
    const char* what;
    bool fullPaint, flow;
    int centre;
  };
  const Row rows[] = {{"the shape's label point", false, false, 200},
                      {"flow without full paint: still the shape's", false, true, 200},
                      {"flow in a full paint: the visible part's", true, true, 150}};
  for (const Row& r : rows) {
    d.viewer->SetFullPaint(r.fullPaint);
    d.Style().GetLabel().SetPosition(r.flow ? LabelPositionBit(gisLabelPositionFlow)
                                            : LabelPositionBit(gisLabelPositionUpLeft));
    d.RenderWith([&](TGIS_Viewer&, TGIS_GDI&) { s->DrawChart(); });
    // Two equal values: the right half red, the left half lime.
    EXPECT_EQ(d.Pixel(r.centre - 10, 50), kLime) << r.what;
    if (r.centre + 10 < 200) {
      EXPECT_EQ(d.Pixel(r.centre + 10, 50), kRed) << r.what;
    }
  }
  d.viewer->SetFullPaint(false);
}
