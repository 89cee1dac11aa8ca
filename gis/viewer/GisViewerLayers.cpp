// TGIS_Viewer: construction, the layer list, Close, Locate, locking and
// invalidation, and the busy and hourglass protocol.
#include <algorithm>

#include "gis/coords/GisProjections.h"
#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsPasswords.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisResource.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Ticks.h"

namespace {

/// The control's canvas: during a paint it draws through the paint DC; at
/// any other time through a DC on the window's back buffer, so that flushes
/// and rubber bands reach the window.
class T_ViewerCanvas : public TCanvas {
public:
  explicit T_ViewerCanvas(TWinControl* control) : control_(control) {}
  ~T_ViewerCanvas() override { ReleaseWindowDC(); }
  /// Gives the window's DC back (before the window goes or is re-created).
  void ReleaseWindowDC() {
    if (windowDC_ == nullptr) return;
    if (HandleAllocated() && Handle() == windowDC_) SetHandle(nullptr);
    ReleaseDC(window_, windowDC_);
    windowDC_ = nullptr;
    window_ = 0;
  }

protected:
  void CreateHandle() override {
    if (!control_->HandleAllocated() && control_->Parent() == nullptr) return;
    HWND h = control_->Handle();
    if (windowDC_ == nullptr || window_ != h) {
      if (windowDC_ != nullptr) ReleaseDC(window_, windowDC_);
      window_ = h;
      windowDC_ = GetDC(h);
    }
    AttachHandle(windowDC_);
  }

private:
  TWinControl* control_;
  HWND window_ = 0;
  HDC windowDC_ = nullptr;
};

bool RegisteredSelectionPattern(TBitmap& pattern) {
  try {
    pattern.LoadFromResourceName(0, "SELECTEDFILL");
    return true;
  } catch (const Exception&) {
    return false;
  }
}

} // namespace

TGIS_Viewer::TGIS_Viewer(TComponent* owner)
    : TCustomControl(owner), restrictedExtent_(GisWholeWorldExtent()) {
  GisViewerRegisterClasses();
  GisViewerRegisterResources();
  canvas_ = std::make_unique<T_ViewerCanvas>(this);
  units_.SetType(gisUnitsMeter);
  labelsArea_ = std::make_unique<TGIS_LabelsArea>(this);
  gdiCache_ = TGIS_GDI::Create();
  gdiLabels_ = TGIS_GDI::Create();
  gdiCharts_ = TGIS_GDI::Create();
  gdiBlend_ = TGIS_GDI::Create();
  tilePicture_ = std::make_unique<TBitmap>();
  editor_ = std::make_unique<TGIS_Editor>(this);
  printTitleFont_ = std::make_unique<TFont>();
  printTitleFont_->SetName("Arial");
  printTitleFont_->SetStyle(TFontStyles{fsBold});
  printTitleFont_->SetSize(18);
  printSubtitleFont_ = std::make_unique<TFont>();
  printSubtitleFont_->SetName("Arial");
  printSubtitleFont_->SetStyle(TFontStyles{fsBold});
  printSubtitleFont_->SetSize(14);
  printFooterFont_ = std::make_unique<TFont>();
  printFooterFont_->SetName("Arial");
  printFooterFont_->SetStyle(TFontStyles{});
  printFooterFont_->SetSize(10);
  selectionPattern_ = std::make_unique<TBitmap>();
  if (RegisteredSelectionPattern(*selectionPattern_)) selectionPattern_->SetTransparent(true);
  gdiWindow_ = TGIS_GDI::CreateForCanvas(canvas_.get());
}

TGIS_Viewer::~TGIS_Viewer() {
  destroying_ = true;
  try {
    Close();
  } catch (...) {
  }
  // Layers still listed (Close frees them all; this is the safety net).
  while (!layers_.empty()) {
    TGIS_LayerAbstract* layer = layers_.back();
    layers_.pop_back();
    layer->SetViewer(nullptr);
    delete layer;
  }
  gdiBitmap_.reset();
  gdiDC_.reset();
  gdiWindow_.reset();
  gdiBlend_.reset();
  gdiCharts_.reset();
  gdiLabels_.reset();
  gdiCache_.reset();
}

