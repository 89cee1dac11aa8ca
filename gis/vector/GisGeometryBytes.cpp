// The byte cursor and writer of the binary geometry forms (see GisGeometry.h).
#include "gis/vector/GisGeometryBytes.h"

#include <bit>
#include <cstring>

#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Exceptions.h"

std::unique_ptr<TGIS_Shape> GisNewReadShape(TGIS_ShapeType type, const TGIS_ShapeArgs& args) {
  std::unique_ptr<TGIS_Shape> shape;
  switch (type) {
  case gisShapeTypePoint:
    shape =
        std::make_unique<TGIS_ShapePoint>(args.Source, args.Raw, args.Mapped, args.Uid, args.Layer);
    break;
  case gisShapeTypeMultiPoint:
    shape = std::make_unique<TGIS_ShapeMultiPoint>(args.Source, args.Raw, args.Mapped, args.Uid,
                                                   args.Layer);
    break;
  case gisShapeTypeArc:
    shape =
        std::make_unique<TGIS_ShapeArc>(args.Source, args.Raw, args.Mapped, args.Uid, args.Layer);
    break;
  default:
    shape = std::make_unique<TGIS_ShapePolygon>(args.Source, args.Raw, args.Mapped, args.Uid,
                                                args.Layer);
    break;
  }
  shape->Lock(2);
  return shape;
}

void GisEndReadShape(TGIS_Shape& shape) {
  shape.Unlock();
}

std::span<const std::uint8_t> GisStoredPartBytes(const TGIS_Shape& shape, int part) {
  const int n = shape.GetPartSize(part);
  if (n == 0) return {};
  const bool oneRun =
      shape.ShapeType() == gisShapeTypePoint || shape.ShapeType() == gisShapeTypeMultiPoint;
  const std::size_t start = oneRun ? 0 : static_cast<std::size_t>(shape.GetPartStart(part));
  const TGIS_ShapeBlock& block = shape.PointsBlock();
  SK_ASSERT(shape.LockLevel() >= 2 && block.Data != nullptr &&
                (start + static_cast<std::size_t>(n)) * 16 <= block.Capacity,
            "Assertion failure", "GisGeometry", __LINE__);
  return {block.Data + 16 * start, 16 * static_cast<std::size_t>(n)};
}

void GisGeometryDataError() {
  throw EGIS_Exception(GIS_RS_ERR_GEOMETRY);
}

void TGIS_ByteCursor::Seek(std::size_t position) {
  if (position > bytes_.size()) GisGeometryDataError();
  position_ = position;
}

void TGIS_ByteCursor::Require(std::uint64_t count, std::uint64_t size) const {
  if (size != 0 && count > Remaining() / size) GisGeometryDataError();
}

void TGIS_ByteCursor::Skip(std::size_t n) {
  if (n > Remaining()) GisGeometryDataError();
  position_ += n;
}

void TGIS_ByteCursor::Read(void* target, std::size_t n) {
  if (n > Remaining()) GisGeometryDataError();
  std::memcpy(target, bytes_.data() + position_, n);
  position_ += n;
}

std::span<const std::uint8_t> TGIS_ByteCursor::Take(std::size_t n) {
  if (n > Remaining()) GisGeometryDataError();
  const auto part = bytes_.subspan(position_, n);
  position_ += n;
  return part;
}

std::uint8_t TGIS_ByteCursor::Byte() {
  std::uint8_t v = 0;
  Read(&v, 1);
  return v;
}

std::uint16_t TGIS_ByteCursor::Word() {
  std::uint16_t v = 0;
  Read(&v, 2);
  return bigEndian_ ? __builtin_bswap16(v) : v;
}

std::uint32_t TGIS_ByteCursor::UInt32() {
  std::uint32_t v = 0;
  Read(&v, 4);
  return bigEndian_ ? __builtin_bswap32(v) : v;
}

double TGIS_ByteCursor::Double() {
  std::uint64_t v = 0;
  Read(&v, 8);
  if (bigEndian_) v = __builtin_bswap64(v);
  return std::bit_cast<double>(v);
}

void TGIS_ByteWriter::UInt32(std::uint32_t v) {
  std::uint8_t b[4];
  std::memcpy(b, &v, 4);
  out_.insert(out_.end(), b, b + 4);
}

void TGIS_ByteWriter::Double(double v) {
  std::uint8_t b[8];
  std::memcpy(b, &v, 8);
  out_.insert(out_.end(), b, b + 8);
}
