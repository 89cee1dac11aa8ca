// TPngPicture: loading and saving the chunk list, copying to and from
// pictures and bitmaps, the clipboard.
#include <algorithm>
#include <cstring>

#include "codecs/png/PngInternal.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Dib.h"

using namespace png;

namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

bool TypeIs(const std::uint8_t* type, const char* name) {
  return std::memcmp(type, name, 4) == 0;
}

} // namespace

TPngPicture::TPngPicture() {
  ResetGamma();
}

TPngPicture::~TPngPicture() {
  RemoveAllChunks();
  DropPalette();
}

void TPngPicture::ResetGamma() {
  for (int i = 0; i < 256; ++i) {
    DecodingGamma[i] = std::uint8_t(i);
    EncodingGamma[i] = std::uint8_t(i);
  }
}

void TPngPicture::RemoveAllChunks() {
  ResetGamma();
  for (std::uint32_t i = 0; i < chunkList_.Count(); ++i)
    delete chunkList_.Item(i);
  chunkList_.SetCount(0);
}

bool TPngPicture::HasHeader() const {
  return chunkList_.Count() > 0 && dynamic_cast<TChunkIHDR*>(chunkList_.Item(0)) != nullptr;
}

TChunkIHDR& TPngPicture::HeaderChunk() const {
  if (!HasHeader()) Fail<EPNGHeaderNotPresent>(PngTexts::HeaderNotPresent);
  return *static_cast<TChunkIHDR*>(chunkList_.Item(0));
}

int TPngPicture::Width() const {
  return HasHeader() ? int(HeaderChunk().Width) : 0;
}

int TPngPicture::Height() const {
  return HasHeader() ? int(HeaderChunk().Height) : 0;
}

void TPngPicture::SetWidth(int) {
  Fail<EPngError>(PngTexts::CannotResize);
}

void TPngPicture::SetHeight(int) {
  Fail<EPngError>(PngTexts::CannotResize);
}

void TPngPicture::SetIdatLimit(std::uint32_t n) {
  idatLimit_ = std::max<std::uint32_t>(n, 65535);
}

void TPngPicture::RowLayoutOf(int colorType, int bitDepth, std::uint32_t width,
                              std::uint32_t& rowBytes, std::uint32_t& offset) {
  const std::uint64_t n = width, d = std::uint64_t(bitDepth);
  rowBytes = offset = 0;
  if (TChunkIHDR::BufferBitsOf(colorType, bitDepth) == 0) return;
  switch (colorType) {
  case 0:
    rowBytes = std::uint32_t((n * d + 7) / 8);
    offset = d == 16 ? 2 : 1;
    break;
  case 3:
    rowBytes = std::uint32_t((n * d + 7) / 8);
    offset = 1;
    break;
  case 2:
    rowBytes = std::uint32_t(n * d * 3 / 8);
    offset = std::uint32_t(d * 3 / 8);
    break;
  case 4:
    rowBytes = std::uint32_t(n * d * 2 / 8);
    offset = std::uint32_t(d / 4);
    break;
  case 6:
    rowBytes = std::uint32_t(n * d * 4 / 8);
    offset = std::uint32_t(d / 2);
    break;
  default: break;
  }
}

void TPngPicture::RowLayout(std::uint32_t& rowBytes, std::uint32_t& offset) const {
  rowBytes = offset = 0;
  if (!HasHeader()) return;
  const TChunkIHDR& h = HeaderChunk();
  RowLayoutOf(h.ColorType, h.BitDepth, h.Width, rowBytes, offset);
}

