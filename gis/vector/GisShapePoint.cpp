// Points and multipoints: clipped copies, distances and the tests against
// other shapes (see GisShapePoint.h).
#include "gis/vector/GisShapePoint.h"

#include "gis/core/GisDefsLists.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeSegments.h"
#include "platform/rtl/ScopeGuard.h"

namespace {
/// A new empty shape of the same class, UID and layer, locked for building
/// (level 4 for drawing, else 3).
template <class T> std::unique_ptr<T> StartCopy(const TGIS_Shape& source, bool forDrawing) {
  auto copy = std::make_unique<T>(nullptr, std::span<const std::uint8_t>{}, false, source.Uid(),
                                  source.Layer());
  copy->Lock(forDrawing ? 4 : 3);
  copy->AddPart();
  return copy;
}

bool Inside(const TGIS_Extent& e, const TGIS_Point& p) {
  return e.XMin <= p.X && p.X <= e.XMax && e.YMin <= p.Y && p.Y <= e.YMax;
}

/// Whether a vertex lies on the other shape, by the other's type.
bool VertexMeets(const TGIS_Point& v, TGIS_Shape* other) {
  switch (other->ShapeType()) {
  case gisShapeTypePoint:
  case gisShapeTypeMultiPoint:
    for (const TGIS_Point& w : GisShapePartPoints(*other, 0))
      if (GisIsSamePoint(v, w)) return true;
    return false;
  case gisShapeTypeArc:
    return GisShapePointOnLine(v, *other);
  default:
    return GisPointInPolygon(v, other, -1);
  }
}

bool AnyVertexMeets(const TGIS_Shape& shape, TGIS_Shape* other) {
  if (other == nullptr || shape.IsEmpty() || other->IsEmpty()) return false;
  if (!GisShapeIsKnownPartner(other)) return false;
  for (const TGIS_Point& v : GisShapePartPoints(shape, 0))
    if (VertexMeets(v, other)) return true;
  return false;
}

/// The vertices of this shape where the other one meets it: once per equal
/// vertex of a point-like other, once per touching segment of a line or
/// polygon.
std::unique_ptr<TGIS_PointList> VertexIntersections(const TGIS_Shape& shape, TGIS_Shape* other) {
  if (other == nullptr || !GisShapeIsKnownPartner(other)) return nullptr;
  auto list = std::make_unique<TGIS_PointList>();
  const bool pointLike =
      other->ShapeType() == gisShapeTypePoint || other->ShapeType() == gisShapeTypeMultiPoint;
  for (const TGIS_Point& v : GisShapePartPoints(shape, 0)) {
    if (pointLike) {
      for (const TGIS_Point& w : GisShapePartPoints(*other, 0))
        if (GisIsSamePoint(v, w)) list->Add(v);
      continue;
    }
    GisShapeAnySegment(*other, [&](const TGIS_Point& a, const TGIS_Point& b) {
      if (GisPointToSegmentDistance(a, b, v) == 0) list->Add(v);
      return false;
    });
  }
  if (list->Count() == 0) return nullptr;
  return list;
}
} // namespace

// ---- point -------------------------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_ShapePoint::CreateClippedCopy(const TGIS_Extent& extent,
                                                               bool forDrawing) {
  if (!IsInExtent(extent, 0)) return nullptr;
  auto copy = StartCopy<TGIS_ShapePoint>(*this, forDrawing);
  copy->AddPoint(GetPoint(0, 0));
  copy->Unlock();
  return copy;
}

double TGIS_ShapePoint::DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                                       double) const {
  GisShapeCheckPart(*this, part);
  nearest = GetPoint(0, 0);
  return GisPointDistance(nearest, point);
}

bool TGIS_ShapePoint::IsNear(const TGIS_Point& point, int, double distance) const {
  return !IsEmpty() && GisPointDistance(GetPoint(0, 0), point) <= distance;
}

bool TGIS_ShapePoint::IsInsideShape(TGIS_Shape* other, int) {
  if (other == nullptr || IsEmpty() || other->IsEmpty()) return false;
  return GisPointInPolygon(GetPoint(0, 0), other, -1);
}

bool TGIS_ShapePoint::Intersects(TGIS_Shape* other) {
  return AnyVertexMeets(*this, other);
}

std::unique_ptr<TGIS_PointList> TGIS_ShapePoint::GetIntersectionPoints(TGIS_Shape* other) {
  return VertexIntersections(*this, other);
}

// ---- multipoint --------------------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_ShapeMultiPoint::CreateClippedCopy(const TGIS_Extent& extent,
                                                                    bool forDrawing) {
  const bool whole = IsInExtent(extent, 0);
  if (!whole && !IsInExtent(extent, 2)) return nullptr;
  auto copy = StartCopy<TGIS_ShapeMultiPoint>(*this, forDrawing);
  for (const TGIS_Point& v : GisShapePartPoints(*this, 0))
    if (whole || Inside(extent, v)) copy->AddPoint(v);
  if (copy->IsEmpty()) return nullptr;
  copy->Unlock();
  return copy;
}

double TGIS_ShapeMultiPoint::DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                                            double) const {
  GisShapeCheckPart(*this, part);
  double best = GIS_MAX_SHAPE_DISTANCE;
  nearest = point;
  for (const TGIS_Point& v : GisShapePartPoints(*this, part)) {
    const double d = GisPointDistance(point, v);
    if (d < best) {
      best = d;
      nearest = v;
    }
  }
  return best;
}

bool TGIS_ShapeMultiPoint::IsNear(const TGIS_Point& point, int mode, double distance) const {
  return GisShapeIsNear(*this, point, mode, distance);
}

bool TGIS_ShapeMultiPoint::IsInsideShape(TGIS_Shape* other, int mode) {
  return GisShapeIsInside(*this, other, mode);
}

bool TGIS_ShapeMultiPoint::Intersects(TGIS_Shape* other) {
  return AnyVertexMeets(*this, other);
}

std::unique_ptr<TGIS_PointList> TGIS_ShapeMultiPoint::GetIntersectionPoints(TGIS_Shape* other) {
  return VertexIntersections(*this, other);
}
