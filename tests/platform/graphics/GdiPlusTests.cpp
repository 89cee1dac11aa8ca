// The anti-aliasing layer's flat interface: statuses for missing objects,
// the raw formats its leading bytes announce, the path gradient's colour
// count rule, pixel centres, the DC's clip, and objects counted until freed.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "GraphicsTestUtil.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GdiPlus.h"
#include "platform/rtl/Streams.h"

#include <QFile>

namespace {
/// Fails when a test leaves objects of the layer alive.
struct TLive {
  int before = GdipLiveObjects();
  ~TLive() { EXPECT_EQ(GdipLiveObjects(), before) << "objects of the layer left alive"; }
};
constexpr ARGB kGreen = 0xFF00FF00;
} // namespace

TEST(GdiPlusFlat, MissingObjectsAnswerInvalidParameter) {
  TLive live;
  TTestCanvas canvas;
  GpGraphics* g = nullptr;
  ASSERT_EQ(GdipCreateFromHDC(canvas.dc, &g), GpOk);
  GpBrush* brush = nullptr;
  ASSERT_EQ(GdipCreateSolidFill(kGreen, &brush), GpOk);
  GpPath* path = nullptr;
  ASSERT_EQ(GdipCreatePath(GpFillAlternate, &path), GpOk);
  struct TRow {
    const char* call;
    std::function<GpStatus()> run;
  } rows[] = {
      {"surface on no DC",
       [] {
         GpGraphics* none;
         return GdipCreateFromHDC(nullptr, &none);
       }},
      {"fill without surface", [&] { return GdipFillRectangle(nullptr, brush, 0, 0, 4, 4); }},
      {"fill without brush", [&] { return GdipFillRectangle(g, nullptr, 0, 0, 4, 4); }},
      {"path fill without path", [&] { return GdipFillPath(g, brush, nullptr); }},
      {"outline without pen", [&] { return GdipDrawPath(g, nullptr, path); }},
      {"clip without region", [&] { return GdipSetClipRegion(g, nullptr, GpCombineReplace); }},
      {"line into no path", [] { return GdipAddPathLine(nullptr, 0, 0, 1, 1); }},
      {"image width of none",
       [] {
         unsigned w;
         return GdipGetImageWidth(nullptr, &w);
       }},
      {"image from no bytes",
       [] {
         GpImage* i;
         return GdipLoadImageFromMemory(nullptr, 4, &i);
       }},
      {"centre colour of none", [] { return GdipSetPathGradientCenterColor(nullptr, kGreen); }},
      {"family of no font",
       [] {
         GpFont* f;
         return GdipCreateFont(nullptr, 9, 0, GpUnitPoint, &f);
       }},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(row.run(), GpInvalidParameter) << row.call;
  // Nothing was drawn by the failed calls.
  EXPECT_EQ(canvas.Count(0xFFFFFF), 32 * 32);
  GdipDeletePath(path);
  GdipDeleteBrush(brush);
  GdipDeleteGraphics(g);
}

TEST(GdiPlusFlat, RawFormatsFromTheLeadingBytes) {
  auto bytes = [](std::initializer_list<int> lead, std::size_t size = 64) {
    std::vector<std::uint8_t> b(size, 0);
    std::size_t i = 0;
    for (int v : lead)
      b[i++] = std::uint8_t(v);
    return b;
  };
  std::vector<std::uint8_t> emf(64, 0);
  emf[0] = 1;
  emf[40] = ' ', emf[41] = 'E', emf[42] = 'M', emf[43] = 'F';
  struct TRow {
    const char* name;
    std::vector<std::uint8_t> bytes;
    int format;
  } rows[] = {
      {"bitmap", bytes({'B', 'M'}), GpFormatBmp},
      {"png", bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}), GpFormatPng},
      {"jpeg", bytes({0xFF, 0xD8, 0xFF, 0xE0}), GpFormatJpeg},
      {"gif 87", bytes({'G', 'I', 'F', '8', '7', 'a'}), GpFormatGif},
      {"gif 89", bytes({'G', 'I', 'F', '8', '9', 'a'}), GpFormatGif},
      {"tiff, Intel order", bytes({'I', 'I', '*', 0}), GpFormatTiff},
      {"tiff, Motorola order", bytes({'M', 'M', 0, '*'}), GpFormatTiff},
      {"icon", bytes({0, 0, 1, 0}), GpFormatIcon},
      {"placeable metafile", bytes({0xD7, 0xCD, 0xC6, 0x9A}), GpFormatWmf},
      {"enhanced metafile", emf, GpFormatEmf},
      {"half a bitmap sign", bytes({'B'}, 1), GpFormatUndefined},
      {"text", bytes({'h', 'e', 'l', 'l', 'o'}), GpFormatUndefined},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(GdipSniffImageFormat(row.bytes.data(), row.bytes.size()), row.format) << row.name;
  // Metafiles and bytes of no known kind do not decode.
  for (const std::vector<std::uint8_t>& undecodable : {emf, bytes({0xD7, 0xCD, 0xC6, 0x9A})}) {
    GpImage* image = reinterpret_cast<GpImage*>(1);
    EXPECT_EQ(GdipLoadImageFromMemory(undecodable.data(), undecodable.size(), &image),
              GpUnknownImageFormat);
    EXPECT_EQ(image, nullptr);
  }
}

