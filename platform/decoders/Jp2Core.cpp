#include "platform/decoders/Jp2Core.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace skdec {
namespace {

void QuietHandler(const char*, void*) {}

struct TCodecScope {
  opj_stream_t* Stream = nullptr;
  opj_codec_t* Codec = nullptr;
  opj_image_t* Image = nullptr;
  ~TCodecScope() {
    if (Image) opj_image_destroy(Image);
    if (Codec) opj_destroy_codec(Codec);
    if (Stream) opj_stream_destroy(Stream);
  }
};

/// Opens the file and reads the main header at `level` (reduce factor).
bool StartDecoding(const std::string& path, bool codestream, int level, TCodecScope& s) {
  s.Stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_TRUE);
  if (!s.Stream) return false;
  s.Codec = opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
  if (!s.Codec) return false;
  opj_set_error_handler(s.Codec, QuietHandler, nullptr);
  opj_set_warning_handler(s.Codec, QuietHandler, nullptr);
  opj_set_info_handler(s.Codec, QuietHandler, nullptr);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  params.cp_reduce = OPJ_UINT32(level);
  if (!opj_setup_decoder(s.Codec, &params)) return false;
  return opj_read_header(s.Stream, s.Codec, &s.Image) != 0 && s.Image != nullptr;
}

int CeilShift(std::int64_t v, int level) {
  return int((v + (std::int64_t(1) << level) - 1) >> level);
}

} // namespace

bool TJp2Source::Open(const std::string& path) {
  path_ = path;
  info_ = TJp2Info{};
  std::uint8_t sig[12] = {0};
  {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const std::size_t n = std::fread(sig, 1, sizeof sig, f);
    std::fclose(f);
    static const std::uint8_t jp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    if (n == 12 && std::memcmp(sig, jp2, 12) == 0)
      codestream_ = false;
    else if (n >= 4 && sig[0] == 0xFF && sig[1] == 0x4F && sig[2] == 0xFF && sig[3] == 0x51)
      codestream_ = true;
    else
      return false;
  }
  TCodecScope s;
  if (!StartDecoding(path, codestream_, 0, s)) return false;
  const opj_image_t* im = s.Image;
  if (im->numcomps < 1 || im->numcomps > 16384 || !im->comps) return false;
  if (im->x1 <= im->x0 || im->y1 <= im->y0) return false;
  for (OPJ_UINT32 c = 0; c < im->numcomps; ++c) {
    const opj_image_comp_t& k = im->comps[c];
    if (k.dx != 1 || k.dy != 1 || k.prec < 1 || k.prec > 32) return false;
  }
  const std::int64_t w = std::int64_t(im->x1) - im->x0, h = std::int64_t(im->y1) - im->y0;
  if (w > 0x7FFFFFFF || h > 0x7FFFFFFF || w * h > kJp2MaxPixels) return false;
  originX_ = int(im->x0);
  originY_ = int(im->y0);
  info_.Width = int(w);
  info_.Height = int(h);
  info_.Components = int(im->numcomps);
  info_.Precision = int(im->comps[0].prec);
  info_.Signed = im->comps[0].sgnd != 0;
  opj_codestream_info_v2_t* cs = opj_get_cstr_info(s.Codec);
  if (!cs) return false;
  int resolutions = int(cs->m_default_tile_info.tccp_info ? cs->m_default_tile_info.tccp_info[0].numresolutions : 1);
  opj_destroy_cstr_info(&cs);
  if (resolutions < 1 || resolutions > 33) return false;
  info_.Resolutions = resolutions;
  return true;
}

int TJp2Source::LevelWidth(int level) const {
  return CeilShift(std::int64_t(originX_) + info_.Width, level) - CeilShift(originX_, level);
}

int TJp2Source::LevelHeight(int level) const {
  return CeilShift(std::int64_t(originY_) + info_.Height, level) - CeilShift(originY_, level);
}

bool TJp2Source::Decode(int level, int x0, int y0, int x1, int y1, TJp2Area& out) const {
  out = TJp2Area{};
  if (level < 0 || level >= info_.Resolutions) return false;
  x0 = std::max(x0, 0), y0 = std::max(y0, 0);
  x1 = std::min(x1, info_.Width), y1 = std::min(y1, info_.Height);
  if (x1 <= x0 || y1 <= y0) return false;
  TCodecScope s;
  if (!StartDecoding(path_, codestream_, level, s)) return false;
  if (s.Image->numcomps != OPJ_UINT32(info_.Components)) return false;
  if (!opj_set_decode_area(s.Codec, s.Image, originX_ + x0, originY_ + y0, originX_ + x1,
                           originY_ + y1))
    return false;
  if (!opj_decode(s.Codec, s.Stream, s.Image)) return false;
  opj_end_decompress(s.Codec, s.Stream);
  const opj_image_comp_t& c0 = s.Image->comps[0];
  out.X0 = int(c0.x0) - CeilShift(originX_, level);
  out.Y0 = int(c0.y0) - CeilShift(originY_, level);
  out.Width = int(c0.w);
  out.Height = int(c0.h);
  out.Planes.resize(std::size_t(info_.Components));
  out.Strides.resize(std::size_t(info_.Components));
  for (int c = 0; c < info_.Components; ++c) {
    const opj_image_comp_t& k = s.Image->comps[c];
    if (!k.data || int(k.w) < out.Width || int(k.h) < out.Height) return false;
    out.Planes[std::size_t(c)] = k.data;
    out.Strides[std::size_t(c)] = k.w;
  }
  // the area keeps the decoded image; the scope lets it go
  out.Owner = std::shared_ptr<void>(s.Image, [](void* image) {
    opj_image_destroy(static_cast<opj_image_t*>(image));
  });
  s.Image = nullptr;
  return true;
}

const TJp2Area* TJp2LevelCache::Level(const TJp2Source& source, int level) {
  if (level == level_) return failed_ ? nullptr : &area_;
  const std::int64_t pixels = std::int64_t(source.LevelWidth(level)) * source.LevelHeight(level);
  if (pixels * source.Info().Components > 3 * kJp2LevelCachePixels) return nullptr;
  level_ = level;
  failed_ = !source.Decode(level, 0, 0, source.Info().Width, source.Info().Height, area_);
  return failed_ ? nullptr : &area_;
}

} // namespace skdec
