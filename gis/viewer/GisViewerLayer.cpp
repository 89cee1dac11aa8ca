// TGIS_LayerAbstract: construction, properties, life cycle and EnsureOpen.
#include <cmath>

#include "gis/coords/GisProjections.h"
#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

TGIS_LayerAbstract::TGIS_LayerAbstract()
    : units_(std::make_unique<TGIS_Units>()), valueUnits_(std::make_unique<TGIS_Units>()),
      paramsList_(std::make_unique<TGIS_ParamsList>(&paramsSection_)) {
  units_->SetType(gisUnitsMeter);
  valueUnits_->SetType(gisUnitsMeter);
  paramsList_->AddDefault(std::make_unique<TGIS_ParamsSectionVector>());
}

TGIS_LayerAbstract::~TGIS_LayerAbstract() {
  if (viewer_ != nullptr) {
    TGIS_Viewer* v = viewer_;
    viewer_ = nullptr;
    v->RemoveLayer(this);
  }
}

void TGIS_LayerAbstract::SetName(const std::string& name) {
  if (name == name_) return;
  if (viewer_ != nullptr && viewer_->Get(name) != nullptr)
    throw EGIS_Exception(GIS_RS_ERR_LAYEREXIST, name, 0);
  name_ = name;
}

void TGIS_LayerAbstract::SetExtent(const TGIS_Extent& extent) {
  if (GisIsSameExtent(extent, extent_)) return;
  extent_ = extent;
  projectedExtent_ = extent;
  if (viewer_ != nullptr && !extentLocked_) viewer_->RecalcExtent();
}

void TGIS_LayerAbstract::SetTransparency(int v) {
  transparency_ = std::clamp(v, 0, 100);
}
void TGIS_LayerAbstract::SetAddition(int v) {
  addition_ = std::clamp(v, 0, 100);
}

int TGIS_LayerAbstract::GetCodePage() const {
  if (codePage_ > 0) return codePage_;
  if (viewer_ != nullptr && viewer_->ViewerCodePage() != 0) return viewer_->ViewerCodePage();
  return GisSystemCodePage();
}

int TGIS_LayerAbstract::GetOutCodePage() const {
  if (outCodePage_ > 0) return outCodePage_;
  if (viewer_ != nullptr && viewer_->OutCodePage() != 0) return viewer_->OutCodePage();
  return GisSystemCodePage();
}

void TGIS_LayerAbstract::SetOutCodePage(int cp) {
  if (cp == outCodePage_) return;
  outCodePage_ = cp;
  outCharset_ = GisCodePageToCharset(cp);
}

void TGIS_LayerAbstract::SetProjection(const TGIS_ProjectionAbstract* projection) {
  projection_.reset();
  if (projection != nullptr) projection_ = projection->CreateCopy();
}

void TGIS_LayerAbstract::Open() {
  openTime_ = Now();
  if (useConfig_) SetConfigPath(configPath_);
}

void TGIS_LayerAbstract::UnlockExtent() {
  if (viewer_ != nullptr) viewer_->RecalcExtent();
  extentLocked_ = false;
}

void TGIS_LayerAbstract::SaveAll() {
  if (configFile_ && !configPath_.empty() && configFile_->Changed()) configFile_->Save();
  if (modified_) SaveData();
}

bool TGIS_LayerAbstract::IsModified() const {
  return modified_ || (configFile_ && !configPath_.empty() && configFile_->Changed());
}

void TGIS_LayerAbstract::Draw() {
  if (viewer_ == nullptr || viewer_->Zoom() == 0) return;
  if (PaintHook)
    PaintHook(viewer_, this);
  else
    DrawDefault();
}

void TGIS_LayerAbstract::DrawLabels() {
  if (PaintLabelsHook)
    PaintLabelsHook(viewer_, this);
  else
    DrawLabelsDefault();
}

void TGIS_LayerAbstract::DrawCharts() {
  if (PaintChartsHook)
    PaintChartsHook(viewer_, this);
  else
    DrawChartsDefault();
}

bool TGIS_LayerAbstract::HourglassShake() {
  return viewer_ != nullptr ? viewer_->HourglassShake() : false;
}

void TGIS_LayerAbstract::GetDrawExtent(TGIS_Extent& extent) const {
  if (viewer_ == nullptr) return;
  SK_ASSERT(viewer_->Zoom() > 0, "Zoom must be > 0", "GisViewer", __LINE__);
  extent = viewer_->ScreenToMapRect(viewer_->GetDrawingRect(true));
}

void TGIS_LayerAbstract::GetDrawExtentClipped(TGIS_Extent& extent) const {
  GetDrawExtent(extent);
  if (viewer_ == nullptr) return;
  if (viewer_->FullPaint()) extent = GisExtentIntersection(extent, viewer_->Extent());
  const std::uint8_t t = viewer_->TargetKind();
  if (viewer_->OuterTargetKind() == gisTargetDC && (t == gisTargetCache || t == gisTargetBlend))
    extent = viewer_->GetVisibleExtent();
}

namespace {

bool IsBadCoordinate(double v) {
  return !std::isfinite(v) || std::fabs(v) > 1e100;
}

} // namespace

void TGIS_LayerAbstract::EnsureOpen() {
  if (opened_) return;
  opened_ = true;

  const std::string abs = GisPathAbsolute(GetCurrentDir(), path_);
  std::string folder;
  if (!abs.empty() && FileExists(abs)) folder = ExtractFileDir(abs);

  // The current folder is the runtime's variable, never the process's.
  std::unique_ptr<TCurrentDirGuard> guard;
  if (!folder.empty() && DirectoryExists(folder)) {
    path_ = abs;
    guard = std::make_unique<TCurrentDirGuard>();
    SetCurrentDir(folder);
  }

  if (configPath_.empty()) configPath_ = path_;
  if (useConfig_) SetConfigPath(configPath_);
  if (configFile_) {
    configFile_->SetLayer(this);
    configFile_->SelectSection(0);
    ReadCoordinateSystem(*configFile_);
  }
  LoadConfig();
  Open();
  AfterOpen();

  if (!GisIsEmptyExtent(extent_) || std::isnan(extent_.XMin) || std::isnan(extent_.YMin) ||
      std::isnan(extent_.XMax) || std::isnan(extent_.YMax)) {
    if (IsBadCoordinate(extent_.XMin) || IsBadCoordinate(extent_.YMin) ||
        IsBadCoordinate(extent_.XMax) || IsBadCoordinate(extent_.YMax))
      throw EGIS_Exception(GIS_RS_ERR_LAYERBADEXTENT, name_, 0);
  }
  if (extent_.XMin > extent_.XMax || extent_.YMin > extent_.YMax) RecalcExtent();
  ApplyIndexSetting();
}
