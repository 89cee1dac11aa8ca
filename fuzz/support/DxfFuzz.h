// The DXF harnesses' common pass: open a drawing (an error keeps what was
// read), then read back every shape's extent and values.
#pragma once

#include <string>

#include "gis/formats/GisLayerDXF.h"
#include "platform/rtl/Exceptions.h"

namespace skfuzz {

/// Opens the drawing into `layer` and walks it; raises nothing of the project's own.
inline void OpenAndWalkDxf(TGIS_LayerDXF& layer, const std::string& path) {
  try {
    layer.SetPath(path);
    try {
      layer.Open();
    } catch (const Exception&) {
      // What was read before the error stays and is walked below.
    }
    for (int i = 0; i < layer.ShapeCount(); ++i) {
      TGIS_Shape* s = layer.ShapeAt(i);
      s->GetExtentRaw();
      for (int f = 0; f < layer.FieldCount(); ++f)
        s->GetField(layer.GetFieldInfo(f)->NewName);
    }
    layer.RecalcExtent();
  } catch (const Exception&) {
  }
}

} // namespace skfuzz
