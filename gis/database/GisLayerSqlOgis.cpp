#include "gis/database/GisLayerSqlOgis.h"

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/database/GisSqlTemplates.h"
#include "gis/vector/GisGeometryWkb.h"
#include "gis/vector/GisShapeArc.h"
#include "gis/vector/GisShapePoint.h"
#include "gis/vector/GisShapePolygon.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"
#include "gis/core/GisDefsTokenizer.h"

#include <algorithm>

namespace {

constexpr const char* kOgisModule = "GisLayerSqlOgis";
constexpr int kPairsPerRow = 16;

/// "<first>" then for k = 1 .. 16 the pattern with k in place of "@", joined
/// by `separator`, then "<last>".
std::string OgisPairList(const std::string& first, const std::string& pattern,
                         const std::string& separator, const std::string& last) {
  std::string s = first;
  for (int k = 1; k <= kPairsPerRow; ++k) {
    if (k > 1) s += separator;
    s += StringReplace(pattern, "@", IntToStr(k), true);
  }
  return s + last;
}

std::vector<std::string> OgisTemplates() {
  std::vector<std::string> t(TGIS_LayerSqlOgisAdo::OgisCommandCount);
  t[0] = "CREATE TABLE <#GEOMETRY_COLUMNS#>( F_TABLE_CATALOG <#VARCHAR#>(255),F_TABLE_SCHEMA "
         "<#VARCHAR#>(255),F_TABLE_NAME <#VARCHAR#>(255),F_GEOMETRY_COLUMN <#VARCHAR#>(255),"
         "G_TABLE_CATALOG <#VARCHAR#>(255),G_TABLE_SCHEMA <#VARCHAR#>(255),G_TABLE_NAME "
         "<#VARCHAR#>(255),STORAGE_TYPE <#INTEGER#>,GEOMETRY_TYPE <#INTEGER#>,COORD_DIMENSION "
         "<#INTEGER#>,MAX_PPR <#INTEGER#>,SRID <#INTEGER#> )";
  t[1] = "CREATE TABLE %s( SRID <#INTEGER#> NOT NULL,AUTH_NAME <#VARCHAR#>(255),AUTH_SRID "
         "<#INTEGER#>,SRTEXT <#VARCHAR(2048)#>)";
  t[2] = "CREATE TABLE %s ( <#GID#> <#INTEGER#> <#NOT NULL PRIMARY KEY#>,<#XMIN#> <#DOUBLE#>, "
         "<#YMIN#> <#DOUBLE#>,<#XMAX#> <#DOUBLE#>, <#YMAX#> <#DOUBLE#>,<#WKB_GEOMETRY#> <#BLOB#> )";
  t[3] = OgisPairList("CREATE TABLE %s ( <#GID#> <#INTEGER#>, ESEQ <#INTEGER#>,ETYPE <#INTEGER#>,SEQ "
                      "<#INTEGER#>,",
                      "X@ <#DOUBLE#>, Y@ <#DOUBLE#>", ",", " )");
  t[4] = "CREATE TABLE %s ( <#GID#> <#INTEGER#> <#NOT NULL PRIMARY KEY#> )";
  t[5] = "DROP TABLE %s";
  t[6] = "SELECT * FROM <#GEOMETRY_COLUMNS#> <#GC#>, %s <#SRS#> WHERE %s  AND "
         "<#GC#>.<#SRID#>=<#SRS#>.<#SRID#>";
  t[7] = "<#G_TABLE_CATALOG#>";
  t[8] = "<#G_TABLE_SCHEMA#>";
  t[9] = "<#G_TABLE_NAME#>";
  t[10] = "SELECT <#MAX#>(<#GID#>) <#OPERATOR#> <#GID#> FROM %s";
  // The extent leaves out placeholder rows (XMAX < XMIN, the empty extent).
  t[11] = "SELECT <#MIN#>(<#XMIN#>) <#OPERATOR#> <#XMIN#> FROM %s WHERE <#XMAX#>>=<#XMIN#>";
  t[12] = "SELECT <#MIN#>(YMIN) <#OPERATOR#> <#YMIN#> FROM %s WHERE <#XMAX#>>=<#XMIN#>";
  t[13] = "SELECT <#MAX#>(<#XMAX#>) <#OPERATOR#> <#XMAX#> FROM %s WHERE <#XMAX#>>=<#XMIN#>";
  t[14] = "SELECT <#MAX#>(<#YMAX#>) <#OPERATOR#> <#YMAX#> FROM %s WHERE <#XMAX#>>=<#XMIN#>";
  t[15] = "SELECT * FROM %s";
  t[16] = "SELECT * FROM %s WHERE %s";
  t[17] = "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE (<#GEO#>.%s=%d) AND (<#GEO#>.%s=<#FEA#>.%s)";
  t[18] = "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE  <#XMAX#>>%s AND <#XMIN#><%s AND  <#YMAX#>>%s "
          "AND <#YMIN#><%s AND (<#GEO#>.%s=<#FEA#>.%s) ORDER BY <#GEO#>.%s";
  t[19] = "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE (%s) AND <#XMAX#>>%s AND <#XMIN#><%s AND     "
          "<#YMAX#>>%s AND <#YMIN#><%s AND (<#GEO#>.%s=<#FEA#>.%s) ORDER BY %s";
  t[20] = "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE   (<#GEO#>.%s=<#FEA#>.%s) ORDER BY <#GEO#>.%s";
  t[21] = "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE  (<#GEO#>.%s=<#FEA#>.%s) AND (%s) ORDER BY %s";
  t[22] = "SELECT * FROM %s <#GEO#>, %s <#FEA#> WHERE   (<#GEO#>.%s=<#FEA#>.%s) ORDER BY <#GEO#>.%s, "
          "<#GEO#>.ESEQ, <#GEO#>.SEQ";
  t[23] = "SELECT * FROM %s <#GEO#>, %s <#FEA#> WHERE  (<#GEO#>.%s=<#FEA#>.%s) AND (%s) ORDER BY "
          "<#GEO#>.%s, <#GEO#>.ESEQ, <#GEO#>.SEQ";
  t[24] = "DELETE FROM %s WHERE %s=%d";
  t[25] = "DELETE FROM <#GEOMETRY_COLUMNS#> WHERE %s";
  t[26] = "UPDATE <#GEOMETRY_COLUMNS#>  SET GEOMETRY_TYPE=%d WHERE %s";
  t[27] = "<#XMIN#>=:<#XMIN#>,<#YMIN#>=:<#YMIN#>,<#XMAX#>=:<#XMAX#>,<#YMAX#>=:<#YMAX#>,"
          "<#WKB_GEOMETRY#>=<#:WKB_GEOMETRY#>";
  t[28] = OgisPairList("ESEQ=:ESEQ,ETYPE=:ETYPE,SEQ=:SEQ,", "X@=:X@,Y@=:Y@", ",", "");
  t[29] = "UPDATE %s SET %s WHERE %s=:%s %s";
  t[30] = "INSERT INTO <#GEOMETRY_COLUMNS#> VALUES('%s','%s','%s','%s','%s','%s','%s',%d,%d,%d,%d,%d)";
  t[31] = "INSERT INTO %s VALUES(%d,'%s',%d,'%s')";
  t[32] = "<#GID#>,<#XMIN#>,YMIN,<#XMAX#>,<#YMAX#>,<#WKB_GEOMETRY#>";
  t[33] = OgisPairList("<#GID#>,ESEQ,ETYPE,SEQ,", "X@,Y@", ",", "");
  t[34] = ":<#GID#>,:<#XMIN#>,:<#YMIN#>,:<#XMAX#>,:<#YMAX#>,<#:WKB_GEOMETRY#>";
  t[35] = OgisPairList(":<#GID#>,:ESEQ,:ETYPE,:SEQ,", ":X@,:Y@", ",", "");
  t[36] = "INSERT INTO %s ( %s ) VALUES ( %s ) %s";
  t[37] = "returning <#WKB_GEOMETRY#> into :<#WKB_GEOMETRY#>";
  t[38] = "ALTER TABLE %s <#DROP COLUMN#> %s";
  t[39] = "ALTER TABLE %s ADD %s <#VARCHAR#>(%d)";
  t[40] = "ALTER TABLE %s <#ALTER#> %s <#VARCHAR_LEN#> <#VARCHAR#>(%d)";
  t[41] = "ALTER TABLE %s ADD %s <#DATE#>";
  t[42] = "ALTER TABLE %s ADD %s <#LOGICAL#>";
  t[43] = "ALTER TABLE %s ADD %s <#INTEGER#>";
  t[44] = "ALTER TABLE %s ADD %s <#BIGINT#>";
  t[45] = "ALTER TABLE %s ADD %s <#DOUBLE#>";
  t[46] = "<#POSTRESTRUCTURE#>";
  t[47] = "%s=%d";
  t[48] = "(%s>=%d) and (%s<=%d)";
  t[49] = "      <#G_TABLE_CATALOG#>='%s'  AND <#G_TABLE_SCHEMA#>='%s'  AND <#G_TABLE_NAME#>='%s'";
  t[50] = "<#MAX_NAMELENGTH#>";
  t[51] = "<#GEOMETRY_COLUMNS#>";
  t[52] = "<#SPATIAL_REFERENCE_SYSTEMS#>";
  t[53] = "<#SPATIAL_REFERENCE_SYS#>";
  t[54] = "<#XMIN#>";
  t[55] = "<#XMAX#>";
  t[56] = "<#YMIN#>";
  t[57] = "<#YMAX#>";
  t[58] = "<#GEOMETRY_TYPE#>";
  t[59] = "<#F_GEOMETRY_COLUMN#>";
  t[60] = "<#G_TABLE_NAME#>";
  t[61] = "<#F_TABLE_NAME#>";
  t[62] = "<#STORAGE_TYPE#>";
  t[63] = "<#MAX_PPR#>";
  t[64] = "<#GID#>";
  t[65] = "<#WKB_GEOMETRY#>";
  t[66] = "<#GEO#>";
  t[67] = "_FEA";
  t[68] = "<#COORD_DIMENSION#>";
  t[69] = "CREATE <#UNIQUE INDEX#> %s<#_IDX_#><#UID#> ON %s (GID)";
  t[70] = "CREATE INDEX %s<#_IDX_#><#XMIN#> ON %s (<#XMIN#>)";
  t[71] = "CREATE <#DESC_IB#> INDEX %s<#_IDX_#><#XMAX#> ON %s (<#XMAX#> <#DESC#>)";
  t[72] = "CREATE INDEX %s<#_IDX_#><#YMIN#> ON %s (<#YMIN#>)";
  t[73] = "CREATE <#DESC_IB#> INDEX %s<#_IDX_#><#YMAX#> ON %s (<#YMAX#> <#DESC#>)";
  t[74] = "CREATE INDEX %s<#_IDX_#><#NRM#> ON %s (<#GID#>, ESEQ, SEQ)";
  t[75] = "CREATE <#UNIQUE#> INDEX <#GEOMETRY_COLUMNS#><#_IDX#> ON "
          "<#GEOMETRY_COLUMNS#>(G_TABLE_CATALOG, G_TABLE_SCHEMA, G_TABLE_NAME)";
  t[76] = "ESEQ";
  t[77] = "ETYPE";
  t[78] = "SEQ";
  return t;
}

/// Runs `statement`, ignoring its failure unless the connection was lost
/// (an unconfirmed statement must not pass for done).
template <typename F> void OgisTolerant(F&& statement) {
  try {
    statement();
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
  }
}

} // namespace

