// TGIS_Editor: vertex editing of one shape part.
#include "gis/viewer/GisEditor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

static_assert(std::endian::native == std::endian::little, "records are written little-endian");

namespace {

/// Far beyond any map distance: the start of the insertion search.
constexpr double kFar = 1e305;

/// Restores the drawing context's font name, height and style.
class TFontGuard {
public:
  explicit TFontGuard(TGIS_Font& font)
      : font_(font), name_(font.Name()), height_(font.Height()), style_(font.Style()) {}
  ~TFontGuard() {
    font_.SetName(name_);
    font_.SetHeight(height_);
    font_.SetStyle(style_);
  }
  TFontGuard(const TFontGuard&) = delete;
  TFontGuard& operator=(const TFontGuard&) = delete;

private:
  TGIS_Font& font_;
  std::string name_;
  int height_, style_;
};

TGIS_Extent Union(const TGIS_Extent& a, const TGIS_Extent& b) {
  return {std::min(a.XMin, b.XMin), std::min(a.YMin, b.YMin), std::max(a.XMax, b.XMax),
          std::max(a.YMax, b.YMax)};
}

} // namespace

void TGIS_Editor::Assign(const TGIS_Editor& source) {
  minMove_ = source.minMove_;
  snapMargin_ = source.snapMargin_;
  showTracking_ = source.showTracking_;
  showFast_ = source.showFast_;
}

TGIS_LayerAbstract* TGIS_Editor::GetLayer() const {
  return editing_ && shape_ != nullptr ? shape_->EditLayer() : nullptr;
}

void TGIS_Editor::Reset() {
  vertices_.clear();
  current_ = 0;
  hit_ = false;
  mouseDown_ = false;
  undo_.clear();
  redo_.clear();
}

double TGIS_Editor::PixelsToMap(int twipsOrPixels) const {
  return viewer_->TwipsToPixels(twipsOrPixels) / viewer_->Zoom();
}

// ------------------------------------------------------------------ the edit

void TGIS_Editor::StartEdit(TGIS_EditableShape* shape, int part) {
  if (editing_) EndEdit();
  Reset();
  shape_ = shape != nullptr ? shape->GetEditable() : nullptr;
  part_ = part;
  editing_ = shape_ != nullptr;
  if (!editing_) return;
  if (TGIS_LayerAbstract* layer = shape_->EditLayer()) transparency_ = layer->Transparency();
  ReadPart();
}

void TGIS_Editor::ReadPart() {
  vertices_.clear();
  if (shape_ == nullptr || part_ < 0 || part_ >= shape_->GetNumParts()) return;
  const int n = shape_->GetPartSize(part_);
  for (int i = 0; i < n; ++i) {
    const TGIS_Point p = shape_->GetPoint(part_, i);
    if (!vertices_.empty() && GisIsSamePoint(vertices_.back(), p)) continue;
    vertices_.push_back(p);
  }
  if (shape_->EditKind() == GIS_EDIT_POLYGON && vertices_.size() > 2 &&
      GisIsSamePoint(vertices_.front(), vertices_.back()))
    vertices_.pop_back();
  current_ = std::clamp(current_, -1, std::max(0, int(vertices_.size()) - 1));
}

void TGIS_Editor::EndEdit() {
  ++endEditCalls_;
  if (!editing_) return;
  TGIS_EditableShape* shape = shape_;
  if (!showFast_ && shape != nullptr && shape->EditLayer() != nullptr)
    shape->EditLayer()->SetTransparency(transparency_);
  // A shape that cannot be normalised keeps its edited geometry, and the
  // edit ends all the same (the failure is reported): an edit that could
  // never end would hold the viewer's Close up for good.
  auto drop = ScopeExit([this] { shape_ = nullptr; });
  auto finish = ScopeExit([&] {
    Reset();
    try {
      if (showTracking_ && snapLayer_ != nullptr)
        viewer_->InvalidateExtent(viewer_->GetVisibleExtent(), true);
      else if (shape != nullptr)
        viewer_->InvalidateExtent(shape->GetPaintExtent(), true);
    } catch (const Exception&) {
      // A repaint that cannot be arranged is not worth failing the edit for.
    }
    editing_ = false;
  });
  if (shape != nullptr) shape->FixShape();
  finish.Run();
  if (OnEditorChange) OnEditorChange(this);
}

