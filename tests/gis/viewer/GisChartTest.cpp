// Charts: pie slices and bars probed on a bitmap.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "gis/viewer/GisChart.h"
#include "platform/rtl/Exceptions.h"
#include "tests/gis/viewer/GdiTarget.h"

namespace {

constexpr COLORREF kLime = 0x00FF00, kBlue = 0xFF0000, kFuchsia = 0xFF00FF, kAqua = 0xFFFF00,
                   kGreen = 0x008000, kNearBlack = 0x010101;

/// The colour at `degrees` clockwise from twelve o'clock, `radius` pixels out.
COLORREF At(TTarget& t, const TPoint& c, double degrees, double radius) {
  const double a = (degrees - 90) * std::numbers::pi / 180;
  return t.Pixel(c.x + int(std::lround(std::cos(a) * radius)),
                 c.y + int(std::lround(std::sin(a) * radius)));
}

} // namespace

TEST(GisChart, PieSlicesRunClockwiseFromTwelveOClock) {
  struct Row {
    const char* what;
    std::vector<double> values;
    std::vector<std::pair<double, COLORREF>> probes; // degrees, colour
  };
  const Row rows[] = {
      {"four equal values",
       {0, 0, 1, 1, 1, 1},
       {{45, kRed}, {135, kLime}, {225, kBlue}, {315, kFuchsia}}},
      {"one value: the full circle",
       {0, 0, 5},
       {{10, kRed}, {100, kRed}, {200, kRed}, {300, kRed}}},
      {"a skipped value keeps its colour", {0, 0, 1, 8.5e307, 1}, {{90, kRed}, {270, kBlue}}},
      {"zero and negative values take no slice",
       {0, 0, 0, -4, 3, 1},
       {{100, kBlue}, {300, kFuchsia}}},
      {"fourteen entries: only entries 2 to 9",
       {0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 50, 50, 50, 50},
       {{22, kRed},
        {67, kLime},
        {112, kBlue},
        {157, kFuchsia},
        {202, kAqua},
        {247, kGreen},
        {292, kWhite},
        {337, kNearBlack}}},
  };
  const TPoint c(60, 60);
  for (const Row& r : rows) {
    TTarget t(120, 120, 0x808080);
    GisDrawChart(*t.gdi, c, 80, r.values, GIS_CHART_PIE);
    for (const auto& [degrees, colour] : r.probes)
      EXPECT_EQ(At(t, c, degrees, 25), colour) << r.what << " at " << degrees << " degrees";
    // The pie stays in its box (size div 2 around the centre).
    const TRect outside(20, 20, 100, 100);
    EXPECT_EQ(t.Pixel(outside.Left - 2, c.y), 0x808080u) << r.what;
    EXPECT_EQ(t.Pixel(c.x, outside.Bottom + 1), 0x808080u) << r.what;
  }
}

TEST(GisChart, BarsStandOnTheBaseLineOfTheRange) {
  // Values -5 and 10, range entries (0, 0): range 15, base line a third of
  // the size above the bottom of the box: y0 = Round(-5/15 × 60) + 60 + 30.
  TTarget t(120, 120);
  GisDrawChart(*t.gdi, TPoint(60, 60), 60, std::vector<double>{0, 0, -5, 10}, GIS_CHART_BAR);
  const int y0 = 70;
  // w = 30, gap 6, bar width 24; x0 = 30.
  EXPECT_EQ(t.Pixel(42, 80), kRed) << "the negative bar hangs below the base line";
  EXPECT_EQ(t.Pixel(42, 60), kWhite);
  EXPECT_EQ(t.Pixel(72, 50), kLime);
  EXPECT_EQ(t.Pixel(72, 25), kWhite) << "10/15 of 60 = 40 pixels high";
  EXPECT_EQ(t.Pixel(72, 32), kLime);
  EXPECT_EQ(t.Pixel(57, 50), kWhite) << "the gap between the bars";
  EXPECT_EQ(t.Pixel(25, y0), kNearBlack) << "the base line starts a gap before the box";
  EXPECT_EQ(t.Pixel(22, y0), kWhite);
  EXPECT_EQ(t.Pixel(95, y0), kNearBlack);

  // The range entries widen the scale: a maximum of 30 halves the bars.
  TTarget wide(120, 120);
  GisDrawChart(*wide.gdi, TPoint(60, 60), 60, std::vector<double>{0, 30, 10, 10}, GIS_CHART_BAR);
  EXPECT_EQ(wide.Pixel(42, 75), kRed);
  EXPECT_EQ(wide.Pixel(42, 65), kWhite) << "10/30 of 60 = 20 pixels above y0 = 90";
}

TEST(GisChart, NothingToChartAndUnknownStyles) {
  TTarget t(50, 50);
  GisDrawChart(*t.gdi, TPoint(25, 25), 30, std::vector<double>{1, 2}, GIS_CHART_PIE);
  GisDrawChart(*t.gdi, TPoint(25, 25), 30, std::vector<double>{0, 0, 0}, GIS_CHART_BAR);
  GisDrawChart(*t.gdi, TPoint(25, 25), 30, std::vector<double>{0, 0, 8.6e307}, GIS_CHART_PIE);
  EXPECT_EQ(t.CountColor(kWhite), 50 * 50);
  EXPECT_THROW(GisDrawChart(*t.gdi, TPoint(25, 25), 30, std::vector<double>{0, 0, 1}, 2),
               EAssertionFailed);
}
