// The projection framework: warnings, input checks, the registry, copies,
// and the GED and GEC projections.
#include "CoordsTestSupport.h"
#include "OracleData.h"
#include "TestProjection.h"

using namespace coords_test;

namespace {

class ProjectionFrameworkTest : public CoordsTest {};

const std::string& LatFixed() {
  return GIS_RS_ERR_LATITUDE_FIXED;
}
const std::string& LonFixed() {
  return GIS_RS_ERR_LONGITUDE_FIXED;
}

TEST_F(ProjectionFrameworkTest, WarningsOfSuccessiveOperations) {
  TestProjection p;
  struct Step {
    const char* Name;
    TGIS_Point3D In;
    std::string Warnings; // after the step
  } steps[] = {
      {"both corrected", Pt(7.0, 2.0), LatFixed() + "\r" + LonFixed()},
      {"latitude only", Pt(0.5, -2.0), LatFixed()},
      {"clean call keeps them", Pt(0.5, 0.5), LatFixed()},
      {"longitude only", Pt(-4.0, 0.5), LonFixed()},
      {"clean call again", Pt(1.0, 1.0), LonFixed()},
  };
  EXPECT_EQ(p.Warnings(), "");
  for (const Step& s : steps) {
    SCOPED_TRACE(s.Name);
    TGIS_Point3D out;
    p.Project(s.In, out);
    EXPECT_EQ(p.Warnings(), s.Warnings);
  }
  EXPECT_EQ(GIS_RS_ERR_LATITUDE_FIXED, "0240 Latitude out of scope - corrected.");
}

TEST_F(ProjectionFrameworkTest, AddWarningRules) {
  TestProjection p;
  p.AddWarning("a");
  p.AddWarning("b");
  EXPECT_EQ(p.Warnings(), "a\rb");
  p.AddWarning(""); // an empty text empties them
  EXPECT_EQ(p.Warnings(), "");
  p.AddWarning("c");
  EXPECT_EQ(p.Warnings(), "c");
  p.ClearFlag(); // a new operation: its first warning replaces the old ones
  p.AddWarning("d");
  EXPECT_EQ(p.Warnings(), "d");
}

TEST_F(ProjectionFrameworkTest, ForwardInputCheck) {
  TestProjection p;
  TGIS_ProjectionSetUp s;
  s.CentralMeridian = 3.0;
  p.SetUp(s);
  struct Case {
    TGIS_Point3D In;
    double Lon, Lat, DeltaLon;
  } cases[] = {
      {Pt(0.5, 0.2), 0.5, 0.2, 0.5 - 3.0},
      {Pt(-3.0, 0.2), -3.0, 0.2, -6.0 + 2 * kPi},                        // Δλ below -π comes up
      {Pt(4.0, 0.2), 4.0 - 2 * kPi, 0.2, 4.0 - 2 * kPi - 3.0 + 2 * kPi}, // above π comes down
      {Pt(7.0, 2.0), 2 * kPi - 2 * kPi, kPi / 2, 0.0 - 3.0},
      {Pt(-9.0, -2.0), -kPi, -kPi / 2, -kPi - 3.0 + 2 * kPi},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Numbers({c.In.X, c.In.Y}));
    TGIS_Point3D out;
    p.Project(c.In, out);
    EXPECT_NEAR(p.LastForward.Longitude, c.Lon, 1e-15);
    EXPECT_NEAR(p.LastForward.Latitude, c.Lat, 1e-15);
    EXPECT_NEAR(p.LastForward.DeltaLongitude, c.DeltaLon, 1e-15);
  }
}

