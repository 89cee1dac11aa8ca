// TGIS_ViewerWnd: mouse buttons and moves, ScrollBy, ZoomBy, the zoom preview
// and the deferred zoom.
#include <algorithm>
#include <climits>
#include <cmath>

#include "gis/viewer/GisEditor.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Ticks.h"

namespace {

bool AnyButton(TShiftState shift) {
  return shift.Contains(TShiftStateItem::ssLeft) || shift.Contains(TShiftStateItem::ssRight) ||
         shift.Contains(TShiftStateItem::ssMiddle);
}

TColor RandomBandColor() {
  return TColor(Random(0x1000000));
}

} // namespace

// ------------------------------------------------------------------ scrolling

void TGIS_ViewerWnd::ScrollBy(int mx, int my) {
  DragPixels(mx, my);
  if (mx == 0 && my == 0) return;
  pending_ = incrementalPaint_;
  if (IsLocked() || (fullPaint_ && !pending_)) {
    Update();
  } else if (HandleAllocated()) {
    const TRect clip = gdiWindow_->GetClipBox();
    ScrollWindowEx(Handle(), -mx, -my, nullptr, &clip, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
  }
  center_ = GisExtentCenter(GetVisibleExtent());
  RememberVisibleExtent();
}

// ------------------------------------------------------------------ zooming

void TGIS_ViewerWnd::ZoomPreview(double f) {
  if (!HandleAllocated()) return;
  TBitmap* cache = gdiCache_->Bitmap();
  const int w = ClientWidth(), h = ClientHeight();
  if (cache == nullptr || cache->Empty() || w <= 0 || h <= 0) return;
  const double ex = (w * f - w) / 2, ey = (h * f - h) / 2;
  const double sx = double(Round((zoomPoint_.x - w / 2.0) * ex / w) * 2);
  const double sy = double(Round((zoomPoint_.y - h / 2.0) * ey / h) * 2);
  TBitmap preview;
  preview.Assign(cache);
  {
    auto gdi = TGIS_GDI::CreateForBitmap(&preview);
    gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
    gdi->Brush()->SetColor(gisColor_);
    gdi->FillRect(gdiWindow_->GetClipBox());
    gdi->StretchDrawGraphic(TRect(LONG(Round(-ex - sx)), LONG(Round(-ey - sy)),
                                  LONG(Round(w + ex - sx)), LONG(Round(h + ey - sy))),
                            cache);
  }
  gdiWindow_->DrawGraphic(0, 0, &preview);
}

void TGIS_ViewerWnd::ZoomBy(int x, int y, int steps, double factor) {
  if (!zoomTimer_->Enabled()) BusyPrepare(this);
  zoomTimer_->SetEnabled(false);
  if (zoomFactor_ == 1.0) {
    zoomPoint_ = TPoint(x, y);
    zoomFactor_ = 1.00001;
  }
  factor = std::max(factor, 0.0);
  if (!cachedPaint_) {
    zoomFactor_ *= factor;
    DeferredZoom();
    return;
  }
  const int n = std::max(1, steps);
  const double start = zoomFactor_;
  for (int i = 1; i <= n; ++i) {
    zoomFactor_ = start * ((factor - 1) / n * i + 1);
    if (zoomFactor_ > 0.001 && zoomFactor_ < 100) ZoomPreview(zoomFactor_);
  }
  zoomTimer_->SetEnabled(true);
}

void TGIS_ViewerWnd::DeferredZoom() {
  if (zoomTimer_->Tag() == 1) return;
  zoomTimer_->SetTag(1);
  zoomTimer_->SetEnabled(false);
  const double angle = rotationAngle_;
  // Whatever SetZoom or ScrollBy raise, the viewer must be usable again:
  // the running mark and the busy depth go back with the angle and the lock.
  struct TFinally {
    TGIS_ViewerWnd* self;
    double angle;
    ~TFinally() {
      try {
        self->TGIS_Viewer::SetRotationAngle(angle);
      } catch (...) {
      }
      self->Unlock();
      self->zoomFactor_ = 1.0;
      self->zoomTimer_->SetTag(0);
      try {
        if (self->IsBusy()) self->BusyRelease(self);
      } catch (...) {
      }
    }
  };
  TGIS_Viewer::SetRotationAngle(0);
  Lock();
  TFinally fin{this, angle};
  const double f = zoomFactor_;
  const TRect r = MapToScreenRect(GetVisibleExtent());
  const int w = ClientWidth(), h = ClientHeight();
  const double ex = (r.Right * f - r.Right) / 2, ey = (r.Bottom * f - r.Bottom) / 2;
  const int sx = int(Round((zoomPoint_.x - w / 2.0) * ex / w) * 2);
  const int sy = int(Round((zoomPoint_.y - h / 2.0) * ey / h) * 2);
  SetZoom(zoom_ * f);
  zoomFactor_ = 1.0;
  ScrollBy(sx, sy);
  center_ = GisExtentCenter(GetVisibleExtent());
}

double TGIS_ViewerWnd::ZoomExFactor(int y) const {
  const int h = std::max(1, ClientHeight());
  double f = std::pow(1 + std::abs(y - downPos_.y) / double(h), 10);
  if (y < downPos_.y) f = 1 / f;
  return f;
}

TRect TGIS_ViewerWnd::BandRect() const {
  return TRect(std::min(downPos_.x, lastPos_.x), std::min(downPos_.y, lastPos_.y),
               std::max(downPos_.x, lastPos_.x), std::max(downPos_.y, lastPos_.y));
}

void TGIS_ViewerWnd::ZoomWithBand(int x, int y) {
  (void)x, (void)y;
  const TRect band = BandRect();
  const bool zoomIn = lastPos_.x - downPos_.x >= 0 && lastPos_.y - downPos_.y >= 0;
  const double angle = rotationAngle_;
  TGIS_Viewer::SetRotationAngle(0);
  Lock();
  auto restore = ScopeExit([&] {
    TGIS_Viewer::SetRotationAngle(angle);
    Unlock();
  });
  if (zoomIn) {
    SetVisibleExtent(ScreenToMapRect(band));
    SetZoom(zoom_);
  } else {
    const int w = ClientWidth(), h = ClientHeight();
    const TRect mirror(w - band.Right, h - band.Bottom, w - band.Left, h - band.Top);
    SetCenterPoint(ScreenToMapFloat(
        TGIS_Point{(mirror.Left + mirror.Right) / 2.0, (mirror.Top + mirror.Bottom) / 2.0}));
    const double boxDiagonal = std::hypot(double(band.Width()), double(band.Height()));
    const double windowDiagonal = std::hypot(double(w), double(h));
    SetZoom(zoom_ * boxDiagonal / windowDiagonal);
  }
  restore.Run();
}

// ------------------------------------------------------------------ mouse

void TGIS_ViewerWnd::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!IsEmpty() && !IsBusy() && button == modeMouseButton_) {
    switch (mode_) {
    case gisDrag:
      dragging_ = true;
      downPos_ = TPoint(x, y);
      dragOffX_ = offX_;
      dragOffY_ = offY_;
      break;
    case gisZoom:
    case gisZoomEx:
      zooming_ = true;
      downPos_ = TPoint(x, y);
      lastPos_ = TPoint(INT_MIN, INT_MIN);
      break;
    case gisEdit:
      editing_ = true;
      downPos_ = TPoint(x, y);
      lastPos_ = TPoint(INT_MIN, INT_MIN);
      editor_->PointDown(TPoint(x, y), !shift.Contains(TShiftStateItem::ssCtrl));
      break;
    default:
      break;
    }
  }
  TGIS_Viewer::MouseDown(button, shift, x, y);
}

