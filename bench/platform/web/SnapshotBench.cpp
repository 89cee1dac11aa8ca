// Page snapshots of an 826 x 643 view per second, beside a plain grab of the
// same view, so that the cost of the snapshot's conversion shows.
#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineHost.h"
#include "platform/web/WebEngineQt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Fixture {
  QWidget window;
  QLabel cover{&window};
  web::WebEngineHost host;
  QTemporaryDir dir;
  bool ready = false;

  Fixture() {
    window.resize(900, 700);
    web::AttachTo(host, &window);
    host.SetBounds(0, 0, 826, 643);
    cover.setGeometry(0, 0, 900, 700);
    cover.raise();
    window.show();
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
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(("<html><body style='margin:0;overflow:hidden'>" + cells + "</body></html>").toUtf8());
    f.close();
    int completes = 0;
    host.OnDownloadComplete = [&] { ++completes; };
    host.Navigate(path.toStdString());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000) {
      QEventLoop loop;
      QTimer::singleShot(20, &loop, &QEventLoop::quit);
      loop.exec();
      auto shot = host.Snapshot();
      if (completes > 2 && shot && shot->Rgb(150, 150) == ((28u << 16) | (36u << 8) | 128u)) {
        ready = true;
        break;
      }
    }
    host.OnDownloadComplete = nullptr;
  }
};

Fixture* g_fixture = nullptr;

void BM_Snapshot(benchmark::State& state) {
  if (!g_fixture->ready) return state.SkipWithError("page did not load");
  for (auto _ : state) {
    auto shot = g_fixture->host.Snapshot();
    benchmark::DoNotOptimize(shot);
  }
  state.counters["snapshots/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Snapshot)->Unit(benchmark::kMillisecond);

void BM_PlainGrab(benchmark::State& state) {
  if (!g_fixture->ready) return state.SkipWithError("page did not load");
  QWebEngineView* view = web::HostView(g_fixture->host);
  for (auto _ : state) {
    QPixmap pixmap = view->grab();
    benchmark::DoNotOptimize(pixmap);
  }
  state.counters["grabs/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainGrab)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  web::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  Fixture fixture;
  g_fixture = &fixture;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
