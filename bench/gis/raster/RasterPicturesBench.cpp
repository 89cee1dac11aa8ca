// Raster layers in an offscreen 1920 x 1080 viewer, each beside the floor of
// the same work done plainly in the same program:
// - a 6000 x 4000 JPEG (baseline, 4:2:0, q90) opened and painted to fit,
//   against libjpeg-turbo decoding the file to B,G,R (islow) into one buffer,
//   and against libjpeg-turbo decoding at the smallest of its scales that
//   still covers the fitted size plus a nearest-neighbour copy to that size;
//   also Open alone and the 796 x 613 capture;
// - an awake JPEG layer painted 1:1 and to fit, against a nearest-neighbour
//   copy of the same window out of the decoded picture;
// - 6000 x 4000 bitmaps (24-bit and 8-bit palette) opened and painted to fit
//   and 1:1, against pread of the rows needed plus the same scaling loop.
// The inputs are made at start in a temporary folder (fixed seed). Every
// benchmark runs one untimed iteration of its own work before the timed
// ones, so that both sides of each ratio are measured warm.
#include "platform/rtl/Strings.h"
#include "bench/support/RatioReporter.h"
#include <QApplication>
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

#include "gis/core/GisKernel.h"
#include "gis/raster/GisLayerBMP.h"
#include "gis/raster/GisLayerJPG.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Format.h"

namespace {

constexpr int kViewW = 1920, kViewH = 1080, kBigW = 6000, kBigH = 4000;

std::string Folder() {
  static const std::string dir = [] {
    const auto p =
        std::filesystem::temp_directory_path() / ("sk_raster_bench_" + IntToStr(::getpid()));
    std::filesystem::create_directories(p);
    return p.string();
  }();
  return dir;
}

/// A photo-like picture: smooth gradients, edges and noise (fixed seed).
std::unique_ptr<TBitmap> Photo(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  std::uint32_t s = 20261210;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      s = s * 1664525u + 1013904223u;
      const int n = int(s >> 29);
      row[3 * x] = std::uint8_t((x / 23 + y / 17) * 3 + n);
      row[3 * x + 1] = std::uint8_t(128 + ((x * y) >> 12) % 100 + n);
      row[3 * x + 2] = std::uint8_t(((x + 2 * y) % 300 < 150 ? 200 : 40) + n);
    }
  }
  return b;
}

struct TInputs {
  std::string bigJpg, captureJpg, bmp24, bmp8, bmpTiny;
  TInputs() {
    bigJpg = Folder() + "/big.jpg";
    captureJpg = Folder() + "/image1.jpg";
    bmp24 = Folder() + "/big24.bmp";
    bmp8 = Folder() + "/big8.bmp";
    bmpTiny = Folder() + "/tiny.bmp";
    TBitmap(1, 1, pf24bit).SaveToFile(bmpTiny);
    auto big = Photo(kBigW, kBigH);
    TJPEGImage j;
    j.Assign(big.get());
    j.SetCompressionQuality(90);
    j.SaveToFile(bigJpg);
    big->SaveToFile(bmp24);
    WriteBmp8(*big);
    auto capture = Photo(796, 613);
    TJPEGImage c;
    c.Assign(capture.get());
    c.SaveToFile(captureJpg);
  }
  void WriteBmp8(TBitmap& b) {
    const int line = (kBigW + 3) / 4 * 4, off = 54 + 1024;
    std::string s(std::size_t(off) + std::size_t(line) * kBigH, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i)
        s[at + std::size_t(i)] = char(v >> (8 * i));
    };
    s[0] = 'B', s[1] = 'M';
    put32(10, off), put32(14, 40), put32(18, kBigW), put32(22, kBigH);
    s[26] = 1, s[28] = 8;
    for (int i = 0; i < 256; ++i)
      s[std::size_t(54 + 4 * i)] = s[std::size_t(55 + 4 * i)] = s[std::size_t(56 + 4 * i)] =
          char(i);
    for (int y = 0; y < kBigH; ++y) {
      const std::uint8_t* src = b.ScanLine(kBigH - 1 - y);
      for (int x = 0; x < kBigW; ++x)
        s[std::size_t(off) + std::size_t(y) * line + std::size_t(x)] = char(src[3 * x + 1]);
    }
    std::ofstream(bmp8, std::ios::binary).write(s.data(), std::streamsize(s.size()));
  }
};

