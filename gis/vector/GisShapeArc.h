// TGIS_ShapeArc: the polyline shape (part of the GisLayerVector module; see
// GisLayerVector.h). Storage is in GisShapeTypes.cpp; measures, points along
// the line, sub-lines, clipped copies and predicates in GisShapeArc.cpp; the
// window clipper in GisShapeClip.h; drawing in GisShapeDrawArc.cpp.
#pragma once

#include "gis/vector/GisShape.h"

/// An arc (polyline): header with part starts, vertices in parts.
class TGIS_ShapeArc : public TGIS_Shape {
public:
  TGIS_ShapeArc(const TGIS_Shape* source = nullptr, std::span<const std::uint8_t> raw = {},
                bool mapped = false, std::int32_t uid = 0, TGIS_LayerVector* layer = nullptr)
      : TGIS_Shape(gisShapeTypeArc, source, raw, mapped, uid, layer) {}
  int GetSmartSize() override;
  std::unique_ptr<TGIS_Shape> CreateCopy() const override;
  void AddPoint(const TGIS_Point& point) override;

  // ---- geometry ---------------------------------------------------------------------
  std::unique_ptr<TGIS_Shape> CreateClippedCopy(const TGIS_Extent& extent,
                                                bool forDrawing) override;
  double DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                        double tolerance) const override;
  TGIS_Point GetCentroid() const override;
  double GetArea() const override { return 0; }
  double GetLength() const override;
  double GetPartLength(int part) const override;
  bool IsNear(const TGIS_Point& point, int mode, double distance) const override;
  bool IsInsideShape(TGIS_Shape* other, int mode) override;
  bool Intersects(TGIS_Shape* other) override;
  std::unique_ptr<TGIS_PointList> GetIntersectionPoints(TGIS_Shape* other) override;
  void DrawToBitmap(TBitmap& bitmap, int margin, TGIS_Point& scale) override;
  /// The point at distance d along the line (part < 0: all parts in order;
  /// else that part alone), moved sideways by offset (to the right of the
  /// segment). d is clamped to the length; no segment gives (0, 0).
  virtual void GetPointOnLine(int part, TGIS_Point& point, double offset, double distance) const;
  /// The piece of the line between two distances (clamped to the length; part
  /// as above); empty when from > to or the part does not exist. The caller
  /// owns the result, which has no layer.
  virtual std::unique_ptr<TGIS_ShapeArc> GetSubLine(int part, double from, double to) const;
  // ---- end of geometry ----------------------------------------------------------------

  // ---- drawing (GisShapeDrawArc.cpp) ------------------------------------------------------
  void Draw() override;
  void DrawVertexLabels() override;
  // ---- end of drawing ------------------------------------------------------------------

  // ---- labels (GisShapeLabel.cpp) ------------------------------------------------------
  /// In a full paint with the FOLLOW alignment (and no PlaceLabelHook) the
  /// label runs along the line, on each part of it in view (once when the
  /// style forbids duplicates); otherwise the base's label.
  void DrawLabel() override;
  // ---- end of labels --------------------------------------------------------------------
};

/// A label along one part of a line: the style and the layer are the styled
/// arc's, the points those of `points` (the arc itself or its copy clipped
/// to the view). False for an empty text or line, or when no place is found
/// (GisShapeLabel.cpp).
bool GisDrawArcLabel(TGIS_ShapeArc& styled, TGIS_Shape& points, int part, const std::string& text);
