// An index of segments in horizontal strips for exact point tests on large
// rings: the even-odd ray test and the nearness test read only the segments
// of the strip (or strips) a point lies in, instead of every edge.
//
// Each segment keeps the orientation its owner computes with: the crossing of
// the ray to +X is V.X + (W.X − V.X) · (p.Y − V.Y) / (W.Y − V.Y), the same
// expression as the whole-ring loops, so the indexed answers are those loops'
// answers bit for bit.
#pragma once

#include <cstddef>
#include <vector>

#include "gis/core/GisDefsGeometry.h"

/// The strip of height y among `count` strips of height h from y0, clamped to
/// them (decided on the double first: a height far outside, or NaN, would not
/// convert).
inline int GisStripOf(double y, double y0, double h, int count) {
  const double f = (y - y0) / h;
  if (!(f > 0)) return 0;
  if (f >= count) return count - 1;
  return f < count - 1 ? static_cast<int>(f) : count - 1;
}

class TGIS_SegmentStrips {
public:
  struct TSegment {
    TGIS_Point V, W;
    int Part;
  };

  /// Indexes the segments (their coordinates must be finite). Strips are made
  /// fine (about one per segment) as long as the segments spanning several of
  /// them keep the entries within a few per segment.
  void Build(const std::vector<TSegment>& segments);
  void Clear();
  bool IsBuilt() const { return built_; }

  /// The parity of the crossings of the ray from `p` towards +X with the
  /// segments of `part` (every part for -1), half-open in Y: a segment counts
  /// when min(V.Y, W.Y) <= p.Y < max(V.Y, W.Y).
  bool OddCrossings(const TGIS_Point& p, int part = -1) const;
  /// Whether a segment of `part` (every part for -1) lies within `d` of `p`
  /// by GisPointToSegmentDistance(V, W, p).
  bool AnyWithin(const TGIS_Point& p, double d, int part = -1) const;

private:
  int StripOf(double y) const;

  bool built_ = false;
  int count_ = 0;
  double y0_ = 0, y1_ = 0, h_ = 1;
  std::vector<std::size_t> offsets_; // count_ + 1 entries into segments_
  std::vector<TSegment> segments_;   // strip by strip, a segment in each strip it spans
};
