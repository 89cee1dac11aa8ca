// Drawing of the four shape classes, probed on rendered bitmaps a pixel
// inside and outside their edges: point markers and marker symbols, line
// bodies, outlines, line symbols and selections, polygon fills with holes
// (solid, clear, hatch, tiled bitmap, tiled symbol), outline symbols and
// selection regions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "DrawTestSupport.h"
#include "gis/viewer/GisStyleBitmap.h"
#include "platform/rtl/Ticks.h"

namespace {

/// A symbol of a fixed drawing size that records how it is prepared and
/// where it is drawn.
class TRecordingSymbol : public TGIS_SymbolAbstract {
public:
  TRecordingSymbol(int w, int h) : TGIS_SymbolAbstract("recording"), w_(w), h_(h) {}
  int GetDrawWidth() override { return w_; }
  int GetDrawHeight() override { return h_; }
  void Prepare(TGIS_Viewer* viewer, int sizeTwips, TGIS_GDI* gdi, int position, int gapTwips,
               double angle, std::uint32_t outlineColor, std::uint32_t fillColor) override {
    ++prepared;
    lastSize = sizeTwips;
    lastPosition = position;
    lastGap = gapTwips;
    TGIS_SymbolAbstract::Prepare(viewer, sizeTwips, gdi, position, gapTwips, angle, outlineColor,
                                 fillColor);
  }
  void Unprepare() override {
    ++unprepared;
    TGIS_SymbolAbstract::Unprepare();
  }
  void Draw(int x, int y) override { drawn.emplace_back(x, y); }

