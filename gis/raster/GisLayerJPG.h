// The GisLayerJPG module: TGIS_LayerJPG, JPEG pictures as raster layers,
// placed by a ".JFW" or ".JGW" world file or a MapInfo registration. The
// whole picture is decoded into DecodedBitmap while the layer is awake.
#pragma once

#include <memory>

#include "gis/raster/GisLayerPixel.h"

class TBitmap;
class TJPEGImage;

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
  /// Reads the file and its header fields; returns the picture read.
  std::unique_ptr<TJPEGImage> ReadHeaderFields();
  void ReadGeoreference();
  std::unique_ptr<TBitmap> decodedBitmap_;
  /// The file as Open read it, kept for the first wake-up so that opening
  /// and drawing read the file once; dropped by that wake-up or MakeDormant.
  std::unique_ptr<TJPEGImage> openedJpeg_;
};
