// TGIS_Shape: copy-on-edit, deletion, the R-tree entry, relate, the geometry
// format hooks.
#include "gis/core/GisResource.h"
#include "gis/vector/GisGeometry.h"
#include "gis/vector/GisGeometryBuilder.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeSegments.h"
#include "gis/vector/GisTopology.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"

namespace {

TGIS_TopologyFactory& TopologyFactory() {
  static TGIS_TopologyFactory factory;
  return factory;
}

TGIS_GeometryParser& GeometryParser() {
  static TGIS_GeometryParser parser;
  return parser;
}

std::unique_ptr<TGIS_Shape> Parse(TGIS_GeometryFormat format, const std::string& text,
                                  std::span<const std::uint8_t> bytes, TGIS_LayerVector* layer) {
  if (!GeometryParser()) return GisParseGeometry(format, text, bytes, layer);
  return GeometryParser()(format, text, bytes, layer);
}

} // namespace

// ---- relate engine and parser hooks ------------------------------------------------------------

void TGIS_RelateEngine::SetPreparedShape(TGIS_Shape*) {}

bool TGIS_RelateEngine::Relate(TGIS_Shape*, TGIS_Shape*, const std::string&) {
  SK_ASSERT(false, GIS_RS_NOT_IMPLEMENTED, "GisLayerVector", __LINE__);
  return false;
}

std::unique_ptr<TGIS_Shape> TGIS_RelateEngine::FixShape(TGIS_Shape*, bool) {
  SK_ASSERT(false, GIS_RS_NOT_IMPLEMENTED, "GisLayerVector", __LINE__);
  return nullptr;
}

void GisSetTopologyFactory(TGIS_TopologyFactory factory) {
  TopologyFactory() = std::move(factory);
}

std::unique_ptr<TGIS_RelateEngine> GisCreateTopology() {
  if (TopologyFactory()) return TopologyFactory()();
  return std::make_unique<TGIS_Topology>();
}

void GisSetGeometryParser(TGIS_GeometryParser parser) {
  GeometryParser() = std::move(parser);
}

bool TGIS_Shape::Relate(TGIS_Shape* other, const std::string& pattern) {
  auto topology = GisCreateTopology();
  return topology->Relate(this, other, pattern);
}

// ---- copy-on-edit and deletion
// -------------------------------------------------------------------

TGIS_Shape* TGIS_Shape::MakeEditable() {
  if (layer_ == nullptr) return nullptr;
  if (inMemory_) return this;
  if (uid_ == 0) {
    auto copy = CreateCopy();
    copy->uid_ = layer_->GetNewUid();
    copy->newShape_ = true;
    copy->inMemory_ = true;
    TGIS_Shape* added = layer_->AppendShape(std::move(copy));
    added->AddToIndex();
    return added;
  }
  int position = 0;
  if (layer_->FindUidIndex(uid_, position)) {
    TGIS_Shape* found = layer_->ShapeAt(position);
    found->inMemory_ = true;
    return found;
  }
  auto copy = CreateCopy();
  copy->inMemory_ = true;
  copy->indexed_ = true;
  copy->indexedExtent_ = copy->GetExtentRaw();
  return layer_->InsertEditedCopy(std::move(copy), this);
}

void TGIS_Shape::Delete() {
  deleted_ = true;
  UpdateIndex();
  MarkModified();
}

void TGIS_Shape::CopyGeometry(TGIS_Shape& source) {
  Reset();
  const bool rings = shapeType_ == gisShapeTypePolygon;
  std::vector<TGIS_Point> ring;
  for (int part = 0; part < source.GetNumParts(); ++part) {
    AddPart();
    ring.clear();
    for (int i = 0; i < source.GetPartSize(part); ++i) {
      const TGIS_Point3D p = source.GetPoint3D(part, i);
      if (rings)
        ring.push_back({p.X, p.Y});
      else
        AddPoint3D(p);
    }
    // A ring keeps its vertices as the source holds them.
    if (rings) GisAppendRing(*this, ring);
  }
}

// ---- spatial index
// ------------------------------------------------------------------------------------

bool TGIS_Shape::HasIndexEntry() const {
  return layer_ != nullptr && layer_->RTree() != nullptr && (mapped_ || indexed_);
}

void TGIS_Shape::AddToIndex() {
  if (layer_ == nullptr || layer_->RTree() == nullptr) return;
  if (layer_->RTree()->IsReadOnly()) {
    layer_->SetIndexed(false);
    return;
  }
  TGIS_Extent e = GetExtentRaw();
  if (isEmpty_) e = {0, 0, 0, 0};
  layer_->RTree()->Insert(e, uid_);
  indexed_ = true;
  indexedExtent_ = e;
  MarkModified();
}

void TGIS_Shape::UpdateIndex() {
  if (!HasIndexEntry()) return;
  TGIS_RTree* tree = layer_->RTree();
  if (tree->IsReadOnly()) {
    layer_->SetIndexed(false);
    return;
  }
  if (tree->Delete(indexedExtent_, uid_)) MarkModified();
  if (deleted_) return;
  TGIS_Extent e = GetExtentRaw();
  if (isEmpty_) e = {0, 0, 0, 0};
  tree->Insert(e, uid_);
  indexedExtent_ = e;
}

// ---- text and byte geometry
// -----------------------------------------------------------------------------

std::unique_ptr<TGIS_Shape> TGIS_Shape::CreateFromWKT(const std::string& text) const {
  return Parse(TGIS_GeometryFormat::WKT, text, {}, layer_);
}
std::unique_ptr<TGIS_Shape> TGIS_Shape::CreateFromWKB(std::span<const std::uint8_t> bytes) const {
  return Parse(TGIS_GeometryFormat::WKB, "", bytes, layer_);
}
std::unique_ptr<TGIS_Shape> TGIS_Shape::CreateFromGDO(std::span<const std::uint8_t> bytes) const {
  return Parse(TGIS_GeometryFormat::GDO, "", bytes, layer_);
}

void TGIS_Shape::ImportFrom(TGIS_GeometryFormat format, const std::string& text,
                            std::span<const std::uint8_t> bytes) {
  std::unique_ptr<TGIS_Shape> parsed = Parse(format, text, bytes, layer_);
  if (parsed == nullptr) return;
  parsed->Lock(2);
  Lock(2);
  struct TUnlockBoth {
    TGIS_Shape *a, *b;
    ~TUnlockBoth() {
      try {
        a->Unlock();
      } catch (...) {
      }
      try {
        b->Unlock();
      } catch (...) {
      }
    }
  } guard{parsed.get(), this};
  Reset();
  const TGIS_Shape& read = *parsed;
  if (typeid(read) != typeid(*this)) return;
  for (int part = 0; part < parsed->GetNumParts(); ++part) {
    AddPart();
    // A ring keeps its vertices as read.
    GisAppendRing(*this, GisShapePartPoints(*parsed, part));
  }
}

void TGIS_Shape::ImportFromWKT(const std::string& text) {
  ImportFrom(TGIS_GeometryFormat::WKT, text, {});
}
void TGIS_Shape::ImportFromWKB(std::span<const std::uint8_t> bytes) {
  ImportFrom(TGIS_GeometryFormat::WKB, "", bytes);
}
void TGIS_Shape::ImportFromGDO(std::span<const std::uint8_t> bytes) {
  ImportFrom(TGIS_GeometryFormat::GDO, "", bytes);
}
