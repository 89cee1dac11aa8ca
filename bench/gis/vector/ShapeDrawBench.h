// Shared by the files of shape_draw_bench (ShapeDrawBench*.cpp): an offscreen
// 1920 x 1080 viewer window whose map units are its pixels, one vector layer
// of the benchmark's shapes, a full paint through the cache, and the peak
// resident memory of the process. Each file registers its ratios with
// AddBenchRatio; the main of ShapeDrawBench.cpp runs them all.
#pragma once

#include <sys/resource.h>

#include <memory>

#include "bench/gis/viewer/BenchViewerWindow.h"
#include "gis/vector/GisLayerVector.h"

namespace shape_draw_bench {

inline constexpr int kWidth = 1920, kHeight = 1080;

/// A viewer window of kWidth x kHeight showing the map (0, 0, kWidth,
/// kHeight) at zoom 1, with one empty vector layer (map Y grows upwards),
/// a plain one or the given one (the viewer owns it).
struct TBenchViewer : bench_viewer::TBenchViewerWindow {
  explicit TBenchViewer(TGIS_LayerVector* shapes = new TGIS_LayerVector)
      : TBenchViewerWindow(kWidth, kHeight), layer(shapes) {
    viewer->KeyPoll = [](HWND) { return false; };
    layer->SetName("shapes");
    layer->Open();
    layer->SetExtent({0, 0, double(kWidth), double(kHeight)});
    viewer->Add(layer);
    viewer->SetBigExtentMargin(0);
    viewer->SetColor(0xFFFFFF);
    viewer->SetVisibleExtent({0, 0, double(kWidth), double(kHeight)});
  }
  /// A full paint of the window through the cache.
  void FullPaint() {
    viewer->DropCache();
    viewer->PaintAll();
  }

  TGIS_LayerVector* layer;
};

/// The process's peak resident memory in MiB.
inline double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024; // kilobytes on Linux
}

} // namespace shape_draw_bench
