// GisFormatsRegisterLayers: one call per format layer.
#include "gis/formats/GisFormatsLayers.h"

#include "gis/formats/GisLayerGML.h"
#include "gis/formats/GisLayerMIF.h"
#include "gis/formats/GisLayerSHP.h"

void GisFormatsRegisterLayers() {
  GisRegisterLayerSHP();
  GisRegisterLayerMIF();
  GisRegisterLayerGML();
}
