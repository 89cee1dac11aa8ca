// SIN: the sinusoidal projection on the ellipsoid (part of the GisProjections module; see
// GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionCylindrical.h"
#include "gis/coords/GisProjectionMeridianSeries.h"
#include "gis/coords/GisProjectionRegistered.h"

/// Sinusoidal; its accepted eastings are fixed numbers.
class TGIS_ProjectionSinusoid : public TGIS_RegisteredProjection<TGIS_ProjectionSinusoid> {
public:
  static constexpr const char* kCode = "SIN";

  TGIS_ProjectionSinusoid();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  TGIS_MeridianSeries series_;
  TGIS_EastingLimits limits_{-20037509, 20037509};
};
