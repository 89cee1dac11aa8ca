// Drawing against the composition of libpng's samples: key colours, alpha
// blending 1:1 and scaled, over black and over a checkerboard; pixel
// writes; the palette; no GDI object left behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "codecs/PngPicture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "tests/codecs/PngOracle.h"

namespace {

void Background(TBitmap& b, bool checker) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      std::uint8_t* p = b.ScanLine(y) + 3 * x;
      const std::uint8_t v = checker && ((x / 3 + y / 3) % 2 == 0) ? 200 : 0;
      p[0] = v, p[1] = std::uint8_t(v / 2), p[2] = std::uint8_t(255 - v);
    }
}

} // namespace

TEST(PngDraw, TransparentFilesEqualTheCompositionOfLibpngsSamples) {
  const long live = GdiLiveObjectCount();
  int drawn = 0;
  for (const auto& e : std::filesystem::directory_iterator(PngSuiteDir())) {
    const std::string name = e.path().filename().string();
    const bool alpha4or6 = name.rfind("bas", 0) == 0 && (name.find("4a") != std::string::npos ||
                                                         name.find("6a") != std::string::npos);
    if (!(name[0] == 't' || alpha4or6) || e.path().extension() != ".png") continue;
    SCOPED_TRACE(name);
    const TLibpngImage ref = ReadWithLibpng(e.path().string());
    ASSERT_TRUE(ref.ok);
    TPngPicture png;
    png.LoadFromFile(e.path().string());
    const int kind = png.TransparencyKind();
    const std::vector<std::uint8_t> gamma = GammaTable(ref.hasGamma ? ref.gamma : 0);
    const int w = int(ref.width), h = int(ref.height);
    struct TSize {
      int w, h;
    };
    const TSize sizes[] = {{w, h}, {2 * w, 2 * h}, {w / 2, h / 2}, {37, 23}};
    for (const TSize& size : sizes) {
      for (bool checker : {false, true}) {
        TBitmap target(size.w, size.h, pf24bit);
        Background(target, checker);
        TBitmap back(size.w, size.h, pf24bit);
        Background(back, checker);
        png.Draw(target.Canvas(), TRect{0, 0, size.w, size.h});
        int wrong = 0;
        for (int y = 0; y < size.h; ++y)
          for (int x = 0; x < size.w; ++x) {
            std::uint32_t sx, sy;
            if (kind == 2) {
              const double fx = double(size.w) / w, fy = double(size.h) / h;
              sx = std::uint32_t(double(x) / fx), sy = std::uint32_t(double(y) / fy);
            } else {
              // the platform's stretch: the first source pixel of a range of
              // one, the nearest sample otherwise
              auto first = [](int i, int dst, int src) { return int(std::int64_t(i) * src / dst); };
              auto single = [&](int i, int dst, int src) {
                return dst >= src || std::max(first(i + 1, dst, src), first(i, dst, src) + 1) -
                                             first(i, dst, src) ==
                                         1;
              };
              const bool one = single(x, size.w, w) && single(y, size.h, h);
              sx = std::uint32_t(one && size.w < w ? first(x, size.w, w)
                                                   : (2 * x + 1) * w / (2 * size.w));
              sy = std::uint32_t(one && size.h < h ? first(y, size.h, h)
                                                   : (2 * y + 1) * h / (2 * size.h));
            }
            std::uint32_t colour = 0;
            int a = 0;
            ExpectedPixel(ref, gamma, sx, sy, colour, a);
            const std::uint8_t* d = back.ScanLine(y) + 3 * x;
            const int s[3] = {int((colour >> 16) & 0xFF), int((colour >> 8) & 0xFF),
                              int(colour & 0xFF)};
            std::uint8_t expected[3];
            if (kind == 1) {
              const bool isKey = colour == png.TransparentKeyColor();
              for (int k = 0; k < 3; ++k) expected[k] = isKey ? d[k] : std::uint8_t(s[k]);
            } else if (kind == 2) {
              int src[3] = {s[0], s[1], s[2]};
              if (ref.colorType == 4) { // the raw grey sample
                const int v = ref.depth == 16 ? int(ref.Sample(sx, sy, 0) >> 8)
                                              : int(ref.Sample(sx, sy, 0));
                src[0] = src[1] = src[2] = v;
              }
              for (int k = 0; k < 3; ++k)
                expected[k] = ref.colorType == 6 && a == 255 ? std::uint8_t(src[k])
                              : ref.colorType == 6 && a == 0
                                  ? d[k]
                                  : std::uint8_t((src[k] * a + (255 - a) * d[k] + 255) >> 8);
            } else {
              for (int k = 0; k < 3; ++k) expected[k] = std::uint8_t(s[k]);
            }
            const std::uint8_t* got = target.ScanLine(y) + 3 * x;
            wrong += got[0] != expected[0] || got[1] != expected[1] || got[2] != expected[2];
          }
        EXPECT_EQ(wrong, 0) << size.w << "x" << size.h << (checker ? " checker" : " black");
        ++drawn;
      }
    }
  }
  EXPECT_GT(drawn, 80);
  EXPECT_EQ(GdiLiveObjectCount(), live);
}

