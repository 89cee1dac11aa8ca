// TGIS_Viewer: drawing targets and the paint pipeline.
#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"

// ------------------------------------------------------------------- targets

TGIS_GDI* TGIS_Viewer::GdiOf(std::uint8_t kind) const {
  switch (kind) {
  case gisTargetWindow:
    return gdiWindow_.get();
  case gisTargetDC:
    return gdiDC_.get();
  case gisTargetBitmap:
    return gdiBitmap_.get();
  case gisTargetCache:
    return gdiCache_.get();
  case gisTargetLabels:
    return gdiLabels_.get();
  case gisTargetCharts:
    return gdiCharts_.get();
  case gisTargetBlend:
    return gdiBlend_.get();
  default:
    return nullptr;
  }
}

TBitmap* TGIS_Viewer::BitmapOf(std::uint8_t kind) const {
  if (kind == gisTargetBitmap) return externalBitmap_;
  TGIS_GDI* gdi = GdiOf(kind);
  return gdi != nullptr && kind != gisTargetWindow && kind != gisTargetDC ? gdi->Bitmap() : nullptr;
}

TGIS_GDI* TGIS_Viewer::GetGDI() {
  // Whoever takes an overlay's context may draw on it.
  if (target_ == gisTargetLabels) labelsBlack_ = false;
  if (target_ == gisTargetCharts) chartsBlack_ = false;
  return GdiOf(target_);
}

TCanvas* TGIS_Viewer::GetTargetCanvas() {
  TGIS_GDI* gdi = GetGDI();
  return gdi != nullptr ? gdi->GetCanvas() : nullptr;
}

TBitmap* TGIS_Viewer::GetCacheBitmap() {
  return gdiCache_->Bitmap();
}

TBitmap* TGIS_Viewer::GetExternalBitmap() {
  return externalBitmap_;
}

void TGIS_Viewer::SetExternalBitmap(TBitmap* bitmap) {
  gdiBitmap_.reset();
  externalBitmap_ = bitmap;
  if (bitmap != nullptr) gdiBitmap_ = TGIS_GDI::CreateForBitmap(bitmap);
}

TPoint TGIS_Viewer::TargetSize() {
  const TPoint output(outputWidth_, outputHeight_);
  const TPoint client(ClientWidth(), ClientHeight());
  const TPoint external = externalBitmap_ != nullptr
                              ? TPoint(externalBitmap_->Width(), externalBitmap_->Height())
                              : TPoint(0, 0);
  switch (target_) {
  case gisTargetDC:
    return output;
  case gisTargetBitmap:
    return external;
  case gisTargetCache:
  case gisTargetLabels:
  case gisTargetCharts:
    if (outerTarget_ == gisTargetDC) return output;
    if (outerTarget_ == gisTargetBitmap && externalBitmap_ != nullptr) return external;
    return client;
  case gisTargetBlend:
    if (blendSavedTarget_ == gisTargetBitmap && externalBitmap_ != nullptr) return external;
    if (outerTarget_ == gisTargetDC) return output;
    return client;
  default:
    return client;
  }
}

int TGIS_Viewer::GetTargetWidth() {
  return TargetSize().x;
}

int TGIS_Viewer::GetTargetHeight() {
  return TargetSize().y;
}

bool TGIS_Viewer::WindowPartlyCovered() {
  return HandleAllocated() && IsPartlyCovered(Handle());
}

TRect TGIS_Viewer::GetDrawingRect(bool withPrintOffset) {
  switch (target_) {
  case gisTargetDC:
    if (withPrintOffset)
      return TRect(printOffset_.x, printOffset_.y, printOffset_.x + outputWidth_,
                   printOffset_.y + outputHeight_);
    return TRect(0, 0, outputWidth_, outputHeight_);
  case gisTargetBitmap:
    return externalBitmap_ != nullptr
               ? TRect(0, 0, externalBitmap_->Width(), externalBitmap_->Height())
               : TRect();
  case gisTargetCache:
    if (outerTarget_ == gisTargetDC) return gdiCache_->GetClipBox();
    if (incremental_ || (!fullPaint_ && !WindowPartlyCovered())) return gdiWindow_->GetClipBox();
    return gdiCache_->GetClipBox();
  case gisTargetBlend:
    if (outerTarget_ == gisTargetDC) return gdiCache_->GetClipBox();
    return gdiBlend_->GetClipBox();
  default: {
    TGIS_GDI* gdi = GetGDI();
    return gdi != nullptr ? gdi->GetClipBox() : TRect();
  }
  }
}

