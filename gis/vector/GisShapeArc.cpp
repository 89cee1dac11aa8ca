// Arcs: lengths, distances, points along the line, sub-lines, clipped
// copies, the tests against other shapes and drawing into a bitmap (see
// GisShapeArc.h).
#include "gis/vector/GisShapeArc.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisDefsLists.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeClip.h"
#include "gis/vector/GisShapeSegments.h"
#include "platform/rtl/ScopeGuard.h"

namespace {
constexpr double BORDER = 1e-30;

/// The parts a walk along the line visits: all in order (part < 0) or one.
std::vector<int> WalkedParts(const TGIS_Shape& shape, int part) {
  std::vector<int> parts;
  if (part >= shape.GetNumParts()) return parts;
  for (int p = part < 0 ? 0 : part; p < (part < 0 ? shape.GetNumParts() : part + 1); ++p)
    parts.push_back(p);
  return parts;
}

/// The length the walks reach at the end: segment by segment across the
/// parts, in the very order of the walks' own sums. (Part by part sums round
/// otherwise; a distance clamped to them could lie beyond the walk's end.)
double WalkedLength(const TGIS_Shape& shape, const std::vector<int>& parts) {
  double length = 0;
  for (int p : parts) {
    const auto points = GisShapePartPoints(shape, p);
    for (std::size_t i = 1; i < points.size(); ++i)
      length += GisPointDistance(points[i - 1], points[i]);
  }
  return length;
}

/// The point at (d - a) along the segment (a, b) that starts at length a.
TGIS_Point Along(const TGIS_Point& a, const TGIS_Point& b, double length, double d, double start) {
  if (length == 0) return a;
  const double t = (d - start) / length;
  return {a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t};
}

/// The point moved sideways by offset along the segment's right-hand normal.
TGIS_Point OffsetRight(const TGIS_Point& p, const TGIS_Point& a, const TGIS_Point& b, double length,
                       double offset) {
  if (offset == 0 || length == 0) return p;
  return {p.X + (b.Y - a.Y) / length * offset, p.Y - (b.X - a.X) / length * offset};
}

/// Whether the midpoint of a pair of clipped points lies on the window's
/// border (the pair runs along it).
bool OnBorder(const TGIS_Extent& e, const TGIS_Point& a, const TGIS_Point& b) {
  const double mx = (a.X + b.X) / 2, my = (a.Y + b.Y) / 2;
  return std::fabs(e.XMin - mx) <= BORDER || std::fabs(e.XMax - mx) <= BORDER ||
         std::fabs(e.YMin - my) <= BORDER || std::fabs(e.YMax - my) <= BORDER;
}

/// Turns the clipped points of one part into parts of the copy: runs of
/// pairs that do not follow the window's border.
void AddRuns(TGIS_ShapeArc& copy, const TGIS_Extent& e, const std::vector<TGIS_Point>& buffer) {
  bool open = false;
  for (std::size_t i = 0; i + 1 < buffer.size(); ++i) {
    if (OnBorder(e, buffer[i], buffer[i + 1])) {
      open = false;
      continue;
    }
    if (!open) {
      copy.AddPart();
      copy.AddPoint(buffer[i]);
      open = true;
    }
    copy.AddPoint(buffer[i + 1]);
  }
}

} // namespace

// ---- measures ----------------------------------------------------------------------------------

double TGIS_ShapeArc::GetLength() const {
  return GisShapeLength(*this);
}

double TGIS_ShapeArc::GetPartLength(int part) const {
  return GisShapePartLength(*this, part);
}

TGIS_Point TGIS_ShapeArc::GetCentroid() const {
  TGIS_Point p;
  GetPointOnLine(-1, p, 0, GetLength() / 2);
  return p;
}

double TGIS_ShapeArc::DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                                     double) const {
  GisShapeCheckPart(*this, part);
  return GisShapeDistanceToSegments(GisShapePartPoints(*this, part), point, nearest,
                                    GIS_MAX_SHAPE_DISTANCE);
}

void TGIS_ShapeArc::GetPointOnLine(int part, TGIS_Point& point, double offset,
                                   double distance) const {
  point = {0, 0};
  const auto parts = WalkedParts(*this, part);
  const double d = std::clamp(distance, 0.0, WalkedLength(*this, parts));
  double a = 0;
  for (int p : parts) {
    const auto points = GisShapePartPoints(*this, p);
    for (std::size_t i = 1; i < points.size(); ++i) {
      const double length = GisPointDistance(points[i - 1], points[i]);
      if (a + length >= d) {
        point = OffsetRight(Along(points[i - 1], points[i], length, d, a), points[i - 1], points[i],
                            length, offset);
        return;
      }
      a += length;
    }
  }
}

