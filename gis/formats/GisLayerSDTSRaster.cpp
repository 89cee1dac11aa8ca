// The raster profile: raster and layer definitions, cell modules, the cell
// grids (TGIS_FileSDTS_RPE) and the DEM layer (TGIS_LayerSDTS_RPE).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSDTSReader.h"
#include "gis/formats/GisLayerSDTS.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

using sdts_reader::L;
using sdts_reader::MapLabels;
using sdts_reader::MapRefLabels;
using sdts_reader::ReadModule;

namespace {

/// The largest cell block a layer may have (bytes).
constexpr std::int64_t kSdtsMaxBlock = std::int64_t(1) << 31;
/// A block may be this much larger than the bytes of its cell module (the
/// cells it leaves unfilled are zero), plus the slack below.
constexpr std::int64_t kSdtsBlockPerModuleByte = 16;
constexpr std::int64_t kSdtsBlockSlack = std::int64_t(64) << 20;

void SdtsReverseGroups(std::vector<std::uint8_t>& bytes, std::size_t group) {
  for (std::size_t i = 0; i + group <= bytes.size(); i += group)
    std::reverse(bytes.begin() + std::ptrdiff_t(i), bytes.begin() + std::ptrdiff_t(i + group));
}

template <class T> T SdtsCellAs(const std::vector<std::uint8_t>& block, std::size_t index) {
  T v;
  std::memcpy(&v, block.data() + index * sizeof(T), sizeof(T));
  return v;
}

template <class T> void SdtsPutCell(std::vector<std::uint8_t>& block, std::size_t index, T v) {
  std::memcpy(block.data() + index * sizeof(T), &v, sizeof(T));
}

/// Replaces every cell equal to `fill` by `empty` (cells of type T).
template <class T> void SdtsReplaceCells(std::vector<std::uint8_t>& block, std::size_t cells, T fill,
                                     T empty) {
  for (std::size_t i = 0; i < cells; ++i)
    if (std::memcmp(block.data() + i * sizeof(T), &fill, sizeof(T)) == 0) SdtsPutCell(block, i, empty);
}

/// A whole number cut to the width of an integer cell, as the cell holds it.
template <class T> T SdtsWholeCell(double v) {
  if (!std::isfinite(v)) return T(0);
  const long long r = std::llround(std::clamp(v, -9.2e18, 9.2e18));
  return T(static_cast<unsigned long long>(r));
}

} // namespace

TGIS_SdtsCellKind SdtsCellKind(const std::string& fmt) {
  if (fmt == "BUI8") return TGIS_SdtsCellKind::UInt8;
  if (fmt == "BI8") return TGIS_SdtsCellKind::Int8;
  if (fmt == "BUI16") return TGIS_SdtsCellKind::UInt16;
  if (fmt == "BI16") return TGIS_SdtsCellKind::Int16;
  if (fmt == "BUI32") return TGIS_SdtsCellKind::UInt32;
  if (fmt == "I" || fmt == "BI32") return TGIS_SdtsCellKind::Int32;
  if (fmt == "BFP32") return TGIS_SdtsCellKind::Single;
  if (fmt == "R") return TGIS_SdtsCellKind::Double;
  return TGIS_SdtsCellKind::Unknown;
}

int SdtsCellSize(TGIS_SdtsCellKind kind) {
  switch (kind) {
  case TGIS_SdtsCellKind::UInt8:
  case TGIS_SdtsCellKind::Int8:
    return 1;
  case TGIS_SdtsCellKind::UInt16:
  case TGIS_SdtsCellKind::Int16:
    return 2;
  case TGIS_SdtsCellKind::UInt32:
  case TGIS_SdtsCellKind::Int32:
  case TGIS_SdtsCellKind::Single:
    return 4;
  case TGIS_SdtsCellKind::Double:
    return 8;
  default:
    return 0;
  }
}