void TGIS_Viewer::Dispatch(TMessage& message) {
  if (message.Msg == WM_DESTROY) static_cast<T_ViewerCanvas*>(canvas_.get())->ReleaseWindowDC();
  TCustomControl::Dispatch(message);
}

// ---------------------------------------------------------------- layer list

bool TGIS_Viewer::IsEmpty() const {
  return layers_.empty() || GisIsEmptyExtent(extent_);
}

TGIS_LayerAbstract* TGIS_Viewer::Get(const std::string& name) const {
  for (TGIS_LayerAbstract* layer : layers_)
    if (CompareText(layer->Name(), name) == 0) return layer;
  return nullptr;
}

std::string TGIS_Viewer::UniqueLayerName(const std::string& name) const {
  std::string result = name;
  int i = 0;
  while (Get(result) != nullptr) {
    std::string stem = result;
    if (i != 0) {
      const size_t cut = Format(" [%d]", {i}).size();
      stem = result.substr(0, result.size() >= cut ? result.size() - cut : 0);
    }
    ++i;
    result = Format("%s [%d]", {stem, i});
  }
  return result;
}

void TGIS_Viewer::Add(TGIS_LayerAbstract* layer) {
  if (layer == nullptr) return;
  layer->SetViewer(this);
  // On failure the layer stays the caller's: it must not point at a viewer
  // that does not list it.
  auto release = ScopeExit([layer] { layer->SetViewer(nullptr); });
  if (layer->Name().empty()) {
    std::string base = layer->Path();
    std::replace(base.begin(), base.end(), '/', '\\');
    const size_t slash = base.find_last_of('\\');
    if (slash != std::string::npos) base = base.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) base = base.substr(0, dot);
    layer->SetName(UniqueLayerName(base));
  }
  if (OnLayerAdd) OnLayerAdd(this, layer);
  layer->EnsureOpen();
  if (layer->Caption().empty()) layer->SetCaption(layer->Name());
  if (Get(layer->Name()) != nullptr)
    throw EGIS_Exception(GIS_RS_ERR_LAYEREXIST, layer->Name(), 0);
  release.Dismiss();
  layers_.push_back(layer);
  if (projectConfig_) {
    projectConfig_->SetLayer(layer);
    projectConfig_->SelectSection(0);
    layer->ReadCoordinateSystem(*projectConfig_);
  }
  RecalcExtent();
  layer->LoadConfig();
  layer->AfterConfig();
  layer->ApplyIndexSetting();
  layersChanged_ = true;
}

void TGIS_Viewer::SetProjectConfig(std::unique_ptr<TGIS_Ini> config) {
  projectPath_ = config ? config->Path() : std::string();
  projectConfig_ = std::move(config);
}

void TGIS_Viewer::RemoveLayer(TGIS_LayerAbstract* layer) {
  auto it = std::find(layers_.begin(), layers_.end(), layer);
  if (it != layers_.end()) layers_.erase(it);
}

void TGIS_Viewer::Close() {
  editor_->EndEdit();
  if (!layers_.empty()) GisLayerPasswords().Clear();
  while (!layers_.empty()) {
    TGIS_LayerAbstract* layer = layers_.back();
    if (OnLayerDelete) OnLayerDelete(this, layer);
    // The destructor takes the layer off the list.
    delete layer;
    if (!layers_.empty() && layers_.back() == layer) layers_.pop_back();
  }
  projectPath_.clear();
  projectConfig_.reset();
  zoom_ = GIS_VIEWER_INITIAL_ZOOM;
  if (!destroying_) Update();
}

TGIS_ShapeAbstract* TGIS_Viewer::Locate(const TGIS_Point& point, double precision,
                                        bool visibleOnly) {
  double best = 1.7e308;
  TGIS_ShapeAbstract* result = nullptr;
  for (int i = int(layers_.size()) - 1; i >= 0; --i) {
    TGIS_LayerAbstract* layer = layers_[size_t(i)];
    if (!layer->Active() || !layer->CanLocate()) continue;
    try {
      double distance = 1.7e308;
      TGIS_ShapeAbstract* shape = layer->LocateShape(point, precision, visibleOnly, distance);
      if (shape != nullptr && distance < best) {
        best = distance;
        result = shape;
      }
    } catch (...) {
    }
  }
  return result;
}

