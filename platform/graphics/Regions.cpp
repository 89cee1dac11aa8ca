// Regions and clipping. Regions are sets of device pixels.
#include <algorithm>
#include <cmath>

#include "platform/graphics/GdiInternal.h"

namespace gdi {
namespace {
int Complexity(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
HRGN NewRegion(const QRegion& r) {
  auto o = std::make_shared<TRegionObject>();
  o->region = r;
  return Register(o);
}
int Clamp(std::int64_t v) {
  return int(std::clamp<std::int64_t>(v, -(1 << 28), 1 << 28));
}
QRegion RectRegion(std::int64_t l64, std::int64_t t64, std::int64_t r64, std::int64_t b64) {
  int l = Clamp(l64), t = Clamp(t64), r = Clamp(r64), b = Clamp(b64);
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (r <= l || b <= t) return QRegion();
  return QRegion(l, t, r - l, b - t);
}
} // namespace
} // namespace gdi

using namespace gdi;

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return NewRegion(RectRegion(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) return nullptr;
  return CreateRectRgn(rect->Left, rect->Top, rect->Right, rect->Bottom);
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (!points || count < 2) return nullptr;
  QPolygonF poly;
  int minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
  for (int i = 0; i < count; ++i) {
    poly << QPointF(points[i].x, points[i].y);
    minX = std::min(minX, points[i].x);
    maxX = std::max(maxX, points[i].x);
    minY = std::min(minY, points[i].y);
    maxY = std::max(maxY, points[i].y);
  }
  std::vector<TSpan> spans;
  PolygonSpans({poly}, fillMode == WINDING, spans, QRect(QPoint(minX, minY), QPoint(maxX, maxY)));
  return NewRegion(SpansToRegion(spans));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  QPainterPath p;
  p.addEllipse(QRectF(left, top, (double(right) - left), (double(bottom) - top)));
  std::vector<TSpan> spans;
  PathSpans(p, spans, QRect(QPoint(left, top), QPoint(right, bottom)));
  return NewRegion(SpansToRegion(spans));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
  QPainterPath p;
  p.addRoundedRect(QRectF(left, top, double(right) - left, double(bottom) - top),
                   std::abs(width) / 2.0, std::abs(height) / 2.0);
  std::vector<TSpan> spans;
  PathSpans(p, spans, p.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1));
  return NewRegion(SpansToRegion(spans));
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  auto d = Region(dest), a = Region(src1);
  if (!d || !a) return ERROR;
  if (mode == RGN_COPY) {
    d->region = a->region;
    return Complexity(d->region);
  }
  auto b = Region(src2);
  if (!b) return ERROR;
  switch (mode) {
  case RGN_AND:
    d->region = a->region & b->region;
    break;
  case RGN_OR:
    d->region = a->region | b->region;
    break;
  case RGN_XOR:
    d->region = a->region ^ b->region;
    break;
  case RGN_DIFF:
    d->region = a->region - b->region;
    break;
  default:
    return ERROR;
  }
  return Complexity(d->region);
}

int GetRgnBox(HRGN rgn, RECT* box) {
  auto r = Region(rgn);
  if (!r || !box) return ERROR;
  if (r->region.isEmpty()) {
    *box = RECT(0, 0, 0, 0);
    return NULLREGION;
  }
  QRect b = r->region.boundingRect();
  *box = RECT(b.left(), b.top(), b.right() + 1, b.bottom() + 1);
  return Complexity(r->region);
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  auto r = Region(rgn);
  if (!r) return ERROR;
  r->region.translate(dx, dy);
  return Complexity(r->region);
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  auto r = Region(rgn);
  return r && r->region.contains(QPoint(x, y));
}

BOOL EqualRgn(HRGN a, HRGN b) {
  auto ra = Region(a), rb = Region(b);
  return ra && rb && ra->region == rb->region;
}

BOOL FillRgn(HDC h, HRGN rgn, HBRUSH brush) {
  auto r = Region(rgn);
  auto b = LookupAs<TBrushObject>(brush, OBJ_BRUSH);
  if (!r || !b) return FALSE;
  QRegion region = r->region;
  return Run(h, [region, b](TDc& d) {
    TTarget t(d.surface, &d.ClipRects());
    TFill f = d.BrushFill(b.get());
    f.rop2 = R2_COPYPEN;
    for (const QRect& q : region)
      t.FillRect(q, f);
    t.Finish();
    return true;
  });
}

int SelectClipRgn(HDC h, HRGN rgn) {
  if (!rgn) return ExtSelectClipRgn(h, nullptr, RGN_COPY);
  return ExtSelectClipRgn(h, rgn, RGN_COPY);
}

