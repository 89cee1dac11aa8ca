// The raster layer that draws a second-version pixel store cell by cell; the
// store itself (TGIS_FilePixelStoreAbstract2) is given by the class that
// reaches its database (GisLayerPixelStoreAdo2.h).
#pragma once

#include "gis/database/GisFilePixelStore2.h"
#include "gis/database/GisLayerPixelStoreTiled.h"

#include <memory>

class TGIS_LayerPixelStoreAbstract2 : public TGIS_LayerPixelStoreOver<TGIS_FilePixelStoreAbstract2> {
public:
  TGIS_LayerPixelStoreAbstract2();
  ~TGIS_LayerPixelStoreAbstract2() override;

  /// Sets up the raster of a store whose catalogue was read: the store's
  /// macro-key prefix becomes the layer's name and its password requests go
  /// to the layer's PasswordEvent; pixel size P (square), cells of 512 x 512,
  /// the store's extent. Any failure raises GIS_RS_ERR_FILEREAD for the path.
  void Open() override;

  TGIS_FilePixelStoreAbstract2* Store() const { return store_.get(); }

protected:
  /// Takes the store over (the layer owns it).
  void SetStore(std::unique_ptr<TGIS_FilePixelStoreAbstract2> store) { store_ = std::move(store); }
  /// The raster set-up of Open, without the error wrapping.
  void OpenStoreRaster();

  /// The store once its raster is set up.
  TGIS_FilePixelStoreAbstract2* CellStore() const override { return storeOpened_ ? store_.get() : nullptr; }

private:
  std::unique_ptr<TGIS_FilePixelStoreAbstract2> store_;
  bool storeOpened_ = false;
};
