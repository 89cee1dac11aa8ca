// Rendering parameters: line, area, marker, label and chart styles.

#include <cmath>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisKeywords.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisParamsItems.h"

namespace {

constexpr double MISSING_VALUE = 1.7e308;

std::unique_ptr<TGIS_Bitmap> CopyOf(const TGIS_Bitmap* bitmap) {
  if (!bitmap) return nullptr;
  auto copy = std::make_unique<TGIS_Bitmap>();
  copy->Assign(bitmap);
  return copy;
}

} // namespace

// ------------------------------------------------------------------ feature

TGIS_ParamsFeature::TGIS_ParamsFeature() = default;
TGIS_ParamsFeature::~TGIS_ParamsFeature() = default;

void TGIS_ParamsFeature::SetColor(uint32_t v) {
  SetMember(&TGIS_ParamsFeature::color_, GisNonBlackColor(v));
}

void TGIS_ParamsFeature::SetOutlineColor(uint32_t v) {
  SetMember(&TGIS_ParamsFeature::outlineColor_, GisNonBlackColor(v));
}

void TGIS_ParamsFeature::SetPicture(std::unique_ptr<TGIS_Bitmap> TGIS_ParamsFeature::*member,
                                    const TGIS_Bitmap* bitmap) {
  auto* w = static_cast<TGIS_ParamsFeature*>(GetWritable());
  if ((w->*member).get() == bitmap) return;
  w->*member = CopyOf(bitmap);
  w->Change();
}

void TGIS_ParamsFeature::SetBitmap(const TGIS_Bitmap* bitmap) {
  SetPicture(&TGIS_ParamsFeature::bitmap_, bitmap);
}

void TGIS_ParamsFeature::SetOutlineBitmap(const TGIS_Bitmap* bitmap) {
  SetPicture(&TGIS_ParamsFeature::outlineBitmap_, bitmap);
}

void TGIS_ParamsFeature::CopyFrom(const TGIS_ParamsVector& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsFeature*>(&source)) {
    showLegend_ = s->showLegend_;
    smartSize_ = s->smartSize_;
    smartSizeField_ = s->smartSizeField_;
    color_ = s->color_;
    bitmap_ = CopyOf(s->bitmap_.get());
    pattern_ = s->pattern_;
    outlineStyle_ = s->outlineStyle_;
    outlineWidth_ = s->outlineWidth_;
    outlineColor_ = s->outlineColor_;
    outlineBitmap_ = CopyOf(s->outlineBitmap_.get());
    outlinePattern_ = s->outlinePattern_;
  }
  TGIS_ParamsVector::CopyFrom(source);
}

// The reading and writing of one shared key, by its suffix.
void TGIS_ParamsFeature::ReadCommon(TGIS_Ini& ini, const char* key) {
  const std::string k = key;
  const std::string suffix = k.substr(k.find('.') + 1);
  if (suffix == "ShowLegend")
    SetShowLegend(ini.ReadBoolean(k, showLegend_));
  else if (suffix == "SmartSize")
    SetSmartSize(ini.ReadInteger(k, smartSize_));
  else if (suffix == "SmartSizeField")
    SetSmartSizeField(ini.ReadString(k, smartSizeField_));
  else if (suffix == "Color")
    SetColor(ini.ReadColor(k, color_));
  else if (suffix == "Bitmap") {
    std::unique_ptr<TGIS_Bitmap> b = ini.ReadBitmap(k, bitmap_.get());
    if (!(b == nullptr && bitmap_ == nullptr) &&
        !(b && bitmap_ && b->Path() == bitmap_->Path() && b->Picture() == bitmap_->Picture()))
      SetBitmap(b.get());
  } else if (suffix == "Pattern")
    SetPattern(ini.ReadBrushStyle(k, pattern_));
  else if (suffix == "OutlineStyle")
    SetOutlineStyle(ini.ReadPenStyle(k, outlineStyle_));
  else if (suffix == "OutlineWidth")
    SetOutlineWidth(ini.ReadInteger(k, outlineWidth_));
  else if (suffix == "OutlineColor")
    SetOutlineColor(ini.ReadColor(k, outlineColor_));
  else if (suffix == "OutlineBitmap") {
    std::unique_ptr<TGIS_Bitmap> b = ini.ReadBitmap(k, outlineBitmap_.get());
    if (!(b == nullptr && outlineBitmap_ == nullptr) &&
        !(b && outlineBitmap_ && b->Path() == outlineBitmap_->Path() &&
          b->Picture() == outlineBitmap_->Picture()))
      SetOutlineBitmap(b.get());
  } else if (suffix == "OutlinePattern")
    SetOutlinePattern(ini.ReadBrushStyle(k, outlinePattern_));
}

