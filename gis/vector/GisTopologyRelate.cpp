// Relate: the DE-9IM matrix of two shapes from the cut boundaries (lines and
// polygons) or from point tests (points), the pattern test, prepared shapes
// and pattern transposition.
//
// Line boundaries follow the endpoint rule: every chain end is a boundary
// point, also where two chain ends meet.
#include <algorithm>

#include "gis/vector/GisTopology.h"

namespace {

enum TPos { II = 0, IB, IE, BI, BB, BE, EI, EB, EE };

/// Some chain end of a line contour lies outside the box.
bool EndOutside(const T_Contour& c, const TGIS_Extent& box) {
  const auto outside = [&](const TGIS_Point& p) {
    return p.X < box.XMin || p.X > box.XMax || p.Y < box.YMin || p.Y > box.YMax;
  };
  for (const T_ContourPart& part : c.Parts)
    if (outside(part.Points.front()) || outside(part.Points.back())) return true;
  return false;
}

/// The matrix of a line or polygon wholly inside or wholly apart from a
/// polygon, the prepared one being operand `prepared` (0 = first).
T_RelateMatrix WithinOrApart(bool line, bool within, int prepared) {
  static const char* const Matrices[2][2] = {{"FF2FF1212", "2FF1FF212"},
                                             {"FF1FF0212", "1FF0FF212"}};
  const char* text = Matrices[line ? 1 : 0][within ? 1 : 0];
  T_RelateMatrix m;
  for (int i = 0; i < 9; ++i)
    m.Cell[i] = text[i] == 'F' ? -1 : text[i] - '0';
  return prepared == 0 ? m.Transposed() : m;
}

int KindRank(TGIS_ShapeType t) {
  return t == gisShapeTypeMultiPoint ? gisShapeTypePoint : t;
}

} // namespace

// ---- the matrix ----------------------------------------------------------------------------

std::string T_RelateMatrix::ToString() const {
  std::string s;
  for (int c : Cell)
    s.push_back(c < 0 ? 'F' : static_cast<char>('0' + c));
  return s;
}

T_RelateMatrix T_RelateMatrix::Transposed() const {
  T_RelateMatrix t;
  for (int j = 0; j < 9; ++j)
    t.Cell[j] = Cell[(j % 3) * 3 + j / 3];
  return t;
}

bool T_RelateMatrix::Matches(const std::string& pattern) const {
  const std::size_t n = std::min<std::size_t>(pattern.size(), 9);
  for (std::size_t i = 0; i < n; ++i) {
    const int c = Cell[i];
    switch (pattern[i]) {
    case 'T':
    case 't':
      if (c < 0) return false;
      break;
    case 'F':
    case 'f':
      if (c >= 0) return false;
      break;
    case '0':
    case '1':
    case '2':
      if (c != pattern[i] - '0') return false;
      break;
    default:
      break;
    }
  }
  return true;
}

std::string TGIS_Topology::TransposePattern(const std::string& pattern) {
  std::string full = "*********";
  for (std::size_t i = 0; i < std::min<std::size_t>(9, pattern.size()); ++i)
    full[i] = pattern[i];
  std::string out(9, '*');
  for (int j = 0; j < 9; ++j)
    out[static_cast<std::size_t>(j)] = full[static_cast<std::size_t>((j % 3) * 3 + j / 3)];
  while (!out.empty() && out.back() == '*')
    out.pop_back();
  return out;
}

// ---- the tally -----------------------------------------------------------------------------

T_RelateTally::T_RelateTally(const std::string& pattern) : watching_(true), pattern_(pattern) {
  const std::size_t n = std::min<std::size_t>(pattern.size(), 9);
  for (std::size_t i = 0; i < n; ++i) {
    const auto bit = static_cast<std::uint16_t>(1u << i);
    switch (pattern[i]) {
    case 'T':
    case 't':
      wantNonEmpty_ |= bit;
      break;
    case 'F':
    case 'f':
      wantEmpty_ |= bit;
      break;
    case '0':
    case '1':
    case '2':
      wantDim_ |= bit;
      dim_[i] = static_cast<std::int8_t>(pattern[i] - '0');
      break;
    default:
      break;
    }
  }
}

