// Style sections and their parameter groups: ini round trips, defaults, key
// order, change counters, per-shape copies and the list of sections.
// (They live with the vector tests because their queries compile with the
// query language.)

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisIni.h"
#include "gis/core/GisKernel.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/vector/GisSqlQuery.h"

namespace {

// The ini counts sub-sections only for a layer; the layer is never looked at.
const TGIS_LayerAbstract* AnyLayer() {
  static char layer;
  return reinterpret_cast<const TGIS_LayerAbstract*>(&layer);
}

std::unique_ptr<TGIS_Ini> IniOf(const std::string& text) {
  auto ini = std::make_unique<TGIS_Ini>(nullptr, "");
  TStringList lines;
  lines.SetText(text);
  ini->IniFile().SetStrings(lines);
  ini->SetLayer(AnyLayer());
  return ini;
}

std::vector<std::string> Lines(TStrings& list) {
  std::vector<std::string> out;
  for (int k = 0; k < list.Count(); ++k)
    out.push_back(list.Get(k));
  return out;
}

std::vector<std::string> KeysOf(TGIS_ParamsSpecific& p) {
  TStringList lines;
  p.SaveToStrings(lines);
  std::vector<std::string> keys;
  for (const std::string& line : Lines(lines))
    keys.push_back(line.substr(0, line.find('=')));
  return keys;
}

std::string ValueOf(TGIS_ParamsSpecific& p, const std::string& key) {
  TStringList lines;
  p.SaveToStrings(lines);
  for (const std::string& line : Lines(lines))
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  return "<missing>";
}

class FakeShape : public TGIS_ParamsShape {
public:
  TGIS_ParamsSectionVector* GetOwnSection() override { return own.get(); }
  void SetOwnSection(std::unique_ptr<TGIS_ParamsSectionVector> section) override {
    own = std::move(section);
    ++sets;
  }
  std::unique_ptr<TGIS_ParamsSectionVector> own;
  int sets = 0;
};

class GisParamsTest : public ::testing::Test {
protected:
  void SetUp() override {
    GisKernelResetForTests();
    GisSqlQueryInstall();
  }
  void TearDown() override { GisKernelResetForTests(); }
};

TEST_F(GisParamsTest, ListReadsSubSectionsStartingFromTheDefault) {
  auto ini = IniOf("[Vornakel Layer]\nLine.Width=5\nLine.Color=RED\nQuery=POP > 1\n"
                   "[Vornakel Layer 1]\nLine.Width=7\nMinZoom=10\n"
                   "[Vornakel Layer 2]\nArea.Color=BLUE\n");
  TGIS_ParamsList list;
  list.AddDefault(std::make_unique<TGIS_ParamsSectionVector>());
  list.LoadFromIni(*ini);
  ASSERT_EQ(list.GetCount(), 3);
  auto& s1 = static_cast<TGIS_ParamsSectionVector&>(list.GetItem(1));
  auto& s2 = static_cast<TGIS_ParamsSectionVector&>(list.GetItem(2));
  EXPECT_EQ(s1.GetLine().Width(), 7);
  EXPECT_EQ(s1.MinZoom(), 10);
  EXPECT_EQ(s1.GetLine().Color(), 0x0000FFu);
  EXPECT_EQ(s2.GetLine().Width(), 5);
  EXPECT_EQ(s2.GetArea().Color(), 0xFF0000u);
  EXPECT_EQ(s1.GetArea().Color(), 0x808080u);
  EXPECT_EQ(s2.GetQuery(), "POP > 1");
  EXPECT_EQ(list.Current(), 2);

  // A gap after the default section ends the list there.
  auto gap = IniOf("[Vornakel Layer]\nLine.Width=5\n[Vornakel Layer 2]\nLine.Width=9\n");
  TGIS_ParamsList one;
  one.AddDefault(std::make_unique<TGIS_ParamsSectionVector>());
  one.LoadFromIni(*gap);
  EXPECT_EQ(one.GetCount(), 1);

  // Writing gives complete sub-sections and drops stale ones.
  auto out = IniOf("[Vornakel Layer]\n[Vornakel Layer 1]\nA=1\n[Vornakel Layer 2]\nA=1\n"
                   "[Vornakel Layer 3]\nStale=1\n");
  list.SaveToIni(*out);
  TStringList keys0, keys2, keys3;
  out->IniFile().ReadSection("Vornakel Layer", keys0);
  out->IniFile().ReadSection("Vornakel Layer 2", keys2);
  out->IniFile().ReadSection("Vornakel Layer 3", keys3);
  EXPECT_EQ(keys0.Count(), 8 + 19 + 14 + 18 + 14 + 25 + 5);
  EXPECT_EQ(keys2.Count(), keys0.Count());
  EXPECT_EQ(keys3.Count(), 0);
  EXPECT_EQ(out->IniFile().ReadString("Vornakel Layer 2", "Line.Width", ""), "5");
  EXPECT_EQ(out->IniFile().ReadString("Vornakel Layer 2", "Query", ""), "POP > 1");
  TGIS_ParamsList again;
  again.AddDefault(std::make_unique<TGIS_ParamsSectionVector>());
  out->SetLayer(AnyLayer());
  again.LoadFromIni(*out);
  ASSERT_EQ(again.GetCount(), 3);
  EXPECT_EQ(static_cast<TGIS_ParamsSectionVector&>(again.GetItem(1)).GetLine().Width(), 7);
}

TEST_F(GisParamsTest, ZoomAndScaleBoundsAreOrderedByMagnitude) {
  struct Row {
    const char* low;
    const char* high;
    double min, max; // after reading
  } rows[] = {{"5000", "100", 100, 5000},
              {"-3", "2", 2, -3},
              {"2", "-3", 2, -3},
              {"100", "5000", 100, 5000}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.low) + " " + r.high);
    auto ini = IniOf(std::string("[Vornakel Layer]\nMinZoom=") + r.low + "\nMaxZoom=" + r.high +
                     "\nMinScale=" + r.low + "\nMaxScale=" + r.high + "\n");
    TGIS_ParamsSectionVector s;
    s.LoadFromIni(*ini);
    EXPECT_EQ(s.MinZoom(), r.min);
    EXPECT_EQ(s.MaxZoom(), r.max);
    EXPECT_EQ(s.MinScale(), r.min);
    EXPECT_EQ(s.MaxScale(), r.max);
  }
}

