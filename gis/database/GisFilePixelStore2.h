// The second-version pixel store: a catalogue table with one row per store
// and one cell table per store whose rows hold encoded 512 x 512 cells at
// pyramid factors 1, 2, 4, ... Its SQL comes from 35 numbered command
// templates expanded with the configuration and the dialect; it reaches the
// database only through the abstract operations that
// TGIS_FilePixelStoreAdo2 (GisFilePixelStoreAdo2.h) implements.
//
// This part keeps the cells as their encoded bytes (BMP, JPEG or PNG by the
// image type): the catalogue, the commands, the level choice and cell
// iteration, reading cells (with the 15-cell cache) and writing them with the
// level count.
#pragma once

#include "gis/core/GisDefsBitmap.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsPasswords.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

class TBitmap;

/// What loading a cell found.
enum class TGIS_PixelStoreCellState {
  Missing, ///< no row: drawn in the background colour, never cached
  Empty,   ///< a row with an empty cell: drawn white, cached
  Data     ///< encoded bytes
};

class TGIS_FilePixelStoreAbstract2 {
public:
  static constexpr int CellSize = 512;
  static constexpr int CommandCount = 35;
  static constexpr int CacheCapacity = 15;

  TGIS_FilePixelStoreAbstract2();
  virtual ~TGIS_FilePixelStoreAbstract2();
  TGIS_FilePixelStoreAbstract2(const TGIS_FilePixelStoreAbstract2&) = delete;
  TGIS_FilePixelStoreAbstract2& operator=(const TGIS_FilePixelStoreAbstract2&) = delete;

  // ---- configuration --------------------------------------------------------------
  /// The configuration file's path or an inline configuration.
  std::string ConfigPath;
  /// The key prefix of remembered macro values (the layer's name).
  std::string KeyPrefix;
  virtual std::string ConfigValue(const std::string& name) const;
  virtual void SetConfigValue(const std::string& name, const std::string& value);
  /// 1 for a store of this kind reached over a connection, 2 for one
  /// without a connection string, 0 for none.
  virtual int ConfigKind(const std::string& path) const;
  virtual std::string SelectSql(const std::string& table, const std::string& condition) const;
  virtual std::string CellCondition(int factor, int column, int row) const;
  virtual void FillCommands();
  std::string Command(int n) const;
  /// The second expansion of a stored command: the value remembered in
  /// GisLayerPasswords() under (KeyPrefix, or else the store's name; name),
  /// else OnPassword's value when assigned, else the name itself. The value
  /// is remembered in the store's own list, which Connect merges into the
  /// shared one once connected.
  std::string MacroValue(const std::string& name);
  std::function<void(TGIS_FilePixelStoreAbstract2*)> OnBeforeFillCommands;
  std::function<void(TGIS_FilePixelStoreAbstract2*)> OnAfterFillCommands;
  std::function<void(TGIS_FilePixelStoreAbstract2*, const std::string& name, std::string& value)> OnPassword;

  // ---- database operations ----------------------------------------------------------
  virtual void DbConnect() = 0;
  virtual void DbDisconnect() = 0;
  virtual void DbBeginTrans() = 0;
  virtual void DbCommitTrans() = 0;
  virtual void DbExecute(const std::string& sql) = 0;
  virtual void QueryOpen(const std::string& sql) = 0;
  virtual void QueryClose() = 0;
  virtual void QueryFirst() = 0;
  virtual void QueryNext() = 0;
  virtual bool QueryEof() = 0;
  virtual std::vector<std::uint8_t> QueryBlob(const std::string& column) = 0;
  virtual Variant QueryField(const std::string& column) = 0;
  virtual void TableOpen(const std::string& table, const std::string& condition) = 0;
  virtual void TableOpenForWrite(const std::string& table, const std::string& condition) = 0;
  virtual bool TableEof() = 0;
  virtual void TableAppend(const std::string& table) = 0;
  virtual void TablePost() = 0;
  virtual void TableClose() = 0;
  virtual void TableSetBlob(const std::string& column, const std::vector<std::uint8_t>& bytes) = 0;
  virtual void TableSetField(const std::string& column, const Variant& value) = 0;
  virtual void Connect();
  virtual void Disconnect();
  virtual void CreateCatalogue();
  virtual void CreateStoreTables(const TGIS_Extent& extent, int imageType, const std::string& spatialText,
                                 long double pixelSize, int compress);
  virtual void DropStore();
  virtual bool IsAdoConfig(const std::string& path) = 0;

  // ---- the store ------------------------------------------------------------------------
  /// Connect, then the store's catalogue row (nothing read without one).
  void ReadCatalogue();
  /// Makes the store's tables for `path` (a configuration) and reads its
  /// catalogue: an older store of the same name is dropped first.
  void CreateStore(const std::string& path, const TGIS_Extent& extent, long double pixelSize,
                   int imageType, int quality);

  // ---- a new store as a pixel file ---------------------------------------------------------
  /// The sub-formats the store writes: 0 JPEG colour, 1 JPEG grey, 100 PNG
  /// 24 bits, 101 PNG 8 bits, 102 PNG 1 bit.
  const std::vector<TGIS_PixelCapabilities>& Capabilities() const { return capabilities_; }
  /// The image type of a sub-format: JPEG 1 (2 grey), PNG 3, 4, 5 by depth,
  /// 0 (BMP) for another compression class.
  static int ImageTypeOf(const TGIS_PixelCapabilities& capability);
  /// A new store of `width` x `height` pixels over `extent` for the
  /// configuration `path` (a file or inline lines): the sub-format chosen by
  /// `subFormat` (another raises GIS_RS_ERR_BADPIXELFORMAT), the quality
  /// limited to 0..100, the pixel size the extent's width / `width`. With a
  /// path an older store of the same name is dropped; then the catalogue is
  /// read.
  virtual void CreateNew(const std::string& path, int width, int height, const TGIS_Extent& extent,
                         int quality, int subFormat);
  /// Writes a 512 x 512 bitmap as the full-resolution cell whose top-left
  /// pixel is (x, y) of the whole image.
  void WriteBitmap(int x, int y, TBitmap& bitmap);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Quality() const { return quality_; }
  const TGIS_PixelCapabilities& Capability() const { return capability_; }