void T_RelateTally::Raise(int pos, int dim) {
  int& cell = M.Cell[pos];
  if (dim <= cell) return;
  cell = dim;
  if (!watching_ || settled_) return;
  const auto bit = static_cast<std::uint16_t>(1u << pos);
  // An empty or lower cell can still be met; a cell beyond its demand cannot
  // come back.
  if ((wantEmpty_ & bit) != 0 || ((wantDim_ & bit) != 0 && cell > dim_[pos])) {
    settled_ = true;
    answer_ = false;
    return;
  }
  wantNonEmpty_ = static_cast<std::uint16_t>(wantNonEmpty_ & ~bit);
  // Only "T" positions left open, and all of them met.
  if (wantNonEmpty_ == 0 && wantEmpty_ == 0 && wantDim_ == 0) {
    settled_ = true;
    answer_ = true;
  }
}

bool T_RelateTally::Answer() const {
  return settled_ ? answer_ : M.Matches(pattern_);
}

// ---- prepared shapes -----------------------------------------------------------------------

void TGIS_Topology::SetPreparedShape(TGIS_Shape* shape) {
  preparedContour_.reset();
  prepared_ = shape;
}

int TGIS_Topology::PreparedVertexCount() const {
  return preparedContour_ == nullptr ? -1 : preparedContour_->VertexCount();
}

const T_Contour* TGIS_Topology::OperandContour(TGIS_Shape* shape,
                                               std::unique_ptr<T_Contour>& holder) {
  const bool polygon = shape->ShapeType() == gisShapeTypePolygon;
  if (shape == prepared_ && prepared_ != nullptr) {
    if (preparedContour_ == nullptr)
      preparedContour_ = polygon ? PolygonContour(*shape, true) : LineContour(*shape);
    return preparedContour_.get();
  }
  holder = polygon ? PolygonContour(*shape, false) : LineContour(*shape);
  return holder.get();
}

// ---- relate --------------------------------------------------------------------------------

bool TGIS_Topology::Relate(TGIS_Shape* a, TGIS_Shape* b, const std::string& pattern) {
  if (a == nullptr || b == nullptr) return false;
  if (a->ShapeType() < gisShapeTypePoint || b->ShapeType() < gisShapeTypePoint) return false;
  if (pattern.empty()) return true;
  if (a->ShapeType() > gisShapeTypePolygon || b->ShapeType() > gisShapeTypePolygon) return false;
  // The lower kind goes first; the pattern is turned to match.
  const bool swapped = KindRank(b->ShapeType()) < KindRank(a->ShapeType());
  T_RelateTally m(swapped ? TransposePattern(pattern) : pattern);
  if (!(swapped ? RelateInto(b, a, m) : RelateInto(a, b, m))) return false;
  return m.Answer();
}

bool TGIS_Topology::RelateMatrix(TGIS_Shape* a, TGIS_Shape* b, T_RelateMatrix& matrix) {
  if (a == nullptr || b == nullptr) return false;
  if (a->ShapeType() < gisShapeTypePoint || b->ShapeType() < gisShapeTypePoint) return false;
  if (a->ShapeType() > gisShapeTypePolygon || b->ShapeType() > gisShapeTypePolygon) return false;
  // The lower kind goes first; the matrix is transposed back at the end.
  const bool swapped = KindRank(b->ShapeType()) < KindRank(a->ShapeType());
  T_RelateTally m;
  if (!(swapped ? RelateInto(b, a, m) : RelateInto(a, b, m))) return false;
  matrix = swapped ? m.M.Transposed() : m.M;
  return true;
}

