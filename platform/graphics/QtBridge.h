// For platform/ only: the drawing layer's meeting points with Qt. Code above
// platform/ never includes this header.
#pragma once

#include <QImage>
#include <QRegion>
#include <functional>

#include "platform/graphics/Dib.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"

/// A surface over a QImage someone else owns (a window's back buffer):
/// Format_RGB32 or Format_ARGB32 (not premultiplied) or Format_RGB888-free
/// 32-bit formats only. The image must not be reallocated while a DC draws on
/// it; after a resize call Reset() or make a new surface.
class TQImageSurface : public TSurface {
public:
  explicit TQImageSurface(QImage* image, TSurfaceKind kind = TSurfaceKind::Window)
      : image_(image), kind_(kind) {}
  int Width() const override { return image_ ? image_->width() : 0; }
  int Height() const override { return image_ ? image_->height() : 0; }
  int BitsPerPixel() const override { return 32; }
  std::int64_t Stride() const override { return image_ ? image_->bytesPerLine() : 0; }
  std::uint8_t* Bits() override { return image_ && !image_->isNull() ? image_->bits() : nullptr; }
  TSurfaceKind Kind() const override { return kind_; }
  /// An RGB32 image holds 255 in the fourth byte.
  int FourthByte() const override {
    return image_ && image_->format() == QImage::Format_RGB32 ? 0xFF : -1;
  }
  int PixelsPerInch() const override { return ppi_; }
  void SetPixelsPerInch(int ppi) { ppi_ = ppi; }
  void Changed(const TRect& area) override {
    if (OnChanged) OnChanged(area);
  }
  void Reset(QImage* image) { image_ = image; }
  QImage* Image() const { return image_; }
  /// Drawing touched `area` (device pixels): the owner shows it.
  std::function<void(const TRect&)> OnChanged;

private:
  QImage* image_;
  TSurfaceKind kind_;
  int ppi_ = 96;
};

/// The pixels of a region handle (empty for an unknown handle).
QRegion RegionToQRegion(HRGN rgn);
/// A new region handle holding `region` (delete it with DeleteObject).
HRGN CreateRegionFromQRegion(const QRegion& region);
/// Replaces the pixels of an existing region handle.
bool SetRegionFromQRegion(HRGN rgn, const QRegion& region);
class TBitmap;
/// Sizes the bitmap to the image and copies its pixels (keeping the bitmap's
/// pixel format); the bitmap's canvas stays usable.
void AssignQImage(TBitmap& bitmap, const QImage& image);
/// A copy of a DIB as a 32-bit image.
QImage DibToQImage(const TDibData& dib);
/// Fills a DIB (any depth, size taken from the image) from an image; 24- and
/// 32-bit stores get straight row copies (the X byte of 32-bit pixels is kept).
void QImageToDib(const QImage& image, TDibData& dib);
