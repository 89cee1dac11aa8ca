// A 4000 x 3000 JPEG 2000 image (six resolution levels, made at start by
// opj_compress from a photo-like picture, fixed seed) drawn to fit an
// offscreen 1920 x 1080 viewer through TGIS_LayerMrSID and this platform's
// decoder adapter, beside OpenJPEG decoding the level the layer draws from
// (the whole level, once) in the same program. Also the ECW layer's draw
// of the same file. The layers go dormant before each draw, so that each
// draw opens and decodes the image again.
#include "bench/support/RatioReporter.h"
#include <QApplication>
#include <benchmark/benchmark.h>

#include <openjpeg.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "gis/core/GisKernel.h"
#include "gis/raster/GisLayerECW.h"
#include "gis/raster/GisLayerMrSID.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/DynLib.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr int kJp2ViewW = 1920, kJp2ViewH = 1080, kJp2W = 4000, kJp2H = 3000;

struct TJp2Input {
  std::string folder, path;
  TJp2Input() {
    folder = (std::filesystem::temp_directory_path() / ("sk_jp2_bench_" + IntToStr(::getpid()))).string();
    std::filesystem::create_directories(folder);
    path = folder + "/big.jp2";
    std::string ppm = "P6\n" + IntToStr(kJp2W) + " " + IntToStr(kJp2H) + "\n255\n";
    std::uint32_t s = 20261211;
    ppm.reserve(ppm.size() + std::size_t(kJp2W) * kJp2H * 3);
    for (int y = 0; y < kJp2H; ++y)
      for (int x = 0; x < kJp2W; ++x) {
        s = s * 1664525u + 1013904223u;
        const int n = int(s >> 29);
        ppm += char(((x + 2 * y) % 300 < 150 ? 200 : 40) + n);
        ppm += char(128 + ((x * y) >> 12) % 100 + n);
        ppm += char((x / 23 + y / 17) * 3 + n);
      }
    std::ofstream(folder + "/big.ppm", std::ios::binary).write(ppm.data(), std::streamsize(ppm.size()));
    const std::string cmd = "opj_compress -i " + folder + "/big.ppm -o " + path + " -n 6 -r 20 >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  ~TJp2Input() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

const TJp2Input& Jp2Input() {
  static const TJp2Input input;
  return input;
}

struct TJp2Viewer {
  TJp2Viewer() {
    GisKernelInit();
    SetLibrarySearchFolder(SK_DECODERS_DIR);
    form = new TForm(nullptr);
    form->SetBounds(0, 0, kJp2ViewW + 40, kJp2ViewH + 40);
    viewer = new TGIS_ViewerWnd(form);
    viewer->KeyPoll = [](HWND) { return false; };
    viewer->SetBorderStyle(TBorderStyle::bsNone);
    viewer->SetScrollBars(TScrollStyle::ssNone);
    viewer->SetParent(form);
    viewer->SetBounds(0, 0, kJp2ViewW, kJp2ViewH);
    viewer->SetBigExtentMargin(0);
    viewer->Handle();
  }
  ~TJp2Viewer() { delete form; }
  TForm* form = nullptr;
  TGIS_ViewerWnd* viewer = nullptr;
  TBitmap target{kJp2ViewW, kJp2ViewH, pf24bit};
};

/// The level TGIS_LayerMrSID draws a fit from (set by its first draw).
int gDrawLevel = -1;

template <class TLayer> void DrawFit(benchmark::State& state) {
  TJp2Viewer v;
  auto* layer = new TLayer;
  layer->SetPath(Jp2Input().path);
  v.viewer->Add(layer);
  v.viewer->SetVisibleExtent(layer->Extent());
  v.viewer->RenderToBitmap(&v.target); // warm
  if constexpr (std::is_same_v<TLayer, TGIS_LayerMrSID>) {
    int level = 0;
    while ((1 << level) < layer->ResolutionFactor()) ++level;
    gDrawLevel = level;
  }
  // dormant before each draw: the decoder's image and the level it keeps go,
  // so every draw decodes the level again as the baseline does
  for (auto _ : state) {
    layer->MakeDormant();
    v.viewer->RenderToBitmap(&v.target);
  }
}

void BM_Jp2FitMrSID(benchmark::State& state) { DrawFit<TGIS_LayerMrSID>(state); }
void BM_Jp2FitECW(benchmark::State& state) { DrawFit<TGIS_LayerECW>(state); }

void Quiet(const char*, void*) {}

/// OpenJPEG decoding the whole level the layer draws from.
void BM_Jp2LevelOpenJpeg(benchmark::State& state) {
  const int level = gDrawLevel < 0 ? 1 : gDrawLevel;
  for (auto _ : state) {
    opj_stream_t* stream = opj_stream_create_default_file_stream(Jp2Input().path.c_str(), OPJ_TRUE);
    opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_JP2);
    opj_set_error_handler(codec, Quiet, nullptr);
    opj_set_warning_handler(codec, Quiet, nullptr);
    opj_set_info_handler(codec, Quiet, nullptr);
    opj_dparameters_t p;
    opj_set_default_decoder_parameters(&p);
    p.cp_reduce = OPJ_UINT32(level);
    opj_setup_decoder(codec, &p);
    opj_image_t* image = nullptr;
    opj_read_header(stream, codec, &image);
    opj_decode(codec, stream, image);
    opj_end_decompress(codec, stream);
    benchmark::DoNotOptimize(image->comps[0].data);
    opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
  }
  state.counters["level"] = level;
}

BENCHMARK(BM_Jp2FitMrSID)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jp2FitECW)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jp2LevelOpenJpeg)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Jp2Input();
  return RunBenchmarksWithRatios(
      argc, argv,
      {{"JPEG 2000 fit draw (MrSID layer) / OpenJPEG level decode", "BM_Jp2FitMrSID",
        "BM_Jp2LevelOpenJpeg"},
       {"JPEG 2000 fit draw (ECW layer) / OpenJPEG level decode", "BM_Jp2FitECW",
        "BM_Jp2LevelOpenJpeg"}});
}
