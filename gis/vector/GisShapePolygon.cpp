// Polygons: area, perimeter, centroid, label point, distances with the
// inside bonus, clipped copies, the tests against other shapes and drawing
// into a bitmap (see GisShapePolygon.h).
#include "gis/vector/GisShapePolygon.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numeric>

#include "gis/core/GisDefsLists.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeClip.h"
#include "gis/vector/GisShapeSegments.h"
#include "gis/vector/GisTopologyContour.h"

namespace {
/// The label-point search halves one side of the extent per pass; it
/// reaches a point inside long before this many passes.
constexpr int MAX_LABEL_PASSES = 200;

/// Twice the signed area of a ring closed from its last point to its first.
double DoubleSignedArea(const std::vector<TGIS_Point>& ring) {
  double sum = 0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const TGIS_Point& p = ring[i == 0 ? ring.size() - 1 : i - 1];
    sum += ring[i].Y * p.X - p.Y * ring[i].X;
  }
  return sum;
}

/// The ratio of the centroid's distances to two opposite sides of an
/// extent, and whether the far side is the upper one.
struct TSideRatio {
  double Ratio;
  bool Upper;
};
TSideRatio SideRatio(double toLower, double toUpper) {
  if (toLower == 0) return {0, false};
  if (toUpper == 0) return {1.7e308, true};
  if (toLower > toUpper) return {toLower / toUpper, true};
  return {toUpper / toLower, false};
}

/// The next window of the label-point search: the slice between the
/// centroid and the nearer side, cut across the direction in which the
/// centroid lies most off-centre.
struct TLabelSearch {
  double LastX = 0, LastY = 0;

  TGIS_Extent NextWindow(const TGIS_Extent& e, const TGIS_Point& p) {
    const TSideRatio x = SideRatio(std::fabs(p.X - e.XMin), std::fabs(e.XMax - p.X));
    const TSideRatio y = SideRatio(std::fabs(p.Y - e.YMin), std::fabs(e.YMax - p.Y));
    const bool sameX = x.Ratio == LastX, sameY = y.Ratio == LastY;
    LastX = x.Ratio;
    LastY = y.Ratio;
    if (x.Ratio > y.Ratio && (!sameX || sameY))
      return x.Upper ? TGIS_Extent{p.X, e.YMin, e.XMax, e.YMax}
                     : TGIS_Extent{e.XMin, e.YMin, p.X, e.YMax};
    return y.Upper ? TGIS_Extent{e.XMin, p.Y, e.XMax, e.YMax}
                   : TGIS_Extent{e.XMin, e.YMin, e.XMax, p.Y};
  }
};

/// The label-point search: the centroid when it lies inside; otherwise slices
/// between the centroid and the nearer side of the extent, until a slice's
/// centroid lies inside that slice.
TGIS_Point SearchLabelPoint(const TGIS_ShapePolygon& polygon) {
  TGIS_Point p = polygon.GetCentroid();
  if (GisPointInPolygon(p, &polygon, -1)) return p;
  // Slicing an extent that is not finite makes no progress.
  const TGIS_Extent e = polygon.GetExtent();
  if (!std::isfinite(e.XMin + e.YMin + e.XMax + e.YMax + p.X + p.Y)) return p;
  TLabelSearch search;
  std::unique_ptr<TGIS_Shape> owned; // the current slice; the polygon at first
  const TGIS_Shape* current = &polygon;
  for (int pass = 0; pass < MAX_LABEL_PASSES; ++pass) {
    const TGIS_Extent window = search.NextWindow(current->GetExtent(), p);
    auto slice = const_cast<TGIS_Shape*>(current)->CreateClippedCopy(window, true);
    if (slice == nullptr) return p;
    p = slice->GetCentroid();
    if (GisPointInPolygon(p, slice.get(), -1)) return p;
    owned = std::move(slice);
    current = owned.get();
  }
  assert(!"the label-point search did not end");
  return p;
}