TEST_F(ProjectionFrameworkTest, InverseInputCheckAndSetUpCorrections) {
  TestProjection p;
  TGIS_ProjectionSetUp s;
  s.FalseEasting = 1000;
  s.FalseNorthing = 2000;
  s.OriginLatitude = 2.0;
  s.CentralMeridian = -4.0;
  p.SetUp(s);
  EXPECT_EQ(p.OriginLatitude, kPi / 2);
  EXPECT_EQ(p.CentralMeridian, kPi); // replaced by π, which is not above π
  EXPECT_EQ(p.Warnings(),
            GIS_RS_ERR_ORIGINLATITUDE_FIXED + "\r" + GIS_RS_ERR_CENTRALMERIDIAN_FIXED);
  EXPECT_EQ(p.EastingRange, 100);
  TGIS_Point3D out;
  p.Unproject(Pt(1200, 1990), out);
  EXPECT_EQ(out.X, 1100);
  EXPECT_EQ(out.Y, 1990);
  EXPECT_EQ(p.Warnings(), GIS_RS_ERR_EASTING_FIXED);
  // A central meridian above π is stored reduced by 2π, without a warning.
  s.CentralMeridian = 4.0;
  s.OriginLatitude = 0.5;
  p.SetUp(s);
  EXPECT_EQ(p.CentralMeridian, 4.0 - 2 * kPi);
  EXPECT_EQ(p.OriginLatitude, 0.5);
  EXPECT_EQ(p.Warnings(), GIS_RS_ERR_EASTING_FIXED); // nothing corrected: left as it was
  s.CentralMeridian = 7.0;
  p.SetUp(s);
  EXPECT_EQ(p.CentralMeridian, 2 * kPi - 2 * kPi);
  EXPECT_EQ(p.Warnings(), GIS_RS_ERR_CENTRALMERIDIAN_FIXED);
  p.Unproject(Pt(950, 1000), out);
  EXPECT_EQ(out.X, 950);
  EXPECT_EQ(out.Y, 1900);
  EXPECT_EQ(p.Warnings(), GIS_RS_ERR_NORTHING_FIXED);
}

TEST_F(ProjectionFrameworkTest, ClampWithWarning) {
  TestProjection p;
  struct Case {
    double Value, Expected;
    bool Warned;
  } cases[] = {
      {-2.0, -1.0, true}, {-1.0, -1.0, false}, {0.25, 0.25, false},
      {1.0, 1.0, false},  {3.0, 1.0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(GisFloatToStr(c.Value));
    p.ClearFlag();
    p.AddWarning("");
    EXPECT_EQ(p.ClampWithWarning(c.Value, -1.0, 1.0, "clamped"), c.Expected);
    EXPECT_EQ(p.Warnings(), c.Warned ? "clamped" : "");
  }
  // Two corrections of one operation are joined.
  p.ClearFlag();
  p.ClampWithWarning(5, 0, 1, "first");
  p.ClampWithWarning(-5, 0, 1, "second");
  EXPECT_EQ(p.Warnings(), "first\rsecond");
}

TEST_F(ProjectionFrameworkTest, OutputNormalisation) {
  struct Case {
    double Lon, Lat, ExpectedLon, ExpectedLat;
  } cases[] = {
      {0.5, -0.5, 0.5, -0.5},
      {kPi, kPi / 2, kPi, kPi / 2},           // the bounds stay
      {4.0, 2.0, 4.0 - 2 * kPi, kPi / 2},     // wrapped once, latitude clamped
      {-4.0, -2.0, -4.0 + 2 * kPi, -kPi / 2}, // wrapped once the other way
      {10.0, 0.1, kPi, 0.1},                  // still above π after the wrap
      {-10.0, 0.1, -kPi, 0.1},                // still below -π after the wrap
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(GisFloatToStr(c.Lon) + " " + GisFloatToStr(c.Lat));
    double lon = c.Lon, lat = c.Lat;
    TestProjection::NormalizeOutput(lon, lat);
    EXPECT_DOUBLE_EQ(lon, c.ExpectedLon);
    EXPECT_EQ(lat, c.ExpectedLat);
  }
}

TEST_F(ProjectionFrameworkTest, EqualAreaRadiusAndConformalFunction) {
  TestProjection p; // WGS 84
  // The radius of the sphere of equal area in closed form.
  const double a = 6378137.0, e2 = 0.006694379990141316, e = std::sqrt(e2);
  const double exact = a * std::sqrt((1 + (1 - e2) / (2 * e) * std::log((1 + e) / (1 - e))) / 2);
  EXPECT_NEAR(static_cast<double>(p.EqualAreaRadius()), exact, 1e-3);
  // t(φ) through the ellipsoidal Mercator northing y = -a ln t(φ).
  for (const oracle::MercatorRow& row : oracle::kMercator) {
    SCOPED_TRACE(GisFloatToStr(row.Lat));
    const long double t = p.ConformalT(row.Lat * kDeg);
    EXPECT_NEAR(static_cast<double>(-a * std::log(t)), row.Y, 1e-5);
  }
  // On a sphere it is tan(π/4 - φ/2).
  ASSERT_NE(GisEllipsoidList().AddEllipsoid("SPH", "Sphere", 0, 6370997), nullptr);
  GisDatumList().AddDatum(gisDatumWGS84, "SPHD", "Sphere", "SPH", {});
  p.SetDatum(GisDatumList().FindDatum("SPHD"));
  EXPECT_EQ(p.EqualAreaRadius(), 6370997.0L);
  EXPECT_NEAR(static_cast<double>(p.ConformalT(0.6)), std::tan(kPi / 4 - 0.3), 1e-15);
}

TEST_F(ProjectionFrameworkTest, ReRegisteringACodeFreesTheOldInstance) {
  TGIS_ProjectionList list;
  int destroyed = 0;
  auto first = std::make_unique<TestProjection>();
  first->OnDestroy = [&] { ++destroyed; };
  TestProjection* firstPtr = first.get();
  EXPECT_EQ(list.AddProjection(std::move(first)), firstPtr);
  EXPECT_EQ(list.FindProjection("tst"), firstPtr);
  auto second = std::make_unique<TestProjection>();
  TestProjection* secondPtr = second.get();
  list.AddProjection(std::move(second));
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(list.FindProjection("TST"), secondPtr);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.AddProjection(nullptr), nullptr);
}

