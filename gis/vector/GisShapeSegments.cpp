// What the shape classes share about vertices and segments (see
// GisShapeSegments.h).
#include "gis/vector/GisShapeSegments.h"

#include <cmath>

#include "gis/core/GisDefsLists.h"
#include "gis/core/GisResource.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numerics.h"

namespace {
bool IsPointLike(const TGIS_Shape& s) {
  return s.ShapeType() == gisShapeTypePoint || s.ShapeType() == gisShapeTypeMultiPoint;
}

} // namespace

std::vector<TGIS_Point> GisShapePartPoints(const TGIS_Shape& shape, int part) {
  std::vector<TGIS_Point> out;
  const int n = shape.GetPartSize(part);
  out.reserve(std::size_t(std::max(n, 0)));
  for (int i = 0; i < n; ++i)
    out.push_back(shape.GetPoint(part, i));
  return out;
}

double GisShapePathLength(const std::vector<TGIS_Point>& points) {
  double length = 0;
  for (std::size_t i = 1; i < points.size(); ++i)
    length += GisPointDistance(points[i - 1], points[i]);
  return length;
}

double GisShapePartLength(const TGIS_Shape& shape, int part) {
  if (part < 0 || part >= shape.GetNumParts()) return 0;
  return GisShapePathLength(GisShapePartPoints(shape, part));
}

double GisShapeLength(const TGIS_Shape& shape) {
  double length = 0;
  for (int part = 0; part < shape.GetNumParts(); ++part)
    length += GisShapePartLength(shape, part);
  return length;
}

bool GisShapeAnySegment(const TGIS_Shape& shape,
                        const std::function<bool(const TGIS_Point&, const TGIS_Point&)>& visit) {
  for (int part = 0; part < shape.GetNumParts(); ++part) {
    const auto points = GisShapePartPoints(shape, part);
    for (std::size_t i = 1; i < points.size(); ++i)
      if (visit(points[i - 1], points[i])) return true;
  }
  return false;
}

bool GisShapePointOnLine(const TGIS_Point& p, const TGIS_Shape& line) {
  return GisShapeAnySegment(line, [&](const TGIS_Point& a, const TGIS_Point& b) {
    const double l = (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y);
    if (l == 0) return GisIsSamePoint(p, a);
    const double r = ((p.X - a.X) * (b.X - a.X) + (p.Y - a.Y) * (b.Y - a.Y)) / l;
    const double s = ((a.Y - p.Y) * (b.X - a.X) - (a.X - p.X) * (b.Y - a.Y)) / l;
    return r >= 0 && r <= 1 && s == 0;
  });
}

bool GisShapeIsNear(const TGIS_Shape& shape, const TGIS_Point& point, int mode, double distance) {
  if (shape.IsEmpty()) return false;
  auto within = [&](const TGIS_Point& v) { return GisPointDistance(v, point) <= distance; };
  switch (mode) {
  case 0:
  case 2:
    for (int part = 0; part < shape.GetNumParts(); ++part)
      for (const TGIS_Point& v : GisShapePartPoints(shape, part))
        if (within(v) == (mode == 2)) return mode == 2;
    return mode == 0;
  case 1:
    return within(shape.GetCentroid());
  default:
    SK_ASSERT(false, GIS_RS_ERR_UNTESTED, "GisLayerVector", __LINE__);
    return false;
  }
}

bool GisShapeIsInside(TGIS_Shape& shape, TGIS_Shape* other, int mode) {
  if (other == nullptr || shape.IsEmpty() || other->IsEmpty()) return false;
  switch (mode) {
  case 0:
    return GisCreateTopology()->Relate(&shape, other, "**F");
  case 1: {
    TGIS_ShapePoint centre(nullptr, {}, false, 0, other->Layer());
    centre.AddPart();
    centre.Lock(1); // converted to the layer, without touching its extent
    centre.AddPoint(shape.GetCentroid());
    return GisCreateTopology()->Relate(&centre, other, "**F");
  }
  case 2:
    return GisCreateTopology()->Relate(&shape, other, "T");
  default:
    return false;
  }
}

bool GisShapeIsKnownPartner(const TGIS_Shape* other) {
  switch (other->ShapeType()) {
  case gisShapeTypePoint:
  case gisShapeTypeMultiPoint:
  case gisShapeTypeArc:
  case gisShapeTypePolygon:
    return true;
  default:
    SK_ASSERT(false, GIS_RS_ERR_UNTESTED, "GisLayerVector", __LINE__);
    return false;
  }
}

