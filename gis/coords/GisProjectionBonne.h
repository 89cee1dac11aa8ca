// BON: the Bonne projection on the ellipsoid (part of the GisProjections module; see GisProjections.h for the
// map of the module).
#pragma once

#include "gis/coords/GisProjectionAbstract.h"
#include "gis/coords/GisProjectionMeridianSeries.h"

/// Bonne; OriginLatitude is the standard parallel.
class TGIS_ProjectionBonne : public TGIS_ProjectionAbstract {
public:
  TGIS_ProjectionBonne();

  std::string GetCode() const override;
  std::string GetDescription() const override;
  TGIS_ProjectionParameters GetParameterMask() const override;
  void UpdateConstants() override;
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// m(φ) = cos φ / √(1 − e² sin²φ).
  double M(double latitude) const;

  TGIS_MeridianSeries series_;
  long double am1_ = 0; // a·m(φ1)/sin φ1
  long double m1_ = 0;  // meridian distance of the standard parallel
};
