// TGIS_FileSDTS: opening a transfer, its catalogue and global modules.
#include "gis/formats/GisFileSDTS.h"

#include "gis/core/GisDefsPaths.h"
#include "gis/formats/GisFileSDTSReader.h"
#include "gis/raster/GisLayerPixel.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"

using sdts_reader::L;
using sdts_reader::MapLabels;
using sdts_reader::MapRefLabels;
using sdts_reader::ReadModule;
using sdts_reader::TNoFurther;

namespace {

template <class T> TGIS_FileSDTS_List<T> NewSdtsList() {
  return std::make_shared<std::vector<T>>();
}

} // namespace

TGIS_FileSDTS::TGIS_FileSDTS()
    : catalog_(NewSdtsList<TGIS_FileSDTS_CatDir>()),
      spatialCatalog_(NewSdtsList<TGIS_FileSDTS_CatSpat>()),
      internalRefs_(NewSdtsList<TGIS_FileSDTS_IntRef>()),
      externalRefs_(NewSdtsList<TGIS_FileSDTS_ExtSpRef>()),
      spatialDomains_(NewSdtsList<TGIS_FileSDTS_SpDomain>()),
      dictionaryDefinitions_(NewSdtsList<TGIS_FileSDTS_DataDirDef>()),
      dictionaryDomains_(NewSdtsList<TGIS_FileSDTS_DataDirDom>()),
      dictionarySchemas_(NewSdtsList<TGIS_FileSDTS_DataDirSch>()),
      rasterDefinitions_(NewSdtsList<TGIS_FileSDTS_RasterDef>()),
      layerDefinitions_(NewSdtsList<TGIS_FileSDTS_LayerDef>()), points_(NewSdtsList<TGIS_FileSDTS_Point>()),
      lines_(NewSdtsList<TGIS_FileSDTS_Line>()), polygons_(NewSdtsList<TGIS_FileSDTS_Polygon>()),
      primaryAttributes_(NewSdtsList<TGIS_FileSDTS_AttrbPrim>()),
      secondaryAttributes_(NewSdtsList<TGIS_FileSDTS_AttrbSec>()) {}

TGIS_FileSDTS::~TGIS_FileSDTS() = default;

void TGIS_FileSDTS::ShareFrom(const TGIS_FileSDTS& t) {
  basePath_ = t.basePath_;
  flags_ = t.flags_;
  ident_ = t.ident_;
  catalog_ = t.catalog_;
  spatialCatalog_ = t.spatialCatalog_;
  internalRefs_ = t.internalRefs_;
  externalRefs_ = t.externalRefs_;
  spatialDomains_ = t.spatialDomains_;
  dictionaryDefinitions_ = t.dictionaryDefinitions_;
  dictionaryDomains_ = t.dictionaryDomains_;
  dictionarySchemas_ = t.dictionarySchemas_;
  rasterDefinitions_ = t.rasterDefinitions_;
  layerDefinitions_ = t.layerDefinitions_;
  points_ = t.points_;
  lines_ = t.lines_;
  polygons_ = t.polygons_;
  primaryAttributes_ = t.primaryAttributes_;
  secondaryAttributes_ = t.secondaryAttributes_;
}

std::string TGIS_FileSDTS::ModulePath(const TGIS_FileSDTS_CatDir& entry) const {
  const std::string name = basePath_ + Trim(entry.FILE);
  const std::string found = GisFindFileCaseless(name);
  return found.empty() ? name : found;
}

