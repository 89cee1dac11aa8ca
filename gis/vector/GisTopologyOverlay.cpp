// The overlay engine: cutting, edge classification, ring tracing and the
// line overlays.
#include "gis/vector/GisTopologyOverlay.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <unordered_map>

namespace {

using TSegment = T_CutScratch::TSegment;

double Cross(const TGIS_Point& o, const TGIS_Point& a, const TGIS_Point& b) {
  return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

/// Squared distance: closeness tests compare it with a squared radius.
double Dist2(const TGIS_Point& a, const TGIS_Point& b) {
  const double dx = a.X - b.X, dy = a.Y - b.Y;
  return dx * dx + dy * dy;
}

double Angle(const TGIS_Point& from, const TGIS_Point& to) {
  const double a = std::atan2(to.Y - from.Y, to.X - from.X);
  return a < 0 ? a + 2 * std::numbers::pi : a;
}

long long PairKey(int a, int b) {
  const int lo = std::min(a, b), hi = std::max(a, b);
  return (static_cast<long long>(lo) << 32) | static_cast<unsigned>(hi);
}

bool Evaluate(TGIS_TopologyOperation op, bool a, bool b) {
  switch (op) {
  case gisTopologyUnion:
    return a || b;
  case gisTopologyIntersection:
    return a && b;
  case gisTopologyDifference:
    return a && !b;
  case gisTopologySymmetricDifference:
    return a != b;
  }
  return false;
}

/// Removes repeated neighbours (and a ring's closing repeat) from a sequence.
void DropRepeats(std::vector<int>& seq, bool closed) {
  seq.erase(std::unique(seq.begin(), seq.end()), seq.end());
  while (closed && seq.size() > 1 && seq.front() == seq.back())
    seq.pop_back();
}

bool HalfOpenCrossesRight(const TGIS_Point& v, const TGIS_Point& w, const TGIS_Point& p) {
  if (!((v.Y <= p.Y && p.Y < w.Y) || (w.Y <= p.Y && p.Y < v.Y))) return false;
  const double x = v.X + (w.X - v.X) * (p.Y - v.Y) / (w.Y - v.Y);
  return p.X < x;
}

} // namespace

// ---- cutting -------------------------------------------------------------------------------

T_OverlayGraph::T_OverlayGraph(const T_Contour& a, const T_Contour* b,
                               const T_OverlayParams& params, const TGIS_Extent* window,
                               int windowed, T_CutScratch* scratch)
    : params_(params) {
  if (scratch != nullptr) scratch_ = scratch;
  TGIS_Extent all = a.Extent;
  if (b != nullptr) all = GisExtentUnion(all, b->Extent);
  if (!GisIsEmptyExtent(all)) Origin = {all.XMin, all.YMin};
  cell_ = params_.R > 0 ? params_.R : 1;
  if (window != nullptr && (windowed == 0 || (windowed == 1 && b != nullptr))) {
    window_ = *window;
    windowed_ = windowed;
    windowContour_ = windowed == 0 ? &a : b;
  }
  ClosedA = a.Closed;
  AddOperand(a, PartsA, RingA, false);
  if (b != nullptr) {
    ClosedB = b->Closed;
    AddOperand(*b, PartsB, RingB, true);
  }
  CutUntilSettled();
  CollectEdges();
}

std::uint64_t T_OverlayGraph::CellIndex(double v) const {
  // Clamped first: a cell number beyond 2^62 would not convert.
  const double c = std::clamp(std::floor(v / cell_), -4.6e18, 4.6e18);
  return static_cast<std::uint64_t>(static_cast<long long>(c));
}

std::size_t T_OverlayGraph::Bucket(std::uint64_t ix, std::uint64_t iy) const {
  return static_cast<std::size_t>((ix * 73856093u) ^ (iy * 19349663u)) & gridMask_;
}

int T_OverlayGraph::FindNodeNear(const TGIS_Point& local) const {
  const std::uint64_t ix = CellIndex(local.X), iy = CellIndex(local.Y);
  int best = -1;
  double bestD = 0;
  for (std::uint64_t dx = 0; dx < 3; ++dx) {
    for (std::uint64_t dy = 0; dy < 3; ++dy) {
      for (int n : grid_[Bucket(ix + dx - 1, iy + dy - 1)]) {
        const double d = Dist2(Nodes[static_cast<std::size_t>(n)].Local, local);
        if (d <= params_.R * params_.R && (best < 0 || d < bestD)) {
          best = n;
          bestD = d;
        }
      }
    }
  }
  return best;
}

int T_OverlayGraph::AddNode(const TGIS_Point& source) {
  const TGIS_Point local{source.X - Origin.X, source.Y - Origin.Y};
  if (grid_.empty()) {
    grid_.assign(64, {});
    gridMask_ = 63;
  }
  const int near = FindNodeNear(local);
  if (near >= 0) return near;
  if (Nodes.size() * 2 > grid_.size()) {
    // Grow the hash and refill it.
    grid_.assign(grid_.size() * 4, {});
    gridMask_ = grid_.size() - 1;
    for (std::size_t n = 0; n < Nodes.size(); ++n)
      grid_[Bucket(CellIndex(Nodes[n].Local.X), CellIndex(Nodes[n].Local.Y))].push_back(
          static_cast<int>(n));
  }
  const int id = static_cast<int>(Nodes.size());
  Nodes.push_back({local, source});
  grid_[Bucket(CellIndex(local.X), CellIndex(local.Y))].push_back(id);
  return id;
}

void T_OverlayGraph::AddOperand(const T_Contour& c, std::vector<std::vector<int>>& parts,
                                std::vector<std::uint8_t>& rings, bool isB) {
  if (windowed_ == (isB ? 1 : 0)) {
    AddWindowRuns(c, parts, rings, isB);
    return;
  }
  for (const T_ContourPart& part : c.Parts) {
    std::vector<int> seq;
    seq.reserve(part.Points.size());
    for (const TGIS_Point& p : part.Points)
      seq.push_back(AddNode(p));
    DropRepeats(seq, c.Closed);
    if (seq.size() < (c.Closed ? 3u : 2u)) continue;
    if (!c.Closed) {
      for (int v : {seq.front(), seq.back()})
        (isB ? Nodes[static_cast<std::size_t>(v)].EndB : Nodes[static_cast<std::size_t>(v)].EndA) =
            true;
    }
    parts.push_back(std::move(seq));
    rings.push_back(c.Closed ? 1 : 0);
  }
}

void T_OverlayGraph::AddWindowRuns(const T_Contour& c, std::vector<std::vector<int>>& parts,
                                   std::vector<std::uint8_t>& rings, bool isB) {
  std::vector<std::pair<int, int>> in;
  c.ForEachSegmentIn(window_, [&](int part, int index) { in.emplace_back(part, index); });
  std::sort(in.begin(), in.end());
  if (static_cast<int>(in.size()) < c.SegmentCount()) OutsideWindow = true;
  // The segments taken, as the contour holds them: a ray's crossings with
  // the segments left out are the contour's crossings less these.
  if (OutsideWindow && c.Closed) {
    inside_.reserve(in.size());
    for (const auto& [pi, i] : in) {
      const std::vector<TGIS_Point>& pts = c.Parts[static_cast<std::size_t>(pi)].Points;
      inside_.emplace_back(pts[static_cast<std::size_t>(i)],
                           pts[(static_cast<std::size_t>(i) + 1) % pts.size()]);
    }
  }
  const auto node = [&](const T_ContourPart& part, std::size_t v) {
    const int id = AddNode(part.Points[v]);
    if (!c.Closed && (v == 0 || v + 1 == part.Points.size()))
      (isB ? Nodes[static_cast<std::size_t>(id)].EndB : Nodes[static_cast<std::size_t>(id)].EndA) =
          true;
    return id;
  };
  // Runs of consecutive segments; in a ring, a run through the last segment
  // goes on with the run that starts at the first.
  std::size_t k = 0;
  while (k < in.size()) {
    const int pi = in[k].first;
    std::size_t end = k;
    while (end < in.size() && in[end].first == pi)
      ++end;
    const T_ContourPart& part = c.Parts[static_cast<std::size_t>(pi)];
    const std::size_t n = part.Points.size();
    const int edges = c.Closed ? static_cast<int>(n) : static_cast<int>(n) - 1;
    std::vector<std::vector<int>> runs; // segment indices
    for (std::size_t q = k; q < end; ++q) {
      if (runs.empty() || in[q].second != runs.back().back() + 1) runs.push_back({});
      runs.back().push_back(in[q].second);
    }
    if (static_cast<int>(end - k) == edges && c.Closed) {
      // The whole ring lies in the window.
      std::vector<int> seq;
      for (std::size_t v = 0; v < n; ++v)
        seq.push_back(node(part, v));
      DropRepeats(seq, true);
      if (seq.size() >= 3) {
        parts.push_back(std::move(seq));
        rings.push_back(1);
      }
      k = end;
      continue;
    }
    if (c.Closed && runs.size() > 1 && runs.front().front() == 0 &&
        runs.back().back() == edges - 1) {
      runs.back().insert(runs.back().end(), runs.front().begin(), runs.front().end());
      runs.erase(runs.begin());
    }
    for (const std::vector<int>& run : runs) {
      std::vector<int> seq{node(part, static_cast<std::size_t>(run.front()))};
      for (int i : run)
        seq.push_back(node(part, (static_cast<std::size_t>(i) + 1) % n));
      DropRepeats(seq, false);
      if (seq.size() >= 2) {
        parts.push_back(std::move(seq));
        rings.push_back(0);
      }
    }
    k = end;
  }
}

void T_OverlayGraph::BuildSweepStrips(T_CutScratch& w) const {
  const std::vector<TSegment>& segs = w.Segs;
  double y0 = segs.front().YMin, y1 = segs.front().YMax;
  for (const TSegment& s : segs) {
    y0 = std::min(y0, s.YMin);
    y1 = std::max(y1, s.YMax);
  }
  const std::size_t n = segs.size();
  w.StripY0 = y0;
  w.StripCount = static_cast<int>(std::clamp<std::size_t>(n / 4, 1, std::size_t{1} << 16));
  const auto stripOf = [&w](double y) {
    return GisStripOf(y, w.StripY0, w.StripH, w.StripCount);
  };
  // Fewer strips while segments spanning several would make the entries
  // outgrow four per segment.
  std::size_t total = 0;
  for (;;) {
    w.StripH = y1 > y0 ? (y1 - y0) / w.StripCount : 1;
    if (!(w.StripH > 0)) w.StripH = 1;
    total = 0;
    for (const TSegment& s : segs)
      total += static_cast<std::size_t>(stripOf(s.YMax) - stripOf(s.YMin) + 1);
    if (w.StripCount == 1 || total <= 4 * n) break;
    w.StripCount /= 2;
  }
  w.StripStart.assign(static_cast<std::size_t>(w.StripCount) + 1, 0);
  for (const TSegment& s : segs)
    for (int k = stripOf(s.YMin); k <= stripOf(s.YMax); ++k)
      ++w.StripStart[static_cast<std::size_t>(k) + 1];
  for (std::size_t k = 1; k < w.StripStart.size(); ++k)
    w.StripStart[k] += w.StripStart[k - 1];
  w.StripItems.resize(total);
  w.Found.assign(w.StripStart.begin(), w.StripStart.end() - 1); // fill positions
  for (std::size_t i = 0; i < n; ++i)
    for (int k = stripOf(segs[i].YMin); k <= stripOf(segs[i].YMax); ++k)
      w.StripItems[static_cast<std::size_t>(w.Found[static_cast<std::size_t>(k)]++)] =
          static_cast<int>(i);
}

void T_OverlayGraph::CutUntilSettled() {
  while (CutPass()) {
    if (++CutPasses >= params_.MaxCutPasses) throw T_OverlayOverrun{};
  }
}

bool T_OverlayGraph::CutPass() {
  // A pair of segments that both came through the previous pass unchanged
  // was looked at then with the same four nodes: it cut nothing and met in
  // no crossing (a crossing left uncut marks its segments fresh), so it
  // cannot cut anything now. Such pairs are skipped; the order of the pairs
  // looked at, and so of the cuts, stays that of a full pass.
  T_CutScratch& w = *scratch_;
  const bool firstPass = CutPasses == 0;
  std::vector<TSegment>& segs = w.Segs;
  segs.clear();
  const auto addSegs = [&](const std::vector<std::vector<int>>& parts, int operand,
                           const std::vector<std::uint8_t>& rings) {
    for (int pi = 0; pi < static_cast<int>(parts.size()); ++pi) {
      const auto& seq = parts[static_cast<std::size_t>(pi)];
      const bool closed = rings[static_cast<std::size_t>(pi)] != 0;
      const int n = static_cast<int>(seq.size());
      const int edges = closed ? n : n - 1;
      for (int i = 0; i < edges; ++i) {
        const int u = seq[static_cast<std::size_t>(i)];
        const int v = seq[static_cast<std::size_t>((i + 1) % n)];
        const TGIS_Point& p = Nodes[static_cast<std::size_t>(u)].Local;
        const TGIS_Point& q = Nodes[static_cast<std::size_t>(v)].Local;
        const bool fresh =
            firstPass || std::binary_search(w.Fresh.begin(), w.Fresh.end(), PairKey(u, v));
        segs.push_back({operand, pi, i, fresh, std::min(p.X, q.X), std::min(p.Y, q.Y),
                        std::max(p.X, q.X), std::max(p.Y, q.Y)});
      }
    }
  };
  addSegs(PartsA, 0, RingA);
  addSegs(PartsB, 1, RingB);
  std::sort(segs.begin(), segs.end(),
            [](const TSegment& x, const TSegment& y) { return x.XMin < y.XMin; });

  const auto ends = [&](const TSegment& s) {
    const auto& seq = (s.Operand == 0 ? PartsA : PartsB)[static_cast<std::size_t>(s.Part)];
    const int n = static_cast<int>(seq.size());
    return std::pair<int, int>{seq[static_cast<std::size_t>(s.Index)],
                               seq[static_cast<std::size_t>((s.Index + 1) % n)]};
  };
  // Cut points per segment: (operand, part, index) -> nodes.
  std::vector<std::pair<long long, int>>& cuts = w.Cuts;
  cuts.clear();
  w.NextFresh.clear();
  const auto cutKey = [](int operand, int part, int index) {
    return (static_cast<long long>(operand) << 62) | (static_cast<long long>(part) << 31) |
           static_cast<long long>(index);
  };
  const auto cut = [&](const TSegment& s, int node) {
    cuts.emplace_back(cutKey(s.Operand, s.Part, s.Index), node);
  };
  const double r = params_.R, r2 = r * r;
  const auto nodeOnSegment = [&](int n, int a, int b) {
    if (n == a || n == b) return false;
    const TGIS_Point& p = Nodes[static_cast<std::size_t>(n)].Local;
    const TGIS_Point& pa = Nodes[static_cast<std::size_t>(a)].Local;
    const TGIS_Point& pb = Nodes[static_cast<std::size_t>(b)].Local;
    if (p.X < std::min(pa.X, pb.X) - r || p.X > std::max(pa.X, pb.X) + r ||
        p.Y < std::min(pa.Y, pb.Y) - r || p.Y > std::max(pa.Y, pb.Y) + r)
      return false;
    if (Dist2(p, pa) <= r2 || Dist2(p, pb) <= r2) return false;
    return GisPointToSegmentDistance(pa, pb, p) <= r;
  };

  // Pairs (i, j), j > i, in the order of the sweep by XMin: for each i the
  // segments after it that start before it ends (plus the radius). Many
  // segments also go through horizontal strips, and each i reads only the
  // strips its height meets: the same pairs in the same order, without
  // walking past the segments far above or below.
  const bool useStrips = segs.size() >= params_.StripSweepSegments;
  if (useStrips) BuildSweepStrips(w);
  const auto stripOf = [&w](double y) {
    return GisStripOf(y, w.StripY0, w.StripH, w.StripCount);
  };
  for (std::size_t i = 0; i < segs.size(); ++i) {
    const TSegment& s = segs[i];
    // Plain names: lambdas below use them (clang 14 captures no bindings).
    const std::pair<int, int> ab = ends(s);
    const int a = ab.first, b = ab.second;
    const double xLimit = s.XMax + r;
    const auto pair = [&](std::size_t j) {
      const TSegment& t = segs[j];
      if (t.YMin > s.YMax + r || t.YMax < s.YMin - r) return;
      if (!s.Fresh && !t.Fresh) return;
      const std::pair<int, int> cd = ends(t);
      const int c = cd.first, d = cd.second;
      if (nodeOnSegment(c, a, b)) cut(s, c);
      if (nodeOnSegment(d, a, b)) cut(s, d);
      if (nodeOnSegment(a, c, d)) cut(t, a);
      if (nodeOnSegment(b, c, d)) cut(t, b);
      if (a == c || a == d || b == c || b == d) return;
      const TGIS_Point& pa = Nodes[static_cast<std::size_t>(a)].Local;
      const TGIS_Point& pb = Nodes[static_cast<std::size_t>(b)].Local;
      const TGIS_Point& pc = Nodes[static_cast<std::size_t>(c)].Local;
      const TGIS_Point& pd = Nodes[static_cast<std::size_t>(d)].Local;
      const double d1 = Cross(pc, pd, pa), d2 = Cross(pc, pd, pb);
      const double d3 = Cross(pa, pb, pc), d4 = Cross(pa, pb, pd);
      if (!(((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) &&
            ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))))
        return;
      // A crossing left uncut depends on the nodes about it (and on which
      // segment computes it): the next pass looks at these two again.
      const auto uncut = [&w, keyAb = PairKey(a, b), keyCd = PairKey(c, d)] {
        w.NextFresh.push_back(keyAb);
        w.NextFresh.push_back(keyCd);
      };
      const double ua = d1 / (d1 - d2);
      const TGIS_Point x{pa.X + ua * (pb.X - pa.X), pa.Y + ua * (pb.Y - pa.Y)};
      if (Dist2(x, pa) <= r2 || Dist2(x, pb) <= r2 || Dist2(x, pc) <= r2 || Dist2(x, pd) <= r2) {
        uncut();
        return;
      }
      const int n = AddNode({x.X + Origin.X, x.Y + Origin.Y});
      if (n == a || n == b || n == c || n == d) {
        uncut();
        return;
      }
      cut(s, n);
      cut(t, n);
    };
    if (!useStrips) {
      for (std::size_t j = i + 1; j < segs.size() && segs[j].XMin <= xLimit; ++j)
        pair(j);
      continue;
    }
    const int k0 = stripOf(s.YMin - r), k1 = stripOf(s.YMax + r);
    // The segments after i in strip k that start before xLimit, in order.
    const auto walk = [&](int k, const auto& take) {
      const auto first = w.StripItems.begin() + w.StripStart[static_cast<std::size_t>(k)];
      const auto last = w.StripItems.begin() + w.StripStart[static_cast<std::size_t>(k) + 1];
      for (auto it = std::upper_bound(first, last, static_cast<int>(i));
           it != last && segs[static_cast<std::size_t>(*it)].XMin <= xLimit; ++it)
        take(static_cast<std::size_t>(*it));
    };
    if (k0 == k1) {
      walk(k0, pair);
      continue;
    }
    // Several strips: their segments merged into one ascending list.
    std::vector<int>& found = w.Found;
    found.clear();
    for (int k = k0; k <= k1; ++k)
      walk(k, [&found](std::size_t j) { found.push_back(static_cast<int>(j)); });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    for (int j : found)
      pair(static_cast<std::size_t>(j));
  }
  if (cuts.empty()) {
    w.Fresh.clear();
    return false;
  }
  // Grouped by segment, each group in the order found.
  std::stable_sort(cuts.begin(), cuts.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });

  std::size_t at = 0;
  const auto apply = [&](std::vector<std::vector<int>>& parts, int operand,
                         const std::vector<std::uint8_t>& rings) {
    for (int pi = 0; pi < static_cast<int>(parts.size()); ++pi) {
      auto& seq = parts[static_cast<std::size_t>(pi)];
      const bool closed = rings[static_cast<std::size_t>(pi)] != 0;
      const int n = static_cast<int>(seq.size());
      std::vector<int>& out = w.Out;
      out.clear();
      for (int i = 0; i < n; ++i) {
        out.push_back(seq[static_cast<std::size_t>(i)]);
        if (!closed && i == n - 1) break;
        const long long key = cutKey(operand, pi, i);
        while (at < cuts.size() && cuts[at].first < key)
          ++at;
        if (at == cuts.size() || cuts[at].first != key) continue;
        const int from = seq[static_cast<std::size_t>(i)];
        const int to = seq[static_cast<std::size_t>((i + 1) % n)];
        const TGIS_Point& p = Nodes[static_cast<std::size_t>(from)].Local;
        const TGIS_Point& q = Nodes[static_cast<std::size_t>(to)].Local;
        std::vector<int>& mids = w.Mids;
        mids.clear();
        for (; at < cuts.size() && cuts[at].first == key; ++at)
          mids.push_back(cuts[at].second);
        const auto along = [&](int m) {
          const TGIS_Point& v = Nodes[static_cast<std::size_t>(m)].Local;
          return (v.X - p.X) * (q.X - p.X) + (v.Y - p.Y) * (q.Y - p.Y);
        };
        std::sort(mids.begin(), mids.end(), [&](int x, int y) { return along(x) < along(y); });
        mids.erase(std::unique(mids.begin(), mids.end()), mids.end());
        int prev = from;
        for (int m : mids) {
          out.push_back(m);
          w.NextFresh.push_back(PairKey(prev, m));
          prev = m;
        }
        w.NextFresh.push_back(PairKey(prev, to));
      }
      DropRepeats(out, closed);
      seq.assign(out.begin(), out.end());
    }
  };
  apply(PartsA, 0, RingA);
  apply(PartsB, 1, RingB);
  std::sort(w.NextFresh.begin(), w.NextFresh.end());
  w.NextFresh.erase(std::unique(w.NextFresh.begin(), w.NextFresh.end()), w.NextFresh.end());
  std::swap(w.Fresh, w.NextFresh);
  return true;
}

