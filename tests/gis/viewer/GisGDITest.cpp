// The drawing context: cached GDI objects, raster operations, text layout,
// halo, presets, the mappings to GDI and the selection regions. Checked on
// off-screen bitmaps by probing pixels and counting GDI objects.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gis/viewer/GisGDI.h"
#include "tests/gis/viewer/GdiTarget.h"
#include "platform/rtl/Exceptions.h"

namespace {

struct TCounts {
  long pens, extPens, brushes, fonts, live;
};

TCounts Counts() {
  return {GdiObjectCount(OBJ_PEN).Created, GdiObjectCount(OBJ_EXTPEN).Created,
          GdiObjectCount(OBJ_BRUSH).Created, GdiObjectCount(OBJ_FONT).Created,
          GdiLiveObjectCount()};
}

long PensCreated() {
  return Counts().pens + Counts().extPens;
}


} // namespace

// ---- cached objects ----------------------------------------------------------------

TEST(GisGDIObjects, PenIsCreatedOnlyWhenAnAttributeChanges) {
  TTarget t(20, 20);
  TGIS_Pen* pen = t.gdi->Pen();
  pen->SetColor(clRed);
  long before = PensCreated();
  pen->Select(t.gdi->GetHandle());
  HPEN first = pen->Handle();
  pen->Select(t.gdi->GetHandle()); // two selects: one pen
  pen->SetColor(clRed);            // same colour: no change
  pen->SetWidth(1);
  pen->SetStyle(GIS_PEN_SOLID);
  pen->Select(t.gdi->GetHandle());
  EXPECT_EQ(PensCreated() - before, 1);
  EXPECT_EQ(pen->Handle(), first);
  EXPECT_FALSE(pen->IsChanged());

  pen->SetColor(clBlue);
  EXPECT_TRUE(pen->IsChanged());
  pen->Select(t.gdi->GetHandle());
  EXPECT_EQ(PensCreated() - before, 2);
  // the replaced pen is gone, the new one is the DC's
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_EQ(GetCurrentObject(t.gdi->GetHandle(), OBJ_PEN), pen->Handle());

  // the mode alone needs no new pen: it is a raster operation of the DC
  pen->SetMode(GIS_PENMODE_XOR);
  pen->Select(t.gdi->GetHandle());
  EXPECT_EQ(PensCreated() - before, 2);
  EXPECT_EQ(GetROP2(t.gdi->GetHandle()), R2_XORPEN);
}

TEST(GisGDIObjects, ExtendedPensAreCosmeticAtWidthOneAndGeometricAbove) {
  struct TRow {
    int width;
    DWORD type;
  } rows[] = {{1, PS_COSMETIC}, {2, PS_GEOMETRIC}, {7, PS_GEOMETRIC}};
  for (const TRow& row : rows) {
    TTarget t(10, 10);
    t.gdi->Pen()->SetWidth(row.width);
    t.gdi->Pen()->SelectExtended(t.gdi->GetHandle());
    HPEN h = t.gdi->Pen()->Handle();
    ASSERT_EQ(GetObjectType(h), DWORD(OBJ_EXTPEN)) << row.width;
    EXTLOGPEN elp;
    ASSERT_NE(GetObject(h, sizeof(elp), &elp), 0);
    EXPECT_EQ(elp.elpPenStyle & PS_TYPE_MASK, row.type) << row.width;
    EXPECT_EQ(elp.elpPenStyle & PS_ENDCAP_MASK, DWORD(PS_ENDCAP_FLAT));
    EXPECT_EQ(elp.elpPenStyle & PS_JOIN_MASK, DWORD(PS_JOIN_BEVEL));
    EXPECT_TRUE(t.gdi->Pen()->IsExtended());
  }
}

TEST(GisGDIObjects, SwitchingBetweenSimpleAndExtendedPenRecreatesIt) {
  TTarget t(40, 40);
  t.gdi->Pen()->SetColor(clBlue);
  TPoint pts[] = {{2, 2}, {30, 2}, {30, 30}};
  t.gdi->Polygon(pts, 3);
  long before = PensCreated();
  for (int i = 0; i < 3; ++i) {
    t.gdi->Polyline(pts, 3);
    EXPECT_EQ(GetObjectType(t.gdi->Pen()->Handle()), DWORD(OBJ_EXTPEN));
    t.gdi->Polygon(pts, 3);
    EXPECT_EQ(GetObjectType(t.gdi->Pen()->Handle()), DWORD(OBJ_PEN));
  }
  EXPECT_EQ(PensCreated() - before, 6);
  // a run of the same kind reuses it
  t.gdi->Polygon(pts, 3);
  t.gdi->Rectangle(1, 1, 5, 5);
  t.gdi->Ellipse(1, 1, 5, 5);
  EXPECT_EQ(PensCreated() - before, 6);
}

