// Shapes to pixel sets: interiors and one pixel either side of every edge.
#include "platform/rtl/Strings.h"
#include "GraphicsTestUtil.h"

namespace {

const COLORREF kRed = RGB(255, 0, 0);

struct TPenBrush {
  TPenBrush(HDC dc, HPEN pen, HBRUSH brush) : p(dc, pen), b(dc, brush) {}
  TSelected p, b;
};

TEST(PixelRules, RectangleCoversItsBoxWithoutRightAndBottomEdge) {
  TTestCanvas c(12, 10);
  TPenBrush pb(c.dc, CreatePen(PS_SOLID, 1, 0), CreateSolidBrush(kRed));
  Rectangle(c.dc, 2, 2, 8, 6);
  // '#' black outline, '?' red brush, '.' untouched white
  const char* rows[] = {"..........", "..........", "..######..", "..#????#..",
                        "..#????#..", "..######..", "..........", ".........."};
  for (int y = 0; y < 8; ++y)
    EXPECT_EQ(c.RowText(y, 0, 10), rows[y]) << "row " << y;
  EXPECT_EQ(c.At(3, 3), kRed);
}

TEST(PixelRules, EmptyShapesDrawNothing) {
  TTestCanvas c(10, 10);
  TPenBrush pb(c.dc, CreatePen(PS_SOLID, 1, 0), CreateSolidBrush(0));
  Rectangle(c.dc, 3, 3, 3, 8);
  Ellipse(c.dc, 2, 5, 8, 5);
  POINT one[1] = {{4, 4}};
  Polyline(c.dc, one, 1);
  MoveToEx(c.dc, 6, 6, nullptr);
  LineTo(c.dc, 6, 6);
  EXPECT_EQ(c.Count(0xFFFFFF), 100);
}

TEST(PixelRules, NullPenRectangleFillsOnePixelLessThanFillRect) {
  // Without a pen Rectangle fills only the inside of its outline: one
  // column and one row less than FillRect of the same box.
  TTestCanvas c(10, 6);
  TPenBrush pb(c.dc, CreatePen(PS_NULL, 1, 0), CreateSolidBrush(0));
  Rectangle(c.dc, 1, 1, 4, 4);
  Rectangle(c.dc, 8, 1, 9, 4); // one pixel wide: nothing left
  RECT r{5, 1, 8, 4};
  HBRUSH b = CreateSolidBrush(0);
  FillRect(c.dc, &r, b);
  DeleteObject(b);
  const char* rows[] = {"..........", ".##..###..", ".##..###..", ".....###..", ".........."};
  for (int y = 0; y < 5; ++y)
    EXPECT_EQ(c.RowText(y, 0, 10), rows[y]) << "row " << y;
}

TEST(PixelRules, NullPenRectangleUnderAScaleFillsOneLogicalUnitLess) {
  TTestCanvas c(12, 8);
  TPenBrush pb(c.dc, CreatePen(PS_NULL, 1, 0), CreateSolidBrush(0));
  SetGraphicsMode(c.dc, GM_ADVANCED);
  XFORM xf;
  xf.eM11 = 2;
  xf.eM22 = 2;
  SetWorldTransform(c.dc, &xf);
  Rectangle(c.dc, 1, 1, 4, 3); // device box (2,2)-(8,6) less 2 px each way
  const char* rows[] = {"............", "............", "..####......", "..####......",
                        "............"};
  for (int y = 0; y < 5; ++y)
    EXPECT_EQ(c.RowText(y, 0, 12), rows[y]) << "row " << y;
}

TEST(PixelRules, FrameRectDrawsOnePixelInsideTheBox) {
  TTestCanvas c(8, 6);
  RECT r{1, 1, 6, 5};
  HBRUSH b = CreateSolidBrush(0);
  FrameRect(c.dc, &r, b);
  DeleteObject(b);
  const char* rows[] = {"........", ".#####..", ".#...#..", ".#...#..", ".#####..", "........"};
  for (int y = 0; y < 6; ++y)
    EXPECT_EQ(c.RowText(y, 0, 8), rows[y]);
}

TEST(PixelRules, LinesLeaveOutTheirEndPoint) {
  struct Row {
    int x0, y0, x1, y1;
    std::vector<POINT> drawn, notDrawn;
  } rows[] = {
      {1, 1, 6, 1, {{1, 1}, {5, 1}}, {{0, 1}, {6, 1}, {3, 0}, {3, 2}}},
      {6, 2, 1, 2, {{6, 2}, {2, 2}}, {{1, 2}, {7, 2}}},
      {2, 1, 2, 7, {{2, 1}, {2, 6}}, {{2, 7}, {2, 0}, {1, 4}, {3, 4}}},
      {1, 1, 5, 5, {{1, 1}, {2, 2}, {4, 4}}, {{5, 5}, {2, 1}, {1, 2}}},
  };
  for (const Row& r : rows) {
    TTestCanvas c(10, 10);
    MoveToEx(c.dc, r.x0, r.y0, nullptr);
    LineTo(c.dc, r.x1, r.y1);
    POINT pos;
    GetCurrentPositionEx(c.dc, &pos);
    EXPECT_EQ(pos, POINT(r.x1, r.y1));
    for (POINT p : r.drawn)
      EXPECT_EQ(c.At(p.x, p.y), 0u) << p.x << "," << p.y;
    for (POINT p : r.notDrawn)
      EXPECT_EQ(c.At(p.x, p.y), 0xFFFFFFu) << p.x << "," << p.y;
  }
}

TEST(PixelRules, PolylineDrawsInnerVerticesButNotTheLastOne) {
  TTestCanvas c(10, 10);
  POINT pts[] = {{1, 1}, {5, 1}, {5, 5}};
  Polyline(c.dc, pts, 3);
  EXPECT_EQ(c.RowText(1, 0, 7), ".#####.");
  EXPECT_EQ(c.At(5, 4), 0u);
  EXPECT_EQ(c.At(5, 5), 0xFFFFFFu);
  EXPECT_EQ(c.Count(0), 8);
}

TEST(PixelRules, DashedPenPatternContinuesAcrossSegmentsAndFillsGapsWhenOpaque) {
  for (int mode : {OPAQUE, TRANSPARENT}) {
    TTestCanvas c(60, 4, 0xFFFFFF);
    SetBkColor(c.dc, kRed);
    SetBkMode(c.dc, mode);
    TSelected pen(c.dc, CreatePen(PS_DASH, 1, 0));
    POINT pts[] = {{0, 1}, {10, 1}, {40, 1}};
    Polyline(c.dc, pts, 3);
    std::string gap = mode == OPAQUE ? std::string(6, '?') : std::string(6, '.');
    std::string expected = std::string(18, '#') + gap + std::string(16, '#');
    EXPECT_EQ(c.RowText(1, 0, 40), expected) << "mode " << mode;
  }
}

TEST(PixelRules, StylePatternsHaveTheirLengths) {
  struct Row {
    int style;
    const char* start;
  } rows[] = {
      {PS_DOT, "###...###...###"},
      {PS_DASHDOT, "#########......###......###"},
      {PS_DASHDOTDOT, "#########...###...###...###"},
  };
  for (const Row& r : rows) {
    TTestCanvas c(40, 3);
    SetBkMode(c.dc, TRANSPARENT);
    TSelected pen(c.dc, CreatePen(r.style, 1, 0));
    MoveToEx(c.dc, 0, 1, nullptr);
    LineTo(c.dc, 40, 1);
    std::string s = r.start;
    EXPECT_EQ(c.RowText(1, 0, int(s.size())), s) << "style " << r.style;
  }
}

TEST(PixelRules, EllipseStaysInsideItsBoxAndTouchesEveryEdge) {
  TTestCanvas c(20, 16);
  TPenBrush pb(c.dc, CreatePen(PS_SOLID, 1, 0), CreateSolidBrush(kRed));
  Ellipse(c.dc, 2, 3, 14, 11);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x)
      if (x < 2 || x >= 14 || y < 3 || y >= 11) {
        EXPECT_EQ(c.At(x, y), 0xFFFFFFu) << x << "," << y;
      }
  EXPECT_EQ(c.At(2, 7), 0u);  // left edge
  EXPECT_EQ(c.At(13, 7), 0u); // right edge
  EXPECT_EQ(c.At(8, 3), 0u);  // top
  EXPECT_EQ(c.At(8, 10), 0u); // bottom
  EXPECT_EQ(c.At(8, 7), kRed);
  EXPECT_EQ(c.At(2, 3), 0xFFFFFFu); // corner outside
}