TEST_F(GisParamsTest, ChangesThroughAShapeGoToTheShapesOwnSection) {
  TGIS_ParamsSectionVector layer;
  layer.SetQuery("POP > 1");
  layer.GetLine().SetColor(0x00FF00);
  layer.GetRender().SetMinVal(3);
  FakeShape shape;
  layer.SetCurrentShape(&shape);
  const int32_t layerSerial = layer.Serial(), lineSerial = layer.GetLine().Serial();

  layer.GetLine().SetColor(0x0000FF);
  ASSERT_NE(shape.own, nullptr);
  EXPECT_EQ(shape.sets, 1);
  EXPECT_EQ(layer.GetLine().Color(), 0x00FF00u); // the layer keeps its colour
  EXPECT_EQ(layer.Serial(), layerSerial);
  EXPECT_EQ(layer.GetLine().Serial(), lineSerial);
  TGIS_ParamsSectionVector& own = *shape.own;
  EXPECT_EQ(own.GetLine().Color(), 0x0000FFu);
  EXPECT_EQ(own.GetQuery(), "");
  EXPECT_FALSE(own.HasRender());
  EXPECT_EQ(own.CurrentShape(), &shape);

  const int32_t ownSerial = own.Serial(), ownLine = own.GetLine().Serial();
  layer.GetLine().SetColor(0x0000FF); // equal: nothing changes
  EXPECT_EQ(own.Serial(), ownSerial);
  EXPECT_EQ(own.GetLine().Serial(), ownLine);
  layer.GetLine().SetWidth(30); // a second change reuses the section
  EXPECT_EQ(shape.sets, 1);
  EXPECT_EQ(own.GetLine().Width(), 30);
  EXPECT_EQ(own.GetLine().Serial(), ownLine + 1);
  EXPECT_EQ(own.Serial(), ownSerial + 1);
  EXPECT_EQ(layer.GetLine().Width(), 1);

  // Render values are per layer section: a change through the shape is
  // discarded, and the copy that took it is freed with the section.
  layer.GetRender().SetMinVal(42);
  EXPECT_EQ(layer.GetRender().MinVal(), 3);
  EXPECT_FALSE(own.HasRender());
  layer.GetRender().SetMaxVal(43);
  EXPECT_EQ(layer.GetRender().MaxVal(), 0);

  // Reached through the layer again, changes go to the layer's section.
  layer.SetCurrentShape(nullptr);
  layer.GetLine().SetWidth(12);
  EXPECT_EQ(layer.GetLine().Width(), 12);
  EXPECT_EQ(own.GetLine().Width(), 30);
}

