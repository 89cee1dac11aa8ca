// Lines and shapes with the pixel rules of the platform: rectangles and
// ellipses cover their box without its right and bottom edge, lines leave out
// their end point, cosmetic pens are one pixel wide and keep their style
// pattern across the segments of one polyline.
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

#include "platform/graphics/GdiInternal.h"

namespace gdi {
namespace {

constexpr double kPi = 3.14159265358979323846;

/// A drawing call's context: the target, the transform, and helpers.
struct TDraw {
  TDc& dc;
  TTarget target;
  QTransform xf;
  bool integral; // identity or an integer translation
  int tx = 0, ty = 0;

  explicit TDraw(TDc& d) : dc(d), target(d.surface, &d.ClipRects()), xf(d.Transform()) {
    integral = xf.type() <= QTransform::TxTranslate && xf.dx() == std::floor(xf.dx()) &&
               xf.dy() == std::floor(xf.dy());
    if (integral) {
      tx = int(xf.dx());
      ty = int(xf.dy());
    }
  }
  ~TDraw() { target.Finish(); }

  /// Device coordinates are kept within +-2^28 so that no sum overflows.
  static int C(std::int64_t v) { return int(std::clamp<std::int64_t>(v, -(1 << 28), 1 << 28)); }
  QPoint Dev(int x, int y) const {
    if (integral) return QPoint(C(std::int64_t(x) + tx), C(std::int64_t(y) + ty));
    QPointF p = xf.map(QPointF(x, y));
    return QPoint(C(std::int64_t(std::clamp(std::floor(p.x() + 0.5), -1e12, 1e12))),
                  C(std::int64_t(std::clamp(std::floor(p.y() + 0.5), -1e12, 1e12))));
  }
  QRect Bounds() const { return QRect(0, 0, target.Width(), target.Height()); }
  const TPenObject& Pen() const { return *dc.state.pen; }
  bool PenVisible() const { return Pen().Style() != PS_NULL; }
};

// ---- cosmetic lines -------------------------------------------------------------------------

const std::vector<int>& StylePattern(int style) {
  static const std::vector<int> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6},
      dashDotDot{9, 3, 3, 3, 3, 3}, alternate{1, 1}, none;
  switch (style) {
  case PS_DASH:
    return dash;
  case PS_DOT:
    return dot;
  case PS_DASHDOT:
    return dashDot;
  case PS_DASHDOTDOT:
    return dashDotDot;
  case PS_ALTERNATE:
    return alternate;
  default:
    return none;
  }
}

/// Draws one-pixel lines; the style position carries over between segments.
struct TThinPen {
  TDraw& d;
  COLORREF color;
  const std::vector<int>& pattern;
  int total = 0;
  std::int64_t pos = 0;
  TFill fill;
  bool plainFill;

  TThinPen(TDraw& draw, COLORREF c)
      : d(draw), color(c), pattern(StylePattern(draw.Pen().Style())), fill(draw.dc.PenFill(c)) {
    for (int v : pattern)
      total += v;
    plainFill = fill.kind == TFill::Solid;
  }

  bool On() const {
    if (!total) return true;
    int p = int(pos % total);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      if (p < pattern[i]) return i % 2 == 0;
      p -= pattern[i];
    }
    return true;
  }

  bool claimed = false; // the segment lies inside one clip rectangle

  void Pixel(int x, int y) {
    bool on = On();
    ++pos;
    if (on) {
      if (plainFill && claimed) {
        d.target.PutPixel(x, y, color, d.dc.state.rop2);
      } else if (plainFill) {
        d.target.Plot(x, y, color, d.dc.state.rop2);
      } else {
        COLORREF c;
        if (fill.ColorAt(x, y, c)) d.target.Plot(x, y, c, d.dc.state.rop2);
      }
    } else if (d.dc.state.bkMode == OPAQUE) {
      d.target.Plot(x, y, d.dc.state.bkColor, d.dc.state.rop2);
    }
  }

  /// From a to b, b left out.
  void Segment(QPoint a, QPoint b) {
    std::int64_t steps =
        std::max(std::llabs(std::int64_t(b.x()) - a.x()), std::llabs(std::int64_t(b.y()) - a.y()));
    std::int64_t limit = 2 * (std::int64_t(d.target.Width()) + d.target.Height()) + 16;
    if (steps <= limit) {
      Run(a.x(), a.y(), b.x(), b.y());
      return;
    }
    // A long line: only the part near the surface is walked; the style
    // position still advances by the pixels skipped.
    double x0 = a.x(), y0 = a.y(), ddx = double(b.x()) - a.x(), ddy = double(b.y()) - a.y();
    double t0 = 0, t1 = 1;
    double lo[2] = {-2, -2}, hi[2] = {d.target.Width() + 2.0, d.target.Height() + 2.0};
    double p0[2] = {x0, y0}, dd[2] = {ddx, ddy};
    for (int k = 0; k < 2; ++k) {
      if (dd[k] == 0) {
        if (p0[k] < lo[k] || p0[k] > hi[k]) t1 = -1;
        continue;
      }
      double ta = (lo[k] - p0[k]) / dd[k], tb = (hi[k] - p0[k]) / dd[k];
      if (ta > tb) std::swap(ta, tb);
      t0 = std::max(t0, ta);
      t1 = std::min(t1, tb);
    }
    if (t0 >= t1) {
      pos += steps;
      return;
    }
    auto at = [&](double t) {
      return QPoint(int(std::floor(x0 + t * ddx + 0.5)), int(std::floor(y0 + t * ddy + 0.5)));
    };
    QPoint s = at(t0), e = t1 >= 1 ? b : at(t1);
    std::int64_t before =
        std::max(std::llabs(std::int64_t(s.x()) - a.x()), std::llabs(std::int64_t(s.y()) - a.y()));
    std::int64_t walked =
        std::max(std::llabs(std::int64_t(e.x()) - s.x()), std::llabs(std::int64_t(e.y()) - s.y()));
    pos += before;
    Run(s.x(), s.y(), e.x(), e.y());
    pos += std::max<std::int64_t>(0, steps - before - walked);
  }

