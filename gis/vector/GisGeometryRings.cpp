// Outer rings and their holes (see GisGeometryRings.h).
#include "gis/vector/GisGeometryRings.h"

#include <algorithm>
#include <numeric>

#include "gis/vector/GisGeometry.h"

namespace {

/// Whether ring `outer` encloses the first vertex of ring `ring`.
bool Encloses(const TGIS_Shape& shape, int outer, int ring) {
  if (outer == ring || shape.GetPartSize(ring) == 0 || shape.GetPartSize(outer) == 0) return false;
  return GisPointInPolygon(shape.GetPoint(ring, 0), &shape, outer);
}

std::vector<int> Depths(const TGIS_Shape& shape) {
  const int parts = shape.GetNumParts();
  std::vector<int> depth(static_cast<std::size_t>(parts), 0);
  for (int ring = 0; ring < parts; ++ring)
    for (int other = 0; other < parts; ++other)
      if (Encloses(shape, other, ring)) ++depth[static_cast<std::size_t>(ring)];
  return depth;
}

/// The deepest outer ring enclosing `hole`; -1 when none does.
int ParentOf(const TGIS_Shape& shape, const std::vector<int>& depth, int hole) {
  int parent = -1;
  for (int ring = 0; ring < static_cast<int>(depth.size()); ++ring) {
    if (depth[static_cast<std::size_t>(ring)] % 2 != 0 || !Encloses(shape, ring, hole)) continue;
    if (parent < 0 ||
        depth[static_cast<std::size_t>(ring)] > depth[static_cast<std::size_t>(parent)])
      parent = ring;
  }
  return parent;
}

} // namespace

std::vector<int> GisPartIndexes(const TGIS_Shape& shape) {
  std::vector<int> all(static_cast<std::size_t>(shape.GetNumParts()));
  std::iota(all.begin(), all.end(), 0);
  return all;
}

std::vector<std::vector<int>> GisPolygonRingGroups(const TGIS_Shape& polygon) {
  const int parts = polygon.GetNumParts();
  const std::vector<int> all = GisPartIndexes(polygon);
  if (parts <= 1) return {all};
  const std::vector<int> depth = Depths(polygon);
  if (std::count(depth.begin(), depth.end(), 0) <= 1) return {all};

  // Outer rings open groups in their order; holes join their parent's group.
  std::vector<int> groupOf(static_cast<std::size_t>(parts), -1);
  std::vector<std::vector<int>> groups;
  std::vector<int> parent(static_cast<std::size_t>(parts), -1);
  for (int ring = 0; ring < parts; ++ring)
    if (depth[static_cast<std::size_t>(ring)] % 2 != 0)
      parent[static_cast<std::size_t>(ring)] = ParentOf(polygon, depth, ring);
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
