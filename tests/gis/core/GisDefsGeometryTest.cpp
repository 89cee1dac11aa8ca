#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "GisCoreTestSupport.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Format.h"

namespace {

using GisGeometry = GisCoreTest;

constexpr double kPi = std::numbers::pi;

struct ExtentCase {
  const char* name;
  TGIS_Extent a;
  TGIS_Extent b;
  TGIS_Extent expected;
};

void ExpectExtent(const TGIS_Extent& got, const TGIS_Extent& want, const std::string& row) {
  EXPECT_TRUE(GisIsSameExtent(got, want)) << row << ": got (" << got.XMin << ", " << got.YMin
                                          << ", " << got.XMax << ", " << got.YMax << ")";
}

TEST_F(GisGeometry, ConstantsAndEmptiness) {
  struct Row {
    const char* name;
    TGIS_Extent e;
    bool empty;
  };
  const Row rows[] = {
      {"empty constant", GisEmptyExtent(), true}, {"origin point", {0, 0, 0, 0}, false},
      {"degenerate point", {5, 5, 5, 5}, false},  {"x inverted only", {2, 0, 1, 5}, true},
      {"y inverted only", {0, 2, 5, 1}, true},    {"ordinary", {0, 0, 1, 1}, false},
      {"NaN member", {NAN, 0, 1, 1}, true},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GisIsEmptyExtent(r.e), r.empty) << r.name;

  ExpectExtent(GisEmptyExtent(), {1, 1, -1, -1}, "empty");
  ExpectExtent(GisWholeWorldExtent(), {-8.5e307, -8.5e307, 8.5e307, 8.5e307}, "world");
  ExpectExtent(GisExtent(3, 4, 1, 2), {3, 4, 1, 2}, "no reordering");
  EXPECT_TRUE(GisIsEmptyExtent(GisExtent(3, 4, 1, 2)));

  const TGIS_Extent3D e3 = GisEmptyExtent3D();
  EXPECT_EQ(e3.XMin, 1);
  EXPECT_EQ(e3.YMin, 1);
  EXPECT_EQ(e3.ZMin, 1);
  EXPECT_EQ(e3.XMax, -1);
  EXPECT_EQ(e3.YMax, -1);
  EXPECT_EQ(e3.ZMax, -1);
  EXPECT_TRUE(GisIsEmptyExtent3D(e3));
  EXPECT_TRUE(GisIsEmptyExtent3D({0, 0, 1, 1, 1, 0})); // only Z inverted
  EXPECT_FALSE(GisIsEmptyExtent3D({0, 0, 0, 0, 0, 0}));

  EXPECT_TRUE(GisIsWholeWorld(GisWholeWorldExtent()));
  // The comparison is strict: a member exactly at a tenth of the bound fails.
  EXPECT_FALSE(GisIsWholeWorld({-8.5e306, -1e307, 1e307, 1e307}));
  EXPECT_TRUE(GisIsWholeWorld({-8.6e306, -1e307, 1e307, 1e307}));
  EXPECT_FALSE(GisIsWholeWorld({-1e307, -1e307, 1e307, 8e306}));
}

TEST_F(GisGeometry, UnionAndIntersectionTable) {
  const TGIS_Extent empty = GisEmptyExtent();
  const ExtentCase unions[] = {
      {"empty first", empty, {0, 0, 2, 2}, {0, 0, 2, 2}},
      {"empty second", {0, 0, 2, 2}, empty, {0, 0, 2, 2}},
      {"two empty: the second", {5, 5, 4, 4}, {9, 9, 8, 7}, {9, 9, 8, 7}},
      {"overlap", {0, 0, 2, 2}, {1, -1, 3, 1}, {0, -1, 3, 2}},
      {"disjoint", {0, 0, 1, 1}, {5, 5, 6, 6}, {0, 0, 6, 6}},
  };
  for (const auto& c : unions)
    ExpectExtent(GisExtentUnion(c.a, c.b), c.expected, c.name);

  const ExtentCase intersections[] = {
      {"touching edge", {0, 0, 1, 1}, {1, 0, 2, 1}, {1, 0, 1, 1}},
      {"disjoint gives origin", {0, 0, 1, 1}, {2, 2, 3, 3}, {0, 0, 0, 0}},
      {"overlap", {0, 0, 2, 2}, {1, 1, 3, 3}, {1, 1, 2, 2}},
      {"inside", {0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}},
      {"touching corner", {0, 0, 1, 1}, {1, 1, 2, 2}, {1, 1, 1, 1}},
  };
  for (const auto& c : intersections)
    ExpectExtent(GisExtentIntersection(c.a, c.b), c.expected, c.name);
  // The disjoint result is degenerate, not empty.
  EXPECT_FALSE(GisIsEmptyExtent(GisExtentIntersection({0, 0, 1, 1}, {2, 2, 3, 3})));
}

TEST_F(GisGeometry, AreaCentreAndPointArithmetic) {
  EXPECT_DOUBLE_EQ(GisExtentArea({0, 0, 2, 3}), 6);
  EXPECT_DOUBLE_EQ(GisExtentArea(GisEmptyExtent()), 4); // no emptiness test
  const TGIS_Point c = GisExtentCenter({-2, 0, 4, 10});
  EXPECT_EQ(c.X, 1);
  EXPECT_EQ(c.Y, 5);
  const TGIS_Point s = GisPointAdd({1, 2}, {3, 5});
  const TGIS_Point d = GisPointSubtract({1, 2}, {3, 5});
  EXPECT_TRUE(GisIsSamePoint(s, {4, 7}));
  EXPECT_TRUE(GisIsSamePoint(d, {-2, -3}));
  EXPECT_EQ(GisMin(1, -1), -1);
  EXPECT_EQ(GisMax(1, -1), 1);

  const TGIS_Point3D w = GisPoint2DTo3D({1, 2});
  EXPECT_EQ(w.Z, 0);
  EXPECT_EQ(w.M, 0);
  const TGIS_Point n = GisPoint3DTo2D(GisPoint3D(7, 8, 9, 10));
  EXPECT_TRUE(GisIsSamePoint(n, {7, 8}));
  EXPECT_TRUE(GisIsSamePoint3D({1, 2, 3, 4}, {1, 2, 3, 99})); // M ignored
  EXPECT_FALSE(GisIsSamePoint3D({1, 2, 3, 4}, {1, 2, 4, 4}));
  EXPECT_DOUBLE_EQ(GisPoint3DDistance({0, 0, 0, 5}, {1, 2, 2, -5}), 3);

  const TPoint ip = GisIntPoint(3, -4);
  EXPECT_EQ(ip.x, 3);
  EXPECT_EQ(ip.y, -4);
  const TRect r = GisIntRect(1, 2, 3, 4);
  EXPECT_EQ(r, TRect(1, 2, 3, 4));
}

TEST_F(GisGeometry, DistancesAndNearestPoints) {
  struct Row {
    const char* name;
    TGIS_Point a, b, p;
    double distance;
    TGIS_Point nearest;
  };
  const Row rows[] = {
      {"beyond b", {0, 0}, {1, 0}, {2, 1}, std::sqrt(2.0), {1, 0}},
      {"perpendicular", {0, 0}, {1, 0}, {0.5, -1}, 1, {0.5, 0}},
      {"before a", {0, 0}, {1, 0}, {-3, 4}, 5, {0, 0}},
      {"degenerate segment", {1, 1}, {1, 1}, {4, 5}, 5, {1, 1}},
      {"slanted", {0, 0}, {2, 2}, {0, 2}, std::sqrt(2.0), {1, 1}},
  };
  for (const auto& r : rows) {
    EXPECT_NEAR(GisPointToSegmentDistance(r.a, r.b, r.p), r.distance, 1e-12) << r.name;
    const TGIS_Point q = GisNearestPointOnSegment(r.a, r.b, r.p);
    EXPECT_NEAR(q.X, r.nearest.X, 1e-12) << r.name;
    EXPECT_NEAR(q.Y, r.nearest.Y, 1e-12) << r.name;
  }
  // Beyond the span the nearer endpoint.
  const TGIS_Point a{0, 0}, b{1, 0};
  EXPECT_TRUE(GisIsSamePoint(GisNearestPointOnSegment(a, b, {1.5, 0}), b));
  EXPECT_TRUE(GisIsSamePoint(GisNearestPointOnSegment(a, b, {-0.5, 0}), a));

  EXPECT_DOUBLE_EQ(GisPointDistance({0, 0}, {3, 4}), 5);
  // Crossing segments are not detected: the smallest endpoint distance.
  EXPECT_DOUBLE_EQ(GisSegmentToSegmentDistance({0, -1}, {0, 1}, {-1, 0}, {1, 0}), 1);
  EXPECT_DOUBLE_EQ(GisSegmentToSegmentDistance({0, 0}, {1, 0}, {0, 2}, {1, 3}), 2);
}

TEST_F(GisGeometry, Rotation) {
  const TGIS_Point r = GisRotatePoint({0, 0}, {1, 0}, kPi / 2);
  EXPECT_NEAR(r.X, 0, 1e-15);
  EXPECT_NEAR(r.Y, 1, 1e-15);
  const TGIS_Point s = GisRotatePoint({1, 1}, {2, 1}, kPi);
  EXPECT_NEAR(s.X, 0, 1e-15);
  EXPECT_NEAR(s.Y, 1, 1e-15);
  const TGIS_Point t = GisRotatePoint({5, 5}, {5, 5}, 1.234);
  EXPECT_TRUE(GisIsSamePoint(t, {5, 5}));
}

TEST_F(GisGeometry, DegreesMinutesSecondsTable) {
  struct Row {
    const char* name;
    bool longitude;
    int sign;
    double d, m, s;
    bool raises;
    double expected;
  };
  const Row rows[] = {
      {"lat 45 30", false, 0, 45, 30, 0, false, 45.5 * kPi / 180},
      {"lat negative parts use magnitudes", false, -1, -10, -30, -36, false,
       -(10 + 30 / 60.0 + 36 / 3600.0) * kPi / 180},
      {"lat exactly 90", false, 1, 90, 0, 0, false, kPi / 2},
      {"lat just past -90", false, -1, 90, 0, 1, true, 0},
      {"lat 91", false, 1, 91, 0, 0, true, 0},
      {"lon 270 wraps", true, 1, 270, 0, 0, false, -kPi / 2},
      {"lon 180", true, 1, 180, 0, 0, false, kPi},
      {"lon 360", true, 1, 360, 0, 0, false, 0},
      {"lon 361", true, 1, 361, 0, 0, true, 0},
      {"lon -181 not wrapped", true, -1, 181, 0, 0, true, 0},
      {"lon -180", true, -1, 180, 0, 0, false, -kPi},
  };
  for (const auto& r : rows) {
    const auto sign = static_cast<std::int8_t>(r.sign);
    auto call = [&] {
      return r.longitude ? GisLongitudeFromDMS(sign, r.d, r.m, r.s)
                         : GisLatitudeFromDMS(sign, r.d, r.m, r.s);
    };
    if (!r.raises) {
      EXPECT_NEAR(call(), r.expected, 1e-13) << r.name;
      continue;
    }
    try {
      call();
      ADD_FAILURE() << r.name << ": no exception";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(e.ErrorNumber(), 21) << r.name;
      EXPECT_EQ(e.Message().rfind("0217 Coordinate \"", 0), 0u) << r.name << ": " << e.Message();
      EXPECT_EQ(e.Message(), "0217 Coordinate \"" + e.ErrorText() + "\" invalid") << r.name;
      EXPECT_FALSE(e.ErrorText().empty()) << r.name;
    }
  }
  // The offending value is written with '.' whatever the separator in force.
  FormatSettings().DecimalSeparator = ',';
  try {
    GisLatitudeFromDMS(1, 100, 0, 0);
    ADD_FAILURE() << "no exception";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.ErrorText(), "1.74532925199433");
  }
}

