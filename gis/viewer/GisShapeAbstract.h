// TGIS_ShapeAbstract: the root of every shape of the layer model. The viewer
// only passes shapes around (Locate); the shape family lives with the vector
// data model (gis/vector/GisShape.h).
#pragma once

#include <cstdint>

#include "gis/viewer/GisViewerLayer.h"

class TGIS_ShapeAbstract : public TGIS_BaseObject {
public:
  /// Free for the user of the shape; copied with the shape, cleared for a
  /// shape made without a source.
  std::intptr_t Tag = 0;
};
