// Line symbols and symbols along lines: the pattern grammar, dash runs that
// continue across vertices (pixel probes), the zero-length pattern, symbols
// repeated along a line (a recording symbol) and the circle-segment
// intersection against exact values.
#include <cmath>
#include <numbers>

#include "gis/viewer/GisGDI.h"
#include "tests/gis/viewer/SymbolTestSupport.h"

namespace {

/// A symbol of a fixed drawing size that records where and at which angle
/// it is drawn.
class TRecordingSymbol : public TGIS_SymbolAbstract {
public:
  TRecordingSymbol(int w, int h) : TGIS_SymbolAbstract("recording"), w_(w), h_(h) {}
  int GetDrawWidth() override { return w_; }
  int GetDrawHeight() override { return h_; }
  void SetRotation(double angle) override {
    lastAngle_ = angle;
    TGIS_SymbolAbstract::SetRotation(angle);
  }
  void Draw(int x, int y) override { drawn.push_back({TPoint(x, y), lastAngle_}); }

  struct Mark {
    TPoint at;
    double angle;
  };
  std::vector<Mark> drawn;

private:
  int w_, h_;
  double lastAngle_ = 0;
};

std::vector<int> Xs(const TRecordingSymbol& s) {
  std::vector<int> xs;
  for (const auto& m : s.drawn)
    xs.push_back(m.at.x);
  return xs;
}

} // namespace

TEST_F(SymbolTest, LinePatternGrammar) {
  struct Row {
    const char* definition;
    std::vector<int> pattern;
  };
  const Row rows[] = {
      {"<[10T5W]>", {10, -5}}, {"<[10T]>", {10}},           {"<[2T 0W 3T]>", {2, 3}},
      {"<[12]>", {}},          {"<[4t 1x2W 7]>", {4, -12}}, {"<dashes [3w4W] after>", {-3, -4}},
      {"<[T5W W]>", {-5}},     {"<no brackets 5T>", {}},    {"<[ 9 9 T ]>", {99}},
  };
  for (const Row& r : rows) {
    TGIS_SymbolLine line(r.definition);
    EXPECT_EQ(line.Pattern(), r.pattern) << r.definition;
  }
}

TEST_F(SymbolTest, DashRunsAlternateColoursAndContinueAcrossVertices) {
  target.Fill(0x808080);
  // 150 twips = 10 px at 96 ppi; 5 line widths of 2 px = 10 px.
  TGIS_SymbolLine line("<[150T 5W]>");
  Prepare(line, 2, 4, 0, 0x0000FF, 0x0000FF);
  EXPECT_EQ(line.Size(), 2);
  EXPECT_EQ(line.RunPixels(150), 10);
  EXPECT_EQ(line.RunPixels(-5), 10);
  const TPoint pts[] = {{10, 50}, {60, 50}, {60, 100}};
  GisDrawPolylineSymbol(form.viewer, &line, pts, 3);
  const COLORREF red = 0x0000FF, background = 0xFFFFFF;
  // Run k covers the path distance [10k, 10k + 10): even runs red, odd runs
  // the map's background colour; the path turns at distance 50.
  for (int d = 5; d < 95; d += 10) {
    const TPoint p = d < 50 ? TPoint(10 + d, 50) : TPoint(60, 50 + (d - 50));
    EXPECT_EQ(target.Pixel(p.x, p.y), (d / 10) % 2 == 0 ? red : background) << "distance " << d;
  }
}

TEST_F(SymbolTest, PatternOfZeroLengthRunsDrawsAPlainLine) {
  // At size 0 every W run is 0 pixels: the walk would never advance.
  TGIS_SymbolLine line("<[1W2W]>");
  line.Prepare(form.viewer, 0, target.gdi.get(), 4, 0, 0, 0x0000FF, 0x0000FF);
  EXPECT_EQ(line.RunPixels(-1), 0);
  target.gdi->PrepareSolidPen(0x00FF00, 1, true);
  const TPoint pts[] = {{10, 20}, {90, 20}};
  GisDrawPolylineSymbol(form.viewer, &line, pts, 2);
  EXPECT_EQ(target.Pixel(50, 20), 0x00FF00u);

  // One element: a plain polyline with the current pen too.
  TGIS_SymbolLine single("<[10T]>");
  Prepare(single, 3);
  target.gdi->PrepareSolidPen(0xFF0000, 1, true);
  const TPoint more[] = {{10, 40}, {90, 40}};
  GisDrawPolylineSymbol(form.viewer, &single, more, 2);
  EXPECT_EQ(target.Pixel(50, 40), 0xFF0000u);
  GisDrawPolylineSymbol(form.viewer, &single, more, 0); // nothing at all
}

