// One capture tick (snapshot, crop, image1.bmp, image1.jpg, world file,
// capture layer reload, viewer update) on the real engine showing the coded
// test page, beside two floors in the same run: a plain grab of the same view
// and a quality-90 JPEG encode of it; and the whole cycle the tick makes, a
// grab, the encode, the decode of that JPEG and its drawing 1:1 into a
// picture of the viewer's size. Also the tick on a canned snapshot
// (no engine), and the layer count and resident memory after many ticks.
#include "app/CaptureFiles.h"
#include "app/MapCapture.h"
#include "bench/platform/web/GridPageBench.h"
#include "bench/support/RatioReporter.h"
#include "browser/WebHost.h"
#include "browser/WebHostIntf.h"
#include "gis/core/GisKernel.h"
#include "gis/raster/GisLayerJPG.h"
#include "gis/viewer/GisViewerLayer.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Files.h"
#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineHost.h"
#include "platform/web/WebEngineQt.h"
#include "tests/browser/FakeWebHost.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QWebEngineView>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>

namespace {

class TRoomLayer : public TGIS_LayerAbstract {
public:
  bool DrawDefault() override { return true; }
  void DiscardChanges() override {}
};

/// A canned page picture of width x height.
std::unique_ptr<TBitmap> CannedPicture(int width, int height) {
  auto picture = std::make_unique<TBitmap>(width, height, pf24bit);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture->ScanLine(y);
    for (int x = 0; x < 3 * width; ++x)
      row[x] = static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF);
  }
  return picture;
}

/// A map window: the viewer over the browser, and the capture engine.
struct TCaptureRig {
  QTemporaryDir dir{"/dev/shm/sk-bench-app-XXXXXX"};
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TGIS_ViewerWnd* viewer = nullptr;
  TWebHost* web = nullptr;
  std::unique_ptr<TWebHostAdapter> adapter;
  FakeWebHost canned{3, 1};
  std::unique_ptr<TMapCapture> capture;
  bool ready = false;

  TCaptureRig(int width, int height, bool engine) {
    const std::string appDir = dir.path().toStdString() + "/";
    QFile::copy(SK_APP_TEST_PAGE, QString::fromStdString(appDir + "mapgd.htm"));
    std::ofstream(appDir + "image1.jgw", std::ios::binary) << "1\r\n0\r\n0\r\n-1\r\n0\r\n0\r\n";
    form->SetBounds(0, 0, width + 100, height + 100);
    IWebHost* host = &canned;
    if (engine) {
      web = new TWebHost(form.get());
      web->SetParent(form.get());
      web->Loaded();
      adapter = std::make_unique<TWebHostAdapter>(*web);
      host = adapter.get();
    }
    viewer = new TGIS_ViewerWnd(form.get());
    viewer->KeyPoll = [](HWND) { return false; };
    viewer->SetBorderStyle(TBorderStyle::bsNone);
    viewer->SetScrollBars(TScrollStyle::ssNone);
    viewer->SetParent(form.get());
    viewer->SetBounds(0, 0, width, height);
    form->Show();
    host->SetBounds(0, 0, width + 30, height + 30);
    canned.cannedSnapshot = CannedPicture(width + 30, height + 30);

    TCaptureEnvironment env;
    env.AppDir = appDir;
    env.Web = host;
    env.Viewer = viewer;
    env.CreateLayer = [](const std::string& name, const std::string& path) {
      auto layer = std::make_unique<TGIS_LayerJPG>();
      layer->SetName(name);
      layer->SetPath(path);
      return std::unique_ptr<TGIS_LayerAbstract>(std::move(layer));
    };
    env.CreateEmptyLayer = [] { return std::unique_ptr<TGIS_LayerAbstract>(new TRoomLayer); };
    env.ProcessMessages = [] { Application()->ProcessMessages(); };
    env.ShowMessage = [](const std::string&) {};
    capture = std::make_unique<TMapCapture>(env);
    capture->BtInicClick();
    capture->RecentrePending = true;
    capture->ApplyPosition();
    ready = webbench::WaitFor([&] {
              std::unique_ptr<TBitmap> shot = host->Snapshot();
              if (!shot) return false;
              const std::uint8_t* p = shot->ScanLine(10) + 10 * 3;
              return p[0] % 16 == 8 && p[1] % 16 == 8 && p[2] % 16 == 8;
            }) ||
            !engine;
    capture->googleTimer().SetEnabled(false);
  }
  ~TCaptureRig() {
    capture.reset();
    adapter.reset();
    form->Hide();
  }
  void Tick() {
    capture->googleTimerTimer();
    capture->googleTimer().SetEnabled(false);
  }
};

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

