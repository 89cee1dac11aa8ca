// TGIS_LayerSqlAbstract: the command list, connecting, opening, the read
// cursor and the schema operations.
#include "gis/database/GisLayerSql.h"

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisKeywords.h"
#include "gis/core/GisResource.h"
#include "gis/database/GisLayerConfig.h"
#include "gis/database/GisSqlTemplates.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <cstring>
#include <iterator>

namespace {

// The native schema's command templates, by number.
const char* const kNativeCommands[TGIS_LayerSqlAbstract::CommandCount] = {
    /* 0 */ "CREATE TABLE <#vrkGISLayerSQL#> ( <#NAME#> <#VARCHAR#>(64),<#XMIN#> <#DOUBLE#>, "
            "<#XMAX#> <#DOUBLE#>,<#YMIN#> <#DOUBLE#>, <#YMAX#> <#DOUBLE#>,<#SHAPETYPE#> <#SMALLINT#>)",
    /* 1 */ "CREATE TABLE %s (<#UID#> <#INTEGER#> <#NOT NULL PRIMARY KEY#>,<#XMIN#> <#DOUBLE#>, "
            "<#XMAX#> <#DOUBLE#>,<#YMIN#> <#DOUBLE#>, <#YMAX#> <#DOUBLE#>,<#SHAPETYPE#> "
            "<#SMALLINT#>,<#GEOMETRY#> <#BLOB#>)",
    /* 2 */ "CREATE TABLE %s (<#UID#> <#INTEGER#> <#NOT NULL PRIMARY KEY#>)",
    /* 3 */ "DROP TABLE %s",
    /* 4 */ "CREATE UNIQUE INDEX <#vrkGISLayerSQL#><#_IDX_#><#NAME#> ON <#vrkGISLayerSQL#> (<#NAME#>)",
    /* 5 */ "CREATE UNIQUE <#DESC_IB#> INDEX %s<#_IDX_#><#UID#> ON %s (<#UID#> <#DESC#>)",
    /* 6 */ "CREATE INDEX %s<#_IDX_#><#XMIN#> ON %s (<#XMIN#>)",
    /* 7 */ "CREATE INDEX %s<#_IDX_#><#XMAX#> ON %s (<#XMAX#>)",
    /* 8 */ "CREATE INDEX %s<#_IDX_#><#YMIN#> ON %s (<#YMIN#>)",
    /* 9 */ "CREATE INDEX %s<#_IDX_#><#YMAX#> ON %s (<#YMAX#>)",
    /* 10 */ "INSERT INTO <#vrkGISLayerSQL#> VALUES('%s',%s,%s,%s,%s,%d)",
    /* 11 */ "INSERT INTO <#vrkGISLayerSQL#> VALUES('%s',%s,%s,%s,%s,%d,0)",
    /* 12 */ "UPDATE <#vrkGISLayerSQL#> SET <#XMIN#>=%s,<#XMAX#>=%s,<#YMIN#>=%s,      <#YMAX#>=%s,"
             "<#SHAPETYPE#>=%d WHERE <#NAME#>='%s'",
    /* 13 */ "SELECT * FROM <#vrkGISLayerSQL#> WHERE <#NAME#>='%s'",
    /* 14 */ "SELECT * FROM %s",
    /* 15 */ "SELECT * FROM %s WHERE %s",
    /* 16 */ "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE (<#GEO#>.<#UID#>=%d) AND "
             "(<#GEO#>.<#UID#>=<#FEA#>.<#UID#>)",
    /* 17 */ "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE  <#XMAX#>>%s AND <#XMIN#><%s AND  "
             "<#YMAX#>>%s AND <#YMIN#><%s AND (<#GEO#>.<#UID#>=<#FEA#>.<#UID#>) ORDER BY %s",
    /* 18 */ "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE (%s) AND <#XMAX#>>%s AND <#XMIN#><%s AND     "
             "<#YMAX#>>%s AND <#YMIN#><%s AND (<#GEO#>.<#UID#>=<#FEA#>.<#UID#>) ORDER BY %s",
    /* 19 */ "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE   (<#GEO#>.<#UID#>=<#FEA#>.<#UID#>) ORDER BY %s",
    /* 20 */ "SELECT * FROM %s <#FEA#>, %s <#GEO#> WHERE  (<#GEO#>.<#UID#>=<#FEA#>.<#UID#>) AND (%s) "
             "ORDER BY %s",
    /* 21 */ "SELECT <#MAX#>(<#UID#>) <#OPERATOR#> <#UID#> FROM %s",
    /* 22 */ "DELETE FROM %S WHERE <#UID#>=%d",
    /* 23 */ "DELETE FROM <#vrkGISLayerSQL#> WHERE <#NAME#>='%s'",
    /* 24 */ "<#XMIN#>=:<#XMIN#>,<#XMAX#>=:<#XMAX#>,<#YMIN#>=:<#YMIN#>,<#YMAX#>=:<#YMAX#>,"
             "<#SHAPETYPE#>=:<#SHAPETYPE#>,<#GEOMETRY#>=<#:GEOMETRY#> ",
    /* 25 */ "UPDATE %s SET %s WHERE %s=:%s %s",
    /* 26 */ "<#UID#>",
    /* 27 */ ":<#UID#>",
    /* 28 */ "<#UID#>,<#XMIN#>,<#XMAX#>,<#YMIN#>,<#YMAX#>,<#SHAPETYPE#>,<#GEOMETRY#>",
    /* 29 */ ":<#UID#>,:<#XMIN#>,:<#XMAX#>,:<#YMIN#>,:<#YMAX#>,:<#SHAPETYPE#>,<#:GEOMETRY#>",
    /* 30 */ "INSERT INTO %s ( %s ) VALUES ( %s ) %s",
    /* 31 */ "returning <#GEOMETRY#> into :<#GEOMETRY#>",
    /* 32 */ "ALTER TABLE %s <#DROP COLUMN#> %s",
    /* 33 */ "ALTER TABLE %s ADD %s <#VARCHAR#>(%d)",
    /* 34 */ "ALTER TABLE %s <#ALTER#> %s <#VARCHAR_LEN#> <#VARCHAR#>(%d)",
    /* 35 */ "ALTER TABLE %s ADD %s <#DATE#>",
    /* 36 */ "ALTER TABLE %s ADD %s <#LOGICAL#>",
    /* 37 */ "ALTER TABLE %s ADD %s <#INTEGER#>",
    /* 38 */ "ALTER TABLE %s ADD %s <#BIGINT#>",
    /* 39 */ "ALTER TABLE %s ADD %s <#DOUBLE#>",
    /* 40 */ "<#POSTRESTRUCTURE#>",
    /* 41 */ "%s=%d",
    /* 42 */ "(%s>=%d) and (%s<=%d)",
    /* 43 */ "<#NAME#>='%s'",
    /* 44 */ "<#MAX_NAMELENGTH#>",
    /* 45 */ "<#vrkGISLayerSQL#>",
    /* 46 */ "<#NAME#>",
    /* 47 */ "<#XMIN#>",
    /* 48 */ "<#XMAX#>",
    /* 49 */ "<#YMIN#>",
    /* 50 */ "<#YMAX#>",
    /* 51 */ "<#SHAPETYPE#>",
    /* 52 */ "<#UID#>",
    /* 53 */ "<#GEOMETRY#>",
    /* 54 */ "<#GEO#>",
    /* 55 */ "<#FEA#>",
};

int WorkSlot(TGIS_ShapeType type) {
  switch (type) {
  case gisShapeTypePoint:
    return 0;
  case gisShapeTypeMultiPoint:
    return 1;
  case gisShapeTypeArc:
    return 2;
  case gisShapeTypePolygon:
    return 3;
  default:
    return -1;
  }
}

/// The search window of the database query: the extent cut to the range
/// the engines handle.
TGIS_Extent SqlWindow(const TGIS_Extent& e) {
  return GisExtentIntersection(e, TGIS_Extent{-1e37, -1e37, 1e37, 1e37});
}

} // namespace