TEST(GisGDIObjects, BrushAndFontAreReusedUntilTheyChange) {
  TTarget t(30, 30);
  long brushes = Counts().brushes, fonts = Counts().fonts;
  t.gdi->Brush()->SetColor(clGreen);
  t.gdi->FillRect(TRect(0, 0, 5, 5));
  t.gdi->Brush()->SetColor(clGreen);
  t.gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
  t.gdi->FillRect(TRect(5, 5, 10, 10));
  EXPECT_EQ(Counts().brushes - brushes, 1);
  t.gdi->Brush()->SetStyle(4);
  t.gdi->FillRect(TRect(5, 5, 10, 10));
  EXPECT_EQ(Counts().brushes - brushes, 2);

  t.gdi->TextWidth("abc");
  t.gdi->TextHeight("abc");
  t.gdi->Font()->SetName("MS Sans Serif");
  t.gdi->Font()->SetSize(t.gdi->Font()->GetSize());
  t.gdi->Font()->SetColor(clRed); // the colour goes to the DC, not the font
  t.gdi->TextOut(0, 0, "x");
  EXPECT_EQ(Counts().fonts - fonts, 1);
  t.gdi->Font()->SetSize(12);
  t.gdi->TextOut(0, 0, "x");
  EXPECT_EQ(Counts().fonts - fonts, 2);
}

TEST(GisGDIObjects, FreeingAContextReleasesEveryObjectItMade) {
  TBitmap bitmap(30, 30, pf24bit);
  bitmap.Canvas()->Handle();
  long live = GdiLiveObjectCount();
  {
    auto gdi = TGIS_GDI::CreateForBitmap(&bitmap);
    gdi->Pen()->SetWidth(3);
    TPoint pts[] = {{1, 1}, {20, 20}};
    gdi->Polyline(pts, 2);
    gdi->Rectangle(0, 0, 10, 10);
    gdi->TextOut(2, 2, "map");
    HRGN r = gdi->CreateRectRgn(0, 0, 5, 5);
    gdi->AddSelectionRegion(false, r, true);
    gdi->DeleteObject(r);
    EXPECT_GT(GdiLiveObjectCount(), live);
  }
  EXPECT_EQ(GdiLiveObjectCount(), live);
  // the canvas still draws with its own objects afterwards
  bitmap.Canvas()->Brush()->SetColor(clRed);
  bitmap.Canvas()->FillRect(TRect(0, 0, 4, 4));
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clRed);

  // the other constructors own and free what they made
  live = GdiLiveObjectCount();
  {
    auto owned = TGIS_GDI::Create();
    ASSERT_NE(owned->Bitmap(), nullptr);
    EXPECT_TRUE(owned->OwnsBitmap());
    owned->Bitmap()->SetSize(8, 8);
    owned->Rectangle(0, 0, 8, 8);
    auto overDc = TGIS_GDI::CreateForDC(bitmap.Canvas()->Handle());
    EXPECT_TRUE(overDc->OwnsCanvas());
    overDc->Rectangle(0, 0, 8, 8);
  }
  EXPECT_EQ(GdiLiveObjectCount(), live);
}

// ---- raster operations ---------------------------------------------------------------

TEST(GisGDIRasterOps, EveryPenModeFollowsItsTruthTable) {
  const COLORREF dst = 0x5A3CC3, pen = 0x0FF0A5;
  const COLORREF P = pen, D = dst, M = 0xFFFFFF;
  const COLORREF expected[16] = {0,
                                 M,
                                 D,
                                 ~D & M,
                                 P,
                                 ~P & M,
                                 (P | ~D) & M,
                                 P & ~D & M,
                                 (~P | D) & M,
                                 ~P & D & M,
                                 P | D,
                                 ~(P | D) & M,
                                 P & D,
                                 ~(P & D) & M,
                                 P ^ D,
                                 ~(P ^ D) & M};
  for (int mode = 0; mode < 16; ++mode) {
    TTarget t(10, 10, dst);
    t.gdi->Pen()->SetColor(TColor(pen));
    t.gdi->Pen()->SetMode(mode);
    TPoint line[] = {{1, 5}, {9, 5}};
    t.gdi->Polyline(line, 2);
    EXPECT_EQ(t.Pixel(4, 5), expected[mode]) << "mode " << mode;
    EXPECT_EQ(t.Pixel(4, 4), dst) << "mode " << mode;
  }
}

TEST(GisGDIRasterOps, XorRectangleTwiceRestoresTheBufferExactly) {
  TTarget t(60, 40);
  for (int y = 0; y < 40; ++y) {
    std::uint8_t* row = t.bitmap->ScanLine(y);
    for (int x = 0; x < 60; ++x) {
      row[x * 4] = std::uint8_t(x * 4);
      row[x * 4 + 1] = std::uint8_t(y * 6);
      row[x * 4 + 2] = std::uint8_t(x * y);
    }
  }
  std::vector<std::uint8_t> original = t.Snapshot();
  t.gdi->PrepareRubberBand();
  t.gdi->SetRubberBandColor(0x35C7A1);
  t.gdi->Pen()->SetMode(GIS_PENMODE_COPY);
  t.gdi->XorRectangle(TRect(5, 4, 50, 33));
  EXPECT_NE(t.Snapshot(), original);
  EXPECT_EQ(t.gdi->Pen()->GetMode(), GIS_PENMODE_COPY);
  // the interior is untouched (black brush under XOR)
  EXPECT_EQ(t.Pixel(20, 20), RGB(20 * 20 & 0xFF, 20 * 6, 20 * 4));
  t.gdi->XorRectangle(TRect(5, 4, 50, 33));
  EXPECT_EQ(t.Snapshot(), original);

  t.gdi->XorLine(2, 2, 55, 37);
  EXPECT_NE(t.Snapshot(), original);
  t.gdi->XorLine(2, 2, 55, 37);
  EXPECT_EQ(t.Snapshot(), original);

  t.gdi->InvertRectangle(TRect(10, 10, 20, 20));
  t.gdi->InvertRectangle(TRect(10, 10, 20, 20));
  EXPECT_EQ(t.Snapshot(), original);
  EXPECT_EQ(t.gdi->Pen()->GetMode(), GIS_PENMODE_COPY);
}

