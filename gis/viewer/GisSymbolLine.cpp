// TGIS_SymbolLine (dash patterns) and GisDrawPolylineSymbol: dash runs, or
// symbols repeated along a line and turned to its direction.
#include <cmath>
#include <cstdint>

#include "gis/core/GisDefsGeometry.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisSymbol.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"

// ---------------------------------------------------------------- the pattern

namespace {

/// The text between '[' and ']' without blanks.
std::string PatternText(const std::string& definition) {
  const std::size_t open = definition.find('[');
  if (open == std::string::npos) return std::string();
  const std::size_t close = definition.find(']', open + 1);
  const std::string inner = definition.substr(
      open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  std::string out;
  for (char c : inner)
    if (c != ' ' && c != '\t') out += c;
  return out;
}

std::vector<int> ParsePattern(const std::string& text) {
  std::vector<int> pattern;
  std::string number;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      number += c;
      continue;
    }
    const bool twips = c == 'T' || c == 't', widths = c == 'W' || c == 'w';
    if (!(twips || widths) || number.empty()) continue;
    Integer value = 0;
    if (TryStrToInt(number, value) && value != 0) pattern.push_back(twips ? value : -value);
    number.clear();
  }
  return pattern;
}

/// The process-wide work array of screen points: it only grows.
std::vector<TPoint>& WorkPoints() {
  static std::vector<TPoint> points;
  return points;
}

} // namespace

TGIS_SymbolLine::TGIS_SymbolLine(const std::string& definition)
    : TGIS_SymbolAbstract(definition), pattern_(ParsePattern(PatternText(definition))) {}

int TGIS_SymbolLine::GetSize() {
  return int(Round(preparedSize_));
}

double TGIS_SymbolLine::RunPixels(int e) const {
  if (e > 0) return viewer_ != nullptr ? viewer_->TwipsToPixels(e) : e;
  return double(-std::int64_t(e)) * size_;
}

// ------------------------------------------------------------------ dash runs

namespace {

struct TWalker {
  const TPoint* pts;
  int n;
  int i = 0;     // the current vertex
  double px, py; // the current position

  /// Walks `d` pixels, collecting the points passed; true at the line's end.
  bool Walk(double d, std::vector<TPoint>& out) {
    out.clear();
    out.emplace_back(LONG(Round(px)), LONG(Round(py)));
    while (i < n - 1) {
      const TPoint& v = pts[i + 1];
      const double o = std::hypot(v.x - px, v.y - py);
      if (d < o) {
        px += d / o * (v.x - px);
        py += d / o * (v.y - py);
        out.emplace_back(LONG(Round(px)), LONG(Round(py)));
        return false;
      }
      px = v.x;
      py = v.y;
      out.push_back(v);
      ++i;
      d -= o;
    }
    return true;
  }
};

void DrawDashes(TGIS_Viewer* viewer, TGIS_SymbolLine& symbol, const TPoint* points, int n) {
  TGIS_GDI& gdi = *symbol.Gdi();
  const std::vector<int>& pattern = symbol.Pattern();
  bool anyLength = false;
  for (int e : pattern)
    anyLength = anyLength || symbol.RunPixels(e) > 0;
  // Runs of 0 pixels would never advance: such a line is drawn plain.
  if (pattern.size() < 2 || !anyLength) {
    gdi.Polyline(points, n);
    return;
  }
  const std::uint32_t background = GisNonBlackColor(viewer->Color());
  std::vector<TPoint>& run = WorkPoints();
  TWalker walker{points, n, 0, double(points[0].x), double(points[0].y)};
  for (std::size_t k = 0;; ++k) {
    const int e = pattern[k % pattern.size()];
    const bool ended = walker.Walk(symbol.RunPixels(e), run);
    gdi.PrepareSolidPen(k % 2 == 0 ? symbol.PreparedFill() : background, symbol.Size(), true);
    gdi.Polyline(run.data(), int(run.size()));
    if (ended) return;
  }
}

// ------------------------------------------------------ symbols along the line

double Distance(const TPoint& a, const TPoint& b) {
  return std::hypot(double(b.x) - a.x, double(b.y) - a.y);
}

/// The anchors at spacing s (straight distance from the last anchor).
void Resample(const TPoint* pts, int n, double s, std::vector<TPoint>& anchors) {
  anchors.clear();
  anchors.push_back(pts[0]);
  for (int k = 1; k < n; ++k) {
    const TPoint& u = pts[k - 1];
    const TPoint& v = pts[k];
    TPoint a, b;
    const int found = GisCircleSegmentIntersection(u, v, anchors.back(), s, a, b);
    if (found > 0) anchors.push_back(a);
    const double rest = Distance(anchors.back(), v);
    if (found > 0 && rest > s) {
      const double m = std::trunc(rest / s);
      if (GisCircleSegmentIntersection(anchors.back(), v, anchors.back(), m * s, a, b) == 0) break;
      anchors.push_back(a);
    }
  }
  anchors.push_back(pts[n - 1]);
}

void DrawRepeated(TGIS_SymbolAbstract& symbol, const TPoint* points, int n) {
  const double a = symbol.Angle();
  double s = std::max(std::abs(symbol.GetDrawHeight() * std::sin(a)),
                      std::abs(symbol.GetDrawWidth() * std::cos(a))) +
             symbol.Gap();
  if (s < 2) s = 2;
  std::vector<TPoint>& anchors = WorkPoints();
  Resample(points, n, s, anchors);
  TRect clip = symbol.Gdi()->GetClipBox();
  const int margin = symbol.Size();
  clip = TRect(clip.Left - margin, clip.Top - margin, clip.Right + margin, clip.Bottom + margin);
  for (std::size_t k = 0; k + 1 < anchors.size(); ++k) {
    const TPoint A = anchors[k], B = anchors[k + 1];
    const double phi = std::atan2(double(B.y) - A.y, double(B.x) - A.x);
    double length = Distance(A, B);
    for (int j = 0; s - 1 <= length; ++j, length -= s) {
      const int x = A.x + int(Trunc(j * std::cos(phi) * s));
      const int y = A.y + int(Trunc(j * std::sin(phi) * s));
      if (x < clip.Left || x > clip.Right || y < clip.Top || y > clip.Bottom) continue;
      symbol.SetRotation(phi + a);
      symbol.Draw(x, y);
    }
  }
}

} // namespace

