#include "gis/coords/GisEllipsoid.h"

#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisDatumTables.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPiD = std::numbers::pi;

// Toms' constants.
constexpr double kTomsFactor = 1.0026;
constexpr double kCos67p5 = 0.38268343236508977;

} // namespace

void TGIS_Ellipsoid::GeodeticToGeocentric(const TGIS_Point3D& input, TGIS_Point3D& output) const {
  const double lon = input.X;
  const double lat = input.Y;
  const double h = input.Z;
  if (!(lat >= -kPiD / 2 && lat <= kPiD / 2))
    gis_coords::RaiseGis(GIS_RS_ERR_LATITUDE_INVALID, gis_coords::FloatText(input.Y));
  if (!(lon >= -kPiD && lon <= kPiD))
    gis_coords::RaiseGis(GIS_RS_ERR_LONGITUDE_INVALID, gis_coords::FloatText(input.X));
  gis_coords::CheckFinite(input); // the height

  // Double precision is ample here (the result is a double), and keeps
  // the conversion fast for bulk use.
  const double a = static_cast<double>(SemiMajorAxis);
  const double e2 = static_cast<double>(EccentricitySq);
  const double sinLat = std::sin(lat);
  const double cosLat = std::cos(lat);
  const double n = a / std::sqrt(1 - e2 * sinLat * sinLat);
  const double x = (n + h) * cosLat * std::cos(lon);
  const double y = (n + h) * cosLat * std::sin(lon);
  const double z = (n * (1 - e2) + h) * sinLat;
  output.X = x;
  output.Y = y;
  output.Z = z;
}

void TGIS_Ellipsoid::GeocentricToGeodetic(const TGIS_Point3D& input, TGIS_Point3D& output) const {
  gis_coords::CheckFinite(input);
  const double x = input.X;
  const double y = input.Y;
  const double z = input.Z;
  const double a = static_cast<double>(SemiMajorAxis);
  const double b = static_cast<double>(SemiMinorAxis);
  const double e2 = static_cast<double>(EccentricitySq);
  const double ep2 = static_cast<double>(SecondEccentricitySq);

  double lon = 0;
  double lat = 0;
  bool onAxis = false;
  if (x != 0) {
    lon = std::atan2(y, x);
  } else if (y > 0) {
    lon = kPiD / 2;
  } else if (y < 0) {
    lon = -kPiD / 2;
  } else {
    onAxis = true;
    if (z > 0) {
      lat = kPiD / 2;
    } else if (z < 0) {
      lat = -kPiD / 2;
    } else {
      // The centre of the earth.
      output.X = 0;
      output.Y = kPiD / 2;
      output.Z = -b;
      return;
    }
  }

  const double w = std::hypot(x, y); // no underflow near the axis
  const double t0 = kTomsFactor * z;
  const double s0 = std::hypot(t0, w); // neither squares under- nor overflow
  const double sinB0 = t0 / s0;
  const double cosB0 = w / s0;
  const double t1 = z + b * ep2 * sinB0 * sinB0 * sinB0;
  const double sum = w - a * e2 * cosB0 * cosB0 * cosB0;
  const double s1 = std::hypot(t1, sum);
  const double sinP = t1 / s1;
  const double cosP = sum / s1;
  const double rn = a / std::sqrt(1 - e2 * sinP * sinP);

  double h;
  if (cosP >= kCos67p5)
    h = w / cosP - rn;
  else if (cosP <= -kCos67p5)
    h = w / -cosP - rn;
  else
    h = z / sinP + rn * (e2 - 1);

  if (!onAxis) lat = std::atan(sinP / cosP);

  output.X = lon;
  output.Y = lat;
  output.Z = h;
}

TGIS_Ellipsoid* TGIS_EllipsoidList::AddEllipsoid(const std::string& code,
                                                 const std::string& description,
                                                 long double inverseFlattening,
                                                 long double semiMajorAxis) {
  if (!std::isfinite(semiMajorAxis) || semiMajorAxis <= 0) return nullptr;
  if (!std::isfinite(inverseFlattening) || inverseFlattening < 0) return nullptr;
  if (inverseFlattening != 0 && inverseFlattening <= 1) return nullptr; // b would be <= 0

  auto e = std::make_unique<TGIS_Ellipsoid>();
  e->Code = code;
  e->Description = description;
  e->SemiMajorAxis = semiMajorAxis;
  e->Flattening = inverseFlattening == 0 ? 0 : 1 / inverseFlattening;
  e->SemiMinorAxis = semiMajorAxis - semiMajorAxis * e->Flattening;
  e->SemiMajorAxisSq = e->SemiMajorAxis * e->SemiMajorAxis;
  e->SemiMinorAxisSq = e->SemiMinorAxis * e->SemiMinorAxis;
  e->EccentricitySq = (e->SemiMajorAxisSq - e->SemiMinorAxisSq) / e->SemiMajorAxisSq;
  e->Eccentricity = std::sqrt(e->EccentricitySq);
  e->SecondEccentricitySq = (e->SemiMajorAxisSq - e->SemiMinorAxisSq) / e->SemiMinorAxisSq;
  e->SecondEccentricity = std::sqrt(e->SecondEccentricitySq);
  return items_.Add(code, std::move(e));
}

TGIS_Ellipsoid* GisWGS84Ellipsoid() {
  return GisEllipsoidList().WGS84();
}

TGIS_Ellipsoid* GisWGS72Ellipsoid() {
  return GisEllipsoidList().WGS72();
}
