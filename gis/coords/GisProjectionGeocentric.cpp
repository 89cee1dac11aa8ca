#include "gis/coords/GisProjectionGeocentric.h"

#include "gis/coords/GisEllipsoid.h"

void TGIS_ProjectionGeocentric::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  Ellipsoid()->GeodeticToGeocentric(input, output);
}

void TGIS_ProjectionGeocentric::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  Ellipsoid()->GeocentricToGeodetic(input, output);
}