  void Run(int ax, int ay, int bx, int by) {
    claimed = d.target.Claim(QRect(QPoint(std::min(ax, bx), std::min(ay, by)),
                                   QPoint(std::max(ax, bx), std::max(ay, by))));
    int x = ax, y = ay;
    std::int64_t dx = std::llabs(std::int64_t(bx) - x), dy = std::llabs(std::int64_t(by) - y);
    int sx = bx > x ? 1 : -1, sy = by > y ? 1 : -1;
    if (dx >= dy) {
      std::int64_t err = 2 * dy - dx;
      for (std::int64_t i = 0; i < dx; ++i) {
        Pixel(x, y);
        if (err > 0 || (err == 0 && sx < 0)) {
          y += sy;
          err -= 2 * dx;
        }
        err += 2 * dy;
        x += sx;
      }
    } else {
      std::int64_t err = 2 * dx - dy;
      for (std::int64_t i = 0; i < dy; ++i) {
        Pixel(x, y);
        if (err > 0 || (err == 0 && sy < 0)) {
          x += sx;
          err -= 2 * dy;
        }
        err += 2 * dx;
        y += sy;
      }
    }
  }
};

/// A pen drawn with gaps (dashes, dots, alternate pixels).
bool Styled(const TPenObject& pen) {
  int s = pen.Style();
  return (s >= int(PS_DASH) && s <= int(PS_DASHDOTDOT)) || s == int(PS_ALTERNATE);
}

// ---- wide pens ------------------------------------------------------------------------------

void Configure(QPainterPathStroker& s, const TPenObject& pen, bool forceMiter = false) {
  s.setWidth(std::max(pen.width, 1));
  switch (pen.Cap()) {
  case PS_ENDCAP_FLAT:
    s.setCapStyle(Qt::FlatCap);
    break;
  case PS_ENDCAP_SQUARE:
    s.setCapStyle(Qt::SquareCap);
    break;
  default:
    s.setCapStyle(Qt::RoundCap);
  }
  switch (pen.Join()) {
  case PS_JOIN_BEVEL:
    s.setJoinStyle(Qt::BevelJoin);
    break;
  case PS_JOIN_MITER:
    s.setJoinStyle(Qt::MiterJoin);
    break;
  default:
    s.setJoinStyle(Qt::RoundJoin);
  }
  if (forceMiter) s.setJoinStyle(Qt::MiterJoin);
  if (pen.extended) {
    switch (pen.Style()) {
    case PS_DASH:
      s.setDashPattern(Qt::DashLine);
      break;
    case PS_DOT:
      s.setDashPattern(Qt::DotLine);
      break;
    case PS_DASHDOT:
      s.setDashPattern(Qt::DashDotLine);
      break;
    case PS_DASHDOTDOT:
      s.setDashPattern(Qt::DashDotDotLine);
      break;
    default:
      break;
    }
  }
}

/// Strokes a path given in device coordinates of pixel corners.
void StrokeWide(TDraw& d, const QPainterPath& devicePath, bool forceMiter = false) {
  QPainterPath centred = devicePath.translated(0.5, 0.5);
  QPainterPathStroker stroker;
  Configure(stroker, d.Pen(), forceMiter);
  QPainterPath outline = stroker.createStroke(centred);
  outline.setFillRule(Qt::WindingFill);
  std::vector<TSpan> spans;
  PathSpans(outline, spans, d.Bounds());
  d.target.FillSpans(spans, d.dc.PenFill(d.Pen().color));
}

// ---- stroked text ---------------------------------------------------------------------------

bool gTextStrokeFromGlyphs = true;

/// The spans StrokeWide fills for one glyph whose origin lies on the device
/// point (0, 0); `key` names the code point and the pen.
const std::vector<TSpan>& GlyphStroke(const TResolvedFont& font, char32_t c, const TPenObject& pen,
                                      std::uint64_t key) {
  auto it = font.strokes.find(key);
  if (it != font.strokes.end()) return it->second;
  const QPainterPath centred = TextPath(font, std::u32string(1, c), {0}).translated(0.5, 0.5);
  QPainterPathStroker stroker;
  Configure(stroker, pen);
  QPainterPath outline = stroker.createStroke(centred);
  outline.setFillRule(Qt::WindingFill);
  std::vector<TSpan> spans;
  const QRectF box = outline.boundingRect();
  if (!box.isEmpty())
    PathSpans(outline, spans,
              QRect(int(std::floor(box.left())) - 2, int(std::floor(box.top())) - 2,
                    int(std::ceil(box.width())) + 5, int(std::ceil(box.height())) + 5));
  return font.strokes.emplace(key, std::move(spans)).first->second;
}

