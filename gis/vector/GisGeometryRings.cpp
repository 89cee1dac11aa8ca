// Outer rings and their holes (see GisGeometryRings.h).
#include "gis/vector/GisGeometryRings.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisShapeSegments.h"
#include "gis/vector/GisTopologyContour.h"

namespace {

/// One ring's stored vertices and box.
struct TRingData {
  std::vector<TGIS_Point> Points;
  TGIS_Extent Box = GisEmptyExtent();
};

std::vector<TRingData> RingData(const TGIS_Shape& shape) {
  std::vector<TRingData> rings(static_cast<std::size_t>(shape.GetNumParts()));
  for (std::size_t ring = 0; ring < rings.size(); ++ring) {
    TRingData& r = rings[ring];
    r.Points = GisShapePartPoints(shape, static_cast<int>(ring));
    for (const TGIS_Point& p : r.Points)
      r.Box = GisIsEmptyExtent(r.Box) ? TGIS_Extent{p.X, p.Y, p.X, p.Y}
                                      : GisExtentUnion(r.Box, {p.X, p.Y, p.X, p.Y});
  }
  return rings;
}

/// Even-odd test of one ring (half-open in Y, as GisPointInPolygon).
bool InRing(const std::vector<TGIS_Point>& ring, const TGIS_Point& p) {
  bool odd = false;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const TGIS_Point& a = ring[i];
    const TGIS_Point& b = ring[j];
    if ((a.Y <= p.Y && p.Y < b.Y) || (b.Y <= p.Y && p.Y < a.Y)) {
      if (a.X + (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) > p.X) odd = !odd;
    }
  }
  return odd;
}

double DistanceToRing(const std::vector<TGIS_Point>& ring, const TGIS_Point& p) {
  double d = GisPointDistance(ring.front(), p);
  for (std::size_t i = 0; i + 1 < ring.size(); ++i)
    d = std::min(d, GisPointToSegmentDistance(ring[i], ring[i + 1], p));
  return d;
}

/// Whether `inner` lies inside `outer`, for rings that do not cross: a point
/// of `inner` off the boundary of `outer` tells. Vertices are tried first,
/// then the middles of the edges (a ring may touch another at every vertex);
/// a point closer to the boundary than a billionth of the outer ring's size
/// is not trusted while a farther one is left.
bool RingInside(const TRingData& inner, const TRingData& outer) {
  if (inner.Points.empty() || outer.Points.size() < 3 || !GisIsExtentInside(inner.Box, outer.Box))
    return false;
  const double size = std::max(outer.Box.XMax - outer.Box.XMin, outer.Box.YMax - outer.Box.YMin);
  const double trusted = 1e-9 * size;
  TGIS_Point best{};
  double bestDistance = 0;
  auto decides = [&](const TGIS_Point& p) {
    const double d = DistanceToRing(outer.Points, p);
    if (d > bestDistance) {
      bestDistance = d;
      best = p;
    }
    return d > trusted;
  };
  for (const TGIS_Point& p : inner.Points)
    if (decides(p)) return InRing(outer.Points, p);
  for (std::size_t i = 0; i + 1 < inner.Points.size(); ++i) {
    const TGIS_Point& a = inner.Points[i];
    const TGIS_Point& b = inner.Points[i + 1];
    if (decides({(a.X + b.X) / 2, (a.Y + b.Y) / 2}))
      return InRing(outer.Points, {(a.X + b.X) / 2, (a.Y + b.Y) / 2});
  }
  // Every point lies on the outer ring (the same ring twice): not inside.
  return bestDistance > 0 && InRing(outer.Points, best);
}