  const TGIS_Extent& Extent() const { return extent_; }
  long double PixelSize() const { return pixelSize_; }
  int ImageType() const { return imageType_; }
  int Compress() const { return compress_; }
  int Levels() const { return levels_; }
  const std::string& StoreName() const { return name_; }
  const std::string& EngineName() const { return engine_; }
  int EngineOptions() const { return engineOptions_; }
  bool IsMySql() const { return mySql_; }
  bool ReadOnly() const { return readOnly_; }

  // ---- cells ----------------------------------------------------------------------------
  /// The cells of `extent`: scale > 0 is the viewer's zoom (pixels per map
  /// unit); scale <= 0 is the pyramid builder's (factor from 2 x NLEVEL).
  void StartCells(const TGIS_Extent& extent, long double scale);
  bool FirstCell() { return NextCell(); }
  /// The next cell, loaded; false at the end.
  bool NextCell();
  bool CellsEof() const { return eof_; }
  int CellFactor() const { return factor_; }
  int CellColumn() const { return column_; }
  int CellRow() const { return row_; }
  int FirstColumn() const { return firstColumn_; }
  int EndColumn() const { return endColumn_; }
  int FirstRow() const { return firstRow_; }
  int EndRow() const { return endRow_; }
  TGIS_Extent CellExtent() const;
  /// The cells of the started range (0 once it has ended).
  std::int64_t CellCount() const;
  TGIS_PixelStoreCellState CellState() const { return cellState_; }
  const std::vector<std::uint8_t>& CellBytes() const { return cellBytes_; }
  /// Database queries made for cells (the cache's effect).
  int CellQueries() const { return cellQueries_; }

  /// Writes the encoded bytes of the full-resolution cell that covers the
  /// 512 x 512 pixels whose top-left pixel is (x, y) of the whole image.
  void WriteBitmapBytes(int x, int y, const std::vector<std::uint8_t>& bytes);
  /// Writes the encoded bytes of the full-resolution cell of `extent`.
  void WriteCellBytes(const TGIS_Extent& extent, const std::vector<std::uint8_t>& bytes);
  /// Writes the current cell (factor, column, row) with `bytes`, then
  /// raises NLEVEL when the factor is larger.
  void WriteCell(const std::vector<std::uint8_t>& bytes);
  void UpdateLevels();
  /// Writes a 512 x 512 bitmap as the full-resolution cell of `extent`,
  /// encoded in the store's image type; another size raises
  /// GIS_RS_ERR_PIXELSTORE_WRONGSOURCE and writes nothing.
  void WriteCellBitmap(TBitmap& bitmap, const TGIS_Extent& extent);
  /// Progress of the pyramid build: (done, total, abort); (0, total) first,
  /// (-1, -1) last, also after an abort.
  std::function<void(int done, int total, bool& abort)> OnBusy;
  /// Builds the pyramid levels above the written cells: each parent cell is
  /// the 2 x 2 mean of its four children (absent children count black).
  void Complete();
  /// Cells a pyramid over the column range a..b and row range c..d needs.
  static int PyramidCellCount(int a, int b, int c, int d);
  /// The current cell as a 24-bit bitmap: black without a row, white for an
  /// empty cell, else the decoded image.
  void CellBitmap(TBitmap& cell) const;

protected:
  TStringList config_;
  TStringList dialect_;
  TStringList commands_;

private:
  struct TCacheItem {
    int Factor;
    int Column;
    int Row;
    TGIS_PixelStoreCellState State;
    std::vector<std::uint8_t> Bytes;
  };
  void SetRange(const TGIS_Extent& extent, int factor);
  /// The extent of the 512 x 512 pixels whose top-left pixel is (x, y).
  TGIS_Extent PixelCellExtent(int x, int y) const;
  void CreateStoreObjects(const std::string& path, const TGIS_Extent& extent, long double pixelSize,
                          int imageType, int quality, bool dropOlder);
  void LoadCell();
  bool CacheFetch();
  void CacheStore();

  std::vector<TGIS_PixelCapabilities> capabilities_;
  TGIS_PixelCapabilities capability_;
  int width_ = 0, height_ = 0, quality_ = 0;
  TGIS_PasswordList passwords_;
  TGIS_Extent extent_;
  long double pixelSize_ = 0;
  int imageType_ = 0;
  int compress_ = 0;
  int levels_ = 0;
  std::string name_;
  std::string engine_;
  int engineOptions_ = 0;
  bool mySql_ = false;
  bool readOnly_ = false;
  // iteration
  int firstColumn_ = 0, endColumn_ = 0, firstRow_ = 0, endRow_ = 0;
  int column_ = 0, row_ = 0, factor_ = 1;
  bool eof_ = true;
  TGIS_PixelStoreCellState cellState_ = TGIS_PixelStoreCellState::Missing;
  std::vector<std::uint8_t> cellBytes_;
  std::list<TCacheItem> cache_;
  int cellQueries_ = 0;
};
