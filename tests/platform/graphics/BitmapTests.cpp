// TBitmap: rows, pixel formats, sizes, canvas, transparency, leaks.
#include "GraphicsTestUtil.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Dib.h"
#include "platform/graphics/QtBridge.h"

namespace {

TEST(Bitmap, ScanLineIsTopFirstInBlueGreenRedOrder) {
  for (TPixelFormat pf : {pf24bit, pf32bit}) {
    TBitmap b(5, 3, pf);
    b.Canvas()->SetPixels(1, 0, RGB(10, 20, 30));
    b.Canvas()->SetPixels(4, 2, RGB(40, 50, 60));
    int bytes = pf == pf24bit ? 3 : 4;
    const std::uint8_t* top = b.ScanLine(0);
    EXPECT_EQ(top[bytes + 0], 30);
    EXPECT_EQ(top[bytes + 1], 20);
    EXPECT_EQ(top[bytes + 2], 10);
    const std::uint8_t* bottom = b.ScanLine(2);
    EXPECT_EQ(bottom[4 * bytes + 2], 40);
    EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), pf == pf24bit ? 16 : 20); // 4-byte padding
    b.ScanLine(1)[0] = 0xFF; // blue written through the row shows on the canvas
    EXPECT_EQ(b.Canvas()->Pixels(0, 1) & 0xFF0000, 0xFF0000);
  }
}

TEST(Bitmap, ImagesFromTheToolkitCopyRowsIntoTheStore) {
  QImage image(3, 2, QImage::Format_ARGB32);
  image.fill(qRgb(1, 2, 3));
  image.setPixel(2, 1, qRgb(200, 100, 50));
  for (TPixelFormat pf : {pf24bit, pf32bit, pf8bit}) {
    TBitmap b(1, 1, pf);
    b.Canvas()->Pixels(0, 0); // a canvas made before the size changes
    AssignQImage(b, image);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    if (pf != pf8bit) {
      EXPECT_EQ(b.Canvas()->Pixels(2, 1), TColor(RGB(200, 100, 50)));
      EXPECT_EQ(b.ScanLine(0)[0], 3);
    }
    EXPECT_EQ(DibToQImage(*b.Dib()).size(), image.size());
    EXPECT_EQ(b.Canvas()->ClipRect(), TRect(0, 0, 3, 2));
  }
}

TEST(Bitmap, ScanLineOutOfRangeRaises) {
  TBitmap b(2, 2);
  for (int y : {-1, 2}) {
    try {
      b.ScanLine(y);
      FAIL() << "no exception for " << y;
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), "Scan line index out of range");
    }
  }
}

TEST(Bitmap, SizeChangesKeepTheOverlapAndSameSizeIsANoOp) {
  TBitmap b(4, 4);
  b.Canvas()->SetPixels(1, 1, clRed);
  int changes = 0;
  b.OnChange = [&](TGraphic*) { ++changes; };
  b.SetHeight(6);
  b.SetWidth(7);
  EXPECT_EQ(b.Width(), 7);
  EXPECT_EQ(b.Height(), 6);
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(b.Canvas()->Pixels(6, 5), clWhite);
  EXPECT_EQ(changes, 2);
  b.SetSize(7, 6);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(b.Canvas()->Pixels(7, 0), TColor(0xFFFFFFFF)); // outside
}

TEST(Bitmap, PixelFormatChangesConvertPixels) {
  TBitmap b(3, 1, pf24bit);
  b.Canvas()->SetPixels(0, 0, RGB(12, 34, 56));
  b.Canvas()->SetPixels(1, 0, RGB(200, 200, 200));
  b.Canvas()->SetPixels(2, 0, clBlack);
  b.SetPixelFormat(pf32bit);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), RGB(12, 34, 56));
  b.SetPixelFormat(pfDevice);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), RGB(12, 34, 56));
  b.SetPixelFormat(pf8bit); // grey ramp: index i is (i, i, i)
  EXPECT_EQ(b.ScanLine(0)[1], 200);
  EXPECT_EQ(b.ScanLine(0)[2], 0);
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.ScanLine(0)[0] & 0xE0, 0x40); // black, white, black
}

TEST(Bitmap, DrawingOnAPaletteImageMapsBackToIndices) {
  TBitmap b(4, 2, pf8bit);
  b.Canvas()->Brush()->SetColor(RGB(255, 255, 255));
  b.Canvas()->FillRect(TRect(0, 0, 4, 2));
  b.Canvas()->SetPixels(2, 1, RGB(100, 100, 100));
  EXPECT_EQ(b.ScanLine(0)[0], 255);
  EXPECT_EQ(b.ScanLine(1)[2], 100);
  b.ScanLine(1)[3] = 7; // and written indices show through the canvas
  EXPECT_EQ(b.Canvas()->Pixels(3, 1), RGB(7, 7, 7));
}

