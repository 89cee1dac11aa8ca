// Harnesses of vector layers read a layer back the same way after opening
// it: every UID up to two past the last, every field of each shape found,
// and the extent.
#pragma once

#include "gis/vector/GisLayerVector.h"

namespace skfuzz {

inline void ReadBackShapes(TGIS_LayerVector& layer) {
  const int n = layer.GetLastUid();
  for (int uid = 0; uid <= n + 2; ++uid)
    if (TGIS_Shape* s = layer.GetShape(uid)) {
      s->GetExtentRaw();
      for (int f = 0; f < layer.FieldCount(); ++f)
        s->GetField(layer.GetFieldInfo(f)->NewName);
    }
  layer.RecalcExtent();
}

} // namespace skfuzz
