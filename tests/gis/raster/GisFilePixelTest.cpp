// The pixel file base: creation parameters, the sub-format choice and the
// rows WriteBitmap hands to a recording descendant.
#include <gtest/gtest.h>

#include <map>

#include "gis/core/GisResource.h"
#include "gis/raster/GisFilePixel.h"
#include "platform/graphics/Bitmap.h"

namespace file_pixel_test {

/// A pixel file that offers sub-formats 7 and 9 and records its row writes.
class TRecordingFilePixel : public TGIS_FilePixel {
public:
  struct TWrite {
    int Row, Count, Offset;
    std::vector<std::uint8_t> Bytes;
  };
  void CreateCapabilities() override {
    TGIS_FilePixel::CreateCapabilities();
    capabilities_.push_back(std::make_unique<TGIS_PixelCapabilities>(pf24bit, 1, 7, false));
    capabilities_.push_back(std::make_unique<TGIS_PixelCapabilities>(pf24bit, 2, 9, true));
  }
  int WriteLine(const std::uint8_t* buffer, int row, int count, int offset) override {
    Writes.push_back({row, count, offset, std::vector<std::uint8_t>(buffer, buffer + count)});
    return count;
  }
  std::vector<TWrite> Writes;
};

/// A w x h bitmap whose pixel (x, y) holds (x, y, 77) as B,G,R (mod 256).
std::unique_ptr<TBitmap> Numbered(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b->ScanLine(y) + 3 * x;
      p[0] = std::uint8_t(x), p[1] = std::uint8_t(y), p[2] = 77;
    }
  return b;
}

TEST(GisFilePixel, CreateNewSetsTilesQualityAndSubFormat) {
  struct TCase {
    int Width, Quality, SubFormat;
    int Tile, StoredQuality, Compression;
  };
  const TCase cases[] = {
      {3000, 50, 7, 1024, 50, 1}, {600, -5, 9, 600, 0, 2}, {1, 250, 7, 1, 100, 1},
  };
  for (const TCase& c : cases) {
    TRecordingFilePixel f;
    f.CreateNew("out.store", GisExtent(0, 0, 10, 20), c.Width, 700, c.Quality, c.SubFormat, 0);
    EXPECT_EQ(f.TileWidth(), c.Tile) << c.Width;
    EXPECT_EQ(f.TileHeight(), c.Tile) << c.Width;
    EXPECT_EQ(f.Quality(), c.StoredQuality) << c.Quality;
    EXPECT_EQ(f.PixelFormat(), pf24bit);
    EXPECT_EQ(f.Path(), "out.store");
    EXPECT_EQ(f.Height(), 700);
    EXPECT_EQ(f.Extent().YMax, 20);
    ASSERT_NE(f.SubFormat(), nullptr);
    EXPECT_EQ(f.SubFormat()->Identifier, c.SubFormat);
    EXPECT_EQ(f.SubFormat()->CompressionClass, c.Compression);
    EXPECT_EQ(f.SubFormat(), f.Capabilities()[c.SubFormat == 7 ? 0 : 1].get());
  }
  TRecordingFilePixel plain;
  plain.Create();
  EXPECT_EQ(plain.TileWidth(), 0);
  EXPECT_EQ(plain.Capabilities().size(), 2u);
  EXPECT_EQ(plain.SubFormat(), nullptr);
}

TEST(GisFilePixel, UnknownSubFormatRaises0120) {
  TRecordingFilePixel f;
  try {
    f.CreateNew("out.store", GisExtent(0, 0, 1, 1), 100, 100, 50, 8, 0);
    FAIL() << "no error for an unknown sub-format";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.ErrorNumber(), 12); // the first three digits of "0120"
    EXPECT_NE(e.Message().find("0120 Unsupported pixel format"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(f.SubFormat(), nullptr);
  // the base alone offers nothing
  TGIS_FilePixel base;
  EXPECT_THROW(base.CreateNew("x", GisExtent(0, 0, 1, 1), 10, 10, 50, 0, 0), EGIS_Exception);
  EXPECT_EQ(base.WriteLine(nullptr, 0, 3, 0), 0);
}

TEST(GisFilePixel, WriteBitmapClipsToTheImage) {
  struct TCase {
    const char* Name;
    int X, Y;
    int Rows, FirstRow, Count, Offset, FirstPixelX;
  };
  // image 1000 x 1000, bitmap 100 x 100
  const TCase cases[] = {
      {"inside", 10, 20, 100, 20, 300, 30, 0},
      {"right edge", 950, 0, 100, 0, 150, 2850, 0},
      {"below the last row", 0, 950, 50, 950, 300, 0, 0},
      {"left of the image", -30, 0, 100, 0, 210, 0, 30},
      {"above the image", 0, -40, 60, 0, 300, 0, 0},
      {"past the right side", 1000, 0, 0, 0, 0, 0, 0},
      {"past the bottom", 0, 1000, 0, 0, 0, 0, 0},
      {"wholly left", -100, 0, 0, 0, 0, 0, 0},
  };
  const auto bitmap = Numbered(100, 100);
  for (const TCase& c : cases) {
    TRecordingFilePixel f;
    f.CreateNew("out.store", GisExtent(0, 0, 1, 1), 1000, 1000, 75, 7, 0);
    f.WriteBitmap(c.X, c.Y, *bitmap);
    ASSERT_EQ(int(f.Writes.size()), c.Rows) << c.Name;
    if (c.Rows == 0) continue;
    EXPECT_EQ(f.Writes.front().Row, c.FirstRow) << c.Name;
    EXPECT_EQ(f.Writes.back().Row, c.FirstRow + c.Rows - 1) << c.Name;
    for (const auto& w : f.Writes) {
      ASSERT_EQ(w.Count, c.Count) << c.Name;
      ASSERT_EQ(w.Offset, c.Offset) << c.Name;
      // the bytes are the bitmap's own pixels of that row and columns
      const int bitmapRow = w.Row - c.Y;
      ASSERT_EQ(w.Bytes[0], std::uint8_t(c.FirstPixelX)) << c.Name;
      ASSERT_EQ(w.Bytes[1], std::uint8_t(bitmapRow)) << c.Name;
      ASSERT_EQ(w.Bytes[std::size_t(w.Count) - 1], 77) << c.Name;
    }
  }
}

TEST(GisFilePixel, WriteBitmapTakesOtherDepthsAs24Bit) {
  TRecordingFilePixel f;
  f.CreateNew("out.store", GisExtent(0, 0, 1, 1), 8, 8, 75, 9, 0);
  TBitmap b(4, 2, pf32bit);
  b.SetPixelFormat(pf32bit);
  f.WriteBitmap(0, 0, b);
  ASSERT_EQ(f.Writes.size(), 2u);
  EXPECT_EQ(f.Writes[0].Count, 12);
}

} // namespace file_pixel_test