std::uint8_t TGIS_Viewer::SwitchToLabelsOverlay() {
  const std::uint8_t previous = target_;
  target_ = gisTargetLabels;
  labelsBlack_ = false;
  return previous;
}

std::uint8_t TGIS_Viewer::SwitchToChartsOverlay() {
  const std::uint8_t previous = target_;
  target_ = gisTargetCharts;
  chartsBlack_ = false;
  return previous;
}

void TGIS_Viewer::RestoreTarget(std::uint8_t kind) {
  if (kind == gisTargetLabels) labelsBlack_ = false;
  if (kind == gisTargetCharts) chartsBlack_ = false;
  if (target_ != gisTargetNone) target_ = kind;
}

void TGIS_Viewer::SetColor(TColor c) {
  if (destroying_) return;
  if (target_ == gisTargetWindow || target_ == gisTargetCache || target_ == gisTargetBlend ||
      target_ == gisTargetPrinterTile)
    TControl::SetColor(c);
  if (c == gisColor_) return;
  gisColor_ = c;
  Update();
}

void TGIS_Viewer::SetParentColor(bool value) {
  TControl::SetParentColor(value);
  SetColor(TControl::Color());
}

// ------------------------------------------------------------------ pipeline

void TGIS_Viewer::Paint() {
  try {
    PaintAll();
  } catch (const EAbort&) {
  }
}

void TGIS_Viewer::PaintIncremental() {
  if (IsPainting() || IsBusy()) return;
  incremental_ = true;
  PaintAll();
}

namespace {

bool CacheMatches(TBitmap* cache, int w, int h) {
  return cache->PixelFormat() == pf24bit && cache->Width() == w && cache->Height() == h;
}

} // namespace

void TGIS_Viewer::PaintAll() {
  // A nested paint (an Update from a handler) does nothing, and must not
  // replace the extent the outer paint froze.
  if (paintDepth_ > 0) return;
  frozenExtent_ = ComputeVisibleExtent();
  if (fullPaint_ && !incremental_) labelsArea_->Clear();
  const int w = GetTargetWidth(), h = GetTargetHeight();
  if (w <= 0 || h <= 0) {
    incremental_ = false;
    return;
  }

  if (zoom_ != prevZoom_) {
    if (OnZoomChange) OnZoomChange(this);
  } else if (!GisIsSameExtent(frozenExtent_, prevVisibleExtent_)) {
    if (OnVisibleExtentChange) OnVisibleExtentChange(this);
  }
  if (OnBeforePaint) OnBeforePaint(this);
  prevZoom_ = zoom_;
  prevVisibleExtent_ = frozenExtent_;
  ++paintDepth_;

  const std::uint8_t savedTarget = target_;
  const TPoint savedPrintOffset = printOffset_;
  auto finish = ScopeExit([&]() {
    incremental_ = false;
    renderNeeded_ = false;
    tiled_ = false;
    outerTarget_ = gisTargetNone;
    target_ = savedTarget;
    paintPhase_ = 0;
    printOffset_ = savedPrintOffset;
    offX_ = savedOffX_;
    offY_ = savedOffY_;
    --paintDepth_;
  });

  {
    if (TGIS_GDI* current = GetGDI(); current != nullptr)
      gdiCache_->Font()->SetPixelsPerInch(current->Font()->PixelsPerInch());
    savedOffX_ = offX_;
    savedOffY_ = offY_;
    bool cachedWindow = false;
    TRect tileRect;

    if (target_ == gisTargetWindow && cachedPaint_) {
      TBitmap* cache = gdiCache_->Bitmap();
      if (CacheMatches(cache, w, h) && cachedOffX_ == offX_ && cachedOffY_ == offY_) {
        renderNeeded_ = false;
      } else {
        renderNeeded_ = true;
        cache->SetPixelFormat(pf24bit);
        cache->SetSize(w, h);
      }
      outerTarget_ = gisTargetWindow;
      target_ = gisTargetCache;
      if (!incremental_) {
        cachedOffX_ = offX_;
        cachedOffY_ = offY_;
      }
      cachedWindow = true;
    } else if (target_ == gisTargetDC && cachedPaint_) {
      bool blends = false;
      for (TGIS_LayerAbstract* layer : layers_) {
        if (!layer->Active()) continue;
        if (layer->Transparency() != 100 || layer->Addition() != 0) blends = true;
        if (selectionTransparency_ != 100 && layer->HoldsSelectedShape()) blends = true;
      }
      if (blends) {
        TBitmap* cache = gdiCache_->Bitmap();
        cache->SetPixelFormat(pf24bit);
        cache->SetSize(printerTileSize_, printerTileSize_);
        tileRect = GetDrawingRect(true);
        outerTarget_ = gisTargetDC;
        target_ = gisTargetCache;
        tiled_ = true;
      }
      renderNeeded_ = true;
    } else {
      renderNeeded_ = true;
    }

    if (renderNeeded_) {
      if (tiled_)
        RenderTiled(tileRect);
      else
        DrawBackgroundAndLayers();
    }

    if (cachedWindow) {
      const TRect r = GetDrawingRect(true);
      target_ = gisTargetWindow;
      gdiWindow_->CopyRect(r, gdiCache_.get(), r);
      paintPhase_ = 2;
      if (OnPaint)
        OnPaint(this);
      else
        DrawLayers();
      paintPhase_ = 0;
    }
  }
  finish.Run();
  if (OnAfterPaint) OnAfterPaint(this);
}

