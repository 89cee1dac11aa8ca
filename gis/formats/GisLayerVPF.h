// The GisLayerVPF module: TGIS_LayerVPF, one feature class of a tiled Vector
// Product Format library as a read-only vector layer (".pft" points, ".lft"
// lines, ".tft" texts; ".aft" areas open and give no shapes).
//
// The layer keeps its tables open and reads the feature table row by row
// through its own cursor: a row is joined to a node, edge or text primitive
// of its tile, whose coordinates become the current (work) shape, valid
// until the next step. The UID of a feature is its 1-based row in the
// feature table, in a pass and in direct access (through the table's
// variable-length index) alike.
//
//   GisLayerVPFTables.cpp  the table format: headers, column values and
//                          triplet ids, index files, the join table, the
//                          value descriptions, the tile reference and the
//                          face bounding rectangles
//   GisLayerVPF.cpp        the layer: primitives per tile, the row readers,
//                          shapes, attributes and the cursor
//
// Bounds: every length, count and offset read from a file is checked against
// the bytes left before anything is allocated for it (0034 otherwise); tile
// ids lie in 0..65535. Companion files and tile folders are found without
// regard to letter case, "\" and "/" both separate folders, and the process's
// working folder is never changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefsHashList.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Variant.h"

class TGIS_LayerVPF : public TGIS_LayerVector {
public:
  /// One column of a table: its definition and its value in the row read last.
  struct T_Column {
    std::string Name;
    char Type = 0;
    std::string Count;
    Variant Value;
  };

  /// One row of the join table.
  struct T_Join {
    std::int32_t RowId = 0, FeatureId = 0, TileId = 0, PrimitiveId = 0;
  };

  /// A table that is read: its header, and what its rows left behind.
  class T_Table {
  public:
    int Kind = 0;
    std::int32_t HeaderLength = 0;
    std::string ByteOrder = "L", Description, Narrative;
    std::vector<T_Column> Columns;
    /// Coordinates collected from the last primitive row.
    std::vector<TGIS_Point> Points;
    /// Join rows by row id (the join table only; the objects live in JoinRows).
    std::unique_ptr<TGIS_HashList> Rows;
    std::vector<std::unique_ptr<T_Join>> JoinRows;
    /// Record offsets of the variable-length index (row n at n - 1).
    std::vector<std::int32_t> Offsets;

    void Reset();
  };

  /// One primitive table of one tile; without a stream when its file is
  /// missing or could not be set up (a placeholder keeps the tile's place).
  /// A gap in the tile ids holds no object at all.
  class T_Feature {
  public:
    int Kind = 0; // 0 END, 1 EDG, 2 FAC, 3 RNG, 4 EDG of an area class, 5 TXT
    std::int32_t WantedId = 0;
    int Tile = 0;
    std::int32_t RecordCount = 0;
    std::vector<std::int32_t> Offsets;
    std::unique_ptr<TGIS_BufferedFileStream> Stream;
    std::int64_t FirstRow = 0;
    T_Table Table;
  };

  /// One value description (texts upper-cased).
  struct T_CHAR {
    std::string Description, Attribute, Value;
  };

  /// The tiles of the library by tile id; record 0 is the untiled pseudo-tile.
  class T_TileMgr {
  public:
    struct TTile {
      std::int32_t Id = 0;
      std::string Name;
      TGIS_Extent Extent{0, 0, 0, 0};
    };
    std::vector<TTile> Tiles;
  };

  TGIS_LayerVPF();
  ~TGIS_LayerVPF() override;

  void Open() override;
  /// The layer never uses a spatial index.
  void SetIndexed(bool) override {}
  Variant FetchFieldValue(std::int32_t uid, const std::string& storedName) override;
  Variant ReadFieldValue(TGIS_Shape* shape, int index) override;
  void MoveFirst(const TGIS_Extent& extent, const std::string& query = "", bool skipDeleted = true,
                 const std::string& pattern = "", TGIS_Shape* shape = nullptr) override;
  void MoveNext() override;
  bool Eof() const override { return current_ == nullptr; }
  TGIS_Shape* GetCurrentShape() const override;
  TGIS_Shape* GetShape(std::int32_t uid) override;
  std::int32_t GetLastUid() const override;
  std::int32_t GetNewUid() const override;

