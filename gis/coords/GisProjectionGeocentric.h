// GEC: geocentric coordinates, unprojected (part of the GisProjections
// module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// Geodetic (longitude, latitude, height) to earth-centred X, Y, Z in metres
/// on the projection's ellipsoid and back. Project raises 0210 / 0211 for a
/// latitude or longitude out of range. The viewer measures the map scale of
/// angular views with it.
class TGIS_ProjectionGeocentric : public TGIS_RegisteredProjection<TGIS_ProjectionGeocentric> {
public:
  static constexpr const char* kCode = "GEC";

  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;
};
