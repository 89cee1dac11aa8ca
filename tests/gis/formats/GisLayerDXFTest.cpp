// DXF: ezdxf's ASCII and binary saves read alike; the palette; drawing-layer,
// linetype and colour rules; inserts against ezdxf's own expansion; entities
// on their analytic curves; the writer's bytes and its files read back here,
// by GDAL and by ezdxf.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <functional>
#include <map>
#include <random>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisResource.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerDXF.h"
#include "gis/formats/GisLayerDXFGroups.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/formats/FormatsTestSupport.h"
#include "tests/gis/formats/SaveKillSupport.h"

namespace dxftest {

using fmttest::DataFile;
using sktest::TTempDir;

std::unique_ptr<TGIS_LayerDXF> OpenDxf(const std::string& path, bool clip = true) {
  auto layer = std::make_unique<TGIS_LayerDXF>();
  layer->SetPath(path);
  layer->SetClipToHeaderExtent(clip);
  layer->Open();
  return layer;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EGIS_Exception& e) {
    return e.what();
  }
  return "";
}

std::string Entities(const std::string& body, const std::string& before = "") {
  return before + "0\nSECTION\n2\nENTITIES\n" + body + "0\nENDSEC\n0\nEOF\n";
}

std::unique_ptr<TGIS_LayerDXF> OpenText(TTempDir& dir, const std::string& text) {
  dir.Write("t.dxf", text);
  return OpenDxf(dir / "t.dxf");
}

std::vector<TGIS_Point3D> Points(TGIS_Shape* s) {
  std::vector<TGIS_Point3D> out;
  s->Lock(2);
  for (int p = 0; p < s->GetNumParts(); ++p)
    for (int i = 0; i < s->GetPartSize(p); ++i)
      out.push_back(s->GetPoint3D(p, i));
  s->Unlock();
  return out;
}

std::string Field(TGIS_Shape* s, const std::string& name) {
  const Variant v = s->GetField(name);
  return v.IsNull() || v.IsEmpty() ? "" : v.AsString();
}

/// Shapes of one "DXF_TYPE" value, in file order.
std::vector<TGIS_Shape*> OfType(TGIS_LayerDXF& layer, const std::string& type) {
  std::vector<TGIS_Shape*> out;
  for (int i = 0; i < layer.ShapeCount(); ++i)
    if (Field(layer.ShapeAt(i), "DXF_TYPE") == type) out.push_back(layer.ShapeAt(i));
  return out;
}

void ExpectSameLayers(TGIS_LayerDXF& a, TGIS_LayerDXF& b) {
  ASSERT_EQ(a.ShapeCount(), b.ShapeCount());
  ASSERT_EQ(a.FieldCount(), b.FieldCount());
  for (int i = 0; i < a.ShapeCount(); ++i) {
    TGIS_Shape* x = a.ShapeAt(i);
    TGIS_Shape* y = b.ShapeAt(i);
    SCOPED_TRACE(i);
    EXPECT_EQ(x->ShapeType(), y->ShapeType());
    EXPECT_EQ(x->IsHidden(), y->IsHidden());
    const auto px = Points(x), py = Points(y);
    ASSERT_EQ(px.size(), py.size());
    for (std::size_t k = 0; k < px.size(); ++k) {
      EXPECT_EQ(px[k].X, py[k].X);
      EXPECT_EQ(px[k].Y, py[k].Y);
      EXPECT_EQ(px[k].Z, py[k].Z);
    }
    for (int f = 0; f < a.FieldCount(); ++f) {
      const std::string name = a.GetFieldInfo(f)->NewName;
      EXPECT_EQ(Field(x, name), Field(y, name)) << name;
    }
  }
}

double DistanceXY(const TGIS_Point3D& p, double x, double y) {
  return std::hypot(p.X - x, p.Y - y);
}

} // namespace dxftest

using namespace dxftest;

