// TGIS_Shape: parts, points, extents, lock levels, nearest vertex,
// distances and the extent test.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"

namespace {
constexpr double GIS_MAX_DISTANCE = 1.7e308;

/// Widens a box by a point: a smaller X moves XMin, else a larger one XMax;
/// likewise Y.
void GrowBox(TGIS_Extent& box, const TGIS_Point& p) {
  if (p.X < box.XMin)
    box.XMin = p.X;
  else if (p.X > box.XMax)
    box.XMax = p.X;
  if (p.Y < box.YMin)
    box.YMin = p.Y;
  else if (p.Y > box.YMax)
    box.YMax = p.Y;
}

void Fail(const std::string& text) {
  SK_ASSERT(false, text, "GisLayerVector", __LINE__);
}
} // namespace

double GisBearing(double deltaX, double deltaY) {
  constexpr double pi = std::numbers::pi;
  double r;
  if (deltaY == 0) {
    r = deltaX >= 0 ? pi / 2 : -pi / 2;
  } else {
    const double a = std::atan(std::fabs(deltaX / deltaY));
    if (deltaY > 0)
      r = deltaX > 0 ? a : -a;
    else
      r = deltaX > 0 ? pi - a : -pi + a;
  }
  while (r <= -pi)
    r += 2 * pi;
  while (r > pi)
    r -= 2 * pi;
  return r;
}

// ---- counts and parts ------------------------------------------------------------------------

int TGIS_Shape::GetNumPoints() const {
  if (points_.Data == nullptr) return 0;
  switch (shapeType_) {
  case gisShapeTypePoint:
    return 1;
  case gisShapeTypeMultiPoint:
    return header_.Data == nullptr ? 0 : HeaderInt(32);
  default:
    return header_.Data == nullptr ? 0 : HeaderInt(36);
  }
}

int TGIS_Shape::GetNumParts() const {
  switch (shapeType_) {
  case gisShapeTypePoint:
  case gisShapeTypeMultiPoint:
    return points_.Data == nullptr ? 0 : 1;
  default:
    return header_.Data == nullptr ? 0 : HeaderInt(32);
  }
}

int TGIS_Shape::GetPartStart(int part) const {
  const int parts = GetNumParts();
  SK_ASSERT(parts > 0 && part >= 0 && part < parts, "", "GisLayerVector", __LINE__);
  return HeaderInt(40 + 4 * part);
}

int TGIS_Shape::GetPartSize(int part) const {
  if (isEmpty_ && points_.Data == nullptr) return 0;
  const int parts = GetNumParts();
  if (parts == 0) return 0;
  if (parts == 1) {
    SK_ASSERT(part == 0, "", "GisLayerVector", __LINE__);
    return GetNumPoints();
  }
  SK_ASSERT(part >= 0 && part < parts, "", "GisLayerVector", __LINE__);
  if (part == parts - 1) return GetNumPoints() - GetPartStart(part);
  return GetPartStart(part + 1) - GetPartStart(part);
}

void TGIS_Shape::AddPart() {
  UnmapGeometry();
  fixed_ = false;
  MarkModified();
  if (header_.Data == nullptr || GetNumParts() == 0) {
    GrowGeometry();
    SetNumPoints(0);
    SetHeaderInt(32, 1);
    SetHeaderInt(40, 0);
    SetBox({0, 0, 0, 0});
    return;
  }
  const int parts = GetNumParts();
  if (GetPartSize(parts - 1) < 1) return;
  GrowGeometry();
  SetHeaderInt(32, parts + 1);
  SetHeaderInt(40 + 4 * parts, GetNumPoints());
}

void TGIS_Shape::SetPoint(int part, int index, const TGIS_Point& point) {
  UnmapGeometry();
  // Every geometry change clears the topology engine's mark.
  fixed_ = false;
  if (GetNumParts() == 0) AddPart();
  const int last = GetNumParts() - 1;
  const int n = GetPartSize(part);
  const int position = index < 0 ? n : index;
  // Appending is only possible to the last part (it would overwrite the next
  // part's first vertex), and never beyond the end of the part.
  SK_ASSERT(position <= n && (position < n || part == last), "", "GisLayerVector", __LINE__);
  GrowGeometry();
  if (lockLevel_ == 0) ExtendExtent(point);
  WriteRawPoint(GetPartStart(part) + position, point);
  if (position == n) SetNumPoints(GetNumPoints() + 1);
  isEmpty_ = false;
}

