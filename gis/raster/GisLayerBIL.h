// The GisLayerBIL module: TGIS_LayerBIL, band-interleaved-by-line rasters
// described by a ".hdr" text header: single-band 8-, 16- or 32-bit grids,
// two-band images drawn from their first band, and images of three or
// more bands drawn as colour from bands 1, 2 and 3.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gis/raster/GisGridFiles.h"
#include "gis/raster/GisLayerPixel.h"

class TGIS_LayerBIL : public TGIS_LayerPixel {
public:
  TGIS_LayerBIL();
  ~TGIS_LayerBIL() override;

  void Open() override;
  void SetLineReader(TLineReader& reader) override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  /// The line reader of single-band grids: ramp colours, no data in the
  /// no-data colour.
  int ReadLineColored(std::uint8_t* buffer, int row, int count, int offset);
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;

  /// Reads the ".hdr" beside the file; false when it is missing or its
  /// LAYOUT is not "BIL".
  bool ReadBilHeader();
  /// Widens the value range over a share of the rows (900 by default).
  void ScanGridRange(double share);
  /// The band tables of images of more than three bands.
  void SetBrightTables();

  int Bands() const { return bands_; }
  int SampleBits() const { return bits_; }
  bool BigEndian() const { return bigEndian_; }
  std::int64_t FileRowBytes() const { return fileRowBytes_; }
  const std::array<std::array<std::uint8_t, 256>, 3>& BandTables() const { return bandTables_; }

private:
  /// Reads and converts the grid row unless it is held.
  void ReadGridRow(int row);
  float Sample(const std::uint8_t* p) const;
  int SampleBytes() const { return bits_ / 8; }
  /// One stored sample reduced to a byte (images of more than 8 bits).
  std::uint8_t SampleByte(const std::uint8_t* p) const;

  int rows_ = 0, columns_ = 0, bands_ = 0, bits_ = 0;
  bool bigEndian_ = false;
  double ulx_ = 0, uly_ = 0, xdim_ = 0, ydim_ = 0;
  std::int64_t fileRowBytes_ = 0, bandLineBytes_ = 0, fileSize_ = 0;
  std::vector<float> rowBuffer_;
  int heldRow_ = -1;
  std::vector<std::uint8_t> scratch_;
  // bands 1, 2 and 3 to red, green and blue
  std::array<std::array<std::uint8_t, 256>, 3> bandTables_{};
};