/// A point inside the rings (even-odd): the middle of the widest inside
/// stretch of a horizontal line through the largest ring, at half height
/// between two of its vertex heights (the widest gaps first). False when no
/// ring encloses an area.
bool InteriorPoint(const TGIS_ShapePolygon& polygon, TGIS_Point& out) {
  std::vector<std::vector<TGIS_Point>> rings;
  std::size_t largest = 0;
  double largestArea = 0;
  for (int ring = 0; ring < polygon.GetNumParts(); ++ring) {
    rings.push_back(GisShapePartPoints(polygon, ring));
    const double area = std::fabs(GisRingDoubledArea(rings.back()));
    if (area > largestArea) {
      largestArea = area;
      largest = rings.size() - 1;
    }
  }
  if (!(largestArea > 0)) return false;
  std::vector<double> heights;
  for (const TGIS_Point& v : rings[largest])
    heights.push_back(v.Y);
  std::sort(heights.begin(), heights.end());
  heights.erase(std::unique(heights.begin(), heights.end()), heights.end());
  std::vector<std::size_t> gaps(heights.size() > 1 ? heights.size() - 1 : 0);
  std::iota(gaps.begin(), gaps.end(), std::size_t{0});
  std::stable_sort(gaps.begin(), gaps.end(), [&](std::size_t a, std::size_t b) {
    return heights[a + 1] - heights[a] > heights[b + 1] - heights[b];
  });
  std::vector<double> crossings;
  for (std::size_t gap : gaps) {
    const double y = heights[gap] + (heights[gap + 1] - heights[gap]) / 2;
    crossings.clear();
    for (const auto& ring : rings)
      for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
        const TGIS_Point& a = ring[i];
        const TGIS_Point& b = ring[i + 1];
        if ((a.Y <= y && y < b.Y) || (b.Y <= y && y < a.Y))
          crossings.push_back(a.X + (b.X - a.X) * (y - a.Y) / (b.Y - a.Y));
      }
    std::sort(crossings.begin(), crossings.end());
    double widest = -1;
    TGIS_Point best{};
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
      if (crossings[i + 1] - crossings[i] > widest) {
        widest = crossings[i + 1] - crossings[i];
        best = {crossings[i] + (crossings[i + 1] - crossings[i]) / 2, y};
      }
    if (widest > 0 && GisPointInPolygon(best, &polygon, -1)) {
      out = best;
      return true;
    }
  }
  return false;
}

/// Whether a clipped ring still bounds an area: three distinct vertices and
/// an area (rings left along the window's border have neither, and other
/// readers refuse them). The clipper's tiny steps off a border leave areas
/// of the order of 1e-30 times the ring's size: a ring thinner than 1e-14 of
/// its size bounds nothing.
bool BoundsArea(const std::vector<TGIS_Point>& ring) {
  std::vector<TGIS_Point> distinct;
  TGIS_Extent box = GisEmptyExtent();
  for (const TGIS_Point& p : ring) {
    box = GisIsEmptyExtent(box) ? TGIS_Extent{p.X, p.Y, p.X, p.Y}
                                : GisExtentUnion(box, {p.X, p.Y, p.X, p.Y});
    if (distinct.size() < 3 && std::none_of(distinct.begin(), distinct.end(), [&](const TGIS_Point& q) {
          return GisIsSamePoint(p, q);
        }))
      distinct.push_back(p);
  }
  const double size = std::max(box.XMax - box.XMin, box.YMax - box.YMin);
  return distinct.size() >= 3 && std::fabs(GisRingDoubledArea(ring)) > 1e-14 * size * size;
}
} // namespace

// ---- measures ----------------------------------------------------------------------------------

double TGIS_ShapePolygon::GetArea() const {
  if (IsEmpty()) return 0;
  const TGIS_Extent e = GetExtent();
  double sum = 0;
  for (int ring = 0; ring < GetNumParts(); ++ring) {
    const auto points = GisShapePartPoints(*this, ring);
    for (std::size_t j = 0; j + 1 < points.size(); ++j) {
      const double x0 = points[j].X - e.XMin, y0 = points[j].Y - e.YMin;
      const double x1 = points[j + 1].X - e.XMin, y1 = points[j + 1].Y - e.YMin;
      sum += (x0 * y1 - x1 * y0) / 2;
    }
  }
  return std::fabs(sum);
}

double TGIS_ShapePolygon::GetLength() const {
  return GisShapeLength(*this);
}

double TGIS_ShapePolygon::GetPartLength(int part) const {
  return GisShapePartLength(*this, part);
}

