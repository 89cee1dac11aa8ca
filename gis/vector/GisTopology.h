// The topology engine of shapes: union, intersection, difference and
// symmetric difference of any two shapes, shape repair, the union of a list
// of shapes, and the DE-9IM relation test.
//
// Files of the module:
//   GisTopology.h / .cpp          the topology object: tolerance, dispatch by
//                                 kinds, point operations, FixShape, UnionShapes
//   GisTopologyContour.h / .cpp   contours: rings and chains built from shapes,
//                                 point tests, the point-test raster, writing back
//   GisTopologyOverlay.h / .cpp   the overlay engine: cutting both boundaries,
//                                 edge classes, ring tracing, line overlays
//   GisTopologyRelate.cpp         Relate, SetPreparedShape, TransposePattern
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/vector/GisShape.h"
#include "gis/vector/GisTopologyContour.h"
#include "gis/vector/GisTopologyOverlay.h"

/// The nine DE-9IM positions of a relation as dimensions: -1 (empty), 0, 1, 2.
struct T_RelateMatrix {
  int Cell[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  /// "F", "0", "1" or "2" per position.
  std::string ToString() const;
  T_RelateMatrix Transposed() const;
  /// Tests the pattern: "T"/"t" non-empty, "F"/"f" empty, "0"/"1"/"2" that
  /// dimension, anything else (or positions after the ninth) nothing.
  bool Matches(const std::string& pattern) const;
};

/// A relation matrix filled in step by step, watching a pattern: cells only
/// grow, so a pattern position can settle before the matrix is complete
/// ("T" once its cell is non-empty, "F" or a dimension once its cell is
/// beyond it). Without a pattern nothing settles early.
class T_RelateTally {
public:
  T_RelateTally() = default;
  explicit T_RelateTally(const std::string& pattern);

  T_RelateMatrix M;
  void Raise(int pos, int dim);
  /// The answer is known whatever the remaining facts are.
  bool Settled() const { return settled_; }
  /// A pattern is watched (facts beyond the matrix's own can only help).
  bool Watching() const { return watching_; }
  /// The pattern's answer: the settled one, else the test of the full matrix.
  bool Answer() const;

private:
  bool watching_ = false;
  bool settled_ = false;
  bool answer_ = false;
  std::string pattern_;
  std::uint16_t wantNonEmpty_ = 0; // "T" positions not yet met
  std::uint16_t wantEmpty_ = 0;    // "F" positions
  std::uint16_t wantDim_ = 0;      // "0", "1", "2" positions
  std::int8_t dim_[9] = {};
};

class TGIS_Topology : public TGIS_RelateEngine {
public:
  TGIS_Topology() = default;
  ~TGIS_Topology() override;

  double Tolerance() const { return tolerance_; }
  /// T = t when t > 0, else 0; the radii follow.
  void SetTolerance(double t);
  /// Adapts T to the operand shapes; returns the smallest tolerance the data
  /// allows.
  double AutoTolerance();
  double SnapRadius() const { return snapRadius_; }
  double MergeRadius() const { return mergeRadius_; }

  /// The combination of two shapes (caller owns; nullptr when nothing is left
  /// or the kinds do not combine). `fix` repairs the polygon operands in place.
  /// Raises "0150 Shape can not be fixed" when the engine overruns its budget.
  std::unique_ptr<TGIS_Shape> Combine(TGIS_Shape* a, TGIS_Shape* b, bool fix,
                                      TGIS_TopologyOperation operation);
  /// Normalises a polygon or a line. With makeNew the result is a new shape
  /// of the same type, layer and UID (the caller owns it); otherwise the
  /// shape itself is rewritten and nullptr returned, and a mapped shape is
  /// refused with "0060 Shape is not ediatble". Other kinds: nullptr, no
  /// change. Raises "0150 Shape can not be fixed" on a budget overrun.
  std::unique_ptr<TGIS_Shape> FixShapeEx(TGIS_Shape* shape, bool makeNew, bool& changed);
  /// FixShapeEx without the change report.
  std::unique_ptr<TGIS_Shape> FixShape(TGIS_Shape* shape, bool makeNew) override;
  /// The union of all shapes of a list (caller owns; the list is unchanged).
  std::unique_ptr<TGIS_Shape> UnionShapes(const std::vector<TGIS_Shape*>& list);

  /// Whether a and b stand in the DE-9IM relation `pattern`.
  bool Relate(TGIS_Shape* a, TGIS_Shape* b, const std::string& pattern) override;
  /// The full relation matrix of a and b (nullopt-like: false when either
  /// shape has no geometry kind or an empty contour).
  bool RelateMatrix(TGIS_Shape* a, TGIS_Shape* b, T_RelateMatrix& matrix);
  /// Remembers a shape that is related many times; its contour is built once.
  void SetPreparedShape(TGIS_Shape* shape) override;
  /// The vertex count of the prepared shape's contour (-1 when none is built).
  int PreparedVertexCount() const;

