// The bitmap layer: rows of every served depth against ImageMagick, header
// forms written by the test, damaged and unsupported files, drawing.
#include <cstring>
#include <set>

#include "platform/rtl/Strings.h"
#include "gis/core/GisResource.h"
#include "gis/raster/GisLayerBMP.h"
#include "tests/gis/raster/RasterTestSupport.h"

namespace {

/// The top-down B,G,R rows of a picture as ImageMagick reads it.
std::vector<std::uint8_t> MagickRows(const std::string& path) {
  const std::string rgb = RunTool("convert '" + path + "' -depth 8 rgb:-");
  std::vector<std::uint8_t> out(rgb.size());
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
    out[i] = std::uint8_t(rgb[i + 2]);
    out[i + 1] = std::uint8_t(rgb[i + 1]);
    out[i + 2] = std::uint8_t(rgb[i]);
  }
  return out;
}

void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    s[at + std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& s, std::size_t at, std::uint16_t v) {
  s[at] = char(v & 0xFF);
  s[at + 1] = char(v >> 8);
}

/// A BMP written byte by byte: 24- or 32-bit BI_RGB (or bit fields), bottom-up
/// or top-down, from B,G,R pixels given top row first.
std::string MakeBmp(int w, int h, int bits, bool topDown, const std::vector<std::uint8_t>& bgr,
                    std::uint32_t compression = 0) {
  const int line = ((w * bits + 31) / 32) * 4;
  const int masks = compression == 3 ? 12 : 0;
  const int off = 54 + masks;
  std::string s(std::size_t(off + line * h), '\0');
  s[0] = 'B', s[1] = 'M';
  Put32(s, 2, std::uint32_t(s.size()));
  Put32(s, 10, std::uint32_t(off));
  Put32(s, 14, 40);
  Put32(s, 18, std::uint32_t(w));
  Put32(s, 22, std::uint32_t(topDown ? -h : h));
  Put16(s, 26, 1);
  Put16(s, 28, std::uint16_t(bits));
  Put32(s, 30, compression);
  if (masks) {
    Put32(s, 54, 0x00FF0000);
    Put32(s, 58, 0x0000FF00);
    Put32(s, 62, 0x000000FF);
  }
  for (int y = 0; y < h; ++y) {
    const int stored = topDown ? y : h - 1 - y;
    for (int x = 0; x < w; ++x) {
      const std::size_t at = std::size_t(off + stored * line + x * (bits / 8));
      std::memcpy(&s[at], &bgr[std::size_t(3 * (y * w + x))], 3);
      if (bits == 32) s[at + 3] = char(0x7F);
    }
  }
  return s;
}

std::vector<std::uint8_t> Pixels(int w, int h) {
  auto photo = MakePhoto(w, h, 11);
  return RowsOf(*photo);
}

std::unique_ptr<TGIS_LayerBMP> OpenBmp(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerBMP>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

} // namespace

