// The chunks beside the header and the image data: PLTE, tRNS, gAMA, tIME,
// tEXt, zTXt and IEND, and the zlib coding of texts.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "codecs/png/PngInternal.h"
#include "platform/rtl/ZlibStream.h"

using namespace png;

std::unique_ptr<TChunk> TChunkIEND::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunkIEND>(owner);
}

// ---- PLTE -------------------------------------------------------------------------

std::unique_ptr<TChunk> TChunkPLTE::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunkPLTE>(owner);
}

void TChunkPLTE::CopyFrom(const TChunk& source) {
  const auto* s = dynamic_cast<const TChunkPLTE*>(&source);
  if (s == nullptr) TPngPicture::Fail<EPngError>(PngTexts::NotCompatible);
  TChunk::CopyFrom(source);
  Count = s->Count;
}

bool TChunkPLTE::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  TChunk::ReadBody(stream, type, length);
  if (length % 3 != 0 || length / 3 > 256)
    TPngPicture::Fail<EPNGInvalidPalette>(PngTexts::InvalidPalette);
  Count = std::int32_t(length / 3);
  TChunkIHDR& header = Header();
  const auto& gamma = owner_->DecodingGamma;
  for (std::int32_t i = 0; i < Count; ++i) {
    RGBQUAD& q = header.BitmapInfo().bmiColors[i];
    q.rgbRed = gamma[data_[3 * i]];
    q.rgbGreen = gamma[data_[3 * i + 1]];
    q.rgbBlue = gamma[data_[3 * i + 2]];
    q.rgbReserved = 0;
  }
  return true;
}

bool TChunkPLTE::WriteTo(TStream& stream) {
  const TChunkIHDR& header = Header();
  const auto& gamma = owner_->EncodingGamma;
  const std::int32_t count = std::clamp(Count, 0, 256);
  ResizeData(std::uint32_t(count) * 3);
  for (std::int32_t i = 0; i < count; ++i) {
    const RGBQUAD& q = header.BitmapInfo().bmiColors[i];
    data_[3 * i] = gamma[q.rgbRed];
    data_[3 * i + 1] = gamma[q.rgbGreen];
    data_[3 * i + 2] = gamma[q.rgbBlue];
  }
  return TChunk::WriteTo(stream);
}

std::uint32_t TChunkPLTE::Entry(std::uint32_t index) const {
  if (Count <= 0 || index > std::uint32_t(Count - 1))
    TPngPicture::Fail<EPngError>(PngTexts::NoSuchPaletteEntry);
  const RGBQUAD& q = Header().BitmapInfo().bmiColors[index];
  return std::uint32_t(q.rgbBlue) | (std::uint32_t(q.rgbGreen) << 8) |
         (std::uint32_t(q.rgbRed) << 16);
}

// ---- tRNS -------------------------------------------------------------------------

std::unique_ptr<TChunk> TChunktRNS::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunktRNS>(owner);
}

void TChunktRNS::CopyFrom(const TChunk& source) {
  if (const auto* s = dynamic_cast<const TChunktRNS*>(&source)) {
    AlphaTable = s->AlphaTable;
    OneKey = s->OneKey;
  }
  TChunk::CopyFrom(source);
}

bool TChunktRNS::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  TChunk::ReadBody(stream, type, length);
  if (length > 256) TPngPicture::Fail<EPNGInvalidPalette>(PngTexts::InvalidPalette);
  AlphaTable.fill(255);
  std::copy(data_.begin(), data_.begin() + length, AlphaTable.begin());
  switch (Header().ColorType) {
  case 0:
  case 2: OneKey = true; break;
  case 3:
    OneKey = std::count_if(AlphaTable.begin(), AlphaTable.begin() + length,
                           [](std::uint8_t a) { return a != 255; }) == 1;
    break;
  default: break;
  }
  return true;
}

