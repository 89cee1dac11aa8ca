// The native SQL vector layer: shapes and attributes kept in three tables of
// a relational database (a catalogue row per layer, a geometry table and a
// feature table), reached through 56 SQL commands expanded from templates
// with the layer's configuration and its dialect (GisSqlTemplates.h).
//
// TGIS_LayerSqlAbstract owns the SQL and the shape logic; the database work
// goes through the abstract primitives DbConnect ... TableEof, which
// TGIS_LayerSqlAdo (GisLayerSqlAdo.h) supplies over platform/data.
//
// Files: GisLayerSql.cpp (commands, connecting, opening, the read cursor,
// the schema operations), GisLayerSqlSave.cpp (UIDs, writing shapes, field
// synchronisation, saving, building, importing).
//
// Geometry column: the shape's blocks as the kernel keeps them (header block
// then point block, little-endian); point shapes are read from XMIN/YMIN.
//
// Saving keeps what a failed or aborted save did not write: the in-memory
// list stays and the layer stays modified, and a second save writes each
// shape's rows again by key (feature rows are updated when they exist, and
// appended otherwise), so nothing is stored twice.
#pragma once

#include "gis/core/GisDefsPasswords.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/StringList.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

/// The commands the shared cursor, schema and save code asks for by role;
/// each SQL layer class maps them onto its own numbered command list.
enum class TGIS_SqlRole {
  SelectAll,       ///< "SELECT * FROM %s"
  SelectWhere,     ///< "SELECT * FROM %s WHERE %s"
  DropColumn,      ///< table, column
  WidenString,     ///< table, column, width
  AddString,       ///< table, column, width
  AddDate,         ///< table, column
  AddBoolean,      ///< table, column
  AddInteger,      ///< table, column
  AddBigInteger,   ///< table, column
  AddDouble,       ///< table, column
  PostRestructure, ///< after every change of structure
  KeyCondition,    ///< "%s=%d"
  UidWindow,       ///< "(%s>=%d) and (%s<=%d)"
  MaxNameLength,   ///< the longest column name
};

class TGIS_LayerSqlAbstract : public TGIS_LayerVector {
public:
  static constexpr int CommandCount = 56;
  /// The description text of an opened layer.
  static constexpr const char* Description = "Vornakel SQL Vector Coverage (VRKLS)";

  TGIS_LayerSqlAbstract();
  ~TGIS_LayerSqlAbstract() override;

