// BMP files: our writer against ImageMagick's reader, ImageMagick's writer
// against our reader, a byte-exact pin, and damaged files.
#include <QDir>
#include <QFile>

#include "GraphicsTestUtil.h"
#include "ImageOracle.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Dib.h"
#include "platform/rtl/Streams.h"

namespace {

/// A test picture that survives every depth: black, white, and (for >= 4
/// bits) the primary colours, in a pattern with odd widths.
void Paint(TBitmap& b, bool colours) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      COLORREF c = ((x + y) % 3 == 0) ? 0 : 0xFFFFFF;
      if (colours && x % 4 == 1) c = 0x0000FF;
      if (colours && y % 3 == 2) c = 0xFF0000;
      b.Canvas()->SetPixels(x, y, TColor(c));
    }
}

std::string Path(const QTemporaryDir& dir, const char* name) {
  return (dir.path() + "/" + name).toStdString();
}

TEST(BmpFormat, WrittenFilesOfEveryDepthReadBackInImageMagick) {
  QTemporaryDir dir;
  struct Row {
    TPixelFormat pf;
    bool colours;
  } rows[] = {{pf1bit, false}, {pf4bit, true},  {pf8bit, false},
              {pf15bit, true}, {pf24bit, true}, {pf32bit, true}};
  for (const Row& r : rows) {
    TBitmap b(13, 7, pf24bit);
    Paint(b, r.colours);
    b.SetPixelFormat(r.pf);
    std::string file = Path(dir, "out.bmp");
    b.SaveToFile(file);
    TPpm ppm = ConvertToPpm(QString::fromStdString(file));
    ASSERT_EQ(ppm.width, 13) << "format " << r.pf;
    ASSERT_EQ(ppm.height, 7);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x)
        ASSERT_EQ(ppm.At(x, y), COLORREF(b.Canvas()->Pixels(x, y)))
            << "format " << r.pf << " at " << x << "," << y;
    // and our own reader gets the same depth and pixels back
    TBitmap back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.PixelFormat(), r.pf == pf15bit ? pf15bit : r.pf);
    EXPECT_TRUE(back.Dib()->SameImage(*b.Dib())) << "format " << r.pf;
  }
}

TEST(BmpFormat, FilesWrittenByImageMagickReadInEveryVariant) {
  QTemporaryDir dir;
  TBitmap source(11, 5, pf24bit);
  Paint(source, true);
  std::string src = Path(dir, "src.bmp");
  source.SaveToFile(src);
  struct Row {
    const char* name;
    QStringList options;
    const char* target;
    bool exactColours;
  } rows[] = {
      {"bmp3 24-bit", {"-type", "TrueColor"}, "BMP3:", true},
      {"bmp 124-byte header", {"-type", "TrueColor"}, "BMP:", true},
      {"bmp2 12-byte header", {"-type", "TrueColor"}, "BMP2:", true},
      {"8-bit palette", {"-type", "Palette"}, "BMP3:", true},
      {"1-bit", {"-monochrome"}, "BMP3:", false},
      {"16-bit", {"-define", "bmp:subtype=RGB555"}, "BMP:", false},
      {"32-bit with alpha", {"-alpha", "on", "-define", "bmp:format=bmp4"}, "BMP:", true},
  };
  for (const Row& r : rows) {
    std::string out = Path(dir, "im.bmp");
    QStringList args{QString::fromStdString(src)};
    args << r.options << (QString(r.target) + QString::fromStdString(out));
    RunTool("convert", args);
    TPpm expected = ConvertToPpm(QString::fromStdString(out));
    TBitmap b;
    ASSERT_NO_THROW(b.LoadFromFile(out)) << r.name;
    ASSERT_EQ(b.Width(), 11) << r.name;
    ASSERT_EQ(b.Height(), 5) << r.name;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 11; ++x) {
        COLORREF got = COLORREF(b.Canvas()->Pixels(x, y));
        if (r.exactColours) {
          ASSERT_EQ(got, expected.At(x, y)) << r.name << " at " << x << "," << y;
        } else {
          for (int shift : {0, 8, 16})
            ASSERT_NEAR(int((got >> shift) & 0xFF), int((expected.At(x, y) >> shift) & 0xFF), 8)
                << r.name;
        }
      }
  }
}

