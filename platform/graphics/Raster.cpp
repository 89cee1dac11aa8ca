// The raster engine: spans of covered pixels, combined with the surface by
// the raster operations.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/graphics/GdiInternal.h"

namespace gdi {

namespace {
inline int PosMod(int a, int m) {
  int r = a % m;
  return r < 0 ? r + m : r;
}

bool HatchBit(int hatch, int px, int py) {
  switch (hatch) {
  case HS_HORIZONTAL:
    return py == 0;
  case HS_VERTICAL:
    return px == 0;
  case HS_FDIAGONAL:
    return px == py;
  case HS_BDIAGONAL:
    return px + py == 7;
  case HS_CROSS:
    return px == 0 || py == 0;
  case HS_DIAGCROSS:
    return px == py || px + py == 7;
  default:
    return false;
  }
}
} // namespace

bool TFill::ColorAt(int x, int y, COLORREF& out) const {
  switch (kind) {
  case Solid:
    out = color;
    return true;
  case Hatch:
    if (HatchBit(hatch, PosMod(x - orgX, 8), PosMod(y - orgY, 8))) {
      out = color;
      return true;
    }
    out = bk;
    return opaque;
  case Pattern: {
    int w = pattern->DibWidth(), h = pattern->DibHeight();
    if (w <= 0 || h <= 0) return false;
    int px = PosMod(x - orgX, w), py = PosMod(y - orgY, h);
    if (monoPattern) {
      const std::uint8_t* row = pattern->StoredRow(py);
      int bit = (row[px / 8] >> (7 - (px & 7))) & 1;
      out = bit ? bk : text;
    } else {
      out = pattern->PixelColor(px, py);
    }
    return true;
  }
  default:
    return false;
  }
}

TTarget::TTarget(TSurface* surface, const std::vector<QRect>* clip)
    : surface_(surface), clip_(clip) {
  dirtyX0_ = dirtyY0_ = INT_MAX;
  dirtyX1_ = dirtyY1_ = INT_MIN;
  if (!surface) return;
  bits_ = surface->Bits();
  if (!bits_) return;
  stride_ = surface->Stride();
  bytes_ = surface->BitsPerPixel() / 8;
  fourth_ = surface->FourthByte();
  width_ = surface->Width();
  height_ = surface->Height();
}

void TTarget::Touch(int x0, int y0, int x1, int y1) {
  dirtyX0_ = std::min(dirtyX0_, x0);
  dirtyY0_ = std::min(dirtyY0_, y0);
  dirtyX1_ = std::max(dirtyX1_, x1);
  dirtyY1_ = std::max(dirtyY1_, y1);
}

void TTarget::Finish() {
  if (surface_ && dirtyX0_ < dirtyX1_)
    surface_->Changed(TRect(dirtyX0_, dirtyY0_, dirtyX1_, dirtyY1_));
  dirtyX0_ = dirtyY0_ = INT_MAX;
  dirtyX1_ = dirtyY1_ = INT_MIN;
}

namespace {
/// The clip rectangles are y-x banded (as regions keep them): the first one
/// that can hold row y, found by its bottom.
std::vector<QRect>::const_iterator FirstForRow(const std::vector<QRect>& rects, int y) {
  return std::lower_bound(rects.begin(), rects.end(), y,
                          [](const QRect& r, int row) { return r.bottom() < row; });
}
} // namespace

bool TTarget::Visible(int x, int y) const {
  if (!bits_) return false;
  for (auto it = FirstForRow(*clip_, y); it != clip_->end() && it->top() <= y; ++it)
    if (it->contains(x, y)) return true;
  return false;
}

bool TTarget::Claim(const QRect& box) {
  if (!bits_ || box.isEmpty()) return false;
  for (auto it = FirstForRow(*clip_, box.top()); it != clip_->end() && it->top() <= box.top(); ++it)
    if (it->contains(box)) {
      Touch(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
      return true;
    }
  return false;
}

namespace {
/// Writes `color` into `n` pixels from `p`, a whole row at a time: a 32-bit
/// pixel gets `fourth` as its fourth byte, or keeps its own when that is -1.
void FillRowSolid(std::uint8_t* p, int n, int bytes, int fourth, COLORREF color) {
  const std::uint8_t b = GetBValue(color), g = GetGValue(color), r = GetRValue(color);
  if (bytes == 4) {
    const std::uint32_t rgb = (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
    const std::uint32_t keep = fourth < 0 ? 0xFF000000u : 0;
    const std::uint32_t set = rgb | (fourth < 0 ? 0 : std::uint32_t(fourth) << 24);
    int i = 0;
#ifdef __SSE2__
    const __m128i colour = _mm_set1_epi32(int(set));
    if (keep == 0) {
      for (; i + 4 <= n; i += 4, p += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), colour);
    } else {
      const __m128i kept = _mm_set1_epi32(int(keep));
      for (; i + 4 <= n; i += 4, p += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                         _mm_or_si128(_mm_and_si128(v, kept), colour));
      }
    }
    if (i < n && n >= 4) { // the last pixels in one store that overlaps the ones before
      std::uint8_t* last = p + 4 * (n - i) - 16;
      __m128i v =
          keep == 0
              ? colour
              : _mm_or_si128(_mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(last)),
                                           _mm_set1_epi32(int(keep))),
                             colour);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(last), v);
      return;
    }
#endif
    for (; i < n; ++i, p += 4) {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      v = (v & keep) | set;
      std::memcpy(p, &v, 4);
    }
    return;
  }
  for (int i = 0; i < n; ++i, p += bytes) {
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
}
} // namespace