TEST_F(SymbolTest, SymbolsAreRepeatedAtTheirWidthPlusTheGap) {
  struct Row {
    const char* what;
    int w, h, gapPixels;
    std::vector<int> xs;
  };
  const Row rows[] = {
      {"width 10, no gap", 10, 4, 0, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
      {"width 10, gap 4", 10, 4, 4, {10, 24, 38, 52, 66, 80, 94}},
      {"zero size: 2 pixels apart", 0, 0, 0, {}},
  };
  const TPoint pts[] = {{10, 50}, {110, 50}};
  for (const Row& r : rows) {
    TRecordingSymbol s(r.w, r.h);
    Prepare(s, 10, 4, 0, 0, 0, r.gapPixels);
    GisDrawPolylineSymbol(form.viewer, &s, pts, 2);
    if (r.w == 0) {
      ASSERT_EQ(s.drawn.size(), 50u) << r.what;
      for (std::size_t i = 0; i < s.drawn.size(); ++i)
        EXPECT_EQ(s.drawn[i].at.x, 10 + 2 * int(i)) << r.what;
      continue;
    }
    EXPECT_EQ(Xs(s), r.xs) << r.what;
    for (const auto& m : s.drawn)
      EXPECT_EQ(m.at.y, 50);
  }
}

TEST_F(SymbolTest, RepeatedSymbolsTurnWithEachSegment) {
  TRecordingSymbol s(10, 10);
  const double own = 0.25;
  Prepare(s, 10, 4, own);
  const TPoint pts[] = {{10, 10}, {70, 10}, {70, 70}};
  GisDrawPolylineSymbol(form.viewer, &s, pts, 3);
  ASSERT_GE(s.drawn.size(), 10u);
  // Along the first leg the symbols lie flat, down the second they stand
  // upright; the chord that cuts the corner turns in between.
  EXPECT_NEAR(s.drawn.front().angle, own, 1e-9);
  EXPECT_NEAR(s.drawn.back().angle, std::numbers::pi / 2 + own, 1e-9);
  EXPECT_EQ(s.drawn.front().at, TPoint(10, 10));
  EXPECT_EQ(s.drawn.back().at.x, 70);
  for (std::size_t i = 1; i < s.drawn.size(); ++i) {
    EXPECT_GE(s.drawn[i].angle, s.drawn[i - 1].angle - 1e-9);
    EXPECT_TRUE(s.drawn[i].at.y == 10 || s.drawn[i].at.x >= 68) << i;
  }
  // A line of one point draws nothing; symbols far outside the clip box are
  // skipped before they are turned.
  TRecordingSymbol lone(10, 10);
  Prepare(lone, 10);
  GisDrawPolylineSymbol(form.viewer, &lone, pts, 1);
  EXPECT_TRUE(lone.drawn.empty());
  TRecordingSymbol clipped(10, 10);
  Prepare(clipped, 10);
  const TPoint wide[] = {{-1000, 50}, {100, 50}};
  GisDrawPolylineSymbol(form.viewer, &clipped, wide, 2);
  ASSERT_FALSE(clipped.drawn.empty());
  for (const auto& m : clipped.drawn)
    EXPECT_GE(m.at.x, -clipped.Size());
}

TEST_F(SymbolTest, CircleSegmentIntersectionMatchesExactValues) {
  // Expected points from exact decimal arithmetic, rounded half to even.
  struct Row {
    TPoint p1, p2, c;
    double r;
    int count;
    TPoint a, b;
  };
  const Row rows[] = {
      {{-16000, 3}, {16000, 7}, {100, -50}, 15000, 2, {-14900, 3}, {15100, 7}},
      {{-16000, -16000}, {16000, 16000}, {0, 0}, 100, 2, {-71, -71}, {71, 71}},
      {{-16000, 16000}, {16000, -15999}, {-3, 5}, 22627, 1, {15996, -15995}, {}},
      {{15999, -16000}, {-16000, 15999}, {0, 0}, 1, 2, {0, -1}, {-1, 0}},
      {{-10, 5}, {10, 5}, {0, 0}, 5, 1, {0, 5}, {}}, // tangent
      {{-10, 5}, {10, 5}, {0, 0}, 4, 0, {}, {}},     // miss
      {{-1, 0}, {1, 0}, {0, 0}, 10, 0, {}, {}},      // inside
      {{0, 0}, {20, 0}, {0, 0}, 10, 1, {10, 0}, {}}, // from the centre out
      {{0, 0}, {10, 0}, {0, 0}, 0, 0, {}, {}},       // the centre itself
      {{5, 5}, {5, 5}, {0, 0}, 7, 0, {}, {}},        // no segment
  };
  for (const Row& r : rows) {
    TPoint a(-99, -99), b(-99, -99);
    const int n = GisCircleSegmentIntersection(r.p1, r.p2, r.c, r.r, a, b);
    EXPECT_EQ(n, r.count) << r.p1.x << "," << r.p1.y << " r " << r.r;
    if (n >= 1) { EXPECT_EQ(a, r.a) << r.p1.x << "," << r.p1.y << " r " << r.r; }
    if (n == 2) { EXPECT_EQ(b, r.b) << r.p1.x << "," << r.p1.y << " r " << r.r; }
  }
}
