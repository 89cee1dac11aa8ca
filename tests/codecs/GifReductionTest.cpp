// Colour reduction and dithering: the lookups, the octree quantizer, the
// engines' kernels, clamping and walking order, and reducing bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <set>

#include "codecs/GifPicture.h"
#include "platform/graphics/Bitmap.h"

namespace gif_reduction_test {

// A lookup that records the colours it is asked for and answers black.
class TRecordingLookup : public TColorLookup {
public:
  TRecordingLookup() : TColorLookup(1) {}
  int Lookup(int red, int green, int blue, TLookupColor& chosen) override {
    asked.push_back({red, green, blue});
    chosen = TLookupColor{0, 0, 0};
    return 0;
  }
  std::vector<std::array<int, 3>> asked;
};

TEST(GifReduction, LookupsMapToTheirPalettes) {
  TLookupColor c;
  TNetscapeColorLookup web;
  EXPECT_EQ(web.Lookup(47, 48, 255, c), 11);
  EXPECT_EQ(c.Red, 0);
  EXPECT_EQ(c.Green, 51);
  EXPECT_EQ(c.Blue, 255);
  TMonochromeLookup mono;
  EXPECT_EQ(mono.Lookup(128, 128, 128, c), 1);
  EXPECT_EQ(c.Red, 255);
  EXPECT_EQ(mono.Lookup(127, 127, 127, c), 0);
  EXPECT_EQ(c.Blue, 0);
  TGrayScaleLookup grey;
  EXPECT_EQ(grey.Lookup(255, 0, 0, c), 76); // 255 * 77 / 256
  EXPECT_EQ(c.Green, 76);
  HPALETTE palette = WindowsGrayPalette();
  {
    TSlowColorLookup slow(palette);
    EXPECT_EQ(slow.Colors(), 4);
    EXPECT_EQ(slow.Lookup(150, 150, 150, c), 1); // nearest of 0, 128, 192, 255
    EXPECT_EQ(c.Red, 128);
  }
  DeleteObject(palette);
  // the web palette is the cube the lookup indexes
  HPALETTE webPalette = WebPalette();
  const std::vector<PALETTEENTRY> entries = PaletteEntriesOf(webPalette);
  DeleteObject(webPalette);
  ASSERT_EQ(entries.size(), 216u);
  EXPECT_EQ(entries[11].peGreen, 51);
  EXPECT_EQ(entries[11].peBlue, 255);
  EXPECT_EQ(entries[215].peRed, 255);
}

TEST(GifReduction, QuantizerKeepsFewColoursExactly) {
  TColorQuantizer q(16, 8);
  const TGIFColor colours[3] = {{200, 10, 30}, {0, 0, 0}, {17, 240, 99}};
  for (int i = 0; i < 300; ++i) q.AddColor(colours[i % 3].Red, colours[i % 3].Green, colours[i % 3].Blue);
  const std::vector<RGBQUAD> table = q.ColorTable();
  ASSERT_EQ(table.size(), 3u);
  std::set<std::array<int, 3>> got, want;
  for (const RGBQUAD& e : table) got.insert({e.rgbRed, e.rgbGreen, e.rgbBlue});
  for (const TGIFColor& c : colours) want.insert({c.Red, c.Green, c.Blue});
  EXPECT_EQ(got, want);
  // more colours than allowed fold into at most that many averages
  TColorQuantizer small(8, 8);
  for (int r = 0; r < 256; r += 5)
    for (int g = 0; g < 256; g += 15) small.AddColor(std::uint8_t(r), std::uint8_t(g), 40);
  EXPECT_LE(small.ColorTable().size(), 8u);
  EXPECT_LE(small.LeafCount(), 8);
}

TEST(GifReduction, KernelsSumToTheirDivisors) {
  TNetscapeColorLookup lookup;
  TStuckiDitherer stucki(8, lookup);
  TSierraDitherer sierra(8, lookup);
  TJaJuNiDitherer jajuni(8, lookup);
  TSteveArcheDitherer steve(8, lookup);
  TBurkesDitherer burkes(8, lookup);
  for (TKernelDitherer* e : std::initializer_list<TKernelDitherer*>{&stucki, &sierra, &jajuni, &steve, &burkes}) {
    int sum = 0;
    for (const TDitherWeight& w : e->Kernel()) sum += w.Weight;
    EXPECT_EQ(sum, e->Divisor());
  }
  EXPECT_EQ(stucki.Divisor(), 42);
  EXPECT_EQ(steve.Divisor(), 200);
  EXPECT_EQ(MakeDitherEngine(7, 4, lookup), nullptr);
}

// Rows are walked left to right, then right to left; the engine's column
// says which pixel comes next.
TEST(GifReduction, EnginesWalkInSerpentineOrder) {
  TRecordingLookup lookup;
  for (int kind = dkNearest; kind <= dkBurkes; ++kind) {
    SCOPED_TRACE(kind);
    auto engine = MakeDitherEngine(kind, 4, lookup);
    std::vector<int> columns;
    for (int row = 0; row < 3; ++row) {
      while (engine->Column() >= 0 && engine->Column() < 4) {
        columns.push_back(engine->Column());
        TLookupColor c;
        engine->Dither(0, 0, 0, c);
      }
      engine->NextLine();
    }
    EXPECT_EQ(columns, (std::vector<int>{0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3}));
  }
}

// Corrected values stay within 0..255 however large the error grows, and
// an exact colour spreads nothing.
TEST(GifReduction, CorrectedValuesAreClampedAndExactColoursSpreadNothing) {
  for (int kind = dkFloydSteinberg; kind <= dkBurkes; ++kind) {
    SCOPED_TRACE(kind);
    TRecordingLookup blackOnly; // every pixel an error of its full value
    auto engine = MakeDitherEngine(kind, 16, blackOnly);
    for (int row = 0; row < 6; ++row) {
      while (engine->Column() >= 0 && engine->Column() < 16) {
        TLookupColor c;
        engine->Dither(255, 250, 200, c);
      }
      engine->NextLine();
    }
    for (const auto& rgb : blackOnly.asked)
      for (int v : rgb) ASSERT_TRUE(v >= 0 && v <= 255) << v;
    EXPECT_EQ(blackOnly.asked.back()[0], 255); // pushed up, clamped
    TNetscapeColorLookup web;
    auto exact = MakeDitherEngine(kind, 16, web);
    for (int row = 0; row < 4; ++row) {
      while (exact->Column() >= 0 && exact->Column() < 16) {
        TLookupColor c;
        ASSERT_EQ(exact->Dither(51, 102, 153, c), 1 * 36 + 2 * 6 + 3);
      }
      exact->NextLine();
    }
  }
}

// Mid-grey through the monochrome lookup: Floyd-Steinberg gives half white
// pixels, the plain engine one colour.
TEST(GifReduction, MidGreyDithersToHalfWhite) {
  TBitmap grey(64, 64, pf24bit);
  for (int y = 0; y < 64; ++y) std::memset(grey.ScanLine(y), 128, 64 * 3);
  for (int kind : {int(dkFloydSteinberg), int(dkNearest)}) {
    TBitmap source;
    source.Assign(&grey);
    auto reduced = ReduceColors(source, rdMonochrome, kind, nullptr, 8);
    ASSERT_EQ(reduced->PixelFormat(), pf8bit);
    int white = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) white += reduced->ScanLine(y)[x];
    if (kind == dkNearest)
      EXPECT_EQ(white, 64 * 64); // 128 maps to white
    else
      EXPECT_NEAR(white, 64 * 64 / 2, 64 * 64 / 100);
  }
}

