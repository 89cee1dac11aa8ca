// The window clipper of lines and polygons: each segment clipped to the
// window, with the window's corners as turning points where the segment
// passes around it outside (so that a clipped ring stays a ring).
#pragma once

#include <span>
#include <vector>

#include "gis/core/GisDefsGeometry.h"

/// Appends the points of segment (a, b) clipped to the window: turning
/// corners, entry and exit points, or b itself when it lies inside. Up to
/// three points per segment.
void GisClipSegment(const TGIS_Extent& window, const TGIS_Point& a, const TGIS_Point& b,
                    std::vector<TGIS_Point>& buffer);
/// One part clipped vertex by vertex: (P0, P0), then (Pk-1, Pk). The result
/// grows as needed: a part of n vertices can give 3n - 2 points.
std::vector<TGIS_Point> GisClipPart(const TGIS_Extent& window, std::span<const TGIS_Point> part);
