#include "gis/database/GisDatabaseLayers.h"

#include "gis/database/GisLayerConfig.h"
#include "gis/database/GisLayerPixelStore.h"
#include "gis/database/GisLayerPixelStoreAdo2.h"
#include "gis/database/GisLayerSqlAdo.h"
#include "gis/database/GisLayerSqlGm.h"
#include "gis/database/GisLayerSqlOgis.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/core/GisDefsPaths.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

int GisPixelStore2ConfigKind(const std::string& path) {
  std::string storage;
  if (GisReadLayerConfigValue(path, "Storage", storage) == 1 && !FileExists(GisPathAbsolute("", path)))
    return 1;
  if (!SameText(storage, "PixelStore2")) return 0;
  std::string ado;
  GisReadLayerConfigValue(path, "ADO", ado);
  return ado.empty() ? 2 : 1;
}

void GisDatabaseRegisterLayers() {
  auto& hooks = TGIS_RegistredLayers::Hooks();
  hooks.ReadLayerConfigValue = [](const std::string& path, const std::string& key, std::string& value) {
    return GisReadLayerConfigValue(path, key, value);
  };
  hooks.PixelStoreV2Accepts = [](const std::string& fullPath) {
    return GisPixelStore2ConfigKind(fullPath) == 1;
  };
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerPixelStoreAdo2", "Pixel Store (second version)",
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerPixelStoreAdo2>();
      });
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerPixelStore", "Pixel Store",
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerPixelStore>();
      });
  GisRegisterLayerSqlAdo();
  GisRegisterLayerSqlGm();
  // OpenGIS simple-features layers.
  GisRegisterLayerSqlOgisAdo();
}
