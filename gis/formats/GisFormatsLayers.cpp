// GisFormatsRegisterLayers: one call per format layer.
#include "gis/formats/GisFormatsLayers.h"

#include "gis/formats/GisLayerDGN.h"
#include "gis/formats/GisLayerDLG.h"
#include "gis/formats/GisLayerDXF.h"
#include "gis/formats/GisLayerE00.h"
#include "gis/formats/GisLayerGDF.h"
#include "gis/formats/GisLayerGML.h"
#include "gis/formats/GisLayerMIF.h"
#include "gis/formats/GisLayerSDTS.h"
#include "gis/formats/GisLayerSHP.h"
#include "gis/formats/GisLayerTAB.h"
#include "gis/formats/GisLayerTiger.h"
#include "gis/formats/GisLayerVPF.h"

void GisFormatsRegisterLayers() {
  GisRegisterLayerSHP();
  GisRegisterLayerMIF();
  GisRegisterLayerDXF();
  GisRegisterLayerDGN();
  GisRegisterLayerDLG();
  GisRegisterLayerE00();
  GisRegisterLayerTiger();
  GisRegisterLayerGML();
  GisRegisterLayerTAB();
  GisRegisterLayerVPF();
  GisRegisterLayerGDF();
  GisRegisterLayerSDTS();
}
