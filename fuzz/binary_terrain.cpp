// The Binary Terrain layer over any bytes: open, every row at full and half scale, and
// grid values; the kernel's errors are fine.

#include "fuzz/support/RasterFuzz.h"
#include "gis/raster/GisLayerBT.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RasterFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RasterFuzzOpenAtTwoScales<TGIS_LayerBT>(RasterFuzzFile("input.bt", data, size));
  return 0;
}
