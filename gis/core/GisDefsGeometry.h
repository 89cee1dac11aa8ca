// Geometric records of the kernel and the free functions that build, compare,
// combine and measure them; the colour helpers and the integer-geometry makers.
//
// All functions are pure except the two angle conversions, which raise
// EGIS_Exception on angles out of range.
#pragma once

#include <cstdint>

#include "platform/graphics/GdiTypes.h"

/// A map point in the units of the layer or viewer that owns it.
struct TGIS_Point {
  double X = 0;
  double Y = 0;
};

/// A 3-D point with a measure; widening a TGIS_Point sets Z and M to 0.
struct TGIS_Point3D {
  double X = 0;
  double Y = 0;
  double Z = 0;
  double M = 0;
};

/// An axis-parallel rectangle; empty when XMax < XMin or YMax < YMin.
struct TGIS_Extent {
  double XMin = 0;
  double YMin = 0;
  double XMax = 0;
  double YMax = 0;
};

/// The 3-D box; empty also when ZMax < ZMin.
struct TGIS_Extent3D {
  double XMin = 0;
  double YMin = 0;
  double ZMin = 0;
  double XMax = 0;
  double YMax = 0;
  double ZMax = 0;
};

/// The bound of the whole-world extent.
inline constexpr double GIS_MAX_DOUBLE_EXTENT = 8.5e307;

// Constructors and conversions.
TGIS_Point GisPoint(double x, double y);
TGIS_Point3D GisPoint3D(double x, double y, double z, double m);
TGIS_Point3D GisPoint2DTo3D(const TGIS_Point& p);
TGIS_Point GisPoint3DTo2D(const TGIS_Point3D& p);
/// Members in exactly this order; no reordering.
TGIS_Extent GisExtent(double xmin, double ymin, double xmax, double ymax);
TGIS_Extent GisEmptyExtent();
TGIS_Extent3D GisEmptyExtent3D();
TGIS_Extent GisWholeWorldExtent();
TPoint GisIntPoint(int x, int y);
TRect GisIntRect(int left, int top, int right, int bottom);
/// red + green * 256 + blue * 65536, each taken as its low byte.
std::uint32_t GisColorRGB(int red, int green, int blue);
/// The colour unchanged, except black (0), which becomes $010101.
std::uint32_t GisNonBlackColor(std::uint32_t color);

// Tests: exact comparisons.
bool GisIsSamePoint(const TGIS_Point& a, const TGIS_Point& b);
/// X, Y and Z equal; M is not compared.
bool GisIsSamePoint3D(const TGIS_Point3D& a, const TGIS_Point3D& b);
bool GisIsSameExtent(const TGIS_Extent& a, const TGIS_Extent& b);
bool GisIsEmptyExtent(const TGIS_Extent& e);
bool GisIsEmptyExtent3D(const TGIS_Extent3D& e);
/// Strictly beyond a tenth of the whole-world bound on every side.
bool GisIsWholeWorld(const TGIS_Extent& e);
/// Touching edges count; emptiness is not tested.
bool GisIsExtentIntersecting(const TGIS_Extent& a, const TGIS_Extent& b);
/// a lies within b; borders may coincide.
bool GisIsExtentInside(const TGIS_Extent& a, const TGIS_Extent& b);

// Arithmetic.
double GisMin(double a, double b);
double GisMax(double a, double b);
/// No emptiness test: an empty extent can give a positive product.
double GisExtentArea(const TGIS_Extent& e);
TGIS_Point GisExtentCenter(const TGIS_Extent& e);
/// b when a is empty (even when b is empty too), a when b is empty, else the
/// bounding box of both.
TGIS_Extent GisExtentUnion(const TGIS_Extent& a, const TGIS_Extent& b);
/// The common part when the extents intersect or touch, else (0, 0, 0, 0):
/// a degenerate extent at the origin, not the empty extent.
TGIS_Extent GisExtentIntersection(const TGIS_Extent& a, const TGIS_Extent& b);
TGIS_Point GisPointAdd(const TGIS_Point& a, const TGIS_Point& b);
TGIS_Point GisPointSubtract(const TGIS_Point& a, const TGIS_Point& b);
double GisPointDistance(const TGIS_Point& a, const TGIS_Point& b);
/// Euclidean distance over X, Y and Z.
double GisPoint3DDistance(const TGIS_Point3D& a, const TGIS_Point3D& b);
double GisPointToSegmentDistance(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p);
/// Beyond the segment the nearer endpoint; a tie gives b.
TGIS_Point GisNearestPointOnSegment(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p);
/// The least of the four endpoint-to-segment distances; crossing segments are
/// not detected and give a non-zero distance.
double GisSegmentToSegmentDistance(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& c,
                                   const TGIS_Point& d);
/// p rotated about centre by angle radians, counter-clockwise with Y up.
TGIS_Point GisRotatePoint(const TGIS_Point& centre, const TGIS_Point& p, double angle);
/// Radians of |degrees| + |minutes| / 60 + |seconds| / 3600 times the sign (0
/// counts as +1); raises GIS_RS_ERR_COORIDINATE_INVALID outside [-pi/2, pi/2].
double GisLatitudeFromDMS(std::int8_t sign, double degrees, double minutes, double seconds);
/// As GisLatitudeFromDMS; above 2 pi raises, above pi is wrapped by -2 pi, and
/// the result must lie in [-pi, pi], else raises.
double GisLongitudeFromDMS(std::int8_t sign, double degrees, double minutes, double seconds);