void TGIS_ParamsFeature::WriteCommon(TGIS_Ini& ini, const char* key) {
  const std::string k = key;
  const std::string suffix = k.substr(k.find('.') + 1);
  if (suffix == "ShowLegend")
    ini.WriteBoolean(k, showLegend_);
  else if (suffix == "SmartSize")
    ini.WriteInteger(k, smartSize_);
  else if (suffix == "SmartSizeField")
    ini.WriteString(k, smartSizeField_);
  else if (suffix == "Color")
    ini.WriteColor(k, color_);
  else if (suffix == "Bitmap")
    ini.WriteBitmap(k, bitmap_.get());
  else if (suffix == "Pattern")
    ini.WriteBrushStyle(k, pattern_);
  else if (suffix == "OutlineStyle")
    ini.WritePenStyle(k, outlineStyle_);
  else if (suffix == "OutlineWidth")
    ini.WriteInteger(k, outlineWidth_);
  else if (suffix == "OutlineColor")
    ini.WriteColor(k, outlineColor_);
  else if (suffix == "OutlineBitmap")
    ini.WriteBitmap(k, outlineBitmap_.get());
  else if (suffix == "OutlinePattern")
    ini.WriteBrushStyle(k, outlinePattern_);
}

// --------------------------------------------------------------------- line

TGIS_ParamsLine::TGIS_ParamsLine() = default;

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsLine::CreateNew() const {
  return std::make_unique<TGIS_ParamsLine>();
}

TGIS_ParamsVector* TGIS_ParamsLine::KindIn(TGIS_ParamsSectionVector& section) const {
  return section.HasLine() ? &section.GetLine() : nullptr;
}

void TGIS_ParamsLine::CopyFrom(const TGIS_ParamsVector& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsLine*>(&source)) {
    style_ = s->style_;
    width_ = s->width_;
    symbol_ = s->symbol_;
    symbolGap_ = s->symbolGap_;
    symbolRotate_ = s->symbolRotate_;
  }
  TGIS_ParamsFeature::CopyFrom(source);
}

void TGIS_ParamsLine::LoadFromIni(TGIS_Ini& ini) {
  SetStyle(ini.ReadPenStyle("Line.Style", style_));
  SetWidth(ini.ReadInteger("Line.Width", width_));
  ReadCommon(ini, "Line.Color");
  ReadCommon(ini, "Line.Bitmap");
  ReadCommon(ini, "Line.Pattern");
  SetSymbol(ini.ReadSymbol("Line.Symbol", symbol_));
  SetSymbolGap(ini.ReadInteger("Line.SymbolGap", symbolGap_));
  SetSymbolRotate(ini.ReadFloat("Line.SymbolRotate", symbolRotate_));
  for (const char* k :
       {"Line.OutlineStyle", "Line.OutlineWidth", "Line.OutlineColor", "Line.OutlineBitmap",
        "Line.OutlinePattern", "Line.SmartSize", "Line.SmartSizeField", "Line.ShowLegend"})
    ReadCommon(ini, k);
}

void TGIS_ParamsLine::SaveToIni(TGIS_Ini& ini) {
  ini.WritePenStyle("Line.Style", style_);
  ini.WriteInteger("Line.Width", width_);
  WriteCommon(ini, "Line.Color");
  WriteCommon(ini, "Line.Pattern"); // pictures of lines are not written
  ini.WriteSymbol("Line.Symbol", symbol_);
  ini.WriteInteger("Line.SymbolGap", symbolGap_);
  ini.WriteFloat("Line.SymbolRotate", symbolRotate_);
  for (const char* k :
       {"Line.OutlineStyle", "Line.OutlineWidth", "Line.OutlineColor", "Line.OutlinePattern",
        "Line.SmartSize", "Line.SmartSizeField", "Line.ShowLegend"})
    WriteCommon(ini, k);
}

// --------------------------------------------------------------------- area