void TGIS_FileSDTS::Open(const std::string& path) {
  // the catalogue: the folder, the transfer's four-character prefix, "CATD.ddf"
  const std::size_t sep = path.find_last_of("/\\");
  const std::string folder = sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
  const std::string prefix = path.substr(folder.size(), 4);
  basePath_ = ToSlashes(folder) + prefix;
  const std::string catalog = GisFindFileCaseless(basePath_ + "CATD.ddf");
  ReadCatalog(catalog.empty() ? basePath_ + "CATD.ddf" : catalog);

  flags_ = 0;
  basePath_ = ExtractFilePath(GisPathAbsolute("", ToSlashes(path)));
  auto first = [&](const char* name) -> const TGIS_FileSDTS_CatDir* {
    for (const auto& e : *catalog_)
      if (e.NAME == name && e.EXTR == "N") return &e;
    return nullptr;
  };
  if (const auto* e = first("STAT")) ReadStatistics(ModulePath(*e));
  if (const auto* e = first("IREF")) ReadInternalReference(ModulePath(*e), e->RecordCount);
  const std::vector<TGIS_FileSDTS_CatDir> entries = *catalog_;
  for (const auto& e : entries) {
    if (e.EXTR != "N") continue;
    const std::string file = ModulePath(e);
    if (e.NAME == "IDEN")
      ReadIdentification(file, e.RecordCount);
    else if (e.NAME == "CATS")
      ReadSpatialCatalog(file, e.RecordCount);
    else if (e.NAME == "XREF")
      ReadExternalReference(file, e.RecordCount);
    else if (e.NAME == "SPDM")
      ReadSpatialDomain(file, e.RecordCount);
    else if (e.NAME == "DDDF")
      ReadDictionaryDefinition(file, e.RecordCount);
    else if (e.NAME == "DDOM")
      ReadDictionaryDomain(file, e.RecordCount);
    else if (e.NAME == "DDSH")
      ReadDictionarySchema(file, e.RecordCount);
  }
}

bool TGIS_FileSDTS::IsRaster() const {
  return ident_.FFYN == "N" && ident_.VGYN == "N" && ident_.GTYN == "N" && ident_.RCYN == "Y";
}

bool TGIS_FileSDTS::IsVector() const {
  return (ident_.VGYN == "Y" || ident_.GTYN == "Y") && ident_.RCYN == "N";
}

std::string TGIS_FileSDTS::GetDescription() const {
  return ident_.STID + "\r\n" + ident_.PRID + "\r\n" + ident_.PRVS + " " + ident_.DAST + "\r\n" +
         ident_.TITL + "\r\n" + ident_.DAID + "\r\n";
}

TGIS_UnitsType TGIS_FileSDTS::GetUnitsType() const {
  if (dictionarySchemas_->empty()) return TGIS_UnitsType(0);
  const std::string& unit = dictionarySchemas_->front().UNIT;
  if (unit == "FEET") return TGIS_UnitsType(5);
  if (unit == "METERS") return TGIS_UnitsType(2);
  return TGIS_UnitsType(0);
}

int TGIS_FileSDTS::FindSchema(const std::string& name) const {
  for (std::size_t i = 0; i < dictionarySchemas_->size(); ++i)
    if ((*dictionarySchemas_)[i].NAME == name) return int(i);
  return -1;
}

int TGIS_FileSDTS::FindDomain(const std::string& word) const {
  for (std::size_t i = 0; i < dictionaryDomains_->size(); ++i)
    if (UpperCase((*dictionaryDomains_)[i].DVDF).find(word) != std::string::npos) return int(i);
  return -1;
}

// ---- the global module readers ---------------------------------------------------------------

void TGIS_FileSDTS::ReadCatalog(const std::string& path) {
  using R = TGIS_FileSDTS_CatDir;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, 0, *catalog_,
      [](TGIS_FileSDTS_ISO8211& f) {
        auto& d = f.Descriptions()[0];
        MapLabels(d, {L("MODN", &R::MODN), L("RCID", &R::RCID), L("NAME", &R::NAME),
                      L("TYPE", &R::TYPE), L("VOLM", &R::VOLM), L("FILE", &R::FILE),
                      L("RECD", &R::RECD), L("EXTR", &R::EXTR), L("MVER", &R::MVER),
                      L("COMT", &R::COMT)});
        for (auto& s : d.Subfields)
          if (s.Label == "RECD") s.Format = 'A';
      },
      TNoFurther());
  for (auto& e : *catalog_) {
    if (e.EXTR.empty()) e.EXTR = "N";
  }
}

void TGIS_FileSDTS::ReadStatistics(const std::string& path) {
  struct TStat {
    std::string MNRF;
    std::int32_t NREC = 0, NSAD = 0;
  };
  std::vector<TStat> stats;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, 0, stats,
      [](TGIS_FileSDTS_ISO8211& f) {
        auto& d = f.Descriptions()[0];
        for (auto& s : d.Subfields)
          if (s.Label != "MNRF" && s.Label != "NREC" && s.Label != "NSAD") s.Format = 'X';
        MapLabels(d, {L("MNRF", &TStat::MNRF), L("NREC", &TStat::NREC), L("NSAD", &TStat::NSAD)});
      },
      TNoFurther());
  for (auto& e : *catalog_) {
    e.RecordCount = e.SpatialAddressCount = 0;
    for (const auto& s : stats)
      if (s.MNRF == e.NAME) {
        e.RecordCount = s.NREC;
        e.SpatialAddressCount = s.NSAD;
        break;
      }
  }
  flags_ |= SDTS_FLAG_STATISTICS;
}

