// Reading the image data: the first IDAT chunk and every IDAT chunk that
// directly follows it are inflated as one zlib stream, each row is
// unfiltered and its samples are stored in the header chunk's buffers.
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codecs/png/PngInternal.h"
#include "platform/rtl/ZlibStream.h"

using namespace png;

std::unique_ptr<TChunk> TChunkIDAT::NewOfClass(TPngPicture* owner) const {
  return MakeChunk<TChunkIDAT>(owner);
}

namespace {

constexpr std::uint32_t kInputBlock = 65535;

/// The inflating side: reads the chunk data in blocks, keeps the running CRC
/// of the current chunk and crosses into following IDAT chunks.
class TIdatReader {
public:
  TIdatReader(TStream& stream, const std::uint8_t* type, std::uint32_t length)
      : stream_(stream), input_(new std::uint8_t[kInputBlock]) {
    crc_ = PngUpdateCrc(0xFFFFFFFFu, type, 4);
    position_ = stream.Position();
    end_ = position_ + std::int64_t(length);
    const int r = z_.InitInflate();
    if (r < 0) Fail(r);
  }

  /// Inflates up to `count` bytes; returns how many were produced (fewer at
  /// the end of the data or of the zlib stream).
  std::uint32_t InflateInto(std::uint8_t* buffer, std::uint32_t count) {
    z_.SetOutput(buffer, count);
    while (z_.AvailOut() > 0 && !streamEnd_) {
      if (z_.AvailIn() == 0) {
        if (position_ == end_ && !NextChunk()) break;
        const std::int64_t want = std::min<std::int64_t>(kInputBlock, end_ - position_);
        const std::int64_t got = want > 0 ? stream_.Read(input_.get(), want) : 0;
        if (got <= 0) break;
        position_ += got;
        crc_ = PngUpdateCrc(crc_, input_.get(), std::size_t(got));
        z_.SetInput(input_.get(), std::uint32_t(got));
      }
      const int r = z_.Inflate();
      if (r == ZStreamEnd) streamEnd_ = true; // what follows the stream is not image data
      else if (r != ZOk) Fail(r);              // a preset dictionary would stall forever
    }
    return count - z_.AvailOut();
  }

  /// After the rows: the rest of the current chunk goes into its CRC, then
  /// the stored CRC is compared.
  void Finish() {
    z_.End();
    if (crcDone_) return;
    while (position_ < end_) {
      const std::int64_t want = std::min<std::int64_t>(kInputBlock, end_ - position_);
      const std::int64_t got = stream_.Read(input_.get(), want);
      if (got <= 0) break;
      position_ += got;
      crc_ = PngUpdateCrc(crc_, input_.get(), std::size_t(got));
    }
    CheckCrc();
  }

private:
  [[noreturn]] static void Fail(int code) {
    throw EPNGZLIBError(std::string(PngTexts::ZLIBError) + PngTexts::ZlibResult(code));
  }

  void CheckCrc() {
    if (ReadU32(stream_) != ~crc_) TPngPicture::Fail<EPngInvalidCRC>(PngTexts::InvalidCRC);
  }

  /// Moves into the next chunk, which must be IDAT; false at the end of the
  /// stream.
  bool NextChunk() {
    CheckCrc();
    std::uint8_t head[8];
    if (stream_.Read(head, 8) != 8) {
      crcDone_ = true;
      return false;
    }
    if (std::memcmp(head + 4, "IDAT", 4) != 0)
      TPngPicture::Fail<EPNGMissingMultipleIDAT>(PngTexts::MissingMultipleIDAT);
    crc_ = PngUpdateCrc(0xFFFFFFFFu, head + 4, 4);
    position_ = stream_.Position();
    end_ = position_ + std::int64_t(GetU32(head));
    return true;
  }

  TStream& stream_;
  TZlibStream z_;
  std::unique_ptr<std::uint8_t[]> input_; // not cleared: every byte is read before use
  std::uint32_t crc_ = 0;
  std::int64_t position_ = 0, end_ = 0;
  bool streamEnd_ = false, crcDone_ = false;
};

/// Branch-free Paeth predictor (the same choice as png::Paeth).
inline int PaethFast(int a, int b, int c) {
  const int pa0 = b - c, pb0 = a - c;
  const int pa = pa0 < 0 ? -pa0 : pa0, pb = pb0 < 0 ? -pb0 : pb0;
  const int pc0 = pa0 + pb0, pc = pc0 < 0 ? -pc0 : pc0;
  const int ab = pa <= pb ? a : b, pab = pa <= pb ? pa : pb;
  return pab <= pc ? ab : c;
}

#if defined(__SSE2__)
/// The O bytes (2 to 8) at p in the low vector lanes; the row buffers are
/// padded, so reading a whole word is safe.
template <std::uint32_t O> inline __m128i LoadPixel(const std::uint8_t* p) {
  if constexpr (O <= 4) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(int(v));
  } else {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  }
}

