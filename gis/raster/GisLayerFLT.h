// The GisLayerFLT module: TGIS_LayerFLT, an Arc/Info float grid: a
// headerless file of 32-bit floats row by row from the top, described by a
// companion ".hdr" keyword file. Rows are read on demand, one held.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gis/raster/GisGridFiles.h"
#include "gis/raster/GisLayerPixel.h"

class TGIS_LayerFLT : public TGIS_LayerPixel {
public:
  TGIS_LayerFLT();
  ~TGIS_LayerFLT() override;

  void Open() override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;
  /// Widens the value range over a share of the rows: min(Height, 750) rows
  /// by default (fraction <= 0 or > 1), else round(fraction x Height).
  virtual void ComputeMinMax(double fraction = -1);

  bool SwapBytes() const { return swapBytes_; }
  int CachedRow() const { return cachedRow_; }

private:
  void ReadHdr(const std::string& path);
  /// Reads `row` into the row buffer unless it is held.
  void ReadRow(int row);

  bool swapBytes_ = false;
  std::vector<float> rowBuffer_;
  std::vector<std::uint8_t> rowBytes_;
  int cachedRow_ = -1;
  std::int64_t fileSize_ = 0;
};
