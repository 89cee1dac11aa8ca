// The vector data model: vector layers, shapes, attribute fields, values and
// per-shape styles.
//
// Which file holds what:
//   GisShape.h                 TGIS_Shape; the relate engine and geometry
//                              parser hooks
//   GisShapePoint.h/.cpp       TGIS_ShapePoint, TGIS_ShapeMultiPoint: clipped
//                              copies, distances, tests against other shapes
//   GisShapeArc.h/.cpp         TGIS_ShapeArc: lengths, distances, points along
//                              the line, sub-lines, clipped copies, tests
//   GisShapePolygon.h/.cpp     TGIS_ShapePolygon: area, centroid, label point,
//                              distances, clipped copies, tests
//   GisShapeClip.h/.cpp        the window clipper of lines and polygons
//   GisShapeSegments.h/.cpp    vertices and segments shared by the classes:
//                              ring and crossing tests, near and inside tests,
//                              intersection points, drawing into a bitmap
//   GisShape.cpp               construction, blocks, growth, raw records, blobs
//   GisShapeGeometry.cpp       parts, points, extents, lock levels, distances
//   GisShapeIndex.cpp          MakeEditable, Delete, the R-tree entry, relate
//   GisShapeEdit.cpp           the shape as the viewer's editor edits it
//   GisShapeFields.cpp         attribute values and per-shape styles
//   GisShapeTypes.cpp          point, multipoint, arc and polygon storage
//   GisShapeDraw.h/.cpp        drawing every shape shares: paint extents,
//                              markers, drawable copies, vertex marks,
//                              flashing, charts; the screen thinning of parts
//   GisShapeDrawPoint.cpp      drawing of points and multipoints
//   GisShapeDrawArc.cpp        drawing of lines
//   GisShapeDrawPolygon.cpp    drawing of polygons
//   GisLayerVectorClass.h      TGIS_LayerVector
//   GisLayerVector.cpp         construction, settings, configuration, extent
//   GisLayerVectorStore.cpp    the in-memory list, UIDs, create, revert, pending
//   GisLayerVectorCursor.cpp   the raw and filtered cursors, FindFirst
//   GisLayerVectorFields.cpp   field definitions, name caches, export names
//   GisLayerVectorImport.cpp   ImportStructure, ImportLayer, SaveData, SetIndexed
//   GisLayerVectorLocate.cpp   Locate, LocateEx, the editor's snap target, the
//                              choice of a shape's section
//   GisLayerVectorDraw.cpp     the drawing passes (shapes, labels, charts) and
//                              thematic rendering
//   GisShapeLabel.cpp          shape labels: text templates, placement, labels
//                              along lines
// The exchange forms (WKT, WKB, GDO) and the planar tests are GisGeometry.h.
// The attribute query language is GisSqlQuery.h.
//
// The relate engine is GisTopology.h; programs install it at start-up.
#pragma once

#include "gis/core/GisFieldInfo.h"
#include "gis/vector/GisLayerVectorClass.h"
#include "gis/vector/GisShape.h"
#include "gis/vector/GisShapeArc.h"
#include "gis/vector/GisShapePoint.h"
#include "gis/vector/GisShapePolygon.h"
