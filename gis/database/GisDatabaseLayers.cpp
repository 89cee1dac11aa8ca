#include "gis/database/GisDatabaseLayers.h"

#include "gis/database/GisLayerConfig.h"
#include "gis/database/GisLayerSqlAdo.h"
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
  GisRegisterLayerSqlAdo();
}
