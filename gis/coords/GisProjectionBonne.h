// BON: the Bonne projection on the ellipsoid (part of the GisProjections module; see
// GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionMeridianSeries.h"
#include "gis/coords/GisProjectionRegistered.h"

/// Bonne; OriginLatitude is the standard parallel.
class TGIS_ProjectionBonne : public TGIS_RegisteredProjection<TGIS_ProjectionBonne> {
public:
  static constexpr const char* kCode = "BON";

  TGIS_ProjectionBonne();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  TGIS_MeridianSeries series_;
  long double am1_ = 0; // a·m(φ1)/sin φ1
  long double m1_ = 0;  // meridian distance of the standard parallel
};
