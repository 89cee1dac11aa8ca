// Colour tables: growth, lookup, palettes, writing with padding and the
// usage-ordered re-sort that drops unused colours.
#include <algorithm>
#include <cstring>

#include "codecs/gif/GifInternal.h"
#include "platform/rtl/Streams.h"

using namespace gif;

void TGIFColorMap::Clear() {
  entries_.clear();
  capacity_ = 0;
  count_ = 0;
  sorted_ = false;
}

void TGIFColorMap::SetCapacity(int n) {
  if (n < capacity_) return;
  capacity_ = n <= 16 ? 16 : std::min(256, (n + 31) / 32 * 32);
  entries_.resize(std::size_t(capacity_));
}

void TGIFColorMap::LoadFromStream(TStream& stream, int n) {
  Clear();
  SetCapacity(n);
  ReadCheck(stream, entries_.data(), std::int64_t(n) * 3);
  count_ = n;
}

void TGIFColorMap::SaveToStream(TStream& stream) const {
  if (count_ == 0) return;
  std::vector<std::uint8_t> bytes(std::size_t(3) << BitsPerPixel(), 0);
  std::memcpy(bytes.data(), entries_.data(), std::size_t(count_) * 3);
  stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
}

namespace {
COLORREF GifColorOf(const TGIFColor& c) {
  return COLORREF(c.Red) | (COLORREF(c.Green) << 8) | (COLORREF(c.Blue) << 16);
}
} // namespace

int TGIFColorMap::IndexOf(COLORREF color) const {
  if (sorted_) {
    for (int i = 0; i < count_; ++i)
      if (GifColorOf(entries_[std::size_t(i)]) == (color & 0xFFFFFF)) return i;
  } else {
    for (int i = count_ - 1; i >= 0; --i)
      if (GifColorOf(entries_[std::size_t(i)]) == (color & 0xFFFFFF)) return i;
  }
  return -1;
}

int TGIFColorMap::Add(COLORREF color) {
  if (count_ >= 256) Fail(GifTexts::ColorTableOverflow);
  if (count_ >= capacity_) SetCapacity(count_ + 1);
  entries_[std::size_t(count_)] = TGIFColor{std::uint8_t(color), std::uint8_t(color >> 8),
                                            std::uint8_t(color >> 16)};
  ++count_;
  sorted_ = false;
  Changed();
  return count_ - 1;
}

int TGIFColorMap::AddUnique(COLORREF color) {
  const int i = IndexOf(color);
  return i >= 0 ? i : Add(color);
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= count_) Fail(GifTexts::InvalidColorIndex);
  entries_.erase(entries_.begin() + index);
  entries_.resize(std::size_t(capacity_));
  --count_;
  sorted_ = false;
  Changed();
}

COLORREF TGIFColorMap::Colors(int index) {
  if (index < 0 || index >= count_) {
    Warning(1, GifTexts::InvalidColorIndex);
    if (count_ == 0) Fail(GifTexts::ColorTableEmpty);
    index = 0;
  }
  return GifColorOf(entries_[std::size_t(index)]);
}

void TGIFColorMap::ImportPalette(HPALETTE palette) {
  Clear();
  PALETTEENTRY pe[256];
  const UINT n = palette != nullptr ? GetPaletteEntries(palette, 0, 256, pe) : 0;
  if (n == 0) return;
  SetCapacity(int(n));
  for (UINT i = 0; i < n; ++i) entries_[i] = TGIFColor{pe[i].peRed, pe[i].peGreen, pe[i].peBlue};
  count_ = int(n);
  Changed();
}

