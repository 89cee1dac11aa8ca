// The WKB reader: any bytes give a shape or the kernel's error; a shape read
// exports to the three exchange forms, and its binary form reads back.

#include <cstdint>
#include <span>

#include "fuzz/support/ShapeExports.h"
#include "gis/core/GisKernel.h"
#include "gis/vector/GisGeometryWkb.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    auto shape = GisCreateShapeFromWKB(std::span<const std::uint8_t>(data, size));
    if (shape) skfuzz::ExportAndReadBack(*shape);
  } catch (const Exception&) {
  }
  return 0;
}
