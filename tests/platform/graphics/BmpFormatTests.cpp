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

/// Loads `bytes`; the reason of the EInvalidGraphic raised ("" when the
/// file was accepted, "other: ..." for any other exception).
std::string LoadFailure(const std::vector<std::uint8_t>& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  TBitmap b;
  try {
    b.LoadFromStream(s);
    return "";
  } catch (const EInvalidGraphic& e) {
    if (e.Message() != "Bitmap image is not valid") return "other message: " + e.Message();
    return e.Reason().empty() ? "no reason" : e.Reason();
  } catch (const std::exception& e) {
    return std::string("other: ") + e.what();
  }
}

void Put32At(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i)
    v[at + i] = std::uint8_t(x >> (8 * i));
}

/// An 8 x 4 RLE8 file with a two-colour palette: runs, a literal run, a
/// delta, row ends and the end-of-bitmap code.
std::vector<std::uint8_t> Rle8File() {
  std::vector<std::uint8_t> v = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0};
  v.resize(62, 0);
  Put32At(v, 14, 40);
  Put32At(v, 18, 8);
  Put32At(v, 22, 4);
  v[26] = 1;
  v[28] = 8;
  Put32At(v, 30, 1); // BI_RLE8
  Put32At(v, 46, 2);
  v[54 + 4] = 0xFF;                                    // index 1 is blue
  const std::uint8_t data[] = {8, 1, 0, 0,             // bottom row: eight of 1
                               0, 4, 1, 0, 1, 0, 0, 0, // next: literal 1 0 1 0
                               0, 2, 2, 1,             // delta: right 2, up 1
                               3, 1, 0, 1};            // top row from x 2, then the end
  v.insert(v.end(), std::begin(data), std::end(data));
  Put32At(v, 2, std::uint32_t(v.size()));
  return v;
}

TEST(BmpFormat, DamagedFilesAreRejectedWithTheirReasons) {
  TBitmap good(4, 4, pf8bit);
  TMemoryStream m;
  good.SaveToStream(m);
  const std::vector<std::uint8_t> base(m.Memory(), m.Memory() + m.Size());
  const std::vector<std::uint8_t> rle = Rle8File();
  using TBytes = std::vector<std::uint8_t>;
  struct Row {
    const char* name;
    const TBytes* file;
    std::function<void(TBytes&)> damage;
    const char* reason;
  } rows[] = {
      {"not BM", &base, [](auto& v) { v[0] = 'X'; }, "no BM signature"},
      {"truncated data", &base, [](auto& v) { v.resize(v.size() - 5); },
       "pixel rows past the end of the file"},
      {"truncated header", &base, [](auto& v) { v.resize(20); }, "file shorter than its headers"},
      {"header cut", &base, [](auto& v) { v.resize(40); }, "info header past the end of the file"},
      {"offset past the end", &base, [](auto& v) { Put32At(v, 10, 100000); },
       "pixel data past the end of the file"},
      {"offset inside the palette", &base, [](auto& v) { Put32At(v, 10, 60); },
       "pixel data inside the headers or the palette"},
      {"palette larger than the depth allows", &base, [](auto& v) { Put32At(v, 46, 300); },
       "palette larger than the depth allows"},
      {"zero width", &base, [](auto& v) { Put32At(v, 18, 0); }, "width or height not positive"},
      {"huge size", &base,
       [](auto& v) {
         Put32At(v, 18, 0x7FFFFFFF);
         Put32At(v, 22, 0x7FFFFFFF);
       },
       "image too large"},
      {"bad depth", &base, [](auto& v) { v[28] = 7; }, "unsupported bits per pixel"},
      {"unknown header size", &base, [](auto& v) { Put32At(v, 14, 41); },
       "unknown info header size"},
      {"unknown compression", &base, [](auto& v) { Put32At(v, 30, 9); }, "unknown compression"},
      {"rle on 24 bits", &base,
       [](auto& v) {
         v[28] = 24;
         Put32At(v, 30, 1);
       },
       "RLE8 data needs 8 bits per pixel"},
      {"rle4 on 8 bits", &rle, [](auto& v) { Put32At(v, 30, 2); },
       "RLE4 data needs 4 bits per pixel"},
      {"rle top-down", &rle, [](auto& v) { Put32At(v, 22, std::uint32_t(-4)); },
       "RLE image stored top-down"},
      {"bit fields on 8 bits", &base, [](auto& v) { Put32At(v, 30, 3); },
       "bit fields need 16 or 32 bits per pixel"},
      {"rle without its end", &rle, [](auto& v) { v.resize(v.size() - 2); },
       "RLE data ends before the end-of-bitmap code"},
      {"rle literal cut", &rle, [](auto& v) { v.resize(62 + 6); },
       "RLE literal run past the end of the data"},
      {"rle delta cut", &rle, [](auto& v) { v.resize(62 + 14); },
       "RLE delta past the end of the data"},
      {"rle rows past the height", &rle, [](auto& v) { v[62 + 15] = 9; },
       "RLE rows past the image height"},
      {"rle huge header over little data", &rle,
       [](auto& v) {
         Put32At(v, 18, 16384);
         Put32At(v, 22, 16384);
       },
       "declared size too large for the RLE data"},
  };
  ASSERT_EQ(LoadFailure(base), "");
  ASSERT_EQ(LoadFailure(rle), "");
  for (const Row& r : rows) {
    TBytes bytes = *r.file;
    r.damage(bytes);
    EXPECT_EQ(LoadFailure(bytes), r.reason) << r.name;
  }
}

TEST(BmpFormat, EveryTruncationOfAnRleFileIsRejected) {
  const std::vector<std::uint8_t> rle = Rle8File();
  TBitmap b;
  TMemoryStream m;
  m.WriteBuffer(rle.data(), std::int64_t(rle.size()));
  m.SetPosition(0);
  b.LoadFromStream(m);
  // Rows are stored bottom first: the runs fill the bottom row, the literal
  // the next, the delta skips the third and goes on in the top one.
  const COLORREF blue = RGB(0, 0, 255), black = RGB(0, 0, 0);
  struct Probe {
    int x, y;
    COLORREF colour;
  } probes[] = {{0, 3, blue}, {7, 3, blue},  {0, 2, blue},  {1, 2, black},
                {2, 2, blue}, {3, 2, black}, {5, 1, black}, {1, 0, black},
                {2, 0, blue}, {4, 0, blue},  {5, 0, black}};
  for (const Probe& p : probes)
    EXPECT_EQ(COLORREF(b.Canvas()->Pixels(p.x, p.y)), p.colour) << p.x << "," << p.y;
  for (std::size_t size = 0; size < rle.size(); ++size) {
    std::vector<std::uint8_t> cut(rle.begin(), rle.begin() + std::ptrdiff_t(size));
    EXPECT_NE(LoadFailure(cut), "") << "accepted " << size << " of " << rle.size() << " bytes";
    EXPECT_EQ(LoadFailure(cut).rfind("other", 0), std::string::npos) << size;
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
  struct Row {
    const char* file;
    const char* reason;
  } damaged[] = {
      {"rle8-overrun.bmp", "RLE literal run past the end of the data"},
      {"rle8-truncated.bmp", "RLE data ends before the end-of-bitmap code"},
      {"rle8-huge-header.bmp", "declared size too large for the RLE data"},
  };
  for (const Row& r : damaged) {
    TBitmap bad;
    try {
      bad.LoadFromFile(dir + r.file);
      ADD_FAILURE() << "accepted " << r.file;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Reason(), r.reason) << r.file;
    }
  }
}

} // namespace
