// PLC: the American polyconic projection on the ellipsoid (part of the GisProjections module; see
// GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionCylindrical.h"
#include "gis/coords/GisProjectionMeridianSeries.h"
#include "gis/coords/GisProjectionRegistered.h"

/// Polyconic; its accepted eastings and northings are limits from the false origin.
class TGIS_ProjectionPolyconic : public TGIS_RegisteredProjection<TGIS_ProjectionPolyconic> {
public:
  static constexpr const char* kCode = "PLC";

  TGIS_ProjectionPolyconic();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The latitude of a point off the equator, by Newton steps; `c` gets
  /// √(1 − e² sin²φ)·tan φ of the last step.
  double InverseLatitude(double x, double y, double& c) const;

  TGIS_MeridianSeries series_;
  TGIS_EastingLimits limits_{-20037509, 20037509};
  double northLimit_ = 15348215;
  double southLimit_ = -15348215;
  long double ml0_ = 0; // meridian distance of the origin latitude
  // Double copies for the per-point work.
  double pointA_ = 0, pointE2_ = 0, pointMl0_ = 0;
};
