// The first-version pixel store: a read-only tiled raster in a database, one
// catalogue table (vrkGISPixelStore, first row) and one table of cells
// (vrkGISPixelStore_CELL) at pyramid factors 1, 2, 4, ... Columns grow
// eastwards and rows northwards from a cardinal point.
//
// This part keeps the cells as their encoded bytes with their image type
// (0 BMP, 1 JPEG, 2 PNG): the catalogue, the factor choice, the cell
// iteration and the 15-cell cache.
#pragma once

#include "gis/core/GisDefsGeometry.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

class TBitmap;

namespace data {
class Connection;
}

/// What loading a first-version cell found.
enum class TGIS_PixelStoreCellKind {
  White, ///< no row (cached) or an empty image (read again next time)
  Data   ///< encoded bytes
};

class TGIS_PixelStore {
public:
  static constexpr int CacheCapacity = 15;

  TGIS_PixelStore();
  ~TGIS_PixelStore();
  TGIS_PixelStore(const TGIS_PixelStore&) = delete;
  TGIS_PixelStore& operator=(const TGIS_PixelStore&) = delete;

  std::string ConnectionString;
  double CardinalX = 0;
  double CardinalY = 0;

  /// Opens the connection and reads the catalogue ("Not exist" without a row).
  void Open();
  void Close();

  /// The index of the cell holding `v` along one axis: floor of the cell
  /// count from the origin (cells west or south of the cardinal point get
  /// negative indexes; -0.5 cell is cell -1).
  static int CellIndex(double v, double origin, double pixelSize, int cellPixels, int factor);

  void StartCells(const TGIS_Extent& extent, double zoom);
  bool FirstCell() { return NextCell(); }
  bool NextCell();
  bool CellsEof() const { return eof_; }
  TGIS_Extent CellExtent() const;
  /// The cells of the started range (0 once it has ended).
  std::int64_t CellCount() const;
  int CellFactor() const { return factor_; }
  int CellColumn() const { return column_; }
  int CellRow() const { return row_; }
  int FirstColumn() const { return firstColumn_; }
  int LastColumn() const { return lastColumn_; }
  int TopRow() const { return topRow_; }
  int BottomRow() const { return bottomRow_; }
  TGIS_PixelStoreCellKind CellKind() const { return cellKind_; }
  int CellImageType() const { return cellImageType_; }
  const std::vector<std::uint8_t>& CellBytes() const { return cellBytes_; }
  int CellQueries() const { return cellQueries_; }
  /// The current cell as a bitmap: white at the cell size without an image,
  /// else the decoded BMP, JPEG or PNG.
  void CellBitmap(TBitmap& cell) const;

  const TGIS_Extent& Extent() const { return extent_; }
  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  double PixelWidth() const { return pixelWidth_; }
  double PixelHeight() const { return pixelHeight_; }
  int MaxFactor() const { return maxFactor_; }
  int ImageType() const { return imageType_; }
  int Compress() const { return compress_; }

private:
  struct TCacheItem {
    int Factor, Column, Row;
    TGIS_PixelStoreCellKind Kind;
    int ImageType;
    std::vector<std::uint8_t> Bytes;
  };
  void LoadCell();
  void CacheStore();

  std::unique_ptr<data::Connection> connection_;
  TGIS_Extent extent_;
  int cellWidth_ = 0, cellHeight_ = 0;
  double pixelWidth_ = 0, pixelHeight_ = 0;
  int compress_ = 0, imageType_ = 0, maxFactor_ = 1;
  int firstColumn_ = 0, lastColumn_ = 0, topRow_ = 0, bottomRow_ = 0;
  int column_ = 0, row_ = 0, factor_ = 1;
  bool eof_ = true;
  TGIS_PixelStoreCellKind cellKind_ = TGIS_PixelStoreCellKind::White;
  int cellImageType_ = 0;
  std::vector<std::uint8_t> cellBytes_;
  std::list<TCacheItem> cache_;
  int cellQueries_ = 0;
};