  // ---- the vector layer's operations ---------------------------------------------------
  void Open() override;
  void SaveData() override;
  bool IsModified() const override;
  void MakeDormant() override;
  TGIS_ShapeType GetDefaultShapeType() const override;
  /// No index file: nothing to switch.
  void SetIndexed(bool) override {}
  Variant FetchFieldValue(std::int32_t uid, const std::string& storedName) override;
  void Build(const std::string& path, const TGIS_Extent& extent,
             TGIS_ShapeType shapeType = gisShapeTypeUnknown) override;
  void ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent, TGIS_ShapeType shapeType,
                   const std::string& query, bool clip) override;
  void MoveFirst(const TGIS_Extent& extent, const std::string& query = "", bool skipDeleted = true,
                 const std::string& pattern = "", TGIS_Shape* shape = nullptr) override;
  void MoveNext() override;
  bool Eof() const override { return eof_; }
  TGIS_Shape* GetCurrentShape() const override;
  TGIS_Shape* GetShape(std::int32_t uid) override;
  std::int32_t GetLastUid() const override;
  std::int32_t GetNewUid() const override;

  // ---- added operations ------------------------------------------------------------------
  virtual void FillCommands();
  /// The command templates, by number (FillCommands expands them; an empty
  /// entry stays empty).
  virtual std::vector<std::string> CommandTemplates() const;
  virtual void DbConnect() = 0;
  virtual void DbDisconnect() = 0;
  virtual void DbBeginTrans() = 0;
  virtual void DbCommitTrans() = 0;
  /// Rolls back the transaction DbBeginTrans opened (a failed batch).
  virtual void DbRollbackTrans() = 0;
  virtual void DbExecute(const std::string& sql) = 0;
  virtual void QueryOpen(const std::string& sql) = 0;
  virtual void QueryClose() = 0;
  virtual void QueryFirst() = 0;
  virtual void QueryNext() = 0;
  virtual bool QueryEof() = 0;
  virtual void QueryReadGeometry(std::int32_t uid, TGIS_ShapeType type) = 0;
  virtual Variant QueryField(const std::string& name) = 0;
  virtual Variant QueryFieldByIndex(int position) = 0;
  virtual std::string QueryUidColumn() = 0;
  virtual Variant QueryUid() = 0;
  virtual Variant QueryShapeType() = 0;
  virtual Variant QueryXMin() = 0;
  virtual Variant QueryYMin() = 0;
  virtual void QueryReadFields(const std::string& keyColumn) = 0;
  virtual void TableAppend(int cursor, const std::string& table) = 0;
  virtual void TableOpen(int cursor, const std::string& table, const std::string& condition) = 0;
  virtual void TableOpenRow(int cursor, const std::string& table, std::int32_t uid) = 0;
  virtual void TablePost(int cursor) = 0;
  virtual void TableClose(int cursor) = 0;
  virtual void TableWriteGeometry(int cursor, const std::string& column, TGIS_Shape& shape) = 0;
  virtual Variant TableField(int cursor, const std::string& column) = 0;
  virtual void TableSetField(int cursor, const std::string& column, const Variant& value) = 0;
  virtual bool TableEof(int cursor) = 0;
  virtual void Connect();
  virtual void Disconnect();
  virtual void BeginBatch();
  virtual void EndBatch();
  virtual void CreateCatalogue();
  virtual void UpdateCatalogue(const TGIS_Extent& extent, TGIS_ShapeType shapeType);
  virtual void CreateTables(const TGIS_Extent& extent, TGIS_ShapeType shapeType);
  virtual void SyncFields(TGIS_LayerVector& source);
  virtual void DropTables();
  virtual void TableSetFieldByName(int cursor, const std::string& name, const Variant& value);
  virtual void DeleteStoredShape(std::int32_t uid);
  /// Writes the geometry row and, with the layer's own feature table, the
  /// feature row. `isNew`: a new UID is taken and new rows are appended
  /// (importing); otherwise the rows of the shape's UID are rewritten, and a
  /// missing row is appended.
  virtual void WriteShape(TGIS_Shape& shape, bool isNew);
  virtual std::int32_t GetStoredLastUid();
  virtual std::int32_t GetStoredNewUid();
  virtual std::int32_t NextStoredUid(bool& noRetry);

  // ---- non-virtual operations --------------------------------------------------------------
  /// The expanded text of command n.
  std::string Command(int n) const;
  virtual std::string GeometryTableName() const;
  virtual std::string FeatureTableName() const;
  std::string AttributeTableName() const;
  /// The UID column, plain (UID) or qualified with the geometry alias (GEO.UID).
  virtual std::string UidColumn(bool qualified) const;
  virtual std::string SelectFrom(const std::string& table, const std::string& condition) const;
  virtual std::string UidEquals(std::int32_t uid) const;
  std::string ConfigValue(const std::string& key) const;
  /// The configuration lines (name=value); keys set here win over the file's.
  TStringList& Config() { return config_; }
  const TStringList& Commands() const { return commands_; }
  const std::string& LayerName() const { return layerName_; }
  bool IsReadOnly() const { return readOnly_; }
  int EngineOptions() const { return engineOptions_; }
  const std::string& EngineName() const { return engine_; }
  bool IsOracle() const { return oracle_; }
  bool IsMySql() const { return mySql_; }

  std::function<void(TGIS_LayerSqlAbstract*)> OnBeforeFillCommands;
  std::function<void(TGIS_LayerSqlAbstract*)> OnAfterFillCommands;