TGIS_LayerSqlOgisAdo::TGIS_LayerSqlOgisAdo() = default;

TGIS_LayerSqlOgisAdo::~TGIS_LayerSqlOgisAdo() = default;

std::unique_ptr<TGIS_LayerSqlAbstract> TGIS_LayerSqlOgisAdo::CreateSibling() const {
  return std::make_unique<TGIS_LayerSqlOgisAdo>();
}

std::vector<std::string> TGIS_LayerSqlOgisAdo::CommandTemplates() const {
  static const std::vector<std::string> templates = OgisTemplates();
  return templates;
}

int TGIS_LayerSqlOgisAdo::RoleCommand(TGIS_SqlRole role) const {
  switch (role) {
  case TGIS_SqlRole::SelectAll:
    return 15;
  case TGIS_SqlRole::SelectWhere:
    return 16;
  case TGIS_SqlRole::DropColumn:
    return 38;
  case TGIS_SqlRole::AddString:
    return 39;
  case TGIS_SqlRole::WidenString:
    return 40;
  case TGIS_SqlRole::AddDate:
    return 41;
  case TGIS_SqlRole::AddBoolean:
    return 42;
  case TGIS_SqlRole::AddInteger:
    return 43;
  case TGIS_SqlRole::AddBigInteger:
    return 44;
  case TGIS_SqlRole::AddDouble:
    return 45;
  case TGIS_SqlRole::PostRestructure:
    return 46;
  case TGIS_SqlRole::KeyCondition:
    return 47;
  case TGIS_SqlRole::UidWindow:
    return 48;
  case TGIS_SqlRole::MaxNameLength:
    return 50;
  }
  return -1;
}

