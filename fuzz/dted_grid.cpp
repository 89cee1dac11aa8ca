// The DTED layer over any bytes: open, every row (at full and half scale) and grid
// values; the kernel's errors are fine.

#include "fuzz/support/RasterFuzz.h"
#include "gis/raster/GisLayerDTED.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RasterFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = RasterFuzzFile("input.dt1", data, size);
  try {
    TGIS_LayerDTED layer;
    layer.SetPath(path);
    layer.Open();
    RasterFuzzReadRows(layer);
    layer.GetOverviewScale(layer.Width(), layer.Width() / 2.0);
    RasterFuzzReadRows(layer);
  } catch (const Exception&) {
  }
  return 0;
}
