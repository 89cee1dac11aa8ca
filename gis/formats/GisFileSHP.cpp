// TGIS_FileSHPInternal, TGIS_FileSHP, TGIS_FileSHX: headers, records, index
// entries and the checks that keep reading inside what the file holds.
#include "gis/formats/GisFileSHP.h"

#include <algorithm>
#include <cstring>

#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"

namespace {

constexpr std::int64_t HeaderSize = 100;
constexpr std::int64_t MaxContent = 33554432; // 32 MiB
constexpr std::size_t FlushSize = 1 << 18;

std::uint32_t LoadBE(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}
std::int32_t LoadLE(const std::uint8_t* p) {
  return std::int32_t(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                      (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24));
}
double LoadDouble(const std::uint8_t* p) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i)
    bits = (bits << 8) | p[i];
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}
void StoreBE(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 24);
  p[1] = std::uint8_t(v >> 16);
  p[2] = std::uint8_t(v >> 8);
  p[3] = std::uint8_t(v);
}
void StoreLE(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}
void StoreDouble(std::uint8_t* p, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, 8);
  for (int i = 0; i < 8; ++i)
    p[i] = std::uint8_t(bits >> (8 * i));
}

} // namespace

// ---- TGIS_FileSHPInternal -----------------------------------------------------------------

TGIS_FileSHPInternal::TGIS_FileSHPInternal(const std::string& path, TGIS_ReadWriteEvent afterRead,
                                           TGIS_ReadWriteEvent beforeWrite, bool create)
    : TGIS_BufferedFileStream(path, create, std::move(afterRead), std::move(beforeWrite)),
      path_(path) {}

TGIS_FileSHPInternal::~TGIS_FileSHPInternal() = default;

void TGIS_FileSHPInternal::BadFormat() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  capacity_ = 0;
  throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_, 0);
}

void TGIS_FileSHPInternal::ReadExact(void* buffer, std::int64_t count) {
  if (Read(buffer, count) != count) BadFormat();
}

std::int32_t TGIS_FileSHPInternal::ReadIntBE() {
  std::uint8_t b[4] = {};
  Read(b, 4);
  return std::int32_t(LoadBE(b));
}

std::int32_t TGIS_FileSHPInternal::ReadIntLE() {
  std::uint8_t b[4] = {};
  Read(b, 4);
  return LoadLE(b);
}

TGIS_Extent TGIS_FileSHPInternal::ReadExtent() {
  std::uint8_t b[32] = {};
  Read(b, 32);
  return {LoadDouble(b), LoadDouble(b + 8), LoadDouble(b + 16), LoadDouble(b + 24)};
}

void TGIS_FileSHPInternal::Append(const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  pending_.insert(pending_.end(), p, p + count);
  if (pending_.size() >= FlushSize) Flush();
}

void TGIS_FileSHPInternal::Flush() {
  if (pending_.empty()) return;
  Seek(writeBase_, 0);
  Write(pending_.data(), std::int64_t(pending_.size()));
  writeBase_ += std::int64_t(pending_.size());
  pending_.clear();
}

void TGIS_FileSHPInternal::WriteIntBE(std::int32_t v) {
  std::uint8_t b[4];
  StoreBE(b, std::uint32_t(v));
  Append(b, 4);
}

void TGIS_FileSHPInternal::WriteIntLE(std::int32_t v) {
  std::uint8_t b[4];
  StoreLE(b, std::uint32_t(v));
  Append(b, 4);
}

void TGIS_FileSHPInternal::WriteDouble(double v) {
  std::uint8_t b[8];
  StoreDouble(b, v);
  Append(b, 8);
}

void TGIS_FileSHPInternal::WriteExtent(const TGIS_Extent& e) {
  WriteDouble(e.XMin);
  WriteDouble(e.YMin);
  WriteDouble(e.XMax);
  WriteDouble(e.YMax);
}

void TGIS_FileSHPInternal::ReadHeader() {
  Seek(0, 0);
  std::uint8_t h[HeaderSize] = {};
  Read(h, HeaderSize);
  fileCode_ = std::int32_t(LoadBE(h));
  for (int i = 0; i < 5; ++i)
    unused_[i] = std::int32_t(LoadBE(h + 4 + 4 * i));
  fileLength_ = std::int64_t(LoadBE(h + 24)) * 2;
  version_ = LoadLE(h + 28);
  typeCode_ = LoadLE(h + 32);
  boundingBox_ = {LoadDouble(h + 36), LoadDouble(h + 44), LoadDouble(h + 52), LoadDouble(h + 60)};
  for (int i = 0; i < 8; ++i)
    zmRange_[i] = LoadBE(h + 68 + 4 * i);
  Seek(HeaderSize, 0);
}

void TGIS_FileSHPInternal::WriteHeader() {
  Flush();
  const std::int64_t size = std::max(Size(), HeaderSize);
  std::uint8_t h[HeaderSize] = {};
  StoreBE(h, 9994);
  for (int i = 0; i < 5; ++i)
    StoreBE(h + 4 + 4 * i, std::uint32_t(unused_[i]));
  StoreBE(h + 24, std::uint32_t(size / 2));
  StoreLE(h + 28, 1000);
  StoreLE(h + 32, std::uint32_t(typeCode_));
  StoreDouble(h + 36, boundingBox_.XMin);
  StoreDouble(h + 44, boundingBox_.YMin);
  StoreDouble(h + 52, boundingBox_.XMax);
  StoreDouble(h + 60, boundingBox_.YMax);
  for (int i = 0; i < 8; ++i)
    StoreBE(h + 68 + 4 * i, zmRange_[i]);
  Seek(0, 0);
  Write(h, HeaderSize);
  writeBase_ = std::max<std::int64_t>(writeBase_, HeaderSize);
  Seek(writeBase_, 0);
}

