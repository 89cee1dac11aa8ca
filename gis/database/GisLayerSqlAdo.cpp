#include "gis/database/GisLayerSqlAdo.h"

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsVariants.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/database/GisLayerConfig.h"
#include "gis/database/GisSharedConnections.h"
#include "gis/database/GisSqlTemplates.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <algorithm>

namespace {

constexpr const char* kModule = "GisLayerSqlAdo";

/// A double as MySQL keeps it: 14 significant digits.
double MySqlRounded(double value) {
  return GisStrToFloat(Format("%.14g", {value}));
}

/// Whether an engine error is a NOT NULL violation.
bool IsNotNullViolation(const Exception& e) {
  if (const auto* d = dynamic_cast<const data::EDataError*>(&e); d != nullptr && d->SqlState() == "23502")
    return true;
  return Pos("NOT NULL", UpperCase(e.Message())) > 0;
}

} // namespace

TGIS_LayerSqlAdo::TGIS_LayerSqlAdo() : query_(std::make_unique<data::Recordset>()) {
  for (auto& t : tables_) t = std::make_unique<data::Recordset>();
}

TGIS_LayerSqlAdo::~TGIS_LayerSqlAdo() {
  try {
    DbDisconnect();
  } catch (const Exception&) {
  }
}

std::unique_ptr<TGIS_LayerSqlAbstract> TGIS_LayerSqlAdo::CreateSibling() const {
  return std::make_unique<TGIS_LayerSqlAdo>();
}

// ---- connection ------------------------------------------------------------------------------

data::Recordset& TGIS_LayerSqlAdo::RequireConnection() {
  if (connection_ == nullptr) throw data::EDataError("the layer is not connected to its database", "");
  return *query_;
}

void TGIS_LayerSqlAdo::DbConnect() {
  DbDisconnect();
  connection_ = GisAcquireLayerConnection(ConfigValue("ADO"), EngineName(), IsMySql());
}

void TGIS_LayerSqlAdo::DbDisconnect() {
  QueryClose();
  for (int i = 0; i < 3; ++i) TableClose(i);
  if (connection_ != nullptr) GisSharedConnections().Release(connection_);
  connection_ = nullptr;
}

void TGIS_LayerSqlAdo::DbBeginTrans() {
  RequireConnection();
  connection_->BeginTrans();
}

void TGIS_LayerSqlAdo::DbCommitTrans() {
  RequireConnection();
  connection_->CommitTrans();
}

void TGIS_LayerSqlAdo::DbRollbackTrans() {
  RequireConnection();
  connection_->RollbackTrans();
}

void TGIS_LayerSqlAdo::DbExecute(const std::string& sql) {
  if (sql.empty()) return;
  RequireConnection();
  connection_->Execute(sql);
}

// ---- the query cursor ------------------------------------------------------------------------

void TGIS_LayerSqlAdo::DropColumnCache() {
  uidField_ = typeField_ = xminField_ = yminField_ = geometryField_ = nullptr;
  storedColumns_.clear();
}

void TGIS_LayerSqlAdo::QueryOpen(const std::string& sql) {
  RequireConnection();
  DropColumnCache();
  if (query_->State() != 0) {
    if (lastQuery_ != sql) {
      QueryClose();
    } else {
      try {
        query_->MoveFirst();
      } catch (const Exception&) {
        QueryClose();
      }
    }
  }
  if (query_->State() == 0) {
    lastQuery_.clear();
    query_->Open(sql, *connection_, 0, 1, 0);
  }
  lastQuery_ = sql;
}

void TGIS_LayerSqlAdo::QueryClose() {
  DropColumnCache();
  lastQuery_.clear();
  if (query_->State() != 0) query_->Close();
  query_ = std::make_unique<data::Recordset>();
}

void TGIS_LayerSqlAdo::QueryFirst() {
  SK_ASSERT(query_->State() != 0, "Query not opened", kModule, __LINE__);
  DropColumnCache();
  query_->MoveFirst();
}

void TGIS_LayerSqlAdo::QueryNext() {
  SK_ASSERT(query_->State() != 0, "Query not opened", kModule, __LINE__);
  query_->MoveNext();
}

bool TGIS_LayerSqlAdo::QueryEof() {
  return query_->State() == 0 || query_->Eof();
}

