// The GisViewer module: the layer root and the map viewer.
//
// Which file holds what:
//   GisViewerLayer.h / .cpp     TGIS_LayerAbstract: identity, switches, life
//                               cycle, EnsureOpen
//   GisViewerLayerConfig.cpp    the layer's configuration file and style sections
//   GisViewerLayerCoords.cpp    layer <-> viewer point and extent conversions
//   GisViewer.h (this file)     TGIS_Viewer
//   GisViewerLayers.cpp         construction, the layer list, Close, Locate,
//                               locking, invalidation, busy and hourglass
//   GisViewerExtent.cpp         full extent, offsets, zoom, scale, rotation,
//                               map <-> screen transforms, dragging
//   GisViewerPaint.cpp          drawing targets and the paint pipeline
//   GisViewerBlend.cpp          transparency and additive blending, overlays,
//                               selection drawing
//   GisViewerOutput.cpp         RenderToDC, bitmaps, metafiles, clipboard
//   GisViewerPrint.cpp          RenderToPrinter, Print
//   GisViewerRegistration.cpp   published properties of the viewer and its window
//   GisViewerResources.cpp      the viewer's own bitmap artwork ("SELECTEDFILL")
//
// The window control with mouse modes and scroll bars is GisViewerWnd.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsUnits.h"
#include "gis/viewer/GisEditor.h"
#include "gis/viewer/GisLabelsArea.h"
#include "gis/viewer/GisViewerLayer.h"
#include "platform/forms/Controls.h"
#include "platform/graphics/Bitmap.h"

class TGIS_GDI;
class TGIS_Printer;
class TGIS_Ini;
class TMetafile;

/// `_sender` is the object doing the work: the viewer or a layer.
using TGIS_BusyEvent = std::function<void(void* _sender, int _pos, int _end, bool& _abort)>;
using TGIS_LayerEvent = std::function<void(TPersistent* _sender, TGIS_LayerAbstract* _layer)>;
using TGIS_PrintEvent = std::function<void(TPersistent* _sender, TGIS_Printer* _printer)>;
using TGIS_PrintPageEvent =
    std::function<void(TPersistent* _sender, TGIS_Printer* _printer, bool& _lastpage)>;

/// Drawing target kinds.
enum : std::uint8_t {
  gisTargetNone = 0,
  gisTargetWindow = 1,
  gisTargetDC = 2,
  gisTargetBitmap = 3,
  gisTargetCache = 4,
  gisTargetLabels = 5,
  gisTargetCharts = 6,
  gisTargetBlend = 7,
  gisTargetPrinterTile = 8,
  gisTargetMetafile = 9
};

/// Registers the published properties and the classes of the viewer and its
/// window control (GisViewerRegistration.cpp); the constructors call it.
void GisViewerRegisterClasses();
/// Registers the viewer's own bitmap artwork ("SELECTEDFILL") unless the
/// program registered its own; called by the viewer's constructor.
void GisViewerRegisterResources();

/// The zoom a viewer starts with and returns to when closed.
inline constexpr double GIS_VIEWER_INITIAL_ZOOM = 1.0031415926535898;

class TGIS_Viewer : public TCustomControl {
  SK_CLASS(TGIS_Viewer, TCustomControl)
public:
  explicit TGIS_Viewer(TComponent* owner);
  ~TGIS_Viewer() override;