// ------------------------------------------------------- locking, invalidation

void TGIS_Viewer::Lock() {
  ++lockDepth_;
}

void TGIS_Viewer::Unlock() {
  if (lockDepth_ > 0) --lockDepth_;
  if (lockDepth_ == 0 && collected_) {
    const TGIS_Extent e = collectedExtent_;
    const bool full = collectedFull_;
    collected_ = false;
    collectedFull_ = false;
    collectedExtent_ = GisEmptyExtent();
    InvalidateExtent(e, full);
  }
}

void TGIS_Viewer::CollectRepaint(const TGIS_Extent& extent, bool full) {
  if (lockDepth_ <= 0) return;
  if (!collected_)
    collectedExtent_ = extent;
  else
    collectedExtent_ = GisExtentUnion(collectedExtent_, extent);
  collected_ = true;
  collectedFull_ = collectedFull_ || full;
}

void TGIS_Viewer::InvalidateExtent(const TGIS_Extent& extent, bool full) {
  if (target_ == gisTargetDC || target_ == gisTargetBitmap || target_ == gisTargetMetafile) return;
  bool fullRepaint = false;
  if (full) {
    DropCache();
    fullRepaint = fullPaint_;
  }
  if (fullRepaint) {
    Invalidate();
  } else if (target_ == gisTargetWindow && HandleAllocated()) {
    if (IsEmpty() || zoom_ <= 0) {
      InvalidateRect(Handle(), nullptr, true);
    } else {
      TRect r = MapToScreenRect(extent);
      r = TRect(r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 2);
      InvalidateRect(Handle(), &r, true);
    }
  }
  CollectRepaint(extent, full);
}

void TGIS_Viewer::DropCache() {
  CollectRepaint(GisEmptyExtent(), true);
  cachedOffX_ = offX_ + 1;
}

void TGIS_Viewer::Invalidate() {
  if (target_ == gisTargetBitmap || target_ == gisTargetMetafile) return;
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, !fullPaint_ && !incremental_);
  if (!IsEmpty()) CollectRepaint(GisEmptyExtent(), false);
}

void TGIS_Viewer::Update() {
  labelsArea_->Clear();
  InvalidateExtent(GetVisibleExtent(), true);
  if (HandleAllocated()) UpdateWindow(Handle());
}

// ------------------------------------------------------------ busy, hourglass

namespace {

/// Milliseconds modulo $7FFFFFFF from the runtime's (replaceable) clock.
std::int32_t ViewerTicks() {
  return std::int32_t(GetTickCount64() % 0x7FFFFFFFu);
}

HWND TopWindowOf(TControl* control) {
  TControl* top = control;
  while (top->Parent() != nullptr)
    top = top->Parent();
  auto* win = dynamic_cast<TWinControl*>(top);
  return win != nullptr && win->HandleAllocated() ? win->Handle() : 0;
}

} // namespace

bool TGIS_Viewer::HourglassPrepare() {
  if (hourglassDepth_ == 0) {
    topWindow_ = TopWindowOf(this);
    savedCursor_ = Screen()->Cursor();
    hourglassStart_ = ViewerTicks();
    lastFlush_ = hourglassStart_;
    interrupted_ = false;
  }
  ++hourglassDepth_;
  return interrupted_;
}

bool TGIS_Viewer::HourglassRelease() {
  if (hourglassDepth_ <= 0) throw EGIS_Exception(GIS_RS_ERR_BAD_CALL, "HourglassRelease", 0);
  --hourglassDepth_;
  if (hourglassDepth_ == 0) {
    if (ScreenCursorHook)
      ScreenCursorHook(savedCursor_);
    else
      Screen()->SetCursor(savedCursor_);
    interrupted_ = false;
  }
  return interrupted_;
}