// ---- edges and sides -----------------------------------------------------------------------

void T_OverlayGraph::CollectEdges() {
  std::unordered_map<long long, int> index;
  NodeOnA.assign(Nodes.size(), 0);
  NodeOnB.assign(Nodes.size(), 0);
  NodeBoundaryA.assign(Nodes.size(), 0);
  NodeBoundaryB.assign(Nodes.size(), 0);
  const auto add = [&](const std::vector<std::vector<int>>& parts,
                       const std::vector<std::uint8_t>& rings, bool isB) {
    for (std::size_t pi = 0; pi < parts.size(); ++pi) {
      const auto& seq = parts[pi];
      const bool closed = rings[pi] != 0;
      const std::size_t n = seq.size();
      const std::size_t edges = closed ? n : n - 1;
      for (std::size_t i = 0; i < edges; ++i) {
        const int u = seq[i], v = seq[(i + 1) % n];
        if (u == v) continue;
        const long long key = PairKey(u, v);
        auto [it, fresh] = index.try_emplace(key, static_cast<int>(Edges.size()));
        if (fresh) Edges.push_back({std::min(u, v), std::max(u, v)});
        T_Edge& e = Edges[static_cast<std::size_t>(it->second)];
        (isB ? e.CountB : e.CountA) += 1;
        (isB ? e.DirB : e.DirA) += u < v ? 1 : -1;
      }
    }
  };
  add(PartsA, RingA, false);
  add(PartsB, RingB, true);
  for (const T_Edge& e : Edges) {
    for (int n : {e.N0, e.N1}) {
      const auto k = static_cast<std::size_t>(n);
      if (e.CountA > 0) NodeOnA[k] = 1;
      if (e.CountB > 0) NodeOnB[k] = 1;
      if (ClosedA ? (e.CountA % 2 == 1) : false) NodeBoundaryA[k] = 1;
      if (ClosedB ? (e.CountB % 2 == 1) : false) NodeBoundaryB[k] = 1;
    }
  }
  edgeKeys_.reserve(index.size());
  for (const auto& [k, v] : index)
    edgeKeys_.emplace_back(k, v);
  std::sort(edgeKeys_.begin(), edgeKeys_.end());
  BuildStrips();
}

