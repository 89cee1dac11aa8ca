// WA4: the Wagner IV projection (part of the GisProjections module; see GisProjections.h for the
// map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"
#include "gis/coords/GisProjectionWorldSphere.h"

/// the Wagner IV projection on the sphere of equal area.
class TGIS_ProjectionWagner4
    : public TGIS_RegisteredProjection<TGIS_ProjectionWagner4, TGIS_ProjectionWorldSphere> {
public:
  static constexpr const char* kCode = "WA4";

  TGIS_ProjectionWagner4();

protected:
  void Forward(double deltaLongitude, double latitude, double& x, double& y) const override;
  void Inverse(double x, double y, double& deltaLongitude, double& latitude) const override;
};
