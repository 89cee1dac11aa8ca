// Stroked and widened paths, pies, focus rectangles, what raster operations
// leave alone, and font handles adopted by TFont.
#include <cstring>
#include <memory>
#include <string>

#include "platform/rtl/Strings.h"
#include "GraphicsTestUtil.h"
#include "platform/graphics/Bitmap.h"

namespace {

int InkRows(const TTestCanvas& c, int x, COLORREF ink) {
  int n = 0;
  for (int y = 0; y < c.surface->Height(); ++y)
    n += c.At(x, y) == ink;
  return n;
}

TEST(Paths, StrokePathWidthFollowsThePen) {
  for (int width : {1, 3, 6}) {
    TTestCanvas c(40, 30);
    TSelected pen(c.dc, CreatePen(PS_SOLID, width, 0));
    BeginPath(c.dc);
    MoveToEx(c.dc, 5, 15, nullptr);
    LineTo(c.dc, 35, 15);
    EndPath(c.dc);
    EXPECT_TRUE(StrokePath(c.dc));
    EXPECT_EQ(InkRows(c, 20, 0), width) << "width " << width;
    EXPECT_FALSE(StrokePath(c.dc)); // the path is used up
  }
}

// Text put into a path and stroked with a wide pen (a label's halo) is drawn
// from strokes of single glyphs; it sets exactly the pixels of the whole path
// stroked at once: faces, sizes, weights, pens, texts whose glyphs' strokes
// overlap, text running off the surface, a clip, XOR, under which a pixel
// drawn twice would come back, and text turned by its escapement.
TEST(Paths, StrokedTextFromGlyphsSetsThePixelsOfTheWholePath) {
  struct TFontCase {
    const char* face;
    int height, weight;
  };
  const TFontCase fonts[] = {{"MS Sans Serif", -11, FW_BOLD},
                             {"Arial", -13, FW_NORMAL},
                             {"Times New Roman", -17, FW_BOLD},
                             {"Courier New", -24, FW_NORMAL},
                             {"Arial", -40, FW_BOLD}};
  struct TPenCase {
    bool extended;
    int width;
    DWORD caps;
  };
  // the halo's pens (3 pixels per 96 pixels per inch) and their neighbours;
  // two pixels and extended pens take the whole path
  const TPenCase pens[] = {
      {false, 3, 0}, {false, 4, 0},  {false, 5, 0}, {false, 6, 0},
      {false, 9, 0}, {false, 12, 0}, {false, 2, 0}, {true, 5, PS_ENDCAP_SQUARE | PS_JOIN_MITER}};
  const char* texts[] = {
      "P0", "P12345", "Halo text", "Wg@&%$#", "\xC3\x84\xC3\x96\xC3\x9C \xC3\x9F", "ij;:|,."};
  struct TPlace {
    int x, y, rop2;
    bool clipped;
    int escapement; // tenths of a degree
  };
  const TPlace places[] = {{3, 2, R2_COPYPEN, false, 0},    {-7, 9, R2_COPYPEN, false, 0},
                           {40, -5, R2_XORPEN, false, 0},   {11, 14, R2_XORPEN, true, 0},
                           {8, 56, R2_COPYPEN, false, 900}, {4, 40, R2_XORPEN, false, 300},
                           {60, 2, R2_COPYPEN, true, 3150}};
  auto draw = [&](bool fromGlyphs, const TFontCase& f, const TPenCase& pc, const char* text,
                  const TPlace& at) {
    auto c = std::make_unique<TTestCanvas>(120, 60);
    GdiSetTextStrokeFromGlyphs(fromGlyphs);
    LOGFONT lf;
    lf.lfHeight = f.height;
    lf.lfWeight = f.weight;
    lf.lfEscapement = lf.lfOrientation = at.escapement;
    std::strcpy(lf.lfFaceName, f.face);
    TSelected font(c->dc, CreateFontIndirect(&lf));
    LOGBRUSH lb{BS_SOLID, RGB(200, 30, 60), 0};
    HPEN pen = pc.extended ? ExtCreatePen(PS_GEOMETRIC | PS_SOLID | pc.caps, DWORD(pc.width), &lb,
                                          0, nullptr)
                           : CreatePen(PS_SOLID, pc.width, RGB(200, 30, 60));
    TSelected p(c->dc, pen);
    SetROP2(c->dc, at.rop2);
    SetBkMode(c->dc, TRANSPARENT);
    if (at.clipped) IntersectClipRect(c->dc, 15, 10, 90, 40);
    BeginPath(c->dc);
    TextOut(c->dc, at.x, at.y, text, int(std::strlen(text)));
    TextOut(c->dc, at.x + 5, at.y + 20, text, int(std::strlen(text))); // a second run
    EndPath(c->dc);
    EXPECT_TRUE(StrokePath(c->dc));
    GdiSetTextStrokeFromGlyphs(true);
    return c;
  };
  for (const TFontCase& f : fonts)
    for (const TPenCase& pc : pens)
      for (const char* text : texts)
        for (const TPlace& at : places) {
          SCOPED_TRACE(std::string(f.face) + " " + IntToStr(f.height) + ", pen " +
                       IntToStr(pc.width) + ", text " + text + ", at " +
                       IntToStr(at.x) + "," + IntToStr(at.y) + ", escapement " +
                       IntToStr(at.escapement));
          auto glyphs = draw(true, f, pc, text, at), whole = draw(false, f, pc, text, at);
          int ink = 0, differing = 0;
          for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x) {
              ink += whole->At(x, y) != 0xFFFFFF;
              differing += glyphs->At(x, y) != whole->At(x, y);
            }
          EXPECT_GT(ink, 0);
          EXPECT_EQ(differing, 0);
        }
}

