#include "gis/core/GisDefsGeometry.h"

#include <cmath>
#include <numbers>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisResource.h"

TGIS_Point GisPoint(double x, double y) {
  return {x, y};
}

TGIS_Point3D GisPoint3D(double x, double y, double z, double m) {
  return {x, y, z, m};
}

TGIS_Point3D GisPoint2DTo3D(const TGIS_Point& p) {
  return {p.X, p.Y, 0, 0};
}

TGIS_Point GisPoint3DTo2D(const TGIS_Point3D& p) {
  return {p.X, p.Y};
}

TGIS_Extent GisExtent(double xmin, double ymin, double xmax, double ymax) {
  return {xmin, ymin, xmax, ymax};
}

TGIS_Extent GisEmptyExtent() {
  return {1, 1, -1, -1};
}

TGIS_Extent3D GisEmptyExtent3D() {
  return {1, 1, 1, -1, -1, -1};
}

TGIS_Extent GisWholeWorldExtent() {
  return {-GIS_MAX_DOUBLE_EXTENT, -GIS_MAX_DOUBLE_EXTENT, GIS_MAX_DOUBLE_EXTENT,
          GIS_MAX_DOUBLE_EXTENT};
}

TPoint GisIntPoint(int x, int y) {
  return TPoint(x, y);
}

TRect GisIntRect(int left, int top, int right, int bottom) {
  return TRect(left, top, right, bottom);
}

std::uint32_t GisColorRGB(int red, int green, int blue) {
  return std::uint32_t(red & 0xFF) | (std::uint32_t(green & 0xFF) << 8) |
         (std::uint32_t(blue & 0xFF) << 16);
}

std::uint32_t GisNonBlackColor(std::uint32_t color) {
  return color == 0 ? 0x010101u : color;
}

bool GisIsSamePoint(const TGIS_Point& a, const TGIS_Point& b) {
  return a.X == b.X && a.Y == b.Y;
}

bool GisIsSamePoint3D(const TGIS_Point3D& a, const TGIS_Point3D& b) {
  return a.X == b.X && a.Y == b.Y && a.Z == b.Z;
}

bool GisIsSameExtent(const TGIS_Extent& a, const TGIS_Extent& b) {
  return a.XMin == b.XMin && a.YMin == b.YMin && a.XMax == b.XMax && a.YMax == b.YMax;
}

bool GisIsEmptyExtent(const TGIS_Extent& e) {
  return !(e.XMax >= e.XMin && e.YMax >= e.YMin);
}

bool GisIsEmptyExtent3D(const TGIS_Extent3D& e) {
  return !(e.XMax >= e.XMin && e.YMax >= e.YMin && e.ZMax >= e.ZMin);
}

bool GisIsWholeWorld(const TGIS_Extent& e) {
  constexpr double bound = GIS_MAX_DOUBLE_EXTENT / 10;
  return e.XMin < -bound && e.YMin < -bound && e.XMax > bound && e.YMax > bound;
}

bool GisIsExtentIntersecting(const TGIS_Extent& a, const TGIS_Extent& b) {
  return a.XMin <= b.XMax && a.XMax >= b.XMin && a.YMin <= b.YMax && a.YMax >= b.YMin;
}

bool GisIsExtentInside(const TGIS_Extent& a, const TGIS_Extent& b) {
  return a.XMin >= b.XMin && a.XMax <= b.XMax && a.YMin >= b.YMin && a.YMax <= b.YMax;
}

double GisMin(double a, double b) {
  return a < b ? a : b;
}

double GisMax(double a, double b) {
  return a > b ? a : b;
}

double GisExtentArea(const TGIS_Extent& e) {
  return (e.XMax - e.XMin) * (e.YMax - e.YMin);
}

TGIS_Point GisExtentCenter(const TGIS_Extent& e) {
  return {e.XMin + (e.XMax - e.XMin) / 2, e.YMin + (e.YMax - e.YMin) / 2};
}

TGIS_Extent GisExtentUnion(const TGIS_Extent& a, const TGIS_Extent& b) {
  if (GisIsEmptyExtent(a)) return b;
  if (GisIsEmptyExtent(b)) return a;
  return {GisMin(a.XMin, b.XMin), GisMin(a.YMin, b.YMin), GisMax(a.XMax, b.XMax),
          GisMax(a.YMax, b.YMax)};
}