// ---- areas ------------------------------------------------------------------------

TEST(GisGDIAreas, FillRectLeavesTheGapsOfAHatchAndFillsASolidBrush) {
  TTarget t(32, 32, 0x00FF00);
  t.gdi->Brush()->SetColor(clRed);
  t.gdi->Brush()->SetStyle(GIS_BRUSH_HATCH_FIRST + int(HS_HORIZONTAL));
  int oldMode = t.gdi->SetBkMode(OPAQUE);
  t.gdi->FillRect(TRect(0, 0, 32, 32));
  EXPECT_GT(t.CountColor(0x0000FF), 0);
  EXPECT_GT(t.CountColor(0x00FF00), 0); // gaps keep the background
  EXPECT_EQ(t.CountColor(0x0000FF) + t.CountColor(0x00FF00), 32 * 32);
  // the context's background mode is back
  EXPECT_EQ(t.gdi->SetBkMode(oldMode), OPAQUE);

  t.gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
  t.gdi->FillRect(TRect(4, 4, 8, 8));
  for (int y = 4; y < 8; ++y)
    for (int x = 4; x < 8; ++x)
      EXPECT_EQ(t.Pixel(x, y), 0x0000FFu);

  t.gdi->Brush()->SetStyle(GIS_BRUSH_CLEAR);
  t.Fill(0xFFFFFF);
  t.gdi->FillRect(TRect(0, 0, 32, 32));
  EXPECT_EQ(t.CountColor(0xFFFFFF), 32 * 32);
}

TEST(GisGDIAreas, RectangleOutlineAndPolyPolylineUseTheSimplePen) {
  TTarget t(40, 40);
  t.gdi->Pen()->SetColor(clBlue);
  t.gdi->RectangleOutline(5, 5, 20, 15);
  EXPECT_EQ(t.InkBox(0xFF0000), TRect(5, 5, 21, 16));
  EXPECT_EQ(t.Pixel(10, 10), 0xFFFFFFu);
  EXPECT_EQ(GetObjectType(t.gdi->Pen()->Handle()), DWORD(OBJ_PEN));

  // a dashed pen's gaps show the brush colour
  t.Fill(0xFFFFFF);
  t.gdi->Pen()->SetStyle(GIS_PEN_DASH);
  t.gdi->Brush()->SetColor(clYellow);
  TPoint pts[] = {{0, 30}, {39, 30}, {0, 35}, {39, 35}};
  DWORD counts[] = {2, 2};
  t.gdi->PolyPolyline(pts, counts, 2);
  EXPECT_GT(t.CountColor(0xFF0000), 0);
  EXPECT_GT(t.CountColor(0x00FFFF), 0);
  EXPECT_EQ(t.CountColor(0xFF0000) + t.CountColor(0x00FFFF), 2 * 39);
}