bool TGIS_Topology::RelateInto(TGIS_Shape* a, TGIS_Shape* b, T_RelateTally& m) {
  const TOperandScope operands(*this, a, b, false);
  try {
    const bool reuse = preparedContour_ != nullptr && (a == prepared_ || b == prepared_);
    if (!reuse) AutoTolerance();
    if (a->IsEmpty() || b->IsEmpty()) return false;
    const TGIS_ShapeType tb = b->ShapeType();
    if (KindRank(a->ShapeType()) == gisShapeTypePoint) {
      if (KindRank(tb) == gisShapeTypePoint) {
        RelatePointSets(a, b, m);
        return true;
      }
      std::unique_ptr<T_Contour> holder;
      const T_Contour* cb = OperandContour(b, holder);
      if (cb->IsEmpty()) return false;
      if (tb == gisShapeTypePolygon) {
        RelatePointsWithPolygon(a, *cb, m);
      } else {
        RelatePointsWithLine(a, *cb, m);
      }
      return true;
    }
    std::unique_ptr<T_Contour> ha, hb;
    const T_Contour* ca = OperandContour(a, ha);
    const T_Contour* cb = OperandContour(b, hb);
    if (ca->IsEmpty() || cb->IsEmpty()) return false;
    // A prepared operand enters only near the other one.
    T_Window w;
    if (ca == preparedContour_.get() && cb != ca) w.Operand = 0;
    if (cb == preparedContour_.get() && ca != cb) w.Operand = 1;
    if (w.Operand >= 0) {
      const TGIS_Extent e = (w.Operand == 0 ? cb : ca)->Extent;
      const double grow = 2 * mergeRadius_;
      w.Box = {e.XMin - grow, e.YMin - grow, e.XMax + grow, e.YMax + grow};
    }
    // A candidate in cells of the prepared polygon's raster that are all
    // inside or all outside (clear of every edge) needs no cutting.
    const int region = w.Operand >= 0 ? preparedContour_->RasterRegion(w.Box) : -1;
    if (region >= 0) {
      const bool line = (w.Operand == 0 ? tb : a->ShapeType()) == gisShapeTypeArc;
      const T_RelateMatrix known = WithinOrApart(line, region == 1, w.Operand);
      for (int pos = 0; pos < 9; ++pos)
        m.Raise(pos, known.Cell[pos]);
      return true;
    }
    if (a->ShapeType() == gisShapeTypeArc && tb == gisShapeTypeArc)
      return RelateLines(*ca, *cb, w, m);
    if (a->ShapeType() == gisShapeTypeArc) {
      // A line vertex in a raster pixel of the prepared polygon that is clear
      // of its edges starts a piece of the line inside (or outside) it: a
      // fact of the matrix that may settle the pattern before any cutting.
      if (w.Operand == 1 && m.Watching()) {
        for (const T_ContourPart& part : ca->Parts) {
          for (const TGIS_Point& p : part.Points) {
            const int side = preparedContour_->RasterSide(p);
            if (side >= 0) m.Raise(side == 1 ? II : IE, 1);
            if (m.Settled()) return true;
          }
        }
      }
      return RelateLineWithPolygon(*ca, *cb, w, m);
    }
    return RelatePolygons(*ca, *cb, w, m);
  } catch (const T_OverlayOverrun&) {
    return false;
  }
}

