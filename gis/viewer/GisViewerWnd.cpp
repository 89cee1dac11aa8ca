// TGIS_ViewerWnd: construction, modes and cursors, the paint decision,
// erase and resize handling, the full-repaint timer and the scroll bars.
#include <cmath>

#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Ticks.h"

namespace {

void LoadModeCursor(int slot, const char* name) {
  try {
    if (HCURSOR c = LoadCursorResource(name); c != 0) Screen()->SetCursors(slot, c);
  } catch (const Exception&) {
    // Artwork not registered: the slot keeps the platform's cursor.
  }
}

constexpr int kScrollRange = 15000;

} // namespace

TGIS_ViewerWnd::TGIS_ViewerWnd(TComponent* owner) : TGIS_Viewer(owner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csNeedsBorderPaint);
  SetControlStyle(style);
  SetBounds(Left(), Top(), 100, 100);
  SetCtl3D(true);
  TWinControl::SetBorderStyle(TBorderStyle::bsSingle);
  cachedPaint_ = true;
  SetIncrementalPaint(true);
  TControl::SetColor(clWindow);
  gisColor_ = clWindow;
  LoadModeCursor(crGisDrag, "HANDGRAB");
  LoadModeCursor(crGisSelect, "HANDPNT");
  LoadModeCursor(crGisZoom, "HANDZOOM");
  LoadModeCursor(crGisEdit, "HANDEDIT");
  fullRepaintTimer_ = new TTimer(this);
  fullRepaintTimer_->SetEnabled(false);
  fullRepaintTimer_->SetInterval(300);
  fullRepaintTimer_->SetOnTimer([this](TPersistent*) { FullRepaintStep(); });
  zoomTimer_ = new TTimer(this);
  zoomTimer_->SetEnabled(false);
  zoomTimer_->SetInterval(600);
  zoomTimer_->SetOnTimer([this](TPersistent*) { DeferredZoom(); });
  cursorTimer_ = new TTimer(this);
  cursorTimer_->SetEnabled(false);
  cursorTimer_->SetInterval(500);
  SetMode(gisSelect);
}

TGIS_ViewerWnd::~TGIS_ViewerWnd() {
  delete fullRepaintTimer_;
  delete zoomTimer_;
  delete cursorTimer_;
  fullRepaintTimer_ = zoomTimer_ = cursorTimer_ = nullptr;
}

// ---------------------------------------------------------------- modes, cursors

void TGIS_ViewerWnd::ApplyModeCursor() {
  switch (mode_) {
  case gisSelect:
    SetCursor(cursorForSelect_ != 0 ? cursorForSelect_ : crGisSelect);
    break;
  case gisDrag:
    SetCursor(cursorForDrag_ != 0 ? cursorForDrag_ : crGisDrag);
    break;
  case gisZoom:
  case gisZoomEx:
    SetCursor(cursorForZoom_ != 0 ? cursorForZoom_ : crGisZoom);
    break;
  case gisEdit:
    SetCursor(cursorForEdit_ != 0 ? cursorForEdit_ : crGisEdit);
    break;
  case gisUserDefined:
    break;
  }
  if (HandleAllocated()) Perform(WM_SETCURSOR, WPARAM(Handle()), MakeLParam(HTCLIENT, 0));
}

void TGIS_ViewerWnd::SetMode(TGIS_ViewerMode mode) {
  mode_ = mode;
  ApplyModeCursor();
}

void TGIS_ViewerWnd::SetCursorForSelect(TCursor c) {
  cursorForSelect_ = c;
  if (mode_ == gisSelect) ApplyModeCursor();
}

void TGIS_ViewerWnd::SetCursorForDrag(TCursor c) {
  cursorForDrag_ = c;
  if (mode_ == gisDrag) ApplyModeCursor();
}

void TGIS_ViewerWnd::SetCursorForZoom(TCursor c) {
  cursorForZoom_ = c;
  if (mode_ == gisZoom || mode_ == gisZoomEx) ApplyModeCursor();
}

void TGIS_ViewerWnd::SetCursorForEdit(TCursor c) {
  cursorForEdit_ = c;
  if (mode_ == gisEdit) ApplyModeCursor();
}