TEST(GisGDIAreas, PartsDrawFromTheirFirstIndex) {
  TTarget t(40, 40);
  t.gdi->Pen()->SetColor(clRed);
  t.gdi->Pen()->SetWidth(1);
  TPoint pts[] = {{0, 0}, {39, 39}, {5, 10}, {30, 10}, {30, 30}};
  t.gdi->PolylinePart(pts, 2, 2);
  EXPECT_EQ(t.InkBox(0x0000FF), TRect(5, 10, 30, 11));
  t.Fill(0xFFFFFF);
  t.gdi->Brush()->SetColor(clLime);
  t.gdi->PolygonPart(pts, 3, 2);
  EXPECT_GT(t.CountColor(0x00FF00), 0);
  EXPECT_EQ(t.Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(GetObjectType(t.gdi->Pen()->Handle()), DWORD(OBJ_EXTPEN));
  t.Fill(0xFFFFFF);
  t.gdi->PolygonArray(pts + 2, 2);
  EXPECT_GT(t.CountColor(0x00FF00), 0);
  EXPECT_EQ(GetObjectType(t.gdi->Pen()->Handle()), DWORD(OBJ_PEN));
}

// ---- mappings -------------------------------------------------------------------------

TEST(GisGDIMappings, PenModesMapToTheirRop2Codes) {
  const int rop2[16] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(GisPenModeToRop2(i), rop2[i]) << i;
  EXPECT_EQ(GisPenModeToRop2(16), R2_COPYPEN);
  EXPECT_EQ(GisPenModeToRop2(-1), R2_COPYPEN);
}

TEST(GisGDIMappings, BrushStylesReadBackAndReachGdi) {
  struct TRow {
    int style;
    UINT lbStyle;
    std::uintptr_t hatch;
  } rows[] = {{0, BS_SOLID, 0},   {1, BS_NULL, 0},    {2, BS_HATCHED, 0},
              {4, BS_HATCHED, 2}, {7, BS_HATCHED, 5}, {8, BS_SOLID, 0}};
  for (const TRow& row : rows) {
    TTarget t(4, 4);
    t.gdi->Brush()->SetStyle(row.style);
    EXPECT_EQ(t.gdi->Brush()->GetStyle(), row.style == 8 ? 0 : row.style) << row.style;
    t.gdi->Brush()->Select(t.gdi->GetHandle());
    LOGBRUSH lb;
    ASSERT_NE(GetObject(t.gdi->Brush()->Handle(), sizeof(lb), &lb), 0);
    EXPECT_EQ(lb.lbStyle, row.lbStyle) << row.style;
    if (row.lbStyle == BS_HATCHED) {
      EXPECT_EQ(lb.lbHatch, row.hatch) << row.style;
    }
  }
  // a pattern brush reports kind 3, and the same bitmap changes nothing
  TTarget t(8, 8);
  TBitmap pattern(8, 8, pf24bit);
  t.gdi->PrepareBrush(clRed, &pattern, GIS_BRUSH_SOLID);
  EXPECT_EQ(t.gdi->Brush()->GetStyle(), GIS_BRUSHKIND_PATTERN);
  EXPECT_EQ(pattern.HandleType(), bmDDB);
  t.gdi->Brush()->Select(t.gdi->GetHandle());
  EXPECT_FALSE(t.gdi->Brush()->IsChanged());
  t.gdi->Brush()->SetPattern(&pattern);
  EXPECT_FALSE(t.gdi->Brush()->IsChanged());
}

TEST(GisGDIMappings, FontsBecomeLogFonts) {
  TTarget t(4, 4);
  TGIS_Font* font = t.gdi->Font();
  // defaults: MS Sans Serif, bold, 8 points at the canvas's resolution
  EXPECT_EQ(font->Name(), "MS Sans Serif");
  EXPECT_EQ(font->GetSize(), 8);
  EXPECT_EQ(font->Height(), -11);
  EXPECT_EQ(font->Style(), GIS_FONT_BOLD);

  font->SetName(""); // ignored
  EXPECT_EQ(font->Name(), "MS Sans Serif");
  font->SetName("default");
  font->SetStyle(GIS_FONT_ITALIC | GIS_FONT_UNDERLINE);
  font->SetAngle(450);
  font->SetPitch(1);
  font->Select(t.gdi->GetHandle());
  LOGFONT lf;
  ASSERT_NE(GetObject(font->Handle(), sizeof(lf), &lf), 0);
  EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfStrikeOut, 0);
  EXPECT_EQ(lf.lfEscapement, 450);
  EXPECT_EQ(lf.lfOrientation, 450);
  EXPECT_EQ(lf.lfOutPrecision, OUT_TT_ONLY_PRECIS);
  EXPECT_EQ(lf.lfPitchAndFamily, VARIABLE_PITCH);
  EXPECT_EQ(lf.lfQuality, NONANTIALIASED_QUALITY);

  font->SetAngle(0);
  font->SetPitch(2);
  font->SetStyle(GIS_FONT_BOLD | GIS_FONT_STRIKEOUT);
  EXPECT_EQ(font->MakeLogFont().lfOutPrecision, OUT_DEFAULT_PRECIS);
  EXPECT_EQ(font->MakeLogFont().lfPitchAndFamily, FIXED_PITCH);
  EXPECT_EQ(font->MakeLogFont().lfWeight, FW_BOLD);
  EXPECT_EQ(font->MakeLogFont().lfStrikeOut, 1);

  // sizes: points <-> pixels; a new resolution keeps the point size
  struct TRow {
    int points, ppi, height;
  } rows[] = {{8, 96, -11}, {10, 96, -13}, {10, 192, -27}, {12, 300, -50}, {9, 72, -9}};
  for (const TRow& row : rows) {
    TGIS_Font f(96);
    f.SetSize(row.points);
    f.SetPixelsPerInch(row.ppi);
    EXPECT_EQ(f.Height(), row.height) << row.points << " pt at " << row.ppi;
    EXPECT_EQ(f.GetSize(), row.points) << row.points << " pt at " << row.ppi;
  }
}

TEST(GisGDIMappings, AssignFontAndGetFontCarryEveryAttribute) {
  TFont source;
  source.SetName("Arial");
  source.SetSize(14);
  source.SetColor(clBlack);
  source.SetStyle(fsItalic | fsStrikeOut);
  source.SetPitch(fpFixed);
  source.SetCharset(238);
  LOGFONT lf = source.MakeLogFont();
  lf.lfEscapement = 900;
  source.SetHandle(CreateFontIndirect(&lf));

  TGIS_Font font(96);
  font.AssignFont(&source);
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.GetSize(), 14);
  EXPECT_EQ(font.Color(), TColor(0x010101)); // black is never drawn
  EXPECT_EQ(font.Style(), GIS_FONT_ITALIC | GIS_FONT_STRIKEOUT);
  EXPECT_EQ(font.Pitch(), 2);
  EXPECT_EQ(font.Charset(), 238);
  EXPECT_EQ(font.Angle(), 900);

  font.SetPixelsPerInch(300);
  TFont* out = font.GetFont();
  EXPECT_EQ(out->Name(), "Arial");
  EXPECT_EQ(out->PixelsPerInch(), 300);
  EXPECT_EQ(out->Size(), 14);
  EXPECT_EQ(out->Height(), font.Height());
  EXPECT_EQ(out->Color(), TColor(0x010101));
  EXPECT_EQ(out->Style(), fsItalic | fsStrikeOut);
  EXPECT_EQ(out->Pitch(), fpFixed);
}

