// The MapInfo native table: whatever the four files hold, opening reads the
// description, the attribute table's structure and the object file's header,
// or raises the kernel's errors; a full pass, direct access by row, every
// field and the extent then read or raise them.
//
// Input: three little-endian 32-bit lengths, then the .tab, .map and .id
// bytes of those lengths, then the .dat bytes (the rest).

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzFiles.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerTAB.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  using namespace skfuzz;
  const std::uint8_t* p = data + 12;
  std::size_t left = size - 12;
  const char* names[] = {"f.tab", "f.map", "f.id"};
  for (int k = 0; k < 3; ++k) {
    std::size_t n = Length(data + 4 * k);
    if (n > left) n = left;
    Put(names[k], p, n);
    p += n;
    left -= n;
  }
  Put("f.dat", p, left);
  try {
    TGIS_LayerTAB layer;
    layer.SetPath(Folder() + "f.tab");
    layer.Open();
    int n = 0;
    for (layer.MoveFirst(GisWholeWorldExtent(), "", false); !layer.Eof(); layer.MoveNext()) {
      TGIS_Shape* s = layer.GetCurrentShape();
      s->GetExtentRaw();
      for (int f = 0; f < layer.FieldCount(); ++f)
        s->GetField(layer.GetFieldInfo(f)->NewName);
      if (++n > 100000) break;
    }
    const int last = layer.GetLastUid();
    for (int uid = 0; uid <= last + 2 && uid <= 100000; ++uid)
      if (TGIS_Shape* s = layer.GetShape(uid)) {
        for (int f = 0; f < layer.FieldCount(); ++f)
          s->GetField(layer.GetFieldInfo(f)->NewName);
      }
    layer.RecalcExtent();
  } catch (const Exception&) {
  }
  return 0;
}