TEST_F(GisParamsTest, QueryAndListOperations) {
  TGIS_ParamsSectionVector s;
  int32_t serial = s.Serial();
  s.SetQuery("A = 1");
  TGIS_SqlQueryAbstract* compiled = s.Query();
  ASSERT_NE(compiled, nullptr);
  EXPECT_EQ(s.Serial(), serial + 1);
  s.SetQuery("A = 1"); // compiled once
  EXPECT_EQ(s.Query(), compiled);
  EXPECT_EQ(s.Serial(), serial + 1);
  try {
    s.SetQuery("A = &");
    ADD_FAILURE() << "compiled";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.ErrorNumber(), 2);
  }
  s.SetQuery("A = 2");
  serial = s.Serial();
  s.SetQuery(""); // clearing is not a change
  EXPECT_EQ(s.Query(), nullptr);
  EXPECT_EQ(s.Serial(), serial);

  TGIS_ParamsSection* current = nullptr;
  TGIS_ParamsList list(&current);
  auto first = std::make_unique<TGIS_ParamsSectionVector>();
  first->GetLine().SetWidth(9);
  first->SetStyle("roads");
  list.AddDefault(std::move(first));
  EXPECT_EQ(current, &list.GetItem(0));
  list.SetCurrent(-1);
  EXPECT_EQ(list.Current(), 0);
  list.Add();
  list.Add();
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.Current(), 2);
  EXPECT_EQ(current, &list.GetItem(2));
  auto& copy = static_cast<TGIS_ParamsSectionVector&>(list.GetItem(2));
  EXPECT_EQ(copy.GetLine().Width(), 9);
  EXPECT_EQ(copy.Style(), "roads");
  copy.GetLine().SetWidth(4);
  EXPECT_EQ(static_cast<TGIS_ParamsSectionVector&>(list.GetItem(0)).GetLine().Width(), 9);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(current, &list.GetItem(0));
  TGIS_ParamsList empty;
  EXPECT_THROW(empty.SetCurrent(0), EAssertionFailed);
  EXPECT_THROW(empty.Add(), EAssertionFailed);
}

