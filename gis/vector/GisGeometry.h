// The exchange forms of geometry (well-known text, well-known binary and the
// geometry blobs of GeoMedia warehouses) and the two planar tests that the
// vector model uses throughout.
//
// Which file holds what:
//   GisGeometry.h          this header: the readers and the planar tests
//   GisGeometryPlanar.cpp  GisPointInPolygon, GisSegmentsCross, GisSegmentsIntersection
//   GisGeometryStrips.h/.cpp the strip index of segments behind the exact
//                          point tests of large polygons and topology contours
//   GisGeometryWkt.h/.cpp  the text reader and TGIS_Shape::ExportToWKT
//   GisGeometryWkb.h/.cpp  the binary reader and TGIS_Shape::ExportToWKB
//   GisGeometryGdo.h/.cpp  the blob tags, the blob reader and TGIS_Shape::ExportToGDO
//   GisGeometryBytes.h/.cpp the bounded byte cursor and writer of the binary
//                          forms, the construction arguments of a read shape
//   GisGeometryBuilder.h/.cpp a read shape collected as a record and made in
//                          one step
//   GisGeometryRings.h/.cpp outer rings and their holes, for the multi-polygon
//                          forms of the writers
//   GisGeometryParser.cpp  the default parser behind GisSetGeometryParser
//
// Every reader makes a new shape with the construction arguments its caller
// passes (Source, Raw, Mapped, Uid, Layer), locked at level 2 while it is
// filled, so the coordinates are stored unconverted as layer coordinates.
// Damaged binary input raises EGIS_Exception "0040 Error in geometry data":
// every count, length and size is checked against the bytes that hold it.
#pragma once

#include "gis/vector/GisGeometryGdo.h"
#include "gis/vector/GisGeometryWkb.h"
#include "gis/vector/GisGeometryWkt.h"

class TGIS_SegmentStrips;

/// A segment: start and end.
struct TGIS_Segment {
  TGIS_Point A;
  TGIS_Point B;
};

/// Even-odd test of `point` against the rings of a polygon (half-open: a point
/// on a bottom edge is inside, on a top edge outside). False unless `shape` is
/// a polygon; a negative part tests every ring, a part index that ring alone
/// (false beyond the last ring). Vertices come from GetPoint.
bool GisPointInPolygon(const TGIS_Point& point, const TGIS_Shape* shape, int part);
/// The edge index GisPointInPolygon answers from for a shape: polygons of 64
/// vertices or more whose GetPoint gives the stored coordinates unchanged get
/// one on their second test, kept until their geometry changes. nullptr while
/// the test goes edge by edge (it makes the index when due).
const TGIS_SegmentStrips* GisPointTestIndex(const TGIS_Shape& shape);

/// True when the two segments meet, ends included; parallel and collinear
/// segments never do.
bool GisSegmentsCross(const TGIS_Segment& p, const TGIS_Segment& q);
/// As GisSegmentsCross, also giving the meeting point (P's start + r × P's
/// direction); `point` is untouched when they do not meet.
bool GisSegmentsIntersection(const TGIS_Segment& p, const TGIS_Segment& q, TGIS_Point& point);

/// The default geometry parser (GisSetGeometryParser installs another): the
/// reader of `format` with no source, no raw record, not mapped, Uid −1 and
/// `layer`.
std::unique_ptr<TGIS_Shape> GisParseGeometry(TGIS_GeometryFormat format, const std::string& text,
                                             std::span<const std::uint8_t> bytes,
                                             TGIS_LayerVector* layer);
