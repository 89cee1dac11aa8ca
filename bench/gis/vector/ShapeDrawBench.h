// Shared by the files of shape_draw_bench (ShapeDrawBench*.cpp): an offscreen
// 1920 x 1080 viewer window whose map units are its pixels, one vector layer
// of the benchmark's shapes, a full paint through the cache, and the peak
// resident memory of the process. Each file registers its ratios with
// AddBenchRatio; the main of ShapeDrawBench.cpp runs them all.
#pragma once

#include <sys/resource.h>

#include <memory>

#include "gis/core/GisKernel.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"

namespace shape_draw_bench {

inline constexpr int kWidth = 1920, kHeight = 1080;

/// A viewer window of kWidth x kHeight showing the map (0, 0, kWidth,
/// kHeight) at zoom 1, with one empty vector layer (map Y grows upwards),
/// a plain one or the given one (the viewer owns it).
struct TBenchViewer {
  explicit TBenchViewer(TGIS_LayerVector* shapes = new TGIS_LayerVector) : layer(shapes) {
    GisKernelInit();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, kWidth + 40, kHeight + 40);
    viewer = new TGIS_ViewerWnd(form);
    viewer->SetBorderStyle(TBorderStyle::bsNone);
    viewer->SetScrollBars(TScrollStyle::ssNone);
    viewer->SetParent(form);
    viewer->SetBounds(0, 0, kWidth, kHeight);
    viewer->Handle();
    viewer->KeyPoll = [](HWND) { return false; };
    layer->SetName("shapes");
    layer->Open();
    layer->SetExtent({0, 0, double(kWidth), double(kHeight)});
    viewer->Add(layer);
    viewer->SetBigExtentMargin(0);
    viewer->SetColor(0xFFFFFF);
    viewer->SetVisibleExtent({0, 0, double(kWidth), double(kHeight)});
  }
  ~TBenchViewer() { delete form; }
  TBenchViewer(const TBenchViewer&) = delete;
  TBenchViewer& operator=(const TBenchViewer&) = delete;

  /// A full paint of the window through the cache.
  void FullPaint() {
    viewer->DropCache();
    viewer->PaintAll();
  }

  TForm* form;
  TGIS_ViewerWnd* viewer;
  TGIS_LayerVector* layer;
};

/// The process's peak resident memory in MiB.
inline double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024; // kilobytes on Linux
}

} // namespace shape_draw_bench
