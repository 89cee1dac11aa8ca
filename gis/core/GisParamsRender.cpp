// Rendering parameters: thematic render values of vector sections and the
// pixel values of raster sections.

#include <algorithm>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisParamsItems.h"
#include "gis/core/GisResource.h"

namespace {

const char* const ZONE_KEYS[7] = {
    "Pixel.TransparentZone", "Pixel.GrayMapZone",    "Pixel.RedMapZone",     "Pixel.GreenMapZone",
    "Pixel.BlueMapZone",     "Pixel.FullRGBMapZone", "Pixel.AltitudeMapZone"};

} // namespace

// ------------------------------------------------------------------- render

TGIS_ParamsRender::TGIS_ParamsRender() = default;
TGIS_ParamsRender::~TGIS_ParamsRender() = default;

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsRender::CreateNew() const {
  return std::make_unique<TGIS_ParamsRender>();
}

TGIS_ParamsVector* TGIS_ParamsRender::KindIn(TGIS_ParamsSectionVector& section) const {
  return section.HasRender() ? &section.GetRender() : nullptr;
}

std::string TGIS_ParamsRender::GetExpression() const {
  return expression_ ? expression_->Text() : std::string();
}

void TGIS_ParamsRender::SetExpression(const std::string& text) {
  auto* w = static_cast<TGIS_ParamsRender*>(GetWritable());
  if (w->expression_ && w->expression_->Text() == text) return;
  w->expression_.reset();
  if (!text.empty()) w->expression_ = GisCompileSqlQuery(text);
  w->Change();
}

void TGIS_ParamsRender::SetChart(const std::string& text) {
  auto* w = static_cast<TGIS_ParamsRender*>(GetWritable());
  if (text == w->chart_) return;
  w->chartQueries_.clear();
  bool anyItem = false;
  if (!text.empty()) {
    const std::vector<std::string> items = gis_params::SplitItems(text);
    for (const std::string& item : items) {
      size_t i = w->chartQueries_.size();
      if (item.empty()) {
        w->chartQueries_.push_back(i >= 2 ? nullptr : GisCompileSqlQuery("0"));
        continue;
      }
      anyItem = true;
      std::unique_ptr<TGIS_SqlQueryAbstract> q;
      try {
        q = GisCompileSqlQuery(item);
      } catch (const EGIS_Exception&) {
        q = GisCompileSqlQuery("0");
      }
      w->chartQueries_.push_back(std::move(q));
    }
  }
  w->chart_ = anyItem ? text : std::string();
  w->Change();
}

void TGIS_ParamsRender::SetColorDefault(uint32_t v) {
  SetMember(&TGIS_ParamsRender::colorDefault_, GisNonBlackColor(v));
}
void TGIS_ParamsRender::SetStartColor(uint32_t v) {
  SetMember(&TGIS_ParamsRender::startColor_, GisNonBlackColor(v));
}
void TGIS_ParamsRender::SetEndColor(uint32_t v) {
  SetMember(&TGIS_ParamsRender::endColor_, GisNonBlackColor(v));
}
void TGIS_ParamsRender::SetStartColorEx(uint32_t v) {
  SetMember(&TGIS_ParamsRender::startColorEx_, GisNonBlackColor(v));
}
void TGIS_ParamsRender::SetEndColorEx(uint32_t v) {
  SetMember(&TGIS_ParamsRender::endColorEx_, GisNonBlackColor(v));
}

void TGIS_ParamsRender::CopyFrom(const TGIS_ParamsVector& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsRender*>(&source)) {
    if (GetExpression() != s->GetExpression()) {
      expression_.reset();
      if (s->expression_) expression_ = GisCompileSqlQuery(s->GetExpression());
    }
    if (chart_ != s->chart_ || chartQueries_.size() != s->chartQueries_.size()) {
      chart_ = s->chart_;
      chartQueries_.clear();
      for (const auto& q : s->chartQueries_)
        chartQueries_.push_back(q ? GisCompileSqlQuery(q->Text()) : nullptr);
    }
    minVal_ = s->minVal_;
    maxVal_ = s->maxVal_;
    zones_ = s->zones_;
    minValEx_ = s->minValEx_;
    maxValEx_ = s->maxValEx_;
    zonesEx_ = s->zonesEx_;
    sizeDefault_ = s->sizeDefault_;
    colorDefault_ = s->colorDefault_;
    startSize_ = s->startSize_;
    endSize_ = s->endSize_;
    startColor_ = s->startColor_;
    endColor_ = s->endColor_;
    startSizeEx_ = s->startSizeEx_;
    endSizeEx_ = s->endSizeEx_;
    startColorEx_ = s->startColorEx_;
    endColorEx_ = s->endColorEx_;
    round_ = s->round_;
  }
  TGIS_ParamsVector::CopyFrom(source);
}

