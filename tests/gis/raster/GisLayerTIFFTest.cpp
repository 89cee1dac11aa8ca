// The TIFF layer: every compression, layout and byte order that libtiff and
// GDAL write, against the pixels the test wrote (and libtiff's uncompressed
// twin where the tools re-encode); pages, GeoTIFF placement against
// gdalinfo, grids, descriptions and damaged files.
#include <cmath>
#include <filesystem>

#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/raster/GisLayerTIFF.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Format.h"
#include "tests/gis/raster/RasterTestSupport.h"
#include "tests/gis/raster/TiffTestSupport.h"

using namespace tifftest;

namespace {

std::unique_ptr<TGIS_LayerTIFF> OpenTiff(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerTIFF>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

/// The B,G,R rows the layer must deliver for a written image.
std::vector<std::uint8_t> Expected(const TTestTiff& t) {
  std::vector<std::uint8_t> out;
  for (int y = 0; y < t.Height; ++y)
    for (int x = 0; x < t.Width; ++x) {
      std::uint8_t b = 0, g = 0, r = 0;
      if (t.Bits == 1) {
        const bool set = t.Packed[std::size_t(y * ((t.Width + 7) / 8) + x / 8)] & (0x80 >> (x % 8));
        const bool black = t.Photometric == 0 ? set : !set;
        b = g = r = black ? 0 : 255;
      } else if (t.Photometric == 2) {
        const std::uint8_t* p = &t.Packed[std::size_t((y * t.Width + x) * t.Samples)];
        b = p[2], g = p[1], r = p[0];
      } else if (t.Photometric == 3) {
        const int i = t.Packed[std::size_t(y * t.Width + x)];
        r = std::uint8_t(t.ColorMap[std::size_t(i)] >> 8);
        g = std::uint8_t(t.ColorMap[std::size_t(256 + i)] >> 8);
        b = std::uint8_t(t.ColorMap[std::size_t(512 + i)] >> 8);
      } else {
        const std::uint8_t v = t.Packed[std::size_t((y * t.Width + x) * t.Samples)];
        b = g = r = t.Photometric == 0 ? std::uint8_t(255 - v) : v;
      }
      out.insert(out.end(), {b, g, r});
    }
  if (t.Bits < 24 && t.Photometric != 2) NonBlack(out);
  return out;
}

/// The rows of a file, or a note of what failed.
std::vector<std::uint8_t> RowsOfFile(const std::string& path, std::string& failure) {
  try {
    auto layer = OpenTiff(path);
    return LayerRows(*layer);
  } catch (const Exception& e) {
    failure = e.Message();
    return {};
  }
}

bool Tools() {
  return HasTool("gdal_translate") && HasTool("tiffcp");
}

struct TVariant {
  const char* Name;
  const char* Command; // %s source, %s target
};

} // namespace

// Every compression and layout the reference tools write, against the pixels
// the test wrote into the uncompressed source.
TEST(LayerTIFF, CompressionsAndLayoutsGiveTheWrittenPixels) {
  if (!Tools()) GTEST_SKIP() << "GDAL or libtiff tools missing";
  TTempFolder dir;
  struct TSource {
    const char* Name;
    TTestTiff Image;
  };
  TTestTiff rgba = Terrain(37, 29, 4, 2);
  std::vector<TSource> sources = {{"grey", Terrain(37, 29, 1, 1)},
                                  {"rgb", Terrain(37, 29, 3, 2)},
                                  {"rgba", rgba},
                                  {"palette", MapLike(37, 29)},
                                  {"minwhite", Terrain(37, 29, 1, 0)}};
  const std::vector<TVariant> variants = {
      {"stored", "cp %s %s"},
      {"lzw", "gdal_translate -q -co COMPRESS=LZW %s %s"},
      {"lzw-pred", "gdal_translate -q -co COMPRESS=LZW -co PREDICTOR=2 %s %s"},
      {"lzw-strips", "tiffcp -c lzw:2 -r 3 %s %s"},
      {"packbits", "gdal_translate -q -co COMPRESS=PACKBITS %s %s"},
      {"packbits-strips", "tiffcp -c packbits -r 1 %s %s"},
      {"tiled", "gdal_translate -q -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 %s %s"},
      {"tiled-lzw", "gdal_translate -q -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=LZW -co PREDICTOR=2 %s %s"},
      {"tiled-packbits", "gdal_translate -q -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=PACKBITS %s %s"},
      {"big", "gdal_translate -q -co ENDIANNESS=BIG %s %s"},
      {"big-lzw-pred", "gdal_translate -q -co ENDIANNESS=BIG -co COMPRESS=LZW -co PREDICTOR=2 %s %s"},
      {"band", "gdal_translate -q -co INTERLEAVE=BAND %s %s"},
      {"band-lzw", "gdal_translate -q -co INTERLEAVE=BAND -co COMPRESS=LZW -co PREDICTOR=2 %s %s"},
      {"band-tiled-packbits", "gdal_translate -q -co INTERLEAVE=BAND -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=PACKBITS -co ENDIANNESS=BIG %s %s"},
  };
  for (const TSource& s : sources) {
    const std::string src = dir.File(std::string(s.Name) + ".tif");
    WriteFile(src, Write(s.Image));
    const std::vector<std::uint8_t> expected = Expected(s.Image);
    for (const TVariant& v : variants) {
      const std::string out = dir.File(std::string(s.Name) + "-" + v.Name + ".tif");
      RunTool(Format(v.Command, {Q(src), Q(out)}));
      ASSERT_TRUE(std::filesystem::exists(out)) << v.Name;
      std::string failure;
      const std::vector<std::uint8_t> rows = RowsOfFile(out, failure);
      EXPECT_TRUE(rows == expected) << s.Name << " " << v.Name << " " << failure;
    }
  }
}

// Bilevel images in both CCITT codings and both bit orders, for widths
// around byte and code-table edges and strips of 1 and 16 rows, equal
// libtiff's uncompressed twin and the written bits.
TEST(LayerTIFF, CcittImagesEqualTheirUncompressedTwins) {
  if (!Tools()) GTEST_SKIP() << "GDAL or libtiff tools missing";
  TTempFolder dir;
  struct TBilevel {
    int Width;
    bool Drifting; // shapes coded against the row above rather than text
  };
  const std::vector<TBilevel> images = {{1, false},    {7, false},    {8, false},
                                        {9, false},    {1728, false}, {10001, false},
                                        {9, true},     {333, true},   {1728, true}};
  for (const TBilevel& b : images) {
    const int width = b.Width;
    const TTestTiff image =
        b.Drifting ? DriftingShapes(width, 120, std::uint32_t(width)) : TextLike(width, 40, std::uint32_t(width));
    const std::string src = dir.File("src.tif");
    WriteFile(src, Write(image));
    const std::vector<std::uint8_t> expected = Expected(image);
    for (int rows : {1, 16}) {
      const std::string r = IntToStr(rows);
      const std::vector<TVariant> variants = {
          {"g4", "tiffcp -c g4 -r %s %s %s"},
          {"g4-lsb", "tiffcp -c g4 -f lsb2msb -r %s %s %s"},
          {"rle", "gdal_translate -q -co COMPRESS=CCITTRLE -co NBITS=1 -co BLOCKYSIZE=%s %s %s"},
      };
      for (const TVariant& v : variants) {
        const std::string out = dir.File(std::string(v.Name) + ".tif");
        const std::string twin = dir.File(std::string(v.Name) + "-twin.tif");
        std::filesystem::remove(out);
        RunTool(Format(v.Command, {r, Q(src), Q(out)}));
        ASSERT_TRUE(std::filesystem::exists(out)) << v.Name;
        RunTool("tiffcp -c none -f msb2lsb " + Q(out) + " " + Q(twin));
        std::string failure;
        const std::vector<std::uint8_t> got = RowsOfFile(out, failure);
        const std::vector<std::uint8_t> twinRows = RowsOfFile(twin, failure);
        EXPECT_TRUE(got == twinRows) << v.Name << " width " << width << " rows " << rows
                                     << (b.Drifting ? " drifting" : "") << failure;
        if (std::string(v.Name) != "rle") { // GDAL writes its own bilevel photometric
          EXPECT_TRUE(got == expected) << v.Name << " width " << width << " rows " << rows
                                       << (b.Drifting ? " drifting" : "");
        }
      }
    }
  }
  // FillOrder 2 of RLE data: libtiff re-encodes GDAL's file
  const TTestTiff image = TextLike(300, 20, 9);
  WriteFile(dir.File("s.tif"), Write(image));
  RunTool("gdal_translate -q -co COMPRESS=CCITTRLE -co NBITS=1 " + Q(dir.File("s.tif")) + " " +
          Q(dir.File("rle.tif")));
  RunTool("tiffcp -f lsb2msb " + Q(dir.File("rle.tif")) + " " + Q(dir.File("rle2.tif")));
  std::string failure;
  EXPECT_EQ(OpenTiff(dir.File("rle2.tif"))->DecoderKind(), GIS_TIFF_DECODER_HUFFMAN);
  EXPECT_TRUE(RowsOfFile(dir.File("rle.tif"), failure) == RowsOfFile(dir.File("rle2.tif"), failure));
  // Group 3 (compression 3), one- or two-dimensional, stays unsupported
  for (const char* g3 : {"g3:1d", "g3:2d"}) {
    const std::string out = dir.File("g3.tif");
    std::filesystem::remove(out);
    RunTool("tiffcp -c " + std::string(g3) + " " + Q(dir.File("s.tif")) + " " + Q(out));
    ASSERT_TRUE(std::filesystem::exists(out)) << g3;
    int number = 0;
    try {
      OpenTiff(out);
    } catch (const EGIS_Exception& e) {
      number = e.ErrorNumber();
      EXPECT_EQ(std::string(e.Message()).rfind("0997 Unsupported TIFF format", 0), 0u) << g3;
    }
    EXPECT_EQ(number, 99) << g3;
  }
}

// JPEG strips and tiles (grey, RGB and YCbCr) decode as GDAL decodes them.
TEST(LayerTIFF, JpegImagesDecodeAsGdalDoes) {
  if (!Tools()) GTEST_SKIP() << "GDAL or libtiff tools missing";
  TTempFolder dir;
  struct TCase {
    const char* Name;
    TTestTiff Image;
    const char* Options;
  };
  const std::vector<TCase> cases = {
      {"grey", Terrain(70, 45, 1, 1), "-co COMPRESS=JPEG"},
      {"rgb", Terrain(70, 45, 3, 2), "-co COMPRESS=JPEG"},
      {"ycbcr", Terrain(70, 45, 3, 2), "-co COMPRESS=JPEG -co PHOTOMETRIC=YCBCR"},
      {"ycbcr-tiled", Terrain(70, 45, 3, 2),
       "-co COMPRESS=JPEG -co PHOTOMETRIC=YCBCR -co TILED=YES -co BLOCKXSIZE=32 -co BLOCKYSIZE=32"},
      {"rgb-strips", Terrain(70, 45, 3, 2), "-co COMPRESS=JPEG -co BLOCKYSIZE=8"},
  };
  for (const TCase& c : cases) {
    const std::string src = dir.File(std::string(c.Name) + "-src.tif");
    const std::string out = dir.File(std::string(c.Name) + ".tif");
    const std::string raw = dir.File(std::string(c.Name) + ".raw");
    WriteFile(src, Write(c.Image));
    RunTool("gdal_translate -q " + std::string(c.Options) + " " + Q(src) + " " + Q(out));
    RunTool("gdal_translate -q -of ENVI -co INTERLEAVE=BIP " + Q(out) + " " + Q(raw));
    const std::string bytes = ReadFile(raw);
    const int bands = c.Image.Samples;
    ASSERT_EQ(bytes.size(), std::size_t(70 * 45 * bands)) << c.Name;
    std::string failure;
    const std::vector<std::uint8_t> got = RowsOfFile(out, failure);
    ASSERT_EQ(got.size(), std::size_t(70 * 45 * 3)) << c.Name << " " << failure;
    int worst = 0;
    for (int i = 0; i < 70 * 45; ++i)
      for (int k = 0; k < 3; ++k) {
        const int want = std::uint8_t(bytes[std::size_t(i * bands + (bands == 1 ? 0 : 2 - k))]);
        const int have = got[std::size_t(3 * i + k)];
        worst = std::max(worst, std::abs(std::max(want, 1) - std::max(have, 1)));
      }
    // the same libjpeg decodes both; GDAL's colour conversion may round apart
    EXPECT_LE(worst, 1) << c.Name;
    EXPECT_NE(OpenTiff(out)->InfoText().find("; Compression: Unknown"), std::string::npos);
  }
}

// Grids: signed and unsigned 16-bit, 32-bit floats (no data at -3.4e38),
// compressed with the predictor equal to their stored twins; columns of a row.
TEST(LayerTIFF, GridsReadTheirValues) {
  if (!Tools()) GTEST_SKIP() << "GDAL or libtiff tools missing";
  TTempFolder dir;
  struct TCase {
    const char* Name;
    TTestTiff Image;
  };
  TTestTiff floats = Grid(160, 30, 32, 3);
  floats.Values[5 * 160 + 7] = -3.4028234663852886e38;
  const std::vector<TCase> cases = {{"u16", Grid(160, 30, 16, 1)},
                                    {"i16", Grid(160, 30, 16, 2)},
                                    {"f32", floats},
                                    {"f32-big", Grid(160, 30, 32, 3, true)}};
  for (const TCase& c : cases) {
    const std::string src = dir.File(std::string(c.Name) + ".tif");
    WriteFile(src, Write(c.Image));
    for (const char* options : {"", "-co COMPRESS=LZW -co PREDICTOR=2", "-co COMPRESS=PACKBITS -co TILED=YES -co BLOCKXSIZE=32 -co BLOCKYSIZE=16"}) {
      const std::string out = dir.File(std::string(c.Name) + "-x.tif");
      std::filesystem::remove(out);
      RunTool("gdal_translate -q " + std::string(options) + " " + Q(src) + " " + Q(out));
      auto layer = OpenTiff(out);
      ASSERT_TRUE(layer->IsGridData()) << c.Name;
      layer->WakeUp();
      std::vector<float> row(50);
      ASSERT_EQ(layer->ReadGridLine(row, 12, 50, 100), 50) << c.Name << options;
      for (int i = 0; i < 50; ++i)
        EXPECT_EQ(row[std::size_t(i)], float(c.Image.Values[std::size_t(12 * 160 + 100 + i)]))
            << c.Name << " " << options << " column " << 100 + i;
      std::vector<double> v(1);
      EXPECT_TRUE(layer->GetGridValue(TPoint{3, 29}, v));
      EXPECT_EQ(float(v[0]), float(c.Image.Values[std::size_t(29 * 160 + 3)]));
      if (std::string(c.Name) == "f32") {
        EXPECT_FALSE(layer->GetGridValue(TPoint{7, 5}, v)) << "-3.4e38 is no data";
        EXPECT_FLOAT_EQ(layer->NoDataValue(), -3.4028234663852886e38f);
      }
      if (std::string(c.Name) == "i16") {
        EXPECT_EQ(layer->NoDataValue(), -32768.0f);
      }
      float lo = 3.4e38f, hi = -3.4e38f;
      for (std::size_t i = 0; i < c.Image.Values.size(); ++i)
        if (c.Image.Values[i] > -1e38) {
          lo = std::min(lo, float(c.Image.Values[i]));
          hi = std::max(hi, float(c.Image.Values[i]));
        }
      EXPECT_EQ(layer->MinValue(), lo) << c.Name << " (30 rows: every row scanned)";
      EXPECT_EQ(layer->MaxValue(), hi) << c.Name;
      EXPECT_EQ(LayerRows(*layer).size(), std::size_t(160 * 30 * 3));
    }
  }
}

// 16-bit RGB: 12-bit data draws with divisor 16; RGBA reports its extra byte.
TEST(LayerTIFF, SixteenBitRgbAndAlphaBytes) {
  TTempFolder dir;
  TTestTiff t;
  t.Width = 5;
  t.Height = 300;
  t.Samples = 3;
  t.Bits = 16;
  t.Photometric = 2;
  for (int i = 0; i < 5 * 300 * 3; ++i)
    t.Values.push_back(double((i * 37) % 4096));
  WriteFile(dir.File("rgb16.tif"), Write(t));
  auto layer = OpenTiff(dir.File("rgb16.tif"));
  EXPECT_EQ(layer->SampleDivisor(), 16);
  const std::vector<std::uint8_t> rows = LayerRows(*layer);
  for (int i = 0; i < 5 * 300; ++i)
    for (int k = 0; k < 3; ++k)
      ASSERT_EQ(rows[std::size_t(3 * i + k)], std::uint8_t(int(t.Values[std::size_t(3 * i + 2 - k)]) / 16));
  EXPECT_NE(layer->InfoText().find("; 48 bit"), std::string::npos);
  WriteFile(dir.File("rgba.tif"), Write(Terrain(6, 4, 4, 2)));
  auto rgba = OpenTiff(dir.File("rgba.tif"));
  EXPECT_EQ(rgba->ExtraBytes(), 1);
  EXPECT_EQ(rgba->InfoText(),
            "TIFF - Tag Image File Format (TIF)\r\n6 x 4; 24 bit; 1 byte(s) Alfa Associated; "
            "Compression: None; 1/1 Page");
  TTestTiff ga = Terrain(6, 4, 2, 1); // grey and alpha: one extra byte
  WriteFile(dir.File("ga.tif"), Write(ga));
  auto grey = OpenTiff(dir.File("ga.tif"));
  EXPECT_EQ(grey->ExtraBytes(), 1);
  EXPECT_TRUE(LayerRows(*grey) == Expected(ga));
}

// Pages: three pages, a switch between draws, and next-IFD values that point
// back, at themselves or past the end.
TEST(LayerTIFF, PagesAndBrokenPageChains) {
  if (!Tools()) GTEST_SKIP() << "libtiff tools missing";
  TTempFolder dir;
  const TTestTiff a = Terrain(20, 10, 3, 2, 1), b = MapLike(30, 12), c = Terrain(25, 8, 1, 1, 2);
  WriteFile(dir.File("a.tif"), Write(a));
  WriteFile(dir.File("b.tif"), Write(b));
  WriteFile(dir.File("c.tif"), Write(c));
  RunTool("tiffcp -c lzw " + Q(dir.File("a.tif")) + " " + Q(dir.File("b.tif")) + " " +
          Q(dir.File("c.tif")) + " " + Q(dir.File("abc.tif")));
  auto layer = OpenTiff(dir.File("abc.tif"));
  EXPECT_EQ(layer->PageCount(), 3);
  EXPECT_TRUE(LayerRows(*layer) == Expected(a));
  layer->SetPage(3);
  EXPECT_EQ(layer->Width(), 25);
  EXPECT_TRUE(LayerRows(*layer) == Expected(c));
  EXPECT_NE(layer->InfoText().find("; 3/3 Page"), std::string::npos);
  layer->PixelParams().SetPage(2);
  layer->Prepare(); // without a viewer the page still switches
  EXPECT_EQ(layer->CurrentPage(), 2);
  EXPECT_TRUE(LayerRows(*layer) == Expected(b));
  // big-endian files count their pages too
  RunTool("tiffcp -B " + Q(dir.File("a.tif")) + " " + Q(dir.File("b.tif")) + " " + Q(dir.File("mm.tif")));
  auto mm = OpenTiff(dir.File("mm.tif"));
  EXPECT_TRUE(mm->BigEndian());
  EXPECT_EQ(mm->PageCount(), 2);
  mm->SetPage(2);
  EXPECT_TRUE(LayerRows(*mm) == Expected(b));
  // patched chains: the second IFD's next pointer
  std::string bytes = ReadFile(dir.File("abc.tif"));
  auto u32 = [&](std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
  };
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes[at + std::size_t(i)] = char(v >> (8 * i));
  };
  const std::uint32_t first = u32(4);
  const std::size_t firstNext = first + 2 + 12 * (std::uint8_t(bytes[first]) | std::uint8_t(bytes[first + 1]) << 8);
  const std::uint32_t second = u32(firstNext);
  const std::size_t secondNext = second + 2 + 12 * (std::uint8_t(bytes[second]) | std::uint8_t(bytes[second + 1]) << 8);
  for (std::uint32_t patch : {first, second, std::uint32_t(bytes.size() + 100)}) {
    std::string p = bytes;
    std::swap(p, bytes);
    put(secondNext, patch);
    WriteFile(dir.File("patched.tif"), bytes);
    std::swap(p, bytes);
    EXPECT_EQ(OpenTiff(dir.File("patched.tif"))->PageCount(), 2) << patch;
  }
}

