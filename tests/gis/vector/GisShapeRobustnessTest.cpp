// Shapes with wild coordinates (huge, infinite, not a number, repeated)
// through every measure, clipped copy and search: answers of any value, but
// no crash, no endless loop and no sanitizer report.
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "ShapeTestSupport.h"
#include "gis/core/GisDefsLists.h"

namespace {
double Wild(std::mt19937& rnd) {
  static const double values[] = {0,
                                  1,
                                  -1,
                                  1e-300,
                                  1e300,
                                  -1e300,
                                  1e308,
                                  5,
                                  5,
                                  std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
  std::uniform_int_distribution<int> pick(0, 14);
  const int k = pick(rnd);
  if (k < 11) return values[k];
  return std::uniform_real_distribution<double>(-20, 20)(rnd);
}
std::string Dump(const TParts& parts) {
  std::string out;
  for (const auto& part : parts) {
    out += "[";
    for (const TGIS_Point& p : part)
      out += "(" + FloatToStr(p.X) + "," + FloatToStr(p.Y) + ")";
    out += "]";
  }
  return out;
}
} // namespace

TEST(GisShapeRobustness, WildCoordinatesNeitherCrashNorHang) {
  TRecordingTopologyScope relate; // lines against polygons ask the engine
  std::mt19937 rnd(2027);
  std::uniform_int_distribution<int> count(1, 7);
  for (int round = 0; round < 3000; ++round) {
    const TGIS_ShapeType type = TGIS_ShapeType(2 + round % 4);
    TParts parts(std::size_t(
        type == gisShapeTypeArc || type == gisShapeTypePolygon ? count(rnd) % 3 + 1 : 1));
    for (auto& part : parts)
      for (int i = type == gisShapeTypePoint ? 1 : count(rnd); i > 0; --i)
        part.push_back({Wild(rnd), Wild(rnd)});
    auto s = MakeShape(type, parts);
    const TGIS_Point q{Wild(rnd), Wild(rnd)};
    TGIS_Extent window{Wild(rnd), Wild(rnd), Wild(rnd), Wild(rnd)};
    if (window.XMin > window.XMax) std::swap(window.XMin, window.XMax);
    if (window.YMin > window.YMax) std::swap(window.YMin, window.YMax);
    TGIS_Point nearest;
    (void)s->GetLength();
    (void)s->GetArea();
    (void)s->GetCentroid();
    (void)s->GetLabelPoint();
    for (int part = 0; part < s->GetNumParts(); ++part)
      (void)s->DistanceToPart(q, part, nearest, Wild(rnd));
    auto clipped = s->CreateClippedCopy(window, round % 2 == 0);
    auto tame = [](double v) { return std::fabs(v) < 1e150; };
    bool finite = tame(window.XMin) && tame(window.YMin) && tame(window.XMax) && tame(window.YMax);
    for (const auto& part : parts)
      for (const TGIS_Point& p : part)
        finite = finite && tame(p.X) && tame(p.Y);
    // Input whose products cannot overflow: a clipped copy lies in the window.
    if (clipped != nullptr && finite)
      for (const auto& part : PartsOf(*clipped))
        for (const TGIS_Point& p : part)
          if (std::isfinite(p.X + p.Y)) {
            EXPECT_TRUE(p.X >= window.XMin && p.X <= window.XMax && p.Y >= window.YMin &&
                        p.Y <= window.YMax)
                << "round " << round << " " << p.X << " " << p.Y << " in " << window.XMin << " "
                << window.YMin << " " << window.XMax << " " << window.YMax << " type " << int(type)
                << " " << Dump(parts);
          }
    (void)s->IsNear(q, round % 3, Wild(rnd));
    auto other = MakeShape(TGIS_ShapeType(2 + (round / 4) % 4), parts);
    (void)s->Intersects(other.get());
    (void)s->GetIntersectionPoints(other.get());
    if (type == gisShapeTypeArc) {
      auto* arc = static_cast<TGIS_ShapeArc*>(s.get());
      arc->GetPointOnLine(-1, nearest, Wild(rnd), Wild(rnd));
      auto sub = arc->GetSubLine(-1, Wild(rnd), Wild(rnd));
      ASSERT_NE(sub, nullptr);
      const double length = arc->GetLength(), part = sub->GetLength();
      if (std::isfinite(length) && std::isfinite(part)) {
        EXPECT_LE(part, length * (1 + 1e-12) + 1e-300) << "round " << round;
      }
    }
  }
}
