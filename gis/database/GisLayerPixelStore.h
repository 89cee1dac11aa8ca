// The raster layer of a first-version pixel store: a ".VRKPS" file whose
// section "Vornakel Layer" gives the connection string (PixelStore) and the
// cardinal point (CardinalPoint.X, CardinalPoint.Y).
#pragma once

#include "gis/database/GisLayerPixelStoreTiled.h"
#include "gis/database/GisPixelStore.h"

#include <memory>

/// What a first-version layer file gives.
struct TGIS_PixelStoreLayerFile {
  std::string ConnectionString;
  double CardinalX = 0;
  double CardinalY = 0;
};
/// Reads the section "Vornakel Layer" of a first-version layer file:
/// PixelStore (the connection string), CardinalPoint.X and CardinalPoint.Y
/// (0 when missing); a cardinal coordinate that is no number raises.
TGIS_PixelStoreLayerFile GisReadPixelStoreLayerFile(const std::string& file);

class TGIS_LayerPixelStore : public TGIS_LayerPixelStoreOver<TGIS_PixelStore> {
public:
  TGIS_LayerPixelStore();
  ~TGIS_LayerPixelStore() override;

  /// Reads the layer file, opens the store (relative data sources against
  /// the file's folder) and sets up the raster: pixel sizes of the
  /// catalogue, cells of its cell size, the store's extent. Any failure
  /// raises GIS_RS_ERR_FILEREAD for the path.
  void Open() override;

  TGIS_PixelStore* Store() const { return store_.get(); }

protected:
  TGIS_PixelStore* CellStore() const override { return store_.get(); }

private:
  std::unique_ptr<TGIS_PixelStore> store_;
};