// ---- presets ---------------------------------------------------------------------------

TEST(GisGDIPresets, PresetsSetThePenAndBrushAndRefuseBlack) {
  TTarget t(4, 4);
  TGIS_GDI& g = *t.gdi;
  g.PrepareLinePen(clRed, GIS_PEN_DASH, false, 4, GIS_BRUSH_HATCH_FIRST + int(HS_CROSS), nullptr);
  EXPECT_EQ(g.Pen()->GetStyle(), GIS_PEN_DASH);
  EXPECT_EQ(g.Pen()->Width(), 4);
  EXPECT_EQ(g.Pen()->EndCap(), DWORD(PS_ENDCAP_ROUND));
  EXPECT_EQ(g.Pen()->Brush().lbStyle, UINT(BS_HATCHED));
  EXPECT_EQ(g.Pen()->Brush().lbHatch, std::uintptr_t(HS_CROSS));
  EXPECT_EQ(g.Pen()->Brush().lbColor, COLORREF(0x0000FF));
  EXPECT_EQ(g.Pen()->Color(), 0); // the line pen leaves the pen colour alone

  g.PrepareLinePen(clRed, GIS_PEN_SOLID, true, 0, GIS_BRUSH_HATCH_FIRST, nullptr);
  EXPECT_EQ(g.Pen()->Brush().lbStyle, UINT(BS_SOLID));
  EXPECT_EQ(g.Pen()->GetStyle(), GIS_PEN_CLEAR); // width 0: nothing to draw

  g.PrepareOutlinePen(clBlue, GIS_PEN_DOT, false, 2, GIS_BRUSH_CLEAR, nullptr);
  EXPECT_EQ(g.Pen()->Color(), clBlue);
  EXPECT_EQ(g.Pen()->EndCap(), DWORD(PS_ENDCAP_FLAT));
  EXPECT_EQ(g.Pen()->Brush().lbStyle, UINT(BS_NULL));

  g.PrepareSolidPen(clGreen, 3, false);
  EXPECT_EQ(g.Pen()->GetStyle(), GIS_PEN_CLEAR);
  EXPECT_EQ(g.Pen()->Brush().lbStyle, UINT(BS_SOLID));
  g.PrepareSolidPen(clGreen, 3, true);
  EXPECT_EQ(g.Pen()->GetStyle(), GIS_PEN_SOLID);

  g.PrepareSimplePen(5, GIS_PEN_DASHDOT);
  EXPECT_EQ(g.Pen()->Width(), 5);
  EXPECT_EQ(g.Pen()->GetStyle(), GIS_PEN_DASHDOT);

  g.PrepareBrush(clAqua, nullptr, 4);
  EXPECT_EQ(g.Brush()->GetStyle(), 4);
  EXPECT_EQ(g.Brush()->Color(), clAqua);

  g.PrepareRubberBand();
  EXPECT_EQ(g.Brush()->Color(), 0);
  EXPECT_EQ(g.Pen()->Width(), 1);
  EXPECT_EQ(g.Pen()->GetStyle(), GIS_PEN_DOT);

  EXPECT_THROW(g.PrepareLinePen(0, 0, false, 1, 0, nullptr), EAssertionFailed);
  EXPECT_THROW(g.PrepareOutlinePen(0, 0, false, 1, 0, nullptr), EAssertionFailed);
  EXPECT_THROW(g.PrepareSolidPen(0, 1, true), EAssertionFailed);
  EXPECT_THROW(g.PrepareBrush(0, nullptr, 0), EAssertionFailed);
}

TEST(GisGDIPresets, PatternBrushesAndPensTileTheirBitmap) {
  // a 2 x 2 checker of red and blue
  TBitmap pattern(2, 2, pf24bit);
  pattern.Canvas()->SetPixels(0, 0, clRed);
  pattern.Canvas()->SetPixels(1, 1, clRed);
  pattern.Canvas()->SetPixels(1, 0, clBlue);
  pattern.Canvas()->SetPixels(0, 1, clBlue);
  TTarget t(8, 8);
  t.gdi->PrepareBrush(clLime, &pattern, GIS_BRUSH_SOLID);
  t.gdi->FillRect(TRect(0, 0, 8, 8));
  EXPECT_EQ(t.CountColor(0x0000FF), 32);
  EXPECT_EQ(t.CountColor(0xFF0000), 32);
  EXPECT_NE(t.Pixel(3, 3), t.Pixel(4, 3));
  EXPECT_EQ(t.Pixel(3, 3), t.Pixel(4, 4));

  TTarget line(20, 20);
  line.gdi->PrepareLinePen(clLime, GIS_PEN_SOLID, false, 4, GIS_BRUSH_SOLID, &pattern);
  TPoint pts[] = {{0, 10}, {20, 10}};
  line.gdi->Polyline(pts, 2);
  EXPECT_GT(line.CountColor(0x0000FF), 0);
  EXPECT_GT(line.CountColor(0xFF0000), 0);
  EXPECT_EQ(line.CountColor(0x00FF00), 0);
}

