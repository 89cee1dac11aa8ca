// The CRC-32 of PNG chunks (the ISO 3309 polynomial), through tables built
// on first use: the byte-wise table and seven more that take eight bytes a
// step (the same value, fewer dependent lookups).
#include <array>

#include "codecs/PngPicture.h"

namespace {

using TCrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

const TCrcTables& CrcTables() {
  static const TCrcTables tables = [] {
    TCrcTables t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][n] = c;
    }
    for (std::uint32_t n = 0; n < 256; ++n)
      for (std::size_t k = 1; k < 8; ++k)
        t[k][n] = t[0][t[k - 1][n] & 0xFF] ^ (t[k - 1][n] >> 8);
    return t;
  }();
  return tables;
}

} // namespace

std::uint32_t PngUpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t count) {
  const TCrcTables& t = CrcTables();
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const std::uint8_t* p = data + i;
    const std::uint32_t lo = crc ^ (std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                                    (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24));
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
  }
  for (; i < count; ++i)
    crc = t[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t PngCrc(const std::uint8_t* type, const std::uint8_t* data, std::size_t count) {
  return ~PngUpdateCrc(PngUpdateCrc(0xFFFFFFFFu, type, 4), data, count);
}
