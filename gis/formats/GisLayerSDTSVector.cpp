// The topological vector profile: point, line, polygon and attribute
// modules (TGIS_FileSDTS_TVP), the vector layer (TGIS_LayerSDTS_TVP) and
// the factory's ".ddf" row.
#include <algorithm>

#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSDTSReader.h"
#include "gis/formats/GisLayerSDTS.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

using sdts_reader::L;
using sdts_reader::MapLabels;
using sdts_reader::MapRefLabels;
using sdts_reader::ReadModule;
using sdts_reader::TNoFurther;

namespace {

/// The attribute values of an ATTP description, without their values.
std::vector<TGIS_FileSDTS_AttribDef> AttributeSlots(const TGIS_FileSDTS_DDAEntry& attp) {
  std::vector<TGIS_FileSDTS_AttribDef> slots(attp.Subfields.size());
  for (std::size_t k = 0; k < slots.size(); ++k) {
    const TGIS_FileSDTS_DDAField& s = attp.Subfields[k];
    slots[k].Name = Trim(s.Label);
    slots[k].Format = s.Format ? std::string(1, s.Format) : std::string();
    slots[k].Width = s.Width;
  }
  return slots;
}

/// An ATID field that names a record: data, and a MODN that is not blank.
bool NamesRecord(const TGIS_FileSDTS_DirEntry& e) {
  return e.Data != nullptr && e.Length > 1 && e.Data[1] != ' ';
}

} // namespace

// ---- the profile's module readers ------------------------------------------------------------

void TGIS_FileSDTS::ReadPoints(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_Point;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *points_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("OBRP", &R::OBRP)});
        if (auto* d = f.FindDescription("SADR"))
          SetSpatialAddress(*d, SdtsTarget(&R::X), SdtsTarget(&R::Y), SdtsTarget(&R::Z));
        MapRefLabels(f, "ATID");
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (d == nullptr) return;
        if (d->Tag == "SADR") ReadFieldInto(e, d->Subfields, 0, &r);
        if (d->Tag == "ATID" && NamesRecord(e)) ReadFieldInto(e, d->Subfields, 0, &r.AttributeRef);
      });
}

void TGIS_FileSDTS::ReadLines(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_Line;
  using P = TGIS_FileSDTS_SpatialPoint;
  TGIS_FileSDTS_ISO8211 file(path);
  auto& descriptions = file.Descriptions();
  if (descriptions.empty()) return;
  MapLabels(descriptions[0], {L("MODN", &R::MODN), L("RCID", &R::RCID), L("OBRP", &R::OBRP)});
  MapRefLabels(file, "ATID");
  if (auto* d = file.FindDescription("SADR"))
    SetSpatialAddress(*d, SdtsTarget(&P::X), SdtsTarget(&P::Y), SdtsTarget(&P::Z));
  lines_->reserve(lines_->size() + sdts_reader::Presize(count, file));
  TGIS_FileSDTS_DirEntryArray entries(descriptions.size() + 1);
  while (file.ReadRecord(entries)) {
    R r;
    if (entries.size() > 1) ReadFieldInto(entries[1], descriptions[0].Subfields, 0, &r);
    bool referenced = false;
    // from the last field back: of several ATID fields the first one wins
    for (std::size_t k = entries.size(); k-- > 2;) {
      TGIS_FileSDTS_DirEntry& e = entries[k];
      if (e.Data == nullptr) continue;
      TGIS_FileSDTS_DDAEntry* d = file.FindDescription(e.Tag);
      if (d == nullptr) continue;
      if (e.Tag == "ATID" && e.Length > 0) {
        r.AttributeRef = TGIS_FileSDTS_ExtRef();
        ReadFieldInto(e, d->Subfields, 0, &r.AttributeRef);
        referenced = true;
      } else if (e.Tag == "SADR") {
        // one point per call; every call consumes its bytes
        const std::int32_t points = e.Length / 8;
        r.Points.reserve(r.Points.size() + std::size_t(std::max(points, 0)));
        for (std::int32_t i = 0; i < points && e.Length > 1; ++i) {
          P p;
          const std::int32_t before = e.Length;
          ReadFieldInto(e, d->Subfields, 0, &p);
          r.Points.push_back(p);
          if (e.Length == before) break;
        }
      }
    }
    (void)referenced;
    lines_->push_back(std::move(r));
  }
}