// ---- names ----------------------------------------------------------------------------------

std::string TGIS_LayerSqlOgisAdo::Key() const {
  return keyColumn_.empty() ? Command(64) : keyColumn_;
}

std::string TGIS_LayerSqlOgisAdo::UidColumn(bool qualified) const {
  return qualified ? Command(66) + "." + Key() : Key();
}

std::string TGIS_LayerSqlOgisAdo::SelectFrom(const std::string& table,
                                             const std::string& condition) const {
  if (condition.empty()) return Format(Command(15), {table});
  return Format(Command(16), {table, condition});
}

std::string TGIS_LayerSqlOgisAdo::UidEquals(std::int32_t uid) const {
  return Format(Command(47), {Key(), uid});
}

std::string TGIS_LayerSqlOgisAdo::ReferenceTableName() const {
  return shortReference_ ? Command(53) : Command(52);
}

std::string TGIS_LayerSqlOgisAdo::CatalogueCondition(const std::string& catalog,
                                                     const std::string& schema,
                                                     const std::string& table, bool prefixed) const {
  const std::string prefix = prefixed ? "GC." : "";
  auto part = [&](int command, const std::string& value) {
    const std::string column = prefix + Command(command);
    if (!value.empty()) return Format("(%s='%s')", {column, value});
    return Format("((%s='') OR (%s IS NULL)) ", {column, column});
  };
  return Format("%s AND %s AND %s",
                {part(7, catalog), part(8, schema), Format("(%s='%s')", {prefix + Command(9), table})});
}