const TInputs& Inputs() {
  static const TInputs inputs;
  return inputs;
}

struct TBenchViewer {
  TBenchViewer() {
    GisKernelInit();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, kViewW + 40, kViewH + 40);
    viewer = new TGIS_ViewerWnd(form);
    viewer->KeyPoll = [](HWND) { return false; };
    viewer->SetBorderStyle(TBorderStyle::bsNone);
    viewer->SetScrollBars(TScrollStyle::ssNone);
    viewer->SetParent(form);
    viewer->SetBounds(0, 0, kViewW, kViewH);
    viewer->SetBigExtentMargin(0);
    viewer->Handle();
  }
  ~TBenchViewer() { delete form; }
  /// Adds the layer (which opens it), places the view and paints once.
  void Paint(TGIS_LayerPixel* layer, bool oneToOne) {
    if (layer->Viewer() == nullptr) {
      viewer->Add(layer);
      viewer->SetVisibleExtent(layer->Extent());
      if (oneToOne) viewer->SetZoom(1);
    }
    viewer->RenderToBitmap(&target);
  }
  TForm* form = nullptr;
  TGIS_ViewerWnd* viewer = nullptr;
  TBitmap target{kViewW, kViewH, pf24bit};
};

// ---- baselines ------------------------------------------------------------------------------

struct TJpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr c) {
  std::longjmp(reinterpret_cast<TJpegError*>(c->err)->jump, 1);
}

/// libjpeg-turbo's own decode of the file into one B,G,R buffer, at
/// scaleEighths / 8 of its size (libjpeg-turbo's DCT scaling); `width` and
/// `height` get the size decoded.
std::size_t DecodeWithLibjpeg(const std::string& path, std::vector<std::uint8_t>& out,
                              int scaleEighths = 8, int* width = nullptr, int* height = nullptr) {
  std::ifstream f(path, std::ios::binary);
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(f)),
                                  std::istreambuf_iterator<char>());
  jpeg_decompress_struct c;
  TJpegError err;
  c.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnJpegError;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&c);
    return 0;
  }
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, data.data(), (unsigned long)data.size());
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_EXT_BGR;
  c.dct_method = JDCT_ISLOW;
  c.scale_num = unsigned(scaleEighths);
  c.scale_denom = 8;
  jpeg_start_decompress(&c);
  if (width) *width = int(c.output_width);
  if (height) *height = int(c.output_height);
  const std::size_t stride = std::size_t(c.output_width) * 3;
  out.resize(stride * c.output_height);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = out.data() + stride * c.output_scanline;
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  return out.size();
}

