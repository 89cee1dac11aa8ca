// The GIF codec against giflib, both from memory: decoding (ours through
// LoadFromStream, giflib's DGifSlurp) and encoding (our LZW and run-length
// encoders against EGifSpew), times and sizes. Inputs are made at start by
// a seeded photo-like generator and written by EGifSpew.
// SK_GIF_BENCH_SCALE (default 4) divides the full sizes: 4000 × 3000 at
// 256 colours, plain and interlaced, and 200 frames of 800 × 600 with local
// tables (scale 1 is the full run; the frame count is divided as well).
#include <gif_lib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/support/RatioReporter.h"
#include "codecs/GifPicture.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

int Scale() {
  const char* s = std::getenv("SK_GIF_BENCH_SCALE");
  return s != nullptr && std::atoi(s) > 0 ? std::atoi(s) : 4;
}

struct TGifCase {
  const char* name;
  int width, height, frames;
  bool interlaced;
};

TGifCase CaseOf(int i) {
  const int s = Scale();
  switch (i) {
  case 0: return {"photo", 4000 / s, 3000 / s, 1, false};
  case 1: return {"photo-interlaced", 4000 / s, 3000 / s, 1, true};
  default: return {"animation", 800 / s, 600 / s, std::max(1, 200 / s), false};
  }
}

/// Smooth colour fields with a little seeded noise, as a photo has,
/// quantised to 256 indices.
TBytes PhotoIndices(int w, int h, int frame) {
  std::uint32_t seed = 12345u + std::uint32_t(frame);
  TBytes out(std::size_t(w) * std::size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      const double v = 0.5 + 0.25 * std::sin(x * 0.013 + y * 0.007 + frame * 0.3) +
                       0.2 * std::cos(y * 0.011 - x * 0.003);
      const int noise = int((seed >> 24) & 7) - 4;
      out[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
          std::uint8_t(std::max(0, std::min(255, int(v * 255) + noise)));
    }
  return out;
}

int WriteMem(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<TBytes*>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

int ReadMem(GifFileType* gif, GifByteType* data, int n) {
  auto* r = static_cast<std::pair<const TBytes*, std::size_t>*>(gif->UserData);
  const std::size_t take = std::min<std::size_t>(std::size_t(n), r->first->size() - r->second);
  std::memcpy(data, r->first->data() + r->second, take);
  r->second += take;
  return int(take);
}

ColorMapObject* GreyRamp(int shift) {
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  for (int i = 0; i < 256; ++i)
    map->Colors[i] = GifColorType{GifByteType(i), GifByteType((i + shift) & 255), GifByteType(255 - i)};
  return map;
}

/// EGifSpew's file of the frames (local tables when there are several).
TBytes GiflibWrite(int w, int h, const std::vector<TBytes>& frames, bool interlaced) {
  TBytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteMem, &error);
  gif->SWidth = w;
  gif->SHeight = h;
  gif->SColorResolution = 8;
  gif->SBackGroundColor = 0;
  gif->SColorMap = frames.size() > 1 ? nullptr : GreyRamp(0);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    SavedImage* image = GifMakeSavedImage(gif, nullptr);
    image->ImageDesc = GifImageDesc{0, 0, w, h, interlaced, frames.size() > 1 ? GreyRamp(int(i)) : nullptr};
    image->RasterBits = static_cast<GifByteType*>(malloc(frames[i].size()));
    if (interlaced) {
      // giflib writes the rows as given: hand them over in interlaced order
      std::size_t row = 0;
      static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p)
        for (int y = kStart[p]; y < h; y += kStep[p], ++row)
          std::memcpy(image->RasterBits + row * std::size_t(w), frames[i].data() + std::size_t(y) * std::size_t(w),
                      std::size_t(w));
    } else {
      std::memcpy(image->RasterBits, frames[i].data(), frames[i].size());
    }
  }
  EGifSpew(gif);
  return out;
}

