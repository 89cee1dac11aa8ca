// Writing the image data: rows converted back to file samples, filtered by
// the picture's row filter set, deflated as one zlib stream and written as
// IDAT chunks of at most the IDAT limit.
#include <algorithm>
#include <cstring>

#include "codecs/png/PngInternal.h"
#include "platform/rtl/ZlibStream.h"

using namespace png;

namespace {

/// Collects the deflated bytes and writes an IDAT chunk each time the
/// buffer of IDAT-limit bytes fills.
class TIdatWriter {
public:
  TIdatWriter(TStream& stream, std::uint32_t limit, int level)
      : stream_(stream), buffer_(limit) {
    const int r = z_.InitDeflate(level);
    if (r < 0) Fail(r);
    z_.SetOutput(buffer_.data(), limit);
  }

  void Feed(const std::uint8_t* data, std::uint32_t count) {
    z_.SetInput(data, count);
    while (z_.AvailIn() > 0) {
      const int r = z_.Deflate(false);
      if (r < 0) Fail(r);
      if (z_.AvailOut() == 0) Flush(std::uint32_t(buffer_.size()));
    }
  }

  void Finish() {
    z_.SetInput(nullptr, 0);
    for (;;) {
      const int r = z_.Deflate(true);
      if (r < 0) Fail(r);
      const std::uint32_t used = std::uint32_t(buffer_.size()) - z_.AvailOut();
      if (r == ZStreamEnd) {
        if (used > 0) Flush(used);
        break;
      }
      Flush(used);
    }
    z_.End();
  }

private:
  [[noreturn]] static void Fail(int code) {
    throw EPNGZLIBError(std::string(PngTexts::ZLIBError) + PngTexts::ZlibResult(code));
  }

  void Flush(std::uint32_t count) {
    static const std::uint8_t kType[4] = {'I', 'D', 'A', 'T'};
    WriteU32(stream_, count);
    stream_.WriteBuffer(kType, 4);
    if (count > 0) stream_.WriteBuffer(buffer_.data(), count);
    WriteU32(stream_, PngCrc(kType, buffer_.data(), count));
    z_.SetOutput(buffer_.data(), std::uint32_t(buffer_.size()));
  }

  TStream& stream_;
  TZlibStream z_;
  std::vector<std::uint8_t> buffer_;
};

/// Turns buffer pixels back into file samples: pixel k of the raw row from
/// column x0 + k × dx of image row y.
void RawRow(TChunkIHDR& h, const std::array<std::uint8_t, 256>& g, std::uint8_t* raw,
            std::uint32_t rowBytes, std::uint32_t n, std::uint32_t x0, std::uint32_t dx,
            std::uint32_t y) {
  const std::uint8_t* in = h.ImageRow(y);
  const std::uint8_t* alpha = h.ImageAlpha() ? h.ImageAlpha() + std::size_t(y) * h.Width : nullptr;
  const int depth = h.BitDepth;
  switch (h.ColorType) {
  case 0:
  case 3:
    if (depth == 16) {
      for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx) {
        raw[2 * k] = in[x];
        raw[2 * k + 1] = 0;
      }
    } else if (depth == 8 && dx == 1) {
      std::memcpy(raw, in + x0, n);
    } else if (dx == 1 && depth == h.BufferBits()) {
      std::memcpy(raw, in, rowBytes);
    } else {
      std::memset(raw, 0, rowBytes);
      for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx)
        SetSampleAt(raw, k, depth, SampleAt(in, x, h.BufferBits()));
    }
    break;
  case 2:
    for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx) {
      const std::uint8_t* s = in + 3 * std::size_t(x);
      if (depth == 16) {
        std::uint8_t* d = raw + 6 * std::size_t(k);
        d[0] = g[s[2]], d[1] = 0, d[2] = g[s[1]], d[3] = 0, d[4] = g[s[0]], d[5] = 0;
      } else {
        std::uint8_t* d = raw + 3 * std::size_t(k);
        d[0] = g[s[2]], d[1] = g[s[1]], d[2] = g[s[0]];
      }
    }
    break;
  case 4:
    for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx) {
      if (depth == 16) {
        std::uint8_t* d = raw + 4 * std::size_t(k);
        d[0] = in[x], d[1] = 0, d[2] = alpha[x], d[3] = 0;
      } else {
        raw[2 * k] = in[x];
        raw[2 * k + 1] = alpha[x];
      }
    }
    break;
  case 6:
    for (std::uint32_t k = 0, x = x0; k < n; ++k, x += dx) {
      const std::uint8_t* s = in + 3 * std::size_t(x);
      if (depth == 16) {
        std::uint8_t* d = raw + 8 * std::size_t(k);
        d[0] = g[s[2]], d[1] = 0, d[2] = g[s[1]], d[3] = 0, d[4] = g[s[0]], d[5] = 0;
        d[6] = alpha[x], d[7] = 0;
      } else {
        std::uint8_t* d = raw + 4 * std::size_t(k);
        d[0] = g[s[2]], d[1] = g[s[1]], d[2] = g[s[0]], d[3] = alpha[x];
      }
    }
    break;
  default: break;
  }
}