TGIS_LayerSqlAbstract::TGIS_LayerSqlAbstract() {
  work_[0] = std::make_unique<TGIS_ShapePoint>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[1] = std::make_unique<TGIS_ShapeMultiPoint>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[2] = std::make_unique<TGIS_ShapeArc>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[3] = std::make_unique<TGIS_ShapePolygon>(nullptr, std::span<const std::uint8_t>{}, false, -1);
}

TGIS_LayerSqlAbstract::~TGIS_LayerSqlAbstract() {
  current_ = rowShape_ = nullptr;
}

// ---- commands and names --------------------------------------------------------------------

std::vector<std::string> TGIS_LayerSqlAbstract::CommandTemplates() const {
  return {std::begin(kNativeCommands), std::end(kNativeCommands)};
}

void TGIS_LayerSqlAbstract::FillCommands() {
  if (OnBeforeFillCommands) OnBeforeFillCommands(this);
  const std::vector<std::string> templates = CommandTemplates();
  const int count = static_cast<int>(templates.size());
  commands_.Clear();
  for (int i = 0; i < count; ++i) commands_.Add("");
  TStringList lookup;
  lookup.AddStrings(config_);
  lookup.AddStrings(dialect_);
  for (int i = 0; i < count; ++i) {
    SK_ASSERT(commands_[i].empty(), "command slot filled twice", "GisLayerSql", __LINE__);
    commands_.SetStrings(i, GisExpandTemplate(templates[static_cast<std::size_t>(i)], &lookup));
  }
  if (OnAfterFillCommands) OnAfterFillCommands(this);
}