TEST(PixelRules, DashedEllipseOutlineHasGapsAndStaysInside) {
  TTestCanvas c(60, 60);
  TPenBrush pb(c.dc, CreatePen(PS_DASH, 1, 0), CreateSolidBrush(kRed));
  SetBkMode(c.dc, TRANSPARENT);
  Ellipse(c.dc, 0, 0, 60, 60);
  int ink = c.Count(0), brush = c.Count(kRed);
  EXPECT_GT(ink, 60);     // dashes along the outline...
  EXPECT_LT(ink, 4 * 60); // ...with gaps
  EXPECT_GT(brush, 2500);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) {
      double dx = x + 0.5 - 30, dy = y + 0.5 - 30;
      if (dx * dx + dy * dy > 31 * 31) {
        EXPECT_EQ(c.At(x, y), 0xFFFFFFu) << x << "," << y; // nothing outside the ellipse
      }
    }
}

TEST(PixelRules, PolygonFillFollowsTheFillMode) {
  // a square drawn twice around: winding fills it, alternate leaves it empty
  POINT pts[] = {{1, 1}, {9, 1}, {9, 9}, {1, 9}, {1, 1}, {9, 1}, {9, 9}, {1, 9}};
  for (int mode : {ALTERNATE, WINDING}) {
    TTestCanvas c(12, 12);
    TPenBrush pb(c.dc, CreatePen(PS_NULL, 1, 0), CreateSolidBrush(0));
    SetPolyFillMode(c.dc, mode);
    Polygon(c.dc, pts, 8);
    EXPECT_EQ(c.At(5, 5), mode == WINDING ? 0u : 0xFFFFFFu);
  }
  TTestCanvas c(12, 12);
  TPenBrush pb(c.dc, CreatePen(PS_NULL, 1, 0), CreateSolidBrush(0));
  Polygon(c.dc, pts, 4);
  EXPECT_EQ(c.RowText(0, 0, 11), "...........");
  EXPECT_EQ(c.RowText(1, 0, 11), ".########..");
  EXPECT_EQ(c.RowText(8, 0, 11), ".########..");
  EXPECT_EQ(c.RowText(9, 0, 11), "...........");
}