TGIS_Point TGIS_ShapePolygon::GetCentroid() const {
  if (IsEmpty()) return {0, 0};
  const TGIS_Extent e = GetExtent();
  double area = 0, cx = 0, cy = 0;
  for (int ring = 0; ring < GetNumParts(); ++ring) {
    const auto points = GisShapePartPoints(*this, ring);
    for (std::size_t i = 0; i < points.size(); ++i) {
      const TGIS_Point& q = points[i == 0 ? points.size() - 1 : i - 1];
      const double xp = q.X - e.XMin, yp = q.Y - e.YMin;
      const double xi = points[i].X - e.XMin, yi = points[i].Y - e.YMin;
      const double h = xp * yi - xi * yp;
      area += h / 2;
      cx += (xp + xi) * h / 6;
      cy += (yp + yi) * h / 6;
    }
  }
  if (area != 0) return {cx / area + e.XMin, cy / area + e.YMin};
  return GisExtentCenter(GetExtentRaw());
}

TGIS_Point TGIS_ShapePolygon::GetLabelPoint() const {
  const TGIS_Point p = SearchLabelPoint(*this);
  if (IsEmpty() || GisPointInPolygon(p, this, -1)) return p;
  // The search may end outside (outer rings turning both ways cancel in the
  // centroids): a point inside the rings keeps the promise.
  const TGIS_Extent e = GetExtent();
  if (!std::isfinite(e.XMin + e.YMin + e.XMax + e.YMax)) return p;
  TGIS_Point inside;
  return InteriorPoint(*this, inside) ? inside : p;
}

double TGIS_ShapePolygon::DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                                         double tolerance) const {
  GisShapeCheckPart(*this, part);
  const bool bonus = tolerance >= 0 && GisPointInPolygon(point, this, part);
  const double d =
      GisShapeDistanceToSegments(GisShapePartPoints(*this, part), point, nearest,
                                 bonus ? std::fabs(tolerance) : GIS_MAX_SHAPE_DISTANCE);
  return bonus ? d * 0.9 : d;
}

// ---- clipped copy ------------------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_ShapePolygon::CreateClippedCopy(const TGIS_Extent& extent,
                                                                 bool forDrawing) {
  auto copy = std::make_unique<TGIS_ShapePolygon>(nullptr, std::span<const std::uint8_t>{}, false,
                                                  Uid(), Layer());
  copy->Lock(forDrawing ? 4 : 3);
  const bool whole = IsInExtent(extent, 0);
  double area = 0;
  for (int ring = 0; ring < GetNumParts(); ++ring) {
    const auto points = GisShapePartPoints(*this, ring);
    if (points.empty()) continue;
    if (whole) {
      copy->AddPart();
      for (std::size_t i = 0; i + 1 < points.size(); ++i)
        copy->AddPoint(points[i]);
      continue;
    }
    const auto clipped = GisClipPart(extent, points);
    if (!BoundsArea(clipped)) continue;
    copy->AddPart();
    for (const TGIS_Point& q : clipped)
      copy->AddRingPoint(q);
    area += DoubleSignedArea(clipped);
  }
  copy->Unlock();
  if (copy->IsEmpty() || (!whole && std::fabs(area) <= 1e-30)) return nullptr;
  return copy;
}

// ---- tests against other shapes ----------------------------------------------------------------

bool TGIS_ShapePolygon::IsNear(const TGIS_Point& point, int mode, double distance) const {
  return GisShapeIsNear(*this, point, mode, distance);
}

bool TGIS_ShapePolygon::IsInsideShape(TGIS_Shape* other, int mode) {
  return GisShapeIsInside(*this, other, mode);
}

bool TGIS_ShapePolygon::Intersects(TGIS_Shape* other) {
  if (other == nullptr || IsEmpty() || other->IsEmpty()) return false;
  if (!GisShapeIsKnownPartner(other)) return false;
  if (other->ShapeType() == gisShapeTypeArc || other->ShapeType() == gisShapeTypePolygon)
    return other->IsInsideShape(this, 2);
  // Every ring counts, as in the point's own test: a point in a hole is
  // outside, a point on a second island inside.
  for (const TGIS_Point& p : GisShapePartPoints(*other, 0))
    if (GisPointInPolygon(p, this, -1)) return true;
  return false;
}

std::unique_ptr<TGIS_PointList> TGIS_ShapePolygon::GetIntersectionPoints(TGIS_Shape* other) {
  if (other == nullptr || IsEmpty() || other->IsEmpty()) return nullptr;
  return GisShapeLineIntersections(*this, other);
}

void TGIS_ShapePolygon::DrawToBitmap(TBitmap& bitmap, int margin, TGIS_Point& scale) {
  GisShapeDrawToBitmap(*this, bitmap, margin, scale, true);
}