int TGIS_LayerSqlAbstract::RoleCommand(TGIS_SqlRole role) const {
  switch (role) {
  case TGIS_SqlRole::SelectAll:
    return 14;
  case TGIS_SqlRole::SelectWhere:
    return 15;
  case TGIS_SqlRole::DropColumn:
    return 32;
  case TGIS_SqlRole::WidenString:
    return 34;
  case TGIS_SqlRole::AddString:
    return 33;
  case TGIS_SqlRole::AddDate:
    return 35;
  case TGIS_SqlRole::AddBoolean:
    return 36;
  case TGIS_SqlRole::AddInteger:
    return 37;
  case TGIS_SqlRole::AddBigInteger:
    return 38;
  case TGIS_SqlRole::AddDouble:
    return 39;
  case TGIS_SqlRole::PostRestructure:
    return 40;
  case TGIS_SqlRole::KeyCondition:
    return 41;
  case TGIS_SqlRole::UidWindow:
    return 42;
  case TGIS_SqlRole::MaxNameLength:
    return 44;
  }
  return -1;
}

std::string TGIS_LayerSqlAbstract::Command(int n) const {
  SK_ASSERT(n >= 0 && n < commands_.Count(), "no such command", "GisLayerSql", __LINE__);
  return commands_[n];
}

std::string TGIS_LayerSqlAbstract::GeometryTableName() const {
  return layerName_ + "_" + Command(54);
}

std::string TGIS_LayerSqlAbstract::FeatureTableName() const {
  return layerName_ + "_" + Command(55);
}

std::string TGIS_LayerSqlAbstract::AttributeTableName() const {
  return features_.empty() ? FeatureTableName() : features_;
}

std::string TGIS_LayerSqlAbstract::UidColumn(bool qualified) const {
  return qualified ? Command(54) + "." + Command(52) : Command(52);
}

std::string TGIS_LayerSqlAbstract::SelectFrom(const std::string& table,
                                              const std::string& condition) const {
  if (condition.empty()) return Format(Command(RoleCommand(TGIS_SqlRole::SelectAll)), {table});
  return Format(Command(RoleCommand(TGIS_SqlRole::SelectWhere)), {table, condition});
}

std::string TGIS_LayerSqlAbstract::UidEquals(std::int32_t uid) const {
  return Format(Command(RoleCommand(TGIS_SqlRole::KeyCondition)), {UidColumn(false), uid});
}

std::string TGIS_LayerSqlAbstract::ConfigValue(const std::string& key) const {
  return config_.Values(key);
}

int TGIS_LayerSqlAbstract::LongestName() const {
  return GisStrToSize(Trim(Command(RoleCommand(TGIS_SqlRole::MaxNameLength))), 16);
}

std::string TGIS_LayerSqlAbstract::AskMacroValue(const std::string& name) {
  std::string value = GisLayerPasswords().Get(Name(), name);
  if (!value.empty()) return value;
  if (PasswordEvent) {
    PasswordEvent(this, name, value);
    passwords_.Add(Name(), name, value);
    return value;
  }
  return name;
}

TGIS_Shape* TGIS_LayerSqlAbstract::WorkShape(TGIS_ShapeType type) const {
  const int slot = WorkSlot(type);
  return slot < 0 ? nullptr : work_[static_cast<std::size_t>(slot)].get();
}

