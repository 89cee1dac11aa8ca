// Helpers shared by the files of the PNG codec.
#pragma once

#include <cstdint>

#include "codecs/PngPicture.h"
#include "platform/rtl/Streams.h"

namespace png {

inline std::uint32_t GetU32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 24);
  p[1] = std::uint8_t(v >> 16);
  p[2] = std::uint8_t(v >> 8);
  p[3] = std::uint8_t(v);
}

/// Bytes between the stream's position and its end.
inline std::int64_t BytesLeft(TStream& stream) {
  return stream.Size() - stream.Position();
}

/// Reads exactly `count` bytes or raises EPngUnexpectedEnd.
inline void ReadExact(TStream& stream, void* buffer, std::int64_t count) {
  if (count > 0 && stream.Read(buffer, count) != count)
    TPngPicture::Fail<EPngUnexpectedEnd>(PngTexts::UnexpectedEnd);
}

inline std::uint32_t ReadU32(TStream& stream) {
  std::uint8_t b[4];
  ReadExact(stream, b, 4);
  return GetU32(b);
}

inline void WriteU32(TStream& stream, std::uint32_t v) {
  std::uint8_t b[4];
  PutU32(b, v);
  stream.WriteBuffer(b, 4);
}

/// The Paeth predictor: the nearest of left, up and up-left to
/// left + up - up-left, ties in that order.
inline std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc) return std::uint8_t(a);
  if (pb <= pc) return std::uint8_t(b);
  return std::uint8_t(c);
}

/// One Adam7 pass: first row, first column, row step, column step.
struct TPass {
  std::uint32_t row, col, rowStep, colStep;
};
constexpr TPass kPasses[7] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                              {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};

inline std::uint32_t PassWidth(const TPass& p, std::uint32_t width) {
  return width > p.col ? (width - p.col + p.colStep - 1) / p.colStep : 0;
}

} // namespace png

namespace png {
/// A new chunk of class T with its type set from the class.
template <typename T> std::unique_ptr<TChunk> MakeChunk(TPngPicture* owner) {
  auto chunk = std::make_unique<T>(owner);
  const std::string name = chunk->TypeName();
  if (name.size() == 4) chunk->SetChunkType(reinterpret_cast<const std::uint8_t*>(name.data()));
  return chunk;
}
} // namespace png

namespace png {
/// Pixel x of a row of `bits`-bit samples (1, 2, 4 or 8; the leftmost in
/// the high bits).
inline unsigned SampleAt(const std::uint8_t* row, std::uint32_t x, int bits) {
  const std::uint32_t bit = x * std::uint32_t(bits);
  return (row[bit >> 3] >> (8 - bits - int(bit & 7))) & ((1u << bits) - 1);
}

inline void SetSampleAt(std::uint8_t* row, std::uint32_t x, int bits, unsigned value) {
  const std::uint32_t bit = x * std::uint32_t(bits);
  const int shift = 8 - bits - int(bit & 7);
  const unsigned mask = (1u << bits) - 1;
  std::uint8_t& b = row[bit >> 3];
  b = std::uint8_t((b & ~(mask << shift)) | ((value & mask) << shift));
}
} // namespace png
