// The PNG codec against libpng, both from memory: decoding (ours through
// LoadFromStream, libpng's raw png_read_image) and encoding with the same
// filters, level and IDAT size. Inputs are made at start by a seeded
// photo-like generator and written by libpng (level 6, adaptive filters).
// SK_PNG_BENCH_SIZE sets the side (default 1024; 4096 for the full run).
// "pngsuite20" decodes the valid files of the PngSuite test set (the ones
// whose names do not start with "x") twenty times an iteration.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/RatioReporter.h"
#include "codecs/PngPicture.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

int Side() {
  const char* s = std::getenv("SK_PNG_BENCH_SIZE");
  return s != nullptr && std::atoi(s) > 0 ? std::atoi(s) : 1024;
}

struct TCase {
  const char* name;
  int type, depth, interlace;
};
const TCase kCases[] = {{"grey1", 0, 1, 0},  {"grey8", 0, 8, 0},    {"grey16", 0, 16, 0},
                        {"rgb8", 2, 8, 0},   {"rgb16", 2, 16, 0},   {"palette8", 3, 8, 0},
                        {"greya8", 4, 8, 0}, {"rgba8", 6, 8, 0},    {"rgba16", 6, 16, 0},
                        {"rgb8adam7", 2, 8, 1}};

int Channels(int type) {
  return type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
}

/// Smooth colour fields with a little seeded noise, as a photo has.
std::vector<TBytes> PhotoRows(int side, int type, int depth) {
  std::uint32_t seed = 12345;
  const int channels = Channels(type);
  const std::size_t rowBytes = (std::size_t(side) * std::size_t(channels * depth) + 7) / 8;
  std::vector<TBytes> rows(std::size_t(side), TBytes(rowBytes, 0));
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      for (int c = 0; c < channels; ++c) {
        seed = seed * 1103515245u + 12345u;
        const double v = 0.5 + 0.25 * std::sin(x * 0.013 * (c + 1) + y * 0.007) +
                         0.2 * std::cos(y * 0.011 - x * 0.003 * c);
        const int noise = int((seed >> 24) & 7) - 4;
        const int max = (1 << std::min(depth, 16)) - 1;
        int s = int(v * max) + noise * max / 255;
        if (type == 3) s = int(v * 255) + noise;
        s = std::max(0, std::min(max, s));
        const std::size_t index = std::size_t(x) * std::size_t(channels) + std::size_t(c);
        TBytes& r = rows[std::size_t(y)];
        if (depth == 16) {
          r[2 * index] = std::uint8_t(s >> 8);
          r[2 * index + 1] = std::uint8_t(s);
        } else if (depth == 8) {
          r[index] = std::uint8_t(s);
        } else {
          const std::size_t bit = index * std::size_t(depth);
          r[bit / 8] |= std::uint8_t((s & ((1 << depth) - 1)) << (8 - depth - bit % 8));
        }
      }
  return rows;
}

void OnError(png_structp png, png_const_charp) {
  longjmp(png_jmpbuf(png), 1);
}

void OnWarning(png_structp, png_const_charp) {}

void WriteMem(png_structp png, png_bytep data, png_size_t count) {
  auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + count);
}

void FlushMem(png_structp) {}

TBytes LibpngWrite(int side, const TCase& c, const std::vector<TBytes>& rows, int level,
                   int filters, std::size_t idat) {
  TBytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, WriteMem, FlushMem);
  png_set_IHDR(png, info, std::uint32_t(side), std::uint32_t(side), c.depth, c.type, c.interlace,
               0, 0);
  if (c.type == 3) {
    png_color palette[256];
    for (int i = 0; i < 256; ++i)
      palette[i] = png_color{png_byte(i), png_byte(255 - i), png_byte(i * 3)};
    png_set_PLTE(png, info, palette, 256);
  }
  png_set_compression_level(png, level);
  png_set_filter(png, 0, filters);
  png_set_compression_buffer_size(png, idat);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const TBytes& r : rows) pointers.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct TMemRead {
  const TBytes* bytes;
  std::size_t pos;
};

void ReadMem(png_structp png, png_bytep out, png_size_t count) {
  auto* m = static_cast<TMemRead*>(png_get_io_ptr(png));
  if (m->pos + count > m->bytes->size()) png_error(png, "end");
  std::memcpy(out, m->bytes->data() + m->pos, count);
  m->pos += count;
}

