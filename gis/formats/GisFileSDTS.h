// The GisFileSDTS module: reading SDTS transfers.
//
//   TGIS_FileSDTS_ISO8211  one ISO 8211 module file held in memory: its data
//                          descriptive record (field descriptions with their
//                          subfield labels and formats) and its data records,
//                          handed out one at a time as directories of fields
//   TGIS_FileSDTS          a transfer: the catalogue and the global modules
//                          in record lists, the field decoder that turns the
//                          bytes of one field into the members of a record,
//                          and the module readers of both profiles
//   TGIS_FileSDTS_RPE      the raster profile (a DEM): cell grids in memory
//   TGIS_FileSDTS_TVP      the topological vector profile: points, lines,
//                          polygons and primary attributes
//
// Every read stays inside the module's bytes: a field's remaining length is
// counted down by every subfield read from it, a record whose directory
// points outside it ends the module, and lists are never sized beyond what
// the module file could hold.
//
// A subfield's target is a member of the record a module reader fills
// (SdtsTarget(&TGIS_FileSDTS_CatDir::NAME)); labels the reader does not map
// have no target and are skipped.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefsUnits.h"
#include "gis/viewer/GisViewerLayer.h"

// ---- ISO 8211 ---------------------------------------------------------------------------

/// One field of a data record: the field decoder consumes it from the front.
struct TGIS_FileSDTS_DirEntry {
  std::string Tag;
  /// Bytes left of the field (its terminator included).
  std::int32_t Length = 0;
  /// The next byte of the field in the module's buffer; null for none.
  const std::uint8_t* Data = nullptr;
};
using TGIS_FileSDTS_DirEntryArray = std::vector<TGIS_FileSDTS_DirEntry>;

/// A decoded subfield value on its way to a record member.
struct TGIS_FileSDTS_Value {
  enum class TKind { None, Text, Int, Real, Bytes };
  TKind Kind = TKind::None;
  std::string Text; // Text and Bytes
  std::int64_t Int = 0;
  double Real = 0;
};

/// Stores a value into a member of the record at `record`.
using TGIS_FileSDTS_Target = std::function<void(void* record, const TGIS_FileSDTS_Value& value)>;

void SdtsStoreValue(std::string& member, const TGIS_FileSDTS_Value& value);
void SdtsStoreValue(std::int32_t& member, const TGIS_FileSDTS_Value& value);
void SdtsStoreValue(double& member, const TGIS_FileSDTS_Value& value);

/// The target of member `m` of records of type R.
template <class R, class M> TGIS_FileSDTS_Target SdtsTarget(M R::* m) {
  return [m](void* record, const TGIS_FileSDTS_Value& value) {
    SdtsStoreValue(static_cast<R*>(record)->*m, value);
  };
}

/// One subfield label of a field description.
struct TGIS_FileSDTS_DDAField {
  std::string Label;
  /// 'A', 'B', 'C', 'I', 'R', 'S', 'X', 0 for none; 'H'/'V' for a binary
  /// spatial address converted by the internal spatial reference.
  char Format = 0;
  /// Characters, bits for 'B'; 0 = delimited.
  std::int32_t Width = 0;
  TGIS_FileSDTS_Target Target;
  /// Overrides the format character when set ("R", "BI32", ...).
  std::string FormatName;
};
using TGIS_FileSDTS_DDAFieldArray = std::vector<TGIS_FileSDTS_DDAField>;

/// One field description of the data descriptive record.
struct TGIS_FileSDTS_DDAEntry {
  std::string Tag;
  std::string FieldControls;
  std::string Name;
  TGIS_FileSDTS_DDAFieldArray Subfields;
};
using TGIS_FileSDTS_DDAEntryArray = std::vector<TGIS_FileSDTS_DDAEntry>;

/// The formats of a format-control text for `labelCount` labels, in label
/// order (a label without a format gets format 0, width 0).
std::vector<std::pair<char, std::int32_t>> SdtsParseFormatControls(const std::string& text,
                                                                   std::size_t labelCount);

class TGIS_FileSDTS_ISO8211 {
public:
  /// Reads the whole file and its data descriptive record. A missing file
  /// raises the stream's error; a leader that is not numeric the conversion
  /// error; a leader or directory outside the record 0034 with the path.
  explicit TGIS_FileSDTS_ISO8211(const std::string& path);
  /// The same over bytes in memory (`path` names them in errors).
  TGIS_FileSDTS_ISO8211(const std::string& path, std::vector<std::uint8_t> bytes);
  ~TGIS_FileSDTS_ISO8211();

