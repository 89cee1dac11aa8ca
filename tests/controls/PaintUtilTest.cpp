// The shared paint helpers: stepped gradients, blending, frames, outlines,
// the glossy fill and the parent's image behind a transparent control.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/OwPaintUtil.h"

namespace {
/// Columns where the colour changes along row y, with the new colours.
std::vector<std::pair<int, TColor>> Bands(TCanvas* c, int y, int from, int to) {
  std::vector<std::pair<int, TColor>> bands;
  TColor last = -1;
  for (int x = from; x < to; ++x) {
    const TColor p = c->Pixels(x, y);
    if (p != last) bands.push_back({x, p});
    last = p;
  }
  return bands;
}
TColor Grey(int v) {
  return TColor(v | v << 8 | v << 16);
}
} // namespace

TEST(PaintUtil, SteppedGradientBandsStartAtRoundedOffsets) {
  auto bmp = FilledBitmap(120, 10, clRed);
  DrawSteppedGradient(bmp->Canvas(), clBlack, clWhite, true, TRect(0, 0, 100, 10), 10);
  // Band width 99 / 10 = 9.9; each band 11 wide, overlapping the next.
  const std::vector<std::pair<int, TColor>> expected = {
      {0, Grey(0)},    {10, Grey(26)},  {20, Grey(51)},  {30, Grey(76)},
      {40, Grey(102)}, {50, Grey(128)}, {59, Grey(153)}, {69, Grey(178)},
      {79, Grey(204)}, {89, Grey(230)}, {100, clRed}};
  EXPECT_EQ(Bands(bmp->Canvas(), 5, 0, 110), expected);
  EXPECT_EQ(bmp->Canvas()->Pen()->Color(), Grey(230));
}

TEST(PaintUtil, SteppedGradientEdgeCases) {
  struct TRow {
    const char* name;
    int steps;
    bool horizontal;
    TRect rect;
    TPoint probe;
    TColor expected;
  } rows[] = {
      {"zero steps: one band of the from colour", 0, true, {0, 0, 50, 10}, {49, 5}, clBlack},
      {"vertical bands go down", 2, false, {0, 0, 10, 40}, {5, 30}, Grey(128)},
      {"vertical first band", 2, false, {0, 0, 10, 40}, {5, 0}, clBlack},
      {"nothing past the rectangle", 4, true, {0, 0, 40, 10}, {40, 5}, clRed},
  };
  for (const TRow& row : rows) {
    auto bmp = FilledBitmap(60, 60, clRed);
    DrawSteppedGradient(bmp->Canvas(), clBlack, clWhite, row.horizontal, row.rect, row.steps);
    EXPECT_EQ(bmp->Canvas()->Pixels(row.probe.x, row.probe.y), row.expected) << row.name;
  }
}

TEST(PaintUtil, InOutGradientPutsTheToColourInTheMiddle) {
  auto bmp = FilledBitmap(100, 10, clRed);
  DrawDirectionalGradient(bmp->Canvas(), clBlack, clWhite, TGradientDirection::gdHorizontalInOut,
                          TRect(0, 0, 100, 10), 20);
  TCanvas* c = bmp->Canvas();
  EXPECT_EQ(c->Pixels(0, 5), clBlack);
  // The last band of the way back is one step short of the from colour.
  EXPECT_LT(GetRValue(ColorToRGB(c->Pixels(99, 5))), 20);
  EXPECT_GT(GetRValue(ColorToRGB(c->Pixels(49, 5))), 230);
  EXPECT_GT(GetRValue(ColorToRGB(c->Pixels(50, 5))), 230);
}

TEST(PaintUtil, BlendColors) {
  EXPECT_EQ(BlendColors(clBlack, clWhite, 20), TColor(0xCCCCCC));
  EXPECT_EQ(BlendColors(clBlack, clWhite, 100), clBlack);
  EXPECT_EQ(BlendColors(clBlack, clWhite, 0), clWhite);
  EXPECT_EQ(BlendColors(clBtnFace, clBtnFace, 50), TColor(ColorToRGB(clBtnFace)));
  // 10 % of $927476 and 90 % white.
  EXPECT_EQ(BlendColors(0x927476, clWhite, 10), TColor(0xF4F1F1));
}

