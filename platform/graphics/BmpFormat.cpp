// BMP files: read every common header and depth with bounds checks; write
// the 40-byte header form.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Dib.h"
#include "platform/rtl/Streams.h"

namespace {

[[noreturn]] void Invalid() {
  throw EInvalidGraphic("Bitmap image is not valid");
}

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
std::uint16_t U16(const std::uint8_t* p) {
  return std::uint16_t(p[0] | (p[1] << 8));
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i)
    v.push_back(std::uint8_t(x >> (8 * i)));
}
void Put16(std::vector<std::uint8_t>& v, std::uint16_t x) {
  v.push_back(std::uint8_t(x));
  v.push_back(std::uint8_t(x >> 8));
}

int MaskChannel(std::uint32_t v, std::uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1))
    ++shift;
  std::uint64_t m = mask >> shift;
  return int(((v >> shift) & m) * 255 / m);
}

constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;

/// Decodes RLE8/RLE4 data into 8-bit indices (top-down rows of `width` bytes).
bool DecodeRle(const std::uint8_t* p, std::int64_t size, int width, int height, bool four,
               std::vector<std::uint8_t>& out) {
  out.assign(std::size_t(width) * height, 0);
  std::int64_t at = 0;
  int x = 0, y = 0; // y counted from the bottom
  // x stops at the width: runs past the row end are dropped, and no count
  // of runs or deltas can overflow it
  auto put = [&](int v) {
    if (x < width && y < height) out[std::size_t(height - 1 - y) * width + x] = std::uint8_t(v);
    x = std::min(x + 1, width);
  };
  while (at + 1 < size) {
    int n = p[at], v = p[at + 1];
    at += 2;
    if (n > 0) {
      for (int i = 0; i < n; ++i)
        put(four ? ((i & 1) ? (v & 15) : (v >> 4)) : v);
      continue;
    }
    if (v == 0) {
      x = 0;
      ++y;
    } else if (v == 1) {
      return true;
    } else if (v == 2) {
      if (at + 1 >= size) return false;
      x = std::min(x + p[at], width);
      y += p[at + 1];
      at += 2;
    } else {
      int bytes = four ? (v + 1) / 2 : v;
      if (at + bytes > size) return false;
      for (int i = 0; i < v; ++i)
        put(four ? ((i & 1) ? (p[at + i / 2] & 15) : (p[at + i / 2] >> 4)) : p[at + i]);
      at += (bytes + 1) & ~1;
    }
    if (y > height) return false;
  }
  return true;
}

} // namespace

