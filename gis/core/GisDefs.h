// The kernel's basic module: records, helpers and small containers.
//
// Which file holds what:
//   GisDefsGeometry   points, extents and their helpers, colours, DMS angles
//   GisDefsNumbers    GisStrToFloat / GisFloatToStr
//   GisDefsPasswords  TGIS_PasswordList, GisLayerPasswords
#pragma once

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPasswords.h"
