// Topology contours: building from shapes, point tests, the point-test
// raster and writing back into shapes.
#include "gis/vector/GisTopologyContour.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "gis/vector/GisShape.h"
#include "gis/vector/GisShapePolygon.h"

namespace {

TGIS_Extent ExtentOf(const std::vector<TGIS_Point>& points) {
  TGIS_Extent e = GisEmptyExtent();
  for (const TGIS_Point& p : points) {
    if (GisIsEmptyExtent(e)) {
      e = {p.X, p.Y, p.X, p.Y};
    } else {
      e.XMin = std::min(e.XMin, p.X);
      e.YMin = std::min(e.YMin, p.Y);
      e.XMax = std::max(e.XMax, p.X);
      e.YMax = std::max(e.YMax, p.Y);
    }
  }
  return e;
}

bool InsideBox(const TGIS_Extent& e, const TGIS_Point& p) {
  return !GisIsEmptyExtent(e) && p.X >= e.XMin && p.X <= e.XMax && p.Y >= e.YMin && p.Y <= e.YMax;
}

/// The stored vertices of one part, thinned: a vertex closer than `minGap`
/// to the last taken one is dropped.
std::vector<TGIS_Point> ThinnedPart(const TGIS_Shape& shape, int part, int count, double minGap) {
  std::vector<TGIS_Point> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TGIS_Point p = shape.GetPoint(part, i);
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
    if (out.empty() || GisPointDistance(out.back(), p) >= minGap) out.push_back(p);
  }
  return out;
}

/// The number of edges a part has: a ring closes, a chain does not.
int EdgeCount(const T_ContourPart& part, bool closed) {
  const int n = static_cast<int>(part.Points.size());
  return closed ? n : std::max(0, n - 1);
}

} // namespace

double GisRingDoubledArea(const std::vector<TGIS_Point>& ring) {
  if (ring.size() < 3) return 0;
  const TGIS_Point o = ring.front();
  double sum = 0;
  for (std::size_t i = 1; i + 1 < ring.size(); ++i) {
    const double x0 = ring[i].X - o.X, y0 = ring[i].Y - o.Y;
    const double x1 = ring[i + 1].X - o.X, y1 = ring[i + 1].Y - o.Y;
    sum += x0 * y1 - y0 * x1;
  }
  return sum;
}

// ---- parts ---------------------------------------------------------------------------------

void T_ContourPart::RecomputeExtent() {
  Extent = ExtentOf(Points);
}

void T_ContourPart::RecomputeArea() {
  Area = GisRingDoubledArea(Points);
}

void T_ContourPart::Reverse() {
  std::reverse(Points.begin(), Points.end());
  // Keep the first vertex first so the area sums about the same origin.
  if (!Points.empty()) std::rotate(Points.begin(), Points.end() - 1, Points.end());
  Area = -Area;
  Reversed = !Reversed;
}

// ---- building ------------------------------------------------------------------------------

std::unique_ptr<T_Contour> T_Contour::CreateFromPolygon(const TGIS_Shape& shape, double t,
                                                        bool raster) {
  auto c = std::make_unique<T_Contour>();
  c->Closed = true;
  c->Tolerance = t;
  c->AreaEpsilon = 0.05 * t;
  if (!shape.IsEmpty()) {
    for (int part = 0; part < shape.GetNumParts(); ++part) {
      const int count = shape.GetPartSize(part);
      if (count <= 3) continue;
      std::vector<TGIS_Point> pts = ThinnedPart(shape, part, count, 0.9 * t);
      // The stored closing vertex and trailing vertices near the first go.
      while (pts.size() > 3 && GisPointDistance(pts.back(), pts.front()) < t)
        pts.pop_back();
      if (pts.size() < 3) continue;
      T_ContourPart p;
      p.Points = std::move(pts);
      p.RecomputeExtent();
      p.RecomputeArea();
      c->Parts.push_back(std::move(p));
    }
  }
  c->RecomputeExtent();
  if (raster) c->BuildRaster();
  return c;
}

std::unique_ptr<T_Contour> T_Contour::CreateFromLine(const TGIS_Shape& shape, double t) {
  auto c = std::make_unique<T_Contour>();
  c->Closed = false;
  c->Tolerance = t;
  c->AreaEpsilon = 0.05 * t;
  if (!shape.IsEmpty()) {
    for (int part = 0; part < shape.GetNumParts(); ++part) {
      const int count = shape.GetPartSize(part);
      if (count <= 1) continue;
      std::vector<TGIS_Point> pts = ThinnedPart(shape, part, count, 0.9 * t);
      if (pts.size() < 2) continue;
      T_ContourPart p;
      p.Points = std::move(pts);
      p.RecomputeExtent();
      c->Parts.push_back(std::move(p));
    }
  }
  c->RecomputeExtent();
  return c;
}