TGIS_ParamsArea::TGIS_ParamsArea() {
  color_ = 0x808080;
  outlineWidth_ = 1;
}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsArea::CreateNew() const {
  return std::make_unique<TGIS_ParamsArea>();
}

TGIS_ParamsVector* TGIS_ParamsArea::KindIn(TGIS_ParamsSectionVector& section) const {
  return section.HasArea() ? &section.GetArea() : nullptr;
}

void TGIS_ParamsArea::CopyFrom(const TGIS_ParamsVector& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsArea*>(&source)) {
    symbol_ = s->symbol_;
    symbolSize_ = s->symbolSize_;
    symbolGap_ = s->symbolGap_;
    symbolRotate_ = s->symbolRotate_;
    outlineSymbol_ = s->outlineSymbol_;
    outlineGap_ = s->outlineGap_;
    outlineRotate_ = s->outlineRotate_;
  }
  TGIS_ParamsFeature::CopyFrom(source);
}

void TGIS_ParamsArea::LoadFromIni(TGIS_Ini& ini) {
  ReadCommon(ini, "Area.Color");
  ReadCommon(ini, "Area.Bitmap");
  ReadCommon(ini, "Area.Pattern");
  SetSymbol(ini.ReadSymbol("Area.Symbol", symbol_));
  SetSymbolSize(ini.ReadInteger("Area.SymbolSize", symbolSize_));
  SetSymbolGap(ini.ReadInteger("Area.SymbolGap", symbolGap_));
  SetSymbolRotate(ini.ReadFloat("Area.SymbolRotate", symbolRotate_));
  for (const char* k : {"Area.OutlineStyle", "Area.OutlineWidth", "Area.OutlineColor",
                        "Area.OutlineBitmap", "Area.OutlinePattern"})
    ReadCommon(ini, k);
  SetOutlineSymbol(ini.ReadSymbol("Area.OutlineSymbol", outlineSymbol_));
  SetOutlineGap(ini.ReadInteger("Area.OutlineGap", outlineGap_));
  SetOutlineRotate(ini.ReadFloat("Area.OutlineRotate", outlineRotate_));
  for (const char* k : {"Area.SmartSize", "Area.SmartSizeField", "Area.ShowLegend"})
    ReadCommon(ini, k);
}

void TGIS_ParamsArea::SaveToIni(TGIS_Ini& ini) {
  WriteCommon(ini, "Area.Color");
  WriteCommon(ini, "Area.Bitmap");
  WriteCommon(ini, "Area.Pattern");
  ini.WriteSymbol("Area.Symbol", symbol_);
  ini.WriteInteger("Area.SymbolSize", symbolSize_);
  ini.WriteInteger("Area.SymbolGap", symbolGap_);
  ini.WriteFloat("Area.SymbolRotate", symbolRotate_);
  for (const char* k : {"Area.OutlineStyle", "Area.OutlineWidth", "Area.OutlineColor",
                        "Area.OutlineBitmap", "Area.OutlinePattern"})
    WriteCommon(ini, k);
  ini.WriteSymbol("Area.OutlineSymbol", outlineSymbol_);
  ini.WriteInteger("Area.OutlineGap", outlineGap_);
  ini.WriteFloat("Area.OutlineRotate", outlineRotate_);
  for (const char* k : {"Area.SmartSize", "Area.SmartSizeField", "Area.ShowLegend"})
    WriteCommon(ini, k);
}

// ------------------------------------------------------------------- marker

TGIS_ParamsMarker::TGIS_ParamsMarker() {
  color_ = 0x0000FF;
}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsMarker::CreateNew() const {
  return std::make_unique<TGIS_ParamsMarker>();
}

TGIS_ParamsVector* TGIS_ParamsMarker::KindIn(TGIS_ParamsSectionVector& section) const {
  return section.HasMarker() ? &section.GetMarker() : nullptr;
}

void TGIS_ParamsMarker::CopyFrom(const TGIS_ParamsVector& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsMarker*>(&source)) {
    style_ = s->style_;
    size_ = s->size_;
    symbol_ = s->symbol_;
    symbolRotate_ = s->symbolRotate_;
  }
  TGIS_ParamsFeature::CopyFrom(source);
}