TEST(PixelRules, HatchBrushesFollowTheBrushOrigin) {
  struct Row {
    int hatch;
    const char* row0;
    const char* row1;
  } rows[] = {
      {HS_HORIZONTAL, "################", "................"},
      {HS_VERTICAL, "#.......#.......", "#.......#......."},
      {HS_FDIAGONAL, "#.......#.......", ".#.......#......"},
      {HS_BDIAGONAL, ".......#.......#", "......#.......#."},
      {HS_CROSS, "################", "#.......#......."},
  };
  for (const Row& r : rows) {
    TTestCanvas c(16, 16);
    TPenBrush pb(c.dc, CreatePen(PS_NULL, 1, 0), CreateHatchBrush(r.hatch, 0));
    SetBkMode(c.dc, TRANSPARENT);
    Rectangle(c.dc, 0, 0, 17, 17); // a null pen fills one pixel less
    EXPECT_EQ(c.RowText(0, 0, 16), r.row0) << "hatch " << r.hatch;
    EXPECT_EQ(c.RowText(1, 0, 16), r.row1) << "hatch " << r.hatch;
  }
  // origin (3, 2) moves the vertical lines to x = 3, 11 and keeps gaps in bk colour when opaque
  TTestCanvas c(16, 4);
  TPenBrush pb(c.dc, CreatePen(PS_NULL, 1, 0), CreateHatchBrush(HS_VERTICAL, 0));
  SetBkColor(c.dc, kRed);
  SetBrushOrgEx(c.dc, 3, 2, nullptr);
  Rectangle(c.dc, 0, 0, 17, 5);
  EXPECT_EQ(c.RowText(1, 0, 16), "???#???????#????");
}

