// The TIFF strip decoder and the TIFF layer beside libtiff, decoding every
// row of three 10000 x 10000 images made at start by libtiff (fixed seed):
// - LZW RGB with horizontal differencing, 16 rows a strip, GeoTIFF tags,
//   terrain-like;
// - PackBits 8-bit palette, 64 rows a strip, GeoTIFF tags, map-like (also
//   read bottom to top, which the decoder's row cache serves);
// - CCITT Group 4 bilevel, text-like, as one strip and at 64 rows a strip.
// Ours: TGIS_FileTIFFDecoder row by row, and TGIS_LayerTIFF's line reader
// (B,G,R rows). libtiff: TIFFReadEncodedStrip, plus the same loop that makes
// B,G,R rows for the layer comparison. Before timing, a checksum of all rows
// must equal libtiff's. The peak resident size is printed at the end.
#include "bench/support/RatioReporter.h"
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include <tiffio.h>

#include "gis/core/GisKernel.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/raster/GisFileTIFF.h"
#include "gis/raster/GisLayerTIFF.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr int kSide = 10000;

std::string Folder() {
  static const std::string dir = [] {
    const auto p = std::filesystem::temp_directory_path() / ("sk_tiff_bench_" + IntToStr(::getpid()));
    std::filesystem::create_directories(p);
    return p.string();
  }();
  return dir;
}

struct TInput {
  std::string Path;
  int Kind = 0; // 0 RGB, 1 palette, 2 bilevel
};

void GeoTags(TIFF* t) {
  static const TIFFFieldInfo info[] = {
      {33550, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("ModelPixelScaleTag")},
      {33922, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("ModelTiepointTag")}};
  TIFFMergeFieldInfo(t, info, 2);
  double scale[3] = {10, 10, 0};
  double tie[6] = {0, 0, 0, 500000, 5100000, 0};
  TIFFSetField(t, 33550, 3, scale);
  TIFFSetField(t, 33922, 6, tie);
}

void Write(const std::string& path, int kind, int rowsPerStrip) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kSide);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, kSide);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  std::uint32_t s = 20261211;
  auto next = [&] {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  };
  std::vector<std::uint8_t> row;
  if (kind == 0) {
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    GeoTags(t);
    row.resize(std::size_t(kSide) * 3);
  } else if (kind == 1) {
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
    std::vector<std::uint16_t> r(256), g(256), b(256);
    for (int i = 0; i < 256; ++i) {
      r[std::size_t(i)] = std::uint16_t(((i * 53) % 256) * 257);
      g[std::size_t(i)] = std::uint16_t(((i * 101) % 256) * 257);
      b[std::size_t(i)] = std::uint16_t(((i * 197) % 256) * 257);
    }
    TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    GeoTags(t);
    row.resize(std::size_t(kSide));
  } else {
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    row.resize(std::size_t(kSide + 7) / 8);
  }
  for (int y = 0; y < kSide; ++y) {
    if (kind == 0) { // terrain: smooth slopes, ridges and a little noise
      for (int x = 0; x < kSide; ++x) {
        const int h = (x / 7 + y / 5) % 180 + ((x * y) >> 14) % 40 + int(next() % 4);
        row[std::size_t(3 * x)] = std::uint8_t(60 + h / 2);
        row[std::size_t(3 * x + 1)] = std::uint8_t(90 + h / 3);
        row[std::size_t(3 * x + 2)] = std::uint8_t(40 + h / 4);
      }
    } else if (kind == 1) { // map: flat areas, borders and roads
      for (int x = 0; x < kSide; ++x) {
        const int area = ((x / 211) * 7 + (y / 157) * 3) % 12;
        row[std::size_t(x)] = std::uint8_t((x + 2 * y) % 331 < 3 ? 250 : (y % 157 < 2 ? 240 : area * 9));
      }
    } else { // text: lines of glyph-like runs on white
      std::fill(row.begin(), row.end(), 0);
      if (y % 40 < 28) {
        int x = 40 + int(next() % 8);
        while (x < kSide - 40) {
          const int run = 1 + int(next() % 5);
          for (int i = x; i < x + run; ++i)
            row[std::size_t(i / 8)] |= std::uint8_t(0x80 >> (i % 8));
          x += run + 2 + int(next() % (x % 97 < 6 ? 30 : 9));
        }
      }
    }
    TIFFWriteScanline(t, row.data(), std::uint32_t(y), 0);
  }
  TIFFClose(t);
}

