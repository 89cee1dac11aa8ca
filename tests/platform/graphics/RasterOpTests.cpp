// Raster operations bit for bit: every binary operation on 0/1 patterns, the
// ternary operations of the blits, and mixed bit patterns.
#include "GraphicsTestUtil.h"

namespace {

COLORREF Bit(int b) {
  return b ? 0xFFFFFF : 0;
}

TEST(RasterOps, EveryBinaryOperationOnZeroOnePatterns) {
  for (int rop = 1; rop <= 16; ++rop) {
    for (int p = 0; p <= 1; ++p) {
      for (int d = 0; d <= 1; ++d) {
        TTestCanvas c(4, 4, Bit(d));
        TSelected brush(c.dc, CreateSolidBrush(Bit(p)));
        SelectObject(c.dc, GetStockObject(NULL_PEN));
        SetROP2(c.dc, rop);
        Rectangle(c.dc, 0, 0, 4, 4);
        int expected = ((rop - 1) >> (2 * p + d)) & 1;
        EXPECT_EQ(c.At(1, 1), Bit(expected)) << "rop " << rop << " P " << p << " D " << d;
      }
    }
  }
}

TEST(RasterOps, BinaryOperationsWorkPerBitOnMixedColours) {
  const COLORREF pen = 0x0F33C5, dest = 0x5A0FF0;
  struct Row {
    int rop;
    COLORREF expected;
  } rows[] = {
      {R2_XORPEN, (pen ^ dest) & 0xFFFFFF},
      {R2_MASKPEN, pen & dest},
      {R2_MERGEPEN, pen | dest},
      {R2_NOT, ~dest & 0xFFFFFF},
      {R2_NOTCOPYPEN, ~pen & 0xFFFFFF},
      {R2_MASKPENNOT, pen & ~dest & 0xFFFFFF},
      {R2_NOTXORPEN, ~(pen ^ dest) & 0xFFFFFF},
      {R2_NOP, dest},
  };
  for (const Row& r : rows) {
    TTestCanvas c(4, 4, dest);
    HPEN p = CreatePen(PS_SOLID, 1, pen);
    HGDIOBJ old = SelectObject(c.dc, p);
    SetROP2(c.dc, r.rop);
    MoveToEx(c.dc, 0, 1, nullptr);
    LineTo(c.dc, 4, 1);
    SelectObject(c.dc, old);
    DeleteObject(p);
    EXPECT_EQ(c.At(2, 1), r.expected) << "rop " << r.rop;
    EXPECT_EQ(c.At(2, 2), dest);
  }
}

TEST(RasterOps, XorLineDrawnTwiceRestoresThePixels) {
  TTestCanvas c(16, 16, 0x123456);
  SetPixel(c.dc, 3, 3, 0xABCDEF);
  HPEN p = CreatePen(PS_DOT, 1, 0x00FF00);
  HGDIOBJ old = SelectObject(c.dc, p);
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  SetROP2(c.dc, R2_XORPEN);
  for (int pass = 0; pass < 2; ++pass)
    Rectangle(c.dc, 1, 1, 12, 10);
  EXPECT_EQ(c.Count(0x123456), 16 * 16 - 1);
  EXPECT_EQ(c.At(3, 3), 0xABCDEFu);
  SelectObject(c.dc, old);
  DeleteObject(p);
}

TEST(RasterOps, TernaryOperationsOfBlitsOnZeroOnePatterns) {
  const DWORD rops[] = {SRCCOPY, SRCAND,  SRCPAINT,  NOTSRCCOPY, SRCINVERT,
                        DSPDxax, PATCOPY, BLACKNESS, WHITENESS,  DSTINVERT};
  for (DWORD rop : rops) {
    for (int p = 0; p <= 1; ++p)
      for (int s = 0; s <= 1; ++s)
        for (int d = 0; d <= 1; ++d) {
          TTestCanvas src(2, 2, Bit(s)), dst(2, 2, Bit(d));
          TSelected brush(dst.dc, CreateSolidBrush(Bit(p)));
          ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, rop));
          int expected = ((rop >> 16) >> (4 * p + 2 * s + d)) & 1;
          EXPECT_EQ(dst.At(1, 1), Bit(expected))
              << std::hex << "rop " << rop << std::dec << " P" << p << " S" << s << " D" << d;
        }
  }
}

TEST(RasterOps, AndThenPaintMakesTransparentOverlay) {
  // mask: white where the background shows, black where the image goes
  TTestCanvas mask(4, 1, 0xFFFFFF), image(4, 1, 0), dst(4, 1, 0x336699);
  SetPixel(mask.dc, 1, 0, 0);
  SetPixel(image.dc, 1, 0, 0x0000FF);
  BitBlt(dst.dc, 0, 0, 4, 1, mask.dc, 0, 0, SRCAND);
  BitBlt(dst.dc, 0, 0, 4, 1, image.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(dst.At(0, 0), 0x336699u);
  EXPECT_EQ(dst.At(1, 0), 0x0000FFu);
  EXPECT_EQ(dst.At(2, 0), 0x336699u);
}

} // namespace
