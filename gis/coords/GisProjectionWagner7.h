// WA7: the Wagner VII projection (part of the GisProjections module; see GisProjections.h for the
// map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"
#include "gis/coords/GisProjectionWorldSphere.h"

/// the Wagner VII projection on the sphere of equal area.
class TGIS_ProjectionWagner7
    : public TGIS_RegisteredProjection<TGIS_ProjectionWagner7, TGIS_ProjectionWorldSphere> {
public:
  static constexpr const char* kCode = "WA7";

  TGIS_ProjectionWagner7();

protected:
  void Forward(double deltaLongitude, double latitude, double& x, double& y) const override;
  void Inverse(double x, double y, double& deltaLongitude, double& latitude) const override;
};