void TGIS_Viewer::RenderTiled(const TRect& rect) {
  const int tileW = printerTileSize_, tileH = printerTileSize_;
  const int rows = (rect.Bottom - rect.Top - 1) / tileH + 1;
  const int columns = (rect.Right - rect.Left - 1) / tileW + 1;
  printOffset_ = TPoint(0, 0);
  BusyPrepare(this);
  struct TRelease {
    TGIS_Viewer* viewer;
    ~TRelease() {
      try {
        viewer->BusyRelease(viewer);
      } catch (...) {
      }
    }
  } release{this};
  bool abort = false;
  int tile = 0;
  for (int y = rect.Top; y < rect.Bottom && !abort; y += tileH) {
    for (int x = rect.Left; x < rect.Right; x += tileW) {
      offY_ = (y - rect.Top) / zoom_ + savedOffY_;
      offX_ = (x - rect.Left) / zoom_ + savedOffX_;
      labelsArea_->Clear();
      DrawBackgroundAndLayers();
      gdiDC_->CopyRect(TRect(x, y, x + tileW, y + tileH), gdiCache_.get(),
                       TRect(0, 0, tileW, tileH));
      ++tile;
      BusyShake(this, tile, rows * columns, abort);
      if (abort) break;
    }
  }
  offX_ = savedOffX_ - rect.Left / zoom_;
  offY_ = savedOffY_ - rect.Top / zoom_;
  target_ = gisTargetDC;
  gdiCache_->Bitmap()->SetSize(0, 0);
}

void TGIS_Viewer::DrawBackgroundAndLayers() {
  TGIS_GDI* gdi = GetGDI();
  const TRect r = GetDrawingRect(true);
  if (tilePicture_->Empty()) {
    gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
    gdi->Brush()->SetColor(gisColor_);
    gdi->FillRect(r);
  } else {
    const int tw = tilePicture_->Width(), th = tilePicture_->Height();
    // The phase of the pixel offsets, in [0, size) also for negative offsets
    // (a remainder toward zero would leave a strip at the left and top).
    const double fx = Int(offX_ * zoom_), fy = Int(offY_ * zoom_);
    const int ox = int(Trunc(fx - std::floor(fx / tw) * tw));
    const int oy = int(Trunc(fy - std::floor(fy / th) * th));
    TLockScope<TGIS_GDI> lock(*gdi);
    for (int x = int(idiv(r.Left, tw)) * tw - ox; x < r.Right; x += tw)
      for (int y = int(idiv(r.Top, th)) * th - oy; y <= r.Bottom; y += th)
        gdi->DrawGraphic(x, y, tilePicture_.get());
  }
  paintPhase_ = cachedPaint_ && outerTarget_ == gisTargetWindow ? 1 : 0;
  if (OnPaint)
    OnPaint(this);
  else
    DrawLayers();
}

bool TGIS_Viewer::IsLayerVisible(TGIS_LayerAbstract* layer) {
  bool visible = layer->Active() && !GisIsEmptyExtent(layer->ProjectedExtent());
  if (visible) {
    const TGIS_Extent e =
        layer->UsesLiveVisibleExtent() ? ComputeVisibleExtent() : GetVisibleExtent();
    visible = GisIsExtentIntersecting(layer->ProjectedExtent(), e);
  }
  if (!visible && layer->DormantMode() != gisDormantOff) layer->MakeDormant();
  return visible;
}