int T_Contour::VertexCount() const {
  int n = 0;
  for (const T_ContourPart& p : Parts)
    n += static_cast<int>(p.Points.size());
  return n;
}

void T_Contour::RecomputeExtent() {
  Extent = GisEmptyExtent();
  for (const T_ContourPart& p : Parts)
    Extent = GisExtentUnion(Extent, p.Extent);
  strips_.clear();
  index_.Clear();
}

// ---- point tests ---------------------------------------------------------------------------

void T_Contour::BuildStrips() const {
  int edges = 0;
  for (const T_ContourPart& p : Parts)
    edges += EdgeCount(p, Closed);
  const int count = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(edges))), 1, 4096);
  strips_.assign(static_cast<std::size_t>(count), {});
  stripY0_ = Extent.YMin;
  const double h = Extent.YMax - Extent.YMin;
  stripH_ = h > 0 ? h / count : 1;
  for (int pi = 0; pi < static_cast<int>(Parts.size()); ++pi) {
    const T_ContourPart& part = Parts[static_cast<std::size_t>(pi)];
    const int n = static_cast<int>(part.Points.size());
    for (int i = 0; i < EdgeCount(part, Closed); ++i) {
      const TGIS_Point& a = part.Points[static_cast<std::size_t>(i)];
      const TGIS_Point& b = part.Points[static_cast<std::size_t>((i + 1) % n)];
      const int s0 = StripOf(std::min(a.Y, b.Y)), s1 = StripOf(std::max(a.Y, b.Y));
      for (int s = s0; s <= s1; ++s)
        strips_[static_cast<std::size_t>(s)].push_back({pi, i});
    }
  }
}

int T_Contour::StripOf(double y) const {
  const int count = static_cast<int>(strips_.size());
  return std::clamp(static_cast<int>((y - stripY0_) / stripH_), 0, count - 1);
}

void T_Contour::BuildIndex() const {
  std::vector<TGIS_SegmentStrips::TSegment> segments;
  segments.reserve(static_cast<std::size_t>(SegmentCount()));
  for (int pi = 0; pi < static_cast<int>(Parts.size()); ++pi) {
    const T_ContourPart& part = Parts[static_cast<std::size_t>(pi)];
    const std::size_t n = part.Points.size();
    for (int i = 0; i < EdgeCount(part, Closed); ++i)
      segments.push_back({part.Points[static_cast<std::size_t>(i)],
                          part.Points[(static_cast<std::size_t>(i) + 1) % n], pi});
  }
  index_.Build(segments);
}

bool T_Contour::ExactPointInContour(const TGIS_Point& p, int part) const {
  if (!index_.IsBuilt()) BuildIndex();
  return index_.OddCrossings(p, part);
}

bool T_Contour::OddCrossings(const TGIS_Point& p) const {
  return ExactPointInContour(p, -1);
}

bool T_Contour::PointInContour(const TGIS_Point& p, int part) const {
  if (!Closed || !InsideBox(Extent, p)) return false;
  if (part < 0 && HasRaster()) {
    const std::uint8_t v = RasterValue(p);
    if (v == 0) return true;
    if (v == 255) return false;
  }
  return ExactPointInContour(p, part);
}

bool T_Contour::PointOnBoundary(const TGIS_Point& p, int part) const {
  const TGIS_Extent grown{Extent.XMin - AreaEpsilon, Extent.YMin - AreaEpsilon,
                          Extent.XMax + AreaEpsilon, Extent.YMax + AreaEpsilon};
  if (!InsideBox(grown, p)) return false;
  if (part < 0 && HasRaster()) {
    const std::uint8_t v = RasterValue(p);
    if (v == 0 || v == 255) return false;
  }
  if (!index_.IsBuilt()) BuildIndex();
  return index_.AnyWithin(p, AreaEpsilon, part);
}

