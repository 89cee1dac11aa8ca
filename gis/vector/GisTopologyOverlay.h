// The overlay engine: both operands' boundaries are cut at every point where
// they meet (crossings), coincident vertices merged within the merge radius,
// every edge classified against both operands, and result rings traced by
// angle at the crossing nodes (part of the GisTopology module; see
// GisTopology.h). The relation tests read the same classified edges.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "gis/vector/GisTopologyContour.h"

/// The operations (fixed numbers).
enum TGIS_TopologyOperation : std::uint8_t {
  gisTopologyUnion = 0,
  gisTopologyIntersection = 1,
  gisTopologyDifference = 2,
  gisTopologySymmetricDifference = 3,
};

/// Edge classes (fixed numbers).
enum T_EdgeClass : std::uint8_t {
  edgeUnclassified = 0,
  edgeInside = 1,
  edgeOutside = 2,
  edgeSharedSame = 3,
  edgeSharedOpposite = 4,
};

/// Raised inside the engine when a loop runs past its budget.
struct T_OverlayOverrun {};

/// The radii and budgets of one engine.
struct T_OverlayParams {
  double T = 0; ///< tolerance: rings of doubled area up to T × perimeter are slivers
  double R = 0; ///< merge radius: vertices this close are one node
  /// Cutting passes allowed: a pass that finds new cuts asks for another,
  /// and inputs settle after one or two.
  int MaxCutPasses = 16;
  /// Cutting passes over at least this many segments find their pairs
  /// through horizontal strips (the same pairs in the same order).
  std::size_t StripSweepSegments = 1024;
};

/// One node of the cut boundaries.
struct T_Node {
  TGIS_Point Local;                ///< about the engine's origin
  TGIS_Point Source;               ///< the source position written to results
  bool EndA = false, EndB = false; ///< a chain end of operand A / B
};

/// One undirected edge of the cut boundaries (N0 < N1), with the number of
/// times each operand runs along it and its direction in each.
struct T_Edge {
  int N0 = 0, N1 = 0;
  int CountA = 0, CountB = 0;
  /// Net direction sums: +1 per run N0->N1, -1 per run N1->N0.
  int DirA = 0, DirB = 0;
  /// Membership of the two sides (left and right of N0->N1) in each operand.
  bool LeftA = false, RightA = false, LeftB = false, RightB = false;
};

/// Working buffers of the cutting passes. A caller that builds many graphs
/// keeps one and hands it to each, so a pass clears them instead of
/// allocating.
struct T_CutScratch {
  struct TSegment {
    int Operand; // 0 = A, 1 = B
    int Part;
    int Index; // position in the part's node sequence
    /// Made by the previous pass's cuts, or met by a crossing it left uncut:
    /// only pairs with such a segment can cut anything new.
    bool Fresh;
    double XMin, YMin, XMax, YMax;
  };
  std::vector<TSegment> Segs;
  /// (segment key, node) in the order found.
  std::vector<std::pair<long long, int>> Cuts;
  /// Node-pair keys of the segments the next pass must look at again (sorted).
  std::vector<long long> Fresh, NextFresh;
  std::vector<int> Mids, Out;
  /// Horizontal strips of the segments (indices into Segs, ascending per
  /// strip) for the sweep of many segments.
  std::vector<int> StripStart, StripItems, Found;
  int StripCount = 1;
  double StripY0 = 0, StripH = 1;
};

/// The two operands cut against each other.
class T_OverlayGraph {
public:
  /// Cuts contours a and b (b may be null). Raises T_OverlayOverrun when the
  /// cutting does not settle within its budget.
  /// With a window, operand `windowed` (0 = A, 1 = B) enters only with its
  /// segments whose boxes meet the window (a prepared shape against a small
  /// candidate); the segments left out still count in the membership tests.
  /// `scratch` (optional) lends the cutting buffers.
  T_OverlayGraph(const T_Contour& a, const T_Contour* b, const T_OverlayParams& params,
                 const TGIS_Extent* window = nullptr, int windowed = -1,
                 T_CutScratch* scratch = nullptr);
  T_OverlayGraph(const T_OverlayGraph&) = delete;
  T_OverlayGraph& operator=(const T_OverlayGraph&) = delete;

