// EC4: the Eckert IV projection (part of the GisProjections module; see GisProjections.h for the
// map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"
#include "gis/coords/GisProjectionWorldSphere.h"

/// the Eckert IV projection on the sphere of equal area.
class TGIS_ProjectionEckert4
    : public TGIS_RegisteredProjection<TGIS_ProjectionEckert4, TGIS_ProjectionWorldSphere> {
public:
  static constexpr const char* kCode = "EC4";

  TGIS_ProjectionEckert4();

protected:
  void Forward(double deltaLongitude, double latitude, double& x, double& y) const override;
  void Inverse(double x, double y, double& deltaLongitude, double& latitude) const override;
};
