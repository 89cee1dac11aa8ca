// The TIGER/Line layer: whatever the four files hold, opening reads the
// chains whole into shapes with their values or raises the kernel's errors;
// the shapes and their values then read back.
//
// Input: the four files' texts (".rt1", ".rt2", ".rtc", ".rtz" in this
// order) separated by the marker "@@@\n"; missing parts are empty files.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzFiles.h"
#include "fuzz/support/VectorReadBack.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerTiger.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skfuzz;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* extensions[] = {".rt1", ".rt2", ".rtc", ".rtz"};
  std::size_t at = 0;
  for (const char* ext : extensions) {
    std::size_t end = at <= text.size() ? text.find("@@@\n", at) : std::string::npos;
    if (at > text.size()) at = text.size();
    if (end == std::string::npos) end = text.size();
    Put(std::string("t") + ext, reinterpret_cast<const std::uint8_t*>(text.data()) + at, end - at);
    at = end + 4;
  }
  try {
    TGIS_LayerTiger layer;
    layer.SetPath(Folder() + "t.rt1");
    layer.Open();
    ReadBackShapes(layer);
  } catch (const Exception&) {
  }
  return 0;
}