  // ---- layer list and lifecycle (GisViewerLayers.cpp) -------------------------
  int Items() const { return int(layers_.size()); }
  TGIS_LayerAbstract* Item(int index) const { return layers_.at(size_t(index)); }
  const std::vector<TGIS_LayerAbstract*>& Layers() const { return layers_; }
  /// Takes the layer on success; on failure the layer stays the caller's,
  /// its Viewer cleared, and the exception passes on.
  void Add(TGIS_LayerAbstract* layer);
  TGIS_LayerAbstract* Get(const std::string& name) const;
  /// Removes a layer from the list without freeing it (the layer's destructor).
  void RemoveLayer(TGIS_LayerAbstract* layer);
  std::string UniqueLayerName(const std::string& name) const;
  void Close();
  TGIS_ShapeAbstract* Locate(const TGIS_Point& point, double precision, bool visibleOnly);
  virtual bool IsEmpty() const;
  virtual bool IsPainting() const { return paintDepth_ > 0; }
  virtual bool IsBusy() const { return busyDepth_ > 0; }
  virtual bool IsLocked() const { return lockDepth_ > 0; }
  void Lock();
  void Unlock();
  void InvalidateExtent(const TGIS_Extent& extent, bool full);
  void Invalidate() override;
  void Update() override;
  void DropCache();
  /// Prepare and Release return the interrupt flag as it stands afterwards,
  /// as HourglassShake does (a release to depth 0 clears it).
  bool HourglassPrepare();
  bool HourglassRelease();
  bool HourglassShake();
  void BusyPrepare(void* sender);
  void BusyRelease(void* sender);
  void BusyShake(void* sender, int pos, int end, bool& abort);
  void RequestInterrupt() { interrupted_ = true; }
  bool LayersChanged() const { return layersChanged_; }
  void SetLayersChanged(bool v) { layersChanged_ = v; }
  TGIS_Ini* ProjectConfig() const { return projectConfig_.get(); }
  /// Takes a project configuration over (none for nullptr): layers added
  /// later read their coordinate system from it, and their LoadConfig and
  /// SaveConfig read and write it; the project path is its path. Close frees it.
  void SetProjectConfig(std::unique_ptr<TGIS_Ini> config);
  const std::string& ProjectPath() const { return projectPath_; }
  int BusyDepth() const { return busyDepth_; }
  int LockDepth() const { return lockDepth_; }
  int HourglassDepth() const { return hourglassDepth_; }
  /// Key poll used by HourglassShake (tests replace it); true means Esc.
  std::function<bool(HWND topWindow)> KeyPoll;
  /// Shows or restores the hourglass (tests observe it); crHourGlass or the saved cursor.
  std::function<void(TCursor cursor)> ScreenCursorHook;

  // ---- extent, zoom, scale, transforms (GisViewerExtent.cpp) -----------------------
  const TGIS_Extent& Extent() const { return extent_; }
  const TGIS_Extent& RestrictedExtent() const { return restrictedExtent_; }
  double Zoom() const { return zoom_; }
  virtual void SetZoom(double zoom);
  double FitZoom();
  virtual double GetZoomTwips();
  virtual void SetZoomTwips(double twips);
  virtual double GetScale();
  virtual void SetScale(double scale);
  virtual std::string GetScaleAsText();
  virtual void SetScaleAsText(const std::string& text);
  const TGIS_Point& Center() const { return center_; }
  virtual void SetCenter(const TGIS_Point& p);
  void SetCenterPoint(const TGIS_Point& p);
  virtual void Recenter();
  void DragPixels(int& mx, int& my);
  void DragMap(double mx, double my);
  void SetOffsets(double x, double y);
  double OffsetX() const { return offX_; }
  double OffsetY() const { return offY_; }
  TPoint PrintOffset() const { return printOffset_; }
  virtual TGIS_Extent ComputeVisibleExtent();
  virtual TGIS_Extent ComputeVisibleExtentUnshifted();
  virtual TGIS_Extent GetVisibleExtent();
  virtual void SetVisibleExtent(const TGIS_Extent& e);
  void RecalcExtent();
  virtual void SetRestrictedExtent(const TGIS_Extent& e);
  virtual TGIS_Extent GetBigExtent();
  TGIS_Extent ComputeBigExtent(double zoom);
  int BigExtentMargin() const { return bigExtentMargin_; }
  virtual void SetBigExtentMargin(int m);
  bool RestrictedDrag() const { return restrictedDrag_; }
  void SetRestrictedDrag(bool v) { restrictedDrag_ = v; }
  virtual bool GetRestrictedDrag() const;
  double RotationAngle() const { return rotationAngle_; }
  virtual void SetRotationAngle(double angle);
  const TGIS_Point& RotationPoint() const { return rotationPoint_; }
  virtual void SetRotationPoint(const TGIS_Point& p);
  TGIS_Point RotatePoint(const TGIS_Point& p) const;
  TGIS_Point3D RotatePoint3D(const TGIS_Point3D& p) const;
  TGIS_Point UnrotatePoint(const TGIS_Point& p) const;
  TPoint MapToScreen(const TGIS_Point& p);
  /// MapToScreen of `count` points into `out`.
  void MapToScreenArray(const TGIS_Point* points, int count, TPoint* out);
  TGIS_Point MapToScreenFloat(const TGIS_Point& p);
  TGIS_Point ScreenToMap(const TPoint& p);
  TGIS_Point ScreenToMapFloat(const TGIS_Point& p);
  TRect MapToScreenRect(const TGIS_Extent& e);
  TGIS_Extent ScreenToMapRect(const TRect& r);
  int PixelsToTwips(int n);
  int TwipsToPixels(int t);
  /// Pixels per inch of the current drawing context's font.
  int PixelsPerInch();
  TGIS_Units& Units() { return units_; }
  const TGIS_Units& Units() const { return units_; }
  TGIS_ProjectionAbstract* Projection() const { return projection_.get(); }
  virtual void SetProjection(const TGIS_ProjectionAbstract* projection);
  virtual int GetTargetWidth();
  virtual int GetTargetHeight();

