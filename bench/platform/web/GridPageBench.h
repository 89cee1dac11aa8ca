// What the snapshot benchmarks share: the 826 x 643 page of coloured cells,
// the wait until it shows, the plain grab they compare against, and the
// program's start (the engine wants its environment before the application
// object exists).
#pragma once

#include "bench/support/RatioReporter.h"
#include "platform/web/WebEngineEnvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace webbench {

inline constexpr int kViewWidth = 826;
inline constexpr int kViewHeight = 643;
/// The colour at pixel (150, 150) of the grid page, as 0xRRGGBB.
inline constexpr std::uint32_t kProbeRgb = (28u << 16) | (36u << 8) | 128u;

/// Writes the grid page (9 x 7 cells of 100 pixels) into dir; empty on failure.
inline QString WriteGridPage(const QTemporaryDir& dir) {
  QString cells;
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 7; ++j)
      cells += QStringLiteral("<div style='position:absolute;left:%1px;top:%2px;width:100px;"
                              "height:100px;background:rgb(%3,%4,128)'></div>")
                   .arg(i * 100)
                   .arg(j * 100)
                   .arg(i * 28)
                   .arg(j * 36);
  const QString path = dir.filePath("grid.htm");
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return {};
  f.write(("<html><body style='margin:0;overflow:hidden'>" + cells + "</body></html>").toUtf8());
  return path;
}

/// Runs the event loop until ready() holds, at most timeoutMs; returns ready().
inline bool WaitFor(const std::function<bool()>& ready, int timeoutMs = 15000) {
  QElapsedTimer t;
  t.start();
  while (!ready()) {
    if (t.elapsed() > timeoutMs) return false;
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

/// The engine's own picture of the view, without any conversion.
inline void PlainGrab(benchmark::State& state, QWebEngineView* view) {
  for (auto _ : state) {
    QPixmap pixmap = view->grab();
    benchmark::DoNotOptimize(pixmap);
  }
  state.counters["grabs/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

/// main() of a snapshot benchmark: the engine's environment, the application
/// object, then the fixture (published through current while the
/// benchmarks run), and the ratios printed at the end.
template <class Fixture>
int RunBenchmarks(int argc, char** argv, Fixture*& current, std::vector<TBenchRatio> ratios) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  web::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  {
    Fixture fixture;
    current = &fixture;
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    current = nullptr;
  }
  return 0;
}

} // namespace webbench
