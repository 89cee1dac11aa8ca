// The PNG decoder's rows against libpng. The input is read as a recipe:
//   bytes 0-1  width - 1 and height - 1 (1..256 each)
//   byte 2     colour type, byte 3 bit depth (any values, so that pairs PNG
//              has no buffer for are tried too)
//   byte 4     bit 0 interlace; byte 5 zlib level (mod 10)
//   byte 6     IDAT size (1 + 64 × byte bytes a chunk)
//   byte 7     bytes of junk after the zlib stream (mod 16)
//   the rest   the rows: each a filter byte and its row bytes, taken in turn
//              (zeros when the input runs out), rows of a pass after pass
// The file gets a 256-entry palette and valid CRCs. Wherever libpng reads it,
// our picture loads too and every pixel (and alpha) equals what libpng's
// samples map to.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/PngPicture.h"
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/PngFuzz.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/ZlibStream.h"
#include "tests/codecs/PngOracle.h"

namespace {

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                         std::uint8_t(v)});
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::uint8_t* data,
              std::size_t n) {
  Put32(out, std::uint32_t(n));
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + n);
  Put32(out, PngCrc(reinterpret_cast<const std::uint8_t*>(type), data, n));
}

/// Bytes of a row of `pixels` pixels (0 for pairs PNG does not have).
std::size_t RowBytes(int type, int depth, std::uint32_t pixels) {
  const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
  return (std::size_t(pixels) * std::size_t(channels * depth) + 7) / 8;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  PngFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  const std::uint32_t w = data[0] + 1u, h = data[1] + 1u;
  const int type = data[2], depth = data[3], interlace = data[4] & 1, level = data[5] % 10;
  const std::size_t idatSize = 1 + 64 * std::size_t(data[6]);
  const int junk = data[7] % 16;
  const std::uint8_t* body = data + 8;
  const std::size_t bodySize = size - 8;
  std::size_t at = 0;
  auto next = [&]() -> std::uint8_t { return at < bodySize ? body[at++] : 0; };

  // the filtered rows, pass by pass
  std::vector<std::uint8_t> raw;
  const int depthBits = depth > 0 && depth <= 16 ? depth : 8;
  static const std::uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  for (int p = 0; p < (interlace ? 7 : 1); ++p) {
    const std::uint32_t x0 = interlace ? passes[p][0] : 0, y0 = interlace ? passes[p][1] : 0;
    const std::uint32_t dx = interlace ? passes[p][2] : 1, dy = interlace ? passes[p][3] : 1;
    if (x0 >= w || y0 >= h) continue;
    const std::uint32_t pw = (w - x0 + dx - 1) / dx, ph = (h - y0 + dy - 1) / dy;
    const std::size_t n = RowBytes(type, depthBits, pw);
    for (std::uint32_t y = 0; y < ph; ++y) {
      raw.push_back(next() % 6); // 5: an unknown filter type
      for (std::size_t i = 0; i < n; ++i) raw.push_back(next());
    }
  }
  // deflated, junk after the stream, cut into IDAT chunks
  std::vector<std::uint8_t> z;
  {
    TZlibStream s;
    if (s.InitDeflate(level) < 0) return 0;
    s.SetInput(raw.data(), std::uint32_t(raw.size()));
    std::vector<std::uint8_t> out(1 << 16);
    int r = 0;
    do {
      s.SetOutput(out.data(), std::uint32_t(out.size()));
      r = s.Deflate(true);
      z.insert(z.end(), out.begin(), out.end() - s.AvailOut());
    } while (r == ZOk);
    s.End();
  }
  for (int i = 0; i < junk; ++i) z.push_back(next());

  std::vector<std::uint8_t> file = {137, 80, 78, 71, 13, 10, 26, 10};
  std::uint8_t header[13] = {0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(depth), std::uint8_t(type),
                             0, 0, std::uint8_t(interlace)};
  header[2] = std::uint8_t(w >> 8), header[3] = std::uint8_t(w);
  header[6] = std::uint8_t(h >> 8), header[7] = std::uint8_t(h);
  PutChunk(file, "IHDR", header, 13);
  std::uint8_t palette[768];
  for (int i = 0; i < 256; ++i) {
    palette[3 * i] = std::uint8_t(i);
    palette[3 * i + 1] = std::uint8_t(255 - i);
    palette[3 * i + 2] = std::uint8_t(i * 7);
  }
  if (type == 3) PutChunk(file, "PLTE", palette, sizeof palette);
  for (std::size_t i = 0; i < z.size(); i += idatSize)
    PutChunk(file, "IDAT", z.data() + i, std::min(idatSize, z.size() - i));
  if (z.empty()) PutChunk(file, "IDAT", nullptr, 0);
  PutChunk(file, "IEND", nullptr, 0);

  const TLibpngImage ref = ReadWithLibpng(file);
  TPngPicture png;
  bool loaded = true;
  try {
    TMemoryStream in;
    in.WriteBuffer(file.data(), std::int64_t(file.size()));
    in.SetPosition(0);
    png.LoadFromStream(in);
  } catch (const Exception&) {
    loaded = false;
  }
  if (!ref.ok) return 0;
  skfuzz::Check(loaded, "libpng reads the file, the codec does not");
  skfuzz::Check(png.Width() == int(ref.width) && png.Height() == int(ref.height), "size");
  const std::vector<std::uint8_t> identity = GammaTable(0);
  const TChunkIHDR& hc = png.HeaderChunk();
  for (std::uint32_t y = 0; y < ref.height; ++y)
    for (std::uint32_t x = 0; x < ref.width; ++x) {
      std::uint32_t colour = 0;
      int alpha = 0;
      ExpectedPixel(ref, identity, x, y, colour, alpha);
      skfuzz::Check(png.ReadPixel(int(x), int(y)) == colour, "pixel differs from libpng's");
      if (hc.ImageAlpha() != nullptr)
        skfuzz::Check(hc.ImageAlpha()[y * ref.width + x] == alpha, "alpha differs from libpng's");
    }
  return 0;
}