void BM_CaptureTick(benchmark::State& state) {
  TCaptureRig rig(int(state.range(0)), int(state.range(1)), true);
  if (!rig.ready) return state.SkipWithError("page did not load");
  for (auto _ : state)
    rig.Tick();
  state.counters["ticks/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CaptureTick)->Args({796, 613})->Args({1600, 1000})->Unit(benchmark::kMillisecond);

/// The tick's stages one by one, as the tick runs them, each timed on the
/// wall clock: milliseconds per tick in the counters.
void BM_CaptureTickStages(benchmark::State& state) {
  TCaptureRig rig(int(state.range(0)), int(state.range(1)), true);
  if (!rig.ready) return state.SkipWithError("page did not load");
  IWebHost& web = *rig.adapter;
  TMapCapture& c = *rig.capture;
  const std::string appDir = rig.dir.path().toStdString() + "/";
  const char* names[] = {"snapshot",   "stretches",    "BMP",  "JPEG",
                         "world file", "layer reload", "paint"};
  double spent[std::size(names)] = {};
  std::unique_ptr<TBitmap> snapshot, capture;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    int stage = 0;
    auto lap = [&] {
      const auto now = std::chrono::steady_clock::now();
      spent[stage++] += std::chrono::duration<double, std::milli>(now - t).count();
      t = now;
    };
    snapshot = web.SnapshotReusing(std::move(snapshot));
    lap();
    capture = CropSnapshot(*snapshot, c.CaptureWidth, c.CaptureHeight, std::move(capture));
    ShiftStretchInPlace(*capture);
    lap();
    WriteCaptureBitmap(*capture, appDir);
    lap();
    WriteCaptureJpeg(*capture, appDir);
    lap();
    c.UpdatePositionReadouts();
    c.CaptureTopY = RewriteWorldFile(appDir + "image1.jgw", c.MapZoom, c.MapLat, c.MapLon,
                                     c.CaptureWidth, c.CaptureHeight)
                        .Y;
    lap();
    c.LoadImageLayer(appDir + "image1.jpg");
    const TGIS_Extent e = rig.viewer->Get("image1.jpg")->Extent();
    rig.viewer->SetVisibleExtent(e);
    delete rig.viewer->Get("ext");
    auto* room = new TRoomLayer;
    room->SetName("Ext");
    room->SetExtent({e.XMin - (e.XMax - e.XMin), e.YMin - (e.YMax - e.YMin),
                     e.XMax + 2 * (e.XMax - e.XMin), e.YMax + 2 * (e.YMax - e.YMin)});
    rig.viewer->Add(room);
    lap();
    rig.viewer->Update();
    lap();
  }
  state.counters["viewer zoom"] = rig.viewer->Zoom();
  state.counters["viewer w"] = rig.viewer->Width();
  for (std::size_t i = 0; i < std::size(names); ++i)
    state.counters[std::string(names[i]) + " ms"] =
        benchmark::Counter(spent[i], benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CaptureTickStages)
    ->Args({796, 613})
    ->Args({1600, 1000})
    ->Unit(benchmark::kMillisecond);

/// A plain grab of the view encoded as a quality-90 JPEG into `buffer`.
void GrabAsJpeg(QWebEngineView& view, QBuffer& buffer) {
  QImage image = view.grab().toImage();
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(90);
  writer.write(image);
}

/// The view of a rig whose page loaded and grabs at least the page's size;
/// nullptr (the run skipped with the reason) otherwise.
QWebEngineView* GrabbableView(benchmark::State& state, TCaptureRig& rig) {
  if (!rig.ready) {
    state.SkipWithError("page did not load");
    return nullptr;
  }
  QWebEngineView* view = web::HostView(rig.web->Engine());
  const QSize grabbed = view->grab().size();
  if (grabbed.width() < state.range(0) || grabbed.height() < state.range(1)) {
    state.SkipWithError("the view grabs smaller than the page");
    return nullptr;
  }
  return view;
}

void BM_GrabAndJpegFloor(benchmark::State& state) {
  TCaptureRig rig(int(state.range(0)), int(state.range(1)), true);
  QWebEngineView* view = GrabbableView(state, rig);
  if (view == nullptr) return;
  for (auto _ : state) {
    QBuffer buffer;
    GrabAsJpeg(*view, buffer);
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_GrabAndJpegFloor)->Args({796, 613})->Args({1600, 1000})->Unit(benchmark::kMillisecond);

void BM_GrabJpegDecodeDrawFloor(benchmark::State& state) {
  TCaptureRig rig(int(state.range(0)), int(state.range(1)), true);
  QWebEngineView* view = GrabbableView(state, rig);
  if (view == nullptr) return;
  QImage screen(int(state.range(0)), int(state.range(1)), QImage::Format_RGB32);
  for (auto _ : state) {
    QBuffer buffer;
    GrabAsJpeg(*view, buffer);
    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QImage decoded = reader.read();
    QPainter painter(&screen);
    painter.drawImage(0, 0, decoded);
    painter.end();
    benchmark::DoNotOptimize(screen.constBits());
  }
}
BENCHMARK(BM_GrabJpegDecodeDrawFloor)
    ->Args({796, 613})
    ->Args({1600, 1000})
    ->Unit(benchmark::kMillisecond);

void BM_CaptureTickCannedSnapshot(benchmark::State& state) {
  TCaptureRig rig(int(state.range(0)), int(state.range(1)), false);
  for (auto _ : state)
    rig.Tick();
}
BENCHMARK(BM_CaptureTickCannedSnapshot)->Args({796, 613})->Unit(benchmark::kMillisecond);

void BM_ThousandTicksKeepTwoLayers(benchmark::State& state) {
  TCaptureRig rig(796, 613, false);
  for (int i = 0; i < 50; ++i)
    rig.Tick();
  const long before = ResidentKilobytes();
  for (auto _ : state)
    for (int i = 0; i < 1000; ++i)
      rig.Tick();
  state.counters["layers"] = double(rig.viewer->Items());
  state.counters["RSS growth kB"] = double(ResidentKilobytes() - before);
}
BENCHMARK(BM_ThousandTicksKeepTwoLayers)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  web::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  GisKernelInit();
  return RunBenchmarksWithRatios(argc, argv,
                                 {{"capture tick / grab + JPEG, 796 x 613",
                                   "BM_CaptureTick/796/613", "BM_GrabAndJpegFloor/796/613"},
                                  {"capture tick / grab + JPEG, 1600 x 1000",
                                   "BM_CaptureTick/1600/1000", "BM_GrabAndJpegFloor/1600/1000"},
                                  {"capture tick / grab + encode + decode + draw, 796 x 613 "
                                   "(goal <= 1.3)",
                                   "BM_CaptureTick/796/613", "BM_GrabJpegDecodeDrawFloor/796/613"},
                                  {"capture tick / grab + encode + decode + draw, 1600 x 1000 "
                                   "(goal <= 1.3)",
                                   "BM_CaptureTick/1600/1000",
                                   "BM_GrabJpegDecodeDrawFloor/1600/1000"}},
                                 "capture tick / floor");
}
