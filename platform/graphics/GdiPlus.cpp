// The anti-aliasing drawing layer over Qt's painter: each drawing call paints
// into the pixels of the DC's surface with a painter set up from the DC's
// clip and transform, so it mixes with the DC's own drawing.
#include "platform/graphics/GdiPlus.h"

#include <QBrush>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <optional>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/GdiPlusInternal.h"

namespace {
std::atomic<int> gLive{0};
std::atomic<int> gFailAllocs{0};
std::atomic<int> gStarted{0};

QColor ColorOf(ARGB c) {
  return QColor::fromRgba(QRgb(c));
}
} // namespace

GdipObject::GdipObject() {
  ++gLive;
}
GdipObject::~GdipObject() {
  --gLive;
}

struct GpPen : GdipObject {
  ARGB color = 0;
  float width = 1;
  Qt::PenCapStyle cap = Qt::FlatCap;
  bool arrowAnchor = false;
};

namespace {
/// What a brush paints with (copied into drawing calls).
struct TBrushData {
  enum { Solid, Linear, PathGradient } kind = Solid;
  ARGB color = 0;
  // linear
  GpRectF rect;
  ARGB color2 = 0;
  int mode = GpLinearHorizontal;
  // path gradient
  QPainterPath path;
  int points = 0;
  ARGB centerColor = 0xFFFFFFFF;
  ARGB surroundColor = 0xFFFFFFFF;
  QPointF center;
};
} // namespace

struct GpBrush : GdipObject, TBrushData {};

struct GpPath : GdipObject {
  QPainterPath path;
  bool figureOpen = false;
  int points = 0;
};

struct GpRegion : GdipObject {
  QPainterPath path;
};

// ---- start-up and memory -------------------------------------------------------------------

GpStatus GdiplusStartup(std::uintptr_t* token) {
  if (!token) return GpInvalidParameter;
  *token = std::uintptr_t(++gStarted);
  return GpOk;
}

void GdiplusShutdown(std::uintptr_t token) {
  if (token != 0 && gStarted > 0) --gStarted;
}

void* GdipAlloc(std::size_t size) {
  if (gFailAllocs > 0) {
    --gFailAllocs;
    return nullptr;
  }
  return std::malloc(size == 0 ? 1 : size);
}

void GdipFree(void* p) {
  std::free(p);
}

void GdipFailNextAllocs(int count) {
  gFailAllocs = count;
}

int GdipLiveObjects() {
  return gLive;
}

namespace {
template <class T, class... A> GpStatus Make(T** out, A&&... args) {
  if (!out) return GpInvalidParameter;
  *out = new (std::nothrow) T(std::forward<A>(args)...);
  return *out ? GpOk : GpOutOfMemory;
}

/// Runs `draw` with a painter on the DC's pixels: the DC's clip and transform
/// are set, then the half-pixel shift that puts integer coordinates on pixel
/// centres, then the surface's own clip.
} // namespace

GpStatus GdipPaint(GpGraphics* g, std::function<void(QPainter&)> draw) {
  if (!g) return GpInvalidParameter;
  const bool smooth = g->smooth;
  const std::optional<QPainterPath> clip = g->clip;
  bool ok = gdi::Run(g->dc, [draw, smooth, clip](gdi::TDc& dc) {
    TSurface* s = dc.surface;
    if (!s || !s->Bits() || s->Width() <= 0 || s->Height() <= 0) return false;
    const QImage::Format format =
        s->BitsPerPixel() == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888;
    QImage image(s->Bits(), s->Width(), s->Height(), qsizetype(s->Stride()), format);
    image.setDotsPerMeterX(kDotsPerMeter96);
    image.setDotsPerMeterY(kDotsPerMeter96);
    QRegion deviceClip;
    for (const QRect& r : dc.ClipRects())
      deviceClip += r;
    if (deviceClip.isEmpty()) return true;
    {
      QPainter p(&image);
      p.setClipRegion(deviceClip);
      p.setTransform(gdi::StateTransform(dc.state));
      // Pixel centres at integer coordinates. Without smoothing, the shift
      // stays a little short of half a pixel so that integer edges never
      // fall on a centre (the rasteriser's tie rule would move them by one).
      const double shift = smooth ? 0.5 : 0.5 - 1.0 / 32;
      p.translate(shift, shift);
      p.setRenderHint(QPainter::Antialiasing, smooth);
      if (clip) p.setClipPath(*clip, Qt::IntersectClip);
      draw(p);
    }
    const QRect touched = deviceClip.boundingRect();
    s->Changed(TRect(touched.left(), touched.top(), touched.right() + 1, touched.bottom() + 1));
    return true;
  });
  return ok ? GpOk : GpInvalidParameter;
}