  // ---- the tables (GisLayerVPFTables.cpp) ------------------------------------------------
  /// Reads the header of the table in `stream` into `table`; the stream is
  /// left at the first row.
  void ReadTableHeader(TGIS_BufferedFileStream& stream, T_Table& table);
  /// Loads the variable-length index of the table file `tablePath` into the
  /// feature (primitive) or the table's offsets; nothing when it is missing.
  void ReadIndexFile(const std::string& tablePath, T_Table* table, T_Feature* primitive);
  void OpenJoinTable();
  void OpenValueTables();
  void OpenTileReference();

  // ---- what tests look at ---------------------------------------------------------------------
  const T_Table& FeatureTable() const { return feature_; }
  const T_Table& JoinTable() const { return join_; }
  const T_TileMgr& TileManager() const { return tiles_; }
  const std::vector<std::unique_ptr<T_CHAR>>& ValueDescriptions() const { return chars_; }
  const std::vector<std::unique_ptr<T_Feature>>& Primitives() const { return primitives_; }
  /// Whether a pass holds the viewer's busy state now.
  bool BusyHeld() const { return busyHeld_; }

private:
  // ---- scalar readers over one stream ------------------------------------------------------
  std::int32_t ReadInt32(TGIS_BufferedFileStream& s);
  std::uint16_t ReadInt16(TGIS_BufferedFileStream& s);
  std::uint8_t ReadByte(TGIS_BufferedFileStream& s);
  double ReadFloat32(TGIS_BufferedFileStream& s);
  std::string ReadBytes(TGIS_BufferedFileStream& s, std::int64_t n);
  void ReadTriplet(TGIS_BufferedFileStream& s, std::int32_t& id, std::int32_t& tileId);
  TGIS_Point ReadCoordinate(TGIS_BufferedFileStream& s, bool is3D);
  /// A fixed-count (or, with `allowVariable`, "*") text column.
  std::string ReadText(TGIS_BufferedFileStream& s, const T_Column& c, bool allowVariable);
  /// A count of `size`-byte items that must fit into what is left of the file.
  std::int64_t CheckedCount(TGIS_BufferedFileStream& s, std::int64_t count, std::int64_t size);
  [[noreturn]] void BadFile(const std::string& path) const;
  /// The file `relative` ("\" or "/" separated) below `folder`, found without
  /// regard to letter case; '' when there is none.
  static std::string FindFile(const std::string& folder, const std::string& relative);

  // ---- the layer (GisLayerVPF.cpp) ------------------------------------------------------------
  void OpenPrimitives();
  void AddColumnField(const T_Column& c);
  /// Reads one row of the feature table.
  void ReadRow();
  void BuildShape(std::int32_t primitiveId);
  /// One row of a primitive table: its values, and the coordinates of the
  /// wanted row (of every row with `keepAll`); the row's "id", -1 without.
  /// Coordinate columns are length-prefixed when `counted`, else one point.
  std::int32_t ReadPrimitiveRow(T_Feature& p, bool counted, bool keepAll, const char* assertion);
  /// Rows from the stream's position until the wanted one or the end.
  void ScanPrimitive(T_Feature& p, bool counted, const char* assertion);
  void ReadEdge(T_Feature& p);
  void ReadNode(T_Feature& p);
  void ReadTextPrimitive(T_Feature& p);
  TGIS_Shape* BeginShape();
  void EndShape();
  void SetAttributes(TGIS_Shape& shape);
  Variant DescribeValue(const T_Column& c, TGIS_Shape* shape);
  /// A new pass (the busy state taken once), and its end (released once).
  void BeginPass();
  void EndPass();

  std::string folder_; // the feature table's folder, with a trailing '/'
  std::unique_ptr<TGIS_BufferedFileStream> stream_;
  TGIS_Shape* current_ = nullptr;
  std::unique_ptr<TGIS_Shape> point_, arc_;
  T_Table feature_, join_, scratch_;
  T_TileMgr tiles_;
  std::vector<std::unique_ptr<T_CHAR>> chars_;
  std::vector<std::unique_ptr<T_Feature>> primitives_;
  std::int32_t currentId_ = 0;
  std::int32_t currentTile_ = 0;
  bool primitiveFound_ = false, shapeComplete_ = false;
  mutable std::int32_t lastUid_ = -1;
  bool endOfTable_ = true;
  std::int32_t row_ = 0; // the 1-based row of the feature table read last
  bool headerPending_ = true;
  bool attributesWanted_ = false;
  bool directAccess_ = false;
  std::int32_t wantedUid_ = 0;
  bool busyHeld_ = false;
};

/// Fills the factory's ".lft", ".pft" and ".tft" row.
void GisRegisterLayerVPF();
