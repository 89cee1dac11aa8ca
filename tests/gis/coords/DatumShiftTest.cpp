// Datum shifts to and from WGS 84, against PROJ (OracleData.h).
#include "CoordsTestSupport.h"
#include "OracleData.h"

using namespace coords_test;

namespace {

class DatumShiftTest : public CoordsTest {
protected:
  static TGIS_Datum& Datum(const char* code) {
    TGIS_Datum* d = GisDatumList().FindDatum(code);
    if (!d) throw std::runtime_error(std::string("no datum ") + code);
    return *d;
  }
  // The horizontal distance in metres of two geodetic points (radians) that
  // lie close together.
  static double GroundDistance(const TGIS_Point3D& p, double lonDeg, double latDeg) {
    const double r = 6378137.0;
    const double dLat = (p.Y - latDeg * kDeg) * r;
    const double dLon = (p.X - lonDeg * kDeg) * r * std::cos(p.Y);
    return std::hypot(dLat, dLon);
  }
};

TEST_F(DatumShiftTest, ThreeParameterDatumsAgreeWithProjMolodensky) {
  int count = 0;
  for (const oracle::MolodenskyRow& row : oracle::kMolodensky) {
    SCOPED_TRACE(row.Code);
    const TGIS_Datum& d = Datum(row.Code);
    ASSERT_EQ(d.Kind, gisDatumThreeParameter);
    TGIS_Point3D p = Deg(row.Lon, row.Lat, row.H);
    d.ToWGS84(p, p);
    EXPECT_NEAR(p.X / kDeg, row.ToLon, 1e-9);
    EXPECT_NEAR(p.Y / kDeg, row.ToLat, 1e-9);
    EXPECT_NEAR(p.Z, row.ToH, 1e-5);
    TGIS_Point3D q = Deg(row.Lon, row.Lat, row.H);
    d.FromWGS84(q, q);
    EXPECT_NEAR(q.X / kDeg, row.FromLon, 1e-9);
    EXPECT_NEAR(q.Y / kDeg, row.FromLat, 1e-9);
    EXPECT_NEAR(q.Z, row.FromH, 1e-5);
    ++count;
  }
  EXPECT_EQ(count, 222);
}

TEST_F(DatumShiftTest, SevenParameterDatumsAgreeWithProjHelmertPipeline) {
  // Rotations and scale take effect at every latitude: the datums always take
  // the geocentric route (OGB-7 at 2°W 53°N was 31 m off in longitude and
  // 133 m in height on the Molodensky route).
  for (const oracle::HelmertRow& row : oracle::kHelmert) {
    SCOPED_TRACE(std::string(row.Code) + " " + Numbers({row.Lon, row.Lat, row.H}));
    const TGIS_Datum& d = Datum(row.Code);
    ASSERT_EQ(d.Kind, gisDatumSevenParameter);
    TGIS_Point3D p = Deg(row.Lon, row.Lat, row.H);
    d.ToWGS84(p, p);
    EXPECT_LT(GroundDistance(p, row.ToLon, row.ToLat), oracle::kHelmertTolerance);
    EXPECT_NEAR(p.Z, row.ToH, oracle::kHelmertTolerance);
    TGIS_Point3D q = Deg(row.Lon, row.Lat, row.H);
    d.FromWGS84(q, q);
    EXPECT_LT(GroundDistance(q, row.LinearLon, row.LinearLat), oracle::kHelmertTolerance);
    EXPECT_NEAR(q.Z, row.LinearH, oracle::kHelmertTolerance);
    EXPECT_LT(GroundDistance(q, row.FromLon, row.FromLat), oracle::kHelmertExactInverseTolerance);
    EXPECT_NEAR(q.Z, row.FromH, oracle::kHelmertExactInverseTolerance);
  }
}

TEST_F(DatumShiftTest, CH1903ShiftsByItsThreeShiftsAlone) {
  const TGIS_Datum& ch = Datum("CH1903");
  EXPECT_EQ(ch.Kind, gisDatumSevenParameter);
  EXPECT_EQ(ch.RotationX, 0);
  EXPECT_EQ(ch.RotationY, 0);
  EXPECT_EQ(ch.RotationZ, 0);
  EXPECT_EQ(ch.Scale, 0);
  TGIS_Point3D p = Pt(4300000.5, 600000.25, 4600000.125);
  ch.GeocentricToWGS84(p, p);
  EXPECT_EQ(p.X, 4300000.5 + 674.374);
  EXPECT_EQ(p.Y, 600000.25 + 15.056);
  EXPECT_EQ(p.Z, 4600000.125 + 405.346);
  ch.GeocentricFromWGS84(p, p);
  EXPECT_NEAR(p.X, 4300000.5, 1e-9);
  EXPECT_NEAR(p.Y, 600000.25, 1e-9);
  EXPECT_NEAR(p.Z, 4600000.125, 1e-9);
}

TEST_F(DatumShiftTest, SevenParameterGeocentricFormulas) {
  TGIS_Datum d;
  d.Kind = gisDatumSevenParameter;
  d.DeltaX = 10;
  d.DeltaY = 20;
  d.DeltaZ = 30;
  d.RotationX = 1e-6;
  d.RotationY = 2e-6;
  d.RotationZ = 3e-6;
  d.Scale = 4e-6;
  const double x = 4000000, y = 1000000, z = 4800000;
  TGIS_Point3D p = Pt(x, y, z);
  d.GeocentricToWGS84(p, p);
  EXPECT_DOUBLE_EQ(p.X, x + 10 + 3e-6 * y - 2e-6 * z + 4e-6 * x);
  EXPECT_DOUBLE_EQ(p.Y, y + 20 - 3e-6 * x + 1e-6 * z + 4e-6 * y);
  EXPECT_DOUBLE_EQ(p.Z, z + 30 + 2e-6 * x - 1e-6 * y + 4e-6 * z);
  TGIS_Point3D q = Pt(x, y, z);
  d.GeocentricFromWGS84(q, q);
  EXPECT_DOUBLE_EQ(q.X, x - 10 - 3e-6 * y + 2e-6 * z - 4e-6 * x);
  EXPECT_DOUBLE_EQ(q.Y, y - 20 + 3e-6 * x - 1e-6 * z - 4e-6 * y);
  EXPECT_DOUBLE_EQ(q.Z, z - 30 - 2e-6 * x + 1e-6 * y - 4e-6 * z);
}

TEST_F(DatumShiftTest, RoundTrips) {
  struct Case {
    const char* Code;
    double Lon, Lat, H;
    double Tolerance; // metres
  } cases[] = {
      // Beyond 89.75° the three-parameter shift goes through geocentric
      // coordinates and returns within a millimetre ...
      {"NAS-I", -100, 89.8, 0, 1e-3},
      {"NAS-I", -60, 89.9, 250, 1e-3},
      {"TOY-A", 139.7, 35.7, 40, 0.15}, // a 900 m shift: the error grows with it
      // ... below it Molodensky returns within a few centimetres.
      {"EUR-M", 10, 45, 0, 5e-2},
      {"NAS-C", -95, 40, 300, 5e-2},
      {"WGD", 20, 45, 0, 1e-3},
      {"EUR-7", 10, 45, 0, 5e-2},
      {"OGB-7", -2, 53, 100, 5e-2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Code);
    const TGIS_Datum& d = Datum(c.Code);
    TGIS_Point3D p = Deg(c.Lon, c.Lat, c.H);
    d.ToWGS84(p, p);
    d.FromWGS84(p, p);
    EXPECT_LT(GroundDistance(p, c.Lon, c.Lat), c.Tolerance);
    EXPECT_NEAR(p.Z, c.H, c.Tolerance);
  }
}

TEST_F(DatumShiftTest, ThreeParameterPolarRouteMatchesGeocentricShift) {
  // At 89.8° the shift is exactly: geocentric on the datum ellipsoid, plus
  // the shifts, back to geodetic on WGS 84.
  const TGIS_Datum& d = Datum("NAS-I");
  const TGIS_Point3D in = Deg(-100, 89.8, 10);
  TGIS_Point3D expected;
  d.GetEllipsoid().GeodeticToGeocentric(in, expected);
  expected.X += d.DeltaX;
  expected.Y += d.DeltaY;
  expected.Z += d.DeltaZ;
  GisWGS84Ellipsoid()->GeocentricToGeodetic(expected, expected);
  TGIS_Point3D out;
  d.ToWGS84(in, out);
  EXPECT_EQ(out.X, expected.X);
  EXPECT_EQ(out.Y, expected.Y);
  EXPECT_EQ(out.Z, expected.Z);

  // The same way back: geocentric on WGS 84, minus the shifts, geodetic on
  // the datum ellipsoid.
  GisWGS84Ellipsoid()->GeodeticToGeocentric(in, expected);
  expected.X -= d.DeltaX;
  expected.Y -= d.DeltaY;
  expected.Z -= d.DeltaZ;
  d.GetEllipsoid().GeocentricToGeodetic(expected, expected);
  d.FromWGS84(in, out);
  EXPECT_EQ(out.X, expected.X);
  EXPECT_EQ(out.Y, expected.Y);
  EXPECT_EQ(out.Z, expected.Z);

  // At the limit itself Molodensky still applies.
  const TGIS_Point3D limit = Pt(-100 * kDeg, 1.5664330036649108, 10);
  TGIS_Point3D molodensky;
  GisMolodensky(limit, d.GetEllipsoid(), *GisWGS84Ellipsoid(), d.DeltaX, d.DeltaY, d.DeltaZ,
                molodensky);
  d.ToWGS84(limit, out);
  EXPECT_TRUE(SameBytes(out, molodensky));
}

TEST_F(DatumShiftTest, WGS84CopiesEverything) {
  const TGIS_Datum& d = Datum("WGE");
  for (const TGIS_Point3D& in : {Pt(10, 20, 30, 40), Pt(-7, 3, 0), Pt(0.1, 0.2, 0.3)}) {
    TGIS_Point3D out = Pt(0, 0, 0, 99);
    d.ToWGS84(in, out);
    EXPECT_EQ(out.X, in.X);
    EXPECT_EQ(out.Y, in.Y);
    EXPECT_EQ(out.Z, in.Z);
    EXPECT_EQ(out.M, 99);
    d.FromWGS84(in, out);
    EXPECT_EQ(out.X, in.X);
  }
}

TEST_F(DatumShiftTest, WGS72ShiftsLongitudeByExactly0p554Seconds) {
  const TGIS_Datum& d = Datum("WGD");
  EXPECT_EQ(d.Kind, gisDatumWGS72);
  for (double lat : {-89.0, -45.0, 0.0, 30.0, 60.0, 89.0}) {
    SCOPED_TRACE(lat);
    TGIS_Point3D p = Deg(0, lat, 0);
    d.FromWGS84(p, p);
    EXPECT_EQ(p.X, -2.685867793346782e-6);
    TGIS_Point3D q = Deg(0, lat, 0);
    d.ToWGS84(q, q);
    EXPECT_EQ(q.X, 2.685867793346782e-6);
  }
  // The published formula at 45°N, 100 m, towards WGS 84: Δφ″ = 4.5 cos φ /
  // (a sin 1″) + Δf sin 2φ / sin 1″, Δh = 4.5 sin φ + a Δf sin²φ − Δa + 1.4.
  const TGIS_Ellipsoid& w84 = *GisWGS84Ellipsoid();
  const TGIS_Ellipsoid& w72 = *GisWGS72Ellipsoid();
  const double phi = 45 * kDeg;
  const double a = static_cast<double>(w72.SemiMajorAxis);
  const double df = static_cast<double>(w84.Flattening - w72.Flattening);
  const double da = static_cast<double>(w84.SemiMajorAxis - w72.SemiMajorAxis);
  const double sin1 = 4.84813681109536e-6;
  const double dPhiSec = 4.5 * std::cos(phi) / (a * sin1) + df * std::sin(2 * phi) / sin1;
  const double dh = 4.5 * std::sin(phi) + a * df * std::sin(phi) * std::sin(phi) - da + 1.4;
  TGIS_Point3D p = Deg(10, 45, 100);
  d.ToWGS84(p, p);
  EXPECT_NEAR(p.Y, phi + dPhiSec / 206264.8062471, 1e-15);
  EXPECT_NEAR(p.Z, 100 + dh, 1e-9);
  EXPECT_NEAR(dPhiSec, 0.0, 1.0); // a sub-second shift, as published
}

TEST_F(DatumShiftTest, ValidityBoxEdgesAreInclusive) {
  const TGIS_Datum& d = Datum("ADI-M"); // -5..31 × 15..55 degrees
  const double corners[][2] = {{d.ValidityXMin, d.ValidityYMin},
                               {d.ValidityXMax, d.ValidityYMax},
                               {d.ValidityXMin, d.ValidityYMax},
                               {d.ValidityXMax, d.ValidityYMin}};
  for (const auto& c : corners) {
    TGIS_Point3D p = Pt(c[0], c[1]);
    EXPECT_NO_THROW(d.CheckValidity(p));
    EXPECT_NO_THROW(d.ToWGS84(p, p));
  }
  EXPECT_DOUBLE_EQ(d.ValidityXMin, 15 * kDeg);
  EXPECT_DOUBLE_EQ(d.ValidityYMax, 31 * kDeg);
}

TEST_F(DatumShiftTest, PointsOutsideTheBoxRaise0230AndLeaveTheOutputAlone) {
  struct Case {
    const char* Code;
    double Lon, Lat;
  } cases[] = {
      {"ADI-M", 10, 20},                       // west of 15°
      {"ADI-M", 20, 32},                       // north of 31°
      {"EUR-M", 2.35, 48.85}, {"WGD", 190, 0}, // WGS 72 checks the whole world
      {"EUR-7", 0, 91},                        // so do seven-parameter datums
      {"OGB-7", -181, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Code) + " " + Numbers({c.Lon, c.Lat}));
    const TGIS_Datum& d = Datum(c.Code);
    for (int direction = 0; direction < 2; ++direction) {
      TGIS_Point3D p = Deg(c.Lon, c.Lat, 5);
      p.M = 3;
      const TGIS_Point3D before = p;
      EGIS_Exception e = ExpectGisError([&] {
        if (direction == 0)
          d.ToWGS84(p, p);
        else
          d.FromWGS84(p, p);
      });
      EXPECT_EQ(e.Message(), "0230 Coordinates not valid for the current datum");
      EXPECT_EQ(e.ErrorNumber(), 23);
      EXPECT_TRUE(SameBytes(p, before));
    }
  }
}

