// TGIS_Viewer: full extent, offsets, zoom, scale, rotation, dragging and the
// map <-> screen transforms.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "gis/coords/GisProjections.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

/// Round for a double: the same result (halves to the even neighbour, in any
/// rounding mode), without the extended-precision path, which costs more than
/// the rest of a map-to-screen transform. NaN and values past 2^52 (already
/// whole, or beyond int64) take Round itself. The steps are comparisons
/// turned into numbers, not branches: whether a value lies above a half is as
/// good as random across a shape's vertices.
Int64 RoundDouble(double v) {
  if (!(std::fabs(v) < 4503599627370496.0)) return Round(v);
  // The floor through truncation (exact below 2^52), without a library call.
  const double t = double(Int64(v));
  const double r = t - double(t > v);
  const double d = v - r; // exact, or rounded up towards 1 when -0.5 < v < 0
  const Int64 floor = Int64(r);
  return floor + Int64((d > 0.5) | ((d == 0.5) & ((floor & 1) != 0)));
}

} // namespace

// ------------------------------------------------------------------ transforms

TGIS_Point TGIS_Viewer::MapToScreenFloat(const TGIS_Point& p) {
  if (!(zoom_ > 0)) Abort();
  SK_ASSERT(!GisIsEmptyExtent(extent_), "Assertion failure", "GisViewer", __LINE__);
  return TGIS_Point{(p.X - extent_.XMin - offX_) * zoom_ + printOffset_.x,
                    (extent_.YMax - p.Y - offY_) * zoom_ + printOffset_.y};
}

TPoint TGIS_Viewer::MapToScreen(const TGIS_Point& p) {
  if (!(zoom_ > 0)) Abort();
  SK_ASSERT(!GisIsEmptyExtent(extent_), "Assertion failure", "GisViewer", __LINE__);
  return TPoint(LONG(RoundDouble((p.X - extent_.XMin - offX_) * zoom_) + printOffset_.x),
                LONG(RoundDouble((extent_.YMax - p.Y - offY_) * zoom_) + printOffset_.y));
}

void TGIS_Viewer::MapToScreenArray(const TGIS_Point* points, int count, TPoint* out) {
  if (count <= 0) return;
  if (!(zoom_ > 0)) Abort();
  SK_ASSERT(!GisIsEmptyExtent(extent_), "Assertion failure", "GisViewer", __LINE__);
  const double x0 = extent_.XMin, y1 = extent_.YMax;
  for (int i = 0; i < count; ++i)
    out[i] = TPoint(LONG(RoundDouble((points[i].X - x0 - offX_) * zoom_) + printOffset_.x),
                    LONG(RoundDouble((y1 - points[i].Y - offY_) * zoom_) + printOffset_.y));
}

TGIS_Point TGIS_Viewer::ScreenToMapFloat(const TGIS_Point& p) {
  if (!(zoom_ > 0)) Abort();
  SK_ASSERT(!GisIsEmptyExtent(extent_), "Assertion failure", "GisViewer", __LINE__);
  return TGIS_Point{(p.X - printOffset_.x) / zoom_ + offX_ + extent_.XMin,
                    extent_.YMax - ((p.Y - printOffset_.y) / zoom_ + offY_)};
}

TGIS_Point TGIS_Viewer::ScreenToMap(const TPoint& p) {
  return ScreenToMapFloat(TGIS_Point{double(p.x), double(p.y)});
}

TRect TGIS_Viewer::MapToScreenRect(const TGIS_Extent& e) {
  if (!(zoom_ > 0)) Abort();
  SK_ASSERT(!GisIsEmptyExtent(extent_), "Empty viewer", "GisViewer", __LINE__);
  const TPoint tl = MapToScreen(TGIS_Point{e.XMin, e.YMax});
  const TPoint br = MapToScreen(TGIS_Point{e.XMax, e.YMin});
  return TRect(tl.x, tl.y, br.x, br.y);
}