TEST(PixelRules, PatternBrushesTileFromTheOriginAndMonoPatternsUseTextAndBkColours) {
  // a 2x2 colour pattern: red, green / blue, black
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biHeight = -2;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP pattern = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const COLORREF colours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 0, 0)};
  for (int i = 0; i < 4; ++i) {
    auto* p = static_cast<std::uint8_t*>(bits) + 4 * i;
    p[0] = GetBValue(colours[i]);
    p[1] = GetGValue(colours[i]);
    p[2] = GetRValue(colours[i]);
  }
  TTestCanvas c(6, 4);
  HBRUSH brush = CreatePatternBrush(pattern);
  DeleteObject(pattern); // the brush keeps its own copy
  SetBrushOrgEx(c.dc, 1, 0, nullptr);
  RECT all{0, 0, 6, 4};
  FillRect(c.dc, &all, brush);
  DeleteObject(brush);
  EXPECT_EQ(c.At(1, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(c.At(2, 1), RGB(0, 0, 0));
  EXPECT_EQ(c.At(1, 1), RGB(0, 0, 255));
  EXPECT_EQ(c.At(3, 3), RGB(0, 0, 255));

  const std::uint8_t monoBits[] = {0x80, 0, 0x00, 0}; // 1 0 / 0 0
  HBITMAP mono = CreateBitmap(2, 2, 1, 1, monoBits);
  HBRUSH monoBrush = CreatePatternBrush(mono);
  DeleteObject(mono);
  TTestCanvas m(2, 2);
  SetTextColor(m.dc, RGB(1, 2, 3));
  SetBkColor(m.dc, RGB(9, 8, 7));
  RECT two{0, 0, 2, 2};
  FillRect(m.dc, &two, monoBrush);
  DeleteObject(monoBrush);
  EXPECT_EQ(m.At(0, 0), RGB(9, 8, 7)); // 1 bit: background colour
  EXPECT_EQ(m.At(1, 0), RGB(1, 2, 3)); // 0 bit: text colour
}

TEST(PixelRules, WideGeometricPenIsCentredOnTheLine) {
  TTestCanvas c(20, 20);
  LOGBRUSH lb{BS_SOLID, 0, 0};
  TSelected pen(c.dc, ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_BEVEL, 5, &lb,
                                   0, nullptr));
  MoveToEx(c.dc, 4, 10, nullptr);
  LineTo(c.dc, 16, 10);
  for (int y = 7; y <= 13; ++y)
    EXPECT_EQ(c.At(10, y), (y >= 8 && y <= 12) ? 0u : 0xFFFFFFu) << "y " << y;
  EXPECT_EQ(c.At(3, 10), 0xFFFFFFu); // flat cap: nothing before the start
  EXPECT_EQ(c.At(4, 10), 0u);
}

TEST(PixelRules, InsideFramePenStaysInsideTheBox) {
  TTestCanvas c(20, 20);
  TPenBrush pb(c.dc, CreatePen(PS_INSIDEFRAME, 4, 0), CreateSolidBrush(kRed));
  Rectangle(c.dc, 2, 2, 18, 18);
  EXPECT_EQ(c.RowText(1, 0, 20), "....................");
  EXPECT_EQ(c.RowText(2, 1, 19), ".################.");
  EXPECT_EQ(c.RowText(5, 1, 19), ".################.");
  EXPECT_EQ(c.RowText(6, 1, 19), ".####????????####.");
  EXPECT_EQ(c.RowText(13, 1, 19), ".####????????####.");
  EXPECT_EQ(c.RowText(17, 1, 19), ".################.");
  EXPECT_EQ(c.At(6, 6), kRed);
  EXPECT_EQ(c.RowText(18, 0, 20), "....................");
}