TEST_F(ProjectionFrameworkTest, GedIsTheIdentity) {
  TGIS_ProjectionAbstract* ged = GisProjectionList().FindProjection("GED");
  ASSERT_NE(ged, nullptr);
  EXPECT_EQ(ged->GetParameterMask(), 0);
  for (const TGIS_Point3D& in : {Pt(0.1, 0.2, 3, 9), Pt(17, -5, 0, 9), Pt(-1e6, 1e6, -2, 9)}) {
    TGIS_Point3D out = Pt(0, 0, 0, 1);
    ged->Project(in, out);
    EXPECT_EQ(out.X, in.X);
    EXPECT_EQ(out.Y, in.Y);
    EXPECT_EQ(out.Z, in.Z);
    EXPECT_EQ(out.M, 1);
    ged->Unproject(in, out);
    EXPECT_EQ(out.X, in.X);
    EXPECT_EQ(out.Y, in.Y);
    EXPECT_EQ(out.Z, in.Z);
  }
  EXPECT_EQ(ged->Warnings(), "");
}

TEST_F(ProjectionFrameworkTest, GecAgreesWithProj) {
  TGIS_ProjectionAbstract* gec = GisProjectionList().FindProjection("GEC");
  ASSERT_NE(gec, nullptr);
  EXPECT_EQ(gec->Datum()->Code, "WGE");
  EXPECT_EQ(gec->Ellipsoid()->Code, "WE");
  for (const oracle::CartRow& row : oracle::kCart) {
    SCOPED_TRACE(Numbers({row.Lon, row.Lat, row.H}));
    TGIS_Point3D p = Deg(row.Lon, row.Lat, row.H);
    gec->Project(p, p);
    EXPECT_NEAR(p.X, row.X, 1e-3);
    EXPECT_NEAR(p.Y, row.Y, 1e-3);
    EXPECT_NEAR(p.Z, row.Z, 1e-3);
    TGIS_Point3D q = Pt(row.X, row.Y, row.Z);
    gec->Unproject(q, q);
    EXPECT_NEAR(q.Y, row.InvLat * kDeg, 1e-9);
    if (std::abs(row.Lat) != 90) {
      EXPECT_NEAR(q.X, row.InvLon * kDeg, 1e-9);
    }
    EXPECT_NEAR(q.Z, row.InvH, 1e-2);
  }
  TGIS_Point3D out;
  EXPECT_EQ(ExpectGisError([&] { gec->Project(Pt(3.2, 0), out); }).ErrorNumber(), 21);
}

