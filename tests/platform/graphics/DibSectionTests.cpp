// DIB sections, DIB read-back, masks, monochrome conversions and palettes.
#include "GraphicsTestUtil.h"

namespace {

BITMAPINFO Info(int w, int h, int bpp) {
  BITMAPINFO info{};
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biBitCount = WORD(bpp);
  return info;
}

/// A memory DC with a bitmap selected; frees both.
struct TMemDc {
  explicit TMemDc(HBITMAP b) : dc(CreateCompatibleDC(nullptr)), bmp(b), old(SelectObject(dc, b)) {}
  ~TMemDc() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
};

TEST(DibSection, MemoryFollowsTheRowOrderOfTheHeader) {
  for (int height : {3, -3}) {
    BITMAPINFO info = Info(2, height, 32);
    void* bits = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(bits, nullptr);
    TMemDc mem(h);
    SetPixel(mem.dc, 1, 0, RGB(1, 2, 3)); // top line
    const auto* b = static_cast<const std::uint8_t*>(bits);
    std::size_t topRow = height > 0 ? 2 * 8 : 0; // 8 bytes per row
    EXPECT_EQ(b[topRow + 4 + 2], 1) << "height " << height;
    EXPECT_EQ(b[topRow + 4 + 0], 3) << "height " << height;
    // and writes through the pointer show in the DC
    static_cast<std::uint8_t*>(bits)[topRow + 2] = 200;
    EXPECT_EQ(GetPixel(mem.dc, 0, 0), RGB(200, 0, 0));
  }
}

TEST(DibSection, EightBitSectionKeepsIndicesAfterDrawing) {
  BITMAPINFO info = Info(4, 2, 8);
  info.bmiHeader.biClrUsed = 3;
  info.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  info.bmiColors[1] = RGBQUAD{0, 0, 255, 0}; // red
  info.bmiColors[2] = RGBQUAD{255, 255, 255, 0};
  void* bits = nullptr;
  TMemDc mem(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  RECT all{0, 0, 4, 2};
  HBRUSH red = CreateSolidBrush(RGB(250, 10, 10)); // nearest entry: 1
  FillRect(mem.dc, &all, red);
  DeleteObject(red);
  const auto* b = static_cast<const std::uint8_t*>(bits);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[7], 1);
  RGBQUAD table[4];
  EXPECT_EQ(GetDIBColorTable(mem.dc, 0, 4, table), 3u);
  EXPECT_EQ(table[1].rgbRed, 255);
}

TEST(DibSection, GetDIBitsConvertsToTheRequestedLayout) {
  TTestCanvas screen(1, 1);
  TMemDc mem(CreateCompatibleBitmap(screen.dc, 3, 2));
  SetPixel(mem.dc, 0, 0, RGB(10, 20, 30));
  SetPixel(mem.dc, 2, 1, RGB(40, 50, 60));
  BITMAPINFO info{};
  EXPECT_EQ(GetDIBits(mem.dc, mem.bmp, 0, 2, nullptr, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(info.bmiHeader.biWidth, 3);
  EXPECT_EQ(info.bmiHeader.biBitCount, 32);
  info.bmiHeader.biBitCount = 24;
  std::vector<std::uint8_t> rows(2 * 12, 0xEE);
  EXPECT_EQ(GetDIBits(mem.dc, mem.bmp, 0, 2, rows.data(), &info, DIB_RGB_COLORS), 2);
  // bottom-up: the first row is the bottom line
  EXPECT_EQ(rows[6 + 2], 40);
  EXPECT_EQ(rows[12 + 2], 10);
  EXPECT_EQ(rows[9], 0); // padding zeroed
}

TEST(MonoBlits, ColourToMonoByBackgroundAndMonoToColourByTextAndBackground) {
  TTestCanvas colour(3, 1, RGB(0, 0, 255));
  SetPixel(colour.dc, 1, 0, RGB(0, 255, 0));
  SetBkColor(colour.dc, RGB(0, 255, 0));
  TMemDc mono(CreateBitmap(3, 1, 1, 1, nullptr));
  BitBlt(mono.dc, 0, 0, 3, 1, colour.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(mono.dc, 0, 0), 0u);
  EXPECT_EQ(GetPixel(mono.dc, 1, 0), 0xFFFFFFu); // the background colour became 1
  TTestCanvas back(3, 1);
  SetTextColor(back.dc, RGB(255, 0, 0));
  SetBkColor(back.dc, RGB(0, 0, 255));
  BitBlt(back.dc, 0, 0, 3, 1, mono.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(back.At(0, 0), RGB(255, 0, 0)); // 0 bits: text colour
  EXPECT_EQ(back.At(1, 0), RGB(0, 0, 255)); // 1 bits: background colour
}

TEST(MonoBlits, CreateBitmapReadsRowsPaddedToSixteenBits) {
  const std::uint8_t bits[] = {0x80, 0x00, 0x40, 0x00}; // 3 wide, 2 high
  TMemDc mono(CreateBitmap(3, 2, 1, 1, bits));
  EXPECT_EQ(GetPixel(mono.dc, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(mono.dc, 1, 0), 0u);
  EXPECT_EQ(GetPixel(mono.dc, 1, 1), 0xFFFFFFu);
}

TEST(MonoBlits, MaskBltKeepsTheDestinationWhereTheMaskIsOne) {
  const std::uint8_t maskBits[] = {0x40, 0x00}; // 0 1 0
  HBITMAP mask = CreateBitmap(3, 1, 1, 1, maskBits);
  TTestCanvas src(3, 1, RGB(9, 9, 9)), dst(3, 1, RGB(200, 0, 0));
  ASSERT_TRUE(MaskBlt(dst.dc, 0, 0, 3, 1, src.dc, 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY)));
  EXPECT_EQ(dst.At(0, 0), RGB(9, 9, 9));
  EXPECT_EQ(dst.At(1, 0), RGB(200, 0, 0));
  EXPECT_EQ(dst.At(2, 0), RGB(9, 9, 9));
  DeleteObject(mask);
}

TEST(Palettes, DefaultHalftoneAndNearestEntry) {
  PALETTEENTRY e[20];
  EXPECT_EQ(GetPaletteEntries(GetStockObject(DEFAULT_PALETTE), 0, 20, e), 20u);
  EXPECT_EQ(RGB(e[7].peRed, e[7].peGreen, e[7].peBlue), 0xC0C0C0u);
  EXPECT_EQ(RGB(e[19].peRed, e[19].peGreen, e[19].peBlue), 0xFFFFFFu);
  HPALETTE half = CreateHalftonePalette(nullptr);
  EXPECT_EQ(GetPaletteEntries(half, 0, 0, nullptr), 256u);
  DeleteObject(half);
  LOGPALETTE lp;
  lp.palNumEntries = 3;
  lp.palPalEntry[0] = {0, 0, 0, PC_NOCOLLAPSE};
  lp.palPalEntry[1] = {100, 100, 100, 0};
  lp.palPalEntry[2] = {100, 100, 100, 0};
  HPALETTE p = CreatePalette(&lp);
  EXPECT_EQ(GetNearestPaletteIndex(p, RGB(90, 90, 90)), 1u); // lowest index on ties
  EXPECT_EQ(GetNearestPaletteIndex(p, RGB(10, 0, 0)), 0u);
  TTestCanvas c(1, 1);
  HPALETTE old = SelectPalette(c.dc, p, FALSE);
  EXPECT_EQ(old, GetStockObject(DEFAULT_PALETTE));
  EXPECT_FALSE(DeleteObject(p));
  SelectPalette(c.dc, old, FALSE);
  EXPECT_TRUE(DeleteObject(p));
}

} // namespace
