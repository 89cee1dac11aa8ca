// Stretching: the four modes on small images, enlargement, clipping with the
// unclipped mapping, DIB sources in both row orders.
#include "GraphicsTestUtil.h"

namespace {

/// A 2x2 source: black, white / red, blue.
struct TSource : TTestCanvas {
  TSource() : TTestCanvas(2, 2) {
    SetPixel(dc, 0, 0, 0x000000);
    SetPixel(dc, 1, 0, 0xFFFFFF);
    SetPixel(dc, 0, 1, 0x0000FF);
    SetPixel(dc, 1, 1, 0xFF0000);
  }
};

TEST(Stretch, ReductionByMode) {
  struct Row {
    int mode;
    COLORREF expected;
  } rows[] = {
      {BLACKONWHITE, 0x000000}, // AND of all four
      {WHITEONBLACK, 0xFFFFFF}, // OR of all four
      {COLORONCOLOR, 0xFF0000}, // the sampled pixel (1, 1)
      {HALFTONE,
       RGB((0 + 255 + 255 + 0 + 2) / 4, (0 + 255 + 0 + 0 + 2) / 4, (0 + 255 + 0 + 255 + 2) / 4)},
  };
  for (const Row& r : rows) {
    TSource src;
    TTestCanvas dst(1, 1);
    SetStretchBltMode(dst.dc, r.mode);
    StretchBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(dst.At(0, 0), r.expected) << "mode " << r.mode;
  }
}

TEST(Stretch, HalftoneHalvingIsTheExactTwoByTwoMean) {
  TTestCanvas src(4, 2), dst(2, 1);
  COLORREF v[4][2] = {{RGB(10, 20, 30), RGB(11, 21, 31)},
                      {RGB(13, 23, 33), RGB(14, 24, 34)},
                      {RGB(100, 0, 0), RGB(200, 0, 0)},
                      {RGB(0, 0, 0), RGB(100, 0, 0)}};
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 2; ++y)
      SetPixel(src.dc, x, y, v[x][y]);
  SetStretchBltMode(dst.dc, HALFTONE);
  StretchBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 2, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), RGB(12, 22, 32));
  EXPECT_EQ(dst.At(1, 0), RGB(100, 0, 0));
}

TEST(Stretch, EnlargementReplicatesInEveryMode) {
  for (int mode : {BLACKONWHITE, WHITEONBLACK, COLORONCOLOR, HALFTONE}) {
    TSource src;
    TTestCanvas dst(4, 4);
    SetStretchBltMode(dst.dc, mode);
    StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(dst.At(0, 0), 0x000000u);
    EXPECT_EQ(dst.At(1, 1), 0x000000u);
    EXPECT_EQ(dst.At(2, 1), 0xFFFFFFu);
    EXPECT_EQ(dst.At(1, 2), 0x0000FFu);
    EXPECT_EQ(dst.At(3, 3), 0xFF0000u);
  }
}

TEST(Stretch, ClippedDestinationKeepsTheUnclippedMapping) {
  TSource src;
  TTestCanvas dst(4, 4, 0x00FF00);
  // the 8x8 enlargement hangs off the top-left: only its lower-right quarter shows
  StretchBlt(dst.dc, -4, -4, 8, 8, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), 0xFF0000u);
  EXPECT_EQ(dst.At(3, 3), 0xFF0000u);
  HRGN clip = CreateRectRgn(2, 0, 4, 4);
  TTestCanvas dst2(4, 4, 0x00FF00);
  SelectClipRgn(dst2.dc, clip);
  DeleteObject(clip);
  StretchBlt(dst2.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst2.At(0, 0), 0x00FF00u);
  EXPECT_EQ(dst2.At(2, 0), 0xFFFFFFu);
  EXPECT_EQ(dst2.At(3, 3), 0xFF0000u);
}

TEST(Stretch, OneToOneCopyWithSourceOffsetLeavesPixelsBeyondTheSource) {
  for (int bpp : {24, 32}) {
    TTestCanvas src(3, 2, 0, bpp), dst(5, 2, 0x00FF00, 24);
    SetPixel(src.dc, 1, 1, 0x112233);
    SetPixel(src.dc, 2, 1, 0x445566);
    BitBlt(dst.dc, 1, 0, 4, 2, src.dc, 1, 0, SRCCOPY);
    EXPECT_EQ(dst.At(0, 1), 0x00FF00u);
    EXPECT_EQ(dst.At(1, 1), 0x112233u);
    EXPECT_EQ(dst.At(2, 1), 0x445566u);
    EXPECT_EQ(dst.At(3, 1), 0x00FF00u); // beyond the source's right edge
    EXPECT_EQ(dst.At(1, 0), 0u);
  }
}