int TGIS_LayerSqlOgisAdo::GeometryTypeCode(TGIS_ShapeType type) {
  switch (type) {
  case gisShapeTypePoint:
    return 1;
  case gisShapeTypeMultiPoint:
    return 7;
  case gisShapeTypeArc:
    return 9;
  case gisShapeTypePolygon:
    return 11;
  default:
    return 0;
  }
}

TGIS_ShapeType TGIS_LayerSqlOgisAdo::ShapeTypeOfCode(int code) {
  switch (code) {
  case 3:
  case 9:
    return gisShapeTypeArc;
  case 5:
  case 11:
    return gisShapeTypePolygon;
  case 7:
    return gisShapeTypeMultiPoint;
  default:
    return gisShapeTypePoint;
  }
}

// ---- connecting and opening ------------------------------------------------------------------

void TGIS_LayerSqlOgisAdo::ParseStorage() {
  const std::string storage = Trim(ConfigValue("Storage"));
  if (!storage.empty()) {
    binary_ = !SameText(storage, "OpenGisNormalized") && !SameText(storage, "OpenGisNormalized2");
    shortReference_ = SameText(storage, "OpenGisBlob2") || SameText(storage, "OpenGisNormalized2");
  } else {
    binary_ = Trim(ConfigValue("OpenGIS")) == "1";
    shortReference_ = false;
  }
  TStringList fields;
  TGIS_Tokenizer tokenizer;
  tokenizer.ExecuteFields(ConfigValue("Layer"), ';', ' ');
  fields.Assign(tokenizer.Result());
  if (fields.Count() == 0 || Trim(fields[0]).empty())
    throw EGIS_Exception(GIS_RS_ERR_BADPARAM, "Layer", 0);
  if (fields.Count() <= 3) {
    table_ = Trim(fields[0]);
    schema_ = fields.Count() > 1 ? Trim(fields[1]) : std::string();
    catalog_ = fields.Count() > 2 ? Trim(fields[2]) : std::string();
  }
}

void TGIS_LayerSqlOgisAdo::LookUpCatalogue() {
  try {
    QueryOpen(Format(Command(6), {ReferenceTableName(), CatalogueCondition(catalog_, schema_, table_, true)}));
    auto close = ScopeExit([this] { QueryClose(); });
    if (QueryEof()) return;
    keyColumn_ = QueryField(Command(59)).AsString();
    geometryTable_ = QueryField(Command(60)).AsString();
    featureTable_ = QueryField(Command(61)).AsString();
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
  }
}

void TGIS_LayerSqlOgisAdo::Connect() {
  TGIS_LayerSqlAbstract::Connect();
  LookUpCatalogue();
}