int GisCircleSegmentIntersection(const TPoint& p1, const TPoint& p2, const TPoint& c, double r,
                                 TPoint& a, TPoint& b) {
  // 64-bit and double arithmetic: screen points reach ±16000 pixels.
  const double dx = double(std::int64_t(p2.x) - p1.x), dy = double(std::int64_t(p2.y) - p1.y);
  const double fx = double(std::int64_t(p1.x) - c.x), fy = double(std::int64_t(p1.y) - c.y);
  const double qa = dx * dx + dy * dy;
  if (qa == 0) return 0;
  const double qb = 2 * (dx * fx + dy * fy);
  const double qc = fx * fx + fy * fy - r * r;
  const double disc = qb * qb - 4 * qa * qc;
  if (disc < 0) return 0;
  const double root = std::sqrt(disc);
  const double ts[2] = {(-qb - root) / (2 * qa), (-qb + root) / (2 * qa)};
  const int roots = disc == 0 ? 1 : 2;
  TPoint kept[2];
  int count = 0;
  for (int i = 0; i < roots; ++i) {
    const TPoint q(LONG(Round(p1.x + ts[i] * dx)), LONG(Round(p1.y + ts[i] * dy)));
    const double t = ((double(q.x) - p1.x) * dx + (double(q.y) - p1.y) * dy) / qa;
    if (t >= 0 && t <= 1) kept[count++] = q;
  }
  if (count == 0 || kept[0] == c) return 0;
  a = kept[0];
  if (count > 1) b = kept[1];
  return count;
}

void GisDrawPolylineSymbol(TGIS_Viewer* viewer, TGIS_SymbolAbstract* symbol, const TPoint* points,
                           int count) {
  if (count <= 0 || symbol == nullptr || points == nullptr) return;
  SK_ASSERT(symbol->Gdi() != nullptr && viewer != nullptr, "symbol not prepared", "GisSymbol",
            __LINE__);
  if (auto* line = dynamic_cast<TGIS_SymbolLine*>(symbol)) {
    DrawDashes(viewer, *line, points, count);
    return;
  }
  DrawRepeated(*symbol, points, count);
}