  std::vector<T_Node> Nodes;
  std::vector<T_Edge> Edges;
  /// Each operand part as its node sequence after cutting (rings not closed).
  std::vector<std::vector<int>> PartsA, PartsB;
  /// Whether each sequence wraps around (a ring, not a run or a chain).
  std::vector<std::uint8_t> RingA, RingB;
  bool ClosedA = false, ClosedB = false;
  /// Some segment of the windowed operand lies outside the window (and so
  /// apart from the other operand).
  bool OutsideWindow = false;
  /// The passes that found cuts before the boundaries settled.
  int CutPasses = 0;

  /// Fills the side memberships of every edge (polygon operands).
  void ClassifySides();
  /// Fills the side memberships of edge `i` alone (edges are independent:
  /// a caller that needs only some edges classifies just those).
  void ClassifyEdge(int i);
  /// The class of an edge with respect to operand `other` (0 = A, 1 = B)
  /// seen from the edge's own operand.
  T_EdgeClass ClassOf(const T_Edge& e, int other) const;
  /// Edge index of the (undirected) node pair, or -1.
  int FindEdge(int n0, int n1) const;
  /// Membership of a point in a polygon operand (0 = A, 1 = B) by the cut
  /// edges; `exclude` is an edge index left out of the count (or -1).
  bool Parity(const TGIS_Point& local, int operand, int exclude) const;
  /// Per node: touched by an edge of A / B, touched by a boundary edge of A / B.
  std::vector<std::uint8_t> NodeOnA, NodeOnB, NodeBoundaryA, NodeBoundaryB;

  TGIS_Point Origin{};

private:
  void AddOperand(const T_Contour& c, std::vector<std::vector<int>>& parts,
                  std::vector<std::uint8_t>& rings, bool isB);
  void AddWindowRuns(const T_Contour& c, std::vector<std::vector<int>>& parts,
                     std::vector<std::uint8_t>& rings, bool isB);
  int AddNode(const TGIS_Point& source);
  int FindNodeNear(const TGIS_Point& local) const;
  std::uint64_t CellIndex(double v) const;
  std::size_t Bucket(std::uint64_t ix, std::uint64_t iy) const;
  void CutUntilSettled();
  void BuildSweepStrips(T_CutScratch& w) const;
  bool CutPass();
  void CollectEdges();
  void BuildStrips();
  /// The strip holding height y (clamped to the strips; they are built).
  int StripOf(double y) const;

  T_OverlayParams params_;
  T_CutScratch ownScratch_;
  T_CutScratch* scratch_ = &ownScratch_;
  TGIS_Extent window_{};
  int windowed_ = -1;
  const T_Contour* windowContour_ = nullptr;
  // The side of the windowed operand when nothing of it is in the window
  // (-1 until asked).
  int constantSide_ = -1;
  // The windowed operand's segments taken into the graph (its ring
  // contours' only, and only when some are left out), as source segments.
  std::vector<std::pair<TGIS_Point, TGIS_Point>> inside_;
  std::vector<std::vector<int>> grid_; // node hash buckets
  std::size_t gridMask_ = 0;
  double cell_ = 1;
  // Horizontal strips of edge indices: strip k holds
  // stripEdges_[stripStart_[k] .. stripStart_[k + 1]).
  std::vector<int> stripStart_, stripEdges_;
  int stripCount_ = 1;
  double stripY0_ = 0, stripH_ = 1;
  std::vector<std::pair<long long, int>> edgeKeys_;
};

/// Polygon overlay of two ring contours (even-odd regions): the result
/// rings, outer rings clockwise followed by their holes counter-clockwise, or
/// null when nothing is left.
std::unique_ptr<T_Contour> GisCombineContours(const T_Contour& a, const T_Contour* b,
                                              TGIS_TopologyOperation operation,
                                              const T_OverlayParams& params);
/// Line overlay of two chain contours.
std::unique_ptr<T_Contour> GisOverlayLines(const T_Contour& a, const T_Contour& b,
                                           TGIS_TopologyOperation operation,
                                           const T_OverlayParams& params);
/// The pieces of line `line` inside or on (intersection) or outside
/// (difference) the polygon contour.
std::unique_ptr<T_Contour> GisCombineLineWithPolygon(const T_Contour& line,
                                                     const T_Contour& polygon,
                                                     TGIS_TopologyOperation operation,
                                                     const T_OverlayParams& params);
/// A line cut at every point where it meets itself, one chain per piece
/// between such points.
std::unique_ptr<T_Contour> GisSplitLine(const T_Contour& line, const T_OverlayParams& params);
