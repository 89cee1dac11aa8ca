#include "gis/database/GisFilePixelStoreAdo2.h"

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsVariants.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/database/GisLayerConfig.h"
#include "gis/database/GisSharedConnections.h"
#include "gis/database/GisSqlTemplates.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <exception>

TGIS_FilePixelStoreAdo2::TGIS_FilePixelStoreAdo2()
    : query_(std::make_unique<data::Recordset>()), table_(std::make_unique<data::Recordset>()) {}

TGIS_FilePixelStoreAdo2::~TGIS_FilePixelStoreAdo2() {
  try {
    QueryClose();
    TableClose();
    DbDisconnect();
  } catch (const Exception&) {
  }
}

void TGIS_FilePixelStoreAdo2::DbConnect() {
  DbDisconnect();
  connection_ = GisAcquireLayerConnection(ConfigValue("ADO"), EngineName(), IsMySql());
}

void TGIS_FilePixelStoreAdo2::DbDisconnect() {
  QueryClose();
  TableClose();
  if (connection_ != nullptr) GisSharedConnections().Release(connection_);
  connection_ = nullptr;
}

void TGIS_FilePixelStoreAdo2::DbBeginTrans() {
  connection_->BeginTrans();
}

void TGIS_FilePixelStoreAdo2::DbCommitTrans() {
  connection_->CommitTrans();
}

void TGIS_FilePixelStoreAdo2::DbExecute(const std::string& sql) {
  if (sql.empty()) return;
  connection_->Execute(sql);
}

void TGIS_FilePixelStoreAdo2::QueryOpen(const std::string& sql) {
  QueryClose();
  query_->Open(sql, *connection_, 0, 1, 0);
}

void TGIS_FilePixelStoreAdo2::QueryClose() {
  if (query_->State() != 0) query_->Close();
  query_ = std::make_unique<data::Recordset>();
}

void TGIS_FilePixelStoreAdo2::QueryFirst() {
  SK_ASSERT(query_->State() != 0, "Query not opened", "GisFilePixelStoreAdo2", __LINE__);
  query_->MoveFirst();
}

void TGIS_FilePixelStoreAdo2::QueryNext() {
  SK_ASSERT(query_->State() != 0, "Query not opened", "GisFilePixelStoreAdo2", __LINE__);
  query_->MoveNext();
}

bool TGIS_FilePixelStoreAdo2::QueryEof() {
  return query_->State() == 0 || query_->Eof();
}

std::vector<std::uint8_t> TGIS_FilePixelStoreAdo2::QueryBlob(const std::string& column) {
  const Variant v = query_->Item(column).Value();
  if (v.VarType() != (varArray | varByte) || v.Bytes().empty()) return {};
  // The stored cell carries one trailing 0 byte.
  return {v.Bytes().begin(), v.Bytes().end() - 1};
}

Variant TGIS_FilePixelStoreAdo2::QueryField(const std::string& column) {
  SK_ASSERT(query_->State() != 0, "Query not opened", "GisFilePixelStoreAdo2", __LINE__);
  SK_ASSERT(!query_->Eof(), "Query Eof reached", "GisFilePixelStoreAdo2", __LINE__);
  Variant value;
  GisAdoFieldToVariant(TGIS_DataAccessField(query_->Item(column)), 65001, 65001, value);
  return value;
}

void TGIS_FilePixelStoreAdo2::TableOpen(const std::string& table, const std::string& condition) {
  SK_ASSERT(table_->State() == 0, "Table already opened", "GisFilePixelStoreAdo2", __LINE__);
  table_->Open(SelectSql(table, condition), *connection_, 0, 1, 0);
}

void TGIS_FilePixelStoreAdo2::TableOpenForWrite(const std::string& table, const std::string& condition) {
  TableClose();
  table_->Open(SelectSql(table, condition), *connection_, IsMySql() ? 3 : 2, 3, 0);
}