void TTarget::FillRun(int y, int x0, int x1, const TFill& fill) {
  std::uint8_t* p = PixelAddress(x0, y);
  if (fill.kind == TFill::Solid && fill.rop2 == R2_COPYPEN) {
    FillRowSolid(p, x1 - x0, bytes_, fourth_, fill.color);
    return;
  }
  for (int x = x0; x < x1; ++x, p += bytes_) {
    COLORREF pc;
    if (!fill.ColorAt(x, y, pc)) continue;
    WritePixel(p, Rop2(fill.rop2, pc, ReadPixel(p)));
  }
}

void TTarget::FillSpans(const std::vector<TSpan>& spans, const TFill& fill, int dx, int dy) {
  if (!bits_ || fill.kind == TFill::None || fill.rop2 == R2_NOP) return;
  for (const TSpan& s : spans) {
    const int y = s.y + dy, sx0 = s.x0 + dx, sx1 = s.x1 + dx;
    for (auto it = FirstForRow(*clip_, y); it != clip_->end() && it->top() <= y; ++it) {
      const QRect& c = *it;
      if (y > c.bottom()) continue;
      int x0 = std::max(sx0, c.left()), x1 = std::min(sx1, c.right() + 1);
      if (x0 >= x1) continue;
      Touch(x0, y, x1, y + 1);
      FillRun(y, x0, x1, fill);
    }
  }
}

// Straight into the surface: each clip rectangle's part of the box, row by
// row.
void TTarget::FillRect(const QRect& r, const TFill& fill) {
  if (!bits_ || fill.kind == TFill::None || fill.rop2 == R2_NOP) return;
  const QRect box = r & QRect(0, 0, width_, height_);
  if (box.isEmpty()) return;
  for (auto it = FirstForRow(*clip_, box.top()); it != clip_->end() && it->top() <= box.bottom();
       ++it) {
    const QRect a = *it & box;
    if (a.isEmpty()) continue;
    Touch(a.left(), a.top(), a.right() + 1, a.bottom() + 1);
    if (fill.kind == TFill::Solid && fill.rop2 == R2_COPYPEN) {
      std::uint8_t* p = PixelAddress(a.left(), a.top());
      for (int y = a.top(); y <= a.bottom(); ++y, p += stride_)
        FillRowSolid(p, a.width(), bytes_, fourth_, fill.color);
      continue;
    }
    for (int y = a.top(); y <= a.bottom(); ++y)
      FillRun(y, a.left(), a.right() + 1, fill);
  }
}

void TTarget::Plot(int x, int y, COLORREF color, int rop2) {
  if (!Visible(x, y) || rop2 == R2_NOP) return;
  Touch(x, y, x + 1, y + 1);
  std::uint8_t* p = PixelAddress(x, y);
  WritePixel(p, Rop2(rop2, color, ReadPixel(p)));
}

void TTarget::PlotMask(const std::vector<TSpan>& spans, COLORREF color, int dx, int dy) {
  TFill f;
  f.color = color;
  FillSpans(spans, f, dx, dy);
}

// ---- polygon scan conversion ------------------------------------------------------------