void T_Contour::ForEachSegmentIn(const TGIS_Extent& box,
                                 const std::function<void(int part, int index)>& visit) const {
  if (strips_.empty()) BuildStrips();
  const int s0 = StripOf(box.YMin), s1 = StripOf(box.YMax);
  for (int s = s0; s <= s1; ++s) {
    for (const TEdgeRef& e : strips_[static_cast<std::size_t>(s)]) {
      const T_ContourPart& cp = Parts[static_cast<std::size_t>(e.Part)];
      const TGIS_Point& a = cp.Points[static_cast<std::size_t>(e.Index)];
      const TGIS_Point& b = cp.Points[(static_cast<std::size_t>(e.Index) + 1) % cp.Points.size()];
      if (std::max(a.X, b.X) < box.XMin || std::min(a.X, b.X) > box.XMax ||
          std::max(a.Y, b.Y) < box.YMin || std::min(a.Y, b.Y) > box.YMax)
        continue;
      // A segment spanning several strips is visited from the first of them
      // that the box covers.
      const int first = StripOf(std::min(a.Y, b.Y));
      if (s != std::max(first, s0)) continue;
      visit(e.Part, e.Index);
    }
  }
}

int T_Contour::SegmentCount() const {
  int n = 0;
  for (const T_ContourPart& p : Parts)
    n += EdgeCount(p, Closed);
  return n;
}

bool T_Contour::SnapVertex(const TGIS_Point& source, TGIS_Point& working, double d) const {
  bool snapped = false;
  double best = 0;
  for (const T_ContourPart& cp : Parts) {
    const std::size_t n = cp.Points.size();
    for (int i = 0; i < EdgeCount(cp, Closed); ++i) {
      const TGIS_Point& q = cp.Points[static_cast<std::size_t>(i)];
      const TGIS_Point& q1 = cp.Points[(static_cast<std::size_t>(i) + 1) % n];
      if (source.X < std::min(q.X, q1.X) - d || source.X > std::max(q.X, q1.X) + d ||
          source.Y < std::min(q.Y, q1.Y) - d || source.Y > std::max(q.Y, q1.Y) + d)
        continue;
      if (GisIsSamePoint(source, q) || GisIsSamePoint(source, q1)) {
        working = source;
        return true;
      }
      const double u = GisPointToSegmentDistance(q, q1, source);
      if (u > d) continue;
      if (!snapped || u < best) {
        working = GisNearestPointOnSegment(q, q1, source);
        best = u;
      }
      snapped = true;
    }
  }
  return snapped;
}

bool T_Contour::NearChainEnd(const TGIS_Point& p, double d) const {
  for (const T_ContourPart& cp : Parts) {
    if (cp.Points.empty()) continue;
    if (GisPointDistance(p, cp.Points.front()) <= d || GisPointDistance(p, cp.Points.back()) <= d)
      return true;
  }
  return false;
}

// ---- raster --------------------------------------------------------------------------------

std::uint8_t T_Contour::RasterValue(const TGIS_Point& p) const {
  const double fx = (p.X - rasterOrigin_.X) * rasterScaleX_;
  const double fy = (p.Y - rasterOrigin_.Y) * rasterScaleY_;
  const long col = std::lround(fx) + RasterMargin, row = std::lround(fy) + RasterMargin;
  if (col < 0 || row < 0 || col >= RasterSize || row >= RasterSize) return 128;
  return raster_[static_cast<std::size_t>(row) * RasterSize + static_cast<std::size_t>(col)];
}

int T_Contour::RasterSide(const TGIS_Point& p) const {
  if (!HasRaster()) return -1;
  if (!InsideBox(Extent, p)) return 0;
  const std::uint8_t v = RasterValue(p);
  return v == 0 ? 1 : v == 255 ? 0 : -1;
}

int T_Contour::RasterRegion(const TGIS_Extent& box) const {
  if (!HasRaster()) return -1;
  if (box.XMin > Extent.XMax || box.XMax < Extent.XMin || box.YMin > Extent.YMax ||
      box.YMax < Extent.YMin)
    return 0;
  const long c0 = std::lround((box.XMin - rasterOrigin_.X) * rasterScaleX_) + RasterMargin;
  const long c1 = std::lround((box.XMax - rasterOrigin_.X) * rasterScaleX_) + RasterMargin;
  const long r0 = std::lround((box.YMin - rasterOrigin_.Y) * rasterScaleY_) + RasterMargin;
  const long r1 = std::lround((box.YMax - rasterOrigin_.Y) * rasterScaleY_) + RasterMargin;
  if (c0 < 0 || r0 < 0 || c1 >= RasterSize || r1 >= RasterSize) return -1;
  const std::uint32_t cells = static_cast<std::uint32_t>((c1 - c0 + 1) * (r1 - r0 + 1));
  const auto count = [&](const std::vector<std::uint32_t>& sums) {
    const auto at = [&](long r, long c) {
      return sums[static_cast<std::size_t>(r) * (RasterSize + 1) + static_cast<std::size_t>(c)];
    };
    return at(r1 + 1, c1 + 1) - at(r0, c1 + 1) - at(r1 + 1, c0) + at(r0, c0);
  };
  if (count(insideSums_) == cells) return 1;
  if (count(outsideSums_) == cells) return 0;
  return -1;
}