void TGIS_LayerSqlOgisAdo::Open() {
  TGIS_LayerVector::Open();
  capabilities_ |= GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_WRITES_FORMAT;
  keyColumn_.clear();
  geometryTable_.clear();
  featureTable_.clear();
  Connect();
  if (readOnly_) capabilities_ &= static_cast<std::uint8_t>(~GIS_CAPABILITY_OWN_FILE);
  uidKind_ = 0;
  QueryOpen(Format(Command(6), {ReferenceTableName(), CatalogueCondition(catalog_, schema_, table_, true)}));
  if (QueryEof()) {
    QueryClose();
    throw EGIS_Exception(GIS_RS_ERR_LAYERNOEXIST, layerName_, 0);
  }
  int dimension = 0;
  try {
    dimension = QueryField(Command(68)).AsInteger();
  } catch (const Exception&) {
  }
  if (dimension != 2) {
    QueryClose();
    throw EGIS_Exception("Unsupported number of ordinates");
  }
  try {
    storedType_ = ShapeTypeOfCode(QueryField(Command(58)).AsInteger());
  } catch (const Exception&) {
    storedType_ = gisShapeTypePoint;
  }
  keyColumn_ = QueryField(Command(59)).AsString();
  geometryTable_ = QueryField(Command(60)).AsString();
  featureTable_ = QueryField(Command(61)).AsString();
  try {
    maxPpr_ = QueryField(Command(63)).AsInteger();
  } catch (const Exception&) {
    maxPpr_ = 0;
  }
  QueryClose();
  if (binary_) {
    TGIS_Extent e = GisEmptyExtent();
    try {
      double v[4];
      const int commands[4] = {11, 12, 13, 14}, columns[4] = {54, 56, 55, 57};
      for (int i = 0; i < 4; ++i) {
        QueryOpen(Format(Command(commands[i]), {geometryTable_}));
        auto close = ScopeExit([this] { QueryClose(); });
        if (QueryEof()) throw EGIS_Exception("empty");
        const Variant value = QueryField(Command(columns[i]));
        if (value.IsNull() || value.IsEmpty()) throw EGIS_Exception("empty");
        v[i] = value.AsDouble();
      }
      e = {v[0], v[1], v[2], v[3]};
    } catch (const data::EDataConnectionLost&) {
      throw;
    } catch (const Exception&) {
      e = GisEmptyExtent();
    }
    SetExtent(e);
  }
  QueryOpen(SelectFrom(AttributeTableName(), Format("%s=0", {Key()})));
  QueryReadFields(Key());
  QueryClose();
  uidKind_ = 0;
  SetInfoText(std::string(Description) + "\r\n" +
              (binary_ ? "Binary Geometry" : "Normalized Geometry"));
}

// ---- the read cursor ----------------------------------------------------------------------------

std::string TGIS_LayerSqlOgisAdo::CursorSql(const TGIS_Extent& extent, const std::string& condition,
                                            const std::string& order, bool& filterInMemory) {
  const std::string key = Key(), fea = AttributeTableName(), geo = geometryTable_;
  filterInMemory = false;
  if (!binary_) {
    // No bound columns: the extent is applied in memory.
    filterInMemory = !GisIsWholeWorld(extent);
    return condition.empty() ? Format(Command(22), {geo, fea, key, key, key})
                             : Format(Command(23), {geo, fea, key, key, condition, key});
  }
  if (GisIsWholeWorld(extent))
    return condition.empty() ? Format(Command(20), {fea, geo, key, key, key})
                             : Format(Command(21), {fea, geo, key, key, condition, order});
  const TGIS_Extent w =
      GisExtentIntersection(ExtentFromViewer(CursorExtent()), TGIS_Extent{-1e37, -1e37, 1e37, 1e37});
  const std::string xmin = GisFloatToStr(w.XMin), xmax = GisFloatToStr(w.XMax),
                    ymin = GisFloatToStr(w.YMin), ymax = GisFloatToStr(w.YMax);
  return condition.empty() ? Format(Command(18), {fea, geo, xmin, xmax, ymin, ymax, key, key, key})
                           : Format(Command(19), {fea, geo, condition, xmin, xmax, ymin, ymax, key, key, order});
}

Variant TGIS_LayerSqlOgisAdo::FetchFieldValue(std::int32_t uid, const std::string& storedName) {
  try {
    if (!binary_ && uid == valuesUid_) {
      const int index = FindFieldIndex(storedName);
      if (index >= 0 && static_cast<std::size_t>(index) < values_.size())
        return values_[static_cast<std::size_t>(index)];
    }
    const bool onRow = !QueryEof() && QueryUid().AsInteger() == uid && !readAhead_;
    if (!onRow) {
      QueryClose();
      const std::string key = Key();
      QueryOpen(Format(Command(17), {AttributeTableName(), geometryTable_, key, uid, key, key}));
    }
    if (QueryEof()) return Variant();
    return QueryField(storedName);
  } catch (const Exception&) {
    return Variant();
  }
}

Variant TGIS_LayerSqlOgisAdo::ReadFieldValue(TGIS_Shape* shape, int index) {
  if (!binary_ && shape != nullptr && shape->Uid() == valuesUid_ && index >= 0 &&
      static_cast<std::size_t>(index) < values_.size())
    return values_[static_cast<std::size_t>(index)];
  if (!binary_ && readAhead_ && shape != nullptr && !shape->IsNewShape()) {
    const TGIS_FieldInfo* info = GetFieldInfo(index);
    // The query stands on another shape's row: ask by key.
    return info == nullptr ? Variant() : FetchFieldValue(shape->Uid(), info->Name);
  }
  return TGIS_LayerSqlAdo::ReadFieldValue(shape, index);
}