void TGIS_ViewerWnd::SetScrollBars(TScrollStyle s) {
  if (s == scrollBars_) return;
  scrollBars_ = s;
  if (HandleAllocated()) RecreateWnd();
}

void TGIS_ViewerWnd::SetBorderStyle(TBorderStyle value) {
  if (value == BorderStyle()) return;
  TWinControl::SetBorderStyle(value);
  if (HandleAllocated()) RecreateWnd();
}

void TGIS_ViewerWnd::CreateParams(TCreateParams& params) {
  TGIS_Viewer::CreateParams(params);
  params.Style |= WS_TABSTOP;
  if (scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth)
    params.Style |= WS_VSCROLL;
  if (scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth)
    params.Style |= WS_HSCROLL;
  if (BorderStyle() == TBorderStyle::bsSingle) {
    if (Ctl3D()) {
      params.ExStyle |= WS_EX_CLIENTEDGE;
      params.Style &= ~WS_BORDER;
    } else {
      params.Style |= WS_BORDER;
    }
  }
}

// ------------------------------------------------------------- overrides

void TGIS_ViewerWnd::RememberVisibleExtent() {
  try {
    rememberedExtent_ = GetVisibleExtent();
  } catch (const EAbort&) {
    // No zoom: nothing to remember.
  }
}

void TGIS_ViewerWnd::SetRotationAngle(double angle) {
  TGIS_Viewer::SetRotationAngle(angle);
  RememberVisibleExtent();
}

void TGIS_ViewerWnd::SetTilePicture(const TBitmap* picture) {
  TGIS_Viewer::SetTilePicture(picture);
  Update();
}

void TGIS_ViewerWnd::Print(TGIS_Printer* printer) {
  TGIS_Viewer::Print(printer);
}

void TGIS_ViewerWnd::Recenter() {
  TGIS_Viewer::Recenter();
  RememberVisibleExtent();
}

void TGIS_ViewerWnd::ExtentChanged() {
  DoExtentChange();
}

void TGIS_ViewerWnd::DoExtentChange() {
  UpdateScrollBars();
  if (OnExtentChange) OnExtentChange(this);
}

// ------------------------------------------------------------- painting

void TGIS_ViewerWnd::Paint() {
  if (IsLocked() || target_ == gisTargetDC || Width() < 4 || Height() < 4) return;
  UpdateScrollBars();
  TGIS_Extent visible{0, 0, 0, 0};
  try {
    visible = GetVisibleExtent();
  } catch (const EAbort&) {
    return;
  }
  const bool moved = !GisIsSameExtent(visible, lastPaintedExtent_) && zoom_ == lastPaintedZoom_;
  try {
    if (!(pending_ && moved)) {
      HourglassPrepare();
      auto release = ScopeExit([this] {
        HourglassRelease();
        pending_ = false;
      });
      PaintAll();
      release.Run();
    } else {
      PaintIncremental();
      const std::uint32_t now = GetTickCount();
      if (std::int32_t(now - lastFullRepaint_) > 0) lastFullRepaint_ = now;
      fullRepaintTimer_->SetEnabled(true);
      pending_ = false;
    }
  } catch (const EAbort&) {
  }
  try {
    lastPaintedExtent_ = GetVisibleExtent();
  } catch (const EAbort&) {
  }
  lastPaintedZoom_ = zoom_;
}

void TGIS_ViewerWnd::FullRepaintStep() {
  if (!fullPaint_) return;
  const std::uint32_t now = GetTickCount();
  if (std::int32_t(now - lastFullRepaint_) < 200 || target_ == gisTargetDC) return;
  fullRepaintTimer_->SetEnabled(false);
  lastFullRepaint_ = now;
  labelsArea_->Clear();
  if (!HandleAllocated()) return;
  pending_ = false;
  InvalidateRect(Handle(), nullptr, false);
  UpdateWindow(Handle());
  ValidateRect(Handle(), nullptr);
}

// ------------------------------------------------------------- messages

