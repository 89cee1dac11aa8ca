// The drawing passes of a vector layer (sections, hooks, the hourglass, the
// editor, the overlays) watched through its hooks and spy shapes, and
// thematic rendering.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Ticks.h"
#include "tests/gis/vector/LayerDrawTestSupport.h"

namespace {

// ---- thematic rendering -------------------------------------------------------------------------

struct TRenderRow {
  const char* Name;
  double MinVal, MaxVal;
  int Zones;
  double MinValEx, MaxValEx;
  int ZonesEx;
  std::int32_t SizeDefault;
  double Value;
  bool Drawn;
  std::int32_t Size;
  std::uint32_t Color;
};

// Sizes 10 → 20 and colours $0A0A0A → $6E6E6E on the first range, 100 → 200
// and $6E6E6E → $0A0A0A on the second; the default size 120 and colour navy.
constexpr std::uint32_t NAVY = 0x800000;
const TRenderRow RENDER_ROWS[] = {
    // No zones on either range: nothing is computed.
    {"NoZones", 100, 200, 0, 0, 0, 0, 120, 150, true, 120, NAVY},
    // The size scales the value itself: 10 + R(10 × 150 / 100) = 25; the
    // colour its distance from the low end: half way, $3C3C3C.
    {"Linear", 100, 200, 5, 0, 0, 0, 120, 150, true, 25, 0x3C3C3C},
    {"LinearReversedEnds", 200, 100, 5, 0, 0, 0, 120, 150, true, 25, 0x3C3C3C},
    {"LowEnd", 100, 200, 5, 0, 0, 0, 120, 101, true, 20, 0x0B0B0B},
    // log10 100 = 2 on (1, 3): half way; the size 10 + R(10 × 2 / 2).
    {"Logarithmic", 10, 1000, -1, 0, 0, 0, 120, 100, true, 20, 0x3C3C3C},
    // Both ends below 0: the scale of the magnitudes, from 3 down to 1.
    {"LogarithmicNegative", -1000, -10, -1, 0, 0, 0, 120, -100, true, 0, 0x3C3C3C},
    // Ends of mixed signs have no logarithmic scale: the defaults.
    {"LogarithmicMixedSigns", -10, 1000, -1, 0, 0, 0, 120, 100, true, 120, NAVY},
    {"OutOfRange", 100, 200, 5, 0, 0, 0, 120, 250, true, 120, NAVY},
    {"JustOutOfRange", 100, 200, 5, 0, 0, 0, 120, 200 + 1e-6, true, 120, NAVY},
    // The second range: 100 + R(100 × 300 / 200), half way back.
    {"SecondRange", 100, 200, 5, 200, 400, 2, 120, 300, true, 250, 0x3C3C3C},
    // Zero or less on a logarithmic scale counts as log 10^-307: here far
    // beyond the end, 100 + R(100 × -307 / (2 - 3)), the colour clamped
    // (black, kept off pure black).
    {"LogarithmOfNothing", 5, 10, 1, -1000, -100, -1, 120, 2, true, 30800, 0x010101},
    // Only the second range has zones: the first does not count.
    {"SecondRangeOnly", 100, 200, 0, 200, 400, 2, 120, 150, true, 120, NAVY},
    // A size beyond int32 (a range one unit wide far from 0) is a failed
    // evaluation: the defaults apply, or, when a default is the render
    // marker itself, the shape is not drawn.
    {"SizeOverflow", 1e12, 1e12 + 1, 5, 0, 0, 0, 120, 1e12 + 0.5, true, 120, NAVY},
    {"SizeOverflowMarkerDefault", 1e12, 1e12 + 1, 5, 0, 0, 0, GIS_RENDER_SIZE, 1e12 + 0.5, false,
     GIS_RENDER_SIZE, GIS_RENDER_COLOR},
};

class RenderTable : public ::testing::TestWithParam<TRenderRow> {};

TEST_P(RenderTable, SizeAndColourReachTheMarkedStyleValues) {
  const TRenderRow& row = GetParam();
  TPassFixture f;
  TGIS_ParamsSectionVector& s = f.Section();
  TGIS_ParamsRender& r = s.GetRender();
  r.SetExpression("1"); // evaluated for shapes only; here the value is given
  r.SetMinVal(row.MinVal);
  r.SetMaxVal(row.MaxVal);
  r.SetZones(row.Zones);
  r.SetMinValEx(row.MinValEx);
  r.SetMaxValEx(row.MaxValEx);
  r.SetZonesEx(row.ZonesEx);
  r.SetStartSize(10);
  r.SetEndSize(20);
  r.SetStartColor(0x0A0A0A);
  r.SetEndColor(0x6E6E6E);
  r.SetStartSizeEx(100);
  r.SetEndSizeEx(200);
  r.SetStartColorEx(0x6E6E6E);
  r.SetEndColorEx(0x0A0A0A);
  r.SetSizeDefault(row.SizeDefault);
  r.SetColorDefault(NAVY);
  TGIS_ParamsMarker& m = s.GetMarker();
  m.SetSize(GIS_RENDER_SIZE);
  m.SetColor(GIS_RENDER_COLOR);
  m.SetOutlineWidth(7); // no marker: stays
  const std::int32_t sectionSerial = s.Serial(), markerSerial = m.Serial();

  EXPECT_EQ(f.layer->ApplyRender(nullptr, row.Value), row.Drawn);
  EXPECT_EQ(m.Size(), row.Size);
  EXPECT_EQ(m.Color(), row.Color);
  EXPECT_EQ(m.OutlineWidth(), 7);
  f.layer->RestoreRenderedStyles();
  EXPECT_EQ(m.Size(), GIS_RENDER_SIZE);
  EXPECT_EQ(m.Color(), GIS_RENDER_COLOR);
  EXPECT_EQ(s.Serial(), sectionSerial) << "rendering is no change of the style";
  EXPECT_EQ(m.Serial(), markerSerial);
}

INSTANTIATE_TEST_SUITE_P(Rows, RenderTable, ::testing::ValuesIn(RENDER_ROWS),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(GisLayerVectorRender, EveryMarkedStyleValueTakesTheRenderedOneAndGetsItBack) {
  TPassFixture f;
  TGIS_ParamsSectionVector& s = f.Section();
  TGIS_ParamsRender& r = s.GetRender();
  r.SetExpression("1");
  r.SetMinVal(0);
  r.SetMaxVal(100);
  r.SetZones(1);
  r.SetStartSize(0);
  r.SetEndSize(100);
  r.SetStartColor(0x0A0A0A);
  r.SetEndColor(0x6E6E6E);
  TGIS_ParamsLine& line = s.GetLine();
  TGIS_ParamsArea& area = s.GetArea();
  TGIS_ParamsLabel& label = s.GetLabel();
  TGIS_ParamsChart& chart = s.GetChart();
  line.SetWidth(GIS_RENDER_SIZE);
  line.SetOutlineColor(GIS_RENDER_COLOR);
  area.SetOutlineWidth(GIS_RENDER_SIZE);
  area.SetColor(GIS_RENDER_COLOR);
  label.SetColor(GIS_RENDER_COLOR);
  label.Font().Size = GIS_RENDER_SIZE;
  label.Font().Color = GIS_RENDER_COLOR;
  chart.SetSize(GIS_RENDER_SIZE);
  line.SetColor(0x123456);
  const std::int32_t serial = s.Serial();

  ASSERT_TRUE(f.layer->ApplyRender(nullptr, 50));
  EXPECT_EQ(line.Width(), 50);
  EXPECT_EQ(line.OutlineColor(), 0x3C3C3Cu);
  EXPECT_EQ(line.Color(), 0x123456u);
  EXPECT_EQ(area.OutlineWidth(), 50);
  EXPECT_EQ(area.Color(), 0x3C3C3Cu);
  EXPECT_EQ(label.Color(), 0x3C3C3Cu);
  EXPECT_EQ(label.Font().Size, 50);
  EXPECT_EQ(label.Font().Color, 0x3C3C3Cu);
  EXPECT_EQ(chart.Size(), 50);
  EXPECT_GT(s.Serial(), serial);

  f.layer->RestoreRenderedStyles();
  EXPECT_EQ(line.Width(), GIS_RENDER_SIZE);
  EXPECT_EQ(line.OutlineColor(), GIS_RENDER_COLOR);
  EXPECT_EQ(area.OutlineWidth(), GIS_RENDER_SIZE);
  EXPECT_EQ(area.Color(), GIS_RENDER_COLOR);
  EXPECT_EQ(label.Font().Size, GIS_RENDER_SIZE);
  EXPECT_EQ(label.Font().Color, GIS_RENDER_COLOR);
  EXPECT_EQ(chart.Size(), GIS_RENDER_SIZE);
  EXPECT_EQ(s.Serial(), serial);
  // A second restore has nothing left to undo.
  line.SetWidth(3);
  f.layer->RestoreRenderedStyles();
  EXPECT_EQ(line.Width(), 3);
  EXPECT_EQ(s.Serial(), serial + 1);
}

TEST(GisLayerVectorRender, ShapesGiveTheValueAndTheChartValues) {
  TPassFixture f;
  f.layer->AddField("POP", gisFieldTypeNumber, 8, 0);
  TGIS_Shape* shape = f.layer->AddShape(gisShapeTypePoint, {{{10, 10}}});
  shape->SetField("POP", 150);
  TGIS_ParamsSectionVector& s = f.Section();
  TGIS_ParamsRender& r = s.GetRender();
  r.SetExpression("POP");
  r.SetMinVal(100);
  r.SetMaxVal(200);
  r.SetZones(5);
  r.SetStartSize(10);
  r.SetEndSize(20);
  r.SetChart("0:1000:POP:POP * 2::POP $");
  s.GetMarker().SetSize(GIS_RENDER_SIZE);
  const std::int32_t serial = s.Serial();
  ASSERT_TRUE(f.layer->ApplyRender(shape, 0));
  EXPECT_EQ(s.GetMarker().Size(), 25);
  // One value per chart expression: an empty one is missing, one that does
  // not compile counts 0.
  EXPECT_EQ(s.GetChart().Values(), (std::vector<double>{0, 1000, 150, 300, 1.7e308, 0}));
  f.layer->RestoreRenderedStyles();
  EXPECT_EQ(s.GetMarker().Size(), GIS_RENDER_SIZE);
  EXPECT_EQ(s.Serial(), serial) << "chart values of a shape are no change of the style";
}

TEST(GisLayerVectorRender, ARenderSizeWithAFailingExpressionIsNotDrawn) {
  TPassFixture f;
  f.layer->AddField("A", gisFieldTypeNumber, 8, 0);
  for (int i = 0; i < 3; ++i)
    f.layer->AddShape(gisShapeTypePoint, {{{10.0 + 10 * i, 10}}})->SetField("A", i);
  TGIS_ParamsSectionVector& s = f.Section();
  s.GetRender().SetExpression("10 / A"); // a division by zero for the first shape
  s.GetRender().SetMinVal(0);
  s.GetRender().SetMaxVal(100);
  s.GetRender().SetZones(5);
  s.GetMarker().SetSize(GIS_RENDER_SIZE);
  std::vector<std::tuple<int, std::int32_t>> drawn; // UID, marker size
  f.layer->PaintShapeHook = [&](TGIS_Viewer*, TGIS_Shape* shape) {
    drawn.emplace_back(shape->Uid(), shape->GetParamsSection().GetMarker().Size());
  };
  // StartSize 1, EndSize 480: 1 + R(479 × 10 / 100) and 1 + R(479 × 5 / 100).
  s.GetRender().SetSizeDefault(GIS_RENDER_SIZE);
  f.Render();
  EXPECT_EQ(drawn, (std::vector<std::tuple<int, std::int32_t>>{{2, 49}, {3, 25}}));
  // With a size of its own the failing shape is drawn at the low end.
  drawn.clear();
  s.GetRender().SetSizeDefault(120);
  f.Render();
  EXPECT_EQ(drawn, (std::vector<std::tuple<int, std::int32_t>>{{1, 1}, {2, 49}, {3, 25}}));
}

// ---- the passes ---------------------------------------------------------------------------------

/// What the hooks saw: the pass ("shape", "chart", "label"), the shape's UID
/// and the viewer's target at the time.
struct TCall {
  std::string Pass;
  int Uid;
  std::uint8_t Target;
  bool operator==(const TCall&) const = default;
};

class DrawPasses : public ::testing::Test {
protected:
  void Spy() {
    auto record = [this](const char* pass) {
      return [this, pass](TGIS_Viewer* v, TGIS_Shape* s) {
        calls.push_back({pass, s->Uid(), v->TargetKind()});
      };
    };
    f.layer->PaintShapeHook = record("shape");
    f.layer->PaintShapeChartHook = record("chart");
    f.layer->PaintShapeLabelHook = record("label");
  }
  std::vector<int> Uids(const std::string& pass) const {
    std::vector<int> out;
    for (const TCall& c : calls)
      if (c.Pass == pass) out.push_back(c.Uid);
    return out;
  }
  TPassFixture f;
  std::vector<TCall> calls;
};

TEST_F(DrawPasses, SectionsAreTriedFromTheLastToTheFirst) {
  f.layer->AddField("A", gisFieldTypeNumber, 8, 0);
  for (int a : {5, 1, 3, 6})
    f.layer->AddShape(gisShapeTypePoint, {{{10.0 * a, 10}}})->SetField("A", a);
  f.layer->ParamsList().Add();
  auto& big = dynamic_cast<TGIS_ParamsSectionVector&>(f.layer->ParamsList().GetItem(1));
  big.SetQuery("A > 2");
  big.GetMarker().SetColor(0x00FF00);
  f.layer->ParamsList().Add();
  auto& hidden = dynamic_cast<TGIS_ParamsSectionVector&>(f.layer->ParamsList().GetItem(2));
  hidden.SetQuery("A > 4");
  hidden.SetVisible(false);
  std::vector<std::tuple<int, std::uint32_t>> seen; // A, marker colour
  f.layer->PaintShapeHook = [&](TGIS_Viewer*, TGIS_Shape* shape) {
    seen.emplace_back(shape->GetField("A").AsInteger(),
                      shape->GetParamsSection().GetMarker().Color());
  };
  f.Render();
  // A = 5: the last section is tried first and hides it. A = 1 falls
  // through to the first section, A = 3 takes the middle one, which then
  // moves to the end of the active sections and is tried first: A = 6,
  // matching both queries, takes it too (the active list's rule).
  EXPECT_EQ(seen, (std::vector<std::tuple<int, std::uint32_t>>{
                      {1, 0x0000FF}, {3, 0x00FF00}, {6, 0x00FF00}}));
}

TEST_F(DrawPasses, ALoneInvisibleSectionEndsEveryPass) {
  for (int i = 1; i <= 3; ++i)
    f.layer->AddShape(gisShapeTypePoint, {{{10.0 * i, 10}}});
  f.Section().GetLabel().SetValue("x");
  f.Section().GetChart().SetSize(100);
  Spy();
  f.Render();
  EXPECT_EQ(Uids("shape"), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Uids("chart"), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Uids("label"), (std::vector<int>{1, 2, 3}));
  f.Section().SetVisible(false);
  calls.clear();
  f.Render();
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(f.layer->DrawDefault());
  EXPECT_FALSE(f.layer->IsDrawing());
  // With a query the invisible section only skips the shapes it holds for.
  f.Section().SetQuery("GIS_UID = 2");
  calls.clear();
  f.Render();
  EXPECT_TRUE(calls.empty()) << "no section is left for the other shapes";
  f.layer->ParamsList().Add(); // a visible copy, tried first
  auto& visible = dynamic_cast<TGIS_ParamsSectionVector&>(f.layer->ParamsList().GetItem(1));
  visible.SetVisible(true);
  visible.SetQuery("GIS_UID <> 2");
  calls.clear();
  f.Render();
  EXPECT_EQ(Uids("shape"), (std::vector<int>{1, 3}));
  EXPECT_EQ(Uids("label"), (std::vector<int>{1, 3}));
}

TEST_F(DrawPasses, HooksReplaceTheShapesOwnDrawing) {
  TSpyPoint* a = f.layer->AddSpyPoint(10, 10);
  TSpyPoint* b = f.layer->AddSpyPoint(50, 10);
  f.Section().GetLabel().SetValue("x");
  f.Section().GetChart().SetSize(100);
  f.Render();
  for (TSpyPoint* s : {a, b}) {
    EXPECT_EQ(s->Draws, 1);
    EXPECT_EQ(s->Charts, 1);
    EXPECT_EQ(s->Labels, 1);
  }
  Spy();
  f.Render();
  for (TSpyPoint* s : {a, b}) {
    EXPECT_EQ(s->Draws, 1);
    EXPECT_EQ(s->Charts, 1);
    EXPECT_EQ(s->Labels, 1);
  }
  // Into a device context: the shapes, then the charts, then the labels.
  EXPECT_EQ(calls, (std::vector<TCall>{{"shape", 1, gisTargetDC},
                                       {"shape", 2, gisTargetDC},
                                       {"chart", 1, gisTargetDC},
                                       {"chart", 2, gisTargetDC},
                                       {"label", 1, gisTargetDC},
                                       {"label", 2, gisTargetDC}}));
  // The layer's own hooks replace whole passes.
  int layerDraws = 0, labelPasses = 0;
  f.layer->PaintHook = [&](TGIS_Viewer*, TGIS_LayerAbstract*) { ++layerDraws; };
  f.layer->PaintLabelsHook = [&](TGIS_Viewer*, TGIS_LayerAbstract*) { ++labelPasses; };
  calls.clear();
  f.Render();
  EXPECT_EQ(layerDraws, 1);
  EXPECT_EQ(labelPasses, 1);
  EXPECT_EQ(Uids("shape"), std::vector<int>{});
  EXPECT_EQ(Uids("chart"), (std::vector<int>{1, 2}));
  EXPECT_EQ(Uids("label"), std::vector<int>{});
}

TEST_F(DrawPasses, LabelAndChartPassesDrawOnlyWhatTheStyleAsksFor) {
  f.layer->AddField("C", gisFieldTypeNumber, 8, 0);
  f.Section().GetChart().SetSize(0);
  f.Section().GetLabel().SetField("C");
  f.Section().GetLabel().SetVisible(false);
  f.layer->ParamsList().Add(); // the same, with a chart, for C = 1
  auto& charted = dynamic_cast<TGIS_ParamsSectionVector&>(f.layer->ParamsList().GetItem(1));
  charted.SetQuery("C = 1");
  charted.GetChart().SetSize(100);
  TSpyPoint* plain = f.layer->AddSpyPoint(10, 10);
  TSpyPoint* withChart = f.layer->AddSpyPoint(50, 10);
  withChart->SetField("C", 1);
  // The chart size brings the label pass to a shape whose label is
  // invisible (as written); the chart pass takes shapes with a chart size.
  f.Render();
  EXPECT_EQ(plain->Labels, 0);
  EXPECT_EQ(plain->Charts, 0);
  EXPECT_EQ(withChart->Labels, 1);
  EXPECT_EQ(withChart->Charts, 1);
  // A chart hook takes every shape; a label hook every visible label.
  Spy();
  f.Render();
  EXPECT_EQ(Uids("chart"), (std::vector<int>{1, 2}));
  EXPECT_EQ(Uids("label"), (std::vector<int>{2}));
  dynamic_cast<TGIS_ParamsSectionVector&>(f.layer->ParamsList().GetItem(0))
      .GetLabel()
      .SetVisible(true);
  calls.clear();
  f.Render();
  EXPECT_EQ(Uids("label"), (std::vector<int>{1, 2}));
}

TEST_F(DrawPasses, TheHourglassIsAskedAtShapesOneThousandAndOneAndSoOn) {
  // Every look at the clock finds two seconds gone: every poll of the
  // hourglass asks for Esc.
  UInt64 now = 0;
  SetTickSourceForTests([&] { return now += 2000; });
  auto realClock = ScopeExit([] { SetTickSourceForTests(nullptr); });
  for (int i = 0; i < 2500; ++i)
    f.layer->AddShape(gisShapeTypePoint, {{{double(i % 250), double(i / 250)}}});
  int shapes = 0, charts = 0, labels = 0;
  f.layer->PaintShapeHook = [&](TGIS_Viewer*, TGIS_Shape*) { ++shapes; };
  f.layer->PaintShapeChartHook = [&](TGIS_Viewer*, TGIS_Shape*) { ++charts; };
  f.layer->PaintShapeLabelHook = [&](TGIS_Viewer*, TGIS_Shape*) { ++labels; };
  using TPoll = std::tuple<int, int, int>;
  std::vector<TPoll> polls;
  int escAfter = -1;
  f.viewer().KeyPoll = [&](HWND) {
    if (!f.layer->IsDrawing()) return false; // the viewer's own poll after a layer
    polls.emplace_back(shapes, charts, labels);
    return int(polls.size()) == escAfter;
  };
  f.viewer().HourglassPrepare();
  f.Render();
  f.viewer().HourglassRelease();
  EXPECT_EQ(polls, (std::vector<TPoll>{{0, 0, 0},
                                       {1000, 0, 0},
                                       {2000, 0, 0},
                                       // the chart pass: at its start, then at shapes 1, 1001 ...
                                       {2500, 0, 0},
                                       {2500, 0, 0},
                                       {2500, 1000, 0},
                                       {2500, 2000, 0},
                                       {2500, 2500, 0},
                                       {2500, 2500, 0},
                                       {2500, 2500, 1000},
                                       {2500, 2500, 2000}}));
  // Esc seen at the second poll ends the pass before shape 1001, and the
  // paint after the layer.
  shapes = charts = labels = 0;
  polls.clear();
  escAfter = 2;
  f.viewer().HourglassPrepare();
  f.Render();
  f.viewer().HourglassRelease();
  EXPECT_EQ(shapes, 1000);
  EXPECT_EQ(charts + labels, 0);
}

TEST_F(DrawPasses, TheEditedShapeGetsNoLabelAndTheOthersShowTheirVertices) {
  TSpyPoint* edited = f.layer->AddSpyPoint(10, 10);
  TSpyPoint* other = f.layer->AddSpyPoint(60, 10);
  f.Section().GetLabel().SetValue("x");
  f.viewer().Editor()->StartEdit(edited, 0);
  f.Render();
  EXPECT_EQ(edited->Draws, 1);
  EXPECT_EQ(other->Draws, 1);
  EXPECT_EQ(edited->Labels, 0);
  EXPECT_EQ(other->Labels, 1);
  EXPECT_EQ(edited->Vertices, 0);
  EXPECT_EQ(other->Vertices, 1);
  // The paint's editor step went through the layer's: the edited shape's
  // vertex labels, once.
  EXPECT_EQ(edited->VertexLabels, 1);
  f.layer->DrawEditor();
  EXPECT_EQ(edited->VertexLabels, 2);
  EXPECT_EQ(other->VertexLabels, 0);
  // Without tracking no vertices; after the edit every label again.
  f.viewer().Editor()->SetShowTracking(false);
  f.Render();
  EXPECT_EQ(other->Vertices, 1);
  EXPECT_EQ(edited->VertexLabels, 3);
  f.viewer().Editor()->EndEdit();
  f.Render();
  EXPECT_EQ(edited->Labels, 1);
  f.layer->DrawEditor();
  EXPECT_EQ(edited->VertexLabels, 3);
}

TEST_F(DrawPasses, OverlaysServeOnlyLayersWithLabelsOnTop) {
  f.layer->AddShape(gisShapeTypePoint, {{{10, 10}}});
  f.Section().GetLabel().SetValue("x");
  f.Section().GetChart().SetValues("0:10:1:2");
  f.Section().GetChart().SetSize(100);
  Spy();
  // In the window's cache the overlays are in use: each shape's chart and
  // label go into them as the shape is drawn, and no pass follows.
  f.PaintWindow();
  EXPECT_EQ(calls, (std::vector<TCall>{{"shape", 1, gisTargetCache},
                                       {"chart", 1, gisTargetCharts},
                                       {"label", 1, gisTargetLabels}}));
  // Without LabelsOnTop the layer's passes follow it in the cache.
  f.layer->SetLabelsOnTop(false);
  calls.clear();
  f.PaintWindow();
  EXPECT_EQ(calls, (std::vector<TCall>{{"shape", 1, gisTargetCache},
                                       {"chart", 1, gisTargetCache},
                                       {"label", 1, gisTargetCache}}));
  // A device context has no overlays: passes after all layers.
  f.layer->SetLabelsOnTop(true);
  calls.clear();
  f.Render();
  EXPECT_EQ(calls,
            (std::vector<TCall>{
                {"shape", 1, gisTargetDC}, {"chart", 1, gisTargetDC}, {"label", 1, gisTargetDC}}));
}

TEST_F(DrawPasses, AFailingShapeLeavesNoPassPendingAndTheLayerInactive) {
  f.layer->AddShape(gisShapeTypePoint, {{{10, 10}}});
  f.Section().GetLabel().SetValue("x");
  f.layer->PaintShapeHook = [](TGIS_Viewer*, TGIS_Shape*) { throw EGIS_Exception("no ink"); };
  EXPECT_THROW(f.Render(), EGIS_Exception);
  EXPECT_FALSE(f.layer->IsDrawing());
  EXPECT_FALSE(f.layer->LabelsPending());
  EXPECT_FALSE(f.layer->ChartsPending());
  EXPECT_FALSE(f.layer->Active());
}

} // namespace