void TGIS_LayerSqlOgisAdo::QueryOpen(const std::string& sql) {
  readAhead_ = false;
  TGIS_LayerSqlAdo::QueryOpen(sql);
}

void TGIS_LayerSqlOgisAdo::QueryClose() {
  readAhead_ = false;
  TGIS_LayerSqlAdo::QueryClose();
}

void TGIS_LayerSqlOgisAdo::QueryNext() {
  if (readAhead_) {
    // The last normalized shape was read up to this row already.
    readAhead_ = false;
    return;
  }
  TGIS_LayerSqlAdo::QueryNext();
}

Variant TGIS_LayerSqlOgisAdo::QueryShapeType() {
  // Not stored: the geometry tells (never the point path of the native rows).
  return Variant(static_cast<int>(gisShapeTypeUnknown));
}

void TGIS_LayerSqlOgisAdo::TakeRowShape(std::unique_ptr<TGIS_Shape> shape, std::int32_t uid) {
  if (shape == nullptr) return;
  TGIS_Shape* work = WorkShape(shape->ShapeType());
  if (work == nullptr) return;
  // The work shape views the copy until the next row replaces it.
  work->Recreate(nullptr, {}, true, uid, this);
  rowGeometry_.clear();
  if (!shape->IsEmpty()) {
    const int h = shape->GetHeaderSize(), p = shape->GetPointsSize();
    rowGeometry_.resize(static_cast<std::size_t>(h + p));
    if (h > 0) std::copy_n(shape->HeaderBlock().Data, h, rowGeometry_.begin());
    if (p > 0) std::copy_n(shape->PointsBlock().Data, p, rowGeometry_.begin() + h);
  }
  work->Recreate(nullptr, std::span<const std::uint8_t>(rowGeometry_.data(), rowGeometry_.size()), true,
                 uid, this);
  SetCurrentRowShape(work);
}

void TGIS_LayerSqlOgisAdo::QueryReadGeometry(std::int32_t uid, TGIS_ShapeType) {
  if (CurrentRowShape() != nullptr) return;
  if (!binary_) {
    ReadNormalizedShape(uid);
    return;
  }
  std::unique_ptr<TGIS_Shape> built;
  try {
    const Variant blob = QueryRecordset().Item(Command(65)).Value();
    if (blob.IsNull() || blob.IsEmpty() || blob.VarType() != (varArray | varByte)) return;
    built = GisCreateShapeFromWKB(blob.Bytes(), nullptr, {}, false, uid, this);
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
    // An unreadable blob gives no shape; the cursor reads on.
    return;
  }
  TakeRowShape(std::move(built), uid);
}

void TGIS_LayerSqlOgisAdo::ReadNormalizedShape(std::int32_t uid) {
  if (maxPpr_ < 1) return;
  int etype = 0;
  try {
    etype = QueryField(Command(77)).AsInteger();
  } catch (const Exception&) {
  }
  std::unique_ptr<TGIS_Shape> shape;
  switch (etype) {
  case 1:
    shape = std::make_unique<TGIS_ShapePoint>(nullptr, std::span<const std::uint8_t>{}, false, uid, this);
    break;
  case 2:
    shape = std::make_unique<TGIS_ShapeArc>(nullptr, std::span<const std::uint8_t>{}, false, uid, this);
    break;
  default:
    shape = std::make_unique<TGIS_ShapePolygon>(nullptr, std::span<const std::uint8_t>{}, false, uid, this);
  }
  // The attributes, while the query is on the shape's first row.
  valuesUid_ = -1;
  values_.assign(static_cast<std::size_t>(FieldCount()), Variant());
  for (int i = 0; i < FieldCount(); ++i) {
    const TGIS_FieldInfo* info = GetFieldInfo(i);
    if (info != nullptr && info->Stored && !info->IsUID) values_[static_cast<std::size_t>(i)] = QueryField(info->Name);
  }
  valuesUid_ = uid;
  const int pairs = std::min(maxPpr_, kPairsPerRow);
  shape->Lock(3);
  int element = 0;
  std::int32_t rowUid = uid;
  while (!TGIS_LayerSqlAdo::QueryEof() && rowUid == uid) {
    int eseq = 0;
    try {
      eseq = QueryField(Command(76)).AsInteger();
    } catch (const Exception&) {
    }
    if (eseq != element) {
      shape->AddPart();
      element = eseq;
    }
    for (int k = 0; k < pairs; ++k) {
      const Variant x = QueryFieldByIndex(4 + 2 * k), y = QueryFieldByIndex(5 + 2 * k);
      if (x.IsNull() || x.IsEmpty() || y.IsNull() || y.IsEmpty()) break;
      shape->AddPoint({x.AsDouble(), y.AsDouble()});
    }
    TGIS_LayerSqlAdo::QueryNext();
    if (!TGIS_LayerSqlAdo::QueryEof()) rowUid = QueryUid().AsInteger();
  }
  readAhead_ = true;
  shape->Unlock();
  if (etype < 1 || etype > 3) shape->Reset();
  TakeRowShape(std::move(shape), uid);
}

