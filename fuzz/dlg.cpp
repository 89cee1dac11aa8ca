// The DLG layer: the same bytes are read as an optional-format file (".opt")
// and as a ".dlg" (standard, or optional when no line feed comes early);
// opening reads them whole or raises the kernel's errors, then the shapes,
// their fields and the extent are read back, and the layer saves itself and
// reopens what it wrote.
//
// Input: the bytes of the file.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzFiles.h"
#include "fuzz/support/FuzzLayers.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerDLG.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skfuzz;
  for (const char* name : {"f.opt", "f.dlg"}) {
    Put(name, data, size);
    try {
      TGIS_LayerDLG layer;
      layer.SetPath(Folder() + name);
      layer.Open();
      ReadBackShapes(layer);
      if (layer.ShapeCount() > 0 && layer.ShapeCount() < 200) {
        layer.SetModified(true);
        layer.SaveData();
        TGIS_LayerDLG again;
        again.SetPath(Folder() + name);
        again.Open();
        ReadBackShapes(again);
      }
    } catch (const Exception&) {
    }
    Remove(name);
  }
  return 0;
}
