// ALB: the Albers equal-area conic projection on the ellipsoid (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionConic.h"
#include "gis/coords/GisProjectionRegistered.h"

/// One or two standard parallels; raises 0235 when they give no cone (n = 0).
class TGIS_ProjectionAlbers
    : public TGIS_RegisteredProjection<TGIS_ProjectionAlbers, TGIS_ProjectionConic> {
public:
  static constexpr const char* kCode = "ALB";

  TGIS_ProjectionAlbers();
  void UpdateConstants() override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The authalic function q(φ).
  long double Q(long double latitude) const;
  /// q(φ) in double from the double copies, for the per-point work.
  double PointQ(double latitude) const;
  /// The latitude of the authalic function value `q`.
  double LatitudeOfQ(double q) const;

  long double c_ = 0; // m1² + n·q1
  long double oneMinusE2_ = 0;
  long double twoE_ = 0;
  // Double copies for the per-point work.
  double pointE_ = 0, pointOneMinusE2_ = 1, pointTwoE_ = 0, pointN_ = 0, pointC_ = 0, pointA_ = 0;
};