int ExtSelectClipRgn(HDC h, HRGN rgn, int mode) {
  TDc* dc = Dc(h);
  if (!dc) return ERROR;
  std::optional<QRegion> region;
  if (rgn) {
    auto r = Region(rgn);
    if (!r) return ERROR;
    region = r->region;
  } else if (mode != RGN_COPY) {
    return ERROR;
  }
  bool ok = RunState(h, [region, mode](TDc& d) {
    if (!region) {
      d.state.clipped = false;
      d.state.clip = QRegion();
    } else {
      QRegion current =
          d.state.clipped ? d.state.clip : QRegion(0, 0, d.SurfaceWidth(), d.SurfaceHeight());
      switch (mode) {
      case RGN_AND:
        d.state.clip = current & *region;
        break;
      case RGN_OR:
        d.state.clip = current | *region;
        break;
      case RGN_XOR:
        d.state.clip = current ^ *region;
        break;
      case RGN_DIFF:
        d.state.clip = current - *region;
        break;
      default:
        d.state.clip = *region;
      }
      d.state.clipped = true;
    }
    d.InvalidateClip();
    return true;
  });
  if (!ok) return ERROR;
  if (!dc->state.clipped) return SIMPLEREGION;
  return Complexity(dc->state.clip);
}

namespace {
QRegion LogicalRectToDevice(const TDc& d, int l, int t, int r, int b) {
  QTransform xf = d.Transform();
  if (xf.type() <= QTransform::TxTranslate) {
    int dx = int(std::floor(xf.dx() + 0.5)), dy = int(std::floor(xf.dy() + 0.5));
    return RectRegion(std::int64_t(l) + dx, std::int64_t(t) + dy, std::int64_t(r) + dx,
                      std::int64_t(b) + dy);
  }
  QPolygonF poly = xf.map(QPolygonF(QRectF(l, t, double(r) - l, double(b) - t)));
  std::vector<TSpan> spans;
  QRectF bb = poly.boundingRect();
  PolygonSpans({poly}, false, spans,
               QRect(int(std::floor(bb.left())) - 1, int(std::floor(bb.top())) - 1,
                     int(bb.width()) + 3, int(bb.height()) + 3));
  return SpansToRegion(spans);
}
} // namespace

int IntersectClipRect(HDC h, int left, int top, int right, int bottom) {
  TDc* dc = Dc(h);
  if (!dc) return ERROR;
  RunState(h, [=](TDc& d) {
    QRegion r = LogicalRectToDevice(d, left, top, right, bottom);
    d.state.clip = d.state.clipped ? (d.state.clip & r)
                                   : (r & QRegion(0, 0, d.SurfaceWidth(), d.SurfaceHeight()));
    d.state.clipped = true;
    d.InvalidateClip();
    return true;
  });
  return Complexity(dc->state.clip);
}

int ExcludeClipRect(HDC h, int left, int top, int right, int bottom) {
  TDc* dc = Dc(h);
  if (!dc) return ERROR;
  RunState(h, [=](TDc& d) {
    QRegion r = LogicalRectToDevice(d, left, top, right, bottom);
    QRegion current =
        d.state.clipped ? d.state.clip : QRegion(0, 0, d.SurfaceWidth(), d.SurfaceHeight());
    d.state.clip = current - r;
    d.state.clipped = true;
    d.InvalidateClip();
    return true;
  });
  return Complexity(dc->state.clip);
}

int GetClipBox(HDC h, RECT* box) {
  TDc* dc = Dc(h);
  if (!dc || !box) return ERROR;
  QRegion all(0, 0, dc->SurfaceWidth(), dc->SurfaceHeight());
  QRegion visible = dc->state.clipped ? dc->state.clip & all : all;
  if (visible.isEmpty()) {
    *box = RECT(0, 0, 0, 0);
    return NULLREGION;
  }
  QRect b = visible.boundingRect();
  QRectF logical =
      dc->Transform().inverted().mapRect(QRectF(b.left(), b.top(), b.width(), b.height()));
  *box = RECT(int(std::floor(logical.left() + 1e-9)), int(std::floor(logical.top() + 1e-9)),
              int(std::ceil(logical.right() - 1e-9)), int(std::ceil(logical.bottom() - 1e-9)));
  return Complexity(visible);
}

int GetClipRgn(HDC h, HRGN rgn) {
  TDc* dc = Dc(h);
  auto r = Region(rgn);
  if (!dc || !r) return -1;
  if (!dc->state.clipped) return 0;
  r->region = dc->state.clip;
  return 1;
}