/// Scores runs: positions from 2 on equal to one of the two bytes before.
int Score(const std::uint8_t* c, std::uint32_t rowBytes) {
  int score = 0;
  for (std::uint32_t j = 2; j < rowBytes; ++j)
    if (c[j] == c[j - 1] || c[j] == c[j - 2]) ++score;
  return score;
}

/// Computes the candidates of the set and picks the filter type.
int ChooseFilter(std::uint8_t set, const std::uint8_t* r, std::vector<std::uint8_t>* cand,
                 std::uint32_t rowBytes, std::uint32_t o) {
  std::uint8_t* p = cand[0].data();
  for (int t = 1; t <= 4; ++t) {
    if ((set & (1 << t)) == 0) continue;
    std::uint8_t* c = cand[t].data();
    for (std::uint32_t i = 0; i < rowBytes; ++i) {
      const int left = i >= o ? r[i - o] : 0, upLeft = i >= o ? p[i - o] : 0;
      switch (t) {
      case 1: c[i] = std::uint8_t(r[i] - left); break;
      case 2: c[i] = std::uint8_t(r[i] - p[i]); break;
      case 3: c[i] = std::uint8_t(r[i] - ((p[i] + left) >> 1)); break;
      case 4: c[i] = std::uint8_t(r[i] - Paeth(left, p[i], upLeft)); break;
      }
    }
  }
  std::memcpy(p, r, rowBytes);
  if ((set & 0x1F) == 0 || (set & 0x1F) == 1) return 0;
  int best = 0, top = 0;
  for (int t = 0; t <= 4; ++t) {
    if ((set & (1 << t)) == 0) continue;
    if ((set & 0x1F) == (1 << t)) return t;
    const int score = Score(cand[t].data(), rowBytes);
    if (score > top) {
      best = t;
      top = score;
    }
  }
  return best;
}

} // namespace

bool TChunkIDAT::WriteTo(TStream& stream) {
  TChunkIHDR& header = Header();
  if (header.ImageData() == nullptr) TPngPicture::Fail<EPngInvalidIHDR>(PngTexts::InvalidIHDR);
  const std::uint32_t width = header.Width, height = header.Height;
  std::uint32_t rowBytes = 0, offset = 0;
  TPngPicture::RowLayoutOf(header.ColorType, header.BitDepth, width, rowBytes, offset);
  const std::uint8_t set = owner_->RowFilterSet;
  std::vector<std::uint8_t> raw(rowBytes + 1, 0), cand[5];
  cand[0].assign(rowBytes + 1, 0);
  for (int t = 1; t <= 4; ++t)
    if ((set & (1 << t)) != 0) cand[t].assign(rowBytes + 1, 0);
  TIdatWriter writer(stream, owner_->IdatLimit(), owner_->DeflateLevel);
  const auto& gamma = owner_->EncodingGamma;
  auto sendRow = [&](std::uint32_t bytes) {
    const std::uint8_t t = std::uint8_t(ChooseFilter(set, raw.data(), cand, bytes, offset));
    writer.Feed(&t, 1);
    writer.Feed(cand[t].data(), bytes);
  };
  if (owner_->Interlacing == 0) {
    for (std::uint32_t y = 0; y < height; ++y) {
      RawRow(header, gamma, raw.data(), rowBytes, width, 0, 1, y);
      sendRow(rowBytes);
    }
  } else if (owner_->Interlacing == 1) {
    for (const TPass& pass : kPasses) {
      const std::uint32_t n = PassWidth(pass, width);
      std::uint32_t bytes = 0, unused = 0;
      TPngPicture::RowLayoutOf(header.ColorType, header.BitDepth, n, bytes, unused);
      std::fill(cand[0].begin(), cand[0].end(), std::uint8_t(0));
      if (bytes == 0) continue;
      for (std::uint32_t y = pass.row; y < height; y += pass.rowStep) {
        RawRow(header, gamma, raw.data(), bytes, n, pass.col, pass.colStep, y);
        sendRow(bytes);
      }
    }
  }
  writer.Finish();
  return true;
}
