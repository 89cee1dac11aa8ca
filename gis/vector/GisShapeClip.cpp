// The window clipper of lines and polygons (see GisShapeClip.h).
#include "gis/vector/GisShapeClip.h"

#include <algorithm>

namespace {
constexpr double TINY = 1e-30;

/// A zero step becomes a tiny one whose sign keeps the start on its side
/// of the window's lower edge.
double Step(double delta, double start, double lower) {
  if (delta != 0) return delta;
  return start > lower ? -TINY : TINY;
}
} // namespace

void GisClipSegment(const TGIS_Extent& w, const TGIS_Point& a, const TGIS_Point& b,
                    std::vector<TGIS_Point>& buffer) {
  const double dx = Step(b.X - a.X, a.X, w.XMin);
  const double dy = Step(b.Y - a.Y, a.Y, w.YMin);
  const double xIn = dx > 0 ? w.XMin : w.XMax, xOut = dx > 0 ? w.XMax : w.XMin;
  const double yIn = dy > 0 ? w.YMin : w.YMax, yOut = dy > 0 ? w.YMax : w.YMin;
  const double tInX = (xIn - a.X) / dx, tInY = (yIn - a.Y) / dy;
  const double tIn1 = std::min(tInX, tInY), tIn2 = std::max(tInX, tInY);
  if (tIn1 > 1) return;
  if (tIn1 > 0) buffer.push_back({xIn, yIn});
  if (tIn2 > 1) return;
  const double tOutX = (xOut - a.X) / dx, tOutY = (yOut - a.Y) / dy;
  const double tOut1 = std::min(tOutX, tOutY);
  if (tIn2 <= 0 && tOut1 <= 0) return;
  if (tIn2 > tOut1) {
    buffer.push_back(tInX > tInY ? TGIS_Point{xIn, yOut} : TGIS_Point{xOut, yIn});
    return;
  }
  if (tIn2 > 0)
    buffer.push_back(tInX > tInY ? TGIS_Point{xIn, a.Y + tInX * dy}
                                 : TGIS_Point{a.X + tInY * dx, yIn});
  if (tOut1 < 1)
    buffer.push_back(tOutX >= tOutY ? TGIS_Point{a.X + tOutY * dx, yOut}
                                    : TGIS_Point{xOut, a.Y + tOutX * dy});
  else
    buffer.push_back(b);
}

std::vector<TGIS_Point> GisClipPart(const TGIS_Extent& window, std::span<const TGIS_Point> part) {
  std::vector<TGIS_Point> buffer;
  if (part.empty()) return buffer;
  buffer.reserve(3 * part.size());
  GisClipSegment(window, part[0], part[0], buffer);
  for (std::size_t k = 1; k < part.size(); ++k)
    GisClipSegment(window, part[k - 1], part[k], buffer);
  return buffer;
}