  /// The pattern that asks of (b, a) what `pattern` asks of (a, b).
  static std::string TransposePattern(const std::string& pattern);

private:
  /// Sets the operand shapes of one operation (and the tolerance they ask
  /// for); the previous operands come back at the end of the scope.
  class TOperandScope {
  public:
    TOperandScope(TGIS_Topology& t, TGIS_Shape* a, TGIS_Shape* b, bool autoTolerance = true);
    ~TOperandScope();
    TOperandScope(const TOperandScope&) = delete;
    TOperandScope& operator=(const TOperandScope&) = delete;

  private:
    TGIS_Topology& t_;
    TGIS_Shape* savedA_;
    TGIS_Shape* savedB_;
  };
  /// Every vertex of a shape, part by part.
  static std::vector<TGIS_Point> Vertices(const TGIS_Shape& s);
  T_OverlayParams Params() const;
  std::unique_ptr<T_Contour> PolygonContour(const TGIS_Shape& shape, bool raster) const;
  std::unique_ptr<T_Contour> LineContour(const TGIS_Shape& shape) const;
  /// The operand's contour: the prepared one when the shape is prepared.
  const T_Contour* OperandContour(TGIS_Shape* shape, std::unique_ptr<T_Contour>& holder);

  std::unique_ptr<TGIS_Shape> CombinePolygons(TGIS_Shape* a, TGIS_Shape* b,
                                              TGIS_TopologyOperation op);
  std::unique_ptr<TGIS_Shape> CombineLineWithPolygon(TGIS_Shape* line, TGIS_Shape* polygon,
                                                     TGIS_TopologyOperation op);
  std::unique_ptr<TGIS_Shape> CombineLines(TGIS_Shape* a, TGIS_Shape* b, TGIS_TopologyOperation op);
  std::unique_ptr<TGIS_Shape> CombinePointsWithPolygon(TGIS_Shape* points, TGIS_Shape* polygon,
                                                       TGIS_TopologyOperation op);
  std::unique_ptr<TGIS_Shape> CombinePointsWithLine(TGIS_Shape* points, TGIS_Shape* line,
                                                    TGIS_TopologyOperation op);
  std::unique_ptr<TGIS_Shape> CombinePointSets(TGIS_Shape* a, TGIS_Shape* b,
                                               TGIS_TopologyOperation op);
  std::unique_ptr<TGIS_Shape> CombinePointWithPoints(TGIS_Shape* point, TGIS_Shape* points,
                                                     TGIS_TopologyOperation op);
  std::unique_ptr<TGIS_Shape> SubtractPoint(TGIS_Shape* points, TGIS_Shape* point);
  std::unique_ptr<TGIS_Shape> CombinePoints(TGIS_Shape* a, TGIS_Shape* b,
                                            TGIS_TopologyOperation op);
  std::unique_ptr<TGIS_Shape> CombineChecked(TGIS_Shape* a, TGIS_Shape* b, bool fix,
                                             TGIS_TopologyOperation op);

  /// The prepared operand (0 = A, 1 = B, -1 none) and the box it is cut to.
  struct T_Window {
    int Operand = -1;
    TGIS_Extent Box{};
  };
  /// The matrix of a and b into `m` (which may settle its pattern early);
  /// false when the relation cannot be computed.
  bool RelateInto(TGIS_Shape* a, TGIS_Shape* b, T_RelateTally& m);
  bool RelatePolygons(const T_Contour& a, const T_Contour& b, const T_Window& w, T_RelateTally& m);
  bool RelateLineWithPolygon(const T_Contour& a, const T_Contour& b, const T_Window& w,
                             T_RelateTally& m);
  bool RelateLines(const T_Contour& a, const T_Contour& b, const T_Window& w, T_RelateTally& m);
  void RelatePointsWithPolygon(TGIS_Shape* points, const T_Contour& b, T_RelateTally& m) const;
  void RelatePointsWithLine(TGIS_Shape* points, const T_Contour& b, T_RelateTally& m) const;
  void RelatePointSets(TGIS_Shape* a, TGIS_Shape* b, T_RelateTally& m) const;

  double tolerance_ = 0;
  double snapRadius_ = 0;
  double mergeRadius_ = 0;
  TGIS_Shape* shapeA_ = nullptr;
  TGIS_Shape* shapeB_ = nullptr;
  TGIS_Shape* prepared_ = nullptr;
  std::unique_ptr<T_Contour> preparedContour_;
  /// Cutting buffers kept from one relation to the next.
  T_CutScratch cutScratch_;
};
