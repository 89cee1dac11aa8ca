// Topology contours: one operand of the topology engine as rings (polygons)
// or chains (lines) of working points, with the point tests the engine and
// the relation tests ask (part of the GisTopology module; see GisTopology.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "gis/vector/GisGeometryStrips.h"

class TGIS_Shape;

/// One ring (stored without its closing vertex) or one chain.
struct T_ContourPart {
  std::vector<TGIS_Point> Points;
  TGIS_Extent Extent{};
  /// Doubled signed area about the first point: positive counter-clockwise
  /// in y-up coordinates (0 for chains).
  double Area = 0;
  /// Index of the part whose hole this ring is, or -1.
  int Container = -1;
  /// Toggled by every Reverse.
  bool Reversed = false;

  void RecomputeExtent();
  void RecomputeArea();
  void Reverse();
};

/// Doubled signed area of a closed ring, summed about its first point (the
/// local origin keeps projected coordinates exact enough to orient small rings).
double GisRingDoubledArea(const std::vector<TGIS_Point>& ring);

class T_Contour {
public:
  /// Builds from a polygon: rings of more than 3 stored vertices, vertices
  /// closer than 0.9 x t to the previous taken one dropped, rings left with
  /// fewer than 3 vertices dropped. `raster` adds the point-test bitmap.
  static std::unique_ptr<T_Contour> CreateFromPolygon(const TGIS_Shape& shape, double t,
                                                      bool raster);
  /// Builds from a line: chains of more than 1 stored vertex, the same
  /// thinning, chains left with fewer than 2 vertices dropped.
  static std::unique_ptr<T_Contour> CreateFromLine(const TGIS_Shape& shape, double t);

  bool Closed = false;
  double Tolerance = 0;
  /// 0.05 x tolerance: the distance within which a point lies on the boundary.
  double AreaEpsilon = 0;
  TGIS_Extent Extent = GisEmptyExtent();
  std::vector<T_ContourPart> Parts;

  int VertexCount() const;
  bool IsEmpty() const { return VertexCount() == 0; }
  void RecomputeExtent();

  /// Even-odd over the parts (one part, or all for -1), half-open in Y:
  /// a point on a bottom edge is inside, on a top edge outside.
  bool PointInContour(const TGIS_Point& p, int part = -1) const;
  /// Within the area epsilon of an edge of the selected parts.
  bool PointOnBoundary(const TGIS_Point& p, int part = -1) const;
  /// Snaps `working` (a copy of `source`) onto the nearest edge within d;
  /// true when some edge lies within d.
  bool SnapVertex(const TGIS_Point& source, TGIS_Point& working, double d) const;
  /// Calls `visit` once for every segment (part, index of its first vertex)
  /// whose box meets `box`.
  void ForEachSegmentIn(const TGIS_Extent& box,
                        const std::function<void(int part, int index)>& visit) const;
  /// The number of segments (edges of rings, of chains).
  int SegmentCount() const;
  /// The parity of the crossings of the ray from `p` towards +X with every
  /// segment (half-open in Y), with no box or raster shortcut.
  bool OddCrossings(const TGIS_Point& p) const;
  /// Whether a point lies within d of the first or last point of a chain.
  bool NearChainEnd(const TGIS_Point& p, double d) const;

  /// Rewrites the shape (locked at level 1) with one part per contour part;
  /// rings go through AddRingPoint. Sets the shape's IsFixed flag. Does
  /// nothing for a contour without vertices.
  void WriteToShape(TGIS_Shape& shape) const;

  /// Builds the 512 x 512 point-test raster (rings only).
  void BuildRaster();
  bool HasRaster() const { return !raster_.empty(); }
  /// Where a box lies by the raster alone: 1 wholly inside (every cell it
  /// covers is an inside cell, and so clear of every edge), 0 wholly outside
  /// (likewise, or the box misses the extent), -1 unknown (no raster, a box
  /// near the boundary or beyond the raster).
  int RasterRegion(const TGIS_Extent& box) const;

  /// Where a point lies by the raster alone: 1 inside, 0 outside (its pixel
  /// is clear of every edge), -1 unknown (no raster, or near the boundary).
  int RasterSide(const TGIS_Point& p) const;

  static constexpr int RasterSize = 512;
  static constexpr int RasterMargin = 2;

private:
  /// Raster answer for a point: 0 inside, 255 outside, other: ask the exact test.
  std::uint8_t RasterValue(const TGIS_Point& p) const;
  bool ExactPointInContour(const TGIS_Point& p, int part) const;
  void BuildStrips() const;
  /// The strip holding height y (clamped to the strips; they are built).
  int StripOf(double y) const;

  std::vector<std::uint8_t> raster_;
  // Summed-area tables (513 x 513) of the inside and the outside cells.
  std::vector<std::uint32_t> insideSums_, outsideSums_;
  TGIS_Point rasterOrigin_{};
  double rasterScaleX_ = 0, rasterScaleY_ = 0;

  // Horizontal strips of edge references (part, index), built on first use.
  struct TEdgeRef {
    int Part;
    int Index;
  };
  mutable std::vector<std::vector<TEdgeRef>> strips_;
  mutable double stripY0_ = 0, stripH_ = 0;
  // Fine strips of copied segments for the exact point tests, built on
  // first use.
  void BuildIndex() const;
  mutable TGIS_SegmentStrips index_;
};
