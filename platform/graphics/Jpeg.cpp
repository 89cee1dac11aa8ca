#include "platform/graphics/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Dib.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr std::int64_t kMaxPixels = kMaxPicturePixels;

struct TErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {0};
};

void OnError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<TErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  std::longjmp(e->jump, 1);
}

void OnMessage(j_common_ptr, int) {}

/// Warnings of a decoder: data that ends early is an error (the image
/// would come out with a grey remainder); other warnings are dropped.
void OnDecodeMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  const int code = cinfo->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) OnError(cinfo);
}

/// Whether the data can describe the declared image at all: every block of
/// a Huffman-coded baseline scan takes at least two bits (DC and end of
/// block), every block of a progressive file at least one bit (its first DC
/// scan). Arithmetic coding can go lower; it is given 1/64 bit a block.
/// A tiny file declaring a huge image is refused before anything is
/// allocated or decoded.
bool DataCanHoldImage(const jpeg_decompress_struct& c, std::size_t size) {
  std::uint64_t blocks = 0;
  for (int i = 0; i < c.num_components; ++i) {
    const jpeg_component_info& comp = c.comp_info[i];
    const std::uint64_t w = (std::uint64_t(c.image_width) * comp.h_samp_factor +
                             std::uint64_t(c.max_h_samp_factor) * 8 - 1) /
                            (std::uint64_t(c.max_h_samp_factor) * 8);
    const std::uint64_t h = (std::uint64_t(c.image_height) * comp.v_samp_factor +
                             std::uint64_t(c.max_v_samp_factor) * 8 - 1) /
                            (std::uint64_t(c.max_v_samp_factor) * 8);
    blocks += w * h;
  }
  const std::uint64_t bits = std::uint64_t(size) * 8;
  if (c.arith_code) return blocks <= bits * 64;
  if (c.progressive_mode) return blocks <= bits;
  return blocks * 2 <= bits;
}

[[noreturn]] void Fail(const char* what) {
  throw EInvalidGraphic(std::string("JPEG error: ") + what);
}

/// The end of the JPEG starting at data[0] (just after its end-of-image
/// marker), or `size` when the marker is missing.
std::size_t JpegLength(const std::uint8_t* d, std::size_t size) {
  if (size < 2 || d[0] != 0xFF || d[1] != 0xD8) return size;
  std::size_t at = 2;
  bool entropy = false;
  while (at + 1 < size) {
    if (entropy) {
      if (d[at] != 0xFF) {
        // entropy-coded data: jump to the next 0xFF
        const void* next = std::memchr(d + at, 0xFF, size - at);
        if (next == nullptr) return size;
        at = std::size_t(static_cast<const std::uint8_t*>(next) - d);
        continue;
      }
      std::uint8_t m = d[at + 1];
      if (m == 0x00 || (m >= 0xD0 && m <= 0xD7) || m == 0xFF) {
        at += m == 0xFF ? 1 : 2;
        continue;
      }
      entropy = false;
      continue; // a marker: handled below
    }
    if (d[at] != 0xFF) return size;
    std::uint8_t m = d[at + 1];
    if (m == 0xFF) {
      ++at;
      continue;
    }
    if (m == 0xD9) return at + 2;
    if (m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
      at += 2;
      continue;
    }
    if (at + 3 >= size) return size;
    std::size_t len = (std::size_t(d[at + 2]) << 8) | d[at + 3];
    at += 2 + len;
    if (m == 0xDA) entropy = true;
  }
  return size;
}

struct TDecodeState {
  jpeg_decompress_struct cinfo;
  TErrorManager err;
  int width = 0, height = 0;
  bool fits = true; // the data can hold the declared image
};