void ReadBmp(TStream& stream, TDibData& dib) {
  std::int64_t start = stream.Position();
  std::int64_t available = stream.Size() - start;
  if (available < 14 + 12) Invalid();
  std::uint8_t fh[14];
  stream.ReadBuffer(fh, 14);
  if (fh[0] != 'B' || fh[1] != 'M') Invalid();
  std::int64_t offBits = U32(fh + 10);
  std::uint8_t sizeBytes[4];
  stream.ReadBuffer(sizeBytes, 4);
  std::int64_t biSize = U32(sizeBytes);
  if (biSize != 12 && biSize != 40 && biSize != 52 && biSize != 56 && biSize != 108 &&
      biSize != 124)
    Invalid();
  if (14 + biSize > available) Invalid();
  // the rest of the file up to its declared data
  std::int64_t fileSize = available;
  std::vector<std::uint8_t> file(static_cast<std::size_t>(fileSize));
  std::memcpy(file.data(), fh, 14);
  std::memcpy(file.data() + 14, sizeBytes, 4);
  stream.ReadBuffer(file.data() + 18, fileSize - 18);
  const std::uint8_t* h = file.data() + 14;

  std::int64_t width, height;
  int bpp;
  std::uint32_t compression = 0, clrUsed = 0;
  int quad = 4;
  if (biSize == 12) {
    width = U16(h + 4);
    height = std::int16_t(U16(h + 6));
    bpp = U16(h + 10);
    quad = 3;
  } else {
    width = std::int32_t(U32(h + 4));
    height = std::int32_t(U32(h + 8));
    bpp = U16(h + 14);
    compression = U32(h + 16);
    clrUsed = U32(h + 32);
  }
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width * height > kMaxPixels) Invalid();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) Invalid();
  bool rle = compression == 1 || compression == 2;
  if (compression == 1 && bpp != 8) Invalid();
  if (compression == 2 && bpp != 4) Invalid();
  if (rle && topDown) Invalid();
  if (compression == 3 && bpp != 16 && bpp != 32) Invalid();
  if (compression > 3) Invalid();

  std::int64_t maskBytes = (compression == 3 && biSize == 40) ? 12 : 0;
  std::uint32_t masks[3] = {0, 0, 0};
  if (compression == 3) {
    const std::uint8_t* m = biSize == 40 ? h + 40 : h + 40;
    if (14 + 40 + 12 > fileSize) Invalid();
    for (int i = 0; i < 3; ++i)
      masks[i] = U32(m + 4 * i);
  } else if (bpp == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }
  std::int64_t paletteCount = 0;
  if (bpp <= 8) {
    std::int64_t limit = std::int64_t(1) << bpp;
    paletteCount = clrUsed ? std::int64_t(clrUsed) : limit;
    if (paletteCount > limit || paletteCount > 256) Invalid();
  }
  std::int64_t paletteAt = 14 + biSize + maskBytes;
  if (offBits < paletteAt + paletteCount * quad || offBits > fileSize) Invalid();
  std::int64_t rowBytes = DibRowBytes(width, bpp);
  if (!rle && offBits + rowBytes * height > fileSize) Invalid();

  std::vector<RGBQUAD> palette;
  for (std::int64_t i = 0; i < paletteCount; ++i) {
    const std::uint8_t* q = file.data() + paletteAt + i * quad;
    RGBQUAD e;
    e.rgbBlue = q[0];
    e.rgbGreen = q[1];
    e.rgbRed = q[2];
    palette.push_back(e);
  }

  const std::uint8_t* data = file.data() + offBits;
  if (rle) {
    std::vector<std::uint8_t> indices;
    if (!DecodeRle(data, fileSize - offBits, int(width), int(height), compression == 2, indices))
      Invalid();
    bool four = compression == 2;
    dib = TDibData(int(width), int(height), four ? 4 : 8);
    dib.SetPalette(palette);
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* in = indices.data() + std::size_t(y) * width;
      std::uint8_t* row = dib.StoredRow(y);
      for (std::int64_t x = 0; x < width; ++x) {
        int v = std::min<int>(in[x], int(palette.size()) - 1);
        if (v < 0) v = 0;
        if (!four)
          row[x] = std::uint8_t(v);
        else
          row[x / 2] = std::uint8_t((x & 1) ? (row[x / 2] | v) : (v << 4));
      }
    }
    return;
  }
  bool plain555 = bpp == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F;
  bool plain32 = bpp == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
  int storeBpp = bpp == 16 && !plain555 ? 24 : bpp;
  dib = TDibData(int(width), int(height), storeBpp);
  if (bpp <= 8) dib.SetPalette(palette);
  for (std::int64_t line = 0; line < height; ++line) {
    const std::uint8_t* src = data + (topDown ? line : height - 1 - line) * rowBytes;
    std::uint8_t* dst = dib.StoredRow(int(line));
    if (bpp <= 8 || plain555 || bpp == 24) {
      std::memcpy(dst, src, std::size_t(rowBytes));
    } else if (bpp == 32) {
      for (std::int64_t x = 0; x < width; ++x) {
        std::uint32_t v = U32(src + 4 * x);
        if (plain32) {
          std::memcpy(dst + 4 * x, src + 4 * x, 4);
        } else {
          dst[4 * x] = std::uint8_t(MaskChannel(v, masks[2]));
          dst[4 * x + 1] = std::uint8_t(MaskChannel(v, masks[1]));
          dst[4 * x + 2] = std::uint8_t(MaskChannel(v, masks[0]));
          dst[4 * x + 3] = 0;
        }
      }
    } else { // 16-bit bit fields into 24 bits
      for (std::int64_t x = 0; x < width; ++x) {
        std::uint32_t v = U16(src + 2 * x);
        dst[3 * x] = std::uint8_t(MaskChannel(v, masks[2]));
        dst[3 * x + 1] = std::uint8_t(MaskChannel(v, masks[1]));
        dst[3 * x + 2] = std::uint8_t(MaskChannel(v, masks[0]));
      }
    }
  }
}

void WriteBmp(TStream& stream, const TDibData& dib) {
  int bpp = dib.DibBitsPerPixel();
  std::int64_t w = dib.DibWidth(), h = dib.DibHeight();
  std::int64_t rowBytes = DibRowBytes(w, bpp);
  std::uint32_t paletteCount = bpp <= 8 ? std::uint32_t(dib.Palette().size()) : 0;
  std::uint32_t offBits = 54 + 4 * paletteCount;
  std::uint64_t fileSize = offBits + std::uint64_t(rowBytes * h);
  if (fileSize > 0xFFFFFFFFull) throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<std::uint8_t> out;
  out.reserve(std::size_t(fileSize));
  out.push_back('B');
  out.push_back('M');
  Put32(out, std::uint32_t(fileSize));
  Put32(out, 0);
  Put32(out, offBits);
  Put32(out, 40);
  Put32(out, std::uint32_t(w));
  Put32(out, std::uint32_t(h));
  Put16(out, 1);
  Put16(out, std::uint16_t(bpp));
  Put32(out, 0); // BI_RGB
  Put32(out, std::uint32_t(rowBytes * h));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, paletteCount);
  Put32(out, 0);
  for (std::uint32_t i = 0; i < paletteCount; ++i) {
    const RGBQUAD& q = dib.Palette()[i];
    out.push_back(q.rgbBlue);
    out.push_back(q.rgbGreen);
    out.push_back(q.rgbRed);
    out.push_back(0);
  }
  // rows bottom first, padding zeroed
  std::int64_t used = (w * bpp + 7) / 8;
  for (std::int64_t line = h - 1; line >= 0; --line) {
    const std::uint8_t* row = dib.StoredRow(int(line));
    std::size_t at = out.size();
    out.insert(out.end(), row, row + used);
    out.resize(at + std::size_t(rowBytes), 0);
    if ((w * bpp) % 8) { // clear the unused bits of the last byte
      int bits = int((w * bpp) % 8);
      out[at + std::size_t(used) - 1] &= std::uint8_t(0xFF << (8 - bits));
    }
  }
  stream.WriteBuffer(out.data(), std::int64_t(out.size()));
}
