// Warehouse geometry blobs: the reader and TGIS_Shape::ExportToGDO (see
// GisGeometry.h).
#include "gis/vector/GisGeometryGdo.h"

#include <numbers>
#include <optional>
#include <vector>

#include "gis/core/GisResource.h"
#include "gis/vector/GisGeometryBytes.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

namespace {

// The smallest sub-geometry: its size word and a GUID.
constexpr std::uint64_t kSmallestMember = 4 + GIS_GDO_GUID_SIZE;

bool IsPointTag(std::uint16_t tag) {
  return tag == gisGdoPoint || tag == gisGdoOrientedPoint || tag == gisGdoTextPoint;
}
bool IsLineTag(std::uint16_t tag) {
  return tag == gisGdoLine || tag == gisGdoPolyline || tag == gisGdoCompositePolyline;
}
/// The tags a sub-geometry is read for (the others are passed over).
bool IsReadTag(std::uint16_t tag) {
  return tag >= gisGdoPoint && tag <= gisGdoCompositePolygon && tag != gisGdoUnsupported &&
         tag != gisGdoNoShape;
}

std::uint16_t TagOf(std::span<const std::uint8_t> blob) {
  TGIS_ByteCursor in(blob);
  return in.Word();
}

/// The label position of a text point's alignment code (nullopt: left as it is).
std::optional<TGIS_LabelPosition> PositionOfAlignment(std::uint8_t code) {
  switch (code) {
  case 0:
    return gisLabelPositionMiddleCenter;
  case 1:
    return gisLabelPositionMiddleLeft;
  case 2:
    return gisLabelPositionMiddleRight;
  case 4:
    return gisLabelPositionUpCenter;
  case 5:
    return gisLabelPositionUpLeft;
  case 6:
    return gisLabelPositionUpRight;
  case 8:
    return gisLabelPositionDownCenter;
  case 9:
    return gisLabelPositionDownLeft;
  case 10:
    return gisLabelPositionDownRight;
  default:
    return std::nullopt;
  }
}

/// The members of a collection blob: their tags, each checked against the blob.
std::vector<std::uint16_t> MemberTags(std::span<const std::uint8_t> blob) {
  TGIS_ByteCursor in(blob);
  in.Skip(GIS_GDO_GUID_SIZE);
  const std::uint32_t n = in.UInt32();
  in.Require(n, kSmallestMember);
  std::vector<std::uint16_t> tags;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::int32_t size = in.Int32();
    if (size < static_cast<std::int32_t>(GIS_GDO_GUID_SIZE)) GisGeometryDataError();
    tags.push_back(TagOf(in.Take(static_cast<std::size_t>(size))));
  }
  return tags;
}

/// The class a collection reads as: points only make a multipoint, lines
/// only an arc, anything else a polygon.
TGIS_ShapeType CollectionType(std::span<const std::uint8_t> blob) {
  bool points = false, lines = false, others = false;
  for (std::uint16_t tag : MemberTags(blob)) {
    if (!IsReadTag(tag)) continue;
    points |= IsPointTag(tag);
    lines |= IsLineTag(tag);
    others |= !IsPointTag(tag) && !IsLineTag(tag);
  }
  if (others || (points && lines) || (!points && !lines)) return gisShapeTypePolygon;
  return points ? gisShapeTypeMultiPoint : gisShapeTypeArc;
}

/// The class of the shape a top-level blob gives; nullopt for no shape.
std::optional<TGIS_ShapeType> ResultType(std::span<const std::uint8_t> blob) {
  const std::uint16_t tag = TagOf(blob);
  if (tag == gisGdoNoShape) return std::nullopt;
  if (tag < gisGdoPoint || tag > gisGdoCompositePolygon || tag == gisGdoUnsupported)
    throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDGDO, "", tag);
  if (IsPointTag(tag)) return gisShapeTypePoint;
  if (IsLineTag(tag)) return gisShapeTypeArc;
  if (tag == gisGdoCollection) return CollectionType(blob);
  return gisShapeTypePolygon;
}

class TGdoReader {
public:
  explicit TGdoReader(TGIS_Shape& shape)
      : shape_(shape), joinByVertex_(shape.ShapeType() == gisShapeTypeArc) {}

