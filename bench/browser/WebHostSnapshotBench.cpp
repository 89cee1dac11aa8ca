// TWebHost snapshots (the capture cycle's picture of the page, into a
// 24-bit TBitmap) of an 826 x 643 browser under a covering control, per
// second, beside a plain grab of the same view in the same program.
#include "browser/WebHost.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineHost.h"
#include "platform/web/WebEngineQt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class TCover : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
};

struct Fixture {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TWebHost* web = nullptr;
  QTemporaryDir dir;
  bool ready = false;

  Fixture() {
    form->SetBounds(0, 0, 900, 720);
    web = new TWebHost(form.get());
    web->SetParent(form.get());
    web->SetBounds(0, 0, 826, 643);
    auto* cover = new TCover(form.get());
    cover->SetParent(form.get());
    cover->SetBounds(0, 0, 900, 700);
    cover->BringToFront();
    web->Loaded();
    form->Show();
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
    int completions = 0;
    web->OnDownloadComplete = [&](TPersistent*) { ++completions; };
    web->Navigate(path.toStdString());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000 && !ready) {
      QEventLoop loop;
      QTimer::singleShot(20, &loop, &QEventLoop::quit);
      loop.exec();
      std::unique_ptr<TBitmap> shot = completions > 2 ? web->Snapshot() : nullptr;
      if (shot) {
        const std::uint8_t* p = shot->ScanLine(150) + 150 * 3;
        ready = p[0] == 128 && p[1] == 36 && p[2] == 28;
      }
    }
    web->OnDownloadComplete = nullptr;
  }
  ~Fixture() { form->Hide(); }
};

Fixture* g_fixture = nullptr;

void BM_WebHostSnapshot(benchmark::State& state) {
  if (!g_fixture->ready) return state.SkipWithError("page did not load");
  for (auto _ : state) {
    std::unique_ptr<TBitmap> shot = g_fixture->web->Snapshot();
    benchmark::DoNotOptimize(shot);
  }
  state.counters["snapshots/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WebHostSnapshot)->Unit(benchmark::kMillisecond);

void BM_EngineSnapshotRows(benchmark::State& state) {
  if (!g_fixture->ready) return state.SkipWithError("page did not load");
  for (auto _ : state) {
    auto shot = g_fixture->web->Engine().Snapshot();
    benchmark::DoNotOptimize(shot);
  }
}
BENCHMARK(BM_EngineSnapshotRows)->Unit(benchmark::kMillisecond);

void BM_EmptyBitmapOfTheSameSize(benchmark::State& state) {
  for (auto _ : state) {
    auto bitmap = std::make_unique<TBitmap>(826, 643, pf24bit);
    benchmark::DoNotOptimize(bitmap);
  }
}
BENCHMARK(BM_EmptyBitmapOfTheSameSize)->Unit(benchmark::kMillisecond);

void BM_PlainGrabOfTheSameView(benchmark::State& state) {
  if (!g_fixture->ready) return state.SkipWithError("page did not load");
  QWebEngineView* view = web::HostView(g_fixture->web->Engine());
  for (auto _ : state) {
    QPixmap pixmap = view->grab();
    benchmark::DoNotOptimize(pixmap);
  }
  state.counters["grabs/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainGrabOfTheSameView)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  web::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  {
    Fixture fixture;
    g_fixture = &fixture;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture = nullptr;
  }
  return 0;
}
