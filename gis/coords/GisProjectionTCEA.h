// TCE: the transverse cylindrical equal-area projection on the ellipsoid (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionCylindrical.h"
#include "gis/coords/GisProjectionMeridianSeries.h"
#include "gis/coords/GisProjectionRegistered.h"

/// Transverse cylindrical equal-area; raises 0235 for a scale factor that is not positive.
class TGIS_ProjectionTCEA : public TGIS_RegisteredProjection<TGIS_ProjectionTCEA> {
public:
  static constexpr const char* kCode = "TCE";

  TGIS_ProjectionTCEA();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The authalic function q(φ).
  double Q(double latitude) const;
  /// The authalic latitude of a latitude (ratio clamped).
  double AuthalicLatitude(double latitude) const;
  /// The latitude of an authalic latitude.
  double LatitudeOfAuthalic(double beta) const;

  TGIS_MeridianSeries series_;
  long double m0_ = 0; // meridian distance of the origin latitude
  long double qp_ = 1;
  long double c2_ = 0;
  long double c4_ = 0;
  long double c6_ = 0;
  TGIS_EastingLimits limits_{-6398628, 6398628};
  double northLimit_ = 20003931;
  double southLimit_ = -20003931;
};
