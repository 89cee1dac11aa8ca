// The DXF layer over ASCII drawings: whatever the text holds, opening reads it
// into shapes or raises the kernel's errors within bounded time and memory;
// the shapes and their values then read back, and the layer is written out
// as a drawing of its own.
//
// Input: the drawing's bytes.

#include <cstdint>
#include <string>

#include "fuzz/support/DxfFuzz.h"
#include "fuzz/support/FuzzFiles.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerDXF.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skfuzz;
  Put("f.dxf", data, size);
  TGIS_LayerDXF layer;
  OpenAndWalkDxf(layer, Folder() + "f.dxf");
  try {
    Remove("out.dxf");
    TGIS_LayerDXF out;
    out.SetPath(Folder() + "out.dxf");
    out.ImportLayer(&layer, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  } catch (const Exception&) {
  }
  return 0;
}