  /// Reads a blob by its tag.
  void Blob(std::span<const std::uint8_t> blob, int depth) {
    if (depth > GIS_GDO_MAX_NESTING) GisGeometryDataError();
    TGIS_ByteCursor in(blob);
    const std::uint16_t tag = in.Word();
    in.Skip(GIS_GDO_GUID_SIZE - 2);
    switch (tag) {
    case gisGdoPoint:
    case gisGdoOrientedPoint:
    case gisGdoTextPoint:
      Point(in, tag);
      break;
    case gisGdoLine:
      Piece(in, 2);
      break;
    case gisGdoPolyline:
      Piece(in, in.UInt32());
      break;
    case gisGdoPolygon:
      shape_.AddPart();
      Vertices(ReadVertices(in, in.UInt32()));
      break;
    case gisGdoRectangle:
      Rectangle(in);
      break;
    case gisGdoBoundary:
      Members(in, 2, depth);
      break;
    case gisGdoCollection:
      Members(in, in.UInt32(), depth);
      break;
    case gisGdoCompositePolyline:
    case gisGdoCompositePolygon: {
      newPart_ = false;
      Members(in, in.UInt32(), depth);
      newPart_ = true;
      break;
    }
    default:
      break;
    }
  }

private:
  void Point(TGIS_ByteCursor& in, std::uint16_t tag) {
    SK_ASSERT(IsPointTag(tag), "Assertion failure", "GisGeometry", __LINE__);
    if (shape_.IsEmpty()) shape_.AddPart();
    const double x = in.Double();
    const double y = in.Double();
    shape_.AddPoint({x, y});
    if (tag != gisGdoTextPoint) return;
    try {
      TextLabel(in);
    } catch (const EGIS_Exception&) {
      // A damaged label drops the label only.
    }
  }

  /// Angle, alignment and text of a text point, taken into the shape's own
  /// label style when the layer's label gives no text of its own.
  void TextLabel(TGIS_ByteCursor& in) {
    in.Skip(8);
    const double rotate = -in.Double() * std::numbers::pi / 180;
    in.Skip(26);
    std::optional<TGIS_LabelPosition> position;
    if (in.Byte() == 1) position = PositionOfAlignment(in.Byte());
    TGIS_LayerVector* layer = shape_.Layer();
    if (layer == nullptr || !layer->GetParamsSection().GetLabel().Value().empty()) return;
    const std::uint32_t length = in.UInt32();
    const auto bytes = in.Take(length);
    const std::string text =
        CodePageToUtf8(std::string(bytes.begin(), bytes.end()), layer->GetCodePage());
    shape_.UseOwnParams(true);
    TGIS_ParamsLabel& label = shape_.GetParamsSection().GetLabel();
    label.SetRotate(rotate);
    if (position) label.SetPosition(LabelPositionBit(*position));
    label.SetWidth(-1000);
    label.SetValue(text);
  }

  std::vector<TGIS_Point> ReadVertices(TGIS_ByteCursor& in, std::uint32_t n) {
    in.Require(n, 24);
    std::vector<TGIS_Point> points(n);
    for (TGIS_Point& p : points) {
      p.X = in.Double();
      p.Y = in.Double();
      in.Skip(8);
    }
    return points;
  }

  void Vertices(const std::vector<TGIS_Point>& points) {
    for (const TGIS_Point& p : points)
      shape_.AddPoint(p);
  }

  /// A line or polyline: a new part when the shape is empty or the new-part
  /// switch is on; in an arc, also when it does not start where the part ends.
  void Piece(TGIS_ByteCursor& in, std::uint32_t n) {
    const std::vector<TGIS_Point> points = ReadVertices(in, n);
    if (shape_.IsEmpty() || newPart_)
      shape_.AddPart();
    else if (joinByVertex_ && !points.empty() &&
             !GisIsSamePoint(points.front(), shape_.GetLastPoint()))
      shape_.AddPart();
    Vertices(points);
  }

  void Rectangle(TGIS_ByteCursor& in) {
    if (shape_.IsEmpty()) shape_.AddPart();
    const double x = in.Double();
    const double y = in.Double();
    in.Skip(8);
    const double w = in.Double();
    const double h = in.Double();
    Vertices({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}});
  }

  /// `n` sub-geometries: each a size and a blob of that size, read by its tag
  /// and passed over whatever the reader took.
  void Members(TGIS_ByteCursor& in, std::uint32_t n, int depth) {
    in.Require(n, kSmallestMember);
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::int32_t size = in.Int32();
      if (size < static_cast<std::int32_t>(GIS_GDO_GUID_SIZE)) GisGeometryDataError();
      const auto blob = in.Take(static_cast<std::size_t>(size));
      if (IsReadTag(TagOf(blob))) Blob(blob, depth + 1);
    }
  }

  TGIS_Shape& shape_;
  bool joinByVertex_;
  bool newPart_ = true;
};