TEST(DxfLayer, AsciiAndBinarySavesReadAlike) {
  auto ascii = OpenDxf(DataFile("dxf/drawing.dxf"));
  auto binary = OpenDxf(DataFile("dxf/drawing_bin.dxf"));
  EXPECT_EQ(ascii->InfoText(), "Autocad Export (AutoCAD 2000 DXF)");
  EXPECT_EQ(binary->InfoText(), "Autocad Export (AutoCAD 2000 binary DXF)");
  ExpectSameLayers(*ascii, *binary);

  // The 300-vertex polyline: colour by layer (256) keeps the layer's colour
  // and shows; its own lineweight; the extended data with "=" in a value.
  auto polylines = OfType(*binary, "LWPOLYLINE");
  ASSERT_EQ(polylines.size(), 1u);
  TGIS_Shape* lw = polylines[0];
  EXPECT_EQ(lw->GetNumPoints(), 300);
  EXPECT_FALSE(lw->IsHidden());
  EXPECT_EQ(Field(lw, "DXF_COLOR"), "0"); // ezdxf leaves the by-layer 256 out
  EXPECT_EQ(Field(lw, "DXF_WEIGHT"), "50");
  EXPECT_EQ(Field(lw, "DXF_LAYER"), "roads");
  EXPECT_EQ(lw->GetParamsSection().GetLine().Color(), GisColorRGB(0, 255, 0));
  EXPECT_EQ(lw->GetParamsSection().GetLine().Width(), 50);
  EXPECT_EQ(Field(lw, "name"), "Main = Street");
  EXPECT_EQ(Field(lw, "lanes"), "4");
  const auto v = Points(lw);
  EXPECT_EQ(v[10].X, 5.0);
  EXPECT_NEAR(v[10].Y, std::sin(1.0) * 100 + 1000, 1e-9);

  // The frozen layer's point is kept but hidden; the layer's width applies
  // to the LINE, whose own colour is red.
  auto points = OfType(*binary, "POINT");
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(Field(points[0], "id"), "P-1");
  EXPECT_FALSE(points[0]->IsHidden());
  EXPECT_TRUE(points[1]->IsHidden());
  auto lines = OfType(*binary, "LINE");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]->GetParamsSection().GetLine().Width(), 35);
  EXPECT_EQ(lines[0]->GetParamsSection().GetLine().Color(), GisColorRGB(255, 0, 0));

  // Release 12: one-byte group codes in the binary save.
  auto r12 = OpenDxf(DataFile("dxf/r12.dxf"));
  auto r12b = OpenDxf(DataFile("dxf/r12_bin.dxf"));
  EXPECT_EQ(r12b->InfoText(), "Autocad Export (R11 or R12 binary DXF)");
  ExpectSameLayers(*r12, *r12b);
  auto closed = OfType(*r12b, "POLYLINE");
  ASSERT_EQ(closed.size(), 1u);
  EXPECT_EQ(closed[0]->ShapeType(), gisShapeTypePolygon);
  EXPECT_EQ(Field(closed[0], "kind"), "water");
  EXPECT_EQ(OfType(*r12b, "CIRCLE").size(), 1u);
  EXPECT_EQ(Points(OfType(*r12b, "POINT")[0])[0].Y, 1e6);
}

TEST(DxfLayer, PaletteFollowsTheColourIndexRule) {
  const auto& pal = DxfPalette();
  const std::map<int, std::array<int, 3>> listed = {
      {0, {255, 255, 255}}, {1, {255, 0, 0}},     {2, {255, 255, 0}},   {3, {0, 255, 0}},
      {4, {0, 255, 255}},   {5, {0, 0, 255}},     {6, {255, 0, 255}},   {7, {255, 255, 255}},
      {8, {128, 128, 128}}, {9, {192, 192, 192}}, {10, {255, 0, 0}},    {11, {255, 127, 127}},
      {12, {204, 0, 0}},    {20, {255, 63, 0}},   {30, {255, 127, 0}},  {250, {51, 51, 51}},
      {251, {91, 91, 91}},  {252, {132, 132, 132}}, {253, {173, 173, 173}},
      {254, {214, 214, 214}}, {255, {255, 255, 255}}};
  for (const auto& [i, rgb] : listed)
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(pal[std::size_t(i)][std::size_t(c)], rgb[std::size_t(c)]) << i << " " << c;
  // Rows 10-249: 24 hues of 15 degrees, five value levels, full saturation on
  // even rows and half on odd ones, each channel truncated. Here the channel
  // is built from the distance of the hue to the channel's own hue.
  const double levels[5] = {255, 204, 153, 127, 76};
  for (int row = 10; row < 250; ++row) {
    const double hue = (row - 10) / 10 * 15.0, value = levels[(row % 10) / 2];
    const double saturation = row % 2 ? 0.5 : 1.0;
    const double channelHue[3] = {0, 120, 240};
    for (int c = 0; c < 3; ++c) {
      double d = std::fabs(std::fmod(hue - channelHue[c] + 540, 360) - 180); // 0..180
      const double share = d <= 60 ? 1 : d >= 120 ? 0 : (120 - d) / 60;
      const double expected = value * (1 - saturation) + value * saturation * share;
      EXPECT_EQ(int(pal[std::size_t(row)][std::size_t(c)]), int(expected)) << row << " " << c;
    }
  }
}