// ---- writing ------------------------------------------------------------------------------------

void TGIS_LayerSqlOgisAdo::WriteGeometryValues(TGIS_Shape& shape) {
  if (!binary_) {
    TableWriteGeometry(0, "", shape);
    return;
  }
  const TGIS_Extent e = shape.GetExtentRaw();
  TableSetFieldByName(0, Command(54), e.XMin);
  TableSetFieldByName(0, Command(55), e.XMax);
  TableSetFieldByName(0, Command(56), e.YMin);
  TableSetFieldByName(0, Command(57), e.YMax);
  TableWriteGeometry(0, Command(65), shape);
}

void TGIS_LayerSqlOgisAdo::WritePlaceholderValues() {
  if (binary_) {
    TableSetFieldByName(0, Command(54), 1.0);
    TableSetFieldByName(0, Command(55), -1.0);
    TableSetFieldByName(0, Command(56), 1.0);
    TableSetFieldByName(0, Command(57), -1.0);
  } else {
    for (int n = 76; n <= 78; ++n) TableSetFieldByName(0, Command(n), 0);
  }
}

void TGIS_LayerSqlOgisAdo::RewriteGeometryRow(TGIS_Shape& shape, std::int32_t uid) {
  if (binary_) {
    TGIS_LayerSqlAbstract::RewriteGeometryRow(shape, uid);
    return;
  }
  // The shape's rows are replaced as a whole: rows and pairs of a longer
  // earlier version must not survive.
  const bool ownTransaction = (EngineOptions() & 1) == 0;
  TableClose(0);
  if (ownTransaction) DbBeginTrans();
  try {
    DbExecute(Format(Command(24), {geometryTable_, Key(), uid}));
    TableAppend(0, geometryTable_);
    TableSetFieldByName(0, Key(), uid);
    WriteGeometryValues(shape);
    TablePost(0);
    TableClose(0);
  } catch (const Exception&) {
    if (ownTransaction) {
      try {
        TableClose(0);
        DbRollbackTrans();
      } catch (const Exception&) {
      }
    }
    throw;
  }
  if (ownTransaction) DbCommitTrans();
}

void TGIS_LayerSqlOgisAdo::TableWriteGeometry(int cursor, const std::string& column, TGIS_Shape& shape) {
  if (binary_) {
    TBytes bytes;
    shape.ExportToWKB(bytes);
    TableRecordset(cursor).Item(column).AppendChunk(bytes);
    return;
  }
  WriteNormalizedRows(cursor, shape);
}

void TGIS_LayerSqlOgisAdo::WriteNormalizedRows(int cursor, TGIS_Shape& shape) {
  // The key of the open (pending) row; every row of the shape gets it.
  const Variant key = TableRecordset(cursor).Item(Key()).Value();
  int code = 0;
  switch (shape.ShapeType()) {
  case gisShapeTypePoint:
  case gisShapeTypeMultiPoint:
    code = 1;
    break;
  case gisShapeTypeArc:
    code = 2;
    break;
  case gisShapeTypePolygon:
    code = 3;
    break;
  default:
    code = 0;
  }
  const std::string geo = geometryTable_;
  const int total = shape.GetNumPoints();
  int written = 0;
  bool rowHolds = false;
  shape.Lock(3);
  auto unlock = ScopeExit([&] { shape.Unlock(); });
  for (int p = 0; p < shape.GetNumParts(); ++p) {
    int seq = 1;
    if (rowHolds) {
      // Every element starts on a fresh row.
      TablePost(cursor);
      TableAppend(cursor, geo);
      rowHolds = false;
    }
    const int size = shape.GetPartSize(p);
    for (int i = 1; i <= size; ++i) {
      const TGIS_Point pt = shape.GetPoint(p, i - 1);
      ++written;
      TableSetFieldByName(cursor, Key(), key);
      TableSetFieldByName(cursor, "ESEQ", p + 1);
      TableSetFieldByName(cursor, "ETYPE", code);
      TableSetFieldByName(cursor, "SEQ", seq);
      const int k = ((i - 1) % kPairsPerRow) + 1;
      TableSetFieldByName(cursor, "X" + IntToStr(k), pt.X);
      TableSetFieldByName(cursor, "Y" + IntToStr(k), pt.Y);
      rowHolds = true;
      if (i % kPairsPerRow == 0) {
        TablePost(cursor);
        rowHolds = false;
        if (written < total) TableAppend(cursor, geo);
        ++seq;
      }
    }
  }
}

