// Outer rings and their holes (part of the GisGeometry module; see
// GisGeometry.h).
#pragma once

#include <vector>

class TGIS_Shape;

/// 0 .. GetNumParts − 1.
std::vector<int> GisPartIndexes(const TGIS_Shape& shape);

/// The rings of a polygon grouped as simple-feature polygons: each group is an
/// outer ring followed by its holes, in the polygon's order. A ring's depth is
/// the number of other rings that enclose its first vertex: even depths are
/// outer rings, odd depths holes, and a hole goes with its smallest (deepest)
/// enclosing outer ring. A polygon with at most one ring of depth 0 (empty
/// rings not counted) gives a single group of all its rings in their order.
std::vector<std::vector<int>> GisPolygonRingGroups(const TGIS_Shape& polygon);