protected:
  /// Runs after the configuration and the dialect are read and before the
  /// database is connected (a schema reads its own keys here).
  virtual void ConfigureConnect() {}
  /// Fills the geometry row open on table cursor 0 (key already set).
  virtual void WriteGeometryValues(TGIS_Shape& shape);
  /// Fills a placeholder row that reserves a UID (key already set).
  virtual void WritePlaceholderValues();
  /// Writes the geometry row of an existing shape (`uid`), appending it
  /// when it went away, and stores it.
  virtual void RewriteGeometryRow(TGIS_Shape& shape, std::int32_t uid);
  /// A new unopened layer of the same class (Build's second instance).
  virtual std::unique_ptr<TGIS_LayerSqlAbstract> CreateSibling() const = 0;
  /// The number of the command that plays `role`.
  virtual int RoleCommand(TGIS_SqlRole role) const;
  /// Integer columns wider than this many digits are made big integers.
  virtual int WideIntegerWidth() const { return 9; }
  /// Loads the dialect lines while connecting (the configuration is read).
  virtual void LoadDialect(TStringList& dialect);
  /// The cursor's SQL for a window (`extent` in viewer units), an optional
  /// condition and an order column. `filterInMemory` set: the database does
  /// not apply the window, so the cursor filters every row.
  virtual std::string CursorSql(const TGIS_Extent& extent, const std::string& condition,
                                const std::string& order, bool& filterInMemory);
  /// Builds the current row's shape (CurrentRowShape) for the row's UID.
  virtual void ReadRowGeometry(std::int32_t uid);
  /// The table whose columns are the layer's attribute fields.
  virtual std::string FieldTableName() const { return FeatureTableName(); }
  /// Called after SyncFields added or dropped a column.
  virtual void ColumnAdded(const std::string& /*name*/, const TGIS_FieldInfo& /*field*/) {}
  virtual void ColumnDropped(const std::string& /*name*/) {}
  /// A value of a shape's field made ready for a table (code pages applied).
  Variant FeatureValue(const TGIS_FieldInfo& field, TGIS_Shape& shape);
  /// The shape whose attributes are written (the source of a clipped copy).
  TGIS_Shape& ValuesOf(TGIS_Shape& shape) { return valuesFrom_ != nullptr ? *valuesFrom_ : shape; }
  /// The name length limit of the dialect (16 when not a number).
  int LongestName() const;
  TStringList& DialectLines() { return dialect_; }
  /// The last UID a batch handed out (-1: ask the database).
  std::int32_t& CachedLastUid() { return cachedLastUid_; }
  /// The macro value asked on the second expansion of the commands.
  std::string AskMacroValue(const std::string& name);
  /// The work shape of a type (2, 3, 4, 5), nullptr for others.
  TGIS_Shape* WorkShape(TGIS_ShapeType type) const;
  /// The shape the cursor reads now (set by QueryReadGeometry).
  TGIS_Shape* CurrentRowShape() const { return rowShape_; }
  void SetCurrentRowShape(TGIS_Shape* shape) { rowShape_ = shape; }
  /// The UID of the query row the cursor read last (-1 when none).
  std::int32_t CurrentRowUid() const { return rowUid_; }
  /// The kind of the query's UID column: 0 not yet known, 1 plain, 2 qualified.
  int UidKind() const { return uidKind_; }
  void SetUidKind(int kind) { uidKind_ = kind; }
  /// The layer's code page and output code page, taken when a cursor starts
  /// and when saving.
  int LayerCodePage() const { return layerCodePage_; }
  int OutputCodePage() const { return outputCodePage_; }

protected:
  void ReadCurrentShape();
  void TakeCodePages();
  /// The feature row of a shape (F1/F2: always, by key).
  void WriteFeatureRow(TGIS_Shape& shape, std::int32_t uid, bool append);

  TStringList config_, dialect_, commands_;
  TGIS_PasswordList passwords_;
  std::string layerName_, features_;
  bool readOnly_ = false;
  int engineOptions_ = 0;
  std::string engine_;
  bool oracle_ = false, mySql_ = false;
  TGIS_ShapeType storedType_ = gisShapeTypeUnknown;
  // The read cursor.
  bool eof_ = true, firstPending_ = false, memoryFilter_ = false, relation_ = false;
  TGIS_Shape* current_ = nullptr;
  TGIS_Shape* rowShape_ = nullptr;
  std::int32_t rowUid_ = -1;
  // The point of the current row, viewed by the point work shape.
  std::array<std::uint8_t, 16> pointRaw_{};
  std::array<std::unique_ptr<TGIS_Shape>, 4> work_;
  int uidKind_ = 0;
  int layerCodePage_ = 0, outputCodePage_ = 0;
  // The batch.
  std::int32_t cachedLastUid_ = -1;
  // Importing with clipping: the source shape whose attributes the clipped
  // copy carries.
  TGIS_Shape* valuesFrom_ = nullptr;
};