int T_OverlayGraph::FindEdge(int n0, int n1) const {
  const long long key = PairKey(n0, n1);
  const auto it =
      std::lower_bound(edgeKeys_.begin(), edgeKeys_.end(), std::pair<long long, int>{key, -1});
  return it != edgeKeys_.end() && it->first == key ? it->second : -1;
}

int T_OverlayGraph::StripOf(double y) const {
  return GisStripOf(y, stripY0_, stripH_, stripCount_);
}

void T_OverlayGraph::BuildStrips() {
  double y0 = 0, y1 = 0;
  for (std::size_t i = 0; i < Nodes.size(); ++i) {
    y0 = i == 0 ? Nodes[i].Local.Y : std::min(y0, Nodes[i].Local.Y);
    y1 = i == 0 ? Nodes[i].Local.Y : std::max(y1, Nodes[i].Local.Y);
  }
  const auto yOf = [&](int node) { return Nodes[static_cast<std::size_t>(node)].Local.Y; };
  // Small graphs: about the square root of the edges (few strips to fill).
  // Large ones: about one strip per edge, halved while the edges spanning
  // several strips would make the entries outgrow four per edge (a ray test
  // reads one strip; the order within it does not change a parity).
  const std::size_t n = Edges.size();
  int count = n < 1024 ? std::max(1, static_cast<int>(std::sqrt(static_cast<double>(n))))
                       : static_cast<int>(std::min<std::size_t>(n, std::size_t{1} << 20));
  stripY0_ = y0;
  for (;;) {
    stripCount_ = count;
    stripH_ = y1 > y0 ? (y1 - y0) / count : 1;
    if (!(stripH_ > 0)) stripH_ = 1;
    if (count == 1) break;
    std::size_t total = 0;
    for (const T_Edge& e : Edges)
      total += static_cast<std::size_t>(StripOf(std::max(yOf(e.N0), yOf(e.N1))) -
                                        StripOf(std::min(yOf(e.N0), yOf(e.N1))) + 1);
    if (total <= 4 * n) break;
    count /= 2;
  }
  // One array of edge indices, strip after strip.
  stripStart_.assign(static_cast<std::size_t>(count) + 1, 0);
  for (const T_Edge& e : Edges) {
    const double ya = yOf(e.N0), yb = yOf(e.N1);
    for (int s = StripOf(std::min(ya, yb)); s <= StripOf(std::max(ya, yb)); ++s)
      ++stripStart_[static_cast<std::size_t>(s) + 1];
  }
  for (std::size_t k = 1; k < stripStart_.size(); ++k)
    stripStart_[k] += stripStart_[k - 1];
  stripEdges_.resize(static_cast<std::size_t>(stripStart_.back()));
  std::vector<int> at(stripStart_.begin(), stripStart_.end() - 1);
  for (int i = 0; i < static_cast<int>(Edges.size()); ++i) {
    const T_Edge& e = Edges[static_cast<std::size_t>(i)];
    const double ya = yOf(e.N0), yb = yOf(e.N1);
    for (int s = StripOf(std::min(ya, yb)); s <= StripOf(std::max(ya, yb)); ++s)
      stripEdges_[static_cast<std::size_t>(at[static_cast<std::size_t>(s)]++)] = i;
  }
}

