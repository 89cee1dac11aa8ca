// TGIS_LayerVector: discarding changes, importing structure and shapes,
// saving (compaction) and building the spatial index.
#include "gis/vector/GisLayerVector.h"

#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"

namespace {

/// Ends a busy phase of a layer on every path.
struct TBusyPhase {
  TGIS_Viewer* Viewer;
  void* Sender;
  TBusyPhase(TGIS_Viewer* viewer, void* sender) : Viewer(viewer), Sender(sender) {
    if (Viewer != nullptr) Viewer->BusyPrepare(Sender);
  }
  ~TBusyPhase() {
    if (Viewer == nullptr) return;
    try {
      Viewer->BusyRelease(Sender);
    } catch (...) {
    }
  }
};

} // namespace

void TGIS_LayerVector::DiscardChanges() {
  RevertAll();
  ClearShapes();
  for (int i = FieldCount() - 1; i >= 0; --i) {
    TGIS_FieldInfo& f = *fields_[i];
    if (!f.Stored) {
      fields_.erase(fields_.begin() + i);
      continue;
    }
    f.Deleted = false;
    f.NewName = f.Name;
    f.NewWidth = f.Width;
    f.NewDecimal = f.Decimal;
  }
  FreeNameCaches();
  modified_ = false;
}

void TGIS_LayerVector::ImportStructure(TGIS_LayerVector& layer) {
  for (int i = 0; i < layer.FieldCount(); ++i) {
    const TGIS_FieldInfo& f = *layer.GetFieldInfo(i);
    if (f.Deleted || f.Hidden) continue;
    if (FindFieldIndex(f.NewName) < 0) AddField(f.NewName, f.FieldType, f.NewWidth, f.NewDecimal);
  }
}

void TGIS_LayerVector::ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                                   TGIS_ShapeType shapeType, const std::string& query, bool clip) {
  if (layer == nullptr) return;
  // Discarding our changes first would wipe the source.
  SK_ASSERT(layer != this, "", "GisLayerVector", __LINE__);
  DiscardChanges();
  ImportStructure(*layer);
  ImportShapes(*layer, extent, shapeType, query, clip);
}

void TGIS_LayerVector::ImportShapes(TGIS_LayerVector& other, const TGIS_Extent& extent,
                                    TGIS_ShapeType shapeType, const std::string& query, bool clip) {
  lastImportAborted_ = false;
  const std::int32_t end = other.GetLastUid();
  TBusyPhase busy(other.Viewer(), &other);
  // The source's scope would cut the pass: both parts go for it and come back.
  struct TScope {
    TGIS_LayerVector& l;
    std::string scope;
    TGIS_Extent extent;
    ~TScope() {
      l.scope_ = scope;
      l.scopeExtent_ = extent;
    }
  } saved{other, other.scope_, other.scopeExtent_};
  other.scope_.clear();
  other.scopeExtent_ = GisEmptyExtent();

  other.MoveFirst(extent, query, true);
  for (int count = 0; !other.Eof(); ++count) {
    TGIS_Shape* shape = other.GetCurrentShape();
    std::unique_ptr<TGIS_Shape> clipped;
    if (clip) {
      clipped = shape->GetClipped(extent);
      if (clipped != nullptr) clipped->CopyFields(*shape);
    }
    TGIS_Shape* result = clip ? clipped.get() : shape;
    if (result != nullptr && !result->IsDeleted() &&
        (shapeType == gisShapeTypeUnknown || result->ShapeType() == shapeType))
      AddShapeCopy(*result, true);
    if (count % 100 == 1) {
      bool abort = false;
      other.BusyShake(shape->Uid(), end, abort);
      if (abort) {
        lastImportAborted_ = true;
        return;
      }
    }
    other.MoveNext();
  }
}

void TGIS_LayerVector::SaveData() {
  if (capabilities_ & GIS_CAPABILITY_OWN_FILE) return;
  // The whole world: the layer's extent may be stale and in other units.
  const TGIS_Extent all = GisWholeWorldExtent();
  auto copy = std::make_unique<TGIS_LayerVector>();
  copy->ImportLayer(this, all, gisShapeTypeUnknown, "", false);
  // An aborted first pass leaves the layer as it is.
  if (copy->lastImportAborted_) return;
  ImportLayer(copy.get(), all, gisShapeTypeUnknown, "", false);
}

void TGIS_LayerVector::SetIndexed(bool on) {
  if (viewer_ == nullptr) return;
  if (on == (rtree_ != nullptr)) return;
  indexed_ = false;
  if (!on) {
    rtree_.reset();
    return;
  }
  const bool wasModified = modified_;
  TBusyPhase busy(viewer_, this);
  bool abort = false;
  try {
    rtree_ = std::make_unique<TGIS_RTree>(GetIndexPath());
    indexed_ = true;
    if (OpenTime() > rtree_->TimeStamp()) rtree_->Clear();
    if (rtree_->IsEmpty())
      BuildFreshIndex(abort);
    else
      RefreshIndex(abort);
  } catch (const Exception&) {
    // A failed build leaves no half index behind.
    abort = true;
  }
  if (abort) {
    rtree_.reset();
    indexed_ = false;
  }
  modified_ = wasModified;
}

void TGIS_LayerVector::BuildFreshIndex(bool& abort) {
  const std::int32_t end = GetLastUid();
  MoveFirst(GisWholeWorldExtent(), "", true);
  for (int count = 1; !Eof(); ++count) {
    TGIS_Shape* shape = GetCurrentShape();
    shape->AddToIndex();
    if (count % 100 == 1) {
      BusyShake(shape->Uid(), end, abort);
      if (abort) return;
    }
    MoveNext();
  }
}

void TGIS_LayerVector::RefreshIndex(bool& abort) {
  const int end = ShapeCount() - 1;
  for (int i = 0; i < ShapeCount(); ++i) {
    shapes_[i]->UpdateIndex();
    if (i % 100 == 0) {
      BusyShake(i, end, abort);
      if (abort) return;
    }
  }
}
