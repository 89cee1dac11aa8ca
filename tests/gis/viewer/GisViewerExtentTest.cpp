// The viewer's extent, zoom, scale, transforms and dragging.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include <cstdio>

#include "gis/core/GisDefsNumbers.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

namespace {

class ViewerExtent : public ::testing::Test {
protected:
  /// A viewer 200 x 100 over one layer (0, 0, 1000, 500) at zoom 0.5 with
  /// zero offsets.
  void Arrange() {
    f.AddLayer("a", {0, 0, 1000, 500}, clRed);
    v.SetRestrictedDrag(false);
    v.SetZoom(0.5);
    v.SetOffsets(0, 0);
  }
  TViewerForm f{200, 100};
  TGIS_ViewerWnd& v = *f.viewer;
};

TEST_F(ViewerExtent, TransformsMapPointsAndPixelsBothWays) {
  Arrange();
  struct Row {
    TGIS_Point map;
    TPoint pixel;
  };
  const Row rows[] = {{{100, 400}, {50, 50}}, {{0, 500}, {0, 0}}, {{1000, 0}, {500, 250}}};
  for (const Row& r : rows) {
    EXPECT_EQ(v.MapToScreen(r.map), r.pixel);
    const TGIS_Point back = v.ScreenToMap(r.pixel);
    EXPECT_DOUBLE_EQ(back.X, r.map.X);
    EXPECT_DOUBLE_EQ(back.Y, r.map.Y);
  }
  // Halves go to the even neighbour: 101 * 0.5 = 50.5 -> 50, 103 * 0.5 = 51.5 -> 52.
  EXPECT_EQ(v.MapToScreen({101, 500}).x, 50);
  EXPECT_EQ(v.MapToScreen({103, 500}).x, 52);
  // Also left of the extent, where halves and near-halves are negative.
  const struct {
    double x;
    LONG pixel;
  } halves[] = {
      {-1, 0},    {-3, -2},        {-5, -2},         {99, 50},           {-0.2, 0},
      {-2.2, -1}, {-0.9999999, 0}, {-1.0000001, -1}, {2000001, 1000000}, {2000003, 1000002}};
  for (const auto& h : halves)
    EXPECT_EQ(v.MapToScreen({h.x, 500}).x, h.pixel) << h.x;
  // The array form gives the same pixels.
  std::vector<TGIS_Point> points;
  for (const auto& h : halves)
    points.push_back({h.x, 500 - h.x});
  std::vector<TPoint> pixels(points.size());
  v.MapToScreenArray(points.data(), int(points.size()), pixels.data());
  for (std::size_t i = 0; i < points.size(); ++i)
    EXPECT_EQ(pixels[i], v.MapToScreen(points[i])) << points[i].X;
  const TGIS_Point fl = v.MapToScreenFloat({101, 499});
  EXPECT_DOUBLE_EQ(fl.X, 50.5);
  EXPECT_DOUBLE_EQ(fl.Y, 0.5);
  EXPECT_EQ(v.MapToScreenRect({100, 300, 300, 400}), TRect(50, 50, 150, 100));
  const TGIS_Extent e = v.ScreenToMapRect(TRect(50, 50, 150, 100));
  EXPECT_TRUE(GisIsSameExtent(e, TGIS_Extent{100, 300, 300, 400}));
}

TEST_F(ViewerExtent, TransformsAbortSilentlyWithoutZoomAndAssertOnAnEmptyViewer) {
  EXPECT_THROW(v.MapToScreen({0, 0}), EAssertionFailed);
  try {
    v.MapToScreenRect({0, 0, 1, 1});
    ADD_FAILURE();
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(std::string(e.Message()).find("Empty viewer"), std::string::npos);
  }
  Arrange();
  v.SetZoom(0); // stored as given
  EXPECT_EQ(v.Zoom(), 0);
  EXPECT_THROW(v.MapToScreen({0, 0}), EAbort);
  EXPECT_THROW(v.ScreenToMap({0, 0}), EAbort);
}

TEST_F(ViewerExtent, ZoomIsCappedFittedAndNeverNaN) {
  f.AddLayer("a", {0, 0, 1000, 500}, clRed);
  v.SetBigExtentMargin(0);
  // 200 x 100 pixels over 1000 x 500: the fitting zoom is 0.2.
  EXPECT_DOUBLE_EQ(v.FitZoom(), 0.2);
  v.SetZoom(5e10);
  EXPECT_EQ(v.Zoom(), 1e10);
  v.SetZoom(0.199);
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.199); // within 1%
  v.SetZoom(0.19);
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.2);
  v.SetZoom(std::numeric_limits<double>::quiet_NaN());
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.2);
  v.SetRestrictedDrag(false);
  v.SetZoom(0.1);
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.1);
  // A negative margin shrinks the window: 10% of 200 x 100 leaves 180 x 90.
  v.SetBigExtentMargin(-10);
  EXPECT_DOUBLE_EQ(v.FitZoom(), 0.18);
  v.SetBigExtentMargin(99);
  EXPECT_EQ(v.BigExtentMargin(), 50);
}

