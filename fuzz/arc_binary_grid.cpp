// The Arc/Info binary grid layer over any bytes. The input is cut into the
// grid's files: 308 bytes of "hdr.adf", 32 of "dblbnd.adf", 16 of "sta.adf",
// a 16-bit big-endian length and that many bytes of "w001001x.adf", and the
// rest "w001001.adf" (fuzz/make-adf-seeds.py packs grids that way). Every
// row is read, then grid values; the kernel's errors are fine.

#include <algorithm>

#include "fuzz/support/RasterFuzz.h"
#include "gis/raster/GisLayerADF.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RasterFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  std::string lastFile;
  auto part = [&](const char* name, std::size_t n) {
    n = std::min(n, size - at);
    lastFile = RasterFuzzFile(name, data + at, n);
    at += n;
  };
  part("hdr.adf", 308);
  part("dblbnd.adf", 32);
  part("sta.adf", 16);
  std::size_t indexSize = 0;
  if (size - at >= 2) {
    indexSize = std::size_t(data[at]) << 8 | data[at + 1];
    at += 2;
  }
  part("w001001x.adf", indexSize);
  part("w001001.adf", size - at);
  try {
    TGIS_LayerADF layer;
    layer.SetPath(lastFile); // the data file: any file of the folder opens the grid
    layer.Open();
    RasterFuzzReadRows(layer);
  } catch (const Exception&) {
  }
  return 0;
}
