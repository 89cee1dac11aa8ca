// The storage of the four shape classes: points, multipoints, arcs and
// polygons (adding vertices and parts, copies, smart sizes).
#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {
constexpr const char* NOT_CALLED = "Method should not be called";

void NotCalled() {
  SK_ASSERT(false, NOT_CALLED, "GisLayerVector", __LINE__);
}

/// A copy of a shape that owns its geometry (mapped blocks are copied).
template <class T> std::unique_ptr<TGIS_Shape> OwnedCopy(const T* source) {
  auto copy = std::make_unique<T>(source);
  copy->UnmapGeometry();
  return copy;
}

TGIS_Extent Union(const TGIS_Extent& layer, const TGIS_Extent& box) {
  return GisIsEmptyExtent(layer) ? box : GisExtentUnion(layer, box);
}
} // namespace

int TGIS_Shape::SmartSizeOf(const TGIS_ParamsFeature& style, bool fieldOnly) {
  if (style.SmartSizeField().empty()) return fieldOnly ? 0 : style.SmartSize();
  try {
    Integer v = 0;
    return TryStrToInt(Trim(VarToStr(GetField(style.SmartSizeField()))), v) ? v : 0;
  } catch (const Exception&) {
    return 0;
  }
}

// ---- point -------------------------------------------------------------------------------------

TGIS_Extent TGIS_ShapePoint::GetExtentRaw() const {
  if (IsEmpty()) return GisEmptyExtent();
  const TGIS_Point p = RawPoint(0);
  return {p.X, p.Y, p.X, p.Y};
}

int TGIS_ShapePoint::GetPartStart(int) const {
  NotCalled();
  return 0;
}
void TGIS_ShapePoint::SetPoint(int, int, const TGIS_Point&) {
  NotCalled();
}
void TGIS_ShapePoint::SetPoint3D(int, int, const TGIS_Point3D&) {
  NotCalled();
}
void TGIS_ShapePoint::ExtendExtent(const TGIS_Point&) {
  NotCalled();
}

int TGIS_ShapePoint::GetSmartSize() {
  return SmartSizeOf(GetParamsSection().GetMarker(), true);
}

std::unique_ptr<TGIS_Shape> TGIS_ShapePoint::CreateCopy() const {
  return OwnedCopy<TGIS_ShapePoint>(this);
}

void TGIS_ShapePoint::Unlock() {
  if (lockLevel_ == 0) return;
  const std::uint8_t level = lockLevel_;
  UnlockWith([&] {
    if (level == 4 || !geometryChanged_ || IsMapped() || IsEmpty() || Layer() == nullptr) return;
    if (level < 3) Layer()->SetExtent(Union(Layer()->Extent(), GetExtentRaw()));
    UpdateIndex();
  });
}

void TGIS_ShapePoint::AddPart() {
  UnmapGeometry();
  SetIsFixed(false);
  MarkModified();
  if (points_.Data == nullptr) points_.Allocate(16);
}

void TGIS_ShapePoint::AddPoint(const TGIS_Point& point) {
  UnmapGeometry();
  // A point without AddPart gets its block here.
  if (points_.Data == nullptr) points_.Allocate(16);
  MarkModified();
  const TGIS_Point p = ToLayer(point);
  WriteRawPoint(0, p);
  ClearIsEmpty();
  if (lockLevel_ == 0 && Layer() != nullptr) {
    Layer()->SetExtent(Union(Layer()->Extent(), {p.X, p.Y, p.X, p.Y}));
    if (HasIndexEntry() && !GisIsSameExtent(IndexedExtent(), GetExtentRaw())) UpdateIndex();
  }
}

TGIS_Point TGIS_ShapePoint::GetPoint(int, int) const {
  return ToViewer(RawPoint(0));
}

int TGIS_ShapePoint::GetPartSize(int) const {
  return IsEmpty() ? 0 : 1;
}

// ---- multipoint
// ------------------------------------------------------------------------------------

