// Page snapshots of an 826 x 643 view per second, beside a plain grab of the
// same view, so that the cost of the snapshot's conversion shows.
#include "bench/platform/web/GridPageBench.h"
#include "platform/web/WebEngineHost.h"
#include "platform/web/WebEngineQt.h"

#include <QLabel>

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
    host.SetBounds(0, 0, webbench::kViewWidth, webbench::kViewHeight);
    cover.setGeometry(0, 0, 900, 700);
    cover.raise();
    window.show();
    const QString path = webbench::WriteGridPage(dir);
    if (path.isEmpty()) return;
    int completes = 0;
    host.OnDownloadComplete = [&] { ++completes; };
    host.Navigate(path.toStdString());
    ready = webbench::WaitFor([&] {
      if (completes <= 2) return false;
      auto shot = host.Snapshot();
      return shot && shot->Rgb(150, 150) == webbench::kProbeRgb;
    });
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
  webbench::PlainGrab(state, web::HostView(g_fixture->host));
}
BENCHMARK(BM_PlainGrab)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  return webbench::RunBenchmarks(argc, argv, g_fixture,
                                 {{"snapshot / plain grab", "BM_Snapshot", "BM_PlainGrab"}});
}
