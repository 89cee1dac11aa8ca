// TGIS_LayerVector: the in-memory shape list, UIDs, creating, copying,
// reverting and deselecting shapes, the pending list of database layers.
#include <algorithm>

#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisViewer.h"

bool TGIS_LayerVector::FindUidIndex(std::int32_t uid, int& position) const {
  const int n = static_cast<int>(shapes_.size());
  int lo = 0, hi = n - 1;
  position = 0;
  if (n == 0) return false;
  // The UIDs are distinct and ascending: the shape at position i has a UID at
  // least i above the first one and at least n - 1 - i below the last one.
  // That narrows the search, and in a layer without gaps in its UIDs the
  // first probe is the shape itself.
  const std::int64_t first = shapes_.front()->Uid(), last = shapes_.back()->Uid();
  const std::int64_t key = uid;
  if (key < first) return false;
  if (key > last) {
    position = n;
    return false;
  }
  hi = static_cast<int>(std::min<std::int64_t>(hi, key - first));
  lo = static_cast<int>(std::max<std::int64_t>(0, n - 1 - (last - key)));
  position = lo;
  if (shapes_[hi]->Uid() == uid) {
    position = hi;
    return true;
  }
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const std::int32_t u = shapes_[mid]->Uid();
    if (u < uid) {
      lo = mid + 1;
      position = lo;
    } else if (u > uid) {
      hi = mid - 1;
      position = mid;
    } else {
      position = mid;
      return true;
    }
  }
  return false;
}

std::int32_t TGIS_LayerVector::GetLastUid() const {
  return shapes_.empty() ? 0 : shapes_.back()->Uid();
}

TGIS_Shape* TGIS_LayerVector::AppendShape(std::unique_ptr<TGIS_Shape> shape) {
  shape->SetLayer(this);
  shape->SetIsInMemory(true);
  shapes_.push_back(std::move(shape));
  return shapes_.back().get();
}

TGIS_Shape* TGIS_LayerVector::InsertEditedCopy(std::unique_ptr<TGIS_Shape> copy,
                                               const TGIS_Shape* source) {
  int position = 0;
  FindUidIndex(copy->Uid(), position);
  copy->SetLayer(this);
  TGIS_Shape* added = copy.get();
  shapes_.insert(shapes_.begin() + position, std::move(copy));
  if (position_ >= position) ++position_;
  if (current_ == source) current_ = added;
  return added;
}

void TGIS_LayerVector::RemoveShapeAt(int position) {
  TGIS_Shape* shape = shapes_[position].get();
  // Nothing may keep pointing at a freed shape.
  if (current_ == shape) current_ = nullptr;
  if (relationShape_ == shape) relationShape_ = nullptr;
  std::erase(pending_, shape);
  ReleaseEditedShape(shape);
  if (position_ > position) --position_;
  shapes_.erase(shapes_.begin() + position);
}

TGIS_Shape* TGIS_LayerVector::CreateShape(TGIS_ShapeType type) {
  if (type == gisShapeTypeUnknown) type = GetDefaultShapeType();
  if (type < gisShapeTypePoint || type > gisShapeTypePolygon) return nullptr;
  if (!(supportedShapes_ & GisShapeTypeBit(type))) return nullptr;
  auto shape = GisCreateShapeOfType(type, GetNewUid(), this);
  shape->SetIsNewShape(true);
  TGIS_Shape* added = AppendShape(std::move(shape));
  added->AddToIndex();
  added->MarkModified();
  return added;
}

TGIS_Shape* TGIS_LayerVector::AddShapeCopy(TGIS_Shape& shape, bool copyFields) {
  auto copy = shape.CreateCopy();
  copy->SetUid(GetNewUid());
  copy->SetIsNewShape(true);
  // Values are kept by field position: from another layer they would land in
  // the wrong fields (CopyFields maps them by name instead).
  if (shape.Layer() != this) copy->values_.reset();
  TGIS_Shape* added = AppendShape(std::move(copy));
  added->AddToIndex();
  added->MarkModified();
  const TGIS_Extent raw = shape.GetExtentRaw();
  if (!shape.IsEmpty() && !GisIsSameExtent(raw, extent_))
    SetExtent(GisIsEmptyExtent(extent_) ? raw : GisExtentUnion(extent_, raw));
  if (copyFields && shape.Layer() != nullptr) {
    ImportStructure(*shape.Layer());
    added->CopyFields(shape);
  }
  return added;
}