double SdtsCellValue(const std::vector<std::uint8_t>& block, TGIS_SdtsCellKind kind,
                     std::size_t index) {
  switch (kind) {
  case TGIS_SdtsCellKind::UInt8:
    return block[index];
  case TGIS_SdtsCellKind::Int8:
    return std::int8_t(block[index]);
  case TGIS_SdtsCellKind::UInt16:
    return SdtsCellAs<std::uint16_t>(block, index);
  case TGIS_SdtsCellKind::Int16:
    return SdtsCellAs<std::int16_t>(block, index);
  case TGIS_SdtsCellKind::UInt32:
    return SdtsCellAs<std::uint32_t>(block, index);
  case TGIS_SdtsCellKind::Int32:
    return SdtsCellAs<std::int32_t>(block, index);
  case TGIS_SdtsCellKind::Single:
    return SdtsCellAs<float>(block, index);
  case TGIS_SdtsCellKind::Double:
    return SdtsCellAs<double>(block, index);
  default:
    return 0;
  }
}

// ---- the profile's module readers ---------------------------------------------------------------

void TGIS_FileSDTS::ReadRasterDefinition(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_RasterDef;
  using P = TGIS_FileSDTS_SpatialPoint;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *rasterDefinitions_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("OBRP", &R::OBRP),
                   L("CSCD", &R::CSCD), L("AQMD", &R::AQMD), L("AQDT", &R::AQDT),
                   L("COMT", &R::COMT), L("DEFI", &R::DEFI), L("CMPR", &R::CMPR),
                   L("CMMD", &R::CMMD), L("DCOM", &R::DCOM), L("METH", &R::METH),
                   L("RWXT", &R::RWXT), L("CLXT", &R::CLXT), L("PLXT", &R::PLXT),
                   L("SCOR", &R::SCOR), L("SCPT", &R::SCPT), L("TIDX", &R::TIDX),
                   L("TIFT", &R::TIFT), L("TIDS", &R::TIDS), L("ALTN", &R::ALTN),
                   L("FSCN", &R::FSCN), L("ASPR", &R::ASPR), L("NLAY", &R::NLAY)});
        for (const char* tag : {"ISID", "LYID", "RATP", "CPID"})
          MapRefLabels(f, tag);
        if (auto* d = f.FindDescription("RDXT"))
          MapLabels(*d, {L("DEXT", &TGIS_FileSDTS_RasterDimExt::DEXT),
                         L("DSCO", &TGIS_FileSDTS_RasterDimExt::DSCO)});
        for (const char* tag : {"XXLB", "YXLB", "ZXLB"})
          if (auto* d = f.FindDescription(tag); d != nullptr && !d->Subfields.empty())
            d->Subfields[0].Target = SdtsTarget(&TGIS_FileSDTS_AxisLabel::Value);
        if (auto* d = f.FindDescription("SADR"))
          SetSpatialAddress(*d, SdtsTarget(&P::X), SdtsTarget(&P::Y), SdtsTarget(&P::Z));
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (d == nullptr) return;
        const std::string& tag = d->Tag;
        if (tag == "ISID")
          ReadFieldInto(e, d->Subfields, 0, &r.InternalRef);
        else if (tag == "RDXT")
          ReadAllRepeated(e, d->Subfields, r.DimensionExtents);
        else if (tag == "LYID")
          ReadAllRepeated(e, d->Subfields, r.LayerRefs);
        else if (tag == "RATP")
          ReadAllRepeated(e, d->Subfields, r.AttributePointers);
        else if (tag == "CPID")
          ReadAllRepeated(e, d->Subfields, r.CompositeRefs);
        else if (tag == "XXLB" || tag == "YXLB" || tag == "ZXLB") {
          // the first subfield of each repetition
          if (d->Subfields.empty()) return;
          TGIS_FileSDTS_DDAFieldArray first(d->Subfields.begin(), d->Subfields.begin() + 1);
          auto& list = tag == "XXLB" ? r.AxisX : tag == "YXLB" ? r.AxisY : r.AxisZ;
          ReadAllRepeated(e, first, list);
        } else if (tag == "SADR")
          ReadFieldInto(e, d->Subfields, 0, &r.Origin);
      });
  if (!rasterDefinitions_->empty()) flags_ |= SDTS_FLAG_RASTER_DEF;
}

