// The GisLayerSDTS module: the layers over SDTS transfers.
//
//   TGIS_LayerSDTS_RPE  a raster profile transfer (a DEM) as a grid layer:
//                       raster 1, layer 1, every cell held in memory and
//                       served by its kind (8-, 16-, 32-bit integers,
//                       singles, doubles)
//   TGIS_LayerSDTS_TVP  a topological vector profile transfer as an
//                       in-memory vector layer of points and arcs with the
//                       values of their primary attribute records
//
// The factory opens the transfer (TGIS_FileSDTS) from the ".ddf" file,
// decides the profile and hands the transfer to the layer it makes.
#pragma once

#include <memory>
#include <vector>

#include "gis/formats/GisFileSDTS.h"
#include "gis/raster/GisLayerPixel.h"
#include "gis/vector/GisLayerVector.h"

class TGIS_LayerSDTS_RPE : public TGIS_LayerPixel {
public:
  TGIS_LayerSDTS_RPE();
  ~TGIS_LayerSDTS_RPE() override;

  /// The transfer to show (the factory's); the layer owns it.
  void SetTransfer(std::unique_ptr<TGIS_FileSDTS> transfer) { transfer_ = std::move(transfer); }

  void Open() override;
  void WakeUp() override;
  void MakeDormant() override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;

  double FillValue() const { return fillValue_; }
  int CellSize() const { return cellSize_; }
  TGIS_SdtsCellKind CellKind() const { return cellKind_; }
  const TGIS_FileSDTS_RPE* Profile() const { return profile_.get(); }

private:
  /// Cell (column, row) of raster 1, layer 1 as a real.
  double Cell(int column, int row) const;
  void LoadProfile();

  std::unique_ptr<TGIS_FileSDTS_RPE> profile_;
  std::unique_ptr<TGIS_FileSDTS> transfer_;
  double fillValue_ = 0;
  int cellSize_ = 0;
  TGIS_SdtsCellKind cellKind_ = TGIS_SdtsCellKind::Unknown;
  int lastRow_ = -1;
};

class TGIS_LayerSDTS_TVP : public TGIS_LayerVector {
public:
  TGIS_LayerSDTS_TVP();
  ~TGIS_LayerSDTS_TVP() override;

  void SetTransfer(std::unique_ptr<TGIS_FileSDTS> transfer) { transfer_ = std::move(transfer); }

  void Open() override;

private:
  void MakePoints();
  void MakeLines();
  void MakePolygons() {}
  void CreateFields(const std::vector<TGIS_FileSDTS_AttribDef>* values);
  void AddAttributeField(const std::string& name, const std::string& format, int width);
  void ApplyAttributes(const std::vector<TGIS_FileSDTS_AttribDef>* values);
  void BeginShape(TGIS_ShapeType type);
  void AddShapePoint(const TGIS_Point& point);
  void EndShape();

  std::unique_ptr<TGIS_FileSDTS_TVP> reader_;
  std::unique_ptr<TGIS_FileSDTS> transfer_;
  TGIS_Shape* shape_ = nullptr;
  bool fieldsCreated_ = false;
};

/// Fills the factory's ".ddf" row: the open hook and both creators.
void GisRegisterLayerSDTS();