bool T_OverlayGraph::Parity(const TGIS_Point& local, int operand, int exclude) const {
  if (stripStart_.empty()) return false;
  const auto s = static_cast<std::size_t>(StripOf(local.Y));
  bool inside = false;
  for (int k = stripStart_[s]; k < stripStart_[s + 1]; ++k) {
    const int i = stripEdges_[static_cast<std::size_t>(k)];
    if (i == exclude) continue;
    const T_Edge& e = Edges[static_cast<std::size_t>(i)];
    if ((operand == 0 ? e.CountA : e.CountB) % 2 == 0) continue;
    if (HalfOpenCrossesRight(Nodes[static_cast<std::size_t>(e.N0)].Local,
                             Nodes[static_cast<std::size_t>(e.N1)].Local, local))
      inside = !inside;
  }
  // The segments of a windowed operand left out of the graph count too: the
  // whole contour's crossings less those of the segments taken into it.
  if (operand == windowed_ && OutsideWindow) {
    const TGIS_Point p{local.X + Origin.X, local.Y + Origin.Y};
    if (windowContour_->OddCrossings(p)) inside = !inside;
    for (const auto& [v, w] : inside_)
      if (HalfOpenCrossesRight(v, w, p)) inside = !inside;
  }
  return inside;
}

void T_OverlayGraph::ClassifySides() {
  for (int i = 0; i < static_cast<int>(Edges.size()); ++i)
    ClassifyEdge(i);
}

