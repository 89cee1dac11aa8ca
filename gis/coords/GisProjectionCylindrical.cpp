#include "gis/coords/GisProjectionCylindrical.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kOneDegree = 0.017453292519943295;

double EastingAt(TGIS_ProjectionAbstract& projection, double longitude, double latitude) {
  TGIS_Point3D p{longitude, latitude, 0, 0};
  projection.Project(p, p);
  return p.X - projection.FalseEasting;
}

} // namespace

TGIS_EastingLimits GisMeasureEastingLimits(TGIS_ProjectionAbstract& projection, double latitude) {
  const double cm = projection.CentralMeridian;
  TGIS_EastingLimits limits;
  if (cm > 0) {
    limits.East = EastingAt(projection, cm - std::numbers::pi - kOneDegree, latitude);
    limits.West = EastingAt(projection, cm - std::numbers::pi, latitude);
  } else if (cm == 0) {
    limits.East = EastingAt(projection, std::numbers::pi, latitude);
    limits.West = -limits.East;
  } else {
    limits.East = EastingAt(projection, cm + std::numbers::pi, latitude);
    limits.West = EastingAt(projection, cm + std::numbers::pi + kOneDegree, latitude);
  }
  return limits;
}

TGIS_NorthingLimits GisMeasureNorthingLimits(TGIS_ProjectionAbstract& projection, double latitude) {
  const double cm = projection.CentralMeridian;
  const double edge = cm > 0 ? cm - std::numbers::pi : cm < 0 ? cm + std::numbers::pi : std::numbers::pi;
  TGIS_Point3D north{edge, latitude, 0, 0};
  projection.Project(north, north);
  TGIS_Point3D south{edge, -latitude, 0, 0};
  projection.Project(south, south);
  return {south.Y - projection.FalseNorthing, north.Y - projection.FalseNorthing};
}

TGIS_EastingLimits GisFixedEastingLimits(double centralMeridian, double full, double reduced) {
  if (centralMeridian > 0) return {-full, reduced};
  if (centralMeridian < 0) return {-reduced, full};
  return {-full, full};
}

double GisCheckEastingLimits(TGIS_ProjectionAbstract& projection, double easting,
                             const TGIS_EastingLimits& limits) {
  const double low = projection.FalseEasting + limits.West;
  const double high = projection.FalseEasting + limits.East;
  if (easting < low) {
    projection.AddWarning(GIS_RS_ERR_EASTING_FIXED);
    return low;
  }
  if (easting > high) {
    projection.AddWarning(GIS_RS_ERR_EASTING_FIXED);
    return high;
  }
  return easting;
}

double GisCheckNorthingOrOrigin(TGIS_ProjectionAbstract& projection, double northing,
                                double range) {
  const double fn = projection.FalseNorthing;
  if (northing < fn - std::abs(range) || northing > fn + std::abs(range)) {
    projection.AddWarning(GIS_RS_ERR_NORTHING_FIXED);
    return fn;
  }
  return northing;
}
