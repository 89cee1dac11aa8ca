// The GisLayerDTED module: TGIS_LayerDTED, DTED level 0-2 files (".dt0",
// ".dt1", ".dt2"): text header records (UHL, DSI, ACC), then one record
// per column of big-endian signed-magnitude 16-bit elevations from south
// to north, placed in radians of longitude and latitude. Rows are
// gathered on demand, one value per column, at full or reduced scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gis/raster/GisGridFiles.h"

class TGIS_LayerDTED : public TGIS_LayerColumnGrid {
public:
  TGIS_LayerDTED();
  ~TGIS_LayerDTED() override;

  void Open() override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;
  /// Widens the value range over a share of the column records (every
  /// value counts): 200 (or all when fewer) by default, else
  /// round(fraction x Width).
  virtual void ComputeMinMax(double fraction = -1);

  int RecordSize() const { return recordSize_; }

  /// An elevation as stored: sign bit 0x8000, magnitude in the other bits.
  static int DecodeElevation(const std::uint8_t* p);

private:
  /// Gathers file row `r` (from the bottom) over every column at the read
  /// scale into the row buffer; the number of values held.
  int Gather(int r);
  std::int64_t ValueOffset(int column, int rowFromBottom) const;

  int recordSize_ = 0;
};