void TGIS_ViewerWnd::MouseMove(TShiftState shift, int x, int y) {
  if (!AnyButton(shift)) {
    dragging_ = zooming_ = editing_ = false;
  } else if (dragging_) {
    if (x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) {
      ScrollBy(downPos_.x - x, downPos_.y - y);
      downPos_ = TPoint(x, y);
      pending_ = incrementalPaint_;
      lastFullRepaint_ = GetTickCount() + 5000;
    }
  } else if (zooming_ && (mode_ == gisZoom || (mode_ == gisZoomEx && !cachedPaint_))) {
    TGIS_GDI* gdi = gdiWindow_.get();
    gdi->PrepareRubberBand();
    x = std::clamp(x, 0, std::max(0, ClientWidth() - 1));
    y = std::clamp(y, 0, std::max(0, ClientHeight() - 1));
    if (BandDrawn()) gdi->XorRectangle(BandRect());
    lastPos_ = TPoint(INT_MIN, INT_MIN);
    const int minimum = TwipsToPixels(minZoomSize_);
    if (std::abs(x - downPos_.x) >= minimum && std::abs(y - downPos_.y) >= minimum) {
      gdi->SetRubberBandColor(RandomBandColor());
      lastPos_ = TPoint(x, y);
      gdi->XorRectangle(BandRect());
    }
  } else if (editing_ && mode_ == gisEdit) {
    TGIS_GDI* gdi = gdiWindow_.get();
    if (BandDrawn()) gdi->XorLine(downPos_.x, downPos_.y, lastPos_.x, lastPos_.y);
    gdi->SetRubberBandColor(RandomBandColor());
    lastPos_ = TPoint(x, y);
    gdi->XorLine(downPos_.x, downPos_.y, x, y);
    editor_->Track();
  } else if (zooming_ && mode_ == gisZoomEx && cachedPaint_) {
    lastPos_ = TPoint(x, y);
    const double f = ZoomExFactor(y);
    if (f != 1) {
      zoomPoint_ = downPos_;
      ZoomPreview(f);
    }
  }
  TGIS_Viewer::MouseMove(shift, x, y);
}