// GeoTIFF: PixelIsArea and PixelIsPoint twins land on gdalinfo's corners;
// a .TFW wins and the description drops "Geo".
TEST(LayerTIFF, GeoTiffPlacementMatchesGdal) {
  if (!Tools() || !HasTool("gdalinfo")) GTEST_SKIP() << "GDAL missing";
  TTempFolder dir;
  WriteFile(dir.File("src.tif"), Write(Terrain(40, 30, 1, 1)));
  const std::string area = dir.File("area.tif"), point = dir.File("point.tif");
  RunTool("gdal_translate -q -a_srs EPSG:32633 -a_ullr 100 230 300 80 " + Q(dir.File("src.tif")) + " " + Q(area));
  RunTool("gdal_translate -q -a_srs EPSG:32633 -a_ullr 100 230 300 80 -mo AREA_OR_POINT=Point " +
          Q(dir.File("src.tif")) + " " + Q(point));
  for (const std::string& f : {area, point}) {
    const std::string info = RunTool("gdalinfo " + Q(f));
    ASSERT_NE(info.find("Upper Left  (     100.000,     230.000)"), std::string::npos) << info;
    auto layer = OpenTiff(f);
    EXPECT_DOUBLE_EQ(layer->Extent().XMin, 100) << f;
    EXPECT_DOUBLE_EQ(layer->Extent().YMax, 230) << f;
    EXPECT_DOUBLE_EQ(layer->Extent().XMax, 300) << f;
    EXPECT_DOUBLE_EQ(layer->Extent().YMin, 80) << f;
    EXPECT_EQ(layer->InfoText().rfind("GeoTIFF - Tag Image File Format (TIF)\r\n40 x 30; 8 bit ; Grayscale; Compression: None; 1/1 Page", 0), 0u) << layer->InfoText();
  }
  WriteFile(dir.File("area.tfw"), "2\n0\n0\n-2\n1001\n2001\n");
  auto layer = OpenTiff(area);
  EXPECT_DOUBLE_EQ(layer->Extent().XMin, 1000);
  EXPECT_DOUBLE_EQ(layer->Extent().YMax, 2002);
  EXPECT_EQ(layer->InfoText().rfind("TIFF - Tag Image File Format (TIF)\r\n40 x 30; 8 bit; Grayscale", 0), 0u);
}

