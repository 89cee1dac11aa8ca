// The drawing layer beside plain QPainter calls doing the same work, so that
// the cost of the layer shows as a ratio: polygons filled and outlined with a
// solid and a hatched brush, and a 4000x3000 24-bit blit, 1:1 and stretched
// (nearest neighbour). main prints ours / QPainter for the four pairs (the
// benchmarks of DrawingSpeedBench.cpp report theirs as a counter).
#include <benchmark/benchmark.h>

#include "bench/support/RatioReporter.h"

#include <QImage>
#include <QPainter>
#include <random>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"

namespace {

constexpr int kPolygons = 100000;
constexpr int kSurface = 1024;

const std::vector<std::vector<POINT>>& Polygons() {
  static const std::vector<std::vector<POINT>> polys = [] {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> pos(0, kSurface - 1), off(-25, 25), count(3, 8);
    std::vector<std::vector<POINT>> out(kPolygons);
    for (auto& p : out) {
      int cx = pos(rng), cy = pos(rng), n = count(rng);
      for (int i = 0; i < n; ++i)
        p.push_back(POINT(cx + off(rng), cy + off(rng)));
    }
    return out;
  }();
  return polys;
}

void LayerPolygons(benchmark::State& state, bool hatched) {
  TMemorySurface surface(kSurface, kSurface, 32);
  HDC dc = CreateSurfaceDC(&surface);
  HBRUSH brush =
      hatched ? CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 255)) : CreateSolidBrush(RGB(0, 0, 255));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  SelectObject(dc, brush);
  SelectObject(dc, pen);
  SetBkMode(dc, TRANSPARENT);
  for (auto _ : state)
    for (const auto& p : Polygons())
      Polygon(dc, p.data(), int(p.size()));
  state.SetItemsProcessed(state.iterations() * kPolygons);
  DeleteDC(dc);
  DeleteObject(brush);
  DeleteObject(pen);
}

void QtPolygons(benchmark::State& state, bool hatched) {
  QImage image(kSurface, kSurface, QImage::Format_RGB32);
  image.fill(Qt::white);
  std::vector<QPolygon> polys;
  for (const auto& p : Polygons()) {
    QPolygon q;
    for (const POINT& pt : p)
      q << QPoint(pt.x, pt.y);
    polys.push_back(q);
  }
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(Qt::red, 0));
  painter.setBrush(hatched ? QBrush(Qt::blue, Qt::DiagCrossPattern) : QBrush(Qt::blue));
  for (auto _ : state)
    for (const QPolygon& q : polys)
      painter.drawPolygon(q, Qt::OddEvenFill);
  state.SetItemsProcessed(state.iterations() * kPolygons);
}

void BM_LayerPolygonsSolid(benchmark::State& s) {
  LayerPolygons(s, false);
}
void BM_QtPolygonsSolid(benchmark::State& s) {
  QtPolygons(s, false);
}
void BM_LayerPolygonsHatched(benchmark::State& s) {
  LayerPolygons(s, true);
}
void BM_QtPolygonsHatched(benchmark::State& s) {
  QtPolygons(s, true);
}
BENCHMARK(BM_LayerPolygonsSolid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtPolygonsSolid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayerPolygonsHatched)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtPolygonsHatched)->Unit(benchmark::kMillisecond);

constexpr int kW = 4000, kH = 3000;

void LayerBlit(benchmark::State& state, bool stretch) {
  TMemorySurface src(kW, kH, 24, RGB(10, 200, 30)), dst(kW, kH, 24);
  HDC s = CreateSurfaceDC(&src), d = CreateSurfaceDC(&dst);
  SetStretchBltMode(d, COLORONCOLOR);
  for (auto _ : state) {
    if (stretch)
      StretchBlt(d, 0, 0, kW / 2 + 7, kH / 2 + 5, s, 0, 0, kW, kH, SRCCOPY);
    else
      BitBlt(d, 0, 0, kW, kH, s, 0, 0, SRCCOPY);
  }
  DeleteDC(s);
  DeleteDC(d);
}

void QtBlit(benchmark::State& state, bool stretch) {
  QImage src(kW, kH, QImage::Format_RGB888), dst(kW, kH, QImage::Format_RGB888);
  src.fill(QColor(10, 200, 30));
  dst.fill(Qt::white);
  QPainter painter(&dst);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (auto _ : state) {
    if (stretch)
      painter.drawImage(QRect(0, 0, kW / 2 + 7, kH / 2 + 5), src);
    else
      painter.drawImage(0, 0, src);
  }
}

void BM_LayerBlitCopy(benchmark::State& s) {
  LayerBlit(s, false);
}
void BM_QtBlitCopy(benchmark::State& s) {
  QtBlit(s, false);
}
void BM_LayerBlitStretch(benchmark::State& s) {
  LayerBlit(s, true);
}
void BM_QtBlitStretch(benchmark::State& s) {
  QtBlit(s, true);
}
// QPainter scales large images on several threads: the processor time of
// the whole process counts, on both sides.
BENCHMARK(BM_LayerBlitCopy)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtBlitCopy)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayerBlitStretch)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtBlitStretch)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  return RunBenchmarksWithRatios(
      argc, argv,
      {{"solid polygons / QPainter", "BM_LayerPolygonsSolid", "BM_QtPolygonsSolid"},
       {"hatched polygons / QPainter", "BM_LayerPolygonsHatched", "BM_QtPolygonsHatched"},
       {"blit 4000x3000 / QPainter", "BM_LayerBlitCopy/process_time",
        "BM_QtBlitCopy/process_time"},
       {"stretch 4000x3000 -> 2007x1505 / QPainter (goal <= 1.5)",
        "BM_LayerBlitStretch/process_time", "BM_QtBlitStretch/process_time"}},
      "drawing layer / QPainter");
}