/// libpng's raw decode of the whole image into rows.
std::size_t LibpngRead(const TBytes& file, std::vector<TBytes>& rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  png_infop info = png_create_info_struct(png);
  TMemRead mem{&file, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
  }
  png_set_read_fn(png, &mem, ReadMem);
  png_read_info(png, info);
  png_set_interlace_handling(png); // whole rows of interlaced files too
  png_read_update_info(png, info);
  const std::uint32_t h = png_get_image_height(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  rows.resize(h);
  std::vector<png_bytep> pointers(h);
  for (std::uint32_t y = 0; y < h; ++y) {
    rows[y].resize(rowBytes);
    pointers[y] = rows[y].data();
  }
  png_read_image(png, pointers.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return rowBytes;
}

std::map<std::string, TBytes>& Files() {
  static std::map<std::string, TBytes> files;
  return files;
}

const TBytes& FileOf(const TCase& c) {
  TBytes& f = Files()[c.name];
  if (f.empty()) f = LibpngWrite(Side(), c, PhotoRows(Side(), c.type, c.depth), 6,
                                 PNG_ALL_FILTERS, 8192);
  return f;
}

void BM_OursDecode(benchmark::State& state, TCase c) {
  const TBytes& file = FileOf(c);
  TMemoryStream stream;
  stream.WriteBuffer(file.data(), std::int64_t(file.size()));
  for (auto _ : state) {
    stream.SetPosition(0);
    TPngPicture png;
    png.LoadFromStream(stream);
    benchmark::DoNotOptimize(png.Width());
  }
}

void BM_LibpngDecode(benchmark::State& state, TCase c) {
  const TBytes& file = FileOf(c);
  std::vector<TBytes> rows;
  for (auto _ : state) benchmark::DoNotOptimize(LibpngRead(file, rows));
}

/// The valid PngSuite files, read once.
const std::vector<TBytes>& SuiteFiles() {
  static const std::vector<TBytes> files = [] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(SK_PNGSUITE_DIR)) {
      const std::string name = e.path().filename().string();
      if (e.path().extension() == ".png" && name[0] != 'x' && name != "PngSuite.png")
        names.push_back(e.path().string());
    }
    std::sort(names.begin(), names.end());
    std::vector<TBytes> out;
    for (const std::string& n : names) {
      std::ifstream in(n, std::ios::binary);
      out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return out;
  }();
  return files;
}

constexpr int kSuiteRounds = 20;

void BM_OursSuite(benchmark::State& state) {
  std::vector<std::unique_ptr<TMemoryStream>> streams;
  for (const TBytes& f : SuiteFiles()) {
    streams.push_back(std::make_unique<TMemoryStream>());
    streams.back()->WriteBuffer(f.data(), std::int64_t(f.size()));
  }
  for (auto _ : state)
    for (int round = 0; round < kSuiteRounds; ++round)
      for (auto& stream : streams) {
        stream->SetPosition(0);
        TPngPicture png;
        png.LoadFromStream(*stream);
        benchmark::DoNotOptimize(png.Width());
      }
  state.counters["files"] = double(streams.size());
}

void BM_LibpngSuite(benchmark::State& state) {
  std::vector<TBytes> rows;
  for (auto _ : state)
    for (int round = 0; round < kSuiteRounds; ++round)
      for (const TBytes& f : SuiteFiles())
        benchmark::DoNotOptimize(LibpngRead(f, rows));
}

struct TEncode {
  const char* name;
  std::uint8_t set;
  int libpngFilters, level;
};
const TEncode kEncodes[] = {{"sub7", 2, PNG_FILTER_SUB, 7},
                            {"none2", 1, PNG_FILTER_NONE, 2},
                            {"all6", 31, PNG_ALL_FILTERS, 6}};

std::map<std::string, std::size_t>& Sizes() {
  static std::map<std::string, std::size_t> sizes;
  return sizes;
}

void BM_OursEncode(benchmark::State& state, TEncode e) {
  const TCase c = kCases[3]; // rgb8
  TPngPicture png;
  TMemoryStream in;
  in.WriteBuffer(FileOf(c).data(), std::int64_t(FileOf(c).size()));
  in.SetPosition(0);
  png.LoadFromStream(in);
  png.RowFilterSet = e.set;
  png.DeflateLevel = std::uint8_t(e.level);
  std::size_t size = 0;
  for (auto _ : state) {
    TMemoryStream out;
    png.SaveToStream(out);
    size = std::size_t(out.Size());
  }
  Sizes()[std::string("ours ") + e.name] = size;
}

void BM_LibpngEncode(benchmark::State& state, TEncode e) {
  const TCase c = kCases[3];
  std::vector<TBytes> rows;
  LibpngRead(FileOf(c), rows);
  std::size_t size = 0;
  for (auto _ : state) size = LibpngWrite(Side(), c, rows, e.level, e.libpngFilters, 65535).size();
  Sizes()[std::string("libpng ") + e.name] = size;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<TBenchRatio> ratios;
  for (const TCase& c : kCases) {
    const std::string ours = std::string("BM_OursDecode/") + c.name,
                      base = std::string("BM_LibpngDecode/") + c.name;
    benchmark::RegisterBenchmark(ours.c_str(), BM_OursDecode, c)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(base.c_str(), BM_LibpngDecode, c)->Unit(benchmark::kMillisecond);
    ratios.push_back({std::string("decode ") + c.name, ours, base});
  }
  benchmark::RegisterBenchmark("BM_OursDecode/pngsuite20", BM_OursSuite)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_LibpngDecode/pngsuite20", BM_LibpngSuite)->Unit(benchmark::kMillisecond);
  ratios.push_back({"decode pngsuite20", "BM_OursDecode/pngsuite20", "BM_LibpngDecode/pngsuite20"});
  for (const TEncode& e : kEncodes) {
    const std::string ours = std::string("BM_OursEncode/") + e.name,
                      base = std::string("BM_LibpngEncode/") + e.name;
    benchmark::RegisterBenchmark(ours.c_str(), BM_OursEncode, e)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(base.c_str(), BM_LibpngEncode, e)->Unit(benchmark::kMillisecond);
    ratios.push_back({std::string("encode rgb8 ") + e.name, ours, base});
  }
  const int status = RunBenchmarksWithRatios(argc, argv, ratios);
  for (const TEncode& e : kEncodes) {
    const double a = double(Sizes()[std::string("ours ") + e.name]),
                 b = double(Sizes()[std::string("libpng ") + e.name]);
    if (b > 0) std::fputs(Format("size ours / libpng, encode rgb8 %s: %.3f\n", {e.name, a / b}).c_str(), stdout);
  }
  return status;
}
