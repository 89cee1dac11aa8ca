// The IMAGINE layer over any bytes: open and every row; the kernel's errors
// are fine.

#include "fuzz/support/RasterFuzz.h"
#include "gis/raster/GisLayerIMG.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RasterFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = RasterFuzzFile("input.img", data, size);
  try {
    TGIS_LayerIMG layer;
    layer.SetPath(path);
    layer.Open();
    RasterFuzzReadRows(layer);
  } catch (const Exception&) {
  }
  return 0;
}
