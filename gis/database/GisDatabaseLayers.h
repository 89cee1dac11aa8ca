// The database layers' hooks and rows in the layer factory: configuration
// reading for ".VRKLS" files and the pixel-store check for ".VRKPS" files.
#pragma once

#include <string>

/// A pixel-store configuration's kind: 1 for a ".VRKPS" path that does not
/// exist yet, or one whose Storage is "PixelStore2" with an ADO value; 2 for
/// Storage "PixelStore2" without ADO; 0 otherwise.
int GisPixelStore2ConfigKind(const std::string& path);

/// Installs the factory hooks (ReadLayerConfigValue, PixelStoreV2Accepts)
/// and the creators of the database layers that are built: the pixel-store
/// layers TGIS_LayerPixelStoreAdo2 and TGIS_LayerPixelStore. Call once at
/// start-up after GisKernelInit(); calling it again only refills them.
void GisDatabaseRegisterLayers();