void TGIS_Shape::SetPoint3D(int, int, const TGIS_Point3D&) {
  Fail(GIS_RS_NOT_IMPLEMENTED);
}

void TGIS_Shape::AddPoint3D(const TGIS_Point3D& point) {
  AddPoint({point.X, point.Y});
}

TGIS_Point TGIS_Shape::ToLayer(const TGIS_Point& p) const {
  if (lockLevel_ < 2 && layer_ != nullptr) return layer_->PointFromViewer(p);
  return p;
}

TGIS_Point TGIS_Shape::ToViewer(const TGIS_Point& p) const {
  if (lockLevel_ < 2 && layer_ != nullptr) return layer_->PointToViewer(p);
  return p;
}

// Points and multipoints have their own; for arcs and polygons the counts are
// read once per vertex instead of once per accessor, with the same checks as
// GetPartSize, GetPartStart and RawPoint, and a layer without a viewer gives
// the point as it is stored.
TGIS_Point TGIS_Shape::GetPoint(int part, int index) const {
  const int parts = TGIS_Shape::GetNumParts();
  const int points = TGIS_Shape::GetNumPoints();
  int n = 0, start = 0;
  if (!(isEmpty_ && points_.Data == nullptr) && parts > 0) {
    SK_ASSERT(part >= 0 && part < parts, "", "GisLayerVector", __LINE__);
    start = HeaderInt(40 + 4 * part);
    if (parts == 1)
      n = points;
    else
      n = (part == parts - 1 ? points : HeaderInt(44 + 4 * part)) - start;
  }
  SK_ASSERT(index >= 0 && index < n, "", "GisLayerVector", __LINE__);
  const int at = start + index;
  SK_ASSERT(points_.Data != nullptr && at >= 0 &&
                static_cast<std::size_t>(at + 1) * 16 <= points_.Capacity &&
                at < std::max(points, 1),
            "", "GisLayerVector", __LINE__);
  TGIS_Point p;
  std::memcpy(&p.X, points_.Data + 16 * at, 8);
  std::memcpy(&p.Y, points_.Data + 16 * at + 8, 8);
  if (lockLevel_ < 2 && layer_ != nullptr && layer_->Viewer() != nullptr)
    return layer_->PointToViewer(p);
  return p;
}

TGIS_Point3D TGIS_Shape::GetPoint3D(int part, int index) const {
  const TGIS_Point p = GetPoint(part, index);
  return {p.X, p.Y, 0, 0};
}

TGIS_Point TGIS_Shape::GetLastPoint() const {
  const int last = GetNumParts() - 1;
  return GetPoint(last, GetPartSize(last) - 1);
}

TGIS_Point3D TGIS_Shape::GetLastPoint3D() const {
  const TGIS_Point p = GetLastPoint();
  return {p.X, p.Y, 0, 0};
}

bool TGIS_Shape::AddPointPolar(bool absolute, double angle, double distance) {
  if (GetNumParts() == 0) return false;
  const int last = GetNumParts() - 1;
  const int m = GetPartSize(last);
  if (m < (absolute ? 1 : 2)) return false;
  const TGIS_Point base = GetPoint(last, m - 1);
  double bearing = angle;
  if (!absolute) {
    const TGIS_Point previous = GetPoint(last, m - 2);
    bearing += GisBearing(base.X - previous.X, base.Y - previous.Y);
  }
  AddPoint({base.X + distance * std::sin(bearing), base.Y + distance * std::cos(bearing)});
  return true;
}

// ---- extents -----------------------------------------------------------------------------------

TGIS_Extent TGIS_Shape::GetExtentRaw() const {
  if (isEmpty_ || header_.Data == nullptr) return GisEmptyExtent();
  const TGIS_Extent e{HeaderDouble(0), HeaderDouble(8), HeaderDouble(16), HeaderDouble(24)};
  if (std::isnan(e.XMin)) return GisEmptyExtent();
  return e;
}

TGIS_Extent TGIS_Shape::GetExtent() const {
  if (layer_ == nullptr || layer_->Viewer() == nullptr) return GetExtentRaw();
  TGIS_Extent e = GisEmptyExtent();
  bool first = true;
  for (int part = 0; part < GetNumParts(); ++part)
    for (int i = 0; i < GetPartSize(part); ++i) {
      const TGIS_Point p = GetPoint(part, i);
      if (first) e = {p.X, p.Y, p.X, p.Y};
      e = GisExtentUnion(e, {p.X, p.Y, p.X, p.Y});
      first = false;
    }
  return e;
}