TEST_F(ViewerExtent, TwipsAndPixelsConvertAtThePixelsPerInch) {
  constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
  // A style's size of -2147483648 (pixels) was once negated past the int
  // range; it and the largest sizes keep to the int range.
  const int table[][2] = {{-3, 3},     {0, 0},          {10, 1},          {15, 1},
                          {1440, 96},  {2175, 145},     {kMin, kMax},     {kMin + 1, kMax},
                          {kMax, 143165576}};
  for (const auto& row : table)
    EXPECT_EQ(v.TwipsToPixels(row[0]), row[1]) << row[0];
  EXPECT_EQ(v.PixelsToTwips(96), 1440);
  EXPECT_EQ(v.PixelsToTwips(10), 150);
  EXPECT_EQ(v.PixelsToTwips(kMax), kMax);
  EXPECT_EQ(v.PixelsToTwips(kMin), kMin);
}

TEST_F(ViewerExtent, ScaleTextsReadAndWriteTheSameScale) {
  Arrange();
  struct Row {
    double zoom;
    const char* text;
  };
  // Scale = (10 px = 0.26458 cm of paper) / (10 px / zoom in metres).
  const double paper = 150.0 / 1440 * 2.54 / 100 / 10; // metres per pixel at 96 ppi
  const Row rows[] = {{0.0002 / paper, "1:5000"}, {2 / paper, "2:1"}, {2.5 / paper, "3:1"}};
  for (const Row& r : rows) {
    v.SetZoom(r.zoom);
    EXPECT_EQ(v.GetScaleAsText(), r.text) << r.zoom;
  }
  double scales[3];
  const char* texts[] = {"1:25000", "1/25000", "0.00004"};
  for (int i = 0; i < 3; ++i) {
    v.SetZoom(1);
    v.SetScaleAsText(texts[i]);
    scales[i] = v.GetScale();
    EXPECT_NEAR(scales[i], 0.00004, 0.00004 * 1e-6) << texts[i];
  }
  v.SetScaleAsText("0,00004");
  EXPECT_NEAR(v.GetScale(), 0.00004, 0.00004 * 1e-6);
  // Nothing usable changes nothing (no infinite or NaN zoom).
  const double before = v.Zoom();
  for (const char* bad : {"0", "0:1", "1:0", "0:0", "-1:5"}) {
    v.SetScaleAsText(bad);
    EXPECT_EQ(v.Zoom(), before) << bad;
  }
  EXPECT_THROW(v.SetScaleAsText("x"), EConvertError); // the kernel's number reader
  EXPECT_EQ(v.Zoom(), before);
}

