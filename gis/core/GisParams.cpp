// Rendering parameters: the class roots, the sections and the section list.

#include "gis/core/GisParams.h"

#include <cmath>

#include "gis/core/GisIni.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

const char LAYER_SECTION[] = "Vornakel Layer";

// A memory-only ini holding `lines` under the default section's header.
void LoadIniFromLines(TGIS_Ini& ini, TStrings& lines) {
  lines.Insert(0, Format("[%s]", {LAYER_SECTION}));
  auto removeHeader = ScopeExit([&] { lines.Delete(0); });
  ini.IniFile().SetStrings(lines);
  removeHeader.Run();
  ini.SetLayer(nullptr);
}

// The ini's text lines without the first one (the default section's header).
void SaveIniToLines(TGIS_Ini& ini, TStrings& lines) {
  TStringList all;
  ini.IniFile().GetStrings(all);
  if (all.Count() > 0) all.Delete(0);
  lines.AddStrings(all);
}

} // namespace

// ------------------------------------------------------------------- roots

void TGIS_ParamsAbstract::AssignRoot() {
  assigned_ = true;
  ++serial_;
}

void TGIS_ParamsAbstract::Assign(const TGIS_ParamsAbstract&) {
  AssignRoot();
}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsAbstract::CreateCopy() const {
  std::unique_ptr<TGIS_ParamsAbstract> copy = CreateNew();
  copy->Assign(*this);
  return copy;
}

void TGIS_ParamsAbstract::Change() {
  ++serial_;
}

void TGIS_ParamsSpecific::Change() {
  TGIS_ParamsAbstract::Change();
  if (section_) section_->Change();
}

void TGIS_ParamsSpecific::LoadFromStrings(TStrings& lines) {
  TGIS_Ini ini(nullptr, "");
  LoadIniFromLines(ini, lines);
  LoadFromIni(ini);
}

void TGIS_ParamsSpecific::SaveToStrings(TStrings& lines) {
  TGIS_Ini ini(nullptr, "");
  SaveToIni(ini);
  SaveIniToLines(ini, lines);
}

// ------------------------------------------------------ per-shape copies

TGIS_ParamsSectionVector* TGIS_ParamsVector::EnsureShapeSection() {
  auto* section = dynamic_cast<TGIS_ParamsSectionVector*>(Section());
  if (!section || !section->CurrentShape()) return nullptr;
  TGIS_ParamsShape* shape = section->CurrentShape();
  if (TGIS_ParamsSectionVector* own = shape->GetOwnSection()) return own;
  auto made = std::make_unique<TGIS_ParamsSectionVector>();
  made->SetCurrentShape(shape);
  made->CopyFromSection(*section); // without query and render: it has a current shape
  TGIS_ParamsSectionVector* raw = made.get();
  shape->SetOwnSection(std::move(made));
  return raw;
}

TGIS_ParamsVector* TGIS_ParamsVector::GetWritable() {
  auto* section = dynamic_cast<TGIS_ParamsSectionVector*>(Section());
  if (!section || !section->CurrentShape()) return this;
  TGIS_ParamsSectionVector* own = EnsureShapeSection();
  if (TGIS_ParamsVector* same = KindIn(*own)) return same;
  std::unique_ptr<TGIS_ParamsAbstract> copy = CreateCopy();
  static_cast<TGIS_ParamsVector*>(copy.get())->SetSection(own);
  return own->HoldAside(std::move(copy));
}

void TGIS_ParamsVector::CopyFrom(const TGIS_ParamsVector& source) {
  TGIS_ParamsAbstract::Assign(source);
}

void TGIS_ParamsVector::Assign(const TGIS_ParamsAbstract& source) {
  if (auto* vector = dynamic_cast<const TGIS_ParamsVector*>(&source))
    GetWritable()->CopyFrom(*vector);
  else
    TGIS_ParamsAbstract::Assign(source);
}

// ----------------------------------------------------------------- sections

void TGIS_ParamsSection::Assign(const TGIS_ParamsAbstract& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsSection*>(&source)) {
    style_ = s->style_;
    visible_ = s->visible_;
    minZoom_ = s->minZoom_;
    maxZoom_ = s->maxZoom_;
    minScale_ = s->minScale_;
    maxScale_ = s->maxScale_;
    legend_ = s->legend_;
  }
  TGIS_ParamsAbstract::Assign(source);
}

