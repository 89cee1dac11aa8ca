// Encoding: every type/depth pair at widths 1-17, both interlace methods,
// the filter sets, levels and IDAT limits, decoded back by libpng; chunk
// order and unknown chunks kept; the filter choice; pngcheck on the output.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "codecs/PngPicture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/codecs/PngOracle.h"

namespace {

std::vector<std::uint8_t> Save(TPngPicture& png) {
  TMemoryStream s;
  png.SaveToStream(s);
  return std::vector<std::uint8_t>(s.Memory(), s.Memory() + s.Size());
}

void Load(TPngPicture& png, const std::vector<std::uint8_t>& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  png.LoadFromStream(s);
}

struct TChunkView {
  std::string type;
  std::vector<std::uint8_t> data;
};

std::vector<TChunkView> Chunks(const std::vector<std::uint8_t>& b) {
  std::vector<TChunkView> out;
  std::size_t p = 8;
  while (p + 12 <= b.size()) {
    const std::uint32_t n = (std::uint32_t(b[p]) << 24) | (std::uint32_t(b[p + 1]) << 16) |
                            (std::uint32_t(b[p + 2]) << 8) | b[p + 3];
    out.push_back({std::string(b.begin() + std::ptrdiff_t(p + 4), b.begin() + std::ptrdiff_t(p + 8)),
                   std::vector<std::uint8_t>(b.begin() + std::ptrdiff_t(p + 8),
                                             b.begin() + std::ptrdiff_t(p + 8 + n))});
    p += 12 + n;
  }
  return out;
}

/// The filter byte of every row of a non-interlaced file.
std::vector<int> RowFilters(const std::vector<std::uint8_t>& file, std::uint32_t rowBytes) {
  std::vector<std::uint8_t> z;
  for (const auto& c : Chunks(file))
    if (c.type == "IDAT") z.insert(z.end(), c.data.begin(), c.data.end());
  std::string raw, message;
  if (!InflateText(z.data(), z.size(), raw, message)) return {};
  std::vector<int> filters;
  for (std::size_t p = 0; p < raw.size(); p += rowBytes + 1) filters.push_back(raw[p]);
  return filters;
}

bool PngcheckQuiet(const std::vector<std::uint8_t>& bytes) {
  const std::string path = "/tmp/sk_pngcheck_" + IntToStr(::getpid()) + ".png";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  const int status = std::system(("pngcheck -q '" + path + "' >/dev/null 2>&1").c_str());
  std::remove(path.c_str());
  return status == 0;
}

std::uint32_t Next(std::uint32_t& seed) {
  seed = seed * 1103515245u + 12345u;
  return seed >> 8;
}

} // namespace

TEST(PngEncode, EveryPairWidthAndInterlaceDecodesBackInLibpng) {
  struct TPair {
    int type, depth;
  };
  const TPair pairs[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                         {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  const std::uint8_t sets[] = {0, 1, 2, 4, 31};
  const int levels[] = {0, 2, 7, 9};
  const std::uint32_t limits[] = {65535, 100000};
  const bool haveCheck = std::system("pngcheck -h >/dev/null 2>&1") != 127;
  std::uint32_t seed = 17;
  int run = 0;
  for (const TPair& pair : pairs) {
    for (std::uint32_t width = 1; width <= 17; ++width) {
      for (int interlace = 0; interlace <= 1; ++interlace, ++run) {
        SCOPED_TRACE(IntToStr(pair.type) + "/" + IntToStr(pair.depth) + " w" + IntToStr(int(width)) +
                     " i" + IntToStr(interlace));
        const std::uint32_t height = 1 + width % 9;
        TLibpngImage probe;
        probe.width = width, probe.depth = pair.depth, probe.colorType = pair.type;
        std::uint32_t rowBytes = 0, offset = 0;
        TPngPicture::RowLayoutOf(pair.type, pair.depth, width, rowBytes, offset);
        std::vector<std::vector<std::uint8_t>> rows(height, std::vector<std::uint8_t>(rowBytes));
        for (auto& r : rows)
          for (auto& b : r) b = std::uint8_t(Next(seed));
        // padding bits of the last byte are zero
        if (pair.depth < 8 && (width * std::uint32_t(pair.depth)) % 8 != 0)
          for (auto& r : rows)
            r.back() &= std::uint8_t(0xFF << (8 - (width * std::uint32_t(pair.depth)) % 8));
        const auto source = WriteWithLibpng(width, height, pair.depth, pair.type, rows, 6, 0xF8,
                                            interlace);
        ASSERT_FALSE(source.empty());
        TPngPicture png;
        Load(png, source);
        png.RowFilterSet = sets[run % 5];
        png.DeflateLevel = std::uint8_t(levels[run % 4]);
        png.SetIdatLimit(limits[run % 2]);
        const auto saved = Save(png);
        const TLibpngImage a = ReadWithLibpng(source), b = ReadWithLibpng(saved);
        ASSERT_TRUE(b.ok) << b.error;
        EXPECT_EQ(b.interlace, interlace);
        EXPECT_EQ(b.depth, pair.depth == 2 ? 4 : pair.depth);
        int wrong = 0;
        for (std::uint32_t y = 0; y < height; ++y)
          for (std::uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < a.Channels(); ++c) {
              unsigned expected = a.Sample(x, y, c);
              if (pair.depth == 16) expected &= 0xFF00u;
              if (pair.depth == 2 && pair.type == 0) expected *= 5;
              wrong += b.Sample(x, y, c) != expected;
            }
        EXPECT_EQ(wrong, 0);
        if (haveCheck && width % 8 == 1) {
          EXPECT_TRUE(PngcheckQuiet(saved));
        }
      }
    }
  }
}

TEST(PngEncode, FilterChoiceAndIdatSizes) {
  // 100 × 100 truecolour with the defaults: one IDAT, every row Sub
  TBitmap bitmap(100, 100, pf24bit);
  std::uint32_t seed = 3;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 300; ++x) bitmap.ScanLine(y)[x] = std::uint8_t(x + y);
  TPngPicture png;
  png.Assign(&bitmap);
  auto saved = Save(png);
  int idats = 0;
  for (const auto& c : Chunks(saved)) idats += c.type == "IDAT";
  EXPECT_EQ(idats, 1);
  EXPECT_EQ(RowFilters(saved, 300), std::vector<int>(100, 1));
  png.RowFilterSet = 1 << 2; // {Up} alone, without scoring
  EXPECT_EQ(RowFilters(Save(png), 300), std::vector<int>(100, 2));

  // noise at level 0 spreads over IDATs of the limit and a rest
  TBitmap noise(400, 400, pf24bit);
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 1200; ++x) noise.ScanLine(y)[x] = std::uint8_t(Next(seed));
  png.Assign(&noise);
  png.DeflateLevel = 0;
  for (std::uint32_t limit : {65535u, 100000u}) {
    png.SetIdatLimit(limit);
    const auto chunks = Chunks(Save(png));
    std::vector<std::size_t> sizes;
    for (const auto& c : chunks)
      if (c.type == "IDAT") sizes.push_back(c.data.size());
    ASSERT_GT(sizes.size(), 2u);
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], limit);
    EXPECT_LE(sizes.back(), limit);
  }
  png.SetIdatLimit(1000);
  EXPECT_EQ(png.IdatLimit(), 65535u);

  // 16 equal grey bytes under 16 other equal ones: all four score 14, Sub wins
  TBitmap grey(16, 2, pf8bit);
  std::memset(grey.ScanLine(0), 10, 16);
  std::memset(grey.ScanLine(1), 20, 16);
  png.Assign(&grey);
  png.RowFilterSet = 0x1E;
  png.DeflateLevel = 7;
  EXPECT_EQ(RowFilters(Save(png), 16), std::vector<int>({1, 1}));
  // one byte a row: nothing scores, None is written
  TBitmap narrow(1, 3, pf8bit);
  png.Assign(&narrow);
  png.RowFilterSet = 0x06;
  EXPECT_EQ(RowFilters(Save(png), 1), std::vector<int>({0, 0, 0}));
}

