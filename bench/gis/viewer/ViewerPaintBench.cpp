// The viewer's full paint (20 layers of 5000 filled rectangles into a
// 1920 x 1080 window through the cache) and a 100-step incremental drag,
// each beside the same drawing done directly with the drawing layer (the
// drag's baseline scrolls a window of the same size in place and draws the
// uncovered strip, as the viewer does).
#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/gis/viewer/BenchViewerWindow.h"
#include "bench/support/RatioReporter.h"
#include "gis/core/GisKernel.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Ticks.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kLayers = 20, kRects = 5000;
constexpr double kMapWidth = 3840, kMapHeight = 2160; // twice the window

struct TBenchRect {
  TGIS_Extent extent;
  TColor color;
};

/// The rectangles of every layer, the same for the viewer and the direct runs.
const std::vector<std::vector<TBenchRect>>& Rectangles() {
  static const std::vector<std::vector<TBenchRect>> all = [] {
    TRandomGenerator random(20261210);
    std::vector<std::vector<TBenchRect>> layers(kLayers);
    for (auto& layer : layers) {
      layer.reserve(kRects);
      for (int i = 0; i < kRects; ++i) {
        const double x = random.Next() * kMapWidth, y = random.Next() * kMapHeight;
        const double w = 2 + random.Next() * 40, h = 2 + random.Next() * 40;
        layer.push_back({{x, y, x + w, y + h}, TColor(1 + random.Next(0xFFFFFE))});
      }
    }
    return layers;
  }();
  return all;
}

class TBenchLayer : public TGIS_LayerAbstract {
public:
  TBenchLayer(int index) : rects_(Rectangles()[size_t(index)]) {
    extent_ = {0, 0, kMapWidth, kMapHeight};
    projectedExtent_ = extent_;
  }
  bool DrawDefault() override {
    TGIS_GDI* gdi = Viewer()->GetGDI();
    TGIS_Extent e{0, 0, 0, 0};
    GetDrawExtentClipped(e);
    gdi->Brush()->SetStyle(GIS_BRUSH_SOLID);
    for (const TBenchRect& r : rects_) {
      if (!GisIsExtentIntersecting(r.extent, e)) continue;
      gdi->Brush()->SetColor(r.color);
      gdi->FillRect(Viewer()->MapToScreenRect(r.extent));
    }
    return true;
  }
  void DiscardChanges() override {}

private:
  const std::vector<TBenchRect>& rects_;
};

struct TBenchViewer : bench_viewer::TBenchViewerWindow {
  TBenchViewer() : TBenchViewerWindow(kWidth, kHeight) {
    for (int i = 0; i < kLayers; ++i) {
      auto* layer = new TBenchLayer(i);
      layer->SetName("layer" + std::string(1, char('a' + i)));
      layer->SetIncrementalPaint(true);
      viewer->Add(layer);
    }
    viewer->SetBigExtentMargin(0);
    viewer->SetZoom(1);
    viewer->SetCenterPoint({kMapWidth / 2, kMapHeight / 2});
  }
};

/// The same rectangles straight onto a bitmap, then copied to a second one
/// (what the viewer's cache-to-window copy does).
void DrawDirect(HDC dc, double offX, double offY, const TRect& clip) {
  // The clip in map units: rectangles outside it are skipped before any
  // conversion, as the viewer's layers skip them by extent.
  const double xMin = clip.Left + offX, xMax = clip.Right + offX;
  const double yMin = kMapHeight - offY - clip.Bottom, yMax = kMapHeight - offY - clip.Top;
  for (const auto& layer : Rectangles()) {
    for (const TBenchRect& r : layer) {
      if (r.extent.XMax < xMin || r.extent.XMin > xMax || r.extent.YMax < yMin ||
          r.extent.YMin > yMax)
        continue;
      const TRect s(LONG(r.extent.XMin - offX), LONG(kMapHeight - r.extent.YMax - offY),
                    LONG(r.extent.XMax - offX), LONG(kMapHeight - r.extent.YMin - offY));
      if (s.Right <= clip.Left || s.Left >= clip.Right || s.Bottom <= clip.Top ||
          s.Top >= clip.Bottom)
        continue;
      HBRUSH brush = CreateSolidBrush(COLORREF(r.color));
      FillRect(dc, &s, brush);
      DeleteObject(brush);
    }
  }
}