void TGIS_FileSDTS::ReadLayerDefinition(const std::string& path, std::int32_t count) {
  using R = TGIS_FileSDTS_LayerDef;
  using X = TGIS_FileSDTS_LayerDimExt;
  TGIS_FileSDTS_ISO8211 file(path);
  ReadModule(
      *this, file, count, *layerDefinitions_,
      [](TGIS_FileSDTS_ISO8211& f) {
        MapLabels(f.Descriptions()[0],
                  {L("MODN", &R::MODN), L("RCID", &R::RCID), L("CMNM", &R::CMNM),
                   L("LLBL", &R::LLBL), L("CODE", &R::CODE), L("BMSK", &R::BMSK),
                   L("NROW", &R::NROW), L("NCOL", &R::NCOL), L("NPLA", &R::NPLA),
                   L("SORI", &R::SORI), L("SOCI", &R::SOCI), L("SOPI", &R::SOPI),
                   L("RWOO", &R::RWOO), L("CLOO", &R::CLOO), L("PLOO", &R::PLOO),
                   L("INTR", &R::INTR), L("COMT", &R::COMT)});
        if (auto* d = f.FindDescription("LDXT"))
          MapLabels(*d, {L("DEXT", &X::DEXT), L("SODM", &X::SODM), L("DTOO", &X::DTOO),
                         L("DINR", &X::DINR)});
        MapRefLabels(f, "LATP");
      },
      [&](R& r, TGIS_FileSDTS_DDAEntry* d, TGIS_FileSDTS_DirEntry& e) {
        if (d != nullptr && d->Tag == "LDXT") ReadAllRepeated(e, d->Subfields, r.DimensionExtents);
      });
  flags_ |= SDTS_FLAG_LAYER_DEF;
}

std::unique_ptr<TGIS_FileSDTS_ISO8211> TGIS_FileSDTS::OpenCellModule(const std::string& path) {
  using C = TGIS_FileSDTS_Cell;
  auto file = std::make_unique<TGIS_FileSDTS_ISO8211>(path);
  auto& descriptions = file->Descriptions();
  if (!descriptions.empty()) {
    MapLabels(descriptions[0], {L("MODN", &C::MODN), L("RCID", &C::RCID), L("NCEL", &C::NCEL),
                                L("ROWI", &C::ROWI), L("COLI", &C::COLI), L("PLAI", &C::PLAI),
                                L("TIND", &C::TIND)});
    for (auto& s : descriptions[0].Subfields)
      if (s.Label == "TIND" && s.Format == 'B' && !rasterDefinitions_->empty())
        s.FormatName = Trim(rasterDefinitions_->front().TIFT);
  }
  if (auto* d = file->FindDescription("DNDX"); d != nullptr && !d->Subfields.empty())
    d->Subfields[0].Target = SdtsTarget(&TGIS_FileSDTS_IndexValue::Value);
  MapRefLabels(*file, "ATID");
  flags_ |= SDTS_FLAG_CELLS;
  return file;
}

