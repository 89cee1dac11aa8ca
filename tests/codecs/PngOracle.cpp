#include "tests/codecs/PngOracle.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct TMemRead {
  const std::vector<std::uint8_t>* bytes;
  std::size_t pos = 0;
};

void ReadMem(png_structp png, png_bytep out, png_size_t count) {
  auto* m = static_cast<TMemRead*>(png_get_io_ptr(png));
  if (m->pos + count > m->bytes->size()) png_error(png, "read past the end");
  std::memcpy(out, m->bytes->data() + m->pos, count);
  m->pos += count;
}

void OnError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  *error = message;
  longjmp(png_jmpbuf(png), 1);
}

void OnWarning(png_structp, png_const_charp) {}

} // namespace

int TLibpngImage::Channels() const {
  switch (colorType) {
  case 2: return 3;
  case 4: return 2;
  case 6: return 4;
  default: return 1;
  }
}

unsigned TLibpngImage::Sample(std::uint32_t x, std::uint32_t y, int channel) const {
  const std::uint8_t* row = rows[y].data();
  const std::uint32_t index = x * std::uint32_t(Channels()) + std::uint32_t(channel);
  if (depth == 16) return (unsigned(row[2 * index]) << 8) | row[2 * index + 1];
  if (depth == 8) return row[index];
  const std::uint32_t bit = index * std::uint32_t(depth);
  return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
}

TLibpngImage ReadWithLibpng(const std::vector<std::uint8_t>& bytes) {
  TLibpngImage img;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &img.error, OnError, OnWarning);
  png_infop info = png_create_info_struct(png);
  TMemRead mem{&bytes};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    img.ok = false;
    return img;
  }
  png_set_read_fn(png, &mem, ReadMem);
  png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_DEFAULT);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  img.width = png_get_image_width(png, info);
  img.height = png_get_image_height(png, info);
  img.depth = png_get_bit_depth(png, info);
  img.colorType = png_get_color_type(png, info);
  img.interlace = png_get_interlace_type(png, info);
  png_bytepp rows = png_get_rows(png, info);
  const png_size_t rowBytes = png_get_rowbytes(png, info);
  for (std::uint32_t y = 0; y < img.height; ++y)
    img.rows.emplace_back(rows[y], rows[y] + rowBytes);
  png_colorp palette = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &palette, &count) != 0)
    for (int i = 0; i < count; ++i)
      img.palette.insert(img.palette.end(), {palette[i].red, palette[i].green, palette[i].blue});
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  png_color_16p key = nullptr;
  if (png_get_tRNS(png, info, &alpha, &alphaCount, &key) != 0) {
    if (img.colorType == 3) img.trnsAlpha.assign(alpha, alpha + alphaCount);
    if (img.colorType == 0) img.trnsGrey = key->gray;
    if (img.colorType == 2) img.trnsR = key->red, img.trnsG = key->green, img.trnsB = key->blue;
  }
  png_fixed_point gamma = 0;
  if (png_get_gAMA_fixed(png, info, &gamma) != 0) {
    img.hasGamma = true;
    img.gamma = std::uint32_t(gamma);
  }
  png_textp text = nullptr;
  int texts = 0;
  png_get_text(png, info, &text, &texts);
  for (int i = 0; i < texts; ++i)
    img.texts.push_back(
        {text[i].key, std::string(text[i].text, text[i].text_length), text[i].compression});
  png_timep time = nullptr;
  if (png_get_tIME(png, info, &time) != 0) {
    img.hasTime = true;
    img.year = time->year, img.month = time->month, img.day = time->day;
    img.hour = time->hour, img.minute = time->minute, img.second = time->second;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  img.ok = true;
  return img;
}

TLibpngImage ReadWithLibpng(const std::string& path) {
  return ReadWithLibpng(ReadBytes(path));
}

std::vector<std::uint8_t> GammaTable(std::uint32_t gamma) {
  std::vector<std::uint8_t> t(256);
  for (int i = 0; i < 256; ++i) t[i] = std::uint8_t(i);
  if (gamma == 0) return t;
  const double e = 1.0 / (double(gamma) / 100000.0 * 2.2);
  for (int i = 0; i < 256; ++i)
    t[i] = i == 0 ? 0 : std::uint8_t(std::lround(std::pow(double(i) / 255.0, e) * 255.0));
  return t;
}

void ExpectedPixel(const TLibpngImage& img, const std::vector<std::uint8_t>& g, std::uint32_t x,
                   std::uint32_t y, std::uint32_t& colour, int& alpha) {
  auto byte = [&](int channel) {
    const unsigned s = img.Sample(x, y, channel);
    return img.depth == 16 ? int(s >> 8) : int(s);
  };
  auto rgb = [](int r, int gg, int b) {
    return std::uint32_t(r) | (std::uint32_t(gg) << 8) | (std::uint32_t(b) << 16);
  };
  alpha = 255;
  switch (img.colorType) {
  case 0: {
    const unsigned s = img.Sample(x, y, 0);
    int v = 0;
    switch (img.depth) {
    case 1: v = int(s) * 255; break;
    case 2: v = int(s) * 5 * 17; break;
    case 4: v = int(s) * 17; break;
    case 8: v = int(s); break;
    default: v = int(s >> 8); break;
    }
    colour = rgb(g[v], g[v], g[v]);
    break;
  }
  case 2: colour = rgb(g[byte(0)], g[byte(1)], g[byte(2)]); break;
  case 3: {
    const unsigned i = img.Sample(x, y, 0);
    colour = rgb(g[img.palette[3 * i]], g[img.palette[3 * i + 1]], g[img.palette[3 * i + 2]]);
    alpha = i < img.trnsAlpha.size() ? img.trnsAlpha[i] : 255;
    break;
  }
  case 4: {
    const int v = byte(0);
    colour = rgb(g[v], g[v], g[v]);
    alpha = byte(1);
    break;
  }
  case 6:
    colour = rgb(g[byte(0)], g[byte(1)], g[byte(2)]);
    alpha = byte(3);
    break;
  }
}

namespace {

void WriteMem(png_structp png, png_bytep data, png_size_t count) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + count);
}

void FlushMem(png_structp) {}

} // namespace

std::vector<std::uint8_t> WriteWithLibpng(std::uint32_t width, std::uint32_t height, int depth,
                                          int colorType,
                                          const std::vector<std::vector<std::uint8_t>>& rows,
                                          int level, int filters, int interlace) {
  std::vector<std::uint8_t> out;
  std::string error;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnError, OnWarning);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, WriteMem, FlushMem);
  png_set_IHDR(png, info, width, height, depth, colorType, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (colorType == 3) {
    std::vector<png_color> palette(std::size_t(1) << depth);
    for (std::size_t i = 0; i < palette.size(); ++i)
      palette[i] = png_color{png_byte(i * 37), png_byte(i * 91), png_byte(255 - i)};
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
  }
  png_set_compression_level(png, level);
  png_set_filter(png, 0, filters);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const auto& r : rows) pointers.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string PngSuiteDir() {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/pngsuite/";
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}
