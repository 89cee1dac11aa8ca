#include "app/CaptureFiles.h"

#include "app/AppFiles.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

/// For each of `size` pixels, the pixel it shows when the span (2, size) is
/// stretched onto (0, size) by nearest sample, kept below `limit`.
std::vector<int> StretchSources(int size, int limit) {
  std::vector<int> sources(static_cast<std::size_t>(std::max(size, 0)));
  for (int i = 0; i < size; ++i) {
    const std::int64_t s = 2 + (2 * std::int64_t(i) + 1) * (size - 2) / (2 * std::int64_t(size));
    sources[std::size_t(i)] = static_cast<int>(std::clamp<std::int64_t>(s, 0, limit - 1));
  }
  return sources;
}

/// The stretch of (2, 2)-(width, height) of `source` onto all of `target`
/// (both 24-bit, target width x height), row by row through index tables.
/// Each target pixel's source lies at or after it, so `target` may be
/// `source` itself.
void StretchRows(TBitmap& source, TBitmap& target) {
  const int width = target.Width(), height = target.Height();
  const std::vector<int> columns = StretchSources(width, source.Width());
  const std::vector<int> rows = StretchSources(height, source.Height());
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = source.ScanLine(rows[std::size_t(y)]);
    std::uint8_t* to = target.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = from + std::size_t(columns[std::size_t(x)]) * 3;
      to[0] = p[0];
      to[1] = p[1];
      to[2] = p[2];
      to += 3;
    }
  }
}

} // namespace

std::unique_ptr<TBitmap> CropSnapshot(TBitmap& snapshot, int width, int height,
                                      std::unique_ptr<TBitmap> reuse) {
  std::unique_ptr<TBitmap> crop = std::move(reuse);
  if (!crop || crop->Width() != width || crop->Height() != height ||
      crop->PixelFormat() != pf24bit)
    crop = std::make_unique<TBitmap>(width, height, pf24bit);
  if (snapshot.PixelFormat() == pf24bit && snapshot.Width() >= width &&
      snapshot.Height() >= height) {
    StretchRows(snapshot, *crop);
    return crop;
  }
  crop->Canvas()->CopyRect(TRect(0, 0, width, height), snapshot.Canvas(),
                           TRect(2, 2, width, height));
  return crop;
}

void ShiftStretchInPlace(TBitmap& bitmap) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  if (bitmap.PixelFormat() == pf24bit) {
    StretchRows(bitmap, bitmap);
    return;
  }
  bitmap.Canvas()->CopyRect(TRect(0, 0, width, height), bitmap.Canvas(),
                            TRect(2, 2, width, height));
}

void WriteCaptureImages(TBitmap& bitmap, const std::string& folder) {
  bitmap.SetPixelFormat(pf24bit);
  // Written straight into the temporary file: the replacing write already
  // keeps the old picture until the new one is whole.
  SaveFileReplacing(folder + "image1.bmp", [&](const std::string& temporary) {
    TFileStream file(temporary, fmCreate);
    bitmap.SaveToStream(file);
  });
  TJPEGImage jpeg;
  jpeg.SetCompressionQuality(90);
  jpeg.Assign(&bitmap);
  SaveFileReplacing(folder + "image1.jpg",
                    [&](const std::string& temporary) { jpeg.SaveToFile(temporary); });
}