/// StrokePath of a path that holds only text moved by whole pixels, with a
/// simple pen (round ends and joins) three or more pixels wide, as labels'
/// halos are drawn: the glyphs' strokes, each made once per font, code point
/// and pen and moved to its place, joined into one set of spans. A stroke is
/// the same shape wherever its glyph stands, and the stroke of a path is the
/// union of its outlines' strokes, so the pixels are those of the whole path
/// stroked at once (tests compare the two). A two-pixel pen puts stroke
/// edges on pixel centres, where the whole path's stroke itself differs
/// with the text's position in the last bits: such pens, and extended ones,
/// take the whole path. False, and nothing drawn, for any other path or pen.
bool StrokeTextFromGlyphs(TDraw& d) {
  const TDc& dc = d.dc;
  const TPenObject& pen = d.Pen();
  if (!gTextStrokeFromGlyphs || dc.pathText.empty() || !dc.path.isEmpty()) return false;
  if (pen.extended || pen.width < 3 || pen.width >= (1 << 16)) return false;
  for (const TPathText& t : dc.pathText)
    if (!t.font->CachesGlyphs() || t.local.type() > QTransform::TxTranslate ||
        t.local.dx() != std::floor(t.local.dx()) ||
        t.local.dy() != std::floor(t.local.dy()) || std::abs(t.local.dx()) > 1e9 ||
        std::abs(t.local.dy()) > 1e9)
      return false;
  const std::uint64_t penKey = (std::uint64_t(std::max(pen.width, 1)) << 24) |
                               (std::uint64_t(pen.Cap()) << 32) | (std::uint64_t(pen.Join()) << 48);
  const QRect bounds = d.Bounds();
  thread_local std::vector<TSpan> spans;
  spans.clear();
  for (const TPathText& t : dc.pathText) {
    int x = int(t.local.dx());
    const int y = int(t.local.dy());
    for (std::size_t i = 0; i < t.text.size(); ++i) {
      for (const TSpan& s : GlyphStroke(*t.font, t.text[i], pen, penKey | t.text[i])) {
        const int row = s.y + y, x0 = std::max(s.x0 + x, bounds.left()),
                  x1 = std::min(s.x1 + x, bounds.right() + 1);
        if (row >= bounds.top() && row <= bounds.bottom() && x0 < x1) spans.push_back({row, x0, x1});
      }
      x += t.advances[i];
    }
  }
  // Overlapping strokes of neighbouring glyphs count once.
  std::sort(spans.begin(), spans.end(), [](const TSpan& a, const TSpan& b) {
    return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
  });
  std::size_t kept = 0;
  for (const TSpan& s : spans) {
    if (kept > 0 && spans[kept - 1].y == s.y && spans[kept - 1].x1 >= s.x0)
      spans[kept - 1].x1 = std::max(spans[kept - 1].x1, s.x1);
    else
      spans[kept++] = s;
  }
  spans.resize(kept);
  d.target.FillSpans(spans, d.dc.PenFill(pen.color));
  return true;
}

QPainterPath PolylinePath(const std::vector<QPointF>& pts, bool closed) {
  QPainterPath p;
  if (pts.empty()) return p;
  p.moveTo(pts[0]);
  for (std::size_t i = 1; i < pts.size(); ++i)
    p.lineTo(pts[i]);
  if (closed) p.closeSubpath();
  return p;
}

std::vector<QPointF> DevF(const TDraw& d, const POINT* pts, int n) {
  std::vector<QPointF> v;
  v.reserve(std::size_t(n));
  for (int i = 0; i < n; ++i)
    v.push_back(d.xf.map(QPointF(pts[i].x, pts[i].y)));
  return v;
}

/// Draws the outline of a polyline with the current pen.
void Outline(TDraw& d, const POINT* pts, int n, bool closed) {
  if (!d.PenVisible() || n < 2) return;
  if (d.Pen().Thin()) {
    TThinPen pen(d, d.Pen().color);
    QPoint prev = d.Dev(pts[0].x, pts[0].y);
    for (int i = 1; i < n; ++i) {
      QPoint p = d.Dev(pts[i].x, pts[i].y);
      pen.Segment(prev, p);
      prev = p;
    }
    if (closed) pen.Segment(prev, d.Dev(pts[0].x, pts[0].y));
    return;
  }
  StrokeWide(d, PolylinePath(DevF(d, pts, n), closed));
}

/// Fills polygons given by points that stand for pixels (Polygon,
/// PolyPolygon): sampled at the pixels' own points, so that the fill meets
/// the one-pixel outline through the same points.
void FillPointPolygons(TDraw& d, const POINT* pts, const int* counts, int polygons,
                       const TFill& fill) {
  if (fill.kind == TFill::None) return;
  thread_local TPolygonEdges edges;
  thread_local std::vector<TSpan> spans;
  edges.Clear();
  spans.clear();
  auto dev = [&d](const POINT& p) {
    if (d.integral) return QPointF(double(p.x) + d.tx, double(p.y) + d.ty);
    return d.xf.map(QPointF(p.x, p.y));
  };
  const POINT* at = pts;
  for (int k = 0; k < polygons; ++k) {
    const int n = counts[k];
    QPointF first = dev(at[0]), prev = first;
    for (int i = 1; i < n; ++i) {
      const QPointF p = dev(at[i]);
      if (!edges.Add(prev, p)) return;
      prev = p;
    }
    if (!edges.Add(prev, first)) return;
    at += n;
  }
  edges.Spans(d.dc.state.polyFillMode == WINDING, kSamplePoint, spans, d.Bounds());
  d.target.FillSpans(spans, fill);
}

// ---- path recording ----------------------------------------------------------------------------

bool InPath(TDc& dc) {
  return dc.pathOpen;
}

void PathPolyline(TDc& dc, const POINT* pts, int n, bool closed) {
  QTransform xf = dc.Transform();
  if (n < 1) return;
  dc.Path().moveTo(xf.map(QPointF(pts[0].x, pts[0].y)));
  for (int i = 1; i < n; ++i)
    dc.Path().lineTo(xf.map(QPointF(pts[i].x, pts[i].y)));
  if (closed) dc.Path().closeSubpath();
  if (n > 0) dc.state.position = QPoint(pts[n - 1].x, pts[n - 1].y);
}