data::Field* TGIS_LayerSqlAdo::CachedColumn(data::Field*& slot, int command) {
  if (slot == nullptr) slot = &query_->Item(Command(command));
  return slot;
}

void TGIS_LayerSqlAdo::QueryReadGeometry(std::int32_t uid, TGIS_ShapeType type) {
  data::Field* f = CachedColumn(geometryField_, 53);
  TGIS_Shape* work = WorkShape(type);
  if (work == nullptr || CurrentRowShape() != nullptr) return;
  // The work shape views the buffer until the next geometry replaces it.
  work->Recreate(nullptr, {}, true, uid, this);
  // Copied out of the engine's row into a buffer kept between rows (the
  // row's memory goes when the stream moves or is buffered).
  const std::span<const std::uint8_t> bytes = f->ByteView();
  if (bytes.empty() && f->IsNull()) return;
  geometry_.assign(bytes.begin(), bytes.end());
  work->Recreate(nullptr, geometry_, true, uid, this);
  SetCurrentRowShape(work);
}

Variant TGIS_LayerSqlAdo::ReadQueryColumn(const std::function<data::Field&()>& column) {
  SK_ASSERT(query_->State() != 0, "Query not opened", kModule, __LINE__);
  SK_ASSERT(!query_->Eof(), "Query Eof reached", kModule, __LINE__);
  Variant value;
  try {
    // The code pages taken when the cursor started, else the layer's now.
    const int layerCp = LayerCodePage() != 0 ? LayerCodePage() : GetCodePage();
    const int outputCp = OutputCodePage() != 0 ? OutputCodePage() : GetOutCodePage();
    GisAdoFieldToVariant(TGIS_DataAccessField(column()), layerCp, outputCp, value);
  } catch (const Exception&) {
    return Variant();
  }
  return value;
}

Variant TGIS_LayerSqlAdo::QueryField(const std::string& name) {
  return ReadQueryColumn([&]() -> data::Field& { return query_->Item(name); });
}

Variant TGIS_LayerSqlAdo::QueryFieldByIndex(int position) {
  return ReadQueryColumn([&]() -> data::Field& { return query_->Fields()[position]; });
}

std::string TGIS_LayerSqlAdo::QueryUidColumn() {
  if (UidKind() == 0) {
    if (data::Field* plain = query_->Fields().Find(UidColumn(false)); plain != nullptr) {
      SetUidKind(1);
      uidField_ = plain;
    } else {
      SetUidKind(2);
      uidField_ = &query_->Item(UidColumn(true));
    }
  }
  return UidColumn(UidKind() == 2);
}

Variant TGIS_LayerSqlAdo::QueryUid() {
  if (uidField_ == nullptr) uidField_ = &query_->Item(QueryUidColumn());
  Variant value;
  GisAdoFieldToVariant(TGIS_DataAccessField(*uidField_), GetCodePage(), GetOutCodePage(), value);
  return value;
}

Variant TGIS_LayerSqlAdo::QueryShapeType() {
  return CachedColumn(typeField_, 51)->Value();
}

Variant TGIS_LayerSqlAdo::QueryXMin() {
  return CachedColumn(xminField_, 47)->Value();
}

Variant TGIS_LayerSqlAdo::QueryYMin() {
  return CachedColumn(yminField_, 49)->Value();
}

void TGIS_LayerSqlAdo::QueryReadFields(const std::string& keyColumn) {
  SK_ASSERT(query_->State() != 0, "Query not opened", kModule, __LINE__);
  data::TFields& fields = query_->Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    data::Field& f = fields[i];
    std::uint8_t type = gisFieldTypeString;
    int width = 0;
    switch (f.Type()) {
    case 2:
    case 18:
      type = gisFieldTypeNumber, width = 5;
      break;
    case 3:
    case 19:
      type = gisFieldTypeNumber, width = 10;
      break;
    case 16:
    case 17:
      type = gisFieldTypeNumber, width = 3;
      break;
    case 20:
    case 21:
      type = gisFieldTypeNumber, width = 20;
      break;
    case 4:
    case 5:
    case 131:
      type = gisFieldTypeFloat;
      break;
    case 7:
    case 133:
    case 134:
    case 135:
      type = gisFieldTypeDate;
      break;
    case 11:
      type = gisFieldTypeBoolean;
      break;
    case 129:
    case 130:
    case 200:
    case 202:
      type = gisFieldTypeString, width = f.DefinedSize();
      break;
    default:
      continue;
    }
    AddFieldEx(f.Name(), type, width, 0, true, 0);
    if (SameText(f.Name(), keyColumn)) {
      TGIS_FieldInfo* info = GetFieldInfo(FieldCount() - 1);
      info->IsUID = info->ReadOnly = info->Hidden = true;
    }
  }
}