int TGIS_ShapeMultiPoint::GetPartStart(int) const {
  NotCalled();
  return 0;
}
void TGIS_ShapeMultiPoint::SetPoint(int, int, const TGIS_Point&) {
  NotCalled();
}
void TGIS_ShapeMultiPoint::SetPoint3D(int, int, const TGIS_Point3D&) {
  NotCalled();
}

int TGIS_ShapeMultiPoint::GetSmartSize() {
  return SmartSizeOf(GetParamsSection().GetMarker(), false);
}

std::unique_ptr<TGIS_Shape> TGIS_ShapeMultiPoint::CreateCopy() const {
  return OwnedCopy<TGIS_ShapeMultiPoint>(this);
}

void TGIS_ShapeMultiPoint::AddPart() {
  UnmapGeometry();
  SetIsFixed(false);
  MarkModified();
  if (!IsEmpty()) return;
  GrowGeometry();
  SetNumPoints(0);
  SetBox({0, 0, 0, 0});
}

void TGIS_ShapeMultiPoint::AddPoint(const TGIS_Point& point) {
  UnmapGeometry();
  GrowGeometry();
  SetIsFixed(false);
  MarkModified();
  const TGIS_Point p = ToLayer(point);
  if (lockLevel_ == 0) ExtendExtent(p);
  const int n = GetNumPoints();
  WriteRawPoint(n, p);
  SetNumPoints(n + 1);
  ClearIsEmpty();
}

TGIS_Point TGIS_ShapeMultiPoint::GetPoint(int, int index) const {
  SK_ASSERT(index >= 0 && index < GetNumPoints(), "", "GisLayerVector", __LINE__);
  return ToViewer(RawPoint(index));
}

int TGIS_ShapeMultiPoint::GetPartSize(int) const {
  return GetNumPoints();
}

// ---- arc
// -----------------------------------------------------------------------------------------------

int TGIS_ShapeArc::GetSmartSize() {
  return SmartSizeOf(GetParamsSection().GetLine(), false);
}

std::unique_ptr<TGIS_Shape> TGIS_ShapeArc::CreateCopy() const {
  return OwnedCopy<TGIS_ShapeArc>(this);
}

void TGIS_ShapeArc::AddPoint(const TGIS_Point& point) {
  UnmapGeometry();
  SetIsFixed(false);
  MarkModified();
  const TGIS_Point p = ToLayer(point);
  if (GetNumParts() == 0) AddPart();
  const int last = GetNumParts() - 1;
  const int n = GetPartSize(last);
  if (n == 0) {
    SetPoint(last, -1, p);
    SetPoint(last, -1, p);
    return;
  }
  const int start = GetPartStart(last);
  if (n == 2 && GisIsSamePoint(RawPoint(start), RawPoint(start + 1)))
    SetNumPoints(GetNumPoints() - 1);
  SetPoint(last, -1, p);
}

// ---- polygon
// ------------------------------------------------------------------------------------------

int TGIS_ShapePolygon::GetSmartSize() {
  return SmartSizeOf(GetParamsSection().GetArea(), false);
}

std::unique_ptr<TGIS_Shape> TGIS_ShapePolygon::CreateCopy() const {
  return OwnedCopy<TGIS_ShapePolygon>(this);
}

void TGIS_ShapePolygon::AddPoint(const TGIS_Point& point) {
  AddToRing(point, false);
}

void TGIS_ShapePolygon::AddRingPoint(const TGIS_Point& point) {
  AddToRing(point, true);
}

void TGIS_ShapePolygon::AddToRing(const TGIS_Point& point, bool alwaysClose) {
  UnmapGeometry();
  SetIsFixed(false);
  MarkModified();
  const TGIS_Point p = ToLayer(point);
  if (GetNumParts() == 0) AddPart();
  const int last = GetNumParts() - 1;
  if (GetPartSize(last) == 0) {
    SetPoint(last, -1, p);
    SetPoint(last, -1, p);
    return;
  }
  // The closing vertex goes, the point comes, the first vertex closes again.
  const TGIS_Point first = RawPoint(GetPartStart(last));
  SetNumPoints(GetNumPoints() - 1);
  SetPoint(last, -1, p);
  if (alwaysClose || !GisIsSamePoint(p, first)) SetPoint(last, -1, first);
}
