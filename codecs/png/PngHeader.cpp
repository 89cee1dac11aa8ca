// TChunkIHDR: the header fields and the image buffers they describe.
#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/png/PngInternal.h"

using namespace png;

TChunkIHDR::TChunkIHDR(TPngPicture* owner) : TChunk(owner) {}

TChunkIHDR::~TChunkIHDR() {
  FreeBuffers();
}

std::unique_ptr<TChunk> TChunkIHDR::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunkIHDR>(owner);
}

int TChunkIHDR::BufferBitsOf(int colorType, int bitDepth) {
  switch (colorType) {
  case 0:
    switch (bitDepth) {
    case 1: return 1;
    case 2: return 4;
    case 4: return 4;
    case 8: return 8;
    case 16: return 8;
    }
    return 0;
  case 3:
    switch (bitDepth) {
    case 1: return 1;
    case 2: return 4;
    case 4: return 4;
    case 8: return 8;
    }
    return 0; // palette images have no 16-bit form
  case 4: return bitDepth == 8 || bitDepth == 16 ? 8 : 0;
  case 2:
  case 6: return bitDepth == 8 || bitDepth == 16 ? 24 : 0;
  }
  return 0;
}

std::int64_t TChunkIHDR::ImageBytesOf(std::uint32_t width, std::uint32_t height, int colorType,
                                      int bitDepth) {
  const int bits = BufferBitsOf(colorType, bitDepth);
  std::int64_t bytes = DibRowBytes(width, bits) * std::int64_t(height);
  if (colorType == 4 || colorType == 6) bytes += std::int64_t(width) * std::int64_t(height);
  return bytes;
}

bool TChunkIHDR::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  TChunk::ReadBody(stream, type, length);
  if (dataSize_ < 13) TPngPicture::Fail<EPngInvalidIHDR>(PngTexts::InvalidIHDR);
  Width = GetU32(data_.data());
  Height = GetU32(data_.data() + 4);
  BitDepth = data_[8];
  ColorType = data_[9];
  CompressionMethod = data_[10];
  FilterMethod = data_[11];
  InterlaceMethod = data_[12];
  if (Width > 65535 || Height > 65535)
    TPngPicture::Fail<EPNGSizeExceeds>(PngTexts::SizeExceeds);
  if (CompressionMethod != 0)
    TPngPicture::Fail<EPNGUnknownCompression>(PngTexts::UnknownCompression);
  if (InterlaceMethod > 1) TPngPicture::Fail<EPNGUnknownInterlace>(PngTexts::UnknownInterlace);
  // a pair PNG does not have (and an empty image) has no buffer to decode into
  if (BufferBitsOf(ColorType, BitDepth) == 0 || Width == 0 || Height == 0)
    TPngPicture::Fail<EPngInvalidIHDR>(PngTexts::InvalidIHDR);
  if (ImageBytesOf(Width, Height, ColorType, BitDepth) > PngMaxImageBytes)
    TPngPicture::Fail<EPNGSizeExceeds>(PngTexts::SizeExceeds);
  owner_->Interlacing = InterlaceMethod;
  PrepareBuffers();
  return true;
}

void TChunkIHDR::FreeBuffers() {
  TBuffer().swap(image_);
  TBuffer().swap(alpha_);
}

void TChunkIHDR::PrepareBuffers() {
  info_ = TPngBitmapInfo{};
  FreeBuffers();
  const int bits = BufferBitsOf(ColorType, BitDepth);
  paletteFlag_ = ColorType == 0 || ColorType == 3 || ColorType == 4;
  bytesPerRow_ = 0;
  if (bits != 0) {
    info_.bmiHeader.biSize = 40;
    info_.bmiHeader.biWidth = LONG(Width);
    info_.bmiHeader.biHeight = LONG(Height);
    info_.bmiHeader.biPlanes = 1;
    info_.bmiHeader.biBitCount = WORD(bits);
    info_.bmiHeader.biCompression = BI_RGB;
    bytesPerRow_ = std::int32_t(DibRowBytes(Width, bits));
  } else {
    info_.bmiHeader = BITMAPINFOHEADER{};
    info_.bmiHeader.biSize = 0;
    info_.bmiHeader.biPlanes = 0;
  }
  try {
    if (ColorType == 4 || ColorType == 6)
      alpha_.resize(std::size_t(Width) * std::size_t(Height)); // zeros (TZeroedAllocator)
    image_.resize(std::size_t(bytesPerRow_) * std::size_t(Height));
  } catch (const std::bad_alloc&) {
    FreeBuffers();
    TPngPicture::Fail<EPNGOutMemory>(PngTexts::OutMemory);
  }
  owner_->DropPalette();
}

bool TChunkIHDR::WriteTo(TStream& stream) {
  if (BitDepth == 2) {
    // the buffer holds 4-bit samples, five times the 2-bit ones: a grey key
    // follows them
    BitDepth = 4;
    auto* trns = owner_->ChunkList().ItemFromClass<TChunktRNS>();
    if (ColorType == 0 && trns != nullptr) {
      trns->AlphaTable[1] = std::uint8_t((trns->AlphaTable[1] & 3) * 5);
      trns->AlphaTable[0] = 0;
    }
  }
  ResizeData(13);
  PutU32(data_.data(), Width);
  PutU32(data_.data() + 4, Height);
  data_[8] = BitDepth;
  data_[9] = ColorType;
  data_[10] = CompressionMethod;
  data_[11] = FilterMethod;
  data_[12] = owner_->Interlacing;
  return TChunk::WriteTo(stream);
}

void TChunkIHDR::CopyFrom(const TChunk& source) {
  const auto* s = dynamic_cast<const TChunkIHDR*>(&source);
  if (s == nullptr) TPngPicture::Fail<EPngError>(PngTexts::NotCompatible);
  TChunk::CopyFrom(source);
  Width = s->Width;
  Height = s->Height;
  BitDepth = s->BitDepth;
  ColorType = s->ColorType;
  CompressionMethod = s->CompressionMethod;
  FilterMethod = s->FilterMethod;
  InterlaceMethod = s->InterlaceMethod;
  PrepareBuffers();
  std::copy(s->image_.begin(), s->image_.end(), image_.begin());
  std::copy(s->alpha_.begin(), s->alpha_.end(), alpha_.begin());
  std::copy(std::begin(s->info_.bmiColors), std::end(s->info_.bmiColors), info_.bmiColors);
}
