// For the harnesses of vector layers read whole at open: every shape, its
// extent and each of its values read back, then the layer's extent.
#pragma once

#include "gis/vector/GisLayerVector.h"

namespace skfuzz {

inline void ReadBackShapes(TGIS_LayerVector& layer) {
  for (int i = 0; i < layer.ShapeCount(); ++i) {
    TGIS_Shape* s = layer.ShapeAt(i);
    s->GetExtentRaw();
    for (int f = 0; f < layer.FieldCount(); ++f)
      s->GetField(layer.GetFieldInfo(f)->NewName);
  }
  layer.RecalcExtent();
}

} // namespace skfuzz