namespace {
QBrush BrushOf(const TBrushData& b) {
  switch (b.kind) {
  case TBrushData::Solid:
    return QBrush(ColorOf(b.color));
  case TBrushData::Linear: {
    const GpRectF& r = b.rect;
    QPointF a(r.X, r.Y), z(r.X + r.Width, r.Y);
    if (b.mode == GpLinearVertical) z = QPointF(r.X, r.Y + r.Height);
    if (b.mode == GpLinearForwardDiagonal) z = QPointF(r.X + r.Width, r.Y + r.Height);
    if (b.mode == GpLinearBackwardDiagonal) {
      a = QPointF(r.X + r.Width, r.Y);
      z = QPointF(r.X, r.Y + r.Height);
    }
    QLinearGradient grad(a, z);
    grad.setSpread(QGradient::RepeatSpread);
    grad.setColorAt(0, ColorOf(b.color));
    grad.setColorAt(1, ColorOf(b.color2));
    return QBrush(grad);
  }
  case TBrushData::PathGradient: {
    // The boundary's ellipse (its bounding box) becomes a circle under a
    // vertical scale; the focus is the centre point.
    const QRectF box = b.path.boundingRect();
    const double rx = std::max(box.width() / 2, 1e-6);
    const double sy = std::max(box.height() / 2, 1e-6) / rx;
    const QPointF c = box.center();
    QPointF focal(b.center.x(), c.y() + (b.center.y() - c.y()) / sy);
    QRadialGradient grad(c, rx, focal);
    grad.setColorAt(0, ColorOf(b.centerColor));
    grad.setColorAt(1, ColorOf(b.surroundColor));
    QBrush brush(grad);
    brush.setTransform(QTransform::fromTranslate(0, c.y()).scale(1, sy).translate(0, -c.y()));
    return brush;
  }
  }
  return QBrush();
}

} // namespace

QBrush GdipBrushOf(const GpBrush* brush) {
  return BrushOf(*brush);
}

namespace {
/// Fills `shape` with the brush; a path-gradient brush paints only inside
/// its own boundary.
void FillWith(QPainter& p, const TBrushData& b, const QPainterPath& shape) {
  if (b.kind == TBrushData::PathGradient)
    p.fillPath(shape.intersected(b.path), BrushOf(b));
  else
    p.fillPath(shape, BrushOf(b));
}
} // namespace

// ---- drawing surfaces ------------------------------------------------------------------------

GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
  if (!graphics) return GpInvalidParameter;
  *graphics = nullptr;
  if (!gdi::Dc(dc)) return GpInvalidParameter;
  GpStatus s = Make(graphics);
  if (s == GpOk) (*graphics)->dc = dc;
  return s;
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics) {
  return GdipDeleteObject(graphics);
}

GpStatus GdipSetSmoothingMode(GpGraphics* g, int mode) {
  if (!g || mode < 0 || mode > GpSmoothingAntiAlias) return GpInvalidParameter;
  g->smooth = mode == GpSmoothingAntiAlias || mode == GpSmoothingHighQuality;
  return GpOk;
}

GpStatus GdipSetTextRenderingHint(GpGraphics* g, int hint) {
  if (!g || hint < 0 || hint > 5) return GpInvalidParameter;
  g->textHint = hint;
  return GpOk;
}

