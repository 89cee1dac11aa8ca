// The CRC-32 of PNG chunks (the ISO 3309 polynomial), byte-wise through a
// table built on first use.
#include <array>

#include "codecs/PngPicture.h"

namespace {

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

} // namespace

std::uint32_t PngUpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t count) {
  const auto& table = CrcTable();
  for (std::size_t i = 0; i < count; ++i)
    crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t PngCrc(const std::uint8_t* type, const std::uint8_t* data, std::size_t count) {
  return ~PngUpdateCrc(PngUpdateCrc(0xFFFFFFFFu, type, 4), data, count);
}