void TGIS_FileSDTS::ReadPolygons(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_Polygon;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *polygons_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("OBRP", &R::OBRP)});
        for (const char* tag : {"ATID", "RFID", "CHID", "CPID", "RPID"})
          MapRefLabels(f, tag);
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (d == nullptr) return;
        const std::string& t = d->Tag;
        TGIS_FileSDTS_ExtRef* ref = t == "ATID"   ? (e.Length > 0 ? &r.ATID : nullptr)
                                    : t == "RFID" ? &r.RFID
                                    : t == "CHID" ? &r.CHID
                                    : t == "CPID" ? &r.CPID
                                    : t == "RPID" ? &r.RPID
                                                  : nullptr;
        if (ref != nullptr) ReadFieldInto(e, d->Subfields, 0, ref);
      });
}

void TGIS_FileSDTS::ReadPrimaryAttributes(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_AttrbPrim;
  TGIS_FileSDTS_ISO8211 file(path);
  TGIS_FileSDTS_DDAEntry* attp = file.FindDescription("ATTP");
  const std::size_t values = attp ? attp->Subfields.size() : 0;
  ReadModule(
      *this, file, count, *primaryAttributes_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("OBID", &R::OBID)});
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (d != attp || attp == nullptr || !r.Values.empty()) return;
        std::int64_t total = 0;
        for (const auto& s : attp->Subfields)
          total += std::max(s.Width, 0);
        // the values' bytes, never more than the field holds
        const std::string bytes = ReadFixed(e, std::int32_t(std::min<std::int64_t>(total, e.Length)));
        r.Values = AttributeSlots(*attp);
        std::size_t at = 0;
        for (TGIS_FileSDTS_AttribDef& v : r.Values) {
          const std::size_t w = std::size_t(std::max(v.Width, 0));
          if (at < bytes.size()) v.Value = bytes.substr(at, w);
          at += w;
        }
      });
  // records without an ATTP field still carry one (empty) value per subfield
  for (auto& r : *primaryAttributes_)
    if (r.Values.empty() && values > 0) r.Values = AttributeSlots(*attp);
}

void TGIS_FileSDTS::ReadSecondaryAttributes(const std::string&, std::int32_t) {}

// ---- TGIS_FileSDTS_TVP --------------------------------------------------------------------------

TGIS_FileSDTS_TVP::TGIS_FileSDTS_TVP(const TGIS_FileSDTS& transfer) {
  ShareFrom(transfer);
  if (!internalRefs_->empty()) {
    const TGIS_FileSDTS_IntRef& r = internalRefs_->front();
    if (r.SFAX != 0) scaleX_ = r.SFAX;
    if (r.SFAY != 0) scaleY_ = r.SFAY;
    originX_ = r.XORG;
    originY_ = r.YORG;
  }
}

TGIS_FileSDTS_TVP::~TGIS_FileSDTS_TVP() = default;

void TGIS_FileSDTS_TVP::CountRecords() {
  total_ = 0;
  for (const auto& e : *catalog_) {
    const char c = e.NAME.empty() ? 0 : e.NAME[0];
    if (c == 'N' || c == 'P' || c == 'A' || c == 'B' || (c == 'L' && e.NAME != "LDEF"))
      total_ += std::max(e.RecordCount, 0);
  }
}

void TGIS_FileSDTS_TVP::Progress() {
  bool abort = false;
  constexpr std::int64_t most = 0x7FFFFFFF;
  if (OnProgress) OnProgress(this, int(std::min(done_, most)), int(std::min(total_, most)), abort);
}

void TGIS_FileSDTS_TVP::ReadGeometry() {
  done_ = 0;
  Progress();
  const std::vector<TGIS_FileSDTS_CatDir> entries = *catalog_;
  for (const auto& e : entries) {
    const char c = e.NAME.empty() ? 0 : e.NAME[0];
    if (c == 'N')
      ReadPoints(ModulePath(e), e.RecordCount);
    else if (c == 'L' && e.NAME != "LDEF")
      ReadLines(ModulePath(e), e.RecordCount);
    else if (c == 'P')
      ReadPolygons(ModulePath(e), e.RecordCount);
    else
      continue;
    done_ += std::max(e.RecordCount, 0);
    Progress();
  }
}