TEST(GisGDIPresets, AHatchedLineOnePixelWideStillDrawsItsHatch) {
  TTarget t(40, 40);
  t.gdi->PrepareLinePen(clRed, GIS_PEN_SOLID, false, 1, GIS_BRUSH_HATCH_FIRST + int(HS_VERTICAL),
                        nullptr);
  TPoint line[] = {{0, 20}, {40, 20}};
  t.gdi->Polyline(line, 2);
  ASSERT_NE(t.gdi->Pen()->Handle(), nullptr);
  EXPECT_EQ(GetObjectType(t.gdi->Pen()->Handle()), DWORD(OBJ_EXTPEN));
  EXPECT_GT(t.CountColor(0x0000FF), 0);
  EXPECT_LT(t.CountColor(0x0000FF), 40); // hatched, not solid
}

// ---- text --------------------------------------------------------------------------------

namespace {
TRect Measure(TGIS_GDI& g, const std::string& text, TRect box, int alignment) {
  g.DrawTextBox(text, box, false, false, 0, alignment);
  return box;
}
} // namespace

TEST(GisGDIText, DrawTextBoxMeasuresLinesAsLaidOut) {
  TTarget t(400, 200);
  TGIS_GDI& g = *t.gdi;
  g.Font()->SetName("Arial");
  g.Font()->SetSize(12);
  const int h = g.TextHeight("Ag");
  const int ab = g.TextWidth("ab"), cd = g.TextWidth("cd"), whole = g.TextWidth("ab cd");
  const int word = std::max(ab, cd);
  ASSERT_GT(h, 0);
  ASSERT_GT(whole, word);
  const int abc = g.TextWidth("abc");

  struct TRow {
    const char* name;
    std::string text;
    int boxWidth;
    int alignment;
    int lines;
    int width;
  } rows[] = {
      {"two words, one word wide, wrapped", "ab cd", word + 1, 1, 2, word},
      {"two words, one word wide, one line", "ab cd", word + 1, 0, 1, whole},
      {"centred wraps too", "ab cd", word + 1, 2, 2, word},
      {"right wraps too", "ab cd", word + 1, 3, 2, word},
      {"single line never wraps", "ab cd", word + 1, 4, 1, whole},
      {"wide box", "ab cd", 1000, 1, 1, whole},
      {"CR LF ends a line", "ab\r\ncd", 1000, 1, 2, word},
      {"LF ends a line", "ab\ncd", 1000, 3, 2, word},
      {"CR ends a line", "ab\rcd", 1000, 2, 2, word},
      {"over-long word is cut", "abcabcab", abc, 1, 3, abc},
      {"narrower than a character", "abc", 1, 1, 3, g.TextWidth("b")},
      {"line break after a wrap is skipped", "ab cd\nab", word + 1, 1, 3, word},
      {"empty", "", 100, 1, 0, 0},
  };
  for (const TRow& row : rows) {
    TRect r = Measure(g, row.text, TRect(10, 20, 10 + row.boxWidth, 20 + h), row.alignment);
    EXPECT_EQ(r.Left, 10) << row.name;
    EXPECT_EQ(r.Top, 20) << row.name;
    EXPECT_EQ(r.Height(), row.lines * h) << row.name;
    if (std::string(row.name) == "narrower than a character") {
      EXPECT_GE(r.Width(), row.width) << row.name;
    } else {
      EXPECT_EQ(r.Width(), row.width) << row.name;
    }
  }
  // measuring leaves the context's modes as they were
  EXPECT_EQ(g.SetBkMode(OPAQUE), OPAQUE);
  EXPECT_EQ(g.SetGraphicsMode(GM_COMPATIBLE), GM_COMPATIBLE);
}

TEST(GisGDIText, DrawTextBoxPlacesLinesByAlignmentAndStopsAtTheBottom) {
  TTarget t(300, 120);
  TGIS_GDI& g = *t.gdi;
  g.Font()->SetName("Arial");
  g.Font()->SetSize(14);
  g.Font()->SetColor(clRed);
  const int h = g.TextHeight("Ag");
  const int w = g.TextWidth("MMM");

  struct TRow {
    int alignment;
    int expectedLeft; // of the line, in pixels, before the glyph's bearing
  } rows[] = {{1, 20}, {2, 20 + (200 - w) / 2}, {3, 220 - w}, {0, 20}, {4, 20}};
  for (const TRow& row : rows) {
    t.Fill(0xFFFFFF);
    TRect box(20, 10, 220, 10 + h);
    g.DrawTextBox("MMM", box, true, false, 0, row.alignment);
    TRect ink = t.InkBox(0x0000FF);
    ASSERT_FALSE(ink.IsEmpty()) << row.alignment;
    EXPECT_NEAR(ink.Left, row.expectedLeft, 3) << row.alignment;
    EXPECT_NEAR(ink.Right, row.expectedLeft + w, 3) << row.alignment;
    EXPECT_GE(ink.Top, 10);
    EXPECT_LE(ink.Bottom, 10 + h);
  }

  // two lines in a box one line high: the second is not drawn ...
  t.Fill(0xFFFFFF);
  TRect box(20, 10, 220, 10 + h);
  g.DrawTextBox("MMM\nMMM", box, true, false, 0, 1);
  EXPECT_LE(t.InkBox(0x0000FF).Bottom, 10 + h);
  // ... unless the alignment never stops (4 takes only the first line)
  t.Fill(0xFFFFFF);
  TRect flat(20, 10, 220, 10);
  g.DrawTextBox("MMM", flat, true, false, 0, 4);
  EXPECT_FALSE(t.InkBox(0x0000FF).IsEmpty());
  t.Fill(0xFFFFFF);
  g.DrawTextBox("MMM", flat, true, false, 0, 1);
  EXPECT_TRUE(t.InkBox(0x0000FF).IsEmpty());
  // a taller box shows both lines
  t.Fill(0xFFFFFF);
  TRect tall(20, 10, 220, 10 + 2 * h);
  g.DrawTextBox("MMM\nMMM", tall, true, false, 0, 1);
  EXPECT_GT(t.InkBox(0x0000FF).Bottom, 10 + h);
}