TEST_F(GisParamsTest, FeatureDefaults) {
  TGIS_ParamsLine line;
  EXPECT_EQ(line.Style(), psSolid);
  EXPECT_EQ(line.Width(), 1);
  EXPECT_EQ(line.Symbol(), nullptr);
  EXPECT_EQ(line.SymbolGap(), 0);
  EXPECT_EQ(line.SymbolRotate(), 0);
  EXPECT_EQ(line.Color(), 0x010101u);
  EXPECT_EQ(line.Pattern(), bsSolid);
  EXPECT_EQ(line.OutlineStyle(), psSolid);
  EXPECT_EQ(line.OutlineWidth(), 0);
  EXPECT_EQ(line.OutlineColor(), 0x010101u);
  EXPECT_EQ(line.GetBitmap(), nullptr);
  EXPECT_EQ(line.GetOutlineBitmap(), nullptr);
  EXPECT_EQ(line.OutlinePattern(), bsSolid);
  EXPECT_FALSE(line.ShowLegend());
  EXPECT_EQ(line.SmartSize(), 0);
  EXPECT_EQ(line.SmartSizeField(), "");
  EXPECT_EQ(line.Serial(), 1);

  TGIS_ParamsArea area;
  EXPECT_EQ(area.Color(), 0x808080u);
  EXPECT_EQ(area.Pattern(), bsSolid);
  EXPECT_EQ(area.SymbolSize(), 120);
  EXPECT_EQ(area.SymbolGap(), 120);
  EXPECT_EQ(area.SymbolRotate(), 0);
  EXPECT_EQ(area.OutlineStyle(), psSolid);
  EXPECT_EQ(area.OutlineWidth(), 1);
  EXPECT_EQ(area.OutlineColor(), 0x010101u);
  EXPECT_EQ(area.OutlineSymbol(), nullptr);
  EXPECT_EQ(area.OutlineGap(), 0);
  EXPECT_EQ(area.OutlineRotate(), 0);

  TGIS_ParamsMarker marker;
  EXPECT_EQ(marker.Style(), gisMarkerStyleBox);
  EXPECT_EQ(marker.Size(), 100);
  EXPECT_EQ(marker.Color(), 0x0000FFu);
  EXPECT_EQ(marker.OutlineWidth(), 0);
  EXPECT_EQ(marker.OutlineColor(), 0x010101u);

  TGIS_ParamsLabel label;
  EXPECT_TRUE(label.Visible());
  EXPECT_TRUE(label.Allocator());
  EXPECT_TRUE(label.Duplicates());
  EXPECT_EQ(label.Field(), "");
  EXPECT_EQ(label.Value(), "");
  EXPECT_EQ(label.Font(), (TGIS_ParamsFont{"Arial", 8, 0, 0x010101}));
  EXPECT_EQ(label.Width(), 1500);
  EXPECT_EQ(label.Height(), 1500);
  EXPECT_EQ(label.Position(), 4);
  EXPECT_EQ(label.Alignment(), gisLabelAlignmentSingle);
  EXPECT_EQ(label.Rotate(), 0);
  EXPECT_EQ(label.Color(), 0x00FFFFu);
  EXPECT_EQ(label.Pattern(), bsClear);
  EXPECT_EQ(label.OutlineStyle(), psClear);
  EXPECT_EQ(label.OutlineWidth(), 1);

  TGIS_ParamsChart chart;
  EXPECT_EQ(chart.Style(), gisChartStylePie);
  EXPECT_EQ(chart.Size(), 250);
  EXPECT_TRUE(chart.Values().empty());
  EXPECT_EQ(chart.Legend(), "");
  EXPECT_FALSE(chart.ShowLegend());

  // A label read from a section without label keys keeps its defaults.
  auto ini = IniOf("[Vornakel Layer]\nLine.Width=3\n");
  label.LoadFromIni(*ini);
  EXPECT_EQ(label.Font(), (TGIS_ParamsFont{"Arial", 8, 0, 0x010101}));
  EXPECT_EQ(label.Serial(), 1);
}

