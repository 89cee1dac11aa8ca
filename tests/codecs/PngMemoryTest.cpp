// Peak memory of decoding, measured as the growth of the process's peak
// resident size (Linux: /proc/self/clear_refs resets it to the current size):
// a large RGB image needs its buffer, two rows and little more, and a
// compressed text that inflates to 200 MB stays at the text limit.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "codecs/PngPicture.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/ZlibStream.h"
#include "tests/codecs/PngOracle.h"
#include "tests/support/Sanitizers.h"

namespace png_memory_test {

/// A field of /proc/self/status in KiB (-1 when missing).
long StatusKiB(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, field.size() + 1, field + ":") == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

/// Resets the peak resident size to the current one; false where the
/// system cannot.
bool ResetPeak() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (f == nullptr) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

/// Bytes the peak resident size grows by while `work` runs.
template <class F> long PeakGrowth(F work) {
  if (!ResetPeak()) return -1;
  const long before = StatusKiB("VmRSS");
  work();
  return (StatusKiB("VmHWM") - before) * 1024;
}

/// Bytes the peak resident size grows by while `png` loads `file` from
/// memory (the file's own bytes are in memory before).
long LoadGrowth(TPngPicture& png, const std::vector<std::uint8_t>& file) {
  TMemoryStream stream;
  stream.WriteBuffer(file.data(), std::int64_t(file.size()));
  stream.SetPosition(0);
  return PeakGrowth([&] { png.LoadFromStream(stream); });
}

std::vector<std::uint8_t> ChunkBytes(const char* type, const std::vector<std::uint8_t>& data) {
  const std::uint32_t n = std::uint32_t(data.size());
  std::vector<std::uint8_t> out = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8),
                                   std::uint8_t(n)};
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const std::uint32_t crc = PngCrc(reinterpret_cast<const std::uint8_t*>(type), data.data(), data.size());
  out.insert(out.end(), {std::uint8_t(crc >> 24), std::uint8_t(crc >> 16), std::uint8_t(crc >> 8),
                         std::uint8_t(crc)});
  return out;
}

#if SK_ADDRESS_SANITIZER
constexpr bool kSanitized = true; // shadow memory and quarantine distort resident sizes
#else
constexpr bool kSanitized = false;
#endif

TEST(PngMemory, ALargeRgbDecodeNeedsItsBufferTwoRowsAndLittleMore) {
  if (kSanitized) GTEST_SKIP() << "resident sizes mean nothing under AddressSanitizer";
  const std::uint32_t side = 4096;
  auto sample = [](std::uint32_t i, std::uint32_t y) { return std::uint8_t((i * 7 + y * 3) ^ (i >> 5)); };
  std::vector<std::vector<std::uint8_t>> rows(side, std::vector<std::uint8_t>(side * 3));
  for (std::uint32_t y = 0; y < side; ++y)
    for (std::uint32_t i = 0; i < side * 3; ++i)
      rows[y][i] = sample(i, y);
  const auto bytes = WriteWithLibpng(side, side, 8, 2, rows, 1, 0x08 /* Sub */, 0);
  rows.clear();
  rows.shrink_to_fit();
  ASSERT_FALSE(bytes.empty());
  TPngPicture png;
  const long growth = LoadGrowth(png, bytes);
  if (growth < 0) GTEST_SKIP() << "this system cannot reset the peak resident size";
  ASSERT_EQ(png.Width(), int(side));
  for (std::uint32_t p : {0u, 1234u, 4095u})
    EXPECT_EQ(png.ReadPixel(int(p), int(4095 - p)),
              RGB(sample(3 * p, 4095 - p), sample(3 * p + 1, 4095 - p), sample(3 * p + 2, 4095 - p)));
  const long buffer = long(side) * long(side) * 3;
  const long twoRows = 2 * (long(side) * 3 + 1);
  EXPECT_LE(growth, buffer + twoRows + 128 * 1024) << "buffer " << buffer;
}

TEST(PngMemory, ACompressedTextOf200MegabytesStaysAtTheTextLimit) {
  if (kSanitized) GTEST_SKIP() << "resident sizes mean nothing under AddressSanitizer";
  // 200 MB of one letter, deflated a block at a time
  std::vector<std::uint8_t> packed;
  {
    TZlibStream z;
    ASSERT_EQ(z.InitDeflate(9), 0);
    const std::vector<std::uint8_t> block(1 << 20, 'x');
    std::vector<std::uint8_t> out(1 << 16);
    for (int i = 0; i <= 200; ++i) {
      const bool last = i == 200;
      z.SetInput(block.data(), last ? 0u : std::uint32_t(block.size()));
      do {
        z.SetOutput(out.data(), std::uint32_t(out.size()));
        z.Deflate(last);
        packed.insert(packed.end(), out.begin(), out.end() - z.AvailOut());
      } while (z.AvailOut() == 0);
    }
    z.End();
  }
  std::vector<std::uint8_t> ztxt = {'B', 'o', 'm', 'b', 0, 0};
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  std::string idat, message;
  const std::uint8_t raw[] = {0, 200};
  ASSERT_TRUE(DeflateText(raw, sizeof raw, 6, idat, message));
  std::vector<std::uint8_t> file = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const auto& c : {ChunkBytes("IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0}),
                        ChunkBytes("zTXt", ztxt),
                        ChunkBytes("IDAT", std::vector<std::uint8_t>(idat.begin(), idat.end())),
                        ChunkBytes("IEND", {})})
    file.insert(file.end(), c.begin(), c.end());
  TPngPicture png;
  const long growth = LoadGrowth(png, file);
  if (growth < 0) GTEST_SKIP() << "this system cannot reset the peak resident size";
  EXPECT_EQ(png.ReadPixel(0, 0), RGB(200, 200, 200));
  // the chunk read, the text up to its limit (a string that doubles) and zlib
  EXPECT_LE(growth, long(packed.size()) + 2 * PngMaxTextBytes + (1 << 20));
  for (std::uint32_t i = 0; i < png.ChunkList().Count(); ++i)
    if (auto* t = dynamic_cast<TChunkzTXt*>(png.ChunkList().Item(i))) EXPECT_TRUE(t->Text.empty());
}

} // namespace png_memory_test
