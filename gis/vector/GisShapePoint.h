// TGIS_ShapePoint and TGIS_ShapeMultiPoint: the point-like shapes (part of
// the GisLayerVector module; see GisLayerVector.h). Storage is in
// GisShapeTypes.cpp; measures, clipped copies and predicates in
// GisShapePoint.cpp; drawing in GisShapeDrawPoint.cpp.
#pragma once

#include "gis/vector/GisShape.h"

/// A point: no header, one 16-byte vertex.
class TGIS_ShapePoint : public TGIS_Shape {
public:
  TGIS_ShapePoint(const TGIS_Shape* source = nullptr, std::span<const std::uint8_t> raw = {},
                  bool mapped = false, std::int32_t uid = 0, TGIS_LayerVector* layer = nullptr)
      : TGIS_Shape(gisShapeTypePoint, source, raw, mapped, uid, layer) {}
  TGIS_Extent GetExtentRaw() const override;
  int GetPartStart(int part) const override;
  void SetPoint(int part, int index, const TGIS_Point& point) override;
  void SetPoint3D(int part, int index, const TGIS_Point3D& point) override;
  int GetSmartSize() override;
  void ExtendExtent(const TGIS_Point& point) override;
  std::unique_ptr<TGIS_Shape> CreateCopy() const override;
  void Unlock() override;
  void AddPoint(const TGIS_Point& point) override;
  void AddPart() override;
  TGIS_Point GetPoint(int part, int index) const override;
  int GetPartSize(int part) const override;
  TGIS_Point GetCentroid() const override { return IsEmpty() ? TGIS_Point{} : GetPoint(0, 0); }

  // ---- geometry ---------------------------------------------------------------------
  std::unique_ptr<TGIS_Shape> CreateClippedCopy(const TGIS_Extent& extent,
                                                bool forDrawing) override;
  double DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                        double tolerance) const override;
  bool IsNear(const TGIS_Point& point, int mode, double distance) const override;
  bool IsInsideShape(TGIS_Shape* other, int mode) override;
  bool Intersects(TGIS_Shape* other) override;
  std::unique_ptr<TGIS_PointList> GetIntersectionPoints(TGIS_Shape* other) override;
  // ---- end of geometry ----------------------------------------------------------------

  // ---- drawing -----------------------------------------------------------------------
  /// The extent widened by the marker (and its label box when it has a text).
  TGIS_Extent GetPaintExtentEx() const override;
  void Draw() override;
  void DrawVertexLabels() override;
  // ---- end of drawing ------------------------------------------------------------------
};

/// A multipoint: the 36-byte header and one part of vertices.
class TGIS_ShapeMultiPoint : public TGIS_Shape {
public:
  TGIS_ShapeMultiPoint(const TGIS_Shape* source = nullptr, std::span<const std::uint8_t> raw = {},
                       bool mapped = false, std::int32_t uid = 0, TGIS_LayerVector* layer = nullptr)
      : TGIS_Shape(gisShapeTypeMultiPoint, source, raw, mapped, uid, layer) {}
  int GetPartStart(int part) const override;
  void SetPoint(int part, int index, const TGIS_Point& point) override;
  void SetPoint3D(int part, int index, const TGIS_Point3D& point) override;
  int GetSmartSize() override;
  std::unique_ptr<TGIS_Shape> CreateCopy() const override;
  void AddPoint(const TGIS_Point& point) override;
  void AddPart() override;
  TGIS_Point GetPoint(int part, int index) const override;
  int GetPartSize(int part) const override;
  TGIS_Point GetCentroid() const override { return GisExtentCenter(GetExtent()); }

  // ---- geometry ---------------------------------------------------------------------
  std::unique_ptr<TGIS_Shape> CreateClippedCopy(const TGIS_Extent& extent,
                                                bool forDrawing) override;
  double DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                        double tolerance) const override;
  bool IsNear(const TGIS_Point& point, int mode, double distance) const override;
  bool IsInsideShape(TGIS_Shape* other, int mode) override;
  bool Intersects(TGIS_Shape* other) override;
  std::unique_ptr<TGIS_PointList> GetIntersectionPoints(TGIS_Shape* other) override;
  // ---- end of geometry ----------------------------------------------------------------

  // ---- drawing -----------------------------------------------------------------------
  /// The extent widened by the marker (and its label box when it has a text).
  TGIS_Extent GetPaintExtentEx() const override;
  void Draw() override;
  void DrawVertexLabels() override;
  // ---- end of drawing ------------------------------------------------------------------
};
