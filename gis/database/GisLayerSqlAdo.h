// TGIS_LayerSqlAdo: the native SQL vector layer over platform/data (SQLite
// files and PostgreSQL servers), the class the layer factory creates for a
// ".VRKLS" configuration whose Storage is "Native".
//
// The connection is shared per database (GisSharedConnections.h). The query
// cursor is a forward-only stream: opening the same text again rewinds it.
// The table cursors 0 (geometry table) and 1 (feature table) are updatable
// recordsets; cursor 2 is kept for the schemas that need a third.
#pragma once

#include "gis/database/GisLayerSql.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace data {
class Connection;
class Recordset;
class Field;
} // namespace data

class TGIS_LayerSqlAdo : public TGIS_LayerSqlAbstract {
public:
  TGIS_LayerSqlAdo();
  ~TGIS_LayerSqlAdo() override;

  /// A new configuration file (Storage=Native, Layer, Dialect=MSJET and a
  /// database "Layers.mdb" beside it) when the path names a ".VRKLS" file
  /// that does not exist yet and no Layer is set; then the layer's tables.
  void Build(const std::string& path, const TGIS_Extent& extent,
             TGIS_ShapeType shapeType = gisShapeTypeUnknown) override;
  Variant ReadFieldValue(TGIS_Shape* shape, int index) override;

  void DbConnect() override;
  void DbDisconnect() override;
  void DbBeginTrans() override;
  void DbCommitTrans() override;
  void DbRollbackTrans() override;
  void DbExecute(const std::string& sql) override;
  void QueryOpen(const std::string& sql) override;
  void QueryClose() override;
  void QueryFirst() override;
  void QueryNext() override;
  bool QueryEof() override;
  void QueryReadGeometry(std::int32_t uid, TGIS_ShapeType type) override;
  Variant QueryField(const std::string& name) override;
  Variant QueryFieldByIndex(int position) override;
  std::string QueryUidColumn() override;
  Variant QueryUid() override;
  Variant QueryShapeType() override;
  Variant QueryXMin() override;
  Variant QueryYMin() override;
  void QueryReadFields(const std::string& keyColumn) override;
  void TableAppend(int cursor, const std::string& table) override;
  void TableOpen(int cursor, const std::string& table, const std::string& condition) override;
  void TableOpenRow(int cursor, const std::string& table, std::int32_t uid) override;
  void TablePost(int cursor) override;
  void TableClose(int cursor) override;
  void TableWriteGeometry(int cursor, const std::string& column, TGIS_Shape& shape) override;
  Variant TableField(int cursor, const std::string& column) override;
  void TableSetField(int cursor, const std::string& column, const Variant& value) override;
  bool TableEof(int cursor) override;

  /// The shared connection (nullptr when not connected).
  data::Connection* Connection() const { return connection_; }
  /// The storage name written into a new configuration.
  virtual std::string StorageName() const { return "Native"; }

protected:
  std::unique_ptr<TGIS_LayerSqlAbstract> CreateSibling() const override;
  /// The query recordset and a table cursor's recordset (for the schemas
  /// that read or write columns by position or in chunks).
  data::Recordset& QueryRecordset() { return *query_; }
  data::Recordset& TableRecordset(int cursor) { return *tables_[static_cast<std::size_t>(cursor)]; }

private:
  data::Recordset& RequireConnection();
  /// The query column named by command `command`, looked up once per query.
  data::Field* CachedColumn(data::Field*& slot, int command);
  void DropColumnCache();
  /// A query column's value in the kernel's form; empty on any error.
  Variant ReadQueryColumn(const std::function<data::Field&()>& column);

  data::Connection* connection_ = nullptr;
  std::unique_ptr<data::Recordset> query_;
  std::string lastQuery_;
  std::array<std::unique_ptr<data::Recordset>, 3> tables_;
  // Columns of a table cursor's pending row that were set to NULL: a
  // provider that refuses NULL there gets empty texts instead.
  std::array<std::vector<std::string>, 3> nullColumns_;
  // The geometry value of the current row (the work shapes view it).
  std::vector<std::uint8_t> geometry_;
  // Column objects of the query, fetched once per query.
  data::Field *uidField_ = nullptr, *typeField_ = nullptr, *xminField_ = nullptr,
              *yminField_ = nullptr, *geometryField_ = nullptr;
  // Field positions of the layer to query columns (-2 not looked up yet).
  std::vector<int> storedColumns_;
};

/// Fills the factory's "Native" row of ".VRKLS" configurations.
void GisRegisterLayerSqlAdo();