const std::vector<TInput>& Inputs() {
  static const std::vector<TInput> inputs = [] {
    std::vector<TInput> v = {{Folder() + "/rgb-lzw.tif", 0},
                             {Folder() + "/palette-packbits.tif", 1},
                             {Folder() + "/text-g4-one-strip.tif", 2},
                             {Folder() + "/text-g4-64.tif", 2}};
    Write(v[0].Path, 0, 16);
    Write(v[1].Path, 1, 64);
    Write(v[2].Path, 2, kSide);
    Write(v[3].Path, 2, 64);
    return v;
  }();
  return inputs;
}

std::uint64_t Mix(std::uint64_t h, const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

/// libtiff's rows, strip by strip, handed to `row` (top first).
template <class TRow> void LibtiffRows(const std::string& path, TRow row) {
  TIFF* t = TIFFOpen(path.c_str(), "r");
  const tmsize_t stripSize = TIFFStripSize(t);
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(stripSize));
  std::uint32_t rps = 0;
  TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rps);
  const tmsize_t rowBytes = TIFFScanlineSize(t);
  for (tstrip_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
    TIFFReadEncodedStrip(t, s, buf.data(), stripSize);
    const int rows = int(std::min<std::uint32_t>(rps, kSide - s * rps));
    for (int r = 0; r < rows; ++r)
      row(buf.data() + r * rowBytes);
  }
  TIFFClose(t);
}

/// Our decoder over the file (strip table from libtiff), as the layer sets it up.
struct TOurs {
  std::unique_ptr<TGIS_MappedStream> Stream;
  std::unique_ptr<TGIS_FileTIFFDecoder> Decoder;
  explicit TOurs(const TInput& in) {
    TIFF* t = TIFFOpen(in.Path.c_str(), "r");
    TGIS_FileTIFFDecodeState s;
    std::uint16_t compression = 1;
    TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
    s.Kind = compression == COMPRESSION_LZW        ? GIS_TIFF_DECODER_LZW
             : compression == COMPRESSION_PACKBITS ? GIS_TIFF_DECODER_PACKBITS
                                                   : GIS_TIFF_DECODER_GROUP4;
    s.RowBytes = int(TIFFScanlineSize(t));
    s.RowPixels = kSide;
    std::uint32_t rps = 0;
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rps);
    s.RowsPerStrip = int(std::min<std::uint32_t>(rps, kSide));
    s.ImageHeight = kSide;
    std::uint64_t* offsets = nullptr;
    std::uint64_t* counts = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPOFFSETS, &offsets);
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    for (tstrip_t i = 0; i < TIFFNumberOfStrips(t); ++i)
      s.Strips.push_back(TGIS_FileTIFFStrip{std::int64_t(offsets[i]), std::int64_t(counts[i])});
    std::uint16_t predictor = 1;
    if (compression == COMPRESSION_LZW) TIFFGetFieldDefaulted(t, TIFFTAG_PREDICTOR, &predictor);
    s.Predictor = predictor == 2 ? 1 : 0;
    std::uint16_t spp = 1, bps = 1;
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bps);
    s.SamplesPerPixel = spp;
    s.BitsPerSample = bps;
    TIFFClose(t);
    Stream = std::make_unique<TGIS_MappedStream>(in.Path, false);
    s.Stream = Stream.get();
    Decoder = std::make_unique<TGIS_FileTIFFDecoder>();
    Decoder->SetState(s);
    Decoder->AllocateBuffers();
  }
};

