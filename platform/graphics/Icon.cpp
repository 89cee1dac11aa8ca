#include "platform/graphics/Icon.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "platform/rtl/Streams.h"

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

int TIcon::Width() const {
  return width_;
}

int TIcon::Height() const {
  return height_;
}

void TIcon::SetWidth(int) {
  throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(int) {
  throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

bool TIcon::Empty() const {
  return pixels_.empty();
}

void TIcon::LoadFromStream(TStream& stream) {
  const int64_t size = stream.Size() - stream.Position();
  QByteArray bytes(int(size > 0 ? size : 0), '\0');
  if (size > 0) stream.ReadBuffer(bytes.data(), size);
  QImage image;
  if (!image.loadFromData(bytes, "ICO") || image.isNull())
    throw EInvalidGraphic("Icon image is not valid");
  image = image.convertToFormat(QImage::Format_ARGB32);
  width_ = image.width();
  height_ = image.height();
  pixels_.assign(size_t(width_) * size_t(height_) * 4, 0);
  for (int y = 0; y < height_; ++y)
    std::copy_n(image.constScanLine(y), size_t(width_) * 4,
                pixels_.data() + size_t(y) * size_t(width_) * 4);
  Changed();
}

void TIcon::SaveToStream(TStream& stream) {
  if (Empty()) return;
  QImage image(width_, height_, QImage::Format_ARGB32);
  for (int y = 0; y < height_; ++y)
    std::copy_n(pixels_.data() + size_t(y) * size_t(width_) * 4, size_t(width_) * 4,
                image.scanLine(y));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "ICO");
  stream.WriteBuffer(bytes.constData(), bytes.size());
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
  if (Empty() || rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
  const int w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p =
          pixels_.data() + (size_t(y * height_ / h) * size_t(width_) + size_t(x * width_ / w)) * 4;
      if (p[3] >= 128) canvas->SetPixels(rect.Left + x, rect.Top + y, RGB(p[2], p[1], p[0]));
    }
}

void RegisterIconFormat() {
  static const bool done = [] {
    TPicture::RegisterFileFormat("ico", "Icon", "TIcon", [] { return std::make_unique<TIcon>(); });
    return true;
  }();
  (void)done;
}