/// Geocentric X, Y of a longitude and latitude in degrees on WGS 84, from PROJ.
TGIS_Point GeocentricByProj(const TGIS_Point& lonLat) {
  const std::string cmd = "echo '" + GisFloatToStr(lonLat.X) + " " + GisFloatToStr(lonLat.Y) +
                          " 0' | cs2cs -f %.6f +proj=longlat +datum=WGS84 +to +proj=geocent "
                          "+datum=WGS84 2>/dev/null";
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[256];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
      out.append(buf, n);
    ::pclose(p);
  }
  std::vector<std::string> fields;
  std::string field;
  for (char c : out + " ") {
    if (c == ' ' || c == '\t' || c == '\n') {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  if (fields.size() < 2) return {0, 0};
  return {GisStrToFloat(fields[0]), GisStrToFloat(fields[1])};
}

TEST_F(ViewerExtent, AngularUnitsMeasureTheScaleOnTheGeocentricGlobe) {
  v.Units().SetType(gisUnitsDegreeDecimal);
  auto* layer = new TTestLayer("deg", {13, 45, 15, 47});
  layer->Units().SetType(gisUnitsDegreeDecimal);
  v.Add(layer);
  v.SetRestrictedDrag(false);
  v.SetZoom(1000); // 10 pixels are 0.01 degrees
  v.SetCenterPoint({14, 46});
  const double w = v.ClientWidth(), h = v.ClientHeight();
  const TGIS_Point a = GeocentricByProj(v.ScreenToMapFloat({w / 2, h / 2}));
  const TGIS_Point b = GeocentricByProj(v.ScreenToMapFloat({w / 2 + 10, h / 2}));
  const double ground = std::hypot(b.X - a.X, b.Y - a.Y);
  ASSERT_GT(ground, 100); // PROJ answered
  const double expected = 150.0 / 1440 * 2.54 / 100 / ground;
  EXPECT_NEAR(v.GetScale() / expected, 1, 1e-6); // within a millimetre of ground
}

TEST_F(ViewerExtent, VisibleExtentSetsCentreAndZoom) {
  Arrange();
  v.SetVisibleExtent({100, 100, 300, 200});
  EXPECT_DOUBLE_EQ(v.Zoom(), 1); // 200 x 100 pixels over 200 x 100 units
  EXPECT_TRUE(GisIsSameExtent(v.GetVisibleExtent(), TGIS_Extent{100, 100, 300, 200}));
  v.SetVisibleExtent({500, 100, 900, 100}); // zero height: the width decides
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.5);
  EXPECT_DOUBLE_EQ(v.Center().X, 700);
  v.SetVisibleExtent({400, 300, 400, 300}); // a point only recentres
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.5);
  const TGIS_Extent e = v.GetVisibleExtent();
  EXPECT_DOUBLE_EQ((e.XMin + e.XMax) / 2, 400);
  EXPECT_DOUBLE_EQ((e.YMin + e.YMax) / 2, 300);
  v.SetVisibleExtent({5000, 5000, 6000, 6000}); // disjoint: ignored
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.5);
}

TEST_F(ViewerExtent, DraggingStopsAtTheBigExtentAndKeepsANarrowMapCentred) {
  f.AddLayer("a", {0, 0, 1000, 500}, clRed);
  v.SetBigExtentMargin(0);
  v.SetZoom(1); // 200 x 100 units visible
  int mx = -100000, my = 0;
  v.DragPixels(mx, my);
  EXPECT_DOUBLE_EQ(v.OffsetX(), 0); // stopped at the left edge
  EXPECT_EQ(mx, 0);
  mx = 100000;
  v.DragPixels(mx, my);
  EXPECT_EQ(mx, 800);
  EXPECT_DOUBLE_EQ(v.OffsetX(), 800); // 1000 - 200
  v.DragMap(0, -1e9);
  EXPECT_DOUBLE_EQ(v.OffsetY(), 0);
  v.DragMap(0, 1e9);
  EXPECT_DOUBLE_EQ(v.OffsetY(), 400); // 500 - 100
  // Zoomed out so far that the map is narrower than the window: centred.
  v.SetRestrictedDrag(false);
  v.SetZoom(0.1); // 2000 x 1000 units visible
  v.SetRestrictedDrag(true);
  v.DragMap(123, 456);
  EXPECT_DOUBLE_EQ(v.OffsetX(), -500);
  EXPECT_DOUBLE_EQ(v.OffsetY(), -250);
}

TEST_F(ViewerExtent, RecalculatingTheExtentKeepsTheWindowOrigin) {
  Arrange();
  v.SetOffsets(100, 50);
  const TGIS_Point origin = v.ScreenToMap({0, 0});
  int changes = 0;
  v.OnExtentChange = [&](TPersistent*) { ++changes; };
  f.AddLayer("b", {-500, -500, 2000, 2000}, clBlue);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(GisIsSameExtent(v.Extent(), TGIS_Extent{-500, -500, 2000, 2000}));
  const TGIS_Point after = v.ScreenToMap({0, 0});
  EXPECT_DOUBLE_EQ(after.X, origin.X);
  EXPECT_DOUBLE_EQ(after.Y, origin.Y);
  v.SetRestrictedExtent({0, 0, 10, 10});
  EXPECT_NEAR(v.Extent().XMax, 10 + 1 / v.Zoom(), 1e-9);
}

TEST_F(ViewerExtent, RotationTurnsAboutTheRotationPoint) {
  Arrange();
  v.SetRotationPoint({10, 10});
  v.SetRotationAngle(M_PI);
  const TGIS_Point r = v.RotatePoint({11, 10});
  EXPECT_NEAR(r.X, 9, 1e-12);
  EXPECT_NEAR(r.Y, 10, 1e-12);
  const TGIS_Point u = v.UnrotatePoint(r);
  EXPECT_NEAR(u.X, 11, 1e-12);
  const TGIS_Point3D p = v.RotatePoint3D({11, 10, 7, 8});
  EXPECT_EQ(p.Z, 7);
  EXPECT_EQ(p.M, 8);
}

} // namespace
