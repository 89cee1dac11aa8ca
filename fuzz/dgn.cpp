// The DGN layer: whatever the design file holds, opening decodes it or
// raises the kernel's errors; a full pass, access by UID past the last one,
// every field of every shape and the range-based extent then run.
//
// Input: the bytes of the design file.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzFiles.h"
#include "fuzz/support/FuzzLayers.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerDGN.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skfuzz;
  Put("f.dgn", data, size);
  try {
    TGIS_LayerDGN layer;
    layer.SetPath(Folder() + "f.dgn");
    layer.Open();
    layer.MoveFirst(GisWholeWorldExtent());
    while (!layer.Eof()) {
      layer.GetCurrentShape()->GetExtentRaw();
      layer.MoveNext();
    }
    ReadBackShapes(layer);
  } catch (const Exception&) {
  }
  return 0;
}
