// The TIFF layer over any bytes: open, every page (up to four), and the rows
// of each page; the kernel's errors are fine.

#include <algorithm>

#include "fuzz/support/RasterFuzz.h"
#include "gis/raster/GisLayerTIFF.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RasterFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = RasterFuzzFile("input.tif", data, size);
  try {
    TGIS_LayerTIFF layer;
    layer.SetPath(path);
    layer.Open();
    const int pages = std::min(layer.PageCount(), 4);
    for (int p = 1; p <= pages; ++p) {
      try {
        layer.SetPage(p);
        RasterFuzzReadRows(layer);
      } catch (const Exception&) {
      }
    }
  } catch (const Exception&) {
  }
  return 0;
}
