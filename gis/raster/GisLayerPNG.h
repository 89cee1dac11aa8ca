// The GisLayerPNG module: TGIS_LayerPNG, PNG pictures as raster layers,
// decoded through the PNG picture class into DecodedBitmap (at Open, to
// fail early on a damaged file, and again at each WakeUp), placed by a
// ".PGW" world file or a MapInfo registration.
#pragma once

#include <memory>

#include "gis/raster/GisLayerPixel.h"

class TBitmap;

class TGIS_LayerPNG : public TGIS_LayerPixel {
public:
  TGIS_LayerPNG();
  ~TGIS_LayerPNG() override;

  void Open() override;
  void WakeUp() override;
  void MakeDormant() override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  /// The decoded picture; nullptr while dormant.
  TBitmap* DecodedBitmap() const { return decodedBitmap_.get(); }

private:
  void Decode();
  std::unique_ptr<TBitmap> decodedBitmap_;
};