void TGIS_FileSDTS::ReadCell(TGIS_FileSDTS_ISO8211& file, TGIS_FileSDTS_DirEntryArray& entries,
                             TGIS_FileSDTS_Cell& cell) {
  auto& descriptions = file.Descriptions();
  cell = TGIS_FileSDTS_Cell();
  if (descriptions.empty() || !file.ReadRecord(entries)) {
    cell.MODN = "NULL";
    cell.RCID = 0;
    cell.ROWI = cell.COLI = -1;
    return;
  }
  if (entries.size() > 1) ReadFieldInto(entries[1], descriptions[0].Subfields, 0, &cell);
  for (std::size_t k = 2; k < entries.size(); ++k) {
    TGIS_FileSDTS_DirEntry& e = entries[k];
    if (e.Data == nullptr) continue;
    TGIS_FileSDTS_DDAEntry* d = file.FindDescription(e.Tag);
    if (d == nullptr || d->Subfields.empty()) continue;
    if (e.Tag == "DNDX") {
      TGIS_FileSDTS_DDAFieldArray first(d->Subfields.begin(), d->Subfields.begin() + 1);
      ReadAllRepeated(e, first, cell.IndexValues);
    } else if (e.Tag == "ATID") {
      ReadAllRepeated(e, d->Subfields, cell.AttributeRefs);
    } else if (e.Tag == "CVLS") {
      const TGIS_FileSDTS_DDAField& first = d->Subfields[0];
      if (first.Format == 'B') {
        // the field's bytes without its terminator, to machine order
        const std::size_t n = e.Length > 0 ? std::size_t(e.Length - 1) : 0;
        cell.Values.assign(e.Data, e.Data + n);
        if (first.Width == 16) SdtsReverseGroups(cell.Values, 2);
        if (first.Width == 32) SdtsReverseGroups(cell.Values, 4);
        if (first.Width == 64) SdtsReverseGroups(cell.Values, 8);
      } else if (first.Format == 'I' || first.Format == 'R' || first.Format == 'S') {
        TGIS_FileSDTS_DDAFieldArray one{first};
        if (first.Format == 'I') {
          std::vector<TGIS_FileSDTS_IndexValue> values;
          one[0].Target = SdtsTarget(&TGIS_FileSDTS_IndexValue::Value);
          ReadAllRepeated(e, one, values);
          cell.Values.resize(values.size() * 4);
          for (std::size_t i = 0; i < values.size(); ++i)
            SdtsPutCell(cell.Values, i, values[i].Value);
        } else {
          std::vector<TGIS_FileSDTS_AxisLabel> values;
          one[0].Target = SdtsTarget(&TGIS_FileSDTS_AxisLabel::Value);
          ReadAllRepeated(e, one, values);
          cell.Values.resize(values.size() * 8);
          for (std::size_t i = 0; i < values.size(); ++i)
            SdtsPutCell(cell.Values, i, values[i].Value);
        }
      }
    }
  }
}

// ---- TGIS_FileSDTS_RPE ------------------------------------------------------------------------

TGIS_FileSDTS_RPE::TGIS_FileSDTS_RPE(const TGIS_FileSDTS& transfer) {
  ShareFrom(transfer);
}

TGIS_FileSDTS_RPE::~TGIS_FileSDTS_RPE() = default;

void TGIS_FileSDTS_RPE::Load() {
  auto entry = [&](const char* name) -> const TGIS_FileSDTS_CatDir* {
    for (const auto& e : *catalog_)
      if (e.NAME == name) return &e;
    return nullptr;
  };
  if (rasterDefinitions_->empty())
    if (const auto* e = entry("RSDF")) ReadRasterDefinition(ModulePath(*e), e->RecordCount);
  if (layerDefinitions_->empty())
    if (const auto* e = entry("LDEF")) ReadLayerDefinition(ModulePath(*e), e->RecordCount);
  rasterCount_ = int(rasterDefinitions_->size());
  layerIndexes_.assign(std::size_t(rasterCount_), {});
  cells_.assign(std::size_t(rasterCount_), {});
  for (int i = 0; i < rasterCount_; ++i) {
    const TGIS_FileSDTS_RasterDef& r = (*rasterDefinitions_)[std::size_t(i)];
    // a layer without a reference has no definition, so no more layers than references
    const int layers = std::clamp(r.NLAY, 0, int(r.LayerRefs.size()));
    for (int j = 0; j < layers; ++j) {
      layerIndexes_[std::size_t(i)].push_back(
          FindByRcid(*layerDefinitions_, r.LayerRefs[std::size_t(j)].RCID));
      cells_[std::size_t(i)].emplace_back();
      if (layerIndexes_[std::size_t(i)].back() < 0) continue;
      ReadCells(i, j);
      ApplyFill(i, j);
    }
  }
}

