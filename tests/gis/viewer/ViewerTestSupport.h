// Shared helpers of the viewer's tests: a layer of the tests' own that fills
// map rectangles, counts its draws, raises on demand and polls the busy
// handler; a form holding a viewer window; pixel probes.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gis/core/GisKernel.h"
#include "gis/core/GisResource.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "tests/gis/viewer/GdiTarget.h"
#include "tests/support/RunTool.h"

struct TTestRect {
  TGIS_Extent Extent;
  TColor Color;
};

class TTestLayer : public TGIS_LayerAbstract {
public:
  explicit TTestLayer(const std::string& name = "", TGIS_Extent extent = {0, 0, 100, 100}) {
    SetName(name);
    openExtent = extent;
  }
  ~TTestLayer() override {
    if (Log != nullptr) Log->push_back("free " + Name());
  }

  // ---- what the test arranges --------------------------------------------
  TGIS_Extent openExtent;
  std::vector<TTestRect> Rects;
  bool ThrowOnOpen = false;
  bool ThrowOnDraw = false;
  /// Runs inside DrawDefault after the rectangles are filled.
  std::function<void(TTestLayer*)> DuringDraw;
  std::vector<std::string>* Log = nullptr;

  // ---- what it records -------------------------------------------------------
  int Opens = 0, Draws = 0, LabelDraws = 0, ChartDraws = 0, Dormants = 0, Recalcs = 0;
  std::vector<TGIS_Extent> DrawExtents;

  void Open() override {
    ++Opens;
    TGIS_LayerAbstract::Open();
    if (ThrowOnOpen) throw EGIS_Exception("open failed");
    extent_ = openExtent;
    projectedExtent_ = openExtent;
  }
  bool DrawDefault() override {
    ++Draws;
    if (Log != nullptr) Log->push_back("draw " + Name());
    if (ThrowOnDraw) throw EGIS_Exception("draw failed");
    TGIS_Extent e{0, 0, 0, 0};
    GetDrawExtentClipped(e);
    DrawExtents.push_back(e);
    TGIS_GDI* gdi = Viewer()->GetGDI();
    for (const TTestRect& r : Rects) {
      gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
      gdi->Brush()->SetColor(r.Color);
      gdi->FillRect(Viewer()->MapToScreenRect(r.Extent));
    }
    if (DuringDraw) DuringDraw(this);
    HourglassShake();
    return true;
  }
  bool DrawLabelsDefault() override {
    ++LabelDraws;
    if (Log != nullptr) Log->push_back("labels " + Name());
    return false;
  }
  bool DrawChartsDefault() override {
    ++ChartDraws;
    if (Log != nullptr) Log->push_back("charts " + Name());
    return false;
  }
  void RecalcExtent() override { ++Recalcs; }
  void MakeDormant() override { ++Dormants; }
  void DiscardChanges() override {}
  void SetOpenedExtent(const TGIS_Extent& e) { extent_ = e; }
};

/// A form 300 x 200 holding a viewer window of `w` x `h` without border or
/// scroll bars (so the client area is the whole control).
struct TViewerForm {
  explicit TViewerForm(int w = 200, int h = 100, bool bars = false) {
    GisKernelInit();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
    viewer = new TGIS_ViewerWnd(form);
    // A paint that takes a second (a loaded machine, a sanitizer build) polls
    // for Esc; the real poll would run queued events in the middle of the
    // test. Tests of the poll install their own.
    viewer->KeyPoll = [](HWND) { return false; };
    viewer->SetBorderStyle(TBorderStyle::bsNone);
    if (!bars) viewer->SetScrollBars(TScrollStyle::ssNone);
    viewer->SetParent(form);
    viewer->SetBounds(0, 0, w, h);
    viewer->Handle();
    Pump();
  }
  ~TViewerForm() { delete form; }
  TViewerForm(const TViewerForm&) = delete;
  TViewerForm& operator=(const TViewerForm&) = delete;

  static void Pump() {
    for (int i = 0; i < 3; ++i)
      Application()->ProcessMessages();
  }
  /// A pixel of the window's back buffer.
  COLORREF Pixel(int x, int y) {
    HWND h = viewer->Handle();
    HDC dc = GetDC(h);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(h, dc);
    return c;
  }
  TTestLayer* AddLayer(const std::string& name, TGIS_Extent extent, TColor color,
                       TGIS_Extent fill = {1, 1, -1, -1}) {
    auto* layer = new TTestLayer(name, extent);
    layer->Rects.push_back({GisIsEmptyExtent(fill) ? extent : fill, color});
    viewer->Add(layer);
    return layer;
  }

  TForm* form = nullptr;
  TGIS_ViewerWnd* viewer = nullptr;
};

/// What pdfinfo says about a PDF file (its error text when it fails).
inline std::string PdfInfo(const std::string& file) {
  return sktest::RunCommand("pdfinfo '" + file + "' 2>&1");
}

/// The colour of a pixel of a 24- or 32-bit bitmap.
inline COLORREF BitmapPixel(TBitmap& bitmap, int x, int y) {
  const int bpp = bitmap.PixelFormat() == pf32bit ? 4 : 3;
  const std::uint8_t* p = bitmap.ScanLine(y) + x * bpp;
  return RGB(p[2], p[1], p[0]);
}