// ---- writing

void WriteGuid(TGIS_ByteWriter& out, TGIS_GdoTag tag) {
  out.UInt32(0x0FD20000u | tag);
  out.UInt32(0x11CF8CBCu);
  out.UInt32(0x0008DEABu);
  out.UInt32(0x69B70136u);
}

void WriteVertex(TGIS_ByteWriter& out, const TGIS_Point& p) {
  out.Point(p);
  out.Double(0);
}

std::size_t PartRecordSize(const TGIS_Shape& shape, int part) {
  return 20 + 24 * static_cast<std::size_t>(shape.GetPartSize(part));
}

void WritePartRecord(TGIS_ByteWriter& out, const TGIS_Shape& shape, int part, TGIS_GdoTag tag) {
  WriteGuid(out, tag);
  const int n = shape.GetPartSize(part);
  out.UInt32(static_cast<std::uint32_t>(n));
  for (int i = 0; i < n; ++i)
    WriteVertex(out, shape.GetPoint(part, i));
}

void WriteMultiPoint(TBytes& bytes, const TGIS_Shape& shape) {
  const int n = shape.GetPartSize(0);
  TGIS_ByteWriter out(bytes, 20 + 44 * static_cast<std::size_t>(n));
  WriteGuid(out, gisGdoCollection);
  out.UInt32(static_cast<std::uint32_t>(n));
  for (int i = 0; i < n; ++i) {
    out.UInt32(40);
    WriteGuid(out, gisGdoPoint);
    WriteVertex(out, shape.GetPoint(0, i));
  }
}

/// One part as a single record of `single`; several as a `several` record of
/// sized part records.
void WriteParts(TBytes& bytes, const TGIS_Shape& shape, TGIS_GdoTag single, TGIS_GdoTag several) {
  const int parts = shape.GetNumParts();
  std::size_t total = 20;
  for (int part = 0; part < parts; ++part)
    total += 4 + PartRecordSize(shape, part);
  TGIS_ByteWriter out(bytes, total);
  if (parts == 1) {
    WritePartRecord(out, shape, 0, single);
    return;
  }
  WriteGuid(out, several);
  out.UInt32(static_cast<std::uint32_t>(parts));
  for (int part = 0; part < parts; ++part) {
    out.UInt32(static_cast<std::uint32_t>(PartRecordSize(shape, part)));
    WritePartRecord(out, shape, part, single);
  }
}

} // namespace

std::unique_ptr<TGIS_Shape> GisCreateShapeFromGDO(std::span<const std::uint8_t> bytes,
                                                  const TGIS_Shape* source,
                                                  std::span<const std::uint8_t> raw, bool mapped,
                                                  std::int32_t uid, TGIS_LayerVector* layer) {
  const std::optional<TGIS_ShapeType> type = ResultType(bytes);
  if (!type) return nullptr;
  std::unique_ptr<TGIS_Shape> shape = GisNewReadShape(*type, {source, raw, mapped, uid, layer});
  TGdoReader(*shape).Blob(bytes, 0);
  GisEndReadShape(*shape);
  if (shape->IsEmpty()) return nullptr;
  return shape;
}

void TGIS_Shape::ExportToGDO(TBytes& out) {
  GisExportLocked(*this, out, [this](TBytes& bytes) {
    switch (ShapeType()) {
    case gisShapeTypePoint: {
      TGIS_ByteWriter writer(bytes, 40);
      WriteGuid(writer, gisGdoPoint);
      WriteVertex(writer, GetPoint(0, 0));
      break;
    }
    case gisShapeTypeMultiPoint:
      WriteMultiPoint(bytes, *this);
      break;
    case gisShapeTypeArc:
      WriteParts(bytes, *this, gisGdoPolyline, gisGdoCompositePolyline);
      break;
    case gisShapeTypePolygon:
      WriteParts(bytes, *this, gisGdoPolygon, gisGdoCompositePolygon);
      break;
    default:
      break;
    }
  });
}