void TGIS_ParamsRender::LoadFromIni(TGIS_Ini& ini) {
  SetExpression(ini.ReadString("Render.Expression", GetExpression()));
  SetChart(ini.ReadString("Render.Chart", chart_));
  SetMinVal(ini.ReadFloat("Render.MinVal", minVal_));
  SetMaxVal(ini.ReadFloat("Render.MaxVal", maxVal_));
  SetZones(ini.ReadInteger("Render.Zones", zones_));
  SetMinValEx(ini.ReadFloat("Render.MinValEx", minValEx_));
  SetMaxValEx(ini.ReadFloat("Render.MaxValEx", maxValEx_));
  SetZonesEx(ini.ReadInteger("Render.ZonesEx", zonesEx_));
  SetSizeDefault(ini.ReadInteger("Render.SizeDefault", sizeDefault_));
  SetColorDefault(ini.ReadColor("Render.ColorDefault", colorDefault_));
  SetStartSize(ini.ReadInteger("Render.StartSize", startSize_));
  SetEndSize(ini.ReadInteger("Render.EndSize", endSize_));
  SetStartColor(ini.ReadColor("Render.StartColor", startColor_));
  SetEndColor(ini.ReadColor("Render.EndColor", endColor_));
  SetStartSizeEx(ini.ReadInteger("Render.StartSizeEx", startSizeEx_));
  SetEndSizeEx(ini.ReadInteger("Render.EndSizeEx", endSizeEx_));
  SetStartColorEx(ini.ReadColor("Render.StartColorEx", startColorEx_));
  SetEndColorEx(ini.ReadColor("Render.EndColorEx", endColorEx_));
  SetRound(ini.ReadInteger("Render.Round", round_));
}

void TGIS_ParamsRender::SaveToIni(TGIS_Ini& ini) {
  ini.WriteString("Render.Expression", GetExpression());
  ini.WriteString("Render.Chart", chart_);
  ini.WriteFloat("Render.MinVal", minVal_);
  ini.WriteFloat("Render.MaxVal", maxVal_);
  ini.WriteInteger("Render.Zones", zones_);
  ini.WriteFloat("Render.MinValEx", minValEx_);
  ini.WriteFloat("Render.MaxValEx", maxValEx_);
  ini.WriteInteger("Render.ZonesEx", zonesEx_);
  ini.WriteInteger("Render.SizeDefault", sizeDefault_);
  ini.WriteColor("Render.ColorDefault", colorDefault_);
  ini.WriteInteger("Render.StartSize", startSize_);
  ini.WriteInteger("Render.EndSize", endSize_);
  ini.WriteColor("Render.StartColor", startColor_);
  ini.WriteColor("Render.EndColor", endColor_);
  ini.WriteInteger("Render.StartSizeEx", startSizeEx_);
  ini.WriteInteger("Render.EndSizeEx", endSizeEx_);
  ini.WriteColor("Render.StartColorEx", startColorEx_);
  ini.WriteColor("Render.EndColorEx", endColorEx_);
  ini.WriteInteger("Render.Round", round_);
}

// -------------------------------------------------------------------- pixel

TGIS_ParamsPixel::TGIS_ParamsPixel() {
  for (auto& list : zones_) {
    list = std::make_unique<TStringList>();
    list->OnChange = [this](TStrings*) { Change(); };
  }
}

TGIS_ParamsPixel::~TGIS_ParamsPixel() {
  for (auto& list : zones_)
    list->OnChange = nullptr;
}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsPixel::CreateNew() const {
  return std::make_unique<TGIS_ParamsPixel>();
}

void TGIS_ParamsPixel::SetPage(int32_t v) {
  Store(page_, std::max(v, 0));
}
void TGIS_ParamsPixel::SetRedBand(int32_t v) {
  Store(redBand_, v < 0 ? -1 : v);
}
void TGIS_ParamsPixel::SetGreenBand(int32_t v) {
  Store(greenBand_, v < 0 ? -1 : v);
}
void TGIS_ParamsPixel::SetBlueBand(int32_t v) {
  Store(blueBand_, v < 0 ? -1 : v);
}
void TGIS_ParamsPixel::SetGridBand(int32_t v) {
  Store(gridBand_, v < 0 ? -1 : v);
}
void TGIS_ParamsPixel::SetGridNoValue(double v) {
  Store(gridNoValue_, v);
}
void TGIS_ParamsPixel::SetRed(int32_t v) {
  Store(red_, std::clamp(v, -100, 100));
}
void TGIS_ParamsPixel::SetGreen(int32_t v) {
  Store(green_, std::clamp(v, -100, 100));
}
void TGIS_ParamsPixel::SetBlue(int32_t v) {
  Store(blue_, std::clamp(v, -100, 100));
}
void TGIS_ParamsPixel::SetBrightness(int32_t v) {
  Store(brightness_, std::clamp(v, -100, 100));
}
void TGIS_ParamsPixel::SetContrast(int32_t v) {
  Store(contrast_, std::clamp(v, -100, 100));
}
void TGIS_ParamsPixel::SetInversion(bool v) {
  Store(inversion_, v);
}
void TGIS_ParamsPixel::SetGrayScale(bool v) {
  Store(grayScale_, v);
}
void TGIS_ParamsPixel::SetHistogram(bool v) {
  Store(histogram_, v);
}
void TGIS_ParamsPixel::SetHistogramPath(const std::string& v) {
  Store(histogramPath_, v);
}

