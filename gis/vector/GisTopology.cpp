// The topology object: tolerance, dispatch by kinds, the point operations,
// shape repair and the union of a list of shapes.
#include "gis/vector/GisTopology.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/vector/GisShapeSegments.h"

namespace {

constexpr double Sqrt05 = 0.70710678118654752440;

bool IsPoints(const TGIS_Shape* s) {
  return s->ShapeType() == gisShapeTypePoint || s->ShapeType() == gisShapeTypeMultiPoint;
}

/// A new shape of `type` in `layer` under lock level 1 holding `points`; a
/// multipoint of one point becomes a point shape when `collapse` is set;
/// nullptr without points.
std::unique_ptr<TGIS_Shape> PointsShape(TGIS_ShapeType type, TGIS_Shape* like,
                                        const std::vector<TGIS_Point>& points, bool collapse) {
  if (points.empty()) return nullptr;
  if (collapse && points.size() == 1) type = gisShapeTypePoint;
  auto out = GisCreateShapeOfType(type, like->Uid(), like->Layer());
  out->Lock(1);
  out->AddPart();
  for (const TGIS_Point& p : points)
    out->AddPoint(p);
  out->Unlock();
  return out;
}

/// The nearest point of `set` within `t` of p (the scan stops at distance 0;
/// a later point replaces only when strictly nearer).
const TGIS_Point* NearestWithin(const std::vector<TGIS_Point>& set, const TGIS_Point& p, double t) {
  const TGIS_Point* best = nullptr;
  double bestD = 0;
  for (const TGIS_Point& q : set) {
    const double d = GisPointDistance(p, q);
    if (d > t || (best != nullptr && d >= bestD)) continue;
    best = &q;
    bestD = d;
    if (d == 0) break;
  }
  return best;
}

/// Whether some ring of a polygon encloses a non-zero area.
bool CoversArea(const TGIS_Shape& polygon) {
  if (polygon.IsEmpty()) return false;
  for (int ring = 0; ring < polygon.GetNumParts(); ++ring)
    if (GisRingDoubledArea(GisShapePartPoints(polygon, ring)) != 0) return true;
  return false;
}

} // namespace

TGIS_Topology::~TGIS_Topology() = default;

TGIS_Topology::TOperandScope::TOperandScope(TGIS_Topology& t, TGIS_Shape* a,
                                                  TGIS_Shape* b, bool autoTolerance)
    : t_(t), savedA_(t.shapeA_), savedB_(t.shapeB_) {
  t.shapeA_ = a;
  t.shapeB_ = b;
  if (autoTolerance) t.AutoTolerance();
}

TGIS_Topology::TOperandScope::~TOperandScope() {
  t_.shapeA_ = savedA_;
  t_.shapeB_ = savedB_;
}

std::vector<TGIS_Point> TGIS_Topology::Vertices(const TGIS_Shape& s) {
  std::vector<TGIS_Point> all;
  if (s.IsEmpty()) return all;
  for (int part = 0; part < s.GetNumParts(); ++part)
    for (int i = 0; i < s.GetPartSize(part); ++i)
      all.push_back(s.GetPoint(part, i));
  return all;
}

// ---- tolerance -----------------------------------------------------------------------------

void TGIS_Topology::SetTolerance(double t) {
  tolerance_ = t > 0 ? t : 0;
  snapRadius_ = tolerance_ / 2 * Sqrt05;
  mergeRadius_ = 0.9 * snapRadius_;
}

double TGIS_Topology::AutoTolerance() {
  double w = 0, h = 0, m = 0;
  for (TGIS_Shape* s : {shapeA_, shapeB_}) {
    if (s == nullptr || s->IsEmpty()) continue;
    const TGIS_Extent e = s->GetExtent();
    w = std::max(w, e.XMax - e.XMin);
    h = std::max(h, e.YMax - e.YMin);
    m = std::max({m, std::fabs(e.XMin), std::fabs(e.XMax), std::fabs(e.YMin), std::fabs(e.YMax)});
  }
  const double d0 = std::max(w, h);
  // The tolerance never falls below the resolution of the coordinates
  // themselves: far from the origin the extent alone would ask for less
  // than the spacing of representable numbers there.
  const double d = 2 * std::max(d0, m) / (1e14 * Sqrt05);
  // Capping by the height must not bring a flat operand's tolerance to 0.
  SetTolerance(std::max(d, std::min(tolerance_, 0.49 * h)));
  return d;
}

