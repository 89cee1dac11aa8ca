// Helpers of the topology tests: shapes from point lists, placement (rotation
// and translation), seeded random polygons, WKB hex of shapes, and the GEOS
// oracle (tools/geos_oracle.py run by the system python with shapely).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gis/vector/GisShapeArc.h"
#include "gis/vector/GisShapePoint.h"
#include "gis/vector/GisShapePolygon.h"
#include "gis/vector/GisTopology.h"
#include "platform/rtl/Format.h"
#include "tests/support/TempDir.h"

namespace topotest {

using TRing = std::vector<TGIS_Point>;

/// A polygon of the given rings (each closed by the shape itself).
inline std::unique_ptr<TGIS_Shape> Polygon(const std::vector<TRing>& rings) {
  auto s = std::make_unique<TGIS_ShapePolygon>();
  for (const TRing& r : rings) {
    s->AddPart();
    for (const TGIS_Point& p : r) s->AddRingPoint(p);
  }
  return s;
}

inline std::unique_ptr<TGIS_Shape> Line(const std::vector<TRing>& parts) {
  auto s = std::make_unique<TGIS_ShapeArc>();
  for (const TRing& r : parts) {
    s->AddPart();
    for (const TGIS_Point& p : r) s->AddPoint(p);
  }
  return s;
}

inline std::unique_ptr<TGIS_Shape> Points(const TRing& points) {
  std::unique_ptr<TGIS_Shape> s;
  if (points.size() == 1) {
    s = std::make_unique<TGIS_ShapePoint>();
  } else {
    s = std::make_unique<TGIS_ShapeMultiPoint>();
  }
  s->AddPart();
  for (const TGIS_Point& p : points) s->AddPoint(p);
  return s;
}

/// An axis-parallel square, clockwise (y up), from (x, y) with side d.
inline TRing Square(double x, double y, double d) {
  return {{x, y}, {x, y + d}, {x + d, y + d}, {x + d, y}};
}

inline TRing Reversed(TRing r) {
  std::reverse(r.begin(), r.end());
  return r;
}

/// Rotation by `angle` about the origin, then a move to (dx, dy).
struct TPlacement {
  double Angle = 0, Dx = 0, Dy = 0;
  TGIS_Point Apply(const TGIS_Point& p) const {
    const double c = std::cos(Angle), s = std::sin(Angle);
    return {p.X * c - p.Y * s + Dx, p.X * s + p.Y * c + Dy};
  }
  TRing Apply(const TRing& r) const {
    TRing out;
    for (const TGIS_Point& p : r) out.push_back(Apply(p));
    return out;
  }
  std::vector<TRing> Apply(const std::vector<TRing>& rings) const {
    std::vector<TRing> out;
    for (const TRing& r : rings) out.push_back(Apply(r));
    return out;
  }
};

/// Every stored part of a shape as a list of points.
inline std::vector<TRing> PartsOf(const TGIS_Shape& s) {
  std::vector<TRing> parts;
  if (s.IsEmpty()) return parts;
  for (int part = 0; part < s.GetNumParts(); ++part) {
    TRing r;
    for (int i = 0; i < s.GetPartSize(part); ++i) r.push_back(s.GetPoint(part, i));
    parts.push_back(std::move(r));
  }
  return parts;
}

/// Doubled signed area of a stored (closed) ring, about its first point.
inline double StoredRingArea(const TRing& r) {
  double sum = 0;
  for (std::size_t i = 1; i + 1 < r.size(); ++i)
    sum += (r[i].X - r[0].X) * (r[i + 1].Y - r[0].Y) - (r[i].Y - r[0].Y) * (r[i + 1].X - r[0].X);
  return sum;
}

/// Area of a polygon shape: outer rings clockwise count, holes subtract.
inline double AreaOf(const TGIS_Shape* s) {
  if (s == nullptr) return 0;
  double sum = 0;
  for (const TRing& r : PartsOf(*s)) sum -= StoredRingArea(r) / 2;
  return sum;
}

inline double LengthOf(const TGIS_Shape* s) {
  if (s == nullptr) return 0;
  double sum = 0;
  for (const TRing& r : PartsOf(*s))
    for (std::size_t i = 0; i + 1 < r.size(); ++i) sum += GisPointDistance(r[i], r[i + 1]);
  return sum;
}

// ---- random polygons -----------------------------------------------------------------------

/// A star-shaped ring of n vertices about c, clockwise, radii in [r0, r1];
/// with `grid` > 0 the vertices are snapped to that grid.
inline TRing Star(std::mt19937& rng, TGIS_Point c, int n, double r0, double r1, double grid = 0) {
  std::uniform_real_distribution<double> radius(r0, r1);
  TRing ring;
  for (int i = 0; i < n; ++i) {
    const double a = -2 * 3.14159265358979 * i / n;
    const double rad = radius(rng);
    double x = c.X + rad * std::cos(a), y = c.Y + rad * std::sin(a);
    if (grid > 0) {
      x = std::round(x / grid) * grid;
      y = std::round(y / grid) * grid;
    }
    ring.push_back({x, y});
  }
  return ring;
}

/// A star of 5-40 vertices with 0-3 small counter-clockwise holes near its centre.
inline std::vector<TRing> StarWithHoles(std::mt19937& rng, TGIS_Point c, double size,
                                        double grid = 0) {
  std::uniform_int_distribution<int> vertices(5, 40), holes(0, 3);
  std::vector<TRing> rings{Star(rng, c, vertices(rng), 0.6 * size, size, grid)};
  const int h = holes(rng);
  for (int i = 0; i < h; ++i) {
    const double a = 2 * 3.14159265358979 * i / std::max(h, 1);
    const TGIS_Point hc{c.X + 0.3 * size * std::cos(a), c.Y + 0.3 * size * std::sin(a)};
    rings.push_back(Reversed(Star(rng, hc, vertices(rng) / 4 + 3, 0.05 * size, 0.12 * size)));
  }
  return rings;
}

// ---- WKB hex -------------------------------------------------------------------------------

class TWkb {
public:
  void Byte(std::uint8_t b) {
    static const char* digits = "0123456789ABCDEF";
    text_.push_back(digits[b >> 4]);
    text_.push_back(digits[b & 15]);
  }
  void UInt(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void Double(double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i) Byte(static_cast<std::uint8_t>(bits >> (8 * i)));
  }
  void Header(std::uint32_t type) {
    Byte(1);
    UInt(type);
  }
  void Points(const TRing& r) {
    UInt(static_cast<std::uint32_t>(r.size()));
    for (const TGIS_Point& p : r) {
      Double(p.X);
      Double(p.Y);
    }
  }
  const std::string& Text() const { return text_; }

private:
  std::string text_;
};

inline TRing Closed(TRing r) {
  if (!r.empty() && !GisIsSamePoint(r.front(), r.back())) r.push_back(r.front());
  return r;
}

/// One-ring polygons, each ring alone (the even-odd oracle's input).
inline std::string RingsHex(const std::vector<TRing>& rings) {
  TWkb w;
  w.Header(6);
  w.UInt(static_cast<std::uint32_t>(rings.size()));
  for (const TRing& r : rings) {
    w.Header(3);
    w.UInt(1);
    w.Points(Closed(r));
  }
  return w.Text();
}

/// WKB hex of a shape ("-" for none): polygons as a multipolygon whose
/// polygons start at each clockwise ring (the counter-clockwise rings after
/// it are its holes).
inline std::string Hex(const TGIS_Shape* s) {
  if (s == nullptr || s->IsEmpty()) return "-";
  const std::vector<TRing> parts = PartsOf(*s);
  TWkb w;
  switch (s->ShapeType()) {
  case gisShapeTypePoint:
    w.Header(1);
    w.Double(parts[0][0].X);
    w.Double(parts[0][0].Y);
    break;
  case gisShapeTypeMultiPoint:
    w.Header(4);
    w.UInt(static_cast<std::uint32_t>(parts[0].size()));
    for (const TGIS_Point& p : parts[0]) {
      w.Header(1);
      w.Double(p.X);
      w.Double(p.Y);
    }
    break;
  case gisShapeTypeArc:
    w.Header(5);
    w.UInt(static_cast<std::uint32_t>(parts.size()));
    for (const TRing& r : parts) {
      w.Header(2);
      w.Points(r);
    }
    break;
  case gisShapeTypePolygon: {
    std::vector<std::vector<TRing>> polygons;
    for (const TRing& r : parts) {
      if (StoredRingArea(r) < 0 || polygons.empty()) polygons.push_back({});
      polygons.back().push_back(Closed(r));
    }
    w.Header(6);
    w.UInt(static_cast<std::uint32_t>(polygons.size()));
    for (const auto& poly : polygons) {
      w.Header(3);
      w.UInt(static_cast<std::uint32_t>(poly.size()));
      for (const TRing& r : poly) w.Points(r);
    }
    break;
  }
  default:
    return "-";
  }
  return w.Text();
}

// ---- the oracle ----------------------------------------------------------------------------

/// Runs a batch of requests through the GEOS oracle; one answer per request
/// ("error ..." for a request GEOS refused). Empty when the oracle cannot run.
inline std::vector<std::string> AskGeos(const std::vector<std::string>& requests) {
  sktest::TTempDir dir("topology");
  std::string input;
  for (const std::string& r : requests) input += r + "\n";
  const std::string in = dir.Write("requests.txt", input);
  const std::string out = dir / "answers.txt";
  const char* root = std::getenv("SK_SOURCE_DIR");
  const std::string script = std::string(root ? root : ".") + "/tools/geos_oracle.py";
  const std::string command = "/usr/bin/python3 '" + script + "' < '" + in + "' > '" + out + "'";
  if (std::system(command.c_str()) != 0) return {};
  std::ifstream f(out);
  std::vector<std::string> answers;
  std::string line;
  while (std::getline(f, line)) answers.push_back(line);
  if (answers.size() != requests.size()) return {};
  return answers;
}

/// The numbers of an answer line.
inline std::vector<double> Numbers(const std::string& answer) {
  TFormatSettings dot;
  dot.DecimalSeparator = '.';
  std::vector<double> out;
  std::istringstream words(answer);
  std::string w;
  while (words >> w) {
    double v = 0;
    if (!TryStrToFloat(w, v, dot)) return {};
    out.push_back(v);
  }
  return out;
}

} // namespace topotest
