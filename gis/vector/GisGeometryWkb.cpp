// Well-known binary: the reader and TGIS_Shape::ExportToWKB (see
// GisGeometry.h).
#include "gis/vector/GisGeometryWkb.h"

#include <vector>

#include "gis/core/GisResource.h"
#include "gis/vector/GisGeometryBuilder.h"
#include "gis/vector/GisGeometryRings.h"
#include "platform/rtl/Exceptions.h"

namespace {

// The smallest records: a point, and a line string or polygon without content.
constexpr std::uint64_t kPointRecord = 21;
constexpr std::uint64_t kEmptyRecord = 9;

/// Reads into a shape or a shape builder (`Target`: IsEmpty, AddPart, AddPoint).
template <typename Target> class TWkbReader {
public:
  TWkbReader(std::span<const std::uint8_t> bytes, Target& shape) : in_(bytes), shape_(shape) {}

  /// Reads the record of `type` from the start.
  void Record(std::uint32_t type) {
    in_.Seek(0);
    switch (type) {
    case gisWkbPoint:
      Point();
      break;
    case gisWkbLineString:
      LineString();
      break;
    case gisWkbPolygon:
      Polygon();
      break;
    case gisWkbMultiPoint:
      Collection(kPointRecord, [this] { Point(); });
      break;
    case gisWkbMultiLineString:
      Collection(kEmptyRecord, [this] { LineString(); });
      break;
    default:
      Collection(kEmptyRecord, [this] { Polygon(); });
      break;
    }
  }

  /// The byte order byte (switching the cursor) and the type.
  std::uint32_t Header() {
    in_.SetBigEndian(in_.Byte() != 1);
    return in_.UInt32();
  }

private:
  /// A record that must be of `type` (a nested one: its container says so).
  void Expect(std::uint32_t type) {
    SK_ASSERT(Header() == type, "Assertion failure", "GisGeometry", __LINE__);
  }

  void Vertices(std::uint32_t n) {
    in_.Require(n, 16);
    if constexpr (requires { shape_.Reserve(n); }) shape_.Reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
      const double x = in_.Double();
      const double y = in_.Double();
      shape_.AddPoint({x, y});
    }
  }

  void Point() {
    Expect(gisWkbPoint);
    const double x = in_.Double();
    const double y = in_.Double();
    if (shape_.IsEmpty()) shape_.AddPart();
    shape_.AddPoint({x, y});
  }

  void LineString() {
    Expect(gisWkbLineString);
    shape_.AddPart();
    Vertices(in_.UInt32());
  }

  void Polygon() {
    Expect(gisWkbPolygon);
    const std::uint32_t rings = in_.UInt32();
    in_.Require(rings, 4);
    std::vector<TGIS_Point> ring;
    for (std::uint32_t r = 0; r < rings; ++r) {
      shape_.AddPart();
      const std::uint32_t n = in_.UInt32();
      in_.Require(n, 16);
      ring.resize(n);
      for (TGIS_Point& p : ring) {
        p.X = in_.Double();
        p.Y = in_.Double();
      }
      if constexpr (requires { shape_.Reserve(n); }) shape_.Reserve(n);
      GisAppendRing(shape_, ring);
    }
  }

  /// A multi record: the count, then that many nested records, each of at
  /// least `smallest` bytes.
  template <typename F> void Collection(std::uint64_t smallest, F&& member) {
    Header();
    const std::uint32_t n = in_.UInt32();
    in_.Require(n, smallest);
    for (std::uint32_t i = 0; i < n; ++i)
      member();
  }

  TGIS_ByteCursor in_;
  Target& shape_;
};

TGIS_ShapeType ShapeTypeOf(std::uint32_t type) {
  switch (type) {
  case gisWkbPoint:
    return gisShapeTypePoint;
  case gisWkbMultiPoint:
    return gisShapeTypeMultiPoint;
  case gisWkbLineString:
  case gisWkbMultiLineString:
    return gisShapeTypeArc;
  case gisWkbPolygon:
  case gisWkbMultiPolygon:
    return gisShapeTypePolygon;
  default:
    throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDWKB, "", static_cast<int>(type));
  }
}

// ---- writing

void WriteHeader(TGIS_ByteWriter& out, TGIS_WkbType type) {
  out.Byte(1);
  out.UInt32(type);
}

std::size_t VerticesSize(const TGIS_Shape& shape, const std::vector<int>& parts) {
  std::size_t n = 0;
  for (int part : parts)
    n += static_cast<std::size_t>(shape.GetPartSize(part));
  return n * 16;
}

/// The count and the vertices of a part: the stored bytes as they are.
void WriteVertices(TGIS_ByteWriter& out, const TGIS_Shape& shape, int part) {
  out.UInt32(static_cast<std::uint32_t>(shape.GetPartSize(part)));
  out.Bytes(GisStoredPartBytes(shape, part));
}