bool TGIS_Viewer::HourglassShake() {
  if (hourglassDepth_ > 0) {
    const std::int32_t now = ViewerTicks();
    // Ticks wrap at $7FFFFFFF.
    auto since = [now](std::int32_t then) {
      std::int64_t d = std::int64_t(now) - then;
      if (d < 0) d += 0x7FFFFFFF;
      return d;
    };
    if (since(hourglassStart_) > 500) {
      if (ScreenCursorHook)
        ScreenCursorHook(crHourGlass);
      else
        Screen()->SetCursor(crHourGlass);
    }
    if (since(lastFlush_) > 1000) {
      FlushPartial();
      lastFlush_ = now;
      if (interruptByEsc_ && topWindow_ != 0) {
        const bool esc = KeyPoll ? KeyPoll(topWindow_) : PollKeys(topWindow_);
        if (esc) RequestInterrupt();
      }
    }
  }
  return interrupted_;
}

void TGIS_Viewer::BusyPrepare(void* sender) {
  HourglassPrepare();
  ++busyDepth_;
  bool abort = false;
  if (OnBusy) OnBusy(sender, 0, 100, abort);
}

void TGIS_Viewer::BusyShake(void* sender, int pos, int end, bool& abort) {
  if (busyDepth_ <= 0) throw EGIS_Exception(GIS_RS_ERR_BAD_CALL, "BusyShake", 0);
  HourglassShake();
  if (OnBusy) OnBusy(sender, pos, end, abort);
}

void TGIS_Viewer::BusyRelease(void* sender) {
  (void)sender;
  if (busyDepth_ <= 0) throw EGIS_Exception(GIS_RS_ERR_BAD_CALL, "BusyRelease", 0);
  HourglassRelease();
  --busyDepth_;
  bool abort = false;
  if (OnBusy) OnBusy(static_cast<TGIS_Viewer*>(this), -1, -1, abort);
}

// ------------------------------------------------------------------ settings

void TGIS_Viewer::SetIncrementalPaint(bool v) {
  incrementalPaint_ = v;
  if (v) fullPaint_ = true;
}

void TGIS_Viewer::SetFullPaint(bool v) {
  fullPaint_ = v;
  if (!v) incrementalPaint_ = false;
}

void TGIS_Viewer::SetSelectionTransparency(int v) {
  selectionTransparency_ = std::clamp(v, 0, 100);
}

void TGIS_Viewer::SetPrinterTileSize(int v) {
  printerTileSize_ = std::clamp(v, 128, 8192);
}

void TGIS_Viewer::SetBigExtentMargin(int m) {
  bigExtentMargin_ = std::clamp(m, -50, 50);
}

void TGIS_Viewer::SetOutCodePage(int cp) {
  outCodePage_ = cp;
  const int cs = GisCodePageToCharset(cp);
  charset_ = cs;
}

void TGIS_Viewer::SetTilePicture(const TBitmap* picture) {
  if (picture == nullptr)
    tilePicture_ = std::make_unique<TBitmap>();
  else
    tilePicture_->Assign(picture);
}

void TGIS_Viewer::SetPrintTitleFont(const TFont* font) {
  if (font != nullptr) printTitleFont_->Assign(*font);
}

void TGIS_Viewer::SetPrintSubtitleFont(const TFont* font) {
  if (font != nullptr) printSubtitleFont_->Assign(*font);
}

void TGIS_Viewer::SetPrintFooterFont(const TFont* font) {
  if (font != nullptr) printFooterFont_->Assign(*font);
}

void TGIS_Viewer::SetEditor(const TGIS_Editor* editor) {
  if (editor != nullptr && editor != editor_.get()) editor_->Assign(*editor);
}

void TGIS_Viewer::SetSelectionPattern(const TBitmap* pattern) {
  if (pattern == nullptr)
    selectionPattern_ = std::make_unique<TBitmap>();
  else
    selectionPattern_->Assign(pattern);
}

void TGIS_Viewer::SetProjection(const TGIS_ProjectionAbstract* projection) {
  projection_.reset();
  if (projection != nullptr) projection_ = projection->CreateCopy();
}

void TGIS_Viewer::ExtentChanged() {
  if (OnExtentChange) OnExtentChange(this);
}
