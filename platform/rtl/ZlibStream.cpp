#include "platform/rtl/ZlibStream.h"

#include <zlib.h>

struct TZlibStream::TImpl {
  z_stream z{};
  enum { kNone, kInflate, kDeflate } mode = kNone;
};

TZlibStream::TZlibStream() : impl_(std::make_unique<TImpl>()) {}

TZlibStream::~TZlibStream() {
  End();
}

int TZlibStream::InitInflate() {
  End();
  impl_->z = z_stream{};
  const int r = inflateInit(&impl_->z);
  if (r == Z_OK) impl_->mode = TImpl::kInflate;
  return r;
}

int TZlibStream::InitDeflate(int level) {
  End();
  impl_->z = z_stream{};
  const int r = deflateInit(&impl_->z, level);
  if (r == Z_OK) impl_->mode = TImpl::kDeflate;
  return r;
}

void TZlibStream::SetInput(const std::uint8_t* data, std::uint32_t count) {
  impl_->z.next_in = const_cast<Bytef*>(data);
  impl_->z.avail_in = count;
}

std::uint32_t TZlibStream::AvailIn() const {
  return impl_->z.avail_in;
}

void TZlibStream::SetOutput(std::uint8_t* data, std::uint32_t count) {
  impl_->z.next_out = data;
  impl_->z.avail_out = count;
}

std::uint32_t TZlibStream::AvailOut() const {
  return impl_->z.avail_out;
}

int TZlibStream::Inflate() {
  if (impl_->mode != TImpl::kInflate) return Z_STREAM_ERROR;
  return inflate(&impl_->z, Z_NO_FLUSH);
}

int TZlibStream::Deflate(bool finish) {
  if (impl_->mode != TImpl::kDeflate) return Z_STREAM_ERROR;
  return deflate(&impl_->z, finish ? Z_FINISH : Z_NO_FLUSH);
}

std::string TZlibStream::Message() const {
  return impl_->z.msg != nullptr ? std::string(impl_->z.msg) : std::string();
}

void TZlibStream::End() {
  if (impl_->mode == TImpl::kInflate) inflateEnd(&impl_->z);
  if (impl_->mode == TImpl::kDeflate) deflateEnd(&impl_->z);
  impl_->mode = TImpl::kNone;
}
