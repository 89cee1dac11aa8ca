// Device-independent pixel storage shared by TBitmap, bitmap handles and
// memory device contexts.
//
// Rows are kept top first, each padded to four bytes, in the layout DIBs use:
// B,G,R (24), B,G,R,X (32), 5-5-5 words (16), packed palette indices (1, 4,
// 8; the leftmost pixel in the high bits). Drawing on a 1-, 4-, 8- or 16-bit
// image goes through a 32-bit shadow copy that is mapped back (nearest palette
// entry) before the rows are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/graphics/Surface.h"

/// Memory for pixels: blocks of several megabytes are asked for in huge
/// pages where the system has them (a fresh picture then costs a few page
/// faults instead of one per 4 KB).
void* AllocatePixelMemory(std::size_t bytes);
void FreePixelMemory(void* p, std::size_t bytes) noexcept;

/// The allocator of pixel stores: large blocks through AllocatePixelMemory,
/// and value-less construction that leaves the bytes as they are, so that
/// the store of a picture about to be overwritten whole is not cleared first
/// (every other way of sizing it states its fill value).
template <class T> struct TOverwriteAllocator : std::allocator<T> {
  template <class U> struct rebind {
    using other = TOverwriteAllocator<U>;
  };
  TOverwriteAllocator() = default;
  template <class U> TOverwriteAllocator(const TOverwriteAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocatePixelMemory(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { FreePixelMemory(p, n * sizeof(T)); }
  template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
  template <class U, class... Args> void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using TDibBytes = std::vector<std::uint8_t, TOverwriteAllocator<std::uint8_t>>;

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
  TDibBytes& StoredBits();

  /// New size, keeping the overlapping pixels; new pixels are black (index 0).
  void Resize(int width, int height);
  /// New size for a writer that fills every row at once (a decoder): the
  /// pixels are left undefined, not cleared.
  void ResizeForOverwrite(int width, int height);
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
  mutable TDibBytes bits_;
  std::vector<RGBQUAD> palette_;
  mutable std::vector<std::uint8_t> shadow_; // 32-bit copy while drawing on <= 16 bits
  mutable bool shadowDirty_ = false;
  bool bottomUp_ = false;
};

/// The standard palettes used by format changes.
std::vector<RGBQUAD> GreyRampPalette(int entries);
std::vector<RGBQUAD> BlackWhitePalette();