void TGIS_LayerSqlAbstract::TakeCodePages() {
  layerCodePage_ = GetCodePage();
  outputCodePage_ = GetOutCodePage();
}

// ---- connecting and opening ----------------------------------------------------------------

void TGIS_LayerSqlAbstract::Connect() {
  TStringList lines;
  GisReadLayerConfig(path_, &lines);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string key = lines.Names(i);
    if (key.empty() || !config_.Values(key).empty()) continue;
    config_.SetValues(key, lines.ValueFromIndex(i));
  }
  for (int i = 0; i < commands_.Count(); ++i)
    commands_.SetStrings(i, GisExpandTemplate(commands_[i], nullptr,
                                              [this](const std::string& n) { return AskMacroValue(n); }));
  LoadDialect(dialect_);
  layerName_ = Trim(ConfigValue("Layer"));
  features_ = Trim(ConfigValue("Features"));
  readOnly_ = GisStrToBoolean(Trim(ConfigValue("ReadOnly")), false);
  if (readOnly_) capabilities_ &= static_cast<std::uint8_t>(~GIS_CAPABILITY_OWN_FILE);
  if (commands_.Count() == 0) FillCommands();
  engineOptions_ = GisStrToSize(Trim(ConfigValue("ENGINEOPTIONS")),
                                GisStrToSize(Trim(dialect_.Values("ENGINEOPTIONS")), 0));
  engine_ = UpperCase(Trim(dialect_.Values("ENGINE")));
  oracle_ = engine_ == "ORACLE";
  mySql_ = engine_ == "MYSQL";
  ConfigureConnect();
  try {
    const std::string file = path_.empty() ? std::string() : GisPathAbsolute("", path_);
    const std::string folder = file.empty() ? std::string() : ExtractFileDir(file);
    if (!folder.empty() && DirectoryExists(folder)) {
      TCurrentDirGuard keep;
      SetCurrentDir(folder);
      DbConnect();
    } else {
      DbConnect();
    }
    GisLayerPasswords().Merge(&passwords_);
  } catch (const Exception& e) {
    throw EGIS_Exception(Format("%s; %s", {path_.empty() ? Name() : path_, e.Message()}));
  }
}

void TGIS_LayerSqlAbstract::LoadDialect(TStringList& dialect) {
  dialect.SetText(GisSqlDialect(UpperCase(Trim(ConfigValue("Dialect")))));
}

void TGIS_LayerSqlAbstract::Disconnect() {
  DbDisconnect();
}

void TGIS_LayerSqlAbstract::Open() {
  TGIS_LayerVector::Open();
  capabilities_ |= GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_WRITES_FORMAT;
  Connect();
  storedType_ = gisShapeTypeUnknown;
  uidKind_ = 0;
  SetInfoText(Description);
  QueryOpen(Format(Command(13), {layerName_}));
  if (QueryEof()) {
    QueryClose();
    return;
  }
  try {
    storedType_ = static_cast<TGIS_ShapeType>(QueryField(Command(51)).AsInteger());
  } catch (const Exception&) {
    storedType_ = gisShapeTypeUnknown;
  }
  TGIS_Extent e;
  try {
    e = {QueryField(Command(47)).AsDouble(), QueryField(Command(49)).AsDouble(),
         QueryField(Command(48)).AsDouble(), QueryField(Command(50)).AsDouble()};
  } catch (const Exception&) {
    e = GisEmptyExtent();
  }
  SetExtent(e);
  QueryClose();
  QueryOpen(SelectFrom(AttributeTableName(), Format("%s=0", {UidColumn(false)})));
  QueryReadFields(UidColumn(false));
  QueryClose();
  uidKind_ = 0;
}

void TGIS_LayerSqlAbstract::MakeDormant() {
  TGIS_LayerVector::MakeDormant();
  current_ = rowShape_ = nullptr;
  eof_ = true;
  QueryClose();
  TableClose(0);
  TableClose(1);
}

bool TGIS_LayerSqlAbstract::IsModified() const {
  return TGIS_LayerVector::IsModified() || ShapeCount() > 0;
}

TGIS_ShapeType TGIS_LayerSqlAbstract::GetDefaultShapeType() const {
  return storedType_;
}

// ---- the read cursor --------------------------------------------------------------------------

