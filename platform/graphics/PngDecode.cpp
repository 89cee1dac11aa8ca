#include "platform/graphics/PngDecode.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

/// The most a decoded image may take (Qt's allocation limit, in megabytes).
constexpr int kAllocationLimitMB = 1024;

[[noreturn]] void Fail(const std::string& what) {
  throw EInvalidGraphic("PNG error: " + what);
}

/// Wide samples keep their high byte.
void TakeWide(const QImage& image, TDecodedPng& out, bool& anyAlpha) {
  for (int y = 0; y < out.Height; ++y) {
    const auto* src = reinterpret_cast<const std::uint16_t*>(image.constScanLine(y));
    const std::size_t row = std::size_t(out.Height - 1 - y) * std::size_t(out.Width);
    for (int x = 0; x < out.Width; ++x) {
      const std::uint16_t* p = src + 4 * x; // R, G, B, A in memory (RGBA64)
      std::uint8_t* d = &out.Bgr[(row + std::size_t(x)) * 3];
      d[0] = std::uint8_t(p[2] >> 8);
      d[1] = std::uint8_t(p[1] >> 8);
      d[2] = std::uint8_t(p[0] >> 8);
      out.Alpha[row + std::size_t(x)] = std::uint8_t(p[3] >> 8);
      anyAlpha |= (p[3] >> 8) != 255;
    }
  }
}

void TakeNarrow(const QImage& source, TDecodedPng& out, bool& anyAlpha) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.Height; ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const std::size_t row = std::size_t(out.Height - 1 - y) * std::size_t(out.Width);
    for (int x = 0; x < out.Width; ++x) {
      const QRgb c = src[x];
      std::uint8_t* d = &out.Bgr[(row + std::size_t(x)) * 3];
      d[0] = std::uint8_t(qBlue(c));
      d[1] = std::uint8_t(qGreen(c));
      d[2] = std::uint8_t(qRed(c));
      out.Alpha[row + std::size_t(x)] = std::uint8_t(qAlpha(c));
      anyAlpha |= qAlpha(c) != 255;
    }
  }
}

/// Walks the chunks up to IEND and refuses data whose chunks do not fit in
/// it: the decoder below would set aside what a chunk's length announces (a
/// gigabyte for a damaged text chunk) before finding that the data ends.
void CheckChunks(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 8;
  while (at + 8 <= size) {
    const std::uint32_t length = std::uint32_t(data[at]) << 24 | std::uint32_t(data[at + 1]) << 16 |
                                 std::uint32_t(data[at + 2]) << 8 | data[at + 3];
    const std::string type(reinterpret_cast<const char*>(data + at + 4), 4);
    if (length > 0x7FFFFFFFu || length + std::uint64_t(12) > size - at)
      Fail("chunk " + type + " of " + IntToStr(length) + " bytes runs past the end of the data");
    if (type == "IEND") return;
    at += 12 + std::size_t(length);
  }
}

} // namespace

TDecodedPng DecodePngData(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 8) Fail("not a PNG image");
  CheckChunks(data, size);
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  reader.setDecideFormatFromContent(false);
  reader.setAllocationLimit(kAllocationLimitMB);
  QImage image;
  if (!reader.read(&image) || image.isNull()) Fail(reader.errorString().toStdString());
  TDecodedPng out;
  out.Width = image.width();
  out.Height = image.height();
  out.Bgr.resize(std::size_t(out.Width) * std::size_t(out.Height) * 3);
  out.Alpha.resize(std::size_t(out.Width) * std::size_t(out.Height));
  bool anyAlpha = false;
  const QImage::Format f = image.format();
  if (f == QImage::Format_RGBA64 || f == QImage::Format_RGBX64 ||
      f == QImage::Format_RGBA64_Premultiplied) {
    TakeWide(image.convertToFormat(QImage::Format_RGBA64), out, anyAlpha);
  } else if (f == QImage::Format_Grayscale16) {
    TakeWide(image.convertToFormat(QImage::Format_RGBA64), out, anyAlpha);
  } else {
    TakeNarrow(image, out, anyAlpha);
  }
  if (!anyAlpha) out.Alpha.clear();
  return out;
}
