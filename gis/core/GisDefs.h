// The kernel's basic module: records, helpers and small containers.
//
// Which file holds what:
//   GisDefsGeometry   points, extents and their helpers, colours, DMS angles
//   GisDefsUnits      TGIS_Units, TGIS_UnitsType
//   GisDefsTokenizer  TGIS_Tokenizer
//   GisDefsHashList   TGIS_HashList
//   GisDefsVariants   TGIS_VariantList, variant code pages, database fields, field types
//   GisDefsLists      TGIS_PointList, TGIS_Point3DList, TGIS_Stack, TGIS_StackInteger
//   GisDefsPasswords  TGIS_PasswordList, GisLayerPasswords
//   GisDefsBitmap     TGIS_Bitmap, TGIS_PixelCapabilities
//   GisDefsMetafile   TGIS_MetafileTarget, GisMetafileCanvas (over the drawing
//                     layer: include it directly)
//   GisDefsStyles     marker, label, chart and dormant enumerations; render markers
//   GisDefsPaths      related file names, relative/absolute paths, common folder
//   GisDefsCodePages  code-page conversion, GisDequote, character sets
//   GisDefsNumbers    GisStrToFloat / GisFloatToStr
//   GisDefsSystem     GisTickCount, GisFileAge, GisLastOsErrorText
//   GisDefsObjects    GisFreeObject
#pragma once

#include "gis/core/GisDefsBitmap.h"
#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsHashList.h"
#include "gis/core/GisDefsLists.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsObjects.h"
#include "gis/core/GisDefsPasswords.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsStyles.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisDefsUnits.h"
#include "gis/core/GisDefsVariants.h"