  // ---- painting (GisViewerPaint.cpp, GisViewerBlend.cpp) --------------------------
  void PaintAll();
  void PaintIncremental();
  void DrawBackgroundAndLayers();
  void DrawLayers();
  void DrawSelection();
  int BeginLayerBlend(int transparency, int addition);
  void EndLayerBlend(int code);
  bool PrepareOverlays();
  void MergeOverlays();
  bool IsLayerVisible(TGIS_LayerAbstract* layer);
  void DormantOthers(TGIS_LayerAbstract* layer);
  virtual TGIS_GDI* GetGDI();
  virtual TCanvas* GetTargetCanvas();
  virtual TBitmap* GetCacheBitmap();
  virtual TBitmap* GetExternalBitmap();
  virtual void SetExternalBitmap(TBitmap* bitmap);
  virtual TRect GetDrawingRect(bool withPrintOffset);
  bool OverlaysInUse() const { return overlaysInUse_; }
  std::uint8_t SwitchToLabelsOverlay();
  std::uint8_t SwitchToChartsOverlay();
  void RestoreTarget(std::uint8_t kind);
  std::uint8_t TargetKind() const { return target_; }
  std::uint8_t OuterTargetKind() const { return outerTarget_; }
  bool IncrementalPainting() const { return incremental_; }
  /// The window's drawing context (over the control's canvas).
  TGIS_GDI* WindowGDI() const { return gdiWindow_.get(); }

  bool CachedPaint() const { return cachedPaint_; }
  void SetCachedPaint(bool v) { cachedPaint_ = v; }
  bool OldCachedPaint() const { return oldCachedPaint_; }
  void SetOldCachedPaint(bool v) { oldCachedPaint_ = v; }
  bool IncrementalPaint() const { return incrementalPaint_; }
  virtual void SetIncrementalPaint(bool v);
  bool FullPaint() const { return fullPaint_; }
  virtual void SetFullPaint(bool v);
  bool InterruptByEsc() const { return interruptByEsc_; }
  void SetInterruptByEsc(bool v) { interruptByEsc_ = v; }
  TColor Color() const { return gisColor_; }
  virtual void SetColor(TColor c);
  /// The control's parent-colour switch; the resulting control colour also
  /// becomes the map's background colour.
  void SetParentColor(bool value);
  TBitmap* TilePicture() const { return tilePicture_.get(); }
  virtual void SetTilePicture(const TBitmap* picture);
  TColor SelectionColor() const { return selectionColor_; }
  void SetSelectionColor(TColor c) { selectionColor_ = c; }
  int SelectionWidth() const { return selectionWidth_; }
  void SetSelectionWidth(int w) { selectionWidth_ = w; }
  bool SelectionOutlineOnly() const { return selectionOutlineOnly_; }
  void SetSelectionOutlineOnly(bool v) { selectionOutlineOnly_ = v; }
  int SelectionTransparency() const { return selectionTransparency_; }
  virtual void SetSelectionTransparency(int v);
  TBitmap* SelectionPattern() const { return selectionPattern_.get(); }
  virtual void SetSelectionPattern(const TBitmap* pattern);

