// TGIS_LayerVector: the raw cursor, the shape filter, the filtered cursor
// and the spatial search.
#include <algorithm>
#include <cmath>

#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeDraw.h"
#include "gis/vector/GisSqlQuery.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Format.h"

namespace {

/// The search extent: the extent cut to the scope extent, widened by a
/// ten-billionth of its size (1e-10 for a point). `disjoint` tells that the
/// scope leaves nothing.
TGIS_Extent SearchExtent(const TGIS_Extent& extent, const TGIS_Extent& scope, bool& disjoint) {
  TGIS_Extent e = extent;
  disjoint = false;
  if (!GisIsEmptyExtent(scope)) {
    if (!GisIsExtentIntersecting(extent, scope)) {
      // The intersection of disjoint extents is no place at all (not the origin).
      disjoint = true;
      return GisEmptyExtent();
    }
    e = GisExtentIntersection(extent, scope);
  }
  double d = std::max(std::fabs(e.XMax - e.XMin), std::fabs(e.YMax - e.YMin)) / 1e10;
  if (d == 0) d = 1e-10;
  return {e.XMin - d, e.YMin - d, e.XMax + d, e.YMax + d};
}

std::string CombinedQuery(const std::string& scope, const std::string& query) {
  if (scope.empty()) return query;
  if (query.empty()) return scope;
  return Format("(%s) AND (%s)", {scope, query});
}

} // namespace

void TGIS_LayerVector::CursorFirst(const TGIS_Extent& extent, const std::string& query,
                                   bool skipDeleted, const std::string& pattern,
                                   TGIS_Shape* shape) {
  bool disjoint = false;
  cursorExtent_ = SearchExtent(extent, scopeExtent_, disjoint);
  scopeDisjoint_ = disjoint;
  cursorQueryText_ = CombinedQuery(scope_, query);
  if (cursorQueryText_.empty()) {
    query_.reset();
  } else {
    auto compiled = std::make_unique<TGIS_SqlQuery>();
    compiled->SetText(cursorQueryText_);
    query_ = std::move(compiled);
  }
  relationShape_ = shape;
  relationPattern_ = pattern;
  cursorSkipDeleted_ = skipDeleted;
  topology_ = GisCreateTopology();
  if (shape != nullptr) topology_->SetPreparedShape(shape);

  position_ = -1;
  current_ = nullptr;
  for (;;) {
    CursorNext();
    if (CursorEof() || current_->IsNewShape()) break;
  }
}

void TGIS_LayerVector::CursorNext() {
  ++position_;
  current_ = position_ >= 0 && position_ < ShapeCount() ? shapes_[position_].get() : nullptr;
}

TGIS_Shape* TGIS_LayerVector::NextNewShape() {
  while (!CursorEof() && (CursorShape() == nullptr || !CursorShape()->IsNewShape())) CursorNext();
  if (CursorEof()) return nullptr;
  TGIS_Shape* shape = CursorShape();
  CursorNext();
  return shape;
}

std::int32_t TGIS_LayerVector::ScanLastUid() const {
  auto* self = const_cast<TGIS_LayerVector*>(this);
  std::int32_t last = 0;
  self->MoveFirst(GisWholeWorldExtent(), "", false);
  while (!self->Eof()) {
    last = self->GetCurrentShape()->Uid();
    self->MoveNext();
  }
  return last;
}

bool TGIS_LayerVector::CursorEof() const {
  return shapes_.empty() || position_ >= ShapeCount();
}

TGIS_Shape* TGIS_LayerVector::CursorShape() const {
  if (current_ != nullptr) return current_;
  if (position_ >= 0 && position_ < ShapeCount()) return shapes_[position_].get();
  return nullptr;
}

bool TGIS_LayerVector::PassesExtent(TGIS_Shape* shape) {
  if (scopeDisjoint_) return false;
  if (viewer_ == nullptr) return true;
  if (shape->IsEmpty() || GisIsEmptyExtent(cursorExtent_)) return false;
  if (!GisIsExtentIntersecting(shape->GetPaintExtent(), cursorExtent_)) return false;
  if (!viewer_->IsPainting()) return true;
  const int smart = shape->ShapeType() == gisShapeTypePoint ? 0 : shape->GetSmartSize();
  if (smart == 0) return true;
  const TGIS_Extent e = shape->GetExtent();
  return ((e.XMax - e.XMin) + (e.YMax - e.YMin)) * viewer_->Zoom() > viewer_->TwipsToPixels(smart);
}

TGIS_Extent TGIS_LayerVector::PaintSearchExtent() {
  if (viewer_ == nullptr || (viewer_->IsPainting() && viewer_->FullPaint())) return cursorExtent_;
  // The widest of what lines and polygons, points and multipoints add.
  TGIS_ParamsSectionVector& section = GetParamsSection();
  TGIS_Point m = GisPaintMargins(section, *viewer_);
  for (const bool point : {true, false}) {
    const TGIS_Point marker = GisMarkerPaintMargins(section, *viewer_, point);
    m = {std::max(m.X, marker.X), std::max(m.Y, marker.Y)};
  }
  return {cursorExtent_.XMin - m.X, cursorExtent_.YMin - m.Y, cursorExtent_.XMax + m.X,
          cursorExtent_.YMax + m.Y};
}

