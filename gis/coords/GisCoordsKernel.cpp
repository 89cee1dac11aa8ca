#include "gis/coords/GisCoordsKernel.h"

#include "gis/coords/GisEllipsoid.h"

#include <cmath>

namespace gis_coords {

void RaiseGis(const std::string& message, const std::string& text, int value) {
  throw EGIS_Exception(message, text, value);
}

std::string FloatText(double value) {
  return GisFloatToStr(value);
}

void CheckFinite(const TGIS_Point3D& point) {
  for (const double v : {point.X, point.Y, point.Z})
    if (!std::isfinite(v)) RaiseGis(GIS_RS_ERR_COORIDINATE_INVALID, FloatText(v));
}

TGIS_Ellipsoid& WGS84Ellipsoid() {
  TGIS_Ellipsoid* e = GisWGS84Ellipsoid();
  if (!e) RaiseGis(GIS_RS_ERR_ELLIPSOID_NOEXIST, "WE");
  return *e;
}

TGIS_Ellipsoid& WGS72Ellipsoid() {
  TGIS_Ellipsoid* e = GisWGS72Ellipsoid();
  if (!e) RaiseGis(GIS_RS_ERR_ELLIPSOID_NOEXIST, "WD");
  return *e;
}

} // namespace gis_coords