TGIS_Shape* TGIS_LayerVector::FindEditedShape(TGIS_Shape* shape) {
  if (shape == nullptr) return nullptr;
  int position = 0;
  return FindUidIndex(shape->Uid(), position) ? shapes_[position].get() : shape;
}

TGIS_Shape* TGIS_LayerVector::GetShape(std::int32_t uid) {
  int position = 0;
  if (!FindUidIndex(uid, position)) return nullptr;
  position_ = position;
  current_ = shapes_[position].get();
  return current_;
}

Variant TGIS_LayerVector::GetFieldByUid(std::int32_t uid, const std::string& name) {
  TGIS_Shape* s = current_ != nullptr && current_->Uid() == uid ? current_ : GetShape(uid);
  return s == nullptr ? Variant() : s->GetField(name);
}

Variant TGIS_LayerVector::GetFieldByUidEx(std::int32_t uid, const std::string& name) {
  TGIS_Shape* s = current_ != nullptr && current_->Uid() == uid ? current_ : GetShape(uid);
  return s == nullptr ? Variant() : s->GetFieldEx(name);
}

void TGIS_LayerVector::DeleteShape(std::int32_t uid) {
  TGIS_Shape* s = GetShape(uid);
  if (s == nullptr) return;
  TGIS_Shape* editable = s->MakeEditable();
  if (editable != nullptr) editable->Delete();
}

void TGIS_LayerVector::RevertShape(std::int32_t uid) {
  int position = 0;
  if (FindUidIndex(uid, position)) {
    TGIS_Shape* s = shapes_[position].get();
    s->deleted_ = true;
    s->UpdateIndex();
    RemoveShapeAt(position);
  }
  TGIS_Shape* stored = GetShape(uid);
  if (stored != nullptr) stored->AddToIndex();
}

void TGIS_LayerVector::RevertAll() {
  for (int i = static_cast<int>(shapes_.size()) - 1; i >= 0; --i) {
    if (i >= static_cast<int>(shapes_.size())) continue;
    RevertShape(shapes_[i]->Uid());
  }
  current_ = nullptr;
  pending_.clear();
  shapes_.clear();
}

void TGIS_LayerVector::ReleaseEditedShape(const TGIS_Shape* shape) {
  if (viewer_ == nullptr || viewer_->Editor() == nullptr) return;
  if (shape == nullptr) shape = EditedShape();
  viewer_->Editor()->ShapeFreed(shape);
}

void TGIS_LayerVector::ClearShapes() {
  ReleaseEditedShape(nullptr);
  current_ = nullptr;
  position_ = -1;
  relationShape_ = nullptr;
  pending_.clear();
  findUids_.clear();
  findNext_ = 0;
  findUsesRTree_ = false;
  shapes_.clear();
}

void TGIS_LayerVector::Deselect(std::int32_t uid) {
  TGIS_Shape* s = GetShape(uid);
  if (s == nullptr) return;
  s->SetIsSelected(false);
  s->Invalidate(true);
}

void TGIS_LayerVector::DeselectAll() {
  for (int i = static_cast<int>(shapes_.size()) - 1; i >= 0; --i) {
    TGIS_Shape* s = shapes_[i].get();
    if (!s->IsSelected()) continue;
    s->SetIsSelected(false);
    s->Invalidate(true);
  }
}

void TGIS_LayerVector::QueueMemoryShapes() {
  pending_.clear();
  for (const auto& s : shapes_)
    pending_.push_back(s.get());
}

void TGIS_LayerVector::UnqueueShape(TGIS_Shape* shape) {
  if (shape == nullptr) return;
  auto it = std::lower_bound(pending_.begin(), pending_.end(), shape->Uid(),
                             [](const TGIS_Shape* s, std::int32_t uid) { return s->Uid() < uid; });
  if (it != pending_.end() && (*it)->Uid() == shape->Uid()) pending_.erase(it);
}

TGIS_Shape* TGIS_LayerVector::PopQueuedShape() {
  if (pending_.empty()) return nullptr;
  TGIS_Shape* s = pending_.front();
  pending_.erase(pending_.begin());
  return s;
}