void TGIS_Editor::ShapeFreed(const TGIS_EditableShape* shape) {
  if (shape == nullptr || shape != shape_) return;
  Reset();
  editing_ = false;
  shape_ = nullptr;
}

void TGIS_Editor::DrawEditingPoints() {
  if (editing_ && shape_ != nullptr) shape_->DrawEditing(*this);
}

// ---------------------------------------------------------- the mouse protocol

int TGIS_Editor::NearestVertex(const TGIS_Point& m, double tolerance) const {
  int found = -1;
  double best = tolerance;
  for (std::size_t i = 0; i < vertices_.size(); ++i) {
    const double d = GisPointDistance(vertices_[i], m);
    if (d < best) {
      best = d;
      found = int(i);
    }
  }
  return found;
}

void TGIS_Editor::FindInsertionPlace(const TGIS_Point& m) {
  current_ = 0;
  const int n = int(vertices_.size());
  // An empty part (digitising a new one) has no first or last vertex: the
  // new vertex is appended.
  if (n == 0) return;
  double best = kFar;
  for (int i = 0; i + 1 < n; ++i) {
    const double d =
        GisPointToSegmentDistance(vertices_[std::size_t(i)], vertices_[std::size_t(i + 1)], m);
    if (d < best) {
      best = d;
      current_ = i;
    }
  }
  const TGIS_Point& first = vertices_.front();
  const TGIS_Point& last = vertices_.back();
  if (shape_->EditKind() == GIS_EDIT_POLYGON) {
    if (GisPointToSegmentDistance(last, first, m) < best) current_ = n - 1;
    return;
  }
  if (GisPointDistance(last, m) <= best) current_ = n - 1;
  if (GisPointDistance(first, m) <= best) current_ = -1;
}

void TGIS_Editor::PointDown(const TPoint& pixel, bool notCtrl) {
  if (!editing_) return;
  downPixel_ = pixel;
  mouseDown_ = true;
  const TGIS_Point m = viewer_->ScreenToMap(pixel);
  const int vertex = NearestVertex(m, PixelsToMap(-5));
  if (vertex >= 0) {
    hit_ = true;
    operation_ = notCtrl ? opDelete : opSelect;
    current_ = vertex;
    return;
  }
  hit_ = false;
  operation_ = opAdd;
  if (notCtrl)
    FindInsertionPlace(m);
  else if (current_ == 0)
    current_ = -1;
}

void TGIS_Editor::Track() {
  if (!editing_ || !mouseDown_) return;
  if (hit_) operation_ = opMove;
}

void TGIS_Editor::PointUp(const TPoint& pixel) {
  if (!editing_ || !mouseDown_) return;
  mouseDown_ = false;
  if (operation_ == opMove) {
    const double moved = std::hypot(double(pixel.x) - downPixel_.x, double(pixel.y) - downPixel_.y);
    if (moved < viewer_->TwipsToPixels(minMove_)) return;
  }
  if (operation_ == opAdd && shape_->EditKind() == GIS_EDIT_POINT) return;
  operationPoint_ = SnapPoint(viewer_->ScreenToMap(pixel));
  ApplyOperation();
}

TGIS_Point TGIS_Editor::SnapPoint(const TGIS_Point& point) {
  if (snapLayer_ == nullptr) return point;
  const double margin = PixelsToMap(snapMargin_);
  const TGIS_EditableShape* target = snapLayer_->LocateSnapShape(point, margin);
  if (target == nullptr) return point;
  const bool vertices = snapKind_ == 0 || target->EditKind() == GIS_EDIT_POINT ||
                        target->EditKind() == GIS_EDIT_MULTIPOINT;
  TGIS_Point best = point;
  double bestDistance = margin;
  for (int part = 0; part < target->GetNumParts(); ++part) {
    const int n = target->GetPartSize(part);
    for (int i = 0; i < n; ++i) {
      TGIS_Point candidate = target->GetPoint(part, i);
      if (!vertices) {
        if (i + 1 >= n) break;
        candidate = GisNearestPointOnSegment(candidate, target->GetPoint(part, i + 1), point);
      }
      const double d = GisPointDistance(candidate, point);
      if (d < bestDistance) {
        bestDistance = d;
        best = candidate;
      }
    }
  }
  return best;
}