void T_Contour::BuildRaster() {
  raster_.clear();
  insideSums_.clear();
  outsideSums_.clear();
  const double w = Extent.XMax - Extent.XMin, h = Extent.YMax - Extent.YMin;
  if (!Closed || Parts.empty() || !(w > 0) || !(h > 0)) return;
  const int span = RasterSize - 2 * RasterMargin - 1;
  rasterOrigin_ = {Extent.XMin, Extent.YMin};
  rasterScaleX_ = span / w;
  rasterScaleY_ = span / h;
  std::vector<std::uint8_t> cells(static_cast<std::size_t>(RasterSize) * RasterSize, 255);
  // Cells an edge passes through or near answer through the exact test.
  const auto mark = [&](double fx, double fy) {
    const long c = std::lround(fx) + RasterMargin, r = std::lround(fy) + RasterMargin;
    for (long rr = r - 1; rr <= r + 1; ++rr)
      for (long cc = c - 1; cc <= c + 1; ++cc)
        if (rr >= 0 && cc >= 0 && rr < RasterSize && cc < RasterSize)
          cells[static_cast<std::size_t>(rr) * RasterSize + static_cast<std::size_t>(cc)] = 128;
  };
  for (const T_ContourPart& cp : Parts) {
    const std::size_t n = cp.Points.size();
    for (std::size_t i = 0; i < n; ++i) {
      const TGIS_Point& a = cp.Points[i];
      const TGIS_Point& b = cp.Points[(i + 1) % n];
      const double ax = (a.X - rasterOrigin_.X) * rasterScaleX_;
      const double ay = (a.Y - rasterOrigin_.Y) * rasterScaleY_;
      const double bx = (b.X - rasterOrigin_.X) * rasterScaleX_;
      const double by = (b.Y - rasterOrigin_.Y) * rasterScaleY_;
      const int steps = static_cast<int>(std::ceil(std::hypot(bx - ax, by - ay) * 4)) + 1;
      for (int s = 0; s <= steps; ++s) {
        const double f = static_cast<double>(s) / steps;
        mark(ax + (bx - ax) * f, ay + (by - ay) * f);
      }
    }
  }
  // The other cells take the answer of their centre.
  for (int row = 0; row < RasterSize; ++row) {
    for (int col = 0; col < RasterSize; ++col) {
      std::uint8_t& cell =
          cells[static_cast<std::size_t>(row) * RasterSize + static_cast<std::size_t>(col)];
      if (cell == 128) continue;
      const TGIS_Point centre{rasterOrigin_.X + (col - RasterMargin) / rasterScaleX_,
                              rasterOrigin_.Y + (row - RasterMargin) / rasterScaleY_};
      cell = InsideBox(Extent, centre) && ExactPointInContour(centre, -1) ? 0 : 255;
    }
  }
  raster_ = std::move(cells);
  // Summed-area tables of the inside and the outside cells.
  const std::size_t stride = RasterSize + 1;
  insideSums_.assign(stride * stride, 0);
  outsideSums_.assign(stride * stride, 0);
  for (std::size_t r = 0; r < RasterSize; ++r) {
    for (std::size_t c = 0; c < RasterSize; ++c) {
      const std::uint8_t v = raster_[r * RasterSize + c];
      const std::size_t k = (r + 1) * stride + c + 1;
      insideSums_[k] =
          (v == 0) + insideSums_[k - 1] + insideSums_[k - stride] - insideSums_[k - stride - 1];
      outsideSums_[k] = (v == 255) + outsideSums_[k - 1] + outsideSums_[k - stride] -
                        outsideSums_[k - stride - 1];
    }
  }
}

// ---- writing -------------------------------------------------------------------------------

void T_Contour::WriteToShape(TGIS_Shape& shape) const {
  if (IsEmpty()) return;
  shape.Lock(1);
  shape.Reset();
  auto* polygon = dynamic_cast<TGIS_ShapePolygon*>(&shape);
  for (const T_ContourPart& cp : Parts) {
    if (cp.Points.empty()) continue;
    shape.AddPart();
    for (const TGIS_Point& p : cp.Points) {
      if (polygon != nullptr) {
        polygon->AddRingPoint(p);
      } else {
        shape.AddPoint(p);
      }
    }
  }
  shape.SetIsFixed(true);
  shape.Unlock();
}