TEST_F(GisParamsTest, FeatureKeysInOrder) {
  TGIS_ParamsLine line;
  TStringList lines;
  line.SaveToStrings(lines);
  EXPECT_EQ(Lines(lines),
            (std::vector<std::string>{"Line.Style=SOLID", "Line.Width=1", "Line.Color=$10101",
                                      "Line.Pattern=SOLID", "Line.Symbol=", "Line.SymbolGap=0",
                                      "Line.SymbolRotate=0", "Line.OutlineStyle=SOLID",
                                      "Line.OutlineWidth=0", "Line.OutlineColor=$10101",
                                      "Line.OutlinePattern=SOLID", "Line.SmartSize=0",
                                      "Line.SmartSizeField=", "Line.ShowLegend=NO"}));
  // Pictures of lines are read but never written.
  struct Pic : TGIS_BitmapPicture {
    int Width() const override { return 1; }
    int Height() const override { return 1; }
  };
  TGIS_Bitmap bitmap;
  bitmap.SetPicture(std::make_shared<Pic>());
  line.SetBitmap(&bitmap);
  line.SetOutlineBitmap(&bitmap);
  EXPECT_EQ(KeysOf(line).size(), 14u);
  EXPECT_EQ(ValueOf(line, "Line.Bitmap"), "<missing>");

  TGIS_ParamsArea area;
  EXPECT_EQ(KeysOf(area),
            (std::vector<std::string>{"Area.Color", "Area.Bitmap", "Area.Pattern", "Area.Symbol",
                                      "Area.SymbolSize", "Area.SymbolGap", "Area.SymbolRotate",
                                      "Area.OutlineStyle", "Area.OutlineWidth", "Area.OutlineColor",
                                      "Area.OutlineBitmap", "Area.OutlinePattern",
                                      "Area.OutlineSymbol", "Area.OutlineGap", "Area.OutlineRotate",
                                      "Area.SmartSize", "Area.SmartSizeField", "Area.ShowLegend"}));
  TGIS_ParamsMarker marker;
  EXPECT_EQ(KeysOf(marker),
            (std::vector<std::string>{
                "Marker.Style", "Marker.Size", "Marker.Color", "Marker.Bitmap", "Marker.Pattern",
                "Marker.Symbol", "Marker.SymbolRotate", "Marker.OutlineWidth",
                "Marker.OutlineColor", "Marker.OutlineBitmap", "Marker.OutlinePattern",
                "Marker.SmartSize", "Marker.SmartSizeField", "Marker.ShowLegend"}));
  TGIS_ParamsLabel label;
  EXPECT_EQ(KeysOf(label), (std::vector<std::string>{
                               "Label.Visible",        "Label.Allocator",    "Label.Duplicates",
                               "Label.Field",          "Label.Value",        "Label.Font.Name",
                               "Label.Font.Size",      "Label.Font.Style",   "Label.Font.Color",
                               "Label.Width",          "Label.Height",       "Label.Position",
                               "Label.Alignment",      "Label.Rotate",       "Label.Color",
                               "Label.Bitmap",         "Label.Pattern",      "Label.OutlineStyle",
                               "Label.OutlineWidth",   "Label.OutlineColor", "Label.OutlineBitmap",
                               "Label.OutlinePattern", "Label.SmartSize",    "Label.SmartSizeField",
                               "Label.ShowLegend"}));
  TGIS_ParamsChart chart;
  EXPECT_EQ(KeysOf(chart), (std::vector<std::string>{"Chart.Style", "Chart.Size", "Chart.Values",
                                                     "Chart.Legend", "Chart.ShowLegend"}));
}