/// Nearest-neighbour copy of the window scaled to the target (rows given by `row`).
template <class TRowOf>
void ScaleNearest(TRowOf row, int srcW, int srcH, int w, int h, std::vector<std::uint8_t>& out) {
  out.resize(std::size_t(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = row(int(std::int64_t(y) * srcH / h));
    std::uint8_t* dst = out.data() + std::size_t(y) * w * 3;
    for (int x = 0; x < w; ++x)
      std::memcpy(dst + 3 * x, src + 3 * (std::int64_t(x) * srcW / w), 3);
  }
}

/// The target size of a fit of a pictureW x pictureH picture into the view.
void FitSize(int& w, int& h, int pictureW = kBigW, int pictureH = kBigH) {
  const double s = std::min(double(kViewW) / pictureW, double(kViewH) / pictureH);
  w = int(pictureW * s), h = int(pictureH * s);
}

/// The smallest of libjpeg-turbo's scales (in eighths) whose output still
/// covers w x h for a pictureW x pictureH picture.
int CoveringEighths(int pictureW, int pictureH, int w, int h) {
  for (int eighths = 1; eighths < 8; ++eighths)
    if ((pictureW * eighths + 7) / 8 >= w && (pictureH * eighths + 7) / 8 >= h) return eighths;
  return 8;
}

// ---- JPEG
// ------------------------------------------------------------------------------------------

void BM_JpegOpenAndFitPaint(benchmark::State& state) {
  const std::string path = state.range(0) ? Inputs().captureJpg : Inputs().bigJpg;
  TBenchViewer view;
  auto openAndPaint = [&] {
    auto* layer = new TGIS_LayerJPG();
    layer->SetPath(path);
    view.Paint(layer, false);
    delete layer;
  };
  openAndPaint(); // warm-up
  for (auto _ : state)
    openAndPaint();
}
BENCHMARK(BM_JpegOpenAndFitPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LibjpegDecode(benchmark::State& state) {
  const std::string path = state.range(0) ? Inputs().captureJpg : Inputs().bigJpg;
  std::vector<std::uint8_t> out;
  DecodeWithLibjpeg(path, out); // warm-up
  for (auto _ : state)
    benchmark::DoNotOptimize(DecodeWithLibjpeg(path, out));
}
BENCHMARK(BM_LibjpegDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

/// libjpeg-turbo decoding at the scale a fit would use, then the nearest
/// copy of that to the fitted size.
void BM_LibjpegScaledDecodeAndFit(benchmark::State& state) {
  const bool capture = state.range(0) != 0;
  const std::string path = capture ? Inputs().captureJpg : Inputs().bigJpg;
  const int pictureW = capture ? 796 : kBigW, pictureH = capture ? 613 : kBigH;
  int w = 0, h = 0;
  FitSize(w, h, pictureW, pictureH);
  const int eighths = CoveringEighths(pictureW, pictureH, w, h);
  std::vector<std::uint8_t> decoded, out;
  auto decodeAndFit = [&] {
    int dw = 0, dh = 0;
    DecodeWithLibjpeg(path, decoded, eighths, &dw, &dh);
    const std::size_t stride = std::size_t(dw) * 3;
    ScaleNearest([&](int y) { return decoded.data() + stride * std::size_t(y); }, dw, dh, w, h,
                 out);
  };
  decodeAndFit(); // warm-up
  for (auto _ : state) {
    decodeAndFit();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["scale_eighths"] = eighths;
}
BENCHMARK(BM_LibjpegScaledDecodeAndFit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_JpegOpenOnly(benchmark::State& state) {
  auto open = [] {
    TGIS_LayerJPG layer;
    layer.SetPath(Inputs().bigJpg);
    layer.Open();
  };
  open(); // warm-up
  for (auto _ : state)
    open();
}
BENCHMARK(BM_JpegOpenOnly)->Unit(benchmark::kMillisecond);

void BM_JpegAwakePaint(benchmark::State& state) {
  TBenchViewer view;
  auto* layer = new TGIS_LayerJPG();
  layer->SetPath(Inputs().bigJpg);
  view.Paint(layer, state.range(0) != 0);
  for (auto _ : state)
    view.Paint(layer, state.range(0) != 0);
}
BENCHMARK(BM_JpegAwakePaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_NearestCopy(benchmark::State& state) {
  std::vector<std::uint8_t> picture, out;
  DecodeWithLibjpeg(Inputs().bigJpg, picture);
  int w = kViewW, h = kViewH, srcW = kViewW, srcH = kViewH;
  if (state.range(0) == 0) {
    FitSize(w, h);
    srcW = kBigW, srcH = kBigH;
  }
  const std::size_t stride = std::size_t(kBigW) * 3;
  auto copy = [&] {
    ScaleNearest([&](int y) { return picture.data() + stride * std::size_t(y); }, srcW, srcH, w, h,
                 out);
  };
  copy(); // warm-up
  for (auto _ : state) {
    copy();
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_NearestCopy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---- BMP
// -----------------------------------------------------------------------------------------------

void BM_BmpOpenAndPaint(benchmark::State& state) {
  const std::string path = state.range(0) == 8 ? Inputs().bmp8 : Inputs().bmp24;
  TBenchViewer view;
  auto openAndPaint = [&] {
    auto* layer = new TGIS_LayerBMP();
    layer->SetPath(path);
    view.Paint(layer, state.range(1) != 0);
    delete layer;
  };
  openAndPaint(); // warm-up
  for (auto _ : state)
    openAndPaint();
}
BENCHMARK(BM_BmpOpenAndPaint)
    ->Args({24, 0})
    ->Args({24, 1})
    ->Args({8, 0})
    ->Args({8, 1})
    ->Unit(benchmark::kMillisecond);

/// The viewer's own share of a paint: the same render with a layer of one
/// pixel stretched over the same extent.
void BM_ViewerShareOfAPaint(benchmark::State& state) {
  TBenchViewer view;
  auto* layer = new TGIS_LayerBMP();
  layer->SetPath(Inputs().bmpTiny);
  view.viewer->Add(layer);
  layer->SetExtent(GisExtent(-0.5, -0.5 - kBigH + 1, kBigW - 0.5, 0.5));
  view.viewer->SetVisibleExtent(layer->Extent());
  view.viewer->RenderToBitmap(&view.target); // warm-up
  for (auto _ : state)
    view.viewer->RenderToBitmap(&view.target);
}
BENCHMARK(BM_ViewerShareOfAPaint)->Unit(benchmark::kMillisecond);

void BM_PreadAndScale(benchmark::State& state) {
  const bool eight = state.range(0) == 8;
  const std::string path = eight ? Inputs().bmp8 : Inputs().bmp24;
  const int bpp = eight ? 1 : 3;
  const std::int64_t line = (std::int64_t(kBigW) * bpp + 3) / 4 * 4;
  const std::int64_t off = eight ? 54 + 1024 : 54;
  int w = kViewW, h = kViewH, srcW = kViewW, srcH = kViewH;
  if (state.range(1) == 0) {
    FitSize(w, h);
    srcW = kBigW, srcH = kBigH;
  }
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(line)), row(std::size_t(kBigW) * 3 + 4),
      out;
  auto readAndScale = [&] {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ScaleNearest(
        [&](int y) {
          const std::int64_t stored = kBigH - 1 - y;
          if (::pread(fd, raw.data(), std::size_t(srcW * bpp), off + stored * line) < 0)
            std::abort();
          if (!eight) return const_cast<const std::uint8_t*>(raw.data());
          for (int x = 0; x < srcW; ++x)
            row[std::size_t(3 * x)] = row[std::size_t(3 * x + 1)] = row[std::size_t(3 * x + 2)] =
                raw[std::size_t(x)];
          return const_cast<const std::uint8_t*>(row.data());
        },
        srcW, srcH, w, h, out);
    ::close(fd);
  };
  readAndScale(); // warm-up
  for (auto _ : state) {
    readAndScale();
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PreadAndScale)
    ->Args({24, 0})
    ->Args({24, 1})
    ->Args({8, 0})
    ->Args({8, 1})
    ->Unit(benchmark::kMillisecond);

/// Each layer run's time over its floor.
const std::vector<TBenchRatio> kRatios = {
    {"JPEG 6000x4000 open + fit paint / libjpeg decode (goal <= 1.2)", "BM_JpegOpenAndFitPaint/0", "BM_LibjpegDecode/0"},
    {"JPEG 6000x4000 open + fit paint / libjpeg scaled decode + nearest fit", "BM_JpegOpenAndFitPaint/0", "BM_LibjpegScaledDecodeAndFit/0"},
    {"JPEG 796x613 capture open + paint / libjpeg decode (goal <= 2)", "BM_JpegOpenAndFitPaint/1", "BM_LibjpegDecode/1"},
    {"JPEG 796x613 capture open + paint / libjpeg decode + nearest fit", "BM_JpegOpenAndFitPaint/1", "BM_LibjpegScaledDecodeAndFit/1"},
    {"JPEG Open alone / libjpeg decode (goal < 0.01)", "BM_JpegOpenOnly", "BM_LibjpegDecode/0"},
    {"awake JPEG fit paint / nearest copy", "BM_JpegAwakePaint/0", "BM_NearestCopy/0"},
    {"awake JPEG 1:1 paint / nearest copy", "BM_JpegAwakePaint/1", "BM_NearestCopy/1"},
    {"BMP 24-bit open + fit paint / pread + scale (aim <= 1.3)", "BM_BmpOpenAndPaint/24/0", "BM_PreadAndScale/24/0"},
    {"BMP 24-bit open + 1:1 paint / pread + scale", "BM_BmpOpenAndPaint/24/1", "BM_PreadAndScale/24/1"},
    {"BMP 8-bit open + fit paint / pread + scale", "BM_BmpOpenAndPaint/8/0", "BM_PreadAndScale/8/0"},
    {"BMP 8-bit open + 1:1 paint / pread + scale", "BM_BmpOpenAndPaint/8/1", "BM_PreadAndScale/8/1"},
};

} // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::benchmark::Initialize(&argc, argv);
  Inputs();
  TRatioReporter reporter(kRatios, "layer / floor");
  ::benchmark::RunSpecifiedBenchmarks(&reporter);
  ::benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(Folder(), ec);
  return 0;
}
