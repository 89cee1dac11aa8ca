// EC6: the Eckert VI projection (part of the GisProjections module; see GisProjections.h for the
// map of the module).
#pragma once

#include "gis/coords/GisProjectionWorldSphere.h"

/// the Eckert VI projection on the sphere of equal area.
class TGIS_ProjectionEckert6 : public TGIS_ProjectionWorldSphere {
public:
  TGIS_ProjectionEckert6();

  std::string GetCode() const override;
  std::string GetDescription() const override;
  TGIS_ProjectionParameters GetParameterMask() const override;
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override;

protected:
  void Forward(double deltaLongitude, double latitude, double& x, double& y) const override;
  void Inverse(double x, double y, double& deltaLongitude, double& latitude) const override;
};