/// Pixel set of an ellipse inside [l,r) x [t,b) (device, integral case): per
/// row the span of pixels whose centres lie inside.
struct TEllipseRows {
  int first = 0;                         // y of rows[0]
  std::vector<std::pair<int, int>> rows; // [x0, x1] inclusive, x0 > x1 when empty
  /// Rows of the ellipse in [l,r) x [t,b), computed only for y in [from, to).
  TEllipseRows(int l, int t, int r, int b, int from, int to) {
    first = std::max(t, from);
    int last = std::min(b, to);
    double cx = (double(l) + r) / 2.0, cy = (double(t) + b) / 2.0, rx = (double(r) - l) / 2.0,
           ry = (double(b) - t) / 2.0;
    for (int y = first; y < last; ++y) {
      double dy = (y + 0.5 - cy) / ry;
      double k = 1 - dy * dy;
      if (k < 0) {
        rows.push_back({1, 0});
        continue;
      }
      double half = rx * std::sqrt(k);
      double x0 = std::ceil(cx - half - 0.5), x1 = std::floor(cx + half - 0.5);
      x0 = std::max<double>(x0, l);
      x1 = std::min<double>(x1, r - 1);
      rows.push_back({int(std::max(x0, -1e9)), int(std::min(x1, 1e9))});
    }
  }
  bool Has(int y) const { return y >= first && y < first + int(rows.size()); }
  const std::pair<int, int>& At(int y) const { return rows[std::size_t(y - first)]; }
};

/// The vector form of a shape: `fill` with the brush, `stroke` with the pen
/// (both logical; strokes run through pixel centres).
TVectorOp ShapeVector(QPainterPath fill, QPainterPath stroke) {
  return [fill, stroke](QPainter& p, const TDcState& s) {
    if (!fill.isEmpty()) VectorFill(p, s, fill);
    QPen pen;
    if (VectorPen(s, pen) && pen.style() != Qt::NoPen && !stroke.isEmpty())
      VectorStroke(p, stroke, pen);
  };
}

QPainterPath CentredPolyline(const POINT* pts, int n, bool closed) {
  QPainterPath path;
  if (n < 1) return path;
  path.moveTo(pts[0].x + 0.5, pts[0].y + 0.5);
  for (int i = 1; i < n; ++i)
    path.lineTo(pts[i].x + 0.5, pts[i].y + 0.5);
  if (closed) path.closeSubpath();
  return path;
}

} // namespace
} // namespace gdi

using namespace gdi;

BOOL MoveToEx(HDC h, int x, int y, POINT* previous) {
  TDc* dc = Dc(h);
  if (!dc) return FALSE;
  if (previous) *previous = POINT(dc->state.position.x(), dc->state.position.y());
  return RunState(h, [x, y](TDc& d) {
    d.state.position = QPoint(x, y);
    if (d.pathOpen) d.Path().moveTo(d.Transform().map(QPointF(x, y)));
    return true;
  });
}

BOOL GetCurrentPositionEx(HDC h, POINT* position) {
  TDc* dc = Dc(h);
  if (!dc || !position) return FALSE;
  *position = POINT(dc->state.position.x(), dc->state.position.y());
  return TRUE;
}

BOOL LineTo(HDC h, int x, int y) {
  TDc* dc = Dc(h);
  if (!dc) return FALSE;
  bool ok = Run(
      h,
      [x, y](TDc& d) {
        POINT pts[2] = {POINT(d.state.position.x(), d.state.position.y()), POINT(x, y)};
        if (InPath(d)) {
          if (d.Path().elementCount() == 0)
            d.Path().moveTo(d.Transform().map(QPointF(pts[0].x, pts[0].y)));
          d.Path().lineTo(d.Transform().map(QPointF(x, y)));
        } else {
          TDraw draw(d);
          Outline(draw, pts, 2, false);
        }
        d.state.position = QPoint(x, y);
        return true;
      },
      [x, y](QPainter& p, const TDcState& s) {
        QPen pen;
        if (!VectorPen(s, pen) || pen.style() == Qt::NoPen) return;
        QPainterPath line;
        line.moveTo(s.position.x() + 0.5, s.position.y() + 0.5);
        line.lineTo(x + 0.5, y + 0.5);
        VectorStroke(p, line, pen);
      });
  dc->state.position = QPoint(x, y);
  return ok;
}

BOOL Polyline(HDC h, const POINT* points, int count) {
  if (!points || count < 0) return FALSE;
  auto draw = [](TDc& d, const POINT* pts, int n) {
    if (InPath(d)) {
      PathPolyline(d, pts, n, false);
      return true;
    }
    TDraw target(d);
    Outline(target, pts, n, false);
    return true;
  };
  // Drawn at once from the caller's points unless the DC records.
  if (TDc* dc = Dc(h); dc != nullptr && !dc->recording) return draw(*dc, points, count);
  std::vector<POINT> pts(points, points + count);
  return Run(
      h, [pts, draw](TDc& d) { return draw(d, pts.data(), int(pts.size())); },
      ShapeVector(QPainterPath(), CentredPolyline(pts.data(), int(pts.size()), false)));
}

BOOL PolyPolyline(HDC h, const POINT* points, const DWORD* counts, DWORD polylines) {
  if (!points || !counts) return FALSE;
  std::size_t total = 0;
  for (DWORD i = 0; i < polylines; ++i)
    total += counts[i];
  std::vector<POINT> pts(points, points + total);
  std::vector<DWORD> cnt(counts, counts + polylines);
  return Run(h, [pts, cnt](TDc& d) {
    std::size_t at = 0;
    TDraw* draw = nullptr;
    std::unique_ptr<TDraw> holder;
    if (!InPath(d)) {
      holder = std::make_unique<TDraw>(d);
      draw = holder.get();
    }
    for (DWORD c : cnt) {
      if (draw)
        Outline(*draw, pts.data() + at, int(c), false);
      else
        PathPolyline(d, pts.data() + at, int(c), false);
      at += c;
    }
    return true;
  });
}

BOOL Polygon(HDC h, const POINT* points, int count) {
  if (!points || count < 2) return FALSE;
  int one = count;
  return PolyPolygon(h, points, &one, 1);
}