bool TGIS_FilePixelStoreAdo2::TableEof() {
  if (table_->State() == 0) return true;
  const bool eof = table_->Eof();
  if (eof) TableClose();
  return eof;
}

void TGIS_FilePixelStoreAdo2::TableAppend(const std::string& table) {
  if (table_->State() == 0)
    table_->Open(SelectSql(table, CellCondition(-1, -1, -1)), *connection_, IsMySql() ? 3 : 2, 3, 0);
  else if (EngineOptions() & 2)
    table_->Requery(-1);
  table_->AddNew();
}

void TGIS_FilePixelStoreAdo2::TablePost() {
  SK_ASSERT(table_->State() != 0, "Table was not opened", "GisFilePixelStoreAdo2", __LINE__);
  table_->Update();
}

void TGIS_FilePixelStoreAdo2::TableClose() {
  if (table_->State() != 0) {
    if (!table_->Bof() && !table_->Eof()) table_->CancelUpdate();
    table_->Close();
  }
  table_ = std::make_unique<data::Recordset>();
}

void TGIS_FilePixelStoreAdo2::TableSetBlob(const std::string& column, const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> stored(bytes);
  stored.push_back(0);
  table_->Item(column).AppendChunk(stored);
}

Variant GisMySqlStoredFloat(const Variant& value) {
  const TVarType t = value.VarType();
  if (t != varDouble && t != varSingle) return value;
  // The engine keeps what it parses from 14 significant digits.
  return Variant(GisStrToFloat(Format("%.14g", {value.AsDouble()})));
}

void TGIS_FilePixelStoreAdo2::TableSetField(const std::string& column, const Variant& value) {
  table_->Item(column).SetValue(IsMySql() ? GisMySqlStoredFloat(value) : value);
}

bool TGIS_FilePixelStoreAdo2::IsAdoConfig(const std::string& path) {
  return ConfigKind(path) == 1;
}

namespace {

/// Writes the configuration of a new store: through a temporary file in the
/// same folder renamed to `file` at the end, so that no part of a
/// configuration is ever seen under its name and an existing file is never
/// replaced.
void WriteNewStoreConfig(const std::string& file, const std::string& name, const std::string& ado) {
  const std::string temp = GisTempFileName(file);
  DeleteFile(temp);
  auto drop = ScopeExit([&] { DeleteFile(temp); });
  {
    TGIS_Ini ini(nullptr, temp);
    ini.SelectSectionByName(GIS_LAYER_CONFIG_SECTION);
    ini.WriteRaw("Storage", "PixelStore2");
    ini.WriteRaw("Layer", name);
    ini.WriteRaw("Dialect", "MSJET");
    ini.WriteRaw("ADO", ado);
    ini.Save();
  }
  if (!RenameFile(temp, file)) throw EGIS_Exception(GIS_RS_ERR_FILEWRITE, file, 0);
}

} // namespace

void TGIS_FilePixelStoreAdo2::CreateNew(const std::string& path, int width, int height,
                                        const TGIS_Extent& extent, int quality, int subFormat) {
  std::exception_ptr configError;
  try {
    std::string layer;
    const std::string file = GisPathAbsolute("", path);
    if (GisReadLayerConfigValue(path, "Layer", layer) == 1 && layer.empty() && !FileExists(file)) {
      const std::string name = GisSafeIdentifier(GisPathWithoutExt(ExtractFileName(ToSlashes(file))), "NAME");
      std::string database = ExtractFilePath(ToSlashes(file)) + "Layers.mdb";
      if (!FileExists(database)) database = GisPathWithoutExt(file) + ".mdb";
      WriteNewStoreConfig(file, name, GisCreateJetDatabase(database));
    }
  } catch (const Exception&) {
    configError = std::current_exception();
  }
  try {
    TGIS_FilePixelStoreAbstract2::CreateNew(path, width, height, extent, quality, subFormat);
  } catch (const Exception&) {
    if (configError) std::rethrow_exception(configError);
    throw;
  }
  if (configError) std::rethrow_exception(configError);
}
