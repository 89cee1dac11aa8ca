// LAM: the Lambert conformal conic projection on the ellipsoid (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionAbstract.h"

/// One or two standard parallels; raises 0235 when they give no cone (n = 0)
/// and for the pole opposite the cone's apex.
class TGIS_ProjectionLambert : public TGIS_ProjectionAbstract {
public:
  TGIS_ProjectionLambert();

  std::string GetCode() const override;
  std::string GetDescription() const override;
  TGIS_ProjectionParameters GetParameterMask() const override;
  void UpdateConstants() override;
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The latitude of the conformal function value `t`.
  double LatitudeOfT(double t) const;

  long double rho0_ = 0; // radius of the origin parallel
  long double aF_ = 0;
  long double n_ = 0; // cone constant
};
