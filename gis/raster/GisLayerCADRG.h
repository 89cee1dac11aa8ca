// The GisLayerCADRG module: TGIS_LayerCADRG, a CADRG or CIB product set
// opened through its table of contents (".toc") as one raster layer. Each
// boundary rectangle of the table (a chart series and zone) is a child
// layer, T_LayerCADRG_Child; the children in view draw coarsest scale
// first. Frames are read and decoded by TGIS_FileCADRGDecoder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/raster/GisFileCADRG.h"
#include "gis/raster/GisLayerPixel.h"

class TGIS_LayerCADRG;

/// The part of a product set of one boundary rectangle.
class T_LayerCADRG_Child : public TGIS_LayerPixel {
public:
  T_LayerCADRG_Child(TGIS_FileCADRGDecoder* decoder, TGIS_LayerCADRG* parent, int rectangle);
  void Open() override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  double ScaleDenominator() const { return scale_; }
  int Rectangle() const { return rectangle_; }

private:
  TGIS_FileCADRGDecoder* decoder_;
  TGIS_LayerCADRG* parent_;
  int rectangle_;
  double scale_ = 0;
};

class TGIS_LayerCADRG : public TGIS_LayerPixel {
public:
  TGIS_LayerCADRG();
  ~TGIS_LayerCADRG() override;

  void Open() override;
  void LoadConfig() override;
  bool DrawDefault() override;
  void SetGridMode(bool on) override;
  bool Locate(const TGIS_Point& point, std::uint32_t& rgb, bool& transparent,
              std::vector<double>& values) override;
  bool GetGrid(const TGIS_Extent& extent, TGIS_GridArray& grid) override;
  bool GetBitmap(const TGIS_Extent& extent, TBitmap& bitmap) override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;

  TGIS_FileCADRGDecoder* Decoder() const { return decoder_.get(); }
  const std::vector<std::unique_ptr<T_LayerCADRG_Child>>& Children() const { return children_; }

private:
  /// The children overlapping the viewer's visible extent, each given the
  /// viewer and a copy of this layer's pixel parameters.
  std::vector<T_LayerCADRG_Child*> ChildrenInView();

  std::unique_ptr<TGIS_FileCADRGDecoder> decoder_;
  std::vector<std::unique_ptr<T_LayerCADRG_Child>> children_;
};
