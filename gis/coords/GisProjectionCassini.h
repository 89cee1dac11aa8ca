// CAS: the Cassini-Soldner projection on the ellipsoid (part of the GisProjections module; see
// GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionCylindrical.h"
#include "gis/coords/GisProjectionMeridianSeries.h"
#include "gis/coords/GisProjectionRegistered.h"

/// Cassini-Soldner; the inverse warns beyond 4° from the central meridian.
class TGIS_ProjectionCassini : public TGIS_RegisteredProjection<TGIS_ProjectionCassini> {
public:
  static constexpr const char* kCode = "CAS";

  TGIS_ProjectionCassini();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  TGIS_MeridianSeries series_;
  long double m0_ = 0; // meridian distance of the origin latitude
  TGIS_EastingLimits limits_{-20037508.4, 20037508.4};
  double northLimit_ = 56575846;
  double southLimit_ = -56575846;
};
