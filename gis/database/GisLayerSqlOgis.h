// TGIS_LayerSqlOgisAdo: a vector layer kept after the OpenGIS simple
// features for SQL schema, over platform/data (SQLite files and PostgreSQL
// servers). The factory creates it for a ".VRKLS" configuration whose
// Storage names an OpenGIS storage (or whose legacy OpenGIS key is 1 or 2).
//
// Tables: one catalogue GEOMETRY_COLUMNS describing every layer, one spatial
// reference table (one row, SRID 1), and per layer a geometry table (named
// by the first field of Layer) and a feature table (the same + "_FEA")
// joined on the key column the catalogue row names (normally GID).
//
// Two geometry storages:
//   - binary: one row per shape, its bounds and its well-known binary form;
//   - normalized: one or more rows per shape, each row one element (part)
//     with up to 16 point pairs X1,Y1 ... X16,Y16; rows ordered by key,
//     ESEQ (part, from 1) and SEQ (row within the part, from 1).
//
// The cursor, the UID reservation, the write retries, saving and field
// synchronisation are the native layer's (GisLayerSql.h); this class gives
// the schema's 79 commands, its catalogue and the two storages.
//
// Where the schema leaves things open, this layer:
//   - skips a row without a usable shape and reads on (a reserved but
//     never saved UID, a NULL or unreadable blob);
//   - computes the binary extent from the rows whose bounds are not the
//     empty extent of a placeholder;
//   - rewrites a normalized shape by deleting its rows and appending fresh
//     ones in one transaction, rolled back on failure.
// Normalized storage has no unique key, so two writers reserving UIDs at
// once may take the same one there; binary storage's primary key refuses
// the second and the retry takes the next.
#pragma once

#include "gis/database/GisLayerSqlAdo.h"

#include <cstdint>
#include <string>
#include <vector>

class TGIS_LayerSqlOgisAdo : public TGIS_LayerSqlAdo {
public:
  static constexpr int OgisCommandCount = 79;
  static constexpr const char* Description = "OpenGIS SQL Vector Coverage (VRKLS)";

  TGIS_LayerSqlOgisAdo();
  ~TGIS_LayerSqlOgisAdo() override;

  void Open() override;
  Variant FetchFieldValue(std::int32_t uid, const std::string& storedName) override;
  Variant ReadFieldValue(TGIS_Shape* shape, int index) override;

  std::vector<std::string> CommandTemplates() const override;
  void Connect() override;
  void CreateCatalogue() override;
  void UpdateCatalogue(const TGIS_Extent& extent, TGIS_ShapeType shapeType) override;
  void CreateTables(const TGIS_Extent& extent, TGIS_ShapeType shapeType) override;
  void DropTables() override;
  void DeleteStoredShape(std::int32_t uid) override;
  std::int32_t GetStoredLastUid() override;

  void QueryOpen(const std::string& sql) override;
  void QueryClose() override;
  void QueryNext() override;
  void QueryReadGeometry(std::int32_t uid, TGIS_ShapeType type) override;
  Variant QueryShapeType() override;
  void TableWriteGeometry(int cursor, const std::string& column, TGIS_Shape& shape) override;

  std::string GeometryTableName() const override { return geometryTable_; }
  std::string FeatureTableName() const override { return featureTable_; }
  /// Form false: the key column; true: the geometry alias, a point and the key.
  std::string UidColumn(bool qualified) const override;
  std::string SelectFrom(const std::string& table, const std::string& condition) const override;
  std::string UidEquals(std::int32_t uid) const override;
  std::string StorageName() const override { return "OpenGisBlob"; }

  /// The condition on the catalogue's three geometry-table columns; with
  /// `prefixed` the columns carry the catalogue alias "GC.".
  std::string CatalogueCondition(const std::string& catalog, const std::string& schema,
                                 const std::string& table, bool prefixed) const;
  /// Reads Storage (or OpenGIS) and Layer; an empty table name raises 0110.
  void ParseStorage();
  std::string ReferenceTableName() const;

  bool IsBinaryStorage() const { return binary_; }
  bool IsShortReferenceName() const { return shortReference_; }
  const std::string& TableName() const { return table_; }
  const std::string& SchemaName() const { return schema_; }
  const std::string& CatalogName() const { return catalog_; }
  /// The catalogue's key column (empty before a catalogue row was read).
  const std::string& KeyColumn() const { return keyColumn_; }
  int PointsPerRow() const { return maxPpr_; }

  /// The catalogue code of a shape type, and the shape type of a code.
  static int GeometryTypeCode(TGIS_ShapeType type);
  static TGIS_ShapeType ShapeTypeOfCode(int code);

protected:
  std::unique_ptr<TGIS_LayerSqlAbstract> CreateSibling() const override;
  int RoleCommand(TGIS_SqlRole role) const override;
  std::string CursorSql(const TGIS_Extent& extent, const std::string& condition,
                        const std::string& order, bool& filterInMemory) override;
  void ConfigureConnect() override { ParseStorage(); }
  void WriteGeometryValues(TGIS_Shape& shape) override;
  void WritePlaceholderValues() override;
  void RewriteGeometryRow(TGIS_Shape& shape, std::int32_t uid) override;

private:
  /// The key column, or the value of "<#GID#>" when the catalogue names none.
  std::string Key() const;
  /// Reads the catalogue row's key column and table names (failures ignored).
  void LookUpCatalogue();
  /// Turns `shape` (built from the rows) into the current row shape.
  void TakeRowShape(std::unique_ptr<TGIS_Shape> shape, std::int32_t uid);
  void ReadNormalizedShape(std::int32_t uid);
  void WriteNormalizedRows(int cursor, TGIS_Shape& shape);

  bool binary_ = true, shortReference_ = false;
  std::string table_, schema_, catalog_;
  std::string keyColumn_, geometryTable_, featureTable_;
  int maxPpr_ = 16;
  // Normalized reading leaves the query on the next shape's first row: the
  // cursor's next step then stays there.
  bool readAhead_ = false;
  // The attribute values of the last normalized shape, taken on its first row.
  std::int32_t valuesUid_ = -1;
  std::vector<Variant> values_;
  // The geometry of the current row shape (the work shapes view it).
  std::vector<std::uint8_t> rowGeometry_;
};

/// Fills the factory's OpenGIS row of ".VRKLS" configurations.
void GisRegisterLayerSqlOgisAdo();