  std::vector<TPoint> drawn;
  int prepared = 0, unprepared = 0, lastSize = 0, lastPosition = -1, lastGap = 0;

private:
  int w_, h_;
};

/// The colours of a block of pixels.
std::vector<COLORREF> Block(const TDrawViewer& d, int left, int top, int w, int h) {
  std::vector<COLORREF> out;
  for (int y = top; y < top + h; ++y)
    for (int x = left; x < left + w; ++x)
      out.push_back(d.Pixel(x, y));
  return out;
}

/// Pixels other than white in a rectangle.
int InkIn(const TDrawViewer& d, const TRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      n += d.Pixel(x, y) != kWhite;
  return n;
}

/// A square ring of map corners (x0, y0) and (x1, y1).
std::vector<TGIS_Point> Ring(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

} // namespace

// ---- points
// ---------------------------------------------------------------------------------------

TEST(GisShapeDrawPoint, MarkersSitOnTheirPointAndFrameWhenSelected) {
  TDrawViewer d(100, 100);
  TGIS_Shape* s = d.Add(gisShapeTypePoint, {{{50, 50}}});
  d.Style().GetMarker().SetColor(kRed);
  d.Style().GetMarker().SetSize(-7); // h = 3: Rectangle (47, 47, 53, 53)
  d.Render();
  // Without an outline the pen is clear and GDI's rectangle ends a pixel
  // earlier on the right and at the bottom.
  EXPECT_EQ(d.InkBox(kRed), TRect(47, 47, 52, 52));
  EXPECT_EQ(d.Pixel(46, 50), kWhite);
  EXPECT_EQ(d.Pixel(52, 50), kWhite);

  // The outline pen in its colour and width.
  d.Style().GetMarker().SetOutlineWidth(-1);
  d.Style().GetMarker().SetOutlineColor(kBlue);
  d.Render();
  EXPECT_EQ(d.Pixel(47, 50), kBlue);
  EXPECT_EQ(d.Pixel(48, 50), kRed);

  // Selected: the frame is drawn and its area filled with the selection.
  d.viewer->SetSelectionColor(kLime);
  s->SetIsSelected(true);
  d.Render();
  EXPECT_EQ(d.Pixel(44, 50), kLime) << "selection fill around the marker";
  EXPECT_EQ(d.Pixel(40, 50), kWhite);

  // Size 0 and hidden shapes draw nothing.
  s->SetIsSelected(false);
  d.Style().GetMarker().SetSize(0);
  d.Render();
  EXPECT_EQ(d.Count(kWhite), 100 * 100);
  d.Style().GetMarker().SetSize(-7);
  s->SetIsHidden(true);
  d.Render();
  EXPECT_EQ(d.Count(kWhite), 100 * 100);
}

TEST(GisShapeDrawPoint, HatchedMarkersAlignTheirPatternToThemselves) {
  TDrawViewer d(100, 100);
  d.Add(gisShapeTypePoint, {{{30, 50}}});
  d.Add(gisShapeTypePoint, {{{53, 50}}}); // 23 pixels on: not a multiple of 8
  d.Style().GetMarker().SetSize(-12);
  d.Style().GetMarker().SetColor(kRed);
  d.Style().GetMarker().SetPattern(bsDiagCross);
  d.Render();
  EXPECT_GT(d.Count(kRed), 0);
  EXPECT_EQ(Block(d, 25, 45, 10, 10), Block(d, 48, 45, 10, 10));
}

TEST(GisShapeDrawPoint, MarkerSymbolsArePreparedOnceAndDrawnAtEveryVertex) {
  TDrawViewer d(100, 100);
  TRecordingSymbol symbol(6, 6);
  d.Style().GetMarker().SetSymbol(&symbol);
  d.Style().GetMarker().SetSize(-9);
  TGIS_Shape* point = d.Add(gisShapeTypePoint, {{{50, 50}}});
  // Only what the drawable copy keeps of a multipoint: its vertices on screen
  // and within ±16000 pixels; here the whole multipoint is far smaller.
  TGIS_Shape* multi = d.Add(gisShapeTypeMultiPoint, {{{10, 90}, {20, 80}, {500, 80}}});
  multi->SetIsSelected(true);
  HRGN selection = nullptr;
  d.layer->OnDraw = [&](TDrawLayer&) {
    point->Draw();
    multi->Draw();
    selection = d.viewer->GetGDI()->SelectionRegion();
  };
  d.Render();
  EXPECT_EQ(symbol.prepared, 2);
  EXPECT_EQ(symbol.unprepared, 2);
  EXPECT_EQ(symbol.lastSize, -9);
  EXPECT_EQ(symbol.lastPosition, 4);
  EXPECT_EQ(symbol.drawn,
            (std::vector<TPoint>{TPoint(50, 50), TPoint(10, 10), TPoint(20, 20), TPoint(500, 20)}));
  ASSERT_NE(selection, nullptr) << "the selected multipoint's frames";
  d.layer->OnDraw = nullptr;
  d.Style().GetMarker().SetSymbol(nullptr);
}

// ---- lines
// ----------------------------------------------------------------------------------------

TEST(GisShapeDrawArc, BodyOverOutlineAcrossTheLine) {
  TDrawViewer d(200, 100);
  TGIS_Shape* s = d.Add(gisShapeTypeArc, {{{20, 50}, {180, 50}}});
  d.Style().GetLine().SetWidth(-5);
  d.Style().GetLine().SetColor(kRed);
  d.Style().GetLine().SetOutlineWidth(-2);
  d.Style().GetLine().SetOutlineColor(kBlue);
  d.Render();
  // Body 5 pixels (48..52), outline 5 + 2 × 2 = 9 (46..54).
  struct Probe {
    int y;
    COLORREF c;
  };
  for (const Probe& p :
       {Probe{45, kWhite}, Probe{46, kBlue}, Probe{47, kBlue}, Probe{48, kRed}, Probe{50, kRed},
        Probe{52, kRed}, Probe{53, kBlue}, Probe{54, kBlue}, Probe{55, kWhite}})
    EXPECT_EQ(d.Pixel(100, p.y), p.c) << "y " << p.y;

  // Selected: the selection covers the line widened by the selection width
  // (5 + 7 pixels).
  d.viewer->SetSelectionColor(kLime);
  s->SetIsSelected(true);
  d.Render();
  EXPECT_EQ(d.Pixel(100, 50), kLime);
  EXPECT_EQ(d.Pixel(100, 45), kLime);
  EXPECT_EQ(d.Pixel(100, 40), kWhite);
}

TEST(GisShapeDrawArc, HugeLinesAreDrawnFromTheirVisiblePiece) {
  TDrawViewer d(200, 100);
  d.Add(gisShapeTypeArc, {{{-1e7, 50}, {1e7, 50}}});
  d.Style().GetLine().SetWidth(-3);
  d.Style().GetLine().SetColor(kRed);
  d.Render();
  EXPECT_EQ(d.Pixel(0, 50), kRed);
  EXPECT_EQ(d.Pixel(199, 50), kRed);
  EXPECT_EQ(d.Pixel(100, 48), kWhite);
}

TEST(GisShapeDrawArc, LineSymbolsReplaceTheBody) {
  TDrawViewer d(200, 100);
  d.Add(gisShapeTypeArc, {{{20, 50}, {180, 50}}});
  d.Style().GetLine().SetColor(kRed);
  d.Style().GetLine().SetWidth(-2);
  // Dashes of 10 pixels: 150 twips at 96 pixels per inch.
  d.Style().GetLine().SetSymbol(GisSymbolList().Get("<[150T 150T]>"));
  ASSERT_NE(d.Style().GetLine().Symbol(), nullptr);
  d.Render();
  int ink = 0, gaps = 0;
  for (int x = 25; x < 175; ++x)
    (d.Pixel(x, 50) == kWhite ? gaps : ink)++;
  EXPECT_GT(ink, 50);
  EXPECT_GT(gaps, 50);

  // A pattern of line-width runs at width 0 has only empty runs: a plain
  // line, and the drawing ends.
  d.Style().GetLine().SetSymbol(GisSymbolList().Get("<[1W 2W]>"));
  d.Style().GetLine().SetWidth(0);
  d.Render();
  EXPECT_GT(InkIn(d, TRect(25, 45, 175, 56)), 140);
  d.Style().GetLine().SetSymbol(nullptr);
}

TEST(GisShapeDrawArc, HatchedPensShowTheirPattern) {
  TDrawViewer d(200, 100);
  d.Add(gisShapeTypeArc, {{{20, 50}, {180, 50}}});
  d.Style().GetLine().SetWidth(-9);
  d.Style().GetLine().SetColor(kRed);
  d.Style().GetLine().SetPattern(bsCross);
  d.Render();
  const auto strip = Block(d, 20, 46, 160, 9);
  const auto red = std::count(strip.begin(), strip.end(), kRed);
  EXPECT_GT(red, 100);
  EXPECT_LT(red, long(strip.size()) / 2) << "hatch lines, not a solid pen";
}

// ---- polygons
// -------------------------------------------------------------------------------------

namespace {

/// A frame of 160 × 60 pixels (20..180, 20..80) with a hole of 80 × 20
/// (60..140, 40..60), and a style with a 1-pixel blue outline.
TGIS_Shape* Frame(TDrawViewer& d) {
  TGIS_Shape* s = d.Add(gisShapeTypePolygon, {Ring(20, 20, 180, 80), Ring(60, 40, 140, 60)});
  d.Style().GetArea().SetOutlineWidth(-1);
  d.Style().GetArea().SetOutlineColor(kBlue);
  return s;
}

struct TProbe {
  int x, y;
  COLORREF c;
  const char* where;
};

void ExpectProbes(const TDrawViewer& d, std::initializer_list<TProbe> probes, const char* what) {
  for (const TProbe& p : probes)
    EXPECT_EQ(d.Pixel(p.x, p.y), p.c) << what << ": " << p.where;
}

} // namespace

TEST(GisShapeDrawPolygon, SolidFillsLeaveHolesEmptyAndClearOnesOutline) {
  TDrawViewer d(200, 100);
  Frame(d);
  d.Style().GetArea().SetColor(kGreen);
  d.Render();
  ExpectProbes(d,
               {{19, 50, kWhite, "left of the outer ring"},
                {20, 50, kBlue, "the outer ring"},
                {21, 50, kGreen, "inside the outer ring"},
                {59, 50, kGreen, "left of the hole"},
                {60, 50, kBlue, "the hole's ring"},
                {61, 50, kWhite, "inside the hole"},
                {100, 50, kWhite, "the hole's middle"},
                {139, 50, kWhite, "inside the hole, right"},
                {141, 50, kGreen, "right of the hole"},
                {100, 21, kGreen, "below the top edge"},
                {100, 19, kWhite, "above the top edge"}},
               "solid");
  d.Style().GetArea().SetPattern(bsClear);
  d.Render();
  ExpectProbes(d,
               {{20, 50, kBlue, "the outer ring"},
                {21, 50, kWhite, "inside the outer ring"},
                {60, 50, kBlue, "the hole's ring"},
                {100, 50, kWhite, "the hole's middle"}},
               "clear");
  // Without outline a single ring takes the direct polygon path.
  d.ResetStyle();
  d.Add(gisShapeTypePolygon, {Ring(190, 90, 198, 98)});
  d.Style().GetArea().SetColor(kGreen);
  d.Render();
  EXPECT_EQ(d.Pixel(194, 5), kGreen);
  EXPECT_EQ(d.Pixel(21, 50), kGreen);
}

TEST(GisShapeDrawPolygon, HatchesAndTilesAlignToTheShape) {
  TDrawViewer d(200, 100);
  // Two equal squares 37 pixels apart: not a multiple of 8 nor of the tile.
  d.Add(gisShapeTypePolygon, {Ring(20, 20, 60, 60)});
  d.Add(gisShapeTypePolygon, {Ring(97, 20, 137, 60)});
  d.Style().GetArea().SetColor(kRed);
  d.Style().GetArea().SetPattern(bsDiagCross);
  d.Render();
  EXPECT_GT(d.Count(kRed), 100);
  EXPECT_EQ(Block(d, 21, 41, 38, 38), Block(d, 98, 41, 38, 38)) << "the hatch phase";
  EXPECT_EQ(d.Pixel(19, 50), kWhite) << "the hatch stays inside";

  // A 5 × 3 tile with a red top-left pixel, the rest lime.
  auto tile = std::make_unique<TBitmap>(5, 3, pf24bit);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      std::uint8_t* p = tile->ScanLine(y) + 3 * x;
      const bool corner = x == 0 && y == 0;
      p[0] = 0;
      p[1] = corner ? 0 : 0xFF;
      p[2] = corner ? 0xFF : 0;
    }
  TGIS_Bitmap bitmap;
  bitmap.SetPicture(GisMakeStylePicture(std::move(tile)));
  d.Style().GetArea().SetBitmap(&bitmap);
  d.Style().GetArea().SetPattern(bsSolid);
  d.Render();
  // Tiles start at each shape's top-left corner (pixel 20, 40 and 97, 40),
  // whose edge pixels the 1-twip outline covers.
  ExpectProbes(d,
               {{20, 40, kNearBlack, "the outline over the first tile"},
                {25, 43, kRed, "the next tile along and down"},
                {30, 46, kRed, "and the next"},
                {21, 41, kLime, "inside a tile"},
                {26, 43, kLime, "inside the next"},
                {102, 43, kRed, "the second shape's grid"},
                {19, 40, kWhite, "clipped to the ring"},
                {70, 50, kWhite, "between the shapes"}},
               "tiles");
  d.Style().GetArea().SetBitmap(nullptr);
}