TEST(PixelRules, HugeCoordinatesAreClippedWithoutWalkingThem) {
  TTestCanvas c(20, 20);
  TPenBrush pb(c.dc, CreatePen(PS_DOT, 1, 0), CreateSolidBrush(RGB(255, 0, 0)));
  SetBkMode(c.dc, TRANSPARENT);
  Ellipse(c.dc, -2000000000, -2000000000, 2000000000, 2000000000);
  EXPECT_EQ(c.At(10, 10), RGB(255, 0, 0));
  Rectangle(c.dc, -2147483647, 5, 2147483647, 8);
  EXPECT_EQ(c.At(10, 6), RGB(255, 0, 0));
  // a dotted line from far away keeps its phase: 3 on, 3 off from its start
  MoveToEx(c.dc, -100000002, 15, nullptr);
  LineTo(c.dc, 20, 15);
  EXPECT_EQ(c.RowText(15, 0, 6, 0, RGB(255, 0, 0)), "###...");
  POINT far[] = {{-2000000000, -2000000000}, {2000000000, 2000000000}, {-2000000000, 2000000000}};
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  Polygon(c.dc, far, 3);
}

// A convex polygon filled and outlined with a one-pixel pen: along every row
// and every column its pixels run without a gap of paper between fill and
// outline, and the run begins and ends on the outline (the fill never lies
// outside it). Slanted edges in every direction, steep and shallow, drawn by
// Polygon, PolyPolygon, a filled and stroked path, and a path's region filled
// before the outline is drawn over it.
TEST(PixelRules, FillMeetsTheOnePixelOutlineOfSlantedEdges) {
  struct TShape {
    const char* name;
    std::vector<POINT> points;
  };
  const TShape shapes[] = {
      {"falling hypotenuse", {{2, 2}, {26, 2}, {2, 26}}},
      {"rising hypotenuse", {{26, 2}, {26, 26}, {2, 26}}},
      {"steep wedge", {{14, 1}, {18, 28}, {6, 28}}},
      {"shallow wedge", {{1, 14}, {28, 18}, {28, 6}}},
      {"diamond", {{15, 1}, {28, 14}, {15, 28}, {2, 15}}},
      {"octagon", {{10, 2}, {20, 3}, {27, 10}, {26, 20}, {19, 27}, {9, 26}, {3, 19}, {4, 9}}},
  };
  enum TWay { kPolygon, kPolyPolygon, kStrokeAndFillPath, kPathRegion };
  const COLORREF brushColour = RGB(255, 0, 0), paper = 0xFFFFFF;
  for (const TShape& shape : shapes)
    for (TWay way : {kPolygon, kPolyPolygon, kStrokeAndFillPath, kPathRegion}) {
      SCOPED_TRACE(std::string(shape.name) + ", way " + IntToStr(int(way)));
      TTestCanvas c(30, 30);
      TPenBrush pb(c.dc, CreatePen(PS_SOLID, 1, 0), CreateSolidBrush(brushColour));
      const int n = int(shape.points.size());
      switch (way) {
      case kPolygon:
        Polygon(c.dc, shape.points.data(), n);
        break;
      case kPolyPolygon:
        PolyPolygon(c.dc, shape.points.data(), &n, 1);
        break;
      case kStrokeAndFillPath:
        BeginPath(c.dc);
        Polygon(c.dc, shape.points.data(), n);
        EndPath(c.dc);
        StrokeAndFillPath(c.dc);
        break;
      case kPathRegion: {
        BeginPath(c.dc);
        Polygon(c.dc, shape.points.data(), n);
        EndPath(c.dc);
        HRGN region = PathToRegion(c.dc);
        HBRUSH brush = CreateSolidBrush(brushColour);
        FillRgn(c.dc, region, brush);
        DeleteObject(brush);
        DeleteObject(region);
        HGDIOBJ old = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
        Polygon(c.dc, shape.points.data(), n);
        SelectObject(c.dc, old);
        break;
      }
      }
      EXPECT_GT(c.Count(brushColour), 20);
      // rows (k = 0) and columns (k = 1)
      for (int k = 0; k < 2; ++k)
        for (int line = 0; line < 30; ++line) {
          auto at = [&](int i) { return k == 0 ? c.At(i, line) : c.At(line, i); };
          int first = -1, last = -1;
          for (int i = 0; i < 30; ++i)
            if (at(i) != paper) {
              if (first < 0) first = i;
              last = i;
            }
          if (first < 0) continue;
          EXPECT_EQ(at(first), 0u) << (k == 0 ? "row " : "column ") << line << " at " << first;
          EXPECT_EQ(at(last), 0u) << (k == 0 ? "row " : "column ") << line << " at " << last;
          for (int i = first; i <= last; ++i)
            EXPECT_NE(at(i), paper) << (k == 0 ? "row " : "column ") << line << " at " << i;
        }
    }
}