TGIS_Extent TGIS_Viewer::ScreenToMapRect(const TRect& r) {
  if (!(zoom_ > 0)) Abort();
  SK_ASSERT(!GisIsEmptyExtent(extent_), "Empty viewer", "GisViewer", __LINE__);
  const TGIS_Point tl = ScreenToMap(TPoint(r.Left, r.Top));
  const TGIS_Point br = ScreenToMap(TPoint(r.Right, r.Bottom));
  return TGIS_Extent{tl.X, br.Y, br.X, tl.Y};
}

int TGIS_Viewer::PixelsPerInch() {
  TGIS_GDI* gdi = GetGDI();
  return gdi != nullptr && gdi->Font()->PixelsPerInch() > 0 ? gdi->Font()->PixelsPerInch() : 96;
}

int TGIS_Viewer::PixelsToTwips(int n) {
  // Sizes beyond what an int holds in twips keep the largest one.
  const double twips = double(n) * 1440 / PixelsPerInch();
  return int(Round(std::clamp(twips, double(std::numeric_limits<int>::min()),
                              double(std::numeric_limits<int>::max()))));
}

int TGIS_Viewer::TwipsToPixels(int t) {
  // A negative size is pixels; the most negative int has no positive
  // counterpart and gives the largest.
  if (t == std::numeric_limits<int>::min()) return std::numeric_limits<int>::max();
  if (t < 0) return -t;
  if (t == 0) return 0;
  const double n = double(t) * PixelsPerInch();
  if (n <= 1440) return 1;
  return int(RoundDouble(n / 1440));
}

// ------------------------------------------------------------------------ zoom

double TGIS_Viewer::FitZoom() {
  if (GisIsEmptyExtent(extent_)) return 1.0;
  double mx = std::fabs(extent_.XMax - extent_.XMin);
  double my = std::fabs(extent_.YMax - extent_.YMin);
  double w = GetTargetWidth(), h = GetTargetHeight();
  const int m = bigExtentMargin_;
  if (m >= 1) {
    mx += mx * m / 100.0;
    my += my * m / 100.0;
  } else if (m < 0) {
    w -= double(Round(w * -m / 100.0));
    h -= double(Round(h * -m / 100.0));
  }
  if (!layers_.empty() && w >= 1 && h >= 1 && mx > 0 && my > 0) return std::min(w / mx, h / my);
  return 1.0;
}

void TGIS_Viewer::SetZoom(double zoom) {
  if (std::isnan(zoom)) return; // a NaN zoom would stop every transform for good
  if (zoom > 1e10) zoom = 1e10;
  if (layers_.empty()) {
    zoom_ = zoom;
    return;
  }
  if (GetRestrictedDrag()) {
    const double fit = FitZoom();
    if (fit > zoom * 1.01) zoom = fit;
  }
  offX_ = 0;
  offY_ = 0;
  labelsArea_->Clear();
  zoom_ = zoom;
  Recenter();
}

double TGIS_Viewer::GetZoomTwips() {
  return zoom_ / PixelsPerInch() * 1440;
}

void TGIS_Viewer::SetZoomTwips(double twips) {
  SetZoom(twips * PixelsPerInch() / 1440);
}

// ------------------------------------------------------------------------ scale

double TGIS_Viewer::GetScale() {
  if (IsEmpty()) return 1.0;
  const double w = GetTargetWidth(), h = GetTargetHeight();
  TGIS_Point a = ScreenToMapFloat(TGIS_Point{w / 2, h / 2});
  TGIS_Point b = ScreenToMapFloat(TGIS_Point{w / 2 + 10, h / 2});
  const double f = double(units_.Factor());
  a = TGIS_Point{a.X * f, a.Y * f};
  b = TGIS_Point{b.X * f, b.Y * f};
  if (units_.Type() >= gisUnitsAngularCustom && a.X < kTwoPi && a.Y < kTwoPi) {
    try {
      TGIS_ProjectionAbstract* gec = GisProjectionList().FindProjection("GEC");
      if (gec != nullptr) {
        TGIS_Point3D pa, pb;
        gec->Project(TGIS_Point3D{a.X, a.Y, 0, 0}, pa);
        gec->Project(TGIS_Point3D{b.X, b.Y, 0, 0}, pb);
        a = TGIS_Point{pa.X, pa.Y};
        b = TGIS_Point{pb.X, pb.Y};
      }
    } catch (...) {
    }
  }
  const double d = std::hypot(b.X - a.X, b.Y - a.Y);
  if (d == 0) return 1.0;
  return (PixelsToTwips(10) / 1440.0 * 2.54 / 100) / d;
}

