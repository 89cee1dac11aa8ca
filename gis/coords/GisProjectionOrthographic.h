// ORT: the orthographic projection on the sphere of equal area (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// Any aspect; OriginLatitude is the latitude of the centre. The far
/// hemisphere is projected as well.
class TGIS_ProjectionOrthographic : public TGIS_RegisteredProjection<TGIS_ProjectionOrthographic> {
public:
  static constexpr const char* kCode = "ORT";

  TGIS_ProjectionOrthographic();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  long double r_ = 0;
  long double cosPhi0_ = 1;
  long double sinPhi0_ = 0;
};
