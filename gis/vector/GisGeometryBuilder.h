// A read shape collected as a shapefile record body and made in one step
// (part of the GisGeometry module; see GisGeometry.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "gis/vector/GisGeometryBytes.h"

/// Collects parts and vertices with the very rules of the shape classes'
/// AddPart and AddPoint (a point keeps its last vertex; an arc's first vertex
/// is doubled until the second comes; a polygon keeps its rings closed; an
/// empty last part is not repeated), then makes the shape from the record in
/// one step, so that reading does not grow the shape vertex by vertex.
class TGIS_ShapeBuilder {
public:
  explicit TGIS_ShapeBuilder(TGIS_ShapeType type) : type_(type) {}

  /// Whether a shape can be made this way for these arguments: only without
  /// a source, a raw record or mapping.
  static bool Fits(const TGIS_ShapeArgs& args) {
    return args.Source == nullptr && args.Raw.empty() && !args.Mapped;
  }

  bool IsEmpty() const { return points_.empty(); }
  void AddPart();
  void AddPoint(const TGIS_Point& p);
  /// A polygon's AddRingPoint: the closing copy is always written.
  void AddRingPoint(const TGIS_Point& p);
  /// Room for `n` more vertices.
  void Reserve(std::size_t n) { points_.reserve(points_.size() + n + 1); }

  /// The shape, with the caller's Uid and layer, unlocked as a reader leaves it.
  std::unique_ptr<TGIS_Shape> Make(const TGIS_ShapeArgs& args) const;

private:
  std::size_t LastPartSize() const { return points_.size() - starts_.back(); }
  TGIS_Extent Box() const;
  /// The record; its box is zero unless `withBox`.
  const std::vector<std::uint8_t>& Record(bool withBox) const;

  TGIS_ShapeType type_;
  std::vector<std::size_t> starts_;
  std::vector<TGIS_Point> points_;
};

/// Appends a ring read from outside to the last part of a polygon (a shape or
/// a builder) with its vertices as given, closing it only when it is open: a
/// ring that passes through its first vertex again keeps every vertex. A
/// shape of another kind takes the vertices with AddPoint.
void GisAppendRing(TGIS_ShapeBuilder& polygon, std::span<const TGIS_Point> ring);
void GisAppendRing(TGIS_Shape& polygon, std::span<const TGIS_Point> ring);
