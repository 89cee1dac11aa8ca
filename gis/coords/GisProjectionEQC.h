// EQC: the equidistant cylindrical projection on the sphere of equal area (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionCylindrical.h"
#include "gis/coords/GisProjectionRegistered.h"

/// Equidistant cylindrical; OriginLatitude is the standard parallel.
class TGIS_ProjectionEQC : public TGIS_RegisteredProjection<TGIS_ProjectionEQC> {
public:
  static constexpr const char* kCode = "EQC";

  TGIS_ProjectionEQC();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  long double r_ = 0; // radius of the sphere of equal area
  long double rCosPhi1_ = 0;
  TGIS_EastingLimits limits_{-20015110, 20015110};
};