void WriteMultiPoint(TBytes& bytes, const TGIS_Shape& shape) {
  const int n = shape.GetPartSize(0);
  TGIS_ByteWriter out(bytes, 9 + 21 * static_cast<std::size_t>(n));
  WriteHeader(out, gisWkbMultiPoint);
  out.UInt32(static_cast<std::uint32_t>(n));
  for (int i = 0; i < n; ++i) {
    WriteHeader(out, gisWkbPoint);
    out.Point(shape.GetPoint(0, i));
  }
}

/// Parts without vertices are left out, as in well-known text.
void WriteArc(TBytes& bytes, const TGIS_Shape& shape) {
  const std::vector<int> parts = GisPartsWithVertices(shape, GisPartIndexes(shape));
  if (parts.size() <= 1) {
    TGIS_ByteWriter out(bytes, 9 + VerticesSize(shape, parts));
    WriteHeader(out, gisWkbLineString);
    if (parts.empty())
      out.UInt32(0);
    else
      WriteVertices(out, shape, parts[0]);
    return;
  }
  TGIS_ByteWriter out(bytes, 9 + 9 * parts.size() + VerticesSize(shape, parts));
  WriteHeader(out, gisWkbMultiLineString);
  out.UInt32(static_cast<std::uint32_t>(parts.size()));
  for (int part : parts) {
    WriteHeader(out, gisWkbLineString);
    WriteVertices(out, shape, part);
  }
}

void WritePolygonRecord(TGIS_ByteWriter& out, const TGIS_Shape& shape,
                        const std::vector<int>& rings) {
  WriteHeader(out, gisWkbPolygon);
  out.UInt32(static_cast<std::uint32_t>(rings.size()));
  for (int ring : rings)
    WriteVertices(out, shape, ring);
}

/// One Polygon while at most one ring lies outside all others; islands make a
/// MultiPolygon, each with its own holes. Rings without vertices are left
/// out, as in well-known text.
void WritePolygon(TBytes& bytes, const TGIS_Shape& shape) {
  std::vector<std::vector<int>> groups;
  for (const std::vector<int>& group : GisPolygonRingGroups(shape)) {
    std::vector<int> rings = GisPartsWithVertices(shape, group);
    if (!rings.empty()) groups.push_back(std::move(rings));
  }
  if (groups.empty()) groups.emplace_back();
  std::size_t ringCount = 0, body = 0;
  for (const std::vector<int>& group : groups) {
    ringCount += group.size();
    body += VerticesSize(shape, group);
  }
  body += 4 * ringCount;
  if (groups.size() == 1) {
    TGIS_ByteWriter out(bytes, 9 + body);
    WritePolygonRecord(out, shape, groups[0]);
    return;
  }
  TGIS_ByteWriter out(bytes, 9 + 9 * groups.size() + body);
  WriteHeader(out, gisWkbMultiPolygon);
  out.UInt32(static_cast<std::uint32_t>(groups.size()));
  for (const std::vector<int>& group : groups)
    WritePolygonRecord(out, shape, group);
}

} // namespace

std::unique_ptr<TGIS_Shape> GisCreateShapeFromWKB(std::span<const std::uint8_t> bytes,
                                                  const TGIS_Shape* source,
                                                  std::span<const std::uint8_t> raw, bool mapped,
                                                  std::int32_t uid, TGIS_LayerVector* layer) {
  TGIS_ByteCursor peek(bytes);
  peek.SetBigEndian(peek.Byte() != 1);
  const std::uint32_t type = peek.UInt32();
  const TGIS_ShapeType shapeType = ShapeTypeOf(type);
  const TGIS_ShapeArgs args{source, raw, mapped, uid, layer};
  if (TGIS_ShapeBuilder::Fits(args)) {
    TGIS_ShapeBuilder builder(shapeType);
    TWkbReader<TGIS_ShapeBuilder>(bytes, builder).Record(type);
    return builder.Make(args);
  }
  std::unique_ptr<TGIS_Shape> shape = GisNewReadShape(shapeType, args);
  TWkbReader<TGIS_Shape>(bytes, *shape).Record(type);
  GisEndReadShape(*shape);
  return shape;
}

void TGIS_Shape::ExportToWKB(TBytes& out) {
  GisExportLocked(*this, out, [this](TBytes& bytes) {
    switch (ShapeType()) {
    case gisShapeTypePoint: {
      TGIS_ByteWriter writer(bytes, 21);
      WriteHeader(writer, gisWkbPoint);
      writer.Point(GetPoint(0, 0));
      break;
    }
    case gisShapeTypeMultiPoint:
      WriteMultiPoint(bytes, *this);
      break;
    case gisShapeTypeArc:
      WriteArc(bytes, *this);
      break;
    case gisShapeTypePolygon:
      WritePolygon(bytes, *this);
      break;
    default:
      break;
    }
  });
}
