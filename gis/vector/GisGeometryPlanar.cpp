// The planar tests: even-odd point in polygon and segment intersection (see
// GisGeometry.h).
#include "gis/vector/GisGeometry.h"

namespace {

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

bool GisPointInPolygon(const TGIS_Point& point, const TGIS_Shape* shape, int part) {
  if (shape == nullptr || shape->ShapeType() != gisShapeTypePolygon) return false;
  const int parts = shape->GetNumParts();
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