std::unique_ptr<TGIS_PointList> GisShapeLineIntersections(const TGIS_Shape& line,
                                                          TGIS_Shape* other) {
  if (!GisShapeIsKnownPartner(other)) return nullptr;
  auto list = std::make_unique<TGIS_PointList>();
  if (IsPointLike(*other)) {
    for (const TGIS_Point& p : GisShapePartPoints(*other, 0))
      GisShapeAnySegment(line, [&](const TGIS_Point& a, const TGIS_Point& b) {
        if (GisPointToSegmentDistance(a, b, p) == 0) list->Add(p);
        return false;
      });
  } else {
    GisShapeAnySegment(*other, [&](const TGIS_Point& q1, const TGIS_Point& q2) {
      return GisShapeAnySegment(line, [&](const TGIS_Point& p1, const TGIS_Point& p2) {
        TGIS_Point at;
        if (GisSegmentsIntersection({q1, q2}, {p1, p2}, at)) list->Add(at);
        return false;
      });
    });
  }
  if (list->Count() == 0) return nullptr;
  return list;
}

double GisShapeDistanceToSegments(const std::vector<TGIS_Point>& part, const TGIS_Point& point,
                                  TGIS_Point& nearest, double best) {
  nearest = point;
  if (part.size() == 1) {
    nearest = part[0];
    return GisPointDistance(part[0], point);
  }
  for (std::size_t i = 1; i < part.size(); ++i) {
    const double d = GisPointToSegmentDistance(part[i - 1], part[i], point);
    if (d < best) {
      best = d;
      nearest = GisNearestPointOnSegment(part[i - 1], part[i], point);
    }
  }
  return best;
}

void GisShapeCheckPart(const TGIS_Shape& shape, int part) {
  SK_ASSERT(part >= 0 && part < shape.GetNumParts(), "Assertion failure", "GisLayerVector",
            __LINE__);
}

void GisShapeDrawToBitmap(const TGIS_Shape& shape, TBitmap& bitmap, int margin, TGIS_Point& scale,
                          bool filled) {
  scale = {0, 0};
  const TGIS_Extent e = shape.GetExtentRaw();
  const double w = e.XMax - e.XMin, h = e.YMax - e.YMin;
  if (shape.IsEmpty() || !(w != 0 && h != 0)) return;
  scale = {(bitmap.Width() - 2.0 * margin) / w, (bitmap.Height() - 2.0 * margin) / h};
  std::vector<TPoint> points;
  std::vector<DWORD> counts;
  for (int part = 0; part < shape.GetNumParts(); ++part) {
    const auto raw = GisShapePartPoints(shape, part);
    if (raw.empty()) continue;
    for (const TGIS_Point& p : raw)
      points.push_back(TPoint(LONG(Round((p.X - e.XMin) * scale.X) + margin),
                              LONG(Round((p.Y - e.YMin) * scale.Y) + margin)));
    counts.push_back(DWORD(raw.size()));
  }
  TCanvas* canvas = bitmap.Canvas();
  canvas->Pen()->SetColor(0xC0C0C0);
  canvas->Pen()->SetWidth(3);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Brush()->SetColor(0);
  canvas->Brush()->SetStyle(bsSolid);
  const HDC dc = canvas->Handle();
  TDCStateSaver state(dc);
  TObjectSelector pen(dc, canvas->Pen()->Handle());
  TObjectSelector brush(dc, canvas->Brush()->Handle());
  if (!filled) {
    PolyPolyline(dc, points.data(), counts.data(), DWORD(counts.size()));
    return;
  }
  std::vector<int> polygonCounts(counts.begin(), counts.end());
  SetPolyFillMode(dc, ALTERNATE);
  PolyPolygon(dc, points.data(), polygonCounts.data(), int(polygonCounts.size()));
}

// ---- the base's answers for shapes without these operations ----------------------------------

std::unique_ptr<TGIS_PointList> TGIS_Shape::GetIntersectionPoints(TGIS_Shape*) {
  return nullptr;
}

void TGIS_Shape::DrawToBitmap(TBitmap&, int, TGIS_Point& scale) {
  scale = {0, 0};
}
