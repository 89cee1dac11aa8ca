// TGIS_Shape: construction, geometry blocks and their growth, raw records,
// geometry blobs.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "gis/core/GisResource.h"
#include "gis/vector/GisGeometryStrips.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Exceptions.h"

namespace {

std::int32_t ReadInt(const std::uint8_t* p) {
  std::int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

[[noreturn]] void GeometryError() {
  throw EGIS_Exception(GIS_RS_ERR_GEOMETRY);
}

} // namespace

// ---- blocks ----------------------------------------------------------------------------

namespace {

std::uint64_t NextBlockStamp() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

} // namespace

void TGIS_ShapeBlock::Touch() {
  Stamp = NextBlockStamp();
}

void TGIS_ShapeBlock::Allocate(std::size_t capacity) {
  Touch();
  Owned = std::make_unique<std::uint8_t[]>(capacity); // value-initialised: zeroed
  Capacity = capacity;
  Data = Owned.get();
}

void TGIS_ShapeBlock::Grow(std::size_t capacity) {
  if (capacity <= Capacity && Owned != nullptr) return;
  Touch();
  auto bytes = std::make_unique<std::uint8_t[]>(capacity);
  if (Data != nullptr) std::memcpy(bytes.get(), Data, std::min(Capacity, capacity));
  Owned = std::move(bytes);
  Capacity = capacity;
  Data = Owned.get();
}

void TGIS_ShapeBlock::Forget() {
  Touch();
  Owned.reset();
  Capacity = 0;
  Data = nullptr;
}

// ---- construction ----------------------------------------------------------------------

TGIS_Shape::TGIS_Shape(TGIS_ShapeType type, const TGIS_Shape* source,
                       std::span<const std::uint8_t> raw, bool mapped, std::int32_t uid,
                       TGIS_LayerVector* layer)
    : shapeType_(type) {
  Recreate(source, raw, mapped, uid, layer);
  if (source == nullptr) shapeType_ = type;
}

TGIS_Shape::~TGIS_Shape() = default;

void TGIS_Shape::Recreate(const TGIS_Shape* source, std::span<const std::uint8_t> raw, bool mapped,
                          std::int32_t uid, TGIS_LayerVector* layer) {
  // Always detach from the previous geometry: owned blocks are freed, mapped
  // ones forgotten, so no pointer into a reader's buffer outlives this call.
  indexed_ = false;
  header_.Forget();
  points_.Forget();
  ownParams_.reset();
  values_.reset();
  if (source != nullptr) {
    mapped_ = source->mapped_;
    header_.Data = source->header_.Data;
    header_.Capacity = source->header_.Capacity;
    points_.Data = source->points_.Data;
    points_.Capacity = source->points_.Capacity;
    shapeType_ = source->shapeType_;
    deleted_ = source->deleted_;
    fixed_ = source->fixed_;
    hidden_ = source->hidden_;
    selected_ = source->selected_;
    Tag = source->Tag;
    uid_ = uid != 0 ? uid : source->uid_;
    layer_ = layer != nullptr ? layer : source->layer_;
  } else {
    mapped_ = mapped;
    uid_ = uid;
    layer_ = layer;
    deleted_ = fixed_ = hidden_ = selected_ = false;
    Tag = 0;
  }
  if (!raw.empty()) {
    ValidateRaw(shapeType_, raw);
    AttachGeometry(raw);
  }
  ComputeIsEmpty();
  if (!mapped_ && (header_.Data != nullptr || points_.Data != nullptr)) CopyGeometryBlocks();
  if (source != nullptr && source->ownParams_ != nullptr) {
    ownParams_ = std::make_unique<TGIS_ParamsSectionVector>();
    ownParams_->Assign(*source->ownParams_);
    NoteOwnStyle();
  }
  if (source != nullptr && source->values_ != nullptr) {
    values_ = std::make_unique<TGIS_VariantList>();
    for (int i = 0; i < source->values_->Count(); ++i)
      values_->Add(source->values_->Get(i));
  }
}

void TGIS_Shape::ValidateRaw(TGIS_ShapeType type, std::span<const std::uint8_t> raw) {
  const auto length = static_cast<std::int64_t>(raw.size());
  switch (type) {
  case gisShapeTypePoint:
    if (length < 16) GeometryError();
    return;
  case gisShapeTypeMultiPoint: {
    if (length < 36) GeometryError();
    const std::int64_t n = ReadInt(raw.data() + 32);
    if (n < 0 || 36 + 16 * n > length) GeometryError();
    return;
  }
  case gisShapeTypeArc:
  case gisShapeTypePolygon: {
    if (length < 40) GeometryError();
    const std::int64_t parts = ReadInt(raw.data() + 32), n = ReadInt(raw.data() + 36);
    if (parts < 0 || n < 0 || 40 + 4 * parts + 16 * n > length) GeometryError();
    if (parts == 0 && n > 0) GeometryError();
    std::int64_t previous = 0;
    for (std::int64_t p = 0; p < parts; ++p) {
      const std::int64_t start = ReadInt(raw.data() + 40 + 4 * p);
      if ((p == 0 && start != 0) || start < previous || start > n) GeometryError();
      previous = start;
    }
    return;
  }
  default:
    SK_ASSERT(false, GIS_RS_ERR_UNTESTED, "GisLayerVector", __LINE__);
  }
}

void TGIS_Shape::AttachGeometry(std::span<const std::uint8_t> raw) {
  const std::uint8_t* p = raw.data();
  switch (shapeType_) {
  case gisShapeTypePoint:
    points_.Data = p;
    points_.Capacity = raw.size();
    break;
  case gisShapeTypeMultiPoint:
    header_.Data = p;
    header_.Capacity = 36;
    points_.Data = p + 36;
    points_.Capacity = raw.size() - 36;
    break;
  default: {
    const std::size_t h = 40 + 4 * static_cast<std::size_t>(ReadInt(p + 32));
    header_.Data = p;
    header_.Capacity = h;
    points_.Data = p + h;
    points_.Capacity = raw.size() - h;
  }
  }
}

void TGIS_Shape::ComputeIsEmpty() {
  isEmpty_ = points_.Data == nullptr || GetNumPoints() == 0 ||
             (shapeType_ != gisShapeTypePoint && GetNumParts() == 0);
}

// ---- sizes and raw access -----------------------------------------------------------------

int TGIS_Shape::GetHeaderSize() const {
  if (header_.Data == nullptr) return 0;
  switch (shapeType_) {
  case gisShapeTypePoint:
    return 0;
  case gisShapeTypeMultiPoint:
    return 36;
  case gisShapeTypeArc:
  case gisShapeTypePolygon:
    return 40 + 4 * HeaderInt(32);
  default:
    SK_ASSERT(false, GIS_RS_ERR_UNTESTED, "GisLayerVector", __LINE__);
    return 0;
  }
}

int TGIS_Shape::GetPointsSize() const {
  return 16 * GetNumPoints();
}

std::int32_t TGIS_Shape::HeaderInt(int offset) const {
  SK_ASSERT(header_.Data != nullptr && offset + 4 <= static_cast<int>(header_.Capacity), "",
            "GisLayerVector", __LINE__);
  return ReadInt(header_.Data + offset);
}

void TGIS_Shape::SetHeaderInt(int offset, std::int32_t value) {
  SK_ASSERT(header_.Owned != nullptr && offset + 4 <= static_cast<int>(header_.Capacity), "",
            "GisLayerVector", __LINE__);
  header_.Touch();
  std::memcpy(header_.Owned.get() + offset, &value, 4);
}

double TGIS_Shape::HeaderDouble(int offset) const {
  SK_ASSERT(header_.Data != nullptr && offset + 8 <= static_cast<int>(header_.Capacity), "",
            "GisLayerVector", __LINE__);
  double v;
  std::memcpy(&v, header_.Data + offset, 8);
  return v;
}

void TGIS_Shape::SetBox(const TGIS_Extent& box) {
  SK_ASSERT(header_.Owned != nullptr && header_.Capacity >= 32, "", "GisLayerVector", __LINE__);
  const double v[4] = {box.XMin, box.YMin, box.XMax, box.YMax};
  header_.Touch();
  std::memcpy(header_.Owned.get(), v, 32);
}

TGIS_Point TGIS_Shape::RawPoint(int index) const {
  SK_ASSERT(points_.Data != nullptr && index >= 0 &&
                static_cast<std::size_t>(index + 1) * 16 <= points_.Capacity &&
                index < std::max(GetNumPoints(), 1),
            "", "GisLayerVector", __LINE__);
  TGIS_Point p;
  std::memcpy(&p.X, points_.Data + 16 * index, 8);
  std::memcpy(&p.Y, points_.Data + 16 * index + 8, 8);
  return p;
}

void TGIS_Shape::WriteRawPoint(int index, const TGIS_Point& p) {
  SK_ASSERT(points_.Owned != nullptr && index >= 0 &&
                static_cast<std::size_t>(index + 1) * 16 <= points_.Capacity,
            "", "GisLayerVector", __LINE__);
  points_.Touch();
  std::memcpy(points_.Owned.get() + 16 * index, &p.X, 8);
  std::memcpy(points_.Owned.get() + 16 * index + 8, &p.Y, 8);
}

void TGIS_Shape::SetNumPoints(int n) {
  SetHeaderInt(shapeType_ == gisShapeTypeMultiPoint ? 32 : 36, n);
}

// ---- growth ------------------------------------------------------------------------------------

void TGIS_Shape::CopyGeometryBlocks() {
  const std::size_t h = static_cast<std::size_t>(GetHeaderSize());
  const std::size_t s = static_cast<std::size_t>(GetPointsSize());
  const std::uint8_t* oldHeader = header_.Data;
  const std::uint8_t* oldPoints = points_.Data;
  // Keep the old bytes alive until they are copied (they may be our own).
  TGIS_ShapeBlock keepHeader = std::move(header_), keepPoints = std::move(points_);
  header_ = {};
  points_ = {};
  if (oldHeader != nullptr) {
    std::size_t c = (h / 64 + 1) * 64;
    if (c - h <= 4) c += 64;
    header_.Allocate(c);
    std::memcpy(header_.Owned.get(), oldHeader, h);
  }
  if (oldPoints != nullptr && s != 0) {
    std::size_t c = (s / 256 + 1) * 256;
    if (c - s <= 16) c += 256;
    points_.Allocate(c);
    std::memcpy(points_.Owned.get(), oldPoints, s);
  } else if (oldPoints != nullptr && shapeType_ == gisShapeTypePoint) {
    points_.Allocate(16);
  }
}

void TGIS_Shape::GrowGeometry() {
  if (header_.Data == nullptr) {
    header_.Allocate(64);
  } else {
    const std::size_t h = static_cast<std::size_t>(GetHeaderSize());
    std::size_t c = (h / 64 + 1) * 64;
    if (c - h <= 4) c += 64;
    header_.Grow(c);
  }
  if (points_.Data == nullptr) {
    points_.Allocate(256);
  } else {
    const std::size_t s = static_cast<std::size_t>(GetPointsSize());
    std::size_t c = (s / 256 + 1) * 256;
    if (c - s <= 16) c += 256;
    points_.Grow(c);
  }
}

void TGIS_Shape::UnmapGeometry() {
  if (mapped_ && !isEmpty_) CopyGeometryBlocks();
  if (mapped_) {
    // An empty mapped shape keeps no pointer into the reader's buffer either.
    if (header_.Owned == nullptr) header_.Forget();
    if (points_.Owned == nullptr) points_.Forget();
  }
  mapped_ = false;
}

// ---- blobs ------------------------------------------------------------------------------------

void TGIS_Shape::SetGeometryBlob(std::span<const std::uint8_t> bytes) {
  Recreate(nullptr, bytes, false, uid_, layer_);
}

std::vector<std::uint8_t> TGIS_Shape::GetGeometryBlob() const {
  if (isEmpty_) return {};
  const int h = GetHeaderSize(), s = GetPointsSize();
  std::vector<std::uint8_t> blob(static_cast<std::size_t>(h + s + 1), 0);
  if (h > 0) std::memcpy(blob.data(), header_.Data, static_cast<std::size_t>(h));
  std::memcpy(blob.data() + h, points_.Data, static_cast<std::size_t>(s));
  return blob;
}

void TGIS_Shape::Reset() {
  fixed_ = false;
  MarkModified();
  header_.Forget();
  points_.Forget();
  mapped_ = false;
  isEmpty_ = true;
}

TGIS_Viewer* TGIS_Shape::GetViewer() const {
  return layer_ == nullptr ? nullptr : layer_->Viewer();
}

void TGIS_Shape::MarkModified() {
  modified_ = true;
  geometryChanged_ = true;
  if (layer_ != nullptr && lockLevel_ < 3) layer_->SetModified(true);
}

std::unique_ptr<TGIS_Shape> GisCreateShapeOfType(TGIS_ShapeType type, std::int32_t uid,
                                                 TGIS_LayerVector* layer) {
  switch (type) {
  case gisShapeTypePoint:
    return std::make_unique<TGIS_ShapePoint>(nullptr, std::span<const std::uint8_t>{}, false, uid,
                                             layer);
  case gisShapeTypeMultiPoint:
    return std::make_unique<TGIS_ShapeMultiPoint>(nullptr, std::span<const std::uint8_t>{}, false,
                                                  uid, layer);
  case gisShapeTypeArc:
    return std::make_unique<TGIS_ShapeArc>(nullptr, std::span<const std::uint8_t>{}, false, uid,
                                           layer);
  case gisShapeTypePolygon:
    return std::make_unique<TGIS_ShapePolygon>(nullptr, std::span<const std::uint8_t>{}, false, uid,
                                               layer);
  default:
    return nullptr;
  }
}