TEST(LayerBMP, RowsOfEveryDepthEqualImageMagick) {
  if (!HasTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  TTempFolder dir;
  struct Row {
    std::string options;
    int bits;
  };
  const Row rows[] = {
      {"-monochrome BMP3:", 1},
      {"-colors 16 -type Palette BMP3:", 4},
      {"-colors 200 -type Palette BMP3:", 8},
      {"-type TrueColor BMP3:", 24},
      {"-monochrome BMP:", 1},
      {"-colors 16 -type Palette BMP:", 4},
      {"-colors 200 -type Palette BMP:", 8},
      {"-type TrueColor BMP:", 24},
      {"-alpha on BMP:", 32},
  };
  std::set<int> seen;
  for (int w : {1, 7, 9, 33}) {
    auto photo = MakePhoto(w, 5, std::uint32_t(w));
    const std::string src = dir.File("src.bmp");
    photo->SaveToFile(src);
    for (const Row& r : rows) {
      SCOPED_TRACE(r.options + " width " + IntToStr(w));
      const std::string path = dir.File("t.bmp");
      RunTool("convert '" + src + "' -compress None " + r.options + "'" + path + "'");
      const std::string bytes = ReadFile(path);
      ASSERT_GT(bytes.size(), 54u);
      // ImageMagick picks the smallest depth for the colours a narrow picture has
      const int fileBits = std::uint8_t(bytes[28]);
      EXPECT_LE(fileBits, r.bits);
      seen.insert(fileBits);
      std::unique_ptr<TGIS_LayerBMP> layer;
      ASSERT_NO_THROW(layer = OpenBmp(path))
          << "biSize " << int(std::uint8_t(bytes[14])) << " compression " << int(bytes[30]);
      EXPECT_EQ(layer->BitsPerPixel(), fileBits);
      EXPECT_EQ(layer->InfoText(), "Windows Bitmap (BMP)\r\n" + IntToStr(w) + " x 5; " +
                                       IntToStr(fileBits) + " bit");
      std::vector<std::uint8_t> expected = MagickRows(path);
      if (r.bits <= 8) NonBlack(expected); // palette entries never are pure black
      EXPECT_EQ(LayerRows(*layer), expected);
    }
  }
  EXPECT_EQ(seen, (std::set<int>{1, 4, 8, 24, 32}));
}

TEST(LayerBMP, PartialRowsAtOddOffsetsAndTheDeliveredCount) {
  TTempFolder dir;
  const int w = 33, h = 4;
  const std::vector<std::uint8_t> px = Pixels(w, h);
  for (int bits : {24, 32}) {
    SCOPED_TRACE(bits);
    WriteFile(dir.File("p.bmp"), MakeBmp(w, h, bits, false, px, bits == 32 ? 3 : 0));
    auto layer = OpenBmp(dir.File("p.bmp"));
    layer->WakeUp();
    std::vector<std::uint8_t> row(200);
    EXPECT_EQ(layer->ReadLine(row.data(), 2, 15, 21), 15) << "bytes delivered, not read";
    EXPECT_EQ(
        std::vector<std::uint8_t>(row.begin(), row.begin() + 15),
        std::vector<std::uint8_t>(px.begin() + (2 * w + 7) * 3, px.begin() + (2 * w + 12) * 3));
  }
}

TEST(LayerBMP, TestWrittenHeaderFormsReadAlike) {
  TTempFolder dir;
  const int w = 9, h = 6;
  const std::vector<std::uint8_t> px = Pixels(w, h);
  struct Row {
    std::string name;
    int bits;
    bool topDown;
    std::uint32_t compression;
  };
  const Row rows[] = {{"bottom-up 24", 24, false, 0},
                      {"top-down 24", 24, true, 0},
                      {"32-bit without bit fields", 32, false, 0},
                      {"32-bit bit fields top-down", 32, true, 3}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile(dir.File("f.bmp"), MakeBmp(w, h, r.bits, r.topDown, px, r.compression));
    auto layer = OpenBmp(dir.File("f.bmp"));
    EXPECT_EQ(LayerRows(*layer), px);
    EXPECT_EQ(layer->StoredHeight(), r.topDown ? -h : h);
  }
}

TEST(LayerBMP, TopDownAndBottomUpDrawIdentically) {
  TTempFolder dir;
  const int w = 40, h = 30;
  const std::vector<std::uint8_t> px = Pixels(w, h);
  std::vector<std::vector<std::uint8_t>> drawn;
  for (bool topDown : {false, true}) {
    WriteFile(dir.File("d.bmp"), MakeBmp(w, h, 24, topDown, px));
    TRasterView view(w, h);
    auto* layer = new TGIS_LayerBMP();
    layer->SetPath(dir.File("d.bmp"));
    view.Show(layer);
    drawn.push_back(Render(view.Viewer(), w, h));
  }
  std::vector<std::uint8_t> expected = px;
  NonBlack(expected);
  EXPECT_EQ(drawn[0], expected);
  EXPECT_EQ(drawn[1], expected);
}

TEST(LayerBMP, DamagedAndUnsupportedFilesRaise0031) {
  TTempFolder dir;
  const int w = 8, h = 4;
  const std::string good = MakeBmp(w, h, 24, false, Pixels(w, h));
  auto patched = [&](std::size_t at, std::uint32_t v, bool word = false) {
    std::string s = good;
    if (word)
      Put16(s, at, std::uint16_t(v));
    else
      Put32(s, at, v);
    return s;
  };
  struct Row {
    std::string name, bytes;
  };
  std::vector<Row> rows = {
      {"empty", ""},
      {"cut header", good.substr(0, 30)},
      {"biSize 12", patched(14, 12)},
      {"bfOffBits 0", patched(10, 0)},
      {"bfOffBits huge", patched(10, 0x7FFFFFF0)},
      {"16 bits", patched(28, 16, true)},
      {"2 bits", patched(28, 2, true)},
      {"RLE8", patched(30, 1)},
      {"bit fields at 24 bits", patched(30, 3)},
      {"width 0", patched(18, 0)},
      {"width negative", patched(18, 0xFFFFFFF0)},
      {"height 0", patched(22, 0)},
      {"height -2^31", patched(22, 0x80000000)},
      {"huge width", patched(18, 0x7FFFFFFF)},
      {"pixel data cut", good.substr(0, good.size() - 40)},
  };
  {
    std::string masks = MakeBmp(w, h, 32, false, Pixels(w, h), 3);
    Put32(masks, 54, 0x000000FF); // R and B masks exchanged
    Put32(masks, 62, 0x00FF0000);
    rows.push_back({"bit fields R,G,B order", masks});
  }
  if (HasTool("convert")) {
    auto photo = MakePhoto(w, h);
    photo->SaveToFile(dir.File("src.bmp"));
    RunTool("convert '" + dir.File("src.bmp") + "' -colors 200 -type Palette -compress RLE BMP3:'" +
            dir.File("rle.bmp") + "'");
    RunTool("convert '" + dir.File("src.bmp") + "' -define bmp:subtype=RGB565 BMP:'" +
            dir.File("565.bmp") + "'");
    rows.push_back({"ImageMagick RLE8", ReadFile(dir.File("rle.bmp"))});
    rows.push_back({"ImageMagick RGB565", ReadFile(dir.File("565.bmp"))});
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string path = dir.File("bad.bmp");
    WriteFile(path, r.bytes);
    try {
      OpenBmp(path);
      FAIL() << "opened";
    } catch (const EGIS_Exception& e) {
      // the reason follows the code
      const std::string head = "0031 Error during reading file \"" + path + "\" (code 0): ";
      EXPECT_EQ(std::string(e.Message()).substr(0, head.size()), head);
    }
  }
}

TEST(LayerBMP, EightBitsWithoutColourCountUseTheWholePaletteAndNeverBlack) {
  TTempFolder dir;
  const int w = 4, h = 1;
  // 8-bit, biClrUsed 0: 256 entries; entry 0 pure black, entry 255 red
  const int line = 4, off = 54 + 1024;
  std::string s(std::size_t(off + line * h), '\0');
  s[0] = 'B', s[1] = 'M';
  Put32(s, 10, off);
  Put32(s, 14, 40);
  Put32(s, 18, w);
  Put32(s, 22, h);
  Put16(s, 26, 1);
  Put16(s, 28, 8);
  s[54 + 255 * 4 + 2] = char(255);
  s[54 + 7 * 4] = char(200);
  s[off] = 0, s[off + 1] = char(255), s[off + 2] = 7, s[off + 3] = char(255);
  WriteFile(dir.File("p8.bmp"), s);
  auto layer = OpenBmp(dir.File("p8.bmp"));
  const std::vector<std::uint8_t> expected = {1, 1, 1, 0, 0, 255, 200, 0, 0, 0, 0, 255};
  EXPECT_EQ(LayerRows(*layer), expected);
}

TEST(LayerBMP, FileGoneAfterOpenRaises0031WhenRead) {
  TTempFolder dir;
  WriteFile(dir.File("g.bmp"), MakeBmp(4, 4, 24, false, Pixels(4, 4)));
  auto layer = OpenBmp(dir.File("g.bmp"));
  std::filesystem::remove(dir.File("g.bmp"));
  layer->WakeUp();
  std::vector<std::uint8_t> row(12);
  EXPECT_THROW(layer->ReadLine(row.data(), 0, 12, 0), EGIS_Exception);
}
