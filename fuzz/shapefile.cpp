// The shapefile layer over a main file, its index and its table: whatever the
// three files hold, opening, a full pass, access by UID, every attribute and
// the extent either work or raise the kernel's errors.
//
// Input: two little-endian 32-bit lengths, then the .shp bytes of the first
// length, the .shx bytes of the second (none when 0: the layer reads without
// an index) and the .dbf bytes (the rest).

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzFiles.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerSHP.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  using namespace skfuzz;
  std::size_t shpSize = Length(data), shxSize = Length(data + 4);
  const std::uint8_t* p = data + 8;
  std::size_t left = size - 8;
  if (shpSize > left) shpSize = left;
  if (shxSize > left - shpSize) shxSize = left - shpSize;
  Put("f.shp", p, shpSize);
  Remove("f.shx");
  if (shxSize > 0) Put("f.shx", p + shpSize, shxSize);
  Put("f.dbf", p + shpSize + shxSize, left - shpSize - shxSize);
  try {
    TGIS_LayerSHP layer;
    layer.SetPath(Folder() + "f.shp");
    layer.Open();
    int n = 0;
    for (layer.MoveFirst(GisWholeWorldExtent(), "", false); !layer.Eof(); layer.MoveNext()) {
      TGIS_Shape* s = layer.GetCurrentShape();
      for (int f = 0; f < layer.FieldCount(); ++f)
        s->GetField(layer.GetFieldInfo(f)->NewName);
      if (++n > 100000) break;
    }
    for (int uid = 0; uid <= n + 2; ++uid)
      if (TGIS_Shape* s = layer.GetShape(uid)) s->GetExtentRaw();
    layer.RecalcExtent();
  } catch (const Exception&) {
  }
  return 0;
}