void T_OverlayGraph::ClassifyEdge(int i) {
  // A windowed operand with nothing in the window holds every edge of the
  // other one on the same side: one ray test answers for all.
  const bool constantWindowed = windowed_ >= 0 && (windowed_ == 0 ? PartsA : PartsB).empty();
  T_Edge& e = Edges[static_cast<std::size_t>(i)];
  const TGIS_Point& p = Nodes[static_cast<std::size_t>(e.N0)].Local;
  const TGIS_Point& q = Nodes[static_cast<std::size_t>(e.N1)].Local;
  const TGIS_Point mid{(p.X + q.X) / 2, (p.Y + q.Y) / 2};
  // The ray test (half-open in Y) answers for the side of the edge to the
  // right in X when the edge spans the ray's height, else for the side
  // above it. Decided from the endpoints only: the rounded midpoint may lie
  // a hair off a nearly level edge.
  const bool spans = std::min(p.Y, q.Y) <= mid.Y && mid.Y < std::max(p.Y, q.Y);
  const bool evaluatedIsLeft = spans ? q.Y < p.Y : q.X > p.X;
  for (int operand = 0; operand < 2; ++operand) {
    const bool closed = operand == 0 ? ClosedA : ClosedB;
    if (!closed) continue;
    bool here;
    if (constantWindowed && operand == windowed_) {
      if (constantSide_ < 0) constantSide_ = Parity(mid, operand, i) ? 1 : 0;
      here = constantSide_ == 1;
    } else {
      here = Parity(mid, operand, i);
    }
    const bool toggles = (operand == 0 ? e.CountA : e.CountB) % 2 == 1;
    const bool there = here != toggles;
    bool& left = operand == 0 ? e.LeftA : e.LeftB;
    bool& right = operand == 0 ? e.RightA : e.RightB;
    left = evaluatedIsLeft ? here : there;
    right = evaluatedIsLeft ? there : here;
  }
}

