// The GisViewerWnd module: TGIS_ViewerWnd, the map viewer as a window control
// with mouse modes, rubber-band zoom, dragging with window scrolling, scroll
// bars, mode cursors, the animated wheel zoom and the timers that turn cheap
// incremental repaints into full ones.
//
// Which file holds what:
//   GisViewerWnd.cpp       construction, modes and cursors, the paint decision,
//                          erase and resize, the full-repaint timer, scroll bars
//   GisViewerWndMouse.cpp  mouse buttons and moves, ScrollBy, ZoomBy, the zoom
//                          preview and the deferred zoom
#pragma once

#include <climits>
#include <memory>

#include "gis/viewer/GisViewer.h"

class TTimer;

enum TGIS_ViewerMode { gisSelect, gisDrag, gisZoom, gisEdit, gisZoomEx, gisUserDefined };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

/// Screen cursor slots of the viewer's mode cursors.
enum : TCursor {
  crGisDrag = 15,   // "HANDGRAB"
  crGisSelect = 16, // "HANDPNT"
  crGisZoom = 18,   // "HANDZOOM"
  crGisEdit = 19    // "HANDEDIT"
};

class TGIS_ViewerWnd : public TGIS_Viewer {
  SK_CLASS(TGIS_ViewerWnd, TGIS_Viewer)
public:
  explicit TGIS_ViewerWnd(TComponent* owner);
  ~TGIS_ViewerWnd() override;

  TGIS_ViewerMode Mode() const { return mode_; }
  void SetMode(TGIS_ViewerMode mode);
  TMouseButton ModeMouseButton() const { return modeMouseButton_; }
  void SetModeMouseButton(TMouseButton b) { modeMouseButton_ = b; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle s);
  void SetBorderStyle(TBorderStyle value) override;
  TCursor CursorForSelect() const { return cursorForSelect_; }
  TCursor CursorForDrag() const { return cursorForDrag_; }
  TCursor CursorForZoom() const { return cursorForZoom_; }
  TCursor CursorForEdit() const { return cursorForEdit_; }
  void SetCursorForSelect(TCursor c);
  void SetCursorForDrag(TCursor c);
  void SetCursorForZoom(TCursor c);
  void SetCursorForEdit(TCursor c);
  int MinZoomSize() const { return minZoomSize_; }
  void SetMinZoomSize(int v) { minZoomSize_ = v; }
  bool AutoCenter() const { return autoCenter_; }
  void SetAutoCenter(bool v) { autoCenter_ = v; }
  TNotifyEvent OnEditorChange;

  void ZoomBy(int x, int y, int steps, double factor);
  void ScrollBy(int mx, int my);
  void UpdateScrollBars();
  void DoExtentChange();

  void SetRotationAngle(double angle) override;
  void SetTilePicture(const TBitmap* picture) override;
  void Print(TGIS_Printer* printer) override;
  void Recenter() override;
  void Dispatch(TMessage& message) override;

  // ---- the timers' work, callable directly (tests drive time themselves) ----
  /// The full-repaint timer's step (300 ms).
  void FullRepaintStep();
  /// The deferred zoom (600 ms timer or a direct call).
  void DeferredZoom();
  TTimer* FullRepaintTimer() const { return fullRepaintTimer_; }
  TTimer* ZoomTimer() const { return zoomTimer_; }
  TTimer* CursorTimer() const { return cursorTimer_; }
  double ZoomFactor() const { return zoomFactor_; }
  bool IncrementalPending() const { return pending_; }
  const TGIS_Extent& RememberedExtent() const { return rememberedExtent_; }
  /// Whether a rubber band is on the screen.
  bool BandDrawn() const { return lastPos_.x != INT_MIN; }

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void ExtentChanged() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  void ApplyModeCursor();
  void RememberVisibleExtent();
  void ZoomPreview(double factor);
  void ZoomWithBand(int x, int y);
  double ZoomExFactor(int y) const;
  void ScrollMessage(int bar, int code, int pos);
  TRect BandRect() const;

  TGIS_ViewerMode mode_ = gisSelect;
  TMouseButton modeMouseButton_ = TMouseButton::mbLeft;
  TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
  TCursor cursorForSelect_ = 0, cursorForDrag_ = 0, cursorForZoom_ = 0, cursorForEdit_ = 0;
  int minZoomSize_ = -5;
  bool autoCenter_ = false;

  TPoint downPos_{INT_MIN, INT_MIN}, lastPos_{INT_MIN, INT_MIN};
  double dragOffX_ = 0, dragOffY_ = 0;
  bool dragging_ = false, zooming_ = false, editing_ = false;
  TGIS_Extent lastPaintedExtent_{1, 1, -1, -1};
  double lastPaintedZoom_ = 0;
  TGIS_Extent rememberedExtent_{1, 1, -1, -1};
  double zoomFactor_ = 1.0;
  TPoint zoomPoint_{0, 0};
  bool pending_ = false;
  std::uint32_t lastFullRepaint_ = 0;
  bool suppressContextMenu_ = false;
  TTimer* fullRepaintTimer_ = nullptr;
  TTimer* zoomTimer_ = nullptr;
  TTimer* cursorTimer_ = nullptr;
};