void TGIS_ParamsSection::LoadFromIni(TGIS_Ini& ini) {
  SetStyle(ini.ReadString("Style", style_));
  SetVisible(ini.ReadBoolean("Visible", visible_));
  SetMinZoom(ini.ReadFloat("MinZoom", minZoom_));
  SetMaxZoom(ini.ReadFloat("MaxZoom", maxZoom_));
  SetMinScale(ini.ReadFloat("MinScale", minScale_));
  SetMaxScale(ini.ReadFloat("MaxScale", maxScale_));
  SetLegend(ini.ReadString("Legend", legend_));
  if (std::fabs(minZoom_) > std::fabs(maxZoom_)) {
    double low = maxZoom_, high = minZoom_;
    SetMinZoom(low);
    SetMaxZoom(high);
  }
  if (std::fabs(minScale_) > std::fabs(maxScale_)) {
    double low = maxScale_, high = minScale_;
    SetMinScale(low);
    SetMaxScale(high);
  }
}

void TGIS_ParamsSection::SaveToIni(TGIS_Ini& ini) {
  ini.WriteString("Style", style_);
  ini.WriteBoolean("Visible", visible_);
  ini.WriteFloat("MinZoom", minZoom_);
  ini.WriteFloat("MaxZoom", maxZoom_);
  ini.WriteFloat("MinScale", minScale_);
  ini.WriteFloat("MaxScale", maxScale_);
  ini.WriteString("Legend", legend_);
}

TGIS_ParamsSectionVector::TGIS_ParamsSectionVector() = default;
TGIS_ParamsSectionVector::~TGIS_ParamsSectionVector() = default;

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsSectionVector::CreateNew() const {
  return std::make_unique<TGIS_ParamsSectionVector>();
}

std::string TGIS_ParamsSectionVector::GetQuery() const {
  return query_ ? query_->Text() : std::string();
}

void TGIS_ParamsSectionVector::SetQuery(const std::string& text) {
  if (query_ && query_->Text() == text) return;
  query_.reset();
  if (text.empty()) return;
  query_ = GisCompileSqlQuery(text);
  Change();
}

TGIS_ParamsRender& TGIS_ParamsSectionVector::GetRender() {
  return Make(render_);
}
TGIS_ParamsLine& TGIS_ParamsSectionVector::GetLine() {
  return Make(line_);
}
TGIS_ParamsArea& TGIS_ParamsSectionVector::GetArea() {
  return Make(area_);
}
TGIS_ParamsMarker& TGIS_ParamsSectionVector::GetMarker() {
  return Make(marker_);
}
TGIS_ParamsLabel& TGIS_ParamsSectionVector::GetLabel() {
  return Make(label_);
}
TGIS_ParamsChart& TGIS_ParamsSectionVector::GetChart() {
  return Make(chart_);
}

TGIS_ParamsVector* TGIS_ParamsSectionVector::HoldAside(std::unique_ptr<TGIS_ParamsAbstract> copy) {
  aside_ = std::move(copy);
  return static_cast<TGIS_ParamsVector*>(aside_.get());
}

void TGIS_ParamsSectionVector::CopyFromSection(const TGIS_ParamsSection& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsSectionVector*>(&source)) {
    if (!CurrentShape()) {
      SetQuery(s->GetQuery());
      if (s->render_)
        GetRender().CopyFrom(*s->render_);
      else
        GetRender().CopyFrom(TGIS_ParamsRender());
    }
    auto copy = [](auto& mine, const auto& theirs, auto& self) {
      using P = typename std::remove_reference_t<decltype(mine)>::element_type;
      if (!mine) {
        mine = std::make_unique<P>();
        mine->SetSection(&self);
      }
      if (theirs)
        mine->CopyFrom(*theirs);
      else
        mine->CopyFrom(P());
    };
    copy(line_, s->line_, *this);
    copy(area_, s->area_, *this);
    copy(marker_, s->marker_, *this);
    copy(label_, s->label_, *this);
    copy(chart_, s->chart_, *this);
  }
  TGIS_ParamsSection::Assign(source);
}

void TGIS_ParamsSectionVector::Assign(const TGIS_ParamsAbstract& source) {
  auto* s = dynamic_cast<const TGIS_ParamsSection*>(&source);
  if (!s) {
    TGIS_ParamsSection::Assign(source);
    return;
  }
  TGIS_ParamsSectionVector* target = this;
  if (CurrentShape()) target = GetLine().EnsureShapeSection();
  target->CopyFromSection(*s);
}

void TGIS_ParamsSectionVector::LoadFromIni(TGIS_Ini& ini) {
  TGIS_ParamsSection::LoadFromIni(ini);
  SetQuery(ini.ReadString("Query", GetQuery()));
  GetRender().LoadFromIni(ini);
  GetLine().LoadFromIni(ini);
  GetArea().LoadFromIni(ini);
  GetMarker().LoadFromIni(ini);
  GetLabel().LoadFromIni(ini);
  GetChart().LoadFromIni(ini);
}

