#include "gis/raster/GisRasterLayers.h"

#include <memory>

#include "gis/raster/GisLayerADF.h"
#include "gis/raster/GisLayerBIL.h"
#include "gis/raster/GisLayerBMP.h"
#include "gis/raster/GisLayerBT.h"
#include "gis/raster/GisLayerCADRG.h"
#include "gis/raster/GisLayerDEM.h"
#include "gis/raster/GisLayerDTED.h"
#include "gis/raster/GisLayerECW.h"
#include "gis/raster/GisLayerFLT.h"
#include "gis/raster/GisLayerGRD.h"
#include "gis/raster/GisLayerIMG.h"
#include "gis/raster/GisLayerJPG.h"
#include "gis/raster/GisLayerMrSID.h"
#include "gis/raster/GisLayerPNG.h"
#include "gis/raster/GisLayerTIFF.h"
#include "gis/viewer/GisRegistredLayers.h"

namespace {

/// A creator of a picture layer reached directly or through the ".tab" that
/// names it (which then holds its registration).
template <class TLayer> TGIS_LayerCreator PictureCreator() {
  return [](TGIS_LayerFactoryArgs& args) -> std::unique_ptr<TGIS_LayerAbstract> {
    auto layer = std::make_unique<TLayer>();
    layer->SetTabPath(args.TabPath);
    return layer;
  };
}

} // namespace

void GisRasterRegisterLayers() {
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerJPG", "JPEG File Interchange Format",
                                      PictureCreator<TGIS_LayerJPG>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerBMP", "Windows Bitmap",
                                      PictureCreator<TGIS_LayerBMP>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerPNG", "Portable Network Graphics",
                                      PictureCreator<TGIS_LayerPNG>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerTIFF", "Tag Image File Format",
                                      PictureCreator<TGIS_LayerTIFF>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerADF", "Arc/Info Binary Grid",
                                      PictureCreator<TGIS_LayerADF>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerIMG", "Erdas Imagine",
                                      PictureCreator<TGIS_LayerIMG>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerGRD", "Arc/Info ASCII Grid",
                                      PictureCreator<TGIS_LayerGRD>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerFLT", "Arc/Info Float Grid",
                                      PictureCreator<TGIS_LayerFLT>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerBT", "Binary Terrain",
                                      PictureCreator<TGIS_LayerBT>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerDTED", "Digital Terrain Elevation Data",
                                      PictureCreator<TGIS_LayerDTED>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerDEM", "USGS Digital Elevation Model",
                                      PictureCreator<TGIS_LayerDEM>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerBIL", "Band Interleaved by Line",
                                      PictureCreator<TGIS_LayerBIL>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerCADRG", "CADRG/CIB Table of Contents",
                                      PictureCreator<TGIS_LayerCADRG>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerMrSID", "MrSID and JPEG 2000",
                                      PictureCreator<TGIS_LayerMrSID>());
  TGIS_RegistredLayers::RegisterLayer("TGIS_LayerECW", "Enhanced Compression Wavelet",
                                      PictureCreator<TGIS_LayerECW>());
}