TEST(Stretch, MirroringWithNegativeWidth) {
  TSource src;
  TTestCanvas dst(2, 2);
  StretchBlt(dst.dc, 1, 0, -2, 2, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(dst.At(1, 0), 0x000000u);
}

TEST(Stretch, OverlappingCopyOnOneSurfaceReadsBeforeWriting) {
  TTestCanvas c(6, 1);
  for (int x = 0; x < 3; ++x)
    SetPixel(c.dc, x, 0, RGB(x + 1, 0, 0));
  BitBlt(c.dc, 1, 0, 3, 1, c.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(c.At(1, 0), RGB(1, 0, 0));
  EXPECT_EQ(c.At(2, 0), RGB(2, 0, 0));
  EXPECT_EQ(c.At(3, 0), RGB(3, 0, 0));
}

TEST(DibBlit, BottomUpAndTopDownRowsWithSourceOrigin) {
  // 2x3 24-bit, rows padded to 8 bytes; memory rows hold values 1, 2, 3
  std::vector<std::uint8_t> bits(24, 0);
  for (int r = 0; r < 3; ++r)
    for (int x = 0; x < 2; ++x)
      bits[std::size_t(r) * 8 + std::size_t(x) * 3 + 2] = std::uint8_t(r + 1);
  EXPECT_EQ(DibRowBytes(2, 24), 8);
  EXPECT_EQ(DibRowBytes(3, 1), 4);
  EXPECT_EQ(DibRowBytes(33, 1), 8);
  EXPECT_EQ(DibRowBytes(5, 4), 4);
  struct Row {
    LONG height;
    int sy;
    int topValue; // red of the destination's top row
  } rows[] = {
      {3, 0, 2},  // bottom-up, sy from the bottom: the lower two lines (values 2, 1)
      {3, 1, 3},  // the upper two lines (values 3, 2)
      {-3, 0, 1}, // top-down: memory row 0 is the top
      {-3, 1, 2},
  };
  for (const Row& r : rows) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = r.height;
    info.bmiHeader.biBitCount = 24;
    TTestCanvas dst(2, 2);
    int lines = StretchDIBits(dst.dc, 0, 0, 2, 2, 0, r.sy, 2, 2, bits.data(), &info, DIB_RGB_COLORS,
                              SRCCOPY);
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(GetRValue(dst.At(0, 0)), r.topValue) << "height " << r.height << " sy " << r.sy;
  }
  for (int line = 0; line < 3; ++line) {
    EXPECT_EQ(DibMemoryRow(line, 3), 2 - line);
    EXPECT_EQ(DibMemoryRow(line, -3), line);
  }
}

TEST(DibBlit, PalettedSourcesAndAndPaintPairs) {
  // 1-bit, 4 pixels wide: MSB is the left pixel
  std::vector<std::uint8_t> bits = {0xA0, 0, 0, 0}; // 1 0 1 0
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 4;
  info.bmiHeader.biHeight = 1;
  info.bmiHeader.biBitCount = 1;
  info.bmiHeader.biClrUsed = 2;
  info.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  info.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  TTestCanvas dst(4, 1, 0x0000FF);
  StretchDIBits(dst.dc, 0, 0, 4, 1, 0, 0, 4, 1, bits.data(), &info, DIB_RGB_COLORS, SRCAND);
  EXPECT_EQ(dst.RowText(0, 0, 4, 0, 0x0000FF), ".#.#");
  // 4-bit: high nibble is the left pixel
  std::vector<std::uint8_t> nib = {0x12, 0, 0, 0};
  info.bmiHeader.biBitCount = 4;
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biClrUsed = 3;
  info.bmiColors[2] = RGBQUAD{0, 255, 0, 0};
  TTestCanvas d4(2, 1);
  StretchDIBits(d4.dc, 0, 0, 2, 1, 0, 0, 2, 1, nib.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(d4.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(d4.At(1, 0), RGB(0, 255, 0));
  EXPECT_EQ(
      StretchDIBits(d4.dc, 0, 0, 2, 1, 0, 0, 2, 1, nib.data(), nullptr, DIB_RGB_COLORS, SRCCOPY),
      0);
}

} // namespace
