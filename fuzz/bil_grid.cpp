// The BIL layer over any bytes, with its ".hdr" companion: the input's first byte
// gives the header's length (times 2), the header text follows, the data
// file is the rest. Open, every row (at full and half scale) and grid
// values; the kernel's errors are fine.

#include <algorithm>

#include "fuzz/support/RasterFuzz.h"
#include "gis/raster/GisLayerBIL.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RasterFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t header = std::min<std::size_t>(std::size_t(data[0]) * 2, size - 1);
  RasterFuzzFile("input.hdr", data + 1, header);
  const std::string path = RasterFuzzFile("input.bil", data + 1 + header, size - 1 - header);
  try {
    TGIS_LayerBIL layer;
    layer.SetPath(path);
    layer.Open();
    RasterFuzzReadRows(layer);
    layer.GetOverviewScale(layer.Width(), layer.Width() / 2.0);
    RasterFuzzReadRows(layer);
  } catch (const Exception&) {
  }
  return 0;
}