TEST(Paths, WidenPathTurnsTheOutlineIntoAnArea) {
  TTestCanvas c(40, 30);
  for (int width : {1, 4}) {
    TSelected pen(c.dc, CreatePen(PS_SOLID, width, 0));
    BeginPath(c.dc);
    MoveToEx(c.dc, 5, 15, nullptr);
    LineTo(c.dc, 35, 15);
    EndPath(c.dc);
    ASSERT_TRUE(WidenPath(c.dc)) << "width " << width;
    HRGN r = PathToRegion(c.dc);
    RECT box;
    GetRgnBox(r, &box);
    EXPECT_EQ(box.Bottom - box.Top, width) << "width " << width;
    DeleteObject(r);
  }
  EXPECT_FALSE(WidenPath(c.dc)); // no path
}

TEST(Shapes, PieCoversTheSectorCounterClockwise) {
  TTestCanvas c(40, 40);
  TSelected brush(c.dc, CreateSolidBrush(RGB(255, 0, 0)));
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  // from the right (3 o'clock) counter-clockwise to the top (12 o'clock)
  Pie(c.dc, 0, 0, 40, 40, 40, 20, 20, 0);
  EXPECT_EQ(c.At(30, 10), RGB(255, 0, 0)); // upper right
  EXPECT_EQ(c.At(10, 10), 0xFFFFFFu);      // upper left
  EXPECT_EQ(c.At(30, 30), 0xFFFFFFu);      // lower right
  EXPECT_EQ(c.At(39, 0), 0xFFFFFFu);       // outside the ellipse
}

TEST(Shapes, RoundRectCutsItsCornersInsideTheBox) {
  TTestCanvas c(30, 30);
  TSelected brush(c.dc, CreateSolidBrush(RGB(255, 0, 0)));
  RoundRect(c.dc, 2, 2, 28, 22, 10, 10);
  EXPECT_EQ(c.At(2, 2), 0xFFFFFFu); // corner cut
  EXPECT_EQ(c.At(15, 2), 0u);       // top edge outline
  EXPECT_EQ(c.At(2, 12), 0u);       // left edge outline
  EXPECT_EQ(c.At(27, 12), 0u);      // right edge: box without its right column
  EXPECT_EQ(c.At(28, 12), 0xFFFFFFu);
  EXPECT_EQ(c.At(15, 21), 0u);
  EXPECT_EQ(c.At(15, 22), 0xFFFFFFu);
  EXPECT_EQ(c.At(15, 12), RGB(255, 0, 0));
  HRGN r = CreateRoundRectRgn(2, 2, 28, 22, 10, 10);
  RECT box;
  GetRgnBox(r, &box);
  EXPECT_EQ(box, RECT(2, 2, 28, 22));
  EXPECT_FALSE(PtInRegion(r, 2, 2));
  DeleteObject(r);
}

TEST(Shapes, TransformedShapesFillAndOutline) {
  TTestCanvas c(40, 40);
  TSelected brush(c.dc, CreateSolidBrush(RGB(255, 0, 0)));
  SetGraphicsMode(c.dc, GM_ADVANCED);
  XFORM scale;
  scale.eM11 = 2;
  scale.eM22 = 2;
  SetWorldTransform(c.dc, &scale);
  Rectangle(c.dc, 2, 2, 12, 12); // device (4,4)-(24,24)
  EXPECT_EQ(c.At(4, 10), 0u);
  EXPECT_EQ(c.At(3, 10), 0xFFFFFFu);
  EXPECT_EQ(c.At(23, 10), 0u);
  EXPECT_EQ(c.At(24, 10), 0xFFFFFFu);
  EXPECT_EQ(c.At(14, 14), RGB(255, 0, 0));
}

