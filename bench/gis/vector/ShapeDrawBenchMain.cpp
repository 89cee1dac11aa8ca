// The program of shape_draw_bench: the offscreen platform with a screen that
// shows the whole 1920 x 1080 window, then the benchmarks of its files and
// the ratios they register (bench/support/RatioReporter.h).
#include <QApplication>

#include <cstdlib>

#include "bench/gis/vector/ShapeDrawBench.h"
#include "bench/support/RatioReporter.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  TScreenMetrics screen;
  screen.Width = shape_draw_bench::kWidth;
  screen.Height = shape_draw_bench::kHeight;
  screen.WorkArea = TRect(0, 0, shape_draw_bench::kWidth, shape_draw_bench::kHeight);
  SetScreenMetricsForTests(screen);
  return RunBenchmarksWithRatios(argc, argv);
}