T_EdgeClass T_OverlayGraph::ClassOf(const T_Edge& e, int other) const {
  const int otherCount = other == 0 ? e.CountA : e.CountB;
  if (otherCount > 0) {
    const int own = other == 0 ? e.DirB : e.DirA, theirs = other == 0 ? e.DirA : e.DirB;
    return (own >= 0) == (theirs >= 0) ? edgeSharedSame : edgeSharedOpposite;
  }
  return (other == 0 ? e.LeftA : e.LeftB) ? edgeInside : edgeOutside;
}

// ---- polygon overlay -----------------------------------------------------------------------

namespace {

struct TRing {
  std::vector<int> Nodes;
  double Area = 0;
  TGIS_Extent Box{};
  int Container = -1;
};

/// A walk that passes a node twice is split there into simple loops (a hole
/// touching its outer ring comes out as its own ring).
std::vector<std::vector<int>> SplitAtRepeats(const std::vector<int>& walk) {
  std::vector<std::vector<int>> loops;
  std::vector<int> stack;
  std::unordered_map<int, std::size_t> at;
  for (int n : walk) {
    const auto it = at.find(n);
    if (it != at.end()) {
      const std::size_t from = it->second;
      loops.emplace_back(stack.begin() + static_cast<std::ptrdiff_t>(from), stack.end());
      for (std::size_t k = from + 1; k < stack.size(); ++k)
        at.erase(stack[k]);
      stack.resize(from + 1);
      continue;
    }
    at[n] = stack.size();
    stack.push_back(n);
  }
  loops.push_back(std::move(stack));
  return loops;
}

/// Traces the kept directed edges into rings: at each node the walk leaves by
/// the first edge counter-clockwise from the way back, so the kept side stays
/// on the right and rings touching at a node come out apart.
std::vector<TRing> TraceRings(const T_OverlayGraph& g,
                              const std::vector<std::pair<int, int>>& dirs) {
  // The edges leaving each node by angle, node after node in one array:
  // node n's are outEdges[outStart[n] .. outStart[n + 1]).
  const std::size_t nodeCount = g.Nodes.size();
  std::vector<std::size_t> outStart(nodeCount + 1, 0);
  for (const auto& [from, to] : dirs)
    ++outStart[static_cast<std::size_t>(from) + 1];
  for (std::size_t k = 1; k <= nodeCount; ++k)
    outStart[k] += outStart[k - 1];
  std::vector<std::pair<double, int>> outEdges(dirs.size());
  {
    std::vector<std::size_t> at(outStart.begin(), outStart.end() - 1);
    for (int i = 0; i < static_cast<int>(dirs.size()); ++i) {
      const auto [from, to] = dirs[static_cast<std::size_t>(i)];
      outEdges[at[static_cast<std::size_t>(from)]++] = {
          Angle(g.Nodes[static_cast<std::size_t>(from)].Local,
                g.Nodes[static_cast<std::size_t>(to)].Local),
          i};
    }
  }
  for (std::size_t k = 0; k < nodeCount; ++k)
    std::sort(outEdges.begin() + static_cast<std::ptrdiff_t>(outStart[k]),
              outEdges.begin() + static_cast<std::ptrdiff_t>(outStart[k + 1]));
  std::vector<std::uint8_t> used(dirs.size(), 0);
  std::vector<TRing> rings;
  for (int start = 0; start < static_cast<int>(dirs.size()); ++start) {
    if (used[static_cast<std::size_t>(start)]) continue;
    TRing ring;
    int cur = start;
    std::size_t guard = 0;
    while (!used[static_cast<std::size_t>(cur)]) {
      if (++guard > dirs.size() + 1) throw T_OverlayOverrun{};
      used[static_cast<std::size_t>(cur)] = 1;
      const auto [from, to] = dirs[static_cast<std::size_t>(cur)];
      ring.Nodes.push_back(from);
      const double back = Angle(g.Nodes[static_cast<std::size_t>(to)].Local,
                                g.Nodes[static_cast<std::size_t>(from)].Local);
      const auto first =
          outEdges.begin() + static_cast<std::ptrdiff_t>(outStart[static_cast<std::size_t>(to)]);
      const auto last = outEdges.begin() +
                        static_cast<std::ptrdiff_t>(outStart[static_cast<std::size_t>(to) + 1]);
      if (first == last) break;
      const auto size = static_cast<std::size_t>(last - first);
      auto it = std::upper_bound(first, last, std::pair<double, int>{back, INT32_MAX});
      if (it == last) it = first;
      // Skip edges already traced (a node where rings touch).
      std::size_t tries = 0;
      while (used[static_cast<std::size_t>(it->second)] && it->second != start && ++tries < size) {
        if (++it == last) it = first;
      }
      cur = it->second;
    }
    for (std::vector<int>& loop : SplitAtRepeats(ring.Nodes)) {
      if (loop.size() < 3) continue;
      TRing piece;
      piece.Nodes = std::move(loop);
      std::vector<TGIS_Point> local;
      local.reserve(piece.Nodes.size());
      for (int n : piece.Nodes)
        local.push_back(g.Nodes[static_cast<std::size_t>(n)].Local);
      piece.Area = GisRingDoubledArea(local);
      piece.Box = GisEmptyExtent();
      for (const TGIS_Point& p : local)
        piece.Box = GisExtentUnion(piece.Box, {p.X, p.Y, p.X, p.Y});
      rings.push_back(std::move(piece));
    }
  }
  return rings;
}

bool InRing(const T_OverlayGraph& g, const TRing& ring, const TGIS_Point& p) {
  bool inside = false;
  const std::size_t n = ring.Nodes.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (HalfOpenCrossesRight(g.Nodes[static_cast<std::size_t>(ring.Nodes[i])].Local,
                             g.Nodes[static_cast<std::size_t>(ring.Nodes[(i + 1) % n])].Local, p))
      inside = !inside;
  }
  return inside;
}

