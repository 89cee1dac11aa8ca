// BMP files: read every common header and depth with bounds checks (each
// check names its reason in the exception); write the 40-byte header form.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Dib.h"
#include "platform/rtl/Streams.h"

namespace {

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

// ---------------------------------------------------------------------------
// Reading, in steps: the file, the headers, their validation, the masks and
// the palette, then the RLE data or the rows. Every check raises the class
// library's message with its own reason.

[[noreturn]] void Invalid(const char* reason) {
  throw EInvalidGraphic("Bitmap image is not valid", reason);
}

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;
constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;
/// Pixels one byte of RLE data may stand for. Runs give at most 127 a byte
/// and a row end skips the rest of its row in two bytes, so a sparse image
/// up to 16384 pixels wide with a row end on every row stays within it; a
/// file of a few kilobytes cannot ask for hundreds of megabytes.
constexpr std::int64_t kRlePixelsPerByte = 8192;

/// What the headers say.
struct TBmpInfo {
  std::int64_t offBits = 0;
  std::int64_t headerSize = 0;
  std::int64_t width = 0, height = 0;
  bool topDown = false;
  int bpp = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t clrUsed = 0;
  int quad = 4; // bytes per palette entry
  std::uint32_t masks[3] = {0, 0, 0};
  std::int64_t paletteAt = 0, paletteCount = 0;
  bool Rle() const { return compression == kBiRle8 || compression == kBiRle4; }
};

/// The file from the stream's position on: the steps index into it.
std::vector<std::uint8_t> ReadFile(TStream& stream) {
  std::int64_t available = stream.Size() - stream.Position();
  if (available < kFileHeaderSize + 12) Invalid("file shorter than its headers");
  std::vector<std::uint8_t> file(static_cast<std::size_t>(available));
  stream.ReadBuffer(file.data(), available);
  return file;
}

TBmpInfo ReadHeaders(const std::vector<std::uint8_t>& file) {
  if (file[0] != 'B' || file[1] != 'M') Invalid("no BM signature");
  TBmpInfo info;
  info.offBits = U32(file.data() + 10);
  const std::uint8_t* h = file.data() + kFileHeaderSize;
  info.headerSize = U32(h);
  switch (info.headerSize) {
  case 12:
  case 40:
  case 52:
  case 56:
  case 108:
  case 124:
    break;
  default:
    Invalid("unknown info header size");
  }
  if (kFileHeaderSize + info.headerSize > std::int64_t(file.size()))
    Invalid("info header past the end of the file");
  if (info.headerSize == 12) { // the core header: 16-bit sizes, 3-byte palette entries
    info.width = U16(h + 4);
    info.height = std::int16_t(U16(h + 6));
    info.bpp = U16(h + 10);
    info.quad = 3;
  } else {
    info.width = std::int32_t(U32(h + 4));
    info.height = std::int32_t(U32(h + 8));
    info.bpp = U16(h + 14);
    info.compression = U32(h + 16);
    info.clrUsed = U32(h + 32);
  }
  info.topDown = info.height < 0;
  if (info.topDown) info.height = -info.height;
  return info;
}

void ValidateInfo(const TBmpInfo& info) {
  if (info.width <= 0 || info.height <= 0) Invalid("width or height not positive");
  if (info.width * info.height > kMaxPixels) Invalid("image too large");
  switch (info.bpp) {
  case 1:
  case 4:
  case 8:
  case 16:
  case 24:
  case 32:
    break;
  default:
    Invalid("unsupported bits per pixel");
  }
  if (info.compression > kBiBitfields) Invalid("unknown compression");
  if (info.compression == kBiRle8 && info.bpp != 8) Invalid("RLE8 data needs 8 bits per pixel");
  if (info.compression == kBiRle4 && info.bpp != 4) Invalid("RLE4 data needs 4 bits per pixel");
  if (info.Rle() && info.topDown) Invalid("RLE image stored top-down");
  if (info.compression == kBiBitfields && info.bpp != 16 && info.bpp != 32)
    Invalid("bit fields need 16 or 32 bits per pixel");
}

/// The colour masks: after the 40 bytes of the info fields, inside the
/// larger headers and right after the 40-byte one; the defaults otherwise.
void ReadMasks(TBmpInfo& info, const std::vector<std::uint8_t>& file) {
  if (info.compression == kBiBitfields) {
    if (kFileHeaderSize + 40 + 12 > std::int64_t(file.size()))
      Invalid("bit-field masks past the end of the file");
    const std::uint8_t* m = file.data() + kFileHeaderSize + 40;
    for (int i = 0; i < 3; ++i)
      info.masks[i] = U32(m + 4 * i);
  } else if (info.bpp == 16) {
    info.masks[0] = 0x7C00;
    info.masks[1] = 0x03E0;
    info.masks[2] = 0x001F;
  } else if (info.bpp == 32) {
    info.masks[0] = 0xFF0000;
    info.masks[1] = 0xFF00;
    info.masks[2] = 0xFF;
  }
}

std::vector<RGBQUAD> ReadPalette(TBmpInfo& info, const std::vector<std::uint8_t>& file) {
  if (info.bpp <= 8) {
    std::int64_t limit = std::int64_t(1) << info.bpp;
    info.paletteCount = info.clrUsed ? std::int64_t(info.clrUsed) : limit;
    if (info.paletteCount > limit) Invalid("palette larger than the depth allows");
  }
  std::int64_t maskBytes = (info.compression == kBiBitfields && info.headerSize == 40) ? 12 : 0;
  info.paletteAt = kFileHeaderSize + info.headerSize + maskBytes;
  if (info.offBits < info.paletteAt + info.paletteCount * info.quad)
    Invalid("pixel data inside the headers or the palette");
  if (info.offBits > std::int64_t(file.size())) Invalid("pixel data past the end of the file");
  std::vector<RGBQUAD> palette;
  for (std::int64_t i = 0; i < info.paletteCount; ++i) {
    const std::uint8_t* q = file.data() + info.paletteAt + i * info.quad;
    RGBQUAD e;
    e.rgbBlue = q[0];
    e.rgbGreen = q[1];
    e.rgbRed = q[2];
    palette.push_back(e);
  }
  return palette;
}

/// The declared size against the data the file holds, before anything is
/// allocated for it.
void ValidateDataSize(const TBmpInfo& info, std::int64_t fileSize) {
  std::int64_t dataBytes = fileSize - info.offBits;
  if (info.Rle()) {
    if (info.width * info.height > kRlePixelsPerByte * std::max<std::int64_t>(dataBytes, 1))
      Invalid("declared size too large for the RLE data");
  } else if (DibRowBytes(info.width, info.bpp) * info.height > dataBytes) {
    Invalid("pixel rows past the end of the file");
  }
}

/// Decodes RLE8/RLE4 data into 8-bit indices (top-down rows of `width`
/// bytes). The data must end with the end-of-bitmap code.
std::vector<std::uint8_t> DecodeRle(const std::uint8_t* p, std::int64_t size, int width, int height,
                                    bool four) {
  std::vector<std::uint8_t> out(std::size_t(width) * height, 0);
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
    if (n > 0) { // a run of one value (RLE4: two alternating nibbles)
      for (int i = 0; i < n; ++i)
        put(four ? ((i & 1) ? (v & 15) : (v >> 4)) : v);
      continue;
    }
    if (v == 0) { // end of row
      x = 0;
      ++y;
    } else if (v == 1) { // end of bitmap
      return out;
    } else if (v == 2) { // delta
      if (at + 1 >= size) Invalid("RLE delta past the end of the data");
      x = std::min(x + p[at], width);
      y += p[at + 1];
      at += 2;
    } else { // literal run, padded to a word
      int bytes = four ? (v + 1) / 2 : v;
      if (at + bytes > size) Invalid("RLE literal run past the end of the data");
      for (int i = 0; i < v; ++i)
        put(four ? ((i & 1) ? (p[at + i / 2] & 15) : (p[at + i / 2] >> 4)) : p[at + i]);
      at += (bytes + 1) & ~1;
    }
    if (y > height) Invalid("RLE rows past the image height");
  }
  Invalid("RLE data ends before the end-of-bitmap code");
}