TEST(GisGDIText, DrawTextBoxTurnsTheFontByTheAngle) {
  TTarget t(50, 50);
  struct TRow {
    double angle;
    int tenths;
  } rows[] = {{0, 0}, {3.14159265358979 / 2, -900}, {-3.14159265358979 / 4, 450}, {0.1, -57}};
  for (const TRow& row : rows) {
    TRect box(0, 0, 50, 50);
    t.gdi->DrawTextBox("x", box, false, false, row.angle, 1);
    EXPECT_EQ(t.gdi->Font()->Angle(), row.tenths) << row.angle;
  }
}

TEST(GisGDIText, ATurnedLabelIsDrawnTurned) {
  TTarget flat(160, 160), turned(160, 160);
  for (TTarget* t : {&flat, &turned}) {
    t->gdi->Font()->SetName("Arial");
    t->gdi->Font()->SetSize(14);
    t->gdi->Font()->SetColor(clRed);
  }
  TRect box(80, 80, 160, 160);
  flat.gdi->DrawTextBox("MMMM", box, true, false, 0, 4);
  TRect same(80, 80, 160, 160);
  turned.gdi->DrawTextBox("MMMM", same, true, false, 3.14159265358979 / 2, 4);
  TRect a = flat.InkBox(0x0000FF), b = turned.InkBox(0x0000FF);
  ASSERT_FALSE(a.IsEmpty());
  ASSERT_FALSE(b.IsEmpty());
  EXPECT_GT(a.Width(), 2 * a.Height());
  // a quarter turn clockwise on screen: the line runs downwards
  EXPECT_GT(b.Height(), 2 * b.Width());
  EXPECT_NEAR(b.Height(), a.Width(), 3);
  EXPECT_GE(b.Top, 80 - 2);
}

TEST(GisGDIText, HaloGrowsWithTheResolution) {
  struct TRow {
    int ppi;
    bool trueType;
    int penWidth; // after the halo
    int reach;    // how far the halo reaches beyond the glyphs
  } rows[] = {{96, true, 3, 1}, {192, true, 6, 3}, {96, false, 1, 1}, {192, false, 1, 2}};
  for (const TRow& row : rows) {
    GdiSetTrueTypeReported(row.trueType);
    TTarget plain(200, 80), haloed(200, 80);
    for (TTarget* t : {&plain, &haloed}) {
      t->gdi->Font()->SetName("Arial");
      t->gdi->Font()->SetPixelsPerInch(row.ppi);
      t->gdi->Font()->SetSize(12);
      t->gdi->Font()->SetColor(clRed);
      t->gdi->Pen()->SetColor(clYellow);
    }
    TRect box(20, 10, 190, 70);
    plain.gdi->DrawTextBox("HH", box, true, false, 0, 1);
    haloed.gdi->DrawTextBox("HH", box, true, true, 0, 1);
    GdiSetTrueTypeReported(true);
    TRect text = plain.InkBox(0x0000FF);
    TRect halo = haloed.InkBox(0x00FFFF);
    ASSERT_FALSE(text.IsEmpty());
    ASSERT_FALSE(halo.IsEmpty()) << row.ppi;
    EXPECT_EQ(haloed.gdi->Pen()->Width(), row.penWidth) << row.ppi << row.trueType;
    EXPECT_NEAR(text.Left - halo.Left, row.reach, 1) << row.ppi << row.trueType;
    EXPECT_NEAR(halo.Right - text.Right, row.reach, 1) << row.ppi << row.trueType;
    // the text itself is drawn over the halo in its own colour
    EXPECT_EQ(haloed.InkBox(0x0000FF), text) << row.ppi << row.trueType;
  }
}

TEST(GisGDIText, MeasuringReportsZeroWithoutADeviceContext) {
  auto gdi = TGIS_GDI::CreateForBitmap(nullptr);
  EXPECT_EQ(gdi->TextWidth("abc"), 0);
  EXPECT_EQ(gdi->TextHeight("abc"), 0);
  EXPECT_THROW(gdi->Lock(), EAssertionFailed);
}

TEST(GisGDIText, TextInAnyEncodingIsMeasuredSafely) {
  TTarget t(200, 50);
  // Windows-1252 bytes, not UTF-8: every byte is one character
  std::string latin = "caf\xE9 na\xEFve";
  TRect box(0, 0, 200, 50);
  t.gdi->DrawTextBox(latin, box, false, false, 0, 1);
  EXPECT_GT(box.Width(), 0);
  TRect utf(0, 0, 200, 50);
  t.gdi->DrawTextBox("caf\xC3\xA9 na\xC3\xAFve", utf, false, false, 0, 1);
  EXPECT_EQ(box, utf);
}