TEST(GisShapeDrawPolygon, SymbolTilesStepByTheirCellAndAZeroCellDrawsNone) {
  TDrawViewer d(200, 100);
  TGIS_Shape* s = d.Add(gisShapeTypePolygon, {Ring(20, 20, 60, 60)}); // pixels 20..60, 40..80
  d.Style().GetArea().SetOutlineWidth(-1);
  d.Style().GetArea().SetOutlineColor(kBlue);
  struct Row {
    const char* what;
    int w, h, gap; // drawing size and gap in pixels
    int columns, rows;
  };
  // Cells run from the corner while x ≤ right + w div 2 (and y likewise).
  const Row rows[] = {
      {"6 × 4 with a gap of 2: cells of 8 × 6", 6, 4, 2, 6, 8},
      {"no gap, size 10: 4 + 1 columns and rows", 10, 10, 0, 5, 5},
      {"no gap and no size: no cell to step by, no tiles", 0, 0, 0, 0, 0},
      {"no gap and no height", 7, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    TRecordingSymbol symbol(r.w, r.h);
    d.Style().GetArea().SetSymbol(&symbol);
    d.Style().GetArea().SetSymbolGap(-r.gap);
    d.Render();
    ASSERT_EQ(symbol.drawn.size(), std::size_t(r.columns * r.rows)) << r.what;
    if (!symbol.drawn.empty()) {
      EXPECT_EQ(symbol.drawn.front(), TPoint(20, 40)) << r.what;
      EXPECT_EQ(symbol.drawn[1], TPoint(20 + r.w + r.gap, 40)) << r.what;
      EXPECT_EQ(symbol.drawn.back(),
                TPoint(20 + (r.columns - 1) * (r.w + r.gap), 40 + (r.rows - 1) * (r.h + r.gap)))
          << r.what;
    }
    EXPECT_EQ(symbol.prepared, symbol.unprepared) << r.what;
    EXPECT_EQ(d.Pixel(20, 50), kBlue) << r.what << ": the outline follows";
    d.Style().GetArea().SetSymbol(nullptr);
  }
  (void)s;
}

TEST(GisShapeDrawPolygon, OutlineSymbolsFollowEveryRing) {
  TDrawViewer d(200, 100);
  Frame(d);
  d.Style().GetArea().SetColor(kGreen);
  TRecordingSymbol symbol(4, 4);
  d.Style().GetArea().SetOutlineSymbol(&symbol);
  d.Style().GetArea().SetOutlineWidth(-4);
  d.Render();
  EXPECT_EQ(symbol.lastPosition, 5);
  EXPECT_EQ(symbol.lastSize, -4);
  ASSERT_GT(symbol.drawn.size(), 10u);
  bool outer = false, hole = false;
  for (const TPoint& p : symbol.drawn) {
    const bool onOuter = p.x == 20 || p.x == 180 || p.y == 20 || p.y == 80;
    const bool onHole = ((p.x == 60 || p.x == 140) && p.y >= 40 && p.y <= 60) ||
                        ((p.y == 40 || p.y == 60) && p.x >= 60 && p.x <= 140);
    EXPECT_TRUE(onOuter || onHole) << p.x << ", " << p.y;
    outer = outer || onOuter;
    hole = hole || onHole;
  }
  EXPECT_TRUE(outer && hole);
  // The pen outline gives way to the symbol; the fill stays.
  EXPECT_EQ(d.Count(kBlue), 0);
  EXPECT_EQ(d.Pixel(21, 50), kGreen);
  EXPECT_EQ(d.Pixel(100, 50), kWhite);
  d.Style().GetArea().SetOutlineSymbol(nullptr);
}

TEST(GisShapeDrawPolygon, SelectionCoversTheAreaOrOnlyItsOutline) {
  TDrawViewer d(200, 100);
  TGIS_Shape* s = Frame(d);
  d.Style().GetArea().SetColor(kGreen);
  s->SetIsSelected(true);
  d.viewer->SetSelectionColor(kLime);
  d.Render();
  ExpectProbes(d,
               {{40, 50, kLime, "the area"},
                {100, 50, kWhite, "the hole"},
                {17, 50, kLime, "the widened outline"},
                {10, 50, kWhite, "beyond it"}},
               "area");
  d.viewer->SetSelectionOutlineOnly(true);
  d.Render();
  // The area is the secondary region, taken out of the primary one: what
  // shows is the widened outline outside the area.
  ExpectProbes(d,
               {{40, 50, kGreen, "the area keeps its fill"},
                {21, 50, kGreen, "inside the outline"},
                {17, 50, kLime, "outside the outline"},
                {100, 50, kWhite, "the hole"}},
               "outline only");
}

TEST(GisShapeDrawPolygon, IslandsDegenerateRingsAndTheContextState) {
  TDrawViewer d(200, 100);
  // Two islands and a ring of no area.
  d.Add(gisShapeTypePolygon,
        {Ring(20, 20, 60, 60), Ring(100, 20, 140, 60), {{80, 80}, {80, 80}, {80, 80}}});
  d.Style().GetArea().SetColor(kGreen);
  d.Style().GetArea().SetOutlineWidth(-1);
  int fillMode = 0, bkMode = 0;
  d.layer->OnDraw = [&](TDrawLayer& l) {
    TGIS_GDI* gdi = d.viewer->GetGDI();
    gdi->SetPolyFillMode(ALTERNATE);
    gdi->SetBkMode(OPAQUE);
    l.ShapeAt(0)->Draw();
    fillMode = GetPolyFillMode(gdi->GetHandle());
    bkMode = GetBkMode(gdi->GetHandle());
  };
  d.Render();
  d.layer->OnDraw = nullptr;
  EXPECT_EQ(d.Pixel(40, 60), kGreen);
  EXPECT_EQ(d.Pixel(120, 60), kGreen);
  EXPECT_EQ(d.Pixel(80, 60), kWhite);
  EXPECT_EQ(fillMode, ALTERNATE);
  EXPECT_EQ(bkMode, OPAQUE);
}

TEST(GisShapeDrawPolygon, EvenOddFillsEqualTheRegionOfTheRings) {
  // Several rings fill by the even-odd rule in one polygon call; the same
  // pixels as the XOR of the rings' path regions filled through a clip.
  TDrawViewer d(200, 100);
  d.Style().GetArea().SetColor(kGreen);
  d.Style().GetArea().SetOutlineWidth(0); // no outline: the fill alone
  TRandomGenerator random(77);
  for (int n = 0; n < 40; ++n) {
    std::vector<std::vector<TGIS_Point>> rings;
    for (int r = 0; r < 2 + n % 3; ++r) {
      const double cx = 30 + random.Next() * 140, cy = 20 + random.Next() * 60;
      const double size = 5 + random.Next() * 30;
      std::vector<TGIS_Point> ring;
      const int k = 3 + int(random.Next(8));
      for (int i = 0; i < k; ++i) {
        const double a = 6.283185307179586 * i / k, f = 0.5 + random.Next() * 0.5;
        ring.push_back({cx + f * size * std::cos(a), cy + f * size * std::sin(a)});
      }
      rings.push_back(ring);
    }
    TGIS_Shape* s = d.Add(gisShapeTypePolygon, rings);
    d.Render();
    const auto drawn = Block(d, 0, 0, 200, 100);
    d.RenderWith([&](TGIS_Viewer& v, TGIS_GDI& gdi) {
      HRGN all = nullptr;
      for (int part = 0; part < s->GetNumParts(); ++part) {
        std::vector<TPoint> points;
        for (int i = 0; i < s->GetPartSize(part); ++i)
          points.push_back(v.MapToScreen(s->GetPoint(part, i)));
        gdi.BeginPath();
        gdi.Polygon(points.data(), int(points.size()));
        gdi.EndPath();
        HRGN one = gdi.PathToRegion();
        if (all == nullptr) {
          all = one;
        } else {
          gdi.CombineRgn(all, all, one, RGN_XOR);
          HGDIOBJ h = one;
          gdi.DeleteObject(h);
        }
      }
      gdi.SelectClipRgn(all);
      gdi.PrepareBrush(kGreen, nullptr, GIS_BRUSH_SOLID);
      gdi.FillRect(gdi.GetClipBox());
      gdi.SelectClipRgn(nullptr);
      HGDIOBJ h = all;
      gdi.DeleteObject(h);
    });
    const auto region = Block(d, 0, 0, 200, 100);
    int differing = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i)
      differing += drawn[i] != region[i];
    EXPECT_EQ(differing, 0) << "polygon " << n;
    EXPECT_GT(std::count(drawn.begin(), drawn.end(), kGreen), 0) << "polygon " << n;
    s->Delete();
  }
}

TEST(GisShapeDrawPolygon, WideOutlinesGoOverTheEvenOddFill) {
  TDrawViewer d(200, 100);
  Frame(d);
  d.Style().GetArea().SetColor(kGreen);
  d.Style().GetArea().SetOutlineWidth(-3); // 19..21 around x = 20
  d.Render();
  ExpectProbes(d,
               {{18, 50, kWhite, "left of the outer outline"},
                {19, 50, kBlue, "the outer outline"},
                {21, 50, kBlue, "the outer outline, inside"},
                {22, 50, kGreen, "inside the outer ring"},
                {58, 50, kGreen, "left of the hole's outline"},
                {61, 50, kBlue, "the hole's outline, inside"},
                {62, 50, kWhite, "inside the hole"}},
               "3-pixel outline");
}
