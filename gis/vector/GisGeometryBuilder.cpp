// A read shape collected as a shapefile record body (see GisGeometryBuilder.h).
#include "gis/vector/GisGeometryBuilder.h"

#include <cstring>

#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapePolygon.h"

void TGIS_ShapeBuilder::AddPart() {
  if (type_ == gisShapeTypePoint || type_ == gisShapeTypeMultiPoint) return;
  if (starts_.empty()) {
    starts_.push_back(0);
    return;
  }
  if (LastPartSize() < 1) return;
  starts_.push_back(points_.size());
}

void TGIS_ShapeBuilder::AddPoint(const TGIS_Point& p) {
  switch (type_) {
  case gisShapeTypePoint:
    points_.assign(1, p);
    return;
  case gisShapeTypeMultiPoint:
    points_.push_back(p);
    return;
  default:
    break;
  }
  if (starts_.empty()) AddPart();
  const std::size_t n = LastPartSize();
  if (n == 0) {
    points_.push_back(p);
    points_.push_back(p);
    return;
  }
  const TGIS_Point first = points_[starts_.back()];
  if (type_ == gisShapeTypeArc) {
    // A lone vertex is stored twice until the second one comes.
    if (n == 2 && GisIsSamePoint(first, points_[starts_.back() + 1])) points_.pop_back();
    points_.push_back(p);
    return;
  }
  // A ring: the closing vertex goes, the point comes, the first closes again.
  points_.pop_back();
  points_.push_back(p);
  if (!GisIsSamePoint(p, first)) points_.push_back(first);
}

void TGIS_ShapeBuilder::AddRingPoint(const TGIS_Point& p) {
  if (type_ != gisShapeTypePolygon) {
    AddPoint(p);
    return;
  }
  if (starts_.empty()) AddPart();
  if (LastPartSize() == 0) {
    points_.push_back(p);
    points_.push_back(p);
    return;
  }
  const TGIS_Point first = points_[starts_.back()];
  points_.back() = p;
  points_.push_back(first);
}

namespace {
/// The vertices to add with a ring-point call that always closes: a ring
/// given closed loses its last vertex, which the closing copy replaces.
std::span<const TGIS_Point> OpenRing(std::span<const TGIS_Point> ring) {
  if (ring.size() >= 2 && GisIsSamePoint(ring.front(), ring.back()))
    return ring.first(ring.size() - 1);
  return ring;
}
} // namespace

void GisAppendRing(TGIS_ShapeBuilder& polygon, std::span<const TGIS_Point> ring) {
  for (const TGIS_Point& p : OpenRing(ring))
    polygon.AddRingPoint(p);
}

void GisAppendRing(TGIS_Shape& polygon, std::span<const TGIS_Point> ring) {
  auto* rings = dynamic_cast<TGIS_ShapePolygon*>(&polygon);
  if (rings == nullptr) {
    for (const TGIS_Point& p : ring)
      polygon.AddPoint(p);
    return;
  }
  for (const TGIS_Point& p : OpenRing(ring))
    rings->AddRingPoint(p);
}

TGIS_Extent TGIS_ShapeBuilder::Box() const {
  // As the shapes recompute it: from the first vertex, a smaller X moves XMin,
  // else a larger one XMax; likewise Y.
  TGIS_Extent box{points_[0].X, points_[0].Y, points_[0].X, points_[0].Y};
  for (const TGIS_Point& p : points_) {
    if (p.X < box.XMin)
      box.XMin = p.X;
    else if (p.X > box.XMax)
      box.XMax = p.X;
    if (p.Y < box.YMin)
      box.YMin = p.Y;
    else if (p.Y > box.YMax)
      box.YMax = p.Y;
  }
  return box;
}

const std::vector<std::uint8_t>& TGIS_ShapeBuilder::Record(bool withBox) const {
  auto putInt = [](std::uint8_t* at, std::size_t v) {
    const auto i = static_cast<std::int32_t>(v);
    std::memcpy(at, &i, 4);
  };
  std::size_t header = 0;
  if (type_ == gisShapeTypeMultiPoint) header = 36;
  if (type_ == gisShapeTypeArc || type_ == gisShapeTypePolygon) header = 40 + 4 * starts_.size();
  // One scratch record per thread: the shape copies it.
  thread_local std::vector<std::uint8_t> record;
  record.assign(header + 16 * points_.size(), 0);
  if (type_ == gisShapeTypeMultiPoint) putInt(record.data() + 32, points_.size());
  if (header >= 40) {
    putInt(record.data() + 32, starts_.size());
    putInt(record.data() + 36, points_.size());
    for (std::size_t i = 0; i < starts_.size(); ++i)
      putInt(record.data() + 40 + 4 * i, starts_[i]);
  }
  if (!points_.empty()) std::memcpy(record.data() + header, points_.data(), 16 * points_.size());
  if (withBox && header >= 32 && !points_.empty()) {
    const TGIS_Extent box = Box();
    const double v[4] = {box.XMin, box.YMin, box.XMax, box.YMax};
    std::memcpy(record.data(), v, 32);
  }
  return record;
}

std::unique_ptr<TGIS_Shape> TGIS_ShapeBuilder::Make(const TGIS_ShapeArgs& args) const {
  // A shape without vertices is made as the shape classes leave it: empty.
  if (points_.empty()) {
    std::unique_ptr<TGIS_Shape> shape = GisNewReadShape(type_, args);
    for (std::size_t i = 0; i < starts_.size(); ++i)
      shape->AddPart();
    GisEndReadShape(*shape);
    return shape;
  }
  // With a layer the box stays zero, as AddPart leaves it, so that the unlock
  // sees the change and grows the layer's extent.
  const std::vector<std::uint8_t>& record = Record(args.Layer == nullptr);
  TGIS_ShapeArgs made = args;
  made.Raw = record;
  made.Layer = nullptr;
  std::unique_ptr<TGIS_Shape> shape = GisNewReadShape(type_, made);
  if (args.Layer == nullptr) {
    // The record holds the box already: the shape is left modified, unlocked
    // and without pending geometry changes, as filling it would leave it.
    shape->Unlock();
    shape->MarkModified();
    shape->Lock(2);
    shape->Unlock();
    return shape;
  }
  // Attached to the layer only now, so that the unlock below grows the
  // layer's extent and index as a shape filled vertex by vertex does.
  shape->SetLayer(args.Layer);
  shape->MarkModified();
  GisEndReadShape(*shape);
  return shape;
}