void TGIS_ViewerWnd::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case WM_ERASEBKGND:
    pending_ = incrementalPaint_;
    m.Result = 1;
    return;
  case WM_SIZE: {
    pending_ = incrementalPaint_;
    TGIS_Viewer::Dispatch(m);
    const TGIS_Extent before = rememberedExtent_;
    Lock();
    auto restore = ScopeExit([&] {
      rememberedExtent_ = before;
      Unlock();
    });
    if (!IsEmpty()) {
      lastPaintedExtent_ = GetVisibleExtent();
      SetVisibleExtent(before);
    }
    lastPaintedZoom_ = zoom_;
    pending_ = incrementalPaint_;
    restore.Run();
    m.Result = 1;
    return;
  }
  case WM_HSCROLL:
  case WM_VSCROLL:
    ScrollMessage(m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, int(m.WParamLo()), int(m.WParamHi()));
    m.Result = 0;
    return;
  case WM_RBUTTONUP:
    if (modeMouseButton_ == TMouseButton::mbRight) {
      suppressContextMenu_ = true;
      auto restore = ScopeExit([this] { suppressContextMenu_ = false; });
      TGIS_Viewer::Dispatch(m);
      return;
    }
    break;
  case WM_CONTEXTMENU:
    if (suppressContextMenu_) {
      m.Result = 1;
      return;
    }
    break;
  default:
    break;
  }
  TGIS_Viewer::Dispatch(m);
}

// ------------------------------------------------------------- scroll bars

void TGIS_ViewerWnd::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  const bool horz =
      scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth;
  const bool vert = scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth;
  auto apply = [this](int bar, double extentSpan, int client, double offset) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    bool enabled = false;
    if (!layers_.empty() && zoom_ != 0 && GetRestrictedDrag()) {
      const double span = zoom_ * (extentSpan - client / zoom_);
      if (span >= 0 && span < 1073741824.0) {
        const int ispan = int(span);
        if (ispan > 0) {
          const double unit = ispan / double(kScrollRange);
          double pos = offset * zoom_ / unit;
          if (pos < -1) pos = -1;
          if (pos <= 30000) {
            info.nMin = 0;
            info.nMax = kScrollRange;
            info.nPage = 600;
            info.nPos = int(Round(pos));
            enabled = true;
          }
        }
      }
    }
    if (!enabled) {
      info.nMin = 0;
      info.nMax = 0;
      info.nPage = 1;
      info.nPos = 0;
    }
    SetScrollInfo(Handle(), bar, &info, true);
  };
  if (horz) apply(SB_HORZ, extent_.XMax - extent_.XMin, ClientWidth(), offX_);
  if (vert) apply(SB_VERT, extent_.YMax - extent_.YMin, ClientHeight(), offY_);
}

void TGIS_ViewerWnd::ScrollMessage(int bar, int code, int pos) {
  if (IsEmpty()) return;
  if (std::fabs(pos - double(kScrollRange)) / kScrollRange < 0.042) pos = kScrollRange;
  if (std::fabs(double(pos)) / kScrollRange < 0.042) pos = 0;
  const bool horizontal = bar == SB_HORZ;
  const double size = horizontal ? ClientWidth() : ClientHeight();
  double step = 0;
  bool absolute = false;
  switch (code) {
  case SB_LINEUP:
    step = -size / 10;
    break;
  case SB_LINEDOWN:
    step = size / 10;
    break;
  case SB_PAGEUP:
    step = -0.9 * size;
    break;
  case SB_PAGEDOWN:
    step = 0.9 * size;
    break;
  case SB_THUMBPOSITION:
  case SB_THUMBTRACK:
    absolute = true;
    break;
  case SB_TOP:
    step = kScrollRange;
    break;
  default:
    return;
  }
  int pixels = 0;
  if (absolute) {
    const double span = horizontal ? extent_.XMax - extent_.XMin : extent_.YMax - extent_.YMin;
    const double unit = std::fabs(zoom_ * (span - size / zoom_)) / kScrollRange;
    const double offset = horizontal ? offX_ : offY_;
    pixels = int(Round(pos * unit - offset * zoom_));
  } else if (std::fabs(step) > 0.5) {
    pixels = int(Round(step));
  }
  if (pixels != 0) {
    if (horizontal)
      ScrollBy(pixels, 0);
    else
      ScrollBy(0, pixels);
  }
  if (code == SB_THUMBPOSITION && incrementalPaint_) {
    pending_ = false;
    lastFullRepaint_ = 0;
    FullRepaintStep();
  }
}
