// Images of the anti-aliasing drawing layer: the leading bytes name the
// format, then Qt's reader decodes with that format under a size limit.
#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstring>
#include <new>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GdiPlusInternal.h"

struct GpImage : GdipObject {
  QImage pixels;
  int format = GpFormatUndefined;
};

namespace {
/// Images larger than this many pixels are refused before decoding.
constexpr qint64 kMaxPixels = qint64(1) << 24;

bool StartsWith(const std::uint8_t* b, std::size_t n, const char* magic, std::size_t m) {
  return n >= m && std::memcmp(b, magic, m) == 0;
}

const char* ReaderFormat(int format) {
  switch (format) {
  case GpFormatBmp:
    return "bmp";
  case GpFormatJpeg:
    return "jpeg";
  case GpFormatPng:
    return "png";
  case GpFormatGif:
    return "gif";
  case GpFormatTiff:
    return "tiff";
  case GpFormatIcon:
    return "ico";
  default:
    return nullptr;
  }
}
} // namespace

int GdipSniffImageFormat(const std::uint8_t* b, std::size_t n) {
  if (!b) return GpFormatUndefined;
  if (StartsWith(b, n, "BM", 2)) return GpFormatBmp;
  if (StartsWith(b, n, "\x89PNG\r\n\x1a\n", 8)) return GpFormatPng;
  if (StartsWith(b, n, "\xFF\xD8\xFF", 3)) return GpFormatJpeg;
  if (StartsWith(b, n, "GIF87a", 6) || StartsWith(b, n, "GIF89a", 6)) return GpFormatGif;
  if (StartsWith(b, n, "II*\0", 4) || StartsWith(b, n, "MM\0*", 4)) return GpFormatTiff;
  if (StartsWith(b, n, "\0\0\1\0", 4)) return GpFormatIcon;
  if (StartsWith(b, n, "\xD7\xCD\xC6\x9A", 4)) return GpFormatWmf;
  if (n >= 44 && std::memcmp(b + 40, " EMF", 4) == 0) return GpFormatEmf;
  return GpFormatUndefined;
}

GpStatus GdipLoadImageFromMemory(const std::uint8_t* bytes, std::size_t size, GpImage** image) {
  if (!image) return GpInvalidParameter;
  *image = nullptr;
  if (!bytes || size == 0) return GpInvalidParameter;
  const int format = GdipSniffImageFormat(bytes, size);
  const char* readerFormat = ReaderFormat(format);
  if (!readerFormat) return GpUnknownImageFormat;
  // a bitmap whose rows the file cannot hold is refused before decoding
  if (format == GpFormatBmp && !BmpFileIsSound(bytes, size)) return GpUnknownImageFormat;
  QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, readerFormat);
  reader.setAllocationLimit(256);
  const QSize announced = reader.size();
  if (announced.isValid() && qint64(announced.width()) * announced.height() > kMaxPixels)
    return GpUnknownImageFormat;
  QImage pixels = reader.read();
  if (pixels.isNull()) return GpUnknownImageFormat;
  *image = new (std::nothrow) GpImage;
  if (!*image) return GpOutOfMemory;
  (*image)->pixels = pixels.convertToFormat(QImage::Format_ARGB32);
  (*image)->format = format;
  return GpOk;
}

GpStatus GdipDisposeImage(GpImage* image) {
  return GdipDeleteObject(image);
}

GpStatus GdipGetImageWidth(GpImage* image, unsigned* width) {
  if (!image || !width) return GpInvalidParameter;
  *width = unsigned(image->pixels.width());
  return GpOk;
}

GpStatus GdipGetImageHeight(GpImage* image, unsigned* height) {
  if (!image || !height) return GpInvalidParameter;
  *height = unsigned(image->pixels.height());
  return GpOk;
}

GpStatus GdipGetImageRawFormat(GpImage* image, int* format) {
  if (!image || !format) return GpInvalidParameter;
  *format = image->format;
  return GpOk;
}

QImage GdipImagePixels(GpImage* image) {
  return image ? image->pixels : QImage();
}
