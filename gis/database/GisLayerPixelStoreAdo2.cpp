#include "gis/database/GisLayerPixelStoreAdo2.h"

#include "platform/rtl/Exceptions.h"

TGIS_LayerPixelStoreAdo2::TGIS_LayerPixelStoreAdo2() {
  SetStore(std::make_unique<TGIS_FilePixelStoreAdo2>());
}

void TGIS_LayerPixelStoreAdo2::Open() {
  try {
    Store()->ConfigPath = Path();
    Store()->ReadCatalogue();
    OpenStoreRaster();
  } catch (const Exception& e) {
    RaiseReadError(e);
  }
}

bool TGIS_LayerPixelStoreAdo2::IsAdoConfig(const std::string& path) const {
  return Store()->IsAdoConfig(path);
}