void TGIS_Shape::ExtendExtent(const TGIS_Point& point) {
  if (header_.Owned == nullptr) GrowGeometry();
  TGIS_Extent box = GetNumPoints() > 0 ? TGIS_Extent{HeaderDouble(0), HeaderDouble(8),
                                                     HeaderDouble(16), HeaderDouble(24)}
                                       : TGIS_Extent{point.X, point.Y, point.X, point.Y};
  GrowBox(box, point);
  SetBox(box);
  if (layer_ == nullptr) return;
  layer_->SetExtent(GisIsEmptyExtent(layer_->Extent()) ? box
                                                       : GisExtentUnion(layer_->Extent(), box));
  // At level 0 nothing else keeps the index entry up to date.
  if (lockLevel_ == 0 && HasIndexEntry() && !GisIsSameExtent(indexedExtent_, box)) UpdateIndex();
}

void TGIS_Shape::RecalcBox() {
  if (GetNumParts() == 0 || GetNumPoints() == 0) return;
  // A multipoint's only part starts at its first vertex (it keeps no starts).
  auto start = [&](int part) {
    return shapeType_ == gisShapeTypeMultiPoint ? 0 : GetPartStart(part);
  };
  const TGIS_Point first = RawPoint(start(0));
  TGIS_Extent box{first.X, first.Y, first.X, first.Y};
  for (int part = 0; part < GetNumParts(); ++part)
    for (int i = 0; i < GetPartSize(part); ++i)
      GrowBox(box, RawPoint(start(part) + i));
  SetBox(box);
}

// ---- lock levels -------------------------------------------------------------------------------

void TGIS_Shape::Lock(std::uint8_t level) {
  lockLevel_ = level;
  geometryChanged_ = false;
}

void TGIS_Shape::UnlockWith(const std::function<void()>& body) {
  struct TFinal {
    TGIS_Shape* s;
    bool keep4;
    ~TFinal() {
      s->lockLevel_ = keep4 ? 4 : 0;
      s->geometryChanged_ = false;
    }
  } final{this, lockLevel_ == 4};
  body();
}

void TGIS_Shape::Unlock() {
  if (lockLevel_ == 0) return;
  const std::uint8_t level = lockLevel_;
  UnlockWith([&] {
    if (level == 4) {
      if (geometryChanged_ && !mapped_ && !isEmpty_) RecalcBox();
      return;
    }
    if (!geometryChanged_ || mapped_ || isEmpty_) return;
    const TGIS_Extent old = GetExtentRaw();
    lockLevel_ = 2;
    RecalcBox();
    if (layer_ == nullptr) return;
    const TGIS_Extent box = GetExtentRaw();
    if (GisIsSameExtent(box, old)) return;
    if (level < 3)
      layer_->SetExtent(GisIsEmptyExtent(layer_->Extent()) ? box
                                                           : GisExtentUnion(layer_->Extent(), box));
    UpdateIndex();
  });
}

// ---- nearest vertex, distances, extent test ----------------------------------------------------

void TGIS_Shape::FindNearestVertex(const TGIS_Point& point, double& distance, TGIS_Point& nearest,
                                   double tolerance) const {
  nearest = point;
  double limit = std::fabs(tolerance);
  for (int part = 0; part < GetNumParts(); ++part)
    for (int i = 0; i < GetPartSize(part); ++i) {
      const TGIS_Point p = GetPoint(part, i);
      const double d = GisPointDistance(p, point);
      if (d < limit) {
        limit = d;
        nearest = p;
      }
    }
  distance = limit;
}

void TGIS_Shape::FindNearestVertex3D(const TGIS_Point3D& point, double& distance,
                                     TGIS_Point3D& nearest, double tolerance) const {
  nearest = point;
  distance = std::fabs(tolerance);
  if (GetNumPoints() > 0) Fail(GIS_RS_NOT_IMPLEMENTED);
}

double TGIS_Shape::Distance(const TGIS_Point& point, double tolerance) const {
  double best = GIS_MAX_DISTANCE;
  for (int part = 0; part < GetNumParts(); ++part) {
    TGIS_Point nearest;
    best = std::min(best, DistanceToPart(point, part, nearest, tolerance));
  }
  return best;
}