void TGIS_LayerSqlOgisAdo::DeleteStoredShape(std::int32_t uid) {
  if (readOnly_) return;
  for (const std::string& t : {geometryTable_, featureTable_})
    OgisTolerant([&] { DbExecute(Format(Command(24), {t, Key(), uid})); });
}

std::int32_t TGIS_LayerSqlOgisAdo::GetStoredLastUid() {
  try {
    QueryOpen(Format(Command(10), {geometryTable_}));
    auto close = ScopeExit([this] { QueryClose(); });
    if (QueryEof()) return 0;
    const Variant v = QueryField(Command(64));
    if (v.IsNull() || v.IsEmpty()) return 0;
    return v.AsInteger();
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
    return 0;
  }
}

// ---- schema -------------------------------------------------------------------------------------

void TGIS_LayerSqlOgisAdo::CreateCatalogue() {
  if (readOnly_) return;
  OgisTolerant([&] {
    DbExecute(Command(0));
    DbExecute(Command(75));
  });
  OgisTolerant([&] {
    const std::string reference = ReferenceTableName();
    DbExecute(Format(Command(1), {reference}));
    DbExecute(Format(Command(31), {reference, 1, std::string(), 0, std::string()}));
  });
  DbExecute(Command(46));
}

void TGIS_LayerSqlOgisAdo::UpdateCatalogue(const TGIS_Extent&, TGIS_ShapeType shapeType) {
  if (readOnly_) return;
  QueryClose();
  eof_ = true;
  TableClose(0);
  TableClose(1);
  DbExecute(Format(Command(26), {GeometryTypeCode(shapeType), CatalogueCondition(catalog_, schema_, table_, false)}));
}

void TGIS_LayerSqlOgisAdo::CreateTables(const TGIS_Extent& extent, TGIS_ShapeType shapeType) {
  if (readOnly_) return;
  const std::string t = table_, f = t + Command(67);
  int storage = 1, ppr = 0;
  if (binary_) {
    DbExecute(Format(Command(2), {t}));
    OgisTolerant([&] { DbExecute(Format(Command(69), {t, t})); });
    for (int n = 70; n <= 73; ++n) DbExecute(Format(Command(n), {t, t}));
  } else {
    DbExecute(Format(Command(3), {t}));
    DbExecute(Format(Command(74), {t, t}));
    storage = 0;
    ppr = 16;
  }
  DbExecute(Format(Command(4), {f}));
  OgisTolerant([&] { DbExecute(Format(Command(69), {f, f})); });
  try {
    DbExecute(Format(Command(30), {catalog_, schema_, f, Command(64), catalog_, schema_, t, storage,
                                   GeometryTypeCode(shapeType), 2, ppr, 1}));
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
    UpdateCatalogue(extent, shapeType);
  }
  DbExecute(Command(46));
  // The layer writes into the tables it has just made.
  keyColumn_ = Command(64);
  geometryTable_ = t;
  featureTable_ = f;
  maxPpr_ = ppr;
}

void TGIS_LayerSqlOgisAdo::DropTables() {
  if (readOnly_) return;
  std::string geo, fea;
  try {
    QueryOpen(Format(Command(6), {ReferenceTableName(), CatalogueCondition(catalog_, schema_, table_, true)}));
    auto close = ScopeExit([this] { QueryClose(); });
    if (!QueryEof()) {
      geo = QueryField(Command(60)).AsString();
      fea = QueryField(Command(61)).AsString();
    }
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception&) {
    geo.clear();
  }
  if (!geo.empty()) OgisTolerant([&] { DbExecute(Format(Command(5), {geo})); });
  if (!fea.empty()) OgisTolerant([&] { DbExecute(Format(Command(5), {fea})); });
  OgisTolerant([&] { DbExecute(Format(Command(25), {CatalogueCondition(catalog_, schema_, table_, false)})); });
  DbExecute(Command(46));
}

void GisRegisterLayerSqlOgisAdo() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerSqlOgisAdo", TGIS_LayerSqlOgisAdo::Description,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerSqlOgisAdo>();
      });
}