namespace {
/// Shortens the path's last line by the arrowhead's length and returns the
/// head (a triangle whose tip is the path's end point); empty when the path
/// does not end in a line segment long enough to point somewhere.
QPainterPath TakeArrowHead(QPainterPath& shape, double width) {
  const int n = shape.elementCount();
  if (n < 2 || !shape.elementAt(n - 1).isLineTo()) return {};
  const QPointF end = shape.elementAt(n - 1), from = shape.elementAt(n - 2);
  const QPointF d = end - from;
  const double length = std::hypot(d.x(), d.y());
  if (length <= 0) return {};
  const QPointF unit = d / length, normal(-unit.y(), unit.x());
  const double headLength = 2 * width, halfWidth = width;
  const QPointF base = end - unit * std::min(headLength, length);
  shape.setElementPositionAt(n - 1, base.x(), base.y());
  QPainterPath head;
  head.moveTo(end);
  head.lineTo(base + normal * halfWidth);
  head.lineTo(base - normal * halfWidth);
  head.closeSubpath();
  return head;
}
} // namespace

GpStatus GdipDrawPath(GpGraphics* g, GpPen* pen, GpPath* path) {
  if (!g || !pen || !path) return GpInvalidParameter;
  QPen qpen(ColorOf(pen->color), pen->width);
  qpen.setCapStyle(pen->cap);
  qpen.setJoinStyle(Qt::MiterJoin);
  QPainterPath shape = path->path;
  const QPainterPath head = pen->arrowAnchor ? TakeArrowHead(shape, pen->width) : QPainterPath();
  const QColor color = ColorOf(pen->color);
  return GdipPaint(g, [qpen, shape, head, color](QPainter& p) {
    p.strokePath(shape, qpen);
    if (!head.isEmpty()) p.fillPath(head, color);
  });
}

GpStatus GdipFillPath(GpGraphics* g, GpBrush* brush, GpPath* path) {
  if (!g || !brush || !path) return GpInvalidParameter;
  const TBrushData b = *brush;
  const QPainterPath shape = path->path;
  return GdipPaint(g, [b, shape](QPainter& p) { FillWith(p, b, shape); });
}

GpStatus GdipFillRectangle(GpGraphics* g, GpBrush* brush, float x, float y, float w, float h) {
  if (!g || !brush) return GpInvalidParameter;
  QPainterPath shape;
  shape.addRect(QRectF(x, y, w, h));
  const TBrushData b = *brush;
  return GdipPaint(g, [b, shape](QPainter& p) { FillWith(p, b, shape); });
}

GpStatus GdipSetClipRegion(GpGraphics* g, GpRegion* region, int mode) {
  if (!g || !region) return GpInvalidParameter;
  const QPainterPath& r = region->path;
  if (!g->clip || mode == GpCombineReplace) {
    if (mode == GpCombineReplace || mode == GpCombineIntersect || mode == GpCombineUnion ||
        mode == GpCombineXor || mode == GpCombineComplement) {
      g->clip = r;
      return GpOk;
    }
    if (mode == GpCombineExclude) return GpOk; // excluding from "everything" keeps no clip
    return GpInvalidParameter;
  }
  switch (mode) {
  case GpCombineIntersect:
    g->clip = g->clip->intersected(r);
    return GpOk;
  case GpCombineUnion:
    g->clip = g->clip->united(r);
    return GpOk;
  case GpCombineXor:
    g->clip = g->clip->united(r).subtracted(g->clip->intersected(r));
    return GpOk;
  case GpCombineExclude:
    g->clip = g->clip->subtracted(r);
    return GpOk;
  case GpCombineComplement:
    g->clip = r.subtracted(*g->clip);
    return GpOk;
  default:
    return GpInvalidParameter;
  }
}

GpStatus GdipResetClip(GpGraphics* g) {
  if (!g) return GpInvalidParameter;
  g->clip.reset();
  return GpOk;
}

// ---- pens ----------------------------------------------------------------------------------

GpStatus GdipCreatePen1(ARGB color, float width, int unit, GpPen** pen) {
  if (!pen) return GpInvalidParameter;
  *pen = nullptr;
  if (unit != 0 && unit != 2) return GpInvalidParameter; // world or pixel units
  GpStatus s = Make(pen);
  if (s == GpOk) {
    (*pen)->color = color;
    (*pen)->width = width;
  }
  return s;
}

GpStatus GdipDeletePen(GpPen* pen) {
  return GdipDeleteObject(pen);
}