// A dormant layer drops its decoders and tile mappings; drawn again it
// rebuilds them and shows the same picture: tiled LZW with a predictor,
// PackBits strips, Group 4 strips and planar LZW.
TEST(LayerTIFF, DrawsTheSameAfterGoingDormant) {
  if (!Tools()) GTEST_SKIP() << "GDAL or libtiff tools missing";
  TTempFolder dir;
  const std::string rgb = dir.File("rgb.tif"), text = dir.File("text.tif");
  WriteFile(rgb, Write(Terrain(61, 47, 3, 2)));
  WriteFile(text, Write(TextLike(300, 90)));
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"tiled-lzw", "gdal_translate -q -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=LZW -co PREDICTOR=2 " + Q(rgb)},
      {"packbits", "tiffcp -c packbits -r 5 " + Q(rgb)},
      {"band-lzw", "gdal_translate -q -co INTERLEAVE=BAND -co COMPRESS=LZW " + Q(rgb)},
      {"g4", "tiffcp -c g4 -r 16 " + Q(text)}};
  for (const auto& [name, command] : variants) {
    SCOPED_TRACE(name);
    const std::string out = dir.File(name + ".tif");
    RunTool(command + " " + Q(out));
    auto layer = OpenTiff(out);
    std::vector<std::uint8_t> rows = LayerRows(*layer);
    NonBlack(rows);
    EXPECT_TRUE(ExpectSameDrawAfterDormancy(layer.release()) == rows) << "the drawing differs from the rows";
  }
}

