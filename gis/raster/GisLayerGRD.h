// The GisLayerGRD module: TGIS_LayerGRD, text grids read whole at Open:
// the Arc/Info ASCII grid (a keyword header, then values row by row from
// the top) and the Surfer ASCII grid (marker "DSAA", then values row by
// row from the bottom).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisMappedFiles.h"
#include "gis/raster/GisGridFiles.h"
#include "gis/raster/GisLayerPixel.h"

class TGIS_LayerGRD : public TGIS_LayerPixel {
public:
  TGIS_LayerGRD();
  ~TGIS_LayerGRD() override;

  void Open() override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  /// The value range over every cell that is not no data.
  virtual void ComputeMinMax();

  /// The values, row 0 the top (empty before Open).
  const TGIS_GridArray& Values() const;
  const std::string& DataPath() const { return dataPath_; }
  bool MsbFirst() const { return msbFirst_; }

private:
  void NextToken();
  void ReadHeader();
  /// The Surfer header after its marker; ends with the first value taken.
  void ReadSurferHeader();
  void ReadValues();

  std::string dataPath_;
  std::unique_ptr<TGIS_MappedStream> stream_;
  std::string token_;
  double centreX_ = 0, centreY_ = 0;
  bool hasCentre_ = false, msbFirst_ = false, surfer_ = false;
};