bool TGIS_LayerVector::MatchesFilter(TGIS_Shape* shape) {
  if (shape == nullptr) return false;
  if (!PassesExtent(shape)) return false;
  if (query_ != nullptr && !query_->EvaluateBoolean(shape, false, *this)) return false;
  if (relationShape_ != nullptr && !topology_->Relate(relationShape_, shape, relationPattern_))
    return false;
  return true;
}

void TGIS_LayerVector::MoveFirst(const TGIS_Extent& extent, const std::string& query,
                                 bool skipDeleted, const std::string& pattern, TGIS_Shape* shape) {
  CursorFirst(extent, query, skipDeleted, pattern, shape);
  position_ = -1;
  current_ = nullptr;
  MoveNext();
}

void TGIS_LayerVector::MoveNext() {
  for (;;) {
    CursorNext();
    if (CursorEof()) return;
    if (cursorSkipDeleted_ && current_->IsDeleted()) continue;
    if (MatchesFilter(current_)) return;
  }
}

TGIS_Shape* TGIS_LayerVector::FindFirst(const TGIS_Extent& extent, const std::string& query,
                                        bool skipDeleted, const std::string& pattern,
                                        TGIS_Shape* shape) {
  CursorFirst(extent, query, skipDeleted, pattern, shape);
  findUsesRTree_ = !GisIsWholeWorld(extent) && !GisIsEmptyExtent(extent) && rtree_ != nullptr &&
                   GisExtentArea(extent_) / 16 > GisExtentArea(extent);
  findUids_.clear();
  findNext_ = 0;
  if (!findUsesRTree_) {
    MoveFirst(extent, query, skipDeleted, pattern, shape);
    return Eof() ? nullptr : GetCurrentShape();
  }
  // The tree holds bare extents while the filter tests paint extents, which
  // pens, outlines and labels widen: the tree is searched with the filter's
  // window widened by the layer style's margins, and shapes with a style of
  // their own (whose margins may be larger) are put to the filter as well.
  // The walk is taken whole first: deleting a shape changes the tree under it.
  if (!scopeDisjoint_ && !GisIsEmptyExtent(cursorExtent_)) {
    const TGIS_Extent search = ExtentFromViewer(PaintSearchExtent());
    for (std::int32_t uid = rtree_->FindFirst(search, -1); uid >= 0; uid = rtree_->FindNext())
      findUids_.push_back(uid);
  }
  if (ownStyles_) {
    std::vector<std::int32_t> found = findUids_;
    std::sort(found.begin(), found.end());
    for (const auto& s : shapes_)
      if (s->HasOwnParams() && !std::binary_search(found.begin(), found.end(), s->Uid()))
        findUids_.push_back(s->Uid());
  }
  return FindNext();
}

// Always inlined: a call of its own would be taken for one without effects
// (it only reads) and dropped.
[[gnu::always_inline]] inline void TGIS_LayerVector::PrefetchFoundShapes() const {
  // The hits come in the tree's order, the shapes lie in memory in UID
  // order: each hit is a few cache misses (its list slot, the shape, its
  // header block). They are asked for ahead in three steps, each step
  // reading what the one before brought in. Hints only: a hit that is not
  // an in-memory shape (a record of a file) is found by no probe.
  constexpr std::size_t kSlotAhead = 32, kShapeAhead = 16, kHeaderAhead = 6;
  const std::size_t n = findUids_.size();
  if (shapes_.empty()) return;
  const std::int64_t first = shapes_.front()->Uid();
  auto probe = [&](std::size_t k) -> const std::unique_ptr<TGIS_Shape>* {
    if (k >= n) return nullptr;
    const std::int64_t at = std::int64_t(findUids_[k]) - first;
    return at >= 0 && at < std::int64_t(shapes_.size()) ? &shapes_[std::size_t(at)] : nullptr;
  };
  if (const auto* slot = probe(findNext_ + kSlotAhead)) __builtin_prefetch(slot);
  if (const auto* slot = probe(findNext_ + kShapeAhead)) {
    // The fields the search and the filter read first (no load: addresses only).
    const TGIS_Shape* shape = slot->get();
    __builtin_prefetch(&shape->uid_);
    __builtin_prefetch(&shape->header_);
    __builtin_prefetch(&shape->isEmpty_);
  }
  if (const auto* slot = probe(findNext_ + kHeaderAhead))
    if ((*slot)->Uid() == findUids_[findNext_ + kHeaderAhead])
      __builtin_prefetch((*slot)->header_.Data);
}

TGIS_Shape* TGIS_LayerVector::FindNext() {
  if (!findUsesRTree_) {
    MoveNext();
    return Eof() ? nullptr : GetCurrentShape();
  }
  while (findNext_ < findUids_.size()) {
    PrefetchFoundShapes();
    TGIS_Shape* s = GetShape(findUids_[findNext_++]);
    if (s == nullptr) continue;
    if (cursorSkipDeleted_ && s->IsDeleted()) continue;
    if (MatchesFilter(s)) return s;
  }
  return nullptr;
}
