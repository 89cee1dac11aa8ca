// A raster layer of a given size that reads nothing: what a ".tab" registers
// in the ".tab" tests and the ".tab" fuzz harness.
#pragma once

#include "gis/raster/GisLayerPixel.h"

class TSizedLayer : public TGIS_LayerPixel {
public:
  TSizedLayer(int w, int h) {
    width_ = w;
    height_ = h;
  }
};