void TGIS_FileSDTS_TVP::ReadAttributes() {
  const std::vector<TGIS_FileSDTS_CatDir> entries = *catalog_;
  for (const auto& e : entries) {
    const char c = e.NAME.empty() ? 0 : e.NAME[0];
    if (c == 'A')
      ReadPrimaryAttributes(ModulePath(e), e.RecordCount);
    else if (c == 'B')
      ReadSecondaryAttributes(ModulePath(e), e.RecordCount);
    else
      continue;
    done_ += std::max(e.RecordCount, 0);
    Progress();
  }
}

TGIS_Point TGIS_FileSDTS_TVP::GetPoint(int index,
                                       const std::vector<TGIS_FileSDTS_AttribDef>*& values) const {
  SK_ASSERT(index >= 0, "Points list index must be >=0", "GisFileSDTS", 0);
  const TGIS_FileSDTS_Point& p = points_->at(std::size_t(index));
  values = FindAttributes(p.AttributeRef.MODN, p.AttributeRef.RCID);
  return {scaleX_ * p.X + originX_, scaleY_ * p.Y + originY_};
}

int TGIS_FileSDTS_TVP::GetLinePointCount(int line) const {
  SK_ASSERT(line >= 0, "LinePoints list index must be >=0", "GisFileSDTS", 0);
  return int(lines_->at(std::size_t(line)).Points.size());
}

TGIS_Point TGIS_FileSDTS_TVP::GetLinePoint(int line, int point) const {
  SK_ASSERT(line >= 0, "LinePoints list index must be >=0", "GisFileSDTS", 0);
  SK_ASSERT(point >= 0, "LinePoints SADR list index must be >=0", "GisFileSDTS", 0);
  const TGIS_FileSDTS_SpatialPoint& p = lines_->at(std::size_t(line)).Points.at(std::size_t(point));
  return {scaleX_ * p.X + originX_, scaleY_ * p.Y + originY_};
}

const std::vector<TGIS_FileSDTS_AttribDef>*
TGIS_FileSDTS_TVP::FindAttributes(const std::string& modn, std::int32_t rcid) const {
  if (modn.empty()) return nullptr;
  for (const auto& a : *primaryAttributes_)
    if (a.MODN == modn && a.RCID == rcid) return &a.Values;
  return nullptr;
}

const std::vector<TGIS_FileSDTS_AttribDef>* TGIS_FileSDTS_TVP::GetLineAttributes(int line) const {
  if (primaryAttributes_->empty() || line < 0 || std::size_t(line) >= lines_->size())
    return nullptr;
  const TGIS_FileSDTS_ExtRef& ref = (*lines_)[std::size_t(line)].AttributeRef;
  return FindAttributes(ref.MODN, ref.RCID);
}

const std::vector<TGIS_FileSDTS_AttribDef>* TGIS_FileSDTS_TVP::GetFirstLineAttributes() const {
  return GetLineAttributes(0);
}

// ---- TGIS_LayerSDTS_TVP -------------------------------------------------------------------------

TGIS_LayerSDTS_TVP::TGIS_LayerSDTS_TVP() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_READS_WHOLE;
}

TGIS_LayerSDTS_TVP::~TGIS_LayerSDTS_TVP() = default;

void TGIS_LayerSDTS_TVP::Open() {
  TGIS_LayerVector::Open();
  if (!transfer_) throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_, 0);
  TGIS_Viewer* viewer = viewer_;
  auto done = ScopeExit([&] {
    if (viewer != nullptr) viewer->BusyRelease(this);
    reader_.reset();
    transfer_.reset();
    shape_ = nullptr;
  });
  reader_ = std::make_unique<TGIS_FileSDTS_TVP>(*transfer_);
  if (viewer != nullptr) {
    viewer->BusyPrepare(this);
    reader_->OnProgress = [viewer](void* sender, int pos, int end, bool& abort) {
      viewer->BusyShake(sender, pos, end, abort);
    };
  }
  const std::string description = transfer_->GetDescription();
  try {
    reader_->CountRecords();
    reader_->ReadGeometry();
    reader_->ReadAttributes();
    MakePoints();
    MakeLines();
    MakePolygons();
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_, 0);
  }
  done.Run();
  modified_ = false;
  if (!path_.empty() && FileExists(path_)) openTime_ = GisFileAge(path_);
  SetInfoText(description);
}

