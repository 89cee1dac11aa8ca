// The PNG layer: GDAL and ImageMagick files against ImageMagick's picture
// flattened on white, damaged files, description and placement.
#include <cstdlib>
#include <cstring>

#include "gis/core/GisResource.h"
#include "codecs/PngPicture.h"
#include "gis/raster/GisLayerPNG.h"
#include "platform/graphics/Bitmap.h"
#include "tests/gis/raster/RasterTestSupport.h"

namespace {

/// ImageMagick's rows of the picture flattened on white.
std::vector<std::uint8_t> FlattenedOnWhite(const std::string& png, const std::string& bmp) {
  return OracleRows(
      "convert '" + png + "' -background white -flatten -compress none BMP3:'" + bmp + "'", bmp);
}

/// The largest difference between two rows of bytes of equal size.
int MaxDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return 256;
  int d = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    d = std::max(d, std::abs(int(a[i]) - int(b[i])));
  return d;
}

const std::string kNoAncillary = " -define png:exclude-chunks=gAMA,cHRM,bKGD,date,tIME,pHYs ";

} // namespace

TEST(LayerPNG, FilesOfEveryKindEqualImageMagickOnWhite) {
  if (!HasTool("convert") || !HasTool("gdal_translate")) GTEST_SKIP() << "tools missing";
  TTempFolder dir;
  const std::string src = dir.File("src.bmp"), pal = dir.File("pal.bmp");
  MakePhoto(21, 9)->SaveToFile(src);
  RunTool("convert '" + src + "' -colors 16 -type Palette -compress none BMP3:'" + pal + "'");
  struct Row {
    std::string name, command;
    int tolerance; // blended pixels may differ by one
  };
  const std::string out = dir.File("t.png");
  const Row rows[] = {
      {"GDAL RGB", "gdal_translate -q -of PNG '" + src + "' '" + out + "'", 0},
      {"GDAL grey", "gdal_translate -q -of PNG -b 2 '" + src + "' '" + out + "'", 0},
      {"GDAL palette", "gdal_translate -q -of PNG '" + pal + "' '" + out + "'", 0},
      {"PNG8 with tRNS",
       "convert '" + src + "' -colors 8 -transparent \"$(convert '" + src +
           "' -colors 8 -format '%[pixel:p{0,0}]' info:)\"" + kNoAncillary + "PNG8:'" + out + "'",
       0},
      {"PNG32 alpha",
       "convert '" + src +
           "' \\( -size 21x9 gradient:white-black \\) -alpha off -compose "
           "CopyOpacity -composite" +
           kNoAncillary + "PNG32:'" + out + "'",
       1},
      {"16-bit RGB", "convert '" + src + "' -depth 16" + kNoAncillary + "PNG48:'" + out + "'", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::filesystem::remove(out);
    RunTool(r.command);
    ASSERT_TRUE(std::filesystem::exists(out));
    TGIS_LayerPNG layer;
    layer.SetPath(out);
    layer.Open();
    EXPECT_EQ(layer.BitsPerPixel(), 24);
    EXPECT_EQ(layer.InfoText(), "Portable Network Graphicp (PNG)\r\n21 x 9, 24 bit");
    const std::vector<std::uint8_t> oracle = FlattenedOnWhite(out, dir.File("o.bmp"));
    EXPECT_LE(MaxDifference(LayerRows(layer), oracle), r.tolerance);
  }
}

TEST(LayerPNG, AlphaBlendsOverWhiteByTheFormula) {
  if (!HasTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  TTempFolder dir;
  const std::string png = dir.File("a.png");
  // one red pixel at alpha 0, 128 and 255
  RunTool("convert -size 3x1 xc:red -alpha set -channel A -fx 'i==0?0:(i==1?128/255:1)' +channel" +
          kNoAncillary + "PNG32:'" + png + "'");
  TGIS_LayerPNG layer;
  layer.SetPath(png);
  layer.Open();
  auto blend = [](int s, int a) { return std::uint8_t((s * a + (255 - a) * 255 + 255) >> 8); };
  const std::vector<std::uint8_t> expected = {
      255, 255, 255, blend(0, 128), blend(0, 128), blend(255, 128), 0, 0, 255};
  EXPECT_EQ(blend(0, 128), 127);
  EXPECT_EQ(LayerRows(layer), expected);
}

TEST(LayerPNG, DamagedFilesFailAtOpenWith0031) {
  if (!HasTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  TTempFolder dir;
  const std::string good = dir.File("good.png");
  RunTool("convert -size 40x30 gradient:red-blue" + kNoAncillary + "PNG24:'" + good + "'");
  const std::string bytes = ReadFile(good);
  ASSERT_GT(bytes.size(), 100u);
  const std::size_t idat = bytes.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  std::string flipped = bytes;
  flipped[idat + 20] = char(flipped[idat + 20] ^ 0x10);
  struct Row {
    std::string name, bytes;
  };
  const Row rows[] = {{"empty", ""},
                      {"cut IDAT", bytes.substr(0, idat + 30)},
                      {"bit-flipped IDAT", flipped},
                      {"not a PNG", "GIF89a not a png at all"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string path = dir.File("bad.png");
    WriteFile(path, r.bytes);
    TGIS_LayerPNG layer;
    layer.SetPath(path);
    try {
      layer.Open();
      FAIL() << "opened";
    } catch (const EGIS_Exception& e) {
      // the reason follows the code
      const std::string head = "0031 Error during reading file \"" + path + "\" (code 0): ";
      EXPECT_EQ(std::string(e.Message()).substr(0, head.size()), head);
    }
    EXPECT_EQ(layer.DecodedBitmap(), nullptr);
  }
}

TEST(LayerPNG, PlacedByItsWorldFileAndDormantAfterOpen) {
  if (!HasTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  TTempFolder dir;
  const std::string png = dir.File("p.png");
  RunTool("convert -size 10x5 xc:green" + kNoAncillary + "PNG24:'" + png + "'");
  WriteFile(dir.File("p.pgw"), "2\n0\n0\n-2\n100\n200\n");
  TGIS_LayerPNG layer;
  layer.SetPath(png);
  layer.Open();
  EXPECT_EQ(layer.DecodedBitmap(), nullptr);
  const TGIS_Extent e = layer.Extent();
  EXPECT_DOUBLE_EQ(e.XMin, 99);
  EXPECT_DOUBLE_EQ(e.YMin, 191);
  EXPECT_DOUBLE_EQ(e.XMax, 119);
  EXPECT_DOUBLE_EQ(e.YMax, 201);
  layer.WakeUp();
  EXPECT_NE(layer.DecodedBitmap(), nullptr);
}

TEST(LayerPNG, GammaOfTheFileApplies) {
  // a grey 128 pixel in a file with gAMA 100000 shows (128/255)^(1/2.2) × 255 = 186
  TTempFolder dir;
  const std::string path = dir.File("g.png");
  TBitmap source(2, 1, pf24bit);
  std::memset(source.ScanLine(0), 128, 6);
  TPngPicture png;
  png.Assign(&source);
  auto gamma = std::make_unique<TChunkgAMA>(&png);
  gamma->SetChunkType(reinterpret_cast<const std::uint8_t*>("gAMA"));
  gamma->SetValue(100000);
  TPNGList& list = png.ChunkList();
  list.Add(nullptr);
  for (std::uint32_t i = list.Count() - 1; i > 1; --i) list.Set(i, list.Item(i - 1));
  list.Set(1, gamma.release());
  png.SaveToFile(path);
  TGIS_LayerPNG layer;
  layer.SetPath(path);
  layer.Open();
  EXPECT_EQ(LayerRows(layer), std::vector<std::uint8_t>(6, 186));
}