void BM_ViewerFullPaint(benchmark::State& state) {
  TBenchViewer b;
  for (auto _ : state) {
    b.viewer->DropCache();
    b.viewer->PaintAll();
  }
  state.SetItemsProcessed(state.iterations() * kLayers * kRects);
}
BENCHMARK(BM_ViewerFullPaint)->Unit(benchmark::kMillisecond);

void BM_DirectFullPaint(benchmark::State& state) {
  TBitmap cache(kWidth, kHeight, pf24bit), window(kWidth, kHeight, pf32bit);
  const TRect all(0, 0, kWidth, kHeight);
  for (auto _ : state) {
    HBRUSH white = CreateSolidBrush(0xFFFFFF);
    FillRect(cache.Canvas()->Handle(), &all, white);
    DeleteObject(white);
    DrawDirect(cache.Canvas()->Handle(), kWidth / 2.0, kHeight / 2.0, all);
    BitBlt(window.Canvas()->Handle(), 0, 0, kWidth, kHeight, cache.Canvas()->Handle(), 0, 0,
           SRCCOPY);
  }
  state.SetItemsProcessed(state.iterations() * kLayers * kRects);
}
BENCHMARK(BM_DirectFullPaint)->Unit(benchmark::kMillisecond);

void BM_ViewerIncrementalDrag(benchmark::State& state) {
  TBenchViewer b;
  HWND h = b.viewer->Handle();
  for (auto _ : state) {
    for (int step = 0; step < 100; ++step) {
      const int d = (step / 10) % 2 == 0 ? 8 : -8;
      b.viewer->ScrollBy(d, 0);
      UpdateWindow(h);
    }
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_ViewerIncrementalDrag)->Unit(benchmark::kMillisecond);

/// The drag done by hand the way the viewer does it: the window's pixels
/// scroll in place (ScrollWindowEx) and only the uncovered strip is drawn,
/// through a window DC.
void BM_DirectIncrementalDrag(benchmark::State& state) {
  TForm form(nullptr);
  form.SetBounds(0, 0, kWidth + 40, kHeight + 40);
  auto* window = new TWinControl(&form);
  window->SetParent(&form);
  window->SetBounds(0, 0, kWidth, kHeight);
  HWND h = window->Handle();
  double offX = kWidth / 2.0;
  for (auto _ : state) {
    for (int step = 0; step < 100; ++step) {
      const int d = (step / 10) % 2 == 0 ? 8 : -8;
      offX += d;
      ScrollWindowEx(h, -d, 0, nullptr, nullptr, nullptr, nullptr, 0);
      const TRect strip = d > 0 ? TRect(kWidth - d, 0, kWidth, kHeight) : TRect(0, 0, -d, kHeight);
      HDC dc = GetDC(h);
      HBRUSH white = CreateSolidBrush(0xFFFFFF);
      FillRect(dc, &strip, white);
      DeleteObject(white);
      DrawDirect(dc, offX, kHeight / 2.0, strip);
      ReleaseDC(h, dc);
    }
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_DirectIncrementalDrag)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  bench_viewer::UseScreenOf(kWidth, kHeight);
  // The viewer's own overhead: each viewer run's time over the direct run's.
  return RunBenchmarksWithRatios(
      argc, argv,
      {{"full paint", "BM_ViewerFullPaint", "BM_DirectFullPaint"},
       {"incremental drag", "BM_ViewerIncrementalDrag", "BM_DirectIncrementalDrag"}},
      "viewer / direct");
}
