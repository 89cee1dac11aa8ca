#include "platform/graphics/Dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace {

RGBQUAD Quad(COLORREF c) {
  RGBQUAD q;
  q.rgbRed = GetRValue(c);
  q.rgbGreen = GetGValue(c);
  q.rgbBlue = GetBValue(c);
  return q;
}

COLORREF QuadColor(const RGBQUAD& q) {
  return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

std::vector<RGBQUAD> SixteenColourPalette() {
  static const COLORREF colours[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                       0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                       0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  std::vector<RGBQUAD> p;
  for (COLORREF c : colours)
    p.push_back(Quad(c));
  return p;
}

// Blocks from this size on are aligned to and padded to whole huge pages.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kHugeBlock = 2 * kHugePage;

std::size_t HugeRounded(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

} // namespace

void* AllocatePixelMemory(std::size_t bytes) {
  if (bytes < kHugeBlock) return ::operator new(bytes);
  const std::size_t rounded = HugeRounded(bytes);
  void* p = std::aligned_alloc(kHugePage, rounded);
  if (p == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(p, rounded, MADV_HUGEPAGE); // a hint: without it, ordinary pages
#endif
  return p;
}

void FreePixelMemory(void* p, std::size_t bytes) noexcept {
  if (bytes < kHugeBlock)
    ::operator delete(p);
  else
    std::free(p);
}

std::vector<RGBQUAD> GreyRampPalette(int entries) {
  std::vector<RGBQUAD> p(entries);
  for (int i = 0; i < entries; ++i) {
    int v = entries > 1 ? i * 255 / (entries - 1) : 0;
    p[i] = Quad(RGB(v, v, v));
  }
  return p;
}

std::vector<RGBQUAD> BlackWhitePalette() {
  return {Quad(0), Quad(0xFFFFFF)};
}

TDibData::TDibData(int width, int height, int bitsPerPixel) {
  bpp_ = bitsPerPixel;
  if (bpp_ == 1)
    palette_ = BlackWhitePalette();
  else if (bpp_ == 4)
    palette_ = SixteenColourPalette();
  else if (bpp_ == 8)
    palette_ = GreyRampPalette(256);
  Resize(width, height);
}

std::int64_t TDibData::Stride() const {
  if (!Direct()) return std::int64_t(width_) * 4;
  return bottomUp_ ? -rowBytes_ : rowBytes_;
}

void TDibData::SetBottomUp(bool bottomUp) {
  if (bottomUp == bottomUp_) return;
  Flush();
  TDibBytes flipped(bits_.size());
  for (int y = 0; y < height_; ++y)
    std::memcpy(flipped.data() + std::size_t(height_ - 1 - y) * std::size_t(rowBytes_),
                bits_.data() + std::size_t(y) * std::size_t(rowBytes_), std::size_t(rowBytes_));
  bits_ = std::move(flipped);
  bottomUp_ = bottomUp;
}

std::uint8_t* TDibData::Bits() {
  if (width_ <= 0 || height_ <= 0) return nullptr;
  if (Direct()) return RowPtr(0);
  if (shadow_.empty()) MakeShadow();
  return shadow_.data();
}

void TDibData::Changed(const TRect&) {
  if (Direct()) return;
  shadowDirty_ = true;
  if (MapBackAfterDrawing) Flush();
}

void TDibData::MakeShadow() const {
  shadow_.assign(std::size_t(width_) * height_ * 4, 0);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* row = RowPtr(y);
    std::uint8_t* out = shadow_.data() + std::size_t(y) * width_ * 4;
    for (int x = 0; x < width_; ++x) {
      COLORREF c = StoredColor(row, x);
      out[4 * x] = GetBValue(c);
      out[4 * x + 1] = GetGValue(c);
      out[4 * x + 2] = GetRValue(c);
    }
  }
  shadowDirty_ = false;
}

void TDibData::Flush() const {
  if (shadow_.empty()) return;
  if (shadowDirty_) {
    for (int y = 0; y < height_; ++y) {
      std::uint8_t* row = RowPtr(y);
      const std::uint8_t* in = shadow_.data() + std::size_t(y) * width_ * 4;
      for (int x = 0; x < width_; ++x)
        StoreColor(row, x, RGB(in[4 * x + 2], in[4 * x + 1], in[4 * x]));
    }
  }
  shadow_.clear();
  shadow_.shrink_to_fit();
  shadowDirty_ = false;
}

std::uint8_t* TDibData::StoredRow(int y) {
  Flush();
  return RowPtr(y);
}

const std::uint8_t* TDibData::StoredRow(int y) const {
  Flush();
  return RowPtr(y);
}

TDibBytes& TDibData::StoredBits() {
  Flush();
  return bits_;
}

COLORREF TDibData::StoredColor(const std::uint8_t* row, int x) const {
  switch (bpp_) {
  case 32:
  case 24: {
    const std::uint8_t* p = row + x * (bpp_ / 8);
    return RGB(p[2], p[1], p[0]);
  }
  case 16: {
    unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
    int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
    return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
  }
  default: {
    int index;
    if (bpp_ == 8)
      index = row[x];
    else if (bpp_ == 4)
      index = (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    else
      index = (row[x / 8] >> (7 - (x & 7))) & 1;
    return index < int(palette_.size()) ? QuadColor(palette_[index]) : 0;
  }
  }
}

void TDibData::StoreColor(std::uint8_t* row, int x, COLORREF c) const {
  switch (bpp_) {
  case 32:
  case 24: {
    std::uint8_t* p = row + x * (bpp_ / 8);
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
    return;
  }
  case 16: {
    unsigned v = ((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) | (GetBValue(c) >> 3);
    row[2 * x] = std::uint8_t(v);
    row[2 * x + 1] = std::uint8_t(v >> 8);
    return;
  }
  default: {
    int index = NearestIndex(c);
    if (bpp_ == 8)
      row[x] = std::uint8_t(index);
    else if (bpp_ == 4) {
      std::uint8_t& b = row[x / 2];
      b = (x & 1) ? std::uint8_t((b & 0xF0) | index) : std::uint8_t((b & 0x0F) | (index << 4));
    } else {
      std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
      row[x / 8] = index ? (row[x / 8] | mask) : (row[x / 8] & ~mask);
    }
  }
  }
}

int TDibData::NearestIndex(COLORREF c) const {
  int best = 0;
  long bestDist = -1;
  for (int i = 0; i < int(palette_.size()); ++i) {
    long dr = long(palette_[i].rgbRed) - GetRValue(c);
    long dg = long(palette_[i].rgbGreen) - GetGValue(c);
    long db = long(palette_[i].rgbBlue) - GetBValue(c);
    long d = dr * dr + dg * dg + db * db;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

COLORREF TDibData::PixelColor(int x, int y) const {
  if (!shadow_.empty()) {
    const std::uint8_t* p = shadow_.data() + (std::size_t(y) * width_ + x) * 4;
    return RGB(p[2], p[1], p[0]);
  }
  return StoredColor(RowPtr(y), x);
}

void TDibData::SetPixelColor(int x, int y, COLORREF c) {
  StoreColor(StoredRow(y), x, c);
}

void TDibData::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  Flush();
  std::int64_t newRow = DibRowBytes(width, bpp_);
  TDibBytes bits(std::size_t(newRow * height), 0);
  int keepRows = std::min(height, height_);
  std::int64_t keepBytes = std::min(newRow, rowBytes_);
  if (width < width_ || width > width_)
    keepBytes = std::min(keepBytes, (std::int64_t(std::min(width, width_)) * bpp_ + 7) / 8);
  if (keepBytes > 0)
    for (int y = 0; y < keepRows; ++y)
      std::memcpy(bits.data() + (bottomUp_ ? height - 1 - y : y) * newRow, RowPtr(y),
                  std::size_t(keepBytes));
  bits_ = std::move(bits);
  width_ = width;
  height_ = height;
  rowBytes_ = newRow;
}

void TDibData::ResizeForOverwrite(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  Flush();
  rowBytes_ = DibRowBytes(width, bpp_);
  bits_ = TDibBytes(); // the old pixels go first: no two pictures at once
  bits_.resize(std::size_t(rowBytes_ * height));
  width_ = width;
  height_ = height;
}

void TDibData::SetBitsPerPixel(int bpp) {
  if (bpp == bpp_) return;
  Flush();
  TDibData old = *this;
  bpp_ = bpp;
  if (bpp == 1)
    palette_ = BlackWhitePalette();
  else if (bpp == 4 && palette_.size() != 16)
    palette_ = SixteenColourPalette();
  else if (bpp == 8 && (old.bpp_ > 8 || palette_.empty()))
    palette_ = GreyRampPalette(256);
  else if (bpp > 8)
    palette_.clear();
  if (bpp <= 8 && int(palette_.size()) > (1 << bpp)) palette_.resize(std::size_t(1) << bpp);
  rowBytes_ = DibRowBytes(width_, bpp_);
  bits_.assign(std::size_t(rowBytes_ * height_), 0);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* src = old.RowPtr(y);
    std::uint8_t* dst = RowPtr(y);
    for (int x = 0; x < width_; ++x)
      StoreColor(dst, x, old.StoredColor(src, x));
  }
}

void TDibData::SetPalette(const std::vector<RGBQUAD>& palette) {
  Flush();
  palette_ = palette;
}

bool TDibData::SameImage(const TDibData& other) const {
  if (width_ != other.width_ || height_ != other.height_) return false;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (PixelColor(x, y) != other.PixelColor(x, y)) return false;
  return true;
}
