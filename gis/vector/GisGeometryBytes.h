// The byte cursor and writer of the binary geometry forms, and the arguments
// a reader makes its shape with (part of the GisGeometry module; see
// GisGeometry.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "gis/vector/GisShape.h"
#include "platform/rtl/ScopeGuard.h"

/// The five construction arguments of a shape (as TGIS_Shape's constructor).
struct TGIS_ShapeArgs {
  const TGIS_Shape* Source = nullptr;
  std::span<const std::uint8_t> Raw;
  bool Mapped = false;
  std::int32_t Uid = -1;
  TGIS_LayerVector* Layer = nullptr;
};

/// A new shape of `type` made with `args` and locked at level 2.
std::unique_ptr<TGIS_Shape> GisNewReadShape(TGIS_ShapeType type, const TGIS_ShapeArgs& args);
/// Unlocks a shape that a reader filled.
void GisEndReadShape(TGIS_Shape& shape);

/// The frame of the exports: nothing for an empty shape; otherwise
/// `write(result)` runs with the shape locked at level 2 (its stored layer
/// coordinates), the shape is unlocked afterwards, also on failure, and only a
/// finished result replaces `out`.
template <typename T, typename F> void GisExportLocked(TGIS_Shape& shape, T& out, F&& write) {
  if (shape.IsEmpty()) return;
  shape.Lock(2);
  auto unlock = ScopeExit([&shape] { shape.Unlock(); });
  T result{};
  write(result);
  unlock.Run();
  out = std::move(result);
}

/// The stored bytes of one part's vertices (X, Y doubles, little-endian: the
/// very bytes well-known binary writes) of a shape locked at level 2 or
/// above, where the vertices are read unconverted.
std::span<const std::uint8_t> GisStoredPartBytes(const TGIS_Shape& shape, int part);

/// Raises EGIS_Exception "0040 Error in geometry data".
[[noreturn]] void GisGeometryDataError();

/// A read position in a byte array. Every read is checked against the end of
/// the array: reading past it raises 0040. Numbers are little-endian unless
/// the cursor is switched to big-endian.
class TGIS_ByteCursor {
public:
  explicit TGIS_ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Position() const { return position_; }
  std::size_t Remaining() const { return bytes_.size() - position_; }
  std::size_t Size() const { return bytes_.size(); }
  /// Moves to `position` (at most the size).
  void Seek(std::size_t position);
  bool BigEndian() const { return bigEndian_; }
  void SetBigEndian(bool on) { bigEndian_ = on; }

  /// Raises 0040 unless `count` × `size` bytes remain (counts from the data
  /// may be anything; the product is computed without overflow).
  void Require(std::uint64_t count, std::uint64_t size) const;
  void Skip(std::size_t n);
  std::uint8_t Byte();
  std::uint16_t Word();
  std::uint32_t UInt32();
  std::int32_t Int32() { return static_cast<std::int32_t>(UInt32()); }
  double Double();
  /// The next `n` bytes, passed over.
  std::span<const std::uint8_t> Take(std::size_t n);

private:
  void Read(void* target, std::size_t n);

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool bigEndian_ = false;
};

/// Appends little-endian values to a byte array.
class TGIS_ByteWriter {
public:
  /// Writes into `out` from its end; `expected` bytes are reserved.
  TGIS_ByteWriter(TBytes& out, std::size_t expected) : out_(out) {
    out_.reserve(out_.size() + expected);
  }
  void Byte(std::uint8_t v) { out_.push_back(v); }
  void UInt32(std::uint32_t v);
  void Double(double v);
  void Point(const TGIS_Point& p) {
    Double(p.X);
    Double(p.Y);
  }
  void Bytes(std::span<const std::uint8_t> bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }

private:
  TBytes& out_;
};