void TGIS_FileSDTS_RPE::CheckIndex(int raster, int layer) const {
  if (raster < 0 || raster >= rasterCount_ || layer < 0 ||
      layer >= int(layerIndexes_[std::size_t(raster)].size()))
    throw EAssertionFailed("SDTS raster or layer index must be in range", "GisFileSDTS", 0);
}

const TGIS_FileSDTS_LayerDef* TGIS_FileSDTS_RPE::LayerDefinition(int raster, int layer) const {
  CheckIndex(raster, layer);
  const int index = layerIndexes_[std::size_t(raster)][std::size_t(layer)];
  return index < 0 ? nullptr : &(*layerDefinitions_)[std::size_t(index)];
}

int TGIS_FileSDTS_RPE::GetLayerCount(int raster) const {
  CheckIndex(raster, 0 * raster);
  return (*rasterDefinitions_)[std::size_t(raster)].NLAY;
}

double TGIS_FileSDTS_RPE::GetOriginX(int raster) const {
  if (raster < 0 || raster >= rasterCount_) throw EAssertionFailed("SDTS raster index must be in range", "GisFileSDTS", 0);
  const double x = (*rasterDefinitions_)[std::size_t(raster)].Origin.X;
  if (internalRefs_->empty() || internalRefs_->front().SFAX == 0) return x;
  return internalRefs_->front().SFAX * x + internalRefs_->front().XORG;
}

double TGIS_FileSDTS_RPE::GetOriginY(int raster) const {
  if (raster < 0 || raster >= rasterCount_) throw EAssertionFailed("SDTS raster index must be in range", "GisFileSDTS", 0);
  const double y = (*rasterDefinitions_)[std::size_t(raster)].Origin.Y;
  if (internalRefs_->empty() || internalRefs_->front().SFAY == 0) return y;
  return internalRefs_->front().SFAY * y + internalRefs_->front().YORG;
}

int TGIS_FileSDTS_RPE::GetRowCount(int raster) const {
  if (raster < 0 || raster >= rasterCount_) throw EAssertionFailed("SDTS raster index must be in range", "GisFileSDTS", 0);
  return (*rasterDefinitions_)[std::size_t(raster)].RWXT;
}

int TGIS_FileSDTS_RPE::GetColumnCount(int raster) const {
  if (raster < 0 || raster >= rasterCount_) throw EAssertionFailed("SDTS raster index must be in range", "GisFileSDTS", 0);
  return (*rasterDefinitions_)[std::size_t(raster)].CLXT;
}

TGIS_SdtsCellKind TGIS_FileSDTS_RPE::GetCellKind(int raster, int layer) const {
  const TGIS_FileSDTS_LayerDef* def = LayerDefinition(raster, layer);
  if (def == nullptr) return TGIS_SdtsCellKind::Unknown;
  const int schema = FindSchema(def->CMNM);
  return schema < 0 ? TGIS_SdtsCellKind::Unknown
                    : SdtsCellKind(Trim((*dictionarySchemas_)[std::size_t(schema)].FMT));
}

int TGIS_FileSDTS_RPE::GetCellSize(int raster, int layer) const {
  return SdtsCellSize(GetCellKind(raster, layer));
}

double TGIS_FileSDTS_RPE::GetResolutionX(int raster) const {
  if (raster < 0 || std::size_t(raster) >= internalRefs_->size()) return 0;
  return (*internalRefs_)[std::size_t(raster)].XHRS;
}

