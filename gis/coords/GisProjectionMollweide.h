// MOL: the Mollweide projection (part of the GisProjections module; see GisProjections.h for the
// map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"
#include "gis/coords/GisProjectionWorldSphere.h"

/// the Mollweide projection on the sphere of equal area.
class TGIS_ProjectionMollweide
    : public TGIS_RegisteredProjection<TGIS_ProjectionMollweide, TGIS_ProjectionWorldSphere> {
public:
  static constexpr const char* kCode = "MOL";

  TGIS_ProjectionMollweide();

protected:
  void Forward(double deltaLongitude, double latitude, double& x, double& y) const override;
  void Inverse(double x, double y, double& deltaLongitude, double& latitude) const override;
};
