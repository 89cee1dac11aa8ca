// For the harnesses of the exchange readers (WKT, WKB, GDO): a shape read
// exports to all three forms, and its binary form reads back. Shapes with
// coordinates that have no text form (not finite, or beyond 1e300) only
// export.
#pragma once

#include <cmath>

#include "fuzz/support/FuzzSupport.h"
#include "gis/vector/GisGeometryGdo.h"
#include "gis/vector/GisGeometryWkb.h"
#include "gis/vector/GisShape.h"
#include "platform/rtl/Exceptions.h"

namespace skfuzz {

inline bool AllWritable(const TGIS_Shape& shape) {
  for (int part = 0; part < shape.GetNumParts(); ++part)
    for (int i = 0; i < shape.GetPartSize(part); ++i) {
      const TGIS_Point p = shape.GetPoint(part, i);
      if (!(std::fabs(p.X) <= 1e300) || !(std::fabs(p.Y) <= 1e300)) return false;
    }
  return true;
}

inline void ExportAndReadBack(TGIS_Shape& shape) {
  TBytes wkb, gdo;
  shape.ExportToWKB(wkb);
  shape.ExportToGDO(gdo);
  (void)shape.ExportToWKT();
  if (shape.IsEmpty() || !AllWritable(shape)) return;
  bool read = true;
  try {
    (void)GisCreateShapeFromWKB(wkb);
  } catch (const Exception&) {
    read = false;
  }
  Check(read, "the binary form of a shape read reads back");
}

} // namespace skfuzz
