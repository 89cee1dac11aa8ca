// The ".tab" parser: any file parses to a table type or raises the kernel's
// (or the runtime's) error; a raster table registers a picture of a few
// sizes, a vector table gives its fields to a layer, or either raises the
// kernel's error.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzGui.h"
#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisFileTAB.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Exceptions.h"
#include "tests/gis/formats/SizedLayer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartGui(argc, argv);
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = skfuzz::WriteScratch("table.tab", data, size);
  for (const auto& [w, h] : {std::pair{17, 9}, std::pair{1, 1}, std::pair{65535, 3}}) {
    try {
      TGIS_FileTAB tab(path);
      const std::int32_t type = tab.Parse();
      if (type == gisTabNative || type == gisTabDbf) {
        TGIS_LayerVector layer;
        tab.ReadFields(layer);
        for (int f = 0; f < layer.FieldCount(); ++f)
          (void)layer.GetFieldInfo(f)->Width;
        return 0;
      }
      if (type != gisTabRaster) return 0;
      (void)tab.RasterFile();
      TSizedLayer layer(w, h);
      tab.ApplyRasterRegistration(layer);
      (void)layer.Extent();
    } catch (const Exception&) {
    }
  }
  return 0;
}