TEST(PaintUtil, SunkenFrameAndDottedFocus) {
  auto bmp = FilledBitmap(20, 20, clWhite);
  TCanvas* c = bmp->Canvas();
  DrawSunkenFrame(c, TRect(2, 2, 12, 12), false, clRed, clBlue);
  EXPECT_EQ(c->Pixels(2, 5), clRed);  // left line
  EXPECT_EQ(c->Pixels(5, 2), clRed);  // top line
  EXPECT_EQ(c->Pixels(10, 5), clRed); // right line at R - 2
  EXPECT_EQ(c->Pixels(5, 11), clBlue);
  EXPECT_EQ(c->Pixels(11, 5), clBlue);
  EXPECT_EQ(c->Pixels(3, 5), clBlue); // second colour inside the left edge

  auto focus = FilledBitmap(20, 20, clWhite);
  DrawDottedFocusRect(focus->Canvas(), TRect(0, 0, 10, 10), clBlack);
  std::string top, right;
  for (int x = 0; x <= 10; ++x)
    top += focus->Canvas()->Pixels(x, 0) == clBlack ? 'X' : '.';
  for (int y = 0; y <= 10; ++y)
    right += focus->Canvas()->Pixels(10, y) == clBlack ? 'X' : '.';
  EXPECT_EQ(top, "X.X.X.X.X.X");
  // The pattern runs on around the corner.
  EXPECT_EQ(right.substr(0, 4), "X.X.");
}

TEST(PaintUtil, RoundRectOutlines) {
  for (float radius : {0.0f, 4.0f}) {
    auto bmp = FilledBitmap(30, 30, clWhite);
    {
      TGPGraphics g(bmp->Canvas()->Handle());
      DrawRoundRectOutline(&g, GPRectOf(2, 2, 20, 20), radius, clBlack);
    }
    TCanvas* c = bmp->Canvas();
    EXPECT_EQ(c->Pixels(12, 2), clBlack) << radius;
    EXPECT_EQ(c->Pixels(22, 12), clBlack) << radius;
    EXPECT_EQ(c->Pixels(12, 12), clWhite) << radius;
    EXPECT_EQ(c->Pixels(2, 2) == clBlack, radius == 0) << radius;
  }
  DrawRoundRectOutline(nullptr, GPRectOf(0, 0, 5, 5), 1, clBlack); // no surface: nothing
}

TEST(PaintUtil, GlossShapeFillsHalvesOrOnlyOutlines) {
  auto bmp = FilledBitmap(40, 40, clWhite);
  DrawGlossShape(nullptr, bmp->Canvas(), TRect(0, 0, 40, 40), false, TGpGradient::ggVertical,
                 TGpGradient::ggVertical, clBlue, clBlue, clRed, clRed, clNone, clNone,
                 gsRectangle);
  EXPECT_EQ(bmp->Canvas()->Pixels(20, 5), clRed);
  EXPECT_EQ(bmp->Canvas()->Pixels(20, 35), clBlue);

  auto outline = FilledBitmap(40, 40, clWhite);
  DrawGlossShape(nullptr, outline->Canvas(), TRect(0, 0, 30, 30), false, TGpGradient::ggVertical,
                 TGpGradient::ggVertical, clNone, clBlue, clRed, clRed, clGreen, clNone,
                 gsRectangle);
  EXPECT_EQ(outline->Canvas()->Pixels(15, 15), clWhite);
  EXPECT_NE(outline->Canvas()->Pixels(15, 0), clWhite);
}

namespace {
/// A parent that paints a red square at (10, 10)-(30, 30) over its colour.
class TPaintedPanel : public TCustomControl {
  SK_CLASS(TPaintedPanel, TCustomControl)
public:
  using TCustomControl::TCustomControl;
  int Paints = 0;

protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(clRed);
    Canvas()->FillRect(TRect(10, 10, 30, 30));
  }
};
/// A control that shows its parent's image, then a blue dot at (0, 0).
class TSeeThrough : public TCustomControl {
  SK_CLASS(TSeeThrough, TCustomControl)
public:
  using TCustomControl::TCustomControl;

protected:
  void Paint() override {
    PaintParentImage(this, Canvas());
    Canvas()->SetPixels(0, 0, clBlue);
  }
};
} // namespace

TEST(PaintUtil, ParentImageShowsBehindATransparentControl) {
  THostForm host;
  auto* panel = host.Add<TPaintedPanel>(0, 0, 100, 100);
  panel->SetColor(clYellow);
  auto* child = new TSeeThrough(host.form);
  child->SetParent(panel);
  child->SetBounds(20, 20, 30, 30);
  host.Show();
  UpdateWindow(child->Handle());
  // Child pixel (x, y) is the parent's pixel (20 + x, 20 + y).
  EXPECT_EQ(WindowPixel(child, 0, 0), 0xFF0000u);   // the child's own drawing
  EXPECT_EQ(WindowPixel(child, 5, 5), 0x0000FFu);   // parent (25, 25): red
  EXPECT_EQ(WindowPixel(child, 15, 15), 0x00FFFFu); // parent (35, 35): yellow
  EXPECT_EQ(WindowPixel(child, 9, 9), 0x0000FFu);
  EXPECT_EQ(WindowPixel(child, 10, 10), 0x00FFFFu);
}
