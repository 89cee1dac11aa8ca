// CEA: the cylindrical equal-area projection on the ellipsoid (part of the GisProjections module; see GisProjections.h for the
// map of the module).
#pragma once

#include "gis/coords/GisProjectionCylindrical.h"

/// Normal-aspect cylindrical equal-area; OriginLatitude is the standard parallel.
class TGIS_ProjectionCEA : public TGIS_ProjectionAbstract {
public:
  TGIS_ProjectionCEA();

  std::string GetCode() const override;
  std::string GetDescription() const override;
  TGIS_ProjectionParameters GetParameterMask() const override;
  void UpdateConstants() override;
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override;
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
