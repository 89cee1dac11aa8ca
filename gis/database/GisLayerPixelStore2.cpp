#include "gis/database/GisLayerPixelStore2.h"

#include "platform/rtl/Exceptions.h"

TGIS_LayerPixelStoreAbstract2::TGIS_LayerPixelStoreAbstract2() = default;

TGIS_LayerPixelStoreAbstract2::~TGIS_LayerPixelStoreAbstract2() = default;

void TGIS_LayerPixelStoreAbstract2::OpenStoreRaster() {
  SK_ASSERT(store_ != nullptr, "", "GisLayerPixelStore2", __LINE__);
  store_->KeyPrefix = Name();
  store_->OnPassword = [this](TGIS_FilePixelStoreAbstract2*, const std::string& name, std::string& value) {
    if (PasswordEvent) PasswordEvent(this, name, value);
  };
  const double p = static_cast<double>(store_->PixelSize());
  SetUpStoreRaster(store_->Extent(), p, p, TGIS_FilePixelStoreAbstract2::CellSize,
                   TGIS_FilePixelStoreAbstract2::CellSize);
  storeOpened_ = true;
}

void TGIS_LayerPixelStoreAbstract2::Open() {
  try {
    OpenStoreRaster();
  } catch (const Exception& e) {
    RaiseReadError(e);
  }
}