/// Each hole (counter-clockwise ring) goes to the smallest outer ring around it.
void AssignHoles(const T_OverlayGraph& g, std::vector<TRing>& rings) {
  for (TRing& hole : rings) {
    if (hole.Area <= 0) continue;
    const TGIS_Point& p = g.Nodes[static_cast<std::size_t>(hole.Nodes[0])].Local;
    const TGIS_Point& q = g.Nodes[static_cast<std::size_t>(hole.Nodes[1])].Local;
    const TGIS_Point mid{(p.X + q.X) / 2, (p.Y + q.Y) / 2};
    double best = 0;
    for (int s = 0; s < static_cast<int>(rings.size()); ++s) {
      const TRing& shell = rings[static_cast<std::size_t>(s)];
      if (shell.Area >= 0 || !GisIsExtentInside(hole.Box, shell.Box)) continue;
      if (hole.Container >= 0 && -shell.Area >= best) continue;
      if (!InRing(g, shell, mid)) continue;
      hole.Container = s;
      best = -shell.Area;
    }
  }
}

/// The rings as a contour: outer rings by size, each followed by its holes.
std::unique_ptr<T_Contour> RingsToContour(const T_OverlayGraph& g, std::vector<TRing>& rings,
                                          double tolerance) {
  std::vector<int> shells;
  for (int i = 0; i < static_cast<int>(rings.size()); ++i)
    if (rings[static_cast<std::size_t>(i)].Area < 0) shells.push_back(i);
  std::stable_sort(shells.begin(), shells.end(), [&](int x, int y) {
    return rings[static_cast<std::size_t>(x)].Area < rings[static_cast<std::size_t>(y)].Area;
  });
  auto c = std::make_unique<T_Contour>();
  c->Closed = true;
  c->Tolerance = tolerance;
  c->AreaEpsilon = 0.05 * tolerance;
  const auto emit = [&](const TRing& ring, int container) {
    T_ContourPart part;
    part.Points.reserve(ring.Nodes.size());
    for (int n : ring.Nodes)
      part.Points.push_back(g.Nodes[static_cast<std::size_t>(n)].Source);
    part.RecomputeExtent();
    part.RecomputeArea();
    part.Container = container;
    c->Parts.push_back(std::move(part));
  };
  for (int s : shells) {
    const int shellPart = static_cast<int>(c->Parts.size());
    emit(rings[static_cast<std::size_t>(s)], -1);
    for (const TRing& hole : rings)
      if (hole.Area > 0 && hole.Container == s) emit(hole, shellPart);
  }
  c->RecomputeExtent();
  if (c->Parts.empty()) return nullptr;
  return c;
}

} // namespace