void TGIS_ParamsMarker::LoadFromIni(TGIS_Ini& ini) {
  SetStyle(ini.ReadMarkerStyle("Marker.Style", style_));
  SetSize(ini.ReadInteger("Marker.Size", size_));
  ReadCommon(ini, "Marker.Color");
  ReadCommon(ini, "Marker.Bitmap");
  ReadCommon(ini, "Marker.Pattern");
  SetSymbol(ini.ReadSymbol("Marker.Symbol", symbol_));
  SetSymbolRotate(ini.ReadFloat("Marker.SymbolRotate", symbolRotate_));
  for (const char* k :
       {"Marker.OutlineWidth", "Marker.OutlineColor", "Marker.OutlineBitmap",
        "Marker.OutlinePattern", "Marker.SmartSize", "Marker.SmartSizeField", "Marker.ShowLegend"})
    ReadCommon(ini, k);
}

void TGIS_ParamsMarker::SaveToIni(TGIS_Ini& ini) {
  ini.WriteMarkerStyle("Marker.Style", style_);
  ini.WriteInteger("Marker.Size", size_);
  WriteCommon(ini, "Marker.Color");
  WriteCommon(ini, "Marker.Bitmap");
  WriteCommon(ini, "Marker.Pattern");
  ini.WriteSymbol("Marker.Symbol", symbol_);
  ini.WriteFloat("Marker.SymbolRotate", symbolRotate_);
  for (const char* k :
       {"Marker.OutlineWidth", "Marker.OutlineColor", "Marker.OutlineBitmap",
        "Marker.OutlinePattern", "Marker.SmartSize", "Marker.SmartSizeField", "Marker.ShowLegend"})
    WriteCommon(ini, k);
}

// -------------------------------------------------------------------- label

TGIS_ParamsLabel::TGIS_ParamsLabel() {
  color_ = 0x00FFFF;
  pattern_ = bsClear;
  outlineStyle_ = psClear;
  outlineWidth_ = 1;
}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsLabel::CreateNew() const {
  return std::make_unique<TGIS_ParamsLabel>();
}

TGIS_ParamsVector* TGIS_ParamsLabel::KindIn(TGIS_ParamsSectionVector& section) const {
  return section.HasLabel() ? &section.GetLabel() : nullptr;
}

void TGIS_ParamsLabel::CopyFrom(const TGIS_ParamsVector& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsLabel*>(&source)) {
    visible_ = s->visible_;
    allocator_ = s->allocator_;
    duplicates_ = s->duplicates_;
    field_ = s->field_;
    value_ = s->value_;
    font_ = s->font_;
    width_ = s->width_;
    height_ = s->height_;
    position_ = s->position_;
    alignment_ = s->alignment_;
    rotate_ = s->rotate_;
  }
  TGIS_ParamsFeature::CopyFrom(source);
}

void TGIS_ParamsLabel::LoadFromIni(TGIS_Ini& ini) {
  SetVisible(ini.ReadBoolean("Label.Visible", visible_));
  SetAllocator(ini.ReadBoolean("Label.Allocator", allocator_));
  SetDuplicates(ini.ReadBoolean("Label.Duplicates", duplicates_));
  SetField(ini.ReadString("Label.Field", field_));
  SetValue(ini.ReadString("Label.Value", value_));
  // The font and the rotation have no change rule.
  font_.Name = ini.ReadString("Label.Font.Name", font_.Name);
  font_.Size = ini.ReadInteger("Label.Font.Size", font_.Size);
  font_.Style = ini.ReadFontStyle("Label.Font.Style", font_.Style);
  font_.Color = ini.ReadColor("Label.Font.Color", font_.Color);
  SetWidth(ini.ReadInteger("Label.Width", width_));
  SetHeight(ini.ReadInteger("Label.Height", height_));
  SetPosition(ini.ReadLabelPosition("Label.Position", position_));
  SetAlignment(ini.ReadLabelAlignment("Label.Alignment", alignment_));
  rotate_ = ini.ReadFloat("Label.Rotate", rotate_);
  for (const char* k :
       {"Label.Color", "Label.Bitmap", "Label.Pattern", "Label.OutlineStyle", "Label.OutlineWidth",
        "Label.OutlineColor", "Label.OutlineBitmap", "Label.OutlinePattern", "Label.SmartSize",
        "Label.SmartSizeField", "Label.ShowLegend"})
    ReadCommon(ini, k);
}