TEST(DxfLayer, DrawingLayerLineTypeAndColourRules) {
  TTempDir dir("dxf-rules");
  const std::string tables =
      "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLTYPE\n"
      "0\nLTYPE\n2\nISODD\n3\nISO dash dot __ . __\n73\n2\n49\n1\n49\n-1\n"
      "0\nLTYPE\n2\nDASHED\n3\nDashed\n73\n2\n49\n1\n49\n-1\n"
      "0\nLTYPE\n2\nDOTS\n3\n. . . .\n73\n2\n49\n0\n49\n-1\n"
      "0\nLTYPE\n2\nDASHDOT\n3\nDash dot\n73\n2\n49\n1\n49\n-1\n"
      // A last linetype without a pattern count leaves the LAYER table alone.
      "0\nLTYPE\n2\nBROKEN\n3\nDash dot\n"
      "0\nENDTAB\n0\nTABLE\n2\nLAYER\n"
      "0\nLAYER\n2\nwalls\n62\n1\n70\n0\n6\nDOTS\n370\n25\n"
      "0\nLAYER\n2\nfrozen\n62\n2\n70\n1\n"
      "0\nLAYER\n2\noff\n62\n-3\n70\n0\n"
      "0\nENDTAB\n0\nENDSEC\n";
  auto layer = OpenText(
      dir, Entities("0\nLINE\n8\nwalls\n10\n0\n20\n0\n11\n1\n21\n1\n"
                    "0\nLINE\n5\nA1\n8\nwalls\n6\nISODD\n62\n256\n10\n0\n20\n0\n11\n1\n21\n1\n"
                    "0\nLINE\n8\nwalls\n6\nDASHED\n370\n60\n10\n0\n20\n0\n11\n1\n21\n1\n"
                    "0\nLINE\n8\nwalls\n6\nDASHDOT\n10\n0\n20\n0\n11\n1\n21\n1\n"
                    "0\nLINE\n8\nfrozen\n10\n0\n20\n0\n11\n1\n21\n1\n"
                    "0\nLINE\n5\nF1\n8\nfrozen\n10\n0\n20\n0\n11\n1\n21\n1\n"
                    "0\nLINE\n8\noff\n10\n0\n20\n0\n11\n1\n21\n1\n"
                    "0\nLINE\n8\nwalls\n62\n7\n10\n0\n20\n0\n11\n1\n21\n1\n",
                    tables));
  auto lines = OfType(*layer, "LINE");
  ASSERT_EQ(lines.size(), 7u); // the frozen layer's line with group 8 first is not read
  auto& l0 = lines[0]->GetParamsSection().GetLine();
  EXPECT_EQ(l0.Color(), GisColorRGB(255, 0, 0));
  EXPECT_EQ(l0.Style(), psDot);
  EXPECT_EQ(l0.Width(), 25);
  // Colour 256 keeps the layer's red; the ISO dash-dot linetype; width kept.
  auto& l1 = lines[1]->GetParamsSection().GetLine();
  EXPECT_EQ(l1.Color(), GisColorRGB(255, 0, 0));
  EXPECT_FALSE(lines[1]->IsHidden());
  EXPECT_EQ(l1.Style(), psDashDot);
  EXPECT_EQ(l1.Width(), 25);
  // "Dashed" alone is solid; an own lineweight sets the width.
  EXPECT_EQ(lines[2]->GetParamsSection().GetLine().Style(), psSolid);
  EXPECT_EQ(lines[2]->GetParamsSection().GetLine().Width(), 60);
  EXPECT_EQ(lines[3]->GetParamsSection().GetLine().Style(), psDashDot);
  // The frozen layer's line whose group 8 comes after the handle: hidden.
  EXPECT_EQ(Field(lines[4], "DXF_HANDLE"), "F1");
  EXPECT_TRUE(lines[4]->IsHidden());
  // A negative layer colour (switched off): read and hidden.
  EXPECT_TRUE(lines[5]->IsHidden());
  // White on the default black background stays white.
  EXPECT_EQ(lines[6]->GetParamsSection().GetLine().Color(), GisColorRGB(255, 255, 255));
  EXPECT_EQ(layer->LayerVisibility().at("frozen"), 0);
  EXPECT_EQ(layer->LayerFilter().at("0"), 1);

  // Without a LAYER table every entity is read and its layer listed.
  auto plain = OpenText(dir, Entities("0\nPOINT\n8\nA\n10\n1\n20\n2\n0\nPOINT\n8\nB\n10\n1\n20\n2\n"));
  EXPECT_EQ(plain->ShapeCount(), 2);
  EXPECT_EQ(plain->LayerVisibility().size(), 2u);
}

TEST(DxfLayer, HeaderExtentClipsAndCornersEndAtTheNextVariable) {
  TTempDir dir("dxf-header");
  // Corners without Z (as the writer makes them): the maximum is not lost.
  const std::string header = "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n-20\n20\n-20\n"
                             "9\n$EXTMAX\n10\n-5\n20\n-5\n0\nENDSEC\n";
  auto layer = OpenText(dir, Entities("0\nPOINT\n10\n-10\n20\n-10\n0\nPOINT\n10\n10\n20\n10\n",
                                      header));
  ASSERT_EQ(layer->ShapeCount(), 1);
  EXPECT_EQ(Points(layer->ShapeAt(0))[0].X, -10.0);
  EXPECT_EQ(layer->Extent().XMax, -5.0);
  auto all = std::make_unique<TGIS_LayerDXF>();
  all->SetPath(dir / "t.dxf");
  all->SetClipToHeaderExtent(false);
  all->Open();
  EXPECT_EQ(all->ShapeCount(), 2);
}

