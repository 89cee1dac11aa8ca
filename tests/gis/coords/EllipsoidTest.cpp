// Ellipsoids: derived fields, the list, and the geodetic <-> geocentric
// conversions, against PROJ (OracleData.h).
#include "CoordsTestSupport.h"
#include "OracleData.h"

#include "gis/core/GisDefs.h"

#include <limits>

using namespace coords_test;

namespace {

class EllipsoidTest : public CoordsTest {};

TEST_F(EllipsoidTest, DerivedFieldsOfWGS84) {
  const TGIS_Ellipsoid* we = GisWGS84Ellipsoid();
  ASSERT_NE(we, nullptr);
  EXPECT_EQ(we->Code, "WE");
  EXPECT_EQ(we->Description, "World Geodetic System 1984 (WGS 84)");
  EXPECT_EQ(static_cast<double>(we->SemiMajorAxis), 6378137.0);
  EXPECT_NEAR(static_cast<double>(we->SemiMinorAxis), 6356752.314245179, 1e-9);
  EXPECT_NEAR(static_cast<double>(we->EccentricitySq), 0.006694379990141316, 1e-17);
  EXPECT_NEAR(static_cast<double>(we->Flattening), 1 / 298.257223563, 1e-18);
  EXPECT_NEAR(static_cast<double>(we->SemiMajorAxisSq), 6378137.0 * 6378137.0, 1e-3);
  EXPECT_NEAR(static_cast<double>(we->SemiMinorAxisSq), 6356752.314245179 * 6356752.314245179,
              1e-2);
  EXPECT_NEAR(static_cast<double>(we->Eccentricity), 0.0818191908426215, 1e-15);
  EXPECT_NEAR(static_cast<double>(we->SecondEccentricitySq), 0.006739496742276434, 1e-17);
  EXPECT_NEAR(static_cast<double>(we->SecondEccentricity), 0.08209443794969568, 1e-15);
}

TEST_F(EllipsoidTest, BuiltinEllipsoidsAgreeWithProj) {
  for (const oracle::EllipsoidRow& row : oracle::kEllipsoids) {
    SCOPED_TRACE(row.Code);
    const TGIS_Ellipsoid* e = GisEllipsoidList().FindEllipsoid(row.Code);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(static_cast<double>(e->SemiMajorAxis), row.A);
    EXPECT_NEAR(static_cast<double>(1 / e->Flattening), row.Rf, 1e-9);
    EXPECT_NEAR(static_cast<double>(e->SemiMinorAxis), row.B, 2e-9);
    // The derived fields hang together.
    const long double a = e->SemiMajorAxis, b = e->SemiMinorAxis;
    EXPECT_NEAR(static_cast<double>(e->EccentricitySq),
                static_cast<double>((a * a - b * b) / (a * a)), 1e-18);
    EXPECT_NEAR(static_cast<double>(e->SecondEccentricitySq),
                static_cast<double>(e->EccentricitySq / (1 - e->EccentricitySq)), 1e-15);
  }
}

TEST_F(EllipsoidTest, DegenerateDefinitionsAddNothing) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* Name;
    long double InverseFlattening;
    long double SemiMajor;
  } cases[] = {
      {"zero axis", 298.0L, 0.0L},           {"negative axis", 298.0L, -6378137.0L},
      {"infinite axis", 298.0L, inf},        {"NaN axis", 298.0L, nan},
      {"negative 1/f", -298.0L, 6378137.0L}, {"1/f below 1", 0.5L, 6378137.0L},
      {"1/f of 1", 1.0L, 6378137.0L},        {"infinite 1/f", inf, 6378137.0L},
      {"NaN 1/f", nan, 6378137.0L},
  };
  TGIS_EllipsoidList& list = GisEllipsoidList();
  const int before = list.Count();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(list.AddEllipsoid("XX", c.Name, c.InverseFlattening, c.SemiMajor), nullptr);
    EXPECT_EQ(list.FindEllipsoid("XX"), nullptr);
    EXPECT_EQ(list.Count(), before);
  }
}

TEST_F(EllipsoidTest, ZeroInverseFlatteningIsASphere) {
  TGIS_Ellipsoid* s = GisEllipsoidList().AddEllipsoid("SPH", "Sphere", 0, 6370997);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(static_cast<double>(s->Flattening), 0.0);
  EXPECT_EQ(static_cast<double>(s->SemiMinorAxis), 6370997.0);
  EXPECT_EQ(static_cast<double>(s->EccentricitySq), 0.0);
  EXPECT_EQ(static_cast<double>(s->SecondEccentricitySq), 0.0);
  TGIS_Point3D p = Deg(30, 60, 0);
  s->GeodeticToGeocentric(p, p);
  EXPECT_NEAR(std::sqrt(p.X * p.X + p.Y * p.Y + p.Z * p.Z), 6370997.0, 1e-6);
}

