// The capture's crop and its two image files.
#include "app/CaptureFiles.h"
#include "app/WebMercator.h"

#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Format.h"
#include "tests/app/CodedPage.h"
#include "tests/app/GdalOracle.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

using namespace apptest;

constexpr int kWidth = 796;
constexpr int kHeight = 613;

TEST(CaptureFiles, CropShowsTheCompositeSourceOfBothStretches) {
  struct TCase {
    int Width, Height;
    TPixelFormat Snapshot; // the browser's picture
  };
  const TCase cases[] = {{kWidth, kHeight, pf24bit}, {kWidth, kHeight, pf32bit},
                         {1600, 1000, pf24bit},      {11, 7, pf24bit},
                         {3, 3, pf32bit}};
  for (const TCase& c : cases) {
    auto snapshot = CodedSnapshot(6, 46, 14, c.Width, c.Height);
    snapshot->SetPixelFormat(c.Snapshot);
    auto capture = CropSnapshot(*snapshot, c.Width, c.Height);
    ShiftStretchInPlace(*capture);
    ASSERT_EQ(capture->Width(), c.Width);
    ASSERT_EQ(capture->Height(), c.Height);
    ASSERT_EQ(capture->PixelFormat(), pf24bit);
    const TPageFrame frame = PageFrame(6, 46, 14, c.Width, c.Height);
    int wrong = 0;
    for (int y = 0; y < c.Height; ++y)
      for (int x = 0; x < c.Width; ++x) {
        const TRgb expected = PixelCode(frame.Gx(CaptureSource(x, c.Width)),
                                        frame.Gy(CaptureSource(y, c.Height)));
        const TRgb got = PixelAt(*capture, x, y);
        if (got.R != expected.R || got.G != expected.G || got.B != expected.B) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << c.Width << " x " << c.Height << " from " << int(c.Snapshot);
  }
}

TEST(CaptureFiles, CropDrawsIntoTheLastCaptureOnlyWhenItFits) {
  auto snapshot = CodedSnapshot(6, 46, 14, 100, 80);
  auto first = CropSnapshot(*snapshot, 100, 80);
  TBitmap* kept = first.get();
  auto second = CropSnapshot(*snapshot, 100, 80, std::move(first));
  EXPECT_EQ(second.get(), kept);
  auto resized = CropSnapshot(*snapshot, 90, 80, std::move(second));
  EXPECT_EQ(resized->Width(), 90);
  // A browser picture smaller than the capture still gives the capture's size.
  auto small = CodedSnapshot(6, 46, 14, 40, 30);
  auto fromSmall = CropSnapshot(*small, 100, 80);
  EXPECT_EQ(fromSmall->Width(), 100);
  EXPECT_EQ(fromSmall->Height(), 80);
}

// A smooth picture, like a map's areas, for the JPEG's quality.
std::unique_ptr<TBitmap> Gradient(int width, int height) {
  auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 255 / width);
      row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / height);
      row[3 * x + 2] = static_cast<std::uint8_t>((x + y) * 127 / (width + height) + 64);
    }
  }
  return bitmap;
}

// The JPEG's frame type and its first luminance quantiser.
struct TJpegMarkers {
  bool Baseline = false;
  int FirstQuantiser = -1;
};

TJpegMarkers ReadMarkers(const std::string& bytes) {
  TJpegMarkers m;
  for (std::size_t i = 2; i + 4 < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) != 0xFF) break;
    const unsigned marker = static_cast<unsigned char>(bytes[i + 1]);
    const std::size_t length =
        static_cast<unsigned char>(bytes[i + 2]) * 256u + static_cast<unsigned char>(bytes[i + 3]);
    if (marker == 0xC0) m.Baseline = true;
    if (marker == 0xDB && m.FirstQuantiser < 0)
      m.FirstQuantiser = static_cast<unsigned char>(bytes[i + 5]);
    if (marker == 0xDA) break;
    i += 2 + length;
  }
  return m;
}

TEST(CaptureFiles, WritesA24BitBitmapAndAQuality90Jpeg) {
  sktest::TTempDir dir("app-capture");
  auto capture = Gradient(kWidth, kHeight);
  const std::string folder = dir.Path() + "/";
  WriteCaptureImages(*capture, folder);

  // 54-byte header and rows of 796 * 3 = 2388 bytes (already a multiple of 4).
  EXPECT_EQ(std::filesystem::file_size(folder + "image1.bmp"), 1463898u);
  TBitmap bmp;
  bmp.LoadFromFile(folder + "image1.bmp");
  EXPECT_EQ(bmp.PixelFormat(), pf24bit);
  const TJpegMarkers markers = ReadMarkers(sktest::TTempDir::Read(folder + "image1.jpg"));
  EXPECT_TRUE(markers.Baseline);
  EXPECT_EQ(markers.FirstQuantiser, 3); // 16 scaled to quality 90
  TJPEGImage jpeg;
  jpeg.LoadFromFile(folder + "image1.jpg");
  ASSERT_EQ(jpeg.Width(), kWidth);
  ASSERT_EQ(jpeg.Height(), kHeight);
  TBitmap decoded;
  decoded.Assign(&jpeg.Bitmap());
  double squares = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const TRgb a = PixelAt(bmp, x, y), b = PixelAt(decoded, x, y);
      const TRgb c = PixelAt(*capture, x, y);
      ASSERT_EQ(a.R, c.R);
      ASSERT_EQ(a.G, c.G);
      ASSERT_EQ(a.B, c.B);
      squares += (a.R - b.R) * (a.R - b.R) + (a.G - b.G) * (a.G - b.G) + (a.B - b.B) * (a.B - b.B);
    }
  const double mse = squares / (3.0 * kWidth * kHeight);
  EXPECT_GT(10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9)), 30.0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            2);
}
TEST(CaptureFiles, WorldFilePlacesThePictureForGdal) {
  sktest::TTempDir dir("app-gdal");
  auto capture = Gradient(kWidth, kHeight);
  WriteCaptureImages(*capture, dir.Path() + "/");
  dir.Write("image1.jgw", "1\r\n0\r\n0\r\n-1\r\n0\r\n0\r\n");
  const TGlobalPixel topLeft = RewriteWorldFile(dir / "image1.jgw", 6, 46, 14, kWidth, kHeight);
  const std::string origin = GdalOrigin(dir / "image1.jpg");
  if (origin.empty()) GTEST_SKIP() << "gdalinfo is not installed";
  const std::size_t comma = origin.find(',');
  ASSERT_NE(comma, std::string::npos) << origin;
  // The world file names the top-left pixel's centre; its corner lies half a
  // pixel west and north.
  EXPECT_NEAR(StrToFloat(origin.substr(0, comma)), static_cast<double>(topLeft.X) - 0.5, 1e-6);
  EXPECT_NEAR(StrToFloat(origin.substr(comma + 1)), static_cast<double>(topLeft.Y) + 0.5, 1e-6);
}

} // namespace
