// The GisLayerJPG module: TGIS_LayerJPG, JPEG pictures as raster layers,
// placed by a ".JFW" or ".JGW" world file or a MapInfo registration. The
// whole picture is decoded into DecodedBitmap while the layer is awake.
#pragma once

#include <memory>

#include "gis/raster/GisLayerPixel.h"

class TBitmap;

class TGIS_LayerJPG : public TGIS_LayerPixel {
public:
  TGIS_LayerJPG();
  ~TGIS_LayerJPG() override;

  void Open() override;
  void WakeUp() override;
  void MakeDormant() override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  /// The decoded picture; nullptr while dormant.
  TBitmap* DecodedBitmap() const { return decodedBitmap_.get(); }

private:
  void ReadHeaderFields();
  void ReadGeoreference();
  std::unique_ptr<TBitmap> decodedBitmap_;
};