TEST_F(EllipsoidTest, ReplacingKeepsTheOldEntryAliveAndWGSLookupsRight) {
  TGIS_EllipsoidList& list = GisEllipsoidList();
  TGIS_Ellipsoid* first = list.AddEllipsoid("AAB", "first", 300, 6378000);
  ASSERT_NE(first, nullptr);
  // Codes that sort before "WE" and "WD" move them in the sorted list.
  for (const char* code : {"A1", "AAA", "B", "C", "WA", "wc"})
    ASSERT_NE(list.AddEllipsoid(code, code, 299, 6378100), nullptr);
  TGIS_Ellipsoid* second = list.AddEllipsoid("aab", "second", 301, 6378001);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(list.FindEllipsoid("AAB"), second);
  EXPECT_EQ(first->Description, "first"); // still alive: projections may hold it
  EXPECT_EQ(list.Count(), 23 + 7);
  EXPECT_EQ(GisWGS84Ellipsoid()->Code, "WE");
  EXPECT_EQ(GisWGS72Ellipsoid()->Code, "WD");
  // The list stays sorted by code, letter case ignored.
  for (int i = 1; i < list.Count(); ++i)
    EXPECT_LT(gis_coords::CompareCodes(list.GetEllipsoid(i - 1)->Code, list.GetEllipsoid(i)->Code),
              0);
  EXPECT_EQ(list.GetEllipsoid(-1), nullptr);
  EXPECT_EQ(list.GetEllipsoid(list.Count()), nullptr);
}

TEST_F(EllipsoidTest, GeodeticToGeocentricAgreesWithProj) {
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  for (const oracle::CartRow& row : oracle::kCart) {
    SCOPED_TRACE(Numbers({row.Lon, row.Lat, row.H}));
    TGIS_Point3D p = Deg(row.Lon, row.Lat, row.H);
    p.M = 7;
    we.GeodeticToGeocentric(p, p);
    EXPECT_NEAR(p.X, row.X, 1e-3);
    EXPECT_NEAR(p.Y, row.Y, 1e-3);
    EXPECT_NEAR(p.Z, row.Z, 1e-3);
    EXPECT_EQ(p.M, 7); // M is neither read nor written
  }
}

TEST_F(EllipsoidTest, GeocentricToGeodeticAgreesWithProj) {
  // Toms' method is good to a few millimetres for heights of -1 to 10 km.
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  for (const oracle::CartRow& row : oracle::kCart) {
    SCOPED_TRACE(Numbers({row.Lon, row.Lat, row.H}));
    TGIS_Point3D p = Pt(row.X, row.Y, row.Z);
    we.GeocentricToGeodetic(p, p);
    EXPECT_NEAR(p.Y, row.InvLat * kDeg, 1e-9);
    if (std::abs(row.Lat) != 90) {
      EXPECT_NEAR(p.X, row.InvLon * kDeg, 1e-9);
    }
    EXPECT_NEAR(p.Z, row.InvH, 1e-2);
    // ... and returns our own forward result to the grid point.
    TGIS_Point3D q;
    we.GeodeticToGeocentric(Deg(row.Lon, row.Lat, row.H), q);
    we.GeocentricToGeodetic(q, q);
    EXPECT_NEAR(q.Y, row.Lat * kDeg, 1e-9);
    EXPECT_NEAR(q.Z, row.H, 1e-2);
  }
}

TEST_F(EllipsoidTest, GeocentricPointsOnTheAxis) {
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  const double b = static_cast<double>(we.SemiMinorAxis);
  struct Case {
    TGIS_Point3D In;
    double Lon, Lat, H;
  } cases[] = {
      {Pt(0, 0, 0), 0, kPi / 2, -b},
      {Pt(0, 0, b + 100), 0, kPi / 2, 100},
      {Pt(0, 0, -b - 100), 0, -kPi / 2, 100},
      {Pt(0, 6378137 + 5, 0), kPi / 2, 0, 5},
      {Pt(0, -6378137 - 5, 0), -kPi / 2, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Numbers({c.In.X, c.In.Y, c.In.Z}));
    TGIS_Point3D out;
    we.GeocentricToGeodetic(c.In, out);
    EXPECT_NEAR(out.X, c.Lon, 1e-12);
    EXPECT_NEAR(out.Y, c.Lat, 1e-12);
    EXPECT_NEAR(out.Z, c.H, 1e-3);
  }
}

TEST_F(EllipsoidTest, OutOfRangeGeodeticPointsRaiseAndWriteNothing) {
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  struct Case {
    TGIS_Point3D In;
    int Number;
    std::string Message;
  } cases[] = {
      {Pt(3.2, 0.5), 21, "0211 Longitude " + GisFloatToStr(3.2) + " out of scope"},
      {Pt(-3.2, 0.5), 21, "0211 Longitude " + GisFloatToStr(-3.2) + " out of scope"},
      {Pt(0.5, 1.6), 21, "0210 Latitude " + GisFloatToStr(1.6) + " out of scope"},
      {Pt(0.5, -1.6), 21, "0210 Latitude " + GisFloatToStr(-1.6) + " out of scope"},
  };
  EXPECT_EQ(GisFloatToStr(3.2), "3.2");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Message);
    TGIS_Point3D out = Pt(11, 12, 13, 14);
    const TGIS_Point3D before = out;
    EGIS_Exception e = ExpectGisError([&] { we.GeodeticToGeocentric(c.In, out); });
    EXPECT_EQ(e.Message(), c.Message);
    EXPECT_EQ(e.ErrorNumber(), c.Number);
    EXPECT_TRUE(SameBytes(out, before));
  }
  // The bounds themselves pass.
  TGIS_Point3D out;
  we.GeodeticToGeocentric(Pt(kPi, kPi / 2), out);
  we.GeodeticToGeocentric(Pt(-kPi, -kPi / 2), out);
}

} // namespace