TEST(Shapes, FocusRectangleDrawnTwiceErasesItself) {
  TBitmap b(20, 20);
  b.Canvas()->Brush()->SetColor(clTeal);
  b.Canvas()->FillRect(TRect(0, 0, 20, 20));
  b.Canvas()->DrawFocusRect(TRect(2, 2, 18, 15));
  EXPECT_NE(b.Canvas()->Pixels(2, 2), clTeal);
  EXPECT_EQ(b.Canvas()->Pixels(3, 2), clTeal); // dotted: every other pixel
  b.Canvas()->DrawFocusRect(TRect(2, 2, 18, 15));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(b.Canvas()->Pixels(x, y), clTeal);
}

TEST(RasterOps, TextAndBlitsIgnoreTheBinaryOperation) {
  TTestCanvas src(8, 8, 0x00FF00), c(40, 20, 0x0000FF);
  SetROP2(c.dc, R2_NOP);
  BitBlt(c.dc, 0, 0, 8, 8, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(c.At(3, 3), 0x00FF00u);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, 0xFFFF00);
  TextOut(c.dc, 10, 0, "x", 1);
  EXPECT_EQ(c.At(10, 1), 0xFFFF00u);
  RECT r{30, 0, 34, 4};
  HBRUSH b = CreateSolidBrush(0);
  FillRect(c.dc, &r, b); // FillRect copies the brush
  DeleteObject(b);
  EXPECT_EQ(c.At(31, 1), 0u);
  InvertRect(c.dc, &r);
  EXPECT_EQ(c.At(31, 1), 0xFFFFFFu);
  PatBlt(c.dc, 30, 5, 4, 4, BLACKNESS);
  EXPECT_EQ(c.At(31, 6), 0u);
}

TEST(CanvasSharing, FreeingACanvasLeavesAnotherCanvasSelectionOnTheSharedDc) {
  TBitmap b(10, 10);
  HDC dc = b.Canvas()->Handle();
  {
    TCanvas first;
    first.SetHandle(dc);
    first.Pen()->SetColor(clRed);
    first.MoveTo(0, 0);
    first.LineTo(5, 0);
    TCanvas second;
    second.SetHandle(dc);
    second.Pen()->SetColor(clBlue);
    second.LineTo(5, 5); // second's pen is selected now
    first.SetHandle(nullptr);
    LOGPEN lp;
    GetObject(GetCurrentObject(dc, OBJ_PEN), sizeof lp, &lp);
    EXPECT_EQ(lp.lopnColor, COLORREF(clBlue));
    second.SetHandle(nullptr);
  }
  EXPECT_EQ(b.Canvas()->Pixels(2, 0), clRed);
}

TEST(FontHandles, EightBitTextIsReadInTheCodePageOfTheCharset) {
  TTestCanvas c(4, 4);
  LOGFONT lf;
  lf.lfHeight = -16;
  lf.lfCharSet = RUSSIAN_CHARSET;
  std::strcpy(lf.lfFaceName, "Arial");
  TSelected f(c.dc, CreateFontIndirect(&lf));
  int fit = 0;
  std::vector<int> cp1251(3), utf8(3);
  GetTextExtentExPoint(c.dc, "\xC4\xE0\xF8", 3, 1 << 30, &fit, cp1251.data(),
                       nullptr); // "Даш" in 1251
  EXPECT_EQ(fit, 3);
  GetTextExtentExPoint(c.dc, "\xD0\x94\xD0\xB0\xD1\x88", 6, 1 << 30, &fit, utf8.data(), nullptr);
  EXPECT_EQ(fit, 3);
  EXPECT_EQ(cp1251, utf8);
}

TEST(FontHandles, AdoptedLogFontKeepsEscapementUntilTheNextChange) {
  TFont font;
  LOGFONT lf;
  lf.lfHeight = -20;
  lf.lfEscapement = 450;
  lf.lfWeight = FW_BOLD;
  std::strcpy(lf.lfFaceName, "Arial");
  font.SetHandle(CreateFontIndirect(&lf));
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Height(), -20);
  EXPECT_EQ(font.Size(), 15);
  EXPECT_EQ(font.Style(), int(fsBold));
  LOGFONT back;
  GetObject(font.Handle(), sizeof back, &back);
  EXPECT_EQ(back.lfEscapement, 450);
  font.SetSize(10);
  GetObject(font.Handle(), sizeof back, &back);
  EXPECT_EQ(back.lfEscapement, 0);
  EXPECT_EQ(back.lfHeight, -13);
}

TEST(FontHandles, SizeAndHeightFollowThePixelsPerInch) {
  TFont font;
  EXPECT_EQ(font.Height(), -11);
  EXPECT_EQ(font.Size(), 8);
  font.SetPixelsPerInch(300);
  font.SetSize(18);
  EXPECT_EQ(font.Height(), -75);
  EXPECT_EQ(font.Size(), 18);
  font.SetName(""); // ignored
  EXPECT_EQ(font.Name(), "MS Sans Serif");
  font.SetName("default");
  LOGFONT lf = font.MakeLogFont();
  EXPECT_STREQ(lf.lfFaceName, "default"); // case kept; the face table maps it
}

} // namespace
