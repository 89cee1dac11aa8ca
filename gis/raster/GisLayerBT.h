// The GisLayerBT module: TGIS_LayerBT, Binary Terrain grids (".bt"): a
// 256-byte little-endian header, then the values column after column from
// west to east, each column from the bottom row up (16- or 32-bit
// integers or 32-bit floats). Placed by a keyword ".prj" companion when
// there is one, else by the header's bounds. Rows are gathered on demand,
// one value per column, at full or reduced scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gis/raster/GisGridFiles.h"

class TGIS_LayerBT : public TGIS_LayerColumnGrid {
public:
  TGIS_LayerBT();
  ~TGIS_LayerBT() override;

  void Open() override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;
  /// Widens the value range over a share of the columns (every value
  /// counts): 200 columns (or all when fewer) by default (fraction <= 0 or
  /// > 1), else round(fraction x Width).
  virtual void ComputeMinMax(double fraction = -1);

  /// Bytes of one value: 2 (16-bit integers) or 4.
  int DataSize() const { return dataSize_; }
  bool Floats() const { return floats_; }
  /// How many single values were read from the file so far.
  std::int64_t ValueReads() const { return valueReads_; }

private:
  /// Gathers `count` values of file row `r` (from the bottom) from column
  /// c0 at the read scale into the row buffer; the number held.
  int Gather(int r, int c0, int count);
  float ValueAt(std::int64_t index);
  float Decode(const std::uint8_t* p) const;

  int dataSize_ = 2;
  bool floats_ = false;
  int cachedColumn_ = -1;
  std::int64_t valueReads_ = 0;
};
