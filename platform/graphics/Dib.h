// Device-independent pixel storage shared by TBitmap, bitmap handles and
// memory device contexts.
//
// Rows are kept top first, each padded to four bytes, in the layout DIBs use:
// B,G,R (24), B,G,R,X (32), 5-5-5 words (16), packed palette indices (1, 4,
// 8; the leftmost pixel in the high bits). Drawing on a 1-, 4-, 8- or 16-bit
// image goes through a 32-bit shadow copy that is mapped back (nearest palette
// entry) before the rows are read.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/graphics/Surface.h"

class TDibData : public TSurface {
public:
  TDibData() = default;
  TDibData(int width, int height, int bitsPerPixel);

  // ---- the stored image -------------------------------------------------------
  int DibWidth() const { return width_; }
  int DibHeight() const { return height_; }
  int DibBitsPerPixel() const { return bpp_; }
  std::int64_t RowBytes() const { return rowBytes_; }
  std::vector<RGBQUAD>& Palette() { return palette_; }
  const std::vector<RGBQUAD>& Palette() const { return palette_; }
  /// Row `y` (0 = top) of the stored image, shadow drawing mapped back first.
  /// The caller may write it.
  std::uint8_t* StoredRow(int y);
  const std::uint8_t* StoredRow(int y) const;
  std::vector<std::uint8_t>& StoredBits();

  /// New size, keeping the overlapping pixels; new pixels are black (index 0).
  void Resize(int width, int height);
  /// New pixel format; pixels are converted (to a palette by the nearest
  /// entry, to 8 bits without a palette through a grey ramp, to 1 bit
  /// through black and white).
  void SetBitsPerPixel(int bpp);
  /// Replaces the palette; indices stay, so colours change.
  void SetPalette(const std::vector<RGBQUAD>& palette);
  /// The colour of a pixel as $00BBGGRR.
  COLORREF PixelColor(int x, int y) const;
  void SetPixelColor(int x, int y, COLORREF c);
  /// Nearest palette index (squared RGB distance, lowest index on ties).
  int NearestIndex(COLORREF c) const;
  bool SameImage(const TDibData& other) const;
  /// Rows kept bottom first in memory (a bottom-up DIB section); StoredRow
  /// and ScanLine still count from the top. Changing it reorders the rows.
  bool BottomUp() const { return bottomUp_; }
  void SetBottomUp(bool bottomUp);
  /// The memory as a DIB lays it out (first the bottom row when BottomUp).
  std::uint8_t* Memory() {
    Flush();
    return bits_.data();
  }

  // ---- TSurface ------------------------------------------------------------------
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int BitsPerPixel() const override { return Direct() ? bpp_ : 32; }
  std::int64_t Stride() const override;
  std::uint8_t* Bits() override;
  void Changed(const TRect& area) override;
  /// Maps shadow drawing back into the stored rows.
  void Flush() const;

  int PixelsPerInchValue = 96;
  /// Drawing on a <= 8-bit image is mapped back after every call (DIB
  /// sections, whose memory the owner reads directly).
  bool MapBackAfterDrawing = false;
  int PixelsPerInch() const override { return PixelsPerInchValue; }

private:
  bool Direct() const { return bpp_ == 24 || bpp_ == 32; }
  std::uint8_t* RowPtr(int y) const {
    return bits_.data() + std::int64_t(bottomUp_ ? height_ - 1 - y : y) * rowBytes_;
  }
  void MakeShadow() const;
  COLORREF StoredColor(const std::uint8_t* row, int x) const;
  void StoreColor(std::uint8_t* row, int x, COLORREF c) const;

  int width_ = 0, height_ = 0, bpp_ = 24;
  std::int64_t rowBytes_ = 0;
  mutable std::vector<std::uint8_t> bits_;
  std::vector<RGBQUAD> palette_;
  mutable std::vector<std::uint8_t> shadow_; // 32-bit copy while drawing on <= 16 bits
  mutable bool shadowDirty_ = false;
  bool bottomUp_ = false;
};

/// The standard palettes used by format changes.
std::vector<RGBQUAD> GreyRampPalette(int entries);
std::vector<RGBQUAD> BlackWhitePalette();
