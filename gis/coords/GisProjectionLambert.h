// LAM: the Lambert conformal conic projection on the ellipsoid (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionConic.h"
#include "gis/coords/GisProjectionMeridianSeries.h"
#include "gis/coords/GisProjectionRegistered.h"

/// One or two standard parallels; raises 0235 when they give no cone (n = 0)
/// and for the pole opposite the cone's apex.
class TGIS_ProjectionLambert
    : public TGIS_RegisteredProjection<TGIS_ProjectionLambert, TGIS_ProjectionConic> {
public:
  static constexpr const char* kCode = "LAM";

  TGIS_ProjectionLambert();
  void UpdateConstants() override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  long double aF_ = 0;
  TGIS_ConformalSeries series_; // where the inverse's iteration starts
};
