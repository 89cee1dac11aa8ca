#include "app/CaptureFiles.h"

#include "app/AppFiles.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

/// A span of neighbouring target pixels whose sources are neighbours too.
struct TRun {
  int Target, Source, Length;
};

/// The index table as runs of consecutive sources, left to right.
std::vector<TRun> Runs(const std::vector<int>& sources) {
  std::vector<TRun> runs;
  for (int i = 0; i < int(sources.size()); ++i) {
    const int s = sources[std::size_t(i)];
    if (!runs.empty() && runs.back().Source + runs.back().Length == s &&
        runs.back().Target + runs.back().Length == i)
      ++runs.back().Length;
    else
      runs.push_back({i, s, 1});
  }
  return runs;
}

/// The stretch of (2, 2)-(width, height) of `source` onto all of `target`
/// (both 24-bit, target width x height), row by row through index tables,
/// copying runs of neighbouring pixels at once. Each target pixel's source
/// lies at or after it, and runs are copied left to right and rows top
/// down, so `target` may be `source` itself.
void StretchRows(TBitmap& source, TBitmap& target) {
  const int width = target.Width(), height = target.Height();
  const std::vector<TRun> columns = Runs(StretchSources(width, source.Width()));
  const std::vector<int> rows = StretchSources(height, source.Height());
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = source.ScanLine(rows[std::size_t(y)]);
    std::uint8_t* to = target.ScanLine(y);
    for (const TRun& run : columns)
      std::memmove(to + std::size_t(run.Target) * 3, from + std::size_t(run.Source) * 3,
                   std::size_t(run.Length) * 3);
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
  WriteCaptureBitmap(bitmap, folder);
  WriteCaptureJpeg(bitmap, folder);
}

void WriteCaptureBitmap(TBitmap& bitmap, const std::string& folder) {
  bitmap.SetPixelFormat(pf24bit);
  // Written straight into the temporary file: the replacing write already
  // keeps the old picture until the new one is whole.
  SaveFileReplacing(folder + "image1.bmp", [&](const std::string& temporary) {
    TFileStream file(temporary, fmCreate);
    bitmap.SaveToStream(file);
  });
}

void WriteCaptureJpeg(const TBitmap& bitmap, const std::string& folder) {
  // Encoded from the capture's own rows, without an image object's copy.
  const std::vector<std::uint8_t> jpeg = EncodeJpeg(bitmap, 90, false);
  SaveFileReplacing(folder + "image1.jpg", [&](const std::string& temporary) {
    TFileStream file(temporary, fmCreate);
    file.WriteBuffer(jpeg.data(), static_cast<std::int64_t>(jpeg.size()));
  });
}
