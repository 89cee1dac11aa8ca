// The MIF/MID layer: whatever the two texts hold, opening reads them whole
// into shapes with their rows or raises the kernel's errors; the shapes, their
// values and the extent then read back.
//
// Input: a little-endian 32-bit length, the .mif bytes of that length, then
// the .mid bytes (the rest).

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzFiles.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerMIF.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  using namespace skfuzz;
  std::size_t mifSize = Length(data);
  if (mifSize > size - 4) mifSize = size - 4;
  Put("f.mif", data + 4, mifSize);
  Put("f.mid", data + 4 + mifSize, size - 4 - mifSize);
  try {
    TGIS_LayerMIF layer;
    layer.SetPath(Folder() + "f.mif");
    layer.Open();
    const int n = layer.GetLastUid();
    for (int uid = 0; uid <= n + 2; ++uid)
      if (TGIS_Shape* s = layer.GetShape(uid)) {
        s->GetExtentRaw();
        for (int f = 0; f < layer.FieldCount(); ++f)
          s->GetField(layer.GetFieldInfo(f)->NewName);
      }
    layer.RecalcExtent();
  } catch (const Exception&) {
  }
  return 0;
}