TEST(PngDraw, PixelWritesAndThePalette) {
  const long live = GdiLiveObjectCount();
  {
    // grey + alpha: the last pixel of the top row is written in place
    TPngPicture ga;
    ga.LoadFromFile(PngSuiteDir() + "basn4a08.png");
    const int w = ga.Width();
    ga.WritePixel(w - 1, 0, RGB(255, 255, 255));
    EXPECT_EQ(ga.ReadPixel(w - 1, 0), ga.ReadPixel(w - 1, 0));
    EXPECT_EQ(GetRValue(ga.ReadPixel(w - 1, 0)), ga.DecodingGamma[255]);
    EXPECT_EQ(ga.ReadPixel(-1, 0), 0u);
    EXPECT_EQ(ga.Palette(), nullptr);

    // a palette write names an entry of the PLTE chunk only
    TPngPicture pal;
    pal.LoadFromFile(PngSuiteDir() + "basn3p02.png");
    const auto* plte = pal.ChunkList().ItemFromClass<TChunkPLTE>();
    ASSERT_EQ(plte->Count, 4);
    pal.WritePixel(0, 0, RGB(0, 0, 0)); // black: the table's unused tail must not win
    const COLORREF c = pal.ReadPixel(0, 0);
    bool inTable = false;
    for (int i = 0; i < 4; ++i) {
      const std::uint32_t e = plte->Entry(std::uint32_t(i));
      inTable |= c == RGB(int((e >> 16) & 0xFF), int((e >> 8) & 0xFF), int(e & 0xFF));
    }
    EXPECT_TRUE(inTable);
    EXPECT_THROW(plte->Entry(4), EPngError);
    EXPECT_NE(pal.Palette(), nullptr);

    // 1-bit grey: a set pixel reads white
    TPngPicture bw;
    bw.LoadFromFile(PngSuiteDir() + "basn0g01.png");
    bw.WritePixel(3, 3, RGB(250, 250, 250));
    EXPECT_EQ(bw.ReadPixel(3, 3), RGB(255, 255, 255));

    // a zero-width rectangle draws nothing; right-to-left equals left-to-right
    TPngPicture a6;
    a6.LoadFromFile(PngSuiteDir() + "basn6a08.png");
    TBitmap one(32, 32, pf24bit), two(32, 32, pf24bit);
    a6.Draw(one.Canvas(), TRect{0, 0, 32, 32});
    a6.Draw(two.Canvas(), TRect{32, 0, 0, 32});
    for (int y = 0; y < 32; ++y) EXPECT_EQ(std::memcmp(one.ScanLine(y), two.ScanLine(y), 96), 0);
    TBitmap empty(4, 4, pf24bit);
    a6.Draw(empty.Canvas(), TRect{2, 0, 2, 4});
  }
  EXPECT_EQ(GdiLiveObjectCount(), live);
}

TEST(PngDraw, OpaqueFilesDrawnAtTheOriginGiveTheDecodedPixels) {
  const long live = GdiLiveObjectCount();
  int drawn = 0;
  for (const auto& e : std::filesystem::directory_iterator(PngSuiteDir())) {
    const std::string name = e.path().filename().string();
    if (name[0] == 'x' || e.path().extension() != ".png") continue;
    TPngPicture png;
    png.LoadFromFile(e.path().string());
    if (png.TransparencyKind() != 0) continue;
    SCOPED_TRACE(name);
    TBitmap target(png.Width(), png.Height(), pf24bit);
    png.Draw(target.Canvas(), TRect{0, 0, png.Width(), png.Height()});
    int wrong = 0;
    for (int y = 0; y < png.Height(); ++y)
      for (int x = 0; x < png.Width(); ++x) {
        const std::uint8_t* p = target.ScanLine(y) + 3 * x;
        wrong += RGB(p[2], p[1], p[0]) != png.ReadPixel(x, y);
      }
    EXPECT_EQ(wrong, 0);
    ++drawn;
  }
  EXPECT_GT(drawn, 100);
  EXPECT_EQ(GdiLiveObjectCount(), live);
}