  TGIS_FileSDTS_DirEntry GetDirEntry(int index) const;
  int GetDirCount() const { return int(ddrDirectory_.size()); }
  int GetLastDirIndex() const { return GetDirCount() - 1; }
  /// The next data record into `entries` (grown, never shrunk; entries past
  /// the record's own are emptied). False at the end or when the record
  /// cannot be read; every true call moves on by at least one byte.
  bool ReadRecord(TGIS_FileSDTS_DirEntryArray& entries);

  TGIS_FileSDTS_DDAEntryArray& Descriptions() { return descriptions_; }
  /// The description of a tag; null when none.
  TGIS_FileSDTS_DDAEntry* FindDescription(const std::string& tag);
  const std::string& Path() const { return path_; }
  std::int64_t Size() const { return std::int64_t(buffer_.size()) - 1; }

  // the leader of the data descriptive record
  std::int32_t RecordLength() const { return recordLength_; }
  char InterchangeLevel() const { return interchangeLevel_; }
  char LeaderId() const { return leaderId_; }
  char ExtensionIndicator() const { return extensionIndicator_; }
  std::int32_t FieldControlLength() const { return fieldControlLength_; }
  std::int32_t BaseAddress() const { return baseAddress_; }
  const std::string& CharacterSet() const { return characterSet_; }
  std::int32_t SizeFieldTag() const { return sizeFieldTag_; }
  std::int32_t SizeFieldPos() const { return sizeFieldPos_; }
  std::int32_t SizeFieldLength() const { return sizeFieldLength_; }

private:
  void ParseDDR();
  void ParseDescription(const TGIS_FileSDTS_DirEntry& entry);
  [[noreturn]] void BadFormat() const;

  std::string path_;
  std::vector<std::uint8_t> buffer_; // the file and one zero byte
  std::size_t position_ = 0;
  std::size_t end_ = 0;
  std::int32_t recordLength_ = 0, fieldControlLength_ = 0, baseAddress_ = 0;
  char interchangeLevel_ = 0, leaderId_ = 0, extensionIndicator_ = 0;
  std::string characterSet_;
  std::int32_t sizeFieldTag_ = 0, sizeFieldPos_ = 0, sizeFieldLength_ = 0;
  TGIS_FileSDTS_DirEntryArray ddrDirectory_;
  TGIS_FileSDTS_DDAEntryArray descriptions_;
  TGIS_FileSDTS_DirEntryArray savedDirectory_;
};

// ---- the transfer's records ---------------------------------------------------------------

struct TGIS_FileSDTS_ExtRef {
  std::string MODN;
  std::int32_t RCID = 0;
};

struct TGIS_FileSDTS_Ident {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string STID, STVS, DOCU, PRID, PRVS, PDOC, TITL, DAID, DAST, MPDT, DCDT;
  std::int32_t SCAL = 0;
  std::string COMT, FFYN, VGYN, GTYN, RCYN;
  std::int32_t EXSP = 0, FTLV = 0, CDLV = 0;
  std::string NGDM;
  std::vector<TGIS_FileSDTS_ExtRef> AttributeRefs;
};

struct TGIS_FileSDTS_CatDir {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string NAME, TYPE, VOLM, FILE, RECD, EXTR, MVER, COMT;
  std::int32_t RecordCount = 0;
  std::int32_t SpatialAddressCount = 0;
};

struct TGIS_FileSDTS_CatSpat {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string NAME, TYPE, DOMN, MAP, THEM, AGOB, AGTP, COMT;
};

struct TGIS_FileSDTS_IntRef {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string COMT, SATP, XLBL, YLBL, HFMT, VFMT;
  double SFAX = 0, SFAY = 0, SFAZ = 0, XORG = 0, YORG = 0, ZORG = 0, XHRS = 0, YHRS = 0,
         VRES = 0;
  std::vector<TGIS_FileSDTS_ExtRef> DimensionRefs;
};

struct TGIS_FileSDTS_VertAttrb {
  std::string VDAT, VEM, ATLB, AUTH;
};
struct TGIS_FileSDTS_SoundAttrb {
  std::string SDAT, SEM, ATLB, AUTH;
};

