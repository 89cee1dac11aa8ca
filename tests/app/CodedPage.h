// A twin of the test page's painter (tests/data/app/mapgd.htm): every pixel
// of a page centred on lat/lon at a zoom level carries a code of the global
// pixel it shows, so a capture can be checked pixel by pixel without the
// engine, and the engine's captures against the same codes.
#pragma once

#include "app/WebMercator.h"
#include "platform/graphics/Bitmap.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace apptest {

struct TRgb {
  int R, G, B;
};

inline TRgb PixelCode(std::int64_t gx, std::int64_t gy) {
  return {static_cast<int>(gx & 15) * 16 + 8, static_cast<int>(gy & 15) * 16 + 8,
          static_cast<int>(((gx >> 4) & 3) | (((gy >> 4) & 3) << 2)) * 16 + 8};
}

/// The global pixel shown at page pixel (x, y) of a width x height map.
struct TPageFrame {
  double Gx0, Gy0;
  std::int64_t Gx(int x) const { return static_cast<std::int64_t>(std::floor(Gx0 + x + 0.5)); }
  std::int64_t Gy(int y) const { return static_cast<std::int64_t>(std::floor(Gy0 + y + 0.5)); }
};

inline TPageFrame PageFrame(int zoom, double lat, double lon, int width, int height) {
  const TGlobalPixel c = LatLonToPixel(zoom, lat, lon);
  return {static_cast<double>(c.X) - width / 2.0, static_cast<double>(c.Y) - height / 2.0};
}

/// The browser's snapshot: the coded map of width x height at (0, 0) of a
/// browser 30 pixels larger each way, the rest white.
inline std::unique_ptr<TBitmap> CodedSnapshot(int zoom, double lat, double lon, int width,
                                              int height) {
  auto snapshot = std::make_unique<TBitmap>(width + 30, height + 30, pf24bit);
  const TPageFrame frame = PageFrame(zoom, lat, lon, width, height);
  for (int y = 0; y < height + 30; ++y) {
    std::uint8_t* row = snapshot->ScanLine(y);
    for (int x = 0; x < width + 30; ++x) {
      TRgb c{255, 255, 255};
      if (x < width && y < height) c = PixelCode(frame.Gx(x), frame.Gy(y));
      row[3 * x] = static_cast<std::uint8_t>(c.B);
      row[3 * x + 1] = static_cast<std::uint8_t>(c.G);
      row[3 * x + 2] = static_cast<std::uint8_t>(c.R);
    }
  }
  return snapshot;
}

/// The pixel of the source that a stretch of the (2, 2)-(size) rectangle onto
/// (0, 0)-(size) shows at `index` (nearest sample of the stretch).
inline int ShiftStretchSource(int index, int size) {
  return 2 + static_cast<int>((2 * static_cast<std::int64_t>(index) + 1) * (size - 2) /
                              (2 * static_cast<std::int64_t>(size)));
}

/// The page pixel a capture pixel shows after the crop and the second shift
/// and stretch.
inline int CaptureSource(int index, int size) {
  return ShiftStretchSource(ShiftStretchSource(index, size), size);
}

/// A fresh world file: one unit per pixel, placed at (0, 0).
inline constexpr const char* kFreshWorldFile = "1\r\n0\r\n0\r\n-1\r\n0\r\n0\r\n";

/// Fills a temporary program folder with the coded test page as the page
/// template and a fresh world file.
inline void PrepareAppDir(const sktest::TTempDir& dir) {
  const char* data = std::getenv("SK_TEST_DATA");
  dir.Write("mapgd.htm",
            sktest::TTempDir::Read(std::string(data ? data : "tests/data") + "/app/mapgd.htm"));
  dir.Write("image1.jgw", kFreshWorldFile);
}

inline TRgb PixelAt(TBitmap& bitmap, int x, int y) {
  const std::uint8_t* row = bitmap.ScanLine(y);
  return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
}

} // namespace apptest
