// TWebHost snapshots (the capture cycle's picture of the page, into a
// 24-bit TBitmap) of an 826 x 643 browser under a covering control, per
// second, beside the engine's rows, an empty bitmap of the same size and a
// plain grab of the same view in the same program.
#include "bench/platform/web/GridPageBench.h"
#include "browser/WebHost.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/web/WebEngineHost.h"
#include "platform/web/WebEngineQt.h"

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
    web->SetBounds(0, 0, webbench::kViewWidth, webbench::kViewHeight);
    auto* cover = new TCover(form.get());
    cover->SetParent(form.get());
    cover->SetBounds(0, 0, 900, 700);
    cover->BringToFront();
    web->Loaded();
    form->Show();
    const QString path = webbench::WriteGridPage(dir);
    if (path.isEmpty()) return;
    int completions = 0;
    web->OnDownloadComplete = [&](TPersistent*) { ++completions; };
    web->Navigate(path.toStdString());
    ready = webbench::WaitFor([&] {
      std::unique_ptr<TBitmap> shot = completions > 2 ? web->Snapshot() : nullptr;
      if (!shot) return false;
      const std::uint8_t* p = shot->ScanLine(150) + 150 * 3;
      return ((std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0]) ==
             webbench::kProbeRgb;
    });
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
    auto bitmap = std::make_unique<TBitmap>(webbench::kViewWidth, webbench::kViewHeight, pf24bit);
    benchmark::DoNotOptimize(bitmap);
  }
}
BENCHMARK(BM_EmptyBitmapOfTheSameSize)->Unit(benchmark::kMillisecond);

void BM_PlainGrabOfTheSameView(benchmark::State& state) {
  if (!g_fixture->ready) return state.SkipWithError("page did not load");
  webbench::PlainGrab(state, web::HostView(g_fixture->web->Engine()));
}
BENCHMARK(BM_PlainGrabOfTheSameView)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  return webbench::RunBenchmarks(
      argc, argv, g_fixture,
      {{"TWebHost snapshot / plain grab", "BM_WebHostSnapshot", "BM_PlainGrabOfTheSameView"},
       {"engine rows / plain grab", "BM_EngineSnapshotRows", "BM_PlainGrabOfTheSameView"}});
}
