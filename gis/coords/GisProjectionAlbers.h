// ALB: the Albers equal-area conic projection on the ellipsoid (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionAbstract.h"

/// One or two standard parallels; raises 0235 when they give no cone (n = 0).
class TGIS_ProjectionAlbers : public TGIS_ProjectionAbstract {
public:
  TGIS_ProjectionAlbers();

  std::string GetCode() const override;
  std::string GetDescription() const override;
  TGIS_ProjectionParameters GetParameterMask() const override;
  void UpdateConstants() override;
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The authalic function q(φ).
  long double Q(long double latitude) const;
  /// The latitude of the authalic function value `q`.
  double LatitudeOfQ(double q) const;

  long double c_ = 0;    // m1² + n·q1
  long double rho0_ = 0; // radius of the origin parallel
  long double n_ = 0;    // cone constant
  long double oneMinusE2_ = 0;
  long double twoE_ = 0;
};
