// TGIS_ShapePolygon: the area shape (part of the GisLayerVector module; see
// GisLayerVector.h). Ring storage is in GisShapeTypes.cpp; area, centroid,
// label point, distances, clipped copies and predicates in
// GisShapePolygon.cpp; drawing in GisShapeDrawPolygon.cpp.
#pragma once

#include "gis/vector/GisShape.h"

/// A polygon: rings stored closed (the first vertex repeated last).
class TGIS_ShapePolygon : public TGIS_Shape {
public:
  TGIS_ShapePolygon(const TGIS_Shape* source = nullptr, std::span<const std::uint8_t> raw = {},
                    bool mapped = false, std::int32_t uid = 0, TGIS_LayerVector* layer = nullptr)
      : TGIS_Shape(gisShapeTypePolygon, source, raw, mapped, uid, layer) {}
  int GetSmartSize() override;
  std::unique_ptr<TGIS_Shape> CreateCopy() const override;
  void AddPoint(const TGIS_Point& point) override;
  void AddRingPoint(const TGIS_Point& point);

  // ---- geometry ---------------------------------------------------------------------
  std::unique_ptr<TGIS_Shape> CreateClippedCopy(const TGIS_Extent& extent,
                                                bool forDrawing) override;
  /// As the arc's, with the inside bonus: a point inside the ring scores at
  /// most 0.9 × tolerance (tolerance ≥ 0).
  double DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                        double tolerance) const override;
  TGIS_Point GetCentroid() const override;
  /// A point inside the area (the centroid when it lies inside).
  TGIS_Point GetLabelPoint() const override;
  double GetArea() const override;
  double GetLength() const override;
  double GetPartLength(int part) const override;
  bool IsNear(const TGIS_Point& point, int mode, double distance) const override;
  bool IsInsideShape(TGIS_Shape* other, int mode) override;
  bool Intersects(TGIS_Shape* other) override;
  std::unique_ptr<TGIS_PointList> GetIntersectionPoints(TGIS_Shape* other) override;
  void DrawToBitmap(TBitmap& bitmap, int margin, TGIS_Point& scale) override;
  // ---- end of geometry ----------------------------------------------------------------

  // ---- drawing (GisShapeDrawPolygon.cpp) ------------------------------------------------------
  void Draw() override;
  void DrawVertexLabels() override;
  // ---- end of drawing ------------------------------------------------------------------

private:
  void AddToRing(const TGIS_Point& point, bool alwaysClose);
};