std::unique_ptr<TGIS_ShapeArc> TGIS_ShapeArc::GetSubLine(int part, double from, double to) const {
  auto result = std::make_unique<TGIS_ShapeArc>();
  const auto parts = WalkedParts(*this, part);
  if (parts.empty() || GetPartSize(parts.front()) == 0) return result;
  const double length = WalkedLength(*this, parts);
  from = std::clamp(from, 0.0, length);
  to = std::clamp(to, 0.0, length);
  if (from > to) return result;
  result->Lock(1);
  auto unlock = ScopeExit([&] { result->Unlock(); });
  bool started = false;
  double a = 0;
  for (int p : parts) {
    const auto points = GisShapePartPoints(*this, p);
    if (started && !points.empty()) {
      result->AddPart();
      result->AddPoint(points[0]);
    }
    for (std::size_t i = 1; i < points.size(); ++i) {
      const TGIS_Point &s = points[i - 1], &e = points[i];
      const double l = GisPointDistance(s, e);
      if (!started) {
        if (a + l < from) {
          a += l;
          continue;
        }
        result->AddPart();
        result->AddPoint(Along(s, e, l, from, a));
        started = true;
      }
      if (a + l >= to) {
        result->AddPoint(Along(s, e, l, to, a));
        return result;
      }
      result->AddPoint(e);
      a += l;
    }
  }
  return result;
}

// ---- clipped copy ------------------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_ShapeArc::CreateClippedCopy(const TGIS_Extent& extent,
                                                             bool forDrawing) {
  auto copy = std::make_unique<TGIS_ShapeArc>(nullptr, std::span<const std::uint8_t>{}, false,
                                              Uid(), Layer());
  copy->Lock(forDrawing ? 4 : 3);
  const bool whole = IsInExtent(extent, 0);
  for (int part = 0; part < GetNumParts(); ++part) {
    const auto points = GisShapePartPoints(*this, part);
    if (points.empty()) continue;
    if (!whole) {
      AddRuns(*copy, extent, GisClipPart(extent, points));
      continue;
    }
    copy->AddPart();
    const int last = copy->GetNumParts() - 1;
    for (const TGIS_Point& p : points)
      copy->SetPoint(last, -1, p);
  }
  copy->Unlock();
  if (copy->IsEmpty()) return nullptr;
  return copy;
}

// ---- tests against other shapes ----------------------------------------------------------------

bool TGIS_ShapeArc::IsNear(const TGIS_Point& point, int mode, double distance) const {
  return GisShapeIsNear(*this, point, mode, distance);
}

bool TGIS_ShapeArc::IsInsideShape(TGIS_Shape* other, int mode) {
  return GisShapeIsInside(*this, other, mode);
}

bool TGIS_ShapeArc::Intersects(TGIS_Shape* other) {
  if (other == nullptr || IsEmpty() || other->IsEmpty()) return false;
  if (!GisShapeIsKnownPartner(other)) return false;
  switch (other->ShapeType()) {
  case gisShapeTypePoint:
  case gisShapeTypeMultiPoint:
    for (const TGIS_Point& p : GisShapePartPoints(*other, 0))
      if (GisShapePointOnLine(p, *this)) return true;
    return false;
  case gisShapeTypeArc:
    // Every part of both lines, so that the answer is the same both ways.
    return GisShapeAnySegment(*this, [&](const TGIS_Point& a, const TGIS_Point& b) {
      return GisShapeAnySegment(*other, [&](const TGIS_Point& c, const TGIS_Point& d) {
        return GisSegmentsCross({a, b}, {c, d});
      });
    });
  default:
    return IsInsideShape(other, 2);
  }
}

std::unique_ptr<TGIS_PointList> TGIS_ShapeArc::GetIntersectionPoints(TGIS_Shape* other) {
  if (other == nullptr || IsEmpty() || other->IsEmpty()) return nullptr;
  return GisShapeLineIntersections(*this, other);
}

void TGIS_ShapeArc::DrawToBitmap(TBitmap& bitmap, int margin, TGIS_Point& scale) {
  GisShapeDrawToBitmap(*this, bitmap, margin, scale, false);
}