/// Writes the low O bytes of v to p.
template <std::uint32_t O> inline void StorePixel(std::uint8_t* p, __m128i v) {
  if constexpr (O <= 4) {
    const std::uint32_t w = std::uint32_t(_mm_cvtsi128_si32(v));
    std::memcpy(p, &w, O);
  } else {
    std::uint8_t w[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(w), v);
    std::memcpy(p, w, O);
  }
}

/// Average and Paeth of pixels of 2 to 8 bytes, a pixel at a time in vector
/// lanes (each pixel needs the one before it, so the lanes run across the
/// channels). Returns false for the other filter types.
template <std::uint32_t O>
bool UnfilterPixels(std::uint8_t type, std::uint8_t* r, const std::uint8_t* p, std::uint32_t n) {
  if (n < O || (type != 3 && type != 4)) return false;
  const __m128i zero = _mm_setzero_si128();
  if (type == 3) {
    const __m128i ones = _mm_set1_epi8(1);
    __m128i a = zero;
    for (std::uint32_t i = 0; i + O <= n; i += O) {
      const __m128i b = LoadPixel<O>(p + i);
      // floor((a + b) / 2): the rounded-up mean less the carry of odd sums
      const __m128i mean =
          _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), ones));
      a = _mm_add_epi8(LoadPixel<O>(r + i), mean);
      StorePixel<O>(r + i, a);
    }
    return true;
  }
  __m128i a = zero, c = zero; // 16-bit lanes: left and upper-left
  for (std::uint32_t i = 0; i + O <= n; i += O) {
    const __m128i b = _mm_unpacklo_epi8(LoadPixel<O>(p + i), zero);
    const __m128i pa0 = _mm_sub_epi16(b, c), pb0 = _mm_sub_epi16(a, c);
    const __m128i pc0 = _mm_add_epi16(pa0, pb0);
    const __m128i pa = _mm_max_epi16(pa0, _mm_sub_epi16(zero, pa0));
    const __m128i pb = _mm_max_epi16(pb0, _mm_sub_epi16(zero, pb0));
    const __m128i pc = _mm_max_epi16(pc0, _mm_sub_epi16(zero, pc0));
    const __m128i least = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    // a when pa is the least, else b when pb is, else c (ties as png::Paeth)
    const __m128i useA = _mm_cmpeq_epi16(least, pa), useB = _mm_cmpeq_epi16(least, pb);
    __m128i pred = _mm_or_si128(_mm_and_si128(useB, b), _mm_andnot_si128(useB, c));
    pred = _mm_or_si128(_mm_and_si128(useA, a), _mm_andnot_si128(useA, pred));
    const __m128i x = _mm_unpacklo_epi8(LoadPixel<O>(r + i), zero);
    a = _mm_and_si128(_mm_add_epi16(x, pred), _mm_set1_epi16(0xFF));
    StorePixel<O>(r + i, _mm_packus_epi16(a, a));
    c = b;
  }
  return true;
}
#endif

/// Unfilters with the filter offset known at compile time (1, 2, 3, 4, 6
/// or 8), so that the loops can be unrolled.
template <std::uint32_t O>
void UnfilterBy(std::uint8_t type, std::uint8_t* r, const std::uint8_t* p, std::uint32_t n) {
#if defined(__SSE2__)
  if constexpr (O >= 2)
    if (UnfilterPixels<O>(type, r, p, n)) return;
#endif
  const std::uint32_t o = std::min(O, n);
  switch (type) {
  case 1:
    for (std::uint32_t i = o; i < n; ++i)
      r[i] = std::uint8_t(r[i] + r[i - O]);
    break;
  case 2:
    for (std::uint32_t i = 0; i < n; ++i)
      r[i] = std::uint8_t(r[i] + p[i]);
    break;
  case 3:
    for (std::uint32_t i = 0; i < o; ++i)
      r[i] = std::uint8_t(r[i] + (p[i] >> 1));
    for (std::uint32_t i = o; i < n; ++i)
      r[i] = std::uint8_t(r[i] + ((unsigned(p[i]) + r[i - O]) >> 1));
    break;
  case 4:
    for (std::uint32_t i = 0; i < o; ++i)
      r[i] = std::uint8_t(r[i] + p[i]);
    for (std::uint32_t i = o; i < n; ++i)
      r[i] = std::uint8_t(r[i] + PaethFast(r[i - O], p[i], p[i - O]));
    break;
  default: break; // None, and unknown types
  }
}

