// The E00 layer: whatever the export file holds, plain or compressed, opening
// reads the chosen part whole into shapes with their INFO values or raises
// the kernel's errors; the shapes and their values then read back.
//
// Input: the first byte picks the part (0 surveyed, 1 arcs, 2 polygons,
// 3 label points, by its value modulo 4); the rest is the file.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzFiles.h"
#include "fuzz/support/VectorReadBack.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerE00.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  using namespace skfuzz;
  static const std::uint8_t parts[] = {0, gisShapeTypeArc, gisShapeTypePolygon, gisShapeTypePoint};
  Put("f.e00", data + 1, size - 1);
  try {
    TGIS_LayerE00 layer(parts[data[0] % 4]);
    layer.SetPath(Folder() + "f.e00");
    layer.Open();
    ReadBackShapes(layer);
  } catch (const Exception&) {
  }
  return 0;
}
