#include "codecs/PngPicture.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/PngDecode.h"
#include "platform/rtl/Streams.h"

namespace {

struct TRegistrar {
  TRegistrar() { PngPictureRegister(); }
};
const TRegistrar registrar;

std::uint8_t Blend(std::uint8_t s, std::uint8_t d, std::uint8_t a) {
  return std::uint8_t((s * a + (255 - a) * d + 255) >> 8);
}

} // namespace

void PngPictureRegister() {
  static bool done = false;
  if (done) return;
  done = true;
  TPicture::RegisterFileFormat("png", "Portable Network Graphics", "TPngPicture",
                               [] { return std::unique_ptr<TGraphic>(new TPngPicture()); });
}

TPngPicture::TPngPicture() = default;
TPngPicture::~TPngPicture() = default;

void TPngPicture::LoadFromStream(TStream& stream) {
  const std::int64_t size = stream.Size() - stream.Position();
  std::vector<std::uint8_t> bytes(std::size_t(std::max<std::int64_t>(size, 0)));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), std::int64_t(bytes.size()));
  TDecodedPng png = DecodePngData(bytes.data(), bytes.size());
  data_ = std::move(bytes);
  width_ = png.Width;
  height_ = png.Height;
  bgr_ = std::move(png.Bgr);
  alpha_ = std::move(png.Alpha);
  Changed();
}

void TPngPicture::SaveToStream(TStream& stream) {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), std::int64_t(data_.size()));
}

void TPngPicture::Assign(const TGraphic* source) {
  auto* p = dynamic_cast<const TPngPicture*>(source);
  if (p == nullptr) {
    TGraphic::Assign(source);
    return;
  }
  data_ = p->data_;
  width_ = p->width_;
  height_ = p->height_;
  bgr_ = p->bgr_;
  alpha_ = p->alpha_;
  Changed();
}

void TPngPicture::BlendInto(TBitmap& target) const {
  target.SetPixelFormat(pf24bit);
  const int w = std::min(width_, target.Width()), h = std::min(height_, target.Height());
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = target.ScanLine(y);
    const std::size_t row = std::size_t(height_ - 1 - y) * std::size_t(width_);
    const std::uint8_t* s = bgr_.data() + row * 3;
    if (alpha_.empty()) {
      std::memcpy(d, s, std::size_t(w) * 3);
      continue;
    }
    const std::uint8_t* a = alpha_.data() + row;
    for (int x = 0; x < w; ++x)
      for (int k = 0; k < 3; ++k)
        d[3 * x + k] = Blend(s[3 * x + k], d[3 * x + k], a[x]);
  }
}

void TPngPicture::Draw(TCanvas* canvas, const TRect& rect) {
  if (Empty() || canvas == nullptr) return;
  // the destination under the picture, blended at the picture's size
  TBitmap back(width_, height_, pf24bit);
  const int rw = rect.Right - rect.Left, rh = rect.Bottom - rect.Top;
  StretchBlt(back.Canvas()->Handle(), 0, 0, width_, height_, canvas->Handle(), rect.Left, rect.Top,
             rw, rh, SRCCOPY);
  BlendInto(back);
  StretchBlt(canvas->Handle(), rect.Left, rect.Top, rw, rh, back.Canvas()->Handle(), 0, 0, width_,
             height_, SRCCOPY);
}
