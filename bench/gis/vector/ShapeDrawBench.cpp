// Shape drawing: 100 000 polygons (a 16-vertex ring with an 8-vertex hole,
// 4 to 40 pixels across, solid fill, 1-pixel outline) painted in full by a
// 1920 x 1080 viewer window, beside the drawing layer's PolyPolygon
// (even-odd) of the same device points with the same pen and brush into a
// bitmap that is then copied to a second one (the viewer's cache-to-window
// copy). The same again without holes. This file holds the program's main
// (ShapeDrawBenchPoints.cpp adds the labelled points).
#include <QApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "bench/gis/vector/ShapeDrawBench.h"
#include "bench/support/RatioReporter.h"
#include "gis/core/GisKernel.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Ticks.h"

namespace {

using shape_draw_bench::kHeight;
using shape_draw_bench::kWidth;
constexpr int kPolygons = 100000;
constexpr TColor kFill = 0x40A040, kOutline = 0x203080;

/// One polygon as map points (map units are pixels, y up): the ring and, when
/// asked, its hole.
struct TBenchPolygon {
  std::vector<TGIS_Point> ring, hole;
};

/// The polygons, the same for every run (fixed seed).
const std::vector<TBenchPolygon>& Polygons() {
  static const std::vector<TBenchPolygon> all = [] {
    TRandomGenerator random(20240611);
    std::vector<TBenchPolygon> out(kPolygons);
    for (TBenchPolygon& p : out) {
      const double cx = 20 + random.Next() * (kWidth - 40);
      const double cy = 20 + random.Next() * (kHeight - 40);
      const double r = 2 + random.Next() * 18; // 4 to 40 pixels across
      for (int i = 0; i < 16; ++i) {
        const double a = 2 * std::numbers::pi * i / 16, k = i % 2 == 0 ? 1.0 : 0.8;
        p.ring.push_back({cx + k * r * std::cos(a), cy + k * r * std::sin(a)});
      }
      for (int i = 0; i < 8; ++i) {
        const double a = -2 * std::numbers::pi * i / 8;
        p.hole.push_back({cx + 0.4 * r * std::cos(a), cy + 0.4 * r * std::sin(a)});
      }
    }
    return out;
  }();
  return all;
}

/// A vector layer drawing every shape in turn (the layer's paint pass with
/// its thematic rendering is not what is measured here).
class TBenchLayer : public TGIS_LayerVector {
public:
  bool DrawDefault() override {
    for (int i = 0; i < ShapeCount(); ++i)
      ShapeAt(i)->Draw();
    return true;
  }
};

/// The shared viewer with the polygons, in full paints.
struct TPolygonsViewer : shape_draw_bench::TBenchViewer {
  explicit TPolygonsViewer(bool holes) : TBenchViewer(new TBenchLayer) {
    for (const TBenchPolygon& p : Polygons()) {
      TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
      s->Lock(1);
      s->AddPart();
      for (const TGIS_Point& v : p.ring)
        s->AddPoint(v);
      if (holes) {
        s->AddPart();
        for (const TGIS_Point& v : p.hole)
          s->AddPoint(v);
      }
      s->Unlock();
    }
    TGIS_ParamsArea& area = layer->GetParamsSection().GetArea();
    area.SetColor(kFill);
    area.SetOutlineColor(kOutline);
    area.SetOutlineWidth(-1);
    viewer->SetFullPaint(true);
  }
};

void ViewerPaint(benchmark::State& state, bool holes) {
  TPolygonsViewer b(holes);
  for (auto _ : state) {
    b.viewer->DropCache();
    b.viewer->PaintAll();
  }
  state.SetItemsProcessed(state.iterations() * kPolygons);
}

/// The same polygons as device points (map y up, screen y down), drawn with
/// one PolyPolygon each.
void DirectPaint(benchmark::State& state, bool holes) {
  std::vector<POINT> points;
  std::vector<int> counts;
  auto device = [](const TGIS_Point& p) {
    return POINT{LONG(std::lround(p.X)), LONG(std::lround(kHeight - p.Y))};
  };
  for (const TBenchPolygon& p : Polygons()) {
    for (const TGIS_Point& v : p.ring)
      points.push_back(device(v));
    points.push_back(device(p.ring.front()));
    counts.push_back(17);
    if (!holes) continue;
    for (const TGIS_Point& v : p.hole)
      points.push_back(device(v));
    points.push_back(device(p.hole.front()));
    counts.push_back(9);
  }
  const int perPolygon = holes ? 2 : 1;
  TBitmap cache(kWidth, kHeight, pf24bit), window(kWidth, kHeight, pf32bit);
  const TRect all(0, 0, kWidth, kHeight);
  for (auto _ : state) {
    HDC dc = cache.Canvas()->Handle();
    HBRUSH white = CreateSolidBrush(0xFFFFFF);
    FillRect(dc, &all, white);
    DeleteObject(white);
    HPEN pen = CreatePen(PS_SOLID, 1, kOutline);
    HBRUSH brush = CreateSolidBrush(kFill);
    HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
    SetPolyFillMode(dc, ALTERNATE);
    const POINT* at = points.data();
    for (std::size_t k = 0; k < counts.size(); k += std::size_t(perPolygon)) {
      PolyPolygon(dc, at, counts.data() + k, perPolygon);
      for (int j = 0; j < perPolygon; ++j)
        at += counts[k + std::size_t(j)];
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    BitBlt(window.Canvas()->Handle(), 0, 0, kWidth, kHeight, dc, 0, 0, SRCCOPY);
  }
  state.SetItemsProcessed(state.iterations() * kPolygons);
}

void BM_ShapesPolygonsWithHoles(benchmark::State& state) {
  ViewerPaint(state, true);
}
BENCHMARK(BM_ShapesPolygonsWithHoles)->Unit(benchmark::kMillisecond);

void BM_PolyPolygonWithHoles(benchmark::State& state) {
  DirectPaint(state, true);
}
BENCHMARK(BM_PolyPolygonWithHoles)->Unit(benchmark::kMillisecond);

void BM_ShapesPolygonsPlain(benchmark::State& state) {
  ViewerPaint(state, false);
}
BENCHMARK(BM_ShapesPolygonsPlain)->Unit(benchmark::kMillisecond);

void BM_PolyPolygonPlain(benchmark::State& state) {
  DirectPaint(state, false);
}
BENCHMARK(BM_PolyPolygonPlain)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  bench_viewer::UseScreenOf(kWidth, kHeight);
  // The program's ratios: these two, then those the other files register.
  auto& ratios = RegisteredBenchRatios();
  ratios.insert(ratios.begin(), {{"polygons with holes, shapes / PolyPolygon",
                                  "BM_ShapesPolygonsWithHoles", "BM_PolyPolygonWithHoles"},
                                 {"plain polygons, shapes / PolyPolygon", "BM_ShapesPolygonsPlain",
                                  "BM_PolyPolygonPlain"}});
  return RunBenchmarksWithRatios(argc, argv);
}