struct TGIS_FileSDTS_ExtSpRef {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string COMT, RDOC, RSNM, VDAT, SDAT, HDAT, ZONE, PROJ;
  std::vector<TGIS_FileSDTS_ExtRef> AttributeRefs;
  std::vector<TGIS_FileSDTS_VertAttrb> VerticalAttributes;
  std::vector<TGIS_FileSDTS_SoundAttrb> SoundingAttributes;
};

struct TGIS_FileSDTS_SpatialPoint {
  double X = 0, Y = 0, Z = 0;
};

struct TGIS_FileSDTS_SpDomain {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string DTYP, DSTP, COMT;
  std::vector<TGIS_FileSDTS_SpatialPoint> Points;
};

struct TGIS_FileSDTS_DataDirDef {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string EORA, EALB, SRCE, DFIN, AUTH, ADSC;
};

struct TGIS_FileSDTS_DataDirDom {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string ATLB, AUTH, ATYP, ADVF, ADMU, RAVA;
  double DVAL = 0;
  std::string DVDF;
};

struct TGIS_FileSDTS_DataDirSch {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string NAME, TYPE, ETLB, EUTH, ATLB, AUTH, FMT, UNIT;
  double PREC = 0;
  std::int32_t MXLN = 0;
  std::string KEY;
};

struct TGIS_FileSDTS_RasterDimExt {
  std::int32_t DEXT = 0;
  std::string DSCO;
};

struct TGIS_FileSDTS_AxisLabel {
  double Value = 0;
};

struct TGIS_FileSDTS_RasterDef {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string OBRP, CSCD, AQMD, AQDT, COMT, DEFI, CMPR, CMMD, DCOM, METH;
  std::int32_t RWXT = 0, CLXT = 0, PLXT = 0;
  std::string SCOR, SCPT, TIDX, TIFT, TIDS;
  std::int32_t ALTN = 0;
  std::string FSCN;
  double ASPR = 0;
  std::int32_t NLAY = 0;
  TGIS_FileSDTS_ExtRef InternalRef;
  std::vector<TGIS_FileSDTS_RasterDimExt> DimensionExtents;
  TGIS_FileSDTS_SpatialPoint Origin;
  std::vector<TGIS_FileSDTS_AxisLabel> AxisX, AxisY, AxisZ;
  std::vector<TGIS_FileSDTS_ExtRef> LayerRefs, AttributePointers, CompositeRefs;
};

struct TGIS_FileSDTS_LayerDimExt {
  std::int32_t DEXT = 0, SODM = 0, DTOO = 0;
  std::string DINR;
};

struct TGIS_FileSDTS_LayerDef {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string CMNM, LLBL, CODE, BMSK;
  std::int32_t NROW = 0, NCOL = 0, NPLA = 0, SORI = 0, SOCI = 0, SOPI = 0, RWOO = 0, CLOO = 0,
               PLOO = 0;
  std::string INTR, COMT;
  std::vector<TGIS_FileSDTS_LayerDimExt> DimensionExtents;
  std::vector<TGIS_FileSDTS_ExtRef> AttributePointers;
};

struct TGIS_FileSDTS_IndexValue {
  std::int32_t Value = 0;
};

struct TGIS_FileSDTS_Cell {
  std::string MODN;
  std::int32_t RCID = 0, NCEL = 0, ROWI = 0, COLI = 0, PLAI = 0, TIND = 0;
  std::vector<TGIS_FileSDTS_IndexValue> IndexValues;
  std::vector<TGIS_FileSDTS_ExtRef> AttributeRefs;
  /// The cell values in machine byte order.
  std::vector<std::uint8_t> Values;
};

struct TGIS_FileSDTS_AttribDef {
  std::string Name, Format;
  std::int32_t Width = 0;
  std::string Value;
};

struct TGIS_FileSDTS_Point {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string OBRP;
  double X = 0, Y = 0, Z = 0;
  TGIS_FileSDTS_ExtRef AttributeRef;
};

struct TGIS_FileSDTS_Line {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string OBRP;
  TGIS_FileSDTS_ExtRef AttributeRef;
  std::vector<TGIS_FileSDTS_SpatialPoint> Points;
};