TEST_F(ProjectionFrameworkTest, ViewerScaleThroughGec) {
  // The viewer projects two points 10 pixels apart at its centre and takes
  // their distance as the width of 10 pixels.
  TGIS_ProjectionAbstract* gec = GisProjectionList().FindProjection("GEC");
  ASSERT_NE(gec, nullptr);
  for (const oracle::ScaleRow& row : oracle::kScale) {
    SCOPED_TRACE(Numbers({row.Lon, row.Lat, row.Pixel}));
    TGIS_Point3D a = Deg(row.Lon, row.Lat), b = Deg(row.Lon + 10 * row.Pixel, row.Lat);
    gec->Project(a, a);
    gec->Project(b, b);
    const double ours = std::hypot(a.X - b.X, a.Y - b.Y, a.Z - b.Z);
    const double proj = std::hypot(row.X1 - row.X2, row.Y1 - row.Y2, row.Z1 - row.Z2);
    EXPECT_NEAR(ours, proj, 2e-6 + proj * 1e-9);
  }
}

TEST_F(ProjectionFrameworkTest, CopiesOnAnotherDatumProjectAlike) {
  TGIS_ProjectionAbstract* gec = GisProjectionList().FindProjection("GEC");
  gec->SetDatum(GisDatumList().FindDatum("EUR-M"));
  EXPECT_EQ(gec->Ellipsoid()->Code, "IN");
  std::unique_ptr<TGIS_ProjectionAbstract> copy = gec->CreateCopy();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), gec);
  EXPECT_EQ(copy->GetCode(), "GEC");
  EXPECT_EQ(copy->Datum(), gec->Datum());
  EXPECT_EQ(copy->Ellipsoid(), gec->Ellipsoid());
  for (const TGIS_Point3D& in : {Deg(10, 45, 100), Deg(-170, -80, 0), Deg(0, 0, -500)}) {
    TGIS_Point3D a, b;
    gec->Project(in, a);
    copy->Project(in, b);
    EXPECT_TRUE(SameBytes(a, b));
  }

  // Every parameter and the zone go over to the copy.
  TestProjection t;
  t.SetDatum(GisDatumList().FindDatum("OGB-7"));
  TGIS_ProjectionSetUp s = AllParameters();
  t.SetUp(s);
  std::unique_ptr<TGIS_ProjectionAbstract> tc = t.CreateCopy();
  EXPECT_EQ(tc->Datum()->Code, "OGB-7");
  EXPECT_EQ(tc->Ellipsoid()->Code, "AA");
  ExpectSameParameters(tc->Parameters(), t.Parameters());
  EXPECT_EQ(static_cast<TestProjection*>(tc.get())->ExtraState, t.ExtraState);
}

TEST_F(ProjectionFrameworkTest, DatumWithUnlistedEllipsoidRaises0200) {
  TGIS_Datum* d = GisDatumList().AddDatum(gisDatumThreeParameter, "ODD", "odd", "ZZ",
                                          {0, 0, 0, 0, 0, 0, -90, 90, -180, 180});
  TestProjection p;
  EGIS_Exception e = ExpectGisError([&] { p.SetDatum(d); });
  EXPECT_EQ(e.Message(), "0200 Ellipsoid \"ZZ\" not found");
  EXPECT_EQ(e.ErrorNumber(), 20);
  p.SetDatum(GisDatumList().FindDatum("EUR-M"));
  p.SetDatum(nullptr); // ignored
  EXPECT_EQ(p.Datum()->Code, "EUR-M");
  EXPECT_EQ(p.Ellipsoid()->Code, "IN");
}

TEST_F(ProjectionFrameworkTest, ReplacedDatumsStayUsableByProjections) {
  // A layer file may define a datum under a listed code only through
  // AddDatum; projections holding the old one keep working.
  TGIS_ProjectionAbstract* gec = GisProjectionList().FindProjection("GEC");
  TGIS_Datum* old = GisDatumList().FindDatum("EUR-M");
  gec->SetDatum(old);
  TGIS_Datum* replacement = GisDatumList().AddDatum(gisDatumThreeParameter, "eur-m", "new", "WE",
                                                    {0, 0, 0, 0, 0, 0, -90, 90, -180, 180});
  EXPECT_NE(replacement, old);
  EXPECT_EQ(GisDatumList().FindDatum("EUR-M"), replacement);
  EXPECT_EQ(GisDatumList().Count(), 227);
  EXPECT_EQ(gec->Datum(), old);
  EXPECT_EQ(old->Description, "EUROPEAN 1950, Mean (3 Param)");
  TGIS_Point3D p = Deg(13, 52);
  old->ToWGS84(p, p);
  gec->Project(p, p);
  EXPECT_GT(p.X, 0);
}

} // namespace
