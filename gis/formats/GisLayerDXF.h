// The GisLayerDXF module: TGIS_LayerDXF, the vector layer over a DXF drawing.
// Open reads the whole drawing, ASCII or binary, into in-memory shapes: every
// supported entity becomes a point, an arc or a polygon with the DXF_ fields,
// a style of its own (colour, pen style, width, label) and the attributes its
// "ADE" extended data carries. Blocks are expanded where they are inserted,
// through the object coordinate systems and the insert transforms.
//
// Saving writes a minimal ASCII drawing (POINT, TEXT and POLYLINE entities
// with the attributes as extended data) through TGIS_FileSet, so the old file
// stays whole until the new one is complete, and is kept as the backup.
//
// Group reading, matrices and the palette are GisLayerDXFGroups.h; the
// entity readers live in GisLayerDXFEntities.cpp, the writer in
// GisLayerDXFWriter.cpp.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "gis/vector/GisLayerVector.h"

/// Case-blind ordering of drawing-layer, linetype and block names.
struct TGIS_DxfNameLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
using TGIS_DxfNameList = std::map<std::string, int, TGIS_DxfNameLess>;

class TGIS_LayerDXF : public TGIS_LayerVector {
public:
  TGIS_LayerDXF();
  ~TGIS_LayerDXF() override;

  void Open() override;
  void SaveData() override;
  /// An empty drawing; 0033 when the file exists.
  void Build(const std::string& path, const TGIS_Extent& extent,
             TGIS_ShapeType shapeType = gisShapeTypeUnknown) override;
  void ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent, TGIS_ShapeType shapeType,
                   const std::string& query, bool clip) override;
  void MoveFirst(const TGIS_Extent& extent, const std::string& query = "",
                 bool skipDeleted = true, const std::string& de9im = "",
                 TGIS_Shape* shape = nullptr) override;
  TGIS_Shape* GetShape(std::int32_t uid) override;

  /// Whether Open keeps only the shapes that meet the header's extent (on by default).
  bool ClipToHeaderExtent() const { return clipToHeader_; }
  void SetClipToHeaderExtent(bool on) { clipToHeader_ = on; }
  /// Drawing layers to read (1) or to leave out (0); the first entry of a name
  /// wins. Filled from the visibility list when empty at open.
  TGIS_DxfNameList& LayerFilter() { return layerFilter_; }
  /// Drawing layers shown (1) or hidden (0): the LAYER table, or the
  /// "DXF_LAYER" values of a drawing without one.
  const TGIS_DxfNameList& LayerVisibility() const { return layerVisibility_; }

private:
  class TReader;
  friend class TReader;

  /// The style serials of the layer's line, area, marker and label now.
  void StyleSerials(std::int32_t (&out)[4]);
  bool StyleUnchanged();
  /// Drops the own style of a shape whose style was changed after the open.
  void ResetShapeStyle(TGIS_Shape* shape);

  TGIS_DxfNameList layerFilter_;
  TGIS_DxfNameList layerVisibility_;
  bool clipToHeader_ = true;
  bool styleUnchangedBefore_ = true;
  std::int32_t serials_[4] = {};
};

/// Fills the factory's ".dxf" row.
void GisRegisterLayerDXF();
