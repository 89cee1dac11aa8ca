// TGIS_LayerVector: construction and destruction, settings, configuration
// keys, the extent, progress and busy phases.
#include "gis/vector/GisLayerVector.h"

#include "gis/core/GisIni.h"
#include "gis/core/GisParams.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Files.h"

TGIS_LayerVector::TGIS_LayerVector() = default;

TGIS_LayerVector::~TGIS_LayerVector() {
  if (rtree_ != nullptr) {
    try {
      rtree_->Commit(!IsModified());
    } catch (...) {
      // Destructors never throw: an index left inconsistent is rebuilt next time.
    }
    rtree_.reset();
  }
  // Shapes refer to the layer: the list goes before the rest, and the
  // viewer's editor lets go of what it edits or snaps to here.
  ReleaseEditedShape(nullptr);
  if (viewer_ != nullptr && viewer_->Editor() != nullptr && viewer_->Editor()->SnapLayer() == this)
    viewer_->Editor()->SetSnapLayer(nullptr);
  current_ = nullptr;
  pending_.clear();
  shapes_.clear();
}

void TGIS_LayerVector::SetDefaultShapeType(TGIS_ShapeType type) {
  if (supportedShapes_ & GisShapeTypeBit(type)) defaultShapeType_ = type;
}

TGIS_ShapeType TGIS_LayerVector::GetDefaultShapeType() const {
  if (defaultShapeType_ != gisShapeTypeUnknown) return defaultShapeType_;
  for (TGIS_ShapeType t :
       {gisShapeTypePoint, gisShapeTypeMultiPoint, gisShapeTypeArc, gisShapeTypePolygon})
    if (supportedShapes_ & GisShapeTypeBit(t)) return t;
  return gisShapeTypeUnknown;
}

TGIS_ParamsSectionVector& TGIS_LayerVector::GetParamsSection() {
  return static_cast<TGIS_ParamsSectionVector&>(TGIS_LayerAbstract::GetParamsSection());
}

void TGIS_LayerVector::Open() {
  TGIS_LayerAbstract::Open();
  supportedShapes_ = GIS_ALL_SHAPE_TYPES;
  SetInfoText("Generic Vector Layer");
}

void TGIS_LayerVector::AfterOpen() {
  TGIS_LayerAbstract::AfterOpen();
  const std::string index = GetIndexPath();
  if (!index.empty() && FileExists(index))
    SetIndexed(true);
  else if (viewer_ != nullptr)
    SetIndexed(viewer_->UseRTree());
}

void TGIS_LayerVector::ApplyIndexSetting() {
  if (viewer_ != nullptr) SetIndexed(viewer_->UseRTree());
}

void TGIS_LayerVector::ReadConfig(TGIS_Ini& ini) {
  TGIS_LayerAbstract::ReadConfig(ini);
  scope_ = ini.ReadString("Scope", scope_);
  scopeExtent_.XMin = ini.ReadFloat("ScopeExtent.XMin", scopeExtent_.XMin);
  scopeExtent_.XMax = ini.ReadFloat("ScopeExtent.XMax", scopeExtent_.XMax);
  scopeExtent_.YMin = ini.ReadFloat("ScopeExtent.YMin", scopeExtent_.YMin);
  scopeExtent_.YMax = ini.ReadFloat("ScopeExtent.YMax", scopeExtent_.YMax);
  joinPrimary_ = ini.ReadString("JoinPrimary", joinPrimary_);
  joinForeign_ = ini.ReadString("JoinForeign", joinForeign_);
}

void TGIS_LayerVector::WriteConfig(TGIS_Ini& ini) {
  TGIS_LayerAbstract::WriteConfig(ini);
  ini.WriteString("Scope", scope_);
  ini.WriteFloat("ScopeExtent.XMin", scopeExtent_.XMin);
  ini.WriteFloat("ScopeExtent.XMax", scopeExtent_.XMax);
  ini.WriteFloat("ScopeExtent.YMin", scopeExtent_.YMin);
  ini.WriteFloat("ScopeExtent.YMax", scopeExtent_.YMax);
  ini.WriteString("JoinPrimary", joinPrimary_);
  ini.WriteString("JoinForeign", joinForeign_);
}

bool TGIS_LayerVector::IsModified() const {
  return TGIS_LayerAbstract::IsModified() || modified_;
}

void TGIS_LayerVector::RecalcExtent() {
  LockExtent();
  struct TUnlock {
    TGIS_LayerVector* l;
    ~TUnlock() {
      try {
        l->UnlockExtent();
      } catch (...) {
      }
    }
  } unlock{this};
  TGIS_Extent e = extent_;
  MoveFirst(GisWholeWorldExtent(), "", true);
  bool first = true;
  while (!Eof()) {
    const TGIS_Extent s = GetCurrentShape()->GetExtentRaw();
    e = first ? s : GisExtentUnion(e, s);
    first = false;
    MoveNext();
  }
  SetExtent(e);
}

void TGIS_LayerVector::Build(const std::string& path, const TGIS_Extent& extent,
                             TGIS_ShapeType shapeType) {
  (void)shapeType;
  SetExtent(extent);
  SetPath(path);
}

bool TGIS_LayerVector::HoldsSelectedShape() const {
  for (const auto& s : shapes_)
    if (s->IsSelected()) return true;
  return false;
}

void TGIS_LayerVector::BusyShake(int pos, int end, bool& abort) {
  if (viewer_ != nullptr) viewer_->BusyShake(this, pos, end, abort);
}