std::int32_t TGIS_FileSHPInternal::ShapeTypeToCode(TGIS_ShapeType kind) {
  switch (kind) {
  case gisShapeTypeMultiPoint:
    return 8;
  case gisShapeTypeArc:
    return 3;
  case gisShapeTypePolygon:
    return 5;
  default:
    return 1;
  }
}

TGIS_ShapeType TGIS_FileSHPInternal::CodeToShapeType(std::int32_t code) {
  switch (code) {
  case 1:
  case 11:
  case 21:
    return gisShapeTypePoint;
  case 8:
  case 18:
  case 28:
    return gisShapeTypeMultiPoint;
  case 3:
  case 13:
  case 23:
    return gisShapeTypeArc;
  case 5:
  case 15:
  case 25:
    return gisShapeTypePolygon;
  default:
    return gisShapeTypeUnknown;
  }
}

void TGIS_FileSHPInternal::WriteRecordHeader(const TGIS_SHPRecordHeader& header) {
  std::uint8_t b[12];
  StoreBE(b, std::uint32_t(header.RecordNumber));
  StoreBE(b + 4, std::uint32_t(header.ContentLength));
  // A record without geometry is a null record (code 0).
  const bool null = header.ShapeKind == gisShapeTypeUnknown && header.ContentLength == 2;
  StoreLE(b + 8, std::uint32_t(null ? 0 : ShapeTypeToCode(header.ShapeKind)));
  Append(b, 12);
}

void TGIS_FileSHPInternal::WriteShape(const TGIS_Shape& shape) {
  const int headerSize = shape.GetHeaderSize(), pointsSize = shape.GetPointsSize();
  if (headerSize > 0) Append(shape.HeaderBlock().Data, std::size_t(headerSize));
  if (pointsSize > 0) Append(shape.PointsBlock().Data, std::size_t(pointsSize));
}

// ---- TGIS_FileSHP -------------------------------------------------------------------------

const TGIS_SHPRecordHeader& TGIS_FileSHP::ReadRecordHeader() {
  recordStart_ = GetPosition();
  std::uint8_t b[12];
  ReadExact(b, 12);
  record_.RecordNumber = std::int32_t(LoadBE(b));
  record_.ContentLength = std::int32_t(LoadBE(b + 4));
  const std::int64_t content = std::int64_t(record_.ContentLength) * 2;
  if (content - 4 < 0 || content - 4 >= MaxContent) BadFormat();
  if (recordStart_ + 8 + content > Size()) BadFormat();
  record_.ShapeKind = CodeToShapeType(LoadLE(b + 8));
  return record_;
}

std::span<const std::uint8_t> TGIS_FileSHP::ReadRecordContent() {
  const std::int64_t n = std::int64_t(record_.ContentLength) * 2 - 4;
  if (n > capacity_) {
    capacity_ = std::int32_t(((n / 65536) + 1) * 65536);
    buffer_.resize(std::size_t(capacity_));
  }
  ReadExact(buffer_.data(), n);
  const std::uint8_t* p = buffer_.data();
  // The counts must fit the content (the type word is not in the buffer).
  switch (record_.ShapeKind) {
  case gisShapeTypePoint:
    if (n < 16) BadFormat();
    break;
  case gisShapeTypeMultiPoint: {
    if (n < 36) BadFormat();
    const std::int64_t points = LoadLE(p + 32);
    if (points < 0 || 36 + 16 * points > n) BadFormat();
    break;
  }
  case gisShapeTypeArc:
  case gisShapeTypePolygon: {
    if (n < 40) BadFormat();
    const std::int64_t parts = LoadLE(p + 32), points = LoadLE(p + 36);
    if (parts < 0 || points < 0 || 40 + 4 * parts + 16 * points > n) BadFormat();
    if (parts == 0 && points > 0) BadFormat();
    std::int64_t previous = 0;
    for (std::int64_t i = 0; i < parts; ++i) {
      const std::int64_t start = LoadLE(p + 40 + 4 * i);
      if ((i == 0 && start != 0) || start < previous || start >= points) BadFormat();
      previous = start;
    }
    break;
  }
  default:
    break;
  }
  return {p, std::size_t(n)};
}

// ---- TGIS_FileSHX -------------------------------------------------------------------------

void TGIS_FileSHX::ReadHeader() {
  TGIS_FileSHPInternal::ReadHeader();
  headerEnd_ = std::int32_t(GetPosition());
  const std::int64_t count = (Size() - HeaderSize) / 8;
  recordCount_ = count < 0 ? 0 : count > 0x7FFFFFFF ? 0x7FFFFFFF : std::int32_t(count);
}

TGIS_SHXIndexEntry TGIS_FileSHX::ReadEntry(std::int32_t n) {
  SK_ASSERT(n >= 1, "TGIS_FileSHX.ReadEntry", "GisFileSHP", __LINE__);
  Seek(HeaderSize + 8 * std::int64_t(n - 1), 0);
  std::uint8_t b[8];
  ReadExact(b, 8);
  TGIS_SHXIndexEntry e;
  e.Offset = std::int64_t(LoadBE(b)) * 2;
  e.ContentLength = std::int32_t(LoadBE(b + 4));
  return e;
}

void TGIS_FileSHX::WriteEntry(std::int64_t offset, const TGIS_SHPRecordHeader& header) {
  std::uint8_t b[8];
  StoreBE(b, std::uint32_t(offset / 2));
  StoreBE(b + 4, std::uint32_t(header.ContentLength));
  Append(b, 8);
}
