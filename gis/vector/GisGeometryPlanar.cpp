// The planar tests: even-odd point in polygon and segment intersection (see
// GisGeometry.h).
#include "gis/vector/GisGeometry.h"

#include <cmath>

#include "gis/vector/GisGeometryStrips.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisViewer.h"

namespace {

/// Polygons with fewer stored vertices are tested edge by edge.
constexpr int IndexedPointTestVertices = 64;

/// Whether the shape's GetPoint gives its stored coordinates unchanged (no
/// layer, locked at level 2 or above, or a layer whose viewer neither
/// converts units nor rotates): then an index of stored coordinates answers
/// as the vertices GetPoint gives.
bool ReadsStoredCoordinates(const TGIS_Shape& shape) {
  const TGIS_LayerVector* layer = shape.Layer();
  if (shape.LockLevel() >= 2 || layer == nullptr) return true;
  const TGIS_Viewer* viewer = layer->Viewer();
  if (viewer == nullptr) return true;
  return (layer->Units().Type() == gisUnitsNone || viewer->Units().Type() == gisUnitsNone) &&
         viewer->RotationAngle() == 0;
}

/// The parity of the crossings of a horizontal ray from `p` to the right with
/// one ring (half-open in Y).
bool OddCrossings(const TGIS_Point& p, const TGIS_Shape& shape, int part) {
  const int n = shape.GetPartSize(part);
  if (n == 0) return false;
  bool odd = false;
  TGIS_Point b = shape.GetPoint(part, n - 1);
  for (int i = 0; i < n; ++i) {
    const TGIS_Point a = shape.GetPoint(part, i);
    if ((a.Y <= p.Y && p.Y < b.Y) || (b.Y <= p.Y && p.Y < a.Y)) {
      if (a.X + (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) > p.X) odd = !odd;
    }
    b = a;
  }
  return odd;
}

/// The two parameters along P and Q of the meeting point of their lines;
/// false for parallel or degenerate segments.
bool LineParameters(const TGIS_Segment& p, const TGIS_Segment& q, double& r, double& s) {
  const double d = (p.B.X - p.A.X) * (q.B.Y - q.A.Y) - (p.B.Y - p.A.Y) * (q.B.X - q.A.X);
  if (d == 0) return false;
  r = ((p.A.Y - q.A.Y) * (q.B.X - q.A.X) - (p.A.X - q.A.X) * (q.B.Y - q.A.Y)) / d;
  s = ((p.A.Y - q.A.Y) * (p.B.X - p.A.X) - (p.A.X - q.A.X) * (p.B.Y - p.A.Y)) / d;
  return true;
}

} // namespace

/// The shape's point-test index (GisShape.h keeps it).
struct TGIS_PointTestAccess {
  /// The index while it is valid for the shape's geometry; with `test`, a
  /// test counts and the second test of one geometry makes the index.
  static const TGIS_SegmentStrips* Index(const TGIS_Shape& shape, bool test) {
    if (shape.IsEmpty() || shape.GetNumPoints() < IndexedPointTestVertices ||
        !ReadsStoredCoordinates(shape))
      return nullptr;
    auto& cache = shape.pointTestIndex_;
    if (cache == nullptr) {
      if (!test) return nullptr;
      cache = std::make_unique<TGIS_Shape::TPointTestIndex>();
    }
    TGIS_Shape::TPointTestIndex& c = *cache;
    if (c.HeaderStamp != shape.header_.Stamp || c.PointsStamp != shape.points_.Stamp ||
        c.HeaderData != shape.header_.Data || c.PointsData != shape.points_.Data) {
      if (!test) return nullptr;
      // Another geometry: tested edge by edge once, indexed from the second test.
      c.HeaderStamp = shape.header_.Stamp;
      c.PointsStamp = shape.points_.Stamp;
      c.HeaderData = shape.header_.Data;
      c.PointsData = shape.points_.Data;
      c.Tests = 0;
      c.Strips.reset();
    }
    if (c.Strips != nullptr) return c.Strips->IsBuilt() ? c.Strips.get() : nullptr;
    if (!test || ++c.Tests < 2) return nullptr;
    c.Strips = std::make_unique<TGIS_SegmentStrips>();
    std::vector<TGIS_SegmentStrips::TSegment> segments;
    if (!Edges(shape, segments)) return nullptr; // stays unbuilt for this geometry
    c.Strips->Build(segments);
    return c.Strips.get();
  }

  /// Each ring's edges as the edge-by-edge test takes them: from a vertex
  /// back to the one before it, the first closing the ring from the last.
  /// False on a non-finite coordinate (such rings stay with that test).
  static bool Edges(const TGIS_Shape& shape, std::vector<TGIS_SegmentStrips::TSegment>& out) {
    out.reserve(static_cast<std::size_t>(shape.GetNumPoints()));
    for (int part = 0; part < shape.GetNumParts(); ++part) {
      const int n = shape.GetPartSize(part);
      if (n == 0) continue;
      TGIS_Point b = shape.GetPoint(part, n - 1);
      for (int i = 0; i < n; ++i) {
        const TGIS_Point a = shape.GetPoint(part, i);
        if (!std::isfinite(a.X) || !std::isfinite(a.Y)) return false;
        out.push_back({a, b, part});
        b = a;
      }
    }
    return true;
  }
};

const TGIS_SegmentStrips* GisPointTestIndex(const TGIS_Shape& shape) {
  return TGIS_PointTestAccess::Index(shape, false);
}

bool GisPointInPolygon(const TGIS_Point& point, const TGIS_Shape* shape, int part) {
  if (shape == nullptr || shape->ShapeType() != gisShapeTypePolygon) return false;
  const int parts = shape->GetNumParts();
  if (const TGIS_SegmentStrips* index = TGIS_PointTestAccess::Index(*shape, true)) {
    if (part >= parts) return false;
    return index->OddCrossings(point, part);
  }
  if (part >= 0) return part < parts && OddCrossings(point, *shape, part);
  bool inside = false;
  for (int i = 0; i < parts; ++i)
    if (OddCrossings(point, *shape, i)) inside = !inside;
  return inside;
}

bool GisSegmentsCross(const TGIS_Segment& p, const TGIS_Segment& q) {
  double r = 0, s = 0;
  if (!LineParameters(p, q, r, s)) return false;
  return r >= 0 && r <= 1 && s >= 0 && s <= 1;
}

bool GisSegmentsIntersection(const TGIS_Segment& p, const TGIS_Segment& q, TGIS_Point& point) {
  double r = 0, s = 0;
  if (!LineParameters(p, q, r, s)) return false;
  if (!(r >= 0 && r <= 1 && s >= 0 && s <= 1)) return false;
  point = {p.A.X + r * (p.B.X - p.A.X), p.A.Y + r * (p.B.Y - p.A.Y)};
  return true;
}