std::unique_ptr<T_Contour> GisCombineContours(const T_Contour& a, const T_Contour* b,
                                              TGIS_TopologyOperation operation,
                                              const T_OverlayParams& params) {
  T_OverlayGraph g(a, b, params);
  g.ClassifySides();
  std::vector<std::pair<int, int>> dirs;
  for (const T_Edge& e : g.Edges) {
    const bool left = Evaluate(operation, e.LeftA, e.LeftB);
    const bool right = Evaluate(operation, e.RightA, e.RightB);
    if (left == right) continue;
    if (right) {
      dirs.emplace_back(e.N0, e.N1);
    } else {
      dirs.emplace_back(e.N1, e.N0);
    }
  }
  std::vector<TRing> rings = TraceRings(g, dirs);
  // Slivers are no result: a ring whose doubled area is at most T times its
  // perimeter is nowhere wider than about T. (A bound on the area alone would
  // drop small rings far from the origin, where T grows with the coordinates.)
  std::erase_if(rings, [&](const TRing& r) {
    double perimeter = 0;
    for (std::size_t i = 0; i < r.Nodes.size(); ++i)
      perimeter += GisPointDistance(
          g.Nodes[static_cast<std::size_t>(r.Nodes[i])].Local,
          g.Nodes[static_cast<std::size_t>(r.Nodes[(i + 1) % r.Nodes.size()])].Local);
    return std::fabs(r.Area) <= params.T * perimeter;
  });
  AssignHoles(g, rings);
  return RingsToContour(g, rings, a.Tolerance);
}

// ---- line overlays -------------------------------------------------------------------------

namespace {

/// Walks the parts' node sequences in order and keeps the runs of edges that
/// `take` accepts, each edge once.
void EmitRuns(const T_OverlayGraph& g, const std::vector<std::vector<int>>& parts,
              const std::function<bool(const T_Edge&)>& take, std::vector<std::uint8_t>& emitted,
              T_Contour& out) {
  for (const auto& seq : parts) {
    std::vector<TGIS_Point> run;
    const auto flush = [&] {
      if (run.size() >= 2) {
        T_ContourPart part;
        part.Points = std::move(run);
        part.RecomputeExtent();
        out.Parts.push_back(std::move(part));
      }
      run.clear();
    };
    for (std::size_t i = 0; i + 1 < seq.size(); ++i) {
      const int e = g.FindEdge(seq[i], seq[i + 1]);
      if (e < 0 || emitted[static_cast<std::size_t>(e)] ||
          !take(g.Edges[static_cast<std::size_t>(e)])) {
        flush();
        continue;
      }
      emitted[static_cast<std::size_t>(e)] = 1;
      if (run.empty()) run.push_back(g.Nodes[static_cast<std::size_t>(seq[i])].Source);
      run.push_back(g.Nodes[static_cast<std::size_t>(seq[i + 1])].Source);
    }
    flush();
  }
}

std::unique_ptr<T_Contour> LineResult(std::unique_ptr<T_Contour> c, double tolerance) {
  c->Closed = false;
  c->Tolerance = tolerance;
  c->AreaEpsilon = 0.05 * tolerance;
  c->RecomputeExtent();
  if (c->Parts.empty()) return nullptr;
  return c;
}

} // namespace

std::unique_ptr<T_Contour> GisOverlayLines(const T_Contour& a, const T_Contour& b,
                                           TGIS_TopologyOperation operation,
                                           const T_OverlayParams& params) {
  T_OverlayGraph g(a, &b, params);
  auto out = std::make_unique<T_Contour>();
  std::vector<std::uint8_t> emitted(g.Edges.size(), 0);
  const bool keepShared = operation == gisTopologyIntersection || operation == gisTopologyUnion;
  const bool keepOwnA = operation != gisTopologyIntersection;
  EmitRuns(
      g, g.PartsA, [&](const T_Edge& e) { return e.CountB > 0 ? keepShared : keepOwnA; }, emitted,
      *out);
  if (operation == gisTopologyUnion || operation == gisTopologySymmetricDifference) {
    EmitRuns(
        g, g.PartsB, [](const T_Edge& e) { return e.CountA == 0; }, emitted, *out);
  }
  return LineResult(std::move(out), a.Tolerance);
}

std::unique_ptr<T_Contour> GisCombineLineWithPolygon(const T_Contour& line,
                                                     const T_Contour& polygon,
                                                     TGIS_TopologyOperation operation,
                                                     const T_OverlayParams& params) {
  if (operation != gisTopologyIntersection && operation != gisTopologyDifference) return nullptr;
  T_OverlayGraph g(line, &polygon, params);
  g.ClassifySides();
  auto out = std::make_unique<T_Contour>();
  std::vector<std::uint8_t> emitted(g.Edges.size(), 0);
  const bool wantInside = operation == gisTopologyIntersection;
  EmitRuns(
      g, g.PartsA, [&](const T_Edge& e) { return (g.ClassOf(e, 1) != edgeOutside) == wantInside; },
      emitted, *out);
  return LineResult(std::move(out), line.Tolerance);
}

std::unique_ptr<T_Contour> GisSplitLine(const T_Contour& line, const T_OverlayParams& params) {
  T_OverlayGraph g(line, nullptr, params);
  std::vector<int> seen(g.Nodes.size(), 0);
  for (const auto& seq : g.PartsA)
    for (int n : seq)
      ++seen[static_cast<std::size_t>(n)];
  auto out = std::make_unique<T_Contour>();
  for (const auto& seq : g.PartsA) {
    std::vector<TGIS_Point> run;
    for (std::size_t i = 0; i < seq.size(); ++i) {
      run.push_back(g.Nodes[static_cast<std::size_t>(seq[i])].Source);
      const bool meets = seen[static_cast<std::size_t>(seq[i])] > 1;
      if (meets && i > 0 && i + 1 < seq.size() && run.size() >= 2) {
        T_ContourPart part;
        part.Points = run;
        part.RecomputeExtent();
        out->Parts.push_back(std::move(part));
        run = {run.back()};
      }
    }
    if (run.size() >= 2) {
      T_ContourPart part;
      part.Points = std::move(run);
      part.RecomputeExtent();
      out->Parts.push_back(std::move(part));
    }
  }
  return LineResult(std::move(out), line.Tolerance);
}