Variant TGIS_LayerSqlAdo::ReadFieldValue(TGIS_Shape* shape, int index) {
  const TGIS_FieldInfo* info = GetFieldInfo(index);
  if (shape == nullptr || info == nullptr) return Variant();
  const bool onRow = !QueryEof() && CurrentRowUid() >= 0 && CurrentRowUid() == shape->Uid();
  if (!onRow) {
    // A shape made in memory has no row yet.
    if (shape->IsNewShape()) return Variant();
    return FetchFieldValue(shape->Uid(), info->Name);
  }
  if (storedColumns_.size() <= static_cast<std::size_t>(index))
    storedColumns_.resize(static_cast<std::size_t>(index) + 1, -2);
  int& column = storedColumns_[static_cast<std::size_t>(index)];
  if (column == -2) {
    column = -1;
    data::TFields& fields = query_->Fields();
    for (int i = 0; i < fields.Count(); ++i)
      if (SameText(fields[i].Name(), info->Name)) {
        column = i;
        break;
      }
  }
  if (column < 0) return Variant();
  return QueryFieldByIndex(column);
}

// ---- table cursors --------------------------------------------------------------------------

void TGIS_LayerSqlAdo::TableAppend(int cursor, const std::string& table) {
  RequireConnection();
  data::Recordset& t = *tables_[static_cast<std::size_t>(cursor)];
  if (t.State() == 0)
    t.Open(SelectFrom(table, UidEquals(-1)), *connection_, IsMySql() ? 3 : 2, 3, 0);
  else if (EngineOptions() & 2)
    t.Requery(-1);
  t.AddNew();
  nullColumns_[static_cast<std::size_t>(cursor)].clear();
}

void TGIS_LayerSqlAdo::TableOpen(int cursor, const std::string& table, const std::string& condition) {
  RequireConnection();
  data::Recordset& t = *tables_[static_cast<std::size_t>(cursor)];
  SK_ASSERT(t.State() == 0, "Table already opened", kModule, __LINE__);
  t.Open(SelectFrom(table, condition), *connection_, 0, 1, 0);
}

void TGIS_LayerSqlAdo::TableOpenRow(int cursor, const std::string& table, std::int32_t uid) {
  RequireConnection();
  TableClose(cursor);
  tables_[static_cast<std::size_t>(cursor)]->Open(SelectFrom(table, UidEquals(uid)), *connection_,
                                                  IsMySql() ? 3 : 2, 3, 0);
  nullColumns_[static_cast<std::size_t>(cursor)].clear();
}

void TGIS_LayerSqlAdo::TablePost(int cursor) {
  data::Recordset& t = *tables_[static_cast<std::size_t>(cursor)];
  SK_ASSERT(t.State() != 0, "Table was not opened", kModule, __LINE__);
  auto& nulls = nullColumns_[static_cast<std::size_t>(cursor)];
  try {
    t.Update();
  } catch (const data::EDataConnectionLost&) {
    throw;
  } catch (const Exception& e) {
    // A column that refuses NULL gets an empty text.
    if (nulls.empty() || !IsNotNullViolation(e)) throw;
    for (const std::string& c : nulls) t.Item(c).SetValue(Variant(std::string()));
    nulls.clear();
    t.Update();
  }
  nulls.clear();
}

void TGIS_LayerSqlAdo::TableClose(int cursor) {
  auto& slot = tables_[static_cast<std::size_t>(cursor)];
  if (slot->State() != 0) {
    if (!slot->Bof() && !slot->Eof()) slot->CancelUpdate();
    slot->Close();
  }
  slot = std::make_unique<data::Recordset>();
  nullColumns_[static_cast<std::size_t>(cursor)].clear();
}

