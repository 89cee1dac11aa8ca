// The GisLayerMIF module: TGIS_LayerMIF, the MapInfo interchange pair: the
// ".mif" text with the header and the geometry, and the ".mid" text with one
// attribute row per object. Both are read whole at Open into in-memory
// shapes; saving writes both through TGIS_FileSet (GisFileSet.h).
//
// Every object takes its own ".mid" row, also the objects that give no shape
// (Text, Arc, Ellipse, Rect, RoundRect, Collection, None), so the rows never
// shift. Columns of a type that adds no field keep their place as deleted
// fields. Rows have no length limit.
#pragma once

#include <memory>
#include <string>

#include "gis/core/GisMappedFiles.h"
#include "gis/vector/GisLayerVector.h"

class TGIS_LayerMIF : public TGIS_LayerVector {
public:
  TGIS_LayerMIF();
  ~TGIS_LayerMIF() override;

  void Open() override;
  void SaveData() override;
  /// A header-only pair; 0033 when the ".mif" or the ".mid" exists.
  void Build(const std::string& path, const TGIS_Extent& extent,
             TGIS_ShapeType shapeType = gisShapeTypeUnknown) override;
  void ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent, TGIS_ShapeType shapeType,
                   const std::string& query, bool clip) override;

  virtual std::string GetMifFileName() const { return path_; }
  virtual std::string GetMidFileName() const;
  virtual std::string GetMidExtension() const { return ".mid"; }

private:
  class TReader;
  friend class TReader;
};

/// Fills the factory's ".mif" row.
void GisRegisterLayerMIF();