// Every section type written and read back gives the same text again.
TEST_F(GisParamsTest, FullRoundTripIsLossless) {
  TGIS_ParamsSectionVector s;
  s.SetStyle("main");
  s.SetVisible(false);
  s.SetMinZoom(-2.5);
  s.SetMaxZoom(1e6);
  s.SetLegend("Roads\r\nand rails");
  s.SetQuery("TYPE = 'road' AND LANES > 2");
  s.GetRender().SetExpression("LANES * 2");
  s.GetRender().SetChart("A:B::C");
  s.GetRender().SetZones(-5);
  s.GetRender().SetEndColorEx(0x123456);
  s.GetLine().SetStyle(psDashDot);
  s.GetLine().SetWidth(GIS_RENDER_SIZE);
  s.GetLine().SetColor(GIS_RENDER_COLOR);
  s.GetLine().SetSymbolRotate(0.125);
  s.GetArea().SetPattern(bsCross);
  s.GetArea().SetOutlineGap(-7);
  s.GetMarker().SetStyle(gisMarkerStyleTriangleUp);
  s.GetMarker().SetSize(GIS_RENDER_SIZE);
  s.GetLabel().SetField("NAME");
  s.GetLabel().SetValue("a\\b");
  s.GetLabel().Font().Name = "Courier New";
  s.GetLabel().Font().Style = fsBold | fsItalic;
  s.GetLabel().SetPosition(2 | 8);
  s.GetLabel().SetRotate(1.5);
  s.GetChart().SetStyle(gisChartStyleBar);
  s.GetChart().SetValues("0:100::4");
  s.GetChart().SetLegend("::a:b");

  TGIS_Ini ini(nullptr, "");
  s.SaveToIni(ini);
  EXPECT_EQ(ini.ReadRaw("Marker.Size"), "-268435455");
  EXPECT_EQ(ini.ReadRaw("Line.Color"), "RENDER");
  TGIS_ParamsSectionVector back;
  back.LoadFromIni(ini);
  TGIS_Ini ini2(nullptr, "");
  back.SaveToIni(ini2);
  TStringList a, b;
  ini.IniFile().GetStrings(a);
  ini2.IniFile().GetStrings(b);
  EXPECT_EQ(Lines(b), Lines(a));
  EXPECT_EQ(back.GetMarker().Size(), GIS_RENDER_SIZE);
  EXPECT_EQ(back.GetLine().Color(), GIS_RENDER_COLOR);
  EXPECT_EQ(back.GetLabel().Font().Name, "Courier New");
  EXPECT_EQ(back.GetChart().Values().size(), 4u);

  TGIS_ParamsSectionPixel p;
  p.GetPixel().SetBrightness(-40);
  p.GetPixel().SetGridNoValue(-9999.5);
  p.GetPixel().SetHistogramPath("C:\\maps\\h.txt");
  p.GetPixel().GrayMapZone().Add("0 10 20");
  p.GetPixel().GrayMapZone().Add("11 20 200");
  TGIS_Ini pini(nullptr, "");
  p.SaveToIni(pini);
  TGIS_ParamsSectionPixel pback;
  pback.LoadFromIni(pini);
  TGIS_Ini pini2(nullptr, "");
  pback.SaveToIni(pini2);
  TStringList pa, pb;
  pini.IniFile().GetStrings(pa);
  pini2.IniFile().GetStrings(pb);
  EXPECT_EQ(Lines(pb), Lines(pa));
  EXPECT_EQ(pback.GetPixel().GrayMapZone().Count(), 2);
}

