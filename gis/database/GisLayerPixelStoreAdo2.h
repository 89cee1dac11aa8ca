// The layer the factory makes for a ".VRKPS" configuration of a
// second-version pixel store reached over a connection string.
#pragma once

#include "gis/database/GisFilePixelStoreAdo2.h"
#include "gis/database/GisLayerPixelStore2.h"

class TGIS_LayerPixelStoreAdo2 : public TGIS_LayerPixelStoreAbstract2 {
public:
  /// The layer with a new, unconnected store.
  TGIS_LayerPixelStoreAdo2();
  /// The store's configuration is the layer's path; the catalogue is read,
  /// then the raster is set up. Any failure raises GIS_RS_ERR_FILEREAD for
  /// the path.
  void Open() override;
  /// Whether `path` is a configuration this layer opens.
  bool IsAdoConfig(const std::string& path) const;
};
