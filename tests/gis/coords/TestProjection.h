// A projection for the framework tests: it uses every parameter, follows the
// shared input checks, and reports what it saw.
#pragma once

#include "CoordsTestSupport.h"

#include <functional>
#include <stdexcept>

namespace coords_test {

class TestProjection : public TGIS_ProjectionAbstract {
public:
  TestProjection() { UpdateConstants(); }
  ~TestProjection() override {
    if (OnDestroy) OnDestroy();
  }

  std::string GetCode() const override { return "TST"; }
  std::string GetDescription() const override { return "Test projection"; }
  TGIS_ProjectionParameters GetParameterMask() const override { return 0x0EFF; }
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override {
    return std::make_unique<TestProjection>();
  }

  void UpdateConstants() override {
    TGIS_ProjectionAbstract::UpdateConstants();
    EastingRange = 100;
    NorthingRange = 100;
  }

  void SetUp(const TGIS_ProjectionSetUp& parameters) override {
    ClearWarningFlag();
    TGIS_ProjectionAbstract::SetUp(parameters);
    if (FailSetUp) throw std::runtime_error("set-up refused");
    TGIS_ProjectionSetUp p = parameters;
    p.OriginLatitude = FixOriginLatitude(p.OriginLatitude);
    p.CentralMeridian = FixCentralMeridian(p.CentralMeridian, std::numbers::pi);
    StoreParameters(p);
    UpdateConstants();
  }

  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override {
    LastForward = CheckForwardInput(input, std::numbers::pi / 2);
    output.X = LastForward.DeltaLongitude;
    output.Y = LastForward.Latitude;
    output.Z = LastForward.Height;
  }

  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override {
    const InverseInput in = CheckInverseInput(input);
    output.X = in.Easting;
    output.Y = in.Northing;
    output.Z = in.Height;
  }

  void CopyExtraState(TGIS_ProjectionAbstract& target) const override {
    static_cast<TestProjection&>(target).ExtraState = ExtraState;
  }

  void ClearFlag() { ClearWarningFlag(); }

  // The helpers the projection classes share, opened for the tests.
  using TGIS_ProjectionAbstract::ClampWithWarning;
  using TGIS_ProjectionAbstract::ConformalT;
  using TGIS_ProjectionAbstract::EqualAreaRadius;
  using TGIS_ProjectionAbstract::NormalizeOutput;

  ForwardInput LastForward{};
  std::function<void()> OnDestroy;
  bool FailSetUp = false;
  int ExtraState = 42;
};

/// Every parameter set to a distinct value that no check corrects.
inline TGIS_ProjectionSetUp AllParameters() {
  TGIS_ProjectionSetUp s;
  s.CentralMeridian = 0.2617993877991494;
  s.OriginLatitude = -0.7853981633974483;
  s.FalseEasting = 500000.125;
  s.FalseNorthing = -10000000.5;
  s.StandardParallel1 = 0.5235987755982988;
  s.StandardParallel2 = 1.0471975511965976;
  s.ScaleFactor = 0.9996;
  s.LongitudeOfCenter = -1.2345678901234567;
  s.LatitudeOfCenter = 0.123456789012345;
  s.Azimuth = 2.9;
  s.LongitudeOfPoint1 = -0.1;
  s.LatitudeOfPoint1 = 0.7;
  s.LongitudeOfPoint2 = 0.3333333333333333;
  s.LatitudeOfPoint2 = -1.4142135623730951;
  s.Zone = -33;
  return s;
}

/// Compares two parameter sets, each double to `relative` (0: exactly).
inline void ExpectSameParameters(const TGIS_ProjectionSetUp& a, const TGIS_ProjectionSetUp& b,
                                 double relative = 0) {
  auto near = [&](double x, double y, const char* name) {
    EXPECT_NEAR(x, y, std::abs(y) * relative) << name;
  };
  near(a.CentralMeridian, b.CentralMeridian, "CentralMeridian");
  near(a.OriginLatitude, b.OriginLatitude, "OriginLatitude");
  near(a.FalseEasting, b.FalseEasting, "FalseEasting");
  near(a.FalseNorthing, b.FalseNorthing, "FalseNorthing");
  near(a.StandardParallel1, b.StandardParallel1, "StandardParallel1");
  near(a.StandardParallel2, b.StandardParallel2, "StandardParallel2");
  near(a.ScaleFactor, b.ScaleFactor, "ScaleFactor");
  near(a.LongitudeOfCenter, b.LongitudeOfCenter, "LongitudeOfCenter");
  near(a.LatitudeOfCenter, b.LatitudeOfCenter, "LatitudeOfCenter");
  near(a.Azimuth, b.Azimuth, "Azimuth");
  near(a.LongitudeOfPoint1, b.LongitudeOfPoint1, "LongitudeOfPoint1");
  near(a.LatitudeOfPoint1, b.LatitudeOfPoint1, "LatitudeOfPoint1");
  near(a.LongitudeOfPoint2, b.LongitudeOfPoint2, "LongitudeOfPoint2");
  near(a.LatitudeOfPoint2, b.LatitudeOfPoint2, "LatitudeOfPoint2");
  EXPECT_EQ(a.Zone, b.Zone);
}

} // namespace coords_test
