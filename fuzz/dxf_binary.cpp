// The DXF layer over binary drawings: the input follows the binary sentinel,
// so every mutation lands in the groups (two-byte codes when the input starts
// with two zero bytes, else one-byte codes); opening reads them into shapes
// or raises the kernel's errors within bounded time and memory.
//
// Input: the drawing's bytes after its 22-byte sentinel.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/DxfFuzz.h"
#include "fuzz/support/FuzzFiles.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerDXF.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skfuzz;
  static const char sentinel[] = "AutoCAD Binary DXF\r\n\x1a";
  std::vector<std::uint8_t> file(sentinel, sentinel + sizeof(sentinel)); // with its NUL: 22 bytes
  file.insert(file.end(), data, data + size);
  Put("b.dxf", file.data(), file.size());
  TGIS_LayerDXF layer;
  OpenAndWalkDxf(layer, Folder() + "b.dxf");
  return 0;
}
