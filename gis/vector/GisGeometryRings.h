// Outer rings and their holes (part of the GisGeometry module; see
// GisGeometry.h).
#pragma once

#include <vector>

class TGIS_Shape;

/// 0 .. GetNumParts − 1.
std::vector<int> GisPartIndexes(const TGIS_Shape& shape);

/// The listed parts that hold vertices, in their order.
std::vector<int> GisPartsWithVertices(const TGIS_Shape& shape, const std::vector<int>& parts);

/// The rings of a polygon grouped as simple-feature polygons: each group is an
/// outer ring followed by its holes, in the polygon's order. A ring's depth is
/// the number of other rings it lies in (judged by a point of the ring off
/// the other ring's boundary, so rings may touch): even depths are outer
/// rings, odd depths holes, and a hole goes with its deepest enclosing outer
/// ring. A shape the topology engine wrote (IsFixed) already holds each outer
/// ring followed by its holes, turning the other way, and is grouped by that
/// order. A polygon with at most one group holding vertices gives a single
/// group of all its rings in their order.
std::vector<std::vector<int>> GisPolygonRingGroups(const TGIS_Shape& polygon);