/// Groups by ring containment: a ring's depth is the number of rings it lies
/// in; even depths are outer rings, odd ones holes of their deepest
/// enclosing outer ring.
std::vector<std::vector<int>> GroupsByContainment(const TGIS_Shape& polygon) {
  const std::vector<TRingData> rings = RingData(polygon);
  const int parts = static_cast<int>(rings.size());
  std::vector<std::vector<int>> enclosing(rings.size());
  for (int ring = 0; ring < parts; ++ring)
    for (int other = 0; other < parts; ++other)
      if (other != ring &&
          RingInside(rings[static_cast<std::size_t>(ring)], rings[static_cast<std::size_t>(other)]))
        enclosing[static_cast<std::size_t>(ring)].push_back(other);
  auto depth = [&](int ring) {
    return static_cast<int>(enclosing[static_cast<std::size_t>(ring)].size());
  };
  std::vector<int> parent(rings.size(), -1);
  for (int ring = 0; ring < parts; ++ring) {
    if (depth(ring) % 2 == 0) continue;
    for (int outer : enclosing[static_cast<std::size_t>(ring)]) {
      int& p = parent[static_cast<std::size_t>(ring)];
      if (depth(outer) % 2 == 0 && (p < 0 || depth(outer) > depth(p))) p = outer;
    }
  }
  // Outer rings open groups in their order; holes join their parent's group.
  std::vector<int> groupOf(rings.size(), -1);
  std::vector<std::vector<int>> groups;
  for (int ring = 0; ring < parts; ++ring) {
    if (parent[static_cast<std::size_t>(ring)] >= 0) continue;
    groupOf[static_cast<std::size_t>(ring)] = static_cast<int>(groups.size());
    groups.push_back({ring});
  }
  for (int ring = 0; ring < parts; ++ring) {
    const int p = parent[static_cast<std::size_t>(ring)];
    if (p >= 0)
      groups[static_cast<std::size_t>(groupOf[static_cast<std::size_t>(p)])].push_back(ring);
  }
  return groups;
}

/// Groups of a shape the topology engine wrote (IsFixed): each outer ring is
/// followed by its holes, which run the other way round, so a ring turning
/// as the first one does opens a group.
std::vector<std::vector<int>> GroupsOfFixedShape(const TGIS_Shape& polygon) {
  std::vector<std::vector<int>> groups;
  double firstSign = 0;
  for (int ring = 0; ring < polygon.GetNumParts(); ++ring) {
    const double area = GisRingDoubledArea(GisShapePartPoints(polygon, ring));
    if (firstSign == 0 && area != 0) firstSign = area;
    if (groups.empty() || (area != 0 && (area > 0) == (firstSign > 0)))
      groups.push_back({ring});
    else
      groups.back().push_back(ring);
  }
  return groups;
}

/// Groups of one ring each left without vertices are no polygons.
std::size_t GroupsWithVertices(const TGIS_Shape& shape,
                               const std::vector<std::vector<int>>& groups) {
  std::size_t n = 0;
  for (const std::vector<int>& group : groups)
    n += GisPartsWithVertices(shape, group).empty() ? 0 : 1;
  return n;
}

} // namespace

std::vector<int> GisPartIndexes(const TGIS_Shape& shape) {
  std::vector<int> all(static_cast<std::size_t>(shape.GetNumParts()));
  std::iota(all.begin(), all.end(), 0);
  return all;
}

std::vector<int> GisPartsWithVertices(const TGIS_Shape& shape, const std::vector<int>& parts) {
  std::vector<int> kept;
  for (int part : parts)
    if (shape.GetPartSize(part) > 0) kept.push_back(part);
  return kept;
}

std::vector<std::vector<int>> GisPolygonRingGroups(const TGIS_Shape& polygon) {
  const std::vector<int> all = GisPartIndexes(polygon);
  if (polygon.GetNumParts() <= 1) return {all};
  std::vector<std::vector<int>> groups =
      polygon.IsFixed() ? GroupsOfFixedShape(polygon) : GroupsByContainment(polygon);
  if (GroupsWithVertices(polygon, groups) <= 1) return {all};
  return groups;
}
