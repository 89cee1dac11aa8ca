#include "gis/coords/GisProjectionGeocentric.h"

#include "gis/coords/GisEllipsoid.h"
#include "gis/coords/GisProjectionTable.h"

namespace {

constexpr const char* kCode = "GEC";

} // namespace

std::string TGIS_ProjectionGeocentric::GetCode() const {
  return kCode;
}

std::string TGIS_ProjectionGeocentric::GetDescription() const {
  return GisFindProjectionRow(kCode)->Description;
}

std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionGeocentric::Create() const {
  return std::make_unique<TGIS_ProjectionGeocentric>();
}

void TGIS_ProjectionGeocentric::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  Ellipsoid()->GeodeticToGeocentric(input, output);
}

void TGIS_ProjectionGeocentric::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  Ellipsoid()->GeocentricToGeodetic(input, output);
}
