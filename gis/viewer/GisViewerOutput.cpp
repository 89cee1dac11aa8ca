// TGIS_Viewer: output through a device context: RenderToDC, bitmaps,
// metafiles and the clipboard. Printing is in GisViewerPrint.cpp.
#include <cmath>

#include "gis/core/GisDefsMetafile.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "platform/forms/Clipboard.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Metafile.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Streams.h"

void TGIS_Viewer::RenderToDC(HDC dc, int ppi, double& scale, const TGIS_Extent& extent,
                             const TRect& rect) {
  if (dc == nullptr) return;
  const std::uint8_t savedTarget = target_;
  const double savedZoom = zoom_;
  const double savedOffX = offX_, savedOffY = offY_;
  const TPoint savedPrintOffset = printOffset_;
  const TGIS_Point savedCenter = center_;
  std::unique_ptr<TGIS_GDI> savedDC = std::move(gdiDC_);
  const int savedWidth = outputWidth_, savedHeight = outputHeight_;

  auto restore = ScopeExit([&]() {
    // The view must come back exactly as it was, whatever the paint did.
    try {
      SetZoom(savedZoom);
    } catch (...) {
    }
    zoom_ = savedZoom;
    offX_ = savedOffX;
    offY_ = savedOffY;
    printOffset_ = savedPrintOffset;
    center_ = savedCenter;
    gdiDC_ = std::move(savedDC);
    outputWidth_ = savedWidth;
    outputHeight_ = savedHeight;
    target_ = savedTarget;
    labelsArea_->Clear();
  });

  gdiDC_ = TGIS_GDI::CreateForDC(dc);
  gdiDC_->Font()->SetPixelsPerInch(ppi);
  target_ = gisTargetDC;
  outputWidth_ = rect.Width();
  outputHeight_ = rect.Height();
  SetVisibleExtent(extent);
  if (scale > 1e-10) SetScale(scale);
  scale = GetScale();
  labelsArea_->Clear();
  printOffset_ = TPoint(rect.Left, rect.Top);
  gdiDC_->IntersectClipRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
  auto unclip = ScopeExit([&] { gdiDC_->SelectClipRgn(nullptr); });
  PaintAll();
  unclip.Run();
  restore.Run();
}

void TGIS_Viewer::RenderToBitmap(TBitmap* bitmap) {
  if (bitmap == nullptr) return;
  int w = bitmap->Width(), h = bitmap->Height();
  const TGIS_Extent e = GetVisibleExtent();
  const double ew = e.XMax - e.XMin, eh = e.YMax - e.YMin;
  // An empty viewer or a zero-span extent gives no usable aspect ratio: the
  // missing sizes then come from the window.
  const double ratio = ew / eh;
  const bool usable = !IsEmpty() && std::isfinite(ratio) && ratio > 0;
  if (w == 0 && h == 0) h = ClientHeight();
  if (!usable) {
    if (w == 0) w = ClientWidth();
    if (h == 0) h = ClientHeight();
  } else if (w == 0) {
    w = int(Round(ratio * h));
  } else if (h == 0) {
    h = int(Round(eh / ew * w));
  }
  bitmap->SetSize(w, h);
  TCanvas* canvas = bitmap->Canvas();
  TCanvasLock lock(*canvas);
  double scale = 0;
  RenderToDC(canvas->Handle(), canvas->Font()->PixelsPerInch(), scale, e, TRect(0, 0, w, h));
}

void TGIS_Viewer::RenderToMetafile(TMetafile* metafile) {
  if (metafile == nullptr) return;
  TGIS_MetafileTarget target(metafile, ClientWidth(), ClientHeight());
  TCanvas* canvas = GisMetafileCanvas(target);
  {
    TCanvasLock lock(*canvas);
    double scale = 0;
    RenderToDC(canvas->Handle(), canvas->Font()->PixelsPerInch(), scale, GetVisibleExtent(),
               ClientRect());
  }
  target.Canvas.reset(); // completes the metafile
}

void TGIS_Viewer::CopyToClipboard() {
  TMetafile metafile;
  RenderToMetafile(&metafile);
  TStringStream svg;
  metafile.SaveToStream(svg);
  TBitmap rendering(std::max(1, metafile.Width()), std::max(1, metafile.Height()), pf32bit);
  metafile.Draw(rendering.Canvas(), TRect(0, 0, rendering.Width(), rendering.Height()));
  Clipboard()->SetPicture(svg.DataString(), *rendering.Dib());
}