COLORREF TChunktRNS::KeyColor() const {
  const TChunkIHDR& header = Header();
  const auto& gamma = owner_->DecodingGamma;
  // the key is read from the 256-byte table, so a short chunk reads its
  // padding (255) rather than past its data
  switch (header.ColorType) {
  case 0: {
    // the colour the buffer shows for the key sample: its ramp entry
    const int bits = header.BitDepth;
    int sample = (AlphaTable[0] << 8) | AlphaTable[1];
    int index;
    if (bits == 16) index = sample >> 8;
    else if (bits == 2) index = (sample & 3) * 5;
    else index = sample & ((1 << bits) - 1);
    const RGBQUAD& q = header.BitmapInfo().bmiColors[index & 255];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  case 2: {
    const bool wide = header.BitDepth == 16;
    auto channel = [&](int i) {
      return gamma[wide ? AlphaTable[2 * i] : AlphaTable[2 * i + 1]];
    };
    return RGB(channel(0), channel(1), channel(2));
  }
  case 3: {
    const auto* plte = owner_->ChunkList().ItemFromClass<TChunkPLTE>();
    for (int i = 0; i < 256; ++i) {
      if (AlphaTable[i] == 0) {
        if (plte == nullptr || i >= plte->Count) return 0;
        const RGBQUAD& q = header.BitmapInfo().bmiColors[i];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
      }
    }
    return 0;
  }
  default: return 0;
  }
}

void TChunktRNS::SetKeyColor(COLORREF color) {
  TChunkIHDR& header = Header();
  AlphaTable.fill(0);
  OneKey = true;
  switch (header.ColorType) {
  case 0: {
    // the file sample whose ramp entry shows the colour (the red value when
    // none does)
    const int entries = 1 << std::min(header.BufferBits(), 8);
    int sample = GetRValue(color);
    for (int i = 0; i < entries; ++i) {
      if (header.BitmapInfo().bmiColors[i].rgbRed == GetRValue(color)) {
        sample = i;
        break;
      }
    }
    ResizeData(2);
    data_[0] = header.BitDepth == 16 ? std::uint8_t(sample) : 0;
    data_[1] = header.BitDepth == 16 ? 0 : std::uint8_t(sample);
    break;
  }
  case 2:
    ResizeData(6);
    data_[0] = 0;
    data_[1] = GetRValue(color);
    data_[2] = 0;
    data_[3] = GetGValue(color);
    data_[4] = 0;
    data_[5] = GetBValue(color);
    break;
  case 3: {
    int index = 0;
    for (int i = 0; i < 256; ++i) {
      const RGBQUAD& q = header.BitmapInfo().bmiColors[i];
      if (q.rgbBlue == GetBValue(color) && q.rgbGreen == GetGValue(color) &&
          q.rgbRed == GetRValue(color)) {
        index = i;
        break;
      }
    }
    ResizeData(std::uint32_t(index) + 1);
    std::fill(data_.begin(), data_.begin() + index, 255);
    data_[index] = 0;
    break;
  }
  default: break;
  }
  std::copy(data_.begin(), data_.begin() + std::min<std::uint32_t>(dataSize_, 256),
            AlphaTable.begin());
}

bool TChunktRNS::WriteTo(TStream& stream) {
  if (dataSize_ <= 256) std::copy(AlphaTable.begin(), AlphaTable.begin() + dataSize_, data_.begin());
  return TChunk::WriteTo(stream);
}

// ---- gAMA -------------------------------------------------------------------------

TChunkgAMA::TChunkgAMA(TPngPicture* owner) : TChunk(owner) {
  SetValue(1);
}

std::unique_ptr<TChunk> TChunkgAMA::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunkgAMA>(owner);
}

std::uint32_t TChunkgAMA::Value() {
  if (dataSize_ == 4) return GetU32(data_.data());
  ResizeData(4);
  return 1;
}

void TChunkgAMA::SetValue(std::uint32_t value) {
  if (dataSize_ != 4) ResizeData(4);
  PutU32(data_.data(), value);
}

void TChunkgAMA::CopyFrom(const TChunk& source) {
  auto* s = dynamic_cast<TChunkgAMA*>(const_cast<TChunk*>(&source));
  if (s == nullptr) TPngPicture::Fail<EPngError>(PngTexts::NotCompatible);
  TChunk::CopyFrom(source);
  SetValue(s->Value());
}

bool TChunkgAMA::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  TChunk::ReadBody(stream, type, length);
  const std::uint32_t v = Value();
  if (v == 0) return true;
  // the last gamma's table, per thread: most files of a set share one value
  thread_local std::uint32_t lastValue = 0;
  thread_local std::array<std::uint8_t, 256> lastTable{};
  if (v != lastValue) {
    const double e = 1.0 / (double(v) / 100000.0 * 2.2);
    for (int i = 0; i < 256; ++i) {
      const double base = double(i) / 255.0;
      const double p = i == 0 ? 0.0 : std::pow(base, e);
      lastTable[std::size_t(i)] = std::uint8_t(std::clamp(std::lround(p * 255.0), 0L, 255L));
    }
    lastValue = v;
  }
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t d = lastTable[std::size_t(i)];
    owner_->DecodingGamma[i] = d;
    owner_->EncodingGamma[d] = std::uint8_t(i);
  }
  return true;
}

// ---- tIME -------------------------------------------------------------------------

std::unique_ptr<TChunk> TChunktIME::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunktIME>(owner);
}

bool TChunktIME::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  TChunk::ReadBody(stream, type, length);
  if (length == 7) {
    Year = std::uint16_t(data_[0] * 256 + data_[1]);
    Month = data_[2];
    Day = data_[3];
    Hour = data_[4];
    Minute = data_[5];
    Second = data_[6];
  }
  return true;
}