double TGIS_Shape::DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                                  double tolerance) const {
  // The shape classes measure to their segments; a shape without its own
  // measure is measured to its vertices.
  double d = GIS_MAX_DISTANCE;
  (void)tolerance;
  for (int i = 0; i < GetPartSize(part); ++i) {
    const TGIS_Point p = GetPoint(part, i);
    if (GisPointDistance(p, point) < d) {
      d = GisPointDistance(p, point);
      nearest = p;
    }
  }
  return d;
}

namespace {
/// The pieces of a part: segments between consecutive vertices, or the single
/// vertex of a one-point part. The vertices of a point set are pieces of their
/// own: a multipoint is no line through its points.
struct TPiece {
  TGIS_Point A, B;
  bool Segment;
};
std::vector<TPiece> Pieces(const TGIS_Shape& s) {
  std::vector<TPiece> out;
  const bool pointSet =
      s.ShapeType() == gisShapeTypePoint || s.ShapeType() == gisShapeTypeMultiPoint;
  for (int part = 0; part < s.GetNumParts(); ++part) {
    const int n = s.GetPartSize(part);
    if (n == 1 || pointSet) {
      for (int i = 0; i < n; ++i)
        out.push_back({s.GetPoint(part, i), s.GetPoint(part, i), false});
      continue;
    }
    for (int i = 0; i + 1 < n; ++i)
      out.push_back({s.GetPoint(part, i), s.GetPoint(part, i + 1), true});
  }
  return out;
}
double PieceDistance(const TPiece& a, const TPiece& b) {
  if (!a.Segment && !b.Segment) return GisPointDistance(a.A, b.A);
  if (!a.Segment) return GisPointToSegmentDistance(b.A, b.B, a.A);
  if (!b.Segment) return GisPointToSegmentDistance(a.A, a.B, b.A);
  return GisSegmentToSegmentDistance(a.A, a.B, b.A, b.B);
}
} // namespace

double TGIS_Shape::DistanceToShape(TGIS_Shape* other) {
  if (other == nullptr || isEmpty_ || other->IsEmpty()) return -1;
  if (!Relate(other, "FF*FF")) return 0;
  double best = GIS_MAX_DISTANCE;
  const auto mine = Pieces(*this), theirs = Pieces(*other);
  for (const auto& a : mine)
    for (const auto& b : theirs) {
      const double d = PieceDistance(a, b);
      if (d <= 0) return 0;
      best = std::min(best, d);
    }
  return best;
}

bool TGIS_Shape::IsInExtent(const TGIS_Extent& e, int mode) {
  if (isEmpty_) return false;
  const TGIS_Extent s = GetExtent();
  if (s.XMin > e.XMax || s.YMin > e.YMax || s.XMax < e.XMin || s.YMax < e.YMin) return false;
  if (e.XMax == e.XMin || e.YMax == e.YMin) return false;
  auto inside = [&](const TGIS_Point& p) {
    return p.X >= e.XMin && p.X <= e.XMax && p.Y >= e.YMin && p.Y <= e.YMax;
  };
  switch (mode) {
  case 0:
    return s.XMin >= e.XMin && s.XMax <= e.XMax && s.YMin >= e.YMin && s.YMax <= e.YMax;
  case 1:
    return inside(GetCentroid());
  case 2: {
    if (!(s.XMin < e.XMax && s.YMin < e.YMax && s.XMax > e.XMin && s.YMax > e.YMin)) return false;
    for (int part = 0; part < GetNumParts(); ++part)
      for (int i = 0; i < GetPartSize(part); ++i)
        if (inside(GetPoint(part, i))) return true;
    if (shapeType_ != gisShapeTypeArc && shapeType_ != gisShapeTypePolygon) return false;
    TGIS_ShapePolygon box(nullptr, {}, false, 0, nullptr);
    box.AddPart();
    for (const TGIS_Point& p : {TGIS_Point{e.XMin, e.YMin}, TGIS_Point{e.XMin, e.YMax},
                                TGIS_Point{e.XMax, e.YMax}, TGIS_Point{e.XMax, e.YMin}})
      box.AddPoint(p);
    return box.Relate(this, "T*T***T");
  }
  default:
    Fail(GIS_RS_ERR_UNTESTED);
    return false;
  }
}