T_OverlayParams TGIS_Topology::Params() const {
  return {tolerance_, mergeRadius_};
}

std::unique_ptr<T_Contour> TGIS_Topology::PolygonContour(const TGIS_Shape& shape,
                                                               bool raster) const {
  return T_Contour::CreateFromPolygon(shape, snapRadius_, raster);
}

std::unique_ptr<T_Contour> TGIS_Topology::LineContour(const TGIS_Shape& shape) const {
  return T_Contour::CreateFromLine(shape, snapRadius_);
}

// ---- dispatch ------------------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_Topology::Combine(TGIS_Shape* a, TGIS_Shape* b, bool fix,
                                                         TGIS_TopologyOperation operation) {
  try {
    return CombineChecked(a, b, fix, operation);
  } catch (const T_OverlayOverrun&) {
    throw EGIS_Exception(GIS_RS_ERR_TOPOLOGY_CANTBEFIXED);
  }
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::CombineChecked(TGIS_Shape* a, TGIS_Shape* b,
                                                                bool fix,
                                                                TGIS_TopologyOperation op) {
  if (a == nullptr && b == nullptr) return nullptr;
  if (a == nullptr)
    return op == gisTopologyUnion || op == gisTopologySymmetricDifference ? b->CreateCopy()
                                                                          : nullptr;
  if (b == nullptr) return op != gisTopologyIntersection ? a->CreateCopy() : nullptr;
  const auto fixPolygon = [&](TGIS_Shape* s) {
    if (fix && s->ShapeType() == gisShapeTypePolygon) FixShape(s, false);
  };
  const TGIS_ShapeType ta = a->ShapeType(), tb = b->ShapeType();
  switch (ta) {
  case gisShapeTypePoint:
    if (tb == gisShapeTypePoint) return CombinePoints(a, b, op);
    if (tb == gisShapeTypeMultiPoint) return CombinePointWithPoints(a, b, op);
    if (tb == gisShapeTypeArc) return CombinePointsWithLine(a, b, op);
    if (tb == gisShapeTypePolygon) return fixPolygon(b), CombinePointsWithPolygon(a, b, op);
    return nullptr;
  case gisShapeTypeMultiPoint:
    if (tb == gisShapeTypePoint)
      return op == gisTopologyDifference ? SubtractPoint(a, b) : CombinePointWithPoints(b, a, op);
    if (tb == gisShapeTypeMultiPoint) return CombinePointSets(a, b, op);
    if (tb == gisShapeTypeArc) return CombinePointsWithLine(a, b, op);
    if (tb == gisShapeTypePolygon) return fixPolygon(b), CombinePointsWithPolygon(a, b, op);
    return nullptr;
  case gisShapeTypeArc:
    if (IsPoints(b)) return CombinePointsWithLine(b, a, op);
    if (tb == gisShapeTypeArc) return CombineLines(a, b, op);
    if (tb == gisShapeTypePolygon) return fixPolygon(b), CombineLineWithPolygon(a, b, op);
    return nullptr;
  case gisShapeTypePolygon:
    fixPolygon(a);
    if (IsPoints(b)) return CombinePointsWithPolygon(b, a, op);
    if (tb == gisShapeTypeArc)
      return op == gisTopologyIntersection ? CombineLineWithPolygon(b, a, op) : nullptr;
    if (tb == gisShapeTypePolygon) return fixPolygon(b), CombinePolygons(a, b, op);
    return nullptr;
  default:
    return nullptr;
  }
}

// ---- polygons and lines --------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_Topology::CombinePolygons(TGIS_Shape* a, TGIS_Shape* b,
                                                                 TGIS_TopologyOperation op) {
  const TOperandScope operands(*this, a, b);
  const auto ca = PolygonContour(*a, false);
  const auto cb = PolygonContour(*b, false);
  // An operand is empty when its contour has no vertices at all, whatever
  // its first ring looks like.
  if (ca->IsEmpty() || cb->IsEmpty()) {
    if (ca->IsEmpty() && cb->IsEmpty()) return nullptr;
    if (op == gisTopologyIntersection) return nullptr;
    if (op == gisTopologyDifference) return ca->IsEmpty() ? nullptr : a->CreateCopy();
    return ca->IsEmpty() ? b->CreateCopy() : a->CreateCopy();
  }
  const auto result = GisCombineContours(*ca, cb.get(), op, Params());
  if (result == nullptr) return nullptr;
  auto out = GisCreateShapeOfType(gisShapeTypePolygon, a->Uid(), a->Layer());
  result->WriteToShape(*out);
  return out;
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::CombineLineWithPolygon(TGIS_Shape* line,
                                                                        TGIS_Shape* polygon,
                                                                        TGIS_TopologyOperation op) {
  const TOperandScope operands(*this, line, polygon);
  const auto cl = LineContour(*line);
  const auto cp = PolygonContour(*polygon, false);
  if (cl->IsEmpty()) return nullptr;
  if (cp->IsEmpty()) return op == gisTopologyDifference ? line->CreateCopy() : nullptr;
  const auto result = GisCombineLineWithPolygon(*cl, *cp, op, Params());
  if (result == nullptr) return nullptr;
  auto out = GisCreateShapeOfType(gisShapeTypeArc, line->Uid(), line->Layer());
  result->WriteToShape(*out);
  return out;
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::CombineLines(TGIS_Shape* a, TGIS_Shape* b,
                                                              TGIS_TopologyOperation op) {
  const TOperandScope operands(*this, a, b);
  const auto ca = LineContour(*a);
  const auto cb = LineContour(*b);
  if (ca->IsEmpty() && cb->IsEmpty()) return nullptr;
  if (ca->IsEmpty())
    return op == gisTopologyUnion || op == gisTopologySymmetricDifference ? b->CreateCopy()
                                                                          : nullptr;
  if (cb->IsEmpty()) return op == gisTopologyIntersection ? nullptr : a->CreateCopy();
  const auto result = GisOverlayLines(*ca, *cb, op, Params());
  if (result == nullptr) return nullptr;
  auto out = GisCreateShapeOfType(gisShapeTypeArc, a->Uid(), a->Layer());
  result->WriteToShape(*out);
  return out;
}

// ---- points --------------------------------------------------------------------------------

std::unique_ptr<TGIS_Shape>
TGIS_Topology::CombinePointsWithPolygon(TGIS_Shape* points, TGIS_Shape* polygon,
                                              TGIS_TopologyOperation op) {
  if (op != gisTopologyIntersection && op != gisTopologyDifference) return nullptr;
  const TOperandScope operands(*this, points, polygon);
  const auto c = PolygonContour(*polygon, false);
  std::vector<TGIS_Point> taken;
  for (const TGIS_Point& v : Vertices(*points)) {
    if (c->PointInContour(v)) {
      if (op == gisTopologyIntersection) taken.push_back(v);
      continue;
    }
    TGIS_Point w = v;
    const bool onBoundary = c->SnapVertex(v, w, tolerance_);
    if (op == gisTopologyIntersection && onBoundary) taken.push_back(w);
    if (op == gisTopologyDifference && !onBoundary) taken.push_back(v);
  }
  return PointsShape(points->ShapeType(), points, taken, false);
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::CombinePointsWithLine(TGIS_Shape* points,
                                                                       TGIS_Shape* line,
                                                                       TGIS_TopologyOperation op) {
  if (op != gisTopologyIntersection && op != gisTopologyDifference) return nullptr;
  const TOperandScope operands(*this, points, line);
  const auto c = LineContour(*line);
  std::vector<TGIS_Point> taken;
  for (const TGIS_Point& v : Vertices(*points)) {
    TGIS_Point w = v;
    const bool onLine = c->SnapVertex(v, w, tolerance_);
    if (op == gisTopologyIntersection && onLine) taken.push_back(w);
    if (op == gisTopologyDifference && !onLine) taken.push_back(v);
  }
  return PointsShape(points->ShapeType(), points, taken, false);
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::CombinePointSets(TGIS_Shape* a, TGIS_Shape* b,
                                                                  TGIS_TopologyOperation op) {
  const TOperandScope operands(*this, a, b);
  const std::vector<TGIS_Point> pa = Vertices(*a), pb = Vertices(*b);
  std::vector<TGIS_Point> out;
  for (const TGIS_Point& p : pa) {
    const TGIS_Point* n = NearestWithin(pb, p, tolerance_);
    if (op == gisTopologyIntersection && n != nullptr) out.push_back(*n);
    if (op != gisTopologyIntersection && (n == nullptr || op == gisTopologyUnion)) out.push_back(p);
  }
  if (op == gisTopologyUnion || op == gisTopologySymmetricDifference)
    for (const TGIS_Point& p : pb)
      if (NearestWithin(pa, p, tolerance_) == nullptr) out.push_back(p);
  return PointsShape(gisShapeTypeMultiPoint, a, out, false);
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::CombinePointWithPoints(TGIS_Shape* point,
                                                                        TGIS_Shape* points,
                                                                        TGIS_TopologyOperation op) {
  const TOperandScope operands(*this, point, points);
  if (point->IsEmpty()) return nullptr;
  const TGIS_Point q = point->GetPoint(0, 0);
  const std::vector<TGIS_Point> set = Vertices(*points);
  const auto near = [&](const TGIS_Point& p) { return GisPointDistance(p, q) <= tolerance_; };
  const bool anyNear = std::any_of(set.begin(), set.end(), near);
  std::vector<TGIS_Point> out;
  switch (op) {
  case gisTopologyUnion:
    out = set;
    if (!anyNear) out.push_back(q);
    break;
  case gisTopologyIntersection:
    for (const TGIS_Point& p : set)
      if (near(p)) {
        out.push_back(p);
        break;
      }
    break;
  case gisTopologyDifference:
    if (!anyNear) out.push_back(q);
    break;
  case gisTopologySymmetricDifference:
    for (const TGIS_Point& p : set)
      if (!near(p)) out.push_back(p);
    if (!anyNear) out.push_back(q);
    break;
  }
  return PointsShape(gisShapeTypeMultiPoint, point, out, true);
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::SubtractPoint(TGIS_Shape* points,
                                                               TGIS_Shape* point) {
  const TOperandScope operands(*this, points, point);
  if (point->IsEmpty()) return points->CreateCopy();
  const TGIS_Point q = point->GetPoint(0, 0);
  std::vector<TGIS_Point> out;
  for (const TGIS_Point& p : Vertices(*points))
    if (GisPointDistance(p, q) > tolerance_) out.push_back(p);
  return PointsShape(gisShapeTypeMultiPoint, points, out, true);
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::CombinePoints(TGIS_Shape* a, TGIS_Shape* b,
                                                               TGIS_TopologyOperation op) {
  const TOperandScope operands(*this, a, b);
  if (a->IsEmpty() || b->IsEmpty()) return nullptr;
  const TGIS_Point pa = a->GetPoint(0, 0), pb = b->GetPoint(0, 0);
  const bool apart = GisPointDistance(pa, pb) > tolerance_;
  std::vector<TGIS_Point> out;
  switch (op) {
  case gisTopologyUnion:
    out = apart ? std::vector<TGIS_Point>{pa, pb} : std::vector<TGIS_Point>{pa};
    break;
  case gisTopologyIntersection:
    if (!apart) out = {pa};
    break;
  case gisTopologyDifference:
    if (apart) out = {pa};
    break;
  case gisTopologySymmetricDifference:
    if (apart) out = {pa, pb};
    break;
  }
  if (out.empty()) return nullptr;
  auto result = GisCreateShapeOfType(out.size() == 1 ? gisShapeTypePoint : gisShapeTypeMultiPoint,
                                     a->Uid(), a->Layer());
  result->AddPart();
  for (const TGIS_Point& p : out)
    result->AddPoint(p);
  return result;
}

// ---- repair --------------------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_Topology::FixShape(TGIS_Shape* shape, bool makeNew) {
  bool changed = false;
  return FixShapeEx(shape, makeNew, changed);
}

std::unique_ptr<TGIS_Shape> TGIS_Topology::FixShapeEx(TGIS_Shape* shape, bool makeNew,
                                                            bool& changed) {
  changed = false;
  if (shape == nullptr) return nullptr;
  const TGIS_ShapeType type = shape->ShapeType();
  if (type != gisShapeTypePolygon && type != gisShapeTypeArc) return nullptr;
  if (!makeNew && shape->IsMapped()) throw EGIS_Exception(GIS_RS_ERR_NOEDITABLE);
  const TOperandScope operands(*this, shape, nullptr);
  std::unique_ptr<T_Contour> fixed;
  try {
    if (type == gisShapeTypePolygon) {
      auto c = PolygonContour(*shape, false);
      fixed =
          c->IsEmpty() ? std::move(c) : GisCombineContours(*c, nullptr, gisTopologyUnion, Params());
    } else {
      auto c = LineContour(*shape);
      fixed = c->IsEmpty() ? std::move(c) : GisSplitLine(*c, Params());
    }
  } catch (const T_OverlayOverrun&) {
    throw EGIS_Exception(GIS_RS_ERR_TOPOLOGY_CANTBEFIXED);
  }
  if (fixed == nullptr) fixed = std::make_unique<T_Contour>();
  // A polygon that covers some area is never emptied: what the engine could
  // not keep stays as it was.
  if (type == gisShapeTypePolygon && fixed->IsEmpty() && CoversArea(*shape)) {
    if (!makeNew) return nullptr;
    auto out = GisCreateShapeOfType(type, shape->Uid(), shape->Layer());
    out->CopyGeometry(*shape);
    return out;
  }

  // Changed: the stored vertices differ from what the contour writes back.
  std::vector<std::vector<TGIS_Point>> before;
  if (!shape->IsEmpty())
    for (int part = 0; part < shape->GetNumParts(); ++part) {
      std::vector<TGIS_Point> pts;
      for (int i = 0; i < shape->GetPartSize(part); ++i)
        pts.push_back(shape->GetPoint(part, i));
      if (type == gisShapeTypePolygon && !pts.empty()) pts.pop_back();
      before.push_back(std::move(pts));
    }
  if (before.size() != fixed->Parts.size()) {
    changed = true;
  } else {
    for (std::size_t i = 0; i < before.size() && !changed; ++i) {
      const auto& after = fixed->Parts[i].Points;
      changed = before[i].size() != after.size() ||
                !std::equal(
                    after.begin(), after.end(), before[i].begin(),
                    [](const TGIS_Point& x, const TGIS_Point& y) { return GisIsSamePoint(x, y); });
    }
  }

  if (makeNew) {
    auto out = GisCreateShapeOfType(type, shape->Uid(), shape->Layer());
    fixed->WriteToShape(*out);
    return out;
  }
  if (changed) {
    if (fixed->IsEmpty()) {
      shape->Lock(1);
      shape->Reset();
      shape->Unlock();
    } else {
      fixed->WriteToShape(*shape);
    }
  }
  shape->SetIsFixed(true);
  return nullptr;
}

// ---- union of a list -----------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_Topology::UnionShapes(const std::vector<TGIS_Shape*>& list) {
  if (list.empty()) return nullptr;
  try {
    if (list.front()->ShapeType() == gisShapeTypePolygon) {
      const TOperandScope operands(*this, list[0], list.size() > 1 ? list[1] : nullptr);
      std::vector<std::unique_ptr<T_Contour>> work;
      for (TGIS_Shape* s : list) {
        if (s == nullptr || s->ShapeType() != gisShapeTypePolygon) continue;
        auto c = PolygonContour(*s, false);
        if (!c->IsEmpty()) work.push_back(std::move(c));
      }
      // Neighbours are united pass by pass, an odd last one carried over.
      std::size_t passes = 0;
      while (work.size() > 1 || (work.size() == 1 && passes == 0)) {
        if (++passes > 4 * 64 + 16) throw T_OverlayOverrun{};
        std::vector<std::unique_ptr<T_Contour>> next;
        for (std::size_t i = 0; i < work.size(); i += 2) {
          const T_Contour* second = i + 1 < work.size() ? work[i + 1].get() : nullptr;
          auto u = GisCombineContours(*work[i], second, gisTopologyUnion, Params());
          if (u != nullptr) next.push_back(std::move(u));
        }
        work = std::move(next);
      }
      if (work.empty()) return nullptr;
      auto out = list.front()->CreateCopy();
      work.front()->WriteToShape(*out);
      return out;
    }
    std::vector<std::unique_ptr<TGIS_Shape>> work;
    for (TGIS_Shape* s : list)
      if (s != nullptr) work.push_back(s->CreateCopy());
    while (work.size() > 1) {
      std::vector<std::unique_ptr<TGIS_Shape>> next;
      for (std::size_t i = 0; i < work.size(); i += 2) {
        if (i + 1 == work.size()) {
          next.push_back(std::move(work[i]));
          break;
        }
        auto u = CombineChecked(work[i].get(), work[i + 1].get(), false, gisTopologyUnion);
        if (u != nullptr) next.push_back(std::move(u));
      }
      work = std::move(next);
    }
    return work.empty() ? nullptr : std::move(work.front());
  } catch (const T_OverlayOverrun&) {
    throw EGIS_Exception(GIS_RS_ERR_TOPOLOGY_CANTBEFIXED);
  }
}