void TGIS_LayerSqlAbstract::MoveFirst(const TGIS_Extent& extent, const std::string& query,
                                      bool skipDeleted, const std::string& pattern,
                                      TGIS_Shape* shape) {
  current_ = rowShape_ = nullptr;
  eof_ = true;
  TakeCodePages();
  CursorFirst(extent, query, skipDeleted, pattern, shape);
  relation_ = shape != nullptr;
  QueueMemoryShapes();
  try {
    const std::string qualified = UidColumn(true);
    std::string condition = GisSqlReplaceIdentifier(CursorQueryText(), "GIS_UID", qualified);
    memoryFilter_ = GisSqlUsesIdentifier(condition, "GIS_UID\nGIS_SELECTED\nGIS_AREA\nGIS_LENGTH");
    if (memoryFilter_) condition.clear();
    std::string order = JoinPrimary();
    if (order.empty() || SameText(order, "GIS_UID") || SameText(order, UidColumn(false)) ||
        SameText(order, qualified))
      order = qualified;
    bool filterInMemory = false;
    const std::string sql = CursorSql(extent, condition, order, filterInMemory);
    if (filterInMemory) memoryFilter_ = true;
    QueryOpen(sql);
    eof_ = false;
    firstPending_ = true;
  } catch (const Exception&) {
    // The database part is skipped; the shapes in memory still come.
    QueryClose();
    eof_ = false;
    firstPending_ = false;
  }
  MoveNext();
}

std::string TGIS_LayerSqlAbstract::CursorSql(const TGIS_Extent& extent, const std::string& condition,
                                             const std::string& order, bool& filterInMemory) {
  filterInMemory = false;
  if (GisIsWholeWorld(extent)) {
    return condition.empty()
               ? Format(Command(19), {AttributeTableName(), GeometryTableName(), order})
               : Format(Command(20), {AttributeTableName(), GeometryTableName(), condition, order});
  }
  const TGIS_Extent w = SqlWindow(ExtentFromViewer(CursorExtent()));
  const std::string xmin = GisFloatToStr(w.XMin), xmax = GisFloatToStr(w.XMax),
                    ymin = GisFloatToStr(w.YMin), ymax = GisFloatToStr(w.YMax);
  return condition.empty()
             ? Format(Command(17), {AttributeTableName(), GeometryTableName(), xmin, xmax, ymin, ymax, order})
             : Format(Command(18), {AttributeTableName(), GeometryTableName(), condition, xmin, xmax,
                                    ymin, ymax, order});
}

void TGIS_LayerSqlAbstract::ReadCurrentShape() {
  HourglassShake();
  const std::int32_t uid = QueryUid().AsInteger();
  rowUid_ = uid;
  ReadRowGeometry(uid);
  if (rowShape_ != nullptr) current_ = FindEditedShape(rowShape_);
}

void TGIS_LayerSqlAbstract::ReadRowGeometry(std::int32_t uid) {
  const auto type = static_cast<TGIS_ShapeType>(QueryShapeType().AsInteger());
  if (type == gisShapeTypePoint) {
    const double xy[2] = {QueryXMin().AsDouble(), QueryYMin().AsDouble()};
    std::memcpy(pointRaw_.data(), xy, pointRaw_.size());
    work_[0]->Recreate(nullptr, std::span<const std::uint8_t>(pointRaw_.data(), pointRaw_.size()), true,
                       uid, this);
    rowShape_ = work_[0].get();
  } else {
    QueryReadGeometry(uid, type);
  }
}

void TGIS_LayerSqlAbstract::MoveNext() {
  if (eof_) return;
  try {
    for (;;) {
      current_ = rowShape_ = nullptr;
      rowUid_ = -1;
      bool fromDatabase = false;
      if (!QueryEof()) {
        if (!firstPending_) QueryNext();
        firstPending_ = false;
      }
      firstPending_ = false;
      if (!QueryEof()) {
        ReadCurrentShape();
        fromDatabase = true;
        // A row without a usable shape (a reserved UID) is passed over.
        if (current_ == nullptr) continue;
      } else {
        current_ = PopQueuedShape();
        if (current_ == nullptr) {
          eof_ = true;
          return;
        }
      }
      UnqueueShape(current_);
      if (CursorSkipDeleted() && current_->IsDeleted()) continue;
      const bool inMemory = current_ != rowShape_;
      if (fromDatabase && !inMemory && !memoryFilter_ && !relation_) {
        TGIS_Viewer* v = Viewer();
        if (v == nullptr || !v->IsPainting() || current_->ShapeType() == gisShapeTypePoint ||
            current_->GetSmartSize() == 0)
          return;
      }
      if (MatchesFilter(current_)) return;
    }
  } catch (const Exception&) {
    current_ = rowShape_ = nullptr;
    eof_ = true;
  }
}

