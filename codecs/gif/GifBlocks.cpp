// The block objects of the stream: items, lists, the screen header, the
// frame list with its reading loop, and the trailer.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "codecs/gif/GifInternal.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Streams.h"

using namespace gif;

// ---- items and lists ----------------------------------------------------------------

void TGIFItem::Warning(int severity, const std::string& message) {
  if (image_ != nullptr) image_->RaiseNotice(this, severity, message);
}

void TGIFItem::SaveToFile(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TGIFItem::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGIFList::Warning(int severity, const std::string& message) {
  if (image_ != nullptr) image_->RaiseNotice(this, severity, message);
}

void TGIFList::SaveToStream(TStream& stream) {
  for (TGIFItem* item : items_) item->SaveToStream(stream);
}

int TGIFList::Add(TGIFItem* item) {
  items_.push_back(item);
  return int(items_.size()) - 1;
}

void TGIFList::Remove(TGIFItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it != items_.end()) items_.erase(it);
}

void TGIFList::Delete(int index) {
  TGIFItem* item = items_[std::size_t(index)];
  items_.erase(items_.begin() + index);
  delete item;
}

void TGIFList::Clear() {
  while (!items_.empty()) Delete(0);
}

// ---- the screen header --------------------------------------------------------------

TGIFHeader::TGIFHeader(TGifPicture* image) : TGIFItem(image) {}

void TGIFHeader::Clear() {
  colorMap_.Clear();
  descriptor_ = TLogicalScreenDescriptor{};
}

void TGIFHeader::Assign(const TGIFHeader& source) {
  if (&source == this) return;
  colorMap_.Assign(source.colorMap_);
  descriptor_ = source.descriptor_;
}

void TGIFHeader::AssignColors(TGIFColorMap& source) {
  Clear();
  colorMap_.Assign(source);
}

int TGIFHeader::Version() const {
  return colorMap_.Sorted() || descriptor_.AspectRatio != 0 ? 2 : 1;
}

COLORREF TGIFHeader::BackgroundColor() { return colorMap_.Colors(descriptor_.BackgroundColorIndex); }

void TGIFHeader::Prepare() {
  std::uint8_t packed = 0;
  if (colorMap_.Count() > 0) {
    packed |= 0x80;
    if (colorMap_.Sorted()) packed |= 0x08;
  }
  const int maxBits = image_ != nullptr ? image_->MaxBitsPerPixel() : colorMap_.BitsPerPixel();
  packed |= std::uint8_t(((maxBits - 1) & 7) << 4);
  const int bits = colorMap_.Count() > 0 ? colorMap_.BitsPerPixel() : maxBits;
  packed |= std::uint8_t((bits - 1) & 7);
  descriptor_.PackedFields = packed;
}

void TGIFHeader::LoadFromStream(TStream& stream) {
  const std::int64_t start = stream.Position();
  char sig[6];
  auto isGif = [&] {
    return std::toupper(static_cast<unsigned char>(sig[0])) == 'G' &&
           std::toupper(static_cast<unsigned char>(sig[1])) == 'I' &&
           std::toupper(static_cast<unsigned char>(sig[2])) == 'F';
  };
  ReadCheck(stream, sig, 6);
  if (!isGif()) {
    stream.SetPosition(start + 4);
    ReadCheck(stream, sig, 6);
    if (!isGif()) Fail(GifTexts::InvalidSignature);
  }
  std::uint8_t d[7];
  ReadCheck(stream, d, 7);
  descriptor_.ScreenWidth = std::uint16_t(d[0] | (d[1] << 8));
  descriptor_.ScreenHeight = std::uint16_t(d[2] | (d[3] << 8));
  descriptor_.PackedFields = d[4];
  descriptor_.BackgroundColorIndex = d[5];
  descriptor_.AspectRatio = d[6];
  if ((d[4] & 0x80) != 0)
    colorMap_.LoadFromStream(stream, 2 << (d[4] & 7));
  else
    colorMap_.Clear();
}

void TGIFHeader::SaveToStream(TStream& stream) {
  const int version = image_ != nullptr ? image_->RequiredVersion() : 0;
  if (version == 0) Fail(GifTexts::UnsupportedVersion);
  stream.WriteBuffer(version == 1 ? "GIF87a" : "GIF89a", 6);
  Prepare();
  const std::uint8_t d[7] = {std::uint8_t(descriptor_.ScreenWidth),
                             std::uint8_t(descriptor_.ScreenWidth >> 8),
                             std::uint8_t(descriptor_.ScreenHeight),
                             std::uint8_t(descriptor_.ScreenHeight >> 8),
                             descriptor_.PackedFields,
                             descriptor_.BackgroundColorIndex,
                             descriptor_.AspectRatio};
  stream.WriteBuffer(d, 7);
  if ((descriptor_.PackedFields & 0x80) != 0) colorMap_.SaveToStream(stream);
}

// ---- the frame list ---------------------------------------------------------------------

TGIFSubImage* TGIFFrameList::Frame(int index) const {
  return static_cast<TGIFSubImage*>(Item(index));
}

namespace {
// The next non-zero byte, or false at the end of the stream.
bool GifNextBlockByte(TStream& stream, std::uint8_t& b) {
  while (ReadByte(stream, b))
    if (b != 0) return true;
  return false;
}
} // namespace

void TGIFFrameList::LoadFromStream(TStream& stream, TGifPicture* parent) {
  std::uint8_t b = 0;
  if (!GifNextBlockByte(stream, b)) return;
  while (b != ';') {
    Skip(stream, -1);
    if (b != '!' && b != ',') {
      Warning(1, GifTexts::UnknownBlockType);
      return;
    }
    auto frame = std::make_unique<TGIFSubImage>(parent);
    frame->LoadFromStream(stream);
    Add(frame.release());
    if (parent != nullptr) {
      const std::int64_t size = stream.Size();
      parent->ReportProgress(psRunning,
                             size > 0 ? int(std::int64_t(stream.Position()) * 100 / size) : 0,
                             GIFRenderOnLoad, GifTexts::Loading);
    }
    if (!GifNextBlockByte(stream, b)) return;
  }
  Skip(stream, -1);
}

// ---- the trailer --------------------------------------------------------------------

void TGIFTrailer::SaveToStream(TStream& stream) { WriteByte(stream, ';'); }

void TGIFTrailer::LoadFromStream(TStream& stream) {
  std::uint8_t b = 0;
  if (ReadByte(stream, b) && b != ';') Warning(1, GifTexts::InvalidTrailer);
}