void TPngPicture::LoadFromStream(TStream& stream) {
  RemoveAllChunks();
  std::uint8_t signature[8];
  if (stream.Read(signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0)
    Fail<EPNGInvalidFileHeader>(PngTexts::InvalidFileHeader);
  bool imageData = false;
  for (;;) {
    std::uint8_t head[8];
    if (stream.Read(head, 8) != 8) Fail<EPngUnexpectedEnd>(PngTexts::UnexpectedEnd);
    const std::uint32_t length = GetU32(head);
    const std::uint8_t* type = head + 4;
    const bool first = chunkList_.Count() == 0;
    if (first && !TypeIs(type, "IHDR")) Fail<EPNGIHDRNotFirst>(PngTexts::IHDRNotFirst);
    // one header only: a second would make buffers of its own
    if (!first && TypeIs(type, "IHDR")) Fail<EPngInvalidIHDR>(PngTexts::InvalidIHDR);
    if ((imageData && TypeIs(type, "IDAT")) || TypeIs(type, "cHRM")) {
      // the first IDAT chunk read the ones after it; cHRM is dropped
      if (std::int64_t(length) + 4 > BytesLeft(stream))
        Fail<EPngUnexpectedEnd>(PngTexts::UnexpectedEnd);
      stream.Seek(std::int64_t(length) + 4, soCurrent);
      continue;
    }
    std::unique_ptr<TChunk> made = CreateChunk(this, type);
    TChunk* chunk = made.release();
    chunkList_.Add(chunk);
    if (chunk->TypeName().empty() && (type[0] & 32) == 0)
      Fail<EPNGUnknownCriticalChunk>(PngTexts::UnknownCriticalChunk);
    const bool ok = chunk->ReadBody(stream, type, length);
    if (TypeIs(type, "IDAT")) imageData = true;
    if (!ok || TypeIs(type, "IEND")) break;
  }
  if (!imageData) Fail<EPNGNoImageData>(PngTexts::NoImageData);
  Changed();
}

void TPngPicture::SaveToStream(TStream& stream) {
  stream.WriteBuffer(kSignature, 8);
  for (std::uint32_t i = 0; i < chunkList_.Count(); ++i)
    chunkList_.Item(i)->WriteTo(stream);
}

void TPngPicture::CopyFromPNG(const TPngPicture& source) {
  if (&source == this) return;
  Interlacing = source.Interlacing;
  SetIdatLimit(source.IdatLimit());
  DeflateLevel = source.DeflateLevel;
  RowFilterSet = source.RowFilterSet;
  RemoveAllChunks();
  DecodingGamma = source.DecodingGamma;
  EncodingGamma = source.EncodingGamma;
  for (std::uint32_t i = 0; i < source.chunkList_.Count(); ++i) {
    const TChunk* from = source.chunkList_.Item(i);
    TChunk* chunk = from->NewOfClass(this).release();
    chunkList_.Add(chunk);
    chunk->CopyFrom(*from);
  }
  Changed();
}

void TPngPicture::BuildFromBitmap(TBitmap& bitmap, bool transparent, COLORREF keyColor) {
  const TPixelFormat format = bitmap.PixelFormat();
  int bits = 24;
  if (format == pf1bit) bits = 1;
  else if (format == pf4bit) bits = 4;
  else if (format == pf8bit) bits = 8;
  const int width = bitmap.Width(), height = std::abs(bitmap.Height());
  RemoveAllChunks();
  auto header = MakeChunk<TChunkIHDR>(this);
  auto* ihdr = static_cast<TChunkIHDR*>(header.get());
  chunkList_.Add(header.release());
  TChunkPLTE* plte = nullptr;
  if (bits < 16) {
    plte = static_cast<TChunkPLTE*>(MakeChunk<TChunkPLTE>(this).release());
    chunkList_.Add(plte);
  }
  TChunktRNS* trns = nullptr;
  if (transparent) {
    trns = static_cast<TChunktRNS*>(MakeChunk<TChunktRNS>(this).release());
    chunkList_.Add(trns);
  }
  chunkList_.Add(MakeChunk<TChunkIDAT>(this).release());
  chunkList_.Add(MakeChunk<TChunkIEND>(this).release());
  ihdr->Width = std::uint32_t(width);
  ihdr->Height = std::uint32_t(height);
  ihdr->BitDepth = std::uint8_t(bits < 16 ? bits : 8);
  ihdr->ColorType = bits < 16 ? 3 : 2;
  ihdr->CompressionMethod = 0;
  ihdr->InterlaceMethod = 0;
  if (TChunkIHDR::ImageBytesOf(ihdr->Width, ihdr->Height, ihdr->ColorType, ihdr->BitDepth) >
      PngMaxImageBytes)
    Fail<EPNGSizeExceeds>(PngTexts::SizeExceeds);
  ihdr->PrepareBuffers();
  if (bits < 16) {
    const std::vector<RGBQUAD> entries = bitmap.PaletteEntries();
    std::copy_n(entries.begin(), std::min<std::size_t>(entries.size(), 256),
                ihdr->BitmapInfo().bmiColors);
    plte->Count = 1 << bits;
    for (int y = 0; y < height; ++y)
      std::memcpy(ihdr->ImageRow(std::uint32_t(y)), bitmap.ScanLine(y),
                  std::size_t(DibRowBytes(width, bits)));
  } else {
    const auto& dib = *bitmap.Dib();
    for (int y = 0; y < height; ++y) {
      std::uint8_t* out = ihdr->ImageRow(std::uint32_t(y));
      if (format == pf24bit) {
        std::memcpy(out, bitmap.ScanLine(y), std::size_t(width) * 3);
        continue;
      }
      for (int x = 0; x < width; ++x) {
        const COLORREF c = dib.PixelColor(x, y);
        out[3 * x] = GetBValue(c);
        out[3 * x + 1] = GetGValue(c);
        out[3 * x + 2] = GetRValue(c);
      }
    }
  }
  if (trns != nullptr) trns->SetKeyColor(keyColor);
  Changed();
}

void TPngPicture::Assign(const TGraphic* source) {
  if (source == nullptr) {
    RemoveAllChunks();
    Changed();
    return;
  }
  if (const auto* png = dynamic_cast<const TPngPicture*>(source)) {
    CopyFromPNG(*png);
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    auto* b = const_cast<TBitmap*>(bitmap);
    BuildFromBitmap(*b, b->Transparent(), ColorToRGB(b->TransparentColor()));
    return;
  }
  TGraphic::Assign(source);
}

void TPngPicture::AssignTo(TGraphic* destination) const {
  if (auto* png = dynamic_cast<TPngPicture*>(destination)) {
    png->CopyFromPNG(*this);
    return;
  }
  auto* bitmap = dynamic_cast<TBitmap*>(destination);
  if (bitmap == nullptr || !HasHeader()) {
    if (destination != nullptr) destination->Assign(this); // raises EConvertError
    return;
  }
  const TChunkIHDR& h = HeaderChunk();
  const int bits = h.BufferBits();
  const TPixelFormat format = bits == 1   ? pf1bit
                              : bits == 4 ? pf4bit
                              : bits == 8 ? pf8bit
                                          : pf24bit;
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(int(h.Width), int(h.Height));
  if (bits <= 8)
    bitmap->SetPaletteEntries(std::vector<RGBQUAD>(h.BitmapInfo().bmiColors,
                                                   h.BitmapInfo().bmiColors + (1 << bits)));
  auto& header = const_cast<TChunkIHDR&>(h);
  for (std::uint32_t y = 0; y < h.Height; ++y)
    std::memcpy(bitmap->ScanLine(int(y)), header.ImageRow(y), std::size_t(h.BytesPerRow()));
  if (TransparencyKind() == 1) {
    bitmap->SetTransparentMode(tmFixed);
    bitmap->SetTransparentColor(TColor(TransparentKeyColor()));
    bitmap->SetTransparent(true);
  }
}

TClipboardData TPngPicture::SaveToClipboardFormat() {
  TBitmap bitmap(Width(), Height(), pf24bit);
  Draw(bitmap.Canvas(), TRect{0, 0, Width(), Height()});
  return bitmap.SaveToClipboardFormat();
}

void TPngPicture::LoadFromClipboardFormat(const TClipboardData& data) {
  TBitmap bitmap;
  bitmap.LoadFromClipboardFormat(data);
  BuildFromBitmap(bitmap, false, 0);
}
