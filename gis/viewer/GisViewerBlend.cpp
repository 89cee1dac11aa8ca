// TGIS_Viewer: per-layer transparency and additive blending, the label and
// chart overlays, and the selection drawing.
//
// Pure black pixels mean "nothing drawn here": style colours never draw pure
// black, so the scratch and overlay bitmaps start black and only their
// non-black pixels are merged.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Numerics.h"

namespace {

int BytesPerPixel(TBitmap* bitmap) {
  switch (bitmap->PixelFormat()) {
  case pf24bit:
    return 3;
  case pf32bit:
    return 4;
  default:
    return 0;
  }
}

/// Makes `bitmap` like `model`: handle type, pixel format and size. True
/// when any of them changed (the pixels are then unknown).
bool ShapeLike(TBitmap* bitmap, TBitmap* model) {
  const bool same = bitmap->HandleType() == model->HandleType() &&
                    bitmap->PixelFormat() == model->PixelFormat() &&
                    bitmap->Width() == model->Width() && bitmap->Height() == model->Height();
  bitmap->SetHandleType(model->HandleType());
  bitmap->SetPixelFormat(model->PixelFormat());
  bitmap->SetSize(model->Width(), model->Height());
  return !same;
}

void FillBlack(TGIS_GDI* gdi, const TRect& r) {
  gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
  gdi->Brush()->SetColor(0);
  gdi->FillRect(r);
}

/// Copies every non-black pixel of `source` onto `target` (same format).
/// True when the whole of `source` was seen and held no such pixel.
bool CopyNonBlack(TBitmap* source, TBitmap* target) {
  const int bpp = BytesPerPixel(target);
  if (bpp == 0 || BytesPerPixel(source) != bpp) return false;
  const int w = std::min(source->Width(), target->Width());
  const int h = std::min(source->Height(), target->Height());
  bool black = w == source->Width() && h == source->Height();
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = source->ScanLine(y);
    std::uint8_t* t = target->ScanLine(y);
    for (int x = 0; x < w; ++x, s += bpp, t += bpp)
      if (s[0] != 0 || s[1] != 0 || s[2] != 0) {
        std::copy(s, s + 3, t);
        black = false;
      }
  }
  return black;
}

} // namespace

bool TGIS_Viewer::PrepareOverlays() {
  overlaysInUse_ = false;
  if ((target_ != gisTargetCache && target_ != gisTargetBitmap) || outerTarget_ == gisTargetDC)
    return false;
  TBitmap* model = BitmapOf(target_);
  TGIS_GDI* current = GetGDI();
  if (model == nullptr || current == nullptr) return false;
  // An overlay found all black when last merged, and not taken since, is
  // still black: clearing it would change nothing.
  const std::pair<TGIS_GDI*, bool*> overlays[] = {{gdiLabels_.get(), &labelsBlack_},
                                                  {gdiCharts_.get(), &chartsBlack_}};
  for (const auto& [overlay, black] : overlays) {
    if (ShapeLike(overlay->Bitmap(), model)) *black = false;
    overlay->Font()->SetPixelsPerInch(current->Font()->PixelsPerInch());
    if (!*black) FillBlack(overlay, TRect(0, 0, model->Width(), model->Height()));
  }
  overlaysInUse_ = true;
  return true;
}

void TGIS_Viewer::MergeOverlays() {
  TBitmap* target = BitmapOf(target_);
  if (target == nullptr) return;
  // Merging an all-black overlay changes nothing.
  if (!chartsBlack_) chartsBlack_ = CopyNonBlack(gdiCharts_->Bitmap(), target);
  if (!labelsBlack_) labelsBlack_ = CopyNonBlack(gdiLabels_->Bitmap(), target);
}

int TGIS_Viewer::BeginLayerBlend(int transparency, int addition) {
  int code = transparency + 256 * addition;
  if (code == 100) return code;
  if (target_ != gisTargetCache && target_ != gisTargetBitmap) return 100;
  TBitmap* model = BitmapOf(target_);
  TGIS_GDI* current = GetGDI();
  if (model == nullptr || current == nullptr) return 100;
  if (target_ == gisTargetBitmap && model->PixelFormat() != pf24bit) model->SetPixelFormat(pf24bit);
  if (BytesPerPixel(model) == 0) return 100; // other formats are not blended
  blendSavedTarget_ = target_;
  ShapeLike(gdiBlend_->Bitmap(), model);
  gdiBlend_->Font()->SetPixelsPerInch(current->Font()->PixelsPerInch());
  current->MoveSelectionRegionsTo(*gdiBlend_);
  target_ = gisTargetBlend;
  FillBlack(gdiBlend_.get(), GetDrawingRect(true));
  return code;
}

