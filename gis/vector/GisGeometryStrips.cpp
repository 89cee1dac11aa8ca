// The strip index of segments (see GisGeometryStrips.h).
#include "gis/vector/GisGeometryStrips.h"

#include <algorithm>
#include <cmath>

namespace {

bool HalfOpenCrossesRight(const TGIS_Point& v, const TGIS_Point& w, const TGIS_Point& p) {
  if (!((v.Y <= p.Y && p.Y < w.Y) || (w.Y <= p.Y && p.Y < v.Y))) return false;
  return p.X < v.X + (w.X - v.X) * (p.Y - v.Y) / (w.Y - v.Y);
}

} // namespace

void TGIS_SegmentStrips::Clear() {
  built_ = false;
  count_ = 0;
  offsets_.clear();
  segments_.clear();
}

int TGIS_SegmentStrips::StripOf(double y) const {
  return GisStripOf(y, y0_, h_, count_);
}

void TGIS_SegmentStrips::Build(const std::vector<TSegment>& segments) {
  Clear();
  built_ = true;
  if (segments.empty()) return;
  y0_ = y1_ = segments.front().V.Y;
  for (const TSegment& s : segments) {
    y0_ = std::min({y0_, s.V.Y, s.W.Y});
    y1_ = std::max({y1_, s.V.Y, s.W.Y});
  }
  const std::size_t n = segments.size();
  // About one strip per segment, halved while the entries of segments that
  // span several strips would outgrow four per segment.
  count_ = static_cast<int>(std::clamp<std::size_t>(n, 1, std::size_t{1} << 20));
  std::size_t total = 0;
  for (;;) {
    h_ = y1_ > y0_ ? (y1_ - y0_) / count_ : 1;
    if (!(h_ > 0)) h_ = 1;
    total = 0;
    for (const TSegment& s : segments)
      total += static_cast<std::size_t>(StripOf(std::max(s.V.Y, s.W.Y)) -
                                        StripOf(std::min(s.V.Y, s.W.Y)) + 1);
    if (count_ == 1 || total <= 4 * n) break;
    count_ /= 2;
  }
  offsets_.assign(static_cast<std::size_t>(count_) + 1, 0);
  for (const TSegment& s : segments)
    for (int k = StripOf(std::min(s.V.Y, s.W.Y)); k <= StripOf(std::max(s.V.Y, s.W.Y)); ++k)
      ++offsets_[static_cast<std::size_t>(k) + 1];
  for (std::size_t k = 1; k < offsets_.size(); ++k)
    offsets_[k] += offsets_[k - 1];
  segments_.resize(total);
  std::vector<std::size_t> at(offsets_.begin(), offsets_.end() - 1);
  for (const TSegment& s : segments)
    for (int k = StripOf(std::min(s.V.Y, s.W.Y)); k <= StripOf(std::max(s.V.Y, s.W.Y)); ++k)
      segments_[at[static_cast<std::size_t>(k)]++] = s;
}

bool TGIS_SegmentStrips::OddCrossings(const TGIS_Point& p, int part) const {
  // No segment spans a height outside the index (nor a NaN one).
  if (count_ == 0 || !(p.Y >= y0_ && p.Y < y1_)) return false;
  const auto k = static_cast<std::size_t>(StripOf(p.Y));
  bool odd = false;
  for (std::size_t i = offsets_[k]; i < offsets_[k + 1]; ++i) {
    const TSegment& s = segments_[i];
    if (part >= 0 && s.Part != part) continue;
    if (HalfOpenCrossesRight(s.V, s.W, p)) odd = !odd;
  }
  return odd;
}

bool TGIS_SegmentStrips::AnyWithin(const TGIS_Point& p, double d, int part) const {
  if (count_ == 0 || !(p.Y + d >= y0_ && p.Y - d <= y1_)) return false;
  const int k0 = StripOf(p.Y - d), k1 = StripOf(p.Y + d);
  for (int k = k0; k <= k1; ++k) {
    for (std::size_t i = offsets_[static_cast<std::size_t>(k)];
         i < offsets_[static_cast<std::size_t>(k) + 1]; ++i) {
      const TSegment& s = segments_[i];
      if (part >= 0 && s.Part != part) continue;
      if (std::max(s.V.X, s.W.X) < p.X - d || std::min(s.V.X, s.W.X) > p.X + d ||
          std::max(s.V.Y, s.W.Y) < p.Y - d || std::min(s.V.Y, s.W.Y) > p.Y + d)
        continue;
      if (GisPointToSegmentDistance(s.V, s.W, p) <= d) return true;
    }
  }
  return false;
}