void TGIS_Viewer::DormantOthers(TGIS_LayerAbstract* layer) {
  for (TGIS_LayerAbstract* other : layers_) {
    if (other->DormantMode() == gisDormantOff) break;
    if (other == layer) {
      if (layer->DormantMode() == gisDormantAgressive) layer->MakeDormant();
    } else if (typeid(*other) == typeid(*layer)) {
      other->MakeDormant();
    }
  }
}

void TGIS_Viewer::DrawLayerSafely(TGIS_LayerAbstract* layer, int step) {
  auto deactivate = ScopeExit([layer] { layer->SetActive(false); });
  switch (step) {
  case 0:
    layer->Draw();
    if (!layer->LabelsOnTop()) {
      layer->DrawCharts();
      layer->DrawLabels();
    }
    break;
  case 1:
    layer->DrawCharts();
    break;
  default:
    layer->DrawLabels();
    break;
  }
  deactivate.Dismiss();
}

void TGIS_Viewer::DrawLayers() {
  if (!(zoom_ > 0) || IsEmpty()) return;
  const int n = int(layers_.size());
  int top = n - 1;
  while (top >= 0 && !layers_[size_t(top)]->CachedPaint())
    --top;
  const bool nonCachedOnTop = top < n - 1;
  int first = 0, last = n - 1;
  bool drawEditor = true;
  if (paintPhase_ == 1) {
    last = top;
    drawEditor = false;
  } else if (paintPhase_ == 2) {
    first = top + 1;
    if (!nonCachedOnTop) last = first - 1;
  }
  DrawLayerRange(first, last, drawEditor);
}

void TGIS_Viewer::DrawLayerRange(int first, int last, bool drawEditor) {
  struct TSelection {
    TGIS_Viewer* viewer;
    bool failing = true;
    ~TSelection() {
      viewer->overlaysInUse_ = false;
      if (failing) {
        try {
          viewer->DrawSelection();
        } catch (...) {
        }
      }
    }
  } selection{this};

  const bool overlays = PrepareOverlays();
  bool interrupted = false;
  for (int i = first; i <= last && i < int(layers_.size()); ++i) {
    TGIS_LayerAbstract* layer = layers_[size_t(i)];
    if (IsLayerVisible(layer) && (!incremental_ || layer->IncrementalPaint())) {
      const int code = BeginLayerBlend(layer->Transparency(), layer->Addition());
      auto leaveBlend = ScopeExit([&] {
        if (code != 100 && target_ == gisTargetBlend) target_ = blendSavedTarget_;
      });
      DrawLayerSafely(layer, 0);
      leaveBlend.Dismiss();
      EndLayerBlend(code);
    }
    DormantOthers(layer);
    if (HourglassShake()) {
      interrupted = true;
      break;
    }
  }

  if (!interrupted) {
    if (overlays) {
      MergeOverlays();
    } else if (!incremental_) {
      if (drawEditor && editor_->InEdit()) editor_->DrawEditingPoints();
      for (int step = 1; step <= 2 && !interrupted; ++step) {
        for (int i = first; i <= last && i < int(layers_.size()); ++i) {
          TGIS_LayerAbstract* layer = layers_[size_t(i)];
          if (!layer->LabelsOnTop() || !IsLayerVisible(layer)) continue;
          DrawLayerSafely(layer, step);
          if (step == 2) DormantOthers(layer);
          if (HourglassShake()) {
            interrupted = true;
            break;
          }
        }
      }
    }
  }
  selection.failing = false;
  overlaysInUse_ = false;
  DrawSelection();
}

void TGIS_Viewer::FlushPartial() {
  if (!cachedPaint_ || oldCachedPaint_) return;
  if (outerTarget_ == gisTargetDC || outerTarget_ == gisTargetPrinterTile) return;
  if (target_ != gisTargetCache) return;
  TGIS_GDI* outer = GdiOf(outerTarget_);
  if (outer == nullptr) return;
  const TRect r = GetDrawingRect(true);
  const std::uint8_t saved = target_;
  target_ = outerTarget_;
  auto restore = ScopeExit([&] { target_ = saved; });
  outer->CopyRect(r, gdiCache_.get(), r);
}
