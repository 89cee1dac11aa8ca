#include "gis/database/GisLayerPixelStore.h"

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/database/GisLayerConfig.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Strings.h"

TGIS_PixelStoreLayerFile GisReadPixelStoreLayerFile(const std::string& file) {
  TMemIniFile ini(file);
  TGIS_PixelStoreLayerFile f;
  f.ConnectionString = ini.ReadString(GIS_LAYER_CONFIG_SECTION, "PixelStore", "");
  f.CardinalX = GisStrToFloat(ini.ReadString(GIS_LAYER_CONFIG_SECTION, "CardinalPoint.X", "0"));
  f.CardinalY = GisStrToFloat(ini.ReadString(GIS_LAYER_CONFIG_SECTION, "CardinalPoint.Y", "0"));
  return f;
}

TGIS_LayerPixelStore::TGIS_LayerPixelStore() = default;

TGIS_LayerPixelStore::~TGIS_LayerPixelStore() = default;

void TGIS_LayerPixelStore::Open() {
  store_.reset();
  try {
    const std::string file = GisPathAbsolute("", path_);
    const TGIS_PixelStoreLayerFile config = GisReadPixelStoreLayerFile(file);
    auto store = std::make_unique<TGIS_PixelStore>();
    store->ConnectionString = config.ConnectionString;
    store->CardinalX = config.CardinalX;
    store->CardinalY = config.CardinalY;
    {
      TCurrentDirGuard keep;
      const std::string folder = ExtractFileDir(ToSlashes(file));
      if (!folder.empty() && DirectoryExists(folder)) SetCurrentDir(folder);
      store->Open();
    }
    SetUpStoreRaster(store->Extent(), store->PixelWidth(), store->PixelHeight(), store->CellWidth(),
                     store->CellHeight());
    store_ = std::move(store);
  } catch (const Exception& e) {
    RaiseReadError(e);
  }
}
