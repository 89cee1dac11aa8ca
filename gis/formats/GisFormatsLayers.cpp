// GisFormatsRegisterLayers: one call per format layer.
#include "gis/formats/GisFormatsLayers.h"

#include "gis/formats/GisLayerMIF.h"
#include "gis/formats/GisLayerSHP.h"
#include "gis/formats/GisLayerTAB.h"

void GisFormatsRegisterLayers() {
  GisRegisterLayerSHP();
  GisRegisterLayerMIF();
  GisRegisterLayerTAB();
}