  int ViewerCodePage() const { return codePage_; }
  void SetViewerCodePage(int v) { codePage_ = v; }
  int OutCodePage() const { return outCodePage_; }
  void SetOutCodePage(int cp);
  int Charset() const { return charset_; }
  void SetCharset(int) {}
  bool UseRTree() const { return useRTree_; }
  void SetUseRTree(bool v) { useRTree_ = v; }
  int PrinterTileSize() const { return printerTileSize_; }
  virtual void SetPrinterTileSize(int v);
  std::string PrintTitle, PrintSubtitle, PrintFooter;
  TFont* PrintTitleFont() { return printTitleFont_.get(); }
  TFont* PrintSubtitleFont() { return printSubtitleFont_.get(); }
  TFont* PrintFooterFont() { return printFooterFont_.get(); }
  /// The writers copy the given font into the viewer's own (nothing for
  /// null); they never take it over.
  virtual void SetPrintTitleFont(const TFont* font);
  virtual void SetPrintSubtitleFont(const TFont* font);
  virtual void SetPrintFooterFont(const TFont* font);
  TGIS_Editor* Editor() const { return editor_.get(); }
  /// Copies the given editor's settings into the viewer's own editor, which
  /// stays the viewer's (nothing for null or the own editor).
  virtual void SetEditor(const TGIS_Editor* editor);
  TGIS_LabelsArea* LabelsArea() const { return labelsArea_.get(); }
  /// The scratch buffers of shape drawing, reused from shape to shape: device
  /// points, the point count of each part, a drawn flag per part and one
  /// part's points on their way to the screen. They only grow.
  struct TDrawBuffers {
    std::vector<TPoint> Points;
    std::vector<DWORD> Counts;
    std::vector<std::uint8_t> Drawn;
    /// One part's vertices in viewer units and on screen, before thinning.
    std::vector<TGIS_Point> PartMap;
    std::vector<TPoint> PartScreen;
  };
  TDrawBuffers& DrawBuffers() { return drawBuffers_; }
  /// The informational text (read-only; the writer ignores its value).
  std::string Copyright() const { return "Vornakel map viewer"; }
  virtual void SetCopyright(const std::string&) {}

  // ---- output (GisViewerOutput.cpp) -------------------------------------------------
  virtual void RenderToDC(HDC dc, int ppi, double& scale, const TGIS_Extent& extent,
                          const TRect& rect);
  virtual void RenderToPrinter(TGIS_Printer* printer, const TRect& rect, double& scale,
                               const TGIS_Extent& extent);
  virtual void RenderToBitmap(TBitmap* bitmap);
  virtual void RenderToMetafile(TMetafile* metafile);
  virtual void CopyToClipboard();
  virtual void Print(TGIS_Printer* printer);

  // ---- events -------------------------------------------------------------------------
  TNotifyEvent OnExtentChange, OnZoomChange, OnVisibleExtentChange, OnBeforePaint, OnAfterPaint,
      OnPaint;
  TGIS_PrintEvent OnBeforePrint, OnAfterPrint;
  TGIS_PrintPageEvent OnPrintPage;
  TGIS_BusyEvent OnBusy;
  TGIS_LayerEvent OnLayerAdd, OnLayerDelete;