void TGIS_FileSDTS::ReadIdentification(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_Ident;
  std::vector<R> records;
  TGIS_FileSDTS_ISO8211 file(path);
  auto& descriptions = file.Descriptions();
  ReadModule(
      *this, file, std::min(count, 1), records,
      [&](TGIS_FileSDTS_ISO8211&) {
        MapLabels(descriptions[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("STID", &R::STID),
                   L("STVS", &R::STVS), L("DOCU", &R::DOCU), L("PRID", &R::PRID),
                   L("PRVS", &R::PRVS), L("PDOC", &R::PDOC), L("TITL", &R::TITL),
                   L("DAID", &R::DAID), L("DAST", &R::DAST), L("MPDT", &R::MPDT),
                   L("DCDT", &R::DCDT), L("SCAL", &R::SCAL), L("COMT", &R::COMT)});
        if (descriptions.size() > 1)
          MapLabels(descriptions[1], {L("FFYN", &R::FFYN), L("VGYN", &R::VGYN),
                                      L("GTYN", &R::GTYN), L("RCYN", &R::RCYN),
                                      L("EXSP", &R::EXSP), L("FTLV", &R::FTLV),
                                      L("CDLV", &R::CDLV), L("NGDM", &R::NGDM)});
        if (descriptions.size() == 3 && descriptions[2].Tag == "ATID") MapRefLabels(descriptions[2]);
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (r.NGDM.empty()) r.NGDM = "N";
        if (d == nullptr) return;
        if (descriptions.size() > 1 && d == &descriptions[1])
          ReadFieldInto(e, d->Subfields, 0, &r);
        else if (descriptions.size() == 3 && d == &descriptions[2] && d->Tag == "ATID")
          ReadAllRepeated(e, d->Subfields, r.AttributeRefs);
      },
      1);
  if (!records.empty()) {
    ident_ = records.front();
    if (ident_.NGDM.empty()) ident_.NGDM = "N";
  }
  flags_ |= SDTS_FLAG_IDENT;
}

void TGIS_FileSDTS::ReadSpatialCatalog(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_CatSpat;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *spatialCatalog_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("NAME", &R::NAME),
                   L("TYPE", &R::TYPE), L("DOMN", &R::DOMN), L("MAP", &R::MAP),
                   L("THEM", &R::THEM), L("AGOB", &R::AGOB), L("AGTP", &R::AGTP),
                   L("COMT", &R::COMT)});
      },
      TNoFurther());
  flags_ |= SDTS_FLAG_SPATIAL_CATALOG;
}

void TGIS_FileSDTS::ReadInternalReference(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_IntRef;
  TGIS_FileSDTS_ISO8211 file(path);
  auto& descriptions = file.Descriptions();
  const bool dimensions = descriptions.size() == 2 && descriptions[1].Tag == "DMID";
  ReadModule(
      *this, file, count, *internalRefs_,
      [&](TGIS_FileSDTS_ISO8211&) {
        MapLabels(descriptions[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("COMT", &R::COMT),
                   L("SATP", &R::SATP), L("XLBL", &R::XLBL), L("YLBL", &R::YLBL),
                   L("HFMT", &R::HFMT), L("VFMT", &R::VFMT), L("SFAX", &R::SFAX),
                   L("SFAY", &R::SFAY), L("SFAZ", &R::SFAZ), L("XORG", &R::XORG),
                   L("YORG", &R::YORG), L("ZORG", &R::ZORG), L("XHRS", &R::XHRS),
                   L("YHRS", &R::YHRS), L("VRES", &R::VRES)});
        if (dimensions) MapRefLabels(descriptions[1]);
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (dimensions && d == &descriptions[1]) ReadAllRepeated(e, d->Subfields, r.DimensionRefs);
      });
  if (!internalRefs_->empty()) flags_ |= SDTS_FLAG_INTERNAL_REF;
}