TEST_F(GisGeometry, Colours) {
  struct Row {
    int r, g, b;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {255, 0, 0, 0x0000FF}, {0, 255, 0, 0x00FF00},        {0, 0, 255, 0xFF0000},
      {1, 2, 3, 0x030201},   {0x1FF, -1, 0x100, 0x00FFFF}, // low bytes only
  };
  for (const auto& r : rows)
    EXPECT_EQ(GisColorRGB(r.r, r.g, r.b), r.expected);
  EXPECT_EQ(GisNonBlackColor(0), 0x010101u);
  EXPECT_EQ(GisNonBlackColor(1), 1u);
  EXPECT_EQ(GisNonBlackColor(0xFF000000u), 0xFF000000u);
}

// Intersection against a brute-force clip over random extents on a coarse
// grid (so that touching edges occur often).
TEST_F(GisGeometry, IntersectionAgreesWithBruteForceClip) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> coord(-5, 5);
  auto randomExtent = [&] {
    int x1 = coord(rng), x2 = coord(rng), y1 = coord(rng), y2 = coord(rng);
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    return GisExtent(x1, y1, x2, y2);
  };
  for (int i = 0; i < 5000; ++i) {
    const TGIS_Extent a = randomExtent();
    const TGIS_Extent b = randomExtent();
    // Brute force: the grid points inside both.
    bool any = false;
    TGIS_Extent clip{1e9, 1e9, -1e9, -1e9};
    for (int x = -5; x <= 5; ++x)
      for (int y = -5; y <= 5; ++y)
        if (x >= a.XMin && x <= a.XMax && y >= a.YMin && y <= a.YMax && x >= b.XMin &&
            x <= b.XMax && y >= b.YMin && y <= b.YMax) {
          any = true;
          clip = {std::min<double>(clip.XMin, x), std::min<double>(clip.YMin, y),
                  std::max<double>(clip.XMax, x), std::max<double>(clip.YMax, y)};
        }
    ASSERT_EQ(GisIsExtentIntersecting(a, b), any);
    const TGIS_Extent got = GisExtentIntersection(a, b);
    if (any) {
      ASSERT_TRUE(GisIsSameExtent(got, clip));
      EXPECT_TRUE(GisIsExtentInside(got, a));
      EXPECT_TRUE(GisIsExtentInside(got, b));
    } else {
      ASSERT_TRUE(GisIsSameExtent(got, {0, 0, 0, 0}));
    }
    EXPECT_EQ(GisIsExtentInside(a, b), GisIsSameExtent(GisExtentIntersection(a, b), a));
    const TGIS_Extent u = GisExtentUnion(a, b);
    EXPECT_TRUE(GisIsExtentInside(a, u));
    EXPECT_TRUE(GisIsExtentInside(b, u));
  }
}

} // namespace