void Unfilter(std::uint8_t* row, const std::uint8_t* prev, std::uint32_t rowBytes,
              std::uint32_t offset) {
  std::uint8_t* r = row + 1;
  const std::uint8_t* p = prev + 1;
  switch (offset) {
  case 1: UnfilterBy<1>(row[0], r, p, rowBytes); break;
  case 2: UnfilterBy<2>(row[0], r, p, rowBytes); break;
  case 3: UnfilterBy<3>(row[0], r, p, rowBytes); break;
  case 4: UnfilterBy<4>(row[0], r, p, rowBytes); break;
  case 6: UnfilterBy<6>(row[0], r, p, rowBytes); break;
  default: UnfilterBy<8>(row[0], r, p, rowBytes); break;
  }
}

/// R,G,B(,A) pixels of a whole row to B,G,R (and the alpha plane) with an
/// identity gamma table: a word a pixel, each store overlapping the next
/// pixel's first byte, which that pixel then writes (the last one is
/// written byte by byte, so nothing past the row changes). The source row is
/// padded, so its word reads stay inside it.
template <int Channels>
void SwapRowPlain(const std::uint8_t* s, std::uint32_t n, std::uint8_t* out, std::uint8_t* alpha) {
  if (n == 0) return;
  std::uint32_t k = 0;
  for (; k + 1 < n; ++k, s += Channels) {
    std::uint32_t v;
    std::memcpy(&v, s, 4);
    const std::uint32_t bgr = __builtin_bswap32(v) >> 8; // R,G,B,x -> B,G,R,0 (little-endian)
    std::memcpy(out + 3 * std::size_t(k), &bgr, 4);
    if constexpr (Channels == 4) alpha[k] = std::uint8_t(v >> 24);
  }
  std::uint8_t* d = out + 3 * std::size_t(k);
  d[0] = s[2];
  d[1] = s[1];
  d[2] = s[0];
  if constexpr (Channels == 4) alpha[k] = s[3];
}

/// Grey + alpha byte pairs of a whole row into the grey buffer and the
/// alpha plane.
void SplitGreyAlpha(const std::uint8_t* s, std::uint32_t n, std::uint8_t* grey, std::uint8_t* alpha) {
  std::uint32_t k = 0;
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi16(0xFF);
  for (; k + 16 <= n; k += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * k));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * k + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(grey + k),
                     _mm_packus_epi16(_mm_and_si128(a, low), _mm_and_si128(b, low)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(alpha + k),
                     _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8)));
  }
#endif
  for (; k < n; ++k) {
    grey[k] = s[2 * k];
    alpha[k] = s[2 * k + 1];
  }
}

/// Stores the samples of one unfiltered row: pixel k goes to column
/// x0 + k × dx of image row y.
class TRowConverter {
public:
  TRowConverter(TChunkIHDR& header, const std::array<std::uint8_t, 256>& gamma)
      : h_(header), gamma_(gamma), depth_(header.BitDepth), type_(header.ColorType),
        bufferBits_(header.BufferBits()) {
    plain_ = true;
    for (int i = 0; i < 256; ++i)
      if (gamma[std::size_t(i)] != i) plain_ = false;
  }