void TGIFColorMap::ImportColorTable(const RGBQUAD* table, int n) {
  Clear();
  if (n <= 0) return;
  n = std::min(n, 256);
  SetCapacity(n);
  for (int i = 0; i < n; ++i)
    entries_[std::size_t(i)] = TGIFColor{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
  count_ = n;
  Changed();
}

HPALETTE TGIFColorMap::ExportPalette() const {
  if (count_ == 0) return nullptr;
  LOGPALETTE lp;
  lp.palVersion = 0x300;
  lp.palNumEntries = WORD(count_);
  for (int i = 0; i < count_; ++i) {
    const TGIFColor& c = entries_[std::size_t(i)];
    lp.palPalEntry[i] = PALETTEENTRY{c.Red, c.Green, c.Blue, PC_NOCOLLAPSE};
  }
  return CreatePalette(&lp);
}

int TGIFColorMap::BitsPerPixel() const {
  if (count_ == 0) return 0;
  int b = 1;
  while ((1 << b) < count_) ++b;
  return b;
}

void TGIFColorMap::Assign(const TGIFColorMap& source) {
  if (&source == this) return;
  Clear();
  capacity_ = source.capacity_;
  count_ = source.count_;
  sorted_ = source.sorted_;
  entries_.assign(std::size_t(capacity_), TGIFColor{});
  std::copy_n(source.entries_.begin(), count_, entries_.begin());
  Changed();
}

bool TGIFColorMap::DoOptimize() {
  if (count_ <= 1) return false;
  sorted_ = true;
  struct Pair {
    std::uint32_t count, index;
  };
  std::array<std::uint32_t, 256> counts{};
  BuildHistogram(counts);
  std::vector<Pair> pairs; pairs.resize(std::size_t(count_));
  for (int i = 0; i < count_; ++i) pairs[std::size_t(i)] = Pair{counts[std::size_t(i)], std::uint32_t(i)};
  // descending use count; ties keep no defined order
  std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.count > b.count; });
  bool same = true;
  for (int k = 0; k < count_; ++k)
    if (pairs[std::size_t(k)].index != std::uint32_t(k)) same = false;
  if (same) return true;
  std::array<std::uint8_t, 256> map{};
  for (int i = 0; i < 256; ++i) map[std::size_t(i)] = std::uint8_t(i); // values >= count stay
  for (int k = 0; k < count_; ++k) map[pairs[std::size_t(k)].index] = std::uint8_t(k);
  MapImages(map);
  std::vector<TGIFColor> old = entries_;
  for (int i = 0; i < count_; ++i) entries_[map[std::size_t(i)]] = old[std::size_t(i)];
  int used = count_;
  for (int k = 0; k < count_; ++k)
    if (pairs[std::size_t(k)].count == 0) {
      used = k;
      break;
    }
  count_ = used;
  Changed();
  return true;
}

// ---- the global table ---------------------------------------------------------------

void TGIFGlobalColorMap::Warning(int severity, const std::string& message) {
  if (header_->Image() != nullptr) header_->Image()->RaiseNotice(this, severity, message);
}

void TGIFGlobalColorMap::BuildHistogram(std::array<std::uint32_t, 256>& counts) {
  TGifPicture* image = header_->Image();
  for (int f = 0; f < image->Frames().Count(); ++f) {
    TGIFSubImage* frame = image->Frame(f);
    if (&frame->ActiveColorMap() != this) continue;
    for (std::uint8_t v : frame->Data()) ++counts[v];
  }
}

void TGIFGlobalColorMap::MapImages(const std::array<std::uint8_t, 256>& map) {
  TGifPicture* image = header_->Image();
  // the screen's background colour moves with its entry
  std::uint8_t& background = header_->Descriptor().BackgroundColorIndex;
  background = map[background];
  for (int f = 0; f < image->Frames().Count(); ++f) {
    TGIFSubImage* frame = image->Frame(f);
    if (&frame->ActiveColorMap() != this) continue;
    for (std::uint8_t& v : frame->Data()) v = map[v];
    frame->FreeBitmap();
    if (frame->Transparent() && frame->ControlExt() != nullptr)
      frame->ControlExt()->SetTransparentColorIndex(map[frame->ControlExt()->TransparentColorIndex()]);
  }
}

bool TGIFGlobalColorMap::Optimize() {
  if (header_->Image() == nullptr || header_->Image()->Frames().Count() == 0) return false;
  return DoOptimize();
}

void TGIFGlobalColorMap::Changed() {
  if (header_->Image() != nullptr) header_->Image()->SetPalette(nullptr);
}

// ---- the local table ----------------------------------------------------------------

void TGIFLocalColorMap::Warning(int severity, const std::string& message) {
  frame_->Warning(severity, message);
}

void TGIFLocalColorMap::BuildHistogram(std::array<std::uint32_t, 256>& counts) {
  for (std::uint8_t v : frame_->Data()) ++counts[v];
}

void TGIFLocalColorMap::MapImages(const std::array<std::uint8_t, 256>& map) {
  for (std::uint8_t& v : frame_->Data()) v = map[v];
  frame_->FreeBitmap();
  if (frame_->Transparent() && frame_->ControlExt() != nullptr)
    frame_->ControlExt()->SetTransparentColorIndex(map[frame_->ControlExt()->TransparentColorIndex()]);
}

bool TGIFLocalColorMap::Optimize() { return DoOptimize(); }

void TGIFLocalColorMap::Changed() { frame_->SetPalette(nullptr); }

void TGIFColorMap::SwapRedBlue() {
  for (int i = 0; i < count_; ++i) std::swap(entries_[std::size_t(i)].Red, entries_[std::size_t(i)].Blue);
  Changed();
}
