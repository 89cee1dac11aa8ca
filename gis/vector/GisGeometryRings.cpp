// Outer rings and their holes (see GisGeometryRings.h).
#include "gis/vector/GisGeometryRings.h"

#include <algorithm>
#include <numeric>

#include "gis/vector/GisGeometry.h"

namespace {

/// The rings enclosing each ring's first vertex (boxes first, then the
/// even-odd test of that ring alone).
std::vector<std::vector<int>> Enclosing(const TGIS_Shape& shape) {
  const int parts = shape.GetNumParts();
  std::vector<TGIS_Extent> boxes;
  for (int ring = 0; ring < parts; ++ring) {
    TGIS_Extent box = GisEmptyExtent();
    for (int i = 0; i < shape.GetPartSize(ring); ++i) {
      const TGIS_Point p = shape.GetPoint(ring, i);
      box = i == 0 ? TGIS_Extent{p.X, p.Y, p.X, p.Y} : GisExtentUnion(box, {p.X, p.Y, p.X, p.Y});
    }
    boxes.push_back(box);
  }
  std::vector<std::vector<int>> enclosing(static_cast<std::size_t>(parts));
  for (int ring = 0; ring < parts; ++ring) {
    if (shape.GetPartSize(ring) == 0) continue;
    const TGIS_Point first = shape.GetPoint(ring, 0);
    for (int other = 0; other < parts; ++other) {
      const TGIS_Extent& b = boxes[static_cast<std::size_t>(other)];
      if (other == ring || GisIsEmptyExtent(b) || first.X < b.XMin || first.X > b.XMax ||
          first.Y < b.YMin || first.Y > b.YMax)
        continue;
      if (GisPointInPolygon(first, &shape, other))
        enclosing[static_cast<std::size_t>(ring)].push_back(other);
    }
  }
  return enclosing;
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
  const std::vector<std::vector<int>> enclosing = Enclosing(polygon);
  auto depth = [&](int ring) {
    return static_cast<int>(enclosing[static_cast<std::size_t>(ring)].size());
  };
  int outermost = 0;
  for (int ring = 0; ring < parts; ++ring)
    outermost += depth(ring) == 0 && polygon.GetPartSize(ring) > 0 ? 1 : 0;
  if (outermost <= 1) return {all};

  // A hole's parent: its deepest enclosing outer ring.
  std::vector<int> parent(static_cast<std::size_t>(parts), -1);
  for (int ring = 0; ring < parts; ++ring) {
    if (depth(ring) % 2 == 0) continue;
    for (int outer : enclosing[static_cast<std::size_t>(ring)]) {
      int& p = parent[static_cast<std::size_t>(ring)];
      if (depth(outer) % 2 == 0 && (p < 0 || depth(outer) > depth(p))) p = outer;
    }
  }
  // Outer rings open groups in their order; holes join their parent's group.
  std::vector<int> groupOf(static_cast<std::size_t>(parts), -1);
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