// The fill of a falling edge, pixel by pixel: the fill reaches the pixel
// just left of the outline on every row.
TEST(PixelRules, PolygonFillReachesItsSlantedOutline) {
  TTestCanvas c(12, 12);
  TPenBrush pb(c.dc, CreatePen(PS_SOLID, 1, 0), CreateSolidBrush(kRed));
  POINT pts[] = {{1, 1}, {9, 1}, {1, 9}};
  Polygon(c.dc, pts, 3);
  const char* rows[] = {"..........", ".#########", ".#??????#.", ".#?????#..", ".#????#...",
                        ".#???#....", ".#??#.....", ".#?#......", ".##.......", ".#........",
                        ".........."};
  for (int y = 0; y < 11; ++y)
    EXPECT_EQ(c.RowText(y, 0, 10), rows[y]) << "row " << y;
}

TEST(PixelRules, PixelsOutsideTheSurfaceOrClipAreInvalid) {
  TTestCanvas c(8, 8);
  EXPECT_EQ(GetPixel(c.dc, 8, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc, -1, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(c.dc, 2, 2, kRed), kRed);
  EXPECT_EQ(GetPixel(c.dc, 2, 2), kRed);
}

} // namespace

namespace {

// Fills and lines write the three colour bytes of a 32-bit pixel; the fourth
// is the owner's and stays, also where whole rows are written at once.
TEST(PixelRules, TheFourthByteOfAnOwnersPixelsStays) {
  constexpr int kW = 40, kH = 20;
  std::vector<std::uint8_t> bits(std::size_t(kW * kH * 4), 0x5A);
  TBufferSurface surface(bits.data(), kW, kH, kW * 4, 32);
  HDC dc = CreateSurfaceDC(&surface);
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  RECT r(1, 1, 39, 19);
  FillRect(dc, &r, brush);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(200, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
  Rectangle(dc, 3, 3, 30, 15);
  POINT line[] = {POINT(0, 0), POINT(39, 19), POINT(0, 19)};
  Polyline(dc, line, 3);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  int changed = 0;
  for (int i = 0; i < kW * kH; ++i) {
    EXPECT_EQ(bits[std::size_t(i * 4 + 3)], 0x5A) << "pixel " << i;
    changed += bits[std::size_t(i * 4)] != 0x5A;
  }
  EXPECT_GT(changed, 600);
  EXPECT_EQ(bits[std::size_t((2 * kW + 2) * 4)], 30); // blue byte of the fill
  DeleteDC(dc);
  DeleteObject(pen);
  DeleteObject(brush);
}

} // namespace