namespace {

/// Rows y (from `yStart` to `yEnd`) sampled at y + offset, pixels x at
/// x + offset; the edges are sorted by their top. The x of an edge on a row
/// is computed as x0 + (yc - y0) * (x1 - x0) / (y1 - y0), always in that
/// order, so that a pixel on an edge is decided the same way whatever the
/// caller and whichever edges share the row.
void ScanEdges(const std::vector<TPolygonEdge>& edges, double minY, double maxY, bool winding,
               double offset, std::vector<TSpan>& spans, const QRect& bounds) {
  const double firstRow = std::ceil(minY - offset), lastRow = std::ceil(maxY - offset) - 1;
  const int yStart = int(std::max<double>(firstRow, bounds.top()));
  const int yEnd = int(std::min<double>(lastRow, bounds.bottom()));
  if (yStart > yEnd) return;
  // Scratch lists kept between calls: a small polygon costs no allocation.
  thread_local std::vector<const TPolygonEdge*> active;
  thread_local std::vector<std::pair<double, int>> xs;
  active.clear();
  std::size_t next = 0;
  const double xMin = bounds.left(), xMax = bounds.right() + 1;
  for (int y = yStart; y <= yEnd; ++y) {
    const double yc = y + offset;
    while (next < edges.size() && edges[next].y0 <= yc)
      active.push_back(&edges[next++]);
    std::size_t kept = 0;
    xs.clear();
    for (const TPolygonEdge* e : active) {
      if (e->y1 <= yc) continue;
      active[kept++] = e;
      if (yc < e->y0) continue;
      xs.push_back({e->x0 + (yc - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0), e->dir});
    }
    active.resize(kept);
    if (xs.size() < 2) {
      if (next >= edges.size() && active.empty()) break;
      continue;
    }
    // A row crosses few edges: insertion sort.
    for (std::size_t i = 1; i < xs.size(); ++i) {
      const std::pair<double, int> v = xs[i];
      std::size_t j = i;
      for (; j > 0 && v < xs[j - 1]; --j)
        xs[j] = xs[j - 1];
      xs[j] = v;
    }
    int wind = 0;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
      wind = winding ? wind + xs[i].second : (wind ^ 1);
      if (wind == 0) continue;
      double xa = std::max(xs[i].first, xMin - 1), xb = std::min(xs[i + 1].first, xMax + 1);
      int x0 = int(std::ceil(xa - offset)), x1 = int(std::ceil(xb - offset));
      x0 = std::max(x0, bounds.left());
      x1 = std::min(x1, bounds.right() + 1);
      if (x0 >= x1) continue;
      if (!spans.empty() && spans.back().y == y && spans.back().x1 >= x0)
        spans.back().x1 = std::max(spans.back().x1, x1);
      else
        spans.push_back({y, x0, x1});
    }
  }
}

} // namespace

bool TPolygonEdges::Add(QPointF a, QPointF b) {
  if (a.y() == b.y()) return true;
  if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) ||
      !std::isfinite(b.y())) {
    finite_ = false;
    return false;
  }
  int dir = 1;
  if (a.y() > b.y()) {
    std::swap(a, b);
    dir = -1;
  }
  edges_.push_back({a.x(), a.y(), b.x(), b.y(), dir});
  minY_ = std::min(minY_, a.y());
  maxY_ = std::max(maxY_, b.y());
  return true;
}

void TPolygonEdges::Clear() {
  edges_.clear();
  minY_ = 1e300;
  maxY_ = -1e300;
  finite_ = true;
}

void TPolygonEdges::Spans(bool winding, double offset, std::vector<TSpan>& spans,
                          const QRect& bounds) {
  if (!finite_ || edges_.empty()) return;
  std::sort(edges_.begin(), edges_.end(),
                   [](const TPolygonEdge& a, const TPolygonEdge& b) { return a.y0 < b.y0; });
  ScanEdges(edges_, minY_, maxY_, winding, offset, spans, bounds);
}

void PolygonSpans(const std::vector<QPolygonF>& polygons, bool winding, std::vector<TSpan>& spans,
                  const QRect& bounds, double offset) {
  thread_local TPolygonEdges edges;
  edges.Clear();
  for (const QPolygonF& poly : polygons) {
    const int n = int(poly.size());
    for (int i = 0; i < n; ++i)
      if (!edges.Add(poly[i], poly[(i + 1) % n])) return;
  }
  edges.Spans(winding, offset, spans, bounds);
}

void PathSpans(const QPainterPath& path, std::vector<TSpan>& spans, const QRect& bounds,
               double offset) {
  const QList<QPolygonF> polys = path.toSubpathPolygons();
  std::vector<QPolygonF> v(polys.begin(), polys.end());
  PolygonSpans(v, path.fillRule() == Qt::WindingFill, spans, bounds, offset);
}

QRegion SpansToRegion(const std::vector<TSpan>& input) {
  std::vector<TSpan> spans;
  spans.reserve(input.size());
  for (const TSpan& s : input)
    if (s.x1 > s.x0) spans.push_back(s);
  std::stable_sort(spans.begin(), spans.end(), [](const TSpan& a, const TSpan& b) {
    return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
  });
  // merge overlapping spans of a row, then rows with equal spans into bands
  std::vector<std::vector<std::pair<int, int>>> rows;
  std::vector<int> rowY;
  for (const TSpan& s : spans) {
    if (rowY.empty() || rowY.back() != s.y) {
      rowY.push_back(s.y);
      rows.emplace_back();
    }
    auto& r = rows.back();
    if (!r.empty() && s.x0 <= r.back().second)
      r.back().second = std::max(r.back().second, s.x1);
    else
      r.push_back({s.x0, s.x1});
  }
  std::vector<QRect> rects;
  std::size_t i = 0;
  while (i < rows.size()) {
    std::size_t j = i + 1;
    while (j < rows.size() && rowY[j] == rowY[j - 1] + 1 && rows[j] == rows[i])
      ++j;
    for (auto [x0, x1] : rows[i])
      rects.emplace_back(x0, rowY[i], x1 - x0, int(j - i));
    i = j;
  }
  QRegion r;
  if (!rects.empty()) r.setRects(rects.data(), int(rects.size()));
  return r;
}

} // namespace gdi
