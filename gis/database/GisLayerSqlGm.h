// GeoMedia warehouse layers: a vector layer kept as one feature class of a
// warehouse, i.e. one table holding the key (GDO_ID), the geometry as a GDO
// blob and the attribute columns, described by the warehouse's metadata
// tables (GFeatures, GeometryProperties, AttributeProperties, FieldLookup,
// GCoordSystem and their companions).
//
// TGIS_LayerSqlGmAbstract owns the 105 numbered commands, the metadata and
// the shape logic; it runs on the SQL layers' shared cursor, batch, save and
// retry code (GisLayerSql.h, GisSqlRetry.h) and on their data-access path
// over platform/data (GisLayerSqlAdo.h). TGIS_LayerSqlGmAdo reads and writes
// the GDO blobs.
//
// Access warehouses ("MSJET") run on SQLite files (a Jet connection string
// names a SQLite file); SQL Server warehouses ("MSSQL") keep their command
// texts. PostgreSQL is refused with "0146 Unsupported dialect POSTGRES".
// On SQLite the counter type of the key columns is INTEGER, which SQLite
// numbers by itself as a single-column primary key (the FieldLookup rows
// take their IndexID that way).
//
// Field properties (DAO) are not recorded: this platform has no DAO engine.
//
// Files: GisLayerSqlGm.cpp (commands, connecting, opening, the cursor),
// GisLayerSqlGmSave.cpp (metadata tables and rows, fields, UIDs, writing).
#pragma once

#include "gis/database/GisLayerSqlAdo.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TGIS_LayerSqlGmAbstract : public TGIS_LayerSqlAdo {
public:
  static constexpr int CommandCount = 105;
  /// The GUID of the default coordinate system every new class refers to.
  static constexpr const char* DefaultCsGuid = "{090EBEC3-B278-4920-ACEE-1DAC2A55DCAF}";

  TGIS_LayerSqlGmAbstract();
  ~TGIS_LayerSqlGmAbstract() override;

  // ---- the vector layer's operations ---------------------------------------------------
  void Open() override;
  TGIS_ShapeType GetDefaultShapeType() const override;
  Variant FetchFieldValue(std::int32_t uid, const std::string& storedName) override;
  void ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent, TGIS_ShapeType shapeType,
                   const std::string& query, bool clip) override;

  // ---- added operations ------------------------------------------------------------------
  void DbConnect() override;
  void Disconnect() override;
  void CreateCatalogue() override;
  /// A warehouse keeps no extent: nothing to write.
  void UpdateCatalogue(const TGIS_Extent&, TGIS_ShapeType) override {}
  void CreateTables(const TGIS_Extent& extent, TGIS_ShapeType shapeType) override;
  void DropTables() override;
  void DeleteStoredShape(std::int32_t uid) override;
  void WriteShape(TGIS_Shape& shape, bool isNew) override;
  std::int32_t GetStoredLastUid() override;
  std::int32_t GetStoredNewUid() override;

  // ---- non-virtual operations --------------------------------------------------------------
  /// `text` expanded over the dialect lines alone.
  std::string ExpandWithDialect(const std::string& text) const;
  /// The key column, plain or qualified with the table alias (GEO.GDO_ID).
  std::string UidColumn(bool qualified) const override;
  /// The geometry column, plain or qualified with the table alias.
  std::string GeometryColumn(bool qualified) const;
  /// Sets, replaces or removes (value equal to the name) a dialect line.
  void SetDialectValue(const std::string& name, const std::string& value);
  /// The table name found on open (the Layer text before).
  const std::string& TableName() const { return tableName_; }
  bool IsSqlServer() const { return sqlServer_; }
  bool IsNewNaming() const { return newNaming_; }
  /// The warehouse's database file named by the ADO key (Access).
  const std::string& DatabaseFile() const { return databaseFile_; }
  std::string StorageName() const override { return "Geomedia"; }
  /// The GeoMedia geometry type code of a shape type.
  static int GeometryTypeCode(TGIS_ShapeType type);

protected:
  std::vector<std::string> CommandTemplates() const override;
  int RoleCommand(TGIS_SqlRole role) const override;
  int WideIntegerWidth() const override { return 6; }
  void LoadDialect(TStringList& dialect) override;
  std::string CursorSql(const TGIS_Extent& extent, const std::string& condition,
                        const std::string& order, bool& filterInMemory) override;
  void ReadRowGeometry(std::int32_t uid) override;
  std::string FieldTableName() const override;
  void ColumnAdded(const std::string& name, const TGIS_FieldInfo& field) override;
  void ColumnDropped(const std::string& name) override;

private:
  /// The dialect lines of a dialect and the current naming.
  void ResetDialect(TStringList& dialect, const std::string& name);
  /// The metadata rows of a new class (rows 1 to 9, by warehouse).
  void WriteClassRows(int code);
  /// Runs `sql`, true when it succeeded (connection losses still raise).
  bool TryExecute(const std::string& sql);
  /// The value of the first column of a one-row query, Null when none.
  Variant QueryScalar(const std::string& sql, const std::string& column);

  std::string dialectName_;
  bool sqlServer_ = false, access_ = false, newNaming_ = true;
  std::string databaseFile_;
  std::string tableName_;
  std::string keyColumn_, geometryColumn_;
  int geometryCode_ = 2;
};

/// The GeoMedia layer over platform/data, with GDO geometry blobs.
class TGIS_LayerSqlGmAdo : public TGIS_LayerSqlGmAbstract {
public:
  void QueryReadGeometry(std::int32_t uid, TGIS_ShapeType type) override;
  void TableWriteGeometry(int cursor, const std::string& column, TGIS_Shape& shape) override;

protected:
  std::unique_ptr<TGIS_LayerSqlAbstract> CreateSibling() const override;

private:
  // The shape of the current row (the cursor hands it out until the next row).
  std::unique_ptr<TGIS_Shape> rowShape_;
};

/// Fills the factory's "Geomedia" row of ".VRKLS" configurations.
void GisRegisterLayerSqlGm();