TEST_F(DatumShiftTest, UnlistedEllipsoidRaises0200) {
  TGIS_Datum* d = GisDatumList().AddDatum(gisDatumThreeParameter, "NOELL", "no ellipsoid", "QQ",
                                          {1, 0, 2, 0, 3, 0, -90, 90, -180, 180});
  TGIS_Point3D p = Deg(10, 10);
  const TGIS_Point3D before = p;
  EGIS_Exception e = ExpectGisError([&] { d->ToWGS84(p, p); });
  EXPECT_EQ(e.Message(), "0200 Ellipsoid \"QQ\" not found");
  EXPECT_EQ(e.ErrorNumber(), 20);
  EXPECT_TRUE(SameBytes(p, before));
  ExpectGisError([&] { d->GetEllipsoid(); });
}

TEST_F(DatumShiftTest, MolodenskyLongitudes) {
  const TGIS_Ellipsoid& in = *GisEllipsoidList().FindEllipsoid("IN");
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  // A longitude above π is taken as λ - 2π for the trigonometry only.
  TGIS_Point3D east, west;
  GisMolodensky(Pt(kPi + 0.5, 0.7, 10), in, we, -87, -98, -121, east);
  GisMolodensky(Pt(-kPi + 0.5, 0.7, 10), in, we, -87, -98, -121, west);
  EXPECT_NEAR(east.X, west.X + 2 * kPi, 1e-12);
  EXPECT_EQ(east.Y, west.Y);
  EXPECT_EQ(east.Z, west.Z);
  // A result below -π comes back by 2π, one above 2π goes back by 2π.
  TGIS_Point3D p;
  GisMolodensky(Pt(-kPi, 0.1, 0), in, we, 0, 500, 0, p);
  EXPECT_GT(p.X, 3.0);
  EXPECT_LT(p.X, kPi);
  GisMolodensky(Pt(2 * kPi, 0.1, 0), in, we, 0, 500, 0, p);
  EXPECT_LT(p.X, 0.001);
  EXPECT_GT(p.X, 0);
}

} // namespace