bool TGIS_Topology::RelatePolygons(const T_Contour& a, const T_Contour& b, const T_Window& w,
                                   T_RelateTally& m) {
  T_OverlayGraph g(a, &b, Params(), w.Operand >= 0 ? &w.Box : nullptr, w.Operand,
                   &cutScratch_);
  m.Raise(EE, 2);
  // Boundary left out of the window lies apart from the other operand, with
  // its own interior on one side.
  if (g.OutsideWindow) {
    m.Raise(w.Operand == 0 ? BE : EB, 1);
    m.Raise(w.Operand == 0 ? IE : EI, 2);
  }
  // Edges are classified one by one, and only until the pattern is settled.
  for (int i = 0; i < static_cast<int>(g.Edges.size()) && !m.Settled(); ++i) {
    g.ClassifyEdge(i);
    const T_Edge& e = g.Edges[static_cast<std::size_t>(i)];
    const bool sides[2][2] = {{e.LeftA, e.LeftB}, {e.RightA, e.RightB}};
    for (const auto& s : sides) {
      if (s[0] && s[1]) m.Raise(II, 2);
      if (s[0] && !s[1]) m.Raise(IE, 2);
      if (!s[0] && s[1]) m.Raise(EI, 2);
    }
    const bool boundaryA = e.CountA % 2 == 1, boundaryB = e.CountB % 2 == 1;
    if (boundaryA && boundaryB) m.Raise(BB, 1);
    if (boundaryB && !boundaryA) {
      if (e.LeftA && e.RightA) m.Raise(IB, 1);
      if (!e.LeftA && !e.RightA) m.Raise(EB, 1);
    }
    if (boundaryA && !boundaryB) {
      if (e.LeftB && e.RightB) m.Raise(BI, 1);
      if (!e.LeftB && !e.RightB) m.Raise(BE, 1);
    }
  }
  for (std::size_t n = 0; n < g.Nodes.size() && !m.Settled(); ++n)
    if (g.NodeBoundaryA[n] && g.NodeBoundaryB[n]) m.Raise(BB, 0);
  return true;
}

bool TGIS_Topology::RelateLineWithPolygon(const T_Contour& a, const T_Contour& b, const T_Window& w,
                                          T_RelateTally& m) {
  T_OverlayGraph g(a, &b, Params(), w.Operand >= 0 ? &w.Box : nullptr, w.Operand,
                   &cutScratch_);
  m.Raise(EI, 2);
  m.Raise(EE, 2);
  if (g.OutsideWindow) {
    if (w.Operand == 1) m.Raise(EB, 1);
    if (w.Operand == 0) {
      m.Raise(IE, 1);
      if (EndOutside(a, w.Box)) m.Raise(BE, 0);
    }
  }
  // Per node, the membership in B of an edge of A that ends there.
  std::vector<signed char> nodeInB(g.Nodes.size(), -1);
  for (int i = 0; i < static_cast<int>(g.Edges.size()) && !m.Settled(); ++i) {
    g.ClassifyEdge(i);
    const T_Edge& e = g.Edges[static_cast<std::size_t>(i)];
    const bool boundaryB = e.CountB % 2 == 1;
    if (e.CountA > 0) {
      if (boundaryB) {
        m.Raise(IB, 1);
      } else {
        m.Raise(e.LeftB ? II : IE, 1);
        nodeInB[static_cast<std::size_t>(e.N0)] = e.LeftB ? 1 : 0;
        nodeInB[static_cast<std::size_t>(e.N1)] = e.LeftB ? 1 : 0;
      }
    } else if (boundaryB) {
      m.Raise(EB, 1);
    }
  }
  for (std::size_t n = 0; n < g.Nodes.size() && !m.Settled(); ++n) {
    const T_Node& node = g.Nodes[n];
    if (!g.NodeOnA[n]) continue;
    if (!node.EndA) {
      if (g.NodeBoundaryB[n]) m.Raise(IB, 0);
      continue;
    }
    if (g.NodeBoundaryB[n]) {
      m.Raise(BB, 0);
    } else if (nodeInB[n] == 1) {
      m.Raise(BI, 0);
    } else {
      m.Raise(BE, 0);
    }
  }
  return true;
}