void TGIS_ParamsSectionVector::SaveToIni(TGIS_Ini& ini) {
  TGIS_ParamsSection::SaveToIni(ini);
  ini.WriteString("Query", GetQuery());
  GetRender().SaveToIni(ini);
  GetLine().SaveToIni(ini);
  GetArea().SaveToIni(ini);
  GetMarker().SaveToIni(ini);
  GetLabel().SaveToIni(ini);
  GetChart().SaveToIni(ini);
}

TGIS_ParamsSectionPixel::TGIS_ParamsSectionPixel() = default;
TGIS_ParamsSectionPixel::~TGIS_ParamsSectionPixel() = default;

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsSectionPixel::CreateNew() const {
  return std::make_unique<TGIS_ParamsSectionPixel>();
}

TGIS_ParamsPixel& TGIS_ParamsSectionPixel::GetPixel() {
  if (!pixel_) {
    pixel_ = std::make_unique<TGIS_ParamsPixel>();
    pixel_->SetSection(this);
  }
  return *pixel_;
}

void TGIS_ParamsSectionPixel::Assign(const TGIS_ParamsAbstract& source) {
  if (auto* s = dynamic_cast<const TGIS_ParamsSectionPixel*>(&source)) {
    if (s->pixel_)
      GetPixel().Assign(*s->pixel_);
    else
      GetPixel().Assign(TGIS_ParamsPixel());
  }
  TGIS_ParamsSection::Assign(source);
}

void TGIS_ParamsSectionPixel::LoadFromIni(TGIS_Ini& ini) {
  TGIS_ParamsSection::LoadFromIni(ini);
  GetPixel().LoadFromIni(ini);
}

void TGIS_ParamsSectionPixel::SaveToIni(TGIS_Ini& ini) {
  TGIS_ParamsSection::SaveToIni(ini);
  GetPixel().SaveToIni(ini);
}

// --------------------------------------------------------------------- list

TGIS_ParamsList::TGIS_ParamsList(TGIS_ParamsSection** ownerSection) : ownerSection_(ownerSection) {}

TGIS_ParamsList::~TGIS_ParamsList() {
  if (ownerSection_) *ownerSection_ = nullptr;
  while (!sections_.empty())
    sections_.pop_back(); // last first
}

void TGIS_ParamsList::SetCurrent(int index) {
  SK_ASSERT(!sections_.empty(), "Assertion failure", "GisParams", __LINE__);
  if (index < 0) return;
  SK_ASSERT(index < GetCount(), "Assertion failure", "GisParams", __LINE__);
  current_ = index;
  if (ownerSection_) *ownerSection_ = sections_[static_cast<size_t>(index)].get();
}

TGIS_ParamsSection& TGIS_ParamsList::GetItem(int index) {
  SK_ASSERT(!sections_.empty(), "Assertion failure", "GisParams", __LINE__);
  SK_ASSERT(index >= 0 && index < GetCount(), "Assertion failure", "GisParams", __LINE__);
  TGIS_ParamsSection& section = *sections_[static_cast<size_t>(index)];
  section.SetCurrentShape(nullptr);
  return section;
}

void TGIS_ParamsList::AddDefault(std::unique_ptr<TGIS_ParamsSection> section) {
  SK_ASSERT(sections_.empty(), "Assertion failure", "GisParams", __LINE__);
  sections_.push_back(std::move(section));
  SetCurrent(0);
}

void TGIS_ParamsList::Clear() {
  while (sections_.size() > 1)
    sections_.pop_back();
  if (!sections_.empty()) SetCurrent(0);
}

void TGIS_ParamsList::Add() {
  SK_ASSERT(!sections_.empty(), "Assertion failure", "GisParams", __LINE__);
  TGIS_ParamsSection& first = *sections_[0];
  first.SetCurrentShape(nullptr);
  std::unique_ptr<TGIS_ParamsAbstract> copy = first.CreateCopy();
  sections_.emplace_back(static_cast<TGIS_ParamsSection*>(copy.release()));
  SetCurrent(GetCount() - 1);
}

void TGIS_ParamsList::LoadFromIni(TGIS_Ini& ini) {
  ini.SelectSection(0);
  GetItem(0).LoadFromIni(ini);
  for (int m = 1; ini.SelectSection(m); ++m) {
    if (m == 1) Clear();
    Add();
    GetItem(m).LoadFromIni(ini);
  }
  ini.SelectSection(0);
}

void TGIS_ParamsList::SaveToIni(TGIS_Ini& ini) {
  ini.EraseSubSections();
  for (int i = 0; i < GetCount(); ++i) {
    ini.SelectSection(i);
    GetItem(i).SaveToIni(ini);
  }
  ini.SelectSection(0);
}

void TGIS_ParamsList::SaveToStrings(TStrings& lines) {
  TGIS_Ini ini(nullptr, "");
  SaveToIni(ini);
  SaveIniToLines(ini, lines);
}