BOOL PolyPolygon(HDC h, const POINT* points, const int* counts, int polygons) {
  if (!points || !counts || polygons < 1) return FALSE;
  for (int i = 0; i < polygons; ++i)
    if (counts[i] < 2) return FALSE;
  auto draw = [](TDc& d, const POINT* pts, const int* cnt, int n) {
    if (InPath(d)) {
      for (int k = 0; k < n; ++k) {
        PathPolyline(d, pts, cnt[k], true);
        pts += cnt[k];
      }
      return true;
    }
    TDraw target(d);
    FillPointPolygons(target, pts, cnt, n, d.BrushFill());
    for (int k = 0; k < n; ++k) {
      Outline(target, pts, cnt[k], true);
      pts += cnt[k];
    }
    return true;
  };
  // Drawn at once from the caller's points unless the DC records.
  if (TDc* dc = Dc(h); dc != nullptr && !dc->recording) return draw(*dc, points, counts, polygons);
  std::size_t total = 0;
  for (int i = 0; i < polygons; ++i)
    total += std::size_t(counts[i]);
  std::vector<POINT> pts(points, points + total);
  std::vector<int> cnt(counts, counts + polygons);
  return Run(
      h,
      [pts, cnt, draw](TDc& d) { return draw(d, pts.data(), cnt.data(), int(cnt.size())); },
      [pts, cnt](QPainter& p, const TDcState& s) {
        QPainterPath fill, stroke;
        std::size_t at = 0;
        for (int c : cnt) {
          QPolygonF poly;
          for (int i = 0; i < c; ++i)
            poly << QPointF(pts[at + std::size_t(i)].x + 0.5, pts[at + std::size_t(i)].y + 0.5);
          fill.addPolygon(poly);
          fill.closeSubpath();
          stroke.addPath(CentredPolyline(pts.data() + at, c, true));
          at += std::size_t(c);
        }
        fill.setFillRule(s.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        ShapeVector(fill, stroke)(p, s);
      });
}

namespace {

void Normalize(int& l, int& t, int& r, int& b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
}

/// Rectangle, ellipse and pie in the general (transformed) case: fill the
/// shape's path and outline it.
/// A shape given by its device path: the brush fills the pixels whose centres
/// lie inside; a thin pen draws the set's boundary pixels (a 4-neighbour
/// outside), a wide pen strokes the path.

/// A styled one-pixel outline along a path through pixel centres; the style
/// pattern runs on around the whole outline.
void StyledOutline(TDraw& draw, const QPainterPath& centres) {
  TThinPen pen(draw, draw.Pen().color);
  for (const QPolygonF& poly : centres.toSubpathPolygons()) {
    for (int i = 0; i + 1 < poly.size(); ++i)
      pen.Segment(QPoint(int(std::floor(poly[i].x())), int(std::floor(poly[i].y()))),
                  QPoint(int(std::floor(poly[i + 1].x())), int(std::floor(poly[i + 1].y()))));
  }
}

void FillAndOutline(TDraw& draw, const QPainterPath& dev,
                    const QPainterPath& centres = QPainterPath()) {
  std::vector<TSpan> spans;
  QRect bounds = draw.Bounds().adjusted(-1, -1, 1, 1);
  PathSpans(dev, spans, bounds);
  bool thin = draw.PenVisible() && draw.Pen().Thin();
  if (!thin) {
    draw.target.FillSpans(spans, draw.dc.BrushFill());
    if (draw.PenVisible()) StrokeWide(draw, dev.translated(-0.5, -0.5));
    return;
  }
  QRegion set = SpansToRegion(spans);
  QRegion inner = set & set.translated(1, 0) & set.translated(-1, 0) & set.translated(0, 1) &
                  set.translated(0, -1);
  auto toSpans = [](const QRegion& r) {
    std::vector<TSpan> out;
    for (const QRect& q : r)
      for (int y = q.top(); y <= q.bottom(); ++y)
        out.push_back({y, q.left(), q.right() + 1});
    return out;
  };
  draw.target.FillSpans(toSpans(inner), draw.dc.BrushFill());
  if (Styled(draw.Pen()) && !centres.isEmpty()) {
    if (draw.dc.state.bkMode == TRANSPARENT)
      draw.target.FillSpans(toSpans(set - inner), draw.dc.BrushFill());
    StyledOutline(draw, centres);
  } else {
    draw.target.FillSpans(toSpans(set - inner), draw.dc.PenFill(draw.Pen().color));
  }
}

void GeneralShape(TDraw& d, const QPainterPath& logical) {
  FillAndOutline(d, d.xf.map(logical));
}

} // namespace

BOOL Rectangle(HDC h, int left, int top, int right, int bottom) {
  Normalize(left, top, right, bottom);
  return RunDirect(
      h,
      [=](TDc& d) {
        if (InPath(d)) {
          POINT pts[4] = {POINT(left, top), POINT(right, top), POINT(right, bottom),
                          POINT(left, bottom)};
          PathPolyline(d, pts, 4, true);
          return true;
        }
        if ((double(right) - left) < 1 || (double(bottom) - top) < 1) return true;
        TDraw draw(d);
        // Without a pen only the inside of the outline is filled: the box
        // one pixel narrower and lower, as the platform draws it.
        int less = draw.PenVisible() ? 0 : 1;
        if (!draw.integral) {
          QPainterPath p;
          p.addRect(
              QRectF(left, top, (double(right) - left - less), (double(bottom) - top - less)));
          GeneralShape(draw, p);
          return true;
        }
        int l = TDraw::C(std::int64_t(left) + draw.tx), t = TDraw::C(std::int64_t(top) + draw.ty),
            r = TDraw::C(std::int64_t(right) + draw.tx),
            b = TDraw::C(std::int64_t(bottom) + draw.ty);
        const TPenObject& pen = draw.Pen();
        bool visible = draw.PenVisible();
        if (!visible) {
          draw.target.FillRect(QRect(QPoint(l, t), QPoint(r - 2, b - 2)), d.BrushFill());
          return true;
        }
        if (pen.Thin()) {
          draw.target.FillRect(QRect(QPoint(l + 1, t + 1), QPoint(r - 2, b - 2)), d.BrushFill());
          if (r - l <= 2 || b - t <= 2) {
            draw.target.FillRect(QRect(QPoint(l, t), QPoint(r - 1, b - 1)), d.PenFill(pen.color));
          } else {
            TThinPen tp(draw, pen.color);
            tp.Segment(QPoint(l, t), QPoint(r - 1, t));
            tp.Segment(QPoint(r - 1, t), QPoint(r - 1, b - 1));
            tp.Segment(QPoint(r - 1, b - 1), QPoint(l, b - 1));
            tp.Segment(QPoint(l, b - 1), QPoint(l, t));
          }
          return true;
        }
        // geometric pen: centred on the box edge, or inside it for PS_INSIDEFRAME
        double half = pen.width / 2.0;
        QRectF edge(l, t, r - l - 1, b - t - 1);
        if (pen.Style() == PS_INSIDEFRAME)
          edge = QRectF(l - 0.5 + half, t - 0.5 + half, r - l - 2 * half, b - t - 2 * half);
        draw.target.FillRect(QRect(QPoint(l + 1, t + 1), QPoint(r - 2, b - 2)), d.BrushFill());
        QPainterPath p;
        p.addRect(edge);
        StrokeWide(draw, p, true);
        return true;
      },
      [=] {
        return [=](QPainter& p, const TDcState& s) {
          int less = s.pen->Style() == PS_NULL ? 1 : 0;
          QPainterPath fill, stroke;
          fill.addRect(QRectF(left, top, double(right) - left - less, double(bottom) - top - less));
          stroke.addRect(
              QRectF(left + 0.5, top + 0.5, double(right) - left - 1, double(bottom) - top - 1));
          ShapeVector(fill, stroke)(p, s);
        };
      });
}

BOOL Ellipse(HDC h, int left, int top, int right, int bottom) {
  Normalize(left, top, right, bottom);
  return Run(
      h,
      [=](TDc& d) {
        if (InPath(d)) {
          QPainterPath p;
          p.addEllipse(QRectF(left, top, (double(right) - left), (double(bottom) - top)));
          d.Path().addPath(d.Transform().map(p));
          return true;
        }
        if ((double(right) - left) < 1 || (double(bottom) - top) < 1) return true;
        TDraw draw(d);
        if (!draw.integral) {
          QPainterPath p, c;
          p.addEllipse(QRectF(left, top, (double(right) - left), (double(bottom) - top)));
          c.addEllipse(
              QRectF(left + 0.5, top + 0.5, double(right) - left - 1, double(bottom) - top - 1));
          FillAndOutline(draw, draw.xf.map(p), draw.xf.map(c));
          return true;
        }
        int l = TDraw::C(std::int64_t(left) + draw.tx), t = TDraw::C(std::int64_t(top) + draw.ty),
            r = TDraw::C(std::int64_t(right) + draw.tx),
            b = TDraw::C(std::int64_t(bottom) + draw.ty);
        // rows one beyond the surface on each side, for the neighbour test
        TEllipseRows rows(l, t, r, b, -1, draw.target.Height() + 1);
        const TPenObject& pen = draw.Pen();
        bool thin = draw.PenVisible() && pen.Thin();
        std::vector<TSpan> inner, outline;
        int xLimit0 = -2, xLimit1 = draw.target.Width() + 2;
        for (int y = std::max(t, 0); y < std::min(b, draw.target.Height()); ++y) {
          auto [x0, x1] = rows.At(y);
          if (x0 > x1) continue;
          x0 = std::max(x0, xLimit0);
          x1 = std::min(x1, xLimit1);
          if (x0 > x1) continue;
          if (!thin) {
            inner.push_back({y, x0, x1 + 1});
            continue;
          }
          // interior: pixels whose four neighbours are all in the set
          auto [f0, f1] = rows.At(y);
          int a = f0 + 1, c = f1 - 1;
          for (int ny : {y - 1, y + 1}) {
            if (ny < t || ny >= b || !rows.Has(ny)) {
              c = a - 1;
              continue;
            }
            a = std::max(a, rows.At(ny).first);
            c = std::min(c, rows.At(ny).second);
          }
          a = std::max(a, x0);
          c = std::min(c, x1);
          if (a <= c) {
            inner.push_back({y, a, c + 1});
            if (x0 < a) outline.push_back({y, x0, a});
            if (c + 1 <= x1) outline.push_back({y, c + 1, x1 + 1});
          } else {
            outline.push_back({y, x0, x1 + 1});
          }
        }
        draw.target.FillSpans(inner, d.BrushFill());
        if (thin) {
          draw.target.FillSpans(outline, d.PenFill(pen.color));
        } else if (draw.PenVisible()) {
          double inset = pen.Style() == PS_INSIDEFRAME ? pen.width / 2.0 - 0.5 : 0;
          QPainterPath p;
          p.addEllipse(QRectF(l + inset, t + inset, r - l - 1 - 2 * inset, b - t - 1 - 2 * inset));
          StrokeWide(draw, p);
        }
        return true;
      },
      [=] {
        QPainterPath fill, stroke;
        fill.addEllipse(QRectF(left, top, double(right) - left, double(bottom) - top));
        stroke.addEllipse(
            QRectF(left + 0.5, top + 0.5, double(right) - left - 1, double(bottom) - top - 1));
        return ShapeVector(fill, stroke);
      }());
}

BOOL Pie(HDC h, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2) {
  Normalize(left, top, right, bottom);
  return Run(
      h,
      [=](TDc& d) {
        double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
        QRectF box(left, top, (double(right) - left), (double(bottom) - top));
        double a1 = std::atan2(cy - yr1, xr1 - cx) * 180 / kPi;
        double a2 = std::atan2(cy - yr2, xr2 - cx) * 180 / kPi;
        double sweep = a2 - a1;
        while (sweep <= 0)
          sweep += 360;
        QPainterPath p;
        p.moveTo(cx, cy);
        p.arcTo(box, a1, sweep);
        p.closeSubpath();
        if (InPath(d)) {
          d.Path().addPath(d.Transform().map(p));
          return true;
        }
        if ((double(right) - left) < 1 || (double(bottom) - top) < 1) return true;
        TDraw draw(d);
        FillAndOutline(draw, draw.xf.map(p));
        return true;
      },
      [=] {
        double cx = (left + double(right)) / 2.0, cy = (top + double(bottom)) / 2.0;
        double a1 = std::atan2(cy - yr1, xr1 - cx) * 180 / kPi,
               a2 = std::atan2(cy - yr2, xr2 - cx) * 180 / kPi;
        double sweep = a2 - a1;
        while (sweep <= 0)
          sweep += 360;
        QPainterPath p;
        p.moveTo(cx, cy);
        p.arcTo(QRectF(left, top, double(right) - left, double(bottom) - top), a1, sweep);
        p.closeSubpath();
        return ShapeVector(p, p);
      }());
}

BOOL RoundRect(HDC h, int left, int top, int right, int bottom, int width, int height) {
  Normalize(left, top, right, bottom);
  return Run(
      h,
      [=](TDc& d) {
        QPainterPath p;
        p.addRoundedRect(QRectF(left, top, double(right) - left, double(bottom) - top),
                         std::abs(width) / 2.0, std::abs(height) / 2.0);
        if (InPath(d)) {
          d.Path().addPath(d.Transform().map(p));
          return true;
        }
        if (double(right) - left < 1 || double(bottom) - top < 1) return true;
        TDraw draw(d);
        FillAndOutline(draw, draw.xf.map(p));
        return true;
      },
      [=] {
        QPainterPath fill, stroke;
        fill.addRoundedRect(QRectF(left, top, double(right) - left, double(bottom) - top),
                            std::abs(width) / 2.0, std::abs(height) / 2.0);
        stroke.addRoundedRect(
            QRectF(left + 0.5, top + 0.5, double(right) - left - 1, double(bottom) - top - 1),
            std::abs(width) / 2.0, std::abs(height) / 2.0);
        return ShapeVector(fill, stroke);
      }());
}

namespace {
QRect DeviceRect(TDraw& d, const RECT& r) {
  QPoint a = d.Dev(r.Left, r.Top), b = d.Dev(r.Right, r.Bottom);
  int l = std::min(a.x(), b.x()), t = std::min(a.y(), b.y());
  int rr = std::max(a.x(), b.x()), bb = std::max(a.y(), b.y());
  return QRect(QPoint(l, t), QPoint(rr - 1, bb - 1));
}
} // namespace

namespace {
/// The pixels of FillRect (the whole box) and FrameRect (a one-pixel frame
/// inside it): the brush is copied over the surface, whatever the binary
/// raster operation.
bool BrushRectPixels(TDc& d, const RECT& r, const TBrushObject& b, bool frame) {
  TDraw draw(d);
  TFill f = d.BrushFill(&b);
  f.rop2 = R2_COPYPEN;
  QRect q = DeviceRect(draw, r);
  if (!frame) {
    draw.target.FillRect(q, f);
    return true;
  }
  if (q.isEmpty()) return true;
  draw.target.FillRect(QRect(q.left(), q.top(), q.width(), 1), f);
  if (q.height() > 1) draw.target.FillRect(QRect(q.left(), q.bottom(), q.width(), 1), f);
  if (q.height() > 2) {
    draw.target.FillRect(QRect(q.left(), q.top() + 1, 1, q.height() - 2), f);
    if (q.width() > 1) draw.target.FillRect(QRect(q.right(), q.top() + 1, 1, q.height() - 2), f);
  }
  return true;
}

int BrushRect(HDC h, const RECT* rect, HBRUSH brush, bool frame) {
  TObject* o = LookupObject(brush);
  if (!rect || !o || o->kind != OBJ_BRUSH) return 0;
  const RECT r = *rect;
  // At once unless the DC records: no reference count, no wrapping.
  if (TDc* dc = Dc(h); dc != nullptr && !dc->recording)
    return BrushRectPixels(*dc, r, *static_cast<TBrushObject*>(o), frame);
  auto b = LookupAs<TBrushObject>(brush, OBJ_BRUSH);
  return Run(
      h, [r, b, frame](TDc& d) { return BrushRectPixels(d, r, *b, frame); },
      [r, b, frame](QPainter& p, const TDcState& s) {
        double l = r.Left, t = r.Top, w = double(r.Right) - r.Left, h = double(r.Bottom) - r.Top;
        QPainterPath path;
        path.addRect(QRectF(l, t, w, h));
        if (frame) {
          if (w <= 0 || h <= 0) return;
          QPainterPath inner;
          if (w > 2 && h > 2) inner.addRect(QRectF(l + 1, t + 1, w - 2, h - 2));
          path = path.subtracted(inner);
        }
        VectorFill(p, s, path, b);
      });
}
} // namespace

int FillRect(HDC h, const RECT* rect, HBRUSH brush) {
  return BrushRect(h, rect, brush, false);
}

int FrameRect(HDC h, const RECT* rect, HBRUSH brush) {
  return BrushRect(h, rect, brush, true);
}

BOOL InvertRect(HDC h, const RECT* rect) {
  if (!rect) return FALSE;
  RECT r = *rect;
  return Run(h, [r](TDc& d) {
    TDraw draw(d);
    TFill f;
    f.rop2 = R2_NOT;
    draw.target.FillRect(DeviceRect(draw, r), f);
    return true;
  });
}

BOOL PatBlt(HDC h, int x, int y, int w, int hgt, DWORD rop) {
  return Run(h, [=](TDc& d) {
    if (!d.surface || !d.surface->Bits()) return true;
    TDraw draw(d);
    QRect q = DeviceRect(draw, RECT(x, y, x + w, y + hgt));
    TFill f = d.BrushFill();
    f.opaque = true;
    unsigned code = (rop >> 16) & 0xFF;
    for (const QRect& c : d.ClipRects()) {
      QRect a = c & q;
      for (int yy = a.top(); yy <= a.bottom(); ++yy)
        for (int xx = a.left(); xx <= a.right(); ++xx) {
          COLORREF pc = 0;
          f.ColorAt(xx, yy, pc);
          std::uint8_t* p = draw.target.PixelAddress(xx, yy);
          WritePixel(p, Rop3(code, pc, 0, ReadPixel(p)));
        }
    }
    if (!q.isEmpty()) d.surface->Changed(TRect(q.left(), q.top(), q.right() + 1, q.bottom() + 1));
    return true;
  });
}

COLORREF GetPixel(HDC h, int x, int y) {
  TDc* dc = Dc(h);
  if (!dc || !dc->surface) return CLR_INVALID;
  TDraw draw(*dc);
  QPoint p = draw.Dev(x, y);
  if (!draw.target.Visible(p.x(), p.y())) return CLR_INVALID;
  dc->surface->Prepare();
  return ReadPixel(draw.target.PixelAddress(p.x(), p.y()));
}

COLORREF SetPixel(HDC h, int x, int y, COLORREF color) {
  color &= 0xFFFFFF;
  bool ok = Run(
      h,
      [=](TDc& d) {
        TDraw draw(d);
        QPoint p = draw.Dev(x, y);
        if (!draw.target.Visible(p.x(), p.y())) return false;
        draw.target.Plot(p.x(), p.y(), color, R2_COPYPEN);
        return true;
      },
      [x, y, color](QPainter& p, const TDcState&) {
        p.fillRect(QRectF(x, y, 1, 1),
                   QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
      });
  return ok ? color : CLR_INVALID;
}

// ---- paths
// -------------------------------------------------------------------------------------------

BOOL BeginPath(HDC h) {
  return RunState(h, [](TDc& d) {
    d.pathOpen = true;
    d.pathEnded = false;
    d.ClearPath();
    return true;
  });
}

BOOL EndPath(HDC h) {
  return RunState(h, [](TDc& d) {
    if (!d.pathOpen) return false;
    d.pathOpen = false;
    d.pathEnded = true;
    return true;
  });
}

BOOL AbortPath(HDC h) {
  return RunState(h, [](TDc& d) {
    d.pathOpen = d.pathEnded = false;
    d.ClearPath();
    return true;
  });
}

BOOL CloseFigure(HDC h) {
  return RunState(h, [](TDc& d) {
    if (!d.pathOpen) return false;
    d.Path().closeSubpath();
    return true;
  });
}

BOOL WidenPath(HDC h) {
  return RunState(h, [](TDc& d) {
    if (!d.pathEnded) return false;
    const TPenObject& pen = *d.state.pen;
    QPainterPathStroker s;
    Configure(s, pen);
    s.setWidth(std::max(pen.width, 1));
    QPainterPath widened = s.createStroke(d.Path());
    widened.setFillRule(Qt::WindingFill);
    d.Path() = widened;
    return true;
  });
}

namespace {
BOOL PaintPath(HDC h, bool fill, bool stroke) {
  return Run(h, [=](TDc& d) {
    if (!d.pathEnded) return false;
    TDraw draw(d);
    if (stroke && !fill && draw.PenVisible() && !draw.Pen().Thin() && StrokeTextFromGlyphs(draw)) {
      d.pathEnded = false;
      d.ClearPath();
      return true;
    }
    QPainterPath path = d.Path();
    d.pathEnded = false;
    d.ClearPath();
    if (fill) {
      QPainterPath p = path;
      p.setFillRule(d.state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
      std::vector<TSpan> spans;
      PathSpans(p, spans, draw.Bounds(), kSamplePoint);
      draw.target.FillSpans(spans, d.BrushFill());
    }
    if (stroke && draw.PenVisible()) {
      if (draw.Pen().Thin()) {
        for (const QPolygonF& poly : path.toSubpathPolygons()) {
          TThinPen pen(draw, draw.Pen().color);
          for (int i = 0; i + 1 < poly.size(); ++i)
            pen.Segment(
                QPoint(int(std::floor(poly[i].x() + 0.5)), int(std::floor(poly[i].y() + 0.5))),
                QPoint(int(std::floor(poly[i + 1].x() + 0.5)),
                       int(std::floor(poly[i + 1].y() + 0.5))));
        }
      } else {
        StrokeWide(draw, path);
      }
    }
    return true;
  });
}
} // namespace

BOOL StrokePath(HDC h) {
  return PaintPath(h, false, true);
}
BOOL FillPath(HDC h) {
  return PaintPath(h, true, false);
}
BOOL StrokeAndFillPath(HDC h) {
  return PaintPath(h, true, true);
}

HRGN PathToRegion(HDC h) {
  TDc* dc = Dc(h);
  if (!dc || !dc->pathEnded) return nullptr;
  QPainterPath p = dc->Path();
  p.setFillRule(dc->state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  dc->pathEnded = false;
  dc->ClearPath();
  std::vector<TSpan> spans;
  QRectF b = p.boundingRect();
  QRect bounds(int(std::floor(b.left())) - 1, int(std::floor(b.top())) - 1, int(b.width()) + 3,
               int(b.height()) + 3);
  PathSpans(p, spans, bounds, kSamplePoint);
  auto r = std::make_shared<TRegionObject>();
  r->region = SpansToRegion(spans);
  return Register(r);
}

void GdiSetTextStrokeFromGlyphs(bool fromGlyphs) {
  gdi::gTextStrokeFromGlyphs = fromGlyphs;
}