void TGIS_Viewer::SetScale(double scale) {
  // Zero, negative and non-finite scales ("0", "1:0", "0:0") change nothing.
  if (!(scale > 0) || !std::isfinite(scale)) return;
  for (int round = 0; round < 10; ++round) {
    const double cur = GetScale();
    if (!(cur > 0) || !std::isfinite(cur)) return;
    if (std::fabs(cur - scale) / cur <= 1e-7) return;
    SetZoom(scale * zoom_ / cur);
  }
}

std::string TGIS_Viewer::GetScaleAsText() {
  const double s = GetScale();
  if (s == 0 || s > 1e300) return std::string();
  if (s >= 1) return Format("%.0f:1", {s});
  return Format("1:%.0f", {1 / s});
}

void TGIS_Viewer::SetScaleAsText(const std::string& text) {
  size_t sep = text.find(':');
  if (sep == std::string::npos) sep = text.find('/');
  if (sep == std::string::npos) {
    SetScale(GisStrToFloat(text));
    return;
  }
  const std::string a = text.substr(0, std::min<size_t>(sep, 1024));
  const std::string b = text.substr(sep + 1, 1024);
  SetScale(GisStrToFloat(a) / GisStrToFloat(b));
}

// ------------------------------------------------------------------ visible extent

TGIS_Extent TGIS_Viewer::TargetExtent(bool withPrintOffset) {
  if (GisIsEmptyExtent(extent_)) return TGIS_Extent{0, 0, 0, 0};
  const bool forDC = target_ == gisTargetDC || target_ == gisTargetLabels ||
                     target_ == gisTargetCharts || outerTarget_ == gisTargetDC ||
                     outerTarget_ == gisTargetPrinterTile;
  if (forDC) return ScreenToMapRect(GetDrawingRect(withPrintOffset));
  return ScreenToMapRect(TRect(0, 0, GetTargetWidth(), GetTargetHeight()));
}

TGIS_Extent TGIS_Viewer::ComputeVisibleExtent() {
  return TargetExtent(true);
}

TGIS_Extent TGIS_Viewer::ComputeVisibleExtentUnshifted() {
  return TargetExtent(false);
}

TGIS_Extent TGIS_Viewer::GetVisibleExtent() {
  if (paintDepth_ > 0) return frozenExtent_;
  return ComputeVisibleExtent();
}

void TGIS_Viewer::SetVisibleExtent(const TGIS_Extent& e) {
  if (IsEmpty() || !GisIsExtentIntersecting(e, extent_)) return;
  center_ = GisExtentCenter(e);
  const double mx = std::fabs(e.XMax - e.XMin), my = std::fabs(e.YMax - e.YMin);
  const double w = GetTargetWidth(), h = GetTargetHeight();
  double z = 0;
  if (mx != 0 && my != 0)
    z = std::min(w / mx, h / my);
  else if (mx != 0)
    z = w / mx;
  else if (my != 0)
    z = h / my;
  if (z > 0 && std::isfinite(z)) zoom_ = z;
  Recenter();
}

void TGIS_Viewer::SetCenter(const TGIS_Point& p) {
  SetCenterPoint(p);
}

void TGIS_Viewer::SetCenterPoint(const TGIS_Point& p) {
  center_ = p;
  Recenter();
}