void TGIS_ParamsPixel::Assign(const TGIS_ParamsAbstract& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsPixel*>(&source)) {
    page_ = s->page_;
    redBand_ = s->redBand_;
    greenBand_ = s->greenBand_;
    blueBand_ = s->blueBand_;
    gridBand_ = s->gridBand_;
    gridNoValue_ = s->gridNoValue_;
    red_ = s->red_;
    green_ = s->green_;
    blue_ = s->blue_;
    brightness_ = s->brightness_;
    contrast_ = s->contrast_;
    inversion_ = s->inversion_;
    grayScale_ = s->grayScale_;
    histogram_ = s->histogram_;
    histogramPath_ = s->histogramPath_;
    for (int k = 0; k < 7; ++k) {
      auto notify = std::move(zones_[k]->OnChange);
      zones_[k]->OnChange = nullptr;
      zones_[k]->Assign(*s->zones_[k]);
      zones_[k]->OnChange = std::move(notify);
    }
  }
  TGIS_ParamsSpecific::Assign(source);
}

void TGIS_ParamsPixel::LoadFromIni(TGIS_Ini& ini) {
  SetPage(ini.ReadInteger("Pixel.Page", page_));
  SetRedBand(ini.ReadInteger("Pixel.RedBand", redBand_));
  SetGreenBand(ini.ReadInteger("Pixel.GreenBand", greenBand_));
  SetBlueBand(ini.ReadInteger("Pixel.BlueBand", blueBand_));
  SetGridBand(ini.ReadInteger("Pixel.GridBand", gridBand_));
  SetGridNoValue(ini.ReadFloat("Pixel.GridNoValue", gridNoValue_));
  SetRed(ini.ReadInteger("Pixel.Red", red_));
  SetGreen(ini.ReadInteger("Pixel.Green", green_));
  SetBlue(ini.ReadInteger("Pixel.Blue", blue_));
  SetBrightness(ini.ReadInteger("Pixel.Brightness", brightness_));
  SetContrast(ini.ReadInteger("Pixel.Contrast", contrast_));
  SetInversion(ini.ReadBoolean("Pixel.Inversion", inversion_));
  SetGrayScale(ini.ReadBoolean("Pixel.GrayScale", grayScale_));
  SetHistogram(ini.ReadBoolean("Pixel.Histogram", histogram_));
  SetHistogramPath(ini.ReadString("Pixel.HistogramPath", histogramPath_));
  for (int k = 0; k < 7; ++k)
    ini.ReadStringList(ZONE_KEYS[k], zones_[k].get());
}

void TGIS_ParamsPixel::SaveToIni(TGIS_Ini& ini) {
  ini.WriteInteger("Pixel.Page", page_);
  ini.WriteInteger("Pixel.RedBand", redBand_);
  ini.WriteInteger("Pixel.GreenBand", greenBand_);
  ini.WriteInteger("Pixel.BlueBand", blueBand_);
  ini.WriteInteger("Pixel.GridBand", gridBand_);
  ini.WriteFloat("Pixel.GridNoValue", gridNoValue_);
  ini.WriteInteger("Pixel.Red", red_);
  ini.WriteInteger("Pixel.Green", green_);
  ini.WriteInteger("Pixel.Blue", blue_);
  ini.WriteInteger("Pixel.Brightness", brightness_);
  ini.WriteInteger("Pixel.Contrast", contrast_);
  ini.WriteBoolean("Pixel.Inversion", inversion_);
  ini.WriteBoolean("Pixel.GrayScale", grayScale_);
  ini.WriteBoolean("Pixel.Histogram", histogram_);
  ini.WriteString("Pixel.HistogramPath", histogramPath_);
  for (int k = 0; k < 7; ++k)
    ini.WriteStringList(ZONE_KEYS[k], zones_[k].get());
}
