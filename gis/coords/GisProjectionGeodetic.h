// GED: geodetic coordinates, unprojected (part of the GisProjections module;
// see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionAbstract.h"

/// The identity: map coordinates stay longitude and latitude in radians.
class TGIS_ProjectionGeodetic : public TGIS_ProjectionAbstract {
public:
  std::string GetCode() const override;
  std::string GetDescription() const override;
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;
};