void TGIS_LayerSDTS_TVP::BeginShape(TGIS_ShapeType type) {
  shape_ = CreateShape(type);
  if (shape_ == nullptr) throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_, 0);
  shape_->Lock(3);
  shape_->AddPart();
}

void TGIS_LayerSDTS_TVP::AddShapePoint(const TGIS_Point& point) {
  shape_->AddPoint(point);
}

void TGIS_LayerSDTS_TVP::EndShape() {
  shape_->Unlock();
}

void TGIS_LayerSDTS_TVP::MakePoints() {
  fieldsCreated_ = false;
  for (int i = 0; i < reader_->GetPointCount(); ++i) {
    const std::vector<TGIS_FileSDTS_AttribDef>* values = nullptr;
    const TGIS_Point p = reader_->GetPoint(i, values);
    BeginShape(gisShapeTypePoint);
    AddShapePoint(p);
    ApplyAttributes(values);
    EndShape();
  }
}

void TGIS_LayerSDTS_TVP::MakeLines() {
  fieldsCreated_ = false;
  CreateFields(reader_->GetFirstLineAttributes());
  for (int i = 0; i < reader_->GetLineCount(); ++i) {
    BeginShape(gisShapeTypeArc);
    for (int k = 0; k < reader_->GetLinePointCount(i); ++k)
      AddShapePoint(reader_->GetLinePoint(i, k));
    EndShape();
    ApplyAttributes(reader_->GetLineAttributes(i));
  }
}

void TGIS_LayerSDTS_TVP::CreateFields(const std::vector<TGIS_FileSDTS_AttribDef>* values) {
  fieldsCreated_ = true;
  if (values == nullptr) return;
  for (const auto& v : *values)
    AddAttributeField(v.Name, v.Format, v.Width);
}

void TGIS_LayerSDTS_TVP::AddAttributeField(const std::string& name, const std::string& format,
                                           int width) {
  if (name.empty()) return;
  const char f = format.empty() ? 0 : format[0];
  const std::uint8_t type = f == 'B' || f == 'I' ? gisFieldTypeNumber
                            : f == 'R'           ? gisFieldTypeFloat
                                                 : gisFieldTypeString;
  if (FindField(name) < 0) AddFieldEx(name, type, std::max(width, 1), 0, true, 0);
}

void TGIS_LayerSDTS_TVP::ApplyAttributes(const std::vector<TGIS_FileSDTS_AttribDef>* values) {
  if (values == nullptr) return;
  if (!fieldsCreated_) CreateFields(values);
  for (const auto& v : *values) {
    if (v.Name.empty()) continue;
    if (FindField(v.Name) < 0) AddAttributeField(v.Name, v.Format, v.Width);
    try {
      shape_->SetField(v.Name, Variant(v.Value));
    } catch (const Exception&) {
      // a value its field's type cannot hold stays empty
    }
  }
}

// ---- the factory's row ----------------------------------------------------------------------------

void GisRegisterLayerSDTS() {
  GisRegisterSdtsOpen();
  auto take = [](TGIS_LayerFactoryArgs& a) {
    std::unique_ptr<TGIS_FileSDTS> transfer;
    if (auto* t = dynamic_cast<TGIS_FileSDTS*>(a.Reader.get())) {
      a.Reader.release();
      transfer.reset(t);
    }
    return transfer;
  };
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerSDTS_TVP", "SDTS Topological Vector Profile",
      [take](TGIS_LayerFactoryArgs& a) -> std::unique_ptr<TGIS_LayerAbstract> {
        auto layer = std::make_unique<TGIS_LayerSDTS_TVP>();
        layer->SetTransfer(take(a));
        return layer;
      });
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerSDTS_RPE", "SDTS Raster Profile (DEM)",
      [take](TGIS_LayerFactoryArgs& a) -> std::unique_ptr<TGIS_LayerAbstract> {
        auto layer = std::make_unique<TGIS_LayerSDTS_RPE>();
        layer->SetTransfer(take(a));
        return layer;
      });
}
