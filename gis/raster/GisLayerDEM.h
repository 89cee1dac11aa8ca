// The GisLayerDEM module: TGIS_LayerDEM, USGS ASCII DEM files: a 1024-byte
// text header record A, then one text profile (record B) per column in
// 1024-byte blocks, elevations from south to north. The whole grid is
// read into memory at Open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gis/raster/GisGridFiles.h"
#include "gis/raster/GisLayerPixel.h"

class TGIS_LayerDEM : public TGIS_LayerPixel {
public:
  TGIS_LayerDEM();
  ~TGIS_LayerDEM() override;

  void Open() override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;

  /// The values, row 0 the top (empty before Open).
  const TGIS_GridArray& Values() const;
  const std::string& DataPath() const { return dataPath_; }
  int LevelCode() const { return levelCode_; }
  int AccuracyCode() const { return accuracyCode_; }
  double ZResolution() const { return zResolution_; }

private:
  void ReadHeader();
  void ReadProfiles();
  /// The 1024-byte block `k` of the profiles (block 0 follows record A).
  void ReadBlock(std::int64_t k, std::uint8_t* block);

  std::string dataPath_;
  int levelCode_ = 0, accuracyCode_ = 0;
  double zResolution_ = 0;
  std::int64_t fileSize_ = 0;
};