void TGIS_Viewer::Recenter() {
  if (!(zoom_ > 0) || GisIsEmptyExtent(extent_)) return;
  const TGIS_Point p =
      ScreenToMapFloat(TGIS_Point{GetTargetWidth() / 2.0, GetTargetHeight() / 2.0});
  if (p.X != center_.X || p.Y != center_.Y) {
    DragMap(center_.X - p.X, p.Y - center_.Y);
    Update();
  }
}

// ------------------------------------------------------------------------ dragging

bool TGIS_Viewer::GetRestrictedDrag() const {
  return restrictedDrag_ && target_ != gisTargetDC && outerTarget_ != gisTargetDC;
}

TGIS_Extent TGIS_Viewer::ComputeBigExtent(double zoom) {
  TGIS_Extent e = extent_;
  const int m = bigExtentMargin_;
  if (m > 0) {
    const double f = m / 100.0 * 0.5;
    e.XMin = extent_.XMin - (extent_.XMax - extent_.XMin) * f;
    e.XMax = extent_.XMax + (extent_.XMax - e.XMin) * f;
    e.YMin = extent_.YMin - (extent_.YMax - extent_.YMin) * f;
    e.YMax = extent_.YMax + (extent_.YMax - e.YMin) * f;
  } else if (m < 0) {
    const double b = -m / 100.0 * 0.5 / zoom;
    const double dx = GetTargetWidth() * b, dy = GetTargetHeight() * b;
    e.XMin -= dx;
    e.XMax += dx;
    e.YMin -= dy;
    e.YMax += dy;
  }
  return e;
}

TGIS_Extent TGIS_Viewer::GetBigExtent() {
  return ComputeBigExtent(zoom_);
}

namespace {

/// A restricted move along one axis, in map units: when the big extent is
/// wider than the view, the offset stays within it; otherwise the map is
/// centred. Empty when the move stands as asked.
std::optional<double> RestrictedMove(double move, double off, double bigLo, double bigHi,
                                     double worldLo, double worldHi, double visible) {
  if (std::fabs(bigHi - bigLo) > visible) {
    const double lo = bigLo - worldLo, hi = bigHi - worldLo - visible;
    if (off + move < lo) return lo - off;
    if (off + move > hi) return hi - off;
    return std::nullopt;
  }
  return -(visible - std::fabs(worldHi - worldLo)) / 2 - off;
}

} // namespace

void TGIS_Viewer::DragMap(double mx, double my) {
  SK_ASSERT(zoom_ > 0, "Zoom must be > 0", "GisViewer", __LINE__);
  if (GetRestrictedDrag()) {
    const double visW = GetTargetWidth() / zoom_, visH = GetTargetHeight() / zoom_;
    const TGIS_Extent& w = extent_;
    const TGIS_Extent b = GetBigExtent();
    mx = RestrictedMove(mx, offX_, b.XMin, b.XMax, w.XMin, w.XMax, visW).value_or(mx);
    my = RestrictedMove(my, offY_, b.YMin, b.YMax, w.YMin, w.YMax, visH).value_or(my);
  }
  offX_ += mx;
  offY_ += my;
  if (target_ == gisTargetWindow && cachedPaint_) DropCache();
}

void TGIS_Viewer::DragPixels(int& mx, int& my) {
  SK_ASSERT(zoom_ > 0, "Zoom must be > 0", "GisViewer", __LINE__);
  if (GetRestrictedDrag()) {
    const double visW = GetTargetWidth() / zoom_, visH = GetTargetHeight() / zoom_;
    const TGIS_Extent& w = extent_;
    const TGIS_Extent b = GetBigExtent();
    if (auto m = RestrictedMove(mx / zoom_, offX_, b.XMin, b.XMax, w.XMin, w.XMax, visW))
      mx = int(Round(*m * zoom_));
    if (auto m = RestrictedMove(my / zoom_, offY_, b.YMin, b.YMax, w.YMin, w.YMax, visH))
      my = int(Round(*m * zoom_));
  }
  offX_ += mx / zoom_;
  offY_ += my / zoom_;
  if (target_ == gisTargetWindow && cachedPaint_) DropCache();
}

