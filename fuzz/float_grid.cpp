// The float grid layer over any bytes, with its ".hdr" companion (the input's first
// byte gives the header's length, times 2): open, every row at full and
// half scale, and grid values; the kernel's errors are fine.

#include "fuzz/support/RasterFuzz.h"
#include "gis/raster/GisLayerFLT.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RasterFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = RasterFuzzWithHeader(data, size, "input.flt");
  if (!path.empty()) RasterFuzzOpenAtTwoScales<TGIS_LayerFLT>(path);
  return 0;
}
