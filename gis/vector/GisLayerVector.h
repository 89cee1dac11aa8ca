// The vector data model: vector layers, shapes, attribute fields, values and
// per-shape styles.
//
// Which file holds what:
//   GisShape.h                 TGIS_Shape and the four shape classes; the
//                              relate engine and geometry parser hooks
//   GisShape.cpp               construction, blocks, growth, raw records, blobs
//   GisShapeGeometry.cpp       parts, points, extents, lock levels, distances
//   GisShapeIndex.cpp          MakeEditable, Delete, the R-tree entry, relate
//   GisShapeFields.cpp         attribute values and per-shape styles
//   GisShapeTypes.cpp          point, multipoint, arc and polygon storage
//   GisLayerVectorClass.h      TGIS_LayerVector
//   GisLayerVector.cpp         construction, settings, configuration, extent
//   GisLayerVectorStore.cpp    the in-memory list, UIDs, create, revert, pending
//   GisLayerVectorCursor.cpp   the raw and filtered cursors, FindFirst
//   GisLayerVectorFields.cpp   field definitions, name caches, export names
//   GisLayerVectorImport.cpp   ImportStructure, ImportLayer, SaveData, SetIndexed
// The exchange forms (WKT, WKB, GDO) and the planar tests are GisGeometry.h.
// The attribute query language is GisSqlQuery.h.
//
// Not built yet (later work): drawing, labels and location of shapes and
// layers; clipping (CreateClippedCopy gives nullptr); the relate engine (an
// engine can be installed); measures (area, length, centroids of lines).
#pragma once

#include "gis/core/GisFieldInfo.h"
#include "gis/vector/GisLayerVectorClass.h"
#include "gis/vector/GisShape.h"