/// B,G,R rows from libtiff's rows: the swap, the palette or the two colours.
struct TToBgr {
  int Kind;
  std::uint8_t Lut[256][3];
  explicit TToBgr(const TInput& in) : Kind(in.Kind) {
    std::memset(Lut, 0, sizeof Lut);
    if (Kind == 1) {
      TIFF* t = TIFFOpen(in.Path.c_str(), "r");
      std::uint16_t *r, *g, *b;
      TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b);
      for (int i = 0; i < 256; ++i) {
        Lut[i][0] = std::uint8_t(b[i] >> 8);
        Lut[i][1] = std::uint8_t(g[i] >> 8);
        Lut[i][2] = std::uint8_t(r[i] >> 8);
      }
      TIFFClose(t);
    }
  }
  void Convert(const std::uint8_t* in, std::uint8_t* out) const {
    if (Kind == 0) {
      for (int x = 0; x < kSide; ++x) {
        out[3 * x] = in[3 * x + 2];
        out[3 * x + 1] = in[3 * x + 1];
        out[3 * x + 2] = in[3 * x];
      }
    } else if (Kind == 1) {
      for (int x = 0; x < kSide; ++x)
        std::memcpy(out + 3 * x, Lut[in[x]], 3);
    } else {
      for (int x = 0; x < kSide; ++x)
        std::memset(out + 3 * x, (in[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255, 3);
    }
  }
};

std::uint64_t OursChecksum(const TInput& in) {
  TOurs ours(in);
  std::uint64_t h = 1469598103934665603ull;
  std::vector<std::uint8_t> row(std::size_t(ours.Decoder->State().RowBytes));
  for (int y = 0; y < kSide; ++y) {
    ours.Decoder->DecodeRow(y, -1);
    std::memcpy(row.data(), ours.Decoder->RowBuffer(), row.size());
    if (in.Kind == 0) // back to the stored R,G,B order
      for (std::size_t i = 0; i + 2 < row.size(); i += 3)
        std::swap(row[i], row[i + 2]);
    h = Mix(h, row.data(), row.size());
  }
  return h;
}

std::uint64_t LibtiffChecksum(const TInput& in) {
  std::uint64_t h = 1469598103934665603ull;
  const std::size_t n = in.Kind == 0 ? kSide * 3 : in.Kind == 1 ? kSide : (kSide + 7) / 8;
  LibtiffRows(in.Path, [&](const std::uint8_t* p) { h = Mix(h, p, n); });
  return h;
}

void Check(const TInput& in, benchmark::State& state) {
  static std::vector<std::string> checked;
  if (std::find(checked.begin(), checked.end(), in.Path) != checked.end()) return;
  if (OursChecksum(in) != LibtiffChecksum(in)) {
    state.SkipWithError("the decoded rows differ from libtiff's");
    return;
  }
  checked.push_back(in.Path);
}

void BM_OursDecoder(benchmark::State& state) {
  const TInput& in = Inputs()[std::size_t(state.range(0))];
  Check(in, state);
  for (auto _ : state) {
    TOurs ours(in);
    std::uint64_t sum = 0;
    for (int y = 0; y < kSide; ++y) {
      ours.Decoder->DecodeRow(y, -1);
      sum += ours.Decoder->RowBuffer()[y % ours.Decoder->State().RowBytes];
    }
    benchmark::DoNotOptimize(sum);
  }
}

void BM_LibtiffStrips(benchmark::State& state) {
  const TInput& in = Inputs()[std::size_t(state.range(0))];
  for (auto _ : state) {
    std::uint64_t sum = 0;
    LibtiffRows(in.Path, [&](const std::uint8_t* p) { sum += p[0]; });
    benchmark::DoNotOptimize(sum);
  }
}

void BM_OursLayer(benchmark::State& state) {
  const TInput& in = Inputs()[std::size_t(state.range(0))];
  const bool reverse = state.range(1) != 0;
  std::vector<std::uint8_t> row(std::size_t(kSide) * 3 + 8);
  for (auto _ : state) {
    TGIS_LayerTIFF layer;
    layer.SetPath(in.Path);
    layer.Open();
    layer.WakeUp();
    std::uint64_t sum = 0;
    for (int i = 0; i < kSide; ++i) {
      const int y = reverse ? kSide - 1 - i : i;
      layer.CallLineReader(row.data(), y, kSide * 3, 0);
      sum += row[std::size_t(y % kSide) * 3];
    }
    benchmark::DoNotOptimize(sum);
  }
}

void BM_LibtiffBgr(benchmark::State& state) {
  const TInput& in = Inputs()[std::size_t(state.range(0))];
  const TToBgr bgr(in);
  std::vector<std::uint8_t> out(std::size_t(kSide) * 3);
  for (auto _ : state) {
    std::uint64_t sum = 0;
    int y = 0;
    LibtiffRows(in.Path, [&](const std::uint8_t* p) {
      bgr.Convert(p, out.data());
      sum += out[std::size_t(y++ % kSide) * 3];
    });
    benchmark::DoNotOptimize(sum);
  }
}

/// Reverse order: libtiff decodes each strip once and serves its rows from
/// the end (what a reader that keeps one strip must do).
void BM_LibtiffBgrReverse(benchmark::State& state) {
  const TInput& in = Inputs()[std::size_t(state.range(0))];
  const TToBgr bgr(in);
  std::vector<std::uint8_t> out(std::size_t(kSide) * 3);
  for (auto _ : state) {
    TIFF* t = TIFFOpen(in.Path.c_str(), "r");
    const tmsize_t stripSize = TIFFStripSize(t);
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(stripSize));
    std::uint32_t rps = 0;
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rps);
    const tmsize_t rowBytes = TIFFScanlineSize(t);
    std::uint64_t sum = 0;
    for (int s = int(TIFFNumberOfStrips(t)) - 1; s >= 0; --s) {
      TIFFReadEncodedStrip(t, tstrip_t(s), buf.data(), stripSize);
      const int rows = int(std::min<std::uint32_t>(rps, kSide - std::uint32_t(s) * rps));
      for (int r = rows - 1; r >= 0; --r) {
        bgr.Convert(buf.data() + r * rowBytes, out.data());
        sum += out[std::size_t(r)];
      }
    }
    TIFFClose(t);
    benchmark::DoNotOptimize(sum);
  }
}

