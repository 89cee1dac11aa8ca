// The projection classes against PROJ over grids of points on two
// ellipsoids: forward within each case's tolerance in metres, and PROJ's
// outputs unprojected to PROJ's own inverse of them within its tolerance in
// radians (of arc on the ground).
#include "CoordsTestSupport.h"
#include "ProjectionOracleData.h"

using namespace coords_test;

namespace {

class ProjectionOracleTest : public CoordsTest {
protected:
  void SetUp() override {
    CoordsTest::SetUp();
    // For the projections PROJ has only on the sphere: an ellipsoid of
    // inverse flattening 1e10 beside PROJ's sphere of the same axis.
    ASSERT_NE(GisEllipsoidList().AddEllipsoid("NS", "Near sphere", 1e10L, 6378137.0L), nullptr);
    GisDatumList().AddDatum(gisDatumWGS84, "NSPH", "Near sphere", "NS", {});
  }
};

std::unique_ptr<TGIS_ProjectionAbstract> MakeProjection(const projection_oracle::Case& c) {
  TGIS_ProjectionAbstract* registered = GisProjectionList().FindProjection(c.Code);
  if (!registered) return nullptr;
  std::unique_ptr<TGIS_ProjectionAbstract> p = registered->Create();
  p->SetDatum(GisDatumList().FindDatum(c.Datum));
  TGIS_ProjectionSetUp s = p->Parameters();
  s.CentralMeridian = c.CentralMeridian * kDeg;
  s.OriginLatitude = c.OriginLatitude * kDeg;
  s.FalseEasting = c.FalseEasting;
  s.FalseNorthing = c.FalseNorthing;
  s.StandardParallel1 = c.StandardParallel1 * kDeg;
  s.StandardParallel2 = c.StandardParallel2 * kDeg;
  s.ScaleFactor = c.ScaleFactor;
  s.Zone = c.Zone;
  s.Azimuth = c.Azimuth * kDeg;
  s.LongitudeOfPoint1 = c.LongitudeOfPoint1 * kDeg;
  s.LatitudeOfPoint1 = c.LatitudeOfPoint1 * kDeg;
  s.LongitudeOfPoint2 = c.LongitudeOfPoint2 * kDeg;
  s.LatitudeOfPoint2 = c.LatitudeOfPoint2 * kDeg;
  p->SetUp(s);
  return p;
}

/// The difference of two longitudes brought into [-π, π] and scaled to the
/// parallel of `latitude`, so that it measures a distance on the ground like
/// the latitude difference (a longitude near the pole is loosely defined).
double LongitudeDifference(double a, double b, double latitude) {
  return std::remainder(a - b, 2 * kPi) * std::cos(latitude);
}

TEST_F(ProjectionOracleTest, AgreesWithProjOverGrids) {
  for (const projection_oracle::Case& c : projection_oracle::kCases) {
    SCOPED_TRACE(std::string(c.Name) + ": " + c.Pipeline);
    std::unique_ptr<TGIS_ProjectionAbstract> p = MakeProjection(c);
    ASSERT_NE(p, nullptr);
    ASSERT_GT(c.Count, 0);
    // The grid leaves Z alone; Robinson's forward does too.
    const bool keepsZ = std::string(c.Code) != "NZMG";
    const bool forwardKeepsZ = keepsZ && std::string(c.Code) != "ROB";
    double worstMetres = 0, worstRadians = 0;
    for (int i = c.First; i < c.First + c.Count; ++i) {
      const projection_oracle::Point& q = projection_oracle::kPoints[i];
      SCOPED_TRACE(Numbers({q.Lon, q.Lat}));
      TGIS_Point3D out = Pt(0, 0);
      ASSERT_NO_THROW(p->Project(Deg(q.Lon, q.Lat, 12.5), out));
      EXPECT_NEAR(out.X, q.X, c.ToleranceMetres);
      EXPECT_NEAR(out.Y, q.Y, c.ToleranceMetres);
      if (forwardKeepsZ) {
        EXPECT_EQ(out.Z, 12.5);
      }
      worstMetres = std::max({worstMetres, std::abs(out.X - q.X), std::abs(out.Y - q.Y)});

      if (!q.Inverse) continue;
      TGIS_Point3D back = Pt(0, 0);
      ASSERT_NO_THROW(p->Unproject(Pt(q.X, q.Y, 7.0), back));
      const double dLon = LongitudeDifference(back.X, q.InvLon * kDeg, q.InvLat * kDeg);
      EXPECT_NEAR(dLon, 0, c.ToleranceRadians);
      EXPECT_NEAR(back.Y, q.InvLat * kDeg, c.ToleranceRadians);
      if (keepsZ) {
        EXPECT_EQ(back.Z, 7.0);
      }
      worstRadians = std::max({worstRadians, std::abs(dLon), std::abs(back.Y - q.InvLat * kDeg)});
    }
    RecordProperty(std::string(c.Name) + " worst", Numbers({worstMetres, worstRadians}));
  }
}

} // namespace
