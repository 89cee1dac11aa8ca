// The IMAGINE layer against files GDAL writes (HFA): bands of bytes with and
// without statistics, 1- and 4-bit data, 16-bit and float grids, edge blocks;
// band mapping, damaged trees and refused compressed blocks.
#include <cmath>
#include <filesystem>

#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/raster/GisLayerIMG.h"
#include "tests/gis/raster/RasterTestSupport.h"
#include "tests/gis/raster/TiffTestSupport.h"

using namespace tifftest;

namespace {

std::unique_ptr<TGIS_LayerIMG> OpenImg(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerIMG>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

/// Writes `t` as a TIFF and translates it to HFA with `options`.
std::string MakeImg(const TTempFolder& dir, const std::string& name, const TTestTiff& t,
                    const std::string& options) {
  const std::string tif = dir.File(name + ".tif"), img = dir.File(name + ".img");
  WriteFile(tif, Write(t));
  RunTool("gdal_translate -q -of HFA " + options + " " + Q(tif) + " " + Q(img));
  return img;
}

int Sample(const TTestTiff& t, int x, int y, int band) {
  return t.Packed[std::size_t((y * t.Width + x) * t.Samples + band - 1)];
}

} // namespace

// Byte images of 1, 3 and 4 bands, with and without statistics and with
// 64-cell blocks cut at the edges: the bands land on blue, green and red as
// the default mapping says, stretched by the statistics' maximum when there
// are statistics.
TEST(LayerIMG, ByteBandsAgainstTheirSource) {
  if (!HasTool("gdal_translate")) GTEST_SKIP() << "GDAL missing";
  TTempFolder dir;
  for (int bands : {1, 3, 4})
    for (bool stats : {false, true}) {
      TTestTiff t = Terrain(100, 70, bands, bands >= 3 ? 2 : 1, std::uint32_t(bands));
      for (std::uint8_t& v : t.Packed)
        v = std::uint8_t(v % 200); // maxima below 255: the stretch shows
      const std::string img = MakeImg(dir, "b" + IntToStr(bands) + (stats ? "s" : ""), t,
                                      std::string("-co BLOCKSIZE=64") + (stats ? " -stats" : ""));
      auto layer = OpenImg(img);
      ASSERT_EQ(layer->Width(), 100);
      ASSERT_EQ(layer->BandCount(), bands);
      EXPECT_EQ(layer->InfoText(), "IMG Erdas Layer\r\n100 x 70");
      const int map[3] = {bands == 1 ? 1 : bands == 3 ? 3 : 2, bands == 1 ? 1 : bands == 3 ? 2 : 3,
                          bands == 1 ? 1 : bands == 3 ? 1 : 4}; // blue, green, red
      int maxima[5] = {0, 0, 0, 0, 0};
      for (int b = 1; b <= bands; ++b)
        for (int y = 0; y < 70; ++y)
          for (int x = 0; x < 100; ++x)
            maxima[b] = std::max(maxima[b], Sample(t, x, y, b));
      const std::vector<std::uint8_t> rows = LayerRows(*layer);
      bool same = true;
      for (int y = 0; y < 70 && same; ++y)
        for (int x = 0; x < 100 && same; ++x)
          for (int k = 0; k < 3; ++k) {
            int want = Sample(t, x, y, map[k]);
            if (stats) {
              want = want * 255 / maxima[map[k]];
              if (want > 254) want = 255;
            }
            if (rows[std::size_t(3 * (y * 100 + x) + k)] != want) {
              ADD_FAILURE() << bands << " bands, stats " << stats << " at " << x << "," << y << " byte " << k;
              same = false;
              break;
            }
          }
    }
}

// Red band 3 and back to 0 on a three-band image; 1- and 4-bit data.
TEST(LayerIMG, BandChoiceAndPackedDepths) {
  if (!HasTool("gdal_translate")) GTEST_SKIP() << "GDAL missing";
  TTempFolder dir;
  const TTestTiff t = Terrain(20, 10, 3, 2, 9);
  auto layer = OpenImg(MakeImg(dir, "rgb", t, ""));
  EXPECT_EQ(layer->BufferBands(), (std::array<int, 3>{3, 2, 1}));
  layer->PixelParams().SetRedBand(3);
  layer->Prepare();
  EXPECT_EQ(layer->BufferBands()[2], 3);
  layer->PixelParams().SetRedBand(0);
  layer->Prepare();
  EXPECT_EQ(layer->BufferBands()[2], 1);
  for (int bits : {1, 4}) {
    TTestTiff g = Terrain(37, 9, 1, 1);
    for (std::uint8_t& v : g.Packed)
      v = std::uint8_t(v % (1 << bits));
    auto packed = OpenImg(MakeImg(dir, "n" + IntToStr(bits), g, "-co NBITS=" + IntToStr(bits)));
    ASSERT_EQ(packed->BitsPerPixel(), bits);
    const std::vector<std::uint8_t> rows = LayerRows(*packed);
    const int step = bits == 1 ? 255 : 17;
    for (int i = 0; i < 37 * 9; ++i) {
      const int want = std::max(1, g.Packed[std::size_t(i)] * step);
      ASSERT_EQ(rows[std::size_t(3 * i)], want) << bits << " bits, pixel " << i;
    }
  }
}

// 16-bit and float grids give their values; without statistics the range is
// scanned; one pixel wide images keep their pixel size; an .IGW wins.
TEST(LayerIMG, GridsAndPlacement) {
  if (!HasTool("gdal_translate")) GTEST_SKIP() << "GDAL missing";
  TTempFolder dir;
  const TTestTiff u16 = Grid(70, 66, 16, 1), f32 = Grid(70, 66, 32, 3);
  for (const auto& [name, t] : {std::pair<std::string, TTestTiff>{"u16", u16}, {"f32", f32}}) {
    auto layer = OpenImg(MakeImg(dir, name, t, "-co BLOCKSIZE=64 -a_ullr 1000 2000 1070 1934"));
    ASSERT_TRUE(layer->IsGrid()) << name;
    std::vector<double> v(1);
    for (int y : {0, 33, 65})
      for (int x : {0, 63, 64, 69}) {
        ASSERT_TRUE(layer->GetGridValue(TPoint{x, y}, v));
        EXPECT_EQ(float(v[0]), float(t.Values[std::size_t(y * 70 + x)])) << name << " " << x << "," << y;
      }
    std::vector<float> row(20);
    EXPECT_EQ(layer->ReadGridLine(row, 5, 20, 50), 20);
    EXPECT_EQ(row[19], float(t.Values[std::size_t(5 * 70 + 69)]));
    EXPECT_DOUBLE_EQ(layer->Extent().XMin, 1000);
    EXPECT_DOUBLE_EQ(layer->Extent().YMax, 2000);
    EXPECT_DOUBLE_EQ(layer->Extent().XMax, 1070);
  }
  TTestTiff narrow = Terrain(1, 5, 1, 1);
  auto one = OpenImg(MakeImg(dir, "narrow", narrow, "-a_ullr 10 20 12 10"));
  EXPECT_DOUBLE_EQ(one->PixelSizeX(), 2);
  EXPECT_DOUBLE_EQ(one->Extent().XMax, 12);
  WriteFile(dir.File("narrow.igw"), "4\n0\n0\n-4\n102\n202\n");
  auto placed = OpenImg(dir.File("narrow.img"));
  EXPECT_DOUBLE_EQ(placed->Extent().XMin, 100);
}

// Compressed blocks and broken trees fail at Open with 0031; a file without
// the tag opens empty.
TEST(LayerIMG, DamagedFiles) {
  if (!HasTool("gdal_translate")) GTEST_SKIP() << "GDAL missing";
  TTempFolder dir;
  const TTestTiff t = Terrain(30, 20, 1, 1);
  auto fails = [&](const std::string& path) {
    try {
      OpenImg(path);
    } catch (const EGIS_Exception& e) {
      return e.ErrorNumber() == 3;
    }
    return false;
  };
  EXPECT_TRUE(fails(MakeImg(dir, "z", t, "-co COMPRESSED=YES")));
  // the root's first child names itself as its next sibling
  const std::string good = MakeImg(dir, "g", t, "");
  std::string bytes = ReadFile(good);
  auto u32 = [&](std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
  };
  const std::uint32_t record = u32(16), root = u32(record + 8), first = u32(root + 12);
  ASSERT_GT(first, 0u);
  for (int i = 0; i < 4; ++i)
    bytes[first + std::size_t(i)] = char(first >> (8 * i));
  WriteFile(dir.File("loop.img"), bytes);
  EXPECT_TRUE(fails(dir.File("loop.img")));
  bytes = ReadFile(good);
  bytes.resize(bytes.size() - 100);
  WriteFile(dir.File("cut.img"), bytes);
  EXPECT_TRUE(fails(dir.File("cut.img")));
  WriteFile(dir.File("empty.img"), std::string(64, 'x'));
  auto empty = OpenImg(dir.File("empty.img"));
  EXPECT_EQ(empty->Width(), 0);
  EXPECT_EQ(empty->InfoText(), "IMG Erdas Layer\r\n0 x 0");
}

// A dormant layer drops its block reader; drawn again it shows the same
// picture (three bands in 64-cell blocks cut at the edges).
TEST(LayerIMG, DrawsTheSameAfterGoingDormant) {
  if (!HasTool("gdal_translate")) GTEST_SKIP() << "GDAL missing";
  TTempFolder dir;
  const std::string img = MakeImg(dir, "dormant", Terrain(100, 70, 3, 2), "-co BLOCKSIZE=64");
  ExpectSameDrawAfterDormancy(OpenImg(img).release());
}