void TGIS_ViewerWnd::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!IsEmpty() && !IsBusy() && button == modeMouseButton_) {
    switch (mode_) {
    case gisSelect:
      if (autoCenter_) SetCenterPoint(ScreenToMap(TPoint(x, y)));
      break;
    case gisDrag:
      if (dragging_ && (offX_ != dragOffX_ || offY_ != dragOffY_)) {
        auto stopDragging = ScopeExit([this] { dragging_ = false; });
        TLockScope<TGIS_Viewer> lock(*this);
        SetCenterPoint(ScreenToMapFloat(TGIS_Point{ClientWidth() / 2.0, ClientHeight() / 2.0}));
        if (fullPaint_) Update();
        if (incrementalPaint_) {
          pending_ = false;
          lastFullRepaint_ = 0;
          FullRepaintStep();
        }
        stopDragging.Dismiss();
        lock.End();
      }
      dragOffX_ = offX_;
      dragOffY_ = offY_;
      dragging_ = false;
      break;
    case gisZoom:
    case gisZoomEx:
      if (!zooming_) break;
      zooming_ = false;
      if (mode_ == gisZoom || !cachedPaint_) {
        if (BandDrawn()) {
          gdiWindow_->InvertRectangle(BandRect());
          ZoomWithBand(x, y);
          lastPos_ = TPoint(INT_MIN, INT_MIN);
        }
      } else if (BandDrawn()) {
        zoomFactor_ = ZoomExFactor(lastPos_.y);
        zoomPoint_ = downPos_;
        lastPos_ = TPoint(INT_MIN, INT_MIN);
        BusyPrepare(this);
        DeferredZoom();
      }
      break;
    case gisEdit:
      if (editing_ && BandDrawn())
        gdiWindow_->XorLine(downPos_.x, downPos_.y, lastPos_.x, lastPos_.y);
      lastPos_ = TPoint(INT_MIN, INT_MIN);
      editing_ = false;
      editor_->PointUp(TPoint(x, y));
      if (autoCenter_) SetCenterPoint(ScreenToMap(TPoint(x, y)));
      break;
    default:
      break;
    }
  }
  TGIS_Viewer::MouseUp(button, shift, x, y);
}