void ReadRle(const TBmpInfo& info, const std::vector<std::uint8_t>& file,
             const std::vector<RGBQUAD>& palette, TDibData& dib) {
  bool four = info.compression == kBiRle4;
  int width = int(info.width), height = int(info.height);
  std::vector<std::uint8_t> indices = DecodeRle(
      file.data() + info.offBits, std::int64_t(file.size()) - info.offBits, width, height, four);
  dib = TDibData(width, height, four ? 4 : 8);
  dib.SetPalette(palette);
  int last = int(palette.size()) - 1;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = indices.data() + std::size_t(y) * width;
    std::uint8_t* row = dib.StoredRow(y);
    for (int x = 0; x < width; ++x) {
      int v = std::clamp<int>(in[x], 0, std::max(last, 0));
      if (!four)
        row[x] = std::uint8_t(v);
      else
        row[x / 2] = std::uint8_t((x & 1) ? (row[x / 2] | v) : (v << 4));
    }
  }
}

void ReadRows(const TBmpInfo& info, const std::vector<std::uint8_t>& file,
              const std::vector<RGBQUAD>& palette, TDibData& dib) {
  const std::uint32_t* masks = info.masks;
  int bpp = info.bpp;
  std::int64_t width = info.width, height = info.height;
  std::int64_t rowBytes = DibRowBytes(width, bpp);
  bool plain555 = bpp == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F;
  bool plain32 = bpp == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
  int storeBpp = bpp == 16 && !plain555 ? 24 : bpp;
  dib = TDibData(int(width), int(height), storeBpp);
  if (bpp <= 8) dib.SetPalette(palette);
  const std::uint8_t* data = file.data() + info.offBits;
  for (std::int64_t line = 0; line < height; ++line) {
    const std::uint8_t* src = data + (info.topDown ? line : height - 1 - line) * rowBytes;
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

} // namespace

bool BmpFileIsSound(const std::uint8_t* bytes, std::size_t size, std::string* reason) {
  try {
    if (!bytes || std::int64_t(size) < kFileHeaderSize + 12) Invalid("file shorter than its headers");
    const std::vector<std::uint8_t> file(bytes, bytes + size);
    TBmpInfo info = ReadHeaders(file);
    ValidateInfo(info);
    ReadMasks(info, file);
    ReadPalette(info, file);
    ValidateDataSize(info, std::int64_t(file.size()));
    return true;
  } catch (const EInvalidGraphic& e) {
    if (reason) *reason = e.Message();
    return false;
  }
}

void ReadBmp(TStream& stream, TDibData& dib) {
  std::vector<std::uint8_t> file = ReadFile(stream);
  TBmpInfo info = ReadHeaders(file);
  ValidateInfo(info);
  ReadMasks(info, file);
  std::vector<RGBQUAD> palette = ReadPalette(info, file);
  ValidateDataSize(info, std::int64_t(file.size()));
  if (info.Rle())
    ReadRle(info, file, palette, dib);
  else
    ReadRows(info, file, palette, dib);
}

void WriteBmp(TStream& stream, const TDibData& dib) {
  int bpp = dib.DibBitsPerPixel();
  std::int64_t w = dib.DibWidth(), h = dib.DibHeight();
  std::int64_t rowBytes = DibRowBytes(w, bpp);
  std::uint32_t paletteCount = bpp <= 8 ? std::uint32_t(dib.Palette().size()) : 0;
  std::uint32_t offBits = 54 + 4 * paletteCount;
  std::uint64_t fileSize = offBits + std::uint64_t(rowBytes * h);
  if (fileSize > 0xFFFFFFFFull)
    throw EInvalidGraphic("Bitmap image is not valid", "too large for a BMP file");
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