  void Convert(const std::uint8_t* s, std::uint32_t n, std::uint32_t x0, std::uint32_t dx,
               std::uint32_t y) {
    std::uint8_t* out = h_.ImageRow(y);
    std::uint8_t* alpha = h_.ImageAlpha() ? h_.ImageAlpha() + std::size_t(y) * h_.Width : nullptr;
    const auto& g = gamma_;
    switch (type_) {
    case 0:
    case 3:
      if (depth_ == 16) {
        for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx)
          out[x] = s[2 * k];
      } else if (depth_ == 8) {
        if (dx == 1) std::memcpy(out + x0, s, n);
        else
          for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx)
            out[x] = s[k];
      } else if (dx == 1 && depth_ == bufferBits_) {
        std::memcpy(out, s, (std::size_t(n) * depth_ + 7) / 8); // whole rows start at column 0
      } else {
        const unsigned scale = type_ == 0 && depth_ == 2 ? 5 : 1; // 2-bit grey in 4-bit steps
        for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx)
          SetSampleAt(out, x, bufferBits_, SampleAt(s, k, depth_) * scale);
      }
      break;
    case 2:
      if (depth_ == 8 && dx == 1 && plain_) {
        SwapRowPlain<3>(s, n, out + 3 * std::size_t(x0), nullptr);
      } else if (depth_ == 8) {
        for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx, s += 3) {
          std::uint8_t* d = out + 3 * std::size_t(x);
          d[0] = g[s[2]];
          d[1] = g[s[1]];
          d[2] = g[s[0]];
        }
      } else {
        for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx, s += 6) {
          std::uint8_t* d = out + 3 * std::size_t(x);
          d[0] = g[s[4]];
          d[1] = g[s[2]];
          d[2] = g[s[0]];
        }
      }
      break;
    case 4: {
      if (depth_ == 8 && dx == 1) {
        SplitGreyAlpha(s, n, out + x0, alpha + x0);
        break;
      }
      const int step = depth_ == 16 ? 2 : 1;
      for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx, s += 2 * step) {
        out[x] = s[0];
        alpha[x] = s[step];
      }
      break;
    }
    case 6: {
      if (depth_ == 8 && dx == 1 && plain_) {
        SwapRowPlain<4>(s, n, out + 3 * std::size_t(x0), alpha + x0);
        break;
      }
      const int step = depth_ == 16 ? 2 : 1;
      for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx, s += 4 * step) {
        std::uint8_t* d = out + 3 * std::size_t(x);
        d[0] = g[s[2 * step]];
        d[1] = g[s[step]];
        d[2] = g[s[0]];
        alpha[x] = s[3 * step];
      }
      break;
    }
    default: break;
    }
  }

private:
  TChunkIHDR& h_;
  const std::array<std::uint8_t, 256>& gamma_;
  int depth_, type_, bufferBits_;
  bool plain_; // the gamma table maps every value to itself
};

} // namespace

bool TChunkIDAT::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  TChunkIHDR& header = Header();
  if (header.ImageData() == nullptr) TPngPicture::Fail<EPngInvalidIHDR>(PngTexts::InvalidIHDR);
  if (header.ColorType == 3 && owner_->ChunkList().ItemFromClass<TChunkPLTE>() == nullptr)
    TPngPicture::Fail<EPNGInvalidPalette>(PngTexts::InvalidPalette);
  const auto& gamma = owner_->DecodingGamma;
  if (header.ColorType == 0 || header.ColorType == 4) {
    const int m = 1 << header.BufferBits();
    for (int i = 0; i < m; ++i) {
      const std::uint8_t v = gamma[(i * 255 + (m - 1) / 2) / (m - 1)];
      header.BitmapInfo().bmiColors[i] = RGBQUAD{v, v, v, 0};
    }
  }
  const std::uint32_t width = header.Width, height = header.Height;
  std::uint32_t rowBytes = 0, offset = 0;
  TPngPicture::RowLayoutOf(header.ColorType, header.BitDepth, width, rowBytes, offset);
  TIdatReader reader(stream, type, length);
  // the filter byte, the row and a word of padding (whole-word pixel reads)
  std::vector<std::uint8_t> rows[2] = {std::vector<std::uint8_t>(rowBytes + 1 + 8, 0),
                                       std::vector<std::uint8_t>(rowBytes + 1 + 8, 0)};
  int current = 1;
  TRowConverter converter(header, gamma);
  auto readRow = [&](std::uint32_t bytes) {
    std::uint8_t* row = rows[current].data();
    const std::uint32_t got = reader.InflateInto(row, bytes + 1);
    if (got == 0) return false;
    std::fill(row + got, row + bytes + 1, std::uint8_t(0));
    Unfilter(row, rows[1 - current].data(), bytes, offset);
    return true;
  };
  if (owner_->Interlacing == 0) {
    for (std::uint32_t y = 0; y < height; ++y) {
      if (!readRow(rowBytes)) break;
      converter.Convert(rows[current].data() + 1, width, 0, 1, y);
      current = 1 - current;
    }
  } else if (owner_->Interlacing == 1) {
    for (const TPass& pass : kPasses) {
      const std::uint32_t n = PassWidth(pass, width);
      std::uint32_t bytes = 0, unused = 0;
      TPngPicture::RowLayoutOf(header.ColorType, header.BitDepth, n, bytes, unused);
      std::fill(rows[1 - current].begin(), rows[1 - current].end(), std::uint8_t(0));
      if (bytes == 0) continue;
      for (std::uint32_t y = pass.row; y < height; y += pass.rowStep) {
        if (!readRow(bytes)) break;
        converter.Convert(rows[current].data() + 1, n, pass.col, pass.colStep, y);
        current = 1 - current;
      }
    }
  }
  reader.Finish();
  return true;
}
