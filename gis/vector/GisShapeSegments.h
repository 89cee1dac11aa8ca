// What the shape classes share about their vertices and segments: the
// vertices of a part, the walk along segments, lengths, the on-line, near
// and inside tests, the intersection-point search of lines and polygons, and
// drawing a shape's outline into a bitmap. The even-odd ring test and the
// segment crossing are the planar tests of GisGeometry.h.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "gis/vector/GisShape.h"

inline constexpr double GIS_MAX_SHAPE_DISTANCE = 1.7e308;

/// The vertices of one part as GetPoint reads them.
std::vector<TGIS_Point> GisShapePartPoints(const TGIS_Shape& shape, int part);
/// The sum of the segment lengths of a run of vertices.
double GisShapePathLength(const std::vector<TGIS_Point>& points);
/// The length of one part (0 for a part that does not exist), and of all.
double GisShapePartLength(const TGIS_Shape& shape, int part);
double GisShapeLength(const TGIS_Shape& shape);
/// Calls `visit` for every segment (consecutive vertices of one part) of
/// every part in order; the walk stops when `visit` answers true.
bool GisShapeAnySegment(const TGIS_Shape& shape,
                        const std::function<bool(const TGIS_Point&, const TGIS_Point&)>& visit);

/// Whether a point lies exactly on a segment of the line (any part); a
/// zero-length segment holds its own vertex. Points and lines ask this both
/// ways, so that they agree.
bool GisShapePointOnLine(const TGIS_Point& point, const TGIS_Shape& line);

/// The near test of lines, polygons and multipoints: mode 0 every vertex,
/// 1 the centroid, 2 any vertex within the distance; another mode asserts.
bool GisShapeIsNear(const TGIS_Shape& shape, const TGIS_Point& point, int mode, double distance);
/// The inside test through the relate engine: mode 0 relate (shape, other,
/// "**F"), mode 1 a point at the shape's centroid with "**F", mode 2
/// relate (shape, other, "T"); another mode gives false.
bool GisShapeIsInside(TGIS_Shape& shape, TGIS_Shape* other, int mode);
/// Raises the untested-case assertion unless the other shape is a point,
/// multipoint, arc or polygon.
bool GisShapeIsKnownPartner(const TGIS_Shape* other);
/// The points where the other shape meets a line or polygon: vertices of a
/// point-like other lying on a segment, crossings of segments otherwise;
/// nullptr when none.
std::unique_ptr<TGIS_PointList> GisShapeLineIntersections(const TGIS_Shape& line,
                                                          TGIS_Shape* other);
/// The segment distance of a part with the nearest point; 1.7e308 and the
/// query point for an empty part. `best` is the starting bound.
double GisShapeDistanceToSegments(const std::vector<TGIS_Point>& part, const TGIS_Point& point,
                                  TGIS_Point& nearest, double best);
/// Raises "Assertion failure" unless 0 <= part < the part count.
void GisShapeCheckPart(const TGIS_Shape& shape, int part);

/// Draws all parts scaled into the bitmap (grey 3-pixel pen, black brush),
/// as polylines or as one even-odd polygon set; scale = (0, 0) and nothing
/// drawn when the extent has no width or no height.
void GisShapeDrawToBitmap(const TGIS_Shape& shape, TBitmap& bitmap, int margin, TGIS_Point& scale,
                          bool filled);