TEST_F(GisParamsTest, ChartValuesAndLegend) {
  struct Row {
    const char* text;
    std::vector<double> values;
  } rows[] = {
      {"0:100:5:7", {0, 100, 5, 7}},
      {"0:100", {}},
      {"0:100::4", {0, 100, 1.7e308, 4}},
      {"0:100:x", {}},
      {"0:100:", {}},
      {"0:100:x:3", {0, 100, 0, 3}},
      {"1,5:2:3", {1.5, 2, 3}},
      {"", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    TGIS_ParamsChart c;
    c.SetValues(r.text);
    EXPECT_EQ(c.Values(), r.values);
  }
  struct LegendRow {
    const char* text;
    const char* stored;
  } legends[] = {
      {"::roads:rails", "::roads:rails"}, {"a:b", ""}, {"a:b:", ""}, {"a:b:c:", "a:b:c:"}};
  for (const LegendRow& r : legends) {
    SCOPED_TRACE(r.text);
    TGIS_ParamsChart c;
    c.SetLegend(r.text);
    EXPECT_EQ(c.Legend(), r.stored);
  }
  TGIS_ParamsChart c;
  c.SetValues("0:100:5");
  const int32_t serial = c.Serial();
  c.SetValues(c.GetValues()); // the same text: no change
  EXPECT_EQ(c.Serial(), serial);
}

TEST_F(GisParamsTest, ColoursNeverBlackAndCopiesAreIndependent) {
  TGIS_ParamsArea area;
  area.SetColor(0);
  EXPECT_EQ(area.Color(), 0x010101u);
  auto ini = IniOf("[Vornakel Layer]\nArea.Color=BLACK\nArea.OutlineColor=0\n");
  TGIS_ParamsArea read;
  read.SetOutlineColor(0x00FF00);
  read.LoadFromIni(*ini);
  EXPECT_EQ(read.Color(), 0x010101u);
  EXPECT_EQ(read.OutlineColor(), 0x010101u);

  struct Pic : TGIS_BitmapPicture {
    int Width() const override { return 2; }
    int Height() const override { return 3; }
  };
  TGIS_Bitmap bitmap;
  bitmap.SetPicture(std::make_shared<Pic>());
  TGIS_ParamsLabel a;
  a.SetBitmap(&bitmap);
  EXPECT_NE(a.GetBitmap(), &bitmap); // an own copy
  a.Font().Size = 14;
  TGIS_ParamsLabel b;
  b.CopyFrom(a);
  ASSERT_NE(b.GetBitmap(), nullptr);
  EXPECT_NE(b.GetBitmap(), a.GetBitmap());
  EXPECT_EQ(b.Font().Size, 14);
  a.Font().Size = 20;
  a.SetBitmap(nullptr);
  EXPECT_EQ(b.Font().Size, 14);
  EXPECT_NE(b.GetBitmap(), nullptr);
  b.CopyFrom(a); // the source has no picture: the copy has none either
  EXPECT_EQ(b.GetBitmap(), nullptr);

  TGIS_ParamsChart c1, c2;
  c1.SetValues("0:10:3");
  c2.CopyFrom(c1);
  c1.SetValues("0:10:4");
  EXPECT_EQ(c2.Values()[2], 3);
}

TEST_F(GisParamsTest, ListTextFormHoldsEachSection) {
  TGIS_ParamsList list;
  list.AddDefault(std::make_unique<TGIS_ParamsSectionVector>());
  list.Add();
  static_cast<TGIS_ParamsSectionVector&>(list.GetItem(1)).GetLine().SetWidth(77);
  TStringList lines;
  list.SaveToStrings(lines);
  std::vector<std::string> all = Lines(lines);
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all[0], "Style=");
  auto header = std::find(all.begin(), all.end(), "[Vornakel Layer 1]");
  ASSERT_NE(header, all.end());
  const size_t perSection = 8 + 19 + 14 + 18 + 14 + 25 + 5;
  EXPECT_EQ(static_cast<size_t>(header - all.begin()), perSection + 1); // after a blank line
  EXPECT_EQ(all[perSection], "");
  EXPECT_EQ(all.size(), 2 * perSection + 2);
  EXPECT_NE(std::find(header, all.end(), "Line.Width=77"), all.end());
  EXPECT_EQ(std::find(all.begin(), header, "Line.Width=77"), header);
}

TEST_F(GisParamsTest, LoadFromStringsSetsOnlyThoseKeys) {
  TGIS_ParamsLine line;
  line.SetStyle(psDash);
  TStringList lines;
  lines.Add("Line.Width=40");
  lines.Add("Line.Color=RED");
  line.LoadFromStrings(lines);
  EXPECT_EQ(line.Width(), 40);
  EXPECT_EQ(line.Color(), 0x0000FFu);
  EXPECT_EQ(line.Style(), psDash);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"Line.Width=40", "Line.Color=RED"}));
}

