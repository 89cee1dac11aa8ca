// The GML layer: whatever the file holds, opening reads it into shapes or
// raises the kernel's errors; the shapes, their values and the extent then
// read back, and the layer's own export reads again.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerGML.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = skfuzz::WriteScratch("f.gml", data, size);
  try {
    TGIS_LayerGML layer;
    layer.SetPath(path);
    layer.Open();
    const int n = layer.GetLastUid();
    for (int uid = 0; uid <= n + 2; ++uid)
      if (TGIS_Shape* s = layer.GetShape(uid)) {
        s->GetExtentRaw();
        for (int f = 0; f < layer.FieldCount(); ++f)
          s->GetField(layer.GetFieldInfo(f)->NewName);
      }
    layer.RecalcExtent();
    if (n > 0 && n < 50) {
      // Our own export of what was read is read again.
      TGIS_LayerGML out;
      out.SetPath(skfuzz::ScratchPath("out.gml"));
      out.ImportLayer(&layer, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
      TGIS_LayerGML again;
      again.SetPath(skfuzz::ScratchPath("out.gml"));
      again.Open();
      skfuzz::RemoveScratch("out.gml");
      skfuzz::RemoveScratch("out.~gml");
    }
  } catch (const Exception&) {
  }
  return 0;
}