GpStatus GdipSetPenEndCap(GpPen* pen, int cap) {
  if (!pen) return GpInvalidParameter;
  pen->arrowAnchor = false;
  switch (cap) {
  case GpCapFlat:
  case GpCapTriangle:
    pen->cap = Qt::FlatCap;
    return GpOk;
  case GpCapArrowAnchor:
    pen->cap = Qt::FlatCap;
    pen->arrowAnchor = true;
    return GpOk;
  case GpCapSquare:
    pen->cap = Qt::SquareCap;
    return GpOk;
  case GpCapRound:
    pen->cap = Qt::RoundCap;
    return GpOk;
  default:
    return GpInvalidParameter;
  }
}

// ---- brushes -------------------------------------------------------------------------------

GpStatus GdipCreateSolidFill(ARGB color, GpBrush** brush) {
  if (!brush) return GpInvalidParameter;
  GpStatus s = Make(brush);
  if (s == GpOk) (*brush)->color = color;
  return s;
}

GpStatus GdipCreateLineBrushFromRect(const GpRectF* rect, ARGB c1, ARGB c2, int mode, int wrap,
                                     GpBrush** brush) {
  if (!brush) return GpInvalidParameter;
  *brush = nullptr;
  if (!rect || mode < 0 || mode > 3 || wrap != 0) return GpInvalidParameter;
  if (rect->Width == 0 || rect->Height == 0) return GpOutOfMemory; // a degenerate gradient
  GpStatus s = Make(brush);
  if (s != GpOk) return s;
  (*brush)->kind = TBrushData::Linear;
  (*brush)->rect = *rect;
  (*brush)->color = c1;
  (*brush)->color2 = c2;
  (*brush)->mode = mode;
  return GpOk;
}

GpStatus GdipCreatePathGradientFromPath(GpPath* path, GpBrush** brush) {
  if (!brush) return GpInvalidParameter;
  *brush = nullptr;
  if (!path || path->points < 2) return GpInvalidParameter;
  GpStatus s = Make(brush);
  if (s != GpOk) return s;
  GpBrush& b = **brush;
  b.kind = TBrushData::PathGradient;
  b.path = path->path;
  b.path.setFillRule(Qt::WindingFill);
  b.points = path->points;
  b.center = path->path.boundingRect().center();
  return GpOk;
}

GpStatus GdipSetPathGradientCenterColor(GpBrush* brush, ARGB color) {
  if (!brush || brush->kind != TBrushData::PathGradient) return GpInvalidParameter;
  brush->centerColor = color;
  return GpOk;
}

GpStatus GdipGetPathGradientPointCount(GpBrush* brush, int* count) {
  if (!brush || !count || brush->kind != TBrushData::PathGradient) return GpInvalidParameter;
  *count = brush->points;
  return GpOk;
}

GpStatus GdipSetPathGradientSurroundColorsWithCount(GpBrush* brush, const ARGB* colors,
                                                    int* count) {
  if (!brush || !colors || !count || brush->kind != TBrushData::PathGradient)
    return GpInvalidParameter;
  if (*count < 1 || *count > brush->points) return GpInvalidParameter;
  // One colour for the whole boundary: the first one given.
  brush->surroundColor = colors[0];
  return GpOk;
}

GpStatus GdipSetPathGradientCenterPointI(GpBrush* brush, const GpPointI* point) {
  if (!brush || !point || brush->kind != TBrushData::PathGradient) return GpInvalidParameter;
  brush->center = QPointF(point->X, point->Y);
  return GpOk;
}

GpStatus GdipDeleteBrush(GpBrush* brush) {
  return GdipDeleteObject(brush);
}

// ---- paths and regions ---------------------------------------------------------------------

GpStatus GdipCreatePath(int fillMode, GpPath** path) {
  if (!path) return GpInvalidParameter;
  *path = nullptr;
  if (fillMode != GpFillAlternate && fillMode != GpFillWinding) return GpInvalidParameter;
  GpStatus s = Make(path);
  if (s == GpOk)
    (*path)->path.setFillRule(fillMode == GpFillWinding ? Qt::WindingFill : Qt::OddEvenFill);
  return s;
}