TEST_F(GisParamsTest, RenderDefaultsKeysAndChart) {
  TGIS_ParamsRender r;
  EXPECT_EQ(r.SizeDefault(), 120);
  EXPECT_EQ(r.ColorDefault(), 0x800000u);
  EXPECT_EQ(r.StartColor(), 0xFFFFFFu);
  EXPECT_EQ(r.EndColor(), 0x008000u);
  EXPECT_EQ(r.StartColorEx(), 0x0000FFu);
  EXPECT_EQ(r.EndColorEx(), 0xFFFFFFu);
  EXPECT_EQ(r.StartSize(), 1);
  EXPECT_EQ(r.EndSize(), 480);
  EXPECT_EQ(KeysOf(r),
            (std::vector<std::string>{
                "Render.Expression", "Render.Chart", "Render.MinVal", "Render.MaxVal",
                "Render.Zones", "Render.MinValEx", "Render.MaxValEx", "Render.ZonesEx",
                "Render.SizeDefault", "Render.ColorDefault", "Render.StartSize", "Render.EndSize",
                "Render.StartColor", "Render.EndColor", "Render.StartSizeEx", "Render.EndSizeEx",
                "Render.StartColorEx", "Render.EndColorEx", "Render.Round"}));

  struct Row {
    const char* text;
    size_t entries;
    const char* stored;
    std::vector<std::string> queries; // "" for an empty entry
  } rows[] = {
      {"POP:AREA:X1:X2", 4, "POP:AREA:X1:X2", {"POP", "AREA", "X1", "X2"}},
      {"::", 2, "", {"0", "0"}},
      {"A::B", 3, "A::B", {"A", "0", "B"}},
      {"A:B::C", 4, "A:B::C", {"A", "B", "", "C"}},
      {"A:1 &:C", 3, "A:1 &:C", {"A", "0", "C"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    TGIS_ParamsRender p;
    p.SetChart(row.text);
    ASSERT_EQ(p.ChartQueries().size(), row.entries);
    EXPECT_EQ(p.Chart(), row.stored);
    for (size_t k = 0; k < row.entries; ++k) {
      const auto& q = p.ChartQueries()[k];
      EXPECT_EQ(q ? q->Text() : std::string(), row.queries[k]) << k;
    }
  }
  EXPECT_THROW(r.SetExpression("1 +* &"), EGIS_Exception);
  int32_t serial = r.Serial();
  r.SetExpression("A * 2");
  r.SetExpression("A * 2");
  EXPECT_EQ(r.Serial(), serial + 1);
}

TEST_F(GisParamsTest, PixelClampsKeysAndZoneLists) {
  auto ini =
      IniOf("[Vornakel Layer]\nPixel.Brightness=150\nPixel.Contrast=-150\nPixel.Red=-101\n"
            "Pixel.Green=100\nPixel.Blue=99\nPixel.RedBand=-7\nPixel.GridBand=-1\nPixel.Page=-2\n");
  TGIS_ParamsPixel p;
  EXPECT_EQ(p.GridNoValue(), 32768);
  EXPECT_EQ(p.RedBand(), 0);
  p.LoadFromIni(*ini);
  EXPECT_EQ(p.Brightness(), 100);
  EXPECT_EQ(p.Contrast(), -100);
  EXPECT_EQ(p.Red(), -100);
  EXPECT_EQ(p.Green(), 100);
  EXPECT_EQ(p.Blue(), 99);
  EXPECT_EQ(p.RedBand(), -1);
  EXPECT_EQ(p.GridBand(), -1);
  EXPECT_EQ(p.Page(), 0);
  EXPECT_EQ(KeysOf(p), (std::vector<std::string>{
                           "Pixel.Page", "Pixel.RedBand", "Pixel.GreenBand", "Pixel.BlueBand",
                           "Pixel.GridBand", "Pixel.GridNoValue", "Pixel.Red", "Pixel.Green",
                           "Pixel.Blue", "Pixel.Brightness", "Pixel.Contrast", "Pixel.Inversion",
                           "Pixel.GrayScale", "Pixel.Histogram", "Pixel.HistogramPath"}));

  TGIS_ParamsSectionPixel section;
  TGIS_ParamsPixel& px = section.GetPixel();
  int32_t serial = px.Serial(), sectionSerial = section.Serial();
  px.TransparentZone().Add("0 0 0");
  px.TransparentZone().Add("255 255 255");
  EXPECT_EQ(px.Serial(), serial + 2);
  EXPECT_EQ(section.Serial(), sectionSerial + 2);
  px.TransparentZone().SetStrings(1, "1 1 1");
  EXPECT_EQ(px.Serial(), serial + 3);
  std::vector<std::string> keys = KeysOf(px);
  EXPECT_EQ(keys.size(), 17u);
  EXPECT_EQ(keys[15], "Pixel.TransparentZone1");
  EXPECT_EQ(keys[16], "Pixel.TransparentZone2");
  EXPECT_EQ(ValueOf(px, "Pixel.TransparentZone2"), "1 1 1");

  TGIS_ParamsPixel copy;
  copy.Assign(px);
  EXPECT_EQ(copy.TransparentZone().Count(), 2);
  px.TransparentZone().Clear();
  EXPECT_EQ(copy.TransparentZone().Count(), 2);
}

} // namespace
