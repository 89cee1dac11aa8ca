// TGIS_LayerAbstract: the configuration file and the style sections.
#include <algorithm>
#include <cmath>

#include "gis/coords/GisProjections.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisParamsQuery.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

void TGIS_LayerAbstract::SetConfigPath(const std::string& path) {
  const std::string trimmed = Trim(path);
  if (configFile_ && trimmed == Trim(configPath_)) return;
  configFile_.reset();
  configPath_ = trimmed;
  if (configPath_.empty() && (capabilities_ & GIS_CAPABILITY_OWN_FILE) != 0) configPath_ = "_DUMMY";
  configFile_ =
      std::make_unique<TGIS_Ini>(this, configPath_.empty() ? std::string() : configPath_ + ".ini");
}

TGIS_ParamsSection& TGIS_LayerAbstract::GetParamsSection() {
  paramsSection_->SetCurrentShape(nullptr);
  return *paramsSection_;
}

void TGIS_LayerAbstract::SetParamsSection(const TGIS_ParamsSection& section) {
  paramsSection_->Assign(section);
}

void TGIS_LayerAbstract::ReadCoordinateSystem(TGIS_Ini& ini) {
  GisEllipsoidList().LoadEllipsoid(ini);
  GisDatumList().LoadDatum(ini);
  SetProjection(GisProjectionList().LoadProjection(ini));
  ini.ReadUnits("Units", *units_);
}

void TGIS_LayerAbstract::ReadConfig(TGIS_Ini& ini) {
  caption_ = ini.ReadString("Caption", caption_);
  comments_ = ini.ReadString("Comments", comments_);
  active_ = ini.ReadBoolean("Active", active_);
  labelsOnTop_ = ini.ReadBoolean("LabelsOnTop", labelsOnTop_);
  hideFromLegend_ = ini.ReadBoolean("HideFromLegend", hideFromLegend_);
  useFileParams_ = ini.ReadBoolean("UseFileParams", useFileParams_);
  cachedPaint_ = ini.ReadBoolean("CachedPaint", cachedPaint_);
  incrementalPaint_ = ini.ReadBoolean("IncrementalPaint", incrementalPaint_);
  SetTransparency(ini.ReadInteger("Transparency", transparency_));
  SetAddition(ini.ReadInteger("Addition", addition_));
  dormantMode_ = ini.ReadDormantMode("DormantMode", dormantMode_);
  codePage_ = ini.ReadInteger("CodePage", GetCodePage());
  SetOutCodePage(ini.ReadInteger("OutCodePage", GetOutCodePage()));
}

void TGIS_LayerAbstract::WriteConfig(TGIS_Ini& ini) {
  ini.WriteString("Caption", caption_);
  ini.WriteString("Comments", comments_);
  ini.WriteBoolean("Active", active_);
  ini.WriteBoolean("LabelsOnTop", labelsOnTop_);
  ini.WriteBoolean("HideFromLegend", hideFromLegend_);
  ini.WriteBoolean("CachedPaint", cachedPaint_);
  ini.WriteBoolean("IncrementalPaint", incrementalPaint_);
  ini.WriteInteger("Transparency", transparency_);
  ini.WriteInteger("Addition", addition_);
  ini.WriteDormantMode("DormantMode", dormantMode_);
  ini.WriteInteger("CodePage", GetCodePage());
  ini.WriteInteger("OutCodePage", GetOutCodePage());
  ini.WriteUnits("Units", *units_);
  if (projection_) {
    if (projection_->Ellipsoid() != nullptr)
      GisEllipsoidList().SaveEllipsoid(ini, projection_->Ellipsoid()->Code);
    if (projection_->Datum() != nullptr) GisDatumList().SaveDatum(ini, projection_->Datum()->Code);
  }
  GisProjectionList().SaveProjection(ini, projection_.get());
}

void TGIS_LayerAbstract::LoadConfig() {
  if (!configFile_) return;
  paramsList_->Clear();
  configFile_->SetLayer(this);
  configFile_->SelectSection(0);
  ReadConfig(*configFile_);
  paramsList_->LoadFromIni(*configFile_);
  if (viewer_ != nullptr && viewer_->ProjectConfig() != nullptr) {
    TGIS_Ini& project = *viewer_->ProjectConfig();
    project.SetLayer(this);
    project.SelectSection(0);
    ReadConfig(project);
    paramsList_->LoadFromIni(project);
    viewer_->InvalidateExtent(viewer_->GetVisibleExtent(), true);
  }
}

void TGIS_LayerAbstract::ReloadConfig() {
  if (!configFile_) return;
  configFile_->Reload();
  LoadConfig();
}

void TGIS_LayerAbstract::SaveConfig() {
  if (viewer_ == nullptr || viewer_->ProjectConfig() == nullptr) return;
  TGIS_Ini& project = *viewer_->ProjectConfig();
  project.SetLayer(this);
  project.EraseSubSections();
  project.SelectSection(0);
  WriteConfig(project);
  paramsList_->SaveToIni(project);
}

namespace {

void ResetExpressionCaches(TGIS_ParamsSection& section) {
  auto* vector = dynamic_cast<TGIS_ParamsSectionVector*>(&section);
  if (vector == nullptr) return;
  if (vector->Query() != nullptr) vector->Query()->ResetFieldCache();
  TGIS_ParamsRender& render = vector->GetRender();
  if (render.Expression() != nullptr) render.Expression()->ResetFieldCache();
  for (const auto& chart : render.ChartQueries())
    if (chart) chart->ResetFieldCache();
}

} // namespace

void TGIS_LayerAbstract::SelectParamsSections(const std::string& style) {
  if (viewer_ == nullptr) return;
  activeSections_.clear();
  for (int i = 0; i < paramsList_->GetCount(); ++i) {
    TGIS_ParamsSection& section = paramsList_->GetItem(i);
    if (!SameText(section.Style(), style)) continue;
    if (section.MinScale() != 0 || section.MaxScale() <= 8.5e307) {
      const double scale = viewer_->GetScale();
      if (!(section.MinScale() <= scale && scale <= section.MaxScale())) continue;
    } else {
      const double zoom = viewer_->Zoom();
      const double twips = viewer_->GetZoomTwips();
      if (section.MinZoom() < 0) {
        if (std::fabs(section.MinZoom()) > zoom) continue;
      } else if (twips < section.MinZoom()) {
        continue;
      }
      if (section.MaxZoom() < 0) {
        if (std::fabs(section.MaxZoom()) < zoom) continue;
      } else if (twips > section.MaxZoom()) {
        continue;
      }
    }
    ResetExpressionCaches(section);
    activeSections_.push_back(&section);
  }
  paramsList_->SetCurrent(0);
}

void TGIS_LayerAbstract::UseParamsSection(int index) {
  if (index < 0 || index >= int(activeSections_.size())) return;
  TGIS_ParamsSection* section = activeSections_[size_t(index)];
  if (index > 0) {
    activeSections_.erase(activeSections_.begin() + index);
    activeSections_.push_back(section);
  }
  if (section == paramsSection_) return;
  for (int i = 0; i < paramsList_->GetCount(); ++i) {
    if (&paramsList_->GetItem(i) == section) {
      paramsList_->SetCurrent(i);
      return;
    }
  }
  SK_ASSERT(false, "Unexpected case", "GisViewer", __LINE__);
}