TGIS_Extent GisExtentIntersection(const TGIS_Extent& a, const TGIS_Extent& b) {
  if (!GisIsExtentIntersecting(a, b)) return {0, 0, 0, 0};
  return {GisMax(a.XMin, b.XMin), GisMax(a.YMin, b.YMin), GisMin(a.XMax, b.XMax),
          GisMin(a.YMax, b.YMax)};
}

TGIS_Point GisPointAdd(const TGIS_Point& a, const TGIS_Point& b) {
  return {a.X + b.X, a.Y + b.Y};
}

TGIS_Point GisPointSubtract(const TGIS_Point& a, const TGIS_Point& b) {
  return {a.X - b.X, a.Y - b.Y};
}

double GisPointDistance(const TGIS_Point& a, const TGIS_Point& b) {
  const double dx = a.X - b.X;
  const double dy = a.Y - b.Y;
  return std::sqrt(dx * dx + dy * dy);
}

double GisPoint3DDistance(const TGIS_Point3D& a, const TGIS_Point3D& b) {
  const double dx = a.X - b.X;
  const double dy = a.Y - b.Y;
  const double dz = a.Z - b.Z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

namespace {

// The projection parameter of p on the line a-b (a and b distinct).
double SegmentParameter(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p, double g) {
  return ((p.X - a.X) * (b.X - a.X) + (p.Y - a.Y) * (b.Y - a.Y)) / g;
}

double SquaredLength(const TGIS_Point& a, const TGIS_Point& b) {
  return (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y);
}

} // namespace

double GisPointToSegmentDistance(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p) {
  if (GisIsSamePoint(a, b)) return GisPointDistance(p, a);
  const double g = SquaredLength(a, b);
  const double t = SegmentParameter(a, b, p, g);
  if (t >= 0 && t <= 1)
    return std::fabs((a.Y - p.Y) * (b.X - a.X) - (a.X - p.X) * (b.Y - a.Y)) / g * std::sqrt(g);
  if (t > 1) return GisPointDistance(p, b);
  return GisPointDistance(p, a);
}

TGIS_Point GisNearestPointOnSegment(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p) {
  if (GisIsSamePoint(a, b)) return a;
  const double g = SquaredLength(a, b);
  const double t = SegmentParameter(a, b, p, g);
  if (t >= 0 && t <= 1) return {a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t};
  return GisPointDistance(a, p) >= GisPointDistance(b, p) ? b : a;
}

double GisSegmentToSegmentDistance(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& c,
                                   const TGIS_Point& d) {
  double result = 1e308;
  result = GisMin(result, GisPointToSegmentDistance(a, b, c));
  result = GisMin(result, GisPointToSegmentDistance(a, b, d));
  result = GisMin(result, GisPointToSegmentDistance(c, d, a));
  result = GisMin(result, GisPointToSegmentDistance(c, d, b));
  return result;
}

TGIS_Point GisRotatePoint(const TGIS_Point& centre, const TGIS_Point& p, double angle) {
  const double u = p.X - centre.X;
  const double v = p.Y - centre.Y;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  return {centre.X + u * c - v * s, centre.Y + u * s + v * c};
}

namespace {

double DmsToRadians(std::int8_t sign, double degrees, double minutes, double seconds) {
  const int factor = sign == 0 ? 1 : sign;
  return (std::fabs(degrees) + std::fabs(minutes) / 60 + std::fabs(seconds) / 3600) *
         std::numbers::pi / 180 * factor;
}

[[noreturn]] void RaiseInvalidCoordinate(double value) {
  throw EGIS_Exception(GIS_RS_ERR_COORIDINATE_INVALID, GisFloatToStr(value), 0);
}

} // namespace

double GisLatitudeFromDMS(std::int8_t sign, double degrees, double minutes, double seconds) {
  const double value = DmsToRadians(sign, degrees, minutes, seconds);
  if (value < -std::numbers::pi / 2 || value > std::numbers::pi / 2) RaiseInvalidCoordinate(value);
  return value;
}

double GisLongitudeFromDMS(std::int8_t sign, double degrees, double minutes, double seconds) {
  double value = DmsToRadians(sign, degrees, minutes, seconds);
  if (value > 2 * std::numbers::pi) RaiseInvalidCoordinate(value);
  if (value > std::numbers::pi) value -= 2 * std::numbers::pi;
  if (value < -std::numbers::pi || value > std::numbers::pi) RaiseInvalidCoordinate(value);
  return value;
}