// ---- regions ------------------------------------------------------------------------------

TEST(GisGDIRegions, SelectionRegionsCollectWhatShapesAdd) {
  TTarget t(50, 50);
  TGIS_GDI& g = *t.gdi;
  HRGN r = g.CreateRectRgn(0, 0, 10, 10);
  g.AddSelectionRegion(false, r, false); // no flag: nothing
  EXPECT_EQ(g.SelectionRegion(), nullptr);
  EXPECT_EQ(g.SelectionRegionSecondary(), nullptr);

  g.AddSelectionRegion(false, r, true);
  ASSERT_NE(g.SelectionRegion(), nullptr);
  EXPECT_EQ(g.GetRgnBox(g.SelectionRegion()), TRect(0, 0, 10, 10));
  HRGN r2 = g.CreateRectRgn(20, 20, 30, 25);
  g.AddSelectionRegion(true, r2, true);
  EXPECT_EQ(g.GetRgnBox(g.SelectionRegion()), TRect(0, 0, 30, 25));
  EXPECT_EQ(g.SelectionRegionSecondary(), nullptr);
  EXPECT_EQ(GetObjectType(r), DWORD(OBJ_REGION)); // the given region stays the caller's

  // without a region the current path is added, then freed
  long regions = GdiObjectCount(OBJ_REGION).Live();
  g.BeginPath();
  g.Rectangle(5, 30, 15, 40);
  g.EndPath();
  g.AddSelectionRegion(true, nullptr, false);
  ASSERT_NE(g.SelectionRegionSecondary(), nullptr);
  EXPECT_EQ(g.GetRgnBox(g.SelectionRegionSecondary()), TRect(5, 30, 15, 40));
  EXPECT_EQ(GdiObjectCount(OBJ_REGION).Live(), regions + 1);

  auto other = TGIS_GDI::CreateForBitmap(t.bitmap.get());
  g.CopySelectionRegionsTo(*other);
  EXPECT_NE(other->SelectionRegion(), g.SelectionRegion());
  EXPECT_EQ(other->GetRgnBox(other->SelectionRegion()), TRect(0, 0, 30, 25));
  other->FreeSelectionRegions();
  g.MoveSelectionRegionsTo(*other);
  EXPECT_EQ(g.SelectionRegion(), nullptr);
  EXPECT_EQ(other->GetRgnBox(other->SelectionRegionSecondary()), TRect(5, 30, 15, 40));
  other->FreeSelectionRegions();
  EXPECT_EQ(other->SelectionRegion(), nullptr);
  EXPECT_EQ(GdiObjectCount(OBJ_REGION).Live(), regions - 1);

  g.DeleteObject(r);
  EXPECT_EQ(r, nullptr);
  g.DeleteObject(r); // nothing for a cleared variable
  HRGN copy = r2;
  g.DeleteObject(r2);
  EXPECT_THROW(g.DeleteObject(copy), EAssertionFailed); // GDI refuses a dead handle
}

TEST(GisGDIRegions, ClippingAndTheClipBox) {
  TTarget t(50, 40);
  TGIS_GDI& g = *t.gdi;
  EXPECT_EQ(g.GetClipBox(), TRect(0, 0, 50, 40));
  g.IntersectClipRect(10, 10, 20, 20);
  EXPECT_EQ(g.GetClipBox(), TRect(10, 10, 20, 20));
  g.Brush()->SetColor(clRed);
  g.FillRect(TRect(0, 0, 50, 40));
  EXPECT_EQ(t.InkBox(0x0000FF), TRect(10, 10, 20, 20));
  g.SelectClipRgn(nullptr);
  EXPECT_EQ(g.GetClipBox(), TRect(0, 0, 50, 40));
}

// ---- pictures -----------------------------------------------------------------------------

TEST(GisGDIPictures, CopyRectAndGraphicsLandWhereAsked) {
  TTarget source(4, 4, 0x0000FF), target(20, 20);
  target.gdi->CopyRect(TRect(2, 2, 10, 10), source.gdi.get(), TRect(0, 0, 4, 4));
  EXPECT_EQ(target.InkBox(0x0000FF), TRect(2, 2, 10, 10));

  target.Fill(0xFFFFFF);
  target.gdi->DrawGraphic(5, 6, source.bitmap.get());
  EXPECT_EQ(target.InkBox(0x0000FF), TRect(5, 6, 9, 10));

  target.Fill(0xFFFFFF);
  target.gdi->StretchDrawGraphic(TRect(1, 1, 13, 9), source.bitmap.get());
  EXPECT_EQ(target.InkBox(0x0000FF), TRect(1, 1, 13, 9));

  // a bottom-up 24-bit DIB: its first memory row is the bottom line
  target.Fill(0xFFFFFF);
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biHeight = 2;
  info.bmiHeader.biBitCount = 24;
  std::uint8_t bits[16] = {0,   255, 0, 0,   255, 0, 0, 0,  // bottom: green
                           255, 0,   0, 255, 0,   0, 0, 0}; // top: blue
  EXPECT_EQ(target.gdi->StretchDIBits(0, 0, 4, 4, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY),
            2);
  EXPECT_EQ(target.InkBox(0xFF0000), TRect(0, 0, 4, 2));
  EXPECT_EQ(target.InkBox(0x00FF00), TRect(0, 2, 4, 4));
}