TEST(Bitmap, TransparentDrawLeavesTheTransparentColour) {
  TBitmap glyph(3, 1);
  glyph.Canvas()->SetPixels(0, 0, clFuchsia);
  glyph.Canvas()->SetPixels(1, 0, clBlue);
  glyph.Canvas()->SetPixels(2, 0, clFuchsia);
  glyph.SetTransparent(true);
  EXPECT_EQ(glyph.TransparentColor(), clFuchsia); // tmAuto: bottom-left pixel
  TBitmap target(5, 1);
  target.Canvas()->Brush()->SetColor(clYellow);
  target.Canvas()->FillRect(TRect(0, 0, 5, 1));
  target.Canvas()->Draw(1, 0, &glyph);
  EXPECT_EQ(target.Canvas()->Pixels(1, 0), clYellow);
  EXPECT_EQ(target.Canvas()->Pixels(2, 0), clBlue);
  EXPECT_EQ(target.Canvas()->Pixels(3, 0), clYellow);
  glyph.SetTransparentColor(clBlue);
  EXPECT_EQ(glyph.TransparentMode(), tmFixed);
  target.Canvas()->Draw(1, 0, &glyph);
  EXPECT_EQ(target.Canvas()->Pixels(1, 0), clFuchsia);
  EXPECT_EQ(target.Canvas()->Pixels(2, 0), clBlue);
}

TEST(Bitmap, CanvasDefaultsAndTextBox) {
  TBitmap b(60, 20);
  TCanvas* c = b.Canvas();
  EXPECT_EQ(c->Pen()->Color(), clBlack);
  EXPECT_EQ(c->Pen()->Width(), 1);
  EXPECT_EQ(c->Pen()->Mode(), pmCopy);
  EXPECT_EQ(c->Brush()->Color(), clWhite);
  EXPECT_EQ(c->Brush()->Style(), bsSolid);
  EXPECT_EQ(c->Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(c->Font()->Size(), 8);
  EXPECT_EQ(c->Font()->Height(), -11);
  EXPECT_EQ(c->CopyMode(), DWORD(SRCCOPY));
  // solid brush: text gets an opaque box in the brush colour
  c->Brush()->SetColor(clLime);
  c->TextOut(2, 2, "Ab");
  EXPECT_EQ(c->Pixels(2, 2), clLime);
  EXPECT_EQ(c->PenPos(), TPoint(2 + c->TextWidth("Ab"), 2));
  c->Brush()->SetStyle(bsClear);
  c->TextOut(30, 2, "Ab");
  EXPECT_EQ(c->Pixels(30, 2), clWhite);
}

TEST(Bitmap, PenModesFollowTheirIndexOrder) {
  const int expected[16] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(PenModeToRop2(TPenMode(i)), expected[i]);
}

TEST(Bitmap, CanvasLockIsRecursive) {
  TBitmap b(1, 1);
  b.Canvas()->Lock();
  b.Canvas()->Lock();
  EXPECT_EQ(b.Canvas()->LockCount(), 2);
  b.Canvas()->Unlock();
  b.Canvas()->Unlock();
  EXPECT_EQ(b.Canvas()->LockCount(), 0);
}

TEST(Bitmap, NothingLeaksAfterDrawingAndFreeing) {
  TGdiObjectSnapshot before;
  long live = GdiLiveObjectCount();
  {
    TBitmap a(20, 20), b(10, 10);
    b.Canvas()->Pen()->SetColor(clRed);
    b.Canvas()->Pen()->SetWidth(3);
    b.Canvas()->Brush()->SetStyle(bsCross);
    b.Canvas()->Rectangle(0, 0, 10, 10);
    b.Canvas()->Font()->SetSize(12);
    b.Canvas()->TextOut(0, 0, "x");
    b.Canvas()->Pen()->SetColor(clBlue); // frees the selected pen safely
    b.Canvas()->LineTo(5, 5);
    a.Canvas()->Brush()->SetBitmap(&b);
    a.Canvas()->FillRect(TRect(0, 0, 20, 20));
    a.Canvas()->StretchDraw(TRect(0, 0, 5, 5), &b);
    TBitmap c;
    c.Assign(&a);
    c.SetPixelFormat(pf8bit);
  }
  EXPECT_EQ(GdiLiveObjectCount(), live);
  EXPECT_EQ(before.Leaks(), "");
  HPEN kept = CreatePen(PS_SOLID, 1, 0);
  HRGN r1 = CreateRectRgn(0, 0, 1, 1), r2 = CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(before.Leaks(), "pens +1, regions +2");
  for (HGDIOBJ h : {kept, r1, r2})
    DeleteObject(h);
}

TEST(Bitmap, HandleRoundTripAndGetObject) {
  TBitmap b(7, 3, pf32bit);
  BITMAP bm;
  ASSERT_EQ(GetObject(b.Handle(), sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 7);
  EXPECT_EQ(bm.bmHeight, 3);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmWidthBytes, 28);
  HBITMAP h = b.ReleaseHandle();
  EXPECT_TRUE(b.Empty());
  TBitmap other;
  other.SetHandle(h);
  EXPECT_EQ(other.Width(), 7);
}

} // namespace

TEST(Bitmap, GrowingFromAnEmptySizeGivesBlackPixels) {
  for (auto [w, h] : {std::pair{0, 100}, std::pair{100, 0}, std::pair{0, 0}}) {
    TDibData dib(w, h, 24);
    dib.Resize(4, 3);
    ASSERT_EQ(dib.DibWidth(), 4);
    ASSERT_EQ(dib.DibHeight(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(dib.PixelColor(x, y), RGB(0, 0, 0)) << w << "x" << h;
  }
}