// A bitmap whose header announces more rows than the file holds is refused
// before anything is decoded, as the bitmap reader refuses it; a sound one
// of the same header form loads.
TEST(GdiPlusFlat, BitmapsWhoseRowsTheFileCannotHoldAreRefused) {
  const std::string dir = std::string(qgetenv("SK_TEST_DATA").constData()) + "/gppicture/";
  QFile file(QString::fromStdString(dir + "regression-rows-past-end.bmp"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray announced = file.readAll();
  ASSERT_EQ(announced.size(), 169);
  TBitmap good(3, 2, pf24bit);
  TMemoryStream stream;
  good.SaveToStream(stream);
  std::vector<std::uint8_t> sound(std::size_t(stream.Size()));
  stream.SetPosition(0);
  stream.ReadBuffer(sound.data(), stream.Size());
  std::vector<std::uint8_t> cut(sound.begin(), sound.end() - 4); // last row short
  struct TRow {
    const char* name;
    std::vector<std::uint8_t> bytes;
    GpStatus status;
  } rows[] = {
      {"2490375 x 5 pixels in 169 bytes",
       std::vector<std::uint8_t>(announced.begin(), announced.end()), GpUnknownImageFormat},
      {"last row cut short", cut, GpUnknownImageFormat},
      {"sound", sound, GpOk},
  };
  for (const TRow& row : rows) {
    GpImage* image = nullptr;
    EXPECT_EQ(GdipLoadImageFromMemory(row.bytes.data(), row.bytes.size(), &image), row.status)
        << row.name;
    EXPECT_EQ(image != nullptr, row.status == GpOk) << row.name;
    if (image) GdipDisposeImage(image);
  }
}

TEST(GdiPlusFlat, SurroundColoursAreCountedAgainstThePath) {
  TLive live;
  GpPath* path = nullptr;
  GdipCreatePath(GpFillAlternate, &path);
  GdipAddPathEllipse(path, 0, 0, 20, 10);
  GpBrush* brush = nullptr;
  ASSERT_EQ(GdipCreatePathGradientFromPath(path, &brush), GpOk);
  int points = 0;
  EXPECT_EQ(GdipGetPathGradientPointCount(brush, &points), GpOk);
  EXPECT_GT(points, 1);
  const std::vector<ARGB> colours(std::size_t(points) + 1, kGreen);
  int count = 1;
  EXPECT_EQ(GdipSetPathGradientSurroundColorsWithCount(brush, colours.data(), &count), GpOk);
  EXPECT_EQ(count, 1);
  count = points + 1;
  EXPECT_EQ(GdipSetPathGradientSurroundColorsWithCount(brush, colours.data(), &count),
            GpInvalidParameter);
  EXPECT_EQ(GdipSetPathGradientSurroundColorsWithCount(brush, nullptr, &count), GpInvalidParameter);
  GdipDeleteBrush(brush);
  GdipDeletePath(path);
}

TEST(GdiPlusFlat, FillsCoverPixelCentresInsideTheDcClip) {
  TLive live;
  TTestCanvas canvas;
  // The DC lets only columns 0 … 11 through.
  HRGN clip = CreateRectRgn(0, 0, 12, 32);
  SelectClipRgn(canvas.dc, clip);
  DeleteObject(clip);
  GpGraphics* g = nullptr;
  GdipCreateFromHDC(canvas.dc, &g);
  GpBrush* brush = nullptr;
  GdipCreateSolidFill(kGreen, &brush);
  EXPECT_EQ(GdipFillRectangle(g, brush, 4, 4, 16, 4), GpOk);
  // Rows 4 … 7 of columns 4 … 11: the rest of the rectangle lies outside the clip.
  EXPECT_EQ(canvas.RowText(5, 0, 24, 0x00FF00), "....########............");
  EXPECT_EQ(canvas.At(6, 3), 0xFFFFFFu);
  EXPECT_EQ(canvas.At(6, 8), 0xFFFFFFu);
  EXPECT_EQ(canvas.Count(0x00FF00), 8 * 4);
  GdipDeleteBrush(brush);
  GdipDeleteGraphics(g);
}

TEST(GdiPlusFlat, ArrowAnchorEndsALineInAHeadAtItsEndPoint) {
  // A line from x 2 to x 26 on row 16, 4 wide: the shaft stops two widths
  // before the end, where a head twice the pen's width across points at x 26.
  TLive live;
  struct TRow {
    const char* name;
    int cap;
    bool head;
  } rows[] = {{"flat cap", GpCapFlat, false}, {"arrow anchor", GpCapArrowAnchor, true}};
  for (const TRow& row : rows) {
    TTestCanvas canvas;
    GpGraphics* g = nullptr;
    GdipCreateFromHDC(canvas.dc, &g);
    GpPen* pen = nullptr;
    GdipCreatePen1(kGreen, 4, GpUnitWorld, &pen);
    EXPECT_EQ(GdipSetPenEndCap(pen, row.cap), GpOk) << row.name;
    GpPath* path = nullptr;
    GdipCreatePath(GpFillAlternate, &path);
    GdipAddPathLine(path, 2, 16, 26, 16);
    EXPECT_EQ(GdipDrawPath(g, pen, path), GpOk) << row.name;
    // The shaft is 4 rows high (14 … 17) well before the end.
    EXPECT_EQ(canvas.At(6, 13), 0xFFFFFFu) << row.name;
    EXPECT_EQ(canvas.At(6, 14), 0x00FF00u) << row.name;
    EXPECT_EQ(canvas.At(6, 17), 0x00FF00u) << row.name;
    // Near the head's base it is wider than the shaft; near the tip narrower.
    EXPECT_EQ(canvas.At(19, 13) == 0x00FF00u, row.head) << row.name;
    EXPECT_EQ(canvas.At(25, 14) == 0x00FF00u, !row.head) << row.name;
    EXPECT_EQ(canvas.At(25, 16), 0x00FF00u) << row.name;
    EXPECT_EQ(canvas.At(28, 16), 0xFFFFFFu) << row.name;
    GdipDeletePath(path);
    GdipDeletePen(pen);
    GdipDeleteGraphics(g);
  }
  GpPen* pen = nullptr;
  GdipCreatePen1(kGreen, 1, GpUnitWorld, &pen);
  EXPECT_EQ(GdipSetPenEndCap(pen, 19), GpInvalidParameter);
  GdipDeletePen(pen);
}
