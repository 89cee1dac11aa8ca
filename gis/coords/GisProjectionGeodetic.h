// GED: geodetic coordinates, unprojected (part of the GisProjections module;
// see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// The identity: map coordinates stay longitude and latitude in radians.
class TGIS_ProjectionGeodetic : public TGIS_RegisteredProjection<TGIS_ProjectionGeodetic> {
public:
  static constexpr const char* kCode = "GED";

  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;
};