double TGIS_FileSDTS_RPE::GetResolutionY(int raster) const {
  if (raster < 0 || std::size_t(raster) >= internalRefs_->size()) return 0;
  return (*internalRefs_)[std::size_t(raster)].YHRS;
}

const std::vector<std::uint8_t>& TGIS_FileSDTS_RPE::GetCells(int raster, int layer) const {
  CheckIndex(raster, layer);
  return cells_[std::size_t(raster)][std::size_t(layer)];
}

double TGIS_FileSDTS_RPE::DomainValue(const char* word) const {
  const int i = FindDomain(word);
  return i < 0 ? 0 : (*dictionaryDomains_)[std::size_t(i)].DVAL;
}

double TGIS_FileSDTS_RPE::GetFillValue() const {
  return DomainValue("FILL");
}
double TGIS_FileSDTS_RPE::GetVoidValue() const {
  return DomainValue("VOID");
}
double TGIS_FileSDTS_RPE::GetMinValue() const {
  return DomainValue("MIN");
}
double TGIS_FileSDTS_RPE::GetMaxValue() const {
  return DomainValue("MAX");
}

void TGIS_FileSDTS_RPE::GetExtent(int raster, double& xmin, double& ymin, double& xmax,
                                  double& ymax) const {
  if (raster < 0 || raster >= rasterCount_) throw EAssertionFailed("SDTS raster index must be in range", "GisFileSDTS", 0);
  const TGIS_FileSDTS_RasterDef& r = (*rasterDefinitions_)[std::size_t(raster)];
  const double ox = GetOriginX(raster), oy = GetOriginY(raster);
  if (ox >= 1 && oy >= 1) {
    // the origin and the resolution of the raster's own internal reference
    const int ref = FindByRcid(*internalRefs_, r.InternalRef.RCID);
    const TGIS_FileSDTS_IntRef* ir =
        ref >= 0 ? &(*internalRefs_)[std::size_t(ref)]
                 : (internalRefs_->empty() ? nullptr : &internalRefs_->front());
    const double rx = ir ? ir->XHRS : 0, ry = ir ? ir->YHRS : 0;
    xmin = ox;
    xmax = ox + rx * r.CLXT;
    ymax = oy;
    ymin = oy - ry * r.RWXT;
  } else {
    if (std::size_t(raster) >= spatialDomains_->size()) return;
    const auto& points = (*spatialDomains_)[std::size_t(raster)].Points;
    if (points.size() < 4) return;
    xmin = points[1].X;
    ymin = points[1].Y;
    xmax = points[3].X;
    ymax = points[3].Y;
  }
  if (ymin > ymax) std::swap(ymin, ymax);
}

void TGIS_FileSDTS_RPE::ReadCells(int raster, int layer) {
  const TGIS_FileSDTS_LayerDef* def = LayerDefinition(raster, layer);
  const TGIS_FileSDTS_RasterDef& r = (*rasterDefinitions_)[std::size_t(raster)];
  std::vector<std::uint8_t>& block = cells_[std::size_t(raster)][std::size_t(layer)];
  block.clear();
  if (def == nullptr) return;
  const int size = GetCellSize(raster, layer);
  const std::int64_t bytes = std::int64_t(std::max(r.RWXT, 0)) * std::max(r.CLXT, 0) * size;
  if (bytes <= 0 || bytes > kSdtsMaxBlock) return;
  const TGIS_FileSDTS_CatDir* module = nullptr;
  for (const auto& e : *catalog_)
    if (e.NAME == def->CMNM) {
      module = &e;
      break;
    }
  if (module == nullptr) {
    if (bytes <= kSdtsBlockSlack) block.assign(std::size_t(bytes), 0);
    return;
  }
  auto file = OpenCellModule(ModulePath(*module));
  // a grid far larger than its cells can fill is damage, not a sparse grid
  if (bytes > kSdtsBlockSlack + kSdtsBlockPerModuleByte * file->Size()) return;
  block.assign(std::size_t(bytes), 0);
  TGIS_FileSDTS_DirEntryArray entries(file->Descriptions().size() + 1);
  TGIS_FileSDTS_Cell cell;
  try {
    for (;;) {
      ReadCell(*file, entries, cell);
      if (cell.MODN == "NULL") break;
      if (cell.ROWI < 1 || cell.COLI < 1 || cell.Values.empty()) continue;
      const std::int64_t at =
          ((std::int64_t(cell.ROWI) - 1) * r.CLXT + (std::int64_t(cell.COLI) - 1)) * size;
      if (at >= bytes) continue;
      const std::int64_t n = std::min<std::int64_t>(std::int64_t(cell.Values.size()), bytes - at);
      std::memcpy(block.data() + at, cell.Values.data(), std::size_t(n));
    }
  } catch (const Exception&) {
    // the cells read so far stay
  }
}

