// MER: the Mercator projection on the ellipsoid (part of the GisProjections
// module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// Normal-aspect Mercator; OriginLatitude is the latitude of true scale,
/// from which UpdateConstants derives ScaleFactor.
class TGIS_ProjectionMercator : public TGIS_RegisteredProjection<TGIS_ProjectionMercator> {
public:
  static constexpr const char* kCode = "MER";

  TGIS_ProjectionMercator();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  // The series of the latitude from the conformal latitude.
  long double a2_ = 0;
  long double a4_ = 0;
  long double a6_ = 0;
  long double a8_ = 0;
};