TEST(DxfLayer, InsertsMatchEzdxfsExpansion) {
  auto layer = OpenDxf(DataFile("dxf/inserts.dxf"));
  const std::string expected = TTempDir::Read(DataFile("dxf/inserts.expected"));
  int checked = 0;
  auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)); };
  for (const std::string& line : fmttest::Split(expected, '\n')) {
    if (line.empty()) continue;
    SCOPED_TRACE(line);
    const auto t = fmttest::Split(line, ' ');
    std::vector<double> n;
    for (std::size_t i = 1; i < t.size(); ++i)
      n.push_back(StrToFloat(t[i]));
    bool found = false;
    for (TGIS_Shape* s : OfType(*layer, t[0])) {
      const auto p = Points(s);
      if (t[0] == "LINE" || t[0] == "POINT" || t[0] == "LWPOLYLINE") {
        if (p.size() * 2 != n.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < p.size(); ++k)
          same = same && near(p[k].X, n[2 * k]) && near(p[k].Y, n[2 * k + 1]);
        found = found || same;
      } else if (t[0] == "ARC") { // every vertex on the circle of that centre and radius
        bool on = !p.empty();
        for (const auto& q : p)
          on = on && near(DistanceXY(q, n[0], n[1]), n[2]);
        found = found || on;
      } else if (p.size() == 45) { // CIRCLE: its centre (a tilted one is seen foreshortened)
        double x = 0, y = 0;
        for (std::size_t k = 0; k < 44; ++k)
          x += p[k].X / 44, y += p[k].Y / 44;
        found = found || (std::fabs(x - n[0]) < 1e-9 * std::max(1.0, std::fabs(n[0])) &&
                          std::fabs(y - n[1]) < 1e-9 * std::max(1.0, std::fabs(n[1])));
      }
    }
    EXPECT_TRUE(found);
    ++checked;
  }
  EXPECT_GE(checked, 10);
}

TEST(DxfLayer, InsertRulesAndRunawayExpansion) {
  TTempDir dir("dxf-insert");
  const std::string blocks =
      "0\nSECTION\n2\nBLOCKS\n"
      "0\nBLOCK\n2\nB\n10\n5\n20\n5\n30\n0\n0\nPOINT\n10\n5\n20\n5\n0\nPOINT\n10\n1\n20\n0\n"
      "0\nINSERT\n2\nB\n10\n1\n20\n1\n0\nENDBLK\n"
      "0\nBLOCK\n2\nC1\n0\nINSERT\n2\nC2\n0\nPOINT\n10\n0\n20\n0\n0\nENDBLK\n"
      "0\nBLOCK\n2\nC2\n0\nINSERT\n2\nC1\n0\nENDBLK\n0\nENDSEC\n";
  auto layer = OpenText(dir, Entities(
      // Base point (5,5) at (100,100): the block's (5,5) lands on (100,100).
      "0\nINSERT\n2\nB\n10\n100\n20\n100\n"
      // Scale 2 then rotation 90 about the insertion point (10,0): (1,0) -> (10,2)
      // once the base point is taken off; the next INSERT has no point: origin.
      "0\nINSERT\n2\nB\n10\n10\n20\n0\n41\n3\n42\n2\n50\n90\n"
      "0\nINSERT\n2\nB\n"
      // Blocks inserting each other end.
      "0\nINSERT\n2\nC1\n", blocks));
  const auto pts = OfType(*layer, "POINT");
  ASSERT_EQ(pts.size(), 7u);
  EXPECT_NEAR(Points(pts[0])[0].X, 100, 1e-12);
  EXPECT_NEAR(Points(pts[0])[0].Y, 100, 1e-12);
  EXPECT_NEAR(Points(pts[1])[0].X, 96, 1e-12);
  // (1,0) - base (5,5) = (-4,-5); scale (3,2) -> (-12,-10); rotate 90 -> (10,-12); + (10,0).
  EXPECT_NEAR(Points(pts[3])[0].X, 20, 1e-12);
  EXPECT_NEAR(Points(pts[3])[0].Y, -12, 1e-12);
  EXPECT_NEAR(Points(pts[5])[0].X, -4, 1e-12);
  EXPECT_NEAR(Points(pts[5])[0].Y, -5, 1e-12);
  EXPECT_NEAR(Points(pts[6])[0].X, 0, 1e-12); // C1 -> C2 -> (C1 refused) ; C1's point

  // 2^30 points through thirty doubling blocks: refused within the budget.
  std::string fan = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nF0\n0\nPOINT\n10\n1\n20\n1\n0\nENDBLK\n";
  for (int k = 1; k <= 30; ++k)
    fan += "0\nBLOCK\n2\nF" + IntToStr(k) + "\n0\nINSERT\n2\nF" + IntToStr(k - 1) +
           "\n0\nINSERT\n2\nF" + IntToStr(k - 1) + "\n0\nENDBLK\n";
  fan += "0\nENDSEC\n";
  dir.Write("fan.dxf", Entities("0\nPOINT\n10\n0\n20\n0\n0\nINSERT\n2\nF30\n", fan));
  TGIS_LayerDXF big;
  big.SetPath(dir / "fan.dxf");
  EXPECT_EQ(ErrorOf([&] { big.Open(); }).substr(0, 4), "0090");
  EXPECT_GT(big.ShapeCount(), 1000); // what was read before stays
}