TEST(GifReduction, ReducingBitmaps) {
  TBitmap source(5, 3, pf24bit);
  const std::uint8_t bgr[3][3] = {{0, 0, 255}, {0, 255, 0}, {255, 255, 255}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) std::memcpy(source.ScanLine(y) + x * 3, bgr[(x + y) % 3], 3);
  // rdNone keeps 24 bits; an unknown method gives an empty bitmap
  EXPECT_EQ(ReduceColors(source, rdNone, dkNearest, nullptr, 8)->PixelFormat(), pf24bit);
  EXPECT_TRUE(ReduceColors(source, 12, dkNearest, nullptr, 8)->Empty());
  EXPECT_TRUE(ReduceColors(source, rdWebPalette, 9, nullptr, 8)->Empty());
  EXPECT_TRUE(ReduceColors(source, rdPalette, dkNearest, nullptr, 8)->Empty());
  // three colours quantized into 4 come back exactly
  auto quantized = ReduceColors(source, rdQuantize, dkNearest, nullptr, 2);
  ASSERT_EQ(quantized->PixelFormat(), pf8bit);
  const std::vector<RGBQUAD> table = quantized->PaletteEntries();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const RGBQUAD q = table[quantized->ScanLine(y)[x]];
      const std::uint8_t* want = bgr[(x + y) % 3];
      EXPECT_EQ(q.rgbBlue, want[0]);
      EXPECT_EQ(q.rgbGreen, want[1]);
      EXPECT_EQ(q.rgbRed, want[2]);
    }
  // more than 8 quantizer bits are taken as 8
  EXPECT_EQ(ReduceColors(source, rdQuantize, dkNearest, nullptr, 31)->PixelFormat(), pf8bit);
  // the windows quantized palette keeps the system colours at both ends
  HPALETTE q = QuantizedPalette(source, 256, 8, true);
  const std::vector<PALETTEENTRY> entries = PaletteEntriesOf(q);
  DeleteObject(q);
  const std::vector<PALETTEENTRY> stock =
      PaletteEntriesOf(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
  ASSERT_EQ(entries.size(), 256u);
  ASSERT_EQ(stock.size(), 20u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(entries[std::size_t(i)].peRed, stock[std::size_t(i)].peRed);
    EXPECT_EQ(entries[std::size_t(246 + i)].peBlue, stock[std::size_t(10 + i)].peBlue);
  }
}

TEST(GifReduction, DibWriterChecks) {
  TBitmap b;
  EXPECT_THROW((TDIBWriter{b, nullptr, 2, 2, pf4bit}), GIFException);
  EXPECT_THROW((TDIBWriter{b, nullptr, 0, 2, pf8bit}), GIFException);
  TDIBWriter writer(b, nullptr, 2, 3, pf8bit);
  EXPECT_NE(writer.ScanLine(1), nullptr);
  EXPECT_THROW(writer.ScanLine(2), EInvalidGraphicOperation);
}

} // namespace gif_reduction_test
