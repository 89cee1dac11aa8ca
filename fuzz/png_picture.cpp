// The PNG picture: any bytes load or raise the codec's exceptions; a loaded
// picture reads its corner pixels, draws 1:1 and scaled, and (without a
// gamma chunk) saves and reloads to the same pixels. When the first byte is
// even the chunk CRCs are recomputed first, so that mutations reach the
// chunk readers.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/PngPicture.h"
#include "fuzz/support/PngFuzz.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

void FixCrcs(std::vector<std::uint8_t>& b) {
  std::size_t p = 8;
  while (p + 12 <= b.size()) {
    const std::uint32_t n = (std::uint32_t(b[p]) << 24) | (std::uint32_t(b[p + 1]) << 16) |
                            (std::uint32_t(b[p + 2]) << 8) | b[p + 3];
    if (n > b.size() - p - 12) break;
    const std::uint32_t crc = PngCrc(&b[p + 4], &b[p + 8], n);
    std::uint8_t* c = &b[p + 8 + n];
    c[0] = std::uint8_t(crc >> 24), c[1] = std::uint8_t(crc >> 16);
    c[2] = std::uint8_t(crc >> 8), c[3] = std::uint8_t(crc);
    p += 12 + n;
  }
}

void Check(bool ok) {
  if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  PngFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  if (!bytes.empty() && bytes[0] % 2 == 0) {
    if (bytes.size() >= 8) {
      const std::uint8_t sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
      std::copy(sig, sig + 8, bytes.begin());
    }
    FixCrcs(bytes);
  }
  TPngPicture png;
  try {
    TMemoryStream in;
    if (!bytes.empty()) in.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    in.SetPosition(0);
    png.LoadFromStream(in);
  } catch (const Exception&) {
    return 0;
  }
  try {
    const int w = png.Width(), h = png.Height();
    png.TransparencyKind();
    png.ReadPixel(0, 0);
    png.ReadPixel(w - 1, h - 1);
    png.ReadPixel(w, h);
    if (std::int64_t(w) * h <= 1 << 20) {
      TBitmap one(w, h, pf24bit);
      png.Draw(one.Canvas(), TRect{0, 0, w, h});
    }
    TBitmap scaled(37, 23, pf24bit);
    png.Draw(scaled.Canvas(), TRect{0, 0, 37, 23});
  } catch (const Exception&) {
  }
  if (png.ChunkList().ItemFromClass<TChunkgAMA>() != nullptr) return 0;
  if (std::int64_t(png.Width()) * png.Height() > 1 << 16) return 0;
  TMemoryStream saved;
  try {
    png.SaveToStream(saved);
  } catch (const Exception&) {
    return 0;
  }
  saved.SetPosition(0);
  TPngPicture back;
  back.LoadFromStream(saved); // what we wrote must load
  Check(back.Width() == png.Width() && back.Height() == png.Height());
  for (int y = 0; y < png.Height(); ++y)
    for (int x = 0; x < png.Width(); ++x) {
      COLORREF a = 0, b = 0;
      bool failA = false, failB = false;
      try {
        a = png.ReadPixel(x, y);
      } catch (const Exception&) {
        failA = true;
      }
      try {
        b = back.ReadPixel(x, y);
      } catch (const Exception&) {
        failB = true;
      }
      Check(failA == failB && a == b);
    }
  return 0;
}
