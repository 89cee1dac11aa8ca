// A frame: bounds, pixel buffer, colour tables, reading and writing its
// blocks, copying and cropping.
#include <algorithm>
#include <cstring>

#include "codecs/gif/GifInternal.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Streams.h"

using namespace gif;

TGIFSubImage::TGIFSubImage(TGifPicture* image) : TGIFItem(image) {}

TGIFSubImage::~TGIFSubImage() {
  if (image_ != nullptr) image_->Frames().Remove(this);
  Clear();
  if (palette_ != nullptr) DeleteObject(palette_);
}

int TGIFSubImage::Version() const {
  int v = localColors_.Sorted() ? 2 : 1;
  for (int i = 0; i < extensions_.Count() && v < 2; ++i) v = std::max(v, extensions_.Item(i)->Version());
  return v;
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
  if (localColors_.Count() > 0) return localColors_;
  if (image_ != nullptr && image_->GlobalColors().Count() > 0) return image_->GlobalColors();
  return localColors_;
}

void TGIFSubImage::AllocatePixels() {
  if (!pixels_.empty() && image_ != nullptr) image_->AllocatedPixels() -= DataSize();
  FreePixels();
  const std::int64_t n = std::int64_t(Width()) * std::int64_t(Height());
  if (n == 0) return;
  if (n > GifMaxFramePixels ||
      (image_ != nullptr && image_->AllocatedPixels() + n > GifMaxTotalPixels))
    Fail(GifTexts::InvalidImageDimensions);
  pixels_.assign(std::size_t(n), 0);
  if (image_ != nullptr) image_->AllocatedPixels() += n;
}

void TGIFSubImage::NeedPixels() {
  if (pixels_.empty()) AllocatePixels();
  if (pixels_.empty()) Fail(GifTexts::ImageEmpty);
}

std::uint8_t* TGIFSubImage::ScanLine(int y) {
  if (y < 0 || y >= Height()) Fail(GifTexts::InvalidPixelCoordinates);
  NeedPixels();
  return pixels_.data() + std::size_t(y) * std::size_t(Width());
}

std::uint8_t TGIFSubImage::Pixels(int x, int y) {
  if (x < 0 || x >= Width()) Fail(GifTexts::InvalidPixelCoordinates);
  return ScanLine(y)[x];
}

void TGIFSubImage::SetBounds(int left, int top, int width, int height) {
  if (width != Width() || height != Height()) {
    FreeBitmap();
    FreeMask();
    if (!pixels_.empty() && image_ != nullptr) image_->AllocatedPixels() -= DataSize();
    FreePixels();
    descriptor_.Width = std::uint16_t(width);
    descriptor_.Height = std::uint16_t(height);
    AllocatePixels();
  }
  descriptor_.Left = std::uint16_t(left);
  descriptor_.Top = std::uint16_t(top);
  descriptor_.Width = std::uint16_t(width);
  descriptor_.Height = std::uint16_t(height);
  if (image_ == nullptr) return;
  bool noticed = false;
  if (image_->Width() < Left() + Width()) {
    if (image_->Width() > 0) {
      Warning(1, GifTexts::WidthTooSmall);
      noticed = true;
    }
    image_->ScreenInfo().Descriptor().ScreenWidth = std::uint16_t(Left() + Width());
  }
  if (image_->Height() < Top() + Height()) {
    if (image_->Height() > 0) {
      Warning(1, GifTexts::HeightTooSmall);
      noticed = true;
    }
    image_->ScreenInfo().Descriptor().ScreenHeight = std::uint16_t(Top() + Height());
  }
  if (noticed) Warning(1, GifTexts::ExceedsScreen);
}

void TGIFSubImage::Clear() {
  extensions_.Clear();
  localColors_.Clear();
  if (!pixels_.empty() && image_ != nullptr) image_->AllocatedPixels() -= DataSize();
  FreePixels();
  descriptor_.Width = descriptor_.Height = 0;
  transparent_ = false;
  controlExt_ = nullptr;
  FreeBitmap();
  FreeMask();
}

void TGIFSubImage::LoadFromStream(TStream& stream) {
  Clear();
  extensions_.LoadFromStream(stream, this);
  std::uint8_t b = 0;
  if (!ReadByte(stream, b)) return;
  Skip(stream, -1);
  if (b == ';' || b == 0) return;
  std::uint8_t d[10];
  ReadCheck(stream, d, 10);
  descriptor_.Separator = d[0];
  descriptor_.Left = std::uint16_t(d[1] | (d[2] << 8));
  descriptor_.Top = std::uint16_t(d[3] | (d[4] << 8));
  descriptor_.Width = std::uint16_t(d[5] | (d[6] << 8));
  descriptor_.Height = std::uint16_t(d[7] | (d[8] << 8));
  descriptor_.PackedFields = d[9];
  if ((descriptor_.Width == 0 || descriptor_.Height == 0) && image_ != nullptr) {
    descriptor_.Width = std::uint16_t(image_->Width());
    descriptor_.Height = std::uint16_t(image_->Height());
    Warning(1, GifTexts::ExceedsScreen);
  }
  if ((descriptor_.PackedFields & 0x80) != 0)
    localColors_.LoadFromStream(stream, 2 << (descriptor_.PackedFields & 7));
  GifDecodeFrameData(*this, stream);
  if (GIFRenderOnLoad) Bitmap();
}

