// Surfaces: the pixel buffers device contexts draw on.
//
// A surface is a rectangle of 24-bit (B,G,R) or 32-bit (B,G,R,X) pixels, rows
// top first, owned by whoever made it: a bitmap, a window's back buffer (the
// windowing layer wraps its own image, see QtBridge.h), a printer page. The
// drawing layer writes only the three colour bytes of a 32-bit pixel; the
// fourth byte keeps what the owner put there.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/graphics/Gdi.h"

enum class TSurfaceKind { Memory, Window, Printer, Metafile };

class TSurface {
public:
  virtual ~TSurface() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  /// 24 or 32.
  virtual int BitsPerPixel() const = 0;
  /// Bytes from one row to the next (rows top first).
  virtual std::int64_t Stride() const = 0;
  /// The first byte of the top row; may be null for an empty surface.
  virtual std::uint8_t* Bits() = 0;
  virtual TSurfaceKind Kind() const { return TSurfaceKind::Memory; }
  /// Device capabilities reported by DCs drawing here.
  virtual int PixelsPerInch() const { return 96; }
  /// Called after drawing touched `area` (device pixels, already clipped to the
  /// surface). Window surfaces use it to show drawing done outside a paint.
  virtual void Changed(const TRect& area) { (void)area; }
  /// Called before pixels are read (for surfaces kept in another form).
  virtual void Prepare() {}
  /// The fourth byte of every 32-bit pixel when the surface fixes it (the
  /// drawing layer then writes whole pixels), or -1 when it is the owner's
  /// and is kept.
  virtual int FourthByte() const { return -1; }

  std::uint8_t* Row(int y) { return Bits() + std::int64_t(y) * Stride(); }
};

/// A surface over memory it owns: 32-bit, filled white or black at creation
/// (the fourth byte of its 32-bit pixels is 255).
class TMemorySurface : public TSurface {
public:
  TMemorySurface(int width, int height, int bitsPerPixel = 32, COLORREF fill = 0xFFFFFF);
  int FourthByte() const override { return bpp_ == 32 ? 0xFF : -1; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int BitsPerPixel() const override { return bpp_; }
  std::int64_t Stride() const override { return stride_; }
  std::uint8_t* Bits() override { return pixels_.empty() ? nullptr : pixels_.data(); }

private:
  int width_, height_, bpp_;
  std::int64_t stride_;
  std::vector<std::uint8_t> pixels_;
};

/// A surface over a buffer someone else owns (it must outlive the surface).
class TBufferSurface : public TSurface {
public:
  TBufferSurface(std::uint8_t* bits, int width, int height, std::int64_t stride, int bitsPerPixel,
                 TSurfaceKind kind = TSurfaceKind::Memory);
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int BitsPerPixel() const override { return bpp_; }
  std::int64_t Stride() const override { return stride_; }
  std::uint8_t* Bits() override { return bits_; }
  TSurfaceKind Kind() const override { return kind_; }
  /// Called by Changed().
  std::function<void(const TRect&)> OnChanged;
  void Changed(const TRect& area) override {
    if (OnChanged) OnChanged(area);
  }
  /// Points the surface at another buffer (after the owner resized it).
  void Reset(std::uint8_t* bits, int width, int height, std::int64_t stride);

private:
  std::uint8_t* bits_;
  int width_, height_;
  std::int64_t stride_;
  int bpp_;
  TSurfaceKind kind_;
};

/// A DC drawing on `surface`, which must outlive the DC. Delete it with
/// DeleteDC. The surface can be replaced later with SetDCSurface (a window's
/// back buffer after a resize); clipping and state stay.
HDC CreateSurfaceDC(TSurface* surface);
void SetDCSurface(HDC dc, TSurface* surface);
TSurface* GetDCSurface(HDC dc);