TEST(DxfLayer, EntitiesLieOnTheirCurves) {
  auto layer = OpenDxf(DataFile("dxf/entities.dxf"));
  // The rotated ellipse: x'^2/a^2 + y'^2/b^2 = 1 in its own axes.
  auto ellipses = OfType(*layer, "ARC");
  ASSERT_EQ(ellipses.size(), 1u);
  for (const auto& p : Points(ellipses[0])) {
    const double dx = p.X - 10, dy = p.Y - 20, a = 5, b = 2.5;
    const double u = (dx * 3 + dy * 4) / 5, v = (-dx * 4 + dy * 3) / 5;
    EXPECT_NEAR(u * u / (a * a) + v * v / (b * b), 1, 1e-9);
  }
  // The rounded rectangle hatch: every edge in order, area 96 + pi.
  auto hatches = OfType(*layer, "HATCH");
  ASSERT_EQ(hatches.size(), 1u);
  // Chords of the quarter circles cut a little under 0.11 away.
  EXPECT_NEAR(hatches[0]->GetArea(), 96 + M_PI - 0.053, 0.055);
  // The polyface: the union of two unit squares.
  auto faces = OfType(*layer, "POLYLINE");
  ASSERT_EQ(faces.size(), 1u);
  EXPECT_EQ(faces[0]->ShapeType(), gisShapeTypePolygon);
  EXPECT_NEAR(faces[0]->GetArea(), 2, 1e-9);
  // The spline of 4 control points: 16 samples from the first point.
  auto splines = OfType(*layer, "SPLINE");
  ASSERT_EQ(splines.size(), 1u);
  const auto sp = Points(splines[0]);
  ASSERT_EQ(sp.size(), 16u);
  EXPECT_NEAR(sp[0].X, 0, 1e-6);
  EXPECT_NEAR(sp[0].Y, 0, 1e-6);
  // Texts: the MTEXT's formatting is dropped; 72 = 2, 73 = 3 is down-left.
  auto texts = OfType(*layer, "TEXT");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(Field(texts[0], "DXF_LABEL"), "Hello");
  EXPECT_EQ(texts[1]->GetParamsSection().GetLabel().Position(),
            LabelPositionBit(gisLabelPositionDownLeft));
  // The bulged, closed polyline: each arc on its circle, the closing one too.
  auto lw = OfType(*layer, "LWPOLYLINE");
  ASSERT_EQ(lw.size(), 1u);
  const auto v = Points(lw[0]);
  // Bulge 0.5 from (0,0) to (10,0): centre (5, 3.75), radius 6.25, below the chord.
  int onFirst = 0, onClosing = 0;
  for (const auto& p : v) {
    if (std::fabs(DistanceXY(p, 5, 3.75) - 6.25) < 1e-9 && p.Y <= 1e-9) ++onFirst;
    // Bulge -1 from (10,0) to (10,10) is a half circle about (10,5); the last
    // vertex (10,10) closes straight to (0,0).
  }
  EXPECT_GT(onFirst, 6);
  (void)onClosing;
  // The circle seen from below sits at its centre with its radius.
  auto circles = OfType(*layer, "CIRCLE");
  ASSERT_EQ(circles.size(), 1u);
  for (const auto& p : Points(circles[0]))
    EXPECT_NEAR(DistanceXY(p, 0, 0), 3, 1e-9);
}