void TGIS_LayerSqlAdo::TableWriteGeometry(int cursor, const std::string& column, TGIS_Shape& shape) {
  std::vector<std::uint8_t> bytes;
  if (!shape.IsEmpty()) {
    const int h = shape.GetHeaderSize(), p = shape.GetPointsSize();
    bytes.resize(static_cast<std::size_t>(h + p));
    if (h > 0) std::copy_n(shape.HeaderBlock().Data, h, bytes.begin());
    std::copy_n(shape.PointsBlock().Data, p, bytes.begin() + h);
  }
  tables_[static_cast<std::size_t>(cursor)]->Item(column).AppendChunk(bytes);
}

Variant TGIS_LayerSqlAdo::TableField(int cursor, const std::string& column) {
  data::Recordset& t = *tables_[static_cast<std::size_t>(cursor)];
  SK_ASSERT(t.State() != 0, "Table not opened", kModule, __LINE__);
  SK_ASSERT(!t.Eof(), "Table Eof reached", kModule, __LINE__);
  data::Field& f = t.Item(column);
  const Variant v = f.Value();
  if (f.Type() != data::FieldType::Numeric || v.IsNull()) return v;
  if (f.NumericScale() != 0) return Variant(v.AsDouble());
  try {
    return Variant(v.AsInteger());
  } catch (const Exception&) {
    return Variant(v.AsDouble());
  }
}

void TGIS_LayerSqlAdo::TableSetField(int cursor, const std::string& column, const Variant& value) {
  data::Recordset& t = *tables_[static_cast<std::size_t>(cursor)];
  SK_ASSERT(t.State() != 0, "Table not opened", kModule, __LINE__);
  data::Field& f = t.Item(column);
  switch (value.VarType()) {
  case varEmpty:
  case varNull:
    f.SetValue(Variant::MakeNull());
    nullColumns_[static_cast<std::size_t>(cursor)].push_back(column);
    return;
  case varDouble:
    f.SetValue(IsMySql() ? Variant(MySqlRounded(value.AsDouble())) : value);
    return;
  case varBoolean:
    if (f.Type() == data::FieldType::Boolean)
      f.SetValue(value);
    else
      f.SetValue(Variant(std::string(value.AsBoolean() ? "Y" : "N")));
    return;
  case varOleStr:
    f.SetValue(Variant(value.AsString()));
    return;
  default:
    f.SetValue(value);
  }
}

bool TGIS_LayerSqlAdo::TableEof(int cursor) {
  data::Recordset& t = *tables_[static_cast<std::size_t>(cursor)];
  if (t.State() == 0) return true;
  if (!t.Eof()) return false;
  TableClose(cursor);
  return true;
}

// ---- building ----------------------------------------------------------------------------------

void TGIS_LayerSqlAdo::Build(const std::string& path, const TGIS_Extent& extent,
                             TGIS_ShapeType shapeType) {
  std::string layer;
  const std::string file = path.empty() ? std::string() : GisPathAbsolute("", path);
  if (!path.empty() && GisReadLayerConfigValue(path, "Layer", layer) == 1 && layer.empty() &&
      !FileExists(file)) {
    try {
      std::string name = Name();
      if (name.empty()) name = ExtractFileName(GisPathWithoutExt(path));
      name = GisSafeIdentifier(name, "NAME");
      const std::string ado = GisCreateJetDatabase(ExtractFileDir(file) + "/Layers.mdb");
      TGIS_Ini ini(nullptr, file);
      TMemIniFile& f = ini.IniFile();
      f.WriteString(GIS_LAYER_CONFIG_SECTION, "Storage", StorageName());
      f.WriteString(GIS_LAYER_CONFIG_SECTION, "Layer", name);
      f.WriteString(GIS_LAYER_CONFIG_SECTION, "Dialect", "MSJET");
      f.WriteString(GIS_LAYER_CONFIG_SECTION, "ADO", ado);
      ini.SetChanged(true);
      ini.Save();
    } catch (const Exception&) {
      // The tables are built anyway; connecting then says what is wrong.
    }
  }
  TGIS_LayerSqlAbstract::Build(path, extent, shapeType);
}

void GisRegisterLayerSqlAdo() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerSqlAdo", TGIS_LayerSqlAbstract::Description,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerSqlAdo>();
      });
}
