// The GisLayerADF module: TGIS_LayerADF, an Arc/Info binary grid (a folder of
// ".adf" files) as an elevation grid layer. Whichever file of the folder is
// opened, the layer reads the header ("hdr.adf"), statistics ("sta.adf"),
// bounds ("dblbnd.adf"), tile index ("w001001x.adf") and tiles
// ("w001001.adf") of that folder. Integer tiles come in a dozen encodings,
// one of them CCITT run-length coding read with the TIFF strip decoder;
// float tiles hold raw big-endian floats.
//
// A tile is read whole into memory when a row first needs it and every
// reader stays inside those bytes: runs that reach past the data or past
// the tile's cells end there, and what they leave is no data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/raster/GisFileTIFF.h"
#include "gis/raster/GisLayerPixel.h"

class TGIS_LayerADF;

/// What the layer knows of the tile of one tile column.
struct T_TileInfo {
  using TRowReader = void (TGIS_LayerADF::*)(float* out, int row, T_TileInfo& tile);
  bool Valid = false;
  std::int64_t Index = -1;
  std::int32_t Minimum = 0;
  std::int64_t DataOffset = 0, DataSize = 0;
  int VisibleWidth = 0;
  int Type = 0;
  TRowReader Reader = nullptr;
  std::vector<std::uint8_t> Data; // the tile's cell data
  std::unique_ptr<TGIS_FileTIFFDecoder> Decoder;
};

class TGIS_LayerADF : public TGIS_LayerPixel {
public:
  TGIS_LayerADF();
  ~TGIS_LayerADF() override;

  void Open() override;
  void WakeUp() override;
  void MakeDormant() override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;

  int CellType() const { return cellType_; }
  int TileWidth() const { return tileWidth_; }

  // row readers of the tile types (row buffer position, row within the tile, tile)
  void ReadTileConstant(float* out, int row, T_TileInfo& tile);
  void ReadTile1Bit(float* out, int row, T_TileInfo& tile);
  void ReadTile4Bit(float* out, int row, T_TileInfo& tile);
  void ReadTile8Bit(float* out, int row, T_TileInfo& tile);
  void ReadTile16Bit(float* out, int row, T_TileInfo& tile);
  void ReadTileFloat(float* out, int row, T_TileInfo& tile);
  void ReadTileRuns16(float* out, int row, T_TileInfo& tile);
  void ReadTileRuns8(float* out, int row, T_TileInfo& tile);
  void ReadTileRunsMin(float* out, int row, T_TileInfo& tile);
  void ReadTileRunLength(float* out, int row, T_TileInfo& tile);
  void ReadTileCCITT(float* out, int row, T_TileInfo& tile);
  void ReadTileMissing(float* out, int row, T_TileInfo& tile);

private:
  void OpenTiles();
  void LoadTileInfo(std::int64_t tile);
  void SetUpTileDecoder(T_TileInfo& tile);
  void ReadGridRow(int row);
  void ScanGridRange(double share);
  /// The row's bytes of a raw tile (null when the row lies past the data).
  const std::uint8_t* RawRow(const T_TileInfo& tile, int row, int rowBytes) const;
  /// Walks the runs of a run tile; `cells` is handed each run (count, value).
  /// Runs of literal values (`valueBytes` each) and of no data.
  void ReadTileLiteralRuns(float* out, int row, T_TileInfo& tile, int valueBytes);
  template <class TRun> void WalkRuns(int row, T_TileInfo& tile, float* out, TRun run);

  std::string folder_;
  int cellType_ = 0;
  int tilesPerRow_ = 0, tilesPerColumn_ = 0, tileWidth_ = 0, tileHeight_ = 0;
  double cellWidth_ = 0, cellHeight_ = 0;
  std::unique_ptr<TFileStream> indexStream_;
  std::int64_t dataSize_ = 0, indexSize_ = 0;
  std::vector<T_TileInfo> tiles_;
  std::vector<float> rowBuffer_;
  int rowHeld_ = -1;
};