TEST(BmpFormat, ThreeByTwoTwentyFourBitFileIsByteExact) {
  TBitmap b(3, 2, pf24bit);
  b.Canvas()->SetPixels(0, 0, RGB(1, 2, 3));
  b.Canvas()->SetPixels(1, 0, RGB(4, 5, 6));
  b.Canvas()->SetPixels(2, 0, RGB(7, 8, 9));
  b.Canvas()->SetPixels(0, 1, RGB(10, 11, 12));
  b.Canvas()->SetPixels(1, 1, RGB(13, 14, 15));
  b.Canvas()->SetPixels(2, 1, RGB(16, 17, 18));
  TMemoryStream m;
  b.SaveToStream(m);
  const std::uint8_t expected[] = {
      'B', 'M', 78, 0,  0,  0,  0,  0,  0,  0, 54, 0, 0, 0, // file header
      40,  0,   0,  0,  3,  0,  0,  0,  2,  0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
      24,  0,   0,  0,  0,  0,  0,  0,  0,  0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, // info header
      12,  11,  10, 15, 14, 13, 18, 17, 16, 0, 0,  0,                          // bottom row first
      3,   2,   1,  6,  5,  4,  9,  8,  7,  0, 0,  0};
  ASSERT_EQ(m.Size(), std::int64_t(sizeof expected));
  EXPECT_EQ(std::vector<std::uint8_t>(m.Memory(), m.Memory() + m.Size()),
            std::vector<std::uint8_t>(expected, expected + sizeof expected));
}

TEST(BmpFormat, SavingReplacesTheFileOnlyWhenTheNewOneIsComplete) {
  QTemporaryDir dir;
  std::string file = Path(dir, "keep.bmp");
  TBitmap first(2, 2);
  first.SaveToFile(file);
  std::string missingFolder = Path(dir, "no/such/folder.bmp");
  EXPECT_THROW(first.SaveToFile(missingFolder), EFCreateError);
  TBitmap back;
  back.LoadFromFile(file);
  EXPECT_EQ(back.Width(), 2);
  QDir d(dir.path());
  EXPECT_EQ(d.entryList(QDir::Files).size(), 1); // no temporary file left behind
}

TEST(BmpFormat, DamagedFilesAreRejectedCleanly) {
  TBitmap good(4, 4, pf8bit);
  TMemoryStream m;
  good.SaveToStream(m);
  std::vector<std::uint8_t> base(m.Memory(), m.Memory() + m.Size());
  auto put32 = [](std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
      v[at + i] = std::uint8_t(x >> (8 * i));
  };
  struct Row {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  } rows[] = {
      {"not BM", [](auto& v) { v[0] = 'X'; }},
      {"truncated data", [](auto& v) { v.resize(v.size() - 5); }},
      {"truncated header", [](auto& v) { v.resize(20); }},
      {"offset past the end", [&](auto& v) { put32(v, 10, 100000); }},
      {"offset inside the palette", [&](auto& v) { put32(v, 10, 60); }},
      {"palette larger than the depth allows", [&](auto& v) { put32(v, 46, 300); }},
      {"zero width", [&](auto& v) { put32(v, 18, 0); }},
      {"huge size",
       [&](auto& v) {
         put32(v, 18, 0x7FFFFFFF);
         put32(v, 22, 0x7FFFFFFF);
       }},
      {"bad depth", [](auto& v) { v[28] = 7; }},
      {"unknown header size", [&](auto& v) { put32(v, 14, 41); }},
      {"rle on 24 bits",
       [&](auto& v) {
         v[28] = 24;
         put32(v, 30, 1);
       }},
  };
  for (const Row& r : rows) {
    std::vector<std::uint8_t> bytes = base;
    r.damage(bytes);
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    s.SetPosition(0);
    TBitmap b;
    try {
      b.LoadFromStream(s);
      ADD_FAILURE() << "accepted: " << r.name;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid") << r.name;
    } catch (const std::exception& e) {
      ADD_FAILURE() << r.name << ": " << e.what();
    }
  }
}

TEST(BmpFormat, SamplesUnderTestData) {
  std::string dir = std::string(qgetenv("SK_TEST_DATA").constData()) + "/graphics/";
  TBitmap good;
  good.LoadFromFile(dir + "rle8-good.bmp");
  EXPECT_EQ(good.Width(), 8);
  EXPECT_EQ(good.Height(), 4);
  EXPECT_EQ(good.PixelFormat(), pf8bit);
  TPpm expected = ConvertToPpm(QString::fromStdString(dir + "rle8-good.bmp"));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(COLORREF(good.Canvas()->Pixels(x, y)), expected.At(x, y));
  TBitmap bad;
  EXPECT_THROW(bad.LoadFromFile(dir + "rle8-overrun.bmp"), EInvalidGraphic);
}

} // namespace