  void Dispatch(TMessage& message) override;

protected:
  void Paint() override;
  /// Fires OnExtentChange (the window control adds its scroll bars).
  virtual void ExtentChanged();
  void CollectRepaint(const TGIS_Extent& extent, bool full);
  /// The size of the current target (GetTargetWidth, GetTargetHeight).
  TPoint TargetSize();
  /// The visible extent of the current target, with or without the print
  /// offset (ComputeVisibleExtent, ComputeVisibleExtentUnshifted).
  TGIS_Extent TargetExtent(bool withPrintOffset);
  TGIS_GDI* GdiOf(std::uint8_t kind) const;
  TBitmap* BitmapOf(std::uint8_t kind) const;
  void RenderTiled(const TRect& rect);
  void DrawLayerRange(int first, int last, bool drawEditor);
  void DrawLayerSafely(TGIS_LayerAbstract* layer, int step);
  void FlushPartial();
  bool WindowPartlyCovered();

  std::vector<TGIS_LayerAbstract*> layers_;
  TGIS_Extent extent_{1, 1, -1, -1};
  TGIS_Extent restrictedExtent_;
  double zoom_ = GIS_VIEWER_INITIAL_ZOOM;
  double offX_ = 0, offY_ = 0;
  TGIS_Point center_{0, 0};
  TPoint printOffset_{0, 0};
  int bigExtentMargin_ = -10;
  bool restrictedDrag_ = true;
  double rotationAngle_ = 0, cosMinus_ = 1, sinMinus_ = 0, cosPlus_ = 1, sinPlus_ = 0;
  TGIS_Point rotationPoint_{0, 0};
  TGIS_Units units_;
  std::unique_ptr<TGIS_ProjectionAbstract> projection_;

  bool cachedPaint_ = true, oldCachedPaint_ = false, incrementalPaint_ = true, fullPaint_ = false,
       interruptByEsc_ = true;
  TColor gisColor_ = 0xFFFFFF;
  std::unique_ptr<TBitmap> tilePicture_, selectionPattern_;
  TColor selectionColor_ = 0xFFFFFF;
  int selectionWidth_ = 100;
  bool selectionOutlineOnly_ = false;
  int selectionTransparency_ = 100;
  int codePage_ = 0, outCodePage_ = 0, charset_ = 0;
  bool useRTree_ = false;
  int printerTileSize_ = 512;
  std::unique_ptr<TFont> printTitleFont_, printSubtitleFont_, printFooterFont_;
  std::unique_ptr<TGIS_Editor> editor_;
  std::unique_ptr<TGIS_LabelsArea> labelsArea_;
  TDrawBuffers drawBuffers_;

  // drawing targets
  std::uint8_t target_ = gisTargetWindow, outerTarget_ = gisTargetNone,
               blendSavedTarget_ = gisTargetNone;
  std::unique_ptr<TGIS_GDI> gdiWindow_, gdiCache_, gdiLabels_, gdiCharts_, gdiBlend_, gdiDC_,
      gdiBitmap_;
  TBitmap* externalBitmap_ = nullptr;
  int outputWidth_ = 0, outputHeight_ = 0;
  int paintPhase_ = 0;
  bool incremental_ = false, renderNeeded_ = false, overlaysInUse_ = false, tiled_ = false;
  // The label and chart overlays are known to be all black (seen so when
  // merged, and their context not taken since): they need no clearing before
  // and no merging after a paint.
  bool labelsBlack_ = false, chartsBlack_ = false;
  double cachedOffX_ = 0, cachedOffY_ = 0;
  TGIS_Extent frozenExtent_{0, 0, 0, 0}, prevVisibleExtent_{0, 0, 0, 0};
  double prevZoom_ = 0;
  double savedOffX_ = 0, savedOffY_ = 0;

  // counters
  int paintDepth_ = 0, busyDepth_ = 0, lockDepth_ = 0, hourglassDepth_ = 0;
  TGIS_Extent collectedExtent_{1, 1, -1, -1};
  bool collected_ = false, collectedFull_ = false;
  HWND topWindow_ = 0;
  TCursor savedCursor_ = 0;
  std::int32_t hourglassStart_ = 0, lastFlush_ = 0;
  bool interrupted_ = false;
  bool layersChanged_ = false, destroying_ = false;
  std::string projectPath_;
  std::unique_ptr<TGIS_Ini> projectConfig_;
};
