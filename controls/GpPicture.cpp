#include "controls/GpPicture.h"

#include <memory>
#include <vector>

#include "controls/OwGDIP.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"

namespace {
int gFailCopies = 0;

/// The copy of the bytes a decode works on (the memory block the picture
/// hands to the decoder).
std::vector<std::uint8_t> DecodingCopy(const TMemoryStream& data) {
  if (gFailCopies > 0) {
    --gFailCopies;
    throw Exception("Could not allocate memory for image");
  }
  const std::uint8_t* p = data.Memory();
  return std::vector<std::uint8_t>(p, p + const_cast<TMemoryStream&>(data).Size());
}

std::int64_t SizeOf(const TMemoryStream& data) {
  return const_cast<TMemoryStream&>(data).Size();
}
} // namespace

void TGpPicture::FailNextCopies(int count) {
  gFailCopies = count;
}

void TGpPicture::TakeBytes(TStream& stream) {
  data_.Clear();
  stream.SetPosition(0);
  data_.CopyFrom(stream, stream.Size());
  data_.SetPosition(0);
}

bool TGpPicture::ReadSize() {
  if (empty_ || SizeOf(data_) == 0) return false;
  const std::vector<std::uint8_t> bytes = DecodingCopy(data_);
  TGPImage image(bytes.data(), bytes.size());
  width_ = int(image.GetWidth());
  height_ = int(image.GetHeight());
  return true;
}

void TGpPicture::LoadFromStream(TStream& stream) {
  TakeBytes(stream);
  empty_ = false;
  ReadSize();
  Changed();
}

void TGpPicture::LoadFromFile(const std::string& fileName) {
  try {
    TMemoryStream file;
    file.LoadFromFile(fileName);
    TakeBytes(file);
    empty_ = false;
  } catch (const std::exception&) {
    data_.Clear();
    empty_ = true;
    return;
  }
  Clear();
  ReadSize();
  Changed();
}

void TGpPicture::SaveToStream(TStream& stream) {
  if (SizeOf(data_) > 0) stream.Write(data_.Memory(), SizeOf(data_));
}

void TGpPicture::ReadData(TStream& stream) {
  data_.Clear();
  data_.CopyFrom(stream, stream.Size() - stream.Position());
  data_.SetPosition(0);
  empty_ = false;
}

void TGpPicture::WriteData(TStream& stream) {
  SaveToStream(stream);
}

void TGpPicture::Assign(const TGraphic* source) {
  empty_ = true;
  if (!source) {
    data_.Clear();
    Changed();
    Clear();
    return;
  }
  if (auto* other = dynamic_cast<const TGpPicture*>(source)) {
    data_.Clear();
    if (SizeOf(other->data_) > 0) data_.Write(other->data_.Memory(), SizeOf(other->data_));
    data_.SetPosition(0);
    // A copy of an empty picture is empty: otherwise copying a settings
    // object would give it a "picture" of size 0 x 0.
    if (other->empty_) {
      width_ = height_ = 0;
      Changed();
      return;
    }
  } else if (auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    TMemoryStream bmp;
    const_cast<TBitmap*>(bitmap)->SaveToStream(bmp);
    TakeBytes(bmp);
  } else {
    return;
  }
  empty_ = false;
  Changed();
  ReadSize();
}

void TGpPicture::AssignPicture(const TPicture* source) {
  if (!source || !source->Graphic()) {
    Assign(nullptr);
    return;
  }
  empty_ = true;
  TMemoryStream saved;
  source->Graphic()->SaveToStream(saved);
  TakeBytes(saved);
  empty_ = false;
  Changed();
  ReadSize();
}

void TGpPicture::Draw(TCanvas* canvas, const TRect& rect) {
  if (!canvas || empty_ || SizeOf(data_) == 0) return;
  const std::vector<std::uint8_t> bytes = DecodingCopy(data_);
  TGPGraphics graphics(canvas->Handle());
  TGPImage image(bytes.data(), bytes.size());
  if (image.GetRawFormat() == GpFormatBmp) {
    // Decoded again as a bitmap of the class library: drawn unscaled, its
    // bottom-left colour transparent.
    TBitmap bitmap;
    TMemoryStream stream;
    stream.Write(bytes.data(), std::int64_t(bytes.size()));
    stream.SetPosition(0);
    try {
      bitmap.LoadFromStream(stream);
    } catch (const Exception&) {
      return; // bytes only the other decoder accepts: drawn as nothing
    }
    bitmap.SetTransparentMode(tmAuto);
    bitmap.SetTransparent(true);
    canvas->Draw(rect.Left, rect.Top, &bitmap);
    return;
  }
  width_ = int(image.GetWidth());
  height_ = int(image.GetHeight());
  graphics.DrawImage(&image, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
}