std::vector<TBytes>& FramesOf(int i) {
  static std::map<int, std::vector<TBytes>> frames;
  std::vector<TBytes>& f = frames[i];
  if (f.empty()) {
    const TGifCase c = CaseOf(i);
    for (int k = 0; k < c.frames; ++k) f.push_back(PhotoIndices(c.width, c.height, k));
  }
  return f;
}

const TBytes& FileOf(int i) {
  static std::map<int, TBytes> files;
  TBytes& f = files[i];
  if (f.empty()) {
    const TGifCase c = CaseOf(i);
    f = GiflibWrite(c.width, c.height, FramesOf(i), c.interlaced);
  }
  return f;
}

void BM_OursDecode(benchmark::State& state, int i) {
  const TBytes& file = FileOf(i);
  TMemoryStream stream;
  stream.WriteBuffer(file.data(), std::int64_t(file.size()));
  for (auto _ : state) {
    stream.SetPosition(0);
    TGifPicture gif;
    gif.LoadFromStream(stream);
    benchmark::DoNotOptimize(gif.Frames().Count());
  }
}

void BM_GiflibDecode(benchmark::State& state, int i) {
  const TBytes& file = FileOf(i);
  for (auto _ : state) {
    std::pair<const TBytes*, std::size_t> reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadMem, &error);
    DGifSlurp(gif);
    benchmark::DoNotOptimize(gif->ImageCount);
    DGifCloseFile(gif, &error);
  }
}

std::map<std::string, std::size_t>& Sizes() {
  static std::map<std::string, std::size_t> sizes;
  return sizes;
}

void BM_OursEncode(benchmark::State& state, std::uint8_t encoding) {
  TGifPicture gif;
  TMemoryStream in;
  in.WriteBuffer(FileOf(0).data(), std::int64_t(FileOf(0).size()));
  in.SetPosition(0);
  gif.LoadFromStream(in);
  gif.Encoding = encoding;
  std::size_t size = 0;
  for (auto _ : state) {
    TMemoryStream out;
    gif.SaveToStream(out);
    size = std::size_t(out.Size());
  }
  Sizes()[encoding == enRLE ? "rle" : "lzw"] = size;
}

void BM_GiflibEncode(benchmark::State& state) {
  const TGifCase c = CaseOf(0);
  std::size_t size = 0;
  for (auto _ : state) size = GiflibWrite(c.width, c.height, FramesOf(0), false).size();
  Sizes()["giflib"] = size;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<TBenchRatio> ratios;
  for (int i = 0; i < 3; ++i) {
    const TGifCase c = CaseOf(i);
    const std::string ours = std::string("BM_OursDecode/") + c.name,
                      base = std::string("BM_GiflibDecode/") + c.name;
    benchmark::RegisterBenchmark(ours.c_str(), BM_OursDecode, i)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(base.c_str(), BM_GiflibDecode, i)->Unit(benchmark::kMillisecond);
    ratios.push_back({std::string("decode ") + c.name, ours, base});
  }
  benchmark::RegisterBenchmark("BM_OursEncode/lzw", BM_OursEncode, std::uint8_t(enLZW))
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_OursEncode/rle", BM_OursEncode, std::uint8_t(enRLE))
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_GiflibEncode", BM_GiflibEncode)->Unit(benchmark::kMillisecond);
  ratios.push_back({"encode photo lzw", "BM_OursEncode/lzw", "BM_GiflibEncode"});
  ratios.push_back({"encode photo rle", "BM_OursEncode/rle", "BM_GiflibEncode"});
  const int status = RunBenchmarksWithRatios(argc, argv, ratios);
  for (const char* e : {"lzw", "rle"}) {
    const double a = double(Sizes()[e]), b = double(Sizes()["giflib"]);
    if (b > 0) std::fputs(Format("size ours / giflib, encode photo %s: %.3f\n", {e, a / b}).c_str(), stdout);
  }
  return status;
}