struct TGIS_FileSDTS_Polygon {
  std::string MODN;
  std::int32_t RCID = 0;
  std::string OBRP;
  TGIS_FileSDTS_ExtRef ATID, RFID, CHID, CPID, RPID;
};

struct TGIS_FileSDTS_AttrbPrim {
  std::string MODN;
  std::int32_t RCID = 0, OBID = 0;
  std::vector<TGIS_FileSDTS_AttribDef> Values;
};

struct TGIS_FileSDTS_AttrbSec {
  std::string MODN;
  std::int32_t RCID = 0;
  std::vector<TGIS_FileSDTS_AttribDef> Values;
};

/// A record list shared by a transfer and the profile made from it.
template <class T> using TGIS_FileSDTS_List = std::shared_ptr<std::vector<T>>;

// ---- the transfer ------------------------------------------------------------------------

inline constexpr std::uint32_t SDTS_FLAG_IDENT = 1;
inline constexpr std::uint32_t SDTS_FLAG_SPATIAL_CATALOG = 2;
inline constexpr std::uint32_t SDTS_FLAG_INTERNAL_REF = 8;
inline constexpr std::uint32_t SDTS_FLAG_EXTERNAL_REF = 16;
inline constexpr std::uint32_t SDTS_FLAG_STATISTICS = 512;
inline constexpr std::uint32_t SDTS_FLAG_RASTER_DEF = 1024;
inline constexpr std::uint32_t SDTS_FLAG_LAYER_DEF = 2048;
inline constexpr std::uint32_t SDTS_FLAG_CELLS = 4096;

class TGIS_FileSDTS : public TGIS_BaseObject {
public:
  TGIS_FileSDTS();
  ~TGIS_FileSDTS() override;