void TGIS_FileSDTS_RPE::ApplyFill(int raster, int layer) {
  const double fill = GetFillValue(), empty = GetVoidValue();
  if (fill == empty) return;
  std::vector<std::uint8_t>& block = cells_[std::size_t(raster)][std::size_t(layer)];
  const int size = GetCellSize(raster, layer);
  if (size == 0) return;
  const std::size_t cells = block.size() / std::size_t(size);
  switch (GetCellKind(raster, layer)) {
  case TGIS_SdtsCellKind::UInt8:
  case TGIS_SdtsCellKind::Int8:
    SdtsReplaceCells(block, cells, SdtsWholeCell<std::uint8_t>(fill), SdtsWholeCell<std::uint8_t>(empty));
    break;
  case TGIS_SdtsCellKind::UInt16:
  case TGIS_SdtsCellKind::Int16:
    SdtsReplaceCells(block, cells, SdtsWholeCell<std::uint16_t>(fill), SdtsWholeCell<std::uint16_t>(empty));
    break;
  case TGIS_SdtsCellKind::UInt32:
  case TGIS_SdtsCellKind::Int32:
    SdtsReplaceCells(block, cells, SdtsWholeCell<std::uint32_t>(fill), SdtsWholeCell<std::uint32_t>(empty));
    break;
  case TGIS_SdtsCellKind::Single:
    SdtsReplaceCells(block, cells, float(fill), float(empty));
    break;
  case TGIS_SdtsCellKind::Double:
    SdtsReplaceCells(block, cells, fill, empty);
    break;
  default:
    break;
  }
}

// ---- TGIS_LayerSDTS_RPE ---------------------------------------------------------------------------

TGIS_LayerSDTS_RPE::TGIS_LayerSDTS_RPE() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_READS_WHOLE;
  minColor_ = 0x202020;
  maxColor_ = 0xFFFFFF;
  isGrid_ = true;
  noDataColor_ = 0;
  hasAltitudeZones_ = false;
}

TGIS_LayerSDTS_RPE::~TGIS_LayerSDTS_RPE() {
  profile_.reset();
  transfer_.reset();
}

void TGIS_LayerSDTS_RPE::LoadProfile() {
  auto profile = std::make_unique<TGIS_FileSDTS_RPE>(*transfer_);
  profile->Load();
  profile_ = std::move(profile);
}

