// Scoped guards of the drawing layer (see platform/rtl/ScopeGuard.h for the
// general scope-exit and the update/lock counter scopes).
//
// TDCStateSaver saves a device context's state (SaveDC) and restores it
// (RestoreDC) when the scope ends, whichever way; TCanvasStateSaver does the
// same for a canvas's DC (use it where the canvas draws inside the scope);
// TObjectSelector selects a
// GDI object into a device context and selects the previous one back;
// TCanvasLock locks a canvas for the scope.
#pragma once

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/ScopeGuard.h"

class [[nodiscard]] TDCStateSaver {
public:
  explicit TDCStateSaver(HDC dc) : dc_(dc), level_(SaveDC(dc)) {}
  TDCStateSaver(const TDCStateSaver&) = delete;
  TDCStateSaver& operator=(const TDCStateSaver&) = delete;
  ~TDCStateSaver() {
    if (level_ != 0) RestoreDC(dc_, level_);
  }

private:
  HDC dc_;
  int level_;
};

/// TDCStateSaver for a canvas's DC: the canvas's own pen, brush and font
/// are taken out of the DC before the save and again after the restore, so
/// that objects the canvas replaces inside the scope are not held by the
/// saved state (they could not be deleted, and would stay alive), and the
/// canvas selects its objects anew when it next draws.
class [[nodiscard]] TCanvasStateSaver {
public:
  explicit TCanvasStateSaver(TCanvas* canvas) : canvas_(canvas), dc_(Prepare(canvas)) {
    level_ = SaveDC(dc_);
  }
  TCanvasStateSaver(const TCanvasStateSaver&) = delete;
  TCanvasStateSaver& operator=(const TCanvasStateSaver&) = delete;
  ~TCanvasStateSaver() {
    canvas_->Refresh();
    if (level_ != 0) RestoreDC(dc_, level_);
    canvas_->Refresh();
  }

private:
  static HDC Prepare(TCanvas* canvas) {
    HDC dc = canvas->Handle();
    canvas->Refresh();
    return dc;
  }
  TCanvas* canvas_;
  HDC dc_;
  int level_ = 0;
};

class [[nodiscard]] TObjectSelector {
public:
  TObjectSelector(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  TObjectSelector(const TObjectSelector&) = delete;
  TObjectSelector& operator=(const TObjectSelector&) = delete;
  ~TObjectSelector() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }
  /// The object that was selected before.
  HGDIOBJ Previous() const { return previous_; }

private:
  HDC dc_;
  HGDIOBJ previous_;
};

/// Lock now, Unlock at the end of the scope.
using TCanvasLock = TLockScope<TCanvas>;