/// Reads the header (image size into the state) and, with `out` sized to
/// it by an earlier header read, decodes the rows into its lines: 24-bit
/// B,G,R (greyscale as B = G = R), or grey levels into an 8-bit target.
/// False with the message in the state when the data is damaged.
bool Decode(TDecodeState& s, const std::uint8_t* data, std::size_t size, TBitmap* out) {
  s.cinfo.err = jpeg_std_error(&s.err.base);
  s.err.base.error_exit = OnError;
  s.err.base.emit_message = OnDecodeMessage;
  if (setjmp(s.err.jump)) {
    jpeg_destroy_decompress(&s.cinfo);
    return false;
  }
  jpeg_create_decompress(&s.cinfo);
  jpeg_mem_src(&s.cinfo, data, (unsigned long)size);
  jpeg_read_header(&s.cinfo, TRUE);
  s.width = int(s.cinfo.image_width);
  s.height = int(s.cinfo.image_height);
  s.fits = DataCanHoldImage(s.cinfo, size);
  if (s.cinfo.data_precision != 8) {
    std::strcpy(s.err.message, "only 8-bit samples are supported");
    jpeg_destroy_decompress(&s.cinfo);
    return false;
  }
  if (s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK) {
    std::strcpy(s.err.message, "CMYK images are not supported");
    jpeg_destroy_decompress(&s.cinfo);
    return false;
  }
  if (!out || out->Width() != s.width || out->Height() != s.height) {
    jpeg_destroy_decompress(&s.cinfo);
    if (!out) return true;
    std::strcpy(s.err.message, "unexpected image size");
    return false;
  }
  const bool grey = out->PixelFormat() == pf8bit;
  s.cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  s.cinfo.dct_method = JDCT_ISLOW;
  s.cinfo.do_fancy_upsampling = TRUE;
  jpeg_start_decompress(&s.cinfo);
  // rows straight into the target's scan lines
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    JSAMPROW row = out->ScanLine(int(s.cinfo.output_scanline));
    jpeg_read_scanlines(&s.cinfo, &row, 1);
  }
  jpeg_finish_decompress(&s.cinfo);
  jpeg_destroy_decompress(&s.cinfo);
  return true;
}

/// The image size of a JPEG header; raises EInvalidGraphic for damaged data
/// or a size out of range.
TDecodeState HeaderOf(const std::uint8_t* data, std::size_t size) {
  TDecodeState s;
  if (!data || size < 4) Fail("not a JPEG image");
  if (!Decode(s, data, size, nullptr)) Fail(s.err.message);
  if (std::int64_t(s.width) * s.height > kMaxPixels)
    Fail(PictureTooLarge(s.width, s.height).c_str());
  if (s.width <= 0 || s.height <= 0 || !s.fits) Fail("image size out of range");
  return s;
}

std::vector<RGBQUAD> GreyPalette() {
  std::vector<RGBQUAD> p(256);
  for (int i = 0; i < 256; ++i)
    p[std::size_t(i)].rgbBlue = p[std::size_t(i)].rgbGreen = p[std::size_t(i)].rgbRed = BYTE(i);
  return p;
}

struct TEncodeState {
  jpeg_compress_struct cinfo;
  TErrorManager err;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

bool EncodeRows(TEncodeState& s, const TDibData& dib, int quality, bool grayscale) {
  s.cinfo.err = jpeg_std_error(&s.err.base);
  s.err.base.error_exit = OnError;
  s.err.base.emit_message = OnMessage;
  if (setjmp(s.err.jump)) {
    jpeg_destroy_compress(&s.cinfo);
    return false;
  }
  jpeg_create_compress(&s.cinfo);
  jpeg_mem_dest(&s.cinfo, &s.buffer, &s.size);
  s.cinfo.image_width = JDIMENSION(dib.DibWidth());
  s.cinfo.image_height = JDIMENSION(dib.DibHeight());
  s.cinfo.input_components = 3;
  s.cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&s.cinfo);
  if (grayscale) jpeg_set_colorspace(&s.cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&s.cinfo, quality, TRUE);
  jpeg_start_compress(&s.cinfo, TRUE);
  while (s.cinfo.next_scanline < s.cinfo.image_height) {
    // The encoder only reads its rows.
    JSAMPROW row = const_cast<JSAMPROW>(dib.StoredRow(int(s.cinfo.next_scanline)));
    jpeg_write_scanlines(&s.cinfo, &row, 1);
  }
  jpeg_finish_compress(&s.cinfo);
  jpeg_destroy_compress(&s.cinfo);
  return true;
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TBitmap& source, int quality, bool grayscale) {
  if (source.Empty()) throw EInvalidGraphic("JPEG error: empty image");
  // A 24-bit picture is encoded from its own rows; others from a 24-bit copy.
  TBitmap converted;
  const TDibData* rows = source.Dib().get();
  if (source.PixelFormat() != pf24bit) {
    converted.Assign(&source);
    converted.SetPixelFormat(pf24bit);
    rows = converted.Dib().get();
  }
  TEncodeState s;
  bool ok = EncodeRows(s, *rows, std::clamp(quality, 1, 100), grayscale);
  std::vector<std::uint8_t> out;
  if (s.buffer) {
    if (ok) out.assign(s.buffer, s.buffer + s.size);
    std::free(s.buffer);
  }
  if (!ok) Fail(s.err.message);
  return out;
}

void DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& out) {
  TDecodeState header = HeaderOf(data, size);
  if (out.PixelFormat() != pf8bit) out.SetPixelFormat(pf24bit);
  out.SetSize(header.width, header.height);
  TDecodeState d;
  if (!Decode(d, data, size, &out)) Fail(d.err.message);
}

std::function<int()>& JpegScreenBitsHook() {
  static std::function<int()> hook = [] { return GdiScreenBitsPerPixel(); };
  return hook;
}

// ---- TJPEGImage -------------------------------------------------------------------------

TJPEGImage::TJPEGImage() : pixelFormat_(JpegScreenBitsHook()() <= 8 ? jf8Bit : jf24Bit) {}
TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const {
  return bitmap_ ? bitmap_->Width() : width_;
}
int TJPEGImage::Height() const {
  return bitmap_ ? bitmap_->Height() : height_;
}
bool TJPEGImage::Empty() const {
  return Width() == 0 || Height() == 0;
}

void TJPEGImage::SetCompressionQuality(int q) {
  quality_ = std::clamp(q, 1, 100);
}

void TJPEGImage::SetGrayscale(bool g) {
  if (g == grayscale_) return;
  grayscale_ = g;
  Changed();
}

void TJPEGImage::ReadHeader() {
  TDecodeState s = HeaderOf(data_.data(), data_.size());
  width_ = s.width;
  height_ = s.height;
}

void TJPEGImage::DIBNeeded() const {
  if (bitmap_) return;
  auto b = std::make_unique<TBitmap>();
  if (!data_.empty()) DecodeJpeg(data_.data(), data_.size(), *b);
  bitmap_ = std::move(b);
}

void TJPEGImage::DecodeInto(TBitmap& target) const {
  if (data_.empty()) { // pixels given by Assign
    if (bitmap_) target.Assign(bitmap_.get());
    return;
  }
  const bool grey = pixelFormat_ == jf8Bit;
  target.SetPixelFormat(grey ? pf8bit : pf24bit);
  // every row is written by the decode (or the decode fails): the rows are
  // not cleared first
  target.SetSizeForOverwrite(width_, height_);
  if (grey) target.SetPaletteEntries(GreyPalette());
  TDecodeState d;
  if (!Decode(d, data_.data(), data_.size(), &target)) Fail(d.err.message);
}

const TBitmap& TJPEGImage::Bitmap() const {
  DIBNeeded();
  return *bitmap_;
}

void TJPEGImage::Compress() {
  if (!bitmap_ || bitmap_->Empty()) return;
  data_ = EncodeJpeg(*bitmap_, quality_, grayscale_);
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& rect) {
  if (Empty()) return;
  DIBNeeded();
  bitmap_->Draw(canvas, rect);
}

void TJPEGImage::Assign(const TGraphic* source) {
  if (source == this) return;
  if (auto* j = dynamic_cast<const TJPEGImage*>(source)) {
    data_ = j->data_;
    fromPixels_ = j->fromPixels_;
    width_ = j->width_;
    height_ = j->height_;
    quality_ = j->quality_;
    grayscale_ = j->grayscale_;
    bitmap_.reset();
    if (j->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->Assign(j->bitmap_.get());
    }
    Changed();
    return;
  }
  if (!source) {
    data_.clear();
    fromPixels_ = false;
    bitmap_.reset();
    width_ = height_ = 0;
    Changed();
    return;
  }
  auto b = std::make_unique<TBitmap>();
  b->Assign(source);
  b->SetPixelFormat(pf24bit);
  bitmap_ = std::move(b);
  data_.clear(); // compressed at save with the quality of that moment
  fromPixels_ = true;
  width_ = bitmap_->Width();
  height_ = bitmap_->Height();
  Changed();
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  std::int64_t start = stream.Position();
  std::int64_t size = stream.Size() - start;
  if (size <= 0) Fail("not a JPEG image");
  std::vector<std::uint8_t> all(static_cast<std::size_t>(size));
  stream.ReadBuffer(all.data(), size);
  std::size_t length = JpegLength(all.data(), all.size());
  all.resize(length);
  stream.SetPosition(start + std::int64_t(length));
  std::vector<std::uint8_t> old = std::move(data_);
  data_ = std::move(all);
  auto rollback = ScopeExit([&] { data_ = std::move(old); });
  ReadHeader();
  rollback.Dismiss();
  bitmap_.reset();
  fromPixels_ = false;
  Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) {
  // pixels given by Assign are compressed at each save, with the quality of
  // that moment; a loaded file is written back as it was read
  if (bitmap_ && (fromPixels_ || data_.empty())) Compress();
  if (!data_.empty()) stream.WriteBuffer(data_.data(), std::int64_t(data_.size()));
}