TEST(PngEncode, SavingKeepsTheChunkOrderAndUnknownChunks) {
  const char* names[] = {"cs3n3p08", "bgan6a16", "cdun2c08", "ps1n0g08", "ch1n3p04",
                         "ctjn0g04", "exif2c08", "ccwn2c08", "cm7n0g04", "ct1n0g04",
                         "ctzn0g04", "tbrn2c08", "oi4n2c16", "oi9n0g16"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const auto source = ReadBytes(PngSuiteDir() + name + ".png");
    TPngPicture png;
    Load(png, source);
    const auto saved = Save(png);
    std::vector<TChunkView> before, after = Chunks(saved);
    for (const auto& c : Chunks(source)) {
      if (c.type == "cHRM") continue;
      if (c.type == "IDAT" && !before.empty() && before.back().type == "IDAT") continue;
      before.push_back(c);
    }
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(before[i].type, after[i].type);
      // PLTE goes through the gamma tables both ways
      const bool known = before[i].type == "IDAT" || before[i].type == "zTXt" ||
                         before[i].type == "IHDR" || before[i].type == "PLTE";
      if (!known) {
        EXPECT_EQ(before[i].data, after[i].data) << before[i].type;
      }
    }
    const TLibpngImage a = ReadWithLibpng(source), b = ReadWithLibpng(saved);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(a.rows.size(), b.rows.size());
    EXPECT_EQ(PngcheckQuiet(saved), PngcheckQuiet(source)); // cm7n0g04's tIME is refused
    TPngPicture back;
    Load(back, saved);
    for (int y = 0; y < png.Height(); ++y)
      for (int x = 0; x < png.Width(); ++x) ASSERT_EQ(back.ReadPixel(x, y), png.ReadPixel(x, y));
  }
}

TEST(PngEncode, TwoBitGreyAndItsKeyAreSavedAtFourBits) {
  TPngPicture png;
  png.LoadFromFile(PngSuiteDir() + "basn0g02.png");
  const auto saved = Save(png);
  EXPECT_EQ(png.HeaderChunk().BitDepth, 4);
  const TLibpngImage b = ReadWithLibpng(saved);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.depth, 4);
  // a key on a 2-bit grey image names the same grey at 4 bits
  TPngPicture keyed;
  keyed.LoadFromFile(PngSuiteDir() + "basn0g02.png");
  auto trns = std::make_unique<TChunktRNS>(&keyed);
  trns->SetChunkType(reinterpret_cast<const std::uint8_t*>("tRNS"));
  trns->ResizeData(2);
  trns->AlphaTable.fill(255);
  trns->AlphaTable[0] = 0;
  trns->AlphaTable[1] = 2;
  trns->OneKey = true;
  TPNGList& list = keyed.ChunkList();
  list.Add(nullptr);
  for (std::uint32_t i = list.Count() - 1; i > 1; --i) list.Set(i, list.Item(i - 1));
  list.Set(1, trns.release());
  const COLORREF before = keyed.TransparentKeyColor();
  const auto out = Save(keyed);
  EXPECT_EQ(ReadWithLibpng(out).trnsGrey, 10);
  TPngPicture back;
  Load(back, out);
  EXPECT_EQ(back.TransparentKeyColor(), before);
}