bool TChunktIME::WriteTo(TStream& stream) {
  ResizeData(7);
  data_[0] = std::uint8_t(Year >> 8);
  data_[1] = std::uint8_t(Year);
  data_[2] = Month;
  data_[3] = Day;
  data_[4] = Hour;
  data_[5] = Minute;
  data_[6] = Second;
  return TChunk::WriteTo(stream);
}

// ---- tEXt and zTXt -----------------------------------------------------------------

std::unique_ptr<TChunk> TChunktEXt::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunktEXt>(owner);
}

void TChunktEXt::CopyFrom(const TChunk& source) {
  TChunk::CopyFrom(source);
  if (const auto* s = dynamic_cast<const TChunktEXt*>(&source)) {
    Keyword = s->Keyword;
    Text = s->Text;
  }
}

namespace {

/// The keyword: the bytes before the first zero, or all of them.
std::size_t KeywordLength(const std::uint8_t* data, std::uint32_t length) {
  const auto* end = std::find(data, data + length, std::uint8_t(0));
  return std::size_t(end - data);
}

} // namespace

bool TChunktEXt::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  TChunk::ReadBody(stream, type, length);
  if (length >= 3) {
    const std::size_t k = KeywordLength(data_.data(), length);
    Keyword.assign(reinterpret_cast<const char*>(data_.data()), k);
    Text = k < length ? std::string(reinterpret_cast<const char*>(data_.data()) + k + 1,
                                    length - k - 1)
                      : std::string();
  }
  return true;
}

bool TChunktEXt::WriteTo(TStream& stream) {
  ResizeData(std::uint32_t(Keyword.size() + Text.size() + 1));
  std::fill(data_.begin(), data_.end(), 0);
  std::copy(Keyword.begin(), Keyword.end(), data_.begin());
  std::copy(Text.begin(), Text.end(), data_.begin() + std::ptrdiff_t(Keyword.size() + 1));
  return TChunk::WriteTo(stream);
}

std::unique_ptr<TChunk> TChunkzTXt::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunkzTXt>(owner);
}

bool TChunkzTXt::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  TChunktEXt::ReadBody(stream, type, length);
  if (length < 4) return true;
  const std::size_t k = KeywordLength(data_.data(), length);
  Keyword.assign(reinterpret_cast<const char*>(data_.data()), k);
  Text.clear();
  // no method byte (or no compressed byte) after the keyword: nothing to inflate
  if (k + 2 > length) return true;
  if (data_[k + 1] == 0) {
    std::string out, message;
    if (InflateText(data_.data() + k + 2, length - k - 2, out, message)) Text = std::move(out);
  }
  return true;
}

bool TChunkzTXt::WriteTo(TStream& stream) {
  if (Text.empty()) Text = " ";
  std::string packed, message;
  if (!DeflateText(reinterpret_cast<const std::uint8_t*>(Text.data()), Text.size(),
                   owner_->DeflateLevel, packed, message))
    return false;
  ResizeData(std::uint32_t(Keyword.size() + packed.size() + 2));
  std::copy(Keyword.begin(), Keyword.end(), data_.begin());
  data_[Keyword.size()] = 0;
  data_[Keyword.size() + 1] = 0;
  std::copy(packed.begin(), packed.end(), data_.begin() + std::ptrdiff_t(Keyword.size() + 2));
  return TChunk::WriteTo(stream);
}

// ---- text coding -----------------------------------------------------------------

namespace {

/// Runs one zlib stream over the whole input through a 256-byte window.
bool CodeText(bool deflating, int level, const std::uint8_t* data, std::size_t length,
              std::string& out, std::string& message) {
  TZlibStream z;
  int r = deflating ? z.InitDeflate(level) : z.InitInflate();
  if (r < 0) {
    message = z.Message();
    return false;
  }
  out.clear();
  z.SetInput(data, std::uint32_t(length));
  std::uint8_t window[256];
  for (;;) {
    z.SetOutput(window, sizeof window);
    r = deflating ? z.Deflate(true) : z.Inflate();
    const std::size_t produced = sizeof window - z.AvailOut();
    // a text that inflates without bound ends as a failure (checked before
    // the text grows, so that it never holds more than the limit)
    if (!deflating && std::int64_t(out.size() + produced) > PngMaxTextBytes) {
      out.clear();
      return false;
    }
    out.append(reinterpret_cast<const char*>(window), produced);
    if (r == ZStreamEnd) return true;
    if (r == ZBufError && !deflating && z.AvailIn() == 0) r = ZDataError; // cut short
    if (r != ZOk) { // errors, and a preset dictionary we do not have
      message = z.Message();
      out.clear();
      return false;
    }
  }
}

} // namespace

bool InflateText(const std::uint8_t* data, std::size_t length, std::string& out,
                 std::string& message) {
  return CodeText(false, 0, data, length, out, message);
}

bool DeflateText(const std::uint8_t* data, std::size_t length, int level, std::string& out,
                 std::string& message) {
  return CodeText(true, level, data, length, out, message);
}
