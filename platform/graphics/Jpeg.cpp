#include "platform/graphics/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;

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
        ++at;
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
  std::vector<std::uint8_t> line; // here, not in the frame a failure jumps out of
  int width = 0, height = 0;
};

/// Reads the header (image size into the state) and, with `out` sized to
/// it by an earlier header read, decodes the rows into its 24-bit lines.
/// False with the message in the state when the data is damaged.
bool Decode(TDecodeState& s, const std::uint8_t* data, std::size_t size, TBitmap* out) {
  s.cinfo.err = jpeg_std_error(&s.err.base);
  s.err.base.error_exit = OnError;
  s.err.base.emit_message = OnMessage;
  if (setjmp(s.err.jump)) {
    jpeg_destroy_decompress(&s.cinfo);
    return false;
  }
  jpeg_create_decompress(&s.cinfo);
  jpeg_mem_src(&s.cinfo, data, (unsigned long)size);
  jpeg_read_header(&s.cinfo, TRUE);
  s.width = int(s.cinfo.image_width);
  s.height = int(s.cinfo.image_height);
  if (!out || out->Width() != s.width || out->Height() != s.height) {
    jpeg_destroy_decompress(&s.cinfo);
    if (!out) return true;
    std::strcpy(s.err.message, "unexpected image size");
    return false;
  }
  bool cmyk = s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
  s.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&s.cinfo);
  s.line.resize(std::size_t(s.cinfo.output_width) * 4);
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    int y = int(s.cinfo.output_scanline);
    JSAMPROW row = s.line.data();
    jpeg_read_scanlines(&s.cinfo, &row, 1);
    std::uint8_t* dst = out->ScanLine(y);
    const std::uint8_t* line = s.line.data();
    if (!cmyk) {
      std::memcpy(dst, line, std::size_t(s.cinfo.output_width) * 3);
    } else {
      for (JDIMENSION x = 0; x < s.cinfo.output_width; ++x) {
        // Adobe files store inverted CMYK
        int c = line[4 * x], m = line[4 * x + 1], yy = line[4 * x + 2], k = line[4 * x + 3];
        dst[3 * x] = std::uint8_t(yy * k / 255);
        dst[3 * x + 1] = std::uint8_t(m * k / 255);
        dst[3 * x + 2] = std::uint8_t(c * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&s.cinfo);
  jpeg_destroy_decompress(&s.cinfo);
  return true;
}

/// The image size of a JPEG header; raises EInvalidGraphic for damaged data
/// or a size out of range.
TDecodeState HeaderOf(const std::uint8_t* data, std::size_t size) {
  TDecodeState s;
  if (!data || size < 4 || !Decode(s, data, size, nullptr)) Fail("not a JPEG image");
  if (s.width <= 0 || s.height <= 0 || std::int64_t(s.width) * s.height > kMaxPixels)
    Fail("image size out of range");
  return s;
}

struct TEncodeState {
  jpeg_compress_struct cinfo;
  TErrorManager err;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

bool EncodeRows(TEncodeState& s, TBitmap& bitmap, int quality, bool grayscale) {
  s.cinfo.err = jpeg_std_error(&s.err.base);
  s.err.base.error_exit = OnError;
  s.err.base.emit_message = OnMessage;
  if (setjmp(s.err.jump)) {
    jpeg_destroy_compress(&s.cinfo);
    return false;
  }
  jpeg_create_compress(&s.cinfo);
  jpeg_mem_dest(&s.cinfo, &s.buffer, &s.size);
  s.cinfo.image_width = JDIMENSION(bitmap.Width());
  s.cinfo.image_height = JDIMENSION(bitmap.Height());
  s.cinfo.input_components = 3;
  s.cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&s.cinfo);
  if (grayscale) jpeg_set_colorspace(&s.cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&s.cinfo, quality, TRUE);
  jpeg_start_compress(&s.cinfo, TRUE);
  while (s.cinfo.next_scanline < s.cinfo.image_height) {
    JSAMPROW row = bitmap.ScanLine(int(s.cinfo.next_scanline));
    jpeg_write_scanlines(&s.cinfo, &row, 1);
  }
  jpeg_finish_compress(&s.cinfo);
  jpeg_destroy_compress(&s.cinfo);
  return true;
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TBitmap& source, int quality, bool grayscale) {
  if (source.Empty()) throw EInvalidGraphic("JPEG error: empty image");
  TBitmap bitmap;
  bitmap.Assign(&source);
  bitmap.SetPixelFormat(pf24bit);
  TEncodeState s;
  bool ok = EncodeRows(s, bitmap, std::clamp(quality, 1, 100), grayscale);
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
  out.SetPixelFormat(pf24bit);
  out.SetSize(header.width, header.height);
  TDecodeState d;
  if (!Decode(d, data, size, &out)) Fail(d.err.message);
}

// ---- TJPEGImage -------------------------------------------------------------------------

TJPEGImage::TJPEGImage() : pixelFormat_(GdiScreenBitsPerPixel() <= 8 ? jf8Bit : jf24Bit) {}
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