// A coordinate that is no finite number raises the coordinate error instead of
// coming out as NaN or infinity; so does a height at which the shift formulas
// divide by nothing.
TEST_F(DatumShiftTest, NonFiniteAndDegenerateCoordinatesRaise0217) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  const TGIS_Ellipsoid& in = *GisEllipsoidList().FindEllipsoid("IN");
  const double n = static_cast<double>(we.SemiMajorAxis); // N at the equator
  struct Case {
    const char* name;
    std::function<void(TGIS_Point3D&)> call;
  } cases[] = {
      {"geodetic to geocentric, NaN height",
       [&](TGIS_Point3D& p) { we.GeodeticToGeocentric(Deg(10, 45, nan), p); }},
      {"geodetic to geocentric, infinite height",
       [&](TGIS_Point3D& p) { we.GeodeticToGeocentric(Deg(10, 45, -inf), p); }},
      {"geocentric to geodetic, NaN X",
       [&](TGIS_Point3D& p) { we.GeocentricToGeodetic(Pt(nan, 1e6, 1e6), p); }},
      {"geocentric to geodetic, infinite Z",
       [&](TGIS_Point3D& p) { we.GeocentricToGeodetic(Pt(4e6, 1e6, inf), p); }},
      {"three parameters, NaN height",
       [&](TGIS_Point3D& p) { Datum("EUR-M").ToWGS84(Deg(13, 52, nan), p); }},
      {"seven parameters, infinite height",
       [&](TGIS_Point3D& p) { Datum("OGB-7").FromWGS84(Deg(-2, 53, inf), p); }},
      {"WGS 84, NaN height", [&](TGIS_Point3D& p) { Datum("WGE").ToWGS84(Deg(0, 0, nan), p); }},
      {"geocentric shift, NaN Y",
       [&](TGIS_Point3D& p) { Datum("EUR-M").GeocentricToWGS84(Pt(4e6, nan, 4e6), p); }},
      {"Molodensky at h = -N",
       [&](TGIS_Point3D& p) { GisMolodensky(Pt(0.3, 0, -n), in, we, -87, -98, -121, p); }},
      {"Molodensky below -N",
       [&](TGIS_Point3D& p) { GisMolodensky(Pt(0.3, 0, -2 * n), in, we, -87, -98, -121, p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGIS_Point3D out = Pt(1, 2, 3);
    EGIS_Exception e = ExpectGisError([&] { c.call(out); });
    EXPECT_EQ(e.ErrorNumber(), 21);
    EXPECT_EQ(e.Message().substr(0, 4), "0217");
  }
}

// Near the polar axis the distance from it is computed without squaring the
// coordinates, which would underflow.
TEST_F(DatumShiftTest, GeocentricPointsNextToTheAxis) {
  const TGIS_Ellipsoid& we = *GisWGS84Ellipsoid();
  const double b = static_cast<double>(we.SemiMinorAxis);
  for (const double tiny : {1e-160, 1e-200, 1e-300}) {
    SCOPED_TRACE(tiny);
    TGIS_Point3D p;
    we.GeocentricToGeodetic(Pt(tiny, tiny, b + 10), p);
    EXPECT_NEAR(p.X, kPi / 4, 1e-12);
    EXPECT_NEAR(p.Y, kPi / 2, 1e-12);
    EXPECT_NEAR(p.Z, 10, 1e-6);
  }
  // Nor do the later steps square what may under- or overflow: the centre's
  // neighbourhood and points far out come back finite.
  const double a = static_cast<double>(we.SemiMajorAxis);
  struct Case {
    TGIS_Point3D In;
    double Lon, Lat, HeightOverScale, Scale;
  } cases[] = {
      {Pt(1e-300, 0, 0), 0, 0, -a, 1},
      {Pt(0, -1e-300, 0), -kPi / 2, 0, -a, 1},
      {Pt(1e200, 0, 0), 0, 0, 1, 1e200},
      {Pt(-1e300, 0, 0), kPi, 0, 1, 1e300},
      {Pt(1e200, 0, 1e200), 0, kPi / 4, std::sqrt(2.0), 1e200},
      {Pt(0, 3e250, -3e250), kPi / 2, -kPi / 4, std::sqrt(2.0) * 3, 1e250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Numbers({c.In.X, c.In.Y, c.In.Z}));
    TGIS_Point3D p;
    we.GeocentricToGeodetic(c.In, p);
    EXPECT_NEAR(p.X, c.Lon, 1e-12);
    EXPECT_NEAR(p.Y, c.Lat, 1e-9);
    EXPECT_NEAR(p.Z / c.Scale, c.HeightOverScale, 1e-6 * std::fabs(c.HeightOverScale));
  }
}