// Unsupported and damaged files: 0997 at open (ErrorNumber 99), 0031 while
// reading, never a read outside the file.
TEST(LayerTIFF, DamagedFilesGiveClearErrors) {
  TTempFolder dir;
  const std::string good = Write(Terrain(16, 8, 3, 2));
  auto openError = [&](const std::string& bytes) {
    WriteFile(dir.File("bad.tif"), bytes);
    try {
      OpenTiff(dir.File("bad.tif"));
    } catch (const EGIS_Exception& e) {
      return e.ErrorNumber();
    }
    return 0;
  };
  EXPECT_EQ(openError("II*\0"), 99);
  EXPECT_EQ(openError(good.substr(0, 40)), 99);
  std::string notTiff = good;
  notTiff[2] = 43; // BigTIFF
  EXPECT_EQ(openError(notTiff), 99);
  TTestTiff deflate = Terrain(4, 4, 1, 1);
  std::string d = Write(deflate);
  // compression 8 (Deflate) stays unsupported
  const std::size_t at = d.find(std::string("\x03\x01\x03\x00\x01\x00\x00\x00\x01\x00", 10));
  ASSERT_NE(at, std::string::npos);
  d[at + 8] = 8;
  EXPECT_EQ(openError(d), 99);
  try {
    WriteFile(dir.File("bad.tif"), notTiff);
    OpenTiff(dir.File("bad.tif"));
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(std::string(e.Message()).rfind("0997 Unsupported TIFF format", 0), 0u);
  }
  // pixel data cut short: the header opens, reading the rows is 0031
  WriteFile(dir.File("cut.tif"), good.substr(0, good.size() - 20));
  auto layer = OpenTiff(dir.File("cut.tif"));
  layer->WakeUp();
  std::vector<std::uint8_t> row(16 * 3);
  EXPECT_EQ(layer->CallLineReader(row.data(), 0, 48, 0), 48);
  try {
    layer->CallLineReader(row.data(), 7, 48, 0);
    ADD_FAILURE() << "the last row lies past the end";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.ErrorNumber(), 3);
  }
}

TEST(LayerTIFF, OpensThroughTheFactory) {
  GisRasterRegisterLayers();
  TTempFolder dir;
  WriteFile(dir.File("f.TIFF"), Write(Terrain(8, 8, 3, 2)));
  auto layer = GisCreateLayer("f", dir.File("f.TIFF"));
  ASSERT_NE(dynamic_cast<TGIS_LayerTIFF*>(layer.get()), nullptr);
  layer->Open();
  EXPECT_EQ(static_cast<TGIS_LayerTIFF*>(layer.get())->Width(), 8);
}