  /// Reads the catalogue and the global modules of the transfer that
  /// `path` (any of its module files) belongs to.
  void Open(const std::string& path);
  bool IsRaster() const;
  bool IsVector() const;
  std::string GetDescription() const;
  TGIS_UnitsType GetUnitsType() const;
  template <class R> static int FindByRcid(const std::vector<R>& list, std::int32_t rcid) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i].RCID == rcid) return int(i);
    return -1;
  }
  int FindSchema(const std::string& name) const;
  int FindDomain(const std::string& word) const;

  const std::string& BasePath() const { return basePath_; }
  std::uint32_t Flags() const { return flags_; }
  const TGIS_FileSDTS_Ident& Ident() const { return ident_; }
  const std::vector<TGIS_FileSDTS_CatDir>& Catalog() const { return *catalog_; }
  const std::vector<TGIS_FileSDTS_CatSpat>& SpatialCatalog() const { return *spatialCatalog_; }
  const std::vector<TGIS_FileSDTS_IntRef>& InternalRefs() const { return *internalRefs_; }
  const std::vector<TGIS_FileSDTS_ExtSpRef>& ExternalRefs() const { return *externalRefs_; }
  const std::vector<TGIS_FileSDTS_SpDomain>& SpatialDomains() const { return *spatialDomains_; }
  const std::vector<TGIS_FileSDTS_DataDirDef>& DictionaryDefinitions() const {
    return *dictionaryDefinitions_;
  }
  const std::vector<TGIS_FileSDTS_DataDirDom>& DictionaryDomains() const {
    return *dictionaryDomains_;
  }
  const std::vector<TGIS_FileSDTS_DataDirSch>& DictionarySchemas() const {
    return *dictionarySchemas_;
  }
  const std::vector<TGIS_FileSDTS_RasterDef>& RasterDefinitions() const {
    return *rasterDefinitions_;
  }
  const std::vector<TGIS_FileSDTS_LayerDef>& LayerDefinitions() const {
    return *layerDefinitions_;
  }
  const std::vector<TGIS_FileSDTS_Point>& Points() const { return *points_; }
  const std::vector<TGIS_FileSDTS_Line>& Lines() const { return *lines_; }
  const std::vector<TGIS_FileSDTS_Polygon>& Polygons() const { return *polygons_; }
  const std::vector<TGIS_FileSDTS_AttrbPrim>& PrimaryAttributes() const {
    return *primaryAttributes_;
  }
  /// How many owners the catalogue list has (the transfer and its profiles).
  long CatalogOwners() const { return catalog_.use_count(); }

  // ---- the field decoder ----
  /// Decodes one occurrence of `subfields` from `entry` into `record`.
  void ReadFieldInto(TGIS_FileSDTS_DirEntry& entry, TGIS_FileSDTS_DDAFieldArray& subfields,
                     int index, void* record);
  static std::int32_t RepeatCount(const TGIS_FileSDTS_DirEntry& entry,
                                  const TGIS_FileSDTS_DDAFieldArray& subfields);
  template <class R>
  void ReadRepeated(TGIS_FileSDTS_DirEntry& entry, TGIS_FileSDTS_DDAFieldArray& subfields,
                    int count, std::vector<R>& out) {
    out.resize(std::size_t(count < 0 ? 0 : count));
    for (int k = 0; k < count; ++k)
      ReadFieldInto(entry, subfields, k, &out[std::size_t(k)]);
  }
  /// Repetitions of a field: as many as it holds (never more than its bytes).
  template <class R>
  void ReadAllRepeated(TGIS_FileSDTS_DirEntry& entry, TGIS_FileSDTS_DDAFieldArray& subfields,
                       std::vector<R>& out) {
    std::int32_t n = RepeatCount(entry, subfields);
    if (n > entry.Length) n = entry.Length;
    ReadRepeated(entry, subfields, n, out);
  }
  static std::string ReadDelimited(TGIS_FileSDTS_DirEntry& entry);
  static std::string ReadFixed(TGIS_FileSDTS_DirEntry& entry, std::int32_t count);
  static TGIS_FileSDTS_Value ConvertNamed(const std::string& value, const std::string& name);
  static std::int32_t BinaryFormatBits(const std::string& name);
  /// Prepares a spatial address field: X, Y and Z to their targets, 'I'
  /// read as 'R', binary X/Y by the horizontal and Z by the vertical
  /// format of the internal spatial reference.
  static void SetSpatialAddress(TGIS_FileSDTS_DDAEntry& description, TGIS_FileSDTS_Target x,
                                TGIS_FileSDTS_Target y, TGIS_FileSDTS_Target z);

  // ---- the global module readers ----
  void ReadCatalog(const std::string& path);
  void ReadStatistics(const std::string& path);
  void ReadIdentification(const std::string& path, std::int32_t count);
  void ReadSpatialCatalog(const std::string& path, std::int32_t count);
  void ReadInternalReference(const std::string& path, std::int32_t count);
  void ReadExternalReference(const std::string& path, std::int32_t count);
  void ReadSpatialDomain(const std::string& path, std::int32_t count);
  void ReadDictionaryDefinition(const std::string& path, std::int32_t count);
  void ReadDictionaryDomain(const std::string& path, std::int32_t count);
  void ReadDictionarySchema(const std::string& path, std::int32_t count);

  // ---- the profiles' module readers ----
  void ReadRasterDefinition(const std::string& path, std::int32_t count);
  void ReadLayerDefinition(const std::string& path, std::int32_t count);
  std::unique_ptr<TGIS_FileSDTS_ISO8211> OpenCellModule(const std::string& path);
  /// The next cell record; MODN "NULL" at the end of the module.
  void ReadCell(TGIS_FileSDTS_ISO8211& file, TGIS_FileSDTS_DirEntryArray& entries,
                TGIS_FileSDTS_Cell& cell);
  void ReadPoints(const std::string& path, std::int32_t count);
  void ReadLines(const std::string& path, std::int32_t count);
  void ReadPolygons(const std::string& path, std::int32_t count);
  void ReadPrimaryAttributes(const std::string& path, std::int32_t count);
  void ReadSecondaryAttributes(const std::string& path, std::int32_t count);

  /// The file of a catalogue entry (found without regard to letter case).
  std::string ModulePath(const TGIS_FileSDTS_CatDir& entry) const;

protected:
  /// Takes the global content of `transfer`, lists shared.
  void ShareFrom(const TGIS_FileSDTS& transfer);

  std::string basePath_;
  std::uint32_t flags_ = 0;
  TGIS_FileSDTS_Ident ident_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_CatDir> catalog_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_CatSpat> spatialCatalog_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_IntRef> internalRefs_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_ExtSpRef> externalRefs_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_SpDomain> spatialDomains_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_DataDirDef> dictionaryDefinitions_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_DataDirDom> dictionaryDomains_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_DataDirSch> dictionarySchemas_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_RasterDef> rasterDefinitions_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_LayerDef> layerDefinitions_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_Point> points_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_Line> lines_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_Polygon> polygons_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_AttrbPrim> primaryAttributes_;
  TGIS_FileSDTS_List<TGIS_FileSDTS_AttrbSec> secondaryAttributes_;
};