void TGIS_ParamsLabel::SaveToIni(TGIS_Ini& ini) {
  ini.WriteBoolean("Label.Visible", visible_);
  ini.WriteBoolean("Label.Allocator", allocator_);
  ini.WriteBoolean("Label.Duplicates", duplicates_);
  ini.WriteString("Label.Field", field_);
  ini.WriteString("Label.Value", value_);
  ini.WriteString("Label.Font.Name", font_.Name);
  ini.WriteInteger("Label.Font.Size", font_.Size);
  ini.WriteFontStyle("Label.Font.Style", font_.Style);
  ini.WriteColor("Label.Font.Color", font_.Color);
  ini.WriteInteger("Label.Width", width_);
  ini.WriteInteger("Label.Height", height_);
  ini.WriteLabelPosition("Label.Position", position_);
  ini.WriteLabelAlignment("Label.Alignment", alignment_);
  ini.WriteFloat("Label.Rotate", rotate_);
  for (const char* k :
       {"Label.Color", "Label.Bitmap", "Label.Pattern", "Label.OutlineStyle", "Label.OutlineWidth",
        "Label.OutlineColor", "Label.OutlineBitmap", "Label.OutlinePattern", "Label.SmartSize",
        "Label.SmartSizeField", "Label.ShowLegend"})
    WriteCommon(ini, k);
}

// -------------------------------------------------------------------- chart

TGIS_ParamsChart::TGIS_ParamsChart() = default;

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsChart::CreateNew() const {
  return std::make_unique<TGIS_ParamsChart>();
}

TGIS_ParamsVector* TGIS_ParamsChart::KindIn(TGIS_ParamsSectionVector& section) const {
  return section.HasChart() ? &section.GetChart() : nullptr;
}

void TGIS_ParamsChart::CopyFrom(const TGIS_ParamsVector& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsChart*>(&source)) {
    style_ = s->style_;
    size_ = s->size_;
    values_ = s->values_;
    legend_ = s->legend_;
  }
  TGIS_ParamsFeature::CopyFrom(source);
}

std::string TGIS_ParamsChart::GetValues() const {
  std::string text;
  for (size_t k = 0; k < values_.size(); ++k) {
    if (k) text += ':';
    text += GisFloatToStr(values_[k]);
  }
  return text;
}

void TGIS_ParamsChart::SetValues(const std::string& text) {
  auto* w = static_cast<TGIS_ParamsChart*>(GetWritable());
  if (text == w->GetValues()) return;
  std::vector<double> values;
  bool anyValue = false;
  std::vector<std::string> items = gis_params::SplitItems(text);
  for (size_t i = 0; i < items.size(); ++i) {
    double v = MISSING_VALUE;
    if (!items[i].empty()) {
      double parsed = GisIniStrToFloat(items[i], std::nan(""));
      v = std::isnan(parsed) ? 0 : parsed;
      if (i >= 2 && !std::isnan(parsed)) anyValue = true;
    }
    values.push_back(v);
  }
  if (!anyValue) values.clear();
  w->values_ = std::move(values);
  w->Change();
}

void TGIS_ParamsChart::SetLegend(const std::string& text) {
  auto* w = static_cast<TGIS_ParamsChart*>(GetWritable());
  if (text == w->legend_) return;
  std::vector<std::string> items = gis_params::SplitItems(text);
  bool anyCaption = false;
  for (size_t i = 2; i < items.size(); ++i)
    if (!items[i].empty()) anyCaption = true;
  w->legend_ = anyCaption ? text : std::string();
  w->Change();
}

void TGIS_ParamsChart::LoadFromIni(TGIS_Ini& ini) {
  SetStyle(ini.ReadChartStyle("Chart.Style", style_));
  SetSize(ini.ReadInteger("Chart.Size", size_));
  SetValues(ini.ReadString("Chart.Values", GetValues()));
  SetLegend(ini.ReadString("Chart.Legend", legend_));
  ReadCommon(ini, "Chart.ShowLegend");
}

void TGIS_ParamsChart::SaveToIni(TGIS_Ini& ini) {
  ini.WriteChartStyle("Chart.Style", style_);
  ini.WriteInteger("Chart.Size", size_);
  ini.WriteString("Chart.Values", GetValues());
  ini.WriteString("Chart.Legend", legend_);
  WriteCommon(ini, "Chart.ShowLegend");
}