GpStatus GdipDeletePath(GpPath* path) {
  return GdipDeleteObject(path);
}

GpStatus GdipClosePathFigure(GpPath* path) {
  if (!path) return GpInvalidParameter;
  if (path->figureOpen) path->path.closeSubpath();
  path->figureOpen = false;
  return GpOk;
}

namespace {
/// Continues the open figure at `p` (joining with a line), or starts one.
void Continue(GpPath& path, QPointF p) {
  if (path.figureOpen)
    path.path.lineTo(p);
  else
    path.path.moveTo(p);
  path.figureOpen = true;
}
} // namespace

GpStatus GdipAddPathLine(GpPath* path, float x1, float y1, float x2, float y2) {
  if (!path) return GpInvalidParameter;
  Continue(*path, QPointF(x1, y1));
  path->path.lineTo(x2, y2);
  path->points += 2;
  return GpOk;
}

GpStatus GdipAddPathArc(GpPath* path, float x, float y, float w, float h, float start,
                        float sweep) {
  if (!path || w <= 0 || h <= 0) return GpInvalidParameter;
  const QRectF box(x, y, w, h);
  QPainterPath probe;
  probe.arcMoveTo(box, -start);
  Continue(*path, probe.currentPosition());
  path->path.arcTo(box, -start, -sweep);
  path->points += 1 + 3 * std::max(1, int(std::ceil(std::fabs(sweep) / 90.0)));
  return GpOk;
}

GpStatus GdipAddPathEllipse(GpPath* path, float x, float y, float w, float h) {
  if (!path) return GpInvalidParameter;
  if (path->figureOpen) path->figureOpen = false;
  path->path.addEllipse(QRectF(x, y, w, h));
  path->points += 13;
  return GpOk;
}

GpStatus GdipAddPathPolygonI(GpPath* path, const GpPointI* points, int count) {
  if (!path || !points || count < 3) return GpInvalidParameter;
  path->figureOpen = false;
  path->path.moveTo(points[0].X, points[0].Y);
  for (int i = 1; i < count; ++i)
    path->path.lineTo(points[i].X, points[i].Y);
  path->path.closeSubpath();
  path->points += count;
  return GpOk;
}

GpStatus GdipAddPathCurveI(GpPath* path, const GpPointI* points, int count) {
  if (!path || !points || count < 2) return GpInvalidParameter;
  auto at = [&](int i) {
    i = std::clamp(i, 0, count - 1);
    return QPointF(points[i].X, points[i].Y);
  };
  const double k = 0.5 / 3.0; // tension 0.5
  Continue(*path, at(0));
  for (int i = 0; i + 1 < count; ++i) {
    const QPointF c1 = at(i) + (at(i + 1) - at(i - 1)) * k;
    const QPointF c2 = at(i + 1) - (at(i + 2) - at(i)) * k;
    path->path.cubicTo(c1, c2, at(i + 1));
  }
  path->points += 3 * (count - 1) + 1;
  return GpOk;
}

GpStatus GdipGetPointCount(GpPath* path, int* count) {
  if (!path || !count) return GpInvalidParameter;
  *count = path->points;
  return GpOk;
}

GpStatus GdipCreateRegionPath(GpPath* path, GpRegion** region) {
  if (!region) return GpInvalidParameter;
  *region = nullptr;
  if (!path) return GpInvalidParameter;
  GpStatus s = Make(region);
  if (s == GpOk) (*region)->path = path->path;
  return s;
}

GpStatus GdipDeleteRegion(GpRegion* region) {
  return GdipDeleteObject(region);
}

// ---- images: drawing (decoding is in GdiPlusImage.cpp) -------------------------------------

GpStatus GdipDrawImageRect(GpGraphics* g, GpImage* image, float x, float y, float w, float h) {
  if (!g || !image) return GpInvalidParameter;
  const QImage picture = GdipImagePixels(image);
  if (picture.isNull()) return GpInvalidParameter;
  return GdipPaint(g, [picture, x, y, w, h](QPainter& p) {
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    // Image edges lie on pixel edges, not centres.
    p.drawImage(QRectF(x - 0.5, y - 0.5, w, h), picture);
  });
}