void TGIFSubImage::SaveToStream(TStream& stream) {
  extensions_.SaveToStream(stream);
  if (Empty()) return;
  if (localColors_.Count() > 0) {
    descriptor_.PackedFields = std::uint8_t(0x80 | (localColors_.Sorted() ? 0x20 : 0) |
                                            ((localColors_.BitsPerPixel() - 1) & 7));
  } else {
    descriptor_.PackedFields &= 0x58;
  }
  const std::uint8_t d[10] = {descriptor_.Separator,
                              std::uint8_t(descriptor_.Left),
                              std::uint8_t(descriptor_.Left >> 8),
                              std::uint8_t(descriptor_.Top),
                              std::uint8_t(descriptor_.Top >> 8),
                              std::uint8_t(descriptor_.Width),
                              std::uint8_t(descriptor_.Width >> 8),
                              std::uint8_t(descriptor_.Height),
                              std::uint8_t(descriptor_.Height >> 8),
                              descriptor_.PackedFields};
  stream.WriteBuffer(d, 10);
  localColors_.SaveToStream(stream);
  int bits, colors;
  if (localColors_.Count() > 0) {
    bits = localColors_.BitsPerPixel();
    colors = localColors_.Count();
  } else {
    bits = image_ != nullptr ? image_->MaxBitsPerPixel() : 8;
    colors = 1 << bits;
  }
  const bool rle = image_ != nullptr && image_->Encoding == enRLE;
  (rle ? GifEncodeRLE : GifEncodeLZW)(stream, bits, colors, pixels_.data(), Interlaced(), Width(),
                                      Height());
}

void TGIFSubImage::Assign(const TGIFSubImage& source) {
  if (&source == this) return;
  Clear();
  // the extensions are copied through their stream form
  TMemoryStream blocks;
  for (int i = 0; i < source.extensions_.Count(); ++i)
    source.extensions_.Item(i)->SaveToStream(blocks);
  descriptor_ = source.descriptor_;
  localColors_.Assign(source.localColors_);
  if (!source.pixels_.empty()) {
    if (image_ != nullptr) {
      const std::int64_t n = source.DataSize();
      if (image_->AllocatedPixels() + n > GifMaxTotalPixels) Fail(GifTexts::InvalidImageDimensions);
      image_->AllocatedPixels() += n;
    }
    pixels_ = source.pixels_;
  }
  if (blocks.Size() > 0) {
    WriteByte(blocks, ',');
    blocks.SetPosition(0);
    extensions_.LoadFromStream(blocks, this);
  }
}

void TGIFSubImage::Crop() {
  if (Empty() || !Transparent() || controlExt_ == nullptr) return;
  const std::uint8_t t = controlExt_->TransparentColorIndex();
  const int w = Width(), h = Height();
  auto px = [&](int x, int y) { return pixels_[std::size_t(y) * std::size_t(w) + std::size_t(x)]; };
  auto columnUsed = [&](int x) {
    for (int y = 0; y < h; ++y)
      if (px(x, y) != t) return true;
    return false;
  };
  int x0 = 0;
  while (x0 < w && !columnUsed(x0)) ++x0;
  if (x0 == w) {
    Clear();
    return;
  }
  int x1 = w - 1;
  while (x1 > x0 && !columnUsed(x1)) --x1;
  auto rowUsed = [&](int y) {
    for (int x = x0; x <= x1; ++x)
      if (px(x, y) != t) return true;
    return false;
  };
  int y0 = 0;
  while (!rowUsed(y0)) ++y0;
  int y1 = h - 1;
  while (y1 > y0 && !rowUsed(y1)) --y1;
  const int nw = x1 - x0 + 1, nh = y1 - y0 + 1;
  std::vector<std::uint8_t> out(std::size_t(nw) * std::size_t(nh));
  for (int y = 0; y < nh; ++y)
    std::memcpy(out.data() + std::size_t(y) * std::size_t(nw),
                pixels_.data() + std::size_t(y + y0) * std::size_t(w) + std::size_t(x0), std::size_t(nw));
  if (image_ != nullptr) image_->AllocatedPixels() += std::int64_t(out.size()) - DataSize();
  pixels_ = std::move(out);
  descriptor_.Left = std::uint16_t(Left() + x0);
  descriptor_.Top = std::uint16_t(Top() + y0);
  descriptor_.Width = std::uint16_t(nw);
  descriptor_.Height = std::uint16_t(nh);
  FreeBitmap();
  FreeMask();
}