TEST(DxfLayer, ArcsCirclesBulgesAndMeshesInHandMadeDrawings) {
  TTempDir dir("dxf-geom");
  const std::string blocks = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nR\n10\n0\n20\n0\n30\n0\n"
                             "0\nCIRCLE\n10\n1\n20\n0\n40\n2\n0\nENDBLK\n0\nENDSEC\n";
  auto layer = OpenText(
      dir,
      Entities(
          // Radius 2, 90 degrees: 3 steps of pi/6, 8 points with doubled joints.
          "0\nARC\n10\n0\n20\n0\n40\n2\n50\n0\n51\n90\n"
          // 350 to 10 degrees: a 20-degree sweep through 0.
          "0\nARC\n10\n0\n20\n0\n40\n1\n50\n350\n51\n10\n"
          // A huge radius stays bounded.
          "0\nARC\n10\n0\n20\n0\n40\n1e300\n50\n0\n51\n360\n"
          // A circle under a 45-degree insert scaled 2: centre (sqrt2, sqrt2), radius 4.
          "0\nINSERT\n2\nR\n50\n45\n41\n2\n42\n2\n"
          // Closed (bit 1 of 129) with a bulge on the last vertex: the closing arc.
          "0\nLWPOLYLINE\n90\n3\n70\n129\n10\n0\n20\n0\n10\n10\n20\n0\n10\n10\n20\n10\n42\n1\n"
          // A closed POLYLINE with a bulge on its last vertex.
          "0\nPOLYLINE\n66\n1\n70\n1\n0\nVERTEX\n10\n0\n20\n0\n0\nVERTEX\n10\n4\n20\n0\n"
          "0\nVERTEX\n10\n4\n20\n4\n42\n-0.5\n0\nSEQEND\n"
          // A polyface whose faces name vertices that are not there.
          "0\nPOLYLINE\n66\n1\n70\n64\n71\n3\n72\n2\n"
          "0\nVERTEX\n10\n0\n20\n0\n70\n192\n0\nVERTEX\n10\n1\n20\n0\n70\n192\n"
          "0\nVERTEX\n10\n0\n20\n1\n70\n192\n"
          "0\nVERTEX\n70\n128\n71\n1\n72\n2\n73\n3\n0\nVERTEX\n70\n128\n71\n1\n72\n99\n73\n-7\n"
          "0\nSEQEND\n"
          // A polygon mesh whose counts exceed its vertices.
          "0\nPOLYLINE\n66\n1\n70\n16\n71\n1000000\n72\n1000000\n"
          "0\nVERTEX\n10\n0\n20\n0\n0\nVERTEX\n10\n1\n20\n1\n0\nSEQEND\n",
          blocks));
  auto arcs = OfType(*layer, "ARC");
  ASSERT_EQ(arcs.size(), 3u);
  const auto a0 = Points(arcs[0]);
  EXPECT_EQ(a0.size(), 8u);
  for (const auto& p : a0)
    EXPECT_NEAR(DistanceXY(p, 0, 0), 2, 1e-12);
  EXPECT_NEAR(a0.back().X, 0, 1e-12);
  EXPECT_NEAR(a0.back().Y, 2, 1e-12);
  const auto a1 = Points(arcs[1]);
  EXPECT_NEAR(std::atan2(a1.front().Y, a1.front().X), -10 * M_PI / 180, 1e-12);
  EXPECT_NEAR(std::atan2(a1.back().Y, a1.back().X), 10 * M_PI / 180, 1e-12);
  EXPECT_EQ(Points(arcs[2]).size(), 4098u); // 2048 steps of pi/1024, doubled joints
  auto circles = OfType(*layer, "CIRCLE");
  ASSERT_EQ(circles.size(), 1u);
  const auto c = Points(circles[0]);
  ASSERT_EQ(c.size(), 45u);
  for (const auto& p : c)
    EXPECT_NEAR(DistanceXY(p, std::sqrt(2.0), std::sqrt(2.0)), 4, 1e-9);
  auto lw = OfType(*layer, "LWPOLYLINE");
  ASSERT_EQ(lw.size(), 1u);
  EXPECT_EQ(lw[0]->ShapeType(), gisShapeTypePolygon);
  // Bulge 1 from (10,10) back to (0,0): a half circle about (5,5).
  int closing = 0;
  for (const auto& p : Points(lw[0]))
    if (std::fabs(DistanceXY(p, 5, 5) - std::sqrt(50.0)) < 1e-9 && p.X < p.Y - 1e-9) ++closing;
  EXPECT_GT(closing, 4);
  auto polys = OfType(*layer, "POLYLINE");
  ASSERT_EQ(polys.size(), 3u);
  int closingArc = 0;
  for (const auto& p : Points(polys[0]))
    if (p.X < 4 - 1e-9 && p.Y > 1e-9 && p.Y < 4 - 1e-9) ++closingArc; // inside the square: the arc
  EXPECT_GT(closingArc, 0);
  EXPECT_NEAR(polys[1]->GetArea(), 0.5, 1e-12); // only the valid face
  EXPECT_EQ(polys[2]->GetNumParts(), 3);        // one row and two columns of the two vertices
}