BENCHMARK(BM_OursDecoder)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffStrips)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursLayer)->ArgsProduct({{0, 1, 2, 3}, {0}})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffBgr)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffBgrReverse)->Arg(1)->Unit(benchmark::kMillisecond);

const std::vector<TBenchRatio> kRatios = {
    {"decoder, LZW RGB + predictor", "BM_OursDecoder/0", "BM_LibtiffStrips/0"},
    {"decoder, PackBits palette", "BM_OursDecoder/1", "BM_LibtiffStrips/1"},
    {"decoder, G4 one strip", "BM_OursDecoder/2", "BM_LibtiffStrips/2"},
    {"decoder, G4 64 rows a strip", "BM_OursDecoder/3", "BM_LibtiffStrips/3"},
    {"layer B,G,R, LZW RGB + predictor", "BM_OursLayer/0/0", "BM_LibtiffBgr/0"},
    {"layer B,G,R, PackBits palette", "BM_OursLayer/1/0", "BM_LibtiffBgr/1"},
    {"layer B,G,R, G4 one strip", "BM_OursLayer/2/0", "BM_LibtiffBgr/2"},
    {"layer B,G,R, G4 64 rows a strip", "BM_OursLayer/3/0", "BM_LibtiffBgr/3"},
    {"layer B,G,R, PackBits palette bottom up", "BM_OursLayer/1/1", "BM_LibtiffBgrReverse/1"},
};

} // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  GisKernelInit();
  TIFFSetWarningHandler(nullptr); // the GeoTIFF tags are unknown to libtiff
  ::benchmark::Initialize(&argc, argv);
  Inputs();
  TRatioReporter reporter(kRatios);
  ::benchmark::RunSpecifiedBenchmarks(&reporter);
  ::benchmark::Shutdown();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fputs(("peak resident size: " + IntToStr(usage.ru_maxrss / 1024) + " MB\n").c_str(), stdout);
  std::error_code ec;
  std::filesystem::remove_all(Folder(), ec);
  return 0;
}