void TGIS_LayerSDTS_RPE::Open() {
  if (!transfer_) throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_, 0);
  try {
    LoadProfile();
    const TGIS_FileSDTS_RPE& p = *profile_;
    height_ = p.GetRowCount(0);
    width_ = p.GetColumnCount(0);
    pixelSizeX_ = p.GetResolutionX(0);
    pixelSizeY_ = -p.GetResolutionY(0);
    minValue_ = float(p.GetMinValue());
    maxValue_ = float(p.GetMaxValue());
    noDataValue_ = float(p.GetVoidValue());
    fillValue_ = p.GetFillValue();
    cellKind_ = p.GetCellKind(0, 0);
    cellSize_ = p.GetCellSize(0, 0);
    // the block must hold every cell the grid names
    if (width_ <= 0 || height_ <= 0 || cellSize_ <= 0 ||
        std::int64_t(p.GetCells(0, 0).size()) != std::int64_t(width_) * height_ * cellSize_)
      throw EReadError("no cells");
    PixelParams().SetGridNoValue(noDataValue_);
    TGIS_Extent e = extent_;
    p.GetExtent(0, e.XMin, e.YMin, e.XMax, e.YMax);
    e.XMin -= 0.5 * pixelSizeX_;
    e.XMax -= 0.5 * pixelSizeX_;
    e.YMin += 0.5 * std::fabs(pixelSizeY_);
    e.YMax += 0.5 * std::fabs(pixelSizeY_);
    SetExtent(e);
    ResetPictureHeader(24);
    info_.Info.bmiHeader.biSize = 40;
    bitsPerPixel_ = 24;
    outBitsPerPixel_ = 24;
    lineBytes_ = width_ * cellSize_;
    outLineBytes_ = width_ * 3;
    transparentMask_[0] = {true, true, true};
    units_->SetType(transfer_->GetUnitsType());
  } catch (const Exception&) {
    profile_.reset();
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_, 0);
  }
  lastRow_ = -1;
  TGIS_LayerPixel::Open();
  SetFileInfo(Format("SDTS (The Spatial Data Transfer Standard ) DEM Layer\r\n%d x %d",
                     {width_, height_}));
}

void TGIS_LayerSDTS_RPE::WakeUp() {
  TGIS_LayerPixel::WakeUp();
  if (!transfer_) {
    auto transfer = std::make_unique<TGIS_FileSDTS>();
    transfer->Open(path_);
    transfer_ = std::move(transfer);
  }
  if (!profile_) LoadProfile();
}

void TGIS_LayerSDTS_RPE::MakeDormant() {
  // without its file the grid could not be read again: it stays
  if (!path_.empty() && FileExists(path_)) {
    profile_.reset();
    transfer_.reset();
  }
  TGIS_LayerPixel::MakeDormant();
}

double TGIS_LayerSDTS_RPE::Cell(int column, int row) const {
  const auto& block = profile_->GetCells(0, 0);
  const std::size_t index = std::size_t(row) * std::size_t(width_) + std::size_t(column);
  if ((index + 1) * std::size_t(cellSize_) > block.size()) throw EReadError("cell outside grid");
  return SdtsCellValue(block, cellKind_, index);
}

int TGIS_LayerSDTS_RPE::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (row < 0 || row >= height_) return 0;
  try {
    if (!profile_) WakeUp();
    const int first = offset / 3;
    const int pixels = std::min(count / 3, width_ - first);
    for (int i = 0; i < pixels; ++i) {
      const double v = Cell(first + i, row);
      PutGridPixel(buffer + 3 * i, v, float(v) == noDataValue_);
    }
    return std::max(pixels, 0) * 3;
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
}

bool TGIS_LayerSDTS_RPE::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  if (cell.x < 0 || cell.x >= width_ || cell.y < 0 || cell.y >= height_) return false;
  try {
    if (!profile_) WakeUp();
    if (values.empty()) values.resize(1);
    values[0] = Cell(cell.x, cell.y);
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  return true;
}

int TGIS_LayerSDTS_RPE::ReadGridLine(std::vector<float>& values, int row, int count,
                                     int firstColumn) {
  lastRow_ = row;
  if (values.empty()) values.resize(std::size_t(std::max(readWidth_, width_)));
  if (row < 0 || row >= height_ || firstColumn < 0) return 0;
  const int n = std::min({count, width_ - firstColumn, int(values.size())});
  try {
    if (!profile_) WakeUp();
    for (int i = 0; i < n; ++i)
      values[std::size_t(i)] = float(Cell(firstColumn + i, row));
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  return std::max(n, 0);
}