TGIS_Shape* TGIS_LayerSqlAbstract::GetCurrentShape() const {
  return current_ != nullptr ? current_ : TGIS_LayerVector::GetCurrentShape();
}

TGIS_Shape* TGIS_LayerSqlAbstract::GetShape(std::int32_t uid) {
  if (TGIS_Shape* s = TGIS_LayerVector::GetShape(uid)) return s;
  if (!eof_) {
    MoveNext();
    if (current_ != nullptr && current_->Uid() == uid) return current_;
  }
  const std::string q = UidColumn(true);
  MoveFirst(GisWholeWorldExtent(), Format(Command(RoleCommand(TGIS_SqlRole::UidWindow)), {q, uid, q, uid + 100}),
            true);
  if (current_ != nullptr && current_->Uid() == uid) return current_;
  return nullptr;
}

Variant TGIS_LayerSqlAbstract::FetchFieldValue(std::int32_t uid, const std::string& storedName) {
  try {
    bool onRow = !QueryEof() && QueryUid().AsInteger() == uid;
    if (!onRow) {
      QueryClose();
      QueryOpen(Format(Command(16), {AttributeTableName(), GeometryTableName(), uid}));
    }
    if (QueryEof()) return Variant();
    return QueryField(storedName);
  } catch (const Exception&) {
    return Variant();
  }
}

// ---- schema operations ----------------------------------------------------------------------

void TGIS_LayerSqlAbstract::CreateCatalogue() {
  if (readOnly_) return;
  DbExecute(Command(0));
  DbExecute(Command(4));
  DbExecute(Command(RoleCommand(TGIS_SqlRole::PostRestructure)));
}

void TGIS_LayerSqlAbstract::UpdateCatalogue(const TGIS_Extent& extent, TGIS_ShapeType shapeType) {
  if (readOnly_) return;
  QueryClose();
  eof_ = true;
  TableClose(0);
  TableClose(1);
  DbExecute(Format(Command(12), {GisFloatToStr(extent.XMin), GisFloatToStr(extent.XMax),
                                 GisFloatToStr(extent.YMin), GisFloatToStr(extent.YMax),
                                 static_cast<int>(shapeType), layerName_}));
}

void TGIS_LayerSqlAbstract::CreateTables(const TGIS_Extent& extent, TGIS_ShapeType shapeType) {
  if (readOnly_) return;
  const std::string geo = GeometryTableName(), fea = FeatureTableName();
  DbExecute(Format(Command(1), {geo}));
  try {
    DbExecute(Format(Command(5), {geo, geo}));
  } catch (const Exception&) {
  }
  for (int n = 6; n <= 9; ++n) DbExecute(Format(Command(n), {geo, geo}));
  DbExecute(Format(Command(2), {fea}));
  try {
    DbExecute(Format(Command(5), {fea, fea}));
  } catch (const Exception&) {
  }
  const std::string xmin = GisFloatToStr(extent.XMin), xmax = GisFloatToStr(extent.XMax),
                    ymin = GisFloatToStr(extent.YMin), ymax = GisFloatToStr(extent.YMax);
  try {
    DbExecute(Format(Command(10), {layerName_, xmin, xmax, ymin, ymax, static_cast<int>(shapeType)}));
  } catch (const Exception&) {
    try {
      DbExecute(Format(Command(11), {layerName_, xmin, xmax, ymin, ymax, static_cast<int>(shapeType)}));
    } catch (const Exception&) {
      UpdateCatalogue(extent, shapeType);
    }
  }
  DbExecute(Command(RoleCommand(TGIS_SqlRole::PostRestructure)));
}

void TGIS_LayerSqlAbstract::DropTables() {
  if (readOnly_) return;
  for (const std::string& t : {GeometryTableName(), FeatureTableName()}) {
    try {
      DbExecute(Format(Command(3), {t}));
    } catch (const Exception&) {
    }
  }
  try {
    DbExecute(Format(Command(23), {layerName_}));
  } catch (const Exception&) {
  }
  DbExecute(Command(RoleCommand(TGIS_SqlRole::PostRestructure)));
}