// ------------------------------------------------------------ the operations

void TGIS_Editor::AddRecord(int operation, int index, const TGIS_Point& point) {
  TGIS_EditorRecord r{};
  r[0] = 1;
  r[1] = std::uint8_t(operation);
  const std::int32_t i = index;
  std::memcpy(&r[2], &i, 4);
  std::memcpy(&r[6], &point.X, 8);
  std::memcpy(&r[14], &point.Y, 8);
  undo_.push_back(r);
  redo_.clear();
}

void TGIS_Editor::ApplyOperation() {
  const int n = int(vertices_.size());
  switch (operation_) {
  case opMove: {
    TGIS_Point& v = vertices_[std::size_t(current_)];
    AddRecord(opMove, current_, {v.X - operationPoint_.X, v.Y - operationPoint_.Y});
    v = operationPoint_;
    break;
  }
  case opDelete:
    if (n <= 1) break;
    AddRecord(opDelete, current_, vertices_[std::size_t(current_)]);
    vertices_.erase(vertices_.begin() + current_);
    current_ = std::min(current_, n - 2);
    break;
  case opAdd:
    if (n + 1 > 2) {
      current_ = current_ < 0 ? 0 : current_ + 1;
      vertices_.insert(vertices_.begin() + current_, operationPoint_);
    } else {
      vertices_.push_back(operationPoint_);
      current_ = n;
    }
    AddRecord(opAdd, current_, operationPoint_);
    break;
  default:
    break;
  }
  RebuildShape();
  auto* window = dynamic_cast<TGIS_ViewerWnd*>(viewer_);
  if (window != nullptr && window->AutoCenter() && editing_ && current_ >= 0 &&
      current_ < int(vertices_.size()))
    viewer_->SetCenter(vertices_[std::size_t(current_)]);
}

TGIS_Extent TGIS_Editor::WidenedPaintExtent() const {
  TGIS_Extent e = shape_->GetPaintExtent();
  TGIS_GDI* gdi = viewer_->GetGDI();
  if (gdi == nullptr || !(viewer_->Zoom() > 0)) return e;
  int width = 0;
  {
    // Room for the vertex numbers drawn beside the vertices.
    TFontGuard keep(*gdi->Font());
    gdi->Font()->SetName("Arial ");
    gdi->Font()->SetSize(6);
    width = gdi->TextWidth("999999");
  }
  e.XMax += width / viewer_->Zoom();
  e.YMin -= width / viewer_->Zoom();
  return e;
}

void TGIS_Editor::RebuildShape() {
  const TGIS_Extent old = WidenedPaintExtent();
  std::vector<std::vector<TGIS_Point>> parts;
  for (int p = 0; p < shape_->GetNumParts(); ++p) {
    if (p == part_) {
      parts.push_back(vertices_);
      continue;
    }
    std::vector<TGIS_Point> copy;
    for (int i = 0; i < shape_->GetPartSize(p); ++i)
      copy.push_back(shape_->GetPoint(p, i));
    parts.push_back(std::move(copy));
  }
  // Digitising into a part the shape doesn't have yet adds it.
  if (part_ >= shape_->GetNumParts()) {
    part_ = int(parts.size());
    parts.push_back(vertices_);
  }
  shape_->SetParts(parts);
  ReadPart();
  if (shape_->GetNumParts() > 0) {
    const bool full = !(showFast_ && shape_->EditLayer() != nullptr);
    viewer_->InvalidateExtent(Union(old, WidenedPaintExtent()), full);
  } else {
    // No part left: the shape goes.
    shape_->SetParts({{GisExtentCenter(old)}});
    shape_->Delete();
    viewer_->InvalidateExtent(old, true);
    EndEdit();
  }
  if (OnEditorChange) OnEditorChange(this);
}