// ---- the raster profile ------------------------------------------------------------------

/// How the cells of a layer are stored.
enum class TGIS_SdtsCellKind { Unknown, UInt8, Int8, UInt16, Int16, UInt32, Int32, Single, Double };

/// The cell kind of a schema FMT, and its size in bytes (0 for unknown).
TGIS_SdtsCellKind SdtsCellKind(const std::string& fmt);
int SdtsCellSize(TGIS_SdtsCellKind kind);
/// Cell `index` of a block of cells of `kind` as a real.
double SdtsCellValue(const std::vector<std::uint8_t>& block, TGIS_SdtsCellKind kind,
                     std::size_t index);

class TGIS_FileSDTS_RPE : public TGIS_FileSDTS {
public:
  explicit TGIS_FileSDTS_RPE(const TGIS_FileSDTS& transfer);
  ~TGIS_FileSDTS_RPE() override;

  void Load();
  int GetRasterCount() const { return rasterCount_; }
  int GetLayerCount(int raster) const;
  double GetOriginX(int raster) const;
  double GetOriginY(int raster) const;
  int GetRowCount(int raster) const;
  int GetColumnCount(int raster) const;
  TGIS_SdtsCellKind GetCellKind(int raster, int layer) const;
  int GetCellSize(int raster, int layer) const;
  double GetResolutionX(int raster) const;
  double GetResolutionY(int raster) const;
  /// The raster's extent; `extent` is left as given when the transfer
  /// places it neither by its origin nor by four domain points.
  void GetExtent(int raster, double& xmin, double& ymin, double& xmax, double& ymax) const;
  const std::vector<std::uint8_t>& GetCells(int raster, int layer) const;
  double GetFillValue() const;
  double GetVoidValue() const;
  double GetMinValue() const;
  double GetMaxValue() const;

  void ReadCells(int raster, int layer);
  void ApplyFill(int raster, int layer);

private:
  void CheckIndex(int raster, int layer) const;
  const TGIS_FileSDTS_LayerDef* LayerDefinition(int raster, int layer) const;
  double DomainValue(const char* word) const;

  int rasterCount_ = 0;
  std::vector<std::vector<std::int32_t>> layerIndexes_;
  std::vector<std::vector<std::vector<std::uint8_t>>> cells_;
};

// ---- the topological vector profile --------------------------------------------------------

class TGIS_FileSDTS_TVP : public TGIS_FileSDTS {
public:
  using TProgress = std::function<void(void* sender, int position, int end, bool& abort)>;

  explicit TGIS_FileSDTS_TVP(const TGIS_FileSDTS& transfer);
  ~TGIS_FileSDTS_TVP() override;

  void CountRecords();
  void ReadGeometry();
  void ReadAttributes();
  int GetPointCount() const { return int(points_->size()); }
  int GetLineCount() const { return int(lines_->size()); }
  /// The point's coordinates; `values` gets its attribute values (or null).
  TGIS_Point GetPoint(int index, const std::vector<TGIS_FileSDTS_AttribDef>*& values) const;
  int GetLinePointCount(int line) const;
  TGIS_Point GetLinePoint(int line, int point) const;
  const std::vector<TGIS_FileSDTS_AttribDef>* FindAttributes(const std::string& modn,
                                                            std::int32_t rcid) const;
  const std::vector<TGIS_FileSDTS_AttribDef>* GetLineAttributes(int line) const;
  const std::vector<TGIS_FileSDTS_AttribDef>* GetFirstLineAttributes() const;

  TProgress OnProgress;
  std::int64_t Total() const { return total_; }
  std::int64_t Done() const { return done_; }
  double ScaleX() const { return scaleX_; }
  double ScaleY() const { return scaleY_; }
  double OriginX() const { return originX_; }
  double OriginY() const { return originY_; }

private:
  void Progress();

  // sums of the statistics' counts, which may be anything
  std::int64_t total_ = 0, done_ = 0;
  double scaleX_ = 1, scaleY_ = 1, originX_ = 0, originY_ = 0;
};

/// Installs the factory's ".ddf" hook (SdtsOpen).
void GisRegisterSdtsOpen();
