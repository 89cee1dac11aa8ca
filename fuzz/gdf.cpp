// The GDF layer: whatever a file holds, opening reads its definitions and
// both passes into shapes with their values or raises the kernel's errors;
// the shapes and their values then read back.
//
// Input: the file's bytes.

#include <cstdint>

#include "fuzz/support/FuzzFiles.h"
#include "fuzz/support/VectorReadBack.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerGDF.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skfuzz;
  Put("g.gdf", data, size);
  try {
    TGIS_LayerGDF layer;
    layer.SetPath(Folder() + "g.gdf");
    layer.Open();
    ReadBackShapes(layer);
  } catch (const Exception&) {
  }
  return 0;
}
