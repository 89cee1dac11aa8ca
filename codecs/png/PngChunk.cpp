// TChunk (a chunk of any type, and the base of the known ones), the chunk
// lists and the chunk class registry.
#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/png/PngInternal.h"

using namespace png;

TChunk::TChunk(TPngPicture* owner) : owner_(owner), data_(1, 0) {}

TChunk::~TChunk() = default;

std::unique_ptr<TChunk> TChunk::NewOfClass(TPngPicture* owner) const {
  return std::make_unique<TChunk>(owner);
}

void TChunk::SetChunkType(const std::uint8_t* type) {
  std::copy(type, type + 4, type_.begin());
}

void TChunk::ResizeData(std::uint32_t n) {
  data_.resize(std::size_t(n) + 1, 0);
  dataSize_ = n;
}

void TChunk::CopyFrom(const TChunk& source) {
  type_ = source.type_;
  ResizeData(source.dataSize_);
  std::copy(source.data_.begin(), source.data_.end(), data_.begin());
}

TChunkIHDR& TChunk::Header() const {
  return owner_->HeaderChunk();
}

bool TChunk::ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) {
  // a length the stream cannot hold is refused before anything is allocated
  if (length > 0x7FFFFFFFu || std::int64_t(length) > BytesLeft(stream))
    TPngPicture::Fail<EPngUnexpectedEnd>(PngTexts::UnexpectedEnd);
  ResizeData(length);
  ReadExact(stream, data_.data(), length);
  const std::uint32_t stored = ReadU32(stream);
  if (stored != PngCrc(type, data_.data(), length))
    TPngPicture::Fail<EPngInvalidCRC>(PngTexts::InvalidCRC);
  return true;
}

void TChunk::WriteFramed(TStream& stream, const std::uint8_t* data, std::uint32_t count) {
  WriteU32(stream, count);
  stream.WriteBuffer(type_.data(), 4);
  if (count != 0) stream.WriteBuffer(data, count);
  WriteU32(stream, PngCrc(type_.data(), data, count));
}

bool TChunk::WriteTo(TStream& stream) {
  WriteFramed(stream, data_.data(), dataSize_);
  return true;
}

void* TPNGPointerList::Remove(void* item) {
  for (std::size_t i = items_.size(); i-- > 0;) {
    if (items_[i] == item) {
      items_.erase(items_.begin() + std::ptrdiff_t(i));
      return item;
    }
  }
  return nullptr;
}

namespace {

struct TRegistryRow {
  std::string typeName;
  TChunkFactory factory;
};

/// The known chunk classes, in the order the lookup tries them.
std::vector<TRegistryRow>& Registry() {
  static std::vector<TRegistryRow> rows = {
      {"IEND", MakeChunk<TChunkIEND>}, {"IHDR", MakeChunk<TChunkIHDR>},
      {"IDAT", MakeChunk<TChunkIDAT>}, {"PLTE", MakeChunk<TChunkPLTE>},
      {"gAMA", MakeChunk<TChunkgAMA>}, {"tRNS", MakeChunk<TChunktRNS>},
      {"tIME", MakeChunk<TChunktIME>}, {"tEXt", MakeChunk<TChunktEXt>},
      {"zTXt", MakeChunk<TChunkzTXt>}};
  return rows;
}

} // namespace

void RegisterChunk(const std::string& typeName, TChunkFactory factory) {
  Registry().push_back({typeName, std::move(factory)});
}

std::unique_ptr<TChunk> CreateChunk(TPngPicture* owner, const std::uint8_t* type) {
  const std::string name(reinterpret_cast<const char*>(type), 4);
  std::unique_ptr<TChunk> chunk;
  for (const TRegistryRow& row : Registry()) {
    if (row.typeName == name) {
      chunk = row.factory(owner);
      break;
    }
  }
  if (!chunk) chunk = std::make_unique<TChunk>(owner);
  chunk->SetChunkType(type);
  return chunk;
}