void TGIS_Viewer::EndLayerBlend(int code) {
  if (code == 100) return;
  const int t = code & 255;
  const int a = std::min(code >> 8, 100);
  TBitmap* target = BitmapOf(blendSavedTarget_);
  TBitmap* scratch = gdiBlend_->Bitmap();
  const int bpp = target != nullptr ? BytesPerPixel(target) : 0;
  if (bpp != 0 && BytesPerPixel(scratch) == bpp) {
    std::array<int, 256> f{}, g{};
    for (int i = 0; i < 256; ++i) {
      f[size_t(i)] = i * t / 100;
      g[size_t(i)] = i * a / 100;
    }
    const int w = std::min(target->Width(), scratch->Width());
    const int h = std::min(target->Height(), scratch->Height());
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* s = scratch->ScanLine(y);
      std::uint8_t* d = target->ScanLine(y);
      for (int x = 0; x < w; ++x, s += bpp, d += bpp) {
        if (s[0] == 0 && s[1] == 0 && s[2] == 0) continue;
        for (int c = 0; c < 3; ++c) {
          if (a == 0)
            d[c] = std::uint8_t(d[c] + f[s[c]] - f[d[c]]);
          else
            d[c] = std::uint8_t(std::min(255, f[d[c]] + g[s[c]]));
        }
      }
    }
  }
  if (TGIS_GDI* back = GdiOf(blendSavedTarget_); back != nullptr)
    gdiBlend_->MoveSelectionRegionsTo(*back);
  target_ = blendSavedTarget_;
}

void TGIS_Viewer::DrawSelection() {
  TGIS_GDI* owner = GetGDI();
  if (owner == nullptr || owner->SelectionRegion() == nullptr) return;
  const int code = BeginLayerBlend(selectionTransparency_, 0);
  TGIS_GDI* gdi = GetGDI();
  struct TFinish {
    TGIS_Viewer* viewer;
    TGIS_GDI*& gdi;
    int code;
    ~TFinish() {
      try {
        gdi->SelectClipRgn(nullptr);
        viewer->EndLayerBlend(code);
        if (TGIS_GDI* back = viewer->GetGDI(); back != nullptr) back->FreeSelectionRegions();
      } catch (...) {
      }
    }
  } finish{this, gdi, code};

  HRGN primary = gdi->SelectionRegion();
  if (gdi->SelectionRegionSecondary() != nullptr)
    gdi->CombineRgn(primary, primary, gdi->SelectionRegionSecondary(), RGN_XOR);
  gdi->SelectClipRgn(primary);
  const TRect clip = gdi->GetClipBox();
  gdi->IntersectClipRect(clip.Left, clip.Top, clip.Right, clip.Bottom);

  if (selectionColor_ != 0xFFFFFF && cachedPaint_) {
    gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
    gdi->Brush()->SetColor(TColor(GisNonBlackColor(std::uint32_t(selectionColor_))));
    gdi->FillRect(clip);
    return;
  }
  TBitmap* pattern = selectionPattern_.get();
  const int w = pattern->Width(), h = pattern->Height();
  if (w < 2 || h < 2) return;
  const TGIS_Extent visible = GetVisibleExtent();
  const TGIS_Point p = MapToScreenFloat(TGIS_Point{visible.XMin, visible.YMax});
  const int ox = int(Trunc(p.X - Int(p.X / w) * w));
  const int oy = int(Round(p.Y - Int(p.Y / h) * h));
  pattern->SetTransparent(true);
  // Tiles over the whole drawing rectangle, which need not start at (0, 0)
  // (a printed page's map band), keeping the pattern's phase.
  const TRect r = GetDrawingRect(true);
  const int x0 = ox + int(std::floor(double(r.Left - ox) / w)) * w;
  const int y0 = oy + int(std::floor(double(r.Top - oy) / h)) * h;
  for (int y = y0; y <= r.Bottom; y += h)
    for (int x = x0; x <= r.Right; x += w)
      gdi->DrawGraphic(x, y, pattern);
}