void TGIS_Viewer::SetOffsets(double x, double y) {
  if (x == offX_ && y == offY_) return;
  offX_ = x;
  offY_ = y;
  DropCache();
}

// --------------------------------------------------------------------- full extent

void TGIS_Viewer::RecalcExtent() {
  const TGIS_Extent old = extent_;
  const bool oldEmpty = GisIsEmptyExtent(old);
  TGIS_Point origin{0, 0};
  const bool noted = !oldEmpty && zoom_ > 0;
  if (noted) origin = ScreenToMap(TPoint(0, 0));

  TGIS_Extent e = GisEmptyExtent();
  for (TGIS_LayerAbstract* layer : layers_) {
    layer->RecalcProjectedExtent();
    if (!GisIsEmptyExtent(layer->ProjectedExtent()))
      e = GisIsEmptyExtent(e) ? layer->ProjectedExtent()
                              : GisExtentUnion(e, layer->ProjectedExtent());
  }
  if (!GisIsEmptyExtent(e)) e = GisExtentIntersection(e, restrictedExtent_);
  extent_ = e;
  if (!GisIsSameExtent(e, old)) {
    if (oldEmpty) {
      offX_ = e.XMin;
      offY_ = -e.YMax;
    } else {
      offX_ += e.XMin - old.XMin;
      offY_ += old.YMax - e.YMax;
    }
    ExtentChanged();
  }
  if (!GisIsEmptyExtent(extent_) && noted) {
    const double nx = origin.X - extent_.XMin;
    const double ny = extent_.YMax - origin.Y;
    SetOffsets(nx, ny);
  }
}

void TGIS_Viewer::SetRestrictedExtent(const TGIS_Extent& e) {
  const double m = zoom_ != 0 ? 1 / zoom_ : 0;
  restrictedExtent_ = TGIS_Extent{e.XMin - m, e.YMin - m, e.XMax + m, e.YMax + m};
  RecalcExtent();
}

// ------------------------------------------------------------------------ rotation

void TGIS_Viewer::SetRotationAngle(double angle) {
  rotationAngle_ = angle;
  cosMinus_ = std::cos(-angle);
  sinMinus_ = std::sin(-angle);
  cosPlus_ = std::cos(angle);
  sinPlus_ = std::sin(angle);
  RecalcExtent();
}

TGIS_Point TGIS_Viewer::RotatePoint(const TGIS_Point& p) const {
  const double dx = p.X - rotationPoint_.X, dy = p.Y - rotationPoint_.Y;
  return TGIS_Point{rotationPoint_.X + cosMinus_ * dx - sinMinus_ * dy,
                    rotationPoint_.Y + sinMinus_ * dx + cosMinus_ * dy};
}

TGIS_Point3D TGIS_Viewer::RotatePoint3D(const TGIS_Point3D& p) const {
  const TGIS_Point r = RotatePoint(TGIS_Point{p.X, p.Y});
  return TGIS_Point3D{r.X, r.Y, p.Z, p.M};
}

TGIS_Point TGIS_Viewer::UnrotatePoint(const TGIS_Point& p) const {
  const double dx = p.X - rotationPoint_.X, dy = p.Y - rotationPoint_.Y;
  return TGIS_Point{rotationPoint_.X + cosPlus_ * dx - sinPlus_ * dy,
                    rotationPoint_.Y + sinPlus_ * dx + cosPlus_ * dy};
}

void TGIS_Viewer::SetRotationPoint(const TGIS_Point& p) {
  const TGIS_Point c1 = RotatePoint(center_);
  rotationPoint_ = UnrotatePoint(p);
  const TGIS_Point c2 = RotatePoint(center_);
  SetOffsets(offX_ + c2.X - c1.X, offY_ + c1.Y - c2.Y);
  SetRotationAngle(rotationAngle_);
}