void TGIS_FileSDTS::ReadExternalReference(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_ExtSpRef;
  using V = TGIS_FileSDTS_VertAttrb;
  using S = TGIS_FileSDTS_SoundAttrb;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *externalRefs_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("COMT", &R::COMT),
                   L("RDOC", &R::RDOC), L("RSNM", &R::RSNM), L("VDAT", &R::VDAT),
                   L("SDAT", &R::SDAT), L("HDAT", &R::HDAT), L("ZONE", &R::ZONE),
                   L("PROJ", &R::PROJ)});
        MapRefLabels(f, "ATID");
        if (auto* d = f.FindDescription("VATT"))
          MapLabels(*d, {L("VDAT", &V::VDAT), L("VEM", &V::VEM), L("ATLB", &V::ATLB),
                         L("AUTH", &V::AUTH)});
        if (auto* d = f.FindDescription("SATT"))
          MapLabels(*d, {L("SDAT", &S::SDAT), L("SEM", &S::SEM), L("ATLB", &S::ATLB),
                         L("AUTH", &S::AUTH)});
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (d == nullptr) return;
        if (d->Tag == "ATID") ReadAllRepeated(e, d->Subfields, r.AttributeRefs);
        if (d->Tag == "VATT") ReadAllRepeated(e, d->Subfields, r.VerticalAttributes);
        if (d->Tag == "SATT") ReadAllRepeated(e, d->Subfields, r.SoundingAttributes);
      });
  if (!externalRefs_->empty()) flags_ |= SDTS_FLAG_EXTERNAL_REF;
}

void TGIS_FileSDTS::ReadSpatialDomain(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_SpDomain;
  using P = TGIS_FileSDTS_SpatialPoint;
  TGIS_FileSDTS_ISO8211 file(path);
  auto& descriptions = file.Descriptions();
  const bool points = descriptions.size() == 2;
  ReadModule(
      *this, file, count, *spatialDomains_,
      [&](TGIS_FileSDTS_ISO8211&) {
        MapLabels(descriptions[0], {L("MODN", &R::MODN), L("RCID", &R::RCID), L("DTYP", &R::DTYP),
                                    L("DSTP", &R::DSTP), L("COMT", &R::COMT)});
        if (points) MapLabels(descriptions[1], {L("X", &P::X), L("Y", &P::Y), L("Z", &P::Z)});
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (points && d == &descriptions[1]) ReadAllRepeated(e, d->Subfields, r.Points);
      });
}

void TGIS_FileSDTS::ReadDictionaryDefinition(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_DataDirDef;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *dictionaryDefinitions_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("EORA", &R::EORA),
                   L("EALB", &R::EALB), L("SRCE", &R::SRCE), L("DFIN", &R::DFIN),
                   L("AUTH", &R::AUTH), L("ADSC", &R::ADSC)});
      },
      TNoFurther());
}

void TGIS_FileSDTS::ReadDictionaryDomain(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_DataDirDom;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *dictionaryDomains_,
      [](TGIS_FileSDTS_ISO8211& f) {
        auto& d = f.Descriptions()[0];
        MapLabels(d, {L("MODN", &R::MODN), L("RCID", &R::RCID), L("ATLB", &R::ATLB),
                      L("AUTH", &R::AUTH), L("ATYP", &R::ATYP), L("ADVF", &R::ADVF),
                      L("ADMU", &R::ADMU), L("RAVA", &R::RAVA), L("DVAL", &R::DVAL),
                      L("DVDF", &R::DVDF)});
        for (auto& s : d.Subfields)
          if (s.Label == "DVAL") s.FormatName = "R";
      },
      TNoFurther());
}

void TGIS_FileSDTS::ReadDictionarySchema(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_DataDirSch;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *dictionarySchemas_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("NAME", &R::NAME),
                   L("TYPE", &R::TYPE), L("ETLB", &R::ETLB), L("EUTH", &R::EUTH),
                   L("ATLB", &R::ATLB), L("AUTH", &R::AUTH), L("FMT", &R::FMT),
                   L("UNIT", &R::UNIT), L("PREC", &R::PREC), L("MXLN", &R::MXLN),
                   L("KEY", &R::KEY)});
      },
      TNoFurther());
}

// ---- the factory's hook ------------------------------------------------------------------------

void GisRegisterSdtsOpen() {
  TGIS_RegistredLayers::Hooks().SdtsOpen = [](const std::string& path, bool& isVector,
                                              bool& isRaster) {
    auto transfer = std::make_unique<TGIS_FileSDTS>();
    transfer->Open(path);
    isVector = transfer->IsVector();
    isRaster = !isVector && transfer->IsRaster();
    return std::unique_ptr<TGIS_BaseObject>(std::move(transfer));
  };
}