bool TGIS_Topology::RelateLines(const T_Contour& a, const T_Contour& b, const T_Window& w,
                                T_RelateTally& m) {
  T_OverlayGraph g(a, &b, Params(), w.Operand >= 0 ? &w.Box : nullptr, w.Operand,
                   &cutScratch_);
  m.Raise(EE, 2);
  if (g.OutsideWindow) {
    m.Raise(w.Operand == 0 ? IE : EI, 1);
    if (EndOutside(w.Operand == 0 ? a : b, w.Box)) m.Raise(w.Operand == 0 ? BE : EB, 0);
  }
  for (std::size_t i = 0; i < g.Edges.size() && !m.Settled(); ++i) {
    const T_Edge& e = g.Edges[i];
    if (e.CountA > 0 && e.CountB > 0) m.Raise(II, 1);
    if (e.CountA > 0 && e.CountB == 0) m.Raise(IE, 1);
    if (e.CountB > 0 && e.CountA == 0) m.Raise(EI, 1);
  }
  for (std::size_t n = 0; n < g.Nodes.size() && !m.Settled(); ++n) {
    const T_Node& node = g.Nodes[n];
    const bool onA = g.NodeOnA[n] != 0, onB = g.NodeOnB[n] != 0;
    const bool interiorA = onA && !node.EndA, interiorB = onB && !node.EndB;
    if (interiorA && interiorB) m.Raise(II, 0);
    if (interiorA && node.EndB) m.Raise(IB, 0);
    if (node.EndA && interiorB) m.Raise(BI, 0);
    if (node.EndA && node.EndB) m.Raise(BB, 0);
    if (node.EndA && !onB) m.Raise(BE, 0);
    if (node.EndB && !onA) m.Raise(EB, 0);
  }
  return true;
}

void TGIS_Topology::RelatePointsWithPolygon(TGIS_Shape* points, const T_Contour& b,
                                            T_RelateTally& m) const {
  m.Raise(EI, 2);
  m.Raise(EB, 1);
  m.Raise(EE, 2);
  for (const TGIS_Point& p : Vertices(*points)) {
    if (m.Settled()) break;
    if (b.PointOnBoundary(p)) {
      m.Raise(IB, 0);
    } else if (b.PointInContour(p)) {
      m.Raise(II, 0);
    } else {
      m.Raise(IE, 0);
    }
  }
}

void TGIS_Topology::RelatePointsWithLine(TGIS_Shape* points, const T_Contour& b,
                                         T_RelateTally& m) const {
  m.Raise(EI, 1);
  m.Raise(EE, 2);
  const std::vector<TGIS_Point> all = Vertices(*points);
  for (const TGIS_Point& p : all) {
    if (m.Settled()) return;
    if (b.NearChainEnd(p, mergeRadius_)) {
      m.Raise(IB, 0);
    } else if (b.PointOnBoundary(p)) {
      m.Raise(II, 0);
    } else {
      m.Raise(IE, 0);
    }
  }
  // A chain end without a point on it is boundary left in the exterior.
  for (const T_ContourPart& part : b.Parts) {
    for (const TGIS_Point& end : {part.Points.front(), part.Points.back()}) {
      const bool covered = std::any_of(all.begin(), all.end(), [&](const TGIS_Point& p) {
        return GisPointDistance(p, end) <= mergeRadius_;
      });
      if (!covered) m.Raise(EB, 0);
    }
  }
}

void TGIS_Topology::RelatePointSets(TGIS_Shape* a, TGIS_Shape* b, T_RelateTally& m) const {
  m.Raise(EE, 2);
  const std::vector<TGIS_Point> pa = Vertices(*a), pb = Vertices(*b);
  const auto nearAny = [&](const TGIS_Point& p, const std::vector<TGIS_Point>& set) {
    return std::any_of(set.begin(), set.end(),
                       [&](const TGIS_Point& q) { return GisPointDistance(p, q) <= mergeRadius_; });
  };
  for (const TGIS_Point& p : pa)
    m.Raise(nearAny(p, pb) ? II : IE, 0);
  for (const TGIS_Point& p : pb)
    if (!nearAny(p, pa)) m.Raise(EI, 0);
}
