// The JPEG 2000 core of the decoder adapters: a JP2 or J2K file opened by
// its signature, and areas of it decoded at a resolution level. Both
// adapter libraries ("libvrkMrSID4.so", "libNCSEcw.so") are built over it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace skdec {

struct TJp2Info {
  int Width = 0, Height = 0; // full resolution, pixels
  int Components = 0;
  int Precision = 8; // bits of component 0
  bool Signed = false;
  int Resolutions = 1; // levels 0 .. Resolutions - 1
};

/// Decoded samples of an area at one level, in level pixels, the area
/// starting at (X0, Y0) of the level: At(c, row, column). The samples stay
/// in the decoder's own image, which the area keeps.
struct TJp2Area {
  int X0 = 0, Y0 = 0, Width = 0, Height = 0;
  std::vector<const std::int32_t*> Planes;
  std::vector<std::size_t> Strides;
  std::shared_ptr<void> Owner;
  std::int32_t At(int c, int row, int column) const {
    return Planes[std::size_t(c)][std::size_t(row) * Strides[std::size_t(c)] + std::size_t(column)];
  }
};

/// The largest image the adapters accept (pixels of the full resolution).
inline constexpr std::int64_t kJp2MaxPixels = std::int64_t(1) << 36;

class TJp2Source {
public:
  /// Reads the header; false when the file is not a JP2 or J2K file, or
  /// is damaged, or has subsampled components.
  bool Open(const std::string& path);
  const TJp2Info& Info() const { return info_; }
  /// The size of level `level` (ceil(size / 2^level)).
  int LevelWidth(int level) const;
  int LevelHeight(int level) const;
  /// Decodes the full-resolution area [x0, x1) x [y0, y1) at `level`; false
  /// on a decoding failure or an empty area.
  bool Decode(int level, int x0, int y0, int x1, int y1, TJp2Area& out) const;

private:
  std::string path_;
  bool codestream_ = false;
  int originX_ = 0, originY_ = 0;
  TJp2Info info_;
};

/// One resolution level decoded whole and kept, for levels of at most
/// kJp2LevelCachePixels pixels of three components (fewer with more): the adapters serve strips and windows of
/// such a level from it instead of decoding overlapping areas again.
inline constexpr std::int64_t kJp2LevelCachePixels = std::int64_t(1) << 22;

class TJp2LevelCache {
public:
  /// The whole level, decoded on first use; null when the level is larger
  /// than the cache takes or does not decode.
  const TJp2Area* Level(const TJp2Source& source, int level);
  void Clear() { level_ = -1, area_ = TJp2Area{}; }

private:
  int level_ = -1;
  bool failed_ = false;
  TJp2Area area_;
};

/// A sample scaled to 8 bits (signed samples offset to unsigned first).
inline std::uint8_t Jp2ToByte(std::int32_t v, int precision, bool isSigned) {
  std::int64_t u = v;
  if (isSigned) u += std::int64_t(1) << (precision - 1);
  if (precision > 8) u >>= (precision - 8);
  if (u < 0) u = 0;
  if (u > 255) u = 255;
  return std::uint8_t(u);
}

} // namespace skdec