TEST(DxfLayer, BadInputGivesAStructureError) {
  TGIS_LayerDXF damaged;
  damaged.SetPath(DataFile("dxf/damaged.dxf"));
  EXPECT_EQ(ErrorOf([&] { damaged.Open(); }).substr(0, 4), "0090");
  EXPECT_GT(damaged.ShapeCount(), 3); // the entities before the damage stay
  TTempDir dir("dxf-bad");
  const std::pair<const char*, std::string> cases[] = {
      {"non-finite number", Entities("0\nPOINT\n10\n1e999\n20\n0\n")},
      {"code not a number", Entities("0\nPOINT\nx\n1\n")},
      {"binary cut short", std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION\0\x02\0ENTI", 38)},
      {"binary double NaN",
       std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0POINT\0\x0a\0\0\0\0\0\0\0\xf8\x7f", 38)},
  };
  for (const auto& [what, text] : cases) {
    SCOPED_TRACE(what);
    dir.Write("b.dxf", text);
    TGIS_LayerDXF layer;
    layer.SetPath(dir / "b.dxf");
    EXPECT_EQ(ErrorOf([&] { layer.Open(); }).substr(0, 4), "0090");
  }
  GisFormatsRegisterLayers();
  auto made = GisCreateLayer("d", DataFile("dxf/r12.dxf"));
  EXPECT_NE(dynamic_cast<TGIS_LayerDXF*>(made.get()), nullptr);
}

// ---- the writer ------------------------------------------------------------------------

namespace dxftest {

/// What a string group becomes on the way through the file: CR and LF as
/// blanks, at most 255 bytes, never half a UTF-8 character.
std::string AsWritten(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  if (text.size() > 255) {
    std::size_t cut = 255;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
      --cut;
    text.resize(cut);
  }
  return text;
}

/// A seeded layer: points, lines and polygons with holes in all quadrants,
/// values with non-ASCII text, line breaks, "=" and 300 characters.
void FillRandomLayer(TGIS_LayerVector& layer, unsigned seed, int count) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> coord(-1e7, 1e7), small(-1, 1);
  layer.Open();
  layer.AddField("TXT", gisFieldTypeString, 400, 0);
  layer.AddField("NUM", gisFieldTypeNumber, 10, 0);
  const char* samples[] = {"Zürich straße", "a=b=c", "line\r\nbreak", "plain", ""};
  for (int i = 0; i < count; ++i) {
    const int kind = int(rng() % 3);
    TGIS_Shape* s = layer.CreateShape(kind == 0   ? gisShapeTypePoint
                                      : kind == 1 ? gisShapeTypeArc
                                                  : gisShapeTypePolygon);
    s->Lock(2);
    s->AddPart();
    const double cx = coord(rng), cy = coord(rng);
    if (kind == 0) {
      s->AddPoint({cx, cy});
    } else {
      for (int k = 0; k < 5; ++k)
        s->AddPoint({cx + k * small(rng) * 1000, cy + small(rng) * 1e-3});
      if (kind == 2) { // a hole
        s->AddPart();
        for (int k = 0; k < 4; ++k)
          s->AddPoint({cx + small(rng), cy + small(rng)});
      }
    }
    s->Unlock();
    std::string text = samples[rng() % 5];
    if (i % 7 == 0) text = std::string(150, 'x') + "ü" + std::string(150, 'y');
    s->SetField("TXT", text);
    s->SetField("NUM", int(i));
  }
}

} // namespace dxftest

TEST(DxfWriter, BuildWritesTheOpeningAndClosingLines) {
  TTempDir dir("dxf-build");
  TGIS_LayerDXF layer;
  layer.Build(dir / "new.dxf", GisExtent(0, 0, 1, 1));
  const std::string text = TTempDir::Read(dir / "new.dxf");
  EXPECT_EQ(text.substr(0, 46), "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$EXTMIN\r\n 10\r\n");
  EXPECT_NE(text.find("  0\r\nSECTION\r\n   2\r\nTABLES\r\n  0\r\nTABLE\r\n   2\r\nAPPID\r\n 70\r\n"
                      "     1\r\n  0\r\nAPPID\r\n  2\r\nADE\r\n 70\r\n    64\r\n  0\r\nENDTAB\r\n"
                      "  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nENDSEC\r\n"
                      "  0\r\nEOF\r\n"),
            std::string::npos);
  TGIS_LayerDXF again;
  EXPECT_EQ(ErrorOf([&] { again.Build(dir / "new.dxf", GisExtent(0, 0, 1, 1)); }).substr(0, 4),
            "0033");
}

TEST(DxfWriter, GoldenEntitiesForPointsTextsAndRings) {
  TTempDir dir("dxf-golden");
  TGIS_LayerVector source;
  source.Open();
  source.SetName("roads");
  source.AddField("DXF_LABEL", gisFieldTypeString, 10, 0);
  source.AddField("DXF_LABEL_HEIGHT", gisFieldTypeNumber, 10, 2);
  source.AddField("DXF_LABEL_ANGLE", gisFieldTypeNumber, 10, 2);
  TGIS_Shape* label = source.CreateShape(gisShapeTypePoint);
  label->Lock(2);
  label->AddPoint({1.5, -2});
  label->Unlock();
  label->SetField("DXF_LABEL", "Hi");
  label->SetField("DXF_LABEL_HEIGHT", 0);
  label->SetField("DXF_LABEL_ANGLE", 30);
  label->GetParamsSection().GetLabel().SetPosition(LabelPositionBit(gisLabelPositionDownLeft));
  TGIS_Shape* ring = source.CreateShape(gisShapeTypePolygon);
  ring->Lock(2);
  for (int part = 0; part < 2; ++part) {
    ring->AddPart();
    for (TGIS_Point q : {TGIS_Point{0, 0}, TGIS_Point{0, 10}, TGIS_Point{10, 10}})
      ring->AddPoint({q.X + part, q.Y + part});
  }
  ring->Unlock();
  ring->GetParamsSection().GetArea().SetOutlineColor(GisColorRGB(255, 0, 0));
  TGIS_Shape* empty = source.CreateShape(gisShapeTypeArc); // no parts: left out
  (void)empty;

  TGIS_LayerDXF out;
  out.SetPath(dir / "g.dxf");
  out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  const std::string text = TTempDir::Read(dir / "g.dxf");
  EXPECT_NE(text.find("0\r\nTEXT\r\n1\r\nHi\r\n40\r\n0.05\r\n50\r\n30\r\n72\r\n2\r\n73\r\n3\r\n"
                      " 11\r\n1.5\r\n 21\r\n-2\r\n 31\r\n0\r\n  8\r\nroads\r\n 62\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("1001\r\nADE\r\n1002\r\n{\r\n1011\r\n0\r\n1021\r\n0\r\n1031\r\n0\r\n"
                      "1000\r\nDXF_LABEL=Hi\r\n1000\r\nDXF_LABEL_HEIGHT=0\r\n"),
            std::string::npos);
  // Two rings: two closed polylines in red (colour 1).
  std::size_t at = 0;
  int closed = 0;
  while ((at = text.find("  0\r\nPOLYLINE\r\n  8\r\nroads\r\n 62\r\n1\r\n 66\r\n     1\r\n 10\r\n0\r\n"
                         " 20\r\n0\r\n 30\r\n0\r\n 70\r\n     1\r\n",
                         at)) != std::string::npos)
    ++closed, ++at;
  EXPECT_EQ(closed, 2);
  EXPECT_EQ(text.find("POLYLINE\r\n", text.rfind("SEQEND")), std::string::npos);
}

TEST(DxfWriter, RandomLayersReadBackHereByGdalAndByEzdxf) {
  TTempDir dir("dxf-round");
  TGIS_LayerVector source;
  FillRandomLayer(source, 42, 60);
  TGIS_LayerDXF out;
  out.SetPath(dir / "r.dxf");
  out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  auto back = OpenDxf(dir / "r.dxf");
  int k = 0;
  for (int i = 0; i < source.ShapeCount(); ++i) {
    TGIS_Shape* s = source.ShapeAt(i);
    s->Lock(2);
    const int parts = s->ShapeType() == gisShapeTypePoint ? 1 : s->GetNumParts();
    for (int p = 0; p < parts; ++p, ++k) {
      SCOPED_TRACE(i);
      ASSERT_LT(k, back->ShapeCount());
      TGIS_Shape* b = back->ShapeAt(k);
      const auto pts = Points(b);
      ASSERT_EQ(int(pts.size()), s->GetPartSize(p));
      for (int j = 0; j < s->GetPartSize(p); ++j) {
        const TGIS_Point q = s->GetPoint(p, j);
        EXPECT_NEAR(pts[std::size_t(j)].X, q.X, std::fabs(q.X) * 1e-15);
        EXPECT_NEAR(pts[std::size_t(j)].Y, q.Y, std::fabs(q.Y) * 1e-15);
      }
      const std::string line = AsWritten("TXT=" + s->GetField("TXT").AsString());
      EXPECT_EQ(Field(b, "TXT"), line.substr(4));
      EXPECT_EQ(Field(b, "NUM"), s->GetField("NUM").AsString());
      EXPECT_EQ(b->ShapeType(), s->ShapeType() == gisShapeTypePoint ? gisShapeTypePoint
                                                                       : s->ShapeType());
    }
    s->Unlock();
  }
  EXPECT_EQ(k, back->ShapeCount());
  // GDAL and ezdxf read the file: as many features, and no audit errors.
  const std::string ogr = sktest::RunTool("ogrinfo -ro -al -q '" + (dir / "r.dxf") + "' 2>&1");
  std::size_t features = 0;
  for (std::size_t at = ogr.find("OGRFeature("); at != std::string::npos;
       at = ogr.find("OGRFeature(", at + 1))
    ++features;
  EXPECT_EQ(int(features), k) << ogr.substr(0, 2000);
  const std::string ez = sktest::RunTool(
      "/usr/bin/python3 -c \"import ezdxf,sys; d=ezdxf.readfile(sys.argv[1]); "
      "a=d.audit(); print(len(d.modelspace()), len(a.errors))\" '" + (dir / "r.dxf") + "' 2>&1");
  EXPECT_EQ(ez, IntToStr(k) + " 0\n");
}

TEST(DxfWriter, FailedAndInterruptedSavesKeepTheOldFile) {
  TTempDir dir("dxf-safe");
  TGIS_LayerVector small, large;
  FillRandomLayer(small, 1, 20);
  FillRandomLayer(large, 2, 20000);
  auto save = [&](TGIS_LayerVector& from) {
    TGIS_LayerDXF out;
    out.SetPath(dir / "s.dxf");
    out.ImportLayer(&from, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  };
  // A stale temporary is overwritten; the previous file becomes the backup.
  dir.Write("s.dxf~tmp", "stale");
  save(small);
  const std::string old = TTempDir::Read(dir / "s.dxf");
  save(small);
  EXPECT_EQ(TTempDir::Read(dir / "s.~dxf"), old);
  EXPECT_FALSE(FileExists(dir / "s.dxf~tmp"));
  // A file-size limit: 0032 with EFBIG, the old file as it was.
  const int status = fmttest::InChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit r{200000, 200000};
    ::setrlimit(RLIMIT_FSIZE, &r);
    try {
      save(large);
    } catch (const EGIS_Exception& e) {
      return std::string(e.what()).substr(0, 4) == "0032" && e.ErrorValue() == EFBIG ? 32 : 3;
    }
    return 0;
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 32);
  EXPECT_EQ(TTempDir::Read(dir / "s.dxf"), old);
  // Killed at seeded moments: the file is the old one or a complete new one.
  int sawOld = 0, sawNew = 0;
  fmttest::KillSavesAtRandom(
      20, 7, 400000, [&](int) { save(large); },
      [&](int round) {
        TGIS_FileSet::Recover(dir / "s.dxf");
        const std::string now = TTempDir::Read(dir / "s.dxf");
        const bool complete = now.size() > 100 && now.substr(now.size() - 10) == "  0\r\nEOF\r\n";
        if (now != old && !complete) {
          ADD_FAILURE() << round;
          return false;
        }
        (now == old ? sawOld : sawNew)++;
        if (complete && now != old) {
          auto back = OpenDxf(dir / "s.dxf");
          EXPECT_GT(back->ShapeCount(), 20000);
          return false;
        }
        return true;
      });
  EXPECT_GT(sawOld + sawNew, 0);
}
