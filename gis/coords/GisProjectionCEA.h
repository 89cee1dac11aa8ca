// CEA: the cylindrical equal-area projection on the ellipsoid (part of the GisProjections module;
// see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionCylindrical.h"
#include "gis/coords/GisProjectionRegistered.h"

/// Normal-aspect cylindrical equal-area; OriginLatitude is the standard parallel.
class TGIS_ProjectionCEA : public TGIS_RegisteredProjection<TGIS_ProjectionCEA> {
public:
  static constexpr const char* kCode = "CEA";

  TGIS_ProjectionCEA();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The authalic function q(φ).
  double Q(double latitude) const;

  long double ak0_ = 0;
  long double twoK0_ = 0;
  long double c2_ = 0;
  long double c4_ = 0;
  long double c6_ = 0;
  TGIS_EastingLimits limits_{-20037509, 20037509};
};
